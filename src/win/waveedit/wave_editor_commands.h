// The Wave Editor's file and command buttons: New, Open, Save, Command Setting and Waveform Check.
// The dialogs are their own modules; here their results meet the view (rows, cursors, selection).
#pragma once

#include <windows.h>

#include "app/dispatch.h"

namespace qv::win {

LRESULT onNew(HWND dialog, const Command& command);
LRESULT onOpen(HWND dialog, const Command& command);
LRESULT onSave(HWND dialog, const Command& command);
// Print (11006): the Print dialog over the document, its rows and the current selection.
LRESULT onPrint(HWND dialog, const Command& command);
LRESULT onCommandSetting(HWND dialog, const Command& command);
LRESULT onWaveformCheck(HWND dialog, const Command& command);

} // namespace qv::win
