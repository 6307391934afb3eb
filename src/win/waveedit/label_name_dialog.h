// Modify Label Name (command 11018, and after combining labels by dragging): a frameless edit
// (dialog 340) laid exactly over the first selected label's name in the label column, preselected;
// Enter applies the name rules and renames the label (core's renameSelectedLabel), Esc cancels.
#pragma once

#include <windows.h>

#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "waveedit/document.h"

namespace qv::win {

struct LabelNameRequest {
    Document* doc = nullptr;
    RECT screenRect{}; // where the edit lies: the label's name part, in screen coordinates
    bool changed = false; // out: the label was renamed
};

extern const DialogDefinition labelNameDialog; // lParam: LabelNameRequest*

LRESULT onModifyLabelName(HWND dialog, const Command& command);

} // namespace qv::win
