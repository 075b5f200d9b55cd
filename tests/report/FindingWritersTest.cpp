// The three report formats, read back by Python's own csv and json modules: names with commas,
// quotes, line ends, characters past U+FFFF and unpaired surrogates come back unit for unit.

#include "report/Finding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// UTF-16 code units of a name, as hex, the way the reader script prints them back.
std::string unitsHex(const std::wstring& text) {
    std::string out;
    char buffer[8];
    for (const wchar_t c : text) {
        auto unit = static_cast<std::uint32_t>(c);
        if (unit > 0xFFFF) {
            unit -= 0x10000;
            std::snprintf(buffer, sizeof buffer, "%04x", 0xD800 + (unit >> 10));
            out += buffer;
            unit = 0xDC00 + (unit & 0x3FF);
        }
        std::snprintf(buffer, sizeof buffer, "%04x", unit);
        out += buffer;
    }
    return out;
}

std::string runPython(const std::string& script, const std::filesystem::path& file) {
    const std::filesystem::path scriptFile = file.string() + ".py";
    std::ofstream(scriptFile) << script;
    std::string output;
    FILE* pipe = popen(("python3 " + scriptFile.string() + " " + file.string()).c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
        output.append(buffer, n);
    }
    pclose(pipe);
    return output;
}

// Each record's file path, stream name and full path as UTF-16 hex, one record per line.
const char* kReadCsv = R"(import csv, sys
with open(sys.argv[1], encoding='utf-8', errors='surrogatepass', newline='') as f:
    rows = list(csv.DictReader(f))
h2 = lambda s: s.encode('utf-16-be', 'surrogatepass').hex()
for r in rows:
    print(h2(r['file_path']), h2(r['stream_name']), h2(r['full_path']), r['size'], r['created'], r['attributes'], r['zone_id'], r['host_url'], sep='|')
)";

const char* kReadJson = R"(import json, sys
h2 = lambda s: s.encode('utf-16-be', 'surrogatepass').hex()
for line in open(sys.argv[1], encoding='utf-8', newline=''):
    r = json.loads(line)
    z = r.get('zone') or {}
    print(h2(r['file_path']), h2(r['stream_name']), h2(r['full_path']), r['size'], r['created'] or '', ' '.join(r['attributes'] or []), z.get('zone_id', ''), z.get('fields', {}).get('HostUrl', ''), sep='|')
)";

std::vector<report::TStreamFinding> hardFindings() {
    std::vector<report::TStreamFinding> findings;
    const std::wstring names[] = {
        L"plain",
        L"comma, and \"quotes\"",
        L"line\nend\r\nand\ttab",
        L"past BMP \U0001F600 here",
        std::wstring(L"lone ") + wchar_t(0xD800) + L" high",
        std::wstring(L"lone low ") + wchar_t(0xDFFF),
        L"back\\slash \u00e9\u4e2d",
    };
    for (const std::wstring& name : names) {
        report::TStreamFinding f;
        f.source = L"D:\\";
        f.filePath = L"D:\\dir, x\\" + name + L".txt";
        f.streamName = name;
        f.fullPath = f.filePath + L":" + name;
        f.size = 1234567890123;
        f.created = TDateTime{2024, 2, 29, 23, 59, 58, 7};
        f.attributes = 0x22;
        findings.push_back(f);
    }
    findings[0].mark =
        report::decodeZoneIdentifier("[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://a.b/c,\"d\"\r\n");
    return findings;
}

std::string expectedLines(const std::vector<report::TStreamFinding>& findings) {
    std::string out;
    for (const report::TStreamFinding& f : findings) {
        out += unitsHex(f.filePath) + "|" + unitsHex(f.streamName) + "|" + unitsHex(f.fullPath) + "|" +
               std::to_string(f.size) + "|2024-02-29T23:59:58.007Z|hidden archive|" + (f.mark ? "3" : "") +
               "|" + (f.mark ? "https://a.b/c,\"d\"" : "") + "\n";
    }
    return out;
}

std::filesystem::path writeAll(report::TReportFormat format, bool bom, const char* name) {
    const auto writer = report::makeFindingWriter(format, bom);
    const std::filesystem::path file = std::filesystem::temp_directory_path() / name;
    std::ofstream out(file, std::ios::binary);
    out << writer->header();
    for (const report::TStreamFinding& f : hardFindings()) {
        out << writer->record(f);
    }
    return file;
}

TEST(FindingWriters, CsvReadsBackWithEveryNameWhole) {
    for (const bool bom : {false, true}) {
        SCOPED_TRACE(bom);
        const std::filesystem::path file = writeAll(report::TReportFormat::csv, bom, "kw_report_test.csv");
        std::ifstream in(file, std::ios::binary);
        std::string start(3, '\0');
        in.read(start.data(), 3);
        EXPECT_EQ(bom, start == "\xEF\xBB\xBF");
        // Python's utf-8 codec keeps a byte-order mark as U+FEFF; utf-8-sig drops it.
        std::string script = kReadCsv;
        if (bom) {
            script.replace(script.find("encoding='utf-8'"), 16, "encoding='utf-8-sig'");
        }
        EXPECT_EQ(expectedLines(hardFindings()), runPython(script, file));
    }
}

TEST(FindingWriters, JsonLinesReadBackWithEveryNameWhole) {
    const std::filesystem::path file = writeAll(report::TReportFormat::jsonl, false, "kw_report_test.jsonl");
    EXPECT_EQ(expectedLines(hardFindings()), runPython(kReadJson, file));
}

TEST(FindingWriters, TextIsOneLinePerStream) {
    const auto writer = report::makeFindingWriter(report::TReportFormat::text, false);
    std::vector<report::TStreamFinding> findings = hardFindings();
    findings[0].sha256 = "ab12";
    findings[0].preview = L"[ZoneTransfer]";
    EXPECT_EQ(
        "D:\\dir, x\\plain.txt:plain  1234567890123 bytes  zone 3 (Internet)  HostUrl=https://a.b/c,\"d\"  "
        "sha256=ab12  \"[ZoneTransfer]\"\n",
        writer->record(findings[0]));
    EXPECT_EQ("D:\\dir, x\\line\\x0Aend\\x0D\\x0Aand\\x09tab.txt:line\\x0Aend\\x0D\\x0Aand\\x09tab  "
              "1234567890123 bytes\n",
              writer->record(findings[2]));
    report::TStreamFinding unreadable = findings[1];
    unreadable.mark = report::decodeZoneIdentifier("garbage");
    EXPECT_NE(std::string::npos, writer->record(unreadable).find("zone unreadable (no ZoneId)"));
}

// The class of a stream, with reasons that hold the characters CSV and JSON must carry whole.
report::TStreamFinding classifiedFinding() {
    report::TStreamFinding f = hardFindings()[0];
    f.streamClass =
        report::TStreamClass{.kind = "pe-exe",
                             .kindText = "Windows program (x86)",
                             .verdict = report::TVerdict::suspicious,
                             .reasons = {"First, with a comma", "Second \"quoted\"\r\nover lines"},
                             .entropy = 5.4321};
    return f;
}

TEST(FindingWriters, ClassFieldsReadBack) {
    const char* readBoth = R"(import csv, json, sys
j = json.loads(open(sys.argv[1] + '.jsonl', encoding='utf-8').readline())
print(j['kind'], j['kind_text'], j['verdict'], j['reasons'], j['entropy'], sep='|')
rows = list(csv.DictReader(open(sys.argv[1] + '.csv', encoding='utf-8', newline='')))
r = rows[0]
print(r['kind'], r['kind_text'], r['verdict'], r['reasons'].split('\n'), float(r['entropy']), sep='|')
print(rows[1]['kind'] == '' and rows[1]['verdict'] == '' and rows[1]['entropy'] == '', json.loads(open(sys.argv[1] + '.none.jsonl').readline())['verdict'], sep='|')
)";
    const std::filesystem::path base = std::filesystem::temp_directory_path() / "kw_report_class";
    const report::TStreamFinding classified = classifiedFinding();
    std::ofstream(base.string() + ".jsonl", std::ios::binary)
        << report::makeFindingWriter(report::TReportFormat::jsonl, false)->record(classified);
    std::ofstream(base.string() + ".none.jsonl", std::ios::binary)
        << report::makeFindingWriter(report::TReportFormat::jsonl, false)->record(hardFindings()[0]);
    const auto csv = report::makeFindingWriter(report::TReportFormat::csv, false);
    std::ofstream(base.string() + ".csv", std::ios::binary)
        << csv->header() << csv->record(classified) << csv->record(hardFindings()[0]);
    const std::string reasons = "['First, with a comma', 'Second \"quoted\"\\r\\nover lines']";
    EXPECT_EQ("pe-exe|Windows program (x86)|suspicious|" + reasons + "|5.432\n" +
                  "pe-exe|Windows program (x86)|suspicious|['First, with a comma', 'Second \"quoted\"\\r', "
                  "'over lines']|5.432\n" +
                  "True|None\n",
              runPython(readBoth, base));

    // The text format shows the verdict first and the kind after the size.
    EXPECT_EQ("suspicious  D:\\dir, x\\plain.txt:plain  1234567890123 bytes  Windows program (x86)  zone 3 "
              "(Internet)  HostUrl=https://a.b/c,\"d\"\n",
              report::makeFindingWriter(report::TReportFormat::text, false)->record(classified));
    report::TStreamFinding known = classified;
    known.streamClass->verdict = report::TVerdict::known;
    EXPECT_EQ(
        0U,
        report::makeFindingWriter(report::TReportFormat::text, false)->record(known).find("known       D:"));
}

TEST(FindingWriters, IsoTimesAndAttributeNames) {
    EXPECT_EQ("1601-01-01T00:00:00.000Z", report::isoTime(TDateTime{1601, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ("readonly hidden system archive compressed encrypted", report::attributeNames(0x4827));
    EXPECT_EQ("", report::attributeNames(0));
}

} // namespace
