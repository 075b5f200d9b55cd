#include "streamops/UntExportResultsThread.h"

#include "platform/FileServices.h"
#include "platform/Owned.h"
#include "report/StreamFacts.h"
#include "stream/UntKorvaneLib.h"

#include <algorithm>

namespace {

// Records are gathered into pieces of about this size before they are written.
constexpr std::size_t kPiece = 1 << 20;

// Writes the whole text; 0 when written, otherwise the system's error code (a short write is a full disk).
plat::DWORD writeAll(plat::HANDLE file, const std::string& text) {
    plat::TFileServices& fs = plat::files();
    for (std::size_t at = 0; at < text.size(); at += kPiece) {
        const auto piece = static_cast<plat::DWORD>(std::min(kPiece, text.size() - at));
        plat::DWORD written = 0;
        if (fs.WriteFile(file, text.data() + at, piece, &written, nullptr) == plat::FALSE ||
            written != piece) {
            const plat::DWORD error = fs.GetLastError();
            return error != 0 ? error : plat::ERROR_DISK_FULL;
        }
    }
    return 0;
}

} // namespace

TExportResults::TExportResults(TExportNotifications& notifications) : FNotifications(notifications) {}

plat::HANDLE TExportResults::createTemporary() {
    plat::TFileServices& fs = plat::files();
    // "found.csv.part", or "found.csv.2.part" when an earlier run left one behind.
    for (int n = 1; n <= 100; ++n) {
        const std::wstring name = FTarget + (n == 1 ? std::wstring() : L"." + std::to_wstring(n)) + L".part";
        plat::HANDLE file = fs.CreateFileW(name.c_str(), plat::GENERIC_WRITE, 0, nullptr, plat::CREATE_NEW,
                                           plat::FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != plat::INVALID_HANDLE_VALUE) {
            FState.temporary = name;
            return file;
        }
        const plat::DWORD error = fs.GetLastError();
        if (error != plat::ERROR_FILE_EXISTS && error != plat::ERROR_ALREADY_EXISTS) {
            return file;
        }
    }
    fs.SetLastError(plat::ERROR_FILE_EXISTS);
    return plat::INVALID_HANDLE_VALUE;
}

plat::DWORD TExportResults::writeRows(plat::HANDLE file) {
    // CSV with a byte-order mark, so that spreadsheets read the names right.
    const auto writer = report::makeFindingWriter(FFormat, true);
    std::string text = writer->header();
    for (const TExportRow& row : FRows) {
        if (Terminated()) {
            FState.stopped = true;
            return 0;
        }
        // The row's own preview and paths; the rest as the console tool gathers it (times, attributes,
        // the download mark decoded), from the file the row stands for.
        std::string unread;
        report::TStreamFinding finding =
            report::gatherFinding(row.source, row.fileName, TADSObject(row.streamName, row.streamSize),
                                  report::TFactsWanted{}, unread);
        finding.filePath = row.filePath;
        finding.fullPath = row.fullPath;
        finding.preview = row.preview;
        text += writer->record(finding);
        ++FState.written;
        if (text.size() >= kPiece) {
            if (const plat::DWORD error = writeAll(file, text); error != 0) {
                return error;
            }
            text.clear();
        }
        if (FState.written % kProgressEvery == 0) {
            Synchronize([&] { FNotifications.exportProgress(FState, row.shownPath); });
        }
    }
    return writeAll(file, text);
}

void TExportResults::Execute() {
    FState = TExportRunState{};
    FState.target = FTarget;
    FState.total = static_cast<std::int64_t>(FRows.size());
    plat::TFileServices& fs = plat::files();
    try {
        Synchronize([&] { FNotifications.exportStarting(FState); });
        {
            plat::TFileHandle file(createTemporary());
            if (!file) {
                FState.error = fs.GetLastError();
            } else {
                FState.error = writeRows(file.get());
                if (FState.error == 0 && !FState.stopped && fs.CloseHandle(file.release()) == plat::FALSE) {
                    FState.error = fs.GetLastError(); // the last bytes could not be written out
                }
            }
        }
        if (FState.error == 0 && !FState.stopped && Terminated()) {
            FState.stopped = true; // a stop asked for after the last row still keeps the target as it was
        }
        if (FState.error == 0 && !FState.stopped &&
            fs.MoveFileExW(FState.temporary.c_str(), FTarget.c_str(),
                           plat::MOVEFILE_REPLACE_EXISTING | plat::MOVEFILE_WRITE_THROUGH) == plat::FALSE) {
            FState.error = fs.GetLastError();
        }
    } catch (const std::bad_alloc&) {
        FState.error = plat::ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        FState.error = plat::ERROR_GEN_FAILURE;
    }
    if ((FState.error != 0 || FState.stopped) && !FState.temporary.empty()) {
        FState.temporaryRemoved = fs.DeleteFileW(FState.temporary.c_str()) != plat::FALSE;
    }
    try {
        Synchronize([&] { FNotifications.exportFinished(FState); });
    } catch (...) {
        // Nothing is left to report it to.
    }
}
