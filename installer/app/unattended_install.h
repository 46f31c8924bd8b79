// An install without any window, as a script starts it (install.exe /S): the
// same checks, engine and finishing steps as the wizard, every question
// answered the way that stops safely and every step in the log. Its answer
// is the exit code the script sees.
#pragma once

#include <string>

#include "common/platform.h"
#include "common/run_log.h"
#include "installer/engine/install_config.h"
#include "installer/engine/install_engine.h"
#include "installer/engine/zip_file_package.h"

enum InstallExitCode {
    kExitInstalled = 0,
    // Nothing was installed: a bad medium, configuration or target folder,
    // not enough space, or an unknown switch.
    kExitNothingInstalled = 1,
    // The install failed or hit a question and was undone (a missing disc, a
    // full disk, a damaged package, a wrong package digest).
    kExitUndone = 2,
    // Installed, but /VERIFY found a file that differs from the medium's.
    kExitVerificationFailed = 3,
};

// The steps after a complete unpack that need the system's shell and
// registry; the installer carries them out as its finish page does.
class FinishingSteps {
public:
    virtual ~FinishingSteps() = default;
    FinishingSteps() = default;
    FinishingSteps(const FinishingSteps&) = delete;
    FinishingSteps& operator=(const FinishingSteps&) = delete;

    // The folder the install goes into, once it has passed the checks.
    virtual void useTargetFolder(const std::wstring& folder) = 0;
    // The program group and its shortcuts, recorded through the engine.
    virtual void createProgramGroup(InstallEngine& engine) = 0;
    // The entry in Windows' list of installed programs.
    virtual void addUninstallEntry() = 0;
    virtual void registerFileType() = 0;
    // The desktop shortcuts and web link, recorded through the engine.
    virtual void createDesktopShortcuts(InstallEngine& engine) = 0;
    virtual void startGame() = 0;
};

struct UnattendedOptions {
    std::wstring mediumFolder;
    std::wstring targetFolder;  // as given (or proposed); checked as the path page does
    bool verify = false;        // /VERIFY
    bool run = false;           // /RUN
};

class UnattendedInstall {
public:
    // `prompt` answers as LogPrompt does, into the same log.
    UnattendedInstall(Platform& platform, UserPrompt& prompt, RunLog& log, CZipFilePackage& reader,
                      const InstallConfig& config, UninstallerFiles& uninstaller,
                      FinishingSteps& finishing)
        : platform_(platform),
          prompt_(prompt),
          log_(log),
          reader_(reader),
          config_(config),
          uninstaller_(uninstaller),
          finishing_(finishing) {}

    // The whole install, after start-up has opened the package set.
    InstallExitCode run(const UnattendedOptions& options);

private:
    bool checkPackages(const std::wstring& mediumFolder);
    bool verify(const UnattendedOptions& options, const std::wstring& target);

    Platform& platform_;
    UserPrompt& prompt_;
    RunLog& log_;
    CZipFilePackage& reader_;
    const InstallConfig& config_;
    UninstallerFiles& uninstaller_;
    FinishingSteps& finishing_;
};
