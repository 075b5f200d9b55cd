#include "report/StreamFacts.h"

#include "platform/FileServices.h"
#include "platform/OpenEntry.h"
#include "platform/Owned.h"
#include "platform/ScopedModes.h"
#include "platform/Sha256.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <vector>

namespace report {

namespace {

constexpr plat::DWORD kReadPiece = 1 << 20;

std::uint64_t ticksOf(const plat::FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// What the handle of the file (or folder, or link as itself) tells of it; false when it cannot be
// opened.
bool handleInformationOf(const std::wstring& fileName, plat::BY_HANDLE_FILE_INFORMATION& info) {
    plat::TFileServices& fs = plat::files();
    const plat::TFileHandle file = plat::openEntry(
        fs, fileName, 0, plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE | plat::FILE_SHARE_DELETE, true);
    return file && fs.GetFileInformationByHandle(file.get(), &info) != plat::FALSE;
}

// The file's NTFS file reference, as its file index gives it (on NTFS the record number in the low
// 48 bits, the sequence number in the high 16); nothing when its file system gives no index.
std::optional<TMftReference> mftReferenceOf(const plat::BY_HANDLE_FILE_INFORMATION& info) {
    const std::uint64_t index = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    if (index == 0) {
        return std::nullopt;
    }
    return TMftReference{index & 0xFFFFFFFFFFFFull, static_cast<std::uint16_t>(index >> 48)};
}

// What the services' own records say of the stream; where they keep none (a live walk), what the
// file's handle gives (info, when it could be read): three of the standard information's times, the
// link count and the index.
plat::TStreamRecord recordOf(const std::wstring& streamPath, const plat::BY_HANDLE_FILE_INFORMATION* info) {
    plat::TStreamRecord record;
    if (plat::files().streamRecord(plat::exactPath(streamPath).c_str(), record)) {
        return record;
    }
    record = plat::TStreamRecord{};
    if (info == nullptr) {
        return record;
    }
    record.siCreated = ticksOf(info->ftCreationTime);
    record.siModified = ticksOf(info->ftLastWriteTime);
    record.siAccessed = ticksOf(info->ftLastAccessTime);
    record.hardLinkCount = info->nNumberOfLinks;
    record.fileId =
        plat::fileIdText(info->dwVolumeSerialNumber,
                         (static_cast<std::uint64_t>(info->nFileIndexHigh) << 32) | info->nFileIndexLow);
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
    plat::BY_HANDLE_FILE_INFORMATION info{};
    const bool infoRead = handleInformationOf(fileName, info);
    if (infoRead) {
        f.mft = mftReferenceOf(info);
    }
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
    f.record = recordOf(f.fullPath, infoRead ? &info : nullptr);
    const bool onFolder =
        attributes != plat::INVALID_FILE_ATTRIBUTES && (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0;
    // One read of the stream gives the preview, the mark, the class and the hash.
    plat::TRedirectionOff redirectionOff; // the scan walks with redirection off: the same file is read
    plat::TFileHandle file = plat::openEntry(fs, f.fullPath, plat::GENERIC_READ, plat::FILE_SHARE_READ);
    const plat::DWORD openError = file ? plat::ERROR_SUCCESS : fs.GetLastError();
    readFacts(
        f, onFolder, wanted,
        [&](std::uint8_t* buffer, std::size_t count, std::string& why) -> std::int64_t {
            plat::DWORD read = 0;
            if (!file) {
                why = errorText(openError);
                return -1;
            }
            if (fs.ReadFile(file.get(), buffer, static_cast<plat::DWORD>(count), &read, nullptr) ==
                plat::FALSE) {
                why = errorText(fs.GetLastError());
                return -1;
            }
            return read;
        },
        error);
    return f;
}

void readFacts(TStreamFinding& f, bool onFolder, const TFactsWanted& wanted, const TStreamReader& read,
               std::string& error) {
    const bool isMark = isZoneIdentifierName(f.streamName);
    const auto classify = [&](bool readable, std::string_view head) {
        f.streamClass = classifyStream(
            {.name = f.streamName, .size = f.size, .onFolder = onFolder, .readable = readable, .head = head});
    };
    // Only the hash and the mark count a stream that cannot be read as an error, as they always did;
    // the class says so either way.
    const auto unreadable = [&](const std::string& why) {
        if (wanted.hash || isMark) {
            error = why;
        }
        f.preview.clear();
        classify(false, {});
    };
    plat::TSha256 sha;
    std::string head; // the first kClassifyBytes (a mark larger than that is not decoded)
    // Most streams are small: the buffer is sized to the stream (the loop reads on to the real end).
    const auto piece = static_cast<std::size_t>(std::clamp<std::int64_t>(f.size, 4096, kReadPiece));
    std::vector<std::uint8_t> buffer(piece);
    bool pastHead = false;
    std::string why;
    for (;;) {
        const std::int64_t got = read(buffer.data(), piece, why);
        if (got < 0) {
            unreadable(why);
            return;
        }
        if (got == 0) {
            break;
        }
        const auto count = static_cast<std::size_t>(got);
        if (wanted.hash) {
            sha.update(buffer.data(), count);
        }
        const std::size_t keep = std::min<std::size_t>(count, kClassifyBytes - head.size());
        head.append(reinterpret_cast<const char*>(buffer.data()), keep);
        pastHead = pastHead || keep < count;
        if (!wanted.hash && head.size() == kClassifyBytes) {
            // Whether anything follows decides whether a mark is too large.
            pastHead = pastHead || read(buffer.data(), 1, why) != 0;
            break;
        }
    }
    if (isMark) {
        if (pastHead) { // a mark is a few hundred bytes: one larger than what was read is not decoded
            f.mark = TZoneMark{};
            f.mark->reason = "too large for a download mark";
        } else {
            f.mark = decodeZoneIdentifier(head);
        }
    }
    if (wanted.previewLen > 0) {
        f.preview = previewOfBytes(head, wanted.previewLen);
    }
    classify(true, head);
    plat::TSha256::TDigest digest{};
    if (wanted.hash && sha.final(digest)) {
        f.sha256 = plat::TSha256::hex(digest);
    }
}

std::optional<std::string> readStreamHead(const std::wstring& streamPath) {
    plat::TRedirectionOff redirectionOff;
    plat::TFileServices& fs = plat::files();
    plat::TFileHandle file(fs.CreateFileW(plat::exactPath(streamPath).c_str(), plat::GENERIC_READ,
                                          plat::FILE_SHARE_READ, nullptr, plat::OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string head(kClassifyBytes, '\0');
    std::size_t filled = 0;
    while (filled < head.size()) {
        plat::DWORD read = 0;
        if (fs.ReadFile(file.get(), head.data() + filled, static_cast<plat::DWORD>(head.size() - filled),
                        &read, nullptr) == plat::FALSE) {
            return std::nullopt;
        }
        if (read == 0) {
            break;
        }
        filled += std::min<std::size_t>(read, head.size() - filled);
    }
    head.resize(filled);
    return head;
}

} // namespace report
