// What the GUI tests cannot see in a screenshot, read under Wine beside the program:
//   gui_probe text TITLE   the texts of the visible window of that title and of its controls, one a
//                          line (a task dialog's instruction and content, say); exit code 1 when no
//                          such window shows
//   gui_probe client TITLE the screen position of that window's client area, "x y" (where it lies
//                          on a screenshot whether or not Wine draws the window's frame)
//   gui_probe clipboard    the clipboard's text; exit code 1 when it holds none
// Output is UTF-8, line breaks inside a text as they stand.

#include <windows.h>

#include <cstdio>
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

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring what = argc > 1 ? argv[1] : L"";
    if (what == L"text" && argc == 3) {
        return printTexts(argv[2]);
    }
    if (what == L"client" && argc == 3) {
        return printClientOrigin(argv[2]);
    }
    if (what == L"clipboard" && argc == 2) {
        return printClipboard();
    }
    std::fputs("usage: gui_probe text TITLE | gui_probe client TITLE | gui_probe clipboard\n", stderr);
    return 2;
}
