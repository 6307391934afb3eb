// Output levels at start-up: a stored level outside the model's range takes the model's default,
// the corrected value replaces the stored one (so that it is saved at exit) and is sent to the
// instrument. Models without level control keep their stored values untouched.
#pragma once

#include "device/driver.h"

namespace qv {

// Corrects level1 (and level2 for 0xC350, the only model that applies a second level at start-up)
// and calls qvAdjVolt for each applied group.
void applyStartupOutputLevels(const Driver& driver, DeviceHandle handle, int modelCode, int& level1, int& level2);

} // namespace qv
