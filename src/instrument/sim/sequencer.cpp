// The sequencer's clock loop. Each clock outputs the sample at the current address and puts its
// command word into a four-entry ring indexed by the output count; the word that entered three
// clocks earlier leaves the ring and executes, choosing the next address. A ring of zeros after
// start makes the first three clocks execute NP.
#include "sim/sequencer.h"

#include "waveedit/commands.h"

#include <algorithm>

namespace qv::sim {
namespace {

constexpr unsigned keySelection = 0x0; // low three bits zero: the keyboard event
constexpr unsigned externalBits = 0x7;

// Bit 3 clear inverts an external selection; for the key it is the other way round (0 key, 8 !key).
bool isInverted(unsigned code) {
    const bool bit3 = (code & eventInvertBit) != 0;
    return (code & externalBits) == keySelection ? bit3 : !bit3;
}

std::uint32_t operand24(unsigned rl, unsigned rh, unsigned high) { return (high << 16) | (rh << 8) | rl; }

} // namespace

Sequencer::Sequencer(SequencerSetup setup) { configure(std::move(setup)); }

void Sequencer::configure(SequencerSetup setup) {
    for (auto& times : setup.eventAt) std::sort(times.begin(), times.end());
    for (auto& times : setup.eventEndAt) std::sort(times.begin(), times.end());
    setup_ = std::move(setup);
    stop();
}

void Sequencer::load(std::span<const Sample> samples) {
    memory_.assign(samples.begin(), samples.end());
    stop();
}

Sample Sequencer::enabledBits(std::uint32_t oeValue) const {
    Sample bits = (Sample{1} << outputPort0Bit) | (Sample{1} << outputPort1Bit);
    const int perGroup = std::max(1, setup_.channelsPerGroup);
    for (int channel = 0; channel < setup_.channels && channel < 50; ++channel)
        if ((oeValue >> (channel / perGroup)) & 1u) bits |= channelBit(channel);
    return bits;
}

void Sequencer::start() {
    state_ = SequencerState::Running;
    clock_ = 0;
    address_ = 0;
    pipeline_.fill(0);
    outputs_ = 0;
    reportedLevels_ = ~Sample{0}; // never a real level word (its command bits are set): the first is reported
    reportedEnabled_ = 0;
    rl_ = rh_ = 0;
    selected_ = resetEventCode;
    loopCounter_ = 0;
    oeMask_ = setup_.outputsStartDisabled ? 0 : 0xFFFF;
    enabled_ = enabledBits(oeMask_);
    keyLatch_ = false;
    eventLatch_.fill(false);
    nextEvent_.fill(0);
    nextEnd_.fill(0);
    nextEventClock_ = UINT64_MAX;
    latchEventsUpTo(0);
}

void Sequencer::stop() { state_ = SequencerState::Idle; }

void Sequencer::keyEvent() {
    keyLatch_ = true;
    if (state_ == SequencerState::WaitingForKey) tryRelease();
}

// Latches every event scheduled at or before `sampleNumber`, and clears the latch of a held line
// that dropped, in time order (a rise and a drop at one sample: the rise first); finds the next one.
void Sequencer::latchEventsUpTo(std::uint64_t sampleNumber) {
    nextEventClock_ = UINT64_MAX;
    for (int n = 0; n < externalEventCount; ++n) {
        const auto line = static_cast<std::size_t>(n);
        const auto& rises = setup_.eventAt[line];
        const auto& drops = setup_.eventEndAt[line];
        auto& rise = nextEvent_[line];
        auto& drop = nextEnd_[line];
        for (;;) {
            const bool riseDue = rise < rises.size() && rises[rise] <= sampleNumber;
            const bool dropDue = drop < drops.size() && drops[drop] <= sampleNumber;
            if (riseDue && (!dropDue || rises[rise] <= drops[drop])) {
                eventLatch_[line] = true;
                ++rise;
            } else if (dropDue) {
                eventLatch_[line] = false;
                ++drop;
            } else {
                break;
            }
        }
        if (rise < rises.size()) nextEventClock_ = std::min(nextEventClock_, rises[rise]);
        if (drop < drops.size()) nextEventClock_ = std::min(nextEventClock_, drops[drop]);
    }
}

bool Sequencer::eventPresent(unsigned code) const {
    const unsigned sources = code & externalBits;
    bool present = false;
    if (sources == keySelection) {
        present = keyLatch_;
    } else {
        for (int n = 0; n < externalEventCount; ++n)
            if (((sources >> n) & 1u) && eventLatch_[static_cast<std::size_t>(n)]) present = true;
    }
    return isInverted(code) ? !present : present;
}

// A non-inverted selection uses up the latches that satisfied it; an inverted one uses nothing.
void Sequencer::consumeEvent(unsigned code) {
    if (isInverted(code)) return;
    const unsigned sources = code & externalBits;
    if (sources == keySelection) {
        keyLatch_ = false;
        return;
    }
    for (int n = 0; n < externalEventCount; ++n)
        if ((sources >> n) & 1u) eventLatch_[static_cast<std::size_t>(n)] = false;
}

// A plain selection is released by the next rise of a selected line, an inverted one by the next
// drop of a held line (the caller checks whether the selection is then present).
bool Sequencer::nextReleasingEvent(std::uint64_t& at) const {
    const unsigned sources = selected_ & externalBits;
    if (sources == keySelection) return false;
    const bool inverted = isInverted(selected_);
    bool found = false;
    for (int n = 0; n < externalEventCount; ++n) {
        if (((sources >> n) & 1u) == 0) continue;
        const auto line = static_cast<std::size_t>(n);
        const auto& times = inverted ? setup_.eventEndAt[line] : setup_.eventAt[line];
        const auto next = inverted ? nextEnd_[line] : nextEvent_[line];
        if (next < times.size() && (!found || times[next] < at)) {
            at = times[next];
            found = true;
        }
    }
    return found;
}

bool Sequencer::tryRelease() {
    if (!eventPresent(selected_)) return false;
    consumeEvent(selected_);
    state_ = SequencerState::Running;
    return true;
}

std::uint32_t Sequencer::execute(unsigned word, std::uint32_t next, std::uint64_t& holdClocks) {
    const unsigned operand = operandByte(word);
    switch (opcodeOf(word)) {
    case Opcode::OperandLow: rl_ = operand; break;
    case Opcode::OperandHigh: rh_ = operand; break;
    case Opcode::Jp: return operand24(rl_, rh_, operand);
    case Opcode::Lp:
        // LC n then LP: the body runs n times; without a count left the loop falls through.
        if (loopCounter_ > 1) {
            --loopCounter_;
            return operand24(rl_, rh_, operand);
        }
        loopCounter_ = 0;
        break;
    case Opcode::Lc: loopCounter_ = ((rh_ << 8) | operand) + loopCountOffset; break;
    case Opcode::Be:
        if (eventPresent(selected_)) {
            consumeEvent(selected_);
            return operand24(rl_, rh_, operand);
        }
        break;
    case Opcode::Se: selected_ = operand & 0xF; break;
    case Opcode::We:
        if (!eventPresent(selected_)) {
            state_ = (selected_ & externalBits) == keySelection ? SequencerState::WaitingForKey
                                                                : SequencerState::WaitingForEvent;
        } else {
            consumeEvent(selected_);
        }
        break;
    case Opcode::Oe:
        oeMask_ = (rh_ << 8) | rl_;
        enabled_ = enabledBits(oeMask_);
        break;
    case Opcode::Dl: holdClocks = operand24(rl_, rh_, operand); break;
    case Opcode::It: // decoded; the virtual instrument has no interrupt source
    case Opcode::Np:
    default: break;
    }
    return next;
}

std::uint64_t Sequencer::advance(std::uint64_t maxClocks, OutputSink* sink) {
    const std::uint64_t startClock = clock_;
    const std::uint64_t endClock = std::min(setup_.sampleLimit, clock_ + std::min(maxClocks, UINT64_MAX - clock_));
    const std::size_t loaded = memory_.size();
    for (;;) {
        if (state_ == SequencerState::WaitingForEvent) {
            // Time runs on while the sequencer waits for a scheduled event.
            std::uint64_t at = 0;
            if (!tryRelease()) {
                if (!nextReleasingEvent(at)) break;
                if (at >= setup_.sampleLimit) {
                    clock_ = setup_.sampleLimit;
                    state_ = SequencerState::AtSampleLimit;
                    break;
                }
                if (at >= endClock) { // the slice ends while it waits
                    clock_ = std::max(clock_, endClock);
                    break;
                }
                clock_ = std::max(clock_, at);
                latchEventsUpTo(clock_);
                if (!tryRelease()) continue;
                ++clock_; // the clock in which the event arrived still holds the output
            }
        }
        if (state_ == SequencerState::WaitingForKey) tryRelease();
        if (state_ != SequencerState::Running) break;
        if (clock_ >= setup_.sampleLimit) {
            state_ = SequencerState::AtSampleLimit;
            break;
        }
        if (clock_ >= endClock) break;
        // The plain stretch: one sample per clock until a command leaves the pipeline.
        while (clock_ < endClock) {
            if (address_ >= loaded) {
                state_ = SequencerState::RanOffMemory;
                break;
            }
            if (clock_ >= nextEventClock_) latchEventsUpTo(clock_);
            const Sample sample = memory_[address_];
            // Only clocks that change a pin's level or drive are reported.
            const Sample levels = sample & ~commandMask;
            if (sink != nullptr && (levels != reportedLevels_ || enabled_ != reportedEnabled_)) {
                sink->output(clock_, levels, enabled_);
                reportedLevels_ = levels;
                reportedEnabled_ = enabled_;
            }
            // Indexed by outputs, not clocks: held clocks do not move the pipeline.
            pipeline_[outputs_ & 3] = commandField(sample);
            const unsigned word = pipeline_[(outputs_ + 1) & 3]; // entered three outputs ago
            ++outputs_;
            ++clock_;
            ++address_;
            if (word == 0) continue;
            std::uint64_t hold = 0;
            address_ = execute(word, address_, hold);
            if (hold > 0) clock_ = std::min(setup_.sampleLimit, clock_ + hold);
            if (state_ != SequencerState::Running) break;
        }
        if (state_ == SequencerState::RanOffMemory) break;
    }
    return clock_ - startClock;
}

std::uint64_t Sequencer::runToRest(OutputSink* sink) {
    std::uint64_t clocks = 0;
    while (isAdvancing(state_) || state_ == SequencerState::WaitingForEvent) {
        const SequencerState before = state_;
        const std::uint64_t step = advance(UINT64_MAX, sink);
        clocks += step;
        if (step == 0 && state_ == before) break;
    }
    return clocks;
}

} // namespace qv::sim
