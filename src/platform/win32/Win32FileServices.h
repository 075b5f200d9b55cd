#pragma once
// The file services over the real Windows functions. The object is the program's start-up step for
// files: its constructor loads kernel32 and looks up the optional functions (stream listing and the
// redirection switches) once, its destructor frees the library. Create it before any thread starts
// and keep it until the last thread has ended; the looked-up functions never change in between.
//
// Long paths: every path handed in is passed to Windows in the long-path form ("\\?\C:\..." or
// "\\?\UNC\server\share\...") when it is too long for the plain form, so folders deeper than
// MAX_PATH are reached. Paths given back (the Windows folder) stay plain.

#include "platform/FileServices.h"

namespace plat {

class TWin32FileServices final : public TFileServices {
public:
    TWin32FileServices();
    ~TWin32FileServices() override;
    TWin32FileServices(const TWin32FileServices&) = delete;
    TWin32FileServices& operator=(const TWin32FileServices&) = delete;

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
    BOOL makeSparse(HANDLE file) override;
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
    UINT SetErrorMode(UINT mode) override;
    DWORD GetLogicalDrives() override;
    UINT GetDriveTypeW(const wchar_t* root) override;
    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                               DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                               wchar_t* fileSystemName, DWORD fileSystemNameSize) override;
    UINT GetWindowsDirectoryW(wchar_t* buffer, UINT size) override;

    // Beyond the program's needs: what the Windows test executable uses to lay out and inspect its
    // content. Same shapes as the Windows functions; paths are made long-path safe as above.
    BOOL SetFileAttributesW(const wchar_t* path, DWORD attributes);
    BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess,
                     const FILETIME* lastWrite);
    DWORD GetTempPathW(DWORD size, wchar_t* buffer);
    // A symbolic link to a file, without the privilege where developer mode allows it; FALSE with
    // ERROR_CALL_NOT_IMPLEMENTED where the system has no such function.
    BOOL CreateSymbolicLinkW(const wchar_t* link, const wchar_t* target);
    // Whether the process runs under Wine (ntdll exports wine_get_version there).
    static bool runningOnWine();

    // The optional kernel32 functions, as looked up at start-up (null where missing).
    struct TOptionalFunctions {
        HANDLE(__stdcall* findFirstStream)(const wchar_t*, int, void*, DWORD) = nullptr;
        BOOL(__stdcall* findNextStream)(HANDLE, void*) = nullptr;
        BOOL(__stdcall* disableRedirection)(void**) = nullptr;
        BOOLEAN(__stdcall* enableRedirection)(BOOLEAN) = nullptr;
    };

private:
    void* const FKernel32; // the library handle LoadLibraryW gave, released in the destructor
    const TOptionalFunctions FOptional;
};

} // namespace plat
