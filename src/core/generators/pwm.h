// The PWM tool: two pulse-width-modulated outputs of one frequency on two channels, each with its
// own duty cycle in 1 % steps (100 samples a period) or 0.1 % steps (1000 samples). The stream is
// 30 lead-in samples and one period, which the sequencer repeats from sample 30; Export writes the
// same stream as a .qvv text vector file whose jump lands on the same point behind the file's
// 12-sample head. Duties outside 0..100 % are refused (they would stretch or empty the period).
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <span>
#include <string>

namespace qv::gen {

enum class DutyStep { Percent = 0, Tenth };

inline constexpr int pwmLeadInSamples = 30;
inline constexpr unsigned pwmRepeatAddress = 0x1E; // the period's first sample
inline constexpr unsigned pwmExportRepeatAddress = 0x2A; // the same sample behind a file's head
inline constexpr int pwmEventSelection = 1;
inline constexpr int pwmFrequencyMode = 1; // the internal clock

struct PwmSettings {
    int channel1 = 0;
    int channel2 = 1;
    double frequencyHz = 100e3; // rounded to whole hertz
    DutyStep step = DutyStep::Percent;
    double duty1 = 50; // percent, as typed
    double duty2 = 50;
    bool repeat = true;
};

// S: the samples of one period.
int pwmStepsPerPeriod(DutyStep step);
// A duty in steps of the period (50 % -> 50 or 500), or -1 when it is no number or outside 0..100 %.
int pwmDutySteps(double percent, DutyStep step);

// The checks of Run and Export in their order: the channels (12096 outside the model, 12123 the
// same), the frequency (17900, 17901, then 12122 with F / 100,000,000 or 12127 with F / 1,000,000
// above F / S), the duties (19701). argument: the number a message names.
struct PwmCheck {
    Msg error = Msg::None;
    std::string argument;
    int clockHz = 0; // S x f
    int duty1 = 0, duty2 = 0; // in steps
};
PwmCheck checkPwm(const PwmSettings& s, const Capabilities& caps);

enum class PwmTarget { Output, Export };
// The stream of n = S + 30 samples into out (at least n samples): output 1 high on samples
// 30 .. 30 + D1 - 1, output 2 on 30 .. 30 + D2 - 1. Output: SE KEY on 0, WE on 2, OE on 7..9 on
// card type 18, Repeat JP 30 on n - 6 .. n - 4. Export: Repeat JP 42 on n - 3 .. n - 1. Without
// Repeat: WE on n - 4. Returns n.
int buildPwmStream(const PwmSettings& s, const PwmCheck& checked, PwmTarget target, int cardType,
                   std::span<Sample> out);

// Export: the checks, the stream, the labels of the hand-off file WAVEEDIT.LBL in workFolder (the
// default command label when it is missing or malformed) and a label "CH-nn" for every channel
// that has neither a label on its bit nor a label of that name, written to path as a .qvv file
// at the sample clock with the internal clock mode. The file is replaced only when complete.
Msg exportPwmQvv(const PwmSettings& s, const Capabilities& caps, const std::string& workFolder, const std::string& path,
                 std::string& argument);

// The output thread: the checks, the clock check with the nearby-clock question, the stream and
// the output with event selection 1. Errors are shown through the prompt; clockHz: the clock used.
struct PwmRunResult {
    OutputOutcome outcome;
    int clockHz = 0;
};
PwmRunResult runPwm(OutputPorts& ports, const PwmSettings& s, std::span<Sample> buffer);

} // namespace qv::gen
