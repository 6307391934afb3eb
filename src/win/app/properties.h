// Properties (dialog 354): interface language, model and interface, online update at start-up and
// the output levels of the models that have them. Levels go to the instrument while a bar moves.
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dialog_template.h"

namespace qv::win {

inline constexpr int propertiesHelpContext = 100;

extern const DialogDefinition propertiesDialog;
// Runs the dialog; IDOK when the user confirmed (the language may have changed).
INT_PTR runProperties(HWND owner);

} // namespace qv::win
