#pragma once
// The window's file services with a disk image's volumes beside the live drives. Installed once at
// start-up in front of the live services; an image scan attaches the image's volumes at drive letters
// no live drive has (from Z: down), and the next attach replaces them. Paths on those letters go to
// the NTFS reader (read only), every other path to the live services, from any thread: the scan
// thread walks the image, the UI thread reads previews, the backup thread copies from it into real
// folders.
//
// The rows never show those letters: a path inside an image shows as its volume's name, then the
// path inside the volume ("evidence.dd [2]\Users\Ann\report.docx:payload"). shownPath and readerPath
// turn one form into the other, and are the only place that does.
//
// A path on a live drive that holds a name written with the escape (ShownName.h) names a file Windows
// cannot open: only a direct read lists it. Such a path goes to the drive's raw volume read by the NTFS
// engine, the one the direct scan read (keepDirect), until the next attach or detach; every other path
// on that drive still goes to the live services, and so does such a path when no drive is kept for it
// (they refuse it).
//
// The drive list, the Windows folder, the error mode and the optional functions are the live ones.
// Handles are this object's own (TFileRouter), each leading to the services that opened it; a handle
// opened on an image keeps that image's reader alive until it is closed, even after the next attach.

#include "platform/FileRouter.h"
#include "platform/ntfs/NtfsImageVolumes.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace plat::ntfs {

class TNtfsFileServices;
class TDirectDrive;

// One attached volume: where the scan walks it, and what its rows show.
struct TImageRoot {
    std::wstring root;   // "Y:\"
    std::wstring source; // "evidence.dd [2]"
};

class TImageDriveServices final : public TFileRouter {
public:
    // live: the system's services (or a test's); must outlive this object.
    explicit TImageDriveServices(TFileServices& live);
    ~TImageDriveServices() override;
    TImageDriveServices(const TImageDriveServices&) = delete;
    TImageDriveServices& operator=(const TImageDriveServices&) = delete;

    // Puts the volumes at free drive letters in their order, replacing any image attached before.
    // Answers where each went; volumes beyond the free letters are left out (the answer is shorter).
    std::vector<TImageRoot> attach(std::vector<TImageVolume> volumes);
    // How many volumes the next attach can place: the letters no live drive has now.
    std::size_t freeLetters();
    // The drive with this letter read directly by a scan, for its paths that hold an escaped name;
    // null lets it go. Any thread.
    void keepDirect(wchar_t letter, std::shared_ptr<TDirectDrive> drive);
    // Takes the attached volumes away (a scan of live drives follows), and the drives kept.
    void detach();

    // "Y:\Users\a.txt:s" -> "evidence.dd [2]\Users\a.txt:s" for a path on an attached volume; any
    // other path as it is.
    std::wstring shownPath(const std::wstring& path) const;
    // The reverse: the path the services open for a row's path inside an attached image; nothing
    // for a path that is not inside one.
    std::optional<std::wstring> readerPath(const std::wstring& shown) const;

    // The calls that name no path: the live services'.
    bool hasStreamFunctions() override;
    bool hasRedirectionFunctions() override;
    BOOL Wow64DisableWow64FsRedirection(void** oldValue) override;
    BOOLEAN Wow64EnableWow64FsRedirection(BOOLEAN enable) override;
    BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) override;
    UINT SetErrorMode(UINT mode) override;
    DWORD GetLogicalDrives() override;
    UINT GetWindowsDirectoryW(wchar_t* buffer, UINT size) override;

private:
    // An attached volume's reader, a kept drive's services (each kept alive while used), or the live
    // services.
    TRoute route(const wchar_t* path) override;
    bool takenByLive(wchar_t letter);

    TFileServices& FLive;
    mutable std::mutex FLock; // guards everything below: every thread routes through here
    std::shared_ptr<TNtfsFileServices> FReader;
    std::vector<TImageRoot> FRoots;
    DWORD FImageMask = 0;
    std::map<wchar_t, std::shared_ptr<TDirectDrive>> FDirect; // opened drives only
};

} // namespace plat::ntfs
