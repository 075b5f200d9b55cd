#pragma once
// UTF-16LE as byte formats carry it (the backup stream, NTFS names), decoded explicitly so that the
// same code is right where wchar_t has 32 bits. There a valid surrogate pair becomes one character and
// an unpaired surrogate stays as it is, so a name survives the round trip unchanged.

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

std::wstring decodeUtf16Le(const std::uint8_t* bytes, std::size_t units);
std::string encodeUtf16Le(const std::wstring& text);
// The text as UTF-16 code units (a character past U+FFFF as its surrogate pair).
std::u16string toUtf16Units(const std::wstring& text);

} // namespace plat
