// The LIN dialog moves its fields into core (readLinFields, linCalculate, linChecksum and the line
// writers) and its list through the shared list editor; Run hands the list lines to runLin on the
// output thread with a seed from the time. The data edit and its Random button wait for
// "Calculate P0, P1, NDATA"; a change of the break, delimiter or identifier asks for it again
// (Add calculates by itself when it was not).
#include "generators/lin_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/generator_dialog.h"
#include "generators/lin.h"
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

constexpr int linHelpContext = 116;
constexpr int kindButtons[] = {IDC_LIN_MESSAGE, IDC_LIN_WAKE_UP, IDC_LIN_SLEEP}; // LinEntryKind order
constexpr int messageFields[] = {IDC_LIN_BREAK,    IDC_LIN_DELIMITER, IDC_LIN_ID,
                                 IDC_LIN_ID_SPIN,  IDC_LIN_CALCULATE, IDC_LIN_CLASSIC,
                                 IDC_LIN_ENHANCED, IDC_LIN_CHECKSUM,  IDC_LIN_CALC_CHECKSUM};

const ListControls& listControls() {
    static const ListControls controls{IDC_LIN_LIST,   IDC_GEN_ADD,       IDC_GEN_INSERT,       IDC_GEN_MODIFY,
                                       IDC_GEN_DELETE, IDC_GEN_LIST_FILE, gen::linLineContinues};
    return controls;
}

RateUnit& rateUnit() { // the unit chosen last stays in effect while the program runs
    static RateUnit unit = RateUnit::Bps;
    return unit;
}

struct LinTool {
    HWND dialog = nullptr;
    gen::LinEntryKind kind = gen::LinEntryKind::Message;
    gen::LinChecksumModel model = gen::LinChecksumModel::Classic;
    bool calculated = false;
    bool settingFields = false; // the tool's own field changes keep the calculation
    std::shared_ptr<gen::LinRunResult> result;
    gen::LinSettings lastRun;
};
std::unique_ptr<LinTool> tool;

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

void enableEntryFields(HWND dialog) {
    const bool message = tool->kind == gen::LinEntryKind::Message;
    for (int control : messageFields) EnableWindow(GetDlgItem(dialog, control), message);
    enableControls(dialog, {IDC_LIN_DATA, IDC_LIN_RANDOM_DATA}, message && tool->calculated);
    enableControls(dialog, {IDC_LIN_WAKE_UP_DELIMITER, IDC_LIN_RANDOM_DELIMITER},
                   tool->kind == gen::LinEntryKind::WakeUp);
}

void selectKind(HWND dialog, gen::LinEntryKind kind) {
    tool->kind = kind;
    for (int i = 0; i < 3; ++i) setChecked(dialog, kindButtons[i], i == static_cast<int>(kind));
    enableEntryFields(dialog);
}

void selectModel(HWND dialog, gen::LinChecksumModel model) {
    tool->model = model;
    setChecked(dialog, IDC_LIN_CLASSIC, model == gen::LinChecksumModel::Classic);
    setChecked(dialog, IDC_LIN_ENHANCED, model == gen::LinChecksumModel::Enhanced);
}

gen::LinFieldTexts fieldTexts(HWND dialog) {
    return {text(dialog, IDC_LIN_BREAK), text(dialog, IDC_LIN_DELIMITER), text(dialog, IDC_LIN_ID),
            text(dialog, IDC_LIN_DATA), text(dialog, IDC_LIN_CHECKSUM)};
}

void showCalculation(HWND dialog, const gen::LinMessage& m) {
    tool->settingFields = true;
    setFieldInteger(dialog, IDC_LIN_BREAK, m.breakBits);
    setFieldInteger(dialog, IDC_LIN_DELIMITER, m.delimiterBits);
    setFieldText(dialog, IDC_LIN_ID, hex(m.id));
    setFieldInteger(dialog, IDC_LIN_P0, m.p0);
    setFieldInteger(dialog, IDC_LIN_P1, m.p1);
    setFieldInteger(dialog, IDC_LIN_NDATA, m.ndata);
    tool->settingFields = false;
    tool->calculated = true;
    enableEntryFields(dialog);
}

// "Calculate P0, P1, NDATA" over the fields; false (message shown) when they cannot be.
bool calculate(HWND dialog, gen::LinMessage& m) {
    gen::LinFieldTexts t = fieldTexts(dialog);
    t.data.clear(); // the data is read at Add
    if (const Msg error = gen::readLinFields(t, m); error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return false;
    }
    const Msg error = gen::linCalculate(m);
    if (m.breakBits != fieldInteger(dialog, IDC_LIN_BREAK) ||
        m.delimiterBits != fieldInteger(dialog, IDC_LIN_DELIMITER)) {
        tool->settingFields = true;
        setFieldInteger(dialog, IDC_LIN_BREAK, m.breakBits);
        setFieldInteger(dialog, IDC_LIN_DELIMITER, m.delimiterBits);
        tool->settingFields = false;
    }
    if (error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return false;
    }
    showCalculation(dialog, m);
    return true;
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<LinTool>();
    tool->dialog = dialog;
    initGenerator(dialog);
    const gen::LinMessage m;
    tool->settingFields = true;
    setFieldInteger(dialog, IDC_LIN_BREAK, m.breakBits);
    setFieldInteger(dialog, IDC_LIN_DELIMITER, m.delimiterBits);
    setFieldText(dialog, IDC_LIN_ID, hex(m.id));
    setFieldInteger(dialog, IDC_LIN_WAKE_UP_DELIMITER, 4);
    const gen::LinSettings s;
    setFieldInteger(dialog, IDC_LIN_CHANNEL, s.channel);
    tool->settingFields = false;
    showRate(dialog, rateFieldText(s.rateBitsPerSecond, rateUnit()), rateUnit());
    setChecked(dialog, IDC_GEN_REPEAT, s.repeat);
    selectModel(dialog, gen::LinChecksumModel::Classic);
    selectKind(dialog, gen::LinEntryKind::Message);
    updateListButtons(dialog, listControls());
    return TRUE;
}

// ---- entry fields --------------------------------------------------------------------------------

LRESULT onKind(HWND dialog, const Command& command) {
    for (int i = 0; i < 3; ++i)
        if (command.id == kindButtons[i]) selectKind(dialog, static_cast<gen::LinEntryKind>(i));
    return TRUE;
}

LRESULT onModel(HWND dialog, const Command& command) {
    selectModel(dialog,
                command.id == IDC_LIN_CLASSIC ? gen::LinChecksumModel::Classic : gen::LinChecksumModel::Enhanced);
    return TRUE;
}

LRESULT onCalculate(HWND dialog, const Command&) {
    gen::LinMessage m;
    calculate(dialog, m);
    return TRUE;
}

// A changed break, delimiter or identifier needs the calculation again.
LRESULT onHeaderChange(HWND dialog, const Command&) {
    if (!tool || tool->settingFields || !tool->calculated) return TRUE;
    tool->calculated = false;
    for (int control : {IDC_LIN_P0, IDC_LIN_P1, IDC_LIN_NDATA}) setFieldText(dialog, control, std::wstring());
    enableEntryFields(dialog);
    return TRUE;
}

LRESULT onRandomData(HWND dialog, const Command&) {
    std::mt19937 random = timeSeeded();
    const int ndata = static_cast<int>(fieldInteger(dialog, IDC_LIN_NDATA).value_or(2));
    setFieldText(dialog, IDC_LIN_DATA, gen::linRandomData(ndata, random));
    return TRUE;
}

LRESULT onRandomDelimiter(HWND dialog, const Command&) {
    std::mt19937 random = timeSeeded();
    setFieldInteger(dialog, IDC_LIN_WAKE_UP_DELIMITER, gen::linRandomWakeUpDelimiter(random));
    return TRUE;
}

LRESULT onCalcChecksum(HWND dialog, const Command&) {
    gen::LinMessage m;
    if (!tool->calculated && !calculate(dialog, m)) return TRUE;
    gen::LinFieldTexts t = fieldTexts(dialog);
    t.checksum.assign(1, '0'); // the field is what is computed
    if (const Msg error = gen::readLinFields(t, m); error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    if (m.data.empty()) return TRUE; // no data: nothing to compute
    m.p0 = static_cast<int>(fieldInteger(dialog, IDC_LIN_P0).value_or(0));
    m.p1 = static_cast<int>(fieldInteger(dialog, IDC_LIN_P1).value_or(0));
    m.ndata = static_cast<int>(fieldInteger(dialog, IDC_LIN_NDATA).value_or(0));
    setFieldText(dialog, IDC_LIN_CHECKSUM, hex(gen::linChecksum(m.data, m, tool->model), "%02X"));
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    switch (header.idFrom) {
    case IDC_LIN_ID_SPIN: stepSpinField(dialog, IDC_LIN_ID, delta, 0, gen::linMaxId, SpinEnds::Wrap, 16); break;
    case IDC_LIN_CHANNEL_SPIN:
        stepSpinField(dialog, IDC_LIN_CHANNEL, delta, 0, app().caps.channelCount - 1, SpinEnds::Wrap);
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

// The entry the fields describe; empty (message shown) when they cannot make one.
std::string entryLine(HWND dialog) {
    switch (tool->kind) {
    case gen::LinEntryKind::Sleep: return std::string(gen::linSleepLine());
    case gen::LinEntryKind::WakeUp: {
        const auto delimiter = fieldInteger(dialog, IDC_LIN_WAKE_UP_DELIMITER);
        if (!delimiter || *delimiter < 0 || *delimiter > 1000000) {
            messageBox(dialog, Msg::LinBitCountField, MB_ICONERROR | MB_OK);
            return {};
        }
        return gen::linWakeUpLine(static_cast<int>(*delimiter));
    }
    case gen::LinEntryKind::Message: break;
    }
    gen::LinMessage m;
    if (!tool->calculated && !calculate(dialog, m)) return {};
    if (const Msg error = gen::readLinFields(fieldTexts(dialog), m); error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return {};
    }
    m.p0 = static_cast<int>(fieldInteger(dialog, IDC_LIN_P0).value_or(0));
    m.p1 = static_cast<int>(fieldInteger(dialog, IDC_LIN_P1).value_or(0));
    m.ndata = static_cast<int>(fieldInteger(dialog, IDC_LIN_NDATA).value_or(0));
    return gen::linMessageLine(m);
}

LRESULT onPlace(HWND dialog, const Command& command) {
    const std::string line = entryLine(dialog);
    if (line.empty()) return TRUE;
    const gen::ListPlacement placement = command.id == IDC_GEN_INSERT ? gen::ListPlacement::Insert
        : command.id == IDC_GEN_MODIFY                                ? gen::ListPlacement::Modify
                                                                      : gen::ListPlacement::Add;
    placeListEntry(dialog, listControls(), {line}, placement);
    return TRUE;
}

LRESULT onDelete(HWND dialog, const Command&) {
    deleteListEntry(dialog, listControls());
    return TRUE;
}

// Selecting a line loads its values back, with the entry kind and the checksum model that gives
// its checksum.
LRESULT onListSelect(HWND dialog, const Command&) {
    updateListButtons(dialog, listControls());
    const std::vector<std::string> entry = selectedEntry(dialog, listControls());
    gen::LinUnit unit;
    if (entry.empty() || gen::readLinLine(entry.front(), unit) != Msg::None) return TRUE;
    if (unit.kind == gen::LinEntryKind::WakeUp)
        setFieldInteger(dialog, IDC_LIN_WAKE_UP_DELIMITER, static_cast<long long>(unit.delimiterBits));
    if (unit.kind == gen::LinEntryKind::Message) {
        gen::LinMessage m;
        m.breakBits = static_cast<int>(unit.breakBits);
        m.delimiterBits = static_cast<int>(unit.delimiterBits);
        m.id = unit.protectedId & gen::linMaxId;
        m.p0 = static_cast<int>((unit.protectedId >> 6) & 1);
        m.p1 = static_cast<int>((unit.protectedId >> 7) & 1);
        m.ndata =
            static_cast<int>(gen::decimalValue(gen::lineField(entry.front(), "NDATA").value_or(""), 64).value_or(2));
        showCalculation(dialog, m);
        std::string data;
        for (std::uint8_t b : unit.data) data += hex(b, "%02x") + ";\r\n";
        setFieldText(dialog, IDC_LIN_DATA, fromAnsi(data));
        setFieldText(dialog, IDC_LIN_CHECKSUM, unit.data.empty() ? std::string() : hex(unit.checksum, "%02X"));
        const bool enhanced = !unit.data.empty() &&
            gen::linChecksum(unit.data, m, gen::LinChecksumModel::Enhanced) == unit.checksum &&
            gen::linChecksum(unit.data, m, gen::LinChecksumModel::Classic) != unit.checksum;
        selectModel(dialog, enhanced ? gen::LinChecksumModel::Enhanced : gen::LinChecksumModel::Classic);
    }
    selectKind(dialog, unit.kind);
    return TRUE;
}

LRESULT onExport(HWND dialog, const Command&) {
    exportList(dialog, listControls());
    return TRUE;
}

LRESULT onImport(HWND dialog, const Command&) {
    importList(dialog, listControls(), [](const std::vector<std::string>& lines) {
        std::vector<gen::LinUnit> units;
        return gen::readLinList(lines, units);
    });
    return TRUE;
}

// ---- run -----------------------------------------------------------------------------------------

gen::LinSettings readSettings(HWND dialog) {
    gen::LinSettings s;
    const auto channel = fieldInteger(dialog, IDC_LIN_CHANNEL);
    s.channel = channel && *channel >= 0 && *channel < 1000 ? static_cast<int>(*channel) : -1;
    s.rateBitsPerSecond = rateOf(dialog, rateUnit());
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    s.seed = static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
    return s;
}

LRESULT onRun(HWND dialog, const Command&) {
    startRunResting(dialog, true, [&]() -> GeneratorWork {
        const gen::LinSettings settings = readSettings(dialog);
        const std::vector<std::string> lines = listLines(dialog, listControls());
        auto result = std::make_shared<gen::LinRunResult>();
        tool->result = result;
        tool->lastRun = settings;
        return [settings, lines, result](OutputPorts& ports) {
            *result = gen::runLin(ports, settings, lines, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        };
    });
    return TRUE;
}

LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::LinRunResult& result = *tool->result;
    if (result.outcome.result == OutputResult::Running && result.outcome.clockHz != gen::linSampleClock(tool->lastRun))
        setFieldText(dialog, IDC_GEN_RATE, rateFieldText(result.rateBitsPerSecond, rateUnit()));
    if (runsOn) return TRUE;
    stopRunResting(dialog);
    if (result.outcome.error == Msg::ErrorChannelSetting) SetFocus(GetDlgItem(dialog, IDC_LIN_CHANNEL));
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
    {IDC_LIN_BREAK, onHeaderChange, EN_CHANGE},
    {IDC_LIN_DELIMITER, onHeaderChange, EN_CHANGE},
    {IDC_LIN_ID, onHeaderChange, EN_CHANGE},
    {IDC_LIN_MESSAGE, onKind, BN_CLICKED},
    {IDC_LIN_WAKE_UP, onKind, BN_CLICKED},
    {IDC_LIN_SLEEP, onKind, BN_CLICKED},
    {IDC_LIN_CALC_CHECKSUM, onCalcChecksum, BN_CLICKED},
    {IDC_GEN_INSERT, onPlace, BN_CLICKED},
    {IDC_GEN_ADD, onPlace, BN_CLICKED},
    {IDC_GEN_MODIFY, onPlace, BN_CLICKED},
    {IDC_GEN_DELETE, onDelete, BN_CLICKED},
    {IDC_LIN_CALCULATE, onCalculate, BN_CLICKED},
    {IDC_GEN_RATE_UNIT, onRateUnit, BN_CLICKED},
    {IDC_LIN_RANDOM_DATA, onRandomData, BN_CLICKED},
    {IDC_LIN_RANDOM_DELIMITER, onRandomDelimiter, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<linHelpTopic, linHelpContext>, BN_CLICKED},
    {IDC_GEN_RUN, onRun, BN_CLICKED},
    {IDC_GEN_STOP, onStop, BN_CLICKED},
    {IDC_GEN_EXPORT, onExport, BN_CLICKED},
    {IDC_GEN_IMPORT, onImport, BN_CLICKED},
    {IDC_LIN_CLASSIC, onModel, BN_CLICKED},
    {IDC_LIN_ENHANCED, onModel, BN_CLICKED},
    {IDC_LIN_LIST, onListSelect, LBN_SELCHANGE},
    {IDC_GEN_EXIT, postClose, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_LIN_ID_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_LIN_RATE_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_LIN_CHANNEL_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openLinTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_LIN, dialogProcedure<table>}, parameter);
}

HWND linToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
