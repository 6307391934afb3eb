// Key paths, value names and defaults of the persistent settings, over the SettingsStore port.
// Module values are described by small tables (value name, member, default) so that each read
// and its write list the same values in the same order.
#include "app/settings.h"

namespace qv {
namespace {

constexpr std::string_view moduleKeys[moduleKeyCount] = {
    "SOFTWARE\\Tavro\\QV\\System",     "SOFTWARE\\Tavro\\QV\\Script", "SOFTWARE\\Tavro\\QV\\SyncCnt",
    "SOFTWARE\\Tavro\\QV\\AsyncCnt",   "SOFTWARE\\Tavro\\QV\\Uart",   "SOFTWARE\\Tavro\\QV\\WaveEdit",
    "SOFTWARE\\Tavro\\QV\\Altera2Wav", "SOFTWARE\\Tavro\\QV\\La2Wav", "SOFTWARE\\Tavro\\QV\\Text2Wav",
    "SOFTWARE\\Tavro\\QV\\Bin2Wav",    "SOFTWARE\\Tavro\\QV\\Spp",    "SOFTWARE\\Tavro\\QV\\Spi",
    "SOFTWARE\\Tavro\\QV\\VhdlWav",
};

constexpr char workDirectoryName[] = "Work Directory";
constexpr char languageName[] = "Language";
constexpr char outputLevel1Name[] = "OutLevel 0";
constexpr char outputLevel2Name[] = "OutLevel 1";
constexpr char onlineUpdateName[] = "OnlineUpdate";
constexpr char startPathName[] = "StartPath";
constexpr char baseFrequencyName[] = "iBaseFreq";
constexpr char frequencyTextName[] = "IDC_FREQSZ";
constexpr char binaryCodeName[] = "IDC_BINCODE";

struct PlacementValue {
    const char* name;
    int Placement::*member;
};
constexpr PlacementValue placementValues[] = {
    {"Main Window Left", &Placement::left},   {"Main Window Top", &Placement::top},
    {"Main Window Right", &Placement::right}, {"Main Window Bottom", &Placement::bottom},
    {"Max Flag", &Placement::maximised},
};

template <typename Settings> struct NumberValue {
    const char* name;
    int Settings::*member;
    int defaultValue;
};

constexpr NumberValue<WaveEditSettings> waveEditValues[] = {
    {"rectSp1", &WaveEditSettings::paneDivision1, 100}, {"rectSp2", &WaveEditSettings::paneDivision2, 200},
    {"rectSp3", &WaveEditSettings::paneDivision3, 300}, {"iZoomIn", &WaveEditSettings::zoomIn, 0},
    {"iZoomOut", &WaveEditSettings::zoomOut, 0},        {"iStartTime", &WaveEditSettings::startTime, 0},
    {"iStartLbl", &WaveEditSettings::startLabel, 0},    {baseFrequencyName, &WaveEditSettings::baseFrequency, 10000000},
    {"iCsrChg", &WaveEditSettings::cursorChange, 10},   {"iFreqMode", &WaveEditSettings::frequencyMode, 0},
    {"iWeSaveMode", &WaveEditSettings::saveMode, 1},
};

// IDC_BINCODE is not in the table: its default depends on whether the key exists.
constexpr NumberValue<SyncCounterSettings> syncCounterValues[] = {
    {"IDC_WIDTH", &SyncCounterSettings::width, 10},         {"IDC_ADD", &SyncCounterSettings::increment, 1},
    {"IDC_STARTCH", &SyncCounterSettings::startChannel, 0}, {"IDC_UNIT", &SyncCounterSettings::unit, 0},
    {"IDC_REPEAT", &SyncCounterSettings::repeat, 0},        {"IDC_SECTION", &SyncCounterSettings::section, 0},
    {"IDC_GRAYCODE", &SyncCounterSettings::grayCode, 0},
};

constexpr NumberValue<AsyncCounterSettings> asyncCounterValues[] = {
    {"IDC_WIDTH", &AsyncCounterSettings::width, 10},
    {"IDC_ADD", &AsyncCounterSettings::increment, 1},
    {"IDC_STARTCH", &AsyncCounterSettings::startChannel, 0},
    {"IDC_DELAY", &AsyncCounterSettings::delay, 6},
    {"IDC_UNIT", &AsyncCounterSettings::unit, 0},
    {"IDC_REPEAT", &AsyncCounterSettings::repeat, 0},
    {"IDC_SECTION", &AsyncCounterSettings::section, 0},
};

// Numbers are stored as DWORDs; placement coordinates may be negative.
int readInt(const SettingsStore& store, const std::string& key, const char* name, int defaultValue) {
    auto number = store.readNumber(key, name);
    return number ? static_cast<int>(static_cast<std::int32_t>(*number)) : defaultValue;
}

bool writeInt(SettingsStore& store, const std::string& key, const char* name, int value) {
    return store.writeNumber(key, name, static_cast<std::uint32_t>(static_cast<std::int32_t>(value)));
}

// A text that would not fit its buffer with the terminating NUL reads as missing.
std::optional<std::string> readBoundedText(const SettingsStore& store, const std::string& key, const char* name,
                                           std::size_t bufferBytes) {
    auto text = store.readText(key, name);
    if (!text || text->size() + 1 > bufferBytes) return std::nullopt;
    return text;
}

template <typename Settings, std::size_t N>
void readNumbers(const SettingsStore& store, const std::string& key, const NumberValue<Settings> (&values)[N],
                 Settings& settings) {
    for (const auto& value : values) settings.*value.member = readInt(store, key, value.name, value.defaultValue);
}

template <typename Settings, std::size_t N>
void writeNumbers(SettingsStore& store, const std::string& key, const NumberValue<Settings> (&values)[N],
                  const Settings& settings) {
    for (const auto& value : values) writeInt(store, key, value.name, settings.*value.member);
}

} // namespace

std::string_view moduleKey(ModuleKey module) {
    const int index = static_cast<int>(module);
    return index >= 0 && index < moduleKeyCount ? moduleKeys[index] : std::string_view{};
}

std::string deviceKeyPath(ModuleKey module, int deviceNumber) {
    return std::string(moduleKey(module)) + "\\" + std::to_string(deviceNumber);
}

KeyPaths deviceKeyPaths(int deviceNumber) {
    KeyPaths paths;
    for (int module = 0; module < moduleKeyCount; ++module)
        paths[module] = deviceKeyPath(static_cast<ModuleKey>(module), deviceNumber);
    return paths;
}

bool readSystemSettings(const SettingsStore& store, const std::string& key, const std::string& currentDirectory,
                        SystemSettings& settings) {
    settings = SystemSettings{};
    settings.workDirectory = currentDirectory;
    if (!store.keyExists(key)) return false;

    if (auto directory = readBoundedText(store, key, workDirectoryName, pathBufferBytes);
        directory && !directory->empty())
        settings.workDirectory = *directory;
    // A language id is 16 bits; anything else cannot be applied and counts as not stored.
    if (auto language = store.readNumber(key, languageName); language && *language != 0 && *language <= 0xFFFF)
        settings.language = static_cast<std::uint16_t>(*language);
    settings.outputLevel1 = readInt(store, key, outputLevel1Name, defaultOutputLevelMissingValue);
    settings.outputLevel2 = readInt(store, key, outputLevel2Name, defaultOutputLevelMissingValue);
    settings.onlineUpdate = readInt(store, key, onlineUpdateName, 1);
    if (!readPlacement(store, key, settings.placement)) settings.placement = Placement{};
    return true;
}

bool writeSystemSettings(SettingsStore& store, const std::string& key, const SystemSettings& settings,
                         std::uint16_t language) {
    if (!store.createKey(key)) return false;
    store.writeText(key, workDirectoryName, settings.workDirectory);
    store.writeNumber(key, languageName, language);
    writeInt(store, key, outputLevel1Name, settings.outputLevel1);
    writeInt(store, key, outputLevel2Name, settings.outputLevel2);
    writeInt(store, key, onlineUpdateName, settings.onlineUpdate);
    writePlacement(store, key, settings.placement);
    return true;
}

bool readPlacement(const SettingsStore& store, const std::string& key, Placement& placement) {
    for (const auto& value : placementValues) {
        auto number = store.readNumber(key, value.name);
        if (!number) return false;
        placement.*value.member = static_cast<int>(static_cast<std::int32_t>(*number));
    }
    return true;
}

bool writePlacement(SettingsStore& store, const std::string& key, const Placement& placement) {
    bool written = true;
    for (const auto& value : placementValues)
        written = writeInt(store, key, value.name, placement.*value.member) && written;
    return written;
}

bool readStartPath(const SettingsStore& store, const std::string& key, const std::string& workDirectory,
                   std::string& buffer) {
    const bool keyExisted = store.keyExists(key);
    auto path = keyExisted ? readBoundedText(store, key, startPathName, pathBufferBytes) : std::nullopt;
    // The whole buffer is replaced, so a shorter path never keeps the tail of a longer one.
    buffer = path ? *path : workDirectory;
    return keyExisted;
}

void writeStartPath(SettingsStore& store, const std::string& key, const std::string& buffer) {
    store.writeText(key, startPathName, buffer);
}

bool readWaveEditSettings(const SettingsStore& store, const std::string& key, WaveEditSettings& settings) {
    settings = WaveEditSettings{};
    if (!store.keyExists(key)) return false;
    readPlacement(store, key, settings.placement);
    readNumbers(store, key, waveEditValues, settings);
    return true;
}

void writeWaveEditSettings(SettingsStore& store, const std::string& key, const WaveEditSettings& settings) {
    writePlacement(store, key, settings.placement);
    writeNumbers(store, key, waveEditValues, settings);
}

void writeBaseFrequency(SettingsStore& store, const std::string& waveEditKey, int frequency) {
    writeInt(store, waveEditKey, baseFrequencyName, frequency);
}

bool readSyncCounterSettings(const SettingsStore& store, const std::string& key, SyncCounterSettings& settings) {
    settings = SyncCounterSettings{};
    if (!store.keyExists(key)) return false;
    if (auto text = readBoundedText(store, key, frequencyTextName, frequencyTextBytes)) settings.frequencyText = *text;
    readNumbers(store, key, syncCounterValues, settings);
    settings.binaryCode = readInt(store, key, binaryCodeName, 0);
    return true;
}

void writeSyncCounterSettings(SettingsStore& store, const std::string& key, const SyncCounterSettings& settings) {
    store.writeText(key, frequencyTextName, settings.frequencyText);
    writeNumbers(store, key, syncCounterValues, settings);
    writeInt(store, key, binaryCodeName, settings.binaryCode);
}

bool readAsyncCounterSettings(const SettingsStore& store, const std::string& key, AsyncCounterSettings& settings) {
    settings = AsyncCounterSettings{};
    if (!store.keyExists(key)) return false;
    if (auto text = readBoundedText(store, key, frequencyTextName, frequencyTextBytes)) settings.frequencyText = *text;
    readNumbers(store, key, asyncCounterValues, settings);
    return true;
}

void writeAsyncCounterSettings(SettingsStore& store, const std::string& key, const AsyncCounterSettings& settings) {
    store.writeText(key, frequencyTextName, settings.frequencyText);
    writeNumbers(store, key, asyncCounterValues, settings);
}

} // namespace qv
