// The installer's two runs, driven from outside as a person would start them:
// from a medium folder whose name holds a space, with no argument, and with a
// folder argument.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "tests/e2e/scenario_support_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace {

using e2e::ScenarioFolder;

const wchar_t kProgram[] = L"install.exe";

// The files the first run carries into its private folder, in copy order.
const std::vector<std::wstring>& carriedFiles() {
    static const std::vector<std::wstring> kFiles = {kProgram, L"install.ini", L"JPGI.dll",
                                                     L"ijl15.dll"};
    return kFiles;
}

std::wstring lowerCase(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

bool startsWithFolder(const std::wstring& path, const std::wstring& folder) {
    return lowerCase(path).rfind(lowerCase(folder), 0) == 0;
}

std::string utf8(const std::wstring& text) {
    return utf8FromWide(text);
}

std::wstring buildFile(const std::wstring& name) {
    return e2e::folderFromEnvironment(L"CKV_BIN") + L"\\" + name;
}

// Gives a scenario a system folder without unicows.dll: the one found there
// (Wine brings its own) is moved aside and put back afterwards, whatever the
// scenario's outcome, together with everything the scenario left in its place.
class UnicodeLayerGuard {
public:
    UnicodeLayerGuard()
        : path_(e2e::systemFolder() + L"\\unicows.dll"), saved_(path_ + L".ckv-saved") {
        // An interrupted run may have left the original aside.
        if (!e2e::fileExists(path_)) {
            MoveFileW(saved_.c_str(), path_.c_str());
        }
        e2e::removeTree(saved_);
        movedAside_ = MoveFileW(path_.c_str(), saved_.c_str()) != FALSE;
    }
    ~UnicodeLayerGuard() {
        e2e::removeTree(path_);
        if (movedAside_) {
            MoveFileW(saved_.c_str(), path_.c_str());
        }
    }
    UnicodeLayerGuard(const UnicodeLayerGuard&) = delete;
    UnicodeLayerGuard& operator=(const UnicodeLayerGuard&) = delete;

    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    std::wstring saved_;
    bool movedAside_;
};

class StartupScenario : public ::testing::Test {
protected:
    StartupScenario()
        : root_(L"C:\\media\\" + e2e::currentTestName()),
          medium_(root_.path() + L"\\Sample Game"),
          staging_(e2e::temporaryFolder() + L"CKVStaging") {}

    void SetUp() override {
        ASSERT_FALSE(e2e::folderFromEnvironment(L"CKV_BIN").empty()) << "CKV_BIN is not set";
        ASSERT_TRUE(pending_.readable());
        endLeftovers();
        e2e::removeTree(staging_);
        ASSERT_FALSE(e2e::folderExists(staging_));
        ASSERT_TRUE(root_.created() && e2e::createFolders(medium_));
        // The installer and its decoder pair as built, the sample medium's texts.
        const std::wstring samples = e2e::folderFromEnvironment(L"CKV_SAMPLES");
        const std::vector<std::pair<std::wstring, std::wstring>> sources = {
            {kProgram, buildFile(kProgram)},
            {L"install.ini", samples + L"\\install.ini"},
            {L"JPGI.dll", buildFile(L"JPGI.dll")},
            {L"ijl15.dll", buildFile(L"ijl15.dll")}};
        for (const auto& [name, source] : sources) {
            auto bytes = e2e::readFileBytes(source);
            ASSERT_TRUE(bytes && !bytes->empty()) << "missing " << utf8(source);
            ASSERT_TRUE(e2e::writeFileBytes(mediumFile(name), *bytes));
        }
    }

    void TearDown() override {
        endLeftovers();
        e2e::removeTree(staging_);
    }

    std::wstring mediumFile(const std::wstring& name) const { return medium_ + L"\\" + name; }
    std::wstring stagedFile(const std::wstring& name) const { return staging_ + L"\\" + name; }

    std::optional<ui::Process> startInstaller(const std::wstring& arguments = L"") {
        return startInstallerIn(medium_, arguments);
    }
    std::optional<ui::Process> startInstallerIn(const std::wstring& folder,
                                                const std::wstring& arguments = L"") {
        return ui::Process::start(mediumFile(kProgram), arguments, folder);
    }

    // The copy that a first run started: an install.exe whose parent it was.
    std::optional<ui::Process> relaunchedCopy(DWORD firstRunId) {
        for (const auto& entry : ui::listProcesses(kProgram)) {
            if (entry.parentId == firstRunId) {
                return ui::Process::open(entry.id);
            }
        }
        return std::nullopt;
    }

    std::vector<ui::ProcessEntry> childrenOf(DWORD processId) {
        std::vector<ui::ProcessEntry> children;
        for (const auto& entry : ui::listProcesses()) {
            if (entry.parentId == processId) {
                children.push_back(entry);
            }
        }
        return children;
    }

    // What the first run must have scheduled for deletion at restart.
    std::vector<std::wstring> expectedDeletions() const {
        std::vector<std::wstring> paths;
        for (const wchar_t* name : {kProgram, L"install.ini", L"ijl15.dll", L"JPGI.dll"}) {
            paths.push_back(L"\\??\\" + stagedFile(name));
        }
        return paths;
    }

    void expectStagedCopiesIdentical() {
        for (const auto& name : carriedFiles()) {
            auto original = e2e::readFileBytes(mediumFile(name));
            auto copy = e2e::readFileBytes(stagedFile(name));
            ASSERT_TRUE(original.has_value());
            ASSERT_TRUE(copy.has_value()) << "no copy of " << utf8(name);
            EXPECT_TRUE(*copy == *original) << utf8(name) << " differs from the medium's";
        }
    }

    // Into the build tree's screenshots folder, for people to look at.
    void saveScreenshot(const ui::Window& window, const std::wstring& what) {
        const std::wstring folder = e2e::folderFromEnvironment(L"CKV_SCREENSHOTS");
        ASSERT_TRUE(!folder.empty() && e2e::createFolders(folder)) << "no screenshots folder";
        const std::wstring path = folder + L"\\" + e2e::currentTestName() + L"-" +
                                  std::to_wstring(++screenshotCount_) + L"-" + what + L".bmp";
        EXPECT_TRUE(window.saveScreenshot(path)) << "no screenshot " << utf8(path);
    }

    // The message box a process shows: exactly `text`, with nothing but OK.
    std::optional<ui::MessageBoxWindow> expectMessageBox(const ui::Process& process,
                                                         const std::wstring& text) {
        auto box = ui::MessageBoxWindow::find(text.substr(0, 12), process.id());
        EXPECT_TRUE(box.has_value()) << "no message box from process " << process.id();
        if (!box) {
            return std::nullopt;
        }
        EXPECT_EQ(box->text(), text);
        EXPECT_TRUE(box->hasButton(IDOK));
        EXPECT_FALSE(box->hasButton(IDCANCEL));
        EXPECT_FALSE(box->hasButton(IDYES));
        EXPECT_FALSE(box->hasButton(IDNO));
        saveScreenshot(box->window(), L"message");
        return box;
    }

    // Runs the first run to its end and answers the copy it started.
    std::optional<ui::Process> runFirstRun() {
        auto first = startInstaller();
        EXPECT_TRUE(first.has_value()) << "install.exe did not start";
        if (!first) {
            return std::nullopt;
        }
        EXPECT_TRUE(first->waitForExit()) << "the first run did not end";
        EXPECT_EQ(first->exitCode(), std::optional<DWORD>(0));
        auto copy = relaunchedCopy(first->id());
        EXPECT_TRUE(copy.has_value()) << "the first run started no copy";
        return copy;
    }

    // Answers the copy's message about the missing package and sees it end.
    void finishAtMissingPackage(const ui::Process& copy) {
        auto box = expectMessageBox(copy, L"Failed to open package file! " + medium_);
        ASSERT_TRUE(box.has_value());
        EXPECT_TRUE(box->press(IDOK));
        EXPECT_TRUE(copy.waitForExit()) << "the copy did not end after OK";
    }

    // Waits for a process to end and answers whether it showed any window
    // meanwhile (a window that stays up keeps the process from ending).
    bool showsWindowBeforeExit(const ui::Process& process) {
        bool shown = false;
        ui::WindowQuery query;
        query.processId = process.id();
        EXPECT_TRUE(ui::waitUntil([&] {
            shown = shown || !ui::Window::list(query).empty();
            return !process.isRunning();
        })) << "the process did not end";
        return shown;
    }

    // Any program run from this scenario's medium or the private folder.
    void endLeftovers() {
        for (const auto& entry : ui::listProcesses()) {
            const std::wstring image = ui::processImagePath(entry.id);
            if (startsWithFolder(image, staging_ + L"\\") ||
                startsWithFolder(image, root_.path() + L"\\")) {
                if (auto process = ui::Process::open(entry.id)) {
                    process->terminate();
                }
            }
        }
    }

    int screenshotCount_ = 0;
    e2e::PendingFileRenames pending_;
    ScenarioFolder root_;
    const std::wstring medium_;
    const std::wstring staging_;
};

TEST_F(StartupScenario, FirstRunStagesSchedulesAndStartsTheCopy) {
    auto copy = runFirstRun();
    ASSERT_TRUE(copy.has_value());
    expectStagedCopiesIdentical();
    EXPECT_EQ(pending_.deletionsSinceStart(), expectedDeletions());
    EXPECT_TRUE(startsWithFolder(ui::processImagePath(copy->id()), stagedFile(kProgram)))
        << "the copy runs from elsewhere";
    // No package on the medium: the copy names the medium folder, spaces restored.
    finishAtMissingPackage(*copy);
    EXPECT_EQ(copy->exitCode(), std::optional<DWORD>(0));
}

TEST_F(StartupScenario, UnknownPackageVersionIsReported) {
    ASSERT_TRUE(e2e::writeFileBytes(mediumFile(L"data1.pck"), e2e::packageHeaderBytes(3, 0)));
    auto copy = runFirstRun();
    ASSERT_TRUE(copy.has_value());
    auto box = expectMessageBox(*copy, L"Unknown file version! " + medium_);
    ASSERT_TRUE(box.has_value());
    // Enter presses the default button, as from the keyboard.
    EXPECT_TRUE(box->window().sendKey(VK_RETURN));
    EXPECT_TRUE(box->window().waitGone());
    EXPECT_TRUE(copy->waitForExit());
}

TEST_F(StartupScenario, ShortPackageHeaderIsReported) {
    ASSERT_TRUE(e2e::writeFileBytes(mediumFile(L"data1.pck"), e2e::packageHeaderBytes(2, 0, 31)));
    auto copy = runFirstRun();
    ASSERT_TRUE(copy.has_value());
    auto box = expectMessageBox(*copy, L"Failed to read file head! " + medium_);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(box->window().sendKey(VK_ESCAPE));
    EXPECT_TRUE(box->window().waitGone());
    EXPECT_TRUE(copy->waitForExit());
}

TEST_F(StartupScenario, ReadOnlyLeftoverInThePrivateFolderIsReplaced) {
    ASSERT_TRUE(e2e::createFolders(staging_));
    const std::string stale = "[setup]\r\nproduct=an older medium, and a longer file than ours";
    ASSERT_TRUE(e2e::writeFileBytes(stagedFile(L"install.ini"),
                                    std::vector<uint8_t>(stale.begin(), stale.end())));
    ASSERT_TRUE(e2e::setReadOnly(stagedFile(L"install.ini"), true));

    auto copy = runFirstRun();
    ASSERT_TRUE(copy.has_value());
    expectStagedCopiesIdentical();
    // Cleared before the copy, not forced: the new copy is an ordinary file.
    EXPECT_FALSE(e2e::isReadOnly(stagedFile(L"install.ini")));
    EXPECT_EQ(pending_.deletionsSinceStart(), expectedDeletions());
    finishAtMissingPackage(*copy);
}

TEST_F(StartupScenario, FolderArgumentSkipsTheCopy) {
    // The encoded form of the medium folder, with a trailing backslash.
    std::wstring argument = medium_ + L"\\";
    std::replace(argument.begin(), argument.end(), L' ', L',');
    auto installer = startInstaller(argument);
    ASSERT_TRUE(installer.has_value());
    auto box = expectMessageBox(*installer, L"Failed to open package file! " + medium_);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(box->press(IDOK));
    EXPECT_TRUE(installer->waitForExit());
    EXPECT_TRUE(childrenOf(installer->id()).empty()) << "a copy was started";
    EXPECT_FALSE(e2e::folderExists(staging_)) << "the private folder was made";
    EXPECT_TRUE(pending_.deletionsSinceStart().empty());
}

TEST_F(StartupScenario, FilesAreTakenFromTheCurrentFolder) {
    // Started with another current folder (a shortcut's working folder), the
    // first run looks for its files there, finds none and ends silently.
    ScenarioFolder elsewhere(root_.path() + L"\\Other Folder");
    ASSERT_TRUE(elsewhere.created());
    auto first = startInstallerIn(elsewhere.path());
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(showsWindowBeforeExit(*first));
    EXPECT_TRUE(childrenOf(first->id()).empty()) << "a copy was started";
    EXPECT_FALSE(e2e::fileExists(stagedFile(L"install.ini")));
    EXPECT_TRUE(pending_.deletionsSinceStart().empty());
}

TEST_F(StartupScenario, UnicodeLayerIsPlacedOnlyWhenMissing) {
    UnicodeLayerGuard systemCopy;
    ASSERT_FALSE(e2e::fileExists(systemCopy.path()));
    const std::string layer = "unicows.dll of the medium";
    const std::vector<uint8_t> mediumLayer(layer.begin(), layer.end());
    ASSERT_TRUE(e2e::writeFileBytes(mediumFile(L"unicows.dll"), mediumLayer));

    auto copy = runFirstRun();
    ASSERT_TRUE(copy.has_value());
    finishAtMissingPackage(*copy);
    EXPECT_EQ(e2e::readFileBytes(systemCopy.path()), std::optional(mediumLayer));

    // Present already: left as it is, though the medium's copy differs.
    const std::string present = "unicows.dll already in the system folder";
    const std::vector<uint8_t> systemLayer(present.begin(), present.end());
    ASSERT_TRUE(e2e::writeFileBytes(systemCopy.path(), systemLayer));
    copy = runFirstRun();
    ASSERT_TRUE(copy.has_value());
    finishAtMissingPackage(*copy);
    EXPECT_EQ(e2e::readFileBytes(systemCopy.path()), std::optional(systemLayer));
}

TEST_F(StartupScenario, RenamedProgramIsCarriedButNothingIsStarted) {
    // The copy keeps the running file's name, while the relaunch always
    // starts install.exe in the private folder, which is not there.
    ASSERT_TRUE(CopyFileW(mediumFile(kProgram).c_str(), mediumFile(L"setup.exe").c_str(), TRUE));
    ASSERT_TRUE(DeleteFileW(mediumFile(kProgram).c_str()));
    auto first = ui::Process::start(mediumFile(L"setup.exe"), L"", medium_);
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(showsWindowBeforeExit(*first));
    EXPECT_EQ(first->exitCode(), std::optional<DWORD>(0));
    EXPECT_TRUE(childrenOf(first->id()).empty()) << "something was started";
    EXPECT_EQ(e2e::readFileBytes(stagedFile(L"setup.exe")),
              e2e::readFileBytes(mediumFile(L"setup.exe")));
    EXPECT_FALSE(e2e::fileExists(stagedFile(kProgram)));
    auto expected = expectedDeletions();
    expected.front() = L"\\??\\" + stagedFile(L"setup.exe");
    EXPECT_EQ(pending_.deletionsSinceStart(), expected);
}

#ifndef _WIN64
// Makes Wine report another Windows version to the programs started while it
// lives (HKCU\Software\Wine, value Version), and puts back what was there.
class WineVersionGuard {
public:
    explicit WineVersionGuard(const std::wstring& version) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        wchar_t previous[64] = {};
        DWORD size = sizeof(previous) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(key_, L"Version", nullptr, &type, reinterpret_cast<BYTE*>(previous),
                             &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            previous_ = std::wstring(previous);
        }
        set_ = RegSetValueExW(
                   key_, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    ~WineVersionGuard() {
        if (key_ == nullptr) {
            return;
        }
        if (previous_) {
            RegSetValueExW(key_, L"Version", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(previous_->c_str()),
                           static_cast<DWORD>((previous_->size() + 1) * sizeof(wchar_t)));
        } else {
            RegDeleteValueW(key_, L"Version");
        }
        RegCloseKey(key_);
    }
    WineVersionGuard(const WineVersionGuard&) = delete;
    WineVersionGuard& operator=(const WineVersionGuard&) = delete;

    bool set() const { return set_; }

private:
    HKEY key_ = nullptr;
    bool set_ = false;
    std::optional<std::wstring> previous_;
};

// The Windows version a newly started program sees, as cmd's "ver" prints it.
std::string versionSeenByNewPrograms(const std::wstring& folder) {
    const std::wstring output = folder + L"\\ver.txt";
    auto shell = ui::Process::start(e2e::systemFolder() + L"\\cmd.exe",
                                    L"/c ver > \"" + output + L"\"", folder);
    if (!shell || !shell->waitForExit()) {
        return "";
    }
    auto bytes = e2e::readFileBytes(output);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "";
}

// The whole start-up as on a disc, with Wine reporting Windows XP: the first
// run stages and restarts, the copy shows the logo, the main window and the
// agreement page, which enables agree once its text has been scrolled to the end.
TEST_F(StartupScenario, UnderWindowsXpTheInstallerReachesTheAgreement) {
    WineVersionGuard windowsXp(L"winxp");
    ASSERT_TRUE(windowsXp.set());
    ASSERT_NE(versionSeenByNewPrograms(root_.path()).find("5.1."), std::string::npos)
        << "Wine does not report Windows XP: " << versionSeenByNewPrograms(root_.path());

    ASSERT_TRUE(e2e::writeFileBytes(mediumFile(L"data1.pck"), e2e::packageHeaderBytes(2, 0)));
    std::wstring agreement = L"\uFEFF";
    for (int i = 1; i <= 200; ++i) {
        agreement += L"Clause " + std::to_wstring(i) + L" of the licence.\r\n";
    }
    std::vector<uint8_t> agreementBytes;
    for (wchar_t c : agreement) {
        agreementBytes.push_back(static_cast<uint8_t>(c & 0xFF));
        agreementBytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    ASSERT_TRUE(e2e::writeFileBytes(mediumFile(L"CopyRight.txt"), agreementBytes));

    auto copy = runFirstRun();
    ASSERT_TRUE(copy.has_value());
    expectStagedCopiesIdentical();
    EXPECT_EQ(pending_.deletionsSinceStart(), expectedDeletions());

    auto main = ui::Window::find({L"Varnholt Setup", false, L"#32770", copy->id()});
    ASSERT_TRUE(main.has_value()) << "no main window";
    auto page = ui::Window::find({L"End-User Licence Agreement", false, L"#32770", copy->id()});
    ASSERT_TRUE(page.has_value()) << "no agreement page";
    ASSERT_TRUE(page->waitIdle());
    const int kTextBoxId = 1002;
    const int kAgreeId = 1009;
    EXPECT_EQ(page->control(kAgreeId).text(), L"I agree");
    EXPECT_FALSE(page->control(kAgreeId).isEnabled());
    saveScreenshot(*page, L"agreement");
    ui::Window box(page->control(kTextBoxId).handle());
    EXPECT_TRUE(ui::waitUntil(
        [&] {
            return box.sendMessage(WM_VSCROLL, SB_PAGEDOWN, 0).has_value() &&
                   page->control(kAgreeId).isEnabled();
        },
        5000))
        << "agree stays disabled at the end of the text";
    ASSERT_TRUE(page->control(IDCANCEL).click());
    EXPECT_TRUE(copy->waitForExit());
    EXPECT_EQ(copy->exitCode(), std::optional<DWORD>(0));
}
#else
TEST_F(StartupScenario, UnderWindowsXpTheInstallerReachesTheAgreement) {
    GTEST_SKIP() << "Windows XP runs the i686 build only; this scenario runs where the i686 build "
                    "is tested";
}
#endif

// An empty file among the carried ones counts as a failed copy: the first run
// ends with no window and starts nothing. (Once the installer binds to the
// decoder DLLs, an empty one already stops it at load time, to the same end.)
class EmptyCarriedFile : public StartupScenario,
                         public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(EmptyCarriedFile, EndsTheFirstRunSilently) {
    ASSERT_TRUE(e2e::writeFileBytes(mediumFile(GetParam()), {}));
    auto first = startInstaller();
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(showsWindowBeforeExit(*first));
    EXPECT_TRUE(childrenOf(first->id()).empty()) << "a copy was started";
    EXPECT_TRUE(pending_.deletionsSinceStart().empty());
}

INSTANTIATE_TEST_SUITE_P(Startup, EmptyCarriedFile,
                         ::testing::Values(L"install.ini", L"JPGI.dll", L"ijl15.dll"));

}  // namespace
