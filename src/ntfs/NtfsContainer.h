#pragma once
// Evidence containers: the file a disk image comes in, recognised by its content and opened as one
// device holding the disk's bytes. A raw image (a fixed VHD included: its footer is left to the
// partition reading) is the file itself; raw images split into .001, .002, … are read as one; EnCase's
// E01 (every segment found from the first) through libewf; VHDX and dynamic and differencing VHD (the
// parent found beside the child) through libvhdi; VMDK (a descriptor with its extents, monolithic sparse,
// stream-optimised) through libvmdk. Every read is held to the disk's size before a library sees it.

#include "ntfs/NtfsDevice.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ntfs {

enum class TContainerFormat { raw, splitRaw, ewf, vhd, vhdx, vmdk };

struct TContainerFacts {
    TContainerFormat format = TContainerFormat::raw;
    std::wstring formatName;            // "raw", "split raw", "EWF (EnCase 6)", "dynamic VHD", "VHDX", …
    std::vector<std::wstring> segments; // the files read, by file name, the first one first
    std::uint64_t mediaSize = 0;        // the disk's bytes
    std::uint32_t bytesPerSector = 0;   // as the container says; 0 when it does not
    // What the container records of its acquisition, in its order: {"case number", "2024-117"},
    // {"examiner", "Ann"}, {"MD5", "…"}; empty for containers that hold none.
    std::vector<std::pair<std::wstring, std::wstring>> notes;
    // When the container is damaged but still read, what is wrong and what that costs: "fast.E02 is cut
    // short or damaged: the disk's bytes it held read as zeros"; empty for a sound container.
    std::wstring damage;
};

struct TContainer {
    std::shared_ptr<TNtfsDevice> device; // the disk's bytes; null when the container cannot be read...
    std::wstring error;                  // ...and why, naming the file: "evidence.E03 is missing: …"
    TContainerFacts facts;
};

// How the segments of a split raw image are named.
enum class TSplitNames {
    numbered, // image.001, image.002, … (found from a first segment named so, without asking)
    letters,  // xaa, xab, … as split names them: only when asked for
};

// Opens the container at path for reading; name is how texts name the first file.
TContainer openContainer(const std::filesystem::path& path, TSplitNames names = TSplitNames::numbered);

// The container's format and layout as a few words: "EWF (EnCase 6), 3 segments".
std::wstring describeContainer(const TContainerFacts& facts);

// A file's name as texts show it (a Linux name that is not UTF-8 as its bytes).
std::wstring displayName(const std::filesystem::path& path);

// The devices given, one after another, read as one; null when there are none. Each device's size must
// be known.
std::unique_ptr<TNtfsDevice> openConcatenatedDevice(std::vector<std::shared_ptr<TNtfsDevice>> parts);

} // namespace ntfs
