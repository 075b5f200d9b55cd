#include "platform/ntfs/NtfsTree.h"

#include <algorithm>
#include <numeric>

namespace plat::ntfs {

namespace {
const std::vector<TNtfsTree::TEntry> kNoEntries;
} // namespace

TNtfsTree::TNtfsTree(const TNtfsVolume& volume) : FVolume(volume) {
    const std::deque<TNtfsFile>& files = volume.files();
    FRoot = volume.fileIndex(kRecordRoot);
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
            TFolder& entries = FFolders[parent];
            const std::size_t offset = FKeys.size();
            appendKey(name.name, FKeys);
            entries.entries.push_back(TEntry{i, n});
            entries.keys.push_back(TKey{offset, FKeys.size() - offset});
        }
    }
    for (auto& [index, folder] : FFolders) {
        std::vector<std::size_t> order(folder.entries.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return keyText(folder.keys[a]) < keyText(folder.keys[b]);
        });
        TFolder sorted;
        sorted.entries.reserve(order.size());
        sorted.keys.reserve(order.size());
        for (std::size_t at : order) {
            sorted.entries.push_back(folder.entries[at]);
            sorted.keys.push_back(folder.keys[at]);
        }
        folder = std::move(sorted);
    }
}

const std::vector<TNtfsTree::TEntry>& TNtfsTree::entries(std::size_t folder) const {
    auto it = FFolders.find(folder);
    return it == FFolders.end() ? kNoEntries : it->second.entries;
}

std::optional<TNtfsTree::TEntry> TNtfsTree::find(std::size_t folder, std::wstring_view name) const {
    auto it = FFolders.find(folder);
    if (it == FFolders.end()) {
        return std::nullopt;
    }
    const TFolder& entries = it->second;
    const std::u16string wanted = key(name);
    auto at = std::lower_bound(
        entries.keys.begin(), entries.keys.end(), wanted,
        [&](const TKey& entry, const std::u16string& text) { return keyText(entry) < text; });
    if (at != entries.keys.end() && keyText(*at) == wanted) {
        return entries.entries[static_cast<std::size_t>(at - entries.keys.begin())];
    }
    for (const TEntry& entry : entries.entries) {
        const std::wstring_view shortName = nameOf(entry).shortName;
        if (!shortName.empty() && key(shortName) == wanted) {
            return entry;
        }
    }
    return std::nullopt;
}

std::u16string TNtfsTree::key(std::wstring_view name) const {
    std::u16string units;
    appendKey(name, units);
    return units;
}

void TNtfsTree::appendKey(std::wstring_view name, std::u16string& keys) const {
    for (wchar_t c : name) {
        const auto u = static_cast<std::uint32_t>(c);
        if (u < 0x10000) {
            keys.push_back(FVolume.upcase(static_cast<char16_t>(u)));
        } else { // a character past U+FFFF (wchar_t of 32 bits): its surrogate pair, which has no case
            keys.push_back(static_cast<char16_t>(0xD800 + ((u - 0x10000) >> 10)));
            keys.push_back(static_cast<char16_t>(0xDC00 + ((u - 0x10000) & 0x3FF)));
        }
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
