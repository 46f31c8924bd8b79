#include "installer/ui/folder_tree.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/screen_scale.h"

namespace {

// Pixel positions come from offsets times scales; keep them far from int's limits.
constexpr double kPixelLimit = 1e8;

// Rounds towards minus infinity, as the scroll formulas need for small areas.
long long floorDiv(long long numerator, long long denominator) {
    long long quotient = numerator / denominator;
    if (numerator % denominator != 0 && numerator < 0) {
        --quotient;
    }
    return quotient;
}

int clampToInt(long long value, int low, int high) {
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

int truncatedPixels(double value) {
    return static_cast<int>(std::trunc(std::clamp(value, -kPixelLimit, kPixelLimit)));
}

// A full page of rows or columns for an area of `extent` pixels.
int pageSteps(const TreeMetrics& metrics, int extent) {
    return static_cast<int>(
        floorDiv(static_cast<long long>(extent) - 2 - metrics.bar, metrics.row));
}

// The pixels a thumb travels over the whole range; its scale is this over the range.
int thumbTravel(const TreeMetrics& metrics, int extent) {
    return extent - 2 - metrics.scrollReserve;
}

// Multiplying before dividing keeps whole results whole, as the thumb's end
// position must be.
double offsetToPixels(const TreeMetrics& metrics, int offset, int extent, int range) {
    if (range == 0) {
        return 0.0;
    }
    return -static_cast<double>(offset) * thumbTravel(metrics, extent) / range;
}

TreeRect rectangle(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}

template <typename Visit>
void visitShown(FolderNode* node, int depth, Visit& visit) {
    visit(node, depth);
    if (node->expanded) {
        for (const auto& child : node->children) {
            visitShown(child.get(), depth + 1, visit);
        }
    }
}

bool isBelow(const FolderNode* node, const FolderNode* ancestor) {
    for (const FolderNode* above = node->parent; above; above = above->parent) {
        if (above == ancestor) {
            return true;
        }
    }
    return false;
}

}  // namespace

TreeMetrics TreeMetrics::forDpi(int dpi) {
    const TreeMetrics base;
    TreeMetrics scaled;
    for (auto size :
         {&TreeMetrics::column, &TreeMetrics::row, &TreeMetrics::bar, &TreeMetrics::thumb,
          &TreeMetrics::fontWidth, &TreeMetrics::fontHeight, &TreeMetrics::labelGap,
          &TreeMetrics::boxHalf, &TreeMetrics::scrollReserve, &TreeMetrics::line}) {
        scaled.*size = scaleToDpi(base.*size, dpi);
    }
    return scaled;
}

void FolderTree::Rescale(const TreeMetrics& metrics, const TreeRect& area) {
    metrics_ = metrics;
    area_ = area;
    scrollVertically(0);
    scrollHorizontally(0);
}

void FolderTree::Setup(const TreeRect& area, int ownerValue, Callback onPick, Callback onExpand) {
    area_ = area;
    ownerValue_ = ownerValue;
    onPick_ = std::move(onPick);
    onExpand_ = std::move(onExpand);
}

FolderNode* FolderTree::AddNode(const std::wstring& label, FolderNode* parent) {
    auto node = std::make_unique<FolderNode>();
    node->label = label;
    FolderNode* added = node.get();
    if (!root_) {
        root_ = std::move(node);
        return added;
    }
    FolderNode* owner = parent ? parent : root_.get();
    node->parent = owner;
    owner->children.push_back(std::move(node));
    return added;
}

void FolderTree::SetNodeImages(FolderNode* node, int image, int openImage) {
    if (node) {
        node->image = image;
        node->openImage = openImage;
    }
}

void FolderTree::SetNodeKind(FolderNode* node, int kind) {
    if (node) {
        node->kind = kind;
    }
}

void FolderTree::DeleteChildren(FolderNode* node) {
    if (!node) {
        return;
    }
    if (selected_ && isBelow(selected_, node)) {
        selected_ = nullptr;
    }
    node->children.clear();
}

TreeRect FolderTree::innerArea() const {
    return rectangle(area_.left + 1, area_.top + 1, area_.right - 1, area_.bottom - 1);
}

std::vector<ShownNode> FolderTree::shownNodes() const {
    std::vector<ShownNode> shown;
    if (!root_) {
        return shown;
    }
    auto add = [&](FolderNode* node, int depth) {
        ShownNode entry;
        entry.node = node;
        entry.level = hs_ + depth;
        entry.row = vs_ + static_cast<int>(shown.size());
        shown.push_back(entry);
    };
    visitShown(root_.get(), 0, add);
    return shown;
}

int FolderTree::verticalRange() const {
    long long shownCount = 0;
    if (root_) {
        auto count = [&](FolderNode*, int) { ++shownCount; };
        visitShown(root_.get(), 0, count);
    }
    return clampToInt(shownCount - pageSteps(metrics_, area_.height()), 0, INT32_MAX);
}

int FolderTree::horizontalRange() const {
    long long expandedWithChildren = 0;
    long long widestLabel = 0;
    if (root_) {
        auto measure = [&](FolderNode* node, int) {
            if (node->expanded && !node->children.empty()) {
                ++expandedWithChildren;
            }
            widestLabel = std::max(widestLabel,
                                   static_cast<long long>(node->label.size()) * metrics_.fontWidth);
        };
        visitShown(root_.get(), 0, measure);
    }
    const long long needed = 2LL * metrics_.column * expandedWithChildren + widestLabel -
                             (static_cast<long long>(area_.width()) - 2) + metrics_.scrollReserve;
    return clampToInt(floorDiv(needed, metrics_.column), 0, INT32_MAX);
}

ScrollBarLayout FolderTree::scrollBarLayout(const TreeRect& inner) const {
    const int bar = metrics_.bar;
    const int left = inner.left;
    const int top = inner.top;
    const int right = inner.right;
    const int bottom = inner.bottom;
    ScrollBarLayout bars;
    bars.verticalBar = rectangle(right - bar, top, right, bottom);
    bars.upArrow = rectangle(right - bar, top, right, top + bar);
    bars.downArrow = rectangle(right - bar, bottom - 2 * bar, right, bottom - bar);
    bars.verticalTrack = rectangle(right - bar, top + bar, right, bottom - bar);
    bars.horizontalBar = rectangle(left, bottom - bar, right, bottom);
    bars.leftArrow = rectangle(left, bottom - bar, left + bar, bottom);
    bars.rightArrow = rectangle(right - 2 * bar, bottom - bar, right - bar, bottom);
    bars.horizontalTrack = rectangle(left, bottom - bar, right - bar, bottom);
    bars.corner = rectangle(right - bar, bottom - bar, right, bottom);

    const int thumbTop = std::min(
        top + bar + truncatedPixels(offsetToPixels(metrics_, vs_, area_.height(), verticalRange())),
        bottom - 2 * bar);
    bars.verticalThumb = rectangle(right - bar, thumbTop, right, thumbTop + metrics_.thumb);

    const int thumbLeft = std::min(
        left + bar +
            truncatedPixels(offsetToPixels(metrics_, hs_, area_.width(), horizontalRange())),
        right - 2 * bar);
    bars.horizontalThumb = rectangle(thumbLeft, bottom - bar, thumbLeft + metrics_.thumb, bottom);
    return bars;
}

NodeGeometry FolderTree::nodeGeometry(const TreeRect& inner, int level, int row) const {
    const int rowHeight = metrics_.row;
    const int column = metrics_.column;
    const int boxHalf = metrics_.boxHalf;
    NodeGeometry geometry;
    geometry.rowTop = inner.top + rowHeight * row;
    geometry.rowMiddle = geometry.rowTop + rowHeight / 2;
    const int rowBottom = geometry.rowTop + rowHeight;
    const int iconLeft = inner.left + column * level;
    geometry.iconCell = rectangle(iconLeft, geometry.rowTop, iconLeft + column, rowBottom);
    const int boxCentre = iconLeft - column + column / 2;
    geometry.expandBox = rectangle(boxCentre - boxHalf, geometry.rowMiddle - boxHalf,
                                   boxCentre + boxHalf, geometry.rowMiddle + boxHalf);
    const int labelLeft = iconLeft + column;
    geometry.labelDraw =
        rectangle(labelLeft + metrics_.labelGap, geometry.rowTop, inner.right, rowBottom);
    geometry.labelHit =
        rectangle(labelLeft, geometry.rowTop, inner.right - metrics_.bar, rowBottom);
    return geometry;
}

bool FolderTree::hasFollowingSibling(const FolderNode* node) {
    return node && node->parent && node->parent->children.back().get() != node;
}

bool FolderTree::HandleMouse(const TreeMouseInput& input) {
    switch (input.kind) {
        case TreeMouse::LeftDown:
            return handleButtonDown(input.x, input.y, false);
        case TreeMouse::DoubleClick:
            return handleButtonDown(input.x, input.y, true);
        case TreeMouse::LeftUp:
            if (verticalThumbHeld_) {
                verticalThumbHeld_ = false;
                return true;
            }
            if (horizontalThumbHeld_) {
                horizontalThumbHeld_ = false;
                return true;
            }
            if (pressedArrow_ != TreeArrow::None) {
                pressedArrow_ = TreeArrow::None;
                return true;
            }
            return false;
        case TreeMouse::Move:
            if (!verticalThumbHeld_ && !horizontalThumbHeld_) {
                return false;
            }
            return dragThumb(input.x, input.y);
        case TreeMouse::Wheel:
            // A negative wParam means the wheel turned towards the user.
            scrollVertically(input.wheel < 1 ? -1 : 1);
            return true;
        case TreeMouse::Other:
            break;
    }
    return false;
}

bool FolderTree::handleButtonDown(int x, int y, bool doubleClick) {
    const TreeRect inner = innerArea();
    if (!inner.contains(x, y)) {
        return false;
    }
    if (handleScrollBars(x, y)) {
        return true;
    }
    for (const ShownNode& shown : shownNodes()) {
        FolderNode* node = shown.node;
        const NodeGeometry geometry = nodeGeometry(inner, shown.level, shown.row);
        if (geometry.labelHit.contains(x, y) || geometry.iconCell.contains(x, y)) {
            pick(node);
            if (doubleClick) {
                toggle(node);
            }
            return true;
        }
        if (!doubleClick && !node->children.empty() && geometry.expandBox.contains(x, y)) {
            toggle(node);
            return true;
        }
    }
    return false;
}

bool FolderTree::handleScrollBars(int x, int y) {
    const ScrollBarLayout bars = scrollBarLayout(innerArea());
    if (bars.leftArrow.contains(x, y)) {
        pressedArrow_ = TreeArrow::Left;
        scrollHorizontally(1);
    } else if (bars.rightArrow.contains(x, y)) {
        pressedArrow_ = TreeArrow::Right;
        scrollHorizontally(-1);
    } else if (bars.upArrow.contains(x, y)) {
        pressedArrow_ = TreeArrow::Up;
        scrollVertically(1);
    } else if (bars.downArrow.contains(x, y)) {
        pressedArrow_ = TreeArrow::Down;
        scrollVertically(-1);
    } else if (bars.verticalThumb.contains(x, y)) {
        verticalThumbHeld_ = true;
        dragPoint_ = {x, y};
    } else if (bars.horizontalThumb.contains(x, y)) {
        horizontalThumbHeld_ = true;
        dragPoint_ = {x, y};
    } else if (rectangle(bars.verticalTrack.left, bars.verticalTrack.top, bars.verticalTrack.right,
                         bars.verticalThumb.top)
                   .contains(x, y)) {
        scrollVertically(pageSteps(metrics_, area_.height()));
    } else if (rectangle(bars.verticalTrack.left, bars.verticalThumb.top, bars.verticalTrack.right,
                         bars.verticalTrack.bottom)
                   .contains(x, y)) {
        scrollVertically(-pageSteps(metrics_, area_.height()));
    } else if (rectangle(bars.horizontalTrack.left, bars.horizontalTrack.top,
                         bars.horizontalThumb.left, bars.horizontalTrack.bottom)
                   .contains(x, y)) {
        scrollHorizontally(pageSteps(metrics_, area_.width()));
    } else if (rectangle(bars.horizontalThumb.left, bars.horizontalTrack.top,
                         bars.horizontalTrack.right, bars.horizontalTrack.bottom)
                   .contains(x, y)) {
        scrollHorizontally(-pageSteps(metrics_, area_.width()));
    } else {
        return false;
    }
    return true;
}

bool FolderTree::dragThumb(int x, int y) {
    const bool vertical = verticalThumbHeld_;
    const int range = vertical ? verticalRange() : horizontalRange();
    const int travel = thumbTravel(metrics_, vertical ? area_.height() : area_.width());
    if (range == 0 || travel == 0) {
        return true;
    }
    const double moved =
        vertical ? static_cast<double>(y) - dragPoint_.y : static_cast<double>(x) - dragPoint_.x;
    const double steps = std::trunc(moved * range / travel);
    if (steps == 0.0) {
        // The drag point stays, so that small moves add up to a step.
        return true;
    }
    int& offset = vertical ? vs_ : hs_;
    offset = static_cast<int>(std::clamp(offset - steps, -static_cast<double>(range), 0.0));
    dragPoint_ = {x, y};
    return true;
}

bool FolderTree::HandleKey(TreeKey key) {
    if (!root_ || key == TreeKey::Other) {
        return false;
    }
    if (key == TreeKey::Enter) {
        if (!selected_) {
            return false;
        }
        pick(selected_);
        return true;
    }
    std::vector<FolderNode*> order;
    auto add = [&](FolderNode* node, int) { order.push_back(node); };
    visitShown(root_.get(), 0, add);
    // A selection hidden by a closed parent counts as the nearest shown node
    // above it. Without one, End goes to the last row and any other key to
    // the first.
    FolderNode* current = selected_;
    while (current && std::find(order.begin(), order.end(), current) == order.end()) {
        current = current->parent;
    }
    if (!current) {
        select(key == TreeKey::End ? order.back() : order.front());
        return true;
    }
    const auto at = std::find(order.begin(), order.end(), current);
    switch (key) {
        case TreeKey::Up:
            select(at == order.begin() ? current : *(at - 1));
            break;
        case TreeKey::Down:
            select(at + 1 == order.end() ? current : *(at + 1));
            break;
        case TreeKey::Home:
            select(order.front());
            break;
        case TreeKey::End:
            select(order.back());
            break;
        case TreeKey::Right:
            if (current->children.empty()) {
                select(current);
            } else if (!current->expanded) {
                select(current);
                toggle(current);
            } else {
                select(current->children.front().get());
            }
            break;
        case TreeKey::Left:
            if (current->expanded && !current->children.empty()) {
                select(current);
                toggle(current);
            } else {
                select(current->parent ? current->parent : current);
            }
            break;
        case TreeKey::Enter:
        case TreeKey::Other:
            break;
    }
    return true;
}

void FolderTree::select(FolderNode* node) {
    if (selected_) {
        selected_->selected = false;
    }
    selected_ = node;
    node->selected = true;
    scrollIntoView(node);
}

void FolderTree::scrollIntoView(const FolderNode* node) {
    long long position = -1;
    long long index = 0;
    auto find = [&](FolderNode* shown, int) {
        if (shown == node) {
            position = index;
        }
        ++index;
    };
    visitShown(root_.get(), 0, find);
    const int rows = pageSteps(metrics_, area_.height());
    if (position < 0 || rows <= 0) {
        return;
    }
    long long offset = vs_;
    if (offset + position < 0) {
        offset = -position;
    } else if (offset + position >= rows) {
        offset = rows - 1 - position;
    }
    vs_ = clampToInt(offset, -verticalRange(), 0);
}

void FolderTree::pick(FolderNode* node) {
    if (selected_) {
        selected_->selected = false;
    }
    selected_ = node;
    node->selected = true;
    if (onPick_) {
        onPick_(node, ownerValue_);
    }
}

void FolderTree::toggle(FolderNode* node) {
    node->expanded = !node->expanded;
    if (node->expanded && onExpand_) {
        onExpand_(node, ownerValue_);
    }
}

void FolderTree::scrollVertically(int rows) {
    vs_ = clampToInt(static_cast<long long>(vs_) + rows, -verticalRange(), 0);
}

void FolderTree::scrollHorizontally(int columns) {
    hs_ = clampToInt(static_cast<long long>(hs_) + columns, -horizontalRange(), 0);
}
