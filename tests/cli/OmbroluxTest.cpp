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

    // fls names streams "path:stream" below the root with "/"; the program "\path:stream".
    const TRun fls = runShell("fls -r -p " + quoted(image.string()), folder->path());
    if (fls.code != 0) {
        GTEST_SKIP() << "fls is not available: " << fls.err;
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
    std::set<std::string> listed;
    std::istringstream records(run.out);
    std::string payloadHash;
    for (std::string line; std::getline(records, line);) {
        const nlohmann::json record = nlohmann::json::parse(line);
        listed.insert(record["full_path"].get<std::string>());
        EXPECT_EQ(image.string(), record["source"]);
        if (record["stream_name"] == "payload") {
            payloadHash = record["sha256"];
            EXPECT_EQ(2500000, record["size"]);
        }
        if (record["stream_name"] == "Zone.Identifier") {
            EXPECT_EQ(true, record["zone"]["readable"]);
            EXPECT_EQ(3, record["zone"]["zone_id"]);
            EXPECT_EQ("Internet", record["zone"]["zone_name"]);
            EXPECT_EQ("https://a.test/s.exe", record["zone"]["fields"]["HostUrl"]);
            EXPECT_EQ("https://a.test/", record["zone"]["fields"]["ReferrerUrl"]);
        }
    }
    // fls shows a control character in a name as "^".
    std::set<std::string> listedAsFls;
    for (const std::string& path : listed) {
        std::string shown;
        for (const char c : path) {
            shown += c == '\n' ? std::string("^") : std::string(1, c);
        }
        listedAsFls.insert(shown);
    }
    EXPECT_EQ(expected, listedAsFls);
    EXPECT_EQ(4u, listed.size());
    EXPECT_TRUE(listed.count("\\notes, q.txt:line\nbreak, \"x\"") == 1);
    EXPECT_TRUE(listed.count("\\notes, q.txt:smile \xF0\x9F\x98\x80") == 1);

    const TRun sum = runShell("sha256sum " + quoted((folder->path() / "payload").string()), folder->path());
    EXPECT_EQ(sum.out.substr(0, 64), payloadHash);
}

TEST_F(OmbroluxTest, LeavesSmallMarksOutAndFiltersByWildcard) {
    TRun run = ombrolux({"scan", image.string()}, folder->path());
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ(std::string::npos, run.out.find("Zone.Identifier"));
    EXPECT_NE(std::string::npos, run.out.find("\\setup.exe:payload  2500000 bytes\n"));
    // A newline in a name stays on the stream's one line.
    EXPECT_NE(std::string::npos, run.out.find("\\notes, q.txt:line\\x0Abreak, \"x\"  3 bytes\n"));

    run = ombrolux({"scan", image.string(), "--wildcard", "*.exe", "--include-zone", "--no-recurse"},
                   folder->path());
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ(image.string() + "\\setup.exe:payload  2500000 bytes\n" + image.string() +
                  "\\setup.exe:Zone.Identifier  85 bytes  zone 3 (Internet)  ReferrerUrl=https://a.test/  "
                  "HostUrl=https://a.test/s.exe\n",
              run.out);
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
    EXPECT_EQ("'\\\\notes, q.txt:line\\nbreak, \"x\"' 3 abc\n"
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
                                           image.string() + "\\notes, q.txt:line\nbreak, \"x\"",
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

TEST_F(OmbroluxTest, CtrlCStopsWithWholeRecords) {
    // The volume named a thousand times, every stream hashed, keeps the program busy for seconds;
    // Ctrl+C comes after one.
    std::string command = quoted(KW_OMBROLUX) + " scan --hash --format jsonl";
    for (int i = 0; i < 1000; ++i) {
        command += " " + quoted(image.string());
    }
    const fs::path dir = folder->path();
    const TRun run =
        runShell("(" + command + " >" + quoted((dir / "int.out").string()) + " 2>" +
                     quoted((dir / "int.err").string()) + " & p=$!; sleep 1; kill -INT $p; wait $p; echo $?)",
                 dir);
    EXPECT_EQ("1\n", run.out);
    EXPECT_EQ("ombrolux: stopped\n", readFile(dir / "int.err"));
    const std::string records = readFile(dir / "int.out");
    EXPECT_TRUE(records.empty() || records.back() == '\n');
    std::istringstream lines(records);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    }
}

} // namespace
