// Tool registry and the hosting protocol of function dialogs.
#include "app/tool_registry.h"

#include "app/app_state.h"
#include "app/dialog_template.h"
#include "app/registry_store.h"
#include "app/settings.h"
#include "app/strings_win.h"

#include <array>

namespace qv::win {
namespace {

constexpr int toolCount = lastToolId - firstToolId + 1;

std::array<ToolCreateFunction, toolCount>& tools() {
    // Function-local so registrations from other modules' initialisers find it constructed.
    static std::array<ToolCreateFunction, toolCount> table{};
    return table;
}

bool isToolId(int functionId) { return functionId >= firstToolId && functionId <= lastToolId; }

SettingsStore* store = nullptr;

void savePlacement(const Placement& placement) {
    writePlacement(*placementStore(), app().keyPath(ModuleKey::System), placement);
}

// Reading stops at the first missing value; the values read until then stay.
void loadPlacement(Placement& placement) {
    readPlacement(*placementStore(), app().keyPath(ModuleKey::System), placement);
}

constexpr LONG_PTR resizableBits = WS_MAXIMIZEBOX | WS_THICKFRAME;

} // namespace

bool registerTool(int functionId, ToolCreateFunction create) {
    if (!isToolId(functionId)) return false;
    tools()[functionId - firstToolId] = create;
    return true;
}

void unregisterTool(int functionId) {
    if (isToolId(functionId)) tools()[functionId - firstToolId] = nullptr;
}

bool isToolRegistered(int functionId) { return isToolId(functionId) && tools()[functionId - firstToolId]; }

bool openTool(HWND mainWindow, int functionId, LPARAM lParam) {
    if (!isToolRegistered(functionId)) return false;
    // One tool at a time: with a function dialog open, no create function runs at all, so none
    // allocates or reads settings only to be refused by openFunctionDialog.
    if (app().openDialog) return true;
    tools()[functionId - firstToolId](mainWindow, functionId, lParam);
    return true;
}

HWND openFunctionDialog(HWND mainWindow, int dialogId, DLGPROC procedure, LPARAM parameter) {
    const std::vector<BYTE> layout = loadDialogLayout(dialogId, currentLanguage());
    return openFunctionDialog(mainWindow,
                              layout.empty() ? nullptr : reinterpret_cast<const DLGTEMPLATE*>(layout.data()), procedure,
                              parameter);
}

HWND openFunctionDialog(HWND mainWindow, const DLGTEMPLATE* layout, DLGPROC procedure, LPARAM parameter) {
    AppState& state = app();
    if (state.openDialog) return nullptr;

    SetWindowLongPtrA(mainWindow, GWL_STYLE, GetWindowLongPtrA(mainWindow, GWL_STYLE) & ~resizableBits);
    SetWindowPos(mainWindow, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);

    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(mainWindow, &placement)) {
        state.savedPlacement = {placement.rcNormalPosition.left, placement.rcNormalPosition.top,
                                placement.rcNormalPosition.right, placement.rcNormalPosition.bottom,
                                placement.showCmd == SW_SHOWMAXIMIZED || IsZoomed(mainWindow) ? 1 : 0};
        savePlacement(state.savedPlacement);
    }

    if (state.launcher) ShowWindow(state.launcher, SW_HIDE);

    HWND dialog =
        layout ? CreateDialogIndirectParamW(resourceModule(), layout, mainWindow, procedure, parameter) : nullptr;
    if (!dialog) {
        // Nothing to host: give the launcher and the frame back rather than leave an empty window.
        closeFunctionDialog(mainWindow);
        return nullptr;
    }
    state.openDialog = dialog;
    ShowWindow(dialog, SW_SHOW);

    RECT area{};
    GetWindowRect(dialog, &area);
    const int border = GetSystemMetrics(SM_CXBORDER);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    SetWindowPos(mainWindow, nullptr, 0, 0, (area.right - area.left) + 2 * border,
                 (area.bottom - area.top) + 2 * border + caption, SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(dialog, nullptr, TRUE);
    UpdateWindow(dialog);
    return dialog;
}

void closeFunctionDialog(HWND mainWindow) {
    AppState& state = app();
    state.openDialog = nullptr;
    SetWindowLongPtrA(mainWindow, GWL_STYLE, GetWindowLongPtrA(mainWindow, GWL_STYLE) | resizableBits);
    SetWindowPos(mainWindow, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);

    loadPlacement(state.savedPlacement);
    const Placement& saved = state.savedPlacement;
    if (state.launcher) ShowWindow(state.launcher, SW_SHOW);
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    MoveWindow(mainWindow, saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top, TRUE);
    if (saved.maximised) ShowWindow(mainWindow, SW_SHOWMAXIMIZED);
}

void setPlacementStore(SettingsStore* newStore) { store = newStore; }
SettingsStore* placementStore() { return store ? store : &registrySettings(); }

} // namespace qv::win
