// The tools the main window opens by function id, and the hosting protocol every tool follows:
// one function dialog at a time, filling the main window, which is not resizable meanwhile.
// A tool registers its create function once (QV_REGISTER_TOOL in its own module); an id whose tool
// is not built in does nothing.
#pragma once

#include <windows.h>

#include "app/settings_store.h"

namespace qv::win {

// Function ids: the caption string of each tool has the tool's id.
inline constexpr int firstToolId = 10003; // Wave Editor
inline constexpr int lastToolId = 10028; // DMX512
inline constexpr int commandQuit = 1000; // Ctrl+Q accelerator
inline constexpr int commandProperties = 10029;
inline constexpr int commandOnlineUpdate = 10030;
inline constexpr int commandAbout = 10100;
inline constexpr int commandHelp = 11010;
// lParam of WM_COMMAND 10003 when a tool hands its result to the Wave Editor.
inline constexpr LPARAM handOffRequest = 9999;

// functionId lets one module serve several ids (the two counters, text vector and Altera tables,
// SMBus and PMBus); lParam is the WM_COMMAND's (handOffRequest for a hand-off).
using ToolCreateFunction = void (*)(HWND mainWindow, int functionId, LPARAM lParam);

// Returns true so a module can register from a namespace-scope initialiser.
bool registerTool(int functionId, ToolCreateFunction create);
void unregisterTool(int functionId);
bool isToolRegistered(int functionId);
// Calls the tool's create function; false (and nothing happens) when no tool has the id. While a
// function dialog is open nothing happens either: the create function is not called.
bool openTool(HWND mainWindow, int functionId, LPARAM lParam);

// Opening, steps the create function delegates here: refused (nullptr) while a function dialog is
// open; else the main window loses its maximise box and sizing frame, its placement is saved (and
// written to the System key), the launcher hides, the dialog is created from its template in the
// current language, shown, and the main window is resized around it.
HWND openFunctionDialog(HWND mainWindow, int dialogId, DLGPROC procedure, LPARAM parameter = 0);
HWND openFunctionDialog(HWND mainWindow, const DLGTEMPLATE* layout, DLGPROC procedure, LPARAM parameter = 0);
// Closing, called by the tool's close handler after its own clean-up and before it destroys its
// dialog: no dialog open, frame back, saved placement read back, launcher shown, window restored.
void closeFunctionDialog(HWND mainWindow);

// Where the placement goes between openings: the registry (registrySettings()) unless another
// store is set, as tests set a map; nullptr returns to the registry.
void setPlacementStore(SettingsStore* store);
SettingsStore* placementStore();

} // namespace qv::win

#define QV_TOOL_CONCAT_(a, b) a##b
#define QV_TOOL_CONCAT(a, b) QV_TOOL_CONCAT_(a, b)
// In a tool's module: QV_REGISTER_TOOL(10008, createUartDialog);
#define QV_REGISTER_TOOL(functionId, createFunction)                                                                   \
    namespace {                                                                                                        \
    [[maybe_unused]] const bool QV_TOOL_CONCAT(toolRegistered, __LINE__) = ::qv::win::registerTool(functionId,         \
                                                                                                   createFunction);    \
    }
