// Share modes between opens of the same stream, held by another program or by the program itself.

#include "StoreFixture.h"

namespace storetest {
namespace {

constexpr DWORD R = GENERIC_READ;
constexpr DWORD W = GENERIC_WRITE;
constexpr DWORD sR = FILE_SHARE_READ;
constexpr DWORD sW = FILE_SHARE_WRITE;
constexpr DWORD sD = FILE_SHARE_DELETE;

using SharingTest = StoreTest;

TEST_F(SharingTest, OpensAgainstAnExistingOpenFollowTheWindowsShareTable) {
    store.addFile(L"C:\\f.txt", "x");
    struct Case {
        DWORD heldAccess, heldShare, access, share;
        bool allowed;
    } cases[] = {
        {R, sR, R, sR, true},      {R, 0, R, sR | sW | sD, false}, // the holder does not share reading
        {R, sR, R, 0, false},  // the new open would not share the holder's reading
        {W, sR, R, sR, false}, // the new open would not share the holder's writing
        {W, sR, R, sR | sW, true}, {R, sR, W, sR | sW, false}, // the holder does not share writing
        {R, sR | sW, W, sR, true}, {R | W, sR | sW, R | W, sR | sW, true},
        {0, 0, R, 0, true}, // an open without data access takes no part
        {R, 0, 0, 0, true},        {R, sR | sW | sD, R | W, sR | sW | sD, true},
    };
    for (const Case& c : cases) {
        const int hold = store.holdOpen(L"C:\\f.txt", c.heldAccess, c.heldShare);
        const DWORD error = openError(L"C:\\f.txt", c.access, c.share);
        EXPECT_EQ(error, c.allowed ? ERROR_SUCCESS : ERROR_SHARING_VIOLATION)
            << std::hex << "held " << c.heldAccess << "/" << c.heldShare << " new " << c.access << "/"
            << c.share;
        store.release(hold);

        // The same between two opens of the program.
        HANDLE first = open(L"C:\\f.txt", c.heldAccess, c.heldShare);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        EXPECT_EQ(openError(L"C:\\f.txt", c.access, c.share), error);
        store.CloseHandle(first);
    }
    EXPECT_EQ(openError(L"C:\\f.txt", R | W, 0), ERROR_SUCCESS) << "released holds leave nothing behind";
}

TEST_F(SharingTest, EachStreamIsSharedOnItsOwn) {
    store.addFile(L"C:\\f.txt", "x");
    store.addStream(L"C:\\f.txt", L"s", "y");
    store.addStream(L"C:\\f.txt", L"t", "z");
    const int mainHold = store.holdOpen(L"C:\\f.txt", R, 0);
    EXPECT_EQ(openError(L"C:\\f.txt"), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(openError(L"C:\\f.txt", R, sR, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS),
              ERROR_SHARING_VIOLATION);
    EXPECT_EQ(openError(L"C:\\f.txt:s"), ERROR_SUCCESS);
    store.release(mainHold);

    const int streamHold = store.holdOpen(L"C:\\f.txt:s", R, sR);
    EXPECT_EQ(openError(L"C:\\f.txt:s", W, sR), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(openError(L"C:\\f.txt", R | W, 0), ERROR_SUCCESS);
    // Deleting needs every open of the stream (or, for the file, of any stream) to share deleting.
    EXPECT_FALSE(store.DeleteFileW(L"C:\\f.txt:s"));
    EXPECT_EQ(store.GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(store.DeleteFileW(L"C:\\f.txt"));
    EXPECT_EQ(store.GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(store.DeleteFileW(L"C:\\f.txt:t"));
    store.release(streamHold);
    EXPECT_TRUE(store.DeleteFileW(L"C:\\f.txt:s"));
}

TEST_F(SharingTest, DeletingAFileOpenWithDeleteSharingLeavesTheHandleWorking) {
    store.addFile(L"C:\\f.txt", "content");
    HANDLE h = open(L"C:\\f.txt", R, sR | sD);
    ASSERT_TRUE(store.DeleteFileW(L"C:\\f.txt"));
    EXPECT_FALSE(store.exists(L"C:\\f.txt"));
    EXPECT_EQ(readAll(h), "content");
    store.CloseHandle(h);
}

TEST_F(SharingTest, OverwritingTheMainDataNeedsItsStreamsFree) {
    store.addFile(L"C:\\f.txt", "x");
    store.addStream(L"C:\\f.txt", L"s", "y");
    HANDLE s = open(L"C:\\f.txt:s", R, sR | sW);
    EXPECT_EQ(openError(L"C:\\f.txt", W, sR | sW, CREATE_ALWAYS), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(store.readData(L"C:\\f.txt:s"), "y");
    store.CloseHandle(s);
}

TEST_F(SharingTest, FoldersInUseCannotBeRemoved) {
    store.addFolder(L"C:\\dir");
    HANDLE h = open(L"C:\\dir", R, sR, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(store.RemoveDirectoryW(L"C:\\dir"));
    EXPECT_EQ(store.GetLastError(), ERROR_SHARING_VIOLATION);
    store.CloseHandle(h);
    EXPECT_TRUE(store.RemoveDirectoryW(L"C:\\dir"));
}

} // namespace
} // namespace storetest
