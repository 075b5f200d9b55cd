// What the GUI tests cannot see in a screenshot, read under Wine beside the program:
//   gui_probe text TITLE   the texts of the visible window of that title and of its controls, one a
//                          line (a task dialog's instruction and content, say); exit code 1 when no
//                          such window shows
//   gui_probe client TITLE the screen position of that window's client area, "x y" (where it lies
//                          on a screenshot whether or not Wine draws the window's frame)
//   gui_probe clientsize TITLE  the size of that window's client area, "width height"
//   gui_probe clipboard    the clipboard's text; exit code 1 when it holds none
//   gui_probe render FACE POINTS STYLE BACKGROUND TEXT [DPI]
//                          the ink of TEXT as the program's own canvas draws it in black on
//                          BACKGROUND (#RRGGBB) with that font (STYLE: normal or bold) made for DPI
//                          (96 when not given): one line per pixel row of its ink's box, "#" for
//                          ink (dark), "." for the rest
// Output is UTF-8, line breaks inside a text as they stand.

#include "platform/win32/Win32Canvas.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void print(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

BOOL CALLBACK printChild(HWND child, LPARAM) {
    if (IsWindowVisible(child)) {
        const std::wstring text = windowText(child);
        if (!text.empty()) {
            print(text);
        }
    }
    return TRUE;
}

int printTexts(const wchar_t* title) {
    HWND window = FindWindowW(nullptr, title);
    if (window == nullptr || !IsWindowVisible(window)) {
        return 1;
    }
    print(windowText(window));
    EnumChildWindows(window, printChild, 0);
    return 0;
}

int printClientOrigin(const wchar_t* title) {
    HWND window = FindWindowW(nullptr, title);
    POINT origin{0, 0};
    if (window == nullptr || !IsWindowVisible(window) || !ClientToScreen(window, &origin)) {
        return 1;
    }
    print(std::to_wstring(origin.x) + L" " + std::to_wstring(origin.y));
    return 0;
}

int printClientSize(const wchar_t* title) {
    HWND window = FindWindowW(nullptr, title);
    RECT client{};
    if (window == nullptr || !IsWindowVisible(window) || !GetClientRect(window, &client)) {
        return 1;
    }
    print(std::to_wstring(client.right) + L" " + std::to_wstring(client.bottom));
    return 0;
}

int printClipboard() {
    if (!OpenClipboard(nullptr)) {
        return 1;
    }
    int code = 1;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            print(text);
            GlobalUnlock(data);
            code = 0;
        }
    }
    CloseClipboard();
    return code;
}

// Ink: a pixel darker than the screen checks' threshold (check_caption.py reads the same way).
bool isInk(TColor color) {
    return static_cast<int>(color & 0xFF) + static_cast<int>((color >> 8) & 0xFF) +
               static_cast<int>((color >> 16) & 0xFF) <
           3 * 140;
}

int printRendered(const wchar_t* face, const wchar_t* points, const wchar_t* style, const wchar_t* background,
                  const wchar_t* text, int dpi) {
    constexpr int kWidth = 800;
    constexpr int kHeight = 80;
    plat::win32::TGdiBitmap bitmap(kWidth, kHeight);
    if (!bitmap.valid()) {
        return 1;
    }
    const unsigned long rgb = std::wcstoul(background + (background[0] == L'#' ? 1 : 0), nullptr, 16);
    const TColor back = static_cast<TColor>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
    {
        plat::win32::TGdiCanvas canvas(bitmap.dc(), kWidth, kHeight);
        canvas.brush().setColor(back);
        canvas.FillRect(TRect{0, 0, kWidth, kHeight});
        canvas.font() = TFont{face, static_cast<int>(std::wcstol(points, nullptr, 10)),
                              std::wstring(style) == L"bold" ? fsBold : TFontStyles{0}, clBlack};
        canvas.font().pixelsPerInch = dpi;
        canvas.brush().style = TBrushStyle::bsClear;
        canvas.DrawTextW(text, TRect{10, 10, kWidth - 10, kHeight - 10}, DT_SINGLELINE);
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (isInk(bitmap.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return 1;
    }
    for (int y = top; y <= bottom; ++y) {
        std::string row;
        for (int x = left; x <= right; ++x) {
            row += isInk(bitmap.pixel(x, y)) ? '#' : '.';
        }
        std::puts(row.c_str());
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring what = argc > 1 ? argv[1] : L"";
    if (what == L"text" && argc == 3) {
        return printTexts(argv[2]);
    }
    if (what == L"client" && argc == 3) {
        return printClientOrigin(argv[2]);
    }
    if (what == L"clientsize" && argc == 3) {
        return printClientSize(argv[2]);
    }
    if (what == L"clipboard" && argc == 2) {
        return printClipboard();
    }
    if (what == L"render" && (argc == 7 || argc == 8)) {
        const int dpi = argc == 8 ? static_cast<int>(std::wcstol(argv[7], nullptr, 10)) : 96;
        return printRendered(argv[2], argv[3], argv[4], argv[5], argv[6], dpi > 0 ? dpi : 96);
    }
    std::fputs("usage: gui_probe text TITLE | gui_probe client TITLE | gui_probe clientsize TITLE |\n"
               "       gui_probe clipboard | gui_probe render FACE POINTS STYLE BACKGROUND TEXT [DPI]\n",
               stderr);
    return 2;
}
