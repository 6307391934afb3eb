// The Wave Editor's editing commands that open a dialog or a menu: Clock, Input Bus Data, the
// Sample Wizard and the waveform area's context menu. The dialogs are their own modules; here they
// get the editor's selection and their results meet the view.
#pragma once

#include <windows.h>

#include "app/dispatch.h"

namespace qv::win {

LRESULT onClock(HWND dialog, const Command& command);
LRESULT onBusData(HWND dialog, const Command& command);
LRESULT onSampleWizard(HWND dialog, const Command& command);

// The waveform area's context menu as it would show now (the caller destroys it).
HMENU createWaveformMenu();
// The waveform area's context menu at a client point: "Undo", a separator, "Cut", "Copy",
// "Paste", enabled as the selection and the clipboard allow. The chosen entry is posted to the
// editor as its command.
void showWaveformMenu(HWND dialog, POINT clientPoint);

} // namespace qv::win
