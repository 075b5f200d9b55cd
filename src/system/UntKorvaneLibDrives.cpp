// Volume discovery: the present drive letters, their kind, label and file-system name.

#include "system/UntKorvaneLib.h"

#include "platform/FileServices.h"
#include "platform/ScopedModes.h"

namespace {

constexpr int kLetterCount = 26;
constexpr plat::DWORD kLabelBufferSize = plat::MAX_PATH + 1;
constexpr plat::DWORD kFileSystemBufferSize = 32;

std::wstring rootPath(wchar_t letter) {
    return std::wstring(1, letter) + L":\\";
}

// Text of a buffer the platform filled, up to its first NUL (also when it left no NUL at all).
std::wstring bufferText(const wchar_t* buffer, std::size_t size) {
    std::size_t length = 0;
    while (length < size && buffer[length] != L'\0') {
        ++length;
    }
    return std::wstring(buffer, length);
}

} // namespace

TDriveInfoObject::TDriveInfoObject(std::wstring driveLetter, std::wstring driveName, TDriveType driveType,
                                   std::wstring drivePartitionType)
    : FDriveLetter(std::move(driveLetter)),
      FDriveName(isBlank(driveName) ? L"Unnamed Device" : std::move(driveName)), FDriveType(driveType),
      FDrivePartitionType(std::move(drivePartitionType)) {}

void getDriveList(TDriveList* list) {
    if (list == nullptr) {
        return;
    }
    const plat::DWORD mask = plat::files().GetLogicalDrives();
    for (int i = 0; i < kLetterCount; ++i) {
        if ((mask & (plat::DWORD(1) << i)) == 0) {
            continue;
        }
        const wchar_t letter = static_cast<wchar_t>(L'A' + i);
        const std::wstring root = rootPath(letter);
        const plat::UINT code = plat::files().GetDriveTypeW(root.c_str());
        const TDriveType type = code <= plat::DRIVE_RAMDISK ? static_cast<TDriveType>(code) : dtUnknown;
        list->push_back(
            TDriveInfoObject::create(root, getVolumeName(letter), type, getFileSystemName(letter)));
    }
}

std::wstring getVolumeName(wchar_t letter) {
    const std::wstring root = rootPath(letter);
    wchar_t label[kLabelBufferSize] = {};
    plat::TCriticalErrorsOff errorsOff;
    if (plat::files().GetVolumeInformationW(root.c_str(), label, kLabelBufferSize, nullptr, nullptr, nullptr,
                                            nullptr, 0) == plat::FALSE) {
        return {};
    }
    return bufferText(label, kLabelBufferSize);
}

std::wstring getFileSystemName(wchar_t letter) {
    const std::wstring root = rootPath(letter);
    wchar_t fileSystem[kFileSystemBufferSize] = {};
    plat::TCriticalErrorsOff errorsOff;
    if (plat::files().GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                            kFileSystemBufferSize) == plat::FALSE) {
        return {};
    }
    return bufferText(fileSystem, kFileSystemBufferSize);
}

std::wstring getFixedAndRemovableDrives() {
    std::wstring text;
    const plat::DWORD mask = plat::files().GetLogicalDrives();
    for (int i = 0; i < kLetterCount; ++i) {
        if ((mask & (plat::DWORD(1) << i)) == 0) {
            continue;
        }
        const std::wstring root = rootPath(static_cast<wchar_t>(L'A' + i));
        const plat::UINT code = plat::files().GetDriveTypeW(root.c_str());
        if (code == plat::DRIVE_FIXED || code == plat::DRIVE_REMOVABLE) {
            text += root + L"\r\n";
        }
    }
    return text;
}
