#include "report/StreamFacts.h"

#include "platform/FileServices.h"
#include "platform/Owned.h"
#include "platform/Sha256.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <vector>

namespace report {

namespace {

// A download mark is a few hundred bytes; one larger than this is not decoded (reported unreadable).
constexpr std::size_t kMaxMarkBytes = 64 * 1024;
constexpr plat::DWORD kReadPiece = 1 << 20;

std::uint64_t ticksOf(const plat::FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// What the services' own records say of the stream; where they keep none (a live walk), what the
// file's handle gives: three of the standard information's times, the link count and the index.
plat::TStreamRecord recordOf(const std::wstring& fileName, const std::wstring& streamPath) {
    plat::TFileServices& fs = plat::files();
    plat::TStreamRecord record;
    if (fs.streamRecord(plat::exactPath(streamPath).c_str(), record)) {
        return record;
    }
    record = plat::TStreamRecord{};
    plat::TFileHandle file(
        fs.CreateFileW(plat::exactPath(fileName).c_str(), 0,
                       plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE | plat::FILE_SHARE_DELETE, nullptr,
                       plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    plat::BY_HANDLE_FILE_INFORMATION info{};
    if (!file || fs.GetFileInformationByHandle(file.get(), &info) == plat::FALSE) {
        return record;
    }
    record.siCreated = ticksOf(info.ftCreationTime);
    record.siModified = ticksOf(info.ftLastWriteTime);
    record.siAccessed = ticksOf(info.ftLastAccessTime);
    record.hardLinkCount = info.nNumberOfLinks;
    record.fileId =
        plat::fileIdText(info.dwVolumeSerialNumber,
                         (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
    return record;
}

} // namespace

std::string errorText(unsigned long code) {
    switch (code) {
    case plat::ERROR_FILE_NOT_FOUND:
        return "file not found";
    case plat::ERROR_PATH_NOT_FOUND:
        return "path not found";
    case plat::ERROR_ACCESS_DENIED:
        return "access denied";
    case plat::ERROR_SHARING_VIOLATION:
        return "in use by another program";
    case plat::ERROR_NOT_SUPPORTED:
        return "stored in a form that cannot be read (encrypted or compressed)";
    case plat::ERROR_FILE_CORRUPT:
        return "damaged on the volume";
    case plat::ERROR_NOT_READY:
        return "device not ready";
    case plat::ERROR_INVALID_NAME:
        return "not a name Windows accepts [123]";
    case plat::ERROR_FILE_EXISTS:
    case plat::ERROR_ALREADY_EXISTS:
        return "a file of that name already exists";
    case plat::ERROR_DISK_FULL:
    case plat::ERROR_HANDLE_DISK_FULL:
        return "the disk is full";
    case plat::ERROR_NOT_ENOUGH_MEMORY:
        return "not enough memory";
    case plat::ERROR_DIRECTORY:
        return "not a folder";
    case plat::ERROR_DEVICE_REMOVED:
        return "the device was removed";
    case plat::ERROR_UNRECOGNIZED_VOLUME:
        return "not a volume Windows recognises";
    default:
        // Words for the rest would be guesses: the code is given as Windows gives it.
        return "the system refused it [Windows error " + std::to_string(code) + "]";
    }
}

TStreamFinding gatherFinding(const std::wstring& source, const std::wstring& fileName, const TADSObject& ads,
                             const TFactsWanted& wanted, std::string& error) {
    error.clear();
    TStreamFinding f;
    f.source = source;
    f.filePath = fileName;
    f.streamName = ads.adsName();
    f.fullPath = streamPathOf(fileName, ads.adsName());
    f.size = ads.adsSize();
    TDateTime created;
    TDateTime modified;
    // A folder carries streams too; its times are read as a folder's.
    if (getFileTimes(fileName, created, modified) || getFolderTimes(fileName, created, modified)) {
        f.created = created;
        f.modified = modified;
    }
    plat::TFileServices& fs = plat::files();
    const plat::DWORD attributes = fs.GetFileAttributesW(plat::exactPath(fileName).c_str());
    if (attributes != plat::INVALID_FILE_ATTRIBUTES) {
        f.attributes = attributes;
    }
    f.record = recordOf(fileName, f.fullPath);
    if (wanted.previewLen > 0) {
        f.preview = getContentPreview(f.fullPath, wanted.previewLen);
    }
    const bool isMark = isZoneIdentifierName(f.streamName);
    if (!wanted.hash && !isMark) {
        return f;
    }

    // One read of the stream gives the hash and the mark's bytes.
    plat::TFileHandle file(fs.CreateFileW(plat::exactPath(f.fullPath).c_str(), plat::GENERIC_READ,
                                          plat::FILE_SHARE_READ, nullptr, plat::OPEN_EXISTING, 0, nullptr));
    if (!file) {
        error = errorText(fs.GetLastError());
        return f;
    }
    plat::TSha256 sha;
    std::string markBytes;
    // Most streams are small: the buffer is sized to the stream (the loop reads on to the real end).
    const auto piece = static_cast<plat::DWORD>(std::clamp<std::int64_t>(f.size, 4096, kReadPiece));
    std::vector<std::uint8_t> buffer(piece);
    for (;;) {
        plat::DWORD read = 0;
        if (fs.ReadFile(file.get(), buffer.data(), piece, &read, nullptr) == plat::FALSE) {
            error = errorText(fs.GetLastError());
            return f;
        }
        if (read == 0) {
            break;
        }
        if (wanted.hash) {
            sha.update(buffer.data(), read);
        }
        if (isMark && markBytes.size() <= kMaxMarkBytes) {
            markBytes.append(reinterpret_cast<const char*>(buffer.data()), read);
        }
        if (!wanted.hash && markBytes.size() > kMaxMarkBytes) {
            break;
        }
    }
    if (isMark) {
        if (markBytes.size() > kMaxMarkBytes) {
            f.mark = TZoneMark{};
            f.mark->reason = "too large for a download mark";
        } else {
            f.mark = decodeZoneIdentifier(markBytes);
        }
    }
    plat::TSha256::TDigest digest{};
    if (wanted.hash && sha.final(digest)) {
        f.sha256 = plat::TSha256::hex(digest);
    }
    return f;
}

} // namespace report
