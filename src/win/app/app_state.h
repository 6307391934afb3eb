// The application's process-wide state, written at start-up and read by every window: the device,
// its model capabilities, the settings that live for the whole run, the main window and the one
// open function dialog. Reached through app(); no scattered globals.
#pragma once

#include <windows.h>

#include "app/models.h"
#include "app/settings.h"
#include "app/update_key.h"
#include "app/update_list.h"
#include "device/driver.h"
#include "device/interlock.h"

#include <array>
#include <string>
#include <vector>

namespace qv::win {

// The settings model owns the module keys and the placement record; they are used here by name.
using qv::ModuleKey;
using qv::Placement;

struct AppState {
    HINSTANCE instance = nullptr;

    // Device and model.
    Driver driver;
    DeviceHandle device = noDevice;
    int deviceNumber = 0;
    Capabilities caps = capabilitiesFor(0);
    int outputLevel1 = 32;
    int outputLevel2 = 32;
    int onlineUpdateAtStartup = 1;
    // The update web server ("host" or "host:port"): the "Update Server" value, else the vendor's.
    std::string updateServer = defaultUpdateServer;
    // The key the carried updater trusts (set from the build by WinMain; tests set it as they need).
    UpdateTrust updateTrust = UpdateTrust::None;
    // GetVersionExA: major x 100 + minor (the installer's steps differ from 600 up).
    int osVersion = 0;
    // Insert (true) or overwrite: the edit mode of the Wave Editor and the script editor.
    bool insertMode = true;
    DriverInterlock interlock;

    // Settings and texts that live for the whole run.
    KeyPaths keyPaths;
    std::string workDirectory;
    std::vector<LANGID> languages; // languages of the Properties dialog, sorted
    std::string versionText; // "%d.%02dB%d"
    std::string helpPath;

    // Main window.
    HWND mainWindow = nullptr;
    HWND launcher = nullptr;
    HWND openDialog = nullptr; // the one open function dialog, or none
    Placement savedPlacement;

    const std::string& keyPath(ModuleKey key) const { return keyPaths[static_cast<int>(key)]; }
};

AppState& app();
// The instrument's card type (qvCardType; 18 adds output-enable commands), 0 without an instrument.
int deviceCardType();

} // namespace qv::win
