// Stream preview and file times over the simulated store.

#include "stream/UntKorvaneLib.h"

#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "support/StoreLinks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;
using plat::store::TSimStore;

namespace {

// The test shell (dates dd/MM/yyyy, times HH:mm:ss, Latin-1), noting the day of the week it is given.
class TDayRecordingShell : public plat::TTestShell {
public:
    plat::WORD lastDayOfWeek = 99;
    std::wstring formatShortDate(const plat::SYSTEMTIME& time) override {
        lastDayOfWeek = time.wDayOfWeek;
        return plat::TTestShell::formatShortDate(time);
    }
};

// The store, recording the byte count of every read and optionally reporting a size of its choosing
// for every object (to stand for streams of 2 GiB and more).
class TReadRecordingStore : public TSimStore {
public:
    std::vector<plat::DWORD> readCounts;
    bool fakeSize = false;
    plat::DWORD fakeHigh = 0;
    plat::DWORD fakeLow = 0;

    plat::BOOL ReadFile(plat::HANDLE file, void* buffer, plat::DWORD toRead, plat::DWORD* read,
                        void* overlapped) override {
        readCounts.push_back(toRead);
        return TSimStore::ReadFile(file, buffer, toRead, read, overlapped);
    }
    plat::BOOL GetFileAttributesExW(const wchar_t* path, int level,
                                    plat::WIN32_FILE_ATTRIBUTE_DATA* data) override {
        const plat::BOOL ok = TSimStore::GetFileAttributesExW(path, level, data);
        if (ok != plat::FALSE && fakeSize) {
            data->nFileSizeHigh = fakeHigh;
            data->nFileSizeLow = fakeLow;
        }
        return ok;
    }
    plat::HANDLE FindFirstFileW(const wchar_t* pattern, plat::WIN32_FIND_DATAW* data) override {
        const plat::HANDLE find = TSimStore::FindFirstFileW(pattern, data);
        if (find != plat::INVALID_HANDLE_VALUE && fakeSize) {
            data->nFileSizeHigh = fakeHigh;
            data->nFileSizeLow = fakeLow;
        }
        return find;
    }
};

class PreviewTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installFileServices(&store);
        plat::installShellServices(&shell);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addFile(L"C:\\data\\report.txt", "main data");
    }
    void TearDown() override {
        EXPECT_EQ(store.openHandles(), 0);
        EXPECT_EQ(store.redirectionOffCount(), 0);
        plat::installFileServices(nullptr);
        plat::installShellServices(nullptr);
    }
    std::wstring previewOfStream(const std::string& data, std::int64_t count) {
        store.addStream(L"C:\\data\\report.txt", L"notes", data);
        return getContentPreview(L"C:\\data\\report.txt:notes", count);
    }

    TReadRecordingStore store;
    TDayRecordingShell shell;
};

struct TPreviewCase {
    const char* what;
    std::string data;
    std::int64_t count;
    std::wstring expected;
    std::vector<plat::DWORD> reads; // byte counts asked of ReadFile
};

TEST_F(PreviewTest, RendersTextOrHexReadingNoMoreThanTheStreamHolds) {
    const std::string utf16Hi("h\0i\0"s);
    const std::vector<TPreviewCase> cases = {
        {"empty stream", "", 30, L"", {}},
        {"short text reads only its size", "hello", 30, L"hello", {5}},
        {"executable header as hex", "\x4D\x5A\x90\x00\x03"s, 30, L"4D,5A,90,00,03", {5}},
        {"line breaks kept", "one\r\ntwo\nthree", 30, L"one\r\ntwo\nthree", {14}},
        {"UTF-16 text counts as text, zeros kept", utf16Hi, 30, L"h\0i\0"s, {4}},
        {"long text cut at the preview length",
         std::string(2000, 'x'),
         1024,
         std::wstring(1024, L'x'),
         {1024}},
        {"length above the largest preview is cut to it",
         std::string(2000, 'y'),
         5000,
         std::wstring(1024, L'y'),
         {1024}},
        {"a zero length reads nothing", "hello", 0, L"", {}},
        {"a negative length reads nothing", "hello", -7, L"", {}},
        {"control byte after text makes it hex", "ab\x01", 30, L"61,62,01", {3}},
    };
    for (const TPreviewCase& c : cases) {
        SCOPED_TRACE(c.what);
        store.readCounts.clear();
        EXPECT_EQ(previewOfStream(c.data, c.count), c.expected);
        EXPECT_EQ(store.readCounts, c.reads);
    }
}

TEST_F(PreviewTest, ASizeThatDoesNotFitIsNeverAReadCount) {
    store.fakeSize = true;
    const std::vector<std::pair<plat::DWORD, plat::DWORD>> sizes = {
        {0xFFFFFFFF, 0xFFFFFFFB}, // negative
        {0x00000000, 0x80000000}, // 2 GiB: negative as a 32-bit value
        {0x00000001, 0x00000000}, // 4 GiB
    };
    for (const auto& [high, low] : sizes) {
        SCOPED_TRACE(testing::Message() << high << ":" << low);
        store.fakeHigh = high;
        store.fakeLow = low;
        store.readCounts.clear();
        EXPECT_EQ(previewOfStream("hello", 30), L"hello");
        EXPECT_EQ(store.readCounts, std::vector<plat::DWORD>{30});
    }
}

TEST_F(PreviewTest, GivesNothingWhenThePathCannotBeRead) {
    store.addStream(L"C:\\data\\report.txt", L"notes", "hello");
    EXPECT_EQ(getContentPreview(L"C:\\data\\missing.txt:notes", 30), L"");
    EXPECT_EQ(getContentPreview(L"C:\\data\\report.txt:missing", 30), L"");
    EXPECT_EQ(getContentPreview(L"C:\\data", 30), L"");

    const int hold = store.holdOpen(L"C:\\data\\report.txt", plat::GENERIC_READ | plat::GENERIC_WRITE, 0);
    EXPECT_EQ(getContentPreview(L"C:\\data\\report.txt", 30), L"");
    store.release(hold);
    EXPECT_EQ(getContentPreview(L"C:\\data\\report.txt", 30), L"main data");

    store.denyAccess(L"C:\\data\\report.txt:notes");
    EXPECT_EQ(getContentPreview(L"C:\\data\\report.txt:notes", 30), L"");
}

TEST_F(PreviewTest, AStreamOfAFolderOrOfTheDriveRootIsPreviewedAndHasTheFoldersTimes) {
    store.addStream(L"C:\\data", L"tag", "on the folder");
    store.addStream(L"C:\\", L"boot", "on the root");
    EXPECT_EQ(getContentPreview(L"C:\\data:tag", 30), L"on the folder");
    EXPECT_EQ(getContentPreview(L"C:\\:boot", 30), L"on the root");
    EXPECT_EQ(getContentPreview(L"C:\\data", 30), L"") << "a folder has no data of its own";

    const plat::FILETIME creation{1769892144, 31092486};  // 2024-03-05
    const plat::FILETIME lastWrite{1077175408, 29463127}; // 2001-12-31
    store.setTimes(L"C:\\data", creation, creation, lastWrite);
    TDateTime created;
    TDateTime written;
    EXPECT_FALSE(getFileTimes(L"C:\\data", created, written)) << "a folder opens only with backup semantics";
    ASSERT_TRUE(getFolderTimes(L"C:\\data", created, written));
    EXPECT_EQ(fileTimeText(created), L"05/03/2024 at 14:07:09");
    EXPECT_EQ(fileTimeText(written), L"31/12/2001 at 23:59:58");
    EXPECT_TRUE(getFolderTimes(L"C:\\", created, written));
    EXPECT_FALSE(getFolderTimes(L"C:\\missing", created, written));
}

TEST(ContentChecks, ControlBytesMakeContentNonText) {
    for (int b = 0; b < 256; ++b) {
        const bool control = (b >= 0x01 && b <= 0x08) || (b >= 0x0E && b <= 0x1F);
        EXPECT_EQ(isNonTextContent({0x41, static_cast<std::uint8_t>(b), 0x41}), control) << b;
    }
    EXPECT_FALSE(isNonTextContent({}));
}

TEST(ContentChecks, HexTextJoinsWithANonBlankSeparatorOnly) {
    const std::vector<std::uint8_t> bytes = {0x00, 0x0A, 0xFF, 0x7B};
    EXPECT_EQ(bytesToHexText(bytes, L","), L"00,0A,FF,7B");
    EXPECT_EQ(bytesToHexText(bytes, L" - "), L"00 - 0A - FF - 7B");
    EXPECT_EQ(bytesToHexText(bytes, L""), L"000AFF7B");
    EXPECT_EQ(bytesToHexText(bytes, L" \t\r"), L"000AFF7B");
    EXPECT_EQ(bytesToHexText({0x5A}, L","), L"5A");
    EXPECT_EQ(bytesToHexText({}, L","), L"");
}

TEST_F(PreviewTest, ReadsCreationAndLastWriteTimes) {
    const plat::FILETIME creation{1769892144, 31092486};  // 2024-03-05 14:07:09.123
    const plat::FILETIME lastWrite{1077175408, 29463127}; // 2001-12-31 23:59:58.007
    store.setTimes(L"C:\\data\\report.txt", creation, creation, lastWrite);
    TDateTime created;
    TDateTime written;
    ASSERT_TRUE(getFileTimes(L"C:\\data\\report.txt", created, written));
    EXPECT_EQ((std::vector<int>{created.year, created.month, created.day, created.hour, created.minute,
                                created.second, created.millisecond}),
              (std::vector<int>{2024, 3, 5, 14, 7, 9, 123}));
    EXPECT_EQ((std::vector<int>{written.year, written.month, written.day, written.hour, written.minute,
                                written.second, written.millisecond}),
              (std::vector<int>{2001, 12, 31, 23, 59, 58, 7}));

    EXPECT_EQ(fileTimeText(created), L"05/03/2024 at 14:07:09");
    EXPECT_EQ(shell.lastDayOfWeek, 2); // a Tuesday, for formats that name the day
    EXPECT_EQ(fileTimeText(written), L"31/12/2001 at 23:59:58");
    EXPECT_EQ(shell.lastDayOfWeek, 1);
}

TEST_F(PreviewTest, ALinksStreamAndTimesAreItsOwnNeverItsTargets) {
    const testsupport::TStoreLinks links(store, L"C:\\links");
    EXPECT_EQ(getContentPreview(links.junction + L":x", 30), L"junction's");
    EXPECT_EQ(getContentPreview(links.fileLink + L":x", 30), L"file link's");
    TDateTime created;
    TDateTime written;
    ASSERT_TRUE(getFolderTimes(links.junction, created, written));
    EXPECT_EQ(fileTimeText(created), L"05/03/2024 at 14:07:09");
    EXPECT_EQ(fileTimeText(written), L"31/12/2001 at 23:59:58");
    created = written = TDateTime{};
    ASSERT_TRUE(getFileTimes(links.fileLink, created, written));
    EXPECT_EQ(fileTimeText(created), L"05/03/2024 at 14:07:09");
    EXPECT_EQ(fileTimeText(written), L"31/12/2001 at 23:59:58");
}

TEST_F(PreviewTest, TimesFailForMissingAndLockedFiles) {
    TDateTime created;
    TDateTime written;
    EXPECT_FALSE(getFileTimes(L"C:\\data\\missing.txt", created, written));
    const int hold = store.holdOpen(L"C:\\data\\report.txt", plat::GENERIC_WRITE, 0);
    EXPECT_FALSE(getFileTimes(L"C:\\data\\report.txt", created, written));
    store.release(hold);
    store.failCall(plat::store::TCall::GetFileInformationByHandle, 1, plat::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(getFileTimes(L"C:\\data\\report.txt", created, written));
    EXPECT_TRUE(getFileTimes(L"C:\\data\\report.txt", created, written));
}

TEST_F(PreviewTest, ReadsWithRedirectionOff) {
    store.addStream(L"C:\\data\\report.txt", L"notes", "hello");
    int offDuringOpen = -1;
    store.beforeCall(plat::store::TCall::CreateFileW, 1,
                     [&] { offDuringOpen = store.redirectionOffCount(); });
    EXPECT_EQ(getContentPreview(L"C:\\data\\report.txt:notes", 30), L"hello");
    EXPECT_EQ(offDuringOpen, 1);
}

} // namespace
