#include "scan/ScanShortfall.h"

namespace {

// Folders named in the sentence; the rest are counted.
constexpr std::size_t kFoldersNamed = 5;

std::wstring counted(std::uint64_t count, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

} // namespace

void TScanShortfall::addDamagedRecords(const std::wstring& rootLabel, std::uint64_t count) {
    if (count > 0) {
        FDamaged.emplace_back(rootLabel, count);
    }
}

void TScanShortfall::addUnlistedFolder(const std::wstring& folder) {
    FUnlisted.push_back(folder);
}

void TScanShortfall::addUnreadPartition(const std::wstring& problem) {
    FUnreadPartitions.push_back(problem);
}

bool TScanShortfall::empty() const {
    return FDamaged.empty() && FUnlisted.empty() && FUnreadPartitions.empty();
}

void TScanShortfall::clear() {
    FDamaged.clear();
    FUnlisted.clear();
    FUnreadPartitions.clear();
}

std::wstring TScanShortfall::sentence(const std::function<std::wstring(const std::wstring&)>& shown) const {
    std::vector<std::wstring> parts;
    if (!FDamaged.empty()) {
        std::uint64_t total = 0;
        std::wstring roots;
        for (const auto& [label, count] : FDamaged) {
            total += count;
            roots += (roots.empty() ? L"" : L", ") + label + L" " + std::to_wstring(count);
        }
        parts.push_back(counted(total, L"damaged record was skipped", L"damaged records were skipped") +
                        L" (" + roots + L")");
    }
    if (!FUnlisted.empty()) {
        std::wstring folders;
        for (std::size_t i = 0; i < FUnlisted.size() && i < kFoldersNamed; ++i) {
            std::wstring folder = shown ? shown(FUnlisted[i]) : FUnlisted[i];
            if (folder.size() > 1 && folder.back() == L'\\' && folder[folder.size() - 2] != L':') {
                folder.pop_back();
            }
            folders += (folders.empty() ? L"" : L", ") + folder;
        }
        if (FUnlisted.size() > kFoldersNamed) {
            folders += L", " + std::to_wstring(FUnlisted.size() - kFoldersNamed) + L" more";
        }
        parts.push_back(
            counted(FUnlisted.size(), L"folder could not be listed", L"folders could not be listed") + L" (" +
            folders + L")");
    }
    if (!FUnreadPartitions.empty()) {
        std::wstring partitions;
        for (const std::wstring& problem : FUnreadPartitions) {
            partitions += (partitions.empty() ? L"" : L"; ") + problem;
        }
        parts.push_back(counted(FUnreadPartitions.size(), L"partition could not be read",
                                L"partitions could not be read") +
                        L" (" + partitions + L")");
    }
    if (parts.empty()) {
        return {};
    }
    std::wstring text = L" Some of it could not be read: ";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? L"" : i + 1 == parts.size() ? L" and " : L", ") + parts[i];
    }
    return text + L".";
}
