// Add Bus Label (11037), Combine Labels (11019) and Arrange Labels (11021): one dialog 341,
// captioned "Add Bus Label", "Group" or "Regroup". Channel buttons build the bit order shown in
// the MSB..LSB strip; which channels are offered and what OK does are core's (label_ops
// busDialogChannels, BitOrder, applyBusLabel). A refused bus keeps the dialog open.
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "waveedit/document.h"
#include "waveedit/label_ops.h"

namespace qv::win {

inline constexpr int busLabelHelpContext = 110;
inline constexpr int busDialogChannelButtons = 50; // "0" .. "49"

struct BusLabelRequest {
    Document* doc = nullptr;
    BusDialogMode mode = BusDialogMode::AddBus;
    bool changed = false; // out: the table was changed
};

extern const DialogDefinition busLabelDialog; // lParam: BusLabelRequest*

LRESULT onAddBusLabel(HWND dialog, const Command& command);
LRESULT onCombineLabels(HWND dialog, const Command& command);
LRESULT onArrangeLabels(HWND dialog, const Command& command);

} // namespace qv::win
