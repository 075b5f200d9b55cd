#pragma once
// The main window's pictures: the two image lists and the two overlay pictures, at each scale the
// art is drawn at (toolkit/ArtScale.h). They are drawn by art/make_art.py, which writes them both as
// PNG files for the program's resources and as data (UntMainArtData.cpp) read here, so the window
// has the same pictures in every build.

#include "toolkit/ArtScale.h"
#include "toolkit/Graphics.h"
#include "toolkit/ImageList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace art {

// Generated data at 100 %: per picture its width, height and run count, then (count, 0xAABBGGRR)
// per run.
extern const std::uint32_t kImg16Runs[];
extern const std::uint32_t kImg48Runs[];
extern const std::uint32_t kOverlayRuns[];

// Generated data at 150 and 200 %: PNG files (a third of the runs' size), an empty entry ends each.
struct TPngFile {
    const std::uint8_t* bytes;
    std::size_t size;
};
extern const TPngFile kImg16Png150[];
extern const TPngFile kImg48Png150[];
extern const TPngFile kOverlayPng150[];
extern const TPngFile kImg16Png200[];
extern const TPngFile kImg48Png200[];
extern const TPngFile kOverlayPng200[];

// The pictures of one generated array, in order.
std::vector<TBitmap32> decodeRuns(const std::uint32_t* runs);
std::vector<TBitmap32> decodePngFiles(const TPngFile* files);

} // namespace art

// The loaders take the window's DPI and give the pictures drawn at the scale nearest to it; the list
// takes their size (16, 24 or 32 px for Img16; 48, 72 or 96 for Img48).
// The 22 pictures of Img16 (menus, toolbar, dialog buttons, tree state images).
void fillImg16(TImageList& list, int dpi = kArtDesignDpi);
// The 9 alert icons of Img48.
void fillImg48(TImageList& list, int dpi = kArtDesignDpi);
// The overlay's pictures (128, 192 or 256 px): circling arrows (scans) and a down arrow (backup and
// removal).
TBitmap32 pictureRefresh(int dpi = kArtDesignDpi);
TBitmap32 pictureBackup(int dpi = kArtDesignDpi);
