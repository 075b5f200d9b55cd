// A volume 6,000 folders deep: the reader's tree, its path lookup, its directory search and the climb
// from a file to its place (the path of an MFT reference) reach the bottom without recursing per
// level, and a stream at the top and one at the bottom read back. ntfs-3g resolves every path from the
// root, so making the folders one in another through it takes minutes: it makes them side by side in
// the root, and the test then points each folder's parent reference at the one before.

#include "ntfs/NtfsImage.h"
#include "ntfs/NtfsPatchedImage.h"
#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>

namespace ntfstest {
namespace {

namespace fs = std::filesystem;

constexpr int kLevels = 6000;

std::wstring folderName(int level) {
    wchar_t name[16];
    std::swprintf(name, 16, L"d%04d", level);
    return name;
}

TEST(NtfsDepth, SixThousandLevelsAreFoundReadAndPlaced) {
    if (!toolsUnavailableReason().empty()) {
        GTEST_SKIP() << toolsUnavailableReason();
    }
    const TScratchFolder folder;
    TFixtureVolume fixture;
    fixture.image = folder.path() / "deep.img";
    const fs::path mount = folder.path() / "mnt";
    fs::create_directory(mount);
    ASSERT_TRUE(makeImage(fixture.image, 32, "deep"));
    {
        TMount m(fixture.image, mount, "streams_interface=windows");
        ASSERT_TRUE(m.mounted());
        writeBytes(mount / "top.txt:top", "at the top");
        for (int level = 0; level < kLevels; ++level) {
            fs::create_directory(mount / utf8(folderName(level)));
        }
        writeBytes(mount / utf8(folderName(kLevels - 1)) / "deep.txt", "main");
        writeBytes(mount / utf8(folderName(kLevels - 1)) / "deep.txt:bottom", "at 6,000");
        ASSERT_TRUE(m.unmount());
    }

    const TImage image(fixture);
    std::string patched = image.bytes;
    std::vector<std::uint64_t> records(kLevels);
    std::uint64_t deep = 0;
    std::uint16_t deepSequence = 0;
    {
        const auto volume = openBytes(image.bytes);
        ASSERT_NE(volume, nullptr);
        for (std::size_t i = 0; i < volume->files().size(); ++i) {
            const ntfs::TNtfsFile& file = volume->files()[i];
            const std::wstring name = file.names.empty() ? std::wstring() : file.names.front().name();
            if (file.folder && name.size() == 5 && name[0] == L'd') {
                records[static_cast<std::size_t>(std::stoi(name.substr(1)))] = file.record;
            } else if (name == L"deep.txt") {
                deep = file.record;
                deepSequence = file.sequence;
            }
        }
    }
    for (int level = 1; level < kLevels; ++level) {
        const std::uint64_t parent = records[static_cast<std::size_t>(level - 1)];
        image.patchRecord(patched, records[static_cast<std::size_t>(level)], [&](std::uint8_t* record) {
            const std::size_t at = attributeOffset(record, ntfs::kAttrFileName);
            std::uint8_t* value = record + at + (record[at + 20] | record[at + 21] << 8);
            for (int i = 0; i < 8; ++i) {
                value[i] = static_cast<std::uint8_t>(i < 6 ? parent >> (8 * i) : 0); // sequence 0: any
            }
        });
    }

    const auto start = std::chrono::steady_clock::now();
    const auto services = servicesOver(patched);
    ASSERT_NE(services, nullptr);
    const std::optional<std::wstring> path = services->pathOfReference(L'N', deep, deepSequence);
    ASSERT_TRUE(path.has_value());
    std::wstring expected = L"N:";
    for (int level = 0; level < kLevels; ++level) {
        expected += L"\\" + folderName(level);
    }
    EXPECT_EQ(*path, expected + L"\\deep.txt");

    std::string bytes;
    plat::DWORD error = 0;
    EXPECT_TRUE(readWhole(*services, plat::exactPath(*path + L":bottom"), bytes, error)) << error;
    EXPECT_EQ(bytes, "at 6,000");
    EXPECT_TRUE(readWhole(*services, L"N:\\top.txt:top", bytes, error)) << error;
    EXPECT_EQ(bytes, "at the top");
    plat::WIN32_FIND_DATAW data{};
    const plat::HANDLE find =
        services->FindFirstFileW((plat::exactPath(expected) + L"\\deep*").c_str(), &data);
    ASSERT_NE(find, plat::INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(data.cFileName), L"deep.txt");
    services->FindClose(find);
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("6,000 levels: opened, placed and read in %lld ms\n", static_cast<long long>(took.count()));
}

} // namespace
} // namespace ntfstest
