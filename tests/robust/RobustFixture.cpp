#include "robust/RobustFixture.h"

#include "platform/ControlBackend.h"
#include "platform/FileServices.h"
#include "platform/ShellServices.h"
#include "stream/UntKorvaneLib.h"
#include "streamops/UntKorvaneLibStreamOps.h"
#include "system/UntKorvaneLib.h"

#include <cstdio>
#include <stdexcept>

namespace robust {

using namespace plat;

namespace {

void snapshotFolder(TSimStore& store, const std::wstring& folder, TSnapshot& out) {
    const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L"\\";
    for (const std::wstring& name : store.entryNames(folder)) {
        const std::wstring path = prefix + name;
        if (!store.isFolder(path)) {
            out[path] = store.readData(path);
        }
        for (const std::wstring& stream : store.streamNames(path)) {
            // Read through the verbatim form: a plain path drops a name's trailing dots and spaces.
            out[path + L":" + stream] = store.readData(L"\\\\?\\" + path + L":" + stream);
        }
        if (store.isFolder(path)) {
            snapshotFolder(store, path, out);
        }
    }
}

// Bytes that name their stream, so that no two streams hold the same.
std::string bytesOf(const std::wstring& streamPath, std::size_t size) {
    std::string text = narrow(streamPath) + "|";
    std::string bytes;
    while (bytes.size() < size) {
        bytes += text;
        text = std::to_string(bytes.size()) + ";";
    }
    bytes.resize(size);
    return bytes;
}

void addStream(TSimStore& store, const std::wstring& file, const std::wstring& name, std::size_t size) {
    store.addStream(file, name, bytesOf(file + L":" + name, size));
}

// A download mark of the size wanted, readable text as browsers write it.
std::string zoneMark(std::size_t size, char zone) {
    std::string text = std::string("[ZoneTransfer]\r\nZoneId=") + zone + "\r\n";
    while (text.size() < size) {
        text += "HostUrl=https://example.invalid/\r\n";
    }
    text.resize(size);
    return text;
}

// The scan and the backup thread, telling the test when they have freed themselves.
class TWatchedScan : public TScanFileSystem {
public:
    TWatchedScan(TScanNotifications& window, testsupport::TDoneSignal destroyed)
        : TScanFileSystem(window), FDestroyed(destroyed) {}
    ~TWatchedScan() override { FDestroyed.set(); }

private:
    testsupport::TDoneSignal FDestroyed;
};

class TWatchedBackup : public TBackupADS {
public:
    TWatchedBackup(TBackupNotifications& window, testsupport::TDoneSignal destroyed)
        : TBackupADS(window), FDestroyed(destroyed) {}
    ~TWatchedBackup() override { FDestroyed.set(); }

private:
    testsupport::TDoneSignal FDestroyed;
};

} // namespace

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(c);
        if (code >= 0x20 && code < 0x7F) {
            out += static_cast<char>(code);
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", code);
            out += escaped;
        }
    }
    return out;
}

TSnapshot snapshot(TSimStore& store, const std::wstring& driveLetters) {
    TSnapshot out;
    for (wchar_t letter : driveLetters) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        for (const std::wstring& stream : store.streamNames(root)) {
            out[root + L":" + stream] = store.readData(root + L":" + stream);
        }
        snapshotFolder(store, root, out);
    }
    return out;
}

void fillFixture(TSimStore& store) {
    store.addDrive(L'C', DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'D', DRIVE_FIXED, L"", L"NTFS");
    store.addDrive(L'E', DRIVE_REMOVABLE, L"Stick", L"NTFS");
    store.addDrive(L'F', DRIVE_REMOVABLE, L"Camera", L"FAT32");
    store.addFolder(L"C:\\Windows");
    store.setWindowsDirectory(L"C:\\Windows");

    // Text, binary and empty streams; download marks small and large, first and not first.
    const std::wstring report = L"C:\\Users\\Ann\\report.txt";
    store.addFile(report, "quarterly figures");
    store.addStream(report, L"notes", "text notes of the report");
    store.addStream(report, L"bin", std::string("\x4D\x5A\x90\x00\x03\x00\x00\x00\x04\x00", 10));
    store.addFile(L"C:\\Users\\Ann\\Downloads\\setup.exe", "MZ setup");
    store.addStream(L"C:\\Users\\Ann\\Downloads\\setup.exe", L"Zone.Identifier", zoneMark(26, '3'));
    store.addFile(L"C:\\Users\\Ann\\Downloads\\tool.zip", "PK tool");
    store.addStream(L"C:\\Users\\Ann\\Downloads\\tool.zip", L"Zone.Identifier", zoneMark(150, '3'));
    addStream(store, L"C:\\Users\\Ann\\Downloads\\tool.zip", L"extra", 40);
    store.addFile(L"C:\\Users\\Ann\\Downloads\\mixed.bin", "mixed");
    store.addStream(L"C:\\Users\\Ann\\Downloads\\mixed.bin", L"Zone.Identifier", zoneMark(27, '4'));
    addStream(store, L"C:\\Users\\Ann\\Downloads\\mixed.bin", L"payload", 64);
    // A stream that takes several copy blocks, an empty one, a file without streams.
    store.addFile(L"C:\\Data\\big.dat", "big");
    addStream(store, L"C:\\Data\\big.dat", L"blob", 3 * kStreamCopyBlockSize + 1000);
    store.addFile(L"C:\\Data\\empty.txt", "e");
    store.addStream(L"C:\\Data\\empty.txt", L"empty", "");
    store.addFile(L"C:\\Data\\plain.txt", "no streams here");
    // Hidden and system files are inspected; a folder's stream is reported under the folder's row.
    store.addFile(L"C:\\Data\\hidden.sys", "h", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    addStream(store, L"C:\\Data\\hidden.sys", L"h", 12);
    store.addFolder(L"C:\\Data\\Tagged");
    addStream(store, L"C:\\Data\\Tagged", L"folderTag", 8);
    // A file opened elsewhere without sharing, and one that cannot be opened at all.
    store.addFile(L"C:\\Data\\locked.txt", "locked");
    addStream(store, L"C:\\Data\\locked.txt", L"lk", 20);
    store.holdOpen(L"C:\\Data\\locked.txt:lk", GENERIC_READ | GENERIC_WRITE, 0);
    store.addFile(L"C:\\Data\\denied.txt", "denied");
    addStream(store, L"C:\\Data\\denied.txt", L"dn", 20);
    store.denyAccess(L"C:\\Data\\denied.txt");
    // A name beyond ASCII; a folder the walk does not descend.
    store.addFile(L"C:\\Data\\\x00DCbersicht.txt", "u");
    addStream(store, L"C:\\Data\\\x00DCbersicht.txt", L"\x00E9t\x00E9\x2713", 30);
    store.addFolder(L"C:\\System Volume Information", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    store.addFile(L"C:\\System Volume Information\\tracking.log", "t");
    addStream(store, L"C:\\System Volume Information\\tracking.log", L"never", 5);

    // The destination drive: files of stream names already there, so copies get numbered names.
    store.addFolder(kDestination);
    store.addFile(kDestination + L"\\notes", "older notes");
    store.addFile(kDestination + L"\\Zone.Identifier", "older mark");
    store.addFile(L"D:\\Other\\x.txt", "x");
    addStream(store, L"D:\\Other\\x.txt", L"dx", 33);

    // The removable drive: a second stream named notes, a deep folder.
    store.addFile(L"E:\\photo.jpg", "JFIF");
    store.addStream(L"E:\\photo.jpg", L"thumb", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10));
    store.addStream(L"E:\\photo.jpg", L"notes", "notes about the photo");
    store.addFile(L"E:\\Deep\\a\\b\\c\\deep.txt", "deep");
    addStream(store, L"E:\\Deep\\a\\b\\c\\deep.txt", L"deep", 18);

    // FAT32: no streams, never walked.
    store.addFile(L"F:\\DCIM\\img.jpg", "img");

    // Fixed times, so that every world shows the same time texts.
    const FILETIME created{0xD53E8000u, 0x01D9A000u};
    const FILETIME written{0x2AC18000u, 0x01DA1000u};
    for (const wchar_t* file :
         {L"C:\\Users\\Ann\\report.txt", L"C:\\Users\\Ann\\Downloads\\setup.exe",
          L"C:\\Users\\Ann\\Downloads\\tool.zip", L"C:\\Users\\Ann\\Downloads\\mixed.bin",
          L"C:\\Data\\big.dat", L"C:\\Data\\empty.txt", L"C:\\Data\\hidden.sys", L"C:\\Data\\locked.txt",
          L"C:\\Data\\denied.txt", L"C:\\Data\\\x00DCbersicht.txt", L"D:\\Other\\x.txt", L"E:\\photo.jpg",
          L"E:\\Deep\\a\\b\\c\\deep.txt", L"C:\\Data\\Tagged"}) {
        store.setTimes(file, created, written, written);
    }
}

std::wstring TStreamRow::streamPath() const {
    return streamPathOf(file, name);
}

// ---- The scan window.

void TScanWindow::scanStarting(const std::vector<std::wstring>& /*driveList*/) {
    outcome.events.push_back(L"scanStarting");
}
void TScanWindow::driveInitializing(const std::wstring& /*curDriveLabel*/) {
    outcome.events.push_back(L"driveInitializing");
}
void TScanWindow::driveCounted(std::int64_t /*count*/, const std::wstring& curDrive) {
    getShellIconIndex(curDrive); // the window shows the drive's icon
    outcome.events.push_back(L"driveCounted");
}
void TScanWindow::driveScanStarting() {
    outcome.events.push_back(L"driveScanStarting");
}
void TScanWindow::scanProgress(const std::wstring& /*curDriveLabel*/, const std::wstring& /*folderPath*/,
                               const std::wstring& /*entryName*/, std::int64_t foundResults,
                               std::int64_t& lastFoundResultsCheck) {
    lastFoundResultsCheck = foundResults;
    outcome.events.push_back(L"scanProgress");
}
TScanNode TScanWindow::fileFound(const std::wstring& fileName, const std::wstring& /*creationStr*/,
                                 const std::wstring& /*modificationStr*/) {
    formatFileSize(getFileSize(fileName)); // the file row's size column
    outcome.files.push_back(fileName);
    outcome.events.push_back(L"fileFound");
    return &outcome.files.back();
}
TScanNode TScanWindow::folderFound(const std::wstring& folderName, const std::wstring& /*creationStr*/,
                                   const std::wstring& /*modificationStr*/) {
    outcome.folders.push_back(folderName);
    outcome.events.push_back(L"folderFound");
    return &outcome.folders.back();
}
TScanNode TScanWindow::streamFound(const TADSObject& curAds, const std::wstring& fileName,
                                   const std::wstring& creationStr, const std::wstring& modificationStr,
                                   std::int32_t previewLen, TScanNode /*fileNode*/) {
    TStreamRow row;
    row.file = fileName;
    row.name = curAds.adsName();
    row.size = curAds.adsSize();
    row.creation = creationStr;
    row.modification = modificationStr;
    row.preview = getContentPreview(row.streamPath(), previewLen);
    outcome.streams.push_back(row);
    outcome.events.push_back(L"streamFound");
    return nullptr;
}
void TScanWindow::driveDone(int /*n*/) {
    outcome.events.push_back(L"driveDone");
}
void TScanWindow::scanFinished(bool /*terminated*/, std::int64_t foundResults) {
    ++outcome.finished;
    outcome.foundResults = foundResults;
    outcome.events.push_back(L"scanFinished");
}

// ---- The backup window.

TBackupWindow::TBackupWindow() {
    tree.setNodeDataType<TRowData>();
    tree.OnInitNode = [](TTreeList* sender, TTreeNode* node) {
        sender->setCheckType(node, sender->getNodeLevel(node) == 0 ? TCheckType::ctTriStateCheckBox
                                                                   : TCheckType::ctCheckBox);
        sender->setCheckState(node, TCheckState::csCheckedNormal);
    };
}

TBackupWindow::~TBackupWindow() {
    tree.clear();
}

void TBackupWindow::backupStreamTexts(TTreeNode* node, std::wstring& name, std::wstring& path) {
    const TRowData* row = tree.getNodeData<TRowData>(node);
    name = row->name;
    path = row->path;
}
void TBackupWindow::backupStarting(const TBackupRunState& /*state*/) {
    tree.beginUpdate();
    events.push_back(L"starting");
}
void TBackupWindow::backupStreamStarting(const std::wstring& /*line1*/, const std::wstring& /*line2*/) {
    events.push_back(L"stream");
}
void TBackupWindow::backupProgress(const TBackupRunState& /*state*/) {
    events.push_back(L"progress");
}
void TBackupWindow::backupFinished(const TBackupRunState& state) {
    if (tree.updating()) {
        tree.endUpdate();
    }
    finalState = state;
    ++finished;
    events.push_back(L"finished");
}

void TBackupWindow::addRows(const std::vector<TStreamRow>& rows) {
    TTreeNode* fileNode = nullptr;
    std::wstring lastFile;
    for (const TStreamRow& row : rows) {
        if (fileNode == nullptr || row.file != lastFile) {
            fileNode = tree.addChild(nullptr);
            *tree.getNodeData<TRowData>(fileNode) = TRowData{row.file, L""};
            lastFile = row.file;
        }
        TTreeNode* streamNode = tree.addChild(fileNode);
        *tree.getNodeData<TRowData>(streamNode) = TRowData{row.name, row.streamPath()};
    }
}

void TBackupWindow::uncheck(const std::wstring& streamPath) {
    for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
        if (tree.getNodeData<TRowData>(node)->path == streamPath) {
            tree.setCheckState(node, TCheckState::csUncheckedNormal);
            return;
        }
    }
    throw std::invalid_argument("no row " + narrow(streamPath));
}

std::vector<std::wstring> TBackupWindow::streamPaths() const {
    std::vector<std::wstring> paths;
    for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
        if (tree.getNodeLevel(node) >= 1) {
            paths.push_back(tree.getNodeData<TRowData>(node)->path);
        }
    }
    return paths;
}

std::vector<std::wstring> TBackupWindow::checkedStreamPaths() const {
    std::vector<std::wstring> paths;
    for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
        if (tree.getNodeLevel(node) >= 1 && tree.checkState(node) == TCheckState::csCheckedNormal) {
            paths.push_back(tree.getNodeData<TRowData>(node)->path);
        }
    }
    return paths;
}

std::vector<std::wstring> TBackupWindow::filePaths() const {
    std::vector<std::wstring> paths;
    for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
        if (tree.getNodeLevel(node) == 0) {
            paths.push_back(tree.getNodeData<TRowData>(node)->name);
        }
    }
    return paths;
}

// ---- The world of one run.

TWorld::TWorld(bool streamFunctions, bool filled) {
    if (filled) {
        fillFixture(store);
    }
    store.setStreamFunctionsAvailable(streamFunctions);
    installFileServices(&store);
    installShellServices(&shell);
    installControlBackend(&backend);
    ui = std::make_unique<TStandInUiThread>();
    installUiDispatcher(ui.get());
}

TWorld::~TWorld() {
    installUiDispatcher(nullptr);
    ui.reset();
    installControlBackend(nullptr);
    installShellServices(nullptr);
    installFileServices(nullptr);
}

namespace {

TScanOutcome runScan(TScanFileSystemMode mode, const std::wstring& path, bool includeZone,
                     std::chrono::milliseconds timeout) {
    TScanWindow window;
    testsupport::TDoneSignal destroyed;
    auto* thread = new TWatchedScan(window, destroyed);
    thread->setFreeOnTerminate(true);
    thread->setPriority(tpHighest);
    thread->setScanMode(mode);
    thread->setPath(path);
    thread->setWildcard(L"*.*");
    thread->setRecursive(true);
    thread->setPreviewLen(30);
    thread->setIncludeZone(includeZone);
    thread->Start();
    window.outcome.ended = destroyed.waitFor(timeout);
    if (!window.outcome.ended) {
        // The thread still runs and uses the window: waiting longer is all that is safe.
        destroyed.waitFor(std::chrono::minutes(5));
    }
    return window.outcome;
}

} // namespace

TScanOutcome TWorld::scanFullSystem(std::chrono::milliseconds timeout) {
    return runScan(smFull, L"", false, timeout);
}

TScanOutcome TWorld::scanFolder(const std::wstring& folder, bool includeZone) {
    return runScan(smTargetPath, folder, includeZone, std::chrono::seconds(30));
}

bool TWorld::runBackup(TBackupWindow& window, const std::wstring& destination,
                       std::chrono::milliseconds timeout) {
    testsupport::TDoneSignal destroyed;
    auto* thread = new TWatchedBackup(window, destroyed);
    thread->setFreeOnTerminate(true);
    thread->setPriority(tpHighest);
    thread->setBackupVST(!destination.empty());
    thread->setDestPath(destination);
    thread->Start();
    if (destroyed.waitFor(timeout)) {
        return true;
    }
    destroyed.waitFor(std::chrono::minutes(5));
    return false;
}

DWORD realisticError(const plat::store::TLoggedCall& call) {
    switch (call.call) {
    case TCall::CreateFileW:
        if (call.path.rfind(kDestination, 0) == 0) {
            return ERROR_DISK_FULL; // no room left for a new file's record
        }
        // A stream held open by another program; a file the user may not read.
        return call.path.find(L':', 2) != std::wstring::npos ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED;
    case TCall::WriteFile:
        return ERROR_DISK_FULL;
    case TCall::DeleteFileW:
        return ERROR_SHARING_VIOLATION; // the stream is in use
    case TCall::FindFirstFileW:
    case TCall::CreateDirectoryW:
    case TCall::RemoveDirectoryW:
    case TCall::MoveFileExW:
        return ERROR_ACCESS_DENIED;
    case TCall::FindFirstStreamW:
        return ERROR_SHARING_VIOLATION;
    case TCall::GetFileAttributesW:
    case TCall::GetFileAttributesExW:
        return ERROR_FILE_NOT_FOUND; // gone since it was listed
    case TCall::FindNextFileW:
    case TCall::FindNextStreamW:
    case TCall::ReadFile:
    case TCall::SetFilePointer:
    case TCall::BackupRead:
    case TCall::BackupSeek:
    case TCall::GetFileInformationByHandle:
    case TCall::GetVolumeInformationW:
    case TCall::GetDriveTypeW:
    case TCall::GetLogicalDrives:
    case TCall::GetWindowsDirectoryW:
        return ERROR_NOT_READY; // the medium was removed
    case TCall::CloseHandle:
    case TCall::FindClose:
        return ERROR_INVALID_HANDLE;
    case TCall::FileTimeToSystemTime:
    case TCall::SetErrorMode:
        return ERROR_INVALID_PARAMETER;
    case TCall::Wow64DisableWow64FsRedirection:
    case TCall::Wow64EnableWow64FsRedirection:
        return ERROR_NOT_SUPPORTED;
    }
    return ERROR_ACCESS_DENIED;
}

} // namespace robust
