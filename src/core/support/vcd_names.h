// What every VCD file this program writes shares: the time unit chosen for a sample clock and the
// identifier codes of variables. Writing the files is up to the capture and the export.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// The $timescale text and the units per sample clock of a clock in Hz: the coarsest unit that
// divides the clock period exactly (down to 1 ps); otherwise the period rounded to a unit that
// keeps at least five digits. A clock of 0 (not set) gives "1 ns" per sample.
struct VcdTimescale {
    std::string unit; // "10 ns"
    std::uint64_t unitsPerSample = 1;
};
VcdTimescale vcdTimescale(std::int64_t clockHz);

// The identifier code of variable `index`: printable characters '!' to '~', shortest first.
std::string vcdIdentifier(int index);

} // namespace qv
