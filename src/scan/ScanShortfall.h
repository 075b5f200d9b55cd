#pragma once
// What a scan could not read, gathered while it runs: records of a volume's master file table skipped
// as damaged, folders whose entries could not be listed, and partitions of a disk image that could not
// be opened. The window names them in one sentence after the scan's outcome, so that a partial result
// is never taken for a complete one.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class TScanShortfall {
public:
    void addDamagedRecords(const std::wstring& rootLabel, std::uint64_t count);
    void addUnlistedFolder(const std::wstring& folder);
    // A partition as the image's opening names it ("partition 2: its master file table is damaged").
    void addUnreadPartition(const std::wstring& problem);
    bool empty() const;
    void clear();

    // " Some of it could not be read: ... ." (with its leading space), or empty when nothing was missed.
    // shown: how a folder's path is shown (an image's drive letter replaced by the image's name).
    std::wstring sentence(const std::function<std::wstring(const std::wstring&)>& shown) const;

private:
    std::vector<std::pair<std::wstring, std::uint64_t>> FDamaged;
    std::vector<std::wstring> FUnlisted;
    std::vector<std::wstring> FUnreadPartitions;
};
