// Configuration texts of the virtual instruments. Every entry is checked field by field against
// the device-list widths; a bad entry is skipped with a one-line description, the others stay.
#include "sim/config.h"

#include "support/field_values.h"

#include "app/models.h"

#include <algorithm>
#include <limits>

namespace qv::sim {
namespace {

constexpr std::string_view defaultInterface = "USB";

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(trim(text.substr(0, at)));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

std::optional<std::int32_t> parseNonNegative(std::string_view text) {
    const auto value = parseDigits(text, std::numeric_limits<std::int32_t>::max());
    if (!value) return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

// Printable ASCII only: the names travel as ANSI text into list boxes and registry paths.
bool isPrintableName(std::string_view text, std::size_t maxLength, bool allowSpaces) {
    if (text.empty() || text.size() > maxLength) return false;
    return std::all_of(text.begin(), text.end(), [&](char c) {
        return (c > ' ' && c < 0x7F && c != ':' && c != ';') || (allowSpaces && c == ' ');
    });
}

// One entry's fields as written, before checking.
struct EntryText {
    std::string_view model, serial, interfaceName, deviceNumber, cardType, removed;
};

// Checks the fields; on success returns the device, else the reason.
std::optional<DeviceConfig> checkEntry(const EntryText& text, std::string& reason) {
    DeviceConfig device;
    device.modelCode = parseModelCode(text.model);
    if (device.modelCode < 0) {
        reason = "bad model code '" + std::string(text.model) + "'";
        return std::nullopt;
    }
    if (!isPrintableName(text.serial, maxSerialLength, false)) {
        reason = "bad serial number '" + std::string(text.serial) + "' (1 to 32 printable characters)";
        return std::nullopt;
    }
    device.serial = text.serial;
    if (!isPrintableName(text.interfaceName, maxInterfaceLength, true)) {
        reason = "bad interface name '" + std::string(text.interfaceName) + "' (1 to 20 printable characters)";
        return std::nullopt;
    }
    device.interfaceName = text.interfaceName;
    const auto number = parseNonNegative(text.deviceNumber);
    if (!number) {
        reason = "bad device number '" + std::string(text.deviceNumber) + "'";
        return std::nullopt;
    }
    device.deviceNumber = *number;
    if (!text.cardType.empty()) {
        const auto card = parseNonNegative(text.cardType);
        if (!card) {
            reason = "bad card type '" + std::string(text.cardType) + "'";
            return std::nullopt;
        }
        device.cardType = *card;
    }
    return device;
}

void addDevice(Configuration& config, const std::string& where, std::optional<DeviceConfig> device,
               const std::string& reason) {
    if (!device) {
        config.problems.push_back(where + ": " + reason + "; skipped");
        return;
    }
    if (static_cast<int>(config.devices.size()) >= maxDevices) {
        config.problems.push_back(where + ": more than 136 instruments; skipped");
        return;
    }
    const bool duplicate = std::any_of(config.devices.begin(), config.devices.end(),
                                       [&](const DeviceConfig& d) { return d.serial == device->serial; });
    if (duplicate) {
        config.problems.push_back(where + ": serial number " + device->serial + " is already attached; skipped");
        return;
    }
    config.devices.push_back(std::move(*device));
}

std::optional<int> parseUnplugDelay(std::string_view text) {
    const auto milliseconds = parseNonNegative(text);
    if (!milliseconds || *milliseconds < 1 || *milliseconds > maxUnplugAfterMs) return std::nullopt;
    return *milliseconds;
}

// Applies one simulation option (limit=, ev1=, ev2=, ev3=) by name; false with a reason if bad.
bool applySimulationOption(DeviceConfig& device, std::string_view name, std::string_view value, std::string& reason) {
    if (equalsIgnoringCase(name, "limit") || equalsIgnoringCase(name, "SampleLimit")) {
        const auto limit = parseSampleLimit(value);
        if (!limit) {
            reason = "the sample limit must be 1 to 1000000000";
            return false;
        }
        device.sampleLimit = *limit;
        return true;
    }
    for (int n = 0; n < 3; ++n) {
        if (!equalsIgnoringCase(name, "ev" + std::to_string(n + 1))) continue;
        const auto schedule = parseEventSchedule(value);
        if (!schedule) {
            reason = "EV" + std::to_string(n + 1) + " must be sample numbers or ranges A-B separated by ','";
            return false;
        }
        device.eventAt[static_cast<std::size_t>(n)] = schedule->at;
        device.eventEndAt[static_cast<std::size_t>(n)] = schedule->endAt;
        return true;
    }
    reason = "unknown option '" + std::string(name) + "'";
    return false;
}

std::optional<bool> parseRemovedFlag(std::string_view text) {
    if (text == "0") return false;
    if (text == "1") return true;
    return std::nullopt;
}

// The settings of one [DeviceN] section while it is being read.
struct IniSection {
    std::string name;
    std::optional<std::string> model, serial, interfaceName, deviceNumber, cardType, removed, unplugAfterMs;
    std::optional<std::string> capture, sampleLimit, ev1, ev2, ev3;
};

void finishSection(Configuration& config, const IniSection& section) {
    const std::string where = "[" + section.name + "]";
    std::string reason;
    std::optional<DeviceConfig> device;
    if (!section.model) {
        reason = "Model is missing";
    } else if (!section.serial) {
        reason = "Serial is missing";
    } else {
        // The entry holds views: every text it names must outlive it.
        const std::string number = section.deviceNumber.value_or(std::to_string(config.devices.size()));
        const std::string cardType = section.cardType.value_or("");
        const EntryText text{*section.model,
                             *section.serial,
                             section.interfaceName ? std::string_view(*section.interfaceName) : defaultInterface,
                             number,
                             cardType,
                             {}};
        device = checkEntry(text, reason);
        if (device && section.removed) {
            const auto removed = parseRemovedFlag(*section.removed);
            if (removed) {
                device->removed = *removed;
            } else {
                reason = "Removed must be 0 or 1";
                device.reset();
            }
        }
        if (device && section.unplugAfterMs) {
            const auto delay = parseUnplugDelay(*section.unplugAfterMs);
            if (delay) {
                device->unplugAfterMs = *delay;
            } else {
                reason = "UnplugAfterMs must be 1 to 3600000";
                device.reset();
            }
        }
        if (device && section.capture) device->capturePath = *section.capture;
        const std::pair<const char*, const std::optional<std::string>*> options[] = {
            {"limit", &section.sampleLimit}, {"ev1", &section.ev1}, {"ev2", &section.ev2}, {"ev3", &section.ev3}};
        for (const auto& [name, value] : options)
            if (device && *value && !applySimulationOption(*device, name, **value, reason)) device.reset();
    }
    addDevice(config, where, std::move(device), reason);
}

} // namespace

std::optional<std::uint64_t> parseSampleLimit(std::string_view text) {
    const auto value = parseDigits(trim(text), maxSampleLimit);
    if (!value || *value < 1) return std::nullopt;
    return value;
}

std::optional<std::vector<std::uint64_t>> parseEventTimes(std::string_view text) {
    std::vector<std::uint64_t> times;
    for (std::string_view part : split(text, ',')) {
        const auto value = parseDigits(part, maxSampleLimit);
        if (!value) return std::nullopt;
        times.push_back(*value);
    }
    return times;
}

std::optional<EventSchedule> parseEventSchedule(std::string_view text) {
    EventSchedule schedule;
    for (std::string_view part : split(text, ',')) {
        const std::size_t dash = part.find('-');
        const auto first = parseDigits(part.substr(0, dash), maxSampleLimit);
        if (!first) return std::nullopt;
        schedule.at.push_back(*first);
        if (dash == std::string_view::npos) continue;
        const auto end = parseDigits(part.substr(dash + 1), maxSampleLimit);
        if (!end || *end <= *first) return std::nullopt;
        schedule.endAt.push_back(*end);
    }
    return schedule;
}

Configuration parseDeviceList(std::string_view text) {
    Configuration config;
    int position = 0;
    for (std::string_view entry : split(text, ';')) {
        ++position;
        if (entry.empty()) continue; // "a;;b" and a trailing ';' are harmless
        const std::string where = "QVRUN_DEVICES entry " + std::to_string(position) + " '" + std::string(entry) + "'";
        auto fields = split(entry, ':');
        // capture=PATH takes the rest of the entry, colons included.
        std::optional<std::string> capture;
        for (std::size_t i = 5; i < fields.size(); ++i) {
            if (!startsWithIgnoringCase(fields[i], "capture=")) continue;
            const auto at = static_cast<std::size_t>(fields[i].data() - entry.data()) + 8;
            capture = std::string(trim(entry.substr(at)));
            fields.resize(i);
            break;
        }
        std::string reason;
        std::optional<DeviceConfig> device;
        if (fields.size() < 4) {
            reason = "expected MODEL:SERIAL:INTERFACE:DEVICENUMBER[:CARDTYPE[:OPTION...]]";
        } else {
            const EntryText fieldText{
                fields[0], fields[1], fields[2], fields[3], fields.size() > 4 ? fields[4] : std::string_view{}, {}};
            device = checkEntry(fieldText, reason);
            constexpr std::string_view unplugPrefix = "unplug=";
            for (std::size_t i = 5; device && i < fields.size(); ++i) {
                const std::string_view option = fields[i];
                const auto equals = option.find('=');
                if (equalsIgnoringCase(option, "removed")) {
                    device->removed = true;
                } else if (startsWithIgnoringCase(option, unplugPrefix)) {
                    const auto delay = parseUnplugDelay(option.substr(unplugPrefix.size()));
                    if (delay) {
                        device->unplugAfterMs = *delay;
                    } else {
                        reason = "unplug=MS must be 1 to 3600000";
                        device.reset();
                    }
                } else if (equals == std::string_view::npos ||
                           !applySimulationOption(*device, option.substr(0, equals), option.substr(equals + 1),
                                                  reason)) {
                    if (equals == std::string_view::npos) reason = "unknown option '" + std::string(option) + "'";
                    device.reset();
                }
            }
            if (device && capture) {
                if (capture->empty()) {
                    reason = "capture= needs a file path";
                    device.reset();
                } else {
                    device->capturePath = *capture;
                }
            }
        }
        addDevice(config, where, std::move(device), reason);
    }
    return config;
}

Configuration parseIni(std::string_view text) {
    Configuration config;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::optional<IniSection> section;
    bool inDeviceSection = false;
    bool inAnySection = false;
    int lineNumber = 0;
    for (std::string_view line : split(text, '\n')) {
        ++lineNumber;
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        const std::string where = "QvRun.ini line " + std::to_string(lineNumber);
        if (line.front() == '[') {
            if (section) finishSection(config, *section);
            section.reset();
            inDeviceSection = false;
            inAnySection = true;
            if (line.back() != ']') {
                config.problems.push_back(where + ": bad section header; ignored");
                continue;
            }
            const std::string_view name = trim(line.substr(1, line.size() - 2));
            if (startsWithIgnoringCase(name, "Device")) {
                section = IniSection{};
                section->name = std::string(name);
                inDeviceSection = true;
            } else {
                config.problems.push_back(where + ": unknown section [" + std::string(name) + "]; ignored");
            }
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            config.problems.push_back(where + ": expected Name=Value; ignored");
            continue;
        }
        if (!inAnySection) {
            config.problems.push_back(where + ": setting outside a [DeviceN] section; ignored");
            continue;
        }
        if (!inDeviceSection) continue; // settings of an unknown section were reported with it
        const std::string_view key = trim(line.substr(0, equals));
        const std::string value(trim(line.substr(equals + 1)));
        struct Key {
            std::string_view name;
            std::optional<std::string> IniSection::*field;
        };
        static constexpr Key keys[] = {
            {"Model", &IniSection::model},
            {"Serial", &IniSection::serial},
            {"Interface", &IniSection::interfaceName},
            {"DeviceNumber", &IniSection::deviceNumber},
            {"CardType", &IniSection::cardType},
            {"Removed", &IniSection::removed},
            {"UnplugAfterMs", &IniSection::unplugAfterMs},
            {"Capture", &IniSection::capture},
            {"SampleLimit", &IniSection::sampleLimit},
            {"Ev1", &IniSection::ev1},
            {"Ev2", &IniSection::ev2},
            {"Ev3", &IniSection::ev3},
        };
        const auto* known = std::find_if(std::begin(keys), std::end(keys),
                                         [&](const Key& k) { return equalsIgnoringCase(k.name, key); });
        if (known == std::end(keys)) {
            config.problems.push_back(where + ": unknown setting " + std::string(key) + "; ignored");
            continue;
        }
        (*section).*(known->field) = value;
    }
    if (section) finishSection(config, *section);
    return config;
}

Configuration loadConfiguration(const std::optional<std::string>& environmentText,
                                const std::optional<std::string>& iniText) {
    if (environmentText) return parseDeviceList(*environmentText);
    if (iniText) return parseIni(*iniText);
    return {};
}

} // namespace qv::sim
