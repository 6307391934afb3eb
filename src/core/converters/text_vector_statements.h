// The statement reader of text vector files (.qvv, and Altera waveform tables through the text
// vector converter): comment removal, statements ("KEYWORD body;"), channel requests from INPUTS,
// channel lists from ASSIGN, radix rules for values and the signal list with its channel
// allocation. It builds lists and words; it shows no messages and asks no questions: errors come
// back as string ids for the caller to show. Time-stamp patterns (">") are the converter's.
#pragma once

#include "support/strings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::textvector {

inline constexpr char commandFieldName[] = "QV_Function";
// Channels a signal may name: bit 12 + channel must be a bit of the sample (the command bits,
// reached with channels -12..-1, included).
inline constexpr int lowestChannel = -12;
inline constexpr int channelLimit = 52; // channels 0..51 fit the sample word
inline constexpr int maxSignals = 201;

// Comments: "%" toggles a percent comment (outside a line comment), "//" starts a line comment
// that a line feed ends (outside a percent comment); commented characters, tabs and carriage
// returns become blanks, and line feeds too unless keepLineFeeds.
void removeComments(std::string& text, bool keepLineFeeds);

struct Statement {
    std::string keyword; // upper-cased
    std::string_view body; // the rest of the statement before its ";", case kept
};

// Walks the statements of a comment-free text; text after the last ";" is ignored.
class StatementReader {
  public:
    explicit StatementReader(std::string_view text) : text_(text) {}
    bool next(Statement& statement);

  private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// Radix of a RADIX body: OCT 8, else BIN 2, else HEX 16, else DEC 10, else 0 (automatic).
int radixOf(std::string_view body);
// A value in a radix; with radix 0 a last character "h", "b" or "o" selects 16, 2 or 8, anything
// else decimal. A leading "-" gives the two's complement; reading stops at the first character
// that is not a digit of the radix.
std::uint64_t readValue(std::string_view text, int radix);
// trunc(number x factor) of a decimal text such as "12.5", exact for the digits written. A number
// whose product would not fit 64 bits gives INT64_MAX (its negative for "-"); a factor outside
// 1..maxDecimalFactor gives 0.
inline constexpr std::int64_t maxDecimalFactor = 1000000000;
std::int64_t scaledDecimal(std::string_view text, std::int64_t factor);
// Hz of a FREQUENCY body ("10 MHz", "2.5KHZ", "100"), truncated.
std::int64_t frequencyOf(std::string_view body);
// Hz of an INTERVAL body (ns unless "US" or "MS"); 0 for an interval of 0.
std::int64_t intervalFrequencyOf(std::string_view body);
// Frequency mode of a FREQUENCYMODE body ("INTERNAL & CKI1", "!CKI2", a blank for 0), any case;
// -1 for an unknown name.
int frequencyModeOf(std::string_view body);

struct ChannelRequest {
    std::string name;
    int count = 1; // 0 for QV_Function
};
struct Assignment {
    std::string name;
    std::vector<int> channels;
};

// Appends each INPUTS name not yet requested, with its channel count ("B[3..0]" asks for 4).
void addInputs(std::string_view body, std::vector<ChannelRequest>& requests);
// Appends an ASSIGN (name, channel list). A missing name is ignored. Errors: 12059 for
// QV_Function, 12019 for more channels than maxChannels, 12077 for a name assigned twice,
// 12074 for a channel list that cannot be read.
Msg addAssignment(std::string_view body, int maxChannels, std::vector<Assignment>& assignments);

struct Signal {
    std::string name;
    bool commandField = false; // QV_Function: the value's low 12 bits are the command field
    std::vector<int> channels; // most significant first
};

// The signal list in INPUTS order: assigned channels where an ASSIGN names the signal, the
// command field for QV_Function, else the lowest free channels (highest first). Errors: 12074 for
// an assigned channel outside the sample, 12077 for a channel assigned twice, 12019 when
// allocation runs out of channels.
Msg buildSignalList(const std::vector<ChannelRequest>& requests, const std::vector<Assignment>& assignments,
                    std::vector<Signal>& signals);

// The sample word of one pattern line: the k-th blank-separated value belongs to the k-th signal;
// missing values count as 0, extra values are ignored.
std::uint64_t patternWord(std::string_view line, const std::vector<Signal>& signals, int radix);

} // namespace qv::textvector
