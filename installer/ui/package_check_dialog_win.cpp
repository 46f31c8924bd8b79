#include "installer/ui/package_check_dialog_win.h"

#include <commctrl.h>

#include "common/win/win32_platform_win.h"
#include "installer/engine/package_check.h"

namespace {

// Each call is a sent message, so the window changes on its own thread while
// the worker waits.
class PackageCheckWindowView : public PackageCheckView {
public:
    PackageCheckWindowView(HWND dialog, HWND bar, NextDiscDialog& nextDisc)
        : dialog_(dialog), bar_(bar), nextDisc_(nextDisc) {}

    void beginPackage(const std::wstring& title) override {
        SendMessageW(dialog_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));
        SendMessageW(bar_, PBM_SETPOS, 0, 0);
    }
    void showProgress(int percent) override { SendMessageW(bar_, PBM_SETPOS, percent, 0); }
    int nextDisc(std::wstring& folder, int packageNumber) override {
        return nextDisc_.NextDiscPoll(folder, packageNumber);
    }

private:
    HWND dialog_;
    HWND bar_;
    NextDiscDialog& nextDisc_;
};

}  // namespace

PackageCheckDialog::PackageCheckDialog(WizardFrame& mainWindow)
    : WizardPage(kLayout, mainWindow), nextDisc_(mainWindow.installRun().config()) {}

PackageCheckDialog::~PackageCheckDialog() {
    // Only when the installer ends during the check: the worker stops at its
    // next block.
    stop_ = true;
    worker_.join();
}

bool PackageCheckDialog::onInit() {
    setItemText(IDCANCEL, mainWindow().installRun().text(16));
    nextDisc_.create(nullptr);
    return true;
}

void PackageCheckDialog::start() {
    centreOverMainWindow();
    if (!worker_.start(&PackageCheckDialog::PackageCheckWorker, this)) {
        stop_ = true;
    }
}

DWORD WINAPI PackageCheckDialog::PackageCheckWorker(void* self) {
    static_cast<PackageCheckDialog*>(self)->check();
    return 0;
}

void PackageCheckDialog::check() {
    InstallRun& run = mainWindow().installRun();
    const HWND bar = item(kBar);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    PackageCheckWindowView view(hwnd(), bar, nextDisc_);
    MessageBoxPrompt prompt(kInstallerTitle, hwnd());
    const PackageCheckTexts texts{run.text(41), run.text(42)};
    if (CheckPackages(run.platform(), prompt, run.mediumFolder, run.config().packageDigests, texts,
                      view, stop_) == PackageCheckResult::Passed) {
        mainWindow().wizardStep().move(kPackageCheckStep, 1);
    } else {
        stop_ = true;
    }
}

void PackageCheckDialog::onCancel() {
    // A key reaching the page after the check has passed asks nothing.
    if (stop_ || !worker_.running()) {
        return;
    }
    InstallRun& run = mainWindow().installRun();
    // The check goes on while the question is up; a Yes that comes after it
    // passed would end the installer in the middle of the install.
    if (MessageBoxPrompt(kInstallerTitle, hwnd()).askYesNo(run.text(38), MessageIcon::Question) &&
        mainWindow().wizardStep().current() == kPackageCheckStep) {
        stop_ = true;
    }
}
