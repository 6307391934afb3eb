// Stored window placements against the screens: a title bar no work area shows, or a size too
// small to use, counts as not stored.
#include "app/placement.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace qv {
namespace {

TEST(Placement, UsableOnlyWhereAScreenShowsTheTitleBar) {
    const std::vector<ScreenArea> oneScreen{{0, 0, 1280, 984}};
    const std::vector<ScreenArea> twoScreens{{0, 0, 1280, 984}, {1280, -200, 2560, 824}};
    const int caption = 20;
    struct Case {
        Placement placement;
        const std::vector<ScreenArea>* screens;
        bool usable;
    };
    const Case cases[] = {
        {{0, 0, 639, 479, 0}, &oneScreen, true},
        {{5000, 5000, 5640, 5480, 0}, &oneScreen, false}, // Left/Top 5000
        {{600, 100, 200, 500, 0}, &oneScreen, false}, // Right less than Left
        {{100, 100, 300, 500, 0}, &oneScreen, false}, // narrower than the minimum
        {{100, 100, 700, 200, 0}, &oneScreen, false}, // lower than the minimum
        {{1250, 100, 1850, 500, 0}, &oneScreen, false}, // 30 pixels of title shown
        {{1240, 100, 1840, 500, 0}, &oneScreen, true}, // 40 pixels
        {{100, -15, 700, 400, 0}, &oneScreen, false}, // title above the screen
        {{100, -10, 700, 400, 0}, &oneScreen, true}, // half of it shown
        {{100, 975, 700, 1400, 0}, &oneScreen, false}, // 9 pixels of title above the task bar
        {{100, 974, 700, 1400, 0}, &oneScreen, true}, // 10
        {{1500, -150, 2100, 300, 1}, &twoScreens, true}, // on the second screen
        {{1500, -150, 2100, 300, 1}, &oneScreen, false},
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0}, &oneScreen, false}, // no overflow
        {{INT_MIN, 0, INT_MAX, 600, 0}, &oneScreen, true},
        {{0, 0, 639, 479, 0}, nullptr, false}, // no screens at all
    };
    for (const Case& c : cases) {
        const std::vector<ScreenArea> none;
        const auto& screens = c.screens ? *c.screens : none;
        EXPECT_EQ(placementUsable(c.placement, screens, caption), c.usable)
            << c.placement.left << "," << c.placement.top << "," << c.placement.right << "," << c.placement.bottom;
        EXPECT_EQ(usablePlacement(c.placement, screens, caption), c.usable ? c.placement : Placement{});
    }
}

} // namespace
} // namespace qv
