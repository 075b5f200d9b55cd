#include "toolkit/PngDecoder.h"

#include <climits>
#include <cstring>
#include <new>

// stb_image's implementation lives in this file alone: PNG only, from memory, no file functions.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
// Pictures of the program are small; the bound keeps a hostile size from exhausting memory.
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

namespace {

// Frees stb_image's pixels on every path.
struct TStbPixels {
    stbi_uc* data;
    ~TStbPixels() { stbi_image_free(data); }
};

} // namespace

TBitmap32 decodePng(const std::vector<std::uint8_t>& png) {
    return decodePng(png.data(), png.size());
}

TBitmap32 decodePng(const std::uint8_t* png, std::size_t size) {
    if (png == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        return {};
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    const TStbPixels pixels{
        stbi_load_from_memory(png, static_cast<int>(size), &width, &height, &channels, STBI_rgb_alpha)};
    if (pixels.data == nullptr || width <= 0 || height <= 0) {
        return {};
    }
    static_assert(sizeof(TRGBA) == 4, "TRGBA is the four bytes r, g, b, a");
    try {
        TBitmap32 picture(width, height);
        std::memcpy(picture.pixels.data(), pixels.data, picture.pixels.size() * sizeof(TRGBA));
        return picture;
    } catch (const std::bad_alloc&) {
        return {};
    }
}
