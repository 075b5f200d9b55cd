#include "report/FileTimes.h"

#include <cstdio>

namespace report {

namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kDaysFrom1601To1970 = 134'774;

// The proleptic Gregorian date of a day counted from 1970-01-01 (days may be negative).
void civilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719'468; // from 0000-03-01
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146'097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153; // March is 0
    day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

} // namespace

std::string isoTicks(std::uint64_t ticks) {
    const std::uint64_t seconds = ticks / kTicksPerSecond;
    const auto fraction = static_cast<unsigned>(ticks % kTicksPerSecond);
    const auto secondOfDay = static_cast<unsigned>(seconds % 86'400);
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civilFromDays(static_cast<std::int64_t>(seconds / 86'400) - kDaysFrom1601To1970, year, month, day);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02u:%02u:%02u.%07uZ",
                  static_cast<long long>(year), month, day, secondOfDay / 3600, secondOfDay / 60 % 60,
                  secondOfDay % 60, fraction);
    return buffer;
}

} // namespace report
