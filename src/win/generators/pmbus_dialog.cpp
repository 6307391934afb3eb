// The PMBus dialog moves its fields into core's PmbusLine, which keeps a group command's line under
// way between "Sr" presses; a change of protocol abandons it. The list, the clock and Run are the
// packet tool's (packet_tool.h).
#include "generators/smbus_dialog.h"

#include "app/controls.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/generator_dialog.h"
#include "generators/packet_tool.h"
#include "generators/smbus_lines.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <memory>

namespace qv::win {
namespace {

constexpr int pmbusHelpContext = 0; // the tool has no WinHelp context
constexpr PacketToolControls pmbusControls{IDC_PMBUS_LIST,         IDC_PMBUS_CLOCK,     IDC_PMBUS_CLOCK_SPIN,
                                           IDC_PMBUS_DATA_CHANNEL, IDC_PMBUS_RATE_SPIN, IDD_PMBUS_PACKET};

struct PmbusTool {
    HWND dialog = nullptr;
    gen::PmbusLine line;
};
std::unique_ptr<PmbusTool> tool;

std::string text(HWND dialog, int control) { return toAnsi(fieldText(dialog, control)); }

gen::PmbusEntry entryOf(HWND dialog) {
    gen::PmbusEntry e;
    e.protocol = std::max(0, comboSelection(dialog, IDC_PMBUS_PROTOCOL));
    e.address = text(dialog, IDC_PMBUS_ADDRESS);
    e.command = text(dialog, IDC_PMBUS_COMMAND);
    e.extension = text(dialog, IDC_PMBUS_EXTENSION);
    e.data = text(dialog, IDC_PMBUS_DATA);
    return e;
}

void refuse(HWND dialog, Msg m) {
    messageBox(dialog, m, MB_ICONERROR | MB_OK);
    const int field = m == Msg::SmbusAddressRange ? IDC_PMBUS_ADDRESS
        : m == Msg::SmbusCommandRange             ? IDC_PMBUS_COMMAND
        : m == Msg::PmbusExtensionRange           ? IDC_PMBUS_EXTENSION
                                                  : IDC_PMBUS_DATA;
    SetFocus(GetDlgItem(dialog, field));
}

void selectProtocol(HWND dialog) {
    const bool group = gen::pmbusProtocol(entryOf(dialog).protocol).kind == gen::PmbusKind::GroupCommand;
    setFieldText(dialog, IDC_PMBUS_DATA, std::wstring());
    tool->line.abandon(); // a line under way belongs to the protocol it was begun with
    enableControls(dialog, {IDC_PMBUS_SR}, group);
    enableControls(dialog, {IDC_PMBUS_EXTENSION, IDC_PMBUS_EXTENSION_SPIN}, !group);
}

// Ok (and Insert Packet): the part, P, and the line ended.
bool finishLine(HWND dialog, std::string& line) {
    const Msg m = tool->line.finish(entryOf(dialog), line);
    if (m == Msg::None) return true;
    refuse(dialog, m);
    return false;
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<PmbusTool>();
    tool->dialog = dialog;
    initPacketTool(dialog, pmbusControls, finishLine);
    std::array<Msg, gen::pmbusProtocolCount> names{};
    for (int p = 0; p < gen::pmbusProtocolCount; ++p) names[static_cast<std::size_t>(p)] = gen::pmbusProtocolName(p);
    fillCombo(dialog, IDC_PMBUS_PROTOCOL, names);
    selectComboIndex(dialog, IDC_PMBUS_PROTOCOL, 0);
    setFieldText(dialog, IDC_PMBUS_ADDRESS, std::string("10"));
    setFieldText(dialog, IDC_PMBUS_COMMAND, std::string("20"));
    setFieldText(dialog, IDC_PMBUS_EXTENSION, std::string("30"));
    selectProtocol(dialog);
    return TRUE;
}

LRESULT onDestroy(HWND, UINT, WPARAM, LPARAM) {
    releasePacketTool();
    tool.reset();
    return FALSE;
}

LRESULT onProtocol(HWND dialog, const Command&) {
    selectProtocol(dialog);
    return TRUE;
}

LRESULT onRepeatedStart(HWND dialog, const Command&) {
    if (const Msg m = tool->line.repeatedStart(entryOf(dialog)); m != Msg::None) {
        refuse(dialog, m);
        return TRUE;
    }
    setFieldText(dialog, IDC_PMBUS_DATA, std::wstring());
    SetFocus(GetDlgItem(dialog, IDC_PMBUS_ADDRESS)); // the next device's address follows
    return TRUE;
}

LRESULT onOk(HWND dialog, const Command&) {
    std::string line;
    if (finishLine(dialog, line)) appendPacket(dialog, line);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    if (header.idFrom == IDC_PMBUS_ADDRESS_SPIN)
        stepSpinField(dialog, IDC_PMBUS_ADDRESS, delta, 0, gen::smbusMaxAddress, SpinEnds::Wrap, 16);
    else if (header.idFrom == IDC_PMBUS_COMMAND_SPIN)
        stepSpinField(dialog, IDC_PMBUS_COMMAND, delta, 0, gen::smbusMaxCommand, SpinEnds::Wrap, 16);
    else if (header.idFrom == IDC_PMBUS_EXTENSION_SPIN)
        stepSpinField(dialog, IDC_PMBUS_EXTENSION, delta, 0, gen::smbusMaxCommand, SpinEnds::Wrap, 16);
    else
        stepPacketSpin(dialog, header);
    return setDialogResult(dialog, TRUE);
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, onPacketClose},
    {WM_DESTROY, onDestroy},
    {WM_SIZE, repaintOnSize},
    {WM_TIMER, onGeneratorTimer},
    {toolHelp, ignoreMessage},
    {WM_CONTEXTMENU, onPacketContextMenu},
    {generatorRunDone, onPacketRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_PMBUS_PROTOCOL, onProtocol, CBN_SELCHANGE},
    {IDC_GEN_RUN, onPacketRun, BN_CLICKED},
    {IDC_GEN_RATE_UNIT, onPacketRateUnit, BN_CLICKED},
    {IDC_GEN_STOP, onPacketStop, BN_CLICKED},
    {IDC_GEN_EXIT, postClose, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<pmbusHelpTopic, pmbusHelpContext>, BN_CLICKED},
    {IDC_PMBUS_SR, onRepeatedStart, BN_CLICKED},
    {IDC_PMBUS_OK, onOk, BN_CLICKED},
    {IDC_PMBUS_CLOCK, onPacketClockChange, EN_CHANGE},
    {ID_PACKET_DELETE, onPacketMenuCommand},
    {ID_PACKET_INSERT, onPacketMenuCommand},
    {ID_PACKET_MODIFY, onPacketMenuCommand},
    {ID_PACKET_EXPORT, onPacketMenuCommand},
    {ID_PACKET_IMPORT, onPacketMenuCommand},
    {ID_PACKET_DELETE_ALL, onPacketMenuCommand},
};
constexpr NotifyEntry notifications[] = {
    {IDC_PMBUS_ADDRESS_SPIN, UDN_DELTAPOS, onSpin},   {IDC_PMBUS_COMMAND_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_PMBUS_EXTENSION_SPIN, UDN_DELTAPOS, onSpin}, {IDC_PMBUS_RATE_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_PMBUS_CLOCK_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openPmbusTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_PMBUS, dialogProcedure<table>}, parameter);
}

HWND pmbusToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
