// Pop-up menus of the widget services: a platform menu built from the entries for one showing,
// tracked modally at a point of the screen, and destroyed with its bitmaps afterwards.

#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Form.h"

#include <windows.h>

#include <vector>

namespace plat::win32 {

namespace {

// A menu made with CreatePopupMenu: DestroyMenu releases it with its sub-menus.
struct TMenuTraits {
    using value_type = HMENU;
    static value_type invalid() { return nullptr; }
    static void close(value_type menu) { DestroyMenu(menu); }
};
using TMenuHandle = TOwned<TMenuTraits>;

// A 32-bit top-down bitmap with premultiplied alpha, as menus show them with their transparency.
TGdiObject menuBitmap(const TBitmap32& picture) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TGdiObject bitmap = adoptGdiObject(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap.valid() || bits == nullptr) {
        return TGdiObject();
    }
    auto* out = static_cast<std::uint8_t*>(bits);
    for (const TRGBA& pixel : picture.pixels) {
        *out++ = static_cast<std::uint8_t>(pixel.b * pixel.a / 255);
        *out++ = static_cast<std::uint8_t>(pixel.g * pixel.a / 255);
        *out++ = static_cast<std::uint8_t>(pixel.r * pixel.a / 255);
        *out++ = pixel.a;
    }
    return bitmap;
}

// Fills menu with entries; the bitmaps it makes go to bitmaps, to live as long as the menu.
bool fill(HMENU menu, const std::vector<TMenuEntry>& entries, std::vector<TGdiObject>& bitmaps) {
    UINT position = 0;
    for (const TMenuEntry& entry : entries) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        if (entry.separator) {
            item.fMask = MIIM_FTYPE;
            item.fType = MFT_SEPARATOR;
        } else {
            item.fMask = MIIM_STRING | MIIM_STATE | MIIM_ID;
            item.dwTypeData = const_cast<wchar_t*>(entry.caption.c_str());
            item.fState = entry.enabled ? MFS_ENABLED : MFS_DISABLED;
            item.wID = static_cast<UINT>(entry.command);
            if (!entry.image.empty()) {
                TGdiObject bitmap = menuBitmap(entry.image);
                if (bitmap.valid()) {
                    item.fMask |= MIIM_BITMAP;
                    item.hbmpItem = static_cast<HBITMAP>(bitmap.get());
                    bitmaps.push_back(std::move(bitmap));
                }
            }
            if (!entry.items.empty()) {
                HMENU sub = CreatePopupMenu();
                if (sub == nullptr) {
                    return false;
                }
                if (!fill(sub, entry.items, bitmaps)) {
                    DestroyMenu(sub);
                    return false;
                }
                item.fMask |= MIIM_SUBMENU;
                item.hSubMenu = sub; // owned by menu from here on
                item.wID = 0;
            }
        }
        if (!InsertMenuItemW(menu, position++, TRUE, &item)) {
            if (item.hSubMenu != nullptr) {
                DestroyMenu(item.hSubMenu);
            }
            return false;
        }
    }
    return true;
}

} // namespace

int TWin32WidgetServices::popupMenu(const std::vector<TMenuEntry>& entries, TPoint screen,
                                    TControlPeer* owner) {
    // The bitmaps are declared first, so that the menu that shows them is destroyed before them.
    std::vector<TGdiObject> bitmaps;
    TMenuHandle menu(CreatePopupMenu());
    if (!menu.valid() || !fill(menu.get(), entries, bitmaps)) {
        return 0;
    }
    HWND window = owner != nullptr ? static_cast<HWND>(windowOf(owner)) : nullptr;
    if (window != nullptr) {
        window = GetAncestor(window, GA_ROOT);
    } else {
        window = GetActiveWindow();
    }
    if (window == nullptr) {
        window = static_cast<HWND>(FWindow);
    }
    if (window == nullptr) {
        return 0;
    }
    // The menu closes when the user clicks elsewhere only if its owner is in front.
    SetForegroundWindow(window);
    if (onMenuTracking) {
        onMenuTracking(menu.get(), window);
    }
    const int chosen = static_cast<int>(TrackPopupMenu(
        menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_NONOTIFY, screen.x,
        screen.y, 0, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);
    return chosen;
}

} // namespace plat::win32
