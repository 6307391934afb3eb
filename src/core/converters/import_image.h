// The sample image that the VCD and VHDL importers build: runs of one sample word written from the
// lead on, long runs as sequencer loops whose output lasts exactly the run, output-enable changes
// as OE commands, and Convert's start and repeat commands. It also turns their signal lists into
// label tables. It neither reads files nor asks questions: a run that does not fit is reported.
//
// Command timing is the Wave Editor's (output moves each command three samples ahead, so a
// command acts right after the sample it is placed on): LC n followed by LP at the end of a body
// outputs the body n times. Every command keeps clear of the samples the sequencer's pipeline
// reads around it and of those Waveform Check keeps free (none within five samples after a jump,
// none on the three samples before or at a jump target, none within four after OE), so that the
// check finds nothing.
//
// An output-enable change is placed on the samples before its run, so that the outputs switch as
// the run starts. It comes late where the commands before leave no room: within seven samples of
// the first sample a command may use (the start commands), of the end of a loop, or of the OE
// before it (an OE takes three samples and keeps the four after it free, so the outputs can switch
// at most every seventh sample: a shorter high-impedance stretch lasts seven samples).
#pragma once

#include "app/models.h"
#include "converters/text_vector_statements.h"
#include "device/prompt.h"
#include "support/strings.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <span>
#include <vector>

namespace qv::importing {

// Wait Key Before Run or Repeat checked: the data starts after the start commands.
inline constexpr int leadSamples = 20;
// Runs at least this long become loops.
inline constexpr std::uint64_t loopThreshold = 100;
inline constexpr int loopBodySamples = 10;
// Samples from the loop count commands to the body: LC on the second, the body after three more.
inline constexpr int loopLeadSamples = 5;
inline constexpr int maxLoopCount = 65536;

// The sample clock for a file's rate: the rate itself when the model makes it; otherwise 12023
// "Can't generate this value, Default nearby?": Yes takes the nearest achievable frequency (a rate
// above the model's maximum comes nearest to the maximum), No refuses with 12057.
Msg askAchievableFrequency(std::int64_t requested, const Capabilities& caps, Prompt& prompt, int& frequency);

// Where the first command of the data may go: clear of the start commands Convert writes.
int firstCommandSample(const Capabilities& caps, int lead);

// What a run that did not fit left the import to do: 12070 "file too large" answered Yes keeps
// what fits (Truncated), No gives the import up (Abandoned).
enum class RunFit { Fits, Truncated, Abandoned };

class ImportImage {
  public:
    // image: the usable image (sample 0 = image sample 0); limit: samples that may be written.
    ImportImage(std::span<Sample> image, int lead, int firstCommand, int limit);

    // Outputs the following samples with this output-enable value (one bit per channel group).
    void setOutputEnable(unsigned value);
    // Appends `count` samples of `word` (channel bits; the command bits are the builder's). False
    // when the run does not fit: the samples that fit are written, the image is then full.
    bool appendRun(Sample word, std::uint64_t count);
    // appendRun, asking 12070 when the run does not fit.
    RunFit appendRunOrAsk(Sample word, std::uint64_t count, Prompt& prompt);

    int position() const { return position_; } // image samples written after the lead
    std::uint64_t outputSamples() const { return outputSamples_; } // samples the data lasts
    Sample lastWord() const { return lastWord_; }
    // The data end (lead + position) after padding the last word over the commands placed past
    // the data; the rest of the image then holds the last word.
    int finish();
    // The end that leaves the repeat jump on the last three samples clear of the data's commands:
    // at least finish(); the samples in between repeat the last word.
    int repeatEnd() const;

  private:
    void placeCommand(int at, unsigned word);
    bool writeWord(Sample word, int count);

    std::span<Sample> image_;
    int lead_;
    int limit_;
    int position_ = 0;
    int nextFree_; // the first sample a command may go on
    int commandEnd_ = 0; // image samples that carry commands (index of the last + 1)
    std::uint64_t outputSamples_ = 0;
    Sample lastWord_ = 0;
    bool outputEnablePending_ = false;
    unsigned outputEnable_ = 0;
};

// Output-enable value for a set of high-impedance channels: group k (channels k x g .. k x g + g - 1)
// stays enabled unless one of its channels floats.
unsigned outputEnableFor(std::uint64_t floatingChannels, int channelsPerGroup);

struct ConvertCommands {
    bool sixteenChannelSet = false; // all outputs enabled on samples 0, 1, 2
    bool waitKey = false; // SE KEY on sample waitKeySample, WE on the next
    int waitKeySample = 8;
    bool repeat = false; // JP to `repeatTarget` on the last three samples before `end`
    int end = 0; // lead + samples written
    int repeatTarget = 0; // image sample the repeat jumps to
};
void writeConvertCommands(std::span<Sample> image, const ConvertCommands& commands);

// The default command label, then the signal list's rows (one label for one channel, a bus in
// channel-list order for several). False when the table has no room for them.
bool buildSignalLabels(const std::vector<textvector::Signal>& signals, LabelTable& labels);

} // namespace qv::importing
