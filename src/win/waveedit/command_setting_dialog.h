// Command Setting (dialog 342, toolbar 11038): places one sequencer command at the command position
// (the T cursor), or, with rows selected over a marked area, clears the commands there after 12015.
// The words and the writes are core's (waveedit/commands, waveedit/command_placement).
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dialog_template.h"
#include "waveedit/document.h"

namespace qv::win {

inline constexpr int commandSettingHelpContext = 127;

struct CommandSettingRequest {
    Document* doc = nullptr;
    int cardType = 0; // 18: OE offered, the Event 3 choices disabled
    bool changed = false; // out: samples were written
};

extern const DialogDefinition commandSettingDialog; // lParam: CommandSettingRequest*

// rowsSelectedOverMarkedArea: asks 12015 and on OK clears the marked area's commands. Otherwise
// opens the dialog at the command position; with no command position set it only beeps.
// True when samples changed (the view needs redrawing).
bool runCommandSetting(HWND owner, Document& doc, bool rowsSelectedOverMarkedArea, int cardType = 0);

} // namespace qv::win
