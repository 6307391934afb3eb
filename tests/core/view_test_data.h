// Test data for the wave view: rows over chosen bits, random rows, and random images whose
// channels count like a counter or hold random levels for random lengths, with a few commands.
#pragma once

#include "waveedit/view_rows.h"

#include <initializer_list>
#include <random>
#include <vector>

namespace qv::test {

inline ViewRow rowOf(std::initializer_list<int> bits, bool command = false) {
    ViewRow row;
    for (int bit : bits) {
        row.bits[static_cast<std::size_t>(row.width++)] = static_cast<std::uint8_t>(bit);
        row.mask |= Sample{1} << bit;
    }
    row.bus = row.width > 1;
    row.command = command;
    return row;
}

inline ViewRow randomRow(std::mt19937_64& random) {
    if (random() % 8 == 0) return rowOf({11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, true);
    ViewRow row;
    const int width = random() % 3 == 0 ? 1 : 1 + static_cast<int>(random() % 16);
    for (int k = 0; k < width; ++k) {
        const int bit = 12 + static_cast<int>(random() % 52);
        row.bits[static_cast<std::size_t>(row.width++)] = static_cast<std::uint8_t>(bit);
        row.mask |= Sample{1} << bit;
    }
    row.bus = width > 1;
    return row;
}

// Counter-like channels, or random levels held for random lengths; a few commands either way.
inline std::vector<Sample> randomImage(std::mt19937_64& random, int samples, bool counter) {
    std::vector<Sample> image(static_cast<std::size_t>(samples));
    const int period = 1 + static_cast<int>(random() % 40);
    Sample level = 0;
    for (int i = 0; i < samples; ++i) {
        if (counter) {
            level = static_cast<Sample>(i / period) << 12;
        } else if (random() % (1 + random() % 64) == 0) {
            level = random() & ~commandMask;
        }
        Sample s = level;
        if (random() % 97 == 0) s |= random() & commandMask;
        image[static_cast<std::size_t>(i)] = s;
    }
    return image;
}

} // namespace qv::test
