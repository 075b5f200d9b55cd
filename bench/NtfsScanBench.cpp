// Scanning an NTFS volume by reading its MFT against walking it file by file through the file system.
//
// Volume: 200,000 files in 200 folders (two levels), 1% of them with a named stream, written through
// the ntfs-3g mount into an image file once and kept under the build folder for later runs.
// Measured in the same run, on the same image:
//   BM_MftScan: the whole scan by the reader: it opens the image (boot sector, the MFT's own record),
//               reads and parses every MFT record, builds the folder tree, lists every file's streams
//               and closes the volume;
//   BM_Ntfs3gWalk: a walk through the ntfs-3g mount (xattr interface) as a per-file scanner makes it:
//               every folder listed, every file's streams queried (listxattr);
//   BM_Open:    opening the volume alone (the catalogue of every MFT record), elapsed and CPU time;
//   BM_MftListing / BM_FlsListing: every folder, file and named stream with its full path written to a
//               file, by the reader and by The Sleuth Kit's fls -r -p (its own process; CPU time is the
//               child's).
// The reader's peak memory (growth of this process's peak over its first scan) is printed per million
// MFT records.
// Before them, a fresh process of this program opens the volume once (bench_ntfs --open IMAGE, which
// can be run on any image, the million-file one included) and prints the opening's elapsed and CPU
// time, the catalogue's and folder tree's bytes per file by structure, and the process's peak memory.
// Both run with a warm page cache: each is run once untimed before the timed runs, so neither reads
// the image from the disk. Printed at the end: MFT records per second and files per second of each
// (the same volume's records over each one's time), and the walk's time divided by the MFT scan's
// (the fastest of three runs each), as elapsed time and as CPU time: this process's for the MFT scan;
// this process's and the ntfs-3g driver's for the walk, whose work is mostly the driver's. CPU time
// stays fair on a machine shared with other work. Needs root, ntfs-3g and FUSE; says why and stops
// when they are missing.

#include "ntfs/NtfsImage.h"
#include "ntfs/NtfsTree.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <fstream>
#include <sstream>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kGroups = 20;
constexpr int kFoldersPerGroup = 10;
constexpr int kFilesPerFolder = 1000;
constexpr int kStreamEvery = 100; // 1% of the files
constexpr int kFiles = kGroups * kFoldersPerGroup * kFilesPerFolder;

const fs::path kCache = fs::path(KW_BENCH_CACHE) / "ntfs-bench";
const fs::path kImage = kCache / "volume-200k.img";

struct TCount {
    std::uint64_t files = 0;
    std::uint64_t streams = 0;
    std::uint64_t records = 0;
};

// Writes the volume through the mount; the image gets its final name only when it is complete.
bool buildVolume() {
    if (fs::exists(kImage)) {
        return true;
    }
    fs::create_directories(kCache);
    const fs::path partial = kCache / "volume-200k.partial";
    const fs::path mountPoint = kCache / "mnt";
    fs::create_directories(mountPoint);
    if (!ntfstest::makeImage(partial, 1024, "Bench")) {
        return false;
    }
    std::printf("Writing %d files through the ntfs-3g mount (once; kept in %s)...\n", kFiles, kCache.c_str());
    std::fflush(stdout);
    ntfstest::TMount mount(partial, mountPoint, "streams_interface=windows,big_writes");
    if (!mount.mounted()) {
        return false;
    }
    int fileNumber = 0;
    char name[96];
    for (int g = 0; g < kGroups; ++g) {
        for (int d = 0; d < kFoldersPerGroup; ++d) {
            std::snprintf(name, sizeof name, "tree/group%02d/folder%02d", g, d);
            const fs::path folder = mountPoint / name;
            fs::create_directories(folder);
            for (int f = 0; f < kFilesPerFolder; ++f) {
                std::snprintf(name, sizeof name, "file%04d.dat", f);
                ntfstest::writeBytes(folder / name, "data");
                if (++fileNumber % kStreamEvery == 0) {
                    ntfstest::writeBytes(folder / (std::string(name) + ":payload"), "hidden bytes");
                }
            }
        }
    }
    if (!mount.unmount()) {
        return false;
    }
    fs::rename(partial, kImage);
    return true;
}

void appendCodePoint(std::string& out, std::uint32_t u) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += {static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F))};
    } else if (u < 0x10000) {
        out += {static_cast<char>(0xE0 | (u >> 12)), static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                static_cast<char>(0x80 | (u & 0x3F))};
    } else {
        out += {static_cast<char>(0xF0 | (u >> 18)), static_cast<char>(0x80 | ((u >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((u >> 6) & 0x3F)), static_cast<char>(0x80 | (u & 0x3F))};
    }
}

void appendUtf8(std::string& out, std::wstring_view text) {
    for (wchar_t c : text) {
        appendCodePoint(out, static_cast<std::uint32_t>(c));
    }
}

// A name as the volume holds it (UTF-16LE), straight to UTF-8: a surrogate pair is one character, an
// unpaired surrogate is kept as it is.
void appendUtf8(std::string& out, std::string_view utf16le) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf16le.data());
    const std::size_t units = utf16le.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit = bytes[2 * i] | (static_cast<std::uint32_t>(bytes[2 * i + 1]) << 8);
        if (unit < 0x80) {
            out += static_cast<char>(unit); // most names: no decoding at all
            continue;
        }
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
            const std::uint32_t low = bytes[2 * i + 2] | (static_cast<std::uint32_t>(bytes[2 * i + 3]) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                appendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendCodePoint(out, unit);
    }
}

// Every entry below the folder, depth first; path holds the folder's own path ("" or "a/b/") and is
// given back as it came.
void listFolder(const ntfs::TNtfsTree& tree, std::size_t folder, std::string& path, std::string* text,
                TCount& count) {
    for (const ntfs::TNtfsTree::TEntry& entry : tree.entries(folder)) {
        const ntfs::TNtfsFile& file = tree.file(entry.file);
        const std::size_t folderLength = path.size();
        if (text != nullptr) {
            appendUtf8(path, tree.nameOf(entry).nameBytes());
            *text += path;
            *text += '\n';
        }
        if (file.folder) {
            path += '/';
            listFolder(tree, entry.file, path, text, count);
            path.resize(folderLength);
            continue;
        }
        ++count.files;
        for (const ntfs::TNtfsData& stream : file.streams) {
            if (stream.name.empty()) {
                continue;
            }
            ++count.streams;
            if (text != nullptr) {
                *text += path;
                *text += ':';
                appendUtf8(*text, stream.name);
                *text += '\n';
            }
        }
        path.resize(folderLength);
    }
}

// listing: when given, every folder, file and named stream is written to it with its full path, one a
// line ("folder/file", "folder/file:stream"), as fls -r -p lists them.
TCount mftScan(const fs::path* listing = nullptr) {
    TCount count;
    auto volume = ntfs::TNtfsVolume::open(ntfs::openImageFile(kImage));
    if (!volume) {
        return count;
    }
    const ntfs::TNtfsTree tree(*volume);
    count.records = volume->recordCount();
    std::string text;
    std::string path;
    listFolder(tree, tree.root(), path, listing != nullptr ? &text : nullptr, count);
    if (listing != nullptr) {
        std::ofstream(*listing, std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return count;
}

// The same listing by The Sleuth Kit, written by its own process to a file.
bool flsListing(const fs::path& listing) {
    const std::string command =
        "fls -r -p '" + kImage.string() + "' > '" + listing.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

std::uint64_t lineCount(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return static_cast<std::uint64_t>(
        std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

double childrenCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void walk(const std::string& folder, TCount& count, std::vector<char>& names) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> subfolders;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + "/" + name;
        if (entry->d_type == DT_DIR) {
            subfolders.push_back(path);
            continue;
        }
        ++count.files;
        const ssize_t size = ::listxattr(path.c_str(), names.data(), names.size());
        for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names.data() + at)) + 1) {
            count.streams += std::strncmp(names.data() + at, "user.", 5) == 0 ? 1 : 0;
        }
    }
    ::closedir(dir);
    for (const std::string& subfolder : subfolders) {
        walk(subfolder, count, names);
    }
}

fs::path gMountPoint;
pid_t gDriver = -1;
std::map<std::string, TCount> gCounts;
std::map<std::string, double> gFastestCpu; // seconds

double processCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// User and system time of another process, from /proc.
double driverCpuSeconds() {
    std::ifstream stat("/proc/" + std::to_string(gDriver) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n >= 14) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void keepFastestCpu(const char* name, double seconds) {
    if (gFastestCpu.count(name) == 0 || seconds < gFastestCpu[name]) {
        gFastestCpu[name] = seconds;
    }
}

void BM_MftScan(benchmark::State& state) {
    TCount count;
    for (auto _ : state) {
        const double cpu = processCpuSeconds();
        count = mftScan();
        keepFastestCpu("BM_MftScan", processCpuSeconds() - cpu);
    }
    gCounts["BM_MftScan"] = count;
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(count.records), benchmark::Counter::kIsRate);
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(count.files), benchmark::Counter::kIsRate);
}

void BM_Ntfs3gWalk(benchmark::State& state) {
    TCount count;
    std::vector<char> names(64 * 1024);
    for (auto _ : state) {
        count = TCount{};
        const double cpu = processCpuSeconds() + driverCpuSeconds();
        walk(gMountPoint.string(), count, names);
        keepFastestCpu("BM_Ntfs3gWalk", processCpuSeconds() + driverCpuSeconds() - cpu);
    }
    gCounts["BM_Ntfs3gWalk"] = count;
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(count.files), benchmark::Counter::kIsRate);
}

void BM_Open(benchmark::State& state) {
    std::uint64_t records = 0;
    for (auto _ : state) {
        const double cpu = processCpuSeconds();
        auto volume = ntfs::TNtfsVolume::open(ntfs::openImageFile(kImage));
        keepFastestCpu("BM_Open", processCpuSeconds() - cpu);
        records = volume ? volume->recordCount() : 0;
        state.PauseTiming(); // closing (freeing the catalogue) is not part of opening
        volume.reset();
        state.ResumeTiming();
    }
    gCounts["BM_Open"].records = records;
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

void BM_MftListing(benchmark::State& state) {
    TCount count;
    const fs::path listing = kCache / "listing-reader.txt";
    for (auto _ : state) {
        const double cpu = processCpuSeconds();
        count = mftScan(&listing);
        keepFastestCpu("BM_MftListing", processCpuSeconds() - cpu);
    }
    gCounts["BM_MftListing"] = count;
}

void BM_FlsListing(benchmark::State& state) {
    const fs::path listing = kCache / "listing-fls.txt";
    for (auto _ : state) {
        const double cpu = childrenCpuSeconds();
        if (!flsListing(listing)) {
            state.SkipWithError("fls failed");
        }
        keepFastestCpu("BM_FlsListing", childrenCpuSeconds() - cpu);
    }
}

BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_MftScan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_MftListing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_FlsListing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_Ntfs3gWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

// What the catalogue and the folder tree hold, by structure, as the sizes of their parts add up (the
// allocator's own overhead left out).
void printBytesPerFile(const ntfs::TNtfsVolume& volume, const ntfs::TNtfsTree& tree) {
    std::map<std::string, double> bytes;
    const ntfs::TNtfsFileList& files = volume.files();
    std::uint64_t entries = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ntfs::TNtfsFile& file = files[i];
        bytes["file slot"] += sizeof(ntfs::TNtfsFile);
        bytes["names"] += static_cast<double>(file.names.capacity() * sizeof(ntfs::TNtfsName));
        for (const ntfs::TNtfsName& name : file.names) {
            bytes["name text"] +=
                name.bytes.capacity() > 15 ? static_cast<double>(name.bytes.capacity() + 1) : 0;
        }
        bytes["streams"] += static_cast<double>(file.streams.capacity() * sizeof(ntfs::TNtfsData));
        for (const ntfs::TNtfsData& data : file.streams) {
            bytes["stream names, runs and bytes"] += static_cast<double>(
                (data.name.capacity() > 7 ? (data.name.capacity() + 1) * sizeof(wchar_t) : 0) +
                data.runs.capacity() * sizeof(ntfs::TRun) + data.residentBytes.capacity());
        }
        entries += tree.entries(i).size();
    }
    bytes["index by record"] =
        static_cast<double>(std::min(volume.recordCount(), std::uint64_t{UINT32_MAX}) * 4);
    bytes["tree entries and orders"] =
        static_cast<double>(entries * (sizeof(ntfs::TNtfsTree::TEntry) + 2 * sizeof(std::uint32_t)) +
                            (files.size() + 1) * sizeof(std::size_t));
    const double count = files.size() == 0 ? 1.0 : static_cast<double>(files.size());
    double total = 0;
    std::printf("  bytes per file by structure (%zu files, %zu-bit):\n", files.size(), sizeof(void*) * 8);
    for (const auto& [name, size] : bytes) {
        std::printf("    %-30s %7.1f\n", name.c_str(), size / count);
        total += size;
    }
    std::printf("    %-30s %7.1f\n", "total", total / count);
}

double elapsedSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// bench_ntfs --open IMAGE: one opening of the image in this fresh process.
int openInFreshProcess(const fs::path& image) {
    const double cpu = processCpuSeconds();
    const double start = elapsedSeconds();
    auto volume = ntfs::TNtfsVolume::open(ntfs::openImageFile(image));
    const double openCpu = processCpuSeconds() - cpu;
    const double openElapsed = elapsedSeconds() - start;
    if (!volume) {
        std::printf("%s cannot be opened as an NTFS volume\n", image.c_str());
        return 1;
    }
    const ntfs::TNtfsTree tree(*volume);
    const double records = static_cast<double>(volume->recordCount());
    std::printf("Opening in a fresh process: %.0f MFT records, %zu files; %.3f s elapsed (%.0f records/s), "
                "%.3f s CPU (%.0f records/s)\n",
                records, volume->files().size(), openElapsed, records / openElapsed, openCpu,
                openCpu > 0 ? records / openCpu : 0.0);
    printBytesPerFile(*volume, tree);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("  peak memory of the process with the catalogue and the tree: %.1f MiB\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}

// Keeps the fastest run of each benchmark.
class TFastestReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> fastest;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            const double seconds = run.GetAdjustedRealTime() / 1000.0;
            if (run.run_type == Run::RT_Iteration && (fastest.count(name) == 0 || seconds < fastest[name])) {
                fastest[name] = seconds;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--open") {
        return openInFreshProcess(argv[2]);
    }
    if (const std::string& why = ntfstest::toolsUnavailableReason(); !why.empty()) {
        std::printf("NTFS scan benchmark skipped: %s\n", why.c_str());
        return 0;
    }
    if (!buildVolume()) {
        std::printf("NTFS scan benchmark skipped: the volume could not be written through ntfs-3g\n");
        return 0;
    }
    gMountPoint = kCache / "mnt";
    fs::create_directories(gMountPoint); // an image kept from an earlier build folder comes without it
    ntfstest::TMount mount(kImage, gMountPoint, "ro,streams_interface=xattr");
    if (!mount.mounted()) {
        std::printf("NTFS scan benchmark skipped: ntfs-3g cannot mount the volume\n");
        return 0;
    }
    gDriver = mount.driver();
    // Warm-up, untimed: both sides find the image in the page cache from the first timed run on.
    // The reader's peak memory is taken over its first open, before anything else grows the process.
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    {
        TCount warm;
        std::vector<char> names(64 * 1024);
        mftScan();
        walk(gMountPoint.string(), warm, names);
        flsListing(kCache / "listing-fls.txt");
    }
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    const double peakKiB = static_cast<double>(after.ru_maxrss - before.ru_maxrss);
    // The image is in the page cache now; the catalogue's memory is the fresh process's own.
    std::fflush(stdout);
    const std::string fresh =
        "'" + fs::read_symlink("/proc/self/exe").string() + "' --open '" + kImage.string() + "'";
    if (std::system(fresh.c_str()) != 0) {
        std::printf("The fresh process could not open the volume.\n");
    }
    benchmark::Initialize(&argc, argv);
    TFastestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    mount.unmount();

    const TCount mft = gCounts["BM_MftScan"];
    const TCount fuse = gCounts["BM_Ntfs3gWalk"];
    const double mftSeconds = reporter.fastest["BM_MftScan"];
    const double walkSeconds = reporter.fastest["BM_Ntfs3gWalk"];
    const double mftCpu = gFastestCpu["BM_MftScan"];
    const double walkCpu = gFastestCpu["BM_Ntfs3gWalk"];
    const double records = static_cast<double>(mft.records);
    std::printf("\nVolume of %d files (1%% with a named stream), %llu MFT records, warm page cache:\n",
                kFiles, static_cast<unsigned long long>(mft.records));
    std::printf("  MFT scan:     %llu files, %llu streams; %.3f s elapsed (%.0f records/s, %.0f files/s), "
                "%.3f s CPU\n",
                static_cast<unsigned long long>(mft.files), static_cast<unsigned long long>(mft.streams),
                mftSeconds, records / mftSeconds, mft.files / mftSeconds, mftCpu);
    std::printf("  ntfs-3g walk: %llu files, %llu streams; %.3f s elapsed (%.0f records/s, %.0f files/s), "
                "%.3f s CPU\n",
                static_cast<unsigned long long>(fuse.files), static_cast<unsigned long long>(fuse.streams),
                walkSeconds, records / walkSeconds, fuse.files / walkSeconds, walkCpu);
    std::printf("Walk / MFT scan (target >= 20): elapsed %.1f, CPU %.1f\n",
                mftSeconds > 0 ? walkSeconds / mftSeconds : 0.0, mftCpu > 0 ? walkCpu / mftCpu : 0.0);
    const double openSeconds = reporter.fastest["BM_Open"];
    const double listingSeconds = reporter.fastest["BM_MftListing"];
    const double flsSeconds = reporter.fastest["BM_FlsListing"];
    // Elapsed time on a shared machine includes the time other programs hold the cores; CPU time is this
    // process's own work (reading the image from the page cache included). Both are given.
    const double openCpu = gFastestCpu["BM_Open"];
    std::printf("  open only (every MFT record read and parsed, the catalogue built; closing not counted):\n"
                "    %.3f s elapsed = %.0f records/s; %.3f s CPU = %.0f records/s (target >= 2,000,000)\n",
                openSeconds, records / openSeconds, openCpu, openCpu > 0 ? records / openCpu : 0.0);
    std::printf(
        "  whole listing with full paths to a file: reader %.3f s (%.3f s CPU, %llu lines), fls -r -p "
        "%.3f s (%.3f s CPU, %llu lines)\n",
        listingSeconds, gFastestCpu["BM_MftListing"],
        static_cast<unsigned long long>(lineCount(kCache / "listing-reader.txt")), flsSeconds,
        gFastestCpu["BM_FlsListing"], static_cast<unsigned long long>(lineCount(kCache / "listing-fls.txt")));
    std::printf("fls / reader listing (target >= 5): elapsed %.1f, CPU %.1f\n",
                listingSeconds > 0 ? flsSeconds / listingSeconds : 0.0,
                gFastestCpu["BM_MftListing"] > 0 ? gFastestCpu["BM_FlsListing"] / gFastestCpu["BM_MftListing"]
                                                 : 0.0);
    std::printf("Peak memory of the reader's open and scan: %.0f KiB growth, %.1f MiB per million records\n",
                peakKiB, records > 0 ? peakKiB / 1024.0 / (records / 1e6) : 0.0);
    if (mft.files != fuse.files || mft.streams != fuse.streams) {
        std::printf("The two scans disagree on what the volume holds.\n");
        return 1;
    }
    return 0;
}
