#include "platform/headless/HeadlessWidgets.h"

#include <algorithm>

namespace plat::headless {

THeadlessFormPeer::THeadlessFormPeer(THeadlessWidgets& widgets, THeadlessPeer& peer, TFormSink& sink)
    : FWidgets(widgets), FPeer(peer), FSink(sink), FDpi(widgets.FDpi) {
    FWidgets.FForms.push_back(this);
    FWidgets.FFormPeers.push_back(&peer);
}

THeadlessFormPeer::~THeadlessFormPeer() {
    auto at = std::find(FWidgets.FForms.begin(), FWidgets.FForms.end(), this);
    if (at != FWidgets.FForms.end()) {
        FWidgets.FFormPeers.erase(FWidgets.FFormPeers.begin() + (at - FWidgets.FForms.begin()));
        FWidgets.FForms.erase(at);
    }
}

void THeadlessFormPeer::setMinClientSize(int width, int height) {
    FMinWidth = width;
    FMinHeight = height;
}

void THeadlessFormPeer::centreOnScreen() {
    ++FCentreCount;
    // The headless window has no frame: its client area is the whole window.
    const TRect area = FWidgets.FWorkArea;
    const TRect bounds = FPeer.bounds();
    const int left = area.left + (area.width() - bounds.width()) / 2;
    const int top = area.top + (area.height() - bounds.height()) / 2;
    FPeer.platformResize(boundsRect(left, top, bounds.width(), bounds.height()));
}

void THeadlessFormPeer::bringToFront() {
    ++FFrontCount;
}

void THeadlessFormPeer::centreOver(TControlPeer& other) {
    const THeadlessPeer* own = headlessPeer(&other);
    if (own == nullptr) {
        return;
    }
    // Both windows are their client areas here.
    const TRect area = own->bounds();
    const TRect bounds = FPeer.bounds();
    const int left = area.left + (area.width() - bounds.width()) / 2;
    const int top = area.top + (area.height() - bounds.height()) / 2;
    FPeer.platformResize(boundsRect(left, top, bounds.width(), bounds.height()));
}

bool THeadlessFormPeer::runModal(const std::function<void()>& show, const std::function<bool()>& ended) {
    ++FWidgets.FModalCount;
    show();
    if (FWidgets.FModalAnswers.empty()) {
        ++FWidgets.FUnansweredModals;
        return false;
    }
    const THeadlessWidgets::TModalAnswer answer = std::move(FWidgets.FModalAnswers.front());
    FWidgets.FModalAnswers.pop_front();
    answer(*this);
    if (!ended()) {
        ++FWidgets.FUnansweredModals;
        return false;
    }
    return true;
}

void THeadlessFormPeer::resizeAsUser(int clientWidth, int clientHeight) {
    const TRect bounds = FPeer.bounds();
    FPeer.platformResize(boundsRect(bounds.left, bounds.top, std::max(clientWidth, FMinWidth),
                                    std::max(clientHeight, FMinHeight)));
}

void THeadlessFormPeer::moveToMonitor(int dpi, const TRect& suggestedClient) {
    FDpi = dpi;
    FSink.sinkDpiChanged(dpi);
    FPeer.platformResize(suggestedClient);
}

THeadlessTimer::THeadlessTimer(THeadlessWidgets& widgets, unsigned intervalMs, TTimerSink& sink)
    : FWidgets(widgets), FInterval(intervalMs), FSink(sink) {
    FWidgets.FTimers.push_back(this);
}

THeadlessTimer::~THeadlessTimer() {
    auto& timers = FWidgets.FTimers;
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

THeadlessWidgets::THeadlessWidgets() = default;

void THeadlessWidgets::setSystemColors(const TSystemColors& colors) {
    FSystemColors = colors;
    // A copy: a form may close while it repaints.
    const std::vector<THeadlessFormPeer*> forms = FForms;
    for (THeadlessFormPeer* form : forms) {
        form->systemColorsChanged();
    }
}

std::unique_ptr<TFormPeer> THeadlessWidgets::attachForm(TControlPeer& peer, TFormSink& sink) {
    THeadlessPeer* own = headlessPeer(&peer);
    if (own == nullptr) {
        return nullptr;
    }
    return std::make_unique<THeadlessFormPeer>(*this, *own, sink);
}

THeadlessFormPeer* THeadlessWidgets::formPeerOf(const TControlPeer* peer) const {
    for (std::size_t i = 0; i < FFormPeers.size(); ++i) {
        if (FFormPeers[i] == peer) {
            return FForms[i];
        }
    }
    return nullptr;
}

std::unique_ptr<TTimerPeer> THeadlessWidgets::startTimer(unsigned intervalMs, TTimerSink& sink) {
    return std::make_unique<THeadlessTimer>(*this, std::max(intervalMs, 1u), sink);
}

int THeadlessWidgets::fireTimers() {
    int fired = 0;
    // A tick may stop or start timers: fire those running at the start that still run.
    const std::vector<THeadlessTimer*> snapshot = FTimers;
    for (THeadlessTimer* timer : snapshot) {
        if (std::find(FTimers.begin(), FTimers.end(), timer) != FTimers.end()) {
            timer->fire();
            ++fired;
        }
    }
    return fired;
}

namespace {

int findCommand(const std::vector<TMenuEntry>& entries, const std::wstring& caption) {
    for (const TMenuEntry& entry : entries) {
        if (!entry.separator && entry.enabled && entry.caption == caption && entry.command != 0) {
            return entry.command;
        }
        if (entry.enabled && !entry.items.empty()) {
            if (const int command = findCommand(entry.items, caption); command != 0) {
                return command;
            }
        }
    }
    return 0;
}

} // namespace

int THeadlessWidgets::popupMenu(const std::vector<TMenuEntry>& entries, TPoint screen, TControlPeer* owner) {
    FShown.push_back(TShownMenu{entries, screen, owner});
    if (!FPlannedChoice) {
        return 0;
    }
    const std::wstring caption = *FPlannedChoice;
    FPlannedChoice.reset();
    return findCommand(entries, caption);
}

int THeadlessWidgets::systemIconCount(std::uintptr_t list) {
    return list != 0 ? kSystemIconCount : 0;
}

TColor THeadlessWidgets::systemIconColor(int index) {
    return RGBColor(static_cast<std::uint8_t>(40 + index * 37 % 200),
                    static_cast<std::uint8_t>(60 + index * 53 % 180),
                    static_cast<std::uint8_t>(80 + index * 29 % 160));
}

bool THeadlessWidgets::systemIconSize(std::uintptr_t list, int& width, int& height) {
    if (list == 0) {
        return false;
    }
    width = height = FSystemIconSide;
    return true;
}

TBitmap32 THeadlessWidgets::systemIcon(std::uintptr_t list, int index) {
    if (list == 0 || index < 0 || index >= kSystemIconCount) {
        return {};
    }
    const TColor color = systemIconColor(index);
    const int side = FSystemIconSide;
    TBitmap32 icon(side, side);
    // A square with a transparent margin and a dark frame, as icons have.
    for (int y = 1; y < side - 1; ++y) {
        for (int x = 1; x < side - 1; ++x) {
            const bool frame = x == 1 || y == 1 || x == side - 2 || y == side - 2;
            icon.at(x, y) =
                frame ? TRGBA{40, 40, 40, 255} : TRGBA{redOf(color), greenOf(color), blueOf(color), 255};
        }
    }
    return icon;
}

} // namespace plat::headless
