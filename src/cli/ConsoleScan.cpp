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
    void scanProgress(const std::wstring&, const std::wstring& folderPath, const std::wstring&,
                      std::int64_t foundResults, std::int64_t&) override {
        if (!FOutput.progress) {
            return;
        }
        std::string line = std::to_string(foundResults) + " streams  " + report::toUtf8(shown(folderPath));
        for (char& c : line) {
            c = static_cast<unsigned char>(c) < 0x20 ? '?' : c;
        }
        if (line.size() > kProgressWidth) {
            line.resize(kProgressWidth); // may cut a character's bytes: this line is only ever overwritten
        }
        clearProgress();
        std::fprintf(FOutput.errors, "%s\r", line.c_str());
        std::fflush(FOutput.errors);
        FProgressShown = true;
    }
    TScanNode fileFound(const std::wstring&, const std::wstring&, const std::wstring&) override {
        return this;
    }
    TScanNode streamFound(const TADSObject& curAds, const std::wstring& fileName, const std::wstring&,
                          const std::wstring&, std::int32_t, TScanNode) override {
        std::string error;
        report::TStreamFinding finding =
            report::gatherFinding(FSource, fileName, curAds, FSettings.wanted, error);
        if (!error.empty()) {
            clearProgress();
            ++outcome.unreadable;
            std::fprintf(FOutput.errors, "ombrolux: %s: %s\n",
                         report::toUtf8(shown(finding.fullPath)).c_str(), error.c_str());
        }
        if (FSettings.only && finding.streamClass && finding.streamClass->verdict != *FSettings.only) {
            return this;
        }
        finding.filePath = shown(finding.filePath);
        finding.fullPath = shown(finding.fullPath);
        const std::string record = FOutput.writer->record(finding);
        clearProgress(); // the records may go to the same terminal
        if (std::fwrite(record.data(), 1, record.size(), FOutput.records) != record.size()) {
            outcome.writeFailed = true;
        }
        ++outcome.streams;
        return this;
    }
    void driveDone(int) override {}
    void directReadFailed(const std::wstring& curDrive, const std::wstring& why) override {
        clearProgress();
        std::fprintf(FOutput.errors, "ombrolux: %s: %s; walked file by file instead\n",
                     report::toUtf8(curDrive).c_str(), report::toUtf8(why).c_str());
    }
    void damagedRecordsSkipped(const std::wstring& curDriveLabel, std::uint64_t count) override {
        clearProgress();
        outcome.damagedRecords += count;
        std::fprintf(FOutput.errors, "ombrolux: %s: %s\n", report::toUtf8(curDriveLabel).c_str(),
                     damagedRecordsText(count).c_str());
    }
    void folderNotListed(const std::wstring& folder, plat::DWORD error) override {
        clearProgress();
        ++outcome.unlistedFolders;
        std::fprintf(FOutput.errors, "ombrolux: %s: could not be listed (%s); what it holds is missing\n",
                     report::toUtf8(shown(folder)).c_str(), report::errorText(error).c_str());
    }
    void scanFinished(bool terminated, std::int64_t) override {
        outcome.stopped = terminated;
        clearProgress();
    }

private:
    static constexpr std::size_t kProgressWidth = 79;

    void clearProgress() {
        if (FProgressShown) {
            std::fprintf(FOutput.errors, "%s\r", std::string(kProgressWidth, ' ').c_str());
            FProgressShown = false;
        }
    }

    std::wstring shown(const std::wstring& path) const {
        return FOutput.shownPath ? FOutput.shownPath(path) : path;
    }

    const std::wstring& FSource;
    const TScanSettings& FSettings;
    const TConsoleOutput& FOutput;
    bool FProgressShown = false;
};

} // namespace

std::string damagedRecordsText(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " record" : " records") +
           " of its master file table skipped as damaged; what " + (count == 1 ? "it holds" : "they hold") +
           " is missing";
}

TCtrlCStops::TCtrlCStops() : FPrevious(std::signal(SIGINT, onInterrupt)) {}

TCtrlCStops::~TCtrlCStops() {
    std::signal(SIGINT, FPrevious == SIG_ERR ? SIG_DFL : FPrevious);
}

bool interrupted() {
    return gInterrupted.load();
}

const std::atomic<bool>& interruptFlag() {
    return gInterrupted;
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
        scan.setDirect(settings.direct);
        scan.setEnterHiddenFolders(!settings.skipHiddenFolders);
        scan.setPreviewLen(settings.wanted.previewLen);
        gRunning.store(&scan);
        if (gInterrupted.load()) {
            scan.Terminate();
        }
        scan.Start();
        scan.WaitFor();
        gRunning.store(nullptr);
    }
    plat::installUiDispatcher(nullptr);
    return notifications.outcome;
}

} // namespace cli
