#include "platform/posix/PosixFileServices.h"

#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

DWORD fromErrno(int code) {
    switch (code) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    default:
        return ERROR_INVALID_FUNCTION;
    }
}

template <typename T> T failWith(DWORD code, T result) {
    lastError = code;
    return result;
}

BOOL failErrno() {
    return failWith(fromErrno(errno), FALSE);
}

// A handle is the descriptor plus one, so that descriptor 0 is never the null handle.
HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd) + 1);
}
int fdOf(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1);
}

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

DWORD attributesOf(const struct stat& info) {
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

} // namespace

std::string posixPath(const wchar_t* path) {
    std::string out;
    for (const wchar_t* p = path; *p != 0; ++p) {
        const auto c = static_cast<std::uint32_t>(*p);
        // A pair of UTF-16 halves (as names read from a volume may hold) is one character.
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(p[1]) - 0xDC00));
            ++p;
        } else {
            appendUtf8(out, c == L'\\' ? '/' : c);
        }
    }
    return out;
}

std::wstring rootedPath(const std::string& posix) {
    std::wstring out;
    for (std::size_t i = 0; i < posix.size();) {
        const auto b = static_cast<unsigned char>(posix[i]);
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        std::uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra && i + static_cast<std::size_t>(k) < posix.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(posix[i + static_cast<std::size_t>(k)]) & 0x3F);
        }
        i += static_cast<std::size_t>(extra) + 1;
        out += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return out;
}

DWORD TPosixFileServices::GetLastError() {
    return lastError;
}
void TPosixFileServices::SetLastError(DWORD code) {
    lastError = code;
}

HANDLE TPosixFileServices::FindFirstStreamW(const wchar_t*, int, WIN32_FIND_STREAM_DATA*, DWORD) {
    return failWith(ERROR_NOT_SUPPORTED, INVALID_HANDLE_VALUE);
}
BOOL TPosixFileServices::FindNextStreamW(HANDLE, WIN32_FIND_STREAM_DATA*) {
    return failWith(ERROR_NOT_SUPPORTED, FALSE);
}
BOOL TPosixFileServices::Wow64DisableWow64FsRedirection(void**) {
    return failWith(ERROR_NOT_SUPPORTED, FALSE);
}
BOOLEAN TPosixFileServices::Wow64EnableWow64FsRedirection(BOOLEAN) {
    return failWith<BOOLEAN>(ERROR_NOT_SUPPORTED, 0);
}

HANDLE TPosixFileServices::CreateFileW(const wchar_t* path, DWORD access, DWORD, void*, DWORD disposition,
                                       DWORD, HANDLE) {
    const bool writes = (access & GENERIC_WRITE) != 0;
    int flags = (writes ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    if (disposition == CREATE_NEW) {
        flags |= O_CREAT | O_EXCL;
    } else if (disposition != OPEN_EXISTING) {
        return failWith(ERROR_NOT_SUPPORTED, INVALID_HANDLE_VALUE);
    }
    const int fd = ::open(posixPath(path).c_str(), flags, 0644);
    if (fd < 0) {
        return failWith(fromErrno(errno), INVALID_HANDLE_VALUE);
    }
    return handleOf(fd);
}

BOOL TPosixFileServices::ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void*) {
    const ssize_t got = ::read(fdOf(file), buffer, toRead);
    *read = got < 0 ? 0 : static_cast<DWORD>(got);
    return got < 0 ? failErrno() : TRUE;
}

BOOL TPosixFileServices::WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void*) {
    const ssize_t put = ::write(fdOf(file), buffer, toWrite);
    *written = put < 0 ? 0 : static_cast<DWORD>(put);
    return put < 0 ? failErrno() : TRUE;
}

DWORD TPosixFileServices::SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    const std::int64_t offset =
        distanceHigh != nullptr
            ? static_cast<std::int64_t>((static_cast<std::uint64_t>(*distanceHigh) << 32) |
                                        static_cast<std::uint32_t>(distance))
            : distance;
    const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    const off_t at = ::lseek(fdOf(file), static_cast<off_t>(offset), whence);
    if (at < 0) {
        return failWith(fromErrno(errno), INVALID_SET_FILE_POINTER);
    }
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(at) >> 32);
    }
    return static_cast<DWORD>(static_cast<std::uint64_t>(at) & 0xFFFFFFFF);
}

BOOL TPosixFileServices::CloseHandle(HANDLE handle) {
    return ::close(fdOf(handle)) == 0 ? TRUE : failErrno();
}

BOOL TPosixFileServices::GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    struct stat status {};
    if (::fstat(fdOf(file), &status) != 0) {
        return failErrno();
    }
    *info = {};
    info->dwFileAttributes = attributesOf(status);
    const auto size = static_cast<std::uint64_t>(status.st_size);
    info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    info->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
    info->nNumberOfLinks = static_cast<DWORD>(status.st_nlink);
    return TRUE;
}

BOOL TPosixFileServices::FileTimeToSystemTime(const FILETIME*, SYSTEMTIME*) {
    return failWith(ERROR_NOT_SUPPORTED, FALSE);
}

DWORD TPosixFileServices::GetFileAttributesW(const wchar_t* path) {
    struct stat status {};
    if (::stat(posixPath(path).c_str(), &status) != 0) {
        return failWith(fromErrno(errno), INVALID_FILE_ATTRIBUTES);
    }
    return attributesOf(status);
}

BOOL TPosixFileServices::GetFileAttributesExW(const wchar_t* path, int, WIN32_FILE_ATTRIBUTE_DATA* data) {
    struct stat status {};
    if (::stat(posixPath(path).c_str(), &status) != 0) {
        return failErrno();
    }
    *data = {};
    data->dwFileAttributes = attributesOf(status);
    const auto size = static_cast<std::uint64_t>(status.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
    return TRUE;
}

BOOL TPosixFileServices::DeleteFileW(const wchar_t* path) {
    return ::unlink(posixPath(path).c_str()) == 0 ? TRUE : failErrno();
}
BOOL TPosixFileServices::CreateDirectoryW(const wchar_t* path, void*) {
    return ::mkdir(posixPath(path).c_str(), 0755) == 0 ? TRUE : failErrno();
}
BOOL TPosixFileServices::MoveFileExW(const wchar_t* existing, const wchar_t* newName, DWORD flags) {
    const std::string to = posixPath(newName);
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && ::access(to.c_str(), F_OK) == 0) {
        return failWith(ERROR_ALREADY_EXISTS, FALSE);
    }
    return ::rename(posixPath(existing).c_str(), to.c_str()) == 0 ? TRUE : failErrno();
}
BOOL TPosixFileServices::RemoveDirectoryW(const wchar_t* path) {
    return ::rmdir(posixPath(path).c_str()) == 0 ? TRUE : failErrno();
}

BOOL TPosixFileServices::BackupRead(HANDLE, BYTE*, DWORD, DWORD*, BOOL, BOOL, void**) {
    return failWith(ERROR_NOT_SUPPORTED, FALSE);
}
BOOL TPosixFileServices::BackupSeek(HANDLE, DWORD, DWORD, DWORD*, DWORD*, void**) {
    return failWith(ERROR_NOT_SUPPORTED, FALSE);
}
HANDLE TPosixFileServices::FindFirstFileW(const wchar_t*, WIN32_FIND_DATAW*) {
    return failWith(ERROR_NOT_SUPPORTED, INVALID_HANDLE_VALUE);
}
BOOL TPosixFileServices::FindNextFileW(HANDLE, WIN32_FIND_DATAW*) {
    return failWith(ERROR_NOT_SUPPORTED, FALSE);
}
BOOL TPosixFileServices::FindClose(HANDLE) {
    return failWith(ERROR_NOT_SUPPORTED, FALSE);
}
UINT TPosixFileServices::GetDriveTypeW(const wchar_t*) {
    return 0;
}
BOOL TPosixFileServices::GetVolumeInformationW(const wchar_t*, wchar_t*, DWORD, DWORD*, DWORD*, DWORD*,
                                               wchar_t*, DWORD) {
    return failWith(ERROR_NOT_SUPPORTED, FALSE);
}
UINT TPosixFileServices::GetWindowsDirectoryW(wchar_t*, UINT) {
    return failWith(ERROR_NOT_SUPPORTED, 0u);
}

} // namespace plat
