#include "platform/FileRouter.h"

namespace plat {

namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool isAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

} // namespace

wchar_t pathDriveLetter(const wchar_t* path) {
    if (path == nullptr) {
        return 0;
    }
    const wchar_t* p = path;
    // "\\?\C:\x" and "\\.\C:" (either slash) and the native "\??\C:\x" name the drive after a prefix.
    if (isSeparator(p[0]) && isSeparator(p[1]) && (p[2] == L'?' || p[2] == L'.') && isSeparator(p[3])) {
        p += 4;
    } else if (p[0] == L'\\' && p[1] == L'?' && p[2] == L'?' && p[3] == L'\\') {
        p += 4;
    }
    if (isAsciiLetter(p[0]) && p[1] == L':') {
        return p[0] >= L'a' ? static_cast<wchar_t>(p[0] - L'a' + L'A') : p[0];
    }
    return 0;
}

TFileRouter::TFileRouter(std::uintptr_t firstHandle) : FNextHandle(firstHandle) {}

TFileRouter::~TFileRouter() = default;

DWORD& TFileRouter::threadLastError() {
    // The thread's last error as the program sees it: set by whichever services ran its last call.
    thread_local DWORD lastError = ERROR_SUCCESS;
    return lastError;
}

std::size_t TFileRouter::openHandles() {
    std::lock_guard<std::mutex> lock(FLock);
    return FHandles.size();
}

HANDLE TFileRouter::opened(const TRoute& route, HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        return handle;
    }
    std::lock_guard<std::mutex> lock(FLock);
    const std::uintptr_t id = FNextHandle;
    FNextHandle += 4;
    FHandles[id] = TRoute{route.owner, route.services, handle};
    return reinterpret_cast<HANDLE>(id);
}

TFileRouter::TRoute TFileRouter::target(HANDLE handle) {
    std::lock_guard<std::mutex> lock(FLock);
    const auto found = FHandles.find(reinterpret_cast<std::uintptr_t>(handle));
    return found != FHandles.end() ? found->second : TRoute{};
}

BOOL TFileRouter::invalidHandle() {
    threadLastError() = ERROR_INVALID_HANDLE;
    return FALSE;
}

template <typename Result, typename Call>
Result TFileRouter::onHandle(HANDLE handle, Result refused, Call&& call) {
    const TRoute t = target(handle); // keeps replaceable services alive during the call
    if (t.services == nullptr) {
        invalidHandle();
        return refused;
    }
    return forward(*t.services, [&](TFileServices& s) { return call(s, t.handle); });
}

BOOL TFileRouter::closeWith(HANDLE handle, BOOL (TFileServices::*close)(HANDLE)) {
    TRoute t = target(handle);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    const BOOL closed = forward(*t.services, [&](TFileServices& s) { return (s.*close)(t.handle); });
    if (closed != FALSE) { // a refused close (a find handle given to CloseHandle) keeps the handle
        std::lock_guard<std::mutex> lock(FLock);
        FHandles.erase(reinterpret_cast<std::uintptr_t>(handle));
    }
    return closed; // replaced services go with t, when their last handle is closed
}

DWORD TFileRouter::GetLastError() {
    return threadLastError();
}

void TFileRouter::SetLastError(DWORD code) {
    threadLastError() = code;
}

HANDLE TFileRouter::FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                                     DWORD flags) {
    const TRoute r = route(path);
    return opened(r, forward(*r.services, [&](TFileServices& s) {
                      return s.FindFirstStreamW(path, infoLevel, data, flags);
                  }));
}

BOOL TFileRouter::FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) {
    return onHandle(find, FALSE, [&](TFileServices& s, HANDLE h) { return s.FindNextStreamW(h, data); });
}

HANDLE TFileRouter::CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security,
                                DWORD disposition, DWORD flags, HANDLE templateFile) {
    const TRoute r = route(path);
    HANDLE serviceTemplate = nullptr;
    if (templateFile != nullptr) {
        const TRoute t = target(templateFile);
        if (t.services != r.services) { // unknown, or a file of other services
            invalidHandle();
            return INVALID_HANDLE_VALUE;
        }
        serviceTemplate = t.handle;
    }
    return opened(r, forward(*r.services, [&](TFileServices& s) {
                      return s.CreateFileW(path, access, share, security, disposition, flags,
                                           serviceTemplate);
                  }));
}

BOOL TFileRouter::ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) {
    return onHandle(file, FALSE, [&](TFileServices& s, HANDLE h) {
        return s.ReadFile(h, buffer, toRead, read, overlapped);
    });
}

BOOL TFileRouter::WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
                            void* overlapped) {
    return onHandle(file, FALSE, [&](TFileServices& s, HANDLE h) {
        return s.WriteFile(h, buffer, toWrite, written, overlapped);
    });
}

DWORD TFileRouter::SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    return onHandle(file, INVALID_SET_FILE_POINTER, [&](TFileServices& s, HANDLE h) {
        return s.SetFilePointer(h, distance, distanceHigh, method);
    });
}

BOOL TFileRouter::CloseHandle(HANDLE handle) {
    return closeWith(handle, &TFileServices::CloseHandle);
}

BOOL TFileRouter::GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    return onHandle(file, FALSE,
                    [&](TFileServices& s, HANDLE h) { return s.GetFileInformationByHandle(h, info); });
}

DWORD TFileRouter::GetFileAttributesW(const wchar_t* path) {
    const TRoute r = route(path);
    return forward(*r.services, [&](TFileServices& s) { return s.GetFileAttributesW(path); });
}

BOOL TFileRouter::GetFileAttributesExW(const wchar_t* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data) {
    const TRoute r = route(path);
    return forward(*r.services,
                   [&](TFileServices& s) { return s.GetFileAttributesExW(path, infoLevel, data); });
}

BOOL TFileRouter::DeleteFileW(const wchar_t* path) {
    const TRoute r = route(path);
    return forward(*r.services, [&](TFileServices& s) { return s.DeleteFileW(path); });
}

BOOL TFileRouter::CreateDirectoryW(const wchar_t* path, void* security) {
    const TRoute r = route(path);
    return forward(*r.services, [&](TFileServices& s) { return s.CreateDirectoryW(path, security); });
}

BOOL TFileRouter::RemoveDirectoryW(const wchar_t* path) {
    const TRoute r = route(path);
    return forward(*r.services, [&](TFileServices& s) { return s.RemoveDirectoryW(path); });
}

BOOL TFileRouter::BackupRead(HANDLE file, BYTE* buffer, DWORD toRead, DWORD* read, BOOL abort,
                             BOOL processSecurity, void** context) {
    return onHandle(file, FALSE, [&](TFileServices& s, HANDLE h) {
        return s.BackupRead(h, buffer, toRead, read, abort, processSecurity, context);
    });
}

BOOL TFileRouter::BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek, DWORD* lowSeeked,
                             DWORD* highSeeked, void** context) {
    return onHandle(file, FALSE, [&](TFileServices& s, HANDLE h) {
        return s.BackupSeek(h, lowBytesToSeek, highBytesToSeek, lowSeeked, highSeeked, context);
    });
}

HANDLE TFileRouter::FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
    const TRoute r = route(pattern);
    return opened(r, forward(*r.services, [&](TFileServices& s) { return s.FindFirstFileW(pattern, data); }));
}

BOOL TFileRouter::FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    return onHandle(find, FALSE, [&](TFileServices& s, HANDLE h) { return s.FindNextFileW(h, data); });
}

BOOL TFileRouter::FindClose(HANDLE find) {
    return closeWith(find, &TFileServices::FindClose);
}

TFolderListing TFileRouter::listFolder(const wchar_t* pattern, std::vector<TFolderEntry>& entries) {
    const TRoute r = route(pattern); // keeps replaceable services alive while they list
    return forward(*r.services, [&](TFileServices& s) { return s.listFolder(pattern, entries); });
}

bool TFileRouter::streamRecord(const wchar_t* streamPath, TStreamRecord& record) {
    const TRoute r = route(streamPath); // keeps replaceable services alive while they read
    return forward(*r.services, [&](TFileServices& s) { return s.streamRecord(streamPath, record); });
}

bool TFileRouter::streamHoles(const wchar_t* streamPath,
                              std::vector<std::pair<std::uint64_t, std::uint64_t>>& holes) {
    const TRoute r = route(streamPath); // keeps replaceable services alive while they read
    return forward(*r.services, [&](TFileServices& s) { return s.streamHoles(streamPath, holes); });
}

BOOL TFileRouter::makeSparse(HANDLE file) {
    return onHandle(file, FALSE, [&](TFileServices& s, HANDLE h) { return s.makeSparse(h); });
}

// A move stays within one of the services: across two it is refused, as Windows refuses a rename
// across volumes without MOVEFILE_COPY_ALLOWED (the reader refuses any: an image is never written).
BOOL TFileRouter::MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) {
    const TRoute from = route(existing);
    if (from.services != route(newName).services) {
        threadLastError() = ERROR_NOT_SAME_DEVICE;
        return FALSE;
    }
    return forward(*from.services, [&](TFileServices& s) { return s.MoveFileExW(existing, newName, flags); });
}

UINT TFileRouter::GetDriveTypeW(const wchar_t* root) {
    const TRoute r = route(root);
    return forward(*r.services, [&](TFileServices& s) { return s.GetDriveTypeW(root); });
}

BOOL TFileRouter::GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                                        DWORD* serialNumber, DWORD* maxComponentLength,
                                        DWORD* fileSystemFlags, wchar_t* fileSystemName,
                                        DWORD fileSystemNameSize) {
    const TRoute r = route(root);
    return forward(*r.services, [&](TFileServices& s) {
        return s.GetVolumeInformationW(root, volumeName, volumeNameSize, serialNumber, maxComponentLength,
                                       fileSystemFlags, fileSystemName, fileSystemNameSize);
    });
}

} // namespace plat
