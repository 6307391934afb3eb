// qvtool gen: a protocol generator's Run path headless, through the output engine on a virtual
// instrument recorded as VCD, or its Convert path into a document. Each tool brings its own
// option table (name, value, help text, how it sets the tool's settings struct) and adds itself
// to the tool list in gen_command.cpp; the common options, the data text and the two paths are
// shared here.
#pragma once

#include "cli_common.h"
#include "generators/convert.h"
#include "device/rate_entry.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qv {

// `qvtool gen TOOL ...`; model is a --model given before "gen" (0 for none).
namespace cli {
struct InstrumentOptions;
}
// `before`: the model and instrument options given before `gen`; those after it add to them.
int generate(const std::vector<std::string>& args, const cli::InstrumentOptions& before);

namespace cli {

struct GenCommon {
    InstrumentOptions instrument; // model, card type, capture and the run's options
    std::string dataText; // --data FILE: the text of the data edit, line ends as CR LF
    std::string convertOut; // --convert OUT
    std::string exportOut; // --export OUT.qvv (tools with a waveform-file Export)
};

// One option of a tool: --name VALUE (valueName set) or a flag.
template <class Settings> struct GenOption {
    const char* name;
    const char* valueName; // nullptr for a flag
    Msg help;
    bool (*apply)(Settings& settings, const std::string& value);
};

struct GenTool {
    const char* name;
    Msg summary;
    void (*printOptions)();
    int (*main)(const GenCommon& common, const std::vector<std::string>& toolArgs);
    bool exportsWaveform = false; // takes --export OUT.qvv in place of --capture
};

// Applies the tool's options; an exit status on an unknown option, a missing or a bad value.
template <class Settings>
int applyOptions(std::span<const GenOption<Settings>> table, const std::vector<std::string>& args, Settings& s);
template <class Settings> void printOptionTable(std::span<const GenOption<Settings>> table);
void printOptionLine(const std::string& usage, Msg help);
int failWithValue(const std::string& option, const std::string& value);

// --capture: `output` runs the tool's output thread on the ports with a sample buffer of the
// model; true when the instrument runs.
int genCapture(const GenCommon& common, const std::function<bool(OutputPorts&, std::span<Sample>)>& output);
// --convert: `build` fills the buffer and the request's signals and clock (Msg::None) or names the
// error; then Convert's hand-off files are read back as the Wave Editor would and saved as OUT.
int genConvert(const GenCommon& common, const std::function<Msg(std::span<Sample>, gen::ConvertRequest&)>& build);

// Small value readers for the tables.
bool readInt(const std::string& text, int minimum, int maximum, int& value);
bool readRate(const std::string& text, double& bitsPerSecond); // a positive number, bits per second
template <class Enum, std::size_t N>
bool readChoice(const std::string& text, const char* const (&names)[N], Enum& value) {
    for (std::size_t k = 0; k < N; ++k)
        if (text == names[k]) {
            value = static_cast<Enum>(k);
            return true;
        }
    return false;
}

// ---- the list-based tools (CAN, LIN): list lines from options, Add's questions answered ---------

// The list a list-based tool outputs, built from --add, --line and --list in order; the first
// refusal stops the command with its message.
struct ListBuild {
    std::vector<std::string> lines;
    Msg refused = Msg::None;
    std::string refusedArgument;
};
// --list FILE: the file's lines appended as Import reads them.
bool appendListFile(const std::string& path, ListBuild& list);
// Add's questions answered as given (Yes, No, or Cancel when none was given), its messages kept.
class AddPrompt : public Prompt {
  public:
    explicit AddPrompt(Answer answer) : answer_(answer) {}
    Answer ask(int, Buttons) override { return answer_; }
    void show(int id, const std::string& argument) override {
        if (shown == Msg::None) shown = static_cast<Msg>(id), shownArgument = argument;
    }
    Msg shown = Msg::None;
    std::string shownArgument;

  private:
    Answer answer_;
};
// The rate option's number times the unit (M, K or bps), once all options were read.
struct RateOption {
    std::string text;
    RateUnit unit;
};
bool readRateUnit(const std::string& text, RateUnit& unit);
// The list's first refusal, or the list and the rate handed on; an exit status on failure.
int finishList(const ListBuild& list);
std::optional<double> rateOf(const RateOption& rate);

extern const GenTool uartGenTool;
extern const GenTool i2cGenTool;
extern const GenTool spiGenTool;
extern const GenTool syncCounterGenTool;
extern const GenTool asyncCounterGenTool;
extern const GenTool canGenTool;
extern const GenTool linGenTool;
extern const GenTool hdqGenTool;
extern const GenTool oneWireGenTool;
extern const GenTool encoderGenTool;
extern const GenTool pwmGenTool;
extern const GenTool smbusGenTool;
extern const GenTool pmbusGenTool;
extern const GenTool printerGenTool;
extern const GenTool binaryGenTool;
extern const GenTool i2sGenTool;
extern const GenTool dmx512GenTool;
extern const GenTool usbGenTool;

// ---- templates -------------------------------------------------------------------------------
template <class Settings>
int applyOptions(std::span<const GenOption<Settings>> table, const std::vector<std::string>& args, Settings& s) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const GenOption<Settings>* option = nullptr;
        for (const GenOption<Settings>& o : table)
            if (a == std::string("--") + o.name) option = &o;
        if (option == nullptr) return fail(Msg::CliUnknownCommand, a, exitBadArguments);
        std::string value;
        if (option->valueName != nullptr) {
            if (i + 1 == args.size()) return fail(Msg::CliMissingArgument, {}, exitBadArguments);
            value = args[++i];
        }
        if (!option->apply(s, value)) return failWithValue(a, value);
    }
    return exitDone;
}

template <class Settings> void printOptionTable(std::span<const GenOption<Settings>> table) {
    for (const GenOption<Settings>& o : table)
        printOptionLine(std::string("--") + o.name + (o.valueName ? std::string(" ") + o.valueName : std::string()),
                        o.help);
}

} // namespace cli
} // namespace qv
