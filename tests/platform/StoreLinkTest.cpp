// Links in the simulated store: followed where Windows follows them, opened as themselves where
// Windows opens them so, so that a test of the program catches a call that follows a link.

#include "StoreFixture.h"

namespace storetest {
namespace {

using plat::store::TLinkKind;

constexpr DWORD kItself = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;

class LinkTest : public StoreTest {
protected:
    LinkTest() {
        // A target folder and file, each with a stream "x"; a junction, a folder link and a file link
        // to them, each with a stream "x" of its own.
        store.addFile(L"C:\\target\\t.txt", "target data");
        store.addStream(L"C:\\target\\t.txt", L"x", "target file's");
        store.addStream(L"C:\\target", L"x", "target folder's");
        store.addLink(L"C:\\J", L"C:\\target", TLinkKind::junction);
        store.addLink(L"C:\\D", L"C:\\target", TLinkKind::folderSymbolicLink);
        store.addLink(L"C:\\L", L"C:\\target\\t.txt", TLinkKind::fileSymbolicLink);
        store.addStream(L"C:\\J", L"x", "junction's");
        store.addStream(L"C:\\D", L"x", "folder link's");
        store.addStream(L"C:\\L", L"x", "file link's");
    }

    // What an open with these flags reads, or the error as text.
    std::string readWith(const std::wstring& path, DWORD flags) {
        HANDLE h = open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, flags);
        if (h == INVALID_HANDLE_VALUE) {
            return "error " + std::to_string(store.GetLastError());
        }
        std::string all = readAll(h);
        store.CloseHandle(h);
        return all;
    }

    std::uint64_t fileIndex(const std::wstring& path, DWORD flags) {
        HANDLE h = open(path, 0, kShareAll, OPEN_EXISTING, flags);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << "opening " << std::string(path.begin(), path.end());
        BY_HANDLE_FILE_INFORMATION info{};
        store.GetFileInformationByHandle(h, &info);
        store.CloseHandle(h);
        return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }

    static constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
};

TEST_F(LinkTest, AnOpenFollowsALinkUnlessItAsksForTheLinkItself) {
    struct TCase {
        const wchar_t* path;
        std::string followed;
        std::string itself;
    };
    const TCase cases[] = {
        {L"C:\\J:x", "target folder's", "junction's"},
        {L"C:\\D:x", "target folder's", "folder link's"},
        {L"C:\\L:x", "target file's", "file link's"},
        {L"C:\\L", "target data", ""},
        // Below a link the path goes on in its target, whatever the flags say of the last name.
        {L"C:\\J\\t.txt:x", "target file's", "target file's"},
        {L"C:\\D\\t.txt", "target data", "target data"},
    };
    for (const TCase& c : cases) {
        const std::string path(c.path, c.path + std::wcslen(c.path));
        EXPECT_EQ(readWith(c.path, FILE_FLAG_BACKUP_SEMANTICS), c.followed) << path;
        EXPECT_EQ(readWith(c.path, kItself), c.itself) << path;
    }
    EXPECT_EQ(fileIndex(L"C:\\J", FILE_FLAG_BACKUP_SEMANTICS), fileIndex(L"C:\\target", kItself));
    EXPECT_NE(fileIndex(L"C:\\J", kItself), fileIndex(L"C:\\target", kItself));
}

TEST_F(LinkTest, ListingsFollowAndAttributeQueriesAndDeletesActOnTheLink) {
    using TStreams = std::vector<std::pair<std::wstring, std::int64_t>>;
    // The stream listing opens what it lists as a plain open does.
    EXPECT_EQ(streams(L"C:\\L"), (TStreams{{L"::$DATA", 11}, {L":x:$DATA", 13}}));
    EXPECT_EQ(streams(L"C:\\J"), (TStreams{{L":x:$DATA", 15}}));
    // A directory search below a link lists the target's entries; the link's own entry is its own.
    EXPECT_EQ(find(L"C:\\J\\*"), (std::vector<std::wstring>{L".", L"..", L"t.txt"}));
    WIN32_FIND_DATAW entry{};
    HANDLE h = store.FindFirstFileW(L"C:\\L", &entry);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(entry.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(entry.dwReserved0, 0xA000000Cu); // a symbolic link's tag
    EXPECT_EQ(entry.nFileSizeLow, 0u);
    store.FindClose(h);
    // Attribute queries answer for the link and its own streams.
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    ASSERT_TRUE(store.GetFileAttributesExW(L"C:\\L:x", GetFileExInfoStandard, &attributes));
    EXPECT_EQ(attributes.nFileSizeLow, 11u); // "file link's"
    EXPECT_EQ(store.GetFileAttributesW(L"C:\\J"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    // Deleting a link's stream deletes the link's own.
    ASSERT_TRUE(store.DeleteFileW(L"C:\\L:x"));
    ASSERT_TRUE(store.DeleteFileW(L"C:\\J:x"));
    EXPECT_FALSE(store.exists(L"C:\\L:x"));
    EXPECT_FALSE(store.exists(L"C:\\J:x"));
    EXPECT_EQ(store.readData(L"C:\\target\\t.txt:x"), "target file's");
    EXPECT_EQ(store.readData(L"C:\\target:x"), "target folder's");
}

TEST_F(LinkTest, LinksThatLeadNowhereFailAsOnWindows) {
    store.addLink(L"C:\\gone", L"C:\\missing.txt", TLinkKind::fileSymbolicLink);
    store.addLink(L"C:\\gonedir", L"C:\\missing", TLinkKind::junction);
    store.addLink(L"C:\\a", L"C:\\b", TLinkKind::fileSymbolicLink);
    store.addLink(L"C:\\b", L"C:\\a", TLinkKind::fileSymbolicLink);
    EXPECT_EQ(openError(L"C:\\gone"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(openError(L"C:\\gone", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, kItself), ERROR_SUCCESS);
    EXPECT_EQ(openError(L"C:\\gonedir\\x.txt"), ERROR_PATH_NOT_FOUND);
    DWORD error = 0;
    EXPECT_TRUE(find(L"C:\\gonedir\\*", &error).empty());
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(openError(L"C:\\a"), ERROR_CANT_RESOLVE_FILENAME);
    EXPECT_EQ(openError(L"C:\\a", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, kItself), ERROR_SUCCESS);
}

} // namespace
} // namespace storetest
