// File times as ISO 8601 text with all seven digits: the calendar at its edges and every digit kept.

#include "report/FileTimes.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(FileTimes, EveryTickIsWrittenOnItsCalendarDay) {
    const struct {
        std::uint64_t ticks;
        const char* text;
    } cases[] = {
        {0, "1601-01-01T00:00:00.0000000Z"},
        {1, "1601-01-01T00:00:00.0000001Z"},
        {116'444'736'000'000'000 - 1, "1969-12-31T23:59:59.9999999Z"},
        {116'444'736'000'000'000, "1970-01-01T00:00:00.0000000Z"},
        {132'593'079'671'234'567, "2021-03-04T05:06:07.1234567Z"}, // as touch -d sets it through ntfs-3g
        // Leap days: 2000 and 2020 have one, 1900 has none.
        {132'274'080'000'000'000, "2020-02-29T00:00:00.0000000Z"},
        {125'962'560'000'000'000, "2000-02-29T00:00:00.0000000Z"},
        {94'404'960'000'000'000, "1900-02-28T00:00:00.0000000Z"},
        {94'404'960'000'000'000 + 864'000'000'000, "1900-03-01T00:00:00.0000000Z"},
        {2'650'467'743'999'999'999, "9999-12-31T23:59:59.9999999Z"},
        {2'650'467'744'000'000'000, "10000-01-01T00:00:00.0000000Z"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(report::isoTicks(c.ticks), c.text) << c.ticks;
    }
}

} // namespace
