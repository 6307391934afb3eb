// Sample positions are computed in 64-bit integers with shifts that round down (arithmetic shift
// of a negative offset), so every pixel column holds one contiguous run of 2^out samples.
#include "waveedit/view_geometry.h"

#include <algorithm>

namespace qv {

Zoom normaliseZoom(Zoom zoom) {
    zoom.in = std::clamp(zoom.in, 0, maxZoomIn);
    zoom.out = std::clamp(zoom.out, 0, maxZoomOut);
    if (zoom.in > 0) zoom.out = 0;
    return zoom;
}

std::int64_t pixelsOfSamples(Zoom zoom, std::int64_t samples) { return (samples << zoom.in) >> zoom.out; }
std::int64_t samplesInPixels(Zoom zoom, std::int64_t pixels) { return (pixels << zoom.out) >> zoom.in; }

bool canZoomIn(Zoom zoom) { return zoom.out > 0 || zoom.in < maxZoomIn; }

bool canZoomOut(Zoom zoom, int usableSamples, int areaWidth) {
    return zoom.out < maxZoomOut && pixelsOfSamples(zoom, usableSamples) > areaWidth;
}

Zoom zoomedIn(Zoom zoom) {
    if (!canZoomIn(zoom)) return zoom;
    if (zoom.out > 0)
        --zoom.out;
    else
        ++zoom.in;
    return zoom;
}

Zoom zoomedOut(Zoom zoom, int usableSamples, int areaWidth) {
    if (!canZoomOut(zoom, usableSamples, areaWidth)) return zoom;
    if (zoom.in > 0)
        --zoom.in;
    else
        ++zoom.out;
    return zoom;
}

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return -floorDiv(-a, b); }

} // namespace

std::int64_t sampleX(const ViewPosition& view, const ViewArea& area, std::int64_t sample) {
    if (view.scale.set())
        return area.left + floorDiv((sample - view.firstSample) * view.scale.pixels, view.scale.samples);
    return area.left + pixelsOfSamples(view.zoom, sample - view.firstSample);
}

std::int64_t sampleAtX(const ViewPosition& view, const ViewArea& area, std::int64_t x) {
    if (view.scale.set()) {
        // The first sample of a shared column, or the last sample whose left edge is at or left of
        // x at a fine scale, as the zoom gives.
        const std::int64_t offset = x - area.left;
        if (view.scale.coarse()) return view.firstSample + ceilDiv(offset * view.scale.samples, view.scale.pixels);
        return view.firstSample + ceilDiv((offset + 1) * view.scale.samples, view.scale.pixels) - 1;
    }
    return view.firstSample + samplesInPixels(view.zoom, x - area.left);
}

int samplesShown(Zoom zoom, int areaWidth) {
    const std::int64_t samples = samplesInPixels(zoom, std::max(areaWidth, 0));
    return static_cast<int>(std::clamp<std::int64_t>(samples, 1, INT32_MAX));
}

int samplesShown(const ViewPosition& view, int areaWidth) {
    if (!view.scale.set()) return samplesShown(view.zoom, areaWidth);
    // Whole samples at a fine scale, as at a zoom in; every sample of the columns at a coarse one.
    const std::int64_t scaled = std::int64_t{std::max(areaWidth, 0)} * view.scale.samples;
    const std::int64_t samples = view.scale.coarse() ? ceilDiv(scaled, view.scale.pixels) : scaled / view.scale.pixels;
    return static_cast<int>(std::clamp<std::int64_t>(samples, 1, INT32_MAX));
}

int lastShownSample(const ViewPosition& view, const ViewArea& area, int usableSamples) {
    if (view.firstSample >= usableSamples) return -1;
    const std::int64_t last = std::int64_t{view.firstSample} + samplesShown(view, area.width) - 1;
    return static_cast<int>(std::min<std::int64_t>(last, usableSamples - 1));
}

int centredFirstSample(Zoom zoom, int areaWidth, int sample) {
    return std::max(0, sample - samplesShown(zoom, areaWidth) / 2);
}

int homeFirstSample(Zoom zoom, int areaWidth) { return centredFirstSample(zoom, areaWidth, 0); }

int endFirstSample(Zoom zoom, int areaWidth, int usableSamples) {
    return centredFirstSample(zoom, areaWidth, std::max(usableSamples - 1, 0));
}

int lastFirstSample(Zoom zoom, int areaWidth, int usableSamples) {
    return endFirstSample(zoom, areaWidth, usableSamples);
}

int firstSampleShowing(Zoom zoom, int areaWidth, int firstSample, int sample) {
    const int shown = samplesShown(zoom, areaWidth);
    if (sample < firstSample) return std::max(sample, 0);
    if (sample - firstSample >= shown) return sample - shown + 1;
    return firstSample;
}

int rowsThatFit(const ViewArea& area) { return area.rowHeight > 0 ? std::max(area.height / area.rowHeight, 0) : 0; }

int rowAtY(const ViewPosition& view, const ViewArea& area, int rowCount, int y) {
    if (y < area.top || y >= area.bottom() || area.rowHeight <= 0) return -1;
    const int row = view.firstRow + (y - area.top) / area.rowHeight;
    return row < rowCount ? row : -1;
}

int rowTop(const ViewPosition& view, const ViewArea& area, int row) {
    return area.top + (row - view.firstRow) * area.rowHeight;
}

int highLevelY(int rowTop, int rowHeight) { return rowTop + rowHeight / 8; }
int lowLevelY(int rowTop, int rowHeight) { return rowTop + rowHeight - 1 - rowHeight / 8; }

int lastFirstRow(const ViewArea& area, int rowCount) { return std::max(rowCount - rowsThatFit(area), 0); }

int clampFirstRow(const ViewArea& area, int rowCount, int firstRow) {
    return std::clamp(firstRow, 0, lastFirstRow(area, rowCount));
}

ScrollRange horizontalScroll(const ViewPosition& view, int areaWidth, int usableSamples) {
    ScrollRange r;
    r.page = samplesShown(view.zoom, areaWidth);
    const int last = lastFirstSample(view.zoom, areaWidth, usableSamples);
    r.maximum = static_cast<int>(std::min<std::int64_t>(std::int64_t{last} + r.page - 1, INT32_MAX));
    r.position = std::clamp(view.firstSample, 0, last);
    return r;
}

ScrollRange verticalScroll(const ViewPosition& view, const ViewArea& area, int rowCount) {
    ScrollRange r;
    r.page = std::max(rowsThatFit(area), 1);
    r.maximum = std::max(lastFirstRow(area, rowCount) + r.page - 1, 0);
    r.position = clampFirstRow(area, rowCount, view.firstRow);
    return r;
}

namespace {

constexpr int horizontalLinesPerPage = 16;

int scrolled(int position, int line, int page, int last, ScrollAction action, int track) {
    std::int64_t p = position;
    switch (action) {
    case ScrollAction::LineBack: p -= line; break;
    case ScrollAction::LineForward: p += line; break;
    case ScrollAction::PageBack: p -= page; break;
    case ScrollAction::PageForward: p += page; break;
    case ScrollAction::Track: p = track; break;
    case ScrollAction::ToStart: p = 0; break;
    case ScrollAction::ToEnd: p = last; break;
    }
    return static_cast<int>(std::clamp<std::int64_t>(p, 0, last));
}

} // namespace

int scrolledFirstSample(const ViewPosition& view, int areaWidth, int usableSamples, ScrollAction action, int track) {
    const int page = samplesShown(view.zoom, areaWidth);
    const int line = std::max(page / horizontalLinesPerPage, 1);
    return scrolled(view.firstSample, line, page, lastFirstSample(view.zoom, areaWidth, usableSamples), action, track);
}

int scrolledFirstRow(const ViewPosition& view, const ViewArea& area, int rowCount, ScrollAction action, int track) {
    return scrolled(view.firstRow, 1, std::max(rowsThatFit(area), 1), lastFirstRow(area, rowCount), action, track);
}

// ---- the label column -------------------------------------------------------------------------

namespace {

// The least x of splitter i when every part before it has its minimum width.
int leastSplitterX(int index) {
    int x = 0;
    for (int i = 0; i <= index; ++i)
        x += minimumPartWidths[static_cast<std::size_t>(i)] + (i > 0 ? 2 * splitterHalfWidth + 1 : 0);
    return x;
}

bool splittersFit(const Splitters& s, int clientWidth) {
    if (s[0] < leastSplitterX(0)) return false;
    for (int i = 1; i < splitterCount; ++i)
        if (s[static_cast<std::size_t>(i)] - s[static_cast<std::size_t>(i - 1)] <
            leastSplitterX(i) - leastSplitterX(i - 1))
            return false;
    return waveformLeft(s) + minimumWaveformWidth <= clientWidth;
}

} // namespace

std::array<int, 7> fittedStatusParts(int width, int lastWidth) {
    std::array<int, 7> edges = statusPartEdges;
    const int keptEdge = statusPartEdges[2];
    const int limit = std::max(keptEdge, width - lastWidth);
    for (std::size_t i = 3; i + 1 < edges.size(); ++i) edges[i] = std::min(edges[i], limit);
    return edges;
}

int waveformLeft(const Splitters& splitters) { return splitters[splitterCount - 1] + splitterHalfWidth + 1; }

Splitters normaliseSplitters(const Splitters& splitters, int clientWidth) {
    if (splittersFit(splitters, clientWidth)) return splitters;
    if (splittersFit(defaultSplitters, clientWidth)) return defaultSplitters;
    return {leastSplitterX(0), leastSplitterX(1), leastSplitterX(2)};
}

Splitters splittersToStore(const Splitters& chosen) {
    constexpr int anyWidth = 1 << 30;
    if (!splittersFit(chosen, anyWidth)) return defaultSplitters;
    const int shift = std::max(0, minimumStoredNameWidth - chosen[0]);
    return {chosen[0] + shift, chosen[1] + shift, chosen[2] + shift};
}

Splitters movedSplitter(const Splitters& splitters, int index, int x, int clientWidth) {
    if (index < 0 || index >= splitterCount) return splitters;
    Splitters s = splitters;
    const auto i = static_cast<std::size_t>(index);
    const int gapBefore = leastSplitterX(index) - (index > 0 ? leastSplitterX(index - 1) : 0);
    const int least = index > 0 ? s[i - 1] + gapBefore : gapBefore;
    const int most = index + 1 < splitterCount ? s[i + 1] - (leastSplitterX(index + 1) - leastSplitterX(index))
                                               : clientWidth - minimumWaveformWidth - splitterHalfWidth - 1;
    if (most < least) return splitters; // no room to move at all
    s[i] = std::clamp(x, least, most);
    return s;
}

int splitterAt(const Splitters& splitters, int x) {
    for (int i = 0; i < splitterCount; ++i)
        if (x >= splitters[static_cast<std::size_t>(i)] - splitterHalfWidth &&
            x <= splitters[static_cast<std::size_t>(i)] + splitterHalfWidth)
            return i;
    return -1;
}

Zoom reachableZoom(Zoom zoom, int usableSamples, int areaWidth) {
    zoom = normaliseZoom(zoom);
    while (zoom.out > 0 && !canZoomOut({0, zoom.out - 1}, usableSamples, areaWidth)) --zoom.out;
    return zoom;
}

ViewLayout viewFromSettings(const WaveEditSettings& settings, int clientWidth, const ViewArea& area, int usableSamples,
                            int rowCount) {
    ViewLayout layout;
    layout.splitters =
        normaliseSplitters({settings.paneDivision1, settings.paneDivision2, settings.paneDivision3}, clientWidth);
    ViewArea shown = area;
    shown.width = std::max(area.right() - waveformLeft(layout.splitters), 0);
    shown.left = waveformLeft(layout.splitters);
    ViewPosition& p = layout.position;
    p.zoom = reachableZoom({settings.zoomIn, settings.zoomOut}, usableSamples, shown.width);
    p.firstSample = std::clamp(settings.startTime, 0, lastFirstSample(p.zoom, shown.width, usableSamples));
    p.firstRow = clampFirstRow(shown, rowCount, settings.startLabel);
    return layout;
}

void viewToSettings(const ViewLayout& layout, WaveEditSettings& settings) {
    const Splitters stored = splittersToStore(layout.splitters);
    settings.paneDivision1 = stored[0];
    settings.paneDivision2 = stored[1];
    settings.paneDivision3 = stored[2];
    settings.zoomIn = layout.position.zoom.in;
    settings.zoomOut = layout.position.zoom.out;
    settings.startTime = layout.position.firstSample;
    settings.startLabel = layout.position.firstRow;
}

LabelPart labelPartAt(const Splitters& splitters, int x) {
    if (x < 0 || splitterAt(splitters, x) >= 0) return LabelPart::None;
    if (x < splitters[0]) return LabelPart::Name;
    if (x < splitters[1]) return LabelPart::Channels;
    if (x < splitters[2]) return LabelPart::RowSelect;
    return LabelPart::None;
}

} // namespace qv
