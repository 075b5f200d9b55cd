#pragma once
// Stream operations of the program's utility unit: saving a stream as a plain file, and the two
// results-tree utilities the bulk and single-stream commands share.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

class TTreeList;

// Size of the blocks a stream is copied in.
constexpr std::uint32_t kStreamCopyBlockSize = 9216;

// A stream name (as shown: an escaped name, platform/ShownName.h, is first read back as the name it
// stands for) made into a name a file can carry directly inside a folder: characters a Windows
// file name cannot hold (\ / : * ? " < > | and control characters) become "_", trailing dots and
// spaces are dropped, a reserved device name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9 and the
// same with superscript digits, with or without an extension) gets a leading "_", and an empty
// result becomes "_". A stream name is data
// from the disk being inspected: used as it stands it could name a device or another folder.
std::wstring safeFileName(const std::wstring& streamName);

// The names a bulk backup has taken, so that the next stream of the same name goes on from the last
// number given ("Zone(57).Identifier") instead of testing every number from 1 again: saving
// thousands of download marks stays linear. Only a shortcut: every name is still checked and created
// as a new file.
class TSavedNames {
public:
    // The first name to try for wanted: makeUniqueFileName's answer the first time, then the next
    // numbered name, as makeUniqueFileName numbers them, at which no file exists.
    std::wstring candidate(const std::wstring& wanted) const;
    // path, a name for wanted, is taken (saved to, or found taken by another program).
    void taken(const std::wstring& wanted, const std::wstring& path);

private:
    std::unordered_map<std::wstring, std::uint64_t> FNextNumber;
};

// Copies the stream (or file) at source into a new file at destination, or, when a file of that
// name exists, at the first free numbered name makeUniqueFileName gives ("Zone(1).Identifier").
// Never overwrites: the file is created only if it does not exist yet, and a name taken in the
// meantime moves the copy on to the next free one. The source is opened first, so an unreadable
// source creates nothing; a copy that fails, ends short or is stopped before its last byte removes
// its file again (a stop after the last block keeps the complete copy). stopRequested, when given,
// is asked after every block; names, when given, is the run's record of the names taken. Answers
// true when the copy is complete; written then holds the path of the file written (empty
// otherwise). On failure the calling thread's last-error code is the one of the platform call that
// failed (unchanged when none did).
bool copyStreamToNewFile(const std::wstring& source, const std::wstring& destination,
                         const std::function<bool()>& stopRequested, std::wstring* written,
                         TSavedNames* names = nullptr);

// The single-stream copy: copyStreamToNewFile without a stop.
bool copyStreamToFile(const std::wstring& source, const std::wstring& destination,
                      std::wstring* written = nullptr);

// Reads up to count bytes from the offset: the number read (0 at the end), or -1 when they cannot be
// read.
using TByteReader = std::function<std::int64_t(std::uint64_t offset, void* buffer, std::size_t count)>;

// Copies size bytes that read gives (a stream read by other means than the file services: a deleted
// file's, from the volume) into a new file as copyStreamToFile copies a stream: a new file at
// destination or at a numbered name, nothing left behind when it fails (the last-error code then says
// why: ERROR_FILE_CORRUPT for bytes that cannot be read).
bool copyBytesToNewFile(const TByteReader& read, std::uint64_t size, const std::wstring& destination,
                        std::wstring* written = nullptr);

// Deletes the stream at its full stream path ("C:\\dir\\file:name") with DeleteFileW on the path as
// written (exactPath), so that a name ending in a dot or space reaches its own file. True when it is
// gone; otherwise the calling thread's last-error code says why.
bool deleteStream(const std::wstring& path);

// Stream rows (level 1 and deeper) whose check box is exactly in the plain checked state.
std::int32_t countCheckedStreams(const TTreeList& tree);

// Removes every file row (level 0) left without stream rows.
void removeEmptyFileNodes(TTreeList& tree);
