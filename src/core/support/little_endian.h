// Little-endian fields of the file formats, read and written at explicit offsets. Callers check
// that offset + 4 lies inside the buffer before they read; these helpers never read past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qv {

inline std::int32_t readLe32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    const std::uint8_t* p = bytes.data() + offset;
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                     std::uint32_t{p[3]} << 24);
}

inline void writeLe32(std::span<std::uint8_t> bytes, std::size_t offset, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    std::uint8_t* p = bytes.data() + offset;
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace qv
