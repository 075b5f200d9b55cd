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

// The file's NTFS file reference, as the file index of its handle gives it (on NTFS the record number
// in the low 48 bits, the sequence number in the high 16); nothing when it cannot be opened or its
// file system gives no index.
std::optional<TMftReference> mftReferenceOf(const std::wstring& fileName) {
    plat::TFileServices& fs = plat::files();
    plat::TFileHandle file(
        fs.CreateFileW(plat::exactPath(fileName).c_str(), 0,
                       plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE | plat::FILE_SHARE_DELETE, nullptr,
                       plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    plat::BY_HANDLE_FILE_INFORMATION info{};
    if (!file || fs.GetFileInformationByHandle(file.get(), &info) == plat::FALSE) {
        return std::nullopt;
    }
    const std::uint64_t index = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    if (index == 0) {
        return std::nullopt;
    }
    return TMftReference{index & 0xFFFFFFFFFFFFull, static_cast<std::uint16_t>(index >> 48)};
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
    default:
        return "error " + std::to_string(code);
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
    f.mft = mftReferenceOf(fileName);
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
    const bool isMark = isZoneIdentifierName(f.streamName);
    const auto classify = [&](bool readable, std::string_view head) {
        f.streamClass = classifyStream({.name = f.streamName,
                                        .size = f.size,
                                        .onFolder = (attributes != plat::INVALID_FILE_ATTRIBUTES &&
                                                     (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0),
                                        .readable = readable,
                                        .head = head});
    };

    // One read of the stream gives the preview, the mark, the class and the hash.
    plat::TRedirectionOff redirectionOff; // the scan walks with redirection off: the same file is read
    plat::TFileHandle file = plat::openEntry(fs, f.fullPath, plat::GENERIC_READ, plat::FILE_SHARE_READ);
    // Only the hash and the mark count a stream that cannot be read as an error, as they always did;
    // the class says so either way.
    const auto unreadable = [&] {
        if (wanted.hash || isMark) {
            error = errorText(fs.GetLastError());
        }
        f.preview.clear();
        classify(false, {});
    };
    if (!file) {
        unreadable();
        return f;
    }
    plat::TSha256 sha;
    std::string head; // the first kClassifyBytes (a mark larger than that is not decoded)
    // Most streams are small: the buffer is sized to the stream (the loop reads on to the real end).
    const auto piece = static_cast<plat::DWORD>(std::clamp<std::int64_t>(f.size, 4096, kReadPiece));
    std::vector<std::uint8_t> buffer(piece);
    bool pastHead = false;
    for (;;) {
        plat::DWORD read = 0;
        if (fs.ReadFile(file.get(), buffer.data(), piece, &read, nullptr) == plat::FALSE) {
            unreadable();
            return f;
        }
        if (read == 0) {
            break;
        }
        if (wanted.hash) {
            sha.update(buffer.data(), read);
        }
        const std::size_t keep = std::min<std::size_t>(read, kClassifyBytes - head.size());
        head.append(reinterpret_cast<const char*>(buffer.data()), keep);
        pastHead = pastHead || keep < read;
        if (!wanted.hash && head.size() == kClassifyBytes) {
            // Whether anything follows decides whether a mark is too large.
            pastHead = pastHead || fs.ReadFile(file.get(), buffer.data(), 1, &read, nullptr) == plat::FALSE ||
                       read > 0;
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
    return f;
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
