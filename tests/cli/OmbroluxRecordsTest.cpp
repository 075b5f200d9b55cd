// The fields of a record against The Sleuth Kit's istat on a volume made through the ntfs-3g mount:
// times set with touch -d read at 100 ns, each name's $FILE_NAME times, the stream's attribute id and
// residency, hard links that share one file_id; the README's field table against what is written; and
// a folder inside the image scanned on its own, named with "/" or "\\", its text lines pasted into cat;
// a save's manifest read back by Python's json, each hash checked against the saved file.

#include "ntfs/NtfsImage.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

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

// The command's standard output; code gets its exit code.
std::string shellOutput(const std::string& command, const fs::path& folder, int& code) {
    const fs::path out = folder / "stdout";
    const int status = std::system((command + " >" + quoted(out.string()) + " 2>/dev/null").c_str());
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return readFile(out);
}

// istat's "2021-03-04 05:06:07.123456700 (UTC)" as the program writes it.
std::string isoOfIstat(const std::string& line) {
    static const std::regex time(R"((\d{4}-\d\d-\d\d) (\d\d:\d\d:\d\d\.\d{7})\d\d \(UTC\))");
    std::smatch match;
    return std::regex_search(line, match, time) ? match[1].str() + "T" + match[2].str() + "Z" : std::string{};
}

// What istat says of one MFT entry: the standard information's times, each name's times, and each
// named $DATA attribute's id and residency.
struct TIstat {
    std::string links;
    std::vector<std::string> siTimes;                          // created, modified, MFT modified, accessed
    std::map<std::string, std::vector<std::string>> nameTimes; // by name, in the same order
    std::map<std::string, std::pair<std::string, bool>> data;  // by stream name: id, resident
};

TIstat parseIstat(const std::string& text) {
    TIstat result;
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string>* times = nullptr;
    std::string block;
    static const std::regex data(R"(Type: \$DATA \(128-(\d+)\)\s+Name: (\S+)\s+(Non-Resident|Resident))");
    while (std::getline(lines, line)) {
        std::smatch match;
        if (line.rfind("Links: ", 0) == 0) {
            result.links = line.substr(7);
        } else if (line.rfind("$STANDARD_INFORMATION", 0) == 0) {
            times = &result.siTimes;
        } else if (line.rfind("$FILE_NAME", 0) == 0) {
            times = nullptr;
            block = "name";
        } else if (block == "name" && line.rfind("Name: ", 0) == 0) {
            times = &result.nameTimes[line.substr(6)];
            block.clear();
        } else if (times != nullptr && !isoOfIstat(line).empty()) {
            times->push_back(isoOfIstat(line));
        } else if (std::regex_search(line, match, data)) {
            result.data[match[2].str()] = {match[1].str(), match[3].str() == "Resident"};
        }
    }
    return result;
}

std::vector<nlohmann::ordered_json> jsonLines(const std::string& text) {
    std::vector<nlohmann::ordered_json> records;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        records.push_back(nlohmann::ordered_json::parse(line));
    }
    return records;
}

class OmbroluxRecordsTest : public ::testing::Test {
protected:
    // a.txt with a small stream, a large one and a download mark, its times set by touch -d, and a
    // second name b.txt (a hard link) in a folder.
    static void SetUpTestSuite() {
        folder = new ntfstest::TScratchFolder;
        image = folder->path() / "records.img";
        if (!ntfstest::toolsUnavailableReason().empty() || !ntfstest::makeImage(image, 16, "records")) {
            return;
        }
        const fs::path mountPoint = folder->path() / "mnt";
        fs::create_directory(mountPoint);
        {
            ntfstest::TMount mount(image, mountPoint, "streams_interface=windows");
            if (!mount.mounted()) {
                return;
            }
            fs::create_directory(mountPoint / "dir");
            ntfstest::writeBytes(mountPoint / "a.txt", "main");
            ntfstest::writeBytes(mount.at(L"a.txt:small"), "abc");
            ntfstest::writeBytes(mount.at(L"a.txt:large"), std::string(100000, 'x'));
            ntfstest::writeBytes(mount.at(L"a.txt:Zone.Identifier"), "[ZoneTransfer]\r\nZoneId=3\r\n");
            std::error_code error;
            fs::create_hard_link(mountPoint / "a.txt", mountPoint / "dir" / "b.txt", error);
            int code = 0;
            shellOutput("touch -d '2021-03-04 05:06:07.1234567 UTC' " +
                            quoted((mountPoint / "a.txt").string()),
                        folder->path(), code);
            ready = !error && code == 0 && mount.unmount();
        }
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    void SetUp() override {
        if (!ready) {
            GTEST_SKIP() << "the volume could not be made through the ntfs-3g mount here: "
                         << ntfstest::toolsUnavailableReason();
        }
    }

    // The file id scan gives a.txt (and b.txt, its other name).
    static std::string records0FileId() {
        int code = 0;
        const std::string line = shellOutput(
            quoted(KW_OMBROLUX) + " scan --format jsonl " + quoted(image.string()), folder->path(), code);
        return nlohmann::ordered_json::parse(line.substr(0, line.find('\n')))["file_id"];
    }

    static inline ntfstest::TScratchFolder* folder = nullptr;
    static inline fs::path image;
    static inline bool ready = false;
};

TEST_F(OmbroluxRecordsTest, TimesIdsAndFlagsAreIstatsAndHardLinksShareOneFileId) {
    int code = 0;
    const std::vector<nlohmann::ordered_json> records = jsonLines(
        shellOutput(quoted(KW_OMBROLUX) + " scan --include-zone --format jsonl " + quoted(image.string()),
                    folder->path(), code));
    ASSERT_EQ(code, 0);
    ASSERT_EQ(records.size(), 6u); // three streams under each of two names
    const std::string fileId = records[0]["file_id"];
    const std::uint64_t entry =
        std::stoull(fileId.substr(fileId.find('-') + 1), nullptr, 16) & 0xFFFFFFFFFFFFull;
    const std::string istatText = shellOutput(
        "TZ=UTC istat " + quoted(image.string()) + " " + std::to_string(entry), folder->path(), code);
    if (code != 0) {
        GTEST_SKIP() << "istat is not available here";
    }
    const TIstat istat = parseIstat(istatText);
    ASSERT_EQ(istat.siTimes.size(), 4u) << istatText;
    for (const nlohmann::ordered_json& record : records) {
        SCOPED_TRACE(record.dump());
        EXPECT_EQ(record["file_id"], fileId);
        EXPECT_EQ(std::to_string(record["hard_link_count"].get<int>()), istat.links);
        // touch -d sets the last write and last access; at 100 ns, every digit kept.
        EXPECT_EQ(record["si_modified"], "2021-03-04T05:06:07.1234567Z");
        EXPECT_EQ(record["si_accessed"], "2021-03-04T05:06:07.1234567Z");
        EXPECT_EQ(record["si_created"], istat.siTimes[0]);
        EXPECT_EQ(record["si_changed"], istat.siTimes[2]);
        // The name the path goes through (the two names' times differ: the link was made later).
        const std::string path = record["file_path"];
        const std::string name = path.substr(path.rfind('\\') + 1);
        ASSERT_EQ(istat.nameTimes.count(name), 1u) << istatText;
        const std::vector<std::string>& fn = istat.nameTimes.at(name);
        ASSERT_EQ(fn.size(), 4u);
        EXPECT_EQ(record["fn_created"], fn[0]);
        EXPECT_EQ(record["fn_modified"], fn[1]);
        EXPECT_EQ(record["fn_changed"], fn[2]);
        EXPECT_EQ(record["fn_accessed"], fn[3]);
        const std::string stream = record["stream_name"];
        ASSERT_EQ(istat.data.count(stream), 1u) << istatText;
        EXPECT_EQ(std::to_string(record["attribute_id"].get<int>()), istat.data.at(stream).first);
        EXPECT_EQ(record["resident"], istat.data.at(stream).second);
        EXPECT_EQ(record["attribute_type"], 128);
        EXPECT_EQ(record["sparse"], false);
        EXPECT_EQ(record["compressed"], false);
        EXPECT_EQ(record["encrypted"], false);
        EXPECT_EQ(record["allocated"], true);
        EXPECT_EQ(record["deleted"], false);
    }
    EXPECT_EQ(istat.links, "2");
    EXPECT_NE(istat.nameTimes.at("a.txt"), istat.nameTimes.at("b.txt"));
}

TEST_F(OmbroluxRecordsTest, TheReadmesFieldTableIsWhatIsWritten) {
    // The table's rows: "| `name` | csv, jsonl | meaning |".
    std::vector<std::string> csvFields;
    std::vector<std::string> jsonFields;
    std::istringstream readme(readFile(KW_README));
    std::string line;
    static const std::regex row(R"(^\| `([a-z0-9_]+)` \| ([a-z, ]+) \|)");
    bool inTable = false;
    while (std::getline(readme, line)) {
        std::smatch match;
        if (line == "| Field | Formats | Meaning |") {
            inTable = true;
        } else if (inTable && std::regex_search(line, match, row)) {
            if (match[2].str().find("csv") != std::string::npos) {
                csvFields.push_back(match[1].str());
            }
            if (match[2].str().find("jsonl") != std::string::npos) {
                jsonFields.push_back(match[1].str());
            }
        } else if (inTable && line.rfind("|", 0) != 0) {
            break;
        }
    }
    ASSERT_FALSE(jsonFields.empty()) << "no field table in " << KW_README;

    int code = 0;
    const std::vector<nlohmann::ordered_json> records = jsonLines(
        shellOutput(quoted(KW_OMBROLUX) + " scan --include-zone --format jsonl " + quoted(image.string()),
                    folder->path(), code));
    ASSERT_EQ(code, 0);
    std::vector<std::string> written;
    for (const nlohmann::ordered_json& record : records) {
        if (record.contains("zone")) { // a record with every field, read in the order written
            for (const auto& item : record.items()) {
                written.push_back(item.key());
            }
            break;
        }
    }
    EXPECT_EQ(written, jsonFields);

    const std::string csv = shellOutput(quoted(KW_OMBROLUX) + " scan --format csv " + quoted(image.string()),
                                        folder->path(), code);
    ASSERT_EQ(code, 0);
    std::vector<std::string> header;
    std::istringstream columns(csv.substr(0, csv.find("\r\n")));
    for (std::string column; std::getline(columns, column, ',');) {
        header.push_back(column);
    }
    EXPECT_EQ(header, csvFields);
}

TEST_F(OmbroluxRecordsTest, AFolderInsideTheImageIsScannedAloneAndEachTextLinePastesIntoCat) {
    const std::string imageText = image.string();
    int code = 0;
    const std::string backslashed =
        shellOutput(quoted(KW_OMBROLUX) + " scan " + quoted(imageText + "\\dir"), folder->path(), code);
    ASSERT_EQ(code, 0);
    const std::string slashed =
        shellOutput(quoted(KW_OMBROLUX) + " scan " + quoted(imageText + "/dir/"), folder->path(), code);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(slashed, backslashed);
    // Only b.txt's streams (a.txt lies outside the folder); the mark is under 100 bytes and left out.
    std::istringstream lines(backslashed);
    std::vector<std::string> paths;
    for (std::string line; std::getline(lines, line);) {
        // The verdict's column comes first (ten characters and two spaces), then the path to paste.
        ASSERT_GT(line.size(), 12u) << line;
        line = line.substr(12);
        const std::size_t gap = line.find("  ");
        ASSERT_NE(gap, std::string::npos) << line;
        const std::string path = line.substr(0, gap);
        const std::uint64_t size = std::stoull(line.substr(gap + 2));
        paths.push_back(path);
        const std::string bytes =
            shellOutput(quoted(KW_OMBROLUX) + " cat " + quoted(path), folder->path(), code);
        EXPECT_EQ(code, 0) << path;
        EXPECT_EQ(bytes.size(), size) << path;
    }
    EXPECT_EQ(paths,
              (std::vector<std::string>{imageText + "\\dir\\b.txt:large", imageText + "\\dir\\b.txt:small"}));
}

TEST_F(OmbroluxRecordsTest, ASavesManifestTiesEachCopyToItsRecordAndHash) {
    const fs::path to = folder->path() / "saved";
    fs::remove_all(to);
    fs::create_directory(to);
    const fs::path manifest = folder->path() / "manifest.jsonl";
    fs::remove(manifest);
    const std::string imageText = image.string();
    const std::string save = quoted(KW_OMBROLUX) + " save " + quoted(imageText + "\\a.txt:small") + " " +
                             quoted(imageText + "/dir/b.txt:large") + " --to " + quoted(to.string());
    int code = 0;
    const std::string printed = shellOutput(
        save + " --manifest " + quoted(manifest.string()) + " --format jsonl", folder->path(), code);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(printed, readFile(manifest));
    // Python reads each line, hashes the saved file itself and compares it with both hashes given.
    const fs::path check = folder->path() / "check.py";
    std::ofstream(check) << R"(import hashlib, json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    entry = json.loads(line)
    record = entry["record"]
    digest = hashlib.sha256(open(entry["saved_file"], "rb").read()).hexdigest()
    assert digest == entry["saved_sha256"] == record["sha256"], line
    print(record["source"] + record["full_path"], record["size"], record["file_id"], record["resident"])
)";
    const std::string checked = shellOutput(
        "python3 " + quoted(check.string()) + " " + quoted(manifest.string()), folder->path(), code);
    ASSERT_EQ(code, 0) << checked;
    std::istringstream lines(checked);
    std::vector<std::string> entries;
    for (std::string line; std::getline(lines, line);) {
        entries.push_back(line.substr(0, line.rfind(' ', line.rfind(' ') - 1))); // without the file id
        EXPECT_NE(line.find(" " + records0FileId() + " "), std::string::npos) << line;
    }
    EXPECT_EQ(entries, (std::vector<std::string>{imageText + "\\a.txt:small 3",
                                                 imageText + "\\dir\\b.txt:large 100000"}));

    // A manifest is never written over.
    shellOutput(save + " --manifest " + quoted(manifest.string()), folder->path(), code);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(printed, readFile(manifest));
}

} // namespace
