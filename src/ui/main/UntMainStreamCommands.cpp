// The stream commands of the main window: the toolbar's bulk backup and removal of the checked
// streams, and the tree menu's backup, removal and path copy of the focused stream.

#include "ui/main/UntMain.h"

#include "platform/ClipboardServices.h"
#include "platform/FileServices.h"
#include "platform/ScopedModes.h"
#include "platform/ShownName.h"
#include "platform/WinPath.h"
#include "streamops/UntKorvaneLibStreamOps.h"
#include "system/UntBrowseFolder.h"
#include "system/UntKorvaneLib.h"

namespace {

const wchar_t* const kChooseDestination = L"Choose destination path";
const wchar_t* const kPermanent = L"This action is permanent!";
const wchar_t* const kImageReadOnly =
    L"These streams are inside a disk image, which is opened read only: nothing was deleted.";
const wchar_t* const kEscapedNames =
    L"Windows cannot open a name written with the | escape (a character Windows does not allow in a "
    L"name): such a stream is read from the volume directly and cannot be deleted. Nothing was deleted.";
const wchar_t* const kEscapedName =
    L"Windows cannot open this name, written with the | escape (a character Windows does not allow in a "
    L"name): the stream is read from the volume directly and cannot be deleted. It is left as it is.";

} // namespace

void TFrmMain::bindStreamCommands() {
    btnBackup->OnClick = [this](TControl*) { btnBackupClick(); };
    btnDelete->OnClick = [this](TControl*) { btnDeleteClick(); };
    BackupselectedADS1->OnClick = [this](TMenuItem*) { BackupselectedADS1Click(); };
    DeleteselectedADS1->OnClick = [this](TMenuItem*) { DeleteselectedADS1Click(); };
    CopyfullADSPath1->OnClick = [this](TMenuItem*) { CopyfullADSPath1Click(); };
}

bool TFrmMain::jobRunning() const {
    return FMode == amBusy || FBackupADS != nullptr || FScanFileSystem != nullptr || FExportResults != nullptr;
}

void TFrmMain::runBackup(bool backupVST, const std::wstring& destPath) {
    TBackupADS* run = createBackupThread(); // frees itself when its body returns
    FBackupADS = run;
    run->setFreeOnTerminate(true);
    run->setPriority(plat::tpHighest);
    run->setBackupVST(backupVST);
    run->setDestPath(destPath);
    run->Start();
}

void TFrmMain::btnBackupClick() {
    if (jobRunning()) {
        return; // a second click before the run's start step disabled the button
    }
    const std::wstring folder = browseForFolder(kChooseDestination, true);
    if (isBlank(folder)) {
        return;
    }
    runBackup(true, folder);
}

void TFrmMain::btnDeleteClick() {
    if (jobRunning()) {
        return;
    }
    const std::int32_t count = countCheckedStreams(*VST);
    if (count == 0) {
        return;
    }
    if (checkedImageRows()) {
        showInformation(L"Delete ADS File(s)", kImageReadOnly);
        return;
    }
    if (checkedEscapedRows()) {
        showInformation(L"Delete ADS File(s)", kEscapedNames);
        return;
    }
    if (!askQuestion(L"Delete ADS File(s)",
                     L"You are about to delete " + std::to_wstring(count) +
                         L" ADS (Alternate Data Stream) files, Are you sure?",
                     kPermanent)) {
        return;
    }
    runBackup(false, L"");
}

void TFrmMain::BackupselectedADS1Click() {
    // The rows belong to a running job; the menu is out of reach then, the keyboard aside.
    TTreeNode* node = VST->focusedNode();
    const PTreeData data = treeData(node);
    if (jobRunning() || data == nullptr || VST->getNodeLevel(node) == 0) {
        return;
    }
    const std::wstring source = openedPath(data->Column2);
    const std::wstring name = data->Column1;
    std::wstring folder = browseForFolder(kChooseDestination, true);
    if (isBlank(folder)) {
        return;
    }
    if (folder.back() != L'\\') {
        folder += L'\\';
    }
    plat::TFileServices& fs = plat::files();
    bool saved = false;
    plat::DWORD error = 0;
    std::wstring written;
    {
        // The stream the scan listed, in the real system folder too.
        plat::TRedirectionOff redirectionOff;
        fs.SetLastError(0);
        saved = copyStreamToFile(source, folder + safeFileName(name), &written);
        error = fs.GetLastError();
    }
    if (saved) {
        // The file actually written: a numbered name when the plain one was taken.
        showInformation(L"Backup ADS File", L"ADS File successfully backupped at :\r\n" + written);
    } else {
        showError(L"Backup ADS File",
                  L"Could not backup ADS File with error=[" + std::to_wstring(error) + L"]");
    }
}

void TFrmMain::DeleteselectedADS1Click() {
    TTreeNode* node = VST->focusedNode();
    const PTreeData data = treeData(node);
    if (jobRunning() || data == nullptr || VST->getNodeLevel(node) == 0) {
        return;
    }
    const std::wstring path = data->Column2;
    if (isImageRowPath(path)) {
        showInformation(L"Delete ADS File", kImageReadOnly);
        return;
    }
    if (plat::holdsEscapedName(path)) {
        showInformation(L"Delete ADS File", kEscapedName);
        return;
    }
    if (!askQuestion(L"Delete ADS File",
                     L"You are about to delete " + data->Column1 +
                         L" ADS (Alternate Data Stream) file, Are you sure?",
                     kPermanent)) {
        return;
    }
    bool deleted = false;
    {
        plat::TRedirectionOff redirectionOff;
        deleted = deleteStream(path);
    }
    if (deleted) {
        VST->deleteNode(node);
    }
    removeEmptyFileNodes(*VST);
    if (deleted) {
        showInformation(L"Delete ADS File", L"ADS File successfully removed!");
    }
}

void TFrmMain::CopyfullADSPath1Click() {
    if (const PTreeData data = treeData(VST->focusedNode())) {
        plat::clipboard().setClipboardText(data->Column2);
    }
}
