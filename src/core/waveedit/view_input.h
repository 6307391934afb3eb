// Mouse and keyboard of the wave view as pure functions: what lies under a point (splitters, the
// six cursors' handles, rows, the label column's parts), the view and cursor moves of the keys,
// the marked area of a drag, drag mode and the run of equal values a double click marks. The
// window passes the state in and applies what comes back; selections, labels and editing happen
// in their own modules from the actions named here.
#pragma once

#include "waveedit/document.h"
#include "waveedit/view_geometry.h"
#include "waveedit/view_rows.h"

#include <array>
#include <span>

namespace qv {

// A cursor's handle: a flag at the top of the row the cursor stands on, its left edge on the
// cursor's line.
inline constexpr int cursorHandleWidth = 12;
inline constexpr int cursorHandleHeight = 12;
// With no button pressed, a movement of more than this (x plus y distance) starts drag mode.
inline constexpr int dragModeDistance = 15;

// The six cursors T and A-E: sample (unsetPosition when not placed) and the row each stands on.
struct CursorState {
    std::array<int, CursorCount> samples{unsetPosition, unsetPosition, unsetPosition,
                                         unsetPosition, unsetPosition, unsetPosition};
    std::array<int, CursorCount> rows{};
    int active = CursorT;
    bool operator==(const CursorState&) const = default;
};

// What the window knows of the view besides its scroll position.
struct ViewFrame {
    ViewArea area;
    Splitters splitters = defaultSplitters;
    int usableSamples = 0;
    int rowCount = 0;
};

enum class HitKind { None, Splitter, LabelName, LabelChannels, RowSelect, CursorHandle, Waveform };
struct Hit {
    HitKind kind = HitKind::None;
    int row = -1; // the row under the point; -1 below the last row
    int sample = -1; // Waveform and CursorHandle: the sample under the point, within the usable area
    int splitter = -1; // Splitter: 0-2
    int cursor = -1; // CursorHandle: the cursor (the active one wins where handles overlap)
    bool operator==(const Hit&) const = default;
};
Hit hitTest(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors, int x, int y);

// ---- keys ---------------------------------------------------------------------------------------

// Virtual-key codes the view reads from the main window's key messages.
enum ViewKeyCode : int {
    KeyReturn = 0x0D,
    KeySpace = 0x20,
    KeyEnd = 0x23,
    KeyHome = 0x24,
    KeyLeft = 0x25,
    KeyUp = 0x26,
    KeyRight = 0x27,
    KeyDown = 0x28,
    KeyInsert = 0x2D,
    KeyDelete = 0x2E,
    KeyA = 0x41,
    KeyE = 0x45,
    KeyS = 0x53,
    KeyT = 0x54,
    KeyNumericPlus = 0x6B,
    KeyNumericMinus = 0x6D,
};

struct KeyPress {
    int key = 0;
    bool ctrl = false;
    bool shift = false;
    int repeats = 0; // auto-repeats of this key since it went down (the window resets it on key up)
    bool labelColumnFocus = false; // the label column has the keyboard focus
    bool outputRunning = false;
    int eventHotKey = hotKeySpace;
    bool hasSelection = false; // a row-range or label selection exists (Copy)
};

// What the window does after a key besides taking the new view and cursors.
enum class KeyAction {
    None,
    Beep,
    Redraw, // the view or a cursor moved
    KeyboardEvent, // release a waiting sequencer (qvKeyboardEvent)
    SelectAllRows,
    SelectAllLabels,
    AddLabel,
    DeleteLabel,
    ToggleEditMode, // insert / overwrite
    Paste,
    Copy,
    Cut,
    Sweep,
};

struct KeyOutcome {
    ViewPosition view;
    CursorState cursors;
    KeyAction action = KeyAction::None;
};

// A key going down (message 0x500). Left/Right move the active cursor by 1 + repeats samples and
// the view follows it; Ctrl+Left and Ctrl+Right scroll the view by as many pixel columns instead.
KeyOutcome viewKeyDown(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors,
                       const KeyPress& press);
// A key going up (message 0x501): Ctrl+Shift+S during output opens the Sweep dialog.
KeyAction viewKeyUp(const KeyPress& press);

// Zoom In / Zoom Out (toolbar, numeric keys, wheel): the view at the new zoom centred on the active
// cursor (on the middle of the shown samples while it is unset); `done` false when disabled.
ViewPosition zoomInView(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors, bool& done);
ViewPosition zoomOutView(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors, bool& done);

// The wheel: turned away from the user (a positive delta) Zoom In, towards the user Zoom Out.
ViewPosition wheelZoomView(const ViewPosition& view, const ViewFrame& frame, const CursorState& cursors, int wheelDelta,
                           bool& done);

// ---- mouse drags --------------------------------------------------------------------------------

// A cursor's handle dragged to `sample` on `row`: it becomes the active cursor, clamped to the
// usable area and the rows; `view` scrolls just enough to keep it shown.
void dragCursor(ViewPosition& view, const ViewFrame& frame, CursorState& cursors, int cursor, int sample, int row);

// The row-range selection and marked area of a drag in the waveform area, ordered and clamped.
struct MarkedArea {
    int markStart = 0;
    int markEnd = 0;
    int firstRow = 0;
    int lastRow = 0;
    bool operator==(const MarkedArea&) const = default;
};
MarkedArea markFromDrag(const ViewFrame& frame, int pressSample, int pressRow, int currentSample, int currentRow);

// Auto-scroll of a marking drag, once every 100 ms: past the area's left or right edge the view
// moves a sixteenth of its width, past its top or bottom one row. The view unchanged inside.
ViewPosition dragEdgeScroll(const ViewPosition& view, const ViewFrame& frame, int x, int y);

// Drag mode: counted down in 100 ms ticks for the cursor change interval (tenths of a second).
struct DragMode {
    int ticksLeft = 0;
    bool active() const { return ticksLeft > 0; }
};
// A pointer movement with no button pressed, by (dx, dy) since the last one.
DragMode pointerMoved(DragMode mode, int dx, int dy, int cursorChangeInterval);
DragMode dragModeTick(DragMode mode);
// The pointer shape: the hand in drag mode, whatever lies under it; otherwise by what it is over.
enum class PointerShape { Arrow, SplitterMove, CursorMove, Hand };
PointerShape pointerShape(const Hit& hit, DragMode mode);
// A left drag in drag mode: the view taken along with the pointer from where it was at the press.
ViewPosition pannedView(const ViewPosition& atPress, const ViewFrame& frame, int dx, int dy);

// The run of samples around `sample` whose value in `row` (its masked bits) stays the same: what
// a double click marks. Within image (the usable area); {sample, sample} clamped when it is empty.
struct SampleRun {
    int first = 0;
    int last = 0;
    bool operator==(const SampleRun&) const = default;
};
SampleRun runAround(std::span<const Sample> image, Sample rowMask, int sample);

} // namespace qv
