#pragma once
// Text as the reports write it. File-system names are UTF-16 and may hold unpaired surrogates, which
// UTF-8 cannot carry; the reports write them as generalised UTF-8 (WTF-8): valid UTF-8 for every valid
// name, and a three-byte form (ED A0 80..ED BF BF) for each unpaired surrogate, so no name is dropped or
// altered (Python reads it back with errors="surrogatepass"). The JSON writer turns those forms into
// \uXXXX escapes, which JSON allows.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace report {

// The text as WTF-8. Where wchar_t has 32 bits, an unpaired surrogate is a value of its own.
std::string toUtf8(std::wstring_view text);

// UTF-16 code units (little-endian bytes) as WTF-8, pairs joined; nothing when a surrogate is unpaired
// (strict) or the byte count is odd.
std::optional<std::string> strictUtf8FromUtf16Le(std::string_view bytes);

// Whether the bytes are valid UTF-8 (no surrogate forms, no overlong forms).
bool isValidUtf8(std::string_view bytes);

// One code point of WTF-8 from pos (advanced past it); U+FFFD for a byte that starts no valid form.
std::uint32_t nextCodePoint(std::string_view text, std::size_t& pos);

} // namespace report

namespace report {

// UTF-8 text (a command line's arguments) as a wide string; a byte that starts no valid form is U+FFFD.
std::wstring fromUtf8(std::string_view text);

} // namespace report
