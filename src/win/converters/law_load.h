// Load from LA's Waveform (10012): no dialog of its own. The main window's command handler runs it
// with the main window as owner: the open dialog, the LAW importer, the hand-off files and the
// Wave Editor opened on them.
#pragma once

#include <windows.h>

namespace qv::win {

// Create function of 10012 (it creates no dialog).
void loadLaWaveform(HWND mainWindow, int functionId, LPARAM parameter);

} // namespace qv::win
