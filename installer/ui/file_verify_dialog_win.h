// The verification page: the report of the installed files against check.md,
// the current file's bar and the overall bar, filled by the verification's
// worker. At the end it tells the application (which starts the game when the
// finish page asked for it) and ends the installer.
#pragma once

#include <windows.h>

#include <atomic>

#include "common/win/worker_thread_win.h"
#include "installer/engine/file_verification.h"
#include "installer/ui/wizard_page_win.h"

class FileVerifyDialog : public WizardPage {
public:
    static constexpr int kLayout = 150;
    static constexpr int kFileBar = 1024;
    static constexpr int kOverallBar = 1025;
    static constexpr int kReport = 1026;
    static constexpr LRESULT kReportLimit = 1048576;

    // Sent by the worker; each runs on the user-interface thread.
    static constexpr UINT kAppendMessage = WM_USER + 50;  // lParam: const wchar_t*
    // wParam: the VerificationEnd; a cancelled verification hides the page first.
    static constexpr UINT kEndMessage = WM_USER + 51;

    explicit FileVerifyDialog(WizardFrame& mainWindow);
    ~FileVerifyDialog() override;

    // Centres the page and starts the worker.
    void start() override;

protected:
    bool onInit() override;
    void onOK() override {}
    // The cancel button, Esc or closing the page.
    void onCancel() override;
    bool onCommand(int id, int code) override;

private:
    static DWORD WINAPI FileVerifyWorker(void* self);
    void verify();
    void append(const wchar_t* text);
    // Tells the application and ends the installer.
    void end(VerificationEnd how);

    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> done_{false};
    // Last: the worker ends before the rest goes.
    WorkerThread worker_;
};
