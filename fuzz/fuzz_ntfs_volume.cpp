// Fuzz target: an NTFS volume from bytes, opened by the engine and walked through its file services.

#include "NtfsVolumeCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = fuzzchecks::checkNtfsVolume(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_ntfs_volume: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
