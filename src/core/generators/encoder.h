// The Encoder: a list of bytes on one channel in a line code (NRZI, Manchester as G. E. Thomas
// wrote it, Manchester as IEEE 802.3 writes it, differential Manchester), most or least
// significant bit first. One sample per bit for NRZI, two for the Manchester codes; a 16-sample
// lead-in; the end commands fall on the last data samples (no idle tail). Output only: no Convert.
//
// NRZI and differential Manchester say what a bit is by comparing with the level before it. The
// lead-in holds the line high for those two codes, which is the level their first bit is coded
// from, so the first bit decodes as sent ("1a" in NRZI still gives L H L L L H H L). With Repeat
// the loop must come back to that level too: when the data leave the line at the other level, the
// data are coded twice in memory, the second copy from where the first ends.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace qv::gen {

enum class LineCode { Nrzi = 0, ManchesterThomas, ManchesterIeee, DifferentialManchester };

inline constexpr int encoderLeadInSamples = 16;
inline constexpr unsigned encoderRepeatAddress = 16; // the first data sample
inline constexpr int encoderEventSelection = 2;
inline constexpr int encoderSampleLimitMargin = 36;

struct EncoderSettings {
    int channel = 0;
    LineCode code = LineCode::Nrzi;
    bool lsbFirst = false;
    double rateHz = 1e6; // the data rate in bits per second, rounded to whole hertz
    bool repeat = false;
};

int encoderSamplesPerBit(LineCode code);
// The level the lead-in holds and the first bit is coded from.
bool encoderLeadInHigh(LineCode code);

// The data text: hexadecimal bytes, each ended by ";" (line breaks allowed between them); in an
// item every character but 0-9, A-F and a-f is ignored and only the low 8 bits count; an item
// without a digit and any text after the last ";" send nothing.
std::vector<std::uint8_t> parseEncoderData(std::string_view text);
inline constexpr char encoderSampleText[] = "1a;\r\n2b;\r\n3c;\r\n4d;\r\n5e;\r\n6f;\r\n";

// The rate the encoder runs at: 12022 above the model's maximum; a Manchester rate above half the
// maximum becomes half the maximum (`halved`).
struct EncoderRate {
    Msg error = Msg::None;
    double rateHz = 0;
    bool halved = false;
};
EncoderRate encoderRate(const EncoderSettings& s, const Capabilities& caps);

// The stream into out from device address 0: lead-in, the bytes, the frame (SE KEY 2, WE 3, OE on
// 4..6 on card type 18; Repeat: JP 16 on count - 6 .. count - 4; else WE on count - 4). The sample
// limit is checked before each byte: 12047 and nothing past the limit when the data do not fit.
struct EncoderBuild {
    int count = 0;
    Msg error = Msg::None;
};
EncoderBuild buildEncoderStream(const EncoderSettings& s, std::span<const std::uint8_t> bytes, int cardType,
                                std::span<Sample> out, int sampleLimit);

// The output thread: channel and data (12096, 19700), the rate (17900, 17901, 12022, halving),
// the clock check with the nearby-clock question, then build and output with event selection 2.
// Errors are shown through the prompt. rateHz: the rate in force (halved or nearby).
struct EncoderRunResult {
    OutputOutcome outcome;
    double rateHz = 0;
};
EncoderRunResult runEncoder(OutputPorts& ports, const EncoderSettings& s, std::string_view text,
                            std::span<Sample> buffer);

} // namespace qv::gen
