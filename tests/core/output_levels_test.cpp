// Output-level correction at start-up: ranges by model, the qvAdjVolt calls made, and the corrected
// value saved back at exit.
#include "app/output_levels.h"
#include "app/settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

struct AdjustCall {
    int handle, group, level;
    bool operator==(const AdjustCall&) const = default;
};
std::vector<AdjustCall> adjustCalls;

std::int32_t QV_DRIVER_CALL recordAdjVolt(std::int32_t handle, std::int32_t group, std::int32_t level) {
    adjustCalls.push_back({handle, group, level});
    return 1;
}

Driver recordingDriver() {
    Driver driver;
    driver.qvAdjVolt = recordAdjVolt;
    return driver;
}

TEST(OutputLevels, CorrectedAndAppliedByModel) {
    struct Case {
        int model, level1, level2, expected1, expected2;
        std::vector<AdjustCall> calls;
    };
    const Case cases[] = {
        {0xC020, 300, 300, 32, 300, {{5, 0, 32}}},
        {0xC020, -1, 0, 32, 0, {{5, 0, 32}}},
        {0xC120, 255, 0, 255, 0, {{5, 0, 255}}},
        {0xC050, 0, 300, 0, 300, {{5, 0, 0}}}, // second level only in Properties
        {0xC150, 256, 999, 32, 999, {{5, 0, 32}}},
        {0xC350, 300, 256, 32, 32, {{5, 0, 32}, {5, 1, 32}}},
        {0xC350, 10, 20, 10, 20, {{5, 0, 10}, {5, 1, 20}}},
        {0xB016, 9, 9, 0, 9, {{5, 0, 0}}},
        {0xCD16, 7, 0, 7, 0, {{5, 0, 7}}},
        {0xB816, -3, 0, 0, 0, {{5, 0, 0}}},
        {0xA050, 300, 300, 300, 300, {}}, // no level control
        {0, 300, 300, 300, 300, {}}, // demo mode
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        adjustCalls.clear();
        int level1 = c.level1, level2 = c.level2;
        applyStartupOutputLevels(recordingDriver(), 5, c.model, level1, level2);
        EXPECT_EQ(level1, c.expected1);
        EXPECT_EQ(level2, c.expected2);
        EXPECT_EQ(adjustCalls, c.calls);
    }
}

TEST(OutputLevels, MissingDriverFunctionIsSkipped) {
    int level1 = 300, level2 = 0;
    applyStartupOutputLevels(Driver{}, 5, 0xC020, level1, level2);
    EXPECT_EQ(level1, 32);
}

TEST(OutputLevels, CorrectedLevelIsSavedBack) {
    struct Case {
        int model, stored, saved;
    };
    for (const Case& c : {Case{0xC020, 300, 32}, Case{0xB116, 9, 0}, Case{0xA020, 300, 300}}) {
        SCOPED_TRACE(c.model);
        MemorySettingsStore store;
        const std::string key = deviceKeyPath(ModuleKey::System, 0);
        store.writeNumber(key, "OutLevel 0", static_cast<std::uint32_t>(c.stored));
        SystemSettings settings;
        ASSERT_TRUE(readSystemSettings(store, key, "C:\\", settings));
        applyStartupOutputLevels(recordingDriver(), 1, c.model, settings.outputLevel1, settings.outputLevel2);
        ASSERT_TRUE(writeSystemSettings(store, key, settings, 1033));
        EXPECT_EQ(store.readNumber(key, "OutLevel 0"), static_cast<std::uint32_t>(c.saved));
    }
}

} // namespace
} // namespace qv
