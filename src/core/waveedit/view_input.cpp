// Every function returns the new state and leaves what it does not own to the window: beeps,
// selections, dialogs and timers are named by the outcome, never done here.
#include "waveedit/view_input.h"

#include <algorithm>
#include <cstdlib>

namespace qv {
namespace {

bool cursorSet(const CursorState& cursors, int cursor) {
    return cursor >= 0 && cursor < CursorCount && cursors.samples[static_cast<std::size_t>(cursor)] != unsetPosition;
}

int clampSample(const ViewFrame& frame, std::int64_t sample) {
    return static_cast<int>(std::clamp<std::int64_t>(sample, 0, std::max(frame.usableSamples - 1, 0)));
}

int clampRow(const ViewFrame& frame, int row) { return std::clamp(row, 0, std::max(frame.rowCount - 1, 0)); }

bool onHandle(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors, int cursor, int x, int y) {
    if (!cursorSet(cursors, cursor)) return false;
    const auto c = static_cast<std::size_t>(cursor);
    const int row = cursors.rows[c];
    if (row < view.firstRow || row >= frame.rowCount) return false;
    const std::int64_t left = sampleX(view, frame.area, cursors.samples[c]);
    const int top = rowTop(view, frame.area, row);
    return x >= left && x < left + cursorHandleWidth && y >= top && y < top + cursorHandleHeight;
}

} // namespace

Hit hitTest(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors, int x, int y) {
    Hit hit;
    const ViewArea& area = frame.area;
    if (y < area.top || y >= area.bottom()) return hit;
    hit.row = rowAtY(view, area, frame.rowCount, y);
    if (const int splitter = splitterAt(frame.splitters, x); splitter >= 0) {
        hit.kind = HitKind::Splitter;
        hit.splitter = splitter;
        return hit;
    }
    switch (labelPartAt(frame.splitters, x)) {
    case LabelPart::Name: hit.kind = HitKind::LabelName; return hit;
    case LabelPart::Channels: hit.kind = HitKind::LabelChannels; return hit;
    case LabelPart::RowSelect: hit.kind = HitKind::RowSelect; return hit;
    case LabelPart::None: break;
    }
    if (x < area.left || x >= area.right() || frame.usableSamples <= 0) {
        hit.row = -1;
        return hit;
    }
    hit.sample = clampSample(frame, sampleAtX(view, area, x));
    const int order[] = {cursors.active, CursorT, CursorA, CursorB, CursorC, CursorD, CursorE};
    for (int cursor : order) {
        if (onHandle(view, frame, cursors, cursor, x, y)) {
            hit.kind = HitKind::CursorHandle;
            hit.cursor = cursor;
            return hit;
        }
    }
    hit.kind = HitKind::Waveform;
    return hit;
}

// ---- keys ---------------------------------------------------------------------------------------

namespace {

ViewPosition centredOn(ViewPosition view, const ViewFrame& frame, int sample) {
    view.firstSample = centredFirstSample(view.zoom, frame.area.width, sample);
    return view;
}

int zoomCentre(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors) {
    if (cursorSet(cursors, cursors.active)) return cursors.samples[static_cast<std::size_t>(cursors.active)];
    return view.firstSample + samplesShown(view.zoom, frame.area.width) / 2;
}

int cursorOfKey(int key) { return key == KeyT ? CursorT : key >= KeyA && key <= KeyE ? CursorA + (key - KeyA) : -1; }

} // namespace

ViewPosition zoomInView(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors, bool& done) {
    done = canZoomIn(view.zoom);
    if (!done) return view;
    const int centre = zoomCentre(view, frame, cursors);
    ViewPosition zoomed = view;
    zoomed.zoom = zoomedIn(view.zoom);
    return centredOn(zoomed, frame, centre);
}

ViewPosition zoomOutView(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors, bool& done) {
    done = canZoomOut(view.zoom, frame.usableSamples, frame.area.width);
    if (!done) return view;
    const int centre = zoomCentre(view, frame, cursors);
    ViewPosition zoomed = view;
    zoomed.zoom = zoomedOut(view.zoom, frame.usableSamples, frame.area.width);
    return centredOn(zoomed, frame, centre);
}

ViewPosition wheelZoomView(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors, int wheelDelta,
                           bool& done) {
    done = false;
    if (wheelDelta == 0) return view;
    return wheelDelta > 0 ? zoomInView(view, frame, cursors, done) : zoomOutView(view, frame, cursors, done);
}

KeyOutcome viewKeyDown(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors,
                       const KeyPress& press) {
    KeyOutcome out{view, cursors, KeyAction::None};
    const bool plain = !press.ctrl && !press.shift;
    const int width = frame.area.width;
    const int step = 1 + std::max(press.repeats, 0);

    switch (press.key) {
    case KeyReturn:
    case KeySpace:
        if (plain && press.outputRunning && press.key == press.eventHotKey) out.action = KeyAction::KeyboardEvent;
        return out;
    case KeyHome:
    case KeyEnd:
        if (!plain) return out;
        out.view.firstSample = press.key == KeyHome ? homeFirstSample(view.zoom, width)
                                                    : endFirstSample(view.zoom, width, frame.usableSamples);
        out.action = KeyAction::Redraw;
        return out;
    case KeyLeft:
    case KeyRight: {
        const int direction = press.key == KeyLeft ? -1 : 1;
        if (press.ctrl && !press.shift) {
            const std::int64_t samples = std::max<std::int64_t>(samplesInPixels(view.zoom, step), 1);
            out.view.firstSample = static_cast<int>(std::clamp<std::int64_t>(
                view.firstSample + direction * samples, 0, lastFirstSample(view.zoom, width, frame.usableSamples)));
            out.action = KeyAction::Redraw;
            return out;
        }
        if (!plain || !cursorSet(cursors, cursors.active)) return out;
        const auto c = static_cast<std::size_t>(cursors.active);
        out.cursors.samples[c] = clampSample(frame, std::int64_t{cursors.samples[c]} + direction * step);
        out.view.firstSample = firstSampleShowing(view.zoom, width, view.firstSample, out.cursors.samples[c]);
        out.action = KeyAction::Redraw;
        return out;
    }
    case KeyUp:
    case KeyDown:
        if (!plain) return out;
        out.view.firstRow = clampFirstRow(frame.area, frame.rowCount, view.firstRow + (press.key == KeyUp ? -1 : 1));
        out.action = KeyAction::Redraw;
        return out;
    case KeyInsert:
        if (press.labelColumnFocus) {
            if (plain) out.action = KeyAction::AddLabel;
        } else if (plain || (press.ctrl && press.shift)) {
            out.action = KeyAction::ToggleEditMode;
        } else if (press.shift) {
            out.action = cursorSet(cursors, CursorT) ? KeyAction::Paste : KeyAction::Beep;
        } else {
            out.action = press.hasSelection ? KeyAction::Copy : KeyAction::Beep;
        }
        return out;
    case KeyDelete:
        if (plain) out.action = press.labelColumnFocus ? KeyAction::DeleteLabel : KeyAction::Cut;
        return out;
    case KeyNumericPlus:
    case KeyNumericMinus: {
        if (!plain) return out;
        bool done = false;
        out.view = press.key == KeyNumericPlus ? zoomInView(view, frame, cursors, done)
                                               : zoomOutView(view, frame, cursors, done);
        out.action = done ? KeyAction::Redraw : KeyAction::Beep;
        return out;
    }
    default: break;
    }
    if (press.key == KeyA && press.ctrl && !press.shift) {
        out.action = press.labelColumnFocus ? KeyAction::SelectAllLabels : KeyAction::SelectAllRows;
        return out;
    }
    if (const int cursor = cursorOfKey(press.key); cursor >= 0 && plain) {
        out.cursors.active = cursor;
        if (cursorSet(cursors, cursor))
            out.view = centredOn(view, frame, cursors.samples[static_cast<std::size_t>(cursor)]);
        out.action = KeyAction::Redraw;
    }
    return out;
}

KeyAction viewKeyUp(const KeyPress& press) {
    return press.key == KeyS && press.ctrl && press.shift && press.outputRunning ? KeyAction::Sweep : KeyAction::None;
}

// ---- mouse drags --------------------------------------------------------------------------------

void dragCursor(ViewPosition& view, const ViewFrame& frame, CursorState& cursors, int cursor, int sample, int row) {
    if (cursor < 0 || cursor >= CursorCount || frame.usableSamples <= 0) return;
    const auto c = static_cast<std::size_t>(cursor);
    cursors.active = cursor;
    cursors.samples[c] = clampSample(frame, sample);
    cursors.rows[c] = clampRow(frame, row);
    view.firstSample = firstSampleShowing(view.zoom, frame.area.width, view.firstSample, cursors.samples[c]);
}

MarkedArea markFromDrag(const ViewFrame& frame, int pressSample, int pressRow, int currentSample, int currentRow) {
    const int a = clampSample(frame, pressSample), b = clampSample(frame, currentSample);
    const int r = clampRow(frame, pressRow), s = clampRow(frame, currentRow);
    return {std::min(a, b), std::max(a, b), std::min(r, s), std::max(r, s)};
}

ViewPosition dragEdgeScroll(const ViewPosition& view, const ViewFrame& frame, int x, int y) {
    ViewPosition out = view;
    const ViewArea& area = frame.area;
    if (x < area.left || x >= area.right()) {
        out.firstSample = scrolledFirstSample(view, area.width, frame.usableSamples,
                                              x < area.left ? ScrollAction::LineBack : ScrollAction::LineForward);
    }
    if (y < area.top || y >= area.bottom()) {
        out.firstRow = scrolledFirstRow(view, area, frame.rowCount,
                                        y < area.top ? ScrollAction::LineBack : ScrollAction::LineForward);
    }
    return out;
}

DragMode pointerMoved(DragMode mode, int dx, int dy, int cursorChangeInterval) {
    if (std::abs(dx) + std::abs(dy) > dragModeDistance) mode.ticksLeft = std::max(cursorChangeInterval, 1);
    return mode;
}

DragMode dragModeTick(DragMode mode) {
    if (mode.ticksLeft > 0) --mode.ticksLeft;
    return mode;
}

PointerShape pointerShape(const Hit& hit, DragMode mode) {
    if (mode.active()) return PointerShape::Hand;
    switch (hit.kind) {
    case HitKind::Splitter: return PointerShape::SplitterMove;
    case HitKind::CursorHandle: return PointerShape::CursorMove;
    default: return PointerShape::Arrow;
    }
}

ViewPosition pannedView(const ViewPosition& atPress, const ViewFrame& frame, int dx, int dy) {
    ViewPosition out = atPress;
    const std::int64_t first = atPress.firstSample - samplesInPixels(atPress.zoom, dx);
    out.firstSample = static_cast<int>(
        std::clamp<std::int64_t>(first, 0, lastFirstSample(atPress.zoom, frame.area.width, frame.usableSamples)));
    const int rows = frame.area.rowHeight > 0 ? dy / frame.area.rowHeight : 0;
    out.firstRow = clampFirstRow(frame.area, frame.rowCount, atPress.firstRow - rows);
    return out;
}

SampleRun runAround(std::span<const Sample> image, Sample rowMask, int sample) {
    if (image.empty()) return {0, 0};
    const int count = static_cast<int>(image.size());
    sample = std::clamp(sample, 0, count - 1);
    const Sample value = image[static_cast<std::size_t>(sample)] & rowMask;
    int first = sample, last = sample;
    while (first > 0 && (image[static_cast<std::size_t>(first - 1)] & rowMask) == value) --first;
    while (last + 1 < count && (image[static_cast<std::size_t>(last + 1)] & rowMask) == value) ++last;
    return {first, last};
}

} // namespace qv
