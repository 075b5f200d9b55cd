// The frame of the NTFS file services: mounting, the calling thread's last error, resolving paths,
// the volume queries, the error mode and the calls a read-only volume refuses.

#include "platform/ntfs/NtfsServicesImpl.h"

#include "platform/Calendar.h"
#include "platform/ShownName.h"

#include <algorithm>

namespace plat::ntfs {

using namespace detail;

namespace detail {

namespace {
thread_local DWORD tLastError = ERROR_SUCCESS;

constexpr DWORD kValidAttributes = 0x7FB7; // READONLY to ENCRYPTED, without VOLUME_LABEL and DEVICE
} // namespace

DWORD lastError() {
    return tLastError;
}

void setLastError(DWORD code) {
    tLastError = code;
}

DWORD reportedAttributes(const TNtfsFile& file) {
    const DWORD bits =
        file.attributes & kValidAttributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL);
    if (file.folder) {
        return bits | FILE_ATTRIBUTE_DIRECTORY;
    }
    return bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits;
}

} // namespace detail

namespace {

constexpr DWORD kNtfsFlags = 0x03E706FF; // case-preserved Unicode names, ACLs, named streams, ...
constexpr DWORD kReadOnlyVolume = 0x00080000;

// "X:\" (or "X:" where Windows accepts it) gives the upper-case letter; anything else 0.
wchar_t rootLetter(const std::wstring& root, bool slashRequired) {
    const wchar_t first = root.empty() ? 0 : (root[0] >= L'a' && root[0] <= L'z' ? root[0] - 32 : root[0]);
    if (root.size() < 2 || root[1] != L':' || first < L'A' || first > L'Z') {
        return 0;
    }
    if (root.size() == 2 && !slashRequired) {
        return first;
    }
    return root.size() == 3 && (root[2] == L'\\' || root[2] == L'/') ? first : 0;
}

bool copyOut(const std::wstring& text, wchar_t* buffer, DWORD size) {
    if (buffer == nullptr) {
        return true;
    }
    if (text.size() + 1 > size) {
        return false;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = L'\0';
    return true;
}

bool sameUpper(const TNtfsTree& tree, std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && tree.upper(a) == tree.upper(b);
}

} // namespace

TNtfsFileServices::TNtfsFileServices() : FImpl(std::make_unique<TImpl>()) {}

TNtfsFileServices::~TNtfsFileServices() = default;

void TNtfsFileServices::mount(wchar_t letter, std::unique_ptr<TNtfsVolume> volume) {
    std::lock_guard lock(FImpl->mutex);
    const wchar_t drive = rootLetter(std::wstring{letter, L':'}, false);
    if (drive == 0 || !volume) {
        return;
    }
    TMounted mounted;
    mounted.tree = std::make_unique<TNtfsTree>(*volume);
    mounted.volume = std::move(volume);
    FImpl->drives[drive] = std::move(mounted);
    FImpl->lastDrive = 0;
    FImpl->lastLoadedDrive = nullptr;
    FImpl->lastLoaded.reset();
}

std::optional<std::wstring> TNtfsFileServices::pathOfReference(wchar_t letter, std::uint64_t record,
                                                               std::uint16_t sequence) {
    std::lock_guard lock(FImpl->mutex);
    const TMounted* drive = FImpl->driveOf(letter);
    if (drive == nullptr) {
        return std::nullopt;
    }
    const std::size_t index = drive->volume->fileIndex(record);
    if (index == TNtfsVolume::kNoFile || drive->tree->file(index).sequence != sequence) {
        return std::nullopt;
    }
    const auto place = drive->tree->placeOf(index);
    if (!place) {
        return std::nullopt;
    }
    std::wstring path{letter, L':'};
    for (const TNtfsTree::TEntry& entry : *place) {
        path += L'\\' + shownName(drive->tree->nameOf(entry).name());
    }
    return place->empty() ? path + L'\\' : path;
}

int TNtfsFileServices::openHandles() {
    std::lock_guard lock(FImpl->mutex);
    return static_cast<int>(FImpl->handles.size() + FImpl->contexts.size());
}

TMounted* TNtfsFileServices::TImpl::driveOf(wchar_t letter) {
    auto it = drives.find(letter);
    return it == drives.end() ? nullptr : &it->second;
}

const TNtfsData* TNtfsFileServices::TImpl::streamNamed(const TMounted& drive, const TNtfsFile& file,
                                                       const std::wstring& name) {
    if (!name.empty()) {
        if (const TNtfsData* exact = file.findStream(name)) {
            return exact; // of names that differ only in case, the one written exactly so
        }
    }
    for (const TNtfsData& data : file.streams) {
        if (!data.name.empty() && sameUpper(*drive.tree, data.name, name)) {
            return &data;
        }
    }
    return nullptr;
}

TLocated TNtfsFileServices::TImpl::locate(const TWinPath& path) {
    TLocated result;
    if (path.error != 0) {
        result.error = path.error;
        return result;
    }
    if (path.device) {
        result.error = ERROR_FILE_NOT_FOUND; // a device ("C:\dir\nul.txt"), never a file of the volume
        return result;
    }
    result.drive = driveOf(path.drive);
    if (result.drive == nullptr) {
        result.error = ERROR_PATH_NOT_FOUND;
        return result;
    }
    const TNtfsTree& tree = *result.drive->tree;
    std::size_t folder = tree.root();
    if (path.parts.empty()) {
        result.file = folder;
        return result;
    }
    const auto folderParts = path.parts.begin() + static_cast<std::ptrdiff_t>(path.parts.size() - 1);
    if (path.drive == lastDrive &&
        std::equal(path.parts.begin(), folderParts, lastFolderParts.begin(), lastFolderParts.end())) {
        folder = lastFolder;
    } else {
        for (std::size_t i = 0; i + 1 < path.parts.size(); ++i) {
            const auto child = tree.find(folder, path.parts[i]);
            if (!child || !tree.file(child->file).folder) {
                result.error = ERROR_PATH_NOT_FOUND;
                return result;
            }
            folder = child->file;
        }
        lastDrive = path.drive;
        lastFolderParts.assign(path.parts.begin(), folderParts);
        lastFolder = folder;
    }
    result.parent = folder;
    if (const auto child = tree.find(folder, path.parts.back())) {
        result.file = child->file;
    }
    return result;
}

TLocated TNtfsFileServices::TImpl::lookUp(const TWinPath& path) {
    TLocated found = locate(path);
    if (found.error != 0) {
        return found;
    }
    if (!found.file) {
        found.error = ERROR_FILE_NOT_FOUND;
        return found;
    }
    const TNtfsFile& file = found.drive->tree->file(*found.file);
    if (path.trailingSlash && !file.folder) {
        found.error = ERROR_INVALID_NAME;
        return found;
    }
    if (path.hasStream && !path.stream.empty()) {
        found.stream = streamNamed(*found.drive, file, path.stream);
    } else if (!file.folder) {
        found.stream = file.findStream({});
    }
    if (path.hasStream && found.stream == nullptr) {
        found.error = ERROR_FILE_NOT_FOUND; // no such stream, or "::$DATA" of a folder
    }
    return found;
}

DWORD TNtfsFileServices::GetLastError() {
    return lastError();
}

void TNtfsFileServices::SetLastError(DWORD code) {
    setLastError(code);
}

bool TNtfsFileServices::hasRedirectionFunctions() {
    return false; // a volume image has no 32-bit system folder to redirect
}

BOOL TNtfsFileServices::Wow64DisableWow64FsRedirection(void** oldValue) {
    (void)oldValue;
    return failWith(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
}

BOOLEAN TNtfsFileServices::Wow64EnableWow64FsRedirection(BOOLEAN enable) {
    (void)enable;
    return failWith(ERROR_CALL_NOT_IMPLEMENTED, BOOLEAN{0});
}

BOOL TNtfsFileServices::FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (fileTime == nullptr || systemTime == nullptr || !fileTimeToCalendar(*fileTime, *systemTime)) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    return TRUE;
}

DWORD TNtfsFileServices::GetFileAttributesW(const wchar_t* path) {
    std::lock_guard lock(FImpl->mutex);
    const TLocated found = FImpl->lookUp(parseShownPath(path));
    if (found.error != 0) {
        return failWith(found.error, INVALID_FILE_ATTRIBUTES);
    }
    return reportedAttributes(found.drive->tree->file(*found.file));
}

BOOL TNtfsFileServices::GetFileAttributesExW(const wchar_t* path, int infoLevel,
                                             WIN32_FILE_ATTRIBUTE_DATA* data) {
    std::lock_guard lock(FImpl->mutex);
    if (infoLevel != GetFileExInfoStandard || data == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    const TLocated found = FImpl->lookUp(parseShownPath(path));
    if (found.error != 0) {
        return failWith(found.error, FALSE);
    }
    const TNtfsFile& file = found.drive->tree->file(*found.file);
    // A stream path gives the stream's size with the attributes and times of its file.
    const std::uint64_t size = found.stream != nullptr ? found.stream->size : 0;
    *data = WIN32_FILE_ATTRIBUTE_DATA{};
    data->dwFileAttributes = reportedAttributes(file);
    data->ftCreationTime = fileTime(file.created);
    data->ftLastAccessTime = fileTime(file.accessed);
    data->ftLastWriteTime = fileTime(file.written);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    return TRUE;
}

BOOL TNtfsFileServices::DeleteFileW(const wchar_t* path) {
    std::lock_guard lock(FImpl->mutex);
    const TLocated found = FImpl->lookUp(parseShownPath(path));
    return failWith(found.error != 0 ? found.error : ERROR_ACCESS_DENIED, FALSE);
}

BOOL TNtfsFileServices::MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) {
    (void)newName;
    (void)flags;
    std::lock_guard lock(FImpl->mutex);
    const TLocated found = FImpl->lookUp(parseShownPath(existing));
    return failWith(found.error != 0 ? found.error : ERROR_ACCESS_DENIED, FALSE);
}

BOOL TNtfsFileServices::CreateDirectoryW(const wchar_t* path, void* security) {
    (void)security;
    std::lock_guard lock(FImpl->mutex);
    const TWinPath p = parseShownPath(path);
    if (p.error == 0 && p.hasStream) {
        return failWith(ERROR_INVALID_NAME, FALSE);
    }
    const TLocated found = FImpl->locate(p);
    if (found.error != 0) {
        return failWith(found.error, FALSE);
    }
    return failWith(found.file && !p.parts.empty() ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED, FALSE);
}

BOOL TNtfsFileServices::RemoveDirectoryW(const wchar_t* path) {
    std::lock_guard lock(FImpl->mutex);
    const TWinPath p = parseShownPath(path);
    if (p.error == 0 && p.hasStream) {
        return failWith(ERROR_INVALID_NAME, FALSE);
    }
    const TLocated found = FImpl->locate(p);
    if (found.error != 0) {
        return failWith(found.error, FALSE);
    }
    if (!found.file) {
        return failWith(ERROR_FILE_NOT_FOUND, FALSE);
    }
    if (!found.drive->tree->file(*found.file).folder) {
        return failWith(ERROR_DIRECTORY, FALSE);
    }
    return failWith(ERROR_ACCESS_DENIED, FALSE);
}

UINT TNtfsFileServices::SetErrorMode(UINT mode) {
    std::lock_guard lock(FImpl->mutex);
    const UINT previous = FImpl->errorMode;
    FImpl->errorMode = mode;
    return previous;
}

DWORD TNtfsFileServices::GetLogicalDrives() {
    std::lock_guard lock(FImpl->mutex);
    DWORD mask = 0;
    for (const auto& [letter, drive] : FImpl->drives) {
        mask |= DWORD{1} << (letter - L'A');
    }
    return mask;
}

UINT TNtfsFileServices::GetDriveTypeW(const wchar_t* root) {
    std::lock_guard lock(FImpl->mutex);
    wchar_t letter = 0;
    if (root == nullptr) {
        letter = FImpl->drives.empty() ? 0 : FImpl->drives.begin()->first;
    } else {
        letter = rootLetter(root, false);
    }
    return letter != 0 && FImpl->driveOf(letter) != nullptr ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
}

BOOL TNtfsFileServices::GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                                              DWORD* serialNumber, DWORD* maxComponentLength,
                                              DWORD* fileSystemFlags, wchar_t* fileSystemName,
                                              DWORD fileSystemNameSize) {
    std::lock_guard lock(FImpl->mutex);
    wchar_t letter = 0;
    if (root == nullptr) {
        letter = FImpl->drives.empty() ? 0 : FImpl->drives.begin()->first;
    } else {
        const std::wstring text(root);
        letter = rootLetter(text, true);
        if (letter == 0) {
            const bool folder = text.size() > 3 && (text.back() == L'\\' || text.back() == L'/');
            return failWith(folder ? ERROR_DIR_NOT_ROOT : ERROR_INVALID_NAME, FALSE);
        }
    }
    const TMounted* drive = FImpl->driveOf(letter);
    if (drive == nullptr) {
        return failWith(ERROR_PATH_NOT_FOUND, FALSE);
    }
    const std::wstring& label = drive->volume->label();
    const std::wstring fileSystem = L"NTFS";
    if ((volumeName != nullptr && label.size() + 1 > volumeNameSize) ||
        (fileSystemName != nullptr && fileSystem.size() + 1 > fileSystemNameSize)) {
        return failWith(ERROR_BAD_LENGTH, FALSE);
    }
    copyOut(label, volumeName, volumeNameSize);
    copyOut(fileSystem, fileSystemName, fileSystemNameSize);
    if (serialNumber != nullptr) {
        *serialNumber = static_cast<DWORD>(drive->volume->geometry().serialNumber & 0xFFFFFFFFu);
    }
    if (maxComponentLength != nullptr) {
        *maxComponentLength = 255;
    }
    if (fileSystemFlags != nullptr) {
        *fileSystemFlags = kNtfsFlags | kReadOnlyVolume;
    }
    return TRUE;
}

UINT TNtfsFileServices::GetWindowsDirectoryW(wchar_t* buffer, UINT size) {
    std::lock_guard lock(FImpl->mutex);
    const wchar_t letter = FImpl->drives.empty() ? L'C' : FImpl->drives.begin()->first;
    const std::wstring folder = std::wstring{letter} + L":\\Windows";
    if (buffer == nullptr || size < folder.size() + 1) {
        return static_cast<UINT>(folder.size() + 1); // the size needed, terminator included
    }
    copyOut(folder, buffer, size);
    return static_cast<UINT>(folder.size());
}

} // namespace plat::ntfs
