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
// Handles are this object's own, each leading to the services that opened it; a handle opened on an
// image keeps that image's reader alive until it is closed, even after the next attach.

#include "platform/FileServices.h"
#include "platform/ntfs/NtfsImageVolumes.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat::ntfs {

class TNtfsFileServices;
class TDirectDrive;

// One attached volume: where the scan walks it, and what its rows show.
struct TImageRoot {
    std::wstring root;   // "Y:\"
    std::wstring source; // "evidence.dd [2]"
};

class TImageDriveServices final : public TFileServices {
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
    // Handles opened through this object and not yet closed.
    std::size_t openHandles();

    DWORD GetLastError() override;
    void SetLastError(DWORD code) override;
    bool hasStreamFunctions() override;
    HANDLE FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                            DWORD flags) override;
    BOOL FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) override;
    bool hasRedirectionFunctions() override;
    BOOL Wow64DisableWow64FsRedirection(void** oldValue) override;
    BOOLEAN Wow64EnableWow64FsRedirection(BOOLEAN enable) override;
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security, DWORD disposition,
                       DWORD flags, HANDLE templateFile) override;
    BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) override;
    BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped) override;
    DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) override;
    BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) override;
    DWORD GetFileAttributesW(const wchar_t* path) override;
    BOOL GetFileAttributesExW(const wchar_t* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data) override;
    BOOL DeleteFileW(const wchar_t* path) override;
    BOOL CreateDirectoryW(const wchar_t* path, void* security) override;
    BOOL RemoveDirectoryW(const wchar_t* path) override;
    BOOL MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) override;
    BOOL BackupRead(HANDLE file, BYTE* buffer, DWORD toRead, DWORD* read, BOOL abort, BOOL processSecurity,
                    void** context) override;
    BOOL BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek, DWORD* lowSeeked,
                    DWORD* highSeeked, void** context) override;
    HANDLE FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data) override;
    BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) override;
    BOOL FindClose(HANDLE find) override;
    TFolderListing listFolder(const wchar_t* pattern, std::vector<TFolderEntry>& entries) override;
    bool streamRecord(const wchar_t* streamPath, TStreamRecord& record) override;
    UINT SetErrorMode(UINT mode) override;
    DWORD GetLogicalDrives() override;
    UINT GetDriveTypeW(const wchar_t* root) override;
    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                               DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                               wchar_t* fileSystemName, DWORD fileSystemNameSize) override;
    UINT GetWindowsDirectoryW(wchar_t* buffer, UINT size) override;

private:
    // The services a path or handle leads to; owner keeps an image's reader alive while it is used.
    struct TRoute {
        std::shared_ptr<TFileServices> owner; // null for the live services
        TFileServices* services = nullptr;    // null: no such handle
        HANDLE handle = nullptr;
    };

    TRoute routeFor(const wchar_t* path);
    bool takenByLive(wchar_t letter);
    template <typename Call> auto forward(TFileServices& services, Call&& call);
    HANDLE opened(const TRoute& route, HANDLE handle);
    TRoute target(HANDLE handle);
    BOOL closeWith(HANDLE handle, BOOL (TFileServices::*close)(HANDLE));
    BOOL invalidHandle();

    TFileServices& FLive;
    mutable std::mutex FLock; // guards everything below: every thread routes through here
    std::shared_ptr<TNtfsFileServices> FReader;
    std::vector<TImageRoot> FRoots;
    DWORD FImageMask = 0;
    std::unordered_map<std::uintptr_t, TRoute> FHandles;
    std::uintptr_t FNextHandle;
    std::map<wchar_t, std::shared_ptr<TDirectDrive>> FDirect; // opened drives only
};

} // namespace plat::ntfs
