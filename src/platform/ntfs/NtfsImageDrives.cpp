#include "platform/ntfs/NtfsImageDrives.h"

#include "platform/ShownName.h"
#include "platform/ntfs/NtfsDirectDrive.h"
#include "platform/ntfs/NtfsFileServices.h"

namespace plat::ntfs {

namespace {

// Handles are counted from here, far from the small values services give themselves and from those
// of the router behind (the test build's store before the real drives).
constexpr std::uintptr_t kFirstHandle = 0x20000000;

DWORD letterBit(wchar_t letter) {
    return DWORD{1} << (letter - L'A');
}

} // namespace

TImageDriveServices::TImageDriveServices(TFileServices& live) : TFileRouter(kFirstHandle), FLive(live) {}

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

TFileRouter::TRoute TImageDriveServices::route(const wchar_t* path) {
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

bool TImageDriveServices::hasStreamFunctions() {
    return FLive.hasStreamFunctions();
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

BOOL TImageDriveServices::FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    return forward(FLive, [&](TFileServices& s) { return s.FileTimeToSystemTime(fileTime, systemTime); });
}

UINT TImageDriveServices::SetErrorMode(UINT mode) {
    return forward(FLive, [&](TFileServices& s) { return s.SetErrorMode(mode); });
}

// An image's volumes are not drives of the system: the drive list and menu stay the live ones.
DWORD TImageDriveServices::GetLogicalDrives() {
    return forward(FLive, [](TFileServices& s) { return s.GetLogicalDrives(); });
}

UINT TImageDriveServices::GetWindowsDirectoryW(wchar_t* buffer, UINT size) {
    return forward(FLive, [&](TFileServices& s) { return s.GetWindowsDirectoryW(buffer, size); });
}

} // namespace plat::ntfs
