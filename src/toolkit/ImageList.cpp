#include "toolkit/ImageList.h"
#include "toolkit/PngDecoder.h"

int TImageList::addPng(const std::vector<std::uint8_t>& png) {
    TBitmap32 picture = decodePng(png);
    if (picture.empty()) {
        return -1;
    }
    return add(std::move(picture));
}
