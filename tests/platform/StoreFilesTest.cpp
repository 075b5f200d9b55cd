// Files and streams through CreateFileW, ReadFile, WriteFile, SetFilePointer and the path calls.

#include "StoreFixture.h"

namespace storetest {
namespace {

using FilesTest = StoreTest;

TEST_F(FilesTest, ReadsMainDataAndStreamsByPathInAnyCase) {
    store.addFile(L"C:\\Data\\Report.txt", "main data");
    store.addStream(L"C:\\Data\\Report.txt", L"notes", "stream text");
    for (const wchar_t* path : {L"C:\\Data\\Report.txt", L"c:\\DATA\\report.TXT", L"C:/Data/Report.txt",
                                L"C:\\Data\\.\\x\\..\\Report.txt", L"C:\\Data\\Report.txt::$DATA"}) {
        HANDLE h = open(path);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
        EXPECT_EQ(readAll(h), "main data") << path;
        EXPECT_TRUE(store.CloseHandle(h));
    }
    for (const wchar_t* path : {L"C:\\Data\\Report.txt:notes", L"C:\\Data\\Report.txt:NOTES:$DATA",
                                L"C:\\Data\\Report.txt:notes:$data"}) {
        HANDLE h = open(path);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
        EXPECT_EQ(readAll(h), "stream text") << path;
        store.CloseHandle(h);
    }
}

TEST_F(FilesTest, ReadGivesZeroBytesAtTheEnd) {
    store.addFile(L"C:\\a.txt", "abc");
    HANDLE h = open(L"C:\\a.txt");
    char buffer[10];
    DWORD read = 99;
    ASSERT_TRUE(store.ReadFile(h, buffer, 10, &read, nullptr));
    EXPECT_EQ(read, 3u);
    ASSERT_TRUE(store.ReadFile(h, buffer, 10, &read, nullptr));
    EXPECT_EQ(read, 0u);
    store.CloseHandle(h);
}

TEST_F(FilesTest, OpenFailuresGiveTheWindowsErrors) {
    store.addFile(L"C:\\dir\\file.txt", "x");
    store.addStream(L"C:\\dir\\file.txt", L"s", "y");
    struct Case {
        const wchar_t* path;
        DWORD disposition;
        DWORD flags;
        DWORD error;
    } cases[] = {
        {L"C:\\dir\\missing.txt", OPEN_EXISTING, 0, ERROR_FILE_NOT_FOUND},
        {L"C:\\nodir\\file.txt", OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND},
        {L"C:\\dir\\file.txt\\x", OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND},
        {L"C:\\dir\\file.txt:nostream", OPEN_EXISTING, 0, ERROR_FILE_NOT_FOUND},
        {L"C:\\dir\\file.txt:s:$OTHER", OPEN_EXISTING, 0, ERROR_INVALID_NAME},
        {L"C:\\dir\\fi*le.txt", OPEN_EXISTING, 0, ERROR_INVALID_NAME},
        {L"C:\\dir\\file.txt\\", OPEN_EXISTING, 0, ERROR_INVALID_NAME},
        {L"Q:\\file.txt", OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND},
        {L"C:\\dir", OPEN_EXISTING, 0, ERROR_ACCESS_DENIED},
        {L"C:\\dir\\file.txt", CREATE_NEW, 0, ERROR_FILE_EXISTS},
        {L"C:\\dir\\file.txt:s", CREATE_NEW, 0, ERROR_FILE_EXISTS},
        {L"C:\\dir\\new.txt", TRUNCATE_EXISTING, 0, ERROR_FILE_NOT_FOUND},
        {L"C:\\dir\\file.txt", 0, 0, ERROR_INVALID_PARAMETER},
        {L"C:\\dir", OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, ERROR_SUCCESS},
        {L"C:\\", OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(openError(c.path, GENERIC_READ, FILE_SHARE_READ, c.disposition, c.flags), c.error)
            << c.path;
    }
}

TEST_F(FilesTest, DrivesWithoutMediaAreNotReady) {
    store.addDrive(L'E', DRIVE_CDROM, L"", L"CDFS", false);
    EXPECT_EQ(openError(L"E:\\x.txt"), ERROR_NOT_READY);
    EXPECT_EQ(store.GetFileAttributesW(L"E:\\"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(store.GetLastError(), ERROR_NOT_READY);
}

TEST_F(FilesTest, DispositionsCreateTruncateAndReportExisting) {
    store.addFile(L"C:\\d\\f.txt", "old content");
    store.addStream(L"C:\\d\\f.txt", L"s", "stream");

    HANDLE h = open(L"C:\\d\\f.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_ALWAYS);
    EXPECT_EQ(store.GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(readAll(h), "old content");
    store.CloseHandle(h);

    h = open(L"C:\\d\\new.txt", GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(store.GetLastError(), ERROR_SUCCESS);
    store.CloseHandle(h);
    EXPECT_EQ(store.attributes(L"C:\\d\\new.txt"), FILE_ATTRIBUTE_ARCHIVE);

    // Overwriting the main data drops the named streams too, as NTFS does.
    h = open(L"C:\\d\\f.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(store.GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(write(h, "new"));
    store.CloseHandle(h);
    EXPECT_EQ(store.readData(L"C:\\d\\f.txt"), "new");
    EXPECT_TRUE(store.streamNames(L"C:\\d\\f.txt").empty());

    h = open(L"C:\\d\\f.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    store.CloseHandle(h);
    EXPECT_EQ(store.readData(L"C:\\d\\f.txt"), "");
}

TEST_F(FilesTest, StreamPathsCreateAndTruncateOnlyTheirStream) {
    store.addFile(L"C:\\f.txt", "main");
    store.addStream(L"C:\\f.txt", L"keep", "k");
    HANDLE h = open(L"C:\\f.txt:added", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(write(h, "12345"));
    store.CloseHandle(h);
    EXPECT_EQ(store.streamNames(L"C:\\f.txt"), (std::vector<std::wstring>{L"added", L"keep"}));
    EXPECT_EQ(store.readData(L"C:\\f.txt:added"), "12345");

    h = open(L"C:\\f.txt:keep", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    store.CloseHandle(h);
    EXPECT_EQ(store.readData(L"C:\\f.txt:keep"), "");
    EXPECT_EQ(store.readData(L"C:\\f.txt"), "main");

    // A stream path of a missing file makes the file with the stream.
    h = open(L"C:\\g.txt:only", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    store.CloseHandle(h);
    EXPECT_TRUE(store.exists(L"C:\\g.txt"));
    EXPECT_EQ(store.streamNames(L"C:\\g.txt"), std::vector<std::wstring>{L"only"});
}

TEST_F(FilesTest, HandleAccessIsChecked) {
    store.addFile(L"C:\\f.txt", "abc");
    char buffer[4];
    DWORD count = 7;
    HANDLE reader = open(L"C:\\f.txt", GENERIC_READ);
    EXPECT_FALSE(store.WriteFile(reader, "x", 1, &count, nullptr));
    EXPECT_EQ(store.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(count, 0u);
    store.CloseHandle(reader);
    HANDLE writer = open(L"C:\\f.txt", GENERIC_WRITE);
    EXPECT_FALSE(store.ReadFile(writer, buffer, 4, &count, nullptr));
    EXPECT_EQ(store.GetLastError(), ERROR_ACCESS_DENIED);
    store.CloseHandle(writer);
}

TEST_F(FilesTest, WritesExtendAndFillGapsWithZeros) {
    store.addFile(L"C:\\f.bin", "abcdef");
    HANDLE h = open(L"C:\\f.bin", GENERIC_READ | GENERIC_WRITE);
    EXPECT_EQ(store.SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_TRUE(write(h, "XYZ"));
    EXPECT_EQ(store.SetFilePointer(h, 2, nullptr, FILE_END), 9u);
    EXPECT_TRUE(write(h, "!"));
    store.CloseHandle(h);
    EXPECT_EQ(store.readData(L"C:\\f.bin"), std::string("abcdXYZ\0\0!", 10));
}

TEST_F(FilesTest, SetFilePointerMovesIn64BitsAndRefusesNegativePositions) {
    store.addFile(L"C:\\big.bin", "head");
    store.setDataSize(L"C:\\big.bin", 0x100000010ULL);
    HANDLE h = open(L"C:\\big.bin");
    LONG high = 1;
    EXPECT_EQ(store.SetFilePointer(h, 8, &high, FILE_BEGIN), 8u); // 0x1'00000008
    EXPECT_EQ(high, 1);
    high = -2;
    EXPECT_EQ(store.SetFilePointer(h, -4, &high, FILE_CURRENT), 4u); // back by 0x1'00000004
    EXPECT_EQ(high, 0);
    high = 0;
    EXPECT_EQ(store.SetFilePointer(h, 0, &high, FILE_END), 0x10u);
    EXPECT_EQ(high, 1);

    // 0xFFFFFFFF is a valid low part: the last error tells it from a failure.
    high = 0;
    EXPECT_EQ(store.SetFilePointer(h, -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(store.GetLastError(), ERROR_SUCCESS);

    EXPECT_EQ(store.SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
    EXPECT_EQ(store.SetFilePointer(h, -1, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(store.GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(store.SetFilePointer(h, 0, nullptr, FILE_CURRENT), 0u) << "a failed move leaves the pointer";
    EXPECT_EQ(store.SetFilePointer(h, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(store.GetLastError(), ERROR_INVALID_PARAMETER);

    // Past the stored bytes the data reads as zeros up to the logical size.
    high = 1;
    store.SetFilePointer(h, 0x0C, &high, FILE_BEGIN);
    char tail[8];
    DWORD read = 0;
    ASSERT_TRUE(store.ReadFile(h, tail, 8, &read, nullptr));
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(std::string(tail, 4), std::string(4, '\0'));
    store.CloseHandle(h);
}

TEST_F(FilesTest, ClosingABadOrClosedHandleFails) {
    store.addFile(L"C:\\f.txt");
    HANDLE h = open(L"C:\\f.txt");
    EXPECT_EQ(store.openHandles(), 1);
    EXPECT_TRUE(store.CloseHandle(h));
    EXPECT_EQ(store.openHandles(), 0);
    EXPECT_FALSE(store.CloseHandle(h));
    EXPECT_EQ(store.GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(store.CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(store.GetLastError(), ERROR_INVALID_HANDLE);
    DWORD read = 0;
    char c;
    EXPECT_FALSE(store.ReadFile(h, &c, 1, &read, nullptr));
    EXPECT_EQ(store.GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FilesTest, DiskFullWritesNothing) {
    store.addFile(L"C:\\f.bin", "12345");
    store.setFreeSpace(L'C', 4);
    HANDLE h = open(L"C:\\f.bin", GENERIC_WRITE);
    EXPECT_TRUE(write(h, "abcde")) << "overwriting in place needs no space";
    EXPECT_TRUE(write(h, "fghi"));
    DWORD written = 9;
    EXPECT_FALSE(store.WriteFile(h, "j", 1, &written, nullptr));
    EXPECT_EQ(store.GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(written, 0u);
    store.CloseHandle(h);
    EXPECT_EQ(store.readData(L"C:\\f.bin"), "abcdefghi");
    // Deleting gives the space back.
    EXPECT_TRUE(store.DeleteFileW(L"C:\\f.bin"));
    h = open(L"C:\\g.bin", GENERIC_WRITE, 0, CREATE_NEW);
    EXPECT_TRUE(write(h, "123456789"));
    store.CloseHandle(h);
}

TEST_F(FilesTest, FileInformationByHandleGivesTimesSizeAndIdentity) {
    store.addFile(L"C:\\f.txt", "12345");
    store.addStream(L"C:\\f.txt", L"s", "12");
    const FILETIME created{0x11111111, 0x01D00000};
    const FILETIME accessed{0x22222222, 0x01D00000};
    const FILETIME written{0x33333333, 0x01D00000};
    store.setTimes(L"C:\\f.txt", created, accessed, written);
    HANDLE h = open(L"C:\\f.txt");
    BY_HANDLE_FILE_INFORMATION info{};
    ASSERT_TRUE(store.GetFileInformationByHandle(h, &info));
    EXPECT_EQ(info.nFileSizeLow, 5u);
    EXPECT_EQ(info.ftCreationTime.dwLowDateTime, created.dwLowDateTime);
    EXPECT_EQ(info.ftLastWriteTime.dwLowDateTime, written.dwLowDateTime);
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    HANDLE s = open(L"C:\\f.txt:s");
    BY_HANDLE_FILE_INFORMATION streamInfo{};
    ASSERT_TRUE(store.GetFileInformationByHandle(s, &streamInfo));
    EXPECT_EQ(streamInfo.nFileSizeLow, 2u);
    EXPECT_EQ(streamInfo.nFileIndexLow, info.nFileIndexLow);
    store.CloseHandle(s);
    store.CloseHandle(h);
}

TEST_F(FilesTest, FileTimeToSystemTimeConvertsUtc) {
    struct Case {
        std::uint64_t ticks;
        SYSTEMTIME expected;
    } cases[] = {
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
        {116444736000000000ULL, {1970, 1, 4, 1, 0, 0, 0, 0}},
        // 2024-02-29 23:59:58.123 (a Thursday)
        {133537247981230000ULL, {2024, 2, 4, 29, 23, 59, 58, 123}},
    };
    for (const Case& c : cases) {
        const FILETIME ft{static_cast<DWORD>(c.ticks & 0xFFFFFFFF), static_cast<DWORD>(c.ticks >> 32)};
        SYSTEMTIME st{};
        ASSERT_TRUE(store.FileTimeToSystemTime(&ft, &st));
        EXPECT_EQ(st.wYear, c.expected.wYear);
        EXPECT_EQ(st.wMonth, c.expected.wMonth);
        EXPECT_EQ(st.wDayOfWeek, c.expected.wDayOfWeek) << c.ticks;
        EXPECT_EQ(st.wDay, c.expected.wDay);
        EXPECT_EQ(st.wHour, c.expected.wHour);
        EXPECT_EQ(st.wMinute, c.expected.wMinute);
        EXPECT_EQ(st.wSecond, c.expected.wSecond);
        EXPECT_EQ(st.wMilliseconds, c.expected.wMilliseconds);
    }
    const FILETIME tooLarge{0, 0x80000000};
    SYSTEMTIME st{};
    EXPECT_FALSE(store.FileTimeToSystemTime(&tooLarge, &st));
    EXPECT_EQ(store.GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(FilesTest, AttributesOfStreamPathsAreThoseOfTheFileWithTheStreamSize) {
    store.addFile(L"C:\\f.txt", "12345", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    store.addStream(L"C:\\f.txt", L"big", "");
    store.setDataSize(L"C:\\f.txt:big", 0x123456789ULL);
    store.addFolder(L"C:\\dir");
    store.addStream(L"C:\\dir", L"tag", "abc");

    EXPECT_EQ(store.GetFileAttributesW(L"C:\\f.txt:big"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(store.GetFileAttributesExW(L"C:\\f.txt:big", GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeHigh, 1u);
    EXPECT_EQ(data.nFileSizeLow, 0x23456789u);
    ASSERT_TRUE(store.GetFileAttributesExW(L"C:\\f.txt", GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 5u);
    ASSERT_TRUE(store.GetFileAttributesExW(L"C:\\dir:tag", GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 3u);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(store.GetFileAttributesW(L"C:\\"),
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    struct Case {
        const wchar_t* path;
        DWORD error;
    } missing[] = {
        {L"C:\\f.txt:none", ERROR_FILE_NOT_FOUND},  {L"C:\\none.txt", ERROR_FILE_NOT_FOUND},
        {L"C:\\none\\f.txt", ERROR_PATH_NOT_FOUND}, {L"C:\\f.txt\\", ERROR_INVALID_NAME},
        {L"C:\\dir::$DATA", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : missing) {
        EXPECT_EQ(store.GetFileAttributesW(c.path), INVALID_FILE_ATTRIBUTES) << c.path;
        EXPECT_EQ(store.GetLastError(), c.error) << c.path;
        EXPECT_FALSE(store.GetFileAttributesExW(c.path, GetFileExInfoStandard, &data)) << c.path;
        EXPECT_EQ(store.GetLastError(), c.error) << c.path;
    }
}

TEST_F(FilesTest, PlainFilesReportNormalAttributes) {
    store.addFile(L"C:\\plain.txt", "", 0);
    EXPECT_EQ(store.GetFileAttributesW(L"C:\\plain.txt"), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FilesTest, DeletingAStreamPathKeepsTheFileAndItsOtherStreams) {
    store.addFile(L"C:\\f.txt", "main");
    store.addStream(L"C:\\f.txt", L"a", "1");
    store.addStream(L"C:\\f.txt", L"b", "2");
    EXPECT_TRUE(store.DeleteFileW(L"C:\\f.txt:A"));
    EXPECT_EQ(store.streamNames(L"C:\\f.txt"), std::vector<std::wstring>{L"b"});
    EXPECT_EQ(store.readData(L"C:\\f.txt"), "main");
    EXPECT_TRUE(store.DeleteFileW(L"C:\\f.txt:b:$DATA"));
    EXPECT_TRUE(store.exists(L"C:\\f.txt"));
    EXPECT_FALSE(store.DeleteFileW(L"C:\\f.txt:b"));
    EXPECT_EQ(store.GetLastError(), ERROR_FILE_NOT_FOUND);

    // A folder's stream goes the same way; the folder itself cannot be deleted as a file.
    store.addFolder(L"C:\\dir");
    store.addStream(L"C:\\dir", L"tag", "t");
    EXPECT_FALSE(store.DeleteFileW(L"C:\\dir"));
    EXPECT_EQ(store.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(store.DeleteFileW(L"C:\\dir:tag"));
    EXPECT_TRUE(store.streamNames(L"C:\\dir").empty());
}

TEST_F(FilesTest, StreamsOfAFolderAndOfTheDriveRootOpenReadAndDeleteByTheirPaths) {
    store.addFolder(L"C:\\dir", FILE_ATTRIBUTE_HIDDEN);
    store.addStream(L"C:\\dir", L"tag", "folder data");
    store.addStream(L"C:\\", L"hidden", "root data");
    struct TCase {
        const wchar_t* folder;
        const wchar_t* stream;
        const char* data;
    } cases[] = {
        {L"C:\\dir", L"C:\\dir:tag", "folder data"},
        {L"C:\\", L"C:\\:hidden", "root data"},
        {L"C:\\", L"\\\\?\\C:\\:hidden:$DATA", "root data"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.data));
        const std::int64_t size = static_cast<std::int64_t>(std::string(c.data).size());
        HANDLE h = open(c.stream);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << store.GetLastError();
        EXPECT_EQ(readAll(h), c.data);
        BY_HANDLE_FILE_INFORMATION info{};
        ASSERT_TRUE(store.GetFileInformationByHandle(h, &info));
        EXPECT_EQ(makeInt64(info.nFileSizeHigh, info.nFileSizeLow), size);
        store.CloseHandle(h);
        // The attribute query gives the folder's attributes with the stream's size.
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(store.GetFileAttributesExW(c.stream, GetFileExInfoStandard, &data));
        EXPECT_EQ(data.dwFileAttributes, store.GetFileAttributesW(c.folder));
        EXPECT_EQ(makeInt64(data.nFileSizeHigh, data.nFileSizeLow), size);
    }
    EXPECT_EQ(streams(L"C:\\"), (std::vector<std::pair<std::wstring, std::int64_t>>{{L":hidden:$DATA", 9}}));
    // The root's unnamed data is no stream: a folder has none.
    EXPECT_EQ(openError(L"C:\\::$DATA"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(openError(L"C:\\:missing"), ERROR_FILE_NOT_FOUND);

    // Deleting the streams leaves both folders as they were.
    EXPECT_TRUE(store.DeleteFileW(L"C:\\:hidden"));
    EXPECT_TRUE(store.DeleteFileW(L"C:\\dir:tag"));
    EXPECT_TRUE(store.streamNames(L"C:\\").empty());
    EXPECT_TRUE(store.isFolder(L"C:\\dir"));
    EXPECT_EQ(store.entryNames(L"C:\\"), std::vector<std::wstring>{L"dir"});
}

TEST_F(FilesTest, DeletingAFileRemovesItWithItsStreams) {
    store.addFile(L"C:\\f.txt", "main");
    store.addStream(L"C:\\f.txt", L"a", "1");
    EXPECT_TRUE(store.DeleteFileW(L"C:\\F.TXT"));
    EXPECT_FALSE(store.exists(L"C:\\f.txt"));
    EXPECT_FALSE(store.exists(L"C:\\f.txt:a"));
    EXPECT_FALSE(store.DeleteFileW(L"C:\\f.txt"));
    EXPECT_EQ(store.GetLastError(), ERROR_FILE_NOT_FOUND);

    store.addFile(L"C:\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
    store.addStream(L"C:\\ro.txt", L"s", "y");
    EXPECT_FALSE(store.DeleteFileW(L"C:\\ro.txt"));
    EXPECT_EQ(store.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(store.DeleteFileW(L"C:\\ro.txt:s"));
    EXPECT_EQ(store.GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FilesTest, FoldersAreMadeAndRemovedLikeWindows) {
    EXPECT_TRUE(store.CreateDirectoryW(L"C:\\New", nullptr));
    EXPECT_TRUE(store.isFolder(L"C:\\new"));
    EXPECT_FALSE(store.CreateDirectoryW(L"C:\\NEW", nullptr));
    EXPECT_EQ(store.GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(store.CreateDirectoryW(L"C:\\a\\b", nullptr));
    EXPECT_EQ(store.GetLastError(), ERROR_PATH_NOT_FOUND);

    store.addFile(L"C:\\New\\f.txt");
    EXPECT_FALSE(store.RemoveDirectoryW(L"C:\\New"));
    EXPECT_EQ(store.GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(store.RemoveDirectoryW(L"C:\\New\\f.txt"));
    EXPECT_EQ(store.GetLastError(), 267u); // ERROR_DIRECTORY
    EXPECT_TRUE(store.DeleteFileW(L"C:\\New\\f.txt"));
    EXPECT_TRUE(store.RemoveDirectoryW(L"C:\\New\\"));
    EXPECT_FALSE(store.exists(L"C:\\New"));
    EXPECT_FALSE(store.RemoveDirectoryW(L"C:\\New"));
    EXPECT_EQ(store.GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FilesTest, DeniedPathsRefuseOpeningButStayVisible) {
    store.addFile(L"C:\\secret.txt", "x");
    store.addStream(L"C:\\secret.txt", L"s", "y");
    store.addFile(L"C:\\open.txt", "x");
    store.addStream(L"C:\\open.txt", L"locked", "y");
    store.addStream(L"C:\\open.txt", L"free", "z");
    store.denyAccess(L"C:\\secret.txt");
    store.denyAccess(L"C:\\open.txt:locked");

    EXPECT_EQ(openError(L"C:\\secret.txt"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(openError(L"C:\\secret.txt:s"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(openError(L"C:\\secret.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS),
              ERROR_ACCESS_DENIED);
    EXPECT_NE(store.GetFileAttributesW(L"C:\\secret.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(find(L"C:\\secret*"), std::vector<std::wstring>{L"secret.txt"});
    EXPECT_EQ(openError(L"C:\\open.txt:locked"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(openError(L"C:\\open.txt:free"), ERROR_SUCCESS);
    EXPECT_EQ(openError(L"C:\\open.txt"), ERROR_SUCCESS);
    EXPECT_FALSE(store.DeleteFileW(L"C:\\secret.txt"));
    EXPECT_EQ(store.GetLastError(), ERROR_ACCESS_DENIED);

    store.denyAccess(L"C:\\secret.txt", false);
    EXPECT_EQ(openError(L"C:\\secret.txt"), ERROR_SUCCESS);
}

TEST_F(FilesTest, ReadOnlyAndHiddenFilesRefuseWritesAndPlainOverwrites) {
    store.addFile(L"C:\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
    store.addFile(L"C:\\hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(openError(L"C:\\ro.txt", GENERIC_WRITE), ERROR_ACCESS_DENIED);
    EXPECT_EQ(openError(L"C:\\ro.txt:new", GENERIC_WRITE, 0, CREATE_NEW), ERROR_ACCESS_DENIED);
    EXPECT_EQ(openError(L"C:\\ro.txt", GENERIC_READ), ERROR_SUCCESS);
    EXPECT_EQ(openError(L"C:\\hidden.txt", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(openError(L"C:\\hidden.txt", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN),
              ERROR_SUCCESS);
    EXPECT_EQ(openError(L"C:\\hidden.txt", GENERIC_WRITE, 0, OPEN_EXISTING), ERROR_SUCCESS);
}

} // namespace
} // namespace storetest
