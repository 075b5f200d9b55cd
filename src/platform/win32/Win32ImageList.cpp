// The shell's small system icon list, read one icon at a time into 32-bit pictures with alpha.

#include "platform/win32/Win32Form.h"

#include <windows.h>

#include <commctrl.h>

namespace plat::win32 {

namespace {

struct TIconTraits {
    using value_type = HICON;
    static value_type invalid() { return nullptr; }
    static void close(value_type icon) { DestroyIcon(icon); }
};
using TIconHandle = TOwned<TIconTraits>;

// The pixels of bitmap as 32-bit BGRA rows, top to bottom; empty when they cannot be read.
std::vector<std::uint8_t> bitsOf(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(width) * height * 4);
    TMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc.valid() || GetDIBits(static_cast<HDC>(dc.get()), bitmap, 0, static_cast<UINT>(height),
                                 bits.data(), &info, DIB_RGB_COLORS) == 0) {
        return {};
    }
    return bits;
}

} // namespace

int TWin32WidgetServices::systemIconCount(std::uintptr_t list) {
    return list != 0 ? ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(list)) : 0;
}

bool TWin32WidgetServices::systemIconSize(std::uintptr_t list, int& width, int& height) {
    return list != 0 && ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(list), &width, &height) != FALSE;
}

TBitmap32 TWin32WidgetServices::systemIcon(std::uintptr_t list, int index) {
    if (list == 0 || index < 0 || index >= systemIconCount(list)) {
        return {};
    }
    TIconHandle icon(ImageList_GetIcon(reinterpret_cast<HIMAGELIST>(list), index, ILD_NORMAL));
    ICONINFO parts{};
    if (!icon.valid() || !GetIconInfo(icon.get(), &parts)) {
        return {};
    }
    // GetIconInfo hands over copies of the icon's bitmaps: released on every path.
    TGdiObject color = adoptGdiObject(parts.hbmColor);
    TGdiObject mask = adoptGdiObject(parts.hbmMask);
    BITMAP size{};
    if (!color.valid() || GetObjectW(parts.hbmColor, sizeof(size), &size) == 0 || size.bmWidth <= 0 ||
        size.bmHeight <= 0) {
        return {}; // a monochrome icon: the list holds none such
    }
    const int w = size.bmWidth;
    const int h = size.bmHeight;
    const std::vector<std::uint8_t> bits = bitsOf(parts.hbmColor, w, h);
    if (bits.empty()) {
        return {};
    }
    bool hasAlpha = false;
    for (std::size_t i = 3; i < bits.size(); i += 4) {
        hasAlpha = hasAlpha || bits[i] != 0;
    }
    // Without alpha the mask says which pixels show: black (0) in the mask is opaque.
    const std::vector<std::uint8_t> maskBits =
        hasAlpha || !mask.valid() ? std::vector<std::uint8_t>() : bitsOf(parts.hbmMask, w, h);
    TBitmap32 picture(w, h);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        TRGBA& pixel = picture.pixels[i];
        pixel.b = bits[4 * i];
        pixel.g = bits[4 * i + 1];
        pixel.r = bits[4 * i + 2];
        if (hasAlpha) {
            pixel.a = bits[4 * i + 3];
        } else if (!maskBits.empty()) {
            pixel.a = maskBits[4 * i] == 0 ? 255 : 0;
        } else {
            pixel.a = 255;
        }
    }
    return picture;
}

} // namespace plat::win32
