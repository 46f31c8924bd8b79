// The installer's application object: the run's configuration, folders and
// package reader, and the two runs of start-up.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "common/command_switches.h"
#include "common/ini_file.h"
#include "common/run_log.h"
#include "common/win/win32_platform_win.h"
#include "installer/engine/install_config.h"
#include "installer/engine/install_engine.h"
#include "installer/app/unattended_install.h"
#include "installer/engine/zip_file_package.h"

class MainWindow;

class InstallerApp : public UninstallerFiles, public FinishingSteps {
public:
    // `switches` and `log` are those of an unattended run (install.exe /S);
    // started as before, there are none and the log writes nowhere.
    InstallerApp(Platform& platform, UserPrompt& prompt, CommandSwitches switches, RunLog& log);
    InstallerApp(const InstallerApp&) = delete;
    InstallerApp& operator=(const InstallerApp&) = delete;

    // The application's initialisation; always false in the end, since the
    // run is over when the main window closes.
    bool start();
    // The application's exit step.
    void exit();

    bool relaunchFromTemp();
    bool copyFileToFolder(const std::wstring& folder, const std::wstring& sourcePath);
    void placeUnicodeLayer();
    void computeDefaultTargetFolder();
    bool writeUninstallerExe() { return writeExe(targetFolder); }
    bool writeUninstallerIni() { return writeIni(targetFolder); }
    bool writeExe(const std::wstring& folder) override;
    bool writeIni(const std::wstring& folder) override;

    // The steps after a complete unpack, for the unattended run; the
    // wizard's pages carry out the same ones.
    void useTargetFolder(const std::wstring& folder) override { targetFolder = folder; }
    void createProgramGroup(InstallEngine& engine) override;
    void addUninstallEntry() override;
    void registerFileType() override;
    void createDesktopShortcuts(InstallEngine& engine) override;
    void startGame() override;

    // The log of /LOG=FILE; it writes nowhere without one.
    RunLog& log() { return log_; }
    // The process's exit code: see InstallExitCode.
    int exitCode() const { return exitCode_; }
    void setExitCode(InstallExitCode code) { exitCode_ = code; }

    Platform& platform() { return platform_; }
    UserPrompt& prompt() { return prompt_; }
    const InstallConfig& config() const { return config_; }
    const std::wstring& text(size_t index) const { return config_.text(index); }

    std::wstring profileName;
    std::wstring targetFolder;
    std::wstring programsFolder;
    std::wstring defaultTargetFolder;
    std::wstring mediumFolder;
    std::atomic<bool> installFailed{false};
    CZipFilePackage packageReader;
    // The application's main window while it runs (start-up step 13).
    MainWindow* mainWindow = nullptr;

private:
    bool writeResource(const std::wstring& folder, int number, const wchar_t* type,
                       const wchar_t* fileName);
    // Unknown switches are refused before anything is done.
    bool refuseUnknownSwitches();
    // Starts the copy in the private folder; with switches it waits for the
    // copy and takes over its exit code.
    void startCopy(const std::wstring& program, const std::wstring& privateFolder,
                   const std::wstring& sourceFolder);
    void runUnattended();

    Platform& platform_;
    UserPrompt& prompt_;
    CommandSwitches switches_;
    RunLog& log_;
    InstallConfig config_;
    int exitCode_ = kExitNothingInstalled;
};

// The caption of the installer's message boxes.
inline constexpr wchar_t kInstallerTitle[] = L"install";

// Numbers and type names of the installer's embedded files.
constexpr int kUninstallerExeResource = 135;
constexpr int kUninstallerIniResource = 136;
