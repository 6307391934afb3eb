// Rows from labels, hit testing, the keys' moves, marking drags, drag mode and double-click runs.
#include "waveedit/view_input.h"

#include "label_records.h"
#include "waveedit/labels.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

using test::labelRecord;

LabelTable tableOf(std::initializer_list<LabelRecord> records) {
    LabelTable table{};
    int i = 0;
    for (const LabelRecord& r : records) table[static_cast<std::size_t>(i++)] = r;
    normaliseLabels(table);
    return table;
}

TEST(ViewRows, FromLabelsWithChannelTexts) {
    LabelTable table{};
    int next = writeDefaultCommandLabel(table);
    table[static_cast<std::size_t>(next++)] = labelRecord(17, positionSingle, "CLK"); // channel 5
    const int up[] = {0, 1, 2, 3}; // channels listed upward
    next = appendSignalLabel(table, next, "UP", up);
    const int down[] = {9, 8, 7};
    next = appendSignalLabel(table, next, "DOWN", down);
    const int pair[] = {3, 7};
    next = appendSignalLabel(table, next, "PAIR", pair);
    const int uneven[] = {0, 1, 3};
    next = appendSignalLabel(table, next, "UNEVEN", uneven);
    table[static_cast<std::size_t>(next++)] = labelRecord(5, positionSingle, "CMDBIT");
    const std::vector<ViewRow> rows = viewRows(table);
    ASSERT_EQ(rows.size(), 7u);
    struct Expect {
        int width;
        Sample mask;
        bool command, bus;
        const char* channels;
    };
    const Expect expect[] = {
        {12, 0xFFF, true, true, ""},
        {1, Sample{1} << 17, false, false, "5"},
        {4, 0xF000, false, true, "0..3"},
        {3, Sample{0x380} << 12, false, true, "9..7"},
        {2, Sample{0x88} << 12, false, true, "3,7"},
        {3, Sample{0xB} << 12, false, true, "0,1,3"},
        {1, Sample{1} << 5, false, false, "-7"},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].width, expect[i].width);
        EXPECT_EQ(rows[i].mask, expect[i].mask);
        EXPECT_EQ(rows[i].command, expect[i].command);
        EXPECT_EQ(rows[i].bus, expect[i].bus);
        EXPECT_EQ(channelsText(rows[i]), expect[i].channels);
    }
    // The first bit is the most significant: DOWN over channels 9, 8, 7.
    EXPECT_EQ(rowValue(rows[3], channelBit(9)), 4u);
    EXPECT_EQ(rowValue(rows[3], channelBit(7) | channelBit(8)), 3u);
    EXPECT_EQ(rowValue(rows[0], 0x820), 0x820u);
}

TEST(ViewRows, RecordsNamingNoBitAreLeftOut) {
    const LabelTable table = tableOf(
        {labelRecord(12, positionBusHead, "B"), labelRecord(70, 3, "B"), labelRecord(13, positionBusLast, "B")});
    const std::vector<ViewRow> rows = viewRows(table);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].width, 2);
    EXPECT_EQ(channelsText(rows[0]), "0,1");
}

// A view: label column 0..302, waveform area from 303, 800 wide, rows 24 high from y 40.
ViewFrame frame(int rows = 40, int usable = 10000) { return {{303, 40, 800, 480, 24}, defaultSplitters, usable, rows}; }

TEST(ViewInput, HitTest) {
    CursorState cursors;
    cursors.samples[CursorT] = 110;
    cursors.rows[CursorT] = 3;
    cursors.samples[CursorB] = 112; // overlaps T's handle
    cursors.rows[CursorB] = 3;
    cursors.samples[CursorC] = 500; // on a row scrolled away
    cursors.rows[CursorC] = 0;
    cursors.active = CursorB;
    const ViewPosition view{{1, 0}, 100, 1, {}}; // two pixels a sample
    struct Case {
        int x, y;
        Hit hit;
    };
    const int row3 = 40 + 2 * 24;
    const Case cases[] = {
        {10, 45, {HitKind::LabelName, 1}},
        {10, 40 + 30 * 24, {HitKind::None}}, // below the area
        {10, 39, {HitKind::None}},
        {150, 45, {HitKind::LabelChannels, 1}},
        {250, 70, {HitKind::RowSelect, 2}},
        {100, 45, {HitKind::Splitter, 1, -1, 0}},
        {302, 45, {HitKind::Splitter, 1, -1, 2}},
        {303, 45, {HitKind::Waveform, 1, 100}},
        {325, 45, {HitKind::Waveform, 1, 111}},
        {323, row3, {HitKind::CursorHandle, 3, 110, -1, CursorT}},
        {327, row3 + 11, {HitKind::CursorHandle, 3, 112, -1, CursorB}}, // both handles: the active one
        {323, row3 + 12, {HitKind::Waveform, 3, 110}}, // below the handles
        {1102, 45, {HitKind::Waveform, 1, 499}},
        {1103, 45, {HitKind::None}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(hitTest(view, frame(), cursors, c.x, c.y), c.hit);
    }
    // Rows past the last one: the label column answers with no row, the waveform with no row.
    EXPECT_EQ(hitTest(view, frame(2), cursors, 10, 100).row, -1);
    // At the end of the usable area the sample stays inside it.
    EXPECT_EQ(hitTest({{0, 0}, 9900, 0, {}}, frame(), cursors, 1000, 45).sample, 9999);
}

struct KeyCase {
    const char* name;
    KeyPress press;
    int firstSample, firstRow, active, activeSample;
    KeyAction action;
};

TEST(ViewInput, Keys) {
    CursorState cursors;
    cursors.samples[CursorT] = 5000;
    cursors.samples[CursorA] = 9990;
    cursors.active = CursorT; // B to E unset
    const ViewPosition view{{0, 0}, 4800, 5, {}};
    const KeyCase cases[] = {
        {"home", {KeyHome}, 0, 5, CursorT, 5000, KeyAction::Redraw},
        {"end", {KeyEnd}, 9599, 5, CursorT, 5000, KeyAction::Redraw},
        {"ctrl home", {KeyHome, true}, 4800, 5, CursorT, 5000, KeyAction::None},
        {"left", {KeyLeft}, 4800, 5, CursorT, 4999, KeyAction::Redraw},
        {"right repeated", {KeyRight, false, false, 3}, 4800, 5, CursorT, 5004, KeyAction::Redraw},
        {"ctrl left", {KeyLeft, true, false, 2}, 4797, 5, CursorT, 5000, KeyAction::Redraw},
        {"ctrl right", {KeyRight, true}, 4801, 5, CursorT, 5000, KeyAction::Redraw},
        {"shift left", {KeyLeft, false, true}, 4800, 5, CursorT, 5000, KeyAction::None},
        {"up", {KeyUp}, 4800, 4, CursorT, 5000, KeyAction::Redraw},
        {"down", {KeyDown}, 4800, 6, CursorT, 5000, KeyAction::Redraw},
        {"A", {KeyA}, 9590, 5, CursorA, 9990, KeyAction::Redraw},
        {"C unset", {KeyA + 2}, 4800, 5, CursorC, unsetPosition, KeyAction::Redraw},
        {"ctrl A", {KeyA, true}, 4800, 5, CursorT, 5000, KeyAction::SelectAllRows},
        {"ctrl A labels", {KeyA, true, false, 0, true}, 4800, 5, CursorT, 5000, KeyAction::SelectAllLabels},
        {"insert", {KeyInsert}, 4800, 5, CursorT, 5000, KeyAction::ToggleEditMode},
        {"ctrl shift insert", {KeyInsert, true, true}, 4800, 5, CursorT, 5000, KeyAction::ToggleEditMode},
        {"shift insert", {KeyInsert, false, true}, 4800, 5, CursorT, 5000, KeyAction::Paste},
        {"ctrl insert", {KeyInsert, true}, 4800, 5, CursorT, 5000, KeyAction::Beep},
        {"ctrl insert sel",
         {KeyInsert, true, false, 0, false, false, 32, true},
         4800,
         5,
         CursorT,
         5000,
         KeyAction::Copy},
        {"insert labels", {KeyInsert, false, false, 0, true}, 4800, 5, CursorT, 5000, KeyAction::AddLabel},
        {"delete", {KeyDelete}, 4800, 5, CursorT, 5000, KeyAction::Cut},
        {"delete labels", {KeyDelete, false, false, 0, true}, 4800, 5, CursorT, 5000, KeyAction::DeleteLabel},
        {"plus", {KeyNumericPlus}, 4800, 5, CursorT, 5000, KeyAction::Redraw}, // 400 samples shown round T
        {"space idle", {KeySpace}, 4800, 5, CursorT, 5000, KeyAction::None},
        {"space running", {KeySpace, false, false, 0, false, true}, 4800, 5, CursorT, 5000, KeyAction::KeyboardEvent},
        {"return not hot", {KeyReturn, false, false, 0, false, true}, 4800, 5, CursorT, 5000, KeyAction::None},
        {"return hot",
         {KeyReturn, false, false, 0, false, true, KeyReturn},
         4800,
         5,
         CursorT,
         5000,
         KeyAction::KeyboardEvent},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const KeyOutcome out = viewKeyDown(view, frame(), cursors, c.press);
        EXPECT_EQ(out.view.firstSample, c.firstSample);
        EXPECT_EQ(out.view.firstRow, c.firstRow);
        EXPECT_EQ(out.cursors.active, c.active);
        EXPECT_EQ(out.cursors.samples[static_cast<std::size_t>(out.cursors.active)], c.activeSample);
        EXPECT_EQ(out.action, c.action);
    }
}

TEST(ViewInput, KeyEdges) {
    CursorState cursors;
    cursors.samples[CursorT] = 5;
    // The cursor stops at 0; the view follows a cursor that leaves it.
    KeyOutcome out = viewKeyDown({{0, 0}, 3, 0, {}}, frame(), cursors, {KeyLeft, false, false, 9});
    EXPECT_EQ(out.cursors.samples[CursorT], 0);
    EXPECT_EQ(out.view.firstSample, 0);
    cursors.samples[CursorT] = 9998;
    out = viewKeyDown({{0, 0}, 9000, 0, {}}, frame(), cursors, {KeyRight, false, false, 4});
    EXPECT_EQ(out.cursors.samples[CursorT], 9999);
    EXPECT_EQ(out.view.firstSample, 9200);
    // Rows stop at the ends; an unset active cursor does not move.
    EXPECT_EQ(viewKeyDown({{}, 0, 0, {}}, frame(), cursors, {KeyUp}).view.firstRow, 0);
    EXPECT_EQ(viewKeyDown({{}, 0, 0, {}}, frame(30), cursors, {KeyDown}).view.firstRow, 1);
    EXPECT_EQ(viewKeyDown({{}, 0, 10, {}}, frame(30), cursors, {KeyDown}).view.firstRow, 10);
    EXPECT_EQ(viewKeyDown({{}, 0, 0, {}}, frame(), CursorState{}, {KeyLeft}).action, KeyAction::None);
    EXPECT_EQ(viewKeyDown({{}, 0, 0, {}}, frame(), CursorState{}, {KeyInsert, false, true}).action, KeyAction::Beep);
    // Zoom by key: centred on the active cursor, a beep at the limits.
    cursors.samples[CursorT] = 5000;
    out = viewKeyDown({{0, 0}, 100, 0, {}}, frame(), cursors, {KeyNumericPlus});
    EXPECT_EQ(out.view.zoom, (Zoom{1, 0}));
    EXPECT_EQ(out.view.firstSample, 4800);
    out = viewKeyDown({{0, 0}, 100, 0, {}}, frame(), cursors, {KeyNumericMinus});
    EXPECT_EQ(out.view.zoom, (Zoom{0, 1}));
    EXPECT_EQ(out.view.firstSample, 4200);
    EXPECT_EQ(viewKeyDown({{6, 0}, 0, 0, {}}, frame(), cursors, {KeyNumericPlus}).action, KeyAction::Beep);
    EXPECT_EQ(viewKeyDown({{0, 4}, 0, 0, {}}, frame(), cursors, {KeyNumericMinus}).action, KeyAction::Beep);
    bool done = false;
    EXPECT_EQ(zoomInView({{0, 0}, 1000, 0, {}}, frame(), CursorState{}, done).firstSample, 1200); // middle of view
    EXPECT_TRUE(done);
    // The wheel: away from the user zooms in, towards the user out.
    EXPECT_EQ(wheelZoomView({{0, 2}, 0, 0, {}}, frame(), cursors, 120, done).zoom, (Zoom{0, 1}));
    EXPECT_TRUE(done);
    EXPECT_EQ(wheelZoomView({{0, 2}, 0, 0, {}}, frame(), cursors, -120, done).zoom, (Zoom{0, 3}));
    wheelZoomView({{6, 0}, 0, 0, {}}, frame(), cursors, 120, done);
    EXPECT_FALSE(done);
    wheelZoomView({{0, 2}, 0, 0, {}}, frame(), cursors, 0, done);
    EXPECT_FALSE(done);
    // Key up: Sweep only with Ctrl+Shift+S during output.
    EXPECT_EQ(viewKeyUp({KeyS, true, true, 0, false, true}), KeyAction::Sweep);
    EXPECT_EQ(viewKeyUp({KeyS, true, true}), KeyAction::None);
    EXPECT_EQ(viewKeyUp({KeyS, true, false, 0, false, true}), KeyAction::None);
}

TEST(ViewInput, Drags) {
    const ViewFrame f = frame(40, 10000);
    struct Mark {
        int pressSample, pressRow, sample, row;
        MarkedArea area;
    };
    const Mark marks[] = {
        {10, 2, 20, 5, {10, 20, 2, 5}},
        {20, 5, 10, 2, {10, 20, 2, 5}},
        {-30, -1, 12000, 45, {0, 9999, 0, 39}},
        {7, 3, 7, 3, {7, 7, 3, 3}},
    };
    for (const Mark& m : marks) EXPECT_EQ(markFromDrag(f, m.pressSample, m.pressRow, m.sample, m.row), m.area);

    const ViewPosition view{{0, 0}, 1000, 3, {}};
    EXPECT_EQ(dragEdgeScroll(view, f, 302, 100).firstSample, 950);
    EXPECT_EQ(dragEdgeScroll(view, f, 1103, 100).firstSample, 1050);
    EXPECT_EQ(dragEdgeScroll(view, f, 500, 39).firstRow, 2);
    EXPECT_EQ(dragEdgeScroll(view, f, 500, 520).firstRow, 4);
    const ViewPosition inside = dragEdgeScroll(view, f, 500, 100);
    EXPECT_EQ(inside.firstSample, 1000);
    EXPECT_EQ(inside.firstRow, 3);

    CursorState cursors;
    ViewPosition moved = view;
    dragCursor(moved, f, cursors, CursorD, 2500, 55);
    EXPECT_EQ(cursors.active, CursorD);
    EXPECT_EQ(cursors.samples[CursorD], 2500);
    EXPECT_EQ(cursors.rows[CursorD], 39);
    EXPECT_EQ(moved.firstSample, 1701);
    dragCursor(moved, f, cursors, CursorD, -5, 0);
    EXPECT_EQ(cursors.samples[CursorD], 0);
    EXPECT_EQ(moved.firstSample, 0);
}

TEST(ViewInput, DragModeAndPanning) {
    DragMode mode;
    mode = pointerMoved(mode, 10, 5, 10); // 15: not more than 15
    EXPECT_FALSE(mode.active());
    mode = pointerMoved(mode, -10, 6, 10);
    EXPECT_EQ(mode.ticksLeft, 10);
    for (int i = 0; i < 4; ++i) mode = dragModeTick(mode);
    mode = pointerMoved(mode, 0, -16, 10); // a further fast move restarts the count
    EXPECT_EQ(mode.ticksLeft, 10);
    for (int i = 0; i < 10; ++i) mode = dragModeTick(mode);
    EXPECT_FALSE(mode.active());
    EXPECT_FALSE(dragModeTick(mode).active());

    struct Shape {
        HitKind kind;
        int ticks;
        PointerShape shape;
    };
    const Shape shapes[] = {
        {HitKind::Splitter, 0, PointerShape::SplitterMove}, {HitKind::CursorHandle, 0, PointerShape::CursorMove},
        {HitKind::Waveform, 0, PointerShape::Arrow},        {HitKind::LabelName, 0, PointerShape::Arrow},
        {HitKind::Splitter, 3, PointerShape::Hand},         {HitKind::Waveform, 1, PointerShape::Hand},
    };
    for (const Shape& s : shapes) EXPECT_EQ(pointerShape({s.kind}, {s.ticks}), s.shape) << static_cast<int>(s.kind);

    const ViewFrame f = frame(30, 10000);
    const ViewPosition atPress{{0, 2}, 4000, 6, {}};
    const ViewPosition panned = pannedView(atPress, f, 100, -50); // right and up: earlier samples, later rows
    EXPECT_EQ(panned.firstSample, 3600);
    EXPECT_EQ(panned.firstRow, 8);
    EXPECT_EQ(pannedView(atPress, f, 5000, 5000).firstSample, 0);
    EXPECT_EQ(pannedView(atPress, f, 5000, 5000).firstRow, 0);
    EXPECT_EQ(pannedView(atPress, f, -5000, -5000).firstRow, 10);
}

TEST(ViewInput, DoubleClickRunMatchesAStepByStepWalk) {
    std::mt19937_64 random(3);
    std::vector<Sample> image(3000);
    for (Sample& s : image) s = random() % 3 == 0 ? random() : (&s == image.data() ? 0 : *(&s - 1));
    for (int trial = 0; trial < 500; ++trial) {
        const Sample mask = random() & random();
        const int at = static_cast<int>(random() % image.size());
        int first = at, last = at;
        auto same = [&](int i) {
            return ((image[static_cast<std::size_t>(i)] ^ image[static_cast<std::size_t>(at)]) & mask) == 0;
        };
        while (first > 0 && same(first - 1)) --first;
        while (last + 1 < static_cast<int>(image.size()) && same(last + 1)) ++last;
        EXPECT_EQ(runAround(image, mask, at), (SampleRun{first, last}));
    }
    const Sample flat[] = {1, 1, 1};
    EXPECT_EQ(runAround(flat, 1, 1), (SampleRun{0, 2})); // a row that never changes: one run
    EXPECT_EQ(runAround(flat, 1, 7), (SampleRun{0, 2}));
    EXPECT_EQ(runAround({}, 1, 0), (SampleRun{0, 0}));
}

} // namespace
} // namespace qv
