// What each point of a scan does to the main window. Every notification runs on the UI thread while
// the scan thread waits for it.

#include "ui/main/UntMain.h"

#include "stream/UntKorvaneLib.h"
#include "system/UntKorvaneLib.h"

namespace {

// A time as a number that orders as the time does.
std::int64_t timeKey(const TDateTime& t) {
    std::int64_t key = t.year;
    key = key * 13 + t.month;
    key = key * 32 + t.day;
    key = key * 24 + t.hour;
    key = key * 60 + t.minute;
    key = key * 60 + t.second;
    return key * 1000 + t.millisecond;
}

} // namespace

void TFrmMain::scanStarting(const std::vector<std::wstring>& driveList) {
    switchAlertPanel(amBusy);
    // The busy panel is painted as soon as this step ends, while the scan thread may still spend a
    // while asking the first root for its name: none of the last mode's texts, icon or detail lines
    // may show in it meanwhile. The first root's own text follows when its scan initialises.
    pDetailAlertMode(false);
    setImageAlertIndex(3);
    setAlert(L"Scanning File System For ADS", L"");
    pb->setMax(static_cast<std::int64_t>(driveList.size()));
    pb->setPosition(0);
    btnBackup->setEnabled(false);
    btnDelete->setEnabled(false);
    btnDelete->setImageIndex(16);
    btnBackup->setImageIndex(17);
    ImgRefresh->setVisible(true);
    ImgBackup->setVisible(false);
    btnStop->setImageIndex(kStopScan);
    FWalkedInstead.clear();
    // Each scan replaces the last one's results; nothing is drawn of them until the scan ends.
    VST->clear();
    if (!FTreeSuspended) {
        VST->beginUpdate();
        FTreeSuspended = true;
    }
    labelCount->setCaption(L"We did not find anything yet!");
    pRefresh->setVisible(true);
    processResize();
}

void TFrmMain::imageOpening(const std::wstring& image) {
    TFrmMain::scanStarting({});
    setAlert(L"Scanning File System For ADS",
             L"Opening \"" + imageName(image) + L"\" and reading its volumes, please wait...");
    pb->setMarquee(true);
}

void TFrmMain::imageOpened(const TImageOpening& opening) {
    if (!opening.error.empty()) {
        FImageError = opening.error; // said once the scan has ended and the window is idle again
        return;
    }
    const std::wstring name = imageName(FImageFile);
    if (!opening.damage.empty()) {
        showInformation(L"Scan NTFS Disk Image", opening.damage);
    }
    if (!opening.unreadPartitions.empty()) {
        // A damaged partition costs its own rows, not the scan: the user hears which ones are missing,
        // before the scan and again in its outcome.
        std::wstring list;
        for (const std::wstring& problem : opening.unreadPartitions) {
            FShortfall.addUnreadPartition(problem);
            list += L"\r\n" + problem;
        }
        showInformation(L"Scan NTFS Disk Image",
                        L"These NTFS partitions of " + name + L" cannot be read and are left out:" + list);
    }
    if (!opening.leftOut.empty()) {
        std::wstring list;
        for (const std::wstring& source : opening.leftOut) {
            list += L"\r\n" + source;
        }
        showInformation(L"Scan NTFS Disk Image",
                        L"Every free drive letter is taken, so these NTFS volumes of " + name +
                            L" cannot be read and are left out:" + list);
    }
}

void TFrmMain::driveInitializing(const std::wstring& curDriveLabel) {
    setAlert(L"Scanning File System For ADS",
             L"Initializing scan of \"" + curDriveLabel + L"\" drive, please wait...");
    setImageAlertIndex(3);
    pb->setMarquee(true);
}

void TFrmMain::driveCounted(std::int64_t count, const std::wstring& curDrive) {
    pb->setMarquee(false);
    setImageAlertIndex(4);
    const TBitmap32* driveIcon = ImgSys->image(getShellIconIndex(curDrive));
    AlertSubImg->setPicture(driveIcon != nullptr ? *driveIcon : TBitmap32());
    pbSec->setMax(count);
    pbSec->setPosition(0); // a root walked again after its direct read failed starts afresh
    pDetailAlertMode(true);
    setDetailAlert(L"N/A", L"N/A");
    if (pb->max() <= 1) {
        pb->setVisible(false); // one root: only the file bar shows
    }
}

void TFrmMain::driveScanStarting() {
    processResize();
    TimerPatchGUI->setEnabled(true);
}

void TFrmMain::scanProgress(const std::wstring& curDriveLabel, const std::wstring& folderPath,
                            const std::wstring& entryName, std::int64_t foundResults,
                            std::int64_t& lastFoundResultsCheck) {
    setDetailAlert(L"Scanning: " + shownPath(folderPath + entryName), L"Target: " + curDriveLabel);
    pbSec->setPosition(pbSec->position() + 50);
    if (foundResults != lastFoundResultsCheck) {
        const std::wstring manyStr = foundResults > 1 ? L"s" : L"";
        labelCount->setCaption(L"We Found " + std::to_wstring(foundResults) + L" Item" + manyStr +
                               L" Already!  ");
        processResize();
        lastFoundResultsCheck = foundResults;
    }
}

TScanNode TFrmMain::fileFound(const std::wstring& fileName, const std::wstring& creationStr,
                              const std::wstring& modificationStr) {
    return addEntryRow(fileName, false, creationStr, modificationStr);
}

TScanNode TFrmMain::folderFound(const std::wstring& folderName, const std::wstring& creationStr,
                                const std::wstring& modificationStr) {
    return addEntryRow(folderName, true, creationStr, modificationStr);
}

TTreeNode* TFrmMain::addEntryRow(const std::wstring& path, bool isFolder, const std::wstring& creationStr,
                                 const std::wstring& modificationStr) {
    TTreeNode* XNode = VST->addChild(nullptr);
    if (PTreeData data = treeData(XNode)) {
        data->Column1 = shownPath(path); // inside an image: its name, not the letter it is read at
        data->Column2.clear();
        data->IsFolder = isFolder;
        data->InImage = data->Column1 != path;
        // A folder has no size of its own; its picture is the system's for the path (VSTGetImageIndex).
        data->FileSize = isFolder ? 0 : getFileSize(path);
        data->Column3 = isFolder ? std::wstring() : formatFileSize(data->FileSize);
        data->Column4 = creationStr;
        data->Column5 = modificationStr;
        data->Column6.clear();
        TDateTime creation;
        TDateTime lastWrite;
        if (isFolder ? getFolderTimes(path, creation, lastWrite) : getFileTimes(path, creation, lastWrite)) {
            data->CreationKey = timeKey(creation);
            data->ModificationKey = timeKey(lastWrite);
        }
    }
    return XNode;
}

TScanNode TFrmMain::streamFound(const TADSObject& curAds, const std::wstring& fileName,
                                const std::wstring& creationStr, const std::wstring& modificationStr,
                                std::int32_t previewLen, TScanNode fileNode) {
    auto* XNode = static_cast<TTreeNode*>(fileNode);
    TTreeNode* XNodeSub = VST->addChild(XNode);
    if (PTreeData data = treeData(XNodeSub)) {
        // A name that ends in a dot or a space needs the ":$DATA" form, or Windows strips that end
        // and the path reaches another stream.
        const std::wstring streamPath = streamPathOf(fileName, curAds.adsName());
        data->Column1 = curAds.adsName();
        data->Column2 = shownPath(streamPath);
        // Sizes are shown in full: a stream of 2 GiB or more keeps its true size.
        data->Column3 = formatFileSize(curAds.adsSize());
        data->StreamSize = curAds.adsSize();
        data->Column4 = creationStr;
        data->Column5 = modificationStr;
        const PTreeData fileData = treeData(XNode);
        fillStreamContent(*data, streamPath, curAds, fileData != nullptr && fileData->IsFolder, previewLen);
        if (fileData != nullptr) {
            data->CreationKey = fileData->CreationKey;
            data->ModificationKey = fileData->ModificationKey;
        }
    }
    VST->setExpanded(XNode, true);
    return XNodeSub;
}

void TFrmMain::directReadFailed(const std::wstring& curDrive, const std::wstring&) {
    FWalkedInstead.push_back(curDrive);
}

void TFrmMain::damagedRecordsSkipped(const std::wstring& curDriveLabel, std::uint64_t count) {
    FShortfall.addDamagedRecords(curDriveLabel, count);
}

void TFrmMain::folderNotListed(const std::wstring& folder, plat::DWORD) {
    FShortfall.addUnlistedFolder(folder);
}

void TFrmMain::driveDone(int n) {
    pDetailAlertMode(false);
    pbSec->setPosition(0);
    pb->setPosition(n + 1);
}

void TFrmMain::scanFinished(bool terminated, std::int64_t foundResults) {
    // The thread frees itself right after this returns: no stop request may reach it any more.
    FScanFileSystem = nullptr;
    pb->setPosition(0);
    pbSec->setPosition(0);
    pRefresh->setVisible(false);
    // A scan cut short by an error may end inside a root's detail view; the outcome shows in the body.
    if (pDetailAlert->visible()) {
        pDetailAlertMode(false);
    }
    if (!FImageError.empty()) {
        // The image could not be opened: nothing was scanned, and the window is as before the scan.
        if (FTreeSuspended) {
            FTreeSuspended = false;
            VST->endUpdate();
        }
        pb->setMarquee(false);
        FShortfall.clear();
        reset();
        processResize();
        const std::wstring error = std::move(FImageError);
        FImageError.clear();
        showError(L"Scan NTFS Disk Image", error);
        return;
    }
    std::wstring title = L"Scan Complete!";
    std::wstring body;
    if (terminated) {
        title = L"Interrupted Scan!";
        body = L"Alternate Data Stream (ADS) files scanning was cancelled by user. Some ADS files were "
               L"probably not detected!";
    } else if (foundResults > 0) {
        body =
            L"Alternate Data Stream (ADS) files scanning complete with " + std::to_wstring(foundResults) +
            L" item(s) found. Please check the origin of this hidden files and proceed with the best action!";
    } else {
        body = L"No Alternate Data Stream (ADS) files were found on your system!";
    }
    if (!FWalkedInstead.empty()) {
        std::wstring roots;
        for (const std::wstring& root : FWalkedInstead) {
            roots += (roots.empty() ? L"" : L", ") + root;
        }
        body += FWalkedInstead.size() == 1
                    ? L" The drive " + roots +
                          L" could not be read directly and was scanned file by file instead."
                    : L" The drives " + roots +
                          L" could not be read directly and were scanned file by file instead.";
        FWalkedInstead.clear();
    }
    body += FShortfall.sentence([this](const std::wstring& path) { return shownPath(path); });
    FShortfall.clear();
    setAlert(title, body);
    setImageAlertIndex(1);
    switchAlertPanel(amFinished);
    btnAction->setArrowDirection(atRight);
    btnAction->setCaption(L"Fine!");
    btnAction->setImageIndex(kActionFine);
    if (FTreeSuspended) {
        FTreeSuspended = false;
        VST->endUpdate();
    }
    if (VST->totalCount() > 0) {
        btnBackup->setEnabled(true);
        btnDelete->setEnabled(true);
        btnDelete->setImageIndex(14);
        btnBackup->setImageIndex(2);
    }
    processResize();
}
