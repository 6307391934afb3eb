// The VCD capture: time units for the sample clocks the instruments make, identifier codes, and a
// file that holds only changes (read back with the test's own reader).
#include "sim/vcd_capture.h"

#include "temp_folder.h"
#include "vcd_text.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>

namespace qv::sim {
namespace {

TEST(VcdCapture, TimescaleMakesOneSampleAWholeNumberOfUnits) {
    struct Case {
        std::int64_t hz;
        const char* unit;
        std::uint64_t units;
    };
    const Case cases[] = {
        {100000000, "10 ns", 1}, {12500000, "10 ns", 8},    {200000000, "1 ns", 5},
        {1, "1 s", 1},           {65, "1 us", 15385}, // 15.384615... ms, not exact: rounded to five digits
        {3, "10 us", 33333},     {80000000, "100 ps", 125}, {75000000, "1 ps", 13333} /* 13.33 ns */,
        {0, "1 ns", 1},          {1000, "1 ms", 1},
    };
    for (const Case& c : cases) {
        const VcdTimescale scale = vcdTimescale(c.hz);
        EXPECT_EQ(scale.unit, c.unit) << c.hz;
        EXPECT_EQ(scale.unitsPerSample, c.units) << c.hz;
    }
}

TEST(VcdCapture, IdentifiersAreDistinctPrintableCodes) {
    EXPECT_EQ(vcdIdentifier(0), "!");
    EXPECT_EQ(vcdIdentifier(93), "~");
    EXPECT_EQ(vcdIdentifier(94), "!\"");
    std::set<std::string> seen;
    for (int i = 0; i < 300; ++i) EXPECT_TRUE(seen.insert(vcdIdentifier(i)).second) << i;
}

TEST(VcdCapture, OnlyChangesAreWritten) {
    test::TempFolder folder;
    const std::string path = folder.file("c.vcd");
    VcdCapture capture;
    ASSERT_TRUE(capture.open(path, 2, 12500000));
    const Sample all = ~Sample{0};
    const Sample ch1 = channelBit(1);
    capture.output(0, 0, all);
    capture.output(1, 0 | 0x123, all); // a command field alone changes no pin
    capture.output(2, ch1, all);
    capture.output(5, ch1, all & ~ch1); // ch1 floats
    capture.output(6, ch1 | (Sample{1} << 63), all);
    ASSERT_TRUE(capture.close(9));

    std::ifstream file(path);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(text.substr(text.find("$enddefinitions")),
              "$enddefinitions $end\n#0\n$dumpvars\n0!\n0\"\n0#\n0$\n$end\n#16\n1\"\n#40\nz\"\n#48\n1\"\n1$\n#72\n");
    const test::VcdTrace trace = test::readVcd(path);
    ASSERT_TRUE(trace.ok);
    EXPECT_EQ(trace.names, (std::vector<std::string>{"ch0", "ch1", "port0", "port1"}));
    EXPECT_EQ(trace.levels.at("ch1").substr(0, 72),
              std::string(16, '0') + std::string(24, '1') + std::string(8, 'z') + std::string(24, '1'));
}

TEST(VcdCapture, ReplacedCaptureIsClosedWhole) {
    test::TempFolder folder;
    const std::string path = folder.file("r.vcd");
    VcdCapture capture;
    ASSERT_TRUE(capture.open(path, 2, 12500000));
    capture.output(0, channelBit(0), ~Sample{0});
    capture.output(3, 0, ~Sample{0});
    capture = VcdCapture{}; // the open file is finished, up to its last change, before it goes
    EXPECT_FALSE(capture.isOpen());
    const test::VcdTrace trace = test::readVcd(path);
    ASSERT_TRUE(trace.ok);
    EXPECT_EQ(trace.levels.at("ch0").substr(0, 24), std::string(24, '1'));
}

TEST(VcdCapture, UnwritableFileIsReported) {
    VcdCapture capture;
    EXPECT_FALSE(capture.open("/nonexistent/folder/c.vcd", 4, 1000));
    EXPECT_FALSE(capture.close(0));
}

} // namespace
} // namespace qv::sim
