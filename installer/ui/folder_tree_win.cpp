#include "installer/ui/folder_tree_win.h"

#include <array>

namespace {

constexpr COLORREF kLineColour = RGB(192, 192, 192);
constexpr COLORREF kClearColour = RGB(255, 0, 255);
constexpr int kBoxPictureSize = 16;
constexpr int kBasicButton = 16;  // the arrow buttons' size at 96 dpi

RECT toRect(const TreeRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

void fill(HDC dc, const TreeRect& area, int colourIndex) {
    const RECT rect = toRect(area);
    FillRect(dc, &rect, GetSysColorBrush(colourIndex));
}

void line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

// Edges `thickness` pixels wide just inside the rectangle: the top and left
// in one colour, the bottom and right in the other.
void drawEdges(HDC dc, const TreeRect& area, COLORREF topLeft, COLORREF bottomRight,
               int thickness) {
    const auto band = [dc](int left, int top, int right, int bottom, COLORREF colour) {
        BrushHandle brush(CreateSolidBrush(colour));
        const RECT rect{left, top, right, bottom};
        FillRect(dc, &rect, brush.get());
    };
    band(area.left, area.top, area.right, area.top + thickness, topLeft);
    band(area.left, area.top, area.left + thickness, area.bottom, topLeft);
    band(area.right - thickness, area.top + thickness, area.right, area.bottom, bottomRight);
    band(area.left, area.bottom - thickness, area.right, area.bottom, bottomRight);
}

// An arrow button: raised, or sunk while pressed, with a black triangle whose
// corners are given relative to the top-left corner of a 16-pixel button and
// scaled to the button's size.
void drawArrow(HDC dc, const TreeRect& button, const std::array<POINT, 3>& corners, bool pressed,
               int thickness) {
    fill(dc, button, pressed ? COLOR_BTNSHADOW : COLOR_BTNFACE);
    const COLORREF white = RGB(255, 255, 255);
    const COLORREF black = RGB(0, 0, 0);
    drawEdges(dc, button, pressed ? black : white, pressed ? white : black, thickness);
    std::array<POINT, 3> points = corners;
    for (POINT& point : points) {
        point.x = button.left + MulDiv(point.x, button.width(), kBasicButton);
        point.y = button.top + MulDiv(point.y, button.height(), kBasicButton);
    }
    SelectedObject brush(dc, GetStockObject(BLACK_BRUSH));
    SelectedObject pen(dc, GetStockObject(BLACK_PEN));
    Polygon(dc, points.data(), static_cast<int>(points.size()));
}

void drawThumb(HDC dc, const TreeRect& thumb, bool held, int thickness) {
    fill(dc, thumb, held ? COLOR_BTNSHADOW : COLOR_BTNFACE);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW);
    drawEdges(dc, thumb, held ? dark : light, held ? light : dark, thickness);
}

FontHandle makeLabelFont(const TreeMetrics& metrics) {
    return FontHandle(CreateFontW(metrics.fontHeight, metrics.fontWidth, 0, 0, FW_NORMAL, FALSE,
                                  FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0x20, L"宋体"));
}

}  // namespace

FolderTreePainter::FolderTreePainter()
    : linePen_(CreatePen(PS_SOLID, 1, kLineColour)), labelFont_(makeLabelFont(metrics_)) {}

void FolderTreePainter::SetMetrics(const TreeMetrics& metrics) {
    metrics_ = metrics;
    linePen_ = PenHandle(CreatePen(PS_SOLID, metrics.line, kLineColour));
    labelFont_ = makeLabelFont(metrics);
}

void FolderTreePainter::Draw(HDC target, const FolderTree& tree) const {
    const TreeRect& area = tree.area();
    const int width = area.width();
    const int height = area.height();
    if (width <= 0 || height <= 0) {
        return;
    }
    MemoryDc dc(CreateCompatibleDC(target));
    BitmapHandle surface(CreateCompatibleBitmap(target, width, height));
    if (!dc || !surface) {
        return;
    }
    SelectedObject selectedSurface(dc.get(), surface.get());
    SelectedObject font(dc.get(), labelFont_.get());

    const TreeRect inner{1, 1, width - 1, height - 1};
    fill(dc.get(), inner, COLOR_WINDOW);
    for (const ShownNode& shown : tree.shownNodes()) {
        const int rowTop = inner.top + tree.metrics().row * shown.row;
        if (rowTop >= inner.top && rowTop <= inner.bottom) {
            drawNode(dc.get(), tree, inner, shown);
        }
    }
    if (tree.focused()) {
        drawFocus(dc.get(), tree, inner);
    }
    drawScrollBars(dc.get(), tree, inner);
    drawEdges(dc.get(), TreeRect{0, 0, width, height}, GetSysColor(COLOR_3DDKSHADOW),
              GetSysColor(COLOR_BTNHIGHLIGHT), 1);
    BitBlt(target, area.left, area.top, width, height, dc.get(), 0, 0, SRCCOPY);
}

// The focus rectangle around the selected label, as any tree shows where
// the keys act; around the rows when nothing is selected yet.
void FolderTreePainter::drawFocus(HDC dc, const FolderTree& tree, const TreeRect& inner) const {
    const TreeMetrics& metrics = tree.metrics();
    for (const ShownNode& shown : tree.shownNodes()) {
        if (!shown.node->selected) {
            continue;
        }
        const NodeGeometry place = tree.nodeGeometry(inner, shown.level, shown.row);
        RECT label{place.labelDraw.left, place.rowTop, place.labelDraw.right,
                   place.rowTop + metrics.row};
        DrawTextW(dc, shown.node->label.c_str(), static_cast<int>(shown.node->label.size()), &label,
                  DT_SINGLELINE | DT_CALCRECT);
        label.bottom = place.rowTop + metrics.row;
        DrawFocusRect(dc, &label);
        return;
    }
    if (tree.selected() == nullptr) {
        RECT rows{inner.left, inner.top, inner.right - metrics.bar, inner.bottom - metrics.bar};
        DrawFocusRect(dc, &rows);
    }
}

void FolderTreePainter::drawNode(HDC dc, const FolderTree& tree, const TreeRect& inner,
                                 const ShownNode& shown) const {
    const FolderNode& node = *shown.node;
    const TreeMetrics& metrics = tree.metrics();
    const NodeGeometry place = tree.nodeGeometry(inner, shown.level, shown.row);

    RECT label{place.labelDraw.left, place.rowTop, place.labelDraw.right,
               place.rowTop + metrics.row};
    if (node.selected) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    }
    DrawTextW(dc, node.label.c_str(), static_cast<int>(node.label.size()), &label, DT_SINGLELINE);

    const int image = node.expanded && node.openImage != -1 ? node.openImage : node.image;
    if (images_ != nullptr && node.image != -1) {
        ImageList_Draw(images_, image, dc, place.iconCell.left, place.iconCell.top, ILD_NORMAL);
    }

    SelectedObject pen(dc, linePen_.get());
    const int left = inner.left;
    const auto columnCentre = [left, &metrics](int column) {
        return left + metrics.column * column + metrics.column / 2;
    };
    const int level = shown.level;
    const int rowBottom = place.rowTop + metrics.row;
    const int ownColumn = columnCentre(level - 1);
    line(dc, ownColumn, place.rowTop, ownColumn,
         FolderTree::hasFollowingSibling(&node) ? rowBottom : place.rowMiddle);
    line(dc, place.iconCell.left, place.rowMiddle, ownColumn, place.rowMiddle);
    const FolderNode* ancestor = node.parent;
    for (int column = level - 2; column >= 0 && ancestor != nullptr; --column) {
        if (FolderTree::hasFollowingSibling(ancestor)) {
            line(dc, columnCentre(column), place.rowTop, columnCentre(column), rowBottom);
        }
        ancestor = ancestor->parent;
    }

    if (!node.children.empty()) {
        drawBox(dc, place.expandBox, node.expanded ? expandedBox_ : collapsedBox_);
    }
}

void FolderTreePainter::drawBox(HDC dc, const TreeRect& box, HBITMAP picture) const {
    if (picture == nullptr) {
        return;
    }
    MemoryDc source(CreateCompatibleDC(dc));
    if (!source) {
        return;
    }
    SelectedObject selected(source.get(), picture);
    GdiTransparentBlt(dc, box.left, box.top, box.width(), box.height(), source.get(), 0, 0,
                      kBoxPictureSize, kBoxPictureSize, kClearColour);
}

void FolderTreePainter::drawScrollBars(HDC dc, const FolderTree& tree,
                                       const TreeRect& inner) const {
    const ScrollBarLayout bars = tree.scrollBarLayout(inner);
    fill(dc, bars.verticalTrack, COLOR_SCROLLBAR);
    fill(dc, bars.horizontalTrack, COLOR_SCROLLBAR);
    fill(dc, bars.corner, COLOR_BTNFACE);
    const TreeArrow pressed = tree.pressedArrow();
    const int edge = tree.metrics().line;
    drawArrow(dc, bars.leftArrow, {{{11, 4}, {11, 11}, {5, 8}}}, pressed == TreeArrow::Left, edge);
    drawArrow(dc, bars.rightArrow, {{{4, 4}, {4, 11}, {10, 8}}}, pressed == TreeArrow::Right, edge);
    drawArrow(dc, bars.upArrow, {{{4, 11}, {11, 11}, {7, 5}}}, pressed == TreeArrow::Up, edge);
    drawArrow(dc, bars.downArrow, {{{4, 4}, {11, 4}, {7, 10}}}, pressed == TreeArrow::Down, edge);
    drawThumb(dc, bars.verticalThumb, tree.verticalThumbHeld(), edge);
    drawThumb(dc, bars.horizontalThumb, tree.horizontalThumbHeld(), edge);
}

namespace {

TreeKey treeKeyFor(WPARAM virtualKey) {
    switch (virtualKey) {
        case VK_UP:
            return TreeKey::Up;
        case VK_DOWN:
            return TreeKey::Down;
        case VK_LEFT:
            return TreeKey::Left;
        case VK_RIGHT:
            return TreeKey::Right;
        case VK_HOME:
            return TreeKey::Home;
        case VK_END:
            return TreeKey::End;
        case VK_RETURN:
            return TreeKey::Enter;
        default:
            return TreeKey::Other;
    }
}

LRESULT CALLBACK treeWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: {
            // The arrows, and Enter, which picks here rather than pressing
            // the page's default button.
            LRESULT code = DLGC_WANTARROWS;
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
                code |= DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_KEYDOWN: {
            const TreeKey key = treeKeyFor(wParam);
            if (key != TreeKey::Other) {
                SendMessageW(GetParent(window), FolderTreeWindow::kKeyMessage,
                             static_cast<WPARAM>(key), 0);
                return 0;
            }
            break;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            SendMessageW(GetParent(window), FolderTreeWindow::kFocusMessage,
                         message == WM_SETFOCUS ? 1 : 0, 0);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            // The page draws the tree where this window lies.
            ValidateRect(window, nullptr);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool FolderTreeWindow::registerClass() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(module, kClassName, &existing)) {
        return true;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    // Double-clicks too: the page's tree opens a node on one.
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &treeWindowProcedure;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}
