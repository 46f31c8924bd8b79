// The uninstaller's application object: its texts, the uninstall record and
// the two stages of a run (copy to the temporary folder, then removal), with
// the window or, for a script (uninstall.exe /S), without any.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/command_switches.h"
#include "common/registered_type.h"
#include "common/run_log.h"
#include "common/win/win32_platform_win.h"
#include "uninstaller/engine/removal_engine.h"
#include "uninstaller/engine/uninstall_texts.h"
#include "uninstaller/uninstall_window_win.h"

enum UninstallExitCode {
    kExitRemoved = 0,
    // Nothing was removed: no record, no texts to copy, a cancel, or an
    // unknown switch.
    kExitNothingRemoved = 1,
};

class UninstallerApp : public UninstallHost {
public:
    // How long the copy waits for a waiting first stage to end before it
    // deletes that stage's program file.
    static constexpr DWORD kFirstStageEndMs = 30000;

    // `log` writes nowhere unless the script asked for one (/LOG=FILE).
    UninstallerApp(CommandSwitches switches, RunLog& log);
    UninstallerApp(const UninstallerApp&) = delete;
    UninstallerApp& operator=(const UninstallerApp&) = delete;

    // The whole run; answers the process's exit code.
    int run();

    const UninstallTexts& texts() const override { return texts_; }
    MessageBoxPrompt& windowPrompt() override { return windowPrompt_; }
    Platform& platform() { return platform_; }
    // The removal as the start button and the silent run have it: the
    // recorded entries, the registry, delete-all when asked for and the exit
    // address.
    void remove(RemovalView& view, bool deleteAll, HWND owner) override;

private:
    // The copy stage; the removal happens in the copy it starts. Answers the
    // exit code: the copy's own when a script waits for it.
    int copyToTemporaryFolder();
    int removeWithOrWithoutWindow();
    // An install into the game folder that was killed is undone first, as
    // the installer's next start would; false when nothing is left then.
    bool recoverInterruptedInstall();
    bool loadRecord();
    std::wstring entry(int k) const;

    CommandSwitches switches_;
    RunLog& log_;
    Win32Platform platform_;
    MessageBoxPrompt windowPrompt_;
    LogPrompt logPrompt_;
    UserPrompt& prompt_;
    // Where uninstall.ini and uninstall.dat are read: the folder handed by
    // the copy stage, or the current folder.
    std::wstring recordFolder_;
    std::wstring profilePath_;
    UninstallTexts texts_;
    RegisteredType registered_;
    std::vector<std::wstring> records_;
    RemovalEngine removal_;
    bool deletedAll_ = false;
};

// The caption of the uninstaller's message boxes.
inline constexpr wchar_t kUninstallerTitle[] = L"uninstall";
