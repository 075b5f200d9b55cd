// Volume discovery over the simulated store.

#include "system/UntKorvaneLib.h"

#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using plat::store::TCall;
using plat::store::TSimStore;

namespace {

class DrivesTest : public testing::Test {
protected:
    void SetUp() override { plat::installFileServices(&store); }
    void TearDown() override {
        EXPECT_EQ(store.errorMode(), 0u) << "the error mode is put back after every query";
        plat::installFileServices(nullptr);
    }

    TSimStore store;
};

TEST_F(DrivesTest, ListsPresentDrivesInLetterOrder) {
    store.addDrive(L'D', plat::DRIVE_FIXED, L"Data", L"NTFS");
    store.addDrive(L'A', plat::DRIVE_REMOVABLE, L"", L"FAT");
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    TDriveList list;
    getDriveList(&list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].driveLetter(), L"A:\\");
    EXPECT_EQ(list[1].driveLetter(), L"C:\\");
    EXPECT_EQ(list[2].driveLetter(), L"D:\\");
    EXPECT_EQ(list[1].driveName(), L"System");
    EXPECT_EQ(list[1].driveType(), dtFixed);
    EXPECT_EQ(list[1].drivePartitionType(), L"NTFS");
    EXPECT_EQ(list[0].driveType(), dtRemovable);
    EXPECT_EQ(list[0].drivePartitionType(), L"FAT");

    getDriveList(nullptr); // no list: nothing happens
}

TEST_F(DrivesTest, BlankLabelsBecomeUnnamedDevice) {
    struct TCase {
        std::wstring label;
        std::wstring expected;
    };
    const std::vector<TCase> cases = {
        {L"", L"Unnamed Device"},       {L"   ", L"Unnamed Device"}, {L" \t ", L"Unnamed Device"},
        {L"  Backup  ", L"  Backup  "}, {L"Data", L"Data"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "label [" << std::string(c.label.begin(), c.label.end()) << "]");
        EXPECT_EQ(TDriveInfoObject::create(L"E:\\", c.label, dtFixed, L"NTFS").driveName(), c.expected);
    }
    store.addDrive(L'E', plat::DRIVE_FIXED, L"  Backup  ", L"NTFS");
    store.addDrive(L'F', plat::DRIVE_FIXED, L"   ", L"NTFS");
    EXPECT_EQ(getVolumeName(L'E'), L"  Backup  ");
    TDriveList list;
    getDriveList(&list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].driveName(), L"  Backup  ");
    EXPECT_EQ(list[1].driveName(), L"Unnamed Device");
}

TEST_F(DrivesTest, KindsOfDrivesAndWhereTheyAppear) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'E', plat::DRIVE_FIXED, L"Old", L"FAT32");
    store.addDrive(L'F', plat::DRIVE_REMOVABLE, L"Card", L"NTFS", /*mediaPresent=*/false);
    store.addDrive(L'N', plat::DRIVE_REMOTE, L"Share", L"NTFS");
    store.addDrive(L'R', plat::DRIVE_CDROM, L"Disc", L"CDFS");
    store.addDrive(L'U', plat::DRIVE_REMOVABLE, L"Stick", L"NTFS");

    TDriveList list;
    getDriveList(&list);
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[1].drivePartitionType(), L"FAT32");
    EXPECT_EQ(list[2].driveType(), dtRemovable);
    EXPECT_EQ(list[2].drivePartitionType(), L"") << "a drive without a medium has no file system";
    EXPECT_EQ(list[2].driveName(), L"Unnamed Device");
    EXPECT_EQ(list[3].driveType(), dtRemote);
    EXPECT_EQ(list[4].driveType(), dtCDROM);

    EXPECT_EQ(getFixedAndRemovableDrives(), L"C:\\\r\nE:\\\r\nF:\\\r\nU:\\\r\n");
    EXPECT_EQ(getFileSystemName(L'E'), L"FAT32");
    EXPECT_EQ(getFileSystemName(L'F'), L"");
    EXPECT_EQ(getVolumeName(L'F'), L"");
    EXPECT_EQ(getFileSystemName(L'Q'), L"") << "a letter that is not present";
}

TEST_F(DrivesTest, NoDrivesGiveNothing) {
    TDriveList list;
    getDriveList(&list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(getFixedAndRemovableDrives(), L"");
}

TEST_F(DrivesTest, EveryVolumeQueryRunsWithCriticalErrorsOff) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'F', plat::DRIVE_REMOVABLE, L"Card", L"NTFS", /*mediaPresent=*/false);
    std::vector<plat::UINT> modesDuringQuery;
    for (int nth = 1; nth <= 4; ++nth) {
        store.beforeCall(TCall::GetVolumeInformationW, nth,
                         [&] { modesDuringQuery.push_back(store.errorMode()); });
    }
    TDriveList list;
    getDriveList(&list);
    EXPECT_EQ(modesDuringQuery, (std::vector<plat::UINT>(4, plat::SEM_FAILCRITICALERRORS)));
    // A mode the process had before is put back, not just cleared.
    store.SetErrorMode(0x8000);
    getFileSystemName(L'F');
    EXPECT_EQ(store.errorMode(), 0x8000u);
    store.SetErrorMode(0);
}

} // namespace
