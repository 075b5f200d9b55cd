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
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t n = 0; n < shownNames(files[i]); ++n) {
            const std::size_t folder = folderOf(i, files[i].names[n]);
            if (folder != TNtfsVolume::kNoFile) {
                FEntries[next[folder]++] =
                    TEntry{static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(n)};
            }
        }
    }
    // A folder copied or unpacked in one go lies in the MFT in name order already: checked before sorting.
    auto byKey = [this](const TEntry& a, const TEntry& b) {
        return compareUpper(longName(a), longName(b)) < 0;
    };
    for (std::size_t folder = 0; folder < files.size(); ++folder) {
        const auto first = FEntries.begin() + static_cast<std::ptrdiff_t>(FFirstEntry[folder]);
        const auto last = FEntries.begin() + static_cast<std::ptrdiff_t>(FFirstEntry[folder + 1]);
        if (!std::is_sorted(first, last, byKey)) {
            std::stable_sort(first, last, byKey);
        }
    }
    buildLookupOrders();
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
    if (name.empty() || list.empty()) {
        return std::nullopt;
    }
    const std::string exact = encodeUtf16Le(std::wstring(name));
    std::uint64_t compared = 0;
    auto keyBefore = [&](const TEntry& entry, const std::string& wanted) {
        ++compared;
        return compareUpper(longName(entry), wanted) < 0;
    };
    auto keyAfter = [&](const std::string& wanted, const TEntry& entry) {
        ++compared;
        return compareUpper(wanted, longName(entry)) < 0;
    };
    auto finish = [&](std::optional<TEntry> found) {
        FNamesCompared.fetch_add(compared, std::memory_order_relaxed);
        return found;
    };
    const auto first = std::lower_bound(list.begin(), list.end(), exact, keyBefore);
    if (first != list.end() && compareUpper(longName(*first), exact) == 0) {
        const auto last = std::upper_bound(first, list.end(), exact, keyAfter);
        if (last - first == 1) {
            return finish(*first);
        }
        // Names that differ only in case may share a folder (POSIX names): the one written exactly as
        // asked wins, otherwise the first.
        const std::size_t from = FFirstEntry[folder];
        const auto order = FExactOrder.begin() + static_cast<std::ptrdiff_t>(from);
        const auto runFirst = order + (first - list.begin());
        const auto runLast = order + (last - list.begin());
        const auto at =
            std::lower_bound(runFirst, runLast, exact, [&](std::uint32_t place, const std::string& text) {
                ++compared;
                return nameOf(list[place]).nameBytes() < text;
            });
        if (at != runLast && nameOf(list[*at]).nameBytes() == exact) {
            return finish(list[*at]);
        }
        return finish(*first);
    }
    // No long name: the 8.3 names, of which the first in the folder's order.
    const auto order = FShortOrder.begin() + static_cast<std::ptrdiff_t>(FFirstEntry[folder]);
    const auto orderEnd = order + static_cast<std::ptrdiff_t>(list.size());
    const auto at =
        std::lower_bound(order, orderEnd, exact, [&](std::uint32_t place, const std::string& text) {
            ++compared;
            return compareUpper(nameOf(list[place]).shortNameBytes(), text) < 0;
        });
    if (at != orderEnd && compareUpper(nameOf(list[*at]).shortNameBytes(), exact) == 0) {
        return finish(list[*at]);
    }
    return finish(std::nullopt);
}

void TNtfsTree::buildLookupOrders() {
    FExactOrder.resize(FEntries.size());
    FShortOrder.resize(FEntries.size());
    for (std::size_t folder = 0; folder + 1 < FFirstEntry.size(); ++folder) {
        const std::size_t from = FFirstEntry[folder];
        const std::size_t count = FFirstEntry[folder + 1] - from;
        if (count == 0) {
            continue;
        }
        const auto exact = FExactOrder.begin() + static_cast<std::ptrdiff_t>(from);
        const auto shortOrder = FShortOrder.begin() + static_cast<std::ptrdiff_t>(from);
        for (std::size_t i = 0; i < count; ++i) {
            exact[static_cast<std::ptrdiff_t>(i)] = static_cast<std::uint32_t>(i);
            shortOrder[static_cast<std::ptrdiff_t>(i)] = static_cast<std::uint32_t>(i);
        }
        const TEntry* list = FEntries.data() + from;
        auto byName = [&](std::uint32_t a, std::uint32_t b) {
            return nameOf(list[a]).nameBytes() < nameOf(list[b]).nameBytes();
        };
        for (std::size_t run = 0; run < count;) {
            std::size_t end = run + 1;
            while (end < count && compareUpper(longName(list[end]), longName(list[run])) == 0) {
                ++end;
            }
            if (end - run > 1) {
                std::stable_sort(exact + static_cast<std::ptrdiff_t>(run),
                                 exact + static_cast<std::ptrdiff_t>(end), byName);
            }
            run = end;
        }
        auto byShortName = [&](std::uint32_t a, std::uint32_t b) {
            return compareUpper(nameOf(list[a]).shortNameBytes(), nameOf(list[b]).shortNameBytes()) < 0;
        };
        const auto shortEnd = shortOrder + static_cast<std::ptrdiff_t>(count);
        if (!std::is_sorted(shortOrder, shortEnd, byShortName)) {
            std::stable_sort(shortOrder, shortEnd, byShortName);
        }
    }
}

int TNtfsTree::compareUpper(std::string_view a, std::string_view b) const {
    const std::size_t aUnits = a.size() / 2;
    const std::size_t bUnits = b.size() / 2;
    const auto* x = reinterpret_cast<const std::uint8_t*>(a.data());
    const auto* y = reinterpret_cast<const std::uint8_t*>(b.data());
    for (std::size_t i = 0; i < aUnits && i < bUnits; ++i) {
        const char16_t p = FVolume.upcase(static_cast<char16_t>(x[2 * i] | x[2 * i + 1] << 8));
        const char16_t q = FVolume.upcase(static_cast<char16_t>(y[2 * i] | y[2 * i + 1] << 8));
        if (p != q) {
            return p < q ? -1 : 1;
        }
    }
    return aUnits < bUnits ? -1 : aUnits > bUnits ? 1 : 0;
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
