// The conformance target of the Windows test executable: the real file functions over a fresh folder
// in the Windows temporary folder, one per case, removed afterwards.

#include "conformance/ConformanceTarget.h"
#include "platform/WinPath.h"
#include "platform/win32/Win32FileServices.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace conformance {
namespace {

using plat::DWORD;

constexpr DWORD kFileWriteAttributes = 0x100; // FILE_WRITE_ATTRIBUTES
constexpr DWORD kNamedStreamsFlag = 0x40000;  // FILE_NAMED_STREAMS in the volume's flags

plat::TWin32FileServices& win32() {
    auto* services = dynamic_cast<plat::TWin32FileServices*>(&plat::files());
    if (services == nullptr) {
        throw std::logic_error("the test executable's start-up installs the Windows file services");
    }
    return *services;
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return out;
}

[[noreturn]] void fail(const char* what, const std::wstring& path, DWORD error) {
    throw std::runtime_error(std::string(what) + " " + narrow(path) + " failed with error " +
                             std::to_string(error));
}

void writeFile(plat::TWin32FileServices& fs, const std::wstring& path, const std::string& data) {
    plat::HANDLE file =
        fs.CreateFileW(path.c_str(), plat::GENERIC_WRITE, 0, nullptr, plat::CREATE_ALWAYS, 0, nullptr);
    if (file == plat::INVALID_HANDLE_VALUE) {
        fail("creating", path, fs.GetLastError());
    }
    DWORD written = 0;
    const bool ok = fs.WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                    written == data.size();
    const DWORD error = fs.GetLastError();
    fs.CloseHandle(file);
    if (!ok) {
        fail("writing", path, error);
    }
}

void setFileTimes(plat::TWin32FileServices& fs, const std::wstring& path, const plat::FILETIME& creation,
                  const plat::FILETIME& lastWrite) {
    plat::HANDLE file =
        fs.CreateFileW(path.c_str(), kFileWriteAttributes,
                       plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE | plat::FILE_SHARE_DELETE, nullptr,
                       plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == plat::INVALID_HANDLE_VALUE) {
        fail("opening", path, fs.GetLastError());
    }
    const bool ok = fs.SetFileTime(file, &creation, nullptr, &lastWrite);
    const DWORD error = fs.GetLastError();
    fs.CloseHandle(file);
    if (!ok) {
        fail("setting the times of", path, error);
    }
}

// A new empty folder in the temporary folder. Other test processes may share the temporary folder,
// so a name already taken is simply skipped.
std::wstring makeFreshFolder(plat::TWin32FileServices& fs) {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[plat::MAX_PATH + 1] = {};
    const DWORD length = fs.GetTempPathW(plat::MAX_PATH + 1, temp);
    if (length == 0 || length > plat::MAX_PATH) {
        fail("finding", L"the temporary folder", fs.GetLastError());
    }
    std::wstring base(temp, length);
    while (!base.empty() && base.back() == L'\\') {
        base.pop_back();
    }
    for (int attempt = 0; attempt < 10000; ++attempt) {
        std::wstring folder = base + L"\\kwconf-" + std::to_wstring(counter++);
        if (fs.CreateDirectoryW(folder.c_str(), nullptr)) {
            return folder;
        }
        if (fs.GetLastError() != plat::ERROR_ALREADY_EXISTS) {
            fail("creating", folder, fs.GetLastError());
        }
    }
    fail("finding a free folder name in", base, plat::ERROR_ALREADY_EXISTS);
}

// Removes a folder with everything in it, read-only and hidden entries and names a plain path
// cannot reach ("report.") included; best effort.
void removeTree(plat::TWin32FileServices& fs, const std::wstring& folder) {
    std::vector<std::wstring> files;
    std::vector<std::wstring> folders;
    plat::WIN32_FIND_DATAW data{};
    plat::HANDLE find = fs.FindFirstFileW(plat::exactPath(folder + L"\\*").c_str(), &data);
    if (find != plat::INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const bool isFolder = (data.dwFileAttributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                                  (data.dwFileAttributes & plat::FILE_ATTRIBUTE_REPARSE_POINT) == 0;
            (isFolder ? folders : files).push_back(folder + L"\\" + name);
        } while (fs.FindNextFileW(find, &data));
        fs.FindClose(find);
    }
    for (const std::wstring& file : files) {
        fs.SetFileAttributesW(plat::exactPath(file).c_str(), plat::FILE_ATTRIBUTE_NORMAL);
        fs.DeleteFileW(plat::exactPath(file).c_str());
    }
    for (const std::wstring& sub : folders) {
        removeTree(fs, sub);
    }
    fs.SetFileAttributesW(plat::exactPath(folder).c_str(), plat::FILE_ATTRIBUTE_DIRECTORY);
    fs.RemoveDirectoryW(plat::exactPath(folder).c_str());
}

// What the temporary folder's volume can do, found once by trying it on a scratch file.
struct TAbilities {
    bool streams = false;
    std::string noStreamsReason;
    bool creationTimes = false;
    std::string noCreationTimesReason;
};

TAbilities probeAbilities(plat::TWin32FileServices& fs) {
    TAbilities found;
    const bool wine = plat::TWin32FileServices::runningOnWine();
    const std::wstring folder = makeFreshFolder(fs);
    const std::wstring file = folder + L"\\probe.txt";
    try {
        writeFile(fs, file, "probe");

        // Named streams: the volume must say it has them, and listing a plain file must give its
        // main stream (Wine answers ERROR_HANDLE_EOF and lists nothing).
        wchar_t fileSystem[plat::MAX_PATH + 1] = {};
        DWORD flags = 0;
        const std::wstring root = folder.substr(0, 3);
        fs.GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, fileSystem,
                                 plat::MAX_PATH + 1);
        std::string details = "file system " + narrow(fileSystem) + " of " + narrow(root);
        details += (flags & kNamedStreamsFlag) != 0 ? " reports named streams" : " reports no named streams";
        bool listed = false;
        if (!fs.hasStreamFunctions()) {
            details += "; FindFirstStreamW is missing";
        } else {
            plat::WIN32_FIND_STREAM_DATA data{};
            fs.SetLastError(plat::ERROR_SUCCESS);
            plat::HANDLE find = fs.FindFirstStreamW(file.c_str(), plat::FindStreamInfoStandard, &data, 0);
            if (find != plat::INVALID_HANDLE_VALUE) {
                listed = std::wstring(data.cStreamName) == L"::$DATA";
                fs.FindClose(find);
            } else {
                details += "; FindFirstStreamW on a plain file fails with error " +
                           std::to_string(fs.GetLastError());
            }
        }
        found.streams = (flags & kNamedStreamsFlag) != 0 && listed;
        found.noStreamsReason = std::string(wine ? "Wine has no alternate data streams"
                                                 : "the temporary folder's volume has no named streams") +
                                " (" + details + ")";

        // Creation times: set one that differs from the last-write time and read it back.
        const plat::FILETIME creation = {0x15ef9720, 0x01d710b4};
        const plat::FILETIME lastWrite = {0xe533a5d0, 0x01ca6bcf};
        setFileTimes(fs, file, creation, lastWrite);
        plat::HANDLE h = fs.CreateFileW(file.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                        plat::OPEN_EXISTING, 0, nullptr);
        plat::BY_HANDLE_FILE_INFORMATION info{};
        if (h != plat::INVALID_HANDLE_VALUE) {
            if (fs.GetFileInformationByHandle(h, &info)) {
                found.creationTimes = info.ftCreationTime.dwLowDateTime == creation.dwLowDateTime &&
                                      info.ftCreationTime.dwHighDateTime == creation.dwHighDateTime;
            }
            fs.CloseHandle(h);
        }
        found.noCreationTimesReason =
            std::string(wine ? "Wine keeps no creation times here"
                             : "the temporary folder's volume keeps no creation times") +
            " (a creation time set with SetFileTime does not read back)";
    } catch (...) {
        removeTree(fs, folder);
        throw;
    }
    removeTree(fs, folder);
    return found;
}

const TAbilities& abilities(plat::TWin32FileServices& fs) {
    static const TAbilities found = probeAbilities(fs);
    return found;
}

class TWin32Target final : public TConformanceTarget {
public:
    TWin32Target() : FFiles(win32()), FRoot(makeFreshFolder(FFiles)) {}
    ~TWin32Target() override { removeTree(FFiles, FRoot); }

    plat::TFileServices& services() override { return FFiles; }
    std::wstring root() override { return FRoot; }

    void makeFolder(const std::wstring& path) override {
        if (!FFiles.CreateDirectoryW(path.c_str(), nullptr)) {
            fail("creating the folder", path, FFiles.GetLastError());
        }
    }
    void makeFile(const std::wstring& path, const std::string& data) override {
        writeFile(FFiles, path, data);
    }
    void makeStream(const std::wstring& filePath, const std::wstring& name,
                    const std::string& data) override {
        writeFile(FFiles, filePath + L":" + name, data);
    }
    void setAttributes(const std::wstring& path, DWORD attributes) override {
        if (!FFiles.SetFileAttributesW(path.c_str(), attributes)) {
            fail("setting the attributes of", path, FFiles.GetLastError());
        }
    }
    void setTimes(const std::wstring& path, const plat::FILETIME& creation,
                  const plat::FILETIME& lastWrite) override {
        setFileTimes(FFiles, path, creation, lastWrite);
    }

    std::string makeFileLink(const std::wstring& path, const std::wstring& target) override {
        if (!FFiles.CreateSymbolicLinkW(path.c_str(), target.c_str())) {
            return "CreateSymbolicLinkW failed with error " + std::to_string(FFiles.GetLastError()) +
                   " (a symbolic link needs the privilege to make one, or developer mode)";
        }
        const DWORD attributes = FFiles.GetFileAttributesW(path.c_str());
        if (attributes == plat::INVALID_FILE_ATTRIBUTES ||
            (attributes & plat::FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            return plat::TWin32FileServices::runningOnWine()
                       ? "Wine makes no symbolic links (CreateSymbolicLinkW answers success and makes none)"
                       : "CreateSymbolicLinkW made no reparse point";
        }
        return {};
    }
    bool streamsSupported() override { return abilities(FFiles).streams; }
    std::string noStreamsReason() override { return abilities(FFiles).noStreamsReason; }
    bool creationTimesKept() override { return abilities(FFiles).creationTimes; }
    std::string noCreationTimesReason() override { return abilities(FFiles).noCreationTimesReason; }

    std::shared_ptr<void> holdWithoutReadSharing(const std::wstring& path) override {
        plat::HANDLE held =
            FFiles.CreateFileW(path.c_str(), plat::GENERIC_READ, 0, nullptr, plat::OPEN_EXISTING, 0, nullptr);
        if (held == plat::INVALID_HANDLE_VALUE) {
            fail("holding", path, FFiles.GetLastError());
        }
        plat::TWin32FileServices* files = &FFiles;
        return std::shared_ptr<void>(held, [files](void* handle) { files->CloseHandle(handle); });
    }

private:
    plat::TWin32FileServices& FFiles;
    const std::wstring FRoot;
};

} // namespace

std::unique_ptr<TConformanceTarget> makeConformanceTarget() {
    return std::make_unique<TWin32Target>();
}

} // namespace conformance
