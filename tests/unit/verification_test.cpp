#include <gtest/gtest.h>

#include "common/formats.h"
#include "common/md5_digest.h"
#include "common/text.h"
#include "installer/app/finish_plan.h"
#include "installer/engine/file_verification.h"
#include "installer/engine/install_record.h"
#include "installer/engine/package_check.h"
#include "installer/ui/screen_placement.h"
#include "tests/support/fault_platform.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

std::string digestOf(const std::string& data) {
    Md5Digest digest;
    digest.update(data.data(), data.size());
    digest.finish();
    return digest.toText();
}

std::string sample(size_t size, char seed = 'a') {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(seed + i % 23);
    }
    return bytes;
}

std::wstring wide(const std::string& text) {
    return wideFromUtf8(text);
}

class RecordingCheckView : public PackageCheckView {
public:
    void beginPackage(const std::wstring& title) override { events.push_back(L"begin " + title); }
    void showProgress(int percent) override { percents.push_back(percent); }
    // Points to `otherDisc` once, then gives up; -1 takes the prompt away.
    int nextDisc(std::wstring& folder, int packageNumber) override {
        events.push_back(L"disc " + std::to_wstring(packageNumber));
        if (packageNumber == -1 || otherDisc.empty()) {
            return 1;
        }
        folder = otherDisc;
        otherDisc.clear();
        return 0;
    }

    std::vector<std::wstring> events;
    std::vector<int> percents;
    std::wstring otherDisc;
};

class PackageCheckTest : public ::testing::Test {
protected:
    PackageCheckResult check(const std::vector<std::wstring>& expected) {
        return CheckPackages(platform, prompt, folder.wide(), expected, texts, view, stop);
    }

    TempFolder folder;
    PosixPlatform posix;
    FaultPlatform platform{posix};
    ScriptedPrompt prompt;
    RecordingCheckView view;
    std::atomic<bool> stop{false};
    const PackageCheckTexts texts{L"Checking package %d (100%%)", L"Package %d is damaged!"};
};

TEST_F(PackageCheckTest, MatchingPackagesPassWithATitleEach) {
    folder.write("data1.pck", sample(512 * 4));
    folder.write("data2.pck", sample(700, 'k'));
    EXPECT_EQ(check({wide(digestOf(sample(512 * 4))), wide(digestOf(sample(700, 'k')))}),
              PackageCheckResult::Passed);
    EXPECT_EQ(view.events, (std::vector<std::wstring>{L"begin Checking package 1 (100%)",
                                                      L"begin Checking package 2 (100%)"}));
    EXPECT_EQ(view.percents, (std::vector<int>{25, 50, 75, 100, 100}));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(PackageCheckTest, NoListedPackagePassesAtOnce) {
    EXPECT_EQ(check({}), PackageCheckResult::Passed);
    EXPECT_TRUE(view.events.empty());
    EXPECT_TRUE(platform.opened.empty());
}

TEST_F(PackageCheckTest, MismatchNamesThePackageAndStopsThere) {
    folder.write("data1.pck", sample(100));
    folder.write("data2.pck", sample(100));
    folder.write("data3.pck", sample(100));
    const std::wstring good = wide(digestOf(sample(100)));
    std::wstring upper = good;
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    for (const std::wstring& wrong :
         {upper, good + L" ", std::wstring(L"00000000000000000000000000000000"), std::wstring()}) {
        SCOPED_TRACE(utf8FromWide(wrong));
        prompt.shown.clear();
        view.events.clear();
        EXPECT_EQ(check({good, wrong, good}), PackageCheckResult::Stopped);
        ASSERT_EQ(prompt.shown.size(), 1U);
        EXPECT_EQ(prompt.shown[0].text, L"Package 2 is damaged!");
        EXPECT_EQ(prompt.shown[0].icon, MessageIcon::Stop);
        EXPECT_FALSE(prompt.shown[0].question);
        EXPECT_EQ(view.events.size(), 2U);  // package 3 is never looked at
    }
}

TEST_F(PackageCheckTest, MissingOrEmptyPackageFailsEvenWithoutAListedDigest) {
    folder.write("data1.pck", "");
    EXPECT_EQ(check({L""}), PackageCheckResult::Stopped);
    EXPECT_EQ(prompt.texts().back(), L"Package 1 is damaged!");
    prompt.shown.clear();
    // A missing package is asked for like the next disc; given up, the check
    // ends without a message of its own.
    std::filesystem::remove(folder.path() / "data1.pck");
    EXPECT_EQ(check({L""}), PackageCheckResult::Stopped);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(view.events.back(), L"disc 1");
}

TEST_F(PackageCheckTest, APackageOnTheNextDiscIsCheckedWhereTheAnswerPoints) {
    folder.write("data1.pck", sample(700));
    folder.write("disc2/data2.pck", sample(900, 3));
    view.otherDisc = folder.wide("disc2");
    EXPECT_EQ(check({wide(digestOf(sample(700))), wide(digestOf(sample(900, 3)))}),
              PackageCheckResult::Passed);
    EXPECT_EQ(view.events, (std::vector<std::wstring>{L"begin Checking package 1 (100%)",
                                                      L"begin Checking package 2 (100%)", L"disc 2",
                                                      L"disc -1"}));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(PackageCheckTest, UnreadablePackageStopsWithItsOwnMessageOnly) {
    folder.write("data1.pck", sample(600));
    platform.shortReads = {{packagePath(folder.wide(), 1), 300}};
    EXPECT_EQ(check({wide(digestOf(sample(600)))}), PackageCheckResult::Stopped);
    EXPECT_EQ(prompt.texts(), (std::vector<std::wstring>{L"Failed to read file: " +
                                                         packagePath(folder.wide(), 1)}));
}

TEST_F(PackageCheckTest, StopFlagEndsTheCheckWithoutAMessage) {
    folder.write("data1.pck", sample(512 * 50));
    folder.write("data2.pck", sample(512));
    struct StoppingView : RecordingCheckView {
        std::atomic<bool>* stop = nullptr;
        void showProgress(int percent) override {
            RecordingCheckView::showProgress(percent);
            if (percent >= 10) {
                *stop = true;
            }
        }
    } stopping;
    stopping.stop = &stop;
    EXPECT_EQ(CheckPackages(platform, prompt, folder.wide(),
                            {wide(digestOf(sample(512 * 50))), wide(digestOf(sample(512)))}, texts,
                            stopping, stop),
              PackageCheckResult::Stopped);
    EXPECT_EQ(stopping.percents.back(), 10);
    EXPECT_EQ(stopping.events.size(), 1U);
    EXPECT_TRUE(prompt.shown.empty());
}

// Hashed side by side, or one at a time from an optical drive (the next
// block read while the last is hashed), the packages show what one after
// another shows.
TEST_F(PackageCheckTest, SideBySideOrFromADiscTheViewIsThatOfOneAfterAnother) {
    const std::vector<size_t> sizes = {size_t{512} * 300, size_t{70000} * 3, 700, size_t{512} * 2};
    std::vector<std::wstring> expected;
    for (size_t i = 0; i < sizes.size(); ++i) {
        folder.write("data" + std::to_string(i + 1) + ".pck", sample(sizes[i], 'b'));
        expected.push_back(wide(digestOf(sample(sizes[i], 'b'))));
    }
    struct Row {
        std::optional<DriveKind> drive;
        int jobs;
    };
    std::vector<int> firstPercents;
    for (const Row& row : {Row{std::nullopt, 1}, Row{std::nullopt, 3}, Row{DriveKind::CdRom, 3}}) {
        SCOPED_TRACE(row.jobs);
        platform.driveKind = row.drive;
        platform.mostOpen = 0;
        view = RecordingCheckView();
        EXPECT_EQ(
            CheckPackages(platform, prompt, folder.wide(), expected, texts, view, stop, row.jobs),
            PackageCheckResult::Passed);
        EXPECT_EQ(view.events.size(), sizes.size());
        if (firstPercents.empty()) {
            firstPercents = view.percents;
        }
        EXPECT_EQ(view.percents, firstPercents);
        if (row.drive) {
            EXPECT_EQ(platform.mostOpen, 1U);  // one package at a time
        }
    }
    EXPECT_EQ(firstPercents.size(), 101U + 101U + 1U + 2U);
    EXPECT_TRUE(prompt.shown.empty());
}

class RecordingVerifyView : public FileVerificationView {
public:
    void append(const std::wstring& piece) override {
        pieces.push_back(piece);
        report += piece;
    }
    void showFileProgress(int percent) override { filePercents.push_back(percent); }
    void showOverallProgress(int percent) override { overall.push_back(percent); }
    void listDone() override { ++doneCalls; }
    bool cancelRequested() const override {
        return cancelAfterPieces != 0 && pieces.size() >= cancelAfterPieces;
    }

    std::vector<std::wstring> pieces;
    std::wstring report;
    std::vector<int> filePercents;
    std::vector<int> overall;
    int doneCalls = 0;
    size_t cancelAfterPieces = 0;
};

class FileVerificationTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(folder.path() / "medium"); }

    void install(const std::string& name, const std::string& bytes) {
        folder.write("target/" + name, bytes);
    }
    void list(const std::vector<CheckEntry>& entries, size_t extraBytes = 0) {
        std::string bytes;
        for (const CheckEntry& entry : entries) {
            auto record = entry.serialize();
            ASSERT_TRUE(record);
            bytes.append(record->begin(), record->end());
        }
        bytes.append(extraBytes, 'x');
        folder.write("medium/check.md", bytes);
    }
    static CheckEntry entry(const std::wstring& name, const std::string& digest) {
        return CheckEntry{utf16FromWide(name), utf16FromWide(wide(digest))};
    }
    VerificationEnd verify() {
        return VerifyInstalledFiles(platform, *prompt, folder.wide("medium"), folder.wide("target"),
                                    texts, view);
    }

    TempFolder folder;
    PosixPlatform posix;
    FaultPlatform platform{posix};
    std::unique_ptr<ScriptedPrompt> prompt = std::make_unique<ScriptedPrompt>();
    RecordingVerifyView view;
    const FileVerificationTexts texts{L"%s is damaged (100%%). Go on?", L"All checked.\n",
                                      L"The check is over."};
};

TEST_F(FileVerificationTest, EveryFileOkEndsTheReportAndShowsTheEnd) {
    install("Game.exe", sample(512 * 3 + 7));
    install("data/maps/one.map", sample(1000, 'q'));
    install("empty.txt", "");
    list({entry(L"Game.exe", digestOf(sample(512 * 3 + 7))),
          entry(L"data\\maps\\one.map", digestOf(sample(1000, 'q'))),
          entry(L"empty.txt", digestOf(""))});
    EXPECT_EQ(verify(), VerificationEnd::Finished);
    EXPECT_EQ(view.report,
              L"Game.exe ... OK!\r\ndata\\maps\\one.map ... OK!\r\nempty.txt ... OK!\r\n"
              L"All checked.\r\n");
    EXPECT_EQ(view.overall, (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(view.filePercents, (std::vector<int>{33, 66, 100, 100}));
    EXPECT_EQ(view.doneCalls, 1);
    ASSERT_EQ(prompt->shown.size(), 1U);
    EXPECT_EQ(prompt->shown[0].text, L"The check is over.");
    EXPECT_EQ(prompt->shown[0].icon, MessageIcon::None);
}

TEST_F(FileVerificationTest, MismatchAnsweredYesGivesAFailedLineAndGoesOn) {
    install("a.dat", sample(10));
    install("b.dat", "changed");
    install("c.dat", sample(30));
    std::string upper = digestOf(sample(30));
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    list({entry(L"a.dat", digestOf(sample(10))), entry(L"b.dat", digestOf(sample(20))),
          entry(L"c.dat", upper)});
    prompt = std::make_unique<ScriptedPrompt>(std::deque<bool>{true, true});
    EXPECT_EQ(verify(), VerificationEnd::Finished);
    EXPECT_EQ(view.report,
              L"a.dat ... OK!\r\nb.dat ... FAILED!\r\nc.dat ... FAILED!\r\nAll checked.\r\n");
    EXPECT_EQ(prompt->texts(), (std::vector<std::wstring>{L"b.dat is damaged (100%). Go on?",
                                                          L"c.dat is damaged (100%). Go on?",
                                                          L"The check is over."}));
    EXPECT_TRUE(prompt->shown[0].question);
    EXPECT_EQ(prompt->shown[0].icon, MessageIcon::Question);
}

TEST_F(FileVerificationTest, MismatchAnsweredNoStopsWithTheListDone) {
    install("a.dat", "changed");
    install("b.dat", sample(20));
    list({entry(L"a.dat", digestOf(sample(10))), entry(L"b.dat", digestOf(sample(20)))});
    EXPECT_EQ(verify(), VerificationEnd::StoppedAtMismatch);
    EXPECT_EQ(view.report, L"a.dat ... ");
    EXPECT_EQ(view.doneCalls, 1);
    EXPECT_EQ(prompt->shown.size(), 1U);
}

TEST_F(FileVerificationTest, UnopenableFileFailsEvenAfterAFileWithTheSameDigest) {
    install("a.dat", sample(600));
    install("b.dat", sample(600));
    list({entry(L"a.dat", digestOf(sample(600))), entry(L"b.dat", digestOf(sample(600))),
          entry(L"gone.dat", digestOf(sample(600)))});
    // b.dat is there but cannot be opened.
    platform.openScript[folder.wide("target") + L"\\b.dat"] = {false};
    prompt = std::make_unique<ScriptedPrompt>(std::deque<bool>{true, true});
    EXPECT_EQ(verify(), VerificationEnd::Finished);
    EXPECT_EQ(view.report,
              L"a.dat ... OK!\r\nb.dat ... FAILED!\r\ngone.dat ... FAILED!\r\nAll checked.\r\n");
}

TEST_F(FileVerificationTest, NameLeavingTheTargetFolderFailsUnopened) {
    folder.write("outside.dat", sample(10));
    const std::string good = digestOf(sample(10));
    list({entry(L"..\\outside.dat", good), entry(L"C:\\outside.dat", good),
          entry(L"\\outside.dat", good), entry(L"", good)});
    prompt = std::make_unique<ScriptedPrompt>(std::deque<bool>{true, true, true, true});
    EXPECT_EQ(verify(), VerificationEnd::Finished);
    EXPECT_EQ(view.report,
              L"..\\outside.dat ... FAILED!\r\nC:\\outside.dat ... FAILED!\r\n"
              L"\\outside.dat ... FAILED!\r\n ... FAILED!\r\nAll checked.\r\n");
    EXPECT_EQ(platform.opened, (std::vector<std::wstring>{folder.wide("medium") + L"\\check.md"}));
}

TEST_F(FileVerificationTest, ShortListHasNoRecords) {
    list({}, kCheckEntrySize - 1);
    EXPECT_EQ(verify(), VerificationEnd::Finished);
    EXPECT_EQ(view.report, L"All checked.\r\n");
    EXPECT_EQ(prompt->texts(), (std::vector<std::wstring>{L"The check is over."}));
}

TEST_F(FileVerificationTest, TrailingPartOfARecordIsIgnored) {
    install("a.dat", sample(10));
    list({entry(L"a.dat", digestOf(sample(10)))}, 100);
    EXPECT_EQ(verify(), VerificationEnd::Finished);
    EXPECT_EQ(view.report, L"a.dat ... OK!\r\nAll checked.\r\n");
}

TEST_F(FileVerificationTest, MissingListIsReportedAndEndsTheRun) {
    EXPECT_EQ(verify(), VerificationEnd::ListNotOpened);
    EXPECT_EQ(prompt->texts(), (std::vector<std::wstring>{L"Failed to open file " +
                                                          folder.wide("medium") + L"\\check.md"}));
    EXPECT_TRUE(view.report.empty());
}

TEST_F(FileVerificationTest, CancelTakesEffectAfterTheCurrentFileLine) {
    install("a.dat", sample(10));
    install("b.dat", sample(10));
    list({entry(L"a.dat", digestOf(sample(10))), entry(L"b.dat", digestOf(sample(10)))});
    view.cancelAfterPieces = 1;  // asked for while a.dat is hashed
    EXPECT_EQ(verify(), VerificationEnd::Cancelled);
    EXPECT_EQ(view.report, L"a.dat ... OK!\r\n");
    EXPECT_EQ(view.doneCalls, 0);
    EXPECT_TRUE(prompt->shown.empty());
}

// Hashed side by side, the files give the report and the messages of one
// file after another: a file that cannot be opened between others has its
// message right after its name, whatever ends first.
TEST_F(FileVerificationTest, SideBySideGivesTheReportAndMessagesInListOrder) {
    class ReportAtMessage : public ScriptedPrompt {
    public:
        ReportAtMessage(std::deque<bool> answers, const RecordingVerifyView& view)
            : ScriptedPrompt(std::move(answers)), view_(view) {}
        void showMessage(const std::wstring& text, MessageIcon icon) override {
            reportAt.push_back(view_.report);
            ScriptedPrompt::showMessage(text, icon);
        }
        std::vector<std::wstring> reportAt;

    private:
        const RecordingVerifyView& view_;
    };
    constexpr size_t kBig = size_t{512} * 300;  // 0 to 100 per cent
    constexpr size_t kSmall = size_t{512} * 2;  // 50 and 100
    install("big.dat", sample(kBig));
    install("locked.dat", sample(10));
    install("c.dat", sample(kSmall));
    list({entry(L"big.dat", digestOf(sample(kBig))), entry(L"locked.dat", digestOf(sample(10))),
          entry(L"c.dat", digestOf(sample(kSmall)))});
    for (int jobs : {1, 3}) {
        SCOPED_TRACE(jobs);
        platform.openScript[folder.wide("target") + L"\\locked.dat"] = {false};
        view = RecordingVerifyView();
        ReportAtMessage asked({true}, view);
        EXPECT_EQ(VerifyInstalledFiles(platform, asked, folder.wide("medium"),
                                       folder.wide("target"), texts, view, jobs),
                  VerificationEnd::Finished);
        EXPECT_EQ(
            view.report,
            L"big.dat ... OK!\r\nlocked.dat ... FAILED!\r\nc.dat ... OK!\r\nAll checked.\r\n");
        ASSERT_EQ(asked.shown.size(), 3U);
        EXPECT_EQ(
            asked.shown[0].text.rfind(
                L"Failed to open source file: " + folder.wide("target") + L"\\locked.dat,", 0),
            0U);
        EXPECT_EQ(asked.reportAt[0], L"big.dat ... OK!\r\nlocked.dat ... ");
        EXPECT_EQ(asked.texts()[1], L"locked.dat is damaged (100%). Go on?");
        EXPECT_EQ(asked.texts()[2], L"The check is over.");
        EXPECT_EQ(view.filePercents.size(), 101U + 2U);  // 0 to 100, then 50 and 100
        EXPECT_EQ(view.overall, (std::vector<int>{0, 33, 66, 100}));
    }
}

TEST_F(FileVerificationTest, CheckListWalkReadsWholeRecords) {
    list({entry(L"one", "1"), entry(L"two", "2")}, 10);
    auto checkList = CheckList::open(platform, folder.wide("medium") + L"\\check.md");
    ASSERT_TRUE(checkList);
    EXPECT_EQ(checkList->count(), 2U);
    EXPECT_EQ(checkList->next()->name, u"one");
    EXPECT_EQ(checkList->next()->digest, u"2");
    EXPECT_FALSE(checkList->next());
    EXPECT_FALSE(CheckList::open(platform, folder.wide("nothing.md")));
}

TEST(ReportTextTest, LongNamesComeInPiecesThatKeepTheNameWhole) {
    EXPECT_EQ(reportNamePieces(L"a.dat"), (std::vector<std::wstring>{L"a.dat ... "}));
    const std::wstring longName(250, L'n');
    const auto pieces = reportNamePieces(longName);
    ASSERT_EQ(pieces.size(), 3U);
    std::wstring joined;
    for (const auto& piece : pieces) {
        EXPECT_LE(piece.size(), kMaxReportPiece);
        joined += piece;
    }
    EXPECT_EQ(joined, longName + L" ... ");
    EXPECT_EQ(reportText(L"one\ntwo\r\nthree\n"), L"one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(reportText(L"\n"), L"\r\n");
}

TEST(FinishPlanTest, FinishFollowsTheChoicesAfterACompleteInstall) {
    FinishPlan plan = planFinish(FinishChoices{}, false, false);
    EXPECT_TRUE(plan.registerFileType);
    EXPECT_FALSE(plan.openWebPage);
    EXPECT_TRUE(plan.createDesktopShortcuts);
    EXPECT_FALSE(plan.verify);
    EXPECT_FALSE(plan.startGame);
    EXPECT_TRUE(plan.endInstaller);

    plan = planFinish(FinishChoices{false, true, false}, false, true);
    EXPECT_TRUE(plan.openWebPage);
    EXPECT_FALSE(plan.createDesktopShortcuts);
    EXPECT_TRUE(plan.startGame);
    EXPECT_TRUE(plan.endInstaller);

    // The game waits for the verification.
    plan = planFinish(FinishChoices{true, true, true}, false, false);
    EXPECT_TRUE(plan.verify);
    EXPECT_TRUE(plan.startGameAfterVerify);
    EXPECT_FALSE(plan.startGame);
    EXPECT_FALSE(plan.endInstaller);
    plan = planFinish(FinishChoices{true, false, true}, false, false);
    EXPECT_TRUE(plan.verify);
    EXPECT_FALSE(plan.startGameAfterVerify);
}

TEST(FinishPlanTest, FailedInstallOnlyRegistersOpensTheWebPageAndEnds) {
    const FinishPlan plan = planFinish(FinishChoices{true, true, true}, true, true);
    EXPECT_TRUE(plan.registerFileType);
    EXPECT_TRUE(plan.openWebPage);
    EXPECT_FALSE(plan.createDesktopShortcuts);
    EXPECT_FALSE(plan.verify);
    EXPECT_FALSE(plan.startGame);
    EXPECT_TRUE(plan.endInstaller);
}

TEST(FinishPlanTest, CancelRegistersAndEndsOnly) {
    const FinishPlan plan = planFinishCancel();
    EXPECT_TRUE(plan.registerFileType);
    EXPECT_FALSE(plan.openWebPage || plan.createDesktopShortcuts || plan.verify || plan.startGame ||
                 plan.startGameAfterVerify);
    EXPECT_TRUE(plan.endInstaller);
}

TEST(CentredOverTest, CentresOnTheParentsRectangle) {
    const WindowOrigin origin = centredOver(-1, -20, 1025, 770, 300, 100);
    EXPECT_EQ(origin.x, 1025 - (1026 + 300) / 2);
    EXPECT_EQ(origin.y, 770 - (790 + 100) / 2);
    const WindowOrigin same = centredOver(0, 0, 300, 100, 300, 100);
    EXPECT_EQ(same.x, 0);
    EXPECT_EQ(same.y, 0);
}

TEST(InstallRecordTest, EntriesAreAppendedAndTooLongOnesRefused) {
    TempFolder folder;
    PosixPlatform platform;
    ScriptedPrompt prompt;
    const std::wstring target = folder.wide();
    EXPECT_TRUE(RecordInstalledEntry(platform, prompt, target, false, target + L"\\a.lnk"));
    EXPECT_EQ(folder.read("uninstall.dat").size(), kUninstallRecordSize);
    const std::wstring longPath = target + L"\\" + std::wstring(300, L'x');
    EXPECT_FALSE(RecordInstalledEntry(platform, prompt, target, true, longPath));
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::wstring>{L"The path is too long to be recorded for removal: " +
                                         longPath}));
    EXPECT_EQ(folder.read("uninstall.dat").size(), kUninstallRecordSize);
}

}  // namespace
