#include "toolkit/ArtScale.h"

#include <cstdlib>

int artScaleFor(int dpi) {
    if (dpi <= kArtDesignDpi) {
        return 100;
    }
    constexpr int kScales[] = {100, 150, 200};
    int best = kScales[0];
    for (int scale : kScales) {
        // Distances in DPI; a tie keeps the smaller scale, found first.
        if (std::abs(dpi - kArtDesignDpi * scale / 100) < std::abs(dpi - kArtDesignDpi * best / 100)) {
            best = scale;
        }
    }
    return best;
}
