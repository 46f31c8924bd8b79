// Where a control goes when its text is longer than the control: it grows
// into the free room of its page, first to the right on its own line, then,
// for a control that wraps, into the room below it; never over another
// control and never past the room it is given. Window-free: the windows
// measure the text with the control's own font and carry the answer out.
#pragma once

#include <functional>
#include <vector>

// A rectangle in pixels; right and bottom are outside it.
struct FitRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool intersects(const FitRect& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    bool within(const FitRect& room) const {
        return left >= room.left && top >= room.top && right <= room.right && bottom <= room.bottom;
    }
    bool operator==(const FitRect& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
};

// What a control's text needs, in pixels, the control's own margins included.
struct TextNeed {
    int lineWidth = 0;  // the width that shows the text on one line
    // For a control that wraps: the height the text takes wrapped at a width,
    // or more than any page when a word is wider than that. Empty: one line.
    std::function<int(int width)> wrappedHeight;
};

struct TextFit {
    FitRect rect;       // where the control goes (unchanged when it already fits)
    bool fits = false;  // false: no room shows the whole text; `rect` shows the most
};

// `room`: the part of the page the control may take (the page's client area
// less its margins, or the inside of the frame around the control); `others`:
// every other control of the page. A control that already overlaps the one
// being fitted is not counted as an obstacle.
TextFit fitText(const FitRect& control, const TextNeed& need, const FitRect& room,
                const std::vector<FitRect>& others);
