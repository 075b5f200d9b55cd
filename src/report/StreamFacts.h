#pragma once
// Gathers what the reports write of one stream, through the installed file services.

#include "report/Finding.h"

#include <optional>
#include <string>

namespace report {

struct TFactsWanted {
    int previewLen = 0; // 0: no preview
    bool hash = false;
};

// The finding for a stream the scan reported, classified. Times and attributes that cannot be read
// stay empty. The stream is read once: its first 64 KiB give the preview, the mark and the class, and
// the reading goes on to the end only for the hash. When its bytes cannot be read, error names the
// reason (empty otherwise), the hash, the mark and the preview stay empty and the class says so.
TStreamFinding gatherFinding(const std::wstring& source, const std::wstring& fileName, const TADSObject& ads,
                             const TFactsWanted& wanted, std::string& error);

// The first bytes of a stream (at most kClassifyBytes), for the classifier; nothing when it cannot be
// opened or read.
std::optional<std::string> readStreamHead(const std::wstring& streamPath);

// The reason for a Windows error code, in words for the common ones.
std::string errorText(unsigned long code);

} // namespace report
