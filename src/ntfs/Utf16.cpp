#include "ntfs/Utf16.h"

namespace ntfs {

std::wstring decodeUtf16Le(const std::uint8_t* bytes, std::size_t units) {
    std::wstring text;
    appendUtf16Le(text, bytes, units);
    return text;
}

std::u16string toUtf16Units(const std::wstring& text) {
    std::u16string units;
    units.reserve(text.size());
    for (wchar_t c : text) {
        const auto u = static_cast<std::uint32_t>(c);
        if (u > 0xFFFF) {
            units.push_back(static_cast<char16_t>(0xD800 + ((u - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((u - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(u));
        }
    }
    return units;
}

namespace {

// The units of a text from a position, as UTF-16.
class TUnitReader {
public:
    explicit TUnitReader(std::wstring_view text, std::size_t at) : FText(text), FAt(at) {}
    bool done() const { return FAt >= FText.size() && !FLow; }
    std::uint32_t next() {
        if (FLow) {
            const std::uint32_t low = FLow;
            FLow = 0;
            return low;
        }
        const auto u = static_cast<std::uint32_t>(FText[FAt++]);
        if (u > 0xFFFF) {
            FLow = 0xDC00 + ((u - 0x10000) & 0x3FF);
            return 0xD800 + ((u - 0x10000) >> 10);
        }
        return u;
    }

private:
    std::wstring_view FText;
    std::size_t FAt;
    std::uint32_t FLow = 0;
};

} // namespace

int compareUtf16Units(std::wstring_view a, std::wstring_view b) {
    // Equal characters are equal units, so the common start is skipped character by character.
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) {
        ++at;
    }
    TUnitReader left(a, at);
    TUnitReader right(b, at);
    while (!left.done() && !right.done()) {
        const std::uint32_t x = left.next();
        const std::uint32_t y = right.next();
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return left.done() ? (right.done() ? 0 : -1) : 1;
}

std::string encodeUtf16Le(const std::wstring& text) {
    std::string bytes;
    for (char16_t unit : toUtf16Units(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

} // namespace ntfs
