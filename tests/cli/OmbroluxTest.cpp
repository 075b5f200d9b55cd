// The Linux binary of ombrolux run as a user runs it, on a volume written by mkntfs and ntfscp: its
// listing against The Sleuth Kit's fls, its hashes against sha256sum, its formats read back, its exit
// codes, errors and refusals.

#include "ntfs/NtfsImage.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

struct TRun {
    int code = -1;
    std::string out;
    std::string err;
};

// The program with its arguments (each given to the shell quoted), in the scratch folder.
TRun runShell(const std::string& command, const fs::path& folder) {
    const fs::path out = folder / "stdout";
    const fs::path err = folder / "stderr";
    const int status = std::system((command + " >" + quoted(out) + " 2>" + quoted(err)).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

TRun ombrolux(const std::vector<std::string>& args, const fs::path& folder) {
    std::string command = quoted(KW_OMBROLUX);
    for (const std::string& arg : args) {
        command += " " + quoted(arg);
    }
    return runShell(command, folder);
}

const std::string kMark =
    "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://a.test/\r\nHostUrl=https://a.test/s.exe\r\n";

class OmbroluxTest : public ::testing::Test {
protected:
    // One volume for all the cases: a download with a small mark and a payload stream, a file whose
    // name and streams need quoting, one past the BMP, and a file without streams.
    static void SetUpTestSuite() {
        folder = new ntfstest::TScratchFolder;
        const fs::path dir = folder->path();
        image = dir / "volume.img";
        writeFile(dir / "mark", kMark);
        payload.clear();
        for (int i = 0; i < 2500000; ++i) {
            payload += static_cast<char>((static_cast<long long>(i) * 7919) % 251);
        }
        writeFile(dir / "payload", payload);
        writeFile(dir / "small", "abc");
        ready = ntfstest::makeImage(image, 16, "cli") &&
                ntfstest::ntfscp(image, dir / "small", L"setup.exe") &&
                ntfstest::ntfscp(image, dir / "mark", L"setup.exe", L"Zone.Identifier") &&
                ntfstest::ntfscp(image, dir / "payload", L"setup.exe", L"payload") &&
                ntfstest::ntfscp(image, dir / "small", L"notes, q.txt") &&
                ntfstest::ntfscp(image, dir / "small", L"notes, q.txt", L"line\nbreak, \"x\"") &&
                ntfstest::ntfscp(image, dir / "small", L"notes, q.txt", L"smile \U0001F600") &&
                ntfstest::ntfscp(image, dir / "small", L"plain.txt");
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    void SetUp() override {
        if (!ready) {
            GTEST_SKIP() << "mkntfs or ntfscp could not make the volume here";
        }
    }
    // A whole disk: an MBR with the volume as partitions 1 and 3 and a Linux partition between them.
    static fs::path makeDisk() {
        const fs::path dir = folder->path();
        const std::string volume = readFile(image);
        const std::uint32_t sectors = static_cast<std::uint32_t>(volume.size() / 512);
        std::string disk(2048 * 512, '\0');
        const auto entry = [&disk](int slot, std::uint8_t type, std::uint32_t start, std::uint32_t count) {
            const std::size_t at = 0x1BE + 16 * static_cast<std::size_t>(slot);
            disk[at + 4] = static_cast<char>(type);
            for (int i = 0; i < 4; ++i) {
                disk[at + 8 + static_cast<std::size_t>(i)] = static_cast<char>((start >> (8 * i)) & 0xFF);
                disk[at + 12 + static_cast<std::size_t>(i)] = static_cast<char>((count >> (8 * i)) & 0xFF);
            }
        };
        entry(0, 0x07, 2048, sectors);
        entry(1, 0x83, 2048 + sectors, 2048);
        entry(2, 0x07, 4096 + sectors, sectors);
        disk[510] = '\x55';
        disk[511] = '\xAA';
        disk += volume + std::string(2048 * 512, '\0') + volume;
        const fs::path diskImage = dir / "disk.img";
        writeFile(diskImage, disk);
        return diskImage;
    }
    static void writeFile(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static inline ntfstest::TScratchFolder* folder = nullptr;
    static inline fs::path image;
    static inline std::string payload;
    static inline bool ready = false;
};

TEST_F(OmbroluxTest, ListsEveryStreamFlsListsWithHashesAndDecodedMarks) {
    const TRun run =
        ombrolux({"scan", image.string(), "--include-zone", "--hash", "--format", "jsonl"}, folder->path());
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ("", run.err);

    // The records on their own: hashes and decoded marks need no second reader.
    std::set<std::string> listed;
    std::istringstream records(run.out);
    std::string payloadHash;
    int marks = 0;
    for (std::string line; std::getline(records, line);) {
        const nlohmann::json record = nlohmann::json::parse(line);
        listed.insert(record["full_path"].get<std::string>());
        EXPECT_EQ(image.string(), record["source"]);
        if (record["stream_name"] == "payload") {
            payloadHash = record["sha256"];
            EXPECT_EQ(2500000, record["size"]);
        }
        if (record["stream_name"] == "Zone.Identifier") {
            ++marks;
            EXPECT_EQ(true, record["zone"]["readable"]);
            EXPECT_EQ(3, record["zone"]["zone_id"]);
            EXPECT_EQ("Internet", record["zone"]["zone_name"]);
            EXPECT_EQ("https://a.test/s.exe", record["zone"]["fields"]["HostUrl"]);
            EXPECT_EQ("https://a.test/", record["zone"]["fields"]["ReferrerUrl"]);
        }
    }
    EXPECT_EQ(marks, 1) << "the download mark is listed and decoded";
    EXPECT_EQ(4u, listed.size());
    EXPECT_TRUE(listed.count("\\notes, q.txt:line|0Abreak, |22x|22") == 1);
    EXPECT_TRUE(listed.count("\\notes, q.txt:smile \xF0\x9F\x98\x80") == 1);
    const TRun sum = runShell("sha256sum " + quoted((folder->path() / "payload").string()), folder->path());
    ASSERT_EQ(sum.code, 0) << sum.err;
    EXPECT_EQ(sum.out.substr(0, 64), payloadHash);

    // fls names streams "path:stream" below the root with "/"; the program "\path:stream". Only this
    // comparison needs it.
    const TRun fls = runShell("fls -r -p " + quoted(image.string()), folder->path());
    if (fls.code != 0) {
        GTEST_SKIP() << "fls is not available, the listing is not compared with its: " << fls.err;
    }
    std::set<std::string> expected;
    std::istringstream lines(fls.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        const std::string path = line.substr(tab + 1);
        if (path.find(':') != std::string::npos && path[0] != '$') {
            expected.insert("\\" + path);
        }
    }
    // Names come escaped ("|0A" for a line break, "|22" for a quote); fls shows a control character
    // as "^" and the rest as it stands.
    std::set<std::string> listedAsFls;
    for (const std::string& path : listed) {
        std::string shown;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (path[i] == '|' && i + 2 < path.size()) {
                const char c = static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16));
                shown += static_cast<unsigned char>(c) < 0x20 ? '^' : c;
                i += 2;
            } else {
                shown += path[i];
            }
        }
        listedAsFls.insert(shown);
    }
    EXPECT_EQ(expected, listedAsFls);
}

TEST_F(OmbroluxTest, LeavesSmallMarksOutAndFiltersByWildcard) {
    TRun run = ombrolux({"scan", image.string()}, folder->path());
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ(std::string::npos, run.out.find("Zone.Identifier"));
    // Each line names the file's MFT record and sequence ("mft 64-1").
    const std::regex mft("  mft [0-9]+-[0-9]+");
    EXPECT_EQ(
        std::count(run.out.begin(), run.out.end(), '\n'),
        std::distance(std::sregex_iterator(run.out.begin(), run.out.end(), mft), std::sregex_iterator()));
    std::string out = std::regex_replace(run.out, mft, "");
    EXPECT_NE(
        std::string::npos,
        out.find("suspicious  " + image.string() +
                 "\\setup.exe:payload  2500000 bytes  Random-looking data (encrypted or compressed)\n"));
    // A newline in a name stays on the stream's one line, escaped as everywhere.
    EXPECT_NE(std::string::npos, out.find("unknown     " + image.string() +
                                          "\\notes, q.txt:line|0Abreak, |22x|22  3 bytes  Text (ASCII)\n"));

    run = ombrolux({"scan", image.string(), "--wildcard", "*.exe", "--include-zone", "--no-recurse"},
                   folder->path());
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ("suspicious  " + image.string() +
                  "\\setup.exe:payload  2500000 bytes  Random-looking data (encrypted or compressed)\n"
                  "known       " +
                  image.string() +
                  "\\setup.exe:Zone.Identifier  85 bytes  Download mark (zone 3, Internet, from a.test)  "
                  "zone 3 (Internet)  ReferrerUrl=https://a.test/  HostUrl=https://a.test/s.exe\n",
              std::regex_replace(run.out, mft, ""));
}

TEST_F(OmbroluxTest, OnlyListsTheStreamsOfOneVerdict) {
    TRun run = ombrolux({"scan", image.string(), "--include-zone", "--only", "suspicious"}, folder->path());
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ("suspicious  " + image.string() +
                  "\\setup.exe:payload  2500000 bytes  Random-looking data (encrypted or compressed)\n",
              std::regex_replace(run.out, std::regex("  mft [0-9]+-[0-9]+"), ""));
    run = ombrolux({"scan", image.string(), "--include-zone", "--only", "unknown", "--format", "jsonl"},
                   folder->path());
    ASSERT_EQ(0, run.code) << run.err;
    std::multiset<std::string> listed;
    std::istringstream records(run.out);
    for (std::string line; std::getline(records, line);) {
        const nlohmann::json record = nlohmann::json::parse(line);
        EXPECT_EQ("unknown", record["verdict"]);
        EXPECT_EQ("text", record["kind"]);
        EXPECT_FALSE(record["reasons"].empty());
        EXPECT_LT(record["entropy"].get<double>(), 2);
        listed.insert(record["stream_name"].get<std::string>());
    }
    EXPECT_EQ((std::multiset<std::string>{"line|0Abreak, |22x|22", "smile \xF0\x9F\x98\x80"}), listed);
    run = ombrolux({"scan", image.string(), "--only", "known"}, folder->path());
    EXPECT_EQ(2, run.code);
}

TEST_F(OmbroluxTest, ASmallMarkThatIsNoMarkIsListedSuspicious) {
    const fs::path dir = folder->path();
    const fs::path marks = dir / "marks.img";
    writeFile(dir / "junk", std::string(97, '\x90'));
    writeFile(dir / "real", "[ZoneTransfer]\r\nZoneId=3\r\n");
    if (!ntfstest::makeImage(marks, 16, "marks") || !ntfstest::ntfscp(marks, dir / "small", L"a.txt") ||
        !ntfstest::ntfscp(marks, dir / "junk", L"a.txt", L"Zone.Identifier") ||
        !ntfstest::ntfscp(marks, dir / "small", L"b.exe") ||
        !ntfstest::ntfscp(marks, dir / "real", L"b.exe", L"Zone.Identifier")) {
        GTEST_SKIP() << "mkntfs or ntfscp could not make the volume here";
    }
    const TRun run = ombrolux({"scan", marks.string()}, dir);
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ("suspicious  " + marks.string() +
                  "\\a.txt:Zone.Identifier  97 bytes  Binary data  zone unreadable (not UTF-8 or "
                  "UTF-16 text)\n",
              std::regex_replace(run.out, std::regex("  mft [0-9]+-[0-9]+"), ""));
    fs::remove(marks);
}

TEST_F(OmbroluxTest, CsvReadsBackInPython) {
    const fs::path csv = folder->path() / "out.csv";
    fs::remove(csv);
    const TRun run =
        ombrolux({"scan", image.string(), "--format", "csv", "--preview", "3", "--output", csv.string()},
                 folder->path());
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ("", run.out);
    const TRun python = runShell("python3 -c " +
                                     quoted("import csv,sys\n"
                                            "rows = list(csv.DictReader(open(sys.argv[1], newline='', "
                                            "encoding='utf-8')))\n"
                                            "for r in sorted(rows, key=lambda r: r['full_path']):\n"
                                            "    print(repr(r['full_path']), r['size'], r['preview'])\n") +
                                     " " + quoted(csv.string()),
                                 folder->path());
    EXPECT_EQ("'\\\\notes, q.txt:line|0Abreak, |22x|22' 3 abc\n"
              "'\\\\notes, q.txt:smile 😀' 3 abc\n"
              "'\\\\setup.exe:payload' 2500000 00,8A,19\n",
              python.out)
        << python.err;
}

TEST_F(OmbroluxTest, ExitCodesErrorsAndRefusals) {
    const fs::path dir = folder->path();
    writeFile(dir / "not-ntfs.bin", std::string(4096, 'x'));

    // A target that cannot be read: named with the reason on stderr, the others still reported, 1.
    TRun run = ombrolux(
        {"scan", (dir / "missing.img").string(), (dir / "not-ntfs.bin").string(), image.string()}, dir);
    EXPECT_EQ(1, run.code);
    EXPECT_NE(std::string::npos, run.err.find((dir / "missing.img").string() + ": no such file or device\n"));
    EXPECT_NE(std::string::npos,
              run.err.find((dir / "not-ntfs.bin").string() +
                           ": no NTFS volume in not-ntfs.bin (no partition table and no NTFS boot sector)\n"))
        << run.err;
    EXPECT_NE(std::string::npos, run.out.find("\\setup.exe:payload"));

    // Usage errors: 2, nothing on stdout.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"scan"},
                                                 {"scan", image.string(), "--bogus"},
                                                 {"scan", image.string(), "--preview", "5000"},
                                                 {"scan", image.string(), "--format", "xml"},
                                                 {"scan", image.string(), "--force"},
                                                 {"list"},
                                                 {"cat"},
                                                 {"cat", image.string() + "\\a:b", "extra"},
                                                 {"save", image.string() + "\\setup.exe:payload"},
                                                 {"save", "--to", dir.string()},
                                                 {"delete", "--yes"},
                                                 {}}) {
        run = ombrolux(args, dir);
        EXPECT_EQ(2, run.code) << (args.empty() ? "" : args.back());
        EXPECT_EQ("", run.out);
        EXPECT_NE("", run.err);
    }

    // The output file is never overwritten without --force.
    const fs::path existing = dir / "existing.txt";
    writeFile(existing, "keep me");
    run = ombrolux({"scan", image.string(), "--output", existing.string()}, dir);
    EXPECT_EQ(2, run.code);
    EXPECT_NE(std::string::npos, run.err.find(existing.string() + ": already exists"));
    EXPECT_EQ("keep me", readFile(existing));
    run = ombrolux({"scan", image.string(), "--output", existing.string(), "--force"}, dir);
    EXPECT_EQ(0, run.code) << run.err;
    EXPECT_NE(std::string::npos, readFile(existing).find("\\setup.exe:payload"));

    run = ombrolux({"--help"}, dir);
    EXPECT_EQ(0, run.code);
    EXPECT_NE(std::string::npos, run.out.find("scan"));
    EXPECT_NE(std::string::npos, run.out.find("cat"));
    EXPECT_NE(std::string::npos, run.out.find("save"));
    run = ombrolux({"--version"}, dir);
    EXPECT_EQ(0, run.code);
    EXPECT_EQ("ombrolux 1.0.0\n", run.out);
}

// Neither the report (scan --output, with or without --force), nor saved streams (save --to) or their
// manifest, are ever written over an image being read, whatever name leads to it, nor over any other
// file the image is read from.
TEST_F(OmbroluxTest, NothingIsEverWrittenOverAnImageItReadsWhateverNameLeadsToIt) {
    const fs::path dir = folder->path();
    const std::string before = readFile(image);
    const fs::path link = dir / "link-to-volume";
    const fs::path hard = dir / "hard-link.img";
    fs::remove(link);
    fs::remove(hard);
    fs::create_symlink(image, link);
    fs::create_hard_link(image, hard);
    const std::string relative = fs::relative(image, fs::current_path()).string();
    const fs::path other = dir / "other.img";
    writeFile(other, readFile(image));
    // The volume split in two, read from its first segment.
    const fs::path firstSegment = dir / "split.001";
    const fs::path secondSegment = dir / "split.002";
    writeFile(firstSegment, before.substr(0, before.size() / 2));
    writeFile(secondSegment, before.substr(before.size() / 2));
    const struct {
        const char* what;
        std::vector<std::string> targets;
        std::string output;
        fs::path overwritten;
    } cases[] = {
        {"the same path", {image.string()}, image.string(), image},
        {"a symbolic link to it", {image.string()}, link.string(), image},
        {"a hard link to it", {image.string()}, hard.string(), image},
        {"a relative path to it", {image.string()}, relative, image},
        {"the second of two targets", {other.string(), image.string()}, image.string(), image},
        {"a target named through a link", {link.string()}, image.string(), image},
        {"a later segment of the target", {firstSegment.string()}, secondSegment.string(), secondSegment},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string overwrittenBefore = readFile(c.overwritten);
        std::vector<std::vector<std::string>> commands;
        for (const bool force : {false, true}) {
            std::vector<std::string> args = {"scan"};
            args.insert(args.end(), c.targets.begin(), c.targets.end());
            args.insert(args.end(), {"--output", c.output});
            if (force) {
                args.push_back("--force");
            }
            commands.push_back(args);
        }
        std::vector<std::string> save = {"save"};
        for (const std::string& target : c.targets) {
            save.push_back(target + "\\setup.exe:payload");
        }
        std::vector<std::string> manifest = save;
        save.insert(save.end(), {"--to", c.output});
        manifest.insert(manifest.end(), {"--to", dir.string(), "--manifest", c.output});
        commands.push_back(save);
        commands.push_back(manifest);
        for (const std::vector<std::string>& args : commands) {
            SCOPED_TRACE(args.front() + " ... " + args[args.size() - 2]);
            const TRun run = ombrolux(args, dir);
            EXPECT_EQ(2, run.code) << run.err;
            EXPECT_EQ("", run.out);
            EXPECT_NE(std::string::npos, run.err.find(c.output + ": is ")) << run.err;
            EXPECT_NE(std::string::npos, run.err.find("which is being read")) << run.err;
        }
        EXPECT_TRUE(readFile(c.overwritten) == overwrittenBefore) << "the file read is unchanged";
    }
    EXPECT_TRUE(readFile(image) == before) << "the image is unchanged";
    fs::remove(link);
    fs::remove(hard);
    fs::remove(other);
    fs::remove(firstSegment);
    fs::remove(secondSegment);
}

// The streams fls lists for files in use, as "\\path:stream", leaving out the volume's own files.
std::set<std::string> flsStreams(const fs::path& volume, const fs::path& folder) {
    const TRun fls = runShell("fls -r -p " + quoted(volume.string()), folder);
    std::set<std::string> streams;
    std::istringstream lines(fls.out);
    for (std::string line; std::getline(lines, line);) {
        const std::string path = line.substr(line.find('\t') + 1);
        const bool metafile = path[0] == '$' && path.rfind("$Recycle.Bin", 0) != 0;
        // fls lists a folder's streams once more under its "." entry.
        const bool dotEntry = path.find("/.:") != std::string::npos || path.find("/..:") != std::string::npos;
        if (path.find(':') != std::string::npos && !metafile && !dotEntry &&
            line.find('*') == std::string::npos) {
            std::string shown = "\\" + path;
            std::replace(shown.begin(), shown.end(), '/', '\\');
            streams.insert(shown);
        }
    }
    return streams;
}

std::set<std::string> listedStreams(const TRun& run) {
    std::set<std::string> listed;
    std::istringstream records(run.out);
    for (std::string line; std::getline(records, line);) {
        listed.insert(nlohmann::json::parse(line)["full_path"].get<std::string>());
    }
    return listed;
}

TEST_F(OmbroluxTest, EveryFolderOfTheImageIsEnteredHiddenAndSystemOnesIncluded) {
    if (const std::string& reason = ntfstest::toolsUnavailableReason(); !reason.empty()) {
        GTEST_SKIP() << reason;
    }
    const fs::path dir = folder->path();
    const fs::path volume = dir / "hidden.img";
    ASSERT_TRUE(ntfstest::makeImage(volume, 16, "hidden"));
    {
        const fs::path mountPoint = dir / "mnt";
        fs::create_directories(mountPoint);
        ntfstest::TMount mount(volume, mountPoint, "streams_interface=windows");
        if (!mount.mounted()) {
            GTEST_SKIP() << "the ntfs-3g mount is not available here";
        }
        const plat::DWORD hiddenSystem = plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM;
        fs::create_directories(mount.at(L"$Recycle.Bin\\S-1-5-21-7\\deeper"));
        fs::create_directories(mount.at(L"System Volume Information"));
        fs::create_directories(mount.at(L"Users\\ann"));
        ntfstest::writeBytes(mount.at(L"$Recycle.Bin\\S-1-5-21-7\\$RX1.exe"), "x");
        ntfstest::writeBytes(mount.at(L"$Recycle.Bin\\S-1-5-21-7\\$RX1.exe:payload"), "parked");
        ntfstest::writeBytes(mount.at(L"$Recycle.Bin\\S-1-5-21-7\\deeper\\f.dll"), "y");
        ntfstest::writeBytes(mount.at(L"$Recycle.Bin\\S-1-5-21-7\\deeper\\f.dll:z"), "z");
        ntfstest::writeBytes(mount.at(L"$Recycle.Bin:tag"), "on the hidden folder itself");
        ntfstest::writeBytes(mount.at(L"System Volume Information\\tracking.log"), "t");
        ntfstest::writeBytes(mount.at(L"System Volume Information\\tracking.log:s"), "s");
        ntfstest::writeBytes(mount.at(L"Users\\ann\\a.txt"), "a");
        ntfstest::writeBytes(mount.at(L"Users\\ann\\a.txt:notes"), "n");
        ntfstest::setAttributes(mount.at(L"$Recycle.Bin"), hiddenSystem);
        ntfstest::setAttributes(mount.at(L"$Recycle.Bin\\S-1-5-21-7"), plat::FILE_ATTRIBUTE_SYSTEM);
        ntfstest::setAttributes(mount.at(L"System Volume Information"), hiddenSystem);
        ASSERT_TRUE(mount.unmount());
    }
    const std::set<std::string> expected = flsStreams(volume, dir);
    if (expected.empty()) {
        GTEST_SKIP() << "fls is not available";
    }
    ASSERT_EQ(expected.size(), 5u) << "fls lists the streams written";

    // By default every folder is entered: what fls lists, and no other.
    TRun run = ombrolux({"scan", volume.string(), "--format", "jsonl"}, dir);
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ(expected, listedStreams(run));

    // The window's rule on request: hidden and system folders asked for their own streams, not entered.
    run = ombrolux({"scan", volume.string(), "--format", "jsonl", "--skip-hidden-folders"}, dir);
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ(listedStreams(run), (std::set<std::string>{"\\$Recycle.Bin:tag", "\\Users\\ann\\a.txt:notes"}));
}

TEST_F(OmbroluxTest, RecordsSkippedAsDamagedAreNamedAndCountedWithExitCodeOne) {
    const fs::path dir = folder->path();
    std::string bytes = readFile(image);
    ASSERT_TRUE(ntfstest::tearRecordOf(bytes, L"plain.txt"));
    const fs::path torn = dir / "torn.img";
    writeFile(torn, bytes);
    const TRun run = ombrolux({"scan", torn.string()}, dir);
    EXPECT_EQ(1, run.code);
    EXPECT_NE(std::string::npos, run.out.find("\\setup.exe:payload")) << "the rest is still listed";
    EXPECT_NE(
        std::string::npos,
        run.err.find("ombrolux: " + torn.string() +
                     ": 1 record of its master file table skipped as damaged; what it holds is missing\n"))
        << run.err;
    EXPECT_NE(std::string::npos,
              run.err.find("ombrolux: the listing is incomplete: 1 damaged record skipped\n"))
        << run.err;
    fs::remove(torn);
}

TEST_F(OmbroluxTest, DeleteRefusesEveryPathOnLinuxAndLeavesTheImageAsItWas) {
    const fs::path dir = folder->path();
    const std::string before = readFile(image);
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {image.string() + "\\setup.exe:payload", "in a disk image, which ombrolux only reads"},
        {"C:\\setup.exe:payload", "streams are deleted on Windows only"},
        {(dir / "small").string() + ":x", "streams are deleted on Windows only"},
    };
    for (const auto& c : cases) {
        const TRun run = ombrolux({"delete", "--yes", c.path}, dir);
        EXPECT_EQ(1, run.code) << c.path;
        EXPECT_EQ("", run.out);
        EXPECT_EQ(0u, run.err.find("ombrolux: " + c.path + ": " + c.reason)) << run.err;
    }
    EXPECT_TRUE(readFile(image) == before);
    EXPECT_TRUE(fs::exists(dir / "small"));
}

TEST_F(OmbroluxTest, ScansEveryNtfsPartitionOfADiskAndNamesEach) {
    const fs::path dir = folder->path();
    const fs::path diskImage = makeDisk();

    // Each partition gives what the volume alone gives, named by its number.
    const auto listing = [&dir](const fs::path& target) {
        const TRun run = ombrolux({"scan", target.string(), "--format", "jsonl"}, dir);
        EXPECT_EQ(0, run.code) << run.err;
        std::multiset<std::string> listed;
        std::istringstream records(run.out);
        for (std::string line; std::getline(records, line);) {
            const nlohmann::json record = nlohmann::json::parse(line);
            listed.insert(record["source"].get<std::string>() + record["full_path"].get<std::string>());
        }
        return listed;
    };
    std::multiset<std::string> expected;
    for (const std::string& listed : listing(image)) {
        const std::string path = listed.substr(image.string().size());
        expected.insert(diskImage.string() + " [1]" + path);
        expected.insert(diskImage.string() + " [3]" + path);
    }
    EXPECT_EQ(6u, expected.size());
    EXPECT_EQ(expected, listing(diskImage));
}

// An E01 of the two-partition disk, in segments: scan, cat and info read it as the raw disk; a missing
// segment is named.
TEST_F(OmbroluxTest, ReadsAnE01AsTheRawDiskAndDescribesIt) {
    const fs::path dir = folder->path();
    const fs::path diskImage = makeDisk();
    if (runShell("command -v ewfacquire", dir).code != 0) {
        GTEST_SKIP() << "ewfacquire is not installed (scripts/setup.sh installs ewf-tools)";
    }
    const fs::path ewfFolder = dir / "ewf";
    fs::create_directories(ewfFolder);
    ASSERT_EQ(0, runShell("ewfacquire -u -q -c none -S 10MiB -C case-7 -e Ann -t " +
                              quoted((ewfFolder / "evidence").string()) + " " + quoted(diskImage.string()),
                          dir)
                     .code);
    const fs::path first = ewfFolder / "evidence.E01";
    ASSERT_TRUE(fs::exists(ewfFolder / "evidence.E03"));

    const auto records = [&dir](const fs::path& target) {
        const TRun run =
            ombrolux({"scan", target.string(), "--format", "jsonl", "--hash", "--include-zone"}, dir);
        EXPECT_EQ(0, run.code) << run.err;
        std::multiset<std::string> listed;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            nlohmann::json record = nlohmann::json::parse(line);
            std::string source = record["source"].get<std::string>();
            record["source"] = source.substr(source.find(" ["));
            listed.insert(record.dump());
        }
        return listed;
    };
    const std::multiset<std::string> raw = records(diskImage);
    EXPECT_EQ(8u, raw.size()); // four streams with --include-zone, in each of the two volumes
    EXPECT_EQ(raw, records(first));

    const TRun cat = ombrolux({"cat", first.string() + " [3]\\setup.exe:payload"}, dir);
    EXPECT_EQ(0, cat.code) << cat.err;
    EXPECT_TRUE(cat.out == payload) << cat.out.size();

    const TRun info = ombrolux({"info", first.string(), "--format", "json"}, dir);
    ASSERT_EQ(0, info.code) << info.err;
    const nlohmann::json described = nlohmann::json::parse(info.out);
    EXPECT_EQ(described["format"], "EWF (EnCase 6)");
    EXPECT_GE(described["segments"].size(), 3u);
    EXPECT_EQ(described["segments"][1], "evidence.E02");
    EXPECT_EQ(described["media_size"], fs::file_size(diskImage));
    EXPECT_EQ(described["notes"]["case number"], "case-7");
    EXPECT_EQ(described["notes"]["examiner"], "Ann");
    EXPECT_EQ(described["notes"]["MD5"].get<std::string>().size(), 32u);
    EXPECT_EQ(described["partition_table"], "MBR");
    ASSERT_EQ(described["partitions"].size(), 3u);
    EXPECT_EQ(described["partitions"][0]["ntfs"], true);
    EXPECT_EQ(described["partitions"][0]["label"], "cli");
    EXPECT_EQ(described["partitions"][1]["ntfs"], false);
    EXPECT_EQ(described["partitions"][2]["number"], 3);

    fs::remove(ewfFolder / "evidence.E02");
    for (const char* command : {"scan", "info"}) {
        const TRun missing = ombrolux({command, first.string()}, dir);
        EXPECT_EQ(1, missing.code);
        EXPECT_NE(missing.err.find("evidence.E02 is missing: the image has "), std::string::npos)
            << missing.err;
    }
}

TEST_F(OmbroluxTest, CatWritesAStreamUnchangedOrNamesWhyNot) {
    const fs::path dir = folder->path();
    TRun run = ombrolux({"cat", image.string() + "\\setup.exe:payload"}, dir);
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ("", run.err);
    EXPECT_TRUE(run.out == payload) << run.out.size() << " bytes";
    // The Sleuth Kit reads the same stream by its attribute: "Type: $DATA (128-N)   Name: payload".
    const TRun found = runShell("ifind -n setup.exe " + quoted(image.string()), dir);
    const std::string inode = found.out.substr(0, found.out.find('\n'));
    const TRun attributes = runShell("istat " + quoted(image.string()) + " " + quoted(inode), dir);
    const std::size_t named = attributes.out.find("Name: payload");
    const std::size_t type = attributes.out.rfind("(128-", named);
    if (found.code == 0 && named != std::string::npos && type != std::string::npos) {
        const std::string id = attributes.out.substr(type + 1, attributes.out.find(')', type) - type - 1);
        const TRun icat = runShell("icat " + quoted(image.string()) + " " + quoted(inode + "-" + id), dir);
        EXPECT_EQ(0, icat.code) << icat.err;
        EXPECT_TRUE(icat.out == run.out) << icat.out.size() << " bytes from icat";
        // The same address fls and icat use names the stream for cat and save too.
        const std::string address = image.string() + "#" + inode + "-" + id;
        const TRun byAddress = ombrolux({"cat", address}, dir);
        EXPECT_EQ(0, byAddress.code) << byAddress.err;
        EXPECT_TRUE(byAddress.out == payload) << byAddress.out.size() << " bytes by " << address;
        const fs::path to = dir / "by-address";
        fs::remove_all(to);
        fs::create_directory(to);
        const TRun saved = ombrolux({"save", address, "--to", to.string()}, dir);
        EXPECT_EQ(0, saved.code) << saved.err;
        EXPECT_TRUE(readFile(to / "payload") == payload);
        const struct {
            std::string address;
            std::string reason;
        } refused[] = {
            {image.string() + "#" + inode + "-128-999",
             "MFT entry " + inode + " has no $DATA attribute with id 999"},
            {image.string() + "#9999-128-1", "no file in use has MFT entry 9999"},
        };
        for (const auto& r : refused) {
            const TRun failed = ombrolux({"cat", r.address}, dir);
            EXPECT_EQ(1, failed.code);
            EXPECT_EQ("ombrolux: " + r.address + ": " + r.reason + "\n", failed.err);
        }
    } else {
        std::cout << "icat comparison skipped: ifind or istat is not available here\n";
    }
    run = ombrolux({"cat", image.string() + "\\notes, q.txt:smile \xF0\x9F\x98\x80"}, dir);
    EXPECT_EQ(0, run.code) << run.err;
    EXPECT_EQ("abc", run.out);

    const struct {
        std::string path;
        std::string reason;
    } failures[] = {
        {image.string() + "\\setup.exe:missing",
         "no stream \"missing\" in " + image.string() + "\\setup.exe"},
        {image.string() + "\\nofile.exe:payload", "no file or folder " + image.string() + "\\nofile.exe"},
        {image.string() + " [2]\\setup.exe:payload", "no NTFS volume is named " + image.string() + " [2]"},
        {(dir / "missing.img").string() + "\\setup.exe:payload",
         "no disk image or device " + (dir / "missing.img").string()},
    };
    for (const auto& failure : failures) {
        run = ombrolux({"cat", failure.path}, dir);
        EXPECT_EQ(1, run.code) << failure.path;
        EXPECT_EQ("", run.out);
        EXPECT_EQ(0u, run.err.find("ombrolux: " + failure.path + ": " + failure.reason)) << run.err;
    }
}

TEST_F(OmbroluxTest, SavesAsNewFilesWithSafeNamesAndNeverOverwrites) {
    const fs::path to = folder->path() / "saved";
    fs::remove_all(to);
    fs::create_directory(to);
    const std::vector<std::string> args = {"save",
                                           image.string() + "\\setup.exe:payload",
                                           image.string() + "\\setup.exe:missing",
                                           image.string() + "\\notes, q.txt:line|0Abreak, |22x|22",
                                           "--to",
                                           to.string()};
    TRun run = ombrolux(args, folder->path());
    EXPECT_EQ(1, run.code);
    EXPECT_EQ((to / "payload").string() + "\n" + (to / "line_break, _x_").string() + "\n", run.out);
    EXPECT_EQ("ombrolux: " + image.string() + "\\setup.exe:missing: no stream \"missing\" in " +
                  image.string() + "\\setup.exe\n",
              run.err);
    EXPECT_TRUE(readFile(to / "payload") == payload);
    EXPECT_EQ("abc", readFile(to / "line_break, _x_"));

    // Saved again: new names, the first copies untouched, nothing left of the stream that failed.
    writeFile(to / "payload", "first copy");
    run = ombrolux(args, folder->path());
    EXPECT_EQ(1, run.code);
    EXPECT_EQ((to / "payload(1)").string() + "\n" + (to / "line_break, _x_(1)").string() + "\n", run.out);
    EXPECT_EQ("first copy", readFile(to / "payload"));
    EXPECT_TRUE(readFile(to / "payload(1)") == payload);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(to)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ((std::set<std::string>{"payload", "payload(1)", "line_break, _x_", "line_break, _x_(1)"}),
              names);

    run = ombrolux({"save", image.string() + "\\setup.exe:payload", "--to", (to / "nowhere").string()},
                   folder->path());
    EXPECT_EQ(1, run.code);
    EXPECT_EQ("ombrolux: " + (to / "nowhere").string() + ": no such folder\n", run.err);
}

TEST_F(OmbroluxTest, CatsAndSavesFromAPartitionNamedAsScanNamesIt) {
    const fs::path dir = folder->path();
    const fs::path disk = makeDisk();
    TRun run = ombrolux({"cat", disk.string() + " [3]\\setup.exe:payload"}, dir);
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_TRUE(run.out == payload);

    const fs::path to = dir / "from-disk";
    fs::remove_all(to);
    fs::create_directory(to);
    run = ombrolux({"save", disk.string() + " [1]\\notes, q.txt:smile \xF0\x9F\x98\x80", "--to", to.string()},
                   dir);
    EXPECT_EQ(0, run.code) << run.err;
    EXPECT_EQ((to / "smile \xF0\x9F\x98\x80").string() + "\n", run.out);
    EXPECT_EQ("abc", readFile(to / "smile \xF0\x9F\x98\x80"));

    // Without its number the disk does not say which partition.
    run = ombrolux({"cat", disk.string() + "\\setup.exe:payload"}, dir);
    EXPECT_EQ(1, run.code);
    EXPECT_EQ("ombrolux: " + disk.string() + "\\setup.exe:payload: no NTFS volume is named " + disk.string() +
                  " (there are: " + disk.string() + " [1], " + disk.string() + " [3])\n",
              run.err);
}

// The disk split as split names its pieces (xaa, xab, …): scan, cat and save read it whole when --split
// says so; without it xaa is a raw image of its own, too short for the partitions.
TEST_F(OmbroluxTest, ScansCatsAndSavesXaaSegmentsWhenAsked) {
    const fs::path dir = folder->path();
    const fs::path disk = makeDisk();
    const fs::path pieces = dir / "pieces";
    fs::create_directories(pieces);
    ASSERT_EQ(
        0, runShell("cd " + quoted(pieces.string()) + " && split -b 1M " + quoted(disk.string()), dir).code);
    ASSERT_TRUE(fs::exists(pieces / "xab"));
    const std::string first = (pieces / "xaa").string();

    const TRun scan = ombrolux({"scan", first, "--split", "--format", "jsonl"}, dir);
    EXPECT_EQ(0, scan.code) << scan.err;
    EXPECT_NE(scan.out.find("setup.exe:payload"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find(first + " [3]"), std::string::npos) << scan.out;

    TRun run = ombrolux({"cat", first + " [3]\\setup.exe:payload", "--split"}, dir);
    EXPECT_EQ(0, run.code) << run.err;
    EXPECT_TRUE(run.out == payload);
    const fs::path to = dir / "from-pieces";
    fs::create_directory(to);
    run = ombrolux({"save", first + " [3]\\setup.exe:payload", "--split", "--to", to.string()}, dir);
    EXPECT_EQ(0, run.code) << run.err;
    EXPECT_TRUE(readFile(to / "payload") == payload);

    for (const std::vector<std::string>& alone :
         {std::vector<std::string>{"scan", first}, {"cat", first + " [3]\\setup.exe:payload"}}) {
        run = ombrolux(alone, dir);
        EXPECT_EQ(1, run.code) << alone.front();
    }
}

TEST_F(OmbroluxTest, CtrlCStopsWithWholeRecords) {
    // The volume named a thousand times, every stream hashed: megabytes of records. They go into a pipe
    // the test reads one record of and then holds, so the program is held in the middle of its run
    // (it cannot write more than the pipe holds) until Ctrl+C has been sent; then the rest is read.
    std::string command = quoted(KW_OMBROLUX) + " scan --hash --format jsonl";
    for (int i = 0; i < 1000; ++i) {
        command += " " + quoted(image.string());
    }
    const fs::path dir = folder->path();
    const std::string pipe = quoted((dir / "records.pipe").string());
    const TRun run =
        runShell("rm -f " + pipe + " && mkfifo " + pipe + " && (" + command + " >" + pipe + " 2>" +
                     quoted((dir / "int.err").string()) + " & p=$!; exec 3<" + pipe +
                     "; IFS= read -r first <&3; kill -INT $p; { printf '%s\\n' \"$first\"; cat <&3; } >" +
                     quoted((dir / "int.out").string()) + "; wait $p; echo $?)",
                 dir);
    EXPECT_EQ("1\n", run.out);
    EXPECT_EQ("ombrolux: stopped\n", readFile(dir / "int.err"));
    const std::string records = readFile(dir / "int.out");
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back(), '\n') << "the last record is whole";
    std::istringstream lines(records);
    std::size_t count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    }
    // Had the run not been stopped: one record for each of the volume's 4 streams each time it is named.
    EXPECT_LT(count, 4000u) << "the run went on to its end";
}

} // namespace
