#include "ntfs/NtfsDiskImage.h"

#include "ntfs/NtfsDeviceRange.h"

#include <algorithm>

namespace ntfs {

namespace {

bool sameRange(const TImageVolume& volume, const TPartition& partition) {
    return volume.offset == partition.offset && volume.size == partition.length;
}

// "partition 2: its master file table is damaged; partition 5: ..." of the volumes that failed.
std::wstring failures(const std::vector<TImageVolume>& volumes) {
    std::wstring text;
    for (const TImageVolume& volume : volumes) {
        text += text.empty() ? L"" : L"; ";
        text += volume.number == 0 ? L"the volume" : L"partition " + std::to_wstring(volume.number);
        text += L": " + describeOpenError(volume.error);
    }
    return text;
}

} // namespace

std::wstring describeOpenError(TNtfsOpenError error) {
    switch (error) {
    case TNtfsOpenError::none:
        return L"no error";
    case TNtfsOpenError::unreadable:
        return L"its boot sector or master file table cannot be read";
    case TNtfsOpenError::notNtfs:
        return L"no NTFS boot sector";
    case TNtfsOpenError::badGeometry:
        return L"its boot sector gives sizes NTFS never uses";
    case TNtfsOpenError::damagedMft:
        return L"its master file table is damaged";
    case TNtfsOpenError::noRootFolder:
        return L"its root folder is missing or damaged";
    case TNtfsOpenError::stopped:
        return L"reading it was stopped";
    case TNtfsOpenError::encrypted:
        return L"it is encrypted with BitLocker, and encrypted images are not read";
    }
    return L"unknown error";
}

TDiskImage openDiskImage(std::shared_ptr<TNtfsDevice> image, const std::wstring& name,
                         const std::atomic<bool>* stop) {
    TDiskImage disk;
    if (!image) {
        disk.error = name + L" cannot be opened for reading";
        return disk;
    }
    disk.table = readPartitionTable(*image);
    bool opened = false;
    for (const TPartition& partition : disk.table.partitions) {
        if (stop != nullptr && stop->load()) {
            break;
        }
        // A table may name one range twice; it is the same volume.
        if (std::any_of(disk.volumes.begin(), disk.volumes.end(),
                        [&](const TImageVolume& v) { return sameRange(v, partition); })) {
            continue;
        }
        TImageVolume found{partition.number, partition.offset, partition.length, nullptr,
                           TNtfsOpenError::none};
        found.volume =
            TNtfsVolume::open(openDeviceRange(image, partition.offset, partition.length), &found.error, stop);
        if (found.error == TNtfsOpenError::notNtfs) {
            continue;
        }
        opened = opened || found.volume != nullptr;
        disk.volumes.push_back(std::move(found));
    }
    const bool allEncrypted =
        !disk.volumes.empty() &&
        std::all_of(disk.volumes.begin(), disk.volumes.end(),
                    [](const TImageVolume& v) { return v.error == TNtfsOpenError::encrypted; });
    if (!opened && allEncrypted) {
        const TImageVolume& first = disk.volumes.front();
        disk.error =
            L"encrypted images are not read: " +
            (first.number == 0 ? name : L"partition " + std::to_wstring(first.number) + L" of " + name) +
            L" is encrypted with BitLocker";
    } else if (!opened) {
        disk.error = disk.volumes.empty()
                         ? L"no NTFS volume in " + name + L" (" + describeTable(disk.table) + L")"
                         : L"no NTFS volume in " + name + L" can be opened (" + failures(disk.volumes) + L")";
    }
    return disk;
}

TDiskImage openDiskImage(const std::filesystem::path& path, TSplitNames names,
                         const std::atomic<bool>* stop) {
    TContainer container = openContainer(path, names);
    if (!container.device) {
        TDiskImage disk;
        disk.container = std::move(container.facts);
        disk.error = std::move(container.error);
        return disk;
    }
    TDiskImage disk = openDiskImage(std::move(container.device), displayName(path), stop);
    disk.container = std::move(container.facts);
    return disk;
}

} // namespace ntfs
