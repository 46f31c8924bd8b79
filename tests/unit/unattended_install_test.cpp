#include "installer/app/unattended_install.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/md5_digest.h"
#include "common/uninstall_record.h"
#include "tests/support/fault_platform.h"
#include "tests/support/install_fixture.h"
#include "tests/support/memory_registry.h"
#include "tests/support/scripted_prompt.h"

namespace {

namespace fs = std::filesystem;

class RecordingFinish : public FinishingSteps {
public:
    void useTargetFolder(const std::wstring& folder) override { target = folder; }
    void createProgramGroup(InstallEngine& engine) override {
        steps.push_back("group");
        EXPECT_TRUE(engine.record(true, L"P:\\Programs\\Test"));
    }
    void addUninstallEntry(Registry&) override { steps.push_back("entry"); }
    void registerFileType(Registry&) override { steps.push_back("type"); }
    void createDesktopShortcuts(InstallEngine&) override { steps.push_back("desktop"); }
    void startGame() override { steps.push_back("game"); }
    std::vector<std::string> steps;
    std::wstring target;
};

std::string md5Text(const std::string& bytes) {
    Md5Digest digest;
    digest.update(bytes.data(), bytes.size());
    digest.finish();
    return digest.toText();
}

// The log, as lines without their CR LF.
std::vector<std::string> logLines(const TempFolder& root) {
    std::vector<std::string> lines;
    std::string text = root.read("L/install.log");
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0U);
    size_t at = 3;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

bool logHas(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class UnattendedInstallTest : public ::testing::Test {
protected:
    UnattendedInstallTest() {
        fs::create_directories(root.path() / "C");
        fs::create_directories(root.path() / "L");
        packTestGame(root, "v1");
        config.product = L"Test";
        config.texts.resize(kTextCount);
        config.texts[5] = L"Not enough space.";
        config.texts[35] = L"Please type a folder.";
        config.texts[36] = L"Please insert disc %d";
        config.texts[41] = L"Checking package %d";
        config.texts[42] = L"Package %d is damaged!";
        config.texts[43] = L"%s differs. Go on?";
        config.texts[46] = L"The disk is full. Try again?";
        config.packageCheckFlag = false;
    }

    InstallExitCode install(Platform& system, const std::wstring& target, bool verify = false,
                            bool run = false) {
        RunLog log(system, L"L:\\install.log", true);
        LogPrompt prompt(log);
        CZipFilePackage reader(system, prompt);
        if (!reader.Open(L"M:")) {
            return kExitNothingInstalled;
        }
        reader.SetText(CZipFilePackage::kDiskFullQuestion, config.text(46));
        FakeUninstaller uninstaller(system);
        UnattendedInstall unattended(system, prompt, registry, log, reader, config, uninstaller,
                                     finish);
        return unattended.run({L"M:", target, verify, run});
    }
    InstallExitCode install(const std::wstring& target, bool verify = false, bool run = false) {
        return install(platform, target, verify, run);
    }

    TempFolder root;
    PosixPlatform platform{root.path()};
    InstallConfig config;
    MemoryRegistry registry;
    RecordingFinish finish;
};

TEST_F(UnattendedInstallTest, InstallsAndFinishesAsTheFinishPageDoesByDefault) {
    ASSERT_EQ(install(L"C:\\Games\\Silent Test"), kExitInstalled);
    EXPECT_EQ(root.read("C/Games/Silent Test/data/a.bin"), "v1 a, first halfv1 a, second half");
    EXPECT_EQ(finish.steps, (std::vector<std::string>{"group", "entry", "type", "desktop"}));
    EXPECT_EQ(finish.target, L"C:\\Games\\Silent Test");
    const auto lines = logLines(root);
    EXPECT_TRUE(logHas(lines, "Target folder: C:\\Games\\Silent Test"));
    EXPECT_TRUE(logHas(lines, "File: a.bin"));
    EXPECT_EQ(lines.back(), "Result: installed (exit code 0)");
    // The program group was recorded after the unpack, through the engine.
    ScriptedPrompt quiet;
    const auto records =
        UninstallRecord(platform, quiet).LoadUninstallRecords(L"C:\\Games\\Silent Test");
    EXPECT_EQ(records.back(), L"FOLDER:P:\\Programs\\Test");
}

TEST_F(UnattendedInstallTest, TheGameStartsOnlyWhenAskedFor) {
    ASSERT_EQ(install(L"C:\\Game", false, true), kExitInstalled);
    EXPECT_EQ(finish.steps.back(), "game");
}

// Each way an unattended install ends without installing: its exit code, the
// message in the log, and nothing left below C:.
struct Refusal {
    const char* name;
    std::wstring target;
    std::function<void(const TempFolder&, InstallConfig&, FaultPlatform&)> prepare;
    InstallExitCode code;
    std::string logged;
};

TEST_F(UnattendedInstallTest, WhatStopsAnInstallLeavesNothingAndSaysWhyInTheLog) {
    const std::vector<Refusal> cases = {
        {"no folder", L"", nullptr, kExitNothingInstalled, "Message: Please type a folder."},
        {"forbidden characters", L"C:\\Bad|Name", nullptr, kExitNothingInstalled,
         "Message: The installation path is invalid! ( ? / : \\ \" * < > | )"},
        {"not enough space", L"C:\\Game",
         [](const TempFolder&, InstallConfig&, FaultPlatform& faults) { faults.freeDefault = 20; },
         kExitNothingInstalled, "Message: Not enough space."},
        {"a full disk during the unpack", L"C:\\Game",
         [](const TempFolder&, InstallConfig&, FaultPlatform& faults) {
             // Enough for the path's check (the game and 10 bytes), too little
             // for the unpack's spare megabyte.
             faults.freeDefault = 1U << 19;
         },
         kExitUndone, "Question: The disk is full. Try again?"},
        {"a damaged package", L"C:\\Game",
         [](const TempFolder& media, InstallConfig&, FaultPlatform&) {
             PackageBuilder().file(u"a.bin", 1).rawChunk("not zlib", 8, 100).writeTo(media, "M");
         },
         kExitUndone, "Message: Failed to uncompress zip data!"},
        {"a missing disc", L"C:\\Game",
         [](const TempFolder& media, InstallConfig&, FaultPlatform&) {
             PackageBuilder().file(u"a.bin", 2).chunk("one").cut().chunk("two").writeTo(media, "M");
             fs::remove(media.path() / "M/data2.pck");
         },
         kExitUndone, "Message: Please insert disc 2"},
        {"a wrong package digest", L"C:\\Game",
         [](const TempFolder&, InstallConfig& settings, FaultPlatform&) {
             settings.packageCheckFlag = true;
             settings.packageDigests = {wideFromUtf8(md5Text("something else"))};
         },
         kExitUndone, "Message: Package 1 is damaged!"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root.path() / "C");
        fs::create_directories(root.path() / "C");
        packTestGame(root, "v1");
        config.packageCheckFlag = false;
        FaultPlatform faults(platform);
        if (c.prepare) {
            c.prepare(root, config, faults);
        }
        EXPECT_EQ(install(faults, c.target), c.code);
        EXPECT_EQ(snapshotOf(root, "C"), Snapshot{});
        const auto lines = logLines(root);
        EXPECT_TRUE(logHas(lines, c.logged));
        EXPECT_EQ(lines.back().rfind("Result: ", 0), 0U);
        EXPECT_TRUE(finish.steps.empty());
    }
}

TEST_F(UnattendedInstallTest, AFileThatDiffersFromTheMediumFailsTheVerification) {
    // check.md lists b.txt with the digest of other bytes.
    std::string record(648, '\0');
    const std::u16string name = u"b.txt";
    const std::string digest = md5Text("not what was packed");
    for (size_t i = 0; i < name.size(); ++i) {
        record[2 * i] = static_cast<char>(name[i]);
    }
    for (size_t i = 0; i < digest.size(); ++i) {
        record[520 + 2 * i] = digest[i];
    }
    root.write("M/check.md", record);
    EXPECT_EQ(install(L"C:\\Game", true, true), kExitVerificationFailed);
    const auto lines = logLines(root);
    EXPECT_TRUE(logHas(lines, "Question: b.txt differs. Go on?"));
    EXPECT_EQ(lines.back(), "Result: installed, but the verification failed (exit code 3)");
    // A failed verification does not start the game.
    EXPECT_NE(finish.steps.back(), "game");
}

}  // namespace
