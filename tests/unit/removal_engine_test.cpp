#include "uninstaller/removal_engine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/formats.h"
#include "common/posix_platform.h"
#include "common/uninstall_record.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Records what the window would show, in order.
class RecordingView : public RemovalView {
public:
    void markStage(int stage) override { events.push_back("mark" + std::to_string(stage)); }
    void setProgressRange(int maximum) override {
        events.push_back("range" + std::to_string(maximum));
    }
    void stepProgress() override {
        ++steps;
        if (events.empty() || events.back() != "step") {
            events.push_back("step");
        }
    }
    std::vector<std::string> events;
    int steps = 0;
};

class RecordingRegistry : public RegistryTrees {
public:
    void deleteTree(const std::wstring& name) override { deleted.push_back(name); }
    std::vector<std::wstring> deleted;
};

// The game lives on drive C: (a folder of the test's own); the record and the
// copies of the uninstaller in T:.
class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder.path() / "C");
        fs::create_directories(folder.path() / "T");
    }

    void addRecord(const std::wstring& text) {
        const auto bytes = encodeUninstallRecord(utf16FromWide(text));
        ASSERT_TRUE(bytes.has_value());
        auto file = platform.open(kRecordFolder + L"\\uninstall.dat", OpenMode::Append, Share::All);
        ASSERT_TRUE(file);
        ASSERT_EQ(file->write(bytes->data(), bytes->size()), bytes->size());
    }
    void makeFile(const std::string& relative) { folder.write(relative, "x"); }
    void makeFolder(const std::string& relative) {
        fs::create_directories(folder.path() / relative);
    }
    bool exists(const std::string& relative) const { return fs::exists(folder.path() / relative); }

    // Entries as the uninstaller holds them after start-up.
    RemovalEngine engine() {
        records = UninstallRecord(platform, prompt).LoadUninstallRecords(kRecordFolder);
        return RemovalEngine(platform, prompt, kRecordFolder, [this](int k) {
            return k <= static_cast<int>(records.size()) ? records[k - 1] : std::wstring();
        });
    }
    void removeRecorded() {
        engine().RemoveRecorded(view, registry, registryKeysToRemove(L"", L""));
    }

    const std::wstring kRecordFolder = L"T:\\";
    TempFolder folder;
    PosixPlatform platform{folder.path()};
    ScriptedPrompt prompt;
    RecordingView view;
    RecordingRegistry registry;
    std::vector<std::wstring> records;
    GuardedFolders guarded{{L"C:\\Windows", L"C:\\Windows\\system32"}, {L"C:\\users"}};
};

TEST_F(RemovalTest, EmptyRecordTouchesNothingButStillRemovesTheFileTypeAndMarksEveryStage) {
    folder.write("T/uninstall.dat", "");
    makeFile("C/Game/game.exe");
    removeRecorded();
    EXPECT_TRUE(exists("C/Game/game.exe"));
    EXPECT_EQ(view.events, (std::vector<std::string>{"mark1", "range0", "mark2", "mark3"}));
    EXPECT_EQ(registry.deleted, (std::vector<std::wstring>{L".kupd", L"KVUpdatePack"}));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(RemovalTest, MissingRecordReportsItsPathAndStillClearsTheRegistry) {
    removeRecorded();
    ASSERT_EQ(prompt.texts().size(), 2u);  // once when loading, once when counting afresh
    EXPECT_EQ(prompt.texts()[1], L"Failed to open T:\\uninstall.dat");
    EXPECT_EQ(view.events, (std::vector<std::string>{"mark1", "range0", "mark2", "mark3"}));
    EXPECT_EQ(registry.deleted.size(), 2u);
}

TEST_F(RemovalTest, EntriesGoNewestFirstSoFoldersEmptyBeforeTheyAreRemoved) {
    makeFolder("C/Game/data/maps");
    makeFile("C/Game/data/maps/one.map");
    makeFile("C/Game/game.exe");
    addRecord(L"FOLDER:C:\\Game");
    addRecord(L"FILE:C:\\Game\\game.exe");
    addRecord(L"FOLDER:C:\\Game\\data");
    addRecord(L"FOLDER:C:\\Game\\data\\maps");
    addRecord(L"FILE:C:\\Game\\data\\maps\\one.map");
    removeRecorded();
    EXPECT_FALSE(exists("C/Game"));
    EXPECT_EQ(view.events, (std::vector<std::string>{"mark1", "range5", "step", "mark2", "mark3"}));
    EXPECT_EQ(view.steps, 5);
}

TEST_F(RemovalTest, OnlyExactTypeWordsActButEveryEntryAdvancesTheBar) {
    makeFile("C/Game/lower.txt");
    makeFile("C/Game/other.txt");
    makeFile("C/Game/plain.txt");
    addRecord(L"FOLDER:C:\\Game");
    addRecord(L"file:C:\\Game\\lower.txt");
    addRecord(L"DELETE:C:\\Game\\other.txt");
    addRecord(L"C:\\Game\\plain.txt");
    addRecord(L"");
    removeRecorded();
    EXPECT_TRUE(exists("C/Game/lower.txt"));
    EXPECT_TRUE(exists("C/Game/other.txt"));
    EXPECT_TRUE(exists("C/Game/plain.txt"));
    EXPECT_EQ(view.steps, 5);
}

TEST_F(RemovalTest, KeyValueEntriesReadLikeTheEntryAlone) {
    makeFile("C/Game/a.txt");
    makeFolder("C/Game/empty");
    addRecord(L"file1=FILE:C:\\Game\\a.txt");
    addRecord(L"x=FOLDER:C:\\Game\\empty");
    removeRecorded();
    EXPECT_FALSE(exists("C/Game/a.txt"));
    EXPECT_FALSE(exists("C/Game/empty"));
}

TEST_F(RemovalTest, RecordedFolderHoldingASavedGameStaysWithTheSave) {
    makeFile("C/Game/game.exe");
    makeFile("C/Game/saves/slot1.sav");
    addRecord(L"FOLDER:C:\\Game");
    addRecord(L"FILE:C:\\Game\\game.exe");
    addRecord(L"FOLDER:C:\\Game\\saves");
    removeRecorded();
    EXPECT_FALSE(exists("C/Game/game.exe"));
    EXPECT_TRUE(exists("C/Game/saves/slot1.sav"));
}

TEST_F(RemovalTest, CountIsTakenAfreshAndLostEntriesComeFromTheSource) {
    addRecord(L"FILE:C:\\a");
    auto removal = engine();
    // The record grew after start-up: the extra entry is asked of the source
    // (the profile fallback in the program), which here knows nothing.
    addRecord(L"FILE:C:\\b");
    makeFile("C/a");
    makeFile("C/b");
    removal.RemoveRecorded(view, registry, {});
    EXPECT_FALSE(exists("C/a"));
    EXPECT_TRUE(exists("C/b"));
    EXPECT_EQ(view.steps, 2);
}

TEST_F(RemovalTest, ProgressRangeIsSixteenBitsAndStopsAtTheTop) {
    EXPECT_EQ(progressRangeFor(0), 0);
    EXPECT_EQ(progressRangeFor(65535), 65535);
    // A wrapping range would be 0 here, a full bar from the first step.
    EXPECT_EQ(progressRangeFor(65536), 65535);
    EXPECT_EQ(progressRangeFor(-1), 0);
}

TEST_F(RemovalTest, DeleteAllRemovesTheGameFolderWithTheSavedGame) {
    makeFile("C/Game/game.exe");
    makeFile("C/Game/saves/slot1.sav");
    makeFile("C/Game/saves/deep/er/x.bin");
    makeFile("C/Other/keep.txt");
    addRecord(L"FOLDER:C:\\Game");
    addRecord(L"FILE:C:\\Game\\game.exe");
    auto removal = engine();
    removal.RemoveRecorded(view, registry, {});
    EXPECT_TRUE(removal.DeleteAllUnder(guarded));
    EXPECT_FALSE(exists("C/Game"));
    EXPECT_TRUE(exists("C/Other/keep.txt"));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(RemovalTest, DeleteAllWithAFirstFileEntryDeletesNothingMore) {
    makeFile("C/Game/game.exe");
    makeFile("C/Game/saves/slot1.sav");
    addRecord(L"FILE:C:\\Game");
    addRecord(L"FILE:C:\\Game\\game.exe");
    EXPECT_FALSE(engine().DeleteAllUnder(guarded));
    EXPECT_TRUE(exists("C/Game/game.exe"));
    EXPECT_TRUE(exists("C/Game/saves/slot1.sav"));
}

TEST_F(RemovalTest, DeleteAllWithoutRecordsOrWithAnOddFirstWordDeletesNothing) {
    makeFile("C/Game/game.exe");
    EXPECT_FALSE(engine().DeleteAllUnder(guarded));
    addRecord(L"DRIVE:C:\\Game");
    EXPECT_FALSE(engine().DeleteAllUnder(guarded));
    EXPECT_TRUE(exists("C/Game/game.exe"));
}

TEST_F(RemovalTest, DeleteAllOfADriveRootRemovesOnlyTheRecordedEntriesAndSaysWhy) {
    makeFile("C/game.exe");
    makeFile("C/unrelated/letter.txt");
    makeFile("C/top.txt");
    addRecord(L"FOLDER:C:");
    addRecord(L"FILE:C:\\game.exe");
    auto removal = engine();
    removal.RemoveRecorded(view, registry, {});
    EXPECT_FALSE(removal.DeleteAllUnder(guarded));
    EXPECT_FALSE(exists("C/game.exe"));
    EXPECT_TRUE(exists("C/unrelated/letter.txt"));
    EXPECT_TRUE(exists("C/top.txt"));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, refusedDeleteAllMessage(L"C:"));
    EXPECT_EQ(prompt.shown[0].icon, MessageIcon::Warning);
}

TEST_F(RemovalTest, DeleteFolderContentsKeepsTheFolderItself) {
    makeFile("C/Game/a/b/c.txt");
    makeFile("C/Game/d.txt");
    engine().DeleteFolderContents(L"C:\\Game\\");
    EXPECT_TRUE(exists("C/Game"));
    EXPECT_TRUE(fs::is_empty(folder.path() / "C/Game"));
}

TEST(RegistryKeysTest, HandedNamesJoinTheFixedOnesOnce) {
    EXPECT_EQ(registryKeysToRemove(L"", L""),
              (std::vector<std::wstring>{L".kupd", L"KVUpdatePack"}));
    EXPECT_EQ(registryKeysToRemove(L"vpk", L"VarnholtPack"),
              (std::vector<std::wstring>{L".kupd", L"KVUpdatePack", L".vpk", L"VarnholtPack"}));
    // Key names match in any letter case.
    EXPECT_EQ(registryKeysToRemove(L"KUPD", L"kvupdatepack"),
              (std::vector<std::wstring>{L".kupd", L"KVUpdatePack"}));
}

TEST(RegistryKeysTest, NamesThatReachBeyondOneKeyAreNotUsed) {
    // An empty type name would open HKEY_CLASSES_ROOT itself and wipe it.
    EXPECT_EQ(registryKeysToRemove(L"", L""),
              (std::vector<std::wstring>{L".kupd", L"KVUpdatePack"}));
    EXPECT_EQ(registryKeysToRemove(L"x\\..", L"CLSID\\{0}"),
              (std::vector<std::wstring>{L".kupd", L"KVUpdatePack"}));
}

TEST(GuardedFoldersTest, DriveAndShareRootsAndUnplaceablePathsAreGuarded) {
    const GuardedFolders none({}, {});
    for (const wchar_t* path :
         {L"D:", L"D:\\", L"d:/", L"C:\\Game\\..", L"C:\\.\\", L"\\\\server\\share",
          L"\\\\server\\share\\", L"\\\\?\\C:\\Game", L"Game", L"C:Game", L"\\Game", L"",
          L"C:\\...", L"C:\\Game\\ ..\\..\\."}) {
        EXPECT_TRUE(none.guards(path)) << utf8FromWide(path);
    }
    for (const wchar_t* path : {L"D:\\Game", L"\\\\server\\share\\Game", L"C:\\Games\\Varnholt"}) {
        EXPECT_FALSE(none.guards(path)) << utf8FromWide(path);
    }
}

TEST(GuardedFoldersTest, SystemAndUserFoldersAndWhatHoldsThemAreGuarded) {
    const GuardedFolders guarded(
        {L"C:\\WINDOWS", L"C:\\WINDOWS\\system32", L"C:\\users\\ann\\Desktop",
         L"C:\\users\\ann\\Start Menu\\Programs"},
        {L"C:\\users"});
    for (const wchar_t* path :
         {L"c:\\windows", L"C:\\Windows\\", L"C:\\Windows\\System32", L"C:\\windows.",
          L"C:\\Games\\..\\Windows", L"C:\\users", L"C:\\Users\\Bob", L"C:\\users\\ann\\",
          L"C:\\users\\ann\\desktop", L"C:\\users\\ann\\Start Menu",
          L"C:\\users\\ann\\Start Menu\\Programs"}) {
        EXPECT_TRUE(guarded.guards(path)) << utf8FromWide(path);
    }
    // Folders inside them hold one game only.
    for (const wchar_t* path :
         {L"C:\\Windows\\Temp\\Game", L"C:\\users\\ann\\Start Menu\\Programs\\Game",
          L"C:\\users\\ann\\Games\\Varnholt", L"D:\\users\\ann", L"C:\\Windows2"}) {
        EXPECT_FALSE(guarded.guards(path)) << utf8FromWide(path);
    }
}

TEST(GuardedFoldersTest, ComponentsFollowWindowsNameRules) {
    EXPECT_EQ(folderComponents(L"C:\\A\\.\\b\\..\\C. \\"),
              (std::vector<std::wstring>{L"c:", L"a", L"c"}));
    EXPECT_EQ(folderComponents(L"\\\\Srv\\Share\\x"),
              (std::vector<std::wstring>{L"\\\\srv\\share", L"x"}));
    EXPECT_TRUE(folderComponents(L"relative\\path").empty());
}

}  // namespace
