// The scan over the real file functions, its steps sent to a window of this thread.

#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32FileServices.h"
#include "scan/UntScanFileSystemThread.h"
#include "support/DoneSignal.h"
#include "system/UntKorvaneLib.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

class TRecordingWindow : public TScanNotifications {
public:
    std::vector<std::wstring> events;
    std::vector<std::thread::id> threads;

    void scanStarting(const std::vector<std::wstring>& driveList) override {
        record(L"scanStarting " + driveList.at(0));
    }
    void driveInitializing(const std::wstring& label) override { record(L"driveInitializing " + label); }
    void driveCounted(std::int64_t count, const std::wstring& curDrive) override {
        record(L"driveCounted " + std::to_wstring(count) + L" " + curDrive);
    }
    void driveScanStarting() override { record(L"driveScanStarting"); }
    void scanProgress(const std::wstring&, const std::wstring&, const std::wstring&, std::int64_t,
                      std::int64_t&) override {
        record(L"scanProgress");
    }
    TScanNode fileFound(const std::wstring& fileName, const std::wstring&, const std::wstring&) override {
        record(L"fileFound " + fileName);
        return nullptr;
    }
    TScanNode streamFound(const TADSObject& curAds, const std::wstring& fileName, const std::wstring&,
                          const std::wstring&, std::int32_t previewLen, TScanNode) override {
        record(L"streamFound " + fileName + L":" + curAds.adsName() + L" " +
               getContentPreview(fileName + L":" + curAds.adsName(), previewLen));
        return nullptr;
    }
    void driveDone(int n) override { record(L"driveDone " + std::to_wstring(n)); }
    void scanFinished(bool terminated, std::int64_t found) override {
        record(L"scanFinished " + std::wstring(terminated ? L"stopped " : L"") + std::to_wstring(found));
    }

private:
    void record(const std::wstring& event) {
        events.push_back(event);
        threads.push_back(std::this_thread::get_id());
    }
};

class TWatchedScan : public TScanFileSystem {
public:
    TWatchedScan(TScanNotifications& window, testsupport::TDoneSignal destroyed)
        : TScanFileSystem(window), FDestroyed(destroyed) {}
    ~TWatchedScan() override { FDestroyed.set(); }

private:
    testsupport::TDoneSignal FDestroyed;
};

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

// A fresh folder in the temporary folder, removed with its content at the end.
class TScratchFolder {
public:
    TScratchFolder() {
        wchar_t temp[plat::MAX_PATH + 1] = {};
        const plat::DWORD length = win32().GetTempPathW(plat::MAX_PATH + 1, temp);
        std::wstring base(temp, length);
        for (int attempt = 0; attempt < 1000 && path.empty(); ++attempt) {
            const std::wstring candidate = base + L"kwscan-" + std::to_wstring(attempt);
            if (plat::files().CreateDirectoryW(candidate.c_str(), nullptr)) {
                path = candidate;
            }
        }
    }
    ~TScratchFolder() {
        for (auto it = created.rbegin(); it != created.rend(); ++it) {
            if (!plat::files().DeleteFileW(it->c_str())) {
                plat::files().RemoveDirectoryW(it->c_str());
            }
        }
        plat::files().RemoveDirectoryW(path.c_str());
    }
    bool addFolder(const std::wstring& relative) {
        created.push_back(path + L"\\" + relative);
        return plat::files().CreateDirectoryW(created.back().c_str(), nullptr) != plat::FALSE;
    }
    bool addFile(const std::wstring& relative, const std::string& data) {
        created.push_back(path + L"\\" + relative);
        return writeFile(created.back(), data);
    }

    std::wstring path;
    std::vector<std::wstring> created;
};

TEST(ScanOnWindows, WalksARealFolderDeeperThanTheClassicPathLimitWithStepsOnTheWindowThread) {
    TScratchFolder scratch;
    ASSERT_FALSE(scratch.path.empty());
    if (getFileSystemName(scratch.path[0]) != L"NTFS") {
        GTEST_SKIP() << "the temporary folder's volume does not report NTFS, so the scan passes it over";
    }
    ASSERT_TRUE(scratch.addFile(L"a.txt", "a"));
    // Folders of 100 characters each: the third one's file lies past 260 characters.
    const std::wstring longName(100, L'd');
    std::wstring deep;
    for (int level = 0; level < 3; ++level) {
        deep += (deep.empty() ? L"" : L"\\") + longName;
        ASSERT_TRUE(scratch.addFolder(deep));
    }
    ASSERT_TRUE(scratch.addFile(deep + L"\\deep.txt", "deep"));
    ASSERT_GT(scratch.path.size() + deep.size() + 9, static_cast<std::size_t>(plat::MAX_PATH));
    // A named stream where there are streams: Wine has none, and writes a plain file of that name.
    const bool streams = !plat::TWin32FileServices::runningOnWine();
    if (streams) {
        ASSERT_TRUE(writeFile(scratch.path + L"\\a.txt:notes", "hello"));
    }

    plat::win32::TWin32Dispatcher dispatcher;
    ASSERT_TRUE(dispatcher.valid());
    plat::installUiDispatcher(&dispatcher);
    TRecordingWindow window;
    testsupport::TDoneSignal destroyed;
    auto* scan = new TWatchedScan(window, destroyed);
    scan->setFreeOnTerminate(true);
    scan->setPriority(plat::tpHighest);
    scan->setScanMode(smTargetPath);
    scan->setPath(scratch.path);
    scan->Start();
    const bool ended = plat::win32::serveMessagesUntil([&] { return destroyed.isSet(); }, 30000ms);
    plat::installUiDispatcher(nullptr);
    ASSERT_TRUE(ended);

    std::vector<std::wstring> expected = {
        L"scanStarting " + scratch.path,
        L"driveInitializing " + scratch.path,
        L"driveCounted 6 " + scratch.path + L"\\", // the two files and the four folders asked for streams
        L"driveScanStarting",
    };
    if (streams) {
        expected.push_back(L"fileFound " + scratch.path + L"\\a.txt");
        expected.push_back(L"streamFound " + scratch.path + L"\\a.txt:notes hello");
    }
    expected.push_back(L"driveDone 0");
    expected.push_back(streams ? L"scanFinished 1" : L"scanFinished 0");
    EXPECT_EQ(window.events, expected);
    for (const std::thread::id& id : window.threads) {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

} // namespace

namespace {

TEST(InspectionOnWindows, PreviewTimesAndVolumesOverTheRealFunctions) {
    TScratchFolder scratch;
    ASSERT_FALSE(scratch.path.empty());
    ASSERT_TRUE(scratch.addFile(L"text.txt", "hello\r\nworld"));
    ASSERT_TRUE(scratch.addFile(L"binary.bin", std::string("\x4D\x5A\x90\x00\x03", 5)));
    EXPECT_EQ(getContentPreview(scratch.path + L"\\text.txt", 30), L"hello\r\nworld");
    EXPECT_EQ(getContentPreview(scratch.path + L"\\text.txt", 5), L"hello");
    EXPECT_EQ(getContentPreview(scratch.path + L"\\binary.bin", 30), L"4D,5A,90,00,03");
    EXPECT_EQ(getContentPreview(scratch.path + L"\\missing.txt", 30), L"");
    EXPECT_EQ(getContentPreview(scratch.path, 30), L"") << "a folder has no preview";

    TDateTime created;
    TDateTime written;
    ASSERT_TRUE(getFileTimes(scratch.path + L"\\text.txt", created, written));
    EXPECT_GE(written.year, 2020);
    EXPECT_NE(fileTimeText(written).find(L" at "), std::wstring::npos);
    EXPECT_FALSE(getFileTimes(scratch.path + L"\\missing.txt", created, written));

    const wchar_t letter = scratch.path[0];
    const std::wstring root = std::wstring(1, letter) + L":\\";
    EXPECT_NE(getFixedAndRemovableDrives().find(root + L"\r\n"), std::wstring::npos);
    TDriveList drives;
    getDriveList(&drives);
    bool listed = false;
    for (const TDriveInfoObject& drive : drives) {
        if (drive.driveLetter() == root) {
            listed = true;
            EXPECT_EQ(drive.driveType(), dtFixed);
            EXPECT_EQ(drive.drivePartitionType(), getFileSystemName(letter));
            EXPECT_FALSE(drive.driveName().empty());
        }
    }
    EXPECT_TRUE(listed);
    EXPECT_FALSE(getFileSystemName(letter).empty());
}

} // namespace
