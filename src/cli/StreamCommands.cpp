#include "cli/StreamCommands.h"

#include "cli/DeletedStreams.h"
#include "cli/ErrorSentences.h"
#include "cli/ImagePaths.h"
#include "cli/SaveManifest.h"
#include "cli/ImageVolumes.h"
#include "cli/OutputGuard.h"
#include "platform/OpenEntry.h"
#include "platform/Owned.h"
#include "platform/RoutedFileServices.h"
#include "platform/ScopedModes.h"
#include "platform/ShownName.h"
#include "platform/WinPath.h"
#include "platform/ntfs/NtfsDirectDrive.h"
#include "platform/ntfs/NtfsFileServices.h"
#include "report/StreamFacts.h"
#include "report/TextEncoding.h"
#include "streamops/UntKorvaneLibStreamOps.h"

#ifndef _WIN32
#include "platform/posix/PosixFileServices.h"
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace cli {

namespace {

// A stream path made ready to open: its volume mounted (for an image) and the services installed.
struct TOpenedStream {
    std::unique_ptr<plat::ntfs::TNtfsFileServices> reader;
    std::unique_ptr<plat::TRoutedFileServices> routed;
    std::unique_ptr<plat::ntfs::TDirectDrive> direct; // a live drive's raw volume, for an escaped name
    std::wstring path;                                // as the installed services take it
    std::string error;                                // why it cannot be opened; empty when it can
    // A deleted file's stream named by its MFT reference: read from the volume (the reader's), not
    // through the services.
    std::optional<TDeletedStream> deleted;
    const ntfs::TNtfsVolume* volume = nullptr;
    wchar_t letter = 0;
    std::wstring source;
};

// A drive letter for the image's volume that no live drive has, so that a folder saved into on a
// live drive is still reached; 0 when every letter is taken.
wchar_t freeDriveLetter(plat::TFileServices* liveFiles) {
    const plat::DWORD taken = liveFiles != nullptr ? liveFiles->GetLogicalDrives() : 0;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        if ((taken & (1u << (letter - L'A'))) == 0) {
            return letter;
        }
    }
    return 0;
}

// A file of an image named by its MFT reference: "evidence.img#72-1" with ":STREAM" after it for a named
// stream; or a stream as The Sleuth Kit names it, by its file's entry and its $DATA attribute's id
// ("evidence.img#72-128-3"), which then gives the sequence number and the stream.
struct TReference {
    std::uint64_t entry = 0;
    std::uint16_t sequence = 0;
    std::string stream; // ":" and the stream's shown name; empty for the file's main data
    std::optional<std::uint16_t> attributeId;
};

constexpr std::uint64_t kDataAttributeType = 128;

// Fills in the sequence number and the stream of a reference by attribute id, from the volume; why not,
// when no file in use has the entry or its $DATA attributes do not give exactly one with the id.
std::string resolveAttributeId(const ::ntfs::TNtfsVolume& volume, TReference& reference) {
    const std::string named = "MFT entry " + std::to_string(reference.entry);
    const ::ntfs::TNtfsFile* listed = volume.fileByRecord(reference.entry);
    const std::optional<::ntfs::TNtfsFile> file =
        listed != nullptr ? volume.loadFile(reference.entry) : std::nullopt;
    if (!file) {
        return "no file in use has " + named;
    }
    const ::ntfs::TNtfsData* found = nullptr;
    for (const ::ntfs::TNtfsData& data : file->streams) {
        if (data.attributeId != *reference.attributeId) {
            continue;
        }
        if (found != nullptr) {
            return named + " has more than one $DATA attribute with id " +
                   std::to_string(*reference.attributeId) + ": name the stream as ENTRY-SEQUENCE:STREAM";
        }
        found = &data;
    }
    if (found == nullptr) {
        return named + " has no $DATA attribute with id " + std::to_string(*reference.attributeId);
    }
    reference.sequence = file->sequence;
    reference.stream.clear();
    if (!found->name.empty()) {
        reference.stream = ':';
        reference.stream +=
            report::toUtf8(plat::shownName(std::wstring(found->name.begin(), found->name.end())));
    }
    return {};
}

// Mounts the volume that source names at a free drive letter and points the path there: at the path
// inside it, or at the file with the MFT reference.
void openInImage(const std::string& source, const std::string& image, const std::string& inside,
                 const std::optional<TReference>& reference, bool split, plat::TFileServices* liveFiles,
                 TOpenedStream& opened) {
    TImageVolumes volumes = openImageVolumes(image, nativePath(image), split);
    std::string names;
    for (TOpenedVolume& volume : volumes.volumes) {
        if (volume.source == report::fromUtf8(source)) {
            const wchar_t letter = freeDriveLetter(liveFiles);
            if (letter == 0) {
                opened.error = "no free drive letter to read the image at";
                return;
            }
            std::optional<TReference> resolved = reference;
            if (resolved && resolved->attributeId) {
                if (std::string why = resolveAttributeId(*volume.volume, *resolved); !why.empty()) {
                    opened.error = std::move(why);
                    return;
                }
            }
            opened.reader = std::make_unique<plat::ntfs::TNtfsFileServices>();
            opened.volume = volume.volume.get();
            opened.letter = letter;
            opened.source = volume.source;
            opened.reader->mount(letter, std::move(volume.volume));
            if (!resolved) {
                opened.path = plat::exactPath(std::wstring(1, letter) + L":" + report::fromUtf8(inside));
                return;
            }
            const std::optional<std::wstring> file =
                opened.reader->pathOfReference(letter, resolved->entry, resolved->sequence);
            if (!file && opened.volume->fileByRecord(resolved->entry) == nullptr) {
                // No file in use has the record: a deleted one may.
                opened.deleted = findDeletedStream(*opened.volume, resolved->entry, resolved->sequence,
                                                   report::fromUtf8(resolved->stream), opened.error);
                return;
            }
            if (!file) {
                opened.error = "no file in use has MFT entry " + std::to_string(resolved->entry) +
                               " with sequence number " + std::to_string(resolved->sequence) +
                               " in its folder tree";
                return;
            }
            opened.path = plat::exactPath(*file + report::fromUtf8(resolved->stream));
            return;
        }
        names += (names.empty() ? "" : ", ") + report::toUtf8(volume.source);
    }
    if (volumes.volumes.empty()) {
        opened.error = volumes.error;
    } else {
        opened.error = "no NTFS volume is named " + source + " (there are: " + names + ")";
    }
}

// The source as an image, with or without its partition number; image stays empty when it is none.
TImagePart imageOf(const std::string& source) {
    if (isImage(nativePath(source))) {
        return {source, source, std::string::npos, {}};
    }
    const std::string image = withoutPartition(source);
    if (image != source && isImage(nativePath(image))) {
        return {source, image, std::string::npos, {}};
    }
    return {};
}

// "SOURCE#ENTRY-SEQUENCE" with ":STREAM" or nothing after it, or "SOURCE#ENTRY-128-ID" with nothing after
// it (The Sleuth Kit's address of a $DATA attribute), SOURCE an image (with its partition number when it
// has one); the first "#" that gives one. The numbers are decimal. "#72-128" stays entry 72's sequence
// number 128: only the three numbers name an attribute.
std::optional<std::pair<TImagePart, TReference>> findReference(const std::string& streamPath) {
    for (std::size_t hash = streamPath.find('#'); hash != std::string::npos;
         hash = streamPath.find('#', hash + 1)) {
        std::size_t at = hash + 1;
        auto number = [&](std::uint64_t limit, std::uint64_t& value) {
            const std::size_t start = at;
            value = 0;
            while (at < streamPath.size() && streamPath[at] >= '0' && streamPath[at] <= '9' &&
                   at - start < 20) {
                value = value * 10 + static_cast<std::uint64_t>(streamPath[at++] - '0');
            }
            return at > start && at - start < 20 && value <= limit;
        };
        std::uint64_t entry = 0;
        std::uint64_t sequence = 0;
        if (!number(0xFFFFFFFFFFFFull, entry) || at >= streamPath.size() || streamPath[at++] != '-' ||
            !number(0xFFFF, sequence)) {
            continue;
        }
        std::optional<std::uint16_t> attributeId;
        if (sequence == kDataAttributeType && at < streamPath.size() && streamPath[at] == '-') {
            ++at;
            std::uint64_t id = 0;
            if (!number(0xFFFF, id) || at != streamPath.size()) {
                continue;
            }
            attributeId = static_cast<std::uint16_t>(id);
        } else if (at < streamPath.size() && streamPath[at] != ':') {
            continue;
        }
        TImagePart part = imageOf(streamPath.substr(0, hash));
        if (part.image.empty()) {
            continue;
        }
        if (attributeId) {
            return std::make_pair(part, TReference{entry, 0, {}, attributeId});
        }
        return std::make_pair(part, TReference{entry, static_cast<std::uint16_t>(sequence),
                                               streamPath.substr(at), std::nullopt});
    }
    return std::nullopt;
}

TOpenedStream openStream(const std::string& streamPath, bool split, const TConsole& console) {
    TOpenedStream opened;
    if (const auto reference = findReference(streamPath)) {
        openInImage(reference->first.source, reference->first.image, {}, reference->second, split,
                    console.liveFiles, opened);
        return opened;
    }
    if (const TImagePart part = findImage(streamPath); part.inside != std::string::npos) {
        openInImage(part.source, part.image, part.insidePath, std::nullopt, split, console.liveFiles, opened);
        return opened;
    }
    if (console.liveFiles == nullptr) {
        // The image is named before the first separator that follows an existing name.
        std::string image = streamPath.substr(0, streamPath.find_first_of("\\:"));
        std::error_code error;
        if (!image.empty() && !std::filesystem::exists(nativePath(withoutPartition(image)), error)) {
            opened.error = "no disk image or device " + withoutPartition(image);
            return opened;
        }
        opened.error =
            "not a stream of a disk image (IMAGE\\dir\\file:stream, or IMAGE [N]\\... for "
            "partition N, as scan prints it, IMAGE#ENTRY-SEQUENCE:stream, or IMAGE#ENTRY-128-ID as fls "
            "prints it)";
        return opened;
    }
    opened.path = report::fromUtf8(streamPath);
    // A name Windows cannot open is read from the drive's raw volume, as the direct scan listed it.
    if (const wchar_t letter = plat::pathDriveLetter(opened.path.c_str());
        letter != 0 && plat::holdsEscapedName(opened.path)) {
        opened.direct = std::make_unique<plat::ntfs::TDirectDrive>(*console.liveFiles, letter,
                                                                   plat::ntfs::TDirectDrive::TPaths::escaped);
        if (!opened.direct->opened()) {
            opened.error = "names a file or stream whose name Windows cannot open (written with the | "
                           "escape), and the volume cannot be read directly: " +
                           report::toUtf8(opened.direct->failure());
        }
    }
    return opened;
}

// The services for the opened stream: its volume's, with the rest (the system's, or on Linux the
// local file system) for every other path, such as the folder saved into.
plat::TFileServices& servicesFor(TOpenedStream& opened, plat::TFileServices* rest) {
    if (opened.direct) {
        return opened.direct->services();
    }
    if (!opened.reader) {
        return *rest;
    }
    if (rest == nullptr) {
        return *opened.reader;
    }
    opened.routed = std::make_unique<plat::TRoutedFileServices>(*opened.reader, *rest);
    return *opened.routed;
}

// While it lives, the given services are the process's (the handles close through them); then the
// system's again.
class TInstalledServices {
public:
    TInstalledServices(plat::TFileServices& services, plat::TFileServices* after) : FAfter(after) {
        plat::installFileServices(&services);
    }
    ~TInstalledServices() { plat::installFileServices(FAfter); }
    TInstalledServices(const TInstalledServices&) = delete;
    TInstalledServices& operator=(const TInstalledServices&) = delete;

private:
    plat::TFileServices* FAfter;
};

int fail(const TConsole& console, const std::string& path, const std::string& reason) {
    std::fprintf(console.err, "ombrolux: %s: %s\n", path.c_str(), reason.c_str());
    return kExitSomeUnread;
}

// The stream's name, or the file's for a path without one: what the saved copy is called.
std::wstring streamName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    const std::wstring last = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t colon = last.find(L':');
    if (colon == std::wstring::npos) {
        return last;
    }
    // "file:stream:$DATA" is the same stream as "file:stream".
    const std::size_t type = last.find(L':', colon + 1);
    return last.substr(colon + 1, type == std::wstring::npos ? std::wstring::npos : type - colon - 1);
}

// The folder as the services that write into it name it.
std::wstring folderPath(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(folder, error).lexically_normal();
#ifdef _WIN32
    return full.wstring();
#else
    return plat::rootedPath(full.string());
#endif
}

// The saved file as the user knows it.
std::string shownPath(const std::wstring& written) {
#ifdef _WIN32
    std::wstring path = written;
    if (path.rfind(L"\\\\?\\", 0) == 0) {
        path.erase(0, 4);
    }
    return report::toUtf8(path);
#else
    return plat::posixPath(written.c_str());
#endif
}

// Why a stream path may not be deleted; empty when it may. Images and devices are evidence, only
// ever read; a file's main data is the file itself, which delete never removes.
std::string deleteRefusal(const std::string& streamPath, const TConsole& console) {
    if (findImage(streamPath).inside != std::string::npos || findReference(streamPath)) {
        return "in a disk image, which ombrolux only reads: streams are deleted on a live volume only";
    }
    if (streamPath.rfind("\\\\.\\", 0) == 0 || streamPath.rfind("\\\\?\\GLOBALROOT", 0) == 0) {
        return "on a device, which ombrolux only reads: streams are deleted on a live volume only";
    }
    if (plat::holdsEscapedName(report::fromUtf8(streamPath))) {
        return "names a file or stream whose name Windows cannot open (written with the | escape): "
               "ombrolux reads it from the volume directly, but cannot delete it";
    }
    if (console.liveFiles == nullptr) {
        return "streams are deleted on Windows only; here ombrolux reads NTFS images and devices and "
               "never writes to them";
    }
    const std::wstring path = report::fromUtf8(streamPath);
    std::size_t start = path.find_last_of(L"\\/");
    start = start != std::wstring::npos ? start + 1 : (path.size() >= 2 && path[1] == L':' ? 2 : 0);
    const std::wstring last = path.substr(start);
    const std::size_t colon = last.find(L':');
    const std::size_t type = colon == std::wstring::npos ? colon : last.find(L':', colon + 1);
    if (colon == std::wstring::npos || colon + 1 == last.size() || type == colon + 1) {
        return "names the file itself, not one of its alternate streams (FILE:STREAM); a file's main "
               "data is never deleted";
    }
    std::wstring typeName = type == std::wstring::npos ? L"$DATA" : last.substr(type + 1);
    std::transform(typeName.begin(), typeName.end(), typeName.begin(), [](wchar_t c) {
        return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    });
    if (typeName != L"$DATA") {
        return "not a data stream (FILE:STREAM or FILE:STREAM:$DATA)";
    }
    return {};
}

// One question for every stream, on standard error; yes only for "y" or "yes".
bool confirmed(const std::vector<std::string>& streamPaths, const TConsole& console) {
    for (const std::string& path : streamPaths) {
        std::fprintf(console.err, "  %s\n", path.c_str());
    }
    std::fprintf(console.err, "Delete %zu alternate stream%s? This action is permanent! [y/N] ",
                 streamPaths.size(), streamPaths.size() == 1 ? "" : "s");
    std::fflush(console.err);
    char line[64] = {};
    if (std::fgets(line, sizeof line, console.in) == nullptr) {
        return false;
    }
    std::string answer(line);
    while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back())) != 0) {
        answer.pop_back();
    }
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes";
}

// Saves a deleted file's stream, read from the volume as it lies there, as runSave saves any stream;
// false when it failed (said on standard error).
bool saveDeleted(const TOpenedStream& opened, const std::string& streamPath, const std::wstring& destination,
                 std::FILE* manifestFile, const TSaveManifest& manifest, const TConsole& console) {
    const ntfs::TNtfsData& data = opened.deleted->data();
    const std::wstring name = plat::shownName(std::wstring(data.name.begin(), data.name.end()));
    const std::wstring wanted = destination + (destination.back() == L'\\' ? L"" : L"\\") +
                                safeFileName(name.empty() ? L"data" : name);
    std::wstring written;
    const auto read = [&](std::uint64_t offset, void* buffer, std::size_t count) {
        return opened.volume->readData(data, offset, buffer, count);
    };
    if (!copyBytesToNewFile(read, data.size, wanted, &written)) {
        fail(console, streamPath, report::errorText(plat::files().GetLastError()));
        return false;
    }
    bool saved = true;
    std::string line;
    if (manifestFile != nullptr || manifest.jsonl) {
        report::TFactsWanted facts;
        facts.hash = true;
        std::string error;
        const report::TStreamFinding finding = deletedFinding(opened.source, *opened.volume, *opened.reader,
                                                              opened.letter, *opened.deleted, facts, error);
        line = manifestLineOf(finding, written, report::fromUtf8(shownPath(written)));
    }
    if (manifestFile != nullptr && std::fputs(line.c_str(), manifestFile) < 0) {
        fail(console, manifest.file, "could not be written");
        saved = false;
    }
    std::fputs(manifest.jsonl ? line.c_str() : (shownPath(written) + "\n").c_str(), console.out);
    std::fflush(console.out);
    return saved;
}

} // namespace

int runCat(const std::string& streamPath, bool split, const TConsole& console) {
    TOpenedStream opened = openStream(streamPath, split, console);
    if (!opened.error.empty()) {
        return fail(console, streamPath, opened.error);
    }
    if (opened.deleted) {
        // A deleted file's bytes, as they lie on the volume.
        const ntfs::TNtfsData& data = opened.deleted->data();
        std::vector<unsigned char> buffer(1 << 16);
        for (std::uint64_t offset = 0;;) {
            const std::int64_t read = opened.volume->readData(data, offset, buffer.data(), buffer.size());
            if (read < 0) {
                return fail(console, streamPath,
                            data.state == ntfs::TDataState::readable
                                ? "damaged on the volume"
                                : "stored in a form that cannot be read (encrypted or compressed)");
            }
            if (read == 0) {
                break;
            }
            const auto count = static_cast<std::size_t>(read);
            if (std::fwrite(buffer.data(), 1, count, console.out) != count) {
                return fail(console, streamPath, "standard output could not be written");
            }
            offset += count;
        }
        if (std::fflush(console.out) != 0) {
            return fail(console, streamPath, "standard output could not be written");
        }
        return kExitOk;
    }
    plat::TFileServices& fs = servicesFor(opened, console.liveFiles);
    const TInstalledServices installed(fs, console.liveFiles);
    plat::TFileHandle in(fs.CreateFileW(opened.path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ,
                                        nullptr, plat::OPEN_EXISTING, plat::openEntryFlags(false), nullptr));
    if (!in) {
        return fail(console, streamPath, openFailure(fs, opened.path, streamPath, fs.GetLastError()));
    }
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        plat::DWORD read = 0;
        if (fs.ReadFile(in.get(), buffer.data(), static_cast<plat::DWORD>(buffer.size()), &read, nullptr) ==
            plat::FALSE) {
            return fail(console, streamPath, report::errorText(fs.GetLastError()));
        }
        if (read == 0) {
            break;
        }
        if (std::fwrite(buffer.data(), 1, read, console.out) != read) {
            return fail(console, streamPath, "standard output could not be written");
        }
    }
    if (std::fflush(console.out) != 0) {
        return fail(console, streamPath, "standard output could not be written");
    }
    return kExitOk;
}

int runSave(const std::vector<std::string>& streamPaths, const std::string& folder,
            const TSaveManifest& manifest, bool split, const TConsole& console) {
    // No stream is saved onto the image or device it is read from (asked first: --to naming the image
    // itself is refused as such, not as a file in the folder's place).
    std::vector<std::string> images;
    for (const std::string& streamPath : streamPaths) {
        if (const TImagePart part = findImage(streamPath); part.inside != std::string::npos) {
            images.push_back(part.image);
        }
    }
    if (const std::string refusal = writesOverSource(nativePath(folder), true, images, split, console);
        !refusal.empty()) {
        std::fprintf(console.err, "ombrolux: %s: %s\n", folder.c_str(), refusal.c_str());
        return kExitUsage;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(nativePath(folder), error)) {
        const bool taken = std::filesystem::exists(nativePath(folder), error);
        return fail(console, folder,
                    taken ? "not a folder (a file of that name is there)" : "no such folder");
    }
    const std::wstring destination = folderPath(nativePath(folder));
#ifdef _WIN32
    plat::TFileServices* rest = console.liveFiles;
#else
    plat::TPosixFileServices posix;
    plat::TFileServices* rest = &posix;
#endif
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> manifestFile(nullptr, std::fclose);
    if (!manifest.file.empty()) {
        if (const std::string refusal =
                writesOverSource(nativePath(manifest.file), false, images, split, console);
            !refusal.empty()) {
            std::fprintf(console.err, "ombrolux: %s: %s\n", manifest.file.c_str(), refusal.c_str());
            return kExitUsage;
        }
        if (std::filesystem::exists(nativePath(manifest.file), error)) {
            fail(console, manifest.file, "already exists (a manifest is never overwritten)");
            return kExitUsage;
        }
#ifdef _WIN32
        manifestFile.reset(_wfopen(nativePath(manifest.file).c_str(), L"wb"));
#else
        manifestFile.reset(std::fopen(nativePath(manifest.file).c_str(), "wb"));
#endif
        if (!manifestFile) {
            return fail(console, manifest.file,
                        std::string("cannot be created (") + std::strerror(errno) + ")");
        }
    }
    int code = kExitOk;
    for (const std::string& streamPath : streamPaths) {
        TOpenedStream opened = openStream(streamPath, split, console);
        if (!opened.error.empty()) {
            code = fail(console, streamPath, opened.error);
            continue;
        }
        const TInstalledServices installed(servicesFor(opened, rest), console.liveFiles);
        plat::TFileServices& fs = plat::files();
        if (opened.deleted) {
            code = saveDeleted(opened, streamPath, destination, manifestFile.get(), manifest, console)
                       ? code
                       : kExitSomeUnread;
            continue;
        }
        if (fs.GetFileAttributesW(opened.path.c_str()) == plat::INVALID_FILE_ATTRIBUTES) {
            code = fail(console, streamPath, openFailure(fs, opened.path, streamPath, fs.GetLastError()));
            continue;
        }
        const std::wstring wanted =
            destination + (destination.back() == L'\\' ? L"" : L"\\") + safeFileName(streamName(opened.path));
        std::wstring written;
        if (copyStreamToFile(opened.path, wanted, &written)) {
            std::string line;
            if (manifestFile || manifest.jsonl) {
                const TImagePart part = findImage(streamPath);
                const std::wstring shown =
                    report::fromUtf8(part.inside != std::string::npos ? part.insidePath : streamPath);
                const std::wstring source =
                    part.inside != std::string::npos ? report::fromUtf8(part.source) : shown.substr(0, 2);
                line =
                    manifestLine(source, opened.path, shown, written, report::fromUtf8(shownPath(written)));
            }
            if (manifestFile && std::fputs(line.c_str(), manifestFile.get()) < 0) {
                code = fail(console, manifest.file, "could not be written");
            }
            std::fputs(manifest.jsonl ? line.c_str() : (shownPath(written) + "\n").c_str(), console.out);
            std::fflush(console.out);
        } else {
            code = fail(console, streamPath, report::errorText(plat::files().GetLastError()));
        }
    }
    return code;
}

int runDelete(const std::vector<std::string>& streamPaths, bool yes, const TConsole& console) {
    int code = kExitOk;
    std::vector<std::string> wanted;
    for (const std::string& streamPath : streamPaths) {
        const std::string refusal = deleteRefusal(streamPath, console);
        if (refusal.empty()) {
            wanted.push_back(streamPath);
        } else {
            code = fail(console, streamPath, refusal);
        }
    }
    if (wanted.empty()) {
        return code;
    }
    if (!yes && !console.inIsTerminal) {
        std::fprintf(console.err, "ombrolux: delete asks before deleting and standard input is not a "
                                  "terminal: nothing deleted (--yes deletes without asking)\n");
        return kExitUsage;
    }
    if (!yes && !confirmed(wanted, console)) {
        std::fprintf(console.err, "ombrolux: nothing deleted\n");
        return kExitSomeUnread;
    }
    const TInstalledServices installed(*console.liveFiles, console.liveFiles);
    // A 32-bit program must reach the real system folder, not its 32-bit stand-in.
    const plat::TRedirectionOff redirectionOff;
    for (const std::string& streamPath : wanted) {
        if (deleteStream(report::fromUtf8(streamPath))) {
            std::fprintf(console.out, "%s\n", streamPath.c_str());
            std::fflush(console.out);
        } else {
            code = fail(console, streamPath, report::errorText(plat::files().GetLastError()));
        }
    }
    return code;
}

} // namespace cli
