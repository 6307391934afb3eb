// The Wave Editor's window state, shared by its modules (window, input, toolbar, running): one
// struct, one editor open at a time. The document itself is core's (document()); this holds what
// only the window knows: the view, the cursors, the selections being made, drags and the painter.
#pragma once

#include <windows.h>

#include "app/settings.h"
#include "device/output_engine.h"
#include "waveedit/column_summary.h"
#include "waveedit/row_tracking.h"
#include "waveedit/run_waveform.h"
#include "waveedit/view_input.h"
#include "waveedit/view_rows.h"
#include "waveedit/view_selection.h"
#include "waveedit/wave_paint.h"
#include "waveedit/waveform_check_run.h" // the editor's help topic

#include <memory>
#include <string>
#include <vector>

namespace qv::win {

// Timers of the editor window.
inline constexpr UINT_PTR markScrollTimer = 1; // marking past the area's edge, every 100 ms
inline constexpr UINT_PTR dragModeTimer = 2; // drag mode's countdown, 100 ms ticks
inline constexpr UINT_PTR indicatorTimer = 3; // the running indicator, every 100 ms
inline constexpr UINT editorTickMilliseconds = 100;
// The output thread asks the window to end a run it refused (12023 No).
inline constexpr UINT editorStopRunMessage = WM_APP + 1;


enum class EditorDrag { None, LabelPress, Splitter, Cursor, Mark, Pan };

struct WaveEditorState {
    HWND dialog = nullptr;
    HWND mainWindow = nullptr;
    HWND statusBar = nullptr;
    HWND markTip = nullptr;
    std::string settingsKey;
    WaveEditSettings settings;
    std::string startPath;

    // View.
    std::vector<ViewRow> rows;
    std::vector<RowKey> rowKeys; // who each row is: the marks follow their labels by these
    ViewLayout layout; // its splitters as shown: the chosen ones, squeezed by a narrow window
    Splitters chosenSplitters = defaultSplitters; // as the user left them, what is stored
    ViewArea area;
    int rulerTop = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    bool laidOut = false;
    ColumnSummary summary;
    bool summaryValid = false; // built from the image as it is now
    ViewPosition summaryView; // the view and area width the summary was built for
    int summaryWidth = 0;
    std::unique_ptr<WavePainter> painter;
    HBITMAP backBuffer = nullptr;
    SIZE backBufferSize{};

    // Cursors and selections.
    CursorState cursors;
    SelectionAnchors anchors;
    bool rangeSelected = false; // a row-range selection made by a drag (or a double click)
    MarkedArea marked;
    bool labelColumnFocus = false;

    // Mouse.
    EditorDrag drag = EditorDrag::None;
    int dragIndex = -1; // the splitter or cursor being moved
    int pressSample = 0;
    int pressRow = 0;
    int pressLabelRow = -1;
    POINT pressPoint{};
    POINT lastPoint{};
    POINT lastMove{};
    bool movedSincePress = false;
    ViewPosition viewAtPress;
    int splitterBarX = -1; // the inverted bar of a splitter drag, drawn at this x
    DragMode dragMode;
    int keyRepeats = 0;
    int lastKey = 0;

    // Running.
    OutputFlags flags;
    WaveRunThread runThread;
    int indicatorPhase = 0;
    bool outputWaiting = false; // the sequencer stands at a WE: the indicator and status say so
    bool waitsForExternalEvent = false; // the document selects an external event somewhere
    std::vector<HICON> toolbarIcons; // by toolbar index
    HICON busyIcons[8] = {};
};

WaveEditorState& editor();
int usableSamples();
ViewFrame viewFrame();

// After a label or document change: rows rebuilt, view kept valid, everything redrawn.
void refreshDocumentView();
// After the image changed in ways the caller does not track: scroll bars, summary and waveform anew.
void refreshView();
// After a view or cursor move, the image untouched: the summary is rebuilt only when the shown
// samples or their columns changed.
void viewMoved();
// After the samples of first..last changed: the summary updated for those columns, redrawn.
void samplesChanged(int first, int last);
void redrawView();
// After the splitters moved: the waveform area and the scroll bars placed anew.
void relayoutEditor();
void updateStatus();
void updateToolbar();
void giveFocusToMainWindow();

} // namespace qv::win
