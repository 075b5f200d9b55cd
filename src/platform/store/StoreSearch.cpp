// Directory searches (FindFirstFileW and the rest) and stream listing (FindFirstStreamW).

#include "platform/store/StoreImpl.h"

#include <algorithm>

namespace plat::store {

using namespace detail;

namespace {

template <std::size_t N> void copyName(wchar_t (&target)[N], const std::wstring& name) {
    const std::size_t count = std::min(name.size(), N - 1);
    std::copy_n(name.begin(), count, target);
    target[count] = L'\0';
}

void fillFindData(const TNode& node, const std::wstring& name, const std::wstring& shortName,
                  WIN32_FIND_DATAW* data) {
    *data = WIN32_FIND_DATAW{};
    data->dwFileAttributes = node.reportedAttributes();
    data->ftCreationTime = node.created;
    data->ftLastAccessTime = node.accessed;
    data->ftLastWriteTime = node.written;
    const std::uint64_t size = node.folder ? 0 : node.dataSize();
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    if ((node.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        data->dwReserved0 = node.reparseTag != 0 ? node.reparseTag : IO_REPARSE_TAG_MOUNT_POINT;
    }
    copyName(data->cFileName, name);
    copyName(data->cAlternateFileName, shortName);
}

bool isLiteralMask(const std::wstring& mask) {
    return !mask.empty() && mask.find_first_of(L"*?<>\"") == std::wstring::npos;
}

// The next entry of a directory search: "." and ".." first, then the entries in NTFS order from
// where the search stands, so that entries added or removed behind the search do not disturb it.
bool nextEntry(THandle& search, WIN32_FIND_DATAW* data) {
    while (search.dotEntriesLeft > 0) {
        const bool dot = search.dotEntriesLeft == 2;
        --search.dotEntriesLeft;
        const std::wstring name = dot ? L"." : L"..";
        if (matchesMask(search.mask, name)) {
            std::shared_ptr<TNode> shown = search.node;
            if (!dot) {
                if (auto parent = search.node->parent.lock()) {
                    shown = parent;
                }
            }
            fillFindData(*shown, name, std::wstring(), data);
            return true;
        }
    }
    const auto& children = search.node->children;
    if (isLiteralMask(search.mask)) {
        // A mask without wildcards names one entry at most, by its long or short name as written:
        // it is looked up in the folder's index, as the file system answers, instead of walking a
        // folder that may hold a million entries.
        if (search.started) {
            return false;
        }
        search.started = true;
        const std::shared_ptr<TNode> child = search.node->findChild(search.mask);
        if (!child) {
            return false;
        }
        fillFindData(*child, child->name, child->shortName, data);
        return true;
    }
    auto it = search.started ? children.upper_bound(search.lastKey) : children.begin();
    search.started = true;
    for (; it != children.end(); ++it) {
        search.lastKey = it->first;
        const TNode& child = *it->second;
        if (matchesMask(search.mask, child.name) ||
            (!child.shortName.empty() && matchesMask(search.mask, child.shortName))) {
            fillFindData(child, child.name, child.shortName, data);
            return true;
        }
    }
    return false;
}

void fillStreamData(const std::pair<std::wstring, std::uint64_t>& stream, WIN32_FIND_STREAM_DATA* data) {
    *data = WIN32_FIND_STREAM_DATA{};
    data->StreamSize = static_cast<LONGLONG>(stream.second);
    copyName(data->cStreamName, stream.first);
}

} // namespace

HANDLE TSimStore::FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
    if (TGate gate = FImpl->enter(TCall::FindFirstFileW, pattern); gate.fail) {
        return failWith(gate.error, INVALID_HANDLE_VALUE);
    }
    std::lock_guard lock(FImpl->mutex);
    if (pattern == nullptr || data == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    std::wstring text(pattern);
    std::replace(text.begin(), text.end(), L'/', L'\\');
    const auto slash = text.rfind(L'\\');
    if (slash == std::wstring::npos) {
        return failWith(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    const std::wstring mask = searchMask(text);
    const std::wstring folderText = text.substr(0, slash + 1);
    const TPath folderPath = parsePath(folderText.c_str());
    if (folderPath.error == 0 && folderPath.hasStream) {
        return failWith(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
    }
    // The folder searched is reached through a link, as any path that goes on below one.
    TResolved found = FImpl->resolve(folderPath);
    if (found.error == 0 && found.node) {
        found = FImpl->followLinks(found);
        if (found.error == ERROR_FILE_NOT_FOUND) {
            found.error = ERROR_PATH_NOT_FOUND;
        }
    }
    if (found.error != 0) {
        return failWith(found.error, INVALID_HANDLE_VALUE);
    }
    if (!found.node) {
        return failWith(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    if (!found.node->folder) {
        return failWith(ERROR_DIRECTORY, INVALID_HANDLE_VALUE);
    }
    if (found.node->denied) {
        return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    if (mask.find_first_of(L":/") != std::wstring::npos) {
        return failWith(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
    }
    if (mask.empty()) {
        return failWith(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE); // "C:\dir\" names no entry
    }
    THandle search;
    search.kind = THandleKind::FindFiles;
    search.path = pattern;
    search.node = found.node;
    search.mask = mask;
    search.dotEntriesLeft = folderPath.parts.empty() ? 0 : 2;
    if (!nextEntry(search, data)) {
        return failWith(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    return FImpl->newHandle(std::move(search));
}

BOOL TSimStore::FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    if (TGate gate = FImpl->enter(TCall::FindNextFileW, nullptr, find); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    THandle* search = FImpl->findHandle(find, THandleKind::FindFiles);
    if (search == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (data == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    return nextEntry(*search, data) ? TRUE : failWith(ERROR_NO_MORE_FILES, FALSE);
}

BOOL TSimStore::FindClose(HANDLE find) {
    const TGate gate = FImpl->enter(TCall::FindClose, nullptr, find);
    std::lock_guard lock(FImpl->mutex);
    // An injected failure still releases the search, as for CloseHandle.
    const bool known = FImpl->findHandle(find, THandleKind::FindFiles) != nullptr ||
                       FImpl->findHandle(find, THandleKind::FindStreams) != nullptr;
    if (known) {
        FImpl->handles.erase(handleId(find));
    }
    if (gate.fail) {
        return failWith(gate.error, FALSE);
    }
    return known ? TRUE : failWith(ERROR_INVALID_HANDLE, FALSE);
}

bool TSimStore::hasStreamFunctions() {
    std::lock_guard lock(FImpl->mutex);
    return FImpl->streamFunctions;
}

HANDLE TSimStore::FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                                   DWORD flags) {
    if (TGate gate = FImpl->enter(TCall::FindFirstStreamW, path); gate.fail) {
        return failWith(gate.error, INVALID_HANDLE_VALUE);
    }
    std::lock_guard lock(FImpl->mutex);
    if (!FImpl->streamFunctions) {
        return failWith(ERROR_CALL_NOT_IMPLEMENTED, INVALID_HANDLE_VALUE);
    }
    if (infoLevel != FindStreamInfoStandard || flags != 0 || data == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    const TPath p = parsePath(path);
    TResolved found = FImpl->resolve(p);
    if (found.error == 0 && found.node) {
        found = FImpl->followLinks(found); // the listing opens the file as any plain open does
    }
    if (found.error != 0) {
        return failWith(found.error, INVALID_HANDLE_VALUE);
    }
    if (!found.node) {
        return failWith(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    const TNode& node = *found.node;
    if (p.trailingSlash && !node.folder) {
        return failWith(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
    }
    if (p.hasStream && !p.stream.empty() && !node.findStream(p.stream)) {
        return failWith(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    if (node.denied) {
        return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    if (!found.drive->hasNamedStreams()) {
        return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE); // the file system cannot list streams
    }
    THandle search;
    search.kind = THandleKind::FindStreams;
    search.path = path;
    search.node = found.node;
    if (!node.folder) {
        search.streams.emplace_back(L"::$DATA", node.dataSize());
    }
    for (const auto& stream : node.streams) {
        search.streams.emplace_back(L":" + stream->name + L":$DATA", stream->size);
    }
    if (search.streams.empty()) {
        return failWith(ERROR_HANDLE_EOF, INVALID_HANDLE_VALUE);
    }
    fillStreamData(search.streams[0], data);
    search.nextStream = 1;
    return FImpl->newHandle(std::move(search));
}

BOOL TSimStore::FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) {
    if (TGate gate = FImpl->enter(TCall::FindNextStreamW, nullptr, find); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    THandle* search = FImpl->findHandle(find, THandleKind::FindStreams);
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

} // namespace plat::store
