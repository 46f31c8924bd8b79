// The install page: the current file and the overall progress while the
// install worker unpacks the packages into the target folder. At the worker's
// end the page either starts the undo or creates the program group and moves
// the wizard on. It owns the next-disc prompt and the undo window.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "common/platform.h"
#include "common/win/worker_thread_win.h"
#include "installer/engine/install_progress.h"
#include "installer/engine/undo_dialog_win.h"
#include "installer/ui/next_disc_dialog_win.h"
#include "installer/ui/wizard_page_win.h"

class InstallProgressDialog : public WizardPage {
public:
    static constexpr int kLayout = 132;
    static constexpr int kOverallBar = 1004;
    static constexpr int kFileBar = 1005;
    static constexpr int kCancelButton = 1006;
    static constexpr int kFileName = 1008;
    static constexpr int kOverallPercent = 1009;
    static constexpr int kFileLabel = 1011;
    static constexpr int kOverallLabel = 1012;

    // Sent by the worker and its callbacks; each handler runs on the
    // user-interface thread while the worker waits.
    static constexpr UINT WM_INSTALL_END = WM_USER + 2;
    static constexpr UINT WM_CHUNK_WRITTEN = WM_USER + 3;  // lParam: bytes written
    static constexpr UINT WM_FILE_BEGIN = WM_USER + 5;     // lParam: const FileBegin*
    static constexpr UINT WM_FILE_END = WM_USER + 6;
    static constexpr UINT kShowMessage = WM_USER + 7;  // wParam: TRUE to show, FALSE to hide

    struct FileBegin {
        std::wstring name;
        uint32_t chunkCount = 0;
    };

    explicit InstallProgressDialog(MainWindow& mainWindow);
    ~InstallProgressDialog() override;

    // Start: places the page and starts the install worker.
    void start() override;

protected:
    bool onInit() override;
    // Neither Enter nor Esc does anything here; the cancel button asks.
    void onOK() override {}
    void onCancel() override {}
    bool onCommand(int id, int code) override;

private:
    static DWORD WINAPI InstallWorker(void* self);
    void install();
    // Appends one record; a record that cannot be written stops the install
    // with a message, since the undo and the uninstaller could not find the
    // entry again.
    bool record(bool isFolder, const std::wstring& path);

    static int CreateEntryCallback(void* context, int isFolder, uint32_t chunkCount,
                                   const std::wstring& targetFolder, const std::wstring& name);
    static int WriteDataCallback(void* context, const uint8_t* data, size_t length);
    static int EndEntryCallback(void* context);

    void onFileBegin(const FileBegin& file);
    void onChunkWritten(uint64_t bytes);
    void onInstallEnd();
    void askCancel();
    void closeTargetFile();

    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> fileOpen_{false};
    std::atomic<bool> ending_{false};
    // Set on the user-interface thread when the worker has reported its end.
    bool installEnded_ = false;
    std::wstring percentFormat_;
    InstallProgress progress_{0};
    int overallPosition_ = 0;
    int filePosition_ = 0;
    // The worker's, and the end handler's once the worker waits in its last
    // message.
    std::unique_ptr<File> targetFile_;
    std::wstring targetFilePath_;
    NextDiscDialog nextDisc_;
    UndoDialog undo_;
    // Last: the worker ends before the rest goes.
    WorkerThread worker_;
};
