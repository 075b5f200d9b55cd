// The Win32 path rules the simulated store and the NTFS reader share: how a plain path is cleaned
// up, how the exact ("\\?\") form keeps names as written, and which paths the program may take as
// they stand.

#include "platform/WinPath.h"

#include <gtest/gtest.h>

namespace {

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += static_cast<std::uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

TEST(WinPathTest, PlainPathsAreCleanedUpAsWindowsDoesAndExactOnesKeepTheirNames) {
    const struct {
        const wchar_t* text;
        std::vector<std::wstring> parts;
        bool device;
    } cases[] = {
        {L"C:\\dir\\report.", {L"dir", L"report"}, false},
        {L"C:\\dir\\notes . .", {L"dir", L"notes"}, false},
        {L"C:\\dir.\\x", {L"dir", L"x"}, false},      // a folder name loses one dot
        {L"C:\\dir..\\x", {L"dir.", L"x"}, false},    // only one
        {L"C:\\dir \\x", {L"dir ", L"x"}, false},     // and keeps its spaces
        {L"C:\\dir.\\", {L"dir"}, false},             // a final backslash makes it a folder name
        {L"C:\\a\\b\\..\\.\\c", {L"a", L"c"}, false}, // "." and ".." resolved
        {L"C:\\dir\\con", {L"dir", L"con"}, true},
        {L"C:\\dir\\NUL.txt", {L"dir", L"NUL.txt"}, true},
        {L"C:\\dir\\aux .c", {L"dir", L"aux .c"}, true},
        {L"C:\\dir\\com\u00B9.log", {L"dir", L"com\u00B9.log"}, true},
        {L"C:\\dir\\lpt1:s", {L"dir", L"lpt1"}, true},
        {L"C:\\con\\x", {L"con", L"x"}, false}, // only the last name
        {L"C:\\dir\\console", {L"dir", L"console"}, false},
        {L"C:\\dir\\com0", {L"dir", L"com0"}, false},
        {L"\\\\?\\C:\\dir.\\report.", {L"dir.", L"report."}, false},
        {L"\\\\?\\C:\\sub \\notes ", {L"sub ", L"notes "}, false},
        {L"\\\\?\\C:\\dir\\con.txt", {L"dir", L"con.txt"}, false},
    };
    for (const auto& c : cases) {
        const plat::TWinPath path = plat::parseWinPath(c.text);
        EXPECT_EQ(path.error, 0u) << narrow(c.text);
        EXPECT_EQ(path.parts, c.parts) << narrow(c.text);
        EXPECT_EQ(path.device, c.device) << narrow(c.text);
    }
}

TEST(WinPathTest, AStreamSuffixNamesAStreamOfTheLastNameOrOfTheDriveRoot) {
    const struct {
        const wchar_t* text;
        plat::DWORD error;
        std::vector<std::wstring> parts;
        const wchar_t* stream; // nullptr: no stream suffix
    } cases[] = {
        {L"C:\\dir\\f.txt:s", 0, {L"dir", L"f.txt"}, L"s"},
        {L"C:\\dir:s:$DATA", 0, {L"dir"}, L"s"},
        {L"C:\\dir::$DATA", 0, {L"dir"}, L""},
        {L"C:\\:s", 0, {}, L"s"}, // the root folder's own stream
        {L"\\\\?\\C:\\:s", 0, {}, L"s"},
        {L"C:\\dir\\..\\:s", 0, {}, L"s"},
        {L"C:\\", 0, {}, nullptr},
        {L"C:\\dir\\:s", plat::ERROR_INVALID_NAME, {}, nullptr}, // an empty name before the stream
        {L"C:\\:s\\x", plat::ERROR_INVALID_NAME, {}, nullptr},
        {L"C:\\:", plat::ERROR_INVALID_NAME, {}, nullptr},
    };
    for (const auto& c : cases) {
        const plat::TWinPath path = plat::parseWinPath(c.text);
        EXPECT_EQ(path.error, c.error) << narrow(c.text);
        if (c.error != 0) {
            continue;
        }
        EXPECT_EQ(path.parts, c.parts) << narrow(c.text);
        EXPECT_EQ(path.hasStream, c.stream != nullptr) << narrow(c.text);
        EXPECT_EQ(path.stream, c.stream != nullptr ? c.stream : L"") << narrow(c.text);
    }
    EXPECT_EQ(plat::winPathText(plat::parseWinPath(L"C:\\:s")), L"C:\\:s");
}

TEST(WinPathTest, TheExactFormIsGivenToCleanFullPathsOnly) {
    const struct {
        std::wstring path;
        bool clean;
        std::wstring exact;
    } cases[] = {
        {L"C:\\dir\\report.", true, L"\\\\?\\C:\\dir\\report."},
        {L"C:\\", true, L"\\\\?\\C:\\"},
        {L"d:\\a b \\x:s", true, L"\\\\?\\d:\\a b \\x:s"},
        {L"\\\\server\\share\\x.", true, L"\\\\?\\UNC\\server\\share\\x."},
        {L"\\\\?\\C:\\x", false, L"\\\\?\\C:\\x"},
        {L"\\\\.\\C:", false, L"\\\\.\\C:"},
        {L"x\\y", false, L"x\\y"},
        {L"C:x", false, L"C:x"},
        {L"C:\\a\\..\\b", false, L"\\\\?\\C:\\a\\..\\b"},
        {L"C:\\a\\.\\b", false, L"\\\\?\\C:\\a\\.\\b"},
        {L"C:\\a\\\\b", false, L"\\\\?\\C:\\a\\\\b"},
        {L"C:/a", false, L"C:/a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plat::isCleanFullPath(c.path), c.clean) << narrow(c.path);
        EXPECT_EQ(plat::exactPath(c.path), c.exact) << narrow(c.path);
    }
}

TEST(WinPathTest, ASearchMaskAfterAPlainPathIsCleanedUpUnlessItHoldsWildcards) {
    EXPECT_EQ(plat::searchMask(L"C:\\d\\report. "), L"report");
    EXPECT_EQ(plat::searchMask(L"\\\\?\\C:\\d\\report. "), L"report. ");
    EXPECT_EQ(plat::searchMask(L"C:\\d\\*."), L"*.");
    EXPECT_EQ(plat::searchMask(L"C:\\d\\nul.txt"), L"");
    EXPECT_EQ(plat::searchMask(L"\\\\?\\C:\\d\\nul.txt"), L"nul.txt");
    EXPECT_EQ(plat::searchMask(L"C:\\d\\.."), L"..");
}

} // namespace
