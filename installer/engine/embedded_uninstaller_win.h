// The uninstaller's two files as the installer carries them: embedded in its
// own program file, written into the target folder by the install engine.
#pragma once

#include <string>

#include "common/platform.h"
#include "installer/engine/install_config.h"
#include "installer/engine/install_engine.h"

// Numbers and type names of the installer's embedded files.
constexpr int kUninstallerExeResource = 135;
constexpr int kUninstallerIniResource = 136;

class EmbeddedUninstaller : public UninstallerFiles {
public:
    // `config` names the registry keys the uninstaller is to take back.
    EmbeddedUninstaller(Platform& platform, const InstallConfig& config)
        : platform_(platform), config_(config) {}

    bool writeExe(const std::wstring& folder) override;
    // The uninstaller's fixed key names may differ from those of install.ini,
    // so these travel to it in the uninstall.ini it reads.
    bool writeIni(const std::wstring& folder) override;

private:
    bool writeResource(const std::wstring& folder, int number, const wchar_t* type,
                       const wchar_t* fileName);

    Platform& platform_;
    const InstallConfig& config_;
};
