// The Wave Editor's window: opening and closing (hand-off files, settings, placement), layout,
// painting through the shared painter into a back buffer, the scroll bars, the status bar and the
// message and command tables. Mouse and keys are in wave_editor_input.cpp, the toolbar in
// wave_toolbar.cpp, running in wave_editor_run.cpp.
#include "waveedit/wave_editor.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/registry_store.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "resource.h"
#include "waveedit/add_label_dialog.h"
#include "waveedit/bus_label_dialog.h"
#include "waveedit/handoff.h"
#include "waveedit/label_menu.h"
#include "waveedit/label_name_dialog.h"
#include "waveedit/label_setting_dialog.h"
#include "waveedit/labels.h"
#include "waveedit/row_shapes.h"
#include "waveedit/texts.h"
#include "waveedit/wave_editor_commands.h"
#include "waveedit/wave_editor_edit.h"
#include "waveedit/wave_editor_edit_dialogs.h"
#include "waveedit/wave_editor_input.h"
#include "waveedit/wave_editor_run.h"
#include "waveedit/wave_editor_state.h"
#include "waveedit/wave_toolbar.h"
#include "waveedit/waveform_file_dialogs.h"
#include "waveedit/waveform_files.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace qv::win {
namespace {

WaveEditorState* current = nullptr;

constexpr int indicatorWidth = 62; // the running indicator, left of the label column under the toolbar
constexpr int indicatorHeight = 26;
// Right edges: mode, cursor, A to B, start, end, duration, and what waiting output needs.
constexpr int markStatusPart = 3;
constexpr int waitStatusPart = 6;

SettingsStore& store() { return *placementStore(); }

// ---- layout -------------------------------------------------------------------------------------

int toolbarBottom(HWND dialog) {
    RECT button{};
    GetWindowRect(GetDlgItem(dialog, ID_WAVE_OPEN), &button);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&button), 2);
    return button.bottom + 2;
}

void layout(HWND dialog, int width, int height) {
    WaveEditorState& s = editor();
    s.clientWidth = width;
    s.clientHeight = height;
    SendMessageW(s.statusBar, WM_SIZE, 0, 0);
    RECT status{};
    GetWindowRect(s.statusBar, &status);
    const int statusHeight = status.bottom - status.top;
    const int scrollHeight = GetSystemMetrics(SM_CYHSCROLL);
    const int scrollWidth = GetSystemMetrics(SM_CXVSCROLL);

    s.rulerTop = toolbarBottom(dialog);
    // The toolbar strip and its buttons are drawn anew at every size: buttons that a narrow window
    // had cut off would otherwise come back as black squares when it grows.
    const RECT strip{0, 0, width, s.rulerTop};
    RedrawWindow(dialog, &strip, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    const int hscrollTop = std::max(height - statusHeight - scrollHeight, s.rulerTop + indicatorHeight);
    MoveWindow(GetDlgItem(dialog, IDC_WAVE_INDICATOR), 0, s.rulerTop, indicatorWidth, indicatorHeight, FALSE);

    s.layout.splitters = normaliseSplitters(s.chosenSplitters, width - scrollWidth);
    s.area.top = s.rulerTop + indicatorHeight;
    s.area.left = waveformLeft(s.layout.splitters);
    s.area.width = std::max(width - scrollWidth - s.area.left, 1);
    s.area.height = std::max(hscrollTop - s.area.top, 0);
    s.area.rowHeight = defaultRowHeight;

    MoveWindow(GetDlgItem(dialog, IDC_WAVE_HSCROLL), s.area.left, hscrollTop, s.area.width, scrollHeight, TRUE);
    MoveWindow(GetDlgItem(dialog, IDC_WAVE_VSCROLL), width - scrollWidth, s.area.top, scrollWidth, s.area.height, TRUE);
    MoveWindow(GetDlgItem(dialog, IDC_WAVE_CORNER), width - scrollWidth, hscrollTop, scrollWidth, scrollHeight, TRUE);

    if (!s.laidOut) {
        // The first layout places the view as the settings kept it, now that the area is known.
        s.layout =
            viewFromSettings(s.settings, width - scrollWidth, s.area, usableSamples(), static_cast<int>(s.rows.size()));
        s.area.left = waveformLeft(s.layout.splitters);
        s.area.width = std::max(width - scrollWidth - s.area.left, 1);
        s.laidOut = true;
    }
    viewMoved();
}

void clampView() {
    WaveEditorState& s = editor();
    ViewPosition& view = s.layout.position;
    view.zoom = reachableZoom(normaliseZoom(view.zoom), usableSamples(), s.area.width);
    view.firstSample = std::clamp(view.firstSample, 0, lastFirstSample(view.zoom, s.area.width, usableSamples()));
    view.firstRow = clampFirstRow(s.area, static_cast<int>(s.rows.size()), view.firstRow);
}

void setScroll(int control, const ScrollRange& range) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = range.minimum;
    info.nMax = range.maximum;
    info.nPage = static_cast<UINT>(range.page);
    info.nPos = range.position;
    SetScrollInfo(GetDlgItem(editor().dialog, control), SB_CTL, &info, TRUE);
}

// ---- painting -----------------------------------------------------------------------------------

WaveScene scene() {
    WaveEditorState& s = editor();
    WaveScene scene;
    scene.image = document().usableImage();
    scene.rows = s.rows;
    scene.labels = &document().labels();
    scene.summary = &s.summary;
    scene.view = s.layout.position;
    scene.area = s.area;
    scene.splitters = s.layout.splitters;
    scene.rulerTop = s.rulerTop;
    scene.cursors = s.cursors;
    scene.rangeSelected = s.rangeSelected;
    scene.marked = s.marked;
    return scene;
}

void ensureSummary() {
    WaveEditorState& s = editor();
    const ViewPosition& view = s.layout.position;
    if (s.summaryValid && s.summaryWidth == s.area.width && s.summaryView.firstSample == view.firstSample &&
        s.summaryView.zoom == view.zoom)
        return;
    buildViewSummary(s.summary, document().usableImage(), view, s.area.width);
    s.summaryValid = true;
    s.summaryView = view;
    s.summaryWidth = s.area.width;
}

LRESULT onPaint(HWND dialog, UINT, WPARAM, LPARAM) {
    WaveEditorState& s = editor();
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(dialog, &paint);
    // The dialog has a null background brush: the toolbar strip is painted here.
    const RECT strip{0, 0, s.clientWidth, s.rulerTop};
    FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
    const int right = s.area.right();
    const int bottom = s.area.bottom();
    if (right > 0 && bottom > s.rulerTop && s.painter) {
        ensureSummary();
        if (!s.backBuffer || s.backBufferSize.cx < right || s.backBufferSize.cy < bottom) {
            if (s.backBuffer) DeleteObject(s.backBuffer);
            s.backBuffer = CreateCompatibleBitmap(dc, right, bottom);
            s.backBufferSize = {right, bottom};
        }
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, s.backBuffer);
        const RECT bounds{0, s.rulerTop, right, bottom};
        s.painter->paint(memory, scene(), bounds);
        BitBlt(dc, 0, s.rulerTop, right, bottom - s.rulerTop, memory, 0, s.rulerTop, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        if (s.splitterBarX >= 0) {
            const RECT bar{s.splitterBarX - splitterHalfWidth, s.rulerTop, s.splitterBarX + splitterHalfWidth + 1,
                           bottom};
            InvertRect(dc, &bar);
        }
    }
    EndPaint(dialog, &paint);
    return TRUE;
}

// ---- opening and closing --------------------------------------------------------------------------

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM parameter) {
    current = new WaveEditorState;
    WaveEditorState& s = *current;
    s.dialog = dialog;
    s.mainWindow = GetParent(dialog);
    s.settingsKey = app().keyPath(ModuleKey::WaveEdit);
    readWaveEditSettings(store(), s.settingsKey, s.settings);
    s.chosenSplitters = {s.settings.paneDivision1, s.settings.paneDivision2, s.settings.paneDivision3};
    std::string startPath;
    readStartPath(store(), s.settingsKey, app().workDirectory, startPath);
    s.startPath = startPath;

    Document& doc = document();
    loadHandoffFiles(app().workDirectory, doc);
    // A tool's result is a new document, as is the first one of the session; reopened, the
    // editor's own document keeps what was last saved.
    if (parameter == handOffRequest || !doc.hasSavedFingerprint()) doc.markSaved();
    OutputSettings& output = doc.output();
    output.baseFrequency = s.settings.baseFrequency;
    output.frequencyMode = s.settings.frequencyMode;
    output.cursorChangeInterval = s.settings.cursorChange;
    output.saveMode = s.settings.saveMode;
    output.outputLevel0 = app().outputLevel1;
    output.outputLevel1 = app().outputLevel2;
    s.rows = viewRows(doc.labels());
    s.rowKeys = rowKeys(s.rows, doc.labels());
    s.cursors.samples = doc.positions().cursors;
    s.cursors.samples[CursorT] = unsetPosition; // the command position is unset in a new view

    s.painter = std::make_unique<WavePainter>(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    s.statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, dialog,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_WAVE_STATUS)),
                                  reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
    SendMessageW(s.statusBar, SB_SETPARTS, statusPartEdges.size(), reinterpret_cast<LPARAM>(statusPartEdges.data()));
    setUpToolbar(dialog);
    CheckDlgButton(dialog, IDC_WAVE_CORNER, BST_CHECKED);
    for (int i = 0; i < 8; ++i)
        s.busyIcons[i] = static_cast<HICON>(
            LoadImageW(resourceModule(), MAKEINTRESOURCEW(IDI_BUSY_IDLE + i), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    createMarkTip(dialog);

    RECT client{};
    GetClientRect(dialog, &client);
    layout(dialog, client.right, client.bottom);
    updateToolbar();
    updateStatus();
    return TRUE;
}

void saveSettings() {
    WaveEditorState& s = editor();
    const Document& doc = document();
    ViewLayout kept = s.layout;
    kept.splitters = s.chosenSplitters; // not what a narrow window squeezed them to
    viewToSettings(kept, s.settings);
    s.settings.baseFrequency = doc.output().baseFrequency;
    s.settings.frequencyMode = doc.output().frequencyMode;
    s.settings.cursorChange = doc.output().cursorChangeInterval;
    s.settings.saveMode = doc.output().saveMode;
    s.settings.placement = windowPlacement(s.mainWindow);
    writeWaveEditSettings(store(), s.settingsKey, s.settings);
    writeStartPath(store(), s.settingsKey, s.startPath);
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    WaveEditorState& s = editor();
    stopRunForClose();
    Document& doc = document();
    doc.positions().cursors = s.cursors.samples;
    doc.positions().firstVisibleSample = s.layout.position.firstSample;
    doc.positions().firstVisibleRow = s.layout.position.firstRow;
    saveSettings();
    // A tool's Convert asks before it replaces work that only the hand-off files keep.
    doc.setHandoffUnsaved(hasDataLabel(doc.labels()) && doc.differsFromSaved());
    saveHandoffOnClose(app().workDirectory, doc);
    KillTimer(dialog, markScrollTimer);
    KillTimer(dialog, dragModeTimer);
    KillTimer(dialog, indicatorTimer);
    closeFunctionDialog(s.mainWindow);
    DestroyWindow(dialog);
    return TRUE;
}

LRESULT onDestroy(HWND, UINT, WPARAM, LPARAM) {
    if (!current) return FALSE;
    if (current->backBuffer) DeleteObject(current->backBuffer);
    for (HICON icon : current->busyIcons)
        if (icon) DestroyIcon(icon);
    for (HICON icon : current->toolbarIcons)
        if (icon) DestroyIcon(icon);
    delete current;
    current = nullptr;
    return FALSE;
}

LRESULT onSize(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    if (current) layout(dialog, LOWORD(lParam), HIWORD(lParam));
    return TRUE;
}

LRESULT onEraseBackground(HWND, UINT, WPARAM, LPARAM) { return TRUE; }

LRESULT onColourDialog(HWND, UINT, WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)); }

// ---- scroll bars ----------------------------------------------------------------------------------

ScrollAction scrollActionOf(WORD code) {
    switch (code) {
    case SB_LINELEFT: return ScrollAction::LineBack;
    case SB_LINERIGHT: return ScrollAction::LineForward;
    case SB_PAGELEFT: return ScrollAction::PageBack;
    case SB_PAGERIGHT: return ScrollAction::PageForward;
    case SB_LEFT: return ScrollAction::ToStart;
    case SB_RIGHT: return ScrollAction::ToEnd;
    default: return ScrollAction::Track;
    }
}

int trackPosition(HWND bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(bar, SB_CTL, &info);
    return info.nTrackPos;
}

LRESULT onHorizontalScroll(HWND, UINT, WPARAM wParam, LPARAM lParam) {
    const WORD code = LOWORD(wParam);
    if (code == SB_ENDSCROLL) return TRUE;
    WaveEditorState& s = editor();
    ViewPosition& view = s.layout.position;
    view.firstSample = scrolledFirstSample(view, s.area.width, usableSamples(), scrollActionOf(code),
                                           trackPosition(reinterpret_cast<HWND>(lParam)));
    viewMoved();
    return TRUE;
}

LRESULT onVerticalScroll(HWND, UINT, WPARAM wParam, LPARAM lParam) {
    const WORD code = LOWORD(wParam);
    if (code == SB_ENDSCROLL) return TRUE;
    WaveEditorState& s = editor();
    ViewPosition& view = s.layout.position;
    view.firstRow = scrolledFirstRow(view, s.area, static_cast<int>(s.rows.size()), scrollActionOf(code),
                                     trackPosition(reinterpret_cast<HWND>(lParam)));
    viewMoved();
    return TRUE;
}

// ---- commands -------------------------------------------------------------------------------------

LRESULT onCorner(HWND, const Command&) {
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onHelp(HWND dialog, const Command&) {
    openHelpTopic(dialog, waveEditorHelpTopic, waveEditorHelpContext);
    return TRUE;
}

LRESULT onHelpMessage(HWND dialog, UINT, WPARAM, LPARAM) {
    openHelpTopic(dialog, waveEditorHelpTopic, waveEditorHelpContext);
    return TRUE;
}

LRESULT onDrawItem(HWND, UINT, WPARAM, LPARAM lParam) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item.CtlID == IDC_WAVE_INDICATOR)
        drawIndicator(item);
    else
        drawToolbarItem(item);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, onClose},
    {WM_DESTROY, onDestroy},
    {WM_PAINT, onPaint},
    {WM_ERASEBKGND, onEraseBackground},
    {WM_SIZE, onSize},
    {WM_DRAWITEM, onDrawItem},
    {WM_TIMER, onEditorTimer},
    {WM_CTLCOLORDLG, onColourDialog},
    {WM_LBUTTONDOWN, onLeftDown},
    {WM_LBUTTONUP, onLeftUp},
    {WM_LBUTTONDBLCLK, onLeftDoubleClick},
    {WM_RBUTTONDOWN, onRightDown},
    {WM_MOUSEMOVE, onMouseMove},
    {WM_MOUSEWHEEL, onMouseWheel},
    {WM_SETCURSOR, onSetCursor},
    {WM_CAPTURECHANGED, onCaptureChanged},
    {WM_HSCROLL, onHorizontalScroll},
    {WM_VSCROLL, onVerticalScroll},
    {toolKeyDown, onKeyDown},
    {toolKeyUp, onKeyUp},
    {toolHelp, onHelpMessage},
    {editorStopRunMessage, onStopRunMessage},
};

constexpr CommandEntry commands[] = {
    {IDC_WAVE_CORNER, onCorner},
    {ID_WAVE_ZOOM_IN, onZoomIn},
    {ID_WAVE_ZOOM_OUT, onZoomOut},
    {ID_WAVE_HELP, onHelp},
    {ID_WAVE_RUN, onRun},
    {ID_WAVE_STOP_RUN, onStopRun},
    {ID_WAVE_SET_PARAMETER, onSetParameter},
    {ID_WAVE_NEW, onNew},
    {ID_WAVE_LOW, onLowLevel},
    {ID_WAVE_HIGH, onHighLevel},
    {ID_WAVE_INVERT, onInvert},
    {ID_WAVE_CUT, onCut},
    {ID_WAVE_COPY, onCopy},
    {ID_WAVE_PASTE, onPaste},
    {ID_WAVE_UNDO, onUndo},
    {ID_WAVE_LABEL_UNDO, onLabelUndo},
    {ID_WAVE_ADD_LABEL, onAddLabel},
    {ID_WAVE_DELETE_LABEL, onDeleteLabel},
    {ID_WAVE_ADD_ALL_LABELS, onAddAllLabels},
    {ID_WAVE_DELETE_ALL_LABELS, onDeleteAllLabels},
    {ID_WAVE_DECOMPOSE, onDecomposeLabels},
    {ID_WAVE_MODIFY_LABEL_NAME, onModifyLabelName},
    {ID_WAVE_PROPERTIES, onLabelProperties},
    {ID_WAVE_LABEL_PROPERTIES, onLabelProperties},
    {ID_WAVE_ADD_BUS_LABEL, onAddBusLabel},
    {ID_WAVE_COMBINE, onCombineLabels},
    {ID_WAVE_ARRANGE, onArrangeLabels},
    {ID_WAVE_OPEN, onOpen},
    {ID_WAVE_SAVE, onSave},
    {ID_WAVE_PRINT, onPrint},
    {ID_WAVE_COMMAND_SETTING, onCommandSetting},
    {ID_WAVE_CHECK, onWaveformCheck},
    {ID_WAVE_CLOCK, onClock},
    {ID_WAVE_BUS_DATA, onBusData},
    {ID_WAVE_SAMPLE_WIZARD, onSampleWizard},
};

constexpr MessageTable table{messages, commands};

} // namespace

const DialogDefinition waveEditorDialog{IDD_WAVE_EDITOR, dialogProcedure<table>};

WaveEditorState& editor() { return *current; }
HWND waveEditorWindow() { return current ? current->dialog : nullptr; }
int usableSamples() { return document().usableSamples(); }

ViewFrame viewFrame() {
    const WaveEditorState& s = editor();
    return {s.area, s.layout.splitters, usableSamples(), static_cast<int>(s.rows.size())};
}

void openWaveEditor(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    HWND dialog = openFunctionDialog(mainWindow, waveEditorDialog, parameter);
    if (!dialog || !current) return;
    // The editor sizes with the main window: its frame back, at the placement the editor keeps.
    const Placement& placement = current->settings.placement;
    SetWindowLongPtrW(mainWindow, GWL_STYLE, GetWindowLongPtrW(mainWindow, GWL_STYLE) | WS_MAXIMIZEBOX | WS_THICKFRAME);
    SetWindowPos(mainWindow, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    applyPlacement(mainWindow, placement);
    RECT client{};
    GetClientRect(mainWindow, &client);
    MoveWindow(dialog, 0, 0, client.right, client.bottom, TRUE);
    // A document that came from no file is untitled, as is a tool's result (the title would
    // name the file the editor last opened or saved).
    char title[512] = {};
    GetWindowTextA(mainWindow, title, sizeof title);
    if (parameter == handOffRequest || !std::strstr(title, " - ")) showDocumentTitle(mainWindow, {});
    giveFocusToMainWindow();
}

// ---- shared refreshes -------------------------------------------------------------------------------

void refreshDocumentView() {
    WaveEditorState& s = editor();
    s.rows = viewRows(document().labels());
    // The row numbers changed: the selection, cursors and anchors stay on their labels (or go).
    std::vector<RowKey> keys = rowKeys(s.rows, document().labels());
    RowMarks marks{s.rangeSelected, s.marked, s.cursors, s.anchors};
    followLabels(s.rowKeys, keys, marks);
    s.rangeSelected = marks.rangeSelected;
    s.marked = marks.marked;
    s.cursors = marks.cursors;
    s.anchors = marks.anchors;
    s.rowKeys = std::move(keys);
    refreshView();
    updateToolbar();
}

void refreshView() {
    editor().summaryValid = false;
    viewMoved();
}

void viewMoved() {
    WaveEditorState& s = editor();
    clampView();
    setScroll(IDC_WAVE_HSCROLL, horizontalScroll(s.layout.position, s.area.width, usableSamples()));
    setScroll(IDC_WAVE_VSCROLL, verticalScroll(s.layout.position, s.area, static_cast<int>(s.rows.size())));
    enableZoomButtons();
    redrawView();
    updateStatus();
}

void samplesChanged(int first, int last) {
    WaveEditorState& s = editor();
    if (s.summaryValid) s.summary.update(document().usableImage(), first, last);
    redrawView();
}

void redrawView() {
    WaveEditorState& s = editor();
    const RECT view{0, s.rulerTop, s.area.right(), s.area.bottom()};
    InvalidateRect(s.dialog, &view, FALSE);
}

namespace {

// The parts re-laid so that the last one shows `last` whole (the status bar's own font, a margin
// for its borders).
void fitStatusParts(const std::wstring& last) {
    WaveEditorState& s = editor();
    int width = 0;
    if (!last.empty()) {
        HDC dc = GetDC(s.statusBar);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(s.statusBar, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, last.c_str(), static_cast<int>(last.size()), &size);
        SelectObject(dc, previous);
        ReleaseDC(s.statusBar, dc);
        width = size.cx + 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL); // the grip
    }
    RECT bar{};
    GetClientRect(s.statusBar, &bar);
    const std::array<int, 7> edges = fittedStatusParts(bar.right, width);
    SendMessageW(s.statusBar, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

} // namespace

void updateStatus() {
    WaveEditorState& s = editor();
    if (!s.statusBar) return;
    const Language language = catalogueLanguage(currentLanguage());
    auto setPart = [&](int part, const std::wstring& text) {
        SendMessageW(s.statusBar, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text.c_str()));
    };
    setPart(0, fromUtf8(std::string{editModeText(app().insertMode, language)}));
    const int active = s.cursors.active;
    const int sample = s.cursors.samples[static_cast<std::size_t>(active)];
    const char letter = "TABCDE"[active];
    char line[160];
    if (sample == unsetPosition) {
        std::snprintf(line, sizeof line, toUtf8(loadString(Msg::CursorUnset)).c_str(), letter);
    } else {
        std::snprintf(line, sizeof line, toUtf8(loadString(Msg::CursorStatus)).c_str(), letter, sample,
                      timeText(sample, document().output().baseFrequency).c_str());
    }
    setPart(1, fromUtf8(line));
    const int frequency = document().output().baseFrequency;
    setPart(2, fromUtf8(cursorDeltaText(s.cursors.samples[CursorA], s.cursors.samples[CursorB], frequency, language)));
    if (s.rangeSelected) {
        const MarkStatusTexts mark = markStatusTexts(s.marked.markStart, s.marked.markEnd, frequency, language);
        setPart(markStatusPart, fromUtf8(mark.start));
        setPart(markStatusPart + 1, fromUtf8(mark.end));
        setPart(markStatusPart + 2, fromUtf8(mark.duration));
    } else {
        for (int part = markStatusPart; part < markStatusPart + 3; ++part) setPart(part, L"");
    }
    const std::wstring waiting = s.outputWaiting
        ? fromUtf8(waitingText(document().output().eventHotKey, s.waitsForExternalEvent, language))
        : std::wstring();
    fitStatusParts(waiting);
    setPart(waitStatusPart, waiting);
}

void relayoutEditor() {
    WaveEditorState& s = editor();
    layout(s.dialog, s.clientWidth, s.clientHeight);
}

void giveFocusToMainWindow() {
    if (editor().mainWindow) SetFocus(editor().mainWindow);
}

} // namespace qv::win
