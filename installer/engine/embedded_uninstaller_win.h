// The uninstaller's two files as the installer carries them: embedded in its
// own program file, written into the target folder by the install engine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/run_log.h"
#include "installer/engine/install_config.h"
#include "installer/engine/install_engine.h"

// Numbers and type names of the installer's embedded files.
constexpr int kUninstallerExeResource = 135;
constexpr int kUninstallerIniResource = 136;

class EmbeddedUninstaller : public UninstallerFiles {
public:
    // `config` names the registry keys the uninstaller is to take back; the
    // log says which texts were written.
    EmbeddedUninstaller(Platform& platform, const InstallConfig& config, RunLog& log)
        : platform_(platform), config_(config), log_(log) {}

    // The medium's uninstall.ini, written instead of the built-in default.
    void useMediumIni(std::vector<uint8_t> bytes) { mediumIni_ = std::move(bytes); }

    bool writeExe(const std::wstring& folder) override;
    // The uninstaller's fixed key names may differ from those of install.ini,
    // so these travel to it in the uninstall.ini it reads.
    bool writeIni(const std::wstring& folder) override;

private:
    bool writeResource(const std::wstring& folder, int number, const wchar_t* type,
                       const wchar_t* fileName);

    Platform& platform_;
    const InstallConfig& config_;
    RunLog& log_;
    std::optional<std::vector<uint8_t>> mediumIni_;
};
