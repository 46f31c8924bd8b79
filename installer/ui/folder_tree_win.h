// Draws a FolderTree onto its owner page: the whole tree into a fresh
// off-screen surface of the tree's size, copied to the owner in one step.
// The painter owns the line pen and the label font; the image list and the
// two expand-box pictures stay with the owner.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "common/win/handles_win.h"
#include "installer/ui/folder_tree.h"

class FolderTreePainter {
public:
    FolderTreePainter();
    FolderTreePainter(const FolderTreePainter&) = delete;
    FolderTreePainter& operator=(const FolderTreePainter&) = delete;

    void SetImageList(HIMAGELIST images) { images_ = images; }
    // The box of a collapsed node and of an expanded one; magenta is clear.
    void SetBoxImages(HBITMAP collapsed, HBITMAP expanded) {
        collapsedBox_ = collapsed;
        expandedBox_ = expanded;
    }
    // The pen and the font for the tree's sizes (at the window's dpi).
    void SetMetrics(const TreeMetrics& metrics);
    // Paints the whole tree with its top-left corner at the tree rectangle's.
    void Draw(HDC target, const FolderTree& tree) const;

private:
    void drawFocus(HDC dc, const FolderTree& tree, const TreeRect& inner) const;
    void drawNode(HDC dc, const FolderTree& tree, const TreeRect& inner,
                  const ShownNode& shown) const;
    void drawScrollBars(HDC dc, const FolderTree& tree, const TreeRect& inner) const;
    void drawBox(HDC dc, const TreeRect& box, HBITMAP picture) const;

    TreeMetrics metrics_;
    PenHandle linePen_;
    FontHandle labelFont_;
    HIMAGELIST images_ = nullptr;
    HBITMAP collapsedBox_ = nullptr;
    HBITMAP expandedBox_ = nullptr;
};

// The tree's child window over its rectangle in the page's layout: Tab
// reaches it (WS_TABSTOP), it takes the focus and the keys and hands both to
// its page, which owns the FolderTree and draws it there. It draws nothing
// itself; the mouse's messages reach the tree through the page.
class FolderTreeWindow {
public:
    static constexpr const wchar_t* kClassName = L"CkvFolderTree";
    // Sent to the page: wParam is the TreeKey pressed.
    static constexpr UINT kKeyMessage = WM_USER + 12;
    // Sent to the page: wParam is 1 when the tree got the focus, 0 when it lost it.
    static constexpr UINT kFocusMessage = WM_USER + 13;

    // Once per process, before a layout that holds the window is created.
    static bool registerClass();
};
