#pragma once
// How the program opens an entry it listed, or one of that entry's streams: as the entry itself. A
// reparse point (a junction, a symbolic link, a mount point, a cloud placeholder) is opened as
// itself and never followed to its target, so that a row's stream is read, previewed, hashed, saved
// and listed from the entry the row names, as the direct read of a volume and the delete (DeleteFileW
// never follows a link) already reach it. Links on the way to the last name are still passed
// through: a path below a junction names a file of its target. A folder opens only with backup
// semantics. The walk's check for links that lead back onto it is the one open that follows a
// link on purpose.

#include "platform/FileServices.h"
#include "platform/Owned.h"
#include "platform/WinPath.h"

#include <string>

namespace plat {

// The CreateFileW flags; backup semantics are what a folder needs to open at all, and what a backup
// read (BackupRead) of any entry is made through.
inline DWORD openEntryFlags(bool backupSemantics) {
    return FILE_FLAG_OPEN_REPARSE_POINT | (backupSemantics ? FILE_FLAG_BACKUP_SEMANTICS : 0);
}

// Opens the file, folder or stream at path (a full path, taken as written: exactPath) as itself.
inline TFileHandle openEntry(TFileServices& fs, const std::wstring& path, DWORD access, DWORD share,
                             bool backupSemantics = false) {
    return TFileHandle(fs.CreateFileW(exactPath(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                      openEntryFlags(backupSemantics), nullptr));
}

// Whether listing the streams of an entry with these attributes (as its directory entry gives them)
// through FindFirstStreamW would reach another entry: that function follows a reparse point.
inline bool listingFollows(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

} // namespace plat
