// The Wave Editor's editing commands that need no dialog: Low, High, Invert, Cut, Copy, Paste and
// the two Undos. The operations are core's (edit_ops, over the selection's target); here they are
// applied to the editor's selection and the view is refreshed.
#pragma once

#include <windows.h>

#include "app/dispatch.h"
#include "waveedit/edit_selection.h"

namespace qv::win {

// What an editing operation acts on now: the row-range selection, else the label selection.
EditTarget currentEditTarget();
// Whether Copy or Cut filled the editor's clipboard (Paste is offered).
bool editorHasCopied();
// What the toolbar and the waveform menu offer for a target, by the editing rules.
EditEnabling currentEnabling(const EditTarget& target);

LRESULT onLowLevel(HWND dialog, const Command& command);
LRESULT onHighLevel(HWND dialog, const Command& command);
LRESULT onInvert(HWND dialog, const Command& command);
LRESULT onCut(HWND dialog, const Command& command);
LRESULT onCopy(HWND dialog, const Command& command);
LRESULT onPaste(HWND dialog, const Command& command);
LRESULT onUndo(HWND dialog, const Command& command);
LRESULT onLabelUndo(HWND dialog, const Command& command);

} // namespace qv::win
