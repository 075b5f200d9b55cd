// Fuzz target: the free file name a copy is saved under, in a folder holding arbitrary names.

#include "FuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = fuzzchecks::checkUniqueName(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_unique_name: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
