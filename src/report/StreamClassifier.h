#pragma once
// What a stream holds, whether it is known, and why one deserves a look: every stream gets a kind (a
// stable identifier and a short text), a verdict and the reasons for it, from its name, where it is
// kept and its first bytes. Pure and portable: the same answer in the window, the console tool and
// the exports.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace report {

// The classifier reads no more than this of a stream.
constexpr std::size_t kClassifyBytes = 64 * 1024;

enum class TVerdict { known, unknown, suspicious };

struct TStreamSubject {
    std::wstring_view name; // the bare stream name
    std::int64_t size = 0;  // the stream's whole size
    bool onFolder = false;  // carried by a folder or a drive's root folder
    bool readable = true;   // false: its bytes could not be read (head is then empty)
    std::string_view head;  // its first bytes; only the first kClassifyBytes are looked at
};

struct TStreamClass {
    std::string kind;     // stable identifier: "download-mark", "pe-exe", "text"
    std::string kindText; // in plain words: "Download mark (zone 3, Internet, from example.com)"
    TVerdict verdict = TVerdict::unknown;
    std::vector<std::string> reasons; // the sentences that led to the verdict, UTF-8
    double entropy = 0;               // bits per byte of the bytes looked at
};

TStreamClass classifyStream(const TStreamSubject& subject);

// "known", "unknown", "suspicious".
std::string_view verdictName(TVerdict verdict);

// The kind's text as the window shows it: "Suspicious: " before it where the verdict says so.
std::string shownKind(const TStreamClass& streamClass);

// The reasons as one line (each a sentence of its own).
std::string reasonsLine(const TStreamClass& streamClass);

} // namespace report
