// The two counter dialogs share one module: the same controls move into CounterSettings and
// runCounter does the checks, the questions and the output on the output thread. The kind of the
// open dialog picks the Gray/Section controls (sync) or the Delay Time (async). Settings are kept
// under the tool's own key; Start is 0 at every opening and End follows the width until Start or
// End is stepped.
#include "generators/counter_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/counter.h"
#include "generators/generator_dialog.h"
#include "resource.h"
#include "support/field_values.h"

#include <commctrl.h>

#include <memory>
#include <optional>

namespace qv::win {
namespace {

constexpr int syncHelpContext = 103;
constexpr int asyncHelpContext = 104;

constexpr Msg unitCaptions[] = {Msg::FrequencyUnitMHz, Msg::FrequencyUnitKHz, Msg::FrequencyUnitHz};
constexpr char defaultFrequencyText[] = "10";
constexpr int defaultWidth = 10;

struct CounterTool {
    HWND dialog = nullptr;
    gen::CounterKind kind = gen::CounterKind::Sync;
    RateUnit unit = RateUnit::Mbps;
    std::shared_ptr<gen::CounterRunResult> result;
    gen::CounterSettings lastRun;
};
std::unique_ptr<CounterTool> tool;

const std::string& counterKey() {
    return app().keyPath(tool->kind == gen::CounterKind::Sync ? ModuleKey::SyncCnt : ModuleKey::AsyncCnt);
}
bool isSync() { return tool->kind == gen::CounterKind::Sync; }

std::int64_t topValue(int width) { return width >= 63 ? INT64_MAX : (std::int64_t{1} << width) - 1; }

int widthOf(HWND dialog) {
    const auto w = fieldInteger(dialog, IDC_COUNTER_WIDTH);
    return w && *w >= 1 && *w <= 64 ? static_cast<int>(*w) : 0;
}

void showUnit(HWND dialog) { setFieldText(dialog, IDC_GEN_RATE_UNIT, unitCaptions[static_cast<int>(tool->unit)]); }

// A field that holds no whole number is named, never read as 0.
std::optional<gen::CounterSettings> readSettings(HWND dialog) {
    gen::CounterSettings s;
    struct Field {
        int control;
        Msg name;
        std::int64_t* value;
    };
    std::int64_t width = 0, channel = 0;
    const Field fields[] = {
        {IDC_COUNTER_WIDTH, Msg::CounterWidthField, &width},
        {IDC_COUNTER_START, Msg::CounterStartField, &s.start},
        {IDC_COUNTER_END, Msg::CounterEndField, &s.end},
        {IDC_COUNTER_INCREMENT, Msg::CounterIncrementField, &s.increment},
        {IDC_COUNTER_START_CHANNEL, Msg::CounterChannelField, &channel},
    };
    for (const Field& f : fields) {
        const auto n = parseFieldInteger(toUtf8(fieldText(dialog, f.control)));
        if (!n) {
            messageBox(dialog, Msg::CounterFieldNotANumber, MB_ICONERROR | MB_OK, Msg::Caption, loadString(f.name));
            SetFocus(GetDlgItem(dialog, f.control));
            return std::nullopt;
        }
        *f.value = *n;
    }
    s.width = static_cast<int>(std::clamp<std::int64_t>(width, 0, 64));
    s.startChannel = static_cast<int>(std::clamp<std::int64_t>(channel, -1, 64));
    s.frequencyHz = rateOf(dialog, tool->unit);
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    if (isSync()) {
        s.gray = isChecked(dialog, IDC_COUNTER_GRAY);
        s.section = isChecked(dialog, IDC_COUNTER_SECTION) && IsWindowEnabled(GetDlgItem(dialog, IDC_COUNTER_SECTION));
    } else {
        s.delayIndex = std::max(0, comboSelection(dialog, IDC_COUNTER_DELAY));
    }
    return s;
}

// Section is offered only when the count is longer than the memory.
void updateSection(HWND dialog) {
    if (!isSync()) return;
    const auto start = fieldInteger(dialog, IDC_COUNTER_START);
    const auto end = fieldInteger(dialog, IDC_COUNTER_END);
    const bool large = start && end && std::llabs(*end - *start) > gen::counterSyncSampleLimit(app().caps);
    enableControls(dialog, {IDC_COUNTER_SECTION}, large);
    if (!large) setChecked(dialog, IDC_COUNTER_SECTION, false);
}

void loadSettings(HWND dialog) {
    const SettingsStore& store = *placementStore();
    const std::string& key = counterKey();
    const std::string frequency = store.readText(key, "IDC_FREQSZ").value_or(defaultFrequencyText);
    const auto number = [&](const char* name, std::uint32_t fallback) {
        return store.readNumber(key, name).value_or(fallback);
    };
    tool->unit = static_cast<RateUnit>(std::min<std::uint32_t>(number("IDC_UNIT", 0), 2));
    setFieldText(dialog, IDC_GEN_RATE, frequency);
    showUnit(dialog);
    const int width = std::clamp(static_cast<int>(number("IDC_WIDTH", defaultWidth)), 1, app().caps.channelCount);
    setFieldInteger(dialog, IDC_COUNTER_START, 0);
    setFieldInteger(dialog, IDC_COUNTER_WIDTH, width); // End follows through EN_CHANGE
    setFieldInteger(dialog, IDC_COUNTER_END, topValue(width));
    setFieldInteger(dialog, IDC_COUNTER_INCREMENT, static_cast<std::int32_t>(number("IDC_ADD", 1)));
    setFieldInteger(
        dialog, IDC_COUNTER_START_CHANNEL,
        std::min<std::uint32_t>(number("IDC_STARTCH", 0), static_cast<std::uint32_t>(app().caps.channelCount - 1)));
    setChecked(dialog, IDC_GEN_REPEAT, number("IDC_REPEAT", 0) != 0);
    if (isSync()) {
        const bool gray = number("IDC_GRAYCODE", 0) != 0;
        setChecked(dialog, IDC_COUNTER_BINARY, !gray);
        setChecked(dialog, IDC_COUNTER_GRAY, gray);
        updateSection(dialog);
        if (IsWindowEnabled(GetDlgItem(dialog, IDC_COUNTER_SECTION)))
            setChecked(dialog, IDC_COUNTER_SECTION, number("IDC_SECTION", 0) != 0);
    } else {
        for (int i = 0; i < gen::counterDelayDivisors; ++i)
            addComboItem(dialog, IDC_COUNTER_DELAY, L"1/" + std::to_wstring(gen::counterDelayDivisor(i)), i);
        selectComboIndex(dialog, IDC_COUNTER_DELAY,
                         static_cast<int>(std::min<std::uint32_t>(number("IDC_DELAY", gen::counterDefaultDelayIndex),
                                                                  gen::counterDelayDivisors - 1)));
    }
}

void saveSettings(HWND dialog) {
    SettingsStore& store = *placementStore();
    const std::string& key = counterKey();
    store.createKey(key);
    store.writeText(key, "IDC_FREQSZ", toUtf8(fieldText(dialog, IDC_GEN_RATE)));
    const auto integer = [&](int control, long long fallback) {
        return fieldInteger(dialog, control).value_or(fallback);
    };
    store.writeNumber(key, "IDC_WIDTH", static_cast<std::uint32_t>(integer(IDC_COUNTER_WIDTH, defaultWidth)));
    store.writeNumber(key, "IDC_ADD", static_cast<std::uint32_t>(integer(IDC_COUNTER_INCREMENT, 1)));
    store.writeNumber(key, "IDC_STARTCH", static_cast<std::uint32_t>(integer(IDC_COUNTER_START_CHANNEL, 0)));
    store.writeNumber(key, "IDC_UNIT", static_cast<std::uint32_t>(tool->unit));
    store.writeNumber(key, "IDC_REPEAT", isChecked(dialog, IDC_GEN_REPEAT));
    store.writeNumber(key, "IDC_SECTION", isChecked(dialog, IDC_COUNTER_SECTION));
    if (isSync()) {
        store.writeNumber(key, "IDC_BINCODE", isChecked(dialog, IDC_COUNTER_BINARY));
        store.writeNumber(key, "IDC_GRAYCODE", isChecked(dialog, IDC_COUNTER_GRAY));
    } else {
        store.writeNumber(key, "IDC_DELAY",
                          static_cast<std::uint32_t>(std::max(0, comboSelection(dialog, IDC_COUNTER_DELAY))));
    }
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool->dialog = dialog;
    initGenerator(dialog);
    for (int spin : {IDC_COUNTER_WIDTH_SPIN, IDC_COUNTER_START_SPIN, IDC_COUNTER_END_SPIN, IDC_COUNTER_INCREMENT_SPIN,
                     IDC_COUNTER_CHANNEL_SPIN, IDC_GEN_RATE_SPIN})
        SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 2);
    loadSettings(dialog);
    return TRUE;
}

// While Start was never stepped, End is the top of the width.
LRESULT onWidthChange(HWND dialog, const Command&) {
    if (IsWindowEnabled(GetDlgItem(dialog, IDC_COUNTER_START))) return TRUE;
    const int width = widthOf(dialog);
    const auto start = fieldInteger(dialog, IDC_COUNTER_START);
    if (width > 0 && start) setFieldInteger(dialog, IDC_COUNTER_END, *start + topValue(width));
    updateSection(dialog);
    return TRUE;
}

LRESULT onRangeChange(HWND dialog, const Command&) {
    updateSection(dialog);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const long long delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    const int width = std::max(1, widthOf(dialog));
    switch (header.idFrom) {
    case IDC_COUNTER_WIDTH_SPIN:
        stepSpinField(dialog, IDC_COUNTER_WIDTH, delta, 1, app().caps.channelCount, SpinEnds::Clamp);
        break;
    case IDC_COUNTER_START_SPIN:
    case IDC_COUNTER_END_SPIN:
        stepSpinField(dialog, header.idFrom == IDC_COUNTER_START_SPIN ? IDC_COUNTER_START : IDC_COUNTER_END, delta, 0,
                      topValue(std::min(width, 62)), SpinEnds::Wrap);
        enableControls(dialog, {IDC_COUNTER_START, IDC_COUNTER_END}, true);
        break;
    case IDC_COUNTER_INCREMENT_SPIN: {
        const long long top = topValue(std::min(width, 62));
        stepSpinField(dialog, IDC_COUNTER_INCREMENT, delta, -top, top, SpinEnds::Clamp);
        break;
    }
    case IDC_COUNTER_CHANNEL_SPIN:
        stepSpinField(dialog, IDC_COUNTER_START_CHANNEL, delta, 0, app().caps.channelCount - 1, SpinEnds::Wrap);
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

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, false); // beeps
        return TRUE;
    }
    const std::optional<gen::CounterSettings> settings = readSettings(dialog);
    if (!settings) return TRUE;
    tool->lastRun = *settings;
    auto result = std::make_shared<gen::CounterRunResult>();
    tool->result = result;
    const gen::CounterKind kind = tool->kind;
    enableControls(dialog, {IDC_COUNTER_RUN}, false);
    startGeneratorRun(
        dialog,
        [settings = *settings, kind, result](OutputPorts& ports) {
            *result = gen::runCounter(ports, settings, kind, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        },
        false);
    return TRUE;
}

int focusFor(Msg error) {
    switch (error) {
    case Msg::StartChannelError: return IDC_COUNTER_START_CHANNEL;
    case Msg::WidthConflictsWithStartChannel: return IDC_COUNTER_WIDTH;
    case Msg::RateOutOfRange:
    case Msg::CounterClockOutOfRange:
    case Msg::RateNotANumber:
    case Msg::RateNotAboveZero: return IDC_GEN_RATE;
    case Msg::ErrorParameterSetting: return IDC_COUNTER_INCREMENT;
    case Msg::RepeatNeedsSections: return IDC_GEN_REPEAT;
    default: return 0;
    }
}

// The thread ended: Section as the fit question left it, an adjusted clock written back as the
// counter's frequency; a run that did not start returns the tool to idle.
LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::CounterRunResult& result = *tool->result;
    if (result.sectionChecked && isSync()) {
        enableControls(dialog, {IDC_COUNTER_SECTION}, true);
        setChecked(dialog, IDC_COUNTER_SECTION, true);
    }
    const std::int64_t wanted = gen::counterSampleClock(tool->lastRun, tool->kind);
    if (result.clockHz > 0 && result.clockHz != wanted) {
        const double divisor = isSync() ? 1.0 : gen::counterDelayDivisor(tool->lastRun.delayIndex);
        setFieldText(dialog, IDC_GEN_RATE, rateFieldText(result.clockHz / divisor, tool->unit));
    }
    if (runsOn || result.outcome.result == OutputResult::Stopped) return TRUE;
    endGeneratorRun(dialog);
    enableControls(dialog, {IDC_COUNTER_RUN}, true);
    if (const int focus = focusFor(result.outcome.error); focus != 0) SetFocus(GetDlgItem(dialog, focus));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopGeneratorOutput(dialog);
    enableControls(dialog, {IDC_COUNTER_RUN}, true);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    saveSettings(dialog);
    closeGenerator(dialog);
    return TRUE;
}

LRESULT openHelp(HWND dialog, const Command& command) {
    return isSync() ? openHelpOnCommand<syncCounterHelpTopic, syncHelpContext>(dialog, command)
                    : openHelpOnCommand<asyncCounterHelpTopic, asyncHelpContext>(dialog, command);
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_COUNTER_WIDTH, onWidthChange, EN_CHANGE}, {IDC_COUNTER_START, onRangeChange, EN_CHANGE},
    {IDC_COUNTER_END, onRangeChange, EN_CHANGE},   {IDC_GEN_RATE_UNIT, onUnit, BN_CLICKED},
    {IDC_COUNTER_RUN, onRun, BN_CLICKED},          {IDC_COUNTER_STOP, onStop, BN_CLICKED},
    {IDC_GEN_HELP, openHelp, BN_CLICKED},          {IDC_GEN_REPEAT, ignoreCommand, BN_CLICKED},
    {IDC_COUNTER_EXIT, postClose, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_COUNTER_WIDTH_SPIN, UDN_DELTAPOS, onSpin},   {IDC_COUNTER_START_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_COUNTER_END_SPIN, UDN_DELTAPOS, onSpin},     {IDC_COUNTER_INCREMENT_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_COUNTER_CHANNEL_SPIN, UDN_DELTAPOS, onSpin}, {IDC_GEN_RATE_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

void openCounter(HWND mainWindow, int templateId, gen::CounterKind kind, LPARAM parameter) {
    if (!hasDocument() || tool) return;
    tool = std::make_unique<CounterTool>();
    tool->kind = kind;
    openFunctionDialog(mainWindow, DialogDefinition{templateId, dialogProcedure<table>}, parameter);
    if (tool && !tool->dialog) tool.reset(); // another function dialog was open
}

} // namespace

void openSyncCounterTool(HWND mainWindow, int, LPARAM parameter) {
    openCounter(mainWindow, IDD_SYNC_COUNTER, gen::CounterKind::Sync, parameter);
}
void openAsyncCounterTool(HWND mainWindow, int, LPARAM parameter) {
    openCounter(mainWindow, IDD_ASYNC_COUNTER, gen::CounterKind::Async, parameter);
}

HWND counterToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
