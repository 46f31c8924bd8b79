// The path page, driven from outside as a person would: agree, then read the
// needed and free space, type paths, pick drives and folders in the
// self-drawn tree by clicking where its rows are drawn, scroll it, and leave
// the page by Back, End or Next.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "tests/e2e/scenario_support_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace {

const wchar_t kProgram[] = L"install.exe";
const std::wstring kProduct = L"Path Test";
const std::wstring kMainTitle = L"Path Test Setup";            // str32
const std::wstring kAgreementTitle = L"Licence of Path Test";  // str23
const std::wstring kPathTitle = L"Where shall it go?";         // str0
const std::wstring kConfirmTitle = L"Package Check";           // str52
const std::wstring kEmptyPath = L"Please type a folder.";      // str35
const std::wstring kNoSpace = L"There is not enough space.";   // str5
const std::wstring kInvalid = L"The installation path is invalid! ";
const std::wstring kInvalidCharacters =
    L"The installation path is invalid! ( ? / : \\ \" * < > | )";

// Layout 131 and 129.
const int kAgreeId = 1009;
const int kTreeAreaId = 1000;
const int kPathBoxId = 1001;
const int kNeededId = 1014;
const int kFreeId = 1015;
const int kEndId = 3;

constexpr uint64_t kMegabyte = 1048576;
// 5 MiB and a bit: the page asks for 5 + 10 MB.
constexpr uint64_t kTotalSize = 5 * kMegabyte + 4321;

std::vector<uint8_t> installIni() {
    std::wstring text = L"[setup]\r\nproduct=" + kProduct + L"\r\nprogramgroup=" + kProduct +
                        L"\r\nfolder_create_flag=1\r\npackage_check_flag=1\r\n";
    text += L"[restable]\r\nrescount=55\r\n";
    const std::pair<int, std::wstring> texts[] = {
        {0, kPathTitle},       {1, L"The game needs %d MB."},
        {5, kNoSpace},         {22, L"Read the licence:"},
        {23, kAgreementTitle}, {24, L"Agree"},
        {25, L"Decline"},      {27, L"Back"},
        {28, L"Next"},         {29, L"End"},
        {32, kMainTitle},      {33, L"Free: %d MB"},
        {35, kEmptyPath},      {51, L"Check the packages first?"},
        {52, kConfirmTitle},   {53, L"Skip"},
        {54, L"Check"},
    };
    for (const auto& [index, value] : texts) {
        text += L"str" + std::to_wstring(index) + L"=" + value + L"\r\n";
    }
    return e2e::utf16FileBytes(text);
}

// A person's view of the tree: where its rows and scroll bar parts are drawn,
// in the page's client coordinates.
class TreeView {
public:
    explicit TreeView(HWND page) : page_(page) {
        RECT area{};
        GetWindowRect(GetDlgItem(page, kTreeAreaId), &area);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&area), 2);
        inner_ = {area.left + 1, area.top + 1, area.right - 1, area.bottom - 1};
    }

    // The middle of a node's label and of its expand box.
    POINT label(int level, int row) const {
        return {inner_.left + 16 * (level + 1) + 6, inner_.top + 16 * row + 8};
    }
    POINT box(int level, int row) const {
        return {inner_.left + 16 * (level - 1) + 8, inner_.top + 16 * row + 8};
    }
    POINT downArrow() const { return {inner_.right - 8, inner_.bottom - 24}; }
    POINT upArrow() const { return {inner_.right - 8, inner_.top + 8}; }

    // Posted, as the mouse's messages come through the page's queue.
    bool click(POINT point) const {
        const LPARAM where = MAKELPARAM(point.x, point.y);
        return PostMessageW(page_, WM_LBUTTONDOWN, MK_LBUTTON, where) &&
               PostMessageW(page_, WM_LBUTTONUP, 0, where) && ui::Window(page_).waitIdle();
    }
    bool doubleClick(POINT point) const {
        const LPARAM where = MAKELPARAM(point.x, point.y);
        return click(point) && PostMessageW(page_, WM_LBUTTONDBLCLK, MK_LBUTTON, where) &&
               PostMessageW(page_, WM_LBUTTONUP, 0, where) && ui::Window(page_).waitIdle();
    }
    bool wheel(int notches) const {
        const WPARAM turn =
            MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(notches * WHEEL_DELTA)));
        return PostMessageW(page_, WM_MOUSEWHEEL, turn, 0) && ui::Window(page_).waitIdle();
    }

private:
    HWND page_;
    RECT inner_{};
};

// The drive letters the page lists: C: to Z:, of a known type other than a CD
// drive, with readable free space.
std::wstring listedDrives() {
    std::wstring letters;
    const DWORD drives = GetLogicalDrives();
    for (int i = 2; i <= 25; ++i) {
        const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\";
        const UINT type = GetDriveTypeW(root.c_str());
        ULARGE_INTEGER available{};
        if ((drives & (1UL << i)) != 0 && type != DRIVE_UNKNOWN && type != DRIVE_CDROM &&
            GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr)) {
            letters += static_cast<wchar_t>(L'A' + i);
        }
    }
    return letters;
}

// The number in a label such as "Free: 1234 MB".
long long numberIn(const std::wstring& text) {
    const size_t digit = text.find_first_of(L"0123456789");
    return digit == std::wstring::npos ? -1 : std::wcstoll(text.c_str() + digit, nullptr, 10);
}

class PathScenario : public ::testing::Test {
protected:
    PathScenario() : medium_(L"C:\\media\\" + e2e::currentTestName()) {}

    void SetUp() override {
        const std::wstring bin = e2e::folderFromEnvironment(L"CKV_BIN");
        ASSERT_FALSE(bin.empty()) << "CKV_BIN is not set";
        ASSERT_TRUE(medium_.created());
        for (const wchar_t* name : {kProgram, L"JPGI.dll", L"ijl15.dll"}) {
            auto bytes = e2e::readFileBytes(bin + L"\\" + name);
            ASSERT_TRUE(bytes && !bytes->empty()) << "no built " << utf8FromWide(name);
            ASSERT_TRUE(e2e::writeFileBytes(medium_.file(name), *bytes));
        }
        ASSERT_TRUE(e2e::writeFileBytes(medium_.file(L"install.ini"), installIni()));
        writePackage(kTotalSize);
    }

    void TearDown() override {
        if (process_ && process_->isRunning()) {
            process_->terminate();
        }
    }

    void writePackage(uint64_t totalSize) {
        ASSERT_TRUE(
            e2e::writeFileBytes(medium_.file(L"data1.pck"), e2e::packageHeaderBytes(2, totalSize)));
    }

    // Starts the second run on the medium, agrees (no CopyRight.txt: agree
    // is enabled at once) and waits for the path page.
    void reachPathPage() {
        process_ = ui::Process::start(medium_.file(kProgram), medium_.path(), medium_.path());
        ASSERT_TRUE(process_.has_value());
        agreement_ = window(kAgreementTitle);
        ASSERT_TRUE(agreement_.has_value()) << "no agreement page";
        ASSERT_TRUE(ui::waitUntil([&] { return agreement_->control(kAgreeId).isEnabled(); }));
        ASSERT_TRUE(agreement_->control(kAgreeId).click());
        page_ = window(kPathTitle);
        ASSERT_TRUE(page_.has_value()) << "no path page";
        ASSERT_TRUE(page_->waitIdle());
    }

    std::optional<ui::Window> window(const std::wstring& title) {
        return ui::Window::find({title, false, L"#32770", process_->id()});
    }
    bool visible(const std::wstring& title) {
        return !ui::Window::list({title, false, L"#32770", process_->id()}).empty();
    }

    std::wstring pathText() { return page_->control(kPathBoxId).text(); }

    // Types a path and presses Next; answers the message box's text, or
    // nothing when none came.
    std::optional<std::wstring> nextWith(const std::wstring& path) {
        EXPECT_TRUE(page_->control(kPathBoxId).exists());
        SetWindowTextW(page_->control(kPathBoxId).handle(), path.c_str());
        EXPECT_TRUE(page_->control(IDOK).click());
        auto box = ui::MessageBoxWindow::find(L"", process_->id(), 3000);
        if (!box) {
            return std::nullopt;
        }
        const std::wstring text = box->text();
        EXPECT_EQ(box->caption(), L"install");
        EXPECT_TRUE(box->hasButton(IDOK));
        EXPECT_FALSE(box->hasButton(IDCANCEL));
        EXPECT_TRUE(box->press(IDOK));
        return text;
    }

    void screenshot(const std::wstring& what) {
        const std::wstring folder = e2e::folderFromEnvironment(L"CKV_SCREENSHOTS");
        if (folder.empty() || !e2e::createFolders(folder)) {
            return;
        }
        ASSERT_TRUE(page_->waitIdle());
        const std::wstring path =
            folder + L"\\path-" + e2e::currentTestName() + L"-" + what + L".bmp";
        EXPECT_TRUE(page_->saveScreenshot(path)) << utf8FromWide(path);
    }

    e2e::ScenarioFolder medium_;
    std::optional<ui::Process> process_;
    std::optional<ui::Window> agreement_;
    std::optional<ui::Window> page_;
};

TEST_F(PathScenario, ShowsTheNeedTheFreeSpaceAndTheProposedFolder) {
    ASSERT_NO_FATAL_FAILURE(reachPathPage());
    EXPECT_EQ(page_->text(), kPathTitle);
    EXPECT_EQ(page_->control(kNeededId).text(), L"The game needs 15 MB.");
    EXPECT_EQ(page_->control(IDCANCEL).text(), L"Back");
    EXPECT_EQ(page_->control(IDOK).text(), L"Next");
    EXPECT_EQ(page_->control(kEndId).text(), L"End");
    // The Programs menu is on C: in the test prefix.
    EXPECT_EQ(pathText(), L"C:\\" + kProduct);
    ULARGE_INTEGER available{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, nullptr, nullptr));
    const std::wstring free = page_->control(kFreeId).text();
    EXPECT_EQ(free.rfind(L"Free: ", 0), 0u) << utf8FromWide(free);
    EXPECT_NEAR(static_cast<double>(numberIn(free)),
                static_cast<double>(available.QuadPart / kMegabyte), 64.0)
        << utf8FromWide(free);
    EXPECT_FALSE(agreement_->isVisible());
    screenshot(L"page");

    ASSERT_TRUE(page_->control(kEndId).click());
    ASSERT_TRUE(process_->waitForExit());
    EXPECT_EQ(process_->exitCode(), std::optional<DWORD>(0));
}

TEST_F(PathScenario, RefusedPathsLeaveThePageAsItWas) {
    ASSERT_NO_FATAL_FAILURE(reachPathPage());
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"", kEmptyPath},
        {L"C:", kInvalid},
        {L"Q:\\Games", kInvalid},  // no such drive
        {L"A:\\Games", kInvalid},
        {L"C:/Games", kInvalidCharacters},
        {L"C:\\Games\\\\Sub", kInvalidCharacters},
        {L"C:\\Bad|Name", kInvalidCharacters},
        {L"C:\\   \\Game", kInvalid},
    };
    for (const auto& [path, message] : cases) {
        EXPECT_EQ(nextWith(path), std::optional(message)) << utf8FromWide(path);
        EXPECT_EQ(pathText(), path);
        EXPECT_TRUE(page_->isVisible()) << utf8FromWide(path);
    }
    // No move happened: a tick later the page is still there.
    EXPECT_FALSE(ui::waitUntil([&] { return !page_->isVisible(); }, 500));
}

TEST_F(PathScenario, NotEnoughSpaceIsRefused) {
    writePackage(uint64_t{1} << 60);
    ASSERT_NO_FATAL_FAILURE(reachPathPage());
    EXPECT_EQ(page_->control(kNeededId).text(), L"The game needs 1099511627786 MB.");
    EXPECT_EQ(nextWith(L"C:\\Games"), std::optional(kNoSpace));
    EXPECT_TRUE(page_->isVisible());
}

TEST_F(PathScenario, NextWithAValidFolderMovesOn) {
    ASSERT_NO_FATAL_FAILURE(reachPathPage());
    // Lower-case drive letter and a final backslash: accepted.
    EXPECT_EQ(nextWith(L"c:\\Games\\Path Test\\"), std::nullopt);
    auto confirm = window(kConfirmTitle);
    ASSERT_TRUE(confirm.has_value()) << "the wizard did not move on";
    EXPECT_TRUE(ui::waitUntil([&] { return !page_->isVisible(); }, 3000));
}

TEST_F(PathScenario, BackReturnsToTheAgreement) {
    ASSERT_NO_FATAL_FAILURE(reachPathPage());
    SetWindowTextW(page_->control(kPathBoxId).handle(), L"C:\\Typed");
    ASSERT_TRUE(page_->control(IDCANCEL).click());
    EXPECT_TRUE(ui::waitUntil([&] { return agreement_->isVisible() && !page_->isVisible(); }));
    // Forward again: the typed path is still there.
    ASSERT_TRUE(agreement_->control(kAgreeId).click());
    EXPECT_TRUE(ui::waitUntil([&] { return page_->isVisible(); }));
    EXPECT_EQ(pathText(), L"C:\\Typed");
}

TEST_F(PathScenario, PicksInTheTreeFillThePath) {
    // Folders of our own two levels below C:, so that the picture is known.
    e2e::ScenarioFolder games(L"C:\\media\\Tree Games");
    ASSERT_TRUE(games.created());
    for (const wchar_t* name : {L"Racing", L"Puzzles", L"Strategy"}) {
        ASSERT_TRUE(e2e::createFolders(games.file(name) + L"\\Saves"));
    }
    ASSERT_NO_FATAL_FAILURE(reachPathPage());
    TreeView tree(page_->handle());

    // Row 0 My Computer, row 1 drive C: (the first drive).
    ASSERT_TRUE(tree.click(tree.label(1, 1)));
    EXPECT_EQ(pathText(), L"C:\\" + kProduct);

    const std::vector<std::wstring> onC = e2e::listedFolders(L"C:");
    const int media = e2e::indexOf(onC, L"media");
    ASSERT_GE(media, 0);
    ASSERT_TRUE(tree.click(tree.box(1, 1)));  // expands C:
    const int mediaRow = 2 + media;
    ASSERT_TRUE(tree.click(tree.label(2, mediaRow)));
    EXPECT_EQ(pathText(), L"C:\\media\\" + kProduct);

    // Double-click on its label expands media; then Tree Games below it.
    ASSERT_TRUE(tree.doubleClick(tree.label(2, mediaRow)));
    const std::vector<std::wstring> inMedia = e2e::listedFolders(L"C:\\media");
    const int treeGames = e2e::indexOf(inMedia, L"Tree Games");
    ASSERT_GE(treeGames, 0);
    const int gamesRow = mediaRow + 1 + treeGames;
    ASSERT_TRUE(tree.click(tree.box(3, gamesRow)));
    ASSERT_TRUE(tree.click(tree.label(3, gamesRow)));
    EXPECT_EQ(pathText(), L"C:\\media\\Tree Games\\" + kProduct);
    const int racing = e2e::indexOf(e2e::listedFolders(games.path()), L"Racing");
    ASSERT_GE(racing, 0);
    ASSERT_TRUE(tree.click(tree.label(4, gamesRow + 1 + racing)));
    EXPECT_EQ(pathText(), L"C:\\media\\Tree Games\\Racing\\" + kProduct);
    screenshot(L"expanded");

    // The root puts the proposed folder back.
    ASSERT_TRUE(tree.click(tree.label(0, 0)));
    EXPECT_EQ(pathText(), L"C:\\" + kProduct);
    EXPECT_TRUE(process_->isRunning());
}

TEST_F(PathScenario, WheelAndArrowsScrollTheTree) {
    ASSERT_NO_FATAL_FAILURE(reachPathPage());
    TreeView tree(page_->handle());
    // Drive Z: (the host's root under Wine), expanded, shows more rows than
    // the tree has room for.
    const std::wstring drives = listedDrives();
    const size_t z = drives.find(L'Z');
    ASSERT_NE(z, std::wstring::npos) << "no drive Z:";
    ASSERT_EQ(drives.front(), L'C');
    ASSERT_TRUE(tree.click(tree.box(1, 1 + static_cast<int>(z))));
    ASSERT_GT(e2e::listedFolders(L"Z:").size() + drives.size() + 1, 12u)
        << "Z: has too few folders";

    // Each scroll is handled before the next click aims at a row.
    // One notch towards the user: drive C: moves up into row 0.
    ASSERT_TRUE(tree.wheel(-1));
    ASSERT_TRUE(page_->waitIdle());
    ASSERT_TRUE(tree.click(tree.label(1, 0)));
    EXPECT_EQ(pathText(), L"C:\\" + kProduct);
    // Away from the user: back to the top, where row 0 is My Computer.
    SetWindowTextW(page_->control(kPathBoxId).handle(), L"");
    ASSERT_TRUE(tree.wheel(1));
    ASSERT_TRUE(page_->waitIdle());
    ASSERT_TRUE(tree.click(tree.label(1, 1)));
    EXPECT_EQ(pathText(), L"C:\\" + kProduct);

    // The down arrow scrolls by a row, the up arrow back.
    SetWindowTextW(page_->control(kPathBoxId).handle(), L"");
    ASSERT_TRUE(tree.click(tree.downArrow()));
    ASSERT_TRUE(page_->waitIdle());
    ASSERT_TRUE(tree.click(tree.label(1, 0)));
    EXPECT_EQ(pathText(), L"C:\\" + kProduct);
    ASSERT_TRUE(tree.click(tree.upArrow()));
    ASSERT_TRUE(page_->waitIdle());
    SetWindowTextW(page_->control(kPathBoxId).handle(), L"");
    ASSERT_TRUE(tree.click(tree.label(0, 0)));
    EXPECT_EQ(pathText(), L"C:\\" + kProduct);
    screenshot(L"scrolled");
}

}  // namespace
