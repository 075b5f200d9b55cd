#include "platform/win32/Win32LookAlikeDialog.h"
#include "platform/win32/Win32Gdi.h"
#include "toolkit/Dpi.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace plat::win32 {

namespace {

// The task dialog's look: a white message area, a grey band with the buttons, a grey footer.
constexpr COLORREF kMessageBackground = RGB(255, 255, 255);
constexpr COLORREF kBandBackground = RGB(240, 240, 240);
constexpr COLORREF kSeparator = RGB(223, 223, 223);
constexpr COLORREF kInstructionColour = RGB(0, 51, 153);

constexpr int kMargin = 12;
constexpr int kIconGap = 10;
constexpr int kTextGap = 8;
constexpr int kBandPadding = 10;
constexpr int kButtonGap = 6;
constexpr int kMinTextWidth = 260;
constexpr int kMaxTextWidth = 440;

// The standard buttons in the order the task dialog shows them.
struct TButtonKind {
    int id;
    int flag;
    const wchar_t* caption;
};
constexpr TButtonKind kButtonKinds[] = {
    {IDOK, TDCBF_OK_BUTTON, L"OK"},
    {IDYES, TDCBF_YES_BUTTON, L"&Yes"},
    {IDNO, TDCBF_NO_BUTTON, L"&No"},
    {IDCANCEL, TDCBF_CANCEL_BUTTON, L"Cancel"},
};

struct TIconTraits {
    using value_type = HICON;
    static value_type invalid() { return nullptr; }
    static void close(value_type icon) { DestroyIcon(icon); }
};
using TIcon = TOwned<TIconTraits>;

LPCWSTR systemIconName(TTaskDialogIcon icon) {
    switch (icon) {
    case TTaskDialogIcon::information:
        return IDI_INFORMATION;
    case TTaskDialogIcon::error:
        return IDI_ERROR;
    case TTaskDialogIcon::question:
        return IDI_QUESTION;
    case TTaskDialogIcon::warning:
        return IDI_WARNING;
    case TTaskDialogIcon::none:
        break;
    }
    return nullptr;
}

// The system's message font; NONCLIENTMETRICSW is given the size older systems know.
LOGFONTW messageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        return metrics.lfMessageFont;
    }
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    return font;
}

// Size of text drawn in font: unwrapped when width is 0, otherwise wrapped at width.
SIZE measureText(HDC dc, HFONT font, const std::wstring& text, int width) {
    if (text.empty()) {
        return SIZE{0, 0};
    }
    TSelectGuard select(dc, font);
    RECT bounds{0, 0, width, 0};
    const UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (width > 0 ? DT_WORDBREAK : 0);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, format);
    return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

// One showing of the look-alike: what it shows and where.
struct TLookAlike {
    explicit TLookAlike(const TTaskDialogConfig& description) : config(description) {}

    const TTaskDialogConfig& config;
    std::vector<int> buttons;
    int defaultButton = 0;
    TGdiObject textFont;
    TGdiObject instructionFont;
    TGdiObject messageBrush;
    TGdiObject bandBrush;
    HICON mainIcon = nullptr;   // the system's, shared
    HICON footerIcon = nullptr; // smallFooterIcon or the system's shared one
    TIcon smallFooterIcon;
    int iconSize = 32;
    int smallIconSize = 16;
    RECT messageArea{};
    RECT band{};
    RECT footerArea{};
    POINT mainIconAt{};
    POINT footerIconAt{};
};

void chooseButtons(TLookAlike& dialog) {
    for (const TButtonKind& kind : kButtonKinds) {
        if ((dialog.config.commonButtons & kind.flag) != 0) {
            dialog.buttons.push_back(kind.id);
        }
    }
    if (dialog.buttons.empty()) {
        dialog.buttons.push_back(IDOK); // no button named: the single OK button
    }
    const bool namedDefault = std::find(dialog.buttons.begin(), dialog.buttons.end(),
                                        dialog.config.defaultButton) != dialog.buttons.end();
    dialog.defaultButton = namedDefault ? dialog.config.defaultButton : dialog.buttons.front();
}

const wchar_t* buttonCaption(int id) {
    for (const TButtonKind& kind : kButtonKinds) {
        if (kind.id == id) {
            return kind.caption;
        }
    }
    return L"";
}

HWND makeChild(HWND dialog, const wchar_t* windowClass, const std::wstring& text, DWORD style,
               const RECT& bounds, int id, HGDIOBJ font) {
    HWND child = CreateWindowExW(0, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.left,
                                 bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
    if (child != nullptr) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return child;
}

// Sizes the window to its client size and centres it on its owner.
void placeWindow(HWND window, HWND owner, int clientWidth, int clientHeight) {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    centreOnOwner(window, owner);
}

// Makes the fonts, icons and controls and sizes the window to them.
void build(HWND window, TLookAlike& dialog) {
    const TTaskDialogConfig& config = dialog.config;
    SetWindowTextW(window, config.windowTitle.c_str());
    chooseButtons(dialog);

    LOGFONTW font = messageFont();
    dialog.textFont = adoptGdiObject(CreateFontIndirectW(&font));
    font.lfWeight = FW_BOLD;
    font.lfHeight = font.lfHeight * 4 / 3;
    dialog.instructionFont = adoptGdiObject(CreateFontIndirectW(&font));
    dialog.messageBrush = adoptGdiObject(CreateSolidBrush(kMessageBackground));
    dialog.bandBrush = adoptGdiObject(CreateSolidBrush(kBandBackground));
    const auto textFont = static_cast<HFONT>(dialog.textFont.get());
    const auto instructionFont = static_cast<HFONT>(dialog.instructionFont.get());

    dialog.iconSize = GetSystemMetrics(SM_CXICON);
    dialog.smallIconSize = GetSystemMetrics(SM_CXSMICON);
    if (LPCWSTR name = systemIconName(config.mainIcon)) {
        dialog.mainIcon = LoadIconW(nullptr, name);
    }
    const bool hasFooter = !config.footer.empty();
    if (hasFooter) {
        if (LPCWSTR name = systemIconName(config.footerIcon)) {
            dialog.smallFooterIcon.reset(static_cast<HICON>(
                LoadImageW(nullptr, name, IMAGE_ICON, dialog.smallIconSize, dialog.smallIconSize, 0)));
            dialog.footerIcon =
                dialog.smallFooterIcon ? dialog.smallFooterIcon.get() : LoadIconW(nullptr, name);
        }
    }

    HDC dc = GetDC(window);
    TEXTMETRICW metrics{};
    {
        TSelectGuard select(dc, textFont);
        GetTextMetricsW(dc, &metrics);
    }
    // Like the system's dialogs, the look-alike follows the system's DPI, as its font and icons do:
    // its lengths are 96-DPI lengths scaled to it.
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    auto px = [dpi](int length) { return scaled(length, dpi); };
    // The text column: as wide as the longest line, within limits, then wrapped.
    const int textLeft = px(kMargin) + (dialog.mainIcon != nullptr ? dialog.iconSize + px(kIconGap) : 0);
    const int naturalWidth = std::max(measureText(dc, instructionFont, config.mainInstruction, 0).cx,
                                      measureText(dc, textFont, config.content, 0).cx);
    const int textWidth = std::clamp<int>(naturalWidth, px(kMinTextWidth), px(kMaxTextWidth));
    const int instructionHeight = measureText(dc, instructionFont, config.mainInstruction, textWidth).cy;
    const int contentHeight = measureText(dc, textFont, config.content, textWidth).cy;

    // The buttons: at least 75 x 23 (at 96 DPI), wide enough for their captions.
    const int buttonHeight = std::max<int>(px(23), metrics.tmHeight + px(10));
    std::vector<int> buttonWidths;
    int buttonsWidth = 0;
    for (int id : dialog.buttons) {
        const int width = std::max<int>(px(75), measureText(dc, textFont, buttonCaption(id), 0).cx + px(20));
        buttonWidths.push_back(width);
        buttonsWidth += width + (buttonWidths.size() > 1 ? px(kButtonGap) : 0);
    }
    const int clientWidth = std::max(textLeft + textWidth + px(kMargin), buttonsWidth + 2 * px(kMargin));

    // The message area.
    int y = px(kMargin);
    const RECT instructionBounds{textLeft, y, textLeft + textWidth, y + instructionHeight};
    y += instructionHeight;
    if (instructionHeight > 0 && contentHeight > 0) {
        y += px(kTextGap);
    }
    const RECT contentBounds{textLeft, y, textLeft + textWidth, y + contentHeight};
    y += contentHeight;
    if (dialog.mainIcon != nullptr) {
        y = std::max(y, px(kMargin) + dialog.iconSize);
    }
    dialog.mainIconAt = POINT{px(kMargin), px(kMargin)};
    dialog.messageArea = RECT{0, 0, clientWidth, y + px(kMargin)};

    // The band with the buttons, right-aligned.
    dialog.band = RECT{0, dialog.messageArea.bottom, clientWidth,
                       dialog.messageArea.bottom + buttonHeight + 2 * px(kBandPadding)};
    int buttonLeft = clientWidth - px(kMargin) - buttonsWidth;
    const int buttonTop = dialog.band.top + px(kBandPadding);

    // The footer: a small icon and its text, wrapped to the window's width.
    RECT footerBounds{};
    dialog.footerArea = RECT{0, dialog.band.bottom, clientWidth, dialog.band.bottom};
    if (hasFooter) {
        const int footerLeft =
            px(kMargin) + (dialog.footerIcon != nullptr ? dialog.smallIconSize + px(kButtonGap) : 0);
        const int footerWidth = clientWidth - footerLeft - px(kMargin);
        const int footerHeight = measureText(dc, textFont, config.footer, footerWidth).cy;
        const int top = dialog.band.bottom + px(kTextGap);
        footerBounds = RECT{footerLeft, top, footerLeft + footerWidth, top + footerHeight};
        dialog.footerIconAt = POINT{px(kMargin), top};
        dialog.footerArea.bottom = top + std::max(footerHeight, dialog.smallIconSize) + px(kTextGap);
    }
    ReleaseDC(window, dc);

    if (!config.mainInstruction.empty()) {
        makeChild(window, L"STATIC", config.mainInstruction, SS_LEFT | SS_NOPREFIX, instructionBounds,
                  kLookAlikeInstructionId, instructionFont);
    }
    if (!config.content.empty()) {
        makeChild(window, L"STATIC", config.content, SS_LEFT | SS_NOPREFIX, contentBounds,
                  kLookAlikeContentId, textFont);
    }
    if (hasFooter) {
        makeChild(window, L"STATIC", config.footer, SS_LEFT | SS_NOPREFIX, footerBounds, kLookAlikeFooterId,
                  textFont);
    }
    HWND defaultButton = nullptr;
    for (std::size_t i = 0; i < dialog.buttons.size(); ++i) {
        const int id = dialog.buttons[i];
        const bool isDefault = id == dialog.defaultButton;
        const DWORD style =
            WS_TABSTOP | (i == 0 ? WS_GROUP : 0) | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        const RECT bounds{buttonLeft, buttonTop, buttonLeft + buttonWidths[i], buttonTop + buttonHeight};
        HWND button = makeChild(window, L"BUTTON", buttonCaption(id), style, bounds, id, textFont);
        if (isDefault) {
            defaultButton = button;
        }
        buttonLeft += buttonWidths[i] + kButtonGap;
    }
    SendMessageW(window, DM_SETDEFID, static_cast<WPARAM>(dialog.defaultButton), 0);
    if (defaultButton != nullptr) {
        SetFocus(defaultButton);
    }
    if ((config.flags & TDF_ALLOW_DIALOG_CANCELLATION) == 0) {
        EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    placeWindow(window, static_cast<HWND>(config.parent), clientWidth, dialog.footerArea.bottom);
}

void paint(HWND window, const TLookAlike& dialog) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(window, &ps);
    FillRect(dc, &dialog.messageArea, static_cast<HBRUSH>(dialog.messageBrush.get()));
    RECT below{0, dialog.band.top, dialog.band.right, std::max(dialog.footerArea.bottom, ps.rcPaint.bottom)};
    FillRect(dc, &below, static_cast<HBRUSH>(dialog.bandBrush.get()));
    const TGdiObject separator = adoptGdiObject(CreateSolidBrush(kSeparator));
    RECT line{0, dialog.band.top, dialog.band.right, dialog.band.top + 1};
    FillRect(dc, &line, static_cast<HBRUSH>(separator.get()));
    if (dialog.footerArea.bottom > dialog.footerArea.top) {
        line = RECT{0, dialog.footerArea.top, dialog.footerArea.right, dialog.footerArea.top + 1};
        FillRect(dc, &line, static_cast<HBRUSH>(separator.get()));
        if (dialog.footerIcon != nullptr) {
            DrawIconEx(dc, dialog.footerIconAt.x, dialog.footerIconAt.y, dialog.footerIcon,
                       dialog.smallIconSize, dialog.smallIconSize, 0, nullptr, DI_NORMAL);
        }
    }
    if (dialog.mainIcon != nullptr) {
        DrawIconEx(dc, dialog.mainIconAt.x, dialog.mainIconAt.y, dialog.mainIcon, dialog.iconSize,
                   dialog.iconSize, 0, nullptr, DI_NORMAL);
    }
    EndPaint(window, &ps);
}

bool isOneOf(const std::vector<int>& buttons, int id) {
    return std::find(buttons.begin(), buttons.end(), id) != buttons.end();
}

INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        build(window, *reinterpret_cast<TLookAlike*>(lParam));
        return FALSE; // the focus is set
    }
    auto* dialog = reinterpret_cast<TLookAlike*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    switch (message) {
    case WM_ERASEBKGND:
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 1); // WM_PAINT covers every pixel
        return TRUE;
    case WM_PAINT:
        paint(window, *dialog);
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, id == kLookAlikeInstructionId ? kInstructionColour : GetSysColor(COLOR_WINDOWTEXT));
        const bool inFooter = id == kLookAlikeFooterId;
        return reinterpret_cast<INT_PTR>(inFooter ? dialog->bandBrush.get() : dialog->messageBrush.get());
    }
    case WM_CTLCOLORBTN:
        return reinterpret_cast<INT_PTR>(dialog->bandBrush.get());
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        // Escape, Alt+F4 and the close button come as IDCANCEL.
        const bool cancelled = id == IDCANCEL && (dialog->config.flags & TDF_ALLOW_DIALOG_CANCELLATION) != 0;
        if (isOneOf(dialog->buttons, id) || cancelled) {
            EndDialog(window, id);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return handle(window, message, wParam, lParam);
    } catch (...) {
        EndDialog(window, 0); // nothing escapes into the platform's message loop
        return TRUE;
    }
}

// An empty dialog template: the window gets its title, size and controls when it is made.
struct alignas(4) TEmptyTemplate {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

} // namespace

void centreOnOwner(HWND window, HWND owner) {
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;
    RECT centreOn = work;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &centreOn);
    }
    int x = centreOn.left + (centreOn.right - centreOn.left - width) / 2;
    int y = centreOn.top + (centreOn.bottom - centreOn.top - height) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

int showLookAlikeTaskDialog(const TTaskDialogConfig& config) {
    TEmptyTemplate layout{};
    layout.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;
    layout.header.dwExtendedStyle = WS_EX_DLGMODALFRAME | (config.parent == nullptr ? WS_EX_APPWINDOW : 0);
    layout.header.cx = 200;
    layout.header.cy = 100;
    TLookAlike dialog(config);
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &layout.header, static_cast<HWND>(config.parent),
                                dialogProc, reinterpret_cast<LPARAM>(&dialog));
    return result > 0 ? static_cast<int>(result) : 0;
}

} // namespace plat::win32
