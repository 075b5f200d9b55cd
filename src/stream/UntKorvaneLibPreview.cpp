// Stream preview and file times: the last three columns of every reported stream.

#include "stream/UntKorvaneLib.h"

#include "platform/FileServices.h"
#include "platform/OpenEntry.h"
#include "platform/Owned.h"
#include "platform/ScopedModes.h"
#include "platform/ShellServices.h"
#include "platform/WinPath.h"
#include "system/UntKorvaneLib.h"

#include <algorithm>

namespace {

// The preview length the user can choose never exceeds this; larger requests are cut to it.
constexpr std::int64_t kMaxPreviewLength = 1024;

plat::TFileHandle openForReading(const std::wstring& path) {
    return plat::openEntry(plat::files(), path, plat::GENERIC_READ, plat::FILE_SHARE_READ);
}

TDateTime toDateTime(const plat::SYSTEMTIME& st) {
    return TDateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

// The creation and last-write times of what the handle has open; false when there is no handle or
// they cannot be read.
bool readTimes(const plat::TFileHandle& file, TDateTime& creation, TDateTime& lastWrite) {
    if (!file) {
        return false;
    }
    plat::BY_HANDLE_FILE_INFORMATION info{};
    if (plat::files().GetFileInformationByHandle(file.get(), &info) == plat::FALSE) {
        return false;
    }
    plat::SYSTEMTIME created{};
    plat::SYSTEMTIME written{};
    if (plat::files().FileTimeToSystemTime(&info.ftCreationTime, &created) == plat::FALSE ||
        plat::files().FileTimeToSystemTime(&info.ftLastWriteTime, &written) == plat::FALSE) {
        return false;
    }
    creation = toDateTime(created);
    lastWrite = toDateTime(written);
    return true;
}

// Day of the week, 0 = Sunday, for dates of the Gregorian calendar (Sakamoto's method).
plat::WORD dayOfWeek(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 1 || month > 12) {
        return 0;
    }
    if (month < 3) {
        year -= 1;
    }
    return static_cast<plat::WORD>((year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) %
                                   7);
}

bool isSeparatorBlank(const std::wstring& separator) {
    return std::all_of(separator.begin(), separator.end(), [](wchar_t c) { return c <= L' '; });
}

} // namespace

bool isNonTextContent(const std::vector<std::uint8_t>& bytes) {
    return std::any_of(bytes.begin(), bytes.end(),
                       [](std::uint8_t b) { return (b >= 0x01 && b <= 0x08) || (b >= 0x0E && b <= 0x1F); });
}

std::wstring bytesToHexText(const std::vector<std::uint8_t>& bytes, const std::wstring& separator) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    const bool useSeparator = !isSeparatorBlank(separator);
    std::wstring text;
    text.reserve(bytes.size() * (2 + (useSeparator ? separator.size() : 0)));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && useSeparator) {
            text += separator;
        }
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::wstring getContentPreview(const std::wstring& path, std::int64_t count) {
    // The scan walks with redirection off; the preview must read the same file it reported.
    plat::TRedirectionOff redirectionOff;
    const std::int64_t size = getFileSize(path);

    const plat::DWORD attributes = plat::files().GetFileAttributesW(plat::exactPath(path).c_str());
    if (attributes == plat::INVALID_FILE_ATTRIBUTES ||
        ((attributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0 && !isStreamPath(path))) {
        return {}; // a folder has no data of its own; its streams do
    }
    // A negative size is the low half of a size of 2 GiB or more: such a stream has at least the
    // preview length to offer, so only a known smaller size shortens the read.
    std::int64_t toRead = std::min(count, kMaxPreviewLength);
    if (size >= 0 && size < toRead) {
        toRead = size;
    }
    if (toRead <= 0) {
        return {};
    }

    plat::TFileHandle file = openForReading(path);
    if (!file) {
        return {};
    }
    plat::files().SetFilePointer(file.get(), 0, nullptr, plat::FILE_BEGIN);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(toRead), 0);
    plat::DWORD read = 0;
    if (plat::files().ReadFile(file.get(), buffer.data(), static_cast<plat::DWORD>(toRead), &read, nullptr) ==
            plat::FALSE ||
        read == 0) {
        return {};
    }
    buffer.resize(std::min<std::size_t>(read, buffer.size()));
    return previewOfBytes(std::string_view(reinterpret_cast<const char*>(buffer.data()), buffer.size()),
                          toRead);
}

std::wstring previewOfBytes(std::string_view bytes, std::int64_t count) {
    const std::int64_t wanted = std::min(count, kMaxPreviewLength);
    if (wanted <= 0 || bytes.empty()) {
        return {};
    }
    const std::vector<std::uint8_t> shown(
        bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                           bytes.size(), static_cast<std::size_t>(wanted))));
    if (isNonTextContent(shown)) {
        return bytesToHexText(shown, L",");
    }
    return plat::shell().ansiToWide(shown.data(), shown.size());
}

bool getFileTimes(const std::wstring& path, TDateTime& creation, TDateTime& lastWrite) {
    plat::TRedirectionOff redirectionOff;
    return readTimes(openForReading(path), creation, lastWrite);
}

bool getFolderTimes(const std::wstring& path, TDateTime& creation, TDateTime& lastWrite) {
    plat::TRedirectionOff redirectionOff;
    // Asking for no access reads its times without standing in the way of anyone using it.
    return readTimes(plat::openEntry(plat::files(), path, 0,
                                     plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE | plat::FILE_SHARE_DELETE,
                                     true),
                     creation, lastWrite);
}

std::wstring fileTimeText(const TDateTime& time) {
    plat::SYSTEMTIME st{};
    st.wYear = time.year;
    st.wMonth = time.month;
    st.wDayOfWeek = dayOfWeek(time.year, time.month, time.day);
    st.wDay = time.day;
    st.wHour = time.hour;
    st.wMinute = time.minute;
    st.wSecond = time.second;
    st.wMilliseconds = time.millisecond;
    return plat::shell().formatShortDate(st) + L" at " + plat::shell().formatLongTime(st);
}
