// The undo of a failed or cancelled install: one bar while the undo worker
// removes what the run made, the newest first; then the application hears of
// it and the wizard moves on to the finish step. Stop (its button, Enter or
// Esc) ends the walk early and leaves the rest in place.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "common/win/dialog_win.h"
#include "common/win/worker_thread_win.h"

class InstallEngine;
class WizardFrame;

class UndoDialog : public Dialog {
public:
    static constexpr int kLayout = 148;
    static constexpr int kBar = 1021;
    static constexpr UINT kHideMessage = WM_USER + 30;

    explicit UndoDialog(WizardFrame& mainWindow);
    ~UndoDialog() override;

    // The engine whose run is undone; with none, the wizard only moves on.
    void Prepare(InstallEngine* engine);
    void StartUndo();

protected:
    bool onInit() override;
    void onOK() override { cancelRequested_ = true; }
    void onCancel() override { cancelRequested_ = true; }

private:
    static DWORD WINAPI UndoWorker(void* self);
    void undo();

    WizardFrame& mainWindow_;
    std::atomic<bool> cancelRequested_{false};
    InstallEngine* engine_ = nullptr;
    // Last: the worker ends before the rest goes.
    WorkerThread worker_;
};
