// ombrolux delete on a live volume, here the simulated store standing in for the system's files: what
// it deletes, what it refuses and why, and when it asks.

#include "cli/Ombrolux.h"
#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using plat::store::TSimStore;

// A temporary file's whole content.
std::string contentOf(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, n);
    }
    return text;
}

class DeleteTest : public ::testing::Test {
protected:
    DeleteTest() {
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addFile(L"C:\\dl\\setup.exe", "MZ");
        store.addStream(L"C:\\dl\\setup.exe", L"Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
        store.addStream(L"C:\\dl\\setup.exe", L"payload", "p");
        // Two streams a plain path cannot tell apart: "note." is reached only as written.
        store.addStream(L"C:\\dl\\setup.exe", L"note", "n");
        store.addStream(L"C:\\dl\\setup.exe", L"note.", "n.");
        store.addFolder(L"C:\\dl\\sub");
        store.addStream(L"C:\\dl\\sub", L"tag", "t");
        plat::installFileServices(&store);
        console.liveFiles = &store;
        console.out = out;
        console.err = err;
        console.in = in;
    }
    ~DeleteTest() override {
        plat::installFileServices(nullptr);
        std::fclose(out);
        std::fclose(err);
        std::fclose(in);
    }
    void TearDown() override { EXPECT_EQ(store.openHandles(), 0); }

    int run(const std::vector<std::string>& args) {
        std::vector<std::string> all{"delete"};
        all.insert(all.end(), args.begin(), args.end());
        return cli::runOmbrolux(all, console);
    }
    std::vector<std::wstring> streams() { return store.streamNames(L"C:\\dl\\setup.exe"); }

    TSimStore store;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::FILE* in = std::tmpfile();
    cli::TConsole console;
};

TEST_F(DeleteTest, DeletesEachStreamAsWrittenAndNamesIt) {
    EXPECT_EQ(
        0, run({"--yes", "C:\\dl\\setup.exe:Zone.Identifier", "C:\\dl\\setup.exe:note.", "C:\\dl\\sub:tag"}));
    EXPECT_EQ("C:\\dl\\setup.exe:Zone.Identifier\nC:\\dl\\setup.exe:note.\nC:\\dl\\sub:tag\n",
              contentOf(out));
    EXPECT_EQ("", contentOf(err));
    EXPECT_EQ((std::vector<std::wstring>{L"note", L"payload"}), streams());
    EXPECT_TRUE(store.streamNames(L"C:\\dl\\sub").empty());
    EXPECT_EQ("MZ", store.readData(L"C:\\dl\\setup.exe"));
}

TEST_F(DeleteTest, AStreamThatCannotBeDeletedIsNamedWithItsReasonAndTheRestGoOn) {
    const int hold = store.holdOpen(L"C:\\dl\\setup.exe:payload", plat::GENERIC_READ, plat::FILE_SHARE_READ);
    EXPECT_EQ(
        1, run({"-y", "C:\\dl\\setup.exe:missing", "C:\\dl\\setup.exe:payload", "C:\\dl\\setup.exe:note"}));
    store.release(hold);
    EXPECT_EQ("ombrolux: C:\\dl\\setup.exe:missing: file not found\n"
              "ombrolux: C:\\dl\\setup.exe:payload: in use by another program\n",
              contentOf(err));
    EXPECT_EQ("C:\\dl\\setup.exe:note\n", contentOf(out));
    EXPECT_EQ((std::vector<std::wstring>{L"note.", L"payload", L"Zone.Identifier"}), streams());
}

TEST_F(DeleteTest, RefusesWhatIsNotALiveStreamWithItsReason) {
    // A regular file is read as a disk image, whatever it holds.
    const std::filesystem::path image = std::filesystem::temp_directory_path() / "ombrolux-delete-test.img";
    std::ofstream(image) << "not even NTFS";
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {"C:\\dl\\setup.exe", "names the file itself"},
        {"C:\\dl\\setup.exe::$DATA", "names the file itself"},
        {"C:\\dl\\setup.exe:", "names the file itself"},
        {"C:\\dl\\sub", "names the file itself"},
        {"C:\\dl\\setup.exe:payload:$INDEX_ALLOCATION", "not a data stream"},
        {image.string() + "\\dl\\setup.exe:payload", "in a disk image, which ombrolux only reads"},
        {image.string() + " [2]\\dl\\setup.exe:payload", "in a disk image, which ombrolux only reads"},
        {"\\\\.\\C:\\dl\\setup.exe:payload", "on a device, which ombrolux only reads"},
    };
    for (const auto& c : cases) {
        std::rewind(err);
        EXPECT_EQ(1, run({"--yes", c.path})) << c.path;
        const std::string text = contentOf(err);
        EXPECT_EQ(0u, text.find("ombrolux: " + c.path + ": " + c.reason)) << text;
    }
    std::filesystem::remove(image);
    EXPECT_EQ("", contentOf(out));
    EXPECT_EQ((std::vector<std::wstring>{L"note", L"note.", L"payload", L"Zone.Identifier"}), streams());
    EXPECT_EQ((std::vector<std::wstring>{L"tag"}), store.streamNames(L"C:\\dl\\sub"));
    EXPECT_EQ("MZ", store.readData(L"C:\\dl\\setup.exe"));
}

TEST_F(DeleteTest, AsksOnATerminalAndRefusesWithoutOne) {
    const std::string path = "C:\\dl\\setup.exe:payload";
    // Standard input not a terminal, no --yes: nothing read, nothing deleted, a usage error.
    std::fputs("y\n", in);
    std::rewind(in);
    EXPECT_EQ(2, run({path}));
    EXPECT_NE(std::string::npos, contentOf(err).find("--yes"));
    EXPECT_EQ(4u, streams().size());

    console.inIsTerminal = true;
    const struct {
        std::string answer;
        int code;
        std::size_t streamsLeft;
    } answers[] = {{"", 1, 4}, {"\n", 1, 4}, {"n\n", 1, 4}, {"yep\n", 1, 4}, {"YES\r\n", 0, 3}};
    for (const auto& a : answers) {
        std::FILE* answer = std::tmpfile();
        std::fputs(a.answer.c_str(), answer);
        std::rewind(answer);
        console.in = answer;
        std::rewind(err);
        EXPECT_EQ(a.code, run({path})) << a.answer;
        std::fclose(answer);
        const std::string asked = contentOf(err);
        EXPECT_EQ(0u,
                  asked.find("  " + path + "\nDelete 1 alternate stream? This action is permanent! [y/N] "))
            << asked;
        EXPECT_EQ(a.streamsLeft, streams().size()) << a.answer;
    }
    console.in = in;
}

} // namespace
