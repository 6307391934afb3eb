// Printing and image export without a device: the Print dialog's settings and which controls they
// enable, the text height and horizontal scale of a page, the grid step, which samples and rows
// each page shows, the BMP file names of the pages and the header and footer texts. The window
// supplies the page's size and resolution and draws; nothing here paints, opens files or reads
// the printer.
#pragma once

#include "waveedit/label.h"
#include "waveedit/view_geometry.h"
#include "waveedit/view_rows.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

enum class PrintRange { All, SelectedChannel, MarkArea };
enum class PrintProportion { FitToPaper, FitToHorzSize, FitToVertSize, CustomSize };

// The horizontal sizes: 32 down to 1 pixel per sample, then one pixel per 2 up to 64 samples.
inline constexpr std::array<std::string_view, 12> horizontalSizeTexts{"32",  "16",  " 8",  " 4",   " 2",   " 1",
                                                                      "1/2", "1/4", "1/8", "1/16", "1/32", "1/64"};
inline constexpr int horizontalSizeOne = 5; // " 1"
// The vertical sizes: 30 % to 200 % in steps of 10.
inline constexpr int verticalSizeFirst = 30;
inline constexpr int verticalSizeStep = 10;
inline constexpr int verticalSizeCount = 18;
inline constexpr int verticalSizeHundred = 7; // "100 %"
// The grid sizes after "No Grid" (index 0 of the combo box, a catalogue text).
inline constexpr std::array<std::string_view, 20> gridSizeTexts{
    "  50 ns", " 100 ns", " 500 ns", "   1 us", "   5 us", "  10 us", "  50 us", " 100 us", " 500 us", "   1 ms",
    "   5 ms", "  10 ms", "  50 ms", " 100 ms", " 500 ms", "   1 s",  "   5 s",  "  10 s",  "  50 s",  " 100 s"};

inline constexpr int clipboardMinWidth = 200;
inline constexpr int clipboardMaxWidth = 1600;
inline constexpr int clipboardMinHeight = 160;
inline constexpr int clipboardMaxHeight = 1200;

// What the Print dialog keeps for the next use while the program runs.
struct PrintSettings {
    PrintRange range = PrintRange::All;
    PrintProportion proportion = PrintProportion::FitToPaper;
    int horizontalSize = horizontalSizeOne; // index into horizontalSizeTexts
    int verticalSize = verticalSizeHundred; // index: verticalSizeFirst + index x verticalSizeStep percent
    int gridSize = 0; // 0 "No Grid", k: gridSizeTexts[k - 1]
    bool colour = true; // "Color or Gray Scale"
    bool toClipboard = false;
    bool toBmpFile = false;
    int clipboardWidth = clipboardMaxWidth;
    int clipboardHeight = clipboardMaxHeight;
    bool landscape = true;

    bool bitmapTarget() const { return toClipboard || toBmpFile; }
};

// Which controls the settings enable (the Size button is shown, not just enabled).
struct PrintControls {
    bool horizontalSize = false;
    bool verticalSize = false;
    bool printer = false; // the printer's name and Select
    bool sizeButton = false;
    bool operator==(const PrintControls&) const = default;
};
PrintControls printControls(const PrintSettings& settings, bool printerAvailable);

// A clipboard size both of whose sides lie in their ranges.
bool clipboardSizeValid(int width, int height);

int verticalPercent(int verticalSize);

// The text height u of a page; the row height is 2u. With Fit to Horz Size or Custom Size the
// vertical percentage decides (15 pixels at 100 % on a bitmap, dpi / 8 on a printer); otherwise
// the rows, the header and the footer share the drawing height, at most (height - 10) / 90 on a
// printer. Never below one pixel.
enum class PrintTarget { Printer, Bitmap };
int printTextHeight(const PrintSettings& settings, PrintTarget target, int drawingHeight, int rowCount, int printerDpi);

// The font height of a page's texts: the text height u, but never taller than text at the vertical
// size 100 % (15 pixels on a bitmap, dpi / 8 on a printer), so that a page with few rows gets tall
// rows and readable names rather than names a hand high.
int printFontHeight(int textHeight, PrintTarget target, int printerDpi);

// A line of text measured `textWidth` wide at font height `fontHeight`: the height at which it
// fits `available` (the same height when it fits; never below one).
int fittedFontHeight(int fontHeight, int textWidth, int available);

// The samples a range prints: All and Selected Channel the used length of the document (not the
// whole memory: an empty tail would squeeze the waveform into a sliver), Mark Area its marked
// samples when something is marked.
struct PrintSpan {
    int firstSample = 0;
    int sampleCount = 0;
    bool operator==(const PrintSpan&) const = default;
};
PrintSpan printSpan(PrintRange range, int usedSamples, int markStart, int markCount);

// The horizontal scale: the chosen size for Fit to Vert Size and Custom Size, else the sample
// range fitted into the waveform width (exactly: width pixels for that many samples).
PageScale printScale(const PrintSettings& settings, int waveformWidth, int sampleCount);

// Duration of a grid text in nanoseconds ("  50 ns" -> 50, "   1 s" -> 10^9); 0 when unreadable.
std::int64_t gridNanoseconds(std::string_view gridText);
// Samples per grid step: the duration over the sample period (10^9 / base frequency), both
// divisions whole-number. 0 (no grid) for "No Grid" and for a step shorter than one sample.
int gridStepSamples(int gridSize, int baseFrequency);
// The grid a page draws: the chosen one, or the first coarser one whose lines lie at least
// `minGridPixels` apart at the page's scale (a finer grid would paint the page solid); 0 when even
// the coarsest is too fine, or for "No Grid".
inline constexpr int minGridPixels = 4;
int drawableGridSize(int gridSize, int baseFrequency, PageScale scale);

// Which rows a range prints: every row; the rows whose label is selected (state flag bit 0). Mark
// Area marks its rows as selected for the time of printing and then prints like Selected Channel.
std::vector<int> printedRows(PrintRange range, std::span<const ViewRow> rows, const LabelTable& table);

// The pages: sample blocks in order, and within each the row blocks (rows that do not fit one page
// continue on the next page at the same samples).
struct PageLayout {
    int firstSample = 0;
    int sampleCount = 0; // samples of the range
    int samplesPerPage = 1;
    int rowCount = 0; // printed rows
    int rowsPerPage = 1;
    int samplePages() const;
    int rowPages() const;
    int pageCount() const { return samplePages() * rowPages(); }
};
struct PageContent {
    int firstSample = 0;
    int sampleCount = 0;
    int firstRow = 0; // index into the printed rows
    int rowCount = 0;
    bool operator==(const PageContent&) const = default;
};
// Page k counts from 0.
PageContent pageContent(const PageLayout& layout, int page);

// Page 1 under the chosen name, page 2 with the name's four-character extension replaced by
// "0001.BMP", page k by the k - 1 as four digits. A name without such an extension keeps it whole.
std::string bmpPageName(std::string_view chosen, int page);

// A job with more pages than this asks first, saying how many.
inline constexpr int manyPages = 10;
bool pagesNeedConfirmation(int pageCount);
// Bytes of the BMP files of `pages` pages of width x height at bitsPerPixel (palette included).
std::int64_t bmpPagesBytes(int pages, int width, int height, int bitsPerPixel);
// A byte count as a short text: "870 KB", "1.2 MB", "87.0 GB".
std::string byteSizeText(std::int64_t bytes);

// The header "%s - QV Editor %sDate:%s  Time:%s" (the version followed by two blanks, so that it
// does not run into "Date:") and the footer's right part "Grid Size = %s  ",
// filled from their catalogue formats (the grid text without its leading blanks).
std::string printHeader(std::string_view format, std::string_view interfaceName, std::string_view version,
                        std::string_view date, std::string_view time);
std::string printGridFooter(std::string_view format, std::string_view gridText);

} // namespace qv
