// The scan commands as the user meets them: the action button's tags, the scan menu with its drive
// submenu, the check for NTFS drives and "Refresh", and each scope started through the menu, the
// folder chooser and the Setup Scan dialog, down to the scan's end with the tree filled.

#include "ui/main/ScanCommandsFixture.h"

#include "system/UntKorvaneLib.h"

#include <cwchar>
#include <vector>

using namespace scancommands;

namespace {

const std::wstring kFull = L"Scan Full System (NTFS Only)";
const std::wstring kDrive = L"Scan Target NTFS Drive";
const std::wstring kFolder = L"Scan Target Folder (NTFS Only)";
const std::wstring kImage = L"Scan NTFS Disk Image...";
const std::wstring kProductTitle = L"Korvane ADS (Alternate Data Stream) Ombrolux";
const std::wstring kNoNtfsBody =
    L"No NTFS Hard Drive/Removable Device were found in your system! Since Alternate Data Stream files only "
    L"exist on NTFS partitions we can not proceed with any scan. Please plug an NTFS drive then press "
    L"refresh!";

std::vector<std::wstring> captionsOf(const std::vector<plat::TMenuEntry>& entries) {
    std::vector<std::wstring> captions;
    for (const plat::TMenuEntry& entry : entries) {
        captions.push_back(entry.separator ? L"-" : entry.caption);
    }
    return captions;
}

std::vector<std::wstring> driveItems(TFrmMain& w) {
    std::vector<std::wstring> captions;
    for (int i = 0; i < w.targetDrive1->count(); ++i) {
        captions.push_back(w.targetDrive1->items(i)->caption());
    }
    return captions;
}

// The rows of the results tree: files by path, streams indented by their full stream path.
std::vector<std::wstring> treeRows(TFrmMain& w) {
    std::vector<std::wstring> rows;
    for (TTreeNode* node = w.VST->getFirst(); node != nullptr; node = w.VST->getNext(node)) {
        const PTreeData data = w.treeData(node);
        rows.push_back(w.VST->getNodeLevel(node) == 0 ? data->Column1 : L"  " + data->Column2);
    }
    return rows;
}

} // namespace

TEST_F(ScanCommandsTest, TheDriveSubmenuHoldsTheNtfsFixedAndRemovableDrivesInLetterOrder) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'D', plat::DRIVE_REMOVABLE, L"", L"ntfs"); // the name as the platform reports it
    store.addDrive(L'E', plat::DRIVE_FIXED, L"Old", L"FAT32");
    store.addDrive(L'F', plat::DRIVE_CDROM, L"Disc", L"NTFS");
    store.addDrive(L'G', plat::DRIVE_REMOTE, L"Share", L"NTFS");
    store.addDrive(L'H', plat::DRIVE_REMOVABLE, L"Card", L"NTFS", false); // no medium in the reader
    store.addDrive(L'I', plat::DRIVE_RAMDISK, L"Ram", L"NTFS");
    store.addDrive(L'J', plat::DRIVE_FIXED, L"Stick", L"exFAT");
    store.addDrive(L'K', plat::DRIVE_FIXED, L"  ", L"NTFS");
    open();
    EXPECT_EQ(w().FMode, amIdle);
    EXPECT_EQ(driveItems(w()), (std::vector<std::wstring>{L"C:\\ - System", L"D:\\ - Unnamed Device",
                                                          L"K:\\ - Unnamed Device"}));
    EXPECT_TRUE(w().targetDrive1->visible());
}

TEST_F(ScanCommandsTest, RunScanOpensTheScanMenuBelowTheButtonWithItsEntriesAndPictures) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    open();
    clickAction(); // nothing chosen
    ASSERT_EQ(widgets.shownMenus().size(), 1u);
    const plat::headless::TShownMenu& shown = widgets.shownMenus().back();
    // The button's lower-left corner: the panel lies 4 px into the window's client area.
    EXPECT_EQ(shown.at, (TPoint{w().left() + 4 + w().btnAction->left(),
                                w().top() + 4 + w().btnAction->top() + w().btnAction->height() - 1}));
    EXPECT_EQ(shown.owner, w().btnAction->peer());
    ASSERT_EQ(captionsOf(shown.entries), (std::vector<std::wstring>{kFull, kDrive, L"-", kFolder, kImage}));
    EXPECT_EQ(shown.entries[0].image, *w().Img16->image(8));
    EXPECT_EQ(shown.entries[1].image, *w().Img16->image(9));
    EXPECT_EQ(shown.entries[3].image, *w().Img16->image(7));
    EXPECT_EQ(shown.entries[4].image, *w().Img16->image(22));

    // The drive's entry shows the drive root's system icon with white as its transparent colour.
    const std::vector<plat::TMenuEntry>& drives = shown.entries[1].items;
    ASSERT_EQ(captionsOf(drives), (std::vector<std::wstring>{L"C:\\ - System"}));
    const TBitmap32& picture = drives[0].image;
    ASSERT_EQ(picture.width, 16);
    const TColor iconColour = plat::headless::THeadlessWidgets::systemIconColor(3);
    EXPECT_EQ(picture.at(0, 0).a, 0) << "the icon's empty margin is white, hence transparent";
    EXPECT_EQ(picture.at(7, 7), (TRGBA{redOf(iconColour), greenOf(iconColour), blueOf(iconColour), 255}));
    EXPECT_EQ(picture.at(1, 1), (TRGBA{40, 40, 40, 255}));
    EXPECT_EQ(w().scansMade, 0) << "closing the menu starts nothing";
}

TEST_F(ScanCommandsTest, EachOpeningOfTheMenuShowsTheDrivesPresentThen) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"FAT32");
    store.addDrive(L'E', plat::DRIVE_REMOVABLE, L"Usb", L"NTFS");
    open();
    clickAction();
    EXPECT_EQ(captionsOf(widgets.shownMenus().back().entries[1].items),
              (std::vector<std::wstring>{L"E:\\ - Usb"}));

    store.setMediaPresent(L'E', false); // the stick was pulled out
    clickAction();
    EXPECT_EQ(captionsOf(widgets.shownMenus().back().entries),
              (std::vector<std::wstring>{kFull, L"-", kFolder, kImage}))
        << "no NTFS drive left: the drive entry is hidden, the other scopes remain";
    EXPECT_FALSE(w().targetDrive1->visible());

    store.setMediaPresent(L'E', true);
    store.addDrive(L'F', plat::DRIVE_REMOVABLE, L"Second", L"NTFS");
    clickAction();
    EXPECT_EQ(captionsOf(widgets.shownMenus().back().entries[1].items),
              (std::vector<std::wstring>{L"E:\\ - Usb", L"F:\\ - Second"}));
    EXPECT_EQ(w().FMode, amIdle) << "opening the menu does not change the mode";
}

TEST_F(ScanCommandsTest, WithoutAnNtfsDriveTheWindowShowsTheErrorAndRefreshLooksAgain) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"FAT32");
    store.addDrive(L'D', plat::DRIVE_CDROM, L"", L"NTFS");
    open();
    auto expectError = [&] {
        EXPECT_EQ(w().FMode, amError);
        EXPECT_EQ(w().btnAction->caption(), L"Refresh");
        EXPECT_EQ(w().btnAction->imageIndex(), kActionRefresh);
        EXPECT_EQ(w().btnAction->arrowDirection(), atRight);
        EXPECT_EQ(w().ImgAlert->picture(), *w().Img48->image(8));
        EXPECT_EQ(w().alertTitle->caption(), kProductTitle);
        EXPECT_EQ(w().alertBody->caption(), kNoNtfsBody);
        EXPECT_TRUE(w().alertBody->visible());
        EXPECT_FALSE(w().pDetailAlert->visible());
        EXPECT_EQ(w().pAlert->backgroundColor(), hexColor(0xFFE6E6));
        EXPECT_FALSE(w().targetDrive1->visible());
    };
    expectError();

    clickAction();
    expectError();
    EXPECT_TRUE(widgets.shownMenus().empty()) << "Refresh opens no menu";

    store.addDrive(L'E', plat::DRIVE_REMOVABLE, L"Stick", L"NTFS"); // plugged in
    clickAction();
    EXPECT_EQ(w().FMode, amIdle);
    EXPECT_EQ(w().btnAction->caption(), L"Run Scan");
    EXPECT_EQ(w().btnAction->imageIndex(), kActionRunScan);
    EXPECT_EQ(w().btnAction->arrowDirection(), atDown);
    EXPECT_EQ(w().ImgAlert->picture(), *w().Img48->image(0));
    EXPECT_EQ(w().alertBody->caption().rfind(L"This program will scan all available fixed drives", 0), 0u);
    EXPECT_TRUE(widgets.shownMenus().empty());
    EXPECT_EQ(driveItems(w()), (std::vector<std::wstring>{L"E:\\ - Stick"}));
    clickAction();
    EXPECT_EQ(widgets.shownMenus().size(), 1u) << "now the button runs scans";
}

TEST_F(ScanCommandsTest, FineReturnsToIdleAndAnUnknownTagDoesNothing) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    open();
    w().scanStarting({L"C:\\"});
    w().scanFinished(false, 0);
    ASSERT_EQ(w().btnAction->caption(), L"Fine!");
    clickAction();
    EXPECT_EQ(w().FMode, amIdle);
    EXPECT_EQ(w().btnAction->caption(), L"Run Scan");
    EXPECT_TRUE(widgets.shownMenus().empty());

    w().btnAction->setImageIndex(7);
    clickAction();
    EXPECT_EQ(w().FMode, amIdle);
    EXPECT_EQ(w().btnAction->caption(), L"Run Scan");
    EXPECT_TRUE(widgets.shownMenus().empty());
}

TEST_F(ScanCommandsTest, AFullSystemScanStartedFromTheButtonRunsWithTheDialogsValuesAndFillsTheTree) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'E', plat::DRIVE_REMOVABLE, L"", L"NTFS");
    store.addFile(L"C:\\data\\report.txt", "main data");
    store.addStream(L"C:\\data\\report.txt", L"notes", "secret notes kept here");
    store.addStream(L"C:\\data\\report.txt", L"Zone.Identifier", "[ZoneTransfer]");
    store.addFile(L"C:\\data\\picture.dat", "binary");
    store.addStream(L"C:\\data\\picture.dat", L"thumb", "x");
    store.addFile(L"E:\\deep\\er\\photo.txt", "jpeg");
    store.addStream(L"E:\\deep\\er\\photo.txt", L"gps", "51.5N");
    open();
    wc().crecursive->setChecked(false); // left so by a folder scan: the full scan walks every folder

    bool dialogAsExpected = false;
    answerSetupScan(
        [&](TFrmWC& d) {
            // Not an administrator: no row for reading volumes directly, the three-row dialog.
            dialogAsExpected = d.visible() && !d.crecursive->visible() && !d.cdirect->visible() &&
                               !d.cdirect->checked() && d.clientHeight() == 137 && d.edtwc->focused() &&
                               d.edtwc->selText() == L"*.*" && d.spleft->text() == L"30";
            typeInto(*d.edtwc, L"*.txt");
            typeInto(*d.spleft, L"12");
            peerOf(*d.czone).click(5, 10);
        },
        VK_RETURN);
    chooseFromScanMenu(kFull);
    EXPECT_TRUE(dialogAsExpected);
    EXPECT_NE(w().FScanFileSystem, nullptr) << "the window keeps the running scan";
    waitForScanEnd();

    const std::optional<TScanStart> start = w().scans->start();
    ASSERT_TRUE(start.has_value());
    EXPECT_EQ(start->mode, smFull);
    EXPECT_EQ(start->path, L"");
    EXPECT_EQ(start->wildcard, L"*.txt");
    EXPECT_TRUE(start->recursive);
    EXPECT_EQ(start->previewLen, 12);
    EXPECT_TRUE(start->includeZone);
    EXPECT_TRUE(start->freeOnTerminate);
    EXPECT_EQ(start->priority, plat::tpHighest);
    EXPECT_FALSE(start->direct);

    EXPECT_EQ(w().FScanFileSystem, nullptr) << "the scan's last step dropped the reference";
    EXPECT_EQ(w().FMode, amFinished);
    EXPECT_EQ(w().btnAction->caption(), L"Fine!");
    EXPECT_EQ(treeRows(w()),
              (std::vector<std::wstring>{L"C:\\data\\report.txt", L"  C:\\data\\report.txt:notes",
                                         L"  C:\\data\\report.txt:Zone.Identifier",
                                         L"E:\\deep\\er\\photo.txt", L"  E:\\deep\\er\\photo.txt:gps"}));
    std::wstring preview;
    w().VSTGetText(w().VST->getFirstChild(w().VST->getFirst()), 5, preview);
    EXPECT_EQ(preview, L"secret notes") << "12 bytes of preview";
    EXPECT_NE(w().alertBody->caption().find(L"with 3 item(s) found"), std::wstring::npos);

    clickAction();
    EXPECT_EQ(w().FMode, amIdle) << "Fine! acknowledges the result";
    EXPECT_EQ(w().VST->totalCount(), 5u) << "the results stay";
}

TEST_F(ScanCommandsTest, ADriveScanTakesTheRootFromTheChosenItemsCaption) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'E', plat::DRIVE_REMOVABLE, L"Backup - 2024", L"NTFS");
    store.addFile(L"E:\\saved.txt", "x");
    store.addStream(L"E:\\saved.txt", L"s", "y");
    open();
    int height = 0;
    answerSetupScan([&](TFrmWC& d) { height = d.crecursive->visible() ? -1 : d.clientHeight(); }, VK_RETURN);
    chooseFromScanMenu(L"E:\\ - Backup - 2024");
    waitForScanEnd();
    EXPECT_EQ(height, 137) << "no row for reading volumes directly: the user is not an administrator";
    ASSERT_TRUE(w().scans->start().has_value());
    EXPECT_EQ(w().scans->start()->mode, smTargetDrive);
    EXPECT_EQ(w().scans->start()->path, L"E:\\") << "the text before the first \"-\" of the label";
    EXPECT_TRUE(w().scans->start()->recursive);
    EXPECT_EQ(w().scans->start()->wildcard, L"*.*");
    EXPECT_EQ(w().scans->start()->previewLen, 30);
    EXPECT_FALSE(w().scans->start()->includeZone);
    EXPECT_EQ(treeRows(w()), (std::vector<std::wstring>{L"E:\\saved.txt", L"  E:\\saved.txt:s"}));

    // Captions as a menu may hand them back: accelerator marks and spaces round the root.
    const struct {
        const wchar_t* caption;
        const wchar_t* root;
    } cases[] = {
        {L"&E:\\ - Data", L"E:\\"},
        {L"E&:\\ - A&B", L"E:\\"},
        {L"  E:\\   - Data", L"E:\\"},
        {L"E:\\ - my-stick - 2", L"E:\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.caption, c.caption + std::wcslen(c.caption)));
        clickAction(); // Fine!
        TMenuItem item(c.caption);
        answerSetupScan(nullptr, VK_RETURN);
        w().targetDriveClick(&item);
        waitForScanEnd();
        EXPECT_EQ(w().scans->start()->path, c.root);
    }
}

TEST_F(ScanCommandsTest, AFolderScanAsksForTheFolderFirstAndOffersTheRecursiveBox) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addFile(L"C:\\work\\a.txt", "a");
    store.addStream(L"C:\\work\\a.txt", L"s", "1");
    store.addFile(L"C:\\work\\sub\\b.txt", "b");
    store.addStream(L"C:\\work\\sub\\b.txt", L"s", "2");
    open();

    // Cancelled, or an item that is no folder: no dialog, no scan.
    dialogs.answerCancel();
    chooseFromScanMenu(kFolder);
    dialogs.answerItemWithoutPath(L"Network");
    chooseFromScanMenu(kFolder);
    ASSERT_EQ(dialogs.folderBrowsers().size(), 2u);
    EXPECT_EQ(dialogs.folderBrowsers()[0].title, L"Choose the target folder:");
    EXPECT_NE(dialogs.folderBrowsers()[0].flags & plat::BIF_NONEWFOLDERBUTTON, 0u)
        << "no button that makes a folder";
    EXPECT_EQ(widgets.modalCount(), 0);
    EXPECT_EQ(w().scansMade, 0);
    EXPECT_EQ(w().FMode, amIdle);

    // Chosen: the dialog shows the recursive box; unchecked, the folder's own files only.
    int height = 0;
    dialogs.answerFolder(L"C:\\work");
    answerSetupScan(
        [&](TFrmWC& d) {
            height = d.crecursive->visible() ? d.clientHeight() : -1;
            EXPECT_TRUE(d.crecursive->checked());
            peerOf(*d.crecursive).click(5, 10);
            typeInto(*d.spleft, L"abc");
        },
        VK_RETURN);
    chooseFromScanMenu(kFolder);
    waitForScanEnd();
    EXPECT_EQ(height, 160);
    ASSERT_TRUE(w().scans->start().has_value());
    EXPECT_EQ(w().scans->start()->mode, smTargetPath);
    EXPECT_EQ(w().scans->start()->path, L"C:\\work");
    EXPECT_FALSE(w().scans->start()->recursive);
    EXPECT_EQ(w().scans->start()->previewLen, 5) << "a preview length that is no number gives 5";
    EXPECT_EQ(treeRows(w()), (std::vector<std::wstring>{L"C:\\work\\a.txt", L"  C:\\work\\a.txt:s"}));

    // The dialog kept its values; checked again, the walk goes down.
    clickAction(); // Fine!
    dialogs.answerFolder(L"C:\\work");
    answerSetupScan(
        [&](TFrmWC& d) {
            EXPECT_FALSE(d.crecursive->checked());
            EXPECT_EQ(d.spleft->text(), L"5");
            peerOf(*d.crecursive).click(5, 10);
        },
        VK_RETURN);
    chooseFromScanMenu(kFolder);
    waitForScanEnd();
    EXPECT_TRUE(w().scans->start()->recursive);
    EXPECT_EQ(w().VST->totalCount(), 4u);
}

// "Read NTFS volumes directly": offered for the drive scopes only, usable only by an administrator,
// unchecked at first and kept from one scan to the next. A drive whose raw volume cannot be read is
// walked, and the outcome says so.
TEST_F(ScanCommandsTest, TheDirectBoxIsForAnAdministratorsDriveScansAndIsKept) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addFile(L"C:\\data\\a.txt", "a");
    store.addStream(L"C:\\data\\a.txt", L"s", "1");
    privilege.setVersion(10, 0);
    open();

    struct TSeen {
        bool visible = false, enabled = false, checked = false;
        int height = 0;
    };
    const auto scanWith = [&](const std::wstring& item, bool click, TSeen& seen) {
        if (w().FMode == amFinished) {
            clickAction(); // Fine!
        }
        answerSetupScan(
            [&](TFrmWC& d) {
                seen = {d.cdirect->visible(), d.cdirect->enabled(), d.cdirect->checked(), d.clientHeight()};
                if (click) {
                    peerOf(*d.cdirect).click(5, 10);
                }
            },
            VK_RETURN);
        chooseFromScanMenu(item);
        waitForScanEnd();
    };

    // Not an administrator: the row is not there, the dialog is its three rows high.
    privilege.setAdministrator(false);
    TSeen seen;
    scanWith(kFull, false, seen);
    EXPECT_TRUE(!seen.visible && !seen.checked);
    EXPECT_EQ(seen.height, 137);
    EXPECT_FALSE(wc().cdirect->checked());
    EXPECT_FALSE(w().scans->start()->direct);

    // An administrator checks it: the scan reads directly; the store has no raw volume, so C: is walked.
    privilege.setAdministrator(true);
    scanWith(kFull, true, seen);
    EXPECT_TRUE(seen.visible && seen.enabled && !seen.checked);
    EXPECT_EQ(seen.height, 160);
    EXPECT_TRUE(w().scans->start()->direct);
    EXPECT_EQ(treeRows(w()), (std::vector<std::wstring>{L"C:\\data\\a.txt", L"  C:\\data\\a.txt:s"}));
    EXPECT_EQ(
        w().alertBody->caption(),
        L"Alternate Data Stream (ADS) files scanning complete with 1 item(s) found. Please check the origin "
        L"of this hidden files and proceed with the best action! The drive C:\\ could not be read directly "
        L"and was scanned file by file instead.");

    // Kept for the next drive scan; a folder scan neither shows nor uses it.
    scanWith(L"C:\\ - System", false, seen);
    EXPECT_TRUE(seen.checked);
    EXPECT_TRUE(w().scans->start()->direct);
    dialogs.answerFolder(L"C:\\data");
    scanWith(kFolder, false, seen);
    EXPECT_FALSE(seen.visible);
    EXPECT_EQ(seen.height, 160);
    EXPECT_FALSE(w().scans->start()->direct);
    EXPECT_NE(w().alertBody->caption().find(L"1 item(s) found. Please"), std::wstring::npos);
    EXPECT_EQ(w().alertBody->caption().find(L"directly"), std::wstring::npos);

    // No longer an administrator (another run of the program): kept checked, but neither shown nor used.
    privilege.setAdministrator(false);
    scanWith(kFull, false, seen);
    EXPECT_TRUE(seen.checked && !seen.visible);
    EXPECT_EQ(seen.height, 137);
    EXPECT_FALSE(w().scans->start()->direct);
}
