#include "installer/ui/main_window_win.h"

#include <string>

#include "installer/ui/about_dialog_win.h"
#include "installer/ui/screen_placement.h"
#include "installer/ui/wizard_pages_win.h"

namespace {

constexpr UINT_PTR kTimerId = 0;

// The order in which the pages are created.
constexpr std::array<PageId, kPageCount> kCreationOrder = {
    PageId::Path,   PageId::PackageCheck, PageId::Agreement, PageId::InstallProgress,
    PageId::Finish, PageId::FileVerify,   PageId::Confirm,
};

bool isDialogWindow(HWND window) {
    wchar_t name[16] = {};
    return GetClassNameW(window, name, 16) > 0 && std::wstring(name) == L"#32770";
}

// Keyboard messages go to the dialog they belong to, as the dialog manager's
// own loop does for a modal dialog; here the pages are separate windows.
bool routeDialogKey(MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || message.hwnd == nullptr) {
        return false;
    }
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    return root != nullptr && isDialogWindow(root) && IsDialogMessageW(root, &message);
}

}  // namespace

MainWindow::MainWindow(WizardHost& host) : Dialog(kLayout), host_(host) {
    handle(WM_TIMER, [this](WPARAM id, LPARAM, LRESULT&) {
        if (id != kTimerId) {
            return false;
        }
        tick();
        return true;
    });
    handle(WM_PAINT, [this](WPARAM, LPARAM, LRESULT&) {
        paint();
        return true;
    });
    // On a screen of another dpi the caption's height changes: the window is
    // placed again so that its client area still fills the screen.
    handle(kDpiChangedMessage, [this](WPARAM, LPARAM, LRESULT& result) {
        fillScreen();
        result = 0;
        return true;
    });
    handle(WM_ERASEBKGND, [](WPARAM, LPARAM, LRESULT& result) {
        result = 1;  // erased, without drawing: the picture covers the window
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
        AboutDialog about;
        about.runModal(hwnd());
        return true;
    });
    handle(kProgressMessage, [this](WPARAM percent, LPARAM, LRESULT& result) {
        followProgress(static_cast<int>(percent));
        result = 0;
        return true;
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::run() {
    if (!create(nullptr)) {
        return;
    }
    MSG message{};
    while (!ended_ && IsWindow(hwnd())) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // Leave the quit for the caller's loop, as a modal loop does.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) {
            break;
        }
        if (offerToPage(message)) {
            continue;
        }
        if (!routeDialogKey(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (hwnd() != nullptr) {
        releasePictures();
        DestroyWindow(hwnd());
    }
}

bool MainWindow::offerToPage(MSG& message) {
    if (message.hwnd == nullptr) {
        return false;
    }
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    for (const auto& page : pages_) {
        if (page && page->hwnd() == root) {
            return page->preTranslate(message);
        }
    }
    return false;
}

void MainWindow::close() {
    if (ended_) {
        return;
    }
    ended_ = true;
    if (hwnd() != nullptr) {
        KillTimer(hwnd(), kTimerId);
        // Wakes the loop, which then destroys the window outside any handler.
        PostMessageW(hwnd(), WM_NULL, 0, 0);
    }
    releasePictures();
}

void MainWindow::releasePictures() {
    canvas_.clear();
    for (auto& picture : pictures_) {
        picture.reset();
    }
    pictureCount_ = 0;
}

bool MainWindow::onInit() {
    appendAboutEntry(hwnd(), kAboutMenuText, kAboutCommand);
    icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIcon));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    loadPictures();
    canvas_.create(hwnd());
    showPicture(0);
    fillScreen();
    createPages();
    wizardStep_.reset();
    SetTimer(hwnd(), kTimerId, kWizardTimerMs, nullptr);
    setTitle(installRun().text(32));
    return true;
}

void MainWindow::onDestroy() {
    KillTimer(hwnd(), kTimerId);
    for (auto& page : pages_) {
        page.reset();
    }
}

void MainWindow::loadPictures() {
    WindowDc dc(hwnd());
    auto loaded = loadPictureSet<BitmapHandle>(
        installRun().mediumFolder, [&](const std::wstring& path, bool jpeg) {
            return jpeg ? loadJpegPicture(installRun().platform(), path, dc.get())
                        : loadBitmapPicture(path);
        });
    pictureCount_ = 0;
    for (auto& picture : loaded) {
        pictures_[static_cast<size_t>(pictureCount_++)] = std::move(picture);
    }
}

void MainWindow::fillScreen() {
    RECT window{};
    RECT client{};
    GetWindowRect(hwnd(), &window);
    GetClientRect(hwnd(), &client);
    const WindowPlacement place =
        fullScreenPlacement(window.bottom, client.bottom, GetSystemMetrics(SM_CXFULLSCREEN),
                            GetSystemMetrics(SM_CYFULLSCREEN));
    SetWindowPos(hwnd(), HWND_TOP, place.x, place.y, place.width, place.height, SWP_SHOWWINDOW);
}

void MainWindow::createPages() {
    for (PageId id : kCreationOrder) {
        auto page = makeWizardPage(id, *this);
        if (page && page->create(hwnd())) {
            pages_[pageIndex(id)] = std::move(page);
        }
    }
}

void MainWindow::tick() {
    if (ended_) {
        return;
    }
    WizardInputs inputs;
    inputs.packageCheckFlag = installRun().config().packageCheckFlag;
    inputs.stopRequested = quitRequested_.load();
    for (size_t i = 0; i < kPageCount; ++i) {
        if (pages_[i]) {
            inputs.pages.set(i);
            inputs.stopRequested = inputs.stopRequested || pages_[i]->stopRequested();
        }
    }
    WizardState state = wizard_;
    state.step = wizardStep_.current();
    const int observed = state.step;
    const WizardTick action = advanceWizard(state, inputs);
    if (state.step != observed) {
        // A page that moved the step since it was read keeps its move.
        wizardStep_.replace(observed, state.step);
    }
    wizard_ = state;
    if (action.close) {
        close();
        return;
    }
    if (action.show) {
        showPage(action.page);
        if (WizardPage* shown = page(action.page); action.start && shown != nullptr) {
            shown->start();
        }
    }
}

void MainWindow::showPage(PageId id) {
    for (size_t i = 0; i < kPageCount; ++i) {
        if (i != pageIndex(id) && pages_[i]) {
            pages_[i]->show(false);
        }
    }
    if (WizardPage* shown = page(id)) {
        shown->show(true);
    }
}

bool MainWindow::showPicture(int index) {
    if (index < 0 || index >= kMaxPictures || !pictures_[static_cast<size_t>(index)]) {
        return false;
    }
    if (!canvas_.select(pictures_[static_cast<size_t>(index)].get())) {
        return false;
    }
    InvalidateRect(hwnd(), nullptr, FALSE);
    return true;
}

void MainWindow::followProgress(int percent) {
    const int index = pictureIndexForProgress(pictureCount_, percent);
    if (index != lastShownPicture_) {
        showPicture(index);
        lastShownPicture_ = index;
    }
}

void MainWindow::paint() {
    PaintScope scope(hwnd());
    RECT client{};
    GetClientRect(hwnd(), &client);
    canvas_.paint(scope.dc(), client);
}

void MainWindow::postProgress(int percent) {
    PostMessageW(hwnd(), kProgressMessage, static_cast<WPARAM>(percent), 0);
}
