#include "installer/engine/shortcuts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/posix_platform.h"
#include "common/registered_type.h"
#include "installer/engine/file_type_registration.h"
#include "tests/support/memory_registry.h"

namespace {

const std::wstring kTarget = L"C:\\Games\\Varnholt";

ShortcutSpec at(const std::wstring& pos) {
    return {L"Varnholt", L"game.exe", pos, L""};
}

TEST(ShortcutPlacementTest, DesktopInAnyLetterCase) {
    EXPECT_TRUE(isDesktopShortcut(at(L"%DESKTOP%")));
    EXPECT_TRUE(isDesktopShortcut(at(L"%desktop%")));
    EXPECT_TRUE(isDesktopShortcut(at(L"%DeskTop%")));
}

TEST(ShortcutPlacementTest, EverythingElseGoesIntoTheProgramGroup) {
    EXPECT_FALSE(isDesktopShortcut(at(L"")));
    EXPECT_FALSE(isDesktopShortcut(at(L"DESKTOP")));
    EXPECT_FALSE(isDesktopShortcut(at(L"%DESKTOP% ")));
    EXPECT_FALSE(isDesktopShortcut(at(L" %DESKTOP%")));
    EXPECT_FALSE(isDesktopShortcut(at(L"%DESKTOP")));
    EXPECT_FALSE(isDesktopShortcut(at(L"%PROGRAMS%")));
    // Only ASCII letters are folded: no Unicode look-alike of "I" passes.
    EXPECT_FALSE(isDesktopShortcut(at(L"%DESKTOP\u0131%")));
    EXPECT_FALSE(isDesktopShortcut(at(L"%DESKT\u00d6P%")));
}

TEST(ShortcutPathsTest, BareFileName) {
    EXPECT_EQ(shortcutTarget(kTarget, L"game.exe"), L"C:\\Games\\Varnholt\\game.exe");
    EXPECT_EQ(shortcutWorkingFolder(kTarget, L"game.exe"), L"C:\\Games\\Varnholt\\");
}

TEST(ShortcutPathsTest, WorkingFolderIsTheFirstFolderLevelOnly) {
    EXPECT_EQ(shortcutTarget(kTarget, L"bin\\game.exe"), L"C:\\Games\\Varnholt\\bin\\game.exe");
    EXPECT_EQ(shortcutWorkingFolder(kTarget, L"bin\\game.exe"), L"C:\\Games\\Varnholt\\bin");

    EXPECT_EQ(shortcutTarget(kTarget, L"bin\\x86\\game.exe"),
              L"C:\\Games\\Varnholt\\bin\\x86\\game.exe");
    EXPECT_EQ(shortcutWorkingFolder(kTarget, L"bin\\x86\\game.exe"), L"C:\\Games\\Varnholt\\bin");

    // A link that starts with a separator has an empty first level.
    EXPECT_EQ(shortcutWorkingFolder(kTarget, L"\\game.exe"), L"C:\\Games\\Varnholt\\");
    EXPECT_EQ(shortcutWorkingFolder(kTarget, L""), L"C:\\Games\\Varnholt\\");
}

TEST(ShortcutPathsTest, FilesOfTheShortcutsAndTheWebLink) {
    EXPECT_EQ(programGroupFolder(L"C:\\Start Menu\\Programs", L"Varnholt Studio"),
              L"C:\\Start Menu\\Programs\\Varnholt Studio");
    EXPECT_EQ(shortcutFilePath(L"C:\\Start Menu\\Programs\\Varnholt Studio", L"Play Varnholt"),
              L"C:\\Start Menu\\Programs\\Varnholt Studio\\Play Varnholt.lnk");
    EXPECT_EQ(internetShortcutPath(L"C:\\Desktop", L"Varnholt"), L"C:\\Desktop\\Varnholt.url");
    EXPECT_EQ(gameProgramPath(kTarget, L"bin\\game.exe"), L"C:\\Games\\Varnholt\\bin\\game.exe");
}

InstallConfig fileTypeConfig() {
    InstallConfig config;
    config.product = L"Varnholt";
    config.programFile = L"game.exe";
    config.regFileExtName = L"kupd";
    config.regKeyName = L"KVUpdatePack";
    return config;
}

TEST(UpdatePackRegistryTest, KeysAndValuesInCreationOrder) {
    const std::vector<RegistryEntry> expected = {
        {L".kupd", L"KVUpdatePack"},
        {L"KVUpdatePack", L"Varnholt"},
        {L"KVUpdatePack\\DefaultIcon", L"C:\\Games\\Varnholt\\game.exe,0"},
        {L"KVUpdatePack\\shell", std::nullopt},
        {L"KVUpdatePack\\shell\\open", std::nullopt},
        {L"KVUpdatePack\\shell\\open\\command",
         L"C:\\Games\\Varnholt\\game.exe \"/localupdate:%1\""},
    };
    EXPECT_EQ(updatePackRegistryEntries(fileTypeConfig(), kTarget), expected);
}

TEST(UpdatePackRegistryTest, ProgramPathWithABlankIsQuotedInTheCommandOnly) {
    const auto entries = updatePackRegistryEntries(fileTypeConfig(), L"C:\\Program Files\\KV");
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[2].value, L"C:\\Program Files\\KV\\game.exe,0");
    EXPECT_EQ(entries[5].value, L"\"C:\\Program Files\\KV\\game.exe\" \"/localupdate:%1\"");
}

TEST(UpdatePackRegistryTest, EmptyNamesNeverReachTheRootOfTheClasses) {
    InstallConfig config = fileTypeConfig();
    config.regKeyName.clear();
    EXPECT_TRUE(updatePackRegistryEntries(config, kTarget).empty());

    config = fileTypeConfig();
    config.regFileExtName.clear();
    const auto entries = updatePackRegistryEntries(config, kTarget);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_TRUE(std::none_of(entries.begin(), entries.end(),
                             [](const RegistryEntry& e) { return e.key.front() == L'.'; }));
    EXPECT_EQ(entries.front(), (RegistryEntry{L"KVUpdatePack", L"Varnholt"}));
}

// What happens to an extension key that exists before the registration.
TEST(UpdatePackRegistryTest, AnotherProgramsExtensionIsTakenOverOnlyWhenItCanBeGivenBack) {
    InstallConfig config;
    config.regFileExtName = L"zip";
    config.regKeyName = L"Var.Pack";
    struct Case {
        const char* name;
        std::optional<std::wstring> before;  // the key's default value; "-" for no key
        bool mayTakeOver;
        std::optional<std::wstring> after;
        bool handedOver;
        std::optional<std::wstring> handedValue;
    };
    const std::wstring tooLong(kMaxHandedValue + 1, L'x');
    const std::vector<Case> cases = {
        {"no key", L"-", true, L"Var.Pack", false, std::nullopt},
        {"our own from an earlier install", L"Var.Pack", true, L"Var.Pack", false, std::nullopt},
        {"another program's", L"CompressedFolder", true, L"Var.Pack", true, L"CompressedFolder"},
        {"another program's without a value", std::nullopt, true, L"Var.Pack", true, std::nullopt},
        {"another program's after a failed install", L"CompressedFolder", false,
         L"CompressedFolder", false, std::nullopt},
        {"a value no profile line can carry", L"two\r\nlines", true, L"two\r\nlines", false,
         std::nullopt},
        {"a value too long to carry", tooLong, true, tooLong, false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryRegistry registry;
        if (c.before != L"-") {
            registry.createKey(RegistryRoot::ClassesRoot, L".zip");
            if (c.before) {
                registry.setStringValue(RegistryRoot::ClassesRoot, L".zip", L"", *c.before);
            }
        }
        const auto handover = RegisterUpdatePackType(registry, config, L"C:\\Var", c.mayTakeOver);
        EXPECT_EQ(handover.has_value(), c.handedOver);
        if (handover) {
            EXPECT_EQ(handover->previousValue, c.handedValue);
        }
        EXPECT_EQ(registry.stringValue(RegistryRoot::ClassesRoot, L".zip", L""), c.after);
        // The class's own keys are written in every case.
        EXPECT_EQ(registry.stringValue(RegistryRoot::ClassesRoot, L"Var.Pack\\DefaultIcon", L""),
                  L"C:\\Var\\,0");
    }
}

TEST(ShortcutTextTest, FitsUpToTheLastByteOfTheBuffer) {
    PosixPlatform platform;
    ShellLinkText buffer;
    buffer.fill('x');
    const std::string path = "C:\\Games\\Varnholt\\game.exe";
    ASSERT_TRUE(toShellLinkText(platform, L"C:\\Games\\Varnholt\\game.exe", buffer));
    EXPECT_EQ(std::string(buffer.data()), path);
    // Zero-filled: nothing of an earlier text is left behind the new one.
    EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(path.size()), buffer.end(),
                            [](char c) { return c == 0; }));

    const std::wstring longest(kShellLinkTextBytes - 1, L'a');
    ASSERT_TRUE(toShellLinkText(platform, longest, buffer));
    EXPECT_EQ(std::string(buffer.data()), std::string(kShellLinkTextBytes - 1, 'a'));
    EXPECT_EQ(buffer.back(), '\0');

    ASSERT_TRUE(toShellLinkText(platform, L"", buffer));
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == 0; }));
}

TEST(ShortcutTextTest, TooLongIsRefusedNotCut) {
    PosixPlatform platform;
    ShellLinkText buffer;
    EXPECT_FALSE(toShellLinkText(platform, std::wstring(kShellLinkTextBytes, L'a'), buffer));
    EXPECT_FALSE(toShellLinkText(platform, std::wstring(5000, L'a'), buffer));
}

TEST(ShortcutTextTest, ConvertsToTheAnsiCodePage) {
    PosixPlatform platform;
    ShellLinkText buffer;
    ASSERT_TRUE(toShellLinkText(platform, L"Caf\u00e9 \u20ac", buffer));
    EXPECT_EQ(std::string(buffer.data()), "Caf\xe9 \x80");
}

}  // namespace
