#include "platform/Utf16.h"

namespace plat {

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

std::string encodeUtf16Le(const std::wstring& text) {
    std::string bytes;
    for (char16_t unit : toUtf16Units(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

} // namespace plat
