#include "platform/win32/Win32ClipboardServices.h"

#include <windows.h>

#include <cstring>

namespace plat {

namespace {

// Closes the clipboard when the scope ends.
class TOpenClipboard {
public:
    TOpenClipboard() = default;
    ~TOpenClipboard() { ::CloseClipboard(); }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;
};

} // namespace

TWin32ClipboardServices::~TWin32ClipboardServices() {
    if (FOwner != nullptr) {
        ::DestroyWindow(static_cast<HWND>(FOwner));
    }
}

bool TWin32ClipboardServices::open() {
    if (FOwner == nullptr) {
        FOwner = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    }
    // Another program may hold the clipboard for a moment.
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::OpenClipboard(static_cast<HWND>(FOwner)) != FALSE) {
            return true;
        }
        ::Sleep(20);
    }
    return false;
}

bool TWin32ClipboardServices::setClipboardText(const std::wstring& text) {
    if (!open()) {
        return false;
    }
    const TOpenClipboard closer;
    if (::EmptyClipboard() == FALSE) {
        return false;
    }
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return false;
    }
    void* target = ::GlobalLock(memory);
    if (target == nullptr) {
        ::GlobalFree(memory);
        return false;
    }
    std::memcpy(target, text.c_str(), bytes);
    ::GlobalUnlock(memory);
    if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        ::GlobalFree(memory); // the clipboard owns the memory only once it has taken it
        return false;
    }
    return true;
}

std::wstring TWin32ClipboardServices::clipboardText() {
    if (!open()) {
        return {};
    }
    const TOpenClipboard closer;
    HANDLE memory = ::GetClipboardData(CF_UNICODETEXT);
    if (memory == nullptr) {
        return {};
    }
    const auto* source = static_cast<const wchar_t*>(::GlobalLock(memory));
    if (source == nullptr) {
        return {};
    }
    // The block may be larger than the text; the text ends at its NUL.
    const SIZE_T units = ::GlobalSize(memory) / sizeof(wchar_t);
    std::wstring text(source, ::wcsnlen(source, units));
    ::GlobalUnlock(memory);
    return text;
}

} // namespace plat
