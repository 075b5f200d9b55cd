// What is gathered of a stream through the file services: times, attributes, preview, hash and the
// decoded mark, and the reason when the bytes cannot be read.

#include "report/StreamFacts.h"

#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "support/StoreLinks.h"

#include <gtest/gtest.h>

namespace {

class StreamFactsTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::installFileServices(&FStore);
        plat::installShellServices(&FShell);
        FStore.addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
        FStore.addFile(L"C:\\dl\\setup.exe", "MZ",
                       plat::FILE_ATTRIBUTE_ARCHIVE | plat::FILE_ATTRIBUTE_HIDDEN);
        FStore.addStream(L"C:\\dl\\setup.exe", L"Zone.Identifier",
                         "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://x.test/setup.exe\r\n");
        FStore.addStream(L"C:\\dl\\setup.exe", L"abc", "abc");
    }
    void TearDown() override {
        EXPECT_EQ(0, FStore.openHandles());
        plat::installFileServices(nullptr);
        plat::installShellServices(nullptr);
    }
    plat::store::TSimStore FStore;
    plat::TTestShell FShell;
};

TEST_F(StreamFactsTest, GathersHashMarkPreviewTimesAndAttributes) {
    std::string error;
    const report::TStreamFinding mark = report::gatherFinding(
        L"C:\\dl", L"C:\\dl\\setup.exe", TADSObject(L"Zone.Identifier", 56), {5, true}, error);
    EXPECT_EQ("", error);
    EXPECT_EQ(L"C:\\dl\\setup.exe:Zone.Identifier", mark.fullPath);
    EXPECT_EQ(L"[Zone", mark.preview);
    ASSERT_TRUE(mark.mark && mark.mark->readable);
    EXPECT_EQ("https://x.test/setup.exe", mark.mark->field("HostUrl"));
    EXPECT_EQ(64u, mark.sha256.size());
    EXPECT_TRUE(mark.created.has_value());
    EXPECT_EQ(plat::FILE_ATTRIBUTE_ARCHIVE | plat::FILE_ATTRIBUTE_HIDDEN, mark.attributes.value_or(0));

    const report::TStreamFinding plain =
        report::gatherFinding(L"C:\\dl", L"C:\\dl\\setup.exe", TADSObject(L"abc", 3), {0, true}, error);
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", plain.sha256);
    EXPECT_FALSE(plain.mark.has_value());
    EXPECT_EQ(L"", plain.preview);

    // Without a hash a mark is still decoded.
    const report::TStreamFinding unhashed = report::gatherFinding(
        L"C:\\dl", L"C:\\dl\\setup.exe", TADSObject(L"Zone.Identifier", 56), {0, false}, error);
    EXPECT_TRUE(unhashed.mark && unhashed.mark->readable);
    EXPECT_EQ("", unhashed.sha256);
    ASSERT_TRUE(unhashed.streamClass.has_value());
    EXPECT_EQ("download-mark", unhashed.streamClass->kind);
    EXPECT_EQ(report::TVerdict::known, unhashed.streamClass->verdict);
}

TEST_F(StreamFactsTest, ClassifiesFromOneReadOfTheFirst64KiB) {
    // A program behind a folder, found by its first bytes; a mark larger than what is read is not one.
    FStore.addFolder(L"C:\\dl\\sub");
    FStore.addStream(L"C:\\dl\\sub", L"run", "@echo off\r\ncmd /c start x.exe\r\n");
    FStore.addStream(L"C:\\dl\\setup.exe", L"Zone.Identifier",
                     "[ZoneTransfer]\r\nZoneId=3\r\n" + std::string(report::kClassifyBytes, ' '));
    std::string error;
    const report::TStreamFinding script =
        report::gatherFinding(L"C:\\dl", L"C:\\dl\\sub", TADSObject(L"run", 30), {4, false}, error);
    ASSERT_TRUE(script.streamClass.has_value());
    EXPECT_EQ("script-batch", script.streamClass->kind);
    EXPECT_EQ(report::TVerdict::suspicious, script.streamClass->verdict);
    EXPECT_NE(std::string::npos, report::reasonsLine(*script.streamClass).find("folder"));
    EXPECT_EQ(L"@ech", script.preview);

    const auto big = static_cast<std::int64_t>(report::kClassifyBytes) + 25;
    for (const bool hash : {false, true}) {
        const report::TStreamFinding mark = report::gatherFinding(
            L"C:\\dl", L"C:\\dl\\setup.exe", TADSObject(L"Zone.Identifier", big), {0, hash}, error);
        EXPECT_EQ("", error);
        ASSERT_TRUE(mark.mark.has_value());
        EXPECT_EQ("too large for a download mark", mark.mark->reason);
        EXPECT_EQ(report::TVerdict::suspicious, mark.streamClass->verdict);
        EXPECT_EQ(hash ? 64U : 0U, mark.sha256.size());
    }
    const std::optional<std::string> head = report::readStreamHead(L"C:\\dl\\setup.exe:Zone.Identifier");
    ASSERT_TRUE(head.has_value());
    EXPECT_EQ(report::kClassifyBytes, head->size());
    EXPECT_FALSE(report::readStreamHead(L"C:\\dl\\setup.exe:nothing").has_value());
}

TEST_F(StreamFactsTest, ALinksStreamIsHashedFromTheLinkItself) {
    const testsupport::TStoreLinks links(FStore, L"C:\\links");
    std::string error;
    const report::TStreamFinding own =
        report::gatherFinding(L"C:\\links", links.fileLink, TADSObject(L"x", 11), {30, true}, error);
    EXPECT_EQ("", error);
    EXPECT_EQ(L"file link's", own.preview);
    // SHA-256 of "file link's".
    EXPECT_EQ("5daa233b59f24cf0614470f37ccce84a33f1db79b0fe183c9c457ecdf52bc8ca", own.sha256);
}

TEST_F(StreamFactsTest, NamesTheReasonWhenTheBytesCannotBeRead) {
    FStore.failPath(plat::store::TCall::ReadFile, L"Zone", plat::ERROR_ACCESS_DENIED);
    std::string error;
    const report::TStreamFinding f = report::gatherFinding(
        L"C:\\dl", L"C:\\dl\\setup.exe", TADSObject(L"Zone.Identifier", 56), {0, true}, error);
    EXPECT_EQ("access denied", error);
    EXPECT_EQ("", f.sha256);
    EXPECT_FALSE(f.mark.has_value()); // never guessed
    EXPECT_EQ("unreadable", f.streamClass->kind);

    // Without the hash or a mark an unreadable stream is no error (as before classes): its class says so.
    FStore.failPath(plat::store::TCall::ReadFile, L"abc", plat::ERROR_ACCESS_DENIED);
    const report::TStreamFinding plain =
        report::gatherFinding(L"C:\\dl", L"C:\\dl\\setup.exe", TADSObject(L"abc", 3), {5, false}, error);
    EXPECT_EQ("", error);
    EXPECT_EQ(L"", plain.preview);
    EXPECT_EQ("unreadable", plain.streamClass->kind);
}

} // namespace
