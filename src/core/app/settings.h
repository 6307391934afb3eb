// The persistent settings: every key path, value name, type and default the program keeps, read
// and written through the SettingsStore port. One key per module and per instrument ("%s\%d" of
// the module key and the device number). Read functions report whether the key existed, because
// several values have one default for a missing key and another for a missing value. This module
// knows nothing of the registry or of the current directory; callers pass what they need.
#pragma once

#include "app/settings_store.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The module keys, in the order their per-device paths are built at start-up.
enum class ModuleKey : int {
    System,
    Script,
    SyncCnt,
    AsyncCnt,
    Uart,
    WaveEdit,
    Altera2Wav,
    La2Wav,
    Text2Wav,
    Bin2Wav,
    Spp,
    Spi,
    VhdlWav,
    Count
};
inline constexpr int moduleKeyCount = static_cast<int>(ModuleKey::Count);
using KeyPaths = std::array<std::string, moduleKeyCount>;

// "SOFTWARE\Tavro\QV\System" and so on.
std::string_view moduleKey(ModuleKey module);
// The module key, a backslash and the device number.
std::string deviceKeyPath(ModuleKey module, int deviceNumber);
KeyPaths deviceKeyPaths(int deviceNumber);

// Text values are read into fixed buffers by other implementations of these keys; a stored text
// that does not fit (with its NUL) is treated as the wrong size, that is, as missing.
inline constexpr std::size_t pathBufferBytes = 260;
inline constexpr std::size_t frequencyTextBytes = 16;

// The saved normal-position rectangle of a window and whether it was maximised.
struct Placement {
    int left = 0;
    int top = 0;
    int right = 639;
    int bottom = 479;
    int maximised = 0;

    friend bool operator==(const Placement&, const Placement&) = default;
};

inline constexpr int defaultOutputLevelMissingKey = 32;
inline constexpr int defaultOutputLevelMissingValue = 0;

struct SystemSettings {
    std::string workDirectory; // the current directory when not stored
    std::optional<std::uint16_t> language; // a saved interface language, if any
    int outputLevel1 = defaultOutputLevelMissingKey;
    int outputLevel2 = defaultOutputLevelMissingKey;
    int onlineUpdate = 1;
    Placement placement;
};

// Reads the System key; returns whether it existed (false: first run). Every value that is
// missing or unusable takes its default; a placement that cannot be read completely takes the
// default placement as a whole.
bool readSystemSettings(const SettingsStore& store, const std::string& key, const std::string& currentDirectory,
                        SystemSettings& settings);
// Writes the five System values and the placement. language is the one to save (the chosen
// language, else the thread locale). Fails only when the key cannot be created.
bool writeSystemSettings(SettingsStore& store, const std::string& key, const SystemSettings& settings,
                         std::uint16_t language);

// Reads the five placement values in order and stops at the first missing one, reporting failure;
// the values read until then stay in placement.
bool readPlacement(const SettingsStore& store, const std::string& key, Placement& placement);
bool writePlacement(SettingsStore& store, const std::string& key, const Placement& placement);

// The start directory of the file dialogs, one buffer shared by all tools. Tools with a
// "StartPath" value (WaveEdit, Uart, Spp, La2Wav, Text2Wav, Bin2Wav, VhdlWav) load it when they
// open (the working directory when the value is missing) and save it when they close.
bool readStartPath(const SettingsStore& store, const std::string& key, const std::string& workDirectory,
                   std::string& buffer);
void writeStartPath(SettingsStore& store, const std::string& key, const std::string& buffer);

struct WaveEditSettings {
    Placement placement; // the Wave Editor's own window
    int paneDivision1 = 100;
    int paneDivision2 = 200;
    int paneDivision3 = 300;
    int zoomIn = 0;
    int zoomOut = 0;
    int startTime = 0;
    int startLabel = 0;
    int baseFrequency = 10000000;
    int cursorChange = 10;
    int frequencyMode = 0;
    int saveMode = 1;
};
bool readWaveEditSettings(const SettingsStore& store, const std::string& key, WaveEditSettings& settings);
void writeWaveEditSettings(SettingsStore& store, const std::string& key, const WaveEditSettings& settings);
// Converters and generators write the base frequency alone before handing a result over.
void writeBaseFrequency(SettingsStore& store, const std::string& waveEditKey, int frequency);

struct SyncCounterSettings {
    std::string frequencyText = "10";
    int width = 10;
    int increment = 1;
    int startChannel = 0;
    int unit = 0;
    int repeat = 0;
    int section = 0;
    int binaryCode = 1; // checked when the key is missing, unchecked when only the value is
    int grayCode = 0;
};
bool readSyncCounterSettings(const SettingsStore& store, const std::string& key, SyncCounterSettings& settings);
void writeSyncCounterSettings(SettingsStore& store, const std::string& key, const SyncCounterSettings& settings);

struct AsyncCounterSettings {
    std::string frequencyText = "10";
    int width = 10;
    int increment = 1;
    int startChannel = 0;
    int delay = 6;
    int unit = 0;
    int repeat = 0;
    int section = 0;
};
bool readAsyncCounterSettings(const SettingsStore& store, const std::string& key, AsyncCounterSettings& settings);
void writeAsyncCounterSettings(SettingsStore& store, const std::string& key, const AsyncCounterSettings& settings);

} // namespace qv
