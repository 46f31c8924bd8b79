#include "installer/ui/finish_dialog_win.h"

#include "common/win/text_fit_win.h"

FinishDialog::FinishDialog(WizardFrame& mainWindow) : WizardPage(kLayout, mainWindow) {
    handle(WM_SHOWWINDOW, [this](WPARAM shown, LPARAM, LRESULT&) {
        if (shown != FALSE) {
            showResult();
        }
        return false;
    });
}

bool FinishDialog::onInit() {
    const InstallRun& run = mainWindow().installRun();
    setTitle(run.text(30));
    setItemText(kDesktopIconBox, run.text(17));
    setItemText(kStartGameBox, run.text(18));
    setItemText(kVerifyBox, run.text(47));
    setItemText(IDOK, run.text(21));
    choices_ = FinishChoices{};
    CheckDlgButton(hwnd(), kDesktopIconBox, choices_.desktopIcon ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd(), kStartGameBox, choices_.startGame ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd(), kVerifyBox, choices_.verifyFiles ? BST_CHECKED : BST_UNCHECKED);
    return true;
}

void FinishDialog::showResult() {
    const InstallRun& run = mainWindow().installRun();
    const bool failed = run.installFailed;
    setItemText(kResultText, run.text(failed ? 20 : 19));
    fitControlText(hwnd(), kResultText);
    if (failed) {
        enableItem(kDesktopIconBox, false);
        enableItem(kStartGameBox, false);
        enableItem(kVerifyBox, false);
    }
}

bool FinishDialog::onCommand(int id, int code) {
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
        case kDesktopIconBox:
            choices_.desktopIcon = !choices_.desktopIcon;
            return true;
        case kStartGameBox:
            choices_.startGame = !choices_.startGame;
            return true;
        case kVerifyBox:
            choices_.verifyFiles = !choices_.verifyFiles;
            return true;
        default:
            return false;
    }
}

void FinishDialog::onOK() {
    carryOut(choices_);
}

void FinishDialog::onCancel() {
    carryOut(std::nullopt);
}

void FinishDialog::carryOut(const std::optional<FinishChoices>& choices) {
    // Keys reach a hidden page too; only the shown finish step acts.
    if (finished_ || mainWindow().wizardStep().current() != kFinishStep) {
        return;
    }
    finished_ = true;
    if (mainWindow().host().finish(choices, hwnd())) {
        mainWindow().wizardStep().move(kFinishStep, 1);
        return;
    }
    mainWindow().close();
}
