// Edit Packet (template 536): the PID chooses which edits are open (changing it empties them), an
// empty required field is refused with 12089 and a warning sign beside it, OK hands the fields to
// core's usbPacketCells, which writes the row with its CRCs. Modify keeps the row's SYNC and EOP.
#include "generators/usb_dialog.h"

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "resource.h"

namespace qv::win {
namespace {

constexpr int fieldEdits[] = {IDC_USB_FRAME, IDC_USB_ADDRESS, IDC_USB_ENDPOINT, IDC_USB_DATA};
constexpr int warningIcons[] = {IDC_USB_WARN_FRAME, IDC_USB_WARN_ADDRESS, IDC_USB_WARN_ENDPOINT};

struct PacketDialogState {
    UsbPacketRequest* request = nullptr;
} packetState;

gen::UsbPid selectedPid(HWND dialog) {
    const int index = comboSelection(dialog, IDC_USB_PID);
    return static_cast<gen::UsbPid>(index < 0 ? 0 : index);
}

void enableFields(HWND dialog, const gen::UsbFieldUse& use) {
    const bool enabled[] = {use.frameNumber, use.address, use.endpoint, use.data};
    for (int i = 0; i < 4; ++i) EnableWindow(GetDlgItem(dialog, fieldEdits[i]), enabled[i]);
}

LRESULT onPacketInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    packetState.request = reinterpret_cast<UsbPacketRequest*>(lParam);
    const gen::UsbCells& cells = packetState.request->cells;
    for (int i = 0; i < gen::usbPidCount; ++i)
        addComboItem(dialog, IDC_USB_PID, fromAnsi(std::string(gen::usbPidName(static_cast<gen::UsbPid>(i)))), i);
    for (int edit : {IDC_USB_FRAME, IDC_USB_ADDRESS, IDC_USB_ENDPOINT})
        SendDlgItemMessageW(dialog, edit, EM_LIMITTEXT, gen::usbFieldLength, 0);
    SendDlgItemMessageW(dialog, IDC_USB_DATA, EM_LIMITTEXT, gen::usbDataLength, 0);
    HICON warning = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WARNING));
    for (int icon : warningIcons) SendDlgItemMessageW(dialog, icon, STM_SETICON, reinterpret_cast<WPARAM>(warning), 0);
    if (HWND owner = GetWindow(dialog, GW_OWNER)) centreWindow(dialog, owner);
    if (!packetState.request->modify) {
        selectComboIndex(dialog, IDC_USB_PID, 0);
        enableFields(dialog, gen::usbFieldUse(gen::UsbPid::Sof));
        return TRUE;
    }
    const gen::UsbPacketFields f = gen::usbFieldsOfCells(cells);
    selectComboIndex(dialog, IDC_USB_PID, static_cast<int>(f.pid));
    const std::string* texts[] = {&f.frameNumber, &f.address, &f.endpoint, &f.data};
    for (int i = 0; i < 4; ++i) {
        setFieldText(dialog, fieldEdits[i], fromAnsi(*texts[i]));
        EnableWindow(GetDlgItem(dialog, fieldEdits[i]), !texts[i]->empty());
    }
    return TRUE;
}

LRESULT onPidChange(HWND dialog, const Command&) {
    for (int edit : fieldEdits) setFieldText(dialog, edit, std::wstring());
    enableFields(dialog, gen::usbFieldUse(selectedPid(dialog)));
    showControls(dialog, {IDC_USB_WARN_FRAME, IDC_USB_WARN_ADDRESS, IDC_USB_WARN_ENDPOINT}, false);
    return TRUE;
}

LRESULT onPacketSample(HWND dialog, const Command&) {
    const gen::UsbPacketFields f = gen::usbSampleFields(selectedPid(dialog));
    const std::string* texts[] = {&f.frameNumber, &f.address, &f.endpoint, &f.data};
    for (int i = 0; i < 4; ++i)
        if (IsWindowEnabled(GetDlgItem(dialog, fieldEdits[i])))
            setFieldText(dialog, fieldEdits[i], fromAnsi(*texts[i]));
    return TRUE;
}

LRESULT onPacketOk(HWND dialog, const Command&) {
    gen::UsbPacketFields f;
    f.pid = selectedPid(dialog);
    std::string* texts[] = {&f.frameNumber, &f.address, &f.endpoint, &f.data};
    for (int i = 0; i < 4; ++i) *texts[i] = toAnsi(fieldText(dialog, fieldEdits[i]));
    gen::UsbCells cells;
    gen::UsbMissingFields missing;
    if (const Msg error = gen::usbPacketCells(f, cells, &missing); error != Msg::None) {
        const bool shown[] = {missing.frameNumber, missing.address, missing.endpoint};
        for (int i = 0; i < 3; ++i) ShowWindow(GetDlgItem(dialog, warningIcons[i]), shown[i] ? SW_SHOW : SW_HIDE);
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    UsbPacketRequest& request = *packetState.request;
    if (request.modify) { // Modify rewrites the PID and field cells; SYNC and EOP stay as they were
        cells[gen::UsbSync] = request.cells[gen::UsbSync];
        cells[gen::UsbEop] = request.cells[gen::UsbEop];
    }
    request.cells = cells;
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry packetMessages[] = {
    {WM_INITDIALOG, onPacketInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
};
constexpr CommandEntry packetCommands[] = {
    {IDOK, onPacketOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
    {IDC_USB_SAMPLE, onPacketSample, BN_CLICKED},
    {IDC_USB_PID, onPidChange, CBN_SELCHANGE},
};
constexpr MessageTable packetTable{.messages = packetMessages, .commands = packetCommands};

} // namespace

const DialogDefinition usbPacketDialog{IDD_USB_PACKET, dialogProcedure<packetTable>};

} // namespace qv::win
