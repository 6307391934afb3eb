// The HDQ and 1-Wire builders: the HDQ timing inside the protocol's limits at every rate of the
// spin, transactions and 1-Wire slots sample by sample, each 1-Wire value in its own whole bytes,
// the list lines read back with bounds, and the sample limit checked before a row is written.
#include "generators/hdq.h"
#include "generators/onewire.h"

#include "sample_text.h"

#include <gtest/gtest.h>

namespace qv::gen {
namespace {

using test::commandsText;
using test::levelsText;

constexpr Sample sentinel = ~Sample{0};

std::string run(char level, int count) { return std::string(static_cast<std::size_t>(count), level); }
std::string slot(int low, int high) { return run('L', low) + run('H', high); }

// An HDQ bit as the line carries it at cycle samples: 1 low for a 1, 3 low for a 0.
std::string hdqBits(unsigned value, int count, int cycle) {
    std::string out;
    for (int b = 0; b < count; ++b) {
        const int low = (value >> b) & 1u ? 1 : 3;
        out +=
            std::string(static_cast<std::size_t>(low), 'L') + std::string(static_cast<std::size_t>(cycle - low), 'H');
    }
    return out;
}

TEST(Hdq, TimingKeepsTheProtocolLimitsAtEveryRateOfTheSpin) {
    for (int tenths = 35; tenths <= 55; ++tenths) {
        const HdqTiming t = hdqTiming(tenths * 100.0);
        const double sample = 1e6 / t.clockHz;
        SCOPED_TRACE(tenths);
        EXPECT_GE(t.samplesPerBit * sample, 190.0); // host bit cycle
        EXPECT_LE(t.zeroLowSamples * sample, 145.0);
        EXPECT_GE(t.zeroLowSamples * sample, 86.0);
        EXPECT_LE(t.oneLowSamples * sample, 50.0);
        EXPECT_GE(t.breakSamples * sample, 190.0);
        EXPECT_GE(t.recoverySamples * sample, 40.0);
        EXPECT_GE(t.readBitSamples * sample, 190.0); // a device's bit: 190 to 250 us
        EXPECT_LE(t.readBitSamples * sample, 250.0);
    }
    // The numbers kept where they were within the limits, the nearest inside them elsewhere.
    struct Case {
        double rate;
        int clock, samples, readSamples, breakSamples, recovery;
    };
    for (const Case& c :
         {Case{5000, 25000, 5, 5, 5, 2}, Case{3500, 21000, 6, 5, 5, 1}, Case{3900, 23400, 6, 5, 5, 1},
          Case{4000, 24000, 6, 6, 5, 1}, Case{4100, 24600, 6, 6, 5, 1}, Case{4200, 21000, 5, 5, 5, 1},
          Case{5200, 26000, 5, 5, 5, 2}, Case{5300, 26300, 5, 5, 6, 2}, Case{5500, 26300, 5, 5, 6, 2}}) {
        const HdqTiming t = hdqTiming(c.rate);
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(t.clockHz, c.clock);
        EXPECT_EQ(t.samplesPerBit, c.samples);
        EXPECT_EQ(t.readBitSamples, c.readSamples);
        EXPECT_EQ(t.breakSamples, c.breakSamples);
        EXPECT_EQ(t.recoverySamples, c.recovery);
    }
}

TEST(Hdq, RatesChannelsAndModelsAreValidated) {
    const Capabilities caps = capabilitiesFor(0xC350);
    HdqSettings s;
    EXPECT_EQ(validateHdq(s, caps), Msg::None);
    for (double rate : {3500.0, 5500.0, 3499.6}) {
        s.rateBitsPerSecond = rate;
        EXPECT_EQ(validateHdq(s, caps), Msg::None) << rate;
    }
    for (double rate : {3499.4, 5500.6, 1000.0}) {
        s.rateBitsPerSecond = rate;
        EXPECT_EQ(validateHdq(s, caps), Msg::HdqRateRange) << rate;
    }
    s.rateBitsPerSecond = 5000;
    s.channel = caps.channelCount - 1;
    EXPECT_EQ(validateHdq(s, caps), Msg::None);
    s.channel = caps.channelCount;
    EXPECT_EQ(validateHdq(s, caps), Msg::ErrorChannelSetting);
}

TEST(Hdq, ARowIsBreakRecoveryAddressReadWriteAndDataLeastSignificantBitFirst) {
    std::vector<Sample> out(4000, 0);
    const std::vector<HdqRow> rows{{0x02, true, 8, {0x12}}, {0x7F, false, 16, {0x1}}};
    HdqSettings s;
    s.channel = 3;
    const HdqBuild built = buildHdqStream(rows, s, 0, out, 4000);
    ASSERT_EQ(built.error, Msg::None);
    const std::string write = run('H', 1) + run('L', 5) + "HH" + hdqBits(0x02, 7, 5) + hdqBits(1, 1, 5) +
        hdqBits(0x12, 8, 5) + std::string(5, 'H');
    const std::string read = run('H', 1) + run('L', 5) + "HH" + hdqBits(0x7F, 7, 5) + hdqBits(0, 1, 5) +
        hdqBits(0x1, 16, 5) + std::string(5, 'H');
    EXPECT_EQ(levelsText(out, 3, 0, built.count), std::string(16, 'H') + write + read);
    EXPECT_EQ(levelsText(out, 2, 0, built.count), std::string(static_cast<std::size_t>(built.count), 'L'));

    // At 3.5 kbit/s the host's bits take 6 samples and the device's answer bits 5 (at most 250 us).
    s.rateBitsPerSecond = 3500;
    const HdqBuild slow = buildHdqStream(std::vector<HdqRow>{{0x05, false, 8, {0xA5}}}, s, 0, out, 4000);
    EXPECT_EQ(levelsText(out, 3, 16, slow.count),
              run('H', 1) + run('L', 5) + "H" + hdqBits(0x05, 7, 6) + hdqBits(0, 1, 6) + hdqBits(0xA5, 8, 5) +
                  std::string(5, 'H'));
}

TEST(Hdq, FrameCommandsAndTheRepeatJumpToTheLastLeadInSample) {
    std::vector<Sample> out(400, 0);
    HdqSettings s;
    s.repeat = true;
    const HdqBuild built = buildHdqStream(std::vector<HdqRow>{{1, true, 8, {1}}}, s, 18, out, 400);
    EXPECT_EQ(commandsText(out, 0, 8), "000 000 600 700 8FF 2FF 900 000");
    EXPECT_EQ(commandsText(out, built.count - 6, built.count), "80F 200 100 000 000 000");
    s.repeat = false;
    std::fill(out.begin(), out.end(), 0);
    const HdqBuild plain = buildHdqStream(std::vector<HdqRow>{{1, true, 8, {1}}}, s, 0, out, 400);
    EXPECT_EQ(commandsText(out, 0, 8), "000 000 600 700 000 000 000 000");
    EXPECT_EQ(commandsText(out, plain.count - 6, plain.count), "000 000 700 000 000 000");
}

TEST(Hdq, TheLimitIsCheckedBeforeEachRowAndNothingIsWrittenPastIt) {
    const std::vector<HdqRow> rows{{1, true, 8, {1, 2}}, {2, true, 16, {3}}};
    std::vector<Sample> out(1000, 0);
    const HdqBuild whole = buildHdqStream(rows, HdqSettings{}, 0, out, 1000);
    ASSERT_EQ(whole.error, Msg::None);
    std::fill(out.begin(), out.end(), sentinel);
    EXPECT_EQ(buildHdqStream(rows, HdqSettings{}, 0, out, whole.count).error, Msg::None);
    std::fill(out.begin(), out.end(), sentinel);
    const HdqBuild short1 = buildHdqStream(rows, HdqSettings{}, 0, out, whole.count - 1);
    EXPECT_EQ(short1.error, Msg::CantRunDataTooBig);
    for (int i = short1.count; i < 1000; ++i) ASSERT_EQ(out[static_cast<std::size_t>(i)], sentinel) << i;
    // A row far longer than the memory is refused whole, before any of it is written.
    HdqRow huge{1, true, 16, {}};
    huge.data.assign(std::size_t{1} << 16, 0xFFFF);
    std::fill(out.begin(), out.end(), sentinel);
    EXPECT_EQ(buildHdqStream(std::vector<HdqRow>{huge}, HdqSettings{}, 0, out, 1000).error, Msg::CantRunDataTooBig);
    EXPECT_EQ(out[16], sentinel);
}

TEST(Hdq, LinesAndAddChecks) {
    const HdqRow row{0x0A, true, 8, {0x12, 0xF}};
    EXPECT_EQ(hdqRowLine(row), "0Ah W 8 12h 0Fh ");
    EXPECT_EQ(hdqRowLine(HdqRow{0x7F, false, 16, {0x1}}), "7Fh R 16 0001h ");
    HdqRow back;
    ASSERT_EQ(readHdqLine("0Ah W 8 12h 0Fh ", back), Msg::None);
    EXPECT_EQ(back.address, 0x0Au);
    EXPECT_EQ(back.data, (std::vector<unsigned>{0x12, 0xF}));
    ASSERT_EQ(readHdqLine("7F R 16 FFFF", back), Msg::None);
    EXPECT_EQ(back.data, std::vector<unsigned>{0xFFFF});
    EXPECT_FALSE(back.write);
    EXPECT_EQ(readHdqLine("01h W 8 ", back), Msg::None);
    EXPECT_TRUE(back.data.empty());
    for (const char* bad : {"80h W 8 01h ", "01h X 8 01h ", "01h W 12 01h ", "01h W 8 100h ", "01h W 16 10000h ",
                            "01h W 8 1g ", "", "01h W"})
        EXPECT_EQ(readHdqLine(bad, back), Msg::ListLineUnreadable) << bad;
    std::vector<HdqRow> rows;
    EXPECT_EQ(readHdqList({"01h W 8 01h ", "01h W 8 zz "}, rows).line, 2);
    ASSERT_EQ(readHdqList({"01h W 8 01h ", "7Fh R 16 FFFFh "}, rows).line, 0);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].data, std::vector<unsigned>{0xFFFF});

    EXPECT_EQ(hdqDataValues(" 12, 0fh 1234\t"), (std::vector<unsigned>{0x12, 0xF, 0x1234}));
    EXPECT_FALSE(hdqDataValues("12 x"));
    EXPECT_FALSE(hdqDataValues("123456789"));
    EXPECT_EQ(checkHdqEntry(0x7F, std::vector<unsigned>{0xFF}, 8), Msg::None);
    EXPECT_EQ(checkHdqEntry(0x80, std::vector<unsigned>{0xFF}, 8), Msg::HdqWrongAddress);
    EXPECT_EQ(checkHdqEntry(0x7F, std::vector<unsigned>{0x100}, 8), Msg::HdqWrongData);
    EXPECT_EQ(checkHdqEntry(0x7F, std::vector<unsigned>{0xFFFF}, 16), Msg::None);
    EXPECT_EQ(checkHdqEntry(0x7F, std::vector<unsigned>{0x10000}, 16), Msg::HdqWrongData);
    EXPECT_TRUE(hdqSameTarget(row, HdqRow{0x0A, true, 8, {1}}));
    EXPECT_FALSE(hdqSameTarget(row, HdqRow{0x0A, false, 8, {1}}));
    EXPECT_FALSE(hdqSameTarget(row, HdqRow{0x0A, true, 16, {1}}));
    EXPECT_FALSE(hdqSameTarget(row, HdqRow{0x0B, true, 8, {1}}));
}

// ---- 1-Wire ---------------------------------------------------------------------------------------

TEST(OneWire, EachValueKeepsItsOwnWidthInWholeBytes) {
    const auto values = oneWireValues("CC 1234  abc 00CC 1 FFFFFFFFFFFFFFFF");
    ASSERT_TRUE(values);
    EXPECT_EQ(
        *values,
        (std::vector<OneWireValue>{{0xCC, 1}, {0x1234, 2}, {0xABC, 2}, {0xCC, 2}, {0x1, 1}, {~std::uint64_t{0}, 8}}));
    EXPECT_EQ(oneWireValuesText(*values), "CC 1234 0ABC 00CC 01 FFFFFFFFFFFFFFFF");
    EXPECT_FALSE(oneWireValues("10000000000000000")); // 17 digits
    EXPECT_FALSE(oneWireValues("CC G1"));
    EXPECT_TRUE(oneWireValues("")->empty());

    std::vector<Sample> out(8000, 0);
    const OneWireBuild built =
        buildOneWireStream(std::vector<OneWireRow>{{true, {{0xCC, 1}, {0x1234, 2}}}}, OneWireSettings{}, 0, out, 8000);
    ASSERT_EQ(built.error, Msg::None);
    std::string slots;
    for (std::uint32_t bits = 0x1234CC, b = 0; b < 24; ++b) slots += (bits >> b) & 1 ? slot(6, 61) : slot(60, 7);
    EXPECT_EQ(levelsText(out, 0, 0, built.count), run('H', 25) + slot(500, 20) + slot(100, 361) + slots);
}

TEST(OneWire, ResetPresenceAndSlotsAtBothSpeeds) {
    std::vector<Sample> out(4000, 0);
    OneWireSettings s;
    s.channel = 5;
    const std::vector<OneWireRow> rows{{true, {{0x01, 1}}}, {false, {{0x02, 1}}}};
    const OneWireBuild standard = buildOneWireStream(rows, s, 0, out, 4000);
    std::string write = slot(6, 61) + run('L', 0);
    for (int b = 1; b < 8; ++b) write += slot(60, 7);
    std::string read = slot(62, 5) + slot(12, 55);
    for (int b = 2; b < 8; ++b) read += slot(62, 5);
    EXPECT_EQ(write.size(), 536u);
    const std::string reset = slot(500, 20) + slot(100, 361); // 481 us high after the reset pulse
    EXPECT_EQ(levelsText(out, 5, 0, standard.count), run('H', 25) + reset + write + run('H', 5) + reset + read);

    s.speed = OneWireSpeed::Overdrive;
    const OneWireBuild overdrive = buildOneWireStream(rows, s, 0, out, 4000);
    std::string fastWrite = slot(2, 7), fastRead = slot(7, 2) + slot(2, 7);
    for (int b = 1; b < 8; ++b) fastWrite += slot(7, 2);
    for (int b = 2; b < 8; ++b) fastRead += slot(7, 2);
    EXPECT_EQ(fastWrite.size(), 72u);
    const std::string fastReset = slot(55, 4) + slot(12, 33); // 49 us high after the reset pulse
    EXPECT_EQ(levelsText(out, 5, 0, overdrive.count),
              run('H', 25) + fastReset + fastWrite + run('H', 5) + fastReset + fastRead);
}

TEST(OneWire, FrameLimitAndLines) {
    std::vector<Sample> out(4000, 0);
    OneWireSettings s;
    s.repeat = true;
    const std::vector<OneWireRow> rows{{true, {{0xCC, 1}}}, {true, {{0x44, 1}}}};
    const OneWireBuild built = buildOneWireStream(rows, s, 18, out, 4000);
    ASSERT_EQ(built.error, Msg::None);
    EXPECT_EQ(commandsText(out, 2, 7), "600 700 8FF 2FF 900");
    EXPECT_EQ(commandsText(out, built.count - 6, built.count - 3), "813 200 100");

    std::fill(out.begin(), out.end(), sentinel);
    EXPECT_EQ(buildOneWireStream(rows, s, 0, out, built.count).error, Msg::None);
    std::fill(out.begin(), out.end(), sentinel);
    const OneWireBuild cut = buildOneWireStream(rows, s, 0, out, built.count - 1);
    EXPECT_EQ(cut.error, Msg::CantRunDataTooBig);
    EXPECT_EQ(cut.count, 20 + (built.count - 20) / 2);
    for (int i = cut.count; i < 4000; ++i) ASSERT_EQ(out[static_cast<std::size_t>(i)], sentinel) << i;

    EXPECT_EQ(oneWireRowLine(OneWireRow{true, {{0xCC, 1}, {0x44BE, 2}}}), "W CC 44BE ");
    OneWireRow row;
    ASSERT_EQ(readOneWireLine("W CC 0044 ", row), Msg::None);
    EXPECT_TRUE(row.write);
    EXPECT_EQ(row.values, (std::vector<OneWireValue>{{0xCC, 1}, {0x44, 2}}));
    ASSERT_EQ(readOneWireLine("x 01", row), Msg::None); // anything but W reads
    EXPECT_FALSE(row.write);
    EXPECT_EQ(readOneWireLine("W 0x1", row), Msg::ListLineUnreadable);
    std::vector<OneWireRow> read;
    EXPECT_EQ(readOneWireList({"W CC", "R 12345678901234567"}, read).line, 2);

    const Capabilities caps = capabilitiesFor(0xC350);
    OneWireSettings channel;
    channel.channel = caps.channelCount - 1;
    EXPECT_EQ(validateOneWire(channel, caps), Msg::None);
    channel.channel = caps.channelCount;
    EXPECT_EQ(validateOneWire(channel, caps), Msg::ErrorChannelSetting);
}

} // namespace
} // namespace qv::gen
