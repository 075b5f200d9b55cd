#include "platform/win32/Win32FileServices.h"
#include "platform/win32/Win32LongPath.h"

#include <windows.h>
#include <winioctl.h> // FSCTL_SET_SPARSE

#include <cstring>
#include <string>

namespace plat {

namespace {

static_assert(sizeof(plat::DWORD) == sizeof(::DWORD) && sizeof(plat::LONG) == sizeof(::LONG));
static_assert(sizeof(wchar_t) == sizeof(::WCHAR));

void copy(const ::FILETIME& from, plat::FILETIME& to) {
    to.dwLowDateTime = from.dwLowDateTime;
    to.dwHighDateTime = from.dwHighDateTime;
}

::FILETIME toWindows(const plat::FILETIME& from) {
    ::FILETIME to;
    to.dwLowDateTime = from.dwLowDateTime;
    to.dwHighDateTime = from.dwHighDateTime;
    return to;
}

void copy(const ::WIN32_FIND_DATAW& from, plat::WIN32_FIND_DATAW& to) {
    to.dwFileAttributes = from.dwFileAttributes;
    copy(from.ftCreationTime, to.ftCreationTime);
    copy(from.ftLastAccessTime, to.ftLastAccessTime);
    copy(from.ftLastWriteTime, to.ftLastWriteTime);
    to.nFileSizeHigh = from.nFileSizeHigh;
    to.nFileSizeLow = from.nFileSizeLow;
    to.dwReserved0 = from.dwReserved0;
    to.dwReserved1 = from.dwReserved1;
    static_assert(sizeof(to.cFileName) == sizeof(from.cFileName));
    static_assert(sizeof(to.cAlternateFileName) == sizeof(from.cAlternateFileName));
    std::memcpy(to.cFileName, from.cFileName, sizeof(to.cFileName));
    std::memcpy(to.cAlternateFileName, from.cAlternateFileName, sizeof(to.cAlternateFileName));
}

void copy(const ::WIN32_FIND_STREAM_DATA& from, plat::WIN32_FIND_STREAM_DATA& to) {
    to.StreamSize = from.StreamSize.QuadPart;
    static_assert(sizeof(to.cStreamName) == sizeof(from.cStreamName));
    std::memcpy(to.cStreamName, from.cStreamName, sizeof(to.cStreamName));
}

FARPROC lookUp(HMODULE library, const char* name) {
    return library != nullptr ? ::GetProcAddress(library, name) : nullptr;
}

// GetProcAddress gives every function as FARPROC; the cast to the real signature goes through a
// generic function pointer, the documented way to convert between function pointer types.
template <typename Function> Function as(FARPROC proc) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

TWin32FileServices::TOptionalFunctions lookUpOptionalFunctions(HMODULE kernel32) {
    TWin32FileServices::TOptionalFunctions found;
    using TFunctions = TWin32FileServices::TOptionalFunctions;
    found.findFirstStream = as<decltype(TFunctions::findFirstStream)>(lookUp(kernel32, "FindFirstStreamW"));
    found.findNextStream = as<decltype(TFunctions::findNextStream)>(lookUp(kernel32, "FindNextStreamW"));
    found.disableRedirection =
        as<decltype(TFunctions::disableRedirection)>(lookUp(kernel32, "Wow64DisableWow64FsRedirection"));
    found.enableRedirection =
        as<decltype(TFunctions::enableRedirection)>(lookUp(kernel32, "Wow64EnableWow64FsRedirection"));
    return found;
}

HMODULE kernel32Of(void* library) {
    return static_cast<HMODULE>(library);
}

} // namespace

TWin32FileServices::TWin32FileServices()
    : FKernel32(::LoadLibraryW(L"kernel32.dll")), FOptional(lookUpOptionalFunctions(kernel32Of(FKernel32))) {}

TWin32FileServices::~TWin32FileServices() {
    if (FKernel32 != nullptr) {
        ::FreeLibrary(kernel32Of(FKernel32));
    }
}

DWORD TWin32FileServices::GetLastError() {
    return ::GetLastError();
}

void TWin32FileServices::SetLastError(DWORD code) {
    ::SetLastError(code);
}

bool TWin32FileServices::hasStreamFunctions() {
    return FOptional.findFirstStream != nullptr && FOptional.findNextStream != nullptr;
}

HANDLE TWin32FileServices::FindFirstStreamW(const wchar_t* path, int infoLevel, WIN32_FIND_STREAM_DATA* data,
                                            DWORD flags) {
    if (!hasStreamFunctions() || infoLevel != FindStreamInfoStandard || data == nullptr) {
        ::SetLastError(hasStreamFunctions() ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    std::wstring target = win32::systemPath(path);
    ::WIN32_FIND_STREAM_DATA found{};
    HANDLE find =
        FOptional.findFirstStream(path != nullptr ? target.c_str() : nullptr, infoLevel, &found, flags);
    if (find != INVALID_HANDLE_VALUE) {
        copy(found, *data);
    }
    return find;
}

BOOL TWin32FileServices::FindNextStreamW(HANDLE find, WIN32_FIND_STREAM_DATA* data) {
    if (!hasStreamFunctions() || data == nullptr) {
        ::SetLastError(hasStreamFunctions() ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    ::WIN32_FIND_STREAM_DATA found{};
    BOOL ok = FOptional.findNextStream(find, &found);
    if (ok) {
        copy(found, *data);
    }
    return ok;
}

bool TWin32FileServices::hasRedirectionFunctions() {
    return FOptional.disableRedirection != nullptr && FOptional.enableRedirection != nullptr;
}

BOOL TWin32FileServices::Wow64DisableWow64FsRedirection(void** oldValue) {
    if (FOptional.disableRedirection == nullptr) {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return FOptional.disableRedirection(oldValue);
}

BOOLEAN TWin32FileServices::Wow64EnableWow64FsRedirection(BOOLEAN enable) {
    if (FOptional.enableRedirection == nullptr) {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return FOptional.enableRedirection(enable);
}

HANDLE TWin32FileServices::CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security,
                                       DWORD disposition, DWORD flags, HANDLE templateFile) {
    std::wstring target = win32::systemPath(path);
    return ::CreateFileW(path != nullptr ? target.c_str() : nullptr, access, share,
                         static_cast<LPSECURITY_ATTRIBUTES>(security), disposition, flags, templateFile);
}

BOOL TWin32FileServices::ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) {
    return ::ReadFile(file, buffer, toRead, read, static_cast<LPOVERLAPPED>(overlapped));
}

BOOL TWin32FileServices::WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
                                   void* overlapped) {
    return ::WriteFile(file, buffer, toWrite, written, static_cast<LPOVERLAPPED>(overlapped));
}

DWORD TWin32FileServices::SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    return ::SetFilePointer(file, distance, distanceHigh, method);
}

BOOL TWin32FileServices::CloseHandle(HANDLE handle) {
    return ::CloseHandle(handle);
}

BOOL TWin32FileServices::makeSparse(HANDLE file) {
    DWORD returned = 0;
    return ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
}

BOOL TWin32FileServices::GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    if (info == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ::BY_HANDLE_FILE_INFORMATION found{};
    if (!::GetFileInformationByHandle(file, &found)) {
        return FALSE;
    }
    info->dwFileAttributes = found.dwFileAttributes;
    copy(found.ftCreationTime, info->ftCreationTime);
    copy(found.ftLastAccessTime, info->ftLastAccessTime);
    copy(found.ftLastWriteTime, info->ftLastWriteTime);
    info->dwVolumeSerialNumber = found.dwVolumeSerialNumber;
    info->nFileSizeHigh = found.nFileSizeHigh;
    info->nFileSizeLow = found.nFileSizeLow;
    info->nNumberOfLinks = found.nNumberOfLinks;
    info->nFileIndexHigh = found.nFileIndexHigh;
    info->nFileIndexLow = found.nFileIndexLow;
    return TRUE;
}

BOOL TWin32FileServices::FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (fileTime == nullptr || systemTime == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ::FILETIME from = toWindows(*fileTime);
    ::SYSTEMTIME to{};
    if (!::FileTimeToSystemTime(&from, &to)) {
        return FALSE;
    }
    systemTime->wYear = to.wYear;
    systemTime->wMonth = to.wMonth;
    systemTime->wDayOfWeek = to.wDayOfWeek;
    systemTime->wDay = to.wDay;
    systemTime->wHour = to.wHour;
    systemTime->wMinute = to.wMinute;
    systemTime->wSecond = to.wSecond;
    systemTime->wMilliseconds = to.wMilliseconds;
    return TRUE;
}

DWORD TWin32FileServices::GetFileAttributesW(const wchar_t* path) {
    std::wstring target = win32::systemPath(path);
    return ::GetFileAttributesW(path != nullptr ? target.c_str() : nullptr);
}

BOOL TWin32FileServices::GetFileAttributesExW(const wchar_t* path, int infoLevel,
                                              WIN32_FILE_ATTRIBUTE_DATA* data) {
    if (infoLevel != GetFileExInfoStandard || data == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring target = win32::systemPath(path);
    ::WIN32_FILE_ATTRIBUTE_DATA found{};
    if (!::GetFileAttributesExW(path != nullptr ? target.c_str() : nullptr, ::GetFileExInfoStandard,
                                &found)) {
        return FALSE;
    }
    data->dwFileAttributes = found.dwFileAttributes;
    copy(found.ftCreationTime, data->ftCreationTime);
    copy(found.ftLastAccessTime, data->ftLastAccessTime);
    copy(found.ftLastWriteTime, data->ftLastWriteTime);
    data->nFileSizeHigh = found.nFileSizeHigh;
    data->nFileSizeLow = found.nFileSizeLow;
    return TRUE;
}

BOOL TWin32FileServices::DeleteFileW(const wchar_t* path) {
    std::wstring target = win32::systemPath(path);
    return ::DeleteFileW(path != nullptr ? target.c_str() : nullptr);
}

BOOL TWin32FileServices::MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) {
    std::wstring from = win32::systemPath(existing);
    std::wstring to = win32::systemPath(newName);
    return ::MoveFileExW(existing != nullptr ? from.c_str() : nullptr,
                         newName != nullptr ? to.c_str() : nullptr, flags);
}

BOOL TWin32FileServices::CreateDirectoryW(const wchar_t* path, void* security) {
    std::wstring target = win32::systemPath(path);
    return ::CreateDirectoryW(path != nullptr ? target.c_str() : nullptr,
                              static_cast<LPSECURITY_ATTRIBUTES>(security));
}

BOOL TWin32FileServices::RemoveDirectoryW(const wchar_t* path) {
    std::wstring target = win32::systemPath(path);
    return ::RemoveDirectoryW(path != nullptr ? target.c_str() : nullptr);
}

BOOL TWin32FileServices::BackupRead(HANDLE file, BYTE* buffer, DWORD toRead, DWORD* read, BOOL abort,
                                    BOOL processSecurity, void** context) {
    return ::BackupRead(file, buffer, toRead, read, abort, processSecurity, context);
}

BOOL TWin32FileServices::BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek,
                                    DWORD* lowSeeked, DWORD* highSeeked, void** context) {
    return ::BackupSeek(file, lowBytesToSeek, highBytesToSeek, lowSeeked, highSeeked, context);
}

HANDLE TWin32FileServices::FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
    if (data == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::wstring target = win32::systemPath(pattern);
    ::WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW(pattern != nullptr ? target.c_str() : nullptr, &found);
    if (find != INVALID_HANDLE_VALUE) {
        copy(found, *data);
    }
    return find;
}

BOOL TWin32FileServices::FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    if (data == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ::WIN32_FIND_DATAW found{};
    BOOL ok = ::FindNextFileW(find, &found);
    if (ok) {
        copy(found, *data);
    }
    return ok;
}

BOOL TWin32FileServices::FindClose(HANDLE find) {
    return ::FindClose(find);
}

UINT TWin32FileServices::SetErrorMode(UINT mode) {
    return ::SetErrorMode(mode);
}

DWORD TWin32FileServices::GetLogicalDrives() {
    return ::GetLogicalDrives();
}

UINT TWin32FileServices::GetDriveTypeW(const wchar_t* root) {
    return ::GetDriveTypeW(root);
}

BOOL TWin32FileServices::GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                                               DWORD* serialNumber, DWORD* maxComponentLength,
                                               DWORD* fileSystemFlags, wchar_t* fileSystemName,
                                               DWORD fileSystemNameSize) {
    return ::GetVolumeInformationW(root, volumeName, volumeNameSize, serialNumber, maxComponentLength,
                                   fileSystemFlags, fileSystemName, fileSystemNameSize);
}

UINT TWin32FileServices::GetWindowsDirectoryW(wchar_t* buffer, UINT size) {
    return ::GetWindowsDirectoryW(buffer, size);
}

BOOL TWin32FileServices::SetFileAttributesW(const wchar_t* path, DWORD attributes) {
    std::wstring target = win32::systemPath(path);
    return ::SetFileAttributesW(path != nullptr ? target.c_str() : nullptr, attributes);
}

BOOL TWin32FileServices::CreateSymbolicLinkW(const wchar_t* link, const wchar_t* target) {
    using TCreateLink = BOOLEAN(__stdcall*)(const wchar_t*, const wchar_t*, DWORD);
    static const auto create =
        as<TCreateLink>(lookUp(::GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW"));
    if (create == nullptr) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    constexpr DWORD kAllowUnprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    const std::wstring linkPath = win32::systemPath(link);
    const std::wstring targetPath = win32::systemPath(target);
    if (create(linkPath.c_str(), targetPath.c_str(), kAllowUnprivileged) != 0) {
        return TRUE;
    }
    // Before developer mode existed the flag was refused: asked again without it.
    return create(linkPath.c_str(), targetPath.c_str(), 0) != 0 ? TRUE : FALSE;
}

BOOL TWin32FileServices::SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess,
                                     const FILETIME* lastWrite) {
    ::FILETIME times[3];
    const FILETIME* given[3] = {creation, lastAccess, lastWrite};
    for (int i = 0; i < 3; ++i) {
        if (given[i] != nullptr) {
            times[i] = toWindows(*given[i]);
        }
    }
    return ::SetFileTime(file, creation != nullptr ? &times[0] : nullptr,
                         lastAccess != nullptr ? &times[1] : nullptr,
                         lastWrite != nullptr ? &times[2] : nullptr);
}

DWORD TWin32FileServices::GetTempPathW(DWORD size, wchar_t* buffer) {
    return ::GetTempPathW(size, buffer);
}

bool TWin32FileServices::runningOnWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace plat
