// Rate entry rules. The spin's ladder keeps the M bps values on 75, 80 and 100 above 75 M and the
// bps values on 10, 50, 100, 500 and 750 below 750 bps.
#include "device/rate_entry.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qv {

RateUnit nextRateUnit(RateUnit unit) {
    switch (unit) {
    case RateUnit::Mbps: return RateUnit::Kbps;
    case RateUnit::Kbps: return RateUnit::Bps;
    default: return RateUnit::Mbps;
    }
}

double rateUnitFactor(RateUnit unit) {
    switch (unit) {
    case RateUnit::Mbps: return 1e6;
    case RateUnit::Kbps: return 1e3;
    default: return 1.0;
    }
}

Msg rateUnitCaption(RateUnit unit) {
    switch (unit) {
    case RateUnit::Mbps: return Msg::RateUnitMbps;
    case RateUnit::Kbps: return Msg::RateUnitKbps;
    default: return Msg::RateUnitBps;
    }
}

namespace {

std::optional<double> leadingNumber(std::string_view text) {
    std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// "Below / between / above" snapping of one ladder rung pair: inside (low, high) goes to low when
// stepping down, to high when stepping up.
bool snapBetween(int& t, int low, int high, bool up) {
    if (t > low && t < high) {
        t = up ? high : low;
        return true;
    }
    return false;
}

} // namespace

std::int64_t nearestHertz(double hertz) {
    constexpr double largest = 9007199254740992.0; // 2^53: every whole number below is exact
    if (!(hertz > 0)) return 0;
    if (hertz >= largest) return static_cast<std::int64_t>(largest);
    return static_cast<std::int64_t>(std::llround(hertz));
}

std::optional<double> rateBitsPerSecond(std::string_view text, RateUnit unit) {
    auto value = leadingNumber(text);
    if (!value) return std::nullopt;
    const double hertz = *value * rateUnitFactor(unit);
    if (!(hertz > 0)) return hertz; // zero and negative rates stay as typed, for their message
    return static_cast<double>(nearestHertz(hertz));
}

Msg rateProblem(double bitsPerSecond) {
    if (std::isnan(bitsPerSecond)) return Msg::RateNotANumber;
    if (!(bitsPerSecond > 0)) return Msg::RateNotAboveZero;
    return Msg::None;
}

int spinRateTenths(std::string_view text, RateUnit unit, bool up) {
    // The shown value has one decimal at most; the small bias keeps 2.3 x 10 from truncating to 22.
    const double value = leadingNumber(text).value_or(0.0);
    const double scaled = std::trunc(value * 10.0 + 1e-6);
    int t = scaled > 1e9 ? 1000000000 : scaled < -1e9 ? -1000000000 : static_cast<int>(scaled);
    const int step = unit == RateUnit::Bps ? 10 : 1;
    t += up ? step : -step;
    if (t <= 0) return unit == RateUnit::Bps ? 100 : 1;
    if (unit == RateUnit::Mbps) {
        if (!snapBetween(t, 750, 800, up) && t > 800) t = up ? 1000 : 800;
    } else if (unit == RateUnit::Bps) {
        if (!snapBetween(t, 5000, 7500, up) && !snapBetween(t, 1000, 5000, up) && !snapBetween(t, 500, 1000, up) &&
            !snapBetween(t, 100, 500, up) && t < 100)
            t = 100;
    }
    return t;
}

std::string rateTenthsText(int tenths) {
    if (tenths >= 0 && tenths < 10) return "0." + std::to_string(tenths);
    std::string digits = std::to_string(tenths);
    const char last = digits.back();
    digits.pop_back();
    if (last == '0') return digits;
    return digits + "." + last;
}

std::string rateFieldText(double bitsPerSecond, RateUnit unit) {
    char text[40];
    if (unit == RateUnit::Bps)
        std::snprintf(text, sizeof text, "%d", static_cast<int>(bitsPerSecond));
    else
        std::snprintf(text, sizeof text, "%.6g", bitsPerSecond / rateUnitFactor(unit));
    return text;
}

} // namespace qv
