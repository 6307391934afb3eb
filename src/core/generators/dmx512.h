// The DMX512 generator: packets of slots (start code first) on a differential pair D+ / D- of
// adjacent channels, one sample per bit: mark before break, break, mark after break, then slots of
// a start bit, eight data bits least significant first and two stop bits, each followed by the
// time between slots; after 513 slots a new packet begins. Times are set in microseconds (the mark
// before break in milliseconds) and counted in 4 us bits whatever the rate. A long mark or break is
// a sequencer loop of 100-sample passes rather than raw samples. Convert hands the packet to the
// Wave Editor. The slot values are typed, random or read from a file.
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

inline constexpr int dmxLeadInSamples = 69;
inline constexpr int dmxSampleLimitMargin = 12;
inline constexpr int dmxEventSelection = 2;
inline constexpr int dmxSlotsPerPacket = 513; // the start code and 512 channels
inline constexpr int dmxSlotSamples = 11;
inline constexpr int dmxMicrosecondsPerSample = 4; // the bit time at 250 kbit/s, used at any rate
inline constexpr int dmxLoopPassSamples = 100;
inline constexpr std::int64_t dmxMaxLoopCount = 65536;
inline constexpr int dmxMaxRandomCount = 512;
// Times beyond these are refused before any arithmetic could overflow (far above what loops reach).
inline constexpr std::int64_t dmxMaxTimeValue = 1'000'000'000'000;

struct DmxSettings {
    int plusChannel = 0; // D+; D- is the next channel
    double rateBitsPerSecond = 250000;
    std::int64_t markBeforeBreakMs = 400;
    std::int64_t breakUs = 88;
    std::int64_t markAfterBreakUs = 8;
    std::int64_t interSlotUs = 0; // "Inter-frame-time"
    bool repeat = false;
};

// The highest D+ channel: the channel count - 2, so that D- stays on a real channel.
int dmxHighestPlusChannel(const Capabilities& caps);

// The slot values of the value edit: pieces cut at CR (a leading LF skipped), each a hexadecimal
// byte; blank pieces are skipped. DmxValueNotByte names the first other piece ("3 ('1G')").
Msg parseDmxValues(std::string_view text, std::vector<std::uint8_t>& values, std::string& where);

// "Generate Values" with random data: count values, each a random number modulo 255, as "%02X\r\n".
std::string dmxRandomValuesText(int count, std::mt19937& random);
int dmxRandomCount(std::mt19937& random); // 1 .. 512

// The samples of each time (integer divisions by the 4 us bit).
struct DmxTimes {
    std::int64_t markBeforeBreak, breakSamples, markAfterBreak, interSlot;
};
DmxTimes dmxTimes(const DmxSettings& s);

// Checks that need no instrument: D+ within the model (12096), each time a whole number from 0
// (DmxTimeNotNumber) lasting at most 65,536 loop passes (DmxTimeTooLong).
Msg checkDmx(const DmxSettings& s, const Capabilities& caps);

struct DmxBuild {
    int count = 0; // samples to load
    int packets = 0;
    Msg error = Msg::None; // 12047 when the stream would pass the sample limit
};
// The stream into out. `handshake` false (Convert) leaves out SE KEY and WE of the start. Nothing
// is written at or past min(sampleLimit, out.size()). With Repeat the device jumps back to the
// first break (sample 69), so every repeated packet has exactly the mark before break that is set.
DmxBuild buildDmxStream(const DmxSettings& s, std::span<const std::uint8_t> values, int cardType, bool handshake,
                        std::span<Sample> out, int sampleLimit);

struct DmxRunResult {
    OutputOutcome outcome;
    double rateBitsPerSecond = 0; // the rate in force (the nearest achievable after 12023 Yes)
    bool idle = false; // nothing to send: the tool goes back to idle without a message
};
// The output thread: values (an empty edit returns to idle), checks, the rate against the
// model (12022), the clock check (12023), then build, load and start with event selection 2.
DmxRunResult runDmx(OutputPorts& ports, const DmxSettings& s, std::string_view valuesText, std::span<Sample> buffer);
// Convert's build: the same checks without a driver; the stream (no handshake) in buffer. `where`
// names a value that is not a byte; no values leave built.count 0.
Msg buildDmxForConvert(const DmxSettings& s, std::string_view valuesText, const Capabilities& caps, int cardType,
                       std::span<Sample> buffer, DmxBuild& built, std::string& where);

} // namespace qv::gen
