// The online update seen from QV.exe: the check on a worker thread, which fetches the update list
// and reports to the main window with updateReport (0x506: wParam 1 when a list was received,
// lParam 1 when a listed file is out of date); the report's boxes; and, when the user accepts, the
// updater (resource "UPDATE" 546) written out and started before the program closes. What the
// updater does is src/updater's business.
#pragma once

#include <windows.h>

#include "app/update_list.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qv::win {

// Start-up mode reports nothing but an offered update; interactive mode also failures and
// "already the latest".
enum class UpdateMode { StartUp, Interactive };

// Sets the mode (one for the process, as the last starter set it) and starts a detached thread
// that posts updateReport to mainWindow when done.
void startUpdateCheck(HWND mainWindow, UpdateMode mode);

// The main window's updateReport handler.
LRESULT onUpdateReport(HWND window, UINT message, WPARAM received, LPARAM outOfDate);

// The local file's facts for a record: existence, fixed file version, last write date (local).
LocalFileFacts localFileFacts(const std::string& path);

// The "UPDATE" 546 resource of the running program; empty when missing.
std::span<const std::uint8_t> updaterProgram();
// Writes bytes as a new file at path, deleting an old one first; false on any failure.
bool writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

// The system's own command interpreter by its full path, started with /D (no AutoRun commands) in
// the system folder, which no user can write: nothing planted in a user's folders is run.
struct SystemCommand {
    std::string program;
    std::string directory;
    std::string parameters(const std::string& command) const { return "/D /C " + command; }
};
std::optional<SystemCommand> systemCommand();

enum class UpdaterStart { Started, NotStarted, CopyMismatch };
// Before Vista: writes the updater to `destination` and starts it by its quoted path.
UpdaterStart startUpdaterBeside(const std::string& destination, std::span<const std::uint8_t> program);
// Starts the updater copied to `path` elevated (with the no-restart switch, working directory
// `folder`) only when its bytes have the SHA-256 of `expected`, the program carried in the
// resources; the file stays open against writers and deleters until it has been started. With
// `process`, the started process's handle is kept there.
UpdaterStart launchVerifiedUpdater(const std::string& path, std::span<const std::uint8_t> expected,
                                   const std::string& folder, HANDLE* process = nullptr);

} // namespace qv::win
