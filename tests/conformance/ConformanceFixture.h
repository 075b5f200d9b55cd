#pragma once
// What every conformance case shares: a fresh target per case and small helpers that go through the
// target's services only, so the same case runs against the store and against Windows.

#include "conformance/ConformanceTarget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace conformance {

// Text for failure messages (paths are ASCII in these cases).
inline std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return out;
}

// A file or find handle of the target's services, closed with the matching call on every path.
class TTargetHandle {
public:
    enum TKind { file, find };
    TTargetHandle(plat::TFileServices& services, plat::HANDLE handle, TKind kind)
        : FServices(services), FHandle(handle), FKind(kind) {}
    TTargetHandle(const TTargetHandle&) = delete;
    TTargetHandle& operator=(const TTargetHandle&) = delete;
    ~TTargetHandle() {
        if (valid()) {
            if (FKind == find) {
                FServices.FindClose(FHandle);
            } else {
                FServices.CloseHandle(FHandle);
            }
        }
    }
    plat::HANDLE get() const { return FHandle; }
    bool valid() const { return FHandle != plat::INVALID_HANDLE_VALUE; }

private:
    plat::TFileServices& FServices;
    plat::HANDLE FHandle;
    TKind FKind;
};

// One entry of a directory search.
struct TFoundEntry {
    std::wstring name;
    std::wstring shortName;
    plat::DWORD attributes = 0;
    std::int64_t size = 0;
};

class TConformanceCase : public testing::Test {
protected:
    void SetUp() override {
        FTarget = makeConformanceTarget();
        if (const std::string why = FTarget->unavailableReason(); !why.empty()) {
            GTEST_SKIP() << why;
        }
    }
    void TearDown() override { FTarget.reset(); }

    TConformanceTarget& target() { return *FTarget; }
    plat::TFileServices& fs() { return FTarget->services(); }
    // A path inside the case's own folder.
    std::wstring path(const std::wstring& relative) { return FTarget->root() + L"\\" + relative; }

    plat::HANDLE open(const std::wstring& file, plat::DWORD access, plat::DWORD share,
                      plat::DWORD disposition, plat::DWORD flags = 0) {
        return fs().CreateFileW(file.c_str(), access, share, nullptr, disposition, flags, nullptr);
    }

    // The whole content from the current position, read in small pieces so that reads are repeated.
    std::string readRest(plat::HANDLE file) {
        std::string data;
        char buffer[7];
        for (;;) {
            plat::DWORD read = 0;
            if (!fs().ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
                ADD_FAILURE() << "ReadFile failed with " << fs().GetLastError();
                return data;
            }
            if (read == 0) {
                return data;
            }
            data.append(buffer, read);
        }
    }

    // The content of a file or stream path, read with read sharing.
    std::string readFile(const std::wstring& file) {
        TTargetHandle h(fs(), open(file, plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING),
                        TTargetHandle::file);
        if (!h.valid()) {
            ADD_FAILURE() << "cannot open " << narrow(file) << ": error " << fs().GetLastError();
            return {};
        }
        return readRest(h.get());
    }

    void writeAll(plat::HANDLE file, const std::string& data) {
        plat::DWORD written = 0;
        ASSERT_TRUE(
            fs().WriteFile(file, data.data(), static_cast<plat::DWORD>(data.size()), &written, nullptr));
        ASSERT_EQ(written, data.size());
    }

    // Size as the attribute query reports it, -1 when the query fails.
    std::int64_t sizeOf(const std::wstring& file) {
        plat::WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!fs().GetFileAttributesExW(file.c_str(), plat::GetFileExInfoStandard, &data)) {
            return -1;
        }
        return plat::makeInt64(data.nFileSizeHigh, data.nFileSizeLow);
    }

    // Every entry a directory search gives, in the order given; error is the last error after the
    // search ended (ERROR_NO_MORE_FILES normally) or after a failed first call.
    std::vector<TFoundEntry> search(const std::wstring& pattern, plat::DWORD* error = nullptr) {
        std::vector<TFoundEntry> entries;
        plat::WIN32_FIND_DATAW data{};
        TTargetHandle find(fs(), fs().FindFirstFileW(pattern.c_str(), &data), TTargetHandle::find);
        if (!find.valid()) {
            if (error != nullptr) {
                *error = fs().GetLastError();
            }
            return entries;
        }
        do {
            entries.push_back({data.cFileName, data.cAlternateFileName, data.dwFileAttributes,
                               plat::makeInt64(data.nFileSizeHigh, data.nFileSizeLow)});
        } while (fs().FindNextFileW(find.get(), &data));
        if (error != nullptr) {
            *error = fs().GetLastError();
        }
        return entries;
    }

    // The names a search gives, sorted.
    std::vector<std::wstring> searchNames(const std::wstring& pattern) {
        std::vector<std::wstring> names;
        for (const TFoundEntry& entry : search(pattern)) {
            names.push_back(entry.name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::unique_ptr<TConformanceTarget> FTarget;
};

} // namespace conformance
