#include "scan/UntScanFileSystemThread.h"

#include "platform/FileServices.h"
#include "platform/Owned.h"
#include "platform/ScopedModes.h"
#include "platform/ShownName.h"
#include "platform/WinPath.h"
#include "platform/ntfs/NtfsDirectDrive.h"
#include "report/StreamFacts.h"
#include "report/ZoneIdentifier.h"
#include "system/UntKorvaneLib.h"

#include <cstring>
#include <exception>
#include <new>

namespace {

// Progress is reported once per this many files of the reporting pass.
constexpr std::int32_t kProgressEvery = 50;
// Download marks below this size are left out unless the user asked for them (those that decode as one).
constexpr std::int64_t kSmallDownloadMark = 100;

// The path of a folder as its row shows it and its streams are reached: without the trailing
// delimiter, except for a drive's root ("C:\", whose streams are "C:\:name").
std::wstring folderRowName(const std::wstring& folder) {
    if (folder.size() > 3 && folder.back() == L'\\') {
        return folder.substr(0, folder.size() - 1);
    }
    return folder;
}

bool folderExists(const std::wstring& path) {
    const plat::DWORD attributes = plat::files().GetFileAttributesW(plat::exactPath(path).c_str());
    return attributes != plat::INVALID_FILE_ATTRIBUTES && (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring withDelimiter(const std::wstring& path) {
    if (!path.empty() && path.back() == L'\\') {
        return path;
    }
    return path + L'\\';
}

// The name of a directory entry, up to its NUL.
std::wstring entryName(const plat::WIN32_FIND_DATAW& data) {
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(plat::MAX_PATH) && data.cFileName[length] != L'\0') {
        ++length;
    }
    return std::wstring(data.cFileName, length);
}

// The stream name with the letters a to z upper-cased (and nothing else).
bool isDownloadMarkName(const std::wstring& name) {
    static const std::wstring mark = L"ZONE.IDENTIFIER";
    if (name.size() != mark.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t c =
            (name[i] >= L'a' && name[i] <= L'z') ? static_cast<wchar_t>(name[i] - L'a' + L'A') : name[i];
        if (c != mark[i]) {
            return false;
        }
    }
    return true;
}

// The entries of one directory search, in its order: all at once from the catalogue the services
// hold, or one by one through FindFirstFileW and FindNextFileW (the search closed when this ends).
class TFolderSearch {
public:
    TFolderSearch(plat::TFileServices& fs, const std::wstring& pattern) : FServices(fs) {
        const plat::TFolderListing listing = fs.listFolder(pattern.c_str(), FListed);
        if (listing == plat::TFolderListing::notOffered) {
            FFind = plat::TFindHandle(fs.FindFirstFileW(pattern.c_str(), &FData));
            FFirstPending = FFind.valid();
        }
        if (listing == plat::TFolderListing::failed ||
            (listing == plat::TFolderListing::notOffered && !FFind)) {
            // No entry matching the pattern is an empty answer, not a failure.
            const plat::DWORD error = fs.GetLastError();
            if (error != plat::ERROR_FILE_NOT_FOUND && error != plat::ERROR_NO_MORE_FILES) {
                FError = error;
            }
        }
    }
    TFolderSearch(const TFolderSearch&) = delete;
    TFolderSearch& operator=(const TFolderSearch&) = delete;

    // Why the folder could not be listed (access denied, say); 0 when it was.
    plat::DWORD error() const { return FError; }

    // The next entry; null after the last.
    const plat::TFolderEntry* next() {
        if (!FFind) {
            return FNext < FListed.size() ? &FListed[FNext++] : nullptr;
        }
        if (!FFirstPending && FServices.FindNextFileW(FFind.get(), &FData) == plat::FALSE) {
            return nullptr;
        }
        FFirstPending = false;
        FSearched.name = entryName(FData);
        FSearched.attributes = FData.dwFileAttributes;
        return &FSearched;
    }

private:
    plat::TFileServices& FServices;
    std::vector<plat::TFolderEntry> FListed;
    std::size_t FNext = 0;
    plat::TFindHandle FFind;
    plat::WIN32_FIND_DATAW FData{};
    bool FFirstPending = false;
    plat::TFolderEntry FSearched; // streams unknown: the file is asked
    plat::DWORD FError = 0;
};

// Empties the stream list when the inspection of a file ends, whichever way it ends.
class TListEmptier {
public:
    explicit TListEmptier(TADSList& list) : FList(list) {}
    ~TListEmptier() { FList.clear(); }
    TListEmptier(const TListEmptier&) = delete;
    TListEmptier& operator=(const TListEmptier&) = delete;

private:
    TADSList& FList;
};

} // namespace

TScanFileSystem::TScanFileSystem(TScanNotifications& notifications) : FNotifications(notifications) {}

void TScanFileSystem::Execute() {
    // A 32-bit scan must see the real system folder; switched back on when the body ends, on every path.
    plat::TRedirectionOff redirectionOff;
    FCount = 0;
    FSlowMe = 0;
    FFoundResults = 0;
    FLastFoundResultsCheck = 0;
    FADSList.clear();
    FWalkPath.clear();
    std::vector<std::wstring> driveList;
    try {
        if (openImage()) {
            driveList = rootList();
            Synchronize([&] { FNotifications.scanStarting(driveList); });
            for (std::size_t n = 0; n < driveList.size(); ++n) {
                scanRoot(driveList, static_cast<int>(n));
            }
        }
    } catch (...) {
        // An error (for example one raised in a notification) ends the walk; the end is reported all the
        // same.
    }
    try {
        Synchronize([&] { FNotifications.scanFinished(Terminated(), FFoundResults); });
    } catch (...) {
        // Nothing is left to report it to.
    }
    FADSList.clear();
}

bool TScanFileSystem::openImage() {
    if (FScanMode != smImage || !FOpenImage) {
        return true;
    }
    Synchronize([&] { FNotifications.imageOpening(FPath); });
    TImageOpening opening = FOpenImage(stopFlag());
    if (Terminated()) {
        return false;
    }
    FImageRoots = std::move(opening.roots);
    opening.roots.clear();
    Synchronize([&] { FNotifications.imageOpened(opening); });
    return opening.error.empty();
}

std::vector<std::wstring> TScanFileSystem::rootList() const {
    if (FScanMode == smImage) {
        std::vector<std::wstring> roots;
        for (const TImageScanRoot& image : FImageRoots) {
            roots.push_back(image.root);
        }
        return roots;
    }
    if (FScanMode != smFull) {
        return {FPath};
    }
    std::vector<std::wstring> roots;
    const std::wstring lines = getFixedAndRemovableDrives();
    std::size_t start = 0;
    for (std::size_t end = lines.find(L"\r\n"); end != std::wstring::npos; end = lines.find(L"\r\n", start)) {
        roots.push_back(lines.substr(start, end - start));
        start = end + 2;
    }
    return roots;
}

void TScanFileSystem::scanRoot(const std::vector<std::wstring>& driveList, int n) {
    FCurDrive = withDelimiter(driveList[static_cast<std::size_t>(n)]);
    if (getFileSystemName(FCurDrive[0]) != L"NTFS") {
        return;
    }
    FCurDriveLabel = FScanMode == smTargetPath ? FPath
                     : FScanMode == smImage    ? FImageRoots[static_cast<std::size_t>(n)].label
                                               : driveLabel();
    Synchronize([&] { FNotifications.driveInitializing(FCurDriveLabel); });

    // A root read directly is read so by this thread alone: the window's own reads (previews, sizes,
    // saving and deleting afterwards) go through the installed services as after a walk.
    std::shared_ptr<plat::ntfs::TDirectDrive> direct;
    std::uint64_t damagedRecords =
        FScanMode == smImage ? FImageRoots[static_cast<std::size_t>(n)].damagedRecords : 0;
    FEscapedNames = false;
    FReportedDirectly.clear();
    // Kept for the rows of names Windows cannot open, as long as the drive listed one.
    struct TLetGoUnused {
        TScanFileSystem& scan;
        bool kept = false;
        ~TLetGoUnused() {
            if (kept && !scan.FEscapedNames) {
                scan.FKeepDirect(scan.FCurDrive[0], nullptr);
            }
        }
    } letGoUnused{*this};
    if (FDirect) {
        direct = std::make_shared<plat::ntfs::TDirectDrive>(plat::files(), FCurDrive[0], &stopFlag());
        if (Terminated()) {
            return; // stopped while the drive's catalogue loaded
        }
        if (direct->opened()) {
            damagedRecords = direct->damagedRecords();
            if (FKeepDirect) {
                FKeepDirect(FCurDrive[0], direct);
                letGoUnused.kept = true;
            }
            if (damagedRecords > 0) {
                Synchronize([&] { FNotifications.damagedRecordsSkipped(FCurDriveLabel, damagedRecords); });
            }
            const std::optional<std::wstring> failure = walkDirectly(*direct, n);
            if (!failure) {
                return;
            }
            // What was reported stays, and the walk reports the rest: the root starts again.
            Synchronize([&] { FNotifications.driveInitializing(FCurDriveLabel); });
            Synchronize([&] { FNotifications.directReadFailed(FCurDrive, *failure); });
            walk(n);
            return;
        }
        Synchronize([&] { FNotifications.directReadFailed(FCurDrive, direct->failure()); });
    }

    if (damagedRecords > 0) {
        Synchronize([&] { FNotifications.damagedRecordsSkipped(FCurDriveLabel, damagedRecords); });
    }
    walk(n);
}

std::optional<std::wstring> TScanFileSystem::walkDirectly(plat::ntfs::TDirectDrive& direct, int n) {
    const std::wstring device = std::wstring(L"\\\\.\\") + FCurDrive[0] + L':';
    plat::TThreadFileServices readingDirectly(direct.services());
    FReadingDirectly = &direct;
    struct TDone {
        TScanFileSystem& scan;
        ~TDone() { scan.FReadingDirectly = nullptr; }
    } done{*this};
    try {
        walk(n);
        return std::nullopt;
    } catch (const TDirectReadBroken&) {
        return device + L" cannot be read: a read of it failed while it was scanned";
    } catch (const std::bad_alloc&) {
        return device + L" cannot be read: there is not enough memory to scan it";
    } catch (const std::exception& error) {
        return device + L" cannot be read: " +
               std::wstring(error.what(), error.what() + std::strlen(error.what()));
    }
}

void TScanFileSystem::walk(int n) {
    FCount = 0;
    {
        plat::TCriticalErrorsOff errorsOff;
        if (folderExists(FCurDrive)) {
            searchProcess(FCurDrive, true);
        }
    }
    checkDirectRead();
    if (FCount <= 0) {
        return;
    }
    Synchronize([&] { FNotifications.driveCounted(FCount, FCurDrive); });
    Synchronize([&] { FNotifications.driveScanStarting(); });
    {
        plat::TCriticalErrorsOff errorsOff;
        searchProcess(FCurDrive, false);
    }
    checkDirectRead();
    Synchronize([&] { FNotifications.driveDone(n); });
}

void TScanFileSystem::checkDirectRead() const {
    if (FReadingDirectly != nullptr && FReadingDirectly->readFailed()) {
        throw TDirectReadBroken();
    }
}

std::wstring TScanFileSystem::driveLabel() const {
    const plat::UINT type = plat::files().GetDriveTypeW(FCurDrive.c_str());
    const std::wstring typeText = type == plat::DRIVE_REMOVABLE ? L"Removable Drive"
                                  : type == plat::DRIVE_FIXED   ? L"Fixed Drive"
                                                                : L"";
    const std::wstring volumeLabel = getVolumeName(FCurDrive[0]);
    if (isBlank(volumeLabel)) {
        return FCurDrive + L" - " + typeText;
    }
    return volumeLabel + L" (" + FCurDrive + L") - " + typeText;
}

void TScanFileSystem::searchProcess(const std::wstring& path, bool countOnly,
                                    plat::TKnownStreams folderStreams) {
    // The folders being walked are kept on a list of their own, not on this thread's stack, so that no
    // depth of folders can exhaust it: each holds the subfolders it has still to walk, and the length
    // of its path in the path of the deepest one (one path for all, so memory grows with the depth
    // only, not with its square).
    FWalkPath.clear();
    if (Terminated() || !enterFolder(path, countOnly, folderStreams)) {
        FWalkPath.clear();
        return;
    }
    while (!FWalkPath.empty()) {
        if (Terminated()) {
            FWalkPath.clear();
            return;
        }
        TWalkFolder& current = FWalkPath.back();
        if (current.nextSubfolder == current.subfolders.size()) {
            FWalkPath.pop_back(); // walked completely
            continue;
        }
        // The subfolders in listing order, each walked completely before the next; the wildcard never
        // limits the descent.
        const TSubfolder subfolder = current.subfolders[current.nextSubfolder++];
        FPathWalked.resize(current.pathLength); // back from the subfolder walked before
        const std::wstring subfolderPath = FPathWalked + subfolder.name;
        if (!subfolder.walked) {
            askEntry(withDelimiter(subfolderPath), L"", true, countOnly, subfolder.streams);
            continue;
        }
        if (subfolder.link && leadsBackOnWalkPath(subfolderPath)) {
            continue; // a link back to a folder being walked would walk it again and again
        }
        if (!enterFolder(subfolderPath, countOnly, subfolder.streams)) {
            FWalkPath.clear();
            return;
        }
    }
}

bool TScanFileSystem::enterFolder(const std::wstring& path, bool countOnly,
                                  plat::TKnownStreams folderStreams) {
    const std::wstring folder = withDelimiter(path);
    TWalkFolder& walked = FWalkPath.emplace_back();
    FPathWalked = folder;
    walked.pathLength = folder.size();
    plat::TFileServices& fs = plat::files();
    // When the wildcard takes every name, the listing of the files also gives the subfolders, so the
    // folder is listed once instead of twice.
    const bool oneListing = FRecursive && (FWildcard == L"*.*" || FWildcard == L"*");

    // The folder's own streams first, then its files, then its subfolders.
    askEntry(folder, L"", true, countOnly, folderStreams);

    // Every matching entry that is not a folder, hidden and system ones included.
    {
        TFolderSearch search(fs, plat::exactPath(folder + FWildcard));
        if (search.error() != 0 && !countOnly) {
            Synchronize([&] { FNotifications.folderNotListed(folder, search.error()); });
        }
        while (const plat::TFolderEntry* entry = search.next()) {
            if ((entry->attributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0) {
                if (oneListing) {
                    keepSubfolder(*entry, walked.subfolders);
                }
                continue;
            }
            if (Terminated()) {
                return false;
            }
            askEntry(folder, entry->name, false, countOnly, entry->streams, entry->attributes);
        }
    }
    if (FRecursive && !oneListing) {
        TFolderSearch search(fs, plat::exactPath(folder + L"*.*"));
        while (const plat::TFolderEntry* entry = search.next()) {
            keepSubfolder(*entry, walked.subfolders);
        }
    }
    return true;
}

void TScanFileSystem::keepSubfolder(const plat::TFolderEntry& entry,
                                    std::vector<TSubfolder>& subfolders) const {
    const plat::DWORD attributes = entry.attributes;
    if ((attributes & plat::FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return;
    }
    if (entry.name == L"." || entry.name == L"..") {
        return;
    }
    const bool link = (attributes & plat::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    // Unless told to enter them, hidden and system folders (System Volume Information and the like)
    // are not descended, but a stream hidden on one is found: the folder is asked for its own. Such a
    // link is not asked either: asking follows it to its target, which is not walked from here.
    const bool walked = FEnterHiddenFolders ||
                        (attributes & (plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM)) == 0;
    if (!walked && link) {
        return;
    }
    subfolders.push_back({entry.name, link, walked, entry.streams});
}

void TScanFileSystem::askEntry(const std::wstring& folder, const std::wstring& name, bool isFolder,
                               bool countOnly, plat::TKnownStreams streams, plat::DWORD attributes) {
    if (countOnly) {
        ++FCount;
        return;
    }
    if (++FSlowMe >= kProgressEvery) {
        Synchronize([&] {
            FNotifications.scanProgress(FCurDriveLabel, folder, name, FFoundResults, FLastFoundResultsCheck);
        });
        FSlowMe = 0;
    }
    if (streams == plat::TKnownStreams::none) {
        return; // the catalogue says it has none: asking it would list none
    }
    inspect(isFolder ? folderRowName(folder) : folder + name, isFolder, attributes);
}

bool TScanFileSystem::isReportedStream(const std::wstring& name, const TADSObject& ads) const {
    if (FIncludeZone || !isDownloadMarkName(ads.adsName()) || ads.adsSize() >= kSmallDownloadMark) {
        return true;
    }
    // Only a small stream that decodes as a download mark is left out: anything else hidden under the
    // name is listed. One that cannot be read is left out, as every small mark was: a failing read
    // never adds a row.
    const std::optional<std::string> bytes = report::readStreamHead(streamPathOf(name, ads.adsName()));
    return bytes && !report::decodeZoneIdentifier(*bytes).readable;
}

void TScanFileSystem::inspect(const std::wstring& name, bool isFolder, plat::DWORD attributes) {
    if (FReadingDirectly == nullptr && FReportedDirectly.count(name) != 0) {
        return; // reported before the drive's direct read failed
    }
    TListEmptier emptier(FADSList);
    enumFileADS(name, FADSList, attributes);

    // Small download marks are left out one by one; the file or folder is reported when a stream remains.
    std::vector<const TADSObject*> reported;
    for (const TADSObject& ads : FADSList) {
        if (isReportedStream(name, ads)) {
            reported.push_back(&ads);
        }
    }
    if (reported.empty()) {
        checkDirectRead();
        return;
    }

    std::wstring creationStr = L"n/a";
    std::wstring modificationStr = L"n/a";
    TDateTime creation;
    TDateTime lastWrite;
    if (isFolder ? getFolderTimes(name, creation, lastWrite) : getFileTimes(name, creation, lastWrite)) {
        creationStr = fileTimeText(creation);
        modificationStr = fileTimeText(lastWrite);
    }
    // Nothing is reported of what a failing read may have cut short: the walk asks it again.
    checkDirectRead();
    if (FReadingDirectly != nullptr) {
        FReportedDirectly.insert(name);
    }
    // The entry and its streams are reported in one hand-over: the window sees the same calls in the
    // same order, and the scan waits for the UI thread once per entry instead of once per row.
    Synchronize([&] {
        const TScanNode XNode = isFolder ? FNotifications.folderFound(name, creationStr, modificationStr)
                                         : FNotifications.fileFound(name, creationStr, modificationStr);
        FFoundResults += static_cast<std::int64_t>(reported.size());
        FEscapedNames = FEscapedNames || plat::holdsEscapedName(name);
        for (const TADSObject* curAds : reported) {
            FEscapedNames = FEscapedNames || plat::holdsEscapedName(curAds->adsName());
            FNotifications.streamFound(*curAds, name, creationStr, modificationStr, FPreviewLen, XNode);
        }
    });
}

std::optional<TScanFileSystem::TFolderIdentity> TScanFileSystem::folderIdentity(const std::wstring& path) {
    // A folder is opened by its name without the trailing delimiter; a drive root keeps it.
    std::wstring name = path;
    if (name.size() > 3 && name.back() == L'\\') {
        name.pop_back();
    }
    // Backup semantics open the folder itself; a link is followed to its target.
    plat::TFileHandle folder(
        plat::files().CreateFileW(plat::exactPath(name).c_str(), 0,
                                  plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE | plat::FILE_SHARE_DELETE,
                                  nullptr, plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        return std::nullopt;
    }
    plat::BY_HANDLE_FILE_INFORMATION info{};
    if (plat::files().GetFileInformationByHandle(folder.get(), &info) == plat::FALSE) {
        return std::nullopt;
    }
    return TFolderIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

bool TScanFileSystem::leadsBackOnWalkPath(const std::wstring& folderLink) {
    const std::optional<TFolderIdentity> target = folderIdentity(folderLink);
    if (!target) {
        return false; // unknown target: walked as any folder
    }
    for (TWalkFolder& onPath : FWalkPath) {
        if (!onPath.identityRead) {
            onPath.identity = folderIdentity(FPathWalked.substr(0, onPath.pathLength));
            onPath.identityRead = true;
        }
        if (onPath.identity == target) {
            return true;
        }
    }
    return false;
}
