#include "uninstall_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "common/win/handles_win.h"

namespace {

constexpr int kProgressBar = 1000;
constexpr int kUninstallGroup = 1001;
constexpr int kStageLabels[] = {1002, 1003, 1004};
constexpr int kProgressGroup = 1005;
constexpr int kStageMarks[] = {1006, 1007, 1008};
constexpr int kDeleteAllBox = 1010;

constexpr int kIcon = 128;
constexpr int kAboutMenuText = 101;
constexpr UINT kAboutCommand = 16;

class AboutUninstallDialog : public Dialog {
public:
    AboutUninstallDialog() : Dialog(100) {}
};

}  // namespace

UninstallWindow::UninstallWindow(UninstallHost& host)
    : Dialog(kLayout),
      host_(host),
      icon_(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIcon))) {
    handle(WM_PAINT, [this](WPARAM, LPARAM, LRESULT&) {
        if (!IsIconic(hwnd())) {
            return false;
        }
        paintMinimised();
        return true;
    });
    handle(WM_QUERYDRAGICON, [this](WPARAM, LPARAM, LRESULT& result) {
        result = reinterpret_cast<LRESULT>(icon_);
        return true;
    });
    handle(WM_SYSCOMMAND, [this](WPARAM command, LPARAM, LRESULT&) {
        if ((command & 0xFFF0) != kAboutCommand) {
            return false;
        }
        // Owned by this window, so that start cannot be pressed behind it.
        AboutUninstallDialog about;
        about.runModal(hwnd());
        return true;
    });
}

bool UninstallWindow::onInit() {
    appendAboutEntry(hwnd(), kAboutMenuText, kAboutCommand);
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    const UninstallTexts& texts = host_.texts();
    setItemText(kUninstallGroup, texts.uninstallGroup);
    setItemText(kStageLabels[0], texts.deleteItem1);
    setItemText(kStageLabels[1], texts.deleteItem2);
    setItemText(kStageLabels[2], texts.deleteItem3);
    setItemText(kDeleteAllBox, texts.deleteAll);
    setItemText(kProgressGroup, texts.progressGroup);
    setItemText(IDOK, texts.buttonOk);
    setItemText(IDCANCEL, texts.buttonCancel);
    setTitle(texts.windowTitle);
    for (int mark : kStageMarks) {
        setItemText(mark, kStagePending);
    }
    setDeleteAll(false);
    host_.windowPrompt().setOwner(hwnd());
    return true;
}

void UninstallWindow::paintMinimised() {
    PaintScope paint(hwnd());
    SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.dc()), 0);
    RECT client{};
    GetClientRect(hwnd(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(paint.dc(), x, y, icon_);
}

void UninstallWindow::setDeleteAll(bool ticked) {
    deleteAll_ = ticked ? 1 : 0;
    CheckDlgButton(hwnd(), kDeleteAllBox, ticked ? BST_CHECKED : BST_UNCHECKED);
}

bool UninstallWindow::onCommand(int id, int code) {
    if (id != kDeleteAllBox || code != BN_CLICKED) {
        return false;
    }
    // Ticking always asks; unticking never does.
    const bool ticked = IsDlgButtonChecked(hwnd(), kDeleteAllBox) == BST_CHECKED;
    setDeleteAll(ticked &&
                 host_.windowPrompt().askYesNo(host_.texts().deleteAllAsk, MessageIcon::None));
    return true;
}

void UninstallWindow::onOK() {
    deleteAll_ = IsDlgButtonChecked(hwnd(), kDeleteAllBox) == BST_CHECKED ? 1 : 0;
    host_.remove(*this, deleteAll_ == 1, hwnd());
    end(IDOK);
}

void UninstallWindow::markStage(int stage) {
    if (stage >= 1 && stage <= 3) {
        setItemText(kStageMarks[stage - 1], kStageDone);
        UpdateWindow(item(kStageMarks[stage - 1]));
    }
}

void UninstallWindow::setProgressRange(int maximum) {
    SendMessageW(item(kProgressBar), PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
    SendMessageW(item(kProgressBar), PBM_SETSTEP, 1, 0);
}

void UninstallWindow::stepProgress() {
    SendMessageW(item(kProgressBar), PBM_STEPIT, 0, 0);
    UpdateWindow(item(kProgressBar));
}
