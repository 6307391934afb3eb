// The rate entry of the generators: an edit with a decimal number, a unit button that cycles
// "M bps" -> "K bps" -> "bps", and a spin that steps the shown value in tenths and snaps it onto a
// ladder of round values. Pure functions over texts and numbers; the dialogs only move the texts.
#pragma once

#include "support/strings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

enum class RateUnit { Mbps = 0, Kbps = 1, Bps = 2 };

RateUnit nextRateUnit(RateUnit unit);
double rateUnitFactor(RateUnit unit); // 1,000,000, 1,000, 1
Msg rateUnitCaption(RateUnit unit);

// A rate or frequency in hertz, rounded to the nearest whole hertz: the decimal text "4.1" times
// 1,000,000 is 4,099,999.9999... in binary floating point, and a truncated clock would be refused
// as "not achievable". Clamped to 0 .. 2^53 (NaN gives 0).
std::int64_t nearestHertz(double hertz);

// The rate edit's number (read like atof: a leading decimal number, trailing text ignored) times
// the unit factor, in bits per second rounded to the nearest hertz; nullopt when the text starts
// with no number.
std::optional<double> rateBitsPerSecond(std::string_view text, RateUnit unit);
// The rate a tool cannot use whatever its maximum: NaN (the edit held no number) gives
// RateNotANumber, zero or less RateNotAboveZero, anything else Msg::None.
Msg rateProblem(double bitsPerSecond);

// One spin step from the shown text: tenths of the unit, +1 / -1 (10 in "bps"), then snapped.
int spinRateTenths(std::string_view text, RateUnit unit, bool up);
// Tenths as the rate edit shows them: 7 -> "0.7", 1001 -> "100.1", 1000 -> "100".
std::string rateTenthsText(int tenths);
// A rate written back into the edit in its unit (after the nearest achievable clock was taken):
// six significant digits in "M bps" and "K bps", an integer in "bps".
std::string rateFieldText(double bitsPerSecond, RateUnit unit);

} // namespace qv
