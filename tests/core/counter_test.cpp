// The counters: the checks at their limits, the modulo walk, and the streams played on the
// virtual instrument's sequencer, where a Repeat must show every value exactly once per loop.
#include "generators/counter.h"

#include "app/models.h"
#include "import_playback.h"
#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace qv::gen {
namespace {

using test::commandsText;
using test::levelsText;

const Capabilities caps16 = capabilitiesFor(0xB016);

CounterSettings counter(int width, std::int64_t start, std::int64_t end, std::int64_t increment, int channel = 0) {
    CounterSettings s;
    s.width = width;
    s.start = start;
    s.end = end;
    s.increment = increment;
    s.startChannel = channel;
    s.frequencyHz = 1e6;
    return s;
}

// The counter's value on each output clock after the start handshake's key.
std::vector<std::int64_t> played(std::span<const Sample> stream, const CounterSettings& s, std::uint64_t clocks) {
    sim::SequencerSetup setup;
    setup.sampleLimit = clocks;
    sim::Sequencer sequencer(setup);
    sequencer.load(stream);
    sequencer.start();
    sequencer.keyEvent();
    test::LevelRecorder recorder;
    sequencer.runToRest(&recorder);
    std::vector<std::int64_t> values;
    std::size_t next = 0;
    Sample level = 0;
    for (std::uint64_t clock = 0; clock < clocks; ++clock) {
        while (next < recorder.changes.size() && recorder.changes[next].at <= clock)
            level = recorder.changes[next++].levels;
        values.push_back(static_cast<std::int64_t>((level >> (12 + s.startChannel)) & ((Sample{1} << s.width) - 1)));
    }
    return values;
}

TEST(Counter, ChecksAtTheirLimits) {
    struct Case {
        CounterSettings s;
        Msg error;
    } cases[] = {
        {counter(4, 0, 15, 1, 12), Msg::None}, // the top four channels
        {counter(4, 0, 15, 1, 13), Msg::WidthConflictsWithStartChannel}, // one past
        {counter(3, 0, 7, 1, 14), Msg::WidthConflictsWithStartChannel},
        {counter(4, 0, 15, 1, 16), Msg::StartChannelError},
        {counter(4, 0, 15, 1, -1), Msg::StartChannelError},
        {counter(0, 0, 0, 1), Msg::WidthConflictsWithStartChannel},
        {counter(4, 3, 3, 1), Msg::ErrorParameterSetting}, // Start = End
        {counter(4, 10, 5, 1), Msg::ErrorParameterSetting}, // counting away from End
        {counter(4, 5, 10, -1), Msg::ErrorParameterSetting},
        {counter(4, 0, 15, 0), Msg::ErrorParameterSetting},
        {counter(4, 0, 16, 1), Msg::ErrorParameterSetting}, // End past the counter's bits
        {counter(4, 0, 15, 16), Msg::ErrorParameterSetting}, // a whole range: nothing changes
        {counter(4, 0, 15, 17), Msg::None},
        {counter(4, 15, 0, -1), Msg::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkCounter(c.s, caps16, CounterKind::Sync), c.error) << c.s.width << " " << c.s.startChannel;

    CounterSettings fast = counter(4, 0, 15, 1);
    fast.frequencyHz = caps16.maxOutputFrequency;
    EXPECT_EQ(checkCounter(fast, caps16, CounterKind::Sync), Msg::None);
    fast.frequencyHz += 1;
    EXPECT_EQ(checkCounter(fast, caps16, CounterKind::Sync), Msg::RateOutOfRange);
    fast.frequencyHz = caps16.maxOutputFrequency / 10.0; // 1/10: ten samples a value
    EXPECT_EQ(checkCounter(fast, caps16, CounterKind::Async), Msg::None);
    fast.frequencyHz += 1;
    EXPECT_EQ(checkCounter(fast, caps16, CounterKind::Async), Msg::CounterClockOutOfRange);
    fast.frequencyHz = 0;
    EXPECT_EQ(checkCounter(fast, caps16, CounterKind::Sync), Msg::RateNotAboveZero);
}

TEST(Counter, ModuloWalkComesBackToStart) {
    struct Case {
        CounterSettings s;
        std::int64_t period;
    } cases[] = {
        {counter(4, 0, 15, 1), 16},  {counter(4, 15, 0, -1), 16},     {counter(4, 3, 10, 1), 8},
        {counter(4, 0, 15, 3), 16},  {counter(4, 0, 15, 4), 4},       {counter(4, 0, 15, 20), 4},
        {counter(4, 12, 2, -5), 11}, {counter(10, 0, 1023, 1), 1024},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(counterPeriod(c.s, 1 << 20), c.period) << c.s.start << ".." << c.s.end << " by " << c.s.increment;
        std::int64_t v = c.s.start;
        for (std::int64_t i = 0; i < c.period; ++i) {
            v = nextCounterValue(c.s, v);
            EXPECT_GE(v, std::min(c.s.start, c.s.end));
            EXPECT_LE(v, std::max(c.s.start, c.s.end));
            if (i + 1 < c.period) {
                EXPECT_NE(v, c.s.start);
            }
        }
        EXPECT_EQ(v, c.s.start);
    }
    EXPECT_EQ(nextCounterValue(counter(4, 3, 10, 1), 10), 3); // after End comes Start
    EXPECT_EQ(counterPeriod(counter(20, 0, (1 << 20) - 1, 1), 1000), 1000); // stops at the limit
}

TEST(Counter, SyncStreamOnceThroughAndGray) {
    std::vector<Sample> out(200);
    CounterSettings s = counter(4, 0, 15, 1, 2);
    SyncCounterStream once(s, 150, 0);
    const SyncCounterStream::Pass pass = once.buildPass(out);
    EXPECT_TRUE(pass.last);
    EXPECT_EQ(pass.count, 12 + 16 + 2); // twelve of Start, 1..15, Start again, two loaded past the end
    std::string values;
    for (int i = 0; i < 28; ++i) values += "0123456789ABCDEF"[(out[static_cast<std::size_t>(i)] >> 14) & 15];
    EXPECT_EQ(values,
              "0000000000001234567"
              "89ABCDEF0");
    EXPECT_EQ(commandsText(out, 0, 6), "000 000 600 700 000 000");
    EXPECT_EQ(commandsText(out, 23, 26), "000 700 000"); // WE four samples before the end

    s.gray = true;
    SyncCounterStream gray(s, 150, 0);
    gray.buildPass(out);
    for (int i = 12; i < 28; ++i) {
        const Sample change = (out[static_cast<std::size_t>(i)] ^ out[static_cast<std::size_t>(i - 1)]) & ~commandMask;
        EXPECT_EQ(std::popcount(change), 1) << i;
    }
}

// With Repeat each value plays exactly once per loop: a 16-value counter repeats every 16 clocks.
TEST(Counter, SyncRepeatPlaysEachValueOncePerLoop) {
    for (const CounterSettings& s :
         {counter(4, 0, 15, 1, 3), counter(4, 15, 0, -1), counter(2, 1, 2, 1), counter(4, 0, 15, 20)}) {
        CounterSettings r = s;
        r.repeat = true;
        r.gray = s.increment == 1;
        std::vector<Sample> out(300);
        SyncCounterStream stream(r, 250, 18);
        const SyncCounterStream::Pass pass = stream.buildPass(out);
        ASSERT_TRUE(pass.last);
        const std::int64_t period = counterPeriod(r, 1000);
        const std::vector<std::int64_t> v = played(std::span<const Sample>(out).first(pass.count), r, 12 + 4 * period);
        // The last three loops: the period, and every value of the walk once.
        const std::size_t from = v.size() - 3 * static_cast<std::size_t>(period);
        std::map<std::int64_t, int> seen;
        for (std::size_t i = from; i < v.size(); ++i) {
            EXPECT_EQ(v[i], v[i - static_cast<std::size_t>(period)]) << i;
            ++seen[v[i]];
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(period)) << r.start << ".." << r.end;
        for (const auto& [value, times] : seen) EXPECT_EQ(times, 3) << value;
    }
}

TEST(Counter, SyncSectionsCarryTheValueAndFillToTheLimit) {
    CounterSettings s = counter(8, 0, 255, 1);
    s.section = true;
    std::vector<Sample> out(200);
    SyncCounterStream stream(s, 112, 0); // 100 values a pass after the 12 of its first value
    std::vector<int> firsts;
    int passes = 0;
    for (bool last = false; !last && passes < 10; ++passes) {
        const SyncCounterStream::Pass pass = stream.buildPass(out);
        last = pass.last;
        firsts.push_back(static_cast<int>((out[12] >> 12) & 255));
        if (!last) {
            EXPECT_EQ(pass.count, 112 + 2);
        }
    }
    EXPECT_EQ(passes, 3); // 256 values: 100, 100, then 56 and Start again
    EXPECT_EQ(firsts, (std::vector<int>{1, 101, 201}));

    s.repeat = true; // sections with Repeat never end; every later pass fills to the limit
    SyncCounterStream endless(s, 112, 0);
    for (int i = 0; i < 5; ++i) {
        const SyncCounterStream::Pass pass = endless.buildPass(out);
        EXPECT_FALSE(pass.last);
        if (i > 0) {
            EXPECT_EQ(pass.count, 114);
        }
    }
}

// Async: width 3, delay 1/4: each value four samples, bit k k samples after bit 0; Repeat loops the
// second cycle so the wrap after the lead-in keeps the ripple.
TEST(Counter, AsyncRippleAndRepeatLoop) {
    CounterSettings s = counter(3, 0, 7, 1, 1);
    s.delayIndex = 12; // 1/4
    EXPECT_EQ(counterSampleClock(s, CounterKind::Async), 4000000);
    std::vector<Sample> out(200);
    const AsyncCounterImage once = buildAsyncCounter(s, 150, 0, out);
    ASSERT_EQ(once.error, Msg::None);
    EXPECT_EQ(once.count, 12 + 32 + 3);
    // Value 3 -> 4 at image sample 16: bit 0 falls there, bit 1 one later, bit 2 rises two later.
    EXPECT_EQ(levelsText(out, 1, 12 + 14, 12 + 20), "HHLLLL");
    EXPECT_EQ(levelsText(out, 2, 12 + 14, 12 + 20), "HHHLLL");
    EXPECT_EQ(levelsText(out, 3, 12 + 14, 12 + 20), "LLLLHH");
    EXPECT_EQ(commandsText(out, 2, 4), "600 700");

    s.repeat = true;
    const AsyncCounterImage looped = buildAsyncCounter(s, 150, 0, out);
    ASSERT_EQ(looped.error, Msg::None);
    const std::vector<std::int64_t> v = played(std::span<const Sample>(out).first(looped.count), s, 12 + 200);
    // From the second cycle on the plain count shows with bit k delayed by k: check it against the
    // ripple of the ideal count on every clock of three loops.
    auto ideal = [&](std::int64_t t, int bit) { return ((t < 0 ? 0 : (t / 4) % 8) >> bit) & 1; };
    const std::int64_t start = 12 + 32; // the second cycle, in output clocks
    for (std::int64_t t = start; t < start + 96; ++t)
        for (int bit = 0; bit < 3; ++bit)
            EXPECT_EQ((v[static_cast<std::size_t>(t)] >> bit) & 1, ideal(t - 12 - bit, bit)) << t << " bit " << bit;

    // A one-bit counter at 1/2 is a four-sample cycle, shorter than its jump: still period 4.
    CounterSettings tiny = counter(1, 0, 1, 1, 5);
    tiny.delayIndex = 14;
    tiny.repeat = true;
    const AsyncCounterImage short4 = buildAsyncCounter(tiny, 150, 18, out);
    ASSERT_EQ(short4.error, Msg::None);
    const std::vector<std::int64_t> t = played(std::span<const Sample>(out).first(short4.count), tiny, 12 + 60);
    for (std::size_t i = 24; i < t.size(); ++i) EXPECT_EQ(t[i], ((i - 12) / 2) % 2) << i;

    s.repeat = false;
    EXPECT_EQ(buildAsyncCounter(s, 32, 0, out).error, Msg::CantRunDataTooBig); // exactly the limit
    EXPECT_EQ(buildAsyncCounter(s, 33, 0, out).error, Msg::None);
}

// The output thread: the clock is set without qvReset first, the fit question comes after it,
// and each answer does what it says.
TEST(Counter, RunAsksToSectionOnlyWhenTheCountDoesNotFit) {
    struct Case {
        bool repeat;
        Answer answer;
        OutputResult result;
        Msg error;
        bool section;
    } cases[] = {
        {false, Answer::Yes, OutputResult::Running, Msg::None, true},
        {false, Answer::No, OutputResult::Running, Msg::None, false}, // the part that fits
        {true, Answer::No, OutputResult::BuildFailed, Msg::RepeatNeedsSections, false},
    };
    for (const Case& c : cases) {
        test::driverRecording = test::DriverRecording{};
        Driver driver = test::recordingDriver();
        DriverInterlock interlock;
        OutputFlags flags;
        flags.running = 1;
        test::ScriptedPrompt prompt({c.answer});
        const Capabilities caps = capabilitiesFor(0xB016); // 65,536 samples
        OutputPorts ports{driver, 1, interlock, flags, prompt, caps};
        ports.pause = [](int) {};
        flags.running = 0; // a section run ends after its first buffer
        std::vector<Sample> out(static_cast<std::size_t>(caps.depthSamples() + 22));
        CounterSettings s = counter(16, 0, 65535, 1);
        s.repeat = c.repeat;
        const CounterRunResult run = runCounter(ports, s, CounterKind::Sync, out);
        EXPECT_EQ(prompt.asked, std::vector<int>{12024});
        EXPECT_EQ(run.outcome.result,
                  c.result == OutputResult::Running && c.section ? OutputResult::Stopped : c.result);
        EXPECT_EQ(run.outcome.error, c.error);
        EXPECT_EQ(run.sectionChecked, c.section);
        EXPECT_EQ(test::driverRecording.calls.at(1), "setfreq 1000000 mode 0 word 0");
        if (c.result == OutputResult::Running) {
            EXPECT_EQ(test::driverRecording.written.size(), static_cast<std::size_t>(caps.depthSamples() - 12 + 2));
        }
    }
    // One value less fits without a question.
    test::driverRecording = test::DriverRecording{};
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    const Capabilities caps = capabilitiesFor(0xB016);
    OutputPorts ports{driver, 1, interlock, flags, prompt, caps};
    ports.pause = [](int) {};
    std::vector<Sample> out(static_cast<std::size_t>(caps.depthSamples() + 22));
    const CounterRunResult fits =
        runCounter(ports, counter(16, 0, caps.depthSamples() - 25, 1), CounterKind::Sync, out);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(fits.outcome.result, OutputResult::Running);
    EXPECT_EQ(runCounter(ports, counter(16, 0, caps.depthSamples() - 24, 1), CounterKind::Sync, out).outcome.result,
              OutputResult::Running);
    EXPECT_EQ(prompt.asked, std::vector<int>{12024});
}

} // namespace
} // namespace qv::gen
