#include "ntfs/NtfsFixture.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>

namespace ntfstest {

namespace fs = std::filesystem;

namespace {

fs::path makeMountPoint(const std::string& name) {
    const fs::path point = programScratch() / name;
    fs::create_directories(point);
    return point;
}

// Runs the steps on the volume mounted read-write through the windows interface.
std::string writeThroughMount(const fs::path& image, const std::string& options,
                              const std::function<void(const TMount&)>& steps) {
    TMount mount(image, makeMountPoint("write"), options);
    if (!mount.mounted()) {
        return "ntfs-3g could not mount " + image.filename().string();
    }
    try {
        steps(mount);
    } catch (const std::exception& error) {
        mount.unmount();
        return error.what();
    }
    return mount.unmount() ? std::string() : "ntfs-3g did not unmount " + image.filename().string();
}

struct TCopy {
    std::wstring file;
    std::wstring stream;
    std::string bytes;
};

const plat::FILETIME kCreated{0x15ef9720, 0x01d710b4}; // 2021-03-04 05:06:07.890
const plat::FILETIME kWritten{0xe533a5d0, 0x01ca6bcf}; // 2009-11-22 23:59:58.125

// What ntfscp was asked to write, as ntfs-3g lists it: files in name order, each stream once.
std::vector<TFileFacts> factsOfCopies(const std::vector<TCopy>& copies) {
    std::vector<TFileFacts> facts;
    for (const TCopy& copy : copies) {
        const std::wstring path = copy.file.substr(1);
        auto file =
            std::find_if(facts.begin(), facts.end(), [&](const TFileFacts& f) { return f.path == path; });
        if (file == facts.end()) {
            file = facts.insert(facts.end(), TFileFacts{});
            file->path = path;
        }
        if (copy.stream.empty()) {
            file->data = copy.bytes;
            file->size = copy.bytes.size();
        } else {
            file->streams.push_back(TStreamFacts{copy.stream, copy.bytes.size(), copy.bytes});
        }
    }
    std::sort(facts.begin(), facts.end(),
              [](const TFileFacts& a, const TFileFacts& b) { return a.path < b.path; });
    return facts;
}

TFixtureVolume makeCopiedVolume() {
    TFixtureVolume volume;
    volume.unavailable = copyToolsUnavailableReason();
    if (!volume.unavailable.empty()) {
        return volume;
    }
    volume.image = programScratch() / "copied.img";
    const fs::path source = programScratch() / "source";
    fs::create_directories(source);
    auto host = [&](const std::string& name, const std::string& bytes) {
        const fs::path file = source / name;
        writeBytes(file, bytes);
        return file;
    };
    const std::vector<TCopy> copies = {
        {L"/plain.txt", L"", "no streams here"},
        {L"/one.txt", L"", "main data"},
        {L"/one.txt", L"notes", "one stream"},
        {L"/several.txt", L"", "several"},
        {L"/several.txt", L"alpha", "first"},
        {L"/several.txt", L"beta", patternBytes(3000, 1)}, // non-resident
        {L"/several.txt", L"empty", ""},
        {L"/name with spaces.txt", L"", "spaces"},
        {L"/name with spaces.txt", L"stream with spaces", "in a stream"},
        {L"/empty.txt", L"", ""},
    };
    if (!makeImage(volume.image, 4, "Copied", 512)) {
        volume.unavailable = "mkntfs failed";
        return volume;
    }
    int n = 0;
    for (const TCopy& copy : copies) {
        const fs::path file = host("part" + std::to_string(n++), copy.bytes);
        if (!ntfscp(volume.image, file, copy.file, copy.stream)) {
            volume.unavailable = "ntfscp failed for " + utf8(copy.file + L":" + copy.stream);
            return volume;
        }
    }
    // ntfs-3g is the judge of what was written where it can mount; elsewhere, what was copied in.
    volume.facts = toolsUnavailableReason().empty() ? readWithNtfs3g(volume.image) : factsOfCopies(copies);
    return volume;
}

// The lines of the facts file the volume's script wrote from what ntfs-3g read back: "D path",
// "F path size", "S path:stream size".
std::vector<TFileFacts> readFactsFile(const fs::path& file) {
    std::vector<TFileFacts> facts;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 3) {
            continue;
        }
        const std::size_t space = line.rfind(' ');
        const std::uint64_t size = line[0] == 'D' ? 0 : std::stoull(line.substr(space + 1));
        const std::wstring path = fromUtf8(line[0] == 'D' ? line.substr(2) : line.substr(2, space - 2));
        if (line[0] == 'S') {
            const std::size_t colon = path.rfind(L':');
            if (!facts.empty() && facts.back().path == path.substr(0, colon)) {
                facts.back().streams.push_back(TStreamFacts{path.substr(colon + 1), size, {}});
            }
            continue;
        }
        TFileFacts entry;
        entry.path = path;
        entry.folder = line[0] == 'D';
        entry.size = size;
        facts.push_back(std::move(entry));
    }
    return facts;
}

TFixtureVolume makeUserVolume() {
    TFixtureVolume volume;
    volume.image = fs::path(KW_TEST_FIXTURES) / "user-volume.img";
    if (!fs::exists(volume.image)) {
        volume.unavailable = "the checked-in user volume was not unpacked (configure again)";
        return volume;
    }
    volume.facts = toolsUnavailableReason().empty()
                       ? readWithNtfs3g(volume.image)
                       : readFactsFile(fs::path(KW_TEST_FIXTURES) / "user-volume.facts");
    return volume;
}

void buildMountedContent(const TMount& m) {
    auto file = [&](const std::wstring& path, const std::string& bytes) { writeBytes(m.at(path), bytes); };
    auto folder = [&](const std::wstring& path) { fs::create_directories(m.at(path)); };

    // Fragmented, first while the volume is empty: the stream and another file grow in turns, so
    // their clusters interleave.
    file(L"frag.bin", "fragmented stream");
    file(L"filler.bin", "");
    for (unsigned piece = 0; piece < 64; ++piece) {
        for (const wchar_t* path : {L"frag.bin:pieces", L"filler.bin"}) {
            std::ofstream out(m.at(path), std::ios::binary | std::ios::app);
            const std::string bytes = patternBytes(16 * 1024, 100 + piece);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
    }

    folder(L"docs");
    file(L"docs:folderstream", "on a folder");
    file(L"docs\\report one.txt", "Quarterly numbers\r\n");
    file(L"docs\\report one.txt:notes", "call Bob");
    file(L"docs\\report one.txt:Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
    setTimes(m.at(L"docs\\report one.txt"), kCreated, kWritten);
    file(L"docs\\several.bin", "main");
    file(L"docs\\several.bin:a", "1");
    file(L"docs\\several.bin:empty", "");
    file(L"docs\\several.bin:b", patternBytes(700, 2));
    file(L"docs\\several.bin:mid", patternBytes(5000, 3));
    file(L"docs\\several.bin:big", patternBytes(3u << 20, 4));
    file(L"docs\\Long File Name.document", "has an 8.3 name");
    file(L"docs\\Long File Name.document:s", "x");
    setShortName(m.at(L"docs\\Long File Name.document"), L"LONGFI~1.DOC");

    file(L"plain.txt", "just data");
    fs::create_hard_link(m.at(L"plain.txt"), m.at(L"docs\\hardlink.txt"));
    file(L"empty.txt", "");
    file(L"emptystream.txt", "e");
    file(L"emptystream.txt:void", "");
    file(L"name with spaces.txt", "spaces");
    file(L"name with spaces.txt:a stream with spaces", "spaced");
    file(L"a.b.c.d", "dots");
    file(L"a.b.c.d:dotted.name.stream", "dotted");
    file(L"..double", "leading dots");
    file(L"..double:..s", "leading dots in a stream name");
    file(L"Z\u00fcrich-\u65e5\u672c\u8a9e-\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.txt", "unicode");
    file(L"Z\u00fcrich-\u65e5\u672c\u8a9e-\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.txt:"
         L"\u00f1o\u00f1o-\u6d41",
         "unicode stream");
    file(L"emoji-\U0001F600.txt", "beyond the BMP");
    file(L"emoji-\U0001F600.txt:plain", "an ordinary stream");
    const std::wstring longName = L"L" + std::wstring(250, L'x') + L".txt";
    file(longName, "255 characters");
    file(longName + L":" + std::wstring(255, L'S'), "a stream name of 255 characters");
    file(L"hidden.txt", "hidden");
    file(L"hidden.txt:h", "in a hidden file");
    setAttributes(m.at(L"hidden.txt"), plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_ARCHIVE);
    file(L"system.txt", "system");
    file(L"system.txt:s", "in a system file");
    setAttributes(m.at(L"system.txt"), plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM);
    folder(L"Hidden folder");
    file(L"Hidden folder\\inside.txt", "inside");
    file(L"Hidden folder\\inside.txt:in", "in a hidden folder");
    setAttributes(m.at(L"Hidden folder"), plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_HIDDEN);

    std::wstring deep;
    for (int level = 1; level <= 12; ++level) {
        deep += (deep.empty() ? L"" : L"\\") + std::wstring(L"level") + std::to_wstring(level);
    }
    folder(deep);
    file(deep + L"\\deep.txt", "deep");
    file(deep + L"\\deep.txt:deep", "twelve levels down");

    // So many streams that the file's attributes move to extension records.
    file(L"many.txt", "many streams");
    for (int n = 0; n < 150; ++n) {
        file(L"many.txt:stream-" + std::to_wstring(1000 + n) + L"-with-a-longer-name-to-fill-records",
             "content " + std::to_string(n));
    }

    // Sparse: only the last bytes are written.
    {
        std::ofstream out(m.at(L"sparse.bin"), std::ios::binary);
        out.seekp((2 << 20) - 4);
        out.write("tail", 4);
    }

    // Compressed: files made in a folder marked for compression.
    folder(L"packed");
    setAttributes(m.at(L"packed"), plat::FILE_ATTRIBUTE_DIRECTORY | 0x800);
    std::string text;
    while (text.size() < 200 * 1024) {
        text += "The same line again and again, easy to compress. ";
    }
    file(L"packed\\text.txt", text);
    file(L"packed\\text.txt:ps", text.substr(0, 64 * 1024));
    // Every shape of unit: resident, one unit exactly, a unit and a chunk's part, incompressible units
    // (stored plainly), compressible and incompressible in turns, and holes between written units.
    file(L"packed\\tiny.txt", "small enough to stay in the record");
    file(L"packed\\tiny.txt:mark", "[ZoneTransfer]\r\nZoneId=3\r\n");
    file(L"packed\\unit.txt", text.substr(0, 64 * 1024));
    file(L"packed\\unit.txt:more", text.substr(0, 64 * 1024 + 4096 + 123));
    file(L"packed\\random.bin", patternBytes(200 * 1024 + 77, 7));
    file(L"packed\\random.bin:noise", patternBytes(70 * 1024, 8));
    std::string mixed;
    for (unsigned unit = 0; unit < 6; ++unit) {
        mixed += unit % 2 == 0 ? text.substr(0, 64 * 1024) : patternBytes(64 * 1024, 20 + unit);
    }
    file(L"packed\\mixed.bin", mixed.substr(0, mixed.size() - 1000));
    {
        std::ofstream out(m.at(L"packed\\holes.bin"), std::ios::binary);
        for (unsigned at : {0u, 3u, 4u, 9u}) {
            out.seekp(at * 64 * 1024 + 100);
            out.write(text.data(), 30000);
        }
    }
    {
        std::ofstream out(m.at(L"packed\\holes.bin:sparse"), std::ios::binary);
        out.seekp(5 << 20);
        out.write("end", 3);
    }
}

TFixtureVolume makeMountedVolume() {
    TFixtureVolume volume;
    volume.unavailable = toolsUnavailableReason();
    if (!volume.unavailable.empty()) {
        return volume;
    }
    volume.image = programScratch() / "mounted.img";
    if (!makeImage(volume.image, 24, "Mounted fixture")) {
        volume.unavailable = "mkntfs failed";
        return volume;
    }
    volume.unavailable =
        writeThroughMount(volume.image, "streams_interface=windows,compression", buildMountedContent);
    if (volume.unavailable.empty()) {
        volume.facts = readWithNtfs3g(volume.image);
    }
    return volume;
}

// Fills the volume with files, frees every other one, makes empty files until the MFT has grown into the
// holes, then frees the rest: the MFT ends in many extents.
void fragmentMft(const TMount& m) {
    fs::create_directories(m.at(L"fill"));
    const std::string block(64 * 1024, 'f');
    int fillers = 0;
    try {
        for (;; ++fillers) {
            std::ofstream out(m.at(L"fill\\" + std::to_wstring(fillers)), std::ios::binary);
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            out.close();
            if (!out) {
                break;
            }
        }
    } catch (const std::exception&) {
    }
    for (int n = 0; n < fillers; n += 2) {
        fs::remove(m.at(L"fill\\" + std::to_wstring(n)));
    }
    fs::create_directories(m.at(L"many"));
    for (int n = 0; n < 3000; ++n) {
        std::ofstream(m.at(L"many\\" + std::to_wstring(n)));
    }
    fs::remove_all(m.at(L"fill"));
}

void buildAgreementContent(const TMount& m, bool fragment) {
    auto file = [&](const std::wstring& path, const std::string& bytes) { writeBytes(m.at(path), bytes); };
    if (fragment) {
        fragmentMft(m);
    }
    file(L"three.txt", "three names");
    file(L"three.txt:s", "a stream of three names");
    fs::create_directories(m.at(L"links"));
    fs::create_hard_link(m.at(L"three.txt"), m.at(L"links\\second.txt"));
    fs::create_hard_link(m.at(L"three.txt"), m.at(L"links\\third.txt"));
    file(L"crowd.txt", "150 names");
    for (int n = 1; n < 150; ++n) {
        fs::create_hard_link(m.at(L"crowd.txt"), m.at(L"links\\crowd-name-" + std::to_wstring(n) + L".txt"));
    }
    file(L"links:folderstream", "on a folder");
    // Sparse streams within the volume's size (The Sleuth Kit refuses a hole larger than the volume,
    // which NTFS allows).
    {
        std::ofstream out(m.at(L"sparse.bin"), std::ios::binary);
        out.seekp(24 << 20);
        out.write("tail", 4);
    }
    {
        std::ofstream out(m.at(L"sparse.bin:holes"), std::ios::binary);
        out.write("head", 4);
        out.seekp(8 << 20);
        out.write("tail", 4);
    }
    fs::create_symlink("three.txt", m.at(L"link-to-three"));
}

TFixtureVolume makeAgreementVolume(const std::string& name, int sizeMiB, int clusterSize, int sectorSize,
                                   bool fragment = false) {
    TFixtureVolume volume;
    volume.unavailable = toolsUnavailableReason();
    if (!volume.unavailable.empty()) {
        return volume;
    }
    volume.image = programScratch() / (name + ".img");
    if (!makeImage(volume.image, sizeMiB, name, clusterSize, sectorSize)) {
        volume.unavailable = "mkntfs failed for " + name;
        return volume;
    }
    volume.unavailable = writeThroughMount(volume.image, "streams_interface=windows",
                                           [&](const TMount& m) { buildAgreementContent(m, fragment); });
    if (volume.unavailable.empty()) {
        volume.facts = readWithNtfs3g(volume.image);
    }
    return volume;
}

void buildLargeContent(const TMount& m) {
    for (int folder = 0; folder < 50; ++folder) {
        const std::wstring name = L"folder" + std::to_wstring(folder);
        fs::create_directories(m.at(name));
        for (int n = 0; n < 1000; ++n) {
            const std::wstring file = name + L"\\file" + std::to_wstring(n) + L".dat";
            if (n % 100 == 7) {
                writeBytes(m.at(file), patternBytes(100 + n, folder * 1000 + n));
                writeBytes(m.at(file + L":Zone.Identifier"), "[ZoneTransfer]\r\nZoneId=3\r\n");
            } else {
                std::ofstream(m.at(file));
            }
        }
    }
}

TFixtureVolume makeLargeVolume() {
    TFixtureVolume volume;
    volume.unavailable = toolsUnavailableReason();
    if (!volume.unavailable.empty()) {
        return volume;
    }
    const fs::path cache = fs::path(KW_TEST_CACHE);
    volume.image = cache / "large-50k-v1.img";
    if (!fs::exists(volume.image)) {
        fs::create_directories(cache);
        const fs::path partial = cache / "large-50k-v1.partial";
        if (!makeImage(partial, 256, "Large")) {
            volume.unavailable = "mkntfs failed";
            return volume;
        }
        volume.unavailable = writeThroughMount(partial, "streams_interface=windows", buildLargeContent);
        if (!volume.unavailable.empty()) {
            return volume;
        }
        fs::rename(partial, volume.image);
    }
    volume.facts = readWithNtfs3g(volume.image);
    return volume;
}

} // namespace

const TFixtureVolume& largeVolume() {
    static const TFixtureVolume volume = makeLargeVolume();
    return volume;
}

const TFixtureVolume& clusterVolume512() {
    static const TFixtureVolume volume = makeAgreementVolume("clusters512", 48, 512, 0, true);
    return volume;
}

const TFixtureVolume& clusterVolume64KiB4KiBSectors() {
    static const TFixtureVolume volume = makeAgreementVolume("clusters64k", 160, 65536, 4096);
    return volume;
}

const TFixtureVolume& clusterVolume2MiB() {
    static const TFixtureVolume volume = makeAgreementVolume("clusters2m", 2048, 2 << 20, 0);
    return volume;
}

const fs::path& programScratch() {
    static const TScratchFolder scratch;
    return scratch.path();
}

std::string patternBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

std::vector<TFileFacts> readWithNtfs3g(const fs::path& image) {
    std::vector<TFileFacts> facts;
    {
        TMount listing(image, makeMountPoint("list"), "ro,streams_interface=xattr");
        if (!listing.mounted()) {
            throw std::runtime_error("ntfs-3g could not mount " + image.string() + " to list it");
        }
        const fs::path root = listing.at(L"");
        for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
             ++it) {
            TFileFacts file;
            // Lexically: a symbolic link is listed under its own name, not its target's.
            std::wstring relative = fromUtf8(it->path().lexically_relative(root).string());
            std::replace(relative.begin(), relative.end(), L'/', L'\\');
            file.path = relative;
            if (it->is_symlink()) {
                file.linkTarget = fromUtf8(fs::read_symlink(it->path()).string());
                facts.push_back(std::move(file));
                continue;
            }
            file.folder = it->is_directory();
            file.size = file.folder ? 0 : fs::file_size(it->path());
            for (const std::wstring& name : listStreamNames(it->path())) {
                file.streams.push_back(TStreamFacts{name, 0, {}});
            }
            facts.push_back(std::move(file));
        }
    }
    TMount reading(image, makeMountPoint("read"), "ro,streams_interface=windows");
    if (!reading.mounted()) {
        throw std::runtime_error("ntfs-3g could not mount " + image.string() + " to read it");
    }
    // The xattr interface gives no sizes past 64 KiB, nor for the longest names: the sizes are those
    // of the bytes read.
    for (TFileFacts& file : facts) {
        if (!file.folder && file.linkTarget.empty()) {
            file.data = readBytes(reading.at(file.path));
        }
        for (TStreamFacts& stream : file.streams) {
            stream.bytes = readBytes(reading.at(file.path + L":" + stream.name));
            stream.size = stream.bytes.size();
        }
    }
    return facts;
}

const TFileFacts* TFixtureVolume::find(const std::wstring& path) const {
    for (const TFileFacts& file : facts) {
        if (file.path == path) {
            return &file;
        }
    }
    return nullptr;
}

const TFixtureVolume& copiedVolume() {
    static const TFixtureVolume volume = makeCopiedVolume();
    return volume;
}

const TFixtureVolume& userVolume() {
    static const TFixtureVolume volume = makeUserVolume();
    return volume;
}

std::vector<TFileFacts> userVolumeFactsFile() {
    return readFactsFile(fs::path(KW_TEST_FIXTURES) / "user-volume.facts");
}

const TFixtureVolume& mountedVolume() {
    static const TFixtureVolume volume = makeMountedVolume();
    return volume;
}

std::unique_ptr<plat::ntfs::TNtfsFileServices> openServices(const fs::path& image, wchar_t letter) {
    auto volume = ntfs::TNtfsVolume::open(ntfs::openImageFile(image));
    if (!volume) {
        return nullptr;
    }
    auto services = std::make_unique<plat::ntfs::TNtfsFileServices>();
    services->mount(letter, std::move(volume));
    return services;
}

} // namespace ntfstest
