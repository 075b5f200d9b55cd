// Laying out and inspecting the store's content, and resolving paths against it.

#include "platform/store/StoreImpl.h"

#include <stdexcept>

namespace plat::store {

using namespace detail;

namespace {

[[noreturn]] void badSetUp(const std::wstring& what, const std::wstring& path) {
    std::string text = "TSimStore: ";
    for (wchar_t c : what + L": " + path) {
        text += static_cast<std::uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?';
    }
    throw std::invalid_argument(text);
}

// Set-up and inspection paths name entries as written: "C:\dir\report." is the file "report.".
TPath parseExactPath(const std::wstring& path) {
    return parsePath(exactPath(path).c_str());
}

TPath parseSetUpPath(const std::wstring& path) {
    TPath parsed = parseExactPath(path);
    if (parsed.error != 0) {
        badSetUp(L"not a full path", path);
    }
    return parsed;
}

} // namespace

TResolved TSimStore::TImpl::resolve(const TPath& asked, bool checkMedia) {
    int linksFollowed = 0;
    return resolveCounted(asked, checkMedia, linksFollowed);
}

TResolved TSimStore::TImpl::followLinks(const TResolved& found, bool checkMedia) {
    int linksFollowed = 0;
    return followCounted(found, checkMedia, linksFollowed);
}

TResolved TSimStore::TImpl::resolveCounted(const TPath& asked, bool checkMedia, int& linksFollowed) {
    // A service call reaches what the calling thread's redirection makes of its path.
    const std::optional<TPath> redirectedPath = checkMedia ? redirected(asked) : std::nullopt;
    const TPath& path = redirectedPath ? *redirectedPath : asked;
    TResolved result;
    if (path.error != 0) {
        result.error = path.error;
        return result;
    }
    if (path.device) {
        // The device a plain path names ("C:\dir\nul.txt" is NUL): never an entry of the store.
        result.error = ERROR_FILE_NOT_FOUND;
        return result;
    }
    auto drive = drives.find(path.drive);
    if (drive == drives.end()) {
        result.error = ERROR_PATH_NOT_FOUND;
        return result;
    }
    result.drive = &drive->second;
    if (checkMedia && !drive->second.mediaPresent) {
        result.error = ERROR_NOT_READY;
        return result;
    }
    if (checkMedia && drive->second.fileSystem.empty()) {
        result.error = ERROR_UNRECOGNIZED_VOLUME;
        return result;
    }
    std::shared_ptr<TNode> folder = drive->second.root;
    if (path.parts.empty()) {
        result.node = folder;
        return result;
    }
    for (std::size_t i = 0; i + 1 < path.parts.size(); ++i) {
        TResolved step{0, result.drive, folder, folder->findChild(path.parts[i])};
        // A link on the way is passed through to its target, as Windows does.
        step = followCounted(step, checkMedia, linksFollowed);
        if (step.error == ERROR_CANT_RESOLVE_FILENAME || step.error == ERROR_NOT_READY ||
            step.error == ERROR_UNRECOGNIZED_VOLUME) {
            result.error = step.error;
            return result;
        }
        if (step.error != 0 || !step.node || !step.node->folder) {
            result.error = ERROR_PATH_NOT_FOUND;
            return result;
        }
        result.drive = step.drive;
        folder = step.node;
    }
    result.parent = folder;
    result.node = folder->findChild(path.parts.back());
    return result;
}

TResolved TSimStore::TImpl::followCounted(TResolved found, bool checkMedia, int& linksFollowed) {
    while (found.error == 0 && found.node && found.node->link) {
        if (++linksFollowed > kMaxLinksFollowed) {
            found.error = ERROR_CANT_RESOLVE_FILENAME;
            return found;
        }
        const TPath target = parsePath(exactPath(found.node->linkTarget).c_str());
        found = resolveCounted(target, checkMedia, linksFollowed);
        if (found.error == 0 && !found.node) {
            found.error = ERROR_FILE_NOT_FOUND;
        }
    }
    return found;
}

TDrive* TSimStore::TImpl::driveOf(wchar_t letter) {
    auto it = drives.find(upperChar(letter));
    return it == drives.end() ? nullptr : &it->second;
}

std::shared_ptr<TNode> TSimStore::TImpl::makeChild(const std::shared_ptr<TNode>& folder,
                                                   const std::wstring& name, bool folderNode,
                                                   DWORD attributes) {
    auto node = std::make_shared<TNode>();
    node->name = name;
    node->shortName = fitsShortName(name) ? std::wstring() : makeShortName(name, *folder);
    node->folder = folderNode;
    node->attributes = folderNode ? (attributes | FILE_ATTRIBUTE_DIRECTORY) : attributes;
    node->created = node->accessed = node->written = currentFileTime();
    node->id = nextNodeId++;
    if (!folderNode) {
        node->main = std::make_shared<TData>();
    }
    node->parent = folder;
    folder->addChild(node);
    return node;
}

std::shared_ptr<TNode> TSimStore::TImpl::folderWithParents(const TPath& path, std::size_t depth) {
    TDrive* drive = driveOf(path.drive);
    if (drive == nullptr) {
        badSetUp(L"no such drive", pathText(path));
    }
    std::shared_ptr<TNode> folder = drive->root;
    for (std::size_t i = 0; i < depth; ++i) {
        auto child = folder->findChild(path.parts[i]);
        if (child && child->link) {
            const TResolved through = followLinks(TResolved{0, drive, folder, child}, false);
            if (through.error != 0) {
                badSetUp(L"a link on the way leads nowhere", pathText(path));
            }
            child = through.node;
        }
        if (!child) {
            child = makeChild(folder, path.parts[i], true, 0);
        } else if (!child->folder) {
            badSetUp(L"a file stands where a folder is needed", pathText(path));
        }
        folder = child;
    }
    return folder;
}

std::shared_ptr<TNode> TSimStore::TImpl::existing(const std::wstring& path, TPath* parsed) {
    TPath p = parseSetUpPath(path);
    TResolved found = resolve(p, false);
    if (found.error != 0 || !found.node) {
        badSetUp(L"no such file or folder", path);
    }
    if (parsed != nullptr) {
        *parsed = p;
    }
    return found.node;
}

void TSimStore::TImpl::unlink(TNode& node) {
    if (auto parent = node.parent.lock()) {
        parent->removeChild(node);
    }
    node.parent.reset();
}

void TSimStore::TImpl::giveBackSpace(wchar_t drive, std::uint64_t bytes) {
    TDrive* d = driveOf(drive);
    if (d != nullptr && d->freeSpace != UINT64_MAX) {
        d->freeSpace = bytes > UINT64_MAX - 1 - d->freeSpace ? UINT64_MAX - 1 : d->freeSpace + bytes;
    }
}

// ---- Set-up.

void TSimStore::addDrive(wchar_t letter, UINT driveType, const std::wstring& label,
                         const std::wstring& fileSystem, bool mediaPresent) {
    std::lock_guard lock(FImpl->mutex);
    TDrive drive;
    drive.letter = upperChar(letter);
    drive.type = driveType;
    drive.label = label;
    drive.fileSystem = fileSystem;
    drive.mediaPresent = mediaPresent;
    drive.root = std::make_shared<TNode>();
    drive.root->folder = true;
    drive.root->attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    drive.root->created = drive.root->accessed = drive.root->written = currentFileTime();
    drive.root->id = FImpl->nextNodeId++;
    FImpl->drives[drive.letter] = drive;
}

void TSimStore::setMediaPresent(wchar_t letter, bool present) {
    std::lock_guard lock(FImpl->mutex);
    TDrive* drive = FImpl->driveOf(letter);
    if (drive == nullptr) {
        badSetUp(L"no such drive", std::wstring(1, letter));
    }
    drive->mediaPresent = present;
}

void TSimStore::setFreeSpace(wchar_t letter, std::uint64_t bytes) {
    std::lock_guard lock(FImpl->mutex);
    TDrive* drive = FImpl->driveOf(letter);
    if (drive == nullptr) {
        badSetUp(L"no such drive", std::wstring(1, letter));
    }
    drive->freeSpace = bytes == UINT64_MAX ? UINT64_MAX - 1 : bytes;
}

void TSimStore::addFolder(const std::wstring& path, DWORD attributes) {
    std::lock_guard lock(FImpl->mutex);
    TPath p = parseSetUpPath(path);
    if (p.hasStream) {
        badSetUp(L"a folder path has no stream", path);
    }
    auto folder = FImpl->folderWithParents(p, p.parts.size());
    if (attributes != 0) {
        folder->attributes = attributes | FILE_ATTRIBUTE_DIRECTORY;
    }
}

void TSimStore::addFile(const std::wstring& path, const std::string& data, DWORD attributes) {
    std::lock_guard lock(FImpl->mutex);
    TPath p = parseSetUpPath(path);
    if (p.hasStream || p.parts.empty()) {
        badSetUp(L"not a file path", path);
    }
    auto folder = FImpl->folderWithParents(p, p.parts.size() - 1);
    auto node = folder->findChild(p.parts.back());
    if (node && node->folder) {
        badSetUp(L"a folder of that name exists", path);
    }
    if (!node) {
        node = FImpl->makeChild(folder, p.parts.back(), false, attributes);
    }
    node->attributes = attributes;
    node->main->assign(data);
}

void TSimStore::addLink(const std::wstring& path, const std::wstring& target, TLinkKind kind) {
    std::lock_guard lock(FImpl->mutex);
    TPath p = parseSetUpPath(path);
    if (p.hasStream || p.parts.empty() || parseExactPath(target).error != 0) {
        badSetUp(L"not a link path and target", path + L" -> " + target);
    }
    auto folder = FImpl->folderWithParents(p, p.parts.size() - 1);
    if (folder->findChild(p.parts.back())) {
        badSetUp(L"an entry of that name exists", path);
    }
    const bool folderLink = kind != TLinkKind::fileSymbolicLink;
    auto node = FImpl->makeChild(folder, p.parts.back(), folderLink,
                                 FILE_ATTRIBUTE_REPARSE_POINT | (folderLink ? 0 : FILE_ATTRIBUTE_ARCHIVE));
    node->link = true;
    node->linkTarget = target;
    node->reparseTag = kind == TLinkKind::junction ? IO_REPARSE_TAG_MOUNT_POINT : IO_REPARSE_TAG_SYMLINK;
}

void TSimStore::addStream(const std::wstring& path, const std::wstring& streamName, const std::string& data) {
    std::lock_guard lock(FImpl->mutex);
    TPath p;
    auto node = FImpl->existing(path, &p);
    TDrive* drive = FImpl->driveOf(p.drive);
    if (!drive->hasNamedStreams()) {
        badSetUp(L"the drive's file system has no named streams", path);
    }
    if (p.hasStream || !isValidStreamName(streamName)) {
        badSetUp(L"not a stream name", streamName);
    }
    auto stream = node->findStream(streamName);
    if (!stream) {
        stream = std::make_shared<TData>();
        stream->name = streamName;
        node->insertStream(stream);
    }
    stream->assign(data);
}

void TSimStore::setDataSize(const std::wstring& path, std::uint64_t size) {
    std::lock_guard lock(FImpl->mutex);
    TPath p;
    auto node = FImpl->existing(path, &p);
    auto data = p.hasStream && !p.stream.empty() ? node->findStream(p.stream) : node->main;
    if (!data) {
        badSetUp(L"no such data stream", path);
    }
    data->resize(size);
}

void TSimStore::setAttributes(const std::wstring& path, DWORD attributes) {
    std::lock_guard lock(FImpl->mutex);
    auto node = FImpl->existing(path);
    node->attributes = node->folder ? (attributes | FILE_ATTRIBUTE_DIRECTORY) : attributes;
}

void TSimStore::setTimes(const std::wstring& path, const FILETIME& creation, const FILETIME& lastAccess,
                         const FILETIME& lastWrite) {
    std::lock_guard lock(FImpl->mutex);
    auto node = FImpl->existing(path);
    node->created = creation;
    node->accessed = lastAccess;
    node->written = lastWrite;
}

void TSimStore::setShortName(const std::wstring& path, const std::wstring& shortName) {
    std::lock_guard lock(FImpl->mutex);
    auto node = FImpl->existing(path);
    auto parent = node->parent.lock();
    if (!parent || (!shortName.empty() && !fitsShortName(shortName))) {
        badSetUp(L"not an 8.3 name of an entry", shortName);
    }
    if (!shortName.empty() && parent->findChild(shortName) && parent->findChild(shortName) != node) {
        badSetUp(L"the folder has an entry of that name", shortName);
    }
    parent->renameShort(*node, upper(shortName));
}

void TSimStore::denyAccess(const std::wstring& path, bool deny) {
    std::lock_guard lock(FImpl->mutex);
    TPath p;
    auto node = FImpl->existing(path, &p);
    if (p.hasStream && !p.stream.empty()) {
        auto stream = node->findStream(p.stream);
        if (!stream) {
            badSetUp(L"no such stream", path);
        }
        stream->denied = deny;
    } else {
        node->denied = deny;
    }
}

int TSimStore::holdOpen(const std::wstring& path, DWORD access, DWORD share) {
    std::lock_guard lock(FImpl->mutex);
    TPath p;
    THold hold;
    hold.node = FImpl->existing(path, &p);
    if (p.hasStream && !p.stream.empty()) {
        hold.data = hold.node->findStream(p.stream);
        if (!hold.data) {
            badSetUp(L"no such stream", path);
        }
    } else {
        hold.data = hold.node->main;
    }
    hold.access = access;
    hold.share = share;
    const int id = FImpl->nextHold++;
    FImpl->holds[id] = hold;
    return id;
}

void TSimStore::release(int holdId) {
    std::lock_guard lock(FImpl->mutex);
    FImpl->holds.erase(holdId);
}

void TSimStore::setWindowsDirectory(const std::wstring& path) {
    std::lock_guard lock(FImpl->mutex);
    FImpl->windowsDirectory = path;
}

void TSimStore::setStreamFunctionsAvailable(bool available) {
    std::lock_guard lock(FImpl->mutex);
    FImpl->streamFunctions = available;
}

void TSimStore::setRedirectionFunctionsAvailable(bool available) {
    std::lock_guard lock(FImpl->mutex);
    FImpl->redirectionFunctions = available;
}

void TSimStore::setBackupReadLimit(DWORD bytes) {
    std::lock_guard lock(FImpl->mutex);
    FImpl->backupReadLimit = bytes;
}

void TSimStore::setSecurityRecordSize(DWORD bytes) {
    std::lock_guard lock(FImpl->mutex);
    FImpl->securityRecordSize = bytes;
}

// ---- Inspection.

bool TSimStore::exists(const std::wstring& path) {
    std::lock_guard lock(FImpl->mutex);
    TPath p = parseExactPath(path);
    TResolved found = FImpl->resolve(p, false);
    if (found.error != 0 || !found.node) {
        return false;
    }
    if (p.hasStream) {
        return p.stream.empty() ? !found.node->folder : found.node->findStream(p.stream) != nullptr;
    }
    return true;
}

bool TSimStore::isFolder(const std::wstring& path) {
    std::lock_guard lock(FImpl->mutex);
    TPath p = parseExactPath(path);
    TResolved found = FImpl->resolve(p, false);
    return found.error == 0 && found.node && found.node->folder && !p.hasStream;
}

std::string TSimStore::readData(const std::wstring& path) {
    std::lock_guard lock(FImpl->mutex);
    TPath p;
    auto node = FImpl->existing(path, &p);
    auto data = p.hasStream && !p.stream.empty() ? node->findStream(p.stream) : node->main;
    if (!data) {
        badSetUp(L"no such data stream", path);
    }
    std::string bytes(static_cast<std::size_t>(data->size), '\0');
    data->read(0, bytes.data(), bytes.size());
    return bytes;
}

std::vector<std::wstring> TSimStore::streamNames(const std::wstring& path) {
    std::lock_guard lock(FImpl->mutex);
    auto node = FImpl->existing(path);
    std::vector<std::wstring> names;
    for (const auto& stream : node->streams) {
        names.push_back(stream->name);
    }
    return names;
}

std::vector<std::wstring> TSimStore::entryNames(const std::wstring& path) {
    std::lock_guard lock(FImpl->mutex);
    auto node = FImpl->existing(path);
    if (!node->folder) {
        badSetUp(L"not a folder", path);
    }
    std::vector<std::wstring> names;
    for (const auto& [key, child] : node->children) {
        names.push_back(child->name);
    }
    return names;
}

DWORD TSimStore::attributes(const std::wstring& path) {
    std::lock_guard lock(FImpl->mutex);
    TResolved found = FImpl->resolve(parseExactPath(path), false);
    return found.error == 0 && found.node ? found.node->reportedAttributes() : INVALID_FILE_ATTRIBUTES;
}

std::wstring TSimStore::shortName(const std::wstring& path) {
    std::lock_guard lock(FImpl->mutex);
    return FImpl->existing(path)->shortName;
}

int TSimStore::openHandles() {
    std::lock_guard lock(FImpl->mutex);
    return FImpl->openCount();
}

int TSimStore::redirectionOffCount() {
    std::lock_guard lock(FImpl->mutex);
    auto it = FImpl->redirectionOff.find(std::this_thread::get_id());
    return it == FImpl->redirectionOff.end() ? 0 : it->second;
}

UINT TSimStore::errorMode() {
    std::lock_guard lock(FImpl->mutex);
    return FImpl->errorMode;
}

} // namespace plat::store
