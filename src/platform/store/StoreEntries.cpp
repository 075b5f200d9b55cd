// Path calls on entries: attributes, deleting files and streams, making and removing folders.

#include "platform/store/StoreImpl.h"

namespace plat::store {

using namespace detail;

TEntry TSimStore::TImpl::lookUp(const TPath& p) {
    TEntry entry;
    const TResolved found = resolve(p);
    if (found.error != 0) {
        entry.error = found.error;
        return entry;
    }
    if (!found.node) {
        entry.error = ERROR_FILE_NOT_FOUND;
        return entry;
    }
    if (p.trailingSlash && !found.node->folder) {
        entry.error = ERROR_INVALID_NAME;
        return entry;
    }
    entry.node = found.node;
    entry.streamPath = p.hasStream;
    if (p.hasStream) {
        entry.data = p.stream.empty() ? found.node->main : found.node->findStream(p.stream);
        if (!entry.data) {
            entry.error = ERROR_FILE_NOT_FOUND;
        }
    } else {
        entry.data = found.node->main;
    }
    return entry;
}

DWORD TSimStore::GetFileAttributesW(const wchar_t* path) {
    if (TGate gate = FImpl->enter(TCall::GetFileAttributesW, path); gate.fail) {
        return failWith(gate.error, INVALID_FILE_ATTRIBUTES);
    }
    std::lock_guard lock(FImpl->mutex);
    const TEntry entry = FImpl->lookUp(parsePath(path));
    if (entry.error != 0) {
        return failWith(entry.error, INVALID_FILE_ATTRIBUTES);
    }
    return entry.node->reportedAttributes();
}

BOOL TSimStore::GetFileAttributesExW(const wchar_t* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data) {
    if (TGate gate = FImpl->enter(TCall::GetFileAttributesExW, path); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    if (infoLevel != GetFileExInfoStandard || data == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    const TEntry entry = FImpl->lookUp(parsePath(path));
    if (entry.error != 0) {
        return failWith(entry.error, FALSE);
    }
    const TNode& node = *entry.node;
    // A stream path gives the stream's size with the attributes and times of its file.
    const std::uint64_t size = entry.data ? entry.data->size : 0;
    *data = WIN32_FILE_ATTRIBUTE_DATA{};
    data->dwFileAttributes = node.reportedAttributes();
    data->ftCreationTime = node.created;
    data->ftLastAccessTime = node.accessed;
    data->ftLastWriteTime = node.written;
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    return TRUE;
}

BOOL TSimStore::DeleteFileW(const wchar_t* path) {
    if (TGate gate = FImpl->enter(TCall::DeleteFileW, path); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    TImpl& m = *FImpl;
    const TPath p = parsePath(path);
    const TEntry entry = m.lookUp(p);
    if (entry.error != 0) {
        return failWith(entry.error, FALSE);
    }
    TNode& node = *entry.node;
    const bool oneStream = entry.streamPath && entry.data && entry.data != node.main;
    // The read-only attribute protects a file and its streams; on a folder it means nothing here.
    const bool readOnly = !node.folder && (node.attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if ((node.folder && !oneStream) || node.denied || (oneStream && entry.data->denied) || readOnly) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    if (oneStream) {
        if (m.sharingViolation(node, entry.data.get(), false, DELETE_ACCESS, kShareAll)) {
            return failWith(ERROR_SHARING_VIOLATION, FALSE);
        }
        m.giveBackSpace(p.drive, entry.data->size);
        std::erase(node.streams, entry.data);
        return TRUE;
    }
    // The whole file: every open of any of its streams must allow deleting. The name goes at once
    // (as with the delete semantics of current Windows); open handles keep working on the data.
    if (m.sharingViolation(node, nullptr, true, DELETE_ACCESS, kShareAll)) {
        return failWith(ERROR_SHARING_VIOLATION, FALSE);
    }
    m.giveBackSpace(p.drive, node.dataSize());
    for (const auto& stream : node.streams) {
        m.giveBackSpace(p.drive, stream->size);
    }
    m.unlink(node);
    return TRUE;
}

BOOL TSimStore::MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) {
    if (TGate gate = FImpl->enter(TCall::MoveFileExW, existing); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    TImpl& m = *FImpl;
    const TPath from = parsePath(existing);
    const TPath to = parsePath(newName);
    if (to.error != 0) {
        return failWith(to.error, FALSE);
    }
    if (from.hasStream || to.hasStream || to.parts.empty()) {
        return failWith(ERROR_INVALID_NAME, FALSE);
    }
    const TEntry source = m.lookUp(from);
    if (source.error != 0) {
        return failWith(source.error, FALSE);
    }
    // Files only in this model; a file keeps its volume (Windows copies across volumes only when asked).
    const std::shared_ptr<TNode> node = source.node;
    if (node->folder || node->denied) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    if (from.drive != to.drive) {
        return failWith(ERROR_NOT_SAME_DEVICE, FALSE);
    }
    if (m.sharingViolation(*node, nullptr, true, DELETE_ACCESS, kShareAll)) {
        return failWith(ERROR_SHARING_VIOLATION, FALSE);
    }
    const TResolved target = m.resolve(to);
    if (target.error != 0) {
        return failWith(target.error, FALSE);
    }
    if (target.parent->denied) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    if (target.node && target.node != node) {
        TNode& replaced = *target.node;
        if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) {
            return failWith(ERROR_ALREADY_EXISTS, FALSE);
        }
        if (replaced.folder || replaced.denied || (replaced.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return failWith(ERROR_ACCESS_DENIED, FALSE);
        }
        if (m.sharingViolation(replaced, nullptr, true, DELETE_ACCESS, kShareAll)) {
            return failWith(ERROR_SHARING_VIOLATION, FALSE);
        }
        m.giveBackSpace(to.drive, replaced.dataSize());
        for (const auto& stream : replaced.streams) {
            m.giveBackSpace(to.drive, stream->size);
        }
        m.unlink(replaced);
    }
    m.unlink(*node);
    node->name = to.parts.back();
    node->shortName = fitsShortName(node->name) ? std::wstring() : makeShortName(node->name, *target.parent);
    node->parent = target.parent;
    target.parent->addChild(node);
    return TRUE;
}

BOOL TSimStore::CreateDirectoryW(const wchar_t* path, void* security) {
    (void)security;
    if (TGate gate = FImpl->enter(TCall::CreateDirectoryW, path); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    const TPath p = parsePath(path);
    if (p.error == 0 && p.hasStream) {
        return failWith(ERROR_INVALID_NAME, FALSE);
    }
    const TResolved found = FImpl->resolve(p);
    if (found.error != 0) {
        return failWith(found.error, FALSE);
    }
    if (found.node) {
        return failWith(found.node->folder && p.parts.empty() ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS,
                        FALSE);
    }
    if (found.parent->denied) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    FImpl->makeChild(found.parent, p.parts.back(), true, 0);
    return TRUE;
}

BOOL TSimStore::RemoveDirectoryW(const wchar_t* path) {
    if (TGate gate = FImpl->enter(TCall::RemoveDirectoryW, path); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    const TPath p = parsePath(path);
    if (p.error == 0 && p.hasStream) {
        return failWith(ERROR_INVALID_NAME, FALSE);
    }
    const TResolved found = FImpl->resolve(p);
    if (found.error != 0) {
        return failWith(found.error, FALSE);
    }
    if (!found.node) {
        return failWith(ERROR_FILE_NOT_FOUND, FALSE);
    }
    TNode& node = *found.node;
    if (!node.folder) {
        return failWith(ERROR_DIRECTORY, FALSE);
    }
    if (p.parts.empty() || node.denied || (node.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    if (!node.children.empty()) {
        return failWith(ERROR_DIR_NOT_EMPTY, FALSE);
    }
    if (FImpl->sharingViolation(node, nullptr, true, DELETE_ACCESS, kShareAll)) {
        return failWith(ERROR_SHARING_VIOLATION, FALSE);
    }
    FImpl->unlink(node);
    return TRUE;
}

} // namespace plat::store
