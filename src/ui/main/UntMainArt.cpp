#include "ui/main/UntMainArt.h"

namespace art {

std::vector<TBitmap32> decodeRuns(const std::uint32_t* runs) {
    std::vector<TBitmap32> pictures;
    for (;;) {
        const int width = static_cast<int>(runs[0]);
        const int height = static_cast<int>(runs[1]);
        const std::uint32_t runCount = runs[2];
        runs += 3;
        if (width == 0 || height == 0) {
            return pictures;
        }
        TBitmap32 picture(width, height);
        std::size_t at = 0;
        for (std::uint32_t i = 0; i < runCount; ++i, runs += 2) {
            const std::uint32_t pixel = runs[1];
            const TRGBA rgba{static_cast<std::uint8_t>(pixel), static_cast<std::uint8_t>(pixel >> 8),
                             static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 24)};
            for (std::uint32_t n = 0; n < runs[0] && at < picture.pixels.size(); ++n) {
                picture.pixels[at++] = rgba;
            }
        }
        pictures.push_back(std::move(picture));
    }
}

} // namespace art

namespace {

void fill(TImageList& list, const std::uint32_t* runs) {
    list.clear();
    for (TBitmap32& picture : art::decodeRuns(runs)) {
        list.add(std::move(picture));
    }
}

} // namespace

void fillImg16(TImageList& list) {
    fill(list, art::kImg16Runs);
}

void fillImg48(TImageList& list) {
    fill(list, art::kImg48Runs);
}

TBitmap32 pictureRefresh() {
    return art::decodeRuns(art::kOverlayRuns).at(0);
}

TBitmap32 pictureBackup() {
    return art::decodeRuns(art::kOverlayRuns).at(1);
}
