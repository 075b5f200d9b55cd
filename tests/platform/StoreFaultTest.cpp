// The call log, fault injection, planned actions, the open-handle count and concurrent use.

#include "StoreFixture.h"

#include <atomic>
#include <thread>

namespace storetest {
namespace {

using FaultTest = StoreTest;

std::vector<TCall> kinds(const std::vector<plat::store::TLoggedCall>& log) {
    std::vector<TCall> result;
    for (const auto& call : log) {
        result.push_back(call.call);
    }
    return result;
}

TEST_F(FaultTest, TheLogNumbersEveryCallWithThePathItNamed) {
    store.addFile(L"C:\\f.txt", "abc");
    store.GetFileAttributesW(L"C:\\x");
    store.clearCallLog();
    HANDLE h = open(L"C:\\f.txt");
    char buffer[4];
    DWORD read = 0;
    store.ReadFile(h, buffer, 4, &read, nullptr);
    store.CloseHandle(h);
    store.SetLastError(5);
    store.GetLastError();
    store.hasStreamFunctions();
    const auto log = store.callLog();
    EXPECT_EQ(kinds(log), (std::vector<TCall>{TCall::CreateFileW, TCall::ReadFile, TCall::CloseHandle}));
    EXPECT_EQ(log[0].path, L"C:\\f.txt");
    EXPECT_EQ(log[1].path, L"");
    EXPECT_EQ(store.callCount(), 3u);
    EXPECT_STREQ(plat::store::callName(TCall::BackupSeek), "BackupSeek");
}

TEST_F(FaultTest, AnInjectedFailureReturnsTheFailureValueAndChangesNothing) {
    store.addFile(L"C:\\f.txt", "abc");
    store.clearCallLog();
    store.failCallNumber(2, ERROR_NOT_READY);
    EXPECT_NE(store.GetFileAttributesW(L"C:\\f.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(store.DeleteFileW(L"C:\\f.txt"));
    EXPECT_EQ(store.GetLastError(), ERROR_NOT_READY);
    EXPECT_TRUE(store.exists(L"C:\\f.txt"));
    const auto log = store.callLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].failed);
    EXPECT_TRUE(log[1].failed) << "the log marks the call the fault made fail";

    store.failCall(TCall::CreateFileW, 2, ERROR_ACCESS_DENIED);
    EXPECT_EQ(openError(L"C:\\f.txt"), ERROR_SUCCESS);
    EXPECT_EQ(openError(L"C:\\f.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), ERROR_ACCESS_DENIED);
    EXPECT_EQ(store.readData(L"C:\\f.txt"), "abc") << "the failed overwrite truncated nothing";
    EXPECT_EQ(openError(L"C:\\f.txt"), ERROR_SUCCESS) << "only the second one fails";

    HANDLE h = open(L"C:\\f.txt", GENERIC_WRITE);
    store.failCall(TCall::WriteFile, 0, ERROR_DISK_FULL);
    DWORD written = 7;
    EXPECT_FALSE(store.WriteFile(h, "xyz", 3, &written, nullptr));
    EXPECT_FALSE(store.WriteFile(h, "xyz", 3, &written, nullptr));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(store.readData(L"C:\\f.txt"), "abc");
    store.clearFaults();
    EXPECT_TRUE(write(h, "xyz"));
    store.CloseHandle(h);
}

TEST_F(FaultTest, FailuresFollowPathsAndTheHandlesOpenedOnThem) {
    store.addFile(L"C:\\keep\\f.txt", "abc");
    store.addFile(L"C:\\Secret\\f.txt", "abc");
    store.failPath(TCall::GetFileAttributesW, L"secret", ERROR_ACCESS_DENIED);
    store.failPath(TCall::ReadFile, L"\\SECRET\\", ERROR_NOT_READY);
    EXPECT_EQ(store.GetFileAttributesW(L"C:\\SECRET\\f.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(store.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_NE(store.GetFileAttributesW(L"C:\\keep\\f.txt"), INVALID_FILE_ATTRIBUTES);
    HANDLE kept = open(L"C:\\keep\\f.txt");
    HANDLE secret = open(L"C:\\Secret\\f.txt");
    EXPECT_EQ(readAll(kept), "abc");
    char c;
    DWORD read = 0;
    EXPECT_FALSE(store.ReadFile(secret, &c, 1, &read, nullptr));
    EXPECT_EQ(store.GetLastError(), ERROR_NOT_READY);
    store.CloseHandle(kept);
    store.CloseHandle(secret);
}

TEST_F(FaultTest, FailedClosesStillReleaseWhatTheyClose) {
    store.addFile(L"C:\\f.txt", "abc");
    store.failCall(TCall::CloseHandle, 0, ERROR_INVALID_HANDLE);
    store.failCall(TCall::FindClose, 0, ERROR_INVALID_HANDLE);
    store.failCall(TCall::BackupRead, 0, ERROR_NOT_ENOUGH_MEMORY);
    HANDLE h = open(L"C:\\f.txt");
    WIN32_FIND_DATAW data{};
    HANDLE find = store.FindFirstFileW(L"C:\\*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(store.openHandles(), 2);
    EXPECT_FALSE(store.FindClose(find));
    EXPECT_FALSE(store.CloseHandle(h));
    EXPECT_EQ(store.openHandles(), 0);

    store.clearFaults();
    h = open(L"C:\\f.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    void* context = nullptr;
    BYTE buffer[20];
    DWORD read = 0;
    ASSERT_TRUE(store.BackupRead(h, buffer, 20, &read, FALSE, TRUE, &context));
    store.failCall(TCall::BackupRead, 0, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(store.BackupRead(h, buffer, 20, &read, FALSE, TRUE, &context));
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(store.BackupRead(h, nullptr, 0, &read, TRUE, FALSE, &context));
    EXPECT_EQ(context, nullptr);
    store.clearFaults();
    store.CloseHandle(h);
}

TEST_F(FaultTest, PlannedActionsRunBeforeTheirCallAndMayChangeTheContent) {
    store.addFile(L"C:\\d\\a.txt");
    store.addFile(L"C:\\d\\b.txt");
    store.beforeCall(TCall::FindNextFileW, 3, [this] {
        store.addFile(L"C:\\d\\c.txt");
        store.addStream(L"C:\\d\\a.txt", L"late", "x");
    });
    EXPECT_EQ(find(L"C:\\d\\*"), (std::vector<std::wstring>{L".", L"..", L"a.txt", L"b.txt", L"c.txt"}));
    EXPECT_EQ(store.streamNames(L"C:\\d\\a.txt"), std::vector<std::wstring>{L"late"});

    int runs = 0;
    store.beforeCall(TCall::GetFileAttributesW, 0, [&runs] { ++runs; });
    store.GetFileAttributesW(L"C:\\d");
    store.GetFileAttributesW(L"C:\\d");
    EXPECT_EQ(runs, 2);
}

TEST_F(FaultTest, OpenHandlesCountFilesSearchesAndBackupContexts) {
    store.addFile(L"C:\\f.txt", "abc");
    HANDLE file = open(L"C:\\f.txt");
    WIN32_FIND_DATAW data{};
    HANDLE search = store.FindFirstFileW(L"C:\\*", &data);
    WIN32_FIND_STREAM_DATA streamData{};
    HANDLE streamSearch = store.FindFirstStreamW(L"C:\\f.txt", FindStreamInfoStandard, &streamData, 0);
    void* context = nullptr;
    BYTE buffer[8];
    DWORD read = 0;
    store.BackupRead(file, buffer, 8, &read, FALSE, FALSE, &context);
    EXPECT_EQ(store.openHandles(), 4);
    // Each kind of handle is closed only by its own function.
    EXPECT_FALSE(store.CloseHandle(search));
    EXPECT_EQ(store.GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(store.FindClose(file));
    EXPECT_EQ(store.openHandles(), 4);
    store.BackupRead(file, nullptr, 0, &read, TRUE, FALSE, &context);
    store.FindClose(streamSearch);
    store.FindClose(search);
    store.CloseHandle(file);
    // Failed opens leave nothing open.
    EXPECT_EQ(store.FindFirstFileW(L"C:\\none*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(openError(L"C:\\none.txt"), ERROR_FILE_NOT_FOUND);
}

TEST(StoreThreads, TwoThreadsUseTheStoreAtOnce) {
    TSimStore store;
    store.addDrive(L'C', DRIVE_FIXED, L"", L"NTFS");
    for (int i = 0; i < 20; ++i) {
        store.addFile(L"C:\\t\\f" + std::to_wstring(i) + L".txt", std::string(100, 'x'));
        store.addStream(L"C:\\t\\f" + std::to_wstring(i) + L".txt", L"s", "abc");
    }
    std::atomic<int> failures{0};
    auto reader = [&store, &failures](DWORD ownError) {
        for (int round = 0; round < 50; ++round) {
            store.SetLastError(ownError);
            WIN32_FIND_DATAW data{};
            HANDLE find = store.FindFirstFileW(L"C:\\t\\*.txt", &data);
            if (find == INVALID_HANDLE_VALUE) {
                ++failures;
                continue;
            }
            do {
                const std::wstring path = L"C:\\t\\" + std::wstring(data.cFileName) + L":s";
                HANDLE h = store.CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr);
                char buffer[8];
                DWORD read = 0;
                if (h == INVALID_HANDLE_VALUE || !store.ReadFile(h, buffer, 8, &read, nullptr) || read != 3) {
                    ++failures;
                }
                store.CloseHandle(h);
            } while (store.FindNextFileW(find, &data));
            store.FindClose(find);
            store.SetLastError(ownError);
            store.GetFileAttributesW(L"C:\\t\\f1.txt");
            if (store.GetLastError() != ownError) {
                ++failures; // the other thread's errors never show here
            }
        }
    };
    std::thread first(reader, DWORD{1111});
    std::thread second(reader, DWORD{2222});
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(store.openHandles(), 0);
}

} // namespace
} // namespace storetest
