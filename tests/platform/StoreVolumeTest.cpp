// Drives, volumes, the error mode, the Windows folder and the redirection switches.

#include "StoreFixture.h"

#include <cwchar>
#include <thread>

namespace storetest {
namespace {

class VolumeTest : public StoreTest {
protected:
    VolumeTest() {
        store.addDrive(L'D', DRIVE_REMOVABLE, L"STICK", L"FAT32");
        store.addDrive(L'E', DRIVE_CDROM, L"", L"CDFS", false);
        store.addDrive(L'Z', DRIVE_REMOTE, L"Share", L"NTFS");
    }
};

TEST_F(VolumeTest, DrivesAreListedWithTheirTypes) {
    EXPECT_EQ(store.GetLogicalDrives(), (1u << 2) | (1u << 3) | (1u << 4) | (1u << 25));
    struct Case {
        const wchar_t* root;
        UINT type;
    } cases[] = {
        {L"C:\\", DRIVE_FIXED},       {L"c:\\", DRIVE_FIXED},
        {L"C:", DRIVE_FIXED},         {L"D:\\", DRIVE_REMOVABLE},
        {L"E:\\", DRIVE_CDROM},       {L"Z:\\", DRIVE_REMOTE},
        {L"Q:\\", DRIVE_NO_ROOT_DIR}, {L"C:\\Windows\\", DRIVE_NO_ROOT_DIR},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(store.GetDriveTypeW(c.root), c.type) << c.root;
    }
}

TEST_F(VolumeTest, VolumeInformationGivesLabelAndFileSystem) {
    wchar_t label[32];
    wchar_t fileSystem[16];
    DWORD serial = 0;
    DWORD flags = 0;
    ASSERT_TRUE(store.GetVolumeInformationW(L"D:\\", label, 32, &serial, nullptr, &flags, fileSystem, 16));
    EXPECT_EQ(std::wstring(label), L"STICK");
    EXPECT_EQ(std::wstring(fileSystem), L"FAT32");
    EXPECT_NE(serial, 0u);
    ASSERT_TRUE(store.GetVolumeInformationW(L"C:\\", nullptr, 0, nullptr, nullptr, &flags, fileSystem, 16));
    EXPECT_EQ(std::wstring(fileSystem), L"NTFS");
    EXPECT_NE(flags & 0x40000u, 0u) << "NTFS reports named streams";

    struct Case {
        const wchar_t* root;
        DWORD labelSize;
        DWORD error;
    } failures[] = {
        {L"E:\\", 32, ERROR_NOT_READY},
        {L"Q:\\", 32, ERROR_PATH_NOT_FOUND},
        {L"C:", 32, ERROR_INVALID_NAME},
        {L"D:\\", 5, 24}, // ERROR_BAD_LENGTH: "STICK" needs 6
    };
    for (const Case& c : failures) {
        EXPECT_FALSE(store.GetVolumeInformationW(c.root, label, c.labelSize, nullptr, nullptr, nullptr,
                                                 fileSystem, 16))
            << c.root;
        EXPECT_EQ(store.GetLastError(), c.error) << c.root;
    }
    store.setMediaPresent(L'E', true);
    EXPECT_TRUE(store.GetVolumeInformationW(L"E:\\", label, 32, nullptr, nullptr, nullptr, fileSystem, 16));
    EXPECT_EQ(std::wstring(label), L"");
}

TEST_F(VolumeTest, FileSystemsWithoutNamedStreamsRefuseStreamPaths) {
    store.addFile(L"D:\\f.txt", "x");
    EXPECT_EQ(openError(L"D:\\f.txt:s", GENERIC_WRITE, 0, CREATE_NEW), ERROR_INVALID_NAME);
    EXPECT_EQ(openError(L"D:\\f.txt"), ERROR_SUCCESS);
}

TEST_F(VolumeTest, WindowsDirectoryGivesItsLengthLikeWindows) {
    store.setWindowsDirectory(L"C:\\WINNT");
    wchar_t buffer[16];
    EXPECT_EQ(store.GetWindowsDirectoryW(buffer, 16), 8u);
    EXPECT_EQ(std::wstring(buffer), L"C:\\WINNT");
    EXPECT_EQ(store.GetWindowsDirectoryW(buffer, 8), 9u) << "too small: the size needed with the terminator";
    EXPECT_EQ(store.GetWindowsDirectoryW(nullptr, 0), 9u);
}

TEST_F(VolumeTest, ErrorModeReturnsThePreviousMode) {
    EXPECT_EQ(store.SetErrorMode(SEM_FAILCRITICALERRORS), 0u);
    EXPECT_EQ(store.errorMode(), SEM_FAILCRITICALERRORS);
    EXPECT_EQ(store.SetErrorMode(0), SEM_FAILCRITICALERRORS);
}

TEST_F(VolumeTest, RedirectionIsSwitchedPerThread) {
    EXPECT_TRUE(store.hasRedirectionFunctions());
    void* old = nullptr;
    ASSERT_TRUE(store.Wow64DisableWow64FsRedirection(&old));
    EXPECT_EQ(store.redirectionOffCount(), 1);
    std::thread other([this] { EXPECT_EQ(store.redirectionOffCount(), 0); });
    other.join();
    EXPECT_TRUE(store.Wow64EnableWow64FsRedirection(TRUE));
    EXPECT_EQ(store.redirectionOffCount(), 0);

    store.setRedirectionFunctionsAvailable(false);
    EXPECT_FALSE(store.hasRedirectionFunctions());
}

TEST_F(VolumeTest, RedirectionSendsTheSystemFolderToThe32BitOneWhileItIsOn) {
    store.addFile(L"C:\\Windows\\System32\\same.dll", "real");
    store.addFile(L"C:\\Windows\\SysWOW64\\same.dll", "wow32");
    store.addFile(L"C:\\Windows\\System32\\drivers\\x.sys", "real");
    store.addFile(L"C:\\Windows\\SysWOW64\\drivers\\x.sys", "wow32");
    store.addFile(L"C:\\Windows\\System32\\drivers\\etc\\hosts", "real");
    store.addFile(L"C:\\Windows\\System32\\catroot\\c.cat", "real");
    store.addFile(L"C:\\Windows\\System32\\spool\\job", "real");
    store.addFile(L"C:\\Windows\\notepad.exe", "real");
    store.addFile(L"C:\\Other\\System32\\same.dll", "real");
    store.addFile(L"Z:\\Windows\\System32\\same.dll", "real");
    const struct {
        const wchar_t* path;
        const char* whileOn; // what the path reaches while redirection is on; off, it reaches "real"
    } cases[] = {
        {L"C:\\Windows\\System32\\same.dll", "wow32"},
        {L"c:\\WINDOWS\\system32\\SAME.DLL", "wow32"},
        {L"C:\\Windows\\System32\\drivers\\x.sys", "wow32"},
        {L"C:\\Windows\\System32\\drivers\\etc\\hosts", "real"}, // the folders Windows leaves alone
        {L"C:\\Windows\\System32\\catroot\\c.cat", "real"},
        {L"C:\\Windows\\System32\\spool\\job", "real"},
        {L"C:\\Windows\\notepad.exe", "real"}, // outside the system folder
        {L"C:\\Other\\System32\\same.dll", "real"},
        {L"Z:\\Windows\\System32\\same.dll", "real"},
    };
    const auto reached = [&](const wchar_t* path) {
        HANDLE h = open(path);
        if (h == INVALID_HANDLE_VALUE) {
            return std::string("(missing)");
        }
        std::string content = readAll(h);
        store.CloseHandle(h);
        return content;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.path, c.path + std::wcslen(c.path)));
        EXPECT_EQ(reached(c.path), c.whileOn);
        void* old = nullptr;
        ASSERT_TRUE(store.Wow64DisableWow64FsRedirection(&old));
        EXPECT_EQ(reached(c.path), "real");
        // Another thread keeps its own redirection on.
        std::thread other([&] { EXPECT_EQ(reached(c.path), c.whileOn); });
        other.join();
        store.Wow64EnableWow64FsRedirection(TRUE);
    }
    EXPECT_EQ(store.redirectedCalls(), 2 * 3) << "each redirected open, on both threads";

    // Searches, attributes and deletion are redirected too; the test's own look at the store is not.
    EXPECT_EQ(find(L"C:\\Windows\\System32\\*"),
              (std::vector<std::wstring>{L".", L"..", L"drivers", L"same.dll"}));
    EXPECT_EQ(find(L"C:\\Windows\\System32\\drivers\\*"), (std::vector<std::wstring>{L".", L"..", L"x.sys"}));
    EXPECT_NE(store.GetFileAttributesW(L"C:\\Windows\\System32\\drivers\\etc"), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(store.DeleteFileW(L"C:\\Windows\\System32\\same.dll"));
    EXPECT_FALSE(store.exists(L"C:\\Windows\\SysWOW64\\same.dll"));
    EXPECT_EQ(store.readData(L"C:\\Windows\\System32\\same.dll"), "real");

    // Without the redirection functions there is no redirection (32-bit Windows).
    store.setRedirectionFunctionsAvailable(false);
    EXPECT_EQ(reached(L"C:\\Windows\\System32\\drivers\\x.sys"), "real");
}

} // namespace
} // namespace storetest
