// Which virtual instruments are attached: parsed from the QVRUN_DEVICES environment text and from
// the QvRun.ini file next to the DLL. Bad entries are skipped and described, never fatal; the
// parser knows nothing of where the texts come from (the DLL glue reads them).
#pragma once

#include <array>
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
    std::string capturePath; // non-empty: what the instrument outputs is recorded there as VCD
    std::uint64_t sampleLimit = 0; // output clocks after which the sequencer stops; 0 the default
    std::array<std::vector<std::uint64_t>, 3> eventAt{}; // output sample numbers of EV1, EV2, EV3
    std::array<std::vector<std::uint64_t>, 3> eventEndAt{}; // where a line held high drops again
};

inline constexpr int maxUnplugAfterMs = 3600000;
inline constexpr std::uint64_t defaultSampleLimit = 10'000'000;
inline constexpr std::uint64_t maxSampleLimit = 1'000'000'000;

// "N" from 1 to maxSampleLimit; "S[,S...]" sample numbers (each at most maxSampleLimit).
std::optional<std::uint64_t> parseSampleLimit(std::string_view text);
std::optional<std::vector<std::uint64_t>> parseEventTimes(std::string_view text);
// An event line's schedule: "S" an event pulse at sample S, "A-B" the line held high from sample A
// until B (B > A; a printer's BUSY), items separated by ','.
struct EventSchedule {
    std::vector<std::uint64_t> at; // pulses and rises
    std::vector<std::uint64_t> endAt; // drops of held lines
};
std::optional<EventSchedule> parseEventSchedule(std::string_view text);

struct Configuration {
    std::vector<DeviceConfig> devices;
    std::vector<std::string> problems; // one line per skipped entry or unknown setting
};

// "MODEL:SERIAL:INTERFACE:DEVICENUMBER[:CARDTYPE[:OPTION...]]" entries separated by ';'; options
// are removed, unplug=MS, limit=N, ev1=S[,S...], ev2=..., ev3=... and, last because it takes the
// rest of the entry (a Windows path has colons), capture=PATH.
Configuration parseDeviceList(std::string_view text);

// [DeviceN] sections (in file order) with Model, Serial, Interface, DeviceNumber, CardType, Removed,
// UnplugAfterMs, Capture, SampleLimit, Ev1, Ev2, Ev3.
Configuration parseIni(std::string_view text);

// The environment text, when set (even empty), replaces the .ini, so that a test or a script
// always knows exactly which instruments are attached.
Configuration loadConfiguration(const std::optional<std::string>& environmentText,
                                const std::optional<std::string>& iniText);

} // namespace qv::sim
