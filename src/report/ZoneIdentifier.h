#pragma once
// Decoding of download marks: the Zone.Identifier stream browsers, mail programs and archivers attach
// to what they save. It is a small INI text whose [ZoneTransfer] section names the security zone the
// file came from (ZoneId) and, in newer writers, ReferrerUrl, HostUrl and HostIpAddress.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace report {

struct TZoneMark {
    // False when the bytes are not a mark this decoder can read; reason says why, and nothing else is
    // filled in (a mark that cannot be read is never guessed at).
    bool readable = false;
    std::string reason;
    int zoneId = -1;
    std::string zoneName; // for zones 0 to 4; empty for others
    // Every key of the section in the order written, ZoneId included (the first of repeated keys,
    // as Windows reads them). UTF-8.
    std::vector<std::pair<std::string, std::string>> fields;

    // The value of a key (compared without case); empty when absent.
    std::string field(std::string_view key) const;
};

// The zone's name: "Local Machine", "Local Intranet", "Trusted Sites", "Internet", "Restricted Sites";
// empty for other numbers.
std::string zoneName(int zoneId);

// Reads the mark from the stream's bytes. Accepted: UTF-8 with or without byte-order mark, UTF-16LE
// with its byte-order mark; CRLF, LF or CR line ends; spaces around names, values and section
// headers; other sections and keys; keys written without any section header (taken as the mark's).
// Unreadable: other encodings, no ZoneId, or a ZoneId that is not a whole number.
TZoneMark decodeZoneIdentifier(std::string_view bytes);

// Whether a stream name is that of a download mark (compared without case).
bool isZoneIdentifierName(std::wstring_view streamName);

} // namespace report
