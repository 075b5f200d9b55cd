// Fuzz target: an evidence container (E01, VHD, VHDX, VMDK) from bytes, written to a file and opened as
// the program opens images (see ContainerCheck.h).

#include "ContainerCheck.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

// The input's file, named as an E01's first segment: the format is told by the content.
const std::filesystem::path& inputFile() {
    static const std::filesystem::path path = [] {
        const char* shm = "/dev/shm";
        const std::filesystem::path folder =
            std::filesystem::path(std::filesystem::is_directory(shm) ? shm : "/tmp") /
            ("ombrolux-fuzz-containers-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        return folder / "input.E01";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(inputFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::string failure = fuzzchecks::checkContainer(inputFile());
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_containers: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
