#include "ntfs/NtfsUpcase.h"

#include "ntfs/Utf16.h"

#include <array>

namespace ntfs {

namespace {

using TTable = std::array<char16_t, 0x10000>;

TTable expandRuns() {
    TTable table;
    for (std::size_t unit = 0; unit < table.size(); ++unit) {
        table[unit] = static_cast<char16_t>(unit);
    }
    for (const TUpcaseRun& run : ntfsUpcaseRuns()) {
        for (std::uint32_t unit = run.first; unit <= run.last; unit += run.step) {
            table[unit] = static_cast<char16_t>(unit + run.delta);
        }
    }
    return table;
}

const TTable& table() {
    static const TTable expanded = expandRuns();
    return expanded;
}

} // namespace

char16_t ntfsUpcase(char16_t unit) {
    return table()[unit];
}

wchar_t ntfsUpper(wchar_t c) {
    const auto u = static_cast<std::uint32_t>(c);
    return u < 0x10000 ? static_cast<wchar_t>(table()[u]) : c;
}

std::wstring ntfsUpper(std::wstring_view text) {
    std::wstring result(text);
    for (wchar_t& c : result) {
        c = ntfsUpper(c);
    }
    return result;
}

int compareNtfsNames(std::wstring_view a, std::wstring_view b) {
    return compareUtf16Units(ntfsUpper(a), ntfsUpper(b));
}

} // namespace ntfs
