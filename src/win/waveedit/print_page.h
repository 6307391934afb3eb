// One printed page or exported image of the waveform, drawn onto any device context: the header,
// the rows through the view's own painter (WavePainter) at the page's scale and row height, the
// grid, the frame and the footer. The pages a job has and what each shows come from core
// (print_layout); this module only measures the device and draws.
#pragma once

#include <windows.h>

#include "waveedit/column_summary.h"
#include "waveedit/print_layout.h"
#include "waveedit/wave_paint.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qv::win {

// What a job prints: the usable area, every view row with the label table, the printed rows and
// the sample range, and the texts of the header and the footer's grid part.
struct PrintSource {
    std::span<const Sample> image;
    std::span<const ViewRow> rows;
    const LabelTable* labels = nullptr;
    std::vector<int> printedRows; // indexes into rows
    int firstSample = 0;
    int sampleCount = 0;
    int gridSize = 0; // the chosen grid (0 "No Grid"); the page draws it or a coarser one it can draw
    int baseFrequency = 0;
    std::wstring header;
};

// The font of a page's texts, height in device units, in a face with the current language's glyphs.
// The caller owns it.
HFONT createPrintFont(int height);

// The margin between the printable page and the drawing area on a printer, in device units.
inline constexpr int printerMargin = 20;

class PrintPages {
  public:
    // Measures the drawing area `drawing` of dc (a printer's or a bitmap's) and lays the pages out.
    PrintPages(HDC dc, const RECT& drawing, PrintTarget target, const PrintSettings& settings,
               const PrintSource& source);
    ~PrintPages();
    PrintPages(const PrintPages&) = delete;
    PrintPages& operator=(const PrintPages&) = delete;

    int pageCount() const { return layout_.pageCount(); }
    int textHeight() const { return u_; }
    int samplesPerPage() const { return layout_.samplesPerPage; }
    int fontHeight() const { return fontHeight_; }
    // The grid drawn (an index as PrintSettings::gridSize) and the footer that names it.
    int gridSize() const { return gridSize_; }
    const std::wstring& gridFooter() const { return gridFooter_; }
    // The waveform area of every page (its height for a full page of rows).
    const ViewArea& area() const { return area_; }
    // Draws page k (from 0), background included; pageText is "Page %d" filled.
    void draw(HDC dc, int page, const std::wstring& pageText);

  private:
    const PrintSource& source_;
    PrintTarget target_;
    bool colour_;
    RECT drawing_;
    int u_ = 1;
    int fontHeight_ = 1;
    int gridSize_ = 0;
    int gridStep_ = 0;
    std::wstring gridFooter_;
    int gap_ = 2; // u / 5, at least 2: beside the label column and the frame
    HFONT font_ = nullptr;
    std::unique_ptr<WavePainter> painter_;
    ViewArea area_;
    int labelLeft_ = 0;
    int labelWidth_ = 0;
    PageScale scale_;
    PageLayout layout_;
    ColumnSummary summary_;
    std::vector<ViewRow> pageRows_;
};

} // namespace qv::win
