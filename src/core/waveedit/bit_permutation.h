// Moving a set of bits of a 64-bit word to other places in one step: eight table look-ups, one per
// byte of the source, whatever the order of the bits. Copy packs a selection's bits into the
// clipboard word with it, Paste and Input Bus Data spread a word back onto a row's bits.
#pragma once

#include <array>
#include <cstdint>

namespace qv {

class BitPermutation {
  public:
    // Source bit `from` goes to bit `to` of the result; bits outside 0..63 are ignored.
    void add(int from, int to) {
        if (from < 0 || from > 63 || to < 0 || to > 63) return;
        const int byte = from / 8, bit = from % 8;
        for (int value = 0; value < 256; ++value)
            if (value & (1 << bit))
                table_[static_cast<std::size_t>(byte)][static_cast<std::size_t>(value)] |= std::uint64_t{1} << to;
        targets_ |= std::uint64_t{1} << to;
    }
    std::uint64_t apply(std::uint64_t word) const {
        std::uint64_t out = 0;
        for (std::size_t byte = 0; byte < 8; ++byte) out |= table_[byte][(word >> (8 * byte)) & 0xFF];
        return out;
    }
    // Every bit some source bit goes to.
    std::uint64_t targets() const { return targets_; }

  private:
    std::array<std::array<std::uint64_t, 256>, 8> table_{};
    std::uint64_t targets_ = 0;
};

} // namespace qv
