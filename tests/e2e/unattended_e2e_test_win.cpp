// Installs and removals run from a script: install.exe /S with /D= and
// /LOG=, the exit codes a script sees, the entry in Windows' list of
// installed programs, and that entry's uninstall commands run as Windows
// runs them, from another current folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <optional>
#include <type_traits>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/handles_win.h"
#include "tests/e2e/install_support_win.h"

namespace {

using e2e::kInstallTimeout;
using namespace e2e::install_texts;

const std::wstring kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kProduct;

// A value of the game's entry under HKEY_LOCAL_MACHINE, of the given type.
template <typename Value>
std::optional<Value> machineValue(const wchar_t* name, DWORD wantedType) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str(), 0, KEY_READ, &opened) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    const RegKey key(opened);
    BYTE data[2048] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(opened, name, nullptr, &type, data, &size) != ERROR_SUCCESS ||
        type != wantedType) {
        return std::nullopt;
    }
    if constexpr (std::is_same_v<Value, DWORD>) {
        return *reinterpret_cast<const DWORD*>(data);
    } else {
        return std::wstring(reinterpret_cast<const wchar_t*>(data));
    }
}

std::optional<std::wstring> machineString(const wchar_t* name) {
    return machineValue<std::wstring>(name, REG_SZ);
}

std::optional<DWORD> machineNumber(const wchar_t* name) {
    return machineValue<DWORD>(name, REG_DWORD);
}

std::wstring desktopFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path);
    return path;
}

class UnattendedScenario : public e2e::InstallScenarioBase {
protected:
    UnattendedScenario() : log_(root_.path() + L"\\logs\\install log.txt") {
        shortcuts_ = {{L"Play Install Test", L"Game.exe", L"", L""}};
    }
    void SetUp() override {
        InstallScenarioBase::SetUp();
        ASSERT_TRUE(e2e::createFolders(root_.path() + L"\\logs"));
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
    }
    void TearDown() override {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
        DeleteFileW((desktopFolder() + L"\\" + kProduct + L".url").c_str());
        InstallScenarioBase::TearDown();
    }

    // A game in two packages, with the publisher's optional names.
    void packTwoPackages() {
        ASSERT_NO_FATAL_FAILURE(pack(e2e::kSmallGame, L"--disc-size 2M --chunk-size 256K"));
        ASSERT_TRUE(e2e::fileExists(medium_ + L"\\data2.pck")) << "one package only";
        ASSERT_TRUE(e2e::placeInstaller(medium_, programGroup_, shortcuts_,
                                        L"publisher=Varnholt Games\r\nversion=1.2.3\r\n"));
    }

    // install.exe with the switches, started from a folder that is not the
    // medium, as a script may; answers its exit code.
    std::optional<DWORD> installSilently(const std::wstring& switches) {
        return e2e::runCommand(L"\"" + medium_ + L"\\install.exe\" " + switches, root_.path());
    }

    std::wstring group() const { return e2e::programsFolder() + L"\\" + programGroup_; }

    const std::wstring log_;
};

TEST_F(UnattendedScenario, SilentInstallThenQuietUninstallFromTheList) {
    ASSERT_NO_FATAL_FAILURE(packTwoPackages());
    const std::wstring target = targets_.path() + L"\\Silent Test";
    ASSERT_EQ(installSilently(L"/S /D=" + target + L" /LOG=" + log_), std::optional<DWORD>(0));

    // Every file byte for byte, recorded as the wizard records it.
    EXPECT_EQ(e2e::runMedium(L"verify \"" + medium_ + L"\" \"" + target + L"\""),
              std::optional<DWORD>(0));
    const auto records = e2e::readUninstallRecords(target + L"\\uninstall.dat");
    ASSERT_GE(records.size(), 4u);
    EXPECT_EQ(records[0], L"FOLDER:" + target);
    EXPECT_EQ(records[3], L"FILE:" + target + L"\\uninstall.dat");
    EXPECT_TRUE(e2e::fileExists(group() + L"\\Play Install Test.lnk"));
    EXPECT_TRUE(e2e::hasLine(records, L"FILE:" + group() + L"\\Play Install Test.lnk"));

    // The entry in the list of installed programs.
    const std::wstring uninstall = L"\"" + target + L"\\uninstall.exe\"";
    EXPECT_EQ(machineString(L"DisplayName"), kProduct);
    EXPECT_EQ(machineString(L"UninstallString"), uninstall);
    EXPECT_EQ(machineString(L"QuietUninstallString"), uninstall + L" /S");
    EXPECT_EQ(machineString(L"DisplayIcon"), target + L"\\Game.exe,0");
    EXPECT_EQ(machineString(L"InstallLocation"), target);
    EXPECT_EQ(machineString(L"Publisher"), L"Varnholt Games");
    EXPECT_EQ(machineString(L"DisplayVersion"), L"1.2.3");
    EXPECT_EQ(machineNumber(L"NoModify"), std::optional<DWORD>(1));
    EXPECT_EQ(machineNumber(L"NoRepair"), std::optional<DWORD>(1));
    size_t total = 0;
    for (const auto& file : e2e::kSmallGame) {
        total += file.size;
    }
    EXPECT_EQ(machineNumber(L"EstimatedSize"), std::optional<DWORD>((total + 1023) / 1024));
    const auto date = machineString(L"InstallDate");
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(date->size(), 8u);
    EXPECT_EQ(date->find_first_not_of(L"0123456789"), std::wstring::npos) << utf8FromWide(*date);

    const auto lines = e2e::logLines(log_);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(e2e::hasLine(lines, L"Target folder: " + target));
    EXPECT_EQ(lines.back(), L"Result: installed (exit code 0)");

    // The quiet command as Windows runs it, from another folder: the first
    // stage waits for the removal and answers its result.
    const auto quiet = machineString(L"QuietUninstallString");
    ASSERT_TRUE(quiet.has_value());
    ASSERT_EQ(e2e::runCommand(*quiet, root_.path()), std::optional<DWORD>(0));
    // The first stage's own program goes right after that stage has ended.
    EXPECT_TRUE(ui::waitUntil([&] { return !e2e::folderExists(target); }));
    for (const std::wstring& record : records) {
        const std::wstring path = record.substr(record.find(L':') + 1);
        EXPECT_FALSE(e2e::fileExists(path) || e2e::folderExists(path)) << utf8FromWide(path);
    }
    EXPECT_FALSE(machineString(L"DisplayName").has_value()) << "the entry is still listed";
}

TEST_F(UnattendedScenario, RefusalsEndAtOnceWithExitCodeOneAndSayWhyInTheLog) {
    ASSERT_NO_FATAL_FAILURE(packTwoPackages());
    const std::vector<std::pair<std::wstring, std::wstring>> refusals = {
        {L"/S /D=C:\\Bad|Name",
         L"Message: The installation path is invalid! ( ? / : \\ \" * < > | )"},
        {L"/S /D=", L"Message: Please type a folder."},
        {L"/S /QUIET",
         L"Message: Unknown option: /QUIET. Options: /S (no window), /D=FOLDER, "
         L"/LOG=FILE, /VERIFY, /RUN."},
    };
    for (const auto& [switches, logged] : refusals) {
        SCOPED_TRACE(utf8FromWide(switches));
        EXPECT_EQ(installSilently(switches + L" /LOG=\"" + log_ + L"\""), std::optional<DWORD>(1));
        const auto lines = e2e::logLines(log_);
        EXPECT_TRUE(e2e::hasLine(lines, logged))
            << utf8FromWide(lines.empty() ? L"" : lines.back());
        EXPECT_EQ(lines.back(), L"Result: nothing was installed (exit code 1)");
        EXPECT_TRUE(e2e::treeSnapshot(targets_.path()).empty());
    }
    EXPECT_FALSE(machineString(L"DisplayName").has_value());
}

TEST_F(UnattendedScenario, AFullDiskIsUndoneWithExitCodeTwo) {
    const auto free = e2e::smallDriveFreeBytes();
    if (!free) {
        GTEST_SKIP() << "the small drive T: could not be mounted";
    }
    ASSERT_NO_FATAL_FAILURE(pack(e2e::gameFillingTheDrive(*free), L"--chunk-size 64K"));
    EXPECT_EQ(installSilently(L"/S /D=T:\\Game /LOG=" + log_), std::optional<DWORD>(2));
    const auto lines = e2e::logLines(log_);
    EXPECT_TRUE(e2e::hasLine(lines, L"Question: " + kDiskFullQuestion));
    EXPECT_EQ(lines.back(), L"Result: the install failed and was undone (exit code 2)");
    EXPECT_TRUE(e2e::treeSnapshot(L"T:").empty());
    EXPECT_FALSE(e2e::folderExists(group()));
    EXPECT_FALSE(machineString(L"DisplayName").has_value());
}

TEST_F(UnattendedScenario, TheWizardListsTheGameTooAndItsUninstallCommandShowsTheWindow) {
    ASSERT_NO_FATAL_FAILURE(packTwoPackages());
    const std::wstring target = targets_.path() + L"\\Game";
    {
        e2e::InstallerDriver installer(medium_);
        ASSERT_TRUE(installer.installCompletely(target));
    }
    EXPECT_EQ(machineString(L"InstallLocation"), target);
    const auto command = machineString(L"UninstallString");
    ASSERT_EQ(command, L"\"" + target + L"\\uninstall.exe\"");

    // Started as Windows starts it, from another folder, the uninstaller
    // finds its files beside itself and shows its window.
    auto first = ui::Process::start(target + L"\\uninstall.exe", L"", root_.path());
    ASSERT_TRUE(first.has_value());
    auto window = ui::Window::find({kUninstallTitle, false, L"#32770", 0});
    ASSERT_TRUE(window.has_value()) << "no uninstall window";
    const auto copy = ui::Process::open(window->processId());
    ASSERT_TRUE(copy.has_value());
    ASSERT_TRUE(window->waitIdle());
    ASSERT_TRUE(window->control(IDCANCEL).click());
    ASSERT_TRUE(copy->waitForExit());
    EXPECT_TRUE(e2e::fileExists(target + L"\\Game.exe"));
    EXPECT_EQ(machineString(L"UninstallString"), command);

    // And it removes everything, the entry in the list included.
    e2e::UninstallerDriver uninstaller(target);
    ASSERT_TRUE(uninstaller.remove(false).has_value());
    EXPECT_FALSE(e2e::fileExists(target + L"\\Game.exe"));
    EXPECT_FALSE(machineString(L"DisplayName").has_value());
}

}  // namespace
