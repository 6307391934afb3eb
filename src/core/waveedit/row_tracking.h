// The rows a selection and the cursors stand on, kept on the same labels across a label change
// (a delete above, a move, a combine, a label undo, a bus added before them). The view knows rows
// by number; a label operation renumbers them, so a row-range selection or a cursor kept by number
// would move to labels the user never marked. Here a row is known by its label: its bits and name.
// What no longer exists is cleared, never moved onto another label.
#pragma once

#include "waveedit/label.h"
#include "waveedit/view_input.h"
#include "waveedit/view_rows.h"
#include "waveedit/view_selection.h"

#include <span>
#include <string>
#include <vector>

namespace qv {

struct RowKey {
    Sample mask = 0; // the row's bits
    std::string name;
    bool operator==(const RowKey&) const = default;
};
std::vector<RowKey> rowKeys(std::span<const ViewRow> rows, const LabelTable& table);

// Where the label of `key` now is: the row with the same bits and name, else the only row with the
// same bits (the label was renamed); -1 when there is none, or several and none by name.
int findRow(const RowKey& key, std::span<const RowKey> now);

// What the view keeps by row number.
struct RowMarks {
    bool rangeSelected = false;
    MarkedArea marked; // its firstRow..lastRow while rangeSelected
    CursorState cursors;
    SelectionAnchors anchors;
};

// The marks after the rows changed from `before` to `after`: a row-range selection keeps its
// labels when each still exists and they still follow one another in the same order, otherwise it
// is cleared; a placed cursor whose label is gone is unset (T then offers no Paste); an anchor
// whose label is gone is forgotten.
void followLabels(std::span<const RowKey> before, std::span<const RowKey> after, RowMarks& marks);

} // namespace qv
