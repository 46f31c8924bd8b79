// The undo of an install that was killed, at the next start before the first
// page: the undo page's layout with its bar, while the work runs on a worker
// thread; the window closes by itself when the work is done. It cannot be
// stopped: a recovery left half done would only wait for the start after.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "common/win/dialog_win.h"
#include "common/win/worker_thread_win.h"

class RecoveryDialog : public Dialog {
public:
    static constexpr int kLayout = 148;
    static constexpr int kBar = 1021;
    static constexpr UINT kDoneMessage = WM_USER + 31;

    // `work` is given the bar's position, 0 to 100; it runs on the worker.
    using Work = std::function<void(const std::function<void(int)>& position)>;

    RecoveryDialog(std::wstring title, std::wstring stopText, Work work);
    ~RecoveryDialog() override { worker_.join(); }

protected:
    bool onInit() override;
    void onOK() override {}
    void onCancel() override {}

private:
    static DWORD WINAPI RecoveryWorker(void* self);

    std::wstring title_;
    std::wstring stopText_;
    Work work_;
    // Last: the worker ends before the rest goes.
    WorkerThread worker_;
};
