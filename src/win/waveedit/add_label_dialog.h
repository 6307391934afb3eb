// Add Label(s) (dialog 338, command 11013, Insert in the label column): one single label on a
// channel with a name and a colour, or the "CH-nn" labels of chosen PODs. The rules and the table
// change are core's (label_ops addLabel, addPods); a refused entry is shown and the dialog stays.
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "waveedit/document.h"

namespace qv::win {

inline constexpr int addLabelHelpContext = 109;

struct AddLabelRequest {
    Document* doc = nullptr;
    bool changed = false; // out: labels were added
    int firstNewRow = -1; // out: the first added row
};

extern const DialogDefinition addLabelDialog; // lParam: AddLabelRequest*

// The editor's command: the dialog, then the new row scrolled to the top of the view.
LRESULT onAddLabel(HWND dialog, const Command& command);

} // namespace qv::win
