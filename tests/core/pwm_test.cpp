// The PWM tool: the checks at their limits, the period's samples and commands, the loop on the
// virtual sequencer, the clock question before output, and the export read back as the Wave
// Editor reads a .qvv file and played as it plays one.
#include "generators/pwm.h"

#include "import_playback.h"
#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"
#include "temp_folder.h"
#include "waveedit/handoff.h"
#include "waveedit/labels.h"
#include "waveedit/qvv_reader.h"

#include <gtest/gtest.h>

namespace qv::gen {
namespace {

using test::commandsText;
using test::levelsText;

const Capabilities caps16 = capabilitiesFor(0xB016);
const Capabilities caps200 = capabilitiesFor(0xB816);

PwmSettings pwm(double duty1, double duty2, DutyStep step = DutyStep::Percent, double hz = 100e3) {
    PwmSettings s;
    s.duty1 = duty1;
    s.duty2 = duty2;
    s.step = step;
    s.frequencyHz = hz;
    return s;
}

TEST(Pwm, ChecksAtTheirLimits) {
    struct Case {
        PwmSettings s;
        const Capabilities& caps;
        Msg error;
        const char* argument;
    } cases[] = {
        {pwm(50, 50, DutyStep::Percent, 1e6), caps16, Msg::None, ""}, // F / S exactly
        {pwm(50, 50, DutyStep::Percent, 1.5e6), caps16, Msg::PwmOutOfRangeMHz, "1"},
        {pwm(50, 50, DutyStep::Percent, 1e6 + 1), caps16, Msg::PwmOutOfRangeMHz, "1"},
        {pwm(50, 50, DutyStep::Tenth, 150e3), caps16, Msg::PwmOutOfRangeKHz, "100"},
        {pwm(50, 50, DutyStep::Tenth, 100e3), caps16, Msg::None, ""},
        {pwm(50, 50, DutyStep::Percent, 2.5e6), caps200, Msg::PwmOutOfRangeMHz, "2"},
        {pwm(50, 50, DutyStep::Tenth, 250e3), caps200, Msg::PwmOutOfRangeKHz, "200"},
        {pwm(100, 0), caps16, Msg::None, ""},
        {pwm(100.4, 0), caps16, Msg::None, ""}, // the nearest whole percent
        {pwm(100.5, 0), caps16, Msg::PwmDutyRange, ""},
        {pwm(0, -0.6), caps16, Msg::PwmDutyRange, ""},
        {pwm(0, 100.1, DutyStep::Tenth), caps16, Msg::PwmDutyRange, ""},
        {pwm(50, 50, DutyStep::Percent, 0), caps16, Msg::RateNotAboveZero, ""},
    };
    for (const Case& c : cases) {
        const PwmCheck check = checkPwm(c.s, c.caps);
        EXPECT_EQ(check.error, c.error) << c.s.frequencyHz << " " << c.s.duty1 << " " << c.s.duty2;
        EXPECT_EQ(check.argument, c.argument);
    }
    PwmSettings s = pwm(50, 50);
    s.channel2 = 0;
    EXPECT_EQ(checkPwm(s, caps16).error, Msg::PwmSameChannel);
    s.channel2 = 15;
    EXPECT_EQ(checkPwm(s, caps16).error, Msg::None);
    s.channel2 = 16;
    EXPECT_EQ(checkPwm(s, caps16).error, Msg::ErrorChannelSetting);
    // 0.1 % steps: a typed 33.3 % is 333 samples of 1000; the clock is S x f.
    const PwmCheck fine = checkPwm(pwm(33.3, 0.1, DutyStep::Tenth, 12345), caps16);
    EXPECT_EQ(fine.duty1, 333);
    EXPECT_EQ(fine.duty2, 1);
    EXPECT_EQ(fine.clockHz, 12345000);
}

TEST(Pwm, OnePeriodBehindThirtySamples) {
    PwmSettings s = pwm(50, 25);
    std::vector<Sample> out(1100, ~Sample{0});
    const int n = buildPwmStream(s, checkPwm(s, caps16), PwmTarget::Output, 18, out);
    ASSERT_EQ(n, 130);
    EXPECT_EQ(levelsText(out, 0, 0, n), std::string(30, 'L') + std::string(50, 'H') + std::string(50, 'L'));
    EXPECT_EQ(levelsText(out, 1, 0, n), std::string(30, 'L') + std::string(25, 'H') + std::string(75, 'L'));
    EXPECT_EQ(commandsText(out, 0, 10), "600 000 700 000 000 000 000 8FF 2FF 900");
    EXPECT_EQ(commandsText(out, n - 6, n), "81E 200 100 000 000 000"); // JP 30
    s.repeat = false;
    buildPwmStream(s, checkPwm(s, caps16), PwmTarget::Output, 0, out);
    EXPECT_EQ(commandsText(out, n - 6, n), "000 000 700 000 000 000");
    // Export: no handshake, the jump to 42 on the last three samples.
    s.repeat = true;
    buildPwmStream(s, checkPwm(s, caps16), PwmTarget::Export, 0, out);
    EXPECT_EQ(commandsText(out, 0, 3), "000 000 000");
    EXPECT_EQ(commandsText(out, n - 4, n), "000 82A 200 100");
    // Duty 0 stays low, 100 high for the whole period.
    s = pwm(0, 100, DutyStep::Tenth);
    const int fine = buildPwmStream(s, checkPwm(s, caps16), PwmTarget::Output, 0, out);
    EXPECT_EQ(fine, 1030);
    EXPECT_EQ(levelsText(out, 0, 30, fine), std::string(1000, 'L'));
    EXPECT_EQ(levelsText(out, 1, 30, fine), std::string(1000, 'H'));
}

// Channel 0 and channel 1 of each clock, as "01" digits, from the start of the output.
std::string played(std::span<const Sample> memory, std::uint64_t clocks) {
    sim::SequencerSetup setup;
    setup.sampleLimit = clocks;
    sim::Sequencer sequencer(setup);
    sequencer.load(memory);
    sequencer.start();
    sequencer.keyEvent();
    test::LevelRecorder recorder;
    sequencer.runToRest(&recorder);
    std::string text;
    std::size_t next = 0;
    Sample level = 0;
    for (std::uint64_t clock = 0; clock < clocks; ++clock) {
        while (next < recorder.changes.size() && recorder.changes[next].at <= clock)
            level = recorder.changes[next++].levels;
        text += static_cast<char>('0' + (channelLevel(level, 0) ? 1 : 0) + (channelLevel(level, 1) ? 2 : 0));
    }
    return text;
}

TEST(Pwm, RepeatLoopsThePeriodAndTheExportPlaysTheSame) {
    for (DutyStep step : {DutyStep::Percent, DutyStep::Tenth}) {
        PwmSettings s = pwm(37, 81, step);
        const int steps = pwmStepsPerPeriod(step);
        const PwmCheck check = checkPwm(s, caps16);
        std::vector<Sample> out(2000);
        const int n = buildPwmStream(s, check, PwmTarget::Output, 0, out);
        const std::string direct = played(std::span<const Sample>(out).first(static_cast<std::size_t>(n)),
                                          static_cast<std::uint64_t>(30 + 3 * steps));
        std::string period;
        for (int i = 0; i < steps; ++i) period += static_cast<char>('0' + (i < check.duty1) + 2 * (i < check.duty2));
        EXPECT_EQ(direct, std::string(30, '0') + period + period + period);

        // The exported file, opened and prepared as the Wave Editor runs it: the same levels
        // behind the editor's 12-sample prefix.
        test::TempFolder folder;
        std::string argument;
        ASSERT_EQ(exportPwmQvv(s, caps16, folder.path(), folder.file("p.qvv"), argument), Msg::None);
        auto doc = Document::create(caps16, true);
        ASSERT_EQ(loadQvv(folder.file("p.qvv"), *doc), Msg::None);
        EXPECT_EQ(doc->output().baseFrequency, check.clockHz);
        const test::Played file =
            test::playImage(doc->usableImage(), doc->usableSamples(), static_cast<std::uint64_t>(30 + 3 * steps));
        std::string fromFile;
        for (Sample level : file.levels)
            fromFile += static_cast<char>('0' + (channelLevel(level, 0) ? 1 : 0) + (channelLevel(level, 1) ? 2 : 0));
        EXPECT_EQ(fromFile, direct);
    }
}

TEST(Pwm, ExportLabelsEveryChannelOnce) {
    test::TempFolder folder;
    LabelTable labels{};
    int next = writeDefaultCommandLabel(labels);
    const int bus[] = {3, 2};
    next = appendSignalLabel(labels, next, "CLK", std::span<const int>(bus).first(1));
    next = appendSignalLabel(labels, next, "CH-05", std::span<const int>(bus).last(1)); // named CH-05, on 2
    ASSERT_EQ(writeHandoffLabels(handoffLabelPath(folder.path()), labels), Msg::None);
    std::string argument;
    ASSERT_EQ(exportPwmQvv(pwm(50, 50), caps16, folder.path(), folder.file("p.qvv"), argument), Msg::None);
    auto doc = Document::create(caps16, true);
    ASSERT_EQ(loadQvv(folder.file("p.qvv"), *doc), Msg::None);
    std::vector<std::string> names;
    forEachLabel(doc->labels(), [&](LabelSpan span) { names.emplace_back(doc->labels()[span.first].name); });
    const std::vector<std::string> want = {"QV_Function", "CLK",   "CH-05", "CH-00", "CH-01", "CH-04",
                                           "CH-06",       "CH-07", "CH-08", "CH-09", "CH-10", "CH-11",
                                           "CH-12",       "CH-13", "CH-14", "CH-15"};
    EXPECT_EQ(names, want);
    // A refused setting writes nothing.
    EXPECT_EQ(exportPwmQvv(pwm(50, 50, DutyStep::Percent, 2e6), caps16, folder.path(), folder.file("q.qvv"), argument),
              Msg::PwmOutOfRangeMHz);
    EXPECT_EQ(argument, "1");
    EXPECT_FALSE(std::filesystem::exists(folder.file("q.qvv")));
}

// 900 kHz at 1 % needs a 90 MHz clock: the driver's refusal raises the nearby-clock question
// before anything is written.
TEST(Pwm, ClockCheckedBeforeOutput) {
    test::driverRecording = test::DriverRecording{};
    test::driverRecording.setFreqResult = 0;
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt({Answer::No});
    OutputPorts ports{driver, 1, interlock, flags, prompt, caps16};
    ports.pause = [](int) {};
    std::vector<Sample> buffer(2000);
    PwmRunResult run = runPwm(ports, pwm(50, 50, DutyStep::Percent, 900e3), buffer);
    EXPECT_EQ(prompt.asked, std::vector<int>{12023});
    EXPECT_EQ(run.outcome.result, OutputResult::Refused);
    EXPECT_TRUE(test::driverRecording.written.empty());
    EXPECT_EQ(test::driverRecording.calls.at(2), "setfreq 90000000 mode 0 word 0");

    test::ScriptedPrompt yes({Answer::Yes});
    OutputPorts portsYes{driver, 1, interlock, flags, yes, caps16};
    portsYes.pause = [](int) {};
    run = runPwm(portsYes, pwm(50, 50, DutyStep::Percent, 900e3), buffer);
    EXPECT_EQ(run.outcome.result, OutputResult::Running);
    EXPECT_NE(run.clockHz, 90000000);
    EXPECT_EQ(test::driverRecording.written.size(), 130u);
    EXPECT_NE(std::find(test::driverRecording.calls.begin(), test::driverRecording.calls.end(), "eventsel 1"),
              test::driverRecording.calls.end());
}

} // namespace
} // namespace qv::gen
