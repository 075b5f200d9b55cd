// The backup byte stream: record layout, order, split reads, seeks and the context's lifetime.

#include "StoreFixture.h"

namespace storetest {
namespace {

std::string le(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}

// A record as Windows lays it out: WIN32_STREAM_ID, the name in UTF-16LE, the data.
std::string record(DWORD id, DWORD attributes, const std::string& name, const std::string& data) {
    std::string nameBytes;
    for (char c : name) {
        nameBytes += c;
        nameBytes += '\0';
    }
    return le(id, 4) + le(attributes, 4) + le(data.size(), 8) + le(nameBytes.size(), 4) + nameBytes + data;
}

class BackupTest : public StoreTest {
protected:
    BackupTest() {
        store.addFile(L"C:\\f.txt", "hello");
        store.addStream(L"C:\\f.txt", L"ab", "123");
        store.addStream(L"C:\\f.txt", L"empty", "");
        store.setSecurityRecordSize(8);
    }
    HANDLE openForBackup(const std::wstring& path) {
        return open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    }
    // The whole stream in reads of the given size, then the context released.
    std::string readStream(HANDLE h, DWORD chunk, BOOL security) {
        std::string all;
        std::vector<BYTE> buffer(chunk);
        void* context = nullptr;
        DWORD read = 0;
        while (store.BackupRead(h, buffer.data(), chunk, &read, FALSE, security, &context) && read > 0) {
            all.append(reinterpret_cast<const char*>(buffer.data()), read);
        }
        EXPECT_TRUE(store.BackupRead(h, nullptr, 0, &read, TRUE, FALSE, &context));
        EXPECT_EQ(context, nullptr);
        return all;
    }
    std::string security() const {
        return record(BACKUP_SECURITY_DATA, 2, "", std::string("\1\0\4\x80\0\0\0\0", 8));
    }
};

TEST_F(BackupTest, RecordsComeInWindowsOrderWithExactHeaders) {
    HANDLE h = openForBackup(L"C:\\f.txt");
    const std::string expected = security() + record(BACKUP_DATA, 0, "", "hello") +
                                 record(BACKUP_ALTERNATE_DATA, 0, ":ab:$DATA", "123") +
                                 record(BACKUP_ALTERNATE_DATA, 0, ":empty:$DATA", "");
    EXPECT_EQ(readStream(h, 4096, TRUE), expected);
    // Without security processing the security record is left out; any chunk size gives the same bytes.
    const std::string withoutSecurity = expected.substr(security().size());
    EXPECT_EQ(readStream(h, 4096, FALSE), withoutSecurity);
    EXPECT_EQ(readStream(h, 1, FALSE), withoutSecurity);
    EXPECT_EQ(readStream(h, 20, FALSE), withoutSecurity);
    store.CloseHandle(h);
}

TEST_F(BackupTest, EmptyFilesStillHaveTheirDataRecordAndFoldersOnlyTheirStreams) {
    store.addFile(L"C:\\empty.txt");
    store.addFolder(L"C:\\dir");
    store.addStream(L"C:\\dir", L"tag", "t");
    HANDLE file = openForBackup(L"C:\\empty.txt");
    EXPECT_EQ(readStream(file, 100, FALSE), record(BACKUP_DATA, 0, "", ""));
    store.CloseHandle(file);
    HANDLE folder = openForBackup(L"C:\\dir");
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readStream(folder, 100, TRUE),
              security() + record(BACKUP_ALTERNATE_DATA, 0, ":tag:$DATA", "t"));
    store.CloseHandle(folder);
}

TEST_F(BackupTest, TheReadLimitSplitsHeadersAcrossCalls) {
    store.setBackupReadLimit(7);
    HANDLE h = openForBackup(L"C:\\f.txt");
    void* context = nullptr;
    BYTE buffer[64];
    DWORD read = 0;
    ASSERT_TRUE(store.BackupRead(h, buffer, 20, &read, FALSE, FALSE, &context));
    EXPECT_EQ(read, 7u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 7),
              record(BACKUP_DATA, 0, "", "hello").substr(0, 7));
    store.BackupRead(h, nullptr, 0, &read, TRUE, FALSE, &context);
    store.CloseHandle(h);
    h = openForBackup(L"C:\\f.txt");
    EXPECT_EQ(readStream(h, 20, FALSE), record(BACKUP_DATA, 0, "", "hello") +
                                            record(BACKUP_ALTERNATE_DATA, 0, ":ab:$DATA", "123") +
                                            record(BACKUP_ALTERNATE_DATA, 0, ":empty:$DATA", ""));
    store.CloseHandle(h);
}

TEST_F(BackupTest, SeekSkipsOnlyTheRestOfTheCurrentStreamsData) {
    store.setDataSize(L"C:\\f.txt", 0x100000005ULL); // main data past 4 GiB
    HANDLE h = openForBackup(L"C:\\f.txt");
    void* context = nullptr;
    BYTE header[20];
    DWORD read = 0;
    DWORD low = 0;
    DWORD high = 0;
    // Inside a header nothing can be skipped.
    ASSERT_TRUE(store.BackupRead(h, header, 10, &read, FALSE, FALSE, &context));
    EXPECT_FALSE(store.BackupSeek(h, 1, 0, &low, &high, &context));
    EXPECT_EQ(low, 0u);
    ASSERT_TRUE(store.BackupRead(h, header, 10, &read, FALSE, FALSE, &context));

    EXPECT_TRUE(store.BackupSeek(h, 1, 0, &low, &high, &context));
    EXPECT_EQ(low, 1u);
    ASSERT_TRUE(store.BackupRead(h, header, 2, &read, FALSE, FALSE, &context));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header), 2), "el");
    EXPECT_TRUE(store.BackupSeek(h, 2, 0, &low, &high, &context));
    // Asking for everything stops at the end of the data: the seeked amount is what was left.
    EXPECT_FALSE(store.BackupSeek(h, 0xFFFFFFFF, 0xFFFFFFFF, &low, &high, &context));
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(low, 0u);
    EXPECT_FALSE(store.BackupSeek(h, 0xFFFFFFFF, 0xFFFFFFFF, &low, &high, &context));
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(low, 0u);
    // The next read starts at the next header.
    ASSERT_TRUE(store.BackupRead(h, header, 20, &read, FALSE, FALSE, &context));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header), 20),
              record(BACKUP_ALTERNATE_DATA, 0, ":ab:$DATA", "123").substr(0, 20));
    store.BackupRead(h, nullptr, 0, &read, TRUE, FALSE, &context);
    store.CloseHandle(h);
}

TEST_F(BackupTest, SeekReportsMoreThan4GiBInTheHighPart) {
    store.setDataSize(L"C:\\f.txt", 0x300000010ULL);
    HANDLE h = openForBackup(L"C:\\f.txt");
    void* context = nullptr;
    BYTE header[20];
    DWORD read = 0;
    DWORD low = 0;
    DWORD high = 0;
    ASSERT_TRUE(store.BackupRead(h, header, 20, &read, FALSE, FALSE, &context));
    EXPECT_EQ(plat::makeInt64(*reinterpret_cast<DWORD*>(header + 12), *reinterpret_cast<DWORD*>(header + 8)),
              0x300000010LL);
    EXPECT_FALSE(store.BackupSeek(h, 0xFFFFFFFF, 0xFFFFFFFF, &low, &high, &context));
    EXPECT_EQ(high, 3u);
    EXPECT_EQ(low, 0x10u);
    store.BackupRead(h, nullptr, 0, &read, TRUE, FALSE, &context);
    store.CloseHandle(h);
}

TEST_F(BackupTest, TheContextCountsAsOpenUntilAborted) {
    HANDLE h = openForBackup(L"C:\\f.txt");
    void* context = nullptr;
    BYTE buffer[20];
    DWORD read = 0;
    ASSERT_TRUE(store.BackupRead(h, buffer, 20, &read, FALSE, TRUE, &context));
    EXPECT_NE(context, nullptr);
    EXPECT_EQ(store.openHandles(), 2);
    store.CloseHandle(h);
    EXPECT_EQ(store.openHandles(), 1) << "closing the file does not free the context";
    EXPECT_TRUE(store.BackupRead(h, nullptr, 0, &read, TRUE, FALSE, &context));
    EXPECT_EQ(context, nullptr);
    EXPECT_EQ(store.openHandles(), 0);
}

TEST_F(BackupTest, ReadingNeedsAReadableHandle) {
    void* context = nullptr;
    BYTE buffer[20];
    DWORD read = 0;
    EXPECT_FALSE(store.BackupRead(INVALID_HANDLE_VALUE, buffer, 20, &read, FALSE, TRUE, &context));
    EXPECT_EQ(store.GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(context, nullptr);
    HANDLE h = open(L"C:\\f.txt", GENERIC_WRITE, 0);
    EXPECT_FALSE(store.BackupRead(h, buffer, 20, &read, FALSE, TRUE, &context));
    EXPECT_EQ(store.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(context, nullptr);
    store.CloseHandle(h);
}

TEST_F(BackupTest, ARawBackupStreamIsServedAsItStandsAndSeeksFollowItsHeaders) {
    // Two records, the second claiming more data than the bytes hold and a name cut short.
    const std::string first = record(BACKUP_ALTERNATE_DATA, 0, ":x:$DATA", "abc");
    const std::string raw = first + le(BACKUP_ALTERNATE_DATA, 4) + le(0, 4) + le(1000, 8) + le(12, 4) + "na";
    store.setRawBackupStream(L"C:\\f.txt", raw);
    HANDLE h = openForBackup(L"C:\\f.txt");
    EXPECT_EQ(readStream(h, 7, TRUE), raw) << "no security record or stream of the file's own is added";

    void* context = nullptr;
    BYTE buffer[64];
    DWORD read = 0;
    DWORD low = 0;
    DWORD high = 0;
    ASSERT_TRUE(store.BackupRead(h, buffer, 20 + 16, &read, FALSE, TRUE, &context));
    EXPECT_TRUE(store.BackupSeek(h, 3, 0, &low, &high, &context))
        << "the first record's data, as its header says";
    ASSERT_TRUE(store.BackupRead(h, buffer, 22, &read, FALSE, TRUE, &context));
    EXPECT_EQ(read, 22u);
    EXPECT_FALSE(store.BackupSeek(h, 0xFFFFFFFF, 0xFFFFFFFF, &low, &high, &context));
    EXPECT_EQ(low, 0u) << "the bytes end inside the name: there is no data to skip";
    ASSERT_TRUE(store.BackupRead(h, buffer, 20, &read, FALSE, TRUE, &context));
    EXPECT_EQ(read, 0u);
    store.BackupRead(h, nullptr, 0, &read, TRUE, FALSE, &context);
    store.CloseHandle(h);
    EXPECT_EQ(store.openHandles(), 0);
}

} // namespace
} // namespace storetest
