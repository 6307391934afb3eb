// VCD import: a value change dump (IEEE 1364) read into the sample image, one sample per VCD time
// unit, with its signal list and label table. The file is read in large blocks and split into
// blank-separated tokens in place; a value change is a lookup of its identifier code (codes are
// case-sensitive and matched whole) and a write into the current sample word. Runs of one word
// become image runs (long ones sequencer loops, see import_image.h); "z" on a scalar switches its
// channel group off with OE. The working set is fixed whatever the file size.
//
// Supported: $timescale, $var (each variable takes the next channels, least significant bit
// first), $dumpvars/$dumpall/$dumpon/$dumpoff, scalar and "b" vector changes, aliases (one code on
// several variables). Real, string and event variables take no channel and their changes are
// skipped; "x" counts as low. A time that goes backwards counts as the current time.
#pragma once

#include "app/models.h"
#include "converters/text_vector_statements.h"
#include "device/prompt.h"
#include "support/file_io.h"
#include "support/strings.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace qv::vcd {

inline constexpr std::size_t readBlockBytes = std::size_t{4} << 20;

struct ImportSettings {
    Capabilities capabilities; // channel count, maximum frequency, the model's rules
    bool repeat = false; // Repeat or Wait Key Before Run give the lead of 20 samples
    bool waitKey = false;
    const std::atomic<int>* cancel = nullptr; // Cancel Loading: polled between blocks
    std::size_t blockBytes = readBlockBytes; // the file is read in blocks of this size (at least 256)
    // Bytes read so far of the total; called after every block.
    std::function<void(std::int64_t done, std::int64_t total)> progress;
};

struct Variable {
    std::string name; // as written
    std::string code; // identifier code, as written
    int width = 1;
    int firstChannel = -1; // least significant bit; -1 for a variable without channels
};

struct ImportResult {
    std::vector<Variable> variables;
    std::vector<textvector::Signal> signals; // the signal list rows (most significant channel first)
    int sampleFrequency = 0; // iBaseFreq
    int lead = 0;
    int end = 0; // lead + samples written: the data end
    int repeatEnd = 0; // the data end with Repeat (its jump clear of the data's commands)
    std::uint64_t outputSamples = 0; // samples the data lasts when output (loops counted out)
    bool truncated = false; // 12070 answered Yes: the image holds what fitted
    bool abandoned = false; // 12070 answered No, or Cancel Loading: nothing loaded
};

// Load: reads the file into `image` (the usable image; cleared first) and `labels`. Questions
// 12124 and 12023 about the time scale and 12070 about the size go through `prompt`. Errors:
// 12005 (empty or unreadable), 12022 / 12057 (time scale refused), 12128 (more channels than the
// model has), 12019 (allocation). An abandoned load returns Msg::None with `abandoned` set.
Msg importVcd(ByteSource& source, const ImportSettings& settings, Prompt& prompt, std::span<Sample> image,
              LabelTable& labels, ImportResult& result);

// Convert: the start commands (16-channel set, Wait Key) and, with Repeat, the jump back to the
// first data sample. Returns the data end.
int finishVcdImage(std::span<Sample> image, const ImportSettings& settings, const ImportResult& result);

// The frequency of a $timescale text ("1ns", "10 ps"), truncated; 0 when it names no unit. The
// digits and unit in lower case (the first text of 12124) go to `shown`.
std::int64_t timescaleFrequency(std::string_view text, std::string& shown);

} // namespace qv::vcd
