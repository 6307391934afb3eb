// Drawing of the wave view onto any device context: the label column's three parts, every row
// (one-bit rows as polylines, buses and the command label with crossings and texts), the row
// selections, the marked area, the six cursors with their handles and the sample ruler. The
// editor paints its window with it, printing and image export draw pages with it, and the paint
// benchmark measures it. What to draw comes from the core (rows, column summary, row shapes,
// texts); this module only turns it into GDI calls. The caller's summary must have been built for
// the scene's view and area (buildViewSummary).
#pragma once

#include <windows.h>

#include "waveedit/column_summary.h"
#include "waveedit/document.h"
#include "waveedit/row_shapes.h"
#include "waveedit/view_input.h"
#include "waveedit/view_rows.h"

#include <span>

namespace qv::win {

// What a paint draws.
struct WaveScene {
    std::span<const Sample> image; // the usable area
    std::span<const ViewRow> rows;
    const LabelTable* labels = nullptr; // names and selection flags
    const ColumnSummary* summary = nullptr;
    ViewPosition view;
    ViewArea area; // the waveform area; the label column lies left of it from x = labelLeft
    Splitters splitters = defaultSplitters;
    int labelLeft = 0; // x where the label column starts (splitters count from it)
    int rulerTop = 0; // the ruler is drawn from rulerTop to area.top (nothing when equal)
    CursorState cursors;
    bool showCursors = true;
    // The row-range selection of a drag: rows firstRow..lastRow over samples markStart..markEnd.
    bool rangeSelected = false;
    MarkedArea marked;
    // A printed page: the label column is the names alone, left of the first splitter, with a line
    // at it; no selection is shown.
    bool page = false;
    int gridStep = 0; // samples between two grid lines (multiples of it from sample 0); 0: none
};

// The colours of a drawing. The view's: black background, names and rows in their labels'
// palette colours. A page's: its own background, names in the text colour, and rows either in
// their colours (a palette colour too pale for a white background takes the text colour) or all
// in the text colour.
struct PaintColours {
    COLORREF background = RGB(0, 0, 0);
    COLORREF text = RGB(255, 255, 255);
    bool paletteRows = true;
};

// Pens, brushes and the character widths of the font, made once per font and reused by every paint.
class WavePainter {
  public:
    explicit WavePainter(HFONT font, const PaintColours& colours = {});
    ~WavePainter();
    WavePainter(const WavePainter&) = delete;
    WavePainter& operator=(const WavePainter&) = delete;

    // Paints the scene over the rectangle `bounds` (background included).
    void paint(HDC dc, const WaveScene& scene, const RECT& bounds);
    HFONT font() const { return font_; }
    // The width of an ASCII text in the font (other characters count as the widest).
    int textWidth(std::string_view text) const;

  private:
    void paintLabelColumn(HDC dc, const WaveScene& scene);
    void paintPageLabels(HDC dc, const WaveScene& scene);
    void paintGrid(HDC dc, const WaveScene& scene);
    void paintRowBands(HDC dc, const WaveScene& scene);
    void paintRows(HDC dc, const WaveScene& scene);
    void paintBitRow(HDC dc, const WaveScene& scene, const ViewRow& row, int top);
    void paintBusRow(HDC dc, const WaveScene& scene, const ViewRow& row, int top);
    void paintCursors(HDC dc, const WaveScene& scene);
    void paintRuler(HDC dc, const WaveScene& scene);

    HFONT font_;
    PaintColours colours_;
    COLORREF rowColours_[16] = {};
    HPEN textPen_ = nullptr;
    HPEN gridPen_ = nullptr;
    int charWidths_[128] = {};
    int widestChar_ = 8;
    int textHeight_ = 12;
    HPEN palettePens_[16] = {};
    HPEN splitterPen_ = nullptr;
    HPEN rulerPen_ = nullptr;
    HPEN cursorPens_[CursorCount] = {};
    HPEN activeCursorPens_[CursorCount] = {};
    HBRUSH cursorBrushes_[CursorCount] = {};
    HBRUSH background_ = nullptr;
    HBRUSH rulerBackground_ = nullptr;
    HBRUSH rowSelected_ = nullptr;
    HBRUSH markedArea_ = nullptr;
    HBRUSH rowSelectBox_ = nullptr;
    // Reused point buffers: a paint allocates nothing once they have grown.
    std::vector<LevelPoint> levels_;
    BusShape bus_;
    std::vector<POINT> points_;
    std::vector<DWORD> counts_;
};

// The colour of a cursor's line and handle.
COLORREF cursorColour(int cursor);

} // namespace qv::win
