#pragma once
// File services made of two others: every path on one of the first services' drives goes to them,
// every other path (another drive letter, a UNC path, a relative name) to the second. The test build
// of the program puts the simulated store first and the real Windows functions second: the streams
// it lists come from the store, while the copies it saves into a folder of a real drive (Wine's Z:,
// say) land on the disk, where they can be read back.
//
// To the program the two look like one:
// - the drive list and the optional functions are those of the first (the volumes it scans), or,
//   when asked, the drive list, the Windows folder and the redirection those of the second;
// - the handles are the router's own, each leading to the services that opened it, so two services
//   that happen to give the same handle value never mix;
// - the last error is one per thread, whichever services set it last, as on Windows.

#include "platform/FileServices.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace plat {

// The drive letter, in upper case, that a path names: "C:\x", "c:x", "\\?\C:\x", "\\.\C:",
// "\??\C:\x"; 0 for a null, relative, rooted ("\x"), UNC or volume path.
wchar_t pathDriveLetter(const wchar_t* path);

class TRoutedFileServices final : public TFileServices {
public:
    // drives: the services for their own drives (those GetLogicalDrives gives now); rest: for every
    // other path. Both must outlive this object.
    TRoutedFileServices(TFileServices& drives, TFileServices& rest);
    // The same, with the queries that name no volume (the drive list, the Windows folder, the
    // redirection switches) answered by rest: a few drives read another way, among the system's own.
    enum class TSystemQueries { drives, rest };
    TRoutedFileServices(TFileServices& drives, TFileServices& rest, TSystemQueries systemQueries);
    // The same, with only the paths on those drives that pass the test going to drives (the system's
    // queries answered by rest).
    TRoutedFileServices(TFileServices& drives, TFileServices& rest,
                        std::function<bool(const wchar_t*)> takes);
    TRoutedFileServices(const TRoutedFileServices&) = delete;
    TRoutedFileServices& operator=(const TRoutedFileServices&) = delete;

    // The services a path goes to.
    TFileServices& servicesFor(const wchar_t* path);

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
    // What a router handle stands for.
    struct TTarget {
        TFileServices* services = nullptr; // null: not a handle the router gave, or closed
        HANDLE handle = nullptr;
    };

    // Runs one call on the services with the thread's last error carried in and out.
    template <typename Call> auto forward(TFileServices& services, Call&& call);
    HANDLE opened(TFileServices& services, HANDLE handle);
    TTarget target(HANDLE handle);
    BOOL closeWith(HANDLE handle, BOOL (TFileServices::*close)(HANDLE));
    BOOL invalidHandle();

    TFileServices& FDrives;
    TFileServices& FRest;
    TFileServices& FSystem; // answers the queries that name no volume
    const DWORD FDriveMask;
    const std::function<bool(const wchar_t*)> FTakes; // empty: every path on the drives
    std::mutex FLock; // guards the two below: the handles are used by several threads
    std::unordered_map<std::uintptr_t, TTarget> FHandles;
    std::uintptr_t FNextHandle;
};

} // namespace plat
