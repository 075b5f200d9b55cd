#pragma once
// Writes a truecolour PNG without any library: the image data goes into stored (uncompressed)
// deflate blocks, with the zlib Adler-32 and the chunk CRC-32 computed here.

#include <cstdint>
#include <string>
#include <vector>

namespace plat::headless {

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t adler32(const std::uint8_t* data, std::size_t size);

// rgb holds width * height pixels of three bytes, rows top to bottom. Empty on bad arguments.
std::vector<std::uint8_t> encodePng(int width, int height, const std::vector<std::uint8_t>& rgb);
// False when the file cannot be written.
bool writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

} // namespace plat::headless
