// The Wave Editor's wiring: the hand-off files on opening and closing, the mouse and keys reaching
// the view's rules, the toolbar's enabling, and Run / Stop Run through a recording driver. The rules
// themselves are tested natively where they live.
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "resource.h"
#include "device/driver_loader.h"
#include "waveedit/handoff.h"
#include "waveedit/labels.h"
#include "waveedit/wave_editor.h"
#include "waveedit/wave_editor_state.h"

#include <commctrl.h>

#include <array>
#include <cstring>

namespace qv::win::test {
namespace {

class WaveEditorTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        writeDocumentFiles();
        createWindow();
    }
    void TearDown() override {
        if (HWND editorWindow = waveEditorWindow()) SendMessageW(editorWindow, WM_CLOSE, 0, 0);
        ShellTest::TearDown();
    }

    // Labels QV_Function, CLK (channel 0) and DATA (channels 8..1); CLK toggles every sample.
    void writeDocumentFiles() {
        LabelTable labels{};
        writeClockAndDataLabels(labels);
        std::vector<Sample> image(static_cast<std::size_t>(document().usableSamples()));
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = ((i & 1) << 12) | (((i / 4) & 0xFF) << 13);
        ASSERT_EQ(writeHandoffFiles(folder.path(), labels, image), Msg::None);
        labelBytes = qv::test::readBytes(handoffLabelPath(folder.path()));
        sampleBytes = qv::test::readBytes(handoffSamplePath(folder.path()));
    }

    HWND open() {
        openWaveEditor(window, ID_TOOL_WAVE_EDITOR, 0);
        pumpMessages();
        return waveEditorWindow();
    }

    // A client point in the waveform area at `sample` on `row`.
    static LPARAM pointAt(int sample, int row) {
        const WaveEditorState& s = editor();
        const int x = static_cast<int>(sampleX(s.layout.position, s.area, sample));
        const int y = rowTop(s.layout.position, s.area, row) + s.area.rowHeight / 2;
        return MAKELPARAM(x, y);
    }

    void key(HWND editorWindow, int virtualKey) {
        SendMessageW(editorWindow, toolKeyDown, virtualKey, 0);
        SendMessageW(editorWindow, toolKeyUp, virtualKey, 0xC0000000);
    }

    std::vector<std::uint8_t> labelBytes, sampleBytes;
};

TEST_F(WaveEditorTest, ClosingWritesTheHandOffFilesBackUnchangedAndReopeningShowsThem) {
    HWND editorWindow = open();
    ASSERT_NE(editorWindow, nullptr);
    EXPECT_EQ(app().openDialog, editorWindow);
    EXPECT_EQ(editor().rows.size(), 3u);
    std::filesystem::remove(handoffLabelPath(folder.path()));
    std::filesystem::remove(handoffSamplePath(folder.path()));

    SendMessageW(editorWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(waveEditorWindow(), nullptr);
    EXPECT_EQ(app().openDialog, nullptr);
    EXPECT_EQ(qv::test::readBytes(handoffLabelPath(folder.path())), labelBytes);
    EXPECT_EQ(qv::test::readBytes(handoffSamplePath(folder.path())), sampleBytes);

    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(editor().rows.size(), 3u);
    EXPECT_EQ(document().usableImage()[5], Sample{(1u << 12) | (1u << 13)});
}

TEST_F(WaveEditorTest, ClickPlacesTheActiveCursorAndADragMarksRowsAndSamples) {
    HWND editorWindow = open();
    ASSERT_NE(editorWindow, nullptr);
    SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, pointAt(10, 1));
    SendMessageW(editorWindow, WM_LBUTTONUP, 0, pointAt(10, 1));
    EXPECT_EQ(editor().cursors.samples[CursorT], 10);
    EXPECT_EQ(editor().cursors.rows[CursorT], 1);
    EXPECT_FALSE(editor().rangeSelected);

    key(editorWindow, 'B'); // cursor B becomes active; the next press places it
    SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, pointAt(20, 1));
    SendMessageW(editorWindow, WM_MOUSEMOVE, MK_LBUTTON, pointAt(25, 2));
    SendMessageW(editorWindow, WM_LBUTTONUP, 0, pointAt(25, 2));
    EXPECT_EQ(editor().cursors.active, CursorB);
    EXPECT_EQ(editor().cursors.samples[CursorT], 10);
    ASSERT_TRUE(editor().rangeSelected);
    EXPECT_EQ(editor().marked, (MarkedArea{20, 25, 1, 2}));
    EXPECT_EQ(document().positions().markStart, 20);
    EXPECT_EQ(document().positions().markEnd, 25);
    // The selection holds data rows only: the level operations are offered.
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editorWindow, ID_WAVE_LOW)));

    // The status bar shows the mark at 10 MHz: start 2 us, end (26 samples) 2.6 us, 600 ns long.
    wchar_t text[64] = {};
    SendMessageW(GetDlgItem(editorWindow, IDC_WAVE_STATUS), SB_GETTEXTW, 5, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"Mark Duration: 600 ns");

    // High Level sets CLK and DATA over the marked samples only; Undo puts them back.
    const Sample before19 = document().usableImage()[19], before22 = document().usableImage()[22];
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_HIGH, 0);
    EXPECT_EQ(document().usableImage()[22], before22 | (Sample{0x1FF} << 12));
    EXPECT_EQ(document().usableImage()[19], before19);
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_UNDO, 0);
    EXPECT_EQ(document().usableImage()[22], before22);

    // Right moves the active cursor one sample.
    key(editorWindow, VK_RIGHT);
    EXPECT_EQ(editor().cursors.samples[CursorB], 21);
}

// The document is replaced by every opening: the undo of the last one never writes into it. The
// marks follow their labels when one above is deleted, and A to B is measured in the status bar.
TEST_F(WaveEditorTest, UndoStaysWithItsDocumentAndTheMarksFollowTheirLabels) {
    HWND editorWindow = open();
    ASSERT_NE(editorWindow, nullptr);
    SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, pointAt(20, 2));
    SendMessageW(editorWindow, WM_MOUSEMOVE, MK_LBUTTON, pointAt(25, 2));
    SendMessageW(editorWindow, WM_LBUTTONUP, 0, pointAt(25, 2));
    ASSERT_TRUE(editor().rangeSelected);
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_HIGH, 0);
    SendMessageW(editorWindow, WM_CLOSE, 0, 0);
    EXPECT_TRUE(document().handoffUnsaved()); // changed since it came, never saved
    writeDocumentFiles(); // a tool's result replaces it, and the title no longer names a file
    SetWindowTextW(window, L"Doveravevero Zodo Zudeduriz - C:\\old.qvw");
    openWaveEditor(window, ID_TOOL_WAVE_EDITOR, handOffRequest);
    pumpMessages();
    editorWindow = waveEditorWindow();
    ASSERT_NE(editorWindow, nullptr);
    wchar_t title[128] = {};
    GetWindowTextW(window, title, 128);
    EXPECT_EQ(std::wstring(title).find(L"old.qvw"), std::wstring::npos) << title;
    EXPECT_NE(std::wstring(title).find(L" - (Untitled)"), std::wstring::npos) << title;
    const Sample before22 = document().usableImage()[22];
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_UNDO, 0);
    EXPECT_EQ(document().usableImage()[22], before22);
    EXPECT_FALSE(document().differsFromSaved());

    // DATA (row 2) marked, T on DATA; CLK (row 1, above) deleted: DATA is row 1 now, still marked.
    key(editorWindow, 'B');
    SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, pointAt(30, 2));
    SendMessageW(editorWindow, WM_LBUTTONUP, 0, pointAt(30, 2));
    key(editorWindow, 'A');
    SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, pointAt(20, 2));
    SendMessageW(editorWindow, WM_MOUSEMOVE, MK_LBUTTON, pointAt(25, 2));
    SendMessageW(editorWindow, WM_LBUTTONUP, 0, pointAt(25, 2));
    wchar_t text[64] = {};
    SendMessageW(GetDlgItem(editorWindow, IDC_WAVE_STATUS), SB_GETTEXTW, 2, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"A to B: 1 us (10 samples)");
    for (LabelRecord& r : document().labels()) r.stateFlags &= ~stateLabelSelected;
    document().labels()[12].stateFlags |= stateLabelSelected; // CLK
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_DELETE_LABEL, 0);
    ASSERT_EQ(editor().rows.size(), 2u);
    ASSERT_TRUE(editor().rangeSelected);
    EXPECT_EQ(editor().marked.firstRow, 1);
    const Sample clockBit = Sample{1} << 12, before21 = document().usableImage()[21];
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_HIGH, 0);
    EXPECT_EQ(document().usableImage()[21], before21 | (Sample{0xFF} << 13)); // DATA's bits, not CLK's
    EXPECT_EQ(document().usableImage()[21] & clockBit, before21 & clockBit);
}

TEST_F(WaveEditorTest, DraggingTheLastSplitterMovesTheWaveformArea) {
    HWND editorWindow = open();
    ASSERT_NE(editorWindow, nullptr);
    const int y = editor().area.top + 5;
    const int from = editor().layout.splitters[2];
    SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from, y));
    SendMessageW(editorWindow, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from + 40, y));
    EXPECT_EQ(editor().splitterBarX, from + 40); // the inverted bar follows; the area waits
    EXPECT_EQ(editor().layout.splitters[2], from);
    SendMessageW(editorWindow, WM_LBUTTONUP, 0, MAKELPARAM(from + 40, y));
    EXPECT_EQ(editor().layout.splitters[2], from + 40);
    EXPECT_EQ(editor().area.left, waveformLeft(editor().layout.splitters));
    EXPECT_EQ(editor().splitterBarX, -1);

    // A narrow window squeezes what is shown; widened again the chosen splitters come back, and
    // they are what is stored.
    RECT client{};
    GetClientRect(editorWindow, &client);
    SendMessageW(editorWindow, WM_SIZE, 0, MAKELPARAM(150, client.bottom));
    EXPECT_LT(editor().layout.splitters[2], from + 40);
    UpdateWindow(editorWindow);
    SendMessageW(editorWindow, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    EXPECT_EQ(editor().layout.splitters[2], from + 40);
    EXPECT_TRUE(GetUpdateRect(GetDlgItem(editorWindow, ID_WAVE_SAMPLE_WIZARD), nullptr, FALSE)); // redrawn
    SendMessageW(editorWindow, WM_SIZE, 0, MAKELPARAM(150, client.bottom));
    SendMessageW(editorWindow, WM_CLOSE, 0, 0);
    WaveEditSettings stored;
    readWaveEditSettings(store, app().keyPath(ModuleKey::WaveEdit), stored);
    EXPECT_EQ(stored.paneDivision3, from + 40);
}

TEST_F(WaveEditorTest, TheWheelOnTheMainWindowZoomsAndZoomInStopsAtSixtyFourPixelsPerSample) {
    HWND editorWindow = open();
    ASSERT_NE(editorWindow, nullptr);
    const Zoom before = editor().layout.position.zoom;
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0); // away from the user
    EXPECT_EQ(editor().layout.position.zoom, zoomedIn(before));
    for (int i = 0; i < 10; ++i) SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_ZOOM_IN, 0);
    EXPECT_EQ(editor().layout.position.zoom, (Zoom{maxZoomIn, 0}));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(editorWindow, ID_WAVE_ZOOM_IN)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editorWindow, ID_WAVE_ZOOM_OUT)));
}

// Output that stands at a WE: the indicator and the status bar say so and name the key, until Stop.
// (The virtual instrument here stops at its sample limit right after a release, which looks the
// same as waiting, so the release itself is not watched.)
TEST_F(WaveEditorTest, OutputWaitingAtAWeSaysWhatToPress) {
    DriverLoad load = attachVirtualInstrument(0xB016, folder.file("wait.vcd"));
    ASSERT_EQ(load.problem, DriverProblem::None);
    LabelTable labels{};
    writeClockAndDataLabels(labels);
    std::vector<Sample> image(static_cast<std::size_t>(document().usableSamples()));
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = (i & 1) << 12;
    image[40] |= 0x700; // WE: waits for the key event selected at the start
    ASSERT_EQ(writeHandoffFiles(folder.path(), labels, image), Msg::None);
    HWND editorWindow = open();
    ASSERT_NE(editorWindow, nullptr);
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_RUN, 0);
    auto tick = [] {
        Sleep(110);
        pumpMessages();
    };
    for (int i = 0; i < 50 && !editor().outputWaiting; ++i) tick();
    ASSERT_TRUE(editor().outputWaiting);
    wchar_t text[96] = {};
    SendMessageW(GetDlgItem(editorWindow, IDC_WAVE_STATUS), SB_GETTEXTW, 6, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"Waiting at WE: press Space");
    // Its part holds the whole text, however narrow the window.
    HWND bar = GetDlgItem(editorWindow, IDC_WAVE_STATUS);
    SendMessageW(editorWindow, WM_SIZE, 0, MAKELPARAM(700, 500));
    RECT part{};
    SendMessageW(bar, SB_GETRECT, 6, reinterpret_cast<LPARAM>(&part));
    RECT client{};
    GetClientRect(bar, &client);
    HDC dc = GetDC(bar);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, previous);
    ReleaseDC(bar, dc);
    EXPECT_GE(std::min(part.right, client.right) - part.left, size.cx) << client.right;
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_STOP_RUN, 0);
    tick();
    EXPECT_FALSE(editor().outputWaiting);
    SendMessageW(GetDlgItem(editorWindow, IDC_WAVE_STATUS), SB_GETTEXTW, 6, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"");
    SendMessageW(editorWindow, WM_CLOSE, 0, 0);
    detachVirtualInstrument(load);
}

// Run and Stop Run with a virtual instrument: output runs through the engine, the indicator
// animates only while output is active, and the instrument's capture holds the clock row.
TEST_F(WaveEditorTest, RunAndStopRunOutputTheDocumentOnAVirtualInstrument) {
    const std::string capture = folder.file("run.vcd");
    DriverLoad load = attachVirtualInstrument(0xB016, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    ASSERT_NE(app().device, noDevice);
    writeDocumentFiles();

    HWND editorWindow = open();
    ASSERT_NE(editorWindow, nullptr);
    EXPECT_EQ(editor().indicatorPhase, 0);
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_RUN, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(editorWindow, ID_WAVE_RUN)));
    for (int i = 0; i < 100 && editor().flags.outputActive.load() == 0; ++i) {
        Sleep(50);
        pumpMessages();
    }
    ASSERT_EQ(editor().flags.outputActive.load(), 1)
        << shownBoxes.size() << " boxes, first " << (shownBoxes.empty() ? 0 : shownBoxes[0].stringId);
    for (int i = 0; i < 6; ++i) {
        Sleep(110);
        pumpMessages();
    }
    EXPECT_GT(editor().indicatorPhase, 0);
    SendMessageW(editorWindow, WM_COMMAND, ID_WAVE_STOP_RUN, 0);
    const int phase = editor().indicatorPhase;
    for (int i = 0; i < 4; ++i) {
        Sleep(110);
        pumpMessages();
    }
    EXPECT_EQ(editor().indicatorPhase, phase); // still once output stopped
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editorWindow, ID_WAVE_RUN)));
    SendMessageW(editorWindow, WM_CLOSE, 0, 0);
    detachVirtualInstrument(load);

    const std::string text(qv::test::readText(capture));
    EXPECT_NE(text.find("$var wire 1 ! ch0 $end"), std::string::npos) << text.substr(0, 400);
    // The clock row toggles every sample once the start handshake is released.
    EXPECT_NE(text.find("1!"), std::string::npos);
    EXPECT_NE(text.find("0!"), std::string::npos);
}

} // namespace
} // namespace qv::win::test
