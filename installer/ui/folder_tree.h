// The path page's folder tree without windows: its nodes, which of them are
// shown in which row and column, the scroll state, and what each mouse
// message and each key does to them. FolderTreePainter (folder_tree_win.h) draws a tree
// from the geometry answered here, and the path page feeds it the page's
// mouse messages.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct FolderNode {
    bool expanded = false;
    bool selected = false;
    std::wstring label;
    int image = -1;      // index into the owner's image list; -1 none
    int openImage = -1;  // shown instead of image while expanded; -1 none
    int kind = 0;        // the owner's meaning (drive, folder, root)
    FolderNode* parent = nullptr;
    std::vector<std::unique_ptr<FolderNode>> children;  // in the order added
};

// A rectangle in pixels. Hit tests include the right and bottom edges.
struct TreeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct TreePoint {
    int x = 0;
    int y = 0;
};

// The five mouse messages the tree uses; every other message is Other.
enum class TreeMouse { LeftDown, LeftUp, Move, Wheel, DoubleClick, Other };

struct TreeMouseInput {
    TreeMouse kind = TreeMouse::Other;
    int x = 0;  // owner's client coordinates
    int y = 0;
    int32_t wheel = 0;  // the wheel message's wParam as a signed number
};

// The keys the tree answers, as in any tree: up and down move the selection,
// right opens a node (or goes to its first child), left closes it (or goes
// to its parent), Home and End go to the first and last row, Enter picks the
// selected node as a click on it does.
enum class TreeKey { Up, Down, Left, Right, Home, End, Enter, Other };

enum class TreeArrow { Left = 0, Right = 1, Up = 2, Down = 3, None = 4 };

// Where the parts of the scroll bars lie, for a given inner rectangle.
struct ScrollBarLayout {
    TreeRect verticalBar;
    TreeRect upArrow;
    TreeRect downArrow;
    TreeRect verticalTrack;
    TreeRect horizontalBar;
    TreeRect leftArrow;
    TreeRect rightArrow;
    TreeRect horizontalTrack;
    TreeRect corner;
    TreeRect verticalThumb;
    TreeRect horizontalThumb;
};

// A shown node: its level (horizontal offset plus depth) and row (vertical
// offset plus position among the shown nodes, the root at 0).
struct ShownNode {
    FolderNode* node = nullptr;
    int level = 0;
    int row = 0;
};

// Where one node's parts lie, for a given inner rectangle.
struct NodeGeometry {
    int rowTop = 0;
    int rowMiddle = 0;
    TreeRect iconCell;   // 16 by 16 from the column of the node's level
    TreeRect expandBox;  // 12 by 12 around the centre of the column left of it
    TreeRect labelDraw;  // from the label's left edge to the inner right edge
    TreeRect labelHit;   // the label's click area
};

// The tree's sizes in pixels: those of a 96-dpi screen, or scaled to another.
struct TreeMetrics {
    int column = 16;  // indent per level, and the icon cell's width
    int row = 16;
    int bar = 16;  // scroll bar thickness and arrow buttons
    int thumb = 8;
    int fontWidth = 6;
    int fontHeight = 12;
    int labelGap = 5;        // between the icon cell and the drawn label
    int boxHalf = 6;         // half the expand box
    int scrollReserve = 54;  // taken from a thumb's travel, added to the labels' width
    int line = 1;            // connector lines and edges

    static TreeMetrics forDpi(int dpi);
};

class FolderTree {
public:
    static constexpr int kColumnWidth = 16;
    static constexpr int kRowHeight = 16;

    // Receives the node and the owner value given to Setup.
    using Callback = std::function<void(FolderNode* node, int ownerValue)>;

    FolderTree() = default;
    FolderTree(const FolderTree&) = delete;
    FolderTree& operator=(const FolderTree&) = delete;

    // `area` is the tree rectangle R in the owner's client coordinates.
    void Setup(const TreeRect& area, int ownerValue, Callback onPick, Callback onExpand);
    // New sizes (another dpi), and the tree rectangle measured for them; the
    // offsets are kept within the new ranges.
    void Rescale(const TreeMetrics& metrics, const TreeRect& area);
    const TreeMetrics& metrics() const { return metrics_; }
    // The first node added becomes the root; later ones are appended to
    // `parent`, or to the root when `parent` is null.
    FolderNode* AddNode(const std::wstring& label, FolderNode* parent);
    void SetNodeImages(FolderNode* node, int image, int openImage);
    void SetNodeKind(FolderNode* node, int kind);
    // Deletes every child subtree of the node; a null node is ignored. A
    // selection inside the deleted subtrees is dropped.
    void DeleteChildren(FolderNode* node);
    // True when the tree used the message; the owner then repaints.
    bool HandleMouse(const TreeMouseInput& input);
    // The same for a key. Moving the selection calls no callback (the path
    // follows a pick, not a look around); the rows scroll to show it.
    bool HandleKey(TreeKey key);
    // Whether the owner's tree has the keyboard focus, drawn on the selection.
    void SetFocused(bool focused) { focused_ = focused; }
    bool focused() const { return focused_; }

    FolderNode* root() const { return root_.get(); }
    FolderNode* selected() const { return selected_; }
    const TreeRect& area() const { return area_; }
    // The rectangle mouse tests use: R less one pixel on every side.
    TreeRect innerArea() const;
    int horizontalOffset() const { return hs_; }
    int verticalOffset() const { return vs_; }
    TreeArrow pressedArrow() const { return pressedArrow_; }
    bool verticalThumbHeld() const { return verticalThumbHeld_; }
    bool horizontalThumbHeld() const { return horizontalThumbHeld_; }

    // The shown nodes in pre-order with their levels and rows.
    std::vector<ShownNode> shownNodes() const;
    // Scroll ranges V and H: the offsets stay within -range to 0.
    int verticalRange() const;
    int horizontalRange() const;
    // Geometry relative to an inner rectangle: the owner's for mouse tests,
    // the drawing surface's (1, 1, w - 1, h - 1) for drawing.
    ScrollBarLayout scrollBarLayout(const TreeRect& inner) const;
    NodeGeometry nodeGeometry(const TreeRect& inner, int level, int row) const;
    // Whether the node has a sibling after it (the connector line goes on).
    static bool hasFollowingSibling(const FolderNode* node);

private:
    bool handleButtonDown(int x, int y, bool doubleClick);
    bool handleScrollBars(int x, int y);
    bool dragThumb(int x, int y);
    void pick(FolderNode* node);
    void select(FolderNode* node);
    void scrollIntoView(const FolderNode* node);
    void toggle(FolderNode* node);
    void scrollVertically(int rows);
    void scrollHorizontally(int columns);

    TreeRect area_;
    TreeMetrics metrics_;
    int ownerValue_ = 0;
    Callback onPick_;
    Callback onExpand_;
    std::unique_ptr<FolderNode> root_;
    FolderNode* selected_ = nullptr;
    int hs_ = 0;
    int vs_ = 0;
    TreeArrow pressedArrow_ = TreeArrow::None;
    bool verticalThumbHeld_ = false;
    bool horizontalThumbHeld_ = false;
    TreePoint dragPoint_;
    bool focused_ = false;
};
