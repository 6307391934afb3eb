// Keys by bits and name, found again by a linear walk: a table has at most 201 labels.
#include "waveedit/row_tracking.h"

#include <cstring>

namespace qv {

std::vector<RowKey> rowKeys(std::span<const ViewRow> rows, const LabelTable& table) {
    std::vector<RowKey> keys;
    keys.reserve(rows.size());
    for (const ViewRow& row : rows) {
        const LabelRecord& record = table[static_cast<std::size_t>(row.firstRecord)];
        keys.push_back({row.mask, std::string(record.name, strnlen(record.name, sizeof record.name))});
    }
    return keys;
}

int findRow(const RowKey& key, std::span<const RowKey> now) {
    int byName = -1, byBits = -1, sameBits = 0;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i].mask != key.mask) continue;
        ++sameBits;
        byBits = static_cast<int>(i);
        if (now[i].name == key.name) {
            if (byName >= 0) return -1; // two labels alike: which one is not known
            byName = static_cast<int>(i);
        }
    }
    if (byName >= 0) return byName;
    return sameBits == 1 ? byBits : -1;
}

namespace {

int followRow(int row, std::span<const RowKey> before, std::span<const RowKey> after) {
    if (row < 0 || row >= static_cast<int>(before.size())) return -1;
    return findRow(before[static_cast<std::size_t>(row)], after);
}

} // namespace

void followLabels(std::span<const RowKey> before, std::span<const RowKey> after, RowMarks& marks) {
    if (marks.rangeSelected) {
        const int first = followRow(marks.marked.firstRow, before, after);
        bool kept = first >= 0;
        for (int row = marks.marked.firstRow + 1; kept && row <= marks.marked.lastRow; ++row)
            kept = followRow(row, before, after) == first + (row - marks.marked.firstRow);
        if (kept) {
            marks.marked.lastRow = first + (marks.marked.lastRow - marks.marked.firstRow);
            marks.marked.firstRow = first;
        }
        marks.rangeSelected = kept;
    }
    for (int c = 0; c < CursorCount; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const int row = followRow(marks.cursors.rows[i], before, after);
        if (row >= 0)
            marks.cursors.rows[i] = row;
        else if (marks.cursors.rows[i] < static_cast<int>(before.size()))
            marks.cursors.samples[i] = unsetPosition; // its label is gone
    }
    marks.anchors.labelRow = followRow(marks.anchors.labelRow, before, after);
    marks.anchors.editRow = followRow(marks.anchors.editRow, before, after);
}

} // namespace qv
