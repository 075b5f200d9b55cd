#include "platform/win32/Win32ProgramIcon.h"
#include "platform/win32/Win32Dpi.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace plat::win32 {

namespace {

// The icon at size pixels square, loaded once for the process: every window of the program shares
// it, and a window may still show it until the process ends. Null without the resource.
HICON programIcon(int size) {
    static std::mutex guard;
    static std::map<int, HICON> loaded;
    const std::lock_guard<std::mutex> lock(guard);
    const auto found = loaded.find(size);
    if (found != loaded.end()) {
        return found->second;
    }
    // Not LR_SHARED: the shared cache would hand back the first size loaded for any other size.
    const auto icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0));
    loaded.emplace(size, icon);
    return icon;
}

} // namespace

void giveProgramIcon(void* window, int dpi) {
    const auto handle = static_cast<HWND>(window);
    if (HICON bigIcon = programIcon(systemMetricForDpi(SM_CXICON, dpi))) {
        SendMessageW(handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    }
    if (HICON smallIcon = programIcon(systemMetricForDpi(SM_CXSMICON, dpi))) {
        SendMessageW(handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    }
}

} // namespace plat::win32
