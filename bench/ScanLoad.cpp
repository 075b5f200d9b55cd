// Load run (scripts/load.sh; not a pass/fail test): a full-system scan of 1,000,000 files of which
// 100,000 carry a named stream, reported to the real main window on the headless toolkit, the way
// the program runs it (the scan on its own thread, every step handed to a UI-thread stand-in).
//
// Printed: the scan's elapsed time, the process's peak memory (and the share the store of files
// itself takes, measured before the scan), the rows in the results tree, and for every kind of UI
// step how often it ran, its mean and its longest duration. The window must never keep the UI
// thread busy for more than 50 ms in one step, except in scanFinished, which resumes the tree's
// updates and so rebuilds its view once.

#include "platform/ProcessServices.h"
#include "platform/StandInUiThread.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/HeadlessWidgets.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "ui/main/UntMain.h"

#include <chrono>
#include <ctime>
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
    double longestMs = 0;    // elapsed: what the user waits, other programs' share of the CPU included
    double longestCpuMs = 0; // the UI thread's own CPU time in its longest step
    long overLimit = 0;      // steps whose elapsed time passed the limit
};

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The UI-thread stand-in, timing every step it runs. The window names the step it is in.
class TTimedUiThread : public plat::TUiDispatcher {
public:
    // Runs between steps, outside the timing.
    std::function<void()> betweenSteps;

    void runOnUiThread(const std::function<void()>& step) override {
        FInner.runOnUiThread([&] {
            FStep.clear();
            const double cpuStart = threadCpuMs();
            const TClock::time_point start = TClock::now();
            step();
            const double ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
            const double cpuMs = threadCpuMs() - cpuStart;
            TStepFigures& figures = FFigures[FStep.empty() ? "other" : FStep];
            ++figures.count;
            figures.totalMs += ms;
            figures.longestMs = std::max(figures.longestMs, ms);
            figures.longestCpuMs = std::max(figures.longestCpuMs, cpuMs);
            figures.overLimit += ms > kStepLimitMs ? 1 : 0;
            if (cpuMs > kStepLimitMs / 2) {
                FSlowSteps.push_back({FStep, FDetail, FStepIndex, ms, cpuMs});
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
    // What the step works on, for the list of slow steps.
    void detail(const std::wstring& text) { FDetail = text; }
    const std::map<std::string, TStepFigures>& figures() const { return FFigures; }

    // Every step that took more than half the limit of the UI thread's time.
    struct TSlowStep {
        std::string step;
        std::wstring detail;
        long index;
        double ms;
        double cpuMs;
    };
    const std::vector<TSlowStep>& slowSteps() const { return FSlowSteps; }

private:
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

// The real window, naming each step for the timer.
class TLoadWindow : public TFrmMain {
public:
    TLoadWindow(TTimedUiThread& ui, TSignal& gone) : FUi(ui), FGone(gone) {}

    void scanStarting(const std::vector<std::wstring>& driveList) override {
        FUi.name("scanStarting");
        TFrmMain::scanStarting(driveList);
    }
    void driveInitializing(const std::wstring& label) override {
        FUi.name("driveInitializing");
        TFrmMain::driveInitializing(label);
    }
    void driveCounted(std::int64_t count, const std::wstring& drive) override {
        FUi.name("driveCounted");
        TFrmMain::driveCounted(count, drive);
    }
    void driveScanStarting() override {
        FUi.name("driveScanStarting");
        TFrmMain::driveScanStarting();
    }
    void scanProgress(const std::wstring& label, const std::wstring& folder, const std::wstring& entry,
                      std::int64_t found, std::int64_t& lastCheck) override {
        FUi.name("scanProgress");
        TFrmMain::scanProgress(label, folder, entry, found, lastCheck);
    }
    TScanNode fileFound(const std::wstring& fileName, const std::wstring& creation,
                        const std::wstring& modification) override {
        FUi.name("fileFound and its streams");
        FUi.detail(fileName);
        return TFrmMain::fileFound(fileName, creation, modification);
    }
    void driveDone(int n) override {
        FUi.name("driveDone");
        TFrmMain::driveDone(n);
    }
    void scanFinished(bool terminated, std::int64_t found) override {
        FUi.name("scanFinished");
        TFrmMain::scanFinished(terminated, found);
    }

protected:
    TScanFileSystem* createScanThread() override { return new TWatchedScan(*this, FGone); }

private:
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
    TTimedUiThread ui;
    plat::installFileServices(&store);
    plat::installShellServices(&shell);
    plat::installUiDispatcher(&ui);
    plat::installControlBackend(&backend);
    plat::installWidgetServices(&widgets);
    plat::installProcessServices(&process);

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
    std::printf("%-26s %8s %9s %11s %15s %10s\n", "UI step", "count", "mean ms", "longest ms",
                "its CPU time ms", "> 50 ms");
    bool withinLimit = true;
    for (const auto& [name, figures] : ui.figures()) {
        std::printf("%-26s %8ld %9.3f %11.3f %15.3f %10ld\n", name.c_str(), figures.count,
                    figures.totalMs / static_cast<double>(figures.count), figures.longestMs,
                    figures.longestCpuMs, figures.overLimit);
        if (name != "scanFinished" && figures.longestCpuMs > kStepLimitMs) {
            withinLimit = false;
        }
    }
    std::printf("every step but scanFinished took under %.0f ms of the UI thread's time: %s\n", kStepLimitMs,
                withinLimit ? "yes" : "NO");
    std::printf("(elapsed times include waits for the CPU on a busy machine; the CPU times do not)\n");
    for (const TTimedUiThread::TSlowStep& slow : ui.slowSteps()) {
        std::printf("slow step #%ld %s %ls: %.1f ms, %.1f ms of CPU\n", slow.index, slow.step.c_str(),
                    slow.detail.c_str(), slow.ms, slow.cpuMs);
    }

    ui.runOnUiThread([&] { window.reset(); });
    plat::installProcessServices(nullptr);
    plat::installWidgetServices(nullptr);
    plat::installControlBackend(nullptr);
    plat::installUiDispatcher(nullptr);
    plat::installShellServices(nullptr);
    plat::installFileServices(nullptr);
    return 0;
}
