#pragma once
// The file services over the local POSIX file system, for what the console tool writes on Linux:
// the files it saves streams into. A rooted path ("\tmp\out\name") is the POSIX path with "/" for
// each "\". Creating, reading, writing, closing, deleting files, attribute and size queries answer
// as Windows does; everything else (streams, searches, volumes, backup) fails with
// ERROR_NOT_SUPPORTED. Thread safe.

#include "platform/FileServices.h"

#include <string>

namespace plat {

// The POSIX path for a rooted path of these services, and back.
std::string posixPath(const wchar_t* path);
std::wstring rootedPath(const std::string& posix);

class TPosixFileServices final : public TFileServices {
public:
    DWORD GetLastError() override;
    void SetLastError(DWORD code) override;
    bool hasStreamFunctions() override { return false; }
    HANDLE FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                            DWORD flags) override;
    BOOL FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) override;
    bool hasRedirectionFunctions() override { return false; }
    BOOL Wow64DisableWow64FsRedirection(void** oldValue) override;
    BOOLEAN Wow64EnableWow64FsRedirection(BOOLEAN enable) override;
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security, DWORD disposition,
                       DWORD flags, HANDLE templateFile) override;
    BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) override;
    BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped) override;
    DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) override;
    // Linux file systems leave a range sought over unwritten as a hole already (those that keep holes).
    BOOL makeSparse(HANDLE) override { return TRUE; }
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
    UINT SetErrorMode(UINT mode) override { return mode; }
    DWORD GetLogicalDrives() override { return 0; }
    UINT GetDriveTypeW(const wchar_t* root) override;
    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                               DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                               wchar_t* fileSystemName, DWORD fileSystemNameSize) override;
    UINT GetWindowsDirectoryW(wchar_t* buffer, UINT size) override;
};

} // namespace plat
