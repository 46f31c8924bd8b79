#include "installer/engine/install_progress_dialog_win.h"

#include <commctrl.h>

#include "common/text.h"
#include "installer/app/installer_app_win.h"
#include "installer/engine/shortcuts_win.h"
#include "installer/ui/main_window_win.h"

namespace {

constexpr int kFileBarSteps = 5000;

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
    if (engine_) {
        engine_->requestCancel();
    }
    worker_.join();
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
    InstallerApp& app = mainWindow().app();
    progress_ = InstallProgress(app.packageReader.header().totalSize);
    engine_ = std::make_unique<InstallEngine>(app.platform(), app.prompt(), app.packageReader, app,
                                              app.targetFolder);
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
    const HWND fileBar = item(kFileBar);
    SendMessageW(fileBar, PBM_SETRANGE32, 0, kFileBarSteps);
    SendMessageW(fileBar, PBM_SETSTEP, 1, 0);
    SendMessageW(hwnd(), kShowMessage, TRUE, 0);
    if (!engine_->install(*this)) {
        mainWindow().app().installFailed = true;
    }
    SendMessageW(hwnd(), kShowMessage, FALSE, 0);
    SendMessageW(hwnd(), WM_INSTALL_END, 1, 0);
}

void InstallProgressDialog::folderCreated(const std::wstring&) {
    SendMessageW(item(kFileName), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(mainWindow().app().text(34).c_str()));
    SendMessageW(item(kFileBar), PBM_STEPIT, 0, 0);
}

void InstallProgressDialog::fileBegun(const std::wstring& name, uint32_t chunkCount) {
    const FileBegin file{name, chunkCount};
    SendMessageW(hwnd(), WM_FILE_BEGIN, 0, reinterpret_cast<LPARAM>(&file));
}

void InstallProgressDialog::chunkWritten(uint64_t bytes) {
    SendMessageW(hwnd(), WM_CHUNK_WRITTEN, 0, static_cast<LPARAM>(bytes));
}

void InstallProgressDialog::fileEnded() {
    SendMessageW(hwnd(), WM_FILE_END, 0, 0);
}

int InstallProgressDialog::nextDisc(std::wstring& mediumFolder, int number) {
    // The installer's end gives up a waiting prompt.
    if (ending_ && number != NextDiscExchange::kDismiss) {
        return NextDiscExchange::kGiveUp;
    }
    return nextDisc_.NextDiscPoll(mediumFolder, number);
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
    InstallerApp& app = mainWindow().app();
    if (app.installFailed || !engine_) {
        app.setExitCode(kExitUndone);
        undo_.Prepare(engine_.get(), mainWindow());
        undo_.show(true);
        undo_.StartUndo();
        return;
    }
    engine_->commit();
    mainWindow().wizardStep().move(kInstallStep, 1);
    CreateProgramGroup(app, hwnd(), [this](bool isFolder, const std::wstring& path) {
        return engine_->record(isFolder, path);
    });
    app.addUninstallEntry();
    app.setExitCode(kExitInstalled);
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
        if (engine_) {
            engine_->requestCancel();
        }
    }
}
