#include "toolkit/PngDecoder.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace {

// A malformed file: caught in decodePng, which then answers an empty picture.
struct TBadPng : std::runtime_error {
    TBadPng() : std::runtime_error("malformed PNG") {}
};

// ---- Inflate (RFC 1951).

class TBitReader {
public:
    TBitReader(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}

    unsigned bits(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) {
            value |= bit() << i;
        }
        return value;
    }
    unsigned bit() {
        if (FPos >= FSize) {
            throw TBadPng();
        }
        const unsigned value = (FData[FPos] >> FBit) & 1u;
        if (++FBit == 8) {
            FBit = 0;
            ++FPos;
        }
        return value;
    }
    void alignToByte() {
        if (FBit != 0) {
            FBit = 0;
            ++FPos;
        }
    }
    std::uint8_t byte() {
        if (FPos >= FSize) {
            throw TBadPng();
        }
        return FData[FPos++];
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
    int FBit = 0;
};

// A canonical Huffman code: counts of codes per length and the symbols in code order.
struct THuffman {
    std::array<std::uint16_t, 16> counts{};
    std::vector<std::uint16_t> symbols;

    explicit THuffman(const std::vector<std::uint8_t>& lengths) {
        for (std::uint8_t length : lengths) {
            ++counts[length];
        }
        counts[0] = 0;
        std::array<std::uint16_t, 16> offsets{};
        for (int len = 1; len < 16; ++len) {
            offsets[len] = static_cast<std::uint16_t>(offsets[len - 1] + counts[len - 1]);
        }
        symbols.resize(lengths.size());
        for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
            if (lengths[symbol] != 0) {
                symbols[offsets[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
            }
        }
    }

    int decode(TBitReader& in) const {
        int code = 0;
        int first = 0;
        int index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= static_cast<int>(in.bit());
            const int count = counts[len];
            if (code - count < first) {
                return symbols[static_cast<std::size_t>(index + (code - first))];
            }
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        throw TBadPng();
    }
};

constexpr std::uint16_t kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                         31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                         2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistBase[] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                       33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                       1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistExtra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                       6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void inflateBlock(TBitReader& in, std::vector<std::uint8_t>& out, const THuffman& lengths,
                  const THuffman& distances, std::size_t limit) {
    for (;;) {
        const int symbol = lengths.decode(in);
        if (symbol < 256) {
            out.push_back(static_cast<std::uint8_t>(symbol));
        } else if (symbol == 256) {
            return;
        } else {
            const int li = symbol - 257;
            if (li >= 29) {
                throw TBadPng();
            }
            const std::size_t length = kLengthBase[li] + in.bits(kLengthExtra[li]);
            const int di = distances.decode(in);
            if (di >= 30) {
                throw TBadPng();
            }
            const std::size_t distance = kDistBase[di] + in.bits(kDistExtra[di]);
            if (distance > out.size()) {
                throw TBadPng();
            }
            const std::size_t from = out.size() - distance;
            for (std::size_t i = 0; i < length; ++i) {
                out.push_back(out[from + i]);
            }
        }
        if (out.size() > limit) {
            throw TBadPng(); // more data than the picture can hold
        }
    }
}

// The zlib stream's data; limit bounds the output, so a hostile file cannot exhaust memory.
std::vector<std::uint8_t> inflateZlib(const std::vector<std::uint8_t>& data, std::size_t limit) {
    if (data.size() < 2 || (data[0] & 0x0F) != 8 || ((data[0] << 8) | data[1]) % 31 != 0 ||
        (data[1] & 0x20)) {
        throw TBadPng();
    }
    TBitReader in(data.data() + 2, data.size() - 2);
    std::vector<std::uint8_t> out;
    bool last = false;
    while (!last) {
        last = in.bit() != 0;
        const unsigned type = in.bits(2);
        if (type == 0) {
            in.alignToByte();
            const unsigned len = in.byte() | (in.byte() << 8);
            const unsigned nlen = in.byte() | (in.byte() << 8);
            if ((len ^ 0xFFFFu) != nlen || out.size() + len > limit) {
                throw TBadPng();
            }
            for (unsigned i = 0; i < len; ++i) {
                out.push_back(in.byte());
            }
        } else if (type == 1) {
            std::vector<std::uint8_t> lengths(288);
            for (int i = 0; i < 288; ++i) {
                lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
            }
            const THuffman fixedLengths(lengths);
            const THuffman fixedDistances(std::vector<std::uint8_t>(30, 5));
            inflateBlock(in, out, fixedLengths, fixedDistances, limit);
        } else if (type == 2) {
            const unsigned hlit = in.bits(5) + 257;
            const unsigned hdist = in.bits(5) + 1;
            const unsigned hclen = in.bits(4) + 4;
            static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                        11, 4,  12, 3, 13, 2, 14, 1, 15};
            std::vector<std::uint8_t> codeLengths(19);
            for (unsigned i = 0; i < hclen; ++i) {
                codeLengths[kOrder[i]] = static_cast<std::uint8_t>(in.bits(3));
            }
            const THuffman codeCode(codeLengths);
            std::vector<std::uint8_t> lengths;
            while (lengths.size() < hlit + hdist) {
                const int symbol = codeCode.decode(in);
                if (symbol < 16) {
                    lengths.push_back(static_cast<std::uint8_t>(symbol));
                } else {
                    std::uint8_t value = 0;
                    unsigned repeat = 0;
                    if (symbol == 16) {
                        if (lengths.empty()) {
                            throw TBadPng();
                        }
                        value = lengths.back();
                        repeat = 3 + in.bits(2);
                    } else if (symbol == 17) {
                        repeat = 3 + in.bits(3);
                    } else {
                        repeat = 11 + in.bits(7);
                    }
                    lengths.insert(lengths.end(), repeat, value);
                }
            }
            if (lengths.size() != hlit + hdist) {
                throw TBadPng();
            }
            const THuffman dynLengths(std::vector<std::uint8_t>(lengths.begin(), lengths.begin() + hlit));
            const THuffman dynDistances(std::vector<std::uint8_t>(lengths.begin() + hlit, lengths.end()));
            inflateBlock(in, out, dynLengths, dynDistances, limit);
        } else {
            throw TBadPng();
        }
    }
    return out;
}

// ---- PNG.

std::uint32_t be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

struct THeader {
    int width = 0;
    int height = 0;
    int depth = 0;
    int colorType = 0;
    int interlace = 0;

    int channels() const {
        switch (colorType) {
        case 0:
        case 3:
            return 1;
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            throw TBadPng();
        }
    }
    int bitsPerPixel() const { return channels() * depth; }
    // Bytes of one filtered row of w pixels, without its filter byte.
    std::size_t rowBytes(int w) const { return (static_cast<std::size_t>(w) * bitsPerPixel() + 7) / 8; }
};

int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p;
    const int pb = p > b ? p - b : b - p;
    const int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) {
        return a;
    }
    return pb <= pc ? b : c;
}

// Undoes the row filters of a w x h pass starting at data[pos]; answers the raw rows.
std::vector<std::uint8_t> unfilter(const THeader& h, const std::vector<std::uint8_t>& data, std::size_t& pos,
                                   int w, int rows) {
    const std::size_t stride = h.rowBytes(w);
    const int bpp = std::max(1, h.bitsPerPixel() / 8);
    std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(rows));
    for (int y = 0; y < rows; ++y) {
        if (pos + 1 + stride > data.size()) {
            throw TBadPng();
        }
        const std::uint8_t filter = data[pos++];
        std::uint8_t* row = out.data() + stride * static_cast<std::size_t>(y);
        const std::uint8_t* prior = y > 0 ? row - stride : nullptr;
        for (std::size_t x = 0; x < stride; ++x) {
            const int raw = data[pos + x];
            const int a = x >= static_cast<std::size_t>(bpp) ? row[x - bpp] : 0;
            const int b = prior != nullptr ? prior[x] : 0;
            const int c = prior != nullptr && x >= static_cast<std::size_t>(bpp) ? prior[x - bpp] : 0;
            int value = 0;
            switch (filter) {
            case 0:
                value = raw;
                break;
            case 1:
                value = raw + a;
                break;
            case 2:
                value = raw + b;
                break;
            case 3:
                value = raw + (a + b) / 2;
                break;
            case 4:
                value = raw + paeth(a, b, c);
                break;
            default:
                throw TBadPng();
            }
            row[x] = static_cast<std::uint8_t>(value);
        }
        pos += stride;
    }
    return out;
}

struct TPalette {
    std::vector<TRGBA> colors;
    // Transparency of grey or RGB pictures: the one sample value (in the picture's depth) that is clear.
    bool hasKey = false;
    std::array<unsigned, 3> key{};
};

// Sample i of a row at the header's depth.
unsigned sampleAt(const THeader& h, const std::uint8_t* row, std::size_t i) {
    switch (h.depth) {
    case 8:
        return row[i];
    case 16:
        return (static_cast<unsigned>(row[2 * i]) << 8) | row[2 * i + 1];
    default: {
        const std::size_t bit = i * static_cast<std::size_t>(h.depth);
        const unsigned shift = 8 - h.depth - static_cast<unsigned>(bit % 8);
        return (row[bit / 8] >> shift) & ((1u << h.depth) - 1);
    }
    }
}

std::uint8_t to8(const THeader& h, unsigned sample) {
    switch (h.depth) {
    case 16:
        return static_cast<std::uint8_t>(sample >> 8);
    case 8:
        return static_cast<std::uint8_t>(sample);
    default:
        return static_cast<std::uint8_t>(sample * 255 / ((1u << h.depth) - 1));
    }
}

TRGBA pixelAt(const THeader& h, const TPalette& palette, const std::uint8_t* row, int x) {
    const std::size_t n = static_cast<std::size_t>(h.channels());
    const std::size_t i = static_cast<std::size_t>(x) * n;
    switch (h.colorType) {
    case 3: {
        const unsigned index = sampleAt(h, row, i);
        if (index >= palette.colors.size()) {
            throw TBadPng();
        }
        return palette.colors[index];
    }
    case 0: {
        const unsigned s = sampleAt(h, row, i);
        const std::uint8_t g = to8(h, s);
        return TRGBA{g, g, g, static_cast<std::uint8_t>(palette.hasKey && s == palette.key[0] ? 0 : 255)};
    }
    case 4: {
        const std::uint8_t g = to8(h, sampleAt(h, row, i));
        return TRGBA{g, g, g, to8(h, sampleAt(h, row, i + 1))};
    }
    case 2: {
        const unsigned r = sampleAt(h, row, i);
        const unsigned g = sampleAt(h, row, i + 1);
        const unsigned b = sampleAt(h, row, i + 2);
        const bool clear =
            palette.hasKey && r == palette.key[0] && g == palette.key[1] && b == palette.key[2];
        return TRGBA{to8(h, r), to8(h, g), to8(h, b), static_cast<std::uint8_t>(clear ? 0 : 255)};
    }
    default:
        return TRGBA{to8(h, sampleAt(h, row, i)), to8(h, sampleAt(h, row, i + 1)),
                     to8(h, sampleAt(h, row, i + 2)), to8(h, sampleAt(h, row, i + 3))};
    }
}

bool validDepth(int colorType, int depth) {
    switch (colorType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

TBitmap32 decode(const std::vector<std::uint8_t>& png) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) {
        throw TBadPng();
    }
    THeader h;
    TPalette palette;
    std::vector<std::uint8_t> idat;
    bool headerSeen = false;
    std::size_t pos = 8;
    for (;;) {
        if (pos + 12 > png.size()) {
            throw TBadPng();
        }
        const std::uint32_t length = be32(png.data() + pos);
        const std::uint8_t* type = png.data() + pos + 4;
        if (length > png.size() - pos - 12) {
            throw TBadPng();
        }
        const std::uint8_t* body = png.data() + pos + 8;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (length < 13) {
                throw TBadPng();
            }
            const std::uint32_t w = be32(body);
            const std::uint32_t hh = be32(body + 4);
            // Pictures of the program are small; a bound keeps a hostile size from exhausting memory.
            if (w == 0 || hh == 0 || w > 16384 || hh > 16384) {
                throw TBadPng();
            }
            h.width = static_cast<int>(w);
            h.height = static_cast<int>(hh);
            h.depth = body[8];
            h.colorType = body[9];
            h.interlace = body[12];
            if (!validDepth(h.colorType, h.depth) || body[10] != 0 || body[11] != 0 || h.interlace > 1) {
                throw TBadPng();
            }
            headerSeen = true;
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            for (std::uint32_t i = 0; i + 2 < length; i += 3) {
                palette.colors.push_back(TRGBA{body[i], body[i + 1], body[i + 2], 255});
            }
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            if (h.colorType == 3) {
                for (std::uint32_t i = 0; i < length && i < palette.colors.size(); ++i) {
                    palette.colors[i].a = body[i];
                }
            } else if (h.colorType == 0 && length >= 2) {
                palette.hasKey = true;
                palette.key[0] = (body[0] << 8) | body[1];
            } else if (h.colorType == 2 && length >= 6) {
                palette.hasKey = true;
                for (int c = 0; c < 3; ++c) {
                    palette.key[c] = (body[2 * c] << 8) | body[2 * c + 1];
                }
            }
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            idat.insert(idat.end(), body, body + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        pos += 12 + length;
    }
    if (!headerSeen || (h.colorType == 3 && palette.colors.empty())) {
        throw TBadPng();
    }

    // The passes: the whole picture, or the seven of Adam7 (start x, start y, step x, step y).
    struct TPass {
        int x0, y0, dx, dy;
    };
    static constexpr TPass kWhole[] = {{0, 0, 1, 1}};
    static constexpr TPass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const TPass* passes = h.interlace != 0 ? kAdam7 : kWhole;
    const int passCount = h.interlace != 0 ? 7 : 1;

    std::size_t limit = 0;
    for (int p = 0; p < passCount; ++p) {
        const int pw = (h.width - passes[p].x0 + passes[p].dx - 1) / passes[p].dx;
        const int ph = (h.height - passes[p].y0 + passes[p].dy - 1) / passes[p].dy;
        if (pw > 0 && ph > 0) {
            limit += (h.rowBytes(pw) + 1) * static_cast<std::size_t>(ph);
        }
    }
    const std::vector<std::uint8_t> data = inflateZlib(idat, limit);

    TBitmap32 picture(h.width, h.height);
    std::size_t at = 0;
    for (int p = 0; p < passCount; ++p) {
        const TPass& pass = passes[p];
        const int pw = (h.width - pass.x0 + pass.dx - 1) / pass.dx;
        const int ph = (h.height - pass.y0 + pass.dy - 1) / pass.dy;
        if (pw <= 0 || ph <= 0) {
            continue;
        }
        const std::vector<std::uint8_t> rows = unfilter(h, data, at, pw, ph);
        const std::size_t stride = h.rowBytes(pw);
        for (int y = 0; y < ph; ++y) {
            const std::uint8_t* row = rows.data() + stride * static_cast<std::size_t>(y);
            for (int x = 0; x < pw; ++x) {
                picture.at(pass.x0 + x * pass.dx, pass.y0 + y * pass.dy) = pixelAt(h, palette, row, x);
            }
        }
    }
    return picture;
}

} // namespace

TBitmap32 decodePng(const std::vector<std::uint8_t>& png) {
    try {
        return decode(png);
    } catch (const TBadPng&) {
        return {};
    } catch (const std::bad_alloc&) {
        return {};
    }
}
