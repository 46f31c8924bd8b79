// The steps after a complete unpack as the installer carries them out: the
// program group and the desktop icons through the shell-link object, the
// entry in the list of installed programs and the file type in the registry,
// the web page and the game through the shell. They run on the
// user-interface thread, which has initialised COM.
#pragma once

#include <windows.h>

#include <string>

#include "common/platform.h"
#include "installer/engine/finishing_steps.h"
#include "installer/engine/install_run.h"

class ShellFinishing : public FinishingSteps {
public:
    // Messages go through `prompt`; what the shell shows belongs to `owner`.
    ShellFinishing(InstallRun& run, UserPrompt& prompt, HWND owner = nullptr)
        : run_(run), prompt_(prompt), owner_(owner) {}

    void useTargetFolder(const std::wstring& folder) override { run_.targetFolder = folder; }
    void createProgramGroup(InstallEngine& engine) override;
    void addUninstallEntry(Registry& registry) override;
    // An association of another program is taken over only after a complete
    // install, whose uninstall.ini then carries its earlier value to the
    // uninstaller; after a failed one nobody could give it back.
    void registerFileType(Registry& registry) override;
    // Nothing at all when the system names no desktop folder.
    void createDesktopShortcuts(InstallEngine& engine) override;
    // Opens targetFolder\programFile through the shell in the folder of its
    // first path component; the result is not examined.
    void startGame() override;
    void openWebPage(const std::wstring& address) override;

private:
    InstallRun& run_;
    UserPrompt& prompt_;
    HWND owner_;
};
