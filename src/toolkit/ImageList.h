#pragma once
// A list of pictures of one size, drawn by index. Header only: the canvases of both backends draw
// from it.

#include "toolkit/Graphics.h"

#include <utility>
#include <vector>

class TImageList {
public:
    TImageList(int width, int height) : FWidth(width > 0 ? width : 0), FHeight(height > 0 ? height : 0) {}

    int width() const { return FWidth; }
    int height() const { return FHeight; }
    int count() const { return static_cast<int>(FImages.size()); }

    // Adds a picture and answers its index, or -1 when its size is not the list's.
    int add(TBitmap32 image) {
        if (image.width != FWidth || image.height != FHeight) {
            return -1;
        }
        FImages.push_back(std::move(image));
        return count() - 1;
    }
    // The picture at index, or nullptr outside the list.
    const TBitmap32* image(int index) const {
        if (index < 0 || index >= count()) {
            return nullptr;
        }
        return &FImages[static_cast<std::size_t>(index)];
    }
    void clear() { FImages.clear(); }

private:
    int FWidth;
    int FHeight;
    std::vector<TBitmap32> FImages;
};
