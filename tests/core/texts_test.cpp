// Time texts and bus value texts of the wave view.
#include "waveedit/texts.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Texts, TimeOfSamples) {
    struct Case {
        std::int64_t samples;
        int frequency;
        const char* text;
    };
    const Case cases[] = {
        {1, 10000000, "100 ns"},
        {1, 3000000, "333.333 ns"},
        {3, 3000000, "1 us"}, // 1,000,000 ps has 7 digits
        {15, 10000000, "1.5 us"},
        {7, 3000000, "2.333 us"},
        {1, 200000000, "5 ns"},
        {1, 65, "15.385 ms"}, // not a multiple of 1000 Hz: whole nanoseconds
        {1, 123456789, "8 ns"},
        {999999, 1000000000, "999.999 us"},
        {1000000, 1000, "1000 S"},
        {2097152, 1, "2097152 S"},
        {0, 10000000, "0 ns"},
        {-1, 10000000, "-100 ns"},
        {1, 0, ""},
        {9000000000LL, 1, "9000000000 S"}, // no overflow on absurd counts
        {9000000000LL, 7, "1285714285 S"},
        {1, -10, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(timeText(c.samples, c.frequency), c.text);
    }
}

TEST(Texts, BusValues) {
    struct Case {
        std::uint64_t value;
        int width;
        GroupType type;
        const char* text;
    };
    const Case cases[] = {
        {0x5, 8, GroupType::Hex, "05"},
        {0xABC, 12, GroupType::Hex, "ABC"},
        {0x1F, 5, GroupType::Hex, "1F"},
        {1, 1, GroupType::Hex, "1"},
        {~0ull, 64, GroupType::Hex, "FFFFFFFFFFFFFFFF"},
        {0x820, 12, GroupType::Command, "820"},
        {255, 8, GroupType::Dec, "255"},
        {0, 8, GroupType::Dec, "0"},
        {~0ull, 64, GroupType::Dec, "18446744073709551615"},
        {8, 8, GroupType::Oct, "010"},
        {0, 64, GroupType::Oct, "0000000000000000000000"},
        {5, 4, GroupType::Bin, "0101"},
        {1, 1, GroupType::Bin, "1"},
        {0x8000000000000001ull, 64, GroupType::Bin, "1000000000000000000000000000000000000000000000000000000000000001"},
        {'A', 8, GroupType::Asc, "'A'"},
        {0x141, 9, GroupType::Asc, "'A'"}, // the low byte
        {31, 8, GroupType::Asc, "'.'"},
        {32, 8, GroupType::Asc, "' '"},
        {0xF0, 4, GroupType::Hex, "0"}, // bits above the width are not part of the value
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(busValueText(c.value, c.width, c.type), c.text);
    }
}

} // namespace
} // namespace qv
