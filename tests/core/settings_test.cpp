// The settings model over an in-memory store: key paths, defaults for a missing key and for a
// missing value, bounded texts, the placement that stops at the first gap, the shared start path.
#include "app/settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qv {
namespace {

const std::string systemKey = deviceKeyPath(ModuleKey::System, 0);
const std::string waveEditKey = deviceKeyPath(ModuleKey::WaveEdit, 0);
const std::string syncKey = deviceKeyPath(ModuleKey::SyncCnt, 0);
const std::string asyncKey = deviceKeyPath(ModuleKey::AsyncCnt, 0);

TEST(SettingsKeys, PerDevicePathsOfEveryModule) {
    const KeyPaths paths = deviceKeyPaths(3);
    const char* expected[] = {"System", "Script",   "SyncCnt", "AsyncCnt", "Uart", "WaveEdit", "Altera2Wav",
                              "La2Wav", "Text2Wav", "Bin2Wav", "Spp",      "Spi",  "VhdlWav"};
    ASSERT_EQ(paths.size(), std::size(expected));
    for (std::size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(paths[i], std::string("SOFTWARE\\Tavro\\QV\\") + expected[i] + "\\3");
    EXPECT_EQ(deviceKeyPath(ModuleKey::Spi, 12), "SOFTWARE\\Tavro\\QV\\Spi\\12");
    EXPECT_EQ(deviceKeyPath(ModuleKey::System, -1), "SOFTWARE\\Tavro\\QV\\System\\-1");
}

TEST(SystemSettings, FirstRunGivesTheMissingKeyDefaults) {
    MemorySettingsStore store;
    SystemSettings settings;
    settings.outputLevel1 = 7; // must be overwritten
    EXPECT_FALSE(readSystemSettings(store, systemKey, "C:\\start", settings));
    EXPECT_EQ(settings.workDirectory, "C:\\start");
    EXPECT_FALSE(settings.language.has_value());
    EXPECT_EQ(settings.outputLevel1, 32);
    EXPECT_EQ(settings.outputLevel2, 32);
    EXPECT_EQ(settings.onlineUpdate, 1);
    EXPECT_EQ(settings.placement, (Placement{0, 0, 639, 479, 0}));
}

TEST(SystemSettings, KeyWithoutValuesGivesTheMissingValueDefaults) {
    MemorySettingsStore store;
    store.createKey(systemKey);
    SystemSettings settings;
    EXPECT_TRUE(readSystemSettings(store, systemKey, "C:\\start", settings));
    EXPECT_EQ(settings.workDirectory, "C:\\start");
    EXPECT_EQ(settings.outputLevel1, 0);
    EXPECT_EQ(settings.outputLevel2, 0);
    EXPECT_EQ(settings.onlineUpdate, 1);
    EXPECT_EQ(settings.placement, Placement{});
}

TEST(SystemSettings, WriteThenReadKeepsEveryValue) {
    MemorySettingsStore store;
    SystemSettings written;
    written.workDirectory = "D:\\work";
    written.outputLevel1 = 200;
    written.outputLevel2 = 5;
    written.onlineUpdate = 0;
    written.placement = {-8, -8, 1288, 1008, 1};
    ASSERT_TRUE(writeSystemSettings(store, systemKey, written, 2052));
    EXPECT_EQ(store.readNumber(systemKey, "Language"), 2052u);
    EXPECT_EQ(store.readNumber(systemKey, "Main Window Left"), 0xFFFFFFF8u);

    SystemSettings read;
    ASSERT_TRUE(readSystemSettings(store, systemKey, "C:\\other", read));
    EXPECT_EQ(read.workDirectory, "D:\\work");
    EXPECT_EQ(read.language, std::optional<std::uint16_t>(2052));
    EXPECT_EQ(read.outputLevel1, 200);
    EXPECT_EQ(read.outputLevel2, 5);
    EXPECT_EQ(read.onlineUpdate, 0);
    EXPECT_EQ(read.placement, written.placement);
}

TEST(SystemSettings, WriteFailsOnlyWhenTheKeyCannotBeCreated) {
    MemorySettingsStore store;
    store.readOnly = true;
    EXPECT_FALSE(writeSystemSettings(store, systemKey, SystemSettings{}, 1033));
}

// A store in which writing one named value fails; it records the names of the values written.
class OneValueFails final : public SettingsStore {
  public:
    explicit OneValueFails(std::string failing) : failing_(std::move(failing)) {}
    bool keyExists(const std::string& key) const override { return store_.keyExists(key); }
    std::optional<std::uint32_t> readNumber(const std::string& key, const std::string& value) const override {
        return store_.readNumber(key, value);
    }
    std::optional<std::string> readText(const std::string& key, const std::string& value) const override {
        return store_.readText(key, value);
    }
    bool writeNumber(const std::string& key, const std::string& value, std::uint32_t number) override {
        return value != failing_ && (written.push_back(value), store_.writeNumber(key, value, number));
    }
    bool writeText(const std::string& key, const std::string& value, const std::string& text) override {
        return value != failing_ && (written.push_back(value), store_.writeText(key, value, text));
    }
    bool createKey(const std::string& key) override { return store_.createKey(key); }
    std::vector<std::string> written;

  private:
    std::string failing_;
    MemorySettingsStore store_;
};

// A value that cannot be written is skipped: every other value of the module is still written.
TEST(SettingsWrites, OneFailingValueDoesNotStopTheOthers) {
    const std::function<void(SettingsStore&)> writers[] = {
        [](SettingsStore& s) { writeSystemSettings(s, systemKey, SystemSettings{}, 1033); },
        [](SettingsStore& s) { writeWaveEditSettings(s, waveEditKey, WaveEditSettings{}); },
        [](SettingsStore& s) { writeSyncCounterSettings(s, syncKey, SyncCounterSettings{}); },
        [](SettingsStore& s) { writeAsyncCounterSettings(s, asyncKey, AsyncCounterSettings{}); },
    };
    for (const auto& write : writers) {
        OneValueFails all("");
        write(all);
        ASSERT_GT(all.written.size(), 3u);
        for (const std::string& failing : all.written) {
            OneValueFails store(failing);
            write(store);
            std::vector<std::string> expected;
            for (const std::string& name : all.written)
                if (name != failing) expected.push_back(name);
            EXPECT_EQ(store.written, expected) << failing;
        }
    }
}

TEST(SystemSettings, UnusableValuesReadAsMissing) {
    struct Case {
        const char* what;
        std::uint32_t language;
        std::string workDirectory;
        bool languageKept;
        bool directoryKept;
    };
    const Case cases[] = {
        {"ordinary", 1028, "C:\\a", true, true},
        {"language zero", 0, "C:\\a", false, true},
        {"language wider than 16 bits", 0x10409, "C:\\a", false, true},
        {"directory fills the buffer with its NUL", 1033, std::string(259, 'd'), true, true},
        {"directory longer than the buffer", 1033, std::string(260, 'd'), true, false},
        {"empty directory", 1033, "", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySettingsStore store;
        store.writeNumber(systemKey, "Language", c.language);
        store.writeText(systemKey, "Work Directory", c.workDirectory);
        SystemSettings settings;
        ASSERT_TRUE(readSystemSettings(store, systemKey, "C:\\current", settings));
        EXPECT_EQ(settings.language.has_value(), c.languageKept);
        EXPECT_EQ(settings.workDirectory, c.directoryKept ? c.workDirectory : "C:\\current");
    }
}

TEST(Placement, ReadingStopsAtTheFirstMissingValue) {
    const char* names[] = {"Main Window Left", "Main Window Top", "Main Window Right", "Main Window Bottom",
                           "Max Flag"};
    for (int stored = 0; stored <= 5; ++stored) {
        SCOPED_TRACE(stored);
        MemorySettingsStore store;
        store.createKey(systemKey);
        // Only the values before the gap are stored, plus one after it that must not be read.
        for (int i = 0; i < stored; ++i) store.writeNumber(systemKey, names[i], 10 + i);
        if (stored < 4) store.writeNumber(systemKey, names[stored + 1], 99);
        Placement placement{1, 2, 3, 4, 5};
        EXPECT_EQ(readPlacement(store, systemKey, placement), stored == 5);
        const int expected[] = {stored > 0 ? 10 : 1, stored > 1 ? 11 : 2, stored > 2 ? 12 : 3, stored > 3 ? 13 : 4,
                                stored > 4 ? 14 : 5};
        EXPECT_EQ(placement, (Placement{expected[0], expected[1], expected[2], expected[3], expected[4]}));

        // The System read replaces an incomplete placement with the default one.
        SystemSettings settings;
        readSystemSettings(store, systemKey, "C:\\", settings);
        EXPECT_EQ(settings.placement, stored == 5 ? (Placement{10, 11, 12, 13, 14}) : Placement{});
    }
}

TEST(StartPath, SharedBufferLoadsSavesAndNeverKeepsARemnant) {
    MemorySettingsStore store;
    const std::string uartKey = deviceKeyPath(ModuleKey::Uart, 0);
    std::string buffer = "leftover";
    EXPECT_FALSE(readStartPath(store, uartKey, "C:\\work", buffer));
    EXPECT_EQ(buffer, "C:\\work");

    buffer = "C:\\a\\much\\longer\\start\\path";
    writeStartPath(store, uartKey, buffer);
    buffer = "C:\\b";
    writeStartPath(store, waveEditKey, buffer);

    EXPECT_TRUE(readStartPath(store, uartKey, "C:\\work", buffer));
    EXPECT_EQ(buffer, "C:\\a\\much\\longer\\start\\path");
    EXPECT_TRUE(readStartPath(store, waveEditKey, "C:\\work", buffer));
    EXPECT_EQ(buffer, "C:\\b");

    // A key without the value, or with a value too long for the buffer, gives the working directory.
    store.createKey(deviceKeyPath(ModuleKey::Spp, 0));
    EXPECT_TRUE(readStartPath(store, deviceKeyPath(ModuleKey::Spp, 0), "C:\\work", buffer));
    EXPECT_EQ(buffer, "C:\\work");
    store.writeText(uartKey, "StartPath", std::string(300, 'x'));
    EXPECT_TRUE(readStartPath(store, uartKey, "C:\\work", buffer));
    EXPECT_EQ(buffer, "C:\\work");
}

TEST(WaveEditSettings, KeyWithoutValuesGivesEveryDefault) {
    for (bool keyExists : {false, true}) {
        SCOPED_TRACE(keyExists);
        MemorySettingsStore store;
        if (keyExists) store.createKey(waveEditKey);
        WaveEditSettings settings;
        settings.saveMode = 0;
        settings.baseFrequency = 1;
        EXPECT_EQ(readWaveEditSettings(store, waveEditKey, settings), keyExists);
        EXPECT_EQ(settings.placement, Placement{});
        EXPECT_EQ(settings.paneDivision1, 100);
        EXPECT_EQ(settings.paneDivision2, 200);
        EXPECT_EQ(settings.paneDivision3, 300);
        EXPECT_EQ(settings.zoomIn, 0);
        EXPECT_EQ(settings.zoomOut, 0);
        EXPECT_EQ(settings.startTime, 0);
        EXPECT_EQ(settings.startLabel, 0);
        EXPECT_EQ(settings.baseFrequency, 10000000);
        EXPECT_EQ(settings.cursorChange, 10);
        EXPECT_EQ(settings.frequencyMode, 0);
        EXPECT_EQ(settings.saveMode, 1);
    }
}

TEST(WaveEditSettings, RoundTripAndBaseFrequencyWrittenAlone) {
    MemorySettingsStore store;
    writeBaseFrequency(store, waveEditKey, 25000000);
    WaveEditSettings settings;
    ASSERT_TRUE(readWaveEditSettings(store, waveEditKey, settings));
    EXPECT_EQ(settings.baseFrequency, 25000000);
    EXPECT_EQ(settings.saveMode, 1);

    WaveEditSettings written{{5, 6, 700, 800, 1}, 11, 22, 33, 2, 3, 4000, 5, 50000000, 7, 1, 0};
    writeWaveEditSettings(store, waveEditKey, written);
    ASSERT_TRUE(readWaveEditSettings(store, waveEditKey, settings));
    EXPECT_EQ(settings.placement, written.placement);
    EXPECT_EQ(settings.paneDivision3, 33);
    EXPECT_EQ(settings.startTime, 4000);
    EXPECT_EQ(settings.baseFrequency, 50000000);
    EXPECT_EQ(settings.cursorChange, 7);
    EXPECT_EQ(settings.frequencyMode, 1);
    EXPECT_EQ(settings.saveMode, 0);
    EXPECT_EQ(store.readNumber(waveEditKey, "iZoomOut"), 3u);
}

TEST(CounterSettings, BinaryCodeDependsOnWhetherTheKeyExists) {
    MemorySettingsStore store;
    SyncCounterSettings sync;
    EXPECT_FALSE(readSyncCounterSettings(store, syncKey, sync));
    EXPECT_EQ(sync.binaryCode, 1);
    EXPECT_EQ(sync.frequencyText, "10");
    EXPECT_EQ(sync.width, 10);
    EXPECT_EQ(sync.increment, 1);

    store.writeNumber(syncKey, "IDC_WIDTH", 12);
    EXPECT_TRUE(readSyncCounterSettings(store, syncKey, sync));
    EXPECT_EQ(sync.binaryCode, 0);
    EXPECT_EQ(sync.grayCode, 0);
    EXPECT_EQ(sync.width, 12);
    EXPECT_EQ(sync.increment, 1);

    store.writeNumber(syncKey, "IDC_BINCODE", 1);
    EXPECT_TRUE(readSyncCounterSettings(store, syncKey, sync));
    EXPECT_EQ(sync.binaryCode, 1);
}

TEST(CounterSettings, FrequencyTextMustFitSixteenBytes) {
    for (const auto& [text, kept] : {std::pair{std::string(15, '9'), true}, std::pair{std::string(16, '9'), false}}) {
        MemorySettingsStore store;
        store.writeText(syncKey, "IDC_FREQSZ", text);
        store.writeText(asyncKey, "IDC_FREQSZ", text);
        SyncCounterSettings sync;
        AsyncCounterSettings async;
        readSyncCounterSettings(store, syncKey, sync);
        readAsyncCounterSettings(store, asyncKey, async);
        EXPECT_EQ(sync.frequencyText, kept ? text : "10");
        EXPECT_EQ(async.frequencyText, kept ? text : "10");
    }
}

TEST(CounterSettings, AsyncDefaultsAndRoundTrips) {
    MemorySettingsStore store;
    AsyncCounterSettings async;
    async.delay = 0;
    EXPECT_FALSE(readAsyncCounterSettings(store, asyncKey, async));
    EXPECT_EQ(async.delay, 6);
    EXPECT_EQ(async.width, 10);
    EXPECT_EQ(async.frequencyText, "10");

    writeAsyncCounterSettings(store, asyncKey, {"2.5", 8, 3, 4, 9, 2, 1, 1});
    ASSERT_TRUE(readAsyncCounterSettings(store, asyncKey, async));
    EXPECT_EQ(async.frequencyText, "2.5");
    EXPECT_EQ(async.width, 8);
    EXPECT_EQ(async.increment, 3);
    EXPECT_EQ(async.startChannel, 4);
    EXPECT_EQ(async.delay, 9);
    EXPECT_EQ(async.unit, 2);
    EXPECT_EQ(async.repeat, 1);
    EXPECT_EQ(async.section, 1);

    writeSyncCounterSettings(store, syncKey, {"7", 16, 2, 1, 3, 1, 0, 0, 1});
    SyncCounterSettings sync;
    ASSERT_TRUE(readSyncCounterSettings(store, syncKey, sync));
    EXPECT_EQ(sync.frequencyText, "7");
    EXPECT_EQ(sync.width, 16);
    EXPECT_EQ(sync.unit, 3);
    EXPECT_EQ(sync.repeat, 1);
    EXPECT_EQ(sync.binaryCode, 0);
    EXPECT_EQ(sync.grayCode, 1);
}

} // namespace
} // namespace qv
