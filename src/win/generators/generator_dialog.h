// What every generator dialog shares: the run state of the one open tool (the flags, the output
// thread, the busy animation), Run, Stop and Close, the rate entry, Export and Import of a text,
// file choice in the start directory, and Convert's hand-off to the Wave Editor. The output thread
// never touches a window: it sets its language, runs the tool's work on the output engine and
// posts generatorRunDone to the dialog; the busy icon is a 150 ms timer of the dialog that reads
// the flags. A tool module keeps only its own controls and settings.
#pragma once

#include <windows.h>

#include "device/output_engine.h"
#include "generators/convert.h"
#include "device/rate_entry.h"
#include "support/strings.h"
#include "waveedit/sample.h"
#include "waveedit/waveform_file_dialogs.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qv::win {

// Posted by the output thread as its last step; wParam 1 when the instrument runs on, 0 when the
// run ended without output (an error, a question answered No); lParam the run's number, so that
// the report of a run stopped meanwhile does not end a newer one (isCurrentRun).
inline constexpr UINT generatorRunDone = WM_APP + 1;
inline constexpr UINT_PTR busyTimer = 1;
// The thread posts its report as its last step: the wait that joins it after the report.
inline constexpr int threadEndWaitMilliseconds = 1000;
inline constexpr int busyTickMilliseconds = 150;

// WM_INITDIALOG's common steps: the sample buffer cleared, the flags cleared, the busy icons
// loaded and the idle icon shown in IDC_GEN_STATUS. From here on the dialog's Enter and Esc keys
// are filtered: Esc does nothing, Enter only presses a focused push button (never command 1), the
// dialog's named default button, or starts a new line in a text that takes one.
void initGenerator(HWND dialog);
// WM_DESTROY: the icons freed, the key filter removed.
void releaseGenerator();
// WM_DESTROY of a generator dialog: the shared part released and the tool's own state (a
// std::unique_ptr) dropped.
template <auto& toolState> LRESULT destroyGenerator(HWND, UINT, WPARAM, LPARAM) {
    releaseGenerator();
    toolState.reset();
    return FALSE;
}

OutputFlags& generatorFlags();
bool generatorRunning();

// The tool's work on the output thread, after the thread language was set; returns whether the
// instrument runs on. It owns copies of what it reads: the dialog may be gone when it ends.
using GeneratorWork = std::function<bool(OutputPorts& ports)>;
// Run: while running, a second press beeps and, with keyEvent, releases a sequencer waiting on
// the key event; false then. Otherwise the running flag, the output thread and the busy timer.
bool startGeneratorRun(HWND dialog, GeneratorWork work, bool keyEvent);
// Run of a tool whose Run button rests while its output runs (the list tools): while running, as
// startGeneratorRun; otherwise prepare() reads the dialog and makes the work (it keeps the result
// the tool shows when the run ends), the editor's samples are cleared, Run is disabled and the work
// starts; Run is enabled again when it could not start.
void startRunResting(HWND dialog, bool keyEvent, const std::function<GeneratorWork()>& prepare);
// Stop of such a tool: the output stopped and Run enabled again.
void stopRunResting(HWND dialog);
// Joins an output thread that has ended or ends within the wait; false while it still runs.
bool waitForOutputThread(int milliseconds);
bool isCurrentRun(LPARAM runNumber);
// A run that ended by itself (a build error): the flags cleared and the idle icon, no driver call.
void endGeneratorRun(HWND dialog);
// Stop: the stop request, qvPowerDown, the running and output-active flags cleared, idle icon.
void stopGeneratorOutput(HWND dialog);
// Close, after the tool saved its settings: Stop (a thread still building after 100 ms is left
// to end on its own), then the hosting protocol and DestroyWindow.
void closeGenerator(HWND dialog);
LRESULT onGeneratorTimer(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Tests count the beeps of a second Run; an empty function restores MessageBeep.
void setGeneratorBeep(std::function<void()> beep);

// The global sample buffer from device address 0, where the generators build their streams.
std::span<Sample> generatorBuffer();

// ---- rate entry: the edit IDC_GEN_RATE, its spin and the unit button IDC_GEN_RATE_UNIT -----------
void showRate(HWND dialog, const std::string& text, RateUnit unit);
RateUnit cycleRateUnit(HWND dialog, RateUnit unit);
void stepRate(HWND dialog, RateUnit unit, bool up);
// The typed rate in bits per second, rounded to the nearest hertz; NaN when the edit holds no number.
double rateOf(HWND dialog, RateUnit unit);

// ---- files ------------------------------------------------------------------------------------------
// The start directory the tools' file dialogs share (the working directory until set).
std::string& generatorStartPath();
// An open dialog with the title, filters and initial name, in the start directory.
bool chooseFile(HWND dialog, Msg title, std::vector<FileFilter> filters, const char* initialName, std::string& path);
// Export: the save dialog, 12029 for an existing file, the text written, the path into fileField
// (0: none) and "Export ok!"; errors shown. True when written.
bool exportDataText(HWND dialog, int fileField, const std::string& text);
// Import: the open dialog and the whole file into text (12005 shown for an unreadable or empty
// file, text unchanged), the path into fileField. True when read.
bool importDataText(HWND dialog, int fileField, std::string& text);

// ---- Convert ----------------------------------------------------------------------------------------
// Before a Convert replaces the hand-off files: when they hold Wave Editor work no file keeps,
// "The Wave Editor holds changes that are not saved in a file. Overwrite?"; true to go on.
bool confirmReplacingEditorWork(HWND dialog);
// The built stream (in generatorBuffer()) to the hand-off files with the tool's labels and
// iBaseFreq; then WM_CLOSE to the tool and WM_COMMAND 10003 lParam 9999 to the main window.
// Asks confirmReplacingEditorWork first. Errors are shown and the tool stays open.
bool handOffToWaveEditor(HWND dialog, std::vector<gen::ToolSignal> signals, int sampleClockHz);
// The last step of every tool's Convert, after its hand-off files were written: WM_CLOSE to the
// tool and WM_COMMAND 10003 lParam 9999 to the main window, which opens the Wave Editor on them.
// (A tool that writes its own files asks confirmReplacingEditorWork before.)
void postHandOff(HWND dialog);

} // namespace qv::win
