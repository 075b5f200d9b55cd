#pragma once
// What the reader's file services show of a volume, gathered through the services calls alone: every
// file and folder below the root, its streams, and their bytes.

#include "platform/FileServices.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ntfstest {

struct TSeenStream {
    std::wstring name;
    std::uint64_t size = 0;
    std::string bytes;
    bool unavailable = false; // reading failed
    plat::DWORD readError = 0;
};

struct TSeenFile {
    std::wstring path; // below the root, with '\'
    bool folder = false;
    std::uint64_t size = 0;
    plat::DWORD attributes = 0;
    std::wstring shortName;
    std::string data;
    bool dataUnavailable = false;
    plat::DWORD readError = 0;
    std::vector<TSeenStream> streams; // named streams in the listing's order
};

// Walks the drive's whole tree with FindFirstFileW, lists streams with FindFirstStreamW and reads
// every main data and stream with CreateFileW and ReadFile.
std::vector<TSeenFile> walkServices(plat::TFileServices& services, wchar_t letter);

// Reads a whole file or stream path; false with the error when opening or reading fails.
bool readWhole(plat::TFileServices& services, const std::wstring& path, std::string& bytes,
               plat::DWORD& error);

// The MFT record of a path, from the file index GetFileInformationByHandle gives.
bool recordOf(plat::TFileServices& services, const std::wstring& path, std::uint64_t& record);

} // namespace ntfstest
