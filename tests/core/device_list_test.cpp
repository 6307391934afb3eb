// The device list as Select Device reads it: fixed-width fields, present entries, device numbers,
// and the driver's names (a name filling its 32 bytes has no NUL and is kept whole).
#include "device/device_list.h"

#include "scripted_devices.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

using test::ScriptedDevices;

TEST(DeviceList, FieldsAreReadWithinTheirWidths) {
    const std::uint8_t noNul[4] = {'A', 'B', 'C', 'D'};
    EXPECT_EQ(fixedWidthText(noNul, 4), "ABCD");
    EXPECT_EQ(fixedWidthText(noNul, 2), "AB");
    const std::uint8_t withNul[4] = {'A', 0, 'C', 'D'};
    EXPECT_EQ(fixedWidthText(withNul, 4), "A");

    ScriptedDevices::reset();
    ScriptedDevices::add(9, std::string(32, 'S'), 4);
    const auto lines = presentDevices(ScriptedDevices::driver(), ScriptedDevices::list.data());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].entryIndex, 9);
    EXPECT_EQ(lines[0].serial, std::string(32, 'S'));
    EXPECT_EQ(lines[0].model, std::string(32, 'N'));
    EXPECT_EQ(deviceNumberOf(ScriptedDevices::list.data() + 9 * deviceEntryBytes), 4);
    EXPECT_TRUE(presentDevices(ScriptedDevices::driver(), nullptr).empty());
}

TEST(DeviceList, PresentEntriesInListOrderAndNamesThatFail) {
    ScriptedDevices::reset();
    ScriptedDevices::add(135, "LAST", 7);
    ScriptedDevices::add(0, "FIRST", 1);
    auto lines = presentDevices(ScriptedDevices::driver(), ScriptedDevices::list.data());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].entryIndex, 0);
    EXPECT_EQ(lines[0].model, "Model0");
    EXPECT_EQ(lines[1].entryIndex, 135);
    EXPECT_EQ(lines[1].interfaceName, "USB");

    // A failed call or a driver without the function gives no name, whatever the buffer holds.
    ScriptedDevices::namesWork = false;
    EXPECT_EQ(interfaceName(ScriptedDevices::driver(), 3, nullptr, interfaceNameModel), "");
    EXPECT_EQ(interfaceName(Driver{}, 3, nullptr, interfaceNameModel), "");
}

} // namespace
} // namespace qv
