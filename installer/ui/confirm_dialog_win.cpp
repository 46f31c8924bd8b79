#include "installer/ui/confirm_dialog_win.h"

#include "installer/app/installer_app_win.h"
#include "installer/ui/main_window_win.h"

bool ConfirmDialog::onInit() {
    const InstallerApp& app = mainWindow().app();
    setTitle(app.text(52));
    setItemText(kQuestionText, app.text(51));
    setItemText(IDCANCEL, app.text(53));
    setItemText(IDOK, app.text(54));
    return true;
}

void ConfirmDialog::onOK() {
    mainWindow().wizardStep().move(kQuestionStep, 1);
}

void ConfirmDialog::onCancel() {
    mainWindow().wizardStep().move(kQuestionStep, kInstallStep - kQuestionStep);
}
