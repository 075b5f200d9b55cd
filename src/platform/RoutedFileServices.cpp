#include "platform/RoutedFileServices.h"

#include <utility>

namespace plat {

namespace {

// Router handles are counted from here, far from the small values the services give themselves.
constexpr std::uintptr_t kFirstHandle = 0x10000000;

} // namespace

TRoutedFileServices::TRoutedFileServices(TFileServices& drives, TFileServices& rest)
    : TRoutedFileServices(drives, rest, TSystemQueries::drives) {}

TRoutedFileServices::TRoutedFileServices(TFileServices& drives, TFileServices& rest,
                                         TSystemQueries systemQueries)
    : TFileRouter(kFirstHandle), FDrives(drives), FRest(rest),
      FSystem(systemQueries == TSystemQueries::rest ? rest : drives), FDriveMask(drives.GetLogicalDrives()) {}

TRoutedFileServices::TRoutedFileServices(TFileServices& drives, TFileServices& rest,
                                         std::function<bool(const wchar_t*)> takes)
    : TFileRouter(kFirstHandle), FDrives(drives), FRest(rest), FSystem(rest),
      FDriveMask(drives.GetLogicalDrives()), FTakes(std::move(takes)) {}

TFileServices& TRoutedFileServices::servicesFor(const wchar_t* path) {
    const wchar_t letter = pathDriveLetter(path);
    const bool onDrives = letter != 0 && (FDriveMask & (DWORD{1} << (letter - L'A'))) != 0;
    return onDrives && (!FTakes || FTakes(path)) ? FDrives : FRest;
}

TFileRouter::TRoute TRoutedFileServices::route(const wchar_t* path) {
    return TRoute{nullptr, &servicesFor(path), nullptr}; // both outlive the router
}

bool TRoutedFileServices::hasStreamFunctions() {
    return FDrives.hasStreamFunctions();
}

// The redirection only matters for the system folder, which lies on the system's drives.
bool TRoutedFileServices::hasRedirectionFunctions() {
    return FSystem.hasRedirectionFunctions();
}

BOOL TRoutedFileServices::Wow64DisableWow64FsRedirection(void** oldValue) {
    return forward(FSystem, [&](TFileServices& s) { return s.Wow64DisableWow64FsRedirection(oldValue); });
}

BOOLEAN TRoutedFileServices::Wow64EnableWow64FsRedirection(BOOLEAN enable) {
    return forward(FSystem, [&](TFileServices& s) { return s.Wow64EnableWow64FsRedirection(enable); });
}

BOOL TRoutedFileServices::FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    return forward(FDrives, [&](TFileServices& s) { return s.FileTimeToSystemTime(fileTime, systemTime); });
}

// The mode is the process's: both services keep it, the program reads back the first's.
UINT TRoutedFileServices::SetErrorMode(UINT mode) {
    forward(FRest, [&](TFileServices& s) { return s.SetErrorMode(mode); });
    return forward(FDrives, [&](TFileServices& s) { return s.SetErrorMode(mode); });
}

DWORD TRoutedFileServices::GetLogicalDrives() {
    return forward(FSystem, [](TFileServices& s) { return s.GetLogicalDrives(); });
}

UINT TRoutedFileServices::GetWindowsDirectoryW(wchar_t* buffer, UINT size) {
    return forward(FSystem, [&](TFileServices& s) { return s.GetWindowsDirectoryW(buffer, size); });
}

} // namespace plat
