// Fuzz target: a disk image's partition table (MBR and its logical partitions, GPT, VHD footer) from
// bytes, read over a memory device.

#include "PartitionTableCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = fuzzchecks::checkPartitionTable(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_partition_table: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
