// The tools the main window opens by function id, and the hosting protocol every tool follows:
// one function dialog at a time, filling the main window, which is not resizable meanwhile.
// The tools built into the program are one table (tool_table.cpp); an id without a create function
// there does nothing.
#pragma once

#include <windows.h>

#include "app/dialog_template.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "resource.h"

#include <span>

namespace qv::win {

// Function ids: the caption string of each tool has the tool's id.
inline constexpr int firstToolId = ID_TOOL_WAVE_EDITOR;
inline constexpr int lastToolId = ID_TOOL_DMX512;
// lParam of WM_COMMAND ID_TOOL_WAVE_EDITOR when a tool hands its result to the Wave Editor.
inline constexpr LPARAM handOffRequest = 9999;

// functionId lets one module serve several ids (the two counters, text vector and Altera tables,
// SMBus and PMBus); lParam is the WM_COMMAND's (handOffRequest for a hand-off).
using ToolCreateFunction = void (*)(HWND mainWindow, int functionId, LPARAM lParam);

struct ToolEntry {
    int functionId;
    ToolCreateFunction create; // nullptr: the tool is not built in
};

// The built-in table, one entry per function id.
std::span<const ToolEntry> builtInTools();
// Tests open tools of their own: the table openTool reads, until an empty span restores the
// built-in one.
void useToolTable(std::span<const ToolEntry> tools);
bool isToolAvailable(int functionId);
// Calls the tool's create function; false (and nothing happens) when no tool has the id. While a
// function dialog is open nothing happens either: the create function is not called.
bool openTool(HWND mainWindow, int functionId, LPARAM lParam);

// Opening, steps the create function delegates here: refused (nullptr) while a function dialog is
// open; else the main window loses its maximise box and sizing frame, its placement is saved (and
// written to the System key), the launcher hides, the dialog is created from its template in the
// current language, shown, and the main window is resized around it.
HWND openFunctionDialog(HWND mainWindow, const DialogDefinition& dialog, LPARAM parameter = 0);
HWND openFunctionDialog(HWND mainWindow, const DLGTEMPLATE* layout, DLGPROC procedure, LPARAM parameter = 0);
// Closing, called by the tool's close handler after its own clean-up and before it destroys its
// dialog: no dialog open, frame back, saved placement read back, launcher shown, window restored.
void closeFunctionDialog(HWND mainWindow);

// Where the placement goes between openings: the registry (registrySettings()) unless another
// store is set, as tests set a map; nullptr returns to the registry.
void setPlacementStore(SettingsStore* store);
SettingsStore* placementStore();

// Shows the window at a saved normal position, maximised when the placement says so (the main
// window after a tool, or under a tool that keeps its own placement).
void applyPlacement(HWND window, const Placement& placement);

// The window's normal position and whether it is maximised.
qv::Placement windowPlacement(HWND window);

} // namespace qv::win
