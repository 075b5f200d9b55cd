#pragma once
// The clipboard as the program uses it: text put on it, replacing what was there. Installed once at
// start-up on the UI thread like the other services: the Windows one in the program, a recording
// double in tests. Every call happens on the UI thread.

#include <string>

namespace plat {

class TClipboardServices {
public:
    virtual ~TClipboardServices() = default;
    // Puts the text on the clipboard as Unicode text, replacing every format held there; false when
    // the clipboard could not be had (another program holding it) or the text not placed.
    virtual bool setClipboardText(const std::wstring& text) = 0;
    // The Unicode text on the clipboard; empty when there is none.
    virtual std::wstring clipboardText() = 0;
};

TClipboardServices& clipboard();
// The installed services, or null when none are (widgets that merely offer the clipboard ask this).
TClipboardServices* clipboardServices();
void installClipboardServices(TClipboardServices* services);

// The double for tests: keeps the text and counts the calls; can be made to refuse.
class TRecordingClipboard : public TClipboardServices {
public:
    bool setClipboardText(const std::wstring& text) override {
        ++FSetCount;
        if (FRefuse) {
            return false;
        }
        FText = text;
        return true;
    }
    std::wstring clipboardText() override { return FText; }

    int setCount() const { return FSetCount; }
    // Another program holds the clipboard: every call fails.
    void setRefuse(bool value) { FRefuse = value; }

private:
    std::wstring FText;
    int FSetCount = 0;
    bool FRefuse = false;
};

} // namespace plat
