// The output engine's steps, each a short run of driver calls between taking and releasing the
// driver-busy flag. Polls yield through the pause port; no step blocks on anything but the
// instrument's status and the external hold.
#include "device/output_engine.h"

#include "device/frequency.h"

#include <chrono>
#include <new>

namespace qv {
namespace {

std::int32_t readRunningWord(OutputPorts& ports) {
    std::int32_t running = 0, word = 0, model = 0;
    ports.driver.qvReadStatus(ports.device, &running, &word, &model);
    return running;
}

void load(OutputPorts& ports, std::span<const Sample> samples) {
    ports.driver.qvWriteData(ports.device, samples.data(), static_cast<std::int32_t>(samples.size()));
}

} // namespace

std::int32_t setFreq(OutputPorts& ports, int clockHz, int mode, std::int32_t firstWord) {
    std::int32_t out[6] = {firstWord, 0, 0, 0, 0, 0};
    return ports.driver.qvSetFreq(ports.device, clockHz, mode, &out[0], &out[1], &out[2], &out[3], &out[4], &out[5]);
}

void realPause(int milliseconds) {
    if (milliseconds <= 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

ClockCheck checkClock(OutputPorts& ports, int clockHz, bool resetFirst) {
    if (clockHz > ports.capabilities.maxOutputFrequency) return {ClockOutcome::TooFast, clockHz};
    std::int32_t exact = 0;
    {
        OutputCallGroup busy(ports);
        if (resetFirst) ports.driver.qvReset(ports.device);
        exact = setFreq(ports, clockHz, setFreqModeClock, 0);
    }
    if (exact != 0) return {ClockOutcome::Exact, clockHz};
    return askForNearbyClock(ports, clockHz);
}

ClockCheck setClock(OutputPorts& ports, int clockHz, ClockRule rule, bool resetFirst) {
    if (rule == ClockRule::AskNearby) return checkClock(ports, clockHz, resetFirst);
    const int clock = rule == ClockRule::Nearest
        ? nearestAchievableFrequency(clockHz, frequencyNearest, ports.capabilities)
        : clockHz;
    if (clock > ports.capabilities.maxOutputFrequency) return {ClockOutcome::TooFast, clock};
    OutputCallGroup busy(ports);
    if (resetFirst) ports.driver.qvReset(ports.device);
    setFreq(ports, clock, setFreqModeClock, 0);
    return {clock == clockHz ? ClockOutcome::Exact : ClockOutcome::Adjusted, clock};
}

ClockCheck askForNearbyClock(OutputPorts& ports, int clockHz) {
    if (ports.prompt.ask(static_cast<int>(Msg::CantGenerateFrequency), Buttons::YesNo) != Answer::Yes)
        return {ClockOutcome::Refused, clockHz};
    const int nearest = nearestAchievableFrequency(clockHz, frequencyNearest, ports.capabilities);
    ports.prompt.show(static_cast<int>(Msg::UseProximateFrequency), frequencyText(nearest));
    return {ClockOutcome::Adjusted, nearest};
}

std::int32_t runRoutine(OutputPorts& ports, int clockHz, int loopValue, int eventSelection) {
    const Driver& d = ports.driver;
    d.qvReset(ports.device);
    if (loopValue != 0)
        setFreq(ports, clockHz, setFreqModeLoop, loopValue & 0xFFFF);
    else
        setFreq(ports, clockHz, setFreqModeClock, 0);
    d.qvEventSel(ports.device, eventSelection);
    ports.pause(eventSelectSettleMs);
    d.qvRun(ports.device);
    d.qvDataUnlatch(ports.device, 1);
    d.qvOutputEnable(ports.device, 1);
    while (ports.flags.stopRequest.load() == 0) {
        if (readRunningWord(ports) == 0) break; // waiting at the start handshake
        ports.pause(0);
    }
    return d.qvKeyboardEvent(ports.device);
}

SectionChoice chooseSections(Prompt& prompt, bool dataFits, bool repeat) {
    if (dataFits) return SectionChoice::Whole;
    if (prompt.ask(static_cast<int>(Msg::SectionData), Buttons::OkCancel) == Answer::Ok) return SectionChoice::Sections;
    if (!repeat) return SectionChoice::Truncate;
    prompt.show(static_cast<int>(Msg::RepeatNeedsSections));
    return SectionChoice::Refuse;
}

OutputOutcome runOutput(OutputPorts& ports, const OutputJob& job) {
    const ClockCheck clock = setClock(ports, job.clockHz, job.clockRule, job.resetBeforeClock);
    if (clock.outcome == ClockOutcome::Refused || clock.outcome == ClockOutcome::TooFast)
        return {OutputResult::Refused, Msg::None, clock.clockHz, 0};
    OutputOutcome outcome{OutputResult::Running, Msg::None, clock.clockHz, 0};
    for (int index = 0;; ++index) {
        const Section section = job.build(index);
        if (section.abandon) {
            outcome.result = OutputResult::Refused;
            return outcome;
        }
        if (section.error != Msg::None) {
            outcome.result = OutputResult::BuildFailed;
            outcome.error = section.error;
            return outcome;
        }
        {
            OutputCallGroup busy(ports);
            if (index > 0 || job.newStreamFirst) {
                setFreq(ports, 0, setFreqModeNewStream, 0);
                ports.driver.qvReset(ports.device);
            }
            load(ports, section.samples);
            runRoutine(ports, clock.clockHz, job.loopValue, job.eventSelection);
        }
        ++outcome.sections;
        ports.flags.outputActive.store(1);
        if (section.last) return outcome;

        // Wait for this buffer to finish; Stop (running cleared) has already powered down.
        for (;;) {
            if (ports.flags.running.load() == 0) {
                outcome.result = OutputResult::Stopped;
                return outcome;
            }
            std::int32_t running = 0;
            {
                OutputCallGroup busy(ports);
                running = readRunningWord(ports);
            }
            if (running == 0) break;
            ports.pause(0);
        }
        if (ports.flags.running.load() == 0) {
            outcome.result = OutputResult::Stopped;
            return outcome;
        }
        OutputCallGroup busy(ports);
        ports.driver.qvDataUnlatch(ports.device, 0);
        ports.driver.qvStop(ports.device);
    }
}

void stopOutput(OutputPorts& ports, bool asStopRequest) {
    if (asStopRequest) ports.flags.stopRequest.store(1);
    ports.driver.qvPowerDown(ports.device);
    ports.flags.running.store(0);
    ports.flags.outputActive.store(0);
}

bool manualTrigger(OutputPorts& ports, const std::function<void()>& beep) {
    if (ports.flags.running.load() == 0) return false;
    if (beep) beep();
    ports.driver.qvKeyboardEvent(ports.device);
    return true;
}

bool SingleRunThread::start(std::function<void()> work) {
    if (busy_.exchange(1) != 0) return false;
    join();
    thread_ = std::thread([this, work = std::move(work)] {
        work();
        busy_.store(0);
    });
    return true;
}

bool OutputThread::start(OutputPorts& ports, OutputJob job, std::function<void(const OutputOutcome&)> done) {
    return runner_.start([&ports, job = std::move(job), done = std::move(done)] {
        OutputOutcome outcome{OutputResult::BuildFailed, Msg::None, 0, 0};
        try {
            outcome = runOutput(ports, job);
        } catch (const std::bad_alloc&) {
            outcome.error = Msg::MemoryNotEnough;
        }
        if (done) done(outcome);
    });
}

} // namespace qv
