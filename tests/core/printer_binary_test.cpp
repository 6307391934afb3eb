// The printer port and Binary File to Waveform: Pin Define's and Run's checks at their limits, the
// streams' exact layout, their passes, and the streams played on the virtual instrument's
// sequencer (a BUSY held high holds the strobe; a Repeat shows each word exactly once per loop).
#include "generators/binary_file.h"
#include "generators/frame.h"
#include "generators/printer.h"

#include "app/models.h"
#include "import_playback.h"
#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <deque>
#include <tuple>
#include <vector>

namespace qv::gen {
namespace {

using test::commandsText;
using test::levelsText;

// The levels on each output clock after the start handshake's key.
std::vector<Sample> played(std::span<const Sample> stream, std::uint64_t clocks, sim::SequencerSetup setup = {}) {
    setup.sampleLimit = clocks;
    sim::Sequencer sequencer(setup);
    sequencer.load(stream);
    sequencer.start();
    sequencer.keyEvent();
    test::LevelRecorder recorder;
    sequencer.runToRest(&recorder);
    std::vector<Sample> levels;
    std::size_t next = 0;
    Sample level = 0;
    const std::uint64_t end = sequencer.sampleNumber();
    for (std::uint64_t clock = 0; clock < end; ++clock) {
        while (next < recorder.changes.size() && recorder.changes[next].at <= clock)
            level = recorder.changes[next++].levels;
        levels.push_back(level);
    }
    return levels;
}

// ---- printer port ---------------------------------------------------------------------------------

TEST(Printer, PinDefineRefusesConflictsAtTheirLimits) {
    const PrinterPins defaults;
    EXPECT_EQ(checkPrinterPins(defaults, 16), Msg::None);
    struct Case {
        int high, strobe, select, feed;
        Msg expected;
    } cases[] = {
        {7, 5, 9, 10, Msg::ChannelConflict}, // nSTROBE inside 7..0
        {7, 0, 9, 10, Msg::ChannelConflict}, // the range's low end
        {15, 7, 9, 10, Msg::ChannelConflict}, // 15..8 holds 9 and 10
        {15, 7, 6, 5, Msg::None},
        {15, 16, 6, 5, Msg::ChannelConflict}, // past the channels
        {16, 0, 1, 2, Msg::ChannelConflict}, // H past the channels
        {6, 7, 8, 9, Msg::ChannelConflict}, // H below 7
        {7, 8, 8, 10, Msg::ChannelConflict}, // two the same
        {7, 8, 9, 8, Msg::ChannelConflict},
        {7, 8, 9, 9, Msg::ChannelConflict},
        {7, 8, -1, 10, Msg::ChannelConflict},
    };
    for (const Case& c : cases) {
        PrinterPins p;
        p.dataHigh = c.high;
        p.strobe = c.strobe;
        p.selectIn = c.select;
        p.autoFeed = c.feed;
        EXPECT_EQ(checkPrinterPins(p, 16), c.expected) << c.high << " " << c.strobe << " " << c.select << " " << c.feed;
    }
    EXPECT_EQ(printerBusyCode(1), 1u);
    EXPECT_EQ(printerBusyCode(2), 2u);
    EXPECT_EQ(printerBusyCode(3), 4u);
}

TEST(Printer, DataTakesLineAndFormFeedAndFitsToTheSample) {
    PrinterSettings s;
    s.lineFeed = s.formFeed = true;
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(printerData({false, "AB", ""}, s, bytes), Msg::None);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'A', 'B', 13, 10, 12}));
    EXPECT_EQ(printerData({false, "", ""}, s, bytes), Msg::NoDataInBuffer);
    test::TempFolder folder;
    test::writeBytes(folder.file("empty.txt"), {});
    EXPECT_EQ(printerData({true, "ignored", folder.file("empty.txt")}, s, bytes), Msg::CantOpenFile);
    EXPECT_EQ(printerData({true, "", folder.file("missing.txt")}, s, bytes), Msg::CantOpenFile);
    test::writeBytes(folder.file("data.bin"), {0, 255});
    s.lineFeed = s.formFeed = false;
    EXPECT_EQ(printerData({true, "", folder.file("data.bin")}, s, bytes), Msg::None);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0, 255}));
    // 12 + 6 a byte + 10 within the limit.
    EXPECT_TRUE(printerDataFits(3, 40));
    EXPECT_FALSE(printerDataFits(3, 39));
    EXPECT_TRUE(printerDataFits(0, 22));

    std::string text;
    EXPECT_EQ(printerLoadFile(folder.file("data.bin"), 2, text), Msg::None);
    EXPECT_EQ(text, std::string("\0\xFF", 2));
    EXPECT_EQ(printerLoadFile(folder.file("data.bin"), 1, text), Msg::LoadFailTooBig);
    EXPECT_EQ(printerLoadFile(folder.file("empty.txt"), 1, text), Msg::FileSizeZero);
}

// "AB" with Line Feed: 4 bytes, 24 data samples from sample 12, 12 + 24 + 10 samples. Each byte
// holds the last byte's data on its first sample (the strobe's rise), then three samples of setup
// and two of strobe.
TEST(Printer, StreamLayoutHoldsTheDataPastTheRisingStrobe) {
    PrinterSettings s;
    s.pins.busyEvent = 2;
    PrinterStream stream(s, {'A', 'B', 13, 10}, 1000, 0);
    std::vector<Sample> out(200);
    const PrinterStream::Pass pass = stream.buildPass(out);
    EXPECT_EQ(pass.count, 46);
    EXPECT_TRUE(pass.last);
    EXPECT_EQ(levelsText(out, 8, 0, 46),
              "HHHHHHHHHHHH"
              "HHHHLL"
              "HHHHLL"
              "HHHHLL"
              "HHHHLL"
              "HHHHHHHHHH");
    // Bit 0 (channel 0): A = 41 (1), B = 42 (0), CR = 0D (1), LF = 0A (0); bit 6: 1, 1, 0, 0.
    EXPECT_EQ(levelsText(out, 0, 12, 46),
              "LHHHHH"
              "HLLLLL"
              "LHHHHH"
              "HLLLLL"
              "LLLLLLLLLL");
    EXPECT_EQ(levelsText(out, 6, 12, 46),
              "LHHHHH"
              "HHHHHH"
              "HLLLLL"
              "LLLLLL"
              "LLLLLLLLLL");
    EXPECT_EQ(levelsText(out, 9, 0, 46), std::string(46, 'L')); // nSELECTIN stays low
    EXPECT_EQ(commandsText(out, 0, 13), "000 000 600 700 000 000 000 000 000 000 000 602 700");
    EXPECT_EQ(commandsText(out, 18, 19), "700");
    EXPECT_EQ(commandsText(out, 36, 46), "000 000 000 600 700 000 000 000 000 000");

    PrinterSettings high = s;
    high.pins.dataHigh = 15;
    high.pins.strobe = 0;
    high.repeat = true;
    PrinterStream looped(high, {0x80, 0x01}, 1000, cardTypeWithOutputEnable);
    const PrinterStream::Pass loop = looped.buildPass(out);
    EXPECT_EQ(loop.count, 34);
    EXPECT_TRUE(loop.last);
    EXPECT_EQ(levelsText(out, 15, 12, 24),
              "LHHHHH"
              "HLLLLL");
    EXPECT_EQ(levelsText(out, 8, 12, 24),
              "LLLLLL"
              "LHHHHH");
    EXPECT_EQ(commandsText(out, 4, 7), "8FF 2FF 900");
    EXPECT_EQ(commandsText(out, 26, 29), "80B 200 100"); // JP 11 on n - 8 .. n - 6
}

TEST(Printer, PassesStopBeforeTheLimitAndCarryOn) {
    PrinterSettings s;
    s.section = true;
    const std::vector<std::uint8_t> data{1, 2, 3, 4, 5, 6, 7};
    auto bytesOf = [](std::span<const Sample> out, int count) {
        std::vector<int> bytes;
        for (int at = 16; at + 10 < count; at += 6) bytes.push_back(static_cast<int>((out[at] >> 12) & 0xFF));
        return bytes;
    };
    std::vector<Sample> out(100);
    PrinterStream stream(s, data, 40, 0); // three bytes a pass: 12 + 18 + 10
    std::vector<std::vector<int>> passes;
    for (bool last = false; !last && passes.size() < 6;) {
        const PrinterStream::Pass pass = stream.buildPass(out);
        last = pass.last;
        passes.push_back(bytesOf(out, pass.count));
    }
    EXPECT_EQ(passes, (std::vector<std::vector<int>>{{1, 2, 3}, {4, 5, 6}, {7}}));

    s.repeat = true; // after the first pass the data runs on cyclically, never the last
    PrinterStream endless(s, data, 40, 0);
    passes.clear();
    for (int i = 0; i < 4; ++i) {
        const PrinterStream::Pass pass = endless.buildPass(out);
        EXPECT_FALSE(pass.last);
        passes.push_back(bytesOf(out, pass.count));
    }
    EXPECT_EQ(passes, (std::vector<std::vector<int>>{{1, 2, 3}, {4, 5, 6}, {7, 1, 2}, {3, 4, 5}}));
    // Without Section a too-long stream ends with what fits.
    s.section = s.repeat = false;
    PrinterStream cut(s, data, 41, 0);
    const PrinterStream::Pass pass = cut.buildPass(out);
    EXPECT_EQ(pass.count, 40);
    EXPECT_TRUE(pass.last);
}

// On the sequencer: BUSY (EV1 held high over clocks 20..80) holds the second byte's strobe until
// it drops; with Repeat every byte plays once per loop.
TEST(Printer, PlayedBusyHoldsTheStrobeAndRepeatLoopsEachByteOnce) {
    PrinterSettings s;
    PrinterStream stream(s, {0x11, 0x22, 0x33}, 1000, 0);
    std::vector<Sample> out(100);
    const PrinterStream::Pass pass = stream.buildPass(out);
    sim::SequencerSetup setup;
    setup.eventAt[0] = {20};
    setup.eventEndAt[0] = {80};
    const std::vector<Sample> v = played(std::span<const Sample>(out).first(pass.count), 1000, setup);
    std::vector<std::size_t> falls;
    for (std::size_t i = 1; i < v.size(); ++i)
        if (channelLevel(v[i - 1], 8) && !channelLevel(v[i], 8)) falls.push_back(i);
    // Without BUSY the strobes fall at 16, 22, 28; the second byte's WE acts at clock 21: held to 81.
    EXPECT_EQ(falls, (std::vector<std::size_t>{16, 81, 87}));
    EXPECT_EQ((v[80] >> 12) & 0xFF, 0x22u); // the data waits with the strobe high
    EXPECT_TRUE(channelLevel(v[80], 8));

    s.repeat = true;
    PrinterStream looped(s, {0x11, 0x22, 0x33}, 1000, 0);
    const PrinterStream::Pass loop = looped.buildPass(out);
    const std::vector<Sample> r = played(std::span<const Sample>(out).first(loop.count), 300);
    std::vector<int> strobed;
    for (std::size_t i = 1; i < r.size(); ++i)
        if (channelLevel(r[i - 1], 8) && !channelLevel(r[i], 8))
            strobed.push_back(static_cast<int>((r[i] >> 12) & 0xFF));
    ASSERT_GE(strobed.size(), 9u);
    for (std::size_t i = 0; i < strobed.size(); ++i) EXPECT_EQ(strobed[i], 0x11 * static_cast<int>(1 + i % 3)) << i;
}

TEST(Printer, RunAsksToSectionAndRefusesRepeatOnCancel) {
    test::TempFolder folder;
    const Capabilities caps = capabilitiesFor(0xB016);
    const int limit = printerSampleLimit(caps);
    const std::size_t tooMany = static_cast<std::size_t>((limit - 22) / 6 + 1);
    test::writeBytes(folder.file("big.bin"), std::vector<std::uint8_t>(tooMany, 0x55));
    struct Case {
        bool repeat;
        Answer answer;
        OutputResult result;
        bool section;
        std::vector<int> shown;
    } cases[] = {
        {false, Answer::Ok, OutputResult::Stopped, true, {}},
        {false, Answer::Cancel, OutputResult::Running, false, {}},
        {true, Answer::Cancel, OutputResult::Refused, false, {12025}},
    };
    for (const Case& c : cases) {
        test::driverRecording = test::DriverRecording{};
        Driver driver = test::recordingDriver();
        DriverInterlock interlock;
        OutputFlags flags;
        test::ScriptedPrompt prompt({c.answer});
        OutputPorts ports{driver, 1, interlock, flags, prompt, caps};
        ports.pause = [](int) {};
        std::vector<Sample> buffer(static_cast<std::size_t>(caps.depthSamples() + 22));
        PrinterSettings s;
        s.repeat = c.repeat;
        const PrinterRunResult run = runPrinter(ports, s, {true, "", folder.file("big.bin")}, buffer);
        EXPECT_EQ(prompt.asked, std::vector<int>{12024});
        EXPECT_EQ(run.outcome.result, c.result);
        EXPECT_EQ(run.sectionChecked, c.section);
        std::vector<int> shown;
        for (const auto& [id, text] : prompt.shown) shown.push_back(id);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(test::driverRecording.calls.at(1), "setfreq 1000000 mode 0 word 0");
        if (c.result == OutputResult::Running) {
            EXPECT_LE(test::driverRecording.written.size(), static_cast<std::size_t>(limit));
            EXPECT_GT(test::driverRecording.written.size(), static_cast<std::size_t>(limit - 6));
        }
    }
}

// ---- binary file ----------------------------------------------------------------------------------

TEST(BinaryFile, RunChecksAtTheirLimits) {
    struct Case {
        int a, b, c, n;
        bool ok;
    } cases[] = {
        {1, 8, 0, 16, true},   {1, 9, 0, 16, false},  {2, 16, 0, 16, true},  {2, 17, 0, 16, false},
        {0, 8, 0, 16, false},  {1, 0, 0, 16, false},  {1, 8, -1, 16, false}, {1, 8, 8, 16, true},
        {1, 8, 9, 16, false},  {2, 16, 1, 16, false}, {15, 16, 0, 16, true}, {16, 16, 0, 16, false},
        {7, 50, 0, 50, true},  {40, 50, 0, 50, true}, {49, 50, 0, 50, true}, {50, 50, 0, 50, false},
        {7, 51, 0, 50, false}, {6, 48, 2, 50, true},  {6, 48, 3, 50, false},
    };
    for (const Case& c : cases) {
        BinaryFileSettings s;
        s.dataWidth = c.a;
        s.outputWidth = c.b;
        s.startChannel = c.c;
        EXPECT_EQ(checkBinaryFile(s, c.n), c.ok ? Msg::None : Msg::BinaryWidthError) << c.a << " " << c.b << " " << c.c;
    }
    EXPECT_EQ(binaryMaxDataWidth(16), 2);
    EXPECT_EQ(binaryMaxDataWidth(20), 3);
    EXPECT_EQ(binaryMaxDataWidth(50), 7);
}

// Padding to whole groups, then whole copies up to 8 samples; the buffer keeps 8 zero bytes after
// them (widths 6 and 7 with 42 bytes and width 40 with 100 bytes overflowed an 80-byte buffer).
TEST(BinaryFile, DataIsPaddedAndRepeatedIntoABufferThatHoldsIt) {
    struct Case {
        std::size_t size;
        int a;
        std::int64_t length, samples;
    } cases[] = {
        {3, 1, 9, 9}, {5, 2, 18, 9}, {8, 1, 8, 8}, {42, 6, 84, 14}, {42, 7, 84, 12}, {100, 40, 360, 9}, {1, 7, 56, 8},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> file(c.size);
        for (std::size_t i = 0; i < c.size; ++i) file[i] = static_cast<std::uint8_t>(i + 1);
        const BinaryData d = binaryData(file, c.a);
        EXPECT_EQ(d.length, c.length) << c.size << "/" << c.a;
        EXPECT_EQ(d.samples(), c.samples);
        ASSERT_EQ(d.bytes.size(), static_cast<std::size_t>(c.length + 8));
        const std::int64_t padded = (static_cast<std::int64_t>(c.size) + c.a - 1) / c.a * c.a;
        for (std::int64_t k = 0; k < c.length + 8; ++k) {
            const std::int64_t at = k % padded;
            const std::uint8_t want =
                k < c.length && at < static_cast<std::int64_t>(c.size) ? file[static_cast<std::size_t>(at)] : 0;
            ASSERT_EQ(d.bytes[static_cast<std::size_t>(k)], want) << k;
        }
    }
    EXPECT_TRUE(binaryData({}, 1).bytes.empty());
    const std::uint8_t word[8] = {0x21, 0x43, 0x65, 0x87, 0xA9, 0xCB, 0xED, 0x0F};
    EXPECT_EQ(binaryWord(word, 4, 2), Sample{0x1} << 14);
    EXPECT_EQ(binaryWord(word, 16, 0), Sample{0x4321} << 12);
    EXPECT_EQ(binaryWord(word, 50, 0), Sample{0x1cba987654321ull} << 12);
}

// Played: the prefix holds word 0, then each word once; with Repeat the loop starts at word 0 and
// plays every word exactly once per loop, three loops over.
TEST(BinaryFile, RepeatPlaysEachWordOncePerLoop) {
    for (int a : {1, 2, 3}) {
        std::vector<std::uint8_t> file(11);
        for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(0x10 + i * 7);
        BinaryFileSettings s;
        s.dataWidth = a;
        s.outputWidth = 8 * a;
        s.repeat = true;
        const BinaryData data = binaryData(file, a);
        const std::int64_t n = data.samples();
        std::vector<std::uint8_t> bytes = data.bytes;
        BinaryFileStream stream(s, data, 1000, cardTypeWithOutputEnable);
        std::vector<Sample> out(1100);
        const BinaryFileStream::Pass pass = stream.buildPass(out);
        EXPECT_TRUE(pass.last);
        EXPECT_EQ(pass.count, 12 + n);
        EXPECT_EQ(commandsText(out, 2, 7), "600 700 8FF 2FF 900");
        EXPECT_EQ(commandsText(out, pass.count - 6, pass.count - 3), "80C 200 100");
        const std::vector<Sample> v = played(std::span<const Sample>(out).first(pass.count), 12 + 3 * n + 7);
        const auto word = [&](std::int64_t i) { return binaryWord(bytes.data() + (i % n) * a, s.outputWidth, 0); };
        for (int i = 0; i < 12; ++i) EXPECT_EQ(v[static_cast<std::size_t>(i)], word(0)) << i;
        for (std::int64_t i = 0; i < 3 * n + 7; ++i)
            ASSERT_EQ(v[static_cast<std::size_t>(12 + i)], word(i)) << "width " << a << " sample " << i;
    }
}

TEST(BinaryFile, PassesLeaveNoShortRestAndRunOnCyclically) {
    std::vector<std::uint8_t> file(25);
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i);
    BinaryFileSettings s;
    s.section = true;
    std::vector<Sample> out(100);
    auto firstAndCount = [&](BinaryFileStream& stream) {
        const BinaryFileStream::Pass pass = stream.buildPass(out);
        return std::tuple{static_cast<int>((out[12] >> 12) & 0xFF), pass.count - 12, pass.last};
    };
    BinaryFileStream stream(s, binaryData(file, 1), 10, 0);
    EXPECT_EQ(firstAndCount(stream), std::tuple(0, 10, false));
    EXPECT_EQ(firstAndCount(stream), std::tuple(10, 7, false)); // 8 of 15 kept for the last pass
    EXPECT_EQ(firstAndCount(stream), std::tuple(17, 8, true));
    EXPECT_EQ(commandsText(out, 12 + 8 - 4, 12 + 8 - 3), "700");

    s.repeat = true;
    BinaryFileStream endless(s, binaryData(file, 1), 10, 0);
    // After the first pass every pass fills to the limit, the data running on cyclically.
    EXPECT_EQ(firstAndCount(endless), std::tuple(0, 10, false));
    EXPECT_EQ(firstAndCount(endless), std::tuple(10, 10, false));
    EXPECT_EQ(firstAndCount(endless), std::tuple(20, 10, false)); // 20..24, 0..4
    EXPECT_EQ(firstAndCount(endless), std::tuple(5, 10, false));
}

TEST(BinaryFile, RunReadsTheFileAsksAndChecksTheClock) {
    test::TempFolder folder;
    test::writeBytes(folder.file("b.bin"), {1, 2, 3});
    test::writeBytes(folder.file("empty.bin"), {});
    const Capabilities caps = capabilitiesFor(0xB016);
    auto run = [&](const std::string& file, BinaryFileSettings s, std::deque<Answer> answers, Msg expected) {
        test::driverRecording = test::DriverRecording{};
        Driver driver = test::recordingDriver();
        DriverInterlock interlock;
        OutputFlags flags;
        test::ScriptedPrompt prompt(std::move(answers));
        OutputPorts ports{driver, 1, interlock, flags, prompt, caps};
        ports.pause = [](int) {};
        std::vector<Sample> buffer(static_cast<std::size_t>(caps.depthSamples() + 22));
        const BinaryFileRunResult r = runBinaryFile(ports, s, folder.file(file), buffer);
        EXPECT_EQ(r.outcome.error, expected) << file;
        return std::pair{r, prompt.asked};
    };
    BinaryFileSettings s;
    s.frequencyHz = 4.1e6 - 1e-3; // 4.1 in MHz as the edit's double gives it
    auto [ok, asked] = run("b.bin", s, {}, Msg::None);
    EXPECT_EQ(ok.clockHz, 4100000);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(test::driverRecording.written.size(), 12u + 9u);
    run("empty.bin", s, {}, Msg::CantOpenFile);
    run("missing.bin", s, {}, Msg::CantOpenFile);
    s.frequencyHz = 100e6 + 1;
    run("b.bin", s, {}, Msg::RateOutOfRange);
    s.frequencyHz = 1e6;
    s.outputWidth = 9;
    run("b.bin", s, {}, Msg::BinaryWidthError);

    // One sample more than the limit asks; Cancel with Repeat refuses.
    const int limit = binarySampleLimit(caps);
    test::writeBytes(folder.file("big.bin"), std::vector<std::uint8_t>(static_cast<std::size_t>(2 * limit + 1), 7));
    s.outputWidth = 16;
    s.dataWidth = 2;
    s.repeat = true;
    auto [refused, askedBig] = run("big.bin", s, {Answer::Cancel}, Msg::RepeatNeedsSections);
    EXPECT_EQ(askedBig, std::vector<int>{12024});
    EXPECT_EQ(refused.outcome.result, OutputResult::Refused);
    test::writeBytes(folder.file("fits.bin"), std::vector<std::uint8_t>(static_cast<std::size_t>(2 * limit), 7));
    auto [whole, askedFits] = run("fits.bin", s, {}, Msg::None);
    EXPECT_TRUE(askedFits.empty());
    EXPECT_EQ(test::driverRecording.written.size(), static_cast<std::size_t>(12 + limit));
}

} // namespace
} // namespace qv::gen
