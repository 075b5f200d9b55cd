#pragma once
// Files whose MFT records are no longer in use. NTFS leaves a freed record's attributes where they were
// until the record is used again, so a deleted file's names, times and streams (and where their bytes
// lay) can still be read. Whether those bytes are still the file's is another matter: clusters freed
// with it may have been given to a file since. The volume's cluster bitmap ($Bitmap) tells which
// clusters are in use now; a freed file owns none, so any of its clusters marked in use belongs to
// another file.

#include "ntfs/NtfsVolume.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace ntfs {

// Calls found with every file whose base record is no longer in use and still reads as a file (a
// name or a stream), in record order, read with the locations of its data. The system files' records
// (below 16) are left out. Stops early when found answers false.
void forEachUnusedFile(const TNtfsVolume& volume, const std::function<bool(TNtfsFile&&)>& found);

// Which clusters the volume marks in use now, read from $Bitmap as they are asked for.
class TNtfsClusterBitmap {
public:
    explicit TNtfsClusterBitmap(const TNtfsVolume& volume);

    // Whether $Bitmap could be read.
    bool readable() const { return FBitmap.has_value(); }
    // Whether any cluster the runs map (holes aside) is marked in use; nothing when the bitmap cannot
    // tell (it is not readable, or does not cover those clusters).
    std::optional<bool> anyInUse(const std::pmr::vector<TRun>& runs) const;

private:
    const TNtfsVolume& FVolume;
    std::optional<TNtfsData> FBitmap;
};

} // namespace ntfs
