// Properties (dialog 354): interface language, model and interface, online update at start-up and
// the output levels of the models that have them. Levels go to the instrument while a bar moves.
#pragma once

#include <windows.h>

namespace qv::win {

inline constexpr int propertiesDialogId = 354;
inline constexpr int propertiesLanguage = 1169;
inline constexpr int propertiesModel = 1171;
inline constexpr int propertiesInterface = 1173;
inline constexpr int propertiesLevel1Text = 1225;
inline constexpr int propertiesLevel2Text = 1228;
inline constexpr int propertiesLevel1Bar = 1231;
inline constexpr int propertiesLevel2Bar = 1230;
inline constexpr int propertiesOnlineUpdate = 1163;
inline constexpr int propertiesHelp = 1181;
inline constexpr char propertiesHelpTopic[] = "::/3-1.htm";
inline constexpr int propertiesHelpContext = 100;

// Runs the dialog; IDOK when the user confirmed (the language may have changed).
INT_PTR runProperties(HWND owner);
INT_PTR CALLBACK propertiesProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace qv::win
