#include "installer/ui/wizard_page_win.h"

#include "installer/app/installer_app_win.h"
#include "installer/ui/install_progress_dialog_win.h"
#include "installer/ui/agreement_dialog_win.h"
#include "installer/ui/confirm_dialog_win.h"
#include "installer/ui/finish_dialog_win.h"
#include "installer/ui/main_window_win.h"
#include "installer/ui/path_dialog_win.h"
#include "installer/ui/screen_placement.h"
#include "installer/ui/file_verify_dialog_win.h"
#include "installer/ui/package_check_dialog_win.h"

void WizardPage::centreOverMainWindow() const {
    RECT parent{};
    RECT own{};
    GetWindowRect(mainWindow().hwnd(), &parent);
    GetWindowRect(hwnd(), &own);
    const WindowOrigin origin = centredOver(parent.left, parent.top, parent.right, parent.bottom,
                                            own.right - own.left, own.bottom - own.top);
    SetWindowPos(hwnd(), nullptr, origin.x, origin.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::unique_ptr<WizardPage> makeWizardPage(PageId id, MainWindow& mainWindow) {
    switch (id) {
        case PageId::Agreement:
            return std::make_unique<AgreementDialog>(mainWindow);
        case PageId::Confirm:
            return std::make_unique<ConfirmDialog>(mainWindow);
        case PageId::Path: {
            const InstallerApp& app = mainWindow.app();
            return std::make_unique<PathDialog>(mainWindow, app.text(0), app.text(1),
                                                app.defaultTargetFolder, L"");
        }
        case PageId::InstallProgress:
            return std::make_unique<InstallProgressDialog>(mainWindow);
        case PageId::Finish:
            return std::make_unique<FinishDialog>(mainWindow);
        case PageId::PackageCheck:
            return std::make_unique<PackageCheckDialog>(mainWindow);
        case PageId::FileVerify:
            return std::make_unique<FileVerifyDialog>(mainWindow);
    }
    return nullptr;
}
