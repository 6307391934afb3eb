// Binary File to Waveform's dialog: defaults at every opening (only the start directory is kept,
// under the Bin2Wav key), the spins' limits, and Run's check (12040) before the output thread
// starts; the thread reads the file, asks, checks the clock and plays the passes.
#include "generators/binary_file_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/binary_file.h"
#include "generators/generator_dialog.h"
#include "resource.h"
#include "support/field_values.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <memory>
#include <optional>

namespace qv::win {
namespace {

constexpr int binaryHelpContext = 112;
constexpr Msg unitCaptions[] = {Msg::FrequencyUnitMHz, Msg::FrequencyUnitKHz, Msg::FrequencyUnitHz};
constexpr char defaultFrequencyText[] = "10";

struct BinaryTool {
    HWND dialog = nullptr;
    RateUnit unit = RateUnit::Mbps;
    std::shared_ptr<gen::BinaryFileRunResult> result;
    gen::BinaryFileSettings lastRun;
};
std::unique_ptr<BinaryTool> tool;

const std::string& binaryKey() { return app().keyPath(ModuleKey::Bin2Wav); }

void showUnit(HWND dialog) { setFieldText(dialog, IDC_GEN_RATE_UNIT, unitCaptions[static_cast<int>(tool->unit)]); }

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool->dialog = dialog;
    initGenerator(dialog);
    readStartPath(*placementStore(), binaryKey(), app().workDirectory, generatorStartPath());
    const gen::BinaryFileSettings defaults;
    setFieldInteger(dialog, IDC_BINARY_DATA_WIDTH, defaults.dataWidth);
    setFieldInteger(dialog, IDC_BINARY_OUTPUT_WIDTH, defaults.outputWidth);
    setFieldInteger(dialog, IDC_BINARY_START_CHANNEL, defaults.startChannel);
    setFieldText(dialog, IDC_GEN_RATE, std::string(defaultFrequencyText));
    showUnit(dialog);
    for (int spin :
         {IDC_BINARY_DATA_WIDTH_SPIN, IDC_BINARY_OUTPUT_WIDTH_SPIN, IDC_BINARY_CHANNEL_SPIN, IDC_GEN_RATE_SPIN})
        SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 2);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const long long delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    const int channels = app().caps.channelCount;
    switch (header.idFrom) {
    case IDC_BINARY_DATA_WIDTH_SPIN:
        stepSpinField(dialog, IDC_BINARY_DATA_WIDTH, delta, 1, gen::binaryMaxDataWidth(channels), SpinEnds::Clamp);
        break;
    case IDC_BINARY_OUTPUT_WIDTH_SPIN:
        stepSpinField(dialog, IDC_BINARY_OUTPUT_WIDTH, delta, 1, channels, SpinEnds::Clamp);
        break;
    case IDC_BINARY_CHANNEL_SPIN:
        stepSpinField(dialog, IDC_BINARY_START_CHANNEL, delta, 0, channels - 1, SpinEnds::Wrap);
        break;
    default: stepRate(dialog, tool->unit, delta > 0); break;
    }
    return setDialogResult(dialog, TRUE);
}

LRESULT onUnit(HWND dialog, const Command&) {
    tool->unit = nextRateUnit(tool->unit);
    showUnit(dialog);
    return TRUE;
}

LRESULT onBrowse(HWND dialog, const Command&) {
    std::string path;
    if (!chooseFile(dialog, Msg::SelectFileTitle, {{Msg::BinaryFilesFilter, "*.bin"}, {Msg::AllFilesFilter, "*.*"}},
                    "*.bin", path))
        return TRUE;
    setFieldText(dialog, IDC_BINARY_FILE, fromAnsi(path));
    return TRUE;
}

// A field that holds no whole number is named, never read as 0.
std::optional<gen::BinaryFileSettings> readSettings(HWND dialog) {
    gen::BinaryFileSettings s;
    struct Field {
        int control;
        Msg name;
        int* value;
    };
    const Field fields[] = {
        {IDC_BINARY_DATA_WIDTH, Msg::BinaryDataWidthField, &s.dataWidth},
        {IDC_BINARY_OUTPUT_WIDTH, Msg::BinaryOutputWidthField, &s.outputWidth},
        {IDC_BINARY_START_CHANNEL, Msg::BinaryStartChannelField, &s.startChannel},
    };
    for (const Field& f : fields) {
        const auto n = parseFieldInteger(toUtf8(fieldText(dialog, f.control)));
        if (!n) {
            messageBox(dialog, Msg::BinaryFieldNotANumber, MB_ICONERROR | MB_OK, Msg::Caption, loadString(f.name));
            SetFocus(GetDlgItem(dialog, f.control));
            return std::nullopt;
        }
        *f.value = static_cast<int>(std::clamp<long long>(*n, -1, 1 << 20));
    }
    s.frequencyHz = rateOf(dialog, tool->unit);
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    s.section = isChecked(dialog, IDC_BINARY_SECTION);
    return s;
}

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, false); // beeps
        return TRUE;
    }
    const std::optional<gen::BinaryFileSettings> settings = readSettings(dialog);
    if (!settings) return TRUE;
    if (gen::checkBinaryFile(*settings, app().caps.channelCount) != Msg::None) {
        messageBox(dialog, Msg::BinaryWidthError, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    tool->lastRun = *settings;
    const std::string path = toAnsi(fieldText(dialog, IDC_BINARY_FILE));
    auto result = std::make_shared<gen::BinaryFileRunResult>();
    tool->result = result;
    enableControls(dialog, {IDC_BINARY_RUN}, false);
    startGeneratorRun(
        dialog,
        [settings = *settings, path, result](OutputPorts& ports) {
            *result = gen::runBinaryFile(ports, settings, path, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        },
        false);
    return TRUE;
}

int focusFor(Msg error) {
    switch (error) {
    case Msg::RateOutOfRange:
    case Msg::RateNotANumber:
    case Msg::RateNotAboveZero: return IDC_GEN_RATE;
    case Msg::RepeatNeedsSections: return IDC_GEN_REPEAT;
    default: return 0;
    }
}

// The thread ended: Section as the fit question left it, an adjusted clock written back; a run
// that did not start returns the tool to idle with Run enabled.
LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::BinaryFileRunResult& result = *tool->result;
    if (result.sectionChecked) setChecked(dialog, IDC_BINARY_SECTION, true);
    if (result.clockHz > 0 && result.clockHz != nearestHertz(tool->lastRun.frequencyHz))
        setFieldText(dialog, IDC_GEN_RATE, rateFieldText(result.clockHz, tool->unit));
    if (runsOn || result.outcome.result == OutputResult::Stopped) return TRUE;
    endGeneratorRun(dialog);
    enableControls(dialog, {IDC_BINARY_RUN}, true);
    if (const int focus = focusFor(result.outcome.error); focus != 0) SetFocus(GetDlgItem(dialog, focus));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    enableControls(dialog, {IDC_BINARY_RUN}, true);
    stopGeneratorOutput(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    writeStartPath(*placementStore(), binaryKey(), generatorStartPath());
    closeGenerator(dialog);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_BINARY_BROWSE, onBrowse, BN_CLICKED},
    {IDC_GEN_RATE_UNIT, onUnit, BN_CLICKED},
    {IDC_BINARY_RUN, onRun, BN_CLICKED},
    {IDC_BINARY_STOP, onStop, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<binaryFileHelpTopic, binaryHelpContext>, BN_CLICKED},
    {IDC_GEN_REPEAT, ignoreCommand, BN_CLICKED},
    {IDC_BINARY_SECTION, ignoreCommand, BN_CLICKED},
    {IDC_BINARY_EXIT, postClose, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_BINARY_DATA_WIDTH_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_BINARY_OUTPUT_WIDTH_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_BINARY_CHANNEL_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_GEN_RATE_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openBinaryFileTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument() || tool) return;
    tool = std::make_unique<BinaryTool>();
    openFunctionDialog(mainWindow, DialogDefinition{IDD_BINARY_FILE, dialogProcedure<table>}, parameter);
    if (tool && !tool->dialog) tool.reset(); // another function dialog was open
}

HWND binaryFileToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
