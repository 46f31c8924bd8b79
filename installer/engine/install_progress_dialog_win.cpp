#include "installer/engine/install_progress_dialog_win.h"

#include <commctrl.h>

#include "common/folder_chain.h"
#include "common/text.h"
#include "installer/app/installer_app_win.h"
#include "installer/engine/install_record.h"
#include "installer/engine/shortcuts_win.h"
#include "installer/ui/main_window_win.h"

namespace {

constexpr int kFileBarSteps = 5000;

std::wstring fileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

InstallProgressDialog::InstallProgressDialog(MainWindow& mainWindow)
    : WizardPage(kLayout, mainWindow), nextDisc_(mainWindow.app()), undo_(mainWindow.app()) {
    handle(WM_INSTALL_END, [this](WPARAM, LPARAM, LRESULT& result) {
        onInstallEnd();
        result = 0;
        return true;
    });
    handle(WM_CHUNK_WRITTEN, [this](WPARAM, LPARAM bytes, LRESULT& result) {
        onChunkWritten(static_cast<uint64_t>(bytes));
        result = 0;
        return true;
    });
    handle(WM_FILE_BEGIN, [this](WPARAM, LPARAM file, LRESULT& result) {
        onFileBegin(*reinterpret_cast<const FileBegin*>(file));
        result = 0;
        return true;
    });
    handle(WM_FILE_END, [](WPARAM, LPARAM, LRESULT& result) {
        result = 0;
        return true;
    });
    handle(kShowMessage, [this](WPARAM visible, LPARAM, LRESULT& result) {
        show(visible != FALSE);
        result = 0;
        return true;
    });
}

InstallProgressDialog::~InstallProgressDialog() {
    // Only when the installer ends during the install: the worker stops at its
    // next callback, and a waiting next-disc prompt gives up.
    ending_ = true;
    cancelRequested_ = true;
    worker_.join();
    closeTargetFile();
}

bool InstallProgressDialog::onInit() {
    const InstallerApp& app = mainWindow().app();
    setTitle(app.text(31));
    setItemText(kFileLabel, app.text(14));
    setItemText(kOverallLabel, app.text(15));
    setItemText(kCancelButton, app.text(16));
    percentFormat_ = app.text(10);
    nextDisc_.create(nullptr);
    undo_.create(hwnd());
    return true;
}

void InstallProgressDialog::start() {
    RECT parent{};
    RECT own{};
    GetWindowRect(GetParent(hwnd()) != nullptr ? GetParent(hwnd()) : mainWindow().hwnd(), &parent);
    GetWindowRect(hwnd(), &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    SetWindowPos(hwnd(), nullptr, parent.right - width - 16, parent.bottom - height - 48, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendDlgItemMessageW(hwnd(), kOverallBar, PBM_SETRANGE32, 0, 100);
    SendDlgItemMessageW(hwnd(), kOverallBar, PBM_SETSTEP, 1, 0);
    progress_ = InstallProgress(mainWindow().app().packageReader.header().totalSize);
    if (!worker_.start(&InstallProgressDialog::InstallWorker, this)) {
        mainWindow().app().installFailed = true;
        onInstallEnd();
    }
}

DWORD WINAPI InstallProgressDialog::InstallWorker(void* self) {
    static_cast<InstallProgressDialog*>(self)->install();
    return 0;
}

void InstallProgressDialog::install() {
    InstallerApp& app = mainWindow().app();
    const HWND fileBar = item(kFileBar);
    SendMessageW(fileBar, PBM_SETRANGE32, 0, kFileBarSteps);
    SendMessageW(fileBar, PBM_SETSTEP, 1, 0);
    SendMessageW(hwnd(), kShowMessage, TRUE, 0);

    const std::wstring& target = app.targetFolder;
    if (auto failed = createTargetFolder(app.platform(), target)) {
        app.prompt().showMessage(fillTextFormat(L"Failed to create folder: %s", *failed),
                                 MessageIcon::None);
        app.installFailed = true;
    } else {
        app.writeUninstallerExe();
        app.writeUninstallerIni();
        const bool recorded = record(true, target) && record(false, target + L"\\uninstall.ini") &&
                              record(false, target + L"\\uninstall.exe") &&
                              record(false, target + L"\\uninstall.dat");
        if (!recorded) {
            app.installFailed = true;
        } else {
            const int result = app.packageReader.UnCompress(
                this, target, &InstallProgressDialog::CreateEntryCallback,
                &InstallProgressDialog::EndEntryCallback, &InstallProgressDialog::WriteDataCallback,
                [this](std::wstring& folder, int number) {
                    // The installer's end gives up a waiting prompt.
                    if (ending_ && number != NextDiscExchange::kDismiss) {
                        return NextDiscExchange::kGiveUp;
                    }
                    return nextDisc_.NextDiscPoll(folder, number);
                });
            if (result != CZipFilePackage::kDone) {
                app.installFailed = true;
            }
        }
    }
    SendMessageW(hwnd(), kShowMessage, FALSE, 0);
    SendMessageW(hwnd(), WM_INSTALL_END, 1, 0);
}

bool InstallProgressDialog::record(bool isFolder, const std::wstring& path) {
    InstallerApp& app = mainWindow().app();
    return RecordInstalledEntry(app.platform(), app.prompt(), app.targetFolder, isFolder, path);
}

int InstallProgressDialog::CreateEntryCallback(void* context, int isFolder, uint32_t chunkCount,
                                               const std::wstring& targetFolder,
                                               const std::wstring& name) {
    auto* self = static_cast<InstallProgressDialog*>(context);
    if (self->cancelRequested_) {
        return 0;
    }
    InstallerApp& app = self->mainWindow().app();
    const std::wstring path = targetFolder + L"\\" + name;
    if (isFolder != 0) {
        if (!CreateFolderChain(app.platform(), path) || !self->record(true, path)) {
            return 0;
        }
        SendMessageW(self->item(kFileName), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(app.text(34).c_str()));
        SendMessageW(self->item(kFileBar), PBM_STEPIT, 0, 0);
        return 1;
    }
    self->targetFile_ = app.platform().open(path, OpenMode::Write, Share::DenyWrite);
    if (!self->targetFile_) {
        return 0;
    }
    self->targetFilePath_ = path;
    self->fileOpen_ = true;
    if (!self->record(false, path)) {
        return 0;
    }
    const FileBegin file{fileNameOf(path), chunkCount};
    SendMessageW(self->hwnd(), WM_FILE_BEGIN, 0, reinterpret_cast<LPARAM>(&file));
    return 1;
}

int InstallProgressDialog::WriteDataCallback(void* context, const uint8_t* data, size_t length) {
    auto* self = static_cast<InstallProgressDialog*>(context);
    if (!self->targetFile_ || self->targetFile_->write(data, length) != length) {
        // A full disk: the unpack ends here and the undo runs.
        self->mainWindow().app().prompt().showMessage(
            fillTextFormat(L"Failed to write %s!", self->targetFilePath_), MessageIcon::Stop);
        return 0;
    }
    SendMessageW(self->hwnd(), WM_CHUNK_WRITTEN, 0, static_cast<LPARAM>(length));
    return self->cancelRequested_ ? 0 : 1;
}

int InstallProgressDialog::EndEntryCallback(void* context) {
    auto* self = static_cast<InstallProgressDialog*>(context);
    self->closeTargetFile();
    SendMessageW(self->hwnd(), WM_FILE_END, 0, 0);
    return self->cancelRequested_ ? 0 : 1;
}

void InstallProgressDialog::closeTargetFile() {
    targetFile_.reset();
    fileOpen_ = false;
}

void InstallProgressDialog::onFileBegin(const FileBegin& file) {
    setItemText(kFileName, fillTextFormat(mainWindow().app().text(9), file.name));
    progress_.beginFile(file.chunkCount);
    const HWND fileBar = item(kFileBar);
    SendMessageW(fileBar, PBM_SETRANGE32, 0, 100);
    SendMessageW(fileBar, PBM_SETSTEP, 1, 0);
    SendMessageW(fileBar, PBM_SETPOS, 0, 0);
    filePosition_ = 0;
}

void InstallProgressDialog::onChunkWritten(uint64_t bytes) {
    const ProgressPercentages percent = progress_.chunkWritten(bytes);
    // A bar repaints on every position it is given, even its own: with small
    // chunks most of them would be.
    if (percent.overall != overallPosition_) {
        SendDlgItemMessageW(hwnd(), kOverallBar, PBM_SETPOS, percent.overall, 0);
        overallPosition_ = percent.overall;
    }
    if (percent.file != filePosition_) {
        SendDlgItemMessageW(hwnd(), kFileBar, PBM_SETPOS, percent.file, 0);
        filePosition_ = percent.file;
    }
    if (auto shown = progress_.newOverallPercentage(percent.overall)) {
        setItemText(kOverallPercent, fillIntegerFormat(percentFormat_, *shown));
    }
    MainWindow::postProgress(mainWindow().hwnd(), percent.overall);
}

void InstallProgressDialog::onInstallEnd() {
    installEnded_ = true;
    if (fileOpen_) {
        closeTargetFile();
    }
    InstallerApp& app = mainWindow().app();
    if (app.installFailed) {
        undo_.Prepare(app.targetFolder, mainWindow());
        undo_.show(true);
        undo_.StartUndo();
        return;
    }
    mainWindow().wizardStep().move(kInstallStep, 1);
    CreateProgramGroup(app, hwnd(),
                       [this](bool isFolder, const std::wstring& path) { record(isFolder, path); });
}

bool InstallProgressDialog::onCommand(int id, int code) {
    if (id != kCancelButton || code != BN_CLICKED) {
        return false;
    }
    askCancel();
    return true;
}

void InstallProgressDialog::askCancel() {
    InstallerApp& app = mainWindow().app();
    // The install may have ended while the question was open; a Yes then
    // must not mark a finished install as failed.
    if (MessageBoxPrompt(kInstallerTitle, hwnd()).askYesNo(app.text(38), MessageIcon::Question) &&
        !installEnded_) {
        app.installFailed = true;
        cancelRequested_ = true;
    }
}
