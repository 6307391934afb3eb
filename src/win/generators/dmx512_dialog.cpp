// The DMX512 dialog moves its controls into DmxSettings and the value edit's text to core: runDmx
// on the output thread, buildDmxForConvert for Convert, dmxRandomValuesText for Generate Values.
// Run is the default push button (Enter runs); Run locks the settings until Stop or a build
// error, and an empty value edit simply returns the tool to idle. No Exit and no Help button.
#include "generators/dmx512_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/dmx512.h"
#include "generators/frame.h"
#include "generators/generator_dialog.h"
#include "generators/text_transfer.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <chrono>
#include <memory>
#include <random>

namespace qv::win {
namespace {

enum class Source { Random, Items, Manual, File };
constexpr int sourceButtons[] = {IDC_DMX_RANDOM, IDC_DMX_ITEMS, IDC_DMX_MANUAL, IDC_DMX_FILE_SOURCE};

// Everything Run locks until Stop.
constexpr int runLockedControls[] = {
    IDC_DMX_PLUS,        IDC_DMX_PLUS_SPIN,    IDC_GEN_RATE,   IDC_GEN_RATE_SPIN,   IDC_GEN_RATE_UNIT,
    IDC_DMX_RANDOM,      IDC_DMX_RANDOM_COUNT, IDC_DMX_ITEMS,  IDC_DMX_ITEMS_COUNT, IDC_DMX_MANUAL,
    IDC_DMX_FILE_SOURCE, IDC_DMX_FILE,         IDC_DMX_BROWSE, IDC_DMX_GENERATE,    IDC_GEN_CLEAR,
    IDC_DMX_VALUES,      IDC_DMX_MBB,          IDC_DMX_BREAK,  IDC_DMX_MAB,         IDC_DMX_IFT,
    IDC_GEN_REPEAT,      IDC_DMX_CONVERT,
};

struct DmxTool {
    HWND dialog = nullptr;
    RateUnit unit = RateUnit::Kbps;
    Source source = Source::Random;
    std::mt19937 random{
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count())};
    std::shared_ptr<gen::DmxRunResult> result;
    gen::DmxSettings lastRun;
};
std::unique_ptr<DmxTool> tool;

std::int64_t timeField(HWND dialog, int control) {
    const auto value = fieldInteger(dialog, control);
    return value && *value >= 0 && *value <= gen::dmxMaxTimeValue ? *value : -1;
}

gen::DmxSettings readSettings(HWND dialog) {
    gen::DmxSettings s;
    const auto plus = fieldInteger(dialog, IDC_DMX_PLUS);
    s.plusChannel = plus && *plus >= 0 && *plus < 1000 ? static_cast<int>(*plus) : -1;
    s.rateBitsPerSecond = rateOf(dialog, tool->unit);
    s.markBeforeBreakMs = timeField(dialog, IDC_DMX_MBB);
    s.breakUs = timeField(dialog, IDC_DMX_BREAK);
    s.markAfterBreakUs = timeField(dialog, IDC_DMX_MAB);
    s.interSlotUs = timeField(dialog, IDC_DMX_IFT);
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

std::string valuesText(HWND dialog) { return toAnsi(fieldText(dialog, IDC_DMX_VALUES)); }

bool hasValues(HWND dialog) { return GetWindowTextLengthW(GetDlgItem(dialog, IDC_DMX_VALUES)) > 0; }

// The idle enabling: the source's own fields; the value edit once it holds values or to type them.
void enableIdleControls(HWND dialog) {
    for (int control : runLockedControls) EnableWindow(GetDlgItem(dialog, control), TRUE);
    for (int i = 0; i < 4; ++i) setChecked(dialog, sourceButtons[i], static_cast<int>(tool->source) == i);
    enableControls(dialog, {IDC_DMX_RANDOM_COUNT}, tool->source == Source::Random);
    enableControls(dialog, {IDC_DMX_ITEMS_COUNT}, tool->source == Source::Items);
    enableControls(dialog, {IDC_DMX_FILE, IDC_DMX_BROWSE}, tool->source == Source::File);
    enableControls(dialog, {IDC_DMX_GENERATE}, tool->source != Source::Manual);
    enableControls(dialog, {IDC_DMX_VALUES}, tool->source == Source::Manual || hasValues(dialog));
    enableControls(dialog, {IDC_DMX_MINUS}, false);
}

void showMinus(HWND dialog) {
    const auto plus = fieldInteger(dialog, IDC_DMX_PLUS);
    if (plus && *plus >= 0 && *plus < 1000) setFieldInteger(dialog, IDC_DMX_MINUS, *plus + 1);
}

void stopDmx(HWND dialog) {
    stopGeneratorOutput(dialog);
    enableIdleControls(dialog);
}

void showError(HWND dialog, Msg error, const std::string& where = {}) {
    messageBox(dialog, error, MB_ICONERROR | MB_OK, Msg::Caption, fromAnsi(where));
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<DmxTool>();
    tool->dialog = dialog;
    initGenerator(dialog);
    const gen::DmxSettings s;
    setFieldInteger(dialog, IDC_DMX_PLUS, s.plusChannel);
    showMinus(dialog);
    for (int spin : {IDC_DMX_PLUS_SPIN, IDC_GEN_RATE_SPIN}) SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 100);
    showRate(dialog, rateFieldText(s.rateBitsPerSecond, tool->unit), tool->unit);
    setFieldInteger(dialog, IDC_DMX_MBB, s.markBeforeBreakMs);
    setFieldInteger(dialog, IDC_DMX_BREAK, s.breakUs);
    setFieldInteger(dialog, IDC_DMX_MAB, s.markAfterBreakUs);
    setFieldInteger(dialog, IDC_DMX_IFT, s.interSlotUs);
    setFieldInteger(dialog, IDC_DMX_RANDOM_COUNT, gen::dmxRandomCount(tool->random));
    setFieldInteger(dialog, IDC_DMX_ITEMS_COUNT, 1);
    enableIdleControls(dialog);
    return TRUE;
}

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, false); // beeps
        return TRUE;
    }
    const gen::DmxSettings settings = readSettings(dialog);
    const std::string text = valuesText(dialog);
    auto result = std::make_shared<gen::DmxRunResult>();
    tool->result = result;
    tool->lastRun = settings;
    if (hasDocument()) document().clearSamples();
    for (int control : runLockedControls) EnableWindow(GetDlgItem(dialog, control), FALSE);
    const bool started = startGeneratorRun(
        dialog,
        [settings, text, result](OutputPorts& ports) {
            *result = gen::runDmx(ports, settings, text, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        },
        false);
    if (!started) enableIdleControls(dialog);
    return TRUE;
}

// The thread ended: an adjusted rate written back in the unit shown; a run that did not start
// (an error, No to the clock question, no values) returns the tool to idle.
LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::DmxRunResult& result = *tool->result;
    if (result.outcome.result == OutputResult::Running &&
        result.outcome.clockHz != static_cast<int>(nearestHertz(tool->lastRun.rateBitsPerSecond)))
        setFieldText(dialog, IDC_GEN_RATE, rateFieldText(result.rateBitsPerSecond, tool->unit));
    if (runsOn) return TRUE;
    stopDmx(dialog);
    int focus = 0;
    switch (result.outcome.error) {
    case Msg::ErrorChannelSetting: focus = IDC_DMX_PLUS; break;
    case Msg::RateOutOfRange:
    case Msg::RateNotANumber:
    case Msg::RateNotAboveZero: focus = IDC_GEN_RATE; break;
    case Msg::DmxValueNotByte: focus = IDC_DMX_VALUES; break;
    default: break;
    }
    if (focus != 0) SetFocus(GetDlgItem(dialog, focus));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopDmx(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    closeGenerator(dialog);
    return TRUE;
}

LRESULT onSource(HWND dialog, const Command& command) {
    for (int i = 0; i < 4; ++i)
        if (command.id == sourceButtons[i]) tool->source = static_cast<Source>(i);
    enableIdleControls(dialog);
    return TRUE;
}

LRESULT onBrowse(HWND dialog, const Command&) {
    std::string path;
    if (chooseFile(dialog, Msg::SelectFileTitle, {{Msg::TextFileFilter, "*.txt"}, {Msg::AllFileFilter, "*.*"}}, "*.txt",
                   path))
        setFieldText(dialog, IDC_DMX_FILE, fromAnsi(path));
    return TRUE;
}

// Generate Values: the file's text, or count random values (1 to what the memory could hold).
LRESULT onGenerate(HWND dialog, const Command&) {
    std::string text;
    if (tool->source == Source::File) {
        const std::string path = toAnsi(fieldText(dialog, IDC_DMX_FILE));
        if (path.empty()) {
            showError(dialog, Msg::DmxNoFileName);
            return TRUE;
        }
        if (Msg m = gen::importText(path, text); m != Msg::None) {
            showError(dialog, m);
            return TRUE;
        }
    } else if (tool->source != Source::Manual) {
        const int most = gen::sampleLimit(app().caps, gen::dmxSampleLimitMargin) / gen::dmxSlotSamples;
        const int field = tool->source == Source::Random ? IDC_DMX_RANDOM_COUNT : IDC_DMX_ITEMS_COUNT;
        const auto count = fieldInteger(dialog, field);
        if (!count || *count < 1 || *count > most) {
            showError(dialog, Msg::DmxItemsRange, std::to_string(most));
            SetFocus(GetDlgItem(dialog, field));
            return TRUE;
        }
        text = gen::dmxRandomValuesText(static_cast<int>(*count), tool->random);
    }
    if (tool->source != Source::Manual) setFieldText(dialog, IDC_DMX_VALUES, fromAnsi(text));
    enableIdleControls(dialog);
    return TRUE;
}

LRESULT onClear(HWND dialog, const Command&) {
    setFieldText(dialog, IDC_DMX_VALUES, std::wstring());
    if (!generatorRunning()) {
        if (hasDocument()) document().clearSamples();
        enableIdleControls(dialog);
    }
    return TRUE;
}

LRESULT onPlusChange(HWND dialog, const Command&) {
    if (tool) showMinus(dialog);
    return TRUE;
}

LRESULT onRateUnit(HWND dialog, const Command&) {
    tool->unit = cycleRateUnit(dialog, tool->unit);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta;
    if (header.idFrom == IDC_DMX_PLUS_SPIN)
        stepSpinField(dialog, IDC_DMX_PLUS, delta > 0 ? 1 : -1, 0, gen::dmxHighestPlusChannel(app().caps),
                      SpinEnds::Wrap);
    else
        stepRate(dialog, tool->unit, delta > 0);
    return setDialogResult(dialog, TRUE);
}

LRESULT onConvert(HWND dialog, const Command&) {
    if (generatorRunning()) return TRUE;
    const gen::DmxSettings s = readSettings(dialog);
    document().clearSamples();
    gen::DmxBuild built;
    std::string where;
    if (const Msg error = gen::buildDmxForConvert(s, valuesText(dialog), app().caps, deviceCardType(),
                                                  generatorBuffer(), built, where);
        error != Msg::None) {
        showError(dialog, error, where);
        return TRUE;
    }
    if (built.count == 0) return TRUE; // no values: nothing to convert
    handOffToWaveEditor(dialog, {{"DMX512_D+", s.plusChannel}, {"DMX512_D-", s.plusChannel + 1}},
                        static_cast<int>(nearestHertz(s.rateBitsPerSecond)));
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_DMX_RUN, onRun, BN_CLICKED},           {IDC_DMX_STOP, onStop, BN_CLICKED},
    {IDC_DMX_BROWSE, onBrowse, BN_CLICKED},     {IDC_GEN_RATE_UNIT, onRateUnit, BN_CLICKED},
    {IDC_DMX_RANDOM, onSource, BN_CLICKED},     {IDC_DMX_ITEMS, onSource, BN_CLICKED},
    {IDC_DMX_MANUAL, onSource, BN_CLICKED},     {IDC_DMX_FILE_SOURCE, onSource, BN_CLICKED},
    {IDC_DMX_GENERATE, onGenerate, BN_CLICKED}, {IDC_GEN_CLEAR, onClear, BN_CLICKED},
    {IDC_DMX_CONVERT, onConvert, BN_CLICKED},   {IDC_DMX_PLUS, onPlusChange, EN_CHANGE},
};
constexpr NotifyEntry notifications[] = {
    {IDC_DMX_PLUS_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_GEN_RATE_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openDmx512Tool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_DMX512, dialogProcedure<table>}, parameter);
}

HWND dmx512ToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
