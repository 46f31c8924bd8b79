#include "installer/ui/undo_dialog_win.h"

#include <commctrl.h>

#include "installer/engine/install_engine.h"
#include "installer/ui/wizard_page_win.h"

UndoDialog::UndoDialog(WizardFrame& mainWindow) : Dialog(kLayout), mainWindow_(mainWindow) {
    handle(kHideMessage, [this](WPARAM, LPARAM, LRESULT& result) {
        show(false);
        mainWindow_.host().undone();
        result = 0;
        return true;
    });
}

UndoDialog::~UndoDialog() {
    cancelRequested_ = true;
    worker_.join();
}

bool UndoDialog::onInit() {
    setTitle(mainWindow_.installRun().text(49));
    setItemText(IDOK, mainWindow_.installRun().text(16));
    return true;
}

void UndoDialog::Prepare(InstallEngine* engine) {
    engine_ = engine;
    cancelRequested_ = false;
}

void UndoDialog::StartUndo() {
    if (!worker_.start(&UndoDialog::UndoWorker, this)) {
        // Without a thread the wizard must still move on.
        show(false);
        mainWindow_.wizardStep().move(kInstallStep, 1);
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
    mainWindow_.wizardStep().move(kInstallStep, 1);
}
