#include "platform/ShownName.h"

#include <cstdint>

namespace plat {

namespace {

bool refusedByWin32(wchar_t c) {
    const auto unit = static_cast<std::uint32_t>(c);
    if (unit < 0x20) {
        return true;
    }
    switch (c) {
    case L'<':
    case L'>':
    case L':':
    case L'"':
    case L'/':
    case L'\\':
    case L'|':
    case L'?':
    case L'*':
        return true;
    default:
        return false;
    }
}

bool onlyDots(std::wstring_view name) {
    return name == L"." || name == L"..";
}

int hexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

void appendEscaped(std::wstring& out, wchar_t c) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    const auto unit = static_cast<unsigned>(c);
    out += kNameEscape;
    out += kDigits[(unit >> 4) & 0xF];
    out += kDigits[unit & 0xF];
}

} // namespace

std::wstring shownName(std::wstring_view name) {
    const bool dots = onlyDots(name);
    std::wstring shown;
    shown.reserve(name.size());
    for (const wchar_t c : name) {
        if (refusedByWin32(c) || dots) {
            appendEscaped(shown, c);
        } else {
            shown += c;
        }
    }
    return shown;
}

std::optional<std::wstring> trueName(std::wstring_view shown) {
    std::wstring name;
    name.reserve(shown.size());
    bool escapedDot = false;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] != kNameEscape) {
            if (refusedByWin32(shown[i])) {
                return std::nullopt; // not a shown name: the character would have been escaped
            }
            name += shown[i];
            continue;
        }
        if (shown.size() - i < 3) {
            return std::nullopt;
        }
        const int upper = hexValue(shown[i + 1]);
        const int lower = hexValue(shown[i + 2]);
        if (upper < 0 || lower < 0) {
            return std::nullopt;
        }
        const auto c = static_cast<wchar_t>(upper << 4 | lower);
        if (c == L'.') {
            escapedDot = true;
        } else if (!refusedByWin32(c)) {
            return std::nullopt;
        }
        name += c;
        i += 2;
    }
    // The dots are escaped only in "." and "..", and there each one.
    if (escapedDot != onlyDots(name) || (escapedDot && shownName(name) != shown)) {
        return std::nullopt;
    }
    return name;
}

bool holdsEscapedName(std::wstring_view path) {
    return path.find(kNameEscape) != std::wstring_view::npos;
}

} // namespace plat
