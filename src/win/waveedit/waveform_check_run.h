// Waveform Check (toolbar 11026): runs core's scan of the command stream and reports each problem
// in an error box with Yes (go on), No (stop) and Help (the Wave Editor's help; the box stays up).
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "waveedit/document.h"

namespace qv::win {

inline constexpr int waveEditorHelpContext = 101;

// After any report the command position moves to the last reported sample and no row stays
// selected for editing; with nothing to report, 12049 "No error." is shown. True when the view
// must be redrawn (the window also drops its label-selection state then).
bool runWaveformCheck(HWND owner, Document& doc);

} // namespace qv::win
