// The SPI builder: the edge cases of the bit stream (MSB and LSB first, both latch edges, chip
// select polarity, width 4 to 32), the data texts, the memory question, and random settings read
// back by a plain reference receiver that latches the data line at the clock edge.
#include "generators/spi.h"

#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <random>
#include <limits>
#include <string>
#include <vector>

namespace qv::gen {
namespace {

struct Stream {
    std::vector<Sample> samples = std::vector<Sample>(20000, 0);
    SpiBuild build;
};
Stream build(const SpiSettings& s, const std::vector<std::uint32_t>& words, int limit = 19000) {
    Stream st;
    st.build = buildSpiStream(s, words, 0, st.samples, limit);
    return st;
}
std::string pairs(const std::string& bits) {
    std::string out;
    for (char b : bits) out += std::string(2, b == '1' ? 'H' : 'L');
    return out;
}

TEST(Spi, HexWordsMsbFirstRisingEdge) {
    std::vector<std::uint32_t> words;
    ASSERT_EQ(parseSpiWords("1a;2b", SpiFormat::Hex, words), Msg::None);
    SpiSettings s;
    Stream st = build(s, words);
    EXPECT_EQ(st.build.count, 234);
    EXPECT_EQ(test::levelsText(st.samples, 2, 200, 232), pairs("0001101000101011"));
    std::string clock = "L";
    for (int k = 0; k < 16; ++k) clock += "LH";
    EXPECT_EQ(test::levelsText(st.samples, 1, 199, 234), clock + "LL");
    EXPECT_EQ(test::levelsText(st.samples, 0, 198, 234), std::string("HH") + std::string(32, 'L') + "HH");
    EXPECT_EQ(test::levelsText(st.samples, 0, 234, 19000),
              std::string(19000 - 234, 'H')); // low active: high to the limit
    EXPECT_EQ(test::commandsText(st.samples, 0, 5), "000 000 600 700 000");
    EXPECT_EQ(test::commandsText(st.samples, 228, 231), "819 200 100");
    s.lsbFirst = true;
    EXPECT_EQ(test::levelsText(build(s, words).samples, 2, 200, 232), pairs("0101100011010100"));
}

TEST(Spi, FallingEdgeShiftsDataAndSelectByOneSample) {
    SpiSettings s;
    s.fallingEdge = true;
    s.repeat = false;
    Stream st = build(s, {0x1a});
    EXPECT_EQ(test::levelsText(st.samples, 2, 200, 218), std::string("L") + pairs("00011010") + "L");
    EXPECT_EQ(test::levelsText(st.samples, 0, 199, 218), std::string("H") + std::string(17, 'L') + "H");
    EXPECT_EQ(commandField(st.samples[214]), 0x700u);
}

TEST(Spi, WidthTwelveLsbFirstHighActive) {
    SpiSettings s;
    s.width = 12;
    s.lsbFirst = true;
    s.csActiveHigh = true;
    s.csChannel = 5;
    s.dataChannel = 40; // bit 52 of the sample, like any other channel
    Stream st = build(s, {0xFABC});
    EXPECT_EQ(st.build.count, 200 + 24 + 2);
    EXPECT_EQ(st.build.extent, st.build.count);
    EXPECT_EQ(test::levelsText(st.samples, 40, 200, 224), pairs("001111010101"));
    EXPECT_EQ(test::levelsText(st.samples, 5, 198, 226), std::string("LL") + std::string(24, 'H') + "LL");
    s.width = 4;
    s.lsbFirst = false;
    EXPECT_EQ(test::levelsText(build(s, {0xFABC}).samples, 40, 200, 208), pairs("1100"));
}

TEST(Spi, DataTextsAndChecks) {
    std::vector<std::uint32_t> w;
    EXPECT_EQ(parseSpiWords("1a;\r\n2b;\r\n 0xFFFFFFFF ;", SpiFormat::Hex, w), Msg::None);
    EXPECT_EQ(w, (std::vector<std::uint32_t>{0x1a, 0x2b, 0xFFFFFFFF}));
    EXPECT_EQ(parseSpiWords("A", SpiFormat::Hex, w), Msg::InvalidSpiData);
    EXPECT_EQ(parseSpiWords("1g;2", SpiFormat::Hex, w), Msg::InvalidSpiData);
    EXPECT_EQ(parseSpiWords("0x;1", SpiFormat::Hex, w), Msg::InvalidSpiData); // a prefix without digits
    EXPECT_EQ(parseSpiWords("100000000", SpiFormat::Hex, w), Msg::InvalidSpiData);
    EXPECT_EQ(parseSpiWords("Hi", SpiFormat::Ascii, w), Msg::None);
    EXPECT_EQ(w, (std::vector<std::uint32_t>{'H', 'i'}));
    EXPECT_EQ(parseSpiWords("", SpiFormat::Ascii, w), Msg::InvalidSpiData);
    EXPECT_EQ(spiWordsText(std::vector<std::uint32_t>{0xab, 7}), "ab;\r\n7;\r\n");
    std::mt19937 random(3);
    test::ScriptedPrompt answers({Answer::No, Answer::Yes});
    const SpiGenerated generated = spiGenerate(5, 12, 1000, random, answers);
    EXPECT_EQ(generated.count, 5);
    ASSERT_EQ(parseSpiWords(generated.text, SpiFormat::Hex, w), Msg::None);
    EXPECT_EQ(w.size(), 5u);
    for (std::uint32_t word : w) EXPECT_LT(word, 0xFFFu);
    EXPECT_TRUE(spiGenerate(100, 12, 1000, random, answers).cancelled); // 100 x 24 samples do not fit
    EXPECT_EQ(spiGenerate(100, 12, 1000, random, answers).count, spiWordsThatFit(12, 1000));

    const Capabilities caps = capabilitiesFor(0xB016);
    std::vector<Sample> out(static_cast<std::size_t>(caps.sampleBufferBytes / 8), 0);
    test::ScriptedPrompt prompt({Answer::No, Answer::Yes});
    SpiSettings s;
    SpiBuild built;
    s.width = 33;
    EXPECT_EQ(buildSpiForConvert(s, "1a", nullptr, caps, 0, prompt, out, built), Msg::SpiWidthRange);
    s = SpiSettings{};
    s.dataChannel = 14; // 16-channel models: 13 at most
    EXPECT_EQ(buildSpiForConvert(s, "1a", nullptr, caps, 0, prompt, out, built), Msg::ErrorChannelSetting);
    s = SpiSettings{};
    s.format = SpiFormat::Ascii;
    const std::string big(5000, 'x'); // 5000 x 16 samples > 65,500
    EXPECT_EQ(buildSpiForConvert(s, big, nullptr, caps, 0, prompt, out, built), Msg::None);
    EXPECT_EQ(built.count, 0); // No: nothing built
    EXPECT_EQ(buildSpiForConvert(s, big, nullptr, caps, 0, prompt, out, built), Msg::None);
    EXPECT_EQ(built.count, 200 + 16 * spiWordsThatFit(8, 65500) + 2);
    EXPECT_LE(built.count, 65500);
    EXPECT_EQ(prompt.asked, (std::vector<int>{12105, 12105}));
}

TEST(Spi, BinaryFilesAndClockQuestion) {
    test::TempFolder folder;
    test::writeBytes(folder.file("w.bin"), {0x34, 0x12, 0xFF, 0xFF, 0x01});
    test::ScriptedPrompt prompt;
    SpiFileData data = loadSpiFile(folder.file("w.bin"), 12, 60000, prompt);
    EXPECT_EQ(data.words, (std::vector<std::uint32_t>{0x234, 0xFFF, 0x234, 0xFFF, 0x234, 0xFFF, 0x234, 0xFFF}));
    test::writeBytes(folder.file("t.txt"), {'H', 'i'});
    data = loadSpiFile(folder.file("t.txt"), 8, 60000, prompt);
    EXPECT_TRUE(data.isText);
    EXPECT_EQ(data.text, "Hi");

    test::driverRecording = test::DriverRecording{};
    test::driverRecording.setFreqResult = 0;
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt no({Answer::No});
    OutputPorts ports{driver, 1, interlock, flags, no, capabilitiesFor(0xC350)};
    std::vector<Sample> out(600000, 0);
    SpiSettings s;
    s.rateBitsPerSecond = 1234567;
    const SpiRunResult run = runSpi(ports, s, "1a", nullptr, out);
    EXPECT_EQ(run.outcome.result, OutputResult::Refused);
    EXPECT_EQ(no.asked, (std::vector<int>{12023}));
    s.rateBitsPerSecond = 60e6;
    EXPECT_EQ(runSpi(ports, s, "1a", nullptr, out).outcome.error, Msg::SpiRateOutOfRange);
    s.rateBitsPerSecond = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(runSpi(ports, s, "1a", nullptr, out).outcome.error, Msg::RateNotANumber);
    s.rateBitsPerSecond = -2;
    EXPECT_EQ(runSpi(ports, s, "1a", nullptr, out).outcome.error, Msg::RateNotAboveZero);
}

// The reference receiver: while the select is active, the data line at each latching edge.
std::vector<std::uint32_t> receive(std::span<const Sample> s, const SpiSettings& set, int count) {
    std::vector<std::uint32_t> words;
    std::uint32_t word = 0;
    int bits = 0;
    for (int i = 1; i < count; ++i) {
        const bool clk = channelLevel(s[static_cast<std::size_t>(i)], set.clockChannel);
        const bool was = channelLevel(s[static_cast<std::size_t>(i - 1)], set.clockChannel);
        const bool edge = set.fallingEdge ? (was && !clk) : (!was && clk);
        const bool selected = channelLevel(s[static_cast<std::size_t>(i)], set.csChannel) == set.csActiveHigh;
        if (!edge || !selected) continue;
        const std::uint32_t bit = channelLevel(s[static_cast<std::size_t>(i)], set.dataChannel);
        word = set.lsbFirst ? word | (bit << bits) : (word << 1) | bit;
        if (++bits == set.width) {
            words.push_back(word);
            word = 0;
            bits = 0;
        }
    }
    return words;
}

TEST(Spi, RandomSettingsReadBack) {
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        SpiSettings s;
        s.width = 4 + static_cast<int>(random() % 29);
        s.lsbFirst = random() % 2;
        s.fallingEdge = random() % 2;
        s.csActiveHigh = random() % 2;
        s.csChannel = 0;
        s.clockChannel = 1 + static_cast<int>(random() % 20);
        s.dataChannel = 21 + static_cast<int>(random() % 27);
        std::vector<std::uint32_t> words(1 + random() % 20);
        for (auto& w : words) w = static_cast<std::uint32_t>(random());
        Stream st = build(s, words);
        const auto got = receive(st.samples, s, st.build.count);
        ASSERT_EQ(got.size(), words.size());
        const std::uint32_t mask = s.width == 32 ? 0xFFFFFFFFu : (1u << s.width) - 1;
        for (std::size_t k = 0; k < words.size(); ++k) EXPECT_EQ(got[k], words[k] & mask);
    }
}

TEST(Spi, DataThatExactlyFillsTheMemoryIsNotAsked) {
    const Capabilities caps = capabilitiesFor(0xB016);
    std::vector<Sample> out(static_cast<std::size_t>(caps.sampleBufferBytes / 8), 0);
    SpiSettings s;
    s.format = SpiFormat::Ascii;
    const int fit = spiWordsThatFit(8, 65500);
    for (int extra : {0, 1}) {
        test::ScriptedPrompt prompt({Answer::Yes});
        SpiBuild built;
        const std::string text(static_cast<std::size_t>(fit + extra), 'x');
        EXPECT_EQ(buildSpiForConvert(s, text, nullptr, caps, 0, prompt, out, built), Msg::None);
        EXPECT_EQ(prompt.asked.size(), static_cast<std::size_t>(extra));
        EXPECT_EQ(built.count, 200 + 16 * fit + 2);
    }
    test::TempFolder folder;
    test::writeBytes(folder.file("empty.bin"), {});
    test::ScriptedPrompt prompt;
    EXPECT_EQ(loadSpiFile(folder.file("empty.bin"), 8, 65500, prompt).error, Msg::CantOpenFile);
    // Nine bits take two bytes a word, little-endian, masked to the width.
    test::writeBytes(folder.file("nine.bin"), {0x34, 0x03, 0xFF, 0x00, 0x07});
    const std::vector<std::uint32_t> nine = loadSpiFile(folder.file("nine.bin"), 9, 65500, prompt).words;
    ASSERT_GE(nine.size(), 2u);
    EXPECT_EQ(nine[0], 0x134u);
    EXPECT_EQ(nine[1], 0xFFu);
}

} // namespace
} // namespace qv::gen
