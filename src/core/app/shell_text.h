// Texts the application shell derives by rule: the output-level texts of Properties, the main
// window's title after a language change and the help-file path. Pure functions; the Win32 side
// supplies the string-table texts and the file-system facts.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qv {

// Named levels of the 16-channel models, index 0..7.
inline constexpr std::string_view namedLevels[] = {"5.0V", "3.3V", "3.0V", "2.8V", "2.5V", "2.1V", "1.8V", "1.5V"};

// "5.0V" .. "1.5V"; an index outside 0..7 shows the first level, the one it is corrected to.
std::string namedLevelText(int index);
// Millivolts of a level 0..255 of the C-set models: 5500 - level x 4000 / 255 in integers.
int levelMillivolts(int level);
// The voltage with 3 significant digits and "V": level 0 "5.5V", level 255 "1.5V".
std::string voltsLevelText(int level);

// The title after a language change. untitledForms are every language's " - (Untitled)";
// a title holding one of them gets newUntitled; else a title with " - " keeps its part from there.
std::string retitledCaption(std::string_view currentTitle, std::string_view newCaption,
                            std::span<const std::string> untitledForms, std::string_view newUntitled);

// The program directory for the help files, from the command line: only a command line that names
// "QV.exe" (in any case) gives one: the text before the last such name, without the leading quote
// and the separator.
std::string programDirectoryFromCommandLine(std::string_view commandLine);

// directory + the HTML help name when HH.exe is installed, else + the WinHelp name.
std::string helpFilePath(std::string_view directory, bool htmlHelpInstalled, std::string_view chmName,
                         std::string_view hlpName);

enum class HelpKind { None, Html, WinHelp };
// ".chm" anywhere in the path: HTML help; else ".HLP" (any case, as the WinHelp files are named
// "QVENG.hlp" and "QV.hlp"): WinHelp; else nothing opens.
HelpKind helpKind(std::string_view path);

} // namespace qv
