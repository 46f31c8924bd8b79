// An install without any window, as a script starts it (install.exe /S): the
// same checks, engine and ending (InstallEnding) as the wizard, every
// question answered the way that stops safely and every step in the log. Its
// answer is the exit code the script sees.
#pragma once

#include <string>

#include "common/platform.h"
#include "common/registry.h"
#include "common/run_log.h"
#include "installer/app/install_ending.h"
#include "installer/engine/finishing_steps.h"
#include "installer/engine/install_config.h"
#include "installer/engine/install_engine.h"
#include "installer/engine/zip_file_package.h"

struct UnattendedOptions {
    std::wstring mediumFolder;
    std::wstring targetFolder;  // as given (or proposed); checked as the path page does
    bool verify = false;        // /VERIFY
    bool run = false;           // /RUN
};

class UnattendedInstall {
public:
    // `prompt` answers as LogPrompt does, into the same log.
    UnattendedInstall(Platform& platform, UserPrompt& prompt, Registry& registry, RunLog& log,
                      CZipFilePackage& reader, const InstallConfig& config,
                      UninstallerFiles& uninstaller, FinishingSteps& finishing)
        : platform_(platform),
          prompt_(prompt),
          registry_(registry),
          log_(log),
          reader_(reader),
          config_(config),
          uninstaller_(uninstaller),
          finishing_(finishing) {}

    // The whole install, after start-up has opened the package set.
    InstallExitCode run(const UnattendedOptions& options);

private:
    bool checkPackages(const std::wstring& mediumFolder);
    VerificationEnd verify(const UnattendedOptions& options, const std::wstring& target);

    Platform& platform_;
    UserPrompt& prompt_;
    Registry& registry_;
    RunLog& log_;
    CZipFilePackage& reader_;
    const InstallConfig& config_;
    UninstallerFiles& uninstaller_;
    FinishingSteps& finishing_;
};
