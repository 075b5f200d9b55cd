#include "cli/ImageInfo.h"

#include "cli/ImageVolumes.h"
#include "ntfs/NtfsDiskImage.h"
#include "report/TextEncoding.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace cli {

namespace {

std::string layoutName(const ntfs::TPartitionTable& table) {
    switch (table.layout) {
    case ntfs::TDiskLayout::bareVolume:
        return "bare volume";
    case ntfs::TDiskLayout::mbr:
        return "MBR";
    case ntfs::TDiskLayout::gpt:
        return "GPT";
    case ntfs::TDiskLayout::dynamicVhd:
    case ntfs::TDiskLayout::differencingVhd:
    case ntfs::TDiskLayout::unknown:
        break;
    }
    return "none";
}

// One partition as info shows it: where it lies, what its table calls it, and its NTFS volume.
struct TPartitionInfo {
    unsigned number = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::string type;
    bool ntfs = false;   // an NTFS boot sector
    std::string label;   // of the volume, when it opened
    std::string problem; // why the NTFS volume did not open
};

std::vector<TPartitionInfo> partitions(const ntfs::TDiskImage& disk) {
    std::vector<TPartitionInfo> shown;
    for (const ntfs::TPartition& partition : disk.table.partitions) {
        TPartitionInfo info{partition.number,
                            partition.offset,
                            partition.length,
                            report::toUtf8(partition.type),
                            false,
                            "",
                            ""};
        const auto volume =
            std::find_if(disk.volumes.begin(), disk.volumes.end(), [&](const ntfs::TImageVolume& v) {
                return v.offset == partition.offset && v.size == partition.length;
            });
        if (volume != disk.volumes.end()) {
            info.ntfs = true;
            if (volume->volume) {
                info.label = report::toUtf8(volume->volume->label());
            } else {
                info.problem = report::toUtf8(ntfs::describeOpenError(volume->error));
            }
        }
        shown.push_back(std::move(info));
    }
    return shown;
}

void printText(const std::string& target, const ntfs::TDiskImage& disk, std::FILE* out) {
    const ntfs::TContainerFacts& container = disk.container;
    std::fprintf(out, "image: %s\n", target.c_str());
    std::fprintf(out, "container: %s\n", report::toUtf8(ntfs::describeContainer(container)).c_str());
    for (std::size_t i = 0; i < container.segments.size(); ++i) {
        std::fprintf(out, "  %s\n", report::toUtf8(container.segments[i]).c_str());
    }
    std::fprintf(out, "media size: %llu bytes\n", static_cast<unsigned long long>(container.mediaSize));
    if (!container.damage.empty()) {
        std::fprintf(out, "damage: %s\n", report::toUtf8(container.damage).c_str());
    }
    if (container.bytesPerSector != 0) {
        std::fprintf(out, "bytes per sector: %u\n", container.bytesPerSector);
    }
    for (const auto& [name, value] : container.notes) {
        std::fprintf(out, "%s: %s\n", report::toUtf8(name).c_str(), report::toUtf8(value).c_str());
    }
    std::fprintf(out, "partition table: %s\n", report::toUtf8(ntfs::describeTable(disk.table)).c_str());
    for (const TPartitionInfo& p : partitions(disk)) {
        std::fprintf(out, "partition %u: offset %llu, %llu bytes, %s", p.number,
                     static_cast<unsigned long long>(p.offset), static_cast<unsigned long long>(p.size),
                     p.type.c_str());
        if (!p.ntfs) {
            std::fprintf(out, ", not NTFS\n");
        } else if (p.problem.empty()) {
            std::fprintf(out, ", NTFS volume \"%s\"\n", p.label.c_str());
        } else {
            std::fprintf(out, ", NTFS volume that cannot be opened: %s\n", p.problem.c_str());
        }
    }
}

void printJson(const std::string& target, const ntfs::TDiskImage& disk, std::FILE* out) {
    const ntfs::TContainerFacts& container = disk.container;
    nlohmann::ordered_json json;
    json["image"] = target;
    json["format"] = report::toUtf8(container.formatName);
    json["segments"] = nlohmann::json::array();
    for (const std::wstring& segment : container.segments) {
        json["segments"].push_back(report::toUtf8(segment));
    }
    json["media_size"] = container.mediaSize;
    if (!container.damage.empty()) {
        json["damage"] = report::toUtf8(container.damage);
    }
    if (container.bytesPerSector != 0) {
        json["bytes_per_sector"] = container.bytesPerSector;
    }
    json["notes"] = nlohmann::ordered_json::object();
    for (const auto& [name, value] : container.notes) {
        json["notes"][report::toUtf8(name)] = report::toUtf8(value);
    }
    json["partition_table"] = layoutName(disk.table);
    json["partitions"] = nlohmann::json::array();
    for (const TPartitionInfo& p : partitions(disk)) {
        nlohmann::ordered_json partition;
        partition["number"] = p.number;
        partition["offset"] = p.offset;
        partition["size"] = p.size;
        partition["type"] = p.type;
        partition["ntfs"] = p.ntfs;
        if (p.ntfs && p.problem.empty()) {
            partition["label"] = p.label;
        }
        if (!p.problem.empty()) {
            partition["error"] = p.problem;
        }
        json["partitions"].push_back(std::move(partition));
    }
    const std::string text = json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), out);
}

} // namespace

int runInfo(const std::string& target, const std::string& format, bool split, const TConsole& console) {
    const std::filesystem::path path = nativePath(target);
    if (!isImage(path)) {
        std::fprintf(console.err, "ombrolux: %s: %s\n", target.c_str(),
                     std::filesystem::exists(path) ? "not a disk image or block device"
                                                   : "no such file or device");
        return kExitSomeUnread;
    }
    ntfs::TContainer container =
        ntfs::openContainer(path, split ? ntfs::TSplitNames::letters : ntfs::TSplitNames::numbered);
    if (!container.device) {
        std::fprintf(console.err, "ombrolux: %s: %s\n", target.c_str(),
                     report::toUtf8(container.error).c_str());
        return kExitSomeUnread;
    }
    ntfs::TDiskImage disk = ntfs::openDiskImage(std::move(container.device), ntfs::displayName(path));
    disk.container = std::move(container.facts);
    if (format == "json") {
        printJson(target, disk, console.out);
    } else {
        printText(target, disk, console.out);
    }
    return kExitOk;
}

} // namespace cli
