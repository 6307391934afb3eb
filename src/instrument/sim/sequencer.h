// The virtual instrument's sequencer: it walks the loaded sample memory one sample per clock and
// executes the command field of each sample three samples after the sample that carries it (a
// three-stage pipeline), which is what the Wave Editor's command shift and the generators' end
// commands assume. Operand words load the RL / RH registers; JP, LP, LC, BE, SE, WE and OE act on
// them; IT is decoded and ignored, DL holds the current sample for its operand's number of clocks.
// It knows nothing of threads or files: what it outputs goes to a sink, one call per clock.
#pragma once

#include "waveedit/sample.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace qv::sim {

// What the sequencer is doing.
enum class SequencerState {
    Idle, // never started, or stopped by the program
    Running,
    WaitingForKey, // a WE whose selection only a key event can satisfy
    WaitingForEvent, // a WE for an external event that no later scheduled event satisfies
    RanOffMemory, // the next address lies beyond the loaded samples
    AtSampleLimit, // the configured number of output samples has been reached
};

// True while the sequencer goes on by itself (qvReadStatus reports a nonzero running word).
constexpr bool isAdvancing(SequencerState state) { return state == SequencerState::Running; }

// External events: bit 0 EV1, bit 1 EV2, bit 2 EV3 of an event code's low three bits.
inline constexpr int externalEventCount = 3;
// The event code a started sequencer selects: the key event, so that a first WE waits for the key.
inline constexpr unsigned resetEventCode = 0;

// One output clock: the sample number (clocks since qvRun), the sample's 64 bits and which of
// them drive their pins (0 bits float, because an OE mask switched their group off).
class OutputSink {
  public:
    virtual ~OutputSink() = default;
    // Called for the first clock of a run and for every clock that changes the levels (command
    // field cleared) or the enabled bits; the sample number tells how long the last one lasted.
    virtual void output(std::uint64_t sampleNumber, Sample levels, Sample enabled) = 0;
};

struct SequencerSetup {
    int channels = 50;
    int channelsPerGroup = 10;
    bool outputsStartDisabled = false; // card type 18: groups off until qvOutputEnable(1) or an OE
    std::uint64_t sampleLimit = 10'000'000; // output clocks before the sequencer stops
    // Output sample numbers at which EV1, EV2, EV3 occur (each an event pulse, latched until used).
    std::array<std::vector<std::uint64_t>, externalEventCount> eventAt{};
    // Where a line held high (a printer's BUSY) drops: its latch is cleared there, so an inverted
    // selection (SE !EV1) waits from the line's rise in eventAt until this sample.
    std::array<std::vector<std::uint64_t>, externalEventCount> eventEndAt{};
};

class Sequencer {
  public:
    explicit Sequencer(SequencerSetup setup = {});

    const SequencerSetup& setup() const { return setup_; }
    void configure(SequencerSetup setup);
    // The output clocks the next runs may take (what is left of an output's sample limit).
    void setSampleLimit(std::uint64_t clocks) { setup_.sampleLimit = clocks; }

    // Device memory: replaces what was loaded; the sequencer is stopped.
    void load(std::span<const Sample> samples);
    std::size_t loadedSamples() const { return memory_.size(); }

    // qvRun: from address 0, the pipeline empty, the key event selected, loop counter 0, the
    // latches clear, sample number 0.
    void start();
    // qvStop / qvReset / qvPowerDown.
    void stop();
    // qvKeyboardEvent: latched until a WE or BE uses it; a waiting sequencer goes on.
    void keyEvent();
    // qvOutputEnable(1): every output group driven, as an OE of 0xFFFF would leave them.
    void enableAllOutputs() {
        oeMask_ = 0xFFFF;
        enabled_ = enabledBits(oeMask_);
    }

    // Runs until the state leaves Running or `maxClocks` clocks have been output; returns the
    // clocks output. A waiting sequencer first checks whether its event has come.
    std::uint64_t advance(std::uint64_t maxClocks, OutputSink* sink);
    // Runs until the sequencer stops or waits (bounded by the sample limit).
    std::uint64_t runToRest(OutputSink* sink);

    SequencerState state() const { return state_; }
    std::uint64_t sampleNumber() const { return clock_; } // clocks output since start
    std::uint32_t address() const { return address_; } // the address output next
    unsigned selectedEvent() const { return selected_; }
    std::uint32_t outputEnableMask() const { return oeMask_; }
    std::uint32_t loopCounter() const { return loopCounter_; }
    std::uint64_t keyEventsPending() const { return keyLatch_ ? 1 : 0; }

    // The enabled bits of a 16-bit OE value: its group bits, the two ports always.
    Sample enabledBits(std::uint32_t oeValue) const;

  private:
    // Executes one command word that leaves the pipeline; returns the next address.
    std::uint32_t execute(unsigned word, std::uint32_t next, std::uint64_t& holdClocks);
    bool eventPresent(unsigned code) const;
    void consumeEvent(unsigned code);
    void latchEventsUpTo(std::uint64_t sampleNumber);
    // For a waiting sequencer: the sample number of the next scheduled event that releases it.
    bool nextReleasingEvent(std::uint64_t& at) const;
    // A waiting sequencer whose event is present goes on (the event is used up); false otherwise.
    bool tryRelease();

    SequencerSetup setup_;
    std::vector<Sample> memory_;
    SequencerState state_ = SequencerState::Idle;
    std::uint64_t clock_ = 0;
    std::uint32_t address_ = 0;
    std::array<unsigned, 4> pipeline_{}; // command words of the last four outputs, by output & 3
    std::uint64_t outputs_ = 0;
    Sample reportedLevels_ = 0, reportedEnabled_ = 0; // what the sink was last told
    unsigned rl_ = 0, rh_ = 0;
    unsigned selected_ = resetEventCode;
    std::uint32_t loopCounter_ = 0;
    std::uint32_t oeMask_ = 0xFFFF;
    Sample enabled_ = ~Sample{0};
    bool keyLatch_ = false;
    std::array<bool, externalEventCount> eventLatch_{};
    std::array<std::size_t, externalEventCount> nextEvent_{}; // index into setup_.eventAt[n]
    std::array<std::size_t, externalEventCount> nextEnd_{}; // index into setup_.eventEndAt[n]
    std::uint64_t nextEventClock_ = UINT64_MAX; // the earliest scheduled event not yet latched
};

} // namespace qv::sim
