// The system's colours and its high-contrast mode, read at start-up and again when a form's window
// hears that the settings or the colours changed.

#include "platform/win32/Win32Form.h"

#include <windows.h>

namespace plat::win32 {

namespace {

TColor systemColor(int index) {
    return static_cast<TColor>(GetSysColor(index)) & 0xFFFFFFu;
}

} // namespace

TSystemColors readSystemColors() {
    TSystemColors colors;
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    colors.highContrast =
        SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) != FALSE &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    colors.windowText = systemColor(COLOR_WINDOWTEXT);
    colors.window = systemColor(COLOR_WINDOW);
    colors.highlight = systemColor(COLOR_HIGHLIGHT);
    colors.highlightText = systemColor(COLOR_HIGHLIGHTTEXT);
    colors.buttonFace = systemColor(COLOR_BTNFACE);
    colors.buttonText = systemColor(COLOR_BTNTEXT);
    colors.grayText = systemColor(COLOR_GRAYTEXT);
    return colors;
}

void TWin32WidgetServices::refreshSystemColors() {
    FSystemColors = readSystemColors();
}

} // namespace plat::win32
