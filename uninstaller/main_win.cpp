// The uninstaller's entry point. Its first run copies the program,
// uninstall.ini and uninstall.dat to the temporary folder, schedules the
// copies for deletion at restart and starts the copy with "uninstall"; the
// copy shows the uninstall window and does the removal.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "uninstaller/uninstaller_app_win.h"

namespace {

std::wstring firstArgument() {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring argument = (list != nullptr && count > 1) ? list[1] : L"";
    LocalFree(list);
    return argument;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    UninstallerApp app;
    return app.run(firstArgument());
}
