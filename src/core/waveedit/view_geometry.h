// Geometry of the wave view without a window: the zoom and its steps, where a sample is drawn and
// which sample lies under an x, the first shown sample and row, centring, the scroll bars, and the
// label column's three parts with their splitters. Pixels are client coordinates of the view; the
// window supplies the waveform area's rectangle and draws. Nothing here paints or reads settings.
#pragma once

#include "app/settings.h"

#include <array>
#include <cstdint>

namespace qv {

// A sample is 2^in pixels wide, or 2^out samples share one pixel column; at most one is non-zero.
inline constexpr int maxZoomIn = 6;
// Zoom Out stops long before this once the usable area fits; it bounds values read from settings.
inline constexpr int maxZoomOut = 24;

// The label column's splitters (`rectSp1`, `rectSp2`, `rectSp3`), x in pixels.
inline constexpr int splitterCount = 3;
inline constexpr std::array<int, splitterCount> defaultSplitters{100, 200, 300};
// The band a splitter answers to and the inverted bar drawn while it moves: 2 pixels either side.
inline constexpr int splitterHalfWidth = 2;
// Narrowest each part of the label column may become: the name part left of the first splitter,
// the channel part, and the row-select part.
inline constexpr std::array<int, splitterCount> minimumPartWidths{24, 16, 8};
// The waveform area keeps at least this much of the client width.
inline constexpr int minimumWaveformWidth = 32;

inline constexpr int defaultRowHeight = 24;
inline constexpr int minimumRowHeight = 8;

struct Zoom {
    int in = 0; // `iZoomIn`
    int out = 0; // `iZoomOut`
    bool operator==(const Zoom&) const = default;
};

// Settings values made valid: each in its range, and z_out dropped when both are non-zero.
Zoom normaliseZoom(Zoom zoom);

// Width of `samples` samples in pixels, and samples in `pixels` pixels (whole columns), at a zoom.
std::int64_t pixelsOfSamples(Zoom zoom, std::int64_t samples);
std::int64_t samplesInPixels(Zoom zoom, std::int64_t pixels);

// Zoom In is enabled until a sample is 64 pixels wide; Zoom Out while the whole usable area drawn
// at the current zoom is wider than the waveform area.
bool canZoomIn(Zoom zoom);
bool canZoomOut(Zoom zoom, int usableSamples, int areaWidth);
// One step; the zoom unchanged when the step is disabled (the caller beeps).
Zoom zoomedIn(Zoom zoom);
Zoom zoomedOut(Zoom zoom, int usableSamples, int areaWidth);

// The waveform area in client pixels and the height of one row.
struct ViewArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int rowHeight = defaultRowHeight;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

// A scale of its own, as a printed page has: `pixels` pixels for every `samples` samples, any
// ratio. Unset (zero), the zoom decides; the view never sets it.
struct PageScale {
    std::int64_t pixels = 0;
    std::int64_t samples = 0;
    bool set() const { return pixels > 0 && samples > 0; }
    // Several samples share a pixel column (as at a zoom out).
    bool coarse() const { return pixels < samples; }
    bool operator==(const PageScale&) const = default;
};

// The scroll state of the view.
struct ViewPosition {
    Zoom zoom;
    int firstSample = 0; // `iStartTime`
    int firstRow = 0; // `iStartLbl`
    PageScale scale; // when set, it replaces the zoom
};

// x of the left edge of sample s: area left + ((s - first) x 2^in) / 2^out, rounded down, so the
// columns of samples left of the first shown one stay in order too.
std::int64_t sampleX(const ViewPosition& view, const ViewArea& area, std::int64_t sample);
// The sample drawn at pixel x (the first of the samples sharing its column at a zoom out).
std::int64_t sampleAtX(const ViewPosition& view, const ViewArea& area, std::int64_t x);
// Samples that fill the waveform area's width at the view's zoom (at least 1).
int samplesShown(Zoom zoom, int areaWidth);
// The same at the view's own scale when it has one.
int samplesShown(const ViewPosition& view, int areaWidth);
// The last sample drawn: the one at the area's right edge, or the last usable sample (-1: none).
int lastShownSample(const ViewPosition& view, const ViewArea& area, int usableSamples);

// First shown sample that centres sample s: s less half the area's width in samples, not below 0.
int centredFirstSample(Zoom zoom, int areaWidth, int sample);
// Home and End: centre on sample 0 and on the last usable sample.
int homeFirstSample(Zoom zoom, int areaWidth);
int endFirstSample(Zoom zoom, int areaWidth, int usableSamples);
// The largest first shown sample: the one that centres the last usable sample (what End shows).
int lastFirstSample(Zoom zoom, int areaWidth, int usableSamples);
// The first shown sample that keeps `sample` in view with the least scrolling.
int firstSampleShowing(Zoom zoom, int areaWidth, int firstSample, int sample);

// Rows: how many fit whole, the row at a y (-1 outside the rows), a row's top, the levels.
int rowsThatFit(const ViewArea& area);
int rowAtY(const ViewPosition& view, const ViewArea& area, int rowCount, int y);
int rowTop(const ViewPosition& view, const ViewArea& area, int row);
// The high level is drawn an eighth of the row below its top, the low level an eighth above its bottom.
int highLevelY(int rowTop, int rowHeight);
int lowLevelY(int rowTop, int rowHeight);
// The largest first row: the number of rows less the rows that fit, not below 0.
int lastFirstRow(const ViewArea& area, int rowCount);
int clampFirstRow(const ViewArea& area, int rowCount, int firstRow);

// A scroll bar in the form the window's scroll info takes: positions minimum .. maximum - page + 1.
struct ScrollRange {
    int minimum = 0;
    int maximum = 0;
    int page = 1;
    int position = 0;
    bool operator==(const ScrollRange&) const = default;
};
// Horizontal: positions are first shown samples 0 .. lastFirstSample; a page is the area's width.
ScrollRange horizontalScroll(const ViewPosition& view, int areaWidth, int usableSamples);
// Vertical: positions are first rows 0 .. rows less the rows that fit; a page is the rows that fit.
ScrollRange verticalScroll(const ViewPosition& view, const ViewArea& area, int rowCount);

enum class ScrollAction { LineBack, LineForward, PageBack, PageForward, Track, ToStart, ToEnd };
// The new position for a scroll bar action (`track` is the thumb position of Track), clamped.
// A horizontal line is a sixteenth of the area's width in samples (at least one sample).
int scrolledFirstSample(const ViewPosition& view, int areaWidth, int usableSamples, ScrollAction action, int track = 0);
int scrolledFirstRow(const ViewPosition& view, const ViewArea& area, int rowCount, ScrollAction action, int track = 0);

// ---- the label column -------------------------------------------------------------------------

using Splitters = std::array<int, splitterCount>;

// Splitters read from settings: kept when each part keeps its minimum width and the waveform
// area its own within clientWidth, else the defaults (when they fit) or the narrowest layout.
Splitters normaliseSplitters(const Splitters& splitters, int clientWidth);
// Splitter `index` dragged to x: it stays right of the one before it and left of the one after it
// by the parts' minimum widths, and the last leaves the waveform area its minimum width.
Splitters movedSplitter(const Splitters& splitters, int index, int x, int clientWidth);
// What is kept of the splitters the user chose: never a name part too narrow to read a label name
// (a drag to the column's edge is stored moved right by the difference), and splitters that fit no
// window at all are stored as the defaults. A narrow window squeezes only what is shown.
inline constexpr int minimumStoredNameWidth = 60;
Splitters splittersToStore(const Splitters& chosen);
// The waveform area starts right of the third splitter's band.
int waveformLeft(const Splitters& splitters);

// The status bar: the right edges of its parts, the last -1 (to the bar's end). The first three
// (mode, cursor, A to B) keep their places; the parts after them (the mark's texts) give way, as
// far as the third edge, so that the last part holds lastWidth pixels of a bar `width` wide (the
// output's "Waiting at WE" text, which the fixed edges would cut or push out of a narrow window).
inline constexpr std::array<int, 7> statusPartEdges{60, 240, 460, 610, 760, 960, -1};
std::array<int, 7> fittedStatusParts(int width, int lastWidth);

enum class LabelPart { None, Name, Channels, RowSelect };
// The part of the label column at x (between the splitters' bands), None on a band or right of it.
LabelPart labelPartAt(const Splitters& splitters, int x);
// The splitter whose band holds x, or -1.
int splitterAt(const Splitters& splitters, int x);

// ---- the view's settings ------------------------------------------------------------------------

// What the view keeps in the Wave Editor's settings.
struct ViewLayout {
    ViewPosition position;
    Splitters splitters = defaultSplitters;
};
// The zoom reduced to what Zoom Out can reach: no further out than the first zoom at which the
// whole usable area fits the waveform area.
Zoom reachableZoom(Zoom zoom, int usableSamples, int areaWidth);
// The view as the settings give it, made valid: splitters for the client width, then the zoom for
// the waveform area right of them, then the first sample and first row within their scroll ranges.
ViewLayout viewFromSettings(const WaveEditSettings& settings, int clientWidth, const ViewArea& area, int usableSamples,
                            int rowCount);
void viewToSettings(const ViewLayout& layout, WaveEditSettings& settings);

} // namespace qv
