// Which named streams a file carries: through the stream listing functions where the system has
// them, otherwise through the file's backup stream.

#include "stream/UntKorvaneLib.h"

#include "platform/FileServices.h"
#include "platform/OpenEntry.h"
#include "platform/Owned.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <array>
#include <vector>

using namespace plat;

namespace {

// The longest name a named stream can carry in the backup stream: ":", 255 units, ":$DATA".
constexpr DWORD kMaxStreamNameUnits = 1 + 255 + 6;
constexpr DWORD kNameBufferBytes = kMaxStreamNameUnits * 2;

DWORD readLe32(const BYTE* bytes) {
    return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
           (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
}

// A backup stream record's header as the platform lays it out (little-endian).
struct TStreamHeader {
    DWORD streamId = 0;
    DWORD attributes = 0;
    std::int64_t dataSize = 0;
    DWORD nameSize = 0;

    static TStreamHeader decode(const BYTE* bytes) {
        TStreamHeader header;
        header.streamId = readLe32(bytes);
        header.attributes = readLe32(bytes + 4);
        header.dataSize = makeInt64(readLe32(bytes + 12), readLe32(bytes + 8));
        header.nameSize = readLe32(bytes + 16);
        return header;
    }
};

std::wstring decodeUtf16Le(const BYTE* bytes, DWORD byteCount) {
    std::wstring text;
    text.reserve(byteCount / 2);
    for (DWORD i = 0; i + 1 < byteCount; i += 2) {
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}

// The backup-read context of one walk, released with a final aborting read before the file closes.
class TBackupContext {
public:
    explicit TBackupContext(HANDLE file) : FFile(file) {}
    TBackupContext(const TBackupContext&) = delete;
    TBackupContext& operator=(const TBackupContext&) = delete;
    ~TBackupContext() {
        if (FContext != nullptr) {
            BYTE unused = 0;
            DWORD read = 0;
            files().BackupRead(FFile, &unused, 0, &read, TRUE, FALSE, &FContext);
        }
    }

    // Reads until count bytes have come or the backup stream gives no more. Returns false when a
    // read fails; got tells how many bytes came.
    bool read(BYTE* buffer, DWORD count, DWORD& got) {
        got = 0;
        while (got < count) {
            DWORD read = 0;
            if (!files().BackupRead(FFile, buffer + got, count - got, &read, FALSE, TRUE, &FContext)) {
                return false;
            }
            if (read == 0) {
                break;
            }
            got += read;
        }
        return true;
    }

    // Reads count bytes in pieces the size of the buffer and drops them.
    bool discard(DWORD count, std::vector<BYTE>& buffer) {
        while (count > 0) {
            const DWORD piece = count < buffer.size() ? count : static_cast<DWORD>(buffer.size());
            DWORD got = 0;
            if (!read(buffer.data(), piece, got)) {
                return false;
            }
            if (got < piece) {
                return true; // the backup stream ended
            }
            count -= got;
        }
        return true;
    }

    // Skips the rest of the current record's data. True when the stream now stands at the next
    // header, that is when the platform moved over all dataSize bytes.
    bool skipData(std::int64_t dataSize) {
        DWORD low = 0;
        DWORD high = 0;
        // The largest forward seek: the platform stops at the end of the current record's data and
        // reports the move as failed, so only the distance moved tells.
        files().BackupSeek(FFile, 0xFFFFFFFF, 0xFFFFFFFF, &low, &high, &FContext);
        return makeInt64(high, low) == dataSize;
    }

private:
    HANDLE FFile;
    void* FContext = nullptr;
};

void enumerationWalk(const std::wstring& path, TADSList& list) {
    TFileServices& fs = files();
    WIN32_FIND_STREAM_DATA data{};
    fs.SetLastError(0);
    TFindHandle find(fs.FindFirstStreamW(exactPath(path).c_str(), FindStreamInfoStandard, &data, 0));
    if (!find) {
        return;
    }
    if (fs.GetLastError() == ERROR_HANDLE_EOF) {
        return;
    }
    auto add = [&] {
        constexpr std::size_t kUnits = sizeof(data.cStreamName) / sizeof(data.cStreamName[0]);
        const wchar_t* end = std::find(data.cStreamName, data.cStreamName + kUnits, L'\0');
        addADSItem(list, std::wstring(static_cast<const wchar_t*>(data.cStreamName), end), data.StreamSize);
    };
    add();
    while (true) {
        data = WIN32_FIND_STREAM_DATA{};
        if (!fs.FindNextStreamW(find.get(), &data)) {
            break;
        }
        add();
        if (fs.GetLastError() == ERROR_HANDLE_EOF) {
            break;
        }
    }
}

// keepEmpty: streams without data are records too, as the listing functions give them.
void backupReadWalk(const std::wstring& path, TADSList& list, bool keepEmpty) {
    TFileHandle file = openEntry(files(), path, GENERIC_READ, FILE_SHARE_READ, true);
    if (!file) {
        return;
    }
    TBackupContext backup(file.get());
    std::array<BYTE, kBackupHeaderSize> headerBuffer{};
    std::vector<BYTE> nameBuffer(kNameBufferBytes);

    while (true) {
        DWORD got = 0;
        if (!backup.read(headerBuffer.data(), kBackupHeaderSize, got) || got < kBackupHeaderSize) {
            return; // failed, exhausted, or ended inside a header
        }
        const TStreamHeader header = TStreamHeader::decode(headerBuffer.data());

        bool nameRead = false;
        if (header.nameSize > kNameBufferBytes) {
            // Longer than any stream name: read and dropped, never written past the buffer.
            if (!backup.discard(header.nameSize, nameBuffer)) {
                return;
            }
        } else if (header.nameSize != 0) {
            if (!backup.read(nameBuffer.data(), header.nameSize, got)) {
                return;
            }
            nameRead = got == header.nameSize;
        }

        if (nameRead && (header.dataSize > 0 || keepEmpty)) {
            // The name goes in with its leading colon, as the stream listing gives it: dropped
            // first, a name that begins with a control character or a space (\x05SummaryInformation)
            // would lose that character to the trimming and name another stream or none.
            addADSItem(list, decodeUtf16Le(nameBuffer.data(), header.nameSize), header.dataSize);
        }
        // Every record's data is skipped, also after a name that could not be read whole, so the
        // next read starts at a header and never takes stream contents for one.
        if (header.dataSize > 0 && !backup.skipData(header.dataSize)) {
            return;
        }
    }
}

} // namespace

void addADSItem(TADSList& list, const std::wstring& rawName, std::int64_t size) {
    std::size_t first = 0;
    std::size_t last = rawName.size();
    while (first < last && rawName[first] <= L' ') {
        ++first;
    }
    while (last > first && rawName[last - 1] <= L' ') {
        --last;
    }
    std::wstring name = rawName.substr(first, last - first);
    if (name == L"::$DATA") {
        return;
    }
    if (!name.empty() && name[0] == L':') {
        name.erase(0, 1);
    }
    const std::size_t colon = name.find(L':');
    name = colon == std::wstring::npos ? std::wstring() : name.substr(0, colon);
    list.push_back(TADSObject::create(std::move(name), size));
}

std::wstring streamPathOf(const std::wstring& fileName, const std::wstring& streamName) {
    std::wstring path = fileName + L":" + streamName;
    if (!streamName.empty() && (streamName.back() == L'.' || streamName.back() == L' ')) {
        path += L":$DATA";
    }
    return path;
}

bool isStreamPath(const std::wstring& path) {
    const std::size_t lastName = path.find_last_of(L'\\');
    return path.find(L':', lastName == std::wstring::npos ? 0 : lastName) != std::wstring::npos;
}

void enumFileADS(const std::wstring& path, TADSList& list, DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        attributes = files().GetFileAttributesW(exactPath(path).c_str());
    }
    // The listing functions would follow a link to its target: a link's own streams come from its
    // backup stream, empty ones included where the listing functions would list them.
    const bool listingFunctions = files().hasStreamFunctions();
    if (listingFunctions && !listingFollows(attributes)) {
        enumerationWalk(path, list);
    } else {
        backupReadWalk(path, list, listingFunctions);
    }
}
