// What the wizard leaves to the application above it: the run its pages show
// and change, the engine the install page drives, and the decisions at the
// end of an install, which the silent run shares. Every call comes on the
// user-interface thread; `page` is the window of the page that calls, which
// owns whatever the call shows.
#pragma once

#include <windows.h>

#include <optional>

#include "installer/engine/file_verification.h"
#include "installer/engine/finishing_steps.h"
#include "installer/engine/install_engine.h"
#include "installer/engine/install_run.h"

// The caption of the installer's message boxes.
inline constexpr wchar_t kInstallerTitle[] = L"install";

class WizardHost {
public:
    virtual ~WizardHost() = default;
    WizardHost() = default;
    WizardHost(const WizardHost&) = delete;
    WizardHost& operator=(const WizardHost&) = delete;

    virtual InstallRun& installRun() = 0;
    // The engine for the target folder the path page chose; it outlives the
    // pages.
    virtual InstallEngine& makeInstallEngine() = 0;
    // The unpack has ended, installRun().installFailed telling how. True when the
    // install is complete (and has its program group); false when the run is
    // to be undone, after which undone() follows.
    virtual bool unpackEnded(HWND page) = 0;
    virtual void undone() = 0;
    // The finish page is left with its choices, or without any (Esc). True
    // when the verification follows; otherwise the installer is to end.
    virtual bool finish(const std::optional<FinishChoices>& choices, HWND page) = 0;
    // The verification page has reached its end: finished, cancelled, or
    // without a list to check.
    virtual void verificationEnded(VerificationEnd end) = 0;
};
