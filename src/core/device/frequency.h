// The sample clocks the instrument can generate, and the text of a frequency in messages. The
// 100 MHz models offer the union of 30 overlapping stepped ranges plus a few fixed values; the
// 200 MHz models round onto the first of 16 stepped ranges that starts below the request.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

struct Capabilities;

// Directions of the search: 0 nearest, 1 at or above, 2 at or below. Any other value finds only a
// request that is itself achievable.
inline constexpr int frequencyNearest = 0;
inline constexpr int frequencyAtOrAbove = 1;
inline constexpr int frequencyAtOrBelow = 2;

struct FrequencyRange {
    int low, high, step; // Hz; low + k x step inside [low, high] is achievable
};
struct MilliHertzRange {
    std::int64_t start, step; // mHz
};

// The nearest achievable frequency of the 100 MHz models, or -1 (only for other directions).
int nearestFrequency100MHz(int requestedHz, int direction);
// The 200 MHz models round to nearest whatever the direction; at most maxOutputFrequency.
int nearestFrequency200MHz(int requestedHz, int maxOutputFrequency);
// The rule of the model in `caps`.
int nearestAchievableFrequency(int requestedHz, int direction, const Capabilities& caps);

// "12.5 MHz", "800 KHz", "65 Hz": whole values with no decimals, others with enough significant
// digits to show every hertz; empty for negative values.
std::string frequencyText(double hertz);

} // namespace qv
