#include "platform/Calendar.h"

namespace plat {

bool fileTimeToCalendar(const FILETIME& fileTime, SYSTEMTIME& systemTime) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    if (ticks > 0x7FFFFFFFFFFFFFFFULL) {
        return false;
    }
    constexpr std::uint64_t kTicksPerDay = 864000000000ULL;
    const std::uint64_t days = ticks / kTicksPerDay;
    const std::uint64_t inDay = ticks % kTicksPerDay;
    // Civil date from days since 1601-01-01 (proleptic Gregorian, 400-year cycles).
    std::int64_t z = static_cast<std::int64_t>(days) - 134774 + 719468; // days since 0000-03-01
    const std::int64_t era = z / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    systemTime.wYear = static_cast<WORD>(year);
    systemTime.wMonth = static_cast<WORD>(month);
    systemTime.wDay = static_cast<WORD>(day);
    systemTime.wDayOfWeek = static_cast<WORD>((days + 1) % 7); // 1601-01-01 was a Monday
    systemTime.wHour = static_cast<WORD>(inDay / 36000000000ULL);
    systemTime.wMinute = static_cast<WORD>(inDay / 600000000ULL % 60);
    systemTime.wSecond = static_cast<WORD>(inDay / 10000000ULL % 60);
    systemTime.wMilliseconds = static_cast<WORD>(inDay / 10000ULL % 1000);
    return true;
}

} // namespace plat
