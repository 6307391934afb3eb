// The Wave Editor's run. Every group of driver calls takes the driver-busy flag and waits out the
// other process's hold; the wait gives up when Stop Run has been requested meanwhile.
#include "waveedit/run_waveform.h"

#include "app/models.h"
#include "waveedit/output_image.h"

#include <new>

namespace qv {
namespace {

// A nonzero frequency mode is set with qvSetFreq mode 5 and the frequency mode as first word.
constexpr int setFreqModeWithSource = setFreqModeLoop;
constexpr int waveEditorEventSelection = 0;

// The 16-channel models take one level, the C-set models two; each followed by a reset.
void applyLevels(OutputPorts& ports, const OutputSettings& settings) {
    const int model = ports.capabilities.modelCode;
    const bool sixteen = isSixteenChannelModel(model);
    if (!sixteen && !isCSetModel(model)) return;
    OutputCallGroup group(ports);
    ports.driver.qvAdjVolt(ports.device, 0, settings.outputLevel0);
    if (!sixteen) ports.driver.qvAdjVolt(ports.device, 1, settings.outputLevel1);
    ports.driver.qvReset(ports.device);
}

} // namespace

WaveRunOutcome runWaveform(OutputPorts& ports, Document& document) {
    OutputSettings& settings = document.output();
    const int mode = settings.frequencyMode;
    ports.flags.stopRequest.store(0);

    std::int32_t accepted = 0;
    {
        OutputCallGroup group(ports);
        ports.driver.qvReset(ports.device);
        ports.driver.qvDataUnlatch(ports.device, 0);
        ports.driver.qvOutputEnable(ports.device, 0);
        accepted = setFreq(ports, settings.baseFrequency, mode != 0 ? setFreqModeWithSource : setFreqModeClock, mode);
    }
    if (accepted == 0) {
        const ClockCheck nearby = askForNearbyClock(ports, settings.baseFrequency);
        if (nearby.outcome == ClockOutcome::Refused) return {WaveRunResult::Refused, settings.baseFrequency, 0};
        settings.baseFrequency = nearby.clockHz;
    }

    applyLevels(ports, settings);

    WaveRunOutcome outcome{WaveRunResult::Failed, settings.baseFrequency, 0};
    {
        OutputCallGroup group(ports);
        setFreq(ports, 0, setFreqModeNewStream, mode);
        const PreparedOutput prepared = prepareDocumentForOutput(document.sampleBuffer(), document.usableSamples(),
                                                                 document.labels(), document.secondBuffer());
        if (prepared.lengthSamples == 0) return outcome;
        ports.driver.qvWriteData(ports.device, document.sampleBuffer().data(), prepared.lengthSamples);
        runRoutine(ports, settings.baseFrequency, mode, waveEditorEventSelection);
        outcome.lengthSamples = prepared.lengthSamples;
    }
    ports.flags.outputActive.store(1);
    restoreOutputImage(document.sampleBuffer(), document.usableSamples(), document.secondBuffer());
    outcome.result = WaveRunResult::Running;
    return outcome;
}

bool WaveRunThread::start(OutputPorts& ports, Document& document, std::function<void(const WaveRunOutcome&)> done) {
    return runner_.start([&ports, &document, done = std::move(done)] {
        WaveRunOutcome outcome;
        try {
            outcome = runWaveform(ports, document);
        } catch (const std::bad_alloc&) {
            ports.prompt.show(static_cast<int>(Msg::MemoryNotEnough));
        }
        if (done) done(outcome);
    });
}

bool sendEventHotKey(OutputPorts& ports, const OutputSettings& settings, int key) {
    if (ports.flags.running.load() == 0) return false;
    if (key != hotKeyReturn && key != hotKeySpace) return false;
    if (key != settings.eventHotKey) return false;
    ports.driver.qvKeyboardEvent(ports.device);
    return true;
}

} // namespace qv
