#pragma once
// File services made of two others: every path on one of the first services' drives goes to them,
// every other path (another drive letter, a UNC path, a relative name) to the second. The test build
// of the program puts the simulated store first and the real Windows functions second: the streams
// it lists come from the store, while the copies it saves into a folder of a real drive (Wine's Z:,
// say) land on the disk, where they can be read back.
//
// To the program the two look like one (the handles and the last error as TFileRouter keeps them):
// - the drive list and the optional functions are those of the first (the volumes it scans), or,
//   when asked, the drive list, the Windows folder and the redirection those of the second.

#include "platform/FileRouter.h"

#include <functional>

namespace plat {

class TRoutedFileServices final : public TFileRouter {
public:
    // drives: the services for their own drives (those GetLogicalDrives gives now); rest: for every
    // other path. Both must outlive this object.
    TRoutedFileServices(TFileServices& drives, TFileServices& rest);
    // The same, with the queries that name no volume (the drive list, the Windows folder, the
    // redirection switches) answered by rest: a few drives read another way, among the system's own.
    enum class TSystemQueries { drives, rest };
    TRoutedFileServices(TFileServices& drives, TFileServices& rest, TSystemQueries systemQueries);
    // The same, with only the paths on those drives that pass the test going to drives (the system's
    // queries answered by rest).
    TRoutedFileServices(TFileServices& drives, TFileServices& rest,
                        std::function<bool(const wchar_t*)> takes);
    TRoutedFileServices(const TRoutedFileServices&) = delete;
    TRoutedFileServices& operator=(const TRoutedFileServices&) = delete;

    // The services a path goes to.
    TFileServices& servicesFor(const wchar_t* path);

    bool hasStreamFunctions() override;
    bool hasRedirectionFunctions() override;
    BOOL Wow64DisableWow64FsRedirection(void** oldValue) override;
    BOOLEAN Wow64EnableWow64FsRedirection(BOOLEAN enable) override;
    BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) override;
    UINT SetErrorMode(UINT mode) override;
    DWORD GetLogicalDrives() override;
    UINT GetWindowsDirectoryW(wchar_t* buffer, UINT size) override;

private:
    TRoute route(const wchar_t* path) override;

    TFileServices& FDrives;
    TFileServices& FRest;
    TFileServices& FSystem; // answers the queries that name no volume
    const DWORD FDriveMask;
    const std::function<bool(const wchar_t*)> FTakes; // empty: every path on the drives
};

} // namespace plat
