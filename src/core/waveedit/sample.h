// The sample word: 8 bytes, bits 0-11 the sequencer command field, bit 12 + n channel n, bits 62
// and 63 the two fixed output ports. The sample buffer holds 12 prefix samples before the image;
// device address a is prefix sample a for a < 12, else image sample a - 12.
#pragma once

#include <cstdint>

namespace qv {

using Sample = std::uint64_t;

inline constexpr int prefixSamples = 12;
inline constexpr int reservedTailSamples = 24;
inline constexpr Sample commandMask = 0xFFF;
inline constexpr int outputPort0Bit = 62;
inline constexpr int outputPort1Bit = 63;

constexpr Sample channelBit(int channel) { return Sample{1} << (12 + channel); }
constexpr bool channelLevel(Sample s, int channel) { return (s >> (12 + channel)) & 1u; }
constexpr unsigned commandField(Sample s) { return static_cast<unsigned>(s & commandMask); }
constexpr Sample withCommand(Sample s, unsigned command) { return (s & ~commandMask) | (command & commandMask); }
// The address of image sample i in device memory: every address written into a command.
constexpr int deviceAddress(int sampleIndex) { return sampleIndex + prefixSamples; }

} // namespace qv
