#pragma once
// FileTimeToSystemTime's arithmetic, for the file services implementations that are not Windows.

#include "platform/WinTypes.h"

namespace plat {

// The UTC calendar time of a file time (100-ns ticks since 1601-01-01); false for a time with the
// top bit set, which Windows refuses.
bool fileTimeToCalendar(const FILETIME& fileTime, SYSTEMTIME& systemTime);

} // namespace plat
