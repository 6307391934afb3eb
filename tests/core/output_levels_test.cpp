// Output-level correction at start-up: ranges by model, the qvAdjVolt calls made, and the corrected
// value saved back at exit.
#include "app/output_levels.h"
#include "app/settings.h"

#include "recording_driver.h"

#include <gtest/gtest.h>

#include <string>
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

// Properties: the bars a model offers, their ranges, the level texts and the scroll steps.
TEST(OutputLevels, PropertiesBarsByModel) {
    int level1 = 12;
    auto bars = levelBarsFor(0xB016, level1, 40);
    EXPECT_EQ(level1, 0) << "a stored named level out of range shows and keeps the first one";
    EXPECT_TRUE(bars[0].enabled);
    EXPECT_EQ(bars[0].maximum, 7);
    EXPECT_EQ(bars[0].page, 1);
    EXPECT_EQ(bars[0].text, "5.0V");
    EXPECT_FALSE(bars[1].enabled);

    level1 = 255;
    bars = levelBarsFor(0xC150, level1, 0);
    EXPECT_EQ(bars[0].text, "1.5V");
    EXPECT_EQ(bars[0].page, 8);
    EXPECT_TRUE(bars[1].enabled);
    EXPECT_EQ(bars[1].text, "5.5V");
    EXPECT_FALSE(levelBarsFor(0xC120, level1, 0)[1].enabled);
    EXPECT_FALSE(levelBarsFor(0xA050, level1, 0)[0].enabled);
    EXPECT_EQ(levelBarText(0xB016, 0, 1), "3.3V");
    EXPECT_EQ(levelBarText(0xB016, 1, 0), "5.5V");

    EXPECT_EQ(scrolledLevel(0, ScrollRequest::LineLess, 0, 255, 8), 0);
    EXPECT_EQ(scrolledLevel(250, ScrollRequest::PageMore, 0, 255, 8), 255);
    EXPECT_EQ(scrolledLevel(20, ScrollRequest::PageLess, 0, 255, 8), 12);
    EXPECT_EQ(scrolledLevel(6, ScrollRequest::LineMore, 0, 7, 1), 7);
    EXPECT_EQ(scrolledLevel(6, ScrollRequest::Track, 300, 255, 8), 255);
    EXPECT_EQ(scrolledLevel(6, ScrollRequest::Other, 0, 255, 8), 6);
}

// After Properties' OK: the levels once more after a reset, as one group of calls that waits for
// another process's hold, running the caller's idle step meanwhile.
TEST(OutputLevels, ResendAfterPropertiesAndModelRead) {
    const Driver driver = test::recordingDriver();
    auto& calls = test::driverRecording.calls;
    test::driverRecording = {};
    DriverInterlock lock;

    calls.clear();
    int level1 = 9;
    resendOutputLevels(driver, 2, lock, 0xB016, level1, 40);
    EXPECT_EQ(level1, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"reset", "adjvolt 0 0", "powerdown"}));

    calls.clear();
    lock.externalHold = 1;
    int idleSteps = 0;
    level1 = 100;
    resendOutputLevels(driver, 2, lock, 0xC020, level1, 60, [&] {
        EXPECT_TRUE(calls.empty()) << "a call while the hold was set";
        if (++idleSteps == 2) lock.externalHold = 0;
    });
    EXPECT_EQ(idleSteps, 2);
    EXPECT_EQ(calls, (std::vector<std::string>{"reset", "adjvolt 0 100", "adjvolt 1 60", "powerdown"}));
    EXPECT_EQ(lock.driverBusy.load(), 0);

    calls.clear();
    resendOutputLevels(driver, 2, lock, 0xA020, level1, 60);
    EXPECT_TRUE(calls.empty()) << "no level control, no calls";

    EXPECT_EQ(readModelCode(driver, 2, lock), 0xC350);
    EXPECT_EQ(calls, (std::vector<std::string>{"reset", "status"}));
    calls.clear();
    EXPECT_EQ(readModelCode(driver, noDevice, lock), 0);
    EXPECT_TRUE(calls.empty());
}

} // namespace
} // namespace qv
