// The hosting protocol of function dialogs, and opening a tool from the tool table.
#include "app/tool_registry.h"

#include "app/app_state.h"
#include "app/registry_store.h"
#include "app/settings.h"
#include "app/strings_win.h"

#include <algorithm>

namespace qv::win {
namespace {

std::span<const ToolEntry> toolTable;

std::span<const ToolEntry> tools() { return toolTable.empty() ? builtInTools() : toolTable; }

ToolCreateFunction createFunctionOf(int functionId) {
    const auto table = tools();
    auto it = std::find_if(table.begin(), table.end(),
                           [functionId](const ToolEntry& entry) { return entry.functionId == functionId; });
    return it == table.end() ? nullptr : it->create;
}

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

void useToolTable(std::span<const ToolEntry> table) { toolTable = table; }

bool isToolAvailable(int functionId) { return createFunctionOf(functionId) != nullptr; }

bool openTool(HWND mainWindow, int functionId, LPARAM lParam) {
    const ToolCreateFunction create = createFunctionOf(functionId);
    if (!create) return false;
    // One tool at a time: with a function dialog open, no create function runs at all, so none
    // allocates or reads settings only to be refused by openFunctionDialog.
    if (app().openDialog) return true;
    create(mainWindow, functionId, lParam);
    return true;
}

HWND openFunctionDialog(HWND mainWindow, const DialogDefinition& dialog, LPARAM parameter) {
    const std::vector<BYTE> layout = loadDialogLayout(dialog.templateId, currentLanguage());
    return openFunctionDialog(mainWindow,
                              layout.empty() ? nullptr : reinterpret_cast<const DLGTEMPLATE*>(layout.data()),
                              dialog.procedure, parameter);
}

HWND openFunctionDialog(HWND mainWindow, const DLGTEMPLATE* layout, DLGPROC procedure, LPARAM parameter) {
    AppState& state = app();
    if (state.openDialog) return nullptr;

    SetWindowLongPtrA(mainWindow, GWL_STYLE, GetWindowLongPtrA(mainWindow, GWL_STYLE) & ~resizableBits);
    SetWindowPos(mainWindow, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);

    state.savedPlacement = windowPlacement(mainWindow);
    savePlacement(state.savedPlacement);

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
    if (state.launcher) ShowWindow(state.launcher, SW_SHOW);
    applyPlacement(mainWindow, state.savedPlacement);
}

void applyPlacement(HWND window, const Placement& placement) {
    ShowWindow(window, SW_SHOWNORMAL);
    MoveWindow(window, placement.left, placement.top, placement.right - placement.left,
               placement.bottom - placement.top, TRUE);
    if (placement.maximised) ShowWindow(window, SW_SHOWMAXIMIZED);
}

void setPlacementStore(SettingsStore* newStore) { store = newStore; }
SettingsStore* placementStore() { return store ? store : &registrySettings(); }

Placement windowPlacement(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return app().savedPlacement;
    const RECT& normal = placement.rcNormalPosition;
    return {normal.left, normal.top, normal.right, normal.bottom,
            placement.showCmd == SW_SHOWMAXIMIZED || IsZoomed(window) ? 1 : 0};
}

} // namespace qv::win
