// The Wave Editor's run against a recording driver: the order of its driver calls per model and
// frequency mode, the refused clock that writes nothing, the adjusted clock kept in the document,
// unlabelled channels off the outputs and out of the document, and the event hot key.
#include "waveedit/run_waveform.h"

#include "label_records.h"
#include "recording_driver.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace qv {
namespace {

test::DriverRecording& rec = test::driverRecording;
using test::recordingDriver;

class RunWaveform : public testing::Test {
  protected:
    void SetUp() override {
        rec = test::DriverRecording{};
        rec.interlock = &interlock;
    }
    // Channel 0 labelled, channel 1 not; channel 0 rises at sample 99 (the last change), channel 1
    // is high throughout.
    std::unique_ptr<Document> makeDocument(int model) {
        auto doc = Document::create(capabilitiesFor(model), true);
        doc->labels()[0] = test::labelRecord(12, positionSingle, "D0");
        doc->labels()[1] = LabelRecord{};
        auto image = doc->usableImage();
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = channelBit(1) | (i >= 99 ? channelBit(0) : 0);
        return doc;
    }
    WaveRunOutcome run(Document& doc, int model) {
        OutputPorts ports{driver, 0, interlock, flags, prompt, capabilitiesFor(model)};
        ports.pause = [](int) {};
        return runWaveform(ports, doc);
    }

    Driver driver = recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
};

TEST_F(RunWaveform, DriverCallsFollowTheModelAndTheFrequencyMode) {
    struct Case {
        int model;
        int frequencyMode;
        std::vector<std::string> levels; // between the clock and the new-stream call
    };
    const Case cases[] = {
        {0xA020, 1, {}},
        {0xA050, 0, {}},
        {0xB016, 1, {"adjvolt 0 3", "reset"}},
        {0xCD16, 9, {"adjvolt 0 3", "reset"}},
        {0xC020, 1, {"adjvolt 0 3", "adjvolt 1 40", "reset"}},
        {0xC350, 3, {"adjvolt 0 3", "adjvolt 1 40", "reset"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        rec.calls.clear();
        auto doc = makeDocument(c.model);
        doc->output() = OutputSettings{};
        doc->output().frequencyMode = c.frequencyMode;
        doc->output().baseFrequency = 2000000;
        doc->output().outputLevel0 = 3;
        doc->output().outputLevel1 = 40;
        const std::string mode =
            c.frequencyMode != 0 ? " mode 5 word " + std::to_string(c.frequencyMode) : " mode 0 word 0";
        std::vector<std::string> wanted = {"reset", "unlatch 0", "enable 0", "setfreq 2000000" + mode};
        wanted.insert(wanted.end(), c.levels.begin(), c.levels.end());
        for (const char* call : {"setfreq 0 mode 4 word ", "write 123", "reset", "setfreq 2000000", "eventsel 0", "run",
                                 "unlatch 1", "enable 1", "status", "key"})
            wanted.push_back(call);
        wanted[wanted.size() - 10] += std::to_string(c.frequencyMode);
        wanted[wanted.size() - 7] += mode;

        const WaveRunOutcome outcome = run(*doc, c.model);
        EXPECT_EQ(outcome.result, WaveRunResult::Running);
        EXPECT_EQ(outcome.lengthSamples, 123) << "last change at 99";
        EXPECT_EQ(rec.calls, wanted);
        EXPECT_TRUE(rec.allBusy()) << "every driver call inside the driver-busy flag";
        EXPECT_EQ(interlock.driverBusy.load(), 0);
        EXPECT_EQ(flags.outputActive.load(), 1);
    }
}

TEST_F(RunWaveform, UnlabelledChannelIsOutputAsZeroAndClearedInTheDocument) {
    auto doc = makeDocument(0xA020);
    doc->usableImage()[10] |= commandWord(Opcode::We, 0);
    ASSERT_EQ(run(*doc, 0xA020).result, WaveRunResult::Running);

    ASSERT_EQ(rec.written.size(), 123u);
    for (std::size_t a = 0; a < rec.written.size(); ++a) {
        ASSERT_EQ(rec.written[a] & channelBit(1), 0u) << "device address " << a;
        EXPECT_EQ((rec.written[a] & channelBit(0)) != 0, a >= 111) << "device address " << a;
    }
    for (std::size_t i = 0; i < doc->usableImage().size(); ++i)
        ASSERT_EQ(doc->usableImage()[i] & channelBit(1), 0u) << "sample " << i;
    EXPECT_EQ(doc->usableImage()[10], commandWord(Opcode::We, 0)) << "the command back in place";
    EXPECT_EQ(doc->usableImage()[60], 0u);
    EXPECT_EQ(doc->usableImage()[101], channelBit(0)) << "the closing loop is gone again";
}

TEST_F(RunWaveform, RefusedClockWritesNothing) {
    rec.setFreqResult = 0;
    prompt = test::ScriptedPrompt({Answer::No});
    auto doc = makeDocument(0xA020);
    doc->output().baseFrequency = 312;
    const WaveRunOutcome outcome = run(*doc, 0xA020);
    EXPECT_EQ(outcome.result, WaveRunResult::Refused);
    EXPECT_EQ(prompt.asked, std::vector<int>{static_cast<int>(Msg::CantGenerateFrequency)});
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"reset", "unlatch 0", "enable 0", "setfreq 312 mode 5 word 1"}));
    EXPECT_EQ(doc->output().baseFrequency, 312);
    EXPECT_EQ(doc->usableImage()[0], channelBit(1)) << "the document untouched";
    EXPECT_EQ(flags.outputActive.load(), 0);
}

TEST_F(RunWaveform, AcceptedNearbyClockBecomesTheBaseFrequency) {
    rec.setFreqResult = 0;
    prompt = test::ScriptedPrompt({Answer::Yes});
    auto doc = makeDocument(0xA020);
    doc->output().baseFrequency = 313;
    const WaveRunOutcome outcome = run(*doc, 0xA020);
    EXPECT_EQ(outcome.result, WaveRunResult::Running);
    EXPECT_EQ(outcome.baseFrequency, 315);
    EXPECT_EQ(doc->output().baseFrequency, 315);
    EXPECT_EQ(rec.calls[rec.calls.size() - 7], "setfreq 315 mode 5 word 1") << "run at the new clock";
}

TEST_F(RunWaveform, ThreadRunsOnceAtATimeAndReportsItsOutcome) {
    auto doc = makeDocument(0xA020);
    OutputPorts ports{driver, 0, interlock, flags, prompt, capabilitiesFor(0xA020)};
    ports.pause = [](int) {};
    std::atomic<int> release{0};
    WaveRunOutcome reported;
    WaveRunThread thread;
    ASSERT_TRUE(thread.start(ports, *doc, [&](const WaveRunOutcome& outcome) {
        while (release.load() == 0) std::this_thread::yield();
        reported = outcome;
    }));
    EXPECT_FALSE(thread.start(ports, *doc, nullptr)) << "a second run while the first is in its thread";
    release = 1;
    thread.join();
    EXPECT_FALSE(thread.busy());
    EXPECT_EQ(reported.result, WaveRunResult::Running);
    EXPECT_EQ(reported.lengthSamples, 123);
}

TEST_F(RunWaveform, EventHotKeySendsTheKeyEventOnlyWhileRunning) {
    struct Case {
        int running, hotKey, key;
        bool sent;
    };
    const Case cases[] = {
        {1, hotKeySpace, 32, true},   {1, hotKeyReturn, 13, true}, {1, hotKeySpace, 13, false},
        {1, hotKeyReturn, 32, false}, {0, hotKeySpace, 32, false}, {1, 65, 65, false},
    };
    for (const Case& c : cases) {
        rec.calls.clear();
        flags.running = c.running;
        OutputSettings settings;
        settings.eventHotKey = c.hotKey;
        OutputPorts ports{driver, 0, interlock, flags, prompt, capabilitiesFor(0xA020)};
        interlock.driverBusy = 1; // the key call is not a guarded group
        EXPECT_EQ(sendEventHotKey(ports, settings, c.key), c.sent) << c.key;
        EXPECT_EQ(rec.calls.size(), c.sent ? 1u : 0u);
    }
}

} // namespace
} // namespace qv
