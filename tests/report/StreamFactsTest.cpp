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

    // Without a hash a mark is still decoded; other streams are not opened at all.
    const report::TStreamFinding unhashed = report::gatherFinding(
        L"C:\\dl", L"C:\\dl\\setup.exe", TADSObject(L"Zone.Identifier", 56), {0, false}, error);
    EXPECT_TRUE(unhashed.mark && unhashed.mark->readable);
    EXPECT_EQ("", unhashed.sha256);
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
}

} // namespace
