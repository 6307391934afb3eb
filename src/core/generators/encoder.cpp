// The Encoder's stream. Each byte is turned into a pattern of line levels (bit k of the pattern is
// sample k of the byte) and the level it leaves the line at, then written sample by sample; the
// room for a byte is checked before it is written.
#include "generators/encoder.h"

#include "device/rate_entry.h"
#include "generators/frame.h"

#include <algorithm>
#include <cmath>

namespace qv::gen {
namespace {

constexpr FrameLayout encoderFrame{2, 3, 4, encoderRepeatAddress};
constexpr int bitsPerByte = 8;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::uint8_t reversed(std::uint8_t b) {
    std::uint8_t r = 0;
    for (int k = 0; k < bitsPerByte; ++k) r = static_cast<std::uint8_t>(r << 1 | ((b >> k) & 1));
    return r;
}

// One byte's levels, bit 7 first: pattern bit i is the level of the byte's sample i; `level` is the
// line level before the byte and after it.
std::uint32_t bytePattern(LineCode code, std::uint8_t byte, bool& level) {
    std::uint32_t pattern = 0;
    int at = 0;
    auto put = [&](bool high) { pattern |= std::uint32_t{high} << at++; };
    for (int k = bitsPerByte - 1; k >= 0; --k) {
        const bool one = (byte >> k) & 1;
        switch (code) {
        case LineCode::Nrzi:
            if (!one) level = !level; // a 0 toggles the line, a 1 keeps it
            put(level);
            break;
        case LineCode::ManchesterThomas:
            put(one);
            put(!one);
            break;
        case LineCode::ManchesterIeee:
            put(!one);
            put(one);
            break;
        case LineCode::DifferentialManchester:
            if (!one) level = !level; // a 0 changes the line at the start of the bit
            put(level);
            level = !level; // every bit changes it in the middle
            put(level);
            break;
        }
    }
    return pattern;
}

} // namespace

int encoderSamplesPerBit(LineCode code) { return code == LineCode::Nrzi ? 1 : 2; }

bool encoderLeadInHigh(LineCode code) { return code == LineCode::Nrzi || code == LineCode::DifferentialManchester; }

std::vector<std::uint8_t> parseEncoderData(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    unsigned value = 0;
    bool digits = false;
    for (char c : text) {
        if (c == ';') {
            if (digits) bytes.push_back(static_cast<std::uint8_t>(value));
            value = 0;
            digits = false;
            continue;
        }
        if (const int d = hexDigit(c); d >= 0) {
            value = ((value << 4) | static_cast<unsigned>(d)) & 0xFFu;
            digits = true;
        }
    }
    return bytes;
}

EncoderRate encoderRate(const EncoderSettings& s, const Capabilities& caps) {
    EncoderRate rate;
    if (Msg m = rateProblem(s.rateHz); m != Msg::None) {
        rate.error = m;
        return rate;
    }
    rate.rateHz = static_cast<double>(nearestHertz(s.rateHz));
    if (rate.rateHz > caps.maxOutputFrequency) {
        rate.error = Msg::RateOutOfRange;
        return rate;
    }
    const double half = caps.maxOutputFrequency / 2.0;
    if (encoderSamplesPerBit(s.code) == 2 && rate.rateHz > half) {
        rate.rateHz = std::floor(half);
        rate.halved = true;
    }
    return rate;
}

EncoderBuild buildEncoderStream(const EncoderSettings& s, std::span<const std::uint8_t> bytes, int cardType,
                                std::span<Sample> out, int sampleLimit) {
    const int limit = std::min(sampleLimit, static_cast<int>(out.size()));
    const int perByte = bitsPerByte * encoderSamplesPerBit(s.code);
    if (bytes.empty()) return {0, Msg::EncoderNoData};
    if (encoderLeadInSamples + perByte > limit) return {0, Msg::CantRunDataTooBig};
    const Sample line = channelBit(s.channel);
    const bool leadIn = encoderLeadInHigh(s.code);
    Sample* const base = out.data();
    fillSamples(base, encoderLeadInSamples, leadIn ? line : 0);
    int n = encoderLeadInSamples;
    bool level = leadIn;
    // A loop must start from the lead-in's level: a second copy brings an odd toggle count back.
    for (int copy = 0; copy < 2; ++copy) {
        for (std::uint8_t byte : bytes) {
            if (n + perByte > limit) return {0, Msg::CantRunDataTooBig};
            const std::uint32_t pattern = bytePattern(s.code, s.lsbFirst ? reversed(byte) : byte, level);
            for (int i = 0; i < perByte; ++i) base[n + i] = ((pattern >> i) & 1u) ? line : 0;
            n += perByte;
        }
        if (!s.repeat || level == leadIn) break;
    }
    placeFrameCommands(out, n, encoderFrame, cardType, s.repeat);
    return {n, Msg::None};
}

EncoderRunResult runEncoder(OutputPorts& ports, const EncoderSettings& settings, std::string_view text,
                            std::span<Sample> buffer) {
    EncoderRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.rateHz = settings.rateHz;
    auto fail = [&](Msg m) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m));
        return result;
    };
    if (settings.channel < 0 || settings.channel >= ports.capabilities.channelCount)
        return fail(Msg::ErrorChannelSetting);
    const std::vector<std::uint8_t> bytes = parseEncoderData(text);
    if (bytes.empty()) return fail(Msg::EncoderNoData);
    const EncoderRate rate = encoderRate(settings, ports.capabilities);
    if (rate.error != Msg::None) return fail(rate.error);
    result.rateHz = rate.rateHz;
    const int perBit = encoderSamplesPerBit(settings.code);
    const int cardType = readCardType(ports);

    GeneratorJob job;
    job.clockHz = static_cast<int>(rate.rateHz) * perBit;
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = encoderEventSelection;
    job.build = [&](int) {
        const EncoderBuild built = buildEncoderStream(settings, bytes, cardType, buffer,
                                                      sampleLimit(ports.capabilities, encoderSampleLimitMargin));
        Section section;
        section.error = built.error;
        section.samples = buffer.first(static_cast<std::size_t>(built.count));
        return section;
    };
    result.outcome = runGeneratorOutput(ports, job);
    if (result.outcome.clockHz > 0) result.rateHz = result.outcome.clockHz / double(perBit);
    return result;
}

} // namespace qv::gen
