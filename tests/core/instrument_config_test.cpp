// The virtual instrument's configuration texts: QVRUN_DEVICES entries, QvRun.ini sections, and
// which of the two applies.
#include "sim/config.h"

#include <gtest/gtest.h>

namespace qv::sim {
namespace {

std::string describe(const DeviceConfig& d) {
    return std::to_string(d.modelCode) + "|" + d.serial + "|" + d.interfaceName + "|" + std::to_string(d.deviceNumber) +
        "|" + std::to_string(d.cardType) + (d.removed ? "|removed" : "") +
        (d.unplugAfterMs > 0 ? "|unplug " + std::to_string(d.unplugAfterMs) : "");
}

std::vector<std::string> describeAll(const Configuration& config) {
    std::vector<std::string> out;
    for (const auto& d : config.devices) out.push_back(describe(d));
    return out;
}

const std::string serial32(32, 'S');
const std::string interface20(20, 'I');

TEST(InstrumentConfig, GoodDeviceListEntries) {
    struct Case {
        std::string text;
        std::vector<std::string> devices;
    };
    const Case cases[] = {
        {"", {}},
        {"0xC350:VI000001:USB:0", {"50000|VI000001|USB|0|0"}},
        {"C350:A:USB:3:18", {"50000|A|USB|3|18"}},
        {"50000:A:USB:0", {"50000|A|USB|0|0"}},
        {" 0xB016 : S1 : USB 2.0 : 7 ; 0xa020:S2:PCI:8:0:removed;",
         {"45078|S1|USB 2.0|7|0", "40992|S2|PCI|8|0|removed"}},
        {"0x1234:S:USB:0:0:REMOVED", {"4660|S|USB|0|0|removed"}},
        {"0x1234:S:USB:0:0:unplug=3000", {"4660|S|USB|0|0|unplug 3000"}},
        {"0x1234:S:USB:0:0:Unplug=3600000", {"4660|S|USB|0|0|unplug 3600000"}},
        {";;0xCD16:" + serial32 + ":" + interface20 + ":2147483647",
         {"52502|" + serial32 + "|" + interface20 + "|2147483647|0"}},
    };
    for (const auto& c : cases) {
        const Configuration config = parseDeviceList(c.text);
        EXPECT_EQ(describeAll(config), c.devices) << c.text;
        EXPECT_TRUE(config.problems.empty()) << c.text << ": " << (config.problems.empty() ? "" : config.problems[0]);
    }
}

TEST(InstrumentConfig, BadDeviceListEntriesAreSkippedAndDescribed) {
    struct Case {
        std::string text;
        std::string problem; // part of the one problem line
    };
    const Case cases[] = {
        {"0xZZ:S:USB:0", "bad model code '0xZZ'"},
        {"-5:S:USB:0", "bad model code"},
        {"0xC350::USB:0", "bad serial number"},
        {"0xC350:" + serial32 + "X:USB:0", "bad serial number"},
        {"0xC350:S N:USB:0", "bad serial number"},
        {"0xC350:S:" + interface20 + "X:0", "bad interface name"},
        {"0xC350:S::0", "bad interface name"},
        {"0xC350:S:USB:-1", "bad device number"},
        {"0xC350:S:USB:x", "bad device number"},
        {"0xC350:S:USB:99999999999", "bad device number"},
        {"0xC350:S:USB:0:abc", "bad card type"},
        {"0xC350:S:USB:0:0:gone", "unknown option 'gone'"},
        {"0xC350:S:USB:0:0:unplug=0", "unplug=MS"},
        {"0xC350:S:USB:0:0:unplug=3600001", "unplug=MS"},
        {"0xC350:S:USB:0:0:unplug=soon", "unplug=MS"},
        {"0xC350:S:USB", "expected MODEL:SERIAL"},
        {"0xC350:S:USB:0:0:removed:x", "unknown option 'x'"},
        {"0xC350:S:USB:0:0:limit=0", "sample limit"},
        {"0xC350:S:USB:0:0:limit=1000000001", "sample limit"},
        {"0xC350:S:USB:0:0:ev1=5,,7", "EV1"},
        {"0xC350:S:USB:0:0:ev3=-1", "EV3"},
        {"0xC350:S:USB:0:0:ev4=1", "unknown option 'ev4'"},
        {"0xC350:S:USB:0:0:capture=", "capture="},
    };
    for (const auto& c : cases) {
        // The good entry after the bad one survives.
        const Configuration config = parseDeviceList(c.text + ";0xC050:GOOD:USB:1");
        EXPECT_EQ(describeAll(config), std::vector<std::string>{"49232|GOOD|USB|1|0"}) << c.text;
        ASSERT_EQ(config.problems.size(), 1u) << c.text;
        EXPECT_NE(config.problems[0].find(c.problem), std::string::npos) << config.problems[0];
        EXPECT_NE(config.problems[0].find("entry 1"), std::string::npos) << config.problems[0];
    }
}

TEST(InstrumentConfig, DuplicateSerialsAndTheListLimit) {
    Configuration config = parseDeviceList("0xC350:S1:USB:0;0xC050:S1:USB:1");
    EXPECT_EQ(config.devices.size(), 1u);
    ASSERT_EQ(config.problems.size(), 1u);
    EXPECT_NE(config.problems[0].find("already attached"), std::string::npos);

    std::string many;
    for (int i = 0; i < 137; ++i) many += "0xC350:S" + std::to_string(i) + ":USB:" + std::to_string(i) + ";";
    config = parseDeviceList(many);
    EXPECT_EQ(config.devices.size(), 136u);
    ASSERT_EQ(config.problems.size(), 1u);
    EXPECT_NE(config.problems[0].find("more than 136"), std::string::npos);
}

TEST(InstrumentConfig, IniSectionsWithDefaults) {
    const std::string ini = "\xEF\xBB\xBF; virtual instruments\r\n"
                            "[Device1]\r\n"
                            "Model=0xC350\r\n"
                            "Serial = VI000001\r\n"
                            "Interface=USB 2.0\r\n"
                            "DeviceNumber=5\r\n"
                            "CardType=18\r\n"
                            "\r\n"
                            "# the second one only says what it must\r\n"
                            "[device2]\n"
                            "model=B016\n"
                            "SERIAL=VI000002\n"
                            "[Device3]\n"
                            "Model=0xA050\n"
                            "Serial=VI000003\n"
                            "Removed=1\n"
                            "[Device4]\n"
                            "Model=0xC350\n"
                            "Serial=VI000004\n"
                            "UnplugAfterMs=2500\n";
    const Configuration config = parseIni(ini);
    // Interface defaults to USB, the device number to the position among the accepted devices.
    EXPECT_EQ(describeAll(config),
              (std::vector<std::string>{"50000|VI000001|USB 2.0|5|18", "45078|VI000002|USB|1|0",
                                        "41040|VI000003|USB|2|0|removed", "50000|VI000004|USB|3|0|unplug 2500"}));
    EXPECT_TRUE(config.problems.empty()) << config.problems[0];
}

TEST(InstrumentConfig, BadIniContent) {
    struct Case {
        std::string ini;
        std::size_t devices;
        std::string problem;
    };
    const Case cases[] = {
        {"[Device1]\nSerial=S\n", 0, "[Device1]: Model is missing"},
        {"[Device1]\nModel=C350\n", 0, "[Device1]: Serial is missing"},
        {"[Device1]\nModel=C350\nSerial=S\nRemoved=2\n", 0, "Removed must be 0 or 1"},
        {"[Device1]\nModel=C350\nSerial=S\nCardType=-3\n", 0, "bad card type"},
        {"[Device1]\nModel=C350\nSerial=S\nUnplugAfterMs=0\n", 0, "UnplugAfterMs must be 1 to 3600000"},
        {"[Device1]\nModel=C350\nSerial=S\nColour=red\n", 1, "line 4: unknown setting Colour"},
        {"[Options]\nModel=C350\n[Device1]\nModel=C350\nSerial=S\n", 1, "line 1: unknown section [Options]"},
        {"[Device1\nModel=C350\nSerial=S\n", 0, "line 1: bad section header"},
        {"[Device1]\nModel C350\nSerial=S\n", 0, "line 2: expected Name=Value"},
        {"Model=C350\n[Device1]\nModel=C350\nSerial=S\n", 1, "line 1: setting outside a [DeviceN] section"},
    };
    for (const auto& c : cases) {
        const Configuration config = parseIni(c.ini);
        EXPECT_EQ(config.devices.size(), c.devices) << c.ini;
        ASSERT_FALSE(config.problems.empty()) << c.ini;
        EXPECT_NE(config.problems[0].find(c.problem), std::string::npos) << config.problems[0];
    }
}

TEST(InstrumentConfig, EnvironmentReplacesTheIni) {
    const std::string ini = "[Device1]\nModel=C350\nSerial=FROMINI\n";
    EXPECT_EQ(loadConfiguration(std::nullopt, std::nullopt).devices.size(), 0u);
    EXPECT_EQ(describeAll(loadConfiguration(std::nullopt, ini)), std::vector<std::string>{"50000|FROMINI|USB|0|0"});
    EXPECT_EQ(describeAll(loadConfiguration("0xB016:FROMENV:USB:4", ini)),
              std::vector<std::string>{"45078|FROMENV|USB|4|0"});
    // Set but empty: no instrument, whatever the ini says.
    EXPECT_EQ(loadConfiguration(std::string(), ini).devices.size(), 0u);
}

} // namespace
} // namespace qv::sim

namespace qv::sim {
namespace {

TEST(InstrumentConfigSimulation, OptionsOfAnEntry) {
    const Configuration config =
        parseDeviceList("0xC350:S:USB:0:0:removed:limit=500:ev2=30,10:ev1=7:capture=C:\\runs\\a;b.vcd;0xC050:T:USB:1");
    ASSERT_EQ(config.devices.size(), 2u) << "the ; still ends the entry";
    const DeviceConfig& d = config.devices[0];
    EXPECT_TRUE(d.removed);
    EXPECT_EQ(d.sampleLimit, 500u);
    EXPECT_EQ(d.eventAt[0], (std::vector<std::uint64_t>{7}));
    EXPECT_EQ(d.eventAt[1], (std::vector<std::uint64_t>{30, 10}));
    EXPECT_TRUE(d.eventAt[2].empty());
    EXPECT_EQ(d.capturePath, "C:\\runs\\a");
}

TEST(InstrumentConfigSimulation, CaptureKeepsColonsAndNeedsNoCardType) {
    const Configuration config = parseDeviceList("0xC350:S:USB:0:0:capture=C:\\runs\\out.vcd");
    ASSERT_EQ(config.devices.size(), 1u);
    EXPECT_EQ(config.devices[0].capturePath, "C:\\runs\\out.vcd");
    EXPECT_EQ(config.devices[0].sampleLimit, 0u) << "0 leaves the default";
}

TEST(InstrumentConfigSimulation, IniKeys) {
    const Configuration config = parseIni("[Device1]\nModel=0xB016\nSerial=A\nCapture=/tmp/x y.vcd\nSampleLimit=12\n"
                                          "Ev3=1,2,3\n[Device2]\nModel=0xB016\nSerial=B\nEv1=x\n");
    ASSERT_EQ(config.devices.size(), 1u);
    EXPECT_EQ(config.devices[0].capturePath, "/tmp/x y.vcd");
    EXPECT_EQ(config.devices[0].sampleLimit, 12u);
    EXPECT_EQ(config.devices[0].eventAt[2], (std::vector<std::uint64_t>{1, 2, 3}));
    ASSERT_EQ(config.problems.size(), 1u);
    EXPECT_NE(config.problems[0].find("EV1"), std::string::npos) << config.problems[0];
}

} // namespace
} // namespace qv::sim
