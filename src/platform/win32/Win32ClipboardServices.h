#pragma once
// The clipboard over the real Windows functions. The clipboard is opened for a hidden message-only
// window of the services' own, so that the text placed has an owner; made on first use, on the UI
// thread, and destroyed with the services.

#include "platform/ClipboardServices.h"

namespace plat {

class TWin32ClipboardServices final : public TClipboardServices {
public:
    TWin32ClipboardServices() = default;
    ~TWin32ClipboardServices() override;
    TWin32ClipboardServices(const TWin32ClipboardServices&) = delete;
    TWin32ClipboardServices& operator=(const TWin32ClipboardServices&) = delete;

    bool setClipboardText(const std::wstring& text) override;
    std::wstring clipboardText() override;

private:
    // Opens the clipboard, waiting a little while another program holds it.
    bool open();

    void* FOwner = nullptr; // HWND
};

} // namespace plat
