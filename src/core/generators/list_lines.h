// What the list-based generators (CAN, LIN and the later bus tools) share about their lists: a
// list is text lines, one entry of the list may span a first line and continuation lines (a faulty
// CAN frame and its error-frame line), fields are read back from a line by name ("ID = 7C3, "),
// and Export/Import write and read the lines as CR LF text. Each tool brings its own line format
// and its reader; the list box, the file dialogs and the messages are the dialog's.
#pragma once

#include "support/strings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

// ---- fields of a line ---------------------------------------------------------------------------

// The value of field `name` in a line written as "NAME = value, " or "NAME = value.": the name
// must start the line or follow a blank or a comma and be followed by " =". The value starts two
// characters after "=" and ends at the next "," or "." (or the line's end). nullopt when the line
// has no such field.
std::optional<std::string_view> lineField(std::string_view line, std::string_view name);

// Bounded readers of a field's value (blanks around it allowed): a decimal count of digits only
// up to maximum, a hexadecimal number up to maximum, and hexadecimal bytes separated by blanks.
std::optional<std::uint64_t> decimalValue(std::string_view value, std::uint64_t maximum);
std::optional<std::uint64_t> hexValue(std::string_view value, std::uint64_t maximum);
// The bytes of "11 22 3 " (each token one or two hexadecimal digits); nullopt for any other token
// or more than maximumCount tokens.
std::optional<std::vector<std::uint8_t>> hexBytes(std::string_view value, std::size_t maximumCount);

// ---- the list as text ---------------------------------------------------------------------------

// Export: every line followed by CR LF.
std::string listExportText(const std::vector<std::string>& lines);
// Import: the text split at CR and LF, empty lines skipped.
std::vector<std::string> splitListText(std::string_view text);

// Lines shown as the rows of a list view (HDQ, 1-Wire): a line is its cells, each followed by a
// blank. The first columns - 1 cells are blank-free words; the last cell is the rest of the line
// (the data values, blanks between them), without the line's closing blank. Missing cells are empty.
std::vector<std::string> lineCells(std::string_view line, int columns);
std::string cellsLine(const std::vector<std::string>& cells);

// A line of a list that its tool cannot read: the line's number from 1 and the reason.
struct ListProblem {
    int line = 0;
    Msg reason = Msg::None;
};
// The argument of the "line cannot be read" message: the number and the line's text, cut short.
std::string listProblemText(const ListProblem& problem, const std::vector<std::string>& lines);

// ---- entries of one or more lines ---------------------------------------------------------------

// Whether a line continues the entry of the line before it.
using ContinuationTest = std::function<bool(std::string_view line)>;

struct ListEntry {
    int first = 0; // the entry's first line
    int count = 0; // its lines
};
// The entry that holds line `index` (continuation lines belong to the line before them).
ListEntry entryAt(const std::vector<std::string>& lines, int index, const ContinuationTest& continues);

enum class ListPlacement { Add, Insert, Modify, InsertAfter };
// The list after placing an entry's lines: Add appends; Insert puts them before the entry that
// holds `selected`, InsertAfter after it (the USB tool's Insert Packet); Modify replaces that
// entry. Insert, InsertAfter and Modify without a selection (-1) append.
// Returns the index of the entry's first line.
int placeEntry(std::vector<std::string>& lines, const std::vector<std::string>& entry, ListPlacement placement,
               int selected, const ContinuationTest& continues);
// Deletes the entry that holds `selected`; returns the line to select afterwards (-1 for none).
int deleteEntry(std::vector<std::string>& lines, int selected, const ContinuationTest& continues);

} // namespace qv::gen
