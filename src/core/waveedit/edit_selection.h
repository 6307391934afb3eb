// The selection the waveform editing operations act on, and which toolbar buttons and context-menu
// entries it enables. Two models exist and at most one is active: a row range dragged in the
// waveform area over the marked area, or the rows whose label records carry state flag bit 11,
// over the whole usable area. Every operation reads the same EditTarget: its rows, the mask of
// their bits (one mask for every sample of the area) and the area itself.
#pragma once

#include "waveedit/document.h"
#include "waveedit/view_input.h"
#include "waveedit/view_rows.h"

#include <cstdint>
#include <span>
#include <vector>

namespace qv {

// Kept by the window beside the view; the marked area itself is the document's Positions.
struct EditSelection {
    bool rowRange = false; // rows firstRow..lastRow over mark start..mark end
    bool labelRows = false; // rows with state flag bit 11 over the whole usable area
    int firstRow = 0;
    int lastRow = 0;
};

// When the Wave Editor opens: the label selection is active when any loaded record has bit 11.
EditSelection selectionWhenOpened(const LabelTable& table);
// A drag in the waveform area made rows firstRow..lastRow the selection (the marks are the caller's).
EditSelection rowRangeSelection(int firstRow, int lastRow);
// A press in the row-select part or Ctrl+A: the label selection is active while a row has bit 11.
EditSelection labelRowSelection(bool anyRowSelected);

// What an operation acts on. Empty (no rows, or markEnd < markStart) when nothing is selected.
struct EditTarget {
    std::vector<int> rows; // indexes into the view rows, in table order
    Sample mask = 0; // every bit of those rows
    int markStart = 0; // first sample, inclusive
    int markEnd = -1; // last sample, inclusive
    bool labelSelection = false; // the area is the whole usable area

    bool empty() const { return rows.empty() || markEnd < markStart; }
    int sampleCount() const { return empty() ? 0 : markEnd - markStart + 1; }
};

// The active selection's rows and area. A row-range selection's rows and marks are ordered and
// clamped to the rows and the usable area.
EditTarget editTarget(const EditSelection& selection, const Positions& positions, std::span<const ViewRow> rows,
                      const LabelTable& table, int usableSamples);

// The same for a window that keeps its drag as a MarkedArea and a row-range flag: without a row
// range, the rows with bit 11 (if any) are the label selection.
EditTarget editTarget(bool rowRangeSelected, const MarkedArea& marked, std::span<const ViewRow> rows,
                      const LabelTable& table, int usableSamples);

// ---- enabling -----------------------------------------------------------------------------------

struct EditState {
    bool copied = false; // something is in the editor's clipboard
    bool tCursorPlaced = false;
    bool tCursorActive = false;
    bool canUndo = false; // the waveform undo ring holds an entry
};

struct EditEnabling {
    bool levels = false; // Low Level, High Level, Invert, Clock
    bool inputBusData = false;
    bool commandSetting = false;
    bool cut = false;
    bool copy = false;
    bool paste = false;
    bool undo = false;
    bool operator==(const EditEnabling&) const = default;
};

// Low/High/Invert/Clock: at least one row and no row of the command label. Input Bus Data: exactly
// one bus label of data bits. Command Setting: the command label alone, or nothing selected while
// T is the active cursor. Cut/Copy: a selection. Paste: something copied and T placed. Undo: the
// ring holds an entry.
EditEnabling editEnabling(const EditTarget& target, std::span<const ViewRow> rows, const EditState& state);

} // namespace qv
