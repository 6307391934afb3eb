// A VCD load runs on the UI thread: the importer's progress callback, called after every block it
// reads, pumps the dialog's messages, so that Cancel Loading (the only control enabled meanwhile)
// sets the flag the importer polls. A VHDL test bench is read whole and parsed at once.
#include "app/help_topics.h"
#include "converters/import_dialog.h"

#include "converters/signal_list_view.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/settings.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "app/window_prompt.h"
#include "converters/vcd_import.h"
#include "converters/vhdl_import.h"
#include "generators/generator_dialog.h"
#include "resource.h"
#include "support/file_io.h"
#include "waveedit/document.h"
#include "waveedit/handoff.h"

#include <commctrl.h>

#include <atomic>
#include <new>

namespace qv::win {
namespace {

constexpr int vcdHelpContext = 107;
constexpr int vhdlHelpContext = 115;

struct Variant {
    int templateId;
    Msg filter;
    const char* pattern;
    const char* extension;
    int labelColumnWidth;
    int channelColumnWidth;
};
constexpr Variant vcdVariant{IDD_VCD_IMPORT, Msg::VcdFileFilter, "*.vcd", "vcd", 370, 92};
constexpr Variant vhdlVariant{IDD_VHDL_IMPORT, Msg::VhtFileFilter, "*.vht", "vht", 320, 72};

// The one open import tool.
struct ImportTool {
    bool vhdl = false;
    bool loading = false;
    bool closeAfterLoad = false; // WM_CLOSE came while loading
    bool loaded = false; // the image and labels hold a load that Convert may hand off
    bool repeat = false; // the boxes as they were at Load: they gave the lead
    bool waitKey = false;
    int sampleFrequency = 0;
    std::atomic<int> cancel{0};
    vcd::ImportResult vcdResult;
    vhdl::ImportResult vhdlResult;
};
ImportTool& tool() {
    static ImportTool state;
    return state;
}

const Variant& variant() { return tool().vhdl ? vhdlVariant : vcdVariant; }
const std::string& vhdlKey() { return app().keyPath(ModuleKey::VhdlWav); }

// No load: the list empty, Convert off, the lead boxes free again.
void forgetLoad(HWND dialog) {
    ImportTool& t = tool();
    t.loaded = false;
    t.vcdResult = {};
    t.vhdlResult = {};
    SendDlgItemMessageW(dialog, IDC_IMPORT_LIST, LVM_DELETEALLITEMS, 0, 0);
    enableControls(dialog, {IDC_IMPORT_CONVERT}, false);
    enableControls(dialog, {IDC_IMPORT_REPEAT, IDC_IMPORT_WAIT_KEY}, true);
}

// Dispatches what is waiting for the dialog and its controls while a load runs.
void pumpMessages(HWND dialog) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            tool().cancel.store(1);
            return;
        }
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

Msg loadVcd(HWND dialog, const std::string& path, Prompt& prompt) {
    ImportTool& t = tool();
    InputFile file;
    if (!file.open(path) || file.size() <= 0) return Msg::CantOpenFile;
    vcd::ImportSettings settings;
    settings.capabilities = app().caps;
    settings.repeat = t.repeat;
    settings.waitKey = t.waitKey;
    settings.cancel = &t.cancel;
    settings.progress = [dialog](std::int64_t, std::int64_t) { pumpMessages(dialog); };
    const Msg result =
        vcd::importVcd(file, settings, prompt, document().usableImage(), document().labels(), t.vcdResult);
    if (result != Msg::None || t.vcdResult.abandoned) return result;
    t.sampleFrequency = t.vcdResult.sampleFrequency;
    fillSignalList(dialog, IDC_IMPORT_LIST, t.vcdResult.signals);
    t.loaded = !t.vcdResult.signals.empty();
    return Msg::None;
}

Msg loadVhdl(HWND dialog, const std::string& path, Prompt& prompt) {
    ImportTool& t = tool();
    std::string text; // an empty file is refused as no test bench
    if (const Msg error = readWholeFile(path, text); error != Msg::None) return error;
    vhdl::ImportSettings settings;
    settings.capabilities = app().caps;
    settings.repeat = t.repeat;
    settings.waitKey = t.waitKey;
    const Msg result = vhdl::importVhdl(std::move(text), settings, prompt, document().usableImage(),
                                        document().labels(), t.vhdlResult);
    if (result != Msg::None) return result;
    t.sampleFrequency = t.vhdlResult.sampleFrequency;
    fillSignalList(dialog, IDC_IMPORT_LIST, t.vhdlResult.signals);
    t.loaded = !t.vhdlResult.signals.empty();
    return Msg::None;
}

constexpr int loadLockedControls[] = {IDC_IMPORT_FILE,    IDC_IMPORT_BROWSE, IDC_IMPORT_LOAD,
                                      IDC_IMPORT_LIST,    IDC_IMPORT_REPEAT, IDC_IMPORT_WAIT_KEY,
                                      IDC_IMPORT_CONVERT, IDC_IMPORT_HELP,   IDC_IMPORT_CANCEL};

void lockForLoad(HWND dialog, bool locked) {
    for (int control : loadLockedControls) EnableWindow(GetDlgItem(dialog, control), locked ? FALSE : TRUE);
}

LRESULT onLoad(HWND dialog, const Command&) {
    ImportTool& t = tool();
    if (t.loading) return TRUE;
    forgetLoad(dialog);
    const std::string path = toAnsi(fieldText(dialog, IDC_IMPORT_FILE));
    t.repeat = isChecked(dialog, IDC_IMPORT_REPEAT);
    t.waitKey = isChecked(dialog, IDC_IMPORT_WAIT_KEY);
    t.cancel.store(0);
    t.loading = true;
    lockForLoad(dialog, true);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    WindowPrompt prompt(dialog);
    Msg result = Msg::None;
    try {
        result = t.vhdl ? loadVhdl(dialog, path, prompt) : loadVcd(dialog, path, prompt);
    } catch (const std::bad_alloc&) {
        result = Msg::MemoryNotEnough;
    }
    SetCursor(previous);
    t.loading = false;
    lockForLoad(dialog, false);
    if (t.closeAfterLoad) {
        t.closeAfterLoad = false;
        forgetLoad(dialog);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        return TRUE;
    }
    if (result != Msg::None || !t.loaded) {
        forgetLoad(dialog);
        if (result != Msg::None) messageBox(dialog, result, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    // The lead is in the image: the boxes that set it stay as they were until the load is dropped.
    enableControls(dialog, {IDC_IMPORT_REPEAT, IDC_IMPORT_WAIT_KEY}, false);
    enableControls(dialog, {IDC_IMPORT_CONVERT}, true);
    return TRUE;
}

LRESULT onCancelLoading(HWND dialog, const Command&) {
    ImportTool& t = tool();
    t.cancel.store(1);
    if (!t.loading) forgetLoad(dialog);
    return TRUE;
}

LRESULT onBrowse(HWND dialog, const Command&) {
    const Variant& v = variant();
    browseForFile(dialog, IDC_IMPORT_FILE, {v.filter, v.pattern, v.extension});
    return TRUE;
}

LRESULT onConvert(HWND dialog, const Command&) {
    ImportTool& t = tool();
    if (!t.loaded || t.loading) return TRUE;
    if (!confirmReplacingEditorWork(dialog)) return TRUE; // Convert is id 2: Esc sends it too
    std::span<Sample> image = document().usableImage();
    if (t.vhdl) {
        vhdl::ImportSettings settings{app().caps, t.repeat, t.waitKey};
        vhdl::finishVhdlImage(image, settings, t.vhdlResult);
    } else {
        vcd::ImportSettings settings;
        settings.capabilities = app().caps;
        settings.repeat = t.repeat;
        settings.waitKey = t.waitKey;
        vcd::finishVcdImage(image, settings, t.vcdResult);
    }
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const Msg result = writeHandoffFiles(app().workDirectory, document().labels(), image);
    SetCursor(previous);
    if (result != Msg::None) {
        messageBox(dialog, result, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    writeBaseFrequency(*placementStore(), app().keyPath(ModuleKey::WaveEdit), t.sampleFrequency);
    postHandOff(dialog);
    return TRUE;
}

LRESULT onHelp(HWND dialog, const Command&) {
    if (tool().vhdl)
        openHelpTopic(dialog, vhdlHelpTopic, vhdlHelpContext);
    else
        openHelpTopic(dialog, vcdHelpTopic, vcdHelpContext);
    return TRUE;
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    ImportTool& t = tool();
    t.loading = false;
    t.closeAfterLoad = false;
    t.cancel.store(0);
    if (t.vhdl) readStartPath(*placementStore(), vhdlKey(), app().workDirectory, generatorStartPath());
    if (hasDocument()) {
        document().labels() = {};
        document().clearSamples();
    }
    setUpSignalList(dialog, IDC_IMPORT_LIST, variant().labelColumnWidth, variant().channelColumnWidth);
    forgetLoad(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    ImportTool& t = tool();
    if (t.loading) { // the load is cancelled and ends first
        t.cancel.store(1);
        t.closeAfterLoad = true;
        return TRUE;
    }
    if (t.vhdl) writeStartPath(*placementStore(), vhdlKey(), generatorStartPath());
    closeFunctionDialog(app().mainWindow);
    DestroyWindow(dialog);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit}, {WM_CLOSE, onClose}, {toolHelp, ignoreMessage}, {WM_SIZE, repaintOnSize}};
constexpr CommandEntry commands[] = {
    {IDC_IMPORT_BROWSE, onBrowse, BN_CLICKED},
    {IDC_IMPORT_LOAD, onLoad, BN_CLICKED},
    {IDC_IMPORT_CANCEL_LOADING, onCancelLoading, BN_CLICKED},
    {IDC_IMPORT_CONVERT, onConvert, BN_CLICKED},
    {IDC_IMPORT_HELP, onHelp, BN_CLICKED},
    {IDC_IMPORT_CANCEL, postClose, BN_CLICKED},
    // Repeat and Wait Key Before Run give the lead, read at Load.
    {IDC_IMPORT_REPEAT, ignoreCommand},
    {IDC_IMPORT_WAIT_KEY, ignoreCommand},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

} // namespace

void openImportTool(HWND mainWindow, int functionId, LPARAM parameter) {
    tool().vhdl = functionId == ID_TOOL_VHDL;
    openFunctionDialog(mainWindow, DialogDefinition{variant().templateId, dialogProcedure<table>}, parameter);
}

} // namespace qv::win
