// Open and Save of the Wave Editor's waveform files, by name and save mode: ".qvv" or ".QVV"
// (exactly these spellings) is a text vector file read through qvReadQVV, anything else a binary
// .qvw file. The questions before touching a file (12027, 12029) belong to the dialogs.
#pragma once

#include "device/driver.h"
#include "device/prompt.h"
#include "support/strings.h"
#include "waveedit/document.h"
#include "waveedit/label.h"

#include <string>
#include <string_view>

namespace qv {

bool isTextVectorFileName(std::string_view path);
// Open asks 12027 "Overwrite?" first when the table holds a data label (bit index 12 or more).
bool hasDataLabel(const LabelTable& labels);

// Reads either format into the document; the document is unchanged after any failure. After a
// success both undo rings are empty and the document counts as saved.
Msg openWaveformFile(const std::string& path, Document& doc, Prompt& prompt, const Driver* driver = nullptr);
// Writes the binary form for save mode 1 (and any other value), the text form for save mode 2.
// refusedLabel: the label a refused text save names (12078, 12081), for the message's %s.
Msg saveWaveformFile(const std::string& path, const Document& doc, int saveMode, int cardType = 0,
                     std::string* refusedLabel = nullptr);

} // namespace qv
