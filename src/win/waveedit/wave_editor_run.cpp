// The output thread never touches a window: it reports through the prompt (message boxes in the
// program's language) and, when it refuses to run, posts Stop Run to the editor. The indicator is
// a 100 ms timer of the editor window that reads the output-active flag.
#include "waveedit/wave_editor_run.h"

#include "app/app_state.h"
#include "app/startup.h"
#include "app/strings_win.h"
#include "app/window_prompt.h"
#include "resource.h"
#include "waveedit/sweep_dialog.h"
#include "waveedit/system_parameter_dialog.h"
#include "waveedit/texts.h"
#include "waveedit/wave_editor_state.h"

#include <memory>
#include <optional>

namespace qv::win {
namespace {

// Message boxes of the output thread in the program's language, not the thread's default.
class OutputThreadPrompt final : public Prompt {
  public:
    explicit OutputThreadPrompt(HWND owner) : inner_(owner) {}
    Answer ask(int stringId, Buttons buttons) override {
        setThreadLanguage(chosenLanguage());
        return inner_.ask(stringId, buttons);
    }
    void show(int stringId, const std::string& argument) override {
        setThreadLanguage(chosenLanguage());
        inner_.show(stringId, argument);
    }

  private:
    WindowPrompt inner_;
};

struct RunPorts {
    OutputThreadPrompt prompt;
    OutputPorts ports;
    RunPorts(HWND owner, OutputFlags& flags)
        : prompt(owner), ports{app().driver, app().device, app().interlock, flags, prompt, app().caps} {}
};
std::unique_ptr<RunPorts> runPorts;

OutputPorts& portsFor(HWND dialog) {
    if (!runPorts) runPorts = std::make_unique<RunPorts>(dialog, editor().flags);
    return runPorts->ports;
}

void stopRun() {
    WaveEditorState& s = editor();
    s.flags.stopRequest.store(1);
    if (app().device != noDevice) app().driver.qvPowerDown(app().device);
    s.flags.running.store(0);
    s.flags.outputActive.store(0);
    updateToolbar();
    InvalidateRect(GetDlgItem(s.dialog, IDC_WAVE_INDICATOR), nullptr, FALSE);
}

} // namespace

LRESULT onRun(HWND dialog, const Command&) {
    WaveEditorState& s = editor();
    if (s.flags.running.load() != 0 || s.runThread.busy()) {
        MessageBeep(MB_OK);
        return TRUE;
    }
    s.runThread.join();
    s.flags.running.store(1);
    updateToolbar();
    OutputPorts& ports = portsFor(dialog);
    const bool started = s.runThread.start(ports, document(), [dialog](const WaveRunOutcome& outcome) {
        if (outcome.result != WaveRunResult::Running) PostMessageW(dialog, editorStopRunMessage, 0, 0);
    });
    if (!started) {
        s.flags.running.store(0);
        updateToolbar();
        return TRUE;
    }
    s.indicatorPhase = 0;
    SetTimer(dialog, indicatorTimer, editorTickMilliseconds, nullptr);
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onStopRun(HWND, const Command&) {
    stopRun();
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onStopRunMessage(HWND, UINT, WPARAM, LPARAM) {
    stopRun();
    editor().runThread.join();
    // Unlabelled channels were cleared in the document by the run: show what it now holds.
    refreshView();
    return TRUE;
}

void stopRunForClose() {
    WaveEditorState& s = editor();
    if (s.flags.running.load() != 0) stopRun();
    s.runThread.join();
    KillTimer(s.dialog, indicatorTimer);
    runPorts.reset();
}

LRESULT onSetParameter(HWND dialog, const Command&) {
    OutputSettings& output = document().output();
    SystemParameterRequest request;
    request.values = {output.baseFrequency, output.frequencyMode, output.eventHotKey, output.cursorChangeInterval};
    request.capabilities = app().caps;
    request.cardType = deviceCardType();
    if (runSystemParameterSetting(dialog, request) == IDOK) {
        output.baseFrequency = request.values.baseFrequency;
        output.frequencyMode = request.values.frequencyMode;
        output.eventHotKey = request.values.eventHotKey;
        output.cursorChangeInterval = request.values.cursorChangeTenths;
    }
    refreshView();
    giveFocusToMainWindow();
    return TRUE;
}

void drawIndicator(const DRAWITEMSTRUCT& item) {
    const WaveEditorState& s = editor();
    const bool active = s.flags.running.load() != 0 && s.flags.outputActive.load() != 0;
    if (active && s.outputWaiting) {
        // Waiting at a WE: the key that releases it, on the tip colour (the status bar says more).
        RECT face = item.rcItem;
        FillRect(item.hDC, &face, GetSysColorBrush(COLOR_INFOBK));
        FrameRect(item.hDC, &face, GetSysColorBrush(COLOR_INFOTEXT));
        const std::wstring key =
            fromUtf8(std::string(hotKeyName(document().output().eventHotKey, catalogueLanguage(currentLanguage()))));
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, GetSysColor(COLOR_INFOTEXT));
        HGDIOBJ old = SelectObject(item.hDC, reinterpret_cast<HFONT>(SendMessageW(s.dialog, WM_GETFONT, 0, 0)));
        DrawTextW(item.hDC, key.c_str(), static_cast<int>(key.size()), &face, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(item.hDC, old);
        return;
    }
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    HICON icon = s.busyIcons[active ? 1 + s.indicatorPhase % 7 : 0];
    if (!icon) return;
    const int size = GetSystemMetrics(SM_CXICON);
    const int left = item.rcItem.left + (item.rcItem.right - item.rcItem.left - size) / 2;
    const int top = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - size) / 2;
    DrawIconEx(item.hDC, left, top, icon, size, size, 0, nullptr, DI_NORMAL);
}

namespace {

// The sequencer stands still (its running word 0) once the output thread has handed it over: it
// waits at a WE, as the closing loop never stops. Asked only between our own groups of calls.
bool sequencerWaits() {
    WaveEditorState& s = editor();
    if (!runPorts || s.runThread.busy() || app().interlock.externalHold.load() != 0) return false;
    std::int32_t running = 1, word = 0, model = 0;
    app().interlock.acquire();
    app().driver.qvReadStatus(app().device, &running, &word, &model);
    app().interlock.release();
    return running == 0;
}

void showWaiting(bool waiting) {
    WaveEditorState& s = editor();
    if (waiting == s.outputWaiting) return;
    s.outputWaiting = waiting;
    if (waiting) s.waitsForExternalEvent = selectsExternalEvent(document().usableImage());
    updateStatus();
}

} // namespace

void advanceIndicator() {
    WaveEditorState& s = editor();
    HWND indicator = GetDlgItem(s.dialog, IDC_WAVE_INDICATOR);
    if (s.flags.running.load() == 0) {
        KillTimer(s.dialog, indicatorTimer);
        showWaiting(false);
        InvalidateRect(indicator, nullptr, FALSE); // once more, idle
        return;
    }
    if (s.flags.outputActive.load() == 0) return;
    showWaiting(app().device != noDevice && sequencerWaits());
    s.indicatorPhase = (s.indicatorPhase + 1) % 8;
    InvalidateRect(indicator, nullptr, FALSE);
}

void sendKeyboardEvent(int key) {
    if (runPorts) sendEventHotKey(runPorts->ports, document().output(), key);
}

void openSweepOverRun() {
    WaveEditorState& s = editor();
    if (s.flags.running.load() == 0 || !runPorts) return;
    OutputPorts sweepPorts = runPorts->ports;
    sweepPorts.idle = deliverPendingMessages; // the sweep runs on the UI thread
    runSweep(s.dialog, sweepPorts);
    giveFocusToMainWindow();
}

} // namespace qv::win
