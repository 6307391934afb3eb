// The driver's device list as Select Device shows it: the present instruments with their model
// and interface names and serial numbers, and each entry's device number. Names are fixed-width
// fields that need not end with a NUL: a name that fills its 32 bytes is kept whole.
#pragma once

#include "device/driver.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

inline constexpr std::size_t interfaceNameBytes = 32;
inline constexpr int interfaceNameModel = 0; // the kind argument of qvInterfaceName
inline constexpr int interfaceNameInterface = 1;

// A text field of a fixed width: up to the first NUL, else the whole width.
std::string fixedWidthText(const std::uint8_t* field, std::size_t width);

// qvInterfaceName of an open instrument (entry null) or of a device-list entry (handle noDevice):
// the name of the kind, empty when the driver has no such function or the call fails.
std::string interfaceName(const Driver& driver, DeviceHandle handle, const std::uint8_t* entry, int kind);

struct DeviceLine {
    int entryIndex;
    std::string model;
    std::string serial;
    std::string interfaceName;
};
// The present instruments of a device list (null: none), in list order.
std::vector<DeviceLine> presentDevices(const Driver& driver, const std::uint8_t* deviceList);
int deviceNumberOf(const std::uint8_t* entry);

} // namespace qv
