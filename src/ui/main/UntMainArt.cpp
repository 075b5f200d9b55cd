#include "ui/main/UntMainArt.h"

#include "toolkit/PngDecoder.h"

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

std::vector<TBitmap32> decodePngFiles(const TPngFile* files) {
    std::vector<TBitmap32> pictures;
    for (; files->bytes != nullptr; ++files) {
        pictures.push_back(decodePng(files->bytes, files->size));
    }
    return pictures;
}

} // namespace art

namespace {

// One group of pictures (Img16, Img48 or the overlays) as drawn at scale.
std::vector<TBitmap32> drawnAt(int scale, const std::uint32_t* runs100, const art::TPngFile* png150,
                               const art::TPngFile* png200) {
    switch (scale) {
    case 150:
        return art::decodePngFiles(png150);
    case 200:
        return art::decodePngFiles(png200);
    default:
        return art::decodeRuns(runs100);
    }
}

// Fills the list with a group of pictures of size px at 100 %; the list takes their size at dpi.
void fill(TImageList& list, int size, int dpi, const std::uint32_t* runs100, const art::TPngFile* png150,
          const art::TPngFile* png200) {
    const int scale = artScaleFor(dpi);
    list.resize(size * scale / 100, size * scale / 100);
    for (TBitmap32& picture : drawnAt(scale, runs100, png150, png200)) {
        list.add(std::move(picture));
    }
}

} // namespace

void fillImg16(TImageList& list, int dpi) {
    fill(list, 16, dpi, art::kImg16Runs, art::kImg16Png150, art::kImg16Png200);
}

void fillImg48(TImageList& list, int dpi) {
    fill(list, 48, dpi, art::kImg48Runs, art::kImg48Png150, art::kImg48Png200);
}

TBitmap32 pictureRefresh(int dpi) {
    return drawnAt(artScaleFor(dpi), art::kOverlayRuns, art::kOverlayPng150, art::kOverlayPng200).at(0);
}

TBitmap32 pictureBackup(int dpi) {
    return drawnAt(artScaleFor(dpi), art::kOverlayRuns, art::kOverlayPng150, art::kOverlayPng200).at(1);
}
