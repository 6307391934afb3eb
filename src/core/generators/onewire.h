// The 1-Wire generator: a list of transactions on one channel at a fixed 1 MHz sample clock, each a
// reset with the slave's presence pulse and then one time slot per data bit, at standard speed or
// overdrive. The waveform holds the master's and the slave's part of the bus (the presence pulse,
// the slave's answer in read slots), so it imitates a whole bus. Every data value keeps its own
// width in whole bytes (its hexadecimal digits, two to a byte) and goes out least significant bit
// first. The list's lines are the data; no Convert.
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

inline constexpr int oneWireSampleLimitMargin = 12;
inline constexpr int oneWireLeadInSamples = 20;
inline constexpr unsigned oneWireRepeatAddress = 0x13;
inline constexpr int oneWireEventSelection = 2;
inline constexpr int oneWireClockHz = 1000000;
inline constexpr int oneWireColumns = 2; // R/W, Data
inline constexpr int oneWireMaxValueDigits = 16; // a value of up to 8 bytes

enum class OneWireSpeed { Standard, Overdrive };

struct OneWireValue {
    std::uint64_t value = 0;
    int bytes = 1;
    bool operator==(const OneWireValue&) const = default;
};

struct OneWireRow {
    bool write = true;
    std::vector<OneWireValue> values;
};

// The data text "CC 4E 0102": values separated by blanks, each of 1 to 16 hexadecimal digits;
// nullopt for any other token.
std::optional<std::vector<OneWireValue>> oneWireValues(std::string_view text);
std::string oneWireValuesText(std::span<const OneWireValue> values); // digits as typed: "CC 4E 0102"

// The row as a list line: "W CC 4E " (a read: "R ..."). Reading takes "W" as a write and anything
// else as a read, as the tool always did; 18800's reason for a data cell that is not values.
std::string oneWireRowLine(const OneWireRow& row);
Msg readOneWireLine(std::string_view line, OneWireRow& row);
ListProblem readOneWireList(const std::vector<std::string>& lines, std::vector<OneWireRow>& rows);
bool oneWireLineContinues(std::string_view line); // never: a row is one line

// "Random": count rows of random R/W, each with one to four values of one or two bytes.
std::vector<OneWireRow> oneWireRandomRows(int count, std::mt19937& random);

struct OneWireSettings {
    int channel = 0;
    OneWireSpeed speed = OneWireSpeed::Standard;
    bool repeat = false;
};

// The bus timing, in samples of 1 us, of one speed.
struct OneWireTiming {
    int resetLow, presenceWait, presenceLow, resetHighRest; // reset and presence
    int write1Low, write1High, write0Low, write0High;
    int read1Low, read1High, read0Low, read0High;
};
const OneWireTiming& oneWireTiming(OneWireSpeed speed);

// 12096 for a channel the model lacks.
Msg validateOneWire(const OneWireSettings& s, const Capabilities& caps);

struct OneWireBuild {
    int count = 0;
    Msg error = Msg::None; // 12047: the list does not fit; nothing past the limit written
};
// The stream into out: the lead-in, every row (its size checked against the limit in 64 bits
// before it is written), the frame commands.
OneWireBuild buildOneWireStream(std::span<const OneWireRow> rows, const OneWireSettings& s, int cardType,
                                std::span<Sample> out, int sampleLimit);

OutputOutcome runOneWire(OutputPorts& ports, const OneWireSettings& s, const std::vector<std::string>& lines,
                         std::span<Sample> buffer);

} // namespace qv::gen
