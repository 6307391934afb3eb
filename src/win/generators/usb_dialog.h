// The USB 1.1 tool (function 10023, template 533): the packet list (a list view of nine cells per
// packet) edited from its right-click menu through the Edit Packet dialog (536), which computes
// the CRCs; Export, Import and the built-in Sample; the D+ channel (D- beside it), the bit rate,
// Repeat, and Run on the output engine. No Convert, no settings kept.
#pragma once

#include <windows.h>

#include "app/dialog_template.h"
#include "generators/usb.h"

#include <functional>

namespace qv::win {

void openUsbTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open USB dialog, or nullptr.
HWND usbToolWindow();

// Edit Packet: in, the row to modify (empty cells for Add and Insert); out on OK, the row.
struct UsbPacketRequest {
    gen::UsbCells cells;
    bool modify = false;
};
extern const DialogDefinition usbPacketDialog; // lParam: UsbPacketRequest*

// Tests answer Edit Packet and pick from the packet menu without a modal loop: the editor returns
// whether OK was pressed, the tracker the chosen command (0: none). Empty functions restore the
// dialog and TrackPopupMenu.
void setUsbPacketEditor(std::function<bool(HWND owner, UsbPacketRequest& request)> editor);
void setUsbMenuTracker(std::function<int(HMENU menu)> tracker);

} // namespace qv::win
