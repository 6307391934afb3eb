// The generators' shared run state lives here, once: only one tool is open at a time. The output
// thread is a SingleRunThread that outlives the dialogs, so a Close that does not wait for a
// thread still building leaves it to end on its own; its next start joins it.
#include "generators/generator_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "app/window_prompt.h"
#include "generators/text_transfer.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <array>
#include <limits>
#include <mutex>

namespace qv::win {
namespace {

constexpr int busyIconCount = 8; // idle, then seven phases
constexpr int closeWaitMilliseconds = 100;

struct GeneratorRun {
    OutputFlags flags;
    SingleRunThread thread;
    std::array<HICON, busyIconCount> icons{};
    int phase = 0;
    LPARAM runNumber = 0;
};
GeneratorRun& run() {
    static GeneratorRun state;
    return state;
}

std::mutex beepMutex;
std::function<void()> beepHook;

void beep() {
    std::function<void()> hook;
    {
        std::lock_guard lock(beepMutex);
        hook = beepHook;
    }
    if (hook)
        hook();
    else
        MessageBeep(MB_OK);
}

void showIcon(HWND dialog, int index) {
    HICON icon = run().icons[static_cast<std::size_t>(index)];
    if (icon) SendDlgItemMessageW(dialog, IDC_GEN_STATUS, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

FileNameRequest textFileRequest(HWND dialog, bool save) {
    FileNameRequest request;
    request.save = save;
    request.owner = dialog;
    request.title = save ? Msg::SaveFileTitle : Msg::SelectFileTitle;
    request.filters = {{Msg::TextFileFilter, "*.txt"}, {Msg::AllFileFilter, "*.*"}};
    request.initialName = "*.txt";
    request.defaultExtension = "txt";
    request.initialDirectory = generatorStartPath();
    return request;
}

// ---- Enter and Esc ---------------------------------------------------------------------------------
// The dialog manager sends command 1 on Enter and command 2 on Esc (Exit and Convert in some tools),
// and a multi-line edit closes its dialog on Esc: typed data and the Wave Editor's document would
// go with a key press. A message filter sees each key before the dialog manager does. Esc does
// nothing in a tool (a dropped-down list still closes with it). Enter is left to the dialog manager
// only where it means what the user sees: a new line in a text that takes one, a dropped-down
// list, a focused push button, or a default push button the dialog names; never command 1.
HHOOK keyFilterHook = nullptr;
HWND guardedDialog = nullptr;

bool isClass(HWND window, const wchar_t* name) {
    wchar_t found[32] = {};
    GetClassNameW(window, found, 32);
    return lstrcmpiW(found, name) == 0;
}

bool listDroppedDown(HWND focus) {
    for (HWND w = focus; w && w != guardedDialog; w = GetParent(w))
        if (isClass(w, WC_COMBOBOXW)) return SendMessageW(w, CB_GETDROPPEDSTATE, 0, 0) != 0;
    return false;
}

bool enterIsForTheDialogManager(HWND dialog, HWND focus) {
    if (listDroppedDown(focus)) return true;
    if (focus && IsChild(dialog, focus) && isClass(focus, WC_EDITW)) {
        const LONG_PTR style = GetWindowLongPtrW(focus, GWL_STYLE);
        return (style & ES_MULTILINE) && (style & ES_WANTRETURN);
    }
    const LRESULT defaultButton = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    return HIWORD(defaultButton) == DC_HASDEFID && LOWORD(defaultButton) != IDOK;
}

// A focused push button: the dialog manager would press it only when it is drawn as the default,
// else send command 1; here it is pressed as a click would (command 1 excepted).
bool pressFocusedButton(HWND dialog, HWND focus) {
    if (!focus || !IsChild(dialog, focus) || !isClass(focus, WC_BUTTONW)) return false;
    if (!(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return false;
    const int id = GetDlgCtrlID(focus);
    if (id != IDOK && IsWindowEnabled(focus))
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(focus));
    return true;
}

LRESULT CALLBACK filterToolKeys(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && guardedDialog) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        if (message.message == WM_KEYDOWN && (message.hwnd == guardedDialog || IsChild(guardedDialog, message.hwnd))) {
            const HWND focus = GetFocus();
            if (message.wParam == VK_ESCAPE && !listDroppedDown(focus)) return TRUE;
            if (message.wParam == VK_RETURN && !enterIsForTheDialogManager(guardedDialog, focus)) {
                pressFocusedButton(guardedDialog, focus);
                return TRUE;
            }
        }
    }
    return CallNextHookEx(keyFilterHook, code, wParam, lParam);
}

} // namespace

void initGenerator(HWND dialog) {
    guardedDialog = dialog;
    if (!keyFilterHook) keyFilterHook = SetWindowsHookExW(WH_MSGFILTER, filterToolKeys, nullptr, GetCurrentThreadId());
    GeneratorRun& state = run();
    if (hasDocument()) document().clearSamples();
    state.flags.running.store(0);
    state.flags.outputActive.store(0);
    state.flags.stopRequest.store(0);
    state.phase = 0;
    for (int i = 0; i < busyIconCount; ++i)
        if (!state.icons[static_cast<std::size_t>(i)])
            state.icons[static_cast<std::size_t>(i)] = static_cast<HICON>(
                LoadImageW(resourceModule(), MAKEINTRESOURCEW(IDI_BUSY_IDLE + i), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    showIcon(dialog, 0);
}

void releaseGenerator() {
    if (keyFilterHook) UnhookWindowsHookEx(keyFilterHook);
    keyFilterHook = nullptr;
    guardedDialog = nullptr;
    for (HICON& icon : run().icons) {
        if (icon) DestroyIcon(icon);
        icon = nullptr;
    }
}

OutputFlags& generatorFlags() { return run().flags; }
bool generatorRunning() { return run().flags.running.load() != 0; }

void setGeneratorBeep(std::function<void()> hook) {
    std::lock_guard lock(beepMutex);
    beepHook = std::move(hook);
}

bool startGeneratorRun(HWND dialog, GeneratorWork work, bool keyEvent) {
    GeneratorRun& state = run();
    if (state.flags.running.load() != 0 || state.thread.busy()) {
        beep();
        if (keyEvent && state.flags.running.load() != 0 && app().device != noDevice)
            app().driver.qvKeyboardEvent(app().device);
        return false;
    }
    state.flags.stopRequest.store(0);
    state.flags.outputActive.store(0);
    state.flags.running.store(1);
    const LANGID language = chosenLanguage();
    const LPARAM runNumber = ++state.runNumber;
    const bool started = state.thread.start([dialog, language, runNumber, work = std::move(work)] {
        setThreadLanguage(language);
        WindowPrompt prompt(dialog);
        OutputPorts ports{app().driver, app().device, app().interlock, run().flags, prompt, app().caps};
        bool runsOn = false;
        try {
            runsOn = work(ports);
        } catch (const std::bad_alloc&) {
            prompt.show(static_cast<int>(Msg::MemoryNotEnough));
        }
        PostMessageW(dialog, generatorRunDone, runsOn ? 1 : 0, runNumber);
    });
    if (!started) {
        state.flags.running.store(0);
        return false;
    }
    state.phase = 0;
    SetTimer(dialog, busyTimer, busyTickMilliseconds, nullptr);
    return true;
}

void startRunResting(HWND dialog, bool keyEvent, const std::function<GeneratorWork()>& prepare) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, keyEvent);
        return;
    }
    GeneratorWork work = prepare();
    if (hasDocument()) document().clearSamples();
    EnableWindow(GetDlgItem(dialog, IDC_GEN_RUN), FALSE);
    if (!startGeneratorRun(dialog, std::move(work), keyEvent)) EnableWindow(GetDlgItem(dialog, IDC_GEN_RUN), TRUE);
}

void stopRunResting(HWND dialog) {
    stopGeneratorOutput(dialog);
    EnableWindow(GetDlgItem(dialog, IDC_GEN_RUN), TRUE);
}

bool waitForOutputThread(int milliseconds) {
    GeneratorRun& state = run();
    for (int waited = 0; state.thread.busy() && waited < milliseconds; waited += 10) Sleep(10);
    if (state.thread.busy()) return false;
    state.thread.join();
    return true;
}

bool isCurrentRun(LPARAM runNumber) { return runNumber == run().runNumber; }

void endGeneratorRun(HWND dialog) {
    GeneratorRun& state = run();
    state.flags.running.store(0);
    state.flags.outputActive.store(0);
    KillTimer(dialog, busyTimer);
    showIcon(dialog, 0);
}

void stopGeneratorOutput(HWND dialog) {
    GeneratorRun& state = run();
    state.flags.stopRequest.store(1);
    if (app().device != noDevice) app().driver.qvPowerDown(app().device);
    state.flags.running.store(0);
    state.flags.outputActive.store(0);
    KillTimer(dialog, busyTimer);
    showIcon(dialog, 0);
}

void closeGenerator(HWND dialog) {
    stopGeneratorOutput(dialog);
    waitForOutputThread(closeWaitMilliseconds);
    closeFunctionDialog(app().mainWindow);
    DestroyWindow(dialog);
}

LRESULT onGeneratorTimer(HWND dialog, UINT, WPARAM timer, LPARAM) {
    if (timer != busyTimer) return FALSE;
    GeneratorRun& state = run();
    if (state.flags.running.load() == 0) {
        KillTimer(dialog, busyTimer);
        showIcon(dialog, 0);
        return TRUE;
    }
    if (state.flags.outputActive.load() == 0) return TRUE;
    showIcon(dialog, 1 + state.phase);
    state.phase = (state.phase + 1) % (busyIconCount - 1);
    return TRUE;
}

std::span<Sample> generatorBuffer() { return document().sampleBuffer(); }

// ---- rate entry -----------------------------------------------------------------------------------

void showRate(HWND dialog, const std::string& text, RateUnit unit) {
    setFieldText(dialog, IDC_GEN_RATE, text);
    setFieldText(dialog, IDC_GEN_RATE_UNIT, rateUnitCaption(unit));
}

RateUnit cycleRateUnit(HWND dialog, RateUnit unit) {
    const RateUnit next = nextRateUnit(unit);
    setFieldText(dialog, IDC_GEN_RATE_UNIT, rateUnitCaption(next));
    return next;
}

void stepRate(HWND dialog, RateUnit unit, bool up) {
    const int tenths = spinRateTenths(toUtf8(fieldText(dialog, IDC_GEN_RATE)), unit, up);
    setFieldText(dialog, IDC_GEN_RATE, rateTenthsText(tenths));
}

double rateOf(HWND dialog, RateUnit unit) {
    return rateBitsPerSecond(toUtf8(fieldText(dialog, IDC_GEN_RATE)), unit)
        .value_or(std::numeric_limits<double>::quiet_NaN());
}

// ---- files ----------------------------------------------------------------------------------------

std::string& generatorStartPath() {
    static std::string path;
    if (path.empty()) path = app().workDirectory;
    return path;
}

bool chooseFile(HWND dialog, Msg title, std::vector<FileFilter> filters, const char* initialName, std::string& path) {
    FileNameRequest request;
    request.owner = dialog;
    request.title = title;
    request.filters = std::move(filters);
    request.initialName = initialName;
    request.initialDirectory = generatorStartPath();
    if (!chooseFileName(request, path)) return false;
    if (const std::string folder = folderOf(path); !folder.empty()) generatorStartPath() = folder;
    return true;
}

bool exportDataText(HWND dialog, int fileField, const std::string& text) {
    FileNameRequest request = textFileRequest(dialog, true);
    std::string path;
    if (!chooseFileName(request, path)) return false;
    WindowPrompt prompt(dialog);
    const gen::ExportOutcome outcome = gen::exportText(path, text, prompt);
    if (outcome.result == gen::ExportResult::Declined) return false;
    if (outcome.result == gen::ExportResult::Failed) {
        messageBox(dialog, outcome.error, MB_ICONERROR | MB_OK);
        return false;
    }
    if (fileField != 0) setFieldText(dialog, fileField, fromAnsi(path));
    messageBox(dialog, Msg::ExportOk, MB_OK);
    return true;
}

bool importDataText(HWND dialog, int fileField, std::string& text) {
    FileNameRequest request = textFileRequest(dialog, false);
    std::string path;
    if (!chooseFileName(request, path)) return false;
    if (const Msg error = gen::importText(path, text); error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return false;
    }
    if (fileField != 0) setFieldText(dialog, fileField, fromAnsi(path));
    return true;
}

// ---- Convert --------------------------------------------------------------------------------------

bool confirmReplacingEditorWork(HWND dialog) {
    if (!hasDocument() || !document().handoffUnsaved()) return true;
    return messageBox(dialog, Msg::EditorWorkUnsaved, MB_ICONQUESTION | MB_YESNO) == IDYES;
}

bool handOffToWaveEditor(HWND dialog, std::vector<gen::ToolSignal> signals, int sampleClockHz) {
    if (!confirmReplacingEditorWork(dialog)) return false;
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    gen::ConvertRequest request;
    request.signals = std::move(signals);
    request.sampleClockHz = sampleClockHz;
    request.capabilities = app().caps;
    request.samples = generatorBuffer();
    request.folder = app().workDirectory;
    request.settings = placementStore();
    request.waveEditKey = app().keyPath(ModuleKey::WaveEdit);
    const Msg result = gen::convertToWaveEditor(request);
    SetCursor(previous);
    if (result != Msg::None) {
        messageBox(dialog, result, MB_ICONERROR | MB_OK);
        return false;
    }
    postHandOff(dialog);
    return true;
}

void postHandOff(HWND dialog) {
    if (hasDocument()) document().setHandoffUnsaved(false); // the files now hold the tool's result
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    PostMessageW(app().mainWindow, WM_COMMAND, ID_TOOL_WAVE_EDITOR, handOffRequest);
}

} // namespace qv::win
