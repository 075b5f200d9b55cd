#pragma once
// The state behind TSimStore: the content, the open handles and backup contexts, the call log and
// the planned faults. Every member is used with the mutex held, except where a function says so.

#include "ntfs/BackupStream.h"
#include "platform/store/SimStore.h"
#include "platform/store/StoreModel.h"

#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace plat::store {

namespace detail {

DWORD lastError();
void setLastError(DWORD code);

// Sets the calling thread's last error and gives the value the call returns on failure.
template <typename T> T failWith(DWORD error, T value) {
    setLastError(error);
    return value;
}

enum class THandleKind { File, FindFiles, FindStreams };

struct THandle {
    THandleKind kind = THandleKind::File;
    std::wstring path;
    std::shared_ptr<TNode> node; // the file or folder opened, or the folder searched
    // File handles.
    std::shared_ptr<TData> data; // the stream opened; null for a folder
    DWORD access = 0;
    DWORD share = 0;
    std::uint64_t position = 0;
    wchar_t drive = 0;
    // Directory searches: "." and ".." first (not at a root), then the entries after the last key.
    std::wstring mask;
    int dotEntriesLeft = 0;
    bool started = false;
    std::wstring lastKey;
    // Stream searches: the streams as found by FindFirstStreamW.
    std::vector<std::pair<std::wstring, std::uint64_t>> streams;
    std::size_t nextStream = 0;
};

// An open by another program (holdOpen): it takes part in share checks only.
struct THold {
    std::shared_ptr<TNode> node;
    std::shared_ptr<TData> data;
    DWORD access = 0;
    DWORD share = 0;
};

// A backup read in progress; it keeps the streams it reads from, so a stream deleted meanwhile still reads.
struct TBackupContext {
    ::ntfs::TBackupStream<TData> stream;
    std::vector<std::shared_ptr<TData>> kept;
};

struct TResolved {
    DWORD error = 0;
    TDrive* drive = nullptr;
    std::shared_ptr<TNode> parent; // the folder that holds (or would hold) the last component
    std::shared_ptr<TNode> node;   // the last component, null when missing; the root for "C:\"
};

// What a path names once resolved: a file or folder, or one of its data streams.
struct TEntry {
    DWORD error = 0;
    std::shared_ptr<TNode> node;
    std::shared_ptr<TData> data; // the stream for a stream path; the main data for a file
    bool streamPath = false;
};

struct TPlannedFault {
    enum class TKind { Number, Nth, Path } kind = TKind::Number;
    TCall call = TCall::CreateFileW;
    std::uint64_t number = 0;
    int nth = 0;
    int seen = 0;
    std::wstring pathPart; // upper case
    DWORD error = 0;
};

struct TPlannedAction {
    TCall call = TCall::CreateFileW;
    int nth = 0;
    int seen = 0;
    std::function<void()> action;
};

// What the call log and the faults decided for one call.
struct TGate {
    bool fail = false;
    DWORD error = 0;
};

} // namespace detail

struct TSimStore::TImpl {
    std::mutex mutex;
    std::map<wchar_t, detail::TDrive> drives;
    std::uint64_t nextNodeId = 1;
    std::uintptr_t nextHandle = 0x1000;
    std::map<std::uintptr_t, detail::THandle> handles;
    std::map<std::uintptr_t, detail::TBackupContext> contexts;
    std::map<int, detail::THold> holds;
    int nextHold = 1;
    std::wstring windowsDirectory = L"C:\\Windows";
    bool streamFunctions = true;
    bool redirectionFunctions = true;
    DWORD backupReadLimit = 0;
    DWORD securityRecordSize = 32;
    UINT errorMode = 0;
    std::map<std::thread::id, int> redirectionOff;
    int redirectedCalls = 0;

    std::vector<TLoggedCall> log;
    std::vector<detail::TPlannedFault> faults;
    std::vector<detail::TPlannedAction> actions;

    // ---- Call log and faults (SimStore.cpp). Takes the mutex itself; runs due actions after it.
    detail::TGate enter(TCall call, const wchar_t* path, HANDLE handle = nullptr);

    // ---- Redirection (StoreRedirection.cpp).
    // The path a service call reaches while the calling thread's redirection is on, when that is
    // another one (the 32-bit system folder's); counted in redirectedCalls.
    std::optional<detail::TPath> redirected(const detail::TPath& path);

    // ---- Content (StoreContent.cpp).
    // Resolves a parsed path; checkMedia false for the test's own set-up and inspection, which see
    // the store as it is, past any redirection.
    // Links on the way to the last name are followed; the last name is not (followLinks does that).
    detail::TResolved resolve(const detail::TPath& path, bool checkMedia = true);
    // What a resolved entry leads to: the entry itself unless it is a link, else the end of its chain
    // of links, with the error Windows gives when that cannot be reached.
    detail::TResolved followLinks(const detail::TResolved& found, bool checkMedia = true);
    // The file, folder or stream a service path names, with the error Windows gives when it is missing.
    detail::TEntry lookUp(const detail::TPath& path);
    // Resolves a set-up path to an existing node, or throws std::invalid_argument.
    std::shared_ptr<detail::TNode> existing(const std::wstring& path, detail::TPath* parsed = nullptr);
    std::shared_ptr<detail::TNode> makeChild(const std::shared_ptr<detail::TNode>& folder,
                                             const std::wstring& name, bool folderNode, DWORD attributes);
    // The folder at a set-up path, made with its missing parents.
    std::shared_ptr<detail::TNode> folderWithParents(const detail::TPath& path, std::size_t depth);
    detail::TDrive* driveOf(wchar_t letter);
    void unlink(detail::TNode& node);
    void giveBackSpace(wchar_t drive, std::uint64_t bytes);

    detail::TResolved resolveCounted(const detail::TPath& path, bool checkMedia, int& linksFollowed);
    detail::TResolved followCounted(detail::TResolved found, bool checkMedia, int& linksFollowed);

    // ---- Handles (StoreFiles.cpp).
    HANDLE newHandle(detail::THandle handle);
    detail::THandle* findHandle(HANDLE handle, detail::THandleKind kind);
    // Whether an open with this access and sharing conflicts with the opens of the same stream
    // (or, with wholeNode, of any stream of the node and the node itself).
    bool sharingViolation(const detail::TNode& node, const detail::TData* data, bool wholeNode, DWORD access,
                          DWORD share) const;
    int openCount() const { return static_cast<int>(handles.size() + contexts.size()); }
};

inline HANDLE handleValue(std::uintptr_t id) {
    return reinterpret_cast<HANDLE>(id);
}

inline std::uintptr_t handleId(HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

} // namespace plat::store
