// The UI driver against a program of our own (ui_driver_fixture.exe): what a
// scenario reads from another process's windows and does to them must reach
// that process, and what it must not reach (a disabled or hidden button) must
// not.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "tests/e2e/scenario_support_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace {

constexpr int kTickBox = 101;
constexpr int kDisabledButton = 102;
constexpr int kHiddenButton = 103;
constexpr int kReport = 104;
constexpr int kAskButton = 105;
constexpr int kLabel = 106;

const wchar_t kFixtureTitle[] = L"Driver Fixture";

std::wstring fixtureProgram() {
    return e2e::folderFromEnvironment(L"CKV_BIN") + L"\\ui_driver_fixture.exe";
}

bool sameFile(std::wstring a, std::wstring b) {
    auto lower = [](std::wstring& text) {
        for (auto& c : text) {
            c = static_cast<wchar_t>(std::towlower(c));
        }
    };
    lower(a);
    lower(b);
    return a == b;
}

class UiDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::fileExists(fixtureProgram())) << "no ui_driver_fixture.exe in CKV_BIN";
        fixture_ = ui::Process::start(fixtureProgram(), L"", e2e::temporaryFolder());
        ASSERT_TRUE(fixture_.has_value());
        ui::WindowQuery query;
        query.title = kFixtureTitle;
        query.processId = fixture_->id();
        window_ = ui::Window::find(query);
        ASSERT_TRUE(window_.has_value()) << "the fixture shows no window";
    }

    void TearDown() override {
        if (fixture_) {
            fixture_->terminate();
        }
    }

    ui::Control control(int id) const { return window_->control(id); }
    bool reportBecomes(const std::wstring& text) const {
        return ui::waitUntil([&] { return control(kReport).text() == text; }, 5000);
    }

    std::optional<ui::Process> fixture_;
    std::optional<ui::Window> window_;
};

TEST_F(UiDriverTest, FindsTopLevelWindowsByTitleClassAndProcess) {
    ui::WindowQuery byClass;
    byClass.className = L"#32770";
    byClass.processId = fixture_->id();
    auto found = ui::Window::find(byClass);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->handle(), window_->handle());
    EXPECT_EQ(window_->text(), kFixtureTitle);
    EXPECT_EQ(window_->className(), L"#32770");
    EXPECT_EQ(window_->processId(), fixture_->id());

    ui::WindowQuery part;
    part.title = L"Fixture";
    part.titlePart = true;
    part.processId = fixture_->id();
    EXPECT_TRUE(ui::Window::find(part, 1000).has_value());

    // Whole titles match whole; another process's windows are not its.
    ui::WindowQuery wrong = part;
    wrong.titlePart = false;
    EXPECT_FALSE(ui::Window::find(wrong, 200).has_value());
    ui::WindowQuery otherProcess;
    otherProcess.title = kFixtureTitle;
    otherProcess.processId = GetCurrentProcessId();
    EXPECT_FALSE(ui::Window::find(otherProcess, 200).has_value());
    EXPECT_TRUE(ui::Window::list(otherProcess).empty());
}

TEST_F(UiDriverTest, ReadsTextsAndStatesOfControls) {
    EXPECT_EQ(control(kReport).text(), L"initial text");
    EXPECT_EQ(control(kLabel).text(), L"\u00DCn\u00EFcode label \u6807\u7B7E");
    EXPECT_EQ(control(IDOK).text(), L"Close");
    EXPECT_TRUE(control(kTickBox).isEnabled());
    EXPECT_TRUE(control(kTickBox).isVisible());
    EXPECT_FALSE(control(kTickBox).isChecked());
    EXPECT_FALSE(control(kDisabledButton).isEnabled());
    EXPECT_TRUE(control(kDisabledButton).isVisible());
    EXPECT_FALSE(control(kHiddenButton).isVisible());
    EXPECT_FALSE(control(999).exists());
    EXPECT_EQ(control(999).text(), L"");
}

TEST_F(UiDriverTest, ClicksReachOnlyWhatAPersonCouldClick) {
    ASSERT_TRUE(control(kTickBox).click());
    EXPECT_TRUE(ui::waitUntil([&] { return control(kTickBox).isChecked(); }, 5000));
    ASSERT_TRUE(control(kTickBox).click());
    EXPECT_TRUE(ui::waitUntil([&] { return !control(kTickBox).isChecked(); }, 5000));

    EXPECT_FALSE(control(kDisabledButton).click());
    EXPECT_FALSE(control(kHiddenButton).click());
    EXPECT_EQ(control(kReport).text(), L"initial text");
    // A command reaches the dialog whether the button can be clicked or not.
    ASSERT_TRUE(control(kHiddenButton).command());
    EXPECT_TRUE(reportBecomes(L"hidden pressed"));
}

TEST_F(UiDriverTest, AnswersAMessageBoxOfTheProcess) {
    // The click opens a modal box; the driver must not wait for it to close.
    ASSERT_TRUE(control(kAskButton).click());
    auto box = ui::MessageBoxWindow::find(L"question", fixture_->id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text(), L"Fixture question?");
    EXPECT_EQ(box->caption(), kFixtureTitle);
    EXPECT_TRUE(box->hasButton(IDYES));
    EXPECT_TRUE(box->hasButton(IDNO));
    EXPECT_FALSE(box->hasButton(IDOK));
    // The fixture's own dialog is no message box, though its class is the same.
    EXPECT_EQ(ui::MessageBoxWindow::list(fixture_->id()).size(), 1u);
    EXPECT_FALSE(ui::MessageBoxWindow::find(L"question", GetCurrentProcessId(), 200).has_value());

    EXPECT_FALSE(box->press(IDOK, 500)) << "a button the box does not have";
    ASSERT_TRUE(box->press(IDNO));
    EXPECT_FALSE(box->window().exists());
    EXPECT_TRUE(reportBecomes(L"no"));

    ASSERT_TRUE(control(kAskButton).click());
    box = ui::MessageBoxWindow::find(L"question", fixture_->id());
    ASSERT_TRUE(box.has_value());
    ASSERT_TRUE(box->press(IDYES));
    EXPECT_TRUE(reportBecomes(L"yes"));
}

TEST_F(UiDriverTest, KeysGoToTheFocusedControlAsFromTheKeyboard) {
    // Escape in a dialog is its Cancel button; the fixture ends with its id.
    ASSERT_TRUE(window_->sendKey(VK_ESCAPE));
    EXPECT_TRUE(window_->waitGone());
    ASSERT_TRUE(fixture_->waitForExit());
    EXPECT_EQ(fixture_->exitCode(), std::optional<DWORD>(IDCANCEL));
}

TEST_F(UiDriverTest, EnterPressesTheDefaultButton) {
    ASSERT_TRUE(window_->sendKey(VK_RETURN));
    ASSERT_TRUE(fixture_->waitForExit());
    EXPECT_EQ(fixture_->exitCode(), std::optional<DWORD>(IDOK));
}

TEST_F(UiDriverTest, MessagesArePostedAndSent) {
    auto length = ui::Window(control(kReport).handle()).sendMessage(WM_GETTEXTLENGTH);
    ASSERT_TRUE(length.has_value());
    EXPECT_EQ(*length, 12);
    EXPECT_TRUE(window_->waitIdle());
    ASSERT_TRUE(window_->postMessage(WM_CLOSE));
    ASSERT_TRUE(fixture_->waitForExit());
    EXPECT_EQ(fixture_->exitCode(), std::optional<DWORD>(IDCANCEL));
    // A window that is gone answers nothing.
    EXPECT_FALSE(window_->sendMessage(WM_NULL, 0, 0, 200).has_value());
    EXPECT_FALSE(window_->postMessage(WM_NULL));
}

TEST_F(UiDriverTest, ScreenshotIsABitmapOfTheWholeWindow) {
    const std::wstring folder = e2e::folderFromEnvironment(L"CKV_SCREENSHOTS");
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(e2e::createFolders(folder));
    const std::wstring path = folder + L"\\UiDriverTest-fixture.bmp";
    ASSERT_TRUE(window_->saveScreenshot(path));
    auto file = e2e::readFileBytes(path);
    ASSERT_TRUE(file.has_value());
    ASSERT_GT(file->size(), 54u);

    auto le32 = [&](size_t at) {
        return static_cast<uint32_t>((*file)[at] | ((*file)[at + 1] << 8) |
                                     ((*file)[at + 2] << 16) | ((*file)[at + 3] << 24));
    };
    RECT area{};
    ASSERT_TRUE(GetWindowRect(window_->handle(), &area));
    const uint32_t width = static_cast<uint32_t>(area.right - area.left);
    const uint32_t height = static_cast<uint32_t>(area.bottom - area.top);
    const uint32_t stride = (width * 3 + 3) & ~3u;
    EXPECT_EQ((*file)[0], 'B');
    EXPECT_EQ((*file)[1], 'M');
    EXPECT_EQ(le32(2), file->size());
    EXPECT_EQ(le32(10), 54u);
    EXPECT_EQ(le32(14), 40u);
    EXPECT_EQ(le32(18), width);
    EXPECT_EQ(le32(22), height);
    EXPECT_EQ((*file)[28], 24);
    EXPECT_EQ(file->size(), 54u + stride * height);
    // The window's drawing, not an empty grab: more than one colour.
    const uint8_t first = (*file)[54];
    EXPECT_TRUE(
        std::any_of(file->begin() + 54, file->end(), [&](uint8_t b) { return b != first; }));
}

TEST_F(UiDriverTest, ProcessesAreListedWithParentAndProgram) {
    const std::wstring image = fixtureProgram().substr(fixtureProgram().rfind(L'\\') + 1);
    bool listed = false;
    for (const auto& entry : ui::listProcesses(L"UI_DRIVER_FIXTURE.EXE")) {
        if (entry.id == fixture_->id()) {
            listed = true;
            EXPECT_EQ(entry.parentId, GetCurrentProcessId());
            EXPECT_TRUE(sameFile(entry.imageName, image));
        }
    }
    EXPECT_TRUE(listed);
    EXPECT_TRUE(sameFile(ui::processImagePath(fixture_->id()), fixtureProgram()));

    EXPECT_TRUE(fixture_->isRunning());
    EXPECT_FALSE(fixture_->exitCode().has_value());
    EXPECT_FALSE(fixture_->waitForExit(100));
    auto again = ui::Process::open(fixture_->id());
    ASSERT_TRUE(again.has_value());
    ASSERT_TRUE(again->terminate());
    EXPECT_TRUE(fixture_->waitForExit());
    EXPECT_EQ(fixture_->exitCode(), std::optional<DWORD>(1));
}

TEST(UiDriverProcess, MissingProgramDoesNotStart) {
    EXPECT_FALSE(ui::Process::start(L"C:\\nowhere\\none.exe", L"", L"").has_value());
    EXPECT_FALSE(ui::Process::start(fixtureProgram(), L"", L"C:\\no such folder").has_value());
}

TEST(ScenarioSupport, HostPathsAreOnDriveZ) {
    EXPECT_EQ(e2e::windowsPathFromHost(L"/work/a b/bin"), L"Z:\\work\\a b\\bin");
    EXPECT_EQ(e2e::windowsPathFromHost(L"C:\\media"), L"C:\\media");
    EXPECT_EQ(e2e::windowsPathFromHost(L""), L"");
}

TEST(ScenarioSupport, TextFilesAreUtf16WithByteOrderMark) {
    EXPECT_EQ(e2e::utf16FileBytes(L"a=\u00E9\r\n"),
              (std::vector<uint8_t>{0xFF, 0xFE, 'a', 0, '=', 0, 0xE9, 0, '\r', 0, '\n', 0}));
}

TEST(ScenarioSupport, PendingDeletionsAreTheEntriesWithoutTarget) {
    // Two deletions around a rename, as MoveFileEx records them: each entry
    // a source and a target, a deletion's target empty.
    static const wchar_t kValue[] = L"\\??\\C:\\a\0\0\\??\\C:\\b\0\\??\\C:\\c\0\\??\\C:\\d\0\0";
    std::vector<uint8_t> bytes;
    for (wchar_t c : kValue) {  // the literal's own NUL ends the list
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    EXPECT_EQ(e2e::PendingFileRenames::parseDeletions(bytes),
              (std::vector<std::wstring>{L"\\??\\C:\\a", L"\\??\\C:\\d"}));
    EXPECT_TRUE(e2e::PendingFileRenames::parseDeletions({}).empty());
}

TEST(ScenarioSupport, FoldersAreRemovedWithReadOnlyContents) {
    const std::wstring root = e2e::temporaryFolder() + L"ckv scenario folder";
    {
        e2e::ScenarioFolder folder(root);
        ASSERT_TRUE(folder.created());
        ASSERT_TRUE(e2e::createFolders(folder.path() + L"\\deep\\er"));
        const std::wstring file = folder.path() + L"\\deep\\er\\locked.txt";
        ASSERT_TRUE(e2e::writeFileBytes(file, {'x'}));
        ASSERT_TRUE(e2e::setReadOnly(file, true));
        EXPECT_TRUE(e2e::isReadOnly(file));
    }
    EXPECT_FALSE(e2e::folderExists(root));
}

}  // namespace
