#pragma once
// The export thread: writes the stream rows the window handed it into a CSV or JSON Lines file, as
// the console tool writes a scan's records, reading each stream's facts (times, attributes, the
// download mark) on its way. It writes into a temporary file beside the chosen one and renames it
// into place at the end, so that a stop, a full disk or a crash never leaves a half-written file
// under the chosen name; a stopped or failed run removes the temporary file. Its start, its progress
// every 100 streams and its end reach the window through notifications run on the UI thread while the
// thread waits.

#include "platform/Thread.h"
#include "platform/WinTypes.h"
#include "report/Finding.h"

#include <cstdint>
#include <string>
#include <vector>

// One stream row to be written, as the window read it off its tree.
struct TExportRow {
    std::wstring source;     // the record's source (a drive root, or an image's volume)
    std::wstring fileName;   // the file or folder that carries the stream, as the file services open it
    std::wstring streamName; // the bare stream name
    std::int64_t streamSize = 0;
    std::wstring filePath;  // the record's file path
    std::wstring fullPath;  // the record's full stream path
    std::wstring preview;   // the row's preview
    std::wstring shownPath; // the stream's path as its row shows it, for the progress lines
};

// What a run shares with the window's steps; the thread writes it only while no step runs.
struct TExportRunState {
    std::wstring target;           // the file chosen
    std::wstring temporary;        // the file written until the end; empty before it is made
    std::int64_t total = 0;        // rows to be written
    std::int64_t written = 0;      // rows written so far
    bool stopped = false;          // the run was stopped before its end
    plat::DWORD error = 0;         // the system's error code of a failed run; 0 otherwise
    bool temporaryRemoved = false; // a stopped or failed run took its temporary file away
};

class TExportNotifications {
public:
    virtual ~TExportNotifications() = default;
    // Once, first: the window shows the busy state.
    virtual void exportStarting(const TExportRunState& state) = 0;
    // After every 100 streams written, with the path of the last one.
    virtual void exportProgress(const TExportRunState& state, const std::wstring& shownPath) = 0;
    // Once, last, after a stop or a failure too. The thread frees itself right after this returns, so
    // the window drops its reference to it here.
    virtual void exportFinished(const TExportRunState& state) = 0;
};

class TExportResults : public plat::TThread {
public:
    static constexpr std::int64_t kProgressEvery = 100;

    // Created suspended; the window gives the settings, then starts it.
    explicit TExportResults(TExportNotifications& notifications);

    void setRows(std::vector<TExportRow> value) { FRows = std::move(value); }
    void setTarget(std::wstring value) { FTarget = std::move(value); }
    void setFormat(report::TReportFormat value) { FFormat = value; }

protected:
    void Execute() override;

private:
    // Writes every row into the temporary file; the system's error code, 0 when written (or stopped).
    plat::DWORD writeRows(plat::HANDLE file);
    // Makes a new temporary file beside the target; an invalid handle with the last error otherwise.
    plat::HANDLE createTemporary();

    TExportNotifications& FNotifications;
    std::vector<TExportRow> FRows;
    std::wstring FTarget;
    report::TReportFormat FFormat = report::TReportFormat::csv;
    TExportRunState FState;
};
