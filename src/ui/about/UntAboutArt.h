#pragma once
// The About window's pictures: the banner, the link icons (grey at rest, coloured under the
// pointer), the information sign and the status panel's icons. They are drawn by
// art/make_about_art.py, which writes them as PNG files and as data (UntAboutArtData.cpp), so the
// window has the same pictures in every build.

#include "toolkit/Graphics.h"
#include "toolkit/ImageList.h"

#include <cstdint>
#include <vector>

namespace aboutart {

// Generated PNG files.
extern const std::vector<std::uint8_t> kBanner;
extern const std::vector<std::uint8_t> kLinkLinkedinGrey;
extern const std::vector<std::uint8_t> kLinkLinkedinColour;
extern const std::vector<std::uint8_t> kLinkTwitterGrey;
extern const std::vector<std::uint8_t> kLinkTwitterColour;
extern const std::vector<std::uint8_t> kLinkFacebookGrey;
extern const std::vector<std::uint8_t> kLinkFacebookColour;
extern const std::vector<std::uint8_t> kInfo16;
extern const std::vector<std::uint8_t> kStatus48_0;
extern const std::vector<std::uint8_t> kStatus48_1;
extern const std::vector<std::uint8_t> kStatus48_2;
extern const std::vector<std::uint8_t> kStatus48_3;

} // namespace aboutart

// The indexes of the status icons in the window's Img48.
constexpr int kStatusIconWaiting = 0;
constexpr int kStatusIconTrusted = 1;
constexpr int kStatusIconNotSigned = 2;
constexpr int kStatusIconNotValid = 3;

// Fills the window's Img48 with the status icons, in the order of the indexes above.
void fillAboutImg48(TImageList& list);
