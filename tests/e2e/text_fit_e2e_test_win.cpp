// Every static text, button and check box of every page shows its whole
// text, with the sample medium's texts, at the screen's dpi: ctest runs this
// at 96 dpi and, in a prefix of its own, at 144 (CKV_EXPECT_DPI says which).
// Each text is measured here, in the test, with the control's own font: a
// font handle of another process cannot be selected here, so the test makes
// the font the dialog manager makes from the layouts (宋体, 9 points, at the
// screen's dpi) and first holds it to the page's size: the page's width in
// dialog units of that font must be the layout's.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/handles_win.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::controls;
using namespace e2e::install_texts;

// Texts the driver finds its windows by (titles) stay the scenarios' own;
// every other text is the sample medium's.
constexpr int kDriverTexts[] = {0, 9, 20, 23, 30, 31, 32, 36, 38, 41, 47, 48, 49, 50, 52};

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

constexpr int kLayoutPoints = 9;

// The layouts' font as the dialog manager makes it at this screen's dpi.
FontHandle layoutFont() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return FontHandle(CreateFontW(-MulDiv(kLayoutPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                  FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  PROOF_QUALITY, FF_DONTCARE, L"宋体"));
}

// A font's horizontal dialog unit base, as the dialog manager takes it.
int baseUnitOf(HFONT font) {
    HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, font);
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(screen, letters, 52, &size);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return (size.cx / 26 + 1) / 2;
}

struct Measured {
    SIZE text{};
    SIZE room{};
    bool measured = false;
};

// The text's size in the control's own font, and the room the control gives
// it: its client area, less the box of a check box and a button's edges.
Measured measure(HWND control, const std::wstring& text, HFONT font) {
    Measured result;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const bool isStatic = _wcsicmp(className(control).c_str(), L"Static") == 0;
    const bool isButton = _wcsicmp(className(control).c_str(), L"Button") == 0;
    if ((!isStatic && !isButton) || text.empty()) {
        return result;
    }
    RECT client{};
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    UINT format = DT_CALCRECT;
    int reserved = 0;
    if (isStatic) {
        const LONG type = style & SS_TYPEMASK;
        if ((type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT &&
             type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) ||
            (style & SS_ELLIPSISMASK) != 0) {
            ReleaseDC(control, dc);
            return result;  // a picture, or a text shortened on purpose
        }
        const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
        format |= DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE) |
                  ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0);
    } else {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX) {
            ReleaseDC(control, dc);
            return result;
        }
        const bool box = type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON;
        // The box and its gap (13 pixels at 96 dpi), or the button's two edges.
        reserved = box ? MulDiv(13, dpi, 96) : 2 * GetSystemMetrics(SM_CXEDGE);
        format |= (style & BS_MULTILINE) != 0 ? DT_WORDBREAK : DT_SINGLELINE;
    }
    const HGDIOBJ old = SelectObject(dc, font);
    RECT rect{0, 0, client.right - reserved, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    result.text = {rect.right, rect.bottom};
    result.room = {client.right - reserved, client.bottom};
    result.measured = old != nullptr;
    return result;
}

// Every text of the page fits its control; a screenshot for people to look at.
// `layoutWidth`: the page's width in its layout, in dialog units. A page whose
// program is held still cannot be photographed (it shows black).
void expectTextsFit(const ui::Window& page, const char* name, int layoutWidth,
                    bool screenshot = true) {
    ASSERT_TRUE(page.waitIdle());
    const FontHandle font = layoutFont();
    RECT client{};
    GetClientRect(page.handle(), &client);
    ASSERT_EQ(client.right, MulDiv(layoutWidth, baseUnitOf(font.get()), 4))
        << name << ": not laid out in the font measured here";
    int checked = 0;
    for (HWND child = GetWindow(page.handle(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring text = ui::Window(child).text();
        const Measured size = measure(child, text, font.get());
        if (!size.measured) {
            continue;
        }
        ++checked;
        EXPECT_TRUE(size.text.cx <= size.room.cx && size.text.cy <= size.room.cy)
            << name << ": control " << GetDlgCtrlID(child) << " \"" << utf8FromWide(text)
            << "\" needs " << size.text.cx << " x " << size.text.cy << " pixels, has "
            << size.room.cx << " x " << size.room.cy;
    }
    EXPECT_GT(checked, 0) << name << ": no text measured";
    const std::wstring folder = e2e::folderFromEnvironment(L"CKV_SCREENSHOTS");
    if (screenshot && !folder.empty()) {
        const std::wstring dpi = std::to_wstring(GetDeviceCaps(GetDC(nullptr), LOGPIXELSY));
        const std::wstring path =
            folder + L"\\text-fit-" + dpi + L"-" + wideFromUtf8(name) + L".bmp";
        EXPECT_TRUE(page.saveScreenshot(path)) << utf8FromWide(path);
    }
}

class TextFitScenario : public e2e::InstallScenarioBase {
protected:
    // The sample medium's texts in place of the scenario's, and its
    // uninstaller's texts on the medium.
    void useSampleTexts() {
        const std::wstring samples = e2e::folderFromEnvironment(L"CKV_SAMPLES");
        ASSERT_FALSE(samples.empty());
        const std::wstring sampleIni = samples + L"\\install.ini";
        const std::wstring ini = medium_ + L"\\install.ini";
        for (int number = 0; number < 55; ++number) {
            if (std::find(std::begin(kDriverTexts), std::end(kDriverTexts), number) !=
                std::end(kDriverTexts)) {
                continue;
            }
            const std::wstring key = L"str" + std::to_wstring(number);
            wchar_t text[512] = {};
            GetPrivateProfileStringW(L"restable", key.c_str(), L"", text, 512, sampleIni.c_str());
            ASSERT_TRUE(WritePrivateProfileStringW(L"restable", key.c_str(), text, ini.c_str()));
        }
        ASSERT_TRUE(CopyFileW((samples + L"\\uninstall.ini").c_str(),
                              (medium_ + L"\\uninstall.ini").c_str(), FALSE));
    }
};

TEST_F(TextFitScenario, EveryPageShowsItsWholeTexts) {
    const char* expected = std::getenv("CKV_EXPECT_DPI");
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, expected != nullptr ? std::atoi(expected) : 96) << "the screen's dpi";

    ASSERT_NO_FATAL_FAILURE(pack(e2e::kSmallGame, L"--disc-size 1M"));
    ASSERT_NO_FATAL_FAILURE(useSampleTexts());
    // Package 2 on a second disc: the package check asks for it.
    const std::wstring disc2 = root_.path() + L"\\Disc2";
    ASSERT_TRUE(e2e::createFolders(disc2));
    ASSERT_TRUE(e2e::takeAwayPackage(medium_, 2, disc2));
    const std::wstring target = targets_.path() + L"\\Game";

    e2e::InstallerDriver installer(medium_);
    auto agreement = installer.reachAgreement();
    ASSERT_TRUE(agreement.has_value());
    expectTextsFit(*agreement, "agreement", 318);
    auto path = installer.reachPathPage();
    ASSERT_TRUE(path.has_value());
    expectTextsFit(*path, "path", 312);
    auto question = installer.reachCheckQuestion(target);
    ASSERT_TRUE(question.has_value());
    expectTextsFit(*question, "question", 272);

    ASSERT_TRUE(question->control(IDOK).click());
    auto prompt = installer.window(fillIntegerFormat(kNextDiscTitle, 2));
    ASSERT_TRUE(prompt.has_value()) << "no next-disc prompt";
    expectTextsFit(*prompt, "next-disc", 258);
    auto check =
        ui::Window::find({L"Checking package ", true, L"#32770", installer.process().id()});
    ASSERT_TRUE(check.has_value()) << "no package check";
    expectTextsFit(*check, "package-check", 239);
    // The disc put in: the check and the install go on by themselves.
    ASSERT_TRUE(MoveFileW((disc2 + L"\\data2.pck").c_str(), (medium_ + L"\\data2.pck").c_str()));

    auto progress = installer.window(kProgressTitle, e2e::kInstallTimeout);
    ASSERT_TRUE(progress.has_value());
    {
        // Held while its percentage shows, so that the page is still there.
        const auto held = ui::HeldThreads::holdWhen(
            *progress, [&] { return !progress->control(kOverallPercent).text().empty(); },
            e2e::kInstallTimeout);
        EXPECT_TRUE(held.has_value()) << "the install page was not seen working";
        if (held) {
            expectTextsFit(*progress, "install", 207, false);
        }
    }

    auto finish = installer.window(kFinishTitle, e2e::kInstallTimeout);
    ASSERT_TRUE(finish.has_value());
    expectTextsFit(*finish, "finish", 300);
    if (finish->control(kStartGameBox).isChecked()) {
        ASSERT_TRUE(finish->control(kStartGameBox).click());
    }
    if (!finish->control(kVerifyBox).isChecked()) {
        ASSERT_TRUE(finish->control(kVerifyBox).click());
    }
    ASSERT_TRUE(finish->waitIdle());
    ASSERT_TRUE(finish->control(IDOK).click());
    auto verification = installer.window(kVerifyTitle, e2e::kInstallTimeout);
    ASSERT_TRUE(verification.has_value());
    expectTextsFit(*verification, "verification", 300);
    const auto done =
        ui::MessageBoxWindow::find(kVerifyDone, installer.process().id(), e2e::kInstallTimeout);
    ASSERT_TRUE(done.has_value());
    ASSERT_TRUE(done->press(IDOK));
    ASSERT_TRUE(installer.process().waitForExit(e2e::kInstallTimeout));

    e2e::UninstallerDriver uninstaller(target);
    auto window = uninstaller.start();
    ASSERT_TRUE(window.has_value());
    expectTextsFit(*window, "uninstall", 320);
    ASSERT_TRUE(uninstaller.pressStart(*window, false).has_value());
}

}  // namespace
