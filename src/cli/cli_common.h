// What the qvtool commands share: English texts from the catalogue, exit statuses, the document
// kinds by file name with their load and save, and an output on a virtual instrument through the
// output engine, recorded as VCD and reported the same way for `run` and `gen`.
#pragma once

#include "device/output_engine.h"
#include "support/strings.h"
#include "waveedit/document.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::cli {

enum Exit { exitDone = 0, exitFileError = 1, exitBadArguments = 2, exitProblemsFound = 3, exitRunUnfinished = 4 };

std::string english(Msg id, std::string_view argument = {}, std::string_view second = {});
void printLine(const std::string& line, std::FILE* stream = stdout);
int fail(Msg id, std::string_view argument = {}, int status = exitFileError);

enum class Kind { Qvw, Qvv, Handoff, Vcd, Law, Vht, Tbl, Sr }; // .law, .vht, .tbl and .sr: import only
Kind kindOf(const std::string& path);
// A .vcd is imported as the VCD converter does, a .tbl as the Altera table converter does (Load,
// then Convert at the frequency Load found); the converters' questions (12070, 12124, 12023,
// 12082, 12060, 12056) are answered Yes with acceptQuestions, else No. A .sr (sigrok session) is
// opened as the Wave Editor opens it. detail: the text of a failure message's %s, if any.
Msg load(const std::string& path, Kind kind, Document& doc, bool acceptQuestions = false,
         std::string* detail = nullptr);
// refusedLabel: the label a refused text save names.
Msg save(const std::string& path, Kind kind, const Document& doc, std::string& refusedLabel);
int loadFailure(Msg m, std::string_view detail = {});

// The virtual instrument of a run and what the run does while it waits.
struct InstrumentOptions {
    int model = 0;
    int cardType = 0;
    std::string capture;
    int keyEvents = 0;
    std::uint64_t maxSamples = 0;
    std::array<std::vector<std::uint64_t>, 3> eventAt{};
    std::array<std::vector<std::uint64_t>, 3> eventEndAt{}; // --ev1 A-B: a line held high until B
};

// A command line cannot ask: questions are answered as `answer` says, shown on standard error
// with the answer; messages go to standard error.
class CommandLinePrompt : public Prompt {
  public:
    explicit CommandLinePrompt(bool affirmative) : affirmative_(affirmative) {}
    Answer ask(int id, Buttons buttons) override;
    Answer askWith(int id, Buttons buttons, std::string_view argument, std::string_view second) override;
    void show(int id, const std::string& argument) override;

  private:
    bool affirmative_;
};

// A generator's output that ran: still running, or ended between sections by the sample limit.
bool outputStarted(OutputResult result);

// Attaches a virtual instrument, lets `output` start it through the output engine (true when it
// runs), gives the key events whenever the sequencer waits for the key, powers it down and
// reports where it came to rest. `refusedText` names the run in the refusal message; an empty
// one means `output` has already said why.
int runOnVirtualInstrument(const InstrumentOptions& options, Prompt& prompt,
                           const std::function<bool(OutputPorts&)>& output, const std::string& refusedText);

// Parses --capture, --key-events, --max-samples, --ev1..--ev3 (pulses S or held lines A-B) and --card-type at args[i]
// (moving i past the value). 1 taken, 0 not an instrument option, or an exit status (negated) on error.
int parseInstrumentOption(const std::vector<std::string>& args, std::size_t& i, InstrumentOptions& options);
// --model CODE or --model=CODE at args[i]: 1 taken, 0 not it, negated exit status on error.
int parseModelOption(const std::vector<std::string>& args, std::size_t& i, int& model);

} // namespace qv::cli
