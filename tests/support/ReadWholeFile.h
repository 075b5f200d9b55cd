#pragma once
// The whole content of a file or stream read through the given file services, or "(missing)" when it
// cannot be opened: lets a test compare saved copies with what they were made from.

#include "platform/FileServices.h"

#include <string>

namespace testsupport {

inline std::string readWholeFile(plat::TFileServices& fs, const std::wstring& path) {
    plat::HANDLE file = fs.CreateFileW(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                       plat::OPEN_EXISTING, 0, nullptr);
    if (file == plat::INVALID_HANDLE_VALUE) {
        return "(missing)";
    }
    std::string data;
    char buffer[4096];
    plat::DWORD read = 0;
    while (fs.ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        data.append(buffer, read);
    }
    fs.CloseHandle(file);
    return data;
}

} // namespace testsupport
