#pragma once
// Reads a PNG file into a 32-bit picture with straight alpha, without any library: zlib inflate
// (stored, fixed and dynamic Huffman blocks), the five row filters, every colour type at every bit
// depth the format allows (palette with transparency, grey, grey with alpha, RGB, RGBA, 16-bit
// samples reduced to 8), and Adam7 interlacing. Checksums are not verified.

#include "toolkit/Graphics.h"

#include <cstdint>
#include <vector>

// The picture, or an empty one when the bytes are not a PNG file this reader understands.
TBitmap32 decodePng(const std::vector<std::uint8_t>& png);
