#include "installer/ui/agreement_dialog_win.h"

#include <commctrl.h>

AgreementTextBox::~AgreementTextBox() {
    detach();
}

bool AgreementTextBox::attach(HWND edit) {
    detach();
    if (edit == nullptr || !SetWindowSubclass(edit, &AgreementTextBox::procedure, 0,
                                              reinterpret_cast<DWORD_PTR>(this))) {
        return false;
    }
    edit_ = edit;
    return true;
}

void AgreementTextBox::detach() {
    if (edit_ != nullptr) {
        RemoveWindowSubclass(edit_, &AgreementTextBox::procedure, 0);
        edit_ = nullptr;
    }
}

ScrollState AgreementTextBox::scrollState() const {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    ScrollState state;
    if (edit_ != nullptr && GetScrollInfo(edit_, SB_VERT, &info)) {
        state.position = info.nPos;
        state.maximum = info.nMax;
        state.page = info.nPage;
    }
    return state;
}

LRESULT CALLBACK AgreementTextBox::procedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* box = reinterpret_cast<AgreementTextBox*>(self);
    switch (message) {
        case WM_VSCROLL: {
            // The box scrolls first, so that the check sees the new position.
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            if (GetParent(window) != nullptr) {
                box->afterScroll_();
            }
            return result;
        }
        case WM_MOUSEWHEEL:
            DefSubclassProc(window, message, wParam, lParam);
            if (GetParent(window) != nullptr) {
                box->afterScroll_();
            }
            return 0;
        case WM_NCDESTROY:
            box->detach();
            return DefSubclassProc(window, message, wParam, lParam);
        default:
            return DefSubclassProc(window, message, wParam, lParam);
    }
}

AgreementDialog::AgreementDialog(WizardFrame& mainWindow)
    : WizardPage(kLayout, mainWindow), textBox_([this] { checkAgreeButton(); }) {
    handle(WM_TIMER, [this](WPARAM id, LPARAM, LRESULT&) {
        if (id != kTimerId) {
            return false;
        }
        loadText();
        return true;
    });
}

bool AgreementDialog::onInit() {
    const InstallRun& run = mainWindow().installRun();
    textBox_.attach(item(kTextBox));
    setItemText(kLabel, run.text(22));
    setItemText(kAgreeButton, run.text(24));
    setItemText(IDCANCEL, run.text(25));
    setTitle(run.text(23));
    SetTimer(hwnd(), kTimerId, kWizardTimerMs, nullptr);
    loaded_ = false;
    return true;
}

void AgreementDialog::onCancel() {
    mainWindow().close();
}

void AgreementDialog::onDestroy() {
    KillTimer(hwnd(), kTimerId);
}

bool AgreementDialog::onCommand(int id, int code) {
    if (id != kAgreeButton || code != BN_CLICKED) {
        return false;
    }
    mainWindow().wizardStep().move(kAgreementStep, 1);
    return true;
}

void AgreementDialog::checkAgreeButton() {
    if (agreeRule_.scrolled(textBox_.scrollState())) {
        enableItem(kAgreeButton, true);
    }
}

void AgreementDialog::loadText() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    InstallRun& run = mainWindow().installRun();
    auto text = loadAgreementText(run.platform(), run.mediumFolder);
    if (!text) {
        return;
    }
    HWND box = item(kTextBox);
    SetFocus(box);
    SendMessageW(box, EM_SETSEL, 0, 0);
    SendMessageW(box, EM_SCROLLCARET, 0, 0);
    SetWindowTextW(box, text->c_str());
    enableItem(kAgreeButton, agreeRule_.textLoaded(textBox_.scrollState()));
}
