// The printer port's stream. Bytes are written six samples at a time through a raw pointer, the
// limit checked once per byte; the data word of a byte is one shift, since bit 7 sits on channel H.
#include "generators/printer.h"

#include "generators/frame.h"
#include "support/file_io.h"

#include <algorithm>
#include <optional>

namespace qv::gen {
namespace {

constexpr FrameLayout printerFrame{2, 3, 4, printerRepeatAddress};
constexpr int endSelectKeyOffset = 7; // SE KEY on n - 7, WE on n - 6
constexpr int endJumpOffset = 8; // JP's words on n - 8 .. n - 6
constexpr int printerDataBits = 8;

Sample dataWord(std::uint8_t byte, int dataHigh) {
    return static_cast<Sample>(byte) << (12 + dataHigh - (printerDataBits - 1));
}

} // namespace

Msg checkPrinterPins(const PrinterPins& p, int channelCount) {
    if (p.dataHigh < printerDataBits - 1 || p.dataHigh >= channelCount) return Msg::ChannelConflict;
    const int low = p.dataHigh - (printerDataBits - 1);
    for (int channel : {p.strobe, p.selectIn, p.autoFeed})
        if (channel < 0 || channel >= channelCount || (channel >= low && channel <= p.dataHigh))
            return Msg::ChannelConflict;
    if (p.strobe == p.selectIn || p.strobe == p.autoFeed || p.selectIn == p.autoFeed) return Msg::ChannelConflict;
    if (p.busyEvent < 1 || p.busyEvent > 3) return Msg::ChannelConflict;
    return Msg::None;
}

unsigned printerBusyCode(int busyEvent) { return 1u << (std::clamp(busyEvent, 1, 3) - 1); }

Msg printerLoadFile(const std::string& path, int sampleLimit, std::string& text) {
    InputFile file;
    if (!file.open(path)) return Msg::CantOpenFile;
    if (file.size() > sampleLimit) return Msg::LoadFailTooBig;
    if (file.size() == 0) return Msg::FileSizeZero;
    std::string bytes(static_cast<std::size_t>(file.size()), '\0');
    if (!file.read(0, bytes.data(), bytes.size())) return Msg::CantOpenFile;
    text = std::move(bytes);
    return Msg::None;
}

Msg printerData(const PrinterSource& source, const PrinterSettings& s, std::vector<std::uint8_t>& bytes) {
    std::string data;
    if (source.fromFile) {
        if (Msg m = readWholeFile(source.path, data); m != Msg::None) return m;
        if (data.empty()) return Msg::CantOpenFile;
    } else {
        if (source.text.empty()) return Msg::NoDataInBuffer;
        data = source.text;
    }
    if (s.lineFeed) data += "\r\n";
    if (s.formFeed) data += '\x0C';
    bytes.assign(data.begin(), data.end());
    return Msg::None;
}

bool printerDataFits(std::size_t bytes, int sampleLimit) {
    const std::uint64_t samples = std::uint64_t{bytes} * printerSamplesPerByte + printerLeadIn + printerTail;
    return sampleLimit >= 0 && samples <= static_cast<std::uint64_t>(sampleLimit);
}

PrinterStream::PrinterStream(const PrinterSettings& s, std::vector<std::uint8_t> bytes, int sampleLimit, int cardType)
    : settings_(s), bytes_(std::move(bytes)), limit_(sampleLimit), cardType_(cardType) {}

PrinterStream::Pass PrinterStream::buildPass(std::span<Sample> out) {
    const bool first = passes_++ == 0;
    const bool cyclic = !first && settings_.section && settings_.repeat;
    const Sample idle = channelBit(settings_.pins.strobe);
    const int dataHigh = settings_.pins.dataHigh;
    const int limit = std::min(limit_, static_cast<int>(out.size()));
    Sample* const base = out.data();
    fillSamples(base, printerLeadIn, idle);
    int n = printerLeadIn;
    bool wrapped = false;
    Sample held = 0; // the data the rising strobe leaves on the lines
    while (n + printerSamplesPerByte + printerTail <= limit && (!wrapped || cyclic) && !bytes_.empty()) {
        const Sample data = dataWord(bytes_[position_], dataHigh);
        base[n] = idle | held | commandWaitEvent; // the last byte's hold; WE acts before the strobe
        fillSamples(base + n + 1, 3, idle | data);
        fillSamples(base + n + 4, 2, data);
        held = data;
        n += printerSamplesPerByte;
        if (++position_ == bytes_.size()) {
            position_ = 0;
            wrapped = true;
        }
    }
    fillSamples(base + n, printerTail, idle | held);
    n += printerTail;

    placeCommand(out, printerFrame.selectKeyAt, commandSelectKey);
    placeCommand(out, printerFrame.waitAt, commandWaitEvent);
    if (cardType_ == cardTypeWithOutputEnable) placeOutputEnable(out, printerFrame.outputEnableAt, outputEnableAll);
    placeCommand(out, printerBusySelectAt, 0x600 | printerBusyCode(settings_.pins.busyEvent));

    Pass pass{n, true};
    if (!settings_.repeat && wrapped) {
        pass.last = true;
    } else if (first && !settings_.section && settings_.repeat && wrapped) {
        placeJump(out, n - endJumpOffset, printerRepeatAddress);
        return pass;
    } else {
        pass.last = !settings_.section;
    }
    placeCommand(out, n - endSelectKeyOffset, commandSelectKey);
    placeCommand(out, n - endSelectKeyOffset + 1, commandWaitEvent);
    return pass;
}

PrinterRunResult runPrinter(OutputPorts& ports, const PrinterSettings& settings, const PrinterSource& source,
                            std::span<Sample> buffer) {
    PrinterRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.sectionChecked = settings.section;
    const int limit = printerSampleLimit(ports.capabilities);
    PrinterSettings s = settings;
    std::vector<std::uint8_t> bytes;
    GeneratorJob job;
    job.clockHz = printerClockHz;
    job.clockRule = ClockRule::AsGiven;
    job.eventSelection = 0;
    int cardType = 0;
    std::optional<PrinterStream> stream;
    job.build = [&](int) {
        Section section;
        if (!stream) {
            // The data and the fit question follow qvReset and the clock, as the tool always did.
            if (Msg m = printerData(source, s, bytes); m != Msg::None) {
                section.error = m;
                return section;
            }
            if (!s.section) {
                switch (chooseSections(ports.prompt, printerDataFits(bytes.size(), limit), s.repeat)) {
                case SectionChoice::Sections: s.section = result.sectionChecked = true; break;
                case SectionChoice::Refuse: section.abandon = true; return section;
                case SectionChoice::Whole:
                case SectionChoice::Truncate: break;
                }
            }
            cardType = readCardType(ports);
            stream.emplace(s, std::move(bytes), limit, cardType);
        }
        const PrinterStream::Pass pass = stream->buildPass(buffer);
        section.samples = buffer.first(static_cast<std::size_t>(pass.count));
        section.last = pass.last;
        return section;
    };
    result.outcome = runGeneratorOutput(ports, job);
    if (result.outcome.result == OutputResult::Refused && result.outcome.error == Msg::None && s.repeat && !s.section &&
        !stream)
        result.outcome.error = Msg::RepeatNeedsSections; // the dialog focuses Repeat; 12025 was shown
    return result;
}

} // namespace qv::gen
