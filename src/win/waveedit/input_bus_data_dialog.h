// Input Bus Data (dialog 334 "Data Setting", toolbar 11032): values written onto one bus label
// over the marked area, from a counter in a radix or from the bytes of a file. The dialog moves its
// controls into a BusDataSetting; checking and writing are core's (checkBusData, writeBusData).
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dialog_template.h"
#include "waveedit/document.h"
#include "waveedit/edit_selection.h"
#include "waveedit/view_rows.h"

#include <string>

namespace qv::win {

inline constexpr int busDataHelpContext = 126;

struct BusDataRequest {
    Document* doc = nullptr;
    EditTarget target; // the marked area
    ViewRow bus; // the bus label written
    std::string startPath; // where Browse opens
    bool changed = false; // out: the values were written
};

extern const DialogDefinition busDataDialog; // lParam: BusDataRequest*

// Runs the dialog modally; true when the values were written.
bool runInputBusData(HWND owner, BusDataRequest& request);

} // namespace qv::win
