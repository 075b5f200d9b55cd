#pragma once
// NTFS compression (LZNT1). A compressed stream is cut into compression units (16 clusters as NTFS
// lays them out): a unit whose clusters are all allocated is stored plainly, one with none is zeros, and
// one with fewer holds LZNT1 chunks in its first clusters. Each chunk decodes to 4 KiB of the unit.

#include "ntfs/NtfsLayout.h"

#include <cstddef>
#include <cstdint>

namespace ntfs {

constexpr std::size_t kLznt1ChunkSize = 4096;

// The size of a compressed stream's units, from its attribute's flags and compression unit (log2 of
// clusters), when they are LZNT1 units the reader decodes; 0 otherwise.
std::uint32_t lznt1UnitBytes(std::uint16_t flags, std::uint8_t unitShift, std::uint32_t clusterSize);

// Decodes the chunks in packed into unit (unitSize bytes, a multiple of kLznt1ChunkSize); what the
// chunks do not reach is zeros. False when a chunk does not hold together (a header past the bytes, a
// reference before the chunk's start, more than the unit's size).
bool decodeLznt1(TBytes packed, std::uint8_t* unit, std::size_t unitSize);

} // namespace ntfs
