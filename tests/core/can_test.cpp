// The CAN builder: the frame bits and CRC-15 against known frames, stuffing at the CRC's end, the
// lines Add writes for good and faulty frames, bounded reading of imported lines, the sample
// limit checked before a unit is written, and the run on the output engine.
#include "generators/can.h"

#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::gen {
namespace {

std::string bitsText(const CanBits& b, int from, int to) {
    std::string out;
    for (int i = from; i < to; ++i) out += b.bits[static_cast<std::size_t>(i)] ? '1' : '0';
    return out;
}

CanFrame frame(std::uint32_t id, std::initializer_list<std::uint8_t> data) {
    CanFrame f;
    f.id = id;
    f.dlc = static_cast<int>(data.size());
    std::copy(data.begin(), data.end(), f.data.begin());
    f.crc = canFrameCrc(f);
    return f;
}

struct Built {
    std::vector<Sample> samples = std::vector<Sample>(4096, 0);
    CanBuild build;
};
Built build(const std::vector<std::string>& lines, int limit = 4000, CanSettings s = {}) {
    std::vector<CanUnit> units;
    EXPECT_EQ(readCanList(lines, units).line, 0);
    Built b;
    b.build = buildCanStream(units, s, 0, b.samples, limit);
    return b;
}

TEST(Can, FrameBitsAndKnownCrcs) {
    const CanFrame f = CanFrame{};
    EXPECT_EQ(bitsText(canFrameBits(f), 0, 19), "0111110000110001000");
    EXPECT_EQ(canFrameCrc(f), 0x416Cu);
    EXPECT_EQ(canFrameCrc(frame(0x123, {0x08})), 0x1460u);
    EXPECT_EQ(canFrameCrc(frame(0x030, {0xFC})), 0x7FFFu); // the top CRC value is a real one
    CanFrame extended = frame(0x1ABCDEF, {});
    extended.format = CanIdFormat::Bits29;
    // SOF, base id 00001101010, SRR IDE 11, 18-bit extension, RTR, r1 r0, DLC 0000
    EXPECT_EQ(bitsText(canFrameBits(extended), 0, 39),
              "0"
              "00001101010"
              "11"
              "111100110111101111"
              "0"
              "00"
              "0000");
    CanFrame remote = CanFrame{};
    remote.kind = CanFrameKind::Remote;
    remote.rtr = 1;
    EXPECT_EQ(canFrameBits(remote).size, 19); // no data field
}

TEST(Can, StuffingCoversTheCrcEnd) {
    const CanFrame f = frame(0x123, {0x08});
    const Built b = build({canFrameLine(f, CanFault::None)});
    // SOF..CRC is 42 bits, 45 once stuffed; the CRC 1460 ends in five zeros, so a stuff bit
    // follows it before the CRC delimiter.
    const std::string low = test::levelsText(b.samples, 1, 16, 16 + 45);
    EXPECT_EQ(low.substr(40, 5), "LLLLH");
    EXPECT_EQ(test::levelsText(b.samples, 1, 61, 61 + 3), "HLH"); // CRC delimiter, ACK 0, ACK delimiter
    EXPECT_EQ(b.build.count, 16 + 45 + 3 + 7 + 4);
    for (int i = 0; i < b.build.count; ++i)
        ASSERT_NE(channelLevel(b.samples[static_cast<std::size_t>(i)], 0),
                  channelLevel(b.samples[static_cast<std::size_t>(i)], 1))
            << i;
    // Ten ones inside the stuffed part go out as five ones, a zero, five ones and a zero.
    const CanFrame ones = frame(0x7FF, {0xFF});
    const std::string text = test::levelsText(build({canFrameLine(ones, CanFault::None)}).samples, 1, 16, 30);
    EXPECT_EQ(text.substr(0, 14), "LHHHHHLHHHHHLH");
}

TEST(Can, AddWritesGoodAndFaultyEntries) {
    test::ScriptedPrompt none;
    EXPECT_EQ(canAddLines(CanFrame{}, none),
              std::vector<std::string>{"DATA, 11, ID = 7C3, RTR = 0, DLC = 8, Data = 11 22 33 44 55 66 77 88 , "
                                       "CRC = 416C, CRC Deli = 1, ACK = 0, IS = 4."});
    CanFrame f = CanFrame{};
    f.crc = 0x1234;
    test::ScriptedPrompt yes({Answer::Yes});
    const std::vector<std::string> crcError = canAddLines(f, yes);
    ASSERT_EQ(crcError.size(), 2u);
    EXPECT_TRUE(crcError[0].ends_with("CRC = 1234."));
    EXPECT_EQ(crcError[1], "CRC Error: Active Error(CRC).");
    EXPECT_EQ(yes.asked, std::vector<int>{static_cast<int>(Msg::CanCrcErrorQuestion)});
    f = CanFrame{};
    f.interframeSpace = 2;
    test::ScriptedPrompt no({Answer::No});
    const std::vector<std::string> formError = canAddLines(f, no);
    ASSERT_EQ(formError.size(), 2u);
    EXPECT_TRUE(formError[0].ends_with("CRC Deli = 1, ACK = 0."));
    EXPECT_EQ(formError[1], "Form Error: Passive Error(Interframe Space).");
    f.crcDelimiter = 0;
    test::ScriptedPrompt cancel({Answer::Cancel});
    EXPECT_TRUE(canAddLines(f, cancel).empty());
    EXPECT_EQ(cancel.asked, std::vector<int>{static_cast<int>(Msg::CanFormErrorQuestion)});

    struct Refusal {
        void (*change)(CanFrame&);
        Msg message;
    } refusals[] = {
        {[](CanFrame& g) { g.id = 0x800; }, Msg::CanIdTooBig},
        {[](CanFrame& g) { g.crc = 0x8000; }, Msg::CanCrcOverload},
        {[](CanFrame& g) { g.crcDelimiter = 2; }, Msg::CanCrcDelimiterRange},
        {[](CanFrame& g) { g.ack = 2; }, Msg::CanAckRange},
    };
    for (const Refusal& r : refusals) {
        CanFrame g = CanFrame{};
        r.change(g);
        test::ScriptedPrompt shown;
        EXPECT_TRUE(canAddLines(g, shown).empty());
        ASSERT_EQ(shown.shown.size(), 1u);
        EXPECT_EQ(shown.shown[0].first, static_cast<int>(r.message));
    }
    std::string id = "7ff";
    EXPECT_EQ(checkCanIdText(id, CanIdFormat::Bits11), Msg::CanIdOk);
    EXPECT_EQ(id, "7FF");
    id = "800";
    EXPECT_EQ(checkCanIdText(id, CanIdFormat::Bits11), Msg::CanIdTooBig);
    EXPECT_EQ(checkCanIdText(id, CanIdFormat::Bits29), Msg::CanIdOk);
    id = "20000000";
    EXPECT_EQ(checkCanIdText(id, CanIdFormat::Bits29), Msg::CanIdTooBig);
    id = "7G";
    EXPECT_EQ(checkCanIdText(id, CanIdFormat::Bits11), Msg::CanPleaseInputHex);
}

TEST(Can, ErrorFramesAndTruncatedFrames) {
    CanFrame f = CanFrame{};
    f.crc = 0x1234;
    const Built b = build({canFrameLine(f, CanFault::Crc), "CRC Error: Active Error(CRC).",
                           canFrameLine(f, CanFault::Crc), "CRC Error: Passive Error(CRC)."});
    const int frameBits = build({canFrameLine(f, CanFault::Crc)}).build.count - 16; // SOF..CRC stuffed
    const int firstError = 16 + frameBits;
    EXPECT_EQ(test::levelsText(b.samples, 1, firstError, firstError + 14), "LLLLLLHHHHHHHH");
    const int secondError = firstError + 14 + frameBits;
    EXPECT_EQ(test::levelsText(b.samples, 1, secondError, secondError + 14), std::string(14, 'H'));
    EXPECT_EQ(b.build.count, secondError + 14);
}

TEST(Can, ImportedLinesAreReadWithBounds) {
    const std::string good = canFrameLine(CanFrame{}, CanFault::None);
    CanUnit unit;
    ASSERT_EQ(readCanLine(good, unit), Msg::None);
    EXPECT_EQ(unit.frame.crc, 0x416Cu);
    EXPECT_EQ(unit.frame.data[7], 0x88);
    EXPECT_TRUE(unit.hasInterframeSpace);
    const std::string bad[] = {
        "DATA, 11, ID = 7C3, RTR = 0, DLC = 15, Data = 11 22 , CRC = 416C, CRC Deli = 1, ACK = 0, IS = 4.",
        "DATA, 11, ID = 7C3, RTR = 0, DLC = 8, Data = 11 22 , CRC = 416C, CRC Deli = 1, ACK = 0, IS = 4.",
        "DATA, 11, ID = 7C3, RTR = 0, DLC = 0, Data = , CRC = 1FFFF, CRC Deli = 1, ACK = 0, IS = 4.",
        "DATA, 11, ID = 7C3, RTR = 0, DLC = 0, Data = , CRC = 0, CRC Deli = 1, ACK = 0, IS = -5.",
        "DATA, 11, ID = 7C3, RTR = 0, Data = , CRC = 0, CRC Deli = 1, ACK = 0, IS = 4.",
        "DATA, 11, ID = 800, RTR = 0, DLC = 0, Data = , CRC = 0.",
        "DATA, 11, ID = 7C3, RTR = 0, DLC = 0, Data = , CRC = 0, ACK = 0.",
        "DATA, 12, ID = 7C3",
        "DATA, 11, ID =",
        "Something else.",
    };
    for (const std::string& line : bad) EXPECT_NE(readCanLine(line, unit), Msg::None) << line;
    std::vector<CanUnit> units;
    const ListProblem problem = readCanList({good, good, bad[0]}, units);
    EXPECT_EQ(problem.line, 3);
    EXPECT_EQ(listProblemText(problem, {good, good, bad[0]}).substr(0, 25), "3 (DATA, 11, ID = 7C3, RT");
}

TEST(Can, SampleLimitIsCheckedBeforeEachUnit) {
    CanFrame f = CanFrame{};
    f.interframeSpace = 1000000;
    std::vector<CanUnit> units;
    ASSERT_EQ(readCanList({canFrameLine(CanFrame{}, CanFault::None), canFrameLine(f, CanFault::None)}, units).line, 0);
    std::vector<Sample> out(1000, 0);
    const Sample guard = 0x5A5A5A5A5A5A5000;
    for (std::size_t i = 500; i < out.size(); ++i) out[i] = guard;
    const CanBuild b = buildCanStream(units, {}, 0, out, 500);
    EXPECT_EQ(b.error, Msg::CantRunDataTooBig);
    for (std::size_t i = 500; i < out.size(); ++i) ASSERT_EQ(out[i], guard) << i;
    // Exactly at the limit fits; one more sample does not.
    ASSERT_EQ(readCanList({canFrameLine(CanFrame{}, CanFault::None)}, units).line, 0);
    const int needed = buildCanStream(units, {}, 0, out, 500).count;
    EXPECT_EQ(buildCanStream(units, {}, 0, out, needed).error, Msg::None);
    EXPECT_EQ(buildCanStream(units, {}, 0, out, needed - 1).error, Msg::CantRunDataTooBig);
}

TEST(Can, ChannelsRateAndFrameCommands) {
    EXPECT_EQ(canHighestHighChannel(0xC350), 48); // CAN_Low on 49, never on bit 62
    EXPECT_EQ(canHighestHighChannel(0xC020), 18);
    EXPECT_EQ(canHighestHighChannel(0xB016), 14);
    CanSettings s;
    s.highChannel = 49;
    EXPECT_EQ(validateCan(s, capabilitiesFor(0xC350)), Msg::ErrorChannelSetting);
    s.highChannel = 48;
    EXPECT_EQ(validateCan(s, capabilitiesFor(0xC350)), Msg::None);
    s.rateBitsPerSecond = 4.1e6 - 1e-7; // the rate entry's 4.1 M
    EXPECT_EQ(canSampleClock(s), 4100000);
    s.rateBitsPerSecond = 300e6;
    EXPECT_EQ(validateCan(s, capabilitiesFor(0xC350)), Msg::RateOutOfRange);

    s = CanSettings{};
    s.repeat = true;
    s.highChannel = 5;
    const Built b = build({canFrameLine(CanFrame{}, CanFault::None)}, 4000, s);
    const int n = b.build.count;
    EXPECT_EQ(test::commandsText(b.samples, 0, 5), "000 000 600 700 000");
    EXPECT_EQ(test::commandsText(b.samples, n - 6, n - 3), "80F 200 100");
    EXPECT_EQ(test::levelsText(b.samples, 6, 0, 16), std::string(16, 'H')); // recessive lead-in on CAN_Low
    EXPECT_EQ(test::levelsText(b.samples, 5, 0, 16), std::string(16, 'L'));
}

TEST(Can, RunReadsTheListAndLoadsTheStream) {
    test::driverRecording = test::DriverRecording{};
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, 1, interlock, flags, prompt, capabilitiesFor(0xC350)};
    ports.pause = [](int) {};
    std::vector<Sample> buffer(static_cast<std::size_t>(ports.capabilities.sampleBufferBytes / 8), 0);
    CanSettings s;
    const CanRunResult run = runCan(ports, s, {canFrameLine(CanFrame{}, CanFault::None)}, buffer);
    EXPECT_EQ(run.outcome.result, OutputResult::Running);
    EXPECT_EQ(test::driverRecording.written.size(), 16u + 102u + 14u);
    EXPECT_NE(std::find(test::driverRecording.calls.begin(), test::driverRecording.calls.end(), "eventsel 2"),
              test::driverRecording.calls.end());

    test::ScriptedPrompt shown;
    OutputPorts other{driver, 1, interlock, flags, shown, capabilitiesFor(0xC350)};
    EXPECT_EQ(runCan(other, s, {"DATA, 11, ID = 7C3, RTR = 0, DLC = 15."}, buffer).outcome.error,
              Msg::ListLineUnreadable);
    ASSERT_EQ(shown.shown.size(), 1u);
    EXPECT_EQ(shown.shown[0].second.substr(0, 2), "1 ");
}

} // namespace
} // namespace qv::gen
