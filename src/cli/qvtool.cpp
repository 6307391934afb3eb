// qvtool: the command line over the portable core. Reads and writes the Wave Editor's documents
// (.qvw, .qvv, hand-off folders), exports them as VCD, shows what a document holds, runs Waveform
// Check, and outputs a document through the output engine on the virtual instrument, recording
// the outputs as VCD. Every text comes from the string catalogue (English); errors exit non-zero
// with the message's text.
#include "app/models.h"
#include "device/frequency.h"
#include "device/output_engine.h"
#include "cli_common.h"
#include "gen_command.h"
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
#include "waveedit/run_waveform.h"
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

using namespace cli;

void printHelp() {
    for (Msg id : {Msg::CliUsage, Msg::CliHelpCommands, Msg::CliHelpInfo, Msg::CliHelpConvert, Msg::CliHelpVcd,
                   Msg::CliHelpCheck, Msg::CliHelpRun, Msg::CliHelpGen, Msg::CliHelpOptions, Msg::CliHelpModel,
                   Msg::CliHelpYes, Msg::CliHelpRunOptions, Msg::CliHelpCardType, Msg::CliHelpHelp, Msg::CliHelpFormats,
                   Msg::CliHelpImports, Msg::CliHelpExit})
        printLine(english(id));
}

std::string field(Msg name) { return english(name) + ": "; }

int info(const std::string& path, Document& doc, bool acceptQuestions) {
    const Kind kind = kindOf(path);
    std::string detail;
    if (Msg m = load(path, kind, doc, acceptQuestions, &detail); m != Msg::None) return loadFailure(m, detail);
    const Msg format = kind == Kind::Qvv ? Msg::CliFormatQvv
        : kind == Kind::Handoff          ? Msg::CliFormatHandoff
        : kind == Kind::Sr               ? Msg::CliFormatSigrok
        : kind == Kind::Vcd              ? Msg::CliFormatVcd
        : kind == Kind::Law              ? Msg::CliFormatLaw
        : kind == Kind::Vht              ? Msg::CliFormatVht
        : kind == Kind::Tbl              ? Msg::CliFormatTbl
                                         : Msg::CliFormatQvw;
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

int convert(const std::string& in, const std::string& out, Document& doc, bool acceptQuestions) {
    std::string detail;
    if (Msg m = load(in, kindOf(in), doc, acceptQuestions, &detail); m != Msg::None) return loadFailure(m, detail);
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

// Outputs the document as the Wave Editor's Run does (runWaveform: the clock in its frequency mode,
// 12023 for a clock the instrument cannot make, the levels, the prepared image) on a virtual
// instrument; --yes answers 12023 Yes, as for the converters' questions.
int runOnInstrument(const std::string& path, const InstrumentOptions& options, Document& doc, bool acceptQuestions) {
    std::string detail;
    if (Msg m = load(path, kindOf(path), doc, acceptQuestions, &detail); m != Msg::None) return loadFailure(m, detail);
    CommandLinePrompt prompt(acceptQuestions);
    return runOnVirtualInstrument(options, prompt,
                                  [&](OutputPorts& ports) {
                                      const WaveRunOutcome outcome = runWaveform(ports, doc);
                                      if (outcome.result == WaveRunResult::Failed) fail(Msg::CliRunRefused, path);
                                      if (outcome.result == WaveRunResult::Refused)
                                          fail(Msg::CliRunClockRefused, frequencyText(outcome.baseFrequency));
                                      return outcome.result == WaveRunResult::Running;
                                  },
                                  {});
}

int run(const std::vector<std::string>& args) {
    int model = 0;
    InstrumentOptions runOptions;
    std::vector<std::string> words;
    bool acceptQuestions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (words.empty() && a == "gen") {
            // Options before `gen` count as if given after it (a generator answers Yes anyway).
            runOptions.model = model;
            return generate(std::vector<std::string>(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end()),
                            runOptions);
        }
        if (a == "--help" || a == "-h") {
            printHelp();
            return exitDone;
        }
        if (a == "--yes") {
            acceptQuestions = true;
            continue;
        }
        if (int taken = parseModelOption(args, i, model); taken != 0) {
            if (taken < 0) return -taken;
            continue;
        }
        if (int taken = parseInstrumentOption(args, i, runOptions); taken != 0) {
            if (taken < 0) return -taken;
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
    if (command == "info") return info(words[1], *doc, acceptQuestions);
    if (command == "check") return check(words[1], *doc);
    if (command == "run") {
        if (model == 0 || runOptions.capture.empty()) return fail(Msg::CliRunNeedsCapture, {}, exitBadArguments);
        runOptions.model = model;
        return runOnInstrument(words[1], runOptions, *doc, acceptQuestions);
    }
    return convert(words[1], words[2], *doc, acceptQuestions);
}

} // namespace
} // namespace qv

int main(int argc, char** argv) {
    try {
        return qv::run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        return qv::cli::fail(qv::Msg::MemoryNotEnough);
    } catch (const std::exception&) {
        return qv::cli::fail(qv::Msg::CantOpenFile);
    }
}
