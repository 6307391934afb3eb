// The text vector converter (Text File to Waveform, 10011) and the Altera waveform table
// converter (10013): one code path, the variant only decides whether ASSIGN is read. Load reads the
// declarations and the timing of a file and builds the signal list and the label table; Convert
// reads the file's PATTERN again into the sample image with the start and repeat commands. Both
// work on the file's text; questions go through the Prompt port, errors come back as string ids.
//
// Decisions where a file leaves a point open:
// - A file without UNIT is in nanoseconds: every Load starts from 1 ns, so a time-stamp file never
//   takes its unit from the file loaded before it.
// - A time-stamp pattern without a record at a time other than 0 (or without any record) gives no
//   time step: Load fails with 17000. So does a single record before time 0.
// - Time stamps are read in tenths of the unit and held to +-4 x 10^18 tenths, so that the step
//   arithmetic cannot overflow; at Convert a record earlier than the one before it takes the same
//   sample as that one (it cannot reach back before the data already written).
// - Names longer than 31 characters are cut by the label table; the channel list text of a signal
//   always fits its 160 bytes (at most 52 channels of two digits).
// - Repeat on data shorter than three samples puts the jump on samples 0..2 (the last word repeats
//   up to there), so its commands never fall before the image.
#pragma once

#include "app/models.h"
#include "converters/text_vector_statements.h"
#include "device/prompt.h"
#include "device/rate_entry.h"
#include "support/strings.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::textvector {

enum class Variant { TextVector = 0, AlteraTable = 1 };
enum class TimingMode { Interval = 0, TimeStamp = 1 };

inline constexpr std::int64_t defaultSampleFrequency = 10000000;
// Wait Key Before Run: the data starts at sample 10; SE KEY on sample 3, WE on sample 4.
inline constexpr int waitKeyLead = 10;
inline constexpr int waitKeyCommandSample = 3;

// What Load leaves for Convert.
struct TimingState {
    TimingMode mode = TimingMode::TimeStamp;
    std::int64_t frequency = defaultSampleFrequency; // Hz
    int radix = 0; // 0 automatic, else 2, 8, 10 or 16
    std::uint64_t timeUnit = 1; // nanoseconds per unit of the time stamps
};

struct LoadResult {
    TimingState timing;
    std::vector<Signal> signals; // the signal list rows, in INPUTS order
    bool frequencyShown = false; // an INTERVAL, FREQUENCY or PATTERN set the frequency to show
};

// The whole file as text: 12005 when it cannot be opened or read (std::bad_alloc escapes: 12007).
Msg readConverterFile(const std::string& path, std::string& text);

// Load over the file's text: statements up to PATTERN, the frequency checks (12023 Yes takes the
// achievable frequency, else 12057 / 12058), the time step of a time-stamp pattern (12075, 12076,
// 17000; 12060 Yes takes the achievable frequency, No keeps the computed one), then the signal
// list and the label table. Errors: 12059, 12019, 12077, 12074, 12061, 12073 and those above.
Msg loadTextVector(std::string text, Variant variant, const Capabilities& caps, Prompt& prompt, LoadResult& result,
                   LabelTable& labels);

// The time step of a time-stamp pattern body, in tenths of the unit, the records taken as the last
// word before each ">". 12075 for two records at the same time, 12076 for one earlier than the
// record before it; 0 when no record is at a time other than 0.
Msg timeStampStep(std::string_view pattern, std::int64_t& step);

struct ConvertRequest {
    std::string frequencyText; // the frequency edit
    RateUnit unit = RateUnit::Mbps; // the unit button: MHz, KHz, Hz
    bool repeat = false;
    bool waitKey = false;
};
struct ConvertResult {
    int frequency = 0; // the sample frequency for iBaseFreq
    int end = 0; // the data end (first sample of the fill)
    bool abandoned = false; // 12056 answered No: nothing may be written
};

// Convert over the file's text, with the signal list and timing of the last Load: the image (the
// usable samples) is cleared and filled from the PATTERN lines, the fill to the end, the Wait Key
// and Repeat commands. Errors: 12035 (frequency below 1 in its unit), 12058 (frequency refused),
// 12065 (a time-stamp line without ">"). 12056 asked when the data does not fit.
Msg convertTextVector(std::string text, const ConvertRequest& request, const LoadResult& load, const Capabilities& caps,
                      Prompt& prompt, std::span<Sample> image, ConvertResult& result);

// ---- the frequency entry: the generators' tenths ladder, with the units MHz, KHz and Hz ---------
Msg frequencyUnitCaption(RateUnit unit);

struct FrequencyDisplay {
    RateUnit unit;
    std::string text; // integer when whole, else at most six decimals
};
// MHz from 1,000,000 Hz up, Hz below 1,000 Hz, else KHz.
FrequencyDisplay frequencyDisplay(std::int64_t hertz);

} // namespace qv::textvector
