// What each stream holds, as the results tree shows it: the "What it holds" column, the mark over a
// suspicious stream's picture, "Check Suspicious Only", and the reasons of the focused stream.

#include "ui/main/UntMain.h"

#include "report/StreamFacts.h"
#include "report/TextEncoding.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr TColor kMarkFill = hexColor(0xD81E1E);
constexpr TColor kMarkEdge = clWhite;

bool isSuspicious(const TTreeData* data) {
    return data != nullptr && data->StreamClass && data->StreamClass->verdict == report::TVerdict::suspicious;
}

// A filled disc of diameter d with its top left corner at (x, y), row by row.
void disc(TCanvas& canvas, int x, int y, int d, TColor color) {
    canvas.brush().setColor(color);
    const double r = d / 2.0;
    for (int row = 0; row < d; ++row) {
        const double dy = row + 0.5 - r;
        const double half = std::sqrt(std::max(0.0, r * r - dy * dy));
        const auto left = static_cast<int>(std::lround(x + r - half));
        const auto right = static_cast<int>(std::lround(x + r + half));
        if (right > left) {
            canvas.FillRect(TRect{left, y + row, right, y + row + 1});
        }
    }
}

} // namespace

void TFrmMain::fillStreamContent(TTreeData& data, const std::wstring& streamPath, const TADSObject& ads,
                                 bool onFolder, std::int32_t previewLen) {
    // One read gives the preview (its first bytes) and the class (its first 64 KiB).
    const std::optional<std::string> head = report::readStreamHead(streamPath);
    data.Column6 = head ? previewOfBytes(*head, previewLen) : std::wstring();
    data.StreamClass = report::classifyStream({.name = ads.adsName(),
                                               .size = ads.adsSize(),
                                               .onFolder = onFolder,
                                               .readable = head.has_value(),
                                               .head = head ? std::string_view(*head) : std::string_view()});
    data.Column7 = report::fromUtf8(report::shownKind(*data.StreamClass));
}

void TFrmMain::VSTPaintImageOverlay(TCanvas& canvas, TTreeNode* node, TImageKind kind,
                                    const TRect& imageRect) {
    if (kind != TImageKind::ikState || !isSuspicious(treeData(node))) {
        return;
    }
    // A red disc with a white "!" over the picture's lower right quarter, ringed in white so that it
    // stands out on any picture; every length at the tree's scale.
    const int edge = std::max(1, VST->scale(1));
    const int d = VST->scale(9);
    const int x = imageRect.right - d;
    const int y = imageRect.bottom - d;
    disc(canvas, x - edge, y - edge, d + 2 * edge, kMarkEdge);
    disc(canvas, x, y, d, kMarkFill);
    canvas.brush().setColor(kMarkEdge);
    const int bar = std::max(1, VST->scale(1) + (d >= 13 ? 1 : 0));
    const int left = x + (d - bar) / 2;
    canvas.FillRect(TRect{left, y + d * 2 / 9, left + bar, y + d * 6 / 10});
    canvas.FillRect(TRect{left, y + d * 7 / 10, left + bar, y + d * 7 / 10 + bar});
}

void TFrmMain::CheckSuspiciousOnly1Click() {
    // Unchecked all at once, then each suspicious stream checked: its file follows (checked when all
    // its streams are, mixed otherwise).
    VST->uncheckAll();
    for (TTreeNode* node = VST->getFirst(); node != nullptr; node = VST->getNext(node)) {
        if (VST->getNodeLevel(node) >= 1 && isSuspicious(treeData(node))) {
            VST->setCheckState(node, TCheckState::csCheckedNormal);
        }
    }
    VST->invalidate();
}

void TFrmMain::showStreamReasons() {
    TTreeNode* focused = VST->focusedNode();
    const TTreeData* data = focused != nullptr ? treeData(focused) : nullptr;
    const bool ours = FReasonsShown && alertTitle->caption() == FReasonsTitle;
    if (FMode == amFinished && isSuspicious(data)) {
        if (!ours) {
            FOutcomeTitle = alertTitle->caption();
            FOutcomeBody = alertBody->caption();
        }
        FReasonsTitle = data->Column7;
        FReasonsShown = true;
        setAlert(FReasonsTitle, report::fromUtf8(report::reasonsLine(*data->StreamClass)));
        return;
    }
    if (ours && FMode == amFinished) {
        setAlert(FOutcomeTitle, FOutcomeBody);
    }
    FReasonsShown = false;
}
