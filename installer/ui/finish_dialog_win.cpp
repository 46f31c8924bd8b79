#include "installer/ui/finish_dialog_win.h"

#include <shellapi.h>

#include "installer/app/installer_app_win.h"
#include "installer/engine/install_record.h"
#include "installer/engine/shortcuts_win.h"
#include "installer/ui/game_start_win.h"
#include "installer/ui/main_window_win.h"

FinishDialog::FinishDialog(MainWindow& mainWindow) : WizardPage(kLayout, mainWindow) {
    handle(WM_SHOWWINDOW, [this](WPARAM shown, LPARAM, LRESULT&) {
        if (shown != FALSE) {
            showResult();
        }
        return false;
    });
}

bool FinishDialog::onInit() {
    const InstallerApp& app = mainWindow().app();
    setTitle(app.text(30));
    setItemText(kDesktopIconBox, app.text(17));
    setItemText(kStartGameBox, app.text(18));
    setItemText(kVerifyBox, app.text(47));
    setItemText(IDOK, app.text(21));
    choices_ = FinishChoices{};
    CheckDlgButton(hwnd(), kDesktopIconBox, choices_.desktopIcon ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd(), kStartGameBox, choices_.startGame ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd(), kVerifyBox, choices_.verifyFiles ? BST_CHECKED : BST_UNCHECKED);
    return true;
}

void FinishDialog::showResult() {
    const InstallerApp& app = mainWindow().app();
    const bool failed = app.installFailed;
    setItemText(kResultText, app.text(failed ? 20 : 19));
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
    const InstallerApp& app = mainWindow().app();
    carryOut(planFinish(choices_, app.installFailed, !app.config().openUrl.empty()));
}

void FinishDialog::onCancel() {
    carryOut(planFinishCancel());
}

void FinishDialog::carryOut(const FinishPlan& plan) {
    // Keys reach a hidden page too; only the shown finish step acts.
    if (finished_ || mainWindow().wizardStep().current() != kFinishStep) {
        return;
    }
    finished_ = true;
    InstallerApp& app = mainWindow().app();
    if (plan.registerFileType) {
        RegisterUpdatePackType(app);
    }
    if (plan.openWebPage) {
        ShellExecuteW(hwnd(), nullptr, app.config().openUrl.c_str(), nullptr, nullptr,
                      SW_SHOWNORMAL);
    }
    if (plan.createDesktopShortcuts) {
        MessageBoxPrompt prompt(kInstallerTitle, hwnd());
        CreateDesktopShortcuts(app, [&](bool isFolder, const std::wstring& path) {
            return RecordInstalledEntry(app.platform(), prompt, app.targetFolder, isFolder, path);
        });
    }
    if (plan.verify) {
        mainWindow().setStartGameAfterVerify(plan.startGameAfterVerify);
        mainWindow().wizardStep().move(kFinishStep, 1);
        return;
    }
    if (plan.startGame) {
        StartInstalledGame(app);
    }
    mainWindow().close();
}
