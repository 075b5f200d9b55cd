#include "report/TextEncoding.h"

namespace report {

namespace {

void appendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool isHigh(std::uint32_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}
bool isLow(std::uint32_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

} // namespace

std::string toUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = static_cast<std::uint32_t>(text[i]);
        if (isHigh(cp) && i + 1 < text.size() && isLow(static_cast<std::uint32_t>(text[i + 1]))) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (cp > 0x10FFFF) {
            cp = 0xFFFD; // no such character; never in a name read from a volume
        }
        appendCodePoint(out, cp);
    }
    return out;
}

std::optional<std::string> strictUtf8FromUtf16Le(std::string_view bytes) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    auto unitAt = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
    };
    const std::size_t units = bytes.size() / 2;
    std::string out;
    out.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t cp = unitAt(i);
        if (isHigh(cp)) {
            if (i + 1 >= units || !isLow(unitAt(i + 1))) {
                return std::nullopt;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
            ++i;
        } else if (isLow(cp)) {
            return std::nullopt;
        }
        appendCodePoint(out, cp);
    }
    return out;
}

std::uint32_t nextCodePoint(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(text[i]));
    };
    const std::uint32_t lead = byte(pos);
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + length > text.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(pos + k) & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(pos + k) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF) {
        ++pos;
        return 0xFFFD;
    }
    pos += length;
    return cp;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t start = pos;
        const std::uint32_t cp = nextCodePoint(bytes, pos);
        if (cp >= 0xD800 && cp < 0xE000) {
            return false;
        }
        // U+FFFD read from one byte is a byte that starts no valid form (a real U+FFFD takes three).
        if (cp == 0xFFFD && pos - start != 3) {
            return false;
        }
    }
    return true;
}

} // namespace report

namespace report {

std::wstring fromUtf8(std::string_view text) {
    std::wstring out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::uint32_t cp = nextCodePoint(text, pos);
        if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
    }
    return out;
}

} // namespace report
