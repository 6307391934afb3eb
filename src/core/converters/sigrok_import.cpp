// sigrok session import: archive and metadata checks, then the logic data streamed chunk by chunk
// into runs of one value, each run appended to the image (long ones as loops).
#include "converters/sigrok_import.h"

#include "converters/import_image.h"
#include "device/frequency.h"
#include "support/zip_reader.h"
#include "waveedit/labels.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>

namespace qv::sigrok {

namespace {

constexpr char versionEntry[] = "version";
constexpr char metadataEntry[] = "metadata";
constexpr char devicePrefix[] = "device ";
constexpr char probePrefix[] = "probe";
constexpr int highestProbe = 64; // 8 bytes per sample
constexpr std::uint64_t maxRate = std::uint64_t{1} << 62;

std::string_view trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

// A whole decimal number of at most 9 digits.
std::optional<int> smallNumber(std::string_view text) {
    int value = 0;
    if (text.empty() || text.size() > 9) return std::nullopt;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

Msg zipMessage(zip::Error e) {
    switch (e) {
    case zip::Error::None: return Msg::None;
    case zip::Error::NotZip: return Msg::SigrokNotSession;
    case zip::Error::Unsupported: return Msg::SigrokUnsupported;
    case zip::Error::Ratio: return Msg::SigrokInflateRatio;
    default: return Msg::SigrokDamaged;
    }
}

// Runs of one value in the logic data, appended to the image. Only the enabled probes' bits
// count; they are gathered onto channels 0.. through one table per byte of a sample.
class SampleRuns {
  public:
    SampleRuns(const Metadata& metadata, importing::ImportImage& image, Prompt& prompt, ImportResult& result)
        : unit_(static_cast<std::size_t>(metadata.unitSize)), image_(image), prompt_(prompt), result_(result) {
        for (std::size_t k = 0; k < metadata.probes.size(); ++k) {
            const int bit = metadata.probes[k].index - 1;
            mask_ |= std::uint64_t{1} << bit;
            for (int value = 0; value < 256; ++value)
                if (value >> (bit % 8) & 1)
                    tables_[static_cast<std::size_t>(bit / 8)][static_cast<std::size_t>(value)] |=
                        channelBit(static_cast<int>(k));
        }
        for (std::size_t i = 0; i < 8; i += unit_) {
            if (8 % unit_ != 0) break;
            pattern8Mask_ |= mask_ << (8 * i);
        }
    }

    // Whole and partial samples of a chunk, in order; false once the image is full.
    bool feed(const std::uint8_t* data, std::size_t size) {
        if (carried_ > 0) {
            const std::size_t take = std::min(unit_ - carried_, size);
            std::memcpy(carry_.data() + carried_, data, take);
            carried_ += take;
            data += take;
            size -= take;
            if (carried_ < unit_) return !stopped_;
            carried_ = 0;
            scan(carry_.data(), unit_);
        }
        const std::size_t whole = size - size % unit_;
        scan(data, whole);
        carried_ = size - whole;
        std::memcpy(carry_.data(), data + whole, carried_);
        return !stopped_;
    }

    void finish() { flush(); }

  private:
    std::uint64_t load(const std::uint8_t* p) const {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < unit_; ++i) value |= std::uint64_t{p[i]} << (8 * i);
        return value & mask_;
    }

    Sample wordOf(std::uint64_t raw) const {
        Sample word = 0;
        for (std::size_t i = 0; i < unit_; ++i) word |= tables_[i][raw >> (8 * i) & 0xFF];
        return word;
    }

    void scan(const std::uint8_t* p, std::size_t bytes) {
        const std::uint8_t* const end = p + bytes;
        while (p < end && !stopped_) {
            const std::uint8_t* const start = p;
            if (pattern8Mask_ != 0) {
                // Sizes that divide 8: eight bytes at a time while they repeat the current value.
                std::uint64_t pattern = 0;
                for (std::size_t i = 0; i < 8; i += unit_) pattern |= current_ << (8 * i);
                for (std::uint64_t w; end - p >= 8; p += 8) {
                    std::memcpy(&w, p, 8);
                    if (((w ^ pattern) & pattern8Mask_) != 0) break;
                }
            }
            while (p < end && load(p) == current_) p += unit_;
            count_ += static_cast<std::uint64_t>(p - start) / unit_;
            if (p == end) break;
            flush();
            current_ = load(p);
            count_ = 1;
            p += unit_;
        }
    }

    void flush() {
        if (count_ == 0 || stopped_) return;
        result_.captureSamples += count_;
        const importing::RunFit fit = image_.appendRunOrAsk(wordOf(current_), count_, prompt_);
        count_ = 0;
        if (fit == importing::RunFit::Fits) return;
        stopped_ = true;
        result_.truncated = fit == importing::RunFit::Truncated;
        result_.abandoned = fit == importing::RunFit::Abandoned;
    }

    std::size_t unit_;
    importing::ImportImage& image_;
    Prompt& prompt_;
    ImportResult& result_;
    std::array<std::array<Sample, 256>, 8> tables_{};
    std::uint64_t mask_ = 0, pattern8Mask_ = 0;
    std::uint64_t current_ = 0, count_ = 0; // the run so far (before the first sample: none)
    std::array<std::uint8_t, 8> carry_{};
    std::size_t carried_ = 0;
    bool stopped_ = false;
};

// The logic data files: the single capture file, or its chunks "-1", "-2", ... up to the first
// missing one.
std::vector<const zip::Entry*> dataEntries(const zip::Archive& archive, const std::string& captureFile) {
    if (const zip::Entry* single = archive.find(captureFile)) return {single};
    std::vector<const zip::Entry*> chunks;
    for (int n = 1;; ++n) {
        const zip::Entry* chunk = archive.find(captureFile + "-" + std::to_string(n));
        if (chunk == nullptr) return chunks;
        chunks.push_back(chunk);
    }
}

} // namespace

std::optional<std::uint64_t> parseSampleRate(std::string_view text) {
    text = trim(text);
    std::uint64_t whole = 0, fraction = 0, fractionScale = 1;
    std::size_t i = 0, digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        if (digits == 12) return std::nullopt;
        whole = whole * 10 + static_cast<unsigned>(text[i] - '0');
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
            if (fractionScale < 1000000000) {
                fraction = fraction * 10 + static_cast<unsigned>(text[i] - '0');
                fractionScale *= 10;
            }
    }
    if (digits == 0) return std::nullopt;
    std::string_view unit = trim(text.substr(i));
    std::uint64_t multiplier = 1;
    if (!unit.empty() && (unit[0] == 'k' || unit[0] == 'K' || unit[0] == 'M' || unit[0] == 'G')) {
        multiplier = unit[0] == 'G' ? 1000000000 : unit[0] == 'M' ? 1000000 : 1000;
        unit.remove_prefix(1);
    }
    if (!unit.empty() && !equalsNoCase(unit, "hz")) return std::nullopt;
    if (whole > std::numeric_limits<std::uint64_t>::max() / multiplier / 2) return std::nullopt;
    return whole * multiplier + fraction * multiplier / fractionScale;
}

Msg parseMetadata(std::string_view text, Metadata& out, std::string& detail) {
    out = Metadata{};
    detail.clear();
    enum class Section { Other, Device, Done } section = Section::Other;
    bool sawDevice = false;
    std::string unitSizeText = "1";
    auto refuse = [&](std::string_view line) {
        detail.assign(line.substr(0, 80));
        return Msg::SigrokMetadata;
    };
    while (!text.empty()) {
        const std::size_t lineEnd = std::min(text.find('\n'), text.size());
        const std::string_view line = trim(text.substr(0, lineEnd));
        text.remove_prefix(std::min(lineEnd + 1, text.size()));
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return refuse(line);
            const std::string_view name = line.substr(1, line.size() - 2);
            if (section == Section::Device) section = Section::Done;
            if (section != Section::Done) section = name.starts_with(devicePrefix) ? Section::Device : Section::Other;
            sawDevice = sawDevice || section == Section::Device;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return refuse(line);
        if (section != Section::Device) continue;
        const std::string_view key = trim(line.substr(0, equals)), value = trim(line.substr(equals + 1));
        if (key == "capturefile") {
            out.captureFile.assign(value);
        } else if (key == "samplerate") {
            const auto rate = parseSampleRate(value);
            if (!rate) return refuse(line);
            out.sampleRate = *rate;
        } else if (key == "total probes" || key == "total analog") {
            const auto n = smallNumber(value);
            if (!n) return refuse(line);
            (key == "total probes" ? out.totalProbes : out.analogChannels) = *n;
        } else if (key == "unitsize") {
            unitSizeText.assign(value);
        } else if (key.starts_with(probePrefix)) {
            const auto index = smallNumber(key.substr(std::strlen(probePrefix)));
            if (!index || *index < 1 || *index > highestProbe) return refuse(line);
            out.probes.push_back({*index, std::string(value)});
        }
    }
    if (!sawDevice) return refuse("[device 1]");
    const auto unitSize = smallNumber(unitSizeText);
    if (!unitSize || *unitSize < 1 || *unitSize > maxUnitSize) {
        detail = unitSizeText.substr(0, 20);
        return Msg::SigrokUnitSize;
    }
    out.unitSize = *unitSize;
    std::sort(out.probes.begin(), out.probes.end(), [](const Probe& a, const Probe& b) { return a.index < b.index; });
    for (std::size_t k = 0; k < out.probes.size(); ++k) {
        const Probe& p = out.probes[k];
        const bool duplicate = k > 0 && out.probes[k - 1].index == p.index;
        if (duplicate || p.index > out.unitSize * 8 || (out.totalProbes > 0 && p.index > out.totalProbes))
            return refuse(std::string(probePrefix) + std::to_string(p.index) + "=" + p.name);
    }
    if (!out.probes.empty() && out.captureFile.empty()) return refuse("capturefile=");
    return Msg::None;
}

Msg importSigrok(ByteSource& source, const ImportSettings& settings, Prompt& prompt, std::span<Sample> image,
                 LabelTable& labels, ImportResult& result) {
    result = ImportResult{};
    labels.fill(LabelRecord{});
    std::fill(image.begin(), image.end(), Sample{0});
    if (source.size() <= 0) return Msg::CantOpenFile;
    if (image.size() <= static_cast<std::size_t>(prefixSamples)) return Msg::MemoryNotEnough;

    zip::Archive archive;
    if (Msg m = zipMessage(archive.open(source)); m != Msg::None) return m;
    const zip::Entry* version = archive.find(versionEntry);
    const zip::Entry* metadataFile = archive.find(metadataEntry);
    if (version == nullptr || metadataFile == nullptr) return Msg::SigrokNotSession;
    std::string text;
    if (zip::Error e = archive.readWhole(*version, maxVersionBytes, text); e != zip::Error::None)
        return e == zip::Error::TooLarge ? Msg::SigrokUnsupported : zipMessage(e);
    if (trim(text) != "1" && trim(text) != "2") return Msg::SigrokUnsupported;
    if (zip::Error e = archive.readWhole(*metadataFile, maxMetadataBytes, text); e != zip::Error::None)
        return e == zip::Error::TooLarge ? Msg::SigrokMetadata : zipMessage(e);
    Metadata metadata;
    if (Msg m = parseMetadata(text, metadata, result.detail); m != Msg::None) return m;
    if (metadata.probes.empty()) return Msg::SigrokNoLogic;
    if (static_cast<int>(metadata.probes.size()) > settings.capabilities.channelCount) return Msg::VcdTooManyChannels;
    const std::vector<const zip::Entry*> chunks = dataEntries(archive, metadata.captureFile);
    for (const zip::Entry* chunk : chunks)
        if (chunk->size % static_cast<std::uint64_t>(metadata.unitSize) != 0) {
            result.detail = chunk->name.substr(0, 80);
            return Msg::SigrokPartialSample;
        }
    if (metadata.sampleRate == 0) {
        // No rate in the session: the default base frequency, as the question offers.
        if (prompt.ask(static_cast<int>(Msg::CantGenerateFrequency), Buttons::YesNo) != Answer::Yes)
            return Msg::IntervalNotSupported;
        result.sampleFrequency =
            nearestAchievableFrequency(defaultBaseFrequency, frequencyNearest, settings.capabilities);
    } else if (Msg m = importing::askAchievableFrequency(
                   static_cast<std::int64_t>(std::min<std::uint64_t>(metadata.sampleRate, maxRate)),
                   settings.capabilities, prompt, result.sampleFrequency);
               m != Msg::None) {
        return m;
    }

    const int limit = static_cast<int>(image.size()) - prefixSamples;
    importing::ImportImage built(image, 0, importing::firstCommandSample(settings.capabilities, 0), limit);
    SampleRuns runs(metadata, built, prompt, result);
    for (const zip::Entry* chunk : chunks) {
        const zip::Error e = archive.stream(*chunk, [&](const std::uint8_t* data, std::size_t size) {
            if (settings.cancel != nullptr && settings.cancel->load() != 0) {
                result.abandoned = true;
                return false;
            }
            const bool more = runs.feed(data, size);
            if (settings.progress) settings.progress(archive.compressedRead(), source.size());
            return more;
        });
        if (e == zip::Error::Stopped) break;
        if (e != zip::Error::None) {
            std::fill(image.begin(), image.end(), Sample{0});
            return zipMessage(e);
        }
    }
    if (!result.abandoned) runs.finish();
    if (result.abandoned) {
        std::fill(image.begin(), image.end(), Sample{0});
        return Msg::None;
    }
    result.end = built.finish();
    result.outputSamples = built.outputSamples();
    importing::ConvertCommands commands;
    commands.sixteenChannelSet = isSixteenChannelModel(settings.capabilities.modelCode);
    commands.end = result.end;
    importing::writeConvertCommands(image, commands);

    std::vector<textvector::Signal> signals;
    for (std::size_t k = 0; k < metadata.probes.size(); ++k) {
        signals.push_back({metadata.probes[k].name, false, {static_cast<int>(k)}});
        result.probeNames.push_back(metadata.probes[k].name);
    }
    if (!importing::buildSignalLabels(signals, labels)) return Msg::TooManyLabels;
    result.analogChannels = metadata.analogChannels;
    if (metadata.analogChannels > 0)
        prompt.show(static_cast<int>(Msg::SigrokAnalogIgnored), std::to_string(metadata.analogChannels));
    return Msg::None;
}

Msg openSigrokSession(ByteSource& source, Document& doc, Prompt& prompt, ImportResult& result) {
    const std::span<Sample> second = doc.secondBuffer();
    const std::span<Sample> target = second.subspan(prefixSamples, static_cast<std::size_t>(doc.usableSamples()));
    ImportSettings settings;
    settings.capabilities = doc.capabilities();
    if (Msg m = importSigrok(source, settings, prompt, target, doc.scratchLabels(), result); m != Msg::None) return m;
    if (result.abandoned) return Msg::FileTooLarge;
    std::fill(target.data() + target.size(), second.data() + second.size(), Sample{0});
    std::copy_n(doc.sampleBuffer().data(), prefixSamples, second.data());
    doc.swapSampleBuffers();
    doc.labels() = doc.scratchLabels();
    doc.output().baseFrequency = result.sampleFrequency;
    return Msg::None;
}

bool isSigrokSessionName(std::string_view path) {
    return path.size() > 3 && equalsNoCase(path.substr(path.size() - 3), ".sr");
}

} // namespace qv::sigrok
