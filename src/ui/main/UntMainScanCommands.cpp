// The scan commands of the main window: the action button's three tags, the scan menu with its
// drive submenu, the check for NTFS drives that chooses between idle and error mode, the Setup Scan
// dialog before every scan, the start of the scan thread, and the stop question.

#include "ui/main/UntMain.h"

#include "platform/ntfs/NtfsImageDrives.h"
#include "streamops/UntBackupADSThread.h"
#include "system/UntBrowseFolder.h"
#include "system/UntChooseImage.h"
#include "system/UntKorvaneLib.h"
#include "ui/main/UntWildCard.h"

#include <cwctype>

namespace {

const wchar_t* const kProductTitle = L"Korvane ADS (Alternate Data Stream) Ombrolux";

// A drive item's caption is the drive's root, " - " and its name. The root is the part before the
// first "-" (a name may hold one too), without the spaces round it and without the accelerator
// marks "&" the menu may have put in.
std::wstring driveRootOfCaption(const std::wstring& caption) {
    std::wstring root = caption.substr(0, caption.find(L'-'));
    std::size_t first = 0;
    while (first < root.size() && root[first] <= L' ') {
        ++first;
    }
    std::size_t last = root.size();
    while (last > first && root[last - 1] <= L' ') {
        --last;
    }
    root = root.substr(first, last - first);
    std::erase(root, L'&');
    return root;
}

bool isNtfsTargetDrive(const TDriveInfoObject& drive) {
    if (drive.driveType() != dtFixed && drive.driveType() != dtRemovable) {
        return false;
    }
    std::wstring fileSystem = drive.drivePartitionType();
    for (wchar_t& ch : fileSystem) {
        ch = static_cast<wchar_t>(std::towupper(ch));
    }
    return fileSystem == L"NTFS";
}

// A system icon as a menu item's picture: drawn on white, with white as the transparent colour.
TBitmap32 menuPictureOf(const TBitmap32& icon) {
    TBitmap32 picture = icon;
    for (TRGBA& pixel : picture.pixels) {
        auto overWhite = [&pixel](std::uint8_t channel) {
            return static_cast<std::uint8_t>((channel * pixel.a + 255 * (255 - pixel.a) + 127) / 255);
        };
        pixel = TRGBA{overWhite(pixel.r), overWhite(pixel.g), overWhite(pixel.b), 255};
        if (pixel.r == 255 && pixel.g == 255 && pixel.b == 255) {
            pixel.a = 0;
        }
    }
    return picture;
}

// Shows the Setup Scan dialog for a scope; answers whether the user accepted it. The box
// "Scan target folder recursively" only shows for a folder and a disk image, the one that reads
// volumes directly only for drives, and only to an administrator (who alone can read a raw volume;
// the shield button restarts the program so): otherwise the dialog keeps its three rows.
bool setupScanAccepted(bool folderScope) {
    if (FrmWC == nullptr) {
        return false;
    }
    FrmWC->crecursive->setVisible(folderScope);
    FrmWC->cdirect->setVisible(!folderScope && isAdministrator());
    if (!FrmWC->showModal()) {
        FrmWC->FCanceled = true; // the program is ending: no scan
    }
    return !FrmWC->FCanceled;
}

} // namespace

void TFrmMain::bindScanCommands() {
    FullSystem1 = popscan->items().find(L"FullSystem1");
    targetDrive1 = popscan->items().find(L"targetDrive1");
    argetFolder1 = popscan->items().find(L"argetFolder1");
    ScanImage1 = popscan->items().find(L"ScanImage1");
    popscan->setPopupComponent(btnAction);
    popscan->OnPopup = [this](TPopupMenu*) { popscanPopup(); };
    FullSystem1->OnClick = [this](TMenuItem*) { FullSystem1Click(); };
    argetFolder1->OnClick = [this](TMenuItem*) { argetFolder1Click(); };
    ScanImage1->OnClick = [this](TMenuItem*) { ScanImage1Click(); };
}

void TFrmMain::btnActionClick() {
    switch (btnAction->imageIndex()) {
    case kActionRunScan: {
        // The scan menu opens at the button's lower-left corner.
        const TPoint corner = clientToScreen(*btnAction, TPoint{0, btnAction->height() - 1});
        popscan->Popup(corner.x, corner.y);
        break;
    }
    case kActionFine:
        reset();
        break;
    case kActionRefresh:
        checkNTFSDrive();
        break;
    default:
        break;
    }
}

void TFrmMain::popscanPopup() {
    // Drives come and go (a USB drive plugged in): the submenu is built anew at every opening.
    refreshPopDrive();
}

void TFrmMain::refreshPopDrive() {
    targetDrive1->clear();
    TDriveList drives;
    getDriveList(&drives);
    for (const TDriveInfoObject& drive : drives) {
        if (!isNtfsTargetDrive(drive)) {
            continue;
        }
        TMenuItem* item = targetDrive1->addItem(drive.driveLetter() + L" - " + drive.driveName(), -1,
                                                [this](TMenuItem* chosen) { targetDriveClick(chosen); });
        if (const TBitmap32* icon = ImgSys->image(getShellIconIndex(drive.driveLetter()))) {
            item->setBitmap(menuPictureOf(*icon));
        }
    }
    targetDrive1->setVisible(targetDrive1->count() > 0);
}

void TFrmMain::checkNTFSDrive() {
    refreshPopDrive();
    if (targetDrive1->count() > 0) {
        reset();
        return;
    }
    btnAction->setCaption(L"Refresh");
    btnAction->setImageIndex(kActionRefresh);
    switchAlertPanel(amError);
    setImageAlertIndex(8);
    pDetailAlertMode(false);
    btnAction->setArrowDirection(atRight);
    setAlert(kProductTitle,
             L"No NTFS Hard Drive/Removable Device were found in your system! Since Alternate Data Stream "
             L"files only exist on NTFS partitions we can not proceed with any scan. Please plug an NTFS "
             L"drive then press refresh!");
}

void TFrmMain::FullSystem1Click() {
    if (!setupScanAccepted(false)) {
        return;
    }
    runScan(smFull, L"", FrmWC->wildcard(), true, FrmWC->previewLength(), FrmWC->includeZone(),
            FrmWC->direct());
}

void TFrmMain::targetDriveClick(TMenuItem* item) {
    const std::wstring root = driveRootOfCaption(item->caption());
    if (!setupScanAccepted(false)) {
        return;
    }
    runScan(smTargetDrive, root, FrmWC->wildcard(), true, FrmWC->previewLength(), FrmWC->includeZone(),
            FrmWC->direct());
}

void TFrmMain::argetFolder1Click() {
    const std::wstring folder = browseForFolder(L"Choose the target folder:", false);
    if (isBlank(folder)) {
        return;
    }
    if (!setupScanAccepted(true)) {
        return;
    }
    runScan(smTargetPath, folder, FrmWC->wildcard(), FrmWC->recursive(), FrmWC->previewLength(),
            FrmWC->includeZone());
}

void TFrmMain::ScanImage1Click() {
    if (FImageDrives == nullptr || jobRunning()) {
        return;
    }
    const std::wstring image = chooseDiskImage();
    if (isBlank(image) || !setupScanAccepted(true)) {
        return;
    }
    // The image is opened by the scan, on its thread, with the busy panel and its stop button shown.
    runScan(smImage, image, FrmWC->wildcard(), FrmWC->recursive(), FrmWC->previewLength(),
            FrmWC->includeZone());
}

void TFrmMain::runScan(TScanFileSystemMode mode, const std::wstring& path, const std::wstring& wildcard,
                       bool recursive, std::int32_t previewLen, bool includeZone, bool direct) {
    if (mode != smImage && FImageDrives != nullptr) {
        FImageDrives->detach(); // the rows of the image go with this scan's start
    }
    FShortfall.clear();
    FImageError.clear();
    FImageFile = mode == smImage ? path : std::wstring();
    TScanFileSystem* scan = createScanThread(); // frees itself when its body returns
    FScanFileSystem = scan;
    scan->setFreeOnTerminate(true);
    scan->setPriority(plat::tpHighest);
    scan->setScanMode(mode);
    scan->setPath(path);
    scan->setWildcard(wildcard);
    scan->setRecursive(recursive);
    scan->setPreviewLen(previewLen);
    scan->setIncludeZone(includeZone);
    scan->setDirect(direct);
    if (FImageDrives != nullptr) {
        // The rows of names Windows cannot open are read, after the scan too, from the volume it read.
        scan->setKeepDirect(
            [drives = FImageDrives](wchar_t letter, std::shared_ptr<plat::ntfs::TDirectDrive> drive) {
                drives->keepDirect(letter, std::move(drive));
            });
    }
    if (mode == smImage) {
        scan->setOpenImage([this, path](const std::atomic<bool>& stop) { return openImage(path, stop); });
    }
    // An image is evidence: its hidden and system folders are walked too.
    scan->setEnterHiddenFolders(mode == smImage);
    scan->Start();
}

void TFrmMain::btnStopClick() {
    // The job goes on while the question is open; when it ends meanwhile, its last step has cleared
    // the window's reference, so a late yes reaches nothing.
    switch (btnStop->imageIndex()) {
    case kStopScan:
        if (askQuestion(L"Interupt Scan", L"You are about to interrupt the current scan, are you sure ?",
                        L"") &&
            FScanFileSystem != nullptr) {
            FScanFileSystem->Terminate();
        }
        break;
    case kStopBackup:
        if (askQuestion(L"Interupt Backup", L"You are about to interrupt the current backup, are you sure ?",
                        L"") &&
            FBackupADS != nullptr) {
            FBackupADS->Terminate();
        }
        break;
    case kStopExport:
        if (askQuestion(L"Interupt Export", L"You are about to interrupt the current export, are you sure ?",
                        L"") &&
            FExportResults != nullptr) {
            FExportResults->Terminate();
        }
        break;
    default:
        break;
    }
}
