// Names Win32 paths cannot hold, on a volume ntfs-3g wrote (as root, through its mount: the "none"
// stream interface writes ":" and "\" in names, the "windows" one makes "file:stream" a stream): every
// character NTFS allows and Win32 refuses, in file, folder and stream names, a stream on the root and
// on a folder. The console tool lists every stream The Sleuth Kit's fls lists for a file in use and no
// other, each under its true name (escaped as shown), and each stream's bytes, by path, by MFT
// reference and by hash, are icat's.

#include "ntfs/NtfsImage.h"
#include "platform/ShownName.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

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

struct TRun {
    int code = -1;
    std::string out;
    std::string err;
};

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

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A stream of a file in use: its file's MFT entry and the stream's true name as fls shows it.
using TStreamKey = std::pair<std::uint64_t, std::string>;

// fls shows a control character as "^"; the program shows it escaped ("|01").
std::string asFlsShows(const std::string& name) {
    std::string out;
    for (const char c : name) {
        out += static_cast<unsigned char>(c) < 0x20 ? '^' : c;
    }
    return out;
}

std::string trueName(const std::string& shown) {
    const std::optional<std::wstring> name = plat::trueName(ntfstest::fromUtf8(shown));
    return name ? ntfstest::utf8(*name) : "<not a shown name: " + shown + ">";
}

// Every character NTFS allows in a name and Win32 refuses, each in a file name, a stream name and
// (through one folder) a folder name. "|" is the escape's own lead.
const std::vector<std::string> kRefused = {"?", "*", "<", ">", "|", "\"", "\\", ":", "\x01", "\x1F", "\t"};

class OmbroluxNamesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (::geteuid() != 0) {
            unavailable = "mounting with ntfs-3g needs root";
            return;
        }
        if (!ntfstest::toolsUnavailableReason().empty()) {
            unavailable = ntfstest::toolsUnavailableReason();
            return;
        }
        if (runShell("(fls -V && icat -V)", fs::temp_directory_path()).code != 0) {
            unavailable = "The Sleuth Kit (fls, icat) is not installed";
            return;
        }
        folder = new ntfstest::TScratchFolder;
        const fs::path dir = folder->path();
        image = dir / "names.img";
        const fs::path mount = dir / "mnt";
        fs::create_directory(mount);
        if (!ntfstest::makeImage(image, 16, "names")) {
            unavailable = "mkntfs could not make the volume";
            return;
        }
        const std::string folderName = "d?*<>|\"\\\x02";
        {
            ntfstest::TMount names(image, mount, "streams_interface=none");
            if (!names.mounted()) {
                unavailable = "ntfs-3g could not mount the volume";
                return;
            }
            for (const std::string& c : kRefused) {
                writeFile(mount / ("f" + c + ".txt"), "main " + c);
            }
            writeFile(mount / "plain.txt", "plain");
            fs::create_directory(mount / folderName);
            writeFile(mount / folderName / "inner?.txt", "inner");
            fs::create_directory(mount / "dir:colon");
            writeFile(mount / "dir:colon" / "in.txt", "in");
            names.unmount();
        }
        {
            ntfstest::TMount streams(image, mount, "streams_interface=windows");
            if (!streams.mounted()) {
                unavailable = "ntfs-3g could not mount the volume";
                return;
            }
            // "name:stream" splits at the first ":", so a file with ":" in its name gets its stream
            // through ntfscp below.
            for (const std::string& c : kRefused) {
                if (c != ":") {
                    writeFile(mount / ("f" + c + ".txt:s" + c + "x"), "stream of f" + c);
                }
            }
            writeFile(mount / "plain.txt:Zone.Identifier:x", "[ZoneTransfer]\r\nZoneId=3\r\n");
            writeFile(mount / "plain.txt:back\\s", "back");
            writeFile(mount / "plain.txt:|7C", "lead");
            writeFile(mount / ":roottag", "root's own");
            writeFile(mount / (folderName + ":folder?s"), "folder's own");
            writeFile(mount / folderName / "inner?.txt:in*s", "inner stream");
            streams.unmount();
        }
        writeFile(dir / "colon", "colon stream");
        ready = ntfstest::ntfscp(image, dir / "colon", L"f:.txt", L"s:x") &&
                ntfstest::ntfscp(image, dir / "colon", L"dir:colon/in.txt", L"in:s");
        if (!ready) {
            unavailable = "ntfscp could not add the streams of names with \":\"";
        }
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    void SetUp() override {
        if (!ready) {
            GTEST_SKIP() << unavailable;
        }
    }

    static inline ntfstest::TScratchFolder* folder = nullptr;
    static inline fs::path image;
    static inline bool ready = false;
    static inline std::string unavailable;
};

// fls -r -p: each named stream of a file in use (system files left out), with its attribute's address
// ("65-128-4") and its file's path.
struct TFlsStream {
    std::string address;
    std::string path;
};

std::map<TStreamKey, TFlsStream> flsStreams(const fs::path& image, const fs::path& dir) {
    const TRun fls = runShell("fls -r -p " + quoted(image.string()), dir);
    std::vector<std::pair<std::string, std::string>> lines; // address, name
    std::map<std::uint64_t, std::string> pathOf;            // the shortest name of each entry
    std::istringstream in(fls.out);
    for (std::string line; std::getline(in, line);) {
        const std::size_t tab = line.find('\t');
        const std::size_t space = line.find(' ');
        if (tab == std::string::npos || line.find(" * ") != std::string::npos || line[tab + 1] == '$') {
            continue; // deleted entries, system files and $OrphanFiles
        }
        const std::string address = line.substr(space + 1, tab - space - 2);
        const std::string name = line.substr(tab + 1);
        const std::uint64_t entry = std::stoull(address);
        lines.emplace_back(address, name);
        if (!pathOf.count(entry) || name.size() < pathOf[entry].size()) {
            pathOf[entry] = name;
        }
    }
    pathOf[5] = "."; // the root, whose own line fls leaves out
    std::map<TStreamKey, TFlsStream> streams;
    for (const auto& [address, name] : lines) {
        const std::uint64_t entry = std::stoull(address);
        const std::string& path = pathOf[entry];
        // A folder's stream is listed again inside it ("dir/.:s"); the root's only so (".:s").
        const bool again = name.compare(path.size(), 2, "/.") == 0;
        if (address.find("-128-") != std::string::npos && name.size() > path.size() + 1 && !again) {
            streams[{entry, name.substr(path.size() + 1)}] = TFlsStream{address, path};
        }
    }
    return streams;
}

TEST_F(OmbroluxNamesTest, ListsEveryStreamFlsListsUnderItsTrueNameAndReadsIcatsBytes) {
    const fs::path dir = folder->path();
    const TRun run = ombrolux({"scan", image.string(), "--include-zone", "--hash", "--format", "jsonl"}, dir);
    ASSERT_EQ(0, run.code) << run.err;
    EXPECT_EQ("", run.err);

    const std::map<TStreamKey, TFlsStream> expected = flsStreams(image, dir);
    ASSERT_EQ(kRefused.size() + 7, expected.size()); // one stream per character and seven more
    std::set<TStreamKey> listed;
    std::istringstream records(run.out);
    for (std::string line; std::getline(records, line);) {
        const nlohmann::json record = nlohmann::json::parse(line);
        ASSERT_TRUE(record["mft_entry"].is_number()) << line;
        const std::uint64_t entry = record["mft_entry"];
        const std::uint64_t sequence = record["mft_sequence"];
        const std::string shownStream = record["stream_name"];
        const TStreamKey key{entry, asFlsShows(trueName(shownStream))};
        listed.insert(key);
        const auto fls = expected.find(key);
        if (fls == expected.end()) {
            ADD_FAILURE() << "listed, but not by fls: " << line;
            continue;
        }
        // The file's path, each name read back from its shown form, is the one fls gives.
        std::string path;
        const std::string filePath = record["file_path"];
        std::size_t start = 1;
        while (start < filePath.size()) {
            const std::size_t end = std::min(filePath.find('\\', start), filePath.size());
            path += (path.empty() ? "" : "/") + asFlsShows(trueName(filePath.substr(start, end - start)));
            start = end + 1;
        }
        EXPECT_EQ(fls->second.path, path.empty() ? "." : path) << line;

        // The same bytes from icat, from the printed path and from the MFT reference.
        const TRun icat = runShell("icat " + quoted(image.string()) + " " + fls->second.address, dir);
        ASSERT_EQ(0, icat.code) << fls->second.address;
        const TRun sum =
            runShell("icat " + quoted(image.string()) + " " + fls->second.address + " | sha256sum", dir);
        EXPECT_EQ(sum.out.substr(0, 64), record["sha256"]) << line;
        const std::string fullPath = record["full_path"];
        const TRun byPath = ombrolux({"cat", image.string() + fullPath}, dir);
        EXPECT_EQ(0, byPath.code) << byPath.err;
        EXPECT_TRUE(byPath.out == icat.out) << line;
        const std::string address =
            image.string() + "#" + std::to_string(entry) + "-" + std::to_string(sequence) + ":" + shownStream;
        const TRun byReference = ombrolux({"cat", address}, dir);
        EXPECT_EQ(0, byReference.code) << byReference.err;
        EXPECT_TRUE(byReference.out == icat.out) << address;
        // And by the address fls printed for it (entry-128-id).
        const TRun byAttribute = ombrolux({"cat", image.string() + "#" + fls->second.address}, dir);
        EXPECT_EQ(0, byAttribute.code) << byAttribute.err;
        EXPECT_TRUE(byAttribute.out == icat.out) << fls->second.address;
    }
    for (const auto& [key, fls] : expected) {
        EXPECT_TRUE(listed.count(key) == 1) << "fls lists " << fls.path << ":" << key.second;
    }
    EXPECT_EQ(expected.size(), listed.size());
}

TEST_F(OmbroluxNamesTest, SavesEscapedStreamsUnderTheNamesTheyStandFor) {
    const fs::path dir = folder->path();
    const fs::path to = dir / "saved";
    fs::remove_all(to);
    fs::create_directory(to);
    const TRun run =
        ombrolux({"save", image.string() + "\\plain.txt:Zone.Identifier|3Ax", image.string() + "\\:roottag",
                  image.string() + "\\f|3F.txt:s|3Fx", "--to", to.string()},
                 dir);
    EXPECT_EQ(0, run.code) << run.err;
    EXPECT_EQ("[ZoneTransfer]\r\nZoneId=3\r\n", readFile(to / "Zone.Identifier_x"));
    EXPECT_EQ("root's own", readFile(to / "roottag"));
    EXPECT_EQ("stream of f?", readFile(to / "s_x"));

    // A name that is not a shown one reads nothing.
    EXPECT_EQ(1, ombrolux({"cat", image.string() + "\\f|3f.txt:s|3Fx"}, dir).code);
    EXPECT_EQ(1, ombrolux({"cat", image.string() + "\\f?.txt:s?x"}, dir).code);
}

} // namespace
