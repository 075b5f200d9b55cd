#pragma once
// The on-disk layout of NTFS as the reader uses it: little-endian fields, attribute type codes and
// flags, and a bounded view over bytes read from the volume. Nothing read from a volume is trusted:
// every field is reached through a view that checks it lies within the bytes read.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ntfs {

// Attribute types.
constexpr std::uint32_t kAttrStandardInformation = 0x10;
constexpr std::uint32_t kAttrAttributeList = 0x20;
constexpr std::uint32_t kAttrFileName = 0x30;
constexpr std::uint32_t kAttrSecurityDescriptor = 0x50;
constexpr std::uint32_t kAttrVolumeName = 0x60;
constexpr std::uint32_t kAttrData = 0x80;
constexpr std::uint32_t kAttrEnd = 0xFFFFFFFF;

// Attribute flags.
constexpr std::uint16_t kAttrFlagCompressionMask = 0x00FF;
constexpr std::uint16_t kAttrFlagEncrypted = 0x4000;
constexpr std::uint16_t kAttrFlagSparse = 0x8000;

// MFT record flags.
constexpr std::uint16_t kRecordInUse = 0x0001;
constexpr std::uint16_t kRecordIsDirectory = 0x0002;

// $FILE_NAME namespaces.
constexpr std::uint8_t kNamespacePosix = 0;
constexpr std::uint8_t kNamespaceWin32 = 1;
constexpr std::uint8_t kNamespaceDos = 2;
constexpr std::uint8_t kNamespaceWin32AndDos = 3;

// System files by record number.
constexpr std::uint64_t kRecordMft = 0;
constexpr std::uint64_t kRecordVolume = 3;
constexpr std::uint64_t kRecordRoot = 5;
constexpr std::uint64_t kRecordUpCase = 10;
constexpr std::uint64_t kRecordSecure = 9;
constexpr std::uint64_t kFirstUserRecord = 16;

// The update-sequence stride: every 512 bytes of a multi-sector structure end with the check value.
constexpr std::size_t kFixupStride = 512;

// A file reference: 48 bits of record number, 16 bits of sequence number.
constexpr std::uint64_t recordOf(std::uint64_t reference) {
    return reference & 0x0000FFFFFFFFFFFFULL;
}
constexpr std::uint16_t sequenceOf(std::uint64_t reference) {
    return static_cast<std::uint16_t>(reference >> 48);
}

// Bytes read from the volume, with bounds-checked little-endian reads. A field outside the bytes reads
// as 0; parsers check with has() that a structure fits before they trust its fields.
class TBytes {
public:
    TBytes() = default;
    TBytes(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}

    const std::uint8_t* data() const { return FData; }
    std::size_t size() const { return FSize; }
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= FSize && count <= FSize - offset;
    }
    // The part from offset, count bytes long; empty when it does not fit.
    TBytes sub(std::size_t offset, std::size_t count) const {
        return has(offset, count) ? TBytes(FData + offset, count) : TBytes();
    }

    std::uint8_t u8(std::size_t offset) const { return get<std::uint8_t>(offset); }
    std::uint16_t u16(std::size_t offset) const { return get<std::uint16_t>(offset); }
    std::uint32_t u32(std::size_t offset) const { return get<std::uint32_t>(offset); }
    std::uint64_t u64(std::size_t offset) const { return get<std::uint64_t>(offset); }

private:
    // The width is fixed at compile time, so the copy is one load, not a call.
    template <typename T> T get(std::size_t offset) const {
        if (!has(offset, sizeof(T))) {
            return 0;
        }
        T value = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, FData + offset, sizeof(T)); // one load where the host is little-endian too
        } else {
            for (std::size_t i = sizeof(T); i-- > 0;) {
                value = static_cast<T>((value << 8) | FData[offset + i]);
            }
        }
        return value;
    }

    const std::uint8_t* FData = nullptr;
    std::size_t FSize = 0;
};

} // namespace ntfs
