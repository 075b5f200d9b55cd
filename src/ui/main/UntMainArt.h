#pragma once
// The main window's pictures: the two image lists and the two overlay pictures. They are drawn by
// art/make_art.py, which writes them both as PNG files for the program's resources and as data
// (UntMainArtData.cpp) read here, so the window has the same pictures in every build.

#include "toolkit/Graphics.h"
#include "toolkit/ImageList.h"

#include <cstdint>
#include <vector>

namespace art {

// Generated data: per picture its width, height and run count, then (count, 0xAABBGGRR) per run.
extern const std::uint32_t kImg16Runs[];
extern const std::uint32_t kImg48Runs[];
extern const std::uint32_t kOverlayRuns[];

// The pictures of one generated array, in order.
std::vector<TBitmap32> decodeRuns(const std::uint32_t* runs);

} // namespace art

// The 22 pictures of Img16 (menus, toolbar, dialog buttons, tree state images).
void fillImg16(TImageList& list);
// The 9 alert icons of Img48.
void fillImg48(TImageList& list);
// The overlay's pictures: circling arrows (scans) and a down arrow (backup and removal).
TBitmap32 pictureRefresh();
TBitmap32 pictureBackup();
