#pragma once
// A drive read directly: its raw volume ("\\.\C:") opened through the given file services and read by
// the NTFS engine. Its services send that drive's paths to the engine and every other path, the drive
// list and the system's queries to the given services, so a thread that takes them (TThreadFileServices)
// reads that one drive directly and everything else as before. Reading only: a path on the drive opened
// for writing or deleted is refused there, as on a read-only volume.

#include "platform/FileServices.h"
#include "platform/RoutedFileServices.h"
#include "platform/ntfs/NtfsFileServices.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace plat::ntfs {

class TDirectDrive {
public:
    // Opens the raw volume of the drive with this letter through services (which must outlive this
    // object) and reads its catalogue; opened() tells whether it could (out of memory included). stop,
    // when given, is polled while the catalogue loads: once it is raised the drive is given up.
    TDirectDrive(TFileServices& services, wchar_t letter, const std::atomic<bool>* stop = nullptr);
    // The same, with only the drive's paths that hold a name written with the escape (ShownName.h), which
    // Windows cannot open, read directly: every other path of the drive still goes to services.
    enum class TPaths { all, escaped };
    TDirectDrive(TFileServices& services, wchar_t letter, TPaths paths,
                 const std::atomic<bool>* stop = nullptr);
    TDirectDrive(const TDirectDrive&) = delete;
    TDirectDrive& operator=(const TDirectDrive&) = delete;

    bool opened() const { return FRouted != nullptr; }
    // Why the volume could not be read, as a sentence's end ("error 5 opening \\.\C:"); empty when opened.
    const std::wstring& failure() const { return FFailure; }
    // The services that read the drive directly; only when opened().
    TFileServices& services() { return *FRouted; }
    // The records of its master file table skipped as damaged (a torn write, an unreadable sector).
    std::uint64_t damagedRecords() const { return FDamagedRecords; }
    // Whether a read of the raw volume failed after its catalogue loaded (the device went away, a sector
    // cannot be read any more): since then the services may answer less than the volume holds.
    bool readFailed() const { return FReadFailed.load(); }

private:
    void open(TFileServices& services, const std::wstring& device, wchar_t letter, TPaths paths,
              const std::atomic<bool>* stop);

    // Declared before the reader, whose volume's device sets them, so that they outlive it.
    std::atomic<bool> FCatalogueLoaded{false};
    std::atomic<bool> FReadFailed{false};
    TNtfsFileServices FReader;
    std::unique_ptr<TRoutedFileServices> FRouted;
    std::wstring FFailure;
    std::uint64_t FDamagedRecords = 0;
};

} // namespace plat::ntfs
