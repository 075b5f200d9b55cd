// A drive read directly, in the real main window (headless toolkit, the scan on its own thread, every
// step handed to a UI-thread stand-in), against opening the volume's catalogue alone and against a
// walk of the same volume through the ntfs-3g mount. Not a pass/fail test.
//
// Volume: the 200,000-file image bench_ntfs writes (1% of the files with a named stream), kept under
// the build folder; run bench_ntfs once first (scripts/bench.sh runs it before this one).
// The window's services are a simulated store that holds drive E: and gives the image's bytes as E:'s
// raw volume ("\\.\E:"), read with pread as Windows reads a volume's sectors.
// Measured in the same run, warm page cache, the fastest of three runs each:
//   direct scan: runScan of drive E: with "Read NTFS volumes directly", from the call to the end of
//                scanFinished (catalogue, walk over it, every row added to the tree);
//   catalogue:   opening the raw volume through the same services and reading its catalogue alone;
//   ntfs-3g walk: every folder listed and every file's streams asked (listxattr) through the mount,
//                the least a walk through a mounted file system costs.
// Printed: the three times, the direct scan over the catalogue (aim: at most 2), the walk over the
// direct scan (aim: at least 10), the rows in the tree and the longest UI step of the direct scan.

#include "ntfs/NtfsImage.h"
#include "ntfs/NtfsVolume.h"
#include "platform/PrivilegeServices.h"
#include "platform/ProcessServices.h"
#include "platform/StandInUiThread.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/HeadlessWidgets.h"
#include "platform/ntfs/NtfsServicesDevice.h"
#include "platform/shell/ScriptedPrivilege.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "ui/main/UntMain.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

const fs::path kCache = fs::path(KW_BENCH_CACHE) / "ntfs-bench";
const fs::path kImage = kCache / "volume-200k.img";

double msSince(TClock::time_point start) {
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

// The store, with E:'s raw volume read from the image file.
class TRawImageStore : public plat::store::TSimStore {
public:
    explicit TRawImageStore(const fs::path& image) : FFile(::open(image.c_str(), O_RDONLY)) {}
    ~TRawImageStore() override {
        if (FFile >= 0) {
            ::close(FFile);
        }
    }
    bool ready() const { return FFile >= 0; }

    plat::HANDLE CreateFileW(const wchar_t* path, plat::DWORD access, plat::DWORD share, void* security,
                             plat::DWORD disposition, plat::DWORD flags, plat::HANDLE templateFile) override {
        if (path != nullptr && std::wstring(path) == L"\\\\.\\E:") {
            FOffset = 0;
            return kRawHandle;
        }
        return TSimStore::CreateFileW(path, access, share, security, disposition, flags, templateFile);
    }
    plat::BOOL ReadFile(plat::HANDLE file, void* buffer, plat::DWORD toRead, plat::DWORD* read,
                        void* overlapped) override {
        if (file != kRawHandle) {
            return TSimStore::ReadFile(file, buffer, toRead, read, overlapped);
        }
        const ssize_t got = ::pread(FFile, buffer, toRead, static_cast<off_t>(FOffset));
        if (got < 0) {
            return plat::FALSE;
        }
        FOffset += static_cast<std::uint64_t>(got);
        *read = static_cast<plat::DWORD>(got);
        return plat::TRUE;
    }
    plat::DWORD SetFilePointer(plat::HANDLE file, plat::LONG distance, plat::LONG* distanceHigh,
                               plat::DWORD method) override {
        if (file != kRawHandle) {
            return TSimStore::SetFilePointer(file, distance, distanceHigh, method);
        }
        const std::int64_t high = distanceHigh != nullptr ? *distanceHigh : (distance < 0 ? -1 : 0);
        const std::int64_t move = static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) |
                                                            static_cast<std::uint32_t>(distance));
        const std::int64_t base = method == plat::FILE_BEGIN ? 0 : static_cast<std::int64_t>(FOffset);
        FOffset = static_cast<std::uint64_t>(base + move);
        if (distanceHigh != nullptr) {
            *distanceHigh = static_cast<plat::LONG>(FOffset >> 32);
        }
        return static_cast<plat::DWORD>(FOffset);
    }
    plat::BOOL CloseHandle(plat::HANDLE handle) override {
        return handle == kRawHandle ? plat::TRUE : TSimStore::CloseHandle(handle);
    }

private:
    // One raw handle at a time: the scan opens the volume once.
    inline static const plat::HANDLE kRawHandle = reinterpret_cast<plat::HANDLE>(std::uintptr_t{0x7E5E0001});
    int FFile;
    std::uint64_t FOffset = 0;
};

// The UI-thread stand-in, keeping the longest step.
class TTimedUiThread : public plat::TUiDispatcher {
public:
    double longestMs = 0;
    void runOnUiThread(const std::function<void()>& step) override {
        FInner.runOnUiThread([&] {
            const TClock::time_point start = TClock::now();
            step();
            longestMs = std::max(longestMs, msSince(start));
        });
    }

private:
    plat::TStandInUiThread FInner;
};

class TSignal {
public:
    void set() {
        std::lock_guard<std::mutex> lock(FLock);
        FSet = true;
        FChanged.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(FLock);
        FChanged.wait(lock, [&] { return FSet; });
        FSet = false;
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FSet = false;
};

class TWatchedScan : public TScanFileSystem {
public:
    TWatchedScan(TScanNotifications& window, TSignal& gone) : TScanFileSystem(window), FGone(gone) {}
    ~TWatchedScan() override { FGone.set(); }

private:
    TSignal& FGone;
};

class TBenchWindow : public TFrmMain {
public:
    explicit TBenchWindow(TSignal& gone) : FGone(gone) {}
    TClock::time_point finished;
    std::vector<std::wstring> walkedInstead;
    void scanFinished(bool terminated, std::int64_t found) override {
        TFrmMain::scanFinished(terminated, found);
        finished = TClock::now();
    }
    void directReadFailed(const std::wstring& drive, const std::wstring& why) override {
        walkedInstead.push_back(drive + L": " + why);
        TFrmMain::directReadFailed(drive, why);
    }

protected:
    TScanFileSystem* createScanThread() override { return new TWatchedScan(*this, FGone); }

private:
    TSignal& FGone;
};

void walk(const std::string& folder, std::uint64_t& streams, std::vector<char>& names) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> subfolders;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + "/" + name;
        if (entry->d_type == DT_DIR) {
            subfolders.push_back(path);
        }
        const ssize_t size = ::listxattr(path.c_str(), names.data(), names.size());
        for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names.data() + at)) + 1) {
            streams += std::strncmp(names.data() + at, "user.", 5) == 0 ? 1 : 0;
        }
    }
    ::closedir(dir);
    for (const std::string& subfolder : subfolders) {
        walk(subfolder, streams, names);
    }
}

} // namespace

int main() {
    if (!fs::exists(kImage)) {
        std::printf("direct scan benchmark skipped: no %s (bench_ntfs writes it)\n", kImage.c_str());
        return 0;
    }
    TRawImageStore store(kImage);
    if (!store.ready()) {
        std::printf("direct scan benchmark skipped: %s cannot be read\n", kImage.c_str());
        return 0;
    }
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'E', plat::DRIVE_FIXED, L"Bench", L"NTFS");
    plat::TTestShell shell;
    plat::headless::THeadlessBackend backend;
    plat::headless::THeadlessWidgets widgets;
    plat::TRecordingProcess process;
    plat::TScriptedPrivilege privilege;
    TTimedUiThread ui;
    plat::installFileServices(&store);
    plat::installShellServices(&shell);
    plat::installUiDispatcher(&ui);
    plat::installControlBackend(&backend);
    plat::installWidgetServices(&widgets);
    plat::installProcessServices(&process);
    plat::installPrivilegeServices(&privilege);

    constexpr int kRuns = 3;
    double catalogueMs = 1e300;
    for (int run = 0; run < kRuns + 1; ++run) { // the first warms the page cache
        const TClock::time_point start = TClock::now();
        auto volume = ntfs::TNtfsVolume::open(plat::ntfs::openServicesDevice(store, L"\\\\.\\E:"));
        const double ms = msSince(start);
        if (!volume) {
            std::printf("direct scan benchmark skipped: the image does not open as a volume\n");
            return 0;
        }
        catalogueMs = run > 0 ? std::min(catalogueMs, ms) : catalogueMs;
    }

    TSignal gone;
    auto window = std::make_unique<TBenchWindow>(gone);
    window->show();
    double directMs = 1e300;
    double longestUiMs = 0;
    std::uint64_t rows = 0;
    for (int run = 0; run < kRuns; ++run) {
        ui.longestMs = 0;
        if (window->FMode == amFinished) {
            ui.runOnUiThread([&] { window->btnActionClick(); }); // Fine!
        }
        TClock::time_point start;
        ui.runOnUiThread([&] {
            start = TClock::now();
            window->runScan(smTargetDrive, L"E:\\", L"*.*", true, 30, false, true);
        });
        gone.wait();
        const double ms = std::chrono::duration<double, std::milli>(window->finished - start).count();
        if (ms < directMs) {
            directMs = ms;
            longestUiMs = ui.longestMs;
        }
        ui.runOnUiThread([&] { rows = window->VST->totalCount(); });
    }
    if (!window->walkedInstead.empty()) {
        std::printf("direct scan benchmark: the volume was walked, not read directly: %ls\n",
                    window->walkedInstead.front().c_str());
        return 1;
    }

    double walkMs = -1;
    std::uint64_t walkStreams = 0;
    {
        const fs::path mountPoint = kCache / "mnt";
        fs::create_directories(mountPoint);
        ntfstest::TMount mount(kImage, mountPoint, "ro,streams_interface=xattr");
        if (mount.mounted()) {
            std::vector<char> names(64 * 1024);
            walkMs = 1e300;
            for (int run = 0; run < kRuns + 1; ++run) {
                std::uint64_t streams = 0;
                const TClock::time_point start = TClock::now();
                walk(mountPoint.string(), streams, names);
                const double ms = msSince(start);
                walkMs = run > 0 ? std::min(walkMs, ms) : walkMs;
                walkStreams = streams;
            }
            mount.unmount();
        }
    }

    std::printf(
        "Direct scan of a 200,000-file volume (1%% with a named stream) in the main window, warm cache,\n"
        "fastest of %d runs each:\n",
        kRuns);
    std::printf("  direct scan, runScan to the end of scanFinished: %9.1f ms  (%llu rows in the tree)\n",
                directMs, static_cast<unsigned long long>(rows));
    std::printf("  catalogue alone (raw volume opened, catalogue read): %7.1f ms\n", catalogueMs);
    std::printf("  direct scan / catalogue: %.2f  (aim: at most 2)\n", directMs / catalogueMs);
    if (walkMs >= 0) {
        std::printf("  ntfs-3g walk (readdir + listxattr, %llu streams): %9.1f ms\n",
                    static_cast<unsigned long long>(walkStreams), walkMs);
        std::printf("  walk / direct scan: %.1f  (aim: at least 10)\n", walkMs / directMs);
    } else {
        std::printf("  ntfs-3g walk: not measured (ntfs-3g cannot mount here)\n");
    }
    std::printf("  longest UI step of the direct scan: %.1f ms\n", longestUiMs);

    window.reset();
    plat::installPrivilegeServices(nullptr);
    plat::installProcessServices(nullptr);
    plat::installWidgetServices(nullptr);
    plat::installControlBackend(nullptr);
    plat::installUiDispatcher(nullptr);
    plat::installShellServices(nullptr);
    plat::installFileServices(nullptr);
    return 0;
}
