// The scan of a large tree against the least work any scan of it must do.
//
// Tree: 200,000 files in 200 folders (two levels) in the simulated store; 1% of the files carry a
// named stream. The scan runs as the program runs it (its own thread, every notification handed to
// a UI-thread stand-in) with a window that does nothing. The least work, on the same tree in the
// same run: two directory walks (one for counting, one for inspecting) and one stream query per
// file. Printed at the end: the scan's time divided by the least work's time (the fastest of eleven
// repetitions each), both
// as CPU time of the whole process (every thread: scan, UI stand-in, main), which stays fair on a
// machine shared with other work, and as elapsed time, which also counts the waits of the hand-overs.

#include "platform/StandInUiThread.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "scan/UntScanFileSystemThread.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kGroups = 20;
constexpr int kFoldersPerGroup = 10;
constexpr int kFilesPerFolder = 1000;
constexpr int kStreamEvery = 100; // 1% of the files

void buildTree(plat::store::TSimStore& store) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"Bench", L"NTFS");
    int fileNumber = 0;
    wchar_t path[64];
    for (int g = 0; g < kGroups; ++g) {
        for (int d = 0; d < kFoldersPerGroup; ++d) {
            for (int f = 0; f < kFilesPerFolder; ++f) {
                std::swprintf(path, 64, L"C:\\tree\\group%02d\\folder%02d\\file%04d.dat", g, d, f);
                store.addFile(path, "data");
                if (++fileNumber % kStreamEvery == 0) {
                    store.addStream(path, L"payload", "hidden bytes");
                }
            }
        }
    }
}

class TDoNothingWindow : public TScanNotifications {
public:
    void scanStarting(const std::vector<std::wstring>&) override {}
    void driveInitializing(const std::wstring&) override {}
    void driveCounted(std::int64_t, const std::wstring&) override {}
    void driveScanStarting() override {}
    void scanProgress(const std::wstring&, const std::wstring&, const std::wstring&, std::int64_t,
                      std::int64_t&) override {}
    TScanNode fileFound(const std::wstring&, const std::wstring&, const std::wstring&) override {
        return nullptr;
    }
    TScanNode streamFound(const TADSObject&, const std::wstring&, const std::wstring&, const std::wstring&,
                          std::int32_t, TScanNode) override {
        return nullptr;
    }
    void driveDone(int) override {}
    void scanFinished(bool, std::int64_t foundResults) override { found = foundResults; }
    std::int64_t found = 0;
};

// The scan, telling the benchmark when it has freed itself.
class TWaitedScan : public TScanFileSystem {
public:
    TWaitedScan(TScanNotifications& window, std::mutex& lock, std::condition_variable& ended, bool& done)
        : TScanFileSystem(window), FLock(lock), FEnded(ended), FDone(done) {}
    ~TWaitedScan() override {
        std::lock_guard<std::mutex> guard(FLock);
        FDone = true;
        FEnded.notify_all();
    }

private:
    std::mutex& FLock;
    std::condition_variable& FEnded;
    bool& FDone;
};

// One listing per folder: files are counted or given one stream query; subfolders are walked after.
std::int64_t leastWalk(const std::wstring& folder, bool queryStreams, TADSList& list) {
    plat::TFileServices& fs = plat::files();
    plat::WIN32_FIND_DATAW data{};
    std::vector<std::wstring> subfolders;
    std::int64_t withStreams = 0;
    const plat::HANDLE find = fs.FindFirstFileW((folder + L"*.*").c_str(), &data);
    if (find != plat::INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if ((data.dwFileAttributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0) {
                if (name != L"." && name != L"..") {
                    subfolders.push_back(name);
                }
            } else if (queryStreams) {
                enumFileADS(folder + name, list);
                withStreams += list.empty() ? 0 : 1;
                list.clear();
            }
        } while (fs.FindNextFileW(find, &data) != plat::FALSE);
        fs.FindClose(find);
    }
    for (const std::wstring& subfolder : subfolders) {
        withStreams += leastWalk(folder + subfolder + L"\\", queryStreams, list);
    }
    return withStreams;
}

void BM_LeastWork(benchmark::State& state) {
    TADSList list;
    for (auto _ : state) {
        leastWalk(L"C:\\", false, list);
        benchmark::DoNotOptimize(leastWalk(L"C:\\", true, list));
    }
}

// Runs each step at once on the calling thread: the scan without the cost of its hand-overs.
class TStepsInPlace : public plat::TUiDispatcher {
public:
    void runOnUiThread(const std::function<void()>& step) override { step(); }
};

void runScan(benchmark::State& state, plat::TUiDispatcher& dispatcher) {
    plat::installUiDispatcher(&dispatcher);
    TDoNothingWindow window;
    for (auto _ : state) {
        std::mutex lock;
        std::condition_variable ended;
        bool done = false;
        auto* scan = new TWaitedScan(window, lock, ended, done);
        scan->setFreeOnTerminate(true);
        scan->setPriority(plat::tpHighest);
        scan->setScanMode(smTargetDrive);
        scan->setPath(L"C:\\");
        scan->Start();
        std::unique_lock<std::mutex> wait(lock);
        ended.wait(wait, [&] { return done; });
    }
    plat::installUiDispatcher(nullptr);
    if (window.found != kGroups * kFoldersPerGroup * kFilesPerFolder / kStreamEvery) {
        state.SkipWithError("the scan did not find every stream");
    }
}

// As the program runs: every step handed to the UI thread (a stand-in) and waited for.
void BM_Scan(benchmark::State& state) {
    plat::TStandInUiThread ui;
    runScan(state, ui);
}

void BM_ScanStepsInPlace(benchmark::State& state) {
    TStepsInPlace inPlace;
    runScan(state, inPlace);
}

// The fastest of the repetitions: the one least disturbed by other work on the machine.
double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

BENCHMARK(BM_LeastWork)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(11)
    ->ComputeStatistics("min", fastest)
    ->ReportAggregatesOnly();
BENCHMARK(BM_Scan)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(11)
    ->ComputeStatistics("min", fastest)
    ->ReportAggregatesOnly();
BENCHMARK(BM_ScanStepsInPlace)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(11)
    ->ComputeStatistics("min", fastest)
    ->ReportAggregatesOnly();

// Keeps the fastest repetition of each benchmark for the ratio.
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> cpuFastest;
    std::map<std::string, double> realFastest;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "min") {
                cpuFastest[run.run_name.function_name] = run.GetAdjustedCPUTime();
                realFastest[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    plat::store::TSimStore store;
    plat::TTestShell shell;
    plat::installFileServices(&store);
    plat::installShellServices(&shell);
    buildTree(store);

    // Repetitions of the two benchmarks alternate, so a burst of other work on the machine does not
    // fall on one side only.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int argCount = static_cast<int>(args.size());
    benchmark::Initialize(&argCount, args.data());
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ratio = [](std::map<std::string, double>& fastestTimes, const char* name) {
        const double least = fastestTimes["BM_LeastWork"];
        return least > 0 ? fastestTimes[name] / least : 0.0;
    };
    std::printf("\nScan of %d files (1%% with streams) / least work on the same tree (target <= 1.10):\n"
                "  CPU time of the process: %.3f\n  elapsed time:            %.3f\n"
                "The same scan with its steps run in place, without hand-overs to the UI thread:\n"
                "  CPU time of the process: %.3f\n  elapsed time:            %.3f\n",
                kGroups * kFoldersPerGroup * kFilesPerFolder, ratio(reporter.cpuFastest, "BM_Scan"),
                ratio(reporter.realFastest, "BM_Scan"), ratio(reporter.cpuFastest, "BM_ScanStepsInPlace"),
                ratio(reporter.realFastest, "BM_ScanStepsInPlace"));
    plat::installShellServices(nullptr);
    plat::installFileServices(nullptr);
    return 0;
}
