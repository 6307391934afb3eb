// The importers' shared image: where the first command may go, output-enable values of floating
// channels, Convert's start and repeat commands, runs that do not fit, and labels of a signal list.
#include "converters/import_image.h"

#include "import_playback.h"
#include "waveedit/commands.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace importing;

TEST(ImportImage, FirstCommandSampleAndOutputEnable) {
    EXPECT_EQ(firstCommandSample(capabilitiesFor(0xC350), 0), 0);
    EXPECT_EQ(firstCommandSample(capabilitiesFor(0xB016), 0), 7) << "after the start OE on samples 0..2";
    EXPECT_EQ(firstCommandSample(capabilitiesFor(0xC350), 20), 23) << "clear of the jump target 20";
    EXPECT_EQ(firstCommandSample(capabilitiesFor(0xC350), 5), 13) << "clear of SE KEY and WE on 8 and 9";

    EXPECT_EQ(outputEnableFor(0, 10), 0xFFFFu);
    EXPECT_EQ(outputEnableFor(1u << 9, 10), 0xFFFEu);
    EXPECT_EQ(outputEnableFor(1u << 10, 10), 0xFFFDu);
    EXPECT_EQ(outputEnableFor(std::uint64_t{1} << 49, 10), 0xFFEFu);
    EXPECT_EQ(outputEnableFor(std::uint64_t{1} << 15, 1), 0x7FFFu) << "group 15, the last";
    EXPECT_EQ(outputEnableFor(std::uint64_t{1} << 16, 1), 0xFFFFu) << "no group 16";
    EXPECT_EQ(outputEnableFor(0b101, 0), 0xFFFAu) << "groups of one channel at least";
}

TEST(ImportImage, ConvertCommands) {
    std::vector<Sample> image(40, channelBit(3));
    ConvertCommands c;
    c.sixteenChannelSet = true;
    c.waitKey = true;
    c.repeat = true;
    c.end = 40;
    c.repeatTarget = 20;
    writeConvertCommands(image, c);
    const unsigned expected[][2] = {{0, 0x8FF}, {1, 0x2FF},  {2, 0x900},  {8, 0x600},
                                    {9, 0x700}, {37, 0x820}, {38, 0x200}, {39, 0x100}};
    for (const auto& [at, word] : expected) EXPECT_EQ(commandField(image[at]), word) << at;
    for (int i : {3, 7, 10, 36}) EXPECT_EQ(commandField(image[static_cast<std::size_t>(i)]), 0u) << i;
    EXPECT_EQ(image[39] & ~commandMask, channelBit(3)) << "the data stays";

    // A jump needs three samples; none is written past the image.
    std::vector<Sample> backing(5, 0);
    std::span<Sample> tiny = std::span<Sample>(backing).first(3);
    c = ConvertCommands{};
    c.repeat = true;
    c.end = 2;
    writeConvertCommands(tiny, c);
    EXPECT_EQ(backing, std::vector<Sample>(5, 0));
    c.end = 3;
    c.repeatTarget = 0x10000;
    writeConvertCommands(tiny, c);
    EXPECT_EQ(commandField(tiny[0]), 0x80Cu);
    EXPECT_EQ(commandField(tiny[1]), 0x200u);
    EXPECT_EQ(commandField(tiny[2]), 0x101u);
    c.end = 5;
    writeConvertCommands(tiny, c);
    EXPECT_EQ(commandField(tiny[2]), 0x80Cu);
    EXPECT_EQ(backing[3], 0u);
    EXPECT_EQ(backing[4], 0u);
}

TEST(ImportImage, RunsAtTheLimit) {
    // A limit of 60 samples: a run of exactly 60 fits, one more does not and fills the image.
    for (const auto& [count, fits] : {std::pair{60, true}, std::pair{61, false}, std::pair{99, false}}) {
        std::vector<Sample> image(72, 0);
        ImportImage built(image, 0, 0, 60);
        EXPECT_EQ(built.appendRun(channelBit(1), static_cast<std::uint64_t>(count)), fits) << count;
        EXPECT_EQ(built.position(), 60) << count;
        EXPECT_EQ(image[59] & ~commandMask, channelBit(1)) << count;
    }
    // After an output-enable change a run takes the long way: exactly the room left still fits.
    for (const auto& [count, fits] : {std::pair{60, true}, std::pair{61, false}}) {
        std::vector<Sample> image(72, 0);
        ImportImage built(image, 0, 0, 60);
        built.setOutputEnable(0xFFFE);
        EXPECT_EQ(built.appendRun(channelBit(1), static_cast<std::uint64_t>(count)), fits) << count;
        EXPECT_EQ(commandField(image[2]), 0x900u) << count;
    }
    // A loop that just fits before the limit is kept: its samples play the run on.
    {
        std::vector<Sample> image(30, 0);
        ImportImage built(image, 0, 0, 15);
        EXPECT_FALSE(built.appendRun(channelBit(1), 117));
        EXPECT_EQ(built.position(), 15);
        EXPECT_EQ(built.outputSamples(), 105u);
    }
    // Loops fill no further than the limit; the samples they play are the run's.
    std::vector<Sample> image(200, 0);
    ImportImage built(image, 0, 0, 150);
    EXPECT_TRUE(built.appendRun(channelBit(0), 90));
    EXPECT_TRUE(built.appendRun(channelBit(2), 5000));
    EXPECT_FALSE(built.appendRun(channelBit(0), 5000000)) << "eight loops do not fit";
    EXPECT_LE(built.position(), 150);
    built.finish();
    EXPECT_EQ(image.back(), built.lastWord()) << "the rest holds the last word";
    const test::Played played = test::playImage(image, 150, 5100);
    EXPECT_EQ(played.levels[89], channelBit(0));
    EXPECT_EQ(played.levels[90], channelBit(2));
    EXPECT_EQ(played.levels[5089], channelBit(2));
    EXPECT_EQ(played.levels[5090], channelBit(0));
}

TEST(ImportImage, SignalLabels) {
    std::vector<textvector::Signal> signals = {
        {"QV_Function", true, {}}, {"clk", false, {0}}, {"none", false, {}}, {"bus", false, {3, 2, 1}}};
    LabelTable labels{};
    ASSERT_TRUE(buildSignalLabels(signals, labels));
    EXPECT_STREQ(labels[0].name, "QV_Function");
    EXPECT_STREQ(labels[12].name, "clk");
    EXPECT_EQ(labels[12].bitIndex, 12);
    EXPECT_STREQ(labels[13].name, "bus");
    EXPECT_EQ(labels[13].bitIndex, 15);
    EXPECT_EQ(labels[16].positionCode, 0) << "nothing after the bus";
    // 190 one-channel signals do not fit behind the command label's 12 records.
    std::vector<textvector::Signal> many(190, textvector::Signal{"s", false, {1}});
    EXPECT_FALSE(buildSignalLabels(many, labels));
    many.pop_back();
    EXPECT_TRUE(buildSignalLabels(many, labels));
}

} // namespace
} // namespace qv
