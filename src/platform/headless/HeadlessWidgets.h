#pragma once
// The widget services for tests: a screen of a set size, form handling that records what the form
// asked for and lets a test play the user (drag the window's edge, press the close button), timers
// that a test fires by hand, pop-up menus that are recorded instead of shown (a test can choose an
// entry beforehand), modal forms answered from a script (a test plays the user while the form shows),
// a monitor DPI a test sets (and moves a window to another), a stand-in for the system's small icons, the
// raster canvas's text metrics, and input settings and system colours a test can set.

#include "platform/WidgetServices.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/RasterCanvas.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace plat::headless {

class THeadlessWidgets;

class THeadlessFormPeer : public TFormPeer {
public:
    THeadlessFormPeer(THeadlessWidgets& widgets, THeadlessPeer& peer, TFormSink& sink);
    ~THeadlessFormPeer() override;

    void setMinClientSize(int width, int height) override;
    void centreOnScreen() override;
    void bringToFront() override;
    void setFrame(TFormFrame frame) override { FFrame = frame; }
    void centreOver(TControlPeer& other) override;
    // Shows the form and runs the next scripted modal answer (THeadlessWidgets::answerModal); the
    // loop ends when the answer returns, and counts as unanswered when the form still shows.
    bool runModal(const std::function<void()>& show, const std::function<bool()>& ended) override;
    int dpi() override { return FDpi; }

    TFormFrame frame() const { return FFrame; }
    THeadlessPeer& peer() const { return FPeer; }
    int minClientWidth() const { return FMinWidth; }
    int minClientHeight() const { return FMinHeight; }
    int centreCount() const { return FCentreCount; }
    int frontCount() const { return FFrontCount; }
    // The user drags the window's edge to this client size; the platform keeps the minimum.
    void resizeAsUser(int clientWidth, int clientHeight);
    // The user presses the close button.
    void requestClose() { FSink.sinkCloseRequested(); }
    // The user moves the window to a monitor of another DPI: the form hears of it, then the
    // window takes the client bounds the platform suggests.
    void moveToMonitor(int dpi, const TRect& suggestedClient);
    // The system told the window its colours changed.
    void systemColorsChanged() { FSink.sinkSystemColorsChanged(); }

private:
    THeadlessWidgets& FWidgets;
    THeadlessPeer& FPeer;
    TFormSink& FSink;
    int FMinWidth = 0;
    int FMinHeight = 0;
    int FCentreCount = 0;
    int FFrontCount = 0;
    int FDpi;
    TFormFrame FFrame = TFormFrame::sizeable;
};

class THeadlessTimer : public TTimerPeer {
public:
    THeadlessTimer(THeadlessWidgets& widgets, unsigned intervalMs, TTimerSink& sink);
    ~THeadlessTimer() override;
    unsigned interval() const { return FInterval; }
    // One tick, as the platform's timer would give it.
    void fire() { FSink.sinkTimer(); }

private:
    THeadlessWidgets& FWidgets;
    unsigned FInterval;
    TTimerSink& FSink;
};

// A menu as it was asked to show.
struct TShownMenu {
    std::vector<TMenuEntry> entries;
    TPoint at;
    TControlPeer* owner = nullptr;
};

class THeadlessWidgets : public TWidgetServices {
public:
    // The stand-in system icons: this many, 16 x 16 unless set otherwise, each a framed square of its
    // own colour.
    static constexpr int kSystemIconCount = 64;

    THeadlessWidgets();

    std::unique_ptr<TFormPeer> attachForm(TControlPeer& peer, TFormSink& sink) override;
    TRect screenWorkArea() override { return FWorkArea; }
    std::unique_ptr<TTimerPeer> startTimer(unsigned intervalMs, TTimerSink& sink) override;
    int popupMenu(const std::vector<TMenuEntry>& entries, TPoint screen, TControlPeer* owner) override;
    int systemIconCount(std::uintptr_t list) override;
    bool systemIconSize(std::uintptr_t list, int& width, int& height) override;
    TBitmap32 systemIcon(std::uintptr_t list, int index) override;
    TCanvas& measureCanvas() override { return FMeasure; }
    void endMessageLoop() override { ++FLoopEnds; }
    TInputSettings inputSettings() override { return FInputSettings; }
    TSystemColors systemColors() override { return FSystemColors; }

    // ---- For tests.
    void setScreenWorkArea(const TRect& area) { FWorkArea = area; }
    // The DPI of the monitor forms are shown on from now on (96 until set).
    void setDpi(int dpi) { FDpi = dpi; }
    // The side of the system's small icons from now on (16 until set), as Windows makes them for
    // the display scale it started with.
    void setSystemIconSide(int side) { FSystemIconSide = side; }
    // The user's settings the widgets read (the usual ones until set).
    void setInputSettings(const TInputSettings& settings) { FInputSettings = settings; }
    // The user switches the system's colours (high contrast on or off): every form shown hears of it.
    void setSystemColors(const TSystemColors& colors);
    // The form handling attached to a realised form's peer; null for none.
    THeadlessFormPeer* formPeerOf(const TControlPeer* peer) const;
    // The running timers, in the order they started.
    const std::vector<THeadlessTimer*>& timers() const { return FTimers; }
    // Fires every timer running now once; answers how many fired.
    int fireTimers();
    // The menus shown so far, oldest first.
    const std::vector<TShownMenu>& shownMenus() const { return FShown; }
    // The next menu shown answers the first enabled entry with this caption (searching sub-menus
    // too) as chosen; without a plan, or with no such entry, nothing is chosen.
    void chooseNext(const std::wstring& caption) { FPlannedChoice = caption; }
    int loopEnds() const { return FLoopEnds; }
    // The next form shown modally runs this action while it shows (the user at work: keys, clicks,
    // values); the form should have closed when the action returns. Answers are taken in order.
    using TModalAnswer = std::function<void(THeadlessFormPeer& form)>;
    void answerModal(TModalAnswer action) { FModalAnswers.push_back(std::move(action)); }
    std::size_t pendingModalAnswers() const { return FModalAnswers.size(); }
    // Forms shown modally without an answer, or still showing after theirs: their loop ended at
    // once, as if the program were ending.
    int unansweredModals() const { return FUnansweredModals; }
    // The forms shown modally so far, each while it was the modal one.
    int modalCount() const { return FModalCount; }
    // The stand-in colour of system icon index.
    static TColor systemIconColor(int index);

private:
    friend class THeadlessFormPeer;
    friend class THeadlessTimer;

    TRect FWorkArea{0, 0, 1024, 768};
    int FDpi = 96;
    int FSystemIconSide = 16;
    TInputSettings FInputSettings;
    TSystemColors FSystemColors;
    TRasterCanvas FMeasure{0, 0};
    std::vector<THeadlessFormPeer*> FForms;
    std::vector<const TControlPeer*> FFormPeers;
    std::vector<THeadlessTimer*> FTimers;
    std::vector<TShownMenu> FShown;
    std::optional<std::wstring> FPlannedChoice;
    int FLoopEnds = 0;
    std::deque<TModalAnswer> FModalAnswers;
    int FUnansweredModals = 0;
    int FModalCount = 0;
};

} // namespace plat::headless
