#pragma once
// The scan thread driven from the console: its notifications are answered in place, on the scan
// thread itself (there is no window and no UI thread), and each reported stream becomes one record
// written whole to the output.

#include "report/Finding.h"
#include "report/StreamFacts.h"
#include "scan/UntScanFileSystemThread.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace cli {

struct TScanSettings {
    std::wstring wildcard = L"*.*";
    bool recursive = true;
    bool includeZone = false;
    // Drives and folders on them are read from the drive's raw volume through the NTFS engine (a
    // walk where it cannot be read, with a warning).
    bool direct = false;
    // Hidden and system folders are walked as any other unless told to skip them, as the window does
    // on live drives (asked for their own streams, not entered).
    bool skipHiddenFolders = false;
    report::TFactsWanted wanted;
    // Only the streams of this verdict are written (all when empty).
    std::optional<report::TVerdict> only;
};

// Where records and errors go.
struct TConsoleOutput {
    std::FILE* records = nullptr;
    std::FILE* errors = nullptr;
    const report::TFindingWriter* writer = nullptr;
    // Progress lines on errors (every 50 files, overwritten in place): only when it is a terminal.
    bool progress = false;
    // How a file path is shown: the path as the scan gives it becomes the reported one (an image's
    // drive letter is dropped, for example).
    std::function<std::wstring(const std::wstring&)> shownPath;
};

struct TScanOutcome {
    std::int64_t streams = 0;
    int unreadable = 0;               // streams whose bytes could not be read for the hash or the mark
    int unlistedFolders = 0;          // folders whose entries could not be listed
    std::uint64_t damagedRecords = 0; // records of a volume read directly skipped as damaged
    bool stopped = false;
    bool writeFailed = false;
};

// "3 records of its master file table skipped as damaged; ...": after a volume's name on standard error.
std::string damagedRecordsText(std::uint64_t count);

// Scans one root (a drive root such as "C:\" or a folder) with the installed file services and
// writes every stream found. source is what the user named. Under TCtrlCStops, Ctrl+C stops it cleanly.
TScanOutcome scanRoot(const std::wstring& source, const std::wstring& root, const TScanSettings& settings,
                      const TConsoleOutput& output);

// While it lives, Ctrl+C (SIGINT) stops the run cleanly instead of ending the process: the running
// scan stops and the caller starts no further target. It is made once around the whole run, so that a
// Ctrl+C while an image is being opened is kept as well.
class TCtrlCStops {
public:
    TCtrlCStops();
    ~TCtrlCStops();
    TCtrlCStops(const TCtrlCStops&) = delete;
    TCtrlCStops& operator=(const TCtrlCStops&) = delete;

private:
    void (*FPrevious)(int);
};

// Whether Ctrl+C was pressed while a TCtrlCStops lived.
bool interrupted();
// The same as a flag, for long reads that poll it themselves (a volume's catalogue while it loads).
const std::atomic<bool>& interruptFlag();

} // namespace cli
