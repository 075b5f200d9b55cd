#pragma once
// Helpers for pixel tests on the raster canvas: colour texts that read as #RRGGBB, region checks,
// and a guard that saves the picture as a PNG when the test has failed, so the failure can be seen.

#include "platform/headless/RasterCanvas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace rastertest {

inline std::string hex(TColor color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", redOf(color), greenOf(color), blueOf(color));
    return text;
}

// Every pixel of rect (clipped to the surface) has colour; reports the first that has not.
inline testing::AssertionResult regionIs(const plat::headless::TRasterCanvas& canvas, const TRect& rect,
                                         TColor color) {
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, canvas.height()); ++y) {
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, canvas.width()); ++x) {
            if (canvas.at(x, y) != color) {
                return testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                                   << hex(canvas.at(x, y)) << ", expected " << hex(color);
            }
        }
    }
    return testing::AssertionSuccess();
}

// Number of pixels of colour in rect.
inline int countOf(const plat::headless::TRasterCanvas& canvas, const TRect& rect, TColor color) {
    int count = 0;
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, canvas.height()); ++y) {
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, canvas.width()); ++x) {
            count += canvas.at(x, y) == color ? 1 : 0;
        }
    }
    return count;
}

// The smallest rectangle holding every pixel of colour in rect; empty when there is none.
inline TRect boundsOf(const plat::headless::TRasterCanvas& canvas, const TRect& rect, TColor color) {
    TRect bounds{0, 0, 0, 0};
    bool any = false;
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, canvas.height()); ++y) {
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, canvas.width()); ++x) {
            if (canvas.at(x, y) != color) {
                continue;
            }
            bounds = any ? TRect{std::min(bounds.left, x), std::min(bounds.top, y),
                                 std::max(bounds.right, x + 1), std::max(bounds.bottom, y + 1)}
                         : TRect{x, y, x + 1, y + 1};
            any = true;
        }
    }
    return bounds;
}

// Saves the canvas as <temp>/kw-pixels/<suite>.<test>[-<name>].png if the test has failed by the
// end of the scope (always when KW_SAVE_PICTURES is set, to look at them).
class TPngOnFailure {
public:
    explicit TPngOnFailure(const plat::headless::TRasterCanvas& canvas, std::string name = {})
        : FCanvas(canvas), FName(std::move(name)) {}
    ~TPngOnFailure() {
        if (!testing::Test::HasFailure() && std::getenv("KW_SAVE_PICTURES") == nullptr) {
            return;
        }
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string file = std::string(info->test_suite_name()) + "." + info->name();
        if (!FName.empty()) {
            file += "-" + FName;
        }
        for (char& c : file) {
            if (c == '/') {
                c = '_';
            }
        }
        std::error_code error;
        const auto folder = std::filesystem::temp_directory_path(error) / "kw-pixels";
        std::filesystem::create_directories(folder, error);
        const auto path = folder / (file + ".png");
        if (FCanvas.savePng(path.string())) {
            std::fprintf(stderr, "picture: %s\n", path.string().c_str());
        }
    }
    TPngOnFailure(const TPngOnFailure&) = delete;
    TPngOnFailure& operator=(const TPngOnFailure&) = delete;

private:
    const plat::headless::TRasterCanvas& FCanvas;
    std::string FName;
};

} // namespace rastertest
