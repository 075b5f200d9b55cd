#pragma once
// Stream inspection: which named streams a file carries, a preview of a stream's first bytes and a
// file's times. Part of the program's utility unit; the other utilities are in system/.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinTypes.h"

// One alternate stream of a file: its bare name (no leading ":" and no ":$DATA") and its size.
class TADSObject {
public:
    TADSObject(std::wstring adsName, std::int64_t adsSize)
        : FADSName(std::move(adsName)), FADSSize(adsSize) {}
    static TADSObject create(std::wstring adsName, std::int64_t adsSize) {
        return TADSObject(std::move(adsName), adsSize);
    }

    const std::wstring& adsName() const { return FADSName; }
    void setAdsName(std::wstring value) { FADSName = std::move(value); }
    std::int64_t adsSize() const { return FADSSize; }
    void setAdsSize(std::int64_t value) { FADSSize = value; }

private:
    std::wstring FADSName;
    std::int64_t FADSSize;
};

// The list owns its records.
using TADSList = std::vector<TADSObject>;

// Appends one record per named stream of the file or folder at path, the entry itself even when it
// is a link (platform/OpenEntry.h); never clears the list. Silent on failure: records found before a
// failure stay. The attributes its directory entry gave, when known, spare a query.
void enumFileADS(const std::wstring& path, TADSList& list,
                 plat::DWORD attributes = plat::INVALID_FILE_ATTRIBUTES);

// Turns one raw stream name as a walk delivers it (":name:$DATA" or "name:$DATA") into a record
// appended to the list; the unnamed main stream "::$DATA" is dropped.
void addADSItem(TADSList& list, const std::wstring& rawName, std::int64_t size);

// The path through which the program reaches a file's named stream (the results tree's Column2): the
// file path, ":" and the stream name, followed by the type suffix ":$DATA" when the name ends in a dot
// or a space. Windows drops those from the end of a plain path, so without the suffix the stream "x."
// would be read, saved and deleted as the stream "x", or not found.
std::wstring streamPathOf(const std::wstring& fileName, const std::wstring& streamName);

// Whether a full path names a stream (its last name holds a ":"): "C:\\dir:notes", "C:\\:notes". The
// attribute query of a stream path answers with the attributes of what carries the stream, so a
// folder's stream shows the folder bit although it opens and reads as data.
bool isStreamPath(const std::wstring& path);

// A calendar date and time of day, in the file system's time base (UTC).
struct TDateTime {
    plat::WORD year = 0;
    plat::WORD month = 0;
    plat::WORD day = 0;
    plat::WORD hour = 0;
    plat::WORD minute = 0;
    plat::WORD second = 0;
    plat::WORD millisecond = 0;
};

// At most count bytes from the start of the file or stream at path: text when readable (decoded with
// the system's ANSI code page), otherwise hex values joined by ",". Empty when nothing could be read.
std::wstring getContentPreview(const std::wstring& path, std::int64_t count);
// The preview of bytes already read: the same text getContentPreview gives for a stream that starts
// with them (at most count of them, and never more than the longest preview).
std::wstring previewOfBytes(std::string_view bytes, std::int64_t count);
bool isNonTextContent(const std::vector<std::uint8_t>& bytes);
std::wstring bytesToHexText(const std::vector<std::uint8_t>& bytes, const std::wstring& separator);
// Creation and last-write times of the file at path; false when they cannot be read.
bool getFileTimes(const std::wstring& path, TDateTime& creation, TDateTime& lastWrite);
// The same for a folder (a drive root too), which opens only with backup semantics.
bool getFolderTimes(const std::wstring& path, TDateTime& creation, TDateTime& lastWrite);
// The user's short date, " at ", the user's long time.
std::wstring fileTimeText(const TDateTime& time);
