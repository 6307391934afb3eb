// Shared set-up of the main-window tests: a fresh AppState-like start, a fake driver that records
// its calls, a test tool that records what the main window forwards to it, and message pumping.
#pragma once

#include "app/app_state.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "device/driver_loader.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include "../core/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace qv::win::test {

// Every driver call the fake driver receives, as text ("qvAdjVolt(0,255)").
std::vector<std::string>& driverCalls();
// A driver whose instrument has modelCode; interfaceNamesWork false makes qvInterfaceName fail.
Driver fakeDriver(int modelCode, bool interfaceNamesWork = true);
void resetFakeDriver(int modelCode, bool interfaceNamesWork = true);

// Delivers posted messages of this thread (no modal loop needed).
void pumpMessages();

// The tool the hosting tests open: id testToolId, a plain child dialog 200 x 100 dialog units.
inline constexpr int testToolId = 10020;
struct ToolLog {
    std::vector<UINT> messages; // forwarded messages seen by the tool (0x500-0x503, WM_UNDO)
    int created = 0; // create-function calls
    int closed = 0;
    SIZE createdSize{}; // the dialog's size as created, before the main window sized it
};
ToolLog& toolLog();
void registerTestTool();

struct HelpRequest {
    std::string path;
    std::string topic;
    int context;
};
std::vector<HelpRequest>& helpRequests();

// Resets the application state, hooks message boxes and help, registers the test tool and creates
// the main window at placement (20, 30, 620, 470).
class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    HWND createWindow();

    HWND window = nullptr;
    std::vector<ShownMessage> shownBoxes;
    MemorySettingsStore store;
};

// ShellTest with the program's document, a throw-away working directory and the WaveEdit key: the
// set-up of the tools that hand documents to each other. createWindow() is left to the test.
class DocumentShellTest : public ShellTest {
  protected:
    void SetUp() override;
    // The main window created and the Wave Editor opened from it over hand-off files of `labels`
    // and `image` written into `folder`; the editor's window, or null.
    HWND openEditorOver(const LabelTable& labels, const std::vector<Sample>& image);
    qv::test::TempFolder folder;
};

// Labels QV_Function, CLK (channel 0) and DATA (channels 8..1): view rows 0-2.
void writeClockAndDataLabels(LabelTable& labels);

// A virtual instrument of `model` whose outputs are captured into `capture`: the driver loaded into
// the application with its device and capabilities, and a document of that model. Detaching shuts
// it down, puts the fake driver back and drops the document (the next test makes the demo one).
DriverLoad attachVirtualInstrument(int model, const std::string& capture);
void detachVirtualInstrument(DriverLoad& load);

} // namespace qv::win::test
