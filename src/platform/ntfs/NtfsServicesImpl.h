#pragma once
// The state behind TNtfsFileServices: the mounted volumes with their folder trees, the open handles
// and backup contexts. Every member is used with the mutex held.

#include "ntfs/BackupStream.h"
#include "platform/WinPath.h"
#include "platform/ntfs/NtfsFileServices.h"
#include "ntfs/NtfsTree.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace plat::ntfs {

namespace detail {

DWORD lastError();
void setLastError(DWORD code);

template <typename T> T failWith(DWORD error, T value) {
    setLastError(error);
    return value;
}

struct TMounted {
    std::unique_ptr<TNtfsVolume> volume;
    std::unique_ptr<TNtfsTree> tree;
};

// What a path names: a file or folder of a mounted volume, and for a stream path one of its streams.
struct TLocated {
    DWORD error = 0;
    TMounted* drive = nullptr;
    std::optional<std::size_t> parent; // the folder that holds (or would hold) the last component
    std::optional<std::size_t> file;   // the last component; the root for "C:\"
    const TNtfsData* stream = nullptr; // the catalogue's stream for a stream path, or the main data
};

enum class THandleKind { file, findFiles, findStreams };

struct THandle {
    THandleKind kind = THandleKind::file;
    TMounted* drive = nullptr;
    std::size_t file = 0;
    // File handles: the file as read at open, and the stream opened (none for a folder).
    std::shared_ptr<const TNtfsFile> loaded;
    std::optional<std::size_t> stream; // index into loaded->streams
    DWORD access = 0;
    std::uint64_t position = 0;
    // Directory searches: "." and ".." first (not at a root), then the folder's entries from next.
    std::wstring upperMask;
    bool everyName = false; // the mask takes every name: none is matched
    int dotEntriesLeft = 0;
    std::size_t next = 0;
    // Stream searches.
    std::vector<std::pair<std::wstring, std::uint64_t>> streams;
    std::size_t nextStream = 0;

    const TNtfsData* data() const { return loaded && stream ? &loaded->streams[*stream] : nullptr; }
};

// A backup read in progress; it keeps the file as read at open, so it outlives its handle safely.
struct TBackupContext {
    TMounted* drive = nullptr;
    std::shared_ptr<const TNtfsFile> file;
    TBackupStream<TNtfsData> stream;
};

inline FILETIME fileTime(std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

// The attributes as Windows reports them: the directory bit from the record, NORMAL alone for a
// file with none.
DWORD reportedAttributes(const TNtfsFile& file);

} // namespace detail

struct TNtfsFileServices::TImpl {
    std::mutex mutex;
    std::map<wchar_t, detail::TMounted> drives;
    std::uintptr_t nextHandle = 0x1000;
    std::map<std::uintptr_t, detail::THandle> handles;
    std::map<std::uintptr_t, detail::TBackupContext> contexts;
    UINT errorMode = 0;
    bool streamFunctions = true;
    // The folder the last located path lay in: a scan asks for each file of a folder in turn, and
    // the folder's own walk from the root is done once. Forgotten when a volume is mounted.
    wchar_t lastDrive = 0;
    std::vector<std::wstring> lastFolderParts;
    std::size_t lastFolder = 0;
    // The file last read afresh: a scan opens a file's streams one after the other, and they share
    // one reading of its records. Forgotten when a volume is mounted.
    const detail::TMounted* lastLoadedDrive = nullptr;
    std::shared_ptr<const TNtfsFile> lastLoaded;

    detail::TMounted* driveOf(wchar_t letter);
    // Resolves a parsed path to a mounted volume's file, folder or stream (error set when missing).
    detail::TLocated locate(const TWinPath& path);
    // As locate, with the errors Windows gives for a missing file or stream.
    detail::TLocated lookUp(const TWinPath& path);
    HANDLE newHandle(detail::THandle handle);
    // The file with the locations of its data (the one read last when it is the same); null when its
    // record is no longer a file in use.
    std::shared_ptr<const TNtfsFile> loaded(const detail::TMounted& drive, std::uint64_t record);
    detail::THandle* findHandle(HANDLE handle, detail::THandleKind kind);
    // A directory search of the pattern as FindFirstFileW starts it, before its first entry; the error
    // FindFirstFileW gives when it cannot be.
    std::optional<detail::THandle> startSearch(const wchar_t* pattern, DWORD& error);
    // The stream of a file with this name: written exactly so, or else matching without case as NTFS
    // compares stream names.
    const TNtfsData* streamNamed(const detail::TMounted& drive, const TNtfsFile& file,
                                 const std::wstring& name);
};

inline HANDLE handleValue(std::uintptr_t id) {
    return reinterpret_cast<HANDLE>(id);
}

inline std::uintptr_t handleId(HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

} // namespace plat::ntfs
