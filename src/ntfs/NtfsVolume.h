#pragma once
// An NTFS volume read directly: the boot sector, the master file table with its fix-ups, every file's
// standard information, names, attribute list and data streams, the volume label and the upper-case
// table. open() reads the whole MFT once and keeps a catalogue of every file (names, times, attributes
// and the names and sizes of its streams); a stream's contents are read on demand by offset.
//
// Nothing read from the volume is trusted: a damaged or hostile volume gives errors (a file left out,
// a stream that cannot be read), never a read outside a buffer or an endless loop.

#include "ntfs/NtfsDevice.h"
#include "ntfs/NtfsRecord.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ntfs {

struct TNtfsGeometry {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t clusterSize = 0;
    std::uint32_t recordSize = 0;
    std::uint64_t clusterCount = 0;
    std::uint64_t mftCluster = 0;
    std::uint64_t serialNumber = 0;
};

// Why a stream's bytes cannot be given.
enum class TDataState {
    readable,
    compressed, // compressed in a way the reader does not decode: the size is known, the bytes are not
    encrypted,  // EFS: only the owner's key opens it
    damaged,    // its run list or extents do not hold together
};

// One data stream of a file: where its bytes lie and how large it is. Its text and lists come from
// the memory resource it was made with (the catalogue's own arena, or the heap).
struct TNtfsData {
    explicit TNtfsData(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
        : name(memory), residentBytes(memory), runs(memory) {}

    std::pmr::wstring name; // empty for the unnamed (main) data
    std::uint64_t size = 0;
    std::uint64_t allocatedSize = 0;
    std::uint64_t initializedSize = 0;
    bool resident = true;
    bool sparse = false;
    std::uint32_t compressionUnitBytes = 0; // LZNT1-compressed streams: the unit's size; 0 for others
    TDataState state = TDataState::readable;
    std::uint16_t attributeId = 0;    // the first extent's instance in its record
    std::uint16_t attributeFlags = 0; // the first extent's flags (compressed, encrypted, sparse)
    std::pmr::vector<std::uint8_t> residentBytes;
    std::pmr::vector<TRun> runs; // non-resident streams, in VCN order
};

// One name of a file in a folder: its long name and, when it has one apart, its 8.3 name. Both are
// kept as the volume holds them (UTF-16LE, one after the other) and decoded only when asked for: a
// scan orders and compares far more names than it shows.
struct TNtfsName {
    std::uint64_t parentRecord = 0;
    std::uint16_t parentSequence = 0;
    std::uint16_t longBytes = 0; // the long name's share of bytes; the 8.3 name has the rest
    std::pmr::string bytes;

    std::string_view nameBytes() const { return std::string_view(bytes.data(), longBytes); }
    std::string_view shortNameBytes() const {
        return std::string_view(bytes.data() + longBytes, bytes.size() - longBytes);
    }
    std::wstring name() const;
    std::wstring shortName() const; // empty when there is no 8.3 name apart
};

// The four times a $FILE_NAME attribute keeps (100 ns ticks since 1601), as they were when the name
// was last written: they often differ from the standard information's.
struct TNtfsNameTimes {
    std::uint64_t created = 0;
    std::uint64_t written = 0;
    std::uint64_t changed = 0;
    std::uint64_t accessed = 0;
};

// What only a file read afresh (loadFile) keeps; the catalogue leaves it out.
struct TNtfsFileExtras {
    std::vector<TNtfsNameTimes> nameTimes;        // one for each of the file's names, in the same order
    std::vector<std::uint8_t> securityDescriptor; // an old-style $SECURITY_DESCRIPTOR attribute
    std::wstring volumeName;                      // $VOLUME_NAME ($Volume only)
};

// What the volume says of one file (a base MFT record with its extension records).
struct TNtfsFile {
    explicit TNtfsFile(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
        : names(memory), streams(memory) {}

    std::uint64_t record = 0;
    std::uint16_t sequence = 0;
    bool folder = false;
    bool damaged = false;         // an attribute or extension record could not be read
    std::uint32_t attributes = 0; // as $STANDARD_INFORMATION keeps them (Windows' attribute bits)
    // Times in 100 ns ticks since 1601, as Windows keeps them.
    std::uint64_t created = 0;
    std::uint64_t written = 0;
    std::uint64_t changed = 0;
    std::uint64_t accessed = 0;
    std::uint32_t securityId = 0;
    std::uint32_t extensionRecords = 0; // records besides the base one that hold its attributes
    std::pmr::vector<TNtfsName> names;
    std::pmr::vector<TNtfsData> streams; // in the volume's order; the unnamed data among them
    std::unique_ptr<TNtfsFileExtras> extras;

    const TNtfsData* findStream(std::wstring_view streamName) const; // exact name; empty: main data
};

// The catalogue's files in pages that never move: a file keeps its place while the list grows, and
// thousands of files take one allocation.
class TNtfsFileList {
public:
    std::size_t size() const { return FSize; }
    const TNtfsFile& operator[](std::size_t index) const {
        return FPages[index / kPageFiles][index % kPageFiles];
    }
    void push_back(TNtfsFile&& file) {
        if (FPages.empty() || FPages.back().size() == kPageFiles) {
            FPages.emplace_back().reserve(kPageFiles); // filled to its reserve only, so never moved
        }
        FPages.back().push_back(std::move(file));
        ++FSize;
    }

private:
    static constexpr std::size_t kPageFiles = 4096;
    std::vector<std::vector<TNtfsFile>> FPages;
    std::size_t FSize = 0;
};

// Why open() gave no volume.
enum class TNtfsOpenError {
    none,
    unreadable,   // the boot sector or the MFT cannot be read
    notNtfs,      // no NTFS boot sector
    badGeometry,  // sector, cluster or record sizes NTFS never uses
    damagedMft,   // the MFT's own record does not hold together
    noRootFolder, // the root folder's record is missing or damaged
    stopped,      // the stop flag was raised while the catalogue was read
};

class TNtfsVolume {
public:
    // stop, when given, is checked between chunks of MFT records (about a thousand at a time): once it
    // is raised, open gives up soon after with TNtfsOpenError::stopped.
    static std::unique_ptr<TNtfsVolume> open(std::unique_ptr<TNtfsDevice> device,
                                             TNtfsOpenError* error = nullptr,
                                             const std::atomic<bool>* stop = nullptr);
    ~TNtfsVolume();
    TNtfsVolume(const TNtfsVolume&) = delete;
    TNtfsVolume& operator=(const TNtfsVolume&) = delete;

    const TNtfsGeometry& geometry() const { return FGeometry; }
    const std::wstring& label() const { return FLabel; }
    // Number of records the MFT has room for, and of those read that were damaged.
    std::uint64_t recordCount() const { return FRecordCount; }
    std::uint64_t damagedRecords() const { return FDamagedRecords; }

    // The catalogue: every file in use, without the locations of its data (streams keep name, size
    // and state). Read once at open.
    const TNtfsFileList& files() const { return FFiles; }
    const TNtfsFile* fileByRecord(std::uint64_t record) const;
    // The index in files() of the file with this record; kNoFile when there is none.
    static constexpr std::size_t kNoFile = ~std::size_t{0};
    std::size_t fileIndex(std::uint64_t record) const;

    // A file read afresh with the locations of its data; nothing when the record is not a file in use.
    std::optional<TNtfsFile> loadFile(std::uint64_t record) const;
    // Reads up to count bytes of a stream from the offset; the number read (0 at or past the end), or
    // -1 when the bytes cannot be read (not readable, or the device fails).
    std::int64_t readData(const TNtfsData& data, std::uint64_t offset, void* buffer, std::size_t count) const;

    // The security descriptor $Secure keeps under the id ($STANDARD_INFORMATION's); empty when none.
    std::vector<std::uint8_t> securityDescriptor(std::uint32_t securityId) const;

    // NTFS's own upper-case mapping of one UTF-16 unit, from the volume's $UpCase.
    char16_t upcase(char16_t unit) const { return FUpcase[unit]; }

private:
    explicit TNtfsVolume(std::unique_ptr<TNtfsDevice> device);
    TNtfsOpenError readBootSector();
    TNtfsOpenError readMft();
    // False when the stop flag was raised before every record was read.
    bool readCatalogue(const std::atomic<bool>* stop);
    void readUpcase();
    // A stream's bytes in place on the device, when they lie within one run of it and the device holds
    // them in memory; null otherwise (then readData gives them).
    const std::uint8_t* viewData(const TNtfsData& data, std::uint64_t offset, std::size_t count) const;
    // readData for a compressed stream (NtfsCompression.cpp): the units the range touches, decoded.
    std::int64_t readCompressed(const TNtfsData& data, std::uint64_t offset, std::uint8_t* out,
                                std::size_t count) const;
    bool readRecord(std::uint64_t record, std::vector<std::uint8_t>& bytes, TRecordHeader& header) const;
    // Drops the MFT's runs from the first that maps clusters an earlier one maps, and its sizes with them.
    void keepUnaliasedRuns(TNtfsData& mft) const;
    // The runs of one extent of a stream, refused when its VCNs reach past what 63-bit offsets hold.
    bool decodeExtentRuns(const TAttributeView& extent, std::pmr::vector<TRun>& runs) const;
    // The record itself when its bytes lie on the device; otherwise the first later one that may.
    std::uint64_t firstRecordOnDevice(std::uint64_t record) const;
    // The file of a base record whose bytes are prepared; its extension records are read as its
    // attribute list names them. withData keeps the locations of its streams' bytes and its own security
    // descriptor.
    std::optional<TNtfsFile> buildFile(std::uint64_t record, TBytes base, const TRecordHeader& baseHeader,
                                       bool withData, std::pmr::memory_resource* memory) const;
    void addToCatalogue(TNtfsFile file);

    std::unique_ptr<TNtfsDevice> FDevice;
    TNtfsGeometry FGeometry;
    std::uint64_t FVolumeBytes = 0; // the volume's size as far as the device holds it
    TNtfsData FMft;
    std::uint64_t FRecordCount = 0;
    std::uint64_t FDamagedRecords = 0;
    std::wstring FLabel;
    std::vector<char16_t> FUpcase;
    // The catalogue's names and lists, freed at once with the volume (declared before the catalogue,
    // so it outlives it).
    std::pmr::monotonic_buffer_resource FArena;
    TNtfsFileList FFiles;
    std::vector<std::uint32_t> FFileIndex; // by record number: index in FFiles + 1, 0 for none
    // $Secure:$SDS and where each security id's descriptor lies in it, read on first use.
    // What the catalogue pass may still read for attribute lists. In a sound volume every list byte
    // and every extension record belongs to one file, so these last; a volume whose files share them
    // (to multiply the work) runs out, and its further lists leave their files out or damaged.
    mutable std::uint64_t FListBytesLeft = 0;
    mutable std::uint64_t FExtensionsLeft = 0;
    mutable std::once_flag FSecurityOnce;
    mutable TNtfsData FSds;
    mutable std::unordered_map<std::uint32_t, std::pair<std::uint64_t, std::uint32_t>> FSecurityIndex;
};

} // namespace ntfs
