// The LIN builder: parity and checksums on the known identifiers, the lines Add writes and their
// bounded reading, a message frame, a wake-up and the go-to-sleep frame sample by sample, the
// response space's range, and the sample limit checked before a unit is written.
#include "generators/lin.h"

#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

#include <set>

namespace qv::gen {
namespace {

// A byte as the line carries it: start L, eight bits least significant first, stop H.
std::string byteText(std::uint8_t value) {
    std::string out = "L";
    for (int b = 0; b < 8; ++b) out += (value >> b) & 1 ? 'H' : 'L';
    return out + "H";
}

std::vector<LinUnit> units(const std::vector<std::string>& lines) {
    std::vector<LinUnit> read;
    EXPECT_EQ(readLinList(lines, read).line, 0);
    return read;
}

TEST(Lin, ParityChecksumsAndCalculate) {
    LinMessage m;
    m.id = 0x21;
    ASSERT_EQ(linCalculate(m), Msg::None);
    EXPECT_EQ(m.ndata, 4);
    EXPECT_EQ(linProtectedId(m.id, m.p0, m.p1), 0x61u);
    const std::vector<std::uint8_t> data{1, 2, 3, 4, 5};
    EXPECT_EQ(linChecksum(data, m, LinChecksumModel::Classic), 0xF5); // the fifth token is not counted
    EXPECT_EQ(linChecksum(data, m, LinChecksumModel::Enhanced), 0x94);
    m.id = 0x3C;
    linCalculate(m);
    EXPECT_EQ(m.ndata, 8);
    EXPECT_EQ(m.p0, 0);
    EXPECT_EQ(m.p1, 0);
    EXPECT_EQ(linChecksum(std::vector<std::uint8_t>{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, m,
                          LinChecksumModel::Classic),
              0x00);
    EXPECT_EQ(linChecksumOf(std::vector<std::uint8_t>{1}, 0), 0xFE);
    m.id = 0x3E; // all tokens count for 3E and 3F
    linCalculate(m);
    EXPECT_EQ(linChecksum(std::vector<std::uint8_t>{1, 1, 1}, m, LinChecksumModel::Classic), 0xFC);
    m.id = 0x7F;
    m.breakBits = 5;
    m.delimiterBits = 0;
    ASSERT_EQ(linCalculate(m), Msg::None);
    EXPECT_EQ(m.breakBits, 13);
    EXPECT_EQ(m.delimiterBits, 1);
    EXPECT_EQ(m.id, 0x3Fu);
    m.breakBits = 20;
    m.delimiterBits = 10;
    EXPECT_EQ(linCalculate(m), Msg::LinBreakDelimiterSum);
    m.delimiterBits = 9;
    EXPECT_EQ(linCalculate(m), Msg::None);

    EXPECT_EQ(linDataTokens("01;\r\n2 ;ff;;"), (std::vector<std::uint8_t>{1, 2, 0xFF}));
    EXPECT_FALSE(linDataTokens("01;100"));
    EXPECT_FALSE(linDataTokens("zz"));
}

TEST(Lin, LinesAreWrittenAndReadBackWithBounds) {
    LinMessage m;
    m.id = 0x21;
    linCalculate(m);
    m.data = {1, 2, 3, 4};
    m.checksum = 0xF5;
    const std::string line = linMessageLine(m);
    EXPECT_EQ(line,
              "Message: TBRK = 13, TDEL = 1, ID = 21, P0 = 1, P1 = 0, NDATA = 4, Data = 01 02 03 04 , CKSUM = F5.");
    LinUnit u;
    ASSERT_EQ(readLinLine(line, u), Msg::None);
    EXPECT_EQ(u.protectedId, 0x61u);
    EXPECT_EQ(u.data.size(), 4u);
    EXPECT_EQ(u.checksum, 0xF5);
    ASSERT_EQ(readLinLine(linWakeUpLine(7), u), Msg::None);
    EXPECT_EQ(u.kind, LinEntryKind::WakeUp);
    EXPECT_EQ(u.delimiterBits, 7u);
    ASSERT_EQ(readLinLine(linSleepLine(), u), Msg::None);
    EXPECT_EQ(u.kind, LinEntryKind::Sleep);
    // Hand-edited parity is sent as written.
    ASSERT_EQ(readLinLine("Message: TBRK = 13, TDEL = 1, ID = 21, P0 = 0, P1 = 1, NDATA = 4, Data = , CKSUM = .", u),
              Msg::None);
    EXPECT_EQ(u.protectedId, 0xA1u);
    const char* bad[] = {
        "Message: TBRK = 13, TDEL = 1, ID = 21, P0 = 2, P1 = 0, NDATA = 4, Data = 01 , CKSUM = F5.",
        "Message: TBRK = -5, TDEL = 1, ID = 21, P0 = 1, P1 = 0, NDATA = 4, Data = 01 , CKSUM = F5.",
        "Message: TBRK = 13, TDEL = 1, ID = 40, P0 = 1, P1 = 0, NDATA = 4, Data = 01 , CKSUM = F5.",
        "Message: TBRK = 13, TDEL = 1, ID = 21, P0 = 1, P1 = 0, NDATA = 4, Data = 01 , CKSUM = 1F5.",
        "Message: TBRK = 13, TDEL = 1, ID = 21, P0 = 1, P1 = 0, NDATA = 4, Data = 100 , CKSUM = F5.",
        "Message: TBRK = 13, TDEL = 1, ID = 21, P0 = 1, P1 = 0, Data = 01 , CKSUM = F5.",
        "Message: TBRK = 13",
        "Wake-up frame: Delimiter = 4.",
        "Wake-up frame: Delimiter = x Bits.",
        "Go to Sleep",
    };
    for (const char* b : bad) EXPECT_NE(readLinLine(b, u), Msg::None) << b;
}

TEST(Lin, MessageWakeUpAndSleepSampleBySample) {
    LinMessage m;
    m.id = 0x21;
    linCalculate(m);
    m.data = {0x01, 0x80};
    m.checksum = 0x7E;
    std::vector<Sample> out(2000, 0);
    std::mt19937 random(7);
    LinSettings s;
    s.channel = 9;
    const auto list = units({linMessageLine(m), linWakeUpLine(5), std::string(linSleepLine())});
    const LinBuild b = buildLinStream(list, s, 0, out, 1900, random);
    ASSERT_EQ(b.error, Msg::None);
    const std::string text = test::levelsText(out, 9, 0, b.count);
    std::string header = std::string(16, 'H') + std::string(13, 'L') + "H" + byteText(0x55) + byteText(0x61);
    ASSERT_EQ(text.substr(0, header.size()), header);
    std::size_t at = header.size();
    std::size_t space = 0;
    while (text[at + space] == 'H') ++space;
    EXPECT_GE(space, 3u); // the response space runs up to the first data byte's start bit
    EXPECT_LE(space, 8u);
    at += space;
    const std::string response = byteText(0x01) + byteText(0x80) + byteText(0x7E);
    EXPECT_EQ(text.substr(at, response.size()), response);
    at += response.size();
    EXPECT_EQ(text.substr(at, 13), std::string(8, 'L') + "HHHHH");
    at += 13;
    std::string sleep = std::string(13, 'L') + "H" + byteText(0x55) + byteText(0x3C) + byteText(0);
    for (int i = 0; i < 7; ++i) sleep += byteText(0xFF);
    sleep += byteText(0);
    EXPECT_EQ(text.substr(at), sleep);
    EXPECT_EQ(test::levelsText(out, 8, 0, b.count), std::string(static_cast<std::size_t>(b.count), 'L'));
    EXPECT_EQ(commandField(out[static_cast<std::size_t>(b.count - 4)]), 0x700u);
}

TEST(Lin, ResponseSpaceRunsFromThreeToEightBits) {
    LinMessage m;
    m.data = {0x00}; // start bit right after the space
    const auto list = units({linMessageLine(m)});
    std::vector<Sample> out(200, 0);
    std::set<int> seen;
    std::mt19937 random(11);
    for (int run = 0; run < 200; ++run) {
        const LinBuild b = buildLinStream(list, {}, 0, out, 190, random);
        seen.insert(b.count - (16 + 13 + 1 + 20 + 20));
    }
    EXPECT_EQ(seen, (std::set<int>{3, 4, 5, 6, 7, 8}));
    LinMessage empty;
    const auto none = units({linMessageLine(empty)});
    std::set<int> doubled;
    for (int run = 0; run < 100; ++run) doubled.insert(buildLinStream(none, {}, 0, out, 190, random).count - 50);
    EXPECT_EQ(doubled, (std::set<int>{6, 8, 10, 12, 14, 16}));
}

TEST(Lin, SampleLimitIsCheckedBeforeEachUnit) {
    std::vector<Sample> out(1000, 0);
    const Sample guard = 0x5A5A5A5A5A5A5000;
    for (std::size_t i = 500; i < out.size(); ++i) out[i] = guard;
    std::mt19937 random(1);
    const auto huge = units({"Message: TBRK = 1000000, TDEL = 1, ID = 1, P0 = 0, P1 = 0, NDATA = 2, Data = , CKSUM = .",
                             "Wake-up frame: Delimiter = 4294967295 Bits."});
    EXPECT_EQ(buildLinStream(huge, {}, 0, out, 500, random).error, Msg::CantRunDataTooBig);
    EXPECT_EQ(buildLinStream(std::span(huge).subspan(1), {}, 0, out, 500, random).error, Msg::CantRunDataTooBig);
    for (std::size_t i = 500; i < out.size(); ++i) ASSERT_EQ(out[i], guard) << i;
    const auto wake = units({linWakeUpLine(10)});
    EXPECT_EQ(buildLinStream(wake, {}, 0, out, 16 + 18, random).count, 34);
    EXPECT_EQ(buildLinStream(wake, {}, 0, out, 16 + 17, random).error, Msg::CantRunDataTooBig);

    LinSettings s;
    s.channel = 50;
    EXPECT_EQ(validateLin(s, capabilitiesFor(0xC350)), Msg::ErrorChannelSetting);
    s.channel = 49;
    EXPECT_EQ(validateLin(s, capabilitiesFor(0xC350)), Msg::None);
}

TEST(Lin, RunOnTheEngineWithRepeat) {
    test::driverRecording = test::DriverRecording{};
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, 1, interlock, flags, prompt, capabilitiesFor(0xC350)};
    ports.pause = [](int) {};
    std::vector<Sample> buffer(static_cast<std::size_t>(ports.capabilities.sampleBufferBytes / 8), 0);
    LinSettings s;
    s.repeat = true;
    const LinRunResult run = runLin(ports, s, {linWakeUpLine(4)}, buffer);
    EXPECT_EQ(run.outcome.result, OutputResult::Running);
    const auto& written = test::driverRecording.written;
    ASSERT_EQ(written.size(), 28u);
    EXPECT_EQ(test::commandsText(written, 22, 25), "80F 200 100");
    EXPECT_EQ(run.outcome.clockHz, 2400);
}

} // namespace
} // namespace qv::gen
