#include "installer/ui/folder_tree.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Edges = std::array<int, 4>;
Edges edges(const TreeRect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// R = (0, 0, 202, 162): inner (1, 1, 201, 161), nine rows to a page, the
// vertical bar from x 185, the horizontal bar from y 145.
constexpr int kOwnerValue = 7;
constexpr int kBarX = 193, kUpY = 9, kDownY = 137;
constexpr int kBarY = 153, kLeftX = 9, kRightX = 177;

// Centres of a node's parts while the offsets are 0.
int rowY(int row) {
    return 1 + 16 * row + 8;
}
int labelX(int level) {
    return 1 + 16 * (level + 1) + 10;
}
int iconX(int level) {
    return 1 + 16 * level + 8;
}
int boxX(int level) {
    return 1 + 16 * (level - 1) + 8;
}

class FolderTreeTest : public ::testing::Test {
protected:
    FolderTreeTest() { setArea({0, 0, 202, 162}); }

    void setArea(const TreeRect& area) {
        tree.Setup(
            area, kOwnerValue,
            [this](FolderNode* node, int value) {
                picks.push_back(node);
                ownerValues.push_back(value);
            },
            [this](FolderNode* node, int value) {
                expands.push_back(node);
                ownerValues.push_back(value);
            });
    }
    FolderNode* add(const std::wstring& label, FolderNode* parent = nullptr) {
        return tree.AddNode(label, parent);
    }
    // An expanded root with `count` children.
    FolderNode* rootWithChildren(int count) {
        FolderNode* top = add(L"My Computer");  // 66 pixels wide
        top->expanded = true;
        for (int i = 0; i < count; ++i) {
            add(L"Folder");
        }
        return top;
    }
    bool send(TreeMouse kind, int x, int y, int32_t wheel = 0) {
        TreeMouseInput input;
        input.kind = kind;
        input.x = x;
        input.y = y;
        input.wheel = wheel;
        return tree.HandleMouse(input);
    }
    bool click(int x, int y) { return send(TreeMouse::LeftDown, x, y); }
    bool doubleClick(int x, int y) { return send(TreeMouse::DoubleClick, x, y); }
    bool release() { return send(TreeMouse::LeftUp, 0, 0); }
    bool move(int x, int y) { return send(TreeMouse::Move, x, y); }
    bool wheel(int32_t wParam) { return send(TreeMouse::Wheel, 500, 500, wParam); }

    FolderTree tree;
    std::vector<FolderNode*> picks;
    std::vector<FolderNode*> expands;
    std::vector<int> ownerValues;
};

// Thirteen shown nodes and a 30-character label: V = 13 - 9 = 4 and
// H = floor((32 + 180 - 200 + 54) / 16) = 4.
class FolderTreeScrollTest : public FolderTreeTest {
protected:
    FolderTreeScrollTest() {
        rootWithChildren(11);
        add(std::wstring(30, L'x'));
    }
};

TEST_F(FolderTreeTest, ShownNodesFollowExpandedBranchesWithOffsets) {
    FolderNode* top = add(std::wstring(34, L'r'));
    top->expanded = true;
    FolderNode* a = add(L"A");
    a->expanded = true;
    FolderNode* a1 = add(L"A1", a);
    FolderNode* a2 = add(L"A2", a);
    FolderNode* b = add(L"B", top);
    add(L"B1", b);
    EXPECT_EQ(tree.root(), top);
    EXPECT_EQ(a1->parent, a);
    EXPECT_TRUE(FolderTree::hasFollowingSibling(a1));
    EXPECT_FALSE(FolderTree::hasFollowingSibling(a2));
    EXPECT_FALSE(FolderTree::hasFollowingSibling(top));

    auto layout = [&] {
        std::vector<std::array<int, 2>> levelsAndRows;
        std::vector<FolderNode*> nodes;
        for (const ShownNode& shown : tree.shownNodes()) {
            nodes.push_back(shown.node);
            levelsAndRows.push_back({shown.level, shown.row});
        }
        EXPECT_EQ(nodes, (std::vector<FolderNode*>{top, a, a1, a2, b}));
        return levelsAndRows;
    };
    EXPECT_EQ(layout(), (std::vector<std::array<int, 2>>{{0, 0}, {1, 1}, {2, 2}, {2, 3}, {1, 4}}));

    // Two rows to a page: V = 3; H = floor((64 + 204 - 146) / 16) = 7. Down and right arrows.
    setArea({0, 0, 202, 50});
    ASSERT_EQ(tree.verticalRange(), 3);
    ASSERT_EQ(tree.horizontalRange(), 7);
    ASSERT_TRUE(click(kBarX, 25));
    ASSERT_TRUE(click(kRightX, 41));
    EXPECT_EQ(layout(),
              (std::vector<std::array<int, 2>>{{-1, -1}, {0, 0}, {1, 1}, {1, 2}, {0, 3}}));
}

TEST_F(FolderTreeTest, ScrollRanges) {
    FolderNode* top = rootWithChildren(12);
    EXPECT_EQ(tree.verticalRange(), 13 - 9);
    EXPECT_EQ(tree.horizontalRange(), 0);  // floor((32 + 66 - 146) / 16) is negative
    setArea({0, 0, 202, 10});              // floor(-8 / 16) = -1 rows to a page
    EXPECT_EQ(tree.verticalRange(), 14);
    setArea({0, 0, 202, 162});

    FolderNode* wide = add(std::wstring(25, L'w'));
    EXPECT_EQ(tree.horizontalRange(), 2);  // (32 + 150 - 146) / 16
    wide->expanded = true;                 // without children it does not count
    EXPECT_EQ(tree.horizontalRange(), 2);
    add(L"c", wide);
    EXPECT_EQ(tree.horizontalRange(), 4);  // (64 + 150 - 146) / 16
    // Nodes that are not shown count neither as expanded nor by their labels.
    FolderNode* hidden = add(L"h", top->children[0].get());
    hidden->expanded = true;
    add(std::wstring(60, L'z'), hidden);
    EXPECT_EQ(tree.horizontalRange(), 4);
    top->children[0]->expanded = true;
    EXPECT_EQ(tree.horizontalRange(), (32 * 4 + 360 - 146) / 16);
}

// At 144 dpi every size is one and a half times its 96-dpi size: the same
// tree in an area 1.5 times as large has the same ranges, and its parts lie
// at 1.5 times the offsets.
TEST_F(FolderTreeTest, SizesFollowTheDpi) {
    const TreeMetrics base = TreeMetrics::forDpi(96);
    const TreeMetrics large = TreeMetrics::forDpi(144);
    const std::array<std::pair<int, int>, 10> sizes{{{base.column, large.column},
                                                     {base.row, large.row},
                                                     {base.bar, large.bar},
                                                     {base.thumb, large.thumb},
                                                     {base.fontWidth, large.fontWidth},
                                                     {base.fontHeight, large.fontHeight},
                                                     {base.labelGap, large.labelGap},
                                                     {base.boxHalf, large.boxHalf},
                                                     {base.scrollReserve, large.scrollReserve},
                                                     {base.line, large.line}}};
    const std::array<std::pair<int, int>, 10> expected{{{16, 24},
                                                        {16, 24},
                                                        {16, 24},
                                                        {8, 12},
                                                        {6, 9},
                                                        {12, 18},
                                                        {5, 8},
                                                        {6, 9},
                                                        {54, 81},
                                                        {1, 2}}};
    EXPECT_EQ(sizes, expected);

    FolderNode* first = rootWithChildren(9)->children[0].get();
    first->expanded = true;
    add(std::wstring(40, L'x'), first);
    const int vertical = tree.verticalRange();
    const int horizontal = tree.horizontalRange();
    tree.Rescale(large, {0, 0, 302, 242});
    EXPECT_EQ(tree.verticalRange(), vertical);
    EXPECT_EQ(tree.horizontalRange(), horizontal);
    const NodeGeometry node = tree.nodeGeometry(tree.innerArea(), 2, 3);
    EXPECT_EQ(node.rowMiddle, 1 + 72 + 12);
    EXPECT_EQ(edges(node.iconCell), (Edges{49, 73, 73, 97}));
    EXPECT_EQ(edges(node.expandBox), (Edges{28, 76, 46, 94}));
    EXPECT_EQ(edges(node.labelHit), (Edges{73, 73, 277, 97}));
    // A click in the down arrow at its new place scrolls one row.
    EXPECT_TRUE(click(290, 241 - 24 - 12));
    EXPECT_EQ(tree.verticalOffset(), -1);
}

TEST_F(FolderTreeTest, GeometryAndThumbPosition) {
    const TreeRect inner = tree.innerArea();
    EXPECT_EQ(edges(inner), (Edges{1, 1, 201, 161}));
    const NodeGeometry node = tree.nodeGeometry(inner, 2, 3);
    EXPECT_EQ(node.rowMiddle, 57);
    EXPECT_EQ(edges(node.iconCell), (Edges{33, 49, 49, 65}));
    EXPECT_EQ(edges(node.expandBox), (Edges{19, 51, 31, 63}));
    EXPECT_EQ(edges(node.labelDraw), (Edges{54, 49, 201, 65}));
    EXPECT_EQ(edges(node.labelHit), (Edges{49, 49, 185, 65}));

    // 16 shown nodes: V = 7, sV = 106 / 7.
    FolderNode* first = rootWithChildren(9)->children[0].get();
    first->expanded = true;
    for (int i = 0; i < 6; ++i) {
        add(L"Sub", first);
    }
    auto bars = [&] { return tree.scrollBarLayout(tree.innerArea()); };
    EXPECT_EQ(edges(bars().downArrow), (Edges{185, 129, 201, 145}));
    EXPECT_EQ(edges(bars().rightArrow), (Edges{169, 145, 185, 161}));
    EXPECT_EQ(edges(bars().corner), (Edges{185, 145, 201, 161}));
    EXPECT_EQ(edges(bars().verticalThumb), (Edges{185, 17, 201, 25}));
    EXPECT_EQ(edges(bars().horizontalThumb), (Edges{17, 145, 25, 161}));
    wheel(-1);
    EXPECT_EQ(bars().verticalThumb.top, 17 + 15);
    for (int i = 0; i < 10; ++i) {
        wheel(-1);
    }
    EXPECT_EQ(bars().verticalThumb.top, 17 + 106);
    // A collapse leaves vs at -7 with V = 1: the thumb stops above the down arrow.
    first->expanded = false;
    EXPECT_EQ(tree.verticalOffset(), -7);
    EXPECT_EQ(bars().verticalThumb.top, 129);
    // The next scroll brings the offset back into range.
    wheel(-1);
    EXPECT_EQ(tree.verticalOffset(), -1);
}

TEST_F(FolderTreeScrollTest, ArrowsStepClampAndStayPressedUntilButtonUp) {
    EXPECT_TRUE(click(kBarX, kUpY));
    EXPECT_EQ(tree.verticalOffset(), 0);
    EXPECT_EQ(tree.pressedArrow(), TreeArrow::Up);
    EXPECT_TRUE(release());
    EXPECT_EQ(tree.pressedArrow(), TreeArrow::None);
    EXPECT_FALSE(release());

    for (int i = 0; i < 5; ++i) {
        click(kBarX, kDownY);
        click(kRightX, kBarY);
    }
    EXPECT_EQ(tree.verticalOffset(), -4);
    EXPECT_EQ(tree.horizontalOffset(), -4);
    EXPECT_TRUE(click(kBarX, kUpY));
    EXPECT_EQ(tree.verticalOffset(), -3);
    EXPECT_TRUE(doubleClick(kLeftX, kBarY));
    EXPECT_EQ(tree.horizontalOffset(), -3);
    EXPECT_EQ(tree.pressedArrow(), TreeArrow::Left);
    EXPECT_TRUE(picks.empty());
}

TEST_F(FolderTreeScrollTest, TracksPageTowardsTheClickedSideOfTheThumb) {
    EXPECT_TRUE(click(kBarX, 100));  // below the thumb: nine rows, held at -V
    EXPECT_EQ(tree.verticalOffset(), -4);
    EXPECT_TRUE(click(kBarX, 100));  // now above it
    EXPECT_EQ(tree.verticalOffset(), 0);
    EXPECT_TRUE(click(100, kBarY));  // right of the thumb: eleven columns, held at -H
    EXPECT_EQ(tree.horizontalOffset(), -4);
    EXPECT_EQ(tree.scrollBarLayout(tree.innerArea()).horizontalThumb.left, 17 + 146);
    EXPECT_TRUE(click(100, kBarY));
    EXPECT_EQ(tree.horizontalOffset(), 0);
    EXPECT_FALSE(release());
}

TEST_F(FolderTreeScrollTest, ThumbDragAddsUpSmallMoves) {
    // 26.5 pixels to a row, 36.5 to a column.
    ASSERT_TRUE(click(kBarX, 20));
    ASSERT_TRUE(tree.verticalThumbHeld());
    EXPECT_TRUE(move(kBarX, 46));
    EXPECT_EQ(tree.verticalOffset(), 0);
    EXPECT_TRUE(move(kBarX, 47));
    EXPECT_EQ(tree.verticalOffset(), -1);
    EXPECT_TRUE(move(kBarX, 60));  // 13 pixels from the new drag point
    EXPECT_TRUE(move(kBarX, 74));  // 27
    EXPECT_EQ(tree.verticalOffset(), -2);
    move(kBarX, 1000);
    EXPECT_EQ(tree.verticalOffset(), -4);
    move(kBarX, 0);
    EXPECT_EQ(tree.verticalOffset(), 0);
    EXPECT_TRUE(release());
    EXPECT_FALSE(move(kBarX, 500));

    ASSERT_TRUE(click(20, kBarY));
    ASSERT_TRUE(tree.horizontalThumbHeld());
    move(56, kBarY);
    EXPECT_EQ(tree.horizontalOffset(), 0);
    move(57, 0);
    EXPECT_EQ(tree.horizontalOffset(), -1);
    EXPECT_EQ(tree.verticalOffset(), 0);
    EXPECT_TRUE(release());
    EXPECT_FALSE(tree.horizontalThumbHeld());
}

TEST_F(FolderTreeScrollTest, WheelTowardsTheUserScrollsDown) {
    const int32_t towardsUser = -120 * 65536;
    EXPECT_TRUE(wheel(-towardsUser));
    EXPECT_EQ(tree.verticalOffset(), 0);
    EXPECT_TRUE(wheel(towardsUser));
    EXPECT_TRUE(wheel(0));
    EXPECT_EQ(tree.verticalOffset(), -2);
    EXPECT_TRUE(wheel(1));
    EXPECT_EQ(tree.verticalOffset(), -1);
    for (int i = 0; i < 6; ++i) {
        wheel(towardsUser * 3);
    }
    EXPECT_EQ(tree.verticalOffset(), -4);
}

TEST_F(FolderTreeTest, FittingTreeUsesScrollPartsWithoutMoving) {
    rootWithChildren(2);
    const std::array<int, 2> scrollParts[] = {
        {kBarX, kDownY}, {kRightX, kBarY}, {kBarX, 100}, {100, kBarY}, {kBarX, 20}};
    for (const auto& [x, y] : scrollParts) {
        EXPECT_TRUE(click(x, y));
    }
    EXPECT_TRUE(tree.verticalThumbHeld());
    EXPECT_TRUE(move(kBarX, 140));
    EXPECT_EQ(tree.verticalOffset(), 0);
    EXPECT_EQ(tree.horizontalOffset(), 0);
    EXPECT_TRUE(picks.empty());
}

// Root (row 0), Alpha with one child (row 1), Beta without children (row 2).
class FolderTreeClickTest : public FolderTreeTest {
protected:
    FolderTreeClickTest() {
        rootWithChildren(0);
        alpha = add(L"Alpha");
        add(L"Inner", alpha);
        beta = add(L"Beta");
    }
    FolderNode* alpha = nullptr;
    FolderNode* beta = nullptr;
};

TEST_F(FolderTreeClickTest, PickingCallsBackEveryTimeWithTheOwnerValue) {
    EXPECT_TRUE(click(labelX(1), rowY(2)));
    EXPECT_TRUE(click(iconX(1), rowY(1)));
    EXPECT_TRUE(click(labelX(1), rowY(1)));
    EXPECT_EQ(tree.selected(), alpha);
    EXPECT_TRUE(alpha->selected);
    EXPECT_FALSE(beta->selected);
    EXPECT_EQ(picks, (std::vector<FolderNode*>{beta, alpha, alpha}));
    EXPECT_EQ(ownerValues, std::vector<int>(3, kOwnerValue));
    EXPECT_FALSE(alpha->expanded);
    // On the edge shared by rows 0 and 1 the root, first in pre-order, wins.
    EXPECT_TRUE(click(labelX(1), 17));
    EXPECT_EQ(tree.selected(), tree.root());
}

TEST_F(FolderTreeClickTest, ExpandBoxTogglesOnlyNodesWithChildren) {
    EXPECT_TRUE(click(boxX(1), rowY(1)));
    EXPECT_TRUE(alpha->expanded);
    EXPECT_EQ(expands, (std::vector<FolderNode*>{alpha}));
    EXPECT_EQ(ownerValues, (std::vector<int>{kOwnerValue}));
    EXPECT_TRUE(click(boxX(1), rowY(1)));
    EXPECT_FALSE(alpha->expanded);
    EXPECT_EQ(expands.size(), 1u);

    EXPECT_FALSE(click(boxX(1), rowY(2)));
    EXPECT_FALSE(beta->expanded);
    EXPECT_TRUE(picks.empty());
}

TEST_F(FolderTreeClickTest, DoubleClickPicksAndTogglesAnyNode) {
    EXPECT_TRUE(doubleClick(labelX(1), rowY(2)));
    EXPECT_TRUE(beta->expanded);
    EXPECT_EQ(expands, (std::vector<FolderNode*>{beta}));
    EXPECT_TRUE(doubleClick(iconX(1), rowY(2)));
    EXPECT_FALSE(beta->expanded);
    EXPECT_EQ(expands.size(), 1u);
    EXPECT_EQ(picks, (std::vector<FolderNode*>{beta, beta}));
    // The expand box does not answer a double-click.
    EXPECT_FALSE(doubleClick(boxX(1), rowY(1)));
    EXPECT_FALSE(alpha->expanded);
}

TEST_F(FolderTreeClickTest, IgnoresPointsOutsideAndOtherMessages) {
    EXPECT_FALSE(click(0, rowY(1)));
    EXPECT_FALSE(click(202, rowY(1)));
    EXPECT_FALSE(click(labelX(1), 162));
    EXPECT_FALSE(doubleClick(labelX(1), -5));
    EXPECT_FALSE(click(100, 120));  // inside, below the last row
    EXPECT_FALSE(send(TreeMouse::Other, labelX(1), rowY(1)));
    EXPECT_FALSE(release());
    EXPECT_FALSE(move(labelX(1), rowY(1)));
    EXPECT_TRUE(picks.empty());
    EXPECT_TRUE(expands.empty());
}

// A tree for one row of keys: My Computer (open), Alpha (closed, holds
// Inner), Beta, then `folders` more, in the area of the other tests.
struct KeyedTree {
    explicit KeyedTree(int folders = 0) {
        tree.Setup(
            {0, 0, 202, 162}, kOwnerValue, [this](FolderNode* node, int) { picks.push_back(node); },
            [this](FolderNode* node, int) { expands.push_back(node); });
        tree.AddNode(L"My Computer", nullptr)->expanded = true;
        alpha = tree.AddNode(L"Alpha", nullptr);
        tree.AddNode(L"Inner", alpha);
        tree.AddNode(L"Beta", nullptr);
        for (int i = 0; i < folders; ++i) {
            tree.AddNode(L"Folder", nullptr);
        }
    }
    std::wstring press(const std::vector<TreeKey>& keys) {
        std::wstring trace;
        for (TreeKey key : keys) {
            trace += std::to_wstring(static_cast<int>(key)) + L" ";
            const bool expected = key != TreeKey::Enter || tree.selected() != nullptr;
            EXPECT_EQ(tree.HandleKey(key), expected) << testing::PrintToString(trace);
        }
        return trace;
    }
    std::wstring selectedLabel() const { return tree.selected() ? tree.selected()->label : L""; }

    FolderTree tree;
    FolderNode* alpha = nullptr;
    std::vector<FolderNode*> picks;
    std::vector<FolderNode*> expands;
};

TEST(FolderTreeKeys, MoveOpenCloseAndPickAsInAnyTree) {
    using K = TreeKey;
    const struct {
        std::vector<TreeKey> keys;
        const wchar_t* selected;
        bool alphaOpen;
        bool rootOpen;
        size_t expandCalls;
        size_t pickCalls;
    } rows[] = {
        {{}, L"", false, true, 0, 0},
        {{K::Down}, L"My Computer", false, true, 0, 0},  // none yet: the first row
        {{K::Up}, L"My Computer", false, true, 0, 0},
        {{K::Down, K::Down}, L"Alpha", false, true, 0, 0},
        {{K::End, K::Down, K::Down}, L"Beta", false, true, 0, 0},  // stays on the last
        {{K::End, K::Up, K::Up, K::Up}, L"My Computer", false, true, 0, 0},
        {{K::End, K::Home}, L"My Computer", false, true, 0, 0},
        {{K::Home, K::Down, K::Right}, L"Alpha", true, true, 1, 0},            // opens
        {{K::Home, K::Down, K::Right, K::Right}, L"Inner", true, true, 1, 0},  // first child
        {{K::Home, K::Down, K::Right, K::Down}, L"Inner", true, true, 1, 0},
        {{K::Home, K::Down, K::Right, K::Right, K::Left}, L"Alpha", true, true, 1, 0},  // parent
        {{K::Home, K::Down, K::Right, K::Left}, L"Alpha", false, true, 1, 0},           // closes
        {{K::End, K::Right, K::Left}, L"My Computer", false, true, 0, 0},  // no children
        {{K::Home, K::Left}, L"My Computer", false, false, 0, 0},
        {{K::Home, K::Left, K::Right}, L"My Computer", false, true, 1, 0},
        {{K::Enter}, L"", false, true, 0, 0},  // nothing to pick
        {{K::End, K::Enter, K::Enter}, L"Beta", false, true, 0, 2},
    };
    for (const auto& row : rows) {
        KeyedTree keyed;
        const std::wstring trace = keyed.press(row.keys);
        EXPECT_EQ(keyed.selectedLabel(), row.selected) << testing::PrintToString(trace);
        EXPECT_EQ(keyed.alpha->expanded, row.alphaOpen) << testing::PrintToString(trace);
        EXPECT_EQ(keyed.tree.root()->expanded, row.rootOpen) << testing::PrintToString(trace);
        EXPECT_EQ(keyed.expands.size(), row.expandCalls) << testing::PrintToString(trace);
        EXPECT_EQ(keyed.picks.size(), row.pickCalls) << testing::PrintToString(trace);
        for (const FolderNode* picked : keyed.picks) {
            EXPECT_EQ(picked, keyed.tree.selected());
        }
    }
    KeyedTree keyed;
    EXPECT_FALSE(keyed.tree.HandleKey(TreeKey::Other));
    EXPECT_EQ(keyed.tree.selected(), nullptr);
}

TEST(FolderTreeKeys, ActFromTheShownNodeAboveASelectionHiddenByAClosedParent) {
    for (const auto& [key, label] :
         {std::pair{TreeKey::Down, L"Beta"}, std::pair{TreeKey::Up, L"My Computer"},
          std::pair{TreeKey::Right, L"Alpha"}}) {
        KeyedTree keyed;
        keyed.press({TreeKey::Home, TreeKey::Down, TreeKey::Right, TreeKey::Down});
        FolderNode* inner = keyed.tree.selected();
        ASSERT_EQ(keyed.selectedLabel(), L"Inner");
        keyed.alpha->expanded = false;  // closed by a click on its box
        keyed.press({key});
        EXPECT_EQ(keyed.selectedLabel(), label);
        EXPECT_EQ(inner->selected, inner == keyed.tree.selected());
    }
}

TEST(FolderTreeKeys, ScrollTheSelectionIntoView) {
    // Thirteen rows, nine to a page.
    const struct {
        std::vector<TreeKey> keys;
        int verticalOffset;
    } rows[] = {
        {{TreeKey::Home}, 0},
        {{TreeKey::End}, -4},
        {{TreeKey::End, TreeKey::Up, TreeKey::Up}, -4},
        {{TreeKey::End, TreeKey::Home}, 0},
        {std::vector<TreeKey>(9, TreeKey::Down), 0},  // row 8, the page's last
        {std::vector<TreeKey>(10, TreeKey::Down), -1},
    };
    for (const auto& row : rows) {
        KeyedTree keyed(10);
        keyed.press(row.keys);
        EXPECT_EQ(keyed.tree.verticalOffset(), row.verticalOffset) << row.keys.size();
    }
}

TEST_F(FolderTreeTest, DeleteChildrenDropsOnlyASelectionInsideTheSubtrees) {
    FolderNode* top = rootWithChildren(0);
    FolderNode* a = add(L"A");
    a->expanded = true;
    FolderNode* a1 = add(L"A1", a);
    add(L"A11", a1);
    FolderNode* b = add(L"B");

    ASSERT_TRUE(click(labelX(2), rowY(2)));
    ASSERT_EQ(tree.selected(), a1);
    tree.DeleteChildren(a1);
    tree.DeleteChildren(b);
    tree.DeleteChildren(nullptr);
    EXPECT_EQ(tree.selected(), a1);
    EXPECT_TRUE(a1->children.empty());

    tree.DeleteChildren(top);
    EXPECT_EQ(tree.selected(), nullptr);
    // A new pick must not touch the deleted node.
    EXPECT_TRUE(click(labelX(0), rowY(0)));
    EXPECT_EQ(tree.selected(), top);
}

}  // namespace
