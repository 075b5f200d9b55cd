#include "robust/WindowWorld.h"

#include "platform/DialogServices.h"
#include "platform/WidgetServices.h"

namespace robust {

namespace {

class TWatchedScan : public TScanFileSystem {
public:
    TWatchedScan(TScanNotifications& window, testsupport::TDoneSignal gone)
        : TScanFileSystem(window), FGone(gone) {}
    ~TWatchedScan() override { FGone.set(); }

private:
    testsupport::TDoneSignal FGone;
};

class TWatchedBackup : public TBackupADS {
public:
    TWatchedBackup(TBackupNotifications& window, testsupport::TDoneSignal gone)
        : TBackupADS(window), FGone(gone) {}
    ~TWatchedBackup() override { FGone.set(); }

private:
    testsupport::TDoneSignal FGone;
};

} // namespace

void TWatchedMain::scanFinished(bool terminated, std::int64_t foundResults) {
    ++scanFinishedCount;
    TFrmMain::scanFinished(terminated, foundResults);
}

void TWatchedMain::backupFinished(const TBackupRunState& state) {
    ++backupFinishedCount;
    finalState = state;
    TFrmMain::backupFinished(state);
}

TScanFileSystem* TWatchedMain::createScanThread() {
    return new TWatchedScan(*this, scanGone);
}

TBackupADS* TWatchedMain::createBackupThread() {
    return new TWatchedBackup(*this, runGone);
}

void TWatchedMain::addRows(const std::vector<TStreamRow>& rows) {
    TScanNode fileNode = nullptr;
    std::wstring lastFile;
    for (const TStreamRow& row : rows) {
        if (fileNode == nullptr || row.file != lastFile) {
            fileNode = fileFound(row.file, row.creation, row.modification);
            lastFile = row.file;
        }
        streamFound(TADSObject(row.name, row.size), row.file, row.creation, row.modification, 30, fileNode);
    }
    btnBackup->setEnabled(true); // as the scan's end leaves them
    btnDelete->setEnabled(true);
}

TTreeNode* TWatchedMain::row(const std::wstring& column2) {
    for (TTreeNode* node = VST->getFirst(); node != nullptr; node = VST->getNext(node)) {
        if (treeData(node)->Column2 == column2) {
            return node;
        }
    }
    return nullptr;
}

std::vector<std::wstring> TWatchedMain::streamPaths(bool checkedOnly) {
    std::vector<std::wstring> paths;
    for (TTreeNode* node = VST->getFirst(); node != nullptr; node = VST->getNext(node)) {
        if (VST->getNodeLevel(node) >= 1 &&
            (!checkedOnly || VST->checkState(node) == TCheckState::csCheckedNormal)) {
            paths.push_back(treeData(node)->Column2);
        }
    }
    return paths;
}

std::vector<std::wstring> TWatchedMain::filePaths() {
    std::vector<std::wstring> paths;
    for (TTreeNode* node = VST->getFirst(); node != nullptr; node = VST->getNext(node)) {
        if (VST->getNodeLevel(node) == 0) {
            paths.push_back(treeData(node)->Column1);
        }
    }
    return paths;
}

TWindowWorld::TWindowWorld(bool filled) : TWorld(true, filled) {
    plat::installWidgetServices(&widgets);
    plat::installProcessServices(&process);
    plat::installPrivilegeServices(&privilege);
    plat::installDialogServices(&dialogs);
    plat::installClipboardServices(&clipboard);
    dialogs.onUnscripted([this](const std::wstring& message) { unscripted.push_back(message); });
    window = std::make_unique<TWatchedMain>();
    window->show();
}

TWindowWorld::~TWindowWorld() {
    window.reset();
    plat::installClipboardServices(nullptr);
    plat::installDialogServices(nullptr);
    plat::installPrivilegeServices(nullptr);
    plat::installProcessServices(nullptr);
    plat::installWidgetServices(nullptr);
}

void TWindowWorld::click(void (TFrmMain::*handler)()) {
    ui->runOnUiThread([&] { (window.get()->*handler)(); });
}

std::vector<std::wstring> TWindowWorld::shownDialogs() const {
    std::vector<std::wstring> shown;
    for (const plat::TTaskDialogConfig& dialog : dialogs.taskDialogs()) {
        shown.push_back(dialog.mainInstruction + L" | " + dialog.content);
    }
    return shown;
}

} // namespace robust
