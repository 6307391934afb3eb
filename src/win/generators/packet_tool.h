// What the SMBus and PMBus dialogs share: the clock rate (units KHz, Hz, MHz), the clock channel
// with its data channel beside it, the packet list with its context menu (Delete, Insert, Modify
// in the packet dialog, Delete All, Export, Import, through the shared list editor), and Run, Stop
// and the run's report on runSmbus. Each tool brings its controls and how it composes a line.
#pragma once

#include <windows.h>

#include "app/dispatch.h"

#include <functional>
#include <string>

namespace qv::win {

struct PacketToolControls {
    int list;
    int clock, clockSpin, dataChannel;
    int rateSpin;
    int packetDialog; // IDD_SMBUS_PACKET or IDD_PMBUS_PACKET
};
// How a tool composes the line its fields describe (Add List or Ok, and Insert Packet); false
// when it refused (its message shown).
using ComposePacket = bool (*)(HWND dialog, std::string& line);

// WM_INITDIALOG's shared part: the generator's, then clock rate "100" KHz, clock channel 0, data
// channel 1, Repeat cleared.
void initPacketTool(HWND dialog, const PacketToolControls& controls, ComposePacket compose);
// WM_DESTROY's shared part.
void releasePacketTool();

// A composed line appended at the end of the list (Add List, Ok).
void appendPacket(HWND dialog, const std::string& line);

// The handlers both tools' tables name.
LRESULT onPacketRun(HWND dialog, const Command& command);
LRESULT onPacketStop(HWND dialog, const Command& command);
LRESULT onPacketRateUnit(HWND dialog, const Command& command);
LRESULT onPacketClockChange(HWND dialog, const Command& command);
LRESULT onPacketMenuCommand(HWND dialog, const Command& command); // ID_PACKET_DELETE .. ID_PACKET_DELETE_ALL
LRESULT onPacketContextMenu(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onPacketRunDone(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT onPacketClose(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The clock-rate and clock-channel spins (UDN_DELTAPOS); false for another spin.
bool stepPacketSpin(HWND dialog, NMHDR& header);

// Tests: the context menu's choice instead of TrackPopupMenu (the built menu in, the chosen
// command out, 0 for none), and the packet dialog's edit instead of the modal dialog (the line in
// and out, true for OK). Empty functions restore the real ones.
using PacketMenuTracker = std::function<int(HMENU menu)>;
void setPacketMenuTracker(PacketMenuTracker tracker);
using PacketEditor = std::function<bool(HWND owner, std::string& line)>;
void setPacketEditor(PacketEditor editor);

} // namespace qv::win
