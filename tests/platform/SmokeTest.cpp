#include "platform/WinTypes.h"

#include <gtest/gtest.h>

TEST(WinTypes, MakesSixtyFourBitSizes) {
    EXPECT_EQ(plat::makeInt64(1, 2), (std::int64_t(1) << 32) + 2);
}
