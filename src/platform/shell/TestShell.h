#pragma once
// A shell-services double for tests: fixed regional formats, a settable decimal separator, icon
// indexes per extension, in-memory version information per file, a module file name and named
// resources. Set everything up before the code under test runs.

#include "platform/ShellServices.h"

#include <map>
#include <string>
#include <vector>

namespace plat {

class TTestShell : public TShellServices {
public:
    // ---- Set-up.
    void setDecimalSeparator(std::wstring separator) { FDecimalSeparator = std::move(separator); }
    // The icon for names with this extension (".txt"; compared without case), for folders, and for
    // names whose extension has no icon of its own.
    void setExtensionIcon(const std::wstring& extension, int index);
    void setFolderIcon(int index) { FFolderIcon = index; }
    void setDefaultFileIcon(int index) { FDefaultFileIcon = index; }
    // Version information of a file: the fixed part ("\"), the translation and string values.
    void setFixedVersion(const std::wstring& file, WORD major, WORD minor, WORD release, WORD build);
    void setTranslation(const std::wstring& file, WORD language, WORD codePage);
    // subBlock as VerQueryValueW names it, e.g. "\StringFileInfo\040904b0\CompanyName".
    void setVersionString(const std::wstring& file, const std::wstring& subBlock, const std::wstring& text);
    void setModuleFileName(std::wstring path) { FModuleFileName = std::move(path); }
    void setResource(const std::wstring& type, const std::wstring& name, std::vector<BYTE> bytes);

    // ---- The shell services.
    // "," or "." as set ("." by default); dates as dd/MM/yyyy, times as HH:mm:ss.
    std::wstring decimalSeparator() override { return FDecimalSeparator; }
    std::wstring formatShortDate(const SYSTEMTIME& time) override;
    std::wstring formatLongTime(const SYSTEMTIME& time) override;
    // Each byte is the character of the same code (Latin-1).
    std::wstring ansiToWide(const BYTE* bytes, std::size_t count) override;
    // Answers from the name alone with SHGFI_USEFILEATTRIBUTES; without it only for a folder that
    // exists in the installed file services (otherwise the call fails and returns 0).
    std::uintptr_t SHGetFileInfoW(const wchar_t* path, DWORD attributes, SHFILEINFOW* info, UINT infoSize,
                                  UINT flags) override;
    DWORD GetFileVersionInfoSizeW(const wchar_t* file, DWORD* handle) override;
    BOOL GetFileVersionInfoW(const wchar_t* file, DWORD handle, DWORD size, void* data) override;
    BOOL VerQueryValueW(const void* block, const wchar_t* subBlock, void** buffer, UINT* length) override;
    DWORD GetModuleFileNameW(wchar_t* buffer, DWORD size) override;
    std::vector<BYTE> loadResource(const wchar_t* type, const wchar_t* name, bool* found) override;

private:
    // One value of a version block: its bytes and the length VerQueryValueW reports for it.
    struct TVersionValue {
        std::vector<BYTE> bytes;
        UINT reportedLength = 0;
    };
    using TVersionInfo = std::map<std::wstring, TVersionValue>;

    std::vector<BYTE> serialize(const TVersionInfo& info) const;

    std::wstring FDecimalSeparator = L".";
    std::map<std::wstring, int> FExtensionIcons;
    int FFolderIcon = 3;
    int FDefaultFileIcon = 0;
    std::map<std::wstring, TVersionInfo> FVersionInfo;
    std::wstring FModuleFileName = L"C:\\Program Files\\Korvane\\ADSOmbrolux.exe";
    std::map<std::pair<std::wstring, std::wstring>, std::vector<BYTE>> FResources;
};

} // namespace plat
