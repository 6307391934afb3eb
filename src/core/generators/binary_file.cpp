// The binary file's passes. The inner loop reads each group as one 8-byte little-endian load (the
// data keeps 8 zero bytes after its end for the last group), masks and shifts it, and wraps the
// offset by one compare: no per-sample modulo.
#include "generators/binary_file.h"

#include "device/rate_entry.h"
#include "generators/frame.h"
#include "support/file_io.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace qv::gen {
namespace {

constexpr FrameLayout binaryFrame{2, 3, 4, binaryRepeatAddress};

std::uint64_t readLe64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, p, sizeof v);
    } else {
        for (int k = binaryReadBytes - 1; k >= 0; --k) v = (v << 8) | p[k];
    }
    return v;
}

} // namespace

Msg checkBinaryFile(const BinaryFileSettings& s, int n) {
    const std::int64_t a = s.dataWidth, b = s.outputWidth, c = s.startChannel;
    if (a <= 0 || b <= 0 || 8 * a < b || 8 * a >= 8 * std::int64_t{n} - 7 || b > n || c < 0 || b + c > n)
        return Msg::BinaryWidthError;
    return Msg::None;
}

BinaryData binaryData(std::span<const std::uint8_t> file, int dataWidth) {
    BinaryData data;
    data.groupBytes = std::max(1, dataWidth);
    if (file.empty()) return data;
    const auto group = static_cast<std::int64_t>(data.groupBytes);
    const std::int64_t padded = (static_cast<std::int64_t>(file.size()) + group - 1) / group * group;
    const std::int64_t copies = std::max<std::int64_t>(1, (binaryMinimumSamples * group + padded - 1) / padded);
    data.length = padded * copies;
    data.bytes.assign(static_cast<std::size_t>(data.length + binaryReadBytes), 0);
    for (std::int64_t k = 0; k < copies; ++k)
        std::copy(file.begin(), file.end(), data.bytes.begin() + static_cast<std::ptrdiff_t>(k * padded));
    return data;
}

Sample binaryWord(const std::uint8_t* at, int outputWidth, int startChannel) {
    const std::uint64_t mask = outputWidth >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << outputWidth) - 1;
    return static_cast<Sample>(readLe64(at) & mask) << (12 + startChannel);
}

BinaryFileStream::BinaryFileStream(const BinaryFileSettings& s, BinaryData data, int sampleLimit, int cardType)
    : settings_(s), data_(std::move(data)), limit_(sampleLimit), cardType_(cardType) {}

BinaryFileStream::Pass BinaryFileStream::buildPass(std::span<Sample> out) {
    const bool first = passes_++ == 0;
    const bool cyclic = !first && settings_.section && settings_.repeat;
    const std::int64_t group = data_.groupBytes;
    const std::int64_t room = std::min<std::int64_t>(limit_, static_cast<std::int64_t>(out.size()) - binaryPrefix);
    // How many samples this pass takes: the rest of the data, or what fits, leaving the next pass
    // no fewer than 8 samples (its end commands need them).
    std::int64_t take = room;
    bool usedUp = false;
    if (!cyclic) {
        const std::int64_t rest = (data_.length - offset_) / group;
        if (rest <= room) {
            take = rest;
            usedUp = true;
        } else if (rest - room < binaryMinimumSamples) {
            take = rest - binaryMinimumSamples;
        }
    }
    Sample* const image = out.data() + binaryPrefix;
    const std::uint8_t* const bytes = data_.bytes.data();
    const int b = settings_.outputWidth, c = settings_.startChannel;
    std::int64_t offset = offset_;
    for (std::int64_t i = 0; i < take; ++i) {
        image[i] = binaryWord(bytes + offset, b, c);
        offset += group;
        if (offset == data_.length) offset = 0;
    }
    offset_ = offset;
    const int count = static_cast<int>(take);
    fillSamples(out.data(), binaryPrefix, image[0]);
    FrameLayout layout = binaryFrame;
    const bool jump = settings_.repeat && usedUp && first && !settings_.section;
    placeFrameCommands(out, binaryPrefix + count, layout, cardType_, jump);
    Pass pass{binaryPrefix + count, true};
    pass.last = jump || (!settings_.repeat && usedUp) || !settings_.section;
    return pass;
}

BinaryFileRunResult runBinaryFile(OutputPorts& ports, const BinaryFileSettings& settings, const std::string& path,
                                  std::span<Sample> buffer) {
    BinaryFileRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.sectionChecked = settings.section;
    auto fail = [&](Msg m) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m));
        return result;
    };
    if (Msg m = checkBinaryFile(settings, ports.capabilities.channelCount); m != Msg::None) return fail(m);
    std::string file;
    if (Msg m = readWholeFile(path, file); m != Msg::None) return fail(m);
    if (file.empty()) return fail(Msg::CantOpenFile);
    BinaryFileSettings s = settings;
    const int limit = binarySampleLimit(ports.capabilities);
    BinaryData data =
        binaryData(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()), s.dataWidth);
    file = {};
    if (!s.section) {
        switch (chooseSections(ports.prompt, data.samples() <= limit, s.repeat)) {
        case SectionChoice::Sections: s.section = result.sectionChecked = true; break;
        case SectionChoice::Refuse:
            result.outcome.result = OutputResult::Refused;
            result.outcome.error = Msg::RepeatNeedsSections; // shown by the question
            return result;
        case SectionChoice::Whole:
        case SectionChoice::Truncate: break;
        }
    }
    if (Msg m = rateProblem(s.frequencyHz); m != Msg::None) return fail(m);
    const std::int64_t clock = nearestHertz(s.frequencyHz);
    if (clock > ports.capabilities.maxOutputFrequency) return fail(Msg::RateOutOfRange);
    const int cardType = readCardType(ports);
    std::optional<BinaryFileStream> stream;
    stream.emplace(s, std::move(data), limit, cardType);

    GeneratorJob job;
    job.clockHz = static_cast<int>(clock);
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = 0;
    job.build = [&](int) {
        const BinaryFileStream::Pass pass = stream->buildPass(buffer);
        Section section;
        section.samples = buffer.first(static_cast<std::size_t>(pass.count));
        section.last = pass.last;
        return section;
    };
    result.outcome = runGeneratorOutput(ports, job);
    result.clockHz = result.outcome.clockHz;
    return result;
}

} // namespace qv::gen
