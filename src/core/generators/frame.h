// What every generator shares about its stream: the sample word as the generators write it (bit
// 12 + n channel n, bits 62 and 63 the two fixed output ports), the sequencer commands they place,
// the frame around the protocol data (start handshake, output enable on card type 18, the end
// wait or the repeat jump four samples before the end), the output thread's common steps on the
// output engine, and each tool's sample clock facts. Streams start at device address 0: a
// generator has no prefix samples and no command shift, so jump targets are buffer indexes.
#pragma once

#include "device/output_engine.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <span>

namespace qv::gen {

inline constexpr Sample outputPort0 = Sample{1} << outputPort0Bit;
inline constexpr Sample outputPort1 = Sample{1} << outputPort1Bit;
inline constexpr int cardTypeWithOutputEnable = 18;

// Command words as generators place them (three-sample commands: operand words first).
inline constexpr unsigned commandSelectKey = 0x600; // SE KEY
inline constexpr unsigned commandSelectEvent1 = 0x609; // SE EV1
inline constexpr unsigned commandWaitEvent = 0x700; // WE
inline constexpr unsigned outputEnableAll = 0xFFFF;

// OE with a 16-bit mask on samples at, at + 1, at + 2 (OR-ed into the command fields).
void placeOutputEnable(std::span<Sample> samples, int at, unsigned mask);
// JP to address on samples at, at + 1, at + 2.
void placeJump(std::span<Sample> samples, int at, unsigned address);
inline void placeCommand(std::span<Sample> samples, int at, unsigned word) {
    samples[static_cast<std::size_t>(at)] |= word & commandMask;
}

// Where a tool puts its frame commands; the end commands sit relative to the samples written.
struct FrameLayout {
    int selectKeyAt; // SE KEY; -1 for none (I2C while converting)
    int waitAt; // WE of the start handshake
    int outputEnableAt; // OE 0xFFFF on card type 18
    unsigned repeatAddress; // JP target with Repeat
};
inline constexpr int endCommandOffset = 4; // the end WE, or the JP's last word, at count - 4

// The frame commands: SE KEY and WE of the handshake, OE on card type 18, and at the end either
// JP to the repeat address on count - 6 .. count - 4 (repeat) or WE on count - 4.
void placeFrameCommands(std::span<Sample> samples, int count, const FrameLayout& layout, int cardType, bool repeat);

// Fills samples [from, to) with one value; the builders' inner loops write through raw pointers
// with bounds checked once per frame, never per sample.
inline void fillSamples(Sample* at, int count, Sample value) {
    for (int i = 0; i < count; ++i) at[i] = value;
}

// The sample limit of a tool: memory depth in samples minus its margin (36 for UART and SPI, 12
// for I2C).
inline int sampleLimit(const Capabilities& caps, int margin) { return caps.depthSamples() - margin; }

// ---- the output thread's common steps ----------------------------------------------------------

// qvCardType in a call group: the card type decides whether streams carry OE commands.
int readCardType(OutputPorts& ports);

// A generator's run on the output engine: checks done by the tool before the clock, the clock by
// rule, then per buffer qvSetFreq(0, mode 4), qvReset, build, qvWriteData and the run routine.
struct GeneratorJob {
    int clockHz = 0;
    ClockRule clockRule = ClockRule::AskNearby;
    int eventSelection = 0;
    bool resetBeforeClock = true; // the counters set their clock without qvReset first
    SectionBuilder build;
};
// Runs the job through runOutput; a build error is shown through the prompt (error box) and
// returned in the outcome. Out of memory becomes 12007.
OutputOutcome runGeneratorOutput(OutputPorts& ports, const GeneratorJob& job);

} // namespace qv::gen
