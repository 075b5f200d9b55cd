// Prints the reader's listing of a volume image (see VolumeListing.h): what the Windows build must list
// when the same volume is opened as a raw volume.
//   list_volume IMAGE

#include "ntfs/NtfsVolume.h"
#include "platform/ntfs/NtfsFileServices.h"
#include "rawvolume/VolumeListing.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: list_volume IMAGE\n");
        return 2;
    }
    ntfs::TNtfsOpenError error = ntfs::TNtfsOpenError::none;
    auto volume = ntfs::TNtfsVolume::open(ntfs::openImageFile(argv[1]), &error);
    if (!volume) {
        std::fprintf(stderr, "list_volume: %s does not open as NTFS (error %d)\n", argv[1],
                     static_cast<int>(error));
        return 1;
    }
    plat::ntfs::TNtfsFileServices services;
    services.mount(L'N', std::move(volume));
    const std::string listing = rawvolume::volumeListing(services, L'N');
    std::fwrite(listing.data(), 1, listing.size(), stdout);
    return 0;
}
