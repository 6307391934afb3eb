// The CAN dialog moves its frame fields into core (readCanFields, canAddLines, canFrameCrc) and its
// list through the shared list editor; Run hands the list lines to runCan on the output thread.
// Run disables only the Run button; Stop and a run that ended without output enable it again.
#include "generators/can_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "app/window_prompt.h"
#include "generators/can.h"
#include "generators/generator_dialog.h"
#include "generators/list_editor.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>

namespace qv::win {
namespace {

constexpr int canHelpContext = 117;
constexpr QuestionIcon crcQuestionIcon[] = {{Msg::CanCrcErrorQuestion, MB_ICONERROR}};

int dataField(int index) { return IDC_CAN_D1 + index; }

const ListControls& listControls() {
    static const ListControls controls{IDC_CAN_LIST,   IDC_GEN_ADD,       IDC_GEN_INSERT,       IDC_GEN_MODIFY,
                                       IDC_GEN_DELETE, IDC_GEN_LIST_FILE, gen::canLineContinues};
    return controls;
}

// The unit chosen last stays in effect while the program runs.
RateUnit& rateUnit() {
    static RateUnit unit = RateUnit::Kbps;
    return unit;
}

struct CanTool {
    HWND dialog = nullptr;
    gen::CanIdFormat format = gen::CanIdFormat::Bits11;
    gen::CanFrameKind kind = gen::CanFrameKind::Data;
    std::shared_ptr<gen::CanRunResult> result;
    gen::CanSettings lastRun;
};
std::unique_ptr<CanTool> tool;

std::mt19937 timeSeeded() {
    return std::mt19937(
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
}

std::string text(HWND dialog, int control) { return toAnsi(fieldText(dialog, control)); }

std::string hex(unsigned value, const char* format = "%X") {
    char out[16];
    std::snprintf(out, sizeof out, format, value);
    return out;
}

gen::CanFieldTexts fieldTexts(HWND dialog) {
    gen::CanFieldTexts t;
    t.format = tool->format;
    t.kind = tool->kind;
    t.id = text(dialog, IDC_CAN_ID);
    t.rtr = text(dialog, IDC_CAN_RTR);
    t.dlc = text(dialog, IDC_CAN_DLC);
    t.crc = text(dialog, IDC_CAN_CRC);
    t.crcDelimiter = text(dialog, IDC_CAN_CRC_DELIMITER);
    t.ack = text(dialog, IDC_CAN_ACK);
    t.interframeSpace = text(dialog, IDC_CAN_IS);
    for (int i = 0; i < gen::canMaxDataBytes; ++i) t.data[static_cast<std::size_t>(i)] = text(dialog, dataField(i));
    return t;
}

// A data frame enables D1 up to the DLC and clears and disables the others; a remote frame none.
void showDataFields(HWND dialog) {
    const int dlc = static_cast<int>(std::clamp<long long>(fieldInteger(dialog, IDC_CAN_DLC).value_or(0), 0, 8));
    for (int i = 0; i < gen::canMaxDataBytes; ++i) {
        const bool used = tool->kind == gen::CanFrameKind::Data && i < dlc;
        if (!used) setFieldText(dialog, dataField(i), std::wstring());
        EnableWindow(GetDlgItem(dialog, dataField(i)), used);
    }
}

void selectFormat(HWND dialog, gen::CanIdFormat format) {
    tool->format = format;
    setChecked(dialog, IDC_CAN_11BITS, format == gen::CanIdFormat::Bits11);
    setChecked(dialog, IDC_CAN_29BITS, format == gen::CanIdFormat::Bits29);
}

void selectKind(HWND dialog, gen::CanFrameKind kind) {
    tool->kind = kind;
    setChecked(dialog, IDC_CAN_DATA_FRAME, kind == gen::CanFrameKind::Data);
    setChecked(dialog, IDC_CAN_REMOTE_FRAME, kind == gen::CanFrameKind::Remote);
    EnableWindow(GetDlgItem(dialog, IDC_CAN_RANDOM_DATA), TRUE);
    showDataFields(dialog);
}

void showFrame(HWND dialog, const gen::CanFrame& f, bool withTail) {
    selectFormat(dialog, f.format);
    setFieldText(dialog, IDC_CAN_ID, hex(f.id));
    setFieldInteger(dialog, IDC_CAN_RTR, f.rtr);
    setFieldInteger(dialog, IDC_CAN_DLC, f.dlc);
    tool->kind = f.kind;
    selectKind(dialog, f.kind);
    if (f.kind == gen::CanFrameKind::Data)
        for (int i = 0; i < f.dlc; ++i)
            setFieldText(dialog, dataField(i), hex(f.data[static_cast<std::size_t>(i)], "%02x"));
    setFieldText(dialog, IDC_CAN_CRC, hex(f.crc));
    if (!withTail) return;
    setFieldInteger(dialog, IDC_CAN_CRC_DELIMITER, f.crcDelimiter);
    setFieldInteger(dialog, IDC_CAN_ACK, f.ack);
    setFieldInteger(dialog, IDC_CAN_IS, static_cast<long long>(f.interframeSpace));
}

void showChannels(HWND dialog, int high) {
    setFieldInteger(dialog, IDC_CAN_HIGH, high);
    setFieldInteger(dialog, IDC_CAN_LOW, high + 1);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<CanTool>();
    tool->dialog = dialog;
    initGenerator(dialog);
    showControls(dialog, {IDC_CAN_BIT_STUFFING}, false); // stuffing is always applied
    for (int i = 0; i < gen::canMaxDataBytes; ++i) SendDlgItemMessageW(dialog, dataField(i), EM_LIMITTEXT, 2, 0);
    gen::CanFrame f;
    f.crc = gen::canFrameCrc(f);
    showFrame(dialog, f, true);
    const gen::CanSettings s;
    showChannels(dialog, s.highChannel);
    showRate(dialog, rateFieldText(s.rateBitsPerSecond, rateUnit()), rateUnit());
    setChecked(dialog, IDC_GEN_REPEAT, s.repeat);
    updateListButtons(dialog, listControls());
    return TRUE;
}

// ---- frame fields --------------------------------------------------------------------------------

LRESULT onFormat(HWND dialog, const Command& command) {
    selectFormat(dialog, command.id == IDC_CAN_11BITS ? gen::CanIdFormat::Bits11 : gen::CanIdFormat::Bits29);
    return TRUE;
}

LRESULT onKind(HWND dialog, const Command& command) {
    const bool remote = command.id == IDC_CAN_REMOTE_FRAME;
    setFieldInteger(dialog, IDC_CAN_RTR, remote ? 1 : 0);
    selectKind(dialog, remote ? gen::CanFrameKind::Remote : gen::CanFrameKind::Data);
    return TRUE;
}

LRESULT onCheckId(HWND dialog, const Command&) {
    std::string id = text(dialog, IDC_CAN_ID);
    const Msg answer = gen::checkCanIdText(id, tool->format);
    setFieldText(dialog, IDC_CAN_ID, id);
    messageBox(dialog, answer, answer == Msg::CanIdOk ? MB_OK : MB_ICONERROR | MB_OK);
    return TRUE;
}

LRESULT onRandomId(HWND dialog, const Command&) {
    std::mt19937 random = timeSeeded();
    setFieldText(dialog, IDC_CAN_ID, hex(gen::canRandomId(tool->format, random)));
    return TRUE;
}

LRESULT onRandomData(HWND dialog, const Command&) {
    std::mt19937 random = timeSeeded();
    const int dlc = gen::canRandomDlc(random);
    setFieldInteger(dialog, IDC_CAN_DLC, dlc);
    showDataFields(dialog);
    if (tool->kind == gen::CanFrameKind::Data)
        for (int i = 0; i < dlc; ++i) setFieldText(dialog, dataField(i), hex(gen::canRandomByte(random), "%02x"));
    return TRUE;
}

LRESULT onRandomSpace(HWND dialog, const Command&) {
    std::mt19937 random = timeSeeded();
    setFieldInteger(dialog, IDC_CAN_IS, gen::canRandomInterframeSpace(random));
    return TRUE;
}

LRESULT onCalcCrc(HWND dialog, const Command&) {
    gen::CanFieldTexts t = fieldTexts(dialog);
    t.crc.assign(1, '0'); // the CRC field is what is computed
    gen::CanFrame f;
    if (const Msg error = gen::readCanFields(t, f); error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    if (!gen::canIdFits(f.id, f.format)) {
        messageBox(dialog, Msg::CanIdTooBig, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    setFieldText(dialog, IDC_CAN_CRC, hex(gen::canFrameCrc(f)));
    return TRUE;
}

LRESULT onDlcChange(HWND dialog, const Command&) {
    if (tool) showDataFields(dialog);
    return TRUE;
}

LRESULT onHighChange(HWND dialog, const Command&) {
    if (const auto high = fieldInteger(dialog, IDC_CAN_HIGH); tool && high && *high < 1000)
        setFieldInteger(dialog, IDC_CAN_LOW, *high + 1);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    switch (header.idFrom) {
    case IDC_CAN_DLC_SPIN:
        stepSpinField(dialog, IDC_CAN_DLC, delta, 0, gen::canMaxDataBytes, SpinEnds::Clamp);
        showDataFields(dialog);
        break;
    case IDC_CAN_CHANNEL_SPIN:
        showChannels(dialog,
                     static_cast<int>(stepSpinField(dialog, IDC_CAN_HIGH, delta, 0,
                                                    gen::canHighestHighChannel(app().caps.modelCode), SpinEnds::Wrap)));
        break;
    default: stepRate(dialog, rateUnit(), delta > 0); break;
    }
    return setDialogResult(dialog, TRUE);
}

LRESULT onRateUnit(HWND dialog, const Command&) {
    rateUnit() = cycleRateUnit(dialog, rateUnit());
    return TRUE;
}

// ---- the list ------------------------------------------------------------------------------------

LRESULT onPlace(HWND dialog, const Command& command) {
    gen::CanFrame f;
    if (const Msg error = gen::readCanFields(fieldTexts(dialog), f); error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    WindowPrompt prompt(dialog, MB_ICONERROR, MB_ICONQUESTION, crcQuestionIcon);
    const std::vector<std::string> entry = gen::canAddLines(f, prompt);
    if (entry.empty()) return TRUE;
    const gen::ListPlacement placement = command.id == IDC_GEN_INSERT ? gen::ListPlacement::Insert
        : command.id == IDC_GEN_MODIFY                                ? gen::ListPlacement::Modify
                                                                      : gen::ListPlacement::Add;
    placeListEntry(dialog, listControls(), entry, placement);
    return TRUE;
}

LRESULT onDelete(HWND dialog, const Command&) {
    deleteListEntry(dialog, listControls());
    return TRUE;
}

// Selecting a line loads its frame back into the fields.
LRESULT onListSelect(HWND dialog, const Command&) {
    updateListButtons(dialog, listControls());
    const std::vector<std::string> entry = selectedEntry(dialog, listControls());
    gen::CanUnit unit;
    if (!entry.empty() && gen::readCanLine(entry.front(), unit) == Msg::None && !unit.errorFrame)
        showFrame(dialog, unit.frame, unit.hasInterframeSpace);
    return TRUE;
}

LRESULT onExport(HWND dialog, const Command&) {
    exportList(dialog, listControls());
    return TRUE;
}

LRESULT onImport(HWND dialog, const Command&) {
    importList(dialog, listControls(), [](const std::vector<std::string>& lines) {
        std::vector<gen::CanUnit> units;
        return gen::readCanList(lines, units);
    });
    return TRUE;
}

// ---- run -----------------------------------------------------------------------------------------

gen::CanSettings readSettings(HWND dialog) {
    gen::CanSettings s;
    const auto high = fieldInteger(dialog, IDC_CAN_HIGH);
    s.highChannel = high && *high >= 0 && *high < 1000 ? static_cast<int>(*high) : -1;
    s.rateBitsPerSecond = rateOf(dialog, rateUnit());
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

LRESULT onRun(HWND dialog, const Command&) {
    startRunResting(dialog, true, [&]() -> GeneratorWork {
        const gen::CanSettings settings = readSettings(dialog);
        const std::vector<std::string> lines = listLines(dialog, listControls());
        auto result = std::make_shared<gen::CanRunResult>();
        tool->result = result;
        tool->lastRun = settings;
        return [settings, lines, result](OutputPorts& ports) {
            *result = gen::runCan(ports, settings, lines, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        };
    });
    return TRUE;
}

LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::CanRunResult& result = *tool->result;
    if (result.outcome.result == OutputResult::Running && result.outcome.clockHz != gen::canSampleClock(tool->lastRun))
        setFieldText(dialog, IDC_GEN_RATE, rateFieldText(result.rateBitsPerSecond, rateUnit()));
    if (runsOn) return TRUE;
    stopRunResting(dialog);
    if (result.outcome.error == Msg::ErrorChannelSetting) SetFocus(GetDlgItem(dialog, IDC_CAN_HIGH));
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
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_CAN_11BITS, onFormat, BN_CLICKED},
    {IDC_CAN_29BITS, onFormat, BN_CLICKED},
    {IDC_CAN_CHECK_ID, onCheckId, BN_CLICKED},
    {IDC_CAN_DATA_FRAME, onKind, BN_CLICKED},
    {IDC_CAN_REMOTE_FRAME, onKind, BN_CLICKED},
    {IDC_CAN_RANDOM_DATA, onRandomData, BN_CLICKED},
    {IDC_CAN_RANDOM_IS, onRandomSpace, BN_CLICKED},
    {IDC_CAN_CALC_CRC, onCalcCrc, BN_CLICKED},
    {IDC_GEN_RATE_UNIT, onRateUnit, BN_CLICKED},
    {IDC_CAN_HIGH, onHighChange, EN_CHANGE},
    {IDC_CAN_DLC, onDlcChange, EN_CHANGE},
    {IDC_GEN_ADD, onPlace, BN_CLICKED},
    {IDC_GEN_INSERT, onPlace, BN_CLICKED},
    {IDC_GEN_MODIFY, onPlace, BN_CLICKED},
    {IDC_GEN_DELETE, onDelete, BN_CLICKED},
    {IDC_CAN_LIST, onListSelect, LBN_SELCHANGE},
    {IDC_GEN_EXPORT, onExport, BN_CLICKED},
    {IDC_GEN_IMPORT, onImport, BN_CLICKED},
    {IDC_GEN_RUN, onRun, BN_CLICKED},
    {IDC_GEN_STOP, onStop, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<canHelpTopic, canHelpContext>, BN_CLICKED},
    {IDC_GEN_EXIT, postClose, BN_CLICKED},
    {IDC_CAN_RANDOM_ID, onRandomId, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_CAN_DLC_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_GEN_RATE_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_CAN_CHANNEL_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openCanTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_CAN, dialogProcedure<table>}, parameter);
}

HWND canToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
