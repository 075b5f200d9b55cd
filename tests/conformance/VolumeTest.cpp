// Drives and volumes, the error mode and the Windows folder, as Windows reports them.

#include "conformance/ConformanceFixture.h"

#include <cwchar>

namespace conformance {
namespace {

using Volumes = TConformanceCase;

TEST_F(Volumes, SystemDriveIsAFixedDriveWithAFileSystem) {
    EXPECT_NE(fs().GetLogicalDrives() & (1u << 2), 0u) << "C: is present";
    EXPECT_EQ(fs().GetDriveTypeW(L"C:\\"), plat::DRIVE_FIXED);

    wchar_t label[plat::MAX_PATH + 1] = {L'?'};
    wchar_t fileSystem[plat::MAX_PATH + 1] = {L'?'};
    plat::DWORD serial = 0, maxComponent = 0, flags = 0;
    ASSERT_TRUE(fs().GetVolumeInformationW(L"C:\\", label, plat::MAX_PATH + 1, &serial, &maxComponent, &flags,
                                           fileSystem, plat::MAX_PATH + 1));
    EXPECT_GT(std::wcslen(fileSystem), 0u);
    EXPECT_LT(std::wcslen(label), static_cast<std::size_t>(plat::MAX_PATH + 1)); // terminated
}

TEST_F(Volumes, AbsentDriveHasNoRoot) {
    const plat::DWORD present = fs().GetLogicalDrives();
    int absent = -1;
    for (int letter = 25; letter >= 3 && absent < 0; --letter) { // from Z:, away from A: and B:
        if ((present & (1u << letter)) == 0) {
            absent = letter;
        }
    }
    if (absent < 0) {
        GTEST_SKIP() << "every drive letter from D: to Z: is in use";
    }
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + absent), L':', L'\\', 0};
    EXPECT_EQ(fs().GetDriveTypeW(root), plat::DRIVE_NO_ROOT_DIR);
    wchar_t fileSystem[plat::MAX_PATH + 1] = {};
    EXPECT_FALSE(fs().GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                            plat::MAX_PATH + 1));
}

TEST_F(Volumes, ErrorModeReturnsThePreviousMode) {
    const plat::UINT before = fs().SetErrorMode(plat::SEM_FAILCRITICALERRORS);
    EXPECT_EQ(fs().SetErrorMode(before), plat::SEM_FAILCRITICALERRORS);
}

TEST_F(Volumes, WindowsFolderIsAFullPath) {
    wchar_t buffer[plat::MAX_PATH + 1] = {};
    const plat::UINT length = fs().GetWindowsDirectoryW(buffer, plat::MAX_PATH + 1);
    ASSERT_GT(length, 3u);
    ASSERT_LT(length, static_cast<plat::UINT>(plat::MAX_PATH + 1));
    EXPECT_EQ(std::wcslen(buffer), length);
    EXPECT_EQ(std::wstring(buffer + 1, 2), L":\\");
    // Too small a buffer: the size needed, terminator included.
    wchar_t small[2] = {};
    EXPECT_EQ(fs().GetWindowsDirectoryW(small, 2), length + 1);
}

} // namespace
} // namespace conformance
