#pragma once
// The backup and removal thread: copies every checked stream of the results tree into a folder, or
// deletes it and takes its row out of the tree, and reports its start, its progress every 100
// streams and its end to the main window through notifications run on the UI thread while the
// thread waits. Every access to the tree happens inside such a notification too.

#include "platform/Thread.h"
#include "streamops/UntKorvaneLibStreamOps.h"

#include <cstdint>
#include <string>

class TTreeList;
class TTreeNode;

// What a run shares with the window's steps. The thread writes it only while no step runs; each
// step reads it while the thread waits.
struct TBackupRunState {
    bool backupVST = true;            // true: saving; false: removal
    std::wstring destPath;            // the destination folder; empty for a removal
    std::wstring operationName;       // "Backuping" or "Removing"
    std::wstring operationNameBis;    // "Backuped" or "Removed"
    std::wstring operationNameBisBis; // "Backup" or "Cleanning"
    std::int32_t succeed = 0;         // streams saved or removed so far
    std::int32_t totalCount = 0;      // checked streams counted at the start
};

// What the window does at each point of a run. Every method runs on the UI thread while the thread
// waits for it.
class TBackupNotifications {
public:
    virtual ~TBackupNotifications() = default;

    // The results tree the run walks; reached only from these notifications.
    virtual TTreeList& backupTree() = 0;
    // The bare stream name (Column1) and the full stream path (Column2) of a stream row.
    virtual void backupStreamTexts(TTreeNode* node, std::wstring& name, std::wstring& path) = 0;
    // Once, first: totalCount is counted; the window shows the busy state and suspends the tree's
    // repainting until backupFinished.
    virtual void backupStarting(const TBackupRunState& state) = 0;
    // Each checked stream, before it is copied or deleted: the two detail lines.
    virtual void backupStreamStarting(const std::wstring& line1, const std::wstring& line2) = 0;
    // After every 100 streams processed.
    virtual void backupProgress(const TBackupRunState& state) = 0;
    // Once, last, also after a stop or an error. For a removal the file rows left without streams
    // are already gone. The thread frees itself right after this returns, so the window drops its
    // reference to it here.
    virtual void backupFinished(const TBackupRunState& state) = 0;
};

class TBackupADS : public plat::TThread {
public:
    // Streams processed between two progress steps.
    static constexpr std::int32_t kProgressEvery = 100;

    // Created suspended; the window gives the settings, then starts it.
    explicit TBackupADS(TBackupNotifications& notifications);

    bool backupVST() const { return FBackupVST; }
    void setBackupVST(bool value) { FBackupVST = value; }
    const std::wstring& destPath() const { return FDestPath; }
    void setDestPath(std::wstring value) { FDestPath = std::move(value); }

    // Saves the stream at source into folder, named after the stream (made safe and unique); a stop
    // asked for ends the copy after its current block and removes the partial file. True when the
    // saved copy is complete.
    bool copyStreamToFolder(const std::wstring& source, const std::wstring& folder, const std::wstring& name);

protected:
    void Execute() override;

private:
    // One hand-over per stream: takes out the row of the stream deleted last, finds the next
    // checked stream row in tree order, reads its texts and shows the detail lines. False when the
    // walk ends (no such row, or a stop).
    bool nextCheckedStream(TTreeNode*& current, std::wstring& name, std::wstring& path);
    void takeOutDeletedRow(TTreeList& tree);

    TBackupNotifications& FNotifications;
    bool FBackupVST = true;
    std::wstring FDestPath;
    TBackupRunState FState;
    TTreeNode* FDeletedRow = nullptr; // a stream removed from the disk whose row is still in the tree
    TSavedNames FSavedNames;          // the names this run has saved to
};
