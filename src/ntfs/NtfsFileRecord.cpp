// One file from its base MFT record and the extension records its attribute list names: standard
// information, names, data streams (resident or as runs, in extents) and the few attributes of
// system files the reader uses.

#include "ntfs/NtfsVolume.h"

#include "ntfs/NtfsCompression.h"
#include "ntfs/Utf16.h"

#include <algorithm>

namespace ntfs {

namespace {

// An attribute list is at most 256 KiB on NTFS; a larger one is not read.
constexpr std::uint64_t kLargestAttributeList = 256 * 1024;
// The most extension records read for one file. Every entry NTFS writes in a list takes at least 32
// bytes (a 26-byte header, 8-byte aligned), so the largest list names no more records than this; a list
// that names more (entries packed tighter) is hostile, and the records past the budget are left out.
constexpr std::size_t kMostExtensionRecords = kLargestAttributeList / 32;
// The most bytes of extension records read and kept for one file: as many records as above of 4 KiB,
// the largest size NTFS gives its records. A volume that claims larger ones (up to 64 KiB pass the
// boot sector's check) gets fewer records, so one file never costs more than 32 MiB.
constexpr std::uint64_t kMostExtensionBytes = kMostExtensionRecords * std::uint64_t{4096};
constexpr std::size_t kLargestSecurityDescriptor = 64 * 1024;

struct TListEntry {
    std::uint32_t type = 0;
    std::uint64_t segment = 0; // the record holding the attribute
    std::uint16_t instance = 0;
};

// The entries of an attribute list; false when one does not fit.
bool parseAttributeList(TBytes list, std::vector<TListEntry>& entries) {
    std::size_t at = 0;
    while (at < list.size()) {
        if (!list.has(at, 0x1A)) {
            return false;
        }
        const std::size_t length = list.u16(at + 4);
        if (length < 0x1A || !list.has(at, length)) {
            return false;
        }
        entries.push_back(TListEntry{list.u32(at), recordOf(list.u64(at + 0x10)), list.u16(at + 0x18)});
        at += length;
    }
    return true;
}

// The attributes of one record of the file.
struct TSegment {
    std::uint64_t record = 0;
    std::vector<std::uint8_t> bytes; // empty for the base record, whose bytes the caller holds
    std::vector<TAttributeView> attributes;
};

bool readAttributes(TBytes bytes, const TRecordHeader& header, std::vector<TAttributeView>& attributes) {
    TAttributeReader reader(bytes, header);
    while (reader.next(attributes.emplace_back())) {
    }
    attributes.pop_back(); // the place the end (or a damaged attribute) left unfilled
    return !reader.damaged();
}

// A name as $FILE_NAME holds it: UTF-16LE bytes in the record.
struct TRawName {
    std::uint64_t parent = 0;
    std::uint8_t nameSpace = 0;
    const std::uint8_t* name = nullptr;
    std::size_t units = 0;
    TNtfsNameTimes times;
};

// The working lists of one file, kept per thread so that reading a whole MFT does not allocate them
// for every record.
struct TScratch {
    std::vector<TAttributeView> baseAttributes;
    std::vector<const TAttributeView*> ordered;
    std::vector<TRawName> rawNames;
    std::vector<const TAttributeView*> dataHeads;
    std::vector<std::pair<std::size_t, const TAttributeView*>> dataAttributes;
    std::vector<const TAttributeView*> extents;
    std::pmr::vector<TRun> runs; // checked and dropped when the data's place is not wanted

    TScratch& cleared() {
        baseAttributes.clear();
        ordered.clear();
        rawNames.clear();
        dataHeads.clear();
        dataAttributes.clear();
        extents.clear();
        return *this;
    }
};

} // namespace

std::optional<TNtfsFile> TNtfsVolume::buildFile(std::uint64_t record, TBytes base,
                                                const TRecordHeader& baseHeader, bool withData,
                                                std::pmr::memory_resource* memory) const {
    if ((baseHeader.flags & kRecordInUse) == 0 || baseHeader.baseReference != 0) {
        return std::nullopt;
    }
    TNtfsFile file(memory);
    file.record = record;
    file.sequence = baseHeader.sequence;
    file.folder = (baseHeader.flags & kRecordIsDirectory) != 0;

    thread_local TScratch scratch;
    TScratch& work = scratch.cleared();
    std::vector<TAttributeView>& baseAttributes = work.baseAttributes;
    file.damaged = !readAttributes(base, baseHeader, baseAttributes);

    // With an attribute list, the list gives every attribute of the file and the record holding it,
    // in NTFS order; without one, the base record holds them all.
    std::vector<const TAttributeView*>& ordered = work.ordered;
    std::vector<std::uint8_t> listBytes;
    std::vector<std::unique_ptr<TSegment>> segments;
    const TAttributeView* listAttribute = nullptr;
    for (const TAttributeView& attribute : baseAttributes) {
        if (attribute.type == kAttrAttributeList) {
            listAttribute = &attribute;
            break;
        }
    }
    if (listAttribute == nullptr) {
        for (const TAttributeView& attribute : baseAttributes) {
            ordered.push_back(&attribute);
        }
    } else {
        TBytes list = listAttribute->value;
        if (!listAttribute->resident) {
            TNtfsData data;
            data.resident = false;
            data.size = listAttribute->dataSize;
            data.initializedSize = std::min(listAttribute->initializedSize, listAttribute->dataSize);
            if (data.size > kLargestAttributeList || !decodeExtentRuns(*listAttribute, data.runs) ||
                (!withData && data.size > FListBytesLeft)) {
                return std::nullopt;
            }
            if (!withData) {
                FListBytesLeft -= data.size; // the catalogue pass (withData reads one file on demand)
            }
            listBytes.resize(static_cast<std::size_t>(data.size));
            if (readData(data, 0, listBytes.data(), listBytes.size()) !=
                static_cast<std::int64_t>(listBytes.size())) {
                return std::nullopt;
            }
            list = TBytes(listBytes.data(), listBytes.size());
        }
        std::vector<TListEntry> entries;
        if (!parseAttributeList(list, entries)) {
            file.damaged = true;
        }
        // The extension records the list names, each once, in record order; only those that are in use
        // and name this file as their base are kept (checked before their attributes are).
        std::vector<std::uint64_t> numbers;
        for (const TListEntry& entry : entries) {
            if (entry.segment != record) {
                numbers.push_back(entry.segment);
            }
        }
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        const std::size_t mostRecords = static_cast<std::size_t>(
            std::min<std::uint64_t>(kMostExtensionRecords, kMostExtensionBytes / FGeometry.recordSize));
        if (numbers.size() > mostRecords) {
            file.damaged = true;
            numbers.resize(mostRecords);
        }
        if (!withData && numbers.size() > FExtensionsLeft) {
            file.damaged = true;
            numbers.clear();
        } else if (!withData) {
            FExtensionsLeft -= numbers.size();
        }
        std::vector<std::uint8_t> candidate;
        for (std::uint64_t number : numbers) {
            TRecordHeader header;
            if (!readRecord(number, candidate, header) || (header.flags & kRecordInUse) == 0 ||
                recordOf(header.baseReference) != record) {
                file.damaged = true;
                continue;
            }
            auto segment = std::make_unique<TSegment>();
            segment->record = number;
            segment->bytes = std::move(candidate);
            candidate = {};
            if (!readAttributes(TBytes(segment->bytes.data(), segment->bytes.size()), header,
                                segment->attributes)) {
                file.damaged = true;
            }
            segments.push_back(std::move(segment));
        }
        // Each record's attributes by type and instance, so that every entry is found by search.
        auto byKey = [](const TAttributeView& a, const TAttributeView& b) {
            return a.type != b.type ? a.type < b.type : a.instance < b.instance;
        };
        std::stable_sort(baseAttributes.begin(), baseAttributes.end(), byKey);
        for (auto& segment : segments) {
            std::stable_sort(segment->attributes.begin(), segment->attributes.end(), byKey);
        }
        for (const TListEntry& entry : entries) {
            const std::vector<TAttributeView>* attributes = &baseAttributes;
            if (entry.segment != record) {
                auto found = std::lower_bound(
                    segments.begin(), segments.end(), entry.segment,
                    [](const auto& segment, std::uint64_t n) { return segment->record < n; });
                if (found == segments.end() || (*found)->record != entry.segment) {
                    file.damaged = true;
                    continue;
                }
                attributes = &(*found)->attributes;
            }
            TAttributeView wanted;
            wanted.type = entry.type;
            wanted.instance = entry.instance;
            auto attribute = std::lower_bound(attributes->begin(), attributes->end(), wanted, byKey);
            if (attribute == attributes->end() || byKey(wanted, *attribute)) {
                file.damaged = true;
                continue;
            }
            ordered.push_back(&*attribute);
        }
    }

    file.extensionRecords = static_cast<std::uint32_t>(segments.size());
    if (withData) {
        file.extras = std::make_unique<TNtfsFileExtras>();
    }
    bool haveStandardInformation = false;
    std::vector<TRawName>& rawNames = work.rawNames;
    // Data attributes by stream: the first of each, in the order seen, and every one with its stream.
    std::vector<const TAttributeView*>& dataHeads = work.dataHeads;
    std::vector<std::pair<std::size_t, const TAttributeView*>>& dataAttributes = work.dataAttributes;
    for (const TAttributeView* each : ordered) {
        const TAttributeView& attribute = *each;
        switch (attribute.type) {
        case kAttrStandardInformation: {
            const TBytes& v = attribute.value;
            if (!attribute.resident || haveStandardInformation || !v.has(0, 0x30)) {
                break;
            }
            haveStandardInformation = true;
            file.created = v.u64(0x00);
            file.written = v.u64(0x08);
            file.changed = v.u64(0x10);
            file.accessed = v.u64(0x18);
            file.attributes = v.u32(0x20);
            file.securityId = v.has(0x34, 4) ? v.u32(0x34) : 0;
            break;
        }
        case kAttrFileName: {
            const TBytes& v = attribute.value;
            if (!attribute.resident || !v.has(0, 0x42)) {
                file.damaged = true;
                break;
            }
            const std::size_t units = v.u8(0x40);
            if (!v.has(0x42, units * 2) || units == 0) {
                file.damaged = true;
                break;
            }
            rawNames.push_back(TRawName{v.u64(0), v.u8(0x41), v.data() + 0x42, units,
                                        TNtfsNameTimes{v.u64(0x08), v.u64(0x10), v.u64(0x18), v.u64(0x20)}});
            break;
        }
        case kAttrData: {
            // The extents of one stream lie together in NTFS order, so the last stream seen is tried first.
            auto sameName = [&](const TAttributeView* head) {
                return head->name.size() == attribute.name.size() &&
                       std::equal(head->name.data(), head->name.data() + head->name.size(),
                                  attribute.name.data());
            };
            std::size_t stream = dataHeads.size();
            if (!dataHeads.empty() && sameName(dataHeads.back())) {
                stream = dataHeads.size() - 1;
            } else {
                stream = static_cast<std::size_t>(std::find_if(dataHeads.begin(), dataHeads.end(), sameName) -
                                                  dataHeads.begin());
            }
            if (stream == dataHeads.size()) {
                dataHeads.push_back(&attribute);
            }
            dataAttributes.emplace_back(stream, &attribute);
            break;
        }
        case kAttrSecurityDescriptor:
            if (file.extras && attribute.resident && attribute.value.size() <= kLargestSecurityDescriptor) {
                file.extras->securityDescriptor.assign(attribute.value.data(),
                                                       attribute.value.data() + attribute.value.size());
            }
            break;
        case kAttrVolumeName:
            if (file.extras && attribute.resident) {
                file.extras->volumeName = decodeUtf16Le(attribute.value.data(), attribute.value.size() / 2);
            }
            break;
        default:
            break;
        }
    }

    // Names: each long name with the 8.3 name NTFS keeps beside it in the same folder.
    file.names.reserve(rawNames.size());
    for (const TRawName& raw : rawNames) {
        if (raw.nameSpace == kNamespaceDos) {
            continue;
        }
        const TRawName* dos = nullptr;
        if (raw.nameSpace == kNamespaceWin32) {
            for (const TRawName& other : rawNames) {
                if (other.nameSpace == kNamespaceDos && other.parent == raw.parent) {
                    dos = &other;
                    break;
                }
            }
        }
        TNtfsName& name = file.names.emplace_back(
            TNtfsName{recordOf(raw.parent), sequenceOf(raw.parent), static_cast<std::uint16_t>(raw.units * 2),
                      std::pmr::string(reinterpret_cast<const char*>(raw.name), raw.units * 2, memory)});
        if (dos != nullptr) {
            name.bytes.append(reinterpret_cast<const char*>(dos->name), dos->units * 2);
        }
        if (file.extras) {
            file.extras->nameTimes.push_back(raw.times);
        }
    }

    file.streams.reserve(dataHeads.size());
    // Each stream's extents in VCN order: the extent at VCN 0 (or the resident value) gives the sizes
    // and flags, the others only runs.
    // Mostly in order already (one extent per stream): sorted only when not, which spares the sort's
    // buffer for almost every record.
    auto byStreamAndVcn = [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second->lowestVcn < b.second->lowestVcn;
    };
    if (!std::is_sorted(dataAttributes.begin(), dataAttributes.end(), byStreamAndVcn)) {
        std::stable_sort(dataAttributes.begin(), dataAttributes.end(), byStreamAndVcn);
    }
    std::vector<const TAttributeView*>& extents = work.extents;
    for (std::size_t at = 0; at < dataAttributes.size();) {
        extents.clear();
        const std::size_t stream = dataAttributes[at].first;
        for (; at < dataAttributes.size() && dataAttributes[at].first == stream; ++at) {
            extents.push_back(dataAttributes[at].second);
        }
        const TAttributeView& first = *extents.front();
        TNtfsData& data = file.streams.emplace_back(memory);
        appendUtf16Le(data.name, first.name.data(), first.name.size() / 2);
        data.resident = first.resident;
        data.sparse = (first.flags & kAttrFlagSparse) != 0;
        data.attributeId = first.instance;
        data.attributeFlags = first.flags;
        // A resident value is stored plainly whatever its flags say (a small stream of a compressed file).
        if ((first.flags & kAttrFlagEncrypted) != 0) {
            data.state = TDataState::encrypted;
        } else if ((first.flags & kAttrFlagCompressionMask) != 0 && !first.resident) {
            data.compressionUnitBytes =
                lznt1UnitBytes(first.flags, first.compressionUnit, FGeometry.clusterSize);
            if (data.compressionUnitBytes == 0) {
                data.state = TDataState::compressed;
            }
        }
        if (first.resident) {
            data.size = data.allocatedSize = data.initializedSize = first.value.size();
            if (withData) {
                data.residentBytes.assign(first.value.data(), first.value.data() + first.value.size());
            }
            if (extents.size() > 1) {
                data.state = TDataState::damaged;
            }
        } else {
            data.size = first.dataSize;
            data.allocatedSize = first.allocatedSize;
            data.initializedSize = std::min(first.initializedSize, first.dataSize);
            std::pmr::vector<TRun>& runs = withData ? data.runs : work.runs;
            runs.clear();
            std::uint64_t nextVcn = 0;
            bool whole = first.lowestVcn == 0;
            for (const TAttributeView* extent : extents) {
                whole = whole && !extent->resident && extent->lowestVcn == nextVcn &&
                        decodeExtentRuns(*extent, runs);
                nextVcn = extent->highestVcn + 1;
            }
            if (!whole) {
                data.state = TDataState::damaged;
            }
        }
    }
    return file;
}

} // namespace ntfs
