// The window's file services with a disk image's volumes attached beside the live drives: which
// paths reach the image, how rows name them, that a handle outlives the next attach, and that
// nothing written reaches the image. Also the paths of live drives that hold a name written with the
// escape: they alone reach the drive a direct scan read and kept.

#include "ntfs/NtfsImage.h"
#include "platform/RoutedFileServices.h"
#include "platform/ntfs/NtfsDirectDrive.h"
#include "platform/ntfs/NtfsImageDrives.h"
#include "platform/FileServices.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "stream/UntKorvaneLib.h"
#include "streamops/UntKorvaneLibStreamOps.h"

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

// A store whose drive E: can also be opened as a raw volume: "\\\\.\\E:" opens the bytes of a store file,
// as Windows opens a volume's sectors.
class TRawVolumeStore : public plat::store::TSimStore {
public:
    plat::HANDLE CreateFileW(const wchar_t* path, plat::DWORD access, plat::DWORD share, void* security,
                             plat::DWORD disposition, plat::DWORD flags, plat::HANDLE templateFile) override {
        if (path != nullptr && std::wstring(path) == L"\\\\.\\E:") {
            return TSimStore::CreateFileW(L"C:\\raw\\e.vol", access, share, security, disposition, flags,
                                          templateFile);
        }
        return TSimStore::CreateFileW(path, access, share, security, disposition, flags, templateFile);
    }
};

// A live drive read directly lists names Windows cannot open ("a?b.txt", shown "a|3Fb.txt"). Kept by
// the scan, the drive's volume reads them for the rows' preview and backup, while every other path of
// the drive goes through Windows; a delete is refused. Without a kept drive (never kept, let go, or
// after the next scan's detach) Windows gets the path, and refuses it.
TEST(ImageDrivesEscapedNames, PathsHoldingAnEscapeReadTheKeptDirectDrive) {
    if (const std::string& reason = copyToolsUnavailableReason(); !reason.empty()) {
        GTEST_SKIP() << reason;
    }
    TScratchFolder scratch;
    const std::filesystem::path image = scratch.path() / "e.vol";
    const std::filesystem::path data = scratch.path() / "data";
    ASSERT_TRUE(makeImage(image, 2, "Live"));
    writeBytes(data, "main");
    ASSERT_TRUE(ntfscp(image, data, L"a?b.txt"));
    ASSERT_TRUE(ntfscp(image, data, L"plain.txt"));
    writeBytes(data, "escaped bytes");
    ASSERT_TRUE(ntfscp(image, data, L"a?b.txt", L"s"));
    writeBytes(data, "volume bytes");
    ASSERT_TRUE(ntfscp(image, data, L"plain.txt", L"s"));

    TRawVolumeStore store;
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'E', plat::DRIVE_FIXED, L"Live", L"NTFS");
    store.addFile(L"C:\\raw\\e.vol", readBytes(image));
    store.addFolder(L"C:\\saved");
    store.addFile(L"E:\\plain.txt", "main");
    store.addStream(L"E:\\plain.txt", L"s", "live bytes"); // what Windows reads
    TImageDriveServices drives{store};
    plat::installFileServices(&drives);
    plat::TTestShell shell; // the preview's code page
    plat::installShellServices(&shell);
    const std::wstring escaped = L"E:\\a|3Fb.txt:s";

    EXPECT_EQ(getContentPreview(escaped, 64), L"") << "no drive kept: Windows refuses the name";
    auto drive = std::make_shared<plat::ntfs::TDirectDrive>(store, L'E');
    ASSERT_TRUE(drive->opened());
    drives.keepDirect(L'E', drive);
    drive.reset(); // the scan is over

    EXPECT_EQ(getContentPreview(escaped, 64), L"escaped bytes") << "the window's preview";
    EXPECT_EQ(getContentPreview(L"E:\\plain.txt:s", 64), L"live bytes") << "no escape: through Windows";
    std::wstring written;
    EXPECT_TRUE(copyStreamToFile(escaped, L"C:\\saved\\s", &written)) << "Backup Selected ADS";
    EXPECT_EQ(store.readData(L"C:\\saved\\s"), "escaped bytes");
    EXPECT_NE(drives.GetFileAttributesW(L"E:\\a|3Fb.txt"), plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(drives.DeleteFileW(escaped.c_str()), plat::FALSE);
    EXPECT_EQ(drives.GetLastError(), plat::ERROR_ACCESS_DENIED);
    EXPECT_EQ(getContentPreview(escaped, 64), L"escaped bytes") << "left as it was";

    // A handle keeps the drive while the next scan starts; after it, Windows gets the path again.
    plat::HANDLE held = drives.CreateFileW(escaped.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ,
                                           nullptr, plat::OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, plat::INVALID_HANDLE_VALUE);
    drives.detach();
    EXPECT_EQ(getContentPreview(escaped, 64), L"");
    char buffer[16] = {};
    plat::DWORD read = 0;
    EXPECT_NE(drives.ReadFile(held, buffer, sizeof(buffer), &read, nullptr), plat::FALSE);
    EXPECT_EQ(std::string(buffer, read), "escaped bytes");
    EXPECT_NE(drives.CloseHandle(held), plat::FALSE);

    drives.keepDirect(L'E', std::make_shared<plat::ntfs::TDirectDrive>(store, L'E'));
    drives.keepDirect(L'E', nullptr); // the drive listed no such name after all
    EXPECT_EQ(getContentPreview(escaped, 64), L"");
    EXPECT_EQ(drives.openHandles(), 0u);
    plat::installShellServices(nullptr);
    plat::installFileServices(nullptr);
}

} // namespace
} // namespace ntfstest
