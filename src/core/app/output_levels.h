// Output levels: the correction at start-up (a stored level outside the model's range takes the
// model's default, the corrected value replaces the stored one so that it is saved at exit, and is
// sent to the instrument), the bars of Properties with their ranges and texts, and the resend
// after Properties' OK. Models without level control keep their stored values untouched.
#pragma once

#include "device/driver.h"
#include "device/interlock.h"

#include <array>
#include <string>

namespace qv {

// Corrects level1 (and level2 where the model applies a second level at start-up) and calls
// qvAdjVolt for each applied group.
void applyStartupOutputLevels(const Driver& driver, DeviceHandle handle, int modelCode, int& level1, int& level2);

// The start-up read of the model code: qvReset and qvReadStatus as one group of driver calls.
// Demo mode (noDevice) reads nothing and gives 0.
int readModelCode(const Driver& driver, DeviceHandle handle, DriverInterlock& interlock);

// One level bar of Properties.
struct LevelBar {
    bool enabled = false;
    int maximum = 0;
    int page = 0; // the page step of the bar
    int position = 0;
    std::string text; // "3.3V" (named levels) or "5.5V" (volts levels)
};
// The two bars for a model: named levels 0..7 on the first bar of the 16-channel models (level1
// corrected first), volts levels 0..255 on one or two bars of the C-set models, none otherwise.
std::array<LevelBar, 2> levelBarsFor(int modelCode, int& level1, int level2);
// The text beside bar 0 or 1 at a value.
std::string levelBarText(int modelCode, int bar, int value);

enum class ScrollRequest { LineLess, LineMore, PageLess, PageMore, Track, Other };
// A bar's new position after a scroll request, within 0..maximum.
int scrolledLevel(int current, ScrollRequest request, int trackPosition, int maximum, int page);

// After Properties' OK the instrument starts from a reset: qvReset, the levels (the first
// corrected on the 16-channel models; the second on the C-set models), qvPowerDown, as one group
// of driver calls. idle is what the caller does while another process holds the instrument.
void resendOutputLevels(const Driver& driver, DeviceHandle handle, DriverInterlock& interlock, int modelCode,
                        int& level1, int level2, const IdleStep& idle = yieldStep);

} // namespace qv
