// Nearest achievable frequency of both model families, and the frequency text.
#include "device/frequency.h"

#include "app/models.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Frequency, HundredMegahertzModelsInEveryDirection) {
    struct Case {
        int request;
        int nearest, atOrAbove, atOrBelow;
    };
    const Case cases[] = {
        {312, 310, 315, 310}, // ranges 1 and 10 tie at 310: the first is kept
        {313, 315, 315, 310},
        {310, 310, 310, 310},
        {1503, 1505, 1505, 1500}, // a later range (20) comes closer than range 2
        {751, 750, 755, 750},
        {70000000, 70000000, 70000000, 70000000},
        {74950000, 74900000, 75000000, 74900000}, // halfway between two steps: the lower one
        {74999999, 75000000, 75000000, 74900000},
        {75000000, 75000000, 75000000, 75000000},
        {75000001, 75000000, 80000000, 75000000},
        {77500000, 75000000, 80000000, 75000000},
        {77500001, 80000000, 80000000, 75000000},
        {79999999, 80000000, 80000000, 75000000},
        {80000000, 80000000, 80000000, 80000000},
        {80000001, 80000000, 100000000, 80000000},
        {90000000, 80000000, 100000000, 80000000},
        {90000001, 100000000, 100000000, 80000000},
        {100000000, 100000000, 100000000, 100000000},
        {2000000000, 100000000, 100000000, 100000000},
        {65, 65, 65, 65},
        {66, 65, 70, 65},
        {64, 65, 65, 50},
        {59, 65, 65, 50},
        {58, 50, 65, 50},
        {51, 50, 65, 50},
        {50, 50, 50, 50},
        {49, 50, 50, 10},
        {31, 50, 50, 10},
        {30, 10, 50, 10},
        {11, 10, 50, 10},
        {10, 10, 10, 10},
        {9, 10, 10, 5},
        {8, 10, 10, 5},
        {7, 5, 10, 5},
        {6, 5, 10, 5},
        {5, 5, 5, 5},
        {1, 5, 5, 5},
        {0, 5, 5, 5},
        {-40, 5, 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        EXPECT_EQ(nearestFrequency100MHz(c.request, frequencyNearest), c.nearest);
        EXPECT_EQ(nearestFrequency100MHz(c.request, frequencyAtOrAbove), c.atOrAbove);
        EXPECT_EQ(nearestFrequency100MHz(c.request, frequencyAtOrBelow), c.atOrBelow);
    }
}

TEST(Frequency, OtherDirectionsFindOnlyAchievableRequests) {
    EXPECT_EQ(nearestFrequency100MHz(312, 3), -1);
    EXPECT_EQ(nearestFrequency100MHz(310, 3), 310);
    EXPECT_EQ(nearestFrequency100MHz(70000000, -1), 70000000);
    EXPECT_EQ(nearestFrequency100MHz(1, 7), -1);
    EXPECT_EQ(nearestFrequency100MHz(100000000, 3), -1); // fixed values belong to directions 0-2
}

TEST(Frequency, TwoHundredMegahertzModels) {
    struct Case {
        int request, expected;
    };
    const Case cases[] = {
        {80000000, 80000000}, // 80 GHz in mHz is not strictly below range 0's start: range 1
        {100000000, 100000000},
        {100062499, 100000000},
        {100062500, 100125000}, // rounds half up
        {200000000, 200000000},
        {200000001, 200000000},
        {250000000, 200000000}, // capped
        {5003125, 5006250},
        {1500, 1500},
        {1001, 1000},
        {1000, 1000},
        {2, 2},
        {1, 1},
        {0, 1},
        {-5, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        EXPECT_EQ(nearestFrequency200MHz(c.request, 200000000), c.expected);
    }
}

TEST(Frequency, ModelChoosesTheRule) {
    EXPECT_EQ(nearestAchievableFrequency(312, frequencyAtOrAbove, capabilitiesFor(0xC350)), 315);
    EXPECT_EQ(nearestAchievableFrequency(312, frequencyAtOrAbove, capabilitiesFor(0xCD16)), 312);
    EXPECT_EQ(nearestAchievableFrequency(150000000, frequencyNearest, capabilitiesFor(0xB816)), 150000000);
    EXPECT_EQ(nearestAchievableFrequency(150000000, frequencyNearest, capabilitiesFor(0)), 100000000); // demo
}

TEST(Frequency, Text) {
    struct Case {
        double hertz;
        const char* text;
    };
    const Case cases[] = {
        {100000000, "100 MHz"},
        {12500000, "12.5 MHz"},
        {1234567, "1.234567 MHz"},
        {12345678, "12.345678 MHz"},
        {74900000, "74.9 MHz"},
        {1000000, "1 MHz"},
        {999999, "999.999 KHz"},
        {1000, "1 KHz"},
        {1005, "1.005 KHz"},
        {65, "65 Hz"},
        {0, "0 Hz"},
        {0.5, "0.5 Hz"},
        {-1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(frequencyText(c.hertz), c.text);
    }
}

} // namespace
} // namespace qv
