// Installs killed at every change they make, and the next start's recovery:
// after it the machine is as it was before the killed run, whatever the
// moment of the kill, and whether the recovery itself was killed too.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/interrupted_run.h"
#include "installer/engine/install_engine.h"
#include "tests/support/install_fixture.h"
#include "tests/support/kill_switch.h"
#include "tests/support/memory_registry.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class KilledInstallTest : public ::testing::Test {
protected:
    KilledInstallTest() {
        fs::create_directories(root.path() / "C" / "Games");
        // As on every Windows.
        (void)registry.createKey(RegistryRoot::CurrentUser, L"Software");
        (void)registry.createKey(RegistryRoot::LocalMachine, L"Software");
    }

    // One run as the installer makes it, its registry writes included,
    // through a platform and registry that die after `budget` changes; a
    // cancel at `cancelAtChunk` is undone, with the same budget. Answers
    // how the run ended.
    enum class Outcome { Killed, Installed, Undone };
    Outcome run(const std::string& version, long budget, int cancelAtChunk = -1) {
        packTestGame(root, version);
        KillSwitch kill(budget);
        KillSwitchPlatform system(platform, kill);
        KillSwitchRegistry keys(registry, kill);
        CZipFilePackage reader(system, prompt);
        if (!reader.Open(L"M:")) {
            return Outcome::Killed;
        }
        FakeUninstaller uninstaller(system);
        InstallEngine engine(system, prompt, keys, kProduct, reader, uninstaller, kTarget);
        CancellingObserver observer;
        observer.engine = &engine;
        observer.cancelAtChunk = cancelAtChunk;
        const bool installed = engine.install(observer);
        if (kill.dead()) {
            return Outcome::Killed;
        }
        if (installed) {
            Registry& changes = engine.registry();
            const std::wstring command = L"KVUpdatePack\\shell\\open\\command";
            (void)(changes.createKey(RegistryRoot::ClassesRoot, command) &&
                   changes.setStringValue(RegistryRoot::ClassesRoot, command, L"",
                                          L"game.exe " + wideFromUtf8(version)) &&
                   changes.createKey(RegistryRoot::LocalMachine, kEntry) &&
                   changes.setStringValue(RegistryRoot::LocalMachine, kEntry, L"InstallDate",
                                          wideFromUtf8(version)) &&
                   changes.setNumberValue(RegistryRoot::LocalMachine, kEntry, L"EstimatedSize",
                                          static_cast<uint32_t>(version.size())));
            engine.commit();
        } else {
            std::atomic<bool> stop{false};
            engine.undo(stop, [](int) {});
        }
        if (kill.dead()) {
            return Outcome::Killed;
        }
        return installed ? Outcome::Installed : Outcome::Undone;
    }

    // The next start: recovery through a platform that dies after `budget`
    // changes.
    void recover(long budget = LONG_MAX) {
        KillSwitch kill(budget);
        KillSwitchPlatform system(platform, kill);
        KillSwitchRegistry keys(registry, kill);
        recoverInterruptedRun(system, prompt, keys, kProduct, [](size_t) {});
    }

    struct Picture {
        Snapshot files;
        MemoryRegistry::Contents keys;
        bool operator==(const Picture& other) const {
            return files == other.files && keys == other.keys;
        }
    };
    Picture picture() { return {snapshotOf(root, "C"), registry.contents()}; }
    // What differs from `before`, for the failure's message.
    std::string changesFrom(const Picture& before) {
        const Picture now = picture();
        std::string text;
        for (const auto& [path, what] : now.files) {
            auto was = before.files.find(path);
            if (was == before.files.end() || was->second != what) {
                text += " +" + path + " (" + what + ")";
            }
        }
        for (const auto& [path, what] : before.files) {
            if (now.files.count(path) == 0) {
                text += " -" + path;
            }
        }
        for (const auto& [key, values] : now.keys) {
            auto was = before.keys.find(key);
            if (was == before.keys.end() || was->second != values) {
                text += " +key " + utf8FromWide(key.second);
            }
        }
        for (const auto& [key, values] : before.keys) {
            if (now.keys.count(key) == 0) {
                text += " -key " + utf8FromWide(key.second);
            }
        }
        return text;
    }

    // The machine as it stands, to be put back before each kill.
    void save() {
        fs::remove_all(saved.path() / "C");
        fs::copy(root.path() / "C", saved.path() / "C", fs::copy_options::recursive);
        savedKeys = registry.contents();
    }
    void restore() {
        fs::remove_all(root.path() / "C");
        fs::copy(saved.path() / "C", root.path() / "C", fs::copy_options::recursive);
        registry.restore(savedKeys);
    }

    // Kills a run of `version` at each of its changes in turn, each time on
    // the machine as it is now; after each, the next start (itself killed at
    // `recoveryBudget` changes, then run again) must leave the machine as it
    // was, or, where the kill came after the run had finished, as the run
    // left it. Answers the number of kill points.
    long killEveryChange(const std::string& version, long recoveryBudget = LONG_MAX,
                         int cancelAtChunk = -1) {
        save();
        const Picture before = picture();
        const Outcome end = run(version, LONG_MAX, cancelAtChunk);
        const Picture finished = picture();
        EXPECT_EQ(end == Outcome::Undone, finished == before);
        long budget = 0;
        for (;; ++budget) {
            SCOPED_TRACE("killed after " + std::to_string(budget) + " changes");
            restore();
            if (run(version, budget, cancelAtChunk) != Outcome::Killed) {
                break;
            }
            const auto journal = readRunJournal(platform, kTarget);
            // Killed after its Commit entry, or with its journal gone and all
            // it made in place, a run had finished: the next start keeps it.
            const bool ended = journal ? journal->committed : picture().files == finished.files;
            const Picture& expected = ended ? finished : before;
            if (recoveryBudget != LONG_MAX) {
                recover(recoveryBudget);
            }
            recover();
            EXPECT_TRUE(picture() == expected) << changesFrom(expected);
            EXPECT_FALSE(InterruptedRuns(registry).find(kProduct));
            // Replayed once more from the same journal, the undo changes nothing.
            if (journal) {
                std::atomic<bool> stop{false};
                RunUndo(platform, prompt, registry, kTarget, *journal, MissingRecord::Silent)
                    .run(stop, [](size_t) {});
                EXPECT_TRUE(picture() == expected) << "replayed:" << changesFrom(expected);
            }
            if (HasFailure()) {
                break;
            }
        }
        return budget;
    }

    const std::wstring kTarget = L"C:\\Games\\Test";
    const std::wstring kProduct = L"Test Game";
    const std::wstring kEntry = L"Software\\Uninstall\\Test Game";
    TempFolder root;
    TempFolder saved;
    MemoryRegistry::Contents savedKeys;
    PosixPlatform platform{root.path()};
    MemoryRegistry registry;
    ScriptedPrompt prompt;
};

TEST_F(KilledInstallTest, AKilledFirstInstallLeavesNothingAtAll) {
    const long points = killEveryChange("v1");
    EXPECT_GT(points, 20);
    // The run that was not killed installed the game and left no trace of
    // its journal.
    EXPECT_EQ(root.read("C/Games/Test/b.txt"), "v1 b");
    EXPECT_FALSE(fs::exists(root.path() / "C/Games/Test/install.journal"));
    EXPECT_FALSE(InterruptedRuns(registry).find(kProduct));
}

TEST_F(KilledInstallTest, AKilledReinstallPutsTheEarlierInstallBackByteForByte) {
    ASSERT_EQ(run("v1", LONG_MAX), Outcome::Installed);
    root.write("C/Games/Test/save.dat", "a player's saved game");
    const long points = killEveryChange("v2");
    EXPECT_GT(points, 30);
    EXPECT_EQ(root.read("C/Games/Test/data/a.bin"), "v2 a, first halfv2 a, second half");
    EXPECT_EQ(root.read("C/Games/Test/save.dat"), "a player's saved game");
    for (const auto& entry : fs::recursive_directory_iterator(root.path() / "C")) {
        EXPECT_EQ(entry.path().string().find(".ckvold"), std::string::npos) << entry.path();
    }
}

TEST_F(KilledInstallTest, AKilledRecoveryIsFinishedByTheStartAfterIt) {
    ASSERT_EQ(run("v1", LONG_MAX), Outcome::Installed);
    for (long recoveryBudget : {0L, 1L, 2L, 3L, 5L, 8L}) {
        SCOPED_TRACE("recovery killed after " + std::to_string(recoveryBudget));
        killEveryChange("v2", recoveryBudget);
    }
}

TEST_F(KilledInstallTest, AKilledUndoOfACancelIsFinishedByTheNextStart) {
    ASSERT_EQ(run("v1", LONG_MAX), Outcome::Installed);
    const Picture before = picture();
    // Cancelled at its second chunk, the run is undone; killed on the way
    // there or during that undo, the next start finishes the undo.
    const long points = killEveryChange("v2", LONG_MAX, 2);
    EXPECT_GT(points, 20);
    EXPECT_TRUE(picture() == before);
}

}  // namespace
