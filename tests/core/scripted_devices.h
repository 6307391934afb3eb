// A scripted device list for tests of Select Device and its parsing: entries marked present with
// a serial and a device number; the driver's names fill the whole buffer when long enough (no NUL).
// Shared by the native tests and the Win32 tests of the dialog.
#pragma once

#include "device/driver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace qv::test {

struct ScriptedDevices {
    static inline std::array<std::uint8_t, deviceListEntries * deviceEntryBytes> list{};
    static inline bool namesWork = true;
    static constexpr int nameMarker = 20; // a byte of the entry the program does not read

    static void reset() {
        list.fill(0);
        namesWork = true;
    }
    static void add(int index, const std::string& serial, int number) {
        std::uint8_t* entry = list.data() + index * deviceEntryBytes;
        const std::uint32_t flags = deviceEntryPresent | 0x3;
        std::memcpy(entry + deviceEntryFlagsOffset, &flags, 4);
        std::memcpy(entry + deviceEntryNumberOffset, &number, 4);
        std::memcpy(entry + deviceEntrySerialOffset, serial.data(), std::min<std::size_t>(serial.size(), 32));
        entry[nameMarker] = static_cast<std::uint8_t>(index); // tells the name function which entry it is
    }
    static std::uint8_t* QV_DRIVER_CALL findDevice() { return list.data(); }
    static std::int32_t QV_DRIVER_CALL interfaceName(std::int32_t, const std::uint8_t* entry, std::int32_t kind,
                                                     char* buffer, std::int32_t size) {
        if (!namesWork) return 0;
        std::string name = kind == 0 ? "Model" + std::to_string(entry[nameMarker]) : "USB";
        if (entry[nameMarker] == 9) name = std::string(40, 'N'); // longer than the buffer: no NUL
        std::memcpy(buffer, name.data(), std::min<std::size_t>(name.size(), static_cast<std::size_t>(size)));
        return 1;
    }
    static Driver driver() {
        Driver d;
        d.qvFindDevice = findDevice;
        d.qvInterfaceName = interfaceName;
        return d;
    }
};

} // namespace qv::test
