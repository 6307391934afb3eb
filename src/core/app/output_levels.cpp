// Output-level rules by model code.
#include "app/output_levels.h"

#include "app/models.h"
#include "app/shell_text.h"

#include <algorithm>

namespace qv {
namespace {

constexpr int namedLevelPage = 1;
constexpr int voltsLevelPage = 8;

void adjust(const Driver& driver, DeviceHandle handle, int group, int level) {
    if (driver.qvAdjVolt) driver.qvAdjVolt(handle, group, level);
}

} // namespace

void applyStartupOutputLevels(const Driver& driver, DeviceHandle handle, int modelCode, int& level1, int& level2) {
    if (isCSetModel(modelCode)) {
        level1 = correctedVoltsLevel(level1);
        adjust(driver, handle, 0, level1);
        // 0xC050 and 0xC150 offer a second bar in Properties but apply only the first here.
        if (appliesSecondLevelAtStartup(modelCode)) {
            level2 = correctedVoltsLevel(level2);
            adjust(driver, handle, 1, level2);
        }
    } else if (isSixteenChannelModel(modelCode)) {
        level1 = correctedNamedLevel(level1);
        adjust(driver, handle, 0, level1);
    }
}

int readModelCode(const Driver& driver, DeviceHandle handle, DriverInterlock& interlock) {
    if (handle == noDevice) return 0;
    DriverCallGroup group(interlock);
    if (driver.qvReset) driver.qvReset(handle);
    std::int32_t running = 0, word = 0, code = 0;
    if (driver.qvReadStatus) driver.qvReadStatus(handle, &running, &word, &code);
    return code;
}

std::string levelBarText(int modelCode, int bar, int value) {
    return bar == 0 && isSixteenChannelModel(modelCode) ? namedLevelText(value) : voltsLevelText(value);
}

std::array<LevelBar, 2> levelBarsFor(int modelCode, int& level1, int level2) {
    std::array<LevelBar, 2> bars{};
    if (isSixteenChannelModel(modelCode)) {
        level1 = correctedNamedLevel(level1);
        bars[0] = {true, maxNamedLevel, namedLevelPage, level1, levelBarText(modelCode, 0, level1)};
    } else if (isCSetModel(modelCode)) {
        bars[0] = {true, maxVoltsLevel, voltsLevelPage, level1, levelBarText(modelCode, 0, level1)};
        if (hasSecondLevelBar(modelCode))
            bars[1] = {true, maxVoltsLevel, voltsLevelPage, level2, levelBarText(modelCode, 1, level2)};
    }
    return bars;
}

int scrolledLevel(int current, ScrollRequest request, int trackPosition, int maximum, int page) {
    int value = current;
    switch (request) {
    case ScrollRequest::LineLess: value -= 1; break;
    case ScrollRequest::LineMore: value += 1; break;
    case ScrollRequest::PageLess: value -= page; break;
    case ScrollRequest::PageMore: value += page; break;
    case ScrollRequest::Track: value = trackPosition; break;
    case ScrollRequest::Other: break;
    }
    return std::clamp(value, 0, maximum);
}

void resendOutputLevels(const Driver& driver, DeviceHandle handle, DriverInterlock& interlock, int modelCode,
                        int& level1, int level2, const IdleStep& idle) {
    const bool sixteen = isSixteenChannelModel(modelCode);
    if (!sixteen && !isCSetModel(modelCode)) return;
    if (sixteen) level1 = correctedNamedLevel(level1);
    DriverCallGroup group(interlock, idle);
    if (driver.qvReset) driver.qvReset(handle);
    adjust(driver, handle, 0, level1);
    if (!sixteen) adjust(driver, handle, 1, level2);
    if (driver.qvPowerDown) driver.qvPowerDown(handle);
}

} // namespace qv
