// The model table and the capability rules. The fallback row serves unknown codes and demo mode.
#include "app/models.h"

#include <algorithm>
#include <charconv>

namespace qv {
namespace {

constexpr int k64 = 65536;
constexpr int k128 = 131072;
constexpr int k512 = 524288;
constexpr int k1M = 1048576;
constexpr int k2M = 2097152;
constexpr int mhz100 = 100000000;
constexpr int mhz200 = 200000000;

// code, channels, depth in samples, highest clock, channels per group, level control, level bars in
// Properties, second level applied at start-up.
constexpr ModelRow models[] = {
    {0xA020, 20, k64, mhz100, 10, LevelControl::None, 0, false},
    {0xA050, 50, k64, mhz100, 10, LevelControl::None, 0, false},
    {0xB016, 16, k64, mhz100, 8, LevelControl::Named, 1, false},
    {0xB116, 16, k128, mhz100, 8, LevelControl::Named, 1, false},
    {0xB316, 16, k512, mhz100, 8, LevelControl::Named, 1, false},
    {0xB416, 16, k1M, mhz100, 8, LevelControl::Named, 1, false},
    {0xB816, 16, k64, mhz200, 8, LevelControl::Named, 1, false},
    {0xBB16, 16, k512, mhz200, 8, LevelControl::Named, 1, false},
    {0xC020, 20, k64, mhz100, 10, LevelControl::Volts, 1, false},
    {0xC050, 50, k64, mhz100, 10, LevelControl::Volts, 2, false},
    {0xC120, 20, k128, mhz100, 10, LevelControl::Volts, 1, false},
    {0xC150, 50, k128, mhz100, 10, LevelControl::Volts, 2, false},
    {0xC320, 20, k512, mhz100, 10, LevelControl::Volts, 1, false},
    {0xC350, 50, k512, mhz100, 10, LevelControl::Volts, 2, true},
    {0xC816, 16, k64, mhz200, 8, LevelControl::Named, 1, false},
    {0xCB16, 16, k512, mhz200, 8, LevelControl::Named, 1, false},
    {0xCD16, 16, k2M, mhz200, 8, LevelControl::Named, 1, false},
};

constexpr ModelRow fallback{0, 50, k1M, mhz100, 10, LevelControl::None, 0, false};

} // namespace

const ModelRow& modelRow(int modelCode) {
    auto it = std::find_if(std::begin(models), std::end(models),
                           [modelCode](const ModelRow& row) { return row.code == modelCode; });
    return it == std::end(models) ? fallback : *it;
}

Capabilities capabilitiesFor(int modelCode) {
    const ModelRow& row = modelRow(modelCode);
    Capabilities caps;
    caps.modelCode = modelCode;
    caps.channelCount = row.channels;
    caps.memoryDepthBytes = row.depthSamples * bytesPerSample;
    caps.sampleBufferBytes = (row.depthSamples + 22) * bytesPerSample;
    caps.usableSampleBytes = (&row == &fallback ? demoUsableSamples : row.depthSamples - 24) * bytesPerSample;
    caps.maxOutputFrequency = row.maxFrequency;
    caps.channelsPerGroup = row.channelsPerGroup;
    caps.levelControl = row.levelControl;
    return caps;
}

bool is200MHzModel(int code) { return modelRow(code).code == code && modelRow(code).maxFrequency == mhz200; }
bool isSixteenChannelModel(int code) { return modelRow(code).code == code && modelRow(code).channels == 16; }
bool isCSetModel(int code) { return modelRow(code).code == code && modelRow(code).levelControl == LevelControl::Volts; }
bool hasSecondLevelBar(int code) { return modelRow(code).levelBars == 2; }
bool appliesSecondLevelAtStartup(int code) { return modelRow(code).secondLevelAtStartup; }

int correctedNamedLevel(int stored) { return stored < 0 || stored > maxNamedLevel ? 0 : stored; }
int correctedVoltsLevel(int stored) { return stored < 0 || stored > maxVoltsLevel ? defaultVoltsLevel : stored; }

int parseModelCode(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    } else if (text.find_first_of("ABCDEFabcdef") != std::string_view::npos) {
        base = 16;
    }
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value < 0) return -1;
    return value;
}

} // namespace qv
