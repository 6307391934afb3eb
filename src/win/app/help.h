// The help file and its topics: HTML help (HtmlHelpA from the registered HTML Help control, else
// "hhctrl.ocx", loaded on first use) or WinHelp when only a WinHelp file is available.
#pragma once

#include <windows.h>

#include "app/help_topics.h"
#include "app/dispatch.h"

#include <functional>
#include <string>

namespace qv::win {

inline constexpr int helpFinder = -1; // the context that asks WinHelp for its contents (main window)

// app().helpPath: the program directory from the command line, then string 10104 when HH.exe is
// in the Windows directory, else string 10105, in the current language.
void buildHelpPath();
void clearHelpPath();

// Opens a topic ("::/3-1.htm") of app().helpPath, or the WinHelp context (helpFinder for the main
// window). Silently nothing when the file kind is unknown or no help engine loads.
void openHelpTopic(HWND owner, const char* topic, int winHelpContext);

// Ready handlers for a dialog's help: F1 (WM_HELP) and its Help button open the dialog's topic.
template <const char* topic, int winHelpContext> LRESULT openHelpOnMessage(HWND dialog, UINT, WPARAM, LPARAM) {
    openHelpTopic(dialog, topic, winHelpContext);
    return TRUE;
}
template <const char* topic, int winHelpContext> LRESULT openHelpOnCommand(HWND dialog, const Command&) {
    openHelpTopic(dialog, topic, winHelpContext);
    return TRUE;
}

// Whether HtmlHelpA could be loaded (on first use: the registered control, else "hhctrl.ocx").
bool htmlHelpAvailable();

// Tests see the requests instead of a help window; an empty function restores the engines.
using HelpOpener = std::function<void(HWND owner, const std::string& path, const char* topic, int context)>;
void setHelpOpener(HelpOpener opener);

} // namespace qv::win
