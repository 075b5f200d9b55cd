#pragma once
// A list of pictures of one size, drawn by index. Either the program's own pictures (32-bit with
// alpha, added from pixels or PNG files) or, once attached to the platform's small system icon list,
// the platform's icons, fetched on first use and kept. Header only (but for addPng): the canvases of
// both backends draw from it.

#include "platform/WidgetServices.h"
#include "toolkit/Component.h"
#include "toolkit/Graphics.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class TImageList : public TComponent {
public:
    TImageList(int width, int height) : FWidth(width > 0 ? width : 0), FHeight(height > 0 ? height : 0) {}

    int width() const { return FWidth; }
    int height() const { return FHeight; }
    int count() const {
        if (FSystemList != 0) {
            plat::TWidgetServices* services = plat::widgetServices();
            return services != nullptr ? services->systemIconCount(FSystemList) : 0;
        }
        return static_cast<int>(FImages.size());
    }

    // Adds a picture and answers its index, or -1 when its size is not the list's or the list shows
    // the system icons.
    int add(TBitmap32 image) {
        if (image.width != FWidth || image.height != FHeight || FSystemList != 0) {
            return -1;
        }
        FImages.push_back(std::move(image));
        return count() - 1;
    }
    // Adds width x height pixels of four bytes (red, green, blue, alpha), rows top to bottom.
    int addPixels(int width, int height, const std::uint8_t* rgba) {
        if (rgba == nullptr || width <= 0 || height <= 0) {
            return -1;
        }
        TBitmap32 image(width, height);
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            image.pixels[i] = TRGBA{rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2], rgba[4 * i + 3]};
        }
        return add(std::move(image));
    }
    // Adds a PNG file's picture; -1 when the bytes are no PNG picture of the list's size.
    int addPng(const std::vector<std::uint8_t>& png);

    // The picture at index, or nullptr outside the list.
    const TBitmap32* image(int index) const {
        if (FSystemList != 0) {
            return systemImage(index);
        }
        if (index < 0 || index >= count()) {
            return nullptr;
        }
        return &FImages[static_cast<std::size_t>(index)];
    }
    void clear() {
        FImages.clear();
        FSystemCache.clear();
        FSystemList = 0;
    }
    // Takes pictures of another size from now on (those drawn for another DPI); the list's pictures
    // are dropped.
    void resize(int width, int height) {
        clear();
        FWidth = width > 0 ? width : 0;
        FHeight = height > 0 ? height : 0;
    }

    // Shows the platform's small system icons from now on: list is the handle the shell's icon
    // query answered (0 detaches). The list's own pictures are dropped, and it takes the size of the
    // platform's icons, which follows the display scale Windows started with: those who lay out by
    // the list's size then leave room for the icons as they are drawn.
    void attachSystemList(std::uintptr_t list) {
        clear();
        FSystemList = list;
        int width = 0;
        int height = 0;
        plat::TWidgetServices* services = plat::widgetServices();
        if (list != 0 && services != nullptr && services->systemIconSize(list, width, height) && width > 0 &&
            height > 0) {
            FWidth = width;
            FHeight = height;
        }
    }
    std::uintptr_t systemList() const { return FSystemList; }

private:
    const TBitmap32* systemImage(int index) const {
        if (index < 0) {
            return nullptr;
        }
        auto found = FSystemCache.find(index);
        if (found == FSystemCache.end()) {
            plat::TWidgetServices* services = plat::widgetServices();
            if (services == nullptr) {
                return nullptr;
            }
            TBitmap32 icon = services->systemIcon(FSystemList, index);
            if (icon.empty()) {
                return nullptr; // not kept: the platform's list may grow later
            }
            found = FSystemCache.emplace(index, std::move(icon)).first;
        }
        return &found->second;
    }

    int FWidth;
    int FHeight;
    std::vector<TBitmap32> FImages;
    std::uintptr_t FSystemList = 0;
    mutable std::map<int, TBitmap32> FSystemCache;
};
