// The USB 1.1 builder: the CRCs on the known packets, the rows Edit Packet writes, the list lines
// read back cell by cell with bounds, SYNC, stuffing, NRZI and EOP as line states, the frame gap
// measured SOF to SOF, and the sample limit checked before a row is written.
#include "generators/usb.h"

#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

namespace qv::gen {
namespace {

// The lines as states: J (D+ high, D- low), K (D+ low, D- high), 0 (SE0), ? (both high).
std::string states(std::span<const Sample> samples, int dPlus, int from, int to) {
    std::string out;
    for (int i = from; i < to; ++i) {
        const bool p = channelLevel(samples[static_cast<std::size_t>(i)], dPlus);
        const bool m = channelLevel(samples[static_cast<std::size_t>(i)], dPlus + 1);
        out += p && !m ? 'J' : !p && m ? 'K' : !p ? '0' : '?';
    }
    return out;
}

std::vector<UsbUnit> units(const std::vector<std::string>& lines) {
    std::vector<UsbUnit> read;
    EXPECT_EQ(readUsbList(lines, read).line, 0);
    return read;
}

std::string row(const UsbPacketFields& f) {
    UsbCells cells;
    EXPECT_EQ(usbPacketCells(f, cells), Msg::None);
    return usbLineOfCells(cells);
}

std::vector<std::uint8_t> bitsOf(std::string_view text) {
    std::vector<std::uint8_t> bits;
    for (char c : text) bits.push_back(c == '1');
    return bits;
}

TEST(Usb, CrcsOfTheKnownPacketsAndTheRowsEditPacketWrites) {
    EXPECT_EQ(row({UsbPid::Sof, "288", "", "", ""}), "SYNC SOF 288   1   EOP ");
    EXPECT_EQ(row({UsbPid::Sof, "289", "", "", ""}), "SYNC SOF 289   1E   EOP ");
    EXPECT_EQ(row({UsbPid::Setup, "", "1", "0", ""}), "SYNC SETUP  1 0 17   EOP ");
    EXPECT_EQ(row({UsbPid::Out, "", "1", "2", ""}), "SYNC OUT  1 2 3   EOP ");
    EXPECT_EQ(row({UsbPid::Sof, "7ff", "", "", ""}), row({UsbPid::Sof, "7FF", "", "", ""})); // lower case as hex
    EXPECT_EQ(row({UsbPid::Data0, "", "", "", "C0;C;84;0;\r\n0;0;1;0;"}), "SYNC DATA0     C0;C;84;0;0;0;1;0; 60E EOP ");
    EXPECT_EQ(row({UsbPid::Data1, "", "", "", "5a;F;66;1;"}), "SYNC DATA1     5A;F;66;1; EC06 EOP ");
    EXPECT_EQ(row({UsbPid::Data0, "", "", "", ""}), "SYNC DATA0      0 EOP "); // zero length: CRC16 0000
    EXPECT_EQ(row({UsbPid::Data0, "", "", "", "1;2;tail"}), "SYNC DATA0     1;2;TAIL 7E78 EOP "); // tail ignored
    EXPECT_EQ(row({UsbPid::Data0, "", "", "", "1;2;"}), "SYNC DATA0     1;2; 7E78 EOP ");
    EXPECT_EQ(row({UsbPid::Nack, "5", "", "", "1;"}), "SYNC NACK       EOP "); // fields it does not use dropped

    UsbCells cells;
    UsbMissingFields missing;
    EXPECT_EQ(usbPacketCells({UsbPid::Sof, "", "1", "1", ""}, cells, &missing), Msg::UsbWrongSetting);
    EXPECT_TRUE(missing.frameNumber);
    EXPECT_FALSE(missing.address);
    EXPECT_EQ(usbPacketCells({UsbPid::In, "", "", "3", ""}, cells, &missing), Msg::UsbWrongSetting);
    EXPECT_TRUE(missing.address);
    EXPECT_FALSE(missing.endpoint);
    EXPECT_EQ(usbPacketCells({UsbPid::Ack, "", "", "", ""}, cells, &missing), Msg::None);

    // The built-in sample carries the CRCs Edit Packet computes.
    const std::vector<std::string> sample = splitListText(usbSampleText());
    ASSERT_EQ(sample.size(), 8u);
    for (const std::string& line : sample) {
        const auto read = usbCellsOfLine(line);
        ASSERT_TRUE(read) << line;
        EXPECT_EQ(row(usbFieldsOfCells(*read)), line);
    }
    const UsbPacketFields data1 = usbSampleFields(UsbPid::Data1);
    EXPECT_EQ(usbDataItems(data1.data), (std::vector<std::uint64_t>{0x5A, 0xF, 0x66, 0xA, 0}));
}

TEST(Usb, LinesAreNineCellsReadByColumn) {
    // A line without its trailing blank keeps its last token; lower case is read as upper.
    EXPECT_EQ(usbCellsOfLine("sync ack       eop"), usbCellsOfLine("SYNC ACK       EOP "));
    EXPECT_FALSE(usbCellsOfLine("SYNC ACK      EOP ")); // eight cells
    EXPECT_FALSE(usbCellsOfLine("SYNC ACK        EOP ")); // ten
    EXPECT_FALSE(usbCellsOfLine("SYNC ACK       EOP  "));
    EXPECT_TRUE(usbCellsOfLine("SYNC SOF 123456789ABCDEF   1   EOP "));
    EXPECT_FALSE(usbCellsOfLine("SYNC SOF 123456789ABCDEF0   1   EOP ")); // 16 characters
    EXPECT_TRUE(usbCellsOfLine("SYNC DATA0     " + std::string(6143, '1') + " 0 EOP "));
    EXPECT_FALSE(usbCellsOfLine("SYNC DATA0     " + std::string(6144, '1') + " 0 EOP "));

    const std::vector<std::string> bad = {"SYNC ACK       EOP ", "SYNC ACK      EOP "};
    std::vector<UsbUnit> read;
    EXPECT_EQ(readUsbList(bad, read).line, 2);
    for (const char* line : {"SYNC HELLO       EOP ", "SINK ACK       EOP ", "SYNC ACK       END "}) {
        UsbUnit unit;
        EXPECT_EQ(readUsbLine(line, unit), Msg::ListLineUnreadable) << line;
    }

    // Fields by column: PID, field bits least significant first, the CRC most significant first.
    UsbUnit unit;
    ASSERT_EQ(readUsbLine("SYNC SETUP  1 0 17   EOP ", unit), Msg::None);
    EXPECT_EQ(unit.bits,
              bitsOf("10110100"
                     "1000000"
                     "0000"
                     "10111"));
    // A zero-length DATA packet: PID then its CRC16 cell, never the CRC taken as data.
    ASSERT_EQ(readUsbLine("SYNC DATA1      0 EOP ", unit), Msg::None);
    EXPECT_EQ(unit.bits,
              bitsOf("11010010"
                     "0000000000000000"));
    // A wider value keeps all its bits.
    ASSERT_EQ(readUsbLine("SYNC SOF FFF   0   EOP ", unit), Msg::None);
    EXPECT_EQ(unit.bits.size(), 8u + 12u + 5u);
    ASSERT_EQ(readUsbLine(" ACK        ", unit), Msg::None);
    EXPECT_FALSE(unit.sync);
    EXPECT_FALSE(unit.eop);
}

TEST(Usb, StuffingNrziAndTheCrcRegisters) {
    EXPECT_EQ(usbStuffed(bitsOf("1111110111111")),
              bitsOf("11111100"
                     "1111110"));
    EXPECT_EQ(usbStuffed(bitsOf("11111")), bitsOf("11111"));
    std::vector<std::uint8_t> line;
    usbNrzi(bitsOf("1100"), line);
    EXPECT_EQ(line, bitsOf("0010"));
    EXPECT_EQ(usbCrc16({}), 0u);
    EXPECT_EQ(usbFrameSamples(12000000), 12000);
    // Cells read as hexadecimal up to the first other character.
    EXPECT_EQ(usbHexValue("7fF"), 0x7FFu);
    EXPECT_EQ(usbHexValue("2G5"), 2u);
    EXPECT_EQ(usbHexValue("Z"), 0u);
    EXPECT_EQ(usbHexValue("123456789ABCDEF01"), 0x123456789ABCDEF0u); // 16 digits count
    EXPECT_EQ(usbFrameSamples(200000000), 200000); // x 10^6 is past 32 bits
}

TEST(Usb, PacketsAsLineStates) {
    std::vector<Sample> out(400, 0);
    UsbSettings s;
    s.channel = 3;
    const UsbBuild ack = buildUsbStream(units({"SYNC ACK       EOP "}), s, 12000000, 0, out, 400);
    ASSERT_EQ(ack.error, Msg::None);
    EXPECT_EQ(ack.count, 20 + 28);
    EXPECT_EQ(states(out, 3, 0, ack.count),
              std::string(20, 'J') +
                  "KJKJKJKK"
                  "JJKJJKKK"
                  "00" +
                  std::string(10, 'J'));
    EXPECT_EQ(test::commandsText(out, 2, 4), "600 700");
    EXPECT_EQ(test::commandsText(out, ack.count - 4, ack.count - 3), "700");

    // FF FF FF: a stuffed 0 (a change of state) after every six ones.
    const UsbBuild data = buildUsbStream(units({"SYNC DATA0     FF;FF;FF; 0 EOP "}), s, 12000000, 18, out, 400);
    const std::string sent = states(out, 3, 28, data.count - 12);
    EXPECT_EQ(sent.substr(0, 8), "KKJKJKKK"); // DATA0: 1100 0011 from K
    EXPECT_EQ(sent.substr(8, 12), "KKKKJJJJJJJK"); // the PID's two ones and four: a stuffed 0, six ones, a stuffed 0
    EXPECT_EQ(sent.size(), 8u + 24u + 4u + 16u);
    EXPECT_EQ(test::commandsText(out, 4, 7), "8FF 2FF 900");

    // Without EOP a packet row sends only its SYNC; Repeat jumps to sample 19.
    s.repeat = true;
    const UsbBuild open = buildUsbStream(units({"SYNC SOF 1   1    "}), s, 12000000, 0, out, 400);
    EXPECT_EQ(open.count, 20 + 8 + 10);
    EXPECT_EQ(test::commandsText(out, open.count - 6, open.count - 3), "813 200 100");
}

TEST(Usb, FrameGapMakesOneMillisecondFromSofToSof) {
    std::vector<Sample> out(30000, 0);
    const UsbSettings s;
    const auto sofStarts = [&](int count) {
        std::vector<int> starts;
        const std::string line = states(out, 0, 0, count);
        for (std::size_t at = line.find("KJKJKJKKKJJKJJKK"); at != std::string::npos;
             at = line.find("KJKJKJKKKJJKJJKK", at + 1))
            starts.push_back(static_cast<int>(at)); // SYNC and the SOF PID
        return starts;
    };
    const std::vector<std::string> frame = {"SYNC SOF 1   1   EOP ", "SYNC SETUP  1 0 17   EOP ",
                                            "SYNC DATA0     FF;FF;FF;FF; 0 EOP ", "SYNC SOF 2   1   EOP ",
                                            "SYNC SOF 3   1   EOP "};
    const UsbBuild built = buildUsbStream(units(frame), s, 12000000, 0, out, 30000);
    ASSERT_EQ(built.error, Msg::None);
    std::vector<int> starts = sofStarts(built.count);
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[1] - starts[0], 12000);
    EXPECT_EQ(starts[2] - starts[1], 12000);
    // Below 44 kHz a frame is shorter than its packets: the least idle gap.
    const UsbBuild slow = buildUsbStream(units(frame), s, 40000, 0, out, 30000);
    starts = sofStarts(slow.count);
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[2] - starts[1], 34 + 10);
}

TEST(Usb, SampleLimitCheckedBeforeEachRow) {
    const Sample guard = ~Sample{0};
    std::vector<Sample> out(200, guard);
    const auto acks = units({"SYNC ACK       EOP ", "SYNC ACK       EOP "});
    EXPECT_EQ(buildUsbStream(acks, {}, 12000000, 0, out, 20 + 56).count, 76);
    std::fill(out.begin(), out.end(), guard);
    const UsbBuild over = buildUsbStream(acks, {}, 12000000, 0, out, 20 + 55);
    EXPECT_EQ(over.error, Msg::CantRunDataTooBig);
    EXPECT_EQ(over.count, 48);
    for (std::size_t i = 48; i < out.size(); ++i) ASSERT_EQ(out[i], guard) << i;
    // A frame gap past the limit is refused before it is written.
    const auto frames = units({"SYNC SOF 1   1   EOP ", "SYNC SOF 2   1   EOP "});
    EXPECT_EQ(buildUsbStream(frames, {}, 12000000, 0, out, 200).error, Msg::CantRunDataTooBig);
    EXPECT_EQ(buildUsbStream({}, {}, 12000000, 0, out, 19).error, Msg::CantRunDataTooBig);
    EXPECT_EQ(buildUsbStream({}, {}, 12000000, 0, out, 20).count, 20); // the lead-in alone

    UsbSettings s;
    s.channel = 14;
    EXPECT_EQ(validateUsb(s, capabilitiesFor(0xB016)), Msg::None);
    s.channel = 15;
    EXPECT_EQ(validateUsb(s, capabilitiesFor(0xB016)), Msg::ErrorChannelSetting);
    const Capabilities fifty = capabilitiesFor(0xC350);
    s.channel = 48;
    EXPECT_EQ(validateUsb(s, fifty), Msg::None);
    s.channel = 49;
    EXPECT_EQ(validateUsb(s, fifty), Msg::ErrorChannelSetting);
    s.channel = 0;
    s.rateBitsPerSecond = fifty.maxOutputFrequency + 1.0;
    EXPECT_EQ(validateUsb(s, fifty), Msg::RateOutOfRange);
}

TEST(Usb, RunOnTheEngine) {
    test::driverRecording = test::DriverRecording{};
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, 1, interlock, flags, prompt, capabilitiesFor(0xC350)};
    ports.pause = [](int) {};
    std::vector<Sample> buffer(static_cast<std::size_t>(ports.capabilities.sampleBufferBytes / 8), 0);
    const UsbRunResult run = runUsb(ports, {}, {"SYNC ACK       EOP "}, buffer);
    EXPECT_EQ(run.outcome.result, OutputResult::Running);
    EXPECT_EQ(test::driverRecording.written.size(), 48u);
    EXPECT_EQ(run.outcome.clockHz, 12000000);
    const UsbRunResult bad = runUsb(ports, {}, {"SYNC ACK       EOP ", "SYNC ACK EOP "}, buffer);
    EXPECT_EQ(bad.outcome.error, Msg::ListLineUnreadable);
}

} // namespace
} // namespace qv::gen
