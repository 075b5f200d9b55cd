#pragma once
// The manifest of a save: for each file written, the saved stream's record as scan writes it (with its
// SHA-256), the file's name and the SHA-256 of the file as read back, so that a copy is tied to its
// origin.

#include "report/Finding.h"

#include <string>

namespace cli {

// The manifest line of the stream at openedPath (as the installed services take it) saved as written.
// source and shownPath are how scan names the stream ("disk.img [2]" and "\dir\file:s").
std::string manifestLine(const std::wstring& source, const std::wstring& openedPath,
                         const std::wstring& shownPath, const std::wstring& written,
                         const std::wstring& shownWritten);

// The manifest line of a stream whose record is already made (a deleted file's), saved as written.
std::string manifestLineOf(const report::TStreamFinding& finding, const std::wstring& written,
                           const std::wstring& shownWritten);

} // namespace cli
