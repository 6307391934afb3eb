// The counters' streams. The period comes from the modulo walk in closed form (the range length
// over its greatest common divisor with the increment), so no setting can make a walk run for
// ever; the streams themselves stop at the sample limit.
#include "generators/counter.h"

#include "device/rate_entry.h"
#include "generators/frame.h"

#include <algorithm>
#include <bit>
#include <new>
#include <numeric>
#include <optional>
#include <vector>

namespace qv::gen {
namespace {

constexpr FrameLayout counterFrame{2, 3, 4, 0};
constexpr unsigned syncRepeatAddress = counterLeadInSamples - 1; // the last of the samples holding Start
constexpr int loadedPastCount = 2; // the synchronous counter loads two samples past its end
// A loop in memory must hold its own jump (three words ending four samples before its end): a
// shorter count is written several times over before the jump.
constexpr int minimumLoopSamples = endCommandOffset + 2;

std::int64_t rangeLow(const CounterSettings& s) { return std::min(s.start, s.end); }
std::int64_t rangeLength(const CounterSettings& s) { return std::max(s.start, s.end) - rangeLow(s) + 1; }

// The increment as a step within the range, 0 .. length - 1.
std::int64_t stepInRange(const CounterSettings& s) {
    const std::int64_t length = rangeLength(s);
    return ((s.increment % length) + length) % length;
}

} // namespace

int counterDelayDivisor(int delayIndex) { return 16 - std::clamp(delayIndex, 0, counterDelayDivisors - 1); }

std::int64_t counterSampleClock(const CounterSettings& s, CounterKind kind) {
    const std::int64_t f = nearestHertz(s.frequencyHz);
    return kind == CounterKind::Async ? f * counterDelayDivisor(s.delayIndex) : f;
}

Msg checkCounter(const CounterSettings& s, const Capabilities& caps, CounterKind kind) {
    if (s.startChannel < 0 || s.startChannel >= caps.channelCount) return Msg::StartChannelError;
    if (s.width < 1 || s.width + s.startChannel > caps.channelCount) return Msg::WidthConflictsWithStartChannel;
    if (Msg m = rateProblem(s.frequencyHz); m != Msg::None) return m;
    if (counterSampleClock(s, kind) > caps.maxOutputFrequency)
        return kind == CounterKind::Sync ? Msg::RateOutOfRange : Msg::CounterClockOutOfRange;
    const std::int64_t top = (std::int64_t{1} << s.width) - 1;
    if (s.start < 0 || s.end < 0 || s.start > top || s.end > top) return Msg::ErrorParameterSetting;
    if (s.start == s.end || s.increment == 0) return Msg::ErrorParameterSetting;
    if ((s.start < s.end) != (s.increment > 0)) return Msg::ErrorParameterSetting;
    if (stepInRange(s) == 0) return Msg::ErrorParameterSetting; // the value would never change
    return Msg::None;
}

CounterWalk::CounterWalk(const CounterSettings& s) : low(rangeLow(s)), length(rangeLength(s)), step(stepInRange(s)) {}

std::int64_t nextCounterValue(const CounterSettings& s, std::int64_t v) { return CounterWalk(s).next(v); }

std::int64_t counterPeriod(const CounterSettings& s, std::int64_t limit) {
    const std::int64_t length = rangeLength(s);
    const std::int64_t step = stepInRange(s);
    if (step == 0) return 1;
    return std::min(length / std::gcd(length, step), limit);
}

Sample counterWord(const CounterSettings& s, std::int64_t value) {
    std::uint64_t v = static_cast<std::uint64_t>(value);
    if (s.gray) v ^= v >> 1;
    const std::uint64_t mask = s.width >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << s.width) - 1;
    return static_cast<Sample>(v & mask) << (12 + s.startChannel);
}

int counterSyncSampleLimit(const Capabilities& caps) { return caps.depthSamples() - counterSyncLimitMargin; }

int counterAsyncSampleLimit(const Capabilities& caps, int width) {
    return caps.depthSamples() - width - counterAsyncLimitMargin;
}

// ---- synchronous ------------------------------------------------------------------------------

SyncCounterStream::SyncCounterStream(const CounterSettings& s, int sampleLimit, int cardType)
    : settings_(s), walk_(s), limit_(sampleLimit), cardType_(cardType), value_(s.start) {}

SyncCounterStream::Pass SyncCounterStream::buildPass(std::span<Sample> out) {
    const bool first = passes_++ == 0;
    const bool endless = !first && settings_.section && settings_.repeat;
    const bool loopInMemory = first && settings_.repeat && !settings_.section;
    const int limit = std::min(limit_, static_cast<int>(out.size()) - loadedPastCount);
    Sample* const base = out.data();
    fillSamples(base, counterLeadInSamples, counterWord(settings_, value_));
    int n = counterLeadInSamples;
    bool complete = false;
    while (n < limit) {
        const std::int64_t next = walk_.next(value_);
        // Looping in memory, Start is the jump target's value: the pass ends before it comes back.
        if (loopInMemory && next == settings_.start && n - counterLeadInSamples + 1 >= minimumLoopSamples) {
            value_ = next;
            complete = true;
            break;
        }
        value_ = next;
        base[n++] = counterWord(settings_, value_);
        if (!endless && !loopInMemory && value_ == settings_.start) {
            complete = true;
            break;
        }
    }
    fillSamples(base + n, loadedPastCount, base[n - 1]);
    Pass pass{n + loadedPastCount, true};
    // Looping in memory or counted once, the stream is whole; otherwise sections go on (for ever
    // with Repeat, until Stop).
    const bool jump = complete && loopInMemory;
    pass.last = jump || (complete && !settings_.repeat) || !settings_.section;
    FrameLayout layout = counterFrame;
    layout.repeatAddress = syncRepeatAddress;
    placeFrameCommands(out, n, layout, cardType_, jump);
    return pass;
}

// ---- asynchronous -----------------------------------------------------------------------------

AsyncCounterImage buildAsyncCounter(const CounterSettings& s, int sampleLimit, int cardType, std::span<Sample> out) {
    const std::int64_t divisor = counterDelayDivisor(s.delayIndex);
    const std::int64_t period = counterPeriod(s, sampleLimit);
    const std::int64_t cycle = period * divisor;
    // With Repeat the first cycle plays once and the following ones loop (as many as the jump needs).
    const std::int64_t loopCycles = (minimumLoopSamples + cycle - 1) / cycle;
    const std::int64_t data = cycle * (s.repeat ? 1 + loopCycles : 1);
    const std::int64_t count = data + s.width; // the written image: data and the ripple tail
    if (data >= sampleLimit || counterAsyncPrefix + count > static_cast<std::int64_t>(out.size()))
        return {0, Msg::CantRunDataTooBig};

    Sample* const image = out.data() + counterAsyncPrefix;
    const CounterWalk walk(s);
    const std::int64_t steps = data / divisor;
    std::vector<Sample> words(static_cast<std::size_t>(steps));
    std::int64_t value = s.start;
    for (std::int64_t j = 0; j < steps; ++j) {
        words[static_cast<std::size_t>(j)] = counterWord(s, value);
        fillSamples(image + j * divisor, static_cast<int>(divisor), words[static_cast<std::size_t>(j)]);
        value = walk.next(value);
    }
    fillSamples(image + data, s.width, image[data - 1]);
    // The ripple: bit k shows the count of k samples before. It differs from the plain count only
    // in the k samples after a step that changed bit k, so only those are rewritten.
    auto plainAt = [&](std::int64_t at) { return words[static_cast<std::size_t>(std::min(at / divisor, steps - 1))]; };
    for (std::int64_t j = 1; j < steps; ++j) {
        const std::int64_t t = j * divisor;
        Sample changed =
            (words[static_cast<std::size_t>(j)] ^ words[static_cast<std::size_t>(j - 1)]) & ~channelBit(s.startChannel);
        for (; changed != 0; changed &= changed - 1) {
            const int k = std::countr_zero(changed) - 12 - s.startChannel;
            const Sample bit = changed & (~changed + 1);
            for (std::int64_t at = t; at < std::min(t + k, count); ++at)
                image[at] = (image[at] & ~bit) | (plainAt(at - k) & bit);
        }
    }
    fillSamples(out.data(), counterAsyncPrefix, image[0]);
    const int loaded = static_cast<int>(counterAsyncPrefix + count);
    placeCommand(out, 2, commandSelectKey);
    placeCommand(out, 3, commandWaitEvent);
    if (cardType == cardTypeWithOutputEnable) placeOutputEnable(out, 4, outputEnableAll);
    if (s.repeat) {
        // The loop is the second cycle: its last sample plays, then the device jumps to its first.
        const int cycleEnd = loaded - s.width; // one past the second cycle
        placeJump(out, cycleEnd - endCommandOffset - 2, static_cast<unsigned>(counterAsyncPrefix + cycle));
    } else {
        placeCommand(out, loaded - endCommandOffset, commandWaitEvent);
    }
    return {loaded, Msg::None};
}

// ---- output thread ----------------------------------------------------------------------------

CounterRunResult runCounter(OutputPorts& ports, const CounterSettings& settings, CounterKind kind,
                            std::span<Sample> buffer) {
    CounterRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.sectionChecked = settings.section;
    auto fail = [&](Msg m) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m));
        return result;
    };
    if (Msg m = checkCounter(settings, ports.capabilities, kind); m != Msg::None) return fail(m);
    CounterSettings s = settings;
    if (kind == CounterKind::Async) s.gray = s.section = false;
    const int limit = kind == CounterKind::Sync ? counterSyncSampleLimit(ports.capabilities)
                                                : counterAsyncSampleLimit(ports.capabilities, s.width);
    const int cardType = readCardType(ports);
    std::optional<SyncCounterStream> stream;

    GeneratorJob job;
    job.clockHz = static_cast<int>(counterSampleClock(s, kind));
    job.clockRule = ClockRule::AskNearby;
    job.resetBeforeClock = false;
    job.eventSelection = 0;
    job.build = [&](int index) {
        Section section;
        if (kind == CounterKind::Async) {
            const AsyncCounterImage image = buildAsyncCounter(s, limit, cardType, buffer);
            section.error = image.error;
            section.samples = buffer.first(static_cast<std::size_t>(image.count));
            return section;
        }
        // The fit question comes after the clock was accepted, before anything is written.
        if (index == 0 && !s.section &&
            counterPeriod(s, limit) > static_cast<std::int64_t>(limit) - counterLeadInSamples) {
            if (ports.prompt.ask(static_cast<int>(Msg::SectionData), Buttons::YesNo) == Answer::Yes) {
                s.section = result.sectionChecked = true;
            } else if (s.repeat) {
                section.error = Msg::RepeatNeedsSections;
                return section;
            }
        }
        if (!stream) stream.emplace(s, limit, cardType);
        const SyncCounterStream::Pass pass = stream->buildPass(buffer);
        section.samples = buffer.first(static_cast<std::size_t>(pass.count));
        section.last = pass.last;
        return section;
    };
    result.outcome = runGeneratorOutput(ports, job);
    result.clockHz = result.outcome.clockHz;
    return result;
}

} // namespace qv::gen
