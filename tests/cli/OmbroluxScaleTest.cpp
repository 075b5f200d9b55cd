// The console tool on volumes whose shapes once cost the reader the square of their size (20,000 names
// that differ only in case; one file with 1,000 streams): every stream The Sleuth Kit's fls lists for a
// file in use is listed, and no other, each with the SHA-256 of the bytes written to it, which are
// icat's too.

#include "ntfs/NtfsImage.h"
#include "ntfs/NtfsScaleVolumes.h"
#include "platform/Sha256.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace {

using namespace ntfstest;

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// What a command writes on its standard output; its exit code in code.
std::string output(const std::string& command, int& code) {
    std::string text;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        code = -1;
        return text;
    }
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        text.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return text;
}

std::string sha256(const std::string& bytes) {
    plat::TSha256 sha;
    sha.update(bytes.data(), bytes.size());
    plat::TSha256::TDigest digest{};
    sha.final(digest);
    return plat::TSha256::hex(digest);
}

// The scan's records by full path: the SHA-256 of each stream.
std::map<std::string, std::string> scanWithHashes(const std::filesystem::path& image) {
    int code = 0;
    const std::string records =
        output(quoted(KW_OMBROLUX) + " scan " + quoted(image.string()) + " --hash --format jsonl", code);
    EXPECT_EQ(code, 0);
    std::map<std::string, std::string> hashes;
    std::istringstream lines(records);
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json record = nlohmann::json::parse(line);
        const std::string path = record["full_path"].get<std::string>();
        const std::string hash = record["sha256"].is_string() ? record["sha256"].get<std::string>() : "";
        const bool fresh = hashes.emplace(path, hash).second;
        EXPECT_TRUE(fresh) << "listed twice: " << path;
    }
    return hashes;
}

// The named streams fls lists for files in use, as the scan names them ("\folder\file:stream"), with the
// attribute icat reads each by.
std::map<std::string, std::string> listWithFls(const std::filesystem::path& image) {
    int code = 0;
    std::istringstream lines(output("fls -r -p " + quoted(image.string()), code));
    EXPECT_EQ(code, 0);
    std::map<std::string, std::string> streams;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        std::string path = line.substr(tab + 1);
        const std::size_t slash = path.rfind('/');
        if (line.find(" * ") != std::string::npos || path[0] == '$' ||
            path.find(':', slash == std::string::npos ? 0 : slash) == std::string::npos) {
            continue;
        }
        for (char& c : path) {
            c = c == '/' ? '\\' : c;
        }
        streams.emplace("\\" + path, line.substr(4, line.find(':') - 4));
    }
    return streams;
}

std::set<std::string> keysOf(const std::map<std::string, std::string>& map) {
    std::set<std::string> keys;
    for (const auto& [key, value] : map) {
        keys.insert(key);
    }
    return keys;
}

class OmbroluxScale : public ::testing::Test {
protected:
    void SetUp() override {
        int code = 0;
        output("fls -V", code);
        if (code != 0) {
            GTEST_SKIP() << "The Sleuth Kit (fls, icat) is not installed";
        }
    }
    // icat's bytes of an attribute hash as the scan's record says.
    void expectIcatHash(const std::filesystem::path& image, const std::string& attribute,
                        const std::string& hash, const std::string& path) {
        int code = 0;
        const std::string bytes = output("icat " + quoted(image.string()) + " " + attribute, code);
        EXPECT_EQ(code, 0) << path;
        EXPECT_EQ(sha256(bytes), hash) << path;
    }
};

TEST_F(OmbroluxScale, ListsEachOfTwentyThousandCaseVariantsWithItsOwnBytes) {
    const TScaleVolume& volume = caseVariantsVolume();
    if (!volume.unavailable.empty()) {
        GTEST_SKIP() << volume.unavailable;
    }
    const std::map<std::string, std::string> hashes = scanWithHashes(volume.image);
    const std::map<std::string, std::string> fls = listWithFls(volume.image);
    EXPECT_EQ(keysOf(hashes), keysOf(fls));
    ASSERT_EQ(hashes.size(), static_cast<std::size_t>(kCaseVariants));
    for (int i = 0; i < kCaseVariants; ++i) {
        const std::string path = "\\cases\\" + utf8(caseVariantName(i)) + ":tag";
        const auto found = hashes.find(path);
        ASSERT_NE(found, hashes.end()) << path;
        EXPECT_EQ(found->second, sha256(caseVariantTag(i))) << path;
        if (i % 2500 == 0) { // one icat each would take minutes
            expectIcatHash(volume.image, fls.at(path), found->second, path);
        }
    }
}

// The Sleuth Kit keys a file's attributes by their ids, which ntfs-3g numbers afresh in each extension
// record: it lists only some of many.bin's streams. Those it lists are listed, with icat's bytes; the
// thousand are listed as ntfs-3g wrote them.
TEST_F(OmbroluxScale, ListsEveryStreamOfAFileWithAThousand) {
    const TScaleVolume& volume = manyStreamsVolume();
    if (!volume.unavailable.empty()) {
        GTEST_SKIP() << volume.unavailable;
    }
    const std::map<std::string, std::string> hashes = scanWithHashes(volume.image);
    std::map<std::string, std::string> written;
    for (int i = 0; i < kManyStreams; ++i) {
        const std::string stream = utf8(manyStreamName(i));
        written["\\many.bin:" + stream] = sha256(manyStreamBytes(i));
        written["\\single\\f" + stream.substr(1) + ".bin:" + stream] = sha256(manyStreamBytes(i));
    }
    EXPECT_TRUE(hashes == written);
    const std::map<std::string, std::string> fls = listWithFls(volume.image);
    std::map<std::string, int> named; // how many streams fls gives each attribute id
    for (const auto& [path, attribute] : fls) {
        ++named[attribute];
    }
    std::size_t ofMany = 0;
    std::size_t sample = 0;
    for (const auto& [path, attribute] : fls) {
        const auto found = hashes.find(path);
        ASSERT_NE(found, hashes.end()) << "fls lists " << path;
        ofMany += path.rfind("\\many.bin:", 0) == 0;
        // An id fls gives several streams names no one of them; of the others, one in ten (one icat
        // each takes a while).
        if (named[attribute] == 1 && sample++ % 10 == 0) {
            expectIcatHash(volume.image, attribute, found->second, path);
        }
    }
    EXPECT_GT(ofMany, 0u);
}

} // namespace
