// The program's start-up and shutdown: language, device selection, settings, model capabilities,
// the main window and the message loop. The pieces are separate functions so that tests can run
// each against the real resources, registry and driver; runApplication puts them in order.
#pragma once

#include <windows.h>

#include "app/registry_store.h"
#include "device/device_list.h"
#include "device/driver.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qv::win {

// The full path of a loaded module (nullptr: the program), or empty.
std::string moduleFileName(HMODULE module);

// The languages dialog 354 exists in, sorted by primary language and then by sub-language.
std::vector<LANGID> dialogLanguages(HMODULE module, int dialogId);
// Keeps the thread locale when it is one of the languages, else switches the thread to English.
void chooseStartupLanguage(const std::vector<LANGID>& languages);

// Select Device (dialog 403): the index of the chosen device-list entry (0 when no instrument is
// present, the one instrument's index when only one is), or -1 for Cancel. list receives the
// device list the index refers to.
int selectDevice(const Driver& driver, const std::uint8_t*& list);

// Changes into the stored working directory; when that fails, into (and returns) the current one.
std::string enterWorkDirectory(const std::string& stored, const std::string& current);
std::string currentDirectory();

// "%d.%02dB%d" from a file's fixed version: major, minor, build. Empty without a version resource.
std::string versionTextOf(const std::string& file);

// Reads the System settings into app() and applies a saved language; false on the first run. A
// stored language the program has no texts for, and a placement no screen can show (or too small
// to use), count as not stored.
bool readSystemSettingsIntoApp(const SettingsStore& store = registrySettings());
// Writes app()'s System values; false when the key cannot be created.
bool writeSystemSettingsFromApp(SettingsStore& store = registrySettings());
// The save at exit: "Data save error." (caption: the short name) when the values cannot be written.
void saveSystemSettingsAtExit(SettingsStore& store = registrySettings());

// Opens the chosen instrument: handle, device number, key paths.
void openChosenDevice(const std::uint8_t* list, int index);
// Demo mode message, or the model code from the instrument; then capabilities and output levels.
void readModelAndLevels();

// Delivers the messages waiting for this thread: the idle step of a wait on the UI thread.
void deliverPendingMessages();

// The message loop: the open function dialog first, then the accelerators (against the main
// window), then translation and dispatch. Returns WM_QUIT's wParam.
int runMessageLoop(HACCEL accelerators);

// The whole program: start-up steps, message loop, shutdown.
int runApplication(HINSTANCE instance, int showCommand);

} // namespace qv::win
