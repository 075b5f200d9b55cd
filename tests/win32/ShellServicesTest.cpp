// The shell services over the real Windows functions: regional formats and ANSI text.

#include "platform/ShellServices.h"

#include <gtest/gtest.h>

#include <string>

TEST(Win32ShellServices, RegionalFormats) {
    const std::wstring separator = plat::shell().decimalSeparator();
    EXPECT_FALSE(separator.empty());
    EXPECT_EQ(separator.find(L'\0'), std::wstring::npos);

    plat::SYSTEMTIME time{};
    time.wYear = 2024;
    time.wMonth = 3;
    time.wDay = 17;
    time.wHour = 14;
    time.wMinute = 5;
    time.wSecond = 9;
    const std::wstring date = plat::shell().formatShortDate(time);
    EXPECT_NE(date.find(L"17"), std::wstring::npos) << "date of " << date.size() << " characters";
    EXPECT_EQ(date.find(L'\0'), std::wstring::npos);
    const std::wstring clock = plat::shell().formatLongTime(time);
    EXPECT_NE(clock.find(L"05"), std::wstring::npos);
    EXPECT_NE(clock.find(L"09"), std::wstring::npos);
    EXPECT_EQ(clock.find(L'\0'), std::wstring::npos);
}

TEST(Win32ShellServices, AnsiTextKeepsZeroBytes) {
    const plat::BYTE bytes[] = {'a', 'b', 0, 'c'};
    EXPECT_EQ(plat::shell().ansiToWide(bytes, 4), std::wstring(L"ab\0c", 4));
    EXPECT_EQ(plat::shell().ansiToWide(bytes, 0), L"");
}
