#include "installer/engine/install_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/uninstall_record.h"
#include "tests/support/fault_platform.h"
#include "tests/support/install_fixture.h"
#include "tests/support/memory_registry.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class InstallEngineTest : public ::testing::Test {
protected:
    InstallEngineTest() { fs::create_directories(root.path() / "C" / "Games"); }

    void pack(const std::string& version, const std::u16string& extraName = u"") {
        packTestGame(root, version, extraName);
    }

    // One run of the installer's engine into kTarget; answers whether it
    // installed, after committing or undoing as the installer does.
    bool run(Platform& system, int cancelAtChunk = -1) {
        CZipFilePackage reader(system, prompt);
        if (!reader.Open(L"M:")) {
            return false;
        }
        FakeUninstaller uninstaller(system);
        InstallEngine engine(system, prompt, registry, L"Test", reader, uninstaller, kTarget);
        CancellingObserver observer;
        observer.engine = &engine;
        observer.cancelAtChunk = cancelAtChunk;
        const bool installed = engine.install(observer);
        if (installed) {
            engine.commit();
        } else {
            std::atomic<bool> stop{false};
            engine.undo(stop, [this](int position) { positions.push_back(position); });
        }
        return installed;
    }
    bool run(int cancelAtChunk = -1) { return run(platform, cancelAtChunk); }

    Snapshot snapshot() const { return snapshotOf(root, "C"); }
    std::vector<std::wstring> records() {
        return UninstallRecord(platform, prompt).LoadUninstallRecords(kTarget);
    }

    const std::wstring kTarget = L"C:\\Games\\Test";
    TempFolder root;
    PosixPlatform platform{root.path()};
    ScriptedPrompt prompt;
    MemoryRegistry registry;
    std::vector<int> positions;
};

TEST_F(InstallEngineTest, RecordsEverythingInOrderAndItsUndoLeavesNothing) {
    pack("v1");
    ASSERT_TRUE(run());
    EXPECT_EQ(records(),
              (std::vector<std::wstring>{
                  L"FOLDER:C:\\Games\\Test", L"FILE:C:\\Games\\Test\\uninstall.ini",
                  L"FILE:C:\\Games\\Test\\uninstall.exe", L"FILE:C:\\Games\\Test\\uninstall.dat",
                  L"FOLDER:C:\\Games\\Test\\data", L"FILE:C:\\Games\\Test\\data\\a.bin",
                  L"FILE:C:\\Games\\Test\\b.txt", L"FOLDER:C:\\Games\\Test\\empty"}));
    EXPECT_EQ(root.read("C/Games/Test/data/a.bin"), "v1 a, first halfv1 a, second half");

    fs::remove_all(root.path() / "C" / "Games" / "Test");
    ASSERT_FALSE(run(1));
    // The parent on the way stays; the target folder made by the run goes.
    EXPECT_EQ(snapshot(), (Snapshot{{"C/Games", "<folder>"}}));
    // 6 records of 4 package entries: the bar starts full and falls to 0.
    EXPECT_EQ(positions.front(), 100);
    EXPECT_EQ(positions.back(), 0);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(InstallEngineTest, CancelledReinstallPutsTheEarlierInstallBackByteForByte) {
    pack("v1");
    ASSERT_TRUE(run());
    root.write("C/Games/Test/save.dat", "a player's saved game");
    const Snapshot before = snapshot();

    // Cancelled at each of its chunks, the second run leaves the first as it was.
    pack("v2");
    for (int chunk = 1; chunk <= 3; ++chunk) {
        SCOPED_TRACE(chunk);
        ASSERT_FALSE(run(chunk));
        EXPECT_EQ(snapshot(), before);
    }
}

TEST_F(InstallEngineTest, FinishedReinstallAppendsAndKeepsNothingAside) {
    pack("v1");
    ASSERT_TRUE(run());
    const std::vector<std::wstring> first = records();
    pack("v2");
    ASSERT_TRUE(run());
    const std::vector<std::wstring> both = records();
    ASSERT_EQ(both.size(), 2 * first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), both.begin()));
    EXPECT_EQ(root.read("C/Games/Test/b.txt"), "v2 b");
    for (const auto& [name, bytes] : snapshot()) {
        EXPECT_EQ(name.find(".ckvold"), std::string::npos) << name;
    }
}

TEST_F(InstallEngineTest, AFileThatCannotBeReplacedStopsTheRunAndStaysAsItWas) {
    const fs::path file = root.path() / "C/Games/Test/b.txt";
    struct Case {
        const char* name;
        std::function<bool()> prepare;  // false: not on this platform
        std::wstring message;
    };
    // The read-only file comes last: it would stop the next case's clean-up
    // on Windows.
    const std::vector<Case> cases = {
        // What a link points to is not the game's.
        {"a link",
         [&] {
             root.write("C/Letters/dear.txt", "a letter");
             fs::remove(file);
             std::error_code error;
             fs::create_symlink(root.path() / "C/Letters/dear.txt", file, error);
             return !error;
         },
         L"C:\\Games\\Test\\b.txt is a link and is not replaced."},
        {"read-only",
         [&] {
             fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
             return true;
         },
         L"C:\\Games\\Test\\b.txt is read-only and is not replaced."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root.path() / "C");
        fs::create_directories(root.path() / "C/Games");
        prompt.shown.clear();
        pack("v1");
        ASSERT_TRUE(run());
        if (!c.prepare()) {
            continue;  // MinGW's library makes no links
        }
        const Snapshot before = snapshot();
        pack("v2");
        ASSERT_FALSE(run());
        EXPECT_EQ(snapshot(), before);
        ASSERT_FALSE(prompt.texts().empty());
        EXPECT_EQ(prompt.texts().front(), c.message);
    }
}

TEST_F(InstallEngineTest, AReinstallStoppedBeforeItsRecordPutsTheEarlierRecordBack) {
    pack("v1");
    ASSERT_TRUE(run());
    // The first file a reinstall replaces, before it records uninstall.dat.
    fs::permissions(root.path() / "C/Games/Test/uninstall.ini", fs::perms::owner_write,
                    fs::perm_options::remove);
    const Snapshot before = snapshot();
    pack("v2");
    ASSERT_FALSE(run());
    EXPECT_EQ(snapshot(), before);
    ASSERT_FALSE(prompt.texts().empty());
    EXPECT_EQ(prompt.texts().front(),
              L"C:\\Games\\Test\\uninstall.ini is read-only and is not replaced.");
}

TEST_F(InstallEngineTest, AFileThatCannotBeWrittenIsInUseEvenWhenItCouldBeRenamed) {
    pack("v1");
    ASSERT_TRUE(run());
    const Snapshot before = snapshot();
    pack("v2");
    // As a running program: no open for writing, though a rename would work.
    FaultPlatform system(platform);
    system.openScript[L"C:\\Games\\Test\\b.txt"] = {false};
    ASSERT_FALSE(run(system));
    EXPECT_EQ(snapshot(), before);
    ASSERT_FALSE(prompt.texts().empty());
    EXPECT_EQ(prompt.texts().front(), L"C:\\Games\\Test\\b.txt is in use and is not replaced.");
}

TEST_F(InstallEngineTest, AnEntryNamingTheUninstallRecordStopsTheRun) {
    // (Other spellings of the name, which only Windows takes for the same
    // file, are the end-to-end fault suite's.)
    pack("v1", u"uninstall.dat");
    ASSERT_FALSE(run());
    EXPECT_EQ(snapshot(), (Snapshot{{"C/Games", "<folder>"}}));
    ASSERT_FALSE(prompt.texts().empty());
    EXPECT_EQ(prompt.texts().front(),
              L"C:\\Games\\Test\\uninstall.dat is the uninstall record and is not replaced.");
}

TEST_F(InstallEngineTest, AFileThePackageNamesTwiceIsTheRunsOwnAndItsUndoRemovesIt) {
    pack("v1", u"b.txt");
    // Cancelled at the second b.txt's chunk, the last.
    ASSERT_FALSE(run(4));
    EXPECT_EQ(snapshot(), (Snapshot{{"C/Games", "<folder>"}}));
}

TEST_F(InstallEngineTest, ADiskThatFillsStopsTheRunWithItsMessageAndItsUndoLeavesNothing) {
    pack("v1");
    FaultPlatform faults(platform);
    // Within a.bin's second chunk, written by whichever thread inflated it.
    faults.fullDisk = FaultPlatform::FullDisk{L"a.bin", 20};
    ASSERT_FALSE(run(faults));
    EXPECT_EQ(prompt.texts(),
              std::vector<std::wstring>{L"Failed to write C:\\Games\\Test\\data\\a.bin!"});
    EXPECT_EQ(snapshot(), (Snapshot{{"C/Games", "<folder>"}}));
}

TEST_F(InstallEngineTest, ARecordThatDoesNotFitStopsBeforeItsFileIsCreated) {
    const std::u16string longName(245, u'n');
    pack("v1", longName);
    ASSERT_FALSE(run());
    EXPECT_EQ(snapshot(), (Snapshot{{"C/Games", "<folder>"}}));
    ASSERT_FALSE(prompt.texts().empty());
    EXPECT_EQ(prompt.texts().front().rfind(L"The path is too long to be recorded for removal: ", 0),
              0U);
}

TEST_F(InstallEngineTest, ARecordThatCannotBeWrittenStopsBeforeItsFolderIsCreated) {
    pack("v1");
    FaultPlatform faults(platform);
    // The target folder and the uninstaller's three files are recorded; the
    // record of the first package entry cannot be.
    faults.openScript[L"C:\\Games\\Test\\uninstall.dat"] = {true, true, true, true, false};
    ASSERT_FALSE(run(faults));
    EXPECT_FALSE(fs::exists(root.path() / "C/Games/Test/data"));
    ASSERT_FALSE(prompt.texts().empty());
    EXPECT_EQ(prompt.texts().front(),
              L"Failed to write the uninstall record for C:\\Games\\Test\\data!");
    EXPECT_EQ(snapshot(), (Snapshot{{"C/Games", "<folder>"}}));
}

}  // namespace
