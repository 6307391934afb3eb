// A press decides what a drag does (the hit under it, or panning in drag mode); moves apply that
// drag through the core's rules; the release finishes it. A press in the waveform also places the
// active cursor, so a plain click is how a user puts the T cursor (the command position) down.
#include "waveedit/wave_editor_input.h"

#include "app/app_state.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/label_menu.h"
#include "waveedit/texts.h"
#include "waveedit/wave_editor_edit.h"
#include "waveedit/wave_editor_edit_dialogs.h"
#include "waveedit/wave_editor_run.h"
#include "waveedit/wave_editor_state.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace qv::win {
namespace {

POINT pointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

Hit hitAt(POINT point) {
    const WaveEditorState& s = editor();
    return hitTest(s.layout.position, viewFrame(), s.cursors, point.x, point.y);
}

// The row under y, or the nearest row when y lies above or below the rows (marking past an edge).
int rowNear(int y) {
    const WaveEditorState& s = editor();
    const int count = static_cast<int>(s.rows.size());
    if (count == 0) return 0;
    const int row = rowAtY(s.layout.position, s.area, count, std::clamp(y, s.area.top, s.area.bottom() - 1));
    return row < 0 ? count - 1 : row;
}

int sampleNear(int x) {
    const WaveEditorState& s = editor();
    const int clampedX = std::clamp(x, s.area.left, s.area.right() - 1);
    const std::int64_t sample = sampleAtX(s.layout.position, s.area, clampedX);
    return static_cast<int>(std::clamp<std::int64_t>(sample, 0, std::max(usableSamples() - 1, 0)));
}


void showMarkTip(POINT at) {
    WaveEditorState& s = editor();
    if (!s.markTip) return;
    static std::wstring text;
    text = fromUtf8(markTipText(s.marked.markStart, s.marked.markEnd, document().output().baseFrequency,
                                catalogueLanguage(currentLanguage())));
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = s.dialog;
    info.uId = 1;
    info.lpszText = text.data();
    SendMessageW(s.markTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    POINT screen = at;
    ClientToScreen(s.dialog, &screen);
    SendMessageW(s.markTip, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x + 16, screen.y + 16));
    SendMessageW(s.markTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
}

void hideMarkTip() {
    WaveEditorState& s = editor();
    if (!s.markTip) return;
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = s.dialog;
    info.uId = 1;
    SendMessageW(s.markTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
}

// The marked area from the press to the pointer, written into the document's marks too.
void markTo(POINT point) {
    WaveEditorState& s = editor();
    s.marked = markFromDrag(viewFrame(), s.pressSample, s.pressRow, sampleNear(point.x), rowNear(point.y));
    s.rangeSelected = !s.rows.empty();
    document().positions().markStart = s.marked.markStart;
    document().positions().markEnd = s.marked.markEnd;
    updateStatus();
    showMarkTip(point);
}

bool outsideArea(POINT point) {
    const ViewArea& area = editor().area;
    return point.x < area.left || point.x >= area.right() || point.y < area.top || point.y >= area.bottom();
}

void zoomBy(bool in) {
    WaveEditorState& s = editor();
    bool done = false;
    s.layout.position = in ? zoomInView(s.layout.position, viewFrame(), s.cursors, done)
                           : zoomOutView(s.layout.position, viewFrame(), s.cursors, done);
    if (!done) {
        MessageBeep(MB_OK);
        return;
    }
    viewMoved();
}

void endDrag() {
    WaveEditorState& s = editor();
    s.drag = EditorDrag::None;
    s.dragIndex = -1;
    KillTimer(s.dialog, markScrollTimer);
    hideMarkTip();
    if (GetCapture() == s.dialog) ReleaseCapture();
}


void postCommand(int id) { PostMessageW(editor().dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

} // namespace

void createMarkTip(HWND dialog) {
    WaveEditorState& s = editor();
    s.markTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
    if (!s.markTip) return;
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    info.hwnd = dialog;
    info.uId = 1;
    info.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(s.markTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageW(s.markTip, TTM_SETMAXTIPWIDTH, 0, 600); // the tip has three lines
}

// ---- mouse ------------------------------------------------------------------------------------------

LRESULT onLeftDown(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    WaveEditorState& s = editor();
    const POINT point = pointOf(lParam);
    const bool ctrl = (wParam & MK_CONTROL) != 0, shift = (wParam & MK_SHIFT) != 0;
    const Hit hit = hitAt(point);
    s.pressPoint = s.lastPoint = point;
    s.movedSincePress = false;
    switch (hit.kind) {
    case HitKind::Splitter:
        s.drag = EditorDrag::Splitter;
        s.dragIndex = hit.splitter;
        s.splitterBarX = s.layout.splitters[static_cast<std::size_t>(hit.splitter)];
        break;
    case HitKind::LabelName:
    case HitKind::LabelChannels:
        s.labelColumnFocus = true;
        s.drag = EditorDrag::LabelPress;
        s.pressLabelRow = hit.row;
        break;
    case HitKind::RowSelect:
        s.labelColumnFocus = false;
        if (hit.row >= 0) {
            s.rangeSelected = false;
            pressRowSelect(document().labels(), s.rows, hit.row, ctrl, shift, s.anchors);
            updateToolbar();
            updateStatus();
        }
        break;
    case HitKind::CursorHandle:
        s.labelColumnFocus = false;
        s.drag = EditorDrag::Cursor;
        s.dragIndex = hit.cursor;
        s.cursors.active = hit.cursor;
        updateToolbar();
        break;
    case HitKind::Waveform:
        s.labelColumnFocus = false;
        if (s.dragMode.active()) {
            s.drag = EditorDrag::Pan;
            s.viewAtPress = s.layout.position;
            break;
        }
        s.drag = EditorDrag::Mark;
        s.pressSample = hit.sample;
        s.pressRow = hit.row >= 0 ? hit.row : rowNear(point.y);
        dragCursor(s.layout.position, viewFrame(), s.cursors, s.cursors.active, hit.sample, s.pressRow);
        updateToolbar();
        break;
    case HitKind::None: break;
    }
    if (s.drag != EditorDrag::None) SetCapture(dialog);
    viewMoved();
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onMouseMove(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    WaveEditorState& s = editor();
    const POINT point = pointOf(lParam);
    const int dx = point.x - s.lastMove.x, dy = point.y - s.lastMove.y;
    s.lastMove = point;
    if (s.drag != EditorDrag::None && (point.x != s.pressPoint.x || point.y != s.pressPoint.y)) s.movedSincePress = true;
    s.lastPoint = point;
    switch (s.drag) {
    case EditorDrag::Splitter: {
        const Splitters moved = movedSplitter(s.layout.splitters, s.dragIndex, point.x, s.clientWidth);
        s.splitterBarX = moved[static_cast<std::size_t>(s.dragIndex)];
        redrawView();
        break;
    }
    case EditorDrag::Cursor: {
        const ViewPosition before = s.layout.position;
        dragCursor(s.layout.position, viewFrame(), s.cursors, s.dragIndex, sampleNear(point.x), rowNear(point.y));
        if (before.firstSample != s.layout.position.firstSample) viewMoved();
        else {
            redrawView();
            updateStatus();
        }
        break;
    }
    case EditorDrag::Mark:
        if (!s.movedSincePress) break;
        if (!s.rangeSelected) clearRowSelections(document().labels()); // the label selection gives way to the range
        markTo(point);
        if (outsideArea(point))
            SetTimer(dialog, markScrollTimer, editorTickMilliseconds, nullptr);
        else
            KillTimer(dialog, markScrollTimer);
        redrawView();
        break;
    case EditorDrag::Pan:
        s.layout.position = pannedView(s.viewAtPress, viewFrame(), point.x - s.pressPoint.x, point.y - s.pressPoint.y);
        viewMoved();
        break;
    case EditorDrag::LabelPress:
        if (s.movedSincePress) showLabelDragPointer(point);
        break;
    case EditorDrag::None:
        if ((wParam & (MK_LBUTTON | MK_RBUTTON)) == 0) {
            const bool was = s.dragMode.active();
            s.dragMode = pointerMoved(s.dragMode, dx, dy, document().output().cursorChangeInterval);
            if (s.dragMode.active() && !was) SetTimer(dialog, dragModeTimer, editorTickMilliseconds, nullptr);
        }
        break;
    }
    return TRUE;
}

LRESULT onLeftUp(HWND, UINT, WPARAM wParam, LPARAM lParam) {
    WaveEditorState& s = editor();
    const POINT point = pointOf(lParam);
    const bool ctrl = (wParam & MK_CONTROL) != 0, shift = (wParam & MK_SHIFT) != 0;
    switch (s.drag) {
    case EditorDrag::Splitter:
        s.layout.splitters = movedSplitter(s.layout.splitters, s.dragIndex, point.x, s.clientWidth);
        s.chosenSplitters = s.layout.splitters;
        s.splitterBarX = -1;
        relayoutEditor();
        break;
    case EditorDrag::LabelPress:
        // Dragging a label moves or combines labels (label operations); a click selects.
        if (!s.movedSincePress || s.pressLabelRow < 0) {
            clickLabelName(document().labels(), s.rows, s.pressLabelRow, ctrl, shift, s.anchors);
            redrawView();
        } else {
            dropLabelAt(s.pressLabelRow, point);
        }
        break;
    case EditorDrag::Mark:
        // A click without a drag only places the cursor: an earlier range selection ends.
        if (!s.movedSincePress && s.rangeSelected) {
            s.rangeSelected = false;
            redrawView();
        }
        break;
    case EditorDrag::Cursor:
    case EditorDrag::Pan:
    case EditorDrag::None: break;
    }
    endDrag();
    updateToolbar();
    updateStatus();
    return TRUE;
}

LRESULT onCaptureChanged(HWND, UINT, WPARAM, LPARAM) {
    WaveEditorState& s = editor();
    if (s.drag == EditorDrag::Splitter) {
        s.splitterBarX = -1;
        redrawView();
    }
    if (s.drag != EditorDrag::None) {
        s.drag = EditorDrag::None;
        KillTimer(s.dialog, markScrollTimer);
        hideMarkTip();
    }
    return TRUE;
}

LRESULT onLeftDoubleClick(HWND, UINT, WPARAM, LPARAM lParam) {
    WaveEditorState& s = editor();
    const Hit hit = hitAt(pointOf(lParam));
    if (hit.kind != HitKind::Waveform || hit.row < 0) return TRUE;
    const SampleRun run =
        runAround(document().usableImage(), s.rows[static_cast<std::size_t>(hit.row)].mask, hit.sample);
    clearRowSelections(document().labels());
    s.marked = {run.first, run.last, hit.row, hit.row};
    s.rangeSelected = true;
    document().positions().markStart = run.first;
    document().positions().markEnd = run.last;
    updateToolbar();
    viewMoved();
    return TRUE;
}

LRESULT onRightDown(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    const POINT point = pointOf(lParam);
    const Hit hit = hitAt(point);
    if (hit.kind == HitKind::LabelName || hit.kind == HitKind::LabelChannels || hit.kind == HitKind::RowSelect)
        showLabelMenu(dialog, hit, point);
    giveFocusToMainWindow();
    if (hit.kind == HitKind::Waveform) showWaveformMenu(dialog, point);
    return TRUE;
}

LRESULT onMouseWheel(HWND, UINT, WPARAM wParam, LPARAM) {
    WaveEditorState& s = editor();
    bool done = false;
    const ViewPosition zoomed =
        wheelZoomView(s.layout.position, viewFrame(), s.cursors, GET_WHEEL_DELTA_WPARAM(wParam), done);
    if (!done) {
        MessageBeep(MB_OK);
        return TRUE;
    }
    s.layout.position = zoomed;
    viewMoved();
    return TRUE;
}

LRESULT onSetCursor(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != dialog || LOWORD(lParam) != HTCLIENT) return FALSE;
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(dialog, &point);
    const WaveEditorState& s = editor();
    const Hit hit = hitAt(point);
    const LPCWSTR shapes[] = {MAKEINTRESOURCEW(32512), MAKEINTRESOURCEW(32644), MAKEINTRESOURCEW(32646),
                              MAKEINTRESOURCEW(32649)}; // arrow, size west-east, size all, hand
    const PointerShape shape = s.drag == EditorDrag::Splitter ? PointerShape::SplitterMove : pointerShape(hit, s.dragMode);
    SetCursor(LoadCursorW(nullptr, shapes[static_cast<int>(shape)]));
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

LRESULT onEditorTimer(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    WaveEditorState& s = editor();
    switch (wParam) {
    case markScrollTimer:
        if (s.drag != EditorDrag::Mark) {
            KillTimer(dialog, markScrollTimer);
            break;
        }
        s.layout.position = dragEdgeScroll(s.layout.position, viewFrame(), s.lastPoint.x, s.lastPoint.y);
        markTo(s.lastPoint);
        viewMoved();
        break;
    case dragModeTimer:
        s.dragMode = dragModeTick(s.dragMode);
        if (!s.dragMode.active()) KillTimer(dialog, dragModeTimer);
        break;
    case indicatorTimer: advanceIndicator(); break;
    default: break;
    }
    return TRUE;
}

LRESULT onZoomIn(HWND, const Command&) {
    zoomBy(true);
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onZoomOut(HWND, const Command&) {
    zoomBy(false);
    giveFocusToMainWindow();
    return TRUE;
}

// ---- keys -------------------------------------------------------------------------------------------

LRESULT onKeyDown(HWND, UINT, WPARAM wParam, LPARAM lParam) {
    WaveEditorState& s = editor();
    const int key = static_cast<int>(wParam);
    const bool autoRepeat = (lParam & (1 << 30)) != 0;
    s.keyRepeats = autoRepeat && key == s.lastKey ? s.keyRepeats + 1 : 0;
    s.lastKey = key;
    KeyPress press;
    press.key = key;
    press.ctrl = GetKeyState(VK_CONTROL) < 0;
    press.shift = GetKeyState(VK_SHIFT) < 0;
    press.repeats = s.keyRepeats;
    press.labelColumnFocus = s.labelColumnFocus;
    press.outputRunning = s.flags.running.load() != 0;
    press.eventHotKey = document().output().eventHotKey;
    press.hasSelection = !currentEditTarget().empty();
    const KeyOutcome outcome = viewKeyDown(s.layout.position, viewFrame(), s.cursors, press);
    s.layout.position = outcome.view;
    s.cursors = outcome.cursors;
    switch (outcome.action) {
    case KeyAction::None: break;
    case KeyAction::Beep: MessageBeep(MB_OK); break;
    case KeyAction::Redraw:
        viewMoved();
        updateToolbar();
        break;
    case KeyAction::KeyboardEvent: sendKeyboardEvent(key); break;
    case KeyAction::SelectAllRows:
        s.rangeSelected = false;
        selectAllRows(document().labels(), s.rows);
        updateToolbar();
        viewMoved();
        break;
    case KeyAction::SelectAllLabels:
        selectAllDataLabels(document().labels(), s.rows);
        redrawView();
        break;
    case KeyAction::ToggleEditMode:
        app().insertMode = !app().insertMode;
        updateStatus();
        break;
    case KeyAction::AddLabel: postCommand(ID_WAVE_ADD_LABEL); break;
    case KeyAction::DeleteLabel: postCommand(ID_WAVE_DELETE_LABEL); break;
    case KeyAction::Paste: postCommand(ID_WAVE_PASTE); break;
    case KeyAction::Copy: postCommand(ID_WAVE_COPY); break;
    case KeyAction::Cut: postCommand(ID_WAVE_CUT); break;
    case KeyAction::Sweep: break;
    }
    return TRUE;
}

LRESULT onKeyUp(HWND, UINT, WPARAM wParam, LPARAM) {
    WaveEditorState& s = editor();
    s.keyRepeats = 0;
    s.lastKey = 0;
    KeyPress press;
    press.key = static_cast<int>(wParam);
    press.ctrl = GetKeyState(VK_CONTROL) < 0;
    press.shift = GetKeyState(VK_SHIFT) < 0;
    press.outputRunning = s.flags.running.load() != 0;
    if (viewKeyUp(press) == KeyAction::Sweep) openSweepOverRun();
    return TRUE;
}

} // namespace qv::win
