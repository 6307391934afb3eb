// Binary File to Waveform: any file played as a parallel bit stream. Each group of Data Width
// bytes is one sample, read as 8 bytes little-endian, of which the lowest Output Width bits drive
// the channels from Start Channel up. The data is padded with zeros to whole groups and, when that
// gives fewer than 8 samples, repeated whole until there are at least 8. Files longer than the
// memory play in sections, as the synchronous counter's counts do. There is no Convert.
//
// With Repeat the image loops from its first data sample (device address 12): the prefix's last
// sample repeats word 0, so a jump to it would play word 0 twice a loop.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qv::gen {

inline constexpr int binaryPrefix = 12; // samples before the image, each a copy of its first word
inline constexpr int binaryLimitMargin = 36; // the sample limit: buffer samples - 36
inline constexpr int binaryMinimumSamples = 8;
inline constexpr unsigned binaryRepeatAddress = binaryPrefix; // the first data sample
inline constexpr int binaryReadBytes = 8; // each sample reads 8 bytes at its offset

struct BinaryFileSettings {
    int dataWidth = 1; // bytes per sample
    int outputWidth = 8; // bits driven
    int startChannel = 0;
    double frequencyHz = 10e6; // rounded to whole hertz
    bool repeat = false;
    bool section = false;
};

// Run's check: 12040 when 8a < b, a <= 0, b <= 0, 8a >= 8n - 7, b > n, c < 0 or b + c > n.
Msg checkBinaryFile(const BinaryFileSettings& s, int channelCount);
// The data width spin's top: (channels - 1) / 8 + 1.
inline int binaryMaxDataWidth(int channelCount) { return (channelCount - 1) / 8 + 1; }

// The data as played: `length` bytes (the file padded to whole groups, repeated whole to at least
// 8 samples) and 8 zero bytes after them, so the last group's 8-byte read stays inside.
struct BinaryData {
    std::vector<std::uint8_t> bytes;
    std::int64_t length = 0;
    std::int64_t samples() const { return bytes.empty() ? 0 : length / groupBytes; }
    int groupBytes = 1;
};
BinaryData binaryData(std::span<const std::uint8_t> file, int dataWidth);
// The word of the group at `offset` (bytes[offset .. offset + 7] little-endian, lowest b bits).
Sample binaryWord(const std::uint8_t* at, int outputWidth, int startChannel);
inline int binarySampleLimit(const Capabilities& caps) {
    return caps.sampleBufferBytes / bytesPerSample - binaryLimitMargin;
}

// The passes: a pass fills image samples from the current offset until the data was used once
// (a pass never leaves fewer than 8 samples to the next one) or the sample limit; after a first
// pass with Section and Repeat the data runs on cyclically up to the limit. Prefix: word 0 with
// SE KEY on 2, WE on 3, OE on 4..6 on card type 18. End: JP to address 12 on count-6..count-4 of the
// image for Repeat within one buffer, else WE on count-4.
class BinaryFileStream {
  public:
    BinaryFileStream(const BinaryFileSettings& s, BinaryData data, int sampleLimit, int cardType);
    struct Pass {
        int count = 0; // samples to load, the prefix included
        bool last = true;
    };
    Pass buildPass(std::span<Sample> out);

  private:
    BinaryFileSettings settings_;
    BinaryData data_;
    int limit_;
    int cardType_;
    std::int64_t offset_ = 0;
    int passes_ = 0;
};

// The output thread: the file (12005 unreadable or empty, 12007, the too-large message past
// 64 MB), the fit question (12024; 12025 with Repeat), the rate (12022 above the model), the
// clock check (12023 / 12053), then the passes. `sectionChecked` tells the dialog to check
// Section; `clockHz` is the clock used.
struct BinaryFileRunResult {
    OutputOutcome outcome;
    bool sectionChecked = false;
    int clockHz = 0;
};
BinaryFileRunResult runBinaryFile(OutputPorts& ports, const BinaryFileSettings& s, const std::string& path,
                                  std::span<Sample> buffer);

} // namespace qv::gen
