// Time units and identifier codes of VCD files.
#include "support/vcd_names.h"

#include <array>

namespace qv {
namespace {

constexpr std::int64_t femtosecondsPerSecond = 1'000'000'000'000'000;
constexpr std::int64_t picosecond = 1000; // in fs
constexpr std::int64_t minimumDigits = 10000;

struct Unit {
    std::int64_t femtoseconds;
    const char* text;
};
// Coarsest first.
constexpr std::array<Unit, 18> units{{{100'000'000'000'000'000, "100 s"},
                                      {10'000'000'000'000'000, "10 s"},
                                      {1'000'000'000'000'000, "1 s"},
                                      {100'000'000'000'000, "100 ms"},
                                      {10'000'000'000'000, "10 ms"},
                                      {1'000'000'000'000, "1 ms"},
                                      {100'000'000'000, "100 us"},
                                      {10'000'000'000, "10 us"},
                                      {1'000'000'000, "1 us"},
                                      {100'000'000, "100 ns"},
                                      {10'000'000, "10 ns"},
                                      {1'000'000, "1 ns"},
                                      {100'000, "100 ps"},
                                      {10'000, "10 ps"},
                                      {1'000, "1 ps"},
                                      {100, "100 fs"},
                                      {10, "10 fs"},
                                      {1, "1 fs"}}};

} // namespace

VcdTimescale vcdTimescale(std::int64_t clockHz) {
    if (clockHz <= 0) return {"1 ns", 1};
    for (const Unit& unit : units) {
        if (unit.femtoseconds < picosecond) break;
        // The period is a whole number of units when hz x unit divides one second in fs; the
        // first test keeps the product in range.
        if (unit.femtoseconds > femtosecondsPerSecond / clockHz) continue;
        if (femtosecondsPerSecond % (clockHz * unit.femtoseconds) == 0)
            return {unit.text, static_cast<std::uint64_t>(femtosecondsPerSecond / (clockHz * unit.femtoseconds))};
    }
    // Not exact: the coarsest unit that still gives the period five digits (rounding off at most
    // 1 in 10,000), so that viewers that expand time units into samples stay usable.
    for (const Unit& unit : units) {
        if (unit.femtoseconds > femtosecondsPerSecond / clockHz / minimumDigits) continue;
        const double ticks = static_cast<double>(femtosecondsPerSecond) / static_cast<double>(clockHz) /
            static_cast<double>(unit.femtoseconds);
        return {unit.text, static_cast<std::uint64_t>(ticks + 0.5)};
    }
    return {"1 fs", static_cast<std::uint64_t>(femtosecondsPerSecond / clockHz)};
}

std::string vcdIdentifier(int index) {
    constexpr int first = '!', count = '~' - '!' + 1;
    std::string id;
    do {
        id.push_back(static_cast<char>(first + index % count));
        index /= count;
    } while (index > 0);
    return id;
}

} // namespace qv
