// "Scan NTFS Disk Image..." in the window, end to end over the headless toolkit: a disk image that
// mkntfs and ntfscp made (several partitions behind an MBR), chosen in the file-open dialog, scanned
// through the image's volumes attached beside the simulated store's drives; its rows, and the stream
// commands on them: copies from the image into a real folder, deletes refused.

#include "ui/main/HeldDevice.h"
#include "ui/main/ScanCommandsFixture.h"

#include "ntfs/NtfsImage.h"
#include "platform/ClipboardServices.h"
#include "platform/ntfs/NtfsImageDrives.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

using namespace scancommands;
using namespace std::chrono_literals;

namespace {

const wchar_t* const kImageItem = L"Scan NTFS Disk Image...";
const std::string kPayload = "the payload, read from the image";
const std::string kNotes = "notes on the second volume";

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// An MBR entry (slot 0-3) in sector 0, with the signature.
void mbrEntry(std::string& disk, int slot, std::uint8_t type, std::uint32_t start, std::uint32_t count) {
    const std::size_t e = 0x1BE + 16 * static_cast<std::size_t>(slot);
    disk[e + 4] = static_cast<char>(type);
    for (int i = 0; i < 4; ++i) {
        disk[e + 8 + i] = static_cast<char>(start >> 8 * i);
        disk[e + 12 + i] = static_cast<char>(count >> 8 * i);
    }
    disk[510] = static_cast<char>(0x55);
    disk[511] = static_cast<char>(0xAA);
}

// A volume mkntfs made, grown: its boot sector claims sectors of 512 bytes, and its master file table's
// one data run covers this many records (the real ones, then whatever the clusters after them hold).
// False when the volume is not laid out as mkntfs lays it.
bool growMasterFileTable(std::string& volume, std::uint64_t bytes, std::uint64_t records) {
    const auto u16 = [&](std::size_t at) {
        return static_cast<std::uint64_t>(static_cast<unsigned char>(volume[at]) |
                                          static_cast<unsigned char>(volume[at + 1]) << 8);
    };
    const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    const auto put = [&](std::size_t at, std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i) {
            volume[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> 8 * i);
        }
    };
    const std::uint64_t cluster = u16(0x0B) * static_cast<unsigned char>(volume[0x0D]);
    const std::uint64_t mftCluster = u32(0x30) | u32(0x34) << 32;
    const auto sizeField = static_cast<signed char>(volume[0x40]);
    const std::uint64_t recordSize = sizeField < 0 ? std::uint64_t{1} << -sizeField : sizeField * cluster;
    const std::size_t record = mftCluster * cluster;
    if (cluster == 0 || mftCluster >= 128 || volume.compare(record, 4, "FILE") != 0) {
        return false;
    }
    put(0x28, bytes / 512 - 1, 8);
    for (std::size_t attribute = record + u16(record + 0x14); u32(attribute) != 0xFFFFFFFF;
         attribute += u32(attribute + 4)) {
        if (u32(attribute) != 0x80 || volume[attribute + 8] != 1) {
            continue;
        }
        const std::uint64_t clusters = records * recordSize / cluster;
        put(attribute + 0x18, clusters - 1, 8); // last VCN
        for (std::size_t size : {0x28, 0x30, 0x38}) {
            put(attribute + size, clusters * cluster, 8);
        }
        // One run from the table's first cluster: length in 3 bytes, start in 1, then the end mark.
        const std::size_t runs = attribute + u16(attribute + 0x20);
        if (runs + 6 > attribute + u32(attribute + 4) || clusters >= 1u << 24) {
            return false;
        }
        volume[runs] = 0x13;
        put(runs + 1, clusters, 3);
        put(runs + 4, mftCluster, 1);
        volume[runs + 5] = 0;
        return true;
    }
    return false;
}

// The bytes kept, and zeros after them up to the size claimed.
class TGrownVolume : public ntfs::TNtfsDevice {
public:
    TGrownVolume(const std::string& bytes, std::uint64_t size) : FBytes(bytes), FSize(size) {}
    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (offset > FSize || count > FSize - offset) {
            return false;
        }
        const std::size_t kept = offset < FBytes.size() ? std::min(count, FBytes.size() - offset) : 0;
        std::memcpy(buffer, FBytes.data() + (kept > 0 ? offset : 0), kept);
        std::memset(static_cast<char*>(buffer) + kept, 0, count - kept);
        return true;
    }
    std::uint64_t size() const override { return FSize; }

private:
    const std::string& FBytes;
    std::uint64_t FSize;
};

class ImageScanTest : public ScanCommandsTest {
protected:
    void SetUp() override {
        ScanCommandsTest::SetUp();
        if (const std::string& reason = ntfstest::copyToolsUnavailableReason(); !reason.empty()) {
            GTEST_SKIP() << reason;
        }
        plat::installFileServices(&imageDrives);
        plat::installClipboardServices(&clipboard);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addDrive(L'D', plat::DRIVE_FIXED, L"Data", L"NTFS");
        store.addFolder(L"D:\\Saved");
        makeEvidence();
        open();
        w().setImageDrives(&imageDrives);
    }
    void TearDown() override {
        EXPECT_EQ(imageDrives.openHandles(), 0u);
        plat::installClipboardServices(nullptr);
        ScanCommandsTest::TearDown();
    }

    // evidence.dd: partition 1 NTFS (report.docx:payload), 2 FAT (no volume), 3 NTFS (memo.txt:notes);
    // with damagedThird, the third's master file table starts with a broken record; with tornMemo,
    // memo.txt's record in the third is torn.
    void makeEvidence(bool damagedThird = false, bool tornMemo = false) {
        const std::filesystem::path first = scratch.path() / "first.vol";
        const std::filesystem::path second = scratch.path() / "second.vol";
        const std::filesystem::path data = scratch.path() / "data";
        ASSERT_TRUE(ntfstest::makeImage(first, 2, "First"));
        ASSERT_TRUE(ntfstest::makeImage(second, 2, "Second"));
        writeFile(data, "main data");
        ASSERT_TRUE(ntfstest::ntfscp(first, data, L"report.docx"));
        writeFile(data, kPayload);
        ASSERT_TRUE(ntfstest::ntfscp(first, data, L"report.docx", L"payload"));
        writeFile(data, "memo");
        ASSERT_TRUE(ntfstest::ntfscp(second, data, L"memo.txt"));
        writeFile(data, kNotes);
        ASSERT_TRUE(ntfstest::ntfscp(second, data, L"memo.txt", L"notes"));

        const std::uint32_t mib = 2048; // sectors
        std::string disk(9 * 1024 * 1024, '\0');
        mbrEntry(disk, 0, 0x07, 1 * mib, 2 * mib);
        mbrEntry(disk, 1, 0x0C, 3 * mib, 1 * mib);
        mbrEntry(disk, 2, 0x07, 5 * mib, 2 * mib);
        disk.replace(1 * 1024 * 1024, 2 * 1024 * 1024, fileBytes(first));
        std::string third = fileBytes(second);
        if (tornMemo) {
            ASSERT_TRUE(ntfstest::tearRecordOf(third, L"memo.txt"));
        }
        if (damagedThird) {
            // The boot sector names the MFT's first cluster; its first record loses its "FILE" mark.
            const auto byte = [&](std::size_t at) {
                return static_cast<std::uint64_t>(static_cast<unsigned char>(third[at]));
            };
            const std::uint64_t cluster = (byte(0x0B) | byte(0x0C) << 8) * byte(0x0D);
            std::uint64_t mftCluster = 0;
            for (int i = 7; i >= 0; --i) {
                mftCluster = mftCluster << 8 | byte(0x30 + static_cast<std::size_t>(i));
            }
            third.replace(mftCluster * cluster, 4, "XXXX");
        }
        disk.replace(5 * 1024 * 1024, 2 * 1024 * 1024, third);
        evidence = scratch.path() / "evidence.dd";
        writeFile(evidence, disk);
    }

    // The user scans the image: the menu item, the file, then Enter in the Setup Scan dialog.
    void scanImage(const std::filesystem::path& image) {
        dialogs.answerFile(image.wstring());
        answerSetupScan(nullptr, VK_RETURN);
        chooseFromScanMenu(kImageItem);
        waitForScanEnd();
    }

    // Level-0 rows by Column1, stream rows indented by Column2.
    std::vector<std::wstring> rows() {
        std::vector<std::wstring> result;
        for (TTreeNode* node = w().VST->getFirst(); node != nullptr; node = w().VST->getNext(node)) {
            const PTreeData data = w().treeData(node);
            result.push_back(w().VST->getNodeLevel(node) == 0 ? data->Column1 : L"  " + data->Column2);
        }
        return result;
    }
    TTreeNode* streamRow(const std::wstring& column2) {
        for (TTreeNode* node = w().VST->getFirst(); node != nullptr; node = w().VST->getNext(node)) {
            if (w().treeData(node)->Column2 == column2) {
                return node;
            }
        }
        ADD_FAILURE() << "no row " << ntfstest::utf8(column2);
        return nullptr;
    }
    std::wstring lastDialog() const {
        if (dialogs.taskDialogs().empty()) {
            return L"(none)";
        }
        const plat::TTaskDialogConfig& d = dialogs.taskDialogs().back();
        return d.windowTitle + L" | " + d.mainInstruction + L" | " + d.content;
    }

    ntfstest::TScratchFolder scratch;
    std::filesystem::path evidence;
    plat::ntfs::TImageDriveServices imageDrives{store};
    plat::TRecordingClipboard clipboard;
};

TEST_F(ImageScanTest, RowsNameTheImageAndPartitionInEveryColumnAndOnTheClipboard) {
    scanImage(evidence);

    // The file-open dialog offers disk images first, then all files, and reads only.
    ASSERT_EQ(dialogs.fileDialogs().size(), 1u);
    const auto& shown = dialogs.fileDialogs()[0];
    EXPECT_EQ(shown.filter,
              (std::vector<std::wstring>{L"Disk images (*.E01;*.vhdx;*.vhd;*.vmdk;*.001;*.dd;*.img;*.raw)",
                                         L"*.E01;*.vhdx;*.vhd;*.vmdk;*.001;*.dd;*.img;*.raw",
                                         L"All files (*.*)", L"*.*"}));
    EXPECT_EQ(shown.filterIndex, 1u);
    EXPECT_NE(shown.flags & plat::OFN_FILEMUSTEXIST, 0u);
    ASSERT_TRUE(w().scans->start().has_value());
    EXPECT_EQ(w().scans->start()->mode, smImage);

    // Both NTFS partitions, numbered as the table numbers them; the FAT one is skipped.
    EXPECT_EQ(rows(), (std::vector<std::wstring>{
                          L"evidence.dd [1]\\report.docx", L"  evidence.dd [1]\\report.docx:payload",
                          L"evidence.dd [3]\\memo.txt", L"  evidence.dd [3]\\memo.txt:notes"}));
    const PTreeData payload = w().treeData(streamRow(L"evidence.dd [1]\\report.docx:payload"));
    EXPECT_EQ(payload->Column1, L"payload");
    EXPECT_EQ(payload->Column6.substr(0, 11), L"the payload") << "the preview comes from the image";
    EXPECT_EQ(w().alertTitle->caption(), L"Scan Complete!");

    w().VST->setFocusedNode(streamRow(L"evidence.dd [3]\\memo.txt:notes"));
    w().CopyfullADSPath1Click();
    EXPECT_EQ(clipboard.clipboardText(), L"evidence.dd [3]\\memo.txt:notes");

    // The image's volumes are no drives of the system: the drive submenu lists the live ones.
    clickAction(); // Fine!
    clickAction(); // the menu, nothing chosen
    const std::vector<plat::TMenuEntry>& drives = widgets.shownMenus().back().entries[1].items;
    std::vector<std::wstring> captions;
    for (const plat::TMenuEntry& drive : drives) {
        captions.push_back(drive.caption);
    }
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"C:\\ - System", L"D:\\ - Data"}));
}

TEST_F(ImageScanTest, RowsTakeTheFileOrFolderPictureFromTheReaderWithoutAskingTheLiveDisk) {
    shell.setExtensionIcon(L".docx", 11);
    shell.setFolderIcon(3);
    scanImage(evidence);
    auto icon = [&](TTreeNode* node) {
        int index = -1;
        w().VSTGetImageIndex(node, TImageKind::ikNormal, 0, index);
        return index;
    };
    EXPECT_EQ(icon(w().VST->getFirst()), 11) << "report.docx";
    // A folder of the image (its root, as the scan reports a root carrying streams) shows the
    // folder picture, although no live folder has its shown path.
    const std::optional<std::wstring> root = imageDrives.readerPath(L"evidence.dd [1]\\");
    ASSERT_TRUE(root.has_value());
    auto* folder = static_cast<TTreeNode*>(w().folderFound(*root, L"", L""));
    EXPECT_EQ(w().treeData(folder)->Column1, L"evidence.dd [1]\\");
    EXPECT_EQ(icon(folder), 3);
}

// An image's rows exported carry what the console tool writes for the same image, field for field:
// the volume as the source, paths from its root, the times and attributes the reader gives.
TEST_F(ImageScanTest, ExportedImageRowsAreTheConsoleToolsRecordsForTheImage) {
    scanImage(evidence);
    dialogs.answerSaveFile(L"D:\\Saved\\found.jsonl", 2);
    dialogs.answerButton(plat::IDOK);
    exportResults();
    EXPECT_EQ(lastDialog(),
              L"Information | Export Results | 2 stream(s) written to:\r\nD:\\Saved\\found.jsonl");

    const std::filesystem::path console = scratch.path() / "console.jsonl";
    const std::string command = "'" KW_OMBROLUX "' scan '" + evidence.string() +
                                "' --format jsonl --output '" + console.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::istringstream expected(fileBytes(console));
    std::istringstream exported(store.readData(L"D:\\Saved\\found.jsonl"));
    std::size_t records = 0;
    for (std::string want, got; std::getline(expected, want);) {
        ASSERT_TRUE(std::getline(exported, got)) << "record " << records << " missing";
        nlohmann::json wantRecord = nlohmann::json::parse(want);
        nlohmann::json gotRecord = nlohmann::json::parse(got);
        EXPECT_EQ(gotRecord["preview"].get<std::string>().substr(0, 4),
                  gotRecord["stream_name"] == "payload" ? "the " : "note");
        wantRecord.erase("preview"); // the row's preview is as long as Setup Scan asked
        gotRecord.erase("preview");
        EXPECT_EQ(gotRecord, wantRecord);
        ++records;
    }
    EXPECT_EQ(records, 2u);
    const std::string all = store.readData(L"D:\\Saved\\found.jsonl");
    EXPECT_EQ(nlohmann::json::parse(all.substr(0, all.find('\n')))["source"], evidence.string() + " [1]")
        << "the image given, not the live drive it was read at";
}

// An image that gives nothing to scan ends its scan with the reason, naming the file, and the
// window is idle again.
TEST_F(ImageScanTest, AnImageThatCannotBeOpenedEndsWithTheReasonAndTheWindowIdle) {
    std::string disk(4 * 1024 * 1024, '\0');
    mbrEntry(disk, 0, 0x0C, 2048, 2048);
    mbrEntry(disk, 1, 0x83, 4096, 2048);
    const std::filesystem::path blank = scratch.path() / "blank.img";
    writeFile(blank, disk);
    const struct {
        std::filesystem::path image;
        bool outOfMemory;
        std::wstring error;
    } cases[] = {
        {blank, false, L"no NTFS volume in blank.img (MBR with 2 partitions: FAT32, Linux)"},
        {evidence, true,
         L"evidence.dd cannot be read: there is not enough memory for the catalogues of its volumes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.image.string());
        w().readImage = nullptr;
        if (c.outOfMemory) {
            w().readImage = [](const std::wstring&, const std::atomic<bool>&) -> plat::ntfs::TImageVolumes {
                throw std::bad_alloc();
            };
        }
        dialogs.answerFile(c.image.wstring());
        answerSetupScan(nullptr, VK_RETURN);
        dialogs.answerButton(plat::IDOK);
        chooseFromScanMenu(kImageItem);
        waitForScanEnd();
        EXPECT_EQ(lastDialog(), L"Error | Scan NTFS Disk Image | " + c.error);
        EXPECT_EQ(w().FMode, amIdle);
        EXPECT_EQ(w().btnAction->caption(), L"Run Scan");
        EXPECT_FALSE(w().pb->marquee());
        EXPECT_TRUE(rows().empty());
    }

    dialogs.answerCancel(); // the file-open dialog cancelled: nothing at all
    chooseFromScanMenu(kImageItem);
    EXPECT_EQ(dialogs.taskDialogs().size(), 2u);
    EXPECT_EQ(w().scansMade, 2);
}

// The image is opened by the scan, on its thread: the window is busy, with its stop button, from
// the first read of the image, and a stop then ends the scan without loading the volumes' catalogues.
TEST_F(ImageScanTest, TheImageOpensBehindTheBusyPanelAndItsStopButtonWorksFromTheFirstRead) {
    auto held = std::make_shared<THeldReads>(1);
    w().readImage = [&](const std::wstring&, const std::atomic<bool>& stop) {
        return plat::ntfs::openImageVolumes(
            L"evidence.dd", std::make_shared<THeldDevice>(ntfs::openImageFile(evidence), held), &stop);
    };
    dialogs.answerFile(evidence.wstring());
    answerSetupScan(nullptr, VK_RETURN);
    chooseFromScanMenu(kImageItem); // returns: the UI thread does not wait for the image
    ASSERT_TRUE(ui.serveUntil([&] { return held->waiting(); }, 30s));
    EXPECT_EQ(held->reads(), 1);
    EXPECT_EQ(w().FMode, amBusy);
    EXPECT_TRUE(w().btnStop->visible());
    EXPECT_EQ(w().btnStop->imageIndex(), kStopScan);
    EXPECT_TRUE(w().pb->marquee());
    EXPECT_EQ(w().alertBody->caption(), L"Opening \"evidence.dd\" and reading its volumes, please wait...");

    dialogs.answerButton(plat::IDYES);
    peerOf(*w().btnStop).click(5, 5);
    held->release();
    waitForScanEnd();
    EXPECT_TRUE(w().lastScanTerminated);
    EXPECT_EQ(w().alertTitle->caption(), L"Interrupted Scan!");
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(imageDrives.readerPath(L"evidence.dd [1]\\").has_value()) << "nothing attached";
    // The partition table, and no volume after the stop.
    EXPECT_LE(held->reads(), 3u) << "the volumes were read after the stop";
}

// A stop while a volume's catalogue loads is honoured at once, however large the catalogue: a volume
// whose master file table has room for 1,000,000 records ends its scan within a second of the answer,
// without reading the rest.
TEST_F(ImageScanTest, AStopWhileAMillionRecordCatalogueLoadsEndsTheScanWithinASecond) {
    const std::filesystem::path made = scratch.path() / "big.vol";
    ASSERT_TRUE(ntfstest::makeImage(made, 16, "Big"));
    std::string volume = fileBytes(made);
    constexpr std::uint64_t kRecords = 1000000;
    ASSERT_TRUE(growMasterFileTable(volume, 2ull << 30, kRecords));
    // The catalogue is read a chunk of 1 MiB (1,024 records) at a time: the 20th read is well inside it.
    auto held = std::make_shared<THeldReads>(20);
    w().readImage = [&](const std::wstring&, const std::atomic<bool>& stop) {
        return plat::ntfs::openImageVolumes(
            L"big.vol",
            std::make_shared<THeldDevice>(std::make_unique<TGrownVolume>(volume, 2ull << 30), held), &stop);
    };
    dialogs.answerFile(L"D:\\cases\\big.vol");
    answerSetupScan(nullptr, VK_RETURN);
    chooseFromScanMenu(kImageItem);
    ASSERT_TRUE(ui.serveUntil([&] { return held->waiting(); }, 30s));
    EXPECT_EQ(w().alertBody->caption(), L"Opening \"big.vol\" and reading its volumes, please wait...");

    dialogs.answerButton(plat::IDYES);
    peerOf(*w().btnStop).click(5, 5);
    const auto answered = std::chrono::steady_clock::now();
    held->release();
    waitForScanEnd();
    const auto took = std::chrono::steady_clock::now() - answered;
    std::printf("scan ended %.3f s after the stop, %llu reads of about %llu\n",
                std::chrono::duration<double>(took).count(), static_cast<unsigned long long>(held->reads()),
                static_cast<unsigned long long>(kRecords / 1024));
    EXPECT_LT(took, 1s);
    EXPECT_LE(held->reads(), 21u) << "the catalogue was read on after the stop";
    EXPECT_TRUE(w().lastScanTerminated);
    EXPECT_EQ(w().alertTitle->caption(), L"Interrupted Scan!");
    EXPECT_TRUE(rows().empty());
}

TEST_F(ImageScanTest, APartitionThatCannotBeReadIsNamedAndTheOthersAreScanned) {
    makeEvidence(true);
    dialogs.answerFile(evidence.wstring());
    dialogs.answerButton(plat::IDOK);
    answerSetupScan(nullptr, VK_RETURN);
    chooseFromScanMenu(kImageItem);
    waitForScanEnd();

    const std::wstring notice = lastDialog();
    const std::wstring expectedStart =
        L"Information | Scan NTFS Disk Image | These NTFS partitions of evidence.dd cannot "
        L"be read and are left out:\r\npartition 3: ";
    EXPECT_EQ(notice.substr(0, expectedStart.size()), expectedStart) << ntfstest::utf8(notice);
    EXPECT_EQ(rows(), (std::vector<std::wstring>{L"evidence.dd [1]\\report.docx",
                                                 L"  evidence.dd [1]\\report.docx:payload"}));
    // The outcome names it again: the result is not the whole image.
    const std::wstring body = w().alertBody->caption();
    const std::wstring outcome = L"Alternate Data Stream (ADS) files scanning complete with 1 item(s) found. "
                                 L"Please check the origin of this hidden files and proceed with the best "
                                 L"action! Some of it could not be read: 1 partition could not be read "
                                 L"(partition 3: ";
    EXPECT_EQ(body.substr(0, outcome.size()), outcome) << ntfstest::utf8(body);
    EXPECT_EQ(body.back(), L'.');
}

TEST_F(ImageScanTest, RecordsSkippedAsDamagedAreCountedInTheOutcome) {
    makeEvidence(false, true);
    scanImage(evidence);
    EXPECT_EQ(rows(), (std::vector<std::wstring>{L"evidence.dd [1]\\report.docx",
                                                 L"  evidence.dd [1]\\report.docx:payload"}));
    EXPECT_EQ(w().alertBody->caption(),
              L"Alternate Data Stream (ADS) files scanning complete with 1 item(s) found. Please check the "
              L"origin of this hidden files and proceed with the best action! Some of it could not be read: "
              L"1 damaged record was skipped (evidence.dd [3] 1).");
}

// An E01 read only in part (one of its segments cut short): the damage is named as soon as the image
// has opened, and what can be read is scanned.
TEST_F(ImageScanTest, AContainerReadOnlyInPartIsNamedAndWhatCanBeReadIsScanned) {
    // evidence.dd in segments of 1 MiB; the one before the last holds only the disk's unused end.
    const std::filesystem::path base = scratch.path() / "evidence";
    const std::string command = "ewfacquire -u -q -c none -S 1MiB -t '" + base.string() + "' '" +
                                evidence.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "ewfacquire (ewf-tools) cannot make an E01 here";
    }
    std::vector<std::filesystem::path> segments;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
        if (entry.path().stem() == "evidence" && entry.path().extension().string().rfind(".E", 0) == 0) {
            segments.push_back(entry.path());
        }
    }
    std::sort(segments.begin(), segments.end());
    ASSERT_GE(segments.size(), 3u);
    const std::filesystem::path cut = segments[segments.size() - 2];
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);

    dialogs.answerFile(segments.front().wstring());
    dialogs.answerButton(plat::IDOK); // the notice of the damage
    answerSetupScan(nullptr, VK_RETURN);
    chooseFromScanMenu(kImageItem);
    waitForScanEnd();
    bool named = false;
    for (const plat::TTaskDialogConfig& d : dialogs.taskDialogs()) {
        named = named || (d.mainInstruction == L"Scan NTFS Disk Image" &&
                          d.content.rfind(cut.filename().wstring() + L" is cut short or damaged", 0) == 0);
    }
    EXPECT_TRUE(named) << ntfstest::utf8(lastDialog());
    EXPECT_EQ(rows(), (std::vector<std::wstring>{
                          L"evidence.E01 [1]\\report.docx", L"  evidence.E01 [1]\\report.docx:payload",
                          L"evidence.E01 [3]\\memo.txt", L"  evidence.E01 [3]\\memo.txt:notes"}));
}

// With one letter left that no drive has, the image's second NTFS volume cannot be read: it is
// named before the scan, which covers the first.
TEST_F(ImageScanTest, VolumesBeyondTheFreeDriveLettersAreNamedBeforeTheScan) {
    for (wchar_t letter = L'E'; letter <= L'Y'; ++letter) {
        store.addDrive(letter, plat::DRIVE_REMOTE, L"Share", L"NTFS");
    }
    dialogs.answerFile(evidence.wstring());
    dialogs.answerButton(plat::IDOK);
    answerSetupScan(nullptr, VK_RETURN);
    chooseFromScanMenu(kImageItem);
    waitForScanEnd();

    EXPECT_EQ(lastDialog(), L"Information | Scan NTFS Disk Image | Every free drive letter is taken, so "
                            L"these NTFS volumes of evidence.dd cannot be read and are left out:\r\n"
                            L"evidence.dd [3]");
    EXPECT_EQ(rows(), (std::vector<std::wstring>{L"evidence.dd [1]\\report.docx",
                                                 L"  evidence.dd [1]\\report.docx:payload"}));
}

TEST_F(ImageScanTest, BackupsCopyTheImagesBytesIntoTheRealFolderWithoutOverwriting) {
    scanImage(evidence);
    const std::wstring payloadRow = L"evidence.dd [1]\\report.docx:payload";

    // Backup Selected ADS, twice: the second copy takes a numbered name.
    for (const wchar_t* written : {L"D:\\Saved\\payload", L"D:\\Saved\\payload(1)"}) {
        w().VST->setFocusedNode(streamRow(payloadRow));
        dialogs.answerFolder(L"D:\\Saved");
        dialogs.answerButton(plat::IDOK);
        w().BackupselectedADS1Click();
        EXPECT_EQ(lastDialog(),
                  std::wstring(L"Information | Backup ADS File | ADS File successfully backupped at :\r\n") +
                      written);
        EXPECT_EQ(store.readData(written), kPayload);
    }

    // Backup Checked: every stream of both volumes, through the backup thread.
    store.addFolder(L"D:\\All");
    dialogs.answerFolder(L"D:\\All");
    peerOf(*w().btnBackup).click(5, 5);
    ASSERT_TRUE(ui.serveUntil([&] { return w().backupEnded; }, 30s));
    ASSERT_TRUE(w().backupGone.waitFor(30s));
    EXPECT_EQ(w().alertBody->caption(),
              L"2/2 ADS (Alternate Data Stream) file(s) was successfully Backuped!");
    EXPECT_EQ(store.readData(L"D:\\All\\payload"), kPayload);
    EXPECT_EQ(store.readData(L"D:\\All\\notes"), kNotes);
}

TEST_F(ImageScanTest, DeletesOnImageRowsDeleteNothingAndSaySo) {
    scanImage(evidence);
    const std::string before = fileBytes(evidence);
    const std::vector<std::wstring> rowsBefore = rows();
    const std::wstring readOnly =
        L"Information | Delete ADS File(s) | These streams are inside a disk image, which is "
        L"opened read only: nothing was deleted.";

    dialogs.answerButton(plat::IDOK);
    peerOf(*w().btnDelete).click(5, 5);
    EXPECT_EQ(lastDialog(), readOnly) << "no question, no run";
    EXPECT_EQ(w().backupsMade, 0);

    w().VST->setFocusedNode(streamRow(L"evidence.dd [3]\\memo.txt:notes"));
    dialogs.answerButton(plat::IDOK);
    w().DeleteselectedADS1Click();
    EXPECT_EQ(lastDialog(),
              L"Information | Delete ADS File | These streams are inside a disk image, which is opened "
              L"read only: nothing was deleted.");

    EXPECT_EQ(rows(), rowsBefore);
    EXPECT_EQ(fileBytes(evidence), before) << "the image is never written";
}

TEST_F(ImageScanTest, AScanOfALiveFolderAfterAnImageScanTakesTheImageAway) {
    scanImage(evidence);
    store.addFolder(L"D:\\Work");
    store.addFile(L"D:\\Work\\a.txt", "a");
    store.addStream(L"D:\\Work\\a.txt", L"s", "stream");
    clickAction(); // Fine!
    dialogs.answerFolder(L"D:\\Work");
    answerSetupScan(nullptr, VK_RETURN);
    chooseFromScanMenu(L"Scan Target Folder (NTFS Only)");
    waitForScanEnd();

    EXPECT_EQ(rows(), (std::vector<std::wstring>{L"D:\\Work\\a.txt", L"  D:\\Work\\a.txt:s"}));
    EXPECT_FALSE(imageDrives.readerPath(L"evidence.dd [1]\\report.docx:payload").has_value());
    // Delete works again on live rows.
    dialogs.answerButton(plat::IDYES);
    peerOf(*w().btnDelete).click(5, 5);
    ASSERT_TRUE(ui.serveUntil([&] { return w().backupEnded; }, 30s));
    ASSERT_TRUE(w().backupGone.waitFor(30s));
    EXPECT_FALSE(store.exists(L"D:\\Work\\a.txt:s"));
}

} // namespace
