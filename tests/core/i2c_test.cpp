// The I2C statement language and builder: the checks in order, the 7-bit frame sample by sample,
// read-mode timing with SDA released, the 10-bit frames with the repeated START, STOP and START
// between transactions, Default Out's inversion.
#include "generators/i2c.h"

#include "generators/frame.h"
#include "sample_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace qv::gen {
namespace {

// One letter per sample: I idle (both high), C SCL only, D SDA only, L both low.
std::string lines(std::span<const Sample> s, int scl, int sda, int from, int to) {
    std::string out;
    for (int i = from; i < to; ++i) {
        const bool c = channelLevel(s[static_cast<std::size_t>(i)], scl),
                   d = channelLevel(s[static_cast<std::size_t>(i)], sda);
        out += c && d ? 'I' : c ? 'C' : d ? 'D' : 'L';
    }
    return out;
}
std::string bitsText(const std::string& bits, bool readMode = false) {
    std::string out;
    for (char b : bits)
        out += readMode ? (b == '1' ? std::string(6, 'D') + std::string(12, 'I') + std::string(6, 'D')
                                    : std::string(6, 'L') + std::string(12, 'C') + std::string(6, 'L'))
                        : (b == '1' ? "DIID" : "LCCL");
    return out;
}

struct Built {
    std::vector<Sample> samples = std::vector<Sample>(70000, 0);
    I2cBuild build;
    I2cProgram program;
    Msg error = Msg::None;
};
Built build(const std::string& text, I2cSettings s, int cardType = 0) {
    Built b;
    b.error = checkI2c(s, text, capabilitiesFor(0xC350), b.program);
    if (b.error == Msg::None) b.build = buildI2cStream(b.program, s, cardType, false, b.samples, 60000, 10);
    return b;
}
I2cSettings custom() {
    I2cSettings s;
    s.customOut = true;
    setI2cSclChannel(s, 3);
    return s;
}

TEST(I2c, SevenBitWriteSampleBySample) {
    Built b = build("Aw=12;\r\nD=10;", custom());
    ASSERT_EQ(b.error, Msg::None);
    const std::string frames = bitsText("001001001") + bitsText("000100001");
    const std::string end = std::string(12, 'L') + std::string(12, 'C') + std::string(16, 'I');
    const std::string wanted = std::string(32, 'I') + std::string(12, 'C') + "LLL" + frames + end;
    EXPECT_EQ(lines(b.samples, 3, 4, 0, b.build.count), wanted);
    EXPECT_EQ(test::commandsText(b.samples, 0, 4), "600 000 700 000");
    EXPECT_EQ(commandField(b.samples[static_cast<std::size_t>(b.build.count - 4)]), 0x700u);
    EXPECT_EQ(i2cSampleClock(custom(), b.program.readMode), 400000);
    EXPECT_EQ(build("Aw=123;D=1;", custom()).program.statements[0].value, 0x23u);
}

TEST(I2c, ChecksInOrder) {
    struct Case {
        const char* text;
        I2cAddressing mode;
        Msg error;
    } cases[] = {
        {"Aw=12;", I2cAddressing::SevenBit, Msg::NoI2cData},
        {"D=10;Aw=12;", I2cAddressing::SevenBit, Msg::LostI2cAddress},
        {"A=25;D=0;Aw=3;D=1;", I2cAddressing::SevenBitWithRw, Msg::NoRwIn8BitAddressing},
        {"Aw=25;D=0;A=3;D=1;", I2cAddressing::SevenBit, Msg::LostRwCommand},
        {"Aw=25;D=0;D=1;", I2cAddressing::SevenBit, Msg::WrongEditing},
        {"Aw=25;D=0;X=1;", I2cAddressing::SevenBit, Msg::WrongEditing},
        {"Aw=25;D=0,zz;", I2cAddressing::SevenBit, Msg::WrongEditing},
        {"Aw=12;Ar=13;D=1;", I2cAddressing::SevenBit, Msg::None},
    };
    for (const Case& c : cases) {
        I2cSettings s = custom();
        s.addressing = c.mode;
        EXPECT_EQ(build(c.text, s).error, c.error) << c.text;
    }
    I2cSettings s = custom();
    s.rateBitsPerSecond = 5e6; // above 100 MHz / 24
    EXPECT_EQ(build("Aw=12;D=10;", s).error, Msg::I2cRateOutOfRange);
    s.rateBitsPerSecond = 100e6 / 24; // exactly the maximum
    EXPECT_EQ(build("Aw=12;D=10;", s).error, Msg::None);
    s.rateBitsPerSecond = std::numeric_limits<double>::quiet_NaN(); // "abc" in the rate edit
    EXPECT_EQ(build("Aw=12;D=10;", s).error, Msg::RateNotANumber);
    s.rateBitsPerSecond = 0;
    EXPECT_EQ(build("Aw=12;D=10;", s).error, Msg::RateNotAboveZero);
    // The highest SCL channel (SDA one above it) and one past; SDA valid and not SCL's in both modes.
    struct Channels {
        int model, scl, sda;
        bool customOut;
        Msg error;
    } channels[] = {
        {0xC350, 48, 49, true, Msg::None},
        {0xC350, 49, 50, true, Msg::I2cSclChannelRange},
        {0xCD16, 14, 15, true, Msg::None},
        {0xCD16, 15, 16, true, Msg::I2cSclChannelRange},
        {0xC020, 18, 19, true, Msg::None},
        {0xC020, 19, 20, true, Msg::I2cSclChannelRange},
        {0xC350, -1, 0, true, Msg::I2cSclChannelRange},
        {0xC350, 2, 2, true, Msg::I2cSdaChannelClash},
        {0xC350, 2, 2, false, Msg::I2cSdaChannelClash},
        {0xC350, 2, -1, false, Msg::I2cSdaChannelClash},
        {0xC350, 48, 50, true, Msg::I2cSdaChannelClash},
        {0xC350, 3, 0, true, Msg::None},
    };
    for (const Channels& c : channels) {
        s = custom();
        s.customOut = c.customOut;
        s.sclChannel = c.scl;
        s.sdaChannel = c.sda;
        I2cProgram p;
        EXPECT_EQ(checkI2c(s, "Aw=12;D=10;", capabilitiesFor(c.model), p), c.error) << c.scl << " " << c.sda;
    }
    EXPECT_EQ(i2cMessageArgument(Msg::I2cSclChannelRange, capabilitiesFor(0xCD16)), "14");
    EXPECT_EQ(i2cMessageArgument(Msg::I2cSdaChannelClash, capabilitiesFor(0xC020)), "19");
    EXPECT_EQ(i2cMessageArgument(Msg::I2cRateOutOfRange, capabilitiesFor(0xC350)), "4");
    I2cProgram p;
    EXPECT_EQ(parseI2cText("Aw=12;D=1a2,3 r;", I2cAddressing::SevenBit, p), Msg::None);
    EXPECT_EQ(p.statements[1].data, (std::vector<std::uint8_t>{0x1a, 0x02, 0x03}));
    EXPECT_EQ(parseI2cText("Aw=12;D=9,99,a9,0;", I2cAddressing::SevenBit, p), Msg::None);
    EXPECT_EQ(p.statements[1].data, (std::vector<std::uint8_t>{0x09, 0x99, 0xa9, 0x00}));
}

TEST(I2c, ReadModeReleasesSdaAroundTheSlavesByte) {
    Built b = build("Ar=3f;D=5;", custom());
    ASSERT_TRUE(b.program.readMode);
    EXPECT_EQ(i2cSampleClock(custom(), true), 2400000);
    const int frame = 47 + 9 * 24;
    EXPECT_EQ(lines(b.samples, 3, 4, 47, frame), bitsText("011111111", true));
    EXPECT_EQ(lines(b.samples, 3, 4, frame, frame + 9 * 24), bitsText("000001011", true));
    EXPECT_EQ(test::commandsText(b.samples, frame, frame + 3), "801 200 900"); // SCL 3: group 0 stays on
    I2cSettings high = custom();
    setI2cSclChannel(high, 39);
    EXPECT_EQ(test::commandsText(build("Ar=3f;D=5;", high).samples, frame, frame + 3), "808 200 900");
    EXPECT_EQ(test::commandsText(b.samples, frame + 8 * 24 - 2, frame + 8 * 24 + 1), "8FF 2FF 900");
    // In read mode the bytes written to a slave keep SDA driven: no OE around them.
    Built mixed = build("Aw=12;D=5;Ar=3f;D=6;", custom());
    for (int i = frame; i < frame + 9 * 24; ++i)
        EXPECT_EQ(commandField(mixed.samples[static_cast<std::size_t>(i)]), 0u) << i;
    EXPECT_EQ(
        i2cSampleClock(custom(), build(std::string(i2cSampleText(I2cAddressing::SevenBit)), custom()).program.readMode),
        2400000);
}

TEST(I2c, TenBitFramesAndRepeatedStart) {
    I2cSettings s = custom();
    s.addressing = I2cAddressing::TenBit;
    Built w = build("Aw=12c;D=1;", s);
    EXPECT_EQ(lines(w.samples, 3, 4, 47, 47 + 18 * 4), bitsText("111100101") + bitsText("001011001"));
    Built r = build("Ar=18a;D=0;", s);
    const int at = 47 + 18 * 24;
    EXPECT_EQ(lines(r.samples, 3, 4, 47, at), bitsText("111100101", true) + bitsText("100010101", true));
    EXPECT_EQ(lines(r.samples, 3, 4, at, at + 8), "DIIICLLL");
    EXPECT_EQ(lines(r.samples, 3, 4, at + 8, at + 8 + 9 * 24), bitsText("111100111", true));
}

TEST(I2c, StopAndStartBetweenTransactionsAndRepeat) {
    I2cSettings s = custom();
    s.repeat = true;
    s.waitEvent1 = true;
    Built b = build("Aw=12;D=1;Aw=13;D=2;", s, 18);
    const int at = 47 + 18 * 4;
    EXPECT_EQ(lines(b.samples, 3, 4, at, at + 8), "LCIICLLL");
    EXPECT_EQ(test::commandsText(b.samples, 0, 17),
              "600 000 700 000 000 000 000 8FF 2FF 900 000 000 000 000 609 000 700");
    EXPECT_EQ(test::commandsText(b.samples, b.build.count - 6, b.build.count - 3), "820 200 100");
    // In read mode STOP and START take 12 low, 6 SCL-only, 12 idle, 6 SCL-only and 3 low samples.
    Built r = build("Ar=3f;D=5;Ar=40;D=6;", custom());
    const int stop = 47 + 18 * 24;
    EXPECT_EQ(lines(r.samples, 3, 4, stop, stop + 39),
              std::string(12, 'L') + std::string(6, 'C') + std::string(12, 'I') + std::string(6, 'C') + "LLL");
}

TEST(I2c, DefaultOutInvertsBitsAboveTheCommandField) {
    I2cSettings s; // Default Out: SCL on port 0, SDA on port 1
    Built b = build("Aw=12;D=10;", s);
    const int n = b.build.count;
    EXPECT_EQ(b.samples[0] & ~commandMask, ~Sample{0} & ~commandMask & ~(outputPort0 | outputPort1));
    EXPECT_EQ(commandField(b.samples[0]), 0x600u);
    for (int i = 0; i < n; ++i) EXPECT_TRUE(channelLevel(b.samples[static_cast<std::size_t>(i)], 7));
    Built plain = build("Aw=12;D=10;", custom());
    // The ports carry the inverted line levels of the custom-out stream.
    for (int i = 0; i < n; ++i) {
        EXPECT_NE(channelLevel(b.samples[static_cast<std::size_t>(i)], 50),
                  channelLevel(plain.samples[static_cast<std::size_t>(i)], 3));
        EXPECT_NE(channelLevel(b.samples[static_cast<std::size_t>(i)], 51),
                  channelLevel(plain.samples[static_cast<std::size_t>(i)], 4));
    }
    EXPECT_TRUE(i2cDefaults(0xB016).customOut);
    // Default Out on card type 18 is on the channels of the fields, which start on 0 and 1.
    const I2cSettings defaults = i2cDefaults(0xC350);
    EXPECT_FALSE(defaults.customOut);
    Built card18 = build("Aw=12;D=10;", defaults, 18);
    ASSERT_EQ(card18.error, Msg::None);
    EXPECT_EQ(lines(card18.samples, 0, 1, 47, 47 + 18 * 4), bitsText("001001001") + bitsText("000100001"));
    EXPECT_FALSE(channelLevel(card18.samples[0], 50));
    EXPECT_EQ(i2cHighestSclChannel(0xCD16), 14);
}

TEST(I2c, OutOfMemoryDepthKeepsWhatFitsWithoutRepeat) {
    I2cSettings s = custom();
    s.repeat = true;
    std::string text = "Aw=12;D=";
    for (int i = 0; i < 2000; ++i) text += "55,";
    I2cProgram p;
    ASSERT_EQ(checkI2c(s, text, capabilitiesFor(0xC350), p), Msg::None);
    // The statement is cut after its last whole byte that fits: the lead-in, the address and the
    // end take 47 + 36 + 40 samples, each byte 36, and the frames stop 36 + 8 below the limit.
    for (const auto& [bytes, spare] : {std::pair{52, 0}, {52, -1}, {1, 0}, {1, -1}}) {
        const int limit = 47 + 36 + bytes * 36 + 8 + 36; // exactly room for `bytes`
        std::vector<Sample> out(3000, 0);
        const I2cBuild b = buildI2cStream(p, s, 0, false, out, limit + spare, 10);
        const int fitted = bytes + spare;
        if (fitted == 0) {
            EXPECT_EQ(b.count, 47 + 36 + 40); // START, the address, STOP
            continue;
        }
        EXPECT_TRUE(b.truncated);
        ASSERT_EQ(b.count, 47 + 36 + fitted * 36 + 40) << spare;
        EXPECT_EQ(lines(out, 3, 4, 47 + 36 + (fitted - 1) * 36, b.count - 40), bitsText("010101011"));
        EXPECT_EQ(commandField(out[static_cast<std::size_t>(b.count - 4)]), 0x700u);
    }
    // A 10-bit write address that exactly fits is sent; the data after it is not.
    s.addressing = I2cAddressing::TenBit;
    ASSERT_EQ(checkI2c(s, "Aw=12c;D=1;", capabilitiesFor(0xC350), p), Msg::None);
    for (int spare : {0, -1}) {
        std::vector<Sample> out(3000, 0);
        const I2cBuild b = buildI2cStream(p, s, 0, false, out, 47 + 18 * 4 + 8 + 36 + spare, 10);
        EXPECT_EQ(b.count, 47 + (spare == 0 ? 18 * 4 : 0) + 40) << spare;
    }
}

} // namespace
} // namespace qv::gen
