#include "installer/ui/path_dialog_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include <utility>

#include "common/text.h"
#include "common/win/text_fit_win.h"
#include "common/win/win32_platform_win.h"
#include "common/win/window_dpi_win.h"

namespace {

constexpr int kImageListGrowth = 36;
constexpr uint64_t kMegabyte = 1048576;

// Appends a shell icon to the list and destroys it; answers its index or -1.
int appendIcon(HIMAGELIST images, HICON icon) {
    if (icon == nullptr) {
        return -1;
    }
    IconHandle owned(icon);
    return ImageList_AddIcon(images, owned.get());
}

// The mouse message as the tree takes it; Other for every other message.
TreeMouse treeMouseKind(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
            return TreeMouse::LeftDown;
        case WM_LBUTTONUP:
            return TreeMouse::LeftUp;
        case WM_MOUSEMOVE:
            return TreeMouse::Move;
        case WM_MOUSEWHEEL:
            return TreeMouse::Wheel;
        case WM_LBUTTONDBLCLK:
            return TreeMouse::DoubleClick;
        default:
            return TreeMouse::Other;
    }
}

// Restores the arrow cursor however the scan ends.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace

PathDialog::PathDialog(WizardFrame& mainWindow, std::wstring caption, std::wstring neededFormat,
                       std::wstring initialPath, std::wstring folderSuffix)
    : WizardPage(kLayout, mainWindow),
      caption_(std::move(caption)),
      neededFormat_(std::move(neededFormat)),
      pathText_(std::move(initialPath)),
      folderSuffix_(std::move(folderSuffix)) {
    FolderTreeWindow::registerClass();
    handle(WM_SHOWWINDOW, [this](WPARAM, LPARAM, LRESULT&) {
        SetFocus(item(kPathBox));
        showNeededSpace();
        return false;
    });
    handle(WM_PAINT, [this](WPARAM, LPARAM, LRESULT&) {
        paint();
        return true;
    });
    handle(kTreePickMessage, [this](WPARAM node, LPARAM, LRESULT& result) {
        pick(reinterpret_cast<FolderNode*>(node));
        result = 0;
        return true;
    });
    handle(kTreeExpandMessage, [this](WPARAM node, LPARAM, LRESULT& result) {
        expand(reinterpret_cast<FolderNode*>(node));
        result = 0;
        return true;
    });
    handle(FolderTreeWindow::kKeyMessage, [this](WPARAM key, LPARAM, LRESULT& result) {
        if (tree_.root() != nullptr && tree_.HandleKey(static_cast<TreeKey>(key))) {
            InvalidateRect(hwnd(), nullptr, FALSE);
        }
        result = 0;
        return true;
    });
    handle(FolderTreeWindow::kFocusMessage, [this](WPARAM focused, LPARAM, LRESULT& result) {
        tree_.SetFocused(focused != 0);
        InvalidateRect(hwnd(), nullptr, FALSE);
        result = 0;
        return true;
    });
}

bool PathDialog::onInit() {
    const InstallRun& run = mainWindow().installRun();
    setItemText(kPathBox, pathText_);
    setItemText(kEndButton, run.text(29));
    setItemText(IDOK, run.text(28));
    setItemText(IDCANCEL, run.text(27));
    showNeededSpace();

    const HWND page = hwnd();
    tree_.Setup(
        TreeRect{}, 0,
        [page](FolderNode* node, int ownerValue) {
            SendMessageW(page, kTreePickMessage, reinterpret_cast<WPARAM>(node), ownerValue);
        },
        [page](FolderNode* node, int ownerValue) {
            SendMessageW(page, kTreeExpandMessage, reinterpret_cast<WPARAM>(node), ownerValue);
        });
    measureTree();

    const HINSTANCE module = GetModuleHandleW(nullptr);
    collapsedBox_.reset(LoadBitmapW(module, MAKEINTRESOURCEW(kCollapsedBoxBitmap)));
    expandedBox_.reset(LoadBitmapW(module, MAKEINTRESOURCEW(kExpandedBoxBitmap)));
    painter_.SetBoxImages(collapsedBox_.get(), expandedBox_.get());
    setTitle(caption_);
    buildTree();
    showFreeSpace();
    return true;
}

void PathDialog::showNeededSpace() {
    const uint64_t totalSize = mainWindow().installRun().packageReader.header().totalSize;
    setItemText(kNeededLabel,
                fillIntegerFormat(neededFormat_, static_cast<int64_t>(neededMegabytes(totalSize))));
    fitControlText(hwnd(), kNeededLabel);
}

void PathDialog::showFreeSpace() {
    InstallRun& run = mainWindow().installRun();
    const uint64_t megabytes = freeBytesOfPath(run.platform(), pathText_) / kMegabyte;
    setItemText(kFreeLabel, fillIntegerFormat(run.text(33), static_cast<int64_t>(megabytes)));
    fitControlText(hwnd(), kFreeLabel);
}

void PathDialog::measureTree() {
    RECT area{};
    GetWindowRect(item(kTreeArea), &area);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&area), 2);
    const TreeMetrics metrics = TreeMetrics::forDpi(windowDpi(hwnd()));
    tree_.Rescale(metrics, TreeRect{area.left, area.top, area.right, area.bottom});
    painter_.SetMetrics(metrics);
}

void PathDialog::onDpiChanged() {
    measureTree();
    // The icons again at the new size, in the same order, so the nodes'
    // indices still hold.
    const int size = tree_.metrics().column;
    ImageList resized(
        ImageList_Create(size, size, ILC_COLOR16 | ILC_MASK, kImageListGrowth, kImageListGrowth));
    ImageList_SetBkColor(resized.get(), GetSysColor(COLOR_WINDOW));
    const int count = ImageList_GetImageCount(images_.get());
    for (int index = 0; index < count; ++index) {
        appendIcon(resized.get(), ImageList_GetIcon(images_.get(), index, ILD_NORMAL));
    }
    images_ = std::move(resized);
    painter_.SetImageList(images_.get());
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void PathDialog::buildTree() {
    const int iconSize = tree_.metrics().column;
    images_.reset(ImageList_Create(iconSize, iconSize, ILC_COLOR16 | ILC_MASK, kImageListGrowth,
                                   kImageListGrowth));
    ImageList_SetBkColor(images_.get(), GetSysColor(COLOR_WINDOW));
    painter_.SetImageList(images_.get());

    std::wstring rootLabel;
    addIcons(rootLabel);
    FolderNode* root = tree_.AddNode(rootLabel, nullptr);
    tree_.SetNodeImages(root, 0, -1);
    tree_.SetNodeKind(root, kRootKind);
    root->expanded = true;
    addDrives(root);
}

// Image 0: My Computer, whose display name labels the root; 1 and 2: the
// closed and open folder icons, taken from the system folder.
void PathDialog::addIcons(std::wstring& rootLabel) {
    SHFILEINFOW info{};
    LPITEMIDLIST computer = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(hwnd(), CSIDL_DRIVES, &computer))) {
        ItemIdList owned(computer);
        if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(owned.get()), 0, &info, sizeof(info),
                           SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_ICON | SHGFI_SMALLICON) != 0) {
            appendIcon(images_.get(), info.hIcon);
            rootLabel = info.szDisplayName;
        }
    }
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    for (UINT open : {0U, static_cast<UINT>(SHGFI_OPENICON)}) {
        info = SHFILEINFOW{};
        if (SHGetFileInfoW(system, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON | open) !=
            0) {
            appendIcon(images_.get(), info.hIcon);
        }
    }
}

void PathDialog::addDrives(FolderNode* root) {
    Platform& platform = mainWindow().installRun().platform();
    const DWORD drives = GetLogicalDrives();
    for (int kind = kFirstDriveKind; kind <= kLastDriveKind; ++kind) {
        const wchar_t letter = static_cast<wchar_t>(L'A' + kind);
        if ((drives & (1UL << kind)) == 0 || !passesDriveTest(platform, letter)) {
            continue;
        }
        const std::wstring rootPath = std::wstring(1, letter) + L":\\";
        SHFILEINFOW info{};
        SHGetFileInfoW(rootPath.c_str(), 0, &info, sizeof(info),
                       SHGFI_DISPLAYNAME | SHGFI_ICON | SHGFI_SMALLICON);
        const int image = appendIcon(images_.get(), info.hIcon);
        FolderNode* drive = tree_.AddNode(info.szDisplayName, root);
        tree_.SetNodeImages(drive, image, -1);
        tree_.SetNodeKind(drive, kind);
        scanFolder(tree_, platform, rootPath, drive, 1);
    }
}

bool PathDialog::preTranslate(MSG& message) {
    const TreeMouse kind = treeMouseKind(message.message);
    if (kind == TreeMouse::Other || tree_.root() == nullptr) {
        return false;
    }
    // A control's message carries the control's coordinates; the tree works
    // in the page's, so that a drag over a control does not jump.
    POINT point{static_cast<int>(LOWORD(message.lParam)), static_cast<int>(HIWORD(message.lParam))};
    if (message.hwnd != hwnd() && kind != TreeMouse::Wheel) {
        MapWindowPoints(message.hwnd, hwnd(), &point, 1);
    }
    // A click in the tree gives it the focus, as in any tree.
    const HWND treeWindow = item(kTreeArea);
    if ((kind == TreeMouse::LeftDown || kind == TreeMouse::DoubleClick) &&
        message.hwnd == treeWindow) {
        SetFocus(treeWindow);
    }
    TreeMouseInput input;
    input.kind = kind;
    input.x = point.x;
    input.y = point.y;
    input.wheel = static_cast<int32_t>(static_cast<uint32_t>(message.wParam));
    if (!tree_.HandleMouse(input)) {
        return false;
    }
    InvalidateRect(hwnd(), nullptr, FALSE);
    return true;
}

void PathDialog::pick(FolderNode* node) {
    if (node == nullptr) {
        return;
    }
    InstallRun& run = mainWindow().installRun();
    pathText_ = pickedPath(node, folderSuffix_, run.config().folderCreateFlag, run.config().product,
                           run.defaultTargetFolder);
    showFreeSpace();
    setItemText(kPathBox, pathText_);
}

void PathDialog::expand(FolderNode* node) {
    if (node == nullptr) {
        return;
    }
    WaitCursor wait;
    scanAhead(tree_, mainWindow().installRun().platform(), node);
}

void PathDialog::paint() {
    PaintScope scope(hwnd());
    painter_.Draw(scope.dc(), tree_);
}

void PathDialog::onOK() {
    InstallRun& run = mainWindow().installRun();
    pathText_ = itemText(kPathBox);
    const PathDecision decision =
        checkTargetPath(run.platform(), pathText_, run.packageReader.header().totalSize);
    if (decision.rejection == PathRejection::None) {
        run.targetFolder = decision.targetFolder;
        mainWindow().wizardStep().move(kPathStep, 1);
        return;
    }
    refuse(pathRejectionText(decision.rejection, run.config()));
}

void PathDialog::refuse(const std::wstring& text) {
    MessageBoxPrompt(kInstallerTitle, hwnd()).showMessage(text, MessageIcon::None);
}

void PathDialog::onCancel() {
    mainWindow().wizardStep().move(kPathStep, -1);
}

bool PathDialog::onCommand(int id, int code) {
    if (id != kEndButton || code != BN_CLICKED) {
        return false;
    }
    mainWindow().close();
    return true;
}
