// The about box of the main window's system menu: the icon, the program's
// name and version, and an OK button that closes it.
#pragma once

#include "common/win/dialog_win.h"

class AboutDialog : public Dialog {
public:
    static constexpr int kLayout = 100;
    AboutDialog() : Dialog(kLayout) {}
};
