// The system helpers over the real Windows shell, version and resource functions.

#include "platform/FileServices.h"
#include "platform/ShellServices.h"
#include "system/UntKorvaneLib.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <stdexcept>
#include <string>

namespace {

std::wstring ownFile() {
    wchar_t buffer[1024] = {};
    const plat::DWORD length = plat::shell().GetModuleFileNameW(buffer, 1024);
    return std::wstring(buffer, length);
}

// A path beside the test executable.
std::wstring besideOwnFile(const std::wstring& name) {
    const std::wstring own = ownFile();
    return own.substr(0, own.find_last_of(L'\\') + 1) + name;
}

// A plain text file that exists for the test's lifetime.
class TTextFile {
public:
    explicit TTextFile(std::wstring path) : FPath(std::move(path)) {
        plat::TFileServices& fs = plat::files();
        plat::HANDLE file = fs.CreateFileW(FPath.c_str(), plat::GENERIC_WRITE, 0, nullptr,
                                           plat::CREATE_ALWAYS, plat::FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, plat::INVALID_HANDLE_VALUE);
        if (file != plat::INVALID_HANDLE_VALUE) {
            plat::DWORD written = 0;
            fs.WriteFile(file, "no version here", 15, &written, nullptr);
            fs.CloseHandle(file);
        }
    }
    ~TTextFile() { plat::files().DeleteFileW(FPath.c_str()); }
    const std::wstring& path() const { return FPath; }

private:
    std::wstring FPath;
};

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return text;
}

} // namespace

TEST(SystemHelpersWin32, ReadsTheVersionOfItsOwnFile) {
    EXPECT_EQ(getFileVersionText(ownFile()), L"v1.2.3 build 4");

    TEXEVersionData data;
    data.Comments = L"left alone";
    readVersionData(ownFile(), data);
    EXPECT_EQ(data.CompanyName, L"Korvane Test");
    EXPECT_EQ(data.FileDescription, L"Korvane ADS Ombrolux tests");
    EXPECT_EQ(data.FileVersion, L"1.2.3.4");
    EXPECT_EQ(data.ProductName, L"Korvane ADS Ombrolux");
    EXPECT_EQ(data.ProductVersion, L"1.2.3.4");
    EXPECT_EQ(data.InternalName, L"");
    EXPECT_EQ(data.Comments, L"left alone"); // not in the resource: unchanged
}

TEST(SystemHelpersWin32, FileWithoutVersionInformationGivesNothing) {
    TTextFile text(besideOwnFile(L"no_version_info.txt"));
    EXPECT_EQ(getFileVersionText(text.path()), L"");
    TEXEVersionData data;
    readVersionData(text.path(), data);
    EXPECT_EQ(data.CompanyName, L"");
    EXPECT_EQ(data.FileVersion, L"");
    EXPECT_EQ(data.ProductName, L"");
    EXPECT_EQ(getFileVersionText(besideOwnFile(L"missing_file.exe")), L"");
}

TEST(SystemHelpersWin32, IconOfAMissingPathComesFromItsExtension) {
    TTextFile text(besideOwnFile(L"icon_probe.txt"));
    const int present = getShellIconIndex(text.path());
    EXPECT_EQ(getShellIconIndex(L"C:\\no such folder\\missing.txt"), present);
    EXPECT_NE(getShellIconIndex(getWindowsFolder()), present); // a folder has its own icon
}

TEST(SystemHelpersWin32, SystemDriveAndWindowsFolder) {
    const std::wstring root = getSystemDriveRoot();
    const std::wstring windows = getWindowsFolder();
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root.substr(1), L":\\");
    ASSERT_GT(windows.size(), root.size());
    EXPECT_EQ(windows.back(), L'\\');
    EXPECT_EQ(upper(windows.substr(0, 3)), upper(root));
    const plat::DWORD attributes = plat::files().GetFileAttributesW(windows.c_str());
    ASSERT_NE(attributes, plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & plat::FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(SystemHelpersWin32, LoadsPicturesFromItsResources) {
    const std::unique_ptr<TPngPicture> picture = loadPngResource(L"TESTIMAGE");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, 5);
    EXPECT_EQ(picture->height, 3);
    ASSERT_GE(picture->bytes.size(), 8u);
    EXPECT_EQ(picture->bytes[1], 'P');
    EXPECT_THROW(loadPngResource(L"NO_SUCH_PICTURE"), std::runtime_error);
}
