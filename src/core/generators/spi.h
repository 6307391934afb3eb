// The SPI generator: data words of 4 to 32 bits sent as an SPI master on three channels (chip
// select, clock, data), most or least significant bit first, chip select low or high active, data
// valid at the rising or the falling clock edge. Two samples per bit; a 200-sample lead-in. The
// words come from the data edit (hexadecimal values or the characters of a text), from the random
// generator or from a file (binary words, or a text put into the edit).
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

enum class SpiFormat { Hex, Ascii };
enum class SpiSource { Edit, Random, File };

inline constexpr int spiMinWidth = 4;
inline constexpr int spiMaxWidth = 32;
inline constexpr int spiSampleLimitMargin = 36;
inline constexpr int spiLeadInSamples = 200;
inline constexpr unsigned spiRepeatAddress = 0x19;
inline constexpr int spiEventSelection = 0;
inline constexpr int spiSamplesPerBit = 2;

struct SpiSettings {
    int csChannel = 0; // "Chip Select"
    int clockChannel = 1;
    int dataChannel = 2;
    bool csActiveHigh = false; // "High Active" (default "Low Active")
    bool fallingEdge = false; // "Falling Edge" (default "Rising Edge")
    int width = 8; // "Data Width"
    double rateBitsPerSecond = 1e6; // "SPI SCLK" 1 "M bps"
    bool lsbFirst = false; // "LSB" (default "MSB")
    SpiFormat format = SpiFormat::Hex;
    bool repeat = true;
};

int spiHighestChannel(int modelCode);
int spiSampleClock(const SpiSettings& s); // 2 x the clock rate

// The data edit's words: HEX pieces between ";", CR and LF (at least 2 characters of text), or
// one word per character in ASCII (at least 1). 12115 for too short a text, no words, or a piece
// that is not a hexadecimal number of at most 32 bits.
Msg parseSpiWords(std::string_view text, SpiFormat format, std::vector<std::uint32_t>& words);
// How many words of this width fit the sample limit with the lead-in and the end.
int spiWordsThatFit(int width, int sampleLimit);

// "Generate": the word count (the manual count, or a random one below the limit) and random words
// modulo 2^width - 1, written as lower-case hexadecimal each followed by ";\r\n".
int spiRandomCount(int sampleLimit, std::mt19937& random);
std::vector<std::uint32_t> spiRandomWords(int count, int width, std::mt19937& random);
std::string spiWordsText(std::span<const std::uint32_t> words);

// "Generate" as a whole: the manual count (or a random one when manualCount < 0), the memory
// question 12105 when the words would not fit (No: cancelled; Yes: as many as fit), the text for
// the data edit and the count for "Number of Data".
struct SpiGenerated {
    bool cancelled = false;
    int count = 0;
    std::string text;
};
SpiGenerated spiGenerate(int manualCount, int width, int sampleLimit, std::mt19937& random, Prompt& prompt);

// "Example": the three choices and what each puts into the tool (defaults, source, text).
enum class SpiExampleChoice { RandomHex, EditHex, EditText };
struct SpiExample {
    SpiSettings settings;
    SpiSource source;
    std::string text;
};
SpiExample spiExample(SpiExampleChoice choice, int sampleLimit, std::mt19937& random);

// "File Output": a ".bin" file gives words (whole little-endian units of ceil(width / 8) bytes,
// masked to the width; fewer than 8 words are repeated until 8 are there); any other file is a
// text for the data edit in ASCII. 12005 for a file that cannot be read or is empty. A binary
// file longer than the memory asks 12116 (Yes/No): Yes stops (stop set), No keeps what fits.
struct SpiFileData {
    Msg error = Msg::None;
    bool stop = false;
    bool isText = false;
    std::string text;
    std::vector<std::uint32_t> words;
};
SpiFileData loadSpiFile(const std::string& path, int width, int sampleLimit, Prompt& prompt);

struct SpiBuild {
    int count = 0; // samples to load: 200 + 2N + 2
    int extent = 0; // samples written (the inactive select runs to the limit with "Low Active")
};
// The stream into out (at least sampleLimit samples). Words beyond spiWordsThatFit are not sent.
SpiBuild buildSpiStream(const SpiSettings& s, std::span<const std::uint32_t> words, int cardType, std::span<Sample> out,
                        int sampleLimit);

struct SpiRunResult {
    OutputOutcome outcome;
    int wordCount = 0; // shown in "Number of Data"
    double rateBitsPerSecond = 0; // the rate in force (half the achievable clock after 12023 Yes)
};
// The output thread: width, rate, the clock check (12023), channels, words (12105 when they do
// not fit), build, load and start with event selection 0. `fileWords` replaces the text when the
// source is a binary file. Errors are shown through the prompt.
SpiRunResult runSpi(OutputPorts& ports, const SpiSettings& s, std::string_view text,
                    const std::vector<std::uint32_t>* fileWords, std::span<Sample> buffer);
// The same checks and words for Convert (no driver, no clock question); the stream in buffer.
Msg buildSpiForConvert(const SpiSettings& s, std::string_view text, const std::vector<std::uint32_t>* fileWords,
                       const Capabilities& caps, int cardType, Prompt& prompt, std::span<Sample> buffer,
                       SpiBuild& built);

} // namespace qv::gen
