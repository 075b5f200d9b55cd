// The window's file services with a disk image's volumes attached beside the live drives: which
// paths reach the image, how rows name them, that a handle outlives the next attach, and that
// nothing written reaches the image.

#include "ntfs/NtfsImage.h"
#include "platform/RoutedFileServices.h"
#include "platform/ntfs/NtfsImageDrives.h"
#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <fstream>

namespace ntfstest {
namespace {

using plat::ntfs::TImageDriveServices;
using plat::ntfs::TImageRoot;
using plat::ntfs::TImageVolume;

class ImageDrives : public testing::Test {
protected:
    void SetUp() override {
        if (const std::string& reason = copyToolsUnavailableReason(); !reason.empty()) {
            GTEST_SKIP() << reason;
        }
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addDrive(L'Z', plat::DRIVE_FIXED, L"Taken", L"NTFS"); // the first free letter is Y:
        store.addFile(L"C:\\live.txt", "live");
    }

    // A bare volume holding a.txt with the stream s, its bytes given.
    std::filesystem::path volumeWith(const std::string& name, const std::string& stream) {
        const std::filesystem::path image = scratch.path() / name;
        const std::filesystem::path data = scratch.path() / "data";
        EXPECT_TRUE(makeImage(image, 2, "Vol"));
        std::ofstream(data, std::ios::binary) << "main";
        EXPECT_TRUE(ntfscp(image, data, L"a.txt"));
        std::ofstream(data, std::ios::binary | std::ios::trunc) << stream;
        EXPECT_TRUE(ntfscp(image, data, L"a.txt", L"s"));
        return image;
    }
    // The image's volume, named as the rows name it.
    static std::vector<TImageVolume> named(const std::filesystem::path& image,
                                           const std::vector<std::wstring>& names) {
        std::vector<TImageVolume> volumes;
        for (const std::wstring& name : names) {
            plat::ntfs::TImageVolumes opened = plat::ntfs::openImageVolumes(L"x", image);
            EXPECT_EQ(opened.volumes.size(), 1u);
            opened.volumes[0].source = name;
            volumes.push_back(std::move(opened.volumes[0]));
        }
        return volumes;
    }
    std::string readAll(const std::wstring& path) {
        plat::HANDLE file = drives.CreateFileW(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ,
                                               nullptr, plat::OPEN_EXISTING, 0, nullptr);
        if (file == plat::INVALID_HANDLE_VALUE) {
            return "(cannot open)";
        }
        std::string bytes(64, '\0');
        plat::DWORD read = 0;
        drives.ReadFile(file, bytes.data(), 64, &read, nullptr);
        drives.CloseHandle(file);
        return bytes.substr(0, read);
    }

    TScratchFolder scratch;
    plat::store::TSimStore store;
    TImageDriveServices drives{store};
};

TEST_F(ImageDrives, RowsNameTheVolumeAndMapBackToItsLetter) {
    const std::vector<TImageRoot> roots =
        drives.attach(named(volumeWith("v.img", "first"), {L"x.dd [1]", L"x.dd [10]"}));
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0].root, L"Y:\\") << "letters no live drive has, from Z: down";
    EXPECT_EQ(roots[1].root, L"X:\\");
    EXPECT_EQ(drives.GetLogicalDrives(), store.GetLogicalDrives()) << "an image's volumes are no drives";

    const struct {
        std::wstring path;
        std::wstring shown;
    } cases[] = {
        {L"Y:\\a.txt:s", L"x.dd [1]\\a.txt:s"},
        {L"X:\\a.txt", L"x.dd [10]\\a.txt"},
        {L"Y:\\", L"x.dd [1]\\"},
        {L"C:\\live.txt", L"C:\\live.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.path));
        EXPECT_EQ(drives.shownPath(c.path), c.shown);
        if (c.shown != c.path) {
            EXPECT_EQ(drives.readerPath(c.shown), c.path);
        } else {
            EXPECT_FALSE(drives.readerPath(c.shown).has_value());
        }
    }
    // A name is one only up to its separator: "x.dd [1]" is not the start of "x.dd [10]\...".
    EXPECT_FALSE(drives.readerPath(L"x.dd [1]").has_value());
    EXPECT_FALSE(drives.readerPath(L"x.dd [2]\\a.txt").has_value());

    EXPECT_EQ(readAll(L"Y:\\a.txt:s"), "first");
    EXPECT_EQ(readAll(L"C:\\live.txt"), "live");
    drives.detach();
    EXPECT_EQ(drives.shownPath(L"Y:\\a.txt"), L"Y:\\a.txt");
    EXPECT_FALSE(drives.readerPath(L"x.dd [1]\\a.txt").has_value());
    EXPECT_EQ(readAll(L"Y:\\a.txt:s"), "(cannot open)")
        << "Y: is a live letter again, and the store has none";
}

TEST_F(ImageDrives, ADriveOfTheSecondOfTwoRoutedServicesIsNotTaken) {
    // As in the test build: the store's drives listed, the real ones (Wine's Z:, here Y:) behind them.
    plat::store::TSimStore real;
    real.addDrive(L'Y', plat::DRIVE_FIXED, L"Real", L"NTFS");
    real.addFile(L"Y:\\real.txt", "real");
    plat::TRoutedFileServices routed(store, real);
    TImageDriveServices overRouted(routed);
    const std::vector<TImageRoot> roots = overRouted.attach(named(volumeWith("v.img", "s"), {L"v.img"}));
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0].root, L"X:\\");
    EXPECT_NE(overRouted.GetFileAttributesW(L"Y:\\real.txt"), plat::INVALID_FILE_ATTRIBUTES);
}

TEST_F(ImageDrives, AHandleOpenedOnAnImageOutlivesTheNextAttach) {
    drives.attach(named(volumeWith("old.img", "old bytes"), {L"old.img"}));
    plat::HANDLE old = drives.CreateFileW(L"Y:\\a.txt:s", plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                          plat::OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(old, plat::INVALID_HANDLE_VALUE);

    drives.attach(named(volumeWith("new.img", "new bytes"), {L"new.img"}));
    EXPECT_EQ(readAll(L"Y:\\a.txt:s"), "new bytes");
    char buffer[16] = {};
    plat::DWORD read = 0;
    ASSERT_NE(drives.ReadFile(old, buffer, sizeof(buffer), &read, nullptr), plat::FALSE);
    EXPECT_EQ(std::string(buffer, read), "old bytes") << "the old image's reader lives while its handle does";
    EXPECT_NE(drives.CloseHandle(old), plat::FALSE);
    EXPECT_EQ(drives.openHandles(), 0u);
    EXPECT_EQ(drives.CloseHandle(old), plat::FALSE) << "a closed handle is refused";
    EXPECT_EQ(drives.GetLastError(), plat::ERROR_INVALID_HANDLE);
}

TEST_F(ImageDrives, NothingIsWrittenToTheImage) {
    const std::filesystem::path image = volumeWith("ro.img", "kept");
    std::ifstream in(image, std::ios::binary);
    const std::string before((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    drives.attach(named(image, {L"ro.img"}));

    EXPECT_EQ(drives.DeleteFileW(L"Y:\\a.txt:s"), plat::FALSE);
    EXPECT_EQ(drives.GetLastError(), plat::ERROR_ACCESS_DENIED);
    EXPECT_EQ(
        drives.CreateFileW(L"Y:\\new.txt", plat::GENERIC_WRITE, 0, nullptr, plat::CREATE_ALWAYS, 0, nullptr),
        plat::INVALID_HANDLE_VALUE);
    EXPECT_EQ(drives.CreateDirectoryW(L"Y:\\dir", nullptr), plat::FALSE);
    EXPECT_EQ(readAll(L"Y:\\a.txt:s"), "kept");
    drives.detach();

    std::ifstream after(image, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()), before);
    EXPECT_EQ(drives.openHandles(), 0u);
}

} // namespace
} // namespace ntfstest
