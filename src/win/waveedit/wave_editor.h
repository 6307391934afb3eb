// The Wave Editor (function 10003, template 315): the function dialog hosted in the main window
// that shows the document as rows of waveforms under a toolbar, and turns the mouse, the keys the
// main window forwards (0x500, 0x501) and the toolbar into view moves, selections, commands, files
// and runs. It loads the hand-off files on every opening and writes them back when it closes.
#pragma once

#include <windows.h>

#include "app/dialog_template.h"

namespace qv::win {

extern const DialogDefinition waveEditorDialog;

// The tool table's create function: opens the editor in the main window and gives it the
// placement kept under the WaveEdit key (the editor is the one tool that sizes with the window).
void openWaveEditor(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open editor's dialog, or nullptr.
HWND waveEditorWindow();

} // namespace qv::win
