#pragma once
// File services that send each call to one of several others: a call that names a path goes where
// route() says; a call on a handle goes to the services that opened it. What routes where is the
// derived class's (the store's drives before the real ones, an image's volumes beside the live
// drives); the handle keeping, the last error and the lifetimes are here, once.
//
// - The handles are the router's own, each leading to the services that opened it, so two services
//   that happen to give the same handle value never mix, and a handle of the services themselves,
//   passed by mistake, is refused.
// - A route may carry an owner: services that can be replaced while they are used (an image's
//   reader, replaced by the next image) stay alive for as long as a call or a handle uses them.
// - The last error is one per thread, whichever services set it last, as on Windows.
// - The calls that name no path (the drive list, the Windows folder, the error mode, the optional
//   functions, the time conversion) are the derived class's to answer.

#include "platform/FileServices.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace plat {

// The drive letter, in upper case, that a path names: "C:\x", "c:x", "\\?\C:\x", "\\.\C:",
// "\??\C:\x"; 0 for a null, relative, rooted ("\x"), UNC or volume path.
wchar_t pathDriveLetter(const wchar_t* path);

class TFileRouter : public TFileServices {
public:
    TFileRouter(const TFileRouter&) = delete;
    TFileRouter& operator=(const TFileRouter&) = delete;

    // Handles opened through this router and not yet closed.
    std::size_t openHandles();

    DWORD GetLastError() override;
    void SetLastError(DWORD code) override;
    HANDLE FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                            DWORD flags) override;
    BOOL FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) override;
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security, DWORD disposition,
                       DWORD flags, HANDLE templateFile) override;
    BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) override;
    BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped) override;
    DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) override;
    DWORD GetFileAttributesW(const wchar_t* path) override;
    BOOL GetFileAttributesExW(const wchar_t* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data) override;
    BOOL DeleteFileW(const wchar_t* path) override;
    BOOL CreateDirectoryW(const wchar_t* path, void* security) override;
    BOOL RemoveDirectoryW(const wchar_t* path) override;
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
    BOOL makeSparse(HANDLE file) override;
    BOOL MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) override;
    UINT GetDriveTypeW(const wchar_t* root) override;
    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                               DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                               wchar_t* fileSystemName, DWORD fileSystemNameSize) override;

protected:
    // Where a path goes: the services, and what keeps them alive while they are used (null for
    // services that outlive the router).
    struct TRoute {
        std::shared_ptr<TFileServices> owner;
        TFileServices* services = nullptr; // null: no such handle
        HANDLE handle = nullptr;           // for a handle's route: the services' own handle
    };

    // firstHandle: the router's first handle value, far from the small values services give
    // themselves (two routers in a row count from different values).
    explicit TFileRouter(std::uintptr_t firstHandle);
    ~TFileRouter() override;

    // The route of a path; never one without services. Called from any thread.
    virtual TRoute route(const wchar_t* path) = 0;

    // Runs one call on services with the thread's last error carried in and out.
    template <typename Call> auto forward(TFileServices& services, Call&& call) {
        // A call that succeeds may leave the last error as it was: it must find the thread's, not the
        // one these services kept from an earlier call.
        services.SetLastError(threadLastError());
        auto result = call(services);
        threadLastError() = services.GetLastError();
        return result;
    }

private:
    static DWORD& threadLastError();
    HANDLE opened(const TRoute& route, HANDLE handle);
    TRoute target(HANDLE handle);
    BOOL closeWith(HANDLE handle, BOOL (TFileServices::*close)(HANDLE));
    BOOL invalidHandle();
    // Runs call on the services of a handle, or fails with ERROR_INVALID_HANDLE and refused.
    template <typename Result, typename Call> Result onHandle(HANDLE handle, Result refused, Call&& call);

    std::mutex FLock; // guards the two below: the handles are used by several threads
    std::unordered_map<std::uintptr_t, TRoute> FHandles;
    std::uintptr_t FNextHandle;
};

} // namespace plat
