// The splash window before the main window: the logo of the medium, centred,
// for 22 ticks of 100 ms. Enter and Esc do nothing; it ends itself.
#pragma once

#include "common/win/dialog_win.h"
#include "common/win/handles_win.h"
#include "installer/engine/install_run.h"
#include "installer/ui/picture_canvas_win.h"
#include "installer/ui/wizard.h"

class LogoWindow : public Dialog {
public:
    static constexpr int kLayout = 130;

    explicit LogoWindow(InstallRun& run);

protected:
    bool onInit() override;
    void onOK() override {}
    void onCancel() override {}

private:
    InstallRun& run_;
    BitmapHandle picture_;
    // After the picture, so that it lets go of it before it is deleted.
    PictureCanvas canvas_;
    LogoCountdown countdown_;
};
