// The install page: the current file and the overall progress while the
// install worker drives the application's install engine, which unpacks the
// packages into the target folder. At the worker's end the application
// decides what follows (InstallEnding): the page moves the wizard on, or
// starts the undo. It owns the next-disc prompt and the undo window.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "common/platform.h"
#include "common/win/worker_thread_win.h"
#include "installer/engine/install_engine.h"
#include "installer/engine/install_progress.h"
#include "installer/ui/next_disc_dialog_win.h"
#include "installer/ui/undo_dialog_win.h"
#include "installer/ui/wizard_page_win.h"

class InstallProgressDialog : public WizardPage, private InstallObserver {
public:
    static constexpr int kLayout = 132;
    static constexpr int kOverallBar = 1004;
    static constexpr int kFileBar = 1005;
    static constexpr int kCancelButton = 1006;
    static constexpr int kFileName = 1008;
    static constexpr int kOverallPercent = 1009;
    static constexpr int kFileLabel = 1011;
    static constexpr int kOverallLabel = 1012;

    // From the worker. Only the install's start and end are sent; its
    // folders, files and chunks are published in counters and posted, at
    // most one message at a time, and the page reads the counters when it
    // arrives, so the worker never waits for a repaint (synchronous under
    // Wine).
    static constexpr UINT WM_INSTALL_END = WM_USER + 2;
    static constexpr UINT WM_CHUNK_WRITTEN = WM_USER + 3;  // posted; the counters tell
    static constexpr UINT kShowMessage = WM_USER + 7;      // wParam: TRUE to show, FALSE to hide

    explicit InstallProgressDialog(WizardFrame& mainWindow);
    ~InstallProgressDialog() override;

    // Start: places the page and starts the install worker.
    void start() override;

protected:
    bool onInit() override;
    void onDpiChanged() override;
    // Enter does nothing here; Esc asks as the cancel button does, so that
    // a keyboard can stop the install too.
    void onOK() override {}
    void onCancel() override;
    bool onCommand(int id, int code) override;

private:
    // Each value (the file, the percentage) right after its caption.
    void placeValues();
    static DWORD WINAPI InstallWorker(void* self);
    void install();

    // The engine's reports, on the worker thread: each becomes a message to
    // this page.
    void folderCreated(const std::wstring& path) override;
    void fileBegun(const std::wstring& name, uint32_t chunkCount) override;
    void chunkWritten(uint64_t bytes) override;
    void fileEnded() override;
    int nextDisc(std::wstring& mediumFolder, int number) override;

    void showFileBegun(const ProgressCounters::FileStart& file);
    void showFoldersCreated(uint32_t count);
    // Brings the label and both bars up to the worker's counters, changing
    // only what differs from what is shown.
    void showProgress();
    // The same, or a timer for it when the last one was very recent.
    void showProgressSoon();

    static constexpr UINT_PTR kRepaintTimer = 1;
    static constexpr DWORD kRepaintIntervalMs = 40;
    void onInstallEnd();
    void askCancel();

    std::atomic<bool> ending_{false};
    // Set on the user-interface thread when the worker has reported its end.
    bool installEnded_ = false;
    std::wstring percentFormat_;
    // The longest percentage text fitted so far: a shorter one fits too, so
    // the label is measured a few times per install, not at every percent.
    size_t fittedPercentLength_ = 0;
    ProgressCounters counters_;
    // The user-interface thread's: what the page should show, and what it does.
    InstallProgress progress_{0};
    std::wstring fileText_;
    std::wstring shownFileText_;
    int fileBarRange_ = 0;
    int shownFileBarRange_ = 0;
    int fileBarPosition_ = 0;
    int shownFileBarPosition_ = 0;
    int shownOverall_ = 0;
    DWORD lastShown_ = 0;
    // The application's, from the install's start; the worker's until it has
    // reported its end, then the user-interface thread's (and the undo's).
    InstallEngine* engine_ = nullptr;
    NextDiscDialog nextDisc_;
    UndoDialog undo_;
    // Last: the worker ends before the rest goes.
    WorkerThread worker_;
};
