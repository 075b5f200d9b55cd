// Opening a volume: the boot sector, the MFT's own record, the pass over every MFT record that makes
// the catalogue, and reading a stream's bytes through its runs.

#include "ntfs/NtfsVolume.h"

#include "ntfs/NtfsUpcase.h"
#include "ntfs/Utf16.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace ntfs {

namespace {

constexpr std::size_t kBootSectorSize = 512;
constexpr std::uint32_t kLargestCluster = 2u * 1024 * 1024;
constexpr std::uint32_t kLargestRecord = 64u * 1024;
constexpr std::size_t kPassChunkBytes = 1u << 20;
constexpr std::size_t kUpcaseUnits = 65536;

bool isPowerOfTwo(std::uint64_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

// Until the volume's own table is read, and when it is damaged: the table mkntfs writes.
std::vector<char16_t> standardUpcase() {
    std::vector<char16_t> table(kUpcaseUnits);
    for (std::size_t unit = 0; unit < kUpcaseUnits; ++unit) {
        table[unit] = ntfsUpcase(static_cast<char16_t>(unit));
    }
    return table;
}

} // namespace

std::wstring TNtfsName::name() const {
    const std::string_view text = nameBytes();
    return decodeUtf16Le(reinterpret_cast<const std::uint8_t*>(text.data()), text.size() / 2);
}

std::wstring TNtfsName::shortName() const {
    const std::string_view text = shortNameBytes();
    return decodeUtf16Le(reinterpret_cast<const std::uint8_t*>(text.data()), text.size() / 2);
}

const TNtfsData* TNtfsFile::findStream(std::wstring_view streamName) const {
    for (const TNtfsData& data : streams) {
        if (data.name == streamName) {
            return &data;
        }
    }
    return nullptr;
}

TNtfsVolume::TNtfsVolume(std::unique_ptr<TNtfsDevice> device)
    : FDevice(std::move(device)), FUpcase(standardUpcase()) {}

TNtfsVolume::~TNtfsVolume() = default;

std::unique_ptr<TNtfsVolume> TNtfsVolume::open(std::unique_ptr<TNtfsDevice> device, TNtfsOpenError* error,
                                               const std::atomic<bool>* stop) {
    TNtfsOpenError failure = TNtfsOpenError::unreadable;
    std::unique_ptr<TNtfsVolume> volume;
    if (device) {
        volume.reset(new TNtfsVolume(std::move(device)));
        failure = volume->readBootSector();
        if (failure == TNtfsOpenError::none) {
            failure = volume->readMft();
        }
        if (failure == TNtfsOpenError::none && !volume->readCatalogue(stop)) {
            failure = TNtfsOpenError::stopped;
        }
        if (failure == TNtfsOpenError::none) {
            const TNtfsFile* root = volume->fileByRecord(kRecordRoot);
            if (root == nullptr || !root->folder) {
                failure = TNtfsOpenError::noRootFolder;
            }
        }
    }
    if (error != nullptr) {
        *error = failure;
    }
    return failure == TNtfsOpenError::none ? std::move(volume) : nullptr;
}

TNtfsOpenError TNtfsVolume::readBootSector() {
    std::uint8_t sector[kBootSectorSize];
    if (!FDevice->read(0, sector, sizeof sector)) {
        return TNtfsOpenError::unreadable;
    }
    const TBytes boot(sector, sizeof sector);
    if (std::memcmp(sector + 3, "NTFS    ", 8) != 0 || boot.u16(0x1FE) != 0xAA55) {
        return TNtfsOpenError::notNtfs;
    }
    TNtfsGeometry g;
    g.bytesPerSector = boot.u16(0x0B);
    const std::uint8_t clusterField = boot.u8(0x0D);
    // Above 0x80 the field is a negative power of two (clusters of more than 128 sectors).
    const std::uint64_t sectorsPerCluster =
        clusterField <= 0x80 ? clusterField
                             : (256 - clusterField <= 20 ? std::uint64_t{1} << (256 - clusterField) : 0);
    if (!isPowerOfTwo(g.bytesPerSector) || g.bytesPerSector < 256 || g.bytesPerSector > 4096 ||
        !isPowerOfTwo(sectorsPerCluster) || sectorsPerCluster * g.bytesPerSector > kLargestCluster) {
        return TNtfsOpenError::badGeometry;
    }
    g.clusterSize = static_cast<std::uint32_t>(sectorsPerCluster * g.bytesPerSector);
    const std::uint64_t totalSectors = boot.u64(0x28);
    if (totalSectors > UINT64_MAX / g.bytesPerSector) {
        return TNtfsOpenError::badGeometry;
    }
    g.clusterCount = totalSectors / sectorsPerCluster;
    g.mftCluster = boot.u64(0x30);
    // Positive: clusters per record; negative: the record size as a power of two.
    const auto recordField = static_cast<std::int8_t>(boot.u8(0x40));
    std::uint64_t recordSize = 0;
    if (recordField > 0) {
        recordSize = static_cast<std::uint64_t>(recordField) * g.clusterSize;
    } else if (recordField >= -16 && recordField <= -9) {
        recordSize = std::uint64_t{1} << -recordField;
    }
    if (!isPowerOfTwo(recordSize) || recordSize < kFixupStride || recordSize > kLargestRecord ||
        g.clusterCount == 0 || g.mftCluster >= g.clusterCount) {
        return TNtfsOpenError::badGeometry;
    }
    g.recordSize = static_cast<std::uint32_t>(recordSize);
    g.serialNumber = boot.u64(0x48);
    FGeometry = g;
    // What the volume can hold: its clusters, as far as the device has them.
    const std::uint64_t claimed =
        g.clusterCount > UINT64_MAX / g.clusterSize ? UINT64_MAX : g.clusterCount * g.clusterSize;
    FVolumeBytes = std::min(claimed, FDevice->size());
    return TNtfsOpenError::none;
}

TNtfsOpenError TNtfsVolume::readMft() {
    // The MFT's own record is found from the boot sector; its data runs then place every other record.
    const TNtfsGeometry& g = FGeometry;
    std::vector<std::uint8_t> bytes(g.recordSize);
    if (!FDevice->read(g.mftCluster * g.clusterSize, bytes.data(), bytes.size())) {
        return TNtfsOpenError::unreadable;
    }
    TRecordHeader header;
    if (prepareRecord(bytes.data(), bytes.size(), header) != TRecordState::ok ||
        (header.flags & kRecordInUse) == 0 || header.baseReference != 0) {
        return TNtfsOpenError::damagedMft;
    }
    // First the extent in the record itself, so that extension records of the MFT can be read.
    TAttributeReader reader(TBytes(bytes.data(), bytes.size()), header);
    TAttributeView attribute;
    while (reader.next(attribute)) {
        if (attribute.type == kAttrData && attribute.name.size() == 0 && !attribute.resident &&
            attribute.lowestVcn == 0) {
            FMft.resident = false;
            FMft.size = attribute.dataSize;
            FMft.initializedSize = std::min(attribute.initializedSize, attribute.dataSize);
            if (!decodeExtentRuns(attribute, FMft.runs)) {
                return TNtfsOpenError::damagedMft;
            }
            break;
        }
    }
    if (FMft.runs.empty()) {
        return TNtfsOpenError::damagedMft;
    }
    FRecordCount = FMft.initializedSize / g.recordSize;
    std::optional<TNtfsFile> mft = buildFile(kRecordMft, TBytes(bytes.data(), bytes.size()), header, true,
                                             std::pmr::get_default_resource());
    const TNtfsData* data = mft ? mft->findStream({}) : nullptr;
    if (data == nullptr || data->resident || data->state != TDataState::readable || data->runs.empty()) {
        return TNtfsOpenError::damagedMft;
    }
    for (const TRun& run : data->runs) {
        if (run.lcn == TRun::kSparse) {
            return TNtfsOpenError::damagedMft; // the MFT is never sparse
        }
    }
    FMft = *data;
    keepUnaliasedRuns(FMft);
    FRecordCount = FMft.initializedSize / g.recordSize;
    if (FRecordCount <= kRecordRoot) {
        return TNtfsOpenError::damagedMft;
    }
    return TNtfsOpenError::none;
}

void TNtfsVolume::keepUnaliasedRuns(TNtfsData& mft) const {
    // Runs that map clusters an earlier run maps already would give the same records again under other
    // numbers: the MFT ends before the first of them. So the records are at most what the volume holds.
    std::map<std::uint64_t, std::uint64_t> taken; // first cluster -> one past the last
    std::uint64_t mapped = 0;
    for (std::size_t i = 0; i < mft.runs.size(); ++i) {
        const TRun& run = mft.runs[i];
        const auto start = static_cast<std::uint64_t>(run.lcn);
        const std::uint64_t end = start + run.length;
        auto after = taken.lower_bound(start);
        const bool overlapsNext = after != taken.end() && after->first < end;
        const bool overlapsPrevious = after != taken.begin() && std::prev(after)->second > start;
        if (overlapsNext || overlapsPrevious) {
            mft.runs.resize(i);
            break;
        }
        taken.emplace(start, end);
        mapped = run.vcn + run.length;
    }
    mft.initializedSize = std::min(mft.initializedSize, mapped * FGeometry.clusterSize);
    mft.size = std::min(mft.size, mapped * FGeometry.clusterSize);
}

bool TNtfsVolume::decodeExtentRuns(const TAttributeView& extent, std::pmr::vector<TRun>& runs) const {
    // Beyond this VCN a stream's byte offsets no longer fit in 63 bits: no run may reach it, so a run's
    // length in bytes never overflows.
    const std::uint64_t vcnLimit = static_cast<std::uint64_t>(INT64_MAX) / FGeometry.clusterSize;
    if (extent.highestVcn != UINT64_MAX && extent.highestVcn >= vcnLimit) {
        return false;
    }
    return decodeRuns(extent.mappingPairs, extent.lowestVcn, extent.highestVcn, FGeometry.clusterCount, runs);
}

bool TNtfsVolume::readRecord(std::uint64_t record, std::vector<std::uint8_t>& bytes,
                             TRecordHeader& header) const {
    const std::uint32_t size = FGeometry.recordSize;
    if (record >= FRecordCount) {
        return false;
    }
    bytes.resize(size);
    return readData(FMft, record * size, bytes.data(), size) == static_cast<std::int64_t>(size) &&
           prepareRecord(bytes.data(), size, header) == TRecordState::ok &&
           recordNumberHolds(TBytes(bytes.data(), size), record);
}

std::uint64_t TNtfsVolume::firstRecordOnDevice(std::uint64_t record) const {
    const std::uint64_t clusterSize = FGeometry.clusterSize;
    const std::uint64_t deviceClusters = FDevice->size() / clusterSize;
    const std::uint64_t vcn = record * FGeometry.recordSize / clusterSize;
    auto run = std::upper_bound(FMft.runs.begin(), FMft.runs.end(), vcn,
                                [](std::uint64_t v, const TRun& r) { return v < r.vcn; });
    if (run != FMft.runs.begin() &&
        static_cast<std::uint64_t>(std::prev(run)->lcn) + (vcn - std::prev(run)->vcn) < deviceClusters) {
        return record;
    }
    for (; run != FMft.runs.end(); ++run) {
        if (static_cast<std::uint64_t>(run->lcn) < deviceClusters) {
            const std::uint64_t first =
                (run->vcn * clusterSize + FGeometry.recordSize - 1) / FGeometry.recordSize;
            return std::min(std::max(first, record + 1), FRecordCount);
        }
    }
    return FRecordCount;
}

bool TNtfsVolume::readCatalogue(const std::atomic<bool>* stop) {
    const std::uint32_t size = FGeometry.recordSize;
    const std::uint64_t perChunk = std::max<std::uint64_t>(1, kPassChunkBytes / size);
    std::vector<std::uint8_t> chunk;
    // The index by record number covers the records the device can hold (a damaged MFT may claim any
    // number); a file numbered past it is found by search.
    FFileIndex.assign(static_cast<std::size_t>(std::min(FRecordCount, FVolumeBytes / size + 1)), 0);
    FListBytesLeft = FVolumeBytes;
    FExtensionsLeft = FRecordCount;
    for (std::uint64_t first = 0; first < FRecordCount;) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            return false;
        }
        // Records in clusters past the device's end (a truncated image) cannot be read: skipped whole.
        if (const std::uint64_t next = firstRecordOnDevice(first); next != first) {
            FDamagedRecords += next - first;
            first = next;
            continue;
        }
        const std::uint64_t count = std::min(perChunk, FRecordCount - first);
        const auto chunkBytes = static_cast<std::size_t>(count * size);
        // A chunk the device holds in memory is parsed record by record through a copy of one record
        // (its fix-ups are applied in place); any other is read whole.
        const std::uint8_t* mapped = viewData(FMft, first * size, chunkBytes);
        chunk.resize(mapped != nullptr ? size : chunkBytes);
        const bool whole = mapped != nullptr || readData(FMft, first * size, chunk.data(), chunkBytes) ==
                                                    static_cast<std::int64_t>(chunkBytes);
        for (std::uint64_t i = 0; i < count; ++i) {
            std::uint8_t* bytes = chunk.data() + (mapped != nullptr ? 0 : i * size);
            if (mapped != nullptr) {
                std::memcpy(bytes, mapped + i * size, size);
            } else if (!whole &&
                       readData(FMft, (first + i) * size, bytes, size) != static_cast<std::int64_t>(size)) {
                // A chunk that cannot be read whole costs only the records in it that cannot be read.
                ++FDamagedRecords;
                continue;
            }
            TRecordHeader header;
            TRecordState state = prepareRecord(bytes, size, header);
            if (state == TRecordState::ok && !recordNumberHolds(TBytes(bytes, size), first + i)) {
                state = TRecordState::damaged; // a record in another's place (an aliased MFT)
            }
            if (state == TRecordState::damaged) {
                ++FDamagedRecords;
            }
            if (state != TRecordState::ok || (header.flags & kRecordInUse) == 0 ||
                header.baseReference != 0) {
                continue;
            }
            if (std::optional<TNtfsFile> file =
                    buildFile(first + i, TBytes(bytes, size), header, false, &FArena)) {
                addToCatalogue(std::move(*file));
            }
        }
        first += count;
    }
    if (std::optional<TNtfsFile> volume = loadFile(kRecordVolume); volume && volume->extras) {
        FLabel = volume->extras->volumeName;
    }
    readUpcase();
    return true;
}

void TNtfsVolume::readUpcase() {
    std::optional<TNtfsFile> file = loadFile(kRecordUpCase);
    const TNtfsData* data = file ? file->findStream({}) : nullptr;
    if (data == nullptr || data->size < kUpcaseUnits * 2) {
        return; // a damaged table: the standard one stays
    }
    std::vector<std::uint8_t> bytes(kUpcaseUnits * 2);
    if (readData(*data, 0, bytes.data(), bytes.size()) != static_cast<std::int64_t>(bytes.size())) {
        return;
    }
    // Every NTFS table maps the Latin letters; one that does not (a blank or damaged table) is not taken.
    const TBytes table(bytes.data(), bytes.size());
    if (table.u16(2 * 'a') != 'A' || table.u16(2 * 'A') != 'A') {
        return;
    }
    for (std::size_t unit = 0; unit < kUpcaseUnits; ++unit) {
        FUpcase[unit] = static_cast<char16_t>(bytes[2 * unit] | (bytes[2 * unit + 1] << 8));
    }
}

void TNtfsVolume::addToCatalogue(TNtfsFile file) {
    if (file.record < FFileIndex.size()) {
        FFileIndex[static_cast<std::size_t>(file.record)] = static_cast<std::uint32_t>(FFiles.size() + 1);
    }
    FFiles.push_back(std::move(file));
}

std::size_t TNtfsVolume::fileIndex(std::uint64_t record) const {
    if (record < FFileIndex.size()) {
        return FFileIndex[static_cast<std::size_t>(record)] != 0
                   ? FFileIndex[static_cast<std::size_t>(record)] - 1
                   : kNoFile;
    }
    // Past the index: the catalogue is in record order, so a search finds it.
    std::size_t low = 0;
    std::size_t high = FFiles.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (FFiles[middle].record < record) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low < FFiles.size() && FFiles[low].record == record ? low : kNoFile;
}

const TNtfsFile* TNtfsVolume::fileByRecord(std::uint64_t record) const {
    const std::size_t index = fileIndex(record);
    return index == kNoFile ? nullptr : &FFiles[index];
}

std::optional<TNtfsFile> TNtfsVolume::loadFile(std::uint64_t record) const {
    std::vector<std::uint8_t> bytes;
    TRecordHeader header;
    if (!readRecord(record, bytes, header)) {
        return std::nullopt;
    }
    return buildFile(record, TBytes(bytes.data(), bytes.size()), header, true,
                     std::pmr::get_default_resource());
}

std::int64_t TNtfsVolume::readData(const TNtfsData& data, std::uint64_t offset, void* buffer,
                                   std::size_t count) const {
    // Resident values are always plain, whatever their compression flag; non-resident compressed
    // streams are decoded unit by unit.
    if (data.state != TDataState::readable) {
        return -1;
    }
    if (offset >= data.size) {
        return 0;
    }
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, data.size - offset));
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (data.resident) {
        const std::size_t stored =
            offset < data.residentBytes.size()
                ? std::min<std::size_t>(count, data.residentBytes.size() - static_cast<std::size_t>(offset))
                : 0;
        std::copy_n(data.residentBytes.data() + offset, stored, out);
        std::fill_n(out + stored, count - stored, 0);
        return static_cast<std::int64_t>(count);
    }
    if (data.compressionUnitBytes != 0) {
        return readCompressed(data, offset, out, count);
    }
    const std::uint64_t clusterSize = FGeometry.clusterSize;
    std::size_t done = 0;
    while (done < count) {
        const std::uint64_t position = offset + done;
        if (position >= data.initializedSize) {
            std::fill_n(out + done, count - done, 0); // written past the initialised part: zeros
            break;
        }
        const std::uint64_t vcn = position / clusterSize;
        const TRun* run = runFrom(data.runs, vcn);
        if (run == nullptr || vcn - run->vcn >= run->length) {
            return -1; // a cluster no run maps
        }
        const std::uint64_t intoRun = (vcn - run->vcn) * clusterSize + position % clusterSize;
        const std::uint64_t piece = std::min<std::uint64_t>(
            {count - done, run->length * clusterSize - intoRun, data.initializedSize - position});
        if (piece == 0) {
            return -1; // a run that does not hold together: every step must advance
        }
        if (run->lcn == TRun::kSparse) {
            std::fill_n(out + done, piece, 0);
        } else if (!FDevice->read(static_cast<std::uint64_t>(run->lcn) * clusterSize + intoRun, out + done,
                                  static_cast<std::size_t>(piece))) {
            return -1;
        }
        done += static_cast<std::size_t>(piece);
    }
    return static_cast<std::int64_t>(count);
}

const std::uint8_t* TNtfsVolume::viewData(const TNtfsData& data, std::uint64_t offset,
                                          std::size_t count) const {
    if (data.state != TDataState::readable || data.resident || data.compressionUnitBytes != 0 ||
        offset > data.initializedSize || count > data.initializedSize - offset || count == 0) {
        return nullptr;
    }
    const std::uint64_t clusterSize = FGeometry.clusterSize;
    const std::uint64_t vcn = offset / clusterSize;
    auto run = std::upper_bound(data.runs.begin(), data.runs.end(), vcn,
                                [](std::uint64_t v, const TRun& r) { return v < r.vcn; });
    if (run == data.runs.begin()) {
        return nullptr;
    }
    --run;
    const std::uint64_t intoRun = (vcn - run->vcn) * clusterSize + offset % clusterSize;
    if (run->lcn == TRun::kSparse || vcn - run->vcn >= run->length ||
        count > run->length * clusterSize - intoRun) {
        return nullptr;
    }
    return FDevice->view(static_cast<std::uint64_t>(run->lcn) * clusterSize + intoRun, count);
}

std::vector<std::uint8_t> TNtfsVolume::securityDescriptor(std::uint32_t securityId) const {
    // $SDS holds the descriptors in blocks of 256 KiB, each followed by its mirror copy; every entry
    // is a 20-byte header (hash, id, its own offset, length) and the descriptor, on 16-byte bounds.
    constexpr std::uint64_t kBlock = 256 * 1024;
    constexpr std::uint32_t kEntryHeader = 20;
    std::call_once(FSecurityOnce, [this] {
        std::optional<TNtfsFile> secure = loadFile(kRecordSecure);
        const TNtfsData* sds = secure ? secure->findStream(L"$SDS") : nullptr;
        if (sds == nullptr) {
            return;
        }
        FSds = *sds;
        // The descriptors lie within what the volume holds, whatever size $SDS claims.
        const std::uint64_t end =
            std::min({FSds.size, FSds.resident ? FSds.size : FSds.initializedSize, FVolumeBytes});
        std::uint8_t header[kEntryHeader];
        for (std::uint64_t block = 0; block < end; block += 2 * kBlock) {
            const std::uint64_t blockEnd = std::min(block + kBlock, end);
            std::uint64_t at = block;
            while (at + kEntryHeader <= blockEnd &&
                   readData(FSds, at, header, kEntryHeader) == static_cast<std::int64_t>(kEntryHeader)) {
                const TBytes entry(header, kEntryHeader);
                const std::uint32_t length = entry.u32(16);
                if (entry.u64(8) != at || length <= kEntryHeader || length > blockEnd - at) {
                    break;
                }
                FSecurityIndex.emplace(entry.u32(4),
                                       std::make_pair(at + kEntryHeader, length - kEntryHeader));
                at += (length + 15) / 16 * 16;
            }
        }
    });
    auto it = FSecurityIndex.find(securityId);
    if (it == FSecurityIndex.end()) {
        return {};
    }
    std::vector<std::uint8_t> descriptor(it->second.second);
    if (readData(FSds, it->second.first, descriptor.data(), descriptor.size()) !=
        static_cast<std::int64_t>(descriptor.size())) {
        return {};
    }
    return descriptor;
}

} // namespace ntfs
