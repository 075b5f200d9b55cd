#pragma once
// A one-line edit box, drawn by the toolkit itself: a white box with a one-pixel border (blue while
// it has the focus), its text, the selection and the caret, which blinks at the user's rate while
// the box has the focus and shows again at every key. The text is the control's caption;
// OnTextChanged is raised on every change, typed or set. It takes the keys a one-line edit box
// takes: characters replace the selection, Backspace and Delete, Left, Right, Home and End (with
// Shift they extend the selection), Ctrl+A selects everything, and the clipboard's keys: Ctrl+C or
// Ctrl+Insert copy, Ctrl+X or Shift+Delete cut, Ctrl+V or Shift+Insert paste (without line breaks).
// Tab stops at it; entering it with Tab selects the whole text (autoSelect), a click places the
// caret and a drag selects.

#include "toolkit/Control.h"
#include "toolkit/Timer.h"

#include <memory>
#include <string>

class TEdit : public TControl {
public:
    TEdit();

    const std::wstring& text() const { return caption(); }
    // Replaces the text; the caret goes to its end, nothing selected.
    void setText(const std::wstring& value);

    // The selection runs from the anchor to the caret (either way round); both are character
    // positions, 0 to the text's length.
    int selStart() const;
    int selLength() const;
    int caretPos() const { return FCaret; }
    // Selects length characters from start (cut to the text); the caret goes to the selection's end.
    void setSelection(int start, int length);
    void selectAll() { setSelection(0, static_cast<int>(text().size())); }
    std::wstring selText() const;

    // The clipboard (the installed clipboard services; with none these do nothing). Copying and
    // cutting need a selection; pasting replaces the selection with the clipboard's text, its line
    // breaks dropped, cut to maxLength.
    void copyToClipboard();
    void cutToClipboard();
    void pasteFromClipboard();

    bool autoSelect() const { return FAutoSelect; }
    void setAutoSelect(bool value) { FAutoSelect = value; }
    // At most this many characters can be typed; 0: no limit.
    int maxLength() const { return FMaxLength; }
    void setMaxLength(int value) { FMaxLength = value < 0 ? 0 : value; }

    // The caret's place for a point x of the client area: the character border nearest to it.
    int positionAt(int x) const;

    // An editable text field: its label's text as name (setAccessibleName), its text as value.
    plat::TAccessibleItem accessible() const override;

protected:
    void paint(TCanvas& canvas) override;
    void keyDown(int& key, TShiftState shift) override;
    void keyPress(wchar_t ch) override;
    void mouseDown(TMouseButton button, int x, int y) override;
    void mouseMove(int x, int y) override;
    void mouseUp(TMouseButton button, int x, int y) override;
    void mouseEnter() override;
    void mouseLeave() override;
    void focusGained() override;
    void focusLost() override;
    void textChanged() override;

    // The part of the client area the text shows in; a spin box keeps room for its buttons.
    virtual TRect textArea() const;
    // Replaces the selection with text (the caret after it), cut to maxLength.
    void insertText(const std::wstring& text);

private:
    // The text's left edge, scrolled so that the caret shows.
    int textOrigin() const;
    void scrollToCaret();
    void moveCaret(int position, bool extend);
    // Shows the caret and starts its blink over, while the box has the focus.
    void showCaret();
    // The clipboard's keys; answers whether key was one.
    bool clipboardKey(int key, TShiftState shift);

    int FCaret = 0;
    int FAnchor = 0;
    int FScroll = 0; // pixels of text scrolled out on the left
    bool FAutoSelect = true;
    int FMaxLength = 0;
    bool FHot = false;
    bool FSelecting = false; // the left button is down: moves extend the selection
    bool FSettingText = false;
    bool FCaretShown = true;             // the blink's phase
    std::unique_ptr<TTimer> FCaretTimer; // runs while the box has the focus and the caret blinks
};
