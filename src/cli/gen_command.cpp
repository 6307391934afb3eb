// qvtool gen: the common options, the tool list, and the Run and Convert paths.
#include "gen_command.h"

#include "app/models.h"
#include "app/settings_store.h"
#include "device/rate_entry.h"
#include "generators/list_lines.h"
#include "generators/text_transfer.h"
#include "support/field_values.h"
#include "waveedit/handoff.h"
#include "waveedit/labels.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace qv {
namespace cli {
namespace {

// The generators qvtool knows, in the launcher's order; a new tool adds itself here.
const GenTool* const tools[] = {
    &uartGenTool,    &i2cGenTool, &spiGenTool,   &syncCounterGenTool, &asyncCounterGenTool, &printerGenTool,
    &binaryGenTool,  &linGenTool, &canGenTool,   &hdqGenTool,         &oneWireGenTool,      &i2sGenTool,
    &encoderGenTool, &usbGenTool, &smbusGenTool, &pmbusGenTool,       &pwmGenTool,          &dmx512GenTool};

constexpr std::size_t optionColumn = 24;
constexpr char baseFrequencyValue[] = "iBaseFreq";
constexpr char waveEditKey[] = "WaveEdit";

void printToolHelp(const GenTool& tool) {
    printLine(english(Msg::CliGenUsage, tool.name));
    printLine(english(tool.summary));
    printLine(english(Msg::CliHelpOptions));
    tool.printOptions();
    for (Msg id : {Msg::CliGenHelpData, Msg::CliGenHelpModel, Msg::CliGenHelpCapture, Msg::CliGenHelpConvert,
                   Msg::CliGenHelpAnswers})
        printLine(english(id));
}

// The edit control's line ends: a line feed alone becomes CR LF.
std::string editText(const std::string& file) {
    std::string text;
    text.reserve(file.size());
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '\n' && (i == 0 || file[i - 1] != '\r')) text += '\r';
        text += file[i];
    }
    return text;
}

} // namespace

void printOptionLine(const std::string& usage, Msg help) {
    std::string line = "  " + usage;
    line += std::string(line.size() < optionColumn ? optionColumn - line.size() : 1, ' ');
    printLine(line + english(help));
}

int failWithValue(const std::string& option, const std::string& value) {
    printLine(english(Msg::CliBadValue, option, value), stderr);
    return exitBadArguments;
}

bool readInt(const std::string& text, int minimum, int maximum, int& value) {
    const auto n = parseFieldInteger(text);
    if (!n || *n < minimum || *n > maximum) return false;
    value = static_cast<int>(*n);
    return true;
}

bool readRate(const std::string& text, double& bitsPerSecond) {
    const auto n = parseFieldNumber(text);
    if (!n || !(*n > 0) || *n > 1e9) return false;
    bitsPerSecond = static_cast<double>(nearestHertz(*n));
    return bitsPerSecond > 0;
}

bool appendListFile(const std::string& path, ListBuild& list) {
    std::string text;
    if (Msg m = gen::importText(path, text); m != Msg::None) {
        if (list.refused == Msg::None) list.refused = m, list.refusedArgument = path;
        return true; // reported by finishList, in order with the other refusals
    }
    for (std::string& line : gen::splitListText(text)) list.lines.push_back(std::move(line));
    return true;
}

bool readRateUnit(const std::string& text, RateUnit& unit) {
    static const char* const names[] = {"M", "K", "bps"};
    return readChoice(text, names, unit);
}

int finishList(const ListBuild& list) {
    if (list.refused == Msg::None) return exitDone;
    return fail(list.refused, list.refusedArgument);
}

std::optional<double> rateOf(const RateOption& rate) {
    const auto value = parseFieldNumber(rate.text);
    if (!value || !(*value > 0)) return std::nullopt;
    return rateBitsPerSecond(rate.text, rate.unit);
}

int genCapture(const GenCommon& common, const std::function<bool(OutputPorts&, std::span<Sample>)>& output) {
    const Capabilities caps = capabilitiesFor(common.instrument.model);
    std::vector<Sample> buffer(static_cast<std::size_t>(caps.sampleBufferBytes / bytesPerSample), 0);
    CommandLinePrompt prompt(true);
    return runOnVirtualInstrument(common.instrument, prompt, [&](OutputPorts& ports) { return output(ports, buffer); },
                                  {});
}

int genConvert(const GenCommon& common, const std::function<Msg(std::span<Sample>, gen::ConvertRequest&)>& build) {
    const int model = common.instrument.model;
    const Capabilities caps = capabilitiesFor(model);
    std::vector<Sample> buffer(static_cast<std::size_t>(caps.sampleBufferBytes / bytesPerSample), 0);
    gen::ConvertRequest request;
    request.capabilities = caps;
    request.samples = buffer;
    if (Msg m = build(buffer, request); m != Msg::None) return fail(m);

    std::random_device random;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qvtool-gen-" + std::to_string(random()) + std::to_string(random()));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    struct Cleanup {
        std::filesystem::path path;
        ~Cleanup() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } cleanup{folder};
    MemorySettingsStore store;
    request.folder = folder.string();
    request.settings = &store;
    request.waveEditKey = waveEditKey;
    if (Msg m = gen::convertToWaveEditor(request); m != Msg::None) return fail(m);

    auto doc = Document::create(caps, model != 0);
    if (!doc) return fail(Msg::MemoryNotEnough);
    loadHandoffFiles(request.folder, *doc);
    if (auto frequency = store.readNumber(waveEditKey, baseFrequencyValue))
        doc->output().baseFrequency = static_cast<std::int32_t>(*frequency);
    std::string refusedLabel;
    if (Msg m = save(common.convertOut, kindOf(common.convertOut), *doc, refusedLabel); m != Msg::None)
        return fail(m, refusedLabel);
    return exitDone;
}

} // namespace cli

int generate(const std::vector<std::string>& args, const cli::InstrumentOptions& before) {
    using namespace cli;
    if (args.empty() || args[0].starts_with("-")) {
        for (const GenTool* tool : tools) printOptionLine(tool->name, tool->summary);
        return args.empty()
            ? exitBadArguments
            : (args[0] == "--help" ? exitDone : fail(Msg::CliUnknownCommand, args[0], exitBadArguments));
    }
    const GenTool* tool = nullptr;
    for (const GenTool* t : tools)
        if (args[0] == t->name) tool = t;
    if (tool == nullptr) return fail(Msg::CliUnknownTool, args[0], exitBadArguments);

    GenCommon common;
    common.instrument = before;
    std::string dataPath;
    std::vector<std::string> toolArgs;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printToolHelp(*tool);
            return exitDone;
        }
        if (int taken = parseModelOption(args, i, common.instrument.model); taken != 0) {
            if (taken < 0) return -taken;
            continue;
        }
        if (int taken = parseInstrumentOption(args, i, common.instrument); taken != 0) {
            if (taken < 0) return -taken;
            continue;
        }
        if (a == "--data" || a == "--convert" || (a == "--export" && tool->exportsWaveform)) {
            if (i + 1 == args.size()) return fail(Msg::CliMissingArgument, {}, exitBadArguments);
            (a == "--data" ? dataPath : a == "--export" ? common.exportOut : common.convertOut) = args[++i];
            continue;
        }
        toolArgs.push_back(a);
    }
    const int outputs = !common.instrument.capture.empty() + !common.convertOut.empty() + !common.exportOut.empty();
    if (outputs != 1) return fail(Msg::CliGenNeedsOutput, {}, exitBadArguments);
    if (!dataPath.empty()) {
        std::string text;
        if (Msg m = gen::importText(dataPath, text); m != Msg::None) return fail(m);
        common.dataText = editText(text);
    }
    return tool->main(common, toolArgs);
}

} // namespace qv
