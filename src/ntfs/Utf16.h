#pragma once
// UTF-16LE as byte formats carry it (the backup stream, NTFS names), decoded explicitly so that the
// same code is right where wchar_t has 32 bits. There a valid surrogate pair becomes one character and
// an unpaired surrogate stays as it is, so a name survives the round trip unchanged.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ntfs {

// Appends the units to any wide string (one with its own allocator too).
template <typename String> void appendUtf16Le(String& text, const std::uint8_t* bytes, std::size_t units) {
    text.reserve(text.size() + units);
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit = bytes[2 * i] | (static_cast<std::uint32_t>(bytes[2 * i + 1]) << 8);
        if constexpr (sizeof(wchar_t) > 2) {
            if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
                const std::uint32_t low =
                    bytes[2 * i + 2] | (static_cast<std::uint32_t>(bytes[2 * i + 3]) << 8);
                if (low >= 0xDC00 && low < 0xE000) {
                    text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
                    ++i;
                    continue;
                }
            }
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
}

std::wstring decodeUtf16Le(const std::uint8_t* bytes, std::size_t units);
std::string encodeUtf16Le(const std::wstring& text);
// The text as UTF-16 code units (a character past U+FFFF as its surrogate pair).
std::u16string toUtf16Units(const std::wstring& text);
// Compares two texts unit by unit as UTF-16 (a character past U+FFFF as its surrogate pair, so it
// sorts before U+E000..U+FFFF as it does on Windows); <0, 0 or >0.
int compareUtf16Units(std::wstring_view a, std::wstring_view b);

} // namespace ntfs
