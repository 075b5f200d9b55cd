#include "ntfs/NtfsCompression.h"

#include "ntfs/NtfsVolume.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ntfs {

namespace {

constexpr std::uint16_t kChunkSizeMask = 0x0FFF;
constexpr std::uint16_t kChunkCompressed = 0x8000;

// One compressed chunk into out (kLznt1ChunkSize bytes); the rest of out past what it gives is zeros.
// Each flag byte tells for the eight items after it whether each is a literal byte (0) or a 16-bit
// reference (1) to bytes already decoded in this chunk: the more decoded, the more of its bits are the
// distance and the fewer the length.
bool decodeChunk(TBytes chunk, std::uint8_t* out) {
    std::size_t in = 0;
    std::size_t done = 0;
    while (in < chunk.size() && done < kLznt1ChunkSize) {
        const std::uint8_t flags = chunk.u8(in++);
        for (int item = 0; item < 8 && in < chunk.size() && done < kLznt1ChunkSize; ++item) {
            if ((flags & (1u << item)) == 0) {
                out[done++] = chunk.u8(in++);
                continue;
            }
            if (!chunk.has(in, 2) || done == 0) {
                return false;
            }
            const std::uint16_t token = chunk.u16(in);
            in += 2;
            unsigned lengthBits = 12;
            for (std::size_t at = done - 1; at >= 0x10; at >>= 1) {
                --lengthBits;
            }
            const std::size_t distance = (token >> lengthBits) + 1u;
            const std::size_t length = (token & ((1u << lengthBits) - 1)) + 3u;
            if (distance > done || length > kLznt1ChunkSize - done) {
                return false;
            }
            // Byte by byte: a reference may overlap what it writes (a repeated run).
            for (std::size_t i = 0; i < length; ++i, ++done) {
                out[done] = out[done - distance];
            }
        }
    }
    std::fill(out + done, out + kLznt1ChunkSize, std::uint8_t{0});
    return true;
}

} // namespace

std::uint32_t lznt1UnitBytes(std::uint16_t flags, std::uint8_t unitShift, std::uint32_t clusterSize) {
    // LZNT1 is compression format 1. NTFS makes its units 16 clusters of at most 4 KiB: larger ones are
    // not decoded (and never get a buffer sized by a volume's claim).
    constexpr std::uint64_t kLargestUnit = 64 * 1024;
    if ((flags & kAttrFlagCompressionMask) != 1 || unitShift == 0 || unitShift > 16) {
        return 0;
    }
    const std::uint64_t bytes = std::uint64_t{clusterSize} << unitShift;
    return bytes % kLznt1ChunkSize == 0 && bytes <= kLargestUnit ? static_cast<std::uint32_t>(bytes) : 0;
}

bool decodeLznt1(TBytes packed, std::uint8_t* unit, std::size_t unitSize) {
    std::size_t in = 0;
    std::size_t done = 0;
    while (done < unitSize && packed.has(in, 2)) {
        const std::uint16_t header = packed.u16(in);
        if (header == 0) {
            break; // the end of the unit's chunks
        }
        const std::size_t size = (header & kChunkSizeMask) + 1u; // the chunk's bytes after its header
        if (!packed.has(in + 2, size)) {
            return false;
        }
        const TBytes body = packed.sub(in + 2, size);
        if ((header & kChunkCompressed) != 0) {
            if (!decodeChunk(body, unit + done)) {
                return false;
            }
        } else {
            // Stored plainly: the chunk's bytes as they are (4 KiB, fewer only at a stream's end).
            if (size > kLznt1ChunkSize) {
                return false;
            }
            std::memcpy(unit + done, body.data(), size);
            std::fill(unit + done + size, unit + done + kLznt1ChunkSize, std::uint8_t{0});
        }
        done += kLznt1ChunkSize;
        in += 2 + size;
    }
    std::fill(unit + done, unit + unitSize, std::uint8_t{0});
    return true;
}

} // namespace ntfs

namespace ntfs {

std::int64_t TNtfsVolume::readCompressed(const TNtfsData& data, std::uint64_t offset, std::uint8_t* out,
                                         std::size_t count) const {
    const std::uint64_t clusterSize = FGeometry.clusterSize;
    const std::uint64_t unitBytes = data.compressionUnitBytes;
    const std::uint64_t unitClusters = unitBytes / clusterSize;
    std::vector<std::uint8_t> stored(static_cast<std::size_t>(unitBytes));
    std::vector<std::uint8_t> decoded(static_cast<std::size_t>(unitBytes));
    std::size_t done = 0;
    while (done < count) {
        const std::uint64_t position = offset + done;
        if (position >= data.initializedSize) {
            std::fill_n(out + done, count - done, 0); // written past the initialised part: zeros
            break;
        }
        const std::uint64_t unitStart = position / unitBytes * unitBytes;
        const std::uint64_t firstVcn = unitStart / clusterSize;
        // The unit's allocated clusters, read in VCN order; its holes are counted apart.
        const TRun* run = runFrom(data.runs, firstVcn);
        if (run == nullptr) {
            return -1;
        }
        const TRun* const lastRunEnd = data.runs.data() + data.runs.size();
        std::uint64_t allocated = 0;
        for (std::uint64_t vcn = firstVcn; vcn < firstVcn + unitClusters;) {
            if (run == lastRunEnd || vcn < run->vcn || vcn - run->vcn >= run->length) {
                return -1; // a cluster of the unit that no run maps
            }
            const std::uint64_t take =
                std::min(run->length - (vcn - run->vcn), firstVcn + unitClusters - vcn);
            if (run->lcn != TRun::kSparse &&
                !FDevice->read((static_cast<std::uint64_t>(run->lcn) + (vcn - run->vcn)) * clusterSize,
                               stored.data() + allocated * clusterSize,
                               static_cast<std::size_t>(take * clusterSize))) {
                return -1;
            }
            allocated += run->lcn != TRun::kSparse ? take : 0;
            vcn += take;
            ++run;
        }
        // All clusters allocated: stored plainly. None: zeros. Some: LZNT1 chunks in those.
        const std::uint8_t* unit = stored.data();
        if (allocated == 0) {
            std::fill(decoded.begin(), decoded.end(), std::uint8_t{0});
            unit = decoded.data();
        } else if (allocated < unitClusters) {
            if (!decodeLznt1(TBytes(stored.data(), static_cast<std::size_t>(allocated * clusterSize)),
                             decoded.data(), decoded.size())) {
                return -1;
            }
            unit = decoded.data();
        }
        const std::uint64_t into = position - unitStart;
        const auto piece = static_cast<std::size_t>(
            std::min<std::uint64_t>({count - done, unitBytes - into, data.initializedSize - position}));
        std::copy_n(unit + into, piece, out + done);
        done += piece;
    }
    return static_cast<std::int64_t>(count);
}

} // namespace ntfs
