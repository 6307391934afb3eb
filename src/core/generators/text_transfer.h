// Export and Import of a tool's text (a data edit or a formatted list) as a plain text file. An
// existing file is replaced only after "File exist, Overwrite?" is answered Yes, and then through
// a temporary file renamed over it, so a failed export leaves the old file byte-identical and no
// half-written file behind. The file dialogs and the "Export ok!" box are the dialog's.
#pragma once

#include "device/prompt.h"
#include "support/strings.h"

#include <string>
#include <string_view>

namespace qv::gen {

enum class ExportResult { Written, Declined, Failed };
struct ExportOutcome {
    ExportResult result;
    Msg error = Msg::None; // Failed: 12005 when the file cannot be created or written
};

// Writes the text with no terminator. An existing file asks 12029 (Yes/No) first; No leaves it.
ExportOutcome exportText(const std::string& path, std::string_view text, Prompt& prompt);

// Reads a whole text file; the text ends at the first zero byte. A file that cannot be opened or
// is empty gives 12005, one above maxWholeFileBytes FileTooLargeToRead, and `text` stays as it was.
Msg importText(const std::string& path, std::string& text);

} // namespace qv::gen
