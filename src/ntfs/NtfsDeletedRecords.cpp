// Reading the records of the MFT that are no longer in use, and the cluster bitmap that tells whether
// a deleted stream's clusters have been given to another file since.

#include "ntfs/NtfsDeletedRecords.h"

#include <algorithm>
#include <array>

namespace ntfs {

namespace {

constexpr std::uint64_t kRecordBitmap = 6;
constexpr std::size_t kBitmapPiece = 64 * 1024;

} // namespace

std::optional<TNtfsFile> TNtfsVolume::loadUnusedFile(std::uint64_t record) const {
    std::vector<std::uint8_t> bytes;
    TRecordHeader header;
    if (!readRecord(record, bytes, header) || (header.flags & kRecordInUse) != 0 ||
        header.baseReference != 0) {
        return std::nullopt;
    }
    // The file is built as a file in use is: freeing a record changes its flags (and sequence number),
    // not its attributes.
    TRecordHeader asInUse = header;
    asInUse.flags |= kRecordInUse;
    std::optional<TNtfsFile> file = buildFile(record, TBytes(bytes.data(), bytes.size()), asInUse, true,
                                              std::pmr::get_default_resource());
    if (!file || (file->names.empty() && file->streams.empty())) {
        return std::nullopt; // a record laid out ahead and never used, or one wiped
    }
    return file;
}

void forEachUnusedFile(const TNtfsVolume& volume, const std::function<bool(TNtfsFile&&)>& found) {
    for (std::uint64_t record = kFirstUserRecord; record < volume.recordCount(); ++record) {
        if (volume.fileByRecord(record) != nullptr) {
            continue; // in use: no need to read it again
        }
        if (std::optional<TNtfsFile> file = volume.loadUnusedFile(record)) {
            if (!found(std::move(*file))) {
                return;
            }
        }
    }
}

TNtfsClusterBitmap::TNtfsClusterBitmap(const TNtfsVolume& volume) : FVolume(volume) {
    const std::optional<TNtfsFile> file = volume.loadFile(kRecordBitmap);
    const TNtfsData* data = file ? file->findStream({}) : nullptr;
    if (data != nullptr && data->state == TDataState::readable) {
        FBitmap = *data;
    }
}

std::optional<bool> TNtfsClusterBitmap::anyInUse(const std::pmr::vector<TRun>& runs) const {
    if (!FBitmap) {
        return std::nullopt;
    }
    std::array<std::uint8_t, kBitmapPiece> piece{};
    for (const TRun& run : runs) {
        if (run.lcn == TRun::kSparse || run.length == 0) {
            continue;
        }
        // The run's clusters, a piece of the bitmap at a time; the run lies within the volume (the
        // run list's decoding checks it), so the bytes read are bounded by the bitmap's size.
        const auto first = static_cast<std::uint64_t>(run.lcn);
        const std::uint64_t end = first + run.length;
        for (std::uint64_t cluster = first; cluster < end;) {
            const std::uint64_t byte = cluster / 8;
            const std::uint64_t lastByte = (end - 1) / 8;
            const auto count =
                static_cast<std::size_t>(std::min<std::uint64_t>(kBitmapPiece, lastByte - byte + 1));
            if (FVolume.readData(*FBitmap, byte, piece.data(), count) != static_cast<std::int64_t>(count)) {
                return std::nullopt;
            }
            for (std::size_t i = 0; i < count * 8; ++i) {
                const std::uint64_t at = byte * 8 + i;
                if (at >= cluster && at < end && (piece[i / 8] >> (i % 8) & 1) != 0) {
                    return true;
                }
            }
            cluster = (byte + count) * 8;
        }
    }
    return false;
}

} // namespace ntfs
