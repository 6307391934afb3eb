// A Windows bitmap file (.BMP) from the bits of a device-independent bitmap: file header,
// information header (BITMAPINFOHEADER, uncompressed), colour table and the rows bottom-up, each
// padded to four bytes. It writes what it is given and checks the sizes; reading bits from a
// device and writing the file to disk are the caller's.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qv {

inline constexpr int bmpFileHeaderBytes = 14;
inline constexpr int bmpInfoHeaderBytes = 40;

// Bytes of one row of `width` pixels at a depth, padded to a multiple of four.
int bmpRowBytes(int width, int bitsPerPixel);

struct BmpImage {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 24; // 1, 4, 8, 16, 24 or 32
    std::span<const std::uint32_t> palette; // 0x00RRGGBB, at most 2^depth entries (depths up to 8)
    std::span<const std::uint8_t> bits; // height rows of bmpRowBytes, the bottom row first
};

// The whole file; empty when the sizes, the depth or the palette do not fit together.
std::vector<std::uint8_t> bmpFileImage(const BmpImage& image);

// What a file's headers say, for checking a written file; nothing when they are not a BMP's.
struct BmpHeader {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int paletteEntries = 0;
    int bitsOffset = 0;
};
std::optional<BmpHeader> readBmpHeader(std::span<const std::uint8_t> file);

} // namespace qv
