#pragma once
// What the NTFS volume fuzz target does with one input: the input describes a volume image (see
// imageOfInput), the engine opens it from memory, and the file services walk it as the program does:
// every folder, every stream listed, every stream read, and the backup byte stream of each file (with
// its security record). Reads are capped per stream, so a stream that claims exabytes costs what the
// cap allows; the fuzzer's time and memory limits catch any loop or allocation the volume drives.
// Answers an empty text when all held, otherwise what went wrong.

#include "ntfs/NtfsDeletedRecords.h"
#include "ntfs/NtfsDevice.h"
#include "ntfs/NtfsVolume.h"
#include "platform/FileServices.h"
#include "platform/ntfs/NtfsFileServices.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzchecks {

// An image as an input: its size in 512-byte sectors (4 bytes, little-endian; at most 4 MiB), then
// pieces of it, each as offset (4 bytes), length (2 bytes) and the bytes; the rest of the image is
// zeros. So a seed keeps only the sectors of a volume that are not blank.
constexpr std::uint64_t kLargestFuzzImage = 4u << 20;

// Fills image with the image an input describes, reusing its memory.
inline void fillImage(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& image) {
    image.clear();
    if (size < 4) {
        return;
    }
    const std::uint64_t sectors =
        data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint64_t>(data[3]) << 24;
    image.assign(static_cast<std::size_t>(std::min(sectors * 512, kLargestFuzzImage)), 0);
    std::size_t at = 4;
    while (at + 6 <= size) {
        const std::uint64_t offset = data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                                     static_cast<std::uint64_t>(data[at + 3]) << 24;
        const std::size_t length = std::min<std::size_t>(data[at + 4] | data[at + 5] << 8, size - at - 6);
        at += 6;
        if (offset < image.size()) {
            std::copy_n(data + at, std::min<std::uint64_t>(length, image.size() - offset),
                        image.begin() + offset);
        }
        at += length;
    }
}

inline std::vector<std::uint8_t> imageOfInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image;
    fillImage(data, size, image);
    return image;
}

namespace detail {

// The buffer the reads of one stream go through, kept from one call to the next.
inline std::vector<std::uint8_t>& readBuffer() {
    static std::vector<std::uint8_t> buffer(64 * 1024);
    return buffer;
}

constexpr std::uint64_t kReadCap = 256 * 1024; // bytes read from the start of a stream and from its end

// Reads a file or stream path: its start, then (when larger) its end; false when it cannot be opened.
inline void readCapped(plat::TFileServices& fs, const std::wstring& path) {
    plat::HANDLE file = fs.CreateFileW(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                       plat::OPEN_EXISTING, 0, nullptr);
    if (file == plat::INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<std::uint8_t>& buffer = readBuffer();
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            plat::LONG high = -1;
            if (fs.SetFilePointer(file, -static_cast<plat::LONG>(kReadCap), &high, plat::FILE_END) ==
                    plat::INVALID_SET_FILE_POINTER &&
                fs.GetLastError() != plat::ERROR_SUCCESS) {
                break;
            }
        }
        std::uint64_t total = 0;
        plat::DWORD read = 0;
        while (total < kReadCap &&
               fs.ReadFile(file, buffer.data(), static_cast<plat::DWORD>(buffer.size()), &read, nullptr) &&
               read > 0) {
            total += read;
        }
    }
    fs.CloseHandle(file);
}

// The backup byte stream of a file with its security record, record by record: the header, the name,
// the data up to the cap, and a seek over the rest of the data.
inline void readBackup(plat::TFileServices& fs, const std::wstring& path) {
    plat::HANDLE file = fs.CreateFileW(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                       plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == plat::INVALID_HANDLE_VALUE) {
        return;
    }
    void* context = nullptr;
    std::vector<std::uint8_t>& buffer = readBuffer();
    auto readExactly = [&](std::size_t count) {
        plat::DWORD read = 0;
        return fs.BackupRead(file, buffer.data(), static_cast<plat::DWORD>(count), &read, plat::FALSE,
                             plat::TRUE, &context) &&
               read == count;
    };
    auto little = [&](std::size_t at, int bytes) {
        std::uint64_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            value = value << 8 | buffer[at + static_cast<std::size_t>(i)];
        }
        return value;
    };
    for (int records = 0; records < 4096 && readExactly(20); ++records) {
        const std::uint64_t dataSize = little(8, 8);
        const std::uint64_t nameSize = little(16, 4);
        if (nameSize > buffer.size() || (nameSize > 0 && !readExactly(static_cast<std::size_t>(nameSize)))) {
            break;
        }
        std::uint64_t done = 0;
        bool failed = false;
        while (done < std::min(dataSize, kReadCap) && !failed) {
            const auto piece =
                static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), dataSize - done));
            failed = !readExactly(piece);
            done += piece;
        }
        if (failed) {
            break;
        }
        if (done < dataSize) {
            const std::uint64_t rest = dataSize - done;
            plat::DWORD low = 0;
            plat::DWORD high = 0;
            if (!fs.BackupSeek(file, static_cast<plat::DWORD>(rest & 0xFFFFFFFFu),
                               static_cast<plat::DWORD>(rest >> 32), &low, &high, &context)) {
                break;
            }
        }
    }
    plat::DWORD read = 0;
    fs.BackupRead(file, nullptr, 0, &read, plat::TRUE, plat::FALSE, &context);
    fs.CloseHandle(file);
}

inline void walkFolder(plat::TFileServices& fs, const std::wstring& folder, int depth, int& files,
                       std::string& finding) {
    // The folder listed in one call (as a scan lists it) must be its directory search, name for name.
    std::vector<plat::TFolderEntry> listed;
    fs.listFolder((folder + L"*").c_str(), listed);
    std::vector<std::wstring> searched;
    plat::WIN32_FIND_DATAW data{};
    plat::HANDLE find = fs.FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == plat::INVALID_HANDLE_VALUE) {
        if (!listed.empty()) {
            finding = "a folder listed in one call has entries its directory search does not";
        }
        return;
    }
    std::vector<std::wstring> folders;
    do {
        const std::wstring name = data.cFileName;
        searched.push_back(name);
        if (name == L"." || name == L".." || ++files > 20000) {
            continue;
        }
        const std::wstring path = folder + name;
        if ((data.dwFileAttributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0) {
            folders.push_back(path + L"\\");
        } else {
            readCapped(fs, path);
        }
        plat::WIN32_FIND_STREAM_DATA stream{};
        plat::HANDLE streams = fs.FindFirstStreamW(path.c_str(), plat::FindStreamInfoStandard, &stream, 0);
        if (streams != plat::INVALID_HANDLE_VALUE) {
            do {
                const std::wstring streamName = stream.cStreamName;
                if (streamName != L"::$DATA") {
                    readCapped(fs, path + streamName);
                }
            } while (fs.FindNextStreamW(streams, &stream));
            fs.FindClose(streams);
        }
        readBackup(fs, path);
    } while (fs.FindNextFileW(find, &data));
    fs.FindClose(find);
    const bool same = std::equal(listed.begin(), listed.end(), searched.begin(), searched.end(),
                                 [](const plat::TFolderEntry& entry, const std::wstring& name) {
                                     return entry.name.substr(0, plat::MAX_PATH - 1) == name;
                                 });
    if (!same) {
        finding = "a folder listed in one call differs from its directory search";
    }
    if (depth < 64) {
        for (const std::wstring& child : folders) {
            walkFolder(fs, child, depth + 1, files, finding);
        }
    }
}

// The files whose records are no longer in use, as scan --deleted reads them: each stream's clusters
// asked of the bitmap, and its bytes read up to the cap.
inline void walkDeleted(const ntfs::TNtfsVolume& volume, int& files) {
    const ntfs::TNtfsClusterBitmap bitmap(volume);
    std::vector<std::uint8_t> buffer(64 * 1024);
    ntfs::forEachUnusedFile(volume, [&](ntfs::TNtfsFile&& file) {
        for (const ntfs::TNtfsData& data : file.streams) {
            bitmap.anyInUse(data.runs);
            std::uint64_t done = 0;
            std::int64_t read = 0;
            while (done < kReadCap &&
                   (read = volume.readData(data, done, buffer.data(), buffer.size())) > 0) {
                done += static_cast<std::uint64_t>(read);
            }
        }
        return ++files <= 40000;
    });
}

} // namespace detail

inline std::string checkNtfsVolume(const std::uint8_t* data, std::size_t size) {
    // One image for every input, so that an execution does not pay for fresh pages.
    static std::vector<std::uint8_t> image;
    fillImage(data, size, image);
    auto volume = ntfs::TNtfsVolume::open(ntfs::openMemoryView(image.data(), image.size()));
    if (!volume) {
        return {};
    }
    plat::ntfs::TNtfsFileServices services;
    const ntfs::TNtfsVolume& mounted = *volume;
    services.mount(L'N', std::move(volume));
    int files = 0;
    std::string finding;
    detail::walkFolder(services, L"N:\\", 0, files, finding);
    detail::walkDeleted(mounted, files);
    if (services.openHandles() != 0) {
        return "a handle, search or backup context was left open";
    }
    return finding;
}

} // namespace fuzzchecks
