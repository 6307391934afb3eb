// The UART builder: each character becomes a frame word (start 0, data least significant first,
// parity), written one sample per bit (two in half-bit mode) from a two-entry level table, then
// the stop samples at the mark level.
#include "generators/uart.h"

#include "generators/frame.h"
#include "support/file_io.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <climits>

namespace qv::gen {
namespace {

constexpr FrameLayout uartFrame{2, 3, 4, uartRepeatAddress};
constexpr int uartLeadInCounted = 32;
constexpr int uartMaxCharacterSamples = 2 * (1 + uartMaxDataBits + 1) + 4;

// strtol over one piece, with a 32-bit long as on the target: leading blanks, a sign, "0x" in
// base 16, digits up to the first unfit character, saturation on overflow.
// The data text's lines as the number formats cut them: at each CR LF, an empty last piece
// included; `visit` gets each line and its number from 1 and returns false to stop.
template <class Visit> void forEachDataLine(std::string_view text, Visit visit) {
    for (std::size_t start = 0, line = 1;; ++line) {
        const std::size_t end = text.find("\r\n", start);
        if (!visit(text.substr(start, end == std::string_view::npos ? text.npos : end - start), line)) return;
        if (end == std::string_view::npos) return;
        start = end + 2;
    }
}

long readLong(std::string_view piece, int base) {
    std::size_t i = 0;
    while (i < piece.size() && (piece[i] == ' ' || (piece[i] >= '\t' && piece[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) negative = piece[i++] == '-';
    if (base == 16 && i + 2 < piece.size() && piece[i] == '0' && (piece[i + 1] == 'x' || piece[i + 1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(piece[i + 2])))
        i += 2;
    long long value = 0;
    for (; i < piece.size(); ++i) {
        const char c = piece[i];
        const int digit = c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'z'             ? c - 'a' + 10
            : c >= 'A' && c <= 'Z'             ? c - 'A' + 10
                                               : 99;
        if (digit >= base) break;
        value = value * base + digit;
        if (value > 0x80000000LL) value = 0x80000000LL;
    }
    if (negative) return value >= 0x80000000LL ? INT32_MIN : static_cast<long>(-value);
    return value > INT32_MAX ? INT32_MAX : static_cast<long>(value);
}

int baseOf(UartFormat format) {
    switch (format) {
    case UartFormat::Bin: return 2;
    case UartFormat::Oct: return 8;
    case UartFormat::Dec: return 10;
    default: return 16;
    }
}

bool halfBitMode(const UartSettings& s) { return s.stopBits == UartStopBits::OneAndHalf; }

int stopBitCount(UartStopBits bits) {
    switch (bits) {
    case UartStopBits::Two: return 2;
    case UartStopBits::Three: return 3;
    case UartStopBits::Four: return 4;
    default: return 1;
    }
}

} // namespace

bool uartSyncChannelForced(int modelCode) { return isSixteenChannelModel(modelCode); }

UartSettings uartDefaults(int modelCode) {
    UartSettings s;
    s.syncChannelOn = uartSyncChannelForced(modelCode);
    return s;
}

bool uartStopBitsHalf(int dataBits) { return dataBits == 5; }

UartStopBits uartStopBitsAt(int index, int dataBits) {
    switch (index) {
    case 1: return uartStopBitsHalf(dataBits) ? UartStopBits::OneAndHalf : UartStopBits::Two;
    case 2: return UartStopBits::Three;
    case 3: return UartStopBits::Four;
    default: return UartStopBits::One;
    }
}

int uartSampleClock(const UartSettings& s) {
    if (halfBitMode(s)) return 2 * s.baud;
    switch (s.baud) {
    case 115200: return 115000;
    case 460800: return 460625;
    case 921600: return 921875;
    default: return s.baud;
    }
}

int uartSamplesPerCharacter(const UartSettings& s) {
    const int bits = 1 + s.dataBits + (s.parity == UartParity::None ? 0 : 1);
    return halfBitMode(s) ? 2 * bits + 3 : bits + stopBitCount(s.stopBits);
}

std::vector<std::uint8_t> uartDataBytes(std::string_view text, UartFormat format, int dataBits) {
    if (format == UartFormat::Asc) return {text.begin(), text.end()};
    std::vector<std::uint8_t> bytes;
    const int base = baseOf(format);
    forEachDataLine(text, [&](std::string_view piece, std::size_t) {
        const long value = readLong(piece, base);
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        if (dataBits > 8) bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        return true;
    });
    return bytes;
}

Msg checkUartData(std::string_view text, UartFormat format, int dataBits, std::string& where) {
    if (format == UartFormat::Asc) return Msg::None;
    constexpr std::size_t shownCharacters = 16;
    const int base = baseOf(format);
    const long long highest = (1LL << dataBits) - 1, lowest = -(1LL << (dataBits - 1));
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    Msg found = Msg::None;
    forEachDataLine(text, [&](std::string_view piece, std::size_t line) {
        while (!piece.empty() && blank(piece.front())) piece.remove_prefix(1);
        while (!piece.empty() && blank(piece.back())) piece.remove_suffix(1);
        std::string_view digits = piece;
        const bool negative = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
        if (base == 16 && digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
            digits.remove_prefix(2);
        long long value = 0;
        Msg problem = piece.empty() ? Msg::None : digits.empty() ? Msg::UartLineNotNumber : Msg::None;
        for (char c : digits) {
            const int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'z'             ? c - 'a' + 10
                : c >= 'A' && c <= 'Z'             ? c - 'A' + 10
                                                   : 99;
            if (digit >= base) {
                problem = Msg::UartLineNotNumber;
                break;
            }
            value = std::min(value * base + digit, highest + 1); // saturated past the widest
        }
        if (problem == Msg::None && (negative ? -value < lowest : value > highest)) problem = Msg::UartLineTooWide;
        if (problem != Msg::None) {
            std::string shown(piece.substr(0, shownCharacters));
            for (char& c : shown)
                if (blank(c)) c = ' ';
            where = std::to_string(line) + " ('" + shown + (piece.size() > shownCharacters ? "...')" : "')");
            found = problem;
            return false;
        }
        return true;
    });
    return found;
}

std::vector<std::uint16_t> uartCharacters(std::span<const std::uint8_t> bytes, UartFormat format, int dataBits) {
    std::vector<std::uint16_t> characters;
    if (format == UartFormat::Asc || dataBits <= 8) {
        characters.assign(bytes.begin(), bytes.end());
        return characters;
    }
    characters.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        characters.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return characters;
}

Msg uartLoadFile(const std::string& path, int sampleLimit, std::string& text) {
    InputFile file;
    if (!file.open(path)) return Msg::CantOpenFile;
    if (file.size() > sampleLimit) return Msg::LoadFailTooBig;
    if (file.size() == 0) return Msg::FileSizeZero;
    std::string bytes(static_cast<std::size_t>(file.size()), '\0');
    if (!file.read(0, bytes.data(), bytes.size())) return Msg::CantOpenFile;
    text = std::move(bytes);
    return Msg::None;
}

Msg validateUart(const UartSettings& s, const Capabilities& caps) {
    if (s.dataBits < uartMinDataBits || s.dataBits > uartMaxDataBits) return Msg::ErrorParameterSetting;
    if (halfBitMode(s) && !uartStopBitsHalf(s.dataBits)) return Msg::ErrorParameterSetting;
    if (s.syncChannelOn && (s.syncChannel < 0 || s.syncChannel >= caps.channelCount)) return Msg::ErrorChannelSetting;
    if (s.baud <= 0 || s.baud > caps.maxOutputFrequency || uartSampleClock(s) > caps.maxOutputFrequency)
        return Msg::RateOutOfRange;
    return Msg::None;
}

UartLevels uartLevels(const UartSettings& s) {
    UartLevels levels{0, 0};
    switch (s.port) {
    case UartPort::Port0: levels.mark = outputPort0; break;
    case UartPort::Port1: levels.mark = outputPort1; break;
    case UartPort::Both: levels.mark = outputPort0 | outputPort1; break;
    case UartPort::Different:
        levels.mark = outputPort0;
        levels.space = outputPort1;
        break;
    }
    if (s.syncChannelOn) levels.mark |= channelBit(s.syncChannel);
    return levels;
}

bool uartDataFits(const UartSettings& s, std::size_t characters, int sampleLimit) {
    const long long needed = static_cast<long long>(characters) * uartSamplesPerCharacter(s) +
        (halfBitMode(s) ? 2 * uartLeadInCounted : uartLeadInCounted);
    return needed <= sampleLimit;
}

UartStream::UartStream(const UartSettings& s, std::vector<std::uint16_t> characters, int sampleLimit, int cardType)
    : settings_(s), levels_(uartLevels(s)), characters_(std::move(characters)), limit_(sampleLimit),
      cardType_(cardType), dataMask_((1u << s.dataBits) - 1),
      frameBits_(1 + s.dataBits + (s.parity == UartParity::None ? 0 : 1)), samplesPerBit_(halfBitMode(s) ? 2 : 1),
      stopSamples_(halfBitMode(s) ? 3 : stopBitCount(s.stopBits)) {}

UartPass UartStream::buildPass(std::span<Sample> out) {
    const bool first = passes_++ == 0;
    // A character starts only below the limit, and the buffer holds the longest one past it.
    const int limit = std::min<int>(limit_, static_cast<int>(out.size()) - uartMaxCharacterSamples);
    Sample* const base = out.data();
    fillSamples(base, uartLeadInSamples, levels_.mark);
    int n = uartLeadInSamples;
    const Sample level[2] = {levels_.space, levels_.mark};
    const bool continuing = !first && settings_.section && settings_.repeat;
    const bool parity = settings_.parity != UartParity::None;
    bool ended = characters_.empty();
    while (n < limit && (!ended || continuing) && !characters_.empty()) {
        const std::uint32_t data = characters_[position_] & dataMask_;
        std::uint32_t frame = data << 1; // start bit 0 at bit 0
        if (parity) {
            const bool odd = std::popcount(data) & 1;
            bool bit = false;
            switch (settings_.parity) {
            case UartParity::Even: bit = odd; break;
            case UartParity::Odd: bit = !odd; break;
            case UartParity::Mark: bit = true; break;
            default: break;
            }
            frame |= static_cast<std::uint32_t>(bit) << (1 + settings_.dataBits);
        }
        Sample* at = base + n;
        if (samplesPerBit_ == 1) {
            for (int b = 0; b < frameBits_; ++b) at[b] = level[(frame >> b) & 1];
        } else {
            for (int b = 0; b < frameBits_; ++b) at[2 * b] = at[2 * b + 1] = level[(frame >> b) & 1];
        }
        at += frameBits_ * samplesPerBit_;
        fillSamples(at, stopSamples_, levels_.mark);
        n += frameBits_ * samplesPerBit_ + stopSamples_;
        if (++position_ == characters_.size()) {
            position_ = 0;
            ended = true;
        }
    }
    UartPass pass{n, true};
    bool repeatJump = false;
    if (ended && !settings_.repeat) {
        pass.last = true;
    } else if (ended && settings_.repeat && !settings_.section && first) {
        repeatJump = true;
    } else {
        pass.last = !settings_.section;
    }
    placeFrameCommands(out, n, uartFrame, cardType_, repeatJump);
    return pass;
}

UartRunResult runUart(OutputPorts& ports, const UartSettings& settings, std::string_view dataText,
                      std::span<Sample> buffer, const std::string& temporaryFilePath) {
    UartRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.sectionChecked = settings.section;
    result.sectionEnabled = settings.section;
    auto fail = [&](Msg m) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m));
        return result;
    };
    if (Msg m = validateUart(settings, ports.capabilities); m != Msg::None) return fail(m);
    std::string where;
    if (Msg m = checkUartData(dataText, settings.format, settings.dataBits, where); m != Msg::None) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m), where);
        return result;
    }
    const std::vector<std::uint8_t> bytes = uartDataBytes(dataText, settings.format, settings.dataBits);
    if (!temporaryFilePath.empty()) {
        ReplacingFileWriter temporary;
        if (!temporary.open(temporaryFilePath) || !temporary.write(bytes.data(), bytes.size()) || !temporary.commit())
            return fail(Msg::CantOpenFile);
    }
    std::vector<std::uint16_t> characters = uartCharacters(bytes, settings.format, settings.dataBits);
    if (characters.empty()) return fail(Msg::FileSizeZero);

    const int limit = sampleLimit(ports.capabilities, uartSampleLimitMargin);
    UartSettings s = settings;
    if (!s.section) {
        const bool fits = uartDataFits(s, characters.size(), limit);
        switch (chooseSections(ports.prompt, fits, s.repeat)) {
        case SectionChoice::Whole: result.sectionChecked = result.sectionEnabled = false; break;
        case SectionChoice::Sections: s.section = result.sectionChecked = result.sectionEnabled = true; break;
        case SectionChoice::Truncate: break;
        case SectionChoice::Refuse: result.outcome.result = OutputResult::Refused; return result;
        }
    }
    const int cardType = readCardType(ports);
    UartStream stream(s, std::move(characters), limit, cardType);
    GeneratorJob job;
    job.clockHz = uartSampleClock(s);
    job.clockRule = ClockRule::AsGiven;
    job.eventSelection = uartEventSelection;
    job.build = [&](int) {
        const UartPass pass = stream.buildPass(buffer);
        return Section{buffer.first(static_cast<std::size_t>(pass.count)), pass.last};
    };
    result.outcome = runGeneratorOutput(ports, job);
    return result;
}

} // namespace qv::gen
