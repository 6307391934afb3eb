// The selections the label column's clicks make, written into the label table's state flags: bit 0
// (label selected in the label column, for label operations) by clicks on a label's name, and bit
// 11 (row selected for waveform editing over the whole usable area) by presses between the second
// and third splitter and Ctrl+A. (A double click makes a row-range selection, not a flag.) Every record of a row's bus
// carries the flag, as normalisation keeps it. Which selection is active and the marked area belong to the editing
// operations; these functions only report whether any row is now selected for editing.
#pragma once

#include "waveedit/label.h"
#include "waveedit/view_rows.h"

#include <span>

namespace qv {

// The row last clicked in each part, the anchor of a Shift+click (-1: none yet).
struct SelectionAnchors {
    int labelRow = -1;
    int editRow = -1;
};

// A click released without dragging on a label name (row -1: on no label): plain selects that
// label alone, Ctrl toggles it, Shift selects every label from the last clicked one to this one
// and no other. A press on no label clears the label selection.
void clickLabelName(LabelTable& table, std::span<const ViewRow> rows, int row, bool ctrl, bool shift,
                    SelectionAnchors& anchors);

// A press on a row between the second and third splitter: plain selects that row alone, Ctrl adds
// it, Shift adds every row from the last pressed one to this one. True when a row is selected.
bool pressRowSelect(LabelTable& table, std::span<const ViewRow> rows, int row, bool ctrl, bool shift,
                    SelectionAnchors& anchors);

// Ctrl+A in the label column: every data label (not the command label) selected, no other.
void selectAllDataLabels(LabelTable& table, std::span<const ViewRow> rows);
// Ctrl+A in the waveform: every row selected for editing. True when there is a row.
bool selectAllRows(LabelTable& table, std::span<const ViewRow> rows);

bool rowHasFlag(const LabelTable& table, const ViewRow& row, std::uint32_t flag);
// No row selected for editing any more: bit 11 cleared on every record of the table.
void clearRowSelections(LabelTable& table);

} // namespace qv
