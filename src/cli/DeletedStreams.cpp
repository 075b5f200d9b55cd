#include "cli/DeletedStreams.h"

#include "ntfs/NtfsDeletedRecords.h"
#include "ntfs/NtfsLayout.h"
#include "platform/Calendar.h"
#include "platform/ShownName.h"
#include "platform/Wildcard.h"
#include "report/StreamFacts.h"
#include "report/TextEncoding.h"
#include "report/ZoneIdentifier.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace cli {

namespace {

// Download marks under this size are left out unless asked for, as the scan leaves them out.
constexpr std::int64_t kSmallMark = 100;

std::optional<TDateTime> dateTimeOf(std::uint64_t ticks) {
    plat::SYSTEMTIME time{};
    const plat::FILETIME fileTime{static_cast<plat::DWORD>(ticks & 0xFFFFFFFFu),
                                  static_cast<plat::DWORD>(ticks >> 32)};
    if (!plat::fileTimeToCalendar(fileTime, time)) {
        return std::nullopt;
    }
    return TDateTime{time.wYear,   time.wMonth,  time.wDay,         time.wHour,
                     time.wMinute, time.wSecond, time.wMilliseconds};
}

// Where deleted files' names place them, in the volume ("\dir\file"). A name's parent folder is
// followed while it holds: a folder in use with the sequence number the name refers to gives its path
// in the tree; a deleted folder whose record still holds it (its sequence number the one referred to,
// or the next, as freeing a record counts it up) gives its own name and is followed in turn. Where
// the chain breaks (the record reused, or never a folder), the rest hangs under the orphans' folder, as
// The Sleuth Kit hangs it. Each folder is resolved once per scan.
class TPlaces {
public:
    TPlaces(const ntfs::TNtfsVolume& volume, plat::ntfs::TNtfsFileServices& reader, wchar_t letter)
        : FVolume(volume), FReader(reader), FLetter(letter) {}

    std::wstring pathOf(const ntfs::TNtfsFile& file, std::optional<std::size_t> name) {
        if (!name) {
            return std::wstring(kOrphanFolder) + L"\\OrphanFile-" + std::to_wstring(file.record);
        }
        const ntfs::TNtfsName& entry = file.names[*name];
        return folderPath(entry.parentRecord, entry.parentSequence) + L"\\" + plat::shownName(entry.name());
    }

private:
    // The most deleted folders followed up from one name: deeper chains are orphans.
    static constexpr std::size_t kMostLevels = 4096;

    static std::uint64_t keyOf(std::uint64_t record, std::uint16_t sequence) {
        return record << 16 | sequence;
    }

    // The folder's path ("" for the root).
    std::wstring folderPath(std::uint64_t record, std::uint16_t sequence) {
        std::vector<std::pair<std::uint64_t, std::wstring>> chain; // deleted folders, the nearest first
        std::wstring prefix = kOrphanFolder;
        for (;;) {
            const std::uint64_t key = keyOf(record, sequence);
            if (const auto known = FKnown.find(key); known != FKnown.end()) {
                prefix = known->second;
                break;
            }
            if (const std::optional<std::wstring> path = FReader.pathOfReference(FLetter, record, sequence)) {
                prefix = path->substr(2); // the drive letter and its colon
                if (!prefix.empty() && prefix.back() == L'\\') {
                    prefix.pop_back(); // the root
                }
                FKnown.emplace(key, prefix);
                break;
            }
            if (chain.size() >= kMostLevels || FVolume.fileByRecord(record) != nullptr ||
                std::any_of(chain.begin(), chain.end(),
                            [&](const auto& link) { return link.first == key; })) {
                break; // reused by a file in use, or a chain too deep or going round: an orphan
            }
            const std::optional<ntfs::TNtfsFile> folder = FVolume.loadUnusedFile(record);
            const std::uint16_t freed = sequence == 0xFFFF ? 1 : static_cast<std::uint16_t>(sequence + 1);
            if (!folder || !folder->folder || folder->names.empty() ||
                (folder->sequence != sequence && folder->sequence != freed)) {
                break;
            }
            const ntfs::TNtfsName& up = folder->names.front();
            chain.emplace_back(key, plat::shownName(up.name()));
            record = up.parentRecord;
            sequence = up.parentSequence;
        }
        for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
            prefix += L"\\" + link->second;
            FKnown.emplace(link->first, prefix);
        }
        return prefix;
    }

    const ntfs::TNtfsVolume& FVolume;
    plat::ntfs::TNtfsFileServices& FReader;
    wchar_t FLetter;
    std::unordered_map<std::uint64_t, std::wstring> FKnown; // folder's record and sequence -> its path
};

// The finding of one stream of a deleted file, named at path through its name (for the $FILE_NAME
// times; none for a file without one).
report::TStreamFinding findingOf(const std::wstring& source, const ntfs::TNtfsVolume& volume,
                                 const ntfs::TNtfsClusterBitmap& bitmap, const ntfs::TNtfsFile& file,
                                 std::optional<std::size_t> name, const std::wstring& path,
                                 const ntfs::TNtfsData& data, const report::TFactsWanted& wanted,
                                 std::string& error) {
    report::TStreamFinding f;
    f.source = source;
    f.filePath = path;
    f.streamName = plat::shownName(std::wstring(data.name.begin(), data.name.end()));
    f.fullPath = f.streamName.empty() ? path : streamPathOf(path, f.streamName);
    f.mft = report::TMftReference{file.record, file.sequence};
    f.size = static_cast<std::int64_t>(std::min<std::uint64_t>(data.size, INT64_MAX));
    f.created = dateTimeOf(file.created);
    f.modified = dateTimeOf(file.written);
    f.attributes = file.attributes | (file.folder ? plat::FILE_ATTRIBUTE_DIRECTORY : 0);

    plat::TStreamRecord& r = f.record;
    r.siCreated = file.created;
    r.siModified = file.written;
    r.siChanged = file.changed;
    r.siAccessed = file.accessed;
    if (name && file.extras && *name < file.extras->nameTimes.size()) {
        const ntfs::TNtfsNameTimes& times = file.extras->nameTimes[*name];
        r.fnCreated = times.created;
        r.fnModified = times.written;
        r.fnChanged = times.changed;
        r.fnAccessed = times.accessed;
    }
    r.attributeType = ntfs::kAttrData;
    r.attributeId = data.attributeId;
    r.resident = data.resident;
    r.sparse = data.sparse;
    r.compressed = (data.attributeFlags & ntfs::kAttrFlagCompressionMask) != 0;
    r.encrypted = (data.attributeFlags & ntfs::kAttrFlagEncrypted) != 0;
    r.allocated = false;
    r.deleted = true;
    // A resident stream lies in the record itself, which no file has taken since.
    r.clustersReused = data.resident ? std::optional<bool>(false) : bitmap.anyInUse(data.runs);
    r.hardLinkCount = static_cast<std::uint32_t>(file.names.size());
    r.fileId = plat::fileIdText(static_cast<std::uint32_t>(volume.geometry().serialNumber & 0xFFFFFFFFu),
                                file.record | (static_cast<std::uint64_t>(file.sequence) << 48));

    std::uint64_t offset = 0;
    report::readFacts(
        f, file.folder, wanted,
        [&](std::uint8_t* buffer, std::size_t count, std::string& why) -> std::int64_t {
            const std::int64_t read = volume.readData(data, offset, buffer, count);
            if (read < 0) {
                why = data.state == ntfs::TDataState::readable
                          ? "damaged on the volume"
                          : "stored in a form that cannot be read (encrypted or compressed)";
                return -1;
            }
            offset += static_cast<std::uint64_t>(read);
            return read;
        },
        error);
    return f;
}

// Whether the path lies below the folder (compared as NTFS compares names, without case).
bool isBelow(const ntfs::TNtfsVolume& volume, const std::wstring& path, const std::wstring& folder) {
    if (folder.empty()) {
        return true;
    }
    if (path.size() <= folder.size() || path[folder.size()] != L'\\') {
        return false;
    }
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (volume.upcase(static_cast<char16_t>(path[i])) !=
            volume.upcase(static_cast<char16_t>(folder[i]))) {
            return false;
        }
    }
    return true;
}

std::wstring upper(const ntfs::TNtfsVolume& volume, const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& c : out) {
        const auto unit = static_cast<std::uint32_t>(c);
        if ((unit >> 16) != 0) {
            continue; // past the units NTFS's table maps (where wchar_t holds 32 bits)
        }
        c = static_cast<wchar_t>(volume.upcase(static_cast<char16_t>(c)));
    }
    return out;
}

} // namespace

TScanOutcome scanDeleted(const std::wstring& source, const ntfs::TNtfsVolume& volume,
                         plat::ntfs::TNtfsFileServices& reader, wchar_t letter, const std::wstring& within,
                         const TScanSettings& settings, const TConsoleOutput& output) {
    TScanOutcome outcome;
    const ntfs::TNtfsClusterBitmap bitmap(volume);
    const std::wstring mask = upper(volume, settings.wildcard);
    TPlaces places(volume, reader, letter);
    const bool everyName = plat::matchesEveryName(mask);
    ntfs::forEachUnusedFile(volume, [&](ntfs::TNtfsFile&& file) {
        if (interrupted()) {
            outcome.stopped = true;
            return false;
        }
        // One place for each of its names (its hard links), as the scan lists a file in use.
        std::vector<std::pair<std::optional<std::size_t>, std::wstring>> named;
        for (std::size_t name = 0; name < file.names.size(); ++name) {
            named.emplace_back(name, places.pathOf(file, name));
        }
        if (named.empty()) {
            named.emplace_back(std::nullopt, places.pathOf(file, std::nullopt));
        }
        for (const auto& [name, path] : named) {
            const std::size_t slash = path.find_last_of(L'\\');
            const std::wstring folder = path.substr(0, slash);
            if (!isBelow(volume, path, within) ||
                (!settings.recursive && upper(volume, folder) != upper(volume, within)) ||
                (!everyName && !plat::matchesUpperMask(mask, upper(volume, path.substr(slash + 1))))) {
                continue;
            }
            for (const ntfs::TNtfsData& data : file.streams) {
                if (data.name.empty()) {
                    continue; // the file's main data: not an alternate stream
                }
                std::string error;
                report::TStreamFinding finding =
                    findingOf(source, volume, bitmap, file, name, path, data, settings.wanted, error);
                if (!error.empty()) {
                    ++outcome.unreadable;
                    std::fprintf(output.errors, "ombrolux: %s: %s\n",
                                 report::toUtf8(finding.fullPath).c_str(), error.c_str());
                }
                if (!settings.includeZone && report::isZoneIdentifierName(finding.streamName) &&
                    finding.size < kSmallMark && finding.mark && finding.mark->readable) {
                    continue;
                }
                if (settings.only && finding.streamClass && finding.streamClass->verdict != *settings.only) {
                    continue;
                }
                const std::string record = output.writer->record(finding);
                if (std::fwrite(record.data(), 1, record.size(), output.records) != record.size()) {
                    outcome.writeFailed = true;
                }
                ++outcome.streams;
            }
        }
        return true;
    });
    return outcome;
}

std::optional<TDeletedStream> findDeletedStream(const ntfs::TNtfsVolume& volume, std::uint64_t entry,
                                                std::uint16_t sequence, const std::wstring& stream,
                                                std::string& why) {
    std::optional<ntfs::TNtfsFile> file = volume.loadUnusedFile(entry);
    if (!file || file->sequence != sequence) {
        why = "no file, in use or deleted, has MFT entry " + std::to_string(entry) +
              " with sequence number " + std::to_string(sequence);
        return std::nullopt;
    }
    // ":name" or ":name:$DATA", the name as scan shows it.
    std::wstring shown = stream.empty() ? stream : stream.substr(1);
    if (const std::size_t type = shown.find(L':'); type != std::wstring::npos) {
        shown.resize(type);
    }
    const std::wstring name = plat::trueName(shown).value_or(shown);
    for (std::size_t i = 0; i < file->streams.size(); ++i) {
        if (std::wstring(file->streams[i].name.begin(), file->streams[i].name.end()) == name) {
            return TDeletedStream{std::move(*file), i};
        }
    }
    why = "the deleted file at MFT entry " + std::to_string(entry) + " has no " +
          (name.empty() ? std::string("main data") : "stream \"" + report::toUtf8(shown) + "\"");
    return std::nullopt;
}

report::TStreamFinding deletedFinding(const std::wstring& source, const ntfs::TNtfsVolume& volume,
                                      plat::ntfs::TNtfsFileServices& reader, wchar_t letter,
                                      const TDeletedStream& stream, const report::TFactsWanted& wanted,
                                      std::string& error) {
    const ntfs::TNtfsClusterBitmap bitmap(volume);
    const std::optional<std::size_t> name =
        stream.file.names.empty() ? std::nullopt : std::optional<std::size_t>(0);
    TPlaces places(volume, reader, letter);
    return findingOf(source, volume, bitmap, stream.file, name, places.pathOf(stream.file, name),
                     stream.data(), wanted, error);
}

} // namespace cli
