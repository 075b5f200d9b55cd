// The tree-list's input: hit testing of its parts, keys, clicks on rows, boxes and buttons, double
// clicks, the context menu request, the wheel and scroll bars, and the header (resizing, fitting,
// moving columns).

#include "platform/headless/HeadlessWidgets.h"
#include "toolkit/TreeListFixture.h"

using plat::headless::THeadlessPeer;

namespace {

// The geometry these tests rely on: rows 17 high under a 24 pixel header, margin 4, indent 18;
// a file row's button cell is x 4..21 and its box 22..37, a stream row's box 40..55.
constexpr int kRowHeight = 17;
constexpr int kHeader = 24;

int rowY(int row) {
    return kHeader + row * kRowHeight + kRowHeight / 2;
}

} // namespace

class TreeListInputTest : public TreeListTest {
protected:
    void SetUp() override {
        TreeListTest::SetUp();
        tree.setDefaultNodeHeight(kRowHeight);
        tree.setHeaderHeight(kHeader);
        tree.addColumn(TTreeColumn{L"Name", 120, 30, TColumnAlignment::taLeftJustify, false, false, true});
        tree.addColumn(TTreeColumn{L"Size", 50, 20, TColumnAlignment::taRightJustify, true, true, true});
        tree.addColumn(TTreeColumn{L"Time", 50, 20, TColumnAlignment::taLeftJustify, true, true, true});
        tree.addColumn(TTreeColumn{L"Last", 50, 20, TColumnAlignment::taLeftJustify, false, false, false});
        // f0..f9 with two streams each, f1 expanded: 12 rows, 5 to a page.
        files = addFiles(10, 2);
        tree.setExpanded(files[1], true);
        tree.setClock([this] { return now; });
        peer = &realise(300, kHeader + 5 * kRowHeight);
        tree.setOffsetY(0); // expanding f1 in a smaller tree scrolled it
    }
    // A click a second after the previous one, so that no two make a double click.
    void click(int x, int y) {
        now += 1000;
        peer->click(x, y);
    }
    void rightClick(int x, int y) {
        peer->mouseDown(TMouseButton::mbRight, x, y);
        peer->mouseUp(TMouseButton::mbRight, x, y);
    }
    void drag(int fromX, int fromY, int toX, int toY) {
        now += 1000;
        peer->mouseDown(TMouseButton::mbLeft, fromX, fromY);
        peer->mouseMove((fromX + toX) / 2, (fromY + toY) / 2);
        peer->mouseMove(toX, toY);
        peer->mouseUp(TMouseButton::mbLeft, toX, toY);
    }
    std::vector<TTreeNode*> files;
    THeadlessPeer* peer = nullptr;
    std::int64_t now = 0;
};

// ---- Hit testing.

struct THitCase {
    int x;
    int row; // -1: in the header, at y 10
    THitArea area;
    const wchar_t* node;
    int column;
};

const THitCase kRowParts[] = {
    {2, 0, THitArea::haIndent, L"f0", 0},
    {5, 0, THitArea::haButton, L"f0", 0},
    {21, 0, THitArea::haButton, L"f0", 0},
    {22, 0, THitArea::haCheckBox, L"f0", 0},
    {37, 0, THitArea::haCheckBox, L"f0", 0},
    {38, 0, THitArea::haItem, L"f0", 0},
    {30, 2, THitArea::haIndent, L"f1:s0", 0},
    {40, 2, THitArea::haCheckBox, L"f1:s0", 0},
    {56, 2, THitArea::haItem, L"f1:s0", 0},
    {150, 1, THitArea::haItem, L"f1", 1},
    {100, -1, THitArea::haHeader, nullptr, 0},
    {118, -1, THitArea::haHeaderDivider, nullptr, 0},
    {123, -1, THitArea::haHeaderDivider, nullptr, 0},
    {124, -1, THitArea::haHeader, nullptr, 1},
    {290, 1, THitArea::haScrollBar, nullptr, -1},
    {275, 1, THitArea::haItem, L"f1", -1},
};

TEST_F(TreeListInputTest, HitTestFindsEachPartOfARow) {
    for (const THitCase& c : kRowParts) {
        const THitInfo hit = tree.hitTest(c.x, c.row < 0 ? 10 : rowY(c.row));
        EXPECT_EQ(c.area, hit.area) << "x " << c.x << " row " << c.row;
        EXPECT_EQ(c.node != nullptr ? std::wstring(c.node) : L"(none)", nameOf(hit.node)) << "x " << c.x;
        if (c.area != THitArea::haNowhere && c.area != THitArea::haScrollBar) {
            EXPECT_EQ(c.column, hit.column) << "x " << c.x;
        }
    }
    tree.setOffsetY(1000);
    EXPECT_EQ(L"f9", nameOf(tree.hitTest(60, rowY(4)).node)) << "scrolled to the end";
    tree.setOffsetY(0);
    for (int f = 9; f >= 2; --f) {
        tree.deleteNode(files[static_cast<std::size_t>(f)]);
    }
    EXPECT_EQ(THitArea::haNowhere, tree.hitTest(60, rowY(4)).area) << "below the last row";
    EXPECT_EQ(1, tree.hitTest(140, rowY(4)).column);
    EXPECT_EQ(THitArea::haNowhere, tree.hitTest(-1, rowY(0)).area);
}

TEST_F(TreeListInputTest, AtTwiceTheDpiEveryPartOfARowIsTwiceAsWide) {
    tree.changeDpi(192);
    ASSERT_EQ(tree.defaultNodeHeight(), 2 * kRowHeight);
    ASSERT_EQ(tree.headerHeight(), 2 * kHeader);
    for (const THitCase& c : kRowParts) {
        const THitInfo hit = tree.hitTest(2 * c.x, c.row < 0 ? 20 : 2 * rowY(c.row));
        EXPECT_EQ(c.area, hit.area) << "x " << 2 * c.x << " row " << c.row;
        EXPECT_EQ(c.node != nullptr ? std::wstring(c.node) : L"(none)", nameOf(hit.node)) << "x " << 2 * c.x;
    }
}

// ---- Keys.

struct TKeyCase {
    const wchar_t* from; // focused before; nullptr for none
    int key;
    const wchar_t* to;                    // focused after
    int rows;                             // rows in the view after
    const wchar_t* checkedName = nullptr; // a row whose box is then ...
    TCheckState checkedState = TCheckState::csCheckedNormal;
};

TEST_F(TreeListInputTest, KeysMoveTheFocusExpandCollapseAndCheck) {
    using K = TTreeList;
    const TKeyCase cases[] = {
        {nullptr, K::kKeyDown, L"f0", 12},
        {nullptr, K::kKeyUp, L"f0", 12},
        {L"f0", K::kKeyDown, L"f1", 12},
        {L"f1", K::kKeyDown, L"f1:s0", 12},
        {L"f0", K::kKeyUp, L"f0", 12},
        {L"f3", K::kKeyHome, L"f0", 12},
        {L"f0", K::kKeyEnd, L"f9", 12},
        {L"f0", K::kKeyPageDown, L"f3", 12},
        {L"f9", K::kKeyPageUp, L"f4", 12},
        {L"f8", K::kKeyPageDown, L"f9", 12},
        {L"f1", K::kKeyPageUp, L"f0", 12},
        {L"f1", K::kKeyLeft, L"f1", 10},
        {L"f1:s0", K::kKeyLeft, L"f1", 12},
        {L"f1", K::kKeyRight, L"f1:s0", 12},
        {L"f2", K::kKeyRight, L"f2", 14},
        {L"f2", K::kKeyAdd, L"f2", 14},
        {L"f2", K::kKeyOemPlus, L"f2", 14},
        {L"f1", K::kKeySubtract, L"f1", 10},
        {L"f1", K::kKeyOemMinus, L"f1", 10},
        {L"f1:s1", K::kKeySubtract, L"f1:s1", 12}, // a stream row has nothing to collapse
        {L"f1:s0", K::kKeySpace, L"f1:s0", 12, L"f1", TCheckState::csMixedNormal},
        {L"f0", K::kKeySpace, L"f0", 12, L"f0:s1", TCheckState::csUncheckedNormal},
    };
    for (const TKeyCase& c : cases) {
        tree.fullCollapse();
        tree.setExpanded(files[1], true);
        tree.checkAll();
        tree.setOffsetY(0);
        tree.setFocusedNode(c.from != nullptr ? find(c.from) : nullptr);
        tree.handleKeyDown(c.key);
        const std::string what = "key " + std::to_string(c.key) + " from " +
                                 (c.from != nullptr ? std::string(c.from, c.from + wcslen(c.from)) : "none");
        EXPECT_EQ(c.to, nameOf(tree.focusedNode())) << what;
        EXPECT_TRUE(tree.selected(tree.focusedNode())) << what;
        EXPECT_EQ(c.rows, tree.rowCount()) << what;
        if (c.checkedName != nullptr) {
            EXPECT_EQ(c.checkedState, tree.checkState(find(c.checkedName))) << what;
        }
        const TRect row = tree.rowRect(tree.focusedNode());
        const TRect area = tree.rowsRect();
        EXPECT_TRUE(row.top >= area.top && row.bottom <= area.bottom) << what << ": focused row in view";
    }
}

TEST_F(TreeListInputTest, KeysComeFromThePlatformToTheFocusedTree) {
    tree.setFocus();
    peer->pressKey(TTreeList::kKeyDown);
    peer->pressKey(TTreeList::kKeyDown);
    EXPECT_EQ(files[1], tree.focusedNode());
    peer->pressKey(TTreeList::kKeySpace);
    EXPECT_EQ(TCheckState::csUncheckedNormal, tree.checkState(files[1]));
    peer->pressKey(TTreeList::kKeySubtract);
    EXPECT_FALSE(tree.expanded(files[1]));
}

TEST_F(TreeListInputTest, KeyHandlerCanTakeAKeyAndTheMenuKeyAsksForTheMenu) {
    tree.OnKeyDown = [](TControl*, int& key, TShiftState) {
        if (key == TTreeList::kKeyDown) {
            key = 0;
        }
    };
    std::vector<TPoint> popups;
    tree.OnContextPopup = [&](TTreeList*, int x, int y) { popups.push_back(TPoint{x, y}); };
    tree.setFocusedNode(files[0]);
    EXPECT_TRUE(tree.handleKeyDown(TTreeList::kKeyDown));
    EXPECT_EQ(files[0], tree.focusedNode());
    EXPECT_FALSE(tree.handleKeyDown(0x41)); // A: not the tree's
    tree.handleKeyDown(TTreeList::kKeyApps);
    tree.handleKeyDown(TTreeList::kKeyF10, ssShift);
    EXPECT_FALSE(tree.handleKeyDown(TTreeList::kKeyF10));
    ASSERT_EQ(2u, popups.size());
    EXPECT_EQ(kHeader + kRowHeight, popups[0].y) << "below the focused row";
}

// ---- Mouse on rows.

TEST_F(TreeListInputTest, ClickOnAButtonTogglesAndOnARowFocusesIt) {
    std::vector<int> focusColumns;
    tree.OnFocusChanged = [&](TTreeList*, TTreeNode*, int column) { focusColumns.push_back(column); };
    click(10, rowY(0));
    EXPECT_TRUE(tree.expanded(files[0]));
    EXPECT_EQ(nullptr, tree.focusedNode()) << "the button does not move the focus";
    EXPECT_EQ(14, tree.rowCount());
    click(10, rowY(0));
    EXPECT_FALSE(tree.expanded(files[0]));
    click(150, rowY(2));
    EXPECT_EQ(L"f1:s0", nameOf(tree.focusedNode()));
    EXPECT_TRUE(tree.selected(find(L"f1:s0")));
    EXPECT_TRUE(tree.focused()) << "a press gives the tree the focus";
    click(60, rowY(0));
    EXPECT_EQ(files[0], tree.focusedNode());
    EXPECT_EQ((std::vector<int>{1, 0}), focusColumns);
    EXPECT_FALSE(tree.selected(find(L"f1:s0")));
}

TEST_F(TreeListInputTest, ClickOnABoxTogglesItWithTheTriStateRules) {
    click(25, rowY(1));
    EXPECT_EQ(TCheckState::csUncheckedNormal, tree.checkState(files[1]));
    EXPECT_EQ(TCheckState::csUncheckedNormal, tree.checkState(find(L"f1:s1")));
    click(45, rowY(3));
    EXPECT_EQ(TCheckState::csCheckedNormal, tree.checkState(find(L"f1:s1")));
    EXPECT_EQ(TCheckState::csMixedNormal, tree.checkState(files[1]));
    EXPECT_EQ(nullptr, tree.focusedNode()) << "a box does not move the focus";

    // Held down the box shows pressed; released away from it, nothing changes.
    now += 1000;
    peer->mouseDown(TMouseButton::mbLeft, 25, rowY(0));
    EXPECT_EQ(TCheckState::csCheckedPressed, tree.checkState(files[0]));
    EXPECT_FALSE(tree.isChecked(files[0]));
    peer->mouseUp(TMouseButton::mbLeft, 100, rowY(0));
    EXPECT_EQ(TCheckState::csCheckedNormal, tree.checkState(files[0]));
}

TEST_F(TreeListInputTest, DoubleClickTogglesARowOnlyWhenQuick) {
    std::vector<std::wstring> doubles;
    tree.OnDblClick = [&](TTreeList*, TTreeNode* node) { doubles.push_back(nameOf(node)); };
    // f2's middle, wherever expanding it scrolled the rows.
    auto f2 = [&] { return tree.rowRect(files[2]).top + kRowHeight / 2; };
    peer->click(60, f2());
    now += 200;
    peer->click(62, f2());
    EXPECT_TRUE(tree.expanded(files[2]));
    EXPECT_EQ(std::vector<std::wstring>{L"f2"}, doubles);
    now += 200;
    peer->click(60, f2()); // a third press starts over
    EXPECT_TRUE(tree.expanded(files[2]));
    now += 600;
    peer->click(60, f2()); // too late
    EXPECT_TRUE(tree.expanded(files[2]));
    now += 100;
    peer->click(60, f2() + 6); // too far
    EXPECT_TRUE(tree.expanded(files[2]));
    tree.handleDoubleClick(60, f2());
    EXPECT_FALSE(tree.expanded(files[2]));
    tree.handleDoubleClick(25, f2());
    EXPECT_EQ(TCheckState::csUncheckedNormal, tree.checkState(files[2])) << "a quick second press on a box";
    EXPECT_EQ((std::vector<std::wstring>{L"f2", L"f2"}), doubles);
}

TEST_F(TreeListInputTest, RightClickAsksForTheMenuWithoutMovingTheFocus) {
    std::vector<TPoint> popups;
    tree.OnContextPopup = [&](TTreeList*, int x, int y) { popups.push_back(TPoint{x, y}); };
    tree.setFocusedNode(find(L"f1:s1"));
    rightClick(60, rowY(0));
    EXPECT_EQ(L"f1:s1", nameOf(tree.focusedNode()));
    rightClick(275, rowY(1)); // beside the columns, still in the list
    rightClick(100, 10);      // the header asks for no menu
    rightClick(290, rowY(1)); // nor does the scroll bar
    EXPECT_EQ((std::vector<TPoint>{{60, rowY(0)}, {275, rowY(1)}}), popups);

    TTreeOptions options = tree.options();
    options.rightClickSelect = true;
    tree.setOptions(options);
    rightClick(60, rowY(0));
    EXPECT_EQ(files[0], tree.focusedNode());
}

TEST_F(TreeListInputTest, WheelAndScrollBarScroll) {
    const std::int64_t end = 12 * kRowHeight - 5 * kRowHeight;
    tree.handleMouseWheel(-120);
    EXPECT_EQ(3 * kRowHeight, tree.offsetY());
    tree.handleMouseWheel(120);
    EXPECT_EQ(0, tree.offsetY());
    click(290, kHeader + 5 * kRowHeight - 3); // the down arrow
    EXPECT_EQ(kRowHeight, tree.offsetY());
    click(290, kHeader + 3); // the up arrow
    EXPECT_EQ(0, tree.offsetY());
    click(290, kHeader + 5 * kRowHeight - 20); // the track below the thumb: a page
    EXPECT_EQ(5 * kRowHeight, tree.offsetY());
    click(290, kHeader + 5 * kRowHeight - 20);
    EXPECT_EQ(end, tree.offsetY()) << "clamped at the end";
    tree.handleMouseWheel(-1200);
    EXPECT_EQ(end, tree.offsetY());

    // Dragging the thumb all the way up and back down.
    tree.setOffsetY(0);
    drag(290, kHeader + 20, 290, kHeader + 500);
    EXPECT_EQ(end, tree.offsetY());
    drag(290, kHeader + 5 * kRowHeight - 20, 290, 0);
    EXPECT_EQ(0, tree.offsetY());
}

TEST_F(TreeListInputTest, TheWheelScrollsTheUsersRowsANotchGatheringPartsOfANotch) {
    // 12 rows, 5 to a page: at most 7 rows scrolled.
    plat::headless::THeadlessWidgets widgets;
    plat::installWidgetServices(&widgets);
    constexpr int kPage = plat::TInputSettings::kWheelPage;
    const struct {
        const char* what;
        int lines;
        std::vector<int> turns;
        int rows; // scrolled from the top
    } cases[] = {
        {"a notch down", 3, {-120}, 3},
        {"thirds of a notch", 3, {-40, -40, -40}, 3},
        {"quarters of a notch, carried over", 3, {-30, -30, -30, -30}, 3},
        {"less than a row", 3, {-20}, 0},
        {"turning back drops what was gathered", 3, {-60, 30}, 1},
        {"one row a notch", 1, {-120, -120}, 2},
        {"a page a notch", kPage, {-120}, 5},
        {"the wheel turned off", 0, {-120}, 0},
        {"clamped at the end", 3, {-1200}, 7},
        {"clamped at the top", 3, {-240, 600}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        plat::TInputSettings settings;
        settings.wheelLines = c.lines;
        widgets.setInputSettings(settings);
        tree.setOffsetY(0);
        peer->mouseWheel(120, 10, rowY(1)); // drops any part of a notch gathered downwards before
        for (const int turn : c.turns) {
            peer->mouseWheel(turn, 10, rowY(1));
        }
        EXPECT_EQ(tree.offsetY(), c.rows * kRowHeight);
    }
    plat::installWidgetServices(nullptr);
}

// ---- Header.

TEST_F(TreeListInputTest, DividersResizeWithinTheMinimumAndADoubleClickFits) {
    std::vector<int> resized;
    tree.OnColumnResize = [&](TTreeList*, int column) { resized.push_back(column); };
    drag(120, 10, 140, 10);
    EXPECT_EQ(140, tree.column(0).width);
    drag(140, 10, 0, 10);
    EXPECT_EQ(30, tree.column(0).width) << "not below the minimum width";
    tree.setColumnWidth(0, 120);
    drag(270, 10, 200, 10); // column 3 is not resizable
    EXPECT_EQ(50, tree.column(3).width);
    EXPECT_FALSE(resized.empty());
    EXPECT_EQ(std::vector<int>(resized.size(), 0), resized) << "only column 0 changed";

    // A row far below the screen counts too: the fit is the widest text of every row in the view.
    add(nullptr, L"far-below-long");
    peer->mouseDown(TMouseButton::mbLeft, 170, 10);
    peer->mouseUp(TMouseButton::mbLeft, 170, 10);
    now += 100;
    peer->mouseDown(TMouseButton::mbLeft, 170, 10);
    peer->mouseUp(TMouseButton::mbLeft, 170, 10);
    tree.paintNow();
    // "far-below-long#1" in the raster font (5 pixels a character) after a 4 pixel margin, with a
    // 4 pixel text margin each side.
    EXPECT_EQ(4 + 4 + 16 * 5 + 4, tree.column(1).width);
}

TEST_F(TreeListInputTest, OnlyDraggableColumnsMoveAndOnlyAmongThemselves) {
    std::vector<int> moved;
    tree.OnHeaderDragged = [&](TTreeList*, int column) { moved.push_back(column); };
    drag(195, 10, 140, 10); // column 2 onto column 1
    EXPECT_EQ(1, tree.columnPosition(2));
    EXPECT_EQ(2, tree.columnPosition(1));
    EXPECT_EQ(-1, tree.sortColumn()) << "a drag is not a click";
    EXPECT_EQ(120, tree.columnRect(2).left);
    drag(145, 10, 60, 10); // onto column 0, which does not move
    EXPECT_EQ(1, tree.columnPosition(2));
    drag(60, 10, 145, 10); // column 0 itself
    EXPECT_EQ(0, tree.columnPosition(0));
    drag(250, 10, 145, 10); // column 3
    EXPECT_EQ(3, tree.columnPosition(3));
    EXPECT_EQ(std::vector<int>{2}, moved);
    EXPECT_EQ(1, tree.columnAtPosition(2));
}
