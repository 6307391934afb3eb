// End to end: a Wave Editor document with a jump, a counted loop and a wait for the key is
// prepared as output prepares it, run through the output engine on the virtual instrument, and
// the captured VCD is compared with the document's samples in the order its commands dictate.
#include "device/output_engine.h"
#include "sim/driver_functions.h"
#include "sim/vcd_capture.h"
#include "waveedit/document.h"
#include "waveedit/output_image.h"
#include "waveedit/run_waveform.h"

#include "label_records.h"
#include "scripted_prompt.h"
#include "temp_folder.h"
#include "vcd_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace qv::sim {
namespace {

constexpr int model = 0xB016; // 16 channels
constexpr int channels = 16;
constexpr int lastChange = 119;

class InstrumentRun : public testing::Test {
  protected:
    void attach(const std::string& devices, std::function<std::uint64_t()> clock = {}) {
        Platform platform;
        platform.nowNanoseconds = std::move(clock);
        platform.readConfiguration = [devices] { return parseDeviceList(devices); };
        platform.openOsHandle = [](int slot) -> OsHandle { return 0x1000 + slot; };
        installPlatform(std::move(platform));
        driver = simulatorDriver();
        device = driver.qvHasHw(driver.qvFindDevice());
    }
    void TearDown() override { installPlatform({}); }

    // Each sample carries its index in channels 0-15 up to the last change, then holds it.
    std::unique_ptr<Document> document() {
        auto doc = Document::create(capabilitiesFor(model), true);
        for (int ch = 0; ch < channels; ++ch) doc->labels()[ch] = test::labelRecord(12 + ch, positionSingle, "c");
        doc->labels()[channels] = LabelRecord{};
        auto image = doc->usableImage();
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<Sample>(std::min<std::size_t>(i, lastChange)) << 12;
        return doc;
    }
    static void place(Document& doc, int sample, std::vector<unsigned> words) {
        for (unsigned w : words) {
            doc.usableImage()[static_cast<std::size_t>(sample)] |= w;
            ++sample;
        }
    }
    static std::vector<unsigned> addressWords(Opcode op, int target) {
        const unsigned a = static_cast<unsigned>(deviceAddress(target));
        return {0x800 | (a & 0xFF), 0x200 | ((a >> 8) & 0xFF), commandWord(op, a >> 16)};
    }
    // The value of channels 0-15 at each time step of the capture.
    static std::vector<int> values(const test::VcdTrace& trace) {
        std::vector<int> v(static_cast<std::size_t>(trace.endTime), 0);
        for (int ch = 0; ch < channels; ++ch) {
            const std::string& levels = trace.levels.at("ch" + std::to_string(ch));
            for (std::size_t t = 0; t < v.size(); ++t)
                if (levels[t] == '1') v[t] |= 1 << ch;
        }
        return v;
    }
    static void append(std::vector<int>& v, int from, int to) {
        for (int i = from; i <= to; ++i) v.push_back(i);
    }
    int state() { return driver.qvGetHwInfo(device, infoSequencerState); }

    Driver driver;
    DeviceHandle device = noDevice;
    test::TempFolder folder;
};

TEST_F(InstrumentRun, CapturedWaveformFollowsTheCommands) {
    const std::string vcd = folder.file("run.vcd");
    attach("0xB016:S:USB:0:0:limit=400:capture=" + vcd);
    auto doc = document();
    place(*doc, 20, {0x200, commandWord(Opcode::Lc, 1)}); // LC 3
    place(*doc, 38, addressWords(Opcode::Lp, 30)); // body 30..40
    place(*doc, 60, addressWords(Opcode::Jp, 70)); // skips 63..69
    place(*doc, 80, {commandWord(Opcode::Se, 0)}); // SE Key
    place(*doc, 90, {commandWord(Opcode::We, 0)}); // waits after sample 90

    DriverInterlock interlock;
    OutputFlags flags;
    flags.running = 1;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, device, interlock, flags, prompt, capabilitiesFor(model)};
    ports.pause = [](int) {};
    PreparedOutput prepared;
    OutputJob job{1000000, 0, 0, true, [&](int) {
                      prepared = prepareDocumentForOutput(doc->sampleBuffer(), doc->usableSamples(), doc->labels(),
                                                          doc->secondBuffer());
                      return Section{doc->sampleBuffer().first(static_cast<std::size_t>(prepared.lengthSamples))};
                  }};
    ASSERT_EQ(runOutput(ports, job).result, OutputResult::Running);
    EXPECT_EQ(prepared.end, deviceAddress(lastChange));

    // Released from the start handshake, it runs to the WE and waits there for a key.
    std::int32_t running = 1, word = 0, code = 0;
    for (int i = 0; i < 10 && running != 0; ++i) driver.qvReadStatus(device, &running, &word, &code);
    EXPECT_EQ(running, 0);
    ASSERT_EQ(state(), static_cast<int>(SequencerState::WaitingForKey));
    const int clocksAtWait = 12 + 41 + 11 + 11 + 22 + 21;
    EXPECT_EQ(driver.qvGetHwInfo(device, infoSampleNumber), clocksAtWait);
    manualTrigger(ports, nullptr);
    stopOutput(ports);

    const test::VcdTrace trace = test::readVcd(vcd);
    ASSERT_TRUE(trace.ok);
    EXPECT_EQ(trace.timescale, "1 us");
    EXPECT_EQ(trace.endTime, 400);
    std::vector<int> wanted(12, 0); // the prefix repeats sample 0
    append(wanted, 0, 40);
    append(wanted, 30, 40);
    append(wanted, 30, 40);
    append(wanted, 41, 62);
    append(wanted, 70, 90);
    append(wanted, 91, lastChange);
    wanted.resize(400, lastChange); // the closing loop holds the last sample
    EXPECT_EQ(values(trace), wanted);
}

TEST_F(InstrumentRun, OutputEnableActsOneSampleLaterThanPlacedPlusThePipeline) {
    const std::string vcd = folder.file("oe.vcd");
    attach("0xB016:S:USB:0:18:limit=60:capture=" + vcd); // card type 18: outputs start off
    auto doc = document();
    place(*doc, 10, {0x801, 0x200, commandWord(Opcode::Oe, 0)}); // group 0 on
    Sample* buffer = doc->sampleBuffer().data();
    const PreparedOutput prepared =
        prepareDocumentForOutput(doc->sampleBuffer(), doc->usableSamples(), doc->labels(), doc->secondBuffer());
    EXPECT_EQ(commandField(buffer[deviceAddress(13)]), commandWord(Opcode::Oe, 0)) << "placed at 12, loaded at 13";
    driver.qvWriteData(device, buffer, prepared.lengthSamples);
    driver.qvOutputEnable(device, 1);
    driver.qvRun(device);
    driver.qvKeyboardEvent(device);
    driver.qvPowerDown(device);
    const test::VcdTrace trace = test::readVcd(vcd);
    ASSERT_TRUE(trace.ok);
    // Loaded at device address 25, it acts after address 28 (sample 16): sample 17 is driven.
    const std::string& ch0 = trace.levels.at("ch0");
    EXPECT_EQ(ch0.substr(12, 17), std::string(17, 'z'));
    EXPECT_EQ(ch0.substr(29, 2), "10");
    EXPECT_EQ(trace.levels.at("port0")[0], '0') << "the ports are always driven";
}

TEST_F(InstrumentRun, ScheduledEventReleasesAWaitInTheCapture) {
    const std::string vcd = folder.file("ev.vcd");
    attach("0xB016:S:USB:0:0:limit=300:ev1=200:capture=" + vcd);
    auto doc = document();
    place(*doc, 40, {commandWord(Opcode::Se, 9)}); // EV1
    place(*doc, 50, {commandWord(Opcode::We, 0)});
    const PreparedOutput prepared =
        prepareDocumentForOutput(doc->sampleBuffer(), doc->usableSamples(), doc->labels(), doc->secondBuffer());
    driver.qvWriteData(device, doc->sampleBuffer().data(), prepared.lengthSamples);
    driver.qvRun(device);
    driver.qvOutputEnable(device, 1);
    driver.qvKeyboardEvent(device);
    driver.qvPowerDown(device);
    const std::vector<int> got = values(test::readVcd(vcd));
    ASSERT_EQ(got.size(), 300u);
    EXPECT_EQ(got[12 + 50], 50);
    EXPECT_EQ(got[200], 50) << "held while waiting for EV1 at sample 200";
    EXPECT_EQ(got[201], 51);
}

TEST_F(InstrumentRun, StartFileRunsADocumentFile) {
    const std::string vcd = folder.file("file.vcd");
    const std::string qvv = folder.file("a.qvv");
    {
        std::ofstream f(qvv, std::ios::binary);
        f << "INPUTS QV_Function D0;\r\nASSIGN D0 0;\r\nRADIX AUTO;\r\n"
             "FREQUENCYMODE INTERNAL;\r\nFREQUENCY 1 MHz;\r\nPATTERN\r\n000h 0\r\n000h 1\r\n000h 1\r\n000h 0\r\n;";
    }
    attach("0xB016:S:USB:0:0:limit=40:capture=" + vcd);
    ASSERT_EQ(driver.uqvStartEx(device, qvv.c_str(), 1, 0), 0);
    driver.qvPowerDown(device);
    const test::VcdTrace trace = test::readVcd(vcd);
    ASSERT_TRUE(trace.ok);
    EXPECT_EQ(trace.timescale, "1 us");
    EXPECT_EQ(trace.levels.at("ch0").substr(0, 18), "000000000000011000");
}

TEST_F(InstrumentRun, CardType18DrivesADocumentWithoutOutputEnable) {
    // qvOutputEnable(1) after qvRun enables every group: the Wave Editor's run needs no OE command.
    const std::string vcd = folder.file("card18.vcd");
    attach("0xB016:S:USB:0:18:limit=40:capture=" + vcd);
    auto doc = document();
    doc->output().baseFrequency = 1000000;
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, device, interlock, flags, prompt, capabilitiesFor(model)};
    ports.pause = [](int) {};
    ASSERT_EQ(runWaveform(ports, *doc).result, WaveRunResult::Running);
    stopOutput(ports);
    const test::VcdTrace trace = test::readVcd(vcd);
    ASSERT_TRUE(trace.ok);
    std::vector<int> wanted(12, 0);
    append(wanted, 0, 27);
    EXPECT_EQ(values(trace), wanted);
    EXPECT_EQ(trace.levels.at("ch15").find('z'), std::string::npos);
}

TEST_F(InstrumentRun, SampleLimitCountsEveryRunOfAnOutput) {
    // Sections of 30 samples, each running off its memory; a limit of 45 ends the second run
    // half-way, the third runs no clock, and the one capture holds the 45 clocks.
    const std::string vcd = folder.file("sections.vcd");
    attach("0xB016:S:USB:0:0:limit=45:capture=" + vcd);
    std::vector<Sample> memory(30);
    DriverInterlock interlock;
    OutputFlags flags;
    flags.running = 1;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, device, interlock, flags, prompt, capabilitiesFor(model)};
    ports.pause = [](int) {};
    OutputJob job{1000000, 0, 0, true, [&](int index) {
                      for (std::size_t i = 0; i < memory.size(); ++i)
                          memory[i] = static_cast<Sample>(index * 30 + static_cast<int>(i)) << 12;
                      return Section{memory, index == 2};
                  }};
    ASSERT_EQ(runOutput(ports, job).sections, 3);
    std::uint64_t clocks = 0;
    withRack([&](Rack& rack) { clocks = rack.device(device)->outputClocks(); });
    EXPECT_EQ(clocks, 45u);
    stopOutput(ports);
    const test::VcdTrace trace = test::readVcd(vcd);
    ASSERT_TRUE(trace.ok);
    std::vector<int> wanted;
    append(wanted, 0, 44);
    EXPECT_EQ(values(trace), wanted);
    // A new output (after qvPowerDown) has the whole limit again and a capture of its own.
    flags.running = 1;
    ASSERT_EQ(runOutput(ports, job).sections, 3);
    stopOutput(ports);
    EXPECT_EQ(test::readVcd(vcd).endTime, 45);
}

TEST_F(InstrumentRun, CaptureCutShortIsRemoved) {
    // A full disk (a link to /dev/full): the capture cannot be completed and is not left behind.
    const std::string vcd = folder.file("full.vcd");
    std::filesystem::create_symlink("/dev/full", vcd);
    attach("0xB016:S:USB:0:0:limit=40:capture=" + vcd);
    const Sample samples[] = {channelBit(0), 0, channelBit(0)};
    driver.qvWriteData(device, samples, 3);
    driver.qvRun(device);
    driver.qvPowerDown(device);
    bool failed = false;
    withRack([&](Rack& rack) { failed = rack.device(device)->captureFailed; });
    EXPECT_TRUE(failed);
    EXPECT_FALSE(std::filesystem::is_symlink(vcd));
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

// A capture folder: every output gets the next free file; none overwrites an earlier one.
TEST_F(InstrumentRun, CaptureFolderKeepsEveryOutputInItsOwnFile) {
    const std::string captures = folder.file("captures") + "/";
    std::filesystem::create_directories(captures);
    { std::ofstream(captures + "capture-0001.vcd") << "kept"; }
    attach("0xB016:S:USB:0:0:limit=50:capture=" + captures);
    auto doc = document();
    for (int run = 0; run < 2; ++run) {
        driver.qvWriteData(device, doc->usableImage().data(), 100);
        driver.qvRun(device);
        driver.qvPowerDown(device);
    }
    EXPECT_EQ(test::readText(captures + "capture-0001.vcd"), "kept");
    EXPECT_EQ(test::readVcd(captures + "capture-0002.vcd").endTime, 50);
    EXPECT_EQ(test::readVcd(captures + "capture-0003.vcd").endTime, 50);
    EXPECT_FALSE(std::filesystem::exists(captures + "capture-0004.vcd"));
}

// The clocks of a run of intervals add up to those of the whole time: no part of a clock is lost.
TEST(RealTimeClocks, AddUpOverIntervalsWithoutLosingPartsOfAClock) {
    struct Case {
        std::uint64_t hertz, interval;
        int intervals;
    } cases[] = {{3, 333'333'333, 3},
                 {1'000'000, 999, 1001},
                 {2'147'483'647, 1'000'000'001, 4},
                 {100'000'000, 7, 100'000},
                 {12'500'000, 1'500'000'000, 2}};
    for (const auto& c : cases) {
        std::uint64_t remainder = 0, clocks = 0;
        for (int i = 0; i < c.intervals; ++i) clocks += clocksIn(c.interval, c.hertz, remainder);
        const std::uint64_t total = c.interval * static_cast<std::uint64_t>(c.intervals);
        const long double exact = static_cast<long double>(total) * c.hertz / 1e9L;
        EXPECT_EQ(clocks, static_cast<std::uint64_t>(exact)) << c.hertz << " Hz";
        EXPECT_LT(remainder, 1'000'000'000u);
    }
}

// With a wall clock the instrument outputs, at every call, what a real one would have by then:
// nothing while it waits for the key, and qvStop / qvPowerDown end it where the time has come.
TEST_F(InstrumentRun, RealTimeKeepsPaceWithTheWallClock) {
    const std::string vcd = folder.file("rt.vcd");
    std::uint64_t now = 5'000'000'000;
    attach("0xB016:S:USB:0:0:limit=1000:capture=" + vcd, [&now] { return now; });
    auto doc = document();
    place(*doc, 30, {commandWord(Opcode::We, 0)}); // waits for the key after sample 33
    place(*doc, 300, {0x800 | 100, 0x200, commandWord(Opcode::Jp, 0)}); // back to 100, endlessly
    driver.qvSetFreq(device, 1'000'000, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    driver.qvWriteData(device, doc->usableImage().data(), 400);
    now += 7'000'000; // loading takes time: nothing runs before qvRun
    driver.qvRun(device);
    driver.qvOutputEnable(device, 1);
    EXPECT_EQ(driver.qvGetHwInfo(device, infoSampleNumber), 0);
    now += 20'500; // 20.5 clocks
    std::int32_t running = 0, word = 0, code = 0;
    driver.qvReadStatus(device, &running, &word, &code);
    EXPECT_EQ(running, 1);
    EXPECT_EQ(driver.qvGetHwInfo(device, infoSampleNumber), 20);
    now += 500; // the half clock carried over
    EXPECT_EQ(driver.qvGetHwInfo(device, infoSampleNumber), 21);
    now += 3'000'000'000; // a wait holds the clock
    driver.qvReadStatus(device, &running, &word, &code);
    EXPECT_EQ(running, 0);
    EXPECT_EQ(state(), static_cast<int>(SequencerState::WaitingForKey));
    EXPECT_EQ(driver.qvGetHwInfo(device, infoSampleNumber), 34);
    driver.qvKeyboardEvent(device); // the time spent waiting is not output afterwards
    now += 100'000;
    driver.qvStop(device); // first outputs the 100 clocks, then stops
    EXPECT_EQ(state(), static_cast<int>(SequencerState::Idle));
    EXPECT_EQ(driver.qvGetHwInfo(device, infoSampleNumber), 134);
    now += 1'000'000;
    EXPECT_EQ(driver.qvGetHwInfo(device, infoSampleNumber), 134);

    // A second run of the same output (no qvPowerDown between), endless through its jump: the
    // sample limit counts both runs, and where it is reached the capture ends and says so.
    driver.qvRun(device);
    driver.qvKeyboardEvent(device);
    now += 10'000'000;
    driver.qvPowerDown(device);
    const test::VcdTrace trace = test::readVcd(vcd);
    ASSERT_TRUE(trace.ok);
    EXPECT_EQ(trace.endTime, 1000);
    const std::vector<int> got = values(trace);
    EXPECT_EQ(got[33], 33);
    EXPECT_EQ(got[34], 34) << "released by the key";
    EXPECT_EQ(got[100], 100);
    EXPECT_EQ(got[133], lastChange);
    EXPECT_EQ(got[134], 0) << "the second run";
    const std::string text = test::readText(vcd);
    EXPECT_EQ(text.find("$comment capture truncated"), text.rfind("$comment capture truncated"));
    EXPECT_NE(text.find("$comment capture truncated at the sample limit of 1000 clocks"), std::string::npos);
}

} // namespace
} // namespace qv::sim
