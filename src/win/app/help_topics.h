// Every help topic that a window, dialog or message box of the program opens, in one place, so
// that a test can check each against the three compiled help files (enQV.chm, twQV.chm, cnQV.chm).
#pragma once

#include <array>

namespace qv::win {

inline constexpr char i2cHelpTopic[] = "::/3-35.htm";
inline constexpr char spiHelpTopic[] = "::/3-44.htm";
inline constexpr char uartHelpTopic[] = "::/3-34.htm";
inline constexpr char printHelpTopic[] = "::/3-19.htm";
inline constexpr char busLabelHelpTopic[] = "::/3-10.htm";
inline constexpr char systemParameterHelpTopic[] = "::/3-30.htm";
inline constexpr char labelSettingHelpTopic[] = "::/3-14.htm";
inline constexpr char commandSettingHelpTopic[] = "::/3-27.htm";
inline constexpr char setClockHelpTopic[] = "::/3-25.htm";
inline constexpr char waveEditorHelpTopic[] = "::/3-3.htm";
inline constexpr char busDataHelpTopic[] = "::/3-26.htm";
inline constexpr char addLabelHelpTopic[] = "::/3-9.htm";
inline constexpr char mainHelpTopic[] = "::/1-1.htm";
inline constexpr char propertiesHelpTopic[] = "::/3-1.htm";
inline constexpr char vcdHelpTopic[] = "::/3-56.htm";
inline constexpr char vhdlHelpTopic[] = "::/3-43.htm";
inline constexpr char lawHelpTopic[] = "::/3-38.htm";
inline constexpr char batchHelpTopic[] = "::/3-41.htm";
inline constexpr char textVectorHelpTopic[] = "::/3-37.htm";
inline constexpr char canHelpTopic[] = "::/3-46.htm";
inline constexpr char linHelpTopic[] = "::/3-45.htm";
inline constexpr char syncCounterHelpTopic[] = "::/3-31.htm";
inline constexpr char asyncCounterHelpTopic[] = "::/3-32.htm";
inline constexpr char hdqHelpTopic[] = "::/3-47.htm";
inline constexpr char oneWireHelpTopic[] = "::/3-48.htm";
inline constexpr char encoderHelpTopic[] = "::/3-51.htm";
inline constexpr char pwmHelpTopic[] = "::/3-55.htm";
inline constexpr char smbusHelpTopic[] = "::/3-53.htm";
inline constexpr char pmbusHelpTopic[] = "::/3-54.htm";
inline constexpr char printerHelpTopic[] = "::/3-33.htm";
inline constexpr char binaryFileHelpTopic[] = "::/3-36.htm";
inline constexpr char i2sHelpTopic[] = "::/3-50.htm";

inline constexpr std::array<const char*, 32> helpTopicsOpened{i2cHelpTopic,          spiHelpTopic,
                                                              uartHelpTopic,         printHelpTopic,
                                                              busLabelHelpTopic,     systemParameterHelpTopic,
                                                              labelSettingHelpTopic, commandSettingHelpTopic,
                                                              setClockHelpTopic,     waveEditorHelpTopic,
                                                              busDataHelpTopic,      addLabelHelpTopic,
                                                              mainHelpTopic,         propertiesHelpTopic,
                                                              vcdHelpTopic,          vhdlHelpTopic,
                                                              lawHelpTopic,          batchHelpTopic,
                                                              textVectorHelpTopic,   canHelpTopic,
                                                              linHelpTopic,          syncCounterHelpTopic,
                                                              asyncCounterHelpTopic, hdqHelpTopic,
                                                              oneWireHelpTopic,      encoderHelpTopic,
                                                              pwmHelpTopic,          smbusHelpTopic,
                                                              pmbusHelpTopic,        printerHelpTopic,
                                                              binaryFileHelpTopic,   i2sHelpTopic};

} // namespace qv::win
