#pragma once
// What the containers read through libraries share: a device whose reads are held to the disk's size
// before the library sees them and served one at a time (the libraries' handles keep a position), and
// the openers of each library's containers.

#include "ntfs/NtfsContainer.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace ntfs {

class TLibraryDevice : public TNtfsDevice {
public:
    explicit TLibraryDevice(std::uint64_t size) : FSize(size) {}

    bool read(std::uint64_t offset, void* buffer, std::size_t count) final;
    std::uint64_t size() const final { return FSize; }

protected:
    // Reads up to count bytes (never past the end of the disk); the bytes read, 0 or less on failure.
    virtual std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;

private:
    std::mutex FMutex;
    std::uint64_t FSize;
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

TContainer openEwfContainer(const std::filesystem::path& path);
TContainer openVhdContainer(const std::filesystem::path& path, bool vhdx);
TContainer openVmdkContainer(const std::filesystem::path& path);

} // namespace ntfs
