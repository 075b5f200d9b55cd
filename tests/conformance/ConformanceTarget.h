#pragma once
// What the conformance cases run against: a file services implementation with a way to lay out
// test content in it. Natively this is the simulated store; in the Windows test executable it is
// the real functions over a fresh folder of the Wine (or Windows) drive.

#include "platform/FileServices.h"

#include <memory>
#include <string>

namespace conformance {

class TConformanceTarget {
public:
    virtual ~TConformanceTarget() = default;
    virtual plat::TFileServices& services() = 0;
    // A fresh empty folder for one case, as a full path without a trailing backslash.
    virtual std::wstring root() = 0;
    virtual void makeFolder(const std::wstring& path) = 0;
    virtual void makeFile(const std::wstring& path, const std::string& data) = 0;
    // Adds a named stream; only called when streamsSupported().
    virtual void makeStream(const std::wstring& filePath, const std::wstring& name,
                            const std::string& data) = 0;
    virtual void setAttributes(const std::wstring& path, plat::DWORD attributes) = 0;
    virtual void setTimes(const std::wstring& path, const plat::FILETIME& creation,
                          const plat::FILETIME& lastWrite) = 0;
    // Whether the target has named streams (Wine has none); the reason is printed when a case skips.
    virtual bool streamsSupported() = 0;
    virtual std::string noStreamsReason() = 0;
    // Whether a creation time set with setTimes reads back (Wine keeps none on Linux file systems).
    virtual bool creationTimesKept() { return true; }
    virtual std::string noCreationTimesReason() { return {}; }
    // Another holder opens the path without read sharing until the returned token is destroyed.
    virtual std::shared_ptr<void> holdWithoutReadSharing(const std::wstring& path) = 0;
    // Makes a symbolic link at path to the file at target (both full paths): empty when made, else
    // why this target cannot make one, and the case skips.
    virtual std::string makeFileLink(const std::wstring& path, const std::wstring& target) {
        (void)path;
        (void)target;
        return "this target makes no symbolic links";
    }
    // Why the target cannot run here (a tool it needs is missing); empty when it can. Every case skips.
    virtual std::string unavailableReason() { return {}; }
    // Whether the services only read (a volume read directly, its content laid out beforehand): the
    // cases that change content or hold files open skip.
    virtual bool readOnly() { return false; }
};

// Made by the build's own target file (the store natively, the Win32 functions on Windows).
std::unique_ptr<TConformanceTarget> makeConformanceTarget();

} // namespace conformance
