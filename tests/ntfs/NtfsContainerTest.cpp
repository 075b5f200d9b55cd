// Evidence containers made by the tools responders use from one volume that mkntfs and ntfs-3g wrote:
// E01 by ewfacquire (one segment and several, compressed and not), VHDX, dynamic VHD and VMDK in each
// sub-format by qemu-img, a VMDK child over its parent, split raw by split, a differencing VHD written
// here (qemu-img makes none). Each must list exactly as the raw image does, stream for stream and byte
// for byte. Damaged containers (a segment missing or cut short, a corrupted section, a child without
// its parent, an encrypted volume) each end in a clear error or give their readable part, at once.

#include "../../fuzz/ContainerCheck.h"
#include "ntfs/NtfsContainer.h"
#include "ntfs/NtfsDiskImage.h"
#include "ntfs/NtfsFixture.h"
#include "ntfs/NtfsLibraryDevice.h"
#include "ntfs/NtfsImage.h"
#include "rawvolume/VolumeListing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <fstream>

namespace ntfstest {
namespace {

namespace fs = std::filesystem;

// The fixture volume, with ntfs-3g's variety where it can mount (the copied one otherwise).
const TFixtureVolume& sourceVolume() {
    return mountedVolume().unavailable.empty() ? mountedVolume() : copiedVolume();
}

// Why the container tools are missing here; empty when they are all present.
std::string toolsMissing() {
    for (const char* tool : {"ewfacquire", "qemu-img", "split"}) {
        if (!run({"sh", "-c", std::string("command -v ") + tool})) {
            return std::string(tool) +
                   " is not installed (scripts/setup.sh installs ewf-tools and qemu-utils)";
        }
    }
    return sourceVolume().unavailable;
}

const fs::path& containers() {
    static const fs::path folder = [] {
        const fs::path made = programScratch() / "containers";
        fs::create_directories(made);
        return made;
    }();
    return folder;
}

// The listing of every NTFS volume of the image at path, as one text; the error when none opens.
std::string listing(const fs::path& path) {
    ntfs::TDiskImage disk = ntfs::openDiskImage(path);
    if (disk.volumes.empty()) {
        return "error: " + utf8(disk.error);
    }
    std::string text;
    for (ntfs::TImageVolume& volume : disk.volumes) {
        if (!volume.volume) {
            text += "volume " + std::to_string(volume.number) + " does not open\n";
            continue;
        }
        plat::ntfs::TNtfsFileServices services;
        services.mount(L'E', std::move(volume.volume));
        text += "volume " + std::to_string(volume.number) + "\n" + rawvolume::volumeListing(services, L'E');
    }
    return text;
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

bool shell(const std::string& command) {
    return run({"sh", "-c", command});
}

// ewfacquire's options for a target name; -u: no questions asked.
bool ewfacquire(const fs::path& source, const fs::path& target, const std::string& options) {
    return shell("ewfacquire -u -q " + options + " -t " + quoted(target) + " " + quoted(source) +
                 " >/dev/null 2>&1");
}

struct TMade {
    std::string name;   // of the case
    fs::path first;     // the file opened
    std::string format; // what describeContainer says, in part
};

// Every container of the fixture volume, made once.
const std::vector<TMade>& madeContainers() {
    static const std::vector<TMade> made = [] {
        std::vector<TMade> cases;
        const fs::path raw = sourceVolume().image;
        const fs::path dir = containers();
        const auto add = [&](bool ok, std::string name, const fs::path& first, std::string format) {
            EXPECT_TRUE(ok) << "could not make " << name;
            cases.push_back({std::move(name), first, std::move(format)});
        };
        add(ewfacquire(raw, dir / "whole",
                       "-c deflate:best -C 2024-117 -e Ann -E ev-1 -D 'office pc' -N none -d sha1"),
            "E01, one compressed segment", dir / "whole.E01", "EWF (EnCase 6)");
        add(ewfacquire(raw, dir / "parts", "-c none -S 1MiB -f encase5"),
            "E01, segments of 1 MiB, uncompressed", dir / "parts.E01", "EWF (EnCase 5), ");
        add(ewfacquire(raw, dir / "fast", "-c deflate:fast -S 1MiB -f encase7"), "E01, compressed segments",
            dir / "fast.E01", "EWF (EnCase ");
        const auto qemu = [&](const std::string& format, const std::string& options, const fs::path& target) {
            return shell("qemu-img convert -O " + format + " " + options + " " + quoted(raw) + " " +
                         quoted(target) + " >/dev/null 2>&1");
        };
        add(qemu("vhdx", "", dir / "disk.vhdx"), "VHDX", dir / "disk.vhdx", "dynamic VHDX");
        add(qemu("vpc", "", dir / "disk.vhd"), "dynamic VHD", dir / "disk.vhd", "dynamic VHD");
        add(qemu("vpc", "-o subformat=fixed", dir / "fixed.vhd"), "fixed VHD", dir / "fixed.vhd", "raw");
        for (const char* sub : {"monolithicSparse", "monolithicFlat", "twoGbMaxExtentSparse",
                                "twoGbMaxExtentFlat", "streamOptimized"}) {
            const fs::path target = dir / (std::string(sub) + ".vmdk");
            add(qemu("vmdk", std::string("-o subformat=") + sub, target), std::string("VMDK ") + sub, target,
                "VMDK");
        }
        // A child VMDK over the sparse one: the child holds nothing, every read goes to the parent.
        add(shell("cd " + quoted(dir) +
                  " && qemu-img create -q -f vmdk -b monolithicSparse.vmdk -F vmdk child.vmdk"),
            "VMDK child over its parent", dir / "child.vmdk", "VMDK");
        add(shell("cd " + quoted(dir) + " && split -b 1M -d -a 3 --numeric-suffixes=1 " + quoted(raw) +
                  " split."),
            "split raw", dir / "split.001", "split raw, ");
        return cases;
    }();
    return made;
}

class Containers : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string missing = toolsMissing(); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
    }
};

// Each container lists exactly as the raw volume: every folder, main data and stream, their bytes.
TEST_F(Containers, ListEveryStreamAsTheRawImageDoes) {
    const std::string expected = listing(sourceVolume().image);
    ASSERT_EQ(expected.rfind("volume 0\n", 0), 0u) << expected.substr(0, 200);
    ASSERT_GT(std::count(expected.begin(), expected.end(), ':'), 3);
    for (const TMade& made : madeContainers()) {
        SCOPED_TRACE(made.name);
        const ntfs::TContainer container = ntfs::openContainer(made.first);
        ASSERT_NE(container.device, nullptr) << utf8(container.error);
        // A VHD's disk is the raw image rounded up to its cylinders (a fixed one's file has its footer too).
        EXPECT_GE(container.device->size(), fs::file_size(sourceVolume().image));
        EXPECT_LT(container.device->size(), fs::file_size(sourceVolume().image) + 65536);
        EXPECT_EQ(utf8(ntfs::describeContainer(container.facts)).rfind(made.format, 0), 0u)
            << utf8(ntfs::describeContainer(container.facts));
        EXPECT_EQ(listing(made.first), expected);
    }
}

// What an E01 keeps of its acquisition is given back; its segments are named in order.
TEST_F(Containers, EwfGivesItsSegmentsAndAcquisitionNotes) {
    madeContainers();
    const ntfs::TContainer whole = ntfs::openContainer(containers() / "whole.E01");
    ASSERT_NE(whole.device, nullptr) << utf8(whole.error);
    const auto note = [&](const std::wstring& name) {
        for (const auto& [key, value] : whole.facts.notes) {
            if (key == name) {
                return utf8(value);
            }
        }
        return std::string("(none)");
    };
    EXPECT_EQ(note(L"case number"), "2024-117");
    EXPECT_EQ(note(L"examiner"), "Ann");
    EXPECT_EQ(note(L"evidence number"), "ev-1");
    EXPECT_EQ(note(L"description"), "office pc");
    EXPECT_EQ(note(L"MD5").size(), 32u);
    EXPECT_EQ(note(L"SHA-1").size(), 40u);
    EXPECT_EQ(whole.facts.bytesPerSector, 512u);

    // The raw image it was made from beside it fits the segments' naming (.img as segment 3122) but is
    // no segment of it.
    const fs::path beside = containers() / "beside";
    fs::remove_all(beside);
    fs::create_directories(beside);
    fs::copy_file(containers() / "whole.E01", beside / "whole.E01");
    fs::copy_file(sourceVolume().image, beside / "whole.img");
    const ntfs::TContainer withRaw = ntfs::openContainer(beside / "whole.E01");
    EXPECT_NE(withRaw.device, nullptr) << utf8(withRaw.error);

    const ntfs::TContainer parts = ntfs::openContainer(containers() / "parts.E01");
    ASSERT_NE(parts.device, nullptr) << utf8(parts.error);
    ASSERT_GT(parts.facts.segments.size(), 3u);
    EXPECT_EQ(parts.facts.segments[0], L"parts.E01");
    EXPECT_EQ(parts.facts.segments[2], L"parts.E03");
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::uint64_t bigEndian(const std::string& bytes, std::size_t at, int size) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

void putBigEndian(std::string& bytes, std::size_t at, std::uint64_t value, int size) {
    for (int i = size - 1; i >= 0; --i, value >>= 8) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value & 0xFF);
    }
}

// A VHD footer's or dynamic header's checksum: the ones' complement of the sum of its bytes.
void putVhdChecksum(std::string& structure, std::size_t at) {
    putBigEndian(structure, at, 0, 4);
    std::uint32_t sum = 0;
    for (const char byte : structure) {
        sum += static_cast<unsigned char>(byte);
    }
    putBigEndian(structure, at, ~sum, 4);
}

// Writes child as a differencing VHD over the dynamic VHD parent (made from the raw bytes base) whose
// disk reads as changed: every block where changed differs from base is stored in the child, whole.
void writeDifferencingVhd(const fs::path& parent, const std::string& base, const std::string& changed,
                          const fs::path& child) {
    const std::string parentFile = readAll(parent);
    const std::string footer = parentFile.substr(parentFile.size() - 512);
    const std::uint64_t blockSize = bigEndian(parentFile, bigEndian(footer, 16, 8) + 32, 4);
    const std::uint64_t blocks = (bigEndian(footer, 48, 8) + blockSize - 1) / blockSize;
    std::string childFooter = footer;
    putBigEndian(childFooter, 16, 512, 8); // the dynamic header follows the footer's copy
    putBigEndian(childFooter, 60, 4, 4);   // differencing
    childFooter[68] = static_cast<char>(childFooter[68] ^ 0x5A); // an identifier of its own
    putVhdChecksum(childFooter, 64);
    std::string header(1024, '\0');
    header.replace(0, 8, "cxsparse");
    putBigEndian(header, 8, ~std::uint64_t{0}, 8);
    putBigEndian(header, 16, 1536, 8); // the block table
    putBigEndian(header, 24, 0x00010000, 4);
    putBigEndian(header, 28, blocks, 4);
    putBigEndian(header, 32, blockSize, 4);
    header.replace(40, 16, footer.substr(68, 16)); // the parent's identifier
    const std::string parentName = parent.filename().string();
    for (std::size_t i = 0; i < parentName.size(); ++i) {
        header[64 + 2 * i + 1] = parentName[i]; // UTF-16 big-endian
    }
    putVhdChecksum(header, 36);
    std::string file = childFooter + header + std::string((blocks * 4 + 511) / 512 * 512, '\xFF');
    const std::size_t bitmap = static_cast<std::size_t>((blockSize / 512 / 8 + 511) / 512 * 512);
    for (std::uint64_t block = 0; block < blocks && block * blockSize < changed.size(); ++block) {
        const std::size_t at = static_cast<std::size_t>(block * blockSize);
        const std::size_t length = std::min<std::size_t>(blockSize, changed.size() - at);
        if (changed.compare(at, length, base, at, length) != 0) {
            putBigEndian(file, 1536 + 4 * block, file.size() / 512, 4);
            file += std::string(bitmap, '\xFF') + changed.substr(at, length) +
                    std::string(blockSize - length, '\0');
        }
    }
    writeAll(child, file + childFooter);
}

// A differencing VHD beside its parent reads as the parent with the child's changes; each level of a
// chain is followed (a child over that child).
TEST_F(Containers, DifferencingVhdReadsThroughItsParent) {
    madeContainers();
    const std::string base = readAll(sourceVolume().image);
    // The first piece of frag.bin:pieces, rewritten in the child.
    const std::size_t piece = base.find(patternBytes(16 * 1024, 100));
    if (piece == std::string::npos) {
        GTEST_SKIP() << "the fixture volume has no fragmented stream to change (ntfs-3g could not mount)";
    }
    std::string changed = base;
    changed.replace(piece, 16 * 1024, std::string(16 * 1024, 'Z'));
    std::string twice = changed;
    twice.replace(piece + 20 * 4096, 4096, std::string(4096, 'Y'));
    const fs::path folder = containers() / "differencing";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(containers() / "disk.vhd", folder / "disk.vhd");
    writeDifferencingVhd(folder / "disk.vhd", base, changed, folder / "child.vhd");
    writeDifferencingVhd(folder / "child.vhd", changed, twice, folder / "grandchild.vhd");
    writeAll(folder / "changed.img", changed);
    writeAll(folder / "twice.img", twice);

    const ntfs::TContainer child = ntfs::openContainer(folder / "child.vhd");
    ASSERT_NE(child.device, nullptr) << utf8(child.error);
    EXPECT_EQ(utf8(ntfs::describeContainer(child.facts)), "differencing VHD, 2 files");
    EXPECT_EQ(child.facts.segments, (std::vector<std::wstring>{L"child.vhd", L"disk.vhd"}));
    const std::string expected = listing(folder / "changed.img");
    EXPECT_NE(expected, listing(sourceVolume().image));
    EXPECT_EQ(listing(folder / "child.vhd"), expected);
    EXPECT_EQ(listing(folder / "grandchild.vhd"), listing(folder / "twice.img"));
    EXPECT_EQ(ntfs::openContainer(folder / "grandchild.vhd").facts.segments.size(), 3u);
}

// A copy of the container's files (those whose names start with stem) in a folder of their own.
fs::path copyOf(const std::string& stem, const std::string& folder) {
    const fs::path target = containers() / folder;
    fs::remove_all(target);
    fs::create_directories(target);
    for (const auto& entry : fs::directory_iterator(containers())) {
        if (entry.is_regular_file() && entry.path().filename().string().rfind(stem, 0) == 0) {
            fs::copy_file(entry.path(), target / entry.path().filename());
        }
    }
    return target;
}

void overwrite(const fs::path& file, std::uint64_t offset, std::size_t count, char byte) {
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(offset));
    out << std::string(count, byte);
}

std::string lastSegment(const fs::path& folder, const std::string& stem) {
    std::string last;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        last = name.rfind(stem, 0) == 0 ? std::max(last, name) : last;
    }
    return last;
}

// A copy of the raw volume whose boot sector says BitLocker's, as an encrypted volume's does.
fs::path bitLockerVolume(const fs::path& folder) {
    fs::copy_file(sourceVolume().image, folder / "locked.img");
    std::fstream out(folder / "locked.img", std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(3);
    out << "-FVE-FS-";
    return folder / "locked.img";
}

// Damaged containers: each a clear error naming the file and the reason, or its readable part with the
// damage named, given within a few seconds.
TEST_F(Containers, DamagedContainersSayWhichFileAndWhy) {
    madeContainers();
    struct TCase {
        const char* name;
        std::function<fs::path()> damage; // the file to open
        std::string error;                // what the error (or the damage) starts with ("" to accept any)
        std::string contains;             // and holds
        bool readable = false;            // read all the same, with the damage named
    };
    const std::vector<TCase> cases = {
        {"a middle segment missing",
         [] {
             const fs::path folder = copyOf("parts.", "missing-middle");
             fs::remove(folder / "parts.E03");
             return folder / "parts.E01";
         },
         "parts.E03 is missing: the image has ", " segments"},
        {"the last segment missing",
         [] {
             const fs::path folder = copyOf("parts.", "missing-last");
             const std::string last = lastSegment(folder, "parts.");
             fs::remove(folder / last);
             return folder / "parts.E01";
         },
         "", " is missing: the image goes on after parts.E"},
        {"a segment cut short",
         [] {
             const fs::path folder = copyOf("parts.", "short");
             fs::resize_file(folder / "parts.E02", fs::file_size(folder / "parts.E02") / 2);
             return folder / "parts.E01";
         },
         "parts.E02 is cut short or damaged; what can be read is read", "", true},
        {"a segment's header sections overwritten",
         [] {
             const fs::path folder = copyOf("parts.", "header");
             overwrite(folder / "parts.E01", 13, 200, '\x5A');
             return folder / "parts.E01";
         },
         "parts.E01 cannot be read as an EWF image: ", ""},
        {"a chunk table overwritten",
         [] {
             const fs::path folder = copyOf("parts.", "table");
             const fs::path segment = folder / "parts.E02";
             // The table and its copy lie at the segment's end, before its closing sections.
             overwrite(segment, fs::file_size(segment) - 76 * 2 - 600, 400, '\x7F');
             return folder / "parts.E01";
         },
         "parts.E0", "; what can be read is read, the rest as zeros", true},
        {"a VMDK child without its parent",
         [] {
             const fs::path folder = copyOf("child.", "orphan");
             return folder / "child.vmdk";
         },
         "the parent disk of child.vmdk was not found: monolithicSparse.vmdk", ""},
        {"a differencing VHD without its parent",
         [] {
             const fs::path folder = copyOf("disk.vhd", "vhd-orphan");
             writeDifferencingVhd(folder / "disk.vhd", "", "", folder / "child.vhd");
             fs::rename(folder / "disk.vhd", folder / "elsewhere.vhd");
             return folder / "child.vhd";
         },
         "the parent disk of child.vhd was not found: disk.vhd", ""},
        {"a VHD over a parent that is not its own",
         [] {
             const fs::path folder = copyOf("disk.vhd", "vhd-stranger");
             writeDifferencingVhd(folder / "disk.vhd", "", "", folder / "child.vhd");
             fs::remove(folder / "disk.vhd");
             fs::copy_file(containers() / "fixed.vhd", folder / "disk.vhd");
             return folder / "child.vhd";
         },
         "disk.vhd is not the parent disk of child.vhd: ", ""},
        {"a BitLocker volume",
         [] {
             const fs::path folder = containers() / "bitlocker";
             fs::remove_all(folder);
             fs::create_directories(folder);
             return bitLockerVolume(folder);
         },
         "encrypted images are not read: locked.img is encrypted with BitLocker", ""},
        {"a BitLocker volume in an E01",
         [] {
             const fs::path folder = containers() / "bitlocker-e01";
             fs::remove_all(folder);
             fs::create_directories(folder);
             EXPECT_TRUE(ewfacquire(bitLockerVolume(folder), folder / "locked", "-c none"));
             return folder / "locked.E01";
         },
         "encrypted images are not read: locked.E01 is encrypted with BitLocker", ""},
        {"a VMDK descriptor without its extent",
         [] {
             const fs::path folder = copyOf("twoGbMaxExtentFlat.", "no-extent");
             fs::remove(folder / "twoGbMaxExtentFlat-f001.vmdk");
             return folder / "twoGbMaxExtentFlat.vmdk";
         },
         "twoGbMaxExtentFlat.vmdk cannot be read as a VMDK: ", ""},
        {"a VHDX header overwritten",
         [] {
             const fs::path folder = copyOf("disk.vhdx", "vhdx");
             overwrite(folder / "disk.vhdx", 64 * 1024, 8192, '\x11');
             overwrite(folder / "disk.vhdx", 128 * 1024, 8192, '\x11');
             return folder / "disk.vhdx";
         },
         "disk.vhdx cannot be read as a VHDX: ", ""},
        {"a split segment missing",
         [] {
             const fs::path folder = copyOf("split.", "split-gap");
             fs::remove(folder / "split.002");
             return folder / "split.001";
         },
         "split.002 is missing: the image has ", " segments"},
        {"a split segment cut short",
         [] {
             const fs::path folder = copyOf("split.", "split-short");
             fs::resize_file(folder / "split.002", 1000);
             return folder / "split.001";
         },
         "split.002 is 1000 bytes where split.001 is 1048576", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path first = c.damage();
        const auto start = std::chrono::steady_clock::now();
        const ntfs::TDiskImage disk = ntfs::openDiskImage(first);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(std::any_of(disk.volumes.begin(), disk.volumes.end(),
                              [](const ntfs::TImageVolume& volume) { return volume.volume != nullptr; }),
                  c.readable);
        const std::string error = utf8(c.readable ? disk.container.damage : disk.error);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_NE(error.find(c.contains), std::string::npos) << error;
        if (c.readable) { // every folder and stream walked, what cannot be read as zeros, in bounded time
            const std::string part = listing(first);
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
            EXPECT_EQ(part.rfind("volume 0\n", 0), 0u) << part.substr(0, 200);
        }
    }
}

// A disk split into segments is one device: reads across a segment's end join the two.
TEST(ConcatenatedDevice, ReadsAcrossSegments) {
    std::vector<std::shared_ptr<ntfs::TNtfsDevice>> parts;
    parts.push_back(ntfs::openMemoryDevice({1, 2, 3}));
    parts.push_back(ntfs::openMemoryDevice({4}));
    parts.push_back(ntfs::openMemoryDevice({5, 6}));
    auto device = ntfs::openConcatenatedDevice(std::move(parts));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->size(), 6u);
    std::uint8_t bytes[6] = {};
    ASSERT_TRUE(device->read(0, bytes, 6));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 6), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(device->read(2, bytes, 3));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 3), (std::vector<std::uint8_t>{3, 4, 5}));
    EXPECT_TRUE(device->read(6, bytes, 0));
    EXPECT_FALSE(device->read(4, bytes, 3));
    EXPECT_FALSE(device->read(~std::uint64_t{0}, bytes, 2));
    EXPECT_EQ(ntfs::openConcatenatedDevice({}), nullptr);
}

// A library's device over bytes in memory that counts what the library is asked for, and fails reads
// from failAt on.
class TCountingLibrary final : public ntfs::TLibraryDevice {
public:
    TCountingLibrary(std::vector<std::uint8_t> bytes, std::size_t blockSize)
        : TLibraryDevice(bytes.size(), blockSize), FBytes(std::move(bytes)) {}
    std::vector<std::pair<std::uint64_t, std::size_t>> asked;
    std::uint64_t failAt = ~std::uint64_t{0};

protected:
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        asked.emplace_back(offset, count);
        if (offset + count > failAt) {
            return -1;
        }
        std::memcpy(buffer, FBytes.data() + offset, count);
        return static_cast<std::int64_t>(count);
    }

private:
    std::vector<std::uint8_t> FBytes;
};

// Small reads are served from whole aligned blocks, the last one kept; whole blocks go straight to the
// library; the disk's end and a failed read are kept to.
TEST(LibraryDevice, ReadsWholeBlocksAndKeepsTheLast) {
    std::vector<std::uint8_t> bytes(1000);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    }
    TCountingLibrary device(bytes, 256);
    const auto read = [&](std::uint64_t offset, std::size_t count) {
        std::vector<std::uint8_t> out(count);
        EXPECT_TRUE(device.read(offset, out.data(), count)) << offset << "+" << count;
        EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset)))
            << offset << "+" << count;
    };
    using TAsked = std::vector<std::pair<std::uint64_t, std::size_t>>;
    read(10, 20);
    read(100, 50); // the same block, not asked again
    EXPECT_EQ(device.asked, (TAsked{{0, 256}}));
    read(250, 20);       // across two blocks
    read(512, 512 - 24); // two whole blocks but for the disk's end: the last one is short
    EXPECT_EQ(device.asked, (TAsked{{0, 256}, {256, 256}, {512, 256}, {768, 232}}));
    device.asked.clear();
    read(0, 512); // whole blocks straight through
    EXPECT_EQ(device.asked, (TAsked{{0, 512}}));
    std::uint8_t byte = 0;
    EXPECT_FALSE(device.read(1000, &byte, 1));
    device.failAt = 300;
    EXPECT_FALSE(device.read(260, &byte, 1)); // the block failed: nothing of it is kept
    device.failAt = ~std::uint64_t{0};
    read(260, 1);
}

// Split names: numbered ones are found from .001 alone; xaa names only when asked for; a file named
// .001 with no .002 beside it is a raw image of its own.
TEST_F(Containers, SplitNamesAreFoundAsAskedFor) {
    madeContainers();
    const fs::path folder = containers() / "letters";
    fs::remove_all(folder);
    fs::create_directories(folder);
    ASSERT_TRUE(shell("cd " + quoted(folder) + " && split -b 1M " + quoted(sourceVolume().image)));
    const ntfs::TContainer asked = ntfs::openContainer(folder / "xaa", ntfs::TSplitNames::letters);
    ASSERT_NE(asked.device, nullptr) << utf8(asked.error);
    EXPECT_EQ(asked.facts.format, ntfs::TContainerFormat::splitRaw);
    EXPECT_EQ(asked.device->size(), fs::file_size(sourceVolume().image));
    EXPECT_EQ(asked.facts.segments[1], L"xab");
    const ntfs::TContainer notAsked = ntfs::openContainer(folder / "xaa");
    ASSERT_NE(notAsked.device, nullptr);
    EXPECT_EQ(notAsked.facts.format, ntfs::TContainerFormat::raw);
    EXPECT_EQ(notAsked.device->size(), 1u << 20);

    const fs::path alone = containers() / "alone";
    fs::remove_all(alone);
    fs::create_directories(alone);
    fs::copy_file(containers() / "split.001", alone / "disk.001");
    const ntfs::TContainer single = ntfs::openContainer(alone / "disk.001");
    ASSERT_NE(single.device, nullptr);
    EXPECT_EQ(single.facts.format, ntfs::TContainerFormat::raw);
}

// Every seed of the containers fuzz target and every input that once failed it (a VMDK descriptor whose
// extent name holds a folder made libvmdk read past the name) opens or is refused, never reading past
// the disk.
TEST(ContainerFuzzRegression, EveryKeptInputEndsCleanly) {
    const fs::path fuzz = fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz";
    const fs::path input = containers() / "input.E01";
    int replayed = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        for (const auto& entry : fs::directory_iterator(fuzz / kind / "containers")) {
            SCOPED_TRACE(entry.path().string());
            fs::copy_file(entry.path(), input, fs::copy_options::overwrite_existing);
            EXPECT_EQ(fuzzchecks::checkContainer(input), "");
            ++replayed;
        }
    }
    EXPECT_GE(replayed, 7);
    fs::copy_file(fuzz / "regressions" / "containers" / "extent-name-with-folder.vmdk", input,
                  fs::copy_options::overwrite_existing);
    EXPECT_NE(utf8(ntfs::openContainer(input).error).find("names an extent in another folder"),
              std::string::npos);
}

} // namespace
} // namespace ntfstest
