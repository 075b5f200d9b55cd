// Fuzz target: the backup-stream walk of the stream inspection, fed an arbitrary backup stream.

#include "FuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = fuzzchecks::checkBackupWalk(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_backup_walk: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
