// The JSON Lines record as the Windows build writes it, read back with nlohmann-json: UTF-16 names
// (a pair past U+FFFF among them) come out as the same characters in UTF-8.

#include "report/Finding.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

TEST(ReportOnWindows, JsonLinesRecordReadsBack) {
    report::TStreamFinding f;
    f.source = L"C:\\";
    f.filePath = L"C:\\d\u00e9j\u00e0, \"x\"\\file.txt";
    f.streamName = L"smile \U0001F600\nline";
    f.fullPath = f.filePath + L":" + f.streamName;
    f.size = 5000000000;
    std::string utf16 = "\xFF\xFE"; // the mark in UTF-16LE, as Windows' attachment manager writes it
    for (const char c : std::string("[ZoneTransfer]\r\nZoneId=4\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    f.mark = report::decodeZoneIdentifier(utf16);
    const std::string line = report::makeFindingWriter(report::TReportFormat::jsonl, false)->record(f);
    ASSERT_EQ('\n', line.back());
    const nlohmann::json record = nlohmann::json::parse(line);
    EXPECT_EQ("C:\\d\xC3\xA9j\xC3\xA0, \"x\"\\file.txt", record["file_path"]);
    EXPECT_EQ("smile \xF0\x9F\x98\x80\nline", record["stream_name"]);
    EXPECT_EQ(5000000000LL, record["size"].get<long long>());
    EXPECT_EQ(4, record["zone"]["zone_id"]);
    EXPECT_EQ("Restricted Sites", record["zone"]["zone_name"]);
}
