#include "installer/ui/logo_window_win.h"

#include "installer/ui/picture_set.h"

namespace {
constexpr UINT_PTR kTimerId = 0;
}

LogoWindow::LogoWindow(InstallRun& run) : Dialog(kLayout), run_(run) {
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
        for (const auto& path : logoCandidates(run_.mediumFolder)) {
            picture_ = loadJpegPicture(run_.platform(), path, dc.get());
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
