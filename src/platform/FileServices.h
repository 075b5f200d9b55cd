#pragma once
// The file, stream and volume services the logic reaches Windows through. Each operation has the
// shape of the Windows function of the same name: the same arguments, results, error codes and
// last-error behaviour. One object is installed for the whole process before any thread starts:
// the Windows one in the program, the simulated store in tests.

#include "platform/StreamRecord.h"
#include "platform/WinTypes.h"

#include <string>
#include <vector>

namespace plat {

// Whether a file or folder carries named streams, as far as its services know without asking it.
enum class TKnownStreams { unknown, none, some };

// One entry of a folder listing (listFolder): its name and attributes as the directory search gives
// them, and what the services know of its named streams.
struct TFolderEntry {
    std::wstring name;
    DWORD attributes = 0;
    TKnownStreams streams = TKnownStreams::unknown;
};

enum class TFolderListing { notOffered, listed, failed };

class TFileServices {
public:
    virtual ~TFileServices() = default;

    // Last error of the calling thread.
    virtual DWORD GetLastError() = 0;
    virtual void SetLastError(DWORD code) = 0;

    // Optional functions, looked up at start-up: the stream listing and the redirection switches.
    virtual bool hasStreamFunctions() = 0;
    virtual HANDLE FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                                    DWORD flags) = 0;
    virtual BOOL FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) = 0;
    virtual bool hasRedirectionFunctions() = 0;
    virtual BOOL Wow64DisableWow64FsRedirection(void** oldValue) = 0;
    virtual BOOLEAN Wow64EnableWow64FsRedirection(BOOLEAN enable) = 0;

    // Files and streams ("file:stream" paths are accepted wherever Windows accepts them).
    virtual HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security,
                               DWORD disposition, DWORD flags, HANDLE templateFile) = 0;
    virtual BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) = 0;
    virtual BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
                           void* overlapped) = 0;
    virtual DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;
    virtual BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) = 0;
    virtual BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) = 0;
    virtual DWORD GetFileAttributesW(const wchar_t* path) = 0;
    virtual BOOL GetFileAttributesExW(const wchar_t* path, int infoLevel,
                                      WIN32_FILE_ATTRIBUTE_DATA* data) = 0;
    virtual BOOL DeleteFileW(const wchar_t* path) = 0;
    virtual BOOL CreateDirectoryW(const wchar_t* path, void* security) = 0;
    virtual BOOL RemoveDirectoryW(const wchar_t* path) = 0;
    // Renames a file, on one volume; with MOVEFILE_REPLACE_EXISTING in place of a file of that name.
    virtual BOOL MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) = 0;

    // Backup stream of a file opened with backup semantics.
    virtual BOOL BackupRead(HANDLE file, BYTE* buffer, DWORD toRead, DWORD* read, BOOL abort,
                            BOOL processSecurity, void** context) = 0;
    virtual BOOL BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek, DWORD* lowSeeked,
                            DWORD* highSeeked, void** context) = 0;

    // Directory search.
    virtual HANDLE FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data) = 0;
    virtual BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) = 0;
    virtual BOOL FindClose(HANDLE find) = 0;

    // Not a Windows function: services that hold a volume's catalogue (the NTFS reader) give every
    // entry FindFirstFileW and FindNextFileW would give for the pattern, in the same order, in one
    // call, each with what the catalogue says of its named streams. notOffered by services that do
    // not hold one (the default: the caller searches as usual); failed when the search fails, with the
    // last error FindFirstFileW would set (ERROR_FILE_NOT_FOUND for a pattern nothing matches).
    virtual TFolderListing listFolder(const wchar_t* pattern, std::vector<TFolderEntry>& entries) {
        (void)pattern;
        entries.clear();
        return TFolderListing::notOffered;
    }

    // Not a Windows function: services that read a volume's records themselves (the NTFS reader) give
    // what those records say of a stream path's stream and file. False when they do not (the
    // default), with the last error set when the path names no stream.
    virtual bool streamRecord(const wchar_t* streamPath, TStreamRecord& record) {
        (void)streamPath;
        record = TStreamRecord{};
        return false;
    }

    // Not a Windows function: services that read a volume's run lists (the NTFS reader) give the
    // ranges of a stream path's stream that are holes in its run list (read as zeros, stored nowhere),
    // each as its offset and length, in order, within the stream's size. False when they cannot tell
    // (the default).
    virtual bool streamHoles(const wchar_t* streamPath,
                             std::vector<std::pair<std::uint64_t, std::uint64_t>>& holes) {
        (void)streamPath;
        holes.clear();
        return false;
    }

    // Not a Windows function: makes a file opened for writing sparse, so that the ranges a writer seeks
    // over instead of writing take no space (FSCTL_SET_SPARSE on Windows). FALSE with
    // ERROR_NOT_SUPPORTED where files cannot be made so (the default).
    virtual BOOL makeSparse(HANDLE file) {
        (void)file;
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }

    // Volumes.
    virtual UINT SetErrorMode(UINT mode) = 0;
    virtual DWORD GetLogicalDrives() = 0;
    virtual UINT GetDriveTypeW(const wchar_t* root) = 0;
    virtual BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                                       DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                                       wchar_t* fileSystemName, DWORD fileSystemNameSize) = 0;
    virtual UINT GetWindowsDirectoryW(wchar_t* buffer, UINT size) = 0;
};

// The process-wide services. Installing is done once at start-up (or by a test before it starts
// any thread); the object must outlive every use.
TFileServices& files();
void installFileServices(TFileServices* services);

// While it lives, files() on the thread that made it answers these services instead (a scan thread
// that reads some volumes directly); every other thread keeps the installed ones. Made and destroyed
// on the same thread, innermost last.
class TThreadFileServices {
public:
    explicit TThreadFileServices(TFileServices& services);
    ~TThreadFileServices();
    TThreadFileServices(const TThreadFileServices&) = delete;
    TThreadFileServices& operator=(const TThreadFileServices&) = delete;

private:
    TFileServices* FPrevious;
};

} // namespace plat
