#pragma once
// The Windows widget services: a form's window subclassed for its minimum size and close request,
// centred in the work area of its monitor; timers as SetTimer on a hidden message window of the UI
// thread; pop-up menus built for each showing and tracked with TrackPopupMenu, their images as
// 32-bit bitmaps with alpha; the shell's small system icon list read icon by icon; text measured
// on a memory device context; the message loop ended with a quit message.
//
// Made and installed on the UI thread (plat::installWidgetServices); its windows and timers belong
// to that thread. The bodies are split by subject: Win32Form.cpp, Win32Timer.cpp, Win32Menu.cpp,
// Win32ImageList.cpp, Win32InputSettings.cpp, Win32SystemColors.cpp.

#include "platform/WidgetServices.h"
#include "platform/win32/Win32Gdi.h"

#include <functional>
#include <map>
#include <memory>

namespace plat::win32 {

class TGdiCanvas;

class TWin32WidgetServices : public TWidgetServices {
public:
    TWin32WidgetServices();
    ~TWin32WidgetServices() override;
    TWin32WidgetServices(const TWin32WidgetServices&) = delete;
    TWin32WidgetServices& operator=(const TWin32WidgetServices&) = delete;

    std::unique_ptr<TFormPeer> attachForm(TControlPeer& peer, TFormSink& sink) override;
    TRect screenWorkArea() override;
    std::unique_ptr<TTimerPeer> startTimer(unsigned intervalMs, TTimerSink& sink) override;
    int popupMenu(const std::vector<TMenuEntry>& entries, TPoint screen, TControlPeer* owner) override;
    int systemIconCount(std::uintptr_t list) override;
    bool systemIconSize(std::uintptr_t list, int& width, int& height) override;
    TBitmap32 systemIcon(std::uintptr_t list, int index) override;
    TCanvas& measureCanvas() override;
    void endMessageLoop() override;
    // Read from the system at each call (Win32InputSettings.cpp).
    TInputSettings inputSettings() override;
    // Read when the services are made and again by refreshSystemColors (Win32SystemColors.cpp).
    TSystemColors systemColors() override { return FSystemColors; }
    // Reads the system's colours again.
    void refreshSystemColors();

    // Called with the menu (an HMENU) and its owner window (an HWND) just before it is tracked; for
    // tests that look at the platform's menu and close it.
    std::function<void(void* menu, void* owner)> onMenuTracking;

    // The hidden window timers tick on (an HWND); null when the platform refused it.
    void* messageWindow() const { return FWindow; }

    // The message window's timer id ticked: the timer's sink hears of it.
    void timerTicked(unsigned id);
    // Starts and stops the platform's timer id (Win32Timer.cpp).
    bool setPlatformTimer(unsigned id, unsigned intervalMs, TTimerSink& sink);
    void killPlatformTimer(unsigned id);

private:
    void* FWindow = nullptr;
    unsigned FNextTimerId = 1;
    std::map<unsigned, TTimerSink*> FTimers;
    TMemoryDc FMeasureDc;
    std::unique_ptr<TGdiCanvas> FMeasure;
    TSystemColors FSystemColors;
};

// The system's colours and high-contrast mode as they are now.
TSystemColors readSystemColors();

} // namespace plat::win32
