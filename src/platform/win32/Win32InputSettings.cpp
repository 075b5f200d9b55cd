// The user's keyboard, caret and wheel settings as the system holds them, read at each call so that
// a change made in the control panel while the program runs is followed.

#include "platform/win32/Win32Form.h"

#include <windows.h>

#include <algorithm>

namespace plat::win32 {

namespace {

// The keyboard's repeat delay setting: 0 (about 250 ms) to 3 (about 1 s).
unsigned repeatDelayMs() {
    int setting = 1;
    if (SystemParametersInfoW(SPI_GETKEYBOARDDELAY, 0, &setting, 0) == FALSE) {
        setting = 1;
    }
    return static_cast<unsigned>(std::clamp(setting, 0, 3) + 1) * 250u;
}

// The keyboard's repeat speed setting: 0 (about 2.5 repetitions a second) to 31 (about 30).
unsigned repeatIntervalMs() {
    DWORD setting = 31;
    if (SystemParametersInfoW(SPI_GETKEYBOARDSPEED, 0, &setting, 0) == FALSE) {
        setting = 31;
    }
    const double perSecond = 2.5 + (30.0 - 2.5) * static_cast<double>(std::min<DWORD>(setting, 31)) / 31.0;
    return static_cast<unsigned>(1000.0 / perSecond + 0.5);
}

int wheelLines() {
    UINT lines = 3;
    if (SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0) == FALSE) {
        return 3;
    }
    if (lines == WHEEL_PAGESCROLL) {
        return TInputSettings::kWheelPage;
    }
    return static_cast<int>(std::min<UINT>(lines, 100)); // a page is the most that makes sense
}

} // namespace

TInputSettings TWin32WidgetServices::inputSettings() {
    TInputSettings settings;
    const UINT blink = GetCaretBlinkTime();
    settings.caretBlinkMs = blink == INFINITE || blink == 0 ? 0u : static_cast<unsigned>(blink);
    settings.repeatDelayMs = repeatDelayMs();
    settings.repeatIntervalMs = repeatIntervalMs();
    settings.wheelLines = wheelLines();
    return settings;
}

} // namespace plat::win32
