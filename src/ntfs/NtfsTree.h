#pragma once
// The folder tree of a volume, built from the parent reference of every file name: each folder's
// entries in NTFS order (by the volume's upper-case table), found by long or 8.3 name in a number of
// comparisons that grows with the logarithm of the folder's size, names that differ only in case
// included. A folder has one place only (its first name), so the tree has no cycles even when the
// parent references of a damaged volume form one: such folders are not reachable from the root and are
// left out. The system files (records below 16) are hidden, as Windows hides them.

#include "ntfs/NtfsVolume.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ntfs {

class TNtfsTree {
public:
    explicit TNtfsTree(const TNtfsVolume& volume);

    // An entry of a folder: the file (index into the volume's files) under one of its names.
    struct TEntry {
        std::uint32_t file = 0;
        std::uint32_t name = 0; // index into the file's names
    };

    std::size_t root() const { return FRoot; }
    const TNtfsFile& file(std::size_t index) const { return FVolume.files()[index]; }
    const TNtfsName& nameOf(const TEntry& entry) const { return file(entry.file).names[entry.name]; }
    // The entries of a folder in NTFS order; empty for a file or an unknown index.
    std::span<const TEntry> entries(std::size_t folder) const;
    // The entry of a folder with this long or 8.3 name, compared without case; of names that differ
    // only in case, the one written exactly so.
    std::optional<TEntry> find(std::size_t folder, std::wstring_view name) const;
    // The entries that lead from the root to a file, the root's child first (none for the root); nothing
    // when the tree does not place the file (a system file, a name whose folder is gone, a folder of a
    // cycle of parent references). Climbs the parent references one by one, at most once per file.
    std::optional<std::vector<TEntry>> placeOf(std::size_t file) const;
    // The text in upper case by the volume's table (for wildcard matching).
    std::wstring upper(std::wstring_view text) const;
    // The names find has compared since the tree was made: what a lookup costs, for measurements.
    std::uint64_t namesCompared() const { return FNamesCompared.load(std::memory_order_relaxed); }

private:
    // The folder in which a name places a file; TNtfsVolume::kNoFile for a name that places it nowhere.
    std::size_t folderOf(std::size_t child, const TNtfsName& name) const;
    // How many of a file's names the tree shows: a folder its first only, a system file none.
    std::size_t shownNames(const TNtfsFile& file) const;
    // Two names' UTF-16LE bytes compared as NTFS orders them (<0, 0 or >0): unit by unit in upper case
    // by the volume's table, computed as they are compared (no upper-case copy of the names is kept).
    int compareUpper(std::string_view a, std::string_view b) const;
    std::string_view longName(const TEntry& entry) const { return nameOf(entry).nameBytes(); }
    // The orders find searches besides the entries' own (see FExactOrder and FShortOrder).
    void buildLookupOrders();

    const TNtfsVolume& FVolume;
    std::size_t FRoot = 0;
    // Every folder's entries, folder after folder: those of the file at index i lie from
    // FFirstEntry[i] to FFirstEntry[i + 1].
    std::vector<TEntry> FEntries;
    std::vector<std::size_t> FFirstEntry;
    // Two more orders of each folder's entries, as places within the folder, lying where its entries
    // lie in FEntries. FExactOrder: each run of entries whose names differ only in case by their names as
    // written, byte by byte, so that the one written exactly as asked is found by search; elsewhere the
    // entries' own order. FShortOrder: the whole folder by 8.3 name compared without case, entries without
    // one first.
    std::vector<std::uint32_t> FExactOrder;
    std::vector<std::uint32_t> FShortOrder;
    mutable std::atomic<std::uint64_t> FNamesCompared{0};
};

} // namespace ntfs
