// The I2S builder. Every bit time is a pair of samples from a four-entry table (WS, SD); a slot's
// first bit time carries the WS change and, at width 32, the previous word's least significant bit.
// The Repeat jump lands where the loop really starts, so each loop is exactly the slots.
#include "generators/i2s.h"

#include "device/frequency.h"
#include "device/rate_entry.h"
#include "generators/frame.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>

namespace qv::gen {
namespace {

constexpr FrameLayout i2sFrame{2, 3, 4, i2sLeadInSamples};
constexpr int slotSamples = i2sSlotBits * i2sSamplesPerBit;
constexpr std::size_t statementShown = 16;
constexpr int endSamples = i2sSamplesPerBit + 1; // the closing bit time and SCK low

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One part: blanks, the letter L or R, blanks, an optional "=", then up to 32 bits of hexadecimal.
bool parsePart(std::string_view part, I2sWord& word) {
    std::string kept;
    for (char c : part)
        if (!std::isspace(static_cast<unsigned char>(c))) kept += static_cast<char>(std::toupper(c));
    if (kept.empty() || (kept[0] != 'L' && kept[0] != 'R')) return false;
    word.right = kept[0] == 'R';
    std::string_view digits = std::string_view(kept).substr(1);
    if (!digits.empty() && digits[0] == '=') digits.remove_prefix(1);
    if (digits.empty()) return false;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) return false;
        value = value * 16 + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFull) return false;
    }
    word.value = static_cast<std::uint32_t>(value);
    return true;
}

// The 12053 message shows the SCK, half the clock the engine took.
class SckPrompt : public Prompt {
  public:
    SckPrompt(Prompt& inner, int clockHz, const Capabilities& caps) : inner_(inner), clockHz_(clockHz), caps_(caps) {}
    Answer ask(int id, Buttons buttons) override { return inner_.ask(id, buttons); }
    Answer askWith(int id, Buttons buttons, std::string_view a, std::string_view b) override {
        return inner_.askWith(id, buttons, a, b);
    }
    void show(int id, const std::string& argument) override {
        if (id != static_cast<int>(Msg::UseProximateFrequency)) return inner_.show(id, argument);
        inner_.show(id, frequencyText(nearestAchievableFrequency(clockHz_, frequencyNearest, caps_) / 2.0));
    }

  private:
    Prompt& inner_;
    int clockHz_;
    Capabilities caps_;
};

} // namespace

int i2sHighestSckChannel(const Capabilities& caps) { return caps.channelCount - 3; }

bool i2sWidthValid(int width) {
    return std::find(std::begin(i2sWidths), std::end(i2sWidths), width) != std::end(i2sWidths);
}

std::int64_t i2sSampleClock(const I2sSettings& s) {
    if (s.preset) return i2sPresetClocks[std::clamp(s.presetIndex, 0, 2)];
    return i2sSamplesPerBit * nearestHertz(s.sckHz);
}

Msg parseI2sWords(std::string_view text, std::vector<I2sWord>& words, std::string& where) {
    words.clear();
    std::size_t number = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view statement = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (statement.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos) continue;
        const std::size_t comma = statement.find(',');
        I2sWord first{}, second{};
        if (comma == std::string_view::npos || !parsePart(statement.substr(0, comma), first) ||
            !parsePart(statement.substr(comma + 1), second)) {
            std::string shown;
            for (char c : statement.substr(statement.find_first_not_of(" \t\r\n\f\v")))
                if (shown.size() < statementShown) shown += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
            where = std::to_string(number) + " ('" + shown + "')";
            return Msg::I2sStatementUnreadable;
        }
        words.push_back(first);
        words.push_back(second);
    }
    return Msg::None;
}

std::string i2sRandomText(int pairs, int width, std::mt19937& random) {
    const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    std::string text;
    char line[40];
    for (int i = 0; i < pairs; ++i) {
        const unsigned left = random() & mask, right = random() & mask;
        std::snprintf(line, sizeof line, "L=%X, R=%X;\r\n", left, right);
        text += line;
    }
    return text;
}

std::uint32_t i2sSentBits(std::uint32_t value, int width) {
    const int bits = value == 0 ? 0 : 32 - std::countl_zero(value);
    if (bits > width) return value >> (bits - width);
    return width >= 32 ? value : value & ((1u << width) - 1);
}

I2sBuild buildI2sStream(const I2sSettings& s, std::span<const I2sWord> words, int cardType, std::span<Sample> out,
                        int sampleLimit) {
    I2sBuild built;
    const int width = s.width;
    if (!i2sWidthValid(width) || words.empty()) return built;
    const std::int64_t limit = std::min<std::int64_t>(sampleLimit, static_cast<std::int64_t>(out.size()));
    const bool wide = width == i2sSlotBits; // the LSB moves into the next slot's first bit time
    const Sample sck = channelBit(s.sckChannel), ws = channelBit(s.sckChannel + 1), sd = channelBit(s.sckChannel + 2);
    // level[ws][sd] for the two samples of a bit time: SCK low, SCK high.
    Sample low[2][2], high[2][2];
    for (int w = 0; w < 2; ++w)
        for (int d = 0; d < 2; ++d) {
            low[w][d] = (w ? ws : 0) | (d ? sd : 0);
            high[w][d] = low[w][d] | sck;
        }
    Sample* const base = out.data();
    if (limit < i2sLeadInSamples) {
        built.error = Msg::CantRunDataTooBig;
        return built;
    }
    fillSamples(base, i2sLeadInSamples, low[1][0]);
    std::int64_t n = i2sLeadInSamples;
    int carried = 0; // the previous word's LSB at width 32
    for (const I2sWord& word : words) {
        if (n + slotSamples + endSamples > limit) {
            built.error = Msg::CantRunDataTooBig;
            return built;
        }
        const int w = word.right ? 1 : 0;
        const std::uint32_t bits = i2sSentBits(word.value, width);
        Sample* at = base + n;
        at[0] = low[w][carried];
        at[1] = high[w][carried];
        at += 2;
        const int shown = wide ? width - 1 : width; // data bits inside this slot
        for (int k = 0; k < shown; ++k) {
            const int d = static_cast<int>((bits >> (width - 1 - k)) & 1u);
            at[0] = low[w][d];
            at[1] = high[w][d];
            at += 2;
        }
        for (int k = 1 + shown; k < i2sSlotBits; ++k) {
            at[0] = low[w][0];
            at[1] = high[w][0];
            at += 2;
        }
        carried = wide ? static_cast<int>(bits & 1u) : 0;
        n += slotSamples;
    }
    unsigned target = i2sLeadInSamples;
    if (!s.repeat) {
        // A receiver takes a word at the next WS change: one more bit time with WS changed (and the
        // last LSB at width 32), then SCK low while the instrument holds the levels.
        const int w = words.back().right ? 0 : 1;
        base[n] = base[n + 2] = low[w][carried];
        base[n + 1] = high[w][carried];
        n += endSamples;
    } else if (wide) {
        // The wrapped bit time: the first slot's WS and the last LSB; the loop goes on at the first
        // slot's MSB.
        const int w = words.front().right ? 1 : 0;
        base[n] = low[w][carried];
        base[n + 1] = high[w][carried];
        n += i2sSamplesPerBit;
        target += i2sSamplesPerBit;
    }
    built.count = static_cast<int>(n);
    FrameLayout layout = i2sFrame;
    layout.repeatAddress = target;
    placeFrameCommands(out, built.count, layout, cardType, s.repeat);
    return built;
}

I2sRunResult runI2s(OutputPorts& ports, const I2sSettings& s, std::string_view text, std::span<Sample> buffer) {
    I2sRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.sckHz = static_cast<double>(i2sSampleClock(s)) / i2sSamplesPerBit;
    auto fail = [&](Msg m, const std::string& where = {}) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m), where);
        return result;
    };
    if (!i2sWidthValid(s.width)) return fail(Msg::I2sWidthInvalid);
    if (s.sckChannel < 0 || s.sckChannel > i2sHighestSckChannel(ports.capabilities))
        return fail(Msg::ErrorChannelSetting);
    std::vector<I2sWord> words;
    std::string where;
    if (Msg m = parseI2sWords(text, words, where); m != Msg::None) return fail(m, where);
    if (words.empty()) return fail(Msg::I2sNoWords);
    if (!s.preset)
        if (Msg m = rateProblem(s.sckHz); m != Msg::None) return fail(m);
    const std::int64_t clock = i2sSampleClock(s);
    if (clock <= 0 || clock > ports.capabilities.maxOutputFrequency) return fail(Msg::RateOutOfRange);
    const int cardType = readCardType(ports);
    SckPrompt prompt(ports.prompt, static_cast<int>(clock), ports.capabilities);
    OutputPorts sckPorts{ports.driver, ports.device,       ports.interlock, ports.flags,
                         prompt,       ports.capabilities, ports.pause,     ports.idle};
    GeneratorJob job;
    job.clockHz = static_cast<int>(clock);
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = i2sEventSelection;
    job.build = [&](int) {
        const I2sBuild built =
            buildI2sStream(s, words, cardType, buffer, sampleLimit(ports.capabilities, i2sSampleLimitMargin));
        Section section;
        section.error = built.error;
        section.samples = buffer.first(static_cast<std::size_t>(built.count));
        return section;
    };
    result.outcome = runGeneratorOutput(sckPorts, job);
    if (result.outcome.clockHz > 0) result.sckHz = result.outcome.clockHz / double(i2sSamplesPerBit);
    return result;
}

} // namespace qv::gen
