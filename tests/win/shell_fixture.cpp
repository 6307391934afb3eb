// Fake driver, test tool and fixture of the main-window tests.
#include "shell_fixture.h"

#include "waveedit/document.h"
#include "waveedit/handoff.h"
#include "waveedit/labels.h"
#include "waveedit/wave_editor.h"
#include "resource.h"

#include "app/launcher.h"

#include <cstdio>
#include <cstring>

namespace qv::win::test {
namespace {

int fakeModelCode = 0;
bool fakeNamesWork = true;

std::string call(const char* name, std::initializer_list<long long> arguments) {
    std::string text = name;
    text += '(';
    bool first = true;
    for (long long a : arguments) {
        if (!first) text += ',';
        text += std::to_string(a);
        first = false;
    }
    return text + ')';
}

std::int32_t QV_DRIVER_CALL fakePowerDown(std::int32_t handle) {
    driverCalls().push_back(call("qvPowerDown", {handle}));
    return 1;
}
std::int32_t QV_DRIVER_CALL fakeReset(std::int32_t handle) {
    driverCalls().push_back(call("qvReset", {handle}));
    return 1;
}
std::int32_t QV_DRIVER_CALL fakeAdjVolt(std::int32_t, std::int32_t group, std::int32_t level) {
    driverCalls().push_back(call("qvAdjVolt", {group, level}));
    return 1;
}
std::int32_t QV_DRIVER_CALL fakeGetHwInfo(std::int32_t handle, std::uint32_t code) {
    driverCalls().push_back(call("qvGetHwInfo", {handle, static_cast<long long>(code)}));
    return code == hwInfoModelCode ? fakeModelCode : 0x1234;
}
std::int32_t QV_DRIVER_CALL fakeInterfaceName(std::int32_t, const std::uint8_t*, std::int32_t kind, char* buffer,
                                              std::int32_t size) {
    if (!fakeNamesWork) return 0;
    char text[32];
    if (kind == 0)
        std::snprintf(text, sizeof text, "QV-%04X", static_cast<unsigned>(fakeModelCode));
    else
        std::snprintf(text, sizeof text, "USB 2.0");
    std::strncpy(buffer, text, static_cast<size_t>(size));
    return 1;
}

INT_PTR CALLBACK testToolProcedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        RECT box{};
        GetWindowRect(dialog, &box);
        toolLog().createdSize = {box.right - box.left, box.bottom - box.top};
        return TRUE;
    }
    case toolKeyDown:
    case toolKeyUp:
    case toolChar:
    case toolHelp:
    case WM_UNDO: toolLog().messages.push_back(message); return TRUE;
    case WM_CLOSE:
        ++toolLog().closed;
        closeFunctionDialog(GetParent(dialog));
        DestroyWindow(dialog);
        return TRUE;
    default: return FALSE;
    }
}

struct alignas(4) ChildTemplate {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
};

const DLGTEMPLATE* testToolTemplate() {
    static const ChildTemplate layout{{WS_CHILD, 0, 0, 0, 0, 200, 100}, 0, 0, 0};
    return &layout.header;
}

void createTestTool(HWND mainWindow, int, LPARAM) {
    ++toolLog().created;
    openFunctionDialog(mainWindow, testToolTemplate(), testToolProcedure);
}

} // namespace

std::vector<std::string>& driverCalls() {
    static std::vector<std::string> calls;
    return calls;
}

Driver fakeDriver(int modelCode, bool interfaceNamesWork) {
    resetFakeDriver(modelCode, interfaceNamesWork);
    Driver driver;
    driver.qvPowerDown = fakePowerDown;
    driver.qvReset = fakeReset;
    driver.qvAdjVolt = fakeAdjVolt;
    driver.qvGetHwInfo = fakeGetHwInfo;
    driver.qvInterfaceName = fakeInterfaceName;
    return driver;
}

void resetFakeDriver(int modelCode, bool interfaceNamesWork) {
    fakeModelCode = modelCode;
    fakeNamesWork = interfaceNamesWork;
    driverCalls().clear();
}

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

ToolLog& toolLog() {
    static ToolLog log;
    return log;
}

void registerTestTool() {
    static constexpr ToolEntry testTools[] = {{testToolId, createTestTool}};
    useToolTable(testTools);
}

std::vector<HelpRequest>& helpRequests() {
    static std::vector<HelpRequest> requests;
    return requests;
}

void ShellTest::SetUp() {
    AppState& state = app();
    state.driver = fakeDriver(0);
    state.device = noDevice;
    state.caps = capabilitiesFor(0);
    state.outputLevel1 = 32;
    state.outputLevel2 = 32;
    state.onlineUpdateAtStartup = 1;
    state.updateServer = "127.0.0.1:1"; // refused at once: the start-up check reports nothing
    state.languages = {languageTraditionalChinese, languageEnglish, languageSimplifiedChinese};
    state.savedPlacement = {20, 30, 620, 470, 0};
    state.openDialog = nullptr;
    state.keyPaths[static_cast<int>(ModuleKey::System)] = "SOFTWARE\\Tavro\\QV\\System\\0";
    state.interlock.driverBusy = 0;
    state.interlock.externalHold = 0;
    setChosenLanguage(languageEnglish);
    setThreadLanguage(languageEnglish);
    setPlacementStore(&store);
    toolLog() = {};
    helpRequests().clear();
    setHelpOpener([](HWND, const std::string& path, const char* topic, int context) {
        helpRequests().push_back({path, topic, context});
    });
    setMessageBoxScript([this](const ShownMessage& shown) {
        shownBoxes.push_back(shown);
        return IDOK;
    });
    registerTestTool();
}

HWND ShellTest::createWindow() {
    window = createMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    pumpMessages();
    return window;
}

void ShellTest::TearDown() {
    if (window && IsWindow(window)) {
        if (app().openDialog) DestroyWindow(app().openDialog);
        app().openDialog = nullptr;
        DestroyWindow(window);
    }
    // The WM_QUIT that WM_DESTROY posts must not end a later test's loop.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}
    useToolTable({});
    setPlacementStore(nullptr);
    setHelpOpener({});
    setMessageBoxScript({});
    setChosenLanguage(languageEnglish);
    setThreadLanguage(languageEnglish);
    app().driver = Driver{};
    app().device = noDevice;
}

void DocumentShellTest::SetUp() {
    ShellTest::SetUp();
    if (!hasDocument()) createDocument(capabilitiesFor(0), false);
    document().setHandoffUnsaved(false); // the document outlives a test: no earlier test's editor work
    app().workDirectory = folder.path();
    app().keyPaths[static_cast<int>(ModuleKey::WaveEdit)] = "SOFTWARE\\Tavro\\QV\\WaveEdit\\0";
}

HWND DocumentShellTest::openEditorOver(const LabelTable& labels, const std::vector<Sample>& image) {
    if (writeHandoffFiles(folder.path(), labels, image) != Msg::None) return nullptr;
    createWindow();
    openWaveEditor(window, ID_TOOL_WAVE_EDITOR, 0);
    pumpMessages();
    return waveEditorWindow();
}

void writeClockAndDataLabels(LabelTable& labels) {
    int next = writeDefaultCommandLabel(labels);
    const int clk[] = {0};
    next = appendSignalLabel(labels, next, "CLK", clk);
    const int data[] = {8, 7, 6, 5, 4, 3, 2, 1};
    appendSignalLabel(labels, next, "DATA", data);
}

DriverLoad attachVirtualInstrument(int model, const std::string& capture) {
    char devices[64];
    std::snprintf(devices, sizeof devices, "0x%X:VI1:USB:0:0:limit=4000:capture=", static_cast<unsigned>(model));
    SetEnvironmentVariableA("QVRUN_DEVICES", (devices + capture).c_str());
    DriverLoad load = loadDriver();
    if (load.problem == DriverProblem::None) {
        app().driver = load.driver;
        app().device = load.driver.qvHasHw(load.driver.qvFindDevice());
        app().caps = capabilitiesFor(model);
        destroyDocument();
        createDocument(app().caps, true);
    }
    SetEnvironmentVariableA("QVRUN_DEVICES", nullptr);
    return load;
}

void detachVirtualInstrument(DriverLoad& load) {
    if (app().device != noDevice) load.driver.qvShutdown(app().device);
    unloadDriver(load);
    app().driver = fakeDriver(0);
    app().device = noDevice;
    app().caps = capabilitiesFor(0);
    destroyDocument();
}

} // namespace qv::win::test
