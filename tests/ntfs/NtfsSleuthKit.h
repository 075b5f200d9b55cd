#pragma once
// The Sleuth Kit as a second reader to compare with: fls lists every file and named stream of a
// volume (as path:stream, hard links under each name) and icat gives a stream's bytes by its attribute.

#include "ntfs/NtfsFixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ntfstest {

// Why fls and icat cannot be used here; empty when they can.
const std::string& sleuthKitUnavailableReason();

// Every file and folder below the root as The Sleuth Kit reports it (system files left out), with each
// stream's size and bytes; withBytes false leaves the bytes out (sizes only). A stream whose name fls
// does not give (an empty resident one, see the source) is listed with an empty name.
std::vector<TFileFacts> readWithSleuthKit(const std::filesystem::path& image, bool withBytes = true);

} // namespace ntfstest
