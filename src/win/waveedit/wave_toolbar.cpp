// Toolbar buttons in their order, each with its icon; a button's tip is the string of its id.
#include "waveedit/wave_toolbar.h"

#include "app/controls.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/wave_editor_edit.h"
#include "waveedit/wave_editor_state.h"

#include <algorithm>
#include <iterator>

namespace qv::win {
namespace {

struct ToolbarButton {
    int id;
    int icon;
};
constexpr ToolbarButton buttons[] = {
    {ID_WAVE_OPEN, IDI_TB_OPEN},         {ID_WAVE_NEW, IDI_TB_NEW},
    {ID_WAVE_SAVE, IDI_TB_SAVE},         {ID_WAVE_ZOOM_IN, IDI_TB_ZOOM_IN},
    {ID_WAVE_ZOOM_OUT, IDI_TB_ZOOM_OUT}, {ID_WAVE_LOW, IDI_TB_LOW},
    {ID_WAVE_HIGH, IDI_TB_HIGH},         {ID_WAVE_INVERT, IDI_TB_INVERT},
    {ID_WAVE_CLOCK, IDI_TB_CLOCK},       {ID_WAVE_BUS_DATA, IDI_TB_BUS_DATA},
    {ID_WAVE_COMMAND_SETTING, IDI_TB_COMMAND}, {ID_WAVE_CHECK, IDI_TB_CHECK},
    {ID_WAVE_RUN, IDI_TB_RUN},           {ID_WAVE_STOP_RUN, IDI_TB_STOP},
    {ID_WAVE_SET_PARAMETER, IDI_TB_PARAMETER}, {ID_WAVE_HELP, IDI_TB_HELP},
    {ID_WAVE_PRINT, IDI_TB_PRINT},       {ID_WAVE_SAMPLE_WIZARD, IDI_TB_WIZARD},
};
constexpr int toolbarIconSize = 16;

void enable(int id, bool enabled) { EnableWindow(GetDlgItem(editor().dialog, id), enabled ? TRUE : FALSE); }

} // namespace

void setUpToolbar(HWND dialog) {
    WaveEditorState& s = editor();
    for (const ToolbarButton& button : buttons) {
        scaleToolbarButton(dialog, button.id);
        s.toolbarIcons.push_back(static_cast<HICON>(LoadImageW(resourceModule(), MAKEINTRESOURCEW(button.icon),
                                                               IMAGE_ICON, toolbarIconSize, toolbarIconSize, 0)));
    }
    ShowWindow(GetDlgItem(dialog, ID_WAVE_HIDDEN), SW_HIDE); // 11071 is never shown
    createToolTips(dialog, {ID_WAVE_OPEN, ID_WAVE_NEW, ID_WAVE_SAVE, ID_WAVE_ZOOM_IN, ID_WAVE_ZOOM_OUT, ID_WAVE_LOW,
                            ID_WAVE_HIGH, ID_WAVE_INVERT, ID_WAVE_CLOCK, ID_WAVE_BUS_DATA, ID_WAVE_COMMAND_SETTING,
                            ID_WAVE_CHECK, ID_WAVE_RUN, ID_WAVE_STOP_RUN, ID_WAVE_SET_PARAMETER, ID_WAVE_HELP,
                            ID_WAVE_PRINT, ID_WAVE_SAMPLE_WIZARD});
}

void drawToolbarItem(const DRAWITEMSTRUCT& item) {
    const auto* found = std::find_if(std::begin(buttons), std::end(buttons),
                                     [&](const ToolbarButton& b) { return b.id == static_cast<int>(item.CtlID); });
    const auto index = static_cast<std::size_t>(found - std::begin(buttons));
    const auto& icons = editor().toolbarIcons;
    drawToolbarButton(item, found != std::end(buttons) && index < icons.size() ? icons[index] : nullptr);
}

void enableZoomButtons() {
    const WaveEditorState& s = editor();
    enable(ID_WAVE_ZOOM_IN, canZoomIn(s.layout.position.zoom));
    enable(ID_WAVE_ZOOM_OUT, canZoomOut(s.layout.position.zoom, usableSamples(), s.area.width));
}

void updateToolbar() {
    const WaveEditorState& s = editor();
    const EditEnabling enabling = currentEnabling(currentEditTarget());
    for (int id : {ID_WAVE_LOW, ID_WAVE_HIGH, ID_WAVE_INVERT, ID_WAVE_CLOCK}) enable(id, enabling.levels);
    enable(ID_WAVE_BUS_DATA, enabling.inputBusData);
    enable(ID_WAVE_COMMAND_SETTING, enabling.commandSetting);
    enable(ID_WAVE_RUN, s.flags.running.load() == 0);
    enableZoomButtons();
}

} // namespace qv::win
