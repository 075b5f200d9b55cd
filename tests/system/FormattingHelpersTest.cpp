// Size texts, sizes of files and streams, free file names, blank texts, the system drive and the
// Windows folder, and shell icons, over the simulated store and the test shell.

#include "system/UntKorvaneLib.h"

#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

using plat::store::TCall;
using plat::store::TSimStore;

namespace {

constexpr std::int64_t kGiB = std::int64_t(1) << 30;

class HelpersTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::installFileServices(&store);
        plat::installShellServices(&shell);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addDrive(L'D', plat::DRIVE_FIXED, L"Data", L"NTFS");
    }
    void TearDown() override {
        EXPECT_EQ(store.openHandles(), 0);
        EXPECT_EQ(store.redirectionOffCount(), 0) << "redirection left switched off";
    }

    TSimStore store;
    plat::TTestShell shell;
};

TEST_F(HelpersTest, FormatsSizes) {
    const std::pair<std::int64_t, std::wstring> cases[] = {
        {0, L""},
        {1, L"1 bytes"},
        {1024, L"1024 bytes"},
        {1025, L"1 KB"},
        {1500, L"1.46 KB"},
        {1536, L"1.5 KB"},
        {1048575, L"1024 KB"},
        {1048576, L"1024 KB"},
        {1048577, L"1 MB"},
        {1073741824, L"1024 MB"},
        {2147483647, L"2 GB"},
        {-1, L"-1 bytes"},
        {3 * kGiB, L"3 GB"},
        {5 * kGiB, L"5 GB"},
        {5 * kGiB + kGiB / 4, L"5.25 GB"},
        {std::int64_t(1) << 40, L"1024 GB"},
        {10 * 1024 + 1, L"10 KB"}, // 10.0009...: rounds to a whole number, no separator
    };
    for (const auto& [size, text] : cases) {
        EXPECT_EQ(formatFileSize(size), text) << "size " << size;
    }
}

TEST_F(HelpersTest, SizeTextsUseTheUsersDecimalSeparator) {
    shell.setDecimalSeparator(L",");
    EXPECT_EQ(formatFileSize(1500), L"1,46 KB");
    EXPECT_EQ(formatFileSize(1536), L"1,5 KB");
    EXPECT_EQ(formatFileSize(1025), L"1 KB");
    EXPECT_EQ(formatFileSize(1024), L"1024 bytes");
}

TEST_F(HelpersTest, SizeOfFilesAndStreams) {
    store.addFile(L"C:\\data\\file.txt", "12345");
    store.addStream(L"C:\\data\\file.txt", L"notes", "1234567");
    EXPECT_EQ(getFileSize(L"C:\\data\\file.txt"), 5);
    EXPECT_EQ(getFileSize(L"C:\\data\\file.txt:notes"), 7); // found only by the attribute query
    EXPECT_EQ(getFileSize(L"C:\\data\\missing.txt"), 0);
    EXPECT_EQ(getFileSize(L"C:\\data\\file.txt:missing"), 0);
    EXPECT_EQ(getFileSize(L"C:\\nowhere\\file.txt"), 0);
    // A file in the system folder, not the 32-bit system folder's file of the same name, whatever
    // the calling thread's redirection.
    store.addFile(L"C:\\Windows\\System32\\same.dll", "12");
    store.addFile(L"C:\\Windows\\SysWOW64\\same.dll", "123456789");
    store.addStream(L"C:\\Windows\\System32\\same.dll", L"s", "123");
    EXPECT_EQ(getFileSize(L"C:\\Windows\\System32\\same.dll"), 2);
    EXPECT_EQ(getFileSize(L"C:\\Windows\\System32\\same.dll:s"), 3);
    EXPECT_EQ(store.redirectedCalls(), 0);
}

TEST_F(HelpersTest, SizesKeepAllSixtyFourBits) {
    store.addFile(L"C:\\data\\big.bin", "12");
    store.setDataSize(L"C:\\data\\big.bin", (std::uint64_t(1) << 32) + 2);
    store.addStream(L"C:\\data\\big.bin", L"big", "");
    store.setDataSize(L"C:\\data\\big.bin:big", std::uint64_t(5 * kGiB));
    EXPECT_EQ(getFileSize(L"C:\\data\\big.bin"), (std::int64_t(1) << 32) + 2);
    EXPECT_EQ(getFileSize(L"C:\\data\\big.bin:big"), 5 * kGiB);
}

TEST_F(HelpersTest, StreamSizeQueryRunsWithRedirectionOffAndSwitchesItBackOn) {
    store.addFile(L"C:\\data\\file.txt", "12345");
    store.addStream(L"C:\\data\\file.txt", L"notes", "1234567");
    int offDuringQuery = -1;
    store.beforeCall(TCall::GetFileAttributesExW, 1, [&] { offDuringQuery = store.redirectionOffCount(); });
    EXPECT_EQ(getFileSize(L"C:\\data\\file.txt:notes"), 7);
    EXPECT_EQ(offDuringQuery, 1);
    EXPECT_EQ(store.redirectionOffCount(), 0);

    // A failing query and one that throws both leave redirection on.
    store.failCall(TCall::GetFileAttributesExW, 1, plat::ERROR_ACCESS_DENIED);
    EXPECT_EQ(getFileSize(L"C:\\data\\file.txt:notes"), 0);
    EXPECT_EQ(store.redirectionOffCount(), 0);
    store.beforeCall(TCall::GetFileAttributesExW, 1, [] { throw std::runtime_error("query failed"); });
    EXPECT_THROW(getFileSize(L"C:\\data\\file.txt:notes"), std::runtime_error);
    EXPECT_EQ(store.redirectionOffCount(), 0);
}

TEST_F(HelpersTest, StreamSizeWithoutTheRedirectionSwitches) {
    // A system without the switches has no redirection: the stream's size is still reported.
    store.setRedirectionFunctionsAvailable(false);
    store.addFile(L"C:\\data\\file.txt", "12345");
    store.addStream(L"C:\\data\\file.txt", L"notes", "1234567");
    store.clearCallLog();
    EXPECT_EQ(getFileSize(L"C:\\data\\file.txt:notes"), 7);
    EXPECT_EQ(getFileSize(L"C:\\data\\file.txt"), 5);
    EXPECT_EQ(getFileSize(L"C:\\data\\file.txt:missing"), 0);
    for (const auto& call : store.callLog()) {
        EXPECT_NE(call.call, TCall::Wow64DisableWow64FsRedirection);
    }
}

TEST_F(HelpersTest, MakesUniqueFileNames) {
    store.addFile(L"D:\\Saved\\Zone.Identifier");
    store.addFile(L"D:\\Saved\\notes");
    store.addFile(L"D:\\Saved\\a.b.c");
    store.addFile(L"D:\\Saved\\twice.txt");
    store.addFile(L"D:\\Saved\\twice(1).txt");
    store.addFolder(L"D:\\Saved\\folder.only");
    store.addFile(L"D:\\Saved.v2\\readme");
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"D:\\Saved\\free.txt", L"D:\\Saved\\free.txt"},
        {L"D:\\Saved\\Zone.Identifier", L"D:\\Saved\\Zone(1).Identifier"},
        {L"D:\\Saved\\zone.identifier", L"D:\\Saved\\zone(1).identifier"}, // names compare without case
        {L"D:\\Saved\\notes", L"D:\\Saved\\notes(1)"},
        {L"D:\\Saved\\a.b.c", L"D:\\Saved\\a.b(1).c"},
        {L"D:\\Saved\\twice.txt", L"D:\\Saved\\twice(2).txt"},
        {L"D:\\Saved\\folder.only", L"D:\\Saved\\folder.only"}, // a folder is no file
        {L"D:\\Saved.v2\\readme", L"D:\\Saved.v2\\readme(1)"},  // a dot in a folder is no extension
    };
    for (const auto& [wanted, result] : cases) {
        EXPECT_EQ(makeUniqueFileName(wanted), result);
    }
    store.addFile(L"D:\\Saved\\Zone(1).Identifier");
    EXPECT_EQ(makeUniqueFileName(L"D:\\Saved\\Zone.Identifier"), L"D:\\Saved\\Zone(2).Identifier");
}

TEST_F(HelpersTest, NumberedNamesStayWithinTheLongestFileName) {
    // A name of 255 characters leaves no room for "(1)": the number takes it from the end of the name,
    // before the extension, and never splits a surrogate pair.
    const std::wstring longest(255, L'n');
    store.addFile(L"D:\\Saved\\" + longest);
    EXPECT_EQ(makeUniqueFileName(L"D:\\Saved\\" + longest),
              L"D:\\Saved\\" + std::wstring(252, L'n') + L"(1)");
    const std::wstring withExtension = std::wstring(251, L'e') + L".txt";
    store.addFile(L"D:\\Saved\\" + withExtension);
    store.addFile(L"D:\\Saved\\" + std::wstring(248, L'e') + L"(1).txt");
    EXPECT_EQ(makeUniqueFileName(L"D:\\Saved\\" + withExtension),
              L"D:\\Saved\\" + std::wstring(248, L'e') + L"(2).txt");
    const std::wstring surrogates = std::wstring(251, L'p') + L"\xD83D\xDE00\xD83D\xDE00";
    store.addFile(L"D:\\Saved\\" + surrogates);
    EXPECT_EQ(makeUniqueFileName(L"D:\\Saved\\" + surrogates),
              L"D:\\Saved\\" + std::wstring(251, L'p') + L"(1)");
}

TEST_F(HelpersTest, BlankTexts) {
    const std::pair<std::wstring, bool> cases[] = {
        {L"", true},
        {L" ", true},
        {L"\t\r\n ", true},
        {std::wstring(1, L'\0') + L"\x1F ", true},
        {L"a", false},
        {L"  a  ", false},
        {L"!", false},      // code 33
        {L"\x00A0", false}, // no-break space is above 32
        {L" C:\\Saved ", false},
    };
    for (const auto& [text, blank] : cases) {
        EXPECT_EQ(isBlank(text), blank) << "text of " << text.size() << " characters";
    }
}

TEST_F(HelpersTest, SystemDriveAndWindowsFolder) {
    const std::pair<std::wstring, std::pair<std::wstring, std::wstring>> cases[] = {
        {L"C:\\Windows", {L"C:\\", L"C:\\Windows\\"}},
        {L"D:\\WinNT\\", {L"D:\\", L"D:\\WinNT\\"}},
        {L"\\\\server\\share\\Windows", {L"\\\\server\\share\\", L"\\\\server\\share\\Windows\\"}},
    };
    for (const auto& [windows, expected] : cases) {
        store.setWindowsDirectory(windows);
        EXPECT_EQ(getSystemDriveRoot(), expected.first) << "Windows in " << windows.size() << " characters";
        EXPECT_EQ(getWindowsFolder(), expected.second);
    }
}

TEST_F(HelpersTest, WindowsFolderLongerThanTheFirstBuffer) {
    const std::wstring deep = L"E:\\" + std::wstring(300, L'w');
    store.setWindowsDirectory(deep);
    EXPECT_EQ(getWindowsFolder(), deep + L"\\");
    EXPECT_EQ(getSystemDriveRoot(), L"E:\\");
}

TEST_F(HelpersTest, WindowsFolderThatCannotBeHad) {
    store.failCall(TCall::GetWindowsDirectoryW, 0, plat::ERROR_NOT_READY);
    EXPECT_EQ(getSystemDriveRoot(), L"c:\\");
    EXPECT_EQ(getWindowsFolder(), L"");
}

TEST_F(HelpersTest, ShellIconsByFolderOrExtension) {
    shell.setFolderIcon(3);
    shell.setDefaultFileIcon(1);
    shell.setExtensionIcon(L".txt", 7);
    store.addFile(L"C:\\data\\present.txt", "x");
    store.addFile(L"C:\\data\\present.odd", "x");
    // A file whose name the 32-bit system folder gives to a folder.
    store.addFile(L"C:\\Windows\\System32\\tool.txt", "x");
    store.addFolder(L"C:\\Windows\\SysWOW64\\tool.txt");
    const std::pair<std::wstring, int> cases[] = {
        {L"C:\\Windows\\System32\\tool.txt", 7},
        {L"C:\\data", 3},
        {L"C:\\", 3},
        {L"C:\\data\\present.txt", 7},
        {L"C:\\data\\present.odd", 1},
        {L"C:\\nowhere\\missing.TXT", 7}, // the name alone decides
        {L"C:\\nowhere\\missing", 1},
    };
    for (const auto& [path, icon] : cases) {
        EXPECT_EQ(getShellIconIndex(path), icon) << "path of " << path.size() << " characters";
    }
}

} // namespace
