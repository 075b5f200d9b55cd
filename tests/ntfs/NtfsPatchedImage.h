#pragma once
// Fixture images patched into damaged or hostile volumes: the image in memory with the places of its
// structures, record patches that keep the fix-ups whole, rewritten run lists, and the walk of a volume
// through the reader's file services.

#include "ntfs/NtfsFixture.h"
#include "ntfs/NtfsRecord.h"
#include "ntfs/NtfsServicesView.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ntfstest {

using ntfs::TAttributeReader;
using ntfs::TAttributeView;
using ntfs::TNtfsOpenError;
using ntfs::TNtfsVolume;
using ntfs::TRecordHeader;

inline std::unique_ptr<TNtfsVolume> openBytes(const std::string& bytes, TNtfsOpenError* error = nullptr) {
    return TNtfsVolume::open(ntfs::openMemoryDevice(std::vector<std::uint8_t>(bytes.begin(), bytes.end())),
                             error);
}

inline std::unique_ptr<plat::ntfs::TNtfsFileServices> servicesOver(const std::string& bytes) {
    auto volume = openBytes(bytes);
    if (!volume) {
        return nullptr;
    }
    auto services = std::make_unique<plat::ntfs::TNtfsFileServices>();
    services->mount(L'N', std::move(volume));
    return services;
}

// An image and the places of its structures, found by the reader on the intact image.
class TImage {
public:
    explicit TImage(const TFixtureVolume& fixture) : bytes(readBytes(fixture.image)) {
        auto volume = openBytes(bytes);
        if (!volume) {
            throw std::runtime_error("the intact image does not open");
        }
        FGeometry = volume->geometry();
        const std::optional<ntfs::TNtfsFile> mft = volume->loadFile(0);
        const auto& runs = mft->findStream(L"")->runs;
        FMftRuns.assign(runs.begin(), runs.end());
        auto services = servicesOver(bytes);
        for (const TFileFacts& file : fixture.facts) {
            std::uint64_t record = 0;
            if (ntfstest::recordOf(*services, L"N:\\" + file.path, record)) {
                FRecords.emplace_back(file.path, record);
            }
        }
    }

    std::string bytes;

    const ntfs::TNtfsGeometry& geometry() const { return FGeometry; }
    std::uint64_t recordOf(const std::wstring& path) const {
        for (const auto& [name, record] : FRecords) {
            if (name == path) {
                return record;
            }
        }
        throw std::runtime_error("no such file in the image");
    }
    // Where a byte of the MFT lies in the image.
    std::uint64_t mftByte(std::uint64_t offset) const {
        const std::uint64_t cluster = FGeometry.clusterSize;
        for (const auto& run : FMftRuns) {
            if (offset / cluster >= run.vcn && offset / cluster < run.vcn + run.length) {
                return static_cast<std::uint64_t>(run.lcn) * cluster + offset - run.vcn * cluster;
            }
        }
        throw std::runtime_error("outside the MFT");
    }
    // Lets the change see the record with its fix-ups applied, then protects it again.
    template <typename F> void patchRecord(std::string& image, std::uint64_t record, F change) const {
        const std::size_t size = FGeometry.recordSize;
        std::vector<std::uint8_t> copy(size);
        std::vector<std::uint64_t> places(size / 512);
        for (std::size_t sector = 0; sector < places.size(); ++sector) {
            places[sector] = mftByte(record * size + sector * 512);
            std::memcpy(copy.data() + sector * 512, image.data() + places[sector], 512);
        }
        ASSERT_TRUE(ntfs::applyFixups(copy.data(), size));
        change(copy.data());
        const std::size_t arrayOffset = copy[4] | (copy[5] << 8);
        for (std::size_t sector = 0; sector < places.size(); ++sector) {
            const std::size_t end = (sector + 1) * 512 - 2;
            copy[arrayOffset + 2 * (sector + 1)] = copy[end];
            copy[arrayOffset + 2 * (sector + 1) + 1] = copy[end + 1];
            copy[end] = copy[arrayOffset];
            copy[end + 1] = copy[arrayOffset + 1];
            std::memcpy(image.data() + places[sector], copy.data() + sector * 512, 512);
        }
    }

private:
    ntfs::TNtfsGeometry FGeometry;
    std::vector<ntfs::TRun> FMftRuns;
    std::vector<std::pair<std::wstring, std::uint64_t>> FRecords;
};

// The first attribute of the type (and name) in a fixed-up record.
inline TAttributeView attributeOf(std::uint8_t* record, std::size_t size, std::uint32_t type,
                                  const std::wstring& name = {}) {
    TRecordHeader header;
    header.attributesOffset = static_cast<std::uint16_t>(record[0x14] | (record[0x15] << 8));
    header.bytesInUse = static_cast<std::uint32_t>(record[0x18] | (record[0x19] << 8) | (record[0x1A] << 16));
    header.flags = static_cast<std::uint16_t>(record[0x16] | (record[0x17] << 8));
    TAttributeReader reader(ntfs::TBytes(record, size), header);
    TAttributeView attribute;
    while (reader.next(attribute)) {
        if (attribute.type == type && attribute.nameText() == name) {
            return attribute;
        }
    }
    throw std::runtime_error("no such attribute");
}

// The volume opened over the bytes, walked completely with every stream read: the only outcome
// asked for is that it ends. Gives what was seen.
inline std::vector<TSeenFile> walkAll(const std::string& bytes) {
    auto services = servicesOver(bytes);
    if (!services) {
        return {};
    }
    std::vector<TSeenFile> seen = walkServices(*services, L'N');
    EXPECT_EQ(services->openHandles(), 0);
    return seen;
}

// A run for a rewritten run list: a cluster, or a hole (lcn empty).
struct TPlainRun {
    std::optional<std::int64_t> lcn;
    std::uint64_t length = 0;
};

// The MFT's own runs as plain runs, to be rewritten, and the clusters they cover.
inline std::vector<TPlainRun> plainMftRuns(TNtfsVolume& volume, std::uint64_t& vcns) {
    const std::optional<ntfs::TNtfsFile> mft = volume.loadFile(ntfs::kRecordMft);
    std::vector<TPlainRun> runs;
    vcns = 0;
    for (const ntfs::TRun& run : mft->findStream(L"")->runs) {
        runs.push_back({run.lcn, run.length});
        vcns += run.length;
    }
    return runs;
}

// The mapping pairs NTFS writes for the runs (each offset relative to the run before).
inline std::vector<std::uint8_t> encodeRuns(const std::vector<TPlainRun>& runs) {
    auto bytesOf = [](std::uint64_t value, bool isSigned) {
        std::vector<std::uint8_t> bytes;
        do {
            bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
            value = isSigned ? static_cast<std::uint64_t>(static_cast<std::int64_t>(value) >> 8) : value >> 8;
        } while (isSigned ? !((value == 0 && (bytes.back() & 0x80) == 0) ||
                              (value == ~std::uint64_t{0} && (bytes.back() & 0x80) != 0))
                          : value != 0);
        return bytes;
    };
    std::vector<std::uint8_t> pairs;
    std::int64_t previous = 0;
    for (const TPlainRun& run : runs) {
        const std::vector<std::uint8_t> length = bytesOf(run.length, false);
        std::vector<std::uint8_t> offset;
        if (run.lcn) {
            offset = bytesOf(static_cast<std::uint64_t>(*run.lcn - previous), true);
            previous = *run.lcn;
        }
        pairs.push_back(static_cast<std::uint8_t>(offset.size() << 4 | length.size()));
        pairs.insert(pairs.end(), length.begin(), length.end());
        pairs.insert(pairs.end(), offset.begin(), offset.end());
    }
    pairs.push_back(0);
    return pairs;
}

// The offset in a fixed-up record of its first attribute of the type (and name).
inline std::size_t attributeOffset(const std::uint8_t* record, std::uint32_t type,
                                   const std::wstring& name = {}) {
    const ntfs::TBytes bytes(record, 0x10000);
    for (std::size_t at = bytes.u16(0x14); bytes.u32(at) != 0xFFFFFFFF && bytes.u32(at + 4) != 0;
         at += bytes.u32(at + 4)) {
        std::wstring own;
        for (std::size_t i = 0; i < bytes.u8(at + 9); ++i) {
            own += static_cast<wchar_t>(bytes.u16(at + bytes.u16(at + 10) + 2 * i));
        }
        if (bytes.u32(at) == type && own == name) {
            return at;
        }
    }
    throw std::runtime_error("no such attribute");
}

// Gives a non-resident attribute of a fixed-up record new runs and sizes; the attribute grows (and
// what follows it in the record moves) when the runs need more room.
inline void setRuns(std::uint8_t* record, std::size_t recordSize, std::size_t at,
                    const std::vector<std::uint8_t>& pairs, std::uint64_t highestVcn, std::uint64_t dataSize,
                    std::uint64_t initializedSize) {
    auto put = [&](std::size_t offset, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            record[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    const ntfs::TBytes view(record, recordSize);
    const std::size_t length = view.u32(at + 4);
    const std::size_t pairsOffset = view.u16(at + 0x20);
    const std::size_t needed = (pairsOffset + pairs.size() + 7) / 8 * 8;
    const std::size_t inUse = view.u32(0x18);
    if (needed > length) {
        const std::size_t grow = needed - length;
        if (inUse + grow > recordSize - 2) {
            throw std::runtime_error("the runs do not fit in the record");
        }
        std::memmove(record + at + needed, record + at + length, inUse - at - length);
        put(0x18, inUse + grow, 4);
        put(at + 4, needed, 4);
    }
    std::memset(record + at + pairsOffset, 0, std::max(needed, length) - pairsOffset);
    std::memcpy(record + at + pairsOffset, pairs.data(), pairs.size());
    put(at + 0x18, highestVcn, 8);
    put(at + 0x28, dataSize, 8); // allocated: as large as the data
    put(at + 0x30, dataSize, 8);
    put(at + 0x38, initializedSize, 8);
}

// Makes a resident attribute's value longer (zeros at its end); what follows it in the record moves.
inline void growResidentValue(std::uint8_t* record, std::size_t recordSize, std::size_t at,
                              std::size_t valueLength) {
    const ntfs::TBytes view(record, recordSize);
    const std::size_t length = view.u32(at + 4);
    const std::size_t valueOffset = view.u16(at + 20);
    const std::size_t needed = (valueOffset + valueLength + 7) / 8 * 8;
    const std::size_t inUse = view.u32(0x18);
    if (needed > length) {
        if (inUse + needed - length > recordSize - 2) {
            throw std::runtime_error("the value does not fit in the record");
        }
        std::memmove(record + at + needed, record + at + length, inUse - at - length);
        std::memset(record + at + length, 0, needed - length);
        const std::uint32_t grownInUse = static_cast<std::uint32_t>(inUse + needed - length);
        std::memcpy(record + 0x18, &grownInUse, 4);
        const std::uint32_t grownLength = static_cast<std::uint32_t>(needed);
        std::memcpy(record + at + 4, &grownLength, 4);
    }
    const std::uint32_t grownValue = static_cast<std::uint32_t>(valueLength);
    std::memcpy(record + at + 16, &grownValue, 4);
}

} // namespace ntfstest
