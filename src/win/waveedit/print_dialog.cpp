// Controls <-> PrintSettings in both directions; which controls are enabled is core's
// (printControls). The printer handles are kept with the settings for the program's run.
#include "waveedit/print_dialog.h"

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "resource.h"

#include <commdlg.h>

#include <algorithm>
#include <array>

namespace qv::win {
namespace {

constexpr std::array<int, 3> rangeButtons{IDC_PRINT_ALL, IDC_PRINT_SELECTED_CHANNEL, IDC_PRINT_MARK_AREA};
constexpr std::array<int, 4> proportionButtons{IDC_PRINT_FIT_TO_PAPER, IDC_PRINT_FIT_TO_HORZ, IDC_PRINT_FIT_TO_VERT,
                                               IDC_PRINT_CUSTOM_SIZE};

PrintSettings kept;
PrinterChoice printer; // kept with the settings; asked for again while there is none

struct DialogState {
    const PrintRequest* request = nullptr;
    PrintSettings settings; // the clipboard size and orientation chosen in this use
} state;

template <std::size_t n> int checkedIndex(HWND dialog, const std::array<int, n>& buttons) {
    for (std::size_t i = 0; i < n; ++i)
        if (isChecked(dialog, buttons[i])) return static_cast<int>(i);
    return 0;
}

PrintSettings settingsFromControls(HWND dialog) {
    PrintSettings s = state.settings;
    s.range = static_cast<PrintRange>(checkedIndex(dialog, rangeButtons));
    s.proportion = static_cast<PrintProportion>(checkedIndex(dialog, proportionButtons));
    s.horizontalSize = std::max(comboSelection(dialog, IDC_PRINT_HORZ_SIZE), 0);
    s.verticalSize = std::max(comboSelection(dialog, IDC_PRINT_VERT_SIZE), 0);
    s.gridSize = std::max(comboSelection(dialog, IDC_PRINT_GRID_SIZE), 0);
    s.colour = isChecked(dialog, IDC_PRINT_COLOUR);
    s.toClipboard = isChecked(dialog, IDC_PRINT_TO_CLIPBOARD);
    s.toBmpFile = isChecked(dialog, IDC_PRINT_TO_BMP);
    return s;
}

void applyEnabling(HWND dialog) {
    const PrintControls controls = printControls(settingsFromControls(dialog), printer.available());
    enableControls(dialog, {IDC_PRINT_HORZ_SIZE}, controls.horizontalSize);
    enableControls(dialog, {IDC_PRINT_VERT_SIZE}, controls.verticalSize);
    enableControls(dialog, {IDC_PRINT_NAME, IDC_PRINT_SELECT}, controls.printer);
    showControls(dialog, {IDC_PRINT_SIZE}, controls.sizeButton);
}

void fillCombos(HWND dialog) {
    for (std::size_t i = 0; i < horizontalSizeTexts.size(); ++i)
        addComboItem(dialog, IDC_PRINT_HORZ_SIZE, fromUtf8(std::string(horizontalSizeTexts[i])),
                     static_cast<LPARAM>(i));
    for (int i = 0; i < verticalSizeCount; ++i) {
        const int percent = verticalPercent(i);
        addComboItem(dialog, IDC_PRINT_VERT_SIZE, (percent < 100 ? L" " : L"") + std::to_wstring(percent) + L" %", i);
    }
    addComboItem(dialog, IDC_PRINT_GRID_SIZE, loadString(Msg::PrintNoGrid), 0);
    for (std::size_t i = 0; i < gridSizeTexts.size(); ++i)
        addComboItem(dialog, IDC_PRINT_GRID_SIZE, fromUtf8(std::string(gridSizeTexts[i])), static_cast<LPARAM>(i + 1));
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    state = {reinterpret_cast<const PrintRequest*>(lParam), kept};
    fillCombos(dialog);
    setChecked(dialog, rangeButtons[static_cast<std::size_t>(kept.range)], true);
    setChecked(dialog, proportionButtons[static_cast<std::size_t>(kept.proportion)], true);
    selectComboIndex(dialog, IDC_PRINT_HORZ_SIZE, kept.horizontalSize);
    selectComboIndex(dialog, IDC_PRINT_VERT_SIZE, kept.verticalSize);
    selectComboIndex(dialog, IDC_PRINT_GRID_SIZE, kept.gridSize);
    setChecked(dialog, IDC_PRINT_COLOUR, kept.colour);
    setChecked(dialog, IDC_PRINT_TO_CLIPBOARD, kept.toClipboard);
    setChecked(dialog, IDC_PRINT_TO_BMP, kept.toBmpFile);
    if (!printer.available() && !defaultPrinter(printer)) {
        // No printer: say so, and leave the bitmap targets usable.
        messageBox(dialog, Msg::NoPrinter, MB_ICONERROR | MB_OK);
        if (!kept.bitmapTarget()) setChecked(dialog, IDC_PRINT_TO_BMP, true);
    }
    setFieldText(dialog, IDC_PRINT_NAME, printerName(printer));
    applyEnabling(dialog);
    return TRUE;
}

LRESULT onChoiceChanged(HWND dialog, const Command&) {
    applyEnabling(dialog);
    return FALSE;
}

LRESULT onSelect(HWND dialog, const Command&) {
    PRINTDLGW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = dialog;
    choose.hDevMode = printer.devMode;
    choose.hDevNames = printer.devNames;
    choose.Flags = PD_PRINTSETUP;
    setPrinterOrientation(printer, state.settings.landscape);
    if (PrintDlgW(&choose)) {
        printer = {choose.hDevMode, choose.hDevNames};
        state.settings.landscape = printerLandscape(printer);
        setFieldText(dialog, IDC_PRINT_NAME, printerName(printer));
    }
    return TRUE;
}

LRESULT onSize(HWND dialog, const Command&) {
    dialogBoxInLanguage(dialog, clipboardSizeDialog, reinterpret_cast<LPARAM>(&state.settings));
    return TRUE;
}

LRESULT onOk(HWND dialog, const Command&) {
    const PrintSettings settings = settingsFromControls(dialog);
    if (!settings.bitmapTarget() && !printer.available()) {
        messageBox(dialog, Msg::NoPrinter, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    const bool printed = printWaveform(dialog, settings, printer, *state.request);
    kept = settings; // the choices become the settings for the next use
    EndDialog(dialog, printed ? IDOK : IDCANCEL);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<printHelpTopic, printHelpContext>},
};
constexpr CommandEntry commands[] = {
    {IDOK, onOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
    {IDC_PRINT_HELP, openHelpOnCommand<printHelpTopic, printHelpContext>},
    {IDC_PRINT_SELECT, onSelect},
    {IDC_PRINT_SIZE, onSize},
    {IDC_PRINT_TO_CLIPBOARD, onChoiceChanged, BN_CLICKED},
    {IDC_PRINT_TO_BMP, onChoiceChanged, BN_CLICKED},
    {IDC_PRINT_FIT_TO_PAPER, onChoiceChanged, BN_CLICKED},
    {IDC_PRINT_FIT_TO_HORZ, onChoiceChanged, BN_CLICKED},
    {IDC_PRINT_FIT_TO_VERT, onChoiceChanged, BN_CLICKED},
    {IDC_PRINT_CUSTOM_SIZE, onChoiceChanged, BN_CLICKED},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

// ---- Clipboard Size ---------------------------------------------------------------------------

PrintSettings* sizeTarget = nullptr;

LRESULT onSizeInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    sizeTarget = reinterpret_cast<PrintSettings*>(lParam);
    setFieldInteger(dialog, IDC_CLIPBOARD_WIDTH, sizeTarget->clipboardWidth);
    setFieldInteger(dialog, IDC_CLIPBOARD_HEIGHT, sizeTarget->clipboardHeight);
    return TRUE;
}

LRESULT onSizeOk(HWND dialog, const Command&) {
    const long long width = fieldInteger(dialog, IDC_CLIPBOARD_WIDTH).value_or(-1);
    const long long height = fieldInteger(dialog, IDC_CLIPBOARD_HEIGHT).value_or(-1);
    if (width > clipboardMaxWidth || height > clipboardMaxHeight ||
        !clipboardSizeValid(static_cast<int>(width), static_cast<int>(height))) {
        messageBox(dialog, Msg::PrintSizeError, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    sizeTarget->clipboardWidth = static_cast<int>(width);
    sizeTarget->clipboardHeight = static_cast<int>(height);
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry sizeMessages[] = {
    {WM_INITDIALOG, onSizeInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
};
constexpr CommandEntry sizeCommands[] = {
    {IDOK, onSizeOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
};
constexpr MessageTable sizeTable{.messages = sizeMessages, .commands = sizeCommands};

} // namespace

const DialogDefinition printDialog{IDD_PRINT, dialogProcedure<table>};
const DialogDefinition clipboardSizeDialog{IDD_CLIPBOARD_SIZE, dialogProcedure<sizeTable>};

PrintSettings& keptPrintSettings() { return kept; }

bool runPrint(HWND owner, const PrintRequest& request) {
    return dialogBoxInLanguage(owner, printDialog, reinterpret_cast<LPARAM>(&request)) == IDOK;
}

} // namespace qv::win
