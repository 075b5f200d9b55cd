// Version texts and values of a file, and the embedded pictures, over the test shell.

#include "system/UntKorvaneLib.h"

#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using plat::store::TSimStore;

namespace {

const std::wstring kProgram = L"C:\\Program Files\\Korvane\\ADSOmbrolux.exe";

class VersionTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::installFileServices(&store);
        plat::installShellServices(&shell);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addFile(kProgram, "MZ");
    }

    // Every one of the twelve values, under the key of the given language and code page.
    void setAllStrings(const std::wstring& key) {
        for (const wchar_t* name :
             {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
              L"LegalTrademarks", L"OriginalFileName", L"ProductName", L"ProductVersion", L"Comments",
              L"PrivateBuild", L"SpecialBuild"}) {
            shell.setVersionString(kProgram, L"\\StringFileInfo\\" + key + L"\\" + name,
                                   std::wstring(name) + L" value");
        }
    }

    TSimStore store;
    plat::TTestShell shell;
};

std::vector<std::wstring> fieldsOf(const TEXEVersionData& data) {
    return {data.CompanyName,    data.FileDescription, data.FileVersion,      data.InternalName,
            data.LegalCopyright, data.LegalTrademarks, data.OriginalFileName, data.ProductName,
            data.ProductVersion, data.Comments,        data.PrivateBuild,     data.SpecialBuild};
}

TEST_F(VersionTest, VersionTextFromTheFixedPart) {
    shell.setFixedVersion(kProgram, 1, 2, 3, 4);
    EXPECT_EQ(getFileVersionText(kProgram), L"v1.2.3 build 4");
    shell.setFixedVersion(kProgram, 65535, 0, 40000, 65535); // each part unsigned 16-bit
    EXPECT_EQ(getFileVersionText(kProgram), L"v65535.0.40000 build 65535");
}

TEST_F(VersionTest, NoVersionTextWithoutVersionInformation) {
    EXPECT_EQ(getFileVersionText(kProgram), L"");
    EXPECT_EQ(getFileVersionText(L"C:\\missing.exe"), L"");
    // Version information without the fixed part.
    shell.setTranslation(kProgram, 0x0409, 0x04B0);
    EXPECT_EQ(getFileVersionText(kProgram), L"");
}

TEST_F(VersionTest, ReadsAllTwelveValuesUnderTheFirstTranslation) {
    shell.setFixedVersion(kProgram, 1, 0, 0, 0);
    shell.setTranslation(kProgram, 0x0C0A, 0x04E4);
    setAllStrings(L"0c0a04e4");
    TEXEVersionData data;
    readVersionData(kProgram, data);
    EXPECT_EQ(fieldsOf(data), (std::vector<std::wstring>{
                                  L"CompanyName value", L"FileDescription value", L"FileVersion value",
                                  L"InternalName value", L"LegalCopyright value", L"LegalTrademarks value",
                                  L"OriginalFileName value", L"ProductName value", L"ProductVersion value",
                                  L"Comments value", L"PrivateBuild value", L"SpecialBuild value"}));
}

TEST_F(VersionTest, MissingValuesLeaveTheirFieldsAlone) {
    shell.setTranslation(kProgram, 0x0409, 0x04B0);
    shell.setVersionString(kProgram, L"\\StringFileInfo\\040904b0\\CompanyName", L"Korvane");
    shell.setVersionString(kProgram, L"\\StringFileInfo\\040904b0\\Comments", L"");
    TEXEVersionData data;
    data.ProductName = L"before";
    data.Comments = L"before";
    readVersionData(kProgram, data);
    EXPECT_EQ(data.CompanyName, L"Korvane");
    EXPECT_EQ(data.ProductName, L"before");
    EXPECT_EQ(data.Comments, L""); // present, and empty
}

TEST_F(VersionTest, RecordUnchangedWithoutFileTranslationOrMatchingKey) {
    TEXEVersionData data;
    data.CompanyName = L"before";

    readVersionData(L"C:\\missing.exe", data); // no such file, even with version information
    shell.setTranslation(L"C:\\missing.exe", 0x0409, 0x04B0);
    shell.setVersionString(L"C:\\missing.exe", L"\\StringFileInfo\\040904b0\\CompanyName", L"ghost");
    readVersionData(L"C:\\missing.exe", data);
    EXPECT_EQ(data.CompanyName, L"before");

    readVersionData(kProgram, data); // no version information
    EXPECT_EQ(data.CompanyName, L"before");

    shell.setVersionString(kProgram, L"\\StringFileInfo\\040904b0\\CompanyName", L"Korvane");
    readVersionData(kProgram, data); // no translation
    EXPECT_EQ(data.CompanyName, L"before");

    shell.setTranslation(kProgram, 0x0407, 0x04B0); // strings only under another language
    readVersionData(kProgram, data);
    EXPECT_EQ(data.CompanyName, L"before");
}

// A PNG file's signature and header chunk with the given size, then a little more.
std::vector<plat::BYTE> pngBytes(std::uint32_t width, std::uint32_t height) {
    std::vector<plat::BYTE> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                     0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    for (std::uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<plat::BYTE>(value >> shift));
        }
    }
    bytes.insert(bytes.end(), {8, 6, 0, 0, 0, 0xDE, 0xAD, 0xBE, 0xEF});
    return bytes;
}

TEST_F(VersionTest, LoadsPicturesByName) {
    shell.setResource(L"KORVANE_IMAGES", L"NCABUTTONLINK", pngBytes(46, 300));
    shell.setResource(L"RCDATA", L"NCABUTTONHOVER", pngBytes(1, 1)); // another type
    shell.setResource(L"KORVANE_IMAGES", L"EMPTY", {});
    shell.setResource(L"KORVANE_IMAGES", L"NOTPNG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0,
                                                     0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0});

    const std::unique_ptr<TPngPicture> link = loadPngResource(L"NCABUTTONLINK");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->width, 46);
    EXPECT_EQ(link->height, 300);
    EXPECT_EQ(link->bytes, pngBytes(46, 300));

    const std::unique_ptr<TPngPicture> empty = loadPngResource(L"EMPTY");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->empty());
    EXPECT_EQ(empty->width, 0);

    EXPECT_THROW(loadPngResource(L"NCABUTTONHOVER"), std::runtime_error);
    EXPECT_THROW(loadPngResource(L"MISSING"), std::runtime_error);
    EXPECT_THROW(loadPngResource(L"NOTPNG"), std::runtime_error);
}

} // namespace
