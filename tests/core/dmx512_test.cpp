// The DMX512 builder: the stream played by the virtual instrument's sequencer (loops and all)
// against a plain reference written bit by bit from the protocol, at the loop's limits and just
// past them; the frame commands; the sample limit; the value text; Run's idle and refusals.
#include "generators/dmx512.h"

#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"
#include "sim/sequencer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::gen {
namespace {

// The D+ levels the sequencer outputs, one per clock, with D- checked to be their inverse.
class Levels : public sim::OutputSink {
  public:
    explicit Levels(int plus) : plus_(plus) {}
    void output(std::uint64_t n, Sample levels, Sample) override {
        fillTo(n);
        current_ = levels;
    }
    void fillTo(std::uint64_t n) {
        for (; done_ < n; ++done_) {
            bits.push_back(channelLevel(current_, plus_) ? '1' : '0');
            if (channelLevel(current_, plus_) == channelLevel(current_, plus_ + 1)) inverse = false;
        }
    }
    std::string bits;
    bool inverse = true;

  private:
    int plus_;
    Sample current_ = 0;
    std::uint64_t done_ = 0;
};

// Plays the stream: the key event releases the start wait; `clocks` samples in all.
Levels play(std::span<const Sample> stream, int plus, std::uint64_t clocks) {
    sim::SequencerSetup setup;
    setup.sampleLimit = clocks;
    sim::Sequencer sequencer(setup);
    sequencer.load(stream);
    sequencer.start();
    Levels levels(plus);
    sequencer.runToRest(&levels);
    sequencer.keyEvent();
    sequencer.runToRest(&levels);
    levels.fillTo(sequencer.sampleNumber());
    return levels;
}

// The protocol written out bit by bit: one pass from the first break, lead-in before it.
std::string reference(const DmxSettings& s, const std::vector<std::uint8_t>& values, bool leadIn) {
    const DmxTimes t = dmxTimes(s);
    std::string bits = leadIn ? std::string(dmxLeadInSamples, '1') : "";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i % 513 == 0) bits += std::string(t.breakSamples, '0') + std::string(t.markAfterBreak, '1');
        bits += '0';
        for (int b = 0; b < 8; ++b) bits += (values[i] >> b) & 1 ? '1' : '0';
        bits += "11";
        const bool last = i + 1 == values.size() || (i + 1) % 513 == 0;
        bits += std::string(t.interSlot + (last ? t.markBeforeBreak : 0), '1');
    }
    return bits;
}

std::vector<std::uint8_t> someValues(int n) {
    std::vector<std::uint8_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<std::uint8_t>(i * 37 + 5));
    return v;
}

struct Built {
    std::vector<Sample> samples = std::vector<Sample>(70000, 0);
    DmxBuild build;
};
Built build(const DmxSettings& s, const std::vector<std::uint8_t>& values, int limit = 60000, int cardType = 0,
            bool handshake = true) {
    Built b;
    b.build = buildDmxStream(s, values, cardType, handshake, b.samples, limit);
    return b;
}

TEST(Dmx512, DefaultsSlotBitsAndFrame) {
    DmxSettings s;
    const Built b = build(s, {0x00, 0x01}, 60000, 18);
    ASSERT_EQ(b.build.error, Msg::None);
    EXPECT_EQ(test::levelsText(b.samples, 0, 66, 69 + 22 + 2 + 22 + 3),
              "HHH" + std::string(22, 'L') + "HH" + "LLLLLLLLLHH" + "LHLLLLLLLHH" + "HHH");
    EXPECT_EQ(test::levelsText(b.samples, 1, 66, 72), "LLLHHH");
    EXPECT_EQ(test::commandsText(b.samples, 0, 12), "000 000 600 000 700 000 000 000 000 8FF 2FF 900");
    EXPECT_EQ(commandField(b.samples[static_cast<std::size_t>(b.build.count - 4)]), 0x700u);
    // 100,000 samples of mark before break in about 230 samples of memory.
    EXPECT_LT(b.build.count, 69 + 22 + 2 + 22 + 230);
    const Built converted = build(s, {0x00}, 60000, 0, false);
    EXPECT_EQ(test::commandsText(converted.samples, 0, 6), "000 000 000 000 000 000");
}

// Every run length around the loop's edges, played by the sequencer, equals the reference.
TEST(Dmx512, LoopedRunsLastExactlyTheirLength) {
    struct Case {
        std::int64_t mbbMs, breakUs, mabUs, interSlotUs;
    };
    const Case cases[] = {
        {400, 88, 8, 0}, {0, 828, 8, 4},        {1, 832, 836, 0}, {2, 1000, 12, 799},
        {0, 4, 0, 800},  {3, 2000, 4000, 1600}, {0, 0, 0, 0},     {1, 803, 807, 804},
    };
    for (const Case& c : cases) {
        DmxSettings s;
        s.markBeforeBreakMs = c.mbbMs;
        s.breakUs = c.breakUs;
        s.markAfterBreakUs = c.mabUs;
        s.interSlotUs = c.interSlotUs;
        const std::vector<std::uint8_t> values = someValues(7);
        const Built b = build(s, values);
        ASSERT_EQ(b.build.error, Msg::None);
        const std::string wanted = reference(s, values, true);
        const Levels played =
            play(std::span(b.samples).first(static_cast<std::size_t>(b.build.count)), 0, wanted.size() + 10);
        EXPECT_EQ(played.bits, wanted) << c.mbbMs << " " << c.breakUs << " " << c.interSlotUs;
        EXPECT_TRUE(played.inverse);
    }
}

TEST(Dmx512, RepeatLoopsFromTheFirstBreakWithTheMarkBeforeBreakSet) {
    DmxSettings s;
    s.repeat = true;
    s.markBeforeBreakMs = 1; // 250 samples, a loop
    s.breakUs = 1000; // 250 samples, a loop
    const std::vector<std::uint8_t> values = someValues(600); // two packets
    const Built b = build(s, values);
    ASSERT_EQ(b.build.error, Msg::None);
    const std::string first = reference(s, values, true), loop = reference(s, values, false);
    const Levels played =
        play(std::span(b.samples).first(static_cast<std::size_t>(b.build.count)), 0, first.size() + 3 * loop.size());
    EXPECT_EQ(played.bits, first + loop + loop + loop);
    EXPECT_TRUE(played.inverse);
}

TEST(Dmx512, SecondPacketAfter513Slots) {
    DmxSettings s;
    s.markBeforeBreakMs = 0;
    const Built b = build(s, someValues(514));
    EXPECT_EQ(b.build.packets, 2);
    const int second = 69 + 22 + 2 + 513 * 11; // the mark before break is 0 here
    EXPECT_EQ(test::levelsText(b.samples, 0, second - 2, second + 35),
              "HH" + std::string(22, 'L') + "HH" + "LLHLHLHLLHH"); // 513 x 37 + 5 = 0x..2A
}

TEST(Dmx512, LoopCountLimitsAndChannels) {
    const Capabilities c20 = capabilitiesFor(0xC020), c50 = capabilitiesFor(0xC350);
    DmxSettings s;
    s.plusChannel = 18;
    EXPECT_EQ(checkDmx(s, c20), Msg::None);
    s.plusChannel = 19;
    EXPECT_EQ(checkDmx(s, c20), Msg::ErrorChannelSetting);
    s.plusChannel = 48;
    EXPECT_EQ(checkDmx(s, c50), Msg::None);
    s.plusChannel = 49;
    EXPECT_EQ(checkDmx(s, c50), Msg::ErrorChannelSetting);
    s.plusChannel = 0;
    s.markBeforeBreakMs = 26214; // 6,553,500 samples
    EXPECT_EQ(checkDmx(s, c50), Msg::None);
    s.markBeforeBreakMs = 26215;
    EXPECT_EQ(checkDmx(s, c50), Msg::DmxTimeTooLong);
    s.markBeforeBreakMs = 400;
    for (std::int64_t DmxSettings::*time :
         {&DmxSettings::breakUs, &DmxSettings::markAfterBreakUs, &DmxSettings::interSlotUs}) {
        DmxSettings t = s;
        t.*time = 26214403;
        EXPECT_EQ(checkDmx(t, c50), Msg::None);
        t.*time = 26214404;
        EXPECT_EQ(checkDmx(t, c50), Msg::DmxTimeTooLong);
        t.*time = -1;
        EXPECT_EQ(checkDmx(t, c50), Msg::DmxTimeNotNumber);
    }
    // The longest mark: 20 samples kept for the end, 65,534 passes (LC 65532: 0x2FF, 0x4FC).
    s.markBeforeBreakMs = 26214;
    const Built b = build(s, {0x42});
    ASSERT_EQ(b.build.error, Msg::None);
    const std::string text = test::commandsText(b.samples, 69 + 22 + 2 + 11, 69 + 22 + 2 + 11 + 6);
    EXPECT_EQ(text, "000 000 000 2FF 4FC 000");
    const std::string wanted = reference(s, {0x42}, true);
    const Levels played =
        play(std::span(b.samples).first(static_cast<std::size_t>(b.build.count)), 0, wanted.size() + 2);
    EXPECT_TRUE(played.bits == wanted);
}

TEST(Dmx512, SampleLimitCheckedBeforeEachUnit) {
    DmxSettings s;
    s.markBeforeBreakMs = 0;
    const std::vector<std::uint8_t> values = someValues(40);
    const int needed = 69 + 22 + 2 + 40 * 11;
    std::vector<Sample> out(needed + 50, ~Sample{0});
    DmxBuild fits = buildDmxStream(s, values, 0, true, out, needed);
    EXPECT_EQ(fits.error, Msg::None);
    EXPECT_EQ(fits.count, needed);
    std::fill(out.begin(), out.end(), ~Sample{0});
    DmxBuild over = buildDmxStream(s, values, 0, true, out, needed - 1);
    EXPECT_EQ(over.error, Msg::CantRunDataTooBig);
    for (int i = needed - 1; i < static_cast<int>(out.size()); ++i)
        ASSERT_EQ(out[static_cast<std::size_t>(i)], ~Sample{0}) << i;
    // A buffer shorter than the limit bounds the stream as well.
    std::vector<Sample> small(100, ~Sample{0});
    EXPECT_EQ(buildDmxStream(s, values, 0, true, small, 1000000).error, Msg::CantRunDataTooBig);
}

TEST(Dmx512, ValueText) {
    std::vector<std::uint8_t> v;
    std::string where;
    EXPECT_EQ(parseDmxValues("00\r\n\nff\r\n 7 \r\n\r\n", v, where), Msg::None);
    EXPECT_EQ(v, (std::vector<std::uint8_t>{0x00, 0xFF, 0x07}));
    EXPECT_EQ(parseDmxValues("01\n02\r03", v, where), Msg::None);
    EXPECT_EQ(v.size(), 3u);
    EXPECT_EQ(parseDmxValues("01\r\n100\r\n", v, where), Msg::DmxValueNotByte);
    EXPECT_EQ(where, "2 ('100')");
    EXPECT_EQ(parseDmxValues("1G", v, where), Msg::DmxValueNotByte);
    std::mt19937 random(5);
    const std::string text = dmxRandomValuesText(300, random);
    ASSERT_EQ(parseDmxValues(text, v, where), Msg::None);
    EXPECT_EQ(v.size(), 300u);
    EXPECT_EQ(text.substr(2, 2), "\r\n");
    EXPECT_LT(*std::max_element(v.begin(), v.end()), 0xFF);
}

TEST(Dmx512, RunIdleWithoutValuesAndRefusals) {
    test::driverRecording = test::DriverRecording{};
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, 1, interlock, flags, prompt, capabilitiesFor(0xC350)};
    std::vector<Sample> out(600000, 0);
    DmxSettings s;
    const DmxRunResult idle = runDmx(ports, s, " \r\n", out);
    EXPECT_TRUE(idle.idle);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_TRUE(test::driverRecording.calls.empty());
    s.rateBitsPerSecond = 200e6;
    EXPECT_EQ(runDmx(ports, s, "01", out).outcome.error, Msg::RateOutOfRange);
    s.rateBitsPerSecond = 250000;
    EXPECT_EQ(runDmx(ports, s, "01\r\nXY", out).outcome.error, Msg::DmxValueNotByte);
    EXPECT_EQ(prompt.shown.back(), (std::pair<int, std::string>{19500, "2 ('XY')"}));
    EXPECT_TRUE(test::driverRecording.calls.empty());
}

} // namespace
} // namespace qv::gen
