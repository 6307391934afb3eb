// Model table, capability derivation and output-level correction.
#include "app/models.h"
#include "support/strings.h"

#include <gtest/gtest.h>

#include <set>

namespace qv {

struct ModelCase {
    int code;
    int channels;
    int depth;
    int maxClock;
    int perGroup;
};

TEST(Models, EveryCodeOfTheTableAndTheFallback) {
    const ModelCase cases[] = {
        {0xA020, 20, 65536, 100000000, 10},  {0xA050, 50, 65536, 100000000, 10},  {0xB016, 16, 65536, 100000000, 8},
        {0xB116, 16, 131072, 100000000, 8},  {0xB316, 16, 524288, 100000000, 8},  {0xB416, 16, 1048576, 100000000, 8},
        {0xB816, 16, 65536, 200000000, 8},   {0xBB16, 16, 524288, 200000000, 8},  {0xC020, 20, 65536, 100000000, 10},
        {0xC050, 50, 65536, 100000000, 10},  {0xC120, 20, 131072, 100000000, 10}, {0xC150, 50, 131072, 100000000, 10},
        {0xC320, 20, 524288, 100000000, 10}, {0xC350, 50, 524288, 100000000, 10}, {0xC816, 16, 65536, 200000000, 8},
        {0xCB16, 16, 524288, 200000000, 8},  {0xCD16, 16, 2097152, 200000000, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        Capabilities caps = capabilitiesFor(c.code);
        EXPECT_EQ(caps.channelCount, c.channels);
        EXPECT_EQ(caps.memoryDepthBytes, c.depth * 8);
        EXPECT_EQ(caps.sampleBufferBytes, (c.depth + 22) * 8);
        EXPECT_EQ(caps.usableSampleBytes, (c.depth - 24) * 8);
        EXPECT_EQ(caps.maxOutputFrequency, c.maxClock);
        EXPECT_EQ(caps.channelsPerGroup, c.perGroup);
        EXPECT_EQ(is200MHzModel(c.code), c.maxClock == 200000000);
        EXPECT_EQ(isSixteenChannelModel(c.code), c.channels == 16);
    }
    for (int code : {0, 0x1234, 0xC351}) {
        SCOPED_TRACE(code);
        Capabilities caps = capabilitiesFor(code);
        EXPECT_EQ(caps.channelCount, 50);
        EXPECT_EQ(caps.memoryDepthBytes, 1048576 * 8);
        EXPECT_EQ(caps.usableSampleBytes, 524264 * 8);
        EXPECT_EQ(caps.maxOutputFrequency, 100000000);
        EXPECT_FALSE(isCSetModel(code));
        EXPECT_FALSE(is200MHzModel(code));
    }
}

TEST(Models, LevelCorrectionAndSets) {
    EXPECT_EQ(correctedVoltsLevel(300), 32);
    EXPECT_EQ(correctedVoltsLevel(-1), 32);
    EXPECT_EQ(correctedVoltsLevel(255), 255);
    EXPECT_EQ(correctedNamedLevel(9), 0);
    EXPECT_EQ(correctedNamedLevel(7), 7);
    std::set<int> cSet;
    for (int code = 0; code < 0x10000; ++code)
        if (isCSetModel(code)) cSet.insert(code);
    EXPECT_EQ(cSet, (std::set<int>{0xC020, 0xC050, 0xC120, 0xC150, 0xC320, 0xC350}));
    EXPECT_TRUE(hasSecondLevelBar(0xC150));
    EXPECT_FALSE(hasSecondLevelBar(0xC320));
}

TEST(Models, ParseModelCode) {
    EXPECT_EQ(parseModelCode("0xC350"), 0xC350);
    EXPECT_EQ(parseModelCode("CD16"), 0xCD16);
    EXPECT_EQ(parseModelCode("0"), 0);
    EXPECT_EQ(parseModelCode("0xZZ"), -1);
    EXPECT_EQ(parseModelCode(""), -1);
}

TEST(StringCatalogue, IdsUniqueAndEveryLanguageFilled) {
    std::set<int> ids;
    for (const auto& entry : catalogue()) {
        SCOPED_TRACE(entry.id);
        EXPECT_TRUE(ids.insert(entry.id).second) << "duplicate id";
        EXPECT_STRNE(entry.english, "");
        EXPECT_STRNE(entry.traditional, "");
        EXPECT_STRNE(entry.simplified, "");
    }
    EXPECT_EQ(text(Msg::DemoMode), "Enter DEMO mode.(No QV)");
    EXPECT_EQ(text(10104, Language::TraditionalChinese), "\\twQV.chm");
}

} // namespace qv
