// The USB dialog keeps the packet list in its list view only, through the shared list editor (a
// row is a list line of nine cells, split and joined by core), edited through the packet menu and
// Edit Packet (usb_packet_dialog.cpp); Run hands the lines to runUsb on the output thread.
#include "generators/usb_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/startup.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/generator_dialog.h"
#include "generators/list_editor.h"
#include "generators/text_transfer.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>
#include <windowsx.h>

#include <fstream>
#include <memory>

namespace qv::win {
namespace {

constexpr char usbHelpTopic[] = "::/3-52.htm";
constexpr int usbHelpContext = 118;
constexpr char sampleFileName[] = "UsbDemo.txt";
constexpr Msg unitCaptions[] = {Msg::FrequencyUnitMHz, Msg::FrequencyUnitKHz, Msg::FrequencyUnitHz};

std::function<bool(HWND, UsbPacketRequest&)>& packetEditor() {
    static std::function<bool(HWND, UsbPacketRequest&)> editor;
    return editor;
}
std::function<int(HMENU)>& menuTracker() {
    static std::function<int(HMENU)> tracker;
    return tracker;
}

const ListControls& listControls() {
    static const ListControls controls{
        IDC_USB_LIST, 0, 0, 0, 0, 0, gen::usbLineContinues, gen::usbColumnCount, [](std::string_view line) {
            const auto cells = gen::usbCellsOfLine(line);
            return cells ? std::vector<std::string>(cells->begin(), cells->end())
                         : std::vector<std::string>{std::string(line)};
        }};
    return controls;
}

struct UsbTool {
    HWND dialog = nullptr;
    RateUnit unit = RateUnit::Mbps;
    std::shared_ptr<gen::UsbRunResult> result;
    gen::UsbSettings lastRun;
};
std::unique_ptr<UsbTool> tool;

bool editPacket(HWND dialog, UsbPacketRequest& request) {
    if (packetEditor()) return packetEditor()(dialog, request);
    return dialogBoxInLanguage(dialog, usbPacketDialog, reinterpret_cast<LPARAM>(&request)) == IDOK;
}

// ---- the packet list ----------------------------------------------------------------------------

void setupList(HWND dialog) {
    setUpListColumns(dialog, listControls(),
                     {{Msg::UsbColumnSync, 50},
                      {Msg::UsbColumnPid, 60},
                      {Msg::UsbColumnFrameNumber, 120},
                      {Msg::UsbColumnAddress, 80},
                      {Msg::UsbColumnEndpoint, 80},
                      {Msg::UsbColumnCrc5, 50},
                      {Msg::UsbColumnData, 2500},
                      {Msg::UsbColumnCrc16, 80},
                      {Msg::UsbColumnEop, 50}});
}

gen::UsbCells selectedCells(HWND dialog) {
    const std::vector<std::string> entry = selectedEntry(dialog, listControls());
    return entry.empty() ? gen::UsbCells{} : gen::usbCellsOfLine(entry.front()).value_or(gen::UsbCells{});
}

void placePacket(HWND dialog, gen::ListPlacement placement) {
    UsbPacketRequest request;
    request.modify = placement == gen::ListPlacement::Modify;
    if (request.modify) request.cells = selectedCells(dialog);
    if (!editPacket(dialog, request)) return;
    placeListEntry(dialog, listControls(), {gen::usbLineOfCells(request.cells)}, placement);
}

LRESULT onAdd(HWND dialog, const Command&) {
    placePacket(dialog, gen::ListPlacement::Add);
    return TRUE;
}

LRESULT onInsert(HWND dialog, const Command&) {
    if (listSelection(dialog, listControls()) >= 0) placePacket(dialog, gen::ListPlacement::InsertAfter);
    return TRUE;
}

LRESULT onModify(HWND dialog, const Command&) {
    if (listSelection(dialog, listControls()) >= 0) placePacket(dialog, gen::ListPlacement::Modify);
    return TRUE;
}

LRESULT onDelete(HWND dialog, const Command&) {
    deleteListEntry(dialog, listControls());
    return TRUE;
}

LRESULT onDeleteAll(HWND dialog, const Command&) {
    setListLines(dialog, listControls(), {});
    return TRUE;
}

gen::ListProblem readList(const std::vector<std::string>& lines) {
    std::vector<gen::UsbUnit> units;
    return gen::readUsbList(lines, units);
}

LRESULT onExport(HWND dialog, const Command&) {
    exportList(dialog, listControls());
    return TRUE;
}

LRESULT onImport(HWND dialog, const Command&) {
    importList(dialog, listControls(), readList);
    return TRUE;
}

// Sample: the built-in list written as UsbDemo.txt beside the program, then read back as Import
// reads a file.
LRESULT onSample(HWND dialog, const Command&) {
    const std::string module = moduleFileName(nullptr);
    const std::string path = module.substr(0, module.find_last_of("\\/") + 1) + sampleFileName;
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << gen::usbSampleText();
    }
    std::string text;
    if (gen::importText(path, text) != Msg::None) {
        messageBox(dialog, Msg::CantOpenFile, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    const std::vector<std::string> lines = gen::splitListText(text);
    if (readList(lines).line > 0) {
        messageBox(dialog, Msg::CantOpenFile, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    setListLines(dialog, listControls(), lines);
    return TRUE;
}

// A right click below the list's header: the packet menu for the selection; afterwards no row is
// selected.
LRESULT onContextMenu(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    HWND list = GetDlgItem(dialog, IDC_USB_LIST);
    if (reinterpret_cast<HWND>(wParam) != list) return FALSE;
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT header{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
    if (lParam != -1 && at.y < header.bottom) return TRUE;
    if (lParam == -1) GetWindowRect(list, &header), at = {header.left, header.bottom};
    const bool selected = listSelection(dialog, listControls()) >= 0;
    static constexpr int withoutSelection[] = {ID_USB_ADD, ID_USB_SAMPLE, 0, ID_USB_IMPORT};
    static constexpr int withSelection[] = {
        ID_USB_ADD, ID_USB_DELETE, ID_USB_INSERT, ID_USB_MODIFY, ID_USB_SAMPLE, ID_USB_DELETE_ALL,
        0,          ID_USB_EXPORT, ID_USB_IMPORT};
    HMENU menu = CreatePopupMenu();
    const std::span<const int> items =
        selected ? std::span<const int>(withSelection) : std::span<const int>(withoutSelection);
    for (int id : items) {
        if (id == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), loadString(static_cast<Msg>(id)).c_str());
    }
    const int command = menuTracker()
        ? menuTracker()(menu)
        : static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, dialog, nullptr));
    DestroyMenu(menu);
    if (command != 0) SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    selectListLine(dialog, listControls(), -1);
    return TRUE;
}

// ---- settings and run -----------------------------------------------------------------------------

void showDMinus(HWND dialog) {
    const auto channel = fieldInteger(dialog, IDC_USB_CHANNEL);
    setFieldText(dialog, IDC_USB_DMINUS, channel ? std::to_wstring(*channel + 1) : std::wstring());
}

LRESULT onChannelChange(HWND dialog, const Command&) {
    showDMinus(dialog);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    if (header.idFrom == IDC_USB_CHANNEL_SPIN)
        stepSpinField(dialog, IDC_USB_CHANNEL, delta, 0, app().caps.channelCount - 2, SpinEnds::Wrap);
    else
        stepRate(dialog, tool->unit, delta > 0);
    return setDialogResult(dialog, TRUE);
}

LRESULT onRateUnit(HWND dialog, const Command&) {
    tool->unit = nextRateUnit(tool->unit);
    setFieldText(dialog, IDC_GEN_RATE_UNIT, unitCaptions[static_cast<int>(tool->unit)]);
    return TRUE;
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<UsbTool>();
    tool->dialog = dialog;
    initGenerator(dialog);
    setupList(dialog);
    const gen::UsbSettings s;
    setFieldInteger(dialog, IDC_USB_CHANNEL, s.channel);
    showDMinus(dialog);
    setFieldText(dialog, IDC_GEN_RATE, rateFieldText(s.rateBitsPerSecond, tool->unit));
    setFieldText(dialog, IDC_GEN_RATE_UNIT, unitCaptions[static_cast<int>(tool->unit)]);
    setChecked(dialog, IDC_GEN_REPEAT, s.repeat);
    return TRUE;
}

gen::UsbSettings readSettings(HWND dialog) {
    gen::UsbSettings s;
    const auto channel = fieldInteger(dialog, IDC_USB_CHANNEL);
    s.channel = channel && *channel >= 0 && *channel < 1000 ? static_cast<int>(*channel) : -1;
    s.rateBitsPerSecond = rateOf(dialog, tool->unit);
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

LRESULT onRun(HWND dialog, const Command&) {
    startRunResting(dialog, true, [&]() -> GeneratorWork {
        const gen::UsbSettings settings = readSettings(dialog);
        const std::vector<std::string> lines = listLines(dialog, listControls());
        auto result = std::make_shared<gen::UsbRunResult>();
        tool->result = result;
        tool->lastRun = settings;
        return [settings, lines, result](OutputPorts& ports) {
            *result = gen::runUsb(ports, settings, lines, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        };
    });
    return TRUE;
}

LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::UsbRunResult& result = *tool->result;
    if (result.outcome.result == OutputResult::Running && result.outcome.clockHz != gen::usbSampleClock(tool->lastRun))
        setFieldText(dialog, IDC_GEN_RATE, rateFieldText(result.rateBitsPerSecond, tool->unit));
    if (runsOn) return TRUE;
    stopRunResting(dialog);
    if (result.outcome.error == Msg::ErrorChannelSetting) SetFocus(GetDlgItem(dialog, IDC_USB_CHANNEL));
    if (result.outcome.error == Msg::RateOutOfRange) SetFocus(GetDlgItem(dialog, IDC_GEN_RATE));
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
};
constexpr CommandEntry commands[] = {
    {ID_USB_ADD, onAdd},
    {ID_USB_DELETE, onDelete},
    {ID_USB_INSERT, onInsert},
    {ID_USB_MODIFY, onModify},
    {ID_USB_EXPORT, onExport},
    {ID_USB_IMPORT, onImport},
    {ID_USB_SAMPLE, onSample},
    {ID_USB_DELETE_ALL, onDeleteAll},
    {IDC_USB_CHANNEL, onChannelChange, EN_CHANGE},
    {IDC_GEN_RATE_UNIT, onRateUnit, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<usbHelpTopic, usbHelpContext>, BN_CLICKED},
    {IDC_GEN_RUN, onRun, BN_CLICKED},
    {IDC_GEN_STOP, onStop, BN_CLICKED},
    {IDC_GEN_EXIT, postClose, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_USB_CHANNEL_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_USB_RATE_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openUsbTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_USB, dialogProcedure<table>}, parameter);
}

HWND usbToolWindow() { return tool ? tool->dialog : nullptr; }

void setUsbPacketEditor(std::function<bool(HWND, UsbPacketRequest&)> editor) { packetEditor() = std::move(editor); }
void setUsbMenuTracker(std::function<int(HMENU)> tracker) { menuTracker() = std::move(tracker); }

} // namespace qv::win
