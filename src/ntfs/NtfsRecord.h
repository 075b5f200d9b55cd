#pragma once
// MFT records: the update-sequence fix-ups, the record header, the attributes a record holds and the
// run lists of non-resident attributes. Each function checks every offset and length it reads, so a
// damaged record is reported as damaged and never read outside its bytes.

#include "ntfs/NtfsLayout.h"

#include <algorithm>
#include <cstdint>
#include <memory_resource>
#include <string>
#include <vector>

namespace ntfs {

// Puts back the sector-end bytes of a multi-sector structure ("FILE" or "INDX") from its update
// sequence array, in place. False when the array does not fit or a sector does not end with the
// check value (a torn or damaged write).
bool applyFixups(std::uint8_t* bytes, std::size_t size);

struct TRecordHeader {
    std::uint16_t sequence = 0;
    std::uint16_t flags = 0;
    std::uint64_t baseReference = 0; // 0 for a base record; the base record's reference for an extension
    std::uint32_t bytesInUse = 0;
    std::uint16_t attributesOffset = 0;
};

enum class TRecordState {
    ok,      // a valid record (in use or not: see the header's flags)
    unused,  // never used: no "FILE" signature
    damaged, // a signature with a header or fix-ups that do not hold
};

// Checks the signature and header of a record read from the MFT and applies its fix-ups in place.
TRecordState prepareRecord(std::uint8_t* bytes, std::size_t size, TRecordHeader& header);

// Whether a prepared record is the one at this place in the MFT. Records since NTFS 3.1 keep the low
// 32 bits of their own number at 0x2C (their update sequence array starts after it); older ones keep
// none, and a record not in use may keep any (mkntfs leaves 0 in those it lays out ahead): they hold.
bool recordNumberHolds(TBytes record, std::uint64_t number);

// One attribute of a record, as views into the record's bytes.
struct TAttributeView {
    std::uint32_t type = 0;
    bool resident = true;
    std::uint16_t flags = 0;
    std::uint16_t instance = 0;
    TBytes name; // UTF-16LE, name.size() / 2 units
    // Resident attributes.
    TBytes value;
    // Non-resident attributes.
    std::uint64_t lowestVcn = 0;
    std::uint64_t highestVcn = 0;
    std::uint64_t allocatedSize = 0;
    std::uint64_t dataSize = 0;
    std::uint64_t initializedSize = 0;
    std::uint8_t compressionUnit = 0; // log2 of the clusters in a compression unit
    TBytes mappingPairs;

    std::wstring nameText() const;
};

// The attributes of a prepared record, in record order.
class TAttributeReader {
public:
    TAttributeReader(TBytes record, const TRecordHeader& header);
    // The next attribute; false at the end or at a damaged attribute (then damaged() tells).
    bool next(TAttributeView& attribute);
    bool damaged() const { return FDamaged; }

private:
    TBytes FRecord;
    std::size_t FOffset = 0;
    std::size_t FEnd = 0;
    bool FDone = false;
    bool FDamaged = false;
};

// A run of clusters: lcn is kSparse for a hole that reads as zeros.
struct TRun {
    static constexpr std::int64_t kSparse = -1;
    std::uint64_t vcn = 0;
    std::int64_t lcn = kSparse;
    std::uint64_t length = 0;
    bool operator==(const TRun&) const = default;
};

// The last run starting at or before the VCN, in runs kept in VCN order; nullptr when none does. The
// caller checks whether the run reaches that far.
inline const TRun* runFrom(const std::pmr::vector<TRun>& runs, std::uint64_t vcn) {
    auto run = std::upper_bound(runs.begin(), runs.end(), vcn,
                                [](std::uint64_t v, const TRun& r) { return v < r.vcn; });
    return run == runs.begin() ? nullptr : &*(run - 1);
}

// Decodes the mapping pairs of one extent (lowestVcn to highestVcn) and appends its runs. False when
// the list is malformed, runs past the extent, or names a cluster outside the volume.
bool decodeRuns(TBytes pairs, std::uint64_t lowestVcn, std::uint64_t highestVcn, std::uint64_t clusterCount,
                std::pmr::vector<TRun>& runs);

} // namespace ntfs
