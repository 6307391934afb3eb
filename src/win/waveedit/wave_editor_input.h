// The Wave Editor's mouse and keys: hit testing, drags (splitters, cursor handles, marking with
// auto-scroll, panning in drag mode), clicks in the label column, the wheel, the pointer shape and
// the keys the main window forwards. The rules are core's (view_input, view_selection); here they
// meet the window: capture, timers, beeps, the pointer tip.
#pragma once

#include <windows.h>

#include "app/dispatch.h"

namespace qv::win {

LRESULT onLeftDown(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onLeftUp(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onLeftDoubleClick(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onRightDown(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onMouseMove(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onMouseWheel(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onSetCursor(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onCaptureChanged(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onKeyDown(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onKeyUp(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onEditorTimer(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onZoomIn(HWND dialog, const Command& command);
LRESULT onZoomOut(HWND dialog, const Command& command);

// The pointer tip shown while marking.
void createMarkTip(HWND dialog);

} // namespace qv::win
