#pragma once
// The stream names Windows, its programs and other systems' file sharing write on their own, each
// with what it is, where it comes from and what content it must hold to be what its name says. The
// list is data: a new name is a new row of the table in KnownStreams.cpp.

#include <cstdint>
#include <span>
#include <string_view>

namespace report {

// What a known name's content must be for the stream to be what the name says. Code (a program, a
// script) never fits any of them.
enum class TKnownContent {
    downloadMark,  // decodes as a download mark
    shortText,     // a little text (or nothing)
    picture,       // a picture (or nothing)
    propertyStore, // the Windows property store's serialised form (or nothing)
    propertySet,   // an OLE property set (or nothing)
    afpInfo,       // the Mac file information record ("AFP\0")
    anyData,       // anything but code
};

struct TKnownStream {
    std::wstring_view name;  // compared without case (as NTFS compares names)
    bool prefix = false;     // names that begin with it
    std::string_view id;     // stable identifier of the kind
    std::string_view text;   // what it is, in a few words
    std::string_view origin; // who writes it, and why
    TKnownContent content = TKnownContent::anyData;
    std::int64_t maxSize = -1; // larger ones do not fit; -1: no limit
};

std::span<const TKnownStream> knownStreams();

// The entry the name is, or null.
const TKnownStream* findKnownStream(std::wstring_view name);

// The entry the name is made to look like without being it (other letters that look the same, case
// aside; blanks or invisible characters added; trailing dots or spaces), or null.
const TKnownStream* lookalikeKnownStream(std::wstring_view name);

// Whether the name shows as nothing: empty, or only blanks, invisible or control characters.
bool looksEmptyName(std::wstring_view name);

// Whether the name is dressed as one of NTFS's own (its attributes and metadata files begin with "$",
// such as $DATA, $I30 or $MFT) without being a known one.
bool looksLikeSystemName(std::wstring_view name);

} // namespace report
