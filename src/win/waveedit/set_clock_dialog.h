// Set Clock (dialog 330, toolbar 11030): a clock over the selected rows and marked area. The dialog
// shows the marked area's times and the clock's frequency, reads the half period (kept between
// uses) and the start value, and hands them to core (checkClock, drawClock).
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dialog_template.h"
#include "waveedit/document.h"
#include "waveedit/edit_selection.h"

namespace qv::win {

inline constexpr int setClockHelpContext = 125;

struct SetClockRequest {
    Document* doc = nullptr;
    EditTarget target; // the rows and the marked area the clock is drawn into
    bool changed = false; // out: the clock was drawn
};

extern const DialogDefinition setClockDialog; // lParam: SetClockRequest*

// Runs the dialog modally over the target; true when the clock was drawn.
bool runSetClock(HWND owner, Document& doc, const EditTarget& target);

} // namespace qv::win
