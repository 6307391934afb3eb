// The SPI builder. Every bit is one pair of samples (clock low, clock high) looked up by the
// previous and the current bit, so the falling-edge shift costs nothing; the words are walked bit
// by bit from a precomputed order.
#include "generators/spi.h"

#include "device/rate_entry.h"
#include "generators/frame.h"
#include "support/file_io.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace qv::gen {
namespace {

constexpr FrameLayout spiFrame{2, 3, 4, spiRepeatAddress};
constexpr int spiTailSamples = 2; // after the last clock pair: M and M + 1
constexpr int minimumBinaryWords = 8;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHexWord(std::string_view piece, std::uint32_t& word) {
    while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t')) piece.remove_prefix(1);
    while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t')) piece.remove_suffix(1);
    if (piece.size() > 2 && piece[0] == '0' && (piece[1] == 'x' || piece[1] == 'X')) piece.remove_prefix(2);
    if (piece.empty()) return false;
    std::uint64_t value = 0;
    for (char c : piece) {
        const int d = hexDigit(c);
        if (d < 0) return false;
        value = value * 16 + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFull) return false;
    }
    word = static_cast<std::uint32_t>(value);
    return true;
}

Msg checkChannels(const SpiSettings& s, const Capabilities& caps) {
    const int highest = spiHighestChannel(caps.modelCode);
    for (int c : {s.csChannel, s.clockChannel, s.dataChannel})
        if (c < 0 || c > highest) return Msg::ErrorChannelSetting;
    return Msg::None;
}

// Steps 5 and 6 of the thread: channels, then the words, limited after 12105 Yes. abandon: No.
Msg prepareWords(const SpiSettings& s, std::string_view text, const std::vector<std::uint32_t>* fileWords,
                 const Capabilities& caps, Prompt& prompt, std::vector<std::uint32_t>& words, bool& abandon) {
    abandon = false;
    if (Msg m = checkChannels(s, caps); m != Msg::None) return m;
    if (fileWords != nullptr) {
        words = *fileWords;
    } else if (Msg m = parseSpiWords(text, s.format, words); m != Msg::None) {
        return m;
    }
    if (words.empty()) return Msg::InvalidSpiData;
    const int fit = spiWordsThatFit(s.width, sampleLimit(caps, spiSampleLimitMargin));
    if (static_cast<long long>(words.size()) > fit) {
        if (prompt.ask(static_cast<int>(Msg::SpiOutOfMemory), Buttons::YesNo) != Answer::Yes) {
            abandon = true;
            return Msg::None;
        }
        words.resize(static_cast<std::size_t>(std::max(fit, 0)));
        if (words.empty()) return Msg::InvalidSpiData;
    }
    return Msg::None;
}

} // namespace

int spiHighestChannel(int modelCode) {
    switch (modelCode) {
    case 0xA020:
    case 0xA050:
    case 0xC020:
    case 0xC120:
    case 0xC320: return 17;
    default: return isSixteenChannelModel(modelCode) ? 13 : 47;
    }
}

int spiSampleClock(const SpiSettings& s) { return static_cast<int>(s.rateBitsPerSecond * spiSamplesPerBit); }

Msg parseSpiWords(std::string_view text, SpiFormat format, std::vector<std::uint32_t>& words) {
    words.clear();
    if (format == SpiFormat::Ascii) {
        if (text.empty()) return Msg::InvalidSpiData;
        for (char c : text) words.push_back(static_cast<unsigned char>(c));
        return Msg::None;
    }
    if (text.size() < 2) return Msg::InvalidSpiData;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(";\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view piece = text.substr(start, end - start);
        if (piece.find_first_not_of(" \t") != std::string_view::npos) {
            std::uint32_t word = 0;
            if (!parseHexWord(piece, word)) return Msg::InvalidSpiData;
            words.push_back(word);
        }
        start = end + 1;
    }
    return words.empty() ? Msg::InvalidSpiData : Msg::None;
}

int spiWordsThatFit(int width, int sampleLimit) {
    const int room = sampleLimit - spiLeadInSamples - spiTailSamples;
    return room <= 0 ? 0 : room / (spiSamplesPerBit * width);
}

int spiRandomCount(int sampleLimit, std::mt19937& random) {
    const int range = std::max(sampleLimit / 64 - 100, 1);
    return static_cast<int>(random() % static_cast<unsigned>(range));
}

std::vector<std::uint32_t> spiRandomWords(int count, int width, std::mt19937& random) {
    const std::uint64_t modulus = (std::uint64_t{1} << width) - 1;
    std::vector<std::uint32_t> words(static_cast<std::size_t>(std::max(count, 0)));
    for (std::uint32_t& w : words) w = static_cast<std::uint32_t>(random() % modulus);
    return words;
}

std::string spiWordsText(std::span<const std::uint32_t> words) {
    std::string text;
    char piece[16];
    for (std::uint32_t w : words) {
        std::snprintf(piece, sizeof piece, "%x;\r\n", static_cast<unsigned>(w));
        text += piece;
    }
    return text;
}

SpiGenerated spiGenerate(int manualCount, int width, int sampleLimit, std::mt19937& random, Prompt& prompt) {
    SpiGenerated generated;
    int count = manualCount >= 0 ? manualCount : spiRandomCount(sampleLimit, random);
    const int fit = spiWordsThatFit(width, sampleLimit);
    if (count > fit) {
        if (prompt.ask(static_cast<int>(Msg::SpiOutOfMemory), Buttons::YesNo) != Answer::Yes) {
            generated.cancelled = true;
            return generated;
        }
        count = fit;
    }
    generated.count = count;
    generated.text = spiWordsText(spiRandomWords(count, width, random));
    return generated;
}

SpiExample spiExample(SpiExampleChoice choice, int sampleLimit, std::mt19937& random) {
    SpiExample example{SpiSettings{}, SpiSource::Edit, {}};
    switch (choice) {
    case SpiExampleChoice::RandomHex:
        example.source = SpiSource::Random;
        example.text =
            spiWordsText(spiRandomWords(spiRandomCount(sampleLimit, random), example.settings.width, random));
        break;
    case SpiExampleChoice::EditHex: example.text = "1a;\r\n2b;\r\n3c;\r\n4d;\r\n5f;"; break;
    case SpiExampleChoice::EditText:
        example.settings.format = SpiFormat::Ascii;
        example.text = "Hello, Tavro Technology Inc!!";
        break;
    }
    return example;
}

SpiFileData loadSpiFile(const std::string& path, int width, int sampleLimit, Prompt& prompt) {
    SpiFileData data;
    std::string bytes;
    data.error = readWholeFile(path, bytes);
    if (data.error == Msg::None && bytes.empty()) data.error = Msg::CantOpenFile;
    if (data.error != Msg::None) return data;
    const std::size_t dot = path.find_last_of('.');
    const std::string extension = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    if (extension != "bin" && extension != "BIN" && extension != "Bin") {
        data.isText = true;
        data.text.assign(bytes.begin(), bytes.end());
        return data;
    }
    const std::size_t unit = static_cast<std::size_t>((std::clamp(width, spiMinWidth, spiMaxWidth) + 7) / 8);
    const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    std::size_t count = bytes.size() / unit;
    if (count == 0) {
        data.error = Msg::CantOpenFile;
        return data;
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t w = 0;
        for (std::size_t b = 0; b < unit; ++b)
            w |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i * unit + b])) << (8 * b);
        data.words.push_back(w & mask);
    }
    for (std::size_t i = 0; data.words.size() < minimumBinaryWords; ++i) data.words.push_back(data.words[i]);
    const int fit = spiWordsThatFit(width, sampleLimit);
    if (static_cast<long long>(data.words.size()) > fit) {
        if (prompt.ask(static_cast<int>(Msg::SpiDataTooBig), Buttons::YesNo) == Answer::Yes) {
            data.stop = true;
            data.words.clear();
            return data;
        }
        data.words.resize(static_cast<std::size_t>(std::max(fit, 0)));
    }
    return data;
}

SpiBuild buildSpiStream(const SpiSettings& s, std::span<const std::uint32_t> words, int cardType, std::span<Sample> out,
                        int sampleLimit) {
    const int width = std::clamp(s.width, spiMinWidth, spiMaxWidth);
    // Never past the buffer, whatever the caller checked.
    const int room = spiWordsThatFit(width, std::min(sampleLimit, static_cast<int>(out.size())));
    if (static_cast<long long>(words.size()) > room) words = words.first(static_cast<std::size_t>(std::max(room, 0)));
    const Sample cs = channelBit(s.csChannel), clock = channelBit(s.clockChannel), data = channelBit(s.dataChannel);
    const Sample csActive = s.csActiveHigh ? cs : 0, csInactive = s.csActiveHigh ? 0 : cs;
    const long long bits = static_cast<long long>(words.size()) * width;
    const int m = spiLeadInSamples + static_cast<int>(2 * bits);
    const int count = m + spiTailSamples;
    Sample* const base = out.data();
    fillSamples(base, spiLeadInSamples, csInactive);

    // pair[previous bit][bit]: the samples 200 + 2k (clock low) and 201 + 2k (clock high). With
    // the rising edge both carry bit k; with the falling edge the low half still holds bit k - 1.
    Sample pair[2][2][2];
    for (int prev = 0; prev < 2; ++prev)
        for (int bit = 0; bit < 2; ++bit) {
            pair[prev][bit][0] = csActive | ((s.fallingEdge ? prev : bit) ? data : 0);
            pair[prev][bit][1] = csActive | clock | (bit ? data : 0);
        }
    Sample* at = base + spiLeadInSamples;
    int prev = 0;
    const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    for (std::uint32_t word : words) {
        word &= mask;
        for (int k = 0; k < width; ++k) {
            const int bit = static_cast<int>((s.lsbFirst ? word >> k : word >> (width - 1 - k)) & 1u);
            at[0] = pair[prev][bit][0];
            at[1] = pair[prev][bit][1];
            at += 2;
            prev = bit;
        }
    }
    // Sample M: clock low; with the falling edge the last bit and the select are still held.
    base[m] = s.fallingEdge && bits > 0 ? (csActive | (prev ? data : 0)) : csInactive;
    base[m + 1] = csInactive;
    int extent = count;
    if (!s.csActiveHigh) {
        extent = std::max(count, std::min(sampleLimit, static_cast<int>(out.size())));
        fillSamples(base + count, extent - count, csInactive);
    }
    placeFrameCommands(out, count, spiFrame, cardType, s.repeat);
    return {count, extent};
}

SpiRunResult runSpi(OutputPorts& ports, const SpiSettings& s, std::string_view text,
                    const std::vector<std::uint32_t>* fileWords, std::span<Sample> buffer) {
    SpiRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.rateBitsPerSecond = s.rateBitsPerSecond;
    auto fail = [&](Msg m) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m));
        return result;
    };
    if (s.width < spiMinWidth || s.width > spiMaxWidth) return fail(Msg::SpiWidthRange);
    if (Msg m = rateProblem(s.rateBitsPerSecond); m != Msg::None) return fail(m);
    if (s.rateBitsPerSecond * spiSamplesPerBit > ports.capabilities.maxOutputFrequency)
        return fail(Msg::SpiRateOutOfRange);
    const int cardType = readCardType(ports);
    std::vector<std::uint32_t> words;
    GeneratorJob job;
    job.clockHz = spiSampleClock(s);
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = spiEventSelection;
    job.build = [&](int) {
        bool abandon = false;
        const Msg m = prepareWords(s, text, fileWords, ports.capabilities, ports.prompt, words, abandon);
        Section section;
        section.error = m;
        section.abandon = abandon;
        if (m != Msg::None || abandon) return section;
        result.wordCount = static_cast<int>(words.size());
        const SpiBuild built =
            buildSpiStream(s, words, cardType, buffer, sampleLimit(ports.capabilities, spiSampleLimitMargin));
        section.samples = buffer.first(static_cast<std::size_t>(built.count));
        return section;
    };
    result.outcome = runGeneratorOutput(ports, job);
    if (result.outcome.clockHz > 0) result.rateBitsPerSecond = result.outcome.clockHz / double(spiSamplesPerBit);
    return result;
}

Msg buildSpiForConvert(const SpiSettings& s, std::string_view text, const std::vector<std::uint32_t>* fileWords,
                       const Capabilities& caps, int cardType, Prompt& prompt, std::span<Sample> buffer,
                       SpiBuild& built) {
    if (s.width < spiMinWidth || s.width > spiMaxWidth) return Msg::SpiWidthRange;
    if (Msg m = rateProblem(s.rateBitsPerSecond); m != Msg::None) return m;
    if (s.rateBitsPerSecond * spiSamplesPerBit > caps.maxOutputFrequency) return Msg::SpiRateOutOfRange;
    std::vector<std::uint32_t> words;
    bool abandon = false;
    if (Msg m = prepareWords(s, text, fileWords, caps, prompt, words, abandon); m != Msg::None) return m;
    if (abandon) return Msg::None; // built.count stays 0: nothing to convert
    built = buildSpiStream(s, words, cardType, buffer, sampleLimit(caps, spiSampleLimitMargin));
    return Msg::None;
}

} // namespace qv::gen
