// The view is drawn in layers: background and bands (selected rows, the marked area), the label
// column, the rows clipped to the waveform area, then the cursors on top. A row costs what its
// pixels cost: its shape comes from the column summary, so a zoomed-out row over two million
// samples draws the same few thousand points as a zoomed-in one. Texts are measured from the
// font's character widths read once, never by asking GDI per run.
#include "waveedit/wave_paint.h"

#include "app/strings_win.h"
#include "waveedit/commands.h"
#include "waveedit/labels.h"
#include "waveedit/row_shapes.h"
#include "waveedit/texts.h"
#include "waveedit/view_selection.h"

#include <algorithm>
#include <string>

namespace qv::win {
namespace {

constexpr COLORREF cursorColours[CursorCount] = {
    RGB(255, 64, 64), // T: the command position
    RGB(64, 224, 64), RGB(64, 200, 255), RGB(255, 96, 255), RGB(255, 176, 48), RGB(160, 160, 255),
};
constexpr char cursorLetters[CursorCount] = {'T', 'A', 'B', 'C', 'D', 'E'};

constexpr COLORREF gridColour = RGB(128, 128, 128);
constexpr int paleColourSum = 600; // R + G + B above this does not show on a white page
constexpr COLORREF rulerColour = RGB(40, 40, 48);
constexpr COLORREF rulerTextColour = RGB(200, 200, 200);
constexpr COLORREF splitterColour = RGB(96, 96, 96);
constexpr COLORREF rowSelectedColour = RGB(0, 0, 104);
constexpr COLORREF markedAreaColour = RGB(72, 72, 112);
constexpr COLORREF channelTextColour = RGB(176, 176, 176);
constexpr int busCrossingHalf = 2; // a crossing's diagonals run from x - 2 to x + 2
constexpr int rulerTickSpacing = 100; // pixels between two numbered ticks, at least
constexpr int rowSelectBoxSize = 8;

COLORREF toColorRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void fill(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
    if (right <= left || bottom <= top) return;
    const RECT rect{left, top, right, bottom};
    FillRect(dc, &rect, brush);
}

void line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void textAt(HDC dc, int x, int y, std::string_view text) {
    TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
}

// Left of the waveform area: x of a sample, held to a range GDI draws safely.
int clampedX(const WaveScene& scene, std::int64_t sample) {
    const std::int64_t x = sampleX(scene.view, scene.area, sample);
    return static_cast<int>(std::clamp<std::int64_t>(x, scene.area.left - 8, scene.area.right() + 8));
}

} // namespace

COLORREF cursorColour(int cursor) { return cursorColours[std::clamp(cursor, 0, CursorCount - 1)]; }

WavePainter::WavePainter(HFONT font, const PaintColours& colours) : font_(font), colours_(colours) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font_);
    INT widths[128] = {};
    if (GetCharWidth32A(screen, 0, 127, widths)) {
        for (int c = 0; c < 128; ++c) {
            charWidths_[c] = widths[c];
            widestChar_ = std::max(widestChar_, widths[c]);
        }
    }
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(screen, &metrics)) textHeight_ = metrics.tmHeight;
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);

    const bool whiteBackground = GetRValue(colours.background) + GetGValue(colours.background) +
                                     GetBValue(colours.background) > paleColourSum;
    for (int i = 0; i < 16; ++i) {
        const COLORREF colour = toColorRef(paletteColour(i));
        const bool pale = GetRValue(colour) + GetGValue(colour) + GetBValue(colour) > paleColourSum;
        rowColours_[i] = !colours.paletteRows || (whiteBackground && pale) ? colours.text : colour;
        palettePens_[i] = CreatePen(PS_SOLID, 1, rowColours_[i]);
    }
    textPen_ = CreatePen(PS_SOLID, 1, colours.text);
    gridPen_ = CreatePen(PS_DOT, 1, gridColour);
    for (int c = 0; c < CursorCount; ++c) {
        cursorPens_[c] = CreatePen(PS_DOT, 1, cursorColours[c]);
        activeCursorPens_[c] = CreatePen(PS_SOLID, 1, cursorColours[c]);
        cursorBrushes_[c] = CreateSolidBrush(cursorColours[c]);
    }
    splitterPen_ = CreatePen(PS_SOLID, 1, splitterColour);
    rulerPen_ = CreatePen(PS_SOLID, 1, rulerTextColour);
    background_ = CreateSolidBrush(colours.background);
    rulerBackground_ = CreateSolidBrush(rulerColour);
    rowSelected_ = CreateSolidBrush(rowSelectedColour);
    markedArea_ = CreateSolidBrush(markedAreaColour);
    rowSelectBox_ = CreateSolidBrush(RGB(224, 224, 224));
}

WavePainter::~WavePainter() {
    for (HPEN pen : palettePens_) DeleteObject(pen);
    for (int c = 0; c < CursorCount; ++c) {
        DeleteObject(cursorPens_[c]);
        DeleteObject(activeCursorPens_[c]);
        DeleteObject(cursorBrushes_[c]);
    }
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(textPen_), static_cast<HGDIOBJ>(gridPen_),
                           static_cast<HGDIOBJ>(splitterPen_), static_cast<HGDIOBJ>(rulerPen_),
                           static_cast<HGDIOBJ>(background_), static_cast<HGDIOBJ>(rulerBackground_),
                           static_cast<HGDIOBJ>(rowSelected_), static_cast<HGDIOBJ>(markedArea_),
                           static_cast<HGDIOBJ>(rowSelectBox_)})
        DeleteObject(object);
}

int WavePainter::textWidth(std::string_view text) const {
    int width = 0;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        width += u < 128 ? charWidths_[u] : widestChar_;
    }
    return width;
}

void WavePainter::paint(HDC dc, const WaveScene& scene, const RECT& bounds) {
    FillRect(dc, &bounds, background_);
    HGDIOBJ oldFont = SelectObject(dc, font_);
    HGDIOBJ oldPen = SelectObject(dc, splitterPen_);
    SetBkMode(dc, TRANSPARENT);
    paintRuler(dc, scene);
    if (scene.page) {
        paintPageLabels(dc, scene);
    } else {
        paintRowBands(dc, scene);
        paintLabelColumn(dc, scene);
    }
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, scene.area.left, scene.area.top, scene.area.right(), scene.area.bottom());
    if (scene.gridStep > 0) paintGrid(dc, scene);
    paintRows(dc, scene);
    if (scene.showCursors) paintCursors(dc, scene);
    RestoreDC(dc, saved);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
}

// ---- ruler ---------------------------------------------------------------------------------------

void WavePainter::paintRuler(HDC dc, const WaveScene& scene) {
    const ViewArea& area = scene.area;
    if (area.top <= scene.rulerTop) return;
    fill(dc, area.left, scene.rulerTop, area.right(), area.top, rulerBackground_);
    if (scene.image.empty()) return;
    // Ticks on round sample numbers at least rulerTickSpacing pixels apart.
    const std::int64_t perTick = std::max<std::int64_t>(samplesInPixels(scene.view.zoom, rulerTickSpacing), 1);
    std::int64_t step = 0;
    for (std::int64_t decade = 1; step == 0; decade *= 10)
        for (std::int64_t m : {1, 2, 5})
            if (step == 0 && m * decade >= perTick) step = m * decade;
    const int last = lastShownSample(scene.view, area, static_cast<int>(scene.image.size()));
    SelectObject(dc, rulerPen_);
    SetTextColor(dc, rulerTextColour);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    const int bottom = area.top - 1;
    for (std::int64_t s = (scene.view.firstSample + step - 1) / step * step; s <= last; s += step) {
        const int x = clampedX(scene, s);
        line(dc, x, bottom - 5, x, bottom + 1);
        textAt(dc, x + 2, std::max(scene.rulerTop, bottom - 5 - textHeight_), std::to_string(s));
    }
}

// ---- selections ------------------------------------------------------------------------------------

void WavePainter::paintRowBands(HDC dc, const WaveScene& scene) {
    const ViewArea& area = scene.area;
    const int usable = static_cast<int>(scene.image.size());
    const int usableRight = clampedX(scene, usable);
    const int rowCount = static_cast<int>(scene.rows.size());
    for (int r = scene.view.firstRow; r < rowCount; ++r) {
        const int top = rowTop(scene.view, area, r);
        if (top >= area.bottom()) break;
        const int bottom = std::min(top + area.rowHeight, area.bottom());
        if (scene.labels && rowHasFlag(*scene.labels, scene.rows[static_cast<std::size_t>(r)], stateRowSelected))
            fill(dc, area.left, top, usableRight, bottom, rowSelected_);
        if (scene.rangeSelected && r >= scene.marked.firstRow && r <= scene.marked.lastRow)
            fill(dc, std::max(clampedX(scene, scene.marked.markStart), area.left), top,
                 std::min(clampedX(scene, std::int64_t{scene.marked.markEnd} + 1), area.right()), bottom,
                 markedArea_);
    }
}

// ---- the label column --------------------------------------------------------------------------------

void WavePainter::paintLabelColumn(HDC dc, const WaveScene& scene) {
    const ViewArea& area = scene.area;
    const int x0 = scene.labelLeft;
    const int nameRight = x0 + scene.splitters[0] - splitterHalfWidth;
    const int channelLeft = x0 + scene.splitters[0] + splitterHalfWidth + 1;
    const int channelRight = x0 + scene.splitters[1] - splitterHalfWidth;
    const int selectLeft = x0 + scene.splitters[1] + splitterHalfWidth + 1;
    const int selectRight = x0 + scene.splitters[2] - splitterHalfWidth;
    const int rowCount = static_cast<int>(scene.rows.size());
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    HBRUSH highlightBrush = GetSysColorBrush(COLOR_HIGHLIGHT);
    for (int r = scene.view.firstRow; r < rowCount; ++r) {
        const int top = rowTop(scene.view, area, r);
        if (top >= area.bottom()) break;
        const int bottom = std::min(top + area.rowHeight, area.bottom());
        const ViewRow& row = scene.rows[static_cast<std::size_t>(r)];
        const LabelRecord* record = scene.labels ? &(*scene.labels)[static_cast<std::size_t>(row.firstRecord)] : nullptr;
        const int textTop = top + (area.rowHeight - textHeight_) / 2;
        // Name, in the system's highlight colours when the label is selected.
        const bool selected = record && (record->stateFlags & stateLabelSelected) != 0;
        if (selected) fill(dc, x0 + 1, top + 1, nameRight, bottom - 1, highlightBrush);
        SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : toColorRef(paletteColour(row.colour)));
        if (record) {
            const RECT clip{x0 + 3, top, nameRight, bottom};
            const std::string_view name(record->name, strnlen(record->name, labelNameBytes));
            ExtTextOutA(dc, clip.left, textTop, ETO_CLIPPED, &clip, name.data(), static_cast<UINT>(name.size()),
                        nullptr);
        }
        // Channels.
        SetTextColor(dc, channelTextColour);
        const std::string channels = channelsText(row);
        const RECT channelClip{channelLeft + 2, top, channelRight, bottom};
        ExtTextOutA(dc, channelClip.left, textTop, ETO_CLIPPED, &channelClip, channels.data(),
                    static_cast<UINT>(channels.size()), nullptr);
        // The row-select box: filled while the row is selected for editing.
        const int boxLeft = selectLeft + std::max((selectRight - selectLeft - rowSelectBoxSize) / 2, 0);
        const int boxTop = top + (area.rowHeight - rowSelectBoxSize) / 2;
        SelectObject(dc, splitterPen_);
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        if (selectRight - selectLeft >= rowSelectBoxSize) {
            Rectangle(dc, boxLeft, boxTop, boxLeft + rowSelectBoxSize, boxTop + rowSelectBoxSize);
            if (record && (record->stateFlags & stateRowSelected) != 0)
                fill(dc, boxLeft + 2, boxTop + 2, boxLeft + rowSelectBoxSize - 2, boxTop + rowSelectBoxSize - 2,
                     rowSelectBox_);
        }
        // Row divider across the label column.
        line(dc, x0, bottom - 1, selectRight, bottom - 1);
    }
    SelectObject(dc, splitterPen_);
    for (int s = 0; s < splitterCount; ++s)
        line(dc, x0 + scene.splitters[static_cast<std::size_t>(s)], scene.rulerTop,
             x0 + scene.splitters[static_cast<std::size_t>(s)], area.bottom());
}

// A page's label column: each name in the text colour, centred in its row, and one line right of them.
void WavePainter::paintPageLabels(HDC dc, const WaveScene& scene) {
    const ViewArea& area = scene.area;
    const int x0 = scene.labelLeft;
    const int right = x0 + scene.splitters[0];
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    SetTextColor(dc, colours_.text);
    const int rowCount = static_cast<int>(scene.rows.size());
    for (int r = scene.view.firstRow; r < rowCount && scene.labels; ++r) {
        const int top = rowTop(scene.view, area, r);
        if (top + area.rowHeight > area.bottom()) break;
        const ViewRow& row = scene.rows[static_cast<std::size_t>(r)];
        const LabelRecord& record = (*scene.labels)[static_cast<std::size_t>(row.firstRecord)];
        const RECT clip{x0, top, right, top + area.rowHeight};
        const std::string_view name(record.name, strnlen(record.name, labelNameBytes));
        ExtTextOutA(dc, x0, top + (area.rowHeight - textHeight_) / 2, ETO_CLIPPED, &clip, name.data(),
                    static_cast<UINT>(name.size()), nullptr);
    }
    SelectObject(dc, textPen_);
    line(dc, right, area.top, right, area.bottom());
}

void WavePainter::paintGrid(HDC dc, const WaveScene& scene) {
    const ViewArea& area = scene.area;
    const int last = lastShownSample(scene.view, area, static_cast<int>(scene.image.size()));
    const std::int64_t step = scene.gridStep;
    SelectObject(dc, gridPen_);
    SetBkMode(dc, TRANSPARENT);
    for (std::int64_t s = (scene.view.firstSample + step - 1) / step * step; s <= last + 1; s += step) {
        const int x = clampedX(scene, s);
        line(dc, x, area.top, x, area.bottom());
    }
}

// ---- rows ----------------------------------------------------------------------------------------------

void WavePainter::paintRows(HDC dc, const WaveScene& scene) {
    if (!scene.summary || scene.image.empty()) return;
    const ViewArea& area = scene.area;
    const int rowCount = static_cast<int>(scene.rows.size());
    for (int r = scene.view.firstRow; r < rowCount; ++r) {
        const int top = rowTop(scene.view, area, r);
        if (top >= area.bottom()) break;
        const ViewRow& row = scene.rows[static_cast<std::size_t>(r)];
        if (row.width == 0) continue;
        SelectObject(dc, palettePens_[row.colour & 15]);
        SetTextColor(dc, rowColours_[row.colour & 15]);
        if (row.bus || row.command)
            paintBusRow(dc, scene, row, top);
        else
            paintBitRow(dc, scene, row, top);
    }
}

void WavePainter::paintBitRow(HDC dc, const WaveScene& scene, const ViewRow& row, int top) {
    bitRowPolyline(scene.view, scene.area, *scene.summary, row, levels_);
    if (levels_.size() < 2) return;
    const int high = highLevelY(top, scene.area.rowHeight);
    const int low = lowLevelY(top, scene.area.rowHeight);
    points_.resize(levels_.size());
    for (std::size_t i = 0; i < levels_.size(); ++i) points_[i] = {levels_[i].x, levels_[i].high ? high : low};
    Polyline(dc, points_.data(), static_cast<int>(points_.size()));
}

void WavePainter::paintBusRow(HDC dc, const WaveScene& scene, const ViewRow& row, int top) {
    busRowShape(scene.view, scene.area, *scene.summary, row, bus_);
    if (bus_.runs.empty() && bus_.crossings.empty()) return;
    const int high = highLevelY(top, scene.area.rowHeight);
    const int low = lowLevelY(top, scene.area.rowHeight);
    points_.clear();
    counts_.clear();
    auto segment = [&](int x0, int y0, int x1, int y1) {
        points_.push_back({x0, y0});
        points_.push_back({x1, y1});
        counts_.push_back(2);
    };
    for (int x : bus_.crossings) {
        segment(x - busCrossingHalf, high, x + busCrossingHalf + 1, low + 1);
        segment(x - busCrossingHalf, low, x + busCrossingHalf + 1, high - 1);
    }
    for (const BusRun& run : bus_.runs) {
        const bool crossedLeft = std::binary_search(bus_.crossings.begin(), bus_.crossings.end(), run.xFrom);
        const bool crossedRight = std::binary_search(bus_.crossings.begin(), bus_.crossings.end(), run.xTo);
        const int from = run.xFrom + (crossedLeft ? busCrossingHalf : 0);
        const int to = run.xTo - (crossedRight ? busCrossingHalf : 0);
        if (to <= from) continue;
        segment(from, high, to, high);
        segment(from, low, to, low);
    }
    if (!counts_.empty()) PolyPolyline(dc, points_.data(), counts_.data(), static_cast<DWORD>(counts_.size()));

    // Texts: only runs wide enough for two characters and the margins are looked at.
    const int narrowest = 2 * runTextMargin + 2 * charWidths_[static_cast<int>('0')];
    const TextWidth measure = [this](std::string_view text) { return textWidth(text); };
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    const int textTop = top + (scene.area.rowHeight - textHeight_) / 2;
    for (const BusRun& run : bus_.runs) {
        const int pixels = run.xTo - run.xFrom;
        if (pixels < narrowest) continue;
        std::string text;
        if (row.command) {
            if (run.commandSample < 0) continue;
            const MnemonicText mnemonic = viewMnemonic(scene.image, run.commandSample);
            text = runMnemonicText(mnemonic.view(), pixels, measure);
        } else {
            text = runValueText(run.value, row.width, row.type, pixels, measure);
        }
        if (!text.empty()) textAt(dc, (run.xFrom + run.xTo) / 2, textTop, text);
    }
}

// ---- cursors -------------------------------------------------------------------------------------------

void WavePainter::paintCursors(HDC dc, const WaveScene& scene) {
    const ViewArea& area = scene.area;
    const int usable = static_cast<int>(scene.image.size());
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    for (int k = 0; k < CursorCount; ++k) {
        // The active cursor last, so that its handle lies on top.
        const int c = k < scene.cursors.active ? k : (k == CursorCount - 1 ? scene.cursors.active : k + 1);
        const int sample = scene.cursors.samples[static_cast<std::size_t>(c)];
        if (sample == unsetPosition || sample < 0 || sample >= usable) continue;
        const std::int64_t x64 = sampleX(scene.view, area, sample);
        if (x64 < area.left || x64 >= area.right()) continue;
        const int x = static_cast<int>(x64);
        SelectObject(dc, c == scene.cursors.active ? activeCursorPens_[c] : cursorPens_[c]);
        line(dc, x, area.top, x, area.bottom());
        const int row = scene.cursors.rows[static_cast<std::size_t>(c)];
        if (row < scene.view.firstRow || row >= static_cast<int>(scene.rows.size())) continue;
        const int top = rowTop(scene.view, area, row);
        if (top >= area.bottom()) continue;
        fill(dc, x, top, x + cursorHandleWidth, top + cursorHandleHeight, cursorBrushes_[c]);
        SetTextColor(dc, RGB(0, 0, 0));
        const char letter = cursorLetters[c];
        const int letterWidth = charWidths_[static_cast<int>(letter)];
        const RECT clip{x, top, x + cursorHandleWidth, top + cursorHandleHeight};
        ExtTextOutA(dc, x + (cursorHandleWidth - letterWidth) / 2, top + (cursorHandleHeight - textHeight_) / 2,
                    ETO_CLIPPED, &clip, &letter, 1, nullptr);
    }
}

} // namespace qv::win
