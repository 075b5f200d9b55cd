#include "ntfs/NtfsRecord.h"

#include "ntfs/Utf16.h"

namespace ntfs {

namespace {

constexpr std::size_t kRecordHeaderSize = 0x30;
constexpr std::size_t kResidentHeaderSize = 0x18;
constexpr std::size_t kNonResidentHeaderSize = 0x40;
// No file needs more runs than this; a list that claims more is hostile or damaged.
constexpr std::size_t kMaxRuns = std::size_t{1} << 22;

bool hasSignature(const std::uint8_t* bytes, const char* signature) {
    return std::memcmp(bytes, signature, 4) == 0;
}

} // namespace

bool applyFixups(std::uint8_t* bytes, std::size_t size) {
    if (size < kFixupStride || size % kFixupStride != 0) {
        return false;
    }
    const TBytes view(bytes, size);
    const std::size_t arrayOffset = view.u16(4);
    const std::size_t count = view.u16(6);
    const std::size_t sectors = size / kFixupStride;
    if (count != sectors + 1 || arrayOffset % 2 != 0 || arrayOffset < 8 ||
        !view.has(arrayOffset, count * 2) || arrayOffset + count * 2 > kFixupStride - 2) {
        return false;
    }
    const std::uint16_t check = view.u16(arrayOffset);
    for (std::size_t sector = 1; sector <= sectors; ++sector) {
        const std::size_t end = sector * kFixupStride - 2;
        if (view.u16(end) != check) {
            return false;
        }
        bytes[end] = bytes[arrayOffset + sector * 2];
        bytes[end + 1] = bytes[arrayOffset + sector * 2 + 1];
    }
    return true;
}

TRecordState prepareRecord(std::uint8_t* bytes, std::size_t size, TRecordHeader& header) {
    header = TRecordHeader{};
    if (size < kRecordHeaderSize) {
        return TRecordState::damaged;
    }
    if (!hasSignature(bytes, "FILE")) {
        const bool blank = bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0;
        return blank ? TRecordState::unused : TRecordState::damaged;
    }
    if (!applyFixups(bytes, size)) {
        return TRecordState::damaged;
    }
    const TBytes view(bytes, size);
    header.sequence = view.u16(0x10);
    header.attributesOffset = view.u16(0x14);
    header.flags = view.u16(0x16);
    header.bytesInUse = view.u32(0x18);
    header.baseReference = view.u64(0x20);
    if (header.bytesInUse > size || header.attributesOffset < kRecordHeaderSize - 8 ||
        header.attributesOffset % 8 != 0 || header.attributesOffset + 4u > header.bytesInUse) {
        return TRecordState::damaged;
    }
    return TRecordState::ok;
}

bool recordNumberHolds(TBytes record, std::uint64_t number) {
    constexpr std::size_t kNumberOffset = 0x2C;
    if (record.u16(4) < kNumberOffset + 4 || (record.u16(0x16) & kRecordInUse) == 0) {
        return true;
    }
    return record.u32(kNumberOffset) == static_cast<std::uint32_t>(number & 0xFFFFFFFFu);
}

std::wstring TAttributeView::nameText() const {
    return decodeUtf16Le(name.data(), name.size() / 2);
}

TAttributeReader::TAttributeReader(TBytes record, const TRecordHeader& header)
    : FRecord(record), FOffset(header.attributesOffset),
      FEnd(header.bytesInUse < record.size() ? header.bytesInUse : record.size()) {}

bool TAttributeReader::next(TAttributeView& attribute) {
    if (FDone) {
        return false;
    }
    auto fail = [this] {
        FDone = true;
        FDamaged = true;
        return false;
    };
    // What is left of the attributes' area (FEnd lies within the record).
    const TBytes rest = FOffset < FEnd ? TBytes(FRecord.data() + FOffset, FEnd - FOffset) : TBytes();
    if (!rest.has(0, 4)) {
        return fail();
    }
    attribute = TAttributeView{};
    attribute.type = rest.u32(0);
    if (attribute.type == kAttrEnd) {
        FDone = true;
        return false;
    }
    const std::size_t length = rest.u32(4);
    if (length < kResidentHeaderSize || length % 8 != 0 || !rest.has(0, length)) {
        return fail();
    }
    const TBytes a(rest.data(), length);
    attribute.resident = a.u8(8) == 0;
    const std::size_t nameUnits = a.u8(9);
    const std::size_t nameOffset = a.u16(10);
    attribute.flags = a.u16(12);
    attribute.instance = a.u16(14);
    if (nameUnits > 0) {
        if (!a.has(nameOffset, nameUnits * 2)) {
            return fail();
        }
        attribute.name = a.sub(nameOffset, nameUnits * 2);
    }
    if (attribute.resident) {
        const std::size_t valueLength = a.u32(16);
        const std::size_t valueOffset = a.u16(20);
        if (!a.has(valueOffset, valueLength)) {
            return fail();
        }
        attribute.value = TBytes(a.data() + valueOffset, valueLength);
    } else {
        if (length < kNonResidentHeaderSize) {
            return fail();
        }
        attribute.lowestVcn = a.u64(16);
        attribute.highestVcn = a.u64(24);
        const std::size_t pairsOffset = a.u16(32);
        attribute.compressionUnit = a.u8(34);
        attribute.allocatedSize = a.u64(40);
        attribute.dataSize = a.u64(48);
        attribute.initializedSize = a.u64(56);
        if (pairsOffset < kNonResidentHeaderSize || pairsOffset > length) {
            return fail();
        }
        attribute.mappingPairs = TBytes(a.data() + pairsOffset, length - pairsOffset);
    }
    FOffset += length;
    return true;
}

bool decodeRuns(TBytes pairs, std::uint64_t lowestVcn, std::uint64_t highestVcn, std::uint64_t clusterCount,
                std::pmr::vector<TRun>& runs) {
    if (highestVcn + 1 == lowestVcn) {
        return true; // an extent of no clusters (an empty stream: lowest 0, highest -1)
    }
    if (highestVcn < lowestVcn) {
        return false;
    }
    std::uint64_t vcn = lowestVcn;
    std::int64_t lcn = 0;
    std::size_t at = 0;
    while (at < pairs.size()) {
        const std::uint8_t header = pairs.u8(at);
        if (header == 0) {
            break;
        }
        const std::size_t lengthBytes = header & 0x0F;
        const std::size_t offsetBytes = header >> 4;
        if (lengthBytes == 0 || lengthBytes > 8 || offsetBytes > 8 ||
            !pairs.has(at + 1, lengthBytes + offsetBytes)) {
            return false;
        }
        std::uint64_t length = 0;
        for (std::size_t i = lengthBytes; i-- > 0;) {
            length = (length << 8) | pairs.u8(at + 1 + i);
        }
        if (length == 0 || vcn > highestVcn || length > highestVcn - vcn + 1) {
            return false;
        }
        TRun run;
        run.vcn = vcn;
        run.length = length;
        if (offsetBytes > 0) {
            std::uint64_t raw = 0;
            for (std::size_t i = offsetBytes; i-- > 0;) {
                raw = (raw << 8) | pairs.u8(at + 1 + lengthBytes + i);
            }
            if (offsetBytes < 8 && (raw >> (offsetBytes * 8 - 1)) != 0) {
                raw |= ~std::uint64_t{0} << (offsetBytes * 8); // sign extension
            }
            std::int64_t next = 0;
            if (__builtin_add_overflow(lcn, static_cast<std::int64_t>(raw), &next) || next < 0 ||
                static_cast<std::uint64_t>(next) > clusterCount ||
                length > clusterCount - static_cast<std::uint64_t>(next)) {
                return false;
            }
            lcn = next;
            run.lcn = lcn;
        }
        if (runs.size() >= kMaxRuns) {
            return false;
        }
        runs.push_back(run);
        vcn += length;
        at += 1 + lengthBytes + offsetBytes;
    }
    return true;
}

} // namespace ntfs
