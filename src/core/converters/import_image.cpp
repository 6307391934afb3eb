// Runs of sample words, loops for the long ones, and Convert's start and repeat commands.
#include "converters/import_image.h"

#include "device/frequency.h"
#include "waveedit/commands.h"
#include "waveedit/labels.h"

#include <algorithm>

namespace qv::importing {

namespace {

// Samples after a command that must stay free of commands: behind a jump the three the pipeline
// already holds when it lands, and the two after them that Waveform Check also keeps free; four
// behind OE (which output moves one sample later).
constexpr int afterJump = 6;
constexpr int afterOutputEnable = 5;
// OE acts five samples after its opcode word (output moves it four samples later than the other
// commands, which act right after their sample): a triple whose first word is seven samples before
// a run switches the outputs as the run starts.
constexpr int outputEnableAhead = 2 + 5;
// A loop leaves this many plain samples behind it, so that an OE for the next run still fits before
// that run (clear of the samples the loop's jump keeps free).
constexpr int loopTailSamples = afterJump - 1 + outputEnableAhead;
// Convert's start commands: OE on samples 0..2, SE KEY and WE on samples 8 and 9.
constexpr int afterStartOutputEnable = 7;
constexpr int afterWaitKey = 13;
// A jump target and the two samples after it carry no command.
constexpr int targetClear = 3;

} // namespace

Msg askAchievableFrequency(std::int64_t requested, const Capabilities& caps, Prompt& prompt, int& frequency) {
    const int wanted = static_cast<int>(std::clamp<std::int64_t>(requested, 1, std::max(caps.maxOutputFrequency, 1)));
    const int achievable = nearestAchievableFrequency(wanted, frequencyNearest, caps);
    if (achievable != requested &&
        (achievable <= 0 || prompt.ask(static_cast<int>(Msg::CantGenerateFrequency), Buttons::YesNo) != Answer::Yes))
        return Msg::IntervalNotSupported;
    frequency = achievable;
    return Msg::None;
}

int firstCommandSample(const Capabilities& caps, int lead) {
    if (lead > 0) return std::max(lead + targetClear, afterWaitKey);
    return isSixteenChannelModel(caps.modelCode) ? afterStartOutputEnable : 0;
}

unsigned outputEnableFor(std::uint64_t floatingChannels, int channelsPerGroup) {
    const int g = std::max(channelsPerGroup, 1);
    unsigned value = 0xFFFF;
    for (int channel = 0; channel < 64; ++channel)
        if ((floatingChannels >> channel) & 1u && channel / g < 16) value &= ~(1u << (channel / g));
    return value;
}

ImportImage::ImportImage(std::span<Sample> image, int lead, int firstCommand, int limit)
    : image_(image), lead_(lead), limit_(std::clamp(limit, 0, static_cast<int>(image.size()))),
      nextFree_(firstCommand) {}

void ImportImage::setOutputEnable(unsigned value) {
    outputEnable_ = value & 0xFFFF;
    outputEnablePending_ = true;
}

void ImportImage::placeCommand(int at, unsigned word) {
    image_[static_cast<std::size_t>(at)] = withCommand(image_[static_cast<std::size_t>(at)], word);
    commandEnd_ = std::max(commandEnd_, at + 1);
}

bool ImportImage::writeWord(Sample word, int count) {
    const int start = lead_ + position_;
    const int room = std::max(limit_ - start, 0);
    const int written = std::min(count, room);
    for (int i = start; i < start + written; ++i)
        image_[static_cast<std::size_t>(i)] = (image_[static_cast<std::size_t>(i)] & commandMask) | word;
    position_ += written;
    outputSamples_ += static_cast<std::uint64_t>(written);
    return written == count;
}

RunFit ImportImage::appendRunOrAsk(Sample word, std::uint64_t count, Prompt& prompt) {
    if (appendRun(word, count)) return RunFit::Fits;
    return prompt.ask(static_cast<int>(Msg::FileTooLarge), Buttons::YesNo) == Answer::Yes ? RunFit::Truncated
                                                                                          : RunFit::Abandoned;
}

bool ImportImage::appendRun(Sample word, std::uint64_t count) {
    word &= ~commandMask;
    lastWord_ = word;
    if (count == 0) return true;
    const int start = lead_ + position_;
    if (count < loopThreshold && !outputEnablePending_ && start + static_cast<int>(count) <= limit_) {
        for (Sample *s = image_.data() + start, *end = s + count; s != end; ++s) *s = (*s & commandMask) | word;
        position_ += static_cast<int>(count);
        outputSamples_ += count;
        return true;
    }
    if (outputEnablePending_) {
        // As early as the commands before allow, at best on the samples before the run; it is
        // late by the samples it had to wait for them (or for the start of the data).
        const int at = std::max(lead_ + position_ - outputEnableAhead, nextFree_);
        if (at + 3 > limit_) return false;
        placeCommand(at, commandWord(Opcode::OperandLow, outputEnable_));
        placeCommand(at + 1, commandWord(Opcode::OperandHigh, outputEnable_ >> 8));
        placeCommand(at + 2, commandWord(Opcode::Oe, 0));
        nextFree_ = at + 2 + afterOutputEnable;
        outputEnablePending_ = false;
    }
    std::uint64_t remaining = count;
    while (remaining >= loopThreshold) {
        const int start = lead_ + position_;
        const int countAt = std::max(start, nextFree_);
        const std::uint64_t leadIn = static_cast<std::uint64_t>(countAt - start + loopLeadSamples);
        if (leadIn + 2 * loopBodySamples + loopTailSamples > remaining) break;
        const std::uint64_t loops =
            std::min<std::uint64_t>(maxLoopCount, (remaining - leadIn - loopTailSamples) / loopBodySamples);
        const int footprint = static_cast<int>(leadIn) + loopBodySamples;
        if (start + footprint > limit_) break; // the plain samples below fill what is left
        const int body = countAt + loopLeadSamples;
        const unsigned storedCount = static_cast<unsigned>(loops - minLoopCount);
        const unsigned address = static_cast<unsigned>(deviceAddress(body));
        placeCommand(countAt, commandWord(Opcode::OperandHigh, storedCount >> 8));
        placeCommand(countAt + 1, commandWord(Opcode::Lc, storedCount));
        placeCommand(body + loopBodySamples - 3, commandWord(Opcode::OperandLow, address));
        placeCommand(body + loopBodySamples - 2, commandWord(Opcode::OperandHigh, address >> 8));
        placeCommand(body + loopBodySamples - 1, commandWord(Opcode::Lp, address >> 16));
        nextFree_ = body + loopBodySamples - 1 + afterJump;
        writeWord(word, footprint);
        const std::uint64_t lasts = leadIn + loops * loopBodySamples;
        outputSamples_ += lasts - static_cast<std::uint64_t>(footprint);
        remaining -= lasts;
    }
    const int room = std::max(limit_ - (lead_ + position_), 0);
    if (remaining > static_cast<std::uint64_t>(room)) {
        writeWord(word, room);
        return false;
    }
    return writeWord(word, static_cast<int>(remaining));
}

int ImportImage::repeatEnd() const {
    return std::min(std::max({lead_ + position_, commandEnd_, nextFree_ + 3}), static_cast<int>(image_.size()));
}

int ImportImage::finish() {
    const int end = std::min(std::max(lead_ + position_, commandEnd_), static_cast<int>(image_.size()));
    const int pad = end - (lead_ + position_);
    if (pad > 0) {
        const int savedLimit = limit_;
        limit_ = static_cast<int>(image_.size());
        writeWord(lastWord_, pad);
        limit_ = savedLimit;
    }
    // After the data the image holds the last word, so that output rests at it.
    std::fill(image_.begin() + (lead_ + position_), image_.end(), lastWord_);
    return lead_ + position_;
}

void writeConvertCommands(std::span<Sample> image, const ConvertCommands& c) {
    auto put = [&](int at, unsigned word) {
        if (at >= 0 && static_cast<std::size_t>(at) < image.size())
            image[static_cast<std::size_t>(at)] = withCommand(image[static_cast<std::size_t>(at)], word);
    };
    if (c.sixteenChannelSet) {
        put(0, commandWord(Opcode::OperandLow, 0xFF));
        put(1, commandWord(Opcode::OperandHigh, 0xFF));
        put(2, commandWord(Opcode::Oe, 0));
    }
    if (c.waitKey) {
        put(c.waitKeySample, commandWord(Opcode::Se, 0));
        put(c.waitKeySample + 1, commandWord(Opcode::We, 0));
    }
    if (c.repeat && c.end >= 3) {
        const unsigned address = static_cast<unsigned>(deviceAddress(c.repeatTarget));
        put(c.end - 3, commandWord(Opcode::OperandLow, address));
        put(c.end - 2, commandWord(Opcode::OperandHigh, address >> 8));
        put(c.end - 1, commandWord(Opcode::Jp, address >> 16));
    }
}

bool buildSignalLabels(const std::vector<textvector::Signal>& signals, LabelTable& labels) {
    labels.fill(LabelRecord{});
    int next = writeDefaultCommandLabel(labels, 0);
    for (const textvector::Signal& s : signals) {
        if (s.commandField || s.name == commandLabelName || s.channels.empty()) continue;
        const int after = appendSignalLabel(labels, next, s.name, s.channels);
        if (after < 0) return false;
        next = after;
    }
    return true;
}

} // namespace qv::importing
