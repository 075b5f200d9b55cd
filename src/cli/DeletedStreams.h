#pragma once
// The streams of deleted files in an image's volume: files whose MFT records are no longer in use but
// still hold their attributes. Each is written as scan writes any stream, marked deleted, with the path
// rebuilt from its name's parent reference as far as it holds: when the parent folder's record is not
// in use or now holds another file (its sequence number differs), the file is an orphan, placed under
// "\$OrphanFiles" as The Sleuth Kit places them. Whether its clusters now belong to a file in use is
// said too (then its bytes are not trusted).

#include "cli/ConsoleScan.h"
#include "ntfs/NtfsVolume.h"
#include "platform/ntfs/NtfsFileServices.h"

#include <optional>
#include <string>

namespace cli {

// The folder orphans are placed under.
inline constexpr const wchar_t* kOrphanFolder = L"\\$OrphanFiles";

// The named streams of the deleted files of the volume mounted at letter in reader. within: only the
// files whose rebuilt path lies below this folder of the volume ("\Users"; empty for the whole volume).
TScanOutcome scanDeleted(const std::wstring& source, const ntfs::TNtfsVolume& volume,
                         plat::ntfs::TNtfsFileServices& reader, wchar_t letter, const std::wstring& within,
                         const TScanSettings& settings, const TConsoleOutput& output);

// A deleted file's stream named by its MFT reference ("evidence.img#70-3:s"): the stream's name as
// scan shows it (":" and the name, or empty for the main data). Nothing when the record is in use, holds
// no deleted file with that sequence number, or the file has no such stream (why says which).
struct TDeletedStream {
    ntfs::TNtfsFile file;
    std::size_t stream = 0; // index into file.streams

    const ntfs::TNtfsData& data() const { return file.streams[stream]; }
};
std::optional<TDeletedStream> findDeletedStream(const ntfs::TNtfsVolume& volume, std::uint64_t entry,
                                                std::uint16_t sequence, const std::wstring& stream,
                                                std::string& why);

// The record scan writes of a deleted file's stream (read for its facts as scan reads them), its path
// rebuilt as scanDeleted rebuilds it with the file's first name.
report::TStreamFinding deletedFinding(const std::wstring& source, const ntfs::TNtfsVolume& volume,
                                      plat::ntfs::TNtfsFileServices& reader, wchar_t letter,
                                      const TDeletedStream& stream, const report::TFactsWanted& wanted,
                                      std::string& error);

} // namespace cli
