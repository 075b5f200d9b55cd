// Bulk removal and bulk backup as the program runs them, against the least work any run must do.
//
// Removal: 100,000 checked streams (10,000 files of 10 streams) in the simulated store and in a
// results tree like the window's. The run goes as in the program: its own thread, every step handed
// to a UI-thread stand-in and waited for, the tree's repainting suspended from the start step to the
// finish step. The least work, on the same content: one delete per stream and one row taken out per
// stream, then the file rows left empty, all on one thread. Also counted: the hand-overs to the UI
// thread of one run (one per stream, one per 100 streams for progress, start and finish).
//
// Backup: 10,000 streams of 200 bytes (1,000 files of 10 streams) saved into one folder; the least
// work opens each stream and a new file, copies the bytes in one read and one write, and closes both.
//
// Printed at the end: each run's time divided by its least work's time (the fastest of the
// repetitions), as CPU time of the whole process and as elapsed time.

#include "platform/StandInUiThread.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "streamops/UntBackupADSThread.h"
#include "streamops/UntKorvaneLibStreamOps.h"
#include "toolkit/TreeList.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kRemovalFiles = 10000;
constexpr int kBackupFiles = 1000;
constexpr int kStreamsPerFile = 10;
const std::string kSmallStream(200, 's');

std::wstring fileName(int n) {
    wchar_t name[64];
    std::swprintf(name, 64, L"C:\\data\\folder%02d\\file%05d.dat", n % 50, n);
    return name;
}

struct TRow {
    std::wstring name;
    std::wstring path;
};

// The results tree with one file row per file and its checked stream rows.
void fillTree(TTreeList& tree, int files) {
    tree.clear();
    for (int f = 0; f < files; ++f) {
        const std::wstring file = fileName(f);
        TTreeNode* fileNode = tree.addChild(nullptr);
        tree.getNodeData<TRow>(fileNode)->name = file;
        for (int s = 0; s < kStreamsPerFile; ++s) {
            const std::wstring name = L"s" + std::to_wstring(s);
            TTreeNode* streamNode = tree.addChild(fileNode);
            *tree.getNodeData<TRow>(streamNode) = TRow{name, file + L":" + name};
        }
    }
}

void fillStore(plat::store::TSimStore& store, int files) {
    for (int f = 0; f < files; ++f) {
        const std::wstring file = fileName(f);
        store.addFile(file, "m");
        for (int s = 0; s < kStreamsPerFile; ++s) {
            store.addStream(file, L"s" + std::to_wstring(s), kSmallStream);
        }
    }
}

// The window as the run needs it: the tree, its repainting suspended during the run, and the end.
class TBenchWindow : public TBackupNotifications {
public:
    TBenchWindow() {
        tree.setNodeDataType<TRow>();
        tree.OnInitNode = [](TTreeList* sender, TTreeNode* node) {
            sender->setCheckType(node, sender->getNodeLevel(node) == 0 ? TCheckType::ctTriStateCheckBox
                                                                       : TCheckType::ctCheckBox);
            sender->setCheckState(node, TCheckState::csCheckedNormal);
        };
    }
    TTreeList& backupTree() override { return tree; }
    void backupStreamTexts(TTreeNode* node, std::wstring& name, std::wstring& path) override {
        const TRow* row = tree.getNodeData<TRow>(node);
        name = row->name;
        path = row->path;
    }
    void backupStarting(const TBackupRunState&) override { tree.beginUpdate(); }
    void backupStreamStarting(const std::wstring& line1, const std::wstring& line2) override {
        detail1 = line1;
        detail2 = line2;
    }
    void backupProgress(const TBackupRunState& state) override { count = state.succeed; }
    void backupFinished(const TBackupRunState& state) override {
        tree.endUpdate();
        succeed = state.succeed;
        std::lock_guard<std::mutex> guard(lock);
        done = true;
        ended.notify_all();
    }

    TTreeList tree;
    std::wstring detail1;
    std::wstring detail2;
    std::int32_t count = 0;
    std::int32_t succeed = 0;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
};

// The UI-thread stand-in, counting the steps handed to it.
class TCountingUi : public plat::TUiDispatcher {
public:
    void runOnUiThread(const std::function<void()>& step) override {
        ++handOvers;
        FUi.runOnUiThread(step);
    }
    std::atomic<std::int64_t> handOvers{0};

private:
    plat::TStandInUiThread FUi;
};

// One run as the window starts it; answers the streams saved or removed.
std::int32_t runThread(TBenchWindow& window, bool backup, const std::wstring& destPath) {
    window.done = false;
    auto* run = new TBackupADS(window);
    run->setFreeOnTerminate(true);
    run->setPriority(plat::tpHighest);
    run->setBackupVST(backup);
    run->setDestPath(destPath);
    run->Start();
    std::unique_lock<std::mutex> wait(window.lock);
    window.ended.wait(wait, [&] { return window.done; });
    return window.succeed;
}

std::int64_t gRemovalHandOvers = 0;
// The store of the backup's sources, made once; each backup goes into a fresh folder.
plat::store::TSimStore* gBackupStore = nullptr;

void BM_Removal(benchmark::State& state) {
    TCountingUi ui;
    plat::installUiDispatcher(&ui);
    TBenchWindow window;
    for (auto _ : state) {
        state.PauseTiming();
        plat::store::TSimStore store;
        plat::installFileServices(&store);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"Bench", L"NTFS");
        fillStore(store, kRemovalFiles);
        fillTree(window.tree, kRemovalFiles);
        ui.handOvers = 0;
        state.ResumeTiming();
        if (runThread(window, false, L"") != kRemovalFiles * kStreamsPerFile ||
            window.tree.totalCount() != 0) {
            state.SkipWithError("the removal did not remove every stream and row");
        }
        state.PauseTiming();
        gRemovalHandOvers = ui.handOvers;
        plat::installFileServices(gBackupStore);
        state.ResumeTiming();
    }
    plat::installUiDispatcher(nullptr);
}

void BM_RemovalLeastWork(benchmark::State& state) {
    TBenchWindow window;
    for (auto _ : state) {
        state.PauseTiming();
        plat::store::TSimStore store;
        plat::installFileServices(&store);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"Bench", L"NTFS");
        fillStore(store, kRemovalFiles);
        fillTree(window.tree, kRemovalFiles);
        state.ResumeTiming();
        TTreeList& tree = window.tree;
        tree.beginUpdate();
        TTreeNode* node = tree.getFirst();
        while (node != nullptr) {
            TTreeNode* next = tree.getNext(node);
            if (tree.getNodeLevel(node) == 1 &&
                store.DeleteFileW(tree.getNodeData<TRow>(node)->path.c_str())) {
                tree.deleteNode(node);
            }
            node = next;
        }
        removeEmptyFileNodes(tree);
        tree.endUpdate();
        state.PauseTiming();
        plat::installFileServices(gBackupStore);
        state.ResumeTiming();
    }
}

int gBackupFolder = 0;

void BM_Backup(benchmark::State& state) {
    plat::TStandInUiThread ui;
    plat::installUiDispatcher(&ui);
    TBenchWindow window;
    fillTree(window.tree, kBackupFiles);
    for (auto _ : state) {
        state.PauseTiming();
        const std::wstring folder = L"D:\\saved" + std::to_wstring(++gBackupFolder);
        gBackupStore->addFolder(folder);
        state.ResumeTiming();
        if (runThread(window, true, folder) != kBackupFiles * kStreamsPerFile) {
            state.SkipWithError("the backup did not save every stream");
        }
    }
    window.tree.clear();
    plat::installUiDispatcher(nullptr);
}

void BM_BackupLeastWork(benchmark::State& state) {
    plat::TFileServices& fs = *gBackupStore;
    std::vector<char> buffer(kStreamCopyBlockSize);
    for (auto _ : state) {
        state.PauseTiming();
        const std::wstring folder = L"D:\\saved" + std::to_wstring(++gBackupFolder) + L"\\";
        gBackupStore->addFolder(folder);
        state.ResumeTiming();
        for (int f = 0; f < kBackupFiles; ++f) {
            const std::wstring file = fileName(f);
            for (int s = 0; s < kStreamsPerFile; ++s) {
                const std::wstring name = L"s" + std::to_wstring(s);
                plat::HANDLE in =
                    fs.CreateFileW((file + L":" + name).c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ,
                                   nullptr, plat::OPEN_EXISTING, 0, nullptr);
                plat::HANDLE out =
                    fs.CreateFileW((folder + name + L"." + std::to_wstring(f)).c_str(), plat::GENERIC_WRITE,
                                   0, nullptr, plat::CREATE_NEW, plat::FILE_ATTRIBUTE_NORMAL, nullptr);
                plat::DWORD read = 0;
                plat::DWORD written = 0;
                fs.ReadFile(in, buffer.data(), static_cast<plat::DWORD>(buffer.size()), &read, nullptr);
                fs.WriteFile(out, buffer.data(), read, &written, nullptr);
                fs.CloseHandle(in);
                fs.CloseHandle(out);
            }
        }
    }
}

double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

void configure(benchmark::internal::Benchmark* benchmark) {
    benchmark->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(5)
        ->ComputeStatistics("min", fastest)
        ->ReportAggregatesOnly();
}

BENCHMARK(BM_Removal)->Apply(configure);
BENCHMARK(BM_RemovalLeastWork)->Apply(configure);
BENCHMARK(BM_Backup)->Apply(configure);
BENCHMARK(BM_BackupLeastWork)->Apply(configure);

class TFastestReporter : public benchmark::ConsoleReporter {
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
    plat::TTestShell shell;
    plat::headless::THeadlessBackend backend;
    plat::installShellServices(&shell);
    plat::installControlBackend(&backend);
    auto backupStore = std::make_unique<plat::store::TSimStore>();
    backupStore->addDrive(L'C', plat::DRIVE_FIXED, L"Bench", L"NTFS");
    backupStore->addDrive(L'D', plat::DRIVE_FIXED, L"Saved", L"NTFS");
    fillStore(*backupStore, kBackupFiles);
    gBackupStore = backupStore.get();
    // The backup benchmarks use this store; the removal ones install a fresh one per repetition and
    // put this one back.
    plat::installFileServices(gBackupStore);

    int argCount = argc;
    benchmark::Initialize(&argCount, argv);
    TFastestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ratio = [](std::map<std::string, double>& times, const char* run, const char* least) {
        return times[least] > 0 ? times[run] / times[least] : 0.0;
    };
    std::printf("\nRemoval of %d checked streams / least work on the same content:\n"
                "  CPU time of the process: %.3f\n  elapsed time:            %.3f\n"
                "  hand-overs to the UI thread in one run: %lld\n"
                "Backup of %d small streams / least work on the same content:\n"
                "  CPU time of the process: %.3f\n  elapsed time:            %.3f\n",
                kRemovalFiles * kStreamsPerFile,
                ratio(reporter.cpuFastest, "BM_Removal", "BM_RemovalLeastWork"),
                ratio(reporter.realFastest, "BM_Removal", "BM_RemovalLeastWork"),
                static_cast<long long>(gRemovalHandOvers), kBackupFiles * kStreamsPerFile,
                ratio(reporter.cpuFastest, "BM_Backup", "BM_BackupLeastWork"),
                ratio(reporter.realFastest, "BM_Backup", "BM_BackupLeastWork"));
    plat::installFileServices(nullptr);
    plat::installControlBackend(nullptr);
    plat::installShellServices(nullptr);
    return 0;
}
