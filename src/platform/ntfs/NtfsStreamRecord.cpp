// What the volume's records say of one stream path: the file's times in its standard information and
// in the $FILE_NAME attribute of the name the path goes through, the stream's attribute, and the file's
// identity shared by all of its names.

#include "platform/ntfs/NtfsServicesImpl.h"

#include "ntfs/NtfsLayout.h"

namespace plat::ntfs {

using namespace detail;

namespace {

// The file's name that the path's last component names in that folder: written exactly so, or else
// matching without case (its long or its 8.3 name), or else the first name in that folder.
std::optional<std::size_t> nameOfPath(const TNtfsTree& tree, const TNtfsFile& file,
                                      std::uint64_t parentRecord, const std::wstring& last) {
    std::optional<std::size_t> inFolder;
    std::optional<std::size_t> withoutCase;
    const std::wstring upperLast = tree.upper(last);
    for (std::size_t i = 0; i < file.names.size(); ++i) {
        const TNtfsName& name = file.names[i];
        if (name.parentRecord != parentRecord) {
            continue;
        }
        const std::wstring longName = name.name();
        if (longName == last) {
            return i;
        }
        if (!withoutCase &&
            (tree.upper(longName) == upperLast || tree.upper(name.shortName()) == upperLast)) {
            withoutCase = i;
        }
        if (!inFolder) {
            inFolder = i;
        }
    }
    return withoutCase ? withoutCase : inFolder;
}

} // namespace

bool TNtfsFileServices::streamRecord(const wchar_t* streamPath, TStreamRecord& record) {
    record = TStreamRecord{};
    std::lock_guard lock(FImpl->mutex);
    const TWinPath path = parseWinPath(streamPath);
    const TLocated found = FImpl->lookUp(path);
    if (found.error != 0) {
        return failWith(found.error, false);
    }
    const TNtfsTree& tree = *found.drive->tree;
    const TNtfsFile& entry = tree.file(*found.file);
    const std::shared_ptr<const TNtfsFile> file = FImpl->loaded(*found.drive, entry.record);
    if (!file) {
        return failWith(ERROR_FILE_CORRUPT, false);
    }
    record.siCreated = file->created;
    record.siModified = file->written;
    record.siChanged = file->changed;
    record.siAccessed = file->accessed;
    const std::uint64_t parentRecord = found.parent ? tree.file(*found.parent).record : file->record;
    const std::optional<std::size_t> name =
        nameOfPath(tree, *file, parentRecord, path.parts.empty() ? std::wstring(L".") : path.parts.back());
    if (name && file->extras && *name < file->extras->nameTimes.size()) {
        const TNtfsNameTimes& times = file->extras->nameTimes[*name];
        record.fnCreated = times.created;
        record.fnModified = times.written;
        record.fnChanged = times.changed;
        record.fnAccessed = times.accessed;
    }
    if (found.stream != nullptr) {
        const TNtfsData* stream = file->findStream(found.stream->name);
        if (stream == nullptr) {
            return failWith(ERROR_FILE_CORRUPT, false);
        }
        record.attributeType = kAttrData;
        record.attributeId = stream->attributeId;
        record.resident = stream->resident;
        record.sparse = stream->sparse;
        record.compressed = (stream->attributeFlags & kAttrFlagCompressionMask) != 0;
        record.encrypted = (stream->attributeFlags & kAttrFlagEncrypted) != 0;
    }
    record.allocated = true; // the catalogue holds records in use only
    record.deleted = false;
    record.hardLinkCount = static_cast<std::uint32_t>(file->names.size());
    record.fileId =
        fileIdText(static_cast<std::uint32_t>(found.drive->volume->geometry().serialNumber & 0xFFFFFFFFu),
                   file->record | (static_cast<std::uint64_t>(file->sequence) << 48));
    return true;
}

bool TNtfsFileServices::streamHoles(const wchar_t* streamPath,
                                    std::vector<std::pair<std::uint64_t, std::uint64_t>>& holes) {
    holes.clear();
    std::lock_guard lock(FImpl->mutex);
    const TLocated found = FImpl->lookUp(parseWinPath(streamPath));
    if (found.error != 0) {
        return failWith(found.error, false);
    }
    const TNtfsFile& entry = found.drive->tree->file(*found.file);
    const std::shared_ptr<const TNtfsFile> file = FImpl->loaded(*found.drive, entry.record);
    const TNtfsData* data =
        file ? file->findStream(found.stream != nullptr ? found.stream->name : std::pmr::wstring{}) : nullptr;
    if (data == nullptr) {
        return failWith(ERROR_FILE_CORRUPT, false);
    }
    // A compressed stream's sparse runs are the unused ends of its compressed units, not holes.
    if (data->resident || data->compressionUnitBytes != 0 || data->state != TDataState::readable) {
        return true;
    }
    const std::uint64_t clusterSize = found.drive->volume->geometry().clusterSize;
    for (const TRun& run : data->runs) {
        const std::uint64_t start = run.vcn * clusterSize;
        if (run.lcn != TRun::kSparse || start >= data->size) {
            continue;
        }
        const std::uint64_t end = std::min(data->size, (run.vcn + run.length) * clusterSize);
        if (!holes.empty() && holes.back().first + holes.back().second == start) {
            holes.back().second += end - start;
        } else {
            holes.emplace_back(start, end - start);
        }
    }
    return true;
}

} // namespace plat::ntfs
