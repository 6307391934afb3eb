// What the converter dialogs share: the two-column signal list (Label, Channel) filled from a
// signal list, and Browse into the file field in the start directory the tools share.
#pragma once

#include <windows.h>

#include "converters/text_vector_statements.h"
#include "support/strings.h"

#include <vector>

namespace qv::win {

// Full-row selection and the columns "Label" and "Channel" with their widths in pixels.
void setUpSignalList(HWND dialog, int list, int labelWidth, int channelWidth);
// One row per signal: its name and its channel list text ("QVF" for the command field).
void fillSignalList(HWND dialog, int list, const std::vector<textvector::Signal>& signals);

struct BrowseFilter {
    Msg description; // the variant's filter
    const char* pattern; // "*.vcd", also the initial name
    const char* extension; // "vcd"
    bool allFiles = false; // "All Files(*.*)" as a second filter
};
// The open dialog titled "Select File" in the start directory; on OK the path goes into the file
// field and its folder becomes the start directory. True when a file was chosen.
bool browseForFile(HWND dialog, int fileField, const BrowseFilter& filter);

} // namespace qv::win
