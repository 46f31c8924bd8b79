// The wizard's frame, driven from outside as a person would see it: the logo,
// the full-screen main window with its background pictures, the agreement
// page in front of it, and the about box. Each scenario makes its own medium
// in the Wine prefix and starts the installer's second run on it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/scenario_support_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace {

const wchar_t kProgram[] = L"install.exe";
const UINT kProgressMessage = WM_USER + 3;
const WPARAM kAboutCommand = 0x10;

// The texts of the scenarios' install.ini that the frame shows.
const std::wstring kMainTitle = L"Wizard Frame Setup";                 // str32
const std::wstring kAgreementLabel = L"Read the licence to its end:";  // str22
const std::wstring kAgreementTitle = L"Licence of the Frame Test";     // str23
const std::wstring kAgree = L"Agree";                                  // str24
const std::wstring kDecline = L"Decline";                              // str25

// Layout 131.
const int kLabelId = 1013;
const int kTextBoxId = 1002;
const int kAgreeId = 1009;

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::vector<uint8_t> installIni(bool packageCheck) {
    std::wstring text = L"[setup]\r\nproduct=Frame Test\r\nprogramgroup=Frame Test\r\n";
    text += L"package_check_flag=" + std::wstring(packageCheck ? L"1" : L"0") + L"\r\n";
    text += L"[restable]\r\nrescount=55\r\n";
    const std::pair<int, std::wstring> texts[] = {
        {22, kAgreementLabel},
        {23, kAgreementTitle},
        {24, kAgree},
        {25, kDecline},
        {32, kMainTitle},
        {45, L"The package cannot be read. Try again?"},
        {46, L"The disk is nearly full. Try again?"},
        {51, L"Check the packages first?"},
        {52, L"Package Check"},
        {53, L"Skip"},
        {54, L"Check"},
    };
    for (const auto& [index, value] : texts) {
        text += L"str" + std::to_wstring(index) + L"=" + value + L"\r\n";
    }
    return e2e::utf16FileBytes(text);
}

// An agreement of `lines` numbered lines as UTF-16LE, with a byte-order mark.
std::vector<uint8_t> agreementBytes(int lines) {
    std::wstring text;
    for (int i = 1; i <= lines; ++i) {
        text += L"Clause " + std::to_wstring(i) + L" of the licence agreement.\r\n";
    }
    text += L"End of the agreement.";
    std::vector<uint8_t> bytes = {0xFF, 0xFE};
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

struct Colour {
    int red;
    int green;
    int blue;
};

// The colours of the pictures that the build makes for these scenarios.
const Colour kRed{200, 60, 40};
const Colour kGreen{40, 170, 70};
const Colour kBlue{40, 70, 200};
const Colour kMagenta{200, 40, 200};
const Colour kOrange{240, 150, 30};

bool closeTo(const Colour& a, const Colour& b) {
    return std::abs(a.red - b.red) <= 16 && std::abs(a.green - b.green) <= 16 &&
           std::abs(a.blue - b.blue) <= 16;
}

std::string describe(const Colour& c) {
    return "(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " +
           std::to_string(c.blue) + ")";
}

Colour screenColour(POINT point) {
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)};
}

RECT clientOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT topLeft{client.left, client.top};
    POINT bottomRight{client.right, client.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

BOOL CALLBACK collectText(HWND child, LPARAM list) {
    wchar_t text[256] = {};
    GetWindowTextW(child, text, 256);
    reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(text);
    return TRUE;
}

std::vector<std::wstring> childTexts(HWND window) {
    std::vector<std::wstring> texts;
    EnumChildWindows(window, collectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

class WizardScenario : public ::testing::Test {
protected:
    WizardScenario() : medium_(L"C:\\media\\" + e2e::currentTestName()) {}

    void SetUp() override {
        bin_ = e2e::folderFromEnvironment(L"CKV_BIN");
        pictures_ = e2e::folderFromEnvironment(L"CKV_WIZARD_PICTURES");
        ASSERT_FALSE(bin_.empty()) << "CKV_BIN is not set";
        ASSERT_FALSE(pictures_.empty()) << "CKV_WIZARD_PICTURES is not set";
        ASSERT_TRUE(medium_.created());
        for (const wchar_t* name : {kProgram, L"JPGI.dll", L"ijl15.dll"}) {
            auto bytes = e2e::readFileBytes(bin_ + L"\\" + name);
            ASSERT_TRUE(bytes && !bytes->empty()) << "no built " << narrow(name);
            ASSERT_TRUE(e2e::writeFileBytes(medium_.file(name), *bytes));
        }
        ASSERT_TRUE(
            e2e::writeFileBytes(medium_.file(L"data1.pck"), e2e::packageHeaderBytes(2, 0x100000)));
        writeIni(true);
    }

    void TearDown() override {
        if (process_ && process_->isRunning()) {
            process_->terminate();
        }
    }

    void writeIni(bool packageCheck) {
        ASSERT_TRUE(e2e::writeFileBytes(medium_.file(L"install.ini"), installIni(packageCheck)));
    }
    void writeAgreement(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(e2e::writeFileBytes(medium_.file(L"CopyRight.txt"), bytes));
    }
    // Copies a picture the build made to a place on the medium.
    void placePicture(const std::wstring& made, const std::wstring& target) {
        auto bytes = e2e::readFileBytes(pictures_ + L"\\" + made);
        ASSERT_TRUE(bytes.has_value()) << "no picture " << narrow(made);
        const std::wstring path = medium_.file(target);
        ASSERT_TRUE(e2e::createFolders(path.substr(0, path.rfind(L'\\'))));
        ASSERT_TRUE(e2e::writeFileBytes(path, *bytes));
    }

    // The second run, as the first run starts it: the medium folder as its
    // argument and as its current folder.
    void start() {
        process_ = ui::Process::start(medium_.file(kProgram), medium_.path(), medium_.path());
        ASSERT_TRUE(process_.has_value());
    }

    std::optional<ui::Window> findLogo() {
        return ui::Window::find({L"", false, L"#32770", process_->id()});
    }
    std::optional<ui::Window> findMain() {
        return ui::Window::find({kMainTitle, false, L"#32770", process_->id()});
    }
    std::optional<ui::Window> findAgreement(DWORD timeoutMs = ui::kDefaultTimeout) {
        return ui::Window::find({kAgreementTitle, false, L"#32770", process_->id()}, timeoutMs);
    }
    bool agreementVisible() {
        return !ui::Window::list({kAgreementTitle, false, L"#32770", process_->id()}).empty();
    }

    // Logo, then the main window, then the agreement page in front of it.
    void reachAgreement(std::optional<ui::Window>& main, std::optional<ui::Window>& page) {
        auto logo = findLogo();
        ASSERT_TRUE(logo.has_value()) << "no logo window";
        ASSERT_TRUE(logo->waitGone());
        main = findMain();
        ASSERT_TRUE(main.has_value()) << "no main window";
        page = findAgreement();
        ASSERT_TRUE(page.has_value()) << "no agreement page";
        ASSERT_TRUE(page->waitIdle());
    }

    void screenshot(const ui::Window& window, const std::wstring& what) {
        const std::wstring folder = e2e::folderFromEnvironment(L"CKV_SCREENSHOTS");
        if (folder.empty() || !e2e::createFolders(folder)) {
            return;
        }
        const std::wstring path = folder + L"\\wizard-" + e2e::currentTestName() + L"-" +
                                  std::to_wstring(++screenshots_) + L"-" + what + L".bmp";
        EXPECT_TRUE(window.saveScreenshot(path)) << narrow(path);
    }
    // The main window reaches past the screen's edges, where nothing can be
    // captured: it is taken as the screen shows it.
    void screenshotOfScreen(const ui::Window& window, const std::wstring& what) {
        ASSERT_TRUE(window.waitIdle());
        screenshot(ui::Window(GetDesktopWindow()), what);
    }

    // Waits until the screen shows about `expected` at a point; the drawing
    // reaches the screen a little after the program has painted.
    ::testing::AssertionResult showsColour(POINT point, const Colour& expected) {
        Colour seen{};
        if (ui::waitUntil([&] { return closeTo(seen = screenColour(point), expected); }, 3000)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "at " << point.x << "," << point.y << " the screen shows " << describe(seen)
               << ", not " << describe(expected);
    }

    // A point of the main window that no page covers.
    POINT backgroundPoint(const ui::Window& main) {
        const RECT client = clientOnScreen(main.handle());
        return {std::max(client.left, 0L) + 40, std::max(client.top, 0L) + 40};
    }

    void postProgress(const ui::Window& main, int percent) {
        ASSERT_TRUE(main.postMessage(kProgressMessage, static_cast<WPARAM>(percent), 0));
    }

    int firstVisibleLine(const ui::Control& box) {
        return static_cast<int>(
            ui::Window(box.handle()).sendMessage(EM_GETFIRSTVISIBLELINE).value_or(-1));
    }

    // Scrolls the text box one step at a time until agree is enabled; fails
    // when the text stops moving first. Answers the number of steps.
    int scrollUntilAgreeEnabled(const ui::Window& page, UINT message, WPARAM wParam) {
        ui::Control box = page.control(kTextBoxId);
        ui::Control agree = page.control(kAgreeId);
        ui::Window boxWindow(box.handle());
        int line = firstVisibleLine(box);
        for (int steps = 1; steps < 2000; ++steps) {
            EXPECT_FALSE(agree.isEnabled()) << "agree enabled before the end, line " << line;
            EXPECT_TRUE(boxWindow.sendMessage(message, wParam, 0).has_value());
            const int now = firstVisibleLine(box);
            if (agree.isEnabled()) {
                // At the end: one more step does not move the text.
                EXPECT_TRUE(boxWindow.sendMessage(message, wParam, 0).has_value());
                EXPECT_EQ(firstVisibleLine(box), now);
                return steps;
            }
            if (now == line) {
                ADD_FAILURE() << "the text stopped at line " << now << " with agree disabled";
                return steps;
            }
            line = now;
        }
        ADD_FAILURE() << "no end reached";
        return 0;
    }

    e2e::ScenarioFolder medium_;
    std::wstring bin_;
    std::wstring pictures_;
    std::optional<ui::Process> process_;
    int screenshots_ = 0;
};

TEST_F(WizardScenario, LogoThenFullScreenMainWindowThenAgreement) {
    placePicture(L"logo-orange.jpg", L"background\\Logo.jpg");
    placePicture(L"logo-cyan.jpg", L"Logo.jpg");
    placePicture(L"sample-setup0.jpg", L"background\\setup0.jpg");
    writeAgreement(agreementBytes(300));
    start();

    auto logo = findLogo();
    ASSERT_TRUE(logo.has_value()) << "no logo window";
    const DWORD logoSeen = GetTickCount();
    // Centred on the screen, showing the logo under "background".
    RECT area{};
    ASSERT_TRUE(GetWindowRect(logo->handle(), &area));
    EXPECT_LE(std::abs((area.left + area.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 2);
    EXPECT_LE(std::abs((area.top + area.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 2);
    EXPECT_TRUE(showsColour({(area.left + area.right) / 2, (area.top + area.bottom) / 2}, kOrange));
    screenshot(*logo, L"logo");
    // Enter and Esc do not end it.
    ASSERT_TRUE(logo->sendKey(VK_RETURN));
    ASSERT_TRUE(logo->sendKey(VK_ESCAPE));
    ASSERT_TRUE(logo->waitIdle());
    EXPECT_TRUE(logo->isVisible());
    ASSERT_TRUE(logo->waitGone());
    const DWORD logoShownMs = GetTickCount() - logoSeen;
    std::printf("logo shown for %lu ms\n", static_cast<unsigned long>(logoShownMs));
    RecordProperty("logo_shown_ms", static_cast<int>(logoShownMs));
    // Ended by its own count, not by the keys pressed at its start.
    EXPECT_GE(logoShownMs, 1500u);

    auto main = findMain();
    ASSERT_TRUE(main.has_value()) << "no main window titled " << narrow(kMainTitle);
    const DWORD mainSeen = GetTickCount();
    EXPECT_FALSE(agreementVisible()) << "the agreement page shows before its eleventh tick";
    // The client area covers the screen; the caption lies above it.
    const RECT client = clientOnScreen(main->handle());
    RECT frame{};
    ASSERT_TRUE(GetWindowRect(main->handle(), &frame));
    EXPECT_LT(frame.top, 0);
    EXPECT_LE(client.top, 0);
    EXPECT_LE(client.left, 3);
    EXPECT_GE(client.right, GetSystemMetrics(SM_CXSCREEN) - 3);
    EXPECT_GE(client.bottom, GetSystemMetrics(SM_CYSCREEN));

    auto page = findAgreement();
    ASSERT_TRUE(page.has_value()) << "no agreement page";
    const DWORD pageAfterMs = GetTickCount() - mainSeen;
    std::printf("agreement page shown %lu ms after the main window\n",
                static_cast<unsigned long>(pageAfterMs));
    RecordProperty("agreement_after_ms", static_cast<int>(pageAfterMs));
    EXPECT_GE(pageAfterMs, 850u);
    EXPECT_EQ(page->text(), kAgreementTitle);
    EXPECT_EQ(page->control(kLabelId).text(), kAgreementLabel);
    EXPECT_EQ(page->control(kAgreeId).text(), kAgree);
    EXPECT_EQ(page->control(IDCANCEL).text(), kDecline);
    ASSERT_TRUE(page->waitIdle());
    // The text starts at its top, with agree disabled until it has been read.
    EXPECT_EQ(firstVisibleLine(page->control(kTextBoxId)), 0);
    EXPECT_FALSE(page->control(kAgreeId).isEnabled());
    EXPECT_EQ(page->control(kTextBoxId).text().rfind(L"\uFEFFClause 1 of", 0), 0u);
    screenshotOfScreen(*main, L"agreement-over-background");
}

TEST_F(WizardScenario, ScrollBarToTheEndEnablesAgreeForGood) {
    writeAgreement(agreementBytes(300));
    start();
    std::optional<ui::Window> main, page;
    ASSERT_NO_FATAL_FAILURE(reachAgreement(main, page));
    const int steps = scrollUntilAgreeEnabled(*page, WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_GT(steps, 3);
    // Back to the top with the scroll bar: agree stays enabled.
    ui::Window box(page->control(kTextBoxId).handle());
    ASSERT_TRUE(box.sendMessage(WM_VSCROLL, SB_TOP, 0).has_value());
    EXPECT_EQ(firstVisibleLine(page->control(kTextBoxId)), 0);
    EXPECT_TRUE(page->control(kAgreeId).isEnabled());
    screenshot(*page, L"agree-enabled");

    // Agree moves the wizard on: the page goes, the installer stays.
    ASSERT_TRUE(page->control(kAgreeId).click());
    EXPECT_TRUE(ui::waitUntil([&] { return !page->isVisible(); }, 3000));
    EXPECT_TRUE(main->exists());
    EXPECT_TRUE(process_->isRunning());
    // It is not shown again at step 1.
    EXPECT_FALSE(ui::waitUntil([&] { return page->isVisible(); }, 1500));
}

TEST_F(WizardScenario, WheelToTheEndEnablesAgreeForGood) {
    writeAgreement(agreementBytes(300));
    start();
    std::optional<ui::Window> main, page;
    ASSERT_NO_FATAL_FAILURE(reachAgreement(main, page));
    const WPARAM towardsUser = MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA));
    scrollUntilAgreeEnabled(*page, WM_MOUSEWHEEL, towardsUser);
    ui::Control box = page->control(kTextBoxId);
    const WPARAM awayFromUser = MAKEWPARAM(0, WHEEL_DELTA);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(ui::Window(box.handle()).sendMessage(WM_MOUSEWHEEL, awayFromUser, 0));
    }
    EXPECT_GT(firstVisibleLine(box), 0);
    EXPECT_TRUE(page->control(kAgreeId).isEnabled());
}

TEST_F(WizardScenario, ShortTextEnablesAgreeAtOnce) {
    writeAgreement(agreementBytes(3));
    start();
    std::optional<ui::Window> main, page;
    ASSERT_NO_FATAL_FAILURE(reachAgreement(main, page));
    EXPECT_TRUE(page->control(kAgreeId).isEnabled());
    EXPECT_NE(page->control(kTextBoxId).text().find(L"End of the agreement."), std::wstring::npos);
}

TEST_F(WizardScenario, WithoutCopyRightTheBoxIsEmptyAndAgreeEnabled) {
    start();
    std::optional<ui::Window> main, page;
    ASSERT_NO_FATAL_FAILURE(reachAgreement(main, page));
    EXPECT_EQ(page->control(kTextBoxId).text(), L"");
    EXPECT_TRUE(page->control(kAgreeId).isEnabled());
}

TEST_F(WizardScenario, EnterDoesNothingAndNotAgreeEndsTheInstaller) {
    writeAgreement(agreementBytes(300));
    start();
    std::optional<ui::Window> main, page;
    ASSERT_NO_FATAL_FAILURE(reachAgreement(main, page));
    ASSERT_TRUE(page->sendKey(VK_RETURN));
    ASSERT_TRUE(main->sendKey(VK_RETURN));
    ASSERT_TRUE(main->sendKey(VK_ESCAPE));
    ASSERT_TRUE(page->waitIdle());
    EXPECT_FALSE(ui::waitUntil([&] { return !page->isVisible(); }, 1500));
    EXPECT_TRUE(main->exists());

    ASSERT_TRUE(page->control(IDCANCEL).click());
    ASSERT_TRUE(process_->waitForExit());
    EXPECT_EQ(process_->exitCode().value_or(1), 0u);
}

TEST_F(WizardScenario, EscEndsTheInstaller) {
    start();
    std::optional<ui::Window> main, page;
    ASSERT_NO_FATAL_FAILURE(reachAgreement(main, page));
    ASSERT_TRUE(page->sendKey(VK_ESCAPE));
    ASSERT_TRUE(process_->waitForExit());
    EXPECT_FALSE(main->exists());
}

TEST_F(WizardScenario, CloseBoxEndsTheInstaller) {
    start();
    std::optional<ui::Window> main, page;
    ASSERT_NO_FATAL_FAILURE(reachAgreement(main, page));
    ASSERT_TRUE(page->postMessage(WM_SYSCOMMAND, SC_CLOSE, 0));
    ASSERT_TRUE(process_->waitForExit());
}

TEST_F(WizardScenario, BackgroundPicturesFollowTheProgressInNumberOrder) {
    placePicture(L"red.jpg", L"background\\setup0.jpg");
    placePicture(L"green.bmp", L"background\\setup2.bmp");
    placePicture(L"blue.jpg", L"background\\setup5.jpg");
    // Not looked at: "background" has pictures.
    placePicture(L"magenta.bmp", L"setup1.bmp");
    start();
    auto main = findMain();
    ASSERT_TRUE(main.has_value());
    const POINT point = backgroundPoint(*main);
    EXPECT_TRUE(showsColour(point, kRed));
    screenshotOfScreen(*main, L"picture-0");
    // Three pictures: 34 % is picture 1, 67 % picture 2.
    postProgress(*main, 34);
    EXPECT_TRUE(showsColour(point, kGreen));
    screenshotOfScreen(*main, L"picture-1");
    postProgress(*main, 67);
    EXPECT_TRUE(showsColour(point, kBlue));
    screenshotOfScreen(*main, L"picture-2");
    // 100 % asks for picture 3, which does not exist: the last one stays.
    postProgress(*main, 100);
    ASSERT_TRUE(main->waitIdle());
    EXPECT_TRUE(showsColour(point, kBlue));
    postProgress(*main, 0);
    EXPECT_TRUE(showsColour(point, kRed));
    postProgress(*main, 50);
    EXPECT_TRUE(showsColour(point, kGreen));
}

TEST_F(WizardScenario, GreyScaleJpegGivesWayToTheBitmap) {
    placePicture(L"grey.jpg", L"background\\setup1.jpg");
    placePicture(L"magenta.bmp", L"background\\setup1.bmp");
    start();
    auto main = findMain();
    ASSERT_TRUE(main.has_value());
    const POINT point = backgroundPoint(*main);
    EXPECT_TRUE(showsColour(point, kMagenta));
    // One picture: every percentage below 100 shows it.
    postProgress(*main, 99);
    ASSERT_TRUE(main->waitIdle());
    EXPECT_TRUE(showsColour(point, kMagenta));
}

TEST_F(WizardScenario, DamagedJpegGivesWayToTheBitmap) {
    // A JPEG whose header reads but whose picture data is cut short.
    auto jpeg = e2e::readFileBytes(pictures_ + L"\\red.jpg");
    ASSERT_TRUE(jpeg.has_value());
    const uint8_t startOfScan[] = {0xFF, 0xDA};
    auto scan =
        std::search(jpeg->begin(), jpeg->end(), std::begin(startOfScan), std::end(startOfScan));
    ASSERT_NE(scan, jpeg->end());
    jpeg->erase(scan + 20, jpeg->end());
    ASSERT_TRUE(e2e::createFolders(medium_.file(L"background")));
    ASSERT_TRUE(e2e::writeFileBytes(medium_.file(L"background\\setup0.jpg"), *jpeg));
    placePicture(L"green.bmp", L"background\\setup0.bmp");
    start();
    auto main = findMain();
    ASSERT_TRUE(main.has_value());
    EXPECT_TRUE(showsColour(backgroundPoint(*main), kGreen));
}

TEST_F(WizardScenario, LogoGivenOnlyAsBitmapIsNotShown) {
    placePicture(L"logo-orange.bmp", L"background\\Logo.bmp");
    placePicture(L"logo-orange.bmp", L"Logo.bmp");
    start();
    auto logo = findLogo();
    ASSERT_TRUE(logo.has_value());
    RECT area{};
    ASSERT_TRUE(GetWindowRect(logo->handle(), &area));
    const POINT centre{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const Colour background{GetRValue(face), GetGValue(face), GetBValue(face)};
    EXPECT_TRUE(showsColour(centre, background));
    EXPECT_FALSE(closeTo(screenColour(centre), kOrange));
    screenshot(*logo, L"blank-logo");
    ASSERT_TRUE(logo->waitGone());
}

TEST_F(WizardScenario, AboutIsTheLastEntryOfTheSystemMenu) {
    start();
    auto main = findMain();
    ASSERT_TRUE(main.has_value());
    // Alt+Space opens the system menu; Up wraps round to its last entry.
    ASSERT_TRUE(main->postMessage(WM_SYSCOMMAND, SC_KEYMENU, L' '));
    auto menu = ui::Window::find({L"", false, L"#32768", process_->id()});
    ASSERT_TRUE(menu.has_value()) << "no system menu";
    ASSERT_TRUE(menu->sendKey(VK_UP));
    ASSERT_TRUE(menu->sendKey(VK_RETURN));
    auto about = ui::Window::find({L"About Install", false, L"#32770", process_->id()});
    ASSERT_TRUE(about.has_value()) << "no about box";
    ASSERT_TRUE(about->control(IDOK).click());
    EXPECT_TRUE(about->waitGone());
}

TEST_F(WizardScenario, SystemMenuAboutEntryOpensTheAboutBox) {
    start();
    auto main = findMain();
    ASSERT_TRUE(main.has_value());
    ASSERT_TRUE(main->postMessage(WM_SYSCOMMAND, kAboutCommand, 0));
    auto about = ui::Window::find({L"About Install", false, L"#32770", process_->id()});
    ASSERT_TRUE(about.has_value()) << "no about box";
    const auto texts = childTexts(about->handle());
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"Install 1.0"), texts.end());
    EXPECT_EQ(about->control(IDOK).text(), L"OK");
    screenshot(*about, L"about");
    ASSERT_TRUE(about->control(IDOK).click());
    EXPECT_TRUE(about->waitGone());
    EXPECT_TRUE(main->exists());
    EXPECT_TRUE(process_->isRunning());
}

}  // namespace
