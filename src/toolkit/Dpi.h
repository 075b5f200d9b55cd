#pragma once
// Display scale. The windows' lengths are designed in pixels at 96 dots per inch; a window shown at
// another DPI scales each of them with these helpers, so that every length rounds the same way.
// Header only, so that the platform backends can use them without linking the toolkit.

#include <cstdint>

constexpr int kDesignDpi = 96;

// number * numerator / denominator, rounded to the nearest with halves away from zero, as the
// platform's MulDiv; a denominator of 0 or less leaves number as it is.
constexpr int mulDiv(int number, int numerator, int denominator) {
    if (denominator <= 0) {
        return number;
    }
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t half = denominator / 2;
    const std::int64_t rounded =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(rounded);
}

// A 96-DPI design length at dpi.
constexpr int scaled(int length, int dpi) {
    return mulDiv(length, dpi, kDesignDpi);
}

// A length laid out at fromDpi, laid out again at toDpi. It goes through its 96-DPI design length, so
// that a length of the design lands where scaling the design puts it, whatever steps of scale the
// window took on the way (a straight ratio would drift a pixel at each step).
constexpr int rescaled(int length, int fromDpi, int toDpi) {
    return scaled(mulDiv(length, kDesignDpi, fromDpi), toDpi);
}
