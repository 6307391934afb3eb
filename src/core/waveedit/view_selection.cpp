// Flags are set and cleared on every record of a row so that the table stays normalised.
#include "waveedit/view_selection.h"

#include <algorithm>

namespace qv {
namespace {

// Records of a row: the row record and the bus records after it up to the next row.
void setRowFlag(LabelTable& table, const ViewRow& row, std::uint32_t flag, bool on) {
    for (int i = row.firstRecord; i < labelTableRecords; ++i) {
        LabelRecord& r = table[static_cast<std::size_t>(i)];
        if (r.positionCode == positionEnd || (i > row.firstRecord && r.isRow())) break;
        r.stateFlags = on ? (r.stateFlags | flag) : (r.stateFlags & ~flag);
    }
}

void setAll(LabelTable& table, std::span<const ViewRow> rows, std::uint32_t flag, bool on) {
    for (const ViewRow& row : rows) setRowFlag(table, row, flag, on);
}

bool validRow(std::span<const ViewRow> rows, int row) {
    return row >= 0 && static_cast<std::size_t>(row) < rows.size();
}

const ViewRow& rowAt(std::span<const ViewRow> rows, int row) { return rows[static_cast<std::size_t>(row)]; }

} // namespace

void clearRowSelections(LabelTable& table) {
    for (LabelRecord& record : table) {
        if (record.positionCode == positionEnd) break;
        record.stateFlags &= ~stateRowSelected;
    }
}

bool rowHasFlag(const LabelTable& table, const ViewRow& row, std::uint32_t flag) {
    return (table[static_cast<std::size_t>(row.firstRecord)].stateFlags & flag) != 0;
}

void clickLabelName(LabelTable& table, std::span<const ViewRow> rows, int row, bool ctrl, bool shift,
                    SelectionAnchors& anchors) {
    if (!validRow(rows, row)) {
        setAll(table, rows, stateLabelSelected, false);
        return;
    }
    if (shift && validRow(rows, anchors.labelRow)) {
        const int from = std::min(anchors.labelRow, row), to = std::max(anchors.labelRow, row);
        for (int r = 0; r < static_cast<int>(rows.size()); ++r)
            setRowFlag(table, rowAt(rows, r), stateLabelSelected, r >= from && r <= to);
        return; // the anchor stays where the range began
    }
    if (ctrl) {
        setRowFlag(table, rowAt(rows, row), stateLabelSelected,
                   !rowHasFlag(table, rowAt(rows, row), stateLabelSelected));
    } else {
        setAll(table, rows, stateLabelSelected, false);
        setRowFlag(table, rowAt(rows, row), stateLabelSelected, true);
    }
    anchors.labelRow = row;
}

bool pressRowSelect(LabelTable& table, std::span<const ViewRow> rows, int row, bool ctrl, bool shift,
                    SelectionAnchors& anchors) {
    if (!validRow(rows, row))
        return std::any_of(rows.begin(), rows.end(),
                           [&](const ViewRow& r) { return rowHasFlag(table, r, stateRowSelected); });
    if (shift && validRow(rows, anchors.editRow)) {
        const int from = std::min(anchors.editRow, row), to = std::max(anchors.editRow, row);
        for (int r = from; r <= to; ++r) setRowFlag(table, rowAt(rows, r), stateRowSelected, true);
        return true;
    }
    if (!ctrl) setAll(table, rows, stateRowSelected, false);
    setRowFlag(table, rowAt(rows, row), stateRowSelected, true);
    anchors.editRow = row;
    return true;
}

void selectAllDataLabels(LabelTable& table, std::span<const ViewRow> rows) {
    for (const ViewRow& row : rows) setRowFlag(table, row, stateLabelSelected, !row.command);
}

bool selectAllRows(LabelTable& table, std::span<const ViewRow> rows) {
    setAll(table, rows, stateRowSelected, true);
    return !rows.empty();
}

} // namespace qv
