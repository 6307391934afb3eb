// The I2C statement language and builder. Every bit is a precomputed run of 4 (or 24) samples
// copied into the buffer; frames are checked against the end of the buffer once, before they are
// written. Statement classification ignores letter case throughout, so a read written "AR=" gets
// read-mode timing like "Ar=".
#include "generators/i2c.h"

#include "device/rate_entry.h"
#include "generators/frame.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>

namespace qv::gen {
namespace {

constexpr std::string_view sampleTexts[] = {
    "Aw=12;\r\nD=10,20,30;\r\nAr=3f;\r\nD=0;\r\nAw=46;\r\nD=21,3a;\r\n",
    "A=25;\r\nD=0,0,0;\r\nA=7f;\r\nD=0;\r\nA=8C;\r\nD=21,3a;\r\n",
    "Aw=12c;\r\nD=10,20,30;\r\nAw=23f;\r\nD=4c;\r\nAr=18a;\r\nD=0,0;\r\n",
};
constexpr int minTextLengthWithTerminator = 11;
constexpr int endLowSamples = 12;
constexpr int endStopSamples = 12;
constexpr int endIdleSamples = 16;
constexpr int waitEventSelectAt = 14;
constexpr int waitEventWaitAt = 16;
constexpr Sample invertedBits = ~commandMask; // bits 12..63

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
std::string_view trim(std::string_view t) {
    while (!t.empty() && isBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && isBlank(t.back())) t.remove_suffix(1);
    return t;
}
char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Where an address form "A=", "AW=", "AR=" (blanks before "=" allowed) starts; npos if none.
// rw receives 'W', 'R' or 0.
std::size_t findAddressForm(std::string_view s, char& rw) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (upper(s[i]) != 'A') continue;
        std::size_t j = i + 1;
        char kind = 0;
        if (j < s.size() && (upper(s[j]) == 'W' || upper(s[j]) == 'R')) kind = upper(s[j++]);
        while (j < s.size() && s[j] == ' ') ++j;
        if (j < s.size() && s[j] == '=') {
            rw = kind;
            return i;
        }
    }
    return std::string_view::npos;
}
bool isDataStatement(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (upper(s[i]) != 'D') continue;
        std::size_t j = i + 1;
        while (j < s.size() && s[j] == ' ') ++j;
        if (j < s.size() && s[j] == '=') return true;
    }
    return false;
}

// The statements of the text (each ended by ";"; a last one without ";" counts too), trimmed.
std::vector<std::string_view> splitStatements(std::string_view text) {
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view piece = trim(text.substr(start, end - start));
        if (!piece.empty()) pieces.push_back(piece);
        start = end + 1;
    }
    return pieces;
}

bool parseAddress(std::string_view statement, I2cAddressing addressing, I2cStatement& out) {
    std::string_view value = trim(statement.substr(statement.find('=') + 1));
    const std::size_t keep = addressing == I2cAddressing::TenBit ? 3 : 2;
    if (value.size() > keep) value = value.substr(value.size() - keep);
    unsigned address = 0;
    int digits = 0;
    for (char c : value) {
        if (hexValue(c) < 0) break;
        address = address * 16 + static_cast<unsigned>(hexValue(c));
        ++digits;
    }
    if (digits == 0) return false;
    out.value = address % (addressing == I2cAddressing::TenBit ? 1024u : 256u);
    return true;
}

bool isDataSeparator(char c) {
    return c == ',' || isBlank(c) || c == 'R' || c == 'W' || c == 'r' || c == 'w' || c == '=';
}

// Values of one or two hex digits; a longer number is cut into bytes, two digits at a time.
bool parseData(std::string_view statement, I2cStatement& out) {
    std::size_t i = statement.find('=') + 1;
    while (i < statement.size()) {
        const char c = statement[i];
        if (isDataSeparator(c)) {
            ++i;
            continue;
        }
        const int high = hexValue(c);
        if (high < 0) return false;
        unsigned value = static_cast<unsigned>(high);
        if (i + 1 < statement.size()) {
            const char next = statement[i + 1];
            if (hexValue(next) >= 0)
                value = value * 16 + static_cast<unsigned>(hexValue(next));
            else if (!isDataSeparator(next))
                return false;
        }
        out.data.push_back(static_cast<std::uint8_t>(value & 0xFF));
        i += 2;
    }
    return true;
}

// ---- the builder ------------------------------------------------------------------------------

struct Levels {
    Sample idle, sclOnly, sdaOnly, low;
};

class I2cWriter {
  public:
    I2cWriter(const Levels& levels, bool readMode, std::span<Sample> out, int stopAt)
        : out_(out), stopAt_(stopAt), bitSamples_(readMode ? 24 : 4) {
        const int edge = readMode ? 6 : 1, high = readMode ? 12 : 2;
        for (int k = 0; k < bitSamples_; ++k) {
            const bool sclHigh = k >= edge && k < edge + high;
            one_[k] = sclHigh ? levels.idle : levels.sdaOnly;
            zero_[k] = sclHigh ? levels.sclOnly : levels.low;
        }
    }
    int count() const { return n_; }
    int bitSamples() const { return bitSamples_; }
    // Samples left below the stop mark.
    int room() const { return stopAt_ - n_; }
    void run(Sample level, int count) {
        fillSamples(out_.data() + n_, count, level);
        n_ += count;
    }
    void bits(unsigned value, int count) { // most significant first
        Sample* at = out_.data() + n_;
        if (bitSamples_ == 4) {
            for (int b = count - 1; b >= 0; --b, at += 4) {
                const Sample* shape = (value >> b) & 1 ? one_.data() : zero_.data();
                at[0] = shape[0];
                at[1] = shape[1];
                at[2] = shape[2];
                at[3] = shape[3];
            }
        } else {
            for (int b = count - 1; b >= 0; --b, at += bitSamples_)
                std::memcpy(at, (value >> b) & 1 ? one_.data() : zero_.data(),
                            sizeof(Sample) * static_cast<std::size_t>(bitSamples_));
        }
        n_ += count * bitSamples_;
    }
    void command(int at, unsigned word) { placeCommand(out_, at, word); }

  private:
    std::span<Sample> out_;
    int stopAt_;
    int bitSamples_;
    std::array<Sample, 24> one_{}, zero_{};
    int n_ = 0;
};

// The bits of an address statement's frames.
int addressBits(const I2cStatement& st, I2cAddressing addressing) {
    if (addressing != I2cAddressing::TenBit) return 9;
    return st.read ? 27 : 18;
}

} // namespace

bool i2cCustomOutForced(int modelCode) { return isSixteenChannelModel(modelCode); }

I2cSettings i2cDefaults(int modelCode) {
    I2cSettings s;
    s.customOut = i2cCustomOutForced(modelCode);
    return s;
}

void setI2cSclChannel(I2cSettings& s, int channel) {
    s.sclChannel = channel;
    s.sdaChannel = channel + 1;
}

int i2cHighestSclChannel(int modelCode) {
    switch (modelCode) {
    case 0xA020:
    case 0xA050:
    case 0xC020:
    case 0xC120:
    case 0xC320: return 18;
    default: return isSixteenChannelModel(modelCode) ? 14 : 48;
    }
}

std::string_view i2cSampleText(I2cAddressing addressing) { return sampleTexts[static_cast<int>(addressing)]; }

Msg parseI2cText(std::string_view text, I2cAddressing addressing, I2cProgram& program) {
    program = I2cProgram{};
    const std::string_view start = trim(text);
    if (start.empty() || upper(start.front()) != 'A') return Msg::LostI2cAddress;
    const std::vector<std::string_view> pieces = splitStatements(text);
    // The r/w forms against the mode, over the whole text first.
    for (std::string_view piece : pieces) {
        char rw = 0;
        if (findAddressForm(piece, rw) == std::string_view::npos) continue;
        if (addressing == I2cAddressing::SevenBitWithRw && rw != 0) return Msg::NoRwIn8BitAddressing;
        if (addressing != I2cAddressing::SevenBitWithRw && rw == 0) return Msg::LostRwCommand;
    }
    for (std::string_view piece : pieces) {
        I2cStatement st;
        char rw = 0;
        if (findAddressForm(piece, rw) != std::string_view::npos) {
            st.address = true;
            if (!parseAddress(piece, addressing, st)) return Msg::WrongEditing;
            st.read = addressing == I2cAddressing::SevenBitWithRw ? (st.value & 1) != 0 : rw == 'R';
            program.readMode = program.readMode || st.read;
        } else if (isDataStatement(piece)) {
            if (!parseData(piece, st)) return Msg::WrongEditing;
        } else {
            return Msg::WrongEditing;
        }
        program.statements.push_back(std::move(st));
    }
    // Order: a data statement needs an address before it in its transaction.
    bool haveAddress = false, lastData = false;
    for (const I2cStatement& st : program.statements) {
        if (haveAddress && lastData) haveAddress = lastData = false; // STOP and START here
        if (st.address) {
            haveAddress = true;
            lastData = false;
        } else {
            if (!haveAddress) return Msg::WrongEditing;
            lastData = true;
        }
    }
    return Msg::None;
}

Msg checkI2c(const I2cSettings& s, std::string_view text, const Capabilities& caps, I2cProgram& program) {
    if (Msg m = rateProblem(s.rateBitsPerSecond); m != Msg::None) return m;
    if (s.rateBitsPerSecond > caps.maxOutputFrequency / 24.0) return Msg::I2cRateOutOfRange;
    if (static_cast<int>(text.size()) + 1 < minTextLengthWithTerminator) return Msg::NoI2cData;
    if (s.sclChannel < 0 || s.sclChannel > i2cHighestSclChannel(caps.modelCode)) return Msg::I2cSclChannelRange;
    // SDA is a channel on the card type 18 with "Default Out" too: checked in both modes.
    if (s.sdaChannel < 0 || s.sdaChannel > i2cHighestSclChannel(caps.modelCode) + 1 || s.sdaChannel == s.sclChannel)
        return Msg::I2cSdaChannelClash;
    return parseI2cText(text, s.addressing, program);
}

std::string i2cMessageArgument(Msg m, const Capabilities& caps) {
    switch (m) {
    case Msg::I2cRateOutOfRange: return std::to_string(caps.maxOutputFrequency / 24000000);
    case Msg::I2cSclChannelRange: return std::to_string(i2cHighestSclChannel(caps.modelCode));
    case Msg::I2cSdaChannelClash: return std::to_string(i2cHighestSclChannel(caps.modelCode) + 1);
    default: return {};
    }
}

int i2cSampleClock(const I2cSettings& s, bool readMode) {
    return static_cast<int>(s.rateBitsPerSecond) * i2cSamplesPerBit * (readMode ? i2cReadModeFactor : 1);
}

I2cBuild buildI2cStream(const I2cProgram& program, const I2cSettings& s, int cardType, bool converting,
                        std::span<Sample> out, int sampleLimit, int channelsPerGroup) {
    const bool onChannels = s.customOut || cardType == cardTypeWithOutputEnable;
    const Sample scl = onChannels ? channelBit(s.sclChannel) : outputPort0;
    const Sample sda = onChannels ? channelBit(s.sdaChannel) : outputPort1;
    const Levels levels{scl | sda, scl, sda, 0};
    const bool readMode = program.readMode;
    const int endSamples = endLowSamples + endStopSamples + endIdleSamples;
    // The frames stop 36 samples below the limit; the end sequence always has room after them.
    const int stopAt = std::min(sampleLimit - i2cBuildMargin, static_cast<int>(out.size()) - endSamples);
    I2cWriter w(levels, readMode, out, stopAt);
    I2cBuild result;

    w.run(levels.idle, 32);
    w.run(levels.sclOnly, 12);
    w.run(levels.low, 3);
    const int stopStartSamples = readMode ? 39 : 8;
    // Each OE bit enables one output group; SCL's group stays on (a mask of 1 << SCL would switch
    // SCL itself off from channel 8 up).
    const int sclGroup = s.sclChannel / std::max(channelsPerGroup, 1);
    const unsigned releaseMask = sclGroup < 16 ? 1u << sclGroup : 0u;
    const unsigned releaseLow = 0x800 | (releaseMask & 0xFF), releaseHigh = 0x200 | (releaseMask >> 8);
    bool haveAddress = false, lastData = false, readTransaction = false;
    for (const I2cStatement& st : program.statements) {
        const bool stopStart = haveAddress && lastData;
        // A data statement that does not fit whole is cut after its last byte that fits.
        const int room = w.room() - (stopStart ? stopStartSamples : 0) - 8;
        const int byteSamples = 9 * w.bitSamples();
        std::size_t bytes = st.data.size();
        if (st.address ? room < addressBits(st, s.addressing) * w.bitSamples()
                       : room < static_cast<int>(bytes) * byteSamples) {
            result.truncated = true;
            bytes = st.address || room < byteSamples ? 0 : static_cast<std::size_t>(room / byteSamples);
            if (bytes == 0) break;
        }
        if (stopStart) {
            if (readMode) {
                w.run(levels.low, 12);
                w.run(levels.sclOnly, 6);
                w.run(levels.idle, 12);
                w.run(levels.sclOnly, 6);
                w.run(levels.low, 3);
            } else {
                for (Sample v : {levels.low, levels.sclOnly, levels.idle, levels.idle, levels.sclOnly, levels.low,
                                 levels.low, levels.low})
                    w.run(v, 1);
            }
            haveAddress = lastData = false;
        }
        if (st.address) {
            haveAddress = true;
            lastData = false;
            readTransaction = st.read;
            const unsigned a = st.value;
            switch (s.addressing) {
            case I2cAddressing::SevenBit: w.bits(((a & 0x7F) << 2) | (st.read ? 2u : 0u) | 1u, 9); break;
            case I2cAddressing::SevenBitWithRw: w.bits(((a & 0xFF) << 1) | 1u, 9); break;
            case I2cAddressing::TenBit:
                w.bits((0x78u | ((a >> 8) & 3)) << 2 | 1u, 9); // 1,1,1,1,0,a9,a8,W, ACK
                w.bits(((a & 0xFF) << 1) | 1u, 9);
                if (st.read) {
                    for (Sample v : {levels.sdaOnly, levels.idle, levels.idle, levels.idle, levels.sclOnly, levels.low,
                                     levels.low, levels.low})
                        w.run(v, 1);
                    w.bits((0x78u | ((a >> 8) & 3)) << 2 | 2u | 1u, 9);
                }
                break;
            }
            continue;
        }
        lastData = true;
        for (std::size_t k = 0; k < bytes; ++k) {
            const unsigned d = st.data[k];
            const int byteStart = w.count();
            w.bits((d << 1) | 1u, 9);
            if (readMode && readTransaction) {
                // SDA released for the slave's byte: only SCL's enable on, then all outputs again
                // from the master's acknowledge.
                const int ack = byteStart + 8 * w.bitSamples();
                w.command(byteStart, releaseLow);
                w.command(byteStart + 1, releaseHigh);
                w.command(byteStart + 2, 0x900);
                w.command(ack - 2, 0x8FF);
                w.command(ack - 1, 0x2FF);
                w.command(ack, 0x900);
            }
        }
        if (result.truncated) break;
    }
    w.run(levels.low, endLowSamples);
    w.run(levels.sclOnly, endStopSamples);
    w.run(levels.idle, endIdleSamples);
    const int n = w.count();

    FrameLayout frame{converting ? -1 : 0, 2, 7, i2cRepeatAddress};
    placeFrameCommands(out, n, frame, cardType, s.repeat && !result.truncated);
    if (s.waitEvent1) {
        placeCommand(out, waitEventSelectAt, commandSelectEvent1);
        placeCommand(out, waitEventWaitAt, commandWaitEvent);
    }
    if (!onChannels)
        for (int i = 0; i < n; ++i) out[static_cast<std::size_t>(i)] ^= invertedBits;
    result.count = n;
    return result;
}

Msg buildI2cForConvert(const I2cSettings& s, std::string_view text, const Capabilities& caps, int cardType,
                       std::span<Sample> buffer, I2cBuild& built) {
    I2cProgram program;
    if (Msg m = checkI2c(s, text, caps, program); m != Msg::None) return m;
    I2cSettings onChannels = s;
    if (!s.customOut && cardType != cardTypeWithOutputEnable) {
        onChannels.customOut = true;
        setI2cSclChannel(onChannels, std::min(s.sclChannel, i2cHighestSclChannel(caps.modelCode)));
    }
    built = buildI2cStream(program, onChannels, cardType, true, buffer, sampleLimit(caps, i2cSampleLimitMargin),
                           caps.channelsPerGroup);
    built.sclChannel = onChannels.sclChannel;
    built.sdaChannel = onChannels.sdaChannel;
    return Msg::None;
}

I2cRunResult runI2c(OutputPorts& ports, const I2cSettings& s, std::string_view text, std::span<Sample> buffer) {
    I2cRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    I2cProgram program;
    if (Msg m = checkI2c(s, text, ports.capabilities, program); m != Msg::None) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m), i2cMessageArgument(m, ports.capabilities));
        return result;
    }
    const int cardType = readCardType(ports);
    GeneratorJob job;
    job.clockHz = i2cSampleClock(s, program.readMode);
    job.clockRule = ClockRule::Nearest;
    job.eventSelection = i2cEventSelection;
    job.build = [&](int) {
        const I2cBuild built =
            buildI2cStream(program, s, cardType, false, buffer, sampleLimit(ports.capabilities, i2cSampleLimitMargin),
                           ports.capabilities.channelsPerGroup);
        if (built.truncated) {
            result.repeatDisabled = true;
            ports.prompt.show(static_cast<int>(Msg::OutOfMemoryDepth));
        }
        return Section{buffer.first(static_cast<std::size_t>(built.count))};
    };
    result.outcome = runGeneratorOutput(ports, job);
    return result;
}

} // namespace qv::gen
