// Drives and volumes, the error mode, the Windows folder and the redirection switches.

#include "platform/store/StoreImpl.h"

#include <algorithm>

namespace plat::store {

using namespace detail;

namespace {

constexpr DWORD kNtfsFlags = 0x03E706FF; // case-preserved Unicode names, ACLs, named streams, ...
constexpr DWORD kFatFlags = 0x00000206;

// "X:\" (or "X:" where Windows accepts it) gives the upper-case letter; anything else 0.
wchar_t rootLetter(const std::wstring& root, bool slashRequired) {
    const bool letter =
        root.size() >= 2 && root[1] == L':' && upperChar(root[0]) >= L'A' && upperChar(root[0]) <= L'Z';
    if (!letter) {
        return 0;
    }
    if (root.size() == 2 && !slashRequired) {
        return upperChar(root[0]);
    }
    return root.size() == 3 && (root[2] == L'\\' || root[2] == L'/') ? upperChar(root[0]) : 0;
}

template <typename T> bool copyOut(const std::wstring& text, T* buffer, DWORD size) {
    if (buffer == nullptr) {
        return true;
    }
    if (text.size() + 1 > size) {
        return false;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = L'\0';
    return true;
}

} // namespace

UINT TSimStore::SetErrorMode(UINT mode) {
    if (TGate gate = FImpl->enter(TCall::SetErrorMode, nullptr); gate.fail) {
        return failWith(gate.error, UINT{0});
    }
    std::lock_guard lock(FImpl->mutex);
    const UINT previous = FImpl->errorMode;
    FImpl->errorMode = mode;
    return previous;
}

DWORD TSimStore::GetLogicalDrives() {
    if (TGate gate = FImpl->enter(TCall::GetLogicalDrives, nullptr); gate.fail) {
        return failWith(gate.error, DWORD{0});
    }
    std::lock_guard lock(FImpl->mutex);
    DWORD mask = 0;
    for (const auto& [letter, drive] : FImpl->drives) {
        mask |= DWORD{1} << (letter - L'A');
    }
    return mask;
}

UINT TSimStore::GetDriveTypeW(const wchar_t* root) {
    if (TGate gate = FImpl->enter(TCall::GetDriveTypeW, root); gate.fail) {
        return failWith(gate.error, DRIVE_UNKNOWN);
    }
    std::lock_guard lock(FImpl->mutex);
    const std::wstring text = root != nullptr ? std::wstring(root) : FImpl->windowsDirectory.substr(0, 3);
    const wchar_t letter = rootLetter(text, false);
    TDrive* drive = letter != 0 ? FImpl->driveOf(letter) : nullptr;
    return drive != nullptr ? drive->type : DRIVE_NO_ROOT_DIR;
}

BOOL TSimStore::GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                                      DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                                      wchar_t* fileSystemName, DWORD fileSystemNameSize) {
    if (TGate gate = FImpl->enter(TCall::GetVolumeInformationW, root); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    const std::wstring text = root != nullptr ? std::wstring(root) : FImpl->windowsDirectory.substr(0, 3);
    const wchar_t letter = rootLetter(text, true);
    if (letter == 0) {
        const bool folder = text.size() > 3 && (text.back() == L'\\' || text.back() == L'/');
        return failWith(folder ? ERROR_DIR_NOT_ROOT : ERROR_INVALID_NAME, FALSE);
    }
    TDrive* drive = FImpl->driveOf(letter);
    if (drive == nullptr) {
        return failWith(ERROR_PATH_NOT_FOUND, FALSE);
    }
    if (!drive->mediaPresent) {
        return failWith(ERROR_NOT_READY, FALSE);
    }
    if (drive->fileSystem.empty()) {
        return failWith(ERROR_UNRECOGNIZED_VOLUME, FALSE);
    }
    if ((volumeName != nullptr && drive->label.size() + 1 > volumeNameSize) ||
        (fileSystemName != nullptr && drive->fileSystem.size() + 1 > fileSystemNameSize)) {
        return failWith(ERROR_BAD_LENGTH, FALSE);
    }
    copyOut(drive->label, volumeName, volumeNameSize);
    copyOut(drive->fileSystem, fileSystemName, fileSystemNameSize);
    if (serialNumber != nullptr) {
        *serialNumber = drive->serialNumber();
    }
    if (maxComponentLength != nullptr) {
        *maxComponentLength = 255;
    }
    if (fileSystemFlags != nullptr) {
        *fileSystemFlags = drive->hasNamedStreams() ? kNtfsFlags : kFatFlags;
    }
    return TRUE;
}

UINT TSimStore::GetWindowsDirectoryW(wchar_t* buffer, UINT size) {
    if (TGate gate = FImpl->enter(TCall::GetWindowsDirectoryW, nullptr); gate.fail) {
        return failWith(gate.error, UINT{0});
    }
    std::lock_guard lock(FImpl->mutex);
    const std::wstring& folder = FImpl->windowsDirectory;
    if (buffer == nullptr || size < folder.size() + 1) {
        return static_cast<UINT>(folder.size() + 1); // the size needed, terminator included
    }
    copyOut(folder, buffer, size);
    return static_cast<UINT>(folder.size());
}

bool TSimStore::hasRedirectionFunctions() {
    std::lock_guard lock(FImpl->mutex);
    return FImpl->redirectionFunctions;
}

BOOL TSimStore::Wow64DisableWow64FsRedirection(void** oldValue) {
    if (TGate gate = FImpl->enter(TCall::Wow64DisableWow64FsRedirection, nullptr); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    if (!FImpl->redirectionFunctions) {
        return failWith(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
    }
    if (oldValue == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    int& count = FImpl->redirectionOff[std::this_thread::get_id()];
    *oldValue = handleValue(static_cast<std::uintptr_t>(count == 0 ? 0 : 1)); // the previous state
    ++count;
    return TRUE;
}

BOOLEAN TSimStore::Wow64EnableWow64FsRedirection(BOOLEAN enable) {
    if (TGate gate = FImpl->enter(TCall::Wow64EnableWow64FsRedirection, nullptr); gate.fail) {
        return failWith(gate.error, BOOLEAN{0});
    }
    std::lock_guard lock(FImpl->mutex);
    if (!FImpl->redirectionFunctions) {
        return failWith(ERROR_CALL_NOT_IMPLEMENTED, BOOLEAN{0});
    }
    int& count = FImpl->redirectionOff[std::this_thread::get_id()];
    if (enable != 0) {
        count = std::max(count - 1, 0);
    } else {
        ++count;
    }
    return 1;
}

} // namespace plat::store
