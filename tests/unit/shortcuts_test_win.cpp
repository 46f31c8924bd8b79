// Shortcut files, the program group, the desktop links and the update-pack
// file type, written through the real shell-link object, profile calls and
// registry, and read back through other interfaces than those that wrote them.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/handles_win.h"
#include "common/win/win32_platform_win.h"
#include "common/win/win32_registry_win.h"
#include "installer/engine/file_type_registration.h"
#include "installer/engine/shortcuts.h"
#include "installer/engine/shortcuts_win.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

struct Recorded {
    bool isFolder;
    std::wstring path;

    bool operator==(const Recorded& other) const {
        return isFolder == other.isFolder && path == other.path;
    }
};

void PrintTo(const Recorded& entry, std::ostream* out) {
    *out << (entry.isFolder ? "FOLDER:" : "FILE:") << utf8FromWide(entry.path);
}

// Stands in for the uninstall record.
class Recorder {
public:
    RecordFunction function() {
        return [this](bool isFolder, const std::wstring& path) {
            entries.push_back({isFolder, path});
            return true;
        };
    }
    std::vector<Recorded> entries;
};

struct LinkContents {
    std::wstring target;
    std::wstring workingFolder;
    std::wstring description;
    std::wstring arguments;
};

// Loads a shortcut file through the wide interface.
std::optional<LinkContents> readShellLink(const std::wstring& file) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.put())))) {
        return std::nullopt;
    }
    ComPtr<IPersistFile> persist;
    if (FAILED(link.queryInterface(IID_IPersistFile, persist)) ||
        FAILED(persist->Load(file.c_str(), STGM_READ))) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(4096);
    const int size = static_cast<int>(buffer.size());
    LinkContents contents;
    auto take = [&](HRESULT result, std::wstring& out) {
        if (SUCCEEDED(result)) {
            out = buffer.data();
        }
        buffer.assign(buffer.size(), L'\0');
    };
    take(link->GetPath(buffer.data(), size, nullptr, SLGP_RAWPATH), contents.target);
    take(link->GetWorkingDirectory(buffer.data(), size), contents.workingFolder);
    take(link->GetDescription(buffer.data(), size), contents.description);
    take(link->GetArguments(buffer.data(), size), contents.arguments);
    return contents;
}

bool isEmptyFolder(const TempFolder& folder) {
    return std::filesystem::is_empty(folder.path());
}

// A game folder with its programs in place, as after the unpack.
class ShortcutTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        game.write("game.exe", "MZ");
        game.write("bin/game.exe", "MZ");
        game.write("bin/x86/game.exe", "MZ");
        game.write("tools/editor.exe", "MZ");
    }

    ComScope com;
    Win32Platform platform;
    TempFolder game;
};

using ShortcutFileTest = ShortcutTestBase;

TEST_F(ShortcutFileTest, EveryFieldReadsBack) {
    TempFolder links;
    ASSERT_TRUE(CreateShellLink(platform, L"Play Varnholt", L"bin\\x86\\game.exe", game.wide(),
                                links.wide(), L"-window \"-profile=a b\""));
    const auto contents = readShellLink(links.wide("Play Varnholt.lnk"));
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(contents->target, game.wide() + L"\\bin\\x86\\game.exe");
    EXPECT_EQ(contents->workingFolder, game.wide() + L"\\bin");
    EXPECT_EQ(contents->description, L"Play Varnholt");
    EXPECT_EQ(contents->arguments, L"-window \"-profile=a b\"");
}

TEST_F(ShortcutFileTest, BareFileNameStartsInTheGameFolder) {
    TempFolder links;
    ASSERT_TRUE(
        CreateShellLink(platform, L"Varnholt", L"game.exe", game.wide(), links.wide(), L""));
    const auto contents = readShellLink(links.wide("Varnholt.lnk"));
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(contents->target, game.wide() + L"\\game.exe");
    // The stored folder carries the trailing backslash; the shell may drop it.
    const std::wstring folder = game.wide();
    EXPECT_TRUE(contents->workingFolder == folder + L"\\" || contents->workingFolder == folder)
        << utf8FromWide(contents->workingFolder);
    EXPECT_EQ(contents->arguments, L"");
}

TEST_F(ShortcutFileTest, TextTooLongInAnsiIsRefusedAndNoFileIsWritten) {
    TempFolder links;
    const std::wstring tooLong(kShellLinkTextBytes, L'a');
    EXPECT_FALSE(
        CreateShellLink(platform, L"Varnholt", L"game.exe", game.wide(), links.wide(), tooLong));
    EXPECT_FALSE(CreateShellLink(platform, L"Varnholt", tooLong, game.wide(), links.wide(), L""));
    EXPECT_TRUE(isEmptyFolder(links));

    // One byte less fits, and nothing of it is cut.
    const std::wstring longest(kShellLinkTextBytes - 1, L'a');
    ASSERT_TRUE(
        CreateShellLink(platform, L"Varnholt", L"game.exe", game.wide(), links.wide(), longest));
    const auto contents = readShellLink(links.wide("Varnholt.lnk"));
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(contents->arguments, longest);
}

TEST_F(ShortcutFileTest, MissingFolderFails) {
    TempFolder links;
    EXPECT_FALSE(CreateShellLink(platform, L"Varnholt", L"game.exe", game.wide(),
                                 links.wide("not made"), L""));
    EXPECT_TRUE(isEmptyFolder(links));
}

InstallConfig shortcutConfig() {
    InstallConfig config;
    config.texts.assign(kTextCount, L"");
    config.texts[12] = L"Cannot create the program group %s.";
    config.texts[13] = L"Cannot write the shortcut %s!";
    config.programGroup = L"Varnholt Studio";
    config.product = L"Varnholt";
    config.url = L"https://example.com/varnholt?from=desktop";
    config.shortcuts = {
        {L"Play Varnholt", L"bin\\game.exe", L"", L"-window"},
        {L"Varnholt", L"game.exe", L"%desktop%", L""},
        {L"Editor", L"tools\\editor.exe", L"programs", L"-new"},
        {L"Varnholt Editor", L"tools\\editor.exe", L"%DESKTOP%", L""},
    };
    return config;
}

using ProgramGroupTest = ShortcutTestBase;

TEST_F(ProgramGroupTest, GroupThenEachGroupShortcutInOrder) {
    TempFolder programs;
    ScriptedPrompt prompt;
    Recorder recorder;
    CreateProgramGroup(platform, prompt, shortcutConfig(), game.wide(), programs.wide(),
                       recorder.function());

    const std::wstring group = programs.wide("Varnholt Studio");
    const std::vector<Recorded> expected = {
        {true, group},
        {false, group + L"\\Play Varnholt.lnk"},
        {false, group + L"\\Editor.lnk"},
    };
    EXPECT_EQ(recorder.entries, expected);
    EXPECT_TRUE(prompt.shown.empty());

    const auto play = readShellLink(group + L"\\Play Varnholt.lnk");
    ASSERT_TRUE(play.has_value());
    EXPECT_EQ(play->target, game.wide() + L"\\bin\\game.exe");
    EXPECT_EQ(play->arguments, L"-window");
    const auto editor = readShellLink(group + L"\\Editor.lnk");
    ASSERT_TRUE(editor.has_value());
    EXPECT_EQ(editor->workingFolder, game.wide() + L"\\tools");
    // Desktop shortcuts, in either letter case, stay out of the group.
    EXPECT_FALSE(std::filesystem::exists(programs.path() / "Varnholt Studio" / "Varnholt.lnk"));
    EXPECT_FALSE(
        std::filesystem::exists(programs.path() / "Varnholt Studio" / "Varnholt Editor.lnk"));
}

TEST_F(ProgramGroupTest, NestedGroupIsCreatedButOnlyItselfRecorded) {
    TempFolder programs;
    ScriptedPrompt prompt;
    Recorder recorder;
    InstallConfig config = shortcutConfig();
    config.programGroup = L"Studio\\Varnholt";
    config.shortcuts.clear();
    CreateProgramGroup(platform, prompt, config, game.wide(), programs.wide(), recorder.function());
    EXPECT_TRUE(std::filesystem::is_directory(programs.path() / "Studio" / "Varnholt"));
    EXPECT_EQ(recorder.entries, (std::vector<Recorded>{{true, programs.wide("Studio\\Varnholt")}}));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(ProgramGroupTest, FailuresAreShownAndEverythingIsStillRecorded) {
    // A file where the Programs folder should be: neither the group nor its
    // shortcuts can be made.
    TempFolder root;
    root.write("Programs", "not a folder");
    const std::wstring programs = root.wide("Programs");
    ScriptedPrompt prompt;
    Recorder recorder;
    CreateProgramGroup(platform, prompt, shortcutConfig(), game.wide(), programs,
                       recorder.function());

    const std::wstring group = programs + L"\\Varnholt Studio";
    const std::vector<Recorded> expected = {
        {true, group},
        {false, group + L"\\Play Varnholt.lnk"},
        {false, group + L"\\Editor.lnk"},
    };
    EXPECT_EQ(recorder.entries, expected);
    const std::vector<std::wstring> messages = {
        L"Cannot create the program group Varnholt Studio.",
        L"Cannot write the shortcut Play Varnholt!",
        L"Cannot write the shortcut Editor!",
    };
    EXPECT_EQ(prompt.texts(), messages);
    for (const auto& shown : prompt.shown) {
        EXPECT_FALSE(shown.question);
    }
}

TEST_F(ProgramGroupTest, OneRefusedShortcutDoesNotStopTheNext) {
    TempFolder programs;
    ScriptedPrompt prompt;
    Recorder recorder;
    InstallConfig config = shortcutConfig();
    config.shortcuts[0].params = std::wstring(kShellLinkTextBytes, L'x');
    // A configured text is filled, never interpreted as a format.
    config.texts[13] = L"%d%n Cannot write %s (100%)";
    CreateProgramGroup(platform, prompt, config, game.wide(), programs.wide(), recorder.function());
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::wstring>{L"%d%n Cannot write Play Varnholt (100%)"}));
    ASSERT_EQ(recorder.entries.size(), 3u);
    EXPECT_EQ(recorder.entries[1].path, programs.wide("Varnholt Studio\\Play Varnholt.lnk"));
    EXPECT_FALSE(
        std::filesystem::exists(programs.path() / "Varnholt Studio" / "Play Varnholt.lnk"));
    EXPECT_TRUE(std::filesystem::exists(programs.path() / "Varnholt Studio" / "Editor.lnk"));
}

TEST_F(ProgramGroupTest, NoShortcutsStillMakesAndRecordsTheGroup) {
    TempFolder programs;
    ScriptedPrompt prompt;
    Recorder recorder;
    InstallConfig config = shortcutConfig();
    config.shortcuts.clear();
    CreateProgramGroup(platform, prompt, config, game.wide(), programs.wide(), recorder.function());
    EXPECT_TRUE(std::filesystem::is_directory(programs.path() / "Varnholt Studio"));
    EXPECT_EQ(recorder.entries, (std::vector<Recorded>{{true, programs.wide("Varnholt Studio")}}));
}

std::wstring profileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[1024] = {};
    GetPrivateProfileStringW(section, key, L"<missing>", buffer, 1024, file.c_str());
    return buffer;
}

using DesktopShortcutsTest = ShortcutTestBase;

TEST_F(DesktopShortcutsTest, DesktopShortcutsThenTheWebLink) {
    TempFolder desktop;
    Recorder recorder;
    const InstallConfig config = shortcutConfig();
    CreateDesktopShortcuts(platform, config, game.wide(), desktop.wide(), recorder.function());

    const std::vector<Recorded> expected = {
        {false, desktop.wide("Varnholt.lnk")},
        {false, desktop.wide("Varnholt Editor.lnk")},
        {false, desktop.wide("Varnholt.url")},
    };
    EXPECT_EQ(recorder.entries, expected);
    const auto placed = readShellLink(desktop.wide("Varnholt.lnk"));
    ASSERT_TRUE(placed.has_value());
    EXPECT_EQ(placed->target, game.wide() + L"\\game.exe");
    EXPECT_TRUE(std::filesystem::exists(desktop.path() / "Varnholt Editor.lnk"));
    EXPECT_FALSE(std::filesystem::exists(desktop.path() / "Play Varnholt.lnk"));
    EXPECT_FALSE(std::filesystem::exists(desktop.path() / "Editor.lnk"));
    EXPECT_EQ(profileValue(desktop.wide("Varnholt.url"), L"InternetShortcut", L"URL"), config.url);
}

TEST_F(DesktopShortcutsTest, EmptyAddressIsWrittenAsAnEmptyValue) {
    TempFolder desktop;
    Recorder recorder;
    InstallConfig config = shortcutConfig();
    config.url.clear();
    config.shortcuts.clear();
    CreateDesktopShortcuts(platform, config, game.wide(), desktop.wide(), recorder.function());
    EXPECT_EQ(recorder.entries, (std::vector<Recorded>{{false, desktop.wide("Varnholt.url")}}));
    EXPECT_EQ(profileValue(desktop.wide("Varnholt.url"), L"InternetShortcut", L"URL"), L"");
}

TEST_F(DesktopShortcutsTest, UnwrittenShortcutIsRecordedWithoutAMessage) {
    TempFolder desktop;
    Recorder recorder;
    InstallConfig config = shortcutConfig();
    config.shortcuts[1].params = std::wstring(kShellLinkTextBytes, L'x');
    CreateDesktopShortcuts(platform, config, game.wide(), desktop.wide(), recorder.function());
    ASSERT_EQ(recorder.entries.size(), 3u);
    EXPECT_EQ(recorder.entries[0], (Recorded{false, desktop.wide("Varnholt.lnk")}));
    EXPECT_FALSE(std::filesystem::exists(desktop.path() / "Varnholt.lnk"));
    EXPECT_TRUE(std::filesystem::exists(desktop.path() / "Varnholt Editor.lnk"));
}

TEST(DesktopFolderTest, IsAnExistingFolder) {
    const auto desktop = DesktopFolder();
    ASSERT_TRUE(desktop.has_value());
    const DWORD attributes = GetFileAttributesW(desktop->c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << utf8FromWide(*desktop);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The default value of a key below HKEY_CLASSES_ROOT; nothing when the key is
// missing, kNoValue when it has no default value.
const std::wstring kNoValue = L"<no value>";

std::optional<std::wstring> classesDefault(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const RegKey owner(opened);
    DWORD type = 0;
    std::vector<wchar_t> buffer(2048);
    DWORD bytes = static_cast<DWORD>(buffer.size() - 1) * DWORD{sizeof(wchar_t)};
    if (RegQueryValueExW(owner.get(), nullptr, nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS) {
        return kNoValue;
    }
    if (type != REG_SZ) {
        return L"<type " + std::to_wstring(type) + L">";
    }
    return std::wstring(buffer.data());
}

void setClassesDefault(const std::wstring& key, const std::wstring& value) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const RegKey owner(created);
    ASSERT_EQ(RegSetValueExW(owner.get(), nullptr, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// Names of its own for every test, so that runs never see each other's keys.
class UpdatePackTypeTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        const std::wstring unique = std::to_wstring(random()) + std::to_wstring(random());
        config.product = L"Varnholt";
        config.programFile = L"game.exe";
        config.regFileExtName = L"ckvtest" + unique;
        config.regKeyName = L"CkvTestUpdatePack" + unique;
    }
    void TearDown() override {
        const std::wstring& name = config.regKeyName;
        for (const std::wstring& key :
             {name + L"\\shell\\open\\command", name + L"\\shell\\open", name + L"\\shell",
              name + L"\\DefaultIcon", name, L"." + config.regFileExtName}) {
            RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
        }
    }

    std::wstring extensionKey() const { return L"." + config.regFileExtName; }

    InstallConfig config;
    Win32Registry registry;
    const std::wstring target = L"C:\\Games\\Varnholt";
};

TEST_F(UpdatePackTypeTest, EveryKeyWithItsValue) {
    EXPECT_FALSE(RegisterUpdatePackType(registry, config, target, true));
    const std::wstring& name = config.regKeyName;
    EXPECT_EQ(classesDefault(extensionKey()), name);
    EXPECT_EQ(classesDefault(name), L"Varnholt");
    EXPECT_EQ(classesDefault(name + L"\\DefaultIcon"), L"C:\\Games\\Varnholt\\game.exe,0");
    EXPECT_EQ(classesDefault(name + L"\\shell"), kNoValue);
    EXPECT_EQ(classesDefault(name + L"\\shell\\open"), kNoValue);
    EXPECT_EQ(classesDefault(name + L"\\shell\\open\\command"),
              L"C:\\Games\\Varnholt\\game.exe \"/localupdate:%1\"");
}

TEST_F(UpdatePackTypeTest, ExistingValuesAreOverwritten) {
    const std::wstring& name = config.regKeyName;
    setClassesDefault(extensionKey(), L"SomeOtherType");
    setClassesDefault(name + L"\\shell\\open\\command", L"C:\\Old\\game.exe \"/localupdate:%1\"");
    const auto handover =
        RegisterUpdatePackType(registry, config, L"D:\\Program Files\\Varnholt", true);
    // The other program's association is taken over and its value handed on.
    ASSERT_TRUE(handover);
    EXPECT_EQ(handover->previousValue, L"SomeOtherType");
    EXPECT_EQ(classesDefault(extensionKey()), name);
    EXPECT_EQ(classesDefault(name + L"\\DefaultIcon"), L"D:\\Program Files\\Varnholt\\game.exe,0");
    EXPECT_EQ(classesDefault(name + L"\\shell\\open\\command"),
              L"\"D:\\Program Files\\Varnholt\\game.exe\" \"/localupdate:%1\"");
}

TEST_F(UpdatePackTypeTest, EmptyClassNameWritesNothing) {
    const auto rootBefore = classesDefault(L"");
    InstallConfig nameless = config;
    nameless.regKeyName.clear();
    RegisterUpdatePackType(registry, nameless, target, true);
    EXPECT_FALSE(classesDefault(extensionKey()).has_value());
    EXPECT_EQ(classesDefault(L""), rootBefore);
}

}  // namespace
