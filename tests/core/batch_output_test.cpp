// Batch output's thread against a recording driver: kinds by extension, the interval and the
// Manual wait, Loop Always until Stop, the 12091 question; and the list's edit rules.
#include "converters/batch_output.h"

#include "recording_driver.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qv {
namespace {

test::DriverRecording& rec = test::driverRecording;
using Calls = std::vector<std::string>;

class BatchOutput : public testing::Test {
  protected:
    void SetUp() override {
        rec = test::DriverRecording{};
        rec.interlock = &interlock;
        flags.running = 1;
    }
    batch::BatchOutcome run(const batch::BatchSettings& settings) {
        OutputPorts ports{driver, 1, interlock, flags, prompt, capabilitiesFor(0xC350)};
        ports.pause = [this](int ms) {
            pauses.push_back(ms);
            if (onPause) onPause(ms);
        };
        batch::BatchProgress progress{[this](int entry) { selected.push_back(entry); },
                                      [this](bool on) { manualStates.push_back(on); }};
        return batch::runBatch(ports, settings, manualWait, progress);
    }
    // The calls after the opening qvReset, without the status polls.
    static Calls startsAndStops() {
        Calls calls;
        for (std::size_t i = 1; i < rec.calls.size(); ++i)
            if (rec.calls[i] != "status") calls.push_back(rec.calls[i]);
        return calls;
    }

    Driver driver = test::recordingDriver();
    DriverInterlock interlock;
    OutputFlags flags;
    test::ScriptedPrompt prompt;
    std::atomic<int> manualWait{0};
    std::function<void(int)> onPause;
    std::vector<int> pauses, selected;
    std::vector<bool> manualStates;
};

TEST_F(BatchOutput, PlaysEachFileWithItsKindThenWaitsTheInterval) {
    EXPECT_EQ(batch::fileKind("a.qvw"), 0);
    EXPECT_EQ(batch::fileKind("C:\\w\\B.QVV"), 1);
    EXPECT_EQ(batch::fileKind("vv"), 0);
    rec.runningWords = {1, 1, 0, 0};
    const auto outcome = run({{"C:\\a.qvw", "C:\\b.QVV"}, true, 120, false});
    EXPECT_EQ(outcome.filesStarted, 2);
    EXPECT_EQ(rec.calls.front(), "reset");
    EXPECT_EQ(startsAndStops(),
              (Calls{"startex C:\\a.qvw kind 0 0", "unlatch 0", "stop", "startex C:\\b.QVV kind 1 0", "unlatch 0",
                     "stop", "unlatch 0", "stop"}));
    EXPECT_EQ(std::count(rec.calls.begin(), rec.calls.end(), "status"), 4) << "polled until not busy";
    EXPECT_TRUE(rec.allBusy()) << "every call inside the driver-busy bracket";
    EXPECT_EQ(pauses, (std::vector<int>{0, 0, 50, 50, 20, 50, 50, 20}));
    EXPECT_EQ(selected, (std::vector<int>{0, 1}));
    EXPECT_TRUE(manualStates.empty());
    EXPECT_EQ(flags.running.load(), 0);
    EXPECT_EQ(flags.outputActive.load(), 0);
}

TEST_F(BatchOutput, ManualModeWaitsForManualAndStopDuringTheWaitEndsIt) {
    int waits = 0;
    onPause = [&](int) {
        if (++waits == 3) manualWait.store(0); // Manual for the first file
        if (waits == 6) flags.running.store(0); // Stop while the second waits
    };
    const auto outcome = run({{"a.qvw", "b.qvv", "c.qvw"}, false, 0, false});
    EXPECT_EQ(outcome.filesStarted, 2);
    EXPECT_EQ(selected, (std::vector<int>{0, 1}));
    EXPECT_EQ(manualStates, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(waits, 6);
    EXPECT_EQ(startsAndStops(),
              (Calls{"startex a.qvw kind 0 0", "unlatch 0", "stop", "startex b.qvv kind 1 0", "unlatch 0", "stop",
                     "unlatch 0", "stop"}));
    EXPECT_EQ(manualWait.load(), 0);
}

TEST_F(BatchOutput, LoopAlwaysReplaysOneFileUntilStop) {
    int intervals = 0;
    onPause = [&](int) {
        if (++intervals == 4) flags.running.store(0);
    };
    run({{"a.qvw"}, true, 50, true});
    EXPECT_EQ(std::count(rec.calls.begin(), rec.calls.end(), "startex a.qvw kind 0 0"), 4);
    EXPECT_EQ(selected, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(rec.calls.back(), "stop");
}

TEST_F(BatchOutput, AFailedFileAsksWhetherToGoOn) {
    rec.startResults = {1, 0, 1};
    prompt = test::ScriptedPrompt({Answer::Yes, Answer::No});
    const auto outcome = run({{"a.qvw", "b.qvw", "c.qvw", "d.qvw"}, true, 0, false});
    EXPECT_EQ(prompt.asked, (std::vector<int>{12091, 12091}));
    EXPECT_TRUE(outcome.declined);
    EXPECT_EQ(outcome.filesStarted, 1);
    EXPECT_EQ(selected, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(startsAndStops(),
              (Calls{"startex a.qvw kind 0 0", "unlatch 0", "stop", "startex b.qvw kind 0 0", "unlatch 0", "stop",
                     "startex c.qvw kind 0 0", "unlatch 0", "stop"}));
    EXPECT_EQ(flags.running.load(), 0);
}

TEST(BatchList, EditRules) {
    EXPECT_EQ(batch::moveDestination(0, 3, true), -1) << "Up on the first";
    EXPECT_EQ(batch::moveDestination(2, 3, false), -1) << "Down on the last";
    EXPECT_EQ(batch::moveDestination(1, 3, true), 0);
    EXPECT_EQ(batch::moveDestination(1, 3, false), 2);
    EXPECT_EQ(batch::moveDestination(-1, 3, false), -1);
    EXPECT_EQ(batch::selectionAfterRemove(1, 2), 1);
    EXPECT_EQ(batch::selectionAfterRemove(2, 2), 1) << "the last removed: the new last";
    EXPECT_EQ(batch::selectionAfterRemove(0, 0), -1);
    EXPECT_EQ(batch::selectedPaths({"C:\\w\\a.qvw"}), (std::vector<std::string>{"C:\\w\\a.qvw"}));
    EXPECT_EQ(batch::selectedPaths({"C:\\w", "b.qvv", "a.qvw"}),
              (std::vector<std::string>{"C:\\w\\b.qvv", "C:\\w\\a.qvw"}));
    EXPECT_EQ(batch::selectedPaths({"C:\\", "a.qvw", "b.qvw"}), (std::vector<std::string>{"C:\\a.qvw", "C:\\b.qvw"}));
}

} // namespace
} // namespace qv
