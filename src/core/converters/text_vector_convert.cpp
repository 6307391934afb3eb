// Load and Convert of the text vector and Altera table converters.
#include "converters/text_vector_convert.h"

#include "converters/import_image.h"
#include "device/frequency.h"
#include "support/file_io.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace qv::textvector {

namespace {

// Time stamps in tenths are held inside this bound, so that a difference of two stays in 64 bits.
constexpr double tenthsLimit = 4e18;
constexpr std::int64_t tenthsPerSecondInNanoseconds = 10000000000LL; // 10^10: tenths of 1 ns per second

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }

std::string_view trimLine(std::string_view s) {
    while (!s.empty() && (isBlankOrTab(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (isBlankOrTab(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

double readDouble(std::string_view text) { return std::strtod(std::string(text).c_str(), nullptr); }

int clampToInt(std::int64_t value) { return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX)); }

// The frequency check after INTERVAL or FREQUENCY: Yes to 12023 takes the achievable frequency.
Msg checkStatedFrequency(std::int64_t& frequency, const Capabilities& caps, Prompt& prompt, Msg refusal) {
    const int achievable = nearestAchievableFrequency(clampToInt(frequency), frequencyNearest, caps);
    if (achievable == frequency) return Msg::None;
    if (prompt.ask(static_cast<int>(Msg::CantGenerateFrequency), Buttons::YesNo) != Answer::Yes) return refusal;
    frequency = achievable;
    return Msg::None;
}

// The time-stamp pattern at Load: the step from the records, the frequency from the step.
Msg timeStampFrequency(std::string_view pattern, const Capabilities& caps, Prompt& prompt, TimingState& timing) {
    std::int64_t step = 0;
    if (Msg m = timeStampStep(pattern, step); m != Msg::None) return m;
    if (step <= 0) return Msg::NoTimeStep;
    const std::int64_t perUnit = tenthsPerSecondInNanoseconds / static_cast<std::int64_t>(timing.timeUnit);
    timing.frequency = perUnit / step;
    const int achievable = nearestAchievableFrequency(clampToInt(timing.frequency), frequencyNearest, caps);
    if (achievable != timing.frequency &&
        prompt.ask(static_cast<int>(Msg::TimeStampClockNearby), Buttons::YesNo) == Answer::Yes)
        timing.frequency = achievable;
    return Msg::None;
}

std::uint64_t timeUnitOf(std::string_view body) {
    const std::string u = upper(body);
    if (u.find("US") != std::string::npos) return 1000;
    if (u.find("MS") != std::string::npos) return 1000000;
    return 1;
}

// The body of the first PATTERN statement; false when there is none.
bool findPattern(std::string_view text, std::string_view& body) {
    StatementReader reader(text);
    Statement st;
    while (reader.next(st)) {
        if (st.keyword == "PATTERN") {
            body = st.body;
            return true;
        }
    }
    return false;
}

} // namespace

Msg readConverterFile(const std::string& path, std::string& text) { return readWholeFile(path, text); }

Msg timeStampStep(std::string_view pattern, std::int64_t& step) {
    step = 0;
    std::int64_t previous = 0;
    std::size_t start = 0;
    for (std::size_t mark = pattern.find('>'); mark != std::string_view::npos; mark = pattern.find('>', start)) {
        std::string_view piece = pattern.substr(start, mark - start);
        start = mark + 1;
        while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\n')) piece.remove_suffix(1);
        if (const std::size_t blank = piece.find_last_of(" \n"); blank != std::string_view::npos)
            piece.remove_prefix(blank + 1);
        const double tenths = std::trunc(readDouble(piece) * 10.0);
        const std::int64_t t =
            std::isnan(tenths) ? 0 : static_cast<std::int64_t>(std::clamp(tenths, -tenthsLimit, tenthsLimit));
        if (previous == 0) {
            if (t != 0) step = t;
        } else {
            const std::int64_t d = t - previous;
            if (d == 0) return Msg::SameTimeStamp;
            if (d < 0) return Msg::TimeStampOrder;
            step = std::gcd(step, d);
        }
        previous = t;
    }
    return Msg::None;
}

Msg loadTextVector(std::string text, Variant variant, const Capabilities& caps, Prompt& prompt, LoadResult& result,
                   LabelTable& labels) {
    result = LoadResult{};
    labels.fill(LabelRecord{});
    removeComments(text, false);
    std::vector<ChannelRequest> requests;
    std::vector<Assignment> assignments;
    TimingState& timing = result.timing;
    StatementReader reader(text);
    Statement st;
    while (reader.next(st)) {
        if (st.keyword == "ASSIGN") {
            if (variant != Variant::TextVector) continue;
            if (Msg m = addAssignment(st.body, caps.channelCount, assignments); m != Msg::None) return m;
        } else if (st.keyword == "INTERVAL" || st.keyword == "FREQUENCY") {
            const bool interval = st.keyword == "INTERVAL";
            timing.mode = TimingMode::Interval;
            timing.frequency = interval ? intervalFrequencyOf(st.body) : frequencyOf(st.body);
            result.frequencyShown = true;
            const Msg refusal = interval ? Msg::IntervalNotSupported : Msg::FrequencyNotSupported;
            if (Msg m = checkStatedFrequency(timing.frequency, caps, prompt, refusal); m != Msg::None) return m;
        } else if (st.keyword == "RADIX") {
            timing.radix = radixOf(st.body);
        } else if (st.keyword == "UNIT") {
            timing.timeUnit = timeUnitOf(st.body);
        } else if (st.keyword == "INPUTS") {
            addInputs(st.body, requests);
        } else if (st.keyword == "PATTERN") {
            if (timing.mode == TimingMode::Interval) {
                if (st.body.find('>') != std::string_view::npos) return Msg::TimeStampWithInterval;
            } else if (Msg m = timeStampFrequency(st.body, caps, prompt, timing); m != Msg::None) {
                return m;
            }
            result.frequencyShown = true;
            break;
        }
    }
    if (requests.size() > static_cast<std::size_t>(maxSignals)) return Msg::TooManyLabels;
    if (Msg m = buildSignalList(requests, assignments, result.signals); m != Msg::None) return m;
    if (!importing::buildSignalLabels(result.signals, labels)) return Msg::TooManyLabels;
    return Msg::None;
}

Msg convertTextVector(std::string text, const ConvertRequest& request, const LoadResult& load, const Capabilities& caps,
                      Prompt& prompt, std::span<Sample> image, ConvertResult& result) {
    result = ConvertResult{};
    const TimingState& timing = load.timing;
    const bool timeStamps = timing.mode == TimingMode::TimeStamp;
    if (std::atoll(request.frequencyText.c_str()) == 0) return Msg::TimeUnitError;
    std::fill(image.begin(), image.end(), Sample{0});

    const std::int64_t requested = nearestHertz(readDouble(request.frequencyText) * rateUnitFactor(request.unit));
    int frequency = requested >= INT_MAX ? INT_MAX : static_cast<int>(requested);
    const int achievable = nearestAchievableFrequency(frequency, frequencyNearest, caps);
    if (achievable != frequency) {
        const Msg question = timeStamps ? Msg::TimeStampClockNearby : Msg::CantGenerateFrequency;
        if (prompt.ask(static_cast<int>(question), Buttons::YesNo) != Answer::Yes) return Msg::FrequencyNotSupported;
        frequency = achievable;
    }
    if (frequency <= 0) return Msg::FrequencyNotSupported;

    removeComments(text, true);
    std::string_view pattern;
    if (!findPattern(text, pattern)) pattern = {};
    const double period = 1e9 / frequency / static_cast<double>(timing.timeUnit);
    const int usable = static_cast<int>(image.size());
    const int s0 = request.waitKey ? waitKeyLead : 0;
    int stored = 0; // interval mode: lines stored
    std::int64_t lastE = 0; // time-stamp mode: samples written after s0
    Sample lastWord = 0;
    bool tooLong = usable <= s0;
    for (std::size_t at = 0; at <= pattern.size() && !tooLong;) {
        std::size_t lineEnd = pattern.find('\n', at);
        if (lineEnd == std::string_view::npos) lineEnd = pattern.size();
        const std::string_view line = trimLine(pattern.substr(at, lineEnd - at));
        at = lineEnd + 1;
        if (line.empty()) continue;
        if (!timeStamps) {
            lastWord = patternWord(line, load.signals, timing.radix);
            image[static_cast<std::size_t>(s0 + stored)] = lastWord;
            ++stored;
            tooLong = s0 + stored >= usable;
            continue;
        }
        const std::size_t mark = line.find('>');
        const double time = mark == std::string_view::npos ? NAN : readDouble(line.substr(0, mark));
        if (!std::isfinite(time)) return Msg::NoTimeValue;
        const Sample word = patternWord(line.substr(mark + 1), load.signals, timing.radix);
        const double e = std::trunc(time / period);
        if (e >= static_cast<double>(usable - s0)) {
            tooLong = true;
            break;
        }
        const std::int64_t sample = std::max(static_cast<std::int64_t>(e), lastE);
        std::fill(image.begin() + s0 + lastE, image.begin() + s0 + sample, lastWord);
        lastE = sample;
        lastWord = word;
    }
    if (tooLong && prompt.ask(static_cast<int>(Msg::DataTooLongPartial), Buttons::YesNo) != Answer::Yes) {
        result.abandoned = true;
        return Msg::None;
    }

    int end = std::min(s0 + (timeStamps ? static_cast<int>(lastE) : stored), usable);
    if (request.repeat) end = std::max(end, 3);
    std::fill(image.begin() + std::min(end, usable), image.end(), lastWord);
    if (request.waitKey && usable > s0)
        std::fill(image.begin(), image.begin() + s0, image[static_cast<std::size_t>(s0)]);
    importing::ConvertCommands commands;
    commands.waitKey = request.waitKey;
    commands.waitKeySample = waitKeyCommandSample;
    commands.repeat = request.repeat;
    commands.end = end;
    commands.repeatTarget = 0;
    importing::writeConvertCommands(image, commands);
    result.frequency = frequency;
    result.end = end;
    return Msg::None;
}

Msg frequencyUnitCaption(RateUnit unit) {
    switch (unit) {
    case RateUnit::Mbps: return Msg::FrequencyUnitMHz;
    case RateUnit::Kbps: return Msg::FrequencyUnitKHz;
    default: return Msg::FrequencyUnitHz;
    }
}

FrequencyDisplay frequencyDisplay(std::int64_t hertz) {
    hertz = std::max<std::int64_t>(hertz, 0);
    const RateUnit unit = hertz >= 1000000 ? RateUnit::Mbps : hertz < 1000 ? RateUnit::Bps : RateUnit::Kbps;
    const auto factor = static_cast<std::int64_t>(rateUnitFactor(unit));
    std::string text = std::to_string(hertz / factor);
    std::int64_t fraction = hertz % factor;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction + factor).substr(1); // leading zeros kept
        while (digits.back() == '0') digits.pop_back();
        text += "." + digits;
    }
    return {unit, text};
}

} // namespace qv::textvector
