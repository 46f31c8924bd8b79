#include <windows.h>

#include "installer/app/installer_app_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Win32Platform platform;
    MessageBoxPrompt prompt(kInstallerTitle);
    InstallerApp app(platform, prompt);
    app.start();
    app.exit();
    return 0;
}
