// The virtual instrument's sequencer on hand-made device memories: the order in which it outputs
// addresses, when each command takes effect, how waits, events, loops and output enables behave.
// Each memory sample carries its own address in channels 0-15, so the output order reads directly.
#include "sim/config.h"
#include "sim/sequencer.h"

#include "waveedit/commands.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv::sim {
namespace {

struct Clock {
    std::uint64_t number;
    std::uint32_t address;
    Sample enabled;
};

class Recorder : public OutputSink {
  public:
    void output(std::uint64_t sampleNumber, Sample levels, Sample enabled) override {
        clocks.push_back({sampleNumber, static_cast<std::uint32_t>((levels >> 12) & 0xFFFF), enabled});
    }
    std::vector<std::uint32_t> addresses() const {
        std::vector<std::uint32_t> a;
        for (const Clock& c : clocks) a.push_back(c.address);
        return a;
    }
    std::vector<Clock> clocks;
};

// A memory of n samples, each carrying its address as data.
std::vector<Sample> memory(int n) {
    std::vector<Sample> m(static_cast<std::size_t>(n));
    for (int a = 0; a < n; ++a) m[static_cast<std::size_t>(a)] = static_cast<Sample>(a) << 12;
    return m;
}
void put(std::vector<Sample>& m, int address, unsigned word) {
    m[static_cast<std::size_t>(address)] = withCommand(m[static_cast<std::size_t>(address)], word);
}
// A three-word command whose opcode word sits at `address`.
void put24(std::vector<Sample>& m, int address, Opcode opcode, std::uint32_t operand) {
    put(m, address - 2, commandWord(Opcode::OperandLow, operand & 0xFF));
    put(m, address - 1, commandWord(Opcode::OperandHigh, (operand >> 8) & 0xFF));
    put(m, address, commandWord(opcode, (operand >> 16) & 0xFF));
}
std::vector<std::uint32_t> range(std::uint32_t from, std::uint32_t to) { // inclusive
    std::vector<std::uint32_t> r;
    for (auto a = from; a <= to; ++a) r.push_back(a);
    return r;
}
std::vector<std::uint32_t> operator+(std::vector<std::uint32_t> a, const std::vector<std::uint32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Sequencer started(const std::vector<Sample>& m, SequencerSetup setup = {}) {
    Sequencer s(std::move(setup));
    s.load(m);
    s.start();
    return s;
}

TEST(SequencerOrder, PlainMemoryRunsOffItsEnd) {
    Recorder r;
    Sequencer s = started(memory(10));
    s.runToRest(&r);
    EXPECT_EQ(r.addresses(), range(0, 9));
    EXPECT_EQ(s.state(), SequencerState::RanOffMemory);
    EXPECT_EQ(s.sampleNumber(), 10u);
}

TEST(SequencerOrder, JumpActsThreeSamplesAfterItsCarrier) {
    auto m = memory(40);
    put24(m, 21, Opcode::Jp, 30); // device addresses 19-21, as the Wave Editor loads a JP at 10-12
    SequencerSetup setup;
    setup.sampleLimit = 30;
    Recorder r;
    Sequencer s = started(m, setup);
    s.runToRest(&r);
    // 22, 23, 24 are already in the pipeline: the jump lands after 24.
    EXPECT_EQ(r.addresses(), range(0, 24) + range(30, 34));
    EXPECT_EQ(s.state(), SequencerState::AtSampleLimit);
}

TEST(SequencerOrder, LoopCountRunsTheBodyThatManyTimes) {
    struct Case {
        std::uint32_t count;
        int bodies;
    };
    for (const Case c : {Case{2, 2}, Case{3, 3}, Case{7, 7}}) {
        auto m = memory(30);
        put(m, 1, commandWord(Opcode::OperandHigh, (c.count - 2) >> 8));
        put(m, 2, commandWord(Opcode::Lc, (c.count - 2) & 0xFF));
        put24(m, 9, Opcode::Lp, 5); // body 5..12, the LP acting after 12
        Recorder r;
        Sequencer s = started(m);
        s.runToRest(&r);
        std::vector<std::uint32_t> wanted = range(0, 4);
        for (int i = 0; i < c.bodies; ++i) wanted = wanted + range(5, 12);
        EXPECT_EQ(r.addresses(), wanted + range(13, 29)) << "count " << c.count;
    }
}

TEST(SequencerOrder, LoopWithoutCountFallsThrough) {
    auto m = memory(20);
    put24(m, 9, Opcode::Lp, 5);
    Recorder r;
    Sequencer s = started(m);
    s.runToRest(&r);
    EXPECT_EQ(r.addresses(), range(0, 19));
}

TEST(SequencerWait, KeyWaitHoldsTimeUntilTheKey) {
    auto m = memory(12);
    put(m, 1, commandWord(Opcode::We, 0)); // the reset selection is the key
    Recorder r;
    Sequencer s = started(m);
    s.runToRest(&r);
    EXPECT_EQ(r.addresses(), range(0, 4));
    EXPECT_EQ(s.state(), SequencerState::WaitingForKey);
    EXPECT_FALSE(isAdvancing(s.state()));
    s.keyEvent();
    s.runToRest(&r);
    EXPECT_EQ(r.addresses(), range(0, 11));
    EXPECT_EQ(r.clocks[5].number, 5u); // no clocks pass while the program has not sent the key
    EXPECT_EQ(s.keyEventsPending(), 0u);
}

TEST(SequencerWait, KeyBeforeTheWaitIsKeptForIt) {
    auto m = memory(12);
    put(m, 6, commandWord(Opcode::We, 0));
    Sequencer s = started(m);
    s.keyEvent();
    Recorder r;
    s.runToRest(&r);
    EXPECT_EQ(r.addresses(), range(0, 11));
}

TEST(SequencerWait, ScheduledEventReleasesTheWaitAtItsSample) {
    auto m = memory(20);
    put(m, 1, commandWord(Opcode::Se, 9)); // EV1
    put(m, 3, commandWord(Opcode::We, 0)); // acts after address 6
    SequencerSetup setup;
    setup.eventAt[0] = {50};
    Recorder r;
    Sequencer s = started(m, setup);
    s.runToRest(&r);
    ASSERT_EQ(r.addresses(), range(0, 19));
    EXPECT_EQ(r.clocks[6].number, 6u);
    EXPECT_EQ(r.clocks[7].number, 51u); // held through the event's clock 50
    EXPECT_EQ(s.state(), SequencerState::RanOffMemory);
}

TEST(SequencerWait, SlicesOfClocksReachAFarEvent) {
    auto m = memory(20);
    put(m, 1, commandWord(Opcode::Se, 9));
    put(m, 3, commandWord(Opcode::We, 0));
    SequencerSetup setup;
    setup.eventAt[0] = {1000};
    Sequencer s = started(m, setup);
    Recorder r;
    int slices = 0;
    while (s.state() != SequencerState::RanOffMemory && slices < 100) {
        s.advance(64, &r);
        ++slices;
    }
    ASSERT_EQ(r.addresses(), range(0, 19));
    EXPECT_EQ(r.clocks[7].number, 1001u);
    EXPECT_EQ(slices, 16) << "each slice lets the waiting clocks pass: 16 x 64 covers clock 1013";
}

TEST(SequencerWait, WaitForAnEventThatNeverComesRests) {
    auto m = memory(20);
    put(m, 1, commandWord(Opcode::Se, 10)); // EV2; only EV1 is scheduled
    put(m, 3, commandWord(Opcode::We, 0));
    SequencerSetup setup;
    setup.eventAt[0] = {2};
    Sequencer s = started(m, setup);
    Recorder r;
    s.runToRest(&r);
    EXPECT_EQ(r.addresses(), range(0, 6));
    EXPECT_EQ(s.state(), SequencerState::WaitingForEvent);
}

TEST(SequencerWait, InvertedSelectionIsPresentWithoutTheEvent) {
    auto m = memory(12);
    put(m, 1, commandWord(Opcode::Se, 8)); // !Key
    put(m, 3, commandWord(Opcode::We, 0));
    Recorder r;
    Sequencer s = started(m);
    s.runToRest(&r);
    EXPECT_EQ(r.addresses(), range(0, 11));
}

// A line held high (a printer's BUSY over clocks 4..40) keeps an inverted wait (SE !EV1) until it
// drops; a second wait after the drop goes straight on, and a plain wait on the line is released
// by its rise.
TEST(SequencerWait, InvertedSelectionWaitsWhileAHeldLineIsHigh) {
    auto m = memory(30);
    put(m, 1, commandWord(Opcode::Se, 1)); // !EV1
    put(m, 3, commandWord(Opcode::We, 0)); // acts after address 6: the line is high
    put(m, 10, commandWord(Opcode::We, 0)); // acts after address 13: it has dropped
    put(m, 15, commandWord(Opcode::Se, 9)); // EV1
    put(m, 17, commandWord(Opcode::We, 0)); // acts after address 20: released by the next rise
    SequencerSetup setup;
    setup.eventAt[0] = {4, 60};
    setup.eventEndAt[0] = {40, 70};
    Recorder r;
    Sequencer s = started(m, setup);
    s.runToRest(&r);
    ASSERT_EQ(r.addresses(), range(0, 29));
    EXPECT_EQ(r.clocks[7].number, 41u);
    EXPECT_EQ(r.clocks[14].number, 48u);
    EXPECT_EQ(r.clocks[21].number, 61u);
    const auto schedule = parseEventSchedule("5,10-20,30-31");
    ASSERT_TRUE(schedule);
    EXPECT_EQ(schedule->at, (std::vector<std::uint64_t>{5, 10, 30}));
    EXPECT_EQ(schedule->endAt, (std::vector<std::uint64_t>{20, 31}));
    EXPECT_FALSE(parseEventSchedule("20-10"));
    EXPECT_FALSE(parseEventSchedule("10-10"));
    EXPECT_FALSE(parseEventSchedule("10-"));
    EXPECT_FALSE(parseEventSchedule("-5"));
}

TEST(SequencerBranch, BranchesOnlyWhenTheEventHasCome) {
    struct Case {
        std::vector<std::uint64_t> ev3;
        std::vector<std::uint32_t> wanted;
    };
    const Case cases[] = {
        {{}, range(0, 19)},
        {{4}, range(0, 12) + range(16, 19)}, // latched before the BE acts after address 12
        {{13}, range(0, 19)}, // too late for the BE
    };
    for (const Case& c : cases) {
        auto m = memory(20);
        put(m, 1, commandWord(Opcode::Se, 12)); // EV3
        put24(m, 9, Opcode::Be, 16);
        SequencerSetup setup;
        setup.eventAt[2] = c.ev3;
        Recorder r;
        Sequencer s = started(m, setup);
        s.runToRest(&r);
        EXPECT_EQ(r.addresses(), c.wanted);
    }
}

TEST(SequencerBranch, EveryEventCodeAsTheCommandTableNamesIt) {
    // Per code 0-15, whether BE branches: "1" present. Codes 1-7 are the inverted EV
    // selections, 9-15 the plain ones, 0 the key and 8 the inverted key.
    struct Case {
        bool key;
        std::vector<std::uint64_t> ev1, ev3;
        const char* present; // code 0 first
    };
    const Case cases[] = {
        {false, {}, {}, "0111111110000000"},  {true, {}, {}, "1111111100000000"},
        {false, {0}, {}, "0010101011010101"}, {false, {}, {0}, "0111000010001111"},
        {true, {0}, {0}, "1010000001011111"},
    };
    for (const Case& c : cases) {
        for (unsigned code = 0; code < 16; ++code) {
            auto m = memory(20);
            put(m, 1, commandWord(Opcode::Se, code));
            put24(m, 9, Opcode::Be, 16);
            SequencerSetup setup;
            setup.eventAt[0] = c.ev1;
            setup.eventAt[2] = c.ev3;
            Sequencer s = started(m, setup);
            if (c.key) s.keyEvent();
            Recorder r;
            s.runToRest(&r);
            const bool branched = r.addresses().size() < 20;
            EXPECT_EQ(branched, c.present[code] == '1') << "code " << code << " pattern " << c.present;
        }
    }
}

TEST(SequencerOutputs, OutputEnableSwitchesGroupsAfterThePipeline) {
    auto m = memory(16);
    put24(m, 4, Opcode::Oe, 0x0001); // group 0 only, acting after address 7
    SequencerSetup setup;
    setup.channels = 20;
    setup.channelsPerGroup = 10;
    setup.outputsStartDisabled = true;
    Recorder r;
    Sequencer s = started(m, setup);
    s.runToRest(&r);
    const Sample ports = (Sample{1} << outputPort0Bit) | (Sample{1} << outputPort1Bit);
    Sample group0 = 0;
    for (int ch = 0; ch < 10; ++ch) group0 |= channelBit(ch);
    EXPECT_EQ(r.clocks[7].enabled, ports);
    EXPECT_EQ(r.clocks[8].enabled, ports | group0);
    EXPECT_EQ(s.outputEnableMask(), 0x0001u);
}

TEST(SequencerOutputs, DelayHoldsTheCurrentSample) {
    auto m = memory(12);
    put24(m, 4, Opcode::Dl, 100);
    Recorder r;
    Sequencer s = started(m);
    s.runToRest(&r);
    ASSERT_EQ(r.addresses(), range(0, 11));
    EXPECT_EQ(r.clocks[8].number, 108u);
}

TEST(SequencerWait, HeldClocksDoNotShiftThePipeline) {
    // A command right behind a wait or a delay still acts three outputs after its carrier.
    struct Case {
        int holdAt; // opcode address of the WE (EV1 at clock 100) or of a DL 100
        bool delay;
    };
    for (const Case c : {Case{5, false}, Case{5, true}, Case{6, false}, Case{7, true}}) {
        auto m = memory(40);
        put(m, 0, commandWord(Opcode::Se, 9));
        if (c.delay)
            put24(m, c.holdAt, Opcode::Dl, 100);
        else
            put(m, c.holdAt, commandWord(Opcode::We, 0));
        put24(m, c.holdAt + 3, Opcode::Jp, 30);
        SequencerSetup setup;
        setup.eventAt[0] = {100};
        Recorder r;
        Sequencer s = started(m, setup);
        s.runToRest(&r);
        EXPECT_EQ(r.addresses(), range(0, c.holdAt + 6) + range(30, 39)) << c.holdAt << (c.delay ? " DL" : " WE");
    }
}

TEST(SequencerOutputs, AdvanceStopsAfterTheClocksAsked) {
    auto m = memory(1000);
    Sequencer s = started(m);
    EXPECT_EQ(s.advance(100, nullptr), 100u);
    EXPECT_TRUE(isAdvancing(s.state()));
    EXPECT_EQ(s.address(), 100u);
    s.stop();
    EXPECT_EQ(s.advance(100, nullptr), 0u);
}

} // namespace
} // namespace qv::sim
