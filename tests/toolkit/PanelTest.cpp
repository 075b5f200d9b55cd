// What the plain and gradient panels, the shape and the picture paint, and how containers place
// aligned and anchored children.

#include "toolkit/Image.h"
#include "toolkit/Panel.h"
#include "toolkit/Shape.h"

#include "toolkit/PngSamples.h"
#include "toolkit/WidgetFixture.h"

using rastertest::countOf;
using rastertest::hex;
using rastertest::regionIs;
using rastertest::TPngOnFailure;

namespace {
using PanelTest = WidgetTest;
} // namespace

TEST_F(PanelTest, PlainPanelFillsWithItsColourAndDrawsItsBevelAndCaption) {
    TPanel panel;
    realise(panel, 40, 30);
    panel.setColor(hexColor(0x336699));
    panel.setBevelOuter(bvNone);
    {
        auto& surface = painted(panel);
        TPngOnFailure keep(surface, "none");
        EXPECT_TRUE(regionIs(surface, panel.clientRect(), hexColor(0x336699)));
    }
    panel.setBevelOuter(bvRaised);
    {
        auto& surface = painted(panel);
        TPngOnFailure keep(surface, "raised");
        EXPECT_TRUE(regionIs(surface, TRect{0, 0, 39, 1}, clWhite));
        EXPECT_TRUE(regionIs(surface, TRect{0, 0, 1, 29}, clWhite));
        EXPECT_TRUE(regionIs(surface, TRect{39, 0, 40, 30}, hexColor(0xA0A0A0)));
        EXPECT_TRUE(regionIs(surface, TRect{0, 29, 40, 30}, hexColor(0xA0A0A0)));
        EXPECT_TRUE(regionIs(surface, TRect{1, 1, 39, 29}, hexColor(0x336699)));
    }
    panel.setBevelOuter(bvNone);
    TFont font;
    font.color = hexColor(0xFF0000);
    panel.setFont(font);
    panel.setCaption(L"X"); // one 5 x 13 cell, centred
    auto& surface = painted(panel);
    EXPECT_GT(countOf(surface, TRect{17, 8, 23, 22}, hexColor(0xFF0000)), 0);
    EXPECT_EQ(countOf(surface, TRect{0, 0, 15, 30}, hexColor(0xFF0000)), 0);
}

TEST_F(PanelTest, GradientPanelRunsFromItsStartColourAtTheTopToItsEndColourAtTheBottom) {
    TW7Panel panel;
    realise(panel, 10, 101);
    panel.setStartColor(hexColor(0xFFFFFF));
    panel.setEndColor(hexColor(0x204060));
    auto& surface = painted(panel);
    TPngOnFailure keep(surface);
    EXPECT_TRUE(regionIs(surface, TRect{0, 0, 10, 1}, hexColor(0xFFFFFF)));
    EXPECT_TRUE(regionIs(surface, TRect{0, 100, 10, 101}, hexColor(0x204060)));
    // Half-way: the mean of the two, a half rounded toward the end colour.
    EXPECT_EQ(hex(surface.at(5, 50)), hex(RGBColor(0x8F, 0x9F, 0xAF)));
    for (int y = 1; y < 101; ++y) {
        EXPECT_LE(redOf(surface.at(0, y)), redOf(surface.at(0, y - 1))) << "row " << y;
        EXPECT_EQ(surface.at(9, y), surface.at(0, y)) << "rows are of one colour";
    }
    EXPECT_EQ(panel.surfaceColor(), surface.at(0, 50));
    // One row high: the start colour.
    EXPECT_EQ(TW7Panel::gradientAt(hexColor(0x102030), hexColor(0xFFFFFF), 0, 1), hexColor(0x102030));
}

TEST_F(PanelTest, ShapeDrawsItsFrameInThePenAndItsInsideInTheBrush) {
    TPanel parent;
    parent.setColor(hexColor(0x00FF00));
    realise(parent, 50, 50);
    TShape* frame = parent.create<TShape>();
    frame->setBounds(0, 0, 20, 10);
    frame->setPenColor(hexColor(0xA0AFC3));
    frame->setBrushColor(hexColor(0x0000FF));
    auto& surface = painted(*frame);
    TPngOnFailure keep(surface);
    EXPECT_TRUE(regionIs(surface, TRect{0, 0, 20, 1}, hexColor(0xA0AFC3)));
    EXPECT_TRUE(regionIs(surface, TRect{0, 9, 20, 10}, hexColor(0xA0AFC3)));
    EXPECT_TRUE(regionIs(surface, TRect{0, 0, 1, 10}, hexColor(0xA0AFC3)));
    EXPECT_TRUE(regionIs(surface, TRect{19, 0, 20, 10}, hexColor(0xA0AFC3)));
    EXPECT_TRUE(regionIs(surface, TRect{1, 1, 19, 9}, hexColor(0x0000FF)));
    frame->setBrushStyle(TBrushStyle::bsClear);
    EXPECT_TRUE(regionIs(painted(*frame), TRect{1, 1, 19, 9}, hexColor(0x00FF00)));
    // One pixel high: a line in the pen colour.
    frame->setBounds(0, 0, 20, 1);
    EXPECT_TRUE(regionIs(painted(*frame), TRect{0, 0, 20, 1}, hexColor(0xA0AFC3)));
}

TEST_F(PanelTest, PictureBlendsItsAlphaAndCanBeCentred) {
    TPanel parent;
    parent.setColor(hexColor(0x000000));
    realise(parent, 100, 100);
    TImage* image = parent.create<TImage>();
    image->setBounds(0, 0, 30, 30);
    ASSERT_TRUE(image->loadPng(pngsamples::kRgbKey)); // 3 x 3, the middle pixel clear
    EXPECT_FALSE(image->loadPng({1, 2, 3}));
    EXPECT_EQ(image->picture().width, 3);
    image->setCenter(true);
    auto& surface = painted(*image);
    TPngOnFailure keep(surface);
    // Centred: the picture's top-left at (15 - 1, 15 - 1).
    EXPECT_EQ(surface.at(14, 14), RGBColor(0, 0, 100));
    EXPECT_EQ(surface.at(16, 16), RGBColor(100, 100, 100));
    EXPECT_EQ(surface.at(15, 15), hexColor(0x000000)); // the clear pixel shows the parent
    EXPECT_EQ(surface.at(13, 13), hexColor(0x000000));
}

TEST_F(PanelTest, ContainersKeepAlignedAndAnchoredChildrenInPlace) {
    TPanel panel;
    realise(panel, 200, 100);
    TControl* top = panel.create<TPanel>();
    TControl* client = panel.create<TPanel>();
    TControl* corner = panel.create<TPanel>();
    TControl* stretch = panel.create<TPanel>();
    top->setHeight(30);
    panel.setChildAlign(top, alTop);
    panel.setChildAlign(client, alClient);
    EXPECT_EQ(top->boundsRect(), (TRect{0, 0, 200, 30}));
    EXPECT_EQ(client->boundsRect(), (TRect{0, 30, 200, 100}));

    corner->setBounds(170, 80, 20, 10); // 10 from the right, 10 from the bottom
    panel.setChildAnchors(corner, akRight | akBottom);
    stretch->setBounds(10, 5, 150, 10); // 40 from the right
    panel.setChildAnchors(stretch, akLeft | akTop | akRight);

    panel.setBounds(0, 0, 300, 150);
    EXPECT_EQ(top->boundsRect(), (TRect{0, 0, 300, 30}));
    EXPECT_EQ(client->boundsRect(), (TRect{0, 30, 300, 150}));
    EXPECT_EQ(corner->boundsRect(), (TRect{270, 130, 290, 140}));
    EXPECT_EQ(stretch->boundsRect(), (TRect{10, 5, 260, 15}));

    // A hidden aligned child leaves its room to the others; a removed one is forgotten.
    top->setVisible(false);
    panel.realign();
    EXPECT_EQ(client->boundsRect(), (TRect{0, 0, 300, 150}));
    std::unique_ptr<TControl> gone = panel.removeControl(client);
    EXPECT_EQ(panel.childAlign(gone.get()), alNone);
    panel.setBounds(0, 0, 100, 100);
    EXPECT_EQ(gone->boundsRect(), (TRect{0, 0, 300, 150}));
}
