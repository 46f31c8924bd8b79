// A page of the wizard: a modeless dialog that MainWindow creates hidden,
// owns, shows when the wizard reaches the page's step and hides otherwise.
// A page never closes itself; it moves the step (WizardFrame::wizardStep) or
// ends the installer (WizardFrame::close, WizardFrame::requestQuit).
//
// A new page joins the wizard in two places only: its class derives from
// WizardPage, and makeWizardPage (wizard_pages_win.h) makes it for its id.
// Pages are deleted when the main window is destroyed; a page whose worker
// may still run then must end or outlive that worker in its destructor.
#pragma once

#include <windows.h>

#include "common/win/dialog_win.h"
#include "installer/engine/install_run.h"
#include "installer/ui/wizard.h"
#include "installer/ui/wizard_host_win.h"

// What a page may ask of the main window that owns it. The main window
// knows its pages, so they reach it through this alone.
class WizardFrame {
public:
    virtual ~WizardFrame() = default;
    WizardFrame() = default;
    WizardFrame(const WizardFrame&) = delete;
    WizardFrame& operator=(const WizardFrame&) = delete;

    virtual HWND frameWindow() const = 0;
    virtual WizardHost& host() const = 0;
    InstallRun& installRun() const { return host().installRun(); }
    virtual StepCounter& wizardStep() = 0;
    // Ends the installer: user-interface thread only; safe inside a page's
    // own handler.
    virtual void close() = 0;
    // The same from any thread, at the wizard's next tick.
    virtual void requestQuit() = 0;
    // The overall install percentage, which picks the background picture;
    // posted, so any thread may call it.
    virtual void postProgress(int percent) = 0;
};

class WizardPage : public Dialog {
public:
    WizardPage(int layoutId, WizardFrame& mainWindow) : Dialog(layoutId), mainWindow_(mainWindow) {}

    // The one-time work of the steps that have one (package check, install,
    // verification), run right after the page has first been shown.
    virtual void start() {}
    // True once the page wants the installer to end; the next tick closes
    // the main window. May be read while the page's worker runs.
    virtual bool stopRequested() const { return false; }
    // Sees every message for the page or its controls before it is
    // dispatched; true when the page used it and it goes no further.
    virtual bool preTranslate(MSG& /*message*/) { return false; }

protected:
    WizardFrame& mainWindow() const { return mainWindow_; }
    // Moves the page, its size unchanged, to the middle of the main window.
    void centreOverMainWindow() const;

private:
    WizardFrame& mainWindow_;
};
