// The tree-list's painting: its cost follows the rows on screen, not the rows in the tree, and a
// small tree draws its header, lines, buttons, boxes, images, texts, cell colours, grid lines,
// selection and scroll bars where and how they are defined.

#include "toolkit/RasterExpect.h"
#include "toolkit/TreeListFixture.h"

#include <set>

using plat::headless::TRasterCanvas;
using rastertest::boundsOf;
using rastertest::countOf;
using rastertest::hex;
using rastertest::regionIs;

TEST_F(TreeListTest, PaintAsksOnlyForTheRowsAndColumnsOnScreen) {
    for (int i = 0; i < 6; ++i) {
        tree.addColumn(TTreeColumn{L"c" + std::to_wstring(i), 100});
    }
    tree.setDefaultNodeHeight(17);
    tree.beginUpdate();
    addFiles(10000, 9, true); // 100,000 rows
    tree.endUpdate();
    ASSERT_EQ(100000, tree.rowCount());
    std::set<std::pair<TTreeNode*, int>> asked;
    int texts = 0;
    int images = 0;
    auto getText = tree.OnGetText;
    tree.OnGetText = [&](TTreeList* sender, TTreeNode* node, int column, std::wstring& text) {
        ++texts;
        asked.insert({node, column});
        getText(sender, node, column, text);
    };
    tree.OnGetImageIndex = [&](TTreeList*, TTreeNode*, TImageKind, int, int& index) {
        ++images;
        index = -1;
    };
    TImageList icons(16, 16);
    tree.setImages(&icons);
    realise(400, 300);

    struct TView {
        std::int64_t offsetY;
        int offsetX;
        int firstColumn;
    };
    for (const TView view : {TView{0, 0, 0}, TView{50000 * 17 + 5, 0, 0}, TView{100000 * 17 - 259, 200, 2}}) {
        tree.setOffsetY(view.offsetY);
        tree.setOffsetX(view.offsetX);
        ASSERT_EQ(view.offsetY, tree.offsetY());
        texts = images = 0;
        asked.clear();
        tree.paintNow();
        // Rows 17 high in 300 - 24 (header) - 17 (scroll bar) pixels; 4 columns of 100 in 383.
        const TRect area = tree.rowsRect();
        ASSERT_EQ((TRect{0, 24, 383, 283}), area);
        const int first = static_cast<int>(view.offsetY / 17);
        const int shown = static_cast<int>((area.height() + view.offsetY % 17 + 16) / 17);
        EXPECT_EQ(shown * 4, texts) << "offset " << view.offsetY;
        EXPECT_EQ(view.firstColumn == 0 ? shown : 0, images) << "one icon request per row, in column 0 only";
        for (int row = first; row < first + shown; ++row) {
            for (int column = view.firstColumn; column < view.firstColumn + 4; ++column) {
                EXPECT_EQ(1u, asked.count({tree.rowNode(row), column})) << row << " " << column;
            }
        }
    }
}

class TreeListLookTest : public TreeListTest {
protected:
    void SetUp() override {
        TreeListTest::SetUp();
        tree.addColumn(TTreeColumn{L"Name", 150});
        tree.addColumn(TTreeColumn{L"Size", 100, 10, TColumnAlignment::taRightJustify});
        tree.addColumn(TTreeColumn{L"Time", 80, 10, TColumnAlignment::taLeftJustify, true});
        tree.setDefaultNodeHeight(17);
        colors.treeLine = hexColor(0x00A000);
        colors.gridLine = hexColor(0xD0D0D0);
        tree.setColors(colors);
        // Rows: f0 (expanded) f0:s0 f0:s1, f1 (collapsed, one stream), f2 (no streams).
        files = addFiles(2, 2);
        tree.deleteNode(tree.getLastChild(files[1]));
        tree.setExpanded(files[0], true);
        files.push_back(add(nullptr, L"f2"));
        // As the results tree: grey stream cells, bold file rows, the focused row's text in pink.
        tree.OnBeforeCellPaint = [](TTreeList* sender, TCanvas& canvas, TTreeNode* node, int,
                                    const TRect& cell) {
            if (sender->getNodeLevel(node) > 0) {
                canvas.brush().setColor(kGrey);
                canvas.FillRect(cell);
            }
        };
        tree.OnPaintText = [](TTreeList* sender, TCanvas& canvas, TTreeNode* node, int) {
            if (sender->getNodeLevel(node) == 0) {
                canvas.font().style |= fsBold;
            }
            if (node == sender->focusedNode()) {
                canvas.font().color = kPink;
            }
        };
    }
    // What the tree looks like now.
    TRasterCanvas& paint(int width = 400, int height = 150) {
        auto& peer = realise(width, height);
        tree.paintNow();
        return peer.surface();
    }
    static int top(int row) { return 24 + row * 17; }
    static int cy(int row) { return top(row) + 8; }

    static constexpr TColor kGrey = hexColor(0xF7F7F7);
    static constexpr TColor kPink = hexColor(0xFF0080);
    TTreeColors colors;
    std::vector<TTreeNode*> files;
};

TEST_F(TreeListLookTest, HeaderShowsColumnsDividersAndTheSortMark) {
    tree.setSortColumn(2);
    TRasterCanvas& canvas = paint();
    rastertest::TPngOnFailure keep(canvas);
    const TColor white = colors.headerBackground;
    EXPECT_EQ(hex(white), hex(canvas.at(2, 2)));
    EXPECT_TRUE(regionIs(canvas, TRect{149, 0, 150, 24}, colors.headerDivider)) << "divider of column 0";
    EXPECT_TRUE(regionIs(canvas, TRect{0, 23, 400, 24}, colors.headerDivider)) << "bottom line";
    EXPECT_EQ(hex(white), hex(canvas.at(340, 10))) << "beyond the last column";
    // "Name" in the header font: 4 glyphs from x 4.
    EXPECT_GT(countOf(canvas, TRect{4, 0, 24, 23}, tree.headerFont().color), 40);
    // The ascending mark: a triangle pointing up, in column 2's right end (x 320..329).
    const TRect mark{317, 8, 326, 14};
    EXPECT_EQ(16, countOf(canvas, mark, colors.sortMark));
    EXPECT_EQ(1, countOf(canvas, TRect{317, 10, 326, 11}, colors.sortMark)) << "the tip on top";
    EXPECT_EQ(0, countOf(canvas, TRect{0, 0, 310, 24}, colors.sortMark)) << "no mark elsewhere";

    tree.setSortDirection(TSortDirection::sdDescending);
    tree.paintNow();
    EXPECT_EQ(7, countOf(canvas, TRect{317, 10, 326, 11}, colors.sortMark)) << "the wide side on top";
    // The header of the right-aligned column ends its text at the right.
    EXPECT_EQ(0, countOf(canvas, TRect{150, 0, 220, 23}, tree.headerFont().color));
    EXPECT_GT(countOf(canvas, TRect{220, 0, 250, 23}, tree.headerFont().color), 40);
}

TEST_F(TreeListLookTest, RowsShowLinesButtonsBoxesTextsAndCellColours) {
    tree.setCheckState(tree.getFirstChild(files[0]), TCheckState::csUncheckedNormal); // f0 mixed
    tree.setCheckState(files[1], TCheckState::csUncheckedNormal);
    TRasterCanvas& canvas = paint();
    rastertest::TPngOnFailure keep(canvas);
    const TColor bg = colors.background;

    // Expand buttons: a 9 x 9 box around (13, cy) with a minus when expanded, a plus when not.
    EXPECT_TRUE(regionIs(canvas, TRect{9, cy(0) - 4, 18, cy(0) - 3}, colors.button)) << "f0's box, top";
    EXPECT_TRUE(regionIs(canvas, TRect{11, cy(0), 16, cy(0) + 1}, colors.buttonSign)) << "the minus";
    EXPECT_EQ(hex(bg), hex(canvas.at(13, cy(0) - 2)));
    EXPECT_EQ(hex(colors.buttonSign), hex(canvas.at(13, cy(3) - 2))) << "f1's plus";
    EXPECT_EQ(0, countOf(canvas, TRect{4, top(4), 22, top(5)}, colors.button)) << "f2 has no streams";

    // Tree lines: the top-level line starts at the first row's middle and runs on to f2's middle;
    // each stream row has its own branch, the last one ending at its middle.
    const TColor line = colors.treeLine;
    EXPECT_EQ(hex(bg), hex(canvas.at(13, top(0) + 1)));
    EXPECT_TRUE(regionIs(canvas, TRect{13, cy(0) + 5, 14, top(3)}, line)) << "through the stream rows";
    EXPECT_TRUE(regionIs(canvas, TRect{18, cy(0), 22, cy(0) + 1}, line)) << "branch right of the button";
    EXPECT_TRUE(regionIs(canvas, TRect{13, top(4), 14, cy(4) + 1}, line));
    EXPECT_EQ(hex(bg), hex(canvas.at(13, cy(4) + 2))) << "f2 is the last top-level row";
    EXPECT_TRUE(regionIs(canvas, TRect{31, top(1), 32, cy(2) + 1}, line)) << "stream rows' line";
    EXPECT_EQ(hex(kGrey), hex(canvas.at(31, cy(2) + 2))) << "ends at the last stream";
    EXPECT_TRUE(regionIs(canvas, TRect{31, cy(1), 40, cy(1) + 1}, line));

    // Check boxes: 13 x 13 framed boxes at x 23 (file rows) and 41 (stream rows).
    EXPECT_TRUE(regionIs(canvas, TRect{23, cy(0) - 6, 36, cy(0) - 5}, colors.checkFrame));
    EXPECT_TRUE(regionIs(canvas, TRect{26, cy(0) - 3, 33, cy(0) + 4}, colors.checkMark)) << "f0 mixed";
    EXPECT_EQ(0, countOf(canvas, TRect{42, cy(1) - 5, 53, cy(1) + 6}, colors.checkMark)) << "s0 unchecked";
    // A tick down from (44, cy) to (46, cy + 3), then up to (50, cy - 2).
    EXPECT_EQ(hex(colors.checkMark), hex(canvas.at(44, cy(2)))) << "s1's tick";
    EXPECT_EQ(hex(colors.checkMark), hex(canvas.at(46, cy(2) + 3)));
    EXPECT_EQ(hex(colors.checkMark), hex(canvas.at(50, cy(2) - 2)));
    EXPECT_EQ(hex(colors.checkFill), hex(canvas.at(44, cy(2) - 4)));
    EXPECT_EQ(0, countOf(canvas, TRect{24, cy(3) - 5, 35, cy(3) + 6}, colors.checkMark)) << "f1 unchecked";

    // Texts: file rows in bold from x 42, stream rows from x 60; right-aligned sizes.
    const TColor ink = tree.font().color;
    const int boldGlyph = TRasterCanvas::charWidth(TFont{L"Tahoma", 8, fsBold}) - 1;
    EXPECT_TRUE(regionIs(canvas, TRect{42, cy(0) - 2, 42 + boldGlyph, cy(0) + 2}, ink));
    EXPECT_EQ(hex(bg), hex(canvas.at(41, cy(0))));
    EXPECT_TRUE(regionIs(canvas, TRect{60, cy(1) - 2, 64, cy(1) + 2}, ink));
    EXPECT_EQ(hex(kGrey), hex(canvas.at(59, cy(1))));
    EXPECT_EQ(hex(ink), hex(canvas.at(243, cy(1)))) << "size text ends 4 pixels inside the cell";
    EXPECT_TRUE(regionIs(canvas, TRect{246, top(1), 249, top(2)}, kGrey));
    EXPECT_TRUE(regionIs(canvas, TRect{151, top(1), 200, top(2)}, kGrey)) << "grey across stream cells";
    EXPECT_TRUE(regionIs(canvas, TRect{151, top(0), 200, top(1)}, bg)) << "file cells keep the background";

    // Grid lines down each column's right edge, below the rows too; the background below.
    EXPECT_TRUE(regionIs(canvas, TRect{149, 24, 150, 150}, colors.gridLine));
    EXPECT_TRUE(regionIs(canvas, TRect{329, 24, 330, 150}, colors.gridLine));
    EXPECT_TRUE(regionIs(canvas, TRect{0, top(5), 149, 150}, bg));
    EXPECT_TRUE(regionIs(canvas, TRect{330, 24, 400, 150}, bg)) << "beside the columns, no scroll bar";
}

TEST_F(TreeListLookTest, FocusedRowKeepsItsCellColourInsideTheSelectionFrame) {
    tree.setFocusedNode(tree.getFirstChild(files[0]));
    TRasterCanvas& canvas = paint();
    rastertest::TPngOnFailure keep(canvas);
    EXPECT_EQ(hex(kPink), hex(canvas.at(61, cy(1)))) << "the focused stream's text";
    EXPECT_EQ(hex(kGrey), hex(canvas.at(120, cy(1)))) << "on its grey";
    EXPECT_TRUE(regionIs(canvas, TRect{0, top(1), 400, top(1) + 1}, colors.selectionFrameUnfocused));
    EXPECT_TRUE(regionIs(canvas, TRect{0, top(2) - 1, 400, top(2)}, colors.selectionFrameUnfocused));
    EXPECT_EQ(0, countOf(canvas, TRect{0, top(2), 400, 150}, kPink)) << "other rows keep their ink";

    tree.setFocus();
    tree.setFocusedNode(files[0]);
    tree.paintNow();
    EXPECT_TRUE(regionIs(canvas, TRect{0, top(0), 400, top(0) + 1}, colors.selectionFrame));
    const int boldGlyph = TRasterCanvas::charWidth(TFont{L"Tahoma", 8, fsBold}) - 1;
    EXPECT_TRUE(regionIs(canvas, TRect{42, cy(0) - 2, 42 + boldGlyph, cy(0) + 2}, kPink)) << "bold and pink";
    EXPECT_EQ(hex(colors.background), hex(canvas.at(120, cy(0))));
}

TEST_F(TreeListLookTest, StateImagesAndIconsComeBeforeTheText) {
    TImageList state(16, 16);
    state.add(TBitmap32(16, 16, TRGBA{255, 0, 0, 255}));
    state.add(TBitmap32(16, 16, TRGBA{0, 0, 255, 255}));
    TImageList icons(16, 16);
    icons.add(TBitmap32(16, 16, TRGBA{0, 200, 0, 255}));
    tree.setStateImages(&state);
    tree.setImages(&icons);
    tree.OnGetImageIndex = [](TTreeList* sender, TTreeNode* node, TImageKind kind, int column, int& index) {
        if (column != 0) {
            return;
        }
        if (kind == TImageKind::ikState) {
            index = sender->getNodeLevel(node) == 0 ? 0 : 1;
        } else if (kind == TImageKind::ikNormal && sender->getNodeLevel(node) == 0) {
            index = 0;
        }
    };
    tree.setFocusedNode(files[1]); // a selected file row without a selected image shows its icon
    TRasterCanvas& canvas = paint();
    rastertest::TPngOnFailure keep(canvas);
    const TRect fileState{38, top(0), 54, top(0) + 16};
    EXPECT_TRUE(regionIs(canvas, TRect{38, top(0) + 1, 54, top(0) + 16}, RGBColor(255, 0, 0)));
    EXPECT_TRUE(regionIs(canvas, TRect{56, top(0) + 1, 72, top(0) + 16}, RGBColor(0, 200, 0)));
    EXPECT_TRUE(regionIs(canvas, TRect{56, top(3) + 1, 72, top(3) + 16}, RGBColor(0, 200, 0)));
    EXPECT_TRUE(regionIs(canvas, TRect{56, top(1) + 1, 72, top(1) + 16}, RGBColor(0, 0, 255)))
        << "stream rows: a state image and no icon";
    EXPECT_EQ(hex(tree.font().color), hex(canvas.at(79, cy(0)))) << "file text after both images";
    EXPECT_EQ(hex(tree.font().color), hex(canvas.at(79, cy(1)))) << "stream text after its state image";
    (void)fileState;
}

TEST_F(TreeListLookTest, ScrollBarsShowOnlyWhenTheContentDoesNotFit) {
    TRasterCanvas& small = paint(400, 150);
    EXPECT_FALSE(tree.verticalScrollBarVisible());
    EXPECT_FALSE(tree.horizontalScrollBarVisible());
    EXPECT_EQ(0, countOf(small, TRect{0, 0, 400, 150}, colors.scrollThumb));

    for (int i = 0; i < 20; ++i) {
        add(nullptr, L"more");
    }
    TRasterCanvas& canvas = paint(300, 150);
    rastertest::TPngOnFailure keep(canvas);
    EXPECT_TRUE(tree.verticalScrollBarVisible());
    EXPECT_TRUE(tree.horizontalScrollBarVisible());
    EXPECT_TRUE(regionIs(canvas, TRect{283, 24, 300, 40}, colors.scrollTrack) == false) << "the up arrow";
    EXPECT_GT(countOf(canvas, TRect{283, 24, 300, 41}, colors.scrollArrow), 10);
    EXPECT_GT(countOf(canvas, TRect{283, 41, 300, 116}, colors.scrollThumb), 100);
    EXPECT_EQ(hex(colors.scrollTrack), hex(canvas.at(299, 140))) << "the corner";
    EXPECT_GT(countOf(canvas, TRect{0, 133, 283, 150}, colors.scrollThumb), 100);

    tree.setOffsetY(1 << 20);
    tree.paintNow();
    const int rows = tree.rowCount();
    EXPECT_EQ(L"more", nameOf(tree.rowNode(rows - 1)));
    // The last row ends at the bottom of the rows area, above the horizontal bar.
    EXPECT_EQ(rows * 17 - (133 - 24), tree.offsetY());
}

// The small glyphs keep their 96-DPI shape at every scale: the sort mark and the scroll bars' arrows
// are 7 x 4 pixels (4 x 7 when they point sideways) scaled, their narrow side at the tip.
TEST_F(TreeListLookTest, SortMarkAndScrollArrowsAreTheirDesignSizeScaled) {
    for (int i = 0; i < 20; ++i) {
        add(nullptr, L"more");
    }
    tree.setSortColumn(0); // its mark ends column 0, clear of the vertical bar
    for (const int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        if (dpi != tree.dpi()) {
            tree.changeDpi(dpi);
        }
        const int s = scaled(TTreeList::kScrollBarSize, dpi);
        TRasterCanvas& canvas = paint(scaled(300, dpi), scaled(150, dpi));
        rastertest::TPngOnFailure keep(canvas, std::to_string(dpi));
        const int w = canvas.width();
        const int h = canvas.height();
        const int header = scaled(24, dpi);
        struct TGlyph {
            const char* name;
            TRect area;
            TColor color;
            bool sideways;
            bool tipFirst; // the tip on the glyph's top or left side
        };
        const TGlyph glyphs[] = {
            {"sort mark", TRect{0, 0, w - s, header}, colors.sortMark, false, true},
            {"up arrow", TRect{w - s, header, w, h / 2}, colors.scrollArrow, false, true},
            {"down arrow", TRect{w - s, h / 2, w, h - s}, colors.scrollArrow, false, false},
            {"left arrow", TRect{0, h - s, w / 2, h}, colors.scrollArrow, true, true},
            {"right arrow", TRect{w / 2, h - s, w - s, h}, colors.scrollArrow, true, false},
        };
        for (const TGlyph& glyph : glyphs) {
            SCOPED_TRACE(glyph.name);
            const TRect box = boundsOf(canvas, glyph.area, glyph.color);
            const int across = scaled(7, dpi);
            const int along = scaled(4, dpi);
            EXPECT_EQ(glyph.sideways ? along : across, box.width());
            EXPECT_EQ(glyph.sideways ? across : along, box.height());
            // The tip is the design's middle pixel (3 to 4, scaled); the base the whole glyph.
            const TRect first = glyph.sideways ? TRect{box.left, box.top, box.left + 1, box.bottom}
                                               : TRect{box.left, box.top, box.right, box.top + 1};
            const TRect last = glyph.sideways ? TRect{box.right - 1, box.top, box.right, box.bottom}
                                              : TRect{box.left, box.bottom - 1, box.right, box.bottom};
            EXPECT_EQ(scaled(4, dpi) - scaled(3, dpi),
                      countOf(canvas, glyph.tipFirst ? first : last, glyph.color));
            EXPECT_EQ(across, countOf(canvas, glyph.tipFirst ? last : first, glyph.color));
        }
    }
}
