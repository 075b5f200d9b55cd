#pragma once
// Gathers what the reports write of one stream, through the installed file services.

#include "report/Finding.h"

#include <string>

namespace report {

struct TFactsWanted {
    int previewLen = 0; // 0: no preview
    bool hash = false;
};

// The finding for a stream the scan reported. Times and attributes that cannot be read stay empty.
// When the stream's bytes cannot be read for the hash or the mark, error names the reason (empty
// otherwise) and those fields stay empty.
TStreamFinding gatherFinding(const std::wstring& source, const std::wstring& fileName, const TADSObject& ads,
                             const TFactsWanted& wanted, std::string& error);

// The reason for a Windows error code, in words for the common ones.
std::string errorText(unsigned long code);

} // namespace report
