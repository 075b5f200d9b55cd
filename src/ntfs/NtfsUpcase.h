#pragma once
// NTFS's own upper-case table: the $UpCase that mkntfs writes on a new volume. NTFS compares names
// through it and keeps a folder's entries and a file's named streams ordered by the upper-cased
// names, unit by unit in UTF-16. The table is kept as runs (NtfsUpcaseTable.cpp, written by
// scripts/make_upcase_table.py) and expanded once.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ntfs {

// Units first, first + step, ..., last map to unit + delta (modulo 0x10000).
struct TUpcaseRun {
    char16_t first;
    char16_t last;
    char16_t delta;
    std::uint8_t step;
};

std::span<const TUpcaseRun> ntfsUpcaseRuns();

char16_t ntfsUpcase(char16_t unit);
// A character past U+FFFF (where wchar_t has 32 bits) has no case.
wchar_t ntfsUpper(wchar_t c);
std::wstring ntfsUpper(std::wstring_view text);

// Compares names in NTFS order: the upper-cased names, unit by unit in UTF-16; <0, 0 or >0.
int compareNtfsNames(std::wstring_view a, std::wstring_view b);

} // namespace ntfs
