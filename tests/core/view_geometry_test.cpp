// Zoom steps and their enabling, sample <-> x at every zoom, centring, scroll ranges, rows and the
// label column's splitters.
#include "waveedit/view_geometry.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

constexpr int usable = 2097152 - 24;
constexpr Splitters d() { return defaultSplitters; }

TEST(ViewGeometry, ZoomSteps) {
    struct Case {
        Zoom from;
        int usableSamples, areaWidth;
        Zoom in, out;
        bool canIn, canOut;
    };
    const Case cases[] = {
        {{0, 0}, usable, 1000, {1, 0}, {0, 1}, true, true},
        {{0, 3}, usable, 1000, {0, 2}, {0, 4}, true, true},
        {{5, 0}, usable, 1000, {6, 0}, {4, 0}, true, true},
        {{6, 0}, usable, 1000, {6, 0}, {5, 0}, false, true}, // a sample is 64 pixels: no further in
        {{0, 11}, usable, 1920, {0, 10}, {0, 11}, true, false}, // 1024 columns fit in 1920
        {{0, 10}, usable, 1920, {0, 9}, {0, 11}, true, true}, // 2048 columns do not
        {{0, 0}, 1000, 1000, {1, 0}, {0, 0}, true, false}, // exactly as wide as the area
        {{0, 0}, 1001, 1000, {1, 0}, {0, 1}, true, true},
        {{2, 0}, 100, 1000, {3, 0}, {2, 0}, true, false}, // 400 pixels wide already fits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from.in << "/" << c.from.out << " " << c.usableSamples);
        EXPECT_EQ(canZoomIn(c.from), c.canIn);
        EXPECT_EQ(canZoomOut(c.from, c.usableSamples, c.areaWidth), c.canOut);
        EXPECT_EQ(zoomedIn(c.from), c.in);
        EXPECT_EQ(zoomedOut(c.from, c.usableSamples, c.areaWidth), c.out);
    }
}

TEST(ViewGeometry, SettingsZoomIsMadeValid) {
    EXPECT_EQ(normaliseZoom({9, 0}), (Zoom{6, 0}));
    EXPECT_EQ(normaliseZoom({-1, -4}), (Zoom{0, 0}));
    EXPECT_EQ(normaliseZoom({2, 3}), (Zoom{2, 0}));
    EXPECT_EQ(normaliseZoom({0, 99}), (Zoom{0, maxZoomOut}));
}

TEST(ViewGeometry, SampleXAndSampleAtX) {
    const ViewArea area{305, 40, 800, 400};
    struct Case {
        Zoom zoom;
        int first;
        std::int64_t sample, x;
    };
    const Case cases[] = {
        {{0, 0}, 0, 0, 305}, {{0, 0}, 100, 150, 355}, {{6, 0}, 10, 11, 369}, // 64 pixels a sample
        {{2, 0}, 0, 3, 317}, {{0, 3}, 0, 16, 307},    {{0, 3}, 0, 23, 307}, // 8 samples a column
        {{0, 3}, 8, 0, 304}, {{0, 1}, 10, 9, 304}, // left of the first sample: rounded down
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.zoom.in << "/" << c.zoom.out << " s=" << c.sample);
        const ViewPosition view{c.zoom, c.first, 0, {}};
        EXPECT_EQ(sampleX(view, area, c.sample), c.x);
    }
    // Every x lands on the first sample of its column and that sample is drawn at x's column.
    std::mt19937 random(5);
    for (int trial = 0; trial < 2000; ++trial) {
        const Zoom zoom =
            random() % 2 ? Zoom{static_cast<int>(random() % 7), 0} : Zoom{0, static_cast<int>(random() % 12)};
        const ViewPosition view{zoom, static_cast<int>(random() % 100000), 0, {}};
        const std::int64_t x = area.left + static_cast<std::int64_t>(random() % 800);
        const std::int64_t s = sampleAtX(view, area, x);
        const std::int64_t sx = sampleX(view, area, s);
        EXPECT_LE(sx, x);
        EXPECT_GT(sx + std::max<std::int64_t>(1, std::int64_t{1} << zoom.in), x);
        EXPECT_EQ(sampleAtX(view, area, sx), s);
        if (zoom.out > 0) {
            EXPECT_EQ(s % (1 << zoom.out), view.firstSample % (1 << zoom.out));
        }
    }
}

TEST(ViewGeometry, CentringHomeAndEnd) {
    EXPECT_EQ(centredFirstSample({0, 0}, 800, 1000), 600);
    EXPECT_EQ(centredFirstSample({0, 0}, 800, 100), 0); // not below 0
    EXPECT_EQ(centredFirstSample({3, 0}, 800, 1000), 950); // 100 samples shown
    EXPECT_EQ(centredFirstSample({0, 2}, 800, 10000), 8400); // 3200 samples shown
    EXPECT_EQ(homeFirstSample({0, 2}, 800), 0);
    EXPECT_EQ(endFirstSample({0, 0}, 800, 5000), 4599);
    EXPECT_EQ(lastShownSample({{0, 0}, 4599, 0, {}}, {0, 0, 800, 100}, 5000), 4999);
    EXPECT_EQ(lastShownSample({{0, 0}, 100, 0, {}}, {0, 0, 800, 100}, 5000), 899);
    EXPECT_EQ(lastShownSample({{0, 0}, 5000, 0, {}}, {0, 0, 800, 100}, 5000), -1);
    // Keeping a sample in view scrolls no more than needed.
    EXPECT_EQ(firstSampleShowing({0, 0}, 800, 1000, 1500), 1000);
    EXPECT_EQ(firstSampleShowing({0, 0}, 800, 1000, 1800), 1001);
    EXPECT_EQ(firstSampleShowing({0, 0}, 800, 1000, 990), 990);
}

TEST(ViewGeometry, ScrollRanges) {
    const ViewArea area{300, 30, 800, 240, 24}; // ten rows fit
    EXPECT_EQ(horizontalScroll({{0, 0}, 123, 0, {}}, 800, 5000), (ScrollRange{0, 5398, 800, 123}));
    EXPECT_EQ(horizontalScroll({{0, 0}, 9000, 0, {}}, 800, 5000), (ScrollRange{0, 5398, 800, 4599}));
    EXPECT_EQ(horizontalScroll({{0, 11}, 0, 0, {}}, 1920, usable).page, 1920 * 2048);
    EXPECT_EQ(verticalScroll({{}, 3, 0, {}}, area, 25), (ScrollRange{0, 24, 10, 0}));
    EXPECT_EQ(verticalScroll({{}, 0, 20, {}}, area, 25), (ScrollRange{0, 24, 10, 15}));
    EXPECT_EQ(verticalScroll({{}, 0, 2, {}}, area, 4), (ScrollRange{0, 9, 10, 0})); // all rows fit
    struct Case {
        ScrollAction action;
        int track, sample, row;
    };
    const Case cases[] = {
        {ScrollAction::LineBack, 0, 950, 4}, {ScrollAction::LineForward, 0, 1050, 6},
        {ScrollAction::PageBack, 0, 200, 0}, {ScrollAction::PageForward, 0, 1800, 15},
        {ScrollAction::Track, 77, 77, 15},   {ScrollAction::Track, -5, 0, 0},
        {ScrollAction::ToStart, 0, 0, 0},    {ScrollAction::ToEnd, 0, 4599, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.action));
        const ViewPosition view{{0, 0}, 1000, 5, {}};
        EXPECT_EQ(scrolledFirstSample(view, 800, 5000, c.action, c.track), c.sample);
        EXPECT_EQ(scrolledFirstRow(view, area, 25, c.action, c.track), c.row);
    }
}

TEST(ViewGeometry, Rows) {
    const ViewArea area{300, 30, 800, 250, 24};
    const ViewPosition view{{}, 0, 3, {}};
    EXPECT_EQ(rowsThatFit(area), 10);
    EXPECT_EQ(rowAtY(view, area, 20, 30), 3);
    EXPECT_EQ(rowAtY(view, area, 20, 53), 3);
    EXPECT_EQ(rowAtY(view, area, 20, 54), 4);
    EXPECT_EQ(rowAtY(view, area, 20, 29), -1);
    EXPECT_EQ(rowAtY(view, area, 5, 90), -1); // below the last row
    EXPECT_EQ(rowTop(view, area, 5), 78);
    EXPECT_EQ(highLevelY(78, 24), 81);
    EXPECT_EQ(lowLevelY(78, 24), 98);
    EXPECT_EQ(clampFirstRow(area, 12, 7), 2);
    EXPECT_EQ(clampFirstRow(area, 12, -1), 0);
}

TEST(ViewGeometry, Splitters) {
    const Splitters d = defaultSplitters;
    EXPECT_EQ(normaliseSplitters(d, 1000), d);
    EXPECT_EQ(normaliseSplitters({150, 120, 300}, 1000), d); // out of order
    EXPECT_EQ(normaliseSplitters({5, 120, 300}, 1000), d); // name part too narrow
    EXPECT_EQ(normaliseSplitters({100, 200, 980}, 1000), d); // no room left for the waveform
    EXPECT_EQ(normaliseSplitters(d, 200), (Splitters{24, 45, 58})); // defaults do not fit either
    // Stored: the name part never narrower than a name can be read in, at the limit and just below.
    EXPECT_EQ(splittersToStore(d), d);
    EXPECT_EQ(splittersToStore({60, 90, 120}), (Splitters{60, 90, 120}));
    EXPECT_EQ(splittersToStore({59, 90, 120}), (Splitters{60, 91, 121}));
    EXPECT_EQ(splittersToStore({24, 45, 58}), (Splitters{60, 81, 94}));
    EXPECT_EQ(splittersToStore({150, 120, 300}), d);
    struct Case {
        int index, x;
        Splitters moved;
    };
    const Case cases[] = {
        {0, 50, {50, 200, 300}},   {0, 190, {179, 200, 300}}, {0, 0, {24, 200, 300}},
        {1, 90, {100, 121, 300}},  {1, 400, {100, 287, 300}}, {2, 250, {100, 200, 250}},
        {2, 100, {100, 200, 213}}, {2, 990, {100, 200, 965}}, {3, 50, d},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << " to " << c.x);
        EXPECT_EQ(movedSplitter(d, c.index, c.x, 1000), c.moved);
    }
    EXPECT_EQ(waveformLeft(d), 303);
    struct Part {
        int x;
        LabelPart part;
        int splitter;
    };
    const Part parts[] = {
        {0, LabelPart::Name, -1},        {97, LabelPart::Name, -1},      {98, LabelPart::None, 0},
        {102, LabelPart::None, 0},       {103, LabelPart::Channels, -1}, {199, LabelPart::None, 1},
        {250, LabelPart::RowSelect, -1}, {302, LabelPart::None, 2},      {303, LabelPart::None, -1},
        {-1, LabelPart::None, -1},
    };
    for (const Part& p : parts) {
        SCOPED_TRACE(p.x);
        EXPECT_EQ(labelPartAt(d, p.x), p.part);
        EXPECT_EQ(splitterAt(d, p.x), p.splitter);
    }
}

TEST(ViewGeometry, LayoutFromAndToSettings) {
    const ViewArea area{303, 40, 1617, 480, 24}; // a client 1920 wide
    struct Case {
        const char* name;
        WaveEditSettings settings;
        Splitters splitters;
        Zoom zoom;
        int firstSample, firstRow;
    };
    auto settings = [](int sp1, int sp2, int sp3, int in, int out, int start, int row) {
        WaveEditSettings s;
        s.paneDivision1 = sp1, s.paneDivision2 = sp2, s.paneDivision3 = sp3;
        s.zoomIn = in, s.zoomOut = out, s.startTime = start, s.startLabel = row;
        return s;
    };
    const Case cases[] = {
        {"kept", settings(120, 220, 320, 0, 3, 5000, 4), {120, 220, 320}, {0, 3}, 5000, 4},
        {"zoom beyond reach", settings(100, 200, 300, 0, 20, 0, 0), d(), {0, 11}, 0, 0},
        {"zoom in and out", settings(100, 200, 300, 2, 5, 0, 0), d(), {2, 0}, 0, 0},
        {"start past the end", settings(100, 200, 300, 0, 0, usable, 0), d(), {0, 0}, usable - 1 - 808, 0},
        {"row past the end", settings(100, 200, 300, 0, 0, 0, 99), d(), {0, 0}, 0, 10},
        {"negative", settings(100, 200, 300, -3, -3, -5, -5), d(), {0, 0}, 0, 0},
        {"splitters out of order", settings(300, 200, 100, 0, 0, 0, 0), d(), {0, 0}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ViewLayout layout = viewFromSettings(c.settings, 1920, area, usable, 30);
        EXPECT_EQ(layout.splitters, c.splitters);
        EXPECT_EQ(layout.position.zoom, c.zoom);
        EXPECT_EQ(layout.position.firstSample, c.firstSample);
        EXPECT_EQ(layout.position.firstRow, c.firstRow);
        WaveEditSettings back;
        viewToSettings(layout, back);
        EXPECT_EQ(viewFromSettings(back, 1920, area, usable, 30).position.firstSample, c.firstSample);
        EXPECT_EQ(back.paneDivision3, c.splitters[2]);
        EXPECT_EQ(back.zoomOut, c.zoom.out);
        EXPECT_EQ(back.startLabel, c.firstRow);
    }
    EXPECT_EQ(reachableZoom({0, 30}, 1000, 100), (Zoom{0, 4})); // 63 columns: the first zoom that fits
    EXPECT_EQ(reachableZoom({0, 2}, 1000, 100), (Zoom{0, 2}));
    EXPECT_EQ(reachableZoom({0, 2}, 50, 100), (Zoom{0, 0}));
}

// The status bar's last part makes room for the "Waiting at WE" text: the mark's parts give way,
// never the mode, the cursor or A to B, and nothing moves when the text fits.
TEST(ViewGeometry, StatusPartsMakeRoomForTheLastPart) {
    using Edges = std::array<int, 7>;
    EXPECT_EQ(fittedStatusParts(1100, 0), statusPartEdges);
    EXPECT_EQ(fittedStatusParts(1260, 300), statusPartEdges); // 960 + 300: just fits
    EXPECT_EQ(fittedStatusParts(1259, 300), (Edges{60, 240, 460, 610, 760, 959, -1}));
    EXPECT_EQ(fittedStatusParts(1100, 300), (Edges{60, 240, 460, 610, 760, 800, -1}));
    EXPECT_EQ(fittedStatusParts(1000, 300), (Edges{60, 240, 460, 610, 700, 700, -1}));
    EXPECT_EQ(fittedStatusParts(761, 300), (Edges{60, 240, 460, 461, 461, 461, -1}));
    EXPECT_EQ(fittedStatusParts(640, 300), (Edges{60, 240, 460, 460, 460, 460, -1}));
}

} // namespace
} // namespace qv
