// The values of dialog fields as text, and the spin rules: integers in a radix (hexadecimal shown
// in upper case), real numbers, and a spin step that either wraps round the range or stops at its
// ends. The dialogs read and write their fields through these; no control is touched here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The whole text as an integer in radix 10 or 16 (blanks around it allowed, a sign only in radix
// 10); nullopt for an empty text, any other character, or a value beyond long long.
std::optional<long long> parseFieldInteger(std::string_view text, int radix = 10);
std::string fieldIntegerText(long long value, int radix = 10);

// The whole text as a decimal number of digits only (no sign, no blanks) up to maximum; nullopt
// otherwise. For settings and command-line values.
std::optional<std::uint64_t> parseDigits(std::string_view text, std::uint64_t maximum);

// The whole text as a real number ("12", "-0.5", "1e3"); nullopt for anything else.
std::optional<double> parseFieldNumber(std::string_view text);

enum class SpinEnds {
    Wrap, // past one end the value continues from the other
    Clamp, // the value stays at the end (the dialog beeps)
};

struct SpinStep {
    long long value;
    bool stoppedAtEnd; // Clamp only: the step would have left the range
};

// One spin step of delta (usually +1 or -1) within minimum..maximum. A value outside the range
// (typed by hand) is brought into it: wrapped round, or held at the nearer end.
SpinStep stepSpin(long long value, long long delta, long long minimum, long long maximum, SpinEnds ends);

} // namespace qv
