// The progress bar: constructor values, the fill in whole percents for ordinary and odd values
// (above max, max 0 or less, very large positions), the frame, and what paints when.

#include "StyledFixture.h"
#include "ui/styled/SEProgressBar.h"

#include <cstdint>
#include <limits>
#include <string>

using plat::headless::THeadlessPeer;
using plat::headless::TRasterCanvas;
using rastertest::countOf;
using rastertest::regionIs;
using rastertest::TPngOnFailure;

namespace {

constexpr TColor kFrame = hexColor(0xFF0000);
constexpr TColor kBack = hexColor(0x000000);
constexpr TColor kProgress = hexColor(0x00FF00);

using ProgressBarTest = StyledTest;

TEST_F(ProgressBarTest, ConstructorValues) {
    TSEProgressBar bar;
    EXPECT_EQ(bar.progressColor(), kProgress);
    EXPECT_EQ(bar.position(), 50);
    EXPECT_EQ(bar.max(), 100);
    EXPECT_EQ(bar.borders(), 0u);
    EXPECT_EQ(bar.borderColor(), kFrame);
    EXPECT_EQ(bar.backgroundColor(), kBack);
    EXPECT_EQ(bar.width(), 200);
    EXPECT_EQ(bar.height(), 4);
    EXPECT_FALSE(bar.acceptsControls());
}

TEST_F(ProgressBarTest, FillsWholePercentsInsideAFullFrame) {
    constexpr std::int64_t kBig = std::numeric_limits<std::int64_t>::max();
    struct Case {
        const char* name;
        int width;
        std::int64_t position;
        std::int64_t max;
        int fill; // progress columns 1 .. fill (at most width - 2)
    };
    const Case cases[] = {
        {"600 of 1200 at 291 pixels", 291, 600, 1200, 145},
        {"19 of 1000 is 1 percent", 200, 19, 1000, 2},
        {"0", 200, 0, 100, 0},
        {"equal to max", 200, 100, 100, 198},
        {"above max", 200, 250, 100, 198},
        {"max 0", 200, 5, 0, 0},
        {"max negative", 200, 5, -10, 0},
        {"negative position", 200, -5, 100, 0},
        {"largest position", 200, kBig, 3, 198},
        {"large values", 200, 300'000'000'000'000'000, 400'000'000'000'000'000, 150},
    };
    for (const Case& c : cases) {
        TSEProgressBar bar;
        THeadlessPeer& peer = realise(bar, c.width, 6);
        bar.setBorders(bBottom); // the frame shows on all four sides all the same
        bar.setMax(c.max);
        bar.setPosition(c.position);
        TRasterCanvas& surface = peer.surface();
        TPngOnFailure png(surface, c.name);
        const int w = c.width;
        EXPECT_EQ(peer.paintCount(), 1) << c.name;
        EXPECT_EQ(countOf(surface, {0, 0, w, 6}, kFrame), 2 * w + 2 * 4) << c.name;
        EXPECT_TRUE(regionIs(surface, {0, 0, w, 1}, kFrame)) << c.name;
        EXPECT_TRUE(regionIs(surface, {0, 5, w, 6}, kFrame)) << c.name;
        EXPECT_TRUE(regionIs(surface, {1, 1, 1 + c.fill, 5}, kProgress)) << c.name;
        EXPECT_TRUE(regionIs(surface, {1 + c.fill, 1, w - 1, 5}, kBack)) << c.name;
        EXPECT_EQ(countOf(surface, {0, 0, w, 6}, kProgress), 4 * c.fill) << c.name;
        EXPECT_EQ(surface.unlockedDraws(), 0) << c.name;
    }
}

TEST_F(ProgressBarTest, OnlyPositionPaintsAtOnce) {
    TSEProgressBar bar;
    THeadlessPeer& peer = realise(bar, 100, 4);
    bar.setMax(1000);
    bar.setProgressColor(0x123456);
    bar.setBorderColor(0x123457);
    bar.setBackgroundColor(0x123458);
    bar.setBorders(bLeft | bTop | bRight | bBottom);
    EXPECT_EQ(peer.invalidateCount(), 0);
    EXPECT_EQ(peer.paintCount(), 0);
    bar.setPosition(500);
    EXPECT_EQ(peer.paintCount(), 1);
    EXPECT_EQ(peer.invalidateCount(), 0);
    EXPECT_EQ(peer.surface().at(50, 1), 0x123456u);
    EXPECT_EQ(peer.surface().at(51, 1), 0x123458u);
}

} // namespace
