// The PWM stream and its export. The export document is sized to the stream and one closing
// sample with no command: a reader fills the memory after a file's last line with copies of it,
// and a last line that carried the jump word would jump again on each of the next three samples
// (three extra samples a period).
#include "generators/pwm.h"

#include "device/rate_entry.h"
#include "generators/frame.h"
#include "waveedit/document.h"
#include "waveedit/handoff.h"
#include "waveedit/labels.h"
#include "waveedit/qvv_writer.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace qv::gen {
namespace {

constexpr int selectKeyAt = 0;
constexpr int waitAt = 2;
constexpr int outputEnableAt = 7;
constexpr int exportJumpFromEnd = 3; // the jump's words end on the file's last sample
constexpr int hertzPerMHzMessage = 100000000; // 12122 names F / 100,000,000 (MHz at 100 steps)
constexpr int hertzPerKHzMessage = 1000000; // 12127 names F / 1,000,000 (KHz at 1000 steps)

bool hasLabelOn(const LabelTable& labels, int channel) {
    char name[labelNameBytes];
    std::snprintf(name, sizeof name, "CH-%02d", channel);
    bool found = false;
    forEachLabel(labels, [&](LabelSpan span) {
        for (int r = span.first; r < span.first + span.count; ++r)
            if (labels[r].bitIndex == firstChannelBit + channel) found = true;
        if (std::strncmp(labels[span.first].name, name, labelNameBytes) == 0) found = true;
    });
    return found;
}

} // namespace

int pwmStepsPerPeriod(DutyStep step) { return step == DutyStep::Percent ? 100 : 1000; }

int pwmDutySteps(double percent, DutyStep step) {
    if (!std::isfinite(percent)) return -1;
    const double steps = std::round(percent * pwmStepsPerPeriod(step) / 100.0);
    if (steps < 0 || steps > pwmStepsPerPeriod(step)) return -1;
    return static_cast<int>(steps);
}

PwmCheck checkPwm(const PwmSettings& s, const Capabilities& caps) {
    PwmCheck check;
    auto inModel = [&](int c) { return c >= 0 && c < caps.channelCount; };
    if (!inModel(s.channel1) || !inModel(s.channel2)) {
        check.error = Msg::ErrorChannelSetting;
        return check;
    }
    if (s.channel1 == s.channel2) {
        check.error = Msg::PwmSameChannel;
        return check;
    }
    if (Msg m = rateProblem(s.frequencyHz); m != Msg::None) {
        check.error = m;
        return check;
    }
    const int steps = pwmStepsPerPeriod(s.step);
    const std::int64_t f = nearestHertz(s.frequencyHz);
    if (f * steps > caps.maxOutputFrequency) {
        const bool percent = s.step == DutyStep::Percent;
        check.error = percent ? Msg::PwmOutOfRangeMHz : Msg::PwmOutOfRangeKHz;
        check.argument = std::to_string(caps.maxOutputFrequency / (percent ? hertzPerMHzMessage : hertzPerKHzMessage));
        return check;
    }
    check.clockHz = static_cast<int>(f * steps);
    check.duty1 = pwmDutySteps(s.duty1, s.step);
    check.duty2 = pwmDutySteps(s.duty2, s.step);
    if (check.duty1 < 0 || check.duty2 < 0) check.error = Msg::PwmDutyRange;
    return check;
}

int buildPwmStream(const PwmSettings& s, const PwmCheck& checked, PwmTarget target, int cardType,
                   std::span<Sample> out) {
    const int steps = pwmStepsPerPeriod(s.step);
    const int n = pwmLeadInSamples + steps;
    Sample* const base = out.data();
    fillSamples(base, n, 0);
    const Sample one = channelBit(s.channel1), two = channelBit(s.channel2);
    for (int i = 0; i < checked.duty1; ++i) base[pwmLeadInSamples + i] = one;
    for (int i = 0; i < checked.duty2; ++i) base[pwmLeadInSamples + i] |= two;
    if (target == PwmTarget::Output) {
        placeCommand(out, selectKeyAt, commandSelectKey);
        placeCommand(out, waitAt, commandWaitEvent);
        if (cardType == cardTypeWithOutputEnable) placeOutputEnable(out, outputEnableAt, outputEnableAll);
        if (s.repeat)
            placeJump(out, n - endCommandOffset - 2, pwmRepeatAddress);
        else
            placeCommand(out, n - endCommandOffset, commandWaitEvent);
    } else if (s.repeat) {
        placeJump(out, n - exportJumpFromEnd, pwmExportRepeatAddress);
    } else {
        placeCommand(out, n - endCommandOffset, commandWaitEvent);
    }
    return n;
}

Msg exportPwmQvv(const PwmSettings& s, const Capabilities& caps, const std::string& workFolder, const std::string& path,
                 std::string& argument) {
    const PwmCheck checked = checkPwm(s, caps);
    argument = checked.argument;
    if (checked.error != Msg::None) return checked.error;
    const int n = pwmLeadInSamples + pwmStepsPerPeriod(s.step);
    Capabilities sized = caps;
    const int fileSamples = n + 1; // the stream and its closing sample
    sized.memoryDepthBytes = (prefixSamples + fileSamples + reservedTailSamples) * bytesPerSample;
    sized.sampleBufferBytes = sized.memoryDepthBytes + 22 * bytesPerSample;
    sized.usableSampleBytes = fileSamples * bytesPerSample;
    auto doc = Document::create(sized, false, [](std::size_t bytes) {
        return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
    });
    if (!doc) return Msg::MemoryNotEnough;
    buildPwmStream(s, checked, PwmTarget::Export, 0, doc->usableImage());

    LabelTable& labels = doc->labels();
    loadHandoffLabels(handoffLabelPath(workFolder), labels);
    int next = labelRecordCount(labels);
    for (int c = 0; c < caps.channelCount && next >= 0; ++c) {
        if (hasLabelOn(labels, c)) continue;
        char name[labelNameBytes];
        std::snprintf(name, sizeof name, "CH-%02d", c);
        const int channel[] = {c};
        next = appendSignalLabel(labels, next, name, channel);
    }
    doc->output().baseFrequency = checked.clockHz;
    doc->output().frequencyMode = pwmFrequencyMode;
    return saveQvv(path, *doc);
}

PwmRunResult runPwm(OutputPorts& ports, const PwmSettings& s, std::span<Sample> buffer) {
    PwmRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    const PwmCheck checked = checkPwm(s, ports.capabilities);
    if (checked.error != Msg::None) {
        result.outcome.error = checked.error;
        ports.prompt.show(static_cast<int>(checked.error), checked.argument);
        return result;
    }
    const int cardType = readCardType(ports);
    GeneratorJob job;
    job.clockHz = checked.clockHz;
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = pwmEventSelection;
    job.build = [&](int) {
        Section section;
        const int n = buildPwmStream(s, checked, PwmTarget::Output, cardType, buffer);
        section.samples = buffer.first(static_cast<std::size_t>(n));
        return section;
    };
    result.outcome = runGeneratorOutput(ports, job);
    result.clockHz = result.outcome.clockHz;
    return result;
}

} // namespace qv::gen
