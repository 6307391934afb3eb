// Time texts and bus value texts of the wave view.
#include "waveedit/texts.h"

#include "waveedit/document.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

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

// Six pixels a character, as a fixed-pitch font would measure.
int sixPixelsEach(std::string_view text) { return 6 * static_cast<int>(text.size()); }

TEST(Texts, WhatFitsBetweenTwoCrossings) {
    struct Case {
        std::uint64_t value;
        int width;
        GroupType type;
        int pixels;
        const char* text;
    };
    const Case values[] = {
        {0xAB, 8, GroupType::Hex, 18, "AB"}, // 12 pixels and 3 either side
        {0xAB, 8, GroupType::Hex, 17, ""},   {0xAB, 8, GroupType::Bin, 54, "10101011"},
        {0xAB, 8, GroupType::Bin, 53, ""}, // a value that does not fit is left out, never cut
        {7, 3, GroupType::Dec, 12, "7"},     {7, 3, GroupType::Dec, 0, ""},
    };
    for (const Case& c : values) {
        SCOPED_TRACE(testing::Message() << c.text << " in " << c.pixels);
        EXPECT_EQ(runValueText(c.value, c.width, c.type, c.pixels, sixPixelsEach), c.text);
    }
    struct Mnemonic {
        const char* mnemonic;
        int pixels;
        const char* text;
    };
    const Mnemonic mnemonics[] = {
        {"LC 300", 42, "LC 300"},
        {"LC 300", 41, "LC"},
        {"LC 300", 18, "LC"},
        {"LC 300", 17, ""},
        {"SE !(EV1#EV3)", 40, "SE"},
        {"NP", 18, "NP"},
        {"NP", 17, ""},
        {"WE", 5, ""},
        {"", 100, ""},
    };
    for (const Mnemonic& m : mnemonics) {
        SCOPED_TRACE(testing::Message() << m.mnemonic << " in " << m.pixels);
        EXPECT_EQ(runMnemonicText(m.mnemonic, m.pixels, sixPixelsEach), m.text);
    }
}

TEST(Texts, MarkingStatusAndTip) {
    const MarkStatusTexts status = markStatusTexts(10, 24, 10000000, Language::English);
    EXPECT_EQ(status.start, "Start: 1 us");
    EXPECT_EQ(status.end, "End: 2.5 us");
    EXPECT_EQ(status.duration, "Mark Duration: 1.5 us");
    EXPECT_EQ(markStatusTexts(0, 0, 3000000, Language::SimplifiedChinese).duration, "标记长度: 333.333 ns");

    struct Case {
        int start, end, frequency;
        const char* tip;
    };
    const Case cases[] = {
        {10, 24, 10000000, "S:(10)     1 us\r\nE:(25)   2.5 us\r\nD:(15)   1.5 us"},
        {5, 999, 1000000, "S:(0005)     5 us\r\nE:(1000)     1 ms\r\nD:(0995)   995 us"},
        {0, 0, 3000000, "S:(0)     0 ns\r\nE:(1)333.333 ns\r\nD:(1)333.333 ns"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tip);
        EXPECT_EQ(markTipText(c.start, c.end, c.frequency, Language::English), c.tip);
        EXPECT_EQ(markTipText(c.start, c.end, c.frequency, Language::TraditionalChinese), c.tip);
    }
    EXPECT_EQ(editModeText(true, Language::English), "INS");
    EXPECT_EQ(editModeText(false, Language::English), "OVR");
    EXPECT_EQ(editModeText(false, Language::TraditionalChinese), "改寫");
}

TEST(Texts, CursorDeltaAndWaiting) {
    EXPECT_EQ(cursorDeltaText(10, 25, 10000000, Language::English), "A to B: 1.5 us (15 samples)");
    EXPECT_EQ(cursorDeltaText(25, 10, 10000000, Language::English), "A to B: 1.5 us (15 samples)");
    EXPECT_EQ(cursorDeltaText(7, 7, 3000000, Language::English), "A to B: 0 ns (0 samples)");
    EXPECT_EQ(cursorDeltaText(0, 1, 3000000, Language::SimplifiedChinese), "A 到 B：333.333 ns (1 个采样)");
    EXPECT_EQ(cursorDeltaText(-1, 4, 10000000, Language::English), "A to B: -");
    EXPECT_EQ(cursorDeltaText(4, -1, 10000000, Language::English), "A to B: -");

    std::vector<Sample> image(8, Sample{1} << 12);
    EXPECT_FALSE(selectsExternalEvent(image));
    image[3] |= 0x600; // SE Key
    image[4] |= 0x700; // WE
    EXPECT_FALSE(selectsExternalEvent(image));
    image[7] |= 0x609; // SE EV1, on the last sample
    EXPECT_TRUE(selectsExternalEvent(image));
    EXPECT_EQ(waitingText(hotKeySpace, false, Language::English), "Waiting at WE: press Space");
    EXPECT_EQ(waitingText(hotKeyReturn, true, Language::English),
              "Waiting at WE: press Return or give the external event");
    EXPECT_EQ(waitingText(hotKeySpace, false, Language::TraditionalChinese), "在 WE 等待: 請按 空白鍵");
}

} // namespace
} // namespace qv
