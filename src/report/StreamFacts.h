#pragma once
// Gathers what the reports write of one stream, through the installed file services.

#include "report/Finding.h"

#include <cstdint>
#include <functional>
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

// Reads up to count bytes of a stream into buffer, from where the last read ended: the number read (0
// at its end), or -1 with why set when it cannot be read.
using TStreamReader = std::function<std::int64_t(std::uint8_t* buffer, std::size_t count, std::string& why)>;

// What gatherFinding reads of a stream's bytes, from a reader: the preview, the mark, the class and
// the hash. f's name and size are given; error as gatherFinding's.
void readFacts(TStreamFinding& f, bool onFolder, const TFactsWanted& wanted, const TStreamReader& read,
               std::string& error);

// The first bytes of a stream (at most kClassifyBytes), for the classifier; nothing when it cannot be
// opened or read.
std::optional<std::string> readStreamHead(const std::wstring& streamPath);

// The reason for a Windows error code, in words for the common ones.
std::string errorText(unsigned long code);

} // namespace report
