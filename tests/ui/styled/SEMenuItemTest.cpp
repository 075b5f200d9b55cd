// The flat button: constructor values, which writes request a repaint, the three looks and how the
// pointer and buttons move between them, and its pictures (the program's btnAction and btnOk, the
// active bar, the content layout with and without an icon).

#include "StyledFixture.h"
#include "ui/styled/SEMenuItem.h"

#include <functional>
#include <string>
#include <vector>

using plat::headless::THeadlessPeer;
using plat::headless::TRasterCanvas;
using rastertest::countOf;
using rastertest::hex;
using rastertest::regionIs;
using rastertest::TPngOnFailure;

namespace {

// The built-in font at 9 points: cells of 6 x 15 pixels, glyph boxes on rows 3 to 11 of a cell.
constexpr int kCell = 6;
constexpr int kGlyphRow = 3;

constexpr TColor kBorder = hexColor(0x40484F);
constexpr TColor kFill = hexColor(0x55606A);
constexpr TColor kText = hexColor(0xDCDCDC);

// A list of 16-pixel icons; icon i is opaque in colour 0x0000i0 + 1.
TImageList iconList(int count) {
    TImageList list(16, 16);
    for (int i = 0; i < count; ++i) {
        list.add(TBitmap32(16, 16, TRGBA{static_cast<std::uint8_t>(i + 1), 0x80, 0x40, 255}));
    }
    return list;
}
TColor iconColour(int index) {
    return RGBColor(static_cast<std::uint8_t>(index + 1), 0x80, 0x40);
}

using MenuItemTest = StyledTest;

TEST_F(MenuItemTest, ConstructorValues) {
    TSEMenuItem item;
    EXPECT_EQ(item.actionColor(), hexColor(0x000000));
    EXPECT_EQ(item.borderColorAction(), hexColor(0x000000));
    EXPECT_EQ(item.borderColorHover(), hexColor(0x000000));
    EXPECT_FALSE(item.arrow());
    EXPECT_EQ(item.arrowDirection(), atRight);
    EXPECT_EQ(item.arrowHeight(), 8);
    EXPECT_EQ(item.hoverColor(), hexColor(0x5B6A75));
    EXPECT_EQ(item.borderColor(), hexColor(0x40484F));
    EXPECT_EQ(item.backgroundColor(), hexColor(0x55606A));
    EXPECT_EQ(item.activeColor(), hexColor(0x55C5FF));
    EXPECT_EQ(item.borders(), 0u);
    EXPECT_EQ(item.activePosition(), apRight);
    EXPECT_EQ(item.activeWidth(), 8);
    EXPECT_EQ(item.fontColor(), hexColor(0xDCDCDC));
    EXPECT_EQ(item.fontFocusColor(), hexColor(0xDCDCDC));
    EXPECT_EQ(item.fontActiveColor(), hexColor(0xDCDCDC));
    EXPECT_EQ(item.images(), nullptr);
    EXPECT_EQ(item.imageIndex(), -1);
    EXPECT_EQ(item.icoSize(), ico32px);
    EXPECT_EQ(item.iconHeight(), 32);
    EXPECT_EQ(item.imgAlign(), seAlTop);
    EXPECT_FALSE(item.active());
    EXPECT_EQ(item.caption(), L"MenuItem");
    EXPECT_EQ(item.width(), 50);
    EXPECT_EQ(item.height(), 30);
    EXPECT_TRUE(item.acceptsControls());
    EXPECT_EQ(item.font().name, L"Arial");
    EXPECT_EQ(item.font().size, 9);
    EXPECT_EQ(item.font().color, hexColor(0xDCDCDC));
    EXPECT_EQ(item.cursor(), crHandPoint);
}

TEST_F(MenuItemTest, OnlySomeWritesRequestARepaint) {
    TSEMenuItem item;
    THeadlessPeer& peer = realise(item, 50, 30);
    TImageList list(16, 16);
    struct Case {
        const char* property;
        std::function<void()> write;
        bool requests;
    };
    const std::vector<Case> cases = {
        {"actionColor", [&] { item.setActionColor(1); }, true},
        {"borderColorAction", [&] { item.setBorderColorAction(1); }, true},
        {"borderColorHover", [&] { item.setBorderColorHover(1); }, true},
        {"arrow", [&] { item.setArrow(true); }, false},
        {"arrowDirection", [&] { item.setArrowDirection(atDown); }, true},
        {"hoverColor", [&] { item.setHoverColor(1); }, false},
        {"borderColor", [&] { item.setBorderColor(1); }, false},
        {"backgroundColor", [&] { item.setBackgroundColor(1); }, false},
        {"activeColor", [&] { item.setActiveColor(1); }, false},
        {"borders", [&] { item.setBorders(bLeft); }, false},
        {"activePosition", [&] { item.setActivePosition(apLeft); }, false},
        {"activeWidth", [&] { item.setActiveWidth(3); }, false},
        {"fontColor", [&] { item.setFontColor(1); }, false},
        {"fontFocusColor", [&] { item.setFontFocusColor(1); }, false},
        {"fontActiveColor", [&] { item.setFontActiveColor(1); }, false},
        {"images", [&] { item.setImages(&list); }, false},
        {"imageIndex", [&] { item.setImageIndex(4); }, true},
        {"icoSize", [&] { item.setIcoSize(ico24px); }, true},
        {"imgAlign", [&] { item.setImgAlign(seAlLeft); }, false},
        {"active", [&] { item.setActive(true); }, false},
        {"Caption", [&] { item.setCaption(L"Other"); }, false},
    };
    for (const Case& c : cases) {
        peer.resetCounts();
        c.write();
        EXPECT_EQ(peer.invalidateCount() > 0, c.requests) << c.property;
        EXPECT_EQ(peer.paintCount(), 0) << c.property;
    }
    EXPECT_EQ(item.imageIndex(), 4); // kept as a tag even with an empty list
    EXPECT_EQ(peer.text(), L"");     // the button's caption is its own, not the control text
}

TEST_F(MenuItemTest, DerivedHeightsFollowIconSizeAndArrowDirection) {
    TSEMenuItem item;
    const std::pair<TSEButtonIconSize, int> icons[] = {
        {ico16px, 16}, {ico24px, 24}, {ico32px, 32}, {ico48px, 48}};
    for (const auto& [size, pixels] : icons) {
        item.setIcoSize(size);
        EXPECT_EQ(item.iconHeight(), pixels);
    }
    const std::pair<TW7ArrowType, int> arrows[] = {{atDown, 5}, {atUp, 5}, {atLeft, 9}, {atRight, 9}};
    for (const auto& [direction, pixels] : arrows) {
        item.setArrowDirection(direction);
        EXPECT_EQ(item.arrowHeight(), pixels);
    }
}

TEST_F(MenuItemTest, BtnActionPicture) {
    TSEMenuItem item;
    realise(item, 109, 28);
    item.setBorders(bLeft | bTop | bRight | bBottom);
    item.setArrow(true);
    item.setArrowDirection(atDown);
    item.setImgAlign(seAlTop);
    item.setCaption(L"Run Scan");
    TRasterCanvas& surface = painted(item);
    TPngOnFailure png(surface);

    // The outline along every edge.
    EXPECT_TRUE(regionIs(surface, {0, 0, 109, 1}, kBorder));
    EXPECT_TRUE(regionIs(surface, {0, 27, 109, 28}, kBorder));
    EXPECT_TRUE(regionIs(surface, {0, 0, 1, 28}, kBorder));
    EXPECT_TRUE(regionIs(surface, {108, 0, 109, 28}, kBorder));
    // The fill: columns 1 to 107, rows 1 to 26, apart from the caption and the glyph.
    EXPECT_TRUE(regionIs(surface, {1, 1, 108, 10}, kFill));
    EXPECT_TRUE(regionIs(surface, {1, 19, 108, 27}, kFill));
    EXPECT_TRUE(regionIs(surface, {1, 1, 30, 27}, kFill));
    EXPECT_TRUE(regionIs(surface, {98, 1, 108, 27}, kFill));
    // The caption centred: 48 pixels wide from x = 54 - 24 = 30, 15 high from y = 14 - 7 = 7.
    EXPECT_TRUE(regionIs(surface, {30, 7 + kGlyphRow, 30 + kCell - 1, 7 + 12}, kText));
    EXPECT_EQ(countOf(surface, {30, 7, 78, 22}, kText), 7 * 5 * 9); // seven letters and a space
    // The glyph's box at (89, 12): solid top row, mixed ends, the tip mixed twice.
    const TColor once = MixColors(kText, kFill, 222);
    EXPECT_EQ(hex(surface.at(89, 12)), hex(once));
    EXPECT_TRUE(regionIs(surface, {90, 12, 97, 13}, kText));
    EXPECT_EQ(hex(surface.at(97, 12)), hex(once));
    EXPECT_EQ(hex(surface.at(93, 16)), hex(MixColors(kText, once, 222)));
    EXPECT_EQ(surface.at(88, 12), kFill);
    EXPECT_EQ(surface.at(93, 17), kFill);
    // The whole paint ran with the canvas locked.
    EXPECT_EQ(surface.unlockedDraws(), 0);
    EXPECT_EQ(surface.lockDepth(), 0);
}

TEST_F(MenuItemTest, BtnOkPicture) {
    TSEMenuItem item;
    realise(item, 86, 28);
    TImageList list = iconList(12);
    item.setBorders(bLeft | bTop | bRight | bBottom);
    item.setImages(&list);
    item.setImageIndex(11);
    item.setIcoSize(ico16px);
    item.setImgAlign(seAlLeft);
    item.setArrow(true);
    item.setArrowDirection(atRight);
    item.setCaption(L"OK");
    TRasterCanvas& surface = painted(item);
    TPngOnFailure png(surface);

    // The icon at (8, 6).
    EXPECT_TRUE(regionIs(surface, {8, 6, 24, 22}, iconColour(11)));
    EXPECT_EQ(countOf(surface, {0, 0, 86, 28}, iconColour(11)), 256);
    // The caption from x = 31, vertically centred (cell from y = 7).
    EXPECT_TRUE(regionIs(surface, {31, 7 + kGlyphRow, 31 + kCell - 1, 7 + 12}, kText));
    EXPECT_TRUE(regionIs(surface, {24, 1, 31, 27}, kFill));
    // The glyph's box at (70, 10): column 0 solid on rows 1 to 7, mixed ends, tip at (74, 14).
    const TColor once = MixColors(kText, kFill, 222);
    EXPECT_EQ(hex(surface.at(70, 10)), hex(once));
    EXPECT_TRUE(regionIs(surface, {70, 11, 71, 18}, kText));
    EXPECT_EQ(hex(surface.at(70, 18)), hex(once));
    EXPECT_EQ(hex(surface.at(74, 14)), hex(MixColors(kText, once, 222)));
    EXPECT_TRUE(regionIs(surface, {75, 1, 85, 27}, kFill)); // ends at column W - 12
}

TEST_F(MenuItemTest, ContentPlacementWithAndWithoutIcon) {
    TImageList list = iconList(3);
    struct Case {
        const char* name;
        TImageList* images;
        int index;
        TSEAlign align;
        int textLeft;
        int textCellTop;
        bool icon;
        TPoint iconAt;
    };
    // 50 x 60, caption "AB" (12 x 15), icon 16 pixels.
    const Case cases[] = {
        {"top, icon", &list, 2, seAlTop, 19, 23 + 10, true, {17, 14}},
        {"left, icon", &list, 0, seAlLeft, 31, 23, true, {8, 22}},
        {"top, no list", nullptr, 0, seAlTop, 19, 23, false, {}},
        {"left, no list", nullptr, 0, seAlLeft, 0, 23, false, {}},
        {"left, index -1", &list, -1, seAlLeft, 0, 23, false, {}},
        {"left, index = count", &list, 3, seAlLeft, 0, 23, false, {}},
        {"top, index = count", &list, 3, seAlTop, 19, 23, false, {}},
    };
    for (const Case& c : cases) {
        TSEMenuItem item;
        realise(item, 50, 60);
        item.setCaption(L"AB");
        item.setIcoSize(ico16px);
        item.setImages(c.images);
        item.setImageIndex(c.index);
        item.setImgAlign(c.align);
        TRasterCanvas& surface = painted(item);
        TPngOnFailure png(surface, c.name);
        EXPECT_TRUE(regionIs(
            surface, {c.textLeft, c.textCellTop + kGlyphRow, c.textLeft + kCell - 1, c.textCellTop + 12},
            kText))
            << c.name;
        EXPECT_EQ(countOf(surface, {0, 0, 50, 60}, kText), 2 * 5 * 9) << c.name;
        int icons = 0;
        for (int i = 0; i < 3; ++i) {
            icons += countOf(surface, {0, 0, 50, 60}, iconColour(i));
        }
        EXPECT_EQ(icons, c.icon ? 256 : 0) << c.name;
        if (c.icon) {
            EXPECT_TRUE(regionIs(surface, {c.iconAt.x, c.iconAt.y, c.iconAt.x + 16, c.iconAt.y + 16},
                                 iconColour(c.index)))
                << c.name;
        }
    }
}

// At 150 % a button designed for 16-pixel icons draws the 24-pixel pictures its list holds for that
// scale: the picture is centred on its own size, not on the design's. 75 x 90 (50 x 60 scaled).
TEST_F(MenuItemTest, IconCentredOnThePictureDrawnForTheDpi) {
    TImageList list(24, 24);
    list.add(TBitmap32(24, 24, TRGBA{1, 0x80, 0x40, 255}));
    const struct {
        const char* name;
        TSEAlign align;
        TPoint iconAt;
    } cases[] = {
        {"left", seAlLeft, {12, 45 - 12}},         // 8 design pixels in, centred down the button
        {"top", seAlTop, {37 - 12, 45 - 12 - 12}}, // centred across, 8 design pixels above the middle
    };
    for (const auto& c : cases) {
        TSEMenuItem item;
        item.changeDpi(144);
        realise(item, 75, 90);
        item.setCaption(L"AB");
        item.setIcoSize(ico16px);
        item.setImages(&list);
        item.setImageIndex(0);
        item.setImgAlign(c.align);
        TRasterCanvas& surface = painted(item);
        TPngOnFailure png(surface, c.name);
        EXPECT_EQ(countOf(surface, {0, 0, 75, 90}, iconColour(0)), 24 * 24) << c.name;
        EXPECT_TRUE(
            regionIs(surface, {c.iconAt.x, c.iconAt.y, c.iconAt.x + 24, c.iconAt.y + 24}, iconColour(0)))
            << c.name;
    }
}

TEST_F(MenuItemTest, ActiveBarWidths) {
    const TColor bar = hexColor(0x55C5FF);
    const TSEBorders all = bLeft | bTop | bRight | bBottom;
    struct Case {
        const char* name;
        TSEBorders borders;
        TSEActivePos position;
        int first;
        int last;
    };
    const Case cases[] = {
        {"right with bRight", all, apRight, 41, 49},              // activeWidth + 1
        {"right without bRight", all & ~bRight, apRight, 42, 49}, // activeWidth
        {"right without borders", 0, apRight, 42, 49},
        {"left", all, apLeft, 0, 7},
    };
    for (const Case& c : cases) {
        TSEMenuItem item;
        realise(item, 50, 30);
        item.setCaption(L"");
        item.setBorders(c.borders);
        item.setActivePosition(c.position);
        item.setActive(true);
        TRasterCanvas& surface = painted(item);
        TPngOnFailure png(surface, c.name);
        // Over the full height, covering the top and bottom borders along its width.
        EXPECT_TRUE(regionIs(surface, {c.first, 0, c.last + 1, 30}, bar)) << c.name;
        EXPECT_EQ(countOf(surface, {0, 0, 50, 30}, bar), (c.last - c.first + 1) * 30) << c.name;
    }
}

TEST_F(MenuItemTest, LooksFollowPointerAndLeftButton) {
    const TColor restLine = 0x000001, restFill = 0x000002, hoverLine = 0x000003, hoverFill = 0x000004,
                 pressLine = 0x000005, pressFill = 0x000006;
    TSEMenuItem item;
    THeadlessPeer& peer = realise(item, 50, 30);
    item.setCaption(L"");
    item.setBorders(bLeft | bTop | bRight | bBottom);
    item.setBorderColor(restLine);
    item.setBackgroundColor(restFill);
    item.setBorderColorHover(hoverLine);
    item.setHoverColor(hoverFill);
    item.setBorderColorAction(pressLine);
    item.setActionColor(pressFill);
    int clicks = 0;
    int enters = 0;
    item.OnClick = [&](TControl*) { ++clicks; };
    item.OnMouseEnter = [&](TControl*) { ++enters; };
    item.OnMouseLeave = [&](TControl*) { ++enters; };
    TRasterCanvas& surface = peer.surface();
    TPngOnFailure png(surface);
    auto look = [&] { return std::make_pair(surface.at(0, 0), surface.at(25, 15)); };
    using Look = std::pair<TColor, TColor>;
    item.paintNow();
    EXPECT_EQ(look(), Look(restLine, restFill));

    // Entering paints the hover look at once, without a repaint request.
    peer.resetCounts();
    peer.mouseEnter();
    peer.mouseMove(10, 10);
    EXPECT_EQ(peer.paintCount(), 1);
    EXPECT_EQ(peer.invalidateCount(), 0);
    EXPECT_EQ(look(), Look(hoverLine, hoverFill));
    EXPECT_TRUE(item.hovered());

    // A right press changes nothing.
    peer.mouseDown(TMouseButton::mbRight, 10, 10);
    backend.paintCycle();
    EXPECT_EQ(look(), Look(hoverLine, hoverFill));
    EXPECT_FALSE(item.leftButtonPressed());
    EXPECT_FALSE(item.action());
    peer.mouseUp(TMouseButton::mbRight, 10, 10);

    // A left press requests a repaint; the pressed look shows at the paint cycle.
    peer.resetCounts();
    peer.mouseDown(TMouseButton::mbLeft, 10, 10);
    EXPECT_EQ(peer.paintCount(), 0);
    EXPECT_TRUE(peer.repaintRequested());
    EXPECT_EQ(backend.paintCycle(), 1);
    EXPECT_EQ(look(), Look(pressLine, pressFill));

    // Leaving while held keeps the pressed look; releasing outside returns to rest, without a click.
    peer.mouseLeave();
    EXPECT_EQ(look(), Look(pressLine, pressFill));
    EXPECT_FALSE(item.hovered());
    peer.mouseUp(TMouseButton::mbLeft, 70, 10);
    EXPECT_TRUE(peer.repaintRequested());
    backend.paintCycle();
    EXPECT_EQ(look(), Look(restLine, restFill));
    EXPECT_EQ(clicks, 0);

    // A full click over the button.
    peer.click(10, 10);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(enters, 0); // the button's own enter and leave raise no events
}

TEST_F(MenuItemTest, DisabledButtonPaintsAlikeAndTakesNoClick) {
    TSEMenuItem item;
    THeadlessPeer& peer = realise(item, 50, 30);
    item.setBorders(bLeft | bTop);
    item.setArrow(true);
    item.setCaption(L"");
    const TRasterCanvas enabled = painted(item);
    int clicks = 0;
    item.OnClick = [&](TControl*) { ++clicks; };
    item.setEnabled(false);
    EXPECT_TRUE(peer.repaintRequested());
    EXPECT_EQ(painted(item).at(25, 15), enabled.at(25, 15));
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 50; ++x) {
            ASSERT_EQ(peer.surface().at(x, y), enabled.at(x, y)) << x << "," << y;
        }
    }
    // The hover look still shows; presses do not reach the button.
    peer.mouseEnter();
    EXPECT_EQ(peer.surface().at(25, 15), item.hoverColor());
    peer.mouseDown(TMouseButton::mbLeft, 5, 5);
    backend.paintCycle();
    EXPECT_EQ(peer.surface().at(25, 15), item.hoverColor());
    peer.mouseUp(TMouseButton::mbLeft, 5, 5);
    peer.mouseLeave();
    EXPECT_EQ(peer.surface().at(25, 15), kFill);
    EXPECT_EQ(clicks, 0);
}

TEST_F(MenuItemTest, PressedLookEndsWhenTheReleaseCannotCome) {
    struct Case {
        const char* name;
        std::function<void(TSEMenuItem&, THeadlessPeer&)> interrupt;
    };
    const Case cases[] = {
        {"disabled while held",
         [](TSEMenuItem& item, THeadlessPeer& peer) {
             item.setEnabled(false);
             peer.mouseUp(TMouseButton::mbLeft, 5, 5); // not delivered to a disabled control
             item.setEnabled(true);
         }},
        {"focus lost while held", [this](TSEMenuItem&, THeadlessPeer&) { backend.moveFocus(nullptr); }},
    };
    for (const Case& c : cases) {
        TSEMenuItem item;
        THeadlessPeer& peer = realise(item, 50, 30);
        item.setCaption(L"");
        item.setFocus();
        peer.mouseDown(TMouseButton::mbLeft, 5, 5);
        ASSERT_TRUE(item.action()) << c.name;
        c.interrupt(item, peer);
        EXPECT_FALSE(item.action()) << c.name;
        EXPECT_FALSE(item.leftButtonPressed()) << c.name;
        EXPECT_TRUE(peer.repaintRequested()) << c.name;
        backend.paintCycle();
        EXPECT_EQ(peer.surface().at(25, 15), kFill) << c.name;
    }
}

TEST_F(MenuItemTest, TextColourComesFromTheFontNotFromFontColor) {
    TSEMenuItem item;
    THeadlessPeer& peer = realise(item, 80, 30);
    item.setCaption(L"A");
    item.setArrow(true);
    item.setFontColor(0x0000FF);
    TRasterCanvas& surface = painted(item);
    TPngOnFailure png(surface);
    EXPECT_EQ(countOf(surface, {0, 0, 80, 30}, 0x0000FF), 0);

    peer.resetCounts();
    item.recolorFont(0x00FF00);
    EXPECT_TRUE(peer.repaintRequested());
    painted(item);
    EXPECT_EQ(countOf(surface, {0, 0, 60, 30}, 0x00FF00), 5 * 9); // the caption
    EXPECT_EQ(countOf(surface, {60, 0, 80, 30}, 0x00FF00), 16);   // the glyph's solid pixels
    EXPECT_EQ(countOf(surface, {0, 0, 80, 30}, kText), 0);
}

TEST_F(MenuItemTest, FlatCasesDrawNothingButTheFill) {
    struct Case {
        const char* name;
        std::function<void(TSEMenuItem&)> setUp;
    };
    const Case cases[] = {
        {"no borders, empty caption", [](TSEMenuItem& item) { item.setCaption(L""); }},
        {"arrow off whatever its direction",
         [](TSEMenuItem& item) {
             item.setCaption(L"");
             item.setArrowDirection(atDown);
         }},
        {"glyph in the fill's colour",
         [](TSEMenuItem& item) {
             item.setCaption(L"");
             item.setArrow(true);
             item.recolorFont(kFill);
         }},
    };
    for (const Case& c : cases) {
        TSEMenuItem item;
        realise(item, 50, 30);
        c.setUp(item);
        TRasterCanvas& surface = painted(item);
        TPngOnFailure png(surface, c.name);
        EXPECT_TRUE(regionIs(surface, {0, 0, 50, 30}, kFill)) << c.name;
    }
}

TEST_F(MenuItemTest, DefaultGlyphHeightCentresLikeNine) {
    TSEMenuItem item;
    realise(item, 50, 30);
    item.setCaption(L"");
    item.setArrow(true);
    const TRasterCanvas before = painted(item);
    // Box at (34, 15 - 8 div 2 = 11): column 0 solid from row 12.
    EXPECT_EQ(before.at(34, 12), kText);
    EXPECT_EQ(before.at(34, 11), MixColors(kText, kFill, 222));
    item.setArrowDirection(atRight);
    const TRasterCanvas& after = painted(item);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 50; ++x) {
            ASSERT_EQ(after.at(x, y), before.at(x, y)) << x << "," << y;
        }
    }
}

} // namespace
