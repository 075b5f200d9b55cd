#include "streamops/UntBackupADSThread.h"

#include "platform/FileServices.h"
#include "platform/ScopedModes.h"
#include "platform/WinPath.h"
#include "streamops/UntKorvaneLibStreamOps.h"
#include "toolkit/TreeList.h"

namespace {

bool folderExists(const std::wstring& path) {
    const plat::DWORD attributes = plat::files().GetFileAttributesW(plat::exactPath(path).c_str());
    return attributes != plat::INVALID_FILE_ATTRIBUTES && (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isCheckedStream(const TTreeList& tree, const TTreeNode* node) {
    return tree.getNodeLevel(node) >= 1 && tree.checkState(node) == TCheckState::csCheckedNormal;
}

} // namespace

TBackupADS::TBackupADS(TBackupNotifications& notifications) : FNotifications(notifications) {}

void TBackupADS::Execute() {
    // Saving and deleting must reach the files the scan listed, in the real system folder too;
    // switched back on when the body ends, on every path.
    plat::TRedirectionOff redirectionOff;
    FState = TBackupRunState{};
    FState.backupVST = FBackupVST;
    FState.destPath = FDestPath;
    FState.operationName = FBackupVST ? L"Backuping" : L"Removing";
    FState.operationNameBis = FBackupVST ? L"Backuped" : L"Removed";
    FState.operationNameBisBis = FBackupVST ? L"Backup" : L"Cleanning";
    FDeletedRow = nullptr;
    FSavedNames = TSavedNames{};
    try {
        Synchronize([&] {
            FState.totalCount = countCheckedStreams(FNotifications.backupTree());
            FNotifications.backupStarting(FState);
        });
        std::int32_t processed = 0;
        TTreeNode* current = nullptr;
        std::wstring name;
        std::wstring path;
        while (nextCheckedStream(current, name, path)) {
            if (FBackupVST) {
                if (copyStreamToFolder(path, FDestPath, name)) {
                    ++FState.succeed;
                }
            } else if (deleteStream(path)) {
                FDeletedRow = current; // its row goes in the next hand-over
                ++FState.succeed;
            }
            if (++processed >= kProgressEvery) {
                Synchronize([&] { FNotifications.backupProgress(FState); });
                processed = 0;
            }
        }
    } catch (...) {
        // An error (for example one raised in a notification) ends the walk; the end is reported all
        // the same.
    }
    try {
        Synchronize([&] {
            try {
                TTreeList& tree = FNotifications.backupTree();
                takeOutDeletedRow(tree);
                if (!FBackupVST) {
                    removeEmptyFileNodes(tree); // while repainting is still suspended: no redraw per row
                }
            } catch (...) {
                // The window is told of the end all the same, or it would wait for this run forever.
            }
            FNotifications.backupFinished(FState);
        });
    } catch (...) {
        // Nothing is left to report it to.
    }
}

bool TBackupADS::nextCheckedStream(TTreeNode*& current, std::wstring& name, std::wstring& path) {
    bool found = false;
    Synchronize([&] {
        TTreeList& tree = FNotifications.backupTree();
        // The walk goes on with the row that followed the current one, also when that one goes now.
        TTreeNode* node = current == nullptr ? tree.getFirst() : tree.getNext(current);
        takeOutDeletedRow(tree);
        for (; node != nullptr; node = tree.getNext(node)) {
            if (Terminated()) {
                node = nullptr;
                break;
            }
            if (isCheckedStream(tree, node)) {
                break;
            }
        }
        current = node;
        if (node == nullptr) {
            return;
        }
        FNotifications.backupStreamTexts(node, name, path);
        FNotifications.backupStreamStarting(FState.operationName + L": " + path,
                                            L"Destination: " + FDestPath);
        found = true;
    });
    return found;
}

void TBackupADS::takeOutDeletedRow(TTreeList& tree) {
    if (FDeletedRow != nullptr) {
        tree.deleteNode(FDeletedRow);
        FDeletedRow = nullptr;
    }
}

bool TBackupADS::copyStreamToFolder(const std::wstring& source, const std::wstring& folder,
                                    const std::wstring& name) {
    if (!folderExists(folder)) {
        return false;
    }
    const std::wstring wanted =
        folder + (!folder.empty() && folder.back() == L'\\' ? L"" : L"\\") + safeFileName(name);
    return copyStreamToNewFile(
        source, wanted, [this] { return Terminated(); }, nullptr, &FSavedNames);
}
