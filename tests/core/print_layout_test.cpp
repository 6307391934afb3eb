// Printing without a device: the dialog's enabling rules, the clipboard size limits, text height
// and scale per proportion, grid steps, which rows and samples each page shows, the BMP page
// names, and the BMP file image.
#include "support/bmp_file.h"
#include "waveedit/labels.h"
#include "waveedit/print_layout.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(PrintLayout, ControlsFollowProportionAndTarget) {
    PrintSettings s;
    EXPECT_EQ(printControls(s, true), (PrintControls{false, false, true, false}));
    s.proportion = PrintProportion::FitToHorzSize;
    EXPECT_EQ(printControls(s, true), (PrintControls{false, true, true, false}));
    s.proportion = PrintProportion::FitToVertSize;
    EXPECT_EQ(printControls(s, true), (PrintControls{true, false, true, false}));
    s.proportion = PrintProportion::CustomSize;
    s.toBmpFile = true;
    EXPECT_EQ(printControls(s, true), (PrintControls{true, true, false, true}));
    s.toBmpFile = false;
    s.toClipboard = true;
    EXPECT_EQ(printControls(s, true), (PrintControls{true, true, false, true}));
    s.toClipboard = false;
    EXPECT_FALSE(printControls(s, false).printer); // no printer: the bitmap targets stay
}

TEST(PrintLayout, ClipboardSizeLimits) {
    EXPECT_FALSE(clipboardSizeValid(199, 160));
    EXPECT_TRUE(clipboardSizeValid(200, 160));
    EXPECT_FALSE(clipboardSizeValid(200, 159));
    EXPECT_TRUE(clipboardSizeValid(1600, 1200));
    EXPECT_FALSE(clipboardSizeValid(1601, 1200));
    EXPECT_FALSE(clipboardSizeValid(1600, 1201));
}

TEST(PrintLayout, TextHeightPerProportionAndTarget) {
    PrintSettings s;
    // Fitted: rows, header and footer share the height; a printer caps it at (h - 10) / 90.
    EXPECT_EQ(printTextHeight(s, PrintTarget::Bitmap, 1200, 10, 600), 1190 / 24);
    EXPECT_EQ(printTextHeight(s, PrintTarget::Printer, 4800, 2, 600), 4790 / 90);
    EXPECT_EQ(printTextHeight(s, PrintTarget::Printer, 4800, 100, 600), 4790 / 204);
    EXPECT_EQ(printTextHeight(s, PrintTarget::Bitmap, 160, 500, 600), 1); // never below a pixel
    s.proportion = PrintProportion::CustomSize;
    EXPECT_EQ(printTextHeight(s, PrintTarget::Bitmap, 1200, 10, 600), 15); // 100 %
    EXPECT_EQ(printTextHeight(s, PrintTarget::Printer, 1200, 10, 600), 75);
    s.verticalSize = 0; // 30 %
    s.proportion = PrintProportion::FitToHorzSize;
    EXPECT_EQ(printTextHeight(s, PrintTarget::Bitmap, 1200, 10, 600), 4);
    s.verticalSize = verticalSizeCount - 1;
    EXPECT_EQ(verticalPercent(s.verticalSize), 200);
    s.proportion = PrintProportion::FitToVertSize; // the percentage does not apply
    EXPECT_EQ(printTextHeight(s, PrintTarget::Bitmap, 1200, 10, 600), 1190 / 24);
}

// A fitted page with few rows gets tall rows but text no taller than at 100 %; a line too wide for
// the page shrinks until it fits.
TEST(PrintLayout, FontHeightCappedAndLinesFitted) {
    PrintSettings s;
    const int u = printTextHeight(s, PrintTarget::Bitmap, 1200, 3, 600);
    EXPECT_EQ(u, 1190 / 10);
    EXPECT_EQ(printFontHeight(u, PrintTarget::Bitmap, 600), 15);
    EXPECT_EQ(printFontHeight(14, PrintTarget::Bitmap, 600), 14);
    EXPECT_EQ(printFontHeight(16, PrintTarget::Bitmap, 600), 15);
    EXPECT_EQ(printFontHeight(200, PrintTarget::Printer, 600), 75);
    EXPECT_EQ(printFontHeight(0, PrintTarget::Printer, 0), 1);
    EXPECT_EQ(fittedFontHeight(15, 1500, 1500), 15); // just fits
    EXPECT_EQ(fittedFontHeight(15, 1501, 1500), 14);
    EXPECT_EQ(fittedFontHeight(15, 3000, 200), 1);
    EXPECT_EQ(fittedFontHeight(15, 3000, 0), 1);
}

// All prints the used length, not the memory: 600 used samples of 524,264 fill the page.
TEST(PrintLayout, SpanOfEachRange) {
    EXPECT_EQ(printSpan(PrintRange::All, 600, 0, 0), (PrintSpan{0, 600}));
    EXPECT_EQ(printSpan(PrintRange::SelectedChannel, 600, 10, 20), (PrintSpan{0, 600}));
    EXPECT_EQ(printSpan(PrintRange::MarkArea, 600, 10, 20), (PrintSpan{10, 20}));
    EXPECT_EQ(printSpan(PrintRange::MarkArea, 600, 10, 0), (PrintSpan{0, 600})); // nothing marked
    EXPECT_EQ(printSpan(PrintRange::All, 0, 0, 0), (PrintSpan{0, 1}));
}

TEST(PrintLayout, ScalePerProportion) {
    PrintSettings s;
    EXPECT_EQ(printScale(s, 1500, 2097152), (PageScale{1500, 2097152})); // fitted exactly, however many
    s.proportion = PrintProportion::FitToHorzSize;
    EXPECT_EQ(printScale(s, 1500, 100), (PageScale{1500, 100}));
    s.proportion = PrintProportion::CustomSize;
    EXPECT_EQ(printScale(s, 1500, 100), (PageScale{1, 1}));
    s.horizontalSize = 0;
    EXPECT_EQ(printScale(s, 1500, 100), (PageScale{32, 1}));
    s.proportion = PrintProportion::FitToVertSize;
    s.horizontalSize = 11;
    EXPECT_EQ(printScale(s, 1500, 100), (PageScale{1, 64}));
    // All samples of a fitted range lie on the page, the last one inside its width.
    const ViewPosition view{{}, 0, 0, {1500, 2097152}};
    EXPECT_EQ(samplesShown(view, 1500), 2097152);
    EXPECT_LT(sampleX(view, ViewArea{0, 0, 1500, 10, 2}, 2097151), 1500);
}

TEST(PrintLayout, GridSteps) {
    EXPECT_EQ(gridNanoseconds("  50 ns"), 50);
    EXPECT_EQ(gridNanoseconds("   5 ms"), 5'000'000);
    EXPECT_EQ(gridNanoseconds(" 100 s"), 100'000'000'000);
    EXPECT_EQ(gridStepSamples(1, 20'000'000), 1); // 50 ns at 20 MHz
    EXPECT_EQ(gridStepSamples(2, 10'000'000), 1); // 100 ns at 10 MHz
    EXPECT_EQ(gridStepSamples(1, 10'000'000), 0); // finer than a sample: no grid
    EXPECT_EQ(gridStepSamples(4, 3'000'000), 3); // 1 us over 333 ns: whole-number divisions
    EXPECT_EQ(gridStepSamples(0, 20'000'000), 0); // No Grid
    EXPECT_EQ(gridStepSamples(20, 100'000'000), INT32_MAX); // 100 s at 10 ns: beyond any memory
    EXPECT_EQ(gridStepSamples(16, 100'000'000), 100'000'000); // 1 s
}

// A grid finer than minGridPixels at the page's scale gives way to the first coarser one.
TEST(PrintLayout, GridNeverFinerThanDrawable) {
    // 1 MHz: " 1 us" is one sample. At one pixel per sample it is too fine; " 5 us" (5 px) is drawn.
    EXPECT_EQ(drawableGridSize(4, 1'000'000, {1, 1}), 5);
    EXPECT_EQ(drawableGridSize(4, 1'000'000, {4, 1}), 4); // exactly four pixels apart
    EXPECT_EQ(drawableGridSize(4, 1'000'000, {3, 1}), 5);
    // 524,264 samples on 1,500 pixels: 10 us steps are 0.03 px; 5 ms (5,000 samples) is 14 px.
    EXPECT_EQ(drawableGridSize(6, 1'000'000, {1500, 524264}), 11);
    EXPECT_EQ(drawableGridSize(1, 20'000'000, {1, 64}), 7); // 50 us = 1,000 samples = 15 px; 10 us = 3 px
    EXPECT_EQ(drawableGridSize(20, 1'000'000, {1, 1'000'000'000}), 0); // even 100 s is finer
    EXPECT_EQ(drawableGridSize(0, 1'000'000, {1, 1}), 0); // No Grid
}

TEST(PrintLayout, ManyPagesAreCountedAndSized) {
    EXPECT_FALSE(pagesNeedConfirmation(manyPages));
    EXPECT_TRUE(pagesNeedConfirmation(manyPages + 1));
    // 1600 x 1200 at 32 bits: 54 header bytes and 7,680,000 of pixels a page.
    EXPECT_EQ(bmpPagesBytes(1, 1600, 1200, 32), 7'680'054);
    EXPECT_EQ(bmpPagesBytes(11'400, 1600, 1200, 32), std::int64_t{11'400} * 7'680'054);
    EXPECT_EQ(bmpPagesBytes(2, 3, 2, 8), 2 * (54 + 1024 + 8)); // palette of 256, rows padded to 4
    EXPECT_EQ(byteSizeText(1023), "1023 B");
    EXPECT_EQ(byteSizeText(1024), "1.0 KB");
    EXPECT_EQ(byteSizeText(7'680'054), "7.3 MB");
    EXPECT_EQ(byteSizeText(std::int64_t{11'400} * 7'680'054), "81.5 GB");
    EXPECT_EQ(byteSizeText(std::int64_t{500} << 20), "500 MB");
}

TEST(PrintLayout, RowsOfEachRange) {
    LabelTable table{};
    int next = 0;
    for (const char* name : {"S0", "S1", "S2", "S3"}) {
        const int channels[] = {name[1] - '0'};
        next = appendSignalLabel(table, next, name, channels);
    }
    const std::vector<ViewRow> rows = viewRows(table);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(printedRows(PrintRange::SelectedChannel, rows, table), std::vector<int>{});
    table[static_cast<std::size_t>(rows[1].firstRecord)].stateFlags |= stateLabelSelected;
    table[static_cast<std::size_t>(rows[3].firstRecord)].stateFlags |= stateLabelSelected;
    EXPECT_EQ(printedRows(PrintRange::All, rows, table), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(printedRows(PrintRange::SelectedChannel, rows, table), (std::vector<int>{1, 3}));
}

TEST(PrintLayout, PagesOverSamplesThenRows) {
    const PageLayout layout{100, 250, 100, 5, 3}; // samples 100..349, five rows, three a page
    EXPECT_EQ(layout.pageCount(), 6);
    EXPECT_EQ(pageContent(layout, 0), (PageContent{100, 100, 0, 3}));
    EXPECT_EQ(pageContent(layout, 1), (PageContent{100, 100, 3, 2}));
    EXPECT_EQ(pageContent(layout, 2), (PageContent{200, 100, 0, 3}));
    EXPECT_EQ(pageContent(layout, 5), (PageContent{300, 50, 3, 2}));
    EXPECT_EQ(pageContent(layout, 6), PageContent{});
    const PageLayout fits{0, 1000, 1000, 4, 4};
    EXPECT_EQ(fits.pageCount(), 1);
    EXPECT_EQ((PageLayout{0, 0, 10, 0, 3}).pageCount(), 1); // nothing to print is still one page
}

TEST(PrintLayout, BmpPageNames) {
    EXPECT_EQ(bmpPageName("C:\\out\\name.BMP", 1), "C:\\out\\name.BMP");
    EXPECT_EQ(bmpPageName("C:\\out\\name.BMP", 2), "C:\\out\\name0001.BMP");
    EXPECT_EQ(bmpPageName("C:\\out\\name.BMP", 3), "C:\\out\\name0002.BMP");
    EXPECT_EQ(bmpPageName("name.bmp", 12), "name0011.BMP");
    EXPECT_EQ(bmpPageName("name", 2), "name0001.BMP"); // no extension to replace
    EXPECT_EQ(bmpPageName("C:\\a.b\\name", 2), "C:\\a.b\\name0001.BMP");
    EXPECT_EQ(bmpPageName("n.BMP", 10002), "n10001.BMP");
}

TEST(PrintLayout, HeaderAndFooter) {
    // The version never runs into "Date:", whether or not it brings its own blank.
    EXPECT_EQ(printHeader("%s - QV Editor %sDate:%s  Time:%s", "USB", "V1.2 ", "2026/12/07", "16:30:00"),
              "USB - QV Editor V1.2  Date:2026/12/07  Time:16:30:00");
    EXPECT_EQ(printHeader("%s - QV Editor %sDate:%s  Time:%s", "USB", "1.00B1", "d", "t"),
              "USB - QV Editor 1.00B1  Date:d  Time:t");
    EXPECT_EQ(printGridFooter("Grid Size = %s  ", "  50 ns"), "Grid Size = 50 ns  ");
}

TEST(BmpFile, WritesHeadersPaletteAndPaddedRows) {
    // 3 x 2 pixels at 8 bits: rows of 3 bytes padded to 4, the bottom row first.
    const std::uint32_t palette[] = {0x000000, 0xFF8040};
    const std::uint8_t bits[] = {1, 0, 1, 0, 0, 1, 0, 0};
    const std::vector<std::uint8_t> file = bmpFileImage({3, 2, 8, palette, bits});
    ASSERT_EQ(file.size(), 14u + 40u + 8u + 8u);
    const std::optional<BmpHeader> header = readBmpHeader(file);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 3);
    EXPECT_EQ(header->height, 2);
    EXPECT_EQ(header->bitsPerPixel, 8);
    EXPECT_EQ(header->paletteEntries, 2);
    EXPECT_EQ(header->bitsOffset, 62);
    EXPECT_EQ(file[2], file.size()); // the file's size
    EXPECT_EQ((std::vector<std::uint8_t>(file.begin() + 58, file.begin() + 62)),
              (std::vector<std::uint8_t>{0x40, 0x80, 0xFF, 0}));
    EXPECT_EQ((std::vector<std::uint8_t>(file.begin() + 62, file.end())), (std::vector<std::uint8_t>(bits, bits + 8)));
    EXPECT_EQ(bmpRowBytes(3, 24), 12);
    EXPECT_EQ(bmpRowBytes(33, 1), 8);
    EXPECT_EQ(bmpRowBytes(5, 4), 4);
    // Sizes that do not fit together give nothing.
    EXPECT_TRUE(bmpFileImage({3, 2, 8, palette, std::span(bits, 7)}).empty());
    EXPECT_TRUE(bmpFileImage({3, 2, 7, {}, bits}).empty());
    const std::uint32_t big[3] = {};
    EXPECT_TRUE(bmpFileImage({1, 1, 1, big, std::span(bits, 4)}).empty());
    EXPECT_FALSE(readBmpHeader(std::span(file.data(), file.size() - 1)));
}

} // namespace
} // namespace qv
