#include "installer/ui/file_verify_dialog_win.h"

#include <commctrl.h>

#include "common/win/win32_platform_win.h"

namespace {

// Each call is a sent message; the report's text crosses inside it.
class FileVerifyWindowView : public FileVerificationView {
public:
    FileVerifyWindowView(HWND dialog, HWND fileBar, HWND overallBar,
                         std::atomic<bool>& cancelRequested, std::atomic<bool>& done)
        : dialog_(dialog),
          fileBar_(fileBar),
          overallBar_(overallBar),
          cancelRequested_(cancelRequested),
          done_(done) {}

    void append(const std::wstring& piece) override {
        SendMessageW(dialog_, FileVerifyDialog::kAppendMessage, 0,
                     reinterpret_cast<LPARAM>(piece.c_str()));
    }
    void showFileProgress(int percent) override { SendMessageW(fileBar_, PBM_SETPOS, percent, 0); }
    void showOverallProgress(int percent) override {
        SendMessageW(overallBar_, PBM_SETPOS, percent, 0);
    }
    void listDone() override { done_ = true; }
    bool cancelRequested() const override { return cancelRequested_; }

private:
    HWND dialog_;
    HWND fileBar_;
    HWND overallBar_;
    std::atomic<bool>& cancelRequested_;
    std::atomic<bool>& done_;
};

}  // namespace

FileVerifyDialog::FileVerifyDialog(WizardFrame& mainWindow) : WizardPage(kLayout, mainWindow) {
    handle(kAppendMessage, [this](WPARAM, LPARAM text, LRESULT& result) {
        append(reinterpret_cast<const wchar_t*>(text));
        result = 0;
        return true;
    });
    handle(kEndMessage, [this](WPARAM how, LPARAM, LRESULT& result) {
        end(static_cast<VerificationEnd>(how));
        result = 0;
        return true;
    });
}

FileVerifyDialog::~FileVerifyDialog() {
    // The worker finishes the file it hashes and stops.
    cancelRequested_ = true;
    worker_.join();
}

bool FileVerifyDialog::onInit() {
    const InstallRun& run = mainWindow().installRun();
    SendDlgItemMessageW(hwnd(), kReport, EM_SETLIMITTEXT, kReportLimit, 0);
    setItemText(IDCANCEL, run.text(40));
    return true;
}

void FileVerifyDialog::start() {
    cancelRequested_ = false;
    done_ = false;
    centreOverMainWindow();
    setTitle(mainWindow().installRun().text(47));
    if (!worker_.start(&FileVerifyDialog::FileVerifyWorker, this)) {
        // Nothing can be verified; the cancel button still ends the installer.
        done_ = true;
    }
}

DWORD WINAPI FileVerifyDialog::FileVerifyWorker(void* self) {
    static_cast<FileVerifyDialog*>(self)->verify();
    return 0;
}

void FileVerifyDialog::verify() {
    InstallRun& run = mainWindow().installRun();
    const HWND fileBar = item(kFileBar);
    const HWND overallBar = item(kOverallBar);
    SendMessageW(fileBar, PBM_SETRANGE32, 0, 100);
    SendMessageW(overallBar, PBM_SETRANGE32, 0, 100);
    FileVerifyWindowView view(hwnd(), fileBar, overallBar, cancelRequested_, done_);
    MessageBoxPrompt prompt(kInstallerTitle, hwnd());
    const FileVerificationTexts texts{run.text(43), run.text(48), run.text(50)};
    const VerificationEnd how = VerifyInstalledFiles(run.platform(), prompt, run.mediumFolder,
                                                     run.targetFolder, texts, view);
    switch (how) {
        case VerificationEnd::Finished:
        case VerificationEnd::ListNotOpened:
        case VerificationEnd::Cancelled:
            SendMessageW(hwnd(), kEndMessage, static_cast<WPARAM>(how), 0);
            break;
        case VerificationEnd::StoppedAtMismatch:
        case VerificationEnd::RecordNotRead:
            // The page stays with its report until the user presses cancel.
            break;
    }
}

void FileVerifyDialog::append(const wchar_t* text) {
    const HWND report = item(kReport);
    const LRESULT length = SendMessageW(report, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(report, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageW(report, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    SetFocus(hwnd());
}

void FileVerifyDialog::end(VerificationEnd how) {
    if (how == VerificationEnd::Cancelled) {
        show(false);
    }
    // On this thread: the shell wants the thread that starts a program to
    // have COM, as the user-interface thread has.
    mainWindow().host().verificationEnded(how);
    mainWindow().requestQuit();
}

bool FileVerifyDialog::onCommand(int id, int code) {
    // The report never shows a caret.
    if (id == kReport && code == EN_SETFOCUS) {
        SetFocus(hwnd());
        return true;
    }
    return false;
}

void FileVerifyDialog::onCancel() {
    if (mainWindow().wizardStep().current() != kVerifyStep) {
        return;
    }
    if (done_) {
        mainWindow().requestQuit();
        return;
    }
    if (cancelRequested_) {
        return;
    }
    const InstallRun& run = mainWindow().installRun();
    if (MessageBoxPrompt(kInstallerTitle, hwnd()).askYesNo(run.text(44), MessageIcon::Question)) {
        cancelRequested_ = true;
    }
}
