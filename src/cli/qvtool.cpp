// qvtool: the command line over the portable core. Reads and writes the Wave Editor's documents
// (.qvw, .qvv, hand-off folders), exports them as VCD, shows what a document holds, runs Waveform
// Check, and outputs a document through the output engine on the virtual instrument, recording
// the outputs as VCD. Every text comes from the string catalogue (English); errors exit non-zero
// with the message's text.
#include "app/models.h"
#include "device/frequency.h"
#include "device/output_engine.h"
#include "sim/driver_functions.h"
#include "support/channel_list.h"
#include "support/field_values.h"
#include "support/strings.h"
#include "support/text_fill.h"
#include "waveedit/document.h"
#include "waveedit/frequency_mode.h"
#include "waveedit/handoff.h"
#include "waveedit/labels.h"
#include "waveedit/qvv_reader.h"
#include "waveedit/qvv_writer.h"
#include "waveedit/output_image.h"
#include "waveedit/qvw_file.h"
#include "waveedit/vcd_export.h"
#include "waveedit/waveform_check.h"
#include "waveedit/waveform_files.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qv {
namespace {

enum Exit { exitDone = 0, exitFileError = 1, exitBadArguments = 2, exitProblemsFound = 3, exitRunUnfinished = 4 };

enum class Kind { Qvw, Qvv, Handoff, Vcd };

std::string english(Msg id, std::string_view argument = {}) { return fillMarkers(text(id), {argument}); }

void printLine(const std::string& line, std::FILE* stream = stdout) {
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
}

int fail(Msg id, std::string_view argument = {}, int status = exitFileError) {
    printLine(english(id, argument), stderr);
    return status;
}

void printHelp() {
    for (Msg id : {Msg::CliUsage, Msg::CliHelpCommands, Msg::CliHelpInfo, Msg::CliHelpConvert, Msg::CliHelpVcd,
                   Msg::CliHelpCheck, Msg::CliHelpRun, Msg::CliHelpOptions, Msg::CliHelpModel, Msg::CliHelpRunOptions,
                   Msg::CliHelpHelp, Msg::CliHelpFormats, Msg::CliHelpExit})
        printLine(english(id));
}

// The Wave Editor's rule: ".qvv" or ".QVV" is a text vector file; a folder holds hand-off files.
Kind kindOf(const std::string& path) {
    if (isTextVectorFileName(path)) return Kind::Qvv;
    if (path.size() > 4 && (path.ends_with(".vcd") || path.ends_with(".VCD"))) return Kind::Vcd;
    std::error_code error;
    if (!path.empty() && (path.back() == '/' || path.back() == '\\' || std::filesystem::is_directory(path, error)))
        return Kind::Handoff;
    return Kind::Qvw;
}

// A command-line tool cannot ask: a file longer than the memory is not loaded.
class RefusingPrompt : public Prompt {
  public:
    Answer ask(int, Buttons) override { return Answer::No; }
    void show(int, const std::string&) override {}
};

Msg load(const std::string& path, Kind kind, Document& doc) {
    switch (kind) {
    case Kind::Qvw:
    case Kind::Vcd: // not a waveform: read as .qvw, which refuses it
    case Kind::Qvv: {
        if (fileSize(path) < 0) return Msg::CantOpenFile;
        RefusingPrompt prompt;
        return openWaveformFile(path, doc, prompt);
    }
    case Kind::Handoff:
        if (fileSize(handoffLabelPath(path)) < 0 && fileSize(handoffSamplePath(path)) < 0) return Msg::CantOpenFile;
        loadHandoffFiles(path, doc);
        return Msg::None;
    }
    return Msg::NoQvWaveformFile;
}

// refusedLabel: the label a refused text save names.
Msg save(const std::string& path, Kind kind, const Document& doc, std::string& refusedLabel) {
    switch (kind) {
    case Kind::Qvw: return saveWaveformFile(path, doc, saveModeBinary);
    case Kind::Qvv: return saveWaveformFile(path, doc, saveModeText, 0, &refusedLabel);
    case Kind::Handoff: {
        std::error_code error;
        std::filesystem::create_directories(path, error);
        return writeHandoffFiles(path, doc.labels(), doc.usableImage());
    }
    case Kind::Vcd: return exportVcd(path, doc);
    }
    return Msg::FileCanNotCreate;
}

int loadFailure(Msg m) { return m == Msg::FileTooLarge ? fail(Msg::CliAnsweredNo) : fail(m); }

std::string field(Msg name) { return english(name) + ": "; }

int info(const std::string& path, Document& doc) {
    const Kind kind = kindOf(path);
    if (Msg m = load(path, kind, doc); m != Msg::None) return loadFailure(m);
    const Msg format = kind != Kind::Qvv && kind != Kind::Handoff ? Msg::CliFormatQvw
        : kind == Kind::Qvv                                       ? Msg::CliFormatQvv
                                                                  : Msg::CliFormatHandoff;
    printLine(field(Msg::CliFormat) + english(format));
    const LabelTable& labels = doc.labels();
    int rows = 0;
    forEachLabel(labels, [&](LabelSpan) { ++rows; });
    printLine(field(Msg::CliLabels) + std::to_string(rows));
    forEachLabel(labels, [&](LabelSpan span) {
        std::vector<int> channels;
        for (int k = 0; k < span.count; ++k) channels.push_back(labels[span.first + k].bitIndex - firstChannelBit);
        const LabelRecord& head = labels[span.first];
        std::string name(head.name, strnlen(head.name, labelNameBytes));
        printLine("  " + name + "  " + (isCommandLabel(head) ? std::string("QVF") : channelListText(channels)));
    });
    const OutputSettings& out = doc.output();
    printLine(field(Msg::CliBaseFrequency) + frequencyText(out.baseFrequency) + " (" +
              std::to_string(out.baseFrequency) + " Hz)");
    printLine(field(Msg::CliFrequencyMode) + std::to_string(out.frequencyMode) + " " +
              std::string(frequencyModeName(out.frequencyMode)));
    printLine(field(Msg::CliOutputLevels) + std::to_string(out.outputLevel0) + ", " + std::to_string(out.outputLevel1));
    printLine(field(Msg::CliUsedLength) + std::to_string(qvwSampleCount(doc)) + " " + english(Msg::CliSamples));
    return exitDone;
}

int convert(const std::string& in, const std::string& out, Document& doc) {
    if (Msg m = load(in, kindOf(in), doc); m != Msg::None) return loadFailure(m);
    std::string refusedLabel;
    if (Msg m = save(out, kindOf(out), doc, refusedLabel); m != Msg::None) return fail(m, refusedLabel);
    return exitDone;
}

int check(const std::string& path, Document& doc) {
    if (Msg m = load(path, kindOf(path), doc); m != Msg::None) return loadFailure(m);
    const std::vector<CheckProblem> problems = checkWaveform(doc.usableImage(), doc.usableSamples());
    for (const CheckProblem& p : problems) printLine(checkProblemText(p));
    if (problems.empty()) {
        printLine(english(Msg::NoError));
        return exitDone;
    }
    return exitProblemsFound;
}

struct RunOptions {
    std::string capture;
    int keyEvents = 0;
    std::uint64_t maxSamples = 0;
    std::array<std::vector<std::uint64_t>, 3> eventAt{};
};

// A command line cannot ask: a clock the instrument cannot make is replaced by the nearest one,
// and the notice goes to standard error.
class AcceptingPrompt : public Prompt {
  public:
    Answer ask(int, Buttons) override { return Answer::Yes; }
    void show(int id, const std::string& argument) override { printLine(english(Msg(id), argument), stderr); }
};

// Outputs the document through the output engine on a virtual instrument of `model`, gives the
// key events whenever the sequencer waits for the key, and reports where it came to rest.
int runOnInstrument(const std::string& path, int model, const RunOptions& options, Document& doc) {
    if (Msg m = load(path, kindOf(path), doc); m != Msg::None) return loadFailure(m);
    sim::DeviceConfig device;
    device.modelCode = model;
    device.serial = "QVTOOL";
    device.interfaceName = "USB";
    device.capturePath = options.capture;
    device.sampleLimit = options.maxSamples;
    device.eventAt = options.eventAt;
    sim::Platform platform;
    platform.readConfiguration = [device] { return sim::Configuration{{device}, {}}; };
    platform.openOsHandle = [](int slot) -> sim::OsHandle { return slot + 1; };
    sim::installPlatform(std::move(platform));
    const Driver driver = sim::simulatorDriver();
    const DeviceHandle handle = driver.qvHasHw(driver.qvFindDevice());

    DriverInterlock interlock;
    OutputFlags flags;
    flags.running = 1;
    AcceptingPrompt prompt;
    OutputPorts ports{driver, handle, interlock, flags, prompt, capabilitiesFor(model)};
    // The Wave Editor's preparation: handshake prefix, unlabelled channels cleared, commands
    // shifted, closing loop.
    OutputJob job{doc.output().baseFrequency, 0, 0, true, [&](int) {
                      const PreparedOutput prepared = prepareDocumentForOutput(doc.sampleBuffer(), doc.usableSamples(),
                                                                               doc.labels(), doc.secondBuffer());
                      if (prepared.lengthSamples <= 0) return Section{{}, true, Msg::MemoryNotEnough};
                      return Section{doc.sampleBuffer().first(static_cast<std::size_t>(prepared.lengthSamples))};
                  }};
    const OutputOutcome outcome = runOutput(ports, job);
    if (outcome.result != OutputResult::Running) return fail(Msg::CliRunRefused, path);

    int keysLeft = options.keyEvents;
    sim::SequencerState state = sim::SequencerState::Running;
    for (;;) {
        std::int32_t running = 1, word = 0, code = 0;
        driver.qvReadStatus(handle, &running, &word, &code);
        if (running != 0) continue;
        state = static_cast<sim::SequencerState>(driver.qvGetHwInfo(handle, sim::infoSequencerState));
        if (state != sim::SequencerState::WaitingForKey || keysLeft == 0) break;
        --keysLeft;
        driver.qvKeyboardEvent(handle);
    }
    std::uint64_t samples = 0;
    bool captureFailed = false;
    sim::withRack([&](sim::Rack& rack) {
        samples = rack.sequencer(handle)->sampleNumber();
        captureFailed = rack.device(handle)->captureFailed;
    });
    stopOutput(ports);
    sim::withRack([&](sim::Rack& rack) { captureFailed = captureFailed || rack.device(handle)->captureFailed; });
    driver.qvShutdown(handle);
    if (captureFailed) return fail(Msg::CliCaptureFailed, options.capture);

    printLine(field(Msg::CliRunEnded) + std::to_string(samples));
    switch (state) {
    case sim::SequencerState::WaitingForKey: printLine(english(Msg::CliRunWaitsForKey)); return exitDone;
    case sim::SequencerState::WaitingForEvent: printLine(english(Msg::CliRunWaitsForEvent)); return exitDone;
    case sim::SequencerState::AtSampleLimit: printLine(english(Msg::CliRunAtLimit)); return exitDone;
    default: printLine(english(Msg::CliRunOffMemory)); return exitRunUnfinished;
    }
}

int run(const std::vector<std::string>& args) {
    int model = 0;
    RunOptions runOptions;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp();
            return exitDone;
        }
        if (a == "--model" || a.rfind("--model=", 0) == 0) {
            std::string code;
            if (a == "--model") {
                if (i + 1 == args.size()) return fail(Msg::CliMissingArgument, {}, exitBadArguments);
                code = args[++i];
            } else {
                code = a.substr(8);
            }
            model = parseModelCode(code);
            if (model <= 0 || modelRow(model).code != model) return fail(Msg::CliBadModel, code, exitBadArguments);
            continue;
        }
        if (a == "--capture" || a == "--key-events" || a == "--max-samples" || a == "--ev1" || a == "--ev2" ||
            a == "--ev3") {
            if (i + 1 == args.size()) return fail(Msg::CliMissingArgument, {}, exitBadArguments);
            const std::string& value = args[++i];
            if (a == "--capture") {
                runOptions.capture = value;
            } else if (a == "--key-events") {
                const auto n = parseDigits(value, 1000000000);
                if (!n) return fail(Msg::CliBadNumber, value, exitBadArguments);
                runOptions.keyEvents = static_cast<int>(*n);
            } else if (a == "--max-samples") {
                const auto n = sim::parseSampleLimit(value);
                if (!n) return fail(Msg::CliBadNumber, value, exitBadArguments);
                runOptions.maxSamples = *n;
            } else {
                const auto times = sim::parseEventTimes(value);
                if (!times) return fail(Msg::CliBadNumber, value, exitBadArguments);
                runOptions.eventAt[static_cast<std::size_t>(a[4] - '1')] = *times;
            }
            continue;
        }
        if (a.size() > 1 && a[0] == '-') return fail(Msg::CliUnknownCommand, a, exitBadArguments);
        words.push_back(a);
    }
    if (words.empty()) {
        printHelp();
        return exitBadArguments;
    }
    const std::string& command = words[0];
    const std::size_t needed = command == "convert"                   ? 3
        : command == "info" || command == "check" || command == "run" ? 2
                                                                      : 0;
    if (needed == 0) return fail(Msg::CliUnknownCommand, command, exitBadArguments);
    if (words.size() < needed) return fail(Msg::CliMissingArgument, {}, exitBadArguments);
    if (words.size() > needed) return fail(Msg::CliUnknownCommand, words[needed], exitBadArguments);

    // Demo mode unless a model is named: then the rules of an attached instrument apply.
    auto doc = Document::create(capabilitiesFor(model), model != 0);
    if (!doc) return fail(Msg::MemoryNotEnough);
    resetToDefaultLabels(doc->labels());
    if (command == "info") return info(words[1], *doc);
    if (command == "check") return check(words[1], *doc);
    if (command == "run") {
        if (model == 0 || runOptions.capture.empty()) return fail(Msg::CliRunNeedsCapture, {}, exitBadArguments);
        return runOnInstrument(words[1], model, runOptions, *doc);
    }
    return convert(words[1], words[2], *doc);
}

} // namespace
} // namespace qv

int main(int argc, char** argv) {
    try {
        return qv::run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        return qv::fail(qv::Msg::MemoryNotEnough);
    } catch (const std::exception&) {
        return qv::fail(qv::Msg::CantOpenFile);
    }
}
