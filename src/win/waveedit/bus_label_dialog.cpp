// The bus dialog. The strip shows the bit order with the most significant bit (the last chosen
// channel) at its left; when the order is longer than the strip, the scroll bar and the "<<" and
// ">>" buttons move it by one channel.
#include "waveedit/bus_label_dialog.h"

#include "app/controls.h"
#include "app/help.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/label_dialog_parts.h"
#include "waveedit/label_menu.h"
#include "waveedit/wave_editor_state.h"

#include <algorithm>

namespace qv::win {
namespace {

constexpr Msg captions[] = {Msg::BusCaptionAdd, Msg::BusCaptionCombine, Msg::BusCaptionArrange};
constexpr int stripCellWidth = 24; // pixels a channel takes in the strip

struct DialogState {
    BusLabelRequest* request = nullptr;
    std::vector<int> enabled;
    BitOrder order;
    int colour = colourDataLabel;
    int firstShown = 0; // the strip's leftmost cell, counted from the most significant bit
} state;

int visibleCells(HWND dialog) {
    RECT strip{};
    GetClientRect(GetDlgItem(dialog, IDC_BUS_ORDER), &strip);
    return std::max(static_cast<int>(strip.right / stripCellWidth), 1);
}

int lastFirstShown(HWND dialog) {
    return std::max(static_cast<int>(state.order.channels.size()) - visibleCells(dialog), 0);
}

void showOrder(HWND dialog) {
    state.firstShown = std::clamp(state.firstShown, 0, lastFirstShown(dialog));
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMax = std::max(static_cast<int>(state.order.channels.size()) - 1, 0);
    info.nPage = static_cast<UINT>(visibleCells(dialog));
    info.nPos = state.firstShown;
    SetScrollInfo(GetDlgItem(dialog, IDC_BUS_ORDER_SCROLL), SB_CTL, &info, TRUE);
    for (int c = 0; c < busDialogChannelButtons; ++c) {
        const bool inOrder =
            std::find(state.order.channels.begin(), state.order.channels.end(), c) != state.order.channels.end();
        setChecked(dialog, IDC_BUS_CHANNEL_FIRST + c, inOrder);
    }
    InvalidateRect(GetDlgItem(dialog, IDC_BUS_ORDER), nullptr, TRUE);
}

void drawStrip(const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_WINDOW));
    const std::vector<int>& order = state.order.channels;
    const int count = static_cast<int>(order.size());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ oldFont = SelectObject(item.hDC, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    for (int cell = 0; state.firstShown + cell < count; ++cell) {
        RECT rect{item.rcItem.left + cell * stripCellWidth, item.rcItem.top,
                  item.rcItem.left + (cell + 1) * stripCellWidth, item.rcItem.bottom};
        if (rect.left >= item.rcItem.right) break;
        const int channel = order[static_cast<std::size_t>(count - 1 - (state.firstShown + cell))];
        const std::wstring text = std::to_wstring(channel);
        DrawEdge(item.hDC, &rect, EDGE_ETCHED, BF_RIGHT);
        DrawTextW(item.hDC, text.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(item.hDC, oldFont);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    auto* request = reinterpret_cast<BusLabelRequest*>(lParam);
    const Document& doc = *request->doc;
    state = {request, busDialogChannels(doc.labels(), request->mode, doc.capabilities().channelCount), {},
             colourDataLabel, 0};
    SetWindowTextW(dialog, loadString(captions[static_cast<int>(request->mode)]).c_str());
    if (request->mode == BusDialogMode::Arrange) setFieldText(dialog, IDC_BUS_NAME, arrangePresetName(doc.labels()));
    SendDlgItemMessageW(dialog, IDC_BUS_NAME, EM_LIMITTEXT, maxLabelNameLength + 1, 0);
    fillGroupTypeCombo(dialog, IDC_LABEL_GROUP_TYPE, GroupType::Hex);
    for (int c = 0; c < busDialogChannelButtons; ++c)
        EnableWindow(GetDlgItem(dialog, IDC_BUS_CHANNEL_FIRST + c),
                     std::find(state.enabled.begin(), state.enabled.end(), c) != state.enabled.end());
    showOrder(dialog);
    return TRUE;
}

LRESULT onDrawItem(HWND, UINT, WPARAM, LPARAM lParam) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item.CtlID == IDC_BUS_ORDER) {
        drawStrip(item);
        return TRUE;
    }
    return drawLabelColourItem(item, state.colour);
}

void scrollStripTo(HWND dialog, int firstShown) {
    state.firstShown = firstShown;
    showOrder(dialog);
}

LRESULT onStripScroll(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(lParam) != GetDlgItem(dialog, IDC_BUS_ORDER_SCROLL)) return FALSE;
    const int page = visibleCells(dialog);
    switch (LOWORD(wParam)) {
    case SB_LINELEFT: scrollStripTo(dialog, state.firstShown - 1); break;
    case SB_LINERIGHT: scrollStripTo(dialog, state.firstShown + 1); break;
    case SB_PAGELEFT: scrollStripTo(dialog, state.firstShown - page); break;
    case SB_PAGERIGHT: scrollStripTo(dialog, state.firstShown + page); break;
    case SB_LEFT: scrollStripTo(dialog, 0); break;
    case SB_RIGHT: scrollStripTo(dialog, lastFirstShown(dialog)); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: scrollStripTo(dialog, HIWORD(wParam)); break;
    default: break;
    }
    return TRUE;
}

LRESULT onStripLeft(HWND dialog, const Command&) {
    scrollStripTo(dialog, state.firstShown - 1);
    return TRUE;
}

LRESULT onStripRight(HWND dialog, const Command&) {
    scrollStripTo(dialog, state.firstShown + 1);
    return TRUE;
}

LRESULT onChannel(HWND dialog, const Command& command) {
    state.order.press(command.id - IDC_BUS_CHANNEL_FIRST);
    state.firstShown = 0; // the channel just pressed is the most significant: show it
    showOrder(dialog);
    return TRUE;
}

LRESULT onAllOn(HWND dialog, const Command&) {
    state.order.allOn(state.enabled);
    showOrder(dialog);
    return TRUE;
}

LRESULT onAllOff(HWND dialog, const Command&) {
    state.order.allOff();
    showOrder(dialog);
    return TRUE;
}

LRESULT onColour(HWND dialog, const Command& command) {
    state.colour = colourOfButton(command.id);
    showChosenColour(dialog);
    return TRUE;
}

LRESULT onOk(HWND dialog, const Command&) {
    BusLabelSetting setting;
    setting.name = toUtf8(fieldText(dialog, IDC_BUS_NAME));
    setting.type = chosenGroupType(dialog, IDC_LABEL_GROUP_TYPE);
    setting.colour = state.colour;
    setting.order = state.order;
    const Msg refused = applyBusLabel(*state.request->doc, state.request->mode, setting, state.enabled);
    if (endWhenAccepted(dialog, refused))
        state.request->changed = !state.order.channels.empty(); // an empty order closes without change
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_DRAWITEM, onDrawItem},
    {WM_HSCROLL, onStripScroll},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<busLabelHelpTopic, busLabelHelpContext>},
};
constexpr auto commands = joinCommands(
    joinCommands(std::array<CommandEntry, 7>{{
                     {IDOK, onOk},
                     {IDCANCEL, endDialogWith<IDCANCEL>},
                     {IDC_LABEL_HELP, openHelpOnCommand<busLabelHelpTopic, busLabelHelpContext>},
                     {IDC_BUS_ALL_ON, onAllOn, BN_CLICKED},
                     {IDC_BUS_ALL_OFF, onAllOff, BN_CLICKED},
                     {IDC_BUS_ORDER_LEFT, onStripLeft, BN_CLICKED},
                     {IDC_BUS_ORDER_RIGHT, onStripRight, BN_CLICKED},
                 }},
                 commandRange<labelColourCount>(IDC_LABEL_COLOUR_FIRST, onColour)),
    commandRange<busDialogChannelButtons>(IDC_BUS_CHANNEL_FIRST, onChannel));
constexpr MessageTable table{.messages = messages, .commands = commands};

LRESULT runBusDialog(HWND dialog, BusDialogMode mode) {
    BusLabelRequest request{&document(), mode, false};
    dialogBoxInLanguage(dialog, busLabelDialog, reinterpret_cast<LPARAM>(&request));
    afterLabelDialog(request.changed);
    return TRUE;
}

} // namespace

const DialogDefinition busLabelDialog{IDD_BUS_LABEL, dialogProcedure<table>};

LRESULT onAddBusLabel(HWND dialog, const Command&) { return runBusDialog(dialog, BusDialogMode::AddBus); }

LRESULT onCombineLabels(HWND dialog, const Command&) {
    const LabelTable& table = document().labels();
    const std::vector<LabelSpan> selected = selectedLabels(table);
    if (selected.size() < 2) {
        MessageBeep(MB_OK); // combining needs two labels at least
        return TRUE;
    }
    for (LabelSpan span : selected) {
        if (isCommandLabel(table[static_cast<std::size_t>(span.first)])) {
            showLabelRefusal(dialog, Msg::CantCombineQvFunction);
            return TRUE;
        }
    }
    return runBusDialog(dialog, BusDialogMode::Combine);
}

LRESULT onArrangeLabels(HWND dialog, const Command&) {
    if (labelSelectionCase(document().labels()) != LabelSelectionCase::OneBus) {
        MessageBeep(MB_OK); // arranging works on one selected bus label
        return TRUE;
    }
    return runBusDialog(dialog, BusDialogMode::Arrange);
}

} // namespace qv::win
