// The tree-list looks the same through GDI as on the raster canvas: a small tree with its header,
// sort mark, tree lines, buttons, check boxes in their three states, grey cells, grid lines,
// selection frame and scroll bars is painted on both and compared pixel by pixel. The texts are
// left empty, since GDI draws them with the real fonts.

#include "platform/headless/RasterCanvas.h"
#include "platform/win32/Win32Canvas.h"
#include "platform/win32/Win32Gdi.h"
#include "toolkit/RasterExpect.h"
#include "toolkit/TreeList.h"

#include <gtest/gtest.h>

using plat::headless::TRasterCanvas;
using plat::win32::TGdiBitmap;
using plat::win32::TGdiCanvas;
using rastertest::hex;

namespace {

constexpr int kWidth = 260;
constexpr int kHeight = 140;

// A tree that can be painted on any canvas.
class TPaintableTree : public TTreeList {
public:
    using TTreeList::paint;
};

void build(TPaintableTree& tree) {
    tree.setBounds(0, 0, kWidth, kHeight);
    tree.setDefaultNodeHeight(17);
    tree.addColumn(TTreeColumn{L"", 150});
    tree.addColumn(TTreeColumn{L"", 60, 10, TColumnAlignment::taRightJustify});
    tree.addColumn(TTreeColumn{L"", 56, 10, TColumnAlignment::taLeftJustify, true});
    tree.OnInitNode = [](TTreeList* sender, TTreeNode* node) {
        sender->setCheckType(node, sender->getNodeLevel(node) == 0 ? TCheckType::ctTriStateCheckBox
                                                                   : TCheckType::ctCheckBox);
        sender->setCheckState(node, TCheckState::csCheckedNormal);
    };
    tree.OnBeforeCellPaint = [](TTreeList* sender, TCanvas& canvas, TTreeNode* node, int, const TRect& cell) {
        if (sender->getNodeLevel(node) > 0) {
            canvas.brush().setColor(hexColor(0xF7F7F7));
            canvas.FillRect(cell);
        }
    };
    for (int f = 0; f < 6; ++f) {
        TTreeNode* file = tree.addChild(nullptr);
        for (int s = 0; s < 2; ++s) {
            tree.addChild(file);
        }
        if (f < 2) {
            tree.setExpanded(file, true);
        }
    }
    tree.setCheckState(tree.getFirstChild(tree.getFirst()), TCheckState::csUncheckedNormal); // mixed
    tree.setCheckState(tree.getLastChild(nullptr), TCheckState::csUncheckedNormal);
    tree.setFocusedNode(tree.getNext(tree.getFirst()));
    tree.setSortColumn(2);
    tree.setOffsetX(8); // both scroll bars show; scrolled a little to the right
}

} // namespace

TEST(TreeListGdi, PaintsThroughGdiAsOnTheRasterCanvas) {
    TPaintableTree onRaster;
    TPaintableTree onGdi;
    build(onRaster);
    build(onGdi);
    ASSERT_TRUE(onRaster.verticalScrollBarVisible());
    ASSERT_TRUE(onRaster.horizontalScrollBarVisible());

    TRasterCanvas raster(kWidth, kHeight, hexColor(0xFF00FF));
    onRaster.paint(raster);
    TGdiBitmap bitmap{kWidth, kHeight};
    ASSERT_TRUE(bitmap.valid());
    TGdiCanvas gdi{bitmap.dc(), kWidth, kHeight};
    gdi.brush().setColor(hexColor(0xFF00FF));
    gdi.FillRect(TRect{0, 0, kWidth, kHeight});
    onGdi.paint(gdi);

    TRasterCanvas copy(kWidth, kHeight);
    int differing = 0;
    TPoint first;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            copy.setPixel(x, y, bitmap.pixel(x, y));
            if (copy.at(x, y) != raster.at(x, y) && differing++ == 0) {
                first = TPoint{x, y};
            }
        }
    }
    rastertest::TPngOnFailure keepGdi(copy, "gdi");
    rastertest::TPngOnFailure keepRaster(raster, "raster");
    EXPECT_EQ(0, differing) << "first at (" << first.x << ", " << first.y << "): GDI "
                            << hex(copy.at(first.x, first.y)) << ", raster "
                            << hex(raster.at(first.x, first.y));
    EXPECT_EQ(0, rastertest::countOf(raster, TRect{0, 0, kWidth, kHeight}, hexColor(0xFF00FF)))
        << "the paint covers the whole control";
    const TTreeColors& colors = onRaster.colors();
    for (TColor part : {colors.checkMark, colors.treeLine, colors.button, colors.scrollThumb, colors.sortMark,
                        colors.selectionFrameUnfocused, hexColor(0xF7F7F7)}) {
        EXPECT_GT(rastertest::countOf(raster, TRect{0, 0, kWidth, kHeight}, part), 5)
            << hex(part) << " shows";
    }
}
