#pragma once
// The file services over NTFS volumes read directly (TNtfsVolume), read only: each volume is a drive
// letter with its label and "NTFS"; directory searches, stream listing, attribute and size queries
// (stream paths too), opening, reading and seeking files and streams, file times and the backup byte
// stream answer as Windows does on a read-only NTFS volume. Writing, deleting and making or removing
// folders answer ERROR_ACCESS_DENIED. Compressed streams (LZNT1, as NTFS makes them) read decoded. A
// stream that is encrypted, or compressed in a way the reader does not decode, is listed with its size
// and reading it fails with ERROR_NOT_SUPPORTED (a damaged one with ERROR_FILE_CORRUPT); the backup
// stream likewise fails when it reaches that stream's data; seeking over it works. Names are listed,
// and taken in paths, in their shown form (platform/ShownName.h), so a file or stream whose name a
// Win32 path cannot hold ("a?b", "Zone.Identifier:x") is listed and opened all the same. Thread safe.

#include "ntfs/NtfsVolume.h"
#include "platform/FileServices.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace plat::ntfs {

// The adapter speaks the engine's types.
using namespace ::ntfs;

class TNtfsFileServices final : public TFileServices {
public:
    TNtfsFileServices();
    ~TNtfsFileServices() override;
    TNtfsFileServices(const TNtfsFileServices&) = delete;
    TNtfsFileServices& operator=(const TNtfsFileServices&) = delete;

    // Puts a volume at a drive letter, replacing what was there. Done before the services are used.
    void mount(wchar_t letter, std::unique_ptr<TNtfsVolume> volume);
    // The path, names in their shown form ("X:\dir\a|3Fb.txt"), at which the file with this MFT record
    // and sequence number lies on the drive; nothing when no file in use has that reference, or the
    // folder tree does not place it (see TNtfsTree::placeOf).
    std::optional<std::wstring> pathOfReference(wchar_t letter, std::uint64_t record, std::uint16_t sequence);
    // Open file handles, searches and backup contexts (every path releases them).
    int openHandles();
    // Whether FindFirstStreamW and FindNextStreamW are offered (as on systems before Vista when not).
    void setStreamFunctionsAvailable(bool available);

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
    bool streamHoles(const wchar_t* streamPath,
                     std::vector<std::pair<std::uint64_t, std::uint64_t>>& holes) override;
    UINT SetErrorMode(UINT mode) override;
    DWORD GetLogicalDrives() override;
    UINT GetDriveTypeW(const wchar_t* root) override;
    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                               DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                               wchar_t* fileSystemName, DWORD fileSystemNameSize) override;
    // "X:\Windows" on the first mounted drive (the volume need not hold it, as for any drive image).
    UINT GetWindowsDirectoryW(wchar_t* buffer, UINT size) override;

    struct TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};

} // namespace plat::ntfs
