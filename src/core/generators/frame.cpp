// Frame commands and the common output steps of the generators.
#include "generators/frame.h"

#include <new>

namespace qv::gen {

void placeOutputEnable(std::span<Sample> samples, int at, unsigned mask) {
    placeCommand(samples, at, 0x800 | (mask & 0xFF));
    placeCommand(samples, at + 1, 0x200 | ((mask >> 8) & 0xFF));
    placeCommand(samples, at + 2, 0x900);
}

void placeJump(std::span<Sample> samples, int at, unsigned address) {
    placeCommand(samples, at, 0x800 | (address & 0xFF));
    placeCommand(samples, at + 1, 0x200 | ((address >> 8) & 0xFF));
    placeCommand(samples, at + 2, 0x100 | ((address >> 16) & 0xFF));
}

void placeFrameCommands(std::span<Sample> samples, int count, const FrameLayout& layout, int cardType, bool repeat) {
    if (layout.selectKeyAt >= 0) {
        placeCommand(samples, layout.selectKeyAt, commandSelectKey);
        placeCommand(samples, layout.waitAt, commandWaitEvent);
    }
    if (cardType == cardTypeWithOutputEnable) placeOutputEnable(samples, layout.outputEnableAt, outputEnableAll);
    if (repeat)
        placeJump(samples, count - endCommandOffset - 2, layout.repeatAddress);
    else
        placeCommand(samples, count - endCommandOffset, commandWaitEvent);
}

int readCardType(OutputPorts& ports) {
    OutputCallGroup busy(ports);
    return ports.driver.qvCardType(ports.device);
}

OutputOutcome runGeneratorOutput(OutputPorts& ports, const GeneratorJob& job) {
    OutputJob engineJob;
    engineJob.clockHz = job.clockHz;
    engineJob.eventSelection = job.eventSelection;
    engineJob.build = job.build;
    engineJob.clockRule = job.clockRule;
    engineJob.resetBeforeClock = job.resetBeforeClock;
    engineJob.newStreamFirst = true;
    OutputOutcome outcome{OutputResult::BuildFailed, Msg::None, 0, 0};
    try {
        outcome = runOutput(ports, engineJob);
    } catch (const std::bad_alloc&) {
        outcome.error = Msg::MemoryNotEnough;
    }
    if (outcome.error != Msg::None) ports.prompt.show(static_cast<int>(outcome.error));
    return outcome;
}

} // namespace qv::gen
