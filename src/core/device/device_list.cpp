// Device-list parsing.
#include "device/device_list.h"

#include <algorithm>
#include <cstring>

namespace qv {

std::string fixedWidthText(const std::uint8_t* field, std::size_t width) {
    const auto* begin = reinterpret_cast<const char*>(field);
    return std::string(begin, std::find(begin, begin + width, '\0'));
}

std::string interfaceName(const Driver& driver, DeviceHandle handle, const std::uint8_t* entry, int kind) {
    std::uint8_t buffer[interfaceNameBytes] = {};
    if (!driver.qvInterfaceName) return {};
    if (!driver.qvInterfaceName(handle, entry, kind, reinterpret_cast<char*>(buffer),
                                static_cast<std::int32_t>(sizeof buffer)))
        return {};
    return fixedWidthText(buffer, sizeof buffer);
}

std::vector<DeviceLine> presentDevices(const Driver& driver, const std::uint8_t* deviceList) {
    std::vector<DeviceLine> lines;
    if (!deviceList) return lines;
    for (int index = 0; index < deviceListEntries; ++index) {
        const std::uint8_t* entry = deviceList + index * deviceEntryBytes;
        std::uint32_t flags = 0;
        std::memcpy(&flags, entry + deviceEntryFlagsOffset, sizeof flags);
        if (!(flags & deviceEntryPresent)) continue;
        lines.push_back({index, interfaceName(driver, noDevice, entry, interfaceNameModel),
                         fixedWidthText(entry + deviceEntrySerialOffset, deviceEntrySerialBytes),
                         interfaceName(driver, noDevice, entry, interfaceNameInterface)});
    }
    return lines;
}

int deviceNumberOf(const std::uint8_t* entry) {
    std::int32_t number = 0;
    std::memcpy(&number, entry + deviceEntryNumberOffset, sizeof number);
    return number;
}

} // namespace qv
