// The targets of Print: the chosen printer (one document, a page per page), a bitmap of the
// clipboard size compatible with the screen put on the clipboard (first page), or numbered BMP
// files at the screen's colour depth. The Print dialog chooses; this module gathers what is
// printed (range, rows, header), makes the device and draws the pages (print_page).
#pragma once

#include <windows.h>

#include "waveedit/document.h"
#include "waveedit/edit_selection.h"
#include "waveedit/print_layout.h"
#include "waveedit/print_page.h"

#include <span>
#include <string>

namespace qv::win {

// The printer chosen: the common dialog's DEVMODE and DEVNAMES handles (null: no printer).
struct PrinterChoice {
    HGLOBAL devMode = nullptr;
    HGLOBAL devNames = nullptr;
    bool available() const { return devNames != nullptr; }
};
// The default printer without a dialog, landscape; false (handles null) when there is none.
bool defaultPrinter(PrinterChoice& printer);
// The printer's name as the dialog shows it.
std::wstring printerName(const PrinterChoice& printer);
// Sets or reads the page orientation kept in the DEVMODE.
void setPrinterOrientation(const PrinterChoice& printer, bool landscape);
bool printerLandscape(const PrinterChoice& printer);

// What Print draws from: the document, its view rows and the current selection (Mark Area).
struct PrintRequest {
    Document* doc = nullptr;
    std::span<const ViewRow> rows;
    EditTarget markArea;
};

// The source of a job: the range's samples and rows (Mark Area marks its rows selected for the
// time of choosing them, and the label table is restored from a label undo snapshot), the grid
// step and the header and footer texts.
PrintSource printSource(const PrintSettings& settings, const PrintRequest& request);

// Prints or exports; reports failures itself (the bitmap that cannot be made, a file that cannot
// be written). False when nothing was output or the user cancelled the file name.
bool printWaveform(HWND owner, const PrintSettings& settings, const PrinterChoice& printer,
                   const PrintRequest& request);

} // namespace qv::win
