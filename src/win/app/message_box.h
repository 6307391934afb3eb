// The one way the program shows a message box: a string id, icon and buttons, a caption string
// (10002 unless the caller names another), in the calling thread's language. Tests replace the
// answer source with a script and read what was shown.
#pragma once

#include <windows.h>

#include "support/strings.h"

#include <functional>
#include <string>

namespace qv::win {

// The help topic that a box's Help button (MB_HELP) opens; the box stays up while help shows.
struct BoxHelp {
    const char* topic = nullptr; // "::/3-3.htm"; nullptr: the box has no help of its own
    int winHelpContext = 0;
};

// type: MB_ICONERROR | MB_OK and the like. argument fills the text's first "%s" or "%d".
int messageBox(HWND owner, Msg text, UINT type, Msg caption = Msg::Caption, const std::wstring& argument = {},
               BoxHelp help = {});

// The same with a text already filled in (a message shown through a format, as 12002 with its
// range); text is the message's id, filledText what the box says.
int messageBox(HWND owner, Msg text, const std::wstring& filledText, UINT type, Msg caption = Msg::Caption);

struct ShownMessage {
    int stringId;
    UINT type;
    int captionId;
    std::wstring text;
    std::wstring caption;
    BoxHelp help = {};
};

// With a script set, no box appears: the script receives what would have been shown and returns
// the answer (IDOK, IDYES, ...). Pass an empty function to restore real boxes.
using MessageBoxScript = std::function<int(const ShownMessage&)>;
void setMessageBoxScript(MessageBoxScript script);

} // namespace qv::win
