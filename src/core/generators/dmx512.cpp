// The DMX512 builder. Every stretch of one level (a break, a mark, the idle after a slot) is a
// run; a run of a few hundred samples or more is written as a lead of 8..107 samples and one
// 100-sample pass that the sequencer loops: LC on the lead's samples 3 and 4, LP on the pass's
// samples 94..96, so the LP takes effect after the pass's last sample (the sequencer acts three
// samples after a command) and the run lasts exactly its length. No command sits within three
// samples after an LP or around a loop target. The run that ends the stream keeps its last 20
// samples out of any loop for the end commands.
#include "generators/dmx512.h"

#include "device/rate_entry.h"
#include "generators/frame.h"

#include <algorithm>
#include <cstdio>

namespace qv::gen {
namespace {

constexpr unsigned dmxRepeatAddress = dmxLeadInSamples; // the first break
constexpr FrameLayout dmxFrame{2, 4, 9, dmxRepeatAddress};
constexpr int loopLeadSamples = 8; // before a pass: room for LC at 3, 4 and the target's margin
constexpr int loopCountAt = 3;
constexpr int endTailSamples = 20; // after the last loop: the end JP (count - 6) or WE (count - 4)
constexpr int minimumLoopedRun = loopLeadSamples + 2 * dmxLoopPassSamples; // LC counts start at 2
constexpr std::int64_t maxTimeSamples = dmxMaxLoopCount * dmxLoopPassSamples;
constexpr int valueShown = 16;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Writes runs and slots from device address 0, each checked against the limit before it is written.
class DmxWriter {
  public:
    DmxWriter(std::span<Sample> out, int limit, Sample mark, Sample space)
        : base_(out.data()), limit_(std::min<std::int64_t>(limit, static_cast<std::int64_t>(out.size()))), mark_(mark),
          space_(space) {}

    bool run(bool markLevel, std::int64_t length, bool endsStream) {
        const Sample level = markLevel ? mark_ : space_;
        const int tail = endsStream && length >= minimumLoopedRun + endTailSamples ? endTailSamples : 0;
        std::int64_t looped = length - tail;
        while (looped > 0) {
            if (looped < minimumLoopedRun) {
                if (!fill(level, looped)) return false;
                break;
            }
            const std::int64_t passes = std::min((looped - loopLeadSamples) / dmxLoopPassSamples, dmxMaxLoopCount);
            const std::int64_t lead =
                passes == dmxMaxLoopCount ? loopLeadSamples : looped - passes * dmxLoopPassSamples;
            if (!loop(level, static_cast<int>(lead), static_cast<int>(passes))) return false;
            looped -= lead + passes * dmxLoopPassSamples;
        }
        return fill(level, tail);
    }

    // Start bit, bits 0..7, two stop bits.
    bool slot(std::uint8_t value) {
        if (count_ + dmxSlotSamples > limit_) return false;
        Sample* at = base_ + count_;
        at[0] = space_;
        for (int b = 0; b < 8; ++b) at[1 + b] = (value >> b) & 1 ? mark_ : space_;
        at[9] = at[10] = mark_;
        count_ += dmxSlotSamples;
        return true;
    }

    int count() const { return static_cast<int>(count_); }

  private:
    bool fill(Sample level, std::int64_t length) {
        if (count_ + length > limit_) return false;
        fillSamples(base_ + count_, static_cast<int>(length), level);
        count_ += length;
        return true;
    }

    // lead samples, then one pass the sequencer plays `passes` times.
    bool loop(Sample level, int lead, int passes) {
        const std::int64_t start = count_;
        if (!fill(level, lead + dmxLoopPassSamples)) return false;
        const unsigned loopCount = static_cast<unsigned>(passes - 2);
        base_[start + loopCountAt] |= 0x200 | ((loopCount >> 8) & 0xFF);
        base_[start + loopCountAt + 1] |= 0x400 | (loopCount & 0xFF);
        const auto target = static_cast<unsigned>(start + lead);
        const std::int64_t lp = count_ - endCommandOffset - 2;
        base_[lp] |= 0x800 | (target & 0xFF);
        base_[lp + 1] |= 0x200 | ((target >> 8) & 0xFF);
        base_[lp + 2] |= 0x300 | ((target >> 16) & 0xFF);
        return true;
    }

    Sample* base_;
    std::int64_t limit_;
    std::int64_t count_ = 0;
    Sample mark_, space_;
};

} // namespace

int dmxHighestPlusChannel(const Capabilities& caps) { return caps.channelCount - 2; }

Msg parseDmxValues(std::string_view text, std::vector<std::uint8_t>& values, std::string& where) {
    values.clear();
    std::size_t line = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view piece = text.substr(start, end - start);
        start = end + (text.substr(end).starts_with("\r\n") ? 2 : 1);
        ++line;
        while (!piece.empty() && blank(piece.front())) piece.remove_prefix(1);
        while (!piece.empty() && blank(piece.back())) piece.remove_suffix(1);
        if (piece.empty()) continue;
        unsigned value = 0;
        bool good = piece.size() <= 2;
        for (char c : piece) good = good && hexDigit(c) >= 0;
        if (good)
            for (char c : piece) value = value * 16 + static_cast<unsigned>(hexDigit(c));
        if (!good) {
            where = std::to_string(line) + " ('" + std::string(piece.substr(0, valueShown)) +
                (piece.size() > valueShown ? "...')" : "')");
            return Msg::DmxValueNotByte;
        }
        values.push_back(static_cast<std::uint8_t>(value));
    }
    return Msg::None;
}

std::string dmxRandomValuesText(int count, std::mt19937& random) {
    std::string text;
    char piece[8];
    for (int i = 0; i < count; ++i) {
        std::snprintf(piece, sizeof piece, "%02X\r\n", static_cast<unsigned>(random() % 255));
        text += piece;
    }
    return text;
}

int dmxRandomCount(std::mt19937& random) { return 1 + static_cast<int>(random() % dmxMaxRandomCount); }

DmxTimes dmxTimes(const DmxSettings& s) {
    return {s.markBeforeBreakMs * 1000 / dmxMicrosecondsPerSample, s.breakUs / dmxMicrosecondsPerSample,
            s.markAfterBreakUs / dmxMicrosecondsPerSample, s.interSlotUs / dmxMicrosecondsPerSample};
}

Msg checkDmx(const DmxSettings& s, const Capabilities& caps) {
    if (s.plusChannel < 0 || s.plusChannel > dmxHighestPlusChannel(caps)) return Msg::ErrorChannelSetting;
    for (std::int64_t t : {s.markBeforeBreakMs, s.breakUs, s.markAfterBreakUs, s.interSlotUs})
        if (t < 0 || t > dmxMaxTimeValue) return Msg::DmxTimeNotNumber;
    const DmxTimes t = dmxTimes(s);
    for (std::int64_t n : {t.markBeforeBreak, t.breakSamples, t.markAfterBreak, t.interSlot})
        if (n > maxTimeSamples) return Msg::DmxTimeTooLong;
    return Msg::None;
}

DmxBuild buildDmxStream(const DmxSettings& s, std::span<const std::uint8_t> values, int cardType, bool handshake,
                        std::span<Sample> out, int sampleLimit) {
    DmxBuild built;
    const DmxTimes t = dmxTimes(s);
    const Sample plus = channelBit(s.plusChannel), minus = channelBit(s.plusChannel + 1);
    DmxWriter w(out, sampleLimit, plus, minus);
    bool fits = w.run(true, dmxLeadInSamples, false);
    int inPacket = dmxSlotsPerPacket; // a packet header comes first
    for (std::size_t i = 0; fits && i < values.size(); ++i) {
        if (inPacket == dmxSlotsPerPacket) {
            fits = w.run(false, t.breakSamples, false) && w.run(true, t.markAfterBreak, false);
            inPacket = 0;
            ++built.packets;
        }
        fits = fits && w.slot(values[i]);
        ++inPacket;
        // The mark after a slot: the time between slots, and the mark before a following break.
        const bool last = i + 1 == values.size();
        const bool breakFollows = last || inPacket == dmxSlotsPerPacket;
        fits = fits && w.run(true, t.interSlot + (breakFollows ? t.markBeforeBreak : 0), last);
    }
    if (values.empty()) return built; // nothing to send
    if (!fits) {
        built.error = Msg::CantRunDataTooBig;
        return built;
    }
    built.count = w.count();
    FrameLayout layout = dmxFrame;
    if (!handshake) layout.selectKeyAt = -1;
    placeFrameCommands(out, built.count, layout, cardType, s.repeat);
    return built;
}

namespace {

// The values and the checks Run and Convert share; idle: no values at all.
Msg prepareDmx(const DmxSettings& s, std::string_view text, const Capabilities& caps, std::vector<std::uint8_t>& values,
               std::string& where, bool& idle) {
    idle = false;
    if (Msg m = parseDmxValues(text, values, where); m != Msg::None) return m;
    if (values.empty()) {
        idle = true;
        return Msg::None;
    }
    if (Msg m = checkDmx(s, caps); m != Msg::None) return m;
    if (Msg m = rateProblem(s.rateBitsPerSecond); m != Msg::None) return m;
    if (s.rateBitsPerSecond > caps.maxOutputFrequency) return Msg::RateOutOfRange;
    return Msg::None;
}

} // namespace

DmxRunResult runDmx(OutputPorts& ports, const DmxSettings& s, std::string_view valuesText, std::span<Sample> buffer) {
    DmxRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.rateBitsPerSecond = s.rateBitsPerSecond;
    std::vector<std::uint8_t> values;
    std::string where;
    if (Msg m = prepareDmx(s, valuesText, ports.capabilities, values, where, result.idle); m != Msg::None) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m), where);
        return result;
    }
    if (result.idle) return result;
    const int cardType = readCardType(ports);
    GeneratorJob job;
    job.clockHz = static_cast<int>(nearestHertz(s.rateBitsPerSecond));
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = dmxEventSelection;
    job.build = [&](int) {
        const DmxBuild built =
            buildDmxStream(s, values, cardType, true, buffer, sampleLimit(ports.capabilities, dmxSampleLimitMargin));
        Section section;
        section.error = built.error;
        section.samples = buffer.first(static_cast<std::size_t>(built.count));
        return section;
    };
    result.outcome = runGeneratorOutput(ports, job);
    if (result.outcome.clockHz > 0) result.rateBitsPerSecond = result.outcome.clockHz;
    return result;
}

Msg buildDmxForConvert(const DmxSettings& s, std::string_view valuesText, const Capabilities& caps, int cardType,
                       std::span<Sample> buffer, DmxBuild& built, std::string& where) {
    std::vector<std::uint8_t> values;
    bool idle = false;
    if (Msg m = prepareDmx(s, valuesText, caps, values, where, idle); m != Msg::None) return m;
    if (idle) return Msg::None; // built.count stays 0: nothing to convert
    built = buildDmxStream(s, values, cardType, false, buffer, sampleLimit(caps, dmxSampleLimitMargin));
    return built.error;
}

} // namespace qv::gen
