#pragma once
// The folder tree of a volume, built from the parent reference of every file name: each folder's
// entries in NTFS order (by the volume's upper-case table), found by long or 8.3 name. A folder has one
// place only (its first name), so the tree has no cycles even when the parent references of a damaged
// volume form one: such folders are not reachable from the root and are left out. The system files
// (records below 16) are hidden, as Windows hides them.

#include "platform/ntfs/NtfsVolume.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace plat::ntfs {

class TNtfsTree {
public:
    explicit TNtfsTree(const TNtfsVolume& volume);

    // An entry of a folder: the file (index into the volume's files) under one of its names.
    struct TEntry {
        std::size_t file = 0;
        std::size_t name = 0; // index into the file's names
    };

    std::size_t root() const { return FRoot; }
    const TNtfsFile& file(std::size_t index) const { return FVolume.files()[index]; }
    const TNtfsName& nameOf(const TEntry& entry) const { return file(entry.file).names[entry.name]; }
    // The entries of a folder in NTFS order; empty for a file or an unknown index.
    const std::vector<TEntry>& entries(std::size_t folder) const;
    // The entry of a folder with this long or 8.3 name, compared without case.
    std::optional<TEntry> find(std::size_t folder, std::wstring_view name) const;
    // The text in upper case by the volume's table (for wildcard matching).
    std::wstring upper(std::wstring_view text) const;

private:
    // The name in upper case as UTF-16 units: what NTFS orders and compares names by.
    std::u16string key(std::wstring_view name) const;
    void appendKey(std::wstring_view name, std::u16string& keys) const;

    // Where an entry's key (its long name in upper case) lies in the pool of keys.
    struct TKey {
        std::size_t offset = 0;
        std::size_t length = 0;
    };
    struct TFolder {
        std::vector<TEntry> entries;
        std::vector<TKey> keys; // in the order of entries
    };
    std::u16string_view keyText(const TKey& key) const {
        return std::u16string_view(FKeys).substr(key.offset, key.length);
    }

    const TNtfsVolume& FVolume;
    std::size_t FRoot = 0;
    std::unordered_map<std::size_t, TFolder> FFolders;
    std::u16string FKeys; // every entry's key, one after the other
};

} // namespace plat::ntfs
