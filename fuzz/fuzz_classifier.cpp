// Fuzz target: the stream classifier over arbitrary names and bytes, read as the scan reads them.

#include "FuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = fuzzchecks::checkClassifier(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_classifier: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
