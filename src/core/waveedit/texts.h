// Texts of the wave view: the duration of a number of samples at the base frequency (cursor and
// mark times, dialog fields) and the value of a bus row in its radix. The command label's row
// shows command mnemonics instead (viewMnemonic in waveedit/commands.h).
#pragma once

#include "waveedit/label.h"

#include <cstdint>
#include <string>

namespace qv {

// The duration of `samples` samples at `baseFrequency` Hz: "100 ns", "333.333 ns", "1.5 us",
// "2 ms", "12 S". Computed in whole picoseconds when the frequency is a multiple of 1000 Hz, else
// in whole nanoseconds. Empty for a frequency of 0 or less.
std::string timeText(std::int64_t samples, int baseFrequency);

// The value of a bus of `width` bits (1-64) in the radix of its group type: HEX with leading zeros
// to ceil(width / 4) digits, DEC, OCT to ceil(width / 3) digits, BIN to width digits, ASC the low
// byte in single quotes ('.' below 32). The command label's group type gives HEX.
std::string busValueText(std::uint64_t value, int width, GroupType type);

} // namespace qv
