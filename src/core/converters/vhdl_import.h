// VHDL test bench import: the stimulus processes of a test bench of the kind Altera's tools write
// (.vht: a COMPONENT with the design's ports, one PROCESS per input bit of level assignments and
// WAIT FOR delays) turned into the sample image, one sample per device clock period, with its
// signal list and label table.
//
// Understood inside a process: assignments of '0' / '1', WAIT FOR with a time (fs, ps, ns, us, ms,
// sec; ps without a unit), WAIT; (the end), FOR i IN a TO b LOOP ... END LOOP, LOOP ... END LOOP
// ended by IF (NOW >= t) THEN WAIT; END IF, and loops nested in each other. Other statements are
// skipped. A loop whose body lets no time pass runs once; nesting deeper than 32 is not followed.
// A process is found by its label, the whole identifier "t_prcs_<name>" or "<name>". Each edge
// lies at its absolute time rounded to the nearest sample (delays that are no whole number of
// periods do not add up their errors); the level a process ends with holds to the end of the data
// and, after it, for the rest of the image, so that output rests at the final levels.
#pragma once

#include "app/models.h"
#include "converters/text_vector_statements.h"
#include "device/prompt.h"
#include "support/strings.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::vhdl {

inline constexpr std::int64_t periodPs100MHz = 10000;
inline constexpr std::int64_t periodPs200MHz = 5000;
inline constexpr int maxTestBenchChannels = 50;

struct Port {
    std::string name;
    bool input = false;
    int width = 1; // |high - low| + 1 for a vector
    bool vector = false;
    long long left = 0, right = 0; // a vector's bounds: the left one is its most significant bit
};

struct ImportSettings {
    Capabilities capabilities;
    bool repeat = false; // either box gives the lead of 20 samples
    bool waitKey = false;
};

struct ImportResult {
    std::vector<Port> ports;
    std::vector<textvector::Signal> signals;
    std::vector<std::string> inexact; // signals (bits) whose delays are no whole number of periods
    int sampleFrequency = 0; // 10^12 / period
    int lead = 0;
    int end = 0; // lead + samples written
};

// The sample period of the model in picoseconds.
std::int64_t samplePeriodPs(const Capabilities& caps);

// The ports of the COMPONENT declaration; false when the text has no COMPONENT.
bool readPorts(std::string_view text, std::vector<Port>& ports);

// Load: parses `text` and writes the image (cleared first) and the labels. 12082 is asked through
// `prompt` (No clears the inexact signals), 12084 shown. Errors: 12083 (no test bench, an empty
// text too), 12080 (a delay shorter than the sample period), 12128 (more input bits than the
// model's channels), 12019.
Msg importVhdl(std::string text, const ImportSettings& settings, Prompt& prompt, std::span<Sample> image,
               LabelTable& labels, ImportResult& result);

// Convert: the start commands and, with Repeat, the jump to image sample 20. Returns the end.
int finishVhdlImage(std::span<Sample> image, const ImportSettings& settings, const ImportResult& result);

} // namespace qv::vhdl
