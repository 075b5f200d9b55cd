// File services made of two: the paths on the first's drives go to it, all others to the second;
// handles and the last error stay right across the two.

#include "platform/RoutedFileServices.h"
#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using namespace plat;
using plat::store::TSimStore;

TEST(PathDriveLetterTest, NamesTheDriveOfEveryFormOfPath) {
    struct Case {
        const wchar_t* path;
        wchar_t drive;
    } cases[] = {
        {L"C:\\Users\\a.txt", L'C'},
        {L"c:\\users\\a.txt", L'C'},
        {L"z:/tmp/out", L'Z'},
        {L"D:\\notes.txt:hidden", L'D'},
        {L"C:", L'C'},
        {L"C:relative.txt", L'C'}, // relative to the drive's current folder: still that drive
        {L"a:stream", L'A'},       // Windows reads this as drive A, not as stream "stream" of file "a"
        {L"\\\\?\\C:\\Users\\a.txt", L'C'},
        {L"\\\\?\\d:\\x", L'D'},
        {L"\\\\.\\C:", L'C'},
        {L"//?/F:/x", L'F'},
        {L"\\??\\Z:\\tmp", L'Z'},
        {L"relative.txt", 0},
        {L"relative.txt:stream", 0},
        {L".\\x", 0},
        {L"..\\x", 0},
        {L"\\rooted\\x", 0},
        {L"\\\\server\\share\\x", 0},
        {L"\\\\?\\UNC\\server\\share\\x", 0},
        {L"\\\\?\\Volume{12345678-1234-1234-1234-123456789abc}\\x", 0},
        {L"\\\\.\\PhysicalDrive0", 0},
        {L"1:\\x", 0},
        {L"", 0},
        {L"\\", 0},
        {L"\\\\", 0},
        {L"\\\\?", 0},
        {nullptr, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pathDriveLetter(c.path), c.drive) << (c.path != nullptr ? c.path : L"(null)");
    }
}

// The two stores, filled before the router is made: it takes the first's drive list when made.
struct TTwoStores {
    TTwoStores() {
        // Both have a C: drive with a file of the same name: the first's must win.
        drives.addDrive(L'C', DRIVE_FIXED, L"System", L"NTFS");
        drives.addDrive(L'D', DRIVE_FIXED, L"Data", L"NTFS");
        drives.addDrive(L'F', DRIVE_REMOVABLE, L"STICK", L"FAT32");
        drives.setWindowsDirectory(L"C:\\Windows");
        drives.addFile(L"C:\\a.txt", "from the drives");
        drives.addStream(L"C:\\a.txt", L"notes", "stream of the drives");
        rest.addDrive(L'C', DRIVE_FIXED, L"Other", L"NTFS");
        rest.addDrive(L'Z', DRIVE_REMOTE, L"Root", L"NTFS");
        rest.setWindowsDirectory(L"C:\\Other");
        rest.addFile(L"C:\\a.txt", "from the rest");
        rest.addFile(L"Z:\\tmp\\b.txt", "on Z");
        rest.addFolder(L"Z:\\tmp\\out");
    }
    TSimStore drives;
    TSimStore rest;
};

class RoutedFileServicesTest : public ::testing::Test, protected TTwoStores {
protected:
    void TearDown() override {
        EXPECT_EQ(drives.openHandles(), 0);
        EXPECT_EQ(rest.openHandles(), 0);
    }

    HANDLE open(const std::wstring& path, DWORD access = GENERIC_READ, DWORD disposition = OPEN_EXISTING) {
        return routed.CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
    }
    std::string readAll(HANDLE h) {
        std::string all;
        char buffer[5];
        DWORD read = 0;
        while (routed.ReadFile(h, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            all.append(buffer, read);
        }
        return all;
    }
    std::string readPath(const std::wstring& path) {
        HANDLE h = open(path);
        if (h == INVALID_HANDLE_VALUE) {
            return "(error " + std::to_string(routed.GetLastError()) + ")";
        }
        std::string all = readAll(h);
        routed.CloseHandle(h);
        return all;
    }

    TRoutedFileServices routed{drives, rest};
};

TEST_F(RoutedFileServicesTest, PathsGoToTheServicesOfTheirDrive) {
    struct Case {
        const wchar_t* path;
        std::string content;
    } cases[] = {
        {L"C:\\a.txt", "from the drives"},
        {L"c:\\A.TXT", "from the drives"},
        {L"\\\\?\\C:\\a.txt", "from the drives"},
        {L"\\\\?\\c:\\a.txt", "from the drives"},
        {L"C:\\a.txt:notes", "stream of the drives"},
        {L"Z:\\tmp\\b.txt", "on Z"},
        {L"z:\\TMP\\b.txt", "on Z"},
        {L"\\\\?\\Z:\\tmp\\b.txt", "on Z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readPath(c.path), c.content) << c.path;
    }
    // Names without a drive go to the second, which answers them as it does (the store: no such path).
    EXPECT_EQ(readPath(L"a.txt"), "(error 3)");
    EXPECT_EQ(&routed.servicesFor(L"a.txt"), &rest);
    EXPECT_EQ(&routed.servicesFor(L"\\\\server\\share\\a.txt"), &rest);
    EXPECT_EQ(&routed.servicesFor(L"F:\\"), &drives);
    EXPECT_EQ(&routed.servicesFor(L"E:\\"), &rest); // a drive the first does not have
}

TEST_F(RoutedFileServicesTest, AStreamIsSavedFromTheFirstIntoAFolderOfTheSecond) {
    HANDLE in = open(L"C:\\a.txt:notes");
    HANDLE out = open(L"Z:\\tmp\\out\\notes", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(in, INVALID_HANDLE_VALUE);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    EXPECT_NE(in, out) << "each store's first handle has the same value; the router's must not";
    EXPECT_EQ(routed.SetFilePointer(in, 0, nullptr, FILE_BEGIN), 0u);
    const std::string data = readAll(in);
    DWORD written = 0;
    EXPECT_TRUE(routed.WriteFile(out, data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    for (HANDLE h : {in, out}) {
        BY_HANDLE_FILE_INFORMATION info{};
        EXPECT_TRUE(routed.GetFileInformationByHandle(h, &info));
        EXPECT_EQ(info.nFileSizeLow, data.size());
    }
    EXPECT_TRUE(routed.CloseHandle(in));
    EXPECT_TRUE(routed.CloseHandle(out));

    EXPECT_EQ(rest.readData(L"Z:\\tmp\\out\\notes"), "stream of the drives");
    EXPECT_FALSE(drives.exists(L"Z:\\tmp\\out\\notes"));
    EXPECT_NE(routed.GetFileAttributesW(L"Z:\\tmp\\out\\notes"), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(routed.DeleteFileW(L"Z:\\tmp\\out\\notes"));
    EXPECT_FALSE(rest.exists(L"Z:\\tmp\\out\\notes"));
    EXPECT_TRUE(drives.exists(L"C:\\a.txt:notes"));
}

TEST_F(RoutedFileServicesTest, SearchesAndStreamListingsKeepToTheirServices) {
    WIN32_FIND_DATAW found{};
    HANDLE onZ = routed.FindFirstFileW(L"Z:\\tmp\\*.txt", &found);
    ASSERT_NE(onZ, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(found.cFileName), L"b.txt");
    WIN32_FIND_STREAM_DATA stream{};
    HANDLE streams = routed.FindFirstStreamW(L"C:\\a.txt", FindStreamInfoStandard, &stream, 0);
    ASSERT_NE(streams, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(stream.cStreamName), L"::$DATA");
    EXPECT_TRUE(routed.FindNextStreamW(streams, &stream));
    EXPECT_EQ(std::wstring(stream.cStreamName), L":notes:$DATA");
    EXPECT_FALSE(routed.FindNextFileW(onZ, &found));
    EXPECT_EQ(routed.GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_FALSE(routed.FindNextStreamW(streams, &stream));
    EXPECT_EQ(routed.GetLastError(), ERROR_HANDLE_EOF);
    EXPECT_TRUE(routed.FindClose(onZ));
    EXPECT_TRUE(routed.FindClose(streams));
}

TEST_F(RoutedFileServicesTest, HandlesItDidNotGiveOrHasClosedAreRefused) {
    HANDLE h = open(L"C:\\a.txt");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    HANDLE storeHandle =
        drives.CreateFileW(L"C:\\a.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[4];
    DWORD read = 0;
    for (HANDLE wrong : {storeHandle, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        routed.SetLastError(0);
        EXPECT_FALSE(routed.ReadFile(wrong, buffer, sizeof buffer, &read, nullptr));
        EXPECT_EQ(routed.GetLastError(), ERROR_INVALID_HANDLE);
    }
    EXPECT_EQ(routed.SetFilePointer(storeHandle, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(routed.GetLastError(), ERROR_INVALID_HANDLE);
    drives.CloseHandle(storeHandle);

    // A file handle is no find handle: the refused close keeps it usable.
    EXPECT_FALSE(routed.FindClose(h));
    EXPECT_TRUE(routed.ReadFile(h, buffer, sizeof buffer, &read, nullptr));
    EXPECT_TRUE(routed.CloseHandle(h));
    EXPECT_FALSE(routed.CloseHandle(h));
    EXPECT_EQ(routed.GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(RoutedFileServicesTest, TheLastErrorIsTheThreadsWhicheverServicesSetIt) {
    EXPECT_EQ(readPath(L"Z:\\missing.txt"), "(error 2)");
    EXPECT_EQ(readPath(L"C:\\missing\\a.txt"), "(error 3)");
    // A call that succeeds keeps the code of the failure before it, not the code the other services
    // kept from their own last failure.
    routed.SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_NE(routed.GetFileAttributesW(L"Z:\\tmp\\b.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(routed.GetLastError(), ERROR_ACCESS_DENIED);
    routed.SetLastError(0);
    EXPECT_NE(routed.GetFileAttributesW(L"C:\\a.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(routed.GetLastError(), 0u);

    DWORD otherThread = 0;
    std::thread([&] {
        routed.DeleteFileW(L"D:\\missing.txt");
        otherThread = routed.GetLastError();
    }).join();
    EXPECT_EQ(otherThread, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(routed.GetLastError(), 0u);
}

TEST_F(RoutedFileServicesTest, TheDriveListAndTheWindowsFolderAreTheFirsts) {
    EXPECT_EQ(routed.GetLogicalDrives(), (1u << 2) | (1u << 3) | (1u << 5));
    wchar_t folder[MAX_PATH];
    ASSERT_EQ(routed.GetWindowsDirectoryW(folder, MAX_PATH), 10u);
    EXPECT_EQ(std::wstring(folder), L"C:\\Windows");
    EXPECT_EQ(routed.GetDriveTypeW(L"F:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(routed.GetDriveTypeW(L"Z:\\"), DRIVE_REMOTE);
    wchar_t label[32];
    ASSERT_TRUE(routed.GetVolumeInformationW(L"C:\\", label, 32, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(std::wstring(label), L"System");
    ASSERT_TRUE(routed.GetVolumeInformationW(L"Z:\\", label, 32, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(std::wstring(label), L"Root");
    routed.SetErrorMode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(drives.errorMode(), SEM_FAILCRITICALERRORS);
    EXPECT_EQ(rest.errorMode(), SEM_FAILCRITICALERRORS);
}

} // namespace
