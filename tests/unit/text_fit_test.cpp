#include "common/text_fit.h"

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/screen_scale.h"

namespace {

TEST(ScreenScaleTest, ScalesFrom96DpiRoundingHalvesAway) {
    struct Row {
        int pixels, dpi, expected;
    };
    const std::array<Row, 8> rows{{{16, 96, 16},
                                   {16, 144, 24},
                                   {12, 120, 15},
                                   {5, 144, 8},  // 7.5
                                   {-5, 144, -8},
                                   {1, 192, 2},
                                   {16, 0, 16},      // unknown dpi counts as 96
                                   {54, 168, 95}}};  // 94.5
    for (const Row& row : rows) {
        EXPECT_EQ(scaleToDpi(row.pixels, row.dpi), row.expected) << row.pixels << " at " << row.dpi;
    }
}

using Edges = std::array<int, 4>;
Edges edges(const FitRect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// A text of `lineWidth` pixels on one line, wrapping into lines 10 high and
// `word` wide at most (a width below `word` splits no word: too high).
TextNeed wrapping(int lineWidth, int word) {
    TextNeed need;
    need.lineWidth = lineWidth;
    need.wrappedHeight = [lineWidth, word](int width) {
        if (width < word) {
            return 100000;
        }
        return 10 * ((lineWidth + width - 1) / width);
    };
    return need;
}

TextNeed oneLine(int lineWidth) {
    TextNeed need;
    need.lineWidth = lineWidth;
    return need;
}

// A page of 300 by 200 with a margin of 10; a label at (10, 20) 100 by 10.
const FitRect kRoom{10, 10, 290, 190};
const FitRect kLabel{10, 20, 110, 30};

TEST(TextFitTest, GrowsRightThenBelowNeverOverOthersOrPastTheRoom) {
    struct Row {
        const char* what;
        TextNeed need;
        std::vector<FitRect> others;
        Edges expected;
        bool fits;
    };
    const std::vector<Row> rows{
        {"fits already: unchanged", oneLine(90), {}, {10, 20, 110, 30}, true},
        {"grows right on its line", oneLine(150), {}, {10, 20, 160, 30}, true},
        {"a control below does not stop it",
         oneLine(150),
         {{10, 32, 290, 40}},
         {10, 20, 160, 30},
         true},
        {"stops at the neighbour on its line",
         oneLine(250),
         {{200, 18, 250, 32}},
         {10, 20, 200, 30},
         false},
        {"stops at the room's edge", oneLine(400), {}, {10, 20, 290, 30}, false},
        {"wraps into the room below at the widest",
         wrapping(400, 50),
         {{10, 60, 290, 80}},
         {10, 20, 290, 40},
         true},
        {"wraps beside a neighbour on its line",
         wrapping(250, 50),
         {{200, 18, 250, 32}, {10, 80, 290, 90}},
         {10, 20, 200, 40},
         true},
        {"no room below at the widest: wraps at its own width",
         wrapping(350, 50),
         {{150, 35, 290, 60}},
         {10, 20, 110, 60},
         true},
        {"no room below at all", wrapping(400, 50), {{10, 32, 290, 40}}, {10, 20, 290, 30}, false},
        {"a word wider than any line", wrapping(400, 300), {}, {10, 20, 290, 30}, false},
        {"an overlapping control is no obstacle",
         oneLine(150),
         {{0, 0, 300, 200}},
         {10, 20, 160, 30},
         true},
    };
    for (const Row& row : rows) {
        const TextFit fit = fitText(kLabel, row.need, kRoom, row.others);
        EXPECT_EQ(edges(fit.rect), row.expected) << row.what;
        EXPECT_EQ(fit.fits, row.fits) << row.what;
    }
}

}  // namespace
