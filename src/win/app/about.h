// The About box (dialog 301): product title, version and the maker's notice over a picture.
#pragma once

#include <windows.h>

#include "app/dialog_template.h"

namespace qv::win {

extern const DialogDefinition aboutDialog;
void showAbout(HWND owner);

} // namespace qv::win
