// The SMBus and PMBus tools' core: the lines every protocol composes (PECs worked out by hand from
// the SMBus definition), the fields refused, the packet line read with bounds, the samples of each
// token and the frame, the sample limit checked before each unit, the clock checked at four times
// the rate, and the run on a recording driver.
#include "generators/smbus.h"
#include "generators/smbus_lines.h"

#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

namespace qv::gen {
namespace {

std::string smbus(int protocol, const std::string& data, const std::string& writeData = {}, bool read = true) {
    SmbusEntry e;
    e.protocol = protocol;
    e.data = data;
    e.writeData = writeData;
    e.read = read;
    std::string line;
    const Msg m = composeSmbusLine(e, line);
    return m == Msg::None ? line : "refused " + std::to_string(static_cast<int>(m));
}

std::string items(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "A5;";
    return text;
}

TEST(Smbus, PecIsTheSmbusCrc8) {
    SmbusCrc crc;
    for (std::uint8_t b : {0x20, 0x5A}) crc.addByte(b);
    EXPECT_EQ(crc.value(), 0x2F);
    SmbusCrc word;
    for (std::uint8_t b : {0x20, 0x20, 0x21, 0x34, 0x12}) word.addByte(b);
    EXPECT_EQ(word.value(), 0x51);
    // The text rule: ADDR 7 bits and the next short token's R/W; NAME= values and short data tokens 8 bits.
    EXPECT_EQ(packetLinePec("S ADDR=10 W ACK 5A ACK "), 0x2F);
    EXPECT_EQ(packetLinePec("S ADDR=10 W ACK CMD=20 ACK Sr ADDR=10 R ACK L=34 ACK H=12 ACK "), 0x51);
    EXPECT_EQ(packetLinePec("S ADDR=10 W ACK 5 ACK NACK P"), packetLinePec("ADDR=10 W 05"));
    EXPECT_EQ(packetLinePec("S ADDR=10  W ACK  5A ACK "), 0x2F); // an empty token is no R/W bit or byte
}

TEST(Smbus, EveryProtocolComposesItsLine) {
    const std::string head = "S ADDR=10 W ACK CMD=20 ACK ", read = "Sr ADDR=10 R ACK ";
    const std::pair<std::string, std::string> cases[] = {
        {smbus(0, ""), "S ADDR=10 R ACK P "},
        {smbus(0, "", "", false), "S ADDR=10 W ACK P "},
        {smbus(1, "5A;"), "S ADDR=10 W ACK 5A ACK P "},
        {smbus(2, "5a;"), "S ADDR=10 W ACK 5A ACK PEC=2F ACK P "},
        {smbus(3, "5A;"), "S ADDR=10 R ACK 5A NACK P "},
        {smbus(4, "5A;"), "S ADDR=10 R ACK 5A ACK PEC=3A NACK P "},
        {smbus(5, "5A;"), head + "5A ACK P "},
        {smbus(6, "34;12;"), head + "L=34 ACK H=12 ACK P "},
        {smbus(7, "5A;"), head + "5A ACK PEC=6C ACK P "},
        {smbus(8, "34;12;"), head + "L=34 ACK H=12 ACK PEC=5E ACK P "},
        {smbus(9, "FF;"), head + read + "FF NACK P "},
        {smbus(10, "FF;"), head + read + "FF ACK PEC=C5 NACK P "},
        {smbus(11, "34;12;"), head + read + "L=34 ACK H=12 NACK P "},
        {smbus(12, "34;12;"), head + read + "L=34 ACK H=12 ACK PEC=51 NACK P "},
        {smbus(13, "33;44;", "11;22;"), head + "L=11 ACK H=22 ACK " + read + "L=33 ACK H=44 NACK P "},
        {smbus(14, "33;44;", "11;22;"), head + "L=11 ACK H=22 ACK " + read + "L=33 ACK H=44 ACK PEC=1D NACK P "},
        {smbus(15, "1;2;3"), head + "BYTECOUNT=3 ACK 1 ACK 2 ACK 3 ACK P "},
        {smbus(16, "01;02;"), head + "BYTECOUNT=2 ACK 01 ACK 02 ACK PEC=67 ACK P "},
        {smbus(17, "01;"), head + read + "BYTECOUNT=1 ACK 01 NACK P "},
        {smbus(18, "01;"), head + read + "BYTECOUNT=1 ACK 01 ACK PEC=90 NACK P "},
        // Each BYTECOUNT counts its own part.
        {smbus(19, "01;02;03;", "AA;BB;"),
         head + "BYTECOUNT=2 ACK AA ACK BB ACK " + read + "BYTECOUNT=3 ACK 01 ACK 02 ACK 03 NACK P "},
        {smbus(20, "01;02;03;", "AA;BB;"),
         head + "BYTECOUNT=2 ACK AA ACK BB ACK " + read + "BYTECOUNT=3 ACK 01 ACK 02 ACK 03 ACK PEC=79 NACK P "},
        {smbus(15, items(26)).substr(0, 44), head + "BYTECOUNT=1a ACK "}, // lower-case count
    };
    for (const auto& [got, wanted] : cases) EXPECT_EQ(got, wanted);
    // The PECs written above, from the bytes each line puts on the bus.
    auto crcOf = [](std::initializer_list<std::uint8_t> bytes) {
        SmbusCrc c;
        for (std::uint8_t b : bytes) c.addByte(b);
        return c.value();
    };
    EXPECT_EQ(crcOf({0x20, 0x20, 0x5A}), 0x6C);
    EXPECT_EQ(crcOf({0x20, 0x20, 0x34, 0x12}), 0x5E);
    EXPECT_EQ(crcOf({0x20, 0x20, 0x21, 0xFF}), 0xC5);
    EXPECT_EQ(crcOf({0x20, 0x20, 0x02, 0x01, 0x02}), 0x67);
    EXPECT_EQ(crcOf({0x20, 0x20, 0x21, 0x01, 0x01}), 0x90);
}

TEST(Smbus, FieldsAreCheckedBeforeALineIsWritten) {
    EXPECT_EQ(smbus(15, items(32)).size(), 27u + 17u + 32u * 7u + 2u); // 32 items fit
    EXPECT_EQ(smbus(15, items(33)), "refused 12114");
    EXPECT_EQ(smbus(19, "01;", items(33)), "refused 12114"); // the write part too
    EXPECT_EQ(smbus(19, items(33), "01;"), "refused 12114");
    EXPECT_EQ(smbus(1, ""), "refused 19404");
    EXPECT_EQ(smbus(1, "XY;"), "refused 19401");
    EXPECT_EQ(smbus(1, "100;"), "refused 19401");
    EXPECT_EQ(smbus(13, "01;"), "refused 19405"); // Sr not pressed
    EXPECT_EQ(smbus(smbusProtocolCount, "01;"), "refused 12079");
    EXPECT_EQ(smbus(-1, "01;"), "refused 12079");
    SmbusEntry e;
    std::string line = "unchanged";
    e.address = "80";
    EXPECT_EQ(composeSmbusLine(e, line), Msg::SmbusAddressRange);
    e.address = " 7f ";
    e.protocol = 5;
    e.command = "100";
    e.data = "1";
    EXPECT_EQ(composeSmbusLine(e, line), Msg::SmbusCommandRange);
    EXPECT_EQ(line, "unchanged");
    e.command = "0ff";
    ASSERT_EQ(composeSmbusLine(e, line), Msg::None);
    EXPECT_EQ(line, "S ADDR=7F W ACK CMD=FF ACK 1 ACK P ");

    std::vector<std::string> read;
    EXPECT_EQ(readDataItems(" 1a ;\r\n b2;;\r\n", read), Msg::None);
    EXPECT_EQ(read, (std::vector<std::string>{"1A", "B2"}));
    EXPECT_EQ(smbusProtocolUse(0).readWrite, true);
    EXPECT_EQ(smbusProtocolUse(3).readOnly, true);
    EXPECT_EQ(smbusProtocolUse(19).repeatedStart, true);
    EXPECT_EQ(smbusProtocolUse(17).repeatedStart, false);
}

TEST(Pmbus, GroupAndExtendedCommandsComposeTheirLines) {
    PmbusLine line;
    PmbusEntry e;
    e.protocol = 1; // group command with PEC: each device's PEC covers its own part
    e.data = "01;";
    ASSERT_EQ(line.repeatedStart(e), Msg::None);
    EXPECT_TRUE(line.underWay());
    e.address = "11";
    e.command = "21";
    e.data = "02;03;";
    std::string done;
    ASSERT_EQ(line.finish(e, done), Msg::None);
    EXPECT_EQ(done,
              "S ADDR=10 W ACK CMD=20 ACK L=01 ACK PEC=EA ACK Sr ADDR=11 W ACK CMD=21 ACK L=02 ACK H=03 ACK "
              "PEC=E9 ACK P ");
    EXPECT_FALSE(line.underWay());

    const std::string head = "S ADDR=10 W ACK EXTCMD=30 ACK CMD=20 ACK ", read = "Sr ADDR=10 R ACK ";
    const std::pair<int, std::string> cases[] = {
        {0, "S ADDR=10 W ACK CMD=20 ACK L=5A ACK H=A5 ACK P "},
        {2, head + read + "5A NACK A5 NACK P "},
        {3, head + read + "5A ACK A5 ACK PEC=77 NACK P "}, // the whole transaction
        {4, head + "5A ACK A5 ACK P "},
        {5, head + "5A ACK A5 ACK PEC=72 ACK P "},
        {6, head + read + "L=5A ACK H=A5 NACK P "},
        {7, head + read + "L=5A ACK H=A5 ACK PEC=77 NACK P "},
        {8, head + "L=5A ACK H=A5 ACK P "},
        {9, head + "L=5A ACK H=A5 ACK PEC=72 ACK P "},
    };
    for (const auto& [protocol, wanted] : cases) {
        PmbusEntry x;
        x.protocol = protocol;
        x.data = "5A;A5;";
        ASSERT_EQ(line.finish(x, done), Msg::None) << protocol;
        EXPECT_EQ(done, wanted) << protocol;
    }
    SmbusCrc whole, write;
    for (std::uint8_t b : {0x20, 0x30, 0x20, 0x21, 0x5A, 0xA5}) whole.addByte(b);
    for (std::uint8_t b : {0x20, 0x30, 0x20, 0x5A, 0xA5}) write.addByte(b);
    EXPECT_EQ(whole.value(), 0x77);
    EXPECT_EQ(write.value(), 0x72);

    e = PmbusEntry{};
    e.protocol = pmbusProtocolCount;
    EXPECT_EQ(line.finish(e, done), Msg::ErrorParameterSetting);
    e.protocol = 2;
    EXPECT_EQ(line.repeatedStart(e), Msg::PmbusSrGroupOnly);
    e.data = "1;";
    e.extension = "100";
    EXPECT_EQ(line.finish(e, done), Msg::PmbusExtensionRange);
    e.protocol = 0;
    ASSERT_EQ(line.repeatedStart(e), Msg::None);
    e.protocol = 4;
    e.extension = "30";
    EXPECT_EQ(line.finish(e, done), Msg::PmbusGroupUnderWay);
    e.protocol = 0;
    e.data = "";
    ASSERT_EQ(line.finish(e, done), Msg::None); // a group command without data
    EXPECT_EQ(done, "S ADDR=10 W ACK CMD=20 ACK L=1 ACK Sr ADDR=10 W ACK CMD=20 ACK P ");
}

TEST(Smbus, PacketLinesAreReadWithBounds) {
    std::vector<PacketUnit> u;
    ASSERT_EQ(readPacketLine("S ADDR=10 W ACK XY 123 ADDR=1FF P", u), Msg::None);
    const std::vector<PacketUnit> wanted{
        {PacketUnitKind::Start, 0, 0},    {PacketUnitKind::Bits, 7, 0x10}, {PacketUnitKind::Bits, 1, 0},
        {PacketUnitKind::Bits, 1, 0},     {PacketUnitKind::Bits, 8, 0},    {PacketUnitKind::Bits, 9, 0x123},
        {PacketUnitKind::Bits, 9, 0x1FF}, {PacketUnitKind::Stop, 0, 0},    {PacketUnitKind::LineEnd, 0, 0}};
    EXPECT_EQ(u, wanted); // the last token kept without its blank; XY 8 zero bits; wide values whole
    for (const char* bad : {" S P ", "S  P ", "S P  ", "", "S FFFFFFFFF P "}) {
        std::vector<PacketUnit> keep(2);
        EXPECT_EQ(readPacketLine(bad, keep), Msg::ListLineUnreadable) << bad;
        EXPECT_EQ(keep.size(), 2u);
    }
    EXPECT_EQ(packetValue("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(packetValue("0000000000001G"), 1u);
    const std::vector<std::string> list{"S P ", "NACK", "S  P"};
    const ListProblem problem = readPacketList(list, u);
    EXPECT_EQ(problem.line, 3);
    EXPECT_EQ(listProblemText(problem, list), "3 (S  P)");
}

struct Built {
    std::vector<Sample> samples;
    SmbusBuild build;
};
Built build(const std::vector<std::string>& lines, const SmbusSettings& s, int limit = 4000, int cardType = 0) {
    std::vector<PacketUnit> units;
    EXPECT_EQ(readPacketList(lines, units).line, 0);
    Built b{std::vector<Sample>(5000, 0), {}};
    b.build = buildSmbusStream(units, s, cardType, b.samples, limit);
    return b;
}

TEST(Smbus, TokensBecomeClockAndDataSamples) {
    SmbusSettings s;
    s.clockChannel = 3; // SCL 3, SDA 4
    const Built b = build({"S 5 Sr NACK P"}, s);
    const int n = b.build.count;
    ASSERT_EQ(n, 20 + 8 + 8 * 4 + 12 + 4 + 8 + 20);
    EXPECT_EQ(test::levelsText(b.samples, 3, 0, n),
              std::string(20, 'H') + "HHHHLLLL" + "LHHLLHHLLHHLLHHLLHHLLHHLLHHLLHHL" + "LLLLLLHHLLLL" + "LHHL" +
                  "LLLLHHHH" + std::string(20, 'H'));
    EXPECT_EQ(test::levelsText(b.samples, 4, 0, n),
              std::string(20, 'H') + "HHLLLLLL" + "LLLLLLLLLLLLLLLLLLLLHHHHLLLLHHHH" + "LLLLHHHLLLLL" + "HHHH" +
                  "LLLLLLHH" + std::string(20, 'H'));
    for (int i = 0; i < n; ++i) ASSERT_EQ(b.samples[static_cast<std::size_t>(i)] & ~Sample{0x18FFF}, 0u) << i;
    EXPECT_EQ(test::commandsText(b.samples, 0, 8), "000 000 600 700 000 000 000 000");
    EXPECT_EQ(test::commandsText(b.samples, n - 5, n), "000 700 000 000 000");

    s.repeat = true;
    const Built r = build({"S P", "S P"}, s, 4000, 18);
    const int m = r.build.count;
    EXPECT_EQ(m, 20 + 2 * (16 + 20));
    EXPECT_EQ(test::commandsText(r.samples, 2, 7), "600 700 8FF 2FF 900");
    EXPECT_EQ(test::commandsText(r.samples, m - 7, m), "000 813 200 100 000 000 000"); // back to sample 19
}

TEST(Smbus, SampleLimitIsCheckedBeforeEachUnit) {
    std::vector<PacketUnit> units;
    ASSERT_EQ(readPacketList({"S FFFFFFFF FFFFFFFF P "}, units).line, 0);
    const int needed = 20 + 8 + 2 * 128 + 8 + 20;
    std::vector<Sample> out(1000, 0);
    const Sample guard = 0x5A5A5A5A5A5A5000;
    for (std::size_t i = 160; i < out.size(); ++i) out[i] = guard;
    const SmbusBuild cut = buildSmbusStream(units, {}, 0, out, 160);
    EXPECT_EQ(cut.error, Msg::CantRunDataTooBig);
    EXPECT_EQ(cut.count, 20 + 8 + 128);
    for (std::size_t i = 160; i < out.size(); ++i) ASSERT_EQ(out[i], guard) << i;
    EXPECT_EQ(buildSmbusStream(units, {}, 0, out, needed).error, Msg::None);
    EXPECT_EQ(buildSmbusStream(units, {}, 0, out, needed - 1).error, Msg::CantRunDataTooBig);
    EXPECT_EQ(buildSmbusStream(units, {}, 0, std::span(out).first(needed - 1), needed).error, Msg::CantRunDataTooBig);
    EXPECT_EQ(buildSmbusStream({}, {}, 0, out, 19).error, Msg::CantRunDataTooBig);
}

TEST(Smbus, ChannelsAndTheClockAtFourTimesTheRate) {
    EXPECT_EQ(smbusHighestClockChannel(capabilitiesFor(0xC350)), 48);
    EXPECT_EQ(smbusHighestClockChannel(capabilitiesFor(0xC020)), 18);
    EXPECT_EQ(smbusHighestClockChannel(capabilitiesFor(0xB016)), 14);
    Capabilities twenty = capabilitiesFor(0xC350);
    twenty.channelCount = 20; // a 20-channel code outside the list of 18s
    EXPECT_EQ(smbusHighestClockChannel(twenty), 18);
    SmbusSettings s;
    s.clockChannel = 15;
    EXPECT_EQ(validateSmbus(s, capabilitiesFor(0xB016)), Msg::ErrorChannelSetting);
    s.clockChannel = 14;
    EXPECT_EQ(validateSmbus(s, capabilitiesFor(0xB016)), Msg::None);
    s.clockChannel = -1;
    EXPECT_EQ(validateSmbus(s, capabilitiesFor(0xB016)), Msg::ErrorChannelSetting);
    s = SmbusSettings{};
    const Capabilities caps = capabilitiesFor(0xC350);
    s.rateHz = caps.maxOutputFrequency / 4.0;
    EXPECT_EQ(validateSmbus(s, caps), Msg::None);
    EXPECT_EQ(smbusSampleClock(s), caps.maxOutputFrequency);
    s.rateHz = caps.maxOutputFrequency / 4.0 + 1; // twice it would still pass
    EXPECT_EQ(validateSmbus(s, caps), Msg::RateOutOfRange);
    s.rateHz = 0;
    EXPECT_EQ(validateSmbus(s, caps), Msg::RateNotAboveZero);
    s.rateHz = 100000;
    EXPECT_EQ(smbusSampleClock(s), 400000);
}

TEST(Smbus, RunReadsTheListAndLoadsTheStream) {
    test::driverRecording = test::DriverRecording{};
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, 1, interlock, flags, prompt, capabilitiesFor(0xC350)};
    ports.pause = [](int) {};
    std::vector<Sample> buffer(static_cast<std::size_t>(ports.capabilities.sampleBufferBytes / 8), 0);
    EXPECT_EQ(runSmbus(ports, {}, {}, buffer).outcome.result, OutputResult::Refused);
    EXPECT_TRUE(test::driverRecording.calls.empty()); // an empty list touches nothing
    const SmbusRunResult run = runSmbus(ports, {}, {"S ADDR=10 W ACK P "}, buffer);
    EXPECT_EQ(run.outcome.result, OutputResult::Running);
    EXPECT_EQ(run.rateHz, 100000);
    EXPECT_EQ(test::driverRecording.written.size(), 20u + 8u + 9u * 4u + 8u + 20u);
    const auto& calls = test::driverRecording.calls;
    EXPECT_NE(std::find(calls.begin(), calls.end(), "setfreq 400000 mode 0 word 0"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "eventsel 2"), calls.end());

    // A clock the instrument cannot make: Yes takes the nearest, and the rate follows it.
    test::driverRecording = test::DriverRecording{};
    test::driverRecording.setFreqResult = 0;
    test::ScriptedPrompt yes({Answer::Yes});
    OutputPorts asked{driver, 1, interlock, flags, yes, capabilitiesFor(0xC350)};
    asked.pause = [](int) {};
    SmbusSettings odd;
    odd.rateHz = 333333;
    const SmbusRunResult nearby = runSmbus(asked, odd, {"S P"}, buffer);
    ASSERT_EQ(yes.asked, std::vector<int>{static_cast<int>(Msg::CantGenerateFrequency)});
    EXPECT_EQ(nearby.rateHz, nearby.outcome.clockHz / 4.0);

    test::ScriptedPrompt shown;
    OutputPorts other{driver, 1, interlock, flags, shown, capabilitiesFor(0xC350)};
    EXPECT_EQ(runSmbus(other, {}, {"S P", "S  P"}, buffer).outcome.error, Msg::ListLineUnreadable);
    ASSERT_EQ(shown.shown.size(), 1u);
    EXPECT_EQ(shown.shown[0].second, "2 (S  P)");
}

} // namespace
} // namespace qv::gen
