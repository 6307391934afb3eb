// The output engine against a recording driver: the order of its calls, what it asks, where it
// stops, and that every call of the output thread runs with the driver-busy flag set.
#include "device/output_engine.h"

#include "device/frequency.h"
#include "recording_driver.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <thread>
#include <string>
#include <vector>

namespace qv {
namespace {

test::DriverRecording& rec = test::driverRecording;
using test::recordingDriver;

class OutputEngine : public testing::Test {
  protected:
    void SetUp() override {
        rec = test::DriverRecording{};
        rec.interlock = &interlock;
        flags.running = 1;
    }
    OutputPorts ports() {
        OutputPorts p{driver, 1, interlock, flags, prompt, capabilitiesFor(0xC350)};
        p.pause = [this](int ms) { pauses.push_back(ms); };
        return p;
    }
    // A builder of `count` sections of `samples` samples each.
    static SectionBuilder sections(int count, int samples) {
        static std::vector<Sample> buffer(64);
        return [count, samples](int index) {
            return Section{std::span<const Sample>(buffer.data(), static_cast<std::size_t>(samples)),
                           index + 1 >= count, Msg::None};
        };
    }

    Driver driver = recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    std::vector<int> pauses;
};

using Calls = std::vector<std::string>;

TEST_F(OutputEngine, ExactClockRunsTheRoutineInOrder) {
    rec.runningWords = {1, 1, 0};
    auto p = ports();
    const OutputOutcome out = runOutput(p, {1000000, 0, 2, true, sections(1, 40)});
    EXPECT_EQ(out.result, OutputResult::Running);
    EXPECT_EQ(rec.calls,
              (Calls{"reset", "setfreq 1000000 mode 0 word 0", "write 40", "reset", "setfreq 1000000 mode 0 word 0",
                     "eventsel 2", "run", "unlatch 1", "enable 1", "status", "status", "status", "key"}));
    EXPECT_EQ(pauses, (std::vector<int>{50, 0, 0})) << "50 ms after qvEventSel, yields while polling";
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(flags.outputActive.load(), 1);
    for (std::size_t i = 0; i < rec.calls.size(); ++i) EXPECT_EQ(rec.busyAtCall[i], 1) << rec.calls[i];
    EXPECT_EQ(interlock.driverBusy.load(), 0);
}

TEST_F(OutputEngine, LoopValueUsesModeFive) {
    auto p = ports();
    runOutput(p, {1000000, 0x12345, 0, false, sections(1, 8)});
    EXPECT_EQ(rec.calls[0], "setfreq 1000000 mode 0 word 0") << "the counters skip the reset";
    EXPECT_EQ(rec.calls[3], "setfreq 1000000 mode 5 word 9029") << "16 bits of the loop value";
}

TEST_F(OutputEngine, NoToTheClockQuestionWritesNothing) {
    rec.setFreqResult = 0;
    prompt = test::ScriptedPrompt({Answer::No});
    auto p = ports();
    const OutputOutcome out = runOutput(p, {313, 0, 2, true, sections(1, 8)});
    EXPECT_EQ(out.result, OutputResult::Refused);
    EXPECT_EQ(prompt.asked, (std::vector<int>{12023}));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(rec.calls, (Calls{"reset", "setfreq 313 mode 0 word 0"}));
    EXPECT_EQ(flags.outputActive.load(), 0);
}

TEST_F(OutputEngine, YesTakesTheNearestClockAndSaysSo) {
    rec.setFreqResult = 0;
    prompt = test::ScriptedPrompt({Answer::Yes});
    auto p = ports();
    const OutputOutcome out = runOutput(p, {313, 0, 2, true, sections(1, 8)});
    EXPECT_EQ(out.result, OutputResult::Running);
    EXPECT_EQ(out.clockHz, 315);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0], (std::pair<int, std::string>{12053, frequencyText(315)}));
    EXPECT_EQ(rec.calls[4], "setfreq 315 mode 0 word 0");
}

TEST_F(OutputEngine, ClockAboveTheModelMaximumIsRefusedUnasked) {
    auto p = ports();
    EXPECT_EQ(checkClock(p, 100000001).outcome, ClockOutcome::TooFast);
    EXPECT_TRUE(rec.calls.empty());
    // Exactly the maximum is allowed, by every clock rule.
    EXPECT_NE(checkClock(p, 100000000).outcome, ClockOutcome::TooFast);
    EXPECT_EQ(setClock(p, 100000000, ClockRule::AsGiven).outcome, ClockOutcome::Exact);
    EXPECT_EQ(setClock(p, 100000001, ClockRule::AsGiven).outcome, ClockOutcome::TooFast);
}

TEST_F(OutputEngine, StopRequestEndsThePollAndStillSendsTheKey) {
    rec.runningWords = {1, 1, 1, 1, 1, 1};
    rec.onReadStatus = [this] {
        if (rec.calls.size() > 11) flags.stopRequest = 1;
    };
    auto p = ports();
    runOutput(p, {1000000, 0, 0, true, sections(1, 8)});
    EXPECT_EQ(rec.calls.back(), "key");
    EXPECT_LT(rec.runningWords.size(), 6u);
    EXPECT_GT(rec.runningWords.size(), 2u);
}

TEST_F(OutputEngine, SectionsLoadOneBufferAfterAnother) {
    rec.runningWords = {0, 1, 0, 0};
    auto p = ports();
    const OutputOutcome out = runOutput(p, {1000000, 0, 1, true, sections(2, 16)});
    EXPECT_EQ(out.result, OutputResult::Running);
    EXPECT_EQ(out.sections, 2);
    const Calls afterFirst(rec.calls.begin() + 11, rec.calls.end());
    EXPECT_EQ(afterFirst,
              (Calls{"status", "status", "unlatch 0", "stop", "setfreq 0 mode 4 word 0", "reset", "write 16", "reset",
                     "setfreq 1000000 mode 0 word 0", "eventsel 1", "run", "unlatch 1", "enable 1", "status", "key"}));
}

TEST_F(OutputEngine, StopDuringASectionEndsWithoutStop) {
    rec.runningWords = {0, 1, 1, 1, 1};
    auto p = ports();
    rec.onReadStatus = [&] {
        if (rec.calls.size() > 12) stopOutput(p); // the UI thread's Stop while the thread polls
    };
    const OutputOutcome out = runOutput(p, {1000000, 0, 1, true, sections(3, 16)});
    EXPECT_EQ(out.result, OutputResult::Stopped);
    EXPECT_EQ(out.sections, 1);
    EXPECT_EQ(std::count(rec.calls.begin(), rec.calls.end(), "stop"), 0);
    EXPECT_EQ(std::count(rec.calls.begin(), rec.calls.end(), "powerdown"), 1);
    EXPECT_EQ(flags.outputActive.load(), 0);
}

TEST_F(OutputEngine, BuilderErrorEndsTheOutput) {
    auto p = ports();
    const OutputOutcome out = runOutput(p, {1000000, 0, 1, true, [](int) {
                                                return Section{{}, true, Msg::MemoryNotEnough};
                                            }});
    EXPECT_EQ(out.result, OutputResult::BuildFailed);
    EXPECT_EQ(out.error, Msg::MemoryNotEnough);
    EXPECT_EQ(std::count(rec.calls.begin(), rec.calls.end(), "run"), 0);
}

TEST_F(OutputEngine, GeneratorClockRulesNeverAskAndAbandonWritesNothing) {
    rec.setFreqResult = 0; // nothing is exact
    auto p = ports();
    OutputJob nearest{2400001, 0, 2, true, sections(1, 40), ClockRule::Nearest, true};
    EXPECT_EQ(runOutput(p, nearest).clockHz, 2400000);
    EXPECT_EQ(rec.calls[1], "setfreq 2400000 mode 0 word 0");
    EXPECT_EQ(rec.calls[2], "setfreq 0 mode 4 word 0"); // every buffer is announced, the first too
    OutputJob asGiven{460625, 0, 1, true, sections(1, 40), ClockRule::AsGiven, true};
    EXPECT_EQ(runOutput(p, asGiven).clockHz, 460625);
    EXPECT_TRUE(prompt.asked.empty());
    rec.calls.clear();
    OutputJob abandoned{1000000,           0, 0, true, [](int) { return Section{{}, true, Msg::None, true}; },
                        ClockRule::AsGiven};
    EXPECT_EQ(runOutput(p, abandoned).result, OutputResult::Refused);
    EXPECT_EQ(std::count(rec.calls.begin(), rec.calls.end(), "write 0"), 0);
    EXPECT_EQ(std::count(rec.calls.begin(), rec.calls.end(), "run"), 0);
}

TEST_F(OutputEngine, ExternalHoldDelaysTheCallsUntilReleased) {
    interlock.externalHold = 1;
    int looks = 0;
    auto p = ports();
    p.idle = [&] {
        if (++looks == 3) interlock.externalHold = 0;
    };
    checkClock(p, 1000000);
    EXPECT_EQ(looks, 3);
    EXPECT_EQ(rec.calls.size(), 2u);
}

TEST_F(OutputEngine, StopRequestBreaksTheHoldWait) {
    interlock.externalHold = 1;
    flags.stopRequest = 1;
    auto p = ports();
    p.idle = [] { FAIL() << "no wait while a stop is requested"; };
    checkClock(p, 1000000);
    EXPECT_EQ(rec.calls.size(), 2u);
}

TEST_F(OutputEngine, ManualTriggerOnlyWhileRunning) {
    auto p = ports();
    int beeps = 0;
    EXPECT_TRUE(manualTrigger(p, [&] { ++beeps; }));
    flags.running = 0;
    EXPECT_FALSE(manualTrigger(p, [&] { ++beeps; }));
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(rec.calls, (Calls{"key"}));
}

TEST_F(OutputEngine, WaveEditorStopSetsTheStopRequest) {
    auto p = ports();
    flags.outputActive = 1;
    stopOutput(p, true);
    EXPECT_EQ(flags.stopRequest.load(), 1);
    EXPECT_EQ(flags.running.load(), 0);
    EXPECT_EQ(flags.outputActive.load(), 0);
    EXPECT_EQ(rec.calls, (Calls{"powerdown"}));
}

TEST(OutputSections, Choice) {
    struct Case {
        bool fits, repeat;
        std::deque<Answer> answers;
        SectionChoice choice;
        std::vector<int> asked, shown;
    };
    const Case cases[] = {
        {true, true, {}, SectionChoice::Whole, {}, {}},
        {false, false, {Answer::Ok}, SectionChoice::Sections, {12024}, {}},
        {false, true, {Answer::Ok}, SectionChoice::Sections, {12024}, {}},
        {false, false, {Answer::Cancel}, SectionChoice::Truncate, {12024}, {}},
        {false, true, {Answer::Cancel}, SectionChoice::Refuse, {12024}, {12025}},
    };
    for (const Case& c : cases) {
        test::ScriptedPrompt prompt(c.answers);
        EXPECT_EQ(chooseSections(prompt, c.fits, c.repeat), c.choice);
        EXPECT_EQ(prompt.asked, c.asked);
        std::vector<int> shown;
        for (const auto& s : prompt.shown) shown.push_back(s.first);
        EXPECT_EQ(shown, c.shown);
    }
}

TEST_F(OutputEngine, ThreadReportsItsOutcome) {
    auto p = ports();
    std::atomic<int> result{-1};
    {
        OutputThread thread;
        thread.start(p, {1000000, 0, 1, true, sections(1, 8)},
                     [&](const OutputOutcome& o) { result = static_cast<int>(o.result); });
        thread.join();
    }
    EXPECT_EQ(result.load(), static_cast<int>(OutputResult::Running));
}

TEST_F(OutputEngine, SecondStartWhileRunningIsRefused) {
    auto p = ports();
    std::atomic<int> release{0}, builds{0};
    OutputThread thread;
    auto blocking = [&](int) {
        ++builds;
        while (release.load() == 0) std::this_thread::yield();
        return Section{};
    };
    ASSERT_TRUE(thread.start(p, {1000000, 0, 1, true, blocking}, nullptr));
    EXPECT_FALSE(thread.start(p, {1000000, 0, 1, true, blocking}, nullptr));
    release = 1;
    thread.join();
    EXPECT_FALSE(thread.busy());
    EXPECT_EQ(builds.load(), 1);
    EXPECT_TRUE(thread.start(p, {1000000, 0, 1, true, sections(1, 8)}, nullptr)) << "free again once it ended";
    thread.join();
}

} // namespace
} // namespace qv
