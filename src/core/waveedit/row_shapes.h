// What each row of the wave view draws, in pixels, from the column summary: the polyline of a
// one-bit row and the crossings and runs of a bus row (the command label's crossings where a
// command ends). At a zoom in or at 1:1 the summary's columns are single samples, so one walk
// serves every zoom. The window turns levels into y (highLevelY, lowLevelY), picks the texts
// (runValueText, runMnemonicText) and paints; nothing here draws.
#pragma once

#include "waveedit/column_summary.h"
#include "waveedit/view_geometry.h"
#include "waveedit/view_rows.h"

#include <cstdint>
#include <vector>

namespace qv {

// The summary the view needs: one column per pixel column at a zoom out, one per shown sample
// otherwise, from the first shown sample.
void buildViewSummary(ColumnSummary& summary, std::span<const Sample> image, const ViewPosition& view, int areaWidth);
// The left x of a summary column.
int summaryColumnX(const ViewPosition& view, const ViewArea& area, int column);

// A corner of a one-bit row's polyline.
struct LevelPoint {
    int x = 0;
    bool high = false;
    bool operator==(const LevelPoint&) const = default;
};
// From the area's left edge to the right edge of the last shown sample: a step at every change;
// a column with changes that ends where it began draws a full-height line (a pulse too narrow to
// see). Empty when no sample is shown.
void bitRowPolyline(const ViewPosition& view, const ViewArea& area, const ColumnSummary& summary, const ViewRow& row,
                    std::vector<LevelPoint>& out);

// A stretch of a bus row between two crossings (or a crossing and the drawn area's edge).
struct BusRun {
    int xFrom = 0;
    int xTo = 0;
    std::uint64_t value = 0; // data bus: the value in the run
    int commandSample = -1; // command label: the sample whose mnemonic the run shows
    bool operator==(const BusRun&) const = default;
};
struct BusShape {
    std::vector<int> crossings; // x of each crossing, increasing
    std::vector<BusRun> runs;
};
// Data bus: a crossing at the x of every sample where the value changes (one per column at a zoom
// out). Command label: a crossing at the right edge of every sample where a command ends, and
// each run shows the command that ends it (the last shown sample for a run the area's edge ends).
void busRowShape(const ViewPosition& view, const ViewArea& area, const ColumnSummary& summary, const ViewRow& row,
                 BusShape& out);

} // namespace qv
