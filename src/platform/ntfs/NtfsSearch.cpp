// Directory searches (FindFirstFileW and the rest) and stream listing (FindFirstStreamW).

#include "platform/ntfs/NtfsServicesImpl.h"

#include "platform/ShownName.h"
#include "platform/Wildcard.h"

#include <algorithm>

namespace plat::ntfs {

using namespace detail;

namespace {

template <std::size_t N> void copyName(wchar_t (&target)[N], std::wstring_view name) {
    const std::size_t count = std::min(name.size(), N - 1);
    std::copy_n(name.begin(), count, target);
    target[count] = L'\0';
}

void fillFindData(const TNtfsFile& file, std::wstring_view name, std::wstring_view shortName,
                  WIN32_FIND_DATAW* data) {
    *data = WIN32_FIND_DATAW{};
    data->dwFileAttributes = reportedAttributes(file);
    data->ftCreationTime = fileTime(file.created);
    data->ftLastAccessTime = fileTime(file.accessed);
    data->ftLastWriteTime = fileTime(file.written);
    const TNtfsData* main = file.folder ? nullptr : file.findStream({});
    const std::uint64_t size = main != nullptr ? main->size : 0;
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    copyName(data->cFileName, name);
    copyName(data->cAlternateFileName, shortName);
}

// The folder that holds a folder (itself for the root).
std::size_t parentOf(const TNtfsTree& tree, const TNtfsVolume& volume, std::size_t folder) {
    const TNtfsFile& file = tree.file(folder);
    if (file.names.empty()) {
        return folder;
    }
    const std::size_t parent = volume.fileIndex(file.names.front().parentRecord);
    return parent != TNtfsVolume::kNoFile ? parent : folder;
}

// An entry a directory search gives: the file, its name as listed (shown: ShownName.h), and the volume's name
// record (none for "." and "..").
struct TListed {
    std::size_t file = 0;
    std::wstring name;
    const TNtfsName* ntfsName = nullptr;
};

// The next entry of a directory search: "." and ".." first, then the folder's entries in NTFS order.
bool nextEntry(THandle& search, TListed& listed) {
    const TNtfsTree& tree = *search.drive->tree;
    while (search.dotEntriesLeft > 0) {
        const bool dot = search.dotEntriesLeft == 2;
        --search.dotEntriesLeft;
        const std::wstring name = dot ? L"." : L"..";
        if (search.everyName || matchesUpperMask(search.upperMask, name)) {
            listed.file = dot ? search.file : parentOf(tree, *search.drive->volume, search.file);
            listed.name = name;
            listed.ntfsName = nullptr;
            return true;
        }
    }
    const auto& entries = tree.entries(search.file);
    while (search.next < entries.size()) {
        const TNtfsTree::TEntry& entry = entries[search.next++];
        const TNtfsName& name = tree.nameOf(entry);
        std::wstring longName = shownName(name.name());
        bool matches = search.everyName || matchesUpperMask(search.upperMask, tree.upper(longName));
        if (!matches) {
            const std::wstring shortName = shownName(name.shortName());
            matches = !shortName.empty() && matchesUpperMask(search.upperMask, tree.upper(shortName));
        }
        if (matches) {
            listed.file = entry.file;
            listed.name = std::move(longName);
            listed.ntfsName = &name;
            return true;
        }
    }
    return false;
}

bool nextEntry(THandle& search, WIN32_FIND_DATAW* data) {
    TListed listed;
    if (!nextEntry(search, listed)) {
        return false;
    }
    const std::wstring shortName =
        listed.ntfsName != nullptr ? shownName(listed.ntfsName->shortName()) : std::wstring();
    fillFindData(search.drive->tree->file(listed.file), listed.name, shortName, data);
    return true;
}

TKnownStreams namedStreamsOf(const TNtfsFile& file) {
    const bool named = std::any_of(file.streams.begin(), file.streams.end(),
                                   [](const TNtfsData& stream) { return !stream.name.empty(); });
    return named ? TKnownStreams::some : TKnownStreams::none;
}

void fillStreamData(const std::pair<std::wstring, std::uint64_t>& stream, WIN32_FIND_STREAM_DATA* data) {
    *data = WIN32_FIND_STREAM_DATA{};
    data->StreamSize = static_cast<LONGLONG>(stream.second);
    copyName(data->cStreamName, stream.first);
}

} // namespace

std::optional<THandle> TNtfsFileServices::TImpl::startSearch(const wchar_t* pattern, DWORD& error) {
    if (pattern == nullptr) {
        error = ERROR_INVALID_PARAMETER;
        return std::nullopt;
    }
    std::wstring text(pattern);
    std::replace(text.begin(), text.end(), L'/', L'\\');
    const auto slash = text.rfind(L'\\');
    if (slash == std::wstring::npos) {
        error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    const std::wstring mask = searchMask(text);
    const TWinPath folderPath = parseShownPath(text.substr(0, slash + 1).c_str());
    if (folderPath.error == 0 && folderPath.hasStream) {
        error = ERROR_INVALID_NAME;
        return std::nullopt;
    }
    const TLocated found = locate(folderPath);
    if (found.error != 0) {
        error = found.error;
        return std::nullopt;
    }
    if (!found.file) {
        error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    if (!found.drive->tree->file(*found.file).folder) {
        error = ERROR_DIRECTORY;
        return std::nullopt;
    }
    if (mask.find_first_of(L":/") != std::wstring::npos) {
        error = ERROR_INVALID_NAME;
        return std::nullopt;
    }
    if (mask.empty()) {
        error = ERROR_FILE_NOT_FOUND; // "C:\dir\" names no entry
        return std::nullopt;
    }
    THandle search;
    search.kind = THandleKind::findFiles;
    search.drive = found.drive;
    search.file = *found.file;
    search.upperMask = found.drive->tree->upper(mask);
    search.everyName = matchesEveryName(search.upperMask);
    search.dotEntriesLeft = folderPath.parts.empty() ? 0 : 2;
    return search;
}

HANDLE TNtfsFileServices::FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
    std::lock_guard lock(FImpl->mutex);
    if (data == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    DWORD error = 0;
    std::optional<THandle> search = FImpl->startSearch(pattern, error);
    if (!search) {
        return failWith(error, INVALID_HANDLE_VALUE);
    }
    if (!nextEntry(*search, data)) {
        return failWith(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    return FImpl->newHandle(std::move(*search));
}

TFolderListing TNtfsFileServices::listFolder(const wchar_t* pattern, std::vector<TFolderEntry>& entries) {
    std::lock_guard lock(FImpl->mutex);
    entries.clear();
    DWORD error = 0;
    std::optional<THandle> search = FImpl->startSearch(pattern, error);
    if (!search) {
        return failWith(error, TFolderListing::failed);
    }
    const TNtfsTree& tree = *search->drive->tree;
    entries.reserve(tree.entries(search->file).size() + 2);
    TListed listed;
    while (nextEntry(*search, listed)) {
        const TNtfsFile& file = tree.file(listed.file);
        entries.push_back(
            TFolderEntry{std::move(listed.name), reportedAttributes(file), namedStreamsOf(file)});
    }
    if (entries.empty()) {
        return failWith(ERROR_FILE_NOT_FOUND, TFolderListing::failed);
    }
    return TFolderListing::listed;
}

BOOL TNtfsFileServices::FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    std::lock_guard lock(FImpl->mutex);
    THandle* search = FImpl->findHandle(find, THandleKind::findFiles);
    if (search == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (data == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    return nextEntry(*search, data) ? TRUE : failWith(ERROR_NO_MORE_FILES, FALSE);
}

BOOL TNtfsFileServices::FindClose(HANDLE find) {
    std::lock_guard lock(FImpl->mutex);
    const bool known = FImpl->findHandle(find, THandleKind::findFiles) != nullptr ||
                       FImpl->findHandle(find, THandleKind::findStreams) != nullptr;
    if (!known) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    FImpl->handles.erase(handleId(find));
    return TRUE;
}

bool TNtfsFileServices::hasStreamFunctions() {
    std::lock_guard lock(FImpl->mutex);
    return FImpl->streamFunctions;
}

void TNtfsFileServices::setStreamFunctionsAvailable(bool available) {
    std::lock_guard lock(FImpl->mutex);
    FImpl->streamFunctions = available;
}

HANDLE TNtfsFileServices::FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                                           DWORD flags) {
    std::lock_guard lock(FImpl->mutex);
    if (!FImpl->streamFunctions) {
        return failWith(ERROR_CALL_NOT_IMPLEMENTED, INVALID_HANDLE_VALUE);
    }
    if (infoLevel != FindStreamInfoStandard || flags != 0 || data == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    const TWinPath p = parseShownPath(path);
    const TLocated found = FImpl->lookUp(p);
    if (found.error != 0) {
        return failWith(found.error, INVALID_HANDLE_VALUE);
    }
    const TNtfsFile& file = found.drive->tree->file(*found.file);
    THandle search;
    search.kind = THandleKind::findStreams;
    search.drive = found.drive;
    search.file = *found.file;
    // The main data first (a file always has one), then the named streams in the volume's order.
    if (!file.folder) {
        const TNtfsData* main = file.findStream({});
        search.streams.emplace_back(L"::$DATA", main != nullptr ? main->size : 0);
    }
    for (const TNtfsData& stream : file.streams) {
        if (!stream.name.empty()) {
            search.streams.emplace_back(L":" + shownName(stream.name) + L":$DATA", stream.size);
        }
    }
    if (search.streams.empty()) {
        return failWith(ERROR_HANDLE_EOF, INVALID_HANDLE_VALUE);
    }
    fillStreamData(search.streams[0], data);
    search.nextStream = 1;
    return FImpl->newHandle(std::move(search));
}

BOOL TNtfsFileServices::FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) {
    std::lock_guard lock(FImpl->mutex);
    THandle* search = FImpl->findHandle(find, THandleKind::findStreams);
    if (search == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (data == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (search->nextStream >= search->streams.size()) {
        return failWith(ERROR_HANDLE_EOF, FALSE);
    }
    fillStreamData(search->streams[search->nextStream++], data);
    return TRUE;
}

} // namespace plat::ntfs
