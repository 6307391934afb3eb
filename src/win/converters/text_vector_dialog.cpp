// Load and Convert run on the UI thread: a text file is read whole and parsed at once. The
// frequency edit is what Convert reads, enabled for typing only with Custom Frequency; Load writes
// the frequency the file implies into it. Convert is enabled by a Load that gave rows and a
// frequency, and disabled again by a Load that fails (its list is gone).
#include "app/help_topics.h"
#include "converters/text_vector_dialog.h"

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
#include "converters/signal_list_view.h"
#include "converters/text_vector_convert.h"
#include "generators/generator_dialog.h"
#include "resource.h"
#include "waveedit/document.h"
#include "waveedit/handoff.h"

#include <cstdlib>
#include <new>

namespace qv::win {
namespace {

// The frequency questions carry the warning icon, the partial-data question the error icon.
constexpr QuestionIcon questionIcons[] = {{Msg::CantGenerateFrequency, MB_ICONWARNING},
                                          {Msg::TimeStampClockNearby, MB_ICONWARNING},
                                          {Msg::DataTooLongPartial, MB_ICONERROR}};

constexpr int helpContext = 108;
constexpr int labelColumnWidth = 320;
constexpr int channelColumnWidth = 72;
constexpr char initialFrequency[] = "10"; // MHz

struct Variant {
    Msg filePrompt;
    BrowseFilter filter;
};
constexpr Variant textVectorVariant{Msg::TextVectorFilePrompt, {Msg::VectorWaveformFilter, "*.qvv", "qvv", true}};
constexpr Variant alteraVariant{Msg::AlteraTableFilePrompt, {Msg::AlteraTableFilter, "*.tbl", "tbl", true}};

// The one open tool.
struct TextVectorTool {
    textvector::Variant variant = textvector::Variant::TextVector;
    textvector::LoadResult load; // timing and signal list of the last good Load
    RateUnit unit = RateUnit::Mbps;
    bool loaded = false;
};
TextVectorTool& tool() {
    static TextVectorTool state;
    return state;
}

const Variant& variant() {
    return tool().variant == textvector::Variant::TextVector ? textVectorVariant : alteraVariant;
}
const std::string& settingsKey() { return app().keyPath(ModuleKey::Text2Wav); }
std::string fileName(HWND dialog) { return toAnsi(fieldText(dialog, IDC_IMPORT_FILE)); }

void showUnit(HWND dialog, RateUnit unit) {
    tool().unit = unit;
    setFieldText(dialog, IDC_TV_FREQUENCY_UNIT, textvector::frequencyUnitCaption(unit));
}

bool frequencyHasWholePart(HWND dialog) { return std::atoll(toUtf8(fieldText(dialog, IDC_TV_FREQUENCY)).c_str()) != 0; }

void showError(HWND dialog, Msg message) { messageBox(dialog, message, MB_ICONERROR | MB_OK); }

LRESULT onLoad(HWND dialog, const Command&) {
    TextVectorTool& t = tool();
    t.loaded = false;
    fillSignalList(dialog, IDC_IMPORT_LIST, {});
    enableControls(dialog, {IDC_IMPORT_CONVERT}, false);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    WindowPrompt prompt(dialog, MB_ICONERROR, MB_ICONQUESTION, questionIcons);
    Msg result = Msg::None;
    try {
        std::string text;
        result = textvector::readConverterFile(fileName(dialog), text);
        if (result == Msg::None)
            result =
                textvector::loadTextVector(std::move(text), t.variant, app().caps, prompt, t.load, document().labels());
    } catch (const std::bad_alloc&) {
        result = Msg::MemoryNotEnough;
    }
    SetCursor(previous);
    if (result != Msg::None) {
        document().labels() = {};
        showError(dialog, result);
        return TRUE;
    }
    fillSignalList(dialog, IDC_IMPORT_LIST, t.load.signals);
    if (t.load.frequencyShown) {
        const textvector::FrequencyDisplay shown = textvector::frequencyDisplay(t.load.timing.frequency);
        setFieldText(dialog, IDC_TV_FREQUENCY, shown.text);
        showUnit(dialog, shown.unit);
    }
    t.loaded = !t.load.signals.empty() && frequencyHasWholePart(dialog);
    enableControls(dialog, {IDC_IMPORT_CONVERT}, t.loaded);
    return TRUE;
}

LRESULT onConvert(HWND dialog, const Command&) {
    TextVectorTool& t = tool();
    if (!t.loaded) return TRUE;
    if (!confirmReplacingEditorWork(dialog)) return TRUE; // Convert is id 2: Esc sends it too
    textvector::ConvertRequest request;
    request.frequencyText = toUtf8(fieldText(dialog, IDC_TV_FREQUENCY));
    request.unit = t.unit;
    request.repeat = isChecked(dialog, IDC_IMPORT_REPEAT);
    request.waitKey = isChecked(dialog, IDC_IMPORT_WAIT_KEY);
    std::span<Sample> image = document().usableImage();
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    WindowPrompt prompt(dialog, MB_ICONERROR, MB_ICONQUESTION, questionIcons);
    textvector::ConvertResult converted;
    Msg result = Msg::None;
    try {
        std::string text;
        // The frequency is checked before the file is read again, as a typed value may be refused.
        if (!frequencyHasWholePart(dialog)) result = Msg::TimeUnitError;
        if (result == Msg::None) result = textvector::readConverterFile(fileName(dialog), text);
        if (result == Msg::None)
            result =
                textvector::convertTextVector(std::move(text), request, t.load, app().caps, prompt, image, converted);
    } catch (const std::bad_alloc&) {
        result = Msg::MemoryNotEnough;
    }
    if (result == Msg::None && !converted.abandoned)
        result = writeHandoffFiles(app().workDirectory, document().labels(), image);
    SetCursor(previous);
    if (result != Msg::None) {
        showError(dialog, result);
        return TRUE;
    }
    if (converted.abandoned) return TRUE; // 12056 answered No: nothing written, the tool stays
    writeBaseFrequency(*placementStore(), app().keyPath(ModuleKey::WaveEdit), converted.frequency);
    postHandOff(dialog);
    return TRUE;
}

LRESULT onBrowse(HWND dialog, const Command&) {
    browseForFile(dialog, IDC_IMPORT_FILE, variant().filter);
    return TRUE;
}

LRESULT onCustomFrequency(HWND dialog, const Command&) {
    enableControls(dialog, {IDC_TV_FREQUENCY, IDC_TV_FREQUENCY_SPIN, IDC_TV_FREQUENCY_UNIT},
                   isChecked(dialog, IDC_TV_CUSTOM_FREQUENCY));
    return TRUE;
}

LRESULT onUnit(HWND dialog, const Command&) {
    showUnit(dialog, nextRateUnit(tool().unit));
    return TRUE;
}

LRESULT onSpin(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(lParam) != GetDlgItem(dialog, IDC_TV_FREQUENCY_SPIN)) return FALSE;
    const int code = LOWORD(wParam);
    if (code != SB_LINEUP && code != SB_LINEDOWN) return TRUE;
    const int tenths = spinRateTenths(toUtf8(fieldText(dialog, IDC_TV_FREQUENCY)), tool().unit, code == SB_LINEUP);
    setFieldText(dialog, IDC_TV_FREQUENCY, rateTenthsText(tenths));
    return TRUE;
}

LRESULT onHelp(HWND dialog, const Command&) {
    openHelpTopic(dialog, textVectorHelpTopic, helpContext);
    return TRUE;
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    TextVectorTool& t = tool();
    t.loaded = false;
    t.load = {};
    readStartPath(*placementStore(), settingsKey(), app().workDirectory, generatorStartPath());
    if (hasDocument()) document().labels() = {};
    setUpSignalList(dialog, IDC_IMPORT_LIST, labelColumnWidth, channelColumnWidth);
    setFieldText(dialog, IDC_TV_FILE_PROMPT, variant().filePrompt);
    setFieldText(dialog, IDC_TV_FREQUENCY, std::string(initialFrequency));
    showUnit(dialog, RateUnit::Mbps);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    writeStartPath(*placementStore(), settingsKey(), generatorStartPath());
    closeFunctionDialog(app().mainWindow);
    DestroyWindow(dialog);
    return TRUE;
}

constexpr MessageEntry messages[] = {{WM_INITDIALOG, onInit},
                                     {WM_CLOSE, onClose},
                                     {WM_VSCROLL, onSpin},
                                     {toolHelp, ignoreMessage},
                                     {WM_SIZE, repaintOnSize}};
constexpr CommandEntry commands[] = {
    {IDC_IMPORT_BROWSE, onBrowse, BN_CLICKED},
    {IDC_TV_FREQUENCY_UNIT, onUnit, BN_CLICKED},
    {IDC_TV_CUSTOM_FREQUENCY, onCustomFrequency, BN_CLICKED},
    {IDC_IMPORT_LOAD, onLoad, BN_CLICKED},
    {IDC_IMPORT_CONVERT, onConvert, BN_CLICKED},
    {IDC_IMPORT_HELP, onHelp, BN_CLICKED},
    {IDC_IMPORT_CANCEL, postClose, BN_CLICKED},
    // Repeat and Wait Key Before Run are read at Convert.
    {IDC_IMPORT_REPEAT, ignoreCommand},
    {IDC_IMPORT_WAIT_KEY, ignoreCommand},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

} // namespace

void openTextVectorTool(HWND mainWindow, int functionId, LPARAM parameter) {
    if (app().openDialog) return; // one tool at a time: the open one keeps its variant
    tool().variant = functionId == ID_TOOL_ALTERA ? textvector::Variant::AlteraTable : textvector::Variant::TextVector;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_TEXT_VECTOR, dialogProcedure<table>}, parameter);
}

} // namespace qv::win
