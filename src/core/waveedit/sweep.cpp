// Sweep rules. A swing turns round at either end instead of stepping past it, so each end value is
// set once per pass; a range of one value stays on it.
#include "waveedit/sweep.h"

#include "support/field_values.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace qv {
namespace {

std::optional<int> wholeNumber(std::string_view text) {
    const std::optional<double> value = parseFieldNumber(text);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    const double truncated = std::trunc(*value);
    if (truncated < std::numeric_limits<int>::min() || truncated > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(truncated);
}

bool pastEnd(const SweepSettings& s, long long frequency) { return s.step > 0 ? frequency > s.end : frequency < s.end; }

} // namespace

Msg readSweepSettings(const SweepFields& fields, int maxOutputFrequency, SweepSettings& settings) {
    const std::optional<int> start = wholeNumber(fields.start), end = wholeNumber(fields.end),
                             step = wholeNumber(fields.step), interval = wholeNumber(fields.interval);
    if (!start || !end || !step || !interval) return Msg::SweepSettingError;
    const auto inRange = [maxOutputFrequency](int f) { return f > 0 && f <= maxOutputFrequency; };
    if (!inRange(*start) || !inRange(*end) || *step == 0 || *interval <= 0) return Msg::SweepSettingError;
    const int magnitude = std::abs(*step);
    settings = {*start, *end, *end < *start ? -magnitude : magnitude, *interval, fields.mode};
    return Msg::None;
}

SweepState beginSweep(const SweepSettings& settings) { return {settings, settings.start, settings.mode}; }

void advanceSweep(SweepState& state) {
    SweepSettings& s = state.settings;
    const long long next = static_cast<long long>(state.current) + s.step;
    if (!pastEnd(s, next)) {
        state.current = static_cast<int>(next);
        return;
    }
    switch (state.mode) {
    case SweepMode::OneTime: state.mode = SweepMode::Idle; break;
    case SweepMode::Loop: state.current = s.start; break;
    case SweepMode::Swing: {
        std::swap(s.start, s.end);
        s.step = -s.step;
        const long long back = static_cast<long long>(state.current) + s.step;
        if (!pastEnd(s, back)) state.current = static_cast<int>(back);
        break;
    }
    case SweepMode::Idle: break;
    }
}

bool sweepTick(OutputPorts& ports, SweepState& state) {
    if (state.mode == SweepMode::Idle) return false;
    {
        DriverCallGroup group(ports.interlock, ports.idle);
        setFreq(ports, state.current, setFreqModeClock, 0);
    }
    advanceSweep(state);
    return state.mode != SweepMode::Idle;
}

} // namespace qv
