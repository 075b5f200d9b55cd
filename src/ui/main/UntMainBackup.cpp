// What each point of a backup or removal run does to the main window. Every notification runs on
// the UI thread while the backup and removal thread waits for it.

#include "ui/main/UntMain.h"

#include "system/UntKorvaneLib.h"

TTreeList& TFrmMain::backupTree() {
    return *VST;
}

void TFrmMain::backupStreamTexts(TTreeNode* node, std::wstring& name, std::wstring& path) {
    const PTreeData data = treeData(node);
    name = data != nullptr ? data->Column1 : std::wstring();
    // A row inside an image is read where its volume is attached.
    path = data != nullptr ? openedPath(data->Column2) : std::wstring();
}

void TFrmMain::backupStarting(const TBackupRunState& state) {
    switchAlertPanel(amBusy);
    pb->setVisible(false); // a run has no drives: only the stream bar shows
    btnBackup->setEnabled(false);
    btnDelete->setEnabled(false);
    btnBackup->setImageIndex(17);
    btnDelete->setImageIndex(16);
    btnStop->setImageIndex(kStopBackup);
    setImageAlertIndex(state.backupVST ? 6 : 7);
    const TBitmap32* windowsIcon = ImgSys->image(getShellIconIndex(getWindowsFolder()));
    AlertSubImg->setPicture(windowsIcon != nullptr ? *windowsIcon : TBitmap32());
    pbSec->setMax(state.totalCount);
    pbSec->setPosition(0);
    pDetailAlertMode(true);
    setDetailAlert(L"N/A", L"N/A");
    // Thousands of rows may go: nothing is drawn of the tree until the run ends.
    if (!FTreeSuspended) {
        VST->beginUpdate();
        FTreeSuspended = true;
    }
    ImgRefresh->setVisible(false);
    ImgBackup->setVisible(true);
    pRefresh->setVisible(true);
    setAlert(state.operationName + L" ADS Files", L"");
    labelCount->setCaption(state.operationName + L" ADS Files...");
    processResize();
}

void TFrmMain::backupStreamStarting(const std::wstring& line1, const std::wstring& line2) {
    // Line 1 is the job's name, ": " and the path read from; a path inside an image shows as its row does.
    const std::size_t path = line1.find(L": ");
    setDetailAlert(path == std::wstring::npos ? line1
                                              : line1.substr(0, path + 2) + shownPath(line1.substr(path + 2)),
                   line2);
}

void TFrmMain::backupProgress(const TBackupRunState& state) {
    pbSec->setPosition(pbSec->position() + TBackupADS::kProgressEvery);
    labelCount->setCaption(std::to_wstring(state.succeed) + L"/" + std::to_wstring(state.totalCount) + L" " +
                           state.operationNameBis + L"...");
    processResize();
}

void TFrmMain::backupFinished(const TBackupRunState& state) {
    // The thread frees itself right after this returns: no stop request may reach it any more.
    FBackupADS = nullptr;
    pRefresh->setVisible(false);
    pDetailAlertMode(false);
    setImageAlertIndex(1);
    switchAlertPanel(amFinished);
    btnAction->setArrowDirection(atRight);
    btnAction->setCaption(L"Fine!");
    btnAction->setImageIndex(kActionFine);
    setAlert(state.operationNameBisBis + L" Complete!",
             std::to_wstring(state.succeed) + L"/" + std::to_wstring(state.totalCount) +
                 L" ADS (Alternate Data Stream) file(s) was successfully " + state.operationNameBis + L"!");
    pbSec->setPosition(0);
    // A removal has already taken out the file rows left without streams, so an emptied tree leaves
    // the buttons disabled.
    if (VST->totalCount() > 0) {
        btnBackup->setEnabled(true);
        btnDelete->setEnabled(true);
        btnBackup->setImageIndex(2);
        btnDelete->setImageIndex(14);
    }
    if (FTreeSuspended) {
        FTreeSuspended = false;
        VST->endUpdate();
    }
}
