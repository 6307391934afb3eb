// Label Setting (dialog 339, commands 11035 Property and 11036 Properties): name (one label
// selected), group type and colour of the selected labels. What it shows on opening and what OK
// writes are core's (label_ops openLabelSetting, applyLabelSetting); a refused name keeps it open.
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "waveedit/document.h"
#include "waveedit/label_ops.h"

namespace qv::win {

inline constexpr int labelSettingHelpContext = 114;

struct LabelSettingRequest {
    Document* doc = nullptr;
    LabelSettingValues opened; // as openLabelSetting gave them
    bool changed = false; // out: the labels were written
};

extern const DialogDefinition labelSettingDialog; // lParam: LabelSettingRequest*

LRESULT onLabelProperties(HWND dialog, const Command& command);

} // namespace qv::win
