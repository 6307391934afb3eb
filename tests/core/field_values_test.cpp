// Dialog field values: integers by radix, real numbers, the spin rules, and the marker filler
// every message with a %s or %d goes through.
#include "support/field_values.h"
#include "support/text_fill.h"

#include <gtest/gtest.h>

#include <climits>

namespace qv {
namespace {

TEST(FieldValues, IntegersByRadixAndRealNumbers) {
    EXPECT_EQ(parseFieldInteger(" 42 "), 42);
    EXPECT_EQ(parseFieldInteger("-7"), -7);
    EXPECT_EQ(parseFieldInteger("+7"), 7);
    EXPECT_EQ(parseFieldInteger("7f", 16), 0x7F);
    EXPECT_EQ(parseFieldInteger("7F", 16), 0x7F);
    for (const char* bad : {"", "  ", "12a", "1 2", "0x10", "99999999999999999999"})
        EXPECT_FALSE(parseFieldInteger(bad)) << bad;
    EXPECT_FALSE(parseFieldInteger("-1", 16));
    EXPECT_FALSE(parseFieldInteger("G", 16));
    EXPECT_EQ(fieldIntegerText(255, 16), "FF");
    EXPECT_EQ(fieldIntegerText(-12), "-12");

    EXPECT_DOUBLE_EQ(*parseFieldNumber("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(*parseFieldNumber(" 1e3"), 1000.0);
    EXPECT_FALSE(parseFieldNumber("2.5MHz"));
    EXPECT_FALSE(parseFieldNumber(""));
}

TEST(FieldValues, SpinWrapsOrStopsAtTheEnds) {
    struct Case {
        long long value, delta, minimum, maximum;
        SpinEnds ends;
        long long expected;
        bool stopped;
    };
    const Case cases[] = {
        {0, -1, 0, 15, SpinEnds::Wrap, 15, false}, // below 0 to the highest channel
        {15, 1, 0, 15, SpinEnds::Wrap, 0, false}, // above it to 0
        {0x7F, 1, 0, 0x7F, SpinEnds::Wrap, 0, false}, // an address in hexadecimal
        {5, 1, 0, 15, SpinEnds::Wrap, 6, false},
        {40, 1, 0, 15, SpinEnds::Wrap, 9, false}, // typed beyond the range: brought into it
        {1, -1, 1, 7, SpinEnds::Clamp, 1, true}, // a width stops at 1 and beeps
        {7, 1, 1, 7, SpinEnds::Clamp, 7, true},
        {3, 1, 1, 7, SpinEnds::Clamp, 4, false},
        {99, -1, 1, 7, SpinEnds::Clamp, 6, false},
        {LLONG_MAX, 1, 0, LLONG_MAX, SpinEnds::Clamp, LLONG_MAX, true}, // no overflow at the end
        {3, 1, 5, 4, SpinEnds::Wrap, 5, false}, // an empty range gives its minimum
    };
    for (const Case& c : cases) {
        const SpinStep step = stepSpin(c.value, c.delta, c.minimum, c.maximum, c.ends);
        EXPECT_EQ(step.value, c.expected) << c.value << " " << c.delta;
        EXPECT_EQ(step.stoppedAtEnd, c.stopped) << c.value << " " << c.delta;
    }
}

TEST(TextFill, MarkersTakeTheArgumentsInTurn) {
    EXPECT_EQ(fillMarkers("%s - S/N:%s on %s", {"QV", "A1", "USB"}), "QV - S/N:A1 on USB");
    EXPECT_EQ(fillMarkers("%d Sec.", {"8"}), "8 Sec.");
    // An argument is never read as a format; markers beyond the arguments stay.
    EXPECT_EQ(fillMarkers("Version %s", {"%s%d"}), "Version %s%d");
    EXPECT_EQ(fillMarkers("%s (Range = %d - %d)", {"Count"}), "Count (Range = %d - %d)");
    EXPECT_EQ(fillMarkers("100%", {"x"}), "100%");
    EXPECT_EQ(fillMarkers(L"%s 秒", {L"8"}), L"8 秒");
}

} // namespace
} // namespace qv
