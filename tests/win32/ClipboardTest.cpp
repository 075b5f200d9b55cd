// The clipboard services over the real Windows functions: the text placed is the text read back by
// any program, and each call replaces what was there.

#include "platform/win32/Win32ClipboardServices.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

TEST(Win32Clipboard, PutsUnicodeTextThatReplacesTheClipboard) {
    plat::TWin32ClipboardServices clipboard;
    const std::wstring path = L"C:\\Downloads\\\x00E9t\x00E9\\setup.exe:Zone.Identifier";
    ASSERT_TRUE(clipboard.setClipboardText(path));
    EXPECT_EQ(clipboard.clipboardText(), path);

    // Read as another program would: the text is there in the Unicode format.
    ASSERT_NE(::OpenClipboard(nullptr), FALSE);
    EXPECT_NE(::IsClipboardFormatAvailable(CF_UNICODETEXT), FALSE);
    ::CloseClipboard();

    ASSERT_TRUE(clipboard.setClipboardText(L"C:\\a.txt:s"));
    EXPECT_EQ(clipboard.clipboardText(), L"C:\\a.txt:s");
    ASSERT_TRUE(clipboard.setClipboardText(L""));
    EXPECT_EQ(clipboard.clipboardText(), L"");
}
