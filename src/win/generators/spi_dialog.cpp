// The SPI dialog moves its controls into SpiSettings and hands them to core (runSpi on the output
// thread, buildSpiForConvert, spiGenerate, spiExample, loadSpiFile). Unlike the other generators
// Stop and Exit wait up to 100 ms for an output thread still building a large image. A binary
// file's words stay here while the file is the source; they count as data for Run and Convert.
#include "app/help_topics.h"
#include "generators/spi_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "app/window_prompt.h"
#include "generators/frame.h"
#include "generators/generator_dialog.h"
#include "generators/spi.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>

namespace qv::win {
namespace {

constexpr int spiHelpContext = 114;
constexpr int stopWaitMilliseconds = 100;
constexpr char noFileName[] = "*.bin";

// Everything but Stop: what Run disables.
constexpr int runLockedControls[] = {
    IDC_SPI_CS,          IDC_SPI_CLOCK,        IDC_SPI_DATA_CHANNEL,  IDC_SPI_LOW_ACTIVE,    IDC_SPI_HIGH_ACTIVE,
    IDC_SPI_RISING_EDGE, IDC_SPI_FALLING_EDGE, IDC_SPI_WIDTH,         IDC_SPI_WIDTH_SPIN,    IDC_GEN_RATE,
    IDC_GEN_RATE_SPIN,   IDC_GEN_RATE_UNIT,    IDC_SPI_COUNT,         IDC_SPI_RANDOM_MANUAL, IDC_SPI_MSB,
    IDC_SPI_LSB,         IDC_SPI_FILE_SOURCE,  IDC_SPI_FILE,          IDC_SPI_BROWSE,        IDC_SPI_EDIT_SOURCE,
    IDC_SPI_HEX,         IDC_SPI_ASCII,        IDC_SPI_RANDOM_SOURCE, IDC_SPI_GENERATE,      IDC_SPI_TEXT,
    IDC_GEN_CLEAR,       IDC_GEN_REPEAT,       IDC_SPI_RUN,           IDC_SPI_EXIT,          IDC_GEN_HELP,
    IDC_SPI_EXAMPLE,     IDC_SPI_CONVERT,
};

struct SpiTool {
    HWND dialog = nullptr;
    RateUnit unit = RateUnit::Mbps;
    gen::SpiSource source = gen::SpiSource::Edit;
    bool manualCount = false; // the Random/Manual button shows "Manual"
    bool formatLocked = false; // a text file chose ASCII
    std::vector<std::uint32_t> fileWords; // a binary file's words
    int sampleLimit = 0;
    std::mt19937 random{
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count())};
    std::shared_ptr<gen::SpiRunResult> result; // the running output's, read after the thread ended
    gen::SpiSettings lastRun; // the settings of the last Run
};
std::unique_ptr<SpiTool> tool;

void check(HWND dialog, int control, bool on) { setChecked(dialog, control, on); }

int channelField(HWND dialog, int control) {
    const auto value = fieldInteger(dialog, control);
    return value && *value >= 0 && *value <= 1000 ? static_cast<int>(*value) : -1;
}

gen::SpiSettings readSettings(HWND dialog) {
    gen::SpiSettings s;
    s.csChannel = channelField(dialog, IDC_SPI_CS);
    s.clockChannel = channelField(dialog, IDC_SPI_CLOCK);
    s.dataChannel = channelField(dialog, IDC_SPI_DATA_CHANNEL);
    s.csActiveHigh = isChecked(dialog, IDC_SPI_HIGH_ACTIVE);
    s.fallingEdge = isChecked(dialog, IDC_SPI_FALLING_EDGE);
    const auto width = fieldInteger(dialog, IDC_SPI_WIDTH);
    s.width = width && *width > 0 && *width < 1000 ? static_cast<int>(*width) : 0;
    s.rateBitsPerSecond = rateOf(dialog, tool->unit);
    s.lsbFirst = isChecked(dialog, IDC_SPI_LSB);
    s.format = isChecked(dialog, IDC_SPI_ASCII) && tool->source != gen::SpiSource::Random ? gen::SpiFormat::Ascii
                                                                                          : gen::SpiFormat::Hex;
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

std::string dataText(HWND dialog) { return toAnsi(fieldText(dialog, IDC_SPI_TEXT)); }

// The binary file's words when a file is the source, else none: the data edit's text counts.
const std::vector<std::uint32_t>* sourceWords() {
    return tool->source == gen::SpiSource::File && !tool->fileWords.empty() ? &tool->fileWords : nullptr;
}

void showSettings(HWND dialog, const gen::SpiSettings& s) {
    setFieldInteger(dialog, IDC_SPI_CS, s.csChannel);
    setFieldInteger(dialog, IDC_SPI_CLOCK, s.clockChannel);
    setFieldInteger(dialog, IDC_SPI_DATA_CHANNEL, s.dataChannel);
    check(dialog, IDC_SPI_LOW_ACTIVE, !s.csActiveHigh);
    check(dialog, IDC_SPI_HIGH_ACTIVE, s.csActiveHigh);
    check(dialog, IDC_SPI_RISING_EDGE, !s.fallingEdge);
    check(dialog, IDC_SPI_FALLING_EDGE, s.fallingEdge);
    check(dialog, IDC_SPI_MSB, !s.lsbFirst);
    check(dialog, IDC_SPI_LSB, s.lsbFirst);
    check(dialog, IDC_SPI_HEX, s.format == gen::SpiFormat::Hex);
    check(dialog, IDC_SPI_ASCII, s.format == gen::SpiFormat::Ascii);
    setFieldInteger(dialog, IDC_SPI_WIDTH, s.width);
    tool->unit = RateUnit::Mbps;
    showRate(dialog, rateFieldText(s.rateBitsPerSecond, tool->unit), tool->unit);
    check(dialog, IDC_GEN_REPEAT, s.repeat);
}

bool hasData(HWND dialog) {
    return sourceWords() != nullptr || GetWindowTextLengthW(GetDlgItem(dialog, IDC_SPI_TEXT)) > 0;
}

// The idle enabling: every control, then what the source and the data allow.
void enableIdleControls(HWND dialog) {
    for (int control : runLockedControls) EnableWindow(GetDlgItem(dialog, control), TRUE);
    const gen::SpiSource source = tool->source;
    check(dialog, IDC_SPI_FILE_SOURCE, source == gen::SpiSource::File);
    check(dialog, IDC_SPI_EDIT_SOURCE, source == gen::SpiSource::Edit);
    check(dialog, IDC_SPI_RANDOM_SOURCE, source == gen::SpiSource::Random);
    enableControls(dialog, {IDC_SPI_FILE, IDC_SPI_BROWSE}, source == gen::SpiSource::File);
    enableControls(dialog, {IDC_SPI_HEX, IDC_SPI_ASCII}, source == gen::SpiSource::Edit && !tool->formatLocked);
    enableControls(dialog, {IDC_SPI_RANDOM_MANUAL, IDC_SPI_GENERATE}, source == gen::SpiSource::Random);
    enableControls(dialog, {IDC_SPI_COUNT}, source == gen::SpiSource::Random && tool->manualCount);
    const bool data = hasData(dialog);
    enableControls(dialog, {IDC_SPI_RUN, IDC_SPI_STOP}, data);
    enableControls(dialog, {IDC_SPI_CONVERT}, data && app().device != noDevice);
}

void selectSource(HWND dialog, gen::SpiSource source) {
    tool->source = source;
    if (source == gen::SpiSource::Random) {
        check(dialog, IDC_SPI_HEX, true);
        check(dialog, IDC_SPI_ASCII, false);
    }
    if (source != gen::SpiSource::File) tool->formatLocked = false;
    enableIdleControls(dialog);
}

// Stop: the stop request, 100 ms for the thread, qvDataUnlatch(0) and qvStop once it ended,
// then qvPowerDown and the controls back; the sample buffer is cleared.
void stopSpi(HWND dialog) {
    generatorFlags().stopRequest.store(1);
    const bool ended = waitForOutputThread(stopWaitMilliseconds);
    if (ended && app().device != noDevice) {
        app().driver.qvDataUnlatch(app().device, 0);
        app().driver.qvStop(app().device);
    }
    stopGeneratorOutput(dialog);
    enableIdleControls(dialog);
    if (hasDocument()) document().clearSamples();
}

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, false); // beeps
        return TRUE;
    }
    const gen::SpiSettings settings = readSettings(dialog);
    const std::string text = dataText(dialog);
    std::shared_ptr<const std::vector<std::uint32_t>> words;
    if (const auto* file = sourceWords()) words = std::make_shared<const std::vector<std::uint32_t>>(*file);
    auto result = std::make_shared<gen::SpiRunResult>();
    tool->result = result;
    tool->lastRun = settings;
    if (hasDocument()) document().clearSamples();
    for (int control : runLockedControls) EnableWindow(GetDlgItem(dialog, control), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_SPI_STOP), TRUE);
    const bool started = startGeneratorRun(
        dialog,
        [settings, text, words, result](OutputPorts& ports) {
            *result = gen::runSpi(ports, settings, text, words.get(), generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        },
        false);
    if (!started) enableIdleControls(dialog);
    return TRUE;
}

// The output thread ended: the word count and the rate in force on the screen; an output that
// did not start runs the Stop logic, with the focus on the field at fault.
LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber)) return TRUE;
    const std::shared_ptr<gen::SpiRunResult> result = tool->result;
    if (!result) return TRUE;
    if (result->wordCount > 0) setFieldInteger(dialog, IDC_SPI_COUNT, result->wordCount);
    if (result->outcome.result == OutputResult::Running &&
        result->outcome.clockHz != gen::spiSampleClock(tool->lastRun))
        setFieldText(dialog, IDC_GEN_RATE, rateFieldText(result->rateBitsPerSecond, tool->unit));
    if (runsOn) return TRUE;
    stopSpi(dialog);
    int focus = 0;
    switch (result->outcome.error) {
    case Msg::SpiWidthRange: focus = IDC_SPI_WIDTH; break;
    case Msg::SpiRateOutOfRange:
    case Msg::RateNotANumber:
    case Msg::RateNotAboveZero: focus = IDC_GEN_RATE; break;
    case Msg::ErrorChannelSetting: focus = IDC_SPI_CLOCK; break;
    default:
        if (result->outcome.result == OutputResult::Refused) focus = IDC_GEN_RATE;
        break;
    }
    if (focus != 0) SetFocus(GetDlgItem(dialog, focus));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopSpi(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    closeGenerator(dialog);
    return TRUE;
}

LRESULT onExit(HWND dialog, const Command&) { return onClose(dialog, WM_CLOSE, 0, 0); }

void loadFile(HWND dialog, const std::string& path) {
    enableControls(dialog, {IDC_SPI_RUN, IDC_SPI_STOP}, false);
    WindowPrompt prompt(dialog);
    const std::optional<long long> width = fieldInteger(dialog, IDC_SPI_WIDTH);
    gen::SpiFileData data = gen::loadSpiFile(path, static_cast<int>(width.value_or(8)), tool->sampleLimit, prompt);
    if (data.error != Msg::None) {
        messageBox(dialog, data.error, MB_ICONERROR | MB_OK);
        tool->fileWords.clear();
        stopSpi(dialog);
        return;
    }
    if (data.stop) {
        tool->fileWords.clear();
        stopSpi(dialog);
        SetFocus(GetDlgItem(dialog, IDC_SPI_FILE));
        return;
    }
    if (data.isText) {
        tool->fileWords.clear();
        setFieldText(dialog, IDC_SPI_TEXT, fromAnsi(data.text));
        check(dialog, IDC_SPI_HEX, false);
        check(dialog, IDC_SPI_ASCII, true);
        tool->source = gen::SpiSource::Edit;
        tool->formatLocked = true;
    } else {
        tool->fileWords = std::move(data.words);
        setFieldText(dialog, IDC_SPI_TEXT, std::wstring());
        check(dialog, IDC_SPI_HEX, true);
        check(dialog, IDC_SPI_ASCII, false);
    }
    enableIdleControls(dialog);
}

LRESULT onBrowse(HWND dialog, const Command&) {
    std::string path;
    if (!chooseFile(dialog, Msg::SelectFileTitle,
                    {{Msg::BinaryFileFilter, "*.bin"}, {Msg::TextFileFilter, "*.txt"}, {Msg::AllFileFilter, "*.*"}},
                    noFileName, path))
        return TRUE;
    setFieldText(dialog, IDC_SPI_FILE, fromAnsi(path));
    tool->source = gen::SpiSource::File;
    if (path != noFileName) loadFile(dialog, path);
    return TRUE;
}

LRESULT onFileSource(HWND dialog, const Command&) {
    selectSource(dialog, gen::SpiSource::File);
    return TRUE;
}
LRESULT onEditSource(HWND dialog, const Command&) {
    selectSource(dialog, gen::SpiSource::Edit);
    return TRUE;
}
LRESULT onRandomSource(HWND dialog, const Command&) {
    selectSource(dialog, gen::SpiSource::Random);
    return TRUE;
}

// The two-way radio pairs: the clicked one on, its partner off.
LRESULT onPair(HWND dialog, const Command& command) {
    static constexpr int pairs[][2] = {{IDC_SPI_LOW_ACTIVE, IDC_SPI_HIGH_ACTIVE},
                                       {IDC_SPI_RISING_EDGE, IDC_SPI_FALLING_EDGE},
                                       {IDC_SPI_MSB, IDC_SPI_LSB},
                                       {IDC_SPI_HEX, IDC_SPI_ASCII}};
    for (const auto& pair : pairs)
        if (command.id == pair[0] || command.id == pair[1]) {
            check(dialog, pair[0], command.id == pair[0]);
            check(dialog, pair[1], command.id == pair[1]);
        }
    return TRUE;
}

LRESULT onRandomManual(HWND dialog, const Command&) {
    tool->manualCount = !tool->manualCount;
    setFieldText(dialog, IDC_SPI_RANDOM_MANUAL, tool->manualCount ? Msg::SpiManualButton : Msg::SpiRandomButton);
    enableControls(dialog, {IDC_SPI_COUNT}, tool->manualCount);
    return TRUE;
}

LRESULT onGenerate(HWND dialog, const Command&) {
    const gen::SpiSettings s = readSettings(dialog);
    if (s.width < gen::spiMinWidth || s.width > gen::spiMaxWidth) {
        messageBox(dialog, Msg::SpiWidthRange, MB_ICONERROR | MB_OK);
        SetFocus(GetDlgItem(dialog, IDC_SPI_WIDTH));
        return TRUE;
    }
    const int manual =
        tool->manualCount ? static_cast<int>(std::max(0LL, fieldInteger(dialog, IDC_SPI_COUNT).value_or(0))) : -1;
    WindowPrompt prompt(dialog);
    const gen::SpiGenerated generated = gen::spiGenerate(manual, s.width, tool->sampleLimit, tool->random, prompt);
    if (generated.cancelled) return TRUE;
    setFieldText(dialog, IDC_SPI_TEXT, fromAnsi(generated.text));
    setFieldInteger(dialog, IDC_SPI_COUNT, generated.count);
    enableIdleControls(dialog); // a multi-line edit does not notify a text set by WM_SETTEXT
    return TRUE;
}

LRESULT onExampleOk(HWND dialog, const Command&) {
    const int choice = isChecked(dialog, IDC_SPI_EXAMPLE_EDIT_HEX) ? 1
        : isChecked(dialog, IDC_SPI_EXAMPLE_EDIT_TEXT)             ? 2
                                                                   : 0;
    EndDialog(dialog, IDOK + 10 + choice);
    return TRUE;
}
LRESULT onExampleInit(HWND dialog, UINT, WPARAM, LPARAM) {
    check(dialog, IDC_SPI_EXAMPLE_RANDOM, true);
    return TRUE;
}
constexpr MessageEntry exampleMessages[] = {{WM_INITDIALOG, onExampleInit}, {WM_CLOSE, endDialogOn<IDCANCEL>}};
constexpr CommandEntry exampleCommands[] = {{IDOK, onExampleOk}, {IDCANCEL, endDialogWith<IDCANCEL>}};
constexpr MessageTable exampleTable{exampleMessages, exampleCommands};
const DialogDefinition exampleDialog{IDD_SPI_EXAMPLE, dialogProcedure<exampleTable>};

LRESULT onExample(HWND dialog, const Command& command) {
    const INT_PTR answer = dialogBoxInLanguage(dialog, exampleDialog);
    if (answer < IDOK + 10 || answer > IDOK + 12) return TRUE;
    const auto choice = static_cast<gen::SpiExampleChoice>(answer - IDOK - 10);
    const gen::SpiExample example = gen::spiExample(choice, tool->sampleLimit, tool->random);
    showSettings(dialog, example.settings);
    tool->fileWords.clear();
    tool->formatLocked = false;
    tool->source = example.source;
    setFieldText(dialog, IDC_SPI_TEXT, fromAnsi(example.text));
    enableIdleControls(dialog);
    return onRun(dialog, command);
}

LRESULT onClear(HWND dialog, const Command&) {
    setFieldText(dialog, IDC_SPI_TEXT, std::wstring());
    if (!generatorRunning()) {
        if (hasDocument()) document().clearSamples();
        enableIdleControls(dialog);
    }
    return TRUE;
}

LRESULT onDataChange(HWND dialog, const Command&) {
    if (!generatorRunning()) enableIdleControls(dialog);
    return TRUE;
}

LRESULT onRateUnit(HWND dialog, const Command&) {
    tool->unit = cycleRateUnit(dialog, tool->unit);
    return TRUE;
}

LRESULT onConvert(HWND dialog, const Command&) {
    const gen::SpiSettings s = readSettings(dialog);
    WindowPrompt prompt(dialog);
    document().clearSamples();
    gen::SpiBuild built;
    const Msg error = gen::buildSpiForConvert(s, dataText(dialog), sourceWords(), app().caps, deviceCardType(), prompt,
                                              generatorBuffer(), built);
    if (error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    if (built.count == 0) return TRUE; // the memory question answered No
    handOffToWaveEditor(dialog, {{"SPI_CS", s.csChannel}, {"SPI_CLK", s.clockChannel}, {"SPI_DATA", s.dataChannel}},
                        gen::spiSampleClock(s));
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta;
    if (header.idFrom == IDC_SPI_WIDTH_SPIN)
        stepSpinField(dialog, IDC_SPI_WIDTH, delta > 0 ? 1 : -1, gen::spiMinWidth, gen::spiMaxWidth, SpinEnds::Clamp);
    else
        stepRate(dialog, tool->unit, delta > 0);
    return setDialogResult(dialog, TRUE);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<SpiTool>();
    tool->dialog = dialog;
    tool->sampleLimit = gen::sampleLimit(app().caps, gen::spiSampleLimitMargin);
    initGenerator(dialog);
    for (int spin : {IDC_SPI_WIDTH_SPIN, IDC_GEN_RATE_SPIN}) SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 100);
    showSettings(dialog, gen::SpiSettings{});
    setFieldText(dialog, IDC_SPI_FILE, std::string(noFileName));
    setFieldText(dialog, IDC_SPI_RANDOM_MANUAL, Msg::SpiRandomButton);
    enableIdleControls(dialog);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_SPI_RUN, onRun, BN_CLICKED},
    {IDC_SPI_STOP, onStop, BN_CLICKED},
    {IDC_SPI_EXIT, onExit, BN_CLICKED},
    {IDC_SPI_BROWSE, onBrowse, BN_CLICKED},
    {IDC_GEN_RATE_UNIT, onRateUnit, BN_CLICKED},
    {IDC_SPI_RANDOM_SOURCE, onRandomSource, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<spiHelpTopic, spiHelpContext>, BN_CLICKED},
    {IDC_SPI_EDIT_SOURCE, onEditSource, BN_CLICKED},
    {IDC_SPI_RANDOM_MANUAL, onRandomManual, BN_CLICKED},
    {IDC_SPI_EXAMPLE, onExample, BN_CLICKED},
    {IDC_GEN_CLEAR, onClear, BN_CLICKED},
    {IDC_SPI_CONVERT, onConvert, BN_CLICKED},
    {IDC_SPI_TEXT, onDataChange, EN_CHANGE},
    {IDC_SPI_FILE_SOURCE, onFileSource, BN_CLICKED},
    {IDC_SPI_HEX, onPair, BN_CLICKED},
    {IDC_SPI_ASCII, onPair, BN_CLICKED},
    {IDC_SPI_GENERATE, onGenerate, BN_CLICKED},
    {IDC_SPI_LOW_ACTIVE, onPair, BN_CLICKED},
    {IDC_SPI_HIGH_ACTIVE, onPair, BN_CLICKED},
    {IDC_SPI_RISING_EDGE, onPair, BN_CLICKED},
    {IDC_SPI_FALLING_EDGE, onPair, BN_CLICKED},
    {IDC_SPI_MSB, onPair, BN_CLICKED},
    {IDC_SPI_LSB, onPair, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_SPI_WIDTH_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_GEN_RATE_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openSpiTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_SPI, dialogProcedure<table>}, parameter);
}

HWND spiToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
