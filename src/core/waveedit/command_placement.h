// Command Setting's changes to the document: writing a command at the command position and
// clearing the commands of the marked area, each saved in the waveform undo ring first. Only
// command bits that have a label record change; data bits never do. The dialog that asks for the
// setting lives in the Win32 layer.
#pragma once

#include "support/strings.h"
#include "waveedit/commands.h"
#include "waveedit/document.h"

namespace qv {

// Validates the setting (12016, 12017) and checks that its words fit between the command position
// and the end of the usable area (16408); then saves the samples in the undo ring and writes the
// words. Msg::None when written; nothing changes on any refusal. A document without a labelled
// command bit accepts the setting and changes nothing (changed stays false).
Msg placeCommand(Document& doc, const CommandSetting& setting, bool& changed);

// Clears the labelled command bits of every sample of the marked area (clipped to the usable
// area), undo saved first. False when nothing could change (no labelled command bit, empty area).
bool clearMarkedCommands(Document& doc);

} // namespace qv
