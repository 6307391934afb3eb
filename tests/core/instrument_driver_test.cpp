// The virtual instrument through the program's Driver port: device list layout, names, handles,
// model codes, levels, removal, the stored output calls and demo-mode calls with handle -1.
#include "sim/driver_functions.h"

#include "waveedit/qvv_reader.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace qv::sim {
namespace {

// A host platform whose configuration and OS handles the test controls.
struct FakePlatform {
    std::string devices;
    int configurationReads = 0;
    bool failToOpen = false;
    std::map<OsHandle, int> openHandles; // handle -> slot
    std::vector<std::string> reports;
    std::vector<std::string> unplugEvents; // "schedule SLOT MS", "cancel SLOT"
};

class InstrumentDriver : public testing::Test {
  protected:
    void attach(const std::string& devices) {
        fake.devices = devices;
        Platform platform;
        platform.readConfiguration = [this] {
            ++fake.configurationReads;
            return parseDeviceList(fake.devices);
        };
        platform.openOsHandle = [this](int slot) -> OsHandle {
            if (fake.failToOpen) return 0;
            const OsHandle handle = 0x1000 + 4 * slot;
            fake.openHandles[handle] = slot;
            return handle;
        };
        platform.closeOsHandle = [this](OsHandle handle) { fake.openHandles.erase(handle); };
        platform.report = [this](const std::string& problem) { fake.reports.push_back(problem); };
        platform.scheduleUnplug = [this](int slot, int ms) {
            fake.unplugEvents.push_back("schedule " + std::to_string(slot) + " " + std::to_string(ms));
        };
        platform.cancelUnplug = [this](int slot) { fake.unplugEvents.push_back("cancel " + std::to_string(slot)); };
        installPlatform(std::move(platform));
        driver = simulatorDriver();
    }
    void TearDown() override { installPlatform({}); }

    const std::uint8_t* entry(int index) { return driver.qvFindDevice() + index * deviceEntryBytes; }
    DeviceHandle open(int index) { return driver.qvHasHw(entry(index)); }

    FakePlatform fake;
    Driver driver;
};

std::uint32_t read32(const std::uint8_t* at) {
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

TEST_F(InstrumentDriver, NoInstrumentByDefault) {
    installPlatform({});
    driver = simulatorDriver();
    const std::uint8_t* list = driver.qvFindDevice();
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < deviceListEntries * deviceEntryBytes; ++i) ASSERT_EQ(list[i], 0) << "byte " << i;
    // Select Device then hands entry 0 to qvHasHw, which reports no instrument.
    EXPECT_EQ(driver.qvHasHw(list), noDevice);
    EXPECT_EQ(driver.qvHasHw(nullptr), noDevice);
}

TEST_F(InstrumentDriver, DeviceListLayoutByteForByte) {
    attach("0xC350:VI000001:USB:3:18;0xB016:" + std::string(32, 'Z') + ":" + std::string(20, 'I') + ":258");
    const std::uint8_t* list = driver.qvFindDevice();
    std::uint8_t expected[deviceEntryBytes] = {};
    auto put = [&](int offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) expected[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(0, 0x100);
    put(4, 0x49565651);
    put(8, 0); // slot
    put(12, 0xC350); // model code
    put(16, 18); // card type
    put(20, read32(list + 20)); // generation: any, but the same in every entry
    std::memcpy(expected + 24, "USB", 3);
    put(44, 3);
    std::memcpy(expected + 48, "QV-C350", 7);
    std::memcpy(expected + 64, "VI000001", 8);
    EXPECT_EQ(std::memcmp(list, expected, deviceEntryBytes), 0);

    const std::uint8_t* second = list + deviceEntryBytes;
    EXPECT_EQ(read32(second + 0), 0x100u);
    EXPECT_EQ(read32(second + 8), 1u);
    EXPECT_EQ(read32(second + 20), read32(list + 20));
    EXPECT_EQ(read32(second + 44), 258u);
    // A 32-character serial fills its field without a NUL; the 20-character interface likewise.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(second + 64), 32), std::string(32, 'Z'));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(second + 24), 20), std::string(20, 'I'));
    for (int i = 2 * deviceEntryBytes; i < deviceListEntries * deviceEntryBytes; ++i)
        ASSERT_EQ(list[i], 0) << "byte " << i;
    EXPECT_EQ(driver.qvFindDevice(), list); // the same list until shutdown
}

TEST_F(InstrumentDriver, NamesByEntryAndByHandleWithinFieldWidths) {
    attach("0xC350:VI000001:USB:0;0xCD16:S2:" + std::string(20, 'I') + ":1");
    char buffer[32];
    struct Case {
        int index;
        int kind;
        std::string name;
    };
    const Case cases[] = {{0, 0, "QV-C350"}, {0, 1, "USB"}, {1, 0, "QV-CD16"}, {1, 1, std::string(20, 'I')}};
    for (const auto& c : cases) {
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_NE(driver.qvInterfaceName(-1, entry(c.index), c.kind, buffer, 32), 0);
        EXPECT_EQ(std::string(buffer), c.name);
    }
    const DeviceHandle second = open(1);
    ASSERT_NE(second, noDevice);
    EXPECT_NE(driver.qvInterfaceName(second, nullptr, 1, buffer, 32), 0);
    EXPECT_EQ(std::string(buffer), std::string(20, 'I'));
    EXPECT_NE(driver.qvInterfaceName(second, nullptr, 0, buffer, 32), 0);
    EXPECT_EQ(std::string(buffer), "QV-CD16");

    // Refusals: unknown kind, no buffer, a handle that is not open, a forged entry.
    EXPECT_EQ(driver.qvInterfaceName(-1, entry(0), 2, buffer, 32), 0);
    EXPECT_EQ(driver.qvInterfaceName(-1, entry(0), 0, nullptr, 32), 0);
    EXPECT_EQ(driver.qvInterfaceName(-1, entry(0), 0, buffer, 0), 0);
    EXPECT_EQ(driver.qvInterfaceName(1, nullptr, 0, buffer, 32), 0);
    EXPECT_EQ(driver.qvInterfaceName(-1, nullptr, 0, buffer, 32), 0);
    std::uint8_t forged[deviceEntryBytes];
    std::memcpy(forged, entry(0), deviceEntryBytes);
    forged[4] ^= 1;
    EXPECT_EQ(driver.qvInterfaceName(-1, forged, 0, buffer, 32), 0);
    EXPECT_EQ(driver.qvHasHw(forged), noDevice);
    std::memcpy(forged, entry(0), deviceEntryBytes);
    forged[8] = 7; // slot beyond the attached instruments
    EXPECT_EQ(driver.qvHasHw(forged), noDevice);

    // A name longer than the buffer is cut and NUL-terminated, and the call says it failed.
    EXPECT_EQ(driver.qvInterfaceName(-1, entry(0), 0, buffer, 4), 0);
    EXPECT_EQ(std::string(buffer), "QV-");
}

TEST_F(InstrumentDriver, HandlesModelCodesAndStatus) {
    struct Case {
        const char* model;
        std::int32_t code;
    };
    const Case cases[] = {
        {"0xC350", 0xC350}, {"0xB016", 0xB016}, {"0xCD16", 0xCD16}, {"0xA020", 0xA020}, {"0x1234", 0x1234}};
    for (const auto& c : cases) {
        attach(std::string(c.model) + ":S:USB:0:18");
        const DeviceHandle handle = open(0);
        ASSERT_EQ(handle, 1) << c.model;
        EXPECT_EQ(open(0), handle) << "opening twice gives the same handle";
        EXPECT_EQ(driver.qvReset(handle), 1);
        std::int32_t running = 7, word = 7, model = 0;
        EXPECT_EQ(driver.qvReadStatus(handle, &running, &word, &model), 1);
        EXPECT_EQ(model, c.code);
        EXPECT_EQ(running, 0);
        EXPECT_EQ(word, 0);
        EXPECT_EQ(driver.qvGetHwInfo(handle, hwInfoModelCode), c.code);
        EXPECT_EQ(driver.qvGetHwInfo(handle, hwInfoOsHandle), 0x1000);
        EXPECT_EQ(driver.qvGetHwInfo(handle, 0x12345678u), 0);
        EXPECT_EQ(driver.qvCardType(handle), 18);
        EXPECT_EQ(fake.openHandles.size(), 1u);
    }
}

TEST_F(InstrumentDriver, DemoHandleAndUnopenedHandlesDoNothing) {
    attach("0xC350:S:USB:0");
    std::int32_t running = 7, word = 7, model = 7, loop = 3;
    std::uint64_t sample = 0;
    for (DeviceHandle handle : {noDevice, 0, 1, 2, 99}) { // 1 is attached but not opened
        EXPECT_EQ(driver.qvReset(handle), 0) << handle;
        EXPECT_EQ(driver.qvReadStatus(handle, &running, &word, &model), 0);
        EXPECT_EQ(driver.qvAdjVolt(handle, 0, 32), 0);
        EXPECT_EQ(driver.qvGetHwInfo(handle, hwInfoModelCode), 0);
        EXPECT_EQ(driver.qvGetHwInfo(handle, hwInfoOsHandle), 0);
        EXPECT_EQ(driver.qvCardType(handle), 0);
        EXPECT_EQ(driver.qvSetFreq(handle, 1000000, 0, &loop, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(driver.qvWriteData(handle, &sample, 1), 0);
        EXPECT_EQ(driver.qvEventSel(handle, 0), 0);
        EXPECT_EQ(driver.qvRun(handle), 0);
        EXPECT_EQ(driver.qvDataUnlatch(handle, 1), 0);
        EXPECT_EQ(driver.qvOutputEnable(handle, 1), 0);
        EXPECT_EQ(driver.qvKeyboardEvent(handle), 0);
        EXPECT_EQ(driver.qvStop(handle), 0);
        EXPECT_EQ(driver.qvPowerDown(handle), 0);
        EXPECT_NE(driver.uqvStartEx(handle, __FILE__, 0, 0), 0);
    }
    EXPECT_EQ(std::make_tuple(running, word, model), std::make_tuple(7, 7, 7));
}

TEST_F(InstrumentDriver, ReadsTextVectorFilesWithoutAnInstrument) {
    installPlatform({});
    driver = simulatorDriver();
    const std::string path = testing::TempDir() + "instrument_driver_test.qvv";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("INPUTS CLK; ASSIGN CLK 0;\nFREQUENCY 12.5 MHz;\nPATTERN\n0\n1\n;\n", file);
    std::fclose(file);
    std::vector<std::uint64_t> samples(4, 0xDEAD);
    std::vector<SignalEntry> signals(signalTableEntries);
    std::int32_t frequencyAndMode[2] = {0, 7};
    EXPECT_EQ(
        driver.qvReadQVV(path.c_str(), samples.data(), 4 * 8, signals.data(), signalTableEntries, frequencyAndMode), 0);
    EXPECT_EQ(frequencyAndMode[0], 12500000);
    EXPECT_STREQ(signals[0].name, "CLK");
    EXPECT_EQ(samples[0], 0u);
    EXPECT_EQ(samples[1], std::uint64_t{1} << 12);
    std::remove(path.c_str());
    EXPECT_NE(
        driver.qvReadQVV(path.c_str(), samples.data(), 4 * 8, signals.data(), signalTableEntries, frequencyAndMode), 0);
    EXPECT_NE(driver.qvReadQVV(nullptr, samples.data(), 4 * 8, signals.data(), signalTableEntries, frequencyAndMode),
              0);
}

TEST_F(InstrumentDriver, LevelsAreCheckedByModelAndRememberedPerGroup) {
    struct Case {
        const char* model;
        std::int32_t group;
        std::int32_t level;
        bool accepted;
    };
    const Case cases[] = {
        {"0xC350", 0, 255, true}, {"0xC350", 1, 32, true}, {"0xC350", 0, 256, false}, {"0xC350", 0, -1, false},
        {"0xC350", 2, 10, false}, {"0xC050", 1, 0, true},  {"0xC150", 1, 9, true},    {"0xC020", 1, 9, false},
        {"0xB016", 0, 7, true},   {"0xB016", 0, 8, false}, {"0xCD16", 0, 0, true},    {"0xA020", 0, 0, false},
        {"0x1234", 0, 0, false},
    };
    for (const auto& c : cases) {
        attach(std::string(c.model) + ":S:USB:0");
        const DeviceHandle handle = open(0);
        EXPECT_EQ(driver.qvAdjVolt(handle, c.group, c.level), c.accepted ? 1 : 0) << c.model << " " << c.level;
        const std::uint32_t info = c.group == 1 ? infoLevelGroup1 : infoLevelGroup0;
        if (c.group <= 1) {
            EXPECT_EQ(driver.qvGetHwInfo(handle, info), c.accepted ? c.level : -1);
        }
    }
    attach("0xC350:S:USB:0");
    const DeviceHandle handle = open(0);
    EXPECT_EQ(driver.qvAdjVolt(handle, 0, 10), 1);
    EXPECT_EQ(driver.qvAdjVolt(handle, 1, 20), 1);
    EXPECT_EQ(driver.qvAdjVolt(handle, 0, 300), 0); // refused: the old level stays
    EXPECT_EQ(driver.qvGetHwInfo(handle, infoLevelGroup0), 10);
    EXPECT_EQ(driver.qvGetHwInfo(handle, infoLevelGroup1), 20);
}

TEST_F(InstrumentDriver, RemovedInstruments) {
    // Listed but unplugged before it could be opened: the program falls back to demo mode.
    attach("0xC350:GONE:USB:0:0:removed;0xC050:HERE:USB:1");
    EXPECT_EQ(read32(entry(0)), 0x100u);
    EXPECT_EQ(open(0), noDevice);
    EXPECT_TRUE(fake.openHandles.empty());
    const DeviceHandle handle = open(1);
    ASSERT_EQ(handle, 2);

    // The removal watch tells the driver; the device then refuses every call but keeps its identity.
    EXPECT_EQ(driver.qvSetHwInfo(1, hwInfoDeviceRemoved, 1), 0);
    EXPECT_EQ(driver.qvSetHwInfo(0, hwInfoDeviceRemoved, 0), 0);
    EXPECT_EQ(driver.qvSetHwInfo(0, hwInfoModelCode, 1), 0);
    EXPECT_EQ(driver.qvReset(handle), 1);
    EXPECT_EQ(driver.qvSetHwInfo(0, hwInfoDeviceRemoved, 1), 1);
    EXPECT_EQ(driver.qvReset(handle), 0);
    EXPECT_EQ(driver.qvRun(handle), 0);
    std::int32_t running = 0, word = 0, model = 0;
    EXPECT_EQ(driver.qvReadStatus(handle, &running, &word, &model), 0);
    EXPECT_EQ(driver.qvGetHwInfo(handle, hwInfoModelCode), 0xC050);
    EXPECT_EQ(driver.qvGetHwInfo(handle, hwInfoOsHandle), 0x1004);
    EXPECT_EQ(driver.qvGetHwInfo(handle, infoStateBits) & stateRemoved, stateRemoved);
    EXPECT_EQ(open(1), noDevice);
    // Shutting down still closes its OS handle.
    EXPECT_EQ(driver.qvShutdown(handle), 1);
    EXPECT_TRUE(fake.openHandles.empty());
}

TEST_F(InstrumentDriver, ScheduledUnplug) {
    attach("0xC350:A:USB:0;0xC050:B:USB:1:0:unplug=1500;0xC020:C:USB:2:0:unplug=20");
    EXPECT_EQ(unplugDevice(1), 0) << "not open yet";
    const DeviceHandle plain = open(0), unplugged = open(1), closedEarly = open(2);
    EXPECT_EQ(open(1), unplugged); // opening again schedules nothing more
    EXPECT_EQ(fake.unplugEvents, (std::vector<std::string>{"schedule 1 1500", "schedule 2 20"}));

    EXPECT_EQ(unplugDevice(1), 0x1004) << "the handle the removal notification names";
    EXPECT_EQ(unplugDevice(1), 0) << "gone already";
    EXPECT_EQ(driver.qvReset(unplugged), 0);
    EXPECT_EQ(driver.qvReset(plain), 1);
    EXPECT_EQ(driver.qvGetHwInfo(unplugged, infoStateBits) & stateRemoved, stateRemoved);
    EXPECT_EQ(unplugDevice(0), 0x1000) << "any open instrument can be unplugged by slot";
    EXPECT_EQ(unplugDevice(7), 0);

    // Closing an instrument whose unplug is still pending cancels it.
    fake.unplugEvents.clear();
    EXPECT_EQ(driver.qvShutdown(closedEarly), 1);
    EXPECT_EQ(unplugDevice(2), 0);
    EXPECT_EQ(driver.qvShutdown(plain), 1);
    EXPECT_EQ(driver.qvShutdown(unplugged), 1);
    EXPECT_EQ(fake.unplugEvents, (std::vector<std::string>{"cancel 2", "cancel 1"}));
}

TEST_F(InstrumentDriver, OpeningFailsWithoutAnOsHandle) {
    attach("0xC350:S:USB:0");
    fake.failToOpen = true;
    EXPECT_EQ(open(0), noDevice);
}

TEST_F(InstrumentDriver, OutputCallsAreStored) {
    attach("0xC350:S:USB:0");
    const DeviceHandle handle = open(0);
    std::int32_t loop = 0x12345, unused = 0;
    struct FreqCase {
        std::int32_t frequency, mode, result, storedFrequency, storedMode, storedLoop;
    };
    const FreqCase freqCases[] = {
        {1000000, 0, 1, 1000000, 0, 0},
        {100000000, 0, 1, 100000000, 0, 0},
        {100000001, 0, 0, 100000001, 0, 0},
        {1000001, 0, 0, 1000001, 0, 0},
        {95000000, 0, 0, 95000000, 0, 0},
        {313, 0, 0, 313, 0, 0},
        {5, 0, 1, 5, 0, 0},
        {70000000, 0, 1, 70000000, 0, 0},
        {0, 0, 0, 0, 0, 0},
        {50000, 5, 1, 50000, 5, 0x2345},
        {0, 4, 1, 50000, 4, 0x2345},
        {1000, 4, 0, 50000, 4, 0x2345},
        {1000, 3, 0, 50000, 4, 0x2345},
    };
    for (const auto& c : freqCases) {
        EXPECT_EQ(driver.qvSetFreq(handle, c.frequency, c.mode, &loop, &unused, &unused, &unused, &unused, &unused),
                  c.result)
            << c.frequency << " mode " << c.mode;
        EXPECT_EQ(driver.qvGetHwInfo(handle, infoFrequency), c.storedFrequency);
        EXPECT_EQ(driver.qvGetHwInfo(handle, infoFrequencyMode), c.storedMode);
        EXPECT_EQ(driver.qvGetHwInfo(handle, infoLoopValue), c.storedLoop);
    }
    EXPECT_EQ(loop, 0x12345) << "the out words are not written";
    EXPECT_EQ(driver.qvSetFreq(handle, 1000, 5, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);

    // 200 MHz models take their own grid, up to 200 MHz.
    attach("0xCD16:S:USB:0");
    const DeviceHandle fast = open(0);
    EXPECT_EQ(driver.qvSetFreq(fast, 200000000, 0, &loop, &loop, &loop, &loop, &loop, &loop), 1);
    EXPECT_EQ(driver.qvSetFreq(fast, 200000001, 0, &loop, &loop, &loop, &loop, &loop, &loop), 0);
    EXPECT_EQ(driver.qvSetFreq(fast, 80000000, 0, &loop, &loop, &loop, &loop, &loop, &loop), 1);
    EXPECT_EQ(driver.qvSetFreq(fast, 80000001, 0, &loop, &loop, &loop, &loop, &loop, &loop), 0);

    // Sample memory: the program's whole sample buffer (depth + 22 samples) fits, more is cut.
    const int capacity = 65536 + 22;
    std::vector<std::uint64_t> samples(capacity + 1);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = i * 0x0101010101010101ull;
    attach("0xC020:S:USB:0");
    const DeviceHandle small = open(0);
    EXPECT_EQ(driver.qvWriteData(small, samples.data(), 3), 1);
    EXPECT_EQ(driver.qvGetHwInfo(small, infoSampleCount), 3);
    withRack([&](Rack& rack) {
        const auto& stored = rack.device(small)->samples;
        EXPECT_EQ(stored, std::vector<std::uint64_t>(samples.begin(), samples.begin() + 3));
    });
    EXPECT_EQ(driver.qvWriteData(small, samples.data(), capacity), 1);
    EXPECT_EQ(driver.qvWriteData(small, samples.data(), capacity + 1), 0);
    EXPECT_EQ(driver.qvGetHwInfo(small, infoSampleCount), capacity);
    EXPECT_EQ(driver.qvWriteData(small, nullptr, 1), 0);
    EXPECT_EQ(driver.qvWriteData(small, samples.data(), -1), 0);
    EXPECT_EQ(driver.qvWriteData(small, nullptr, 0), 1);

    // The calling order of one output and its end.
    struct Step {
        std::int32_t (*call)(Driver&, DeviceHandle);
        std::int32_t result;
        int stateBits;
    };
    const Step steps[] = {
        {[](Driver& d, DeviceHandle h) { return d.qvReset(h); }, 1, 0},
        {[](Driver& d, DeviceHandle h) { return d.qvEventSel(h, 2); }, 1, 0},
        {[](Driver& d, DeviceHandle h) { return d.qvEventSel(h, 3); }, 0, 0},
        {[](Driver& d, DeviceHandle h) { return d.qvRun(h); }, 1, stateStarted},
        {[](Driver& d, DeviceHandle h) { return d.qvDataUnlatch(h, 1); }, 1, stateStarted | stateDataUnlatched},
        {[](Driver& d, DeviceHandle h) { return d.qvDataUnlatch(h, 2); }, 0, stateStarted | stateDataUnlatched},
        {[](Driver& d, DeviceHandle h) { return d.qvOutputEnable(h, 1); }, 1,
         stateStarted | stateDataUnlatched | stateOutputEnabled},
        {[](Driver& d, DeviceHandle h) { return d.qvKeyboardEvent(h); }, 1,
         stateStarted | stateDataUnlatched | stateOutputEnabled},
        {[](Driver& d, DeviceHandle h) { return d.qvDataUnlatch(h, 0); }, 1, stateStarted | stateOutputEnabled},
        {[](Driver& d, DeviceHandle h) { return d.qvStop(h); }, 1, stateOutputEnabled},
        {[](Driver& d, DeviceHandle h) { return d.qvPowerDown(h); }, 1, statePoweredDown},
        {[](Driver& d, DeviceHandle h) { return d.qvRun(h); }, 1, stateStarted},
    };
    int index = 0;
    for (const auto& step : steps) {
        EXPECT_EQ(step.call(driver, small), step.result) << "step " << index;
        EXPECT_EQ(driver.qvGetHwInfo(small, infoStateBits), step.stateBits) << "step " << index;
        ++index;
    }
    EXPECT_EQ(driver.qvGetHwInfo(small, infoEventSelection), 2);
    EXPECT_EQ(driver.qvGetHwInfo(small, infoKeyEvents), 1);
    EXPECT_EQ(driver.qvGetHwInfo(small, infoResetCount), 1);

    // A waveform file is taken when it reads as a waveform of its kind; it is loaded and run.
    test::TempFolder folder;
    const std::string qvv = folder.file("a.qvv");
    std::FILE* file = std::fopen(qvv.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("INPUTS QV_Function CLK;\r\nASSIGN CLK 0;\r\nRADIX AUTO;\r\nFREQUENCYMODE INTERNAL;\r\n"
               "FREQUENCY 12.5 MHz;\r\nPATTERN\r\n000h 0;\r\n000h 1;\r\n000h 0;\r\n;",
               file);
    std::fclose(file);
    EXPECT_EQ(driver.uqvStartEx(small, qvv.c_str(), 1, 0), 0);
    EXPECT_NE(driver.uqvStartEx(small, qvv.c_str(), 0, 0), 0) << "a text vector file is no .qvw";
    EXPECT_NE(driver.uqvStartEx(small, __FILE__, 1, 0), 0) << "not a waveform";
    EXPECT_NE(driver.uqvStartEx(small, "/nonexistent/file.qvw", 0, 0), 0);
    EXPECT_NE(driver.uqvStartEx(small, qvv.c_str(), 2, 0), 0);
    EXPECT_NE(driver.uqvStartEx(small, nullptr, 0, 0), 0);
    withRack([&](Rack& rack) {
        EXPECT_EQ(rack.device(small)->startedFile, qvv);
        EXPECT_EQ(rack.device(small)->startedFileKind, 1);
        EXPECT_EQ(rack.device(small)->frequency, 12500000);
    });
    // Released from its start handshake, it holds the closing loop until the sample limit.
    EXPECT_EQ(driver.qvGetHwInfo(small, infoKeyEvents), 2);
    EXPECT_EQ(driver.qvGetHwInfo(small, infoSequencerState), static_cast<int>(SequencerState::Running));
}

TEST_F(InstrumentDriver, ShutdownClosesAndTheNextCallReadsTheConfigurationAgain) {
    attach("0xC350:S1:USB:0;0xC050:S2:USB:1;bad");
    EXPECT_EQ(fake.configurationReads, 0) << "read on first use, not before";
    const DeviceHandle first = open(0);
    const DeviceHandle second = open(1);
    EXPECT_EQ(fake.configurationReads, 1);
    ASSERT_EQ(fake.reports.size(), 1u);
    EXPECT_EQ(fake.openHandles.size(), 2u);
    std::uint8_t oldEntry[deviceEntryBytes];
    std::memcpy(oldEntry, entry(0), deviceEntryBytes);

    EXPECT_EQ(driver.qvShutdown(99), 0);
    EXPECT_EQ(driver.qvShutdown(first), 1);
    EXPECT_EQ(fake.openHandles.size(), 1u);
    EXPECT_EQ(driver.qvReset(first), 0);
    EXPECT_EQ(driver.qvReset(second), 1);
    EXPECT_EQ(driver.qvShutdown(second), 1);
    EXPECT_TRUE(fake.openHandles.empty());

    fake.devices = "0xB016:S3:USB:5";
    EXPECT_EQ(read32(entry(0) + 44), 5u);
    EXPECT_EQ(fake.configurationReads, 2);
    EXPECT_EQ(read32(entry(1)), 0u);
    // An entry kept from before the shutdown no longer opens anything.
    EXPECT_EQ(driver.qvHasHw(oldEntry), noDevice);
    EXPECT_EQ(driver.qvShutdown(noDevice), 1);
}

} // namespace
} // namespace qv::sim
