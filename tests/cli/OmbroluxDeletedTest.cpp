// scan --deleted on volumes made through the ntfs-3g mount: files removed through the mount with their
// streams, a file in a deleted folder (placed under it, as The Sleuth Kit places it), an orphan (its
// folder's record reused by a later mount), and a deleted stream whose clusters a later file took.
// Compared with fls's deleted ("*") lines and icat's bytes; cat and save read deleted streams by
// their MFT reference.

#include "ntfs/NtfsImage.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/statvfs.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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

// The command's standard output (standard error in err, when given); code gets its exit code.
std::string shellOutput(const std::string& command, const fs::path& folder, int& code,
                        std::string* err = nullptr) {
    const fs::path out = folder / "stdout";
    const fs::path errors = folder / "stderr";
    const int status =
        std::system((command + " >" + quoted(out.string()) + " 2>" + quoted(errors.string())).c_str());
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (err != nullptr) {
        *err = readFile(errors);
    }
    return readFile(out);
}

std::vector<nlohmann::json> jsonLines(const std::string& text) {
    std::vector<nlohmann::json> records;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        records.push_back(nlohmann::json::parse(line));
    }
    return records;
}

// Bytes no other file of the tests holds (so that a reused cluster shows).
std::string pattern(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

bool haveSleuthKit() {
    return std::system("fls -V >/dev/null 2>&1") == 0 && std::system("icat -V >/dev/null 2>&1") == 0;
}

// Each stream written, by the path scan gives it.
const std::map<std::string, std::string>& deletedStreams() {
    static const std::map<std::string, std::string> streams = {
        {"\\keep\\del.txt:small", "secret stream"},                        // resident
        {"\\keep\\del.txt:big", pattern(40000, 1)},                        // in clusters nobody took
        {"\\gone\\in.txt:inner", "in a deleted folder"},                   // its folder deleted too
        {"\\$OrphanFiles\\orphan.txt:lost", "its folder's record reused"}, // its folder's record reused
    };
    return streams;
}

class OmbroluxDeletedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new ntfstest::TScratchFolder;
        image = folder->path() / "deleted.img";
        reusedImage = folder->path() / "reused.img";
        ready = ntfstest::toolsUnavailableReason().empty() && makeDeleted() && makeReused();
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    void SetUp() override {
        if (!ready) {
            GTEST_SKIP() << "the volumes could not be made through the ntfs-3g mount here: "
                         << ntfstest::toolsUnavailableReason();
        }
    }

    // lost\orphan.txt, keep\del.txt, gone\in.txt, each with streams, and keep\alive.txt that stays; all
    // but alive.txt removed. ntfs-3g hands out MFT records from where it last took one, and from the
    // first after a mount: the folder made after a new mount takes lost's record (the first one made),
    // which leaves orphan.txt without its folder.
    static bool makeDeleted() {
        if (!ntfstest::makeImage(image, 16, "deleted")) {
            return false;
        }
        const fs::path mountPoint = folder->path() / "mnt";
        fs::create_directory(mountPoint);
        {
            ntfstest::TMount mount(image, mountPoint, "streams_interface=windows");
            if (!mount.mounted()) {
                return false;
            }
            for (const char* name : {"lost", "keep", "gone"}) {
                fs::create_directory(mountPoint / name);
            }
            for (const auto& [path, bytes] : deletedStreams()) {
                const std::string inVolume = path.substr(path.find("$OrphanFiles") == 1 ? 14 : 1);
                std::wstring file = ntfstest::fromUtf8(inVolume);
                if (path.find("$OrphanFiles") == 1) {
                    file = L"lost\\" + file;
                }
                const std::wstring plain = file.substr(0, file.find(L':'));
                if (!fs::exists(mount.at(plain))) {
                    ntfstest::writeBytes(mount.at(plain), "main data");
                }
                ntfstest::writeBytes(mount.at(file), bytes);
            }
            ntfstest::writeBytes(mountPoint / "keep" / "alive.txt", "alive");
            ntfstest::writeBytes(mount.at(L"keep\\alive.txt:live"), "still here");
            std::error_code error;
            fs::remove_all(mountPoint / "lost", error);
            fs::remove(mountPoint / "keep" / "del.txt", error);
            fs::remove_all(mountPoint / "gone", error);
            if (error || !mount.unmount()) {
                return false;
            }
        }
        ntfstest::TMount mount(image, mountPoint, "streams_interface=windows");
        std::error_code error;
        return mount.mounted() && fs::create_directory(mountPoint / "later", error) && mount.unmount();
    }

    // big.bin:payload deleted, then a file as large as the free space: it takes the payload's clusters.
    static bool makeReused() {
        if (!ntfstest::makeImage(reusedImage, 8, "reused")) {
            return false;
        }
        const fs::path mountPoint = folder->path() / "mnt2";
        fs::create_directory(mountPoint);
        ntfstest::TMount mount(reusedImage, mountPoint, "streams_interface=windows");
        if (!mount.mounted()) {
            return false;
        }
        ntfstest::writeBytes(mountPoint / "big.bin", "main data");
        ntfstest::writeBytes(mount.at(L"big.bin:payload"), pattern(300000, 2));
        ntfstest::writeBytes(mount.at(L"big.bin:note"), "resident, so never reused");
        std::error_code error;
        fs::remove(mountPoint / "big.bin", error);
        struct statvfs space {};
        if (error || statvfs(mountPoint.c_str(), &space) != 0) {
            return false;
        }
        // As much as fits: a write past the free space just ends short.
        std::ofstream(mountPoint / "fill.bin", std::ios::binary)
            << pattern(static_cast<std::size_t>(space.f_bavail) * space.f_frsize, 3);
        return mount.unmount();
    }

    static std::vector<nlohmann::json> scan(const fs::path& target, const std::string& options, int& code) {
        return jsonLines(shellOutput(quoted(KW_OMBROLUX) + " scan --format jsonl " + options + " " +
                                         quoted(target.string()),
                                     folder->path(), code));
    }

    static inline ntfstest::TScratchFolder* folder = nullptr;
    static inline fs::path image;
    static inline fs::path reusedImage;
    static inline bool ready = false;
};

TEST_F(OmbroluxDeletedTest, DeletedStreamsAreListedWithTheirPlacesAndOnlyWhenAsked) {
    int code = 0;
    const std::vector<nlohmann::json> withoutFlag = scan(image, "", code);
    ASSERT_EQ(code, 0);
    ASSERT_EQ(withoutFlag.size(), 1u);
    EXPECT_EQ(withoutFlag[0]["full_path"], "\\keep\\alive.txt:live");
    EXPECT_EQ(withoutFlag[0]["deleted"], false);
    EXPECT_TRUE(withoutFlag[0]["clusters_reused"].is_null());

    const std::vector<nlohmann::json> records = scan(image, "--deleted --hash", code);
    ASSERT_EQ(code, 0);
    std::map<std::string, nlohmann::json> deleted;
    for (const nlohmann::json& record : records) {
        if (record["deleted"] == true) {
            deleted[record["full_path"]] = record;
        }
    }
    ASSERT_EQ(deleted.size(), deletedStreams().size());
    EXPECT_EQ(records.size(), deleted.size() + 1); // and alive.txt's stream
    for (const auto& [path, bytes] : deletedStreams()) {
        SCOPED_TRACE(path);
        ASSERT_EQ(deleted.count(path), 1u);
        const nlohmann::json& record = deleted.at(path);
        EXPECT_EQ(record["allocated"], false);
        EXPECT_EQ(record["clusters_reused"], false);
        EXPECT_EQ(record["size"], bytes.size());
        EXPECT_EQ(record["resident"], bytes.size() < 700);
        EXPECT_EQ(record["file_path"], path.substr(0, path.rfind(':')));
        EXPECT_FALSE(record["si_created"].is_null());
        EXPECT_FALSE(record["fn_created"].is_null());
    }

    // A folder inside the image: only the deleted files placed below it.
    const std::vector<nlohmann::json> inKeep = scan(image.string() + "/keep", "--deleted", code);
    ASSERT_EQ(code, 0);
    std::set<std::string> keepPaths;
    for (const nlohmann::json& record : inKeep) {
        keepPaths.insert(record["full_path"].get<std::string>());
    }
    EXPECT_EQ(keepPaths, (std::set<std::string>{"\\keep\\alive.txt:live", "\\keep\\del.txt:small",
                                                "\\keep\\del.txt:big"}));

    // Text names the reference that cat takes.
    const std::string text =
        shellOutput(quoted(KW_OMBROLUX) + " scan --deleted " + quoted(image.string()), folder->path(), code);
    const nlohmann::json& small = deleted.at("\\keep\\del.txt:small");
    EXPECT_NE(text.find(image.string() + "\\keep\\del.txt:small  13 bytes  mft " +
                        std::to_string(small["mft_entry"].get<int>()) + "-" +
                        std::to_string(small["mft_sequence"].get<int>()) + "  deleted (" + image.string() +
                        "#" + std::to_string(small["mft_entry"].get<int>()) + "-" +
                        std::to_string(small["mft_sequence"].get<int>()) + ":small)"),
              std::string::npos)
        << text;
}

TEST_F(OmbroluxDeletedTest, DeletedStreamsAreFlsStarredStreams) {
    if (!haveSleuthKit()) {
        GTEST_SKIP() << "The Sleuth Kit (fls, icat) is not installed: the comparison with it cannot run";
    }
    int code = 0;
    // fls: "-/r * 68-128-4:<tab>keep/del.txt:small"; named $DATA streams only (a file's main data and the
    // records without a name are no alternate streams).
    std::set<std::string> fromFls;
    std::istringstream lines(shellOutput("fls -r -p " + quoted(image.string()), folder->path(), code));
    ASSERT_EQ(code, 0);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (line.find(" * ") == std::string::npos || tab == std::string::npos) {
            continue;
        }
        const std::string address = line.substr(line.find(" * ") + 3, tab - line.find(" * ") - 4);
        const std::string path = line.substr(tab + 1);
        if (address.find("-128-") == std::string::npos || path.find(':') == std::string::npos) {
            continue;
        }
        fromFls.insert(address + " /" + path);
    }
    std::set<std::string> fromScan;
    for (const nlohmann::json& record : scan(image, "--deleted", code)) {
        if (record["deleted"] != true) {
            continue;
        }
        std::string path = record["full_path"];
        std::replace(path.begin(), path.end(), '\\', '/');
        fromScan.insert(std::to_string(record["mft_entry"].get<int>()) + "-128-" +
                        std::to_string(record["attribute_id"].get<int>()) + " " + path);
    }
    EXPECT_EQ(fromScan, fromFls);
    EXPECT_EQ(fromScan.size(), deletedStreams().size());
}

TEST_F(OmbroluxDeletedTest, CatAndSaveReadADeletedStreamByItsReferenceAsIcatDoes) {
    int code = 0;
    const bool icat = haveSleuthKit();
    const fs::path to = folder->path() / "saved";
    fs::create_directory(to);
    for (const nlohmann::json& record : scan(image, "--deleted", code)) {
        if (record["deleted"] != true) {
            continue;
        }
        const std::string path = record["full_path"];
        SCOPED_TRACE(path);
        const std::string entry = std::to_string(record["mft_entry"].get<int>());
        const std::string reference = image.string() + "#" + entry + "-" +
                                      std::to_string(record["mft_sequence"].get<int>()) + ":" +
                                      record["stream_name"].get<std::string>();
        const std::string bytes =
            shellOutput(quoted(KW_OMBROLUX) + " cat " + quoted(reference), folder->path(), code);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(bytes, deletedStreams().at(path));
        if (icat) {
            EXPECT_EQ(bytes, shellOutput("icat " + quoted(image.string()) + " " + entry + "-128-" +
                                             std::to_string(record["attribute_id"].get<int>()),
                                         folder->path(), code));
        }
        const fs::path manifest = to / (entry + record["stream_name"].get<std::string>() + ".jsonl");
        const std::string saved =
            shellOutput(quoted(KW_OMBROLUX) + " save " + quoted(reference) + " --to " + quoted(to.string()) +
                            " --manifest " + quoted(manifest.string()),
                        folder->path(), code);
        ASSERT_EQ(code, 0);
        const fs::path file = saved.substr(0, saved.find('\n'));
        EXPECT_EQ(readFile(file), bytes);
        const nlohmann::json line = nlohmann::json::parse(readFile(manifest));
        EXPECT_EQ(line["record"]["full_path"], path);
        EXPECT_EQ(line["record"]["deleted"], true);
        EXPECT_EQ(line["saved_sha256"], line["record"]["sha256"]);
    }

    // A sequence number the record does not have, and a stream the deleted file does not have.
    const nlohmann::json small = [&] {
        for (const nlohmann::json& record : scan(image, "--deleted", code)) {
            if (record["full_path"] == "\\keep\\del.txt:small") {
                return record;
            }
        }
        return nlohmann::json{};
    }();
    ASSERT_FALSE(small.is_null());
    const std::string entry = std::to_string(small["mft_entry"].get<int>());
    const int sequence = small["mft_sequence"].get<int>();
    struct TCase {
        std::string reference;
        std::string error;
    };
    for (const TCase& wrong :
         {TCase{"#" + entry + "-" + std::to_string(sequence + 1) + ":small",
                "no file, in use or deleted, has MFT entry " + entry + " with sequence number " +
                    std::to_string(sequence + 1)},
          TCase{"#" + entry + "-" + std::to_string(sequence) + ":other",
                "the deleted file at MFT entry " + entry + " has no stream \"other\""}}) {
        std::string err;
        const std::string out =
            shellOutput(quoted(KW_OMBROLUX) + " cat " + quoted(image.string() + wrong.reference),
                        folder->path(), code, &err);
        EXPECT_EQ(code, 1);
        EXPECT_EQ(out, "");
        EXPECT_EQ(err, "ombrolux: " + image.string() + wrong.reference + ": " + wrong.error + "\n");
    }
}

TEST_F(OmbroluxDeletedTest, ClustersTakenByAFileInUseAreSaidAndTheirBytesAreNotTheStreams) {
    int code = 0;
    std::map<std::string, nlohmann::json> deleted;
    for (const nlohmann::json& record : scan(reusedImage, "--deleted", code)) {
        if (record["deleted"] == true) {
            deleted[record["stream_name"]] = record;
        }
    }
    ASSERT_EQ(code, 0);
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted["payload"]["clusters_reused"], true);
    EXPECT_EQ(deleted["note"]["clusters_reused"], false); // in the record, which no file took
    // What the runs lead to now is the new file's: the flag is what tells the reader so.
    const std::string reference = reusedImage.string() + "#" +
                                  std::to_string(deleted["payload"]["mft_entry"].get<int>()) + "-" +
                                  std::to_string(deleted["payload"]["mft_sequence"].get<int>()) + ":payload";
    const std::string bytes =
        shellOutput(quoted(KW_OMBROLUX) + " cat " + quoted(reference), folder->path(), code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(bytes.size(), 300000u);
    EXPECT_NE(bytes, pattern(300000, 2));

    const std::string text = shellOutput(
        quoted(KW_OMBROLUX) + " scan --deleted " + quoted(reusedImage.string()), folder->path(), code);
    std::istringstream lines(text);
    int sentences = 0;
    for (std::string line; std::getline(lines, line);) {
        const bool said =
            line.find("its clusters now belong to a file in use: these bytes are not trusted") !=
            std::string::npos;
        EXPECT_EQ(said, line.find(":payload ") != std::string::npos) << line;
        sentences += said ? 1 : 0;
    }
    EXPECT_EQ(sentences, 1) << text;
}

} // namespace
