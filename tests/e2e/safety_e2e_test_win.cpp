// What an install, its undo and the uninstaller may remove: exactly what that
// install made, and nothing a person owns. Each scenario makes the person's
// things first (a link to a folder elsewhere, an earlier install, another
// program's file association, a game put straight into Program Files), runs
// the real programs and then looks at the disk and the registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/handles_win.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::controls;

using e2e::kInstallTimeout;
using namespace e2e::install_texts;

constexpr size_t kMiB = size_t{1} << 20;

std::optional<std::wstring> classesValue(const std::wstring& key, const wchar_t* name = nullptr) {
    return e2e::registryString(HKEY_CLASSES_ROOT, key, name, L"<no value>");
}

void setClassesValue(const std::wstring& key, const std::wstring& value,
                     const wchar_t* name = nullptr) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const RegKey owned(created);
    const size_t bytes = (value.size() + 1) * sizeof(wchar_t);
    RegSetValueExW(created, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(bytes));
}

// A file type of the scenario's own, so that runs never meet each other's.
struct FileType {
    std::wstring extension;
    std::wstring className;

    std::wstring setupLines() const {
        return L"reg_file_ext_name=" + extension + L"\r\nreg_key_name=" + className + L"\r\n";
    }
    void remove() const {
        SHDeleteKeyW(HKEY_CLASSES_ROOT, (L"." + extension).c_str());
        SHDeleteKeyW(HKEY_CLASSES_ROOT, className.c_str());
    }
};

class SafetyScenario : public e2e::InstallScenarioBase {
protected:
    SafetyScenario()
        : target_(targets_.path() + L"\\Game"),
          fileType_{L"ckv" + std::to_wstring(GetCurrentProcessId()),
                    L"Ckv.Safety." + e2e::currentTestName()} {
        shortcuts_ = {{L"Play Install Test", L"Game.exe", L"", L""}};
    }
    void TearDown() override {
        fileType_.remove();
        InstallScenarioBase::TearDown();
    }

    // The game packed with medium.exe, and install.ini with the scenario's
    // own file type.
    void packWithFileType(const std::vector<e2e::GameFile>& files, const std::wstring& options) {
        ASSERT_NO_FATAL_FAILURE(pack(files, options));
        ASSERT_TRUE(
            e2e::placeInstaller(medium_, programGroup_, shortcuts_, fileType_.setupLines()));
    }

    void installCompletely(const std::wstring& target) {
        e2e::InstallerDriver installer(medium_);
        ASSERT_TRUE(installer.installCompletely(target)) << "the install did not finish";
    }

    std::wstring group() const { return e2e::programsFolder() + L"\\" + programGroup_; }

    const std::wstring target_;
    const FileType fileType_;
};

TEST_F(SafetyScenario, DeleteAllRemovesALinkButNeverWhatItPointsTo) {
    ASSERT_NO_FATAL_FAILURE(pack(e2e::kSmallGame, L""));
    ASSERT_NO_FATAL_FAILURE(installCompletely(target_));
    // A folder of the player's outside the game, and a link to it inside the
    // game's folder. (Links to files are left to the unit tests: Wine shows
    // one as the file itself, and its DeleteFileW removes what it points to.)
    const std::wstring outside = root_.path() + L"\\Letters";
    const std::vector<uint8_t> letter = {'h', 'i'};
    ASSERT_TRUE(e2e::createFolders(outside));
    ASSERT_TRUE(e2e::writeFileBytes(outside + L"\\dear.txt", letter));
    const std::wstring folderLink = target_ + L"\\letters";
    ASSERT_TRUE(e2e::makeLink(folderLink, outside, true));

    e2e::UninstallerDriver uninstaller(target_);
    const auto messages = uninstaller.remove(true);
    ASSERT_TRUE(messages.has_value());
    EXPECT_TRUE(messages->empty()) << utf8FromWide(messages->front());
    EXPECT_EQ(e2e::readFileBytes(outside + L"\\dear.txt"), std::optional(letter));
    const auto left = e2e::treeSnapshot(outside);
    EXPECT_EQ(left.size(), 1u) << utf8FromWide(left.rbegin()->first);
    if (e2e::runsOnWine()) {
        // Wine has no call that removes a link to a folder (RemoveDirectoryW
        // and DeleteFileW both look through it), so it stays, alone.
        EXPECT_TRUE(e2e::isLink(folderLink));
        EXPECT_EQ(e2e::treeSnapshot(target_),
                  (std::map<std::wstring, std::wstring>{{L"letters", L"<link>"}}));
    } else {
        EXPECT_FALSE(e2e::folderExists(target_));
    }
}

TEST_F(SafetyScenario, CancelledReinstallLeavesTheEarlierInstallAsItWas) {
    ASSERT_NO_FATAL_FAILURE(packWithFileType(
        {{L"Game.exe", 150000}, {L"movies\\intro.bin", 32 * kMiB}, {L"readme.txt", 3000}},
        L"--chunk-size 64K"));
    ASSERT_NO_FATAL_FAILURE(installCompletely(target_));
    const auto game = e2e::treeSnapshot(target_);
    const auto menu = e2e::treeSnapshot(group());
    const auto classValue = classesValue(fileType_.className + L"\\shell\\open\\command");
    ASSERT_TRUE(classValue.has_value());
    ASSERT_EQ(classesValue(L"." + fileType_.extension), fileType_.className);
    ASSERT_FALSE(menu.empty());

    // The same game again, into the same folder, cancelled at 40 % or more of
    // its large file (the earlier one is whole until it is set aside).
    e2e::InstallerDriver again(medium_);
    ASSERT_TRUE(again.startInstall(target_));
    ASSERT_TRUE(again.cancelWhileWriting(target_ + L"\\movies\\intro.bin", 32 * kMiB, 0.4));
    ASSERT_TRUE(again.finish()) << "the undo did not reach the finish page";

    EXPECT_EQ(e2e::treeSnapshot(target_), game);
    EXPECT_EQ(e2e::treeSnapshot(group()), menu);
    EXPECT_EQ(classesValue(L"." + fileType_.extension), fileType_.className);
    EXPECT_EQ(classesValue(fileType_.className + L"\\shell\\open\\command"), classValue);

    // The earlier install is still whole for its uninstaller.
    e2e::UninstallerDriver uninstaller(target_);
    const auto messages = uninstaller.remove(false);
    ASSERT_TRUE(messages.has_value());
    EXPECT_TRUE(messages->empty());
    EXPECT_FALSE(e2e::folderExists(target_));
    EXPECT_FALSE(e2e::folderExists(group()));
    EXPECT_FALSE(classesValue(L"." + fileType_.extension).has_value());
    EXPECT_FALSE(classesValue(fileType_.className).has_value());
}

TEST_F(SafetyScenario, AnotherProgramsAssociationIsBackAfterTheUninstall) {
    // The extension belongs to another program, with subkeys of its own.
    const std::wstring extensionKey = L"." + fileType_.extension;
    ASSERT_NO_FATAL_FAILURE(setClassesValue(extensionKey, L"Other.Program"));
    ASSERT_NO_FATAL_FAILURE(
        setClassesValue(extensionKey + L"\\OpenWithProgids", L"", L"Other.Program"));
    ASSERT_NO_FATAL_FAILURE(setClassesValue(extensionKey + L"\\ShellNew", L"", L"NullFile"));
    ASSERT_NO_FATAL_FAILURE(packWithFileType(e2e::kSmallGame, L""));
    ASSERT_NO_FATAL_FAILURE(installCompletely(target_));
    ASSERT_EQ(classesValue(extensionKey), fileType_.className) << "the install did not register";

    e2e::UninstallerDriver uninstaller(target_);
    ASSERT_TRUE(uninstaller.remove(false).has_value());
    EXPECT_EQ(classesValue(extensionKey), L"Other.Program");
    EXPECT_EQ(classesValue(extensionKey + L"\\OpenWithProgids", L"Other.Program"), L"");
    EXPECT_EQ(classesValue(extensionKey + L"\\ShellNew", L"NullFile"), L"");
    EXPECT_FALSE(classesValue(fileType_.className).has_value());
}

TEST_F(SafetyScenario, AnExtensionReassociatedAfterTheInstallIsLeftAlone) {
    const std::wstring extensionKey = L"." + fileType_.extension;
    ASSERT_NO_FATAL_FAILURE(packWithFileType(e2e::kSmallGame, L""));
    ASSERT_NO_FATAL_FAILURE(installCompletely(target_));
    ASSERT_EQ(classesValue(extensionKey), fileType_.className);
    // The player gives the extension to an editor.
    ASSERT_NO_FATAL_FAILURE(setClassesValue(extensionKey, L"Editor.File"));

    e2e::UninstallerDriver uninstaller(target_);
    ASSERT_TRUE(uninstaller.remove(false).has_value());
    EXPECT_EQ(classesValue(extensionKey), L"Editor.File");
    EXPECT_FALSE(classesValue(fileType_.className).has_value());
}

TEST_F(SafetyScenario, DeleteAllOfProgramFilesByItsShortNameRemovesOnlyTheGame) {
    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_TRUE(
        SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles)));
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(programFiles, shortName, MAX_PATH), 0u);
    const std::wstring target = shortName;
    ASSERT_NE(target, std::wstring(programFiles)) << "no short name to spell it with";
    const auto before = e2e::treeSnapshot(programFiles);
    ASSERT_FALSE(before.empty());
    // Names of the scenario's own, so that nothing of Program Files is replaced.
    const std::wstring own = e2e::currentTestName();
    ASSERT_NO_FATAL_FAILURE(pack({{own + L".exe", 20000}, {own + L"\\data.bin", 30000}}, L""));
    ASSERT_NO_FATAL_FAILURE(installCompletely(target));
    ASSERT_TRUE(e2e::fileExists(target + L"\\" + own + L".exe"));

    e2e::UninstallerDriver uninstaller(target);
    const auto messages = uninstaller.remove(true);
    ASSERT_TRUE(messages.has_value());
    ASSERT_EQ(messages->size(), 1u) << "delete-all was not refused";
    EXPECT_EQ(messages->front().rfind(target + L" was not emptied: ", 0), 0u)
        << utf8FromWide(messages->front());
    // Everything the install recorded is gone; the rest is as it was.
    EXPECT_EQ(e2e::treeSnapshot(programFiles), before);
}

}  // namespace
