// sigrok session import: a capture saved by PulseView or sigrok-cli (.sr, a zip archive holding
// "version", the INI text "metadata" and the logic data "logic-1-1", "logic-1-2", ...) read into
// the sample image, one sample per captured sample. The enabled probes take channels 0, 1, ... in
// probe order and their names become the labels; the sample rate becomes the base frequency.
// Runs of one value become image runs, long ones exact sequencer loops (import_image.h), so a
// capture of millions of samples with idle gaps fits the memory. The archive is streamed: only
// the metadata is held whole, every size is checked before anything is allocated.
//
// Supported: session versions 1 and 2, the first device section, 1 to 8 bytes per sample,
// chunked ("logic-1-N") and single ("logic-1") data files. Analog channels are not loaded (a note
// says so); disabled probes (no "probeN" key) take no channel.
#pragma once

#include "app/models.h"
#include "device/prompt.h"
#include "support/file_io.h"
#include "support/strings.h"
#include "waveedit/document.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::sigrok {

inline constexpr std::size_t maxMetadataBytes = std::size_t{1} << 20;
inline constexpr std::size_t maxVersionBytes = 64;
inline constexpr int maxUnitSize = 8;

struct Probe {
    int index = 0; // from 1: bit index - 1 of a sample
    std::string name;
};

// The first device section of the metadata.
struct Metadata {
    std::string captureFile; // "logic-1"
    std::uint64_t sampleRate = 0; // Hz; 0 when not given
    int totalProbes = 0;
    int unitSize = 1;
    int analogChannels = 0;
    std::vector<Probe> probes; // enabled logic probes in index order
};

// Parses the metadata text. Errors: 19208 (the offending line in `detail`), 19204 (unit size
// outside 1..8, as text in `detail`).
Msg parseMetadata(std::string_view text, Metadata& out, std::string& detail);
// "200 kHz", "1 MHz", "1.5 GHz", "100000": hertz, rounded down; nullopt when it is no rate.
std::optional<std::uint64_t> parseSampleRate(std::string_view text);

struct ImportSettings {
    Capabilities capabilities; // channel count, frequencies, the 16-channel set's start commands
    const std::atomic<int>* cancel = nullptr; // polled between blocks: the load is abandoned
    // Compressed bytes read so far of the archive's size; called after every block.
    std::function<void(std::int64_t done, std::int64_t total)> progress;
};

struct ImportResult {
    std::vector<std::string> probeNames; // channel order
    int sampleFrequency = 0; // iBaseFreq
    int end = 0; // the data end in the image
    std::uint64_t captureSamples = 0; // samples read from the capture
    std::uint64_t outputSamples = 0; // samples the image lasts when output (loops counted out)
    int analogChannels = 0;
    bool truncated = false; // 12070 answered Yes: the image holds what fitted
    bool abandoned = false; // 12070 answered No, or cancelled: nothing loaded
    std::string detail; // what fills the %s of an error (19204, 19205, 19208)
};

// Reads the archive into `image` (the usable image, cleared first) and `labels`, then adds the
// start commands a conversion without Repeat and Wait Key writes. Questions through `prompt`:
// 12023 when the model cannot make the sample rate or the session names none (Yes: the nearest
// achievable rate, or the default base frequency; No: 12057), 12070 when the capture does not
// fit. Errors: 19200-19206, 19208, 12128 (more probes than channels), 12007; the image and labels
// are left cleared. An abandoned load returns Msg::None with `abandoned` set. The note about
// analog channels (19207) is shown after a successful import.
Msg importSigrok(ByteSource& source, const ImportSettings& settings, Prompt& prompt, std::span<Sample> image,
                 LabelTable& labels, ImportResult& result);

// The Wave Editor's Open of a session file: read into the second buffer and the scratch labels,
// made the document (samples, labels, base frequency) only when everything succeeded. An
// abandoned load returns 12070 (the document unchanged, nothing more to say).
Msg openSigrokSession(ByteSource& source, Document& doc, Prompt& prompt, ImportResult& result);

// ".sr" in any case.
bool isSigrokSessionName(std::string_view path);

} // namespace qv::sigrok
