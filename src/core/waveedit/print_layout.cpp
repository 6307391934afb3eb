// The fitted scale is kept as the exact ratio of the waveform width to the samples: a ratio in
// thousandths of a pixel per sample would be zero once more than a thousand samples share a
// pixel (two million samples on one page) and drifts by a pixel every thousand samples.
#include "waveedit/print_layout.h"

#include "support/bmp_file.h"
#include "support/text_fill.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace qv {

PrintControls printControls(const PrintSettings& settings, bool printerAvailable) {
    PrintControls controls;
    const PrintProportion p = settings.proportion;
    controls.horizontalSize = p == PrintProportion::FitToVertSize || p == PrintProportion::CustomSize;
    controls.verticalSize = p == PrintProportion::FitToHorzSize || p == PrintProportion::CustomSize;
    controls.printer = printerAvailable && !settings.bitmapTarget();
    controls.sizeButton = settings.bitmapTarget();
    return controls;
}

bool clipboardSizeValid(int width, int height) {
    return width >= clipboardMinWidth && width <= clipboardMaxWidth && height >= clipboardMinHeight &&
        height <= clipboardMaxHeight;
}

int verticalPercent(int verticalSize) {
    return verticalSizeFirst + std::clamp(verticalSize, 0, verticalSizeCount - 1) * verticalSizeStep;
}

int printTextHeight(const PrintSettings& settings, PrintTarget target, int drawingHeight, int rowCount,
                    int printerDpi) {
    int u = 0;
    if (settings.proportion == PrintProportion::FitToHorzSize || settings.proportion == PrintProportion::CustomSize) {
        const int percent = verticalPercent(settings.verticalSize);
        u = target == PrintTarget::Bitmap ? percent * 15 / 100 : percent * printerDpi / 800;
    } else {
        u = (drawingHeight - 10) / (2 * std::max(rowCount, 0) + 4);
        if (target == PrintTarget::Printer) u = std::min(u, (drawingHeight - 10) / 90);
    }
    return std::max(u, 1);
}

int printFontHeight(int textHeight, PrintTarget target, int printerDpi) {
    const int hundredPercent = target == PrintTarget::Bitmap ? 15 : std::max(printerDpi, 8) / 8;
    return std::max(std::min(textHeight, hundredPercent), 1);
}

int fittedFontHeight(int fontHeight, int textWidth, int available) {
    if (textWidth <= available || textWidth <= 0) return std::max(fontHeight, 1);
    return std::max(static_cast<int>(std::int64_t{fontHeight} * std::max(available, 0) / textWidth), 1);
}

PrintSpan printSpan(PrintRange range, int usedSamples, int markStart, int markCount) {
    if (range == PrintRange::MarkArea && markCount > 0) return {markStart, markCount};
    return {0, std::max(usedSamples, 1)};
}

PageScale printScale(const PrintSettings& settings, int waveformWidth, int sampleCount) {
    if (settings.proportion == PrintProportion::FitToVertSize || settings.proportion == PrintProportion::CustomSize) {
        const int index = std::clamp(settings.horizontalSize, 0, static_cast<int>(horizontalSizeTexts.size()) - 1);
        if (index <= horizontalSizeOne) return {std::int64_t{1} << (horizontalSizeOne - index), 1};
        return {1, std::int64_t{1} << (index - horizontalSizeOne)};
    }
    return {std::max(waveformWidth, 1), std::max(sampleCount, 1)};
}

std::int64_t gridNanoseconds(std::string_view gridText) {
    std::size_t i = 0;
    while (i < gridText.size() && gridText[i] == ' ') ++i;
    std::int64_t number = 0;
    bool digits = false;
    for (; i < gridText.size() && std::isdigit(static_cast<unsigned char>(gridText[i])); ++i) {
        number = number * 10 + (gridText[i] - '0');
        digits = true;
        if (number > 1'000'000) return 0;
    }
    while (i < gridText.size() && gridText[i] == ' ') ++i;
    const std::string_view unit = gridText.substr(i);
    if (!digits) return 0;
    if (unit == "ns") return number;
    if (unit == "us") return number * 1'000;
    if (unit == "ms") return number * 1'000'000;
    if (unit == "s") return number * 1'000'000'000;
    return 0;
}

int gridStepSamples(int gridSize, int baseFrequency) {
    if (gridSize < 1 || gridSize > static_cast<int>(gridSizeTexts.size()) || baseFrequency <= 0) return 0;
    const std::int64_t period = 1'000'000'000 / baseFrequency; // whole nanoseconds per sample
    if (period <= 0) return 0;
    const std::int64_t step = gridNanoseconds(gridSizeTexts[static_cast<std::size_t>(gridSize - 1)]) / period;
    return static_cast<int>(std::min<std::int64_t>(step, INT32_MAX));
}

int drawableGridSize(int gridSize, int baseFrequency, PageScale scale) {
    if (gridSize < 1 || !scale.set()) return 0;
    for (int size = gridSize; size <= static_cast<int>(gridSizeTexts.size()); ++size) {
        const std::int64_t step = gridStepSamples(size, baseFrequency);
        if (step > 0 && step * scale.pixels >= minGridPixels * scale.samples) return size;
    }
    return 0;
}

bool pagesNeedConfirmation(int pageCount) { return pageCount > manyPages; }

std::int64_t bmpPagesBytes(int pages, int width, int height, int bitsPerPixel) {
    constexpr std::int64_t headers = 14 + 40;
    const std::int64_t palette = bitsPerPixel <= 8 ? (std::int64_t{4} << bitsPerPixel) : 0;
    const std::int64_t bits = std::int64_t{bmpRowBytes(width, bitsPerPixel)} * height;
    return std::int64_t{std::max(pages, 0)} * (headers + palette + bits);
}

std::string byteSizeText(std::int64_t bytes) {
    static constexpr std::array<const char*, 4> units{"KB", "MB", "GB", "TB"};
    if (bytes < 1024) return std::to_string(std::max<std::int64_t>(bytes, 0)) + " B";
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < units.size()) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, value < 100 ? "%.1f %s" : "%.0f %s", value, units[unit]);
    return text;
}

std::vector<int> printedRows(PrintRange range, std::span<const ViewRow> rows, const LabelTable& table) {
    std::vector<int> printed;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const LabelRecord& record = table[static_cast<std::size_t>(rows[static_cast<std::size_t>(r)].firstRecord)];
        if (range == PrintRange::All || (record.stateFlags & stateLabelSelected) != 0) printed.push_back(r);
    }
    return printed;
}

int PageLayout::samplePages() const {
    if (sampleCount <= 0) return 1;
    const int per = std::max(samplesPerPage, 1);
    return (sampleCount + per - 1) / per;
}

int PageLayout::rowPages() const {
    if (rowCount <= 0) return 1;
    const int per = std::max(rowsPerPage, 1);
    return (rowCount + per - 1) / per;
}

PageContent pageContent(const PageLayout& layout, int page) {
    PageContent content;
    if (page < 0 || page >= layout.pageCount()) return content;
    const int samplePage = page / layout.rowPages();
    const int rowPage = page % layout.rowPages();
    const int perSamples = std::max(layout.samplesPerPage, 1);
    const int perRows = std::max(layout.rowsPerPage, 1);
    const int sampleOffset = samplePage * perSamples;
    content.firstSample = layout.firstSample + sampleOffset;
    content.sampleCount = std::clamp(layout.sampleCount - sampleOffset, 0, perSamples);
    content.firstRow = rowPage * perRows;
    content.rowCount = std::clamp(layout.rowCount - content.firstRow, 0, perRows);
    return content;
}

std::string bmpPageName(std::string_view chosen, int page) {
    if (page <= 1) return std::string(chosen);
    std::string_view stem = chosen;
    const std::size_t dot = chosen.rfind('.');
    const std::size_t slash = chosen.find_last_of("\\/");
    if (chosen.size() >= 4 && dot == chosen.size() - 4 && (slash == std::string_view::npos || slash < dot))
        stem = chosen.substr(0, dot);
    std::string number = std::to_string(page - 1); // at least four digits, more past 9999 pages
    if (number.size() < 4) number.insert(0, 4 - number.size(), '0');
    return std::string(stem) + number + ".BMP";
}

std::string printHeader(std::string_view format, std::string_view interfaceName, std::string_view version,
                        std::string_view date, std::string_view time) {
    const std::size_t end = version.find_last_not_of(' ');
    const std::string versionField = std::string(version.substr(0, end == std::string_view::npos ? 0 : end + 1)) + "  ";
    return fillMarkers(format, {interfaceName, versionField, date, time});
}

std::string printGridFooter(std::string_view format, std::string_view gridText) {
    const std::size_t first = gridText.find_first_not_of(' ');
    return fillMarkers(format, {first == std::string_view::npos ? std::string_view{} : gridText.substr(first)});
}

} // namespace qv
