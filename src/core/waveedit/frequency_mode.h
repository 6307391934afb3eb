// The frequency mode: the clock source of output. Bit 0 internal clock, bit 1 input CKI1, bit 2
// input CKI2, bit 3 inverted. Names as text vector files write them (the settings dialog shows
// the same names in mixed case).
#pragma once

#include <string_view>

namespace qv {

inline constexpr int frequencyModeCount = 16;
// Index = mode; modes 0 and 8 have no name and are written as a blank.
inline constexpr std::string_view frequencyModeNames[frequencyModeCount] = {
    " ",     "INTERNAL",           "CKI1",           "INTERNAL & CKI1",
    "CKI2",  "INTERNAL & CKI2",    "CKI1 & CKI2",    "INTERNAL & CKI1 & CKI2",
    " ",     "!INTERNAL",          "!CKI1",          "!(INTERNAL & CKI1)",
    "!CKI2", "!(INTERNAL & CKI2)", "!(CKI1 & CKI2)", "!(INTERNAL & CKI1 & CKI2)",
};

// A blank for modes without a name (0, 8 and anything outside 0..15).
constexpr std::string_view frequencyModeName(int mode) {
    return mode >= 0 && mode < frequencyModeCount ? frequencyModeNames[mode] : frequencyModeNames[0];
}

inline constexpr int cardTypeWithoutCki2 = 18;

// External-clock modes without the internal clock: the base frequency is not used. Card type 18
// has no CKI2, so only 2 and 10 count there.
constexpr bool externalClockOnly(int mode, int cardType) {
    if (cardType == cardTypeWithoutCki2) return mode == 2 || mode == 10;
    return mode == 2 || mode == 4 || mode == 6 || mode == 10 || mode == 12 || mode == 14;
}

} // namespace qv
