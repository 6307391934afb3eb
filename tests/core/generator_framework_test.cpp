// The generators' shared pieces: frame commands, the rate entry's spin ladder and texts, Export
// and Import of a tool's text, and Convert's labels, allocator and iBaseFreq.
#include "converters/text_vector_convert.h"
#include "generators/convert.h"
#include "generators/frame.h"
#include "device/rate_entry.h"
#include "generators/spi.h"
#include "generators/text_transfer.h"

#include "app/settings.h"
#include "sample_text.h"
#include "scripted_prompt.h"
#include "temp_folder.h"
#include "support/file_io.h"
#include "waveedit/handoff.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <vector>

namespace qv::gen {
namespace {

TEST(GeneratorFrame, HandshakeOutputEnableAndEnd) {
    std::vector<Sample> s(40, 0);
    placeFrameCommands(s, 40, {2, 3, 4, 0x20}, 18, true);
    EXPECT_EQ(test::commandsText(s, 0, 8), "000 000 600 700 8FF 2FF 900 000");
    EXPECT_EQ(test::commandsText(s, 33, 40), "000 820 200 100 000 000 000");
    std::vector<Sample> t(40, 0);
    placeFrameCommands(t, 30, {-1, 2, 7, 0x20}, 0, false); // no handshake (converting), no OE
    EXPECT_EQ(test::commandsText(t, 0, 8), "000 000 000 000 000 000 000 000");
    EXPECT_EQ(test::commandsText(t, 25, 30), "000 700 000 000 000");
}

TEST(RateEntry, SpinLadderAndTexts) {
    struct Case {
        const char* text;
        RateUnit unit;
        bool up;
        int tenths;
    } cases[] = {
        {"0.1", RateUnit::Mbps, false, 1},  {"75.5", RateUnit::Mbps, true, 800}, {"79", RateUnit::Mbps, false, 750},
        {"80", RateUnit::Mbps, true, 1000}, {"100", RateUnit::Mbps, false, 800}, {"100", RateUnit::Mbps, true, 1000},
        {"2.3", RateUnit::Mbps, true, 24},  {"60", RateUnit::Bps, true, 1000},   {"60", RateUnit::Bps, false, 500},
        {"600", RateUnit::Bps, true, 7500}, {"5", RateUnit::Bps, false, 100},    {"600", RateUnit::Kbps, true, 6001},
        {"0", RateUnit::Bps, false, 100},   {"750", RateUnit::Bps, true, 7510},
    };
    for (const Case& c : cases) EXPECT_EQ(spinRateTenths(c.text, c.unit, c.up), c.tenths) << c.text;
    EXPECT_EQ(rateTenthsText(7), "0.7");
    EXPECT_EQ(rateTenthsText(1000), "100");
    EXPECT_EQ(rateTenthsText(1001), "100.1");
    EXPECT_EQ(nextRateUnit(RateUnit::Bps), RateUnit::Mbps);
    EXPECT_EQ(*rateBitsPerSecond("1.5", RateUnit::Kbps), 1500.0);
    EXPECT_FALSE(rateBitsPerSecond("fast", RateUnit::Kbps));
    EXPECT_EQ(rateFieldText(1234567, RateUnit::Mbps), "1.23457");
    EXPECT_EQ(rateFieldText(460625.7, RateUnit::Bps), "460625");
}

// Every one-decimal M bps and K bps value is the whole number of hertz it reads as: a truncated
// product gives 4,099,999 for "4.1" and a false "nearby clock" question.
TEST(RateEntry, TypedRatesAreWholeHertz) {
    for (int tenths = 1; tenths <= 2000; ++tenths) {
        const std::string text = rateTenthsText(tenths);
        EXPECT_EQ(*rateBitsPerSecond(text, RateUnit::Mbps), tenths * 100000.0) << text;
        EXPECT_EQ(*rateBitsPerSecond(text, RateUnit::Kbps), tenths * 100.0) << text;
    }
    EXPECT_EQ(*rateBitsPerSecond("0.0000004", RateUnit::Mbps), 0.0); // rounds to nothing
    EXPECT_EQ(*rateBitsPerSecond("0.0000005", RateUnit::Mbps), 1.0);
    EXPECT_EQ(nearestHertz(2.5), 3);
    EXPECT_EQ(nearestHertz(-3.0), 0);
    EXPECT_EQ(nearestHertz(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(nearestHertz(1e300), std::int64_t{1} << 53);

    EXPECT_EQ(rateProblem(std::numeric_limits<double>::quiet_NaN()), Msg::RateNotANumber);
    EXPECT_EQ(rateProblem(0.0), Msg::RateNotAboveZero);
    EXPECT_EQ(rateProblem(-1.0), Msg::RateNotAboveZero);
    EXPECT_EQ(rateProblem(1.0), Msg::None);
}

TEST(TextTransfer, ExportAsksBeforeReplacingAndImportKeepsTextOnFailure) {
    test::TempFolder folder;
    const std::string path = folder.file("data.txt");
    test::writeBytes(path, {'o', 'l', 'd'});
    test::ScriptedPrompt no({Answer::No});
    EXPECT_EQ(exportText(path, "new", no).result, ExportResult::Declined);
    EXPECT_EQ(test::readText(path), "old");
    test::ScriptedPrompt yes({Answer::Yes});
    EXPECT_EQ(exportText(path, "Aw=12;\r\nD=10;", yes).result, ExportResult::Written);
    std::string text;
    EXPECT_EQ(importText(path, text), Msg::None);
    EXPECT_EQ(text, "Aw=12;\r\nD=10;");
    EXPECT_EQ(folder.names().size(), 1u); // no temporary file left

    test::writeBytes(folder.file("empty.txt"), {});
    EXPECT_EQ(importText(folder.file("empty.txt"), text), Msg::CantOpenFile);
    EXPECT_EQ(text, "Aw=12;\r\nD=10;");
    test::ScriptedPrompt none;
    const ExportOutcome failed = exportText(folder.file("missing/x.txt"), "abc", none);
    EXPECT_EQ(failed.result, ExportResult::Failed);
    EXPECT_EQ(failed.error, Msg::CantOpenFile);
    test::writeBytes(path, {'a', 0, 'b'});
    EXPECT_EQ(importText(path, text), Msg::None);
    EXPECT_EQ(text, "a"); // the text ends at the first zero byte
}

TEST(TextTransfer, FilesReadWholeAreBounded) {
    test::TempFolder folder;
    const std::string path = folder.file("big.txt");
    std::string bytes = "kept";
    test::writeBytes(path, {'0', '1', '2', '3', '4'});
    EXPECT_EQ(readWholeFile(path, bytes, 5), Msg::None);
    EXPECT_EQ(bytes, "01234");
    EXPECT_EQ(readWholeFile(path, bytes, 4), Msg::FileTooLargeToRead);
    EXPECT_EQ(bytes, "01234");
    EXPECT_EQ(readWholeFile(folder.file("missing.txt"), bytes), Msg::CantOpenFile);
    // Just past the bound (a sparse file: nothing is written or read), through each dialog's reader.
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(maxWholeFileBytes) + 1);
    std::string text = "as it was";
    EXPECT_EQ(importText(path, text), Msg::FileTooLargeToRead);
    EXPECT_EQ(text, "as it was");
    EXPECT_EQ(textvector::readConverterFile(path, text), Msg::FileTooLargeToRead);
    test::ScriptedPrompt none;
    EXPECT_EQ(loadSpiFile(path, 8, 1000, none).error, Msg::FileTooLargeToRead);
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(maxWholeFileBytes));
    EXPECT_EQ(textvector::readConverterFile(path, text), Msg::None);
    EXPECT_EQ(text.size(), static_cast<std::size_t>(maxWholeFileBytes));
}

TEST(GeneratorConvert, AllocatorRunsOutAtChannel52) {
    std::vector<ChannelRequestEntry> requests{{"SPI_CS", 1, {}}, {"SPI_CLK", 1, {}}, {"BUS", 3, {}}};
    ASSERT_EQ(allocateRequestedChannels(requests), Msg::None);
    EXPECT_EQ(requests[0].channels, "0");
    EXPECT_EQ(requests[2].channels, "4..2");
    std::vector<ChannelRequestEntry> many(53, ChannelRequestEntry{"S", 1, {}});
    EXPECT_EQ(allocateRequestedChannels(many), Msg::TooManyChannels);
    many.pop_back();
    EXPECT_EQ(allocateRequestedChannels(many), Msg::None);
}

TEST(GeneratorConvert, LabelsHandOffFilesAndBaseFrequency) {
    test::TempFolder folder;
    MemorySettingsStore store;
    const Capabilities caps = capabilitiesFor(0xB816); // 200 MHz
    std::vector<Sample> samples(static_cast<std::size_t>(caps.sampleBufferBytes / 8), 0);
    samples[5] = channelBit(7) | 0x700;
    ConvertRequest request{{{"SPI_CS", 7}, {"SPI_CLK", 3}, {"QV_Function", 0}},
                           250000000,
                           caps,
                           samples,
                           folder.path(),
                           &store,
                           "WaveEdit\\0"};
    ASSERT_EQ(convertToWaveEditor(request), Msg::None);
    const auto labels = test::readBytes(handoffLabelPath(folder.path()));
    ASSERT_EQ(labels.size(), 14u * labelRecordBytes);
    LabelTable table{};
    std::memcpy(table.data(), labels.data(), labels.size());
    EXPECT_EQ(table[0].bitIndex, 11);
    EXPECT_STREQ(table[12].name, "SPI_CS");
    EXPECT_EQ(table[12].bitIndex, 19);
    EXPECT_EQ(table[13].bitIndex, 15);
    EXPECT_EQ(table[13].colour, 15);
    EXPECT_EQ(table[13].positionCode, positionSingle);
    EXPECT_EQ(test::readBytes(handoffSamplePath(folder.path())).size(),
              static_cast<std::size_t>(caps.usableSampleBytes));
    EXPECT_EQ(store.readNumber("WaveEdit\\0", "iBaseFreq"), 200000000u);

    // A buffer of exactly the usable samples is enough; one sample less is not.
    const std::size_t usable = static_cast<std::size_t>(caps.usableSampleBytes / 8);
    request.samples = std::span<Sample>(samples).first(usable);
    EXPECT_EQ(convertToWaveEditor(request), Msg::None);
    request.samples = std::span<Sample>(samples).first(usable - 1);
    EXPECT_EQ(convertToWaveEditor(request), Msg::MemoryNotEnough);
    request.samples = samples;

    request.folder = folder.file("missing");
    MemorySettingsStore untouched;
    request.settings = &untouched;
    EXPECT_EQ(convertToWaveEditor(request), Msg::FileCanNotCreate);
    EXPECT_FALSE(untouched.keyExists("WaveEdit\\0"));
}

} // namespace
} // namespace qv::gen
