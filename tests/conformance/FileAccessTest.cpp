// Files: open, read, write, seek, creation dispositions, delete, attribute queries, share modes,
// times, folders, long paths, and the clean-up of plain paths, as Windows answers them.

#include "conformance/ConformanceFixture.h"
#include "platform/WinPath.h"

namespace conformance {
namespace {

using plat::DWORD;
using plat::LONG;

class FileAccess : public TConformanceCase {
protected:
    plat::HANDLE openReadWrite(const std::wstring& file, DWORD disposition) {
        return open(file, plat::GENERIC_READ | plat::GENERIC_WRITE, plat::FILE_SHARE_READ, disposition);
    }
};

TEST_F(FileAccess, WritesReadsAndSeeks) {
    if (target().readOnly()) {
        GTEST_SKIP() << "the target only reads";
    }
    TTargetHandle file(fs(), openReadWrite(path(L"f.bin"), plat::CREATE_NEW), TTargetHandle::file);
    ASSERT_TRUE(file.valid()) << fs().GetLastError();
    writeAll(file.get(), "0123456789");

    struct TSeek {
        LONG distance;
        DWORD method;
        DWORD position;
        const char* next2;
    };
    // Each seek is followed by a read of two bytes, which moves the position on.
    const TSeek seeks[] = {
        {3, plat::FILE_BEGIN, 3, "34"}, {-4, plat::FILE_CURRENT, 1, "12"}, {0, plat::FILE_CURRENT, 3, "34"},
        {-1, plat::FILE_END, 9, "9"},   {0, plat::FILE_END, 10, ""},       {20, plat::FILE_BEGIN, 20, ""},
    };
    for (const TSeek& s : seeks) {
        EXPECT_EQ(fs().SetFilePointer(file.get(), s.distance, nullptr, s.method), s.position) << s.distance;
        char buffer[2] = {};
        DWORD read = 99;
        ASSERT_TRUE(fs().ReadFile(file.get(), buffer, 2, &read, nullptr));
        EXPECT_EQ(std::string(buffer, read), s.next2) << s.distance;
    }
}

TEST_F(FileAccess, AnOpenFollowsASymbolicLinkUnlessAskedForTheLinkItself) {
    target().makeFile(path(L"t.txt"), "target data");
    if (const std::string why = target().makeFileLink(path(L"L"), path(L"t.txt")); !why.empty()) {
        GTEST_SKIP() << why;
    }
    const DWORD itself = plat::FILE_FLAG_OPEN_REPARSE_POINT;
    EXPECT_NE(fs().GetFileAttributesW(path(L"L").c_str()) & plat::FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_EQ(readFile(path(L"L")), "target data");
    {
        TTargetHandle link(
            fs(), open(path(L"L"), plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING, itself),
            TTargetHandle::file);
        ASSERT_TRUE(link.valid()) << fs().GetLastError();
        EXPECT_EQ(readRest(link.get()), "") << "the link itself holds no data";
    }
    if (!target().streamsSupported()) {
        GTEST_SKIP() << target().noStreamsReason();
    }
    target().makeStream(path(L"t.txt"), L"x", "target's");
    target().makeStream(path(L"L"), L"x", "link's");
    EXPECT_EQ(readFile(path(L"L:x")), "target's");
    {
        TTargetHandle stream(
            fs(), open(path(L"L:x"), plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING, itself),
            TTargetHandle::file);
        ASSERT_TRUE(stream.valid()) << fs().GetLastError();
        EXPECT_EQ(readRest(stream.get()), "link's");
    }
    EXPECT_EQ(sizeOf(path(L"L:x")), 6) << "the attribute query answers for the link's own stream";
    ASSERT_TRUE(fs().DeleteFileW(path(L"L:x").c_str())) << fs().GetLastError();
    EXPECT_EQ(readFile(path(L"t.txt:x")), "target's") << "deleting the link's stream leaves the target's";
}

TEST_F(FileAccess, ReadingAtTheEndGivesZeroBytes) {
    target().makeFile(path(L"f.txt"), "hello");
    TTargetHandle file(fs(),
                       open(path(L"f.txt"), plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING),
                       TTargetHandle::file);
    ASSERT_TRUE(file.valid());
    EXPECT_EQ(readRest(file.get()), "hello");
    char buffer[4];
    DWORD read = 99;
    EXPECT_TRUE(fs().ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);
}

TEST_F(FileAccess, SeeksWithTheHighPart) {
    target().makeFile(path(L"f.txt"), "hello");
    TTargetHandle file(fs(),
                       open(path(L"f.txt"), plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING),
                       TTargetHandle::file);
    ASSERT_TRUE(file.valid());

    // 4 GiB + 5 from the start: the low part is returned, the high part written back.
    LONG high = 1;
    EXPECT_EQ(fs().SetFilePointer(file.get(), 5, &high, plat::FILE_BEGIN), 5u);
    EXPECT_EQ(high, 1);
    high = 0;
    EXPECT_EQ(fs().SetFilePointer(file.get(), 0, &high, plat::FILE_CURRENT), 5u);
    EXPECT_EQ(high, 1);
    char buffer[4];
    DWORD read = 99;
    EXPECT_TRUE(fs().ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);

    // A position whose low part is all ones: the same value as the failure mark, so the last error
    // is cleared to tell success apart.
    fs().SetLastError(plat::ERROR_INVALID_PARAMETER);
    high = 1;
    EXPECT_EQ(fs().SetFilePointer(file.get(), -1, &high, plat::FILE_BEGIN), plat::INVALID_SET_FILE_POINTER);
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_SUCCESS);
    EXPECT_EQ(high, 1);

    // Before the start: refused, the position stays.
    EXPECT_EQ(fs().SetFilePointer(file.get(), 2, nullptr, plat::FILE_BEGIN), 2u);
    high = -1;
    EXPECT_EQ(fs().SetFilePointer(file.get(), -1, &high, plat::FILE_BEGIN), plat::INVALID_SET_FILE_POINTER);
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(fs().SetFilePointer(file.get(), -3, nullptr, plat::FILE_CURRENT),
              plat::INVALID_SET_FILE_POINTER);
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(fs().SetFilePointer(file.get(), 0, nullptr, plat::FILE_CURRENT), 2u);
}

TEST_F(FileAccess, CreationDispositions) {
    if (target().readOnly()) {
        GTEST_SKIP() << "the target only reads";
    }
    target().makeFile(path(L"old.txt"), "abcdef");
    struct TCase {
        const wchar_t* name;
        DWORD disposition;
        bool opens;
        DWORD error; // last error after the call
        std::int64_t sizeAfter;
    };
    const TCase cases[] = {
        {L"new1.txt", plat::CREATE_ALWAYS, true, plat::ERROR_SUCCESS, 0},
        {L"old.txt", plat::CREATE_NEW, false, plat::ERROR_FILE_EXISTS, 6},
        {L"old.txt", plat::OPEN_ALWAYS, true, plat::ERROR_ALREADY_EXISTS, 6},
        {L"old.txt", plat::CREATE_ALWAYS, true, plat::ERROR_ALREADY_EXISTS, 0}, // truncated
        {L"new2.txt", plat::OPEN_ALWAYS, true, plat::ERROR_SUCCESS, 0},
        {L"new3.txt", plat::OPEN_EXISTING, false, plat::ERROR_FILE_NOT_FOUND, -1},
        {L"nodir\\new4.txt", plat::CREATE_ALWAYS, false, plat::ERROR_PATH_NOT_FOUND, -1},
        {L"nodir\\new5.txt", plat::OPEN_EXISTING, false, plat::ERROR_PATH_NOT_FOUND, -1},
    };
    for (const TCase& c : cases) {
        fs().SetLastError(plat::ERROR_INVALID_PARAMETER);
        {
            TTargetHandle file(fs(), openReadWrite(path(c.name), c.disposition), TTargetHandle::file);
            EXPECT_EQ(file.valid(), c.opens) << narrow(c.name) << " " << c.disposition;
            EXPECT_EQ(fs().GetLastError(), c.error) << narrow(c.name) << " " << c.disposition;
        }
        EXPECT_EQ(sizeOf(path(c.name)), c.sizeAfter) << narrow(c.name) << " " << c.disposition;
    }
}

TEST_F(FileAccess, DeletesFilesOnly) {
    if (target().readOnly()) {
        GTEST_SKIP() << "the target only reads";
    }
    target().makeFile(path(L"f.txt"), "x");
    target().makeFolder(path(L"dir"));
    EXPECT_TRUE(fs().DeleteFileW(path(L"f.txt").c_str()));
    EXPECT_EQ(fs().GetFileAttributesW(path(L"f.txt").c_str()), plat::INVALID_FILE_ATTRIBUTES);

    struct TCase {
        const wchar_t* name;
        DWORD error;
    };
    const TCase cases[] = {
        {L"f.txt", plat::ERROR_FILE_NOT_FOUND},
        {L"nodir\\f.txt", plat::ERROR_PATH_NOT_FOUND},
        {L"dir", plat::ERROR_ACCESS_DENIED},
    };
    for (const TCase& c : cases) {
        EXPECT_FALSE(fs().DeleteFileW(path(c.name).c_str())) << narrow(c.name);
        EXPECT_EQ(fs().GetLastError(), c.error) << narrow(c.name);
    }
    EXPECT_NE(fs().GetFileAttributesW(path(L"dir").c_str()), plat::INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileAccess, AttributeQueriesOnMissingPaths) {
    target().makeFile(path(L"f.txt"), "x");
    struct TCase {
        const wchar_t* name;
        DWORD error;
    };
    const TCase cases[] = {
        {L"missing.txt", plat::ERROR_FILE_NOT_FOUND},
        {L"nodir\\missing.txt", plat::ERROR_PATH_NOT_FOUND},
    };
    for (const TCase& c : cases) {
        fs().SetLastError(plat::ERROR_SUCCESS);
        EXPECT_EQ(fs().GetFileAttributesW(path(c.name).c_str()), plat::INVALID_FILE_ATTRIBUTES)
            << narrow(c.name);
        EXPECT_EQ(fs().GetLastError(), c.error) << narrow(c.name);
        plat::WIN32_FILE_ATTRIBUTE_DATA data{};
        fs().SetLastError(plat::ERROR_SUCCESS);
        EXPECT_FALSE(fs().GetFileAttributesExW(path(c.name).c_str(), plat::GetFileExInfoStandard, &data));
        EXPECT_EQ(fs().GetLastError(), c.error) << narrow(c.name);
    }
    plat::WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(fs().GetFileAttributesExW(path(L"f.txt").c_str(), plat::GetFileExInfoStandard, &data));
    EXPECT_EQ(data.dwFileAttributes & plat::FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(plat::makeInt64(data.nFileSizeHigh, data.nFileSizeLow), 1);
    EXPECT_NE(fs().GetFileAttributesW(target().root().c_str()) & plat::FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST_F(FileAccess, FileHeldWithoutReadSharingRefusesReaders) {
    if (target().readOnly()) {
        GTEST_SKIP() << "the target only reads";
    }
    target().makeFile(path(L"held.txt"), "secret");
    {
        std::shared_ptr<void> hold = target().holdWithoutReadSharing(path(L"held.txt"));
        for (DWORD share : {plat::FILE_SHARE_READ, plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE}) {
            TTargetHandle reader(fs(),
                                 open(path(L"held.txt"), plat::GENERIC_READ, share, plat::OPEN_EXISTING),
                                 TTargetHandle::file);
            EXPECT_FALSE(reader.valid());
            EXPECT_EQ(fs().GetLastError(), plat::ERROR_SHARING_VIOLATION);
        }
        // The file can still be listed and its attributes read.
        EXPECT_EQ(sizeOf(path(L"held.txt")), 6);
        EXPECT_EQ(searchNames(path(L"held.txt")), std::vector<std::wstring>{L"held.txt"});
    }
    EXPECT_EQ(readFile(path(L"held.txt")), "secret");
}

// 2021-03-04 05:06:07.890 and 2009-11-22 23:59:58.125 (UTC) as file times.
constexpr plat::FILETIME kCreation = {0x15ef9720, 0x01d710b4};
constexpr plat::FILETIME kLastWrite = {0xe533a5d0, 0x01ca6bcf};

TEST_F(FileAccess, ConvertsFileTimesToCalendarTimes) {
    struct TCase {
        plat::FILETIME time;
        plat::SYSTEMTIME expected;
    };
    const TCase cases[] = {
        {kCreation, {2021, 3, 4, 4, 5, 6, 7, 890}},
        {kLastWrite, {2009, 11, 0, 22, 23, 59, 58, 125}},
        {{0, 0}, {1601, 1, 1, 1, 0, 0, 0, 0}},
    };
    for (const TCase& c : cases) {
        plat::SYSTEMTIME got{};
        ASSERT_TRUE(fs().FileTimeToSystemTime(&c.time, &got));
        EXPECT_EQ(got.wYear, c.expected.wYear);
        EXPECT_EQ(got.wMonth, c.expected.wMonth);
        EXPECT_EQ(got.wDayOfWeek, c.expected.wDayOfWeek);
        EXPECT_EQ(got.wDay, c.expected.wDay);
        EXPECT_EQ(got.wHour, c.expected.wHour);
        EXPECT_EQ(got.wMinute, c.expected.wMinute);
        EXPECT_EQ(got.wSecond, c.expected.wSecond);
        EXPECT_EQ(got.wMilliseconds, c.expected.wMilliseconds);
    }
    // Beyond the calendar's range (the top bit set): refused.
    const plat::FILETIME tooLate = {0, 0x80000000};
    plat::SYSTEMTIME got{};
    EXPECT_FALSE(fs().FileTimeToSystemTime(&tooLate, &got));
}

class FileTimes : public TConformanceCase {
protected:
    void SetUp() override {
        TConformanceCase::SetUp();
        if (IsSkipped()) {
            return;
        }
        target().makeFile(path(L"t.txt"), "abc");
        target().setTimes(path(L"t.txt"), kCreation, kLastWrite);
    }
    plat::BY_HANDLE_FILE_INFORMATION info() {
        plat::BY_HANDLE_FILE_INFORMATION info{};
        TTargetHandle file(
            fs(), open(path(L"t.txt"), plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING),
            TTargetHandle::file);
        EXPECT_TRUE(file.valid());
        EXPECT_TRUE(fs().GetFileInformationByHandle(file.get(), &info));
        return info;
    }
};

TEST_F(FileTimes, LastWriteTimeReadsBackByHandle) {
    plat::BY_HANDLE_FILE_INFORMATION got = info();
    EXPECT_EQ(got.ftLastWriteTime.dwHighDateTime, kLastWrite.dwHighDateTime);
    EXPECT_EQ(got.ftLastWriteTime.dwLowDateTime, kLastWrite.dwLowDateTime);
    EXPECT_EQ(plat::makeInt64(got.nFileSizeHigh, got.nFileSizeLow), 3);
    EXPECT_EQ(got.dwFileAttributes & plat::FILE_ATTRIBUTE_DIRECTORY, 0u);
    plat::SYSTEMTIME calendar{};
    ASSERT_TRUE(fs().FileTimeToSystemTime(&got.ftLastWriteTime, &calendar));
    EXPECT_EQ(calendar.wYear, 2009);
    EXPECT_EQ(calendar.wMilliseconds, 125);
}

TEST_F(FileTimes, CreationTimeReadsBackByHandle) {
    if (!target().creationTimesKept()) {
        GTEST_SKIP() << target().noCreationTimesReason();
    }
    plat::BY_HANDLE_FILE_INFORMATION got = info();
    EXPECT_EQ(got.ftCreationTime.dwHighDateTime, kCreation.dwHighDateTime);
    EXPECT_EQ(got.ftCreationTime.dwLowDateTime, kCreation.dwLowDateTime);
}

TEST_F(FileAccess, FoldersAreMadeAndRemovedWhenEmpty) {
    if (target().readOnly()) {
        GTEST_SKIP() << "the target only reads";
    }
    EXPECT_TRUE(fs().CreateDirectoryW(path(L"d").c_str(), nullptr));
    EXPECT_FALSE(fs().CreateDirectoryW(path(L"d").c_str(), nullptr));
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(fs().CreateDirectoryW(path(L"x\\y").c_str(), nullptr));
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_PATH_NOT_FOUND);

    target().makeFile(path(L"d\\f.txt"), "x");
    EXPECT_FALSE(fs().RemoveDirectoryW(path(L"d").c_str()));
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_DIR_NOT_EMPTY);
    EXPECT_TRUE(fs().DeleteFileW(path(L"d\\f.txt").c_str()));
    EXPECT_TRUE(fs().RemoveDirectoryW(path(L"d").c_str()));
    EXPECT_EQ(fs().GetFileAttributesW(path(L"d").c_str()), plat::INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileAccess, ReachesFoldersDeeperThanMaxPath) {
    if (target().readOnly()) {
        GTEST_SKIP() << "the target only reads";
    }
    // Ten levels of 40 characters: the file's path is over 400 characters long.
    std::wstring folder = target().root();
    for (int level = 0; level < 10; ++level) {
        folder +=
            L"\\" + std::wstring(38, static_cast<wchar_t>(L'a' + level)) + L"_" + std::to_wstring(level);
        ASSERT_TRUE(fs().CreateDirectoryW(folder.c_str(), nullptr)) << level << ": " << fs().GetLastError();
    }
    const std::wstring file = folder + L"\\deep.txt";
    ASSERT_GT(file.size(), 400u);
    {
        TTargetHandle out(fs(), open(file, plat::GENERIC_WRITE, 0, plat::CREATE_NEW), TTargetHandle::file);
        ASSERT_TRUE(out.valid()) << fs().GetLastError();
        writeAll(out.get(), "deep");
    }
    EXPECT_EQ(readFile(file), "deep");
    EXPECT_EQ(sizeOf(file), 4);
    EXPECT_EQ(searchNames(folder + L"\\*.txt"), std::vector<std::wstring>{L"deep.txt"});
    EXPECT_TRUE(fs().DeleteFileW(file.c_str()));
    EXPECT_EQ(fs().GetFileAttributesW(file.c_str()), plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(fs().RemoveDirectoryW(folder.c_str()));
}

TEST_F(FileAccess, PlainPathsAreCleanedUpWhileExactOnesReachTheNamesAsWritten) {
    if (target().readOnly()) {
        GTEST_SKIP() << "the target only reads";
    }
    // Names a plain path cannot reach, made through the exact form, beside a plain "report".
    const std::wstring exact = plat::exactPath(target().root()) + L"\\";
    target().makeFile(path(L"report"), "plain");
    ASSERT_TRUE(fs().CreateDirectoryW((exact + L"dir.").c_str(), nullptr)) << fs().GetLastError();
    const struct {
        const wchar_t* name;
        const char* data;
    } made[] = {
        {L"report.", "dot"}, {L"notes ", "space"}, {L"nul.txt", "device name"}, {L"dir.\\in", "inner"}};
    for (const auto& m : made) {
        TTargetHandle out(fs(), open(exact + m.name, plat::GENERIC_WRITE, 0, plat::CREATE_NEW),
                          TTargetHandle::file);
        ASSERT_TRUE(out.valid()) << narrow(m.name) << ": " << fs().GetLastError();
        writeAll(out.get(), m.data);
    }
    for (const auto& m : made) {
        EXPECT_EQ(readFile(exact + m.name), m.data) << narrow(m.name);
    }
    EXPECT_EQ(readFile(exact + L"report"), "plain");
    EXPECT_NE(fs().GetFileAttributesW((exact + L"dir.").c_str()) & plat::FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(searchNames(exact + L"report."), std::vector<std::wstring>{L"report."});

    // The plain forms: the last name loses its trailing dots and spaces, a folder name one dot.
    EXPECT_EQ(readFile(path(L"report.")), "plain");
    EXPECT_EQ(readFile(path(L"report. .")), "plain");
    EXPECT_EQ(sizeOf(path(L"report.")), 5);
    EXPECT_EQ(searchNames(path(L"report.")), std::vector<std::wstring>{L"report"});
    EXPECT_EQ(fs().GetFileAttributesW(path(L"notes ").c_str()), plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(fs().GetFileAttributesW(path(L"dir.").c_str()), plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(fs().GetFileAttributesW(path(L"dir.\\in").c_str()), plat::INVALID_FILE_ATTRIBUTES);
    // A last name that is a device name reaches the device, never the file of that name.
    {
        TTargetHandle device(
            fs(), open(path(L"nul.txt"), plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING),
            TTargetHandle::file);
        if (device.valid()) {
            EXPECT_EQ(readRest(device.get()), "");
        }
    }
    fs().DeleteFileW(path(L"nul.txt").c_str());
    EXPECT_EQ(readFile(exact + L"nul.txt"), "device name");

    // Deleting through the exact form removes that file and no other.
    EXPECT_TRUE(fs().DeleteFileW((exact + L"report.").c_str())) << fs().GetLastError();
    EXPECT_EQ(fs().GetFileAttributesW((exact + L"report.").c_str()), plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(readFile(path(L"report")), "plain");
    for (const wchar_t* name : {L"notes ", L"nul.txt", L"dir.\\in"}) {
        EXPECT_TRUE(fs().DeleteFileW((exact + name).c_str())) << narrow(name) << ": " << fs().GetLastError();
    }
    EXPECT_TRUE(fs().RemoveDirectoryW((exact + L"dir.").c_str())) << fs().GetLastError();
}

} // namespace
} // namespace conformance
