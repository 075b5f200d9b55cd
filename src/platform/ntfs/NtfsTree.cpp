#include "platform/ntfs/NtfsTree.h"

#include "platform/Utf16.h"

#include <algorithm>

namespace plat::ntfs {

TNtfsTree::TNtfsTree(const TNtfsVolume& volume) : FVolume(volume) {
    const auto& files = volume.files();
    FRoot = volume.fileIndex(kRecordRoot);
    // Every name that places a file in a folder, in the volume's order; then grouped by folder (a
    // counting sort, which keeps that order within a folder) and each folder sorted by key.
    struct TPlaced {
        std::size_t folder = 0;
        TEntry entry;
    };
    std::vector<TPlaced> placed;
    placed.reserve(files.size());
    std::vector<std::size_t> counts(files.size(), 0);
    FKeys.reserve(files.size() * 24);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const TNtfsFile& child = files[i];
        if (child.record < kFirstUserRecord) {
            continue;
        }
        // A folder takes its first name only: one parent each, so no folder lies inside itself.
        const std::size_t names =
            child.folder ? std::min<std::size_t>(child.names.size(), 1) : child.names.size();
        for (std::size_t n = 0; n < names; ++n) {
            const TNtfsName& name = child.names[n];
            const std::size_t parent = volume.fileIndex(name.parentRecord);
            if (parent == TNtfsVolume::kNoFile || parent == i) {
                continue;
            }
            const TNtfsFile& folder = files[parent];
            // A stale reference (the parent's record was reused) leaves the name out.
            if (!folder.folder || (name.parentSequence != 0 && name.parentSequence != folder.sequence)) {
                continue;
            }
            const std::size_t offset = FKeys.size();
            appendKey(name.nameBytes, FKeys);
            placed.push_back(TPlaced{parent, TEntry{i, n, offset, FKeys.size() - offset}});
            ++counts[parent];
        }
    }
    FFirstEntry.assign(files.size() + 1, 0);
    for (std::size_t folder = 0; folder < files.size(); ++folder) {
        FFirstEntry[folder + 1] = FFirstEntry[folder] + counts[folder];
    }
    std::vector<std::size_t>& next = counts; // where each folder's next entry goes
    std::copy(FFirstEntry.begin(), FFirstEntry.end() - 1, next.begin());
    FEntries.resize(placed.size());
    for (const TPlaced& each : placed) {
        FEntries[next[each.folder]++] = each.entry;
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

std::span<const TNtfsTree::TEntry> TNtfsTree::entries(std::size_t folder) const {
    if (folder + 1 >= FFirstEntry.size()) {
        return {};
    }
    return std::span<const TEntry>(FEntries).subspan(FFirstEntry[folder],
                                                     FFirstEntry[folder + 1] - FFirstEntry[folder]);
}

std::optional<TNtfsTree::TEntry> TNtfsTree::find(std::size_t folder, std::wstring_view name) const {
    const std::span<const TEntry> list = entries(folder);
    std::string wanted;
    appendKey(encodeUtf16Le(std::wstring(name)), wanted);
    auto at =
        std::lower_bound(list.begin(), list.end(), wanted,
                         [this](const TEntry& entry, const std::string& key) { return keyOf(entry) < key; });
    if (at != list.end() && keyOf(*at) == wanted) {
        return *at;
    }
    std::string shortKey;
    for (const TEntry& entry : list) {
        const std::string_view shortName = nameOf(entry).shortNameBytes;
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
    std::size_t at = keys.size();
    keys.resize(at + utf16le.size() / 2 * 2);
    for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2) {
        const char16_t unit = FVolume.upcase(static_cast<char16_t>(
            static_cast<std::uint8_t>(utf16le[i]) | static_cast<std::uint8_t>(utf16le[i + 1]) << 8));
        keys[at++] = static_cast<char>(unit >> 8);
        keys[at++] = static_cast<char>(unit & 0xFF);
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

} // namespace plat::ntfs
