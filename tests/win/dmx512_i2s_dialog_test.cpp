// The DMX512 and I2S dialogs' wiring: Generate Values into the value edit, Run with no values back
// to idle, a refused setting that leaves each dialog open, Run on a virtual instrument with a
// second Run beeping and Stop, DMX512's Convert to the Wave Editor, and I2S's channel spin, Sample,
// Export and Import. The builders are tested natively, their captures by sigrok (tests/cli).
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "app/controls.h"
#include "device/driver_loader.h"
#include "generators/dmx512_dialog.h"
#include "generators/generator_dialog.h"
#include "generators/i2s_dialog.h"
#include "resource.h"
#include "waveedit/handoff.h"
#include "waveedit/wave_editor.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commctrl.h>

#include <filesystem>

namespace qv::win::test {
namespace {

class DmxI2sDialogTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        setGeneratorBeep([this] { ++beeps; });
        createWindow();
        setMessageBoxScript([this](const ShownMessage& shown) {
            shownBoxes.push_back(shown);
            return IDOK;
        });
    }
    void TearDown() override {
        if (app().openDialog) SendMessageW(app().openDialog, WM_CLOSE, 0, 0);
        pumpMessages();
        setGeneratorBeep({});
        setFileNameAsker({});
        ShellTest::TearDown();
    }
    static void click(HWND dialog, int control) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0);
    }
    static void spin(HWND dialog, int control, int delta) {
        NMUPDOWN change{};
        change.hdr.hwndFrom = GetDlgItem(dialog, control);
        change.hdr.idFrom = static_cast<UINT_PTR>(control);
        change.hdr.code = UDN_DELTAPOS;
        change.iDelta = delta;
        SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(control), reinterpret_cast<LPARAM>(&change));
    }
    static void waitForRunEnd() {
        for (int i = 0; i < 100 && !waitForOutputThread(10); ++i) pumpMessages();
        pumpMessages();
    }
    void expectRefused(HWND dialog, int run, Msg message) {
        shownBoxes.clear();
        click(dialog, run);
        waitForRunEnd();
        ASSERT_EQ(shownBoxes.size(), 1u);
        EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(message));
        EXPECT_EQ(generatorFlags().running.load(), 0);
        EXPECT_EQ(app().openDialog, dialog);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, run)));
    }
    // Run, the output active, a second Run that beeps, Stop back to idle; the capture has the wire.
    void runAndStop(HWND dialog, int run, int stop, const std::string& capture, const char* wire) {
        shownBoxes.clear();
        click(dialog, run);
        for (int i = 0; i < 100 && generatorFlags().outputActive.load() == 0; ++i) {
            Sleep(50);
            pumpMessages();
        }
        ASSERT_EQ(generatorFlags().outputActive.load(), 1)
            << shownBoxes.size() << " boxes, first " << (shownBoxes.empty() ? 0 : shownBoxes[0].stringId);
        click(dialog, run);
        EXPECT_EQ(beeps, 1);
        click(dialog, stop);
        EXPECT_EQ(generatorFlags().running.load(), 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, run)));
        EXPECT_TRUE(shownBoxes.empty());
        const std::string text(qv::test::readText(capture));
        EXPECT_NE(text.find(wire), std::string::npos) << text.substr(0, 300);
    }

    int beeps = 0;
};

TEST_F(DmxI2sDialogTest, Dmx512GeneratesValuesRefusesAChannelRunsAndConverts) {
    const std::string capture = folder.file("dmx.vcd");
    DriverLoad load = attachVirtualInstrument(0xC020, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    openDmx512Tool(window, ID_TOOL_DMX512, 0);
    HWND dmx = dmx512ToolWindow();
    ASSERT_NE(dmx, nullptr);
    EXPECT_EQ(fieldText(dmx, IDC_GEN_RATE), L"250");
    EXPECT_EQ(fieldText(dmx, IDC_DMX_MINUS), L"1");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dmx, IDC_DMX_VALUES)));
    EXPECT_EQ(HIWORD(SendMessageW(dmx, DM_GETDEFID, 0, 0)), DC_HASDEFID);
    EXPECT_EQ(LOWORD(SendMessageW(dmx, DM_GETDEFID, 0, 0)), IDC_DMX_RUN);

    // No values: Run goes back to idle, silently.
    click(dmx, IDC_DMX_RUN);
    waitForRunEnd();
    EXPECT_EQ(generatorFlags().running.load(), 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dmx, IDC_DMX_RUN)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dmx, IDC_DMX_PLUS)));
    EXPECT_TRUE(shownBoxes.empty());

    // Manual items: 3 random values, one per line.
    click(dmx, IDC_DMX_ITEMS);
    setFieldText(dmx, IDC_DMX_ITEMS_COUNT, std::string("3"));
    click(dmx, IDC_DMX_GENERATE);
    EXPECT_EQ(fieldText(dmx, IDC_DMX_VALUES).size(), 12u);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dmx, IDC_DMX_VALUES)));

    // The D+ spin wraps at 18 on a 20-channel model; 19 typed is refused at Run.
    setFieldText(dmx, IDC_DMX_PLUS, std::string("18"));
    spin(dmx, IDC_DMX_PLUS_SPIN, 1);
    EXPECT_EQ(fieldText(dmx, IDC_DMX_PLUS), L"0");
    setFieldText(dmx, IDC_DMX_PLUS, std::string("19"));
    EXPECT_EQ(fieldText(dmx, IDC_DMX_MINUS), L"20");
    expectRefused(dmx, IDC_DMX_RUN, Msg::ErrorChannelSetting);

    setFieldText(dmx, IDC_DMX_PLUS, std::string("4"));
    setFieldText(dmx, IDC_DMX_MBB, std::string("1"));
    setChecked(dmx, IDC_GEN_REPEAT, true);
    runAndStop(dmx, IDC_DMX_RUN, IDC_DMX_STOP, capture, "ch5 $end");

    // Convert: the hand-off files with D+ and D-, the tool closed, the Wave Editor open.
    useToolTable({});
    click(dmx, IDC_DMX_CONVERT);
    pumpMessages();
    pumpMessages();
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_TRUE(std::filesystem::exists(handoffSamplePath(folder.path())));
    const std::string labels(qv::test::readText(handoffLabelPath(folder.path())));
    EXPECT_NE(labels.find("DMX512_D-"), std::string::npos);
    EXPECT_EQ(dmx512ToolWindow(), nullptr);
    EXPECT_NE(waveEditorWindow(), nullptr);
    EXPECT_EQ(store.readNumber(app().keyPath(ModuleKey::WaveEdit), "iBaseFreq").value_or(0), 250000u);
    if (HWND editorWindow = waveEditorWindow()) SendMessageW(editorWindow, WM_CLOSE, 0, 0);
    detachVirtualInstrument(load);
}

TEST_F(DmxI2sDialogTest, I2sFollowsItsChannelsRefusesAChannelAndAStatementRunsAndExchangesItsText) {
    const std::string capture = folder.file("i2s.vcd");
    DriverLoad load = attachVirtualInstrument(0xC350, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    openI2sTool(window, ID_TOOL_I2S, 0);
    HWND i2s = i2sToolWindow();
    ASSERT_NE(i2s, nullptr);
    EXPECT_EQ(comboSelection(i2s, IDC_I2S_WIDTH), 1);
    EXPECT_EQ(fieldText(i2s, IDC_I2S_CLOCK), L"2.5");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(i2s, IDC_I2S_PRESET_CLOCK)));
    click(i2s, IDC_I2S_PRESET);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(i2s, IDC_I2S_PRESET_CLOCK)));
    setChecked(i2s, IDC_I2S_PRESET, true);
    click(i2s, IDC_I2S_PRESET);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(i2s, IDC_I2S_PRESET_CLOCK)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(i2s, IDC_I2S_CLOCK)));

    // The SCK spin wraps below 0 to 47, WS and SD following.
    spin(i2s, IDC_I2S_SCK_SPIN, -1);
    EXPECT_EQ(fieldText(i2s, IDC_I2S_SCK), L"47");
    EXPECT_EQ(fieldText(i2s, IDC_I2S_SD), L"49");
    setFieldText(i2s, IDC_I2S_SCK, std::string("48"));
    click(i2s, IDC_I2S_SAMPLE);
    expectRefused(i2s, IDC_I2S_RUN, Msg::ErrorChannelSetting);
    setFieldText(i2s, IDC_I2S_SCK, std::string("6"));
    EXPECT_EQ(fieldText(i2s, IDC_I2S_WS), L"7");
    setFieldText(i2s, IDC_I2S_TEXT, std::string("L=1, R=2; L=3;"));
    expectRefused(i2s, IDC_I2S_RUN, Msg::I2sStatementUnreadable);

    // Export, clear, Import: the same text back.
    click(i2s, IDC_I2S_SAMPLE);
    const std::string path = folder.file("words.txt");
    setFileNameAsker([&](FileNameRequest&, std::string& chosen) {
        chosen = path;
        return true;
    });
    shownBoxes.clear();
    click(i2s, IDC_I2S_EXPORT);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ExportOk));
    setFieldText(i2s, IDC_I2S_TEXT, std::wstring());
    click(i2s, IDC_I2S_IMPORT);
    EXPECT_EQ(fieldText(i2s, IDC_I2S_TEXT), L"L=75F5, R=5C75;\r\nL=DD35, R=65D1;");

    setChecked(i2s, IDC_I2S_PRESET, false);
    click(i2s, IDC_I2S_PRESET);
    selectComboIndex(i2s, IDC_I2S_WIDTH, 4);
    setChecked(i2s, IDC_I2S_REPEAT, true);
    runAndStop(i2s, IDC_I2S_RUN, IDC_I2S_STOP, capture, "ch8 $end");
    detachVirtualInstrument(load);
}

} // namespace
} // namespace qv::win::test
