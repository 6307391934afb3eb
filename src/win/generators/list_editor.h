// The list editing every list-based generator shares (CAN, LIN and the later bus tools): a list
// box of text lines, or a report list view whose rows show each line's cells (HDQ, 1-Wire), with Add, Insert, Modify
// and Delete (Insert, Modify and Delete enabled only while a line is selected; an entry of several lines moves as one),
// and Export/Import of the lines through the shared text file dialogs. An import is read whole by the tool's reader
// first; a line it cannot read names itself in a message and leaves the list as it was.
#pragma once

#include <windows.h>

#include "generators/list_lines.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qv::win {

// The controls of one tool's list.
struct ListControls {
    int list; // the list box
    int add, insert, modify, remove;
    int fileField; // the file edit of Export/Import (0: none)
    gen::ContinuationTest continues; // which lines continue the entry before them
    int columns = 0; // a report list view of that many columns (gen::lineCells); 0: a list box
    // A tool whose cells may be empty splits its lines itself (USB: every blank ends a cell).
    std::function<std::vector<std::string>(std::string_view line)> splitCells = {};
};

// A list view's set-up: full-row selection and the column headings with their widths in pixels.
struct ListColumn {
    Msg title;
    int width;
};
void setUpListColumns(HWND dialog, const ListControls& controls, std::initializer_list<ListColumn> columns);

std::vector<std::string> listLines(HWND dialog, const ListControls& controls);
void setListLines(HWND dialog, const ListControls& controls, const std::vector<std::string>& lines, int select = -1);
int listSelection(HWND dialog, const ListControls& controls); // -1 without one
void selectListLine(HWND dialog, const ListControls& controls, int index); // -1: none
// The selected entry's lines (empty without a selection).
std::vector<std::string> selectedEntry(HWND dialog, const ListControls& controls);

// Insert, Modify and Delete follow the selection.
void updateListButtons(HWND dialog, const ListControls& controls);
// Places an entry's lines as the button says and selects its first line.
void placeListEntry(HWND dialog, const ListControls& controls, const std::vector<std::string>& entry,
                    gen::ListPlacement placement);
void deleteListEntry(HWND dialog, const ListControls& controls);

// Reads a whole list: the problem of its first unreadable line, or none.
using ListReader = std::function<gen::ListProblem(const std::vector<std::string>& lines)>;
// Export: the lines with CR LF to the chosen file (Part of the shared Export: 12029, "Export ok!").
bool exportList(HWND dialog, const ListControls& controls);
// Import: the chosen file's lines, read by the tool's reader; an unreadable line shows 18800 with
// its number and text and the list stays as it was.
bool importList(HWND dialog, const ListControls& controls, const ListReader& read);

} // namespace qv::win
