#include "ntfs/NtfsTree.h"

#include "ntfs/Utf16.h"

#include <algorithm>

namespace ntfs {

std::size_t TNtfsTree::folderOf(std::size_t child, const TNtfsName& name) const {
    const std::size_t parent = FVolume.fileIndex(name.parentRecord);
    if (parent == TNtfsVolume::kNoFile || parent == child) {
        return TNtfsVolume::kNoFile;
    }
    const TNtfsFile& folder = FVolume.files()[parent];
    // A stale reference (the parent's record was reused) leaves the name out.
    if (!folder.folder || (name.parentSequence != 0 && name.parentSequence != folder.sequence)) {
        return TNtfsVolume::kNoFile;
    }
    return parent;
}

// A folder takes its first name only (one parent each, so no folder lies inside itself); system files
// none.
std::size_t TNtfsTree::shownNames(const TNtfsFile& file) const {
    if (file.record < kFirstUserRecord) {
        return 0;
    }
    return file.folder ? std::min<std::size_t>(file.names.size(), 1) : file.names.size();
}

TNtfsTree::TNtfsTree(const TNtfsVolume& volume) : FVolume(volume) {
    const auto& files = volume.files();
    FRoot = volume.fileIndex(kRecordRoot);
    // Two passes over the names (a counting sort): the first counts each folder's entries, the second
    // puts them in place, in the volume's order within a folder.
    FFirstEntry.assign(files.size() + 1, 0);
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t n = 0; n < shownNames(files[i]); ++n) {
            const std::size_t folder = folderOf(i, files[i].names[n]);
            if (folder != TNtfsVolume::kNoFile) {
                ++FFirstEntry[folder + 1];
            }
        }
    }
    for (std::size_t folder = 0; folder < files.size(); ++folder) {
        FFirstEntry[folder + 1] += FFirstEntry[folder];
    }
    std::vector<std::size_t> next(FFirstEntry.begin(), FFirstEntry.end() - 1); // each folder's next place
    FEntries.resize(FFirstEntry.back());
    FKeys.reserve(FEntries.size() * 24);
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t n = 0; n < shownNames(files[i]); ++n) {
            const std::size_t folder = folderOf(i, files[i].names[n]);
            if (folder != TNtfsVolume::kNoFile) {
                const std::size_t offset = FKeys.size();
                appendKey(files[i].names[n].nameBytes(), FKeys);
                FEntries[next[folder]++] = TEntry{i, n, offset, FKeys.size() - offset};
            }
        }
    }
    // A folder copied or unpacked in one go lies in the MFT in name order already: checked before sorting.
    auto byKey = [this](const TEntry& a, const TEntry& b) { return keyOf(a) < keyOf(b); };
    for (std::size_t folder = 0; folder < files.size(); ++folder) {
        const auto first = FEntries.begin() + static_cast<std::ptrdiff_t>(FFirstEntry[folder]);
        const auto last = FEntries.begin() + static_cast<std::ptrdiff_t>(FFirstEntry[folder + 1]);
        if (!std::is_sorted(first, last, byKey)) {
            std::stable_sort(first, last, byKey);
        }
    }
}

std::optional<std::vector<TNtfsTree::TEntry>> TNtfsTree::placeOf(std::size_t file) const {
    std::vector<TEntry> path;
    const std::size_t files = FVolume.files().size();
    std::size_t at = file;
    while (at != FRoot) {
        if (at >= files || path.size() >= files) {
            return std::nullopt; // no such file, or a cycle that never reaches the root
        }
        const TNtfsFile& current = FVolume.files()[at];
        std::optional<TEntry> step;
        for (std::size_t n = 0; n < shownNames(current) && !step; ++n) {
            const std::size_t folder = folderOf(at, current.names[n]);
            if (folder == TNtfsVolume::kNoFile) {
                continue;
            }
            for (const TEntry& entry : entries(folder)) {
                if (entry.file == at && entry.name == n) {
                    step = entry;
                    break;
                }
            }
        }
        if (!step) {
            return std::nullopt;
        }
        path.push_back(*step);
        at = folderOf(at, nameOf(*step));
    }
    std::reverse(path.begin(), path.end());
    return path;
}

std::span<const TNtfsTree::TEntry> TNtfsTree::entries(std::size_t folder) const {
    if (folder >= FFirstEntry.size() - 1) { // kNoFile too
        return {};
    }
    return std::span<const TEntry>(FEntries).subspan(FFirstEntry[folder],
                                                     FFirstEntry[folder + 1] - FFirstEntry[folder]);
}

std::optional<TNtfsTree::TEntry> TNtfsTree::find(std::size_t folder, std::wstring_view name) const {
    const std::span<const TEntry> list = entries(folder);
    const std::string exact = encodeUtf16Le(std::wstring(name));
    std::string wanted;
    appendKey(exact, wanted);
    auto at =
        std::lower_bound(list.begin(), list.end(), wanted,
                         [this](const TEntry& entry, const std::string& key) { return keyOf(entry) < key; });
    // Names that differ only in case may share a folder (POSIX names): the one written exactly as asked
    // wins, otherwise the first.
    for (auto same = at; same != list.end() && keyOf(*same) == wanted; ++same) {
        if (nameOf(*same).nameBytes() == exact) {
            return *same;
        }
    }
    if (at != list.end() && keyOf(*at) == wanted) {
        return *at;
    }
    std::string shortKey;
    for (const TEntry& entry : list) {
        const std::string_view shortName = nameOf(entry).shortNameBytes();
        if (!shortName.empty()) {
            shortKey.clear();
            appendKey(shortName, shortKey);
            if (shortKey == wanted) {
                return entry;
            }
        }
    }
    return std::nullopt;
}

void TNtfsTree::appendKey(std::string_view utf16le, std::string& keys) const {
    const std::size_t units = utf16le.size() / 2;
    const std::size_t at = keys.size();
    keys.resize(at + units * 2);
    const auto* in = reinterpret_cast<const std::uint8_t*>(utf16le.data());
    auto* out = reinterpret_cast<std::uint8_t*>(keys.data() + at);
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = FVolume.upcase(static_cast<char16_t>(in[2 * i] | in[2 * i + 1] << 8));
        out[2 * i] = static_cast<std::uint8_t>(unit >> 8);
        out[2 * i + 1] = static_cast<std::uint8_t>(unit & 0xFF);
    }
}

std::wstring TNtfsTree::upper(std::wstring_view text) const {
    std::wstring result(text);
    for (wchar_t& c : result) {
        const auto unit = static_cast<std::uint32_t>(c);
        if (unit < 0x10000) { // past U+FFFF (wchar_t of 32 bits) NTFS has no case
            c = static_cast<wchar_t>(FVolume.upcase(static_cast<char16_t>(unit)));
        }
    }
    return result;
}

} // namespace ntfs
