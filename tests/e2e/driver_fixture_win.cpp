// A small program for the UI driver's own tests: a dialog that reports what
// was done to it in its edit control and in its exit code (the button that
// closed it).
#include <windows.h>

#include "common/win/dialog_win.h"

namespace {

constexpr int kFixtureLayout = 100;
constexpr int kHiddenButton = 103;
constexpr int kReport = 104;
constexpr int kAskButton = 105;

class DriverFixtureDialog : public Dialog {
public:
    DriverFixtureDialog() : Dialog(kFixtureLayout) {}

protected:
    bool onInit() override {
        setItemText(kReport, L"initial text");
        return true;
    }

    bool onCommand(int id, int code) override {
        if (code != BN_CLICKED) {
            return false;
        }
        if (id == kHiddenButton) {
            setItemText(kReport, L"hidden pressed");
            return true;
        }
        if (id == kAskButton) {
            int answer = MessageBoxW(hwnd(), L"Fixture question?", L"Driver Fixture",
                                     MB_YESNO | MB_ICONQUESTION);
            setItemText(kReport, answer == IDYES ? L"yes" : L"no");
            return true;
        }
        return false;
    }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    DriverFixtureDialog fixture;
    return static_cast<int>(fixture.runModal(nullptr));
}
