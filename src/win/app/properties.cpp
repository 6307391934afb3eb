// Properties dialog. The level bars, their texts and the resend on OK come from core
// (app/output_levels); this module moves values between the controls, the settings and the driver.
#include "app/properties.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/output_levels.h"
#include "app/startup.h"
#include "app/strings_win.h"
#include "device/device_list.h"
#include "resource.h"

namespace qv::win {
namespace {

constexpr int levelTexts[] = {IDC_PROPERTIES_LEVEL1_TEXT, IDC_PROPERTIES_LEVEL2_TEXT};
constexpr int levelBarControls[] = {IDC_PROPERTIES_LEVEL1_BAR, IDC_PROPERTIES_LEVEL2_BAR};

// The bars as set up when the dialog opened.
std::array<LevelBar, 2> bars;

DeviceHandle device() { return app().device; }

void setBar(HWND dialog, int bar, const LevelBar& level) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS;
    info.nMin = 0;
    info.nMax = level.maximum;
    info.nPos = level.position;
    SetScrollInfo(GetDlgItem(dialog, levelBarControls[bar]), SB_CTL, &info, TRUE);
}

void fillLanguages(HWND dialog) {
    const LANGID current = LANGIDFROMLCID(GetThreadLocale());
    for (LANGID language : app().languages) {
        wchar_t name[128] = {};
        GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SLANGUAGE, name, 128);
        const int index = addComboItem(dialog, IDC_PROPERTIES_LANGUAGE, name, language);
        if (index >= 0 && language == current) selectComboIndex(dialog, IDC_PROPERTIES_LANGUAGE, index);
    }
}

void showInstrumentNames(HWND dialog) {
    constexpr std::pair<int, int> fields[] = {{IDC_PROPERTIES_MODEL, interfaceNameModel},
                                              {IDC_PROPERTIES_INTERFACE, interfaceNameInterface}};
    for (auto [control, kind] : fields) {
        const std::string name = interfaceName(app().driver, device(), nullptr, kind);
        if (name.empty())
            setFieldText(dialog, control, Msg::PropertiesUnknown);
        else
            setFieldText(dialog, control, fromAnsi(name));
    }
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    AppState& state = app();
    fillLanguages(dialog);
    setChecked(dialog, IDC_PROPERTIES_ONLINE_UPDATE, state.onlineUpdateAtStartup != 0);
    enableControls(dialog, {levelTexts[0], levelTexts[1], levelBarControls[0], levelBarControls[1]}, false);
    bars = {};
    if (device() == noDevice) {
        setFieldText(dialog, IDC_PROPERTIES_MODEL, Msg::PropertiesDemoMode);
        setFieldText(dialog, IDC_PROPERTIES_INTERFACE, Msg::PropertiesNoInterface);
        return TRUE;
    }
    showInstrumentNames(dialog);
    const int code = state.driver.qvGetHwInfo ? state.driver.qvGetHwInfo(device(), hwInfoModelCode) : 0;
    bars = levelBarsFor(code, state.outputLevel1, state.outputLevel2);
    for (int bar = 0; bar < 2; ++bar) {
        if (!bars[bar].enabled) continue;
        enableControls(dialog, {levelTexts[bar], levelBarControls[bar]}, true);
        setBar(dialog, bar, bars[bar]);
        setFieldText(dialog, levelTexts[bar], bars[bar].text);
    }
    return TRUE;
}

ScrollRequest requestOf(int code) {
    switch (code) {
    case SB_LINELEFT: return ScrollRequest::LineLess;
    case SB_LINERIGHT: return ScrollRequest::LineMore;
    case SB_PAGELEFT: return ScrollRequest::PageLess;
    case SB_PAGERIGHT: return ScrollRequest::PageMore;
    case SB_THUMBTRACK: return ScrollRequest::Track;
    default: return ScrollRequest::Other;
    }
}

LRESULT onHorizontalScroll(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    const int id = control ? GetDlgCtrlID(control) : 0;
    const int bar = id == levelBarControls[0] ? 0 : id == levelBarControls[1] ? 1 : -1;
    if (bar < 0) return FALSE;
    AppState& state = app();
    const int current = GetScrollPos(control, SB_CTL);
    const int value = scrolledLevel(current, requestOf(LOWORD(wParam)), static_cast<short>(HIWORD(wParam)),
                                    bars[bar].maximum, bars[bar].page);
    if (value == current) return TRUE;
    (bar == 0 ? state.outputLevel1 : state.outputLevel2) = value;
    setFieldText(dialog, levelTexts[bar], levelBarText(state.caps.modelCode, bar, value));
    if (state.driver.qvAdjVolt) state.driver.qvAdjVolt(device(), bar, value);
    SetScrollPos(control, SB_CTL, value, TRUE);
    return TRUE;
}

LRESULT onOk(HWND dialog, const Command&) {
    AppState& state = app();
    if (const int selected = comboSelection(dialog, IDC_PROPERTIES_LANGUAGE); selected >= 0) {
        const auto language = static_cast<LANGID>(comboItemData(dialog, IDC_PROPERTIES_LANGUAGE, selected));
        setChosenLanguage(language);
        setThreadLanguage(language);
    }
    clearHelpPath();
    // While another process holds the instrument, the hold is released by a message to the main
    // window, which this thread must go on delivering.
    resendOutputLevels(state.driver, device(), state.interlock, state.caps.modelCode, state.outputLevel1,
                       state.outputLevel2, deliverPendingMessages);
    state.onlineUpdateAtStartup = isChecked(dialog, IDC_PROPERTIES_ONLINE_UPDATE) ? 1 : 0;
    buildHelpPath();
    if (state.mainWindow) relabelSystemMenu(state.mainWindow);
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_HSCROLL, onHorizontalScroll},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<propertiesHelpTopic, propertiesHelpContext>},
};
constexpr CommandEntry commands[] = {
    {IDOK, onOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
    {IDC_PROPERTIES_HELP, openHelpOnCommand<propertiesHelpTopic, propertiesHelpContext>},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

} // namespace

const DialogDefinition propertiesDialog{IDD_PROPERTIES, dialogProcedure<table>};

INT_PTR runProperties(HWND owner) { return dialogBoxInLanguage(owner, propertiesDialog); }

} // namespace qv::win
