#include <windows.h>

#include "common/win/unattended_win.h"
#include "installer/app/installer_app_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CommandSwitches switches =
        parseCommandSwitches(commandLineAfterProgram(GetCommandLineW()), SwitchSet::Installer);
    Win32Platform platform;
    RunLog log = openRunLog(platform, switches);
    LogPrompt unattended(log);
    MessageBoxPrompt windows(kInstallerTitle);
    UserPrompt& prompt = switches.silent ? static_cast<UserPrompt&>(unattended) : windows;
    // Started as before, the exit code is 0 whatever happens; a script's
    // switches ask for the codes that say what happened.
    const bool scripted = switches.any();
    InstallerApp app(platform, prompt, std::move(switches), log);
    app.start();
    app.exit();
    return scripted ? app.exitCode() : 0;
}
