// Directory searches, short names and stream listing.

#include "StoreFixture.h"

#include <algorithm>

namespace storetest {
namespace {

using Names = std::vector<std::wstring>;

class SearchTest : public StoreTest {
protected:
    SearchTest() {
        for (const wchar_t* name :
             {L"a.txt", L"a.txt.bak", L"b.TXT", L"README", L"index.html", L"Long File Name.text", L"x.y.z"}) {
            store.addFile(std::wstring(L"C:\\w\\") + name, "data");
        }
    }
};

TEST_F(SearchTest, MasksMatchLikeTheWindowsDirectorySearch) {
    const Names all{
        L".",      L"..",   L"a.txt", L"a.txt.bak", L"b.TXT", L"index.html", L"Long File Name.text",
        L"README", L"x.y.z"};
    struct Case {
        const wchar_t* mask;
        Names expected;
    } cases[] = {
        {L"*", all},
        {L"*.*", all}, // names without a dot too
        {L"*.txt", {L"a.txt", L"b.TXT"}},
        {L"*.TXT", {L"a.txt", L"b.TXT"}},
        {L"*.htm", {L"index.html"}},          // through the short name INDEX~1.HTM
        {L"*.tex", {L"Long File Name.text"}}, // LONGFI~1.TEX
        {L"LONGFI~1.TEX", {L"Long File Name.text"}},
        {L"*.", {L".", L"..", L"README"}}, // names without an extension
        {L"?.txt", {L"a.txt", L"b.TXT"}},
        {L"*.t?t", {L"a.txt", L"b.TXT"}},
        {L"readme", {L"README"}},
        {L"a.txt", {L"a.txt"}},
        {L"x*.z", {L"x.y.z"}},
        {L"*.y", {}},
        {L"??????", {L"README"}},
        {L"????????", {L"README"}}, // '?' also matches nothing at the end of a name
        {L"*.bak", {L"a.txt.bak"}},
        {L"a*", {L"a.txt", L"a.txt.bak"}},
        {L"*e*", {L"index.html", L"Long File Name.text", L"README"}},
    };
    for (const Case& c : cases) {
        DWORD error = 0;
        const Names found = find(std::wstring(L"C:\\w\\") + c.mask, &error);
        EXPECT_EQ(found, c.expected) << c.mask;
        EXPECT_EQ(error, c.expected.empty() ? ERROR_FILE_NOT_FOUND : ERROR_NO_MORE_FILES) << c.mask;
    }
}

TEST_F(SearchTest, SearchErrorsAreThoseOfWindows) {
    store.addDrive(L'E', DRIVE_CDROM, L"", L"CDFS", false);
    struct Case {
        const wchar_t* pattern;
        DWORD error;
    } cases[] = {
        {L"C:\\w\\missing*", ERROR_FILE_NOT_FOUND},
        {L"C:\\nowhere\\*", ERROR_PATH_NOT_FOUND},
        {L"C:\\w\\", ERROR_FILE_NOT_FOUND},
        {L"C:\\", ERROR_FILE_NOT_FOUND},
        {L"Q:\\*", ERROR_PATH_NOT_FOUND},
        {L"E:\\*", ERROR_NOT_READY},
        {L"C:\\w\\a.txt\\*", 267}, // ERROR_DIRECTORY
        {L"relative\\*", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        DWORD error = 0;
        EXPECT_TRUE(find(c.pattern, &error).empty()) << c.pattern;
        EXPECT_EQ(error, c.error) << c.pattern;
    }
    store.addFolder(L"C:\\closed");
    store.denyAccess(L"C:\\closed");
    DWORD error = 0;
    find(L"C:\\closed\\*", &error);
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);
}

TEST_F(SearchTest, RootsHaveNoDotEntriesAndNamesWithoutWildcardsFindOneEntry) {
    EXPECT_EQ(find(L"C:\\*"), Names{L"w"});
    EXPECT_EQ(find(L"C:\\W"), Names{L"w"});
    EXPECT_EQ(find(L"C:\\w\\INDEX.HTML"), Names{L"index.html"});
}

TEST_F(SearchTest, EntriesCarryAttributesSizesAndShortNames) {
    store.addFile(L"C:\\w\\big.bin", "", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    store.setDataSize(L"C:\\w\\big.bin", 0x200000005ULL);
    store.addFolder(L"C:\\w\\junction", FILE_ATTRIBUTE_REPARSE_POINT);
    WIN32_FIND_DATAW data{};
    HANDLE h = store.FindFirstFileW(L"C:\\w\\big.bin", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeHigh, 2u);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(std::wstring(data.cAlternateFileName), L"");
    store.FindClose(h);

    h = store.FindFirstFileW(L"C:\\w\\long*", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(data.cFileName), L"Long File Name.text");
    EXPECT_EQ(std::wstring(data.cAlternateFileName), L"LONGFI~1.TEX");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    store.FindClose(h);

    h = store.FindFirstFileW(L"C:\\w\\junction", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(data.nFileSizeLow, 0u);
    store.FindClose(h);
}

TEST_F(SearchTest, ASearchGoesOnPastChangesBehindIt) {
    WIN32_FIND_DATAW data{};
    HANDLE h = store.FindFirstFileW(L"C:\\w\\*.txt", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(data.cFileName), L"a.txt");
    store.addFile(L"C:\\w\\0.txt");                  // before the search's position: not seen
    store.addFile(L"C:\\w\\c.txt");                  // after it: seen
    ASSERT_TRUE(store.DeleteFileW(L"C:\\w\\b.TXT")); // not yet given: gone
    Names rest;
    while (store.FindNextFileW(h, &data)) {
        rest.emplace_back(data.cFileName);
    }
    EXPECT_EQ(store.GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_EQ(rest, Names{L"c.txt"});
    EXPECT_TRUE(store.FindClose(h));
    EXPECT_FALSE(store.FindClose(h));
    EXPECT_EQ(store.GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(ShortNames, AreMadeForLongNamesUniquePerFolderAndResolvePaths) {
    TSimStore store;
    store.addDrive(L'C', DRIVE_FIXED, L"", L"NTFS");
    struct Case {
        const wchar_t* name;
        const wchar_t* shortName;
    } cases[] = {
        {L"readme.txt", L""},
        {L"README.TXT2", L"README~1.TXT"},
        {L"Long File Name.text", L"LONGFI~1.TEX"},
        {L"Long File Name 2.text", L"LONGFI~2.TEX"},
        {L"a.txt.bak", L"ATXT~1.BAK"},
        {L".htaccess", L"HTACCE~1"},
        {L"x+y.txt", L"X_Y~1.TXT"},
        {L"two words", L"TWOWOR~1"},
    };
    for (const Case& c : cases) {
        const std::wstring path = std::wstring(L"C:\\d\\") + c.name;
        store.addFile(path, "x");
        EXPECT_EQ(store.shortName(path), c.shortName) << c.name;
        if (*c.shortName != L'\0') {
            EXPECT_NE(store.GetFileAttributesW((std::wstring(L"C:\\d\\") + c.shortName).c_str()),
                      INVALID_FILE_ATTRIBUTES)
                << c.shortName;
        }
    }
    store.addFile(L"C:\\Program Files\\app\\tool.exe", "x");
    EXPECT_NE(store.GetFileAttributesW(L"C:\\PROGRA~1\\app\\tool.exe"), INVALID_FILE_ATTRIBUTES);
    store.setShortName(L"C:\\Program Files", L"PF");
    EXPECT_NE(store.GetFileAttributesW(L"C:\\pf\\app\\tool.exe"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(store.GetFileAttributesW(L"C:\\PROGRA~1\\app\\tool.exe"), INVALID_FILE_ATTRIBUTES);
}

TEST(ShortNames, ManySimilarNamesGetHashedShortNamesThatStayUnique) {
    TSimStore store;
    store.addDrive(L'C', DRIVE_FIXED, L"", L"NTFS");
    std::vector<std::wstring> shortNames;
    for (int i = 0; i < 300; ++i) {
        const std::wstring path = L"C:\\d\\Holiday picture " + std::to_wstring(i) + L".jpeg";
        store.addFile(path, "x");
        shortNames.push_back(store.shortName(path));
        EXPECT_EQ(store.GetFileAttributesW((L"C:\\d\\" + shortNames.back()).c_str()), FILE_ATTRIBUTE_ARCHIVE)
            << shortNames.back();
    }
    EXPECT_EQ(shortNames[0], L"HOLIDA~1.JPE");
    EXPECT_EQ(shortNames[3], L"HOLIDA~4.JPE");
    EXPECT_EQ(shortNames[4].substr(0, 2), L"HO");
    EXPECT_EQ(shortNames[4].substr(6), L"~1.JPE");
    std::sort(shortNames.begin(), shortNames.end());
    EXPECT_EQ(std::unique(shortNames.begin(), shortNames.end()), shortNames.end());
}

using StreamListTest = StoreTest;

TEST_F(StreamListTest, ListsMainDataFirstThenNamedStreamsThenHandleEof) {
    store.addFile(L"C:\\f.txt", "12345");
    store.addStream(L"C:\\f.txt", L"a", "xyz");
    store.addStream(L"C:\\f.txt", L"Zone.Identifier", "");
    store.setDataSize(L"C:\\f.txt:a", 0x100000003ULL);
    DWORD error = 0;
    const auto found = streams(L"C:\\f.txt", &error);
    const std::vector<std::pair<std::wstring, std::int64_t>> expected{
        {L"::$DATA", 5}, {L":a:$DATA", 0x100000003LL}, {L":Zone.Identifier:$DATA", 0}};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(error, ERROR_HANDLE_EOF);

    store.addFile(L"C:\\plain.txt");
    EXPECT_EQ(streams(L"C:\\plain.txt"),
              (std::vector<std::pair<std::wstring, std::int64_t>>{{L"::$DATA", 0}}));
}

TEST_F(StreamListTest, FoldersListOnlyTheirNamedStreams) {
    store.addFolder(L"C:\\empty");
    store.addFolder(L"C:\\tagged");
    store.addStream(L"C:\\tagged", L"tag", "ab");
    WIN32_FIND_STREAM_DATA data{};
    EXPECT_EQ(store.FindFirstStreamW(L"C:\\empty", FindStreamInfoStandard, &data, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(store.GetLastError(), ERROR_HANDLE_EOF);
    EXPECT_EQ(streams(L"C:\\tagged"),
              (std::vector<std::pair<std::wstring, std::int64_t>>{{L":tag:$DATA", 2}}));
}

TEST_F(StreamListTest, FailuresGiveAnInvalidHandle) {
    store.addFile(L"C:\\secret.txt");
    store.denyAccess(L"C:\\secret.txt");
    store.addDrive(L'F', DRIVE_REMOVABLE, L"STICK", L"FAT32");
    store.addFile(L"F:\\f.txt", "x");
    struct Case {
        const wchar_t* path;
        DWORD error;
    } cases[] = {
        {L"C:\\missing.txt", ERROR_FILE_NOT_FOUND},
        {L"C:\\none\\f.txt", ERROR_PATH_NOT_FOUND},
        {L"C:\\secret.txt", ERROR_ACCESS_DENIED},
        {L"F:\\f.txt", ERROR_INVALID_PARAMETER},
    };
    WIN32_FIND_STREAM_DATA data{};
    for (const Case& c : cases) {
        EXPECT_EQ(store.FindFirstStreamW(c.path, FindStreamInfoStandard, &data, 0), INVALID_HANDLE_VALUE)
            << c.path;
        EXPECT_EQ(store.GetLastError(), c.error) << c.path;
    }
}

TEST_F(StreamListTest, CanBeMadeUnavailable) {
    EXPECT_TRUE(store.hasStreamFunctions());
    store.setStreamFunctionsAvailable(false);
    EXPECT_FALSE(store.hasStreamFunctions());
}

} // namespace
} // namespace storetest
