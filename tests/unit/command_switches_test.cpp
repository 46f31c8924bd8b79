#include "common/command_switches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"

namespace {

struct Case {
    const wchar_t* line;
    SwitchSet set;
    bool silent;
    std::optional<std::wstring> target;
    std::optional<std::wstring> log;
    std::vector<std::wstring> arguments;
    std::vector<std::wstring> unknown;
};

TEST(CommandSwitchesTest, ReadsSwitchesAndTheArgumentsBesideThem) {
    const SwitchSet kInstall = SwitchSet::Installer;
    const SwitchSet kUninstall = SwitchSet::Uninstaller;
    const std::vector<Case> cases = {
        // The second run's medium folder, as it always came.
        {L"C:\\Media\\Disc,One", kInstall, false, {}, {}, {L"C:\\Media\\Disc,One"}, {}},
        {L"\\\\server\\share\\disc", kInstall, false, {}, {}, {L"\\\\server\\share\\disc"}, {}},
        {L"", kInstall, false, {}, {}, {}, {}},
        // Blanks in an unquoted value run up to the next switch.
        {L"/S /D=C:\\Games\\Silent Test /LOG=C:\\logs\\install log.txt",
         kInstall,
         true,
         L"C:\\Games\\Silent Test",
         L"C:\\logs\\install log.txt",
         {},
         {}},
        {L"/s \"/D=C:\\Games\\Silent Test\"",
         kInstall,
         true,
         L"C:\\Games\\Silent Test",
         {},
         {},
         {}},
        {L"/S /D=\"C:\\Games\\Silent  Test\" C:\\Media",
         kInstall,
         true,
         L"C:\\Games\\Silent  Test",
         {},
         {L"C:\\Media"},
         {}},
        {L"C:\\Media /S /d=D:\\X", kInstall, true, L"D:\\X", {}, {L"C:\\Media"}, {}},
        {L"/D=", kInstall, false, L"", {}, {}, {}},
        // Unknown switches, and those of the other program.
        {L"/S /QUIET /DELETEALL /D", kInstall, true, {}, {}, {}, {L"/QUIET", L"/DELETEALL", L"/D"}},
        {L"uninstall \"C:\\My Games\\X\" /S /DELETEALL /LOG=x.log",
         kUninstall,
         true,
         {},
         L"x.log",
         {L"uninstall", L"C:\\My Games\\X"},
         {}},
        {L"/S /D=C:\\X /VERIFY /RUN",
         kUninstall,
         true,
         {},
         {},
         {},
         {L"/D=C:\\X", L"/VERIFY", L"/RUN"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf8FromWide(c.line));
        const CommandSwitches parsed = parseCommandSwitches(c.line, c.set);
        EXPECT_EQ(parsed.silent, c.silent);
        EXPECT_EQ(parsed.targetFolder, c.target);
        EXPECT_EQ(parsed.logPath, c.log);
        EXPECT_EQ(parsed.arguments, c.arguments);
        EXPECT_EQ(parsed.unknown, c.unknown);
    }
}

TEST(CommandSwitchesTest, TheFirstRunHandsTheSameSwitchesOn) {
    const CommandSwitches given = parseCommandSwitches(
        L"/S /D=C:\\Games\\Silent Test /LOG=C:\\a b.log /VERIFY /RUN", SwitchSet::Installer);
    const std::wstring handed = switchesCommandLine(given);
    EXPECT_EQ(handed, L"/S /D=\"C:\\Games\\Silent Test\" /LOG=\"C:\\a b.log\" /VERIFY /RUN");
    const CommandSwitches again =
        parseCommandSwitches(L"C:\\Media " + handed, SwitchSet::Installer);
    EXPECT_EQ(again.targetFolder, given.targetFolder);
    EXPECT_EQ(again.logPath, given.logPath);
    EXPECT_TRUE(again.silent && again.verify && again.run);
    EXPECT_EQ(again.arguments, std::vector<std::wstring>{L"C:\\Media"});
    EXPECT_FALSE(parseCommandSwitches(L"C:\\Media", SwitchSet::Installer).any());
}

TEST(CommandSwitchesTest, TheProgramsOwnNameIsSkipped) {
    EXPECT_EQ(commandLineAfterProgram(L"\"C:\\Program Files\\G\\install.exe\" /S"), L" /S");
    EXPECT_EQ(commandLineAfterProgram(L"install.exe C:\\Media"), L" C:\\Media");
    EXPECT_EQ(commandLineAfterProgram(L"install.exe"), L"");
}

}  // namespace
