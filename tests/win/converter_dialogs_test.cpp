// The VCD and VHDL import dialogs' wiring: Browse into the file field, Load filling the signal
// list, Convert writing the hand-off files and opening the Wave Editor; a refused time scale
// asked with both texts filled. The LAW load from the main window into the Wave Editor, and Batch
// Output playing two files on a virtual instrument. The importers and the batch loop are tested
// natively.
#include "shell_fixture.h"

#include "../core/label_records.h"
#include "app/controls.h"
#include "converters/batch_dialog.h"
#include "device/driver_loader.h"
#include "generators/generator_dialog.h"
#include "resource.h"
#include "support/little_endian.h"
#include "waveedit/labels.h"
#include "waveedit/waveform_files.h"
#include "waveedit/document.h"
#include "waveedit/handoff.h"
#include "waveedit/wave_editor.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commctrl.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

namespace qv::win::test {
namespace {

class ConverterDialogTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        createWindow();
        useToolTable({});
    }
    void TearDown() override {
        setFileNameAsker({});
        if (HWND editorWindow = waveEditorWindow()) SendMessageW(editorWindow, WM_CLOSE, 0, 0);
        if (app().openDialog) SendMessageW(app().openDialog, WM_CLOSE, 0, 0);
        pumpMessages();
        ShellTest::TearDown();
    }
    static void click(HWND dialog, int control) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0);
    }
    std::string write(const char* name, const std::string& text) {
        const std::string path = folder.file(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::wstring cell(HWND dialog, int row, int column) {
        wchar_t text[64] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 64;
        SendDlgItemMessageW(dialog, IDC_IMPORT_LIST, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                            reinterpret_cast<LPARAM>(&item));
        return text;
    }
    static int rows(HWND dialog) {
        return static_cast<int>(SendDlgItemMessageW(dialog, IDC_IMPORT_LIST, LVM_GETITEMCOUNT, 0, 0));
    }
    // Convert: no message, the tool closed and the Wave Editor open on the hand-off files.
    void expectHandedOff(HWND dialog, unsigned frequency) {
        click(dialog, IDC_IMPORT_CONVERT);
        pumpMessages();
        pumpMessages();
        EXPECT_TRUE(shownBoxes.empty());
        EXPECT_TRUE(std::filesystem::exists(handoffLabelPath(folder.path())));
        EXPECT_TRUE(std::filesystem::exists(handoffSamplePath(folder.path())));
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_NE(waveEditorWindow(), nullptr);
        EXPECT_EQ(store.readNumber(app().keyPath(ModuleKey::WaveEdit), "iBaseFreq").value_or(0), frequency);
    }
};

TEST_F(ConverterDialogTest, VcdBrowsesLoadsAndConverts) {
    const std::string path = write("t.vcd",
                                   "$timescale 1us $end\n$scope module t $end\n"
                                   "$var wire 1 ! clk $end\n$var wire 4 \" bus [3:0] $end\n"
                                   "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n0!\nb0101 \"\n$end\n"
                                   "#5\n1!\n#10\n0!\n");
    FileNameRequest asked;
    setFileNameAsker([&](FileNameRequest& request, std::string& chosen) {
        asked = request;
        chosen = path;
        return true;
    });
    ASSERT_TRUE(openTool(window, ID_TOOL_VCD, 0));
    HWND dialog = app().openDialog;
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT_CONVERT)));
    click(dialog, IDC_IMPORT_BROWSE);
    EXPECT_EQ(asked.initialName, "*.vcd");
    ASSERT_EQ(asked.filters.size(), 1u);
    EXPECT_EQ(asked.filters[0].description, Msg::VcdFileFilter);
    EXPECT_EQ(toAnsi(fieldText(dialog, IDC_IMPORT_FILE)), path);

    click(dialog, IDC_IMPORT_LOAD);
    EXPECT_TRUE(shownBoxes.empty());
    ASSERT_EQ(rows(dialog), 2);
    EXPECT_EQ(cell(dialog, 0, 0), L"clk");
    EXPECT_EQ(cell(dialog, 1, 0), L"bus");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT_CONVERT)));
    // Cancel Loading drops the load; a second Load brings it back.
    click(dialog, IDC_IMPORT_CANCEL_LOADING);
    EXPECT_EQ(rows(dialog), 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT_CONVERT)));
    click(dialog, IDC_IMPORT_LOAD);
    expectHandedOff(dialog, 1000000u);
}

TEST_F(ConverterDialogTest, VcdTimeScaleBeyondTheModelIsAskedWithBothScales) {
    const std::string path = write("fast.vcd",
                                   "$timescale 1ps $end\n$var wire 1 ! a $end\n$enddefinitions $end\n"
                                   "#0\n1!\n#3\n0!\n");
    setMessageBoxScript([this](const ShownMessage& shown) {
        shownBoxes.push_back(shown);
        return IDNO;
    });
    ASSERT_TRUE(openTool(window, ID_TOOL_VCD, 0));
    HWND dialog = app().openDialog;
    setFieldText(dialog, IDC_IMPORT_FILE, fromAnsi(path));
    click(dialog, IDC_IMPORT_LOAD);
    ASSERT_EQ(shownBoxes.size(), 2u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::VcdTimescaleOutOfRange));
    EXPECT_NE(shownBoxes[0].text.find(L"(1ps)"), std::wstring::npos) << shownBoxes[0].text;
    EXPECT_NE(shownBoxes[0].text.find(L"ns)"), std::wstring::npos) << shownBoxes[0].text; // 10ns or 5ns
    EXPECT_EQ(shownBoxes[1].stringId, static_cast<int>(Msg::RateOutOfRange));
    EXPECT_EQ(rows(dialog), 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT_CONVERT)));
}

TEST_F(ConverterDialogTest, VhdlLoadsATestBenchFixesTheLeadAndConverts) {
    const std::string path = write("t.vht", R"(COMPONENT c
	PORT (
	clk : IN STD_LOGIC;
	q : OUT STD_LOGIC
	);
END COMPONENT;
BEGIN
t_prcs_clk: PROCESS
BEGIN
	FOR i IN 1 TO 4
	LOOP
		clk <= '0';
		WAIT FOR 10000 ps;
		clk <= '1';
		WAIT FOR 10000 ps;
	END LOOP;
WAIT;
END PROCESS t_prcs_clk;
)");
    ASSERT_TRUE(openTool(window, ID_TOOL_VHDL, 0));
    HWND dialog = app().openDialog;
    ASSERT_NE(dialog, nullptr);
    setFieldText(dialog, IDC_IMPORT_FILE, fromAnsi(path));
    setChecked(dialog, IDC_IMPORT_REPEAT, true);
    click(dialog, IDC_IMPORT_LOAD);
    EXPECT_TRUE(shownBoxes.empty());
    ASSERT_EQ(rows(dialog), 1);
    EXPECT_EQ(cell(dialog, 0, 0), L"clk");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT_REPEAT)));
    expectHandedOff(dialog, 100000000u);
}

TEST_F(ConverterDialogTest, VhdlEmptyFileIsNoTestBench) {
    const std::string path = write("empty.vht", "");
    ASSERT_TRUE(openTool(window, ID_TOOL_VHDL, 0));
    HWND dialog = app().openDialog;
    setFieldText(dialog, IDC_IMPORT_FILE, fromAnsi(path));
    click(dialog, IDC_IMPORT_LOAD);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::NotVhdlTestBench));
    EXPECT_EQ(rows(dialog), 0);
}

TEST_F(ConverterDialogTest, LawLoadHandsTheFileToTheWaveEditor) {
    app().keyPaths[static_cast<int>(ModuleKey::La2Wav)] = "SOFTWARE\\Tavro\\QV\\La2Wav\\0";
    // LAW 2.02: acquisition block at 64, one label (CLK on channel 0) at 304, four samples at 1000.
    std::vector<std::uint8_t> law(1016);
    std::memcpy(law.data(), "Tavro Technology Inc.  LAW 2.02", 31);
    constexpr std::pair<int, int> fields[] = {{40, 64}, {48, 304}, {56, 1000}, {60, 16},  {64, 4},   {300, 2000000},
                                              {304, 0}, {388, 1},  {1000, 1},  {1004, 0}, {1008, 1}, {1012, 0}};
    for (auto [at, value] : fields) writeLe32(law, static_cast<std::size_t>(at), value);
    std::memcpy(law.data() + 304 + 12, "CLK", 3);
    const std::string path = folder.file("la.law");
    qv::test::writeBytes(path, law);
    FileNameRequest asked;
    setFileNameAsker([&](FileNameRequest& request, std::string& chosen) {
        asked = request;
        chosen = path;
        return true;
    });
    SendMessageW(window, WM_COMMAND, ID_TOOL_LA_WAVEFORM, 0);
    pumpMessages();
    pumpMessages();
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(asked.owner, window);
    EXPECT_EQ(asked.title, Msg::SelectFileTitle);
    ASSERT_EQ(asked.filters.size(), 2u);
    EXPECT_EQ(asked.filters[0].description, Msg::LawFileFilter);
    EXPECT_EQ(asked.initialName, "*.law");
    EXPECT_STREQ(asked.helpTopic, "::/3-38.htm");
    EXPECT_EQ(store.readText(app().keyPath(ModuleKey::La2Wav), "StartPath").value_or(""), folder.path());
    ASSERT_NE(waveEditorWindow(), nullptr);
    EXPECT_EQ(store.readNumber(app().keyPath(ModuleKey::WaveEdit), "iBaseFreq").value_or(0), 2000000u);
    EXPECT_STREQ(document().labels()[12].name, "CLK");
    EXPECT_EQ(document().image()[0], channelBit(0));
    EXPECT_EQ(document().image()[1], 0u);
}

// The virtual instrument's file output, recorded on its way.
driver_types::uqvStartEx instrumentStart = nullptr;
std::vector<std::pair<std::string, int>> startedFiles;
std::int32_t QV_DRIVER_CALL recordStart(std::int32_t handle, const char* path, std::int32_t kind, std::int32_t zero) {
    const std::int32_t result = instrumentStart(handle, path, kind, zero);
    startedFiles.emplace_back(path, result == 0 ? kind : -1);
    return result;
}

TEST_F(ConverterDialogTest, BatchPlaysTwoFilesOnAVirtualInstrument) {
    DriverLoad load = attachVirtualInstrument(0xB016, folder.file("batch.vcd"));
    ASSERT_EQ(load.problem, DriverProblem::None);
    auto source = Document::create(app().caps, true);
    resetToDefaultLabels(source->labels());
    source->labels()[12] = qv::test::labelRecord(12, positionSingle, "CLK");
    for (int i = 0; i < 40; ++i) source->image()[i] = i % 2 ? channelBit(0) : 0;
    const std::string first = folder.file("a.qvw"), second = folder.file("b.QVV");
    ASSERT_EQ(saveWaveformFile(first, *source, saveModeBinary), Msg::None);
    ASSERT_EQ(saveWaveformFile(second, *source, saveModeText), Msg::None);
    instrumentStart = app().driver.uqvStartEx;
    app().driver.uqvStartEx = recordStart;
    startedFiles.clear();
    FileNameRequest asked;
    setFileNameAsker([&](FileNameRequest& request, std::string& chosen) {
        asked = request;
        request.chosenPaths = {second, first}; // kept in this order: the list is not sorted
        chosen = second;
        return true;
    });

    ASSERT_TRUE(openTool(window, ID_TOOL_BATCH, 0));
    HWND dialog = batchToolWindow();
    ASSERT_EQ(dialog, app().openDialog);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_MANUAL)));
    click(dialog, IDC_BATCH_RUN);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::NoFile));
    EXPECT_EQ(generatorFlags().running.load(), 0);

    click(dialog, IDC_BATCH_ADD);
    EXPECT_TRUE(asked.multiSelect);
    EXPECT_EQ(asked.initialName, "*.qvw;*.qvv");
    ASSERT_EQ(SendDlgItemMessageW(dialog, IDC_BATCH_LIST, LB_GETCOUNT, 0, 0), 2);
    setFieldText(dialog, IDC_BATCH_INTERVAL, std::string("20"));
    click(dialog, IDC_BATCH_RUN);
    for (int i = 0; i < 300 && (generatorFlags().running.load() != 0 || !waitForOutputThread(10)); ++i) {
        Sleep(10);
        pumpMessages();
    }
    pumpMessages();
    EXPECT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(startedFiles, (std::vector<std::pair<std::string, int>>{{second, 1}, {first, 0}}));
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_BATCH_LIST, LB_GETCURSEL, 0, 0), 1) << "the last file played";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_INTERVAL)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_MANUAL)));

    SendMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(batchToolWindow(), nullptr);
    app().driver.uqvStartEx = instrumentStart;
    detachVirtualInstrument(load);
}

TEST_F(ConverterDialogTest, TextVectorAndAlteraTableLoadAndConvert) {
    const std::string qvv = write("t.qvv",
                                  "INPUTS A B[1..0] QV_Function; ASSIGN A 5; INTERVAL 100;\n"
                                  "PATTERN\n1 2 0\n0 1 0\n;");
    FileNameRequest asked;
    setFileNameAsker([&](FileNameRequest& request, std::string& chosen) {
        asked = request;
        chosen = qvv;
        return true;
    });
    ASSERT_TRUE(openTool(window, ID_TOOL_TEXT_FILE, 0));
    HWND dialog = app().openDialog;
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(toUtf8(fieldText(dialog, IDC_TV_FILE_PROMPT)), "QV Text Vector file(.QVV):");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT_CONVERT)));
    click(dialog, IDC_IMPORT_BROWSE);
    EXPECT_EQ(asked.initialName, "*.qvv");
    ASSERT_EQ(asked.filters.size(), 2u);
    EXPECT_EQ(asked.filters[0].description, Msg::VectorWaveformFilter);
    click(dialog, IDC_IMPORT_LOAD);
    EXPECT_TRUE(shownBoxes.empty());
    ASSERT_EQ(rows(dialog), 3);
    EXPECT_EQ(cell(dialog, 0, 1), L"5");
    EXPECT_EQ(cell(dialog, 1, 1), L"1..0");
    EXPECT_EQ(cell(dialog, 2, 1), L"QVF");
    EXPECT_EQ(fieldText(dialog, IDC_TV_FREQUENCY), L"10");
    // Custom Frequency frees the entry; the spin steps tenths, the unit button cycles.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_TV_FREQUENCY_SPIN)));
    setChecked(dialog, IDC_TV_CUSTOM_FREQUENCY, true);
    click(dialog, IDC_TV_CUSTOM_FREQUENCY);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_TV_FREQUENCY_UNIT)));
    HWND spin = GetDlgItem(dialog, IDC_TV_FREQUENCY_SPIN);
    SendMessageW(dialog, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(spin));
    EXPECT_EQ(fieldText(dialog, IDC_TV_FREQUENCY), L"10.1");
    SendMessageW(dialog, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(spin));
    click(dialog, IDC_TV_FREQUENCY_UNIT);
    EXPECT_EQ(fieldText(dialog, IDC_TV_FREQUENCY_UNIT), L"KHz");
    click(dialog, IDC_TV_FREQUENCY_UNIT);
    click(dialog, IDC_TV_FREQUENCY_UNIT);
    expectHandedOff(dialog, 10000000u);
    EXPECT_EQ(document().image()[0] & (channelBit(5) | channelBit(1) | channelBit(0)), channelBit(5) | channelBit(1));
    EXPECT_EQ(document().image()[1] & (channelBit(5) | channelBit(1) | channelBit(0)), channelBit(0));
    SendMessageW(waveEditorWindow(), WM_CLOSE, 0, 0);
    pumpMessages();

    const std::string tbl = write("t.tbl",
                                  "INPUTS A;\nOUTPUTS Q;\nUNIT ns;\nPATTERN\n0.0> 1 = 0\n20.0> 0 = 1\n"
                                  "50.0> 1 = 0\n;");
    ASSERT_TRUE(openTool(window, ID_TOOL_ALTERA, 0));
    dialog = app().openDialog;
    EXPECT_EQ(toUtf8(fieldText(dialog, IDC_TV_FILE_PROMPT)), "Altera Waveform Table file(.TBL):");
    setFieldText(dialog, IDC_IMPORT_FILE, fromAnsi(tbl));
    click(dialog, IDC_IMPORT_LOAD);
    EXPECT_TRUE(shownBoxes.empty());
    ASSERT_EQ(rows(dialog), 1);
    EXPECT_EQ(cell(dialog, 0, 0), L"A");
    EXPECT_EQ(fieldText(dialog, IDC_TV_FREQUENCY), L"100");
    expectHandedOff(dialog, 100000000u);
    for (int i = 0; i < 7; ++i) EXPECT_EQ((document().image()[i] & channelBit(0)) != 0, i < 2 || i >= 5) << i;
}

// Convert is id 2 in the converters, so Esc sends it: over Wave Editor work that no file keeps it
// asks first, and No leaves the tool open and the hand-off files unwritten.
TEST_F(ConverterDialogTest, EscAsksBeforeReplacingUnsavedEditorWork) {
    const std::string qvv = write("esc.qvv", "INPUTS A QV_Function; INTERVAL 100;\nPATTERN\n1 0\n0 0\n;");
    ASSERT_TRUE(openTool(window, ID_TOOL_TEXT_FILE, 0));
    HWND dialog = app().openDialog;
    ASSERT_NE(dialog, nullptr);
    setFieldText(dialog, IDC_IMPORT_FILE, fromAnsi(qvv));
    click(dialog, IDC_IMPORT_LOAD);
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT_CONVERT)))
        << (shownBoxes.empty() ? std::string() : toUtf8(shownBoxes[0].text));
    document().setHandoffUnsaved(true);
    HWND field = GetDlgItem(dialog, IDC_IMPORT_FILE);
    SetFocus(field);
    MSG escape{field, WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
    if (!IsDialogMessageW(dialog, &escape)) DispatchMessageW(&escape);
    pumpMessages();
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::EditorWorkUnsaved));
    EXPECT_EQ(app().openDialog, dialog);
    EXPECT_FALSE(std::filesystem::exists(handoffSamplePath(folder.path())));
    EXPECT_TRUE(document().handoffUnsaved());
}

} // namespace
} // namespace qv::win::test
