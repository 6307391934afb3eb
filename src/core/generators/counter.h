// The synchronous and asynchronous counters: a binary (or, synchronous only, Gray) counter on a
// group of adjacent channels, least significant bit on the start channel. The synchronous counter
// changes every bit on one sample and streams counts longer than the memory in sections; the
// asynchronous counter holds each value for n samples and lets bit k change k samples after bit
// 0, as a ripple counter does. Neither converts into the Wave Editor.
//
// The count runs from Start towards End by Increment and wraps over the counted range
// [min(Start, End), max(Start, End)] by a true modulo, so any increment and counting down both
// come back to Start; after End comes Start when the increment is 1 (or -1 counting down).
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <span>

namespace qv::gen {

inline constexpr int counterLeadInSamples = 12; // the synchronous counter's samples holding Start
inline constexpr int counterSyncLimitMargin = 12;
inline constexpr int counterAsyncPrefix = 12; // the asynchronous image loads behind the prefix
inline constexpr int counterAsyncLimitMargin = 13; // and w more samples for the ripple tail
inline constexpr int counterDelayDivisors = 15; // "1/16" .. "1/2"
inline constexpr int counterDefaultDelayIndex = 6; // "1/10"

struct CounterSettings {
    int width = 10;
    std::int64_t start = 0;
    std::int64_t end = 1023;
    std::int64_t increment = 1;
    int startChannel = 0;
    double frequencyHz = 10e6; // the counter's step frequency, rounded to whole hertz
    bool gray = false; // synchronous only
    bool repeat = false;
    bool section = false; // synchronous only
    int delayIndex = counterDefaultDelayIndex; // asynchronous only: n = 16 - index
};

enum class CounterKind { Sync, Async };

// n of "1/n" at a Delay Time index (0 -> 16 .. 14 -> 2).
int counterDelayDivisor(int delayIndex);
// The sample clock: f (sync) or n x f (async).
std::int64_t counterSampleClock(const CounterSettings& s, CounterKind kind);

// The checks of Run in their order: start channel (12020), width against the channels (12021),
// the clock against the model (12022 sync, 12046 async), then Start, End and Increment (12079):
// Start = End, a zero increment, an increment pointing away from End, a value outside the
// counter's bits or an increment whose size is not below the counted range.
Msg checkCounter(const CounterSettings& s, const Capabilities& caps, CounterKind kind);

// The walk over the counted range: the step is the increment modulo the range's length, so one
// subtraction wraps a value that lies in the range.
struct CounterWalk {
    explicit CounterWalk(const CounterSettings& s);
    std::int64_t next(std::int64_t v) const {
        const std::int64_t n = v + step;
        return n - low >= length ? n - length : n;
    }
    std::int64_t low, length, step;
};
// The value after v: v + I wrapped into the counted range.
std::int64_t nextCounterValue(const CounterSettings& s, std::int64_t v);
// Values from Start until Start comes back (its period), counted no further than `limit`.
std::int64_t counterPeriod(const CounterSettings& s, std::int64_t limit);
// The word a value puts on the counter's channels.
Sample counterWord(const CounterSettings& s, std::int64_t value);

// Sample limits for the model: depth - 12 (sync); depth - w - 13 of counter data (async).
int counterSyncSampleLimit(const Capabilities& caps);
int counterAsyncSampleLimit(const Capabilities& caps, int width);

// The synchronous stream, pass by pass. A pass starts with 12 samples of its first value (SE KEY
// on 2, WE on 3, OE on 4..6 on card type 18) and counts one value a sample. Repeat without
// sections ends before Start would come back and jumps to sample 11, so each value plays exactly
// once per loop; otherwise the pass ends with Start back (WE four samples before the end) or at
// the limit, and a further pass follows with sections.
class SyncCounterStream {
  public:
    SyncCounterStream(const CounterSettings& s, int sampleLimit, int cardType);
    struct Pass {
        int count = 0; // samples to load, the two after the end included
        bool last = true;
    };
    // The next pass into out (at least the sample limit + 2 samples).
    Pass buildPass(std::span<Sample> out);

  private:
    CounterSettings settings_;
    CounterWalk walk_;
    int limit_;
    int cardType_;
    std::int64_t value_;
    int passes_ = 0;
};

// The asynchronous image (prefix included, loaded from device address 0): the prefix holds the
// first sample with SE KEY, WE and OE, each value lasts n samples, with Repeat further cycles
// follow (one, or more when a cycle is shorter than the jump), the ripple tail of w samples ends
// it; Repeat jumps back to the second cycle's start. Returns
// the samples to load, or 0 with `error` = 12047 when the count does not fit the sample limit.
struct AsyncCounterImage {
    int count = 0;
    Msg error = Msg::None;
};
AsyncCounterImage buildAsyncCounter(const CounterSettings& s, int sampleLimit, int cardType, std::span<Sample> out);

// The output threads: checks, the clock check (qvReset skipped before it), the fit check with its
// questions, then the passes (sync) or the image (async) on the output engine, event selection 0.
// Errors are shown through the prompt. `sectionChecked` tells the dialog to check Section.
struct CounterRunResult {
    OutputOutcome outcome;
    bool sectionChecked = false;
    int clockHz = 0; // the sample clock used (the dialog writes an adjusted one back)
};
CounterRunResult runCounter(OutputPorts& ports, const CounterSettings& s, CounterKind kind, std::span<Sample> buffer);

} // namespace qv::gen
