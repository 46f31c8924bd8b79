// The installer's application object: the run's configuration, folders and
// package reader, the two runs of start-up, and which window follows which.
// The wizard and the silent run it starts drive the same engine and end the
// same way (InstallEnding).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "common/command_switches.h"
#include "common/run_log.h"
#include "common/win/win32_platform_win.h"
#include "common/win/win32_registry_win.h"
#include "installer/app/install_ending.h"
#include "installer/engine/embedded_uninstaller_win.h"
#include "installer/engine/install_engine.h"
#include "installer/engine/install_run.h"
#include "installer/ui/wizard_host_win.h"

class MainWindow;

class InstallerApp : public InstallRun, public WizardHost {
public:
    // `switches` and `log` are those of an unattended run (install.exe /S);
    // started as before, there are none and the log writes nowhere.
    InstallerApp(Platform& platform, UserPrompt& prompt, CommandSwitches switches, RunLog& log);

    // The application's initialisation; always false in the end, since the
    // run is over when the main window closes.
    bool start();
    // The application's exit step.
    void exit();

    bool relaunchFromTemp();
    bool copyFileToFolder(const std::wstring& folder, const std::wstring& sourcePath);
    void placeUnicodeLayer();
    void computeDefaultTargetFolder();
    bool writeUninstallerExe() { return uninstaller_.writeExe(targetFolder); }
    bool writeUninstallerIni() { return uninstaller_.writeIni(targetFolder); }

    // The process's exit code: see InstallExitCode.
    int exitCode() const { return exitCode_; }

    // What the wizard leaves to the application.
    InstallRun& installRun() override { return *this; }
    InstallEngine& makeInstallEngine() override;
    bool unpackEnded(HWND page) override;
    void undone() override { ending_.undone(); }
    bool finish(const std::optional<FinishChoices>& choices, HWND page) override;
    void verificationEnded(VerificationEnd end) override;

    std::wstring profileName;
    // The application's main window while it runs (start-up step 13).
    MainWindow* mainWindow = nullptr;

private:
    // Unknown switches are refused before anything is done.
    bool refuseUnknownSwitches();
    // Starts the copy in the private folder; with switches it waits for the
    // copy and takes over its exit code.
    void startCopy(const std::wstring& program, const std::wstring& privateFolder,
                   const std::wstring& sourceFolder);
    // The medium's uninstall.ini, when it has one that passes; false (the
    // message shown) when it is refused.
    bool takeUninstallTexts();
    void runUnattended();
    void runWizard();
    // Before the first page: an install of this game that was killed is
    // undone (or, had it finished, its leftovers go), and the person or the
    // log is told what was done.
    void recoverInterruptedInstall();

    CommandSwitches switches_;
    EmbeddedUninstaller uninstaller_;
    Win32Registry registry_;
    // The wizard's; the silent run has its own.
    InstallEnding ending_;
    std::unique_ptr<InstallEngine> engine_;
    int exitCode_ = kExitNothingInstalled;
};
