// The drawing area holds, from the top: five units, a header line of height u, a gap of u, the
// rows (2u each), a gap, the footer line and five units, so that the fitted height
// u = (height - 10) / (2 x rows + 4) just holds every row. The texts are written no taller than
// at 100 % (a page of three rows would otherwise carry names a hand high), and the header and the
// footer's two parts shrink when they would not fit the width apart. The label column starts
// u / 5 from the frame. Rows are drawn by the view's painter on a scene that says `page`.
#include "waveedit/print_page.h"

#include "app/strings_win.h"
#include "app/ui_font.h"
#include "support/text_fill.h"
#include "waveedit/labels.h"

#include <algorithm>

namespace qv::win {
namespace {

constexpr int edge = 5; // units between the frame and the header or footer line
constexpr wchar_t fontName[] = L"MS Sans Serif";

void drawText(HDC dc, int x, int y, UINT align, const std::wstring& text) {
    SetTextAlign(dc, align);
    TextOutW(dc, x, y, text.data(), static_cast<int>(text.size()));
}

} // namespace

// A Chinese page needs a face with the language's glyphs ("第 1 頁", the grid footer): MS Sans Serif
// has none where no Chinese Windows maps it to one (Wine), and the texts would print as boxes.
HFONT createPrintFont(int height) {
    const LANGID language = currentLanguage();
    static LANGID lookedUp = 0; // the face found for it: a search of the installed fonts, once
    static std::wstring face;
    if (language != lookedUp) {
        face = interfaceFace(language);
        lookedUp = language;
    }
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, face.empty() ? DEFAULT_CHARSET : charsetOf(language),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       face.empty() ? fontName : face.c_str());
}

namespace {

HFONT createFont(int height) { return createPrintFont(height); }

int textWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

std::wstring gridFooterText(int gridSize) {
    const std::string gridText = gridSize > 0 ? std::string(gridSizeTexts[static_cast<std::size_t>(gridSize - 1)])
                                              : toUtf8(loadString(Msg::PrintNoGrid));
    return fromUtf8(printGridFooter(toUtf8(loadString(Msg::PrintGridFooter)), gridText));
}

PaintColours coloursOf(PrintTarget target, bool colour) {
    if (colour && target == PrintTarget::Bitmap) return {RGB(0, 0, 0), RGB(255, 255, 255), true};
    return {RGB(255, 255, 255), RGB(0, 0, 0), colour};
}

} // namespace

PrintPages::PrintPages(HDC dc, const RECT& drawing, PrintTarget target, const PrintSettings& settings,
                       const PrintSource& source)
    : source_(source), target_(target), colour_(settings.colour), drawing_(drawing) {
    const int height = drawing.bottom - drawing.top;
    const int rowCount = static_cast<int>(source.printedRows.size());
    const int printerDpi = GetDeviceCaps(dc, LOGPIXELSY);
    u_ = printTextHeight(settings, target, height, rowCount, printerDpi);
    fontHeight_ = printFontHeight(u_, target, printerDpi);
    font_ = createFont(fontHeight_);
    painter_ = std::make_unique<WavePainter>(font_, coloursOf(target, settings.colour));

    // The label column: as wide as the widest name plus u / 5.
    HGDIOBJ old = SelectObject(dc, font_);
    int widest = 0;
    for (int r : source.printedRows) {
        const LabelRecord& record =
            (*source.labels)[static_cast<std::size_t>(source.rows[static_cast<std::size_t>(r)].firstRecord)];
        SIZE size{};
        GetTextExtentPoint32A(dc, record.name, static_cast<int>(strnlen(record.name, labelNameBytes)), &size);
        widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, old);
    gap_ = std::max(u_ / 5, 2);
    labelLeft_ = drawing.left + gap_;
    labelWidth_ = widest + u_ / 5;

    const int rowHeight = 2 * u_;
    area_.left = labelLeft_ + labelWidth_ + gap_;
    area_.width = std::max<int>(drawing.right - gap_ - area_.left, 1);
    area_.top = drawing.top + edge + 2 * u_;
    area_.rowHeight = rowHeight;
    const int rowsBottom = drawing.bottom - edge - 2 * u_;
    const int rowsPerPage = std::max((rowsBottom - area_.top) / rowHeight, 1);

    scale_ = printScale(settings, area_.width, source.sampleCount);
    const ViewPosition scaled{{}, 0, 0, scale_};
    layout_ = {source.firstSample, source.sampleCount, samplesShown(scaled, area_.width), rowCount, rowsPerPage};
    gridSize_ = drawableGridSize(source.gridSize, source.baseFrequency, scale_);
    gridStep_ = gridStepSamples(gridSize_, source.baseFrequency);
    gridFooter_ = gridFooterText(gridSize_);
}

PrintPages::~PrintPages() {
    painter_.reset();
    if (font_) DeleteObject(font_);
}

void PrintPages::draw(HDC dc, int page, const std::wstring& pageText) {
    const PageContent content = pageContent(layout_, page);
    pageRows_.clear();
    for (int i = 0; i < content.rowCount; ++i)
        pageRows_.push_back(
            source_
                .rows[static_cast<std::size_t>(source_.printedRows[static_cast<std::size_t>(content.firstRow + i)])]);

    WaveScene scene;
    // The range's end bounds what is drawn: the image ends with the range's last sample.
    scene.image = source_.image.first(static_cast<std::size_t>(
        std::clamp(source_.firstSample + source_.sampleCount, 0, static_cast<int>(source_.image.size()))));
    scene.rows = pageRows_;
    scene.labels = source_.labels;
    scene.summary = &summary_;
    scene.view = {{}, content.firstSample, 0, scale_};
    scene.area = area_;
    scene.area.height = std::max(content.rowCount, 0) * area_.rowHeight;
    scene.splitters = {labelWidth_, labelWidth_, labelWidth_};
    scene.labelLeft = labelLeft_;
    scene.rulerTop = scene.area.top;
    scene.showCursors = false;
    scene.page = true;
    scene.gridStep = gridStep_;
    buildViewSummary(summary_, scene.image, scene.view, scene.area.width);
    painter_->paint(dc, scene, drawing_);

    // Header, footer and the frame round the drawing area; a line too wide for the page is written
    // smaller rather than cut or run together.
    const PaintColours colours = coloursOf(target_, colour_);
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colours.text);
    const int lineWidth = drawing_.right - gap_ - labelLeft_;
    const auto writeFitted = [&](int neededWidth, const auto& write) {
        const int height = fittedFontHeight(fontHeight_, neededWidth, lineWidth);
        HFONT smaller = height < fontHeight_ ? createFont(height) : nullptr;
        if (smaller) SelectObject(dc, smaller);
        write();
        if (smaller) {
            SelectObject(dc, font_);
            DeleteObject(smaller);
        }
    };
    writeFitted(textWidth(dc, source_.header),
                [&] { drawText(dc, labelLeft_, drawing_.top + edge, TA_LEFT | TA_TOP, source_.header); });
    const int footerTop = drawing_.bottom - edge - fontHeight_ - fontHeight_ / 2;
    // The page number and the grid keep at least four gaps between them.
    writeFitted(textWidth(dc, pageText) + 4 * gap_ + textWidth(dc, gridFooter_), [&] {
        drawText(dc, labelLeft_, footerTop, TA_LEFT | TA_TOP, pageText);
        drawText(dc, drawing_.right - gap_, footerTop, TA_RIGHT | TA_TOP, gridFooter_);
    });
    const int frameWidth = colour_ && target_ == PrintTarget::Printer ? 5 : 1;
    HPEN pen = CreatePen(PS_SOLID | PS_INSIDEFRAME, frameWidth, colours.text);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, drawing_.left, drawing_.top, drawing_.right, drawing_.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    SelectObject(dc, oldFont);
}

} // namespace qv::win
