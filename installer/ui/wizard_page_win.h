// A page of the wizard: a modeless dialog that MainWindow creates hidden,
// owns, shows when the wizard reaches the page's step and hides otherwise.
// A page never closes itself; it moves the step (MainWindow::wizardStep) or
// ends the installer (MainWindow::close, MainWindow::requestQuit).
//
// A new page joins the wizard in two places only: its class derives from
// WizardPage, and makeWizardPage (wizard_pages_win.cpp) makes it for its id.
// Pages are deleted when the main window is destroyed; a page whose worker
// may still run then must end or outlive that worker in its destructor.
#pragma once

#include <memory>

#include "common/win/dialog_win.h"
#include "installer/ui/wizard.h"

class MainWindow;

class WizardPage : public Dialog {
public:
    WizardPage(int layoutId, MainWindow& mainWindow) : Dialog(layoutId), mainWindow_(mainWindow) {}

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
    MainWindow& mainWindow() const { return mainWindow_; }
    // Moves the page, its size unchanged, to the middle of the main window.
    void centreOverMainWindow() const;

private:
    MainWindow& mainWindow_;
};

// The page for an id, or nothing while this build has no such page (its step
// then shows nothing and waits).
std::unique_ptr<WizardPage> makeWizardPage(PageId id, MainWindow& mainWindow);
