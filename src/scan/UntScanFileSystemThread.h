#pragma once
// The scan thread: walks every root of its scope, counts the files that match the wildcard and the
// folders, then inspects each of them for alternate streams (a folder, a drive's root folder too,
// can carry them) and hands every finding and progress step to the main window through
// notifications run on the UI thread while the scan waits.

#include "platform/FileServices.h"
#include "platform/Thread.h"
#include "platform/WinTypes.h"
#include "stream/UntKorvaneLib.h"

namespace plat::ntfs {
class TDirectDrive;
}

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

enum TScanFileSystemMode {
    smFull = 0,        // every NTFS fixed or removable drive
    smTargetDrive = 1, // one drive root, for example E:\ (path)
    smTargetPath = 2,  // one folder (path)
    smImage = 3,       // the NTFS volumes of a disk image, each at a drive letter (imageRoots)
};

// A volume of a disk image to be scanned: its root ("Y:\"), the name messages give it
// ("evidence.dd [2]") and what the reader skipped when it loaded the volume's catalogue.
struct TImageScanRoot {
    std::wstring root;
    std::wstring label;
    std::uint64_t damagedRecords = 0; // records of its master file table the reader skipped as damaged
};

// What opening a disk image gave, on the scan thread: the volumes to scan and what the user hears
// before they are scanned.
struct TImageOpening {
    std::vector<TImageScanRoot> roots;
    std::vector<std::wstring> unreadPartitions; // NTFS partitions that cannot be read ("partition 3: why")
    std::vector<std::wstring> leftOut;          // volumes left out for want of a free drive letter
    std::wstring damage;                        // what of the container itself could not be read
    std::wstring error;                         // nothing can be scanned: why, naming the image
};

// A node of the window's results tree, as the window hands it out; the scan only passes it back.
using TScanNode = void*;

// What the window does at each point of a scan. Every method runs on the UI thread while the scan
// thread waits for it; each receives exactly what it reads of the scan.
class TScanNotifications {
public:
    virtual ~TScanNotifications() = default;

    // An image scan, first: the image (FPath) is being opened and its volumes' catalogues read.
    virtual void imageOpening(const std::wstring& image) { (void)image; }
    // Then, unless the scan was stopped meanwhile, what the opening gave; with an error nothing is
    // scanned and scanFinished follows.
    virtual void imageOpened(const TImageOpening& opening) { (void)opening; }
    // Once, before the first root: the roots to be scanned.
    virtual void scanStarting(const std::vector<std::wstring>& driveList) = 0;
    // Each NTFS root, before its counting pass.
    virtual void driveInitializing(const std::wstring& curDriveLabel) = 0;
    // After a counting pass that found something to ask: the number of files and folders to be asked
    // for streams (the progress bar's maximum) and the root (with its trailing "\").
    virtual void driveCounted(std::int64_t count, const std::wstring& curDrive) = 0;
    // Right after driveCounted.
    virtual void driveScanStarting() = 0;
    // Every 50th file or folder of the reporting pass, before it is inspected: the folder (with its
    // trailing "\") and the entry name of that file (empty for the folder itself). The window sets
    // lastFoundResultsCheck to foundResults when it rewrites its count text.
    virtual void scanProgress(const std::wstring& curDriveLabel, const std::wstring& folderPath,
                              const std::wstring& entryName, std::int64_t foundResults,
                              std::int64_t& lastFoundResultsCheck) = 0;
    // Each reported file, before its streams: answers the file's node.
    virtual TScanNode fileFound(const std::wstring& fileName, const std::wstring& creationStr,
                                const std::wstring& modificationStr) = 0;
    // Each reported folder (the scanned folder and drive roots included), before its files: the
    // folder's path (a drive root keeps its "\"); its streams follow through streamFound under the
    // node answered. A front end that shows folders no differently gets them as files.
    virtual TScanNode folderFound(const std::wstring& folderName, const std::wstring& creationStr,
                                  const std::wstring& modificationStr) {
        return fileFound(folderName, creationStr, modificationStr);
    }
    // Each reported stream of the file or folder, in list order, under its node: answers the stream's node.
    virtual TScanNode streamFound(const TADSObject& curAds, const std::wstring& fileName,
                                  const std::wstring& creationStr, const std::wstring& modificationStr,
                                  std::int32_t previewLen, TScanNode fileNode) = 0;
    // After a root's reporting pass: the root's index in the list of scanStarting.
    virtual void driveDone(int n) = 0;
    // A scan that reads its drives directly could not read this root's raw volume (why: the end of a
    // sentence), right after driveInitializing: the root is walked instead. When the volume fails while
    // the root is walked (a read, or memory, runs out), the root starts again with driveInitializing and
    // this, and the walk reports what the direct read had not yet reported.
    virtual void directReadFailed(const std::wstring& curDrive, const std::wstring& why) {
        (void)curDrive;
        (void)why;
    }
    // A root read through the NTFS engine (a disk image's volume, a drive read directly) whose master
    // file table held records that were skipped as damaged (a torn write, an unreadable sector): what
    // they held is missing from the scan. Right after driveInitializing (and directReadFailed).
    virtual void damagedRecordsSkipped(const std::wstring& curDriveLabel, std::uint64_t count) {
        (void)curDriveLabel;
        (void)count;
    }
    // A folder (with its trailing "\") whose entries could not be listed (error: the system's error
    // code, such as 5 for access denied): its files and subfolders are missing from the scan. In the
    // reporting pass, after the folder's own streams.
    virtual void folderNotListed(const std::wstring& folder, plat::DWORD error) {
        (void)folder;
        (void)error;
    }
    // Once, last, also after a stop or an error. The thread frees itself right after this returns,
    // so the window drops its reference to it here.
    virtual void scanFinished(bool terminated, std::int64_t foundResults) = 0;
};

class TScanFileSystem : public plat::TThread {
public:
    // Created suspended; the window gives the settings, then starts it.
    explicit TScanFileSystem(TScanNotifications& notifications);

    TScanFileSystemMode scanMode() const { return FScanMode; }
    void setScanMode(TScanFileSystemMode value) { FScanMode = value; }
    const std::wstring& path() const { return FPath; }
    void setPath(std::wstring value) { FPath = std::move(value); }
    const std::wstring& wildcard() const { return FWildcard; }
    void setWildcard(std::wstring value) { FWildcard = std::move(value); }
    bool recursive() const { return FRecursive; }
    void setRecursive(bool value) { FRecursive = value; }
    std::int32_t previewLen() const { return FPreviewLen; }
    void setPreviewLen(std::int32_t value) { FPreviewLen = value; }
    bool includeZone() const { return FIncludeZone; }
    void setIncludeZone(bool value) { FIncludeZone = value; }
    const std::vector<TImageScanRoot>& imageRoots() const { return FImageRoots; }
    void setImageRoots(std::vector<TImageScanRoot> value) { FImageRoots = std::move(value); }
    // An image scan opens its image on this thread, before the first root: the opening's roots
    // replace imageRoots. Given the stop flag, which a long read polls.
    using TOpenImage = std::function<TImageOpening(const std::atomic<bool>& stop)>;
    void setOpenImage(TOpenImage value) { FOpenImage = std::move(value); }
    // Each NTFS root is read through the NTFS engine from its raw volume ("\\.\C:"), on this thread
    // only, and walked when that volume cannot be read (needs administrator rights on Windows).
    bool direct() const { return FDirect; }
    void setDirect(bool value) { FDirect = value; }
    // Given each drive read directly, by letter, as soon as it is read and before its rows: its rows
    // whose names Windows cannot open (written with the escape) are read from it after the scan. Given
    // null after the drive's scan when it listed no such name: nothing needs it any longer.
    using TKeepDirect = std::function<void(wchar_t, std::shared_ptr<plat::ntfs::TDirectDrive>)>;
    void setKeepDirect(TKeepDirect value) { FKeepDirect = std::move(value); }
    // Whether hidden and system folders are walked as any other (evidence: images, block devices,
    // the console tool) or only asked for their own streams (the window's walk of live drives).
    bool enterHiddenFolders() const { return FEnterHiddenFolders; }
    void setEnterHiddenFolders(bool value) { FEnterHiddenFolders = value; }

protected:
    void Execute() override;

    // The walk of one folder and everything below it, depth first: the counting pass (countOnly) or
    // the reporting pass. folderStreams: what the listing that found the folder knew of its own streams.
    void searchProcess(const std::wstring& path, bool countOnly,
                       plat::TKnownStreams folderStreams = plat::TKnownStreams::unknown);

private:
    // Which folder a path leads to, whatever links it goes through: volume and file index.
    struct TFolderIdentity {
        plat::DWORD volume = 0;
        plat::DWORD indexHigh = 0;
        plat::DWORD indexLow = 0;
        bool operator==(const TFolderIdentity&) const = default;
    };
    static std::optional<TFolderIdentity> folderIdentity(const std::wstring& path);
    // A subfolder to be walked, or only asked for its own streams, once the folder's files are done.
    struct TSubfolder {
        std::wstring name;
        bool link = false;   // a reparse point: a junction or a symbolic link
        bool walked = false; // false: hidden or system, asked but not descended
        plat::TKnownStreams streams = plat::TKnownStreams::unknown;
    };
    void keepSubfolder(const plat::TFolderEntry& entry, std::vector<TSubfolder>& subfolders) const;
    // A folder of the current walk path: its subfolders still to walk, and its identity, read only when
    // a folder link needs it.
    struct TWalkFolder {
        std::size_t pathLength = 0; // of FPathWalked, up to this folder's trailing "\"
        std::vector<TSubfolder> subfolders;
        std::size_t nextSubfolder = 0;
        bool identityRead = false;
        std::optional<TFolderIdentity> identity;
    };
    // Puts the folder on the walk path, asks it and its files and lists its subfolders; false when the
    // scan was stopped meanwhile.
    bool enterFolder(const std::wstring& path, bool countOnly, plat::TKnownStreams folderStreams);

    // Opens the image when there is an opener; false when nothing is to be scanned.
    bool openImage();
    std::vector<std::wstring> rootList() const;
    void scanRoot(const std::vector<std::wstring>& driveList, int n);
    // The counting and reporting passes of the current root (n: its index in the list of roots).
    void walk(int n);
    // walk() through the drive's raw volume; why the direct read failed when it did (a read of the
    // device, or memory, ran out while walking): then what it reported stays reported.
    std::optional<std::wstring> walkDirectly(plat::ntfs::TDirectDrive& direct, int n);
    // Raised while walking directly once a read of the raw volume has failed.
    struct TDirectReadBroken {};
    void checkDirectRead() const;
    std::wstring driveLabel() const;
    // One file or folder to be asked for streams: counted, or reported after the progress step.
    // name is the file's entry name, empty for the folder itself (folder, with its trailing "\\").
    // One the listing knows to have no named streams is not asked. attributes are the entry's as the
    // listing gave them (INVALID_FILE_ATTRIBUTES when not known): a link is asked for its own streams.
    void askEntry(const std::wstring& folder, const std::wstring& name, bool isFolder, bool countOnly,
                  plat::TKnownStreams streams, plat::DWORD attributes = plat::INVALID_FILE_ATTRIBUTES);
    void inspect(const std::wstring& name, bool isFolder, plat::DWORD attributes);
    // name: the file or folder that carries the stream.
    bool isReportedStream(const std::wstring& name, const TADSObject& ads) const;
    bool leadsBackOnWalkPath(const std::wstring& folderLink);

    TScanNotifications& FNotifications;

    std::int64_t FCount = 0; // files and folders to be asked under the current root
    std::int32_t FSlowMe = 0;
    std::wstring FCurDrive;
    std::wstring FCurDriveLabel;
    TScanFileSystemMode FScanMode = smFull;
    std::wstring FPath;
    std::wstring FWildcard = L"*.*";
    bool FRecursive = true;
    std::int32_t FPreviewLen = 30;
    bool FIncludeZone = false;
    std::vector<TImageScanRoot> FImageRoots;
    TOpenImage FOpenImage;
    bool FDirect = false;
    TKeepDirect FKeepDirect;
    bool FEscapedNames = false; // the current root listed a name written with the escape
    plat::ntfs::TDirectDrive* FReadingDirectly = nullptr; // while walkDirectly runs
    std::unordered_set<std::wstring> FReportedDirectly;   // entries it reported on the current root
    bool FEnterHiddenFolders = false;
    std::int64_t FFoundResults = 0;
    std::int64_t FLastFoundResultsCheck = 0;
    TADSList FADSList;

    std::vector<TWalkFolder> FWalkPath;
    std::wstring FPathWalked; // the path of the deepest folder on the walk path, with its trailing "\"
};
