#include "installer/ui/logo_window_win.h"

#include "installer/app/installer_app_win.h"
#include "installer/ui/picture_set.h"

namespace {
constexpr UINT_PTR kTimerId = 0;
}

LogoWindow::LogoWindow(InstallerApp& app) : Dialog(kLayout), app_(app) {
    handle(WM_TIMER, [this](WPARAM id, LPARAM, LRESULT&) {
        if (id != kTimerId) {
            return false;
        }
        if (countdown_.tick()) {
            KillTimer(hwnd(), kTimerId);
            end(0);
        }
        return true;
    });
    handle(WM_PAINT, [this](WPARAM, LPARAM, LRESULT&) {
        PaintScope scope(hwnd());
        RECT client{};
        GetClientRect(hwnd(), &client);
        canvas_.paint(scope.dc(), client);
        return true;
    });
}

bool LogoWindow::onInit() {
    canvas_.create(hwnd());
    {
        WindowDc dc(hwnd());
        for (const auto& path : logoCandidates(app_.mediumFolder)) {
            picture_ = loadJpegPicture(app_.platform(), path, dc.get());
            if (picture_) {
                break;
            }
        }
    }
    if (picture_) {
        canvas_.select(picture_.get());
    }
    SetTimer(hwnd(), kTimerId, kWizardTimerMs, nullptr);
    return true;
}
