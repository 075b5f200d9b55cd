#pragma once
// What the robustness tests share: a store of three NTFS drives (and a FAT32 one) whose files carry
// streams of every kind, a snapshot of everything the store holds, and stand-ins for the main window
// that record what a scan, a backup or a removal hands them, the way the window uses it.

#include "platform/StandInUiThread.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "scan/UntScanFileSystemThread.h"
#include "streamops/UntBackupADSThread.h"
#include "support/DoneSignal.h"
#include "toolkit/TreeList.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace robust {

using plat::store::TCall;
using plat::store::TSimStore;

// Every file's main data (key: its path) and every named stream of files and folders (key: path,
// ":", stream name), with the bytes it holds, on the drives given. Read through the store's own
// inspection, so it leaves the call log alone.
using TSnapshot = std::map<std::wstring, std::string>;
TSnapshot snapshot(TSimStore& store, const std::wstring& driveLetters = L"CDEF");

// Readable text of a path for test messages.
std::string narrow(const std::wstring& text);

// Three NTFS drives (C: fixed, D: fixed with the destination folder D:\Saved, E: removable) and a
// FAT32 drive F:. Every stream holds bytes no other stream holds, so a copy tells its source.
void fillFixture(TSimStore& store);
inline const std::wstring kDestination = L"D:\\Saved";

// One reported stream as the window keeps it.
struct TStreamRow {
    std::wstring file;
    std::wstring name;
    std::int64_t size = 0;
    std::wstring preview;
    std::wstring creation;
    std::wstring modification;
    std::wstring path() const { return file + L":" + name; } // as the snapshot names it
    std::wstring streamPath() const;                         // as the window reaches it
};

// What a scan handed the window.
struct TScanOutcome {
    std::vector<std::wstring> files;
    std::vector<std::wstring> folders; // folders reported with streams of their own
    std::vector<TStreamRow> streams;
    std::vector<std::wstring> events; // notification names, in order
    int finished = 0;
    std::int64_t foundResults = -1;
    bool ended = false; // the thread freed itself in time
};

// The main window as a scan sees it: adds a file or folder row and its stream rows with the size, times and
// preview the window shows (the preview read on the UI thread, as the window reads it).
class TScanWindow : public TScanNotifications {
public:
    TScanOutcome outcome;

    void scanStarting(const std::vector<std::wstring>& driveList) override;
    void driveInitializing(const std::wstring& curDriveLabel) override;
    void driveCounted(std::int64_t count, const std::wstring& curDrive) override;
    void driveScanStarting() override;
    void scanProgress(const std::wstring& curDriveLabel, const std::wstring& folderPath,
                      const std::wstring& entryName, std::int64_t foundResults,
                      std::int64_t& lastFoundResultsCheck) override;
    TScanNode fileFound(const std::wstring& fileName, const std::wstring& creationStr,
                        const std::wstring& modificationStr) override;
    TScanNode folderFound(const std::wstring& folderName, const std::wstring& creationStr,
                          const std::wstring& modificationStr) override;
    TScanNode streamFound(const TADSObject& curAds, const std::wstring& fileName,
                          const std::wstring& creationStr, const std::wstring& modificationStr,
                          std::int32_t previewLen, TScanNode fileNode) override;
    void driveDone(int n) override;
    void scanFinished(bool terminated, std::int64_t foundResults) override;
};

// What a row of the stand-in tree carries: Column1 and Column2 of the window's record.
struct TRowData {
    std::wstring name; // file: its path; stream: the bare stream name
    std::wstring path; // file: empty; stream: the full stream path
};

// The main window as a backup or removal run sees it: a results tree like the window's (tri-state
// file rows, stream rows, all checked), reached only from the notifications.
class TBackupWindow : public TBackupNotifications {
public:
    TBackupWindow();
    ~TBackupWindow() override;

    TTreeList tree;
    std::vector<std::wstring> events;
    int finished = 0;
    TBackupRunState finalState;

    TTreeList& backupTree() override { return tree; }
    void backupStreamTexts(TTreeNode* node, std::wstring& name, std::wstring& path) override;
    void backupStarting(const TBackupRunState& state) override;
    void backupStreamStarting(const std::wstring& line1, const std::wstring& line2) override;
    void backupProgress(const TBackupRunState& state) override;
    void backupFinished(const TBackupRunState& state) override;

    // A file row per file of the rows, with its stream rows under it, all checked.
    void addRows(const std::vector<TStreamRow>& rows);
    void uncheck(const std::wstring& streamPath);
    // Stream paths of the rows, and of the checked ones.
    std::vector<std::wstring> streamPaths() const;
    std::vector<std::wstring> checkedStreamPaths() const;
    // File rows (their paths), and whether every file row has a stream row under it.
    std::vector<std::wstring> filePaths() const;
};

// A world for one run: a filled store installed as the file services, a stand-in UI thread, the
// shell double and the headless toolkit. Made afresh for every run, so runs do not share state.
class TWorld {
public:
    // Filled with the fixture unless told otherwise.
    explicit TWorld(bool streamFunctions = true, bool filled = true);
    ~TWorld();
    TWorld(const TWorld&) = delete;
    TWorld& operator=(const TWorld&) = delete;

    TSimStore store;
    plat::TTestShell shell;
    plat::headless::THeadlessBackend backend;
    std::unique_ptr<plat::TStandInUiThread> ui;

    // A full-system scan as the window starts one; waits until the thread has freed itself.
    TScanOutcome scanFullSystem(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // A scan of one folder and its subfolders.
    TScanOutcome scanFolder(const std::wstring& folder, bool includeZone = true);
    // A backup (destination given) or a removal (empty destination) of the window's checked rows.
    bool runBackup(TBackupWindow& window, const std::wstring& destination,
                   std::chrono::milliseconds timeout = std::chrono::seconds(30));
};

// The error a real failure of this call would give: a sharing violation or refused access when a
// file or stream is opened, disk full when written, the medium gone when a handle is read, and so on.
plat::DWORD realisticError(const plat::store::TLoggedCall& call);

} // namespace robust
