// The rows of a disk image: their paths as shown, the paths the file services open for them, and the
// read-only rule that keeps every delete away from them (and from the rows of names Windows cannot open).

#include "ui/main/UntMain.h"

#include "platform/ShownName.h"
#include "platform/ntfs/NtfsImageDrives.h"

std::wstring TFrmMain::shownPath(const std::wstring& path) const {
    return FImageDrives != nullptr ? FImageDrives->shownPath(path) : path;
}

std::wstring TFrmMain::openedPath(const std::wstring& rowPath) const {
    if (FImageDrives != nullptr) {
        if (std::optional<std::wstring> inImage = FImageDrives->readerPath(rowPath)) {
            return *inImage;
        }
    }
    return rowPath;
}

bool TFrmMain::isImageRowPath(const std::wstring& rowPath) const {
    return FImageDrives != nullptr && FImageDrives->readerPath(rowPath).has_value();
}

bool TFrmMain::checkedImageRows() const {
    return anyCheckedStream([this](const std::wstring& path) { return isImageRowPath(path); });
}

bool TFrmMain::checkedEscapedRows() const {
    return anyCheckedStream([](const std::wstring& path) { return plat::holdsEscapedName(path); });
}

bool TFrmMain::anyCheckedStream(const std::function<bool(const std::wstring&)>& test) const {
    for (TTreeNode* node = VST->getFirst(); node != nullptr; node = VST->getNext(node)) {
        const PTreeData data = treeData(node);
        if (VST->getNodeLevel(node) > 0 && data != nullptr &&
            VST->checkState(node) == TCheckState::csCheckedNormal && test(data->Column2)) {
            return true;
        }
    }
    return false;
}
