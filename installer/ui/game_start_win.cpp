#include "installer/ui/game_start_win.h"

#include <windows.h>
#include <shellapi.h>

#include "installer/app/installer_app_win.h"
#include "installer/engine/shortcuts.h"

void StartInstalledGame(const InstallerApp& app) {
    const std::wstring& programFile = app.config().programFile;
    const std::wstring program = gameProgramPath(app.targetFolder, programFile);
    const std::wstring folder = shortcutWorkingFolder(app.targetFolder, programFile);
    ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, folder.c_str(), SW_SHOW);
}
