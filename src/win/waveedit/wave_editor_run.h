// Running from the Wave Editor: Run starts the output thread over the document through the
// output engine, Stop Run powers the instrument down, Set Parameter edits the clock and keys,
// the running indicator animates while output is active, the event hot key releases a waiting
// sequencer and Ctrl+Shift+S opens the Sweep over a running output.
#pragma once

#include <windows.h>

#include "app/dispatch.h"

namespace qv::win {

LRESULT onRun(HWND dialog, const Command& command);
LRESULT onStopRun(HWND dialog, const Command& command);
LRESULT onSetParameter(HWND dialog, const Command& command);
// The output thread refused the clock (12023 No) or could not prepare the image: Stop Run.
LRESULT onStopRunMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The editor closing: a run still going is stopped and its thread joined.
void stopRunForClose();
void drawIndicator(const DRAWITEMSTRUCT& item);
void advanceIndicator();
void sendKeyboardEvent(int key);
void openSweepOverRun();

} // namespace qv::win
