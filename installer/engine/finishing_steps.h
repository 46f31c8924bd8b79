// The steps after a complete unpack that need the system's shell and
// registry, and the choices that ask for them. The wizard and the silent run
// have them carried out by the same decisions (installer/app/install_ending.h);
// tests record them instead.
#pragma once

#include <string>

class InstallEngine;
class Registry;

// What is to follow a complete install: the finish page's three boxes, or the
// switches of a script.
struct FinishChoices {
    bool desktopIcon = true;
    bool startGame = false;
    bool verifyFiles = false;
};

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
    // The entry in Windows' list of installed programs, and the file type,
    // written through `registry`: the install's own (journaled, so that an
    // undo takes them back) or, after a failed install, the plain one.
    virtual void addUninstallEntry(Registry& registry) = 0;
    virtual void registerFileType(Registry& registry) = 0;
    // The desktop shortcuts and web link, recorded through the engine.
    virtual void createDesktopShortcuts(InstallEngine& engine) = 0;
    virtual void startGame() = 0;
    // The web page of open_url. Only a run that shows windows opens it, so
    // steps for any other run need not.
    virtual void openWebPage(const std::wstring& /*address*/) {}
};
