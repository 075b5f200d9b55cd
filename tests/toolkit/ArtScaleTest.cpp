// The choice of the drawn scale for a window's DPI: the nearest of 100, 150 and 200 %, the smaller
// one half-way between two, and the ends held.

#include "toolkit/ArtScale.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ArtScaleTest, TheNearestDrawnScaleIsChosen) {
    const struct {
        int dpi;
        int scale;
    } cases[] = {
        {INT_MIN, 100}, {-96, 100}, {0, 100},   {72, 100}, // unknown or below the design: as designed
        {96, 100},      {119, 100},                        // 100 % and just above
        {120, 100},                                        // 125 %: half-way, the smaller
        {121, 150},     {144, 150}, {167, 150},            // about 150 %
        {168, 150},                                        // 175 %: half-way, the smaller
        {169, 200},     {192, 200}, {288, 200},            // 200 % and beyond: the largest drawn
        {INT_MAX, 200},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(artScaleFor(c.dpi), c.scale) << c.dpi << " DPI";
    }
}
