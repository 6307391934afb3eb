// Field offsets follow BITMAPFILEHEADER and BITMAPINFOHEADER; little-endian through the shared helpers.
#include "support/bmp_file.h"

#include "support/little_endian.h"

#include <algorithm>
#include <cstring>

namespace qv {
namespace {

bool validDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

void writeLe16(std::span<std::uint8_t> bytes, std::size_t offset, int value) {
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

int readLe16(std::span<const std::uint8_t> bytes, std::size_t offset) { return bytes[offset] | bytes[offset + 1] << 8; }

} // namespace

int bmpRowBytes(int width, int bitsPerPixel) {
    return static_cast<int>((std::int64_t{std::max(width, 0)} * bitsPerPixel + 31) / 32 * 4);
}

std::vector<std::uint8_t> bmpFileImage(const BmpImage& image) {
    if (image.width <= 0 || image.height <= 0 || !validDepth(image.bitsPerPixel)) return {};
    const std::int64_t rowBytes = bmpRowBytes(image.width, image.bitsPerPixel);
    const std::int64_t bitsBytes = rowBytes * image.height;
    const std::size_t maxPalette = image.bitsPerPixel <= 8 ? std::size_t{1} << image.bitsPerPixel : 0;
    if (static_cast<std::int64_t>(image.bits.size()) != bitsBytes || image.palette.size() > maxPalette) return {};
    const std::int64_t bitsOffset = bmpFileHeaderBytes + bmpInfoHeaderBytes + 4 * std::int64_t(image.palette.size());
    const std::int64_t fileBytes = bitsOffset + bitsBytes;
    if (fileBytes > INT32_MAX) return {};
    std::vector<std::uint8_t> file(static_cast<std::size_t>(fileBytes), 0);
    std::span<std::uint8_t> out(file);
    out[0] = 'B';
    out[1] = 'M';
    writeLe32(out, 2, static_cast<std::int32_t>(fileBytes));
    writeLe32(out, 10, static_cast<std::int32_t>(bitsOffset));
    writeLe32(out, 14, bmpInfoHeaderBytes);
    writeLe32(out, 18, image.width);
    writeLe32(out, 22, image.height); // positive: bottom-up
    writeLe16(out, 26, 1); // planes
    writeLe16(out, 28, image.bitsPerPixel);
    writeLe32(out, 30, 0); // BI_RGB
    writeLe32(out, 34, static_cast<std::int32_t>(bitsBytes));
    writeLe32(out, 38, 3780); // 96 dots per inch in pixels per metre
    writeLe32(out, 42, 3780);
    writeLe32(out, 46, static_cast<std::int32_t>(image.palette.size()));
    writeLe32(out, 50, 0);
    std::size_t at = bmpFileHeaderBytes + bmpInfoHeaderBytes;
    for (std::uint32_t rgb : image.palette) {
        out[at] = static_cast<std::uint8_t>(rgb); // RGBQUAD: blue, green, red, reserved
        out[at + 1] = static_cast<std::uint8_t>(rgb >> 8);
        out[at + 2] = static_cast<std::uint8_t>(rgb >> 16);
        at += 4;
    }
    std::memcpy(file.data() + bitsOffset, image.bits.data(), image.bits.size());
    return file;
}

std::optional<BmpHeader> readBmpHeader(std::span<const std::uint8_t> file) {
    if (file.size() < bmpFileHeaderBytes + bmpInfoHeaderBytes || file[0] != 'B' || file[1] != 'M') return std::nullopt;
    BmpHeader header;
    header.bitsOffset = readLe32(file, 10);
    header.width = readLe32(file, 18);
    header.height = readLe32(file, 22);
    header.bitsPerPixel = readLe16(file, 28);
    header.paletteEntries = readLe32(file, 46);
    if (header.bitsPerPixel <= 8 && header.paletteEntries == 0) header.paletteEntries = 1 << header.bitsPerPixel;
    const std::int64_t end =
        std::int64_t{header.bitsOffset} + std::int64_t{bmpRowBytes(header.width, header.bitsPerPixel)} * header.height;
    if (!validDepth(header.bitsPerPixel) || header.width <= 0 || header.height <= 0 || header.bitsOffset < 54 ||
        end > static_cast<std::int64_t>(file.size()))
        return std::nullopt;
    return header;
}

} // namespace qv
