// Which virtual instruments are attached: parsed from the QVRUN_DEVICES environment text and from
// the QvRun.ini file next to the DLL. Bad entries are skipped and described, never fatal; the
// parser knows nothing of where the texts come from (the DLL glue reads them).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::sim {

// Field widths of a device-list entry that bound the configured texts.
inline constexpr int maxSerialLength = 32; // the serial field holds 32 bytes, NUL only if shorter
inline constexpr int maxInterfaceLength = 20; // the interface-name field holds 20 bytes
inline constexpr int maxDevices = 136; // entries of the device list

struct DeviceConfig {
    int modelCode = 0;
    std::string serial;
    std::string interfaceName;
    std::int32_t deviceNumber = 0;
    std::int32_t cardType = 0;
    bool removed = false; // listed, but unplugged before it could be opened
    int unplugAfterMs = 0; // > 0: unplugged this long after it was opened (removal watch tests)
};

inline constexpr int maxUnplugAfterMs = 3600000;

struct Configuration {
    std::vector<DeviceConfig> devices;
    std::vector<std::string> problems; // one line per skipped entry or unknown setting
};

// "MODEL:SERIAL:INTERFACE:DEVICENUMBER[:CARDTYPE[:removed|:unplug=MS]]" entries separated by ';'.
Configuration parseDeviceList(std::string_view text);

// [DeviceN] sections (in file order) with Model, Serial, Interface, DeviceNumber, CardType, Removed,
// UnplugAfterMs.
Configuration parseIni(std::string_view text);

// The environment text, when set (even empty), replaces the .ini, so that a test or a script
// always knows exactly which instruments are attached.
Configuration loadConfiguration(const std::optional<std::string>& environmentText,
                                const std::optional<std::string>& iniText);

} // namespace qv::sim
