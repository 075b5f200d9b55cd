// The scan thread over the simulated store, with a window stand-in that records every notification.

#include "scan/UntScanFileSystemThread.h"

#include "platform/StandInUiThread.h"
#include "platform/WinPath.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "ntfs/NtfsImage.h"
#include "ntfs/NtfsVolume.h"
#include "platform/ntfs/NtfsDirectDrive.h"
#include "platform/ntfs/NtfsFileServices.h"
#include "platform/ntfs/NtfsServicesDevice.h"
#include "support/DoneSignal.h"
#include "support/StoreLinks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using plat::store::TCall;
using plat::store::TSimStore;

namespace {

// The main window as the scan sees it: records each notification with what it was given, and keeps
// its reference to the running scan until scanFinished, as the real window does.
class TRecordingWindow : public TScanNotifications {
public:
    std::vector<std::wstring> events;
    std::vector<std::thread::id> threads;
    TScanFileSystem* FScanFileSystem = nullptr;
    bool counting = false; // between driveInitializing and driveCounted
    // Runs after each notification is recorded; may stop the scan or throw.
    std::function<void(const std::wstring& event)> onEvent;

    void scanStarting(const std::vector<std::wstring>& driveList) override {
        std::wstring roots;
        for (const std::wstring& root : driveList) {
            roots += (roots.empty() ? L"" : L"|") + root;
        }
        record(L"scanStarting " + roots);
    }
    void driveInitializing(const std::wstring& curDriveLabel) override {
        counting = true;
        record(L"driveInitializing " + curDriveLabel);
    }
    void driveCounted(std::int64_t count, const std::wstring& curDrive) override {
        counting = false;
        record(L"driveCounted " + std::to_wstring(count) + L" " + curDrive);
    }
    void driveScanStarting() override { record(L"driveScanStarting"); }
    void scanProgress(const std::wstring& curDriveLabel, const std::wstring& folderPath,
                      const std::wstring& entryName, std::int64_t foundResults,
                      std::int64_t& lastFoundResultsCheck) override {
        record(L"scanProgress " + curDriveLabel + L" | " + folderPath + L" + " + entryName + L" | " +
               std::to_wstring(foundResults) + L"/" + std::to_wstring(lastFoundResultsCheck));
        lastFoundResultsCheck = foundResults;
    }
    TScanNode fileFound(const std::wstring& fileName, const std::wstring& creationStr,
                        const std::wstring& modificationStr) override {
        FLastFileNode = &FNodes.emplace_back(fileName);
        record(L"fileFound " + fileName + L" | " + creationStr + L" | " + modificationStr);
        return FLastFileNode;
    }
    TScanNode folderFound(const std::wstring& folderName, const std::wstring& creationStr,
                          const std::wstring& modificationStr) override {
        FLastFileNode = &FNodes.emplace_back(folderName);
        record(L"folderFound " + folderName + L" | " + creationStr + L" | " + modificationStr);
        return FLastFileNode;
    }
    TScanNode streamFound(const TADSObject& curAds, const std::wstring& fileName,
                          const std::wstring& creationStr, const std::wstring& modificationStr,
                          std::int32_t previewLen, TScanNode fileNode) override {
        const std::wstring streamPath = fileName + L":" + curAds.adsName();
        record(L"streamFound " + streamPath + L" " + std::to_wstring(curAds.adsSize()) + L" | " +
               creationStr + L" | " + modificationStr + L" | " + getContentPreview(streamPath, previewLen) +
               (fileNode == FLastFileNode ? L"" : L" | under another node"));
        return &FNodes.emplace_back(streamPath);
    }
    void driveDone(int n) override { record(L"driveDone " + std::to_wstring(n)); }
    void directReadFailed(const std::wstring& curDrive, const std::wstring& why) override {
        record(L"directReadFailed " + curDrive + L" | " + why);
    }
    void damagedRecordsSkipped(const std::wstring& curDriveLabel, std::uint64_t count) override {
        record(L"damagedRecordsSkipped " + curDriveLabel + L" " + std::to_wstring(count));
    }
    void folderNotListed(const std::wstring& folder, plat::DWORD error) override {
        record(L"folderNotListed " + folder + L" " + std::to_wstring(error));
    }
    void scanFinished(bool terminated, std::int64_t foundResults) override {
        FScanFileSystem = nullptr; // the thread frees itself right after this
        record(L"scanFinished " + std::wstring(terminated ? L"stopped " : L"") +
               std::to_wstring(foundResults));
    }

    void stopScan() {
        if (FScanFileSystem != nullptr) {
            FScanFileSystem->Terminate();
        }
    }

private:
    void record(const std::wstring& event) {
        events.push_back(event);
        threads.push_back(std::this_thread::get_id());
        if (onEvent) {
            onEvent(event);
        }
    }

    std::list<std::wstring> FNodes; // stable addresses, as tree nodes have
    void* FLastFileNode = nullptr;
};

// The scan, telling the test when it has freed itself.
class TWatchedScan : public TScanFileSystem {
public:
    TWatchedScan(TScanNotifications& window, testsupport::TDoneSignal destroyed)
        : TScanFileSystem(window), FDestroyed(destroyed) {}
    ~TWatchedScan() override { FDestroyed.set(); }

private:
    testsupport::TDoneSignal FDestroyed;
};

struct TScanSettings {
    TScanFileSystemMode mode = smFull;
    std::wstring path;
    std::wstring wildcard = L"*.*";
    bool recursive = true;
    std::int32_t previewLen = 30;
    bool includeZone = false;
    bool direct = false;
    bool enterHiddenFolders = false;
};

class ScanTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installFileServices(&store());
        plat::installShellServices(&shell);
        plat::installUiDispatcher(&ui);
    }
    void TearDown() override {
        EXPECT_EQ(store().openHandles(), 0);
        EXPECT_EQ(store().errorMode(), 0u);
        plat::installUiDispatcher(nullptr);
        plat::installShellServices(nullptr);
        plat::installFileServices(nullptr);
    }
    virtual TSimStore& store() { return FStore; }

    // Runs a scan as the window starts one and waits until the thread has freed itself.
    void scan(const TScanSettings& settings, std::chrono::seconds limit = 30s) {
        testsupport::TDoneSignal destroyed;
        auto* thread = new TWatchedScan(window, destroyed);
        thread->setFreeOnTerminate(true);
        thread->setPriority(plat::tpHighest);
        thread->setScanMode(settings.mode);
        thread->setPath(settings.path);
        thread->setWildcard(settings.wildcard);
        thread->setRecursive(settings.recursive);
        thread->setPreviewLen(settings.previewLen);
        thread->setIncludeZone(settings.includeZone);
        thread->setDirect(settings.direct);
        thread->setEnterHiddenFolders(settings.enterHiddenFolders);
        thread->setKeepDirect(keepDirect);
        window.FScanFileSystem = thread;
        thread->Start();
        ASSERT_TRUE(destroyed.waitFor(limit)) << "the scan did not end";
        EXPECT_EQ(window.FScanFileSystem, nullptr);
        for (const std::thread::id& id : window.threads) {
            ASSERT_EQ(id, ui.threadId()) << "every notification runs on the UI thread";
        }
    }
    std::vector<std::wstring> events() const { return window.events; }

    TSimStore FStore;
    TScanFileSystem::TKeepDirect keepDirect; // given to every scan
    plat::TTestShell shell;
    plat::TStandInUiThread ui;
    TRecordingWindow window;
};

const plat::FILETIME kCreated{1769892144, 31092486}; // 05/03/2024 14:07:09
const plat::FILETIME kWritten{1077175408, 29463127}; // 31/12/2001 23:59:58
const std::wstring kTimes = L"05/03/2024 at 14:07:09 | 31/12/2001 at 23:59:58";

TEST_F(ScanTest, FullScanWalksEveryNtfsRootFilesFirstThenFoldersDepthFirst) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store().addDrive(L'D', plat::DRIVE_FIXED, L"Old", L"FAT32");
    store().addDrive(L'E', plat::DRIVE_REMOVABLE, L"", L"NTFS");
    store().addDrive(L'N', plat::DRIVE_REMOTE, L"Share", L"NTFS");
    store().addFile(L"C:\\b.txt", "b");
    store().addStream(L"C:\\b.txt", L"notes", "hello");
    store().addStream(L"C:\\b.txt", L"bin", std::string("\x4D\x5A\x90\x00\x03", 5));
    store().addFile(L"C:\\a\\deep\\x.dat", "x");
    store().addStream(L"C:\\a\\deep\\x.dat", L"s", "deep");
    store().addFile(L"C:\\a\\y.dat", "y");
    store().addStream(L"C:\\a\\y.dat", L"t", "top");
    store().addFile(L"C:\\plain.txt", "no streams");
    for (const wchar_t* file : {L"C:\\b.txt", L"C:\\a\\deep\\x.dat", L"C:\\a\\y.dat"}) {
        store().setTimes(file, kCreated, kCreated, kWritten);
    }
    store().addFile(L"D:\\fat.txt", "on FAT32");
    store().addFile(L"E:\\e.txt", "e");
    store().addStream(L"E:\\e.txt", L"card", "on the card");
    store().setTimes(L"E:\\e.txt", kCreated, kCreated, kWritten);
    store().addFile(L"N:\\n.txt", "n");
    store().addStream(L"N:\\n.txt", L"net", "network");

    scan({});
    EXPECT_EQ(events(), (std::vector<std::wstring>{
                            L"scanStarting C:\\|D:\\|E:\\",
                            L"driveInitializing System (C:\\) - Fixed Drive",
                            L"driveCounted 7 C:\\", // four files and three folders to be asked
                            L"driveScanStarting",
                            L"fileFound C:\\b.txt | " + kTimes,
                            L"streamFound C:\\b.txt:bin 5 | " + kTimes + L" | 4D,5A,90,00,03",
                            L"streamFound C:\\b.txt:notes 5 | " + kTimes + L" | hello",
                            L"fileFound C:\\a\\y.dat | " + kTimes,
                            L"streamFound C:\\a\\y.dat:t 3 | " + kTimes + L" | top",
                            L"fileFound C:\\a\\deep\\x.dat | " + kTimes,
                            L"streamFound C:\\a\\deep\\x.dat:s 4 | " + kTimes + L" | deep",
                            L"driveDone 0",
                            L"driveInitializing E:\\ - Removable Drive",
                            L"driveCounted 2 E:\\",
                            L"driveScanStarting",
                            L"fileFound E:\\e.txt | " + kTimes,
                            L"streamFound E:\\e.txt:card 11 | " + kTimes + L" | on the card",
                            L"driveDone 2",
                            L"scanFinished 5",
                        }));
}

TEST_F(ScanTest, NothingToReportEndsQuietly) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store().addDrive(L'D', plat::DRIVE_FIXED, L"Old", L"FAT32");
    store().addFile(L"D:\\stuff\\fat.txt", "on FAT32");
    store().addFile(L"C:\\data\\a.txt", "a");
    store().addStream(L"C:\\data\\a.txt", L"s", "stream");

    struct TCase {
        const char* what;
        TScanSettings settings;
        std::vector<std::wstring> expected;
    };
    const std::vector<TCase> cases = {
        {"a folder on FAT32", {smTargetPath, L"D:\\stuff"}, {L"scanStarting D:\\stuff", L"scanFinished 0"}},
        {"a wildcard that matches nothing: the folders are still asked",
         {smTargetDrive, L"C:\\", L"*.none"},
         {L"scanStarting C:\\", L"driveInitializing System (C:\\) - Fixed Drive", L"driveCounted 2 C:\\",
          L"driveScanStarting", L"driveDone 0", L"scanFinished 0"}},
        {"a folder that does not exist",
         {smTargetPath, L"C:\\missing"},
         {L"scanStarting C:\\missing", L"driveInitializing C:\\missing", L"scanFinished 0"}},
        {"a path without a drive letter",
         {smTargetPath, L"\\\\server\\share"},
         {L"scanStarting \\\\server\\share", L"scanFinished 0"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        window.events.clear();
        window.threads.clear();
        scan(c.settings);
        EXPECT_EQ(events(), c.expected);
    }
}

TEST_F(ScanTest, SmallDownloadMarksAreLeftOutStreamByStream) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    // A real mark of the given size (from 26 bytes up).
    const auto mark = [](std::size_t size) {
        std::string text = "[ZoneTransfer]\r\nZoneId=3\r\n";
        return size <= text.size() ? text : text + "HostUrl=" + std::string(size - text.size() - 8, 'h');
    };
    const std::string small = mark(26);
    struct TFile {
        std::wstring name;
        std::vector<std::pair<std::wstring, std::string>> streams;
    };
    const std::vector<TFile> files = {
        {L"1-only-small-mark.exe", {{L"Zone.Identifier", small}}},
        {L"2-large-mark.exe", {{L"Zone.Identifier", mark(150)}}},
        // Streams are listed by upper-cased name: here the mark comes first, in the next file last.
        {L"3-mark-first.exe", {{L"Zone.Identifier", small}, {L"zz-payload", "evil"}}},
        {L"4-mark-last.exe", {{L"payload", "evil"}, {L"zone.IDENTIFIER", small}}},
        {L"5-mark-99-and-100.exe", {{L"Zone.Identifier", mark(99)}}},
        {L"6-mark-100.exe", {{L"Zone.Identifier", mark(100)}}},
        {L"7-like-a-mark.exe", {{L"Zone.Identifier2", small}, {L"Zone.Identifie", small}}},
        // Only a stream that decodes as a mark is left out: junk hidden under the name is listed.
        {L"8-junk-mark.exe", {{L"Zone.Identifier", std::string(97, '\x90')}}},
        {L"9-text-mark.exe", {{L"Zone.Identifier", "ZoneId=x"}}},
    };
    for (const TFile& file : files) {
        store().addFile(L"C:\\dl\\" + file.name, "MZ");
        for (const auto& [name, data] : file.streams) {
            store().addStream(L"C:\\dl\\" + file.name, name, data);
        }
    }
    auto reported = [&] {
        std::vector<std::wstring> lines;
        for (const std::wstring& event : events()) {
            if (event.rfind(L"streamFound", 0) == 0) {
                lines.push_back(event.substr(0, event.find(L" | ")));
            } else if (event.rfind(L"scanFinished", 0) == 0) {
                lines.push_back(event);
            }
        }
        return lines;
    };

    scan({smTargetPath, L"C:\\dl"});
    EXPECT_EQ(reported(), (std::vector<std::wstring>{
                              L"streamFound C:\\dl\\2-large-mark.exe:Zone.Identifier 150",
                              L"streamFound C:\\dl\\3-mark-first.exe:zz-payload 4",
                              L"streamFound C:\\dl\\4-mark-last.exe:payload 4",
                              L"streamFound C:\\dl\\6-mark-100.exe:Zone.Identifier 100",
                              L"streamFound C:\\dl\\7-like-a-mark.exe:Zone.Identifie 26",
                              L"streamFound C:\\dl\\7-like-a-mark.exe:Zone.Identifier2 26",
                              L"streamFound C:\\dl\\8-junk-mark.exe:Zone.Identifier 97",
                              L"streamFound C:\\dl\\9-text-mark.exe:Zone.Identifier 8",
                              L"scanFinished 8",
                          }));
    for (const std::wstring& event : events()) {
        EXPECT_EQ(event.find(L"1-only-small-mark"), std::wstring::npos) << "neither reported nor counted";
        EXPECT_EQ(event.find(L"5-mark-99"), std::wstring::npos);
    }

    window.events.clear();
    window.threads.clear();
    scan({smTargetPath, L"C:\\dl", L"*.*", true, 30, /*includeZone=*/true});
    EXPECT_EQ(reported().back(), L"scanFinished 12") << "every stream, whatever its name and size";
}

TEST_F(ScanTest, HiddenFilesAreInspectedHiddenFoldersAreNotDescended) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    const plat::DWORD hidden = plat::FILE_ATTRIBUTE_HIDDEN;
    const plat::DWORD system = plat::FILE_ATTRIBUTE_SYSTEM;
    store().addFile(L"C:\\w\\hidden.txt", "h", hidden);
    store().addFile(L"C:\\w\\system.txt", "s", system | hidden);
    store().addFolder(L"C:\\w\\System Volume Information", system | hidden);
    store().addFile(L"C:\\w\\System Volume Information\\tracking.log", "t");
    store().addFolder(L"C:\\w\\hiddenfolder", hidden);
    store().addFile(L"C:\\w\\hiddenfolder\\in.txt", "i");
    store().addFolder(L"C:\\w\\sysfolder", system);
    store().addFile(L"C:\\w\\sysfolder\\in.txt", "i");
    store().addFile(L"C:\\w\\sub\\in.txt", "i");
    for (const wchar_t* file :
         {L"C:\\w\\hidden.txt", L"C:\\w\\system.txt", L"C:\\w\\System Volume Information\\tracking.log",
          L"C:\\w\\hiddenfolder\\in.txt", L"C:\\w\\sysfolder\\in.txt", L"C:\\w\\sub\\in.txt"}) {
        store().addStream(file, L"s", "x");
    }

    scan({smTargetPath, L"C:\\w"});
    std::vector<std::wstring> found;
    for (const std::wstring& event : events()) {
        if (event.rfind(L"fileFound", 0) == 0) {
            found.push_back(event.substr(10, event.find(L" | ") - 10));
        }
    }
    EXPECT_EQ(found,
              (std::vector<std::wstring>{L"C:\\w\\hidden.txt", L"C:\\w\\system.txt", L"C:\\w\\sub\\in.txt"}));
    // w, its two files, the three folders asked but not descended, sub and its file.
    EXPECT_EQ(events()[2], L"driveCounted 8 C:\\w\\") << "the counting pass descends the same folders";

    window.events.clear();
    window.threads.clear();
    scan({smTargetPath, L"C:\\w", L"*.*", /*recursive=*/false});
    EXPECT_EQ(events()[2], L"driveCounted 3 C:\\w\\"); // w and its two files
    EXPECT_EQ(events().back(), L"scanFinished 2")
        << "a non-recursive scan inspects only the folder's own files";

    // Evidence: every folder is entered, in the same order.
    window.events.clear();
    window.threads.clear();
    TScanSettings everyFolder{smTargetPath, L"C:\\w"};
    everyFolder.enterHiddenFolders = true;
    scan(everyFolder);
    found.clear();
    for (const std::wstring& event : events()) {
        if (event.rfind(L"fileFound", 0) == 0) {
            found.push_back(event.substr(10, event.find(L" | ") - 10));
        }
    }
    EXPECT_EQ(found, (std::vector<std::wstring>{L"C:\\w\\hidden.txt", L"C:\\w\\system.txt",
                                                L"C:\\w\\hiddenfolder\\in.txt", L"C:\\w\\sub\\in.txt",
                                                L"C:\\w\\sysfolder\\in.txt",
                                                L"C:\\w\\System Volume Information\\tracking.log"}));
    EXPECT_EQ(events()[2], L"driveCounted 11 C:\\w\\");
}

TEST_F(ScanTest, AFolderThatCannotBeListedIsNamedOnceAndTheWalkGoesOn) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store().addFile(L"C:\\w\\locked\\in.txt", "i");
    store().addFile(L"C:\\w\\open\\in.txt", "i");
    store().addStream(L"C:\\w\\open\\in.txt", L"s", "x");
    store().denyAccess(L"C:\\w\\locked");
    for (const wchar_t* wildcard : {L"*.*", L"*.txt"}) {
        SCOPED_TRACE(ntfstest::utf8(wildcard));
        window.events.clear();
        window.threads.clear();
        scan({smTargetPath, L"C:\\w", wildcard});
        std::vector<std::wstring> shortfalls;
        for (const std::wstring& event : events()) {
            if (event.rfind(L"folderNotListed", 0) == 0) {
                shortfalls.push_back(event);
            }
        }
        // Named in the reporting pass only, with the system's reason; the folder after it is walked.
        EXPECT_EQ(shortfalls, (std::vector<std::wstring>{L"folderNotListed C:\\w\\locked\\ 5"}));
        EXPECT_EQ(events().back(), L"scanFinished 1");
    }
    // An empty answer (no file matches the wildcard) is no failure.
    window.events.clear();
    window.threads.clear();
    scan({smTargetPath, L"C:\\w\\open", L"*.exe"});
    for (const std::wstring& event : events()) {
        EXPECT_NE(event.rfind(L"folderNotListed", 0), 0u) << ntfstest::utf8(event);
    }
}

TEST_F(ScanTest, TheWildcardSelectsFilesButNeverLimitsTheDescent) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store().addFile(L"C:\\p\\keep.exe", "k");
    store().addStream(L"C:\\p\\keep.exe", L"s", "1");
    store().addFile(L"C:\\p\\skip.txt", "k");
    store().addStream(L"C:\\p\\skip.txt", L"s", "2");
    store().addFile(L"C:\\p\\folder.txt\\inner.exe", "i");
    store().addStream(L"C:\\p\\folder.txt\\inner.exe", L"s", "3");
    for (const wchar_t* file : {L"C:\\p\\keep.exe", L"C:\\p\\folder.txt\\inner.exe"}) {
        store().setTimes(file, kCreated, kCreated, kWritten);
    }
    scan({smTargetPath, L"C:\\p\\", L"*.exe"});
    EXPECT_EQ(events(), (std::vector<std::wstring>{
                            L"scanStarting C:\\p\\",
                            L"driveInitializing C:\\p\\",
                            L"driveCounted 4 C:\\p\\", // p, folder.txt and the two .exe files
                            L"driveScanStarting",
                            L"fileFound C:\\p\\keep.exe | " + kTimes,
                            L"streamFound C:\\p\\keep.exe:s 1 | " + kTimes + L" | 1",
                            L"fileFound C:\\p\\folder.txt\\inner.exe | " + kTimes,
                            L"streamFound C:\\p\\folder.txt\\inner.exe:s 1 | " + kTimes + L" | 3",
                            L"driveDone 0",
                            L"scanFinished 2",
                        }));
}

// A drive whose root, folders and a hidden folder carry streams, beside files that carry some too.
void addFolderStreams(TSimStore& store) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addStream(L"C:\\", L"root-tag", "R");
    store.addFile(L"C:\\top.txt", "t");
    store.addStream(L"C:\\top.txt", L"s", "T");
    store.addFolder(L"C:\\dir");
    store.addStream(L"C:\\dir", L"dir-tag", "D");
    store.addFile(L"C:\\dir\\in.txt", "i");
    store.addStream(L"C:\\dir\\in.txt", L"s", "I");
    store.addFolder(L"C:\\dir\\nested");
    store.addStream(L"C:\\dir\\nested", L"n", "N");
    store.addFile(L"C:\\dir\\nested\\plain.txt", "p");
    store.addFolder(L"C:\\marked"); // only a small download mark
    store.addStream(L"C:\\marked", L"Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
    store.addFolder(L"C:\\hidden", plat::FILE_ATTRIBUTE_HIDDEN);
    store.addStream(L"C:\\hidden", L"h", "H");
    store.addFile(L"C:\\hidden\\below.txt", "b");
    store.addStream(L"C:\\hidden\\below.txt", L"s", "not reached");
    for (const wchar_t* path : {L"C:\\", L"C:\\top.txt", L"C:\\dir", L"C:\\dir\\in.txt", L"C:\\dir\\nested",
                                L"C:\\marked", L"C:\\hidden"}) {
        store.setTimes(path, kCreated, kCreated, kWritten);
    }
}

TEST_F(ScanTest, FoldersAndTheDriveRootAreAskedBeforeTheirFilesByEitherWalk) {
    addFolderStreams(store());
    const std::vector<std::wstring> expected = {
        L"scanStarting C:\\",
        L"driveInitializing System (C:\\) - Fixed Drive",
        // C:\, top.txt, dir, in.txt, nested, plain.txt, hidden (asked, not descended) and marked.
        L"driveCounted 8 C:\\",
        L"driveScanStarting",
        L"folderFound C:\\ | " + kTimes,
        L"streamFound C:\\:root-tag 1 | " + kTimes + L" | R",
        L"fileFound C:\\top.txt | " + kTimes,
        L"streamFound C:\\top.txt:s 1 | " + kTimes + L" | T",
        L"folderFound C:\\dir | " + kTimes,
        L"streamFound C:\\dir:dir-tag 1 | " + kTimes + L" | D",
        L"fileFound C:\\dir\\in.txt | " + kTimes,
        L"streamFound C:\\dir\\in.txt:s 1 | " + kTimes + L" | I",
        L"folderFound C:\\dir\\nested | " + kTimes,
        L"streamFound C:\\dir\\nested:n 1 | " + kTimes + L" | N",
        L"folderFound C:\\hidden | " + kTimes,
        L"streamFound C:\\hidden:h 1 | " + kTimes + L" | H",
        L"driveDone 0",
        L"scanFinished 6",
    };
    // The stream listing functions, and the backup stream where they are missing, find the same.
    for (const bool streamFunctions : {true, false}) {
        SCOPED_TRACE(streamFunctions ? "stream listing" : "backup stream");
        store().setStreamFunctionsAvailable(streamFunctions);
        window.events.clear();
        window.threads.clear();
        scan({});
        EXPECT_EQ(events(), expected);
    }
}

TEST_F(ScanTest, TheWildcardAndTheScopeLimitFilesButTheFoldersWalkedAreAlwaysAsked) {
    addFolderStreams(store());
    struct TCase {
        const char* what;
        TScanSettings settings;
        std::vector<std::wstring> reported; // the found rows and the final count
    };
    const std::vector<TCase> cases = {
        {"a wildcard that matches no file",
         {smTargetDrive, L"C:\\", L"*.none"},
         {L"folderFound C:\\", L"folderFound C:\\dir", L"folderFound C:\\dir\\nested",
          L"folderFound C:\\hidden", L"scanFinished 4"}},
        {"a folder scan that is not recursive asks the folder itself",
         {smTargetPath, L"C:\\dir\\", L"*.*", /*recursive=*/false},
         {L"folderFound C:\\dir", L"fileFound C:\\dir\\in.txt", L"scanFinished 2"}},
        {"a folder scan of a hidden folder walks it",
         {smTargetPath, L"C:\\hidden"},
         {L"folderFound C:\\hidden", L"fileFound C:\\hidden\\below.txt", L"scanFinished 2"}},
        {"a small download mark counts when asked for",
         {smTargetPath, L"C:\\marked", L"*.*", true, 30, /*includeZone=*/true},
         {L"folderFound C:\\marked", L"scanFinished 1"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        window.events.clear();
        window.threads.clear();
        scan(c.settings);
        std::vector<std::wstring> reported;
        for (const std::wstring& event : events()) {
            if (event.rfind(L"folderFound", 0) == 0 || event.rfind(L"fileFound", 0) == 0) {
                reported.push_back(event.substr(0, event.find(L" | ")));
            } else if (event.rfind(L"scanFinished", 0) == 0) {
                reported.push_back(event);
            }
        }
        EXPECT_EQ(reported, c.reported);
    }
}

TEST_F(ScanTest, ALockedFileIsReportedWithoutTimes) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store().addFile(L"C:\\l\\locked.db", "data");
    store().addStream(L"C:\\l\\locked.db", L"s", "x");
    const int hold = store().holdOpen(L"C:\\l\\locked.db", plat::GENERIC_READ | plat::GENERIC_WRITE, 0);
    scan({smTargetPath, L"C:\\l"});
    store().release(hold);
    EXPECT_EQ(events()[4], L"fileFound C:\\l\\locked.db | n/a | n/a");
    EXPECT_EQ(events()[5].substr(0, 33), L"streamFound C:\\l\\locked.db:s 1 | ");
    EXPECT_EQ(events()[5].substr(33, 9), L"n/a | n/a");
}

// Files named f001.txt, f002.txt, ... in a folder; every file with this step carries a stream.
void addNumberedFiles(TSimStore& store, const std::wstring& folder, int count, int streamEvery) {
    for (int i = 1; i <= count; ++i) {
        wchar_t name[16];
        std::swprintf(name, 16, L"f%03d.txt", i);
        store.addFile(folder + name, "x");
        if (streamEvery > 0 && i % streamEvery == 0) {
            store.addStream(folder + name, L"s", "y");
        }
    }
}

std::vector<std::wstring> progressEvents(const std::vector<std::wstring>& events) {
    std::vector<std::wstring> progress;
    for (const std::wstring& event : events) {
        if (event.rfind(L"scanProgress", 0) == 0) {
            progress.push_back(event);
        }
    }
    return progress;
}

TEST_F(ScanTest, ProgressEveryFiftyFilesCarriesOverBetweenRoots) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    store().addDrive(L'E', plat::DRIVE_REMOVABLE, L"Card", L"NTFS");
    addNumberedFiles(store(), L"C:\\", 30, 10);
    addNumberedFiles(store(), L"E:\\dcim\\", 80, 0);
    store().addStream(L"E:\\dcim\\f017.txt", L"s", "y");
    scan({});
    // Folders count as files do: C:\ and its 30 files, then E:\ and dcim, so dcim's 17th file is the 50th.
    EXPECT_EQ(progressEvents(events()),
              (std::vector<std::wstring>{
                  L"scanProgress Card (E:\\) - Removable Drive | E:\\dcim\\ + f017.txt | 3/0",
                  L"scanProgress Card (E:\\) - Removable Drive | E:\\dcim\\ + f067.txt | 4/3",
              }));
    // The progress of a file comes before the file's own report.
    const auto at = [&](const std::wstring& prefix) {
        for (std::size_t i = 0; i < events().size(); ++i) {
            if (events()[i].rfind(prefix, 0) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    EXPECT_LT(at(L"scanProgress Card (E:\\) - Removable Drive | E:\\dcim\\ + f017.txt"),
              at(L"fileFound E:\\dcim\\f017.txt"));
}

TEST_F(ScanTest, StoppingDuringTheFirstCountAnnouncesTheOtherRootsAndEndsInterrupted) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    store().addDrive(L'D', plat::DRIVE_FIXED, L"", L"NTFS");
    store().addDrive(L'E', plat::DRIVE_FIXED, L"", L"NTFS");
    for (const wchar_t* root : {L"C:\\", L"D:\\", L"E:\\"}) {
        addNumberedFiles(store(), root, 3, 1);
        addNumberedFiles(store(), std::wstring(root) + L"sub\\", 3, 1);
    }
    // The stop comes from the window while C:\ is being counted: after its own files, before its subfolder.
    store().beforeCall(TCall::FindFirstFileW, 2, [&] { window.stopScan(); });
    scan({});
    EXPECT_EQ(events(),
              (std::vector<std::wstring>{
                  L"scanStarting C:\\|D:\\|E:\\",
                  L"driveInitializing C:\\ - Fixed Drive",
                  L"driveCounted 5 C:\\", // C:\\, its three files, sub (whose files were not reached)
                  L"driveScanStarting",
                  L"driveDone 0",
                  L"driveInitializing D:\\ - Fixed Drive",
                  L"driveInitializing E:\\ - Fixed Drive",
                  L"scanFinished stopped 0",
              }));
}

TEST_F(ScanTest, StoppingWhileReportingKeepsWhatWasFound) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    addNumberedFiles(store(), L"C:\\", 5, 1);
    window.onEvent = [&](const std::wstring& event) {
        if (event.rfind(L"streamFound C:\\f002.txt", 0) == 0) {
            window.stopScan();
        }
    };
    scan({smTargetDrive, L"C:\\"});
    EXPECT_EQ(events().back(), L"scanFinished stopped 2");
    EXPECT_EQ(events()[events().size() - 2], L"driveDone 0");
}

TEST_F(ScanTest, AnErrorInANotificationEndsTheScanWithTheCompletion) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    store().addDrive(L'D', plat::DRIVE_FIXED, L"", L"NTFS");
    addNumberedFiles(store(), L"C:\\", 4, 1);
    addNumberedFiles(store(), L"D:\\", 4, 1);
    window.onEvent = [&](const std::wstring& event) {
        if (event.rfind(L"fileFound C:\\f003.txt", 0) == 0) {
            throw std::runtime_error("the tree failed");
        }
    };
    scan({});
    ASSERT_GE(events().size(), 2u);
    EXPECT_EQ(events()[events().size() - 2].substr(0, 21), L"fileFound C:\\f003.txt");
    EXPECT_EQ(events().back(), L"scanFinished 2") << "the streams found so far, as a completed scan";
}

TEST_F(ScanTest, RunsWithRedirectionOffAndCriticalErrorsOffOnEveryPath) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    store().addDrive(L'D', plat::DRIVE_FIXED, L"", L"FAT32");
    addNumberedFiles(store(), L"C:\\", 3, 1);
    addNumberedFiles(store(), L"C:\\sub\\", 3, 1);

    struct TCase {
        const char* what;
        std::function<void(const std::wstring&)> onEvent;
    };
    const std::vector<TCase> cases = {
        {"a whole scan", nullptr},
        {"a stopped scan",
         [&](const std::wstring& event) {
             if (event.rfind(L"fileFound", 0) == 0) {
                 window.stopScan();
             }
         }},
        {"a scan ended by an error",
         [](const std::wstring& event) {
             if (event.rfind(L"streamFound", 0) == 0) {
                 throw std::runtime_error("failed");
             }
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int> redirectionOff;
        std::vector<plat::UINT> errorModes;
        store().clearFaults();
        store().beforeCall(TCall::FindFirstFileW, 0, [&] {
            redirectionOff.push_back(store().redirectionOffCount());
            errorModes.push_back(store().errorMode());
        });
        store().beforeCall(TCall::FindFirstStreamW, 0,
                           [&] { redirectionOff.push_back(store().redirectionOffCount()); });
        store().clearCallLog();
        window.onEvent = c.onEvent;
        scan({});

        ASSERT_FALSE(redirectionOff.empty());
        EXPECT_EQ(redirectionOff, std::vector<int>(redirectionOff.size(), 1));
        EXPECT_EQ(errorModes, std::vector<plat::UINT>(errorModes.size(), plat::SEM_FAILCRITICALERRORS));
        const std::vector<plat::store::TLoggedCall> log = store().callLog();
        int switchedOff = 0;
        int switchedOn = 0;
        for (const plat::store::TLoggedCall& call : log) {
            switchedOff += call.call == TCall::Wow64DisableWow64FsRedirection;
            switchedOn += call.call == TCall::Wow64EnableWow64FsRedirection;
        }
        EXPECT_EQ(switchedOff, switchedOn);
        EXPECT_EQ(log.front().call, TCall::Wow64DisableWow64FsRedirection);
        // The preview of the stand-in window switches on the UI thread; the scan's own switch is last.
        EXPECT_EQ(log.back().call, TCall::Wow64EnableWow64FsRedirection);
    }
}

TEST_F(ScanTest, TheCountingPassOpensNoFile) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    addNumberedFiles(store(), L"C:\\", 5, 1);
    addNumberedFiles(store(), L"C:\\sub\\", 5, 1);
    int opensWhileCounting = 0;
    store().beforeCall(TCall::CreateFileW, 0, [&] { opensWhileCounting += window.counting; });
    scan({});
    EXPECT_EQ(events().back(), L"scanFinished 10");
    EXPECT_EQ(opensWhileCounting, 0);
}

// Folder links the store cannot hold, modelled over it: each path through a link is rewritten to the
// link's target before the store sees it, as Windows follows a junction.
class TLinkingStore : public TSimStore {
public:
    std::map<std::wstring, std::wstring> links; // link folder -> target folder, no trailing "\"

    plat::HANDLE FindFirstFileW(const wchar_t* pattern, plat::WIN32_FIND_DATAW* data) override {
        return TSimStore::FindFirstFileW(resolve(pattern).c_str(), data);
    }
    plat::HANDLE FindFirstStreamW(const wchar_t* path, int level, plat::WIN32_FIND_STREAM_DATA* data,
                                  plat::DWORD flags) override {
        return TSimStore::FindFirstStreamW(resolve(path).c_str(), level, data, flags);
    }
    plat::HANDLE CreateFileW(const wchar_t* path, plat::DWORD access, plat::DWORD share, void* security,
                             plat::DWORD disposition, plat::DWORD flags, plat::HANDLE templateFile) override {
        return TSimStore::CreateFileW(resolve(path).c_str(), access, share, security, disposition, flags,
                                      templateFile);
    }
    plat::DWORD GetFileAttributesW(const wchar_t* path) override {
        return TSimStore::GetFileAttributesW(resolve(path).c_str());
    }
    plat::BOOL GetFileAttributesExW(const wchar_t* path, int level,
                                    plat::WIN32_FILE_ATTRIBUTE_DATA* data) override {
        return TSimStore::GetFileAttributesExW(resolve(path).c_str(), level, data);
    }

private:
    std::wstring resolve(std::wstring path) const {
        // The program names paths in their exact form ("\\?\C:\..."); the links are written plain.
        const std::wstring prefix = plat::isVerbatimPath(path) ? L"\\\\?\\" : L"";
        path.erase(0, prefix.size());
        for (bool changed = true; changed;) {
            changed = false;
            for (const auto& [link, target] : links) {
                if (path.rfind(link, 0) == 0 && (path.size() == link.size() || path[link.size()] == L'\\')) {
                    path = target + path.substr(link.size());
                    changed = true;
                }
            }
        }
        return prefix + path;
    }
};

class LinkScanTest : public ScanTest {
protected:
    TSimStore& store() override { return FLinkingStore; }
    TLinkingStore FLinkingStore;
};

TEST_F(LinkScanTest, ALinkBackOntoTheWalkPathIsNotWalkedAgainOtherLinksAre) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    store().addFile(L"C:\\loop\\a.txt", "a");
    store().addStream(L"C:\\loop\\a.txt", L"s", "1");
    store().addFile(L"C:\\loop\\inner\\b.txt", "b");
    store().addStream(L"C:\\loop\\inner\\b.txt", L"s", "2");
    store().addFile(L"C:\\other\\c.txt", "c");
    store().addStream(L"C:\\other\\c.txt", L"s", "3");
    // inner\up leads back to the walk's root, inner\self to its own folder, side to a folder elsewhere.
    store().addFolder(L"C:\\loop\\inner\\up", plat::FILE_ATTRIBUTE_REPARSE_POINT);
    store().addFolder(L"C:\\loop\\inner\\self", plat::FILE_ATTRIBUTE_REPARSE_POINT);
    store().addFolder(L"C:\\loop\\side", plat::FILE_ATTRIBUTE_REPARSE_POINT);
    FLinkingStore.links = {{L"C:\\loop\\inner\\up", L"C:\\loop"},
                           {L"C:\\loop\\inner\\self", L"C:\\loop\\inner"},
                           {L"C:\\loop\\side", L"C:\\other"}};
    scan({smTargetPath, L"C:\\loop"});
    std::vector<std::wstring> found;
    for (const std::wstring& event : events()) {
        if (event.rfind(L"fileFound", 0) == 0) {
            found.push_back(event.substr(10, event.find(L" | ") - 10));
        }
    }
    EXPECT_EQ(found, (std::vector<std::wstring>{L"C:\\loop\\a.txt", L"C:\\loop\\inner\\b.txt",
                                                L"C:\\loop\\side\\c.txt"}));
    EXPECT_EQ(events()[2], L"driveCounted 6 C:\\loop\\"); // three files and loop, inner and side
}

// Records how far the scan thread's stack reaches whenever the walk lists a folder.
class TStackWatchingStore : public TSimStore {
public:
    plat::HANDLE FindFirstFileW(const wchar_t* pattern, plat::WIN32_FIND_DATAW* data) override {
        if (FWalker == std::thread::id()) {
            FWalker = std::this_thread::get_id();
        }
        if (FWalker == std::this_thread::get_id()) {
            const auto frame = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
            FLowest = std::min(FLowest, frame);
            FHighest = std::max(FHighest, frame);
        }
        return TSimStore::FindFirstFileW(pattern, data);
    }
    // How much the stack differed between the shallowest and the deepest listing.
    std::uintptr_t spread() const { return FHighest - FLowest; }

private:
    std::thread::id FWalker;
    std::uintptr_t FLowest = UINTPTR_MAX;
    std::uintptr_t FHighest = 0;
};

class DeepScanTest : public ScanTest {
protected:
    TSimStore& store() override { return FWatchingStore; }
    TStackWatchingStore FWatchingStore;
};

TEST_F(DeepScanTest, FoldersThousandsDeepAreWalkedOnAStackThatDoesNotGrowWithDepth) {
    constexpr int kDepth = 3000;
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    std::wstring bottom = L"C:\\deep";
    store().addFile(bottom + L"\\top.txt", "t");
    store().addStream(bottom + L"\\top.txt", L"s", "x");
    for (int level = 0; level < kDepth; ++level) {
        bottom += L"\\d";
        store().addFolder(bottom);
    }
    store().addFile(bottom + L"\\bottom.txt", "b");
    store().addStream(bottom + L"\\bottom.txt", L"s", "x");
    store().addStream(bottom, L"tag", "y");

    scan({smTargetPath, L"C:\\deep"}, 600s);
    // deep, its file, every level, the bottom file: nothing is dropped for depth.
    ASSERT_GT(events().size(), 2u);
    EXPECT_EQ(events()[2], L"driveCounted " + std::to_wstring(kDepth + 3) + L" C:\\deep\\");
    // The paths are thousands of characters long: compared, not printed.
    std::vector<std::wstring> found;
    for (const std::wstring& event : events()) {
        if (event.rfind(L"fileFound", 0) == 0 || event.rfind(L"folderFound", 0) == 0) {
            found.push_back(event.substr(0, event.find(L" | ")));
        }
    }
    EXPECT_TRUE(found == (std::vector<std::wstring>{L"fileFound C:\\deep\\top.txt", L"folderFound " + bottom,
                                                    L"fileFound " + bottom + L"\\bottom.txt"}))
        << found.size() << " found";
    EXPECT_EQ(events().back(), L"scanFinished 3");
    // A walk that recursed once per folder would use thousands of frames here (megabytes); the
    // folders being walked must be kept off the stack.
    EXPECT_LT(FWatchingStore.spread(), 64u * 1024u);
}

TEST_F(ScanTest, ALinkIsListedAndReadAsItselfNeverAsItsTarget) {
    store().addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
    const testsupport::TStoreLinks links(store(), L"C:\\links");
    scan({smTargetPath, L"C:\\links"});
    std::vector<std::wstring> found;
    for (const std::wstring& event : events()) {
        if (event.rfind(L"fileFound", 0) == 0 || event.rfind(L"folderFound", 0) == 0 ||
            event.rfind(L"streamFound", 0) == 0) {
            found.push_back(event);
        }
    }
    // The link's own stream, size, preview and times; the files below the junction are its target's.
    const std::wstring targetTimes = L"23/06/1968 at 17:28:19 | 23/06/1968 at 17:28:19";
    EXPECT_EQ(found, (std::vector<std::wstring>{
                         L"fileFound C:\\links\\L | " + kTimes,
                         L"streamFound C:\\links\\L:x 11 | " + kTimes + L" | file link's",
                         L"folderFound C:\\links\\J | " + kTimes,
                         L"streamFound C:\\links\\J:x 10 | " + kTimes + L" | junction's",
                         L"fileFound C:\\links\\J\\t.txt | " + targetTimes,
                         L"streamFound C:\\links\\J\\t.txt:x 13 | " + targetTimes + L" | target file's",
                         L"folderFound C:\\links\\target | " + targetTimes,
                         L"streamFound C:\\links\\target:x 15 | " + targetTimes + L" | target folder's",
                         L"fileFound C:\\links\\target\\t.txt | " + targetTimes,
                         L"streamFound C:\\links\\target\\t.txt:x 13 | " + targetTimes + L" | target file's",
                     }));
}

// ---- Drives read directly: the raw volume ("\\.\E:") through the NTFS engine.

// A store whose drives can also be opened as raw volumes: "\\.\E:" opens the bytes of a file the
// store holds, as Windows opens a volume's sectors.
class TRawVolumeStore : public TSimStore {
public:
    std::map<wchar_t, std::wstring> rawVolumes; // drive letter -> the store file holding its bytes
    // Reads of a raw volume after this many run out of memory (std::bad_alloc); negative: never.
    int readsBeforeOutOfMemory = -1;
    // Reads of the raw volume held in failingVolume after this many fail, as when its device goes away
    // (or, with failOutOfMemory, run out of memory); negative: never.
    std::wstring failingVolume;
    int readsBeforeFailing = -1;
    bool failOutOfMemory = false;
    // The reads made through the raw volume handle closed last.
    int lastRawReads = 0;

    plat::BOOL ReadFile(plat::HANDLE file, void* buffer, plat::DWORD toRead, plat::DWORD* read,
                        void* overlapped) override {
        const auto raw = FRawHandles.find(file);
        if (raw != FRawHandles.end()) {
            const int reads = raw->second.reads++;
            if (readsBeforeOutOfMemory >= 0 && reads >= readsBeforeOutOfMemory) {
                throw std::bad_alloc();
            }
            if (raw->second.file == failingVolume && readsBeforeFailing >= 0 && reads >= readsBeforeFailing) {
                if (failOutOfMemory) {
                    throw std::bad_alloc();
                }
                SetLastError(plat::ERROR_NOT_READY);
                return plat::FALSE;
            }
        }
        return TSimStore::ReadFile(file, buffer, toRead, read, overlapped);
    }
    plat::BOOL CloseHandle(plat::HANDLE handle) override {
        const auto raw = FRawHandles.find(handle);
        if (raw != FRawHandles.end()) {
            lastRawReads = raw->second.reads;
            FRawHandles.erase(raw);
        }
        return TSimStore::CloseHandle(handle);
    }

    plat::HANDLE CreateFileW(const wchar_t* path, plat::DWORD access, plat::DWORD share, void* security,
                             plat::DWORD disposition, plat::DWORD flags, plat::HANDLE templateFile) override {
        const std::wstring text = path != nullptr ? path : L"";
        if (text.size() == 6 && text.rfind(L"\\\\.\\", 0) == 0 && text[5] == L':') {
            const auto raw = rawVolumes.find(text[4]);
            if (raw != rawVolumes.end()) {
                const plat::HANDLE handle = TSimStore::CreateFileW(
                    raw->second.c_str(), access, share, security, disposition, flags, templateFile);
                if (handle != plat::INVALID_HANDLE_VALUE) {
                    FRawHandles[handle] = {raw->second, 0};
                }
                return handle;
            }
        }
        return TSimStore::CreateFileW(path, access, share, security, disposition, flags, templateFile);
    }

private:
    struct TRawHandle {
        std::wstring file;
        int reads = 0;
    };
    std::map<plat::HANDLE, TRawHandle> FRawHandles;
};

// A volume ntfs-3g writes once: files and folders with streams, streams on a folder and on the root,
// small download marks, a hidden folder that holds a file with streams, files without streams, and a
// folder of more than 50 files (progress steps).
struct TDirectFixture {
    std::string unavailable;
    std::string image; // its bytes
    struct TEntry {
        std::wstring path; // below the root
        std::string data;
        std::vector<std::pair<std::wstring, std::string>> streams;
        bool folder = false;
        plat::DWORD attributes = 0;
    };
    std::vector<TEntry> entries;
};

const TDirectFixture& directFixture() {
    static const TDirectFixture fixture = [] {
        TDirectFixture f;
        f.unavailable = ntfstest::toolsUnavailableReason();
        if (!f.unavailable.empty()) {
            return f;
        }
        f.entries = {
            {L"docs", "", {{L"folder-note", "on the folder"}}, true},
            {L"docs\\deep", "", {}, true},
            {L"a.txt", "a", {{L"notes", "hello"}}},
            {L"plain.txt", "no streams", {}},
            {L"secret.txt", "s", {{L"hidden", "only the volume shows this"}}},
            {L"docs\\report.txt",
             "r",
             {{L"Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n"}, {L"s1", "one"}}},
            {L"docs\\deep\\x.bin", "x", {{L"bin", std::string("\x4D\x5A\x90\x00\x03", 5)}}},
            {L"", "", {{L"root-note", "on the root"}}, true}, // the root folder itself
            {L"vault", "", {{L"vault-note", "v"}}, true, plat::FILE_ATTRIBUTE_HIDDEN},
            {L"vault\\inner.txt", "i", {{L"inner", "behind a hidden folder"}}},
            {L"download.exe", "d", {{L"Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n"}}},
        };
        for (int i = 0; i < 120; ++i) {
            wchar_t name[32];
            std::swprintf(name, 32, L"bulk\\f%03d.txt", i);
            f.entries.push_back({name, "b", {}});
            if (i == 77) {
                f.entries.back().streams = {{L"mid", "in the middle"}};
            }
        }
        f.entries.insert(f.entries.end() - 120, {L"bulk", "", {}, true});
        const ntfstest::TScratchFolder scratch;
        const std::filesystem::path image = scratch.path() / "direct.img";
        const std::filesystem::path mountPoint = scratch.path() / "mnt";
        std::filesystem::create_directories(mountPoint);
        if (!ntfstest::makeImage(image, 8, "Evidence")) {
            f.unavailable = "mkntfs failed";
            return f;
        }
        {
            ntfstest::TMount mount(image, mountPoint, "streams_interface=windows");
            if (!mount.mounted()) {
                f.unavailable = "the ntfs-3g mount failed";
                return f;
            }
            for (const TDirectFixture::TEntry& e : f.entries) {
                if (e.folder) {
                    std::filesystem::create_directories(mount.at(e.path));
                } else {
                    ntfstest::writeBytes(mount.at(e.path), e.data);
                }
                for (const auto& [name, bytes] : e.streams) {
                    ntfstest::writeBytes(mount.at(e.path + L":" + name), bytes);
                }
                if (e.attributes != 0) {
                    ntfstest::setAttributes(mount.at(e.path), e.attributes);
                }
            }
            if (!mount.unmount()) {
                f.unavailable = "the ntfs-3g unmount failed";
                return f;
            }
        }
        f.image = ntfstest::readBytes(image);
        return f;
    }();
    return fixture;
}

class DirectScanTest : public ScanTest {
protected:
    TSimStore& store() override { return FRawStore; }

    // Drive E: holds what the volume holds, with the volume's own times (read through the engine),
    // and its raw volume is the volume's bytes, kept on drive C:.
    void layOutVolume(const std::string& rawBytes) {
        const TDirectFixture& f = directFixture();
        FRawStore.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        FRawStore.addDrive(L'E', plat::DRIVE_REMOVABLE, L"Evidence", L"NTFS");
        FRawStore.addFile(L"C:\\raw\\volume", f.image);
        FRawStore.addFile(L"C:\\raw\\e.vol", rawBytes);
        FRawStore.rawVolumes[L'E'] = L"C:\\raw\\e.vol";
        plat::ntfs::TNtfsFileServices engine;
        engine.mount(L'N',
                     ntfs::TNtfsVolume::open(plat::ntfs::openServicesDevice(FRawStore, L"C:\\raw\\volume")));
        const auto copyTimes = [&](const std::wstring& path) {
            plat::WIN32_FILE_ATTRIBUTE_DATA data{};
            ASSERT_TRUE(
                engine.GetFileAttributesExW((L"N:\\" + path).c_str(), plat::GetFileExInfoStandard, &data))
                << ntfstest::utf8(path);
            FRawStore.setTimes(L"E:\\" + path, data.ftCreationTime, data.ftLastAccessTime,
                               data.ftLastWriteTime);
        };
        for (const TDirectFixture::TEntry& e : f.entries) {
            const std::wstring path = L"E:\\" + e.path;
            if (e.path.empty()) {
                // the root: already there
            } else if (e.folder) {
                FRawStore.addFolder(path, e.attributes);
            } else {
                FRawStore.addFile(path, e.data);
            }
            for (const auto& [name, bytes] : e.streams) {
                FRawStore.addStream(path, name, bytes);
            }
            copyTimes(e.path);
        }
        FRawStore.clearCallLog();
    }

    // Folder listings the store answered on drive E: (a preview's lookup of a stream is not one).
    int searchesOfE() {
        int searches = 0;
        for (const plat::store::TLoggedCall& call : FRawStore.callLog()) {
            const std::wstring& path = call.path;
            searches += call.call == TCall::FindFirstFileW && path.find(L"E:\\") != std::wstring::npos &&
                        path.size() > 3 && path.compare(path.size() - 3, 3, L"*.*") == 0;
        }
        return searches;
    }

    TRawVolumeStore FRawStore;
};

// The rows of a direct scan are the rows of a walk of the same volume, notification for notification
// (times and previews too: the window reads previews through its own services, as after a walk);
// only the walk asks the drive's directory searches. A file the walk is denied is found directly.
TEST_F(DirectScanTest, ReadsTheRawVolumeToTheSameRowsAsAWalkAndFindsWhatTheWalkIsDenied) {
    if (!directFixture().unavailable.empty()) {
        GTEST_SKIP() << directFixture().unavailable;
    }
    layOutVolume(directFixture().image);
    const TScanSettings walk{smTargetDrive, L"E:\\"};
    TScanSettings direct = walk;
    direct.direct = true;

    scan(walk);
    const std::vector<std::wstring> walked = events();
    EXPECT_GT(searchesOfE(), 0);
    window.events.clear();
    window.threads.clear();
    FRawStore.clearCallLog();
    scan(direct);
    EXPECT_EQ(searchesOfE(), 0) << "the direct scan walked the drive's folders through the store";
    EXPECT_EQ(events(), walked);
    const auto has = [](const std::vector<std::wstring>& list, const std::wstring& prefix) {
        return std::any_of(list.begin(), list.end(),
                           [&](const std::wstring& e) { return e.rfind(prefix, 0) == 0; });
    };
    EXPECT_TRUE(has(walked, L"folderFound E:\\docs |"));
    EXPECT_TRUE(has(walked, L"streamFound E:\\docs\\deep\\x.bin:bin 5 |"));
    EXPECT_FALSE(has(walked, L"streamFound E:\\docs\\report.txt:Zone.Identifier"));
    EXPECT_TRUE(has(walked, L"scanFinished 8"));

    // Denied to the walk, seen by the volume: only the rows of that file differ.
    FRawStore.denyAccess(L"E:\\secret.txt");
    window.events.clear();
    window.threads.clear();
    scan(walk);
    const std::vector<std::wstring> walkedDenied = events();
    window.events.clear();
    window.threads.clear();
    scan(direct);
    EXPECT_FALSE(has(walkedDenied, L"fileFound E:\\secret.txt"));
    EXPECT_TRUE(has(events(), L"fileFound E:\\secret.txt |"));
    EXPECT_TRUE(has(events(), L"streamFound E:\\secret.txt:hidden 26 |"));
    EXPECT_TRUE(has(events(), L"scanFinished 8"));
    EXPECT_TRUE(has(walkedDenied, L"scanFinished 7"));
}

// Read directly, a scan asks only what the catalogue says carries streams and lists folders from it;
// whatever the settings choose, the window sees the very notifications of a walk: the wildcard (files
// only, here leaving out files with streams), folder scans with and without subfolders, download
// marks kept, and a stop in the middle of the reporting pass.
TEST_F(DirectScanTest, EverySettingGivesTheNotificationsOfAWalk) {
    if (!directFixture().unavailable.empty()) {
        GTEST_SKIP() << directFixture().unavailable;
    }
    layOutVolume(directFixture().image);
    struct TCase {
        const char* name;
        TScanSettings settings;
        int stopAtProgress; // 0: runs to the end
        std::vector<std::wstring> present;
        std::vector<std::wstring> absent;
    };
    const std::vector<TCase> cases = {
        {"whole drive",
         {smTargetDrive, L"E:\\"},
         0,
         {L"folderFound E:\\ |", L"streamFound E:\\:root-note 11 |", L"folderFound E:\\vault |",
          L"scanProgress Evidence (E:\\) - Removable Drive | E:\\bulk\\ + f0",
          L"fileFound E:\\bulk\\f077.txt |"},
         {L"inner.txt", L"download.exe", L"Zone.Identifier"}},
        {"a wildcard that leaves out files with streams",
         {smTargetDrive, L"E:\\", L"*.t?t"},
         0,
         {L"folderFound E:\\docs |", L"fileFound E:\\a.txt |"},
         {L"x.bin"}},
        {"a folder without its subfolders",
         {smTargetPath, L"E:\\docs", L"*.*", false},
         0,
         {L"folderFound E:\\docs |", L"fileFound E:\\docs\\report.txt |"},
         {L"deep"}},
        {"a folder with its subfolders",
         {smTargetPath, L"E:\\docs", L"*.bin"},
         0,
         {L"streamFound E:\\docs\\deep\\x.bin:bin 5 |"},
         {L"report.txt"}},
        {"download marks kept",
         {smTargetDrive, L"E:\\", L"*.*", true, 30, true},
         0,
         {L"streamFound E:\\download.exe:Zone.Identifier 26 |",
          L"streamFound E:\\docs\\report.txt:Zone.Identifier"},
         {}},
        {"stopped at the first progress step",
         {smTargetDrive, L"E:\\"},
         1,
         {L"scanFinished stopped"},
         {L"f077"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<std::wstring>> runs;
        for (const bool direct : {false, true}) {
            window.events.clear();
            window.threads.clear();
            int progressSteps = 0;
            window.onEvent = [&](const std::wstring& event) {
                if (event.rfind(L"scanProgress", 0) == 0 && ++progressSteps == c.stopAtProgress) {
                    window.stopScan();
                }
            };
            TScanSettings settings = c.settings;
            settings.direct = direct;
            scan(settings);
            runs.push_back(events());
        }
        window.onEvent = nullptr;
        EXPECT_EQ(runs[1], runs[0]);
        for (const std::wstring& part : c.present) {
            EXPECT_TRUE(std::any_of(runs[1].begin(), runs[1].end(), [&](const std::wstring& e) {
                return e.find(part) != std::wstring::npos;
            })) << ntfstest::utf8(part);
        }
        for (const std::wstring& part : c.absent) {
            EXPECT_FALSE(std::any_of(runs[1].begin(), runs[1].end(), [&](const std::wstring& e) {
                return e.find(part) != std::wstring::npos;
            })) << ntfstest::utf8(part);
        }
    }
}

// A raw volume that cannot be opened or read: the root is walked, and the window is told why first.
// Each drive read directly is handed over before its rows, so that the rows of names Windows cannot
// open ("a?b.txt", listed "a|3Fb.txt") read from it afterwards; a drive that listed no such name is let
// go at the end of its scan, and a walk hands nothing over.
TEST_F(DirectScanTest, HandsOverADriveReadDirectlyOnlyWhileItListedANameWindowsCannotOpen) {
    if (!directFixture().unavailable.empty()) {
        GTEST_SKIP() << directFixture().unavailable;
    }
    ntfstest::TScratchFolder scratch;
    const std::filesystem::path escapedImage = scratch.path() / "escaped.img";
    const std::filesystem::path data = scratch.path() / "data";
    ASSERT_TRUE(ntfstest::makeImage(escapedImage, 2, "Evidence"));
    ntfstest::writeBytes(data, "hidden bytes");
    ASSERT_TRUE(ntfstest::ntfscp(escapedImage, data, L"a?b.txt"));
    ASSERT_TRUE(ntfstest::ntfscp(escapedImage, data, L"a?b.txt", L"s"));
    layOutVolume(directFixture().image);

    struct THandOver {
        wchar_t letter;
        std::shared_ptr<plat::ntfs::TDirectDrive> drive;
    };
    std::vector<THandOver> handedOver;
    TScanSettings settings{smTargetDrive, L"E:\\"};
    keepDirect = [&](wchar_t letter, std::shared_ptr<plat::ntfs::TDirectDrive> drive) {
        handedOver.push_back({letter, std::move(drive)});
    };
    scan(settings);
    EXPECT_TRUE(handedOver.empty()) << "a walk reads no drive directly";

    settings.direct = true;
    scan(settings);
    ASSERT_EQ(handedOver.size(), 2u);
    EXPECT_EQ(handedOver[0].letter, L'E');
    ASSERT_NE(handedOver[0].drive, nullptr);
    EXPECT_EQ(handedOver[1].letter, L'E');
    EXPECT_EQ(handedOver[1].drive, nullptr) << "no name needs it: let go";

    handedOver.clear();
    window.events.clear();
    FRawStore.addFile(L"C:\\raw\\e.vol", ntfstest::readBytes(escapedImage));
    scan(settings);
    const std::vector<std::wstring> found = events();
    EXPECT_TRUE(std::any_of(found.begin(), found.end(), [](const std::wstring& e) {
        return e.rfind(L"streamFound E:\\a|3Fb.txt:s 12 |", 0) == 0;
    })) << "the row lists the name escaped";
    ASSERT_EQ(handedOver.size(), 1u) << "kept for the row";
    ASSERT_NE(handedOver[0].drive, nullptr);
    plat::ntfs::TDirectDrive& drive = *handedOver[0].drive;
    plat::HANDLE file =
        drive.services().CreateFileW(L"E:\\a|3Fb.txt:s", plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                     plat::OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, plat::INVALID_HANDLE_VALUE);
    char buffer[32] = {};
    plat::DWORD read = 0;
    EXPECT_NE(drive.services().ReadFile(file, buffer, sizeof(buffer), &read, nullptr), plat::FALSE);
    EXPECT_EQ(std::string(buffer, read), "hidden bytes");
    drive.services().CloseHandle(file);
}

TEST_F(DirectScanTest, ARawVolumeThatCannotBeReadFallsBackToTheWalk) {
    if (!directFixture().unavailable.empty()) {
        GTEST_SKIP() << directFixture().unavailable;
    }
    struct TCase {
        const char* what;
        std::function<void(TRawVolumeStore&)> breakVolume;
        std::wstring why;
    };
    const std::vector<TCase> cases = {
        {"no raw volume", [](TRawVolumeStore& store) { store.rawVolumes.clear(); },
         L"\\\\.\\E: cannot be opened (error "},
        {"access denied", [](TRawVolumeStore& store) { store.denyAccess(L"C:\\raw\\e.vol"); },
         L"\\\\.\\E: cannot be opened (error 5)"},
        {"not NTFS",
         [](TRawVolumeStore& store) { store.addFile(L"C:\\raw\\e.vol", std::string(1 << 20, '\0')); },
         L"\\\\.\\E: cannot be read: no NTFS boot sector"},
        // The boot sector reads; the catalogue does not fit in memory.
        {"out of memory", [](TRawVolumeStore& store) { store.readsBeforeOutOfMemory = 1; },
         L"\\\\.\\E: cannot be read: there is not enough memory for its catalogue"},
    };
    layOutVolume(directFixture().image);
    scan({smTargetDrive, L"E:\\"});
    std::vector<std::wstring> walked = events();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        FRawStore.rawVolumes[L'E'] = L"C:\\raw\\e.vol";
        FRawStore.denyAccess(L"C:\\raw\\e.vol", false);
        FRawStore.addFile(L"C:\\raw\\e.vol", directFixture().image);
        FRawStore.readsBeforeOutOfMemory = -1;
        c.breakVolume(FRawStore);
        window.events.clear();
        window.threads.clear();
        FRawStore.clearCallLog();
        scan({smTargetDrive, L"E:\\", L"*.*", true, 30, false, true});
        ASSERT_EQ(events().size(), walked.size() + 1);
        EXPECT_EQ(events()[1], walked[1]); // driveInitializing
        EXPECT_EQ(events()[2].rfind(L"directReadFailed E:\\ | " + c.why, 0), 0u)
            << ntfstest::utf8(events()[2]);
        std::vector<std::wstring> rest = events();
        rest.erase(rest.begin() + 2);
        EXPECT_EQ(rest, walked);
        EXPECT_GT(searchesOfE(), 0);
    }
}

// A raw volume that fails after its catalogue loaded, while the drive is walked (its device goes away,
// or memory runs out): the drive is walked instead, after the same notice as a volume that cannot be
// read, with every row once (those reported before the failure are not reported again), and the next
// drive is still read directly.
TEST_F(DirectScanTest, ARawVolumeThatFailsWhileWalkedFallsBackToTheWalkAndTheNextDriveIsStillRead) {
    if (!directFixture().unavailable.empty()) {
        GTEST_SKIP() << directFixture().unavailable;
    }
    layOutVolume(directFixture().image);
    FRawStore.addDrive(L'F', plat::DRIVE_REMOVABLE, L"Second", L"NTFS");
    FRawStore.rawVolumes[L'F'] = L"C:\\raw\\volume";
    const auto rowsOf = [](const std::vector<std::wstring>& events, const std::wstring& drive) {
        std::vector<std::wstring> rows;
        for (const std::wstring& e : events) {
            if ((e.rfind(L"fileFound " + drive, 0) == 0 || e.rfind(L"folderFound " + drive, 0) == 0 ||
                 e.rfind(L"streamFound " + drive, 0) == 0)) {
                rows.push_back(e);
            }
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    scan({smTargetDrive, L"E:\\"});
    const std::vector<std::wstring> walkedRows = rowsOf(events(), L"E:\\");
    ASSERT_FALSE(walkedRows.empty());
    {
        plat::ntfs::TDirectDrive probe(FRawStore, L'E');
        ASSERT_TRUE(probe.opened());
    }
    const int catalogueReads = FRawStore.lastRawReads;
    scan({smTargetDrive, L"E:\\", L"*.*", true, 30, false, true});
    const int walkReads = FRawStore.lastRawReads - catalogueReads;
    ASSERT_GT(walkReads, 1) << "the walk reads nothing of the volume";

    struct TCase {
        const char* what;
        int readsIntoTheWalk; // before the first that fails
        bool outOfMemory;
        std::wstring why;
    };
    const std::wstring unreadable = L"\\\\.\\E: cannot be read: a read of it failed while it was scanned";
    const std::vector<TCase> cases = {
        {"the device fails at once", 0, false, unreadable},
        {"the device fails midway", walkReads / 2, false, unreadable},
        {"memory runs out midway", walkReads / 2, true,
         L"\\\\.\\E: cannot be read: there is not enough memory to scan it"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        FRawStore.failingVolume = L"C:\\raw\\e.vol";
        FRawStore.readsBeforeFailing = catalogueReads + c.readsIntoTheWalk;
        FRawStore.failOutOfMemory = c.outOfMemory;
        window.events.clear();
        window.threads.clear();
        scan({smFull, L"", L"*.*", true, 30, false, true});
        const std::vector<std::wstring> found = events();
        const auto at = [&](const std::wstring& event) {
            return std::find(found.begin(), found.end(), event) - found.begin();
        };
        const auto failed = std::find_if(found.begin(), found.end(), [](const std::wstring& e) {
            return e.rfind(L"directReadFailed E:", 0) == 0;
        });
        if (failed == found.end()) {
            ADD_FAILURE() << "no notice of the failed direct read";
            continue;
        }
        EXPECT_EQ(*failed, L"directReadFailed E:\\ | " + c.why);
        EXPECT_EQ(*(failed - 1), L"driveInitializing Evidence (E:\\) - Removable Drive");
        EXPECT_LT(at(L"driveInitializing Evidence (E:\\) - Removable Drive"), failed - found.begin());
        EXPECT_EQ(std::any_of(found.begin(), failed,
                              [](const std::wstring& e) { return e.rfind(L"streamFound E:\\", 0) == 0; }),
                  c.readsIntoTheWalk > 0)
            << "rows reported directly before the failure";
        EXPECT_EQ(rowsOf(found, L"E:\\"), walkedRows) << "each row of the drive once";

        // The next drive is read directly (the same volume): its rows, and no notice of its own.
        EXPECT_TRUE(std::none_of(found.begin(), found.end(), [](const std::wstring& e) {
            return e.rfind(L"directReadFailed F:", 0) == 0;
        }));
        std::vector<std::wstring> secondRows;
        for (std::wstring row : walkedRows) {
            row.replace(row.find(L"E:\\"), 3, L"F:\\");
            secondRows.push_back(row);
        }
        const std::vector<std::wstring> readRows = rowsOf(found, L"F:\\");
        ASSERT_EQ(readRows.size(), secondRows.size());
        for (std::size_t i = 0; i < readRows.size(); ++i) {
            EXPECT_EQ(readRows[i].substr(0, readRows[i].find(L" | ")),
                      secondRows[i].substr(0, secondRows[i].find(L" | ")));
        }
        const auto streams = std::count_if(walkedRows.begin(), walkedRows.end(), [](const std::wstring& e) {
            return e.rfind(L"streamFound ", 0) == 0;
        });
        EXPECT_EQ(found.back(), L"scanFinished " + std::to_wstring(2 * streams));
    }
}

} // namespace
