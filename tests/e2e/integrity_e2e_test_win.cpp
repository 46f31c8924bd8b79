// The wizard from the package check to its last page, driven as a person
// would: the check of the packages, the finish page and its choices, the
// verification of the installed files and the start of the game.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/md5_digest.h"
#include "common/text.h"
#include "common/win/handles_win.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::controls;
using namespace e2e::install_texts;

constexpr DWORD kLongTimeout = 120000;
const std::wstring kClassName = L"CkvIntegrity.UpdatePack";
const std::wstring kExtension = L"ckvintegrity";

std::wstring withNumber(const std::wstring& format, int number) {
    return fillIntegerFormat(format, number);
}

const std::vector<e2e::GameFile> kGame = {
    {L"Game.exe", 1},  // replaced by the sample game
    {L"readme.txt", 0},
    {L"bin\\tool.exe", 70000},
    {L"data\\maps\\one.map", 900000},
    {L"data\\maps\\two.map", 1300000},
    {L"data\\music\\theme.ogg", 600000},
};

std::wstring desktopFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path))) {
        return L"";
    }
    return path;
}

// The default value of a key below HKEY_CLASSES_ROOT; nothing without the key.
std::optional<std::wstring> classesValue(const std::wstring& key) {
    return e2e::registryString(HKEY_CLASSES_ROOT, key);
}

void removeFileType() {
    for (const std::wstring& key :
         {kClassName + L"\\shell\\open\\command", kClassName + L"\\shell\\open",
          kClassName + L"\\shell", kClassName + L"\\DefaultIcon", kClassName, L"." + kExtension}) {
        RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    }
}

class IntegrityScenario : public ::testing::Test {
protected:
    IntegrityScenario()
        : root_(L"C:\\media\\" + e2e::currentTestName()),
          medium_(root_.path() + L"\\Disc"),
          game_(root_.path() + L"\\Game Source"),
          webPage_(root_.path() + L"\\Web"),
          targets_(L"C:\\Installed\\" + e2e::currentTestName()),
          target_(targets_.path() + L"\\Game"),
          programGroup_(L"Install Test " + e2e::currentTestName()),
          desktop_(desktopFolder()) {}

    void SetUp() override {
        ASSERT_TRUE(root_.created());
        ASSERT_TRUE(targets_.created());
        ASSERT_FALSE(desktop_.empty());
        ASSERT_TRUE(e2e::makeGame(game_, kGame, {L"saves"}));
        // The sample game leaves started.txt beside itself when it runs; as
        // the open_url page it shows that the page was opened.
        const auto sampleGame =
            e2e::readFileBytes(e2e::folderFromEnvironment(L"CKV_BIN") + L"\\Varnholt.exe");
        ASSERT_TRUE(sampleGame.has_value());
        ASSERT_TRUE(e2e::writeFileBytes(game_ + L"\\Game.exe", *sampleGame));
        ASSERT_TRUE(e2e::createFolders(webPage_));
        ASSERT_TRUE(e2e::writeFileBytes(webPage_ + L"\\Page.exe", *sampleGame));
        removeFileType();
    }
    void TearDown() override {
        e2e::removeTree(e2e::programsFolder() + L"\\" + programGroup_);
        DeleteFileW((desktop_ + L"\\On the desktop.lnk").c_str());
        DeleteFileW((desktop_ + L"\\" + kProduct + L".url").c_str());
        removeFileType();
    }

    // The installer first, so that medium.exe writes the [md5code] section
    // into its install.ini.
    void pack() {
        const std::wstring setup = L"url=http://example.com/install-test\r\nopen_url=" + webPage_ +
                                   L"\\Page.exe\r\nreg_file_ext_name=" + kExtension +
                                   L"\r\nreg_key_name=" + kClassName + L"\r\n";
        ASSERT_TRUE(e2e::createFolders(medium_));
        ASSERT_TRUE(e2e::placeInstaller(medium_, programGroup_, shortcuts_, setup));
        const auto status = e2e::runMedium(L"pack \"" + game_ + L"\" \"" + medium_ +
                                           L"\" --disc-size 1M --chunk-size 256K");
        ASSERT_EQ(status, std::optional<DWORD>(0)) << "medium pack failed";
        ASSERT_TRUE(e2e::fileExists(medium_ + L"\\data2.pck"));
        ASSERT_GE(_wtoi(e2e::md5code(medium_, L"count").c_str()), 2);
    }

    std::wstring screenshotPath(const std::wstring& what) const {
        const std::wstring folder = e2e::folderFromEnvironment(L"CKV_SCREENSHOTS");
        if (folder.empty() || !e2e::createFolders(folder)) {
            return L"";
        }
        return folder + L"\\integrity-" + what + L".bmp";
    }

    // Waits for the finish page after an install that ends without a
    // question.
    std::optional<ui::Window> finishPage(e2e::InstallerDriver& installer) {
        auto page = installer.window(kFinishTitle, kLongTimeout);
        EXPECT_TRUE(page.has_value()) << "no finish page";
        if (page) {
            EXPECT_TRUE(page->waitIdle());
        }
        return page;
    }

    void expectEnded(e2e::InstallerDriver& installer) {
        EXPECT_TRUE(installer.process().waitForExit(kLongTimeout)) << "the installer went on";
    }

    bool gameStarted() const { return e2e::fileExists(target_ + L"\\started.txt"); }
    bool webPageOpened() const { return e2e::fileExists(webPage_ + L"\\started.txt"); }
    // Programs the installer may have started are created before it ends; none
    // of them may still be on its way.
    bool nothingStarted() const {
        return !gameStarted() && !webPageOpened() && ui::listProcesses(L"Game.exe").empty() &&
               ui::listProcesses(L"Page.exe").empty();
    }

    void expectFileTypeRegistered() const {
        EXPECT_EQ(classesValue(L"." + kExtension), std::optional<std::wstring>(kClassName));
        EXPECT_EQ(classesValue(kClassName), std::optional<std::wstring>(kProduct));
        EXPECT_EQ(classesValue(kClassName + L"\\DefaultIcon"),
                  std::optional<std::wstring>(target_ + L"\\Game.exe,0"));
        const auto command = classesValue(kClassName + L"\\shell\\open\\command");
        ASSERT_TRUE(command.has_value());
        EXPECT_NE(command->find(target_ + L"\\Game.exe"), std::wstring::npos)
            << utf8FromWide(*command);
        const std::wstring argument = L"\"/localupdate:%1\"";
        EXPECT_EQ(command->substr(command->size() - std::min(command->size(), argument.size())),
                  argument)
            << utf8FromWide(*command);
    }

    ComScope com_;
    e2e::ScenarioFolder root_;
    const std::wstring medium_;
    const std::wstring game_;
    const std::wstring webPage_;
    e2e::ScenarioFolder targets_;
    const std::wstring target_;
    const std::wstring programGroup_;
    const std::wstring desktop_;
    const std::vector<e2e::ShortcutEntry> shortcuts_ = {
        {L"Play Install Test", L"Game.exe", L"", L""},
        {L"On the desktop", L"Game.exe", L"%desktop%", L""},
    };
};

TEST_F(IntegrityScenario, WholeWizardWithCheckIconVerificationAndGame) {
    ASSERT_NO_FATAL_FAILURE(pack());
    e2e::InstallerDriver installer(medium_);
    // The check of two small packages may be over before its page is seen.
    static_cast<void>(installer.startCheckedInstall(target_));
    const auto page = finishPage(installer);
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->control(kResultText).text(), kFinishedText);
    EXPECT_TRUE(page->control(kDesktopIconBox).isChecked());
    EXPECT_FALSE(page->control(kStartGameBox).isChecked());
    EXPECT_FALSE(page->control(kVerifyBox).isChecked());
    ASSERT_TRUE(page->control(kStartGameBox).click());
    ASSERT_TRUE(page->control(kVerifyBox).click());
    ASSERT_TRUE(ui::waitUntil([&] { return page->control(kVerifyBox).isChecked(); }));
    const std::wstring finishPicture = screenshotPath(L"finish");
    EXPECT_TRUE(finishPicture.empty() || page->saveScreenshot(finishPicture));
    ASSERT_TRUE(page->control(IDOK).click());

    // The verification ends with its message; the game waits for it.
    const auto done =
        ui::MessageBoxWindow::find(kVerifyDone, installer.process().id(), kLongTimeout);
    ASSERT_TRUE(done.has_value()) << "no end of the verification";
    EXPECT_FALSE(done->hasButton(IDCANCEL));
    const auto report = installer.window(kVerifyTitle);
    ASSERT_TRUE(report.has_value());
    const std::wstring text = report->control(kReportBox).text();
    const std::wstring reportPicture = screenshotPath(L"verification");
    EXPECT_TRUE(reportPicture.empty() || report->saveScreenshot(reportPicture));
    EXPECT_FALSE(gameStarted());
    ASSERT_TRUE(done->press(IDOK));
    expectEnded(installer);

    for (const e2e::GameFile& file : kGame) {
        EXPECT_NE(text.find(file.name + L" ... OK!\r\n"), std::wstring::npos)
            << utf8FromWide(file.name) << " in " << utf8FromWide(text);
    }
    EXPECT_EQ(text.find(L"FAILED!"), std::wstring::npos) << utf8FromWide(text);
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), kReportEnd.size())), kReportEnd);

    EXPECT_TRUE(ui::waitUntil([&] { return gameStarted(); })) << "the game did not start";
    EXPECT_TRUE(ui::waitUntil([&] { return webPageOpened(); })) << "open_url was not opened";
    const std::wstring link = desktop_ + L"\\On the desktop.lnk";
    const std::wstring webLink = desktop_ + L"\\" + kProduct + L".url";
    EXPECT_TRUE(e2e::fileExists(link));
    EXPECT_TRUE(e2e::fileExists(webLink));
    wchar_t url[256] = {};
    GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", url, 256, webLink.c_str());
    EXPECT_EQ(std::wstring(url), L"http://example.com/install-test");
    const auto records = e2e::readUninstallRecords(target_ + L"\\uninstall.dat");
    ASSERT_GE(records.size(), 2U);
    EXPECT_EQ(records[records.size() - 2], L"FILE:" + link);
    EXPECT_EQ(records.back(), L"FILE:" + webLink);
    expectFileTypeRegistered();
}

// A cancel answered No: the check goes on while the question is up, to its
// end, and the install follows. (Yes is a row of the fault suite.)
TEST_F(IntegrityScenario, CancelAnsweredNoLetsThePackageCheckGoOn) {
    ASSERT_NO_FATAL_FAILURE(pack());
    // One more package that the check hashes but the install never reads: a
    // large file of zeros that keeps the check busy.
    constexpr int64_t kLargeSize = int64_t{1} << 29;
    Md5Digest zeros;
    const std::vector<uint8_t> block(1 << 20, 0);
    for (int64_t done = 0; done < kLargeSize; done += static_cast<int64_t>(block.size())) {
        zeros.update(block.data(), block.size());
    }
    zeros.finish();
    const int large = e2e::addZeroPackage(medium_, kLargeSize, wideFromUtf8(zeros.toText()));
    ASSERT_GT(large, 0);

    e2e::InstallerDriver installer(medium_);
    ASSERT_TRUE(installer.startCheckedInstall(target_).has_value());
    const auto page = installer.window(withNumber(kPackageCheckTitle, large));
    ASSERT_TRUE(page.has_value()) << "the check did not reach the large package";
    ASSERT_TRUE(page->control(IDCANCEL).click());
    const auto question = ui::MessageBoxWindow::find(kCancelQuestion, installer.process().id());
    ASSERT_TRUE(question.has_value()) << "no cancel question";
    const std::wstring picture = screenshotPath(L"package-check");
    EXPECT_TRUE(picture.empty() || ui::saveScreenNow(picture));
    EXPECT_TRUE(question->hasButton(IDYES));
    EXPECT_TRUE(question->hasButton(IDNO));
    ASSERT_TRUE(question->press(IDNO));
    const auto finish = finishPage(installer);
    ASSERT_TRUE(finish.has_value());
    EXPECT_EQ(finish->control(kResultText).text(), kFinishedText);
    EXPECT_TRUE(e2e::fileExists(target_ + L"\\data\\maps\\one.map"));
}

TEST_F(IntegrityScenario, FailedInstallFinishesWithDisabledChoices) {
    ASSERT_NO_FATAL_FAILURE(pack());
    // A folder where the game's program goes: the install cannot write it.
    ASSERT_TRUE(e2e::createFolders(target_ + L"\\Game.exe"));
    e2e::InstallerDriver installer(medium_);
    ASSERT_TRUE(installer.startInstall(target_));
    std::optional<ui::Window> page;
    ASSERT_TRUE(ui::waitUntil(
        [&] {
            // Whatever the failure says is acknowledged, as a person would.
            for (const auto& box : ui::MessageBoxWindow::list(installer.process().id())) {
                static_cast<void>(box.press(IDOK));
            }
            page = installer.window(kFinishTitle, 0);
            return page.has_value();
        },
        kLongTimeout))
        << "no finish page";
    ASSERT_TRUE(page->waitIdle());
    EXPECT_EQ(page->control(kResultText).text(), kFailedText);
    for (const int box : {kDesktopIconBox, kStartGameBox, kVerifyBox}) {
        EXPECT_FALSE(page->control(box).isEnabled()) << box;
    }
    const std::wstring picture = screenshotPath(L"finish-failed");
    EXPECT_TRUE(picture.empty() || page->saveScreenshot(picture));
    ASSERT_TRUE(page->control(IDOK).click());
    expectEnded(installer);
    expectFileTypeRegistered();
    EXPECT_FALSE(gameStarted());
    EXPECT_TRUE(ui::waitUntil([&] { return webPageOpened(); })) << "open_url was not opened";
    EXPECT_FALSE(e2e::fileExists(desktop_ + L"\\On the desktop.lnk"));
}

TEST_F(IntegrityScenario, EscapeOnTheFinishPageOnlyRegisters) {
    ASSERT_NO_FATAL_FAILURE(pack());
    e2e::InstallerDriver installer(medium_);
    ASSERT_TRUE(installer.startInstall(target_));
    const auto page = finishPage(installer);
    ASSERT_TRUE(page.has_value());
    ASSERT_TRUE(page->control(kStartGameBox).click());
    ASSERT_TRUE(ui::waitUntil([&] { return page->control(kStartGameBox).isChecked(); }));
    ASSERT_TRUE(page->sendKey(VK_ESCAPE));
    expectEnded(installer);
    expectFileTypeRegistered();
    EXPECT_TRUE(nothingStarted());
    EXPECT_FALSE(e2e::fileExists(desktop_ + L"\\On the desktop.lnk"));
    EXPECT_FALSE(e2e::fileExists(desktop_ + L"\\" + kProduct + L".url"));
}

}  // namespace
