#include "installer/ui/wizard_pages_win.h"

#include "installer/ui/agreement_dialog_win.h"
#include "installer/ui/confirm_dialog_win.h"
#include "installer/ui/file_verify_dialog_win.h"
#include "installer/ui/finish_dialog_win.h"
#include "installer/ui/install_progress_dialog_win.h"
#include "installer/ui/package_check_dialog_win.h"
#include "installer/ui/path_dialog_win.h"

std::unique_ptr<WizardPage> makeWizardPage(PageId id, WizardFrame& mainWindow) {
    switch (id) {
        case PageId::Agreement:
            return std::make_unique<AgreementDialog>(mainWindow);
        case PageId::Confirm:
            return std::make_unique<ConfirmDialog>(mainWindow);
        case PageId::Path: {
            const InstallRun& run = mainWindow.installRun();
            return std::make_unique<PathDialog>(mainWindow, run.text(0), run.text(1),
                                                run.defaultTargetFolder, L"");
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
