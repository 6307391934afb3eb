// Writing text vector files (.qvv): INPUTS, ASSIGN with channel list text, RADIX AUTO,
// FREQUENCYMODE, FREQUENCY (unless the clock is external only), PATTERN with one line per sample
// up to the start of the final constant run, each value in its label's radix and a comment with
// the sample number and the command's listing form, then a last ";" with no line end. Blanks,
// ";", "%" and "//" in a label's name are written as "_" (an empty name as "_"), so that every
// file reads back with each value under its own label.
// Output is built in large blocks; the file is replaced only when complete.
#pragma once

#include "support/strings.h"
#include "waveedit/document.h"

#include <string>

namespace qv {

// Writes the document as a .qvv file. 12077 when two labels name the same bit; 12078 when two
// labels share a name (after the replacements above), which the file could not tell apart; 12081
// when a data label is named QV_Function; for these two refusedLabel receives the label's name.
// 12062 when a channel list text would exceed 159 characters or writing fails; 12005 when the
// file cannot be created. The old file stays as it was on any failure. cardType: the
// instrument's card type (18 has no CKI2). The command label is written as the whole 12-bit
// command field, whatever its width, and command mnemonics only for a document that has one.
Msg saveQvv(const std::string& path, const Document& doc, int cardType = 0, std::string* refusedLabel = nullptr);
// The same text in memory.
Msg qvvText(const Document& doc, int cardType, std::string& text, std::string* refusedLabel = nullptr);

// Number of pattern lines: up to and including the first sample of the final constant run.
int qvvPatternLines(const Document& doc);

} // namespace qv
