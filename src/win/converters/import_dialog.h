// The VCD import (10027, template 556) and the VHDL test bench import (10016, template 434): one
// dialog module, since both have the same controls. Load reads the chosen file into the Wave
// Editor's sample image and label table and fills the signal list; Convert adds the start and
// repeat commands, writes the hand-off files and the base frequency, and opens the Wave Editor.
#pragma once

#include <windows.h>

namespace qv::win {

// Create function of both tools: functionId picks the VCD or the VHDL variant.
void openImportTool(HWND mainWindow, int functionId, LPARAM parameter);

} // namespace qv::win
