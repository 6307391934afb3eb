// Rows are read column by column from the summary; only columns whose bits changed gather a value.
#include "waveedit/row_shapes.h"

#include <algorithm>

namespace qv {

void buildViewSummary(ColumnSummary& summary, std::span<const Sample> image, const ViewPosition& view, int areaWidth) {
    if (view.scale.set()) {
        if (view.scale.coarse())
            summary.build(image, view.firstSample, view.scale.pixels, view.scale.samples, std::max(areaWidth, 0));
        else
            summary.build(image, view.firstSample, 0, samplesShown(view, areaWidth));
        return;
    }
    const int columns = view.zoom.out > 0 ? std::max(areaWidth, 0) : samplesShown(view.zoom, areaWidth);
    summary.build(image, view.firstSample, view.zoom.out, columns);
}

int summaryColumnX(const ViewPosition& view, const ViewArea& area, int column) {
    if (view.scale.set())
        return area.left +
               static_cast<int>(view.scale.coarse() ? column : column * view.scale.pixels / view.scale.samples);
    return area.left + (column << view.zoom.in);
}

namespace {

// Right edge of what is drawn: the last shown sample's right edge, within the area.
int drawnRight(const ViewPosition& view, const ViewArea& area, const ColumnSummary& summary) {
    return std::min(summaryColumnX(view, area, summary.columnsWithSamples()), area.right());
}

} // namespace

void bitRowPolyline(const ViewPosition& view, const ViewArea& area, const ColumnSummary& summary, const ViewRow& row,
                    std::vector<LevelPoint>& out) {
    out.clear();
    const int columns = summary.columnsWithSamples();
    if (columns == 0) return;
    bool level = (rowValue(row, summary.sampleBefore()) & 1u) != 0;
    out.push_back({area.left, level});
    for (int c = 0; c < columns; ++c) {
        if ((summary.changedBits(c) & row.mask) == 0) continue;
        const int x = summaryColumnX(view, area, c);
        if (x >= area.right()) break;
        const bool after = (rowValue(row, summary.lastSample(c)) & 1u) != 0;
        if (out.back().x != x || out.back().high != level) out.push_back({x, level});
        out.push_back({x, !level});
        if (after == level) out.push_back({x, after});
        level = after;
    }
    out.push_back({drawnRight(view, area, summary), level});
}

void busRowShape(const ViewPosition& view, const ViewArea& area, const ColumnSummary& summary, const ViewRow& row,
                 BusShape& out) {
    out.crossings.clear();
    out.runs.clear();
    const int columns = summary.columnsWithSamples();
    if (columns == 0) return;
    const int right = drawnRight(view, area, summary);
    if (row.command) {
        int from = area.left;
        for (int c = 0; c < columns; ++c) {
            const int end = summary.commandEnd(c);
            if (end < 0) continue;
            const int x = summaryColumnX(view, area, c);
            if (x >= area.right()) break;
            out.crossings.push_back(x);
            if (x > from) out.runs.push_back({from, x, 0, end});
            from = x;
        }
        if (from < right) out.runs.push_back({from, right, 0, summary.lastSummarisedSample()});
        return;
    }
    std::uint64_t value = rowValue(row, summary.sampleBefore());
    int from = area.left;
    for (int c = 0; c < columns; ++c) {
        if ((summary.changedBits(c) & row.mask) == 0) continue;
        const int x = summaryColumnX(view, area, c);
        if (x >= area.right()) break;
        if (x > from) out.runs.push_back({from, x, value, -1});
        if (out.crossings.empty() || out.crossings.back() != x) out.crossings.push_back(x);
        value = rowValue(row, summary.lastSample(c));
        from = x;
    }
    if (from < right) out.runs.push_back({from, right, value, -1});
}

} // namespace qv
