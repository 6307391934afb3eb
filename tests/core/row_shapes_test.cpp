// Row polylines and bus shapes from the column summary against what a walk over every shown sample
// says, at zoom ins, 1:1 and zoom outs, on random images with commands.
#include "waveedit/row_shapes.h"

#include "view_test_data.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

namespace qv {
namespace {

using test::randomImage;
using test::rowOf;

struct Scene {
    std::vector<Sample> image;
    ViewPosition view;
    ViewArea area{300, 20, 0, 400, 24};
    int lastShown = -1;
    std::uint64_t value(const ViewRow& row, int s) const { return rowValue(row, image[static_cast<std::size_t>(s)]); }
    // The right edge of the last shown sample's column, within the area.
    int drawnRight() const {
        const bool shared = view.scale.set() ? view.scale.coarse() : view.zoom.out > 0;
        return std::min(shared ? x(lastShown) + 1 : x(std::int64_t{lastShown} + 1), area.right());
    }
    int x(std::int64_t s) const { return static_cast<int>(sampleX(view, area, s)); }
};

Scene randomScene(std::mt19937_64& random) {
    Scene scene;
    const int usable = 1 + static_cast<int>(random() % 20000);
    scene.image = randomImage(random, usable, random() % 4 == 0);
    scene.view.zoom =
        random() % 3 == 0 ? Zoom{static_cast<int>(random() % 7), 0} : Zoom{0, static_cast<int>(random() % 9)};
    // A printed page's scale: any ratio, finer or coarser than a pixel a sample.
    if (random() % 3 == 0)
        scene.view.scale = {1 + static_cast<std::int64_t>(random() % 1500), 1 + static_cast<std::int64_t>(random() % 1500)};
    scene.view.firstSample = random() % 4 == 0 ? 0 : static_cast<int>(random() % usable);
    scene.area.width = 50 + static_cast<int>(random() % 900);
    scene.lastShown = lastShownSample(scene.view, scene.area, usable);
    return scene;
}

TEST(RowShapes, OneBitRowPolylineFollowsEverySample) {
    std::mt19937_64 random(21);
    ColumnSummary summary;
    std::vector<LevelPoint> points;
    for (int trial = 0; trial < 300; ++trial) {
        const Scene scene = randomScene(random);
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        buildViewSummary(summary, scene.image, scene.view, scene.area.width);
        const ViewRow row = rowOf({12 + static_cast<int>(random() % 50)});
        bitRowPolyline(scene.view, scene.area, summary, row, points);
        ASSERT_FALSE(points.empty());
        // The reference: x of every change and the level each column ends with.
        std::set<int> changes;
        std::map<int, bool> endLevel;
        for (int s = scene.view.firstSample; s <= scene.lastShown; ++s) {
            const int x = scene.x(s);
            if (x >= scene.area.right()) break;
            if (s > 0 && scene.value(row, s) != scene.value(row, s - 1)) changes.insert(x);
            endLevel[x] = scene.value(row, s) != 0;
        }
        const int before = std::max(scene.view.firstSample - 1, 0);
        EXPECT_EQ(points.front(), (LevelPoint{scene.area.left, scene.value(row, before) != 0}));
        EXPECT_EQ(points.back().high, scene.value(row, scene.lastShown) != 0);
        EXPECT_EQ(points.back().x, scene.drawnRight());
        std::set<int> vertical;
        for (std::size_t i = 1; i < points.size(); ++i) {
            ASSERT_LE(points[i - 1].x, points[i].x);
            if (points[i - 1].x == points[i].x) {
                ASSERT_NE(points[i - 1].high, points[i].high);
                vertical.insert(points[i].x);
            } else {
                ASSERT_EQ(points[i - 1].high, points[i].high) << "a slanted segment at " << points[i].x;
            }
            if (i + 1 == points.size() || points[i + 1].x != points[i].x) {
                if (vertical.count(points[i].x)) {
                    EXPECT_EQ(points[i].high, endLevel[points[i].x]) << points[i].x;
                }
            }
        }
        EXPECT_EQ(vertical, changes);
    }
}

TEST(RowShapes, BusCrossingsAndRunsFollowEverySample) {
    std::mt19937_64 random(22);
    ColumnSummary summary;
    BusShape shape;
    for (int trial = 0; trial < 300; ++trial) {
        const Scene scene = randomScene(random);
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        buildViewSummary(summary, scene.image, scene.view, scene.area.width);
        const int low = 12 + static_cast<int>(random() % 40);
        const ViewRow row = rowOf({low + 3, low + 1, low});
        busRowShape(scene.view, scene.area, summary, row, shape);
        std::vector<int> crossings;
        for (int s = std::max(scene.view.firstSample, 1); s <= scene.lastShown; ++s) {
            const int x = scene.x(s);
            if (x >= scene.area.right()) break;
            if (scene.value(row, s) != scene.value(row, s - 1) && (crossings.empty() || crossings.back() != x))
                crossings.push_back(x);
        }
        EXPECT_EQ(shape.crossings, crossings);
        int from = scene.area.left;
        for (const BusRun& run : shape.runs) {
            ASSERT_EQ(run.xFrom, from);
            ASSERT_LT(run.xFrom, run.xTo);
            const int lastInRun =
                std::min(static_cast<int>(sampleAtX(scene.view, scene.area, run.xTo)) - 1, scene.lastShown);
            EXPECT_EQ(run.value, scene.value(row, lastInRun)) << run.xFrom;
            from = run.xTo;
        }
        EXPECT_EQ(from, scene.drawnRight());
    }
}

TEST(RowShapes, CommandCrossingsWhereCommandsEnd) {
    std::mt19937_64 random(23);
    ColumnSummary summary;
    BusShape shape;
    const ViewRow command = rowOf({11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, true);
    for (int trial = 0; trial < 300; ++trial) {
        const Scene scene = randomScene(random);
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        buildViewSummary(summary, scene.image, scene.view, scene.area.width);
        busRowShape(scene.view, scene.area, summary, command, shape);
        std::vector<int> crossings;
        std::map<int, int> shownAt; // crossing x -> the last command ending there
        for (int e = std::max(scene.view.firstSample - 1, 0); e < scene.lastShown; ++e) {
            if (!commandEndsAt(scene.image[static_cast<std::size_t>(e)])) continue;
            const int x = scene.x(std::int64_t{e} + 1);
            if (x >= scene.area.right()) break;
            if (crossings.empty() || crossings.back() != x) crossings.push_back(x);
            shownAt[x] = e;
        }
        EXPECT_EQ(shape.crossings, crossings);
        for (const BusRun& run : shape.runs) {
            const bool lastRun = &run == &shape.runs.back() && !shownAt.count(run.xTo);
            EXPECT_EQ(run.commandSample, lastRun ? scene.lastShown : shownAt[run.xTo]) << run.xTo;
        }
    }
}

TEST(RowShapes, Examples) {
    // 1:1 over eight samples: LLHHLHHH on channel 0; JP 2 ending at sample 5.
    std::vector<Sample> image(8);
    const char levels[] = "LLHHLHHH";
    for (int i = 0; i < 8; ++i) image[static_cast<std::size_t>(i)] = levels[i] == 'H' ? channelBit(0) : 0;
    image[3] |= 0x80E;
    image[4] |= 0x200;
    image[5] |= 0x100;
    const ViewPosition view{{2, 0}, 0, 0, {}}; // four pixels a sample
    const ViewArea area{100, 0, 400, 100, 24};
    ColumnSummary summary;
    buildViewSummary(summary, image, view, area.width);
    std::vector<LevelPoint> points;
    bitRowPolyline(view, area, summary, rowOf({12}), points);
    const std::vector<LevelPoint> expected{{100, false}, {108, false}, {108, true}, {116, true},
                                           {116, false}, {120, false}, {120, true}, {132, true}};
    EXPECT_EQ(points, expected);
    BusShape shape;
    busRowShape(view, area, summary, rowOf({11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, true), shape);
    EXPECT_EQ(shape.crossings, (std::vector<int>{124})); // operand words end nothing
    EXPECT_EQ(shape.runs, (std::vector<BusRun>{{100, 124, 0, 5}, {124, 132, 0, 7}}));
    // A bit that never changes is one straight line.
    bitRowPolyline(view, area, summary, rowOf({20}), points);
    EXPECT_EQ(points, (std::vector<LevelPoint>{{100, false}, {132, false}}));
    // A pulse inside one column at a zoom out draws a full-height line and comes back.
    const ViewPosition out{{0, 3}, 0, 0, {}};
    buildViewSummary(summary, image, out, area.width);
    bitRowPolyline(out, area, summary, rowOf({12}), points);
    EXPECT_EQ(points, (std::vector<LevelPoint>{{100, false}, {100, true}, {101, true}}));
}

} // namespace
} // namespace qv
