// The uninstaller's entry point. Its first run copies the program,
// uninstall.ini and uninstall.dat to the temporary folder, schedules the
// copies for deletion at restart and starts the copy with "uninstall" and the
// game's folder; the copy shows the uninstall window and does the removal
// (or, with /S, does it without a window).
#include <windows.h>

#include "common/win/unattended_win.h"
#include "uninstaller/uninstaller_app_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CommandSwitches switches =
        parseCommandSwitches(commandLineAfterProgram(GetCommandLineW()), SwitchSet::Uninstaller);
    Win32Platform platform;
    RunLog log = openRunLog(platform, switches);
    // Started as before, the exit code is 0 whatever happens; a script's
    // switches ask for the codes that say what happened.
    const bool scripted = switches.any();
    UninstallerApp app(std::move(switches), log);
    const int code = app.run();
    return scripted ? code : 0;
}
