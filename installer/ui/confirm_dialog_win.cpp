#include "installer/ui/confirm_dialog_win.h"

bool ConfirmDialog::onInit() {
    const InstallRun& run = mainWindow().installRun();
    setTitle(run.text(52));
    setItemText(kQuestionText, run.text(51));
    setItemText(IDCANCEL, run.text(53));
    setItemText(IDOK, run.text(54));
    return true;
}

void ConfirmDialog::onOK() {
    mainWindow().wizardStep().move(kQuestionStep, 1);
}

void ConfirmDialog::onCancel() {
    mainWindow().wizardStep().move(kQuestionStep, kInstallStep - kQuestionStep);
}
