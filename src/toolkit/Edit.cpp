#include "toolkit/Edit.h"

#include "toolkit/ColorRoles.h"

#include "toolkit/TextLayout.h"

#include "platform/ClipboardServices.h"
#include "platform/WidgetServices.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr TColor kBackground = clWhite;
constexpr TColor kDisabledBackground = hexColor(0xF0F0F0);
constexpr TColor kBorder = hexColor(0xABADB3);
constexpr TColor kBorderHot = hexColor(0x7EB4EA);
constexpr TColor kBorderFocused = hexColor(0x569DE5);
constexpr TColor kBorderDisabled = hexColor(0xBFBFBF);
constexpr TColor kDisabledText = hexColor(0x6D6D6D);
constexpr TColor kSelection = hexColor(0x3399FF);
constexpr TColor kSelectedText = clWhite;
constexpr TColor kCaret = clBlack;

int widthOf(const TFont& font, const std::wstring& text, int characters) {
    return textWidthIn(font, text.substr(0, static_cast<std::size_t>(characters)));
}

} // namespace

TEdit::TEdit() {
    setBounds(0, 0, 121, 21);
    setColor(kBackground);
    setCursor(crIBeam);
    setTabStop(true);
}

void TEdit::setText(const std::wstring& value) {
    setCaption(value);
    moveCaret(static_cast<int>(text().size()), false);
}

int TEdit::selStart() const {
    return std::min(FCaret, FAnchor);
}

int TEdit::selLength() const {
    return std::abs(FCaret - FAnchor);
}

std::wstring TEdit::selText() const {
    return text().substr(static_cast<std::size_t>(selStart()), static_cast<std::size_t>(selLength()));
}

void TEdit::setSelection(int start, int length) {
    const int size = static_cast<int>(text().size());
    FAnchor = std::clamp(start, 0, size);
    FCaret = std::clamp(start + std::max(length, 0), FAnchor, size);
    scrollToCaret();
    showCaret();
    invalidate();
}

void TEdit::copyToClipboard() {
    plat::TClipboardServices* clipboard = plat::clipboardServices();
    if (clipboard != nullptr && selLength() > 0) {
        clipboard->setClipboardText(selText());
    }
}

void TEdit::cutToClipboard() {
    plat::TClipboardServices* clipboard = plat::clipboardServices();
    // The text stays when the clipboard could not take it: nothing is lost.
    if (clipboard != nullptr && selLength() > 0 && clipboard->setClipboardText(selText())) {
        insertText(L"");
    }
}

void TEdit::pasteFromClipboard() {
    plat::TClipboardServices* clipboard = plat::clipboardServices();
    if (clipboard == nullptr) {
        return;
    }
    std::wstring pasted = clipboard->clipboardText();
    std::erase_if(pasted, [](wchar_t ch) { return ch == L'\r' || ch == L'\n'; });
    if (!pasted.empty()) {
        insertText(pasted);
    }
}

void TEdit::showCaret() {
    FCaretShown = true;
    const unsigned blink = plat::inputSettings().caretBlinkMs;
    if (!focused() || blink == 0) {
        FCaretTimer.reset();
        return;
    }
    if (FCaretTimer == nullptr) {
        FCaretTimer = std::make_unique<TTimer>();
        FCaretTimer->OnTimer = [this](TTimer*) {
            FCaretShown = !FCaretShown;
            invalidate();
        };
    }
    // Started over: the caret stays a whole phase before it hides.
    FCaretTimer->setEnabled(false);
    FCaretTimer->setInterval(blink);
    FCaretTimer->setEnabled(true);
}

TRect TEdit::textArea() const {
    // One pixel of border and three of margin on the left and right, at 96 DPI.
    const int side = scale(4);
    const int border = scale(1);
    return TRect{side, border, std::max(width() - side, side), std::max(height() - border, border)};
}

int TEdit::textOrigin() const {
    return textArea().left - FScroll;
}

void TEdit::scrollToCaret() {
    const int room = std::max(textArea().width() - 1, 0);
    const int caretX = widthOf(font(), text(), FCaret);
    const int total = textWidthIn(font(), text());
    if (caretX - FScroll > room) {
        FScroll = caretX - room;
    }
    if (caretX < FScroll) {
        FScroll = caretX;
    }
    // No empty room on the right while text lies hidden on the left.
    FScroll = std::clamp(FScroll, 0, std::max(total - room, 0));
}

void TEdit::moveCaret(int position, bool extend) {
    FCaret = std::clamp(position, 0, static_cast<int>(text().size()));
    if (!extend) {
        FAnchor = FCaret;
    }
    scrollToCaret();
    showCaret();
    invalidate();
}

void TEdit::insertText(const std::wstring& inserted) {
    std::wstring value = text();
    const int start = selStart();
    value.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(selLength()));
    std::wstring piece = inserted;
    if (FMaxLength > 0) {
        const int room = std::max(FMaxLength - static_cast<int>(value.size()), 0);
        if (static_cast<int>(piece.size()) > room) {
            piece.resize(static_cast<std::size_t>(room));
        }
    }
    value.insert(static_cast<std::size_t>(start), piece);
    FSettingText = true;
    setCaption(value);
    FSettingText = false;
    FCaret = FAnchor = start + static_cast<int>(piece.size());
    scrollToCaret();
    showCaret();
    invalidate();
}

int TEdit::positionAt(int x) const {
    const int size = static_cast<int>(text().size());
    const int offset = x - textOrigin();
    int previous = 0;
    for (int i = 1; i <= size; ++i) {
        const int next = widthOf(font(), text(), i);
        // The nearer border of the character under x.
        if (offset < (previous + next + 1) / 2) {
            return i - 1;
        }
        previous = next;
    }
    return size;
}

void TEdit::paint(TCanvas& canvas) {
    const TRect client = clientRect();
    const TColor background = roleColor(TColorRole::window, enabled() ? kBackground : kDisabledBackground);
    const TColorRole ink = enabled() ? TColorRole::text : TColorRole::grayText;
    canvas.brush().setColor(background);
    canvas.FillRect(client);

    const TRect area = textArea();
    const int origin = textOrigin();
    canvas.setFont(font());
    canvas.font().color = roleColor(ink, enabled() ? font().color : kDisabledText);
    canvas.brush().style = TBrushStyle::bsClear;
    canvas.DrawTextW(text(), TRect{origin, area.top, area.right, area.bottom}, DT_SINGLELINE | DT_VCENTER);

    const int lineHeight = canvas.TextHeight(L"Wg");
    const int lineTop = area.top + (area.height() - lineHeight) / 2;
    if (focused() && selLength() > 0) {
        const int from = origin + canvas.TextWidth(text().substr(0, static_cast<std::size_t>(selStart())));
        const int to =
            origin + canvas.TextWidth(text().substr(0, static_cast<std::size_t>(selStart() + selLength())));
        const TRect band{std::max(from, area.left), lineTop, std::min(to, area.right), lineTop + lineHeight};
        if (!band.empty()) {
            canvas.brush().setColor(roleColor(TColorRole::highlight, kSelection));
            canvas.FillRect(band);
            canvas.brush().style = TBrushStyle::bsClear;
            canvas.font().color = roleColor(TColorRole::highlightText, kSelectedText);
            canvas.DrawTextW(selText(), TRect{from, area.top, band.right, area.bottom},
                             DT_SINGLELINE | DT_VCENTER);
        }
    }
    // Text scrolled out on the left must not show in the margin.
    canvas.brush().setColor(background);
    canvas.FillRect(TRect{area.top, area.top, area.left, client.bottom - area.top});
    canvas.FillRect(TRect{area.right, area.top, client.right - area.top, client.bottom - area.top});

    if (focused() && FCaretShown) {
        const int caretX = origin + canvas.TextWidth(text().substr(0, static_cast<std::size_t>(FCaret)));
        if (caretX >= area.left && caretX < area.right) {
            canvas.pen().color = roleColor(TColorRole::text, kCaret);
            canvas.MoveTo(caretX, lineTop);
            canvas.LineTo(caretX, lineTop + lineHeight);
        }
    }

    TColor border = kBorder;
    if (!enabled()) {
        border = kBorderDisabled;
    } else if (focused()) {
        border = kBorderFocused;
    } else if (FHot) {
        border = kBorderHot;
    }
    canvas.brush().setColor(roleColor(ink, border));
    canvas.frameBand(client, scale(1));
}

bool TEdit::clipboardKey(int key, TShiftState shift) {
    // Ctrl with Alt is AltGr on many keyboards, which types characters.
    const bool ctrl = (shift & (ssCtrl | ssAlt)) == ssCtrl;
    const bool shiftOnly = (shift & (ssShift | ssCtrl | ssAlt)) == ssShift;
    if ((ctrl && key == 'C') || (ctrl && key == VK_INSERT)) {
        copyToClipboard();
    } else if ((ctrl && key == 'X') || (shiftOnly && key == VK_DELETE)) {
        cutToClipboard();
    } else if ((ctrl && key == 'V') || (shiftOnly && key == VK_INSERT)) {
        pasteFromClipboard();
    } else {
        return false;
    }
    return true;
}

void TEdit::keyDown(int& key, TShiftState shift) {
    showCaret();
    if (clipboardKey(key, shift)) {
        key = 0;
        return;
    }
    const bool extend = (shift & ssShift) != 0;
    const int size = static_cast<int>(text().size());
    switch (key) {
    case VK_LEFT:
        // Without Shift a selection collapses to its start.
        moveCaret(!extend && selLength() > 0 ? selStart() : FCaret - 1, extend);
        break;
    case VK_RIGHT:
        moveCaret(!extend && selLength() > 0 ? selStart() + selLength() : FCaret + 1, extend);
        break;
    case VK_HOME:
        moveCaret(0, extend);
        break;
    case VK_END:
        moveCaret(size, extend);
        break;
    case VK_DELETE:
        if (selLength() == 0 && FCaret < size) {
            FAnchor = FCaret + 1;
        }
        insertText(L"");
        break;
    case 'A':
        if ((shift & ssCtrl) == 0) {
            TControl::keyDown(key, shift);
            return;
        }
        selectAll();
        break;
    default:
        TControl::keyDown(key, shift);
        return;
    }
    key = 0;
}

void TEdit::keyPress(wchar_t ch) {
    if (ch == L'\b') {
        if (selLength() == 0 && FCaret > 0) {
            FAnchor = FCaret - 1;
        }
        insertText(L"");
        return;
    }
    // Control characters (Enter, Escape, Tab, Ctrl+letter) type nothing.
    if (ch < L' ' || ch == 0x7F) {
        return;
    }
    insertText(std::wstring(1, ch));
}

void TEdit::mouseDown(TMouseButton button, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        setFocus();
        FSelecting = true;
        moveCaret(positionAt(x), false);
    }
    TControl::mouseDown(button, x, y);
}

void TEdit::mouseMove(int x, int y) {
    if (FSelecting) {
        moveCaret(positionAt(x), true);
    }
    TControl::mouseMove(x, y);
}

void TEdit::mouseUp(TMouseButton button, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        FSelecting = false;
    }
    TControl::mouseUp(button, x, y);
}

void TEdit::mouseEnter() {
    FHot = true;
    invalidate();
    TControl::mouseEnter();
}

void TEdit::mouseLeave() {
    FHot = false;
    invalidate();
    TControl::mouseLeave();
}

void TEdit::focusGained() {
    if (FAutoSelect) {
        selectAll();
    }
    showCaret();
    invalidate();
    TControl::focusGained();
}

void TEdit::focusLost() {
    FSelecting = false;
    FCaretTimer.reset();
    invalidate();
    TControl::focusLost();
}

void TEdit::textChanged() {
    if (!FSettingText) {
        // Set from outside as the caption: the caret goes to the end.
        FCaret = FAnchor = static_cast<int>(text().size());
        scrollToCaret();
    }
    invalidate();
    accessibleNotify(plat::TAccEvent::valueChange);
    TControl::textChanged();
}

plat::TAccessibleItem TEdit::accessible() const {
    plat::TAccessibleItem item = TControl::accessible();
    item.role = plat::TAccRole::editText;
    item.name = accessibleNameOr(L"");
    item.value = text();
    return item;
}
