#pragma once
// The content of the simulated store (drives, folders, files, data streams) and the NTFS and Win32
// rules it is read with: names compared through an upper-case table, 8.3 short names, the
// directory-search wildcards and the parsing of Win32 paths with their stream suffixes.

#include "ntfs/Utf16.h"
#include "platform/WinPath.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace plat::store::detail {

// Access rights beyond GENERIC_READ / GENERIC_WRITE that count for sharing.
constexpr DWORD FILE_READ_DATA = 0x1;
constexpr DWORD FILE_WRITE_DATA = 0x2;
constexpr DWORD FILE_APPEND_DATA = 0x4;
constexpr DWORD DELETE_ACCESS = 0x10000;
constexpr DWORD GENERIC_ALL = 0x10000000;
// How DeleteFileW and RemoveDirectoryW open what they remove.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

constexpr DWORD IO_REPARSE_TAG_MOUNT_POINT = 0xA0000003;
constexpr DWORD IO_REPARSE_TAG_SYMLINK = 0xA000000C;
// Windows gives up on a path after this many links followed in a row.
constexpr int kMaxLinksFollowed = 63;

// The kinds of access that take part in sharing.
struct TAccessBits {
    bool read = false;
    bool write = false;
    bool remove = false;
    bool any() const { return read || write || remove; }
};

inline TAccessBits accessBits(DWORD access) {
    const bool all = (access & GENERIC_ALL) != 0;
    return TAccessBits{all || (access & (GENERIC_READ | FILE_READ_DATA)) != 0,
                       all || (access & (GENERIC_WRITE | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0,
                       all || (access & DELETE_ACCESS) != 0};
}

// One data stream: the main data of a file (empty name) or a named stream. The logical size may be
// larger than the bytes kept: the rest reads as zeros, so streams past 4 GiB cost no memory.
struct TData {
    std::wstring name;
    std::string bytes;
    std::uint64_t size = 0;
    bool denied = false;

    void read(std::uint64_t position, char* out, std::size_t count) const;
    void write(std::uint64_t position, const char* in, std::size_t count);
    void resize(std::uint64_t newSize);
    void assign(const std::string& content);
};

// Orders upper-case names as NTFS keeps them: unit by unit in UTF-16.
struct TUpperNameOrder {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return ::ntfs::compareUtf16Units(a, b) < 0;
    }
};

struct TNode {
    std::wstring name;      // long name as created (case preserved)
    std::wstring shortName; // 8.3 name, empty when the long name is itself a valid 8.3 name
    bool folder = false;
    DWORD attributes = 0;
    FILETIME created{};
    FILETIME accessed{};
    FILETIME written{};
    std::uint64_t id = 0;
    bool denied = false;
    std::shared_ptr<TData> main;                 // files only
    std::vector<std::shared_ptr<TData>> streams; // named streams in NTFS order (by upper-case name)
    std::map<std::wstring, std::shared_ptr<TNode>, TUpperNameOrder> children; // by upper-case long name
    std::map<std::wstring, std::wstring> shortIndex; // upper-case short name -> children key
    std::weak_ptr<TNode> parent;
    std::shared_ptr<const std::string> rawBackup; // served instead of the made-up backup stream
    // A reparse point that leads elsewhere (a junction, a symbolic link): its target, as a full path.
    // A reparse point without one (a placeholder, a folder marked so) is reached as itself.
    bool link = false;
    std::wstring linkTarget;
    DWORD reparseTag = 0; // the tag the directory search reports for a reparse point

    std::shared_ptr<TData> findStream(const std::wstring& streamName) const;
    // Puts a new named stream in its place in NTFS order.
    void insertStream(const std::shared_ptr<TData>& stream);
    // A child by long or short name.
    std::shared_ptr<TNode> findChild(const std::wstring& childName) const;
    // Whether a child uses the (upper-case) name as its long or short name.
    bool nameTaken(const std::wstring& upperName) const;
    void addChild(const std::shared_ptr<TNode>& child);
    void removeChild(const TNode& child);
    void renameShort(TNode& child, const std::wstring& shortName);
    // The attributes as the services report them (FILE_ATTRIBUTE_NORMAL alone for a plain file).
    DWORD reportedAttributes() const;
    std::uint64_t dataSize() const { return main ? main->size : 0; }
};

struct TDrive {
    wchar_t letter = 0;
    UINT type = DRIVE_FIXED;
    std::wstring label;
    std::wstring fileSystem;
    bool mediaPresent = true;
    std::uint64_t freeSpace = UINT64_MAX; // UINT64_MAX: unlimited
    std::shared_ptr<TNode> root;

    bool hasNamedStreams() const;
    DWORD serialNumber() const { return 0x5A3C0000u + static_cast<DWORD>(letter); }
};

// ---- Names, compared through NTFS's upper-case table (ntfs/NtfsUpcase.h).
wchar_t upperChar(wchar_t c);
std::wstring upper(const std::wstring& text);
bool sameName(const std::wstring& a, const std::wstring& b);
using plat::isValidLongName;
using plat::isValidStreamName;
// Whether the name is a valid 8.3 name by itself (then NTFS keeps no separate short name).
bool fitsShortName(const std::wstring& name);
// A NAME~N.EXT short name that no other entry of the folder uses as long or short name.
std::wstring makeShortName(const std::wstring& longName, const TNode& folder);
// Whether the name matches a FindFirstFileW mask, with the Win32 rules for '*', '?', '.' and "*.*".
bool matchesMask(const std::wstring& mask, const std::wstring& name);
FILETIME currentFileTime();

// ---- Paths: read with the shared Win32 rules (platform/WinPath.h).
using TPath = plat::TWinPath;
inline TPath parsePath(const wchar_t* text) {
    return plat::parseWinPath(text);
}
inline std::wstring pathText(const TPath& path) {
    return plat::winPathText(path);
}

} // namespace plat::store::detail
