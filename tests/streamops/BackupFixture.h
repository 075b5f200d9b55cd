#pragma once
// The fixture of the stream-operation tests: the simulated store with a source drive C: and a
// destination drive D:, a stand-in UI thread, and a window stand-in that owns a results tree like
// the main window's (tri-state file rows, plain stream rows, all checked) and records every
// notification of a backup or removal run.

#include "platform/StandInUiThread.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "streamops/UntBackupADSThread.h"
#include "support/DoneSignal.h"
#include "toolkit/TreeList.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace backuptest {

using namespace std::chrono_literals;

// What a row of the stand-in tree carries: Column1 and Column2 of the real record.
struct TRow {
    std::wstring name; // file: its path; stream: the bare stream name
    std::wstring path; // file: empty; stream: the full stream path
};

inline std::wstring counts(const TBackupRunState& state) {
    return std::to_wstring(state.succeed) + L"/" + std::to_wstring(state.totalCount);
}

// The main window as the run sees it: records each notification, reaches the tree only from them,
// and keeps its reference to the running thread until backupFinished, as the real window does.
class TRecordingWindow : public TBackupNotifications {
public:
    TRecordingWindow() {
        tree.setNodeDataType<TRow>();
        tree.OnInitNode = [](TTreeList* sender, TTreeNode* node) {
            sender->setCheckType(node, sender->getNodeLevel(node) == 0 ? TCheckType::ctTriStateCheckBox
                                                                       : TCheckType::ctCheckBox);
            sender->setCheckState(node, TCheckState::csCheckedNormal);
        };
    }

    TTreeList tree;
    std::vector<std::wstring> events;
    std::vector<std::thread::id> threads; // of every notification and tree access
    TBackupADS* FBackupADS = nullptr;
    int treeAccesses = 0;
    // Runs after each notification is recorded; may stop the run, change the store or throw.
    std::function<void(const std::wstring& event)> onEvent;
    // The rows as they were when the run finished.
    std::vector<std::wstring> rowsAtFinish;

    TTreeList& backupTree() override {
        ++treeAccesses;
        threads.push_back(std::this_thread::get_id());
        return tree;
    }
    void backupStreamTexts(TTreeNode* node, std::wstring& name, std::wstring& path) override {
        threads.push_back(std::this_thread::get_id());
        const TRow* row = tree.getNodeData<TRow>(node);
        name = row->name;
        path = row->path;
    }
    void backupStarting(const TBackupRunState& state) override {
        tree.beginUpdate();
        record(L"starting " + state.operationName + L" " + counts(state) + L" to [" + state.destPath + L"]");
    }
    void backupStreamStarting(const std::wstring& line1, const std::wstring& line2) override {
        record(line1 + L" | " + line2);
    }
    void backupProgress(const TBackupRunState& state) override {
        record(L"progress " + counts(state) + L" " + state.operationNameBis);
    }
    void backupFinished(const TBackupRunState& state) override {
        FBackupADS = nullptr; // the thread frees itself right after this
        tree.endUpdate();
        rowsAtFinish = rows();
        record(L"finished " + state.operationNameBisBis + L" " + counts(state) + L" " +
               state.operationNameBis);
    }

    void stopRun() {
        if (FBackupADS != nullptr) {
            FBackupADS->Terminate();
        }
    }

    // A file row with one stream row per name, under it.
    TTreeNode* addFile(const std::wstring& file, const std::vector<std::wstring>& streams) {
        TTreeNode* fileNode = tree.addChild(nullptr);
        *tree.getNodeData<TRow>(fileNode) = TRow{file, L""};
        for (const std::wstring& stream : streams) {
            TTreeNode* streamNode = tree.addChild(fileNode);
            *tree.getNodeData<TRow>(streamNode) = TRow{stream, file + L":" + stream};
        }
        return fileNode;
    }
    TTreeNode* find(const std::wstring& nameOrPath) {
        for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
            const TRow* row = tree.getNodeData<TRow>(node);
            if (row->name == nameOrPath || row->path == nameOrPath) {
                return node;
            }
        }
        return nullptr;
    }
    // The rows in tree order: file rows by their path, stream rows indented by their full path.
    std::vector<std::wstring> rows() const {
        std::vector<std::wstring> result;
        for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
            const TRow* row = tree.getNodeData<TRow>(node);
            result.push_back(tree.getNodeLevel(node) == 0 ? row->name : L"  " + row->path);
        }
        return result;
    }

private:
    void record(const std::wstring& event) {
        events.push_back(event);
        threads.push_back(std::this_thread::get_id());
        if (onEvent) {
            onEvent(event);
        }
    }
};

// The thread, telling the test when it has freed itself.
class TWatchedBackup : public TBackupADS {
public:
    TWatchedBackup(TBackupNotifications& window, testsupport::TDoneSignal destroyed)
        : TBackupADS(window), FDestroyed(destroyed) {}
    ~TWatchedBackup() override { FDestroyed.set(); }

private:
    testsupport::TDoneSignal FDestroyed;
};

class BackupTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installFileServices(&store);
        plat::installShellServices(&shell);
        plat::installUiDispatcher(&ui);
        plat::installControlBackend(&backend);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addDrive(L'D', plat::DRIVE_FIXED, L"Data", L"NTFS");
        store.addFolder(L"D:\\Saved");
    }
    void TearDown() override {
        EXPECT_EQ(store.openHandles(), 0);
        EXPECT_EQ(store.redirectionOffCount(), 0);
        window.tree.clear();
        plat::installControlBackend(nullptr);
        plat::installUiDispatcher(nullptr);
        plat::installShellServices(nullptr);
        plat::installFileServices(nullptr);
    }

    // A file with streams in the store and its rows in the tree.
    void addFile(const std::wstring& file, const std::vector<std::pair<std::wstring, std::string>>& streams) {
        store.addFile(file, "main data of " + std::string(file.begin(), file.end()));
        std::vector<std::wstring> names;
        for (const auto& [name, data] : streams) {
            store.addStream(file, name, data);
            names.push_back(name);
        }
        window.addFile(file, names);
    }
    void uncheck(const std::wstring& path) {
        TTreeNode* node = window.find(path);
        ASSERT_NE(node, nullptr) << "no row " << std::string(path.begin(), path.end());
        window.tree.setCheckState(node, TCheckState::csUncheckedNormal);
    }

    // Runs a backup (a destination given) or a removal (none) as the window starts one, and waits
    // until the thread has freed itself.
    void run(bool backup, const std::wstring& destPath = L"") {
        testsupport::TDoneSignal destroyed;
        auto* thread = new TWatchedBackup(window, destroyed);
        thread->setFreeOnTerminate(true);
        thread->setPriority(plat::tpHighest);
        thread->setBackupVST(backup);
        thread->setDestPath(destPath);
        window.FBackupADS = thread;
        thread->Start();
        ASSERT_TRUE(destroyed.waitFor(60s)) << "the run did not end";
        EXPECT_EQ(window.FBackupADS, nullptr);
        EXPECT_FALSE(window.tree.updating()) << "repainting is resumed at the end";
        for (const std::thread::id& id : window.threads) {
            ASSERT_EQ(id, ui.threadId()) << "the tree and the window are reached on the UI thread only";
        }
    }
    void backup(const std::wstring& destPath = L"D:\\Saved") { run(true, destPath); }
    void removal() { run(false); }

    std::vector<std::wstring> events() const { return window.events; }
    std::wstring lastEvent() const { return window.events.empty() ? L"" : window.events.back(); }

    plat::store::TSimStore store;
    plat::TTestShell shell;
    plat::TStandInUiThread ui;
    plat::headless::THeadlessBackend backend;
    TRecordingWindow window;
};

} // namespace backuptest
