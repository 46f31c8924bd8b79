// What one run of the installer works with, whoever drives it: the
// configuration, the folders, the package reader, the platform, the prompt
// and the log. Start-up fills it in; the wizard's pages and the silent run
// read it. Afterwards only the target folder (once a path has passed its
// checks) and the failure flag change.
#pragma once

#include <atomic>
#include <string>
#include <utility>

#include "common/platform.h"
#include "common/run_log.h"
#include "installer/engine/install_config.h"
#include "installer/engine/zip_file_package.h"

class InstallRun {
public:
    InstallRun(Platform& platform, UserPrompt& prompt, RunLog& log)
        : packageReader(platform, prompt), platform_(platform), prompt_(prompt), log_(log) {}
    InstallRun(const InstallRun&) = delete;
    InstallRun& operator=(const InstallRun&) = delete;

    Platform& platform() { return platform_; }
    UserPrompt& prompt() { return prompt_; }
    // The log of /LOG=FILE; it writes nowhere without one.
    RunLog& log() { return log_; }
    const InstallConfig& config() const { return config_; }
    const std::wstring& text(size_t index) const { return config_.text(index); }
    void setConfig(InstallConfig config) { config_ = std::move(config); }

    std::wstring targetFolder;
    std::wstring programsFolder;
    std::wstring defaultTargetFolder;
    std::wstring mediumFolder;
    std::atomic<bool> installFailed{false};
    CZipFilePackage packageReader;

private:
    Platform& platform_;
    UserPrompt& prompt_;
    RunLog& log_;
    InstallConfig config_;
};
