// The I2C generator: a small text of address and data statements ("Aw=12;", "D=10,20;") becomes
// I2C traffic on SCL and SDA: START, address frames in 7-bit, 7-bit-with-R/W or 10-bit form, data
// bytes with acknowledge slots, STOP and START between transactions, a final STOP. Four samples
// per bit, 24 when the text reads from a slave (read mode), when the master releases SDA with an
// OE command around each read byte. Lines on the two output ports ("Default Out", inverted) or on
// two channels ("Custom Out"). The statement language and its checks are here; the dialog only
// moves texts.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

enum class I2cAddressing { SevenBit, SevenBitWithRw, TenBit };

inline constexpr int i2cSampleLimitMargin = 12;
inline constexpr int i2cBuildMargin = 36; // generation stops this far below the sample limit
inline constexpr int i2cLeadInSamples = 47;
inline constexpr unsigned i2cRepeatAddress = 0x20;
inline constexpr int i2cEventSelection = 2;
inline constexpr int i2cSamplesPerBit = 4;
inline constexpr int i2cReadModeFactor = 6;
inline constexpr double i2cDefaultRate = 100000; // 100 "K bps"

struct I2cSettings {
    bool customOut = false; // "Custom Out" (else "Default Out": the two output ports)
    int sclChannel = 0;
    int sdaChannel = 1; // follows the SCL field: SCL + 1 (two distinct channels from the start)
    bool waitEvent1 = false; // "Wait Event(EV1)"
    I2cAddressing addressing = I2cAddressing::SevenBit;
    double rateBitsPerSecond = i2cDefaultRate;
    bool repeat = false;
};

// "Custom Out" is the only choice on the 16-channel models.
bool i2cCustomOutForced(int modelCode);
I2cSettings i2cDefaults(int modelCode);
// A change of the SCL field: the SDA field follows as SCL + 1.
void setI2cSclChannel(I2cSettings& s, int channel);
int i2cHighestSclChannel(int modelCode);
// The "Sample" button's text for an addressing mode.
std::string_view i2cSampleText(I2cAddressing addressing);

struct I2cStatement {
    bool address = false; // else data
    bool read = false; // address statements
    unsigned value = 0; // the address (7-bit modes: 8 bits, 10-bit: 10 bits)
    std::vector<std::uint8_t> data;
};
struct I2cProgram {
    std::vector<I2cStatement> statements;
    bool readMode = false; // some address reads: 24 samples per bit
};

// The checks before generation in order (rate, text length, SCL channel, SDA channel valid and
// not SCL's in either output mode, the leading address, r/w forms for the mode), then the
// statements and their order: Msg::None or the message. The program is filled on success.
Msg checkI2c(const I2cSettings& s, std::string_view text, const Capabilities& caps, I2cProgram& program);
// The statements alone (text checks 5-7 and the order rules).
Msg parseI2cText(std::string_view text, I2cAddressing addressing, I2cProgram& program);

// The number a check's message names: the maximum rate in Mbps, the highest SCL or SDA channel.
std::string i2cMessageArgument(Msg m, const Capabilities& caps);

int i2cSampleClock(const I2cSettings& s, bool readMode);

struct I2cBuild {
    int count = 0; // samples to load
    bool truncated = false; // out of memory depth: what fits (to the last whole byte), no repeat jump
    int sclChannel = 0, sdaChannel = 0; // Convert: the channels the labels name
};
// The stream into out (at least sampleLimit samples): lead-in, frames, end, frame commands
// (no handshake while converting), and with "Default Out" on cards other than 18 bits 12..63 of
// every built sample inverted. channelsPerGroup: the model's output-enable group size, for the OE
// that leaves only SCL's group driven while the slave sends.
I2cBuild buildI2cStream(const I2cProgram& program, const I2cSettings& s, int cardType, bool converting,
                        std::span<Sample> out, int sampleLimit, int channelsPerGroup);

// Convert: the checks, then the stream without the start handshake. `built` holds its size and
// channels. With "Default Out" (cards other than 18) the stream goes on the channels SCL and SCL + 1,
// not inverted, so that the Wave Editor shows the traffic under the labels I2C_SCL and I2C_SDA.
Msg buildI2cForConvert(const I2cSettings& s, std::string_view text, const Capabilities& caps, int cardType,
                       std::span<Sample> buffer, I2cBuild& built);

struct I2cRunResult {
    OutputOutcome outcome;
    bool repeatDisabled = false; // out of memory depth: the dialog unchecks and disables "Repeat"
};
// The output thread: checks, build (12102 shown when cut), the nearest achievable clock, load and
// start with event selection 2. Errors are shown through the prompt.
I2cRunResult runI2c(OutputPorts& ports, const I2cSettings& s, std::string_view text, std::span<Sample> buffer);

} // namespace qv::gen
