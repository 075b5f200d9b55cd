#pragma once
// Reads a PNG file into a 32-bit picture with straight alpha. The decoding is stb_image's (Debian's
// libstb-dev), built here for PNG alone: every colour type and bit depth, palette and colour-key
// transparency, 16-bit samples reduced to 8, and Adam7 interlacing.

#include "toolkit/Graphics.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The picture, or an empty one when the bytes are not a PNG file the decoder understands.
TBitmap32 decodePng(const std::vector<std::uint8_t>& png);
// The same for bytes in memory (the PNG files compiled into the program).
TBitmap32 decodePng(const std::uint8_t* png, std::size_t size);
