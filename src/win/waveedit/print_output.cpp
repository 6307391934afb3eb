// A bitmap target draws into a screen-compatible bitmap through a memory DC; BMP files read its
// bits back with GetDIBits at the screen's depth (with the screen palette at 8 bits or less) and
// are written through a temporary file, so an existing file is replaced only when whole.
#include "waveedit/print_output.h"

#include "app/app_state.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "device/device_list.h"
#include "support/bmp_file.h"
#include "support/file_io.h"
#include "support/text_fill.h"
#include "waveedit/output_image.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace qv::win {
namespace {

constexpr char bmpPattern[] = "*.BMP";
constexpr char allPattern[] = "*.*";
constexpr char bmpExtension[] = "BMP";

std::wstring pageText(int page) { return fillMarkers(loadString(Msg::PrintPageNumber), {std::to_wstring(page)}); }

std::wstring headerText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char date[32], time[32];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", now.wYear, now.wMonth, now.wDay);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    const std::string name = interfaceName(app().driver, app().device, nullptr, interfaceNameInterface);
    return fromUtf8(
        printHeader(toUtf8(loadString(Msg::PrintHeader)), toUtf8(fromAnsi(name)), app().versionText, date, time));
}

// A job of many pages says how many (and, for BMP files, how much disk they take) and may be
// cancelled: a fine Custom Size over a full document is thousands of files.
bool confirmPages(HWND owner, int pages, const PrintSettings& settings, int bitsPerPixel) {
    if (!pagesNeedConfirmation(pages)) return true;
    const std::wstring count = std::to_wstring(pages);
    if (!settings.toBmpFile) {
        const std::wstring text = fillMarkers(loadString(Msg::PrintManyPages), {count});
        return messageBox(owner, Msg::PrintManyPages, text, MB_ICONQUESTION | MB_OKCANCEL) == IDOK;
    }
    const std::string size =
        byteSizeText(bmpPagesBytes(pages, settings.clipboardWidth, settings.clipboardHeight, bitsPerPixel));
    const std::wstring text = fillMarkers(loadString(Msg::PrintManyBmpPages), {count, count, fromUtf8(size)});
    return messageBox(owner, Msg::PrintManyBmpPages, text, MB_ICONQUESTION | MB_OKCANCEL) == IDOK;
}

// Where the BMP files went: the file, or the folder with the first and the last name.
void reportBmpFiles(HWND owner, const std::string& path, int pages) {
    if (pages <= 1) {
        const std::wstring text = fillMarkers(loadString(Msg::PrintBmpWrittenOne), {fromAnsi(path)});
        messageBox(owner, Msg::PrintBmpWrittenOne, text, MB_ICONINFORMATION | MB_OK);
        return;
    }
    const auto nameOf = [](const std::string& file) {
        const std::size_t slash = file.find_last_of("\\/");
        return fromAnsi(slash == std::string::npos ? file : file.substr(slash + 1));
    };
    const std::size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    const std::wstring text = fillMarkers(
        loadString(Msg::PrintBmpWrittenMany),
        {std::to_wstring(pages), nameOf(bmpPageName(path, 1)), nameOf(bmpPageName(path, pages)), fromAnsi(folder)});
    messageBox(owner, Msg::PrintBmpWrittenMany, text, MB_ICONINFORMATION | MB_OK);
}

int screenBitsPerPixel(HDC screen) {
    const int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    return depth <= 1 ? 1 : depth <= 4 ? 4 : depth <= 8 ? 8 : depth <= 16 ? 16 : depth <= 24 ? 24 : 32;
}

struct Devmode {
    explicit Devmode(HGLOBAL handle)
        : handle(handle), mode(handle ? static_cast<DEVMODEW*>(GlobalLock(handle)) : nullptr) {}
    ~Devmode() {
        if (mode) GlobalUnlock(handle);
    }
    HGLOBAL handle;
    DEVMODEW* mode;
};

bool reportNoBitmap(HWND owner, int width, int height) {
    const std::wstring text =
        fillMarkers(loadString(Msg::CantCreateBitmap), {std::to_wstring(width), std::to_wstring(height)});
    messageBox(owner, Msg::CantCreateBitmap, text, MB_ICONERROR | MB_OK, Msg::ErrorCaption);
    return false;
}

// A page's bits at the screen's depth, and the file.
bool writeBmpFile(HDC screen, HBITMAP bitmap, int width, int height, const std::string& path) {
    const int bits = screenBitsPerPixel(screen);
    std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* header = reinterpret_cast<BITMAPINFO*>(info.data());
    header->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header->bmiHeader.biWidth = width;
    header->bmiHeader.biHeight = height; // bottom-up, as the file keeps them
    header->bmiHeader.biPlanes = 1;
    header->bmiHeader.biBitCount = static_cast<WORD>(bits);
    header->bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(bmpRowBytes(width, bits)) *
                                     static_cast<std::size_t>(height));
    if (GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), header, DIB_RGB_COLORS) != height)
        return false;
    std::vector<std::uint32_t> palette;
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i) {
            const RGBQUAD& q = header->bmiColors[i];
            palette.push_back(std::uint32_t{q.rgbRed} << 16 | std::uint32_t{q.rgbGreen} << 8 | q.rgbBlue);
        }
    const std::vector<std::uint8_t> file = bmpFileImage({width, height, bits, palette, pixels});
    ReplacingFileWriter writer;
    return !file.empty() && writer.open(path) && writer.write(file.data(), file.size()) && writer.commit();
}

bool exportBitmaps(HWND owner, const PrintSettings& settings, const PrintSource& source) {
    const int width = settings.clipboardWidth;
    const int height = settings.clipboardHeight;
    std::string path;
    if (settings.toBmpFile && !settings.toClipboard) {
        FileNameRequest request;
        request.save = true;
        request.owner = owner;
        request.title = Msg::ToolPrint;
        request.filters = {{Msg::BitmapFilesFilter, bmpPattern}, {Msg::PrintAllFilesFilter, allPattern}};
        request.defaultExtension = bmpExtension;
        if (!chooseFileName(request, path)) return false;
    }
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = bitmap ? CreateCompatibleDC(screen) : nullptr;
    if (!memory) {
        if (bitmap) DeleteObject(bitmap);
        ReleaseDC(nullptr, screen);
        return reportNoBitmap(owner, width, height);
    }
    const RECT drawing{0, 0, width, height};
    HGDIOBJ old = SelectObject(memory, bitmap);
    PrintPages pages(memory, drawing, PrintTarget::Bitmap, settings, source);
    bool ok = true;
    if (settings.toClipboard) {
        pages.draw(memory, 0, pageText(1));
        SelectObject(memory, old);
        ok = OpenClipboard(owner) && EmptyClipboard() && SetClipboardData(CF_BITMAP, bitmap);
        CloseClipboard();
        if (ok) bitmap = nullptr; // the clipboard owns it now
    } else if (!confirmPages(owner, pages.pageCount(), settings, screenBitsPerPixel(screen))) {
        ok = false;
    } else {
        for (int page = 0; page < pages.pageCount() && ok; ++page) {
            SelectObject(memory, bitmap);
            pages.draw(memory, page, pageText(page + 1));
            SelectObject(memory, old); // GetDIBits wants the bitmap out of any DC
            ok = writeBmpFile(screen, bitmap, width, height, bmpPageName(path, page + 1));
            if (!ok) messageBox(owner, Msg::CantOpenFile, MB_ICONERROR | MB_OK);
        }
        if (ok) reportBmpFiles(owner, path, pages.pageCount());
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    if (bitmap) DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool printPages(HWND owner, const PrintSettings& settings, const PrinterChoice& printer, const PrintSource& source) {
    if (!printer.available()) {
        messageBox(owner, Msg::NoPrinter, MB_ICONERROR | MB_OK);
        return false;
    }
    setPrinterOrientation(printer, settings.landscape);
    auto* names = static_cast<DEVNAMES*>(GlobalLock(printer.devNames));
    if (!names) return false;
    const auto* base = reinterpret_cast<const wchar_t*>(names);
    const std::wstring driver = base + names->wDriverOffset;
    const std::wstring device = base + names->wDeviceOffset;
    GlobalUnlock(printer.devNames);
    HDC dc = nullptr;
    {
        Devmode mode(printer.devMode);
        dc = CreateDCW(driver.c_str(), device.c_str(), nullptr, mode.mode);
    }
    if (!dc) {
        messageBox(owner, Msg::NoPrinter, MB_ICONERROR | MB_OK);
        return false;
    }
    // The printable page less the margin on every side.
    const RECT drawing{printerMargin, printerMargin, GetDeviceCaps(dc, HORZRES) - printerMargin,
                       GetDeviceCaps(dc, VERTRES) - printerMargin};
    PrintPages pages(dc, drawing, PrintTarget::Printer, settings, source);
    if (!confirmPages(owner, pages.pageCount(), settings, 0)) {
        DeleteDC(dc);
        return false;
    }
    const std::wstring name = pageText(1);
    DOCINFOW doc{sizeof doc, name.c_str(), nullptr, nullptr, 0};
    bool ok = StartDocW(dc, &doc) > 0;
    for (int page = 0; page < pages.pageCount() && ok; ++page) {
        ok = StartPage(dc) > 0;
        if (!ok) break;
        pages.draw(dc, page, pageText(page + 1));
        ok = EndPage(dc) > 0;
    }
    if (ok)
        EndDoc(dc);
    else
        AbortDoc(dc);
    DeleteDC(dc);
    return ok;
}

} // namespace

bool defaultPrinter(PrinterChoice& printer) {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.Flags = PD_RETURNDEFAULT;
    if (!PrintDlgW(&dialog) || !dialog.hDevNames) {
        if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
        printer = {};
        return false;
    }
    printer = {dialog.hDevMode, dialog.hDevNames};
    setPrinterOrientation(printer, true);
    return true;
}

std::wstring printerName(const PrinterChoice& printer) {
    if (!printer.devNames) return {};
    auto* names = static_cast<DEVNAMES*>(GlobalLock(printer.devNames));
    if (!names) return {};
    std::wstring name = reinterpret_cast<const wchar_t*>(names) + names->wDeviceOffset;
    GlobalUnlock(printer.devNames);
    return name;
}

void setPrinterOrientation(const PrinterChoice& printer, bool landscape) {
    Devmode mode(printer.devMode);
    if (!mode.mode) return;
    mode.mode->dmFields |= DM_ORIENTATION;
    mode.mode->dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
}

bool printerLandscape(const PrinterChoice& printer) {
    Devmode mode(printer.devMode);
    return !mode.mode || mode.mode->dmOrientation != DMORIENT_PORTRAIT;
}

PrintSource printSource(const PrintSettings& settings, const PrintRequest& request) {
    Document& doc = *request.doc;
    PrintSource source;
    source.image = doc.usableImage();
    source.rows = request.rows;
    source.labels = &doc.labels();
    PrintRange range = settings.range;
    if (range == PrintRange::MarkArea && request.markArea.empty()) range = PrintRange::All;
    const EditTarget& target = request.markArea;
    const PrintSpan span = printSpan(range, usedSampleCount(doc.sampleBuffer(), doc.usableSamples()),
                                     range == PrintRange::MarkArea ? target.markStart : 0,
                                     range == PrintRange::MarkArea ? target.sampleCount() : 0);
    source.firstSample = span.firstSample;
    source.sampleCount = std::min(span.sampleCount, static_cast<int>(source.image.size()) - span.firstSample);
    if (range == PrintRange::MarkArea) {
        // The marked rows are printed as if their labels were selected; the label table and its
        // undo ring stay as they are.
        source.printedRows = target.rows;
    } else {
        source.printedRows = printedRows(range, request.rows, doc.labels());
    }
    source.gridSize = settings.gridSize;
    source.baseFrequency = doc.output().baseFrequency;
    source.header = headerText();
    return source;
}

bool printWaveform(HWND owner, const PrintSettings& settings, const PrinterChoice& printer,
                   const PrintRequest& request) {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const PrintSource source = printSource(settings, request);
    const bool ok =
        settings.bitmapTarget() ? exportBitmaps(owner, settings, source) : printPages(owner, settings, printer, source);
    SetCursor(previous);
    return ok;
}

} // namespace qv::win
