#include "report/ZoneIdentifier.h"

#include "report/TextEncoding.h"

#include <charconv>

namespace report {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The mark as UTF-8 text without its byte-order mark; nothing when it is not UTF-8 or UTF-16LE text.
std::optional<std::string> markText(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        return strictUtf8FromUtf16Le(bytes.substr(2));
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    if (!isValidUtf8(bytes) || bytes.find('\0') != std::string_view::npos) {
        return std::nullopt; // UTF-16 without its mark, or another code page: not guessed
    }
    return std::string(bytes);
}

} // namespace

std::string TZoneMark::field(std::string_view key) const {
    for (const auto& [name, value] : fields) {
        if (equalsNoCase(name, key)) {
            return value;
        }
    }
    return {};
}

std::string zoneName(int zoneId) {
    switch (zoneId) {
    case 0:
        return "Local Machine";
    case 1:
        return "Local Intranet";
    case 2:
        return "Trusted Sites";
    case 3:
        return "Internet";
    case 4:
        return "Restricted Sites";
    default:
        return {};
    }
}

bool isZoneIdentifierName(std::wstring_view streamName) {
    static constexpr std::string_view mark = "zone.identifier";
    if (streamName.size() != mark.size()) {
        return false;
    }
    for (std::size_t i = 0; i < mark.size(); ++i) {
        const wchar_t c = streamName[i];
        if (c > 0x7F || lower(static_cast<char>(c)) != mark[i]) {
            return false;
        }
    }
    return true;
}

TZoneMark decodeZoneIdentifier(std::string_view bytes) {
    TZoneMark mark;
    const std::optional<std::string> text = markText(bytes);
    if (!text) {
        mark.reason = "not UTF-8 or UTF-16 text";
        return mark;
    }
    // Keys before any section header count as the mark's; those of other sections do not.
    bool inMarkSection = true;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inMarkSection = close != std::string_view::npos &&
                            equalsNoCase(trimmed(line.substr(1, close - 1)), "ZoneTransfer");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inMarkSection || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        if (key.empty()) {
            continue;
        }
        bool repeated = false;
        for (const auto& field : fields) {
            repeated = repeated || equalsNoCase(field.first, key);
        }
        if (!repeated) {
            fields.emplace_back(std::string(key), std::string(trimmed(line.substr(equals + 1))));
        }
    }
    mark.fields = std::move(fields);
    const std::string zone = mark.field("ZoneId");
    int zoneId = -1;
    const auto [end, error] = std::from_chars(zone.data(), zone.data() + zone.size(), zoneId);
    if (zone.empty() || error != std::errc{} || end != zone.data() + zone.size() || zoneId < 0) {
        mark.reason = zone.empty() ? "no ZoneId" : "ZoneId is not a zone number";
        mark.fields.clear();
        return mark;
    }
    mark.readable = true;
    mark.zoneId = zoneId;
    mark.zoneName = zoneName(zoneId);
    return mark;
}

} // namespace report
