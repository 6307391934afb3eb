// The label column's context menu and the label commands that need no dialog (Delete, Delete All,
// Add All Labels, Decompose), and the drop that ends dragging a label name. Which entries the menu
// holds and what each operation does to the label table are core's (label_ops); here the menu is
// built and tracked, answers are asked, and the view is rebuilt after a change.
#pragma once

#include <windows.h>

#include "app/dispatch.h"
#include "waveedit/view_input.h"

#include <functional>

namespace qv::win {

// A right click in the label column (hit on a label name, its channels or the row-select part, or
// on the empty part below the rows): a label that is not selected becomes the only selected one,
// then the menu for the selection; the chosen entry is sent to the editor as its command.
void showLabelMenu(HWND dialog, const Hit& hit, POINT client);

// The menu is tracked by TrackPopupMenu unless a test replaces the tracker: it receives the built
// menu and returns the chosen command id (0: none). An empty function restores the real menu.
using LabelMenuTracker = std::function<int(HMENU menu)>;
void setLabelMenuTracker(LabelMenuTracker tracker);

// A left release after dragging a label name (pressed on row draggedRow) at client point `at`: in
// the top quarter of a row the labels move before it, elsewhere on a row they combine with it
// (Modify Label Name follows when the dragged label was selected); below the rows they move to the
// end. Outside the label column nothing happens.
void dropLabelAt(int draggedRow, POINT at);
// While a label name is dragged (the window has the capture, so no WM_SETCURSOR): the insert shape
// over the top quarter of a row or below the rows, the combine shape elsewhere on a row, the
// refused shape outside the label column.
void showLabelDragPointer(POINT at);

LRESULT onDeleteLabel(HWND dialog, const Command& command);
LRESULT onDeleteAllLabels(HWND dialog, const Command& command);
LRESULT onAddAllLabels(HWND dialog, const Command& command);
LRESULT onDecomposeLabels(HWND dialog, const Command& command);

// After a label operation changed the table: rows rebuilt, view redrawn, focus back to the main
// window. Shared by the label dialogs' commands.
void labelsChanged();
// After a label dialog: the view anew when it changed the labels, else the focus back.
void afterLabelDialog(bool changed);
// A refused label operation: its message in an error box owned by the editor.
void showLabelRefusal(HWND owner, Msg refusal);
// OK of a label dialog: a refusal is shown and the dialog stays open (false); otherwise the dialog
// ends with IDOK (true).
bool endWhenAccepted(HWND dialog, Msg refusal);

} // namespace qv::win
