#pragma once
// What the containers read through libraries share: a device whose reads are held to the disk's size
// before the library sees them and served one at a time (the libraries' handles keep a position), small
// ones from whole blocks of the container's own unit (an E01's chunk), the last block kept; and the
// openers of each library's containers.

#include "ntfs/NtfsContainer.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ntfs {

class TLibraryDevice : public TNtfsDevice {
public:
    // blockSize: reads are made in whole aligned blocks of this many bytes, the last one kept for the
    // reads that follow within it (an engine reads a master file table a record at a time); 0 reads
    // each as asked.
    explicit TLibraryDevice(std::uint64_t size, std::size_t blockSize = 0)
        : FSize(size), FBlockSize(blockSize) {}

    bool read(std::uint64_t offset, void* buffer, std::size_t count) final;
    std::uint64_t size() const final { return FSize; }

protected:
    // Reads up to count bytes (never past the end of the disk); the bytes read, 0 or less on failure.
    virtual std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;

private:
    // Reads exactly count bytes through readAt.
    bool readWhole(std::uint64_t offset, std::uint8_t* out, std::size_t count);

    std::mutex FMutex;
    std::uint64_t FSize;
    std::size_t FBlockSize;
    std::vector<std::uint8_t> FBlock; // the block last read, FBlock.size() bytes from FBlockAt
    std::uint64_t FBlockAt = 0;
};

// A library's error as one line: the last of its messages (its backtrace gives the innermost cause last).
std::wstring libraryMessage(const char* text);

// A library's UTF-16 text, up to its terminating zero or the end of the buffer.
std::wstring fromUtf16Units(const std::uint16_t* units, std::size_t capacity);

// The path in the form the libraries take it: UTF-16 on Windows (their wide functions), bytes elsewhere.
#if defined(_WIN32)
using TLibraryPath = std::wstring;
#else
using TLibraryPath = std::string;
#endif
TLibraryPath libraryPath(const std::filesystem::path& path);

// The files of a virtual disk made of a child over its parents (VHD, VHDX, VMDK), the child first, as
// each library opens and links them.
class TDiskChain {
public:
    virtual ~TDiskChain() = default;
    // The parent the last file opened names, its file name alone: nullopt when that file has no parent,
    // empty when it should have one but names none.
    virtual std::optional<std::wstring> parentOfLast() = 0;
    // Opens path as the next file of the chain; the library's reason when it cannot.
    virtual bool open(const std::filesystem::path& path, std::wstring& reason) = 0;
    // Makes the last file opened the parent of the one before it; the library's reason when it will not.
    virtual bool linkLast(std::wstring& reason) = 0;
};

// Opens the parents of the chain's child (path, already open), each looked for beside the file that
// names it, and adds their names to facts.segments; the error naming the file and the reason, or empty.
std::wstring openParents(TDiskChain& chain, const std::filesystem::path& path, TContainerFacts& facts);

TContainer openEwfContainer(const std::filesystem::path& path);
TContainer openVhdContainer(const std::filesystem::path& path, bool vhdx);
TContainer openVmdkContainer(const std::filesystem::path& path);

} // namespace ntfs
