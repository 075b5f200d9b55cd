// The Windows file services' own work: the start-up look-ups and the long-path form of paths.

#include "platform/win32/Win32FileServices.h"
#include "platform/win32/Win32LongPath.h"

#include <gtest/gtest.h>

namespace {

TEST(Win32FileServices, FindsTheOptionalFunctionsAtStartUp) {
    // Every Windows since Vista, and Wine, has the stream listing and the redirection switches.
    plat::TFileServices& fs = plat::files();
    EXPECT_TRUE(fs.hasStreamFunctions());
    EXPECT_TRUE(fs.hasRedirectionFunctions());
}

TEST(Win32FileServices, RefusesOtherInformationLevels) {
    plat::TFileServices& fs = plat::files();
    plat::WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_FALSE(fs.GetFileAttributesExW(L"C:\\", 1, &data));
    EXPECT_EQ(fs.GetLastError(), plat::ERROR_INVALID_PARAMETER);
    plat::WIN32_FIND_STREAM_DATA stream{};
    EXPECT_EQ(fs.FindFirstStreamW(L"C:\\", 1, &stream, 0), plat::INVALID_HANDLE_VALUE);
    EXPECT_EQ(fs.GetLastError(), plat::ERROR_INVALID_PARAMETER);
}

TEST(Win32LongPath, OnlyLongPathsTakeTheLongForm) {
    const std::wstring deep =
        L"\\" + std::wstring(120, L'a') + L"\\" + std::wstring(120, L'b') + L"\\file.txt";
    ASSERT_GE(deep.size() + 2, plat::win32::kLongPathThreshold);
    struct TCase {
        std::wstring given;
        std::wstring expected;
    };
    const TCase cases[] = {
        {L"C:\\short\\path.txt", L"C:\\short\\path.txt"},
        {L"C:\\short\\..\\path.txt", L"C:\\short\\..\\path.txt"}, // short paths pass untouched
        {L"C:" + deep, L"\\\\?\\C:" + deep},
        {L"C:" + deep + L":stream", L"\\\\?\\C:" + deep + L":stream"},
        {L"C:" + deep + L"\\*", L"\\\\?\\C:" + deep + L"\\*"},
        // Cleaned before the prefix, which would otherwise keep "/" and ".." literally.
        {L"C:/x/../" + deep.substr(1), L"\\\\?\\C:" + deep},
        {L"\\\\server\\share" + deep, L"\\\\?\\UNC\\server\\share" + deep},
        {L"\\\\?\\C:" + deep, L"\\\\?\\C:" + deep},
        {L"\\\\?\\UNC\\server\\share" + deep, L"\\\\?\\UNC\\server\\share" + deep},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(plat::win32::systemPath(c.given.c_str()), c.expected);
    }
    EXPECT_EQ(plat::win32::systemPath(nullptr), L"");
}

} // namespace
