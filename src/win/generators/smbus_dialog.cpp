// The SMBus dialog moves its fields into core's composeSmbusLine; a process call's write data is
// stored by "Sr" until Add List. The list, the clock and Run are the packet tool's (packet_tool.h).
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

constexpr int smbusHelpContext = 0; // the tool has no WinHelp context
constexpr PacketToolControls smbusControls{IDC_SMBUS_LIST,         IDC_SMBUS_CLOCK,     IDC_SMBUS_CLOCK_SPIN,
                                           IDC_SMBUS_DATA_CHANNEL, IDC_SMBUS_RATE_SPIN, IDD_SMBUS_PACKET};
constexpr int readItem = 0, writeItem = 1; // the read/write combo: "READ", "WRITE"

struct SmbusTool {
    HWND dialog = nullptr;
    std::string writeData; // a process call's, stored by "Sr"
};
std::unique_ptr<SmbusTool> tool;

std::string text(HWND dialog, int control) { return toAnsi(fieldText(dialog, control)); }

int protocolOf(HWND dialog) { return std::max(0, comboSelection(dialog, IDC_SMBUS_PROTOCOL)); }

gen::SmbusEntry entryOf(HWND dialog) {
    gen::SmbusEntry e;
    e.protocol = protocolOf(dialog);
    e.read = comboSelection(dialog, IDC_SMBUS_RW) == readItem;
    e.address = text(dialog, IDC_SMBUS_ADDRESS);
    e.command = text(dialog, IDC_SMBUS_COMMAND);
    e.data = text(dialog, IDC_SMBUS_DATA);
    e.writeData = tool->writeData;
    return e;
}

// A refused entry: its message, and the focus on the field it names.
void refuse(HWND dialog, Msg m) {
    messageBox(dialog, m, MB_ICONERROR | MB_OK);
    const int field = m == Msg::SmbusAddressRange ? IDC_SMBUS_ADDRESS
        : m == Msg::SmbusCommandRange             ? IDC_SMBUS_COMMAND
                                                  : IDC_SMBUS_DATA;
    SetFocus(GetDlgItem(dialog, field));
}

void selectProtocol(HWND dialog) {
    const gen::SmbusProtocolUse use = gen::smbusProtocolUse(protocolOf(dialog));
    setFieldText(dialog, IDC_SMBUS_DATA, std::wstring());
    tool->writeData.clear();
    enableControls(dialog, {IDC_SMBUS_COMMAND, IDC_SMBUS_COMMAND_SPIN}, use.command);
    enableControls(dialog, {IDC_SMBUS_DATA}, use.data);
    enableControls(dialog, {IDC_SMBUS_SR}, use.repeatedStart);
    enableControls(dialog, {IDC_SMBUS_ADD}, !use.repeatedStart); // a process call waits for "Sr"
    enableControls(dialog, {IDC_SMBUS_RW}, use.readWrite);
    if (!use.readWrite) selectComboIndex(dialog, IDC_SMBUS_RW, use.readOnly ? readItem : writeItem);
}

bool composeLine(HWND dialog, std::string& line) {
    const Msg m = gen::composeSmbusLine(entryOf(dialog), line);
    if (m == Msg::None) return true;
    refuse(dialog, m);
    return false;
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<SmbusTool>();
    tool->dialog = dialog;
    initPacketTool(dialog, smbusControls, composeLine);
    std::array<Msg, gen::smbusProtocolCount> names{};
    for (int p = 0; p < gen::smbusProtocolCount; ++p) names[static_cast<std::size_t>(p)] = gen::smbusProtocolName(p);
    fillCombo(dialog, IDC_SMBUS_PROTOCOL, names);
    selectComboIndex(dialog, IDC_SMBUS_PROTOCOL, 0);
    constexpr Msg readWrite[] = {Msg::SmbusRead, Msg::SmbusWrite};
    fillCombo(dialog, IDC_SMBUS_RW, readWrite);
    selectComboIndex(dialog, IDC_SMBUS_RW, readItem);
    setFieldText(dialog, IDC_SMBUS_ADDRESS, std::string("10"));
    setFieldText(dialog, IDC_SMBUS_COMMAND, std::string("20"));
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
    gen::SmbusEntry e = entryOf(dialog);
    if (const Msg m = gen::storeSmbusWriteData(e); m != Msg::None) {
        refuse(dialog, m);
        return TRUE;
    }
    tool->writeData = e.writeData;
    setFieldText(dialog, IDC_SMBUS_DATA, std::wstring());
    enableControls(dialog, {IDC_SMBUS_ADD}, true);
    SetFocus(GetDlgItem(dialog, IDC_SMBUS_DATA));
    return TRUE;
}

LRESULT onAddList(HWND dialog, const Command&) {
    std::string line;
    if (composeLine(dialog, line)) appendPacket(dialog, line);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    if (header.idFrom == IDC_SMBUS_ADDRESS_SPIN)
        stepSpinField(dialog, IDC_SMBUS_ADDRESS, delta, 0, gen::smbusMaxAddress, SpinEnds::Wrap, 16);
    else if (header.idFrom == IDC_SMBUS_COMMAND_SPIN)
        stepSpinField(dialog, IDC_SMBUS_COMMAND, delta, 0, gen::smbusMaxCommand, SpinEnds::Wrap, 16);
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
    {IDC_SMBUS_PROTOCOL, onProtocol, CBN_SELCHANGE},
    {IDC_GEN_RUN, onPacketRun, BN_CLICKED},
    {IDC_GEN_RATE_UNIT, onPacketRateUnit, BN_CLICKED},
    {IDC_GEN_STOP, onPacketStop, BN_CLICKED},
    {IDC_GEN_EXIT, postClose, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<smbusHelpTopic, smbusHelpContext>, BN_CLICKED},
    {IDC_SMBUS_SR, onRepeatedStart, BN_CLICKED},
    {IDC_SMBUS_ADD, onAddList, BN_CLICKED},
    {IDC_SMBUS_CLOCK, onPacketClockChange, EN_CHANGE},
    {ID_PACKET_DELETE, onPacketMenuCommand},
    {ID_PACKET_INSERT, onPacketMenuCommand},
    {ID_PACKET_MODIFY, onPacketMenuCommand},
    {ID_PACKET_EXPORT, onPacketMenuCommand},
    {ID_PACKET_IMPORT, onPacketMenuCommand},
    {ID_PACKET_DELETE_ALL, onPacketMenuCommand},
};
constexpr NotifyEntry notifications[] = {
    {IDC_SMBUS_ADDRESS_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_SMBUS_COMMAND_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_SMBUS_RATE_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_SMBUS_CLOCK_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openSmbusTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_SMBUS, dialogProcedure<table>}, parameter);
}

HWND smbusToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
