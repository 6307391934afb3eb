// Instrument models and the capabilities derived from a model code at start-up. Every tool reads
// the capabilities; they do not change while the program runs.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

enum class LevelControl { None, Named, Volts };

struct ModelRow {
    int code;
    int channels;
    int depthSamples;
    int maxFrequency;
    int channelsPerGroup;
    LevelControl levelControl;
    int levelBars; // output-level bars that Properties offers
    bool secondLevelAtStartup; // whether start-up applies the second bar's level too
};

struct Capabilities {
    int modelCode = 0;
    int bytesPerSample = 8;
    int channelCount = 50;
    int memoryDepthBytes = 0; // depth in samples x 8
    int sampleBufferBytes = 0; // (depth + 22) x 8, the size of each sample buffer
    int usableSampleBytes = 0; // initial document length in bytes
    int maxOutputFrequency = 100000000;
    int channelsPerGroup = 10;
    LevelControl levelControl = LevelControl::None;

    int depthSamples() const { return memoryDepthBytes / bytesPerSample; }
};

inline constexpr int bytesPerSample = 8;
inline constexpr int demoUsableSamples = 524264;

// The row for a model code; unknown codes (and demo mode, code 0) get the fallback row.
const ModelRow& modelRow(int modelCode);
Capabilities capabilitiesFor(int modelCode);

bool is200MHzModel(int modelCode);
bool isSixteenChannelModel(int modelCode);
bool isCSetModel(int modelCode);
// Models whose Properties offer a second level bar; of these only 0xC350 applies it at start-up.
bool hasSecondLevelBar(int modelCode);
bool appliesSecondLevelAtStartup(int modelCode);

// Output-level correction at start-up: a stored value outside the model's range takes the default.
inline constexpr int defaultVoltsLevel = 32;
inline constexpr int maxVoltsLevel = 255;
inline constexpr int maxNamedLevel = 7;
int correctedNamedLevel(int stored);
int correctedVoltsLevel(int stored);

// Parses "0xC350", "C350" or a decimal number; -1 on bad text.
int parseModelCode(std::string_view text);

} // namespace qv
