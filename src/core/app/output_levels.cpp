// Start-up output-level correction by model code.
#include "app/output_levels.h"

#include "app/models.h"

namespace qv {
namespace {

void adjust(const Driver& driver, DeviceHandle handle, int group, int level) {
    if (driver.qvAdjVolt) driver.qvAdjVolt(handle, group, level);
}

} // namespace

void applyStartupOutputLevels(const Driver& driver, DeviceHandle handle, int modelCode, int& level1, int& level2) {
    if (isCSetModel(modelCode)) {
        level1 = correctedVoltsLevel(level1);
        adjust(driver, handle, 0, level1);
        // 0xC050 and 0xC150 offer a second bar in Properties but apply only the first here.
        if (modelCode == 0xC350) {
            level2 = correctedVoltsLevel(level2);
            adjust(driver, handle, 1, level2);
        }
    } else if (isSixteenChannelModel(modelCode)) {
        level1 = correctedNamedLevel(level1);
        adjust(driver, handle, 0, level1);
    }
}

} // namespace qv
