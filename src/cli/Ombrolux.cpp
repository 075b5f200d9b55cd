#include "cli/Ombrolux.h"

#include "cli/ConsoleScan.h"
#include "cli/DeletedStreams.h"
#include "cli/ImageInfo.h"
#include "cli/ErrorSentences.h"
#include "cli/ImagePaths.h"
#include "cli/ImageVolumes.h"
#include "cli/OutputGuard.h"
#include "cli/StreamCommands.h"
#include "ntfs/NtfsVolume.h"
#include "platform/RoutedFileServices.h"
#include "platform/WinPath.h"
#include "platform/ntfs/NtfsFileServices.h"
#include "report/TextEncoding.h"

#include <CLI/CLI.hpp>

#ifdef _WIN32
#include <io.h>
#define KW_ISATTY(stream) (_isatty(_fileno(stream)) != 0)
#else
#include <unistd.h>
#define KW_ISATTY(stream) (isatty(fileno(stream)) != 0)
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

namespace cli {

namespace {

constexpr const char* kVersion = "1.0.0";

// CSV carries a byte-order mark on Windows, so that spreadsheets there read the UTF-8 names right.
#ifdef _WIN32
constexpr bool kCsvByteOrderMark = true;
#else
constexpr bool kCsvByteOrderMark = false;
#endif

constexpr const char* kStreamPathHelp =
    "A stream as scan prints it, its source and full path: IMAGE\\dir\\file:stream, "
    "IMAGE [N]\\dir\\file:stream for partition N of a disk, IMAGE#ENTRY-SEQUENCE:stream by the file's MFT "
    "reference (a deleted file's too, as scan --deleted lists it)"
#ifdef _WIN32
    ", or a live path C:\\dir\\file:stream"
#endif
    ;

constexpr const char* kSplitHelp =
    "The image is the first of raw segments named as split names them (xaa, xab, ...); segments named "
    ".001, .002, ... are found without it";

struct TScanCommand {
    std::vector<std::string> targets;
    std::string wildcard = "*.*";
    bool noRecurse = false;
    bool includeZone = false;
    bool direct = false;
    bool skipHiddenFolders = false;
    int preview = 0;
    bool hash = false;
    std::string format = "text";
    std::string only; // empty: every stream
    std::string output;
    bool force = false;
    bool split = false;
    bool deleted = false;
};

class TScanRun {
public:
    TScanRun(const TScanCommand& command, const TConsole& console, std::FILE* records,
             const report::TFindingWriter& writer)
        : FConsole(console) {
        FSettings.wildcard = report::fromUtf8(command.wildcard);
        FSettings.recursive = !command.noRecurse;
        FSettings.includeZone = command.includeZone;
        FDirect = command.direct;
        FSettings.skipHiddenFolders = command.skipHiddenFolders;
        FSplit = command.split;
        FDeleted = command.deleted;
        FSettings.wanted.previewLen = command.preview;
        FSettings.wanted.hash = command.hash;
        if (!command.only.empty()) {
            FSettings.only =
                command.only == "suspicious" ? report::TVerdict::suspicious : report::TVerdict::unknown;
        }
        FOutput.records = records;
        FOutput.errors = console.err;
        FOutput.writer = &writer;
        FOutput.progress = KW_ISATTY(console.err);
    }

    // Scans one target; false when it could not be read at all.
    bool scanTarget(const std::string& target) {
        const std::filesystem::path path = nativePath(target);
        if (isImage(path)) {
            return scanImage(target, path, nullptr);
        }
        if (const TImagePart part = findImage(target); part.inside != std::string::npos) {
            return scanImage(part.image, nativePath(part.image), &part);
        }
        if (FConsole.liveFiles == nullptr) {
            return fail(target, std::filesystem::exists(path) ? "not a disk image or block device"
                                                              : "no such file or device");
        }
        return scanFolder(target, path);
    }

    int exitCode() const { return FSomeUnread ? kExitSomeUnread : kExitOk; }

    // After the run, on standard error: what could not be read, counted (each was named as it came).
    void reportShortfall() const {
        std::string parts;
        const auto add = [&parts](std::uint64_t count, const char* one, const char* many) {
            if (count > 0) {
                parts +=
                    (parts.empty() ? "" : ", ") + std::to_string(count) + " " + (count == 1 ? one : many);
            }
        };
        add(FDamagedRecords, "damaged record skipped", "damaged records skipped");
        add(static_cast<std::uint64_t>(FUnlistedFolders), "folder not listed", "folders not listed");
        add(static_cast<std::uint64_t>(FUnread), "target or partition not read",
            "targets or partitions not read");
        if (!parts.empty()) {
            std::fprintf(FConsole.err, "ombrolux: the listing is incomplete: %s\n", parts.c_str());
        }
    }

private:
    bool fail(const std::string& target, const std::string& reason) {
        std::fprintf(FConsole.err, "ombrolux: %s: %s\n", target.c_str(), reason.c_str());
        FSomeUnread = true;
        ++FUnread;
        return false;
    }

    void account(const TScanOutcome& outcome) {
        FUnlistedFolders += outcome.unlistedFolders;
        FDamagedRecords += outcome.damagedRecords;
        FSomeUnread = FSomeUnread || outcome.unreadable > 0 || outcome.stopped || outcome.writeFailed ||
                      outcome.unlistedFolders > 0 || outcome.damagedRecords > 0;
        if (outcome.writeFailed) {
            std::fprintf(FConsole.err, "ombrolux: the output could not be written\n");
        }
    }

    // The volumes of an image, each at a drive letter of the reader's services (with the system's
    // own services behind them on Windows); the paths shown drop the letter. within: only the folder
    // it names, in the volume it names.
    bool scanImage(const std::string& target, const std::filesystem::path& path, const TImagePart* within) {
        TImageVolumes image = openImageVolumes(target, path, FSplit);
        if (!image.damage.empty()) {
            fail(target, image.damage);
        }
        for (const std::string& problem : image.problems) {
            fail(target, problem);
        }
        if (image.volumes.empty()) {
            return fail(target, image.error);
        }
        plat::ntfs::TNtfsFileServices reader;
        std::vector<std::wstring> sources;
        std::vector<const ntfs::TNtfsVolume*> volumes; // owned by the reader once mounted
        wchar_t letter = L'C';
        for (TOpenedVolume& opened : image.volumes) {
            if (const std::uint64_t damaged = opened.volume->damagedRecords(); damaged > 0) {
                std::fprintf(FConsole.err, "ombrolux: %s: %s\n", report::toUtf8(opened.source).c_str(),
                             damagedRecordsText(damaged).c_str());
                FDamagedRecords += damaged;
                FSomeUnread = true;
            }
            sources.push_back(std::move(opened.source));
            volumes.push_back(opened.volume.get());
            reader.mount(letter++, std::move(opened.volume));
        }
        std::unique_ptr<plat::TRoutedFileServices> routed;
        if (FConsole.liveFiles != nullptr) {
            routed = std::make_unique<plat::TRoutedFileServices>(reader, *FConsole.liveFiles);
        }
        plat::installFileServices(routed ? static_cast<plat::TFileServices*>(routed.get()) : &reader);
        bool named = within == nullptr;
        for (std::size_t n = 0; n < sources.size() && !interrupted(); ++n) {
            FOutput.shownPath = [](const std::wstring& p) { return p.size() >= 2 ? p.substr(2) : p; };
            const auto driveLetter = static_cast<wchar_t>(L'C' + n);
            std::wstring root = std::wstring(1, driveLetter) + L":\\";
            if (within != nullptr) {
                if (sources[n] != report::fromUtf8(within->source)) {
                    continue;
                }
                named = true;
                root.pop_back();
                root += report::fromUtf8(within->insidePath);
                while (root.size() > 3 && root.back() == L'\\') {
                    root.pop_back();
                }
                plat::TFileServices& fs = plat::files();
                const plat::DWORD attributes = fs.GetFileAttributesW(plat::exactPath(root).c_str());
                if (attributes == plat::INVALID_FILE_ATTRIBUTES ||
                    (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) == 0) {
                    const std::string shown = within->source + within->insidePath;
                    fail(shown, attributes == plat::INVALID_FILE_ATTRIBUTES
                                    ? openFailure(fs, plat::exactPath(root), shown, fs.GetLastError())
                                    : "not a folder");
                    continue;
                }
            }
            account(scanRoot(sources[n], root, FSettings, FOutput));
            if (FDeleted && !interrupted()) {
                // The folder scanned, as the volume names it ("\Users"; empty for the whole volume).
                const std::wstring folder = root.size() > 3 ? root.substr(2) : std::wstring{};
                account(
                    scanDeleted(sources[n], *volumes[n], reader, driveLetter, folder, FSettings, FOutput));
            }
        }
        plat::installFileServices(FConsole.liveFiles);
        if (!named) {
            std::string names;
            for (const std::wstring& source : sources) {
                names += (names.empty() ? "" : ", ") + report::toUtf8(source);
            }
            return fail(within->source,
                        "no NTFS volume is named " + within->source + " (there are: " + names + ")");
        }
        return true;
    }

    bool scanFolder(const std::string& target, std::filesystem::path path) {
        if (FDeleted) {
            return fail(target, "deleted files are found in disk images and devices only (--deleted reads "
                                "their master file table); on a live volume image it first");
        }
        // "D:" names the drive here, not the current folder of drive D.
        if (target.size() == 2 && target[1] == ':') {
            path += "\\";
        }
        std::error_code error;
        if (!std::filesystem::is_directory(path, error)) {
            return fail(target, std::filesystem::exists(path, error) ? "not a folder, drive or disk image"
                                                                     : "no such folder or file");
        }
        std::wstring root = std::filesystem::absolute(path, error).wstring();
        if (root.size() > 3 && root.back() == L'\\') {
            root.pop_back();
        }
        plat::installFileServices(FConsole.liveFiles);
        FOutput.shownPath = nullptr;
        TScanSettings settings = FSettings;
        settings.direct = FDirect;
        account(scanRoot(report::fromUtf8(target), root, settings, FOutput));
        return true;
    }

    const TConsole& FConsole;
    TScanSettings FSettings;
    bool FSplit = false;   // images are the first of segments named as split names them
    bool FDirect = false;  // drives and folders read from the raw volume (an image is read so anyway)
    bool FDeleted = false; // the streams of deleted files too (images and devices)
    TConsoleOutput FOutput;
    bool FSomeUnread = false;
    std::uint64_t FDamagedRecords = 0;
    int FUnlistedFolders = 0;
    int FUnread = 0; // targets, or partitions of them, that could not be read
};

int runScan(const TScanCommand& command, const TConsole& console) {
    static const std::map<std::string, report::TReportFormat> formats = {
        {"text", report::TReportFormat::text},
        {"csv", report::TReportFormat::csv},
        {"jsonl", report::TReportFormat::jsonl}};
    const auto writer = report::makeFindingWriter(formats.at(command.format), kCsvByteOrderMark);
#ifdef _WIN32
    if (command.direct && !console.administrator) {
        std::fprintf(console.err, "ombrolux: --direct needs administrator rights (an elevated prompt)\n");
        return kExitUsage;
    }
#endif

    std::FILE* records = console.out;
    if (!command.output.empty()) {
        const std::filesystem::path file = nativePath(command.output);
        // Before anything is opened for writing, and whatever --force says.
        if (const std::string refusal =
                writesOverSource(file, false, command.targets, command.split, console);
            !refusal.empty()) {
            std::fprintf(console.err, "ombrolux: %s: %s\n", command.output.c_str(), refusal.c_str());
            return kExitUsage;
        }
        std::error_code error;
        if (std::filesystem::exists(file, error) && !command.force) {
            std::fprintf(console.err, "ombrolux: %s: already exists (use --force to overwrite)\n",
                         command.output.c_str());
            return kExitUsage;
        }
#ifdef _WIN32
        records = _wfopen(file.c_str(), L"wb");
#else
        records = std::fopen(file.c_str(), "wb");
#endif
        if (records == nullptr) {
            std::fprintf(console.err, "ombrolux: %s: cannot be created (%s)\n", command.output.c_str(),
                         std::strerror(errno));
            return kExitSomeUnread;
        }
    }
    const std::string header = writer->header();
    std::fwrite(header.data(), 1, header.size(), records);

    TScanRun run(command, console, records, *writer);
    const TCtrlCStops ctrlCStops;
    for (const std::string& target : command.targets) {
        if (interrupted()) {
            break;
        }
        run.scanTarget(target);
    }
    run.reportShortfall();
    const bool flushed = std::fflush(records) == 0;
    const bool closed = records == console.out || std::fclose(records) == 0;
    if (!flushed || !closed) {
        std::fprintf(console.err, "ombrolux: the output could not be written\n");
        return kExitSomeUnread;
    }
    if (interrupted()) {
        std::fprintf(console.err, "ombrolux: stopped\n");
        return kExitSomeUnread;
    }
    return run.exitCode();
}

} // namespace

int runOmbrolux(const std::vector<std::string>& args, const TConsole& console) {
    CLI::App app{"Finds the alternate data streams of NTFS files and reports them.", "ombrolux"};
    app.set_version_flag("--version", std::string("ombrolux ") + kVersion);
    app.require_subcommand(1);

    TScanCommand scan;
    CLI::App* scanCommand = app.add_subcommand("scan", "List every alternate stream below the targets.");
    scanCommand
        ->add_option("TARGET", scan.targets,
#ifdef _WIN32
                     "Folder, drive or NTFS disk image"
#else
                     "NTFS disk image or block device"
#endif
                     )
        ->required();
    scanCommand->add_option("--wildcard", scan.wildcard, "File names to inspect (default *.*)");
    scanCommand->add_flag("--no-recurse", scan.noRecurse, "Do not descend into subfolders");
    scanCommand->add_flag("--skip-hidden-folders", scan.skipHiddenFolders,
                          "Ask hidden and system folders for their own streams but do not enter them, "
                          "as the window does on live drives (by default every folder is entered)");
    scanCommand->add_flag("--include-zone", scan.includeZone,
                          "Report download marks (Zone.Identifier) under 100 bytes too");
    scanCommand->add_option("--preview", scan.preview, "Preview the first N bytes of each stream (0 to 1024)")
        ->check(CLI::Range(0, 1024));
    scanCommand->add_flag("--hash", scan.hash, "SHA-256 of every stream");
    scanCommand->add_flag("--direct", scan.direct,
#ifdef _WIN32
                          "Read each drive's NTFS volume directly (\\\\.\\C:), fast; needs administrator "
                          "rights. A volume that cannot be read is walked instead, with a warning"
#else
                          "Accepted and ignored: images and block devices are always read directly"
#endif
    );
    scanCommand->add_option("--format", scan.format, "text, csv or jsonl (default text)")
        ->check(CLI::IsMember({"text", "csv", "jsonl"}));
    scanCommand->add_flag("--split", scan.split, kSplitHelp);
    scanCommand->add_flag(
        "--deleted", scan.deleted,
        "Also list the streams of deleted files (images and devices): MFT records no longer in use whose "
        "attributes still read, after each volume's files in use, marked deleted (text: \"deleted\" and the "
        "MFT reference that cat and save take). A file is placed under its parent folder while that "
        "folder's record is in use with the same sequence number, otherwise under \\$OrphanFiles. "
        "clusters_reused says whether a cluster of the stream now belongs to a file in use: then its "
        "bytes are not trusted");
    scanCommand
        ->add_option("--only", scan.only,
                     "List only the streams of this verdict: suspicious (code, foreign content under a known "
                     "name, random-looking data, names made to deceive) or unknown")
        ->check(CLI::IsMember({"suspicious", "unknown"}));
    scanCommand->footer(
        "Fields of each csv and jsonl record: source, file_path, stream_name, full_path, mft_entry, "
        "mft_sequence, size, created, modified, attributes, preview, sha256; si_created, si_modified, "
        "si_accessed, si_changed (the "
        "standard information's times) and fn_created, fn_modified, fn_accessed, fn_changed (those of the "
        "$FILE_NAME of the path's name), ISO 8601 UTC to 100 ns; attribute_type, attribute_id, resident, "
        "sparse, compressed, encrypted, allocated, deleted, clusters_reused, hard_link_count, file_id (one "
        "for every name of "
        "a file); the download mark (jsonl: zone; csv: zone_id, zone_name, referrer_url, host_url, "
        "host_ip_address, zone_fields); kind, kind_text, verdict, reasons, entropy (what the stream holds). "
        "A "
        "field not known is null (jsonl) or empty (csv).");
    CLI::Option* output = scanCommand->add_option("--output", scan.output, "Write the report to FILE");
    scanCommand->add_flag("--force", scan.force, "Overwrite the --output file")->needs(output);

    std::string catPath;
    CLI::App* catCommand =
        app.add_subcommand("cat", "Write one stream's bytes, unchanged, to standard output.");
    catCommand->add_option("STREAMPATH", catPath, kStreamPathHelp)->required();
    bool catSplit = false;
    catCommand->add_flag("--split", catSplit, kSplitHelp);

    std::vector<std::string> savePaths;
    std::string saveFolder;
    CLI::App* saveCommand =
        app.add_subcommand("save", "Save streams as new files in a folder (never overwriting; each file "
                                   "written is named on standard output; a sparse stream of an image is "
                                   "saved sparse, its holes not written).");
    saveCommand->add_option("STREAMPATH", savePaths, kStreamPathHelp)->required();
    saveCommand->add_option("--to", saveFolder, "The folder to save into")->required();
    bool saveSplit = false;
    saveCommand->add_flag("--split", saveSplit, kSplitHelp);
    TSaveManifest saveManifest;
    std::string saveFormat = "text";
    saveCommand->add_option(
        "--manifest", saveManifest.file,
        "Write a JSON Lines manifest to FILE (a new file): for each saved file the stream's "
        "record as scan writes it (with its SHA-256), the saved file's name and its SHA-256");
    saveCommand
        ->add_option("--format", saveFormat,
                     "text (the saved files' names) or jsonl (the manifest's lines on standard output)")
        ->check(CLI::IsMember({"text", "jsonl"}));

    std::string infoTarget;
    std::string infoFormat = "text";
    bool infoSplit = false;
    CLI::App* infoCommand = app.add_subcommand(
        "info", "Describe a disk image: its container (raw, split raw, E01, VHDX, VHD, VMDK) with the "
                "acquisition notes it keeps, and its partitions with which of them hold NTFS.");
    infoCommand->add_option("IMAGE", infoTarget, "Disk image (its first segment) or block device")
        ->required();
    infoCommand->add_option("--format", infoFormat, "text or json (default text)")
        ->check(CLI::IsMember({"text", "json"}));
    infoCommand->add_flag("--split", infoSplit, kSplitHelp);

    std::vector<std::string> deletePaths;
    bool deleteYes = false;
    CLI::App* deleteCommand = app.add_subcommand(
        "delete",
#ifdef _WIN32
        "Delete alternate streams of files on a live volume (asks first on a terminal; each stream "
        "deleted is named on standard output). A file's main data, disk images and devices are refused."
#else
        "Deleting streams is done on Windows only: on Linux ombrolux reads NTFS images and devices and "
        "never writes to them, so every stream path is refused (on an ntfs-3g mount with "
        "streams_interface=windows, rm 'FILE:STREAM' removes one)."
#endif
    );
    deleteCommand->add_option("STREAMPATH", deletePaths, "A live stream path, C:\\dir\\file:stream")
        ->required();
    deleteCommand->add_flag("--yes,-y", deleteYes,
                            "Delete without asking (needed when standard input is not a terminal)");

    if (args.empty()) {
        std::fprintf(console.err, "ombrolux: a command is needed: scan, cat, save or delete (ombrolux --help "
                                  "says more)\n");
        return kExitUsage;
    }
    if (!args.front().empty() && args.front().front() != '-' &&
        app.get_subcommands([&](CLI::App* command) { return command->get_name() == args.front(); }).empty()) {
        std::fprintf(console.err,
                     "ombrolux: \"%s\" is not a command: the commands are scan, cat, save and delete "
                     "(ombrolux --help says more)\n",
                     args.front().c_str());
        return kExitUsage;
    }
    std::vector<std::string> reversed(args.rbegin(), args.rend()); // CLI11 takes them last first
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = app.exit(error, out, err);
        std::fputs(out.str().c_str(), console.out);
        std::fputs(err.str().c_str(), console.err);
        return code == 0 ? kExitOk : kExitUsage;
    }
    if (scanCommand->parsed()) {
        return runScan(scan, console);
    }
    if (catCommand->parsed()) {
        return runCat(catPath, catSplit, console);
    }
    if (saveCommand->parsed()) {
        saveManifest.jsonl = saveFormat == "jsonl";
        return runSave(savePaths, saveFolder, saveManifest, saveSplit, console);
    }
    if (infoCommand->parsed()) {
        return runInfo(infoTarget, infoFormat, infoSplit, console);
    }
    if (deleteCommand->parsed()) {
        return runDelete(deletePaths, deleteYes, console);
    }
    return kExitUsage;
}

} // namespace cli
