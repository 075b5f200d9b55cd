// Saving a stream as a plain file, and the results-tree utilities of the stream commands.

#include "streamops/UntKorvaneLibStreamOps.h"

#include "platform/FileServices.h"
#include "platform/OpenEntry.h"
#include "platform/Owned.h"
#include "platform/ShownName.h"
#include "platform/WinPath.h"
#include "stream/UntKorvaneLib.h"
#include "system/UntKorvaneLib.h"
#include "toolkit/TreeList.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

using namespace plat;

namespace {

bool isForbiddenInFileName(wchar_t c) {
    return static_cast<std::uint32_t>(c) < 32 || std::wcschr(L"\\/:*?\"<>|", c) != nullptr;
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = files().GetFileAttributesW(exactPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether the stream to be saved is there: a folder's stream shows the folder bit (isStreamPath).
bool isStreamSource(const std::wstring& path) {
    const DWORD attributes = files().GetFileAttributesW(exactPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (isStreamPath(path) || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0);
}

// The longest name a file can have in a folder.
constexpr std::size_t kMaxNameLength = 255;

// The wanted path split as makeUniqueFileName splits it: the extension starts at the last "."
// after the last "\" and ":".
struct TNameParts {
    std::wstring rest;
    std::wstring extension;
};

TNameParts splitName(const std::wstring& wanted) {
    const std::size_t dot = wanted.find_last_of(L".\\:");
    const std::size_t split = dot != std::wstring::npos && wanted[dot] == L'.' ? dot : wanted.size();
    return {wanted.substr(0, split), wanted.substr(split)};
}

std::size_t nameLength(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path.size() : path.size() - slash - 1;
}

// The nth numbered name for wanted, as makeUniqueFileName numbers them ("Zone(3).Identifier"); when
// the number would make the name longer than a file name can be, the part before the number is
// shortened to make room.
std::wstring numberedName(const std::wstring& wanted, std::uint64_t n) {
    TNameParts parts = splitName(wanted);
    const std::wstring number = L"(" + std::to_wstring(n) + L")";
    std::wstring name = parts.rest + number + parts.extension;
    const std::size_t length = nameLength(name);
    const std::size_t stem = nameLength(parts.rest);
    if (length > kMaxNameLength && stem > length - kMaxNameLength) {
        parts.rest.resize(parts.rest.size() - (length - kMaxNameLength));
        name = parts.rest + number + parts.extension;
    }
    return name;
}

// The number of a name numberedName gave for wanted; 0 for wanted itself or any other name.
std::uint64_t numberOf(const std::wstring& wanted, const std::wstring& path) {
    const TNameParts parts = splitName(wanted);
    if (path.size() <= parts.extension.size() ||
        path.compare(path.size() - parts.extension.size(), parts.extension.size(), parts.extension) != 0) {
        return 0;
    }
    const std::wstring numbered = path.substr(0, path.size() - parts.extension.size());
    const std::size_t open = numbered.find_last_of(L'(');
    if (open == std::wstring::npos || numbered.back() != L')' || open + 2 >= numbered.size() ||
        parts.rest.compare(0, open, numbered, 0, open) != 0) {
        return 0;
    }
    std::uint64_t n = 0;
    for (std::size_t i = open + 1; i + 1 < numbered.size(); ++i) {
        if (numbered[i] < L'0' || numbered[i] > L'9') {
            return 0;
        }
        n = n * 10 + static_cast<std::uint64_t>(numbered[i] - L'0');
    }
    return n;
}

// Creates the destination as a new file: at the wanted path, or at the next free numbered name
// when a file of that name exists or appears between the look-up and the creation.
TFileHandle createNewFile(const std::wstring& wanted, TSavedNames* names, std::wstring& created) {
    TFileServices& fs = files();
    TSavedNames single;
    TSavedNames& taken = names != nullptr ? *names : single;
    std::wstring previous;
    // A name taken between the look-up and the creation is rare; a few retries are plenty.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring candidate = taken.candidate(wanted);
        if (candidate == previous) {
            break; // taken by something that is not a file (a folder): no free name this way
        }
        TFileHandle file(fs.CreateFileW(exactPath(candidate).c_str(), GENERIC_WRITE, FILE_SHARE_WRITE,
                                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            taken.taken(wanted, candidate);
            created = candidate;
            return file;
        }
        const DWORD error = fs.GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return {};
        }
        taken.taken(wanted, candidate);
        previous = candidate;
    }
    return {};
}

// Copies from source to destination in blocks until the source ends or, after a block, a stop is
// asked for; false when a read or a write fails or writes short. Whether the copy holds the whole
// stream is for the sizes to tell: a stop after the last block leaves a complete copy. The block
// buffer is cleared after every block.
bool copyBlocks(HANDLE source, HANDLE destination, const std::function<bool()>& stopRequested,
                std::int64_t& copied) {
    TFileServices& fs = files();
    std::array<BYTE, kStreamCopyBlockSize> buffer{};
    for (;;) {
        DWORD read = 0;
        if (fs.ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) == FALSE) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        DWORD written = 0;
        const BOOL wrote = fs.WriteFile(destination, buffer.data(), read, &written, nullptr);
        buffer.fill(0);
        if (wrote == FALSE) {
            return false;
        }
        if (written != read) {
            fs.SetLastError(ERROR_DISK_FULL); // a short write leaves no code of its own
            return false;
        }
        copied += read;
        if (stopRequested && stopRequested()) {
            return true;
        }
    }
}

// Moves a file's pointer to the offset from its start.
bool seekTo(HANDLE file, std::uint64_t offset) {
    TFileServices& fs = files();
    LONG high = static_cast<LONG>(offset >> 32);
    fs.SetLastError(ERROR_SUCCESS); // a low part of all ones is no failure when the call sets no error
    return fs.SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN) !=
               INVALID_SET_FILE_POINTER ||
           fs.GetLastError() == ERROR_SUCCESS;
}

// copyBlocks for a source with holes (offset and length, in order) into a sparse destination: the
// holes are sought over in both, never read or written, so the copy stores nothing for them. A copy
// that ends in a hole gets its last byte written, so that it has the stream's size.
bool copySparseBlocks(HANDLE source, HANDLE destination,
                      const std::vector<std::pair<std::uint64_t, std::uint64_t>>& holes,
                      const std::function<bool()>& stopRequested, std::int64_t& copied) {
    TFileServices& fs = files();
    std::array<BYTE, kStreamCopyBlockSize> buffer{};
    std::size_t hole = 0;
    auto at = static_cast<std::uint64_t>(copied);
    bool endsInHole = false;
    for (;;) {
        while (hole < holes.size() && holes[hole].first + holes[hole].second <= at) {
            ++hole;
        }
        if (hole < holes.size() && holes[hole].first <= at) {
            at = holes[hole].first + holes[hole].second;
            if (!seekTo(source, at) || !seekTo(destination, at)) {
                return false;
            }
            copied = static_cast<std::int64_t>(at);
            endsInHole = true;
            continue;
        }
        const std::uint64_t room = hole < holes.size() ? holes[hole].first - at : buffer.size();
        DWORD read = 0;
        if (fs.ReadFile(source, buffer.data(),
                        static_cast<DWORD>(std::min<std::uint64_t>(buffer.size(), room)), &read,
                        nullptr) == FALSE) {
            return false;
        }
        if (read == 0) {
            break;
        }
        DWORD written = 0;
        const BOOL wrote = fs.WriteFile(destination, buffer.data(), read, &written, nullptr);
        buffer.fill(0);
        if (wrote == FALSE) {
            return false;
        }
        if (written != read) {
            fs.SetLastError(ERROR_DISK_FULL);
            return false;
        }
        at += read;
        copied = static_cast<std::int64_t>(at);
        endsInHole = false;
        if (stopRequested && stopRequested()) {
            return true;
        }
    }
    if (endsInHole && at > 0) {
        const BYTE zero = 0;
        DWORD written = 0;
        if (!seekTo(destination, at - 1) || fs.WriteFile(destination, &zero, 1, &written, nullptr) == FALSE ||
            written != 1) {
            return false;
        }
    }
    return true;
}

// The file a copy began: removed again unless the copy is kept, also when an error unwinds the
// copy. Made before the handles, so that it acts once they are closed.
class TStartedCopy {
public:
    TStartedCopy() = default;
    ~TStartedCopy() {
        try {
            remove();
        } catch (...) {
            // Nothing more can be done about it.
        }
    }
    TStartedCopy(const TStartedCopy&) = delete;
    TStartedCopy& operator=(const TStartedCopy&) = delete;

    void begin(const std::wstring& path) { FPath = path; }
    void keep() { FPath.clear(); }
    void remove() {
        if (!FPath.empty()) {
            const std::wstring path = std::move(FPath);
            FPath.clear();
            files().DeleteFileW(exactPath(path).c_str());
        }
    }

private:
    std::wstring FPath;
};

// The copy itself; the source is opened first, so a stream that cannot be read leaves no empty file.
bool copyIntoNewFile(const std::wstring& source, const std::wstring& destination,
                     const std::function<bool()>& stopRequested, TSavedNames* names, std::wstring& target) {
    TFileServices& fs = files();
    if (!isStreamSource(source)) {
        return false;
    }
    TStartedCopy started;
    TFileHandle in = openEntry(fs, source, GENERIC_READ, FILE_SHARE_READ);
    if (!in) {
        return false;
    }
    TFileHandle out = createNewFile(destination, names, target);
    if (!out) {
        return false;
    }
    started.begin(target);

    bool complete = fs.SetFilePointer(in.get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
    std::int64_t copied = 0;
    // A stream with holes (a sparse stream of a volume read directly) is saved sparse where the
    // destination can be made so; otherwise whole, its holes as written zeros.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> holes;
    const bool sparse = fs.streamHoles(exactPath(source).c_str(), holes) && !holes.empty() &&
                        fs.makeSparse(out.get()) != FALSE;
    complete = complete && (sparse ? copySparseBlocks(in.get(), out.get(), holes, stopRequested, copied)
                                   : copyBlocks(in.get(), out.get(), stopRequested, copied));
    DWORD error = complete ? ERROR_SUCCESS : fs.GetLastError();
    // The copy is the stream only when the stream still has the size that was copied and the file
    // written holds all of it; anything else would pass for the stream while it is not.
    for (HANDLE handle : {in.get(), out.get()}) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!complete) {
            break;
        }
        if (fs.GetFileInformationByHandle(handle, &info) == FALSE) {
            complete = false;
            error = fs.GetLastError();
        } else if (makeInt64(info.nFileSizeHigh, info.nFileSizeLow) != copied) {
            complete = false;
        }
    }
    in.reset();
    out.reset();
    if (!complete) {
        started.remove();
        if (error != ERROR_SUCCESS) {
            fs.SetLastError(error);
        }
        return false;
    }
    started.keep();
    return true;
}

} // namespace

std::wstring TSavedNames::candidate(const std::wstring& wanted) const {
    const auto next = FNextNumber.find(wanted);
    std::uint64_t first = 1;
    if (next != FNextNumber.end()) {
        first = next->second;
    } else {
        std::wstring name = makeUniqueFileName(wanted);
        if (nameLength(name) <= kMaxNameLength) {
            return name;
        }
        // Numbered, the longest names would not fit in a folder: they are numbered shortened.
    }
    for (std::uint64_t n = first;; ++n) {
        std::wstring name = numberedName(wanted, n);
        if (!isFile(name)) {
            return name;
        }
    }
}

void TSavedNames::taken(const std::wstring& wanted, const std::wstring& path) {
    std::uint64_t& next = FNextNumber[wanted];
    next = std::max(next, numberOf(wanted, path) + 1);
}

std::wstring safeFileName(const std::wstring& streamName) {
    std::wstring name = plat::trueName(streamName).value_or(streamName);
    for (wchar_t& c : name) {
        if (isForbiddenInFileName(c)) {
            c = L'_';
        }
    }
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) {
        name.pop_back();
    }
    if (name.empty()) {
        return L"_";
    }
    if (isDosDeviceName(name)) {
        name.insert(0, 1, L'_');
        // The mark must not push a name of the longest length past it.
        if (name.size() > kMaxNameLength) {
            name.resize(kMaxNameLength);
            if (name.back() >= 0xD800 && name.back() <= 0xDBFF) {
                name.pop_back(); // never half of a surrogate pair
            }
            while (name.back() == L'.' || name.back() == L' ') {
                name.pop_back(); // the leading "_" stays, so the name never empties
            }
        }
    }
    return name;
}

bool copyStreamToNewFile(const std::wstring& source, const std::wstring& destination,
                         const std::function<bool()>& stopRequested, std::wstring* written,
                         TSavedNames* names) {
    if (written != nullptr) {
        written->clear();
    }
    try {
        std::wstring target;
        if (!copyIntoNewFile(source, destination, stopRequested, names, target)) {
            return false;
        }
        if (written != nullptr) {
            *written = target;
        }
        return true;
    } catch (...) {
        return false; // an unexpected error (memory, say) fails this copy only; its file is gone already
    }
}

bool copyStreamToFile(const std::wstring& source, const std::wstring& destination, std::wstring* written) {
    return copyStreamToNewFile(source, destination, nullptr, written);
}

bool copyBytesToNewFile(const TByteReader& read, std::uint64_t size, const std::wstring& destination,
                        std::wstring* written) {
    if (written != nullptr) {
        written->clear();
    }
    try {
        TFileServices& fs = files();
        TStartedCopy started;
        std::wstring target;
        TFileHandle out = createNewFile(destination, nullptr, target);
        if (!out) {
            return false;
        }
        started.begin(target);
        std::array<BYTE, kStreamCopyBlockSize> buffer{};
        for (std::uint64_t done = 0; done < size;) {
            const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - done));
            const std::int64_t got = read(done, buffer.data(), wanted);
            if (got <= 0) {
                fs.SetLastError(ERROR_FILE_CORRUPT); // the source ends short or cannot be read
                return false;
            }
            DWORD wrote = 0;
            if (fs.WriteFile(out.get(), buffer.data(), static_cast<DWORD>(got), &wrote, nullptr) == FALSE) {
                return false;
            }
            if (wrote != static_cast<DWORD>(got)) {
                fs.SetLastError(ERROR_DISK_FULL);
                return false;
            }
            done += static_cast<std::uint64_t>(got);
        }
        buffer.fill(0);
        out.reset();
        started.keep();
        if (written != nullptr) {
            *written = target;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool deleteStream(const std::wstring& path) {
    // DeleteFileW acts on the entry the path names, a link's own stream for a link (never its target's).
    return files().DeleteFileW(exactPath(path).c_str()) != FALSE;
}

std::int32_t countCheckedStreams(const TTreeList& tree) {
    std::int32_t count = 0;
    for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
        if (tree.getNodeLevel(node) >= 1 && tree.checkState(node) == TCheckState::csCheckedNormal) {
            ++count;
        }
    }
    return count;
}

void removeEmptyFileNodes(TTreeList& tree) {
    TTreeNode* node = tree.getFirst();
    while (node != nullptr) {
        TTreeNode* next = tree.getNext(node);
        if (tree.getNodeLevel(node) == 0 && !tree.hasChildren(node)) {
            tree.deleteNode(node);
        }
        node = next;
    }
}
