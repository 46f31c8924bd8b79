#include "installer/ui/undo_dialog_win.h"

#include <commctrl.h>

#include "installer/app/installer_app_win.h"
#include "installer/engine/install_engine.h"
#include "installer/ui/main_window_win.h"

UndoDialog::UndoDialog(InstallerApp& app) : Dialog(kLayout), app_(app) {
    handle(kHideMessage, [this](WPARAM, LPARAM, LRESULT& result) {
        show(false);
        result = 0;
        return true;
    });
}

UndoDialog::~UndoDialog() {
    cancelRequested_ = true;
    worker_.join();
}

bool UndoDialog::onInit() {
    setTitle(app_.text(49));
    setItemText(IDOK, app_.text(16));
    return true;
}

void UndoDialog::Prepare(InstallEngine* engine, MainWindow& mainWindow) {
    engine_ = engine;
    mainWindow_ = &mainWindow;
    cancelRequested_ = false;
}

void UndoDialog::StartUndo() {
    if (!worker_.start(&UndoDialog::UndoWorker, this)) {
        // Without a thread the wizard must still move on.
        show(false);
        mainWindow_->wizardStep().move(kInstallStep, 1);
    }
}

DWORD WINAPI UndoDialog::UndoWorker(void* self) {
    static_cast<UndoDialog*>(self)->undo();
    return 0;
}

void UndoDialog::undo() {
    const HWND bar = item(kBar);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    if (engine_ != nullptr) {
        // A bar repaints for every position it is given: only changes go to it.
        int shown = -1;
        engine_->undo(cancelRequested_, [bar, &shown](int position) {
            if (position != shown) {
                SendMessageW(bar, PBM_SETPOS, position, 0);
                shown = position;
            }
        });
    }
    SendMessageW(hwnd(), kHideMessage, 0, 0);
    mainWindow_->wizardStep().move(kInstallStep, 1);
}
