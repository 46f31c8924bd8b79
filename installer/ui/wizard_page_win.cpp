#include "installer/ui/wizard_page_win.h"

#include "installer/ui/screen_placement.h"

void WizardPage::centreOverMainWindow() const {
    RECT parent{};
    RECT own{};
    GetWindowRect(mainWindow().frameWindow(), &parent);
    GetWindowRect(hwnd(), &own);
    const WindowOrigin origin = centredOver(parent.left, parent.top, parent.right, parent.bottom,
                                            own.right - own.left, own.bottom - own.top);
    SetWindowPos(hwnd(), nullptr, origin.x, origin.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
