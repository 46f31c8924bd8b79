#include "installer/ui/next_disc_dialog_win.h"

#include <shlobj.h>

#include "common/text.h"
#include "common/win/handles_win.h"
#include "common/win/win32_platform_win.h"
#include "installer/ui/wizard_host_win.h"

namespace {

// Pre-selects the folder the browser was given, once it is ready.
int CALLBACK browseCallback(HWND browser, UINT message, LPARAM, LPARAM folder) {
    if (message == BFFM_INITIALIZED) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, folder);
    }
    return 0;
}

}  // namespace

NextDiscDialog::NextDiscDialog(const InstallConfig& config)
    : Dialog(kLayout), config_(config), poll_(*this) {
    handle(kPresentMessage, [this](WPARAM number, LPARAM folder, LRESULT& result) {
        storedFolder_ = *reinterpret_cast<const std::wstring*>(folder);
        showFolder(storedFolder_ + L"\\");
        // Titled before it shows, so that it never shows the layout's caption.
        setTitle(fillIntegerFormat(config_.text(36), static_cast<int>(number)));
        if (!IsWindowVisible(hwnd())) {
            show(true);
        }
        SetForegroundWindow(hwnd());
        SetFocus(hwnd());
        result = 0;
        return true;
    });
    handle(kStoredFolderMessage, [this](WPARAM, LPARAM folder, LRESULT& result) {
        *reinterpret_cast<std::wstring*>(folder) = storedFolder_;
        result = 0;
        return true;
    });
    handle(kDismissMessage, [this](WPARAM, LPARAM, LRESULT& result) {
        if (IsWindowVisible(hwnd())) {
            show(false);
        }
        result = 0;
        return true;
    });
}

void NextDiscDialog::present(const std::wstring& folder, int packageNumber) {
    SendMessageW(hwnd(), kPresentMessage, static_cast<WPARAM>(packageNumber),
                 reinterpret_cast<LPARAM>(&folder));
}

std::wstring NextDiscDialog::storedFolder() {
    std::wstring folder;
    SendMessageW(hwnd(), kStoredFolderMessage, 0, reinterpret_cast<LPARAM>(&folder));
    return folder;
}

void NextDiscDialog::dismiss() {
    SendMessageW(hwnd(), kDismissMessage, 0, 0);
}

bool NextDiscDialog::onInit() {
    setItemText(kLabel, config_.text(37));
    setItemText(IDOK, config_.text(39));
    setItemText(IDCANCEL, config_.text(40));
    poll_.reset();
    return true;
}

void NextDiscDialog::onOK() {
    shownText_ = itemText(kFolderBox);
    show(false);
    poll_.answerOk();
}

void NextDiscDialog::onCancel() {
    if (MessageBoxPrompt(kInstallerTitle, hwnd())
            .askYesNo(config_.text(38), MessageIcon::Question)) {
        show(false);
        poll_.answerCancel();
    } else {
        poll_.clearCancel();
    }
}

bool NextDiscDialog::onCommand(int id, int code) {
    if (id != kBrowseButton || code != BN_CLICKED) {
        return false;
    }
    browse();
    return true;
}

void NextDiscDialog::showFolder(const std::wstring& text) {
    shownText_ = text;
    setItemText(kFolderBox, shownText_);
}

void NextDiscDialog::browse() {
    wchar_t folder[MAX_PATH] = {};
    storedFolder_.copy(folder, MAX_PATH - 1);
    wchar_t displayName[MAX_PATH] = {};
    const std::wstring& title = config_.text(37);
    BROWSEINFOW info{};
    info.hwndOwner = hwnd();
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT;
    info.lpfn = browseCallback;
    info.lParam = reinterpret_cast<LPARAM>(folder);
    ItemIdList chosen(SHBrowseForFolderW(&info));
    wchar_t path[MAX_PATH] = {};
    if (!chosen || !SHGetPathFromIDListW(chosen.get(), path)) {
        return;
    }
    storedFolder_ = path;
    // A drive root (E:\) is stored as E:, so that "E:\data2.pck" is looked for.
    if (!storedFolder_.empty() && storedFolder_.back() == L'\\') {
        storedFolder_.pop_back();
    }
    showFolder(path);
}
