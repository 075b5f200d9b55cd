// Fuzz target: the preview of arbitrary stream bytes.

#include "FuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = fuzzchecks::checkPreview(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_preview: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
