// Start-up in its fixed order (language, device, settings, model, main window, accelerators), the
// message loop and shutdown. Select Device lives here too: it is a few lines around the device
// list, and only start-up shows it. The document (sample buffers, label table) is created here;
// its contents belong to the Wave Editor, the main window's contents to the main window.
#include "app/startup.h"

#include "app/app_state.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/output_levels.h"
#include "app/placement.h"
#include "app/registry_store.h"
#include "app/settings.h"
#include "app/strings_win.h"
#include "device/driver_loader.h"
#include "resource.h"
#include "support/text_fill.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <algorithm>

namespace qv::win {
namespace {

// ---- Select Device ------------------------------------------------------------------------------

struct SelectDeviceContext {
    const Driver* driver;
    const std::uint8_t* list;
};

int itemEntry(HWND list, LRESULT line) { return static_cast<int>(SendMessageW(list, LB_GETITEMDATA, line, 0)); }

// Lines longer than the list box scroll sideways.
void widenScrollExtent(HWND list, const std::wstring& line) {
    HDC context = GetDC(list);
    HGDIOBJ previous = SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(context, line.c_str(), static_cast<int>(line.size()), &extent);
    SelectObject(context, previous);
    ReleaseDC(list, context);
    const auto widest = static_cast<LONG>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0));
    if (extent.cx + 8 > widest) SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent.cx + 8), 0);
}

LRESULT onSelectDeviceInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    auto* context = reinterpret_cast<SelectDeviceContext*>(lParam);
    context->list = context->driver->qvFindDevice ? context->driver->qvFindDevice() : nullptr;
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    const std::wstring format = loadString(Msg::DeviceLine);
    LRESULT last = LB_ERR;
    for (const DeviceLine& device : presentDevices(*context->driver, context->list)) {
        const std::wstring line =
            fillMarkers(format, {fromAnsi(device.model), fromAnsi(device.serial), fromAnsi(device.interfaceName)});
        last = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (last >= 0) SendMessageW(list, LB_SETITEMDATA, last, device.entryIndex);
        widenScrollExtent(list, line);
    }
    // No instrument: entry 0 goes to qvHasHw, which then reports none. One: no question to ask.
    if (last < 0)
        EndDialog(dialog, 0);
    else if (last == 0)
        EndDialog(dialog, itemEntry(list, 0));
    else
        SendMessageW(list, LB_SETCURSEL, 0, 0);
    return TRUE;
}

LRESULT onSelectDeviceOk(HWND dialog, const Command&) {
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    LRESULT line = SendMessageW(list, LB_GETCURSEL, 0, 0);
    EndDialog(dialog, itemEntry(list, line == LB_ERR ? 0 : line));
    return TRUE;
}

LRESULT onDeviceDoubleClick(HWND dialog, const Command&) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
}

constexpr MessageEntry selectDeviceMessages[] = {
    {WM_INITDIALOG, onSelectDeviceInit},
    {WM_CLOSE, endDialogOn<-1>},
};
constexpr CommandEntry selectDeviceCommands[] = {
    {IDOK, onSelectDeviceOk},
    {IDCANCEL, endDialogWith<-1>},
    {IDC_DEVICE_LIST, onDeviceDoubleClick, LBN_DBLCLK},
};
constexpr MessageTable selectDeviceTable{.messages = selectDeviceMessages, .commands = selectDeviceCommands};
constexpr DialogDefinition selectDeviceDialog{IDD_SELECT_DEVICE, dialogProcedure<selectDeviceTable>};

// ---- start-up steps -----------------------------------------------------------------------------

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<LANGID>*>(found)->push_back(language);
    return TRUE;
}

BOOL CALLBACK collectWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<ScreenArea>*>(found)->push_back(
            {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom});
    return TRUE;
}

std::vector<ScreenArea> screenWorkAreas() {
    std::vector<ScreenArea> areas;
    EnumDisplayMonitors(nullptr, nullptr, collectWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

// QvRun.dll next to the program; a problem is shown and leaves the program in demo mode (the
// loader then gives the null driver). Unloaded after qvShutdown.
DriverLoad loadedDriver;

void loadInstrumentDriver(AppState& state) {
    loadedDriver = loadDriver();
    state.driver = loadedDriver.driver;
    reportDriverProblem(nullptr, loadedDriver);
}

void closeInstrumentDriver(AppState& state) {
    if (state.driver.qvShutdown) state.driver.qvShutdown(state.device);
    unloadDriver(loadedDriver);
    state.driver = loadedDriver.driver;
}

} // namespace

std::string moduleFileName(HMODULE module) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

std::vector<LANGID> dialogLanguages(HMODULE module, int dialogId) {
    std::vector<LANGID> languages;
    EnumResourceLanguagesW(module, reinterpret_cast<LPCWSTR>(RT_DIALOG), MAKEINTRESOURCEW(dialogId), collectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    std::sort(languages.begin(), languages.end(), [](LANGID a, LANGID b) {
        if (PRIMARYLANGID(a) != PRIMARYLANGID(b)) return PRIMARYLANGID(a) < PRIMARYLANGID(b);
        return SUBLANGID(a) < SUBLANGID(b);
    });
    return languages;
}

void chooseStartupLanguage(const std::vector<LANGID>& languages) {
    const LANGID locale = LANGIDFROMLCID(GetThreadLocale());
    if (std::find(languages.begin(), languages.end(), locale) == languages.end())
        SetThreadLocale(MAKELCID(languageEnglish, SORT_DEFAULT));
}

int selectDevice(const Driver& driver, const std::uint8_t*& list) {
    SelectDeviceContext context{&driver, nullptr};
    const INT_PTR chosen = dialogBoxInLanguage(nullptr, selectDeviceDialog, reinterpret_cast<LPARAM>(&context));
    list = context.list;
    return chosen < 0 || chosen >= deviceListEntries ? -1 : static_cast<int>(chosen);
}

std::string currentDirectory() {
    char directory[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
    return length > 0 && length < MAX_PATH ? std::string(directory, length) : std::string();
}

std::string enterWorkDirectory(const std::string& stored, const std::string& current) {
    if (!stored.empty() && SetCurrentDirectoryA(stored.c_str())) return stored;
    SetCurrentDirectoryA(current.c_str());
    return current;
}

std::string versionTextOf(const std::string& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (!VerQueryValueA(data.data(), root, reinterpret_cast<void**>(&info), &length) || length < sizeof(*info))
        return {};
    char text[48];
    wsprintfA(text, "%d.%02dB%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
              LOWORD(info->dwFileVersionLS));
    return text;
}

bool readSystemSettingsIntoApp(const SettingsStore& store) {
    AppState& state = app();
    const std::string current = currentDirectory();
    SystemSettings settings;
    const bool existed = readSystemSettings(store, state.keyPath(ModuleKey::System), current, settings);
    const auto& known = state.languages;
    if (settings.language && std::find(known.begin(), known.end(), *settings.language) != known.end()) {
        setThreadLanguage(*settings.language);
        setChosenLanguage(*settings.language);
    }
    state.outputLevel1 = settings.outputLevel1;
    state.outputLevel2 = settings.outputLevel2;
    state.onlineUpdateAtStartup = settings.onlineUpdate;
    state.updateServer = readUpdateServer(store);
    state.savedPlacement = usablePlacement(settings.placement, screenWorkAreas(), GetSystemMetrics(SM_CYCAPTION));
    state.workDirectory = enterWorkDirectory(settings.workDirectory, current);
    return existed;
}

bool writeSystemSettingsFromApp(SettingsStore& store) {
    const AppState& state = app();
    SystemSettings settings;
    settings.workDirectory = state.workDirectory;
    settings.outputLevel1 = state.outputLevel1;
    settings.outputLevel2 = state.outputLevel2;
    settings.onlineUpdate = state.onlineUpdateAtStartup;
    settings.placement = state.savedPlacement;
    const LANGID language = chosenLanguage() ? chosenLanguage() : LANGIDFROMLCID(GetThreadLocale());
    return writeSystemSettings(store, state.keyPath(ModuleKey::System), settings, language);
}

void saveSystemSettingsAtExit(SettingsStore& store) {
    if (!writeSystemSettingsFromApp(store)) messageBox(nullptr, Msg::DataSaveError, MB_OK, Msg::ShortName);
}

void openChosenDevice(const std::uint8_t* list, int index) {
    AppState& state = app();
    // Without a list there is no entry to hand to qvHasHw: no instrument.
    const std::uint8_t* entry = list ? list + index * deviceEntryBytes : nullptr;
    state.device = entry && state.driver.qvHasHw ? state.driver.qvHasHw(entry) : noDevice;
    state.deviceNumber = entry ? deviceNumberOf(entry) : 0;
    state.keyPaths = deviceKeyPaths(state.deviceNumber);
}

void readModelAndLevels() {
    AppState& state = app();
    if (state.device == noDevice) messageBox(nullptr, Msg::DemoMode, MB_ICONERROR | MB_OK);
    const int model = readModelCode(state.driver, state.device, state.interlock);
    state.caps = capabilitiesFor(model);
    applyStartupOutputLevels(state.driver, state.device, model, state.outputLevel1, state.outputLevel2);
}

void deliverPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the message loop, which ends the program with it.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    Sleep(1);
}

int runMessageLoop(HACCEL accelerators) {
    MSG message{};
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        HWND dialog = app().openDialog;
        if (dialog && IsDialogMessageW(dialog, &message)) continue;
        // Against the main window: keys typed in the launcher belong to it too, and a list view
        // would drop the command.
        HWND target = app().mainWindow ? app().mainWindow : message.hwnd;
        if (accelerators && target && TranslateAcceleratorW(target, accelerators, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int runApplication(HINSTANCE instance, int showCommand) {
    AppState& state = app();
    state.instance = instance;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version)) state.osVersion = static_cast<int>(version.dwMajorVersion * 100 + version.dwMinorVersion);
    state.languages = dialogLanguages(instance, IDD_PROPERTIES);
    chooseStartupLanguage(state.languages);
    loadInstrumentDriver(state);

    // The driver stays ours from device selection until the model code has been read.
    state.interlock.acquire();
    const std::uint8_t* list = nullptr;
    const int chosen = selectDevice(state.driver, list);
    if (chosen < 0) {
        state.interlock.release();
        return 0;
    }
    openChosenDevice(list, chosen);

    const bool firstRun = !readSystemSettingsIntoApp();
    buildHelpPath();
    if (firstRun) messageBox(nullptr, Msg::Welcome, MB_ICONINFORMATION | MB_OK);
    state.interlock.release();

    readModelAndLevels();

    HWND mainWindow = createMainWindow(instance, showCommand);
    if (!mainWindow) {
        closeInstrumentDriver(state);
        return 0;
    }
    // The sample buffers and the label table live from here to the end of the run.
    if (createDocument(state.caps, state.device != noDevice) != Msg::None) {
        messageBox(nullptr, Msg::MemoryNotEnough, MB_ICONERROR | MB_OK);
        DestroyWindow(mainWindow);
        closeInstrumentDriver(state);
        return 0;
    }
    state.versionText = versionTextOf(moduleFileName(nullptr));
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));

    const int exitCode = runMessageLoop(accelerators);

    saveSystemSettingsAtExit();
    destroyDocument();
    closeInstrumentDriver(state);
    return exitCode;
}

} // namespace qv::win
