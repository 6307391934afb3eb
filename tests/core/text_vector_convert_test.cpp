// Load and Convert of the text vector / Altera table converters: the timing of a file (interval,
// frequency, time-stamp step), the signal list of both variants, and the samples Convert writes.
// The statement reader itself is tested in text_vector_test.cpp.
#include "converters/text_vector_convert.h"

#include "device/frequency.h"
#include "support/channel_list.h"

#include "sample_text.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace textvector;
using test::commandsText;
using test::levelsText;
using test::ScriptedPrompt;

const Capabilities caps = capabilitiesFor(0xA020);

struct Loaded {
    Msg result;
    LoadResult load;
    LabelTable labels{};
    ScriptedPrompt prompt;
};

Loaded loadText(const std::string& text, std::deque<Answer> answers = {}, Variant variant = Variant::TextVector) {
    Loaded l{Msg::None, {}, {}, ScriptedPrompt(std::move(answers))};
    l.result = loadTextVector(text, variant, caps, l.prompt, l.load, l.labels);
    return l;
}

TEST(TextVectorConvert, LoadTiming) {
    struct Case {
        const char* text;
        std::deque<Answer> answers;
        Msg result;
        std::int64_t frequency;
        std::vector<int> asked;
    } cases[] = {
        {"INPUTS A; INTERVAL 100; PATTERN 1;", {}, Msg::None, 10000000, {}},
        {"FREQUENCY 2.5MHZ;", {}, Msg::None, 2500000, {}},
        {"INTERVAL 1.5US;", {Answer::No}, Msg::IntervalNotSupported, 666666, {12023}},
        {"FREQUENCY 666666;", {Answer::No}, Msg::FrequencyNotSupported, 666666, {12023}},
        {"INTERVAL 100; PATTERN 0> 1;", {}, Msg::TimeStampWithInterval, 10000000, {}},
        // Time stamps, one line or several: step 100 tenths of 1 ns.
        {"UNIT NS; INPUTS A; PATTERN 0> 0 20> 1 50> 0;", {}, Msg::None, 100000000, {}},
        {"UNIT NS; PATTERN\n0.0> 0\n20.0> 1\n50.0> 0\n;", {}, Msg::None, 100000000, {}},
        {"PATTERN 0> 0 0> 0 10> 1;", {}, Msg::None, 100000000, {}}, // nothing checked while at 0; no UNIT: ns
        {"UNIT US; PATTERN 0> 0 1> 1 3> 0;", {}, Msg::None, 1000000, {}},
        {"PATTERN 10> 0 10> 1;", {}, Msg::SameTimeStamp, 10000000, {}},
        {"PATTERN 10> 0 5> 1;", {}, Msg::TimeStampOrder, 10000000, {}},
        {"PATTERN 0> 1;", {}, Msg::NoTimeStep, 10000000, {}},
        {"PATTERN 1;", {}, Msg::NoTimeStep, 10000000, {}},
        // 30 ns: 33,333,333 Hz is not achievable; No keeps it, Yes takes the achievable one.
        {"PATTERN 0> 0 30> 1;", {Answer::No}, Msg::None, 33333333, {12060}},
        {"INPUTS A; PATTERN 0> 0 30> 1; FREQUENCY 1.5US;", {Answer::No}, Msg::None, 33333333, {12060}},
    };
    for (const Case& c : cases) {
        Loaded l = loadText(c.text, c.answers);
        EXPECT_EQ(l.result, c.result) << c.text;
        EXPECT_EQ(l.load.timing.frequency, c.frequency) << c.text;
        EXPECT_EQ(l.prompt.asked, c.asked) << c.text;
    }
    Loaded nearby = loadText("INTERVAL 1.5US;", {Answer::Yes});
    EXPECT_EQ(nearby.result, Msg::None);
    EXPECT_EQ(nearby.load.timing.mode, TimingMode::Interval);
    EXPECT_EQ(nearby.load.timing.frequency, nearestAchievableFrequency(666666, frequencyNearest, caps));
    EXPECT_TRUE(loadText("PATTERN 0> 0 30> 1;", {Answer::Yes}).load.timing.frequency != 33333333);
    EXPECT_FALSE(loadText("INPUTS A; RADIX HEX;").load.frequencyShown); // no timing: the edit is kept
}

TEST(TextVectorConvert, SignalListOfBothVariants) {
    const char* text = "INPUTS A B C[1..0] D; ASSIGN A 7,2; ASSIGN B 5,4,3 ; INTERVAL 100; PATTERN 0 0 0;";
    Loaded vector = loadText(text);
    ASSERT_EQ(vector.result, Msg::None);
    ASSERT_EQ(vector.load.signals.size(), 4u);
    EXPECT_EQ(channelListText(vector.load.signals[0].channels), "7,2");
    EXPECT_EQ(channelListText(vector.load.signals[1].channels), "5..3");
    EXPECT_EQ(channelListText(vector.load.signals[2].channels), "1..0");
    EXPECT_EQ(channelListText(vector.load.signals[3].channels), "6");
    EXPECT_EQ(std::string(vector.labels[12].name), "A"); // behind the 12 command label records
    EXPECT_EQ(vector.labels[12].bitIndex, 12 + 7);

    // An Altera table has no ASSIGN: every signal is allocated.
    Loaded table = loadText(text, {}, Variant::AlteraTable);
    ASSERT_EQ(table.result, Msg::None);
    EXPECT_EQ(channelListText(table.load.signals[0].channels), "0");
    EXPECT_EQ(channelListText(table.load.signals[2].channels), "3..2");
    EXPECT_EQ(loadText("ASSIGN QV_Function 1;", {}, Variant::AlteraTable).result, Msg::None);
    EXPECT_EQ(loadText("ASSIGN QV_Function 1;").result, Msg::QvFunctionCanNotBeAssigned);
}

struct Converted {
    Msg result;
    ConvertResult convert;
    std::vector<Sample> image;
    ScriptedPrompt prompt;
};

Converted convertText(const std::string& text, ConvertRequest request, std::deque<Answer> answers = {},
                      int samples = 40) {
    Loaded l = loadText(text);
    EXPECT_EQ(l.result, Msg::None) << text;
    Converted c{Msg::None,
                {},
                std::vector<Sample>(static_cast<std::size_t>(samples), ~Sample{0}),
                ScriptedPrompt(std::move(answers))};
    const FrequencyDisplay shown = frequencyDisplay(l.load.timing.frequency);
    if (request.frequencyText.empty()) request.frequencyText = shown.text, request.unit = shown.unit;
    c.result = convertTextVector(text, request, l.load, caps, c.prompt, c.image, c.convert);
    return c;
}

TEST(TextVectorConvert, IntervalPatternWithRepeatAndWaitKey) {
    const char* text = "INPUTS A B[3..0]; INTERVAL 100;\nPATTERN\n 1 1Fh\n\t0 101b \n1 17o\n 1 1F\n;";
    Converted plain = convertText(text, {});
    ASSERT_EQ(plain.result, Msg::None);
    EXPECT_EQ(plain.convert.frequency, 10000000);
    EXPECT_EQ(plain.convert.end, 4);
    EXPECT_EQ(levelsText(plain.image, 0, 0, 8), "HLHHHHHH"); // A, the last line filled to the end
    EXPECT_EQ(levelsText(plain.image, 4, 0, 8), "HLHLLLLL"); // B's low bit (channel 1.. B is 4..1)
    EXPECT_EQ(levelsText(plain.image, 1, 0, 8), "HHHHHHHH"); // 31 -> 1111, 5 -> 0101, 15 -> 1111, 1
    EXPECT_EQ(commandsText(plain.image, 0, 8), "000 000 000 000 000 000 000 000");

    Converted both = convertText(text, {"", RateUnit::Mbps, true, true});
    ASSERT_EQ(both.result, Msg::None);
    EXPECT_EQ(both.convert.end, 14);
    EXPECT_EQ(commandsText(both.image, 0, 16), "000 000 000 600 700 000 000 000 000 000 000 80C 200 100 000 000");
    EXPECT_EQ(levelsText(both.image, 0, 0, 16), "HHHHHHHHHHHLHHHH"); // 0..9 repeat the first data word
}

TEST(TextVectorConvert, TimeStampPattern) {
    const char* text = "INPUTS A B; UNIT NS; RADIX HEXADECIMAL;\nPATTERN\n0> 1 1\n20> 0 1\n50> 1 0\n;";
    Converted c = convertText(text, {});
    ASSERT_EQ(c.result, Msg::None);
    EXPECT_EQ(c.convert.frequency, 100000000);
    EXPECT_EQ(c.convert.end, 5); // the record at 50 starts at sample 5
    EXPECT_EQ(levelsText(c.image, 0, 0, 8), "HHLLLHHH");
    EXPECT_EQ(levelsText(c.image, 1, 0, 8), "HHHHHLLL");
    // At half the frequency the records fall on samples 0, 1 and 2.
    Converted half = convertText(text, {"50", RateUnit::Mbps});
    EXPECT_EQ(levelsText(half.image, 0, 0, 4), "HLHH");

    Loaded l = loadText("INPUTS A; PATTERN\n0> 1\n20> 0\n;");
    std::vector<Sample> image(8);
    ConvertResult r;
    ScriptedPrompt prompt;
    // The file changed since Load: a line without a time.
    EXPECT_EQ(convertTextVector("PATTERN\n0> 1\n1\n;", {"100"}, l.load, caps, prompt, image, r), Msg::NoTimeValue);
}

TEST(TextVectorConvert, FrequencyAndLengthRefusals) {
    const char* text = "INPUTS A; INTERVAL 100; PATTERN\n1\n0\n1\n0\n1\n0\n;";
    EXPECT_EQ(convertText(text, {"0.5", RateUnit::Mbps}).result, Msg::TimeUnitError);
    Converted refused = convertText(text, {"1.5", RateUnit::Bps}, {Answer::No});
    EXPECT_EQ(refused.result, Msg::FrequencyNotSupported);
    EXPECT_EQ(refused.prompt.asked, std::vector<int>{12023});

    // Four samples hold four lines: the question even though more lines follow, or none.
    Converted declined = convertText(text, {}, {Answer::No}, 4);
    EXPECT_EQ(declined.result, Msg::None);
    EXPECT_TRUE(declined.convert.abandoned);
    EXPECT_EQ(declined.prompt.asked, std::vector<int>{12056});
    Converted partial = convertText(text, {}, {Answer::Yes}, 4);
    EXPECT_FALSE(partial.convert.abandoned);
    EXPECT_EQ(levelsText(partial.image, 0, 0, 4), "HLHL");
    EXPECT_EQ(convertText("INPUTS A; INTERVAL 100; PATTERN\n1\n0\n;", {}, {}, 2).prompt.asked, std::vector<int>{12056});
    Converted late = convertText("INPUTS A; PATTERN\n0> 1\n20> 0\n30> 1\n500> 0\n;", {}, {Answer::Yes}, 8);
    EXPECT_EQ(late.prompt.asked, std::vector<int>{12056});
    EXPECT_EQ(levelsText(late.image, 0, 0, 8), "HHLHHHHH");
}

// A one-decimal MHz frequency is exact: 33.3 MHz must not become 33,299,999 Hz, ask 12023 and
// fail, as 13 of the 999 one-decimal values below 100 MHz do when the product is truncated.
TEST(TextVectorConvert, DecimalFrequenciesAreExact) {
    const char* text = "INPUTS A; INTERVAL 100; PATTERN\n1\n0\n;";
    Loaded l = loadText(text);
    int checked = 0;
    for (int tenths = 10; tenths < 1000; ++tenths) { // below 1 the whole-number part reads as no frequency
        const int wanted = tenths * 100000;
        if (nearestAchievableFrequency(wanted, frequencyNearest, caps) != wanted) continue; // not a clock of the model
        std::vector<Sample> image(16);
        ConvertResult r;
        ScriptedPrompt prompt({Answer::No});
        const ConvertRequest request{rateTenthsText(tenths), RateUnit::Mbps};
        EXPECT_EQ(convertTextVector(text, request, l.load, caps, prompt, image, r), Msg::None) << tenths;
        EXPECT_EQ(r.frequency, wanted) << tenths;
        EXPECT_TRUE(prompt.asked.empty()) << tenths;
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

TEST(TextVectorConvert, FrequencyDisplay) {
    struct Case {
        std::int64_t hertz;
        RateUnit unit;
        const char* text;
    } cases[] = {
        {100000000, RateUnit::Mbps, "100"},  {2500000, RateUnit::Mbps, "2.5"}, {12345678, RateUnit::Mbps, "12.345678"},
        {666666, RateUnit::Kbps, "666.666"}, {1000, RateUnit::Kbps, "1"},      {999, RateUnit::Bps, "999"},
    };
    for (const Case& c : cases) {
        const FrequencyDisplay d = frequencyDisplay(c.hertz);
        EXPECT_EQ(d.unit, c.unit) << c.hertz;
        EXPECT_EQ(d.text, c.text) << c.hertz;
    }
}

} // namespace
} // namespace qv
