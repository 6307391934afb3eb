// The HDQ dialog moves its fields into core (hdqDataValues, checkHdqEntry, the row lines) and its
// list through the shared list editor as a four-column list view; Run hands the list lines to
// runHdq on the output thread. Add asks whether a value for the last row's address, R/W and width
// joins that row; Modify opens the Modify dialog on the selected row.
#include "generators/hdq_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/generator_dialog.h"
#include "generators/hdq.h"
#include "generators/icon_buttons.h"
#include "generators/list_editor.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace qv::win {
namespace {

constexpr int hdqHelpContext = 118;
constexpr int rateTenthsLow = 35, rateTenthsHigh = 55;
constexpr IconButton iconButtons[] = {
    {IDC_HDQ_ADD, IDI_TB_NEW, Msg::TipAddItem},         {IDC_HDQ_DELETE, IDI_TB_CUT, Msg::TipDeleteItem},
    {IDC_HDQ_APPEND, IDI_TB_PASTE, Msg::TipAppendItem}, {IDC_HDQ_MODIFY, IDI_TB_BUS_DATA, Msg::TipModifyItem},
    {IDC_HDQ_EXPORT, IDI_TB_SAVE, Msg::TipExportList},  {IDC_HDQ_IMPORT, IDI_TB_OPEN, Msg::TipImportList},
};

const ListControls& listControls() {
    static const ListControls controls{IDC_HDQ_LIST,   IDC_HDQ_ADD, IDC_HDQ_APPEND,        IDC_HDQ_MODIFY,
                                       IDC_HDQ_DELETE, 0,           gen::hdqLineContinues, gen::hdqColumns};
    return controls;
}

struct HdqTool {
    HWND dialog = nullptr;
    int width = 8;
    IconButtons buttons;
    std::shared_ptr<OutputOutcome> result;
};
std::unique_ptr<HdqTool> tool;

std::string text(HWND dialog, int control) { return toAnsi(fieldText(dialog, control)); }
std::wstring hex(unsigned value) {
    wchar_t out[16];
    std::swprintf(out, std::size(out), L"%X", value);
    return out;
}

void selectWidth(HWND dialog, int width) {
    tool->width = width;
    EnableWindow(GetDlgItem(dialog, IDC_HDQ8), width != 8);
    EnableWindow(GetDlgItem(dialog, IDC_HDQ16), width != 16);
    const auto data = fieldInteger(dialog, IDC_HDQ_DATA, 16);
    if (data && *data > gen::hdqDataLimit(width)) setFieldText(dialog, IDC_HDQ_DATA, hex(gen::hdqDataLimit(width)));
}

// The row the entry fields describe; nullopt (message shown) when Add refuses it.
std::optional<gen::HdqRow> entryRow(HWND dialog) {
    gen::HdqRow row;
    row.width = tool->width;
    row.write = isChecked(dialog, IDC_HDQ_WRITE);
    const std::string address = text(dialog, IDC_HDQ_ADDRESS);
    const auto a = gen::hexValue(address, 0xFFFFFFFF);
    const auto data = gen::hdqDataValues(text(dialog, IDC_HDQ_DATA));
    Msg error = !a || address.empty() ? Msg::HdqWrongAddress : (!data || data->empty() ? Msg::HdqWrongData : Msg::None);
    if (error == Msg::None) {
        row.address = static_cast<unsigned>(*a);
        row.data = *data;
        error = gen::checkHdqEntry(row.address, row.data, row.width);
    }
    if (error != Msg::None) {
        messageBox(dialog, error, MB_OK | MB_ICONEXCLAMATION);
        return std::nullopt;
    }
    return row;
}

std::optional<gen::HdqRow> selectedRow(HWND dialog) {
    const std::vector<std::string> entry = selectedEntry(dialog, listControls());
    gen::HdqRow row;
    if (entry.empty() || gen::readHdqLine(entry.front(), row) != Msg::None) return std::nullopt;
    return row;
}

// ---- the Modify dialog (462) -----------------------------------------------------------------------

LRESULT onModifyInit(HWND dialog, UINT, WPARAM, LPARAM parameter) {
    SetWindowLongPtrW(dialog, GWLP_USERDATA, parameter);
    const auto& row = *reinterpret_cast<const gen::HdqRow*>(parameter);
    setFieldText(dialog, IDC_HDQ_MODIFY_ADDRESS, hex(row.address));
    std::wstring data;
    for (unsigned value : row.data) data += (data.empty() ? L"" : L" ") + hex(value);
    setFieldText(dialog, IDC_HDQ_MODIFY_DATA, data);
    setChecked(dialog, row.write ? IDC_HDQ_WRITE : IDC_HDQ_READ, true);
    setChecked(dialog, row.width == 8 ? IDC_HDQ8 : IDC_HDQ16, true);
    centreWindow(dialog, GetParent(dialog));
    return TRUE;
}

LRESULT onModifyOk(HWND dialog, const Command&) {
    auto& row = *reinterpret_cast<gen::HdqRow*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    gen::HdqRow changed;
    changed.write = isChecked(dialog, IDC_HDQ_WRITE);
    changed.width = isChecked(dialog, IDC_HDQ16) ? 16 : 8;
    const std::string address = text(dialog, IDC_HDQ_MODIFY_ADDRESS);
    const auto a = gen::hexValue(address, 0xFFFFFFFF);
    const auto data = gen::hdqDataValues(text(dialog, IDC_HDQ_MODIFY_DATA));
    Msg error = !a || address.empty() ? Msg::HdqWrongAddress : (!data ? Msg::HdqWrongData : Msg::None);
    if (error == Msg::None) {
        changed.address = static_cast<unsigned>(*a);
        changed.data = *data;
        error = gen::checkHdqEntry(changed.address, changed.data, changed.width);
    }
    if (error != Msg::None) {
        messageBox(dialog, error, MB_OK | MB_ICONEXCLAMATION);
        return TRUE;
    }
    row = changed;
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry modifyMessages[] = {{WM_INITDIALOG, onModifyInit}, {WM_CLOSE, endDialogOn<IDCANCEL>}};
constexpr CommandEntry modifyCommands[] = {{IDOK, onModifyOk}, {IDCANCEL, endDialogWith<IDCANCEL>}};
constexpr MessageTable modifyTable{.messages = modifyMessages, .commands = modifyCommands};
const DialogDefinition modifyDialog{IDD_HDQ_MODIFY, dialogProcedure<modifyTable>};

// ---- the tool --------------------------------------------------------------------------------------

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<HdqTool>();
    tool->dialog = dialog;
    initGenerator(dialog);
    setUpListColumns(dialog, listControls(),
                     {{Msg::HdqColumnAddress, 75},
                      {Msg::ListColumnReadWrite, 50},
                      {Msg::HdqColumnWidth, 50},
                      {Msg::ListColumnData, 3000}});
    tool->buttons.attach(dialog, iconButtons);
    setFieldText(dialog, IDC_HDQ_ADDRESS, hex(1));
    setFieldText(dialog, IDC_HDQ_DATA, hex(1));
    setChecked(dialog, IDC_HDQ_WRITE, true);
    selectWidth(dialog, 8);
    setFieldText(dialog, IDC_GEN_RATE, std::string("5.0"));
    setFieldInteger(dialog, IDC_HDQ_CHANNEL, 0);
    updateListButtons(dialog, listControls());
    return TRUE;
}

LRESULT onWidth(HWND dialog, const Command& command) {
    selectWidth(dialog, command.id == IDC_HDQ16 ? 16 : 8);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    switch (header.idFrom) {
    case IDC_HDQ_ADDRESS_SPIN:
        stepSpinField(dialog, IDC_HDQ_ADDRESS, delta, 0, gen::hdqMaxAddress, SpinEnds::Wrap, 16);
        break;
    case IDC_HDQ_DATA_SPIN:
        stepSpinField(dialog, IDC_HDQ_DATA, delta, 0, gen::hdqDataLimit(tool->width), SpinEnds::Wrap, 16);
        break;
    case IDC_HDQ_CHANNEL_SPIN:
        stepSpinField(dialog, IDC_HDQ_CHANNEL, delta, 0, app().caps.channelCount - 1, SpinEnds::Wrap);
        break;
    default: {
        const double shown = fieldNumber(dialog, IDC_GEN_RATE).value_or(rateTenthsLow / 10.0);
        int tenths = static_cast<int>(std::lround(shown * 10)) + delta;
        if (tenths > rateTenthsHigh) tenths = rateTenthsLow;
        if (tenths < rateTenthsLow) tenths = rateTenthsHigh;
        char out[16];
        std::snprintf(out, sizeof out, "%d.%d", tenths / 10, tenths % 10);
        setFieldText(dialog, IDC_GEN_RATE, std::string(out));
    }
    }
    return setDialogResult(dialog, TRUE);
}

LRESULT onAdd(HWND dialog, const Command&) {
    const std::optional<gen::HdqRow> row = entryRow(dialog);
    if (!row) return TRUE;
    std::vector<std::string> lines = listLines(dialog, listControls());
    gen::HdqRow last;
    if (!lines.empty() && gen::readHdqLine(lines.back(), last) == Msg::None && gen::hdqSameTarget(last, *row) &&
        messageBox(dialog, Msg::HdqSameAddressQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        last.data.insert(last.data.end(), row->data.begin(), row->data.end());
        lines.back() = gen::hdqRowLine(last);
        setListLines(dialog, listControls(), lines, static_cast<int>(lines.size()) - 1);
        return TRUE;
    }
    placeListEntry(dialog, listControls(), {gen::hdqRowLine(*row)}, gen::ListPlacement::Add);
    return TRUE;
}

LRESULT onAppend(HWND dialog, const Command&) {
    std::optional<gen::HdqRow> selected = selectedRow(dialog);
    if (!selected) return TRUE;
    const auto data = gen::hdqDataValues(text(dialog, IDC_HDQ_DATA));
    if (!data || data->empty() || gen::checkHdqEntry(0, *data, selected->width) != Msg::None) {
        messageBox(dialog, Msg::HdqWrongData, MB_OK | MB_ICONEXCLAMATION);
        return TRUE;
    }
    selected->data.insert(selected->data.end(), data->begin(), data->end());
    placeListEntry(dialog, listControls(), {gen::hdqRowLine(*selected)}, gen::ListPlacement::Modify);
    return TRUE;
}

LRESULT onModify(HWND dialog, const Command&) {
    std::optional<gen::HdqRow> selected = selectedRow(dialog);
    if (!selected) return TRUE;
    if (dialogBoxInLanguage(dialog, modifyDialog, reinterpret_cast<LPARAM>(&*selected)) != IDOK) return TRUE;
    placeListEntry(dialog, listControls(), {gen::hdqRowLine(*selected)}, gen::ListPlacement::Modify);
    return TRUE;
}

LRESULT onDelete(HWND dialog, const Command&) {
    deleteListEntry(dialog, listControls());
    return TRUE;
}

LRESULT onExport(HWND dialog, const Command&) {
    exportList(dialog, listControls());
    return TRUE;
}

LRESULT onImport(HWND dialog, const Command&) {
    importList(dialog, listControls(), [](const std::vector<std::string>& lines) {
        std::vector<gen::HdqRow> rows;
        return gen::readHdqList(lines, rows);
    });
    return TRUE;
}

LRESULT onListChanged(HWND dialog, NMHDR&) {
    updateListButtons(dialog, listControls());
    return TRUE;
}

// The list's menu: Delete, Append and Modify of the row under the click.
LRESULT onContextMenu(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != GetDlgItem(dialog, IDC_HDQ_LIST) || listSelection(dialog, listControls()) < 0)
        return TRUE;
    HMENU menu = CreatePopupMenu();
    for (auto [id, label] :
         {std::pair{ID_LIST_MENU_DELETE, Msg::ListMenuDelete}, std::pair{ID_LIST_MENU_APPEND, Msg::ListMenuAppend},
          std::pair{ID_LIST_MENU_MODIFY, Msg::ListMenuModify}})
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), loadString(label).c_str());
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (at.x == -1 && at.y == -1) GetCursorPos(&at);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, dialog, nullptr);
    DestroyMenu(menu);
    return TRUE;
}

LRESULT onDrawItem(HWND, UINT, WPARAM, LPARAM lParam) {
    if (tool) tool->buttons.draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
}

// ---- run -------------------------------------------------------------------------------------------

gen::HdqSettings readSettings(HWND dialog) {
    gen::HdqSettings s;
    const auto channel = fieldInteger(dialog, IDC_HDQ_CHANNEL);
    s.channel = channel && *channel >= 0 && *channel < 1000 ? static_cast<int>(*channel) : -1;
    s.rateBitsPerSecond = rateOf(dialog, RateUnit::Kbps); // the field is in K bits/s, to the nearest hertz
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

LRESULT onRun(HWND dialog, const Command&) {
    startRunResting(dialog, true, [&]() -> GeneratorWork {
        const gen::HdqSettings settings = readSettings(dialog);
        const std::vector<std::string> lines = listLines(dialog, listControls());
        auto result = std::make_shared<OutputOutcome>();
        tool->result = result;
        return [settings, lines, result](OutputPorts& ports) {
            *result = gen::runHdq(ports, settings, lines, generatorBuffer());
            return result->result == OutputResult::Running;
        };
    });
    return TRUE;
}

LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result || runsOn) return TRUE;
    stopRunResting(dialog);
    if (tool->result->error == Msg::ErrorChannelSetting) SetFocus(GetDlgItem(dialog, IDC_HDQ_CHANNEL));
    if (tool->result->error == Msg::HdqRateRange || tool->result->error == Msg::RateNotANumber ||
        tool->result->error == Msg::RateNotAboveZero)
        SetFocus(GetDlgItem(dialog, IDC_GEN_RATE));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopRunResting(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    closeGenerator(dialog);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, onClose},
    {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},
    {WM_TIMER, onGeneratorTimer},
    {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
    {WM_CONTEXTMENU, onContextMenu},
    {WM_DRAWITEM, onDrawItem},
};
constexpr CommandEntry commands[] = {
    {IDC_HDQ8, onWidth, BN_CLICKED},        {IDC_HDQ16, onWidth, BN_CLICKED},
    {IDC_HDQ_ADD, onAdd, BN_CLICKED},       {IDC_HDQ_APPEND, onAppend, BN_CLICKED},
    {IDC_HDQ_MODIFY, onModify, BN_CLICKED}, {IDC_HDQ_DELETE, onDelete, BN_CLICKED},
    {IDC_HDQ_EXPORT, onExport, BN_CLICKED}, {IDC_HDQ_IMPORT, onImport, BN_CLICKED},
    {ID_LIST_MENU_DELETE, onDelete},        {ID_LIST_MENU_APPEND, onAppend},
    {ID_LIST_MENU_MODIFY, onModify},        {IDC_GEN_HELP, openHelpOnCommand<hdqHelpTopic, hdqHelpContext>, BN_CLICKED},
    {IDC_GEN_RUN, onRun, BN_CLICKED},       {IDC_GEN_STOP, onStop, BN_CLICKED},
    {IDC_GEN_EXIT, postClose, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_HDQ_ADDRESS_SPIN, UDN_DELTAPOS, onSpin},   {IDC_HDQ_DATA_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_HDQ_CHANNEL_SPIN, UDN_DELTAPOS, onSpin},   {IDC_HDQ_RATE_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_HDQ_LIST, LVN_ITEMCHANGED, onListChanged},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openHdqTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_HDQ, dialogProcedure<table>}, parameter);
}

HWND hdqToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
