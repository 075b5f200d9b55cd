#include "platform/ntfs/NtfsTree.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <numeric>

namespace plat::ntfs {

namespace {
const std::vector<TNtfsTree::TEntry> kNoEntries;
} // namespace

TNtfsTree::TNtfsTree(const TNtfsVolume& volume) : FVolume(volume) {
    const std::vector<TNtfsFile>& files = volume.files();
    std::unordered_map<std::uint64_t, std::size_t> byRecord;
    byRecord.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        byRecord.emplace(files[i].record, i);
        if (files[i].record == kRecordRoot) {
            FRoot = i;
        }
    }
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
            auto parent = byRecord.find(name.parentRecord);
            if (parent == byRecord.end() || parent->second == i) {
                continue;
            }
            const TNtfsFile& folder = files[parent->second];
            // A stale reference (the parent's record was reused) leaves the name out.
            if (!folder.folder || (name.parentSequence != 0 && name.parentSequence != folder.sequence)) {
                continue;
            }
            TFolder& entries = FFolders[parent->second];
            entries.entries.push_back(TEntry{i, n});
            entries.keys.push_back(key(name.name));
        }
    }
    for (auto& [index, folder] : FFolders) {
        std::vector<std::size_t> order(folder.entries.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return folder.keys[a] < folder.keys[b]; });
        TFolder sorted;
        sorted.entries.reserve(order.size());
        sorted.keys.reserve(order.size());
        for (std::size_t at : order) {
            sorted.entries.push_back(folder.entries[at]);
            sorted.keys.push_back(std::move(folder.keys[at]));
        }
        folder = std::move(sorted);
    }
}

const std::vector<TNtfsTree::TEntry>& TNtfsTree::entries(std::size_t folder) const {
    auto it = FFolders.find(folder);
    return it == FFolders.end() ? kNoEntries : it->second.entries;
}

std::optional<TNtfsTree::TEntry> TNtfsTree::find(std::size_t folder, const std::wstring& name) const {
    auto it = FFolders.find(folder);
    if (it == FFolders.end()) {
        return std::nullopt;
    }
    const TFolder& entries = it->second;
    const std::u16string wanted = key(name);
    auto at = std::lower_bound(entries.keys.begin(), entries.keys.end(), wanted);
    if (at != entries.keys.end() && *at == wanted) {
        return entries.entries[static_cast<std::size_t>(at - entries.keys.begin())];
    }
    for (const TEntry& entry : entries.entries) {
        const std::wstring& shortName = nameOf(entry).shortName;
        if (!shortName.empty() && key(shortName) == wanted) {
            return entry;
        }
    }
    return std::nullopt;
}

std::u16string TNtfsTree::key(const std::wstring& name) const {
    std::u16string units = toUtf16Units(name);
    for (char16_t& unit : units) {
        unit = FVolume.upcase(unit);
    }
    return units;
}

std::wstring TNtfsTree::upper(const std::wstring& text) const {
    std::wstring result = text;
    for (wchar_t& c : result) {
        const auto unit = static_cast<std::uint32_t>(c);
        if (unit < 0x10000) { // past U+FFFF (wchar_t of 32 bits) NTFS has no case
            c = static_cast<wchar_t>(FVolume.upcase(static_cast<char16_t>(unit)));
        }
    }
    return result;
}

} // namespace plat::ntfs
