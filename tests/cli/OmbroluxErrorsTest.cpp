// What the console tool says of wrong input: one sentence naming the path and what was missing, and
// its exit code, for each case of a table.

#include "ntfs/NtfsImage.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

TEST(OmbroluxErrors, EachWrongInputIsNamedInOneSentence) {
    ntfstest::TScratchFolder folder;
    const fs::path dir = folder.path();
    {
        std::ofstream(dir / "small") << "abc";
        std::ofstream(dir / "afile") << "not a folder";
    }
    if (!ntfstest::makeImage(dir / "v.img", 8, "errors") ||
        !ntfstest::ntfscp(dir / "v.img", dir / "small", L"a.txt") ||
        !ntfstest::ntfscp(dir / "v.img", dir / "small", L"a.txt", L"s")) {
        GTEST_SKIP() << "mkntfs or ntfscp could not make the volume here: "
                     << ntfstest::copyToolsUnavailableReason();
    }
    const struct {
        std::vector<std::string> args;
        int code;
        std::string error;
    } cases[] = {
        {{"frob"},
         2,
         "ombrolux: \"frob\" is not a command: the commands are scan, cat, save and delete (ombrolux --help "
         "says "
         "more)\n"},
        {{}, 2, "ombrolux: a command is needed: scan, cat, save or delete (ombrolux --help says more)\n"},
        {{"cat", "v.img\\a.txt:nosuch"},
         1,
         "ombrolux: v.img\\a.txt:nosuch: no stream \"nosuch\" in v.img\\a.txt\n"},
        {{"cat", "v.img\\b.txt:s"}, 1, "ombrolux: v.img\\b.txt:s: no file or folder v.img\\b.txt\n"},
        {{"cat", "v.img\\dir\\sub\\b.txt:s"},
         1,
         "ombrolux: v.img\\dir\\sub\\b.txt:s: no folder v.img\\dir\n"},
        {{"cat", "gone.img\\a.txt:s"}, 1, "ombrolux: gone.img\\a.txt:s: no disk image or device gone.img\n"},
        {{"save", "v.img\\a.txt:nosuch", "--to", "."},
         1,
         "ombrolux: v.img\\a.txt:nosuch: no stream \"nosuch\" in v.img\\a.txt\n"},
        {{"save", "v.img\\a.txt:s", "--to", "afile"},
         1,
         "ombrolux: afile: not a folder (a file of that name is there)\n"},
        {{"save", "v.img\\a.txt:s", "--to", "nowhere"}, 1, "ombrolux: nowhere: no such folder\n"},
        {{"scan", "gone.img"},
         1,
         "ombrolux: gone.img: no such file or device\n"
         "ombrolux: the listing is incomplete: 1 target or partition not read\n"},
        {{"scan", "v.img\\docs"},
         1,
         "ombrolux: v.img\\docs: no file or folder v.img\\docs\n"
         "ombrolux: the listing is incomplete: 1 target or partition not read\n"},
        {{"scan", "v.img/a.txt"},
         1,
         "ombrolux: v.img\\a.txt: not a folder\n"
         "ombrolux: the listing is incomplete: 1 target or partition not read\n"},
        {{"scan", "v.img", "--output", "nowhere/out.txt"},
         1,
         "ombrolux: nowhere/out.txt: cannot be created (No such file or directory)\n"},
    };
    for (const auto& c : cases) {
        std::string command = "cd " + quoted(dir.string()) + " && " + quoted(KW_OMBROLUX);
        for (const std::string& arg : c.args) {
            command += " " + quoted(arg);
        }
        const int status = std::system(
            (command + " >" + quoted((dir / "out").string()) + " 2>" + quoted((dir / "err").string()))
                .c_str());
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        SCOPED_TRACE(command);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(readFile(dir / "err"), c.error);
        EXPECT_EQ(readFile(dir / "out"), "");
    }
}

} // namespace
