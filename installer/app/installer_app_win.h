// The installer's application object: the run's configuration, folders and
// package reader, and the two runs of start-up.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "common/ini_file.h"
#include "common/win/win32_platform_win.h"
#include "installer/app/install_config.h"
#include "installer/engine/install_engine.h"
#include "installer/engine/zip_file_package.h"

class MainWindow;

class InstallerApp : public UninstallerFiles {
public:
    InstallerApp(Platform& platform, UserPrompt& prompt);
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

    Platform& platform_;
    UserPrompt& prompt_;
    InstallConfig config_;
};

// The caption of the installer's message boxes.
inline constexpr wchar_t kInstallerTitle[] = L"install";

// Numbers and type names of the installer's embedded files.
constexpr int kUninstallerExeResource = 135;
constexpr int kUninstallerIniResource = 136;
