// The sweep: which field texts are refused, the frequencies each mode walks through, and the
// tick that sets them on the instrument and tells the timer when to stop.
#include "waveedit/sweep.h"

#include "scripted_prompt.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

constexpr int maxFrequency = 100000000;

TEST(SweepSettings, FieldsAreCheckedAndTheStepFollowsTheDirection) {
    struct Case {
        const char *start, *end, *step, *interval;
        Msg error;
        int wantedStep;
    };
    const Case cases[] = {
        {"1000", "2000", "500", "100", Msg::None, 500},
        {"2000", "1000", "500", "100", Msg::None, -500},
        {"2000", "1000", "-500", "100", Msg::None, -500},
        {"1000", "2000", "-500", "100", Msg::None, 500},
        {"1000.9", "100000000", "1", "1", Msg::None, 1},
        {"abc", "2000", "500", "100", Msg::SweepSettingError, 0},
        {"", "2000", "500", "100", Msg::SweepSettingError, 0},
        {"1000", "2000", "5x", "100", Msg::SweepSettingError, 0},
        {"0", "2000", "500", "100", Msg::SweepSettingError, 0},
        {"1000", "-5", "500", "100", Msg::SweepSettingError, 0},
        {"1000", "100000001", "500", "100", Msg::SweepSettingError, 0},
        {"1000", "2000", "500", "0", Msg::SweepSettingError, 0},
        {"1000", "2000", "500", "-10", Msg::SweepSettingError, 0},
        {"1000", "2000", "0", "100", Msg::SweepSettingError, 0},
        {"1000", "2000", "1e12", "100", Msg::SweepSettingError, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + c.end + " " + c.step + " " + c.interval);
        SweepSettings settings;
        ASSERT_EQ(readSweepSettings({c.start, c.end, c.step, c.interval, SweepMode::Loop}, maxFrequency, settings),
                  c.error);
        if (c.error == Msg::None) {
            EXPECT_EQ(settings.step, c.wantedStep);
            EXPECT_EQ(settings.mode, SweepMode::Loop);
        }
    }
}

// The frequencies of the first `ticks` ticks; the sweep may end earlier.
std::vector<int> sequence(int start, int end, int step, SweepMode mode, int ticks) {
    SweepSettings settings;
    EXPECT_EQ(readSweepSettings({std::to_string(start), std::to_string(end), std::to_string(step), "10", mode},
                                maxFrequency, settings),
              Msg::None);
    std::vector<int> got;
    SweepState state = beginSweep(settings);
    for (int i = 0; i < ticks && state.mode != SweepMode::Idle; ++i) {
        got.push_back(state.current);
        advanceSweep(state);
    }
    return got;
}

TEST(SweepSequence, EachModeWalksItsFrequencies) {
    struct Case {
        int start, end, step;
        SweepMode mode;
        std::vector<int> wanted;
    };
    const Case cases[] = {
        {1000, 2000, 500, SweepMode::Swing, {1000, 1500, 2000, 1500, 1000, 1500, 2000}},
        {2000, 1000, 500, SweepMode::Swing, {2000, 1500, 1000, 1500, 2000, 1500}},
        {1000, 1900, 500, SweepMode::Swing, {1000, 1500, 1000, 1500}},
        {1000, 1000, 500, SweepMode::Swing, {1000, 1000, 1000}},
        {1000, 2000, 500, SweepMode::OneTime, {1000, 1500, 2000}},
        {1000, 2000, 300, SweepMode::OneTime, {1000, 1300, 1600, 1900}},
        {2000, 1000, 500, SweepMode::OneTime, {2000, 1500, 1000}},
        {1000, 2000, 500, SweepMode::Loop, {1000, 1500, 2000, 1000, 1500, 2000, 1000}},
        {2000, 1000, 600, SweepMode::Loop, {2000, 1400, 2000, 1400}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + ".." + std::to_string(c.end) + " mode " +
                     std::to_string(static_cast<int>(c.mode)));
        EXPECT_EQ(sequence(c.start, c.end, c.step, c.mode,
                           static_cast<int>(c.wanted.size()) + 5 * (c.mode != SweepMode::OneTime ? 0 : 1)),
                  c.wanted);
    }
}

std::vector<int> setFrequencies;
int busyAtSetFreq = -1;
DriverInterlock* tickInterlock = nullptr;

TEST(SweepTick, SetsTheClockInModeZeroAndStopsAfterAOneTimeSweep) {
    Driver driver;
    driver.qvSetFreq = [](std::int32_t, std::int32_t f, std::int32_t mode, std::int32_t*, std::int32_t*, std::int32_t*,
                          std::int32_t*, std::int32_t*, std::int32_t*) -> std::int32_t {
        setFrequencies.push_back(mode == 0 ? f : -1);
        busyAtSetFreq = tickInterlock->driverBusy.load();
        return 1;
    };
    DriverInterlock interlock;
    tickInterlock = &interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, 3, interlock, flags, prompt, capabilitiesFor(0xA020)};
    SweepState state = beginSweep({1000, 2000, 500, 10, SweepMode::OneTime});
    std::vector<bool> goOn;
    for (int i = 0; i < 4; ++i) goOn.push_back(sweepTick(ports, state));
    EXPECT_EQ(setFrequencies, (std::vector<int>{1000, 1500, 2000}));
    EXPECT_EQ(goOn, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(busyAtSetFreq, 1);
    EXPECT_EQ(interlock.driverBusy.load(), 0);
}

} // namespace
} // namespace qv
