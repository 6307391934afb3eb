// VCD import: time scales and their questions, declarations, the samples of each step, long steps
// as loops that the sequencer plays for exactly their length, and a random dump played back on
// the sequencer against the dump's own waveform, time unit for time unit.
#include "converters/vcd_import.h"

#include "import_playback.h"
#include "scripted_prompt.h"
#include "waveedit/commands.h"
#include "waveedit/waveform_check.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace qv {
namespace {

struct Loaded {
    Msg result = Msg::None;
    vcd::ImportResult import;
    std::vector<Sample> image;
    LabelTable labels{};
    test::ScriptedPrompt prompt;
};

std::unique_ptr<Loaded> load(const std::string& text, int model = 0xC350, std::deque<Answer> answers = {},
                             bool waitKey = false, int usable = 0, std::size_t blockBytes = vcd::readBlockBytes) {
    auto out = std::make_unique<Loaded>();
    out->prompt = test::ScriptedPrompt(std::move(answers));
    vcd::ImportSettings settings;
    settings.capabilities = capabilitiesFor(model);
    settings.waitKey = waitKey;
    settings.blockBytes = blockBytes;
    out->image.assign(static_cast<std::size_t>(usable ? usable : settings.capabilities.usableSampleBytes / 8), 0);
    MemorySource source(text.data(), text.size());
    out->result = vcd::importVcd(source, settings, out->prompt, out->image, out->labels, out->import);
    return out;
}

std::string header(const std::string& timescale, const std::string& vars) {
    return "$timescale " + timescale + " $end\n$scope module t $end\n" + vars + "$upscope $end\n$enddefinitions $end\n";
}

// Channel c of samples [from, to) as "0"/"1" text.
std::string channelText(const std::vector<Sample>& image, int channel, int from, int to) {
    std::string s;
    for (int i = from; i < to; ++i) s += channelLevel(image[static_cast<std::size_t>(i)], channel) ? '1' : '0';
    return s;
}

TEST(VcdTimescale, FrequencyAndQuestions) {
    auto ten = load(header("10 ns", "$var wire 1 ! a $end\n") + "#0 1!\n#3\n");
    EXPECT_EQ(ten->result, Msg::None);
    EXPECT_EQ(ten->import.sampleFrequency, 100000000);
    EXPECT_TRUE(ten->prompt.asked.empty());

    auto refused = load(header("1ns", "$var wire 1 ! a $end\n") + "#0 1!\n#3\n", 0xC350, {Answer::No});
    EXPECT_EQ(refused->result, Msg::RateOutOfRange);
    ASSERT_EQ(refused->prompt.askedWith.size(), 1u);
    EXPECT_EQ(refused->prompt.asked[0], 12124);
    EXPECT_EQ(refused->prompt.askedWith[0], std::make_pair(std::string("1ns"), std::string("10ns")));

    auto fast = load(header("1 NS", "$var wire 1 ! a $end\n") + "#0 1!\n#3\n", 0xCD16, {Answer::Yes});
    EXPECT_EQ(fast->prompt.askedWith.at(0).second, "5ns");
    EXPECT_EQ(fast->import.sampleFrequency, 200000000);

    std::string shown;
    EXPECT_EQ(vcd::timescaleFrequency("100ps", shown), 10000000000);
    EXPECT_EQ(shown, "100ps");
    EXPECT_EQ(vcd::timescaleFrequency("1 us", shown), 1000000);
}

TEST(VcdSteps, SamplesOfEachStep) {
    // No #0: 1-bit signals start at 0. The change at 5 holds until 12: 7 samples.
    auto l = load(header("10ns", "$var wire 1 ! a $end\n$var wire 4 \" bus [3:0] $end\n") +
                  "#5\n1!\nb101 \"\n#12\n0!\n#14\n");
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_EQ(channelText(l->image, 0, 0, 15), "000001111111000");
    EXPECT_EQ(l->image[5] >> 13 & 0xF, 0x5u) << "the vector on channels 1-4, least significant bit first";
    EXPECT_EQ(l->import.end, 14);
    ASSERT_EQ(l->import.signals.size(), 2u);
    EXPECT_EQ(l->import.signals[1].channels, (std::vector<int>{4, 3, 2, 1}));
    EXPECT_STREQ(l->labels[12].name, "a");
    EXPECT_STREQ(l->labels[13].name, "bus");
    EXPECT_EQ(l->labels[13].bitIndex, 16);

    // Wait Key Before Run: the data starts at sample 20, SE KEY and WE on samples 8 and 9.
    auto k = load(header("10ns", "$var wire 1 ! a $end\n") + "#0 1!\n#3 0!\n#4\n", 0xC350, {}, true);
    EXPECT_EQ(channelText(k->image, 0, 18, 24), "001110");
    vcd::ImportSettings settings;
    settings.capabilities = capabilitiesFor(0xC350);
    settings.waitKey = true;
    vcd::finishVcdImage(k->image, settings, k->import);
    EXPECT_EQ(commandField(k->image[8]), 0x600u);
    EXPECT_EQ(commandField(k->image[9]), 0x700u);
}

TEST(VcdDeclarations, ChannelsAndCodes) {
    // Two 8-bit vectors and a clock on a 16-channel model: the clock is one channel too many.
    auto many = load(
        header("10ns", "$var wire 8 ! a [7:0] $end\n$var wire 8 \" b [7:0] $end\n$var wire 1 # clk $end\n"), 0xB016);
    EXPECT_EQ(many->result, Msg::VcdTooManyChannels);
    auto wide = load(header("10ns", "$var wire 10000 ! a $end\n"));
    EXPECT_EQ(wide->result, Msg::VcdTooManyChannels);
    auto overflow = load(header("10ns", "$var wire 99999999999999999999999 ! a $end\n"));
    EXPECT_EQ(overflow->result, Msg::VcdTooManyChannels);

    // Codes are matched whole and by case: "!" is not "!!", "a" is not "A"; aliases share a code;
    // a code never declared changes nothing; names keep their case. The same changes far from the
    // end of the file take the importer's fast walk through the block.
    for (const std::string tail : {"", "                                                                  "}) {
        auto codes = load(header("10ns",
                                 "$var wire 1 ! One $end\n$var wire 1 !! two $end\n$var wire 1 a three $end\n"
                                 "$var wire 1 A four $end\n$var wire 1 a alias $end\n$var real 64 r x $end\n") +
                          "#0\n1!!\n1A\n1a\n1?\nr1.5 r\n#2\n" + tail);
        ASSERT_EQ(codes->result, Msg::None);
        EXPECT_EQ(codes->image[0] >> 12 & 0x1F, 0b11110u) << tail.size();
        EXPECT_STREQ(codes->labels[12].name, "One");
        EXPECT_EQ(codes->import.signals.size(), 5u) << "the real variable takes no channel";
    }
    // Two-character codes at the ends of the printable range and beyond it.
    auto pairs = load(header("10ns",
                             "$var wire 1 !! p $end\n$var wire 1 ~~ q $end\n$var wire 1 \x7f~ r $end\n"
                             "$var wire 1 ~\x80 s $end\n$var wire 1 !~ t $end\n") +
                      "#0\n1~~\n1\x7f~\n1~\x80\n#2\n");
    ASSERT_EQ(pairs->result, Msg::None);
    EXPECT_EQ(pairs->image[0] >> 12 & 0x1F, 0b01110u);

    EXPECT_EQ(load("")->result, Msg::CantOpenFile);
}

TEST(VcdLoops, LongStepsLastExactly) {
    // 1,000 units (a loop), then 2,000,000 units (chained loops past 655,360), each played back
    // for exactly its length; the short steps around them stay plain samples.
    auto l = load(header("10ns", "$var wire 1 ! a $end\n$var wire 3 # v $end\n") +
                  "#0 1! b101 #\n#1000 0!\n#1003 1! b10 #\n#2001003 0!\n#2001010\n");
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_LT(l->import.end, 200);
    EXPECT_EQ(l->import.outputSamples, 2001010u);
    int loops = 0;
    for (int i = 0; i < l->import.end; ++i)
        loops += opcodeOf(commandField(l->image[static_cast<std::size_t>(i)])) == Opcode::Lp;
    EXPECT_GE(loops, 4);
    EXPECT_TRUE(checkWaveform(l->image, static_cast<int>(l->image.size())).empty()) << "Waveform Check finds nothing";
    const test::Played played = test::playImage(l->image, static_cast<int>(l->image.size()), 2001012);
    auto levelAt = [&](std::size_t t) { return played.levels[t] >> 12 & 0xF; };
    EXPECT_EQ(levelAt(0), 0xBu);
    EXPECT_EQ(levelAt(999), 0xBu);
    EXPECT_EQ(levelAt(1000), 0xAu);
    EXPECT_EQ(levelAt(1002), 0xAu);
    EXPECT_EQ(levelAt(1003), 0x5u);
    EXPECT_EQ(levelAt(2001002), 0x5u);
    EXPECT_EQ(levelAt(2001003), 0x4u);
    EXPECT_EQ(levelAt(2001009), 0x4u);
}

TEST(VcdFloating, ZSwitchesTheGroupOffAtItsOwnTime) {
    // a floats from 50 to 200: group 0 switches at exactly those samples. The stretch from 400 to
    // 403 is shorter than the seven samples between two OE and lasts seven; b is never z.
    auto l = load(header("10ns", "$var wire 1 ! a $end\n$var wire 1 \" b $end\n") +
                  "#0 1! 1\"\n#50 z!\n#200 1!\n#400 z!\n#403 1!\n#500\n");
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_TRUE(checkWaveform(l->image, static_cast<int>(l->image.size())).empty());
    const test::Played played = test::playImage(l->image, static_cast<int>(l->image.size()), 500);
    auto enabledText = [&](int from, int to) {
        std::string s;
        for (int t = from; t < to; ++t) s += played.enabled[static_cast<std::size_t>(t)] & channelBit(0) ? '1' : '0';
        return s;
    };
    EXPECT_EQ(enabledText(48, 52), "1100");
    EXPECT_EQ(enabledText(198, 202), "0011");
    EXPECT_EQ(enabledText(398, 410), "110000000111");
    EXPECT_EQ(played.levels[300] >> 12 & 3, 3u);

    // A vector's leading z extends over its missing digits ("bz" and "bZ1" float v's channels 8 and
    // 9 and so group 1 with b); a leading 1 does not.
    for (const char* change : {"bz", "bZ1", "b10"}) {
        auto v = load(header("10ns", "$var wire 1 ! a $end\n$var wire 9 # v $end\n$var wire 1 \" b $end\n") +
                          "#0 1! 1\"\n#50 " + change + " #\n#200\n",
                      0xB016);
        const test::Played p = test::playImage(v->image, static_cast<int>(v->image.size()), 200, 16, 8);
        const bool floats = change[1] != '1';
        EXPECT_EQ((p.enabled[150] & channelBit(0)) == 0, floats) << change << ": channel 8 is in group 0";
        EXPECT_EQ((p.enabled[150] & channelBit(10)) == 0, floats) << change << ": v's top bits float too";
        EXPECT_TRUE(p.enabled[40] & channelBit(10));
    }

    // On the 16-channel set the start commands keep the first seven samples: z at 10 comes at 14.
    auto start = load(header("10ns", "$var wire 1 ! a $end\n") + "#0 1!\n#10 z!\n#40 1!\n#60\n", 0xB016);
    ASSERT_EQ(start->result, Msg::None);
    const test::Played early = test::playImage(start->image, static_cast<int>(start->image.size()), 60, 16, 8);
    EXPECT_TRUE(early.enabled[13] & channelBit(0));
    EXPECT_FALSE(early.enabled[14] & channelBit(0));
    EXPECT_FALSE(early.enabled[39] & channelBit(0));
    EXPECT_TRUE(early.enabled[40] & channelBit(0));
}

TEST(VcdSteps, OutputRestsAtTheFinalValues) {
    auto l = load(header("10ns", "$var wire 1 ! a $end\n$var wire 1 \" b $end\n") + "#0 1!\n#20 0! 1\"\n#30\n");
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_EQ(l->import.end, 30);
    EXPECT_EQ(l->image.back(), channelBit(1));
    const test::Played played = test::playImage(l->image, static_cast<int>(l->image.size()), 60);
    EXPECT_EQ(played.levels[19], channelBit(0));
    EXPECT_EQ(played.levels[59], channelBit(1));
}

TEST(VcdSteps, RepeatJumpsBackToTheFirstDataSample) {
    // The data ends in a loop's plain tail: the jump keeps clear of the loop, the samples up to it
    // repeat the last word, and the output repeats the data with them.
    auto l = load(header("10ns", "$var wire 1 ! a $end\n") + "#0 1!\n#500 0!\n#503 1!\n#505\n", 0xC350, {}, true);
    ASSERT_EQ(l->result, Msg::None);
    vcd::ImportSettings settings;
    settings.capabilities = capabilitiesFor(0xC350);
    settings.repeat = true;
    const int end = vcd::finishVcdImage(l->image, settings, l->import);
    ASSERT_GE(end, l->import.end);
    EXPECT_EQ(commandField(l->image[static_cast<std::size_t>(end - 3)]), 0x820u) << "to image sample 20";
    EXPECT_EQ(commandField(l->image[static_cast<std::size_t>(end - 1)]), 0x100u);
    EXPECT_TRUE(checkWaveform(l->image, static_cast<int>(l->image.size())).empty());
    const std::size_t period = l->import.outputSamples + static_cast<std::size_t>(end - l->import.end);
    const test::Played played = test::playImage(l->image, static_cast<int>(l->image.size()), 20 + 2 * period + 5);
    EXPECT_EQ(played.levels[20 + 499], channelBit(0));
    EXPECT_EQ(played.levels[20 + 500], 0u);
    for (std::size_t t = 0; t < period + 5; ++t) ASSERT_EQ(played.levels[20 + t], played.levels[20 + period + t]) << t;
    // Data that ends within an OE's free samples: the jump follows them.
    auto late = load(header("10ns", "$var wire 1 ! a $end\n") + "#0 1!\n#2 z!\n#4\n", 0xC350, {}, true);
    EXPECT_EQ(vcd::finishVcdImage(late->image, settings, late->import), 33) << "OE on 23..25, free to 29";
    EXPECT_TRUE(checkWaveform(late->image, static_cast<int>(late->image.size())).empty());
    // Without Repeat the image ends with the data and carries no jump.
    auto plain = load(header("10ns", "$var wire 1 ! a $end\n") + "#0 1!\n#5\n");
    settings.repeat = false;
    EXPECT_EQ(vcd::finishVcdImage(plain->image, settings, plain->import), 5);
    EXPECT_EQ(commandField(plain->image[4]), 0u);
}

TEST(VcdLimits, TooLargeAndCancelled) {
    const std::string text = header("10ns", "$var wire 1 ! a $end\n") + "#0 1!\n#50 0!\n#90 1!\n#95 0!\n#97\n";
    auto kept = load(text, 0xC350, {Answer::Yes}, false, 80);
    EXPECT_EQ(kept->prompt.asked, std::vector<int>{12070});
    EXPECT_TRUE(kept->import.truncated);
    EXPECT_EQ(kept->import.end, 80 - prefixSamples);
    auto dropped = load(text, 0xC350, {Answer::No}, false, 80);
    EXPECT_TRUE(dropped->import.abandoned);
    EXPECT_EQ(dropped->image[0], 0u);

    // A time of 20 digits (2^64 + 5 here) saturates: it is no small time, in the fast walk or not.
    for (const std::string& tail : {std::string(), std::string(80, ' ')}) {
        auto far = load(header("10ns", "$var wire 1 ! a $end\n") + "#0 1!\n#18446744073709551621 0!\n#3\n" + tail,
                        0xC350, {Answer::No});
        EXPECT_EQ(far->prompt.asked, std::vector<int>{12070}) << tail.size();
    }

    // Malformed tokens in the fast walk change nothing: "#5:" is no time stamp, "x1 !" no vector.
    const std::string padding(80, ' ');
    auto odd = load(header("10ns", "$var wire 1 ! a $end\n") + "#0\n0!\n#5:\nx1 !\n#10\n" + padding);
    EXPECT_EQ(odd->import.end, 10);
    EXPECT_EQ(channelText(odd->image, 0, 0, 12), "000000000000");

    std::atomic<int> cancel{1};
    vcd::ImportSettings settings;
    settings.capabilities = capabilitiesFor(0xC350);
    settings.cancel = &cancel;
    std::vector<Sample> image(1000);
    LabelTable labels{};
    vcd::ImportResult result;
    test::ScriptedPrompt prompt;
    MemorySource source(text.data(), text.size());
    EXPECT_EQ(vcd::importVcd(source, settings, prompt, image, labels, result), Msg::None);
    EXPECT_TRUE(result.abandoned);
}

// A random dump (scalars and vectors, short and long steps, codes of one and more characters)
// played on the sequencer equals the dump's waveform at every time unit.
TEST(VcdPlayback, RandomDumpTimeUnitForTimeUnit) {
    std::mt19937 random(7);
    struct Var {
        std::string code;
        int width;
    };
    const std::vector<Var> vars = {{"!", 1}, {"!!", 4}, {"a", 1}, {"A", 8}, {"%x1", 1}, {"b0", 3}};
    std::string text = "$timescale 10ns $end\n";
    int channel = 0;
    std::vector<int> first;
    for (std::size_t i = 0; i < vars.size(); ++i) {
        text +=
            "$var wire " + std::to_string(vars[i].width) + " " + vars[i].code + " v" + std::to_string(i) + " $end\n";
        first.push_back(channel);
        channel += vars[i].width;
    }
    text += "$enddefinitions $end\n";
    std::vector<Sample> expected; // per time unit
    Sample word = 0;
    std::uint64_t now = 0;
    for (int step = 0; step < 400; ++step) {
        const int r = static_cast<int>(random() % 100);
        const std::uint64_t gap = r < 70 ? 1 + random() % 6
            : r < 99                     ? 100 + random() % 3000
                                         : 300000 + random() % 500000;
        text += '#';
        text += std::to_string(now);
        text += '\n';
        for (std::size_t i = 0; i < vars.size(); ++i) {
            if (random() % 3 != 0) continue;
            const std::uint64_t value = random() & ((1u << vars[i].width) - 1);
            if (vars[i].width == 1) {
                text += std::to_string(value) + vars[i].code + "\n";
            } else {
                std::string bits;
                for (int k = vars[i].width - 1; k >= 0; --k) bits += (value >> k & 1) ? '1' : '0';
                text += "b" + bits + " " + vars[i].code + "\n";
            }
            const Sample mask = ((Sample{1} << vars[i].width) - 1) << (12 + first[i]);
            word = (word & ~mask) | (value << (12 + first[i]));
        }
        expected.insert(expected.end(), gap, word);
        now += gap;
    }
    text += '#';
    text += std::to_string(now);
    text += '\n';
    auto l = load(text);
    ASSERT_EQ(l->result, Msg::None);
    ASSERT_EQ(l->import.outputSamples, expected.size());
    EXPECT_TRUE(checkWaveform(l->image, static_cast<int>(l->image.size())).empty());
    const test::Played played = test::playImage(l->image, static_cast<int>(l->image.size()), expected.size());
    ASSERT_EQ(played.levels.size(), expected.size());
    for (std::size_t t = 0; t < expected.size(); ++t) ASSERT_EQ(played.levels[t], expected[t]) << "time unit " << t;
    // Read in the smallest blocks, with tokens cut at every block's end, it loads the same.
    auto small = load(text, 0xC350, {}, false, 0, 256);
    EXPECT_EQ(small->import.end, l->import.end);
    EXPECT_TRUE(small->image == l->image);
}

} // namespace
} // namespace qv
