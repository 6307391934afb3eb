// The UART builder: the frame of a character sample by sample, 1.5 stop bits, the number formats,
// two bytes per value above 8 data bits, sections, and random settings decoded back by a plain
// reference receiver.
#include "generators/uart.h"

#include "recording_driver.h"
#include "sample_text.h"
#include "scripted_prompt.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <vector>

namespace qv::gen {
namespace {

constexpr int port0Channel = outputPort0Bit - 12; // levelsText takes channel numbers
constexpr int port1Channel = outputPort1Bit - 12;

std::vector<Sample> buffer(int samples) { return std::vector<Sample>(static_cast<std::size_t>(samples + 64), 0); }

UartPass build(const UartSettings& s, std::string_view text, std::vector<Sample>& out, int limit = 60000) {
    UartStream stream(s, uartCharacters(uartDataBytes(text, s.format, s.dataBits), s.format, s.dataBits), limit, 0);
    return stream.buildPass(out);
}

TEST(Uart, EightNOneLetterA) {
    UartSettings s;
    auto out = buffer(100);
    const UartPass pass = build(s, "A", out);
    EXPECT_EQ(pass.count, 43);
    EXPECT_TRUE(pass.last);
    EXPECT_EQ(test::levelsText(out, port0Channel, 0, 43), std::string(33, 'H') + "L" + "HLLLLLHL" + "H");
    EXPECT_EQ(test::commandsText(out, 0, 5), "000 000 600 700 000");
    EXPECT_EQ(commandField(out[39]), 0x700u);
    EXPECT_EQ(uartSampleClock(s), 9600);
}

TEST(Uart, HalfBitModeAndBaudRule) {
    UartSettings s;
    s.dataBits = 5;
    s.stopBits = uartStopBitsAt(1, 5);
    ASSERT_EQ(s.stopBits, UartStopBits::OneAndHalf);
    EXPECT_EQ(uartStopBitsAt(1, 8), UartStopBits::Two);
    s.parity = UartParity::Odd;
    auto out = buffer(100);
    // 0x13 = 10011: odd count of ones (3) -> odd parity bit 0.
    EXPECT_EQ(build(s, "\x13", out).count, 33 + 2 * 7 + 3);
    EXPECT_EQ(test::levelsText(out, port0Channel, 33, 50), "LLHHHHLLLLHHLLHHH");
    EXPECT_EQ(uartSampleClock(s), 19200);
    s = UartSettings{};
    for (auto [baud, clock] : {std::pair{115200, 115000}, {460800, 460625}, {921600, 921875}, {3000000, 3000000}}) {
        s.baud = baud;
        EXPECT_EQ(uartSampleClock(s), clock);
    }
}

TEST(Uart, NumberFormatsAndWideCharacters) {
    EXPECT_EQ(uartDataBytes("41\r\n42\r\n", UartFormat::Hex, 8), (std::vector<std::uint8_t>{0x41, 0x42, 0x00}));
    EXPECT_EQ(uartDataBytes(" -1\r\n0x1F\r\n101z", UartFormat::Hex, 8), (std::vector<std::uint8_t>{0xFF, 0x1F, 0x01}));
    EXPECT_EQ(uartDataBytes("101\r\n7", UartFormat::Bin, 8), (std::vector<std::uint8_t>{5, 0}));
    EXPECT_EQ(uartDataBytes("0x5", UartFormat::Hex, 8), (std::vector<std::uint8_t>{5})); // the shortest prefixed number
    EXPECT_EQ(uartDataBytes("99999999999", UartFormat::Dec, 8), (std::vector<std::uint8_t>{0xFF})); // saturates
    const auto bytes = uartDataBytes("4660\r\n1", UartFormat::Dec, 12);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x34, 0x12, 0x01, 0x00}));
    EXPECT_EQ(uartCharacters(bytes, UartFormat::Dec, 12), (std::vector<std::uint16_t>{0x1234, 1}));
    UartSettings s;
    s.dataBits = 12;
    s.format = UartFormat::Dec;
    s.port = UartPort::Different;
    auto out = buffer(100);
    EXPECT_EQ(build(s, "4660", out).count, 33 + 14);
    EXPECT_EQ(test::levelsText(out, port0Channel, 33, 47), "LLLHLHHLLLHLLH");
    for (int i = 0; i < 47; ++i) EXPECT_NE(channelLevel(out[i], port0Channel), channelLevel(out[i], port1Channel));
}

TEST(Uart, SectionsContinueWhereTheLastBufferEnded) {
    UartSettings s;
    s.section = true;
    std::vector<std::uint16_t> chars;
    for (int i = 0; i < 30; ++i) chars.push_back(static_cast<std::uint16_t>(i));
    UartStream stream(s, chars, 33 + 100, 0); // ten characters a buffer
    auto out = buffer(200);
    std::vector<int> counts;
    for (UartPass pass{0, false}; !pass.last && counts.size() < 5;) {
        pass = stream.buildPass(out);
        counts.push_back(pass.count);
        EXPECT_EQ(commandField(out[static_cast<std::size_t>(pass.count - 4)]), 0x700u);
    }
    EXPECT_EQ(counts, (std::vector<int>{133, 133, 133}));
    EXPECT_EQ(test::levelsText(out, port0Channel, 33, 43), "LLLHLHLLLH"); // 20 = 0x14 opens the third
    s.repeat = true; // with Repeat the passes never end
    UartStream endless(s, chars, 133, 0);
    for (int k = 0; k < 6; ++k) EXPECT_FALSE(endless.buildPass(out).last);
}

TEST(Uart, LoadRefusesEmptyAndOversizedFiles) {
    test::TempFolder folder;
    std::string text = "kept";
    test::writeBytes(folder.file("big.txt"), std::vector<std::uint8_t>(101, 'x'));
    EXPECT_EQ(uartLoadFile(folder.file("big.txt"), 100, text), Msg::LoadFailTooBig);
    test::writeBytes(folder.file("empty.txt"), {});
    EXPECT_EQ(uartLoadFile(folder.file("empty.txt"), 100, text), Msg::FileSizeZero);
    EXPECT_EQ(uartLoadFile(folder.file("none.txt"), 100, text), Msg::CantOpenFile);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(uartLoadFile(folder.file("big.txt"), 101, text), Msg::None);
    EXPECT_EQ(text.size(), 101u);
}

// What strtol would read as something else is refused, naming the line; an empty line is 0.
TEST(Uart, NumbersThatAreNotNumbersOrTooWideAreRefused) {
    struct Case {
        const char* text;
        UartFormat format;
        int bits;
        Msg msg;
        const char* where;
    } cases[] = {
        {"41\r\n42\r\n", UartFormat::Hex, 8, Msg::None, ""},
        {" -80 \r\n0xFF\r\n+7F", UartFormat::Hex, 8, Msg::None, ""},
        {"41\r\nG7", UartFormat::Hex, 8, Msg::UartLineNotNumber, "2 ('G7')"},
        {"1FF", UartFormat::Hex, 8, Msg::UartLineTooWide, "1 ('1FF')"},
        {"-81", UartFormat::Hex, 8, Msg::UartLineTooWide, "1 ('-81')"},
        {"1FF\r\nFFFF", UartFormat::Hex, 16, Msg::None, ""},
        {"10000", UartFormat::Hex, 16, Msg::UartLineTooWide, "1 ('10000')"},
        {"1111\r\n10000", UartFormat::Bin, 4, Msg::UartLineTooWide, "2 ('10000')"},
        {"12", UartFormat::Bin, 8, Msg::UartLineNotNumber, "1 ('12')"},
        {"377\r\n8", UartFormat::Oct, 8, Msg::UartLineNotNumber, "2 ('8')"},
        {"255\r\n256", UartFormat::Dec, 8, Msg::UartLineTooWide, "2 ('256')"},
        {"99999999999999999999", UartFormat::Dec, 16, Msg::UartLineTooWide, "1 ('9999999999999999...')"},
        {"-", UartFormat::Dec, 8, Msg::UartLineNotNumber, "1 ('-')"},
        {"0x", UartFormat::Hex, 8, Msg::UartLineNotNumber, "1 ('0x')"},
        {"4 1", UartFormat::Dec, 8, Msg::UartLineNotNumber, "1 ('4 1')"},
        {"G7", UartFormat::Asc, 8, Msg::None, ""},
    };
    for (const Case& c : cases) {
        std::string where;
        EXPECT_EQ(checkUartData(c.text, c.format, c.bits, where), c.msg) << c.text;
        EXPECT_EQ(where, c.where) << c.text;
    }
    // The run refuses before it touches the instrument, naming the line.
    test::driverRecording = test::DriverRecording{};
    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    OutputPorts ports{driver, 1, interlock, flags, prompt, capabilitiesFor(0xA020)};
    UartSettings s;
    s.format = UartFormat::Hex;
    auto out = buffer(1000);
    EXPECT_EQ(runUart(ports, s, "41\r\nG7", out, {}).outcome.error, Msg::UartLineNotNumber);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].second, "2 ('G7')");
    EXPECT_TRUE(test::driverRecording.calls.empty());
}

TEST(Uart, RunAsksForSectionsAndSetsTheClockWithoutAsking) {
    test::driverRecording = test::DriverRecording{};
    Driver driver = test::recordingDriver();
    test::driverRecording.setFreqResult = 0; // 460625 is not exact: the UART does not ask
    DriverInterlock interlock;
    OutputFlags flags;
    flags.running = 1;
    test::ScriptedPrompt prompt({Answer::Cancel});
    OutputPorts ports{driver, 1, interlock, flags, prompt, capabilitiesFor(0xA020)};
    ports.pause = [](int) {};
    UartSettings s;
    s.baud = 460800;
    auto out = buffer(65536);
    const std::string text(7000, 'x'); // 70,000 samples > 65,500
    const UartRunResult run = runUart(ports, s, text, out, {});
    EXPECT_EQ(prompt.asked, (std::vector<int>{12024}));
    EXPECT_EQ(run.outcome.result, OutputResult::Running);
    EXPECT_EQ(run.outcome.clockHz, 460625);
    EXPECT_TRUE(prompt.shown.empty()) << "a run that starts shows no message";
    EXPECT_EQ(test::driverRecording.calls[1], "reset");
    EXPECT_EQ(test::driverRecording.calls[2], "setfreq 460625 mode 0 word 0");
    EXPECT_LE(test::driverRecording.written.size(), 65536u - 36u + 22u);
    EXPECT_EQ(runUart(ports, s, "", out, {}).outcome.error, Msg::FileSizeZero);
    s.syncChannelOn = true;
    s.syncChannel = 20; // 0xA020 has 20 channels
    EXPECT_EQ(runUart(ports, s, "A", out, {}).outcome.error, Msg::ErrorChannelSetting);
}

// A plain receiver: finds each start bit after the idle line and samples every bit in its middle.
std::vector<unsigned> receive(std::span<const Sample> s, int from, int count, int channel, const UartSettings& u) {
    const int per = u.stopBits == UartStopBits::OneAndHalf ? 2 : 1;
    const int bits = u.dataBits + (u.parity == UartParity::None ? 0 : 1);
    std::vector<unsigned> values;
    for (int i = from; i < count;) {
        if (channelLevel(s[static_cast<std::size_t>(i)], channel)) {
            ++i;
            continue;
        }
        unsigned v = 0;
        for (int b = 0; b < bits; ++b)
            v |= unsigned(channelLevel(s[static_cast<std::size_t>(i + per * (1 + b))], channel)) << b;
        values.push_back(v);
        i += per * (1 + bits);
        EXPECT_TRUE(channelLevel(s[static_cast<std::size_t>(i)], channel)) << "stop bit at " << i;
    }
    return values;
}

TEST(Uart, RandomSettingsDecodeBack) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        UartSettings s;
        s.dataBits = 4 + static_cast<int>(random() % 13);
        s.parity = static_cast<UartParity>(random() % 5);
        s.stopBits = uartStopBitsAt(static_cast<int>(random() % 4), s.dataBits);
        s.syncChannelOn = true;
        s.syncChannel = static_cast<int>(random() % 50);
        std::vector<std::uint16_t> chars(1 + random() % 40);
        for (auto& c : chars) c = static_cast<std::uint16_t>(random());
        UartStream stream(s, chars, 60000, 0);
        auto out = buffer(2000);
        const int count = stream.buildPass(out).count;
        const auto values = receive(out, 33, count, s.syncChannel, s);
        ASSERT_EQ(values.size(), chars.size());
        for (std::size_t k = 0; k < chars.size(); ++k) {
            const unsigned data = chars[k] & ((1u << s.dataBits) - 1);
            EXPECT_EQ(values[k] & ((1u << s.dataBits) - 1), data);
            if (s.parity == UartParity::None) continue;
            const unsigned bit = values[k] >> s.dataBits, ones = std::popcount(data) & 1u;
            const unsigned wanted[] = {0, ones, 1u - ones, 1, 0};
            EXPECT_EQ(bit, wanted[static_cast<int>(s.parity)]);
        }
    }
}

TEST(Uart, SyncChannelCheckedOnlyWhenOn) {
    const Capabilities caps = capabilitiesFor(0xB016); // 16 channels
    UartSettings s = uartDefaults(0xB016);
    for (int channel : {-1, 16, 60}) {
        s.syncChannel = channel;
        s.syncChannelOn = false;
        EXPECT_EQ(validateUart(s, caps), Msg::None) << channel;
        s.syncChannelOn = true;
        EXPECT_EQ(validateUart(s, caps), Msg::ErrorChannelSetting) << channel;
    }
    s.syncChannel = 15; // the highest channel
    EXPECT_EQ(validateUart(s, caps), Msg::None);
}

} // namespace
} // namespace qv::gen
