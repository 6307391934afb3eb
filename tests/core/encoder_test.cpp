// The Encoder: the data text, the worked examples of the four line codes, a decoder written from
// the codes' definitions (each bit judged against the level really before it) over three Repeat
// loops on the virtual sequencer, the sample limit, the rate and the clock. Both bit orders of
// every code are decoded from captures by tests/cli/qvtool_gen_encoder_pwm_test.sh.
#include "generators/encoder.h"

#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"
#include "sim/sequencer.h"
#include "import_playback.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv::gen {
namespace {

using test::levelsText;

const Capabilities caps16 = capabilitiesFor(0xB016);

EncoderSettings encoder(LineCode code, bool lsb = false, bool repeat = false, int channel = 3) {
    EncoderSettings s;
    s.code = code;
    s.lsbFirst = lsb;
    s.repeat = repeat;
    s.channel = channel;
    return s;
}

std::vector<Sample> stream(const EncoderSettings& s, std::vector<std::uint8_t> bytes, int& count) {
    std::vector<Sample> out(4096);
    const EncoderBuild built = buildEncoderStream(s, bytes, 0, out, 4000);
    EXPECT_EQ(built.error, Msg::None);
    count = built.count;
    return out;
}

// Decodes levels (one char per sample, 'H'/'L') from the first data sample on, given the level
// before it: NRZI 1 = no change; Manchester Thomas 1 = high then low; IEEE 802.3 1 = low then
// high; differential Manchester 1 = no change at the bit's start. MSB first.
std::vector<std::uint8_t> decode(LineCode code, const std::string& levels, char before) {
    std::vector<std::uint8_t> bytes;
    const int per = code == LineCode::Nrzi ? 1 : 2;
    int bits = 0, value = 0;
    for (std::size_t i = 0; i + per <= levels.size(); i += per) {
        int bit = 0;
        switch (code) {
        case LineCode::Nrzi: bit = levels[i] == before; break;
        case LineCode::ManchesterThomas: bit = levels[i] == 'H' && levels[i + 1] == 'L'; break;
        case LineCode::ManchesterIeee: bit = levels[i] == 'L' && levels[i + 1] == 'H'; break;
        case LineCode::DifferentialManchester: bit = levels[i] == before && levels[i + 1] != levels[i]; break;
        }
        before = levels[i + per - 1];
        value = value << 1 | bit;
        if (++bits == 8) bytes.push_back(static_cast<std::uint8_t>(value)), bits = value = 0;
    }
    return bytes;
}

TEST(Encoder, DataTextItemsEndWithASemicolon) {
    EXPECT_EQ(parseEncoderData(encoderSampleText), (std::vector<std::uint8_t>{0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x6f}));
    EXPECT_EQ(parseEncoderData("1a;2b"), std::vector<std::uint8_t>{0x1a}); // no closing ";": not sent
    EXPECT_EQ(parseEncoderData("0x1g2;FfF;;\r\n;z;"), (std::vector<std::uint8_t>{0x12, 0xff}));
    EXPECT_EQ(parseEncoderData("12345678;"), std::vector<std::uint8_t>{0x78});
    EXPECT_EQ(parseEncoderData("a0;00;"), (std::vector<std::uint8_t>{0xa0, 0x00}));
    EXPECT_TRUE(parseEncoderData("").empty());
}

TEST(Encoder, WorkedExamplesHold) {
    int n = 0;
    // NRZI from the high lead-in: 1a = 0 0 0 1 1 0 1 0.
    std::vector<Sample> out = stream(encoder(LineCode::Nrzi), {0x1a}, n);
    EXPECT_EQ(levelsText(out, 3, 0, n), std::string(16, 'H') + "LHLLLHHL");
    // LSB first sends 0 1 0 1 1 0 0 0.
    out = stream(encoder(LineCode::ManchesterThomas, true), {0x1a}, n);
    EXPECT_EQ(levelsText(out, 3, 0, n), std::string(16, 'L') + "LHHLLHHLHLLHLHLH");
    // IEEE 802.3 doubles the samples: 16 a byte.
    out = stream(encoder(LineCode::ManchesterIeee), {0x1a}, n);
    EXPECT_EQ(levelsText(out, 3, 16, n), "HLHLHLLHLHHLLHHL");
    // Differential: a first 1 is H, L; a first 0 is L, H; 1 1 shows no change between the bits, 0 0 one.
    out = stream(encoder(LineCode::DifferentialManchester), {0xC0}, n);
    EXPECT_EQ(levelsText(out, 3, 0, n), std::string(16, 'H') + "HLLHLHLHLHLHLHLH");
    out = stream(encoder(LineCode::DifferentialManchester), {0x3F}, n);
    EXPECT_EQ(levelsText(out, 3, 16, 24), "LHLHHLLH");
}

// With Repeat the loop plays from sample 16 again; each loop must decode to the data from the
// level the previous loop left, also when the data toggle the line an odd number of times.
TEST(Encoder, RepeatLoopsDecodeEveryTime) {
    for (int code = 0; code < 4; ++code)
        for (const std::vector<std::uint8_t>& bytes :
             {std::vector<std::uint8_t>{0x1a, 0x2b, 0x3c}, std::vector<std::uint8_t>{0xFE, 0x01}}) {
            const EncoderSettings s = encoder(static_cast<LineCode>(code), false, true);
            int n = 0;
            const std::vector<Sample> out = stream(s, bytes, n);
            const int perLoop = static_cast<int>(bytes.size()) * 8 * encoderSamplesPerBit(s.code);
            const int loops = (n - encoderLeadInSamples) / perLoop; // 1, or 2 when coded twice
            sim::SequencerSetup setup;
            setup.sampleLimit = 16 + 3 * static_cast<std::uint64_t>(n);
            sim::Sequencer sequencer(setup);
            sequencer.load(std::span<const Sample>(out).first(static_cast<std::size_t>(n)));
            sequencer.start();
            sequencer.keyEvent();
            test::LevelRecorder recorder;
            sequencer.runToRest(&recorder);
            std::string levels;
            std::size_t next = 0;
            Sample level = 0;
            for (std::uint64_t clock = 0; clock < setup.sampleLimit; ++clock) {
                while (next < recorder.changes.size() && recorder.changes[next].at <= clock)
                    level = recorder.changes[next++].levels;
                levels += channelLevel(level, 3) ? 'H' : 'L';
            }
            std::vector<std::uint8_t> want;
            for (int k = 0; k < 3 * (n - 16) / perLoop; ++k) want.insert(want.end(), bytes.begin(), bytes.end());
            const std::vector<std::uint8_t> got = decode(s.code, levels.substr(16), levels[15]);
            EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.begin() + static_cast<long>(want.size())), want)
                << code << " loops in memory " << loops;
            // An odd toggle count is the only reason to code the data twice: 1a 2b 3c hold 13 zeros
            // (NRZI toggles) and 11 ones (differential Manchester ends inverted), FE 01 8 and 8.
            const bool odd = encoderLeadInHigh(s.code) && bytes[0] == 0x1a;
            EXPECT_EQ(loops, odd ? 2 : 1) << code;
        }
}

TEST(Encoder, SampleLimitCheckedBeforeEachByte) {
    for (int code = 0; code < 4; ++code) {
        const EncoderSettings s = encoder(static_cast<LineCode>(code));
        const int per = 8 * encoderSamplesPerBit(s.code);
        const int limit = 16 + 5 * per;
        std::vector<Sample> out(static_cast<std::size_t>(limit + 8), Sample{0xABC});
        const std::vector<std::uint8_t> five(5, 0x55), six(6, 0x55);
        EXPECT_EQ(buildEncoderStream(s, five, 0, out, limit).count, limit);
        std::fill(out.begin(), out.end(), Sample{0xABC});
        EXPECT_EQ(buildEncoderStream(s, six, 0, out, limit).error, Msg::CantRunDataTooBig);
        for (int i = limit; i < limit + 8; ++i) EXPECT_EQ(out[static_cast<std::size_t>(i)], Sample{0xABC}) << i;
        // A buffer shorter than the limit is the limit.
        EXPECT_EQ(buildEncoderStream(s, five, 0, std::span<Sample>(out).first(limit - 1), limit).error,
                  Msg::CantRunDataTooBig);
    }
    std::vector<Sample> out(64);
    EXPECT_EQ(buildEncoderStream(encoder(LineCode::Nrzi), {}, 0, out, 60).error, Msg::EncoderNoData);
    // One byte behind the lead-in fills a limit of 24 exactly; a limit below the lead-in writes nothing.
    const std::vector<std::uint8_t> one{0x1a};
    EXPECT_EQ(buildEncoderStream(encoder(LineCode::Nrzi), one, 0, out, 24).count, 24);
    std::fill(out.begin(), out.end(), Sample{0xABC});
    EXPECT_EQ(buildEncoderStream(encoder(LineCode::Nrzi), one, 0, std::span<Sample>(out).first(10), 60).error,
              Msg::CantRunDataTooBig);
    EXPECT_EQ(out[0], Sample{0xABC});
}

TEST(Encoder, RateLimitsAndHalving) {
    EncoderSettings s = encoder(LineCode::Nrzi);
    s.rateHz = caps16.maxOutputFrequency;
    EXPECT_EQ(encoderRate(s, caps16).error, Msg::None);
    s.rateHz += 1;
    EXPECT_EQ(encoderRate(s, caps16).error, Msg::RateOutOfRange);
    s.code = LineCode::ManchesterIeee;
    s.rateHz = caps16.maxOutputFrequency / 2 + 1;
    const EncoderRate halved = encoderRate(s, caps16);
    EXPECT_TRUE(halved.halved);
    EXPECT_EQ(halved.rateHz, caps16.maxOutputFrequency / 2);
    s.rateHz = caps16.maxOutputFrequency / 2;
    EXPECT_FALSE(encoderRate(s, caps16).halved);
    s.rateHz = 0;
    EXPECT_EQ(encoderRate(s, caps16).error, Msg::RateNotAboveZero);
}

TEST(Encoder, RunAsksForTheNearbyClockBeforeWriting) {
    test::driverRecording = test::DriverRecording{};
    test::driverRecording.setFreqResult = 0; // the driver cannot make the clock
    test::driverRecording.cardType = 18;
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt({Answer::No});
    OutputPorts ports{driver, 1, interlock, flags, prompt, caps16};
    ports.pause = [](int) {};
    std::vector<Sample> buffer(static_cast<std::size_t>(caps16.depthSamples() + 22));
    EncoderSettings s = encoder(LineCode::ManchesterThomas);
    s.rateHz = 3.3e6;
    EncoderRunResult run = runEncoder(ports, s, "1a;", buffer);
    EXPECT_EQ(prompt.asked, std::vector<int>{12023});
    EXPECT_EQ(run.outcome.result, OutputResult::Refused);
    EXPECT_TRUE(test::driverRecording.written.empty());

    test::ScriptedPrompt yes({Answer::Yes});
    OutputPorts portsYes{driver, 1, interlock, flags, yes, caps16};
    portsYes.pause = [](int) {};
    run = runEncoder(portsYes, s, "1a;", buffer);
    ASSERT_EQ(run.outcome.result, OutputResult::Running);
    EXPECT_EQ(run.rateHz, run.outcome.clockHz / 2.0);
    const auto& w = test::driverRecording.written;
    ASSERT_EQ(w.size(), 32u);
    EXPECT_EQ(test::commandsText(w, 2, 7), "600 700 8FF 2FF 900"); // SE KEY, WE, OE on card type 18
    EXPECT_NE(std::find(test::driverRecording.calls.begin(), test::driverRecording.calls.end(), "eventsel 2"),
              test::driverRecording.calls.end());

    test::ScriptedPrompt none;
    OutputPorts quiet{driver, 1, interlock, flags, none, caps16};
    EXPECT_EQ(runEncoder(quiet, s, "1a", buffer).outcome.error, Msg::EncoderNoData);
    s.channel = 16;
    EXPECT_EQ(runEncoder(quiet, s, "1a;", buffer).outcome.error, Msg::ErrorChannelSetting);
    EXPECT_TRUE(none.asked.empty());
}

} // namespace
} // namespace qv::gen
