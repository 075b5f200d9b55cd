#pragma once
// The About window's pictures: the banner, the link icons (grey at rest, coloured under the
// pointer), the information sign and the status panel's icons. They are drawn by
// art/make_about_art.py, which writes them as PNG files and as data (UntAboutArtData.cpp), so the
// window has the same pictures in every build. Each is drawn at 100, 150 and 200 %
// (toolkit/ArtScale.h); the window takes those of the scale nearest its DPI.

#include "toolkit/ArtScale.h"
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

// The window's pictures at one scale (the same at 150 and 200 % as above at 100 %).
struct TAboutPictures {
    const std::vector<std::uint8_t>* banner;
    const std::vector<std::uint8_t>* linkedinGrey;
    const std::vector<std::uint8_t>* linkedinColour;
    const std::vector<std::uint8_t>* twitterGrey;
    const std::vector<std::uint8_t>* twitterColour;
    const std::vector<std::uint8_t>* facebookGrey;
    const std::vector<std::uint8_t>* facebookColour;
    const std::vector<std::uint8_t>* info16;
    const std::vector<std::uint8_t>* status48[4];
};
extern const TAboutPictures kPictures100;
extern const TAboutPictures kPictures150;
extern const TAboutPictures kPictures200;

} // namespace aboutart

// The pictures drawn at the scale nearest to dpi.
const aboutart::TAboutPictures& aboutPictures(int dpi = kArtDesignDpi);

// The indexes of the status icons in the window's Img48.
constexpr int kStatusIconWaiting = 0;
constexpr int kStatusIconTrusted = 1;
constexpr int kStatusIconNotSigned = 2;
constexpr int kStatusIconNotValid = 3;

// Fills the window's Img48 with the status icons, in the order of the indexes above, drawn for dpi;
// the list takes their size (48, 72 or 96 px).
void fillAboutImg48(TImageList& list, int dpi = kArtDesignDpi);
