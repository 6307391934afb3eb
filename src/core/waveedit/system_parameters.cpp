// System Parameter Setting rules. Frequencies are read with a guard of a millionth of a hertz so
// that a typed "0.0125" MHz is 12500 Hz, not 12499 after the binary fraction is truncated.
#include "waveedit/system_parameters.h"

#include "device/frequency.h"
#include "support/field_values.h"
#include "waveedit/frequency_mode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qv {
namespace {

constexpr int modesWithoutCki2[] = {1, 2, 3, 9, 10, 11};
constexpr int allModes[] = {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15};
constexpr int firstModeText = static_cast<int>(Msg::ModeInternal) - 1; // mode m -> this + m

constexpr int unitMultipliers[frequencyUnitCount] = {1000000, 1000, 1};
constexpr Msg unitTexts[frequencyUnitCount] = {Msg::FrequencyUnitMHz, Msg::FrequencyUnitKHz, Msg::FrequencyUnitHz};
constexpr double readingGuard = 1e-6;
constexpr int defaultFrequencyModeChoice = 1; // the internal clock

struct PeriodScale {
    double belowNs; // periods below this many nanoseconds use this row
    double nsPerUnit;
    Msg unit;
};
constexpr PeriodScale periodScales[] = {
    {1e3, 1.0, Msg::PeriodUnitNs},
    {1e6, 1e3, Msg::PeriodUnitUs},
    {1e9, 1e6, Msg::PeriodUnitMs},
    {INFINITY, 1e9, Msg::PeriodUnitS},
};

int multiplier(FrequencyUnit unit) { return unitMultipliers[static_cast<int>(unit)]; }

// Up to `decimals` decimals, trailing zeros and a trailing point removed.
std::string trimmedNumber(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

} // namespace

std::span<const int> frequencyModeChoices(int cardType) {
    if (cardType == cardTypeWithoutCki2) return modesWithoutCki2;
    return allModes;
}

Msg frequencyModeText(int mode) {
    if (mode < 1 || mode >= frequencyModeCount || mode == 8) return Msg::None;
    return static_cast<Msg>(firstModeText + mode);
}

int frequencyModeWhenOpened(int storedMode, int cardType) {
    const std::span<const int> modes = frequencyModeChoices(cardType);
    return std::find(modes.begin(), modes.end(), storedMode) != modes.end() ? storedMode : defaultFrequencyModeChoice;
}

FrequencyUnit nextFrequencyUnit(FrequencyUnit unit) {
    return static_cast<FrequencyUnit>((static_cast<int>(unit) + 1) % frequencyUnitCount);
}

Msg frequencyUnitText(FrequencyUnit unit) { return unitTexts[static_cast<int>(unit)]; }

std::string frequencyFieldText(int hertz, FrequencyUnit unit) {
    return trimmedNumber(static_cast<double>(hertz) / multiplier(unit), unit == FrequencyUnit::MHz ? 6 : 3);
}

int frequencyFromField(std::string_view text, FrequencyUnit unit) {
    const std::optional<double> value = parseFieldNumber(text);
    if (!value || !std::isfinite(*value)) return 0;
    const double hertz = std::trunc(*value * multiplier(unit) + readingGuard);
    return static_cast<int>(std::clamp(hertz, 0.0, 2147483647.0));
}

std::string steppedFrequencyField(std::string_view text, FrequencyUnit unit, int delta, int maxHz) {
    const long long hertz =
        static_cast<long long>(frequencyFromField(text, unit)) + static_cast<long long>(delta) * multiplier(unit);
    return frequencyFieldText(static_cast<int>(std::clamp<long long>(hertz, 1, maxHz)), unit);
}

PeriodText periodOf(int hertz) {
    if (hertz <= 0) return {};
    const double ns = 1e9 / hertz;
    for (const PeriodScale& scale : periodScales)
        if (ns < scale.belowNs) return {trimmedNumber(ns / scale.nsPerUnit, 3), scale.unit};
    return {};
}

std::string cursorChangeText(int tenths) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d", tenths / 10, tenths % 10);
    return text;
}

int cursorChangeFromText(std::string_view text) {
    const std::optional<double> seconds = parseFieldNumber(text);
    if (!seconds || !std::isfinite(*seconds)) return -1;
    const double tenths = std::round(*seconds * 10.0);
    if (tenths < cursorChangeMinTenths || tenths > cursorChangeMaxTenths) return -1;
    return static_cast<int>(tenths);
}

std::string steppedCursorChange(std::string_view text, int delta) {
    const std::optional<double> seconds = parseFieldNumber(text);
    const int current = seconds && std::isfinite(*seconds)
        ? static_cast<int>(std::clamp(std::round(*seconds * 10.0), 0.0, 1000.0))
        : cursorChangeMinTenths;
    return cursorChangeText(std::clamp(current + delta, cursorChangeMinTenths, cursorChangeMaxTenths));
}

SystemParameterAnswer acceptSystemParameters(const SystemParameterForm& form, const Capabilities& capabilities,
                                             int cardType, Prompt& prompt, SystemParameters& values) {
    SystemParameterAnswer answer;
    int frequency = values.baseFrequency;
    if (!externalClockOnly(form.frequencyMode, cardType)) {
        // Not a number is refused by name, never read as 0 (whose nearest clock is a few hertz).
        const std::optional<double> typed = parseFieldNumber(form.frequency);
        if (!typed || !std::isfinite(*typed)) {
            prompt.show(static_cast<int>(Msg::FrequencyNotNumber), std::string(form.frequency));
            answer.frequencyRefused = true;
            return answer;
        }
        frequency = frequencyFromField(form.frequency, form.unit);
        const int achievable = nearestAchievableFrequency(frequency, frequencyNearest, capabilities);
        if (achievable != frequency) {
            if (prompt.ask(static_cast<int>(Msg::CantGenerateFrequency), Buttons::YesNo) != Answer::Yes) return answer;
            frequency = achievable;
            answer.achievableFrequency = achievable;
        }
    }
    const int tenths = cursorChangeFromText(form.cursorChange);
    if (tenths < 0) {
        prompt.show(static_cast<int>(Msg::CursorChangeOverRange));
        return answer;
    }
    values = {frequency, form.frequencyMode, form.eventHotKey, tenths};
    answer.close = true;
    return answer;
}

} // namespace qv
