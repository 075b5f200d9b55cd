// Directory search: wildcards, short names, "." and "..", attributes and sizes as Windows reports them.

#include "conformance/ConformanceFixture.h"

namespace conformance {
namespace {

using Names = std::vector<std::wstring>;

class DirectorySearch : public TConformanceCase {
protected:
    void SetUp() override {
        TConformanceCase::SetUp();
        if (IsSkipped()) {
            return;
        }
        target().makeFolder(path(L"dir"));
        target().makeFile(path(L"dir\\a.txt"), "a");
        target().makeFile(path(L"dir\\ab.txt"), "ab");
        target().makeFile(path(L"dir\\noext"), "12345");
        target().makeFile(path(L"dir\\Data.Bin"), "");
        target().makeFolder(path(L"dir\\sub"));
    }
};

struct TPatternCase {
    const wchar_t* pattern;
    Names expected; // sorted
};

TEST_F(DirectorySearch, PatternsMatchAsWindowsDoes) {
    const TPatternCase cases[] = {
        {L"*", {L".", L"..", L"Data.Bin", L"a.txt", L"ab.txt", L"noext", L"sub"}},
        // "*.*" matches names without a dot too.
        {L"*.*", {L".", L"..", L"Data.Bin", L"a.txt", L"ab.txt", L"noext", L"sub"}},
        {L"?.txt", {L"a.txt"}},
        {L"*.TXT", {L"a.txt", L"ab.txt"}}, // names compare without case
        {L"d*", {L"Data.Bin"}},            // and keep their own case
        {L"n?ext", {L"noext"}},
        {L"NOEXT", {L"noext"}},
        {L"sub", {L"sub"}},
    };
    for (const TPatternCase& c : cases) {
        EXPECT_EQ(searchNames(path(L"dir\\") + c.pattern), c.expected) << narrow(c.pattern);
    }
}

TEST_F(DirectorySearch, EndsWithNoMoreFiles) {
    plat::DWORD error = 0;
    EXPECT_EQ(search(path(L"dir\\*.txt"), &error).size(), 2u);
    EXPECT_EQ(error, plat::ERROR_NO_MORE_FILES);
}

TEST_F(DirectorySearch, FailsWithTheReasonWhenNothingMatches) {
    struct TCase {
        const wchar_t* pattern;
        plat::DWORD error;
    };
    const TCase cases[] = {
        {L"dir\\nothing*", plat::ERROR_FILE_NOT_FOUND},
        {L"dir\\missing.txt", plat::ERROR_FILE_NOT_FOUND},
        {L"missing\\*", plat::ERROR_PATH_NOT_FOUND},
    };
    for (const TCase& c : cases) {
        plat::DWORD error = 0;
        EXPECT_TRUE(search(path(c.pattern), &error).empty()) << narrow(c.pattern);
        EXPECT_EQ(error, c.error) << narrow(c.pattern);
    }
}

TEST_F(DirectorySearch, DotEntriesAreFoldersAndOnlyMatchWildcards) {
    int dots = 0;
    for (const TFoundEntry& entry : search(path(L"dir\\*"))) {
        if (entry.name == L"." || entry.name == L"..") {
            ++dots;
            EXPECT_NE(entry.attributes & plat::FILE_ATTRIBUTE_DIRECTORY, 0u) << narrow(entry.name);
        }
    }
    EXPECT_EQ(dots, 2);
    EXPECT_EQ(searchNames(path(L"dir\\*.txt")), (Names{L"a.txt", L"ab.txt"}));
}

TEST_F(DirectorySearch, ReportsAttributesAndSizes) {
    target().setAttributes(path(L"dir\\noext"), plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM);
    for (const TFoundEntry& entry : search(path(L"dir\\*"))) {
        if (entry.name == L"noext") {
            EXPECT_EQ(entry.attributes & (plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM),
                      plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM);
            EXPECT_EQ(entry.attributes & plat::FILE_ATTRIBUTE_DIRECTORY, 0u);
            EXPECT_EQ(entry.size, 5);
        } else if (entry.name == L"sub") {
            EXPECT_NE(entry.attributes & plat::FILE_ATTRIBUTE_DIRECTORY, 0u);
        } else if (entry.name == L"ab.txt") {
            EXPECT_EQ(entry.attributes & (plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM), 0u);
            EXPECT_EQ(entry.size, 2);
        }
    }
    plat::DWORD attributes = fs().GetFileAttributesW(path(L"dir\\noext").c_str());
    ASSERT_NE(attributes, plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(attributes & (plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM),
              plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM);
}

TEST_F(DirectorySearch, EntriesComeInNtfsOrder) {
    // Only NTFS keeps a folder's entries ordered; elsewhere (Wine on a Linux file system) they come in
    // the host folder's order. Wine may call such a folder NTFS, so named streams must work there too.
    wchar_t fileSystem[plat::MAX_PATH + 1] = {};
    const std::wstring volumeRoot = path(L"").substr(0, 3);
    fs().GetVolumeInformationW(volumeRoot.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                               plat::MAX_PATH + 1);
    if (!target().streamsSupported() || std::wstring(fileSystem) != L"NTFS") {
        GTEST_SKIP() << "entries come in NTFS order only on NTFS: " << target().noStreamsReason();
    }
    // By upper-cased name, unit by unit in UTF-16: "_" after the letters, a character past U+FFFF (a
    // surrogate pair) before U+FF21.
    target().makeFolder(path(L"order"));
    for (const wchar_t* name :
         {L"zeta", L"_low", L"Beta", L"\xFF21", L"alpha", L"\U0001F600", L"GAMMA", L"delta"}) {
        target().makeFile(path(L"order\\") + name, "x");
    }
    Names found;
    for (const TFoundEntry& entry : search(path(L"order\\*"))) {
        if (entry.name != L"." && entry.name != L"..") {
            found.push_back(entry.name);
        }
    }
    EXPECT_EQ(found,
              (Names{L"alpha", L"Beta", L"delta", L"GAMMA", L"zeta", L"_low", L"\U0001F600", L"\xFF21"}));
}

TEST_F(DirectorySearch, ShortNameFindsTheLongNamedFile) {
    const std::wstring longName = L"A long file name.text";
    target().makeFile(path(L"dir\\") + longName, "x");
    std::wstring shortName;
    for (const TFoundEntry& entry : search(path(L"dir\\") + longName)) {
        shortName = entry.shortName;
    }
    if (shortName.empty()) {
        GTEST_SKIP() << "the target gives no 8.3 name for a long name (short-name creation is off)";
    }
    EXPECT_LE(shortName.size(), 12u);
    EXPECT_NE(shortName.find(L'~'), std::wstring::npos) << narrow(shortName);
    // The 8.3 name as the pattern, and a wildcard that only the 8.3 name can match (the long name has
    // no "~"), both find the file under its long name.
    EXPECT_EQ(searchNames(path(L"dir\\") + shortName), Names{longName});
    EXPECT_EQ(searchNames(path(L"dir\\*~*")), Names{longName});
    // The 8.3 name opens the same file.
    EXPECT_EQ(readFile(path(L"dir\\") + shortName), "x");
}

} // namespace
} // namespace conformance
