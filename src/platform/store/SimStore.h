#pragma once
// A simulated NTFS store in memory: drives, folders, files with their main data and named streams,
// attributes, 8.3 short names, times, share modes, access rules and fault injection. It answers the
// file services exactly as Windows would for the same content, so the logic can be tested without
// Windows. Thread safe: the scan and backup threads use it while the test thread does too.
//
// Where Windows versions differ, the store behaves as current NTFS does: share modes are checked per
// stream (the file's main data and each named stream apart); deleting a file removes its name at once
// while open handles keep working on its data; overwriting a file's main data (CREATE_ALWAYS,
// TRUNCATE_EXISTING) removes its named streams; a directory search walks the entries in NTFS order
// from where it stands, so entries added behind it are not seen. Names compare through NTFS's
// upper-case table, and a folder's entries and a file's named streams come in NTFS order (by the
// upper-cased names, unit by unit in UTF-16) in searches, stream listings and the backup stream.
// As for a 32-bit process on 64-bit Windows, a path in the system folder (<Windows>\System32) reaches
// the 32-bit one (<Windows>\SysWOW64) while the calling thread's redirection is on, whenever the
// redirection functions are there; set-up and inspection see past it.
// Paths of any length are accepted, as the program's Windows services accept them. A plain path is
// cleaned up as Windows does (trailing dots and spaces of its last name dropped, one trailing dot of
// each folder name, a last name such as "con" or "nul.txt" naming a device, which the store does not
// hold: ERROR_FILE_NOT_FOUND); a "\\?\" path reaches the names as written. The handle values are
// never reused.
// Links (addLink) are followed where Windows follows them: a path that goes on below a link, an open
// without FILE_FLAG_OPEN_REPARSE_POINT and the stream listing reach the target; the attribute
// queries, the directory search's entry, DeleteFileW, RemoveDirectoryW and an open with
// FILE_FLAG_OPEN_REPARSE_POINT reach the link itself, with its own named streams. Following a link
// whose target is missing fails with ERROR_FILE_NOT_FOUND (ERROR_PATH_NOT_FOUND below it), a chain of
// more than 63 links with ERROR_CANT_RESOLVE_FILENAME.

#include "platform/FileServices.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plat::store {

// The kinds of link addLink makes.
enum class TLinkKind { junction, folderSymbolicLink, fileSymbolicLink };

// Every file service, for the call log and fault injection.
enum class TCall {
    FindFirstStreamW,
    FindNextStreamW,
    Wow64DisableWow64FsRedirection,
    Wow64EnableWow64FsRedirection,
    CreateFileW,
    ReadFile,
    WriteFile,
    SetFilePointer,
    CloseHandle,
    GetFileInformationByHandle,
    FileTimeToSystemTime,
    GetFileAttributesW,
    GetFileAttributesExW,
    DeleteFileW,
    CreateDirectoryW,
    RemoveDirectoryW,
    MoveFileExW,
    BackupRead,
    BackupSeek,
    FindFirstFileW,
    FindNextFileW,
    FindClose,
    SetErrorMode,
    GetLogicalDrives,
    GetDriveTypeW,
    GetVolumeInformationW,
    GetWindowsDirectoryW,
};
const char* callName(TCall call);

struct TLoggedCall {
    TCall call;
    std::wstring path;   // the path or pattern the call named, empty for handle calls
    bool failed = false; // an injected fault made this call fail
};

class TSimStore : public TFileServices {
public:
    TSimStore();
    ~TSimStore() override;
    TSimStore(const TSimStore&) = delete;
    TSimStore& operator=(const TSimStore&) = delete;

    // ---- Content. Paths are full Windows paths ("C:\\data\\a.txt"); names compare case-insensitively.
    // Set-up and inspection take every name as written (as after "\\?\"), so that names a plain
    // path cannot reach ("report.", "notes ", "con.txt") can be laid out and looked at.
    // A drive: letter, DRIVE_* type, label, file-system name ("NTFS", "FAT32", empty when unreadable).
    void addDrive(wchar_t letter, UINT driveType, const std::wstring& label, const std::wstring& fileSystem,
                  bool mediaPresent = true);
    void setMediaPresent(wchar_t letter, bool present);
    // Free bytes on a drive; a write past it fails with ERROR_DISK_FULL. Unlimited by default.
    void setFreeSpace(wchar_t letter, std::uint64_t bytes);
    // A folder, with any missing parents.
    void addFolder(const std::wstring& path, DWORD attributes = 0);
    // A file with its main data, with any missing parent folders. Replaces the main data of an existing file.
    void addFile(const std::wstring& path, const std::string& data = {},
                 DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
    // A link to the target (a full path, which need not exist): a junction or folder symbolic link is a
    // folder, a file symbolic link an empty file, each with FILE_ATTRIBUTE_REPARSE_POINT. Its missing
    // parent folders are made; addStream gives the link itself streams of its own.
    void addLink(const std::wstring& path, const std::wstring& target, TLinkKind kind);
    // A named stream of an existing file or folder (replaces the data of a stream of that name).
    void addStream(const std::wstring& path, const std::wstring& streamName, const std::string& data);
    // The logical size of the main data (or of the stream, for "file:stream"): bytes past the data
    // given read as zeros, so sizes past 4 GiB cost no memory.
    void setDataSize(const std::wstring& path, std::uint64_t size);
    void setAttributes(const std::wstring& path, DWORD attributes);
    void setTimes(const std::wstring& path, const FILETIME& creation, const FILETIME& lastAccess,
                  const FILETIME& lastWrite);
    // The 8.3 name is made automatically (NAME~1.EXT) for long names; this sets it explicitly.
    void setShortName(const std::wstring& path, const std::wstring& shortName);
    // Opening this file, folder or stream path fails with ERROR_ACCESS_DENIED (listing it still works).
    void denyAccess(const std::wstring& path, bool deny = true);
    // Another program opens the path with this access and share mode until release(id).
    int holdOpen(const std::wstring& path, DWORD access, DWORD share);
    void release(int holdId);
    void setWindowsDirectory(const std::wstring& path);
    // The optional functions: present by default.
    void setStreamFunctionsAvailable(bool available);
    void setRedirectionFunctionsAvailable(bool available);
    // The most bytes one BackupRead call returns (to split headers across reads); 0 = no limit.
    void setBackupReadLimit(DWORD bytes);
    // Size of the security record in the backup stream of every file (0 = none). 32 by default.
    void setSecurityRecordSize(DWORD bytes);
    // The backup stream of this file or folder is these bytes as they stand, whatever they hold
    // (for feeding the walk damaged or hostile streams). A seek skips the rest of the data its
    // record's header states, or what is left of the bytes when they end first.
    void setRawBackupStream(const std::wstring& path, const std::string& bytes);

    // ---- Inspection. A path the set-up or inspection functions cannot find throws std::invalid_argument
    // (exists, isFolder and attributes answer instead).
    bool exists(const std::wstring& path); // file, folder or "file:stream"
    bool isFolder(const std::wstring& path);
    std::string readData(const std::wstring& path); // main data, or the stream's for "file:stream"
    std::vector<std::wstring> streamNames(const std::wstring& path); // named streams, in NTFS order
    std::vector<std::wstring> entryNames(const std::wstring& path);  // long names of the entries
    DWORD attributes(const std::wstring& path);                      // INVALID_FILE_ATTRIBUTES when missing
    std::wstring shortName(const std::wstring& path);                // empty when the long name is itself 8.3
    // Open file handles, find handles (directory and stream searches) and backup contexts.
    int openHandles();
    // Times the calling thread's redirection is currently switched off.
    int redirectionOffCount();
    // Service calls whose path the calling thread's redirection sent to the 32-bit system folder.
    int redirectedCalls();
    UINT errorMode();

    // ---- Call log and fault injection. Every service call is numbered from 1 in the order made.
    std::vector<TLoggedCall> callLog();
    std::uint64_t callCount();
    void clearCallLog();
    // The call with this number (counted from the last clearCallLog) fails with the error.
    void failCallNumber(std::uint64_t number, DWORD error);
    // The nth call (from 1) of this kind from now on fails with the error; nth = 0 makes every one fail.
    void failCall(TCall call, int nth, DWORD error);
    // Calls of this kind naming a path that contains the text (in any case) fail with the error; a
    // handle call names the path its handle was opened with.
    void failPath(TCall call, const std::wstring& pathPart, DWORD error);
    void clearFaults(); // also drops the planned actions
    // Runs the action just before the nth call of this kind (nth = 0: every one), outside the store's
    // lock, so the action may change the content (for changes made "during" a run).
    void beforeCall(TCall call, int nth, std::function<void()> action);

    // ---- The file services.
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
    UINT SetErrorMode(UINT mode) override;
    DWORD GetLogicalDrives() override;
    UINT GetDriveTypeW(const wchar_t* root) override;
    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                               DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                               wchar_t* fileSystemName, DWORD fileSystemNameSize) override;
    UINT GetWindowsDirectoryW(wchar_t* buffer, UINT size) override;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

} // namespace plat::store
