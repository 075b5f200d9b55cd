// Names as NTFS compares and orders them: through its upper-case table, and a file's named streams
// and a folder's entries by the upper-cased names, unit by unit in UTF-16.

#include "StoreFixture.h"

#include "ntfs/Utf16.h"

#include <gmock/gmock.h>

namespace storetest {
namespace {

using testing::ElementsAre;
using NameOrderTest = StoreTest;

// A name of one character.
std::wstring one(std::uint32_t unit) {
    return std::wstring(1, static_cast<wchar_t>(unit));
}

struct TFoldCase {
    std::uint32_t lower;
    std::uint32_t upper;
    bool same; // whether NTFS takes the two for one name
};

// Units where NTFS's table is not the obvious rule: letters it folds beyond Latin-1, Greek and
// Cyrillic, and letters it leaves alone although Unicode knows a capital for them.
const TFoldCase kFoldCases[] = {
    {0x00FF, 0x0178, true},  // y with diaeresis: its capital lies outside Latin-1
    {0x0180, 0x0243, true},  // b with stroke
    {0x01C6, 0x01C4, true},  // dz with caron; the title-case form U+01C5 stays itself
    {0x01C5, 0x01C4, false}, //
    {0x0250, 0x2C6F, true},  // turned a
    {0x0561, 0x0531, true},  // Armenian ayb
    {0x1E01, 0x1E00, true},  // a with ring below
    {0x1F80, 0x1F88, true},  // Greek with ypogegrammeni
    {0x2170, 0x2160, true},  // small roman numeral one
    {0x24D0, 0x24B6, true},  // circled a
    {0x2C65, 0x023A, true},  // a with stroke: the capital lies below the small letter
    {0xFF41, 0xFF21, true},  // full-width a
    {0x03C2, 0x03A3, false}, // final sigma is not folded
    {0x03C3, 0x03A3, true},  // while sigma is
    {0x0131, 0x0049, false}, // dotless i
    {0x00DF, 0x1E9E, false}, // sharp s and its capital
    {0x017F, 0x0053, false}, // long s
    {0x00B5, 0x039C, false}, // micro sign and Greek mu
};

TEST_F(NameOrderTest, NamesCompareThroughNtfsUpperCaseTable) {
    for (const TFoldCase& c : kFoldCases) {
        SCOPED_TRACE(testing::Message() << std::hex << "U+" << c.lower << " / U+" << c.upper);
        const std::wstring folder = L"C:\\fold\\" + one(c.lower);
        const std::wstring lower = folder + L"\\f" + one(c.lower);
        const std::wstring upper = folder + L"\\F" + one(c.upper);
        store.addFile(lower, "small");
        store.addStream(lower, L"s" + one(c.lower), "stream");

        // The other spelling reaches the file and the stream, or names neither.
        EXPECT_EQ(store.GetFileAttributesW(upper.c_str()) != INVALID_FILE_ATTRIBUTES, c.same);
        EXPECT_EQ(store.GetFileAttributesW((lower + L":S" + one(c.upper)).c_str()) != INVALID_FILE_ATTRIBUTES,
                  c.same);
        EXPECT_EQ(find(upper).size(), c.same ? 1u : 0u);

        // Creating the other spelling opens the same file, or makes a second one.
        HANDLE h = open(upper, GENERIC_WRITE, 0, CREATE_NEW);
        EXPECT_EQ(h == INVALID_HANDLE_VALUE, c.same);
        if (h != INVALID_HANDLE_VALUE) {
            store.CloseHandle(h);
        } else {
            EXPECT_EQ(store.GetLastError(), ERROR_FILE_EXISTS);
        }
        EXPECT_EQ(store.entryNames(folder).size(), c.same ? 1u : 2u);
    }
}

TEST_F(NameOrderTest, NamedStreamsComeInNtfsOrderWhateverTheOrderTheyWereMadeIn) {
    store.addFile(L"C:\\f.txt", "main");
    // Made in this order; NTFS orders by upper-cased name, so "_" (between the capitals and the small
    // letters) comes after every letter, the case of a letter does not count, U+2C65 sorts as its
    // capital U+023A, and a character past U+FFFF (a surrogate pair) comes before U+E000..U+FFFF.
    const std::wstring made[] = {L"zeta",     L"_under",          L"Beta",
                                 L"alpha",    L"\xFF21wide",      L"\U0001F600smile",
                                 L"Alphabet", L"b" + one(0x2C65), L"b" + one(0x023B)};
    for (const std::wstring& name : made) {
        store.addStream(L"C:\\f.txt", name, "x");
    }
    const std::vector<std::wstring> expected = {L"alpha",           L"Alphabet",        L"Beta",
                                                L"b" + one(0x2C65), L"b" + one(0x023B), L"zeta",
                                                L"_under",          L"\U0001F600smile", L"\xFF21wide"};
    EXPECT_EQ(store.streamNames(L"C:\\f.txt"), expected);

    std::vector<std::pair<std::wstring, std::int64_t>> listed = {{L"::$DATA", 4}};
    for (const std::wstring& name : expected) {
        listed.emplace_back(L":" + name + L":$DATA", 1);
    }
    EXPECT_EQ(streams(L"C:\\f.txt"), listed);

    // A stream made through a stream path takes its place too, and a deleted one leaves no gap.
    HANDLE h = open(L"C:\\f.txt:BETB", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    store.CloseHandle(h);
    ASSERT_TRUE(store.DeleteFileW(L"C:\\f.txt:zeta"));
    EXPECT_THAT(store.streamNames(L"C:\\f.txt"),
                ElementsAre(L"alpha", L"Alphabet", L"Beta", L"BETB", L"b" + one(0x2C65), L"b" + one(0x023B),
                            L"_under", L"\U0001F600smile", L"\xFF21wide"));
}

TEST_F(NameOrderTest, BackupStreamCarriesNamedStreamsInNtfsOrder) {
    store.setSecurityRecordSize(0);
    store.addFile(L"C:\\f.txt", "m");
    store.addStream(L"C:\\f.txt", L"b", "2");
    store.addStream(L"C:\\f.txt", L"_", "3");
    store.addStream(L"C:\\f.txt", L"A", "1");
    HANDLE h = open(L"C:\\f.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string bytes;
    void* context = nullptr;
    BYTE buffer[64];
    DWORD read = 0;
    while (store.BackupRead(h, buffer, sizeof buffer, &read, FALSE, TRUE, &context) && read > 0) {
        bytes.append(reinterpret_cast<const char*>(buffer), read);
    }
    store.BackupRead(h, buffer, 0, &read, TRUE, FALSE, &context);
    store.CloseHandle(h);

    // Each record's name and data, in the order the backup stream gives them.
    std::vector<std::wstring> records;
    for (std::size_t at = 0; at + kBackupHeaderSize <= bytes.size();) {
        const auto byte = [&](std::size_t i) {
            return static_cast<std::uint64_t>(static_cast<BYTE>(bytes[i]));
        };
        const std::uint64_t size = byte(at + 8) | byte(at + 9) << 8;
        const std::uint64_t nameSize = byte(at + 16) | byte(at + 17) << 8;
        at += kBackupHeaderSize;
        std::wstring record =
            ntfs::decodeUtf16Le(reinterpret_cast<const std::uint8_t*>(bytes.data() + at), nameSize / 2);
        at += nameSize;
        record += L"=" + std::wstring(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
        records.push_back(record);
    }
    EXPECT_THAT(records, ElementsAre(L"=m", L":A:$DATA=1", L":b:$DATA=2", L":_:$DATA=3"));
}

TEST_F(NameOrderTest, DirectorySearchGivesEntriesInNtfsOrder) {
    // Made in this order; the search gives them by upper-cased name in UTF-16 units.
    const std::wstring made[] = {L"\xFF21.txt",      L"\U0001F600.txt",  L"_.txt", L"b.txt",
                                 L"B" + one(0x023B), L"B" + one(0x2C65), L"A.txt"};
    for (const std::wstring& name : made) {
        store.addFile(L"C:\\dir\\" + name);
    }
    const std::vector<std::wstring> expected = {L"A.txt",           L"b.txt", L"B" + one(0x2C65),
                                                L"B" + one(0x023B), L"_.txt", L"\U0001F600.txt",
                                                L"\xFF21.txt"};
    EXPECT_EQ(store.entryNames(L"C:\\dir"), expected);
    std::vector<std::wstring> withDots = {L".", L".."};
    withDots.insert(withDots.end(), expected.begin(), expected.end());
    EXPECT_EQ(find(L"C:\\dir\\*"), withDots);
}

TEST(Utf16Order, ComparesUnitByUnitAsUtf16) {
    struct TCase {
        std::wstring a;
        std::wstring b;
        int order;
    };
    const TCase cases[] = {
        {L"", L"", 0},
        {L"a", L"ab", -1},
        {L"\xFFFF", L"\U00010000", 1},         // D800 DC00 comes before FFFF
        {L"x\xE000", L"x\U0010FFFF", 1},       // DBFF DFFF too
        {L"\U0001F600", L"\U0001F601", -1},    // same high surrogate, low ones decide
        {L"\xD83D", L"\U0001F600", -1},        // a lone high surrogate is a prefix of the pair
        {L"\xD83D\xDE00", L"\U0001F600", 0},   // a pair kept as two units is the same text
        {L"\xD83D\xDE01", L"\U0001F600", 1},   //
        {L"\xD83D\x0041", L"\U0001F600", -1},  // after the same high unit, 0041 < DE00
        {L"\U0001F600z", L"\xD83D\xDE00y", 1}, //
    };
    for (const TCase& c : cases) {
        const int got = ntfs::compareUtf16Units(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.order)
            << testing::PrintToString(c.a) << " vs " << testing::PrintToString(c.b);
        const int back = ntfs::compareUtf16Units(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.order);
    }
}

} // namespace
} // namespace storetest
