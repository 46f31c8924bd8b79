#include "dialog_win.h"

#include <vector>

#include "common/win/text_fit_win.h"

Dialog::Dialog(int layoutId) : layoutId_(layoutId) {}

Dialog::~Dialog() {
    if (hwnd_ != nullptr && !modal_) {
        SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

INT_PTR Dialog::runModal(HWND owner) {
    modal_ = true;
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(layoutId_), owner,
                           &Dialog::procedure, reinterpret_cast<LPARAM>(this));
}

bool Dialog::create(HWND owner) {
    modal_ = false;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(layoutId_), owner,
                              &Dialog::procedure, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::setItemText(int id, const std::wstring& text) const {
    SetDlgItemTextW(hwnd_, id, text.c_str());
}

std::wstring Dialog::itemText(int id) const {
    HWND control = item(id);
    int length = GetWindowTextLengthW(control);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(control, buffer.data(), length + 1);
    return buffer.data();
}

void Dialog::enableItem(int id, bool enabled) const {
    EnableWindow(item(id), enabled ? TRUE : FALSE);
}

void Dialog::setTitle(const std::wstring& text) const {
    SetWindowTextW(hwnd_, text.c_str());
}

void Dialog::show(bool visible) const {
    ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

void Dialog::end(INT_PTR result) {
    if (hwnd_ == nullptr) {
        return;
    }
    if (modal_) {
        EndDialog(hwnd_, result);
    } else {
        DestroyWindow(hwnd_);
    }
}

void Dialog::handle(UINT message, Handler handler) {
    handlers_[message] = std::move(handler);
}

INT_PTR CALLBACK Dialog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (self == nullptr) {
        return FALSE;
    }
    try {
        return self->dispatch(message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR Dialog::reply(UINT message, LRESULT result) {
    // These messages answer through the procedure's own result; all others
    // through DWLP_MSGRESULT.
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG:
            return static_cast<INT_PTR>(result);
        default:
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

INT_PTR Dialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    auto handler = handlers_.find(message);
    if (handler != handlers_.end()) {
        LRESULT result = 0;
        if (handler->second(wParam, lParam, result)) {
            return reply(message, result);
        }
    }
    switch (message) {
        case WM_INITDIALOG: {
            const bool setFocus = onInit();
            fitDialogTexts(hwnd_);
            return setFocus ? TRUE : FALSE;
        }
        case kDpiChangedMessage: {
            // Per-monitor awareness: the window moved to a screen of another
            // dpi. The system has scaled the layout; what we sized ourselves
            // is measured again.
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            onDpiChanged();
            fitDialogTexts(hwnd_);
            return reply(message, 0);
        }
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            int code = HIWORD(wParam);
            if (id == IDOK && code == BN_CLICKED) {
                onOK();
                return TRUE;
            }
            if (id == IDCANCEL && code == BN_CLICKED) {
                onCancel();
                return TRUE;
            }
            return onCommand(id, code) ? TRUE : FALSE;
        }
        case WM_CLOSE:
            onCancel();
            return TRUE;
        case WM_DESTROY:
            onDestroy();
            return FALSE;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
            hwnd_ = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

bool appendAboutEntry(HWND window, int menuTextId, UINT command) {
    wchar_t text[256] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), menuTextId, text, 256) <= 0) {
        return false;
    }
    HMENU menu = GetSystemMenu(window, FALSE);
    if (menu == nullptr) {
        return false;
    }
    return AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE &&
           AppendMenuW(menu, MF_STRING, command, text) != FALSE;
}
