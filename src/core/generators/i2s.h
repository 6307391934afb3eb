// The I2S generator: stereo words on three consecutive channels, serial clock (SCK), word select
// (WS, low for left, high for right) and serial data (SD). Each word sits in a slot of 32 bit
// times, most significant bit first, starting one bit time after its WS change; at width 32 the
// least significant bit falls in the next slot's WS-change bit time, as I2S does. A bit time is two
// samples (SCK low, then high), so the sample clock is twice SCK. No Convert.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

inline constexpr int i2sLeadInSamples = 20;
inline constexpr int i2sSampleLimitMargin = 12;
inline constexpr int i2sEventSelection = 2;
inline constexpr int i2sSlotBits = 32;
inline constexpr int i2sSamplesPerBit = 2;
inline constexpr int i2sWidths[] = {8, 16, 20, 24, 32}; // the "Width" combo
inline constexpr int i2sPresetClocks[] = {2048000, 2822400, 3072000}; // sample clocks of "I2S Clock"
inline constexpr char i2sSampleText[] = "L=75F5, R=5C75;\r\nL=DD35, R=65D1;";

struct I2sSettings {
    int sckChannel = 0; // WS and SD on the next two channels
    int width = 16;
    bool preset = false; // "I2S Clock" checked: the preset's clock, else the manual SCK
    int presetIndex = 0;
    double sckHz = 2.5e6; // manual SCK frequency, rounded to whole hertz
    bool repeat = false;
};

struct I2sWord {
    bool right; // WS high
    std::uint32_t value;
};

// The highest SCK channel: the channel count - 3, so that SD stays on a real channel.
int i2sHighestSckChannel(const Capabilities& caps);
bool i2sWidthValid(int width);
std::int64_t i2sSampleClock(const I2sSettings& s);

// The data text: statements cut at ";", each "L=hex, R=hex" (either order, any case, blanks
// anywhere); a blank statement is skipped. I2sStatementUnreadable names the first statement that
// is not two such parts or holds a value beyond 32 bits ("2 ('L=12')").
Msg parseI2sWords(std::string_view text, std::vector<I2sWord>& words, std::string& where);
// Random left/right pairs of the width, as statements "L=hex, R=hex;" one per line.
std::string i2sRandomText(int pairs, int width, std::mt19937& random);
// A value wider than the width sends its highest `width` bits.
std::uint32_t i2sSentBits(std::uint32_t value, int width);

// The stream into out: 20 lead-in samples (WS high, SCK and SD low), then the slots. Without
// Repeat one more bit time with WS changed (so that a receiver takes the last word; at width 32 it
// carries the last LSB) and a sample with SCK low end it, WE at count - 4. With Repeat the device
// jumps to where the loop starts: the first slot's WS change, or at width 32 its first data bit,
// the wrapped bit time (first WS, last LSB) having been written at the end. SE KEY 2, WE 3, OE
// 4..6 on card type 18.
// count 0 with 12047 when the words pass min(sampleLimit, out.size()); nothing is written there.
struct I2sBuild {
    int count = 0;
    Msg error = Msg::None;
};
I2sBuild buildI2sStream(const I2sSettings& s, std::span<const I2sWord> words, int cardType, std::span<Sample> out,
                        int sampleLimit);

struct I2sRunResult {
    OutputOutcome outcome;
    double sckHz = 0; // the SCK in force (half the nearest achievable clock after 12023 Yes)
};
// The output thread: width, channels, words, the clock against the model (12022) and by the clock
// check (12023; 12053 shows the SCK, half the clock), build, load and start with event selection 2.
I2sRunResult runI2s(OutputPorts& ports, const I2sSettings& s, std::string_view text, std::span<Sample> buffer);

} // namespace qv::gen
