// The registry store under Wine: the machine key with its user-key fallback, values of the wrong
// type or size, texts stored without a NUL, and the settings model over the real registry.
#include "app/registry_store.h"
#include "app/settings.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace qv::win {
namespace {

// Each test gets two fresh roots under HKEY_CURRENT_USER standing for the machine and the user
// hive. A read-only machine root is a volatile key (no ordinary key can be created below it) whose
// existing subkeys only grant reading, which is how HKEY_LOCAL_MACHINE looks to a process without
// elevation.
class RegistryRoots : public testing::Test {
  protected:
    void SetUp() override {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        base_ = "Software\\QvTests\\" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(now.QuadPart);
        ASSERT_TRUE(makeRoot(base_ + "\\User", 0, user_));
    }
    void TearDown() override {
        if (machine_) RegCloseKey(machine_);
        RegCloseKey(user_);
        // The read-only machine root is volatile and goes with the Wine session.
        RegDeleteTreeA(HKEY_CURRENT_USER, (base_ + "\\User").c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, (base_ + "\\Machine").c_str());
    }
    void useWritableMachine() { ASSERT_TRUE(makeRoot(base_ + "\\Machine", 0, machine_)); }
    void useReadOnlyMachine() { ASSERT_TRUE(makeRoot(base_ + "\\ReadOnlyMachine", REG_OPTION_VOLATILE, machine_)); }

    // Seeds values under a read-only machine root and then takes write access away from their key.
    void seedReadOnly(const std::string& key, std::initializer_list<std::pair<const char*, DWORD>> values) {
        HKEY handle = nullptr;
        ASSERT_EQ(RegCreateKeyExA(machine_, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  &handle, nullptr),
                  ERROR_SUCCESS);
        for (const auto& [name, number] : values)
            ASSERT_EQ(RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
                      ERROR_SUCCESS);
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                         nullptr));
        EXPECT_EQ(RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
        LocalFree(readOnly);
        RegCloseKey(handle);
    }

    void setRaw(HKEY root, const std::string& key, const char* name, DWORD type, const void* data, DWORD size) {
        HKEY handle = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(handle);
    }

    static bool hasKey(HKEY root, const std::string& key) {
        HKEY handle = nullptr;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return false;
        RegCloseKey(handle);
        return true;
    }

    static DWORD typeOf(HKEY root, const std::string& key, const char* name) {
        DWORD type = REG_NONE;
        RegGetValueA(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, nullptr);
        return type;
    }

    RegistrySettingsStore store() const { return RegistrySettingsStore(machine_, user_); }

    std::string base_;
    HKEY machine_ = nullptr;
    HKEY user_ = nullptr;
    const std::string systemKey = deviceKeyPath(ModuleKey::System, 0);

  private:
    static bool makeRoot(const std::string& path, DWORD options, HKEY& root) {
        return RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &root,
                               nullptr) == ERROR_SUCCESS;
    }
};

TEST_F(RegistryRoots, WritableMachineKeyIsUsedAndTheUserKeyLeftAlone) {
    useWritableMachine();
    auto settings = store();
    EXPECT_FALSE(settings.keyExists(systemKey));
    EXPECT_TRUE(settings.writeNumber(systemKey, "OnlineUpdate", 0));
    EXPECT_TRUE(hasKey(machine_, systemKey));
    EXPECT_FALSE(hasKey(user_, systemKey));
    EXPECT_TRUE(settings.keyExists(systemKey));
    EXPECT_EQ(settings.readNumber(systemKey, "OnlineUpdate"), 0u);
}

TEST_F(RegistryRoots, ReadOnlyMachineFallsBackToTheUserKey) {
    useReadOnlyMachine();
    auto settings = store();
    EXPECT_TRUE(settings.createKey(systemKey));
    EXPECT_TRUE(settings.writeText(systemKey, "Work Directory", "C:\\work"));
    EXPECT_TRUE(hasKey(user_, systemKey));
    EXPECT_FALSE(hasKey(machine_, systemKey));
    EXPECT_EQ(settings.readText(systemKey, "Work Directory"), "C:\\work");
}

TEST_F(RegistryRoots, UserValueFirstThenMachineValue) {
    useReadOnlyMachine();
    seedReadOnly(systemKey, {{"OutLevel 0", 100}, {"OutLevel 1", 101}});
    auto settings = store();
    EXPECT_TRUE(settings.keyExists(systemKey));
    EXPECT_EQ(settings.readNumber(systemKey, "OutLevel 0"), 100u);

    // The machine key exists but refuses writing: the new value lands in the user key and wins.
    EXPECT_TRUE(settings.writeNumber(systemKey, "OutLevel 0", 7));
    EXPECT_EQ(settings.readNumber(systemKey, "OutLevel 0"), 7u);
    EXPECT_EQ(settings.readNumber(systemKey, "OutLevel 1"), 101u);
    EXPECT_FALSE(settings.readNumber(systemKey, "OnlineUpdate").has_value());
}

TEST_F(RegistryRoots, ExistingUserKeyIsKeptCurrentWhenTheMachineKeyIsWritable) {
    useWritableMachine();
    const DWORD old = 3;
    setRaw(user_, systemKey, "OutLevel 0", REG_DWORD, &old, 4);
    auto settings = store();
    EXPECT_TRUE(settings.writeNumber(systemKey, "OutLevel 0", 200));
    EXPECT_EQ(settings.readNumber(systemKey, "OutLevel 0"), 200u);
    EXPECT_EQ(RegistrySettingsStore(machine_, machine_).readNumber(systemKey, "OutLevel 0"), 200u);
}

TEST_F(RegistryRoots, NothingWritableReportsFailure) {
    useReadOnlyMachine();
    HKEY readOnlyUser = nullptr;
    // A user root that is volatile too: neither side can take an ordinary key.
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (base_ + "\\VolatileUser").c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &readOnlyUser, nullptr),
              ERROR_SUCCESS);
    RegistrySettingsStore settings(machine_, readOnlyUser);
    EXPECT_FALSE(settings.createKey(systemKey));
    EXPECT_FALSE(settings.writeNumber(systemKey, "OnlineUpdate", 1));
    EXPECT_FALSE(writeSystemSettings(settings, systemKey, SystemSettings{}, 1033));
    RegCloseKey(readOnlyUser);
}

TEST_F(RegistryRoots, WrongTypeOrSizeReadsAsMissing) {
    useWritableMachine();
    const DWORD four = 4;
    const unsigned long long eight = 8;
    const char text[] = "12";
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
        bool number;
        bool isText;
    };
    const Case cases[] = {
        {"dword", REG_DWORD, &four, 4, true, false},
        {"dword of 8 bytes", REG_DWORD, &eight, 8, false, false},
        {"dword of 2 bytes", REG_DWORD, &four, 2, false, false},
        {"binary of 4 bytes", REG_BINARY, &four, 4, false, false},
        {"qword", REG_QWORD, &eight, 8, false, false},
        {"text", REG_SZ, text, 3, false, true},
        {"expandable text", REG_EXPAND_SZ, text, 3, false, false},
        {"multi text", REG_MULTI_SZ, "12\0\0", 4, false, false},
    };
    auto settings = store();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setRaw(machine_, systemKey, "Value", c.type, c.data, c.size);
        EXPECT_EQ(settings.readNumber(systemKey, "Value").has_value(), c.number);
        EXPECT_EQ(settings.readText(systemKey, "Value").has_value(), c.isText);
    }
}

TEST_F(RegistryRoots, TextsEndAtTheirNulOrAtTheEndOfTheData) {
    useWritableMachine();
    auto settings = store();
    setRaw(machine_, systemKey, "StartPath", REG_SZ, "C:\\abc", 6); // no NUL stored
    EXPECT_EQ(settings.readText(systemKey, "StartPath"), "C:\\abc");
    setRaw(machine_, systemKey, "StartPath", REG_SZ, "C:\\a\0tail", 10);
    EXPECT_EQ(settings.readText(systemKey, "StartPath"), "C:\\a");
    setRaw(machine_, systemKey, "StartPath", REG_SZ, "", 0);
    EXPECT_EQ(settings.readText(systemKey, "StartPath"), "");

    // Written texts carry their NUL.
    ASSERT_TRUE(settings.writeText(systemKey, "StartPath", "C:\\xyz"));
    DWORD size = 0;
    RegGetValueA(machine_, systemKey.c_str(), "StartPath", RRF_RT_ANY | RRF_NOEXPAND, nullptr, nullptr, &size);
    EXPECT_EQ(size, 7u);
}

TEST_F(RegistryRoots, SystemSettingsFirstRunThenRoundTrip) {
    useReadOnlyMachine();
    auto settings = store();
    SystemSettings system;
    EXPECT_FALSE(readSystemSettings(settings, systemKey, "C:\\cur", system));
    EXPECT_EQ(system.outputLevel1, 32);
    system.outputLevel1 = 12;
    system.placement = {-4, 10, 900, 700, 1};
    system.workDirectory = "C:\\cur";
    ASSERT_TRUE(writeSystemSettings(settings, systemKey, system, 1028));

    SystemSettings read;
    EXPECT_TRUE(readSystemSettings(settings, systemKey, "C:\\elsewhere", read));
    EXPECT_EQ(read.outputLevel1, 12);
    EXPECT_EQ(read.outputLevel2, 32);
    EXPECT_EQ(read.language, std::optional<std::uint16_t>(1028));
    EXPECT_EQ(read.workDirectory, "C:\\cur");
    EXPECT_EQ(read.placement, system.placement);
}

TEST_F(RegistryRoots, WrongTypedSystemValuesTakeDefaultsAndAreRewrittenCorrectly) {
    useWritableMachine();
    const DWORD wide = 0x12345678;
    setRaw(machine_, systemKey, "OutLevel 0", REG_SZ, "300", 4);
    setRaw(machine_, systemKey, "OnlineUpdate", REG_BINARY, &wide, 2);
    setRaw(machine_, systemKey, "Work Directory", REG_DWORD, &wide, 4);
    setRaw(machine_, systemKey, "Main Window Left", REG_SZ, "5", 2);
    auto settings = store();
    SystemSettings system;
    ASSERT_TRUE(readSystemSettings(settings, systemKey, "C:\\cur", system));
    EXPECT_EQ(system.outputLevel1, 0);
    EXPECT_EQ(system.onlineUpdate, 1);
    EXPECT_EQ(system.workDirectory, "C:\\cur");
    EXPECT_EQ(system.placement, Placement{});

    ASSERT_TRUE(writeSystemSettings(settings, systemKey, system, 1033));
    EXPECT_EQ(typeOf(machine_, systemKey, "OutLevel 0"), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(typeOf(machine_, systemKey, "OnlineUpdate"), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(typeOf(machine_, systemKey, "Work Directory"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(settings.readNumber(systemKey, "OnlineUpdate"), 1u);
    EXPECT_EQ(settings.readNumber(systemKey, "Main Window Left"), 0u);
}

TEST_F(RegistryRoots, StartPathAndCountersOverTheRegistry) {
    useReadOnlyMachine();
    auto settings = store();
    const std::string uart = deviceKeyPath(ModuleKey::Uart, 2);
    std::string buffer = "C:\\a\\long\\start\\path\\here";
    writeStartPath(settings, uart, buffer);
    writeStartPath(settings, uart, "C:\\s");
    EXPECT_TRUE(readStartPath(settings, uart, "C:\\work", buffer));
    EXPECT_EQ(buffer, "C:\\s");

    const std::string sync = deviceKeyPath(ModuleKey::SyncCnt, 2);
    SyncCounterSettings counter;
    EXPECT_FALSE(readSyncCounterSettings(settings, sync, counter));
    EXPECT_EQ(counter.binaryCode, 1);
    settings.writeNumber(sync, "IDC_WIDTH", 4);
    EXPECT_TRUE(readSyncCounterSettings(settings, sync, counter));
    EXPECT_EQ(counter.binaryCode, 0);
    EXPECT_EQ(counter.width, 4);

    const std::string waveEdit = deviceKeyPath(ModuleKey::WaveEdit, 2);
    writeBaseFrequency(settings, waveEdit, 1234);
    WaveEditSettings wave;
    EXPECT_TRUE(readWaveEditSettings(settings, waveEdit, wave));
    EXPECT_EQ(wave.baseFrequency, 1234);
    EXPECT_EQ(wave.saveMode, 1);
    EXPECT_EQ(wave.cursorChange, 10);
}

} // namespace
} // namespace qv::win
