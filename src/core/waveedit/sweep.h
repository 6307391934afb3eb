// The hidden frequency sweep over a running output: reading its four fields, the sequence of
// frequencies of One Time, Loop and Swing as a pure generator, and the timer tick that sets each
// frequency on the instrument. The dialog owns the timer; nothing here waits.
#pragma once

#include "device/output_engine.h"
#include "support/strings.h"

#include <string_view>

namespace qv {

enum class SweepMode { Idle = 0, OneTime = 1, Loop = 2, Swing = 3 };

// The fields as the user typed them, and the chosen radio button.
struct SweepFields {
    std::string_view start, end, step, interval;
    SweepMode mode = SweepMode::OneTime;
};

struct SweepSettings {
    int start = 0; // Hz
    int end = 0; // Hz
    int step = 0; // Hz, signed toward end
    int intervalMs = 0;
    SweepMode mode = SweepMode::OneTime;
};

// Msg::None and the settings, or Msg::SweepSettingError (shown captioned Msg::SweepCaption) when a
// field is not a number, start or end is not in 1..maxOutputFrequency, the step is 0 or the
// interval is not above 0. The step's sign follows the direction from start to end.
Msg readSweepSettings(const SweepFields& fields, int maxOutputFrequency, SweepSettings& settings);

// A running sweep: the frequency the next tick sets, and the range it walks.
struct SweepState {
    SweepSettings settings;
    int current = 0;
    SweepMode mode = SweepMode::Idle;
};

SweepState beginSweep(const SweepSettings& settings);
// After a tick has set `current`: the next frequency, or the sweep idle again (One Time past end).
void advanceSweep(SweepState& state);

// One timer tick: qvSetFreq(current, mode 0) as one group of driver calls, then advance. False
// when the sweep has ended and the timer should stop.
bool sweepTick(OutputPorts& ports, SweepState& state);

} // namespace qv
