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

namespace {

TextBoxInput textBoxInput(UINT message) {
    switch (message) {
        case WM_VSCROLL:
            return TextBoxInput::ScrollBar;
        case WM_MOUSEWHEEL:
            return TextBoxInput::Wheel;
        case WM_KEYDOWN:
            return TextBoxInput::Key;
        default:
            return TextBoxInput::Other;
    }
}

}  // namespace

LRESULT CALLBACK AgreementTextBox::procedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* box = reinterpret_cast<AgreementTextBox*>(self);
    if (message == WM_NCDESTROY) {
        box->detach();
        return DefSubclassProc(window, message, wParam, lParam);
    }
    const TextBoxInput input = textBoxInput(message);
    if (!runsAgreeCheck(input)) {
        return DefSubclassProc(window, message, wParam, lParam);
    }
    // The box moves the text first, so that the check sees the new position.
    // Keys count as much as the scroll bar: the caret keys scroll the text.
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (GetParent(window) != nullptr) {
        box->afterScroll_();
    }
    return input == TextBoxInput::Wheel ? 0 : result;
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
