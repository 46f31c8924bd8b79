// The package check page: one bar while the check's worker hashes each
// package of the medium, asking for the next disc when a package is on
// another one. A mismatch, an unreadable package or a confirmed
// cancel raises the stop flag, on which the main window's timer ends the
// installer; a clean check moves the wizard on to the install.
#pragma once

#include <windows.h>

#include <atomic>

#include "common/win/worker_thread_win.h"
#include "installer/ui/next_disc_dialog_win.h"
#include "installer/ui/wizard_page_win.h"

class PackageCheckDialog : public WizardPage {
public:
    static constexpr int kLayout = 149;
    static constexpr int kBar = 1023;

    explicit PackageCheckDialog(WizardFrame& mainWindow);
    ~PackageCheckDialog() override;

    // Centres the page over the main window and starts the worker.
    void start() override;
    bool stopRequested() const override { return stop_; }

protected:
    bool onInit() override;
    void onOK() override {}
    // The cancel button, Esc or closing the page: asks before it stops.
    void onCancel() override;

private:
    static DWORD WINAPI PackageCheckWorker(void* self);
    void check();

    std::atomic<bool> stop_{false};
    // Asks for a package that is on another disc of the set.
    NextDiscDialog nextDisc_;
    // Last: the worker ends before the rest goes.
    WorkerThread worker_;
};
