#pragma once
// NTFS and Windows file times (100 ns ticks since 1601-01-01 UTC) as ISO 8601 text with every digit
// they hold.

#include <cstdint>
#include <string>

namespace report {

// "2024-05-01T12:34:56.1234567Z". Every 64-bit value has its text (the years after 9999 too).
std::string isoTicks(std::uint64_t ticks);

} // namespace report
