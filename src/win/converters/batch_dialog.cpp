// The list box holds the full paths in play order. Run copies the list and the settings into a
// BatchSettings and runs runBatch on the generators' output thread (busy icon, driver-busy
// bracket, Stop and Close are theirs); the thread posts the entry to select and the Manual
// button's state, and at its end command 1233, which sets the interval edit and Manual to match
// the check box again. Nothing is stored in the registry.
#include "app/help_topics.h"
#include "converters/batch_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "app/window_prompt.h"
#include "converters/batch_output.h"
#include "generators/generator_dialog.h"
#include "resource.h"
#include "waveedit/waveform_file_dialogs.h"

#include <algorithm>
#include <atomic>
#include <climits>

namespace qv::win {
namespace {

constexpr int batchHelpContext = 113;
constexpr char waveformPatterns[] = "*.qvw;*.qvv";

// Posted by the output thread: wParam the entry to select / 1 to enable Manual, 0 to disable it.
constexpr UINT batchSelectEntry = WM_APP + 2;
constexpr UINT batchManualState = WM_APP + 3;

struct BatchTool {
    HWND dialog = nullptr;
    std::atomic<int> manualWait{0}; // set by the thread while it waits for Manual
};
// Static: an output thread left to end on its own after Close still reads the wait flag.
BatchTool& tool() {
    static BatchTool state;
    return state;
}

LRESULT listMessage(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(dialog, IDC_BATCH_LIST, message, wParam, lParam);
}
int entryCount(HWND dialog) { return static_cast<int>(listMessage(dialog, LB_GETCOUNT)); }
int selectedEntry(HWND dialog) { return static_cast<int>(listMessage(dialog, LB_GETCURSEL)); }

std::wstring entryText(HWND dialog, int index) {
    const LRESULT length = listMessage(dialog, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length == LB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    listMessage(dialog, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Long paths scroll sideways.
void widenListFor(HWND dialog, const std::wstring& text) {
    HWND list = GetDlgItem(dialog, IDC_BATCH_LIST);
    HDC dc = GetDC(list);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(list, dc);
    const LRESULT extent = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    if (size.cx + 8 > extent) SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + 8), 0);
}

// The interval edit while "Interval for each file:" is checked, Manual while it is not.
void matchIntervalMode(HWND dialog) {
    const bool interval = isChecked(dialog, IDC_BATCH_INTERVAL_MODE);
    enableControls(dialog, {IDC_BATCH_INTERVAL}, interval);
    enableControls(dialog, {IDC_BATCH_MANUAL}, !interval);
}

batch::BatchSettings readSettings(HWND dialog) {
    batch::BatchSettings settings;
    for (int i = 0, count = entryCount(dialog); i < count; ++i) settings.files.push_back(toAnsi(entryText(dialog, i)));
    settings.intervalMode = isChecked(dialog, IDC_BATCH_INTERVAL_MODE);
    const long long interval = fieldInteger(dialog, IDC_BATCH_INTERVAL).value_or(0);
    settings.intervalMs = static_cast<int>(std::clamp<long long>(interval, 0, INT_MAX));
    settings.loopAlways = isChecked(dialog, IDC_BATCH_LOOP);
    return settings;
}

LRESULT onAddFile(HWND dialog, const Command&) {
    FileNameRequest request;
    request.owner = dialog;
    request.title = Msg::OpenWaveformTitle;
    request.filters = {{Msg::WaveformFilesFilter, waveformPatterns}, {Msg::AllFilesFilter, "*.*"}};
    request.initialName = waveformPatterns;
    request.initialDirectory = generatorStartPath();
    request.multiSelect = true;
    std::string path;
    if (!chooseFileName(request, path)) return TRUE;
    const std::vector<std::string> paths = request.chosenPaths.empty() ? std::vector{path} : request.chosenPaths;
    for (const std::string& chosen : paths) {
        const std::wstring text = fromAnsi(chosen);
        listMessage(dialog, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        widenListFor(dialog, text);
    }
    if (const std::string folder = folderOf(paths.front()); !folder.empty()) generatorStartPath() = folder;
    return TRUE;
}

LRESULT onRemove(HWND dialog, const Command&) {
    const int selected = selectedEntry(dialog);
    if (selected < 0) return TRUE;
    listMessage(dialog, LB_DELETESTRING, static_cast<WPARAM>(selected));
    listMessage(dialog, LB_SETCURSEL, static_cast<WPARAM>(batch::selectionAfterRemove(selected, entryCount(dialog))));
    return TRUE;
}

LRESULT onRemoveAll(HWND dialog, const Command&) {
    listMessage(dialog, LB_RESETCONTENT);
    listMessage(dialog, LB_SETHORIZONTALEXTENT, 0);
    return TRUE;
}

LRESULT onMove(HWND dialog, const Command& command) {
    const int selected = selectedEntry(dialog);
    const int destination = batch::moveDestination(selected, entryCount(dialog), command.id == IDC_BATCH_UP);
    if (destination < 0) return TRUE;
    const std::wstring text = entryText(dialog, selected);
    listMessage(dialog, LB_DELETESTRING, static_cast<WPARAM>(selected));
    listMessage(dialog, LB_INSERTSTRING, static_cast<WPARAM>(destination), reinterpret_cast<LPARAM>(text.c_str()));
    listMessage(dialog, LB_SETCURSEL, static_cast<WPARAM>(destination));
    return TRUE;
}

LRESULT onIntervalMode(HWND dialog, const Command&) {
    matchIntervalMode(dialog);
    return TRUE;
}

LRESULT onRun(HWND dialog, const Command&) {
    if (entryCount(dialog) == 0) {
        messageBox(dialog, Msg::NoFile, MB_ICONWARNING | MB_OK);
        return TRUE;
    }
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, true); // beeps and sends the key event
        return TRUE;
    }
    const batch::BatchSettings settings = readSettings(dialog);
    tool().manualWait.store(0);
    startGeneratorRun(
        dialog,
        [dialog, settings](OutputPorts& ports) {
            WindowPrompt prompt(dialog, MB_ICONERROR, MB_ICONERROR); // 12091 carries the error icon
            OutputPorts batchPorts{ports.driver, ports.device, ports.interlock,
                                   ports.flags,  prompt,       ports.capabilities};
            const batch::BatchProgress progress{
                [dialog](int entry) { PostMessageW(dialog, batchSelectEntry, static_cast<WPARAM>(entry), 0); },
                [dialog](bool enabled) { PostMessageW(dialog, batchManualState, enabled ? 1 : 0, 0); }};
            batch::runBatch(batchPorts, settings, tool().manualWait, progress);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_BATCH_INTERVAL_MODE, BN_CLICKED), 0);
            return false; // the device is stopped
        },
        true);
    return TRUE;
}

LRESULT onManual(HWND, const Command&) {
    tool().manualWait.store(0);
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopGeneratorOutput(dialog);
    return TRUE;
}

LRESULT onHelp(HWND dialog, const Command&) {
    openHelpTopic(dialog, batchHelpTopic, batchHelpContext);
    return TRUE;
}

LRESULT onSelectEntry(HWND dialog, UINT, WPARAM entry, LPARAM) {
    listMessage(dialog, LB_SETCURSEL, entry);
    return TRUE;
}

LRESULT onManualState(HWND dialog, UINT, WPARAM enabled, LPARAM) {
    enableControls(dialog, {IDC_BATCH_MANUAL}, enabled != 0);
    return TRUE;
}

LRESULT onRunDone(HWND dialog, UINT, WPARAM, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (isCurrentRun(runNumber)) endGeneratorRun(dialog);
    return TRUE;
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool().dialog = dialog;
    tool().manualWait.store(0);
    initGenerator(dialog);
    setFieldInteger(dialog, IDC_BATCH_INTERVAL, 0);
    setChecked(dialog, IDC_BATCH_INTERVAL_MODE, true);
    matchIntervalMode(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    tool().manualWait.store(0);
    tool().dialog = nullptr;
    closeGenerator(dialog);
    return TRUE;
}

LRESULT onDestroy(HWND, UINT, WPARAM, LPARAM) {
    releaseGenerator();
    return FALSE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},           {WM_CLOSE, onClose},           {WM_DESTROY, onDestroy},
    {WM_TIMER, onGeneratorTimer},      {generatorRunDone, onRunDone}, {batchSelectEntry, onSelectEntry},
    {batchManualState, onManualState}, {toolHelp, ignoreMessage},     {WM_SIZE, repaintOnSize}};
constexpr CommandEntry commands[] = {
    {IDC_BATCH_ADD, onAddFile, BN_CLICKED},
    {IDC_BATCH_REMOVE, onRemove, BN_CLICKED},
    {IDC_BATCH_REMOVE_ALL, onRemoveAll, BN_CLICKED},
    {IDC_BATCH_UP, onMove, BN_CLICKED},
    {IDC_BATCH_DOWN, onMove, BN_CLICKED},
    {IDC_BATCH_INTERVAL_MODE, onIntervalMode, BN_CLICKED},
    {IDC_BATCH_RUN, onRun, BN_CLICKED},
    {IDC_BATCH_MANUAL, onManual, BN_CLICKED},
    {IDC_BATCH_STOP, onStop, BN_CLICKED},
    {IDC_BATCH_HELP, onHelp, BN_CLICKED},
    {IDC_BATCH_EXIT, postClose, BN_CLICKED},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

} // namespace

void openBatchTool(HWND mainWindow, int, LPARAM parameter) {
    openFunctionDialog(mainWindow, DialogDefinition{IDD_BATCH, dialogProcedure<table>}, parameter);
}

HWND batchToolWindow() { return tool().dialog; }

} // namespace qv::win
