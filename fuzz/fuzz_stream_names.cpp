// Fuzz target: stream names: the record a raw name gives, both walks over a stream of that name, the saved
// copy's file name.

#include "FuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = fuzzchecks::checkStreamName(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_stream_names: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
