// Frequency tables in the order the search must visit them: an earlier range wins a tie, so the
// order is part of the rule.
#include "device/frequency.h"

#include "app/models.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qv {
namespace {

constexpr FrequencyRange ranges100MHz[30] = {
    {65, 310, 5},
    {125, 625, 5},
    {625, 3125, 25},
    {1250, 6250, 50},
    {6250, 31250, 250},
    {12500, 62500, 500},
    {62500, 312500, 2500},
    {125000, 625000, 5000},
    {625000, 3125000, 25000},
    {1250000, 6250000, 50000},
    {275, 750, 5},
    {550, 1500, 5},
    {2750, 7500, 25},
    {5500, 15000, 50},
    {27500, 75000, 250},
    {55000, 150000, 500},
    {275000, 750000, 2500},
    {550000, 1500000, 5000},
    {2750000, 7500000, 25000},
    {5500000, 15000000, 50000},
    {750, 3000, 5},
    {1500, 6000, 10},
    {7500, 30000, 50},
    {15000, 60000, 100},
    {75000, 300000, 500},
    {150000, 600000, 1000},
    {750000, 3000000, 5000},
    {1500000, 6000000, 10000},
    {7500000, 30000000, 50000},
    {15000000, 75000000, 100000},
};

constexpr MilliHertzRange ranges200MHz[16] = {
    {80'000'000'000, 125'000'000},
    {40'000'000'000, 50'000'000},
    {10'000'000'000, 25'000'000},
    {4'000'000'000, 6'250'000},
    {1'000'000'000, 2'500'000},
    {400'000'000, 625'000},
    {100'000'000, 250'000},
    {40'000'000, 125'000},
    {10'000'000, 25'000},
    {4'000'000, 25'000},
    {1'000'000, 5'000},
    {400'000, 5'000},
    {100'000, 1'000},
    {50'000, 1'000},
    {25'000, 1'000},
    {1'000, 1'000},
};

// Values outside the ranges: the top clocks and the slowest ones. Each rule compares the request
// with its limit; the first rule that holds gives the result.
struct FixedRule {
    enum Kind { Above, AtLeast, AtMost, Below } kind;
    int limit;
    int result;
};
constexpr FixedRule fixedNearest[] = {
    {FixedRule::Above, 90000000, 100000000},
    {FixedRule::Above, 77500000, 80000000},
    {FixedRule::Above, 75000000, 75000000},
    {FixedRule::AtMost, 7, 5},
    {FixedRule::AtMost, 30, 10},
    {FixedRule::AtMost, 58, 50},
    {FixedRule::AtMost, 64, 65},
};
constexpr FixedRule fixedAtOrAbove[] = {
    {FixedRule::Above, 80000000, 100000000},
    {FixedRule::Above, 75000000, 80000000},
    {FixedRule::AtMost, 5, 5},
    {FixedRule::AtMost, 10, 10},
    {FixedRule::AtMost, 50, 50},
    {FixedRule::AtMost, 65, 65},
};
constexpr FixedRule fixedAtOrBelow[] = {
    {FixedRule::AtLeast, 100000000, 100000000},
    {FixedRule::AtLeast, 80000000, 80000000},
    {FixedRule::AtLeast, 75000000, 75000000},
    {FixedRule::Below, 10, 5},
    {FixedRule::Below, 50, 10},
    {FixedRule::Below, 65, 50},
};

template <std::size_t N> bool applyFixed(const FixedRule (&rules)[N], int f, int& result) {
    for (const FixedRule& rule : rules) {
        const bool hit = rule.kind == FixedRule::Above ? f > rule.limit
            : rule.kind == FixedRule::AtLeast          ? f >= rule.limit
            : rule.kind == FixedRule::AtMost           ? f <= rule.limit
                                                       : f < rule.limit;
        if (hit) {
            result = rule.result;
            return true;
        }
    }
    return false;
}

} // namespace

int nearestFrequency100MHz(int f, int direction) {
    int fixed = 0;
    if ((direction == frequencyNearest && applyFixed(fixedNearest, f, fixed)) ||
        (direction == frequencyAtOrAbove && applyFixed(fixedAtOrAbove, f, fixed)) ||
        (direction == frequencyAtOrBelow && applyFixed(fixedAtOrBelow, f, fixed)))
        return fixed;

    int best = 100000000, result = -1;
    for (const FrequencyRange& range : ranges100MHz) {
        if (f < range.low || f > range.high) continue;
        const int lower = range.low + range.step * ((f - range.low) / range.step);
        const int upper = lower + range.step;
        if (f == lower || f == upper) return f;
        const int below = f - lower, above = upper - f;
        const bool takeUpper = direction == frequencyAtOrAbove || (direction == frequencyNearest && above < below);
        const bool takeLower = direction == frequencyAtOrBelow || (direction == frequencyNearest && above >= below);
        if (takeUpper && above < best) {
            best = above;
            result = upper;
        } else if (takeLower && below < best) {
            best = below;
            result = lower;
        }
    }
    return result;
}

int nearestFrequency200MHz(int f, int maxOutputFrequency) {
    if (f > maxOutputFrequency) return maxOutputFrequency;
    const std::int64_t m = std::int64_t{f} * 1000;
    for (const MilliHertzRange& range : ranges200MHz) {
        if (range.start >= m) continue;
        const std::int64_t tenths = (m - range.start) * 10 / range.step;
        const std::int64_t steps = tenths / 10 + (tenths % 10 >= 5 ? 1 : 0);
        return static_cast<int>((range.start + steps * range.step) / 1000);
    }
    return 1;
}

int nearestAchievableFrequency(int requestedHz, int direction, const Capabilities& caps) {
    if (is200MHzModel(caps.modelCode)) return nearestFrequency200MHz(requestedHz, caps.maxOutputFrequency);
    return nearestFrequency100MHz(requestedHz, direction);
}

std::string frequencyText(double hertz) {
    if (!(hertz >= 0)) return {};
    const char* unit = " Hz";
    double value = hertz;
    if (hertz >= 1000000) {
        value = hertz / 1000000;
        unit = " MHz";
    } else if (hertz >= 1000) {
        value = hertz / 1000;
        unit = " KHz";
    }
    char number[64];
    if (value == std::floor(value) && value < 2147483648.0) {
        std::snprintf(number, sizeof number, "%d", static_cast<int>(value));
    } else {
        // Enough significant digits to keep every hertz of the value.
        const int digits = (value > 0 ? static_cast<int>(std::log10(value)) : 0) + 7;
        std::snprintf(number, sizeof number, "%.*g", digits < 1 ? 1 : digits, value);
    }
    return std::string(number) + unit;
}

} // namespace qv
