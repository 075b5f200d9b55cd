#include "cli/ConsoleScan.h"

#include "report/TextEncoding.h"

#include <atomic>
#include <csignal>

namespace cli {

namespace {

// Runs each step at once on the thread that hands it over: the console has no UI thread, and only
// one scan runs at a time.
class TInPlaceDispatcher final : public plat::TUiDispatcher {
public:
    void runOnUiThread(const std::function<void()>& step) override { step(); }
};

// The scan a Ctrl+C stops. Setting a thread's stop flag is a lock-free atomic store, which a signal
// handler may do.
std::atomic<plat::TThread*> gRunning{nullptr};
std::atomic<bool> gInterrupted{false};

extern "C" void onInterrupt(int) {
    gInterrupted.store(true);
    if (plat::TThread* scan = gRunning.load()) {
        scan->Terminate();
    }
}

class TConsoleNotifications final : public TScanNotifications {
public:
    TConsoleNotifications(const std::wstring& source, const TScanSettings& settings,
                          const TConsoleOutput& output)
        : FSource(source), FSettings(settings), FOutput(output) {}

    TScanOutcome outcome;

    void scanStarting(const std::vector<std::wstring>&) override {}
    void driveInitializing(const std::wstring&) override {}
    void driveCounted(std::int64_t, const std::wstring&) override {}
    void driveScanStarting() override {}
    void scanProgress(const std::wstring&, const std::wstring&, const std::wstring&, std::int64_t,
                      std::int64_t&) override {}
    TScanNode fileFound(const std::wstring&, const std::wstring&, const std::wstring&) override {
        return this;
    }
    TScanNode streamFound(const TADSObject& curAds, const std::wstring& fileName, const std::wstring&,
                          const std::wstring&, std::int32_t, TScanNode) override {
        std::string error;
        report::TStreamFinding finding =
            report::gatherFinding(FSource, fileName, curAds, FSettings.wanted, error);
        if (!error.empty()) {
            ++outcome.unreadable;
            std::fprintf(FOutput.errors, "ombrolux: %s: %s\n",
                         report::toUtf8(shown(finding.fullPath)).c_str(), error.c_str());
        }
        finding.filePath = shown(finding.filePath);
        finding.fullPath = shown(finding.fullPath);
        const std::string record = FOutput.writer->record(finding);
        if (std::fwrite(record.data(), 1, record.size(), FOutput.records) != record.size()) {
            outcome.writeFailed = true;
        }
        ++outcome.streams;
        return this;
    }
    void driveDone(int) override {}
    void scanFinished(bool terminated, std::int64_t) override { outcome.stopped = terminated; }

private:
    std::wstring shown(const std::wstring& path) const {
        return FOutput.shownPath ? FOutput.shownPath(path) : path;
    }

    const std::wstring& FSource;
    const TScanSettings& FSettings;
    const TConsoleOutput& FOutput;
};

} // namespace

bool interrupted() {
    return gInterrupted.load();
}

TScanOutcome scanRoot(const std::wstring& source, const std::wstring& root, const TScanSettings& settings,
                      const TConsoleOutput& output) {
    TInPlaceDispatcher dispatcher;
    plat::installUiDispatcher(&dispatcher);
    TConsoleNotifications notifications(source, settings, output);
    {
        TScanFileSystem scan(notifications);
        const bool drive = root.size() == 3 && root[1] == L':' && root[2] == L'\\';
        scan.setScanMode(drive ? smTargetDrive : smTargetPath);
        scan.setPath(root);
        scan.setWildcard(settings.wildcard);
        scan.setRecursive(settings.recursive);
        scan.setIncludeZone(settings.includeZone);
        scan.setPreviewLen(settings.wanted.previewLen);
        gRunning.store(&scan);
        const auto previous = std::signal(SIGINT, onInterrupt);
        if (gInterrupted.load()) {
            scan.Terminate();
        }
        scan.Start();
        scan.WaitFor();
        std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
        gRunning.store(nullptr);
    }
    plat::installUiDispatcher(nullptr);
    return notifications.outcome;
}

} // namespace cli
