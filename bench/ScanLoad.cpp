// Load run (scripts/load.sh; not a pass/fail test): a full-system scan of 1,000,000 files of which
// 100,000 carry a named stream, reported to the real main window on the headless toolkit, the way
// the program runs it (the scan on its own thread, every step handed to a UI-thread stand-in).
//
// Printed: the scan's elapsed time, the process's peak memory (and the share the store of files
// itself takes, measured before the scan), the rows in the results tree, and for every kind of UI
// step how often it ran, its mean and longest elapsed time, the longest CPU time and the longest time
// the window's own notification code took in one step. The window must never keep the UI thread
// busy for more than 50 ms in one step, except in scanFinished, which resumes the tree's updates and
// so rebuilds its view once. A step's elapsed and CPU times also hold what a busy machine adds; the
// window's own time is what the program answers for.

#include "platform/PrivilegeServices.h"
#include "platform/ProcessServices.h"
#include "platform/StandInUiThread.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/HeadlessWidgets.h"
#include "platform/shell/ScriptedPrivilege.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "ui/main/UntMain.h"

#include <chrono>
#include <ctime>
#include <sys/resource.h>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 1000;
constexpr int kStreamEvery = 10; // 100,000 streams
constexpr double kStepLimitMs = 50.0;

// A value of /proc/self/status in MiB ("VmHWM", "VmRSS").
double memoryMiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string wanted = std::string(key) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(wanted, 0) == 0) {
            return std::stod(line.substr(wanted.size())) / 1024.0; // kB
        }
    }
    return -1;
}

void buildStore(plat::store::TSimStore& store) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"Load", L"NTFS");
    store.addFolder(L"C:\\Windows");
    store.setWindowsDirectory(L"C:\\Windows");
    wchar_t path[64];
    int fileNumber = 0;
    for (int d = 0; d < kFolders; ++d) {
        for (int f = 0; f < kFilesPerFolder; ++f) {
            // 8.3 names, so the store keeps no separate short name for each.
            std::swprintf(path, 64, L"C:\\D%04d\\S%02d\\F%06d.TXT", d / 10, d % 10, fileNumber);
            store.addFile(path, "data");
            if (++fileNumber % kStreamEvery == 0) {
                store.addStream(path, L"payload", "hidden bytes of the file");
            }
        }
    }
}

struct TStepFigures {
    long count = 0;
    double totalMs = 0;
    double longestMs = 0;       // elapsed: what the user waits, other programs' share of the CPU included
    double longestCpuMs = 0;    // the UI thread's own CPU time in its longest step
    long overLimit = 0;         // steps whose elapsed time passed the limit
    double longestWindowMs = 0; // the longest time the window's own code took in one step
};

// The calling thread's CPU time so far, in the program itself and in the kernel on its behalf (page
// faults, memory compaction), in ms.
struct TCpuTime {
    double user = 0;
    double system = 0;
    double total() const { return user + system; }
};

TCpuTime threadCpu() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    // The total from the thread's CPU clock, which is exact; the kernel's share from the usage
    // figures, which move in scheduler ticks.
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    const double total = static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
    const double system = ms(usage.ru_stime);
    return TCpuTime{total - system, system};
}

// The UI-thread stand-in, timing every step it runs. The window names the step it is in.
class TTimedUiThread : public plat::TUiDispatcher {
public:
    // Runs between steps, outside the timing.
    std::function<void()> betweenSteps;

    void runOnUiThread(const std::function<void()>& step) override {
        FInner.runOnUiThread([&] {
            FStep.clear();
            FWindowMs = 0;
            const TCpuTime cpuStart = threadCpu();
            const TClock::time_point start = TClock::now();
            step();
            const double ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
            const TCpuTime cpuEnd = threadCpu();
            const double cpuMs = cpuEnd.total() - cpuStart.total();
            const double systemMs = cpuEnd.system - cpuStart.system;
            TStepFigures& figures = FFigures[FStep.empty() ? "other" : FStep];
            ++figures.count;
            figures.totalMs += ms;
            figures.longestMs = std::max(figures.longestMs, ms);
            figures.longestCpuMs = std::max(figures.longestCpuMs, cpuMs);
            figures.overLimit += ms > kStepLimitMs ? 1 : 0;
            figures.longestWindowMs = std::max(figures.longestWindowMs, FWindowMs);
            if (ms > kStepLimitMs || cpuMs > kStepLimitMs / 2) {
                FSlowSteps.push_back({FStep, FDetail, FStepIndex, ms, cpuMs, systemMs, FWindowMs});
            }
            ++FStepIndex;
            FDetail.clear();
            if (betweenSteps) {
                betweenSteps();
            }
        });
    }
    // Called by the window inside a step; the first name given wins (a file and its streams are
    // one step).
    void name(const char* step) {
        if (FStep.empty()) {
            FStep = step;
        }
    }
    // Time the window's own notification code took in the current step.
    void addWindowTime(double ms) { FWindowMs += ms; }
    // What the step works on, for the list of slow steps.
    void detail(const std::wstring& text, bool append = false) { FDetail = append ? FDetail + text : text; }
    const std::map<std::string, TStepFigures>& figures() const { return FFigures; }

    // Every step that took longer than the limit, or more than half of it of the UI thread's CPU.
    struct TSlowStep {
        std::string step;
        std::wstring detail;
        long index;
        double ms;
        double cpuMs;
        double systemMs; // of which in the kernel
        double windowMs; // in the window's notification code
    };
    const std::vector<TSlowStep>& slowSteps() const { return FSlowSteps; }

private:
    double FWindowMs = 0;
    std::wstring FDetail;
    long FStepIndex = 0;
    std::vector<TSlowStep> FSlowSteps;
    plat::TStandInUiThread FInner;
    std::string FStep;
    std::map<std::string, TStepFigures> FFigures;
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

// The real window, naming each step for the timer and timing its own work in it.
class TLoadWindow : public TFrmMain {
public:
    TLoadWindow(TTimedUiThread& ui, TSignal& gone) : FUi(ui), FGone(gone) {}

    void scanStarting(const std::vector<std::wstring>& driveList) override {
        timed("scanStarting", [&] { TFrmMain::scanStarting(driveList); });
    }
    void driveInitializing(const std::wstring& label) override {
        timed("driveInitializing", [&] { TFrmMain::driveInitializing(label); });
    }
    void driveCounted(std::int64_t count, const std::wstring& drive) override {
        timed("driveCounted", [&] { TFrmMain::driveCounted(count, drive); });
    }
    void driveScanStarting() override {
        timed("driveScanStarting", [&] { TFrmMain::driveScanStarting(); });
    }
    void scanProgress(const std::wstring& label, const std::wstring& folder, const std::wstring& entry,
                      std::int64_t found, std::int64_t& lastCheck) override {
        timed("scanProgress", [&] { TFrmMain::scanProgress(label, folder, entry, found, lastCheck); });
    }
    TScanNode fileFound(const std::wstring& fileName, const std::wstring& creation,
                        const std::wstring& modification) override {
        FUi.detail(fileName);
        TScanNode node = nullptr;
        timed("fileFound and its streams",
              [&] { node = TFrmMain::fileFound(fileName, creation, modification); });
        return node;
    }
    TScanNode streamFound(const TADSObject& ads, const std::wstring& fileName, const std::wstring& creation,
                          const std::wstring& modification, std::int32_t previewLen,
                          TScanNode fileNode) override {
        TScanNode node = nullptr;
        timed("streamFound", [&] {
            node = TFrmMain::streamFound(ads, fileName, creation, modification, previewLen, fileNode);
        });
        return node;
    }
    void driveDone(int n) override {
        timed("driveDone", [&] { TFrmMain::driveDone(n); });
    }
    void scanFinished(bool terminated, std::int64_t found) override {
        timed("scanFinished", [&] { TFrmMain::scanFinished(terminated, found); });
    }

protected:
    TScanFileSystem* createScanThread() override { return new TWatchedScan(*this, FGone); }

private:
    template <typename TWork> void timed(const char* step, const TWork& work) {
        FUi.name(step);
        const TClock::time_point start = TClock::now();
        work();
        FUi.addWindowTime(std::chrono::duration<double, std::milli>(TClock::now() - start).count());
    }

    TTimedUiThread& FUi;
    TSignal& FGone;
};

} // namespace

int main() {
    plat::store::TSimStore store;
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

    const TClock::time_point buildStart = TClock::now();
    buildStore(store);
    const double storeMiB = memoryMiB("VmRSS");
    std::printf("store: %d files, %d streams, built in %.1f s, %.0f MiB resident\n",
                kFolders * kFilesPerFolder, kFolders * kFilesPerFolder / kStreamEvery,
                std::chrono::duration<double>(TClock::now() - buildStart).count(), storeMiB);

    // The store logs every call it serves; that log is the test double's, not the program's, so it is
    // emptied as the scan goes and leaves the peak memory to the program and the files.
    long steps = 0;
    ui.betweenSteps = [&] {
        if (++steps % 1000 == 0) {
            store.clearCallLog();
        }
    };
    TSignal gone;
    auto window = std::make_unique<TLoadWindow>(ui, gone);
    window->show();
    const double windowMiB = memoryMiB("VmRSS");
    const TClock::time_point start = TClock::now();
    ui.runOnUiThread([&] { window->runScan(smFull, L"", L"*.*", true, 30, false); });
    gone.wait();
    const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
    std::size_t rows = 0;
    ui.runOnUiThread([&] { rows = window->VST->totalCount(); });

    std::printf(
        "scan: %.1f s, %zu rows in the results tree, peak memory %.0f MiB (%.0f MiB before the scan)\n",
        seconds, rows, memoryMiB("VmHWM"), windowMiB);
    std::printf("%-26s %8s %9s %11s %10s %12s %8s\n", "UI step", "count", "mean ms", "longest ms",
                "its CPU ms", "window's ms", "> 50 ms");
    bool withinLimit = true;
    for (const auto& [name, figures] : ui.figures()) {
        std::printf("%-26s %8ld %9.3f %11.3f %10.3f %12.3f %8ld\n", name.c_str(), figures.count,
                    figures.totalMs / static_cast<double>(figures.count), figures.longestMs,
                    figures.longestCpuMs, figures.longestWindowMs, figures.overLimit);
        if (name != "scanFinished" && figures.longestCpuMs > kStepLimitMs) {
            withinLimit = false;
        }
    }
    std::printf("every step but scanFinished used under %.0f ms of the UI thread's CPU: %s\n", kStepLimitMs,
                withinLimit ? "yes" : "NO");
    std::printf("(elapsed and CPU times include what a busy machine adds: waits for the CPU, the kernel's "
                "memory work)\n");
    for (const TTimedUiThread::TSlowStep& slow : ui.slowSteps()) {
        std::printf("slow step #%ld %s %ls: %.1f ms, %.1f ms of CPU (%.1f ms in the kernel), %.3f ms in the "
                    "window's code\n",
                    slow.index, slow.step.c_str(), slow.detail.c_str(), slow.ms, slow.cpuMs, slow.systemMs,
                    slow.windowMs);
    }

    ui.runOnUiThread([&] { window.reset(); });
    plat::installPrivilegeServices(nullptr);
    plat::installProcessServices(nullptr);
    plat::installWidgetServices(nullptr);
    plat::installControlBackend(nullptr);
    plat::installUiDispatcher(nullptr);
    plat::installShellServices(nullptr);
    plat::installFileServices(nullptr);
    return 0;
}
