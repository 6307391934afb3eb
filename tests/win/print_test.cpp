// Print wired to its devices: BMP files written through the dialog and read back (names, size,
// depth, a row's pixels), a page drawn like the view at one pixel a sample, the Clipboard Size
// dialog's refusal and the dialog's enabling without a printer. Layout rules are tested natively
// (print_layout_test).
#include "shell_fixture.h"

#include "resource.h"
#include "support/bmp_file.h"
#include "app/strings_win.h"
#include "app/ui_font.h"
#include "waveedit/labels.h"
#include "waveedit/output_image.h"
#include "waveedit/print_output.h"
#include "waveedit/print_dialog.h"
#include "waveedit/print_page.h"
#include "waveedit/row_shapes.h"
#include "waveedit/waveform_file_dialogs.h"

#include <algorithm>
#include <memory>

namespace qv::win::test {
namespace {

constexpr int clkChannel = 0;

class Print : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        keptPrintSettings() = {};
        doc = Document::create(capabilitiesFor(0xA020), true);
        ASSERT_NE(doc, nullptr);
        LabelTable& labels = doc->labels();
        int next = writeDefaultCommandLabel(labels);
        const int clk[] = {clkChannel};
        next = appendSignalLabel(labels, next, "CLK", clk);
        const int data[] = {8, 7, 6, 5};
        appendSignalLabel(labels, next, "DATA", data);
        rows = viewRows(labels);
        // CLK: high on every third sample; DATA counts.
        std::span<Sample> image = doc->usableImage();
        for (std::size_t i = 0; i < 4096; ++i)
            image[i] = (i % 3 == 0 ? channelBit(clkChannel) : 0) | (Sample{i & 15} << (firstChannelBit + 5));
    }
    void TearDown() override {
        setFileNameAsker({});
        if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
        ShellTest::TearDown();
    }
    EditTarget markRows(int markStart, int markEnd) {
        doc->positions().markStart = markStart;
        doc->positions().markEnd = markEnd;
        return editTarget(rowRangeSelection(0, 2), doc->positions(), rows, doc->labels(), doc->usableSamples());
    }
    void press(int control) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0); }
    void choose(int button) { SendDlgItemMessageW(dialog, button, BM_CLICK, 0, 0); }
    bool enabled(int control) const { return IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE; }
    bool shown(int control) const { return (GetWindowLongW(GetDlgItem(dialog, control), GWL_STYLE) & WS_VISIBLE) != 0; }

    std::unique_ptr<Document> doc;
    std::vector<ViewRow> rows;
    HWND dialog = nullptr;
    qv::test::TempFolder folder;
};

// Pixels of a bottom-up BMP file at (x, y from the top), as 0x00RRGGBB, 24 or 32 bits only.
std::uint32_t pixelAt(const std::vector<std::uint8_t>& file, const BmpHeader& header, int x, int y) {
    const int bytes = header.bitsPerPixel / 8;
    const std::size_t at = static_cast<std::size_t>(header.bitsOffset) +
        static_cast<std::size_t>(header.height - 1 - y) * bmpRowBytes(header.width, header.bitsPerPixel) +
        static_cast<std::size_t>(x * bytes);
    return std::uint32_t{file[at + 2]} << 16 | std::uint32_t{file[at + 1]} << 8 | file[at];
}

TEST_F(Print, WithoutAPrinterTheBitmapTargetsStayAndPagesBecomeNumberedBmpFiles) {
    // Custom size, 32 pixels a sample on a 200 x 160 bitmap: the marked area spans three pages.
    PrintSettings& kept = keptPrintSettings();
    kept.clipboardWidth = 200;
    kept.clipboardHeight = 160;
    kept.proportion = PrintProportion::CustomSize;
    kept.horizontalSize = 0;
    HDC screen = GetDC(nullptr);
    PrintSource probe;
    probe.rows = rows;
    probe.labels = &doc->labels();
    probe.printedRows = {0, 1, 2};
    probe.sampleCount = 1000;
    const RECT drawing{0, 0, 200, 160};
    PrintSettings bitmapSettings = kept;
    PrintPages layout(screen, drawing, PrintTarget::Bitmap, bitmapSettings, probe);
    const int perPage = layout.samplesPerPage();
    const ViewArea area = layout.area();
    const int u = layout.textHeight();
    const int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    ASSERT_GT(perPage, 1);

    const PrintRequest request{doc.get(), rows, markRows(6, 6 + 2 * perPage + 1)}; // three pages
    std::string asked;
    setFileNameAsker([&](FileNameRequest& fileRequest, std::string& path) {
        asked = fileRequest.defaultExtension;
        path = folder.file("wave.BMP");
        return true;
    });
    dialog = createDialogInLanguage(nullptr, printDialog, reinterpret_cast<LPARAM>(&request));
    ASSERT_TRUE(dialog);
    const bool printer = enabled(IDC_PRINT_SELECT);
    if (!printer) { // Wine under Xvfb has none: 12039, and BMP output chosen instead
        ASSERT_EQ(shownBoxes.size(), 1u);
        EXPECT_EQ(shownBoxes[0].stringId, 12039);
    }
    choose(IDC_PRINT_MARK_AREA);
    SendDlgItemMessageW(dialog, IDC_PRINT_TO_BMP, BM_SETCHECK, BST_CHECKED, 0);
    press(IDC_PRINT_TO_BMP);
    EXPECT_TRUE(shown(IDC_PRINT_SIZE));
    EXPECT_FALSE(enabled(IDC_PRINT_SELECT));
    EXPECT_TRUE(enabled(IDC_PRINT_HORZ_SIZE)); // Custom Size
    press(IDOK);
    EXPECT_EQ(asked, "BMP");
    EXPECT_EQ(keptPrintSettings().range, PrintRange::MarkArea); // the choices are kept
    EXPECT_EQ(doc->labels()[static_cast<std::size_t>(rows[1].firstRecord)].stateFlags & stateLabelSelected, 0u);

    std::vector<std::string> names = folder.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"wave.BMP", "wave0001.BMP", "wave0002.BMP"}));
    // Three pages are not many: no question, and afterwards where the files went.
    ASSERT_FALSE(shownBoxes.empty());
    EXPECT_EQ(shownBoxes.back().stringId, static_cast<int>(Msg::PrintBmpWrittenMany));
    EXPECT_NE(shownBoxes.back().text.find(L"wave.BMP to wave0002.BMP in the folder "), std::wstring::npos);
    EXPECT_EQ(std::count_if(shownBoxes.begin(), shownBoxes.end(),
                            [](const ShownMessage& m) { return m.stringId == int(Msg::PrintManyBmpPages); }),
              0);
    const std::vector<std::uint8_t> file = qv::test::readBytes(folder.file("wave.BMP"));
    const std::optional<BmpHeader> header = readBmpHeader(file);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 200);
    EXPECT_EQ(header->height, 160);
    EXPECT_EQ(header->bitsPerPixel, depth);
    if (header->bitsPerPixel < 24) GTEST_SKIP() << "pixels are read at 24 and 32 bits";
    // CLK is the second printed row: at sample s its high level is lit exactly when s % 3 == 0.
    const int top = area.top + area.rowHeight;
    ASSERT_EQ(area.rowHeight, 2 * u);
    for (int s = 6; s < 6 + perPage; ++s) {
        const int x = area.left + (s - 6) * 32 + 16;
        const bool high = pixelAt(file, *header, x, highLevelY(top, area.rowHeight)) != 0;
        const bool low = pixelAt(file, *header, x, lowLevelY(top, area.rowHeight)) != 0;
        EXPECT_EQ(high, s % 3 == 0) << s;
        EXPECT_EQ(low, s % 3 != 0) << s;
    }
}

// All prints the used length: a waveform of about 4,000 samples fills the page, not the memory.
TEST_F(Print, AllPrintsTheUsedLengthAndManyPagesAskFirst) {
    const PrintRequest request{doc.get(), rows, {}};
    const PrintSource all = printSource(PrintSettings{}, request);
    EXPECT_EQ(all.sampleCount, usedSampleCount(doc->sampleBuffer(), doc->usableSamples()));
    EXPECT_LT(all.sampleCount, 4100);

    // 32 pixels a sample on a 200 x 160 bitmap: hundreds of pages. Cancel writes nothing.
    PrintSettings& kept = keptPrintSettings();
    kept.clipboardWidth = 200;
    kept.clipboardHeight = 160;
    kept.proportion = PrintProportion::CustomSize;
    kept.horizontalSize = 0;
    kept.toBmpFile = true;
    setFileNameAsker([&](FileNameRequest&, std::string& path) {
        path = folder.file("many.BMP");
        return true;
    });
    setMessageBoxScript([this](const ShownMessage& shown) {
        shownBoxes.push_back(shown);
        return shown.stringId == static_cast<int>(Msg::PrintManyBmpPages) ? IDCANCEL : IDOK;
    });
    dialog = createDialogInLanguage(nullptr, printDialog, reinterpret_cast<LPARAM>(&request));
    ASSERT_TRUE(dialog);
    SendDlgItemMessageW(dialog, IDC_PRINT_TO_BMP, BM_SETCHECK, BST_CHECKED, 0);
    press(IDC_PRINT_TO_BMP);
    shownBoxes.clear();
    press(IDOK);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::PrintManyBmpPages));
    EXPECT_NE(shownBoxes[0].text.find(L" MB in all"), std::wstring::npos) << toUtf8(shownBoxes[0].text);
    EXPECT_TRUE(folder.names().empty());
}

TEST_F(Print, APageAtOnePixelASampleDrawsARowAsTheViewDoes) {
    // A printer-sized page (A4 landscape at 300 dpi) and the view, both 1 pixel a sample.
    constexpr int width = 3300, height = 2400;
    HDC screen = GetDC(nullptr);
    HDC pageDc = CreateCompatibleDC(screen), viewDc = CreateCompatibleDC(screen);
    HBITMAP pageBitmap = CreateCompatibleBitmap(screen, width, height);
    HBITMAP viewBitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(pageBitmap && viewBitmap);
    HGDIOBJ oldPage = SelectObject(pageDc, pageBitmap);
    HGDIOBJ oldView = SelectObject(viewDc, viewBitmap);

    PrintSettings settings;
    settings.proportion = PrintProportion::CustomSize;
    settings.horizontalSize = horizontalSizeOne;
    PrintSource source;
    source.image = doc->usableImage();
    source.rows = rows;
    source.labels = &doc->labels();
    source.printedRows = {0, 1, 2};
    source.sampleCount = 4096;
    const RECT drawing{20, 20, width - 20, height - 20};
    PrintPages pages(pageDc, drawing, PrintTarget::Bitmap, settings, source);
    pages.draw(pageDc, 0, L"Page 1");
    const ViewArea pageArea = pages.area();

    HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg");
    {
        WavePainter painter(font);
        ColumnSummary summary;
        WaveScene scene;
        scene.image = doc->usableImage();
        scene.rows = rows;
        scene.labels = &doc->labels();
        scene.summary = &summary;
        scene.area = {pageArea.left, 40, pageArea.width, 24 * 3, 24};
        scene.rulerTop = scene.area.top;
        scene.showCursors = false;
        buildViewSummary(summary, scene.image, scene.view, scene.area.width);
        const RECT bounds{0, 0, width, height};
        painter.paint(viewDc, scene, bounds);
    }
    DeleteObject(font);
    // CLK (row 1) along its high and low levels: the same pixels, column by column.
    const int pageTop = pageArea.top + pageArea.rowHeight;
    const int viewTop = 40 + 24;
    int differences = 0;
    for (int x = pageArea.left; x < pageArea.right(); ++x) {
        differences += GetPixel(pageDc, x, highLevelY(pageTop, pageArea.rowHeight)) !=
            GetPixel(viewDc, x, highLevelY(viewTop, 24));
        differences +=
            GetPixel(pageDc, x, lowLevelY(pageTop, pageArea.rowHeight)) != GetPixel(viewDc, x, lowLevelY(viewTop, 24));
    }
    EXPECT_EQ(differences, 0);
    EXPECT_NE(GetPixel(pageDc, pageArea.left, highLevelY(pageTop, pageArea.rowHeight)), RGB(0, 0, 0));
    SelectObject(pageDc, oldPage);
    SelectObject(viewDc, oldView);
    DeleteDC(pageDc);
    DeleteDC(viewDc);
    DeleteObject(pageBitmap);
    DeleteObject(viewBitmap);
}

TEST_F(Print, ToClipboardPutsTheFirstPageAsABitmapOfTheClipboardSize) {
    keptPrintSettings().clipboardWidth = 320;
    keptPrintSettings().clipboardHeight = 240;
    const PrintRequest request{doc.get(), rows, {}};
    dialog = createDialogInLanguage(nullptr, printDialog, reinterpret_cast<LPARAM>(&request));
    ASSERT_TRUE(dialog);
    SendDlgItemMessageW(dialog, IDC_PRINT_TO_CLIPBOARD, BM_SETCHECK, BST_CHECKED, 0);
    press(IDOK);
    ASSERT_TRUE(OpenClipboard(nullptr));
    auto* bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP info{};
    const bool read = bitmap && GetObjectW(bitmap, sizeof info, &info) != 0;
    CloseClipboard();
    ASSERT_TRUE(read);
    EXPECT_EQ(info.bmWidth, 320);
    EXPECT_EQ(info.bmHeight, 240);
}

TEST_F(Print, ClipboardSizeRefusesASideOutsideItsRange) {
    PrintSettings settings;
    dialog = createDialogInLanguage(nullptr, clipboardSizeDialog, reinterpret_cast<LPARAM>(&settings));
    ASSERT_TRUE(dialog);
    SetDlgItemTextW(dialog, IDC_CLIPBOARD_WIDTH, L"199");
    SetDlgItemTextW(dialog, IDC_CLIPBOARD_HEIGHT, L"160");
    press(IDOK);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].text, L"Size Error.");
    EXPECT_EQ(settings.clipboardWidth, 1600);
    SetDlgItemTextW(dialog, IDC_CLIPBOARD_WIDTH, L"200");
    press(IDOK);
    EXPECT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(settings.clipboardWidth, 200);
    EXPECT_EQ(settings.clipboardHeight, 160);
}

// A Chinese page's texts (the page number, the grid footer) come in a face that has their glyphs:
// with MS Sans Serif they printed as boxes.
TEST(PrintFont, ChinesePagesHaveTheGlyphsOfTheirTexts) {
    struct Case {
        LANGID language;
        const wchar_t* text;
    } cases[] = {{languageTraditionalChinese, L"\u7b2c 1 \u9801"}, {languageSimplifiedChinese, L"\u7b2c 1 \u9875"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        if (interfaceFace(c.language).empty()) GTEST_SKIP() << "no font with Chinese glyphs installed";
        setThreadLanguage(c.language);
        HFONT font = createPrintFont(-40);
        ASSERT_TRUE(font);
        HDC screen = GetDC(nullptr);
        HGDIOBJ previous = SelectObject(screen, font);
        WORD glyphs[6] = {};
        const int length = lstrlenW(c.text);
        EXPECT_EQ(GetGlyphIndicesW(screen, c.text, length, glyphs, GGI_MARK_NONEXISTING_GLYPHS),
                  static_cast<DWORD>(length));
        SelectObject(screen, previous);
        ReleaseDC(nullptr, screen);
        DeleteObject(font);
        for (int i = 0; i < length; ++i) EXPECT_NE(glyphs[i], 0xFFFF) << i;
    }
    setThreadLanguage(languageEnglish);
}

} // namespace
} // namespace qv::win::test
