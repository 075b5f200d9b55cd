// A disk image opened for a scan, and the rows of a disk image: their paths as shown, the paths the file
// services open for them, and the read-only rule that keeps every delete away from them (and from the rows of
// names Windows cannot open).

#include "ui/main/UntMain.h"

#include "platform/ShownName.h"
#include "platform/ntfs/NtfsImageDrives.h"
#include "platform/ntfs/NtfsImageVolumes.h"

#include <cstring>
#include <exception>
#include <filesystem>
#include <new>

std::wstring TFrmMain::imageName(const std::wstring& image) {
    const std::size_t slash = image.find_last_of(L"\\/");
    return slash == std::wstring::npos ? image : image.substr(slash + 1);
}

plat::ntfs::TImageVolumes TFrmMain::readImageVolumes(const std::wstring& image,
                                                     const std::atomic<bool>& stop) {
    // Read only: the engine opens the file for reading and its services refuse every change.
    return plat::ntfs::openImageVolumes(imageName(image), std::filesystem::path(image),
                                        ::ntfs::TSplitNames::numbered, &stop);
}

TImageOpening TFrmMain::openImage(const std::wstring& image, const std::atomic<bool>& stop) {
    TImageOpening opening;
    const std::wstring name = imageName(image);
    try {
        plat::ntfs::TImageVolumes opened = readImageVolumes(image, stop);
        if (stop.load()) {
            return opening; // the volumes read so far go with it
        }
        if (opened.volumes.empty()) {
            opening.error =
                opened.error.find(name) == std::wstring::npos ? name + L": " + opened.error : opened.error;
        } else {
            opening.damage = std::move(opened.damage);
            opening.unreadPartitions = std::move(opened.problems);
            // Each volume is read at a drive letter no live drive has; with fewer such letters than
            // volumes the user hears which ones cannot be scanned.
            const std::size_t free = FImageDrives->freeLetters();
            for (std::size_t n = free; n < opened.volumes.size(); ++n) {
                opening.leftOut.push_back(opened.volumes[n].source);
            }
            // What the reader skipped as damaged when it loaded each volume's catalogue; attach keeps
            // the order.
            std::vector<std::uint64_t> damagedRecords;
            for (const plat::ntfs::TImageVolume& volume : opened.volumes) {
                damagedRecords.push_back(volume.volume->damagedRecords());
            }
            for (plat::ntfs::TImageRoot& attached : FImageDrives->attach(std::move(opened.volumes))) {
                const std::uint64_t damaged = damagedRecords[opening.roots.size()];
                opening.roots.push_back({std::move(attached.root), std::move(attached.source), damaged});
            }
        }
    } catch (const std::bad_alloc&) {
        opening = TImageOpening();
        opening.error =
            name + L" cannot be read: there is not enough memory for the catalogues of its volumes";
    } catch (const std::exception& error) {
        opening = TImageOpening();
        opening.error = name + L" cannot be read: " +
                        std::wstring(error.what(), error.what() + std::strlen(error.what()));
    }
    if (!opening.error.empty()) {
        FImageDrives->detach(); // the last image's rows went with this scan's start
    }
    return opening;
}

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
