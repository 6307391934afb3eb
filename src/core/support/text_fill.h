// Fills the markers of a catalogue text: each "%s" or "%d" in turn takes the next argument, as
// text. An argument is never read as a format, and markers beyond the arguments stay as written.
// The narrow form serves UTF-8 texts, the wide one the Win32 shell's UTF-16 texts.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace qv {

std::string fillMarkers(std::string_view format, std::initializer_list<std::string_view> arguments);
std::wstring fillMarkers(std::wstring_view format, std::initializer_list<std::wstring_view> arguments);

} // namespace qv
