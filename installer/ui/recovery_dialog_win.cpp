#include "installer/ui/recovery_dialog_win.h"

#include <commctrl.h>

RecoveryDialog::RecoveryDialog(std::wstring title, std::wstring stopText, Work work)
    : Dialog(kLayout),
      title_(std::move(title)),
      stopText_(std::move(stopText)),
      work_(std::move(work)) {
    handle(kDoneMessage, [this](WPARAM, LPARAM, LRESULT& result) {
        end(IDOK);
        result = 0;
        return true;
    });
}

bool RecoveryDialog::onInit() {
    setTitle(title_);
    setItemText(IDOK, stopText_);
    enableItem(IDOK, false);
    SendDlgItemMessageW(hwnd(), kBar, PBM_SETRANGE32, 0, 100);
    if (!worker_.start(&RecoveryDialog::RecoveryWorker, this)) {
        // Without a thread the work runs here, the window unpainted.
        work_([](int) {});
        end(IDOK);
    }
    return true;
}

DWORD WINAPI RecoveryDialog::RecoveryWorker(void* self) {
    auto& dialog = *static_cast<RecoveryDialog*>(self);
    const HWND bar = dialog.item(kBar);
    int shown = -1;
    dialog.work_([bar, &shown](int position) {
        if (position != shown) {
            SendMessageW(bar, PBM_SETPOS, position, 0);
            shown = position;
        }
    });
    SendMessageW(dialog.hwnd(), kDoneMessage, 0, 0);
    return 0;
}
