// Print (dialog 376, toolbar 11006) and Clipboard Size (dialog 378). The dialog chooses the
// target (printer, clipboard, BMP files), the range and the scale; its choices are kept for the
// next use while the program runs. Without a printer it says 12039 and stays open with the
// printer part disabled, so the bitmap targets remain usable.
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dialog_template.h"
#include "waveedit/print_layout.h"
#include "waveedit/print_output.h"

namespace qv::win {

inline constexpr int printHelpContext = 119;

extern const DialogDefinition printDialog; // lParam: const PrintRequest*
extern const DialogDefinition clipboardSizeDialog; // lParam: PrintSettings* (its clipboard size)

// Runs Print modally; true when something was printed or exported.
bool runPrint(HWND owner, const PrintRequest& request);

// The settings kept between uses (tests read and reset them).
PrintSettings& keptPrintSettings();

} // namespace qv::win
