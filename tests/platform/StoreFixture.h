#pragma once
// A store with an NTFS drive C: and small helpers to call its services the way the program does.

#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace storetest {

using namespace plat;
using plat::store::TCall;
using plat::store::TSimStore;

class StoreTest : public ::testing::Test {
protected:
    StoreTest() { store.addDrive(L'C', DRIVE_FIXED, L"System", L"NTFS"); }
    // Every test ends with nothing left open.
    void TearDown() override { EXPECT_EQ(store.openHandles(), 0); }

    HANDLE open(const std::wstring& path, DWORD access = GENERIC_READ, DWORD share = FILE_SHARE_READ,
                DWORD disposition = OPEN_EXISTING, DWORD flags = 0) {
        return store.CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    }
    // Opens, expecting failure, and gives the error.
    DWORD openError(const std::wstring& path, DWORD access = GENERIC_READ, DWORD share = FILE_SHARE_READ,
                    DWORD disposition = OPEN_EXISTING, DWORD flags = 0) {
        HANDLE h = open(path, access, share, disposition, flags);
        if (h != INVALID_HANDLE_VALUE) {
            store.CloseHandle(h);
            return ERROR_SUCCESS;
        }
        return store.GetLastError();
    }
    std::string readAll(HANDLE h) {
        std::string all;
        char buffer[7];
        DWORD read = 0;
        while (store.ReadFile(h, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            all.append(buffer, read);
        }
        return all;
    }
    BOOL write(HANDLE h, const std::string& data) {
        DWORD written = 0;
        return store.WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    }
    // The entries FindFirstFileW / FindNextFileW give for the pattern (long names), or the error.
    std::vector<std::wstring> find(const std::wstring& pattern, DWORD* error = nullptr) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data{};
        HANDLE h = store.FindFirstFileW(pattern.c_str(), &data);
        if (h == INVALID_HANDLE_VALUE) {
            if (error != nullptr) {
                *error = store.GetLastError();
            }
            return names;
        }
        do {
            names.emplace_back(data.cFileName);
        } while (store.FindNextFileW(h, &data));
        if (error != nullptr) {
            *error = store.GetLastError();
        }
        store.FindClose(h);
        return names;
    }
    // (name, size) of every stream FindFirstStreamW / FindNextStreamW list, and the last error after.
    std::vector<std::pair<std::wstring, std::int64_t>> streams(const std::wstring& path,
                                                               DWORD* error = nullptr) {
        std::vector<std::pair<std::wstring, std::int64_t>> found;
        WIN32_FIND_STREAM_DATA data{};
        HANDLE h = store.FindFirstStreamW(path.c_str(), FindStreamInfoStandard, &data, 0);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                found.emplace_back(data.cStreamName, data.StreamSize);
            } while (store.FindNextStreamW(h, &data));
        }
        if (error != nullptr) {
            *error = store.GetLastError();
        }
        if (h != INVALID_HANDLE_VALUE) {
            store.FindClose(h);
        }
        return found;
    }

    TSimStore store;
};

} // namespace storetest
