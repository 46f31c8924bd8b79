#include "uninstaller/engine/removal_engine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/formats.h"
#include "common/posix_platform.h"
#include "common/uninstall_record.h"
#include "common/forwarding_platform.h"
#include "tests/support/kill_switch.h"
#include "tests/support/memory_registry.h"
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

// The game lives on drive C: (a folder of the test's own); the record and the
// copies of the uninstaller in T:.
class RemovalTest : public ::testing::Test {
protected:
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
    void removeRecorded() { engine().RemoveRecorded(view, registry, RegisteredType{}); }
    bool fileTypeKeysLeft() {
        return registry.keyExists(RegistryRoot::ClassesRoot, L".kupd") ||
               registry.keyExists(RegistryRoot::ClassesRoot, L"KVUpdatePack");
    }
    void SetUp() override {
        fs::create_directories(folder.path() / "C");
        fs::create_directories(folder.path() / "T");
        registry.createKey(RegistryRoot::ClassesRoot, L".kupd");
        registry.createKey(RegistryRoot::ClassesRoot, L"KVUpdatePack\\shell\\open\\command");
    }

    const std::wstring kRecordFolder = L"T:\\";
    TempFolder folder;
    PosixPlatform platform{folder.path()};
    ScriptedPrompt prompt;
    RecordingView view;
    MemoryRegistry registry;
    std::vector<std::wstring> records;
    GuardedFolders guarded{{L"C:\\Windows", L"C:\\Windows\\system32"}, {L"C:\\users"}};
};

TEST_F(RemovalTest, EmptyRecordTouchesNothingButStillRemovesTheFileTypeAndMarksEveryStage) {
    folder.write("T/uninstall.dat", "");
    makeFile("C/Game/game.exe");
    removeRecorded();
    EXPECT_TRUE(exists("C/Game/game.exe"));
    EXPECT_EQ(view.events, (std::vector<std::string>{"mark1", "range0", "mark2", "mark3"}));
    EXPECT_FALSE(fileTypeKeysLeft());
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(RemovalTest, MissingRecordReportsItsPathAndStillClearsTheRegistry) {
    removeRecorded();
    ASSERT_EQ(prompt.texts().size(), 2u);  // once when loading, once when counting afresh
    EXPECT_EQ(prompt.texts()[1], L"Failed to open T:\\uninstall.dat");
    EXPECT_EQ(view.events, (std::vector<std::string>{"mark1", "range0", "mark2", "mark3"}));
    EXPECT_FALSE(fileTypeKeysLeft());
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

// A removal with delete-all killed after each of its changes: while anything
// of the game is left, so are uninstall.exe and its record, and the next
// removal takes the rest.
TEST_F(RemovalTest, AKilledRemovalLeavesTheUninstallerWhileAnythingElseIsLeft) {
    const std::vector<std::string> own = {"C/Game/uninstall.exe", "C/Game/uninstall.ini",
                                          "C/Game/uninstall.dat"};
    addRecord(L"FOLDER:C:\\Game");
    for (const wchar_t* name : {L"uninstall.exe", L"uninstall.ini", L"uninstall.dat"}) {
        addRecord(std::wstring(L"FILE:C:\\Game\\") + name);
    }
    addRecord(L"FILE:C:\\Game\\game.exe");
    records = UninstallRecord(platform, prompt).LoadUninstallRecords(kRecordFolder);
    const auto entry = [this](int k) {
        return k <= static_cast<int>(records.size()) ? records[k - 1] : std::wstring();
    };
    for (long budget = 0;; ++budget) {
        SCOPED_TRACE("killed after " + std::to_string(budget) + " changes");
        for (const std::string& path : own) {
            makeFile(path);
        }
        makeFile("C/Game/game.exe");
        makeFile("C/Game/saves/slot1.sav");
        KillSwitch kill(budget);
        KillSwitchPlatform killed(platform, kill);
        RemovalEngine removal(killed, prompt, kRecordFolder, entry);
        removal.RemoveRecorded(view, registry, {});
        removal.DeleteAllUnder(guarded);
        removal.RemoveOwnFiles();
        if (!kill.dead()) {
            EXPECT_FALSE(exists("C/Game"));
            break;
        }
        const bool gameLeft = exists("C/Game/game.exe") || exists("C/Game/saves");
        if (gameLeft) {
            EXPECT_TRUE(exists(own[0]) && exists(own[2]));
        }
        if (exists(own[0])) {
            RemovalEngine next(platform, prompt, kRecordFolder, entry);
            next.RemoveRecorded(view, registry, {});
            EXPECT_TRUE(next.DeleteAllUnder(guarded));
            next.RemoveOwnFiles();
            EXPECT_FALSE(exists("C/Game"));
        }
        fs::remove_all(folder.path() / "C/Game");
    }
}

TEST_F(RemovalTest, DeleteFolderContentsKeepsTheFolderItself) {
    makeFile("C/Game/a/b/c.txt");
    makeFile("C/Game/d.txt");
    engine().DeleteFolderContents(L"C:\\Game\\");
    EXPECT_TRUE(exists("C/Game"));
    EXPECT_TRUE(fs::is_empty(folder.path() / "C/Game"));
}

// False where the library makes no links (MinGW's): the Windows build meets
// them in the end-to-end scenario instead.
bool makeLink(const fs::path& target, const fs::path& link, bool toFolder) {
    std::error_code error;
    if (toFolder) {
        fs::create_directory_symlink(target, link, error);
    } else {
        fs::create_symlink(target, link, error);
    }
    return !error;
}
constexpr char kNoLinks[] = "no links on this platform";

TEST_F(RemovalTest, LinksInTheGameFolderGoWithoutWhatTheyPointTo) {
    makeFile("C/Game/game.exe");
    makeFile("C/Elsewhere/letter.txt");
    makeFile("C/Elsewhere/file.txt");
    const fs::path game = folder.path() / "C/Game";
    if (!makeLink(folder.path() / "C/Elsewhere", game / "folder-link", true) ||
        !makeLink(folder.path() / "C/Elsewhere/file.txt", game / "file-link", false) ||
        !makeLink(folder.path() / "C/Nowhere", game / "dangling", false)) {
        GTEST_SKIP() << kNoLinks;
    }
    addRecord(L"FOLDER:C:\\Game");
    EXPECT_TRUE(engine().DeleteAllUnder(guarded));
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder.path() / "C/Game")));
    EXPECT_EQ(folder.read("C/Elsewhere/letter.txt"), "x");
    EXPECT_EQ(folder.read("C/Elsewhere/file.txt"), "x");
}

TEST_F(RemovalTest, AGameFolderThatIsItselfALinkIsNotEmptied) {
    makeFile("C/Elsewhere/letter.txt");
    if (!makeLink(folder.path() / "C/Elsewhere", folder.path() / "C/Game", true)) {
        GTEST_SKIP() << kNoLinks;
    }
    addRecord(L"FOLDER:C:\\Game");
    EXPECT_FALSE(engine().DeleteAllUnder(guarded));
    EXPECT_TRUE(exists("C/Elsewhere/letter.txt"));
    ASSERT_EQ(prompt.texts().size(), 1u);
    EXPECT_NE(prompt.texts()[0].find(L"link"), std::wstring::npos);
}

// Windows' spellings of one folder: real paths come from the platform.
class ShortNamePlatform : public ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;
    std::wstring realPath(const std::wstring& path) override {
        std::wstring real = path;
        for (const auto& [shortName, longName] :
             {std::pair<std::wstring, std::wstring>{L"C:\\PROGRA~1", L"C:\\Program Files"},
              {L"C:\\PROGRA~2", L"C:\\Program Files (x86)"}}) {
            if (real.compare(0, shortName.size(), shortName) == 0) {
                real = longName + real.substr(shortName.size());
            }
        }
        return real;
    }
};

TEST_F(RemovalTest, DeleteAllRefusesEverySpellingOfAGuardedFolder) {
    ShortNamePlatform spelling(platform);
    const GuardedFolders programs(spelling, {L"C:\\PROGRA~1", L"C:\\Program Files (x86)"}, {});
    makeFile("C/Program Files/Other/keep.exe");
    makeFile("C/Program Files (x86)/Other/keep.exe");
    for (const wchar_t* first :
         {L"FOLDER:C:\\PROGRA~1", L"FOLDER:C:\\Program Files", L"FOLDER:c:/program files/",
          L"FOLDER:C:\\Program Files.", L"FOLDER:C:\\Program Files .\\",
          L"FOLDER:C:\\Games\\..\\Program Files", L"FOLDER:C:\\Program Files\\.",
          L"FOLDER:C:\\PROGRA~2", L"FOLDER:C:\\PROGRA~2\\Other\\..", L"FOLDER:C:\\"}) {
        SCOPED_TRACE(utf8FromWide(first));
        fs::remove(folder.path() / "T/uninstall.dat");
        addRecord(first);
        records = UninstallRecord(spelling, prompt).LoadUninstallRecords(kRecordFolder);
        RemovalEngine removal(spelling, prompt, kRecordFolder,
                              [this](int k) { return records.at(static_cast<size_t>(k) - 1); });
        EXPECT_FALSE(removal.DeleteAllUnder(programs));
        EXPECT_TRUE(exists("C/Program Files/Other/keep.exe"));
        EXPECT_TRUE(exists("C/Program Files (x86)/Other/keep.exe"));
    }
    // A game below one is only that game.
    makeFile("C/Program Files/Game/game.exe");
    fs::remove(folder.path() / "T/uninstall.dat");
    addRecord(L"FOLDER:C:\\PROGRA~1\\Game");
    records = UninstallRecord(spelling, prompt).LoadUninstallRecords(kRecordFolder);
    RemovalEngine removal(spelling, prompt, kRecordFolder,
                          [this](int k) { return records.at(static_cast<size_t>(k) - 1); });
    EXPECT_TRUE(removal.DeleteAllUnder(programs));
    EXPECT_FALSE(exists("C/Program Files/Game"));
    EXPECT_TRUE(exists("C/Program Files/Other/keep.exe"));
}

// Registry states before and after taking back what the installer handed
// over. Keys are below HKEY_CLASSES_ROOT unless a row says otherwise.
struct HandoverCase {
    const char* name;
    RegisteredType handed;
    // (key, default value or nullptr for none) before the removal
    std::vector<std::pair<const wchar_t*, const wchar_t*>> before;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> after;
};

void fill(MemoryRegistry& registry,
          const std::vector<std::pair<const wchar_t*, const wchar_t*>>& keys) {
    for (const auto& [key, value] : keys) {
        std::wstring path = key;
        RegistryRoot root = RegistryRoot::ClassesRoot;
        if (path.rfind(L"HKCU\\", 0) == 0) {
            root = RegistryRoot::CurrentUser;
            path.erase(0, 5);
        }
        registry.createKey(root, path);
        if (value != nullptr) {
            const std::wstring text = value;
            const size_t equals = text.find(L'=');
            registry.setStringValue(root, path,
                                    equals == std::wstring::npos ? L"" : text.substr(0, equals),
                                    text.substr(equals + 1));
        }
    }
}

RegisteredType handed(const wchar_t* extension, const wchar_t* className, bool existed = false,
                      std::optional<std::wstring> previous = std::nullopt) {
    RegisteredType type;
    type.extension = extension;
    type.className = className;
    type.extensionExisted = existed;
    type.previousExtensionValue = std::move(previous);
    return type;
}

TEST(RegisteredTypeRemovalTest, TakesBackOnlyWhatIsStillOurs) {
    const wchar_t* kCommand = L"=\"C:\\Games\\Var\\Var.exe\" \"/localupdate:%1\"";
    RegisteredType uninstallEntry;
    uninstallEntry.uninstallKey = L"Varnholt";
    uninstallEntry.uninstallRoot = RegistryRoot::CurrentUser;
    const std::wstring entryKey = std::wstring(L"HKCU\\") + kUninstallKeyParent + L"\\Varnholt";
    const std::vector<HandoverCase> cases = {
        {"the fixed names always go",
         handed(L"", L""),
         {{L".kupd", L"=Other"}, {L"KVUpdatePack\\shell", nullptr}},
         {}},
        {"a created extension still ours goes",
         handed(L"vhup", L"Var.Pack"),
         {{L".vhup", L"=Var.Pack"}},
         {}},
        {"a created extension re-associated stays",
         handed(L"vhup", L"Var.Pack"),
         {{L".vhup", L"=Editor.File"}},
         {{L".vhup", L"=Editor.File"}}},
        {"a taken-over extension gets its value back and keeps its subkeys",
         handed(L"zip", L"Var.Pack", true, L"CompressedFolder"),
         {{L".zip", L"=Var.Pack"}, {L".zip\\OpenWithProgids", L"CompressedFolder="}},
         {{L".zip", L"=CompressedFolder"}, {L".zip\\OpenWithProgids", L"CompressedFolder="}}},
        {"a taken-over extension without a value loses ours",
         handed(L"zip", L"Var.Pack", true),
         {{L".zip", L"=Var.Pack"}, {L".zip\\ShellNew", nullptr}},
         {{L".zip", nullptr}, {L".zip\\ShellNew", nullptr}}},
        {"a taken-over extension re-associated stays",
         handed(L"zip", L"Var.Pack", true, L"CompressedFolder"),
         {{L".zip", L"=Other.Zip"}},
         {{L".zip", L"=Other.Zip"}}},
        {"a class opening our game goes",
         handed(L"", L"Var.Pack"),
         {{L"Var.Pack", L"=Varnholt"}, {L"Var.Pack\\shell\\open\\command", kCommand}},
         {}},
        {"a class opening a program elsewhere stays",
         handed(L"", L"Var.Pack"),
         {{L"Var.Pack\\shell\\open\\command", L"=C:\\Games\\Varnholt2\\Var.exe %1"}},
         {{L"Var.Pack\\shell\\open\\command", L"=C:\\Games\\Varnholt2\\Var.exe %1"}}},
        {"names that reach beyond one key are not used",
         handed(L"x\\..", L"CLSID\\{0}"),
         {{L"CLSID\\{0}\\shell\\open\\command", kCommand}},
         {{L"CLSID\\{0}\\shell\\open\\command", kCommand}}},
        {"the installed-programs entry of this uninstaller goes",
         uninstallEntry,
         {{entryKey.c_str(), L"UninstallString=\"C:\\Games\\Var\\uninstall.exe\""}},
         {{L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", nullptr}}},
        {"an installed-programs entry of another copy stays",
         uninstallEntry,
         {{entryKey.c_str(), L"UninstallString=\"D:\\Var\\uninstall.exe\""}},
         {{entryKey.c_str(), L"UninstallString=\"D:\\Var\\uninstall.exe\""}}},
    };
    for (const HandoverCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryRegistry registry;
        MemoryRegistry expected;
        fill(registry, c.before);
        fill(expected, c.after);
        removeRegisteredType(registry, c.handed, L"C:\\Games\\Var");
        EXPECT_TRUE(registry == expected);
    }
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
