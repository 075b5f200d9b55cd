// The two panels: constructor values, which writes request a repaint, the bands and borders (the
// program's pAlert and SEPanel1) and the caption.

#include "StyledFixture.h"
#include "ui/styled/SEAdvPanel.h"
#include "ui/styled/SEPanel.h"

#include <functional>
#include <vector>

using plat::headless::THeadlessPeer;
using plat::headless::TRasterCanvas;
using rastertest::countOf;
using rastertest::regionIs;
using rastertest::TPngOnFailure;

namespace {

constexpr TColor kDefault = hexColor(0x303030);
constexpr TColor kFontColour = hexColor(0xDCDCDC);
constexpr TSEBorders kAll = bLeft | bTop | bRight | bBottom;

using PanelTest = StyledTest;

TEST_F(PanelTest, ConstructorValues) {
    TSEAdvPanel adv;
    EXPECT_EQ(adv.backgroundColor(), kDefault);
    EXPECT_EQ(adv.borders(), 0u);
    EXPECT_EQ(adv.caption(), L"");
    EXPECT_EQ(adv.fontColor(), kFontColour);
    EXPECT_TRUE(adv.showCaption());
    for (TColor c :
         {adv.borderLeftColor(), adv.borderRightColor(), adv.borderTopColor(), adv.borderBottomColor()}) {
        EXPECT_EQ(c, kDefault);
    }
    for (int s : {adv.borderLeftSize(), adv.borderRightSize(), adv.borderTopSize(), adv.borderBottomSize()}) {
        EXPECT_EQ(s, 1);
    }
    TSEPanel plain;
    EXPECT_EQ(plain.backgroundColor(), kDefault);
    EXPECT_EQ(plain.borderColor(), kDefault);
    EXPECT_EQ(plain.borders(), 0u);
    EXPECT_EQ(plain.fontColor(), kFontColour);
    EXPECT_TRUE(plain.showCaption());
    EXPECT_EQ(plain.caption(), L"");
    for (const TControl* panel : {static_cast<const TControl*>(&adv), static_cast<const TControl*>(&plain)}) {
        EXPECT_EQ(panel->width(), 100);
        EXPECT_EQ(panel->height(), 100);
        EXPECT_TRUE(panel->acceptsControls());
        EXPECT_EQ(panel->font().name, L"Arial");
        EXPECT_EQ(panel->font().size, 11);
        EXPECT_EQ(panel->font().color, kFontColour);
    }
}

TEST_F(PanelTest, OnlyTheAdvancedBackgroundRequestsARepaint) {
    TSEAdvPanel adv;
    TSEPanel plain;
    THeadlessPeer& advPeer = realise(adv, 100, 100);
    THeadlessPeer& plainPeer = realise(plain, 100, 100);
    struct Case {
        const char* property;
        THeadlessPeer* peer;
        std::function<void()> write;
        bool requests;
    };
    const std::vector<Case> cases = {
        {"adv backgroundColor", &advPeer, [&] { adv.setBackgroundColor(1); }, true},
        {"adv borders", &advPeer, [&] { adv.setBorders(bLeft); }, false},
        {"adv caption", &advPeer, [&] { adv.setCaption(L"x"); }, false},
        {"adv fontColor", &advPeer, [&] { adv.setFontColor(1); }, false},
        {"adv showCaption", &advPeer, [&] { adv.setShowCaption(false); }, false},
        {"adv borderLeftColor", &advPeer, [&] { adv.setBorderLeftColor(1); }, false},
        {"adv borderLeftSize", &advPeer, [&] { adv.setBorderLeftSize(2); }, false},
        {"adv borderRightColor", &advPeer, [&] { adv.setBorderRightColor(1); }, false},
        {"adv borderRightSize", &advPeer, [&] { adv.setBorderRightSize(2); }, false},
        {"adv borderTopColor", &advPeer, [&] { adv.setBorderTopColor(1); }, false},
        {"adv borderTopSize", &advPeer, [&] { adv.setBorderTopSize(2); }, false},
        {"adv borderBottomColor", &advPeer, [&] { adv.setBorderBottomColor(1); }, false},
        {"adv borderBottomSize", &advPeer, [&] { adv.setBorderBottomSize(2); }, false},
        {"backgroundColor", &plainPeer, [&] { plain.setBackgroundColor(1); }, false},
        {"borderColor", &plainPeer, [&] { plain.setBorderColor(1); }, false},
        {"borders", &plainPeer, [&] { plain.setBorders(bTop); }, false},
        {"fontColor", &plainPeer, [&] { plain.setFontColor(1); }, false},
        {"showCaption", &plainPeer, [&] { plain.setShowCaption(false); }, false},
        {"Caption", &plainPeer, [&] { plain.setCaption(L"x"); }, false},
    };
    for (const Case& c : cases) {
        c.peer->resetCounts();
        c.write();
        EXPECT_EQ(c.peer->invalidateCount() > 0, c.requests) << c.property;
        EXPECT_EQ(c.peer->paintCount(), 0) << c.property;
    }
    EXPECT_EQ(plainPeer.text(), L""); // the caption field only, no control text
}

TEST_F(PanelTest, AlertPanelBands) {
    const TColor band = hexColor(0xE81123);
    const TColor back = hexColor(0x2B2B2B);
    TSEAdvPanel panel;
    realise(panel, 200, 50);
    panel.setBackgroundColor(back);
    panel.setBorders(kAll);
    panel.setBorderLeftSize(5);
    for (auto set : {&TSEAdvPanel::setBorderLeftColor, &TSEAdvPanel::setBorderRightColor,
                     &TSEAdvPanel::setBorderTopColor, &TSEAdvPanel::setBorderBottomColor}) {
        (panel.*set)(band);
    }
    TRasterCanvas& surface = painted(panel);
    TPngOnFailure png(surface);
    EXPECT_TRUE(regionIs(surface, {0, 0, 5, 50}, band));
    EXPECT_TRUE(regionIs(surface, {199, 0, 200, 50}, band));
    EXPECT_TRUE(regionIs(surface, {0, 0, 200, 1}, band));
    EXPECT_TRUE(regionIs(surface, {0, 49, 200, 50}, band));
    EXPECT_TRUE(regionIs(surface, {5, 1, 199, 49}, back));
    EXPECT_EQ(surface.unlockedDraws(), 0);
}

TEST_F(PanelTest, TopAndBottomBandsCoverTheCorners) {
    const TColor l = 0x0000F1, r = 0x0000F2, t = 0x0000F3, b = 0x0000F4, back = 0x101010;
    TSEAdvPanel panel;
    realise(panel, 40, 30);
    panel.setBackgroundColor(back);
    panel.setBorders(kAll);
    panel.setBorderLeftColor(l);
    panel.setBorderLeftSize(5);
    panel.setBorderRightColor(r);
    panel.setBorderRightSize(3);
    panel.setBorderTopColor(t);
    panel.setBorderTopSize(2);
    panel.setBorderBottomColor(b);
    panel.setBorderBottomSize(4);
    TRasterCanvas& surface = painted(panel);
    TPngOnFailure png(surface);
    EXPECT_TRUE(regionIs(surface, {0, 0, 40, 2}, t));
    EXPECT_TRUE(regionIs(surface, {0, 26, 40, 30}, b));
    EXPECT_TRUE(regionIs(surface, {0, 2, 5, 26}, l));
    EXPECT_TRUE(regionIs(surface, {37, 2, 40, 26}, r));
    EXPECT_TRUE(regionIs(surface, {5, 2, 37, 26}, back));
}

TEST_F(PanelTest, BandSizesZeroAndWiderThanThePanel) {
    const TColor band = 0x00AA00, back = 0x101010;
    struct Case {
        const char* name;
        TSEBorders borders;
        int size;
        TRect bandArea; // everything else is background
    };
    const Case cases[] = {
        {"left size 0", bLeft, 0, {0, 0, 0, 0}},    {"bottom size 0", bBottom, 0, {0, 0, 0, 0}},
        {"left wider", bLeft, 500, {0, 0, 40, 30}}, {"right wider", bRight, 500, {0, 0, 40, 30}},
        {"top wider", bTop, 500, {0, 0, 40, 30}},   {"bottom wider", bBottom, 500, {0, 0, 40, 30}},
        {"right 3", bRight, 3, {37, 0, 40, 30}},    {"bottom 4", bBottom, 4, {0, 26, 40, 30}},
    };
    for (const Case& c : cases) {
        TSEAdvPanel panel;
        realise(panel, 40, 30);
        panel.setBackgroundColor(back);
        panel.setBorders(c.borders);
        panel.setBorderLeftColor(band);
        panel.setBorderRightColor(band);
        panel.setBorderTopColor(band);
        panel.setBorderBottomColor(band);
        panel.setBorderLeftSize(c.size);
        panel.setBorderRightSize(c.size);
        panel.setBorderTopSize(c.size);
        panel.setBorderBottomSize(c.size);
        TRasterCanvas& surface = painted(panel);
        TPngOnFailure png(surface, c.name);
        EXPECT_TRUE(regionIs(surface, c.bandArea, band)) << c.name;
        EXPECT_EQ(countOf(surface, {0, 0, 40, 30}, band), c.bandArea.width() * c.bandArea.height()) << c.name;
    }
}

TEST_F(PanelTest, PlainPanelBorders) {
    const TColor border = hexColor(0xDADBDC), back = hexColor(0xF5F6F7);
    struct Case {
        const char* name;
        TSEBorders borders;
        int borderPixels;
    };
    // 300 x 38
    const Case cases[] = {
        {"SEPanel1: top only", bTop, 300},
        {"none", 0, 0},
        {"all", kAll, 2 * 300 + 2 * 36},
        {"left and bottom", bLeft | bBottom, 300 + 37},
    };
    for (const Case& c : cases) {
        TSEPanel panel;
        realise(panel, 300, 38);
        panel.setBorders(c.borders);
        panel.setBorderColor(border);
        panel.setBackgroundColor(back);
        TRasterCanvas& surface = painted(panel);
        TPngOnFailure png(surface, c.name);
        EXPECT_EQ(countOf(surface, {0, 0, 300, 38}, border), c.borderPixels) << c.name;
        EXPECT_EQ(countOf(surface, {0, 0, 300, 38}, back), 300 * 38 - c.borderPixels) << c.name;
        if (c.borders == bTop) {
            EXPECT_TRUE(regionIs(surface, {0, 0, 300, 1}, border));
            EXPECT_TRUE(regionIs(surface, {0, 1, 300, 38}, back));
        }
    }
}

TEST_F(PanelTest, CaptionIsCentredInTheFontColourOverATransparentCell) {
    const TColor back = 0x202020, top = 0x0000C0;
    TSEAdvPanel panel;
    realise(panel, 200, 50);
    panel.setBackgroundColor(back);
    panel.setBorders(bTop);
    panel.setBorderTopColor(top); // the last colour the brush held before the caption
    panel.setCaption(L"Hi");
    panel.setFontColor(0x0000FF); // never drawn
    TRasterCanvas& surface = painted(panel);
    TPngOnFailure png(surface);
    // 11 points: cells of 7 x 18, glyph rows 3 to 14; "Hi" is 14 wide from x = 93, from y = 25 - 9.
    EXPECT_TRUE(regionIs(surface, {93, 19, 99, 31}, kFontColour));
    EXPECT_TRUE(regionIs(surface, {100, 19, 106, 31}, kFontColour));
    EXPECT_EQ(countOf(surface, {0, 0, 200, 50}, kFontColour), 2 * 6 * 12);
    EXPECT_EQ(surface.at(99, 20), back); // between the letters: no background of its own
    EXPECT_EQ(surface.at(93, 17), back);
    EXPECT_EQ(countOf(surface, {0, 0, 200, 50}, 0x0000FF), 0);

    TSEPanel plain;
    realise(plain, 200, 50);
    plain.setCaption(L"Hi");
    plain.recolorFont(0x00FF00);
    EXPECT_EQ(countOf(painted(plain), {0, 0, 200, 50}, 0x00FF00), 2 * 6 * 12);

    // No text when the caption is empty or hidden.
    plain.setShowCaption(false);
    EXPECT_EQ(countOf(painted(plain), {0, 0, 200, 50}, kDefault), 200 * 50);
    panel.setCaption(L"");
    EXPECT_EQ(countOf(painted(panel), {0, 0, 200, 50}, kFontColour), 0);
}

TEST_F(PanelTest, PanelsHoldChildControls) {
    TSEAdvPanel panel;
    realise(panel, 200, 50);
    TSEPanel* inner = panel.create<TSEPanel>();
    ASSERT_NE(inner, nullptr);
    EXPECT_TRUE(inner->handleAllocated());
    EXPECT_EQ(peerOf(*inner).parent(), &peerOf(panel));
}

} // namespace
