// System Parameter Setting (dialog 335): the frequency mode, base frequency with its unit, period,
// event hot key and cursor change of the Wave Editor. Values come in and go out through a plain
// struct; the rules are core's (waveedit/system_parameters).
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dialog_template.h"
#include "app/models.h"
#include "waveedit/system_parameters.h"

namespace qv::win {

inline constexpr int systemParameterHelpContext = 130;

struct SystemParameterRequest {
    SystemParameters values; // in; out only when the dialog ends with IDOK
    Capabilities capabilities;
    int cardType = 0;
};

extern const DialogDefinition systemParameterDialog; // lParam: SystemParameterRequest*
// Runs the dialog modally; IDOK when the values were accepted (request.values updated).
INT_PTR runSystemParameterSetting(HWND owner, SystemParameterRequest& request);

} // namespace qv::win
