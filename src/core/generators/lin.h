// The LIN generator: a list of message frames (break, delimiter, sync 0x55, protected identifier,
// a response space of 3 to 8 bits, data bytes and checksum), wake-up pulses and go-to-sleep
// commands, sent on one channel at one sample per bit (recessive high). Parity and checksums are
// computed on request, but the values written in the list are what goes out, so faulty frames
// can be produced. The list's lines are the data, read back by field name. No Convert.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "generators/list_lines.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

enum class LinEntryKind { Message, WakeUp, Sleep };
enum class LinChecksumModel { Classic, Enhanced };

inline constexpr int linSampleLimitMargin = 12;
inline constexpr int linLeadInSamples = 16;
inline constexpr unsigned linRepeatAddress = 0x0F;
inline constexpr int linEventSelection = 2;
inline constexpr int linMinBreak = 13;
inline constexpr int linMinDelimiter = 1;
inline constexpr int linMaxBreakAndDelimiter = 29;
inline constexpr int linMaxDataTokens = 64;
inline constexpr unsigned linMaxId = 0x3F;
inline constexpr double linDefaultRate = 2400; // 2400 "bps"

// The message fields of the dialog, as Add writes them into a line.
struct LinMessage {
    int breakBits = linMinBreak; // TSYNBRK
    int delimiterBits = linMinDelimiter; // TSYNDEL
    unsigned id = 1;
    int p0 = 0, p1 = 0, ndata = 2;
    std::vector<std::uint8_t> data;
    std::uint8_t checksum = 0;
};

struct LinSettings {
    int channel = 0;
    double rateBitsPerSecond = linDefaultRate;
    bool repeat = false;
    std::uint32_t seed = 0; // of the response spaces (the dialog: the time)
};

// The message fields as the dialog's edits hold them: 18821 for a break or delimiter that is not a
// count, 18801 for an identifier, data token or checksum that is not hexadecimal (a checksum is
// needed only with data).
struct LinFieldTexts {
    std::string breakBits, delimiterBits, id, data, checksum;
};
Msg readLinFields(const LinFieldTexts& t, LinMessage& m);

// "Calculate P0, P1, NDATA": the break raised to 13 and the delimiter to 1, 18820 when they add up
// to 30 or more; the identifier cut to its low 6 bits, then NDATA, P0 and P1.
Msg linCalculate(LinMessage& m);
int linDataLength(unsigned id); // 4 for identifier bits 5..4 = 10, 8 for 11, else 2
int linParity0(unsigned id);
int linParity1(unsigned id);
unsigned linProtectedId(unsigned id, int p0, int p1);

// The data edit's tokens (split at ";", CR and LF, blanks trimmed, empty ones skipped); nullopt
// when one is not a hexadecimal byte or there are more than 64.
std::optional<std::vector<std::uint8_t>> linDataTokens(std::string_view text);
// "Calculate CHECKSUM": the first NDATA bytes (all of them for identifiers 3E and 3F) summed with
// end-around carry, the protected identifier too with "Enhanced", inverted.
std::uint8_t linChecksum(std::span<const std::uint8_t> data, const LinMessage& m, LinChecksumModel model);
std::uint8_t linChecksumOf(std::span<const std::uint8_t> bytes, unsigned start);

// The list lines.
std::string linMessageLine(const LinMessage& m);
std::string linWakeUpLine(int delimiterBits);
std::string_view linSleepLine();

// "Random" of the data: NDATA bytes (each modulo 255), lower-case hexadecimal each followed by
// ";\r\n"; "Random" of the wake-up delimiter: 4 to 16 bits.
std::string linRandomData(int ndata, std::mt19937& random);
int linRandomWakeUpDelimiter(std::mt19937& random);

// One list line read back by its field names, with bounds.
struct LinUnit {
    LinEntryKind kind = LinEntryKind::Message;
    std::uint64_t breakBits = 0, delimiterBits = 0; // message break and delimiter; wake-up delimiter
    unsigned protectedId = 0;
    std::vector<std::uint8_t> data;
    std::uint8_t checksum = 0;
};
Msg readLinLine(std::string_view line, LinUnit& unit);
ListProblem readLinList(const std::vector<std::string>& lines, std::vector<LinUnit>& units);
bool linLineContinues(std::string_view line); // never: every LIN entry is one line

// 12096 for a channel the model lacks, 12022 for a rate above its maximum clock.
Msg validateLin(const LinSettings& s, const Capabilities& caps);
int linSampleClock(const LinSettings& s); // the bit rate to the nearest hertz

struct LinBuild {
    int count = 0;
    Msg error = Msg::None; // 12047: the list does not fit; nothing past the limit written
};
// The stream into out: the lead-in, every unit (its size checked against the limit, in 64 bits,
// before it is written), the frame commands. random draws the response spaces.
LinBuild buildLinStream(std::span<const LinUnit> units, const LinSettings& s, int cardType, std::span<Sample> out,
                        int sampleLimit, std::mt19937& random);

struct LinRunResult {
    OutputOutcome outcome;
    double rateBitsPerSecond = 0;
};
LinRunResult runLin(OutputPorts& ports, const LinSettings& s, const std::vector<std::string>& lines,
                    std::span<Sample> buffer);

} // namespace qv::gen
