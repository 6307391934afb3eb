// The HDQ generator: a list of HDQ single-wire transactions (break, recovery, seven address bits
// and the R/W bit, then 8-bit or 16-bit data values, all least significant bit first) on one
// channel, idle high, at 3.5 to 5.5 kbit/s. A bit is a low pulse (1 sample for a 1, 3 for a 0) and
// the rest of its cycle high. The timing keeps inside the protocol's limits at every rate of the
// range (a 0 low for at most 145 us, a bit cycle of at least 190 us; a device's answer bits in
// read rows at most 250 us). The list's lines are the data; no Convert.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "generators/list_lines.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

inline constexpr int hdqSampleLimitMargin = 12;
inline constexpr int hdqLeadInSamples = 16;
inline constexpr unsigned hdqRepeatAddress = 0x0F;
inline constexpr int hdqEventSelection = 2;
inline constexpr unsigned hdqMaxAddress = 0x7F;
inline constexpr int hdqColumns = 4; // Address, R/W, Width, Data
inline constexpr std::int64_t hdqMinRate = 3500, hdqMaxRate = 5500; // bits per second
inline constexpr double hdqDefaultRate = 5000;
// The fastest rate whose five-sample bit still lasts 190 us: its clock (26,300 Hz) every model
// makes exactly, one sample 38.02 us.
inline constexpr std::int64_t hdqFastestBitRate = 5260;

struct HdqRow {
    unsigned address = 1;
    bool write = true;
    int width = 8; // 8 (HDQ8) or 16 (HDQ16)
    std::vector<unsigned> data;
};

inline unsigned hdqDataLimit(int width) { return width == 16 ? 0xFFFFu : 0xFFu; }

// The row as a list line: "01h W 8 12h 34h " (address, R/W, width, the data values).
std::string hdqRowLine(const HdqRow& row);
// A line read back with bounds: 18800's reason for a cell that is missing or out of range.
Msg readHdqLine(std::string_view line, HdqRow& row);
ListProblem readHdqList(const std::vector<std::string>& lines, std::vector<HdqRow>& rows);
bool hdqLineContinues(std::string_view line); // never: a row is one line

// Typed data values: hexadecimal numbers (an "h" after one allowed) separated by blanks or commas;
// nullopt for any other token. Their range is Add's check.
std::optional<std::vector<unsigned>> hdqDataValues(std::string_view text);

// Add's checks: 12110 for an address above 7F, 12111 for a value above the width's limit.
Msg checkHdqEntry(unsigned address, std::span<const unsigned> data, int width);
// Add's 12109 question is asked when the new row targets the last row's address, R/W and width.
bool hdqSameTarget(const HdqRow& last, const HdqRow& entry);
// "Random": count rows of random address, R/W and one value of the width.
std::vector<HdqRow> hdqRandomRows(int count, int width, std::mt19937& random);

struct HdqSettings {
    int channel = 0;
    double rateBitsPerSecond = hdqDefaultRate;
    bool repeat = false;
};

// The bit timing at a rate, in samples of the sample clock.
struct HdqTiming {
    int clockHz = 0;
    int samplesPerBit = 0; // the host's bit cycle
    int readBitSamples = 0; // a device's answer bit (data of read rows)
    int breakSamples = 0, recoverySamples = 0;
    int zeroLowSamples = 3, oneLowSamples = 1;
};
HdqTiming hdqTiming(double rateBitsPerSecond);

// 12096 for a channel the model lacks, 12113 for a rate outside 3.5 to 5.5 kbit/s (whose clocks
// every model makes).
Msg validateHdq(const HdqSettings& s, const Capabilities& caps);

struct HdqBuild {
    int count = 0;
    Msg error = Msg::None; // 12047: the list does not fit; nothing past the limit written
};
// The stream into out: the lead-in, every row (its size checked against the limit in 64 bits
// before it is written), the frame commands.
HdqBuild buildHdqStream(std::span<const HdqRow> rows, const HdqSettings& s, int cardType, std::span<Sample> out,
                        int sampleLimit);

OutputOutcome runHdq(OutputPorts& ports, const HdqSettings& s, const std::vector<std::string>& lines,
                     std::span<Sample> buffer);

} // namespace qv::gen
