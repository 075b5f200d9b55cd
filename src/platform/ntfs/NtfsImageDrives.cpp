#include "platform/ntfs/NtfsImageDrives.h"

#include "platform/RoutedFileServices.h"
#include "platform/ShownName.h"
#include "platform/ntfs/NtfsDirectDrive.h"
#include "platform/ntfs/NtfsFileServices.h"

namespace plat::ntfs {

namespace {

// The thread's last error as the program sees it: set by whichever services ran its last call.
thread_local DWORD tLastError = ERROR_SUCCESS;

// Handles are counted from here, far from the small values services give themselves.
constexpr std::uintptr_t kFirstHandle = 0x20000000;

DWORD letterBit(wchar_t letter) {
    return DWORD{1} << (letter - L'A');
}

} // namespace

TImageDriveServices::TImageDriveServices(TFileServices& live) : FLive(live), FNextHandle(kFirstHandle) {}

TImageDriveServices::~TImageDriveServices() = default;

std::vector<TImageRoot> TImageDriveServices::attach(std::vector<TImageVolume> volumes) {
    detach();
    // Letters the live system gives no drive, from Z: down, so that a drive plugged in meanwhile
    // (which takes the lowest free letter) is the least likely to meet one. A letter that answers as
    // a drive is taken too: live services made of two (the store's drives before the real ones, in
    // the test build) list only the first's drives.
    const auto taken = [&](wchar_t letter) { return takenByLive(letter); };
    auto reader = std::make_shared<TNtfsFileServices>();
    std::vector<TImageRoot> roots;
    DWORD mask = 0;
    wchar_t letter = L'Z';
    for (TImageVolume& volume : volumes) {
        while (letter >= L'C' && taken(letter)) {
            --letter;
        }
        if (letter < L'C') {
            break;
        }
        reader->mount(letter, std::move(volume.volume));
        roots.push_back({std::wstring(1, letter) + L":\\", std::move(volume.source)});
        mask |= letterBit(letter);
        --letter;
    }
    std::lock_guard<std::mutex> lock(FLock);
    FReader = std::move(reader);
    FRoots = roots;
    FImageMask = mask;
    return roots;
}

bool TImageDriveServices::takenByLive(wchar_t letter) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    return (FLive.GetLogicalDrives() & letterBit(letter)) != 0 ||
           FLive.GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR;
}

std::size_t TImageDriveServices::freeLetters() {
    std::size_t free = 0;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        free += takenByLive(letter) ? 0 : 1;
    }
    return free;
}

void TImageDriveServices::detach() {
    std::shared_ptr<TNtfsFileServices> old;
    std::map<wchar_t, std::shared_ptr<TDirectDrive>> oldDirect;
    {
        std::lock_guard<std::mutex> lock(FLock);
        old = std::move(FReader);
        FRoots.clear();
        FImageMask = 0;
        oldDirect.swap(FDirect);
    }
    // The readers go here, outside the locks, unless a handle still holds one.
}

std::wstring TImageDriveServices::shownPath(const std::wstring& path) const {
    const wchar_t letter = pathDriveLetter(path.c_str());
    std::lock_guard<std::mutex> lock(FLock);
    if (letter == 0 || (FImageMask & letterBit(letter)) == 0) {
        return path;
    }
    for (const TImageRoot& root : FRoots) {
        if (root.root[0] == letter) {
            const std::size_t afterLetter = path.find(L':') + 1;
            const std::wstring inside = path.substr(afterLetter);
            return root.source + (inside.empty() || inside[0] != L'\\' ? L"\\" : L"") + inside;
        }
    }
    return path;
}

std::optional<std::wstring> TImageDriveServices::readerPath(const std::wstring& shown) const {
    std::lock_guard<std::mutex> lock(FLock);
    for (const TImageRoot& root : FRoots) {
        // The name and the separator after it: "x.dd [1]" is not the start of "x.dd [10]\...".
        if (shown.size() > root.source.size() && shown.compare(0, root.source.size(), root.source) == 0 &&
            shown[root.source.size()] == L'\\') {
            return root.root.substr(0, 2) + shown.substr(root.source.size());
        }
    }
    return std::nullopt;
}

std::size_t TImageDriveServices::openHandles() {
    std::lock_guard<std::mutex> lock(FLock);
    return FHandles.size();
}

void TImageDriveServices::keepDirect(wchar_t letter, std::shared_ptr<TDirectDrive> drive) {
    std::shared_ptr<TDirectDrive> old;
    std::lock_guard<std::mutex> lock(FLock);
    std::shared_ptr<TDirectDrive>& kept = FDirect[letter];
    old = std::move(kept); // goes after the lock, unless a handle still holds it
    if (drive && drive->opened()) {
        kept = std::move(drive);
    } else {
        FDirect.erase(letter);
    }
}

TImageDriveServices::TRoute TImageDriveServices::routeFor(const wchar_t* path) {
    const wchar_t letter = pathDriveLetter(path);
    std::lock_guard<std::mutex> lock(FLock);
    if (letter != 0 && (FImageMask & letterBit(letter)) != 0 && FReader) {
        return TRoute{FReader, FReader.get(), nullptr};
    }
    if (letter != 0 && holdsEscapedName(path)) {
        if (const auto kept = FDirect.find(letter); kept != FDirect.end()) {
            // The drive's own services, keeping the drive alive as long as a handle uses them.
            TFileServices* services = &kept->second->services();
            return TRoute{std::shared_ptr<TFileServices>(kept->second, services), services, nullptr};
        }
    }
    return TRoute{nullptr, &FLive, nullptr};
}

template <typename Call> auto TImageDriveServices::forward(TFileServices& services, Call&& call) {
    // A call that succeeds may leave the last error as it was: it must find the thread's.
    services.SetLastError(tLastError);
    auto result = call(services);
    tLastError = services.GetLastError();
    return result;
}

HANDLE TImageDriveServices::opened(const TRoute& route, HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        return handle;
    }
    std::lock_guard<std::mutex> lock(FLock);
    const std::uintptr_t id = FNextHandle;
    FNextHandle += 4;
    FHandles[id] = TRoute{route.owner, route.services, handle};
    return reinterpret_cast<HANDLE>(id);
}

TImageDriveServices::TRoute TImageDriveServices::target(HANDLE handle) {
    std::lock_guard<std::mutex> lock(FLock);
    const auto found = FHandles.find(reinterpret_cast<std::uintptr_t>(handle));
    return found != FHandles.end() ? found->second : TRoute{};
}

BOOL TImageDriveServices::invalidHandle() {
    tLastError = ERROR_INVALID_HANDLE;
    return FALSE;
}

BOOL TImageDriveServices::closeWith(HANDLE handle, BOOL (TFileServices::*close)(HANDLE)) {
    TRoute t = target(handle);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    const BOOL closed = forward(*t.services, [&](TFileServices& s) { return (s.*close)(t.handle); });
    if (closed != FALSE) { // a refused close (a find handle given to CloseHandle) keeps the handle
        std::lock_guard<std::mutex> lock(FLock);
        FHandles.erase(reinterpret_cast<std::uintptr_t>(handle));
    }
    return closed; // a detached reader goes with t, when its last handle is closed
}

DWORD TImageDriveServices::GetLastError() {
    return tLastError;
}

void TImageDriveServices::SetLastError(DWORD code) {
    tLastError = code;
}

bool TImageDriveServices::hasStreamFunctions() {
    return FLive.hasStreamFunctions();
}

HANDLE TImageDriveServices::FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                                             DWORD flags) {
    const TRoute route = routeFor(path);
    return opened(route, forward(*route.services, [&](TFileServices& s) {
                      return s.FindFirstStreamW(path, infoLevel, data, flags);
                  }));
}

BOOL TImageDriveServices::FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) {
    const TRoute t = target(find);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) { return s.FindNextStreamW(t.handle, data); });
}

// The redirection only matters for the live system folder.
bool TImageDriveServices::hasRedirectionFunctions() {
    return FLive.hasRedirectionFunctions();
}

BOOL TImageDriveServices::Wow64DisableWow64FsRedirection(void** oldValue) {
    return forward(FLive, [&](TFileServices& s) { return s.Wow64DisableWow64FsRedirection(oldValue); });
}

BOOLEAN TImageDriveServices::Wow64EnableWow64FsRedirection(BOOLEAN enable) {
    return forward(FLive, [&](TFileServices& s) { return s.Wow64EnableWow64FsRedirection(enable); });
}

HANDLE TImageDriveServices::CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security,
                                        DWORD disposition, DWORD flags, HANDLE templateFile) {
    const TRoute route = routeFor(path);
    HANDLE serviceTemplate = nullptr;
    if (templateFile != nullptr) {
        const TRoute t = target(templateFile);
        if (t.services != route.services) { // unknown, or a file of the other services
            invalidHandle();
            return INVALID_HANDLE_VALUE;
        }
        serviceTemplate = t.handle;
    }
    return opened(route, forward(*route.services, [&](TFileServices& s) {
                      return s.CreateFileW(path, access, share, security, disposition, flags,
                                           serviceTemplate);
                  }));
}

BOOL TImageDriveServices::ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) {
    const TRoute t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services,
                   [&](TFileServices& s) { return s.ReadFile(t.handle, buffer, toRead, read, overlapped); });
}

BOOL TImageDriveServices::WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
                                    void* overlapped) {
    const TRoute t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) {
        return s.WriteFile(t.handle, buffer, toWrite, written, overlapped);
    });
}

DWORD TImageDriveServices::SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    const TRoute t = target(file);
    if (t.services == nullptr) {
        invalidHandle();
        return INVALID_SET_FILE_POINTER;
    }
    return forward(*t.services, [&](TFileServices& s) {
        return s.SetFilePointer(t.handle, distance, distanceHigh, method);
    });
}

BOOL TImageDriveServices::CloseHandle(HANDLE handle) {
    return closeWith(handle, &TFileServices::CloseHandle);
}

BOOL TImageDriveServices::GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    const TRoute t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services,
                   [&](TFileServices& s) { return s.GetFileInformationByHandle(t.handle, info); });
}

BOOL TImageDriveServices::FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    return forward(FLive, [&](TFileServices& s) { return s.FileTimeToSystemTime(fileTime, systemTime); });
}

DWORD TImageDriveServices::GetFileAttributesW(const wchar_t* path) {
    const TRoute route = routeFor(path);
    return forward(*route.services, [&](TFileServices& s) { return s.GetFileAttributesW(path); });
}

BOOL TImageDriveServices::GetFileAttributesExW(const wchar_t* path, int infoLevel,
                                               WIN32_FILE_ATTRIBUTE_DATA* data) {
    const TRoute route = routeFor(path);
    return forward(*route.services,
                   [&](TFileServices& s) { return s.GetFileAttributesExW(path, infoLevel, data); });
}

BOOL TImageDriveServices::DeleteFileW(const wchar_t* path) {
    const TRoute route = routeFor(path); // the reader refuses: an image is never written
    return forward(*route.services, [&](TFileServices& s) { return s.DeleteFileW(path); });
}

BOOL TImageDriveServices::MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) {
    const TRoute from = routeFor(existing); // the reader refuses: an image is never written
    if (from.services != routeFor(newName).services) {
        tLastError = ERROR_NOT_SAME_DEVICE;
        return FALSE;
    }
    return forward(*from.services, [&](TFileServices& s) { return s.MoveFileExW(existing, newName, flags); });
}

BOOL TImageDriveServices::CreateDirectoryW(const wchar_t* path, void* security) {
    const TRoute route = routeFor(path);
    return forward(*route.services, [&](TFileServices& s) { return s.CreateDirectoryW(path, security); });
}

BOOL TImageDriveServices::RemoveDirectoryW(const wchar_t* path) {
    const TRoute route = routeFor(path);
    return forward(*route.services, [&](TFileServices& s) { return s.RemoveDirectoryW(path); });
}

BOOL TImageDriveServices::BackupRead(HANDLE file, BYTE* buffer, DWORD toRead, DWORD* read, BOOL abort,
                                     BOOL processSecurity, void** context) {
    const TRoute t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) {
        return s.BackupRead(t.handle, buffer, toRead, read, abort, processSecurity, context);
    });
}

BOOL TImageDriveServices::BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek,
                                     DWORD* lowSeeked, DWORD* highSeeked, void** context) {
    const TRoute t = target(file);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) {
        return s.BackupSeek(t.handle, lowBytesToSeek, highBytesToSeek, lowSeeked, highSeeked, context);
    });
}

HANDLE TImageDriveServices::FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
    const TRoute route = routeFor(pattern);
    return opened(
        route, forward(*route.services, [&](TFileServices& s) { return s.FindFirstFileW(pattern, data); }));
}

TFolderListing TImageDriveServices::listFolder(const wchar_t* pattern, std::vector<TFolderEntry>& entries) {
    const TRoute route = routeFor(pattern); // keeps an image's reader alive while it lists
    return forward(*route.services, [&](TFileServices& s) { return s.listFolder(pattern, entries); });
}

bool TImageDriveServices::streamRecord(const wchar_t* streamPath, TStreamRecord& record) {
    const TRoute route = routeFor(streamPath); // keeps an image's reader alive while it reads
    return forward(*route.services, [&](TFileServices& s) { return s.streamRecord(streamPath, record); });
}

BOOL TImageDriveServices::FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    const TRoute t = target(find);
    if (t.services == nullptr) {
        return invalidHandle();
    }
    return forward(*t.services, [&](TFileServices& s) { return s.FindNextFileW(t.handle, data); });
}

BOOL TImageDriveServices::FindClose(HANDLE find) {
    return closeWith(find, &TFileServices::FindClose);
}

UINT TImageDriveServices::SetErrorMode(UINT mode) {
    return forward(FLive, [&](TFileServices& s) { return s.SetErrorMode(mode); });
}

// An image's volumes are not drives of the system: the drive list and menu stay the live ones.
DWORD TImageDriveServices::GetLogicalDrives() {
    return forward(FLive, [](TFileServices& s) { return s.GetLogicalDrives(); });
}

UINT TImageDriveServices::GetDriveTypeW(const wchar_t* root) {
    const TRoute route = routeFor(root);
    return forward(*route.services, [&](TFileServices& s) { return s.GetDriveTypeW(root); });
}

BOOL TImageDriveServices::GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName,
                                                DWORD volumeNameSize, DWORD* serialNumber,
                                                DWORD* maxComponentLength, DWORD* fileSystemFlags,
                                                wchar_t* fileSystemName, DWORD fileSystemNameSize) {
    const TRoute route = routeFor(root);
    return forward(*route.services, [&](TFileServices& s) {
        return s.GetVolumeInformationW(root, volumeName, volumeNameSize, serialNumber, maxComponentLength,
                                       fileSystemFlags, fileSystemName, fileSystemNameSize);
    });
}

UINT TImageDriveServices::GetWindowsDirectoryW(wchar_t* buffer, UINT size) {
    return forward(FLive, [&](TFileServices& s) { return s.GetWindowsDirectoryW(buffer, size); });
}

} // namespace plat::ntfs
