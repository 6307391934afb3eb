// Properties dialog. The level texts and their ranges come from core (app/shell_text, app/models);
// this module moves them between the controls, the settings and the driver.
#include "app/properties.h"

#include "app/app_state.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/models.h"
#include "app/shell_text.h"
#include "app/strings_win.h"

#include <algorithm>

namespace qv::win {
namespace {

constexpr int stringDemoMode = 10110;
constexpr int stringNoInterface = 10111;
constexpr int stringUnknown = 10112;

// One range for both bars, as the bar set up last leaves it.
struct LevelScroll {
    int maximum = maxVoltsLevel;
    int page = 8;
} scroll;

DeviceHandle device() { return app().device; }

void setText(HWND dialog, int control, const std::string& text) {
    SetDlgItemTextW(dialog, control, fromUtf8(text).c_str());
}

void setBar(HWND dialog, int bar, int maximum, int page, int position) {
    scroll = {maximum, page};
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS;
    info.nMin = 0;
    info.nMax = maximum;
    info.nPos = position;
    SetScrollInfo(GetDlgItem(dialog, bar), SB_CTL, &info, TRUE);
}

void enable(HWND dialog, int control, bool on) { EnableWindow(GetDlgItem(dialog, control), on); }

std::string interfaceName(int kind) {
    const Driver& driver = app().driver;
    char name[32] = {};
    if (!driver.qvInterfaceName || !driver.qvInterfaceName(device(), nullptr, kind, name, sizeof name)) return {};
    name[sizeof name - 1] = '\0';
    return name;
}

void fillLanguages(HWND dialog) {
    HWND combo = GetDlgItem(dialog, propertiesLanguage);
    const LANGID current = LANGIDFROMLCID(GetThreadLocale());
    for (LANGID language : app().languages) {
        wchar_t name[128] = {};
        GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SLANGUAGE, name, 128);
        const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (index < 0) continue;
        SendMessageW(combo, CB_SETITEMDATA, index, language);
        if (language == current) SendMessageW(combo, CB_SETCURSEL, index, 0);
    }
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    AppState& state = app();
    fillLanguages(dialog);
    CheckDlgButton(dialog, propertiesOnlineUpdate, state.onlineUpdateAtStartup ? BST_CHECKED : BST_UNCHECKED);
    for (int control : {propertiesLevel1Text, propertiesLevel1Bar, propertiesLevel2Text, propertiesLevel2Bar})
        enable(dialog, control, false);

    if (device() == noDevice) {
        SetDlgItemTextW(dialog, propertiesModel, loadString(stringDemoMode).c_str());
        SetDlgItemTextW(dialog, propertiesInterface, loadString(stringNoInterface).c_str());
        return TRUE;
    }
    for (auto [control, kind] : {std::pair{propertiesModel, 0}, std::pair{propertiesInterface, 1}}) {
        const std::string name = interfaceName(kind);
        if (name.empty())
            SetDlgItemTextW(dialog, control, loadString(stringUnknown).c_str());
        else
            setText(dialog, control, name);
    }

    const int code = state.driver.qvGetHwInfo ? state.driver.qvGetHwInfo(device(), hwInfoModelCode) : 0;
    if (isSixteenChannelModel(code)) {
        state.outputLevel1 = correctedNamedLevel(state.outputLevel1);
        enable(dialog, propertiesLevel1Text, true);
        enable(dialog, propertiesLevel1Bar, true);
        setBar(dialog, propertiesLevel1Bar, maxNamedLevel, 1, state.outputLevel1);
        setText(dialog, propertiesLevel1Text, namedLevelText(state.outputLevel1));
    } else if (isCSetModel(code)) {
        enable(dialog, propertiesLevel1Text, true);
        enable(dialog, propertiesLevel1Bar, true);
        setBar(dialog, propertiesLevel1Bar, maxVoltsLevel, 8, state.outputLevel1);
        setText(dialog, propertiesLevel1Text, voltsLevelText(state.outputLevel1));
        if (hasSecondLevelBar(code)) {
            enable(dialog, propertiesLevel2Text, true);
            enable(dialog, propertiesLevel2Bar, true);
            setBar(dialog, propertiesLevel2Bar, maxVoltsLevel, 8, state.outputLevel2);
            setText(dialog, propertiesLevel2Text, voltsLevelText(state.outputLevel2));
        }
    }
    return TRUE;
}

int scrolledValue(HWND bar, int request, int trackPosition) {
    int value = GetScrollPos(bar, SB_CTL);
    switch (request) {
    case SB_LINELEFT: value -= 1; break;
    case SB_LINERIGHT: value += 1; break;
    case SB_PAGELEFT: value -= scroll.page; break;
    case SB_PAGERIGHT: value += scroll.page; break;
    case SB_THUMBTRACK: value = trackPosition; break;
    default: break;
    }
    return std::clamp(value, 0, scroll.maximum);
}

LRESULT onHorizontalScroll(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    HWND bar = reinterpret_cast<HWND>(lParam);
    const int id = bar ? GetDlgCtrlID(bar) : 0;
    if (id != propertiesLevel1Bar && id != propertiesLevel2Bar) return FALSE;
    AppState& state = app();
    const bool first = id == propertiesLevel1Bar;
    int& level = first ? state.outputLevel1 : state.outputLevel2;
    const int value = scrolledValue(bar, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
    if (value == GetScrollPos(bar, SB_CTL)) return TRUE;
    level = value;
    const bool named = first && isSixteenChannelModel(state.caps.modelCode);
    setText(dialog, first ? propertiesLevel1Text : propertiesLevel2Text,
            named ? namedLevelText(value) : voltsLevelText(value));
    if (state.driver.qvAdjVolt) state.driver.qvAdjVolt(device(), first ? 0 : 1, value);
    SetScrollPos(bar, SB_CTL, value, TRUE);
    return TRUE;
}

// Sends the levels once more as the instrument starts from a reset.
void applyLevels() {
    AppState& state = app();
    const int code = state.caps.modelCode;
    const bool sixteen = isSixteenChannelModel(code);
    if (!sixteen && !isCSetModel(code)) return;
    if (sixteen) state.outputLevel1 = correctedNamedLevel(state.outputLevel1);
    const Driver& driver = state.driver;
    DriverCallGroup group(state.interlock);
    if (driver.qvReset) driver.qvReset(device());
    if (driver.qvAdjVolt) driver.qvAdjVolt(device(), 0, state.outputLevel1);
    if (!sixteen && driver.qvAdjVolt) driver.qvAdjVolt(device(), 1, state.outputLevel2);
    if (driver.qvPowerDown) driver.qvPowerDown(device());
}

LRESULT onOk(HWND dialog, WPARAM, WORD, LPARAM) {
    HWND combo = GetDlgItem(dialog, propertiesLanguage);
    const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected >= 0) {
        const auto language = static_cast<LANGID>(SendMessageW(combo, CB_GETITEMDATA, selected, 0));
        setChosenLanguage(language);
        setThreadLanguage(language);
    }
    clearHelpPath();
    applyLevels();
    app().onlineUpdateAtStartup = IsDlgButtonChecked(dialog, propertiesOnlineUpdate) == BST_CHECKED ? 1 : 0;
    buildHelpPath();
    app().shortName = loadString(1);
    app().caption = loadString(10002);
    if (app().mainWindow) relabelSystemMenu(app().mainWindow);
    EndDialog(dialog, IDOK);
    return TRUE;
}

LRESULT onCancel(HWND dialog, WPARAM, WORD, LPARAM) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}

LRESULT onHelpButton(HWND dialog, WPARAM, WORD, LPARAM) {
    openHelpTopic(dialog, propertiesHelpTopic, propertiesHelpContext);
    return TRUE;
}

constexpr CommandEntry propertiesCommands[] = {
    {IDOK, onOk},
    {IDCANCEL, onCancel},
    {propertiesHelp, onHelpButton},
};
constexpr CommandTable propertiesCommandTable{propertiesCommands, DefaultKind::ReturnZero};

LRESULT onCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    return dispatchCommand(propertiesCommandTable, dialog, wParam, lParam);
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}

LRESULT onHelp(HWND dialog, UINT, WPARAM, LPARAM) {
    openHelpTopic(dialog, propertiesHelpTopic, propertiesHelpContext);
    return TRUE;
}

constexpr MessageEntry propertiesMessages[] = {
    {WM_INITDIALOG, onInit}, {WM_COMMAND, onCommand}, {WM_HSCROLL, onHorizontalScroll},
    {WM_CLOSE, onClose},     {WM_HELP, onHelp},
};
constexpr MessageTable propertiesMessageTable{propertiesMessages, DefaultKind::ReturnZero};

} // namespace

INT_PTR CALLBACK propertiesProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return dispatchDialogMessage(propertiesMessageTable, dialog, message, wParam, lParam);
}

INT_PTR runProperties(HWND owner) { return dialogBoxInLanguage(owner, propertiesDialogId, propertiesProcedure); }

} // namespace qv::win
