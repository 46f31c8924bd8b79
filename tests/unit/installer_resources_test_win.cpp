// The uninstaller files that the installer carries as resources (RT_EXE 135,
// RT_INI 136), written into the target folder. This program embeds the
// installer's resource script, so it finds them where the installer does.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "common/text.h"
#include "common/win/handles_win.h"
#include "common/win/win32_platform_win.h"
#include "installer/app/installer_app_win.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

// The built uninstall.exe; CKV_BIN is the build tree's Linux folder, which
// Wine shows as drive Z:.
std::string builtUninstaller() {
    const char* bin = std::getenv("CKV_BIN");
    if (bin == nullptr) {
        return {};
    }
    std::string path = std::string(bin[0] == '/' ? "Z:" : "") + bin + "/uninstall.exe";
    std::replace(path.begin(), path.end(), '/', '\\');
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct DefaultText {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* text;
};

// The default uninstall.ini, in the order the file holds it.
const std::vector<DefaultText>& defaultTexts() {
    static const std::vector<DefaultText> kTexts = {
        {L"interface", L"delete_item_1", L"Deleting all Files"},
        {L"interface", L"delete_item_2", L"Deleting all Folders"},
        {L"interface", L"delete_item_3", L"Deleting Shortcuts"},
        {L"interface", L"delete_all", L"Delete all files in the Varnholt Folder"},
        {L"interface", L"progress_group", L"Progress"},
        {L"interface", L"button_ok", L"OK"},
        {L"interface", L"button_cancel", L"Cancel"},
        {L"interface", L"uninstall_group", L"Uninstall Progress"},
        {L"interface", L"window_title", L"Uninstall Varnholt"},
        {L"interface", L"delete_all_ask", L"Are you sure you want to delete all files?"},
        {L"error", L"error_create_temp_file",
         L"Cannot create temple file. Uninstallation Stopped."},
    };
    return kTexts;
}

class UninstallerFilesTest : public ::testing::Test {
protected:
    void SetUp() override { app.targetFolder = target.wide(); }

    std::wstring iniPath() const { return target.wide("uninstall.ini"); }

    TempFolder target;
    Win32Platform platform;
    ScriptedPrompt prompt;
    RunLog log{platform};
    InstallerApp app{platform, prompt, CommandSwitches{}, log};
};

TEST_F(UninstallerFilesTest, ProgramIsTheBuiltUninstallerByteForByte) {
    const std::string built = builtUninstaller();
    ASSERT_GT(built.size(), 1024u) << "CKV_BIN does not lead to the built uninstall.exe";
    ASSERT_TRUE(app.writeUninstallerExe());
    const std::string written = target.read("uninstall.exe");
    EXPECT_EQ(written.size(), built.size());
    EXPECT_TRUE(written == built) << "uninstall.exe differs from the build's";
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(UninstallerFilesTest, TextFileHoldsTheDefaultsInOrder) {
    ASSERT_TRUE(app.writeUninstallerIni());
    const std::string bytes = target.read("uninstall.ini");
    ASSERT_GE(bytes.size(), 2u);
    ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE") << "no UTF-16LE byte-order mark";
    ASSERT_EQ(bytes.size() % 2, 0u);

    // Line by line: the two sections, each key in its place, every line
    // (the last included) ended by CR LF.
    std::wstring expected;
    const wchar_t* section = L"";
    for (const auto& entry : defaultTexts()) {
        if (std::wstring(section) != entry.section) {
            section = entry.section;
            expected += L"[" + std::wstring(section) + L"]\r\n";
        }
        expected += std::wstring(entry.key) + L"=" + entry.text + L"\r\n";
    }
    // Then the names the installer registers for the update-pack file type
    // (none in this run's configuration), handed over to the uninstaller.
    expected += L"[registered]\r\nreg_file_ext_name=\r\nreg_key_name=\r\n";
    const std::wstring text = wideFromUtf16(
        utf16FromLeBytes(reinterpret_cast<const uint8_t*>(bytes.data()) + 2, bytes.size() - 2));
    EXPECT_EQ(text, expected);
}

TEST_F(UninstallerFilesTest, IniReaderFindsEveryDefaultInItsSection) {
    ASSERT_TRUE(app.writeUninstallerIni());
    const IniFile ini(platform);
    const std::wstring missing = L"<missing>";
    for (const auto& entry : defaultTexts()) {
        EXPECT_EQ(ini.getString(entry.section, entry.key, missing, iniPath()), entry.text)
            << "[" << utf8FromWide(entry.section) << "] " << utf8FromWide(entry.key);
        // A key belongs to its own section only.
        const wchar_t* other = std::wstring(entry.section) == L"error" ? L"interface" : L"error";
        EXPECT_EQ(ini.getString(other, entry.key, missing, iniPath()), missing)
            << utf8FromWide(entry.key) << " also found in [" << utf8FromWide(other) << "]";
    }
    // The exit address is not part of the default file.
    EXPECT_EQ(ini.getString(L"interface", L"exit_url", missing, iniPath()), missing);
}

TEST_F(UninstallerFilesTest, ExistingFilesAreReplacedWhole) {
    const std::string longer(300000, 'x');
    target.write("uninstall.exe", longer);
    target.write("uninstall.ini", longer);
    ASSERT_TRUE(app.writeUninstallerExe());
    ASSERT_TRUE(app.writeUninstallerIni());
    const std::string exe = target.read("uninstall.exe");
    EXPECT_TRUE(exe == builtUninstaller()) << "uninstall.exe was not replaced whole";
    const std::string ini = target.read("uninstall.ini");
    ASSERT_GE(ini.size(), 2u);
    EXPECT_EQ(ini.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(ini.find("xxxx"), std::string::npos) << "old bytes are left in uninstall.ini";
}

// Whether this system opens a read-only file for writing. Windows refuses;
// Wine run by root does not, since it maps the attribute to permission bits
// that root passes.
bool opensReadOnlyFilesForWriting(const std::wstring& probe) {
    {
        FileHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_READONLY, nullptr));
        if (!file) {
            return false;
        }
    }
    FileHandle again(
        CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(again);
}

TEST_F(UninstallerFilesTest, ReadOnlyFileIsReplacedOnlyWhereItCanBeOpened) {
    const bool writable = opensReadOnlyFilesForWriting(target.wide("probe"));
    target.write("uninstall.exe", "old program");
    target.write("uninstall.ini", "old texts");
    for (const char* name : {"uninstall.exe", "uninstall.ini"}) {
        ASSERT_TRUE(SetFileAttributesW(target.wide(name).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    // The writer neither clears the attribute nor forces its way in: where
    // the open fails it answers false and the old file stays.
    EXPECT_EQ(app.writeUninstallerExe(), writable);
    EXPECT_EQ(app.writeUninstallerIni(), writable);
    if (writable) {
        EXPECT_TRUE(target.read("uninstall.exe") == builtUninstaller());
        EXPECT_EQ(target.read("uninstall.ini").substr(0, 2), "\xFF\xFE");
    } else {
        EXPECT_EQ(target.read("uninstall.exe"), "old program");
        EXPECT_EQ(target.read("uninstall.ini"), "old texts");
    }
    EXPECT_TRUE(prompt.shown.empty()) << "writing the files shows nothing";
}

TEST_F(UninstallerFilesTest, MissingTargetFolderAnswersFalse) {
    app.targetFolder = target.wide("not made");
    EXPECT_FALSE(app.writeUninstallerExe());
    EXPECT_FALSE(app.writeUninstallerIni());
    EXPECT_FALSE(platform.folderExists(app.targetFolder)) << "the folder was made on the way";
    EXPECT_TRUE(prompt.shown.empty());
}

}  // namespace
