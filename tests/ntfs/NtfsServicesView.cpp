#include "ntfs/NtfsServicesView.h"

namespace ntfstest {

namespace {

void walkFolder(plat::TFileServices& fs, const std::wstring& root, const std::wstring& relative,
                std::vector<TSeenFile>& seen) {
    const std::wstring folder = root + relative;
    std::vector<std::wstring> subfolders;
    plat::WIN32_FIND_DATAW data{};
    plat::HANDLE find = fs.FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == plat::INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        TSeenFile file;
        file.path = relative + name;
        file.folder = (data.dwFileAttributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0;
        file.size = static_cast<std::uint64_t>(plat::makeInt64(data.nFileSizeHigh, data.nFileSizeLow));
        file.attributes = data.dwFileAttributes;
        file.shortName = data.cAlternateFileName;
        const std::wstring full = root + file.path;
        if (!file.folder) {
            file.dataUnavailable = !readWhole(fs, full, file.data, file.readError);
        } else {
            subfolders.push_back(file.path + L"\\");
        }
        plat::WIN32_FIND_STREAM_DATA streamData{};
        plat::HANDLE streams =
            fs.FindFirstStreamW(full.c_str(), plat::FindStreamInfoStandard, &streamData, 0);
        if (streams != plat::INVALID_HANDLE_VALUE) {
            do {
                std::wstring raw = streamData.cStreamName;
                if (raw == L"::$DATA") {
                    continue;
                }
                TSeenStream stream;
                stream.name = raw.substr(1, raw.size() - 1 - std::wstring(L":$DATA").size());
                stream.size = static_cast<std::uint64_t>(streamData.StreamSize);
                stream.unavailable =
                    !readWhole(fs, full + L":" + stream.name, stream.bytes, stream.readError);
                file.streams.push_back(std::move(stream));
            } while (fs.FindNextStreamW(streams, &streamData));
            fs.FindClose(streams);
        }
        seen.push_back(std::move(file));
    } while (fs.FindNextFileW(find, &data));
    fs.FindClose(find);
    for (const std::wstring& subfolder : subfolders) {
        walkFolder(fs, root, subfolder, seen);
    }
}

} // namespace

std::vector<TSeenFile> walkServices(plat::TFileServices& services, wchar_t letter) {
    std::vector<TSeenFile> seen;
    walkFolder(services, std::wstring{letter, L':', L'\\'}, L"", seen);
    return seen;
}

bool readWhole(plat::TFileServices& fs, const std::wstring& path, std::string& bytes, plat::DWORD& error) {
    bytes.clear();
    error = 0;
    plat::HANDLE file = fs.CreateFileW(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                       plat::OPEN_EXISTING, 0, nullptr);
    if (file == plat::INVALID_HANDLE_VALUE) {
        error = fs.GetLastError();
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        plat::DWORD read = 0;
        if (!fs.ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
            error = fs.GetLastError();
            ok = false;
            break;
        }
        if (read == 0) {
            break;
        }
        bytes.append(buffer, read);
    }
    fs.CloseHandle(file);
    return ok;
}

bool recordOf(plat::TFileServices& fs, const std::wstring& path, std::uint64_t& record) {
    plat::HANDLE file = fs.CreateFileW(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                       plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == plat::INVALID_HANDLE_VALUE) {
        return false;
    }
    plat::BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = fs.GetFileInformationByHandle(file, &info) != plat::FALSE;
    fs.CloseHandle(file);
    record = (static_cast<std::uint64_t>(info.nFileIndexHigh & 0xFFFF) << 32) | info.nFileIndexLow;
    return ok;
}

} // namespace ntfstest
