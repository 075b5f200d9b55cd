// Download marks as real writers leave them, and the forms that must be refused rather than guessed.

#include "report/ZoneIdentifier.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

// UTF-16LE with its byte-order mark, as Windows' own attachment manager and some archivers write.
std::string utf16Le(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

struct TMarkCase {
    const char* writer;
    std::string bytes;
    int zoneId;
    const char* zoneName;
    const char* referrer;
    const char* host;
    const char* hostIp;
    std::size_t fieldCount;
};

TEST(ZoneIdentifier, DecodesTheFormsWritersUse) {
    const TMarkCase cases[] = {
        {"Internet Explorer / old Windows", "[ZoneTransfer]\r\nZoneId=3\r\n", 3, "Internet", "", "", "", 1},
        {"Edge / Chrome",
         "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.com/dl\r\n"
         "HostUrl=https://cdn.example.com/setup.exe\r\n",
         3, "Internet", "https://example.com/dl", "https://cdn.example.com/setup.exe", "", 3},
        {"Firefox (LF, no referrer)", "[ZoneTransfer]\nZoneId=3\nHostUrl=https://x.org/a.zip\n", 3,
         "Internet", "", "https://x.org/a.zip", "", 2},
        {"Outlook attachment", "[ZoneTransfer]\r\nZoneId=3\r\nAppZoneId=4\r\n", 3, "Internet", "", "", "", 2},
        {"7-Zip copied to extracted file, UTF-16", utf16Le("[ZoneTransfer]\r\nZoneId=3\r\n"), 3, "Internet",
         "", "", "", 1},
        {"SMB share download with host address",
         "[ZoneTransfer]\r\nZoneId=1\r\nHostIpAddress=10.0.0.5\r\nLastWriterPackageFamilyName=Microsoft."
         "Edge\r\n",
         1, "Local Intranet", "", "", "10.0.0.5", 3},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF[ZoneTransfer]\r\nZoneId=2\r\n", 2, "Trusted Sites", "",
         "", "", 1},
        {"spaces, tabs and case",
         "  [ zonetransfer ]  \r\n  zoneid =  4 \r\n\treferrerurl\t= about:internet \r\n", 4,
         "Restricted Sites", "about:internet", "", "", 2},
        {"old Mac CR line ends", "[ZoneTransfer]\rZoneId=0\r", 0, "Local Machine", "", "", "", 1},
        {"no section header", "ZoneId=3\r\nHostUrl=about:internet\r\n", 3, "Internet", "", "about:internet",
         "", 2},
        {"other sections ignored, repeated key keeps the first",
         "[Other]\r\nZoneId=9\r\n[ZoneTransfer]\r\nZoneId=3\r\nZoneId=1\r\n[More]\r\nHostUrl=x\r\n", 3,
         "Internet", "", "", "", 1},
        {"unknown zone number", "[ZoneTransfer]\r\nZoneId=1000\r\n", 1000, "", "", "", "", 1},
        {"non-ASCII URL in UTF-8",
         "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://b\xC3\xBC\x63her.de/\xF0\x9F\x93\x9A\r\n", 3,
         "Internet", "", "https://b\xC3\xBC\x63her.de/\xF0\x9F\x93\x9A", "", 2},
        {"no final line end, comment line", "; saved by a tool\r\n[ZoneTransfer]\r\nZoneId=3", 3, "Internet",
         "", "", "", 1},
    };
    for (const TMarkCase& c : cases) {
        SCOPED_TRACE(c.writer);
        const report::TZoneMark mark = report::decodeZoneIdentifier(c.bytes);
        ASSERT_TRUE(mark.readable) << mark.reason;
        EXPECT_EQ(c.zoneId, mark.zoneId);
        EXPECT_EQ(c.zoneName, mark.zoneName);
        EXPECT_EQ(c.referrer, mark.field("ReferrerUrl"));
        EXPECT_EQ(c.host, mark.field("HostUrl"));
        EXPECT_EQ(c.hostIp, mark.field("HostIpAddress"));
        EXPECT_EQ(c.fieldCount, mark.fields.size());
    }
}

TEST(ZoneIdentifier, KeepsEveryKeyInOrderWithItsSpelling) {
    const report::TZoneMark mark = report::decodeZoneIdentifier(
        "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=a\r\nHostUrl=b=c\r\nX-Custom = v \r\n");
    ASSERT_TRUE(mark.readable);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"ZoneId", "3"}, {"ReferrerUrl", "a"}, {"HostUrl", "b=c"}, {"X-Custom", "v"}};
    EXPECT_EQ(expected, mark.fields);
}

TEST(ZoneIdentifier, RefusesWhatItCannotRead) {
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"section without ZoneId", "[ZoneTransfer]\r\nHostUrl=x\r\n"},
        {"ZoneId only in another section", "[Other]\r\nZoneId=3\r\n"},
        {"ZoneId not a number", "[ZoneTransfer]\r\nZoneId=three\r\n"},
        {"ZoneId with trailing text", "[ZoneTransfer]\r\nZoneId=3x\r\n"},
        {"ZoneId negative", "[ZoneTransfer]\r\nZoneId=-1\r\n"},
        {"ZoneId empty", "[ZoneTransfer]\r\nZoneId=\r\n"},
        {"UTF-16 without byte-order mark", utf16Le("[ZoneTransfer]\r\nZoneId=3\r\n").substr(2)},
        {"UTF-16 with a lone surrogate", utf16Le("[ZoneTransfer]\r\nZoneId=3\r\n") + "\x00\xD8"s},
        {"UTF-16 cut mid-unit", utf16Le("[ZoneTransfer]\r\nZoneId=3\r\n") + "Z"},
        {"Latin-1 bytes", "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=http://b\xFC\x63her.de\r\n"},
        {"binary", "\x01\x02\x03\x04"s},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        const report::TZoneMark mark = report::decodeZoneIdentifier(bytes);
        EXPECT_FALSE(mark.readable);
        EXPECT_FALSE(mark.reason.empty());
        EXPECT_EQ(-1, mark.zoneId);
        EXPECT_TRUE(mark.fields.empty());
    }
}

TEST(ZoneIdentifier, NamesTheMarkStreamWithoutCase) {
    EXPECT_TRUE(report::isZoneIdentifierName(L"Zone.Identifier"));
    EXPECT_TRUE(report::isZoneIdentifierName(L"ZONE.IDENTIFIER"));
    EXPECT_FALSE(report::isZoneIdentifierName(L"Zone.Identifier2"));
    EXPECT_FALSE(report::isZoneIdentifierName(L"Zone.\u0130dentifier"));
}

} // namespace
