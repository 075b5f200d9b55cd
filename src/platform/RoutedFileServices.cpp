#include "platform/RoutedFileServices.h"

namespace plat {

namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool isAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// The thread's last error as the program sees it: set by whichever services ran its last call.
thread_local DWORD tLastError = ERROR_SUCCESS;

// Router handles are counted from here, far from the small values the services give themselves, so
// a service handle passed by mistake is refused instead of reaching a wrong file.
constexpr std::uintptr_t kFirstHandle = 0x10000000;

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

TRoutedFileServices::TRoutedFileServices(TFileServices& drives, TFileServices& rest)
    : TRoutedFileServices(drives, rest, TSystemQueries::drives) {}

TRoutedFileServices::TRoutedFileServices(TFileServices& drives, TFileServices& rest,
                                         TSystemQueries systemQueries)
    : FDrives(drives), FRest(rest), FSystem(systemQueries == TSystemQueries::rest ? rest : drives),
      FDriveMask(drives.GetLogicalDrives()), FNextHandle(kFirstHandle) {}

TRoutedFileServices::TRoutedFileServices(TFileServices& drives, TFileServices& rest,
                                         std::function<bool(const wchar_t*)> takes)
    : FDrives(drives), FRest(rest), FSystem(rest), FDriveMask(drives.GetLogicalDrives()),
      FTakes(std::move(takes)), FNextHandle(kFirstHandle) {}

TFileServices& TRoutedFileServices::servicesFor(const wchar_t* path) {
    const wchar_t letter = pathDriveLetter(path);
    const bool onDrives = letter != 0 && (FDriveMask & (DWORD{1} << (letter - L'A'))) != 0;
    return onDrives && (!FTakes || FTakes(path)) ? FDrives : FRest;
}

template <typename Call> auto TRoutedFileServices::forward(TFileServices& services, Call&& call) {
    // A call that succeeds may leave the last error as it was: it must find the thread's, not the
    // one these services kept from an earlier call.
    services.SetLastError(tLastError);
    auto result = call(services);
    tLastError = services.GetLastError();
    return result;
}

HANDLE TRoutedFileServices::opened(TFileServices& services, HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        return handle;
    }
    std::lock_guard<std::mutex> lock(FLock);
    const std::uintptr_t id = FNextHandle;
    FNextHandle += 4;
    FHandles[id] = TTarget{&services, handle};
    return reinterpret_cast<HANDLE>(id);
}

TRoutedFileServices::TTarget TRoutedFileServices::target(HANDLE handle) {
    std::lock_guard<std::mutex> lock(FLock);
    const auto found = FHandles.find(reinterpret_cast<std::uintptr_t>(handle));
    return found != FHandles.end() ? found->second : TTarget{};
}

BOOL TRoutedFileServices::invalidHandle() {
    tLastError = ERROR_INVALID_HANDLE;
    return FALSE;
}

BOOL TRoutedFileServices::closeWith(HANDLE handle, BOOL (TFileServices::*close)(HANDLE)) {
    const TTarget t = target(handle);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    const BOOL closed = forward(*t.services, [&](TFileServices& s) { return (s.*close)(t.handle); });
    if (closed != FALSE) { // a refused close (a find handle given to CloseHandle) keeps the handle
        std::lock_guard<std::mutex> lock(FLock);
        FHandles.erase(reinterpret_cast<std::uintptr_t>(handle));
    }
    return closed;
}

DWORD TRoutedFileServices::GetLastError() {
    return tLastError;
}

void TRoutedFileServices::SetLastError(DWORD code) {
    tLastError = code;
}

bool TRoutedFileServices::hasStreamFunctions() {
    return FDrives.hasStreamFunctions();
}

HANDLE TRoutedFileServices::FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                                             DWORD flags) {
    TFileServices& services = servicesFor(path);
    return opened(services, forward(services, [&](TFileServices& s) {
                      return s.FindFirstStreamW(path, infoLevel, data, flags);
                  }));
}

BOOL TRoutedFileServices::FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) {
    const TTarget t = target(find);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) { return s.FindNextStreamW(t.handle, data); });
}

// The redirection only matters for the system folder, which lies on the system's drives.
bool TRoutedFileServices::hasRedirectionFunctions() {
    return FSystem.hasRedirectionFunctions();
}

BOOL TRoutedFileServices::Wow64DisableWow64FsRedirection(void** oldValue) {
    return forward(FSystem, [&](TFileServices& s) { return s.Wow64DisableWow64FsRedirection(oldValue); });
}

BOOLEAN TRoutedFileServices::Wow64EnableWow64FsRedirection(BOOLEAN enable) {
    return forward(FSystem, [&](TFileServices& s) { return s.Wow64EnableWow64FsRedirection(enable); });
}

HANDLE TRoutedFileServices::CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security,
                                        DWORD disposition, DWORD flags, HANDLE templateFile) {
    TFileServices& services = servicesFor(path);
    HANDLE serviceTemplate = nullptr;
    if (templateFile != nullptr) {
        const TTarget t = target(templateFile);
        if (t.services != &services) { // unknown, or a file of the other services
            invalidHandle();
            return INVALID_HANDLE_VALUE;
        }
        serviceTemplate = t.handle;
    }
    return opened(services, forward(services, [&](TFileServices& s) {
                      return s.CreateFileW(path, access, share, security, disposition, flags,
                                           serviceTemplate);
                  }));
}

BOOL TRoutedFileServices::ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) {
    const TTarget t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services,
                   [&](TFileServices& s) { return s.ReadFile(t.handle, buffer, toRead, read, overlapped); });
}

BOOL TRoutedFileServices::WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
                                    void* overlapped) {
    const TTarget t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) {
        return s.WriteFile(t.handle, buffer, toWrite, written, overlapped);
    });
}

DWORD TRoutedFileServices::SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    const TTarget t = target(file);
    if (t.services == nullptr) {
        invalidHandle();
        return INVALID_SET_FILE_POINTER;
    }
    return forward(*t.services, [&](TFileServices& s) {
        return s.SetFilePointer(t.handle, distance, distanceHigh, method);
    });
}

BOOL TRoutedFileServices::CloseHandle(HANDLE handle) {
    return closeWith(handle, &TFileServices::CloseHandle);
}

BOOL TRoutedFileServices::GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    const TTarget t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services,
                   [&](TFileServices& s) { return s.GetFileInformationByHandle(t.handle, info); });
}

BOOL TRoutedFileServices::FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    return forward(FDrives, [&](TFileServices& s) { return s.FileTimeToSystemTime(fileTime, systemTime); });
}

DWORD TRoutedFileServices::GetFileAttributesW(const wchar_t* path) {
    return forward(servicesFor(path), [&](TFileServices& s) { return s.GetFileAttributesW(path); });
}

BOOL TRoutedFileServices::GetFileAttributesExW(const wchar_t* path, int infoLevel,
                                               WIN32_FILE_ATTRIBUTE_DATA* data) {
    return forward(servicesFor(path),
                   [&](TFileServices& s) { return s.GetFileAttributesExW(path, infoLevel, data); });
}

BOOL TRoutedFileServices::DeleteFileW(const wchar_t* path) {
    return forward(servicesFor(path), [&](TFileServices& s) { return s.DeleteFileW(path); });
}

BOOL TRoutedFileServices::MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) {
    TFileServices& services = servicesFor(existing);
    if (&services != &servicesFor(newName)) {
        tLastError = ERROR_NOT_SAME_DEVICE;
        return FALSE;
    }
    return forward(services, [&](TFileServices& s) { return s.MoveFileExW(existing, newName, flags); });
}

BOOL TRoutedFileServices::CreateDirectoryW(const wchar_t* path, void* security) {
    return forward(servicesFor(path), [&](TFileServices& s) { return s.CreateDirectoryW(path, security); });
}

BOOL TRoutedFileServices::RemoveDirectoryW(const wchar_t* path) {
    return forward(servicesFor(path), [&](TFileServices& s) { return s.RemoveDirectoryW(path); });
}

BOOL TRoutedFileServices::BackupRead(HANDLE file, BYTE* buffer, DWORD toRead, DWORD* read, BOOL abort,
                                     BOOL processSecurity, void** context) {
    const TTarget t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) {
        return s.BackupRead(t.handle, buffer, toRead, read, abort, processSecurity, context);
    });
}

BOOL TRoutedFileServices::BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek,
                                     DWORD* lowSeeked, DWORD* highSeeked, void** context) {
    const TTarget t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) {
        return s.BackupSeek(t.handle, lowBytesToSeek, highBytesToSeek, lowSeeked, highSeeked, context);
    });
}

HANDLE TRoutedFileServices::FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
    TFileServices& services = servicesFor(pattern);
    return opened(services,
                  forward(services, [&](TFileServices& s) { return s.FindFirstFileW(pattern, data); }));
}

TFolderListing TRoutedFileServices::listFolder(const wchar_t* pattern, std::vector<TFolderEntry>& entries) {
    return forward(servicesFor(pattern), [&](TFileServices& s) { return s.listFolder(pattern, entries); });
}

bool TRoutedFileServices::streamRecord(const wchar_t* streamPath, TStreamRecord& record) {
    return forward(servicesFor(streamPath),
                   [&](TFileServices& s) { return s.streamRecord(streamPath, record); });
}

BOOL TRoutedFileServices::FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    const TTarget t = target(find);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) { return s.FindNextFileW(t.handle, data); });
}

BOOL TRoutedFileServices::FindClose(HANDLE find) {
    return closeWith(find, &TFileServices::FindClose);
}

// The mode is the process's: both services keep it, the program reads back the first's.
UINT TRoutedFileServices::SetErrorMode(UINT mode) {
    forward(FRest, [&](TFileServices& s) { return s.SetErrorMode(mode); });
    return forward(FDrives, [&](TFileServices& s) { return s.SetErrorMode(mode); });
}

DWORD TRoutedFileServices::GetLogicalDrives() {
    return forward(FSystem, [](TFileServices& s) { return s.GetLogicalDrives(); });
}

UINT TRoutedFileServices::GetDriveTypeW(const wchar_t* root) {
    return forward(servicesFor(root), [&](TFileServices& s) { return s.GetDriveTypeW(root); });
}

BOOL TRoutedFileServices::GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName,
                                                DWORD volumeNameSize, DWORD* serialNumber,
                                                DWORD* maxComponentLength, DWORD* fileSystemFlags,
                                                wchar_t* fileSystemName, DWORD fileSystemNameSize) {
    return forward(servicesFor(root), [&](TFileServices& s) {
        return s.GetVolumeInformationW(root, volumeName, volumeNameSize, serialNumber, maxComponentLength,
                                       fileSystemFlags, fileSystemName, fileSystemNameSize);
    });
}

UINT TRoutedFileServices::GetWindowsDirectoryW(wchar_t* buffer, UINT size) {
    return forward(FSystem, [&](TFileServices& s) { return s.GetWindowsDirectoryW(buffer, size); });
}

} // namespace plat
