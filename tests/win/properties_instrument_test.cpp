// Properties against the virtual instrument (QvRun.dll): the names it reports, and the levels it
// holds after the bars moved, after Cancel and after OK.
#include "shell_fixture.h"

#include "app/dialog_template.h"
#include "app/properties.h"
#include "resource.h"
#include "device/driver_loader.h"

namespace qv::win::test {
namespace {

// The virtual instrument's own information codes: the level it holds per group, resets counted.
constexpr std::uint32_t levelGroup0 = 0x51560001u;
constexpr std::uint32_t levelGroup1 = 0x51560002u;
constexpr std::uint32_t resetCount = 0x5156000Au;

class PropertiesOnInstrument : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        SetEnvironmentVariableA("QVRUN_DEVICES", "0xC020:VI0001:USB:3;0xC350:VI0002:USB2:4;0xB016:VI0003:USB:5");
        load = loadDriver();
        ASSERT_EQ(load.problem, DriverProblem::None);
        const std::uint8_t* list = load.driver.qvFindDevice();
        ASSERT_TRUE(list);
        for (int i = 0; i < 3; ++i) handles[i] = load.driver.qvHasHw(list + i * deviceEntryBytes);
    }
    void TearDown() override {
        if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
        for (int handle : handles)
            if (handle > 0) load.driver.qvShutdown(handle);
        unloadDriver(load);
        SetEnvironmentVariableA("QVRUN_DEVICES", nullptr);
        ShellTest::TearDown();
    }
    HWND open(int index, int modelCode) {
        app().driver = load.driver;
        app().device = handles[index];
        app().caps = capabilitiesFor(modelCode);
        dialog = createDialogInLanguage(nullptr, propertiesDialog);
        return dialog;
    }
    std::wstring text(int control) {
        wchar_t buffer[64] = {};
        GetDlgItemTextW(dialog, control, buffer, 64);
        return buffer;
    }
    void track(int bar, int position) {
        SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, position),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, bar)));
    }
    int held(int index, std::uint32_t code) { return load.driver.qvGetHwInfo(handles[index], code); }

    DriverLoad load;
    int handles[3] = {-1, -1, -1};
    HWND dialog = nullptr;
};

TEST_F(PropertiesOnInstrument, C020LevelReachesTheInstrumentAndCancelKeepsIt) {
    app().outputLevel1 = 0;
    ASSERT_GT(handles[0], 0);
    ASSERT_TRUE(open(0, 0xC020));
    EXPECT_EQ(text(IDC_PROPERTIES_MODEL), L"QV-C020");
    EXPECT_EQ(text(IDC_PROPERTIES_INTERFACE), L"USB");
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"5.5V");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PROPERTIES_LEVEL2_BAR)));
    track(IDC_PROPERTIES_LEVEL1_BAR, 255);
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"1.5V");
    EXPECT_EQ(held(0, levelGroup0), 255);
    const int resets = held(0, resetCount);
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(held(0, levelGroup0), 255);
    EXPECT_EQ(app().outputLevel1, 255);
    EXPECT_EQ(held(0, resetCount), resets);
}

TEST_F(PropertiesOnInstrument, C350BothGroupsAndOkResendsThem) {
    app().outputLevel1 = 10;
    app().outputLevel2 = 20;
    ASSERT_GT(handles[1], 0);
    ASSERT_TRUE(open(1, 0xC350));
    EXPECT_EQ(text(IDC_PROPERTIES_INTERFACE), L"USB2");
    track(IDC_PROPERTIES_LEVEL1_BAR, 100);
    track(IDC_PROPERTIES_LEVEL2_BAR, 200);
    EXPECT_EQ(held(1, levelGroup0), 100);
    EXPECT_EQ(held(1, levelGroup1), 200);
    const int resets = held(1, resetCount);
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(held(1, resetCount), resets + 1);
    EXPECT_EQ(held(1, levelGroup0), 100);
    EXPECT_EQ(held(1, levelGroup1), 200);
}

TEST_F(PropertiesOnInstrument, SixteenChannelNamedLevels) {
    app().outputLevel1 = 12;
    ASSERT_GT(handles[2], 0);
    ASSERT_TRUE(open(2, 0xB016));
    EXPECT_EQ(text(IDC_PROPERTIES_MODEL), L"QV-B016");
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"5.0V");
    track(IDC_PROPERTIES_LEVEL1_BAR, 1);
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"3.3V");
    EXPECT_EQ(held(2, levelGroup0), 1);
}

} // namespace
} // namespace qv::win::test
