// The I2S builder: slot layout at each width, the stream played by the sequencer and read back by
// a plain I2S receiver (SD latched at each rising SCK, a word complete when WS has changed) over
// three Repeat loops, the closing WS change without Repeat, the word text and the sample limit.
#include "generators/i2s.h"

#include "device/frequency.h"

#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"
#include "sim/sequencer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace qv::gen {
namespace {

class Recorder : public sim::OutputSink {
  public:
    void output(std::uint64_t n, Sample levels, Sample) override {
        for (; done_ < n; ++done_) samples.push_back(current_);
        current_ = levels;
    }
    void finish(std::uint64_t n) { output(n, current_, 0); }
    std::vector<Sample> samples;

  private:
    Sample current_ = 0;
    std::uint64_t done_ = 0;
};

std::vector<Sample> play(std::span<const Sample> stream, std::uint64_t clocks) {
    sim::SequencerSetup setup;
    setup.sampleLimit = clocks;
    sim::Sequencer sequencer(setup);
    sequencer.load(stream);
    sequencer.start();
    Recorder r;
    sequencer.runToRest(&r);
    sequencer.keyEvent();
    sequencer.runToRest(&r);
    r.finish(sequencer.sampleNumber());
    return r.samples;
}

// The receiver: bits shift in at each rising SCK; when WS differs from the WS of the word being
// received, that bit was the word's LSB and the word is complete (its length must be the slot's).
struct Received {
    std::vector<I2sWord> words;
    std::vector<int> lengths;
};
Received receive(const std::vector<Sample>& s, int sck, int width) {
    Received r;
    std::uint64_t data = 0;
    int bits = 0;
    bool started = false, ws = true;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (!channelLevel(s[i], sck) || channelLevel(s[i - 1], sck)) continue;
        data = (data << 1) | (channelLevel(s[i], sck + 2) ? 1 : 0);
        ++bits;
        const bool now = channelLevel(s[i], sck + 1);
        if (now == ws) continue;
        if (started) {
            r.words.push_back({ws, static_cast<std::uint32_t>((data >> (32 - width)) & 0xFFFFFFFFu)});
            r.lengths.push_back(bits);
        }
        started = true;
        data = 0;
        bits = 0;
        ws = now;
    }
    return r;
}

std::vector<I2sWord> words(std::string_view text) {
    std::vector<I2sWord> w;
    std::string where;
    EXPECT_EQ(parseI2sWords(text, w, where), Msg::None) << where;
    return w;
}

TEST(I2s, SampleTextWidth16Layout) {
    const std::vector<I2sWord> w = words(i2sSampleText);
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[1].right, true);
    EXPECT_EQ(w[3].value, 0x65D1u);
    std::vector<Sample> out(400, 0);
    I2sSettings s;
    const I2sBuild b = buildI2sStream(s, w, 0, out, 1000);
    EXPECT_EQ(b.count, 20 + 4 * 64 + 3);
    std::string clock = "LLLL";
    for (int k = 0; k < 32; ++k) clock += "LH";
    EXPECT_EQ(test::levelsText(out, 0, 16, 84), clock);
    EXPECT_EQ(test::levelsText(out, 1, 18, 86), "HH" + std::string(64, 'L') + "HH");
    std::string data = "LL"; // the WS-change bit time, then 0x75F5 MSB first, then 15 zero bits
    for (char bit : std::string("0111010111110101")) data += bit == '1' ? "HH" : "LL";
    EXPECT_EQ(test::levelsText(out, 2, 20, 84), data + std::string(30, 'L'));
    EXPECT_EQ(test::commandsText(out, 0, 5), "000 000 600 700 000");
    // Without Repeat: the closing bit time with WS changed (left after the last right word), SCK low.
    EXPECT_EQ(test::levelsText(out, 1, 274, 279), "HHLLL");
    EXPECT_EQ(test::levelsText(out, 0, 274, 279), "LHLHL");
    EXPECT_EQ(commandField(out[275]), 0x700u);
}

TEST(I2s, EveryWidthReadBackOverThreeRepeatLoops) {
    const std::vector<I2sWord> w = words("L=A5, R=FFFFFFFF; L=1, R=80000001; L=0, R=12345;");
    for (int width : i2sWidths) {
        I2sSettings s;
        s.width = width;
        s.repeat = true;
        s.sckChannel = 5;
        std::vector<Sample> out(1000, 0);
        const I2sBuild b = buildI2sStream(s, w, 18, out, 1000);
        ASSERT_EQ(b.error, Msg::None);
        const int period = static_cast<int>(w.size()) * 64;
        const Received r =
            receive(play(std::span(out).first(static_cast<std::size_t>(b.count)), 20 + 3 * period + 4), 5, width);
        ASSERT_EQ(r.words.size(), 3 * w.size()) << width;
        for (std::size_t k = 0; k < r.words.size(); ++k) {
            const I2sWord& sent = w[k % w.size()];
            EXPECT_EQ(r.words[k].right, sent.right) << width << " word " << k;
            EXPECT_EQ(r.words[k].value, i2sSentBits(sent.value, width)) << width << " word " << k;
            EXPECT_EQ(r.lengths[k], 32) << width << " word " << k;
        }
    }
}

TEST(I2s, Width32PutsTheLsbIntoTheNextSlot) {
    std::vector<Sample> out(400, 0);
    I2sSettings s;
    s.width = 32;
    const std::vector<I2sWord> w = words("L=80000001, R=3;");
    const I2sBuild b = buildI2sStream(s, w, 0, out, 1000);
    EXPECT_EQ(b.count, 20 + 128 + 3); // slots of 32 bit times, then the closing one
    EXPECT_EQ(test::levelsText(out, 2, 20, 24), "LLHH"); // no LSB before the first word; its MSB
    EXPECT_EQ(test::levelsText(out, 2, 82, 86), "LLHH"); // bit 1 of the first; its LSB in the next slot
    EXPECT_EQ(test::levelsText(out, 1, 82, 86), "LLHH");
    EXPECT_EQ(test::levelsText(out, 2, 146, 150), "HHHH"); // the last LSB in the closing bit time
    const Received r = receive(play(std::span(out).first(static_cast<std::size_t>(b.count)), 1000), 0, 32);
    ASSERT_EQ(r.words.size(), 2u);
    EXPECT_EQ(r.words[0].value, 0x80000001u);
    EXPECT_EQ(r.words[1].value, 3u);
    EXPECT_EQ(r.lengths, (std::vector<int>{32, 32}));
}

TEST(I2s, WordsTextAndWidths) {
    std::vector<I2sWord> w;
    std::string where;
    EXPECT_EQ(parseI2sWords(" r = 0ffff , l=5 ;\r\n\r\n;", w, where), Msg::None);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_TRUE(w[0].right);
    EXPECT_EQ(w[0].value, 0xFFFFu);
    EXPECT_EQ(parseI2sWords("L=1, R=2;\r\nL=12;", w, where), Msg::I2sStatementUnreadable);
    EXPECT_EQ(where, "2 ('L=12')");
    EXPECT_EQ(parseI2sWords("L=FFFFFFFF, R=100000000", w, where), Msg::I2sStatementUnreadable);
    EXPECT_EQ(parseI2sWords("L=1, X=2", w, where), Msg::I2sStatementUnreadable);
    EXPECT_EQ(parseI2sWords("L=, R=2", w, where), Msg::I2sStatementUnreadable);
    EXPECT_EQ(parseI2sWords("L12, R 3", w, where), Msg::None); // "=" may be left out
    EXPECT_EQ(w[0].value, 0x12u);
    EXPECT_EQ(i2sSentBits(0x12345, 16), 0x91A2u); // 17 bits: the highest 16
    EXPECT_EQ(i2sSentBits(0xFFFF, 16), 0xFFFFu);
    EXPECT_EQ(i2sSentBits(0xFFFFFF, 20), 0xFFFFFu);
    I2sSettings s;
    EXPECT_EQ(i2sSampleClock(s), 5000000);
    s.preset = true;
    s.presetIndex = 2;
    EXPECT_EQ(i2sSampleClock(s), 3072000);
    EXPECT_EQ(i2sHighestSckChannel(capabilitiesFor(0xC020)), 17);
    EXPECT_EQ(i2sHighestSckChannel(capabilitiesFor(0xB016)), 13);
    EXPECT_EQ(i2sHighestSckChannel(capabilitiesFor(0xC350)), 47);
    EXPECT_FALSE(i2sWidthValid(12));
}

TEST(I2s, SampleLimit) {
    const std::vector<I2sWord> w = words(i2sSampleText);
    I2sSettings s;
    const int needed = 20 + 4 * 64 + 3;
    std::vector<Sample> out(needed + 40, ~Sample{0});
    EXPECT_EQ(buildI2sStream(s, w, 0, out, needed).count, needed);
    std::fill(out.begin(), out.end(), ~Sample{0});
    const I2sBuild over = buildI2sStream(s, w, 0, out, needed - 1);
    EXPECT_EQ(over.error, Msg::CantRunDataTooBig);
    for (int i = needed - 1; i < static_cast<int>(out.size()); ++i)
        ASSERT_EQ(out[static_cast<std::size_t>(i)], ~Sample{0});
}

// Run's checks before the instrument is touched, and the nearby clock shown as the SCK (half).
TEST(I2s, RunRefusalsAndTheNearbySck) {
    test::driverRecording = test::DriverRecording{};
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt({Answer::No});
    OutputPorts ports{driver, 1, interlock, flags, prompt, capabilitiesFor(0xC350)};
    std::vector<Sample> out(600000, 0);
    I2sSettings s;
    s.sckHz = 50e6; // 100 MHz samples: the model's maximum
    s.width = 12;
    EXPECT_EQ(runI2s(ports, s, i2sSampleText, out).outcome.error, Msg::I2sWidthInvalid);
    s.width = 16;
    s.sckChannel = 48;
    EXPECT_EQ(runI2s(ports, s, i2sSampleText, out).outcome.error, Msg::ErrorChannelSetting);
    s.sckChannel = 47;
    EXPECT_EQ(runI2s(ports, s, " ;\r\n", out).outcome.error, Msg::I2sNoWords);
    s.sckHz = 50000001;
    EXPECT_EQ(runI2s(ports, s, i2sSampleText, out).outcome.error, Msg::RateOutOfRange);
    s.sckHz = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(runI2s(ports, s, i2sSampleText, out).outcome.error, Msg::RateNotANumber);
    EXPECT_TRUE(test::driverRecording.calls.empty());
    s.sckHz = 50e6;
    test::driverRecording.setFreqResult = 0; // the clock refused: 12023, answered No
    EXPECT_EQ(runI2s(ports, s, i2sSampleText, out).outcome.result, OutputResult::Refused);
    EXPECT_EQ(prompt.asked, (std::vector<int>{12023}));
    test::ScriptedPrompt yes({Answer::Yes});
    OutputPorts yesPorts{driver, 1, interlock, flags, yes, capabilitiesFor(0xC350)};
    s.sckHz = 1234567;
    runI2s(yesPorts, s, i2sSampleText, out);
    ASSERT_FALSE(yes.shown.empty());
    EXPECT_EQ(yes.shown[0].first, 12053);
    const int nearest = nearestAchievableFrequency(2469134, frequencyNearest, capabilitiesFor(0xC350));
    EXPECT_EQ(yes.shown[0].second, frequencyText(nearest / 2.0));
}

} // namespace
} // namespace qv::gen
