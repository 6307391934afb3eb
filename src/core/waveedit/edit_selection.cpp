// The two selection models reduced to one target, and the enabling rules over it.
#include "waveedit/edit_selection.h"

#include "waveedit/labels.h"

#include <algorithm>

namespace qv {

EditSelection selectionWhenOpened(const LabelTable& table) {
    const int end = labelRecordCount(table);
    for (int i = 0; i < end; ++i)
        if (table[static_cast<std::size_t>(i)].stateFlags & stateRowSelected) return labelRowSelection(true);
    return {};
}

EditSelection rowRangeSelection(int firstRow, int lastRow) {
    EditSelection s;
    s.rowRange = true;
    s.firstRow = firstRow;
    s.lastRow = lastRow;
    return s;
}

EditSelection labelRowSelection(bool anyRowSelected) {
    EditSelection s;
    s.labelRows = anyRowSelected;
    return s;
}

EditTarget editTarget(const EditSelection& selection, const Positions& positions, std::span<const ViewRow> rows,
                      const LabelTable& table, int usableSamples) {
    EditTarget target;
    const int rowCount = static_cast<int>(rows.size());
    if (usableSamples <= 0 || rowCount == 0) return target;
    if (selection.rowRange) {
        const int first = std::clamp(std::min(selection.firstRow, selection.lastRow), 0, rowCount - 1);
        const int last = std::clamp(std::max(selection.firstRow, selection.lastRow), 0, rowCount - 1);
        for (int r = first; r <= last; ++r) target.rows.push_back(r);
        target.markStart = std::clamp(std::min(positions.markStart, positions.markEnd), 0, usableSamples - 1);
        target.markEnd = std::clamp(std::max(positions.markStart, positions.markEnd), 0, usableSamples - 1);
    } else if (selection.labelRows) {
        for (int r = 0; r < rowCount; ++r)
            if (table[static_cast<std::size_t>(rows[static_cast<std::size_t>(r)].firstRecord)].stateFlags &
                stateRowSelected)
                target.rows.push_back(r);
        target.markStart = 0;
        target.markEnd = usableSamples - 1;
        target.labelSelection = true;
    }
    for (int r : target.rows) target.mask |= rows[static_cast<std::size_t>(r)].mask;
    return target;
}

EditTarget editTarget(bool rowRangeSelected, const MarkedArea& marked, std::span<const ViewRow> rows,
                      const LabelTable& table, int usableSamples) {
    const EditSelection selection =
        rowRangeSelected ? rowRangeSelection(marked.firstRow, marked.lastRow) : selectionWhenOpened(table);
    Positions positions;
    positions.markStart = marked.markStart;
    positions.markEnd = marked.markEnd;
    return editTarget(selection, positions, rows, table, usableSamples);
}

EditEnabling editEnabling(const EditTarget& target, std::span<const ViewRow> rows, const EditState& state) {
    EditEnabling e;
    const bool any = !target.empty();
    const bool hasCommandRow = std::any_of(target.rows.begin(), target.rows.end(),
                                           [&](int r) { return rows[static_cast<std::size_t>(r)].command; });
    e.levels = any && !hasCommandRow;
    e.inputBusData =
        any && target.rows.size() == 1 && rows[static_cast<std::size_t>(target.rows[0])].bus && !hasCommandRow;
    e.commandSetting = (any && target.rows.size() == 1 && hasCommandRow) || (!any && state.tCursorActive);
    e.cut = any;
    e.copy = any;
    e.paste = state.copied && state.tCursorPlaced;
    e.undo = state.canUndo;
    return e;
}

} // namespace qv
