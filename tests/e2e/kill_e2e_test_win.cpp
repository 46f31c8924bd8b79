// Installs, undos and removals ended as End Process ends them (no code of
// theirs runs), and the next start: the installer's wizard finishes what the
// killed run left before its first page, and the machine is then as it was
// before that run: the earlier install byte for byte (files, uninstall.dat,
// uninstall.ini, program group and shortcuts, file type, Uninstall entry), or
// after a killed first install nothing at all. A removal killed on the way is
// finished by the next uninstall.exe.
//
// Kill points: a fixed seed spreads most of them over the time a whole run
// takes; a few are taken where the disk or the registry shows a given step.
// Each point prints one line saying what was checked.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/text.h"
#include "tests/e2e/install_support_win.h"

namespace {

using e2e::kInstallTimeout;
using namespace e2e::install_texts;

constexpr size_t kMiB = size_t{1} << 20;
const std::wstring kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kProduct;
const std::wstring kClassKey = L"CkvKillPack";
const std::wstring kExtensionKey = L".ckvkill";
const std::wstring kMarkKey = L"Software\\Interrupted install of " + kProduct;

// Two versions of one game: every file's bytes differ between them, so that
// an undo that kept a file of the killed run shows.
const std::vector<e2e::GameFile> kVersionOne = {
    {L"Game.exe", 6 * kMiB}, {L"readme.txt", 3000}, {L"videos\\intro.bin", 6 * kMiB}};
const std::vector<e2e::GameFile> kVersionTwo = {
    {L"Game.exe", 6 * kMiB + 7}, {L"readme.txt", 3001}, {L"videos\\intro.bin", 6 * kMiB + 7}};

bool endsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void killAll(const std::wstring& imagePrefix) {
    for (const ui::ProcessEntry& process : ui::listProcesses()) {
        const std::wstring name = lowerCase(process.imageName);
        if (name.rfind(imagePrefix, 0) == 0 && endsWith(name, L".exe")) {
            if (auto running = ui::Process::open(process.id)) {
                running->terminate();
            }
        }
    }
}

// The uninstaller's copy goes on a moment after its first stage has ended:
// it removes what the first stage held.
void waitForUninstallers() {
    ui::waitUntil(
        [] {
            for (const ui::ProcessEntry& process : ui::listProcesses()) {
                if (lowerCase(process.imageName).rfind(L"uninstall", 0) == 0) {
                    return false;
                }
            }
            return true;
        },
        kInstallTimeout);
}

// Removes the game as a script would, and waits until the removal is over.
std::optional<DWORD> uninstallSilently(const std::wstring& folder, const std::wstring& from) {
    const auto code = e2e::runCommand(L"\"" + folder + L"\\uninstall.exe\" /S /DELETEALL", from);
    waitForUninstallers();
    return code;
}

class KillScenario : public e2e::InstallScenarioBase {
protected:
    KillScenario() : target_(targets_.path() + L"\\Game") {
        shortcuts_ = {{L"Play Install Test", L"Game.exe", L"", L""}};
    }
    void SetUp() override {
        InstallScenarioBase::SetUp();
        clearRegistry();
    }
    void TearDown() override {
        killAll(L"install");
        killAll(L"uninstall");
        clearRegistry();
        InstallScenarioBase::TearDown();
    }
    static void clearRegistry() {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
        SHDeleteKeyW(HKEY_CLASSES_ROOT, kClassKey.c_str());
        SHDeleteKeyW(HKEY_CLASSES_ROOT, kExtensionKey.c_str());
        SHDeleteKeyW(HKEY_CURRENT_USER, kMarkKey.c_str());
    }

    void packVersion(const std::vector<e2e::GameFile>& files) {
        ASSERT_TRUE(e2e::removeTree(game_));
        ASSERT_NO_FATAL_FAILURE(pack(files, L"--chunk-size 64K"));
        ASSERT_TRUE(e2e::placeInstaller(
            medium_, programGroup_, shortcuts_,
            L"reg_file_ext_name=ckvkill\r\nreg_key_name=" + kClassKey + L"\r\n"));
    }

    std::wstring group() const { return e2e::programsFolder() + L"\\" + programGroup_; }

    // Everything an install touches, as text by path or key.
    std::map<std::wstring, std::wstring> picture() const {
        std::map<std::wstring, std::wstring> seen;
        for (const std::wstring& folder : {target_, group()}) {
            if (e2e::folderExists(folder)) {
                seen[folder] = L"<folder>";
                for (const auto& [path, what] : e2e::treeSnapshot(folder)) {
                    seen[folder + L"\\" + path] = what;
                }
            }
        }
        for (const wchar_t* name : {L"DisplayName", L"UninstallString", L"InstallLocation",
                                    L"InstallDate", L"DisplayIcon"}) {
            if (auto value = e2e::registryString(HKEY_LOCAL_MACHINE, kUninstallKey, name)) {
                seen[L"HKLM\\" + kUninstallKey + L"\\" + name] = *value;
            }
        }
        if (auto value = e2e::registryString(HKEY_CLASSES_ROOT, kExtensionKey)) {
            seen[L"HKCR\\" + kExtensionKey] = *value;
        }
        if (auto value =
                e2e::registryString(HKEY_CLASSES_ROOT, kClassKey + L"\\shell\\open\\command")) {
            seen[L"HKCR\\" + kClassKey + L"\\shell\\open\\command"] = *value;
        }
        if (e2e::registryString(HKEY_CURRENT_USER, kMarkKey)) {
            seen[L"HKCU\\" + kMarkKey] = L"<the mark>";
        }
        return seen;
    }
    static std::string changes(const std::map<std::wstring, std::wstring>& expected,
                               const std::map<std::wstring, std::wstring>& found) {
        std::string text;
        for (const auto& [path, what] : expected) {
            const auto it = found.find(path);
            if (it == found.end()) {
                text += " missing: " + utf8FromWide(path);
            } else if (it->second != what) {
                text += " changed: " + utf8FromWide(path);
            }
        }
        for (const auto& [path, what] : found) {
            if (expected.count(path) == 0) {
                text += " left: " + utf8FromWide(path);
            }
        }
        return text;
    }

    std::optional<DWORD> installSilently() {
        return e2e::runCommand(L"\"" + medium_ + L"\\install.exe\" /S /D=" + target_, root_.path());
    }

    // Starts install.exe /S and kills every installer process once `when`
    // holds (looked at every millisecond) or `delayMs` have passed; answers
    // what the run had left then.
    enum class Left { Nothing, Mark, Journal };
    Left killSilentInstall(const std::function<bool()>& when, DWORD delayMs) {
        auto first =
            ui::Process::start(medium_ + L"\\install.exe", L"/S /D=" + target_, root_.path());
        EXPECT_TRUE(first.has_value());
        if (!first) {
            return Left::Nothing;
        }
        // A delay counts from the run's mark: the first stage's copying and
        // start-up take their own time.
        const auto marked = [] {
            return e2e::registryString(HKEY_CURRENT_USER, kMarkKey).has_value();
        };
        DWORD started = GetTickCount();
        bool running = true;
        bool begun = when != nullptr;
        for (;;) {
            running = first->isRunning();
            if (!begun && marked()) {
                begun = true;
                started = GetTickCount();
            }
            if (!running || (when && when()) ||
                (!when && begun && GetTickCount() - started >= delayMs) ||
                GetTickCount() - started >= kInstallTimeout) {
                break;
            }
            Sleep(1);
        }
        killAll(L"install");
        EXPECT_TRUE(ui::listProcesses(L"install.exe").empty()) << "an installer outlived its kill";
        const bool journal = e2e::fileExists(target_ + L"\\install.journal");
        const bool mark = marked();
        std::printf("  killed after %lu ms: %s, journal %s, mark %s\n",
                    static_cast<unsigned long>(GetTickCount() - started),
                    running ? "running" : "ended", journal ? "there" : "gone",
                    mark ? "there" : "gone");
        return !running  ? Left::Nothing
               : journal ? Left::Journal
               : mark    ? Left::Mark
                         : Left::Nothing;
    }

    // A kill that left no journal came before the run's first change or
    // after its last: the next start must leave the machine as before, or the
    // finished install as it is. Answers whether it was as before.
    bool checkUnjournaledPoint(const std::string& what,
                               const std::map<std::wstring, std::wstring>& before) {
        (void)nextStart();
        const bool asBefore = picture() == before;
        std::printf("kill point %-34s no journal: %s\n", what.c_str(),
                    asBefore ? "killed before the run's first change, machine as before"
                             : "the run had ended, not counted");
        return asBefore;
    }

    // A whole install.exe /S, timed from the run's mark to the end of its
    // first stage; 0 when it did not end in time.
    DWORD timeSilentInstall() {
        auto first =
            ui::Process::start(medium_ + L"\\install.exe", L"/S /D=" + target_, root_.path());
        if (!first ||
            !ui::waitUntil(
                [] { return e2e::registryString(HKEY_CURRENT_USER, kMarkKey).has_value(); },
                kInstallTimeout)) {
            return 0;
        }
        const DWORD marked = GetTickCount();
        return first->waitForExit(kInstallTimeout) ? GetTickCount() - marked : 0;
    }

    // The next start: the wizard, which undoes the killed run before its first
    // page and says so; its agreement page is then declined. Answers the
    // message it showed, if any.
    std::wstring nextStart() {
        auto process = ui::Process::start(medium_ + L"\\install.exe", L"", medium_);
        EXPECT_TRUE(process.has_value());
        std::wstring said;
        std::optional<ui::Window> agreement;
        ui::waitUntil(
            [&] {
                for (const auto& box : ui::MessageBoxWindow::list()) {
                    const std::wstring text = box.text();
                    EXPECT_NE(text.find(L"interrupted installation"), std::wstring::npos)
                        << "an unexpected message: " << utf8FromWide(text);
                    said = text;
                    (void)box.press(IDOK);
                }
                agreement = ui::Window::find({kAgreementTitle, false, L"", 0, false}, 0);
                return agreement.has_value() && agreement->control(IDCANCEL).isEnabled();
            },
            kInstallTimeout);
        EXPECT_TRUE(agreement.has_value()) << "no agreement page after the recovery";
        if (agreement) {
            EXPECT_TRUE(agreement->control(IDCANCEL).click());
        }
        EXPECT_TRUE(ui::waitUntil([] { return ui::listProcesses(L"install.exe").empty(); },
                                  kInstallTimeout))
            << "the installer did not end";
        return said;
    }

    // One kill point of a run that left its journal: killed, then the next
    // start, then the machine against `before`. Answers whether the point
    // counts. A kill that came after the run's commit, while its journal was
    // being deleted, is rolled forward instead, and the next start says the
    // run had finished: then the machine must hold what a whole run leaves
    // (`finished`, where it is known) and nothing of the run's own, and
    // the point is not counted.
    bool checkPoint(const std::string& what, const std::map<std::wstring, std::wstring>& before,
                    const std::map<std::wstring, std::wstring>& finished = {}) {
        const std::wstring said = nextStart();
        const auto now = picture();
        if (said.find(L"had finished") != std::wstring::npos) {
            // What is there, by name: a shortcut's bytes differ from run to run.
            const auto names = [](const std::map<std::wstring, std::wstring>& picture) {
                std::vector<std::wstring> keys;
                for (const auto& entry : picture) {
                    keys.push_back(entry.first);
                }
                return keys;
            };
            EXPECT_TRUE(finished.empty() || names(now) == names(finished))
                << what << ":" << changes(finished, now);
            EXPECT_FALSE(e2e::fileExists(target_ + L"\\install.journal")) << what;
            EXPECT_FALSE(e2e::registryString(HKEY_CURRENT_USER, kMarkKey).has_value()) << what;
            for (const auto& entry : now) {
                EXPECT_EQ(entry.first.find(L".ckvold"), std::wstring::npos)
                    << what << ": left " << utf8FromWide(entry.first);
            }
            std::printf("kill point %-34s the run had committed: rolled forward, not counted\n",
                        what.c_str());
            return false;
        }
        const bool asBefore = now == before;
        EXPECT_TRUE(asBefore) << what << ":" << changes(before, now);
        std::printf("kill point %-34s %s; %s\n", what.c_str(),
                    asBefore ? "machine as before the killed run (files, uninstall.dat, "
                               "uninstall.ini, program group, file type, Uninstall entry)"
                             : "not as before",
                    said.empty() ? "nothing to undo was said" : "the undo was reported");
        return asBefore;
    }

    const std::wstring target_;
};

// Seeded kill times, as shares of a whole run's time.
std::vector<double> seededShares(unsigned seed, int count) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> share(0.02, 0.98);
    std::vector<double> shares;
    for (int i = 0; i < count; ++i) {
        shares.push_back(share(random));
    }
    return shares;
}

TEST_F(KillScenario, KilledInstallsAreUndoneAtTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(packVersion(kVersionOne));
    // How long a whole run takes from its mark to its end; then the machine
    // as it was.
    const auto nothing = picture();
    const DWORD whole = timeSilentInstall();
    ASSERT_GT(whole, 0u);
    const auto installed = picture();
    ASSERT_EQ(uninstallSilently(target_, root_.path()), std::optional<DWORD>(0));
    ASSERT_EQ(picture(), nothing);

    int points = 0;
    const auto firstInstallPoint = [&](const std::string& what, const std::function<bool()>& when,
                                       DWORD delay) {
        const Left left = killSilentInstall(when, delay);
        if (left == Left::Journal) {
            points += checkPoint("first install, " + what, nothing, installed) ? 1 : 0;
        } else if (checkUnjournaledPoint("first install, " + what, nothing) && left == Left::Mark) {
            ++points;
        }
        if (picture() != nothing) {
            // The run had finished: it is removed for the next point.
            (void)uninstallSilently(target_, root_.path());
        }
    };
    firstInstallPoint(
        "uninstall.dat appears", [&] { return e2e::fileExists(target_ + L"\\uninstall.dat"); }, 0);
    firstInstallPoint(
        "Game.exe half written",
        [&] {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            return GetFileAttributesExW((target_ + L"\\Game.exe").c_str(), GetFileExInfoStandard,
                                        &data) != FALSE &&
                   data.nFileSizeLow > 3 * kMiB;
        },
        0);
    firstInstallPoint(
        "last file appears", [&] { return e2e::fileExists(target_ + L"\\videos\\intro.bin"); }, 0);
    firstInstallPoint(
        "program group appears", [&] { return e2e::folderExists(group()); }, 0);
    firstInstallPoint(
        "Uninstall entry appears",
        [&] { return e2e::registryString(HKEY_LOCAL_MACHINE, kUninstallKey).has_value(); }, 0);
    for (double share : seededShares(2027, 10)) {
        firstInstallPoint("at " + std::to_string(static_cast<int>(share * 100)) + " % of a run",
                          nullptr, static_cast<DWORD>(share * whole));
    }

    // A reinstall of another version over the first.
    ASSERT_EQ(installSilently(), std::optional<DWORD>(0));
    ASSERT_TRUE(e2e::writeFileBytes(target_ + L"\\save.dat", {'s', 'a', 'v', 'e'}));
    auto earlier = picture();
    ASSERT_NO_FATAL_FAILURE(packVersion(kVersionTwo));
    // Where the run had ended, the earlier install is made again over it.
    const auto installEarlierAgain = [&] {
        ASSERT_NO_FATAL_FAILURE(packVersion(kVersionOne));
        ASSERT_EQ(installSilently(), std::optional<DWORD>(0));
        ASSERT_TRUE(e2e::writeFileBytes(target_ + L"\\save.dat", {'s', 'a', 'v', 'e'}));
        // A reinstall appends its records and makes its shortcuts anew.
        earlier = picture();
        ASSERT_NO_FATAL_FAILURE(packVersion(kVersionTwo));
    };
    const auto reinstallPoint = [&](const std::string& what, const std::function<bool()>& when,
                                    DWORD delay) {
        const Left left = killSilentInstall(when, delay);
        if (left != Left::Journal) {
            // Killed before it began or after it ended.
            if (checkUnjournaledPoint("reinstall, " + what, earlier)) {
                points += left == Left::Mark ? 1 : 0;
                return;
            }
            installEarlierAgain();
            return;
        }
        if (checkPoint("reinstall, " + what, earlier)) {
            ++points;
        } else if (picture() != earlier) {
            installEarlierAgain();
        }
    };
    const auto setAside = [&] {
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((target_ + L"\\*.ckvold").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return false;
        }
        FindClose(search);
        return true;
    };
    reinstallPoint("first file set aside", setAside, 0);
    reinstallPoint(
        "journal appears", [&] { return e2e::fileExists(target_ + L"\\install.journal"); }, 0);
    reinstallPoint(
        "Game.exe half written",
        [&] {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            return e2e::fileExists(target_ + L"\\Game.exe.ckvold") &&
                   GetFileAttributesExW((target_ + L"\\Game.exe").c_str(), GetFileExInfoStandard,
                                        &data) != FALSE &&
                   data.nFileSizeLow > 3 * kMiB;
        },
        0);
    reinstallPoint(
        "last file set aside",
        [&] { return e2e::fileExists(target_ + L"\\videos\\intro.bin.ckvold"); }, 0);
    reinstallPoint(
        "shortcut set aside",
        [&] { return e2e::fileExists(group() + L"\\Play Install Test.lnk.ckvold"); }, 0);
    for (double share : seededShares(2028, 12)) {
        reinstallPoint("at " + std::to_string(static_cast<int>(share * 100)) + " % of a run",
                       nullptr, static_cast<DWORD>(share * whole));
    }

    // Removals killed on the way: the next uninstall.exe removes the rest.
    for (double share : seededShares(2029, 4)) {
        ASSERT_TRUE(e2e::folderExists(target_));
        auto removal =
            ui::Process::start(target_ + L"\\uninstall.exe", L"/S /DELETEALL", root_.path());
        ASSERT_TRUE(removal.has_value());
        Sleep(static_cast<DWORD>(share * whole / 2));
        killAll(L"uninstall");
        ASSERT_EQ(uninstallSilently(target_, root_.path()), std::optional<DWORD>(0))
            << "killed at " << share;
        const auto left = picture();
        EXPECT_EQ(left, nothing) << changes(nothing, left);
        std::printf(
            "kill point removal at %2d %% of a run: the next uninstall.exe removed the "
            "rest, the game folder is gone\n",
            static_cast<int>(share * 50));
        ++points;
        // The earlier install again, for the next point.
        ASSERT_NO_FATAL_FAILURE(packVersion(kVersionOne));
        ASSERT_EQ(installSilently(), std::optional<DWORD>(0));
        ASSERT_TRUE(e2e::writeFileBytes(target_ + L"\\save.dat", {'s', 'a', 'v', 'e'}));
    }
    EXPECT_GE(points, 30);

    // After all of it an uninstall leaves the game folder gone.
    ASSERT_EQ(uninstallSilently(target_, root_.path()), std::optional<DWORD>(0));
    EXPECT_FALSE(e2e::folderExists(target_));
}

// A reinstall in the wizard, cancelled among its small files, and the undo of that
// cancel killed on its way: the threads are held at the point, then killed.
// Many small files give the undo's walk and its putting back a length in
// which a point can be held.
std::vector<e2e::GameFile> withSmallFiles(const std::vector<e2e::GameFile>& version, size_t size) {
    std::vector<e2e::GameFile> files = version;
    for (int i = 0; i < 300; ++i) {
        files.push_back({L"data\\f" + std::to_wstring(i) + L".txt", size});
    }
    return files;
}

int countFiles(const std::wstring& pattern) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 1;
    while (FindNextFileW(search, &found) != FALSE) {
        ++count;
    }
    FindClose(search);
    return count;
}

TEST_F(KillScenario, KilledUndoOfACancelIsFinishedAtTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(packVersion(withSmallFiles(kVersionOne, 500)));
    ASSERT_EQ(installSilently(), std::optional<DWORD>(0));
    ASSERT_TRUE(e2e::writeFileBytes(target_ + L"\\save.dat", {'s', 'a', 'v', 'e'}));
    const auto earlier = picture();
    ASSERT_NO_FATAL_FAILURE(packVersion(withSmallFiles(kVersionTwo, 501)));

    const auto there = [&](const wchar_t* name) { return e2e::fileExists(target_ + L"\\" + name); };
    const auto journal = [&] { return there(L"install.journal"); };
    const auto smallFiles = [&] { return countFiles(target_ + L"\\data\\*.txt"); };
    const auto smallFilesAside = [&] { return countFiles(target_ + L"\\data\\*.ckvold"); };
    // Cancelled among the small files; `aside` of them had been set aside (the
    // file in flight may add one before the undo begins).
    int aside = 0;
    const struct {
        const char* what;
        std::function<bool()> when;
    } points[] = {
        {"cancel answered", [] { return true; }},
        {"half the new small files removed",
         [&] { return smallFiles() <= 300 - aside / 2 && smallFilesAside() >= aside; }},
        {"the new Game.exe removed", [&] { return !there(L"Game.exe") && journal(); }},
        // The run's uninstall.dat goes before the earlier one, set aside
        // first, is put back last.
        {"the run's uninstall.dat deleted", [&] { return !there(L"uninstall.dat") && journal(); }},
        {"half the small files put back",
         [&] { return smallFilesAside() <= aside / 2 && smallFilesAside() > 0; }},
    };
    int killedInTheUndo = 0;
    for (const auto& point : points) {
        e2e::InstallerDriver wizard(medium_);
        ASSERT_TRUE(wizard.startInstall(target_));
        ASSERT_TRUE(wizard.cancelWhen([&] {
            aside = smallFilesAside();
            return aside >= 100 && aside < 290;
        }));
        {
            const auto held =
                ui::HeldThreads::holdWhen(*wizard.progressPage(), point.when, kInstallTimeout);
            EXPECT_TRUE(held.has_value()) << point.what << ": the undo never got there";
            killAll(L"install");
        }
        const bool journalLeft = journal();
        killedInTheUndo += journalLeft ? 1 : 0;
        std::printf(
            "  undo of a cancel at %d small files set aside, killed at \"%s\": %d small "
            "files, %d set aside, journal %s\n",
            aside, point.what, smallFiles(), smallFilesAside(), journalLeft ? "there" : "gone");
        // A cancelled run never commits, so it is always undone.
        EXPECT_TRUE(checkPoint(std::string("undo of a cancel, ") + point.what, earlier));
    }
    EXPECT_EQ(killedInTheUndo, static_cast<int>(std::size(points)));

    ASSERT_EQ(uninstallSilently(target_, root_.path()), std::optional<DWORD>(0));
    EXPECT_FALSE(e2e::folderExists(target_));
}

}  // namespace
