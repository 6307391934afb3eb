// Sweep (dialog 417), opened over a running output: start, end, step and interval, One Time, Loop
// or Swing, and a Start button that turns into Stop while a timer sets each frequency. The rules
// and the driver step are core's (waveedit/sweep).
#pragma once

#include <windows.h>

#include "app/dialog_template.h"
#include "device/output_engine.h"

namespace qv::win {

inline constexpr UINT_PTR sweepTimerId = 1;

extern const DialogDefinition sweepDialog; // lParam: OutputPorts*
INT_PTR runSweep(HWND owner, OutputPorts& ports);

} // namespace qv::win
