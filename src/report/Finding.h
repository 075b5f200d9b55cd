#pragma once
// One reported stream with everything the reports write of it, and the writers of the three formats.

#include "platform/StreamRecord.h"
#include "report/StreamClassifier.h"
#include "report/ZoneIdentifier.h"
#include "stream/UntKorvaneLib.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace report {

// Where the file lies in its volume's master file table: the record's number and its sequence number
// (which changes each time the record is used again), together the file's NTFS file reference.
struct TMftReference {
    std::uint64_t entry = 0;
    std::uint16_t sequence = 0;
};

struct TStreamFinding {
    std::wstring source;              // the target the scan was given (folder, drive, image)
    std::wstring filePath;            // the file that carries the stream
    std::wstring streamName;          // bare name
    std::wstring fullPath;            // file path, ":" and the name, as the program opens it
    std::optional<TMftReference> mft; // for a file of an NTFS volume
    std::int64_t size = 0;
    std::optional<TDateTime> created; // the file's times, UTC
    std::optional<TDateTime> modified;
    std::optional<std::uint32_t> attributes; // the file's
    std::wstring preview;                    // empty when not asked for
    std::string sha256;                      // lower-case hex; empty when not asked for or unreadable
    std::optional<TZoneMark> mark;           // for Zone.Identifier streams
    plat::TStreamRecord record;              // what the file system's records say (RecordFields.h)

    // What the stream holds, whether it is known and why (fields kind, kind_text, verdict, reasons,
    // entropy); empty when it was not classified.
    std::optional<TStreamClass> streamClass;
};

enum class TReportFormat { text, csv, jsonl };

// Each record is one whole piece of text, written in one go, so that nothing is ever cut or mixed.
class TFindingWriter {
public:
    virtual ~TFindingWriter() = default;
    // What comes before the first record (CSV's header row, with a byte-order mark when asked).
    virtual std::string header() const { return {}; }
    virtual std::string record(const TStreamFinding& finding) const = 0;
};

// byteOrderMark: CSV starts with one (on Windows, so that spreadsheets read UTF-8 names right).
std::unique_ptr<TFindingWriter> makeFindingWriter(TReportFormat format, bool byteOrderMark);

// One line of a save manifest (JSON Lines): the stream's record as scan writes it ("record"), the
// file it was saved as ("saved_file") and that file's SHA-256 ("saved_sha256", null when it could
// not be read back).
std::string manifestRecord(const TStreamFinding& finding, const std::wstring& savedFile,
                           const std::string& savedSha256);

// "2024-05-01T12:34:56.789Z".
std::string isoTime(const TDateTime& time);
// The attribute names, space-separated, in bit order ("hidden system archive").
std::string attributeNames(std::uint32_t attributes);

} // namespace report
