// The SMBus and PMBus dialogs' shared half. The packet lines live in the list box only; every menu
// command reads them out, changes them through core's entry rules and writes them back. Only one
// tool is open at a time, so its state is one object here.
#include "generators/packet_tool.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dialog_template.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "generators/generator_dialog.h"
#include "generators/list_editor.h"
#include "generators/smbus.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <memory>

namespace qv::win {
namespace {

constexpr char defaultRate[] = "100";

struct PacketTool {
    HWND dialog = nullptr;
    PacketToolControls controls{};
    ComposePacket compose = nullptr;
    RateUnit unit = RateUnit::Kbps;
    std::shared_ptr<gen::SmbusRunResult> result;
    gen::SmbusSettings lastRun;
};
std::unique_ptr<PacketTool> tool;
PacketMenuTracker menuTracker;
PacketEditor packetEditor;

bool neverContinues(std::string_view) { return false; }

ListControls listControls() { return {tool->controls.list, 0, 0, 0, 0, 0, neverContinues}; }

Msg unitCaption(RateUnit unit) {
    switch (unit) {
    case RateUnit::Mbps: return Msg::FrequencyUnitMHz;
    case RateUnit::Kbps: return Msg::FrequencyUnitKHz;
    default: return Msg::FrequencyUnitHz;
    }
}

// ---- the packet dialog: one line to edit, no length limit -----------------------------------------

LRESULT onPacketInit(HWND dialog, UINT, WPARAM, LPARAM parameter) {
    SetWindowLongPtrW(dialog, DWLP_USER, parameter);
    SendDlgItemMessageW(dialog, IDC_PACKET_CONTENT, EM_LIMITTEXT, 0, 0);
    setFieldText(dialog, IDC_PACKET_CONTENT, fromAnsi(*reinterpret_cast<std::string*>(parameter)));
    return TRUE;
}

LRESULT onPacketOk(HWND dialog, const Command&) {
    std::string text = toAnsi(fieldText(dialog, IDC_PACKET_CONTENT));
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; }); // one line, whatever was pasted
    *reinterpret_cast<std::string*>(GetWindowLongPtrW(dialog, DWLP_USER)) = std::move(text);
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry packetMessages[] = {{WM_INITDIALOG, onPacketInit}, {WM_CLOSE, endDialogOn<IDCANCEL>}};
constexpr CommandEntry packetCommands[] = {{IDOK, onPacketOk, BN_CLICKED},
                                           {IDCANCEL, endDialogWith<IDCANCEL>, BN_CLICKED}};
constexpr MessageTable packetTable{.messages = packetMessages, .commands = packetCommands};

bool editPacket(HWND owner, std::string& line) {
    if (packetEditor) return packetEditor(owner, line);
    return dialogBoxInLanguage(owner, {tool->controls.packetDialog, dialogProcedure<packetTable>},
                               reinterpret_cast<LPARAM>(&line)) == IDOK;
}

// ---- the list's commands ----------------------------------------------------------------------------

void insertPacket(HWND dialog) {
    std::string line;
    if (!tool->compose(dialog, line)) return;
    std::vector<std::string> lines = listLines(dialog, listControls());
    const int after = listSelection(dialog, listControls()) + 1; // before the next line: after the selected one
    const int at = gen::placeEntry(lines, {line}, gen::ListPlacement::Insert, after, neverContinues);
    setListLines(dialog, listControls(), lines, at);
}

void modifyPacket(HWND dialog) {
    const int selected = listSelection(dialog, listControls());
    if (selected < 0) return;
    std::vector<std::string> lines = listLines(dialog, listControls());
    std::string line = lines[static_cast<std::size_t>(selected)];
    if (!editPacket(dialog, line)) return;
    std::vector<gen::PacketUnit> units;
    if (gen::readPacketLine(line, units) != Msg::None) { // the list keeps only lines Run can read
        lines[static_cast<std::size_t>(selected)] = line;
        messageBox(dialog, Msg::ListLineUnreadable, MB_ICONERROR | MB_OK, Msg::Caption,
                   fromAnsi(gen::listProblemText({selected + 1, Msg::ListLineUnreadable}, lines)));
        return;
    }
    lines[static_cast<std::size_t>(selected)] = line;
    setListLines(dialog, listControls(), lines, selected);
}

HMENU buildMenu(bool selected) {
    HMENU menu = CreatePopupMenu();
    auto add = [menu](int command) {
        const std::wstring text = loadString(static_cast<Msg>(command));
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), text.c_str());
    };
    if (selected) {
        for (int command : {ID_PACKET_DELETE, ID_PACKET_INSERT, ID_PACKET_MODIFY, ID_PACKET_DELETE_ALL}) add(command);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        add(ID_PACKET_EXPORT);
    }
    add(ID_PACKET_IMPORT);
    return menu;
}

// ---- run --------------------------------------------------------------------------------------------

gen::SmbusSettings readSettings(HWND dialog) {
    gen::SmbusSettings s;
    const auto clock = fieldInteger(dialog, tool->controls.clock);
    s.clockChannel = clock && *clock >= 0 && *clock < 1000 ? static_cast<int>(*clock) : -1;
    s.rateHz = rateOf(dialog, tool->unit);
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

} // namespace

void initPacketTool(HWND dialog, const PacketToolControls& controls, ComposePacket compose) {
    tool = std::make_unique<PacketTool>();
    tool->dialog = dialog;
    tool->controls = controls;
    tool->compose = compose;
    initGenerator(dialog);
    showRate(dialog, defaultRate, tool->unit);
    setFieldText(dialog, IDC_GEN_RATE_UNIT, unitCaption(tool->unit));
    setFieldInteger(dialog, controls.clock, 0);
    setFieldInteger(dialog, controls.dataChannel, 1);
    setChecked(dialog, IDC_GEN_REPEAT, false);
}

void releasePacketTool() {
    releaseGenerator();
    tool.reset();
}

void appendPacket(HWND dialog, const std::string& line) {
    placeListEntry(dialog, listControls(), {line}, gen::ListPlacement::Add);
}

void setPacketMenuTracker(PacketMenuTracker tracker) { menuTracker = std::move(tracker); }
void setPacketEditor(PacketEditor editor) { packetEditor = std::move(editor); }

LRESULT onPacketMenuCommand(HWND dialog, const Command& command) {
    const ListControls c = listControls();
    switch (command.id) {
    case ID_PACKET_DELETE: deleteListEntry(dialog, c); break;
    case ID_PACKET_INSERT: insertPacket(dialog); break;
    case ID_PACKET_MODIFY: modifyPacket(dialog); break;
    case ID_PACKET_DELETE_ALL: setListLines(dialog, c, {}); break;
    case ID_PACKET_EXPORT: exportList(dialog, c); break;
    case ID_PACKET_IMPORT:
        importList(dialog, c, [](const std::vector<std::string>& lines) {
            std::vector<gen::PacketUnit> units;
            return gen::readPacketList(lines, units);
        });
        break;
    default: return FALSE;
    }
    return TRUE;
}

LRESULT onPacketContextMenu(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    HWND list = GetDlgItem(dialog, tool->controls.list);
    if (reinterpret_cast<HWND>(wParam) != list) return FALSE;
    HMENU menu = buildMenu(listSelection(dialog, listControls()) >= 0);
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1) { // from the keyboard: at the list's corner
        RECT r{};
        GetWindowRect(list, &r);
        at = {r.left, r.top};
    }
    const int chosen = menuTracker
        ? menuTracker(menu)
        : TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, dialog, nullptr);
    DestroyMenu(menu);
    if (chosen != 0) SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}

LRESULT onPacketRateUnit(HWND dialog, const Command&) {
    tool->unit = nextRateUnit(tool->unit);
    setFieldText(dialog, IDC_GEN_RATE_UNIT, unitCaption(tool->unit));
    return TRUE;
}

LRESULT onPacketClockChange(HWND dialog, const Command&) {
    if (!tool) return TRUE;
    const auto clock = fieldInteger(dialog, tool->controls.clock);
    if (clock && *clock >= 0 && *clock < 1000)
        setFieldInteger(dialog, tool->controls.dataChannel, *clock + 1);
    else
        setFieldText(dialog, tool->controls.dataChannel, std::wstring());
    return TRUE;
}

bool stepPacketSpin(HWND dialog, NMHDR& header) {
    const bool up = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0;
    if (static_cast<int>(header.idFrom) == tool->controls.rateSpin) {
        stepRate(dialog, tool->unit, up);
        return true;
    }
    if (static_cast<int>(header.idFrom) == tool->controls.clockSpin) {
        stepSpinField(dialog, tool->controls.clock, up ? 1 : -1, 0, gen::smbusHighestClockChannel(app().caps),
                      SpinEnds::Wrap);
        return true;
    }
    return false;
}

LRESULT onPacketRun(HWND dialog, const Command&) {
    startRunResting(dialog, false, [&]() -> GeneratorWork {
        const gen::SmbusSettings settings = readSettings(dialog);
        const std::vector<std::string> lines = listLines(dialog, listControls());
        auto result = std::make_shared<gen::SmbusRunResult>();
        tool->result = result;
        tool->lastRun = settings;
        return [settings, lines, result](OutputPorts& ports) {
            *result = gen::runSmbus(ports, settings, lines, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        };
    });
    return TRUE;
}

LRESULT onPacketRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!tool || !isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::SmbusRunResult& result = *tool->result;
    if (result.outcome.result == OutputResult::Running &&
        result.outcome.clockHz != gen::smbusSampleClock(tool->lastRun))
        setFieldText(dialog, IDC_GEN_RATE, rateFieldText(result.rateHz, tool->unit));
    if (runsOn) return TRUE;
    stopRunResting(dialog);
    if (result.outcome.error == Msg::ErrorChannelSetting) SetFocus(GetDlgItem(dialog, tool->controls.clock));
    if (result.outcome.error == Msg::RateOutOfRange || result.outcome.error == Msg::RateNotANumber ||
        result.outcome.error == Msg::RateNotAboveZero)
        SetFocus(GetDlgItem(dialog, IDC_GEN_RATE));
    return TRUE;
}

LRESULT onPacketStop(HWND dialog, const Command&) {
    stopRunResting(dialog);
    return TRUE;
}

LRESULT onPacketClose(HWND dialog, UINT, WPARAM, LPARAM) {
    closeGenerator(dialog);
    return TRUE;
}

} // namespace qv::win
