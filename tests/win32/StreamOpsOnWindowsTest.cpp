// Saving and deleting over the real file functions: the single copy and a whole backup and removal
// run with its steps sent to a window of this thread. Where there are streams (Windows) the rows name
// streams; Wine has none, so there the rows name plain files, which the same calls copy and delete.

#include "platform/Owned.h"
#include "platform/WinPath.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32FileServices.h"
#include "streamops/UntBackupADSThread.h"
#include "stream/UntKorvaneLib.h"
#include "streamops/UntKorvaneLibStreamOps.h"
#include "support/DoneSignal.h"
#include "support/ReadWholeFile.h"
#include "system/UntKorvaneLib.h"
#include "toolkit/TreeList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

plat::TWin32FileServices& win32() {
    return dynamic_cast<plat::TWin32FileServices&>(plat::files());
}

bool writeFile(const std::wstring& path, const std::string& data) {
    plat::TFileServices& fs = plat::files();
    plat::HANDLE file =
        fs.CreateFileW(path.c_str(), plat::GENERIC_WRITE, 0, nullptr, plat::CREATE_ALWAYS, 0, nullptr);
    if (file == plat::INVALID_HANDLE_VALUE) {
        return false;
    }
    plat::DWORD written = 0;
    const bool ok =
        fs.WriteFile(file, data.data(), static_cast<plat::DWORD>(data.size()), &written, nullptr) &&
        written == data.size();
    fs.CloseHandle(file);
    return ok;
}

std::string readFile(const std::wstring& path) {
    return testsupport::readWholeFile(plat::files(), path);
}

bool exists(const std::wstring& path) {
    return plat::files().GetFileAttributesW(path.c_str()) != plat::INVALID_FILE_ATTRIBUTES;
}

// A fresh folder in the temporary folder with a source and a destination folder, removed with their
// content at the end.
class TScratch {
public:
    TScratch() {
        wchar_t temp[plat::MAX_PATH + 1] = {};
        const plat::DWORD length = win32().GetTempPathW(plat::MAX_PATH + 1, temp);
        const std::wstring base(temp, length);
        for (int attempt = 0; attempt < 1000 && path.empty(); ++attempt) {
            const std::wstring candidate = base + L"kwsave-" + std::to_wstring(attempt);
            if (plat::files().CreateDirectoryW(candidate.c_str(), nullptr)) {
                path = candidate;
            }
        }
        source = path + L"\\source";
        saved = path + L"\\saved";
        plat::files().CreateDirectoryW(source.c_str(), nullptr);
        plat::files().CreateDirectoryW(saved.c_str(), nullptr);
    }
    ~TScratch() {
        for (const std::wstring& name : savedNames()) {
            plat::files().DeleteFileW((saved + L"\\" + name).c_str());
        }
        // By the exact form of each path: some names are ones a plain path cannot reach ("report.").
        for (auto it = created.rbegin(); it != created.rend(); ++it) {
            if (!plat::files().DeleteFileW(plat::exactPath(*it).c_str())) {
                plat::files().RemoveDirectoryW(plat::exactPath(*it).c_str());
            }
        }
        plat::files().RemoveDirectoryW(saved.c_str());
        plat::files().RemoveDirectoryW(source.c_str());
        plat::files().RemoveDirectoryW(path.c_str());
    }
    std::vector<std::wstring> savedNames() const {
        std::vector<std::wstring> names;
        plat::WIN32_FIND_DATAW data{};
        plat::HANDLE find = plat::files().FindFirstFileW((saved + L"\\*").c_str(), &data);
        if (find != plat::INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") {
                    names.push_back(name);
                }
            } while (plat::files().FindNextFileW(find, &data));
            plat::files().FindClose(find);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::wstring path;
    std::wstring source;
    std::wstring saved;
    std::vector<std::wstring> created; // in the source folder, removed last first
};

// The thing each row names: a stream of a file where there are streams, a plain file elsewhere.
struct TItem {
    std::wstring name; // what the row shows as Column1
    std::wstring path; // Column2
};

TItem makeItem(TScratch& scratch, const std::wstring& file, const std::wstring& name,
               const std::string& data) {
    const std::wstring filePath = scratch.source + L"\\" + file;
    if (!plat::TWin32FileServices::runningOnWine()) {
        scratch.created.push_back(filePath);
        writeFile(filePath, "main data");
        writeFile(filePath + L":" + name, data);
        return {name, filePath + L":" + name};
    }
    // Wine: a plain file of the stream's name, in a folder named after the file, stands for the stream.
    scratch.created.push_back(filePath);
    plat::files().CreateDirectoryW(filePath.c_str(), nullptr);
    scratch.created.push_back(filePath + L"\\" + name);
    writeFile(filePath + L"\\" + name, data);
    return {name, filePath + L"\\" + name};
}

struct TRow {
    std::wstring name;
    std::wstring path;
};

class TWindow : public TBackupNotifications {
public:
    TWindow() {
        tree.setNodeDataType<TRow>();
        tree.OnInitNode = [](TTreeList* sender, TTreeNode* node) {
            sender->setCheckType(node, sender->getNodeLevel(node) == 0 ? TCheckType::ctTriStateCheckBox
                                                                       : TCheckType::ctCheckBox);
            sender->setCheckState(node, TCheckState::csCheckedNormal);
        };
    }
    TTreeList tree;
    std::vector<std::thread::id> threads;
    std::wstring outcome;

    TTreeList& backupTree() override {
        threads.push_back(std::this_thread::get_id());
        return tree;
    }
    void backupStreamTexts(TTreeNode* node, std::wstring& name, std::wstring& path) override {
        name = tree.getNodeData<TRow>(node)->name;
        path = tree.getNodeData<TRow>(node)->path;
    }
    void backupStarting(const TBackupRunState&) override { threads.push_back(std::this_thread::get_id()); }
    void backupStreamStarting(const std::wstring&, const std::wstring&) override {
        threads.push_back(std::this_thread::get_id());
    }
    void backupProgress(const TBackupRunState&) override {}
    void backupFinished(const TBackupRunState& state) override {
        threads.push_back(std::this_thread::get_id());
        outcome = state.operationNameBisBis + L" " + std::to_wstring(state.succeed) + L"/" +
                  std::to_wstring(state.totalCount);
    }
    void addRow(const TItem& item) {
        TTreeNode* file = tree.addChild(nullptr);
        *tree.getNodeData<TRow>(file) = TRow{item.path, L""};
        TTreeNode* stream = tree.addChild(file);
        *tree.getNodeData<TRow>(stream) = TRow{item.name, item.path};
    }
};

class TWatchedBackup : public TBackupADS {
public:
    TWatchedBackup(TBackupNotifications& window, testsupport::TDoneSignal destroyed)
        : TBackupADS(window), FDestroyed(destroyed) {}
    ~TWatchedBackup() override { FDestroyed.set(); }

private:
    testsupport::TDoneSignal FDestroyed;
};

class StreamOpsOnWindows : public testing::Test {
protected:
    void SetUp() override {
        plat::installControlBackend(&backend);
        ASSERT_FALSE(scratch.path.empty());
    }
    void TearDown() override {
        window.tree.clear();
        plat::installControlBackend(nullptr);
    }
    // A run as the window starts one, its steps served by this thread's message loop.
    void run(bool backup) {
        plat::win32::TWin32Dispatcher dispatcher;
        ASSERT_TRUE(dispatcher.valid());
        plat::installUiDispatcher(&dispatcher);
        testsupport::TDoneSignal destroyed;
        auto* thread = new TWatchedBackup(window, destroyed);
        thread->setFreeOnTerminate(true);
        thread->setPriority(plat::tpHighest);
        thread->setBackupVST(backup);
        thread->setDestPath(backup ? scratch.saved : L"");
        thread->Start();
        const bool ended = plat::win32::serveMessagesUntil([&] { return destroyed.isSet(); }, 30000ms);
        plat::installUiDispatcher(nullptr);
        ASSERT_TRUE(ended);
        for (const std::thread::id& id : window.threads) {
            EXPECT_EQ(id, std::this_thread::get_id());
        }
    }

    plat::headless::THeadlessBackend backend;
    TScratch scratch;
    TWindow window;
};

TEST_F(StreamOpsOnWindows, ABackupRunSavesEveryCheckedItemUnderAFreeNameAndALockedOneNot) {
    std::string big(3 * 9216 + 100, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i % 251);
    }
    const TItem first = makeItem(scratch, L"setup.exe", L"Zone.Identifier", big);
    const TItem second = makeItem(scratch, L"photo.jpg", L"Zone.Identifier", "ZoneId=4");
    const TItem locked = makeItem(scratch, L"locked.bin", L"locked", "held");
    ASSERT_TRUE(writeFile(scratch.saved + L"\\Zone.Identifier", "an older copy"));
    window.addRow(first);
    window.addRow(second);
    window.addRow(locked);
    // Another handle holds the last one without read sharing, as another program would.
    plat::TFileHandle holder(plat::files().CreateFileW(locked.path.c_str(),
                                                       plat::GENERIC_READ | plat::GENERIC_WRITE, 0, nullptr,
                                                       plat::OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.valid());
    run(true);
    holder.reset();
    EXPECT_EQ(window.outcome, L"Backup 2/3");
    EXPECT_EQ(scratch.savedNames(),
              (std::vector<std::wstring>{L"Zone(1).Identifier", L"Zone(2).Identifier", L"Zone.Identifier"}));
    EXPECT_EQ(readFile(scratch.saved + L"\\Zone.Identifier"), "an older copy");
    EXPECT_EQ(readFile(scratch.saved + L"\\Zone(1).Identifier"), big);
    EXPECT_EQ(readFile(scratch.saved + L"\\Zone(2).Identifier"), "ZoneId=4");
}

TEST_F(StreamOpsOnWindows, ARemovalRunDeletesTheCheckedItemsAndTheRowsOfFilesLeftEmpty) {
    const TItem gone = makeItem(scratch, L"a.txt", L"notes", "n");
    const TItem kept = makeItem(scratch, L"b.txt", L"kept", "k");
    window.addRow(gone);
    window.addRow(kept);
    TTreeNode* keptRow = window.tree.getLastChild(window.tree.getLastChild(nullptr));
    window.tree.setCheckState(keptRow, TCheckState::csUncheckedNormal);
    run(false);
    EXPECT_EQ(window.outcome, L"Cleanning 1/1");
    EXPECT_FALSE(exists(gone.path));
    EXPECT_TRUE(exists(kept.path));
    EXPECT_EQ(window.tree.totalCount(), 2u) << "the unchecked item's file row and row stay";
}

TEST_F(StreamOpsOnWindows, ACopyThatFailsMidwayLeavesNoFile) {
    const TItem item = makeItem(scratch, L"c.txt", L"data", std::string(5 * 9216, 'c'));
    // A copy stopped after its second block: the file it began goes again.
    int blocks = 0;
    std::wstring written;
    EXPECT_FALSE(copyStreamToNewFile(
        item.path, scratch.saved + L"\\data", [&] { return ++blocks == 2; }, &written));
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(written, L"");
    EXPECT_TRUE(scratch.savedNames().empty());
    ASSERT_TRUE(copyStreamToFile(item.path, scratch.saved + L"\\data", &written));
    EXPECT_EQ(written, scratch.saved + L"\\data");
    EXPECT_EQ(readFile(written), std::string(5 * 9216, 'c'));
}

TEST_F(StreamOpsOnWindows, NamesAPlainPathWouldChangeAreReachedByTheirOwnNames) {
    // Beside a plain "report": names that the plain form of their path does not reach (Windows and
    // Wine drop the trailing dot and space, and take "con.txt" for the console). Each is made through
    // the exact form; the program's own calls must then reach each file by its name.
    const struct {
        std::wstring name;
        std::string data;
    } files[] = {{L"report", "plain report"},
                 {L"report.", "dot"},
                 {L"notes ", "trailing space"},
                 {L"con.txt", "not the console"}};
    for (const auto& f : files) {
        const std::wstring path = scratch.source + L"\\" + f.name;
        scratch.created.push_back(path);
        ASSERT_TRUE(writeFile(plat::exactPath(path), f.data)) << plat::files().GetLastError();
    }
    for (const auto& f : files) {
        SCOPED_TRACE(std::string(f.name.begin(), f.name.end()));
        const std::wstring path = scratch.source + L"\\" + f.name;
        EXPECT_EQ(getFileSize(path), static_cast<std::int64_t>(f.data.size()));
        EXPECT_EQ(getContentPreview(path, 30), std::wstring(f.data.begin(), f.data.end()));
        std::wstring written;
        ASSERT_TRUE(copyStreamToFile(path, scratch.saved + L"\\copy", &written));
        EXPECT_EQ(readFile(written), f.data);
        window.addRow(TItem{f.name, path});
    }
    // A removal of every row but the plain report's deletes exactly those files.
    TTreeNode* plainRow = window.tree.getFirstChild(window.tree.getFirst());
    window.tree.setCheckState(plainRow, TCheckState::csUncheckedNormal);
    run(false);
    EXPECT_EQ(window.outcome, L"Cleanning 3/3");
    for (const auto& f : files) {
        const bool kept = f.name == L"report";
        EXPECT_EQ(exists(plat::exactPath(scratch.source + L"\\" + f.name)), kept)
            << std::string(f.name.begin(), f.name.end());
    }
    EXPECT_EQ(readFile(scratch.source + L"\\report"), "plain report");
}

} // namespace
